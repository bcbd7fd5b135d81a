#pragma once
// The list boxes of the visual controls library: TTextListBox (a list box whose horizontal
// range follows its widest item), TZbCustomListBox (the same with tabbed text, a grayed
// selection when unfocused and an item-width event) and TZbCheckListBox (a check column:
// every item has a state and an enabled flag, saved with the form's placement).
#include "controls/visual/Placemnt.h"
#include "platform/forms/StdCtrls.h"

#include "platform/classes/Filer.h"

#include <QPointer>
#include <algorithm>
#include <memory>
#include <vector>

class TZbCustomListBox;
class TZbCheckListBox;

using TGetItemWidthEvent = TEvent<TWinControl*, int, int&>;  // control, index, width
using TChangeStateEvent = TEvent<TObject*, int>;              // sender, index

class TTextListBox : public TCustomListBox {
public:
    explicit TTextListBox(TComponent* owner);
    // The widest item in pixels: the horizontal range.
    int MaxItemWidth() const { return FMaxWidth; }

protected:
    void CMFontChanged() override;
    void ItemsEdited(const platform::forms::TItemsEdit& edit) override;

private:
    void ResetHorizontalExtent();
    int ItemWidth(int index) const;
    int Widest() const;
    // Each line's width, so that one line added or taken is the only one measured.
    std::vector<int> FWidths;
    int FMaxWidth = 0;
};

// The item list of a TZbCustomListBox: its texts, with each item's object kept through the list
// box's item data.
class TZbListBoxStrings : public TStrings {
public:
    explicit TZbListBoxStrings(TZbCustomListBox* listBox) : FListBox(listBox) {}
    int Count() const override;
    int Add(const QString& s) override;
    int AddObject(const QString& s, TObject* object) override;
    void Insert(int index, const QString& s) override;
    void InsertObject(int index, const QString& s, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;
    void PutObject(int index, TObject* object) override;
    void Exchange(int index1, int index2) override;
    void Move(int curIndex, int newIndex) override;
    int IndexOf(const QString& s) const override;
    TZbCustomListBox* ListBox() const { return FListBox; }

protected:
    QString Get(int index) const override;
    TObject* GetObject(int index) const override;
    void Put(int index, const QString& s) override;
    void SetUpdateState(bool updating) override;

private:
    TZbCustomListBox* FListBox;
};

// The item list of a check-list box: states and enabled flags travel with the items.
class TCheckListBoxStrings : public TZbListBoxStrings {
public:
    using TZbListBoxStrings::TZbListBoxStrings;
};

// What a check-list box keeps with every item.
class TCheckListBoxItem : public TObject {
public:
    TObject* Data = nullptr;
    TCheckBoxState State = cbUnchecked;
    bool Enabled = true;
    bool Checked() const { return State == cbChecked; }
};

class TZbCustomListBox : public TCustomListBox {
public:
    explicit TZbCustomListBox(TComponent* owner);
    ~TZbCustomListBox() override;

    // The item list: texts and the objects the user attached.
    TStrings* Items() const { return FItems.get(); }
    virtual void SetItems(TStrings* value);
    TListBoxStyle Style() const { return FStyle; }
    void SetStyle(TListBoxStyle value);
    bool GraySelection() const { return FGraySelection; }
    // On while no column layout is used; the horizontal range then follows the widest item.
    bool AutoScroll() const { return FAutoScroll && FColumns == 0; }
    void SetAutoScroll(bool value);
    int MaxItemWidth() const { return FMaxItemWidth; }
    virtual int GetItemWidth(int index);
    // Item data of the window: the attached object (the record, for a check list).
    virtual TObject* GetItemData(int index) const;
    virtual void SetItemData(int index, TObject* data);
    virtual void ResetContent();
    virtual void DeleteString(int index);
    void Clear() { ResetContent(); }

    // The window's draw notification: selection colours, then DrawItemContent.
    void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
    // One item: OnDrawItem, else the text (tab stops of TabWidth dialog units).
    virtual void DrawItemContent(int index, TRect rect, TOwnerDrawState state);

    TGetItemWidthEvent OnGetItemWidth;

    // The selection of an item; an index the list does not have raises the string list's error.
    bool Selected(int index) const;
    void SetSelected(int index, bool value);
    // Tab stops in dialog units; a negative width is none.
    void SetTabWidth(int value) { TCustomListBox::SetTabWidth(std::max(0, value)); }
    // A point outside the client area is no item; one below the last item gives the count
    // unless `existing`.
    int ItemAtPos(const TPoint& pos, bool existing) const;
    // Index = count gives the place right below the last item; any other missing index an
    // empty rectangle.
    TRect ItemRect(int index) const;

    // Items in this many columns side by side (0: one column), scrolled sideways.
    int Columns() const { return FColumns; }
    void SetColumns(int value);
    // The height keeps to whole items (owner-drawn variable lists excepted).
    bool IntegralHeight() const { return FIntegralHeight; }
    void SetIntegralHeight(bool value);
    // A multi-select list extends the selection with Shift and Ctrl; without it every click
    // toggles an item.
    bool ExtendedSelect() const { return FExtendedSelect; }
    void SetExtendedSelect(bool value);
    void SetMultiSelect(bool value);
    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    void SetBounds(int left, int top, int width, int height) override;

    // The list of the underlying control, whose objects are the window's item data.
    TStrings* WindowItems() const { return TCustomListBox::Items(); }

    void CMFocusChanged(TWinControl* focused) override;

protected:
    void CMFontChanged() override;
    void BoundsChanged(bool sizeChanged) override;
    void ApplyColumns();
    void ResetHorizontalExtent();
    void ApplyStyle();
    int TabPixels() const;
    virtual bool AlwaysOwnerDrawn() const { return false; }
    virtual TStrings* CreateItems();
    // The item list made by the factory; descendants call it from their constructor.
    void RecreateItems() { FItems.reset(CreateItems()); }

private:
    friend class TZbListBoxStrings;
    std::unique_ptr<TStrings> FItems;
    TListBoxStyle FStyle = lbStandard;
    bool FGraySelection = false;
    bool FAutoScroll = true;
    int FMaxItemWidth = 0;
    int FColumns = 0;
    bool FIntegralHeight = false, FExtendedSelect = true;
    TBorderStyle FBorderStyle = bsSingle;
};

enum TCheckKind { ckCheckBoxes, ckRadioButtons, ckCheckMarks };

class TZbCheckListBox : public TZbCustomListBox {
public:
    explicit TZbCheckListBox(TComponent* owner);
    ~TZbCheckListBox() override;

    TCheckBoxState State(int index) const;
    void SetState(int index, TCheckBoxState value);
    bool Checked(int index) const { return State(index) == cbChecked; }
    void SetChecked(int index, bool value) { SetState(index, value ? cbChecked : cbUnchecked); }
    bool ItemEnabled(int index) const;
    void SetItemEnabled(int index, bool value);
    int CheckedIndex() const;
    bool AllowGrayed() const { return FAllowGrayed && FCheckKind != ckRadioButtons; }
    void SetAllowGrayed(bool value) { FAllowGrayed = value; }
    TCheckKind CheckKind() const { return FCheckKind; }
    void SetCheckKind(TCheckKind value);
    TFormPlacement* IniStorage() const { return FIniLink->Storage(); }
    void SetIniStorage(TFormPlacement* value) { FIniLink->SetStorage(value); }
    void SetItems(TStrings* value) override;

    // Width of the check strip left of the text: a cell and two pixels.
    int CheckWidth() const;
    // A click on an item's check or the space bar: unchecked, grayed (when allowed), checked.
    void ToggleClickCheck(int index);

    // The states as the form placement saves them: "Count" and "Item0".."ItemN" in the list
    // box's section under the placement's root section.
    void IniSave(TObject* sender);
    void IniLoad(TObject* sender);

    // The list as a form description keeps it: "InternalVersion" (202) and "Strings" (per item
    // its text, state and enabled flag; older versions: text, checked, enabled and, from
    // version 1 on, the state).
    void DefineProperties(TFiler* filer);

    TObject* GetItemData(int index) const override;
    void SetItemData(int index, TObject* data) override;
    void ResetContent() override;
    void DeleteString(int index) override;
    int GetItemWidth(int index) override;
    void DrawItem(int index, TRect rect, TOwnerDrawState state) override;
    void DrawItemContent(int index, TRect rect, TOwnerDrawState state) override;
    void KeyPress(QChar& key) override;

    TNotifyEvent OnClickCheck;
    TChangeStateEvent OnStateChange;

protected:
    void Loaded() override;
    void CMFontChanged() override;
    bool AlwaysOwnerDrawn() const override { return true; }
    TStrings* CreateItems() override;
    virtual void ClickCheck();
    virtual void StateChanged(int index);

private:
    TCheckListBoxItem* Record(int index) const;
    TCheckListBoxItem* NeedRecord(int index);
    void UpdateCheckStates();
    void ResetItemHeight();
    void MousePressed(const QPoint& pos, Qt::MouseButton button);
    void ReadVersion(TReader* reader);
    void WriteVersion(TWriter* writer);
    void ReadStrings(TReader* reader);
    void WriteStrings(TWriter* writer);
    int FStoredVersion = 0;

    bool FAllowGrayed = false;
    TCheckKind FCheckKind = ckCheckBoxes;
    bool FInUpdateStates = false;
    std::unique_ptr<TIniLink> FIniLink;
    std::unique_ptr<QObject> FViewportFilter;
    QPoint FPressPos;
    Qt::MouseButton FPressButton = Qt::NoButton;
    int FStripLeft = 0;
    QString FIniSection;
};

namespace controls::visual {
// The 18 check cells (6 columns: unchecked, checked, grayed, then the same disabled; 3 rows:
// check boxes, radio buttons, check marks), 16 x 13 each, made once.
const QImage& CheckImages();
inline constexpr int CheckCellWidth = 16, CheckCellHeight = 13;
}  // namespace controls::visual
