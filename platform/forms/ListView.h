#pragma once
// The list view: items with a caption, sub-items and a picture of an image list, shown as large
// icons; and the desktop's picture for a kind of file.
#include "platform/classes/Strings.h"
#include "platform/forms/Controls.h"
#include "platform/graphics/ImgList.h"

#include <QImage>
#include <memory>
#include <vector>

class QListWidget;
class QListWidgetItem;
class TListView;
class TListItems;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };

class TListItem {
public:
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    // Further texts of the item (the report columns); the large-icon view shows only the caption.
    TStrings* SubItems() const { return FSubItems.get(); }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    void* Data() const { return FData; }
    void SetData(void* value) { FData = value; }
    int Index() const;
    bool Selected() const;
    void SetSelected(bool value);
    TListItems* Owner() const { return FOwner; }

private:
    friend class TListItems;
    friend class TListView;
    explicit TListItem(TListItems* owner);
    TListItems* FOwner;
    QString FCaption;
    std::unique_ptr<TStringList> FSubItems;
    int FImageIndex = -1;
    void* FData = nullptr;
    QListWidgetItem* FItem = nullptr;
};

class TListItems {
public:
    explicit TListItems(TListView* owner) : FOwner(owner) {}
    ~TListItems();
    TListItem* Add();
    void Clear();
    void Delete(int index);
    int Count() const { return int(FItems.size()); }
    TListItem* Item(int index) const { return FItems.at(size_t(index)).get(); }
    void BeginUpdate() {}
    void EndUpdate() {}
    TListView* Owner() const { return FOwner; }

private:
    friend class TListItem;
    friend class TListView;
    TListView* FOwner;
    std::vector<std::unique_ptr<TListItem>> FItems;
};

class TListView : public TWinControl {
public:
    explicit TListView(TComponent* owner);
    ~TListView() override;
    TListItems* Items() const { return FItems.get(); }
    TViewStyle ViewStyle() const { return FViewStyle; }
    void SetViewStyle(TViewStyle value);
    // Pictures of the icon view, at the list's size.
    TImageList* LargeImages() const { return FLargeImages; }
    void SetLargeImages(TImageList* value);
    // Pictures of the other views.
    TImageList* SmallImages() const { return FSmallImages; }
    TListItem* Selected() const;
    // Several items selectable at once (with Ctrl and Shift).
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    int SelCount() const;
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value) { FReadOnly = value; }
    QListWidget* List() const;
    // The picture an item shows now (empty when it has none).
    QImage ItemImage(int index) const;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    friend class TListItem;
    friend class TListItems;
    void ImageListChange(TObject* sender);
    void UpdateItemImage(TListItem* item);
    TImageList* ShownImages() const { return FViewStyle == vsIcon ? FLargeImages : FSmallImages; }
    std::unique_ptr<TListItems> FItems;
    TImageList* FLargeImages = nullptr;
    TImageList* FSmallImages = nullptr;
    std::unique_ptr<TChangeLink> FLargeLink, FSmallLink;
    TViewStyle FViewStyle = vsIcon;
    bool FReadOnly = false;
    bool FMultiSelect = false;
};

class QMimeType;

namespace platform::forms {
// The kind of a file: by name, and by contents when the file exists and is not one of the
// engine's (reading one of those would drop the engine's locks).
QMimeType FileType(const QString& fileName);
// The desktop's picture for the kind of a file, at `size` pixels: the icon of its MIME type (by
// name, and by contents when the file exists) in the icon theme, else the icon of its generic
// kind, else a plain document.
QImage FileTypeIcon(const QString& fileName, int size);
// A plain white page with a folded corner and lines of text: the picture of any file.
QImage PlainDocumentIcon(int size);
// Adds the picture of the file's kind to the list (at the list's size); returns its index.
int AddFileTypeIcon(TImageList* list, const QString& fileName);
}  // namespace platform::forms
