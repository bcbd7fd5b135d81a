#pragma once
// The toolbar of the record forms: a panel holding named sections of button items, placing the
// buttons on a grid derived from the button size, docked at one side of its form and movable to
// another side by dragging; its side, thickness and button places can be kept in an ini file or
// the registry.
#include "controls/visual/ZBCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/graphics/ImgList.h"

#include <functional>
#include <memory>
#include <vector>

ZB_EXCEPTION(ESpeedbarError, Exception)

class TSpeedBar;
class TSpeedItem;
class TFormPlacement;
class TIniLink;

enum TBarPosition { bpAuto, bpCustom };
enum TBarOrientation { boHorizontal, boVertical };

enum TSpeedbarOption : unsigned {
    sbAllowDrag = 1u << 0,
    sbAllowResize = 1u << 1,
    sbFlatBtns = 1u << 2,
    sbGrayedBtns = 1u << 3,
    sbTransparentBtns = 1u << 4,
    sbStretchBitmap = 1u << 5,
};
using TSpeedbarOptions = unsigned;

enum TBoundLine : unsigned { blTop = 1u << 0, blBottom = 1u << 1, blLeft = 1u << 2, blRight = 1u << 3 };
using TBoundLines = unsigned;

using TApplyAlignEvent = TEvent<TObject*, TAlign, bool&>;

// The button an item shows on the bar.
class TSpeedbarButton : public TZbSpeedButton {
public:
    explicit TSpeedbarButton(TComponent* owner);
    TSpeedItem* Item() const { return FItem; }
    void SetBounds(int left, int top, int width, int height) override;
    void CMVisibleChanged() override;

protected:
    void Paint() override;
    void PaintFace(TCanvas* canvas, const TRect& client, TZbButtonState state, bool dropDownMark) override;

private:
    friend class TSpeedItem;
    TSpeedItem* FItem = nullptr;
};

// A named group of items of one bar.
class TSpeedbarSection : public TComponent {
public:
    explicit TSpeedbarSection(TComponent* owner);
    ~TSpeedbarSection() override;

    QString Caption() const { return FCaption; }
    // ESpeedbarError when another section of the bar has the caption (outside loading).
    void SetCaption(const QString& value);
    int Index() const;
    void SetIndex(int value);
    int Count() const { return int(FList.size()); }
    TSpeedItem* Items(int index) const { return FList.at(size_t(index)); }
    TSpeedBar* SpeedBar() const { return FParent; }
    // Moves the section to another bar (or none).
    void SetSpeedBar(TSpeedBar* bar);

private:
    friend class TSpeedBar;
    std::vector<TSpeedItem*> FList;
    QString FCaption;
    TSpeedBar* FParent = nullptr;
};

class TSpeedItem : public TComponent {
public:
    explicit TSpeedItem(TComponent* owner);
    ~TSpeedItem() override;

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    void SetName(const QString& name) override;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool Stored() const { return FStored; }
    void SetStored(bool value) { FStored = value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    TSpeedBar* SpeedBar() const { return FParent; }
    int Section() const { return FSection; }
    // The section caption the item was stored with; placed there when added to a bar.
    QString SectionName() const { return FSectionName; }
    void SetSectionName(const QString& value) { FSectionName = value; }
    // The section index read with a stored form (used when no section name was read).
    void SetSectionIndex(int value) { FSectionIndex = value; }
    // Placed under a section of a bar as a stored form places it: in the section named by
    // SectionName (the first one when none has that name), else at the stored index.
    void SetParentComponent(TComponent* value);
    TSpeedbarButton* Button() const { return FButton; }

    // Passed to the button.
    bool AllowAllUp() const { return FButton->AllowAllUp(); }
    void SetAllowAllUp(bool v) { FButton->SetAllowAllUp(v); }
    bool AllowTimer() const { return FButton->AllowTimer(); }
    void SetAllowTimer(bool v) { FButton->SetAllowTimer(v); }
    QString BtnCaption() const { return FButton->Caption(); }
    void SetBtnCaption(const QString& v) { FButton->SetCaption(v); }
    int GroupIndex() const { return FButton->GroupIndex(); }
    void SetGroupIndex(int v) { FButton->SetGroupIndex(v); }
    bool Down() const { return FButton->Down(); }
    void SetDown(bool v) { FButton->SetDown(v); }
    TPopupMenu* DropDownMenu() const { return FButton->DropDownMenu(); }
    void SetDropDownMenu(TPopupMenu* v) { FButton->SetDropDownMenu(v); }
    bool MarkDropDown() const { return FButton->MarkDropDown(); }
    void SetMarkDropDown(bool v) { FButton->SetMarkDropDown(v); }
    TFont* Font() const { return FButton->Font(); }
    void SetFont(TFont* v) { FButton->SetFont(v); }
    bool ParentFont() const { return FButton->ParentFont(); }
    void SetParentFont(bool v) { FButton->SetParentFont(v); }
    TCursor Cursor() const { return FButton->Cursor(); }
    void SetCursor(TCursor v) { FButton->SetCursor(v); }
    TBitmap* Glyph() const { return FButton->Glyph(); }
    void SetGlyph(TBitmap* v) { FButton->SetGlyph(v); }
    TZbNumGlyphs NumGlyphs() const { return FButton->NumGlyphs(); }
    void SetNumGlyphs(TZbNumGlyphs v) { FButton->SetNumGlyphs(v); }
    TButtonLayout Layout() const { return FButton->Layout(); }
    void SetLayout(TButtonLayout v) { FButton->SetLayout(v); }
    int Margin() const { return FButton->Margin(); }
    void SetMargin(int v) { FButton->SetMargin(v); }
    int Spacing() const { return FButton->Spacing(); }
    void SetSpacing(int v) { FButton->SetSpacing(v); }
    bool ShowHint() const { return FButton->ShowHint(); }
    void SetShowHint(bool v) { FButton->SetShowHint(v); }
    bool ParentShowHint() const { return FButton->ParentShowHint(); }
    void SetParentShowHint(bool v) { FButton->SetParentShowHint(v); }
    QString Hint() const { return FButton->Hint(); }
    void SetHint(const QString& v) { FButton->SetHint(v); }
    void SetTag(int v) {
        TComponent::SetTag(v);
        FButton->SetTag(v);
    }
    int Left() const { return FButton->Left(); }
    void SetLeft(int v) { FButton->SetLeft(v); }
    int Top() const { return FButton->Top(); }
    void SetTop(int v) { FButton->SetTop(v); }
    bool WordWrap() const { return FButton->WordWrap(); }
    void SetWordWrap(bool v) { FButton->SetWordWrap(v); }

    void Click() { FButton->Click(); }
    // The editing mode of a setup window: enabled and not flat while on.
    void SetEditing(bool value);

    // Events live on the button.
    TNotifyEvent& OnClick() { return FButton->OnClick; }
    TNotifyEvent& OnDblClick() { return FButton->OnDblClick; }
    TMouseEvent& OnMouseDown() { return FButton->OnMouseDown; }
    TMouseMoveEvent& OnMouseMove() { return FButton->OnMouseMove; }
    TMouseEvent& OnMouseUp() { return FButton->OnMouseUp; }
    TNotifyEvent& OnMouseEnter() { return FButton->OnMouseEnter; }
    TNotifyEvent& OnMouseLeave() { return FButton->OnMouseLeave; }

private:
    friend class TSpeedBar;
    void UpdateButton();
    void ApplyHint(const QString& oldCaption, const QString& newCaption);

    QString FCaption;
    bool FEditing = false;
    bool FEnabled = true;
    TSpeedbarButton* FButton = nullptr;
    bool FVisible = false;
    bool FStored = true;
    TSpeedBar* FParent = nullptr;
    int FSection = -1;
    QString FSectionName;
    int FSectionIndex = 0;
    int FImageIndex = -1;
};

namespace controls::visual {
// The grid step along a bar for a button length S.
int SpeedBarGridStep(int buttonLength);
// The side a bar dropped at P (parent client coordinates, parent client size W x H) docks to.
TAlign SpeedBarDockSide(TPoint p, int width, int height);
// A coordinate snapped to the grid: nearest step (halves to even) or truncated.
int SnapToGrid(int position, int offset, int step, bool nearest);
}  // namespace controls::visual

class TSpeedBar : public TCustomPanel {
public:
    explicit TSpeedBar(TComponent* owner);
    ~TSpeedBar() override;

    // --- sections and items
    int SectionCount() const { return int(FSections.size()); }
    TSpeedbarSection* Sections(int index) const { return FSections.at(size_t(index)); }
    virtual int AppendSection(TSpeedbarSection* section);
    int AddSection(const QString& caption);
    void RemoveSection(int index);  // items leave the bar, the section stays
    void DeleteSection(int index);  // frees the section and its items
    int SearchSection(const QString& caption) const;
    TSpeedItem* SearchItem(const QString& itemName) const;
    void AddItem(int section, TSpeedItem* item);
    void RemoveItem(TSpeedItem* item);
    int ItemsCount(int section) const;
    TSpeedItem* Items(int section, int index) const;
    virtual void ForAllItems(int value, const std::function<void(int data, TSpeedItem* item, int value)>& proc,
                             int data = 0);
    virtual void ApplyDefaultFont();

    // --- look and layout
    TAlign Align() const { return TCustomPanel::Align(); }
    // ESpeedbarError for alNone or alClient while Position is bpAuto.
    void SetAlign(TAlign value);
    TBarPosition Position() const { return FPosition; }
    void SetPosition(TBarPosition value);
    TBarOrientation Orientation() const;
    void SetOrientation(TBarOrientation value);
    int BtnWidth() const { return FButtonSize.cx; }
    void SetBtnWidth(int value);
    int BtnHeight() const { return FButtonSize.cy; }
    void SetBtnHeight(int value);
    int BtnOffsetHorz() const { return FOffset.X; }
    void SetBtnOffsetHorz(int value);
    int BtnOffsetVert() const { return FOffset.Y; }
    void SetBtnOffsetVert(int value);
    int MinButtonsOffset() const;
    TPoint GridSize() const { return FGridSize; }
    TSpeedbarOptions Options() const { return FOptions; }
    void SetOptions(TSpeedbarOptions value);
    TBoundLines BoundLines() const { return FBoundLines; }
    void SetBoundLines(TBoundLines value);
    TPicture* Wallpaper() const { return FWallpaper.get(); }
    void SetWallpaper(TPicture* value) { FWallpaper->Assign(value); }
    TImageList* Images() const { return FImages; }
    void SetImages(TImageList* value);
    int Version() const { return FVersion; }
    void SetVersion(int value) { FVersion = value; }
    bool Locked() const { return FLocked; }
    void SetLocked(bool value) { FLocked = value; }
    // Places an item's button on the grid (visible items).
    void AlignItemToGrid(TSpeedItem* item);
    // Drops an item at a point of the bar: snapped, in front when inside, visible when inside.
    void DropItem(TSpeedItem* item, int x, int y);
    void CMVisibleChanged() override;
    void CMEnabledChanged() override;
    void CMSysColorChange();
    // Drag state (tests and the overlay).
    bool Dragging() const { return FDrag; }
    TRect DragFrame() const { return FFrameRect; }

    // --- layout persistence: one section of an ini file or registry branch
    // The form placement whose saves and restores carry the bar's layout (none: not kept).
    TFormPlacement* IniStorage() const;
    void SetIniStorage(TFormPlacement* value);
    QString LayoutSection(const QString& rootSection) const;
    void SaveLayout(TObject* iniObject, const QString& rootSection);
    void RestoreLayout(TObject* iniObject, const QString& rootSection);

    TApplyAlignEvent OnApplyAlign;
    TNotifyEvent OnPosChanged;
    TNotifyEvent OnVisibleChanged;
    TNotifyEvent OnCustomize;

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void AlignControls(TRect& rect) override;
    // Its buttons moved, showed or hid: the bar's least size follows them.
    void ControlsMoved() override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

private:
    friend class TSpeedItem;
    friend class TSpeedbarSection;
    void UpdateGridSize();
    void ButtonSizeChanged();
    void ChangeOrientation(TBarOrientation value);
    void RenumberSections();
    void ResizeButtons();
    void MoveButtons(int dx, int dy);
    void WallpaperChanged(TObject* sender);
    void ImageListChange(TObject* sender);
    void ApplyButtonParams(TSpeedItem* item);
    TRect FrameFor(TAlign side) const;
    TAlign TargetSide(int x, int y) const;
    void SetDragFrame(const TRect& r);
    void CheckSectionCaption(TSpeedbarSection* section, const QString& caption) const;
    void IniSave(TObject* sender);
    void IniLoad(TObject* sender);

    std::vector<TSpeedbarSection*> FSections;
    TBarPosition FPosition = bpAuto;
    TBarOrientation FOrientation = boHorizontal;
    TAlign FAlign = alTop;
    TSize FButtonSize{24, 23};
    TButtonStyle FButtonStyle = bsNew;
    TPoint FGridSize;
    TPoint FOffset;
    TRect FFrameRect;
    bool FFrameShown = false;
    TAlign FRectAlign = alTop;
    TSpeedbarOptions FOptions = sbAllowDrag | sbGrayedBtns;
    bool FUpdateLock = false;
    int FVersion = 0;
    bool FDrag = false;
    bool FPressed = false;
    TPoint FStartDrag;
    std::unique_ptr<TPicture> FWallpaper;
    TBoundLines FBoundLines = 0;
    TImageList* FImages = nullptr;
    std::unique_ptr<TChangeLink> FImageChangeLink;
    std::unique_ptr<TIniLink> FIniLink;
    bool FLocked = false;
    bool FAlignNoneRead = false;
};
