#pragma once
// Image lists: many images of one size, each with a mask, drawn normal, masked or disabled.
#include "platform/classes/Component.h"
#include "platform/graphics/Graphics.h"

#include <QImage>
#include <vector>

class TImageList;

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

// Flags of DrawWithFlags: ILD_MASK draws the mask (black where the image is opaque, white
// where it is transparent); ILD_NORMAL and ILD_TRANSPARENT draw the image over the target.
enum : unsigned { ILD_NORMAL = 0x0, ILD_TRANSPARENT = 0x1, ILD_MASK = 0x10, ILD_IMAGE = 0x20 };

// Tells a control that the list it uses changed.
class TChangeLink : public TObject {
public:
    ~TChangeLink() override;
    TImageList* Sender() const { return FSender; }
    void SetSender(TImageList* sender) { FSender = sender; }
    void Change();
    TNotifyEvent OnChange;

private:
    TImageList* FSender = nullptr;
};

class TImageList : public TComponent {
public:
    explicit TImageList(TComponent* owner = nullptr);
    TImageList(int width, int height);
    ~TImageList() override;
    void Assign(TPersistent* source) override;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // A new size empties the list.
    void SetWidth(int width);
    void SetHeight(int height);
    void SetSize(int width, int height);
    int Count() const { return int(FImages.size()); }
    bool HandleAllocated() const { return true; }
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor color) { FBkColor = color; }
    bool Masked() const { return FMasked; }
    void SetMasked(bool value) { FMasked = value; }
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle style) { FDrawingStyle = style; }

    // Adds the image (several when it is a multiple of Width wide); the mask is white where
    // the image is transparent, nullptr for none. Returns the index of the first image.
    // EInvalidOperation "Unable to insert an image" for an image smaller than the list's size.
    int Add(TBitmap* image, TBitmap* mask);
    // The mask is made of the pixels of maskColor.
    int AddMasked(TBitmap* image, TColor maskColor);
    // A picture with an alpha channel, scaled to the list's size; transparent where it is.
    int AddImage(const QImage& image);
    // EInvalidOperation "Unable to Replace Image" for a bad index or image.
    void Replace(int index, TBitmap* image, TBitmap* mask);
    void ReplaceMasked(int index, TBitmap* image, TColor maskColor);
    void Delete(int index);  // -1: all
    void Clear();

    // Disabled: the image's shape embossed, once in clBtnHighlight one pixel down and right,
    // then in clBtnShadow in place. The shape is every opaque pixel that is not white, as the
    // class library's monochrome conversion of the image finds it.
    void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true);
    void DrawWithFlags(TCanvas* canvas, int x, int y, int index, unsigned flags);
    // The image at the list's size, drawn transparently over a new white bitmap.
    void GetBitmap(int index, TBitmap* image);
    // Image and mask as the list holds them (32-bit RGB; mask: 0 opaque, 1 transparent).
    QImage ImageOf(int index) const;
    QImage MaskOf(int index) const;
    // The image as a control shows it: ARGB32, clear where the mask is (when the list is masked).
    QImage TransparentImageOf(int index) const;

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    TNotifyEvent OnChange;

protected:
    virtual void Change();

private:
    struct Entry {
        QImage Image;  // RGB32
        QImage Mask;   // Grayscale8: 255 transparent, 0 opaque
    };
    Entry MakeEntry(TBitmap* image, TBitmap* mask, int cell) const;
    Entry MakeEntryMasked(TBitmap* image, TColor maskColor, int cell) const;
    void CheckIndex(int index, const char* what) const;

    int FWidth = 16;
    int FHeight = 16;
    TColor FBkColor = clNone;
    bool FMasked = true;
    TDrawingStyle FDrawingStyle = dsNormal;
    int FUpdateCount = 0;
    bool FChanged = false;
    std::vector<Entry> FImages;
    std::vector<TChangeLink*> FLinks;
};

namespace platform::graphics {
// Points a control's image list `field` at `value`: the link follows the new list's changes and
// the control hears when the list is freed. False when `value` was already the list.
bool LinkImageList(TComponent* control, TImageList*& field, TImageList* value, TChangeLink* link);
}  // namespace platform::graphics
