#pragma once
// The button glyph machinery shared by every small button (state images cut from one bitmap and
// kept in image lists shared by size), the speed button built on it, and the shadow label.
#include "platform/forms/Buttons.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Menus.h"
#include "platform/graphics/ImgList.h"

#include <array>
#include <memory>
#include <vector>

// Glyph states; also the order of the cells of a multi-image glyph bitmap.
enum TZbButtonState { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
enum TZbDropDownMenuPos { dmpBottom, dmpRight };
using TZbNumGlyphs = int;  // 1..5

// An image list of one size whose slots are handed out and given back one by one; a freed
// slot keeps its image until the next image of that size reuses it.
class TGlyphList : public TImageList {
public:
    TGlyphList(int width, int height);
    int Add(TBitmap* image, TBitmap* mask);
    int AddMasked(TBitmap* image, TColor maskColor);
    void Delete(int index);
    int UsedCount() const { return FCount; }

private:
    int AllocateIndex();
    std::vector<bool> FUsed;
    int FCount = 0;
};

// The image lists of every size in use, one per size.
class TGlyphCache : public TObject {
public:
    TGlyphList* GetList(int width, int height);
    // Frees the list when no slot of it is used any more.
    void ReturnList(TGlyphList* list);
    bool Empty() const { return FLists.empty(); }
    int ListCount() const { return int(FLists.size()); }

private:
    std::vector<std::unique_ptr<TGlyphList>> FLists;
};

namespace controls::visual {
// The program's one glyph cache (none until the first glyph object exists).
TGlyphCache* GlyphCacheInstance();

// Where picture and caption go inside a button (coordinates relative to the client's corner).
struct TGlyphLayout {
    TPoint GlyphPos;
    TPoint TextPos;
    TSize GlyphSize;  // after the drop-down mark's room is added
    TSize TextSize;
};
// The layout arithmetic on measured sizes: textSize is the caption's extent already cut to the
// available area; glyphSize the picture's.
TGlyphLayout LayoutGlyph(TSize client, TSize glyphSize, TSize textSize, TButtonLayout layout, int margin,
                         int spacing, bool popupMark);
// The width and height left for the caption.
TSize AvailableTextArea(TSize client, TSize glyphSize, TButtonLayout layout, int margin, int spacing,
                        bool popupMark);
// The new-style-controls flag of the class library: on.
constexpr bool NewStyleControls = true;
}  // namespace controls::visual

class TZbButtonGlyph : public TObject {
public:
    TZbButtonGlyph();
    ~TZbButtonGlyph() override;

    TBitmap* Glyph() const { return FOriginal.get(); }
    void SetGlyph(TBitmap* value);
    TZbNumGlyphs NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(TZbNumGlyphs value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value) { FWordWrap = value; }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value) { FAlignment = value; }
    TColor TransparentColor() const { return FTransparentColor; }

    // Drops every prepared state image.
    void Invalidate();
    // The state image of the glyph bitmap, or of an image of a list; index in GlyphList().
    int CreateButtonGlyph(TZbButtonState state);
    int CreateImageGlyph(TZbButtonState state, TImageList* images, int index);
    TGlyphList* GlyphList() const { return FGlyphList; }

    // Lays out and draws picture, caption and drop-down mark; returns the caption's rectangle.
    TRect Draw(TCanvas* canvas, const TRect& client, const QString& caption, unsigned textFlags,
               TZbButtonState state, TImageList* images, int imageIndex, bool popupMark, int spacing, int margin,
               TButtonLayout layout);
    TRect Draw(TCanvas* canvas, const TRect& client, const QString& caption, unsigned textFlags,
               TZbButtonState state, bool popupMark, int spacing, int margin, TButtonLayout layout) {
        return Draw(canvas, client, caption, textFlags, state, nullptr, -1, popupMark, spacing, margin, layout);
    }
    // Glyph position and caption rectangle without drawing.
    void CalcButtonLayout(TCanvas* canvas, const TRect& client, QString& caption, TButtonLayout layout, int margin,
                          int spacing, bool popupMark, TPoint& glyphPos, TRect& textBounds, unsigned flags,
                          TImageList* images, int imageIndex);

    TNotifyEvent OnChange;

private:
    void GlyphChanged(TObject* sender);
    void DrawButtonGlyph(TCanvas* canvas, TPoint pos, TZbButtonState state, TImageList* images, int imageIndex);
    void DrawButtonText(TCanvas* canvas, const QString& caption, TRect bounds, TZbButtonState state,
                        unsigned flags);
    void DrawPopupMark(TCanvas* canvas, int x, int y, TZbButtonState state);
    int AddToList(TBitmap* image, TColor maskColor);
    TGlyphList* ListFor(int width, int height);

    std::unique_ptr<TBitmap> FOriginal;
    TGlyphList* FGlyphList = nullptr;
    std::array<int, 5> FIndexs;
    TColor FTransparentColor = RGB(255, 0, 255);
    TZbNumGlyphs FNumGlyphs = 1;
    bool FWordWrap = false;
    TAlignment FAlignment = taCenter;
};

// Draws a raised button with its picture and caption anywhere (the floating button image).
class TButtonImage : public TObject {
public:
    TButtonImage();
    ~TButtonImage() override;
    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* value) { FGlyph->SetGlyph(value); }
    TZbNumGlyphs NumGlyphs() const { return FGlyph->NumGlyphs(); }
    void SetNumGlyphs(TZbNumGlyphs value) { FGlyph->SetNumGlyphs(value); }
    bool WordWrap() const { return FGlyph->WordWrap(); }
    void SetWordWrap(bool value) { FGlyph->SetWordWrap(value); }
    TAlignment Alignment() const { return FGlyph->Alignment(); }
    void SetAlignment(TAlignment value) { FGlyph->SetAlignment(value); }
    TSize ButtonSize() const { return FButtonSize; }
    void SetButtonSize(TSize value) { FButtonSize = value; }
    QString Caption() const { return FCaption; }
    void SetCaption(const QString& value) { FCaption = value; }
    void Draw(TCanvas* canvas, int x, int y, int margin, int spacing, TButtonLayout layout, TFont* font,
              TImageList* images, int imageIndex, unsigned flags);

private:
    std::unique_ptr<TZbButtonGlyph> FGlyph;
    TSize FButtonSize{24, 23};
    QString FCaption;
};

// One-pixel 3-D button frames; returns the area inside them.
TRect DrawButtonFrame(TCanvas* canvas, const TRect& client, bool pressed, TButtonStyle style, bool flat);

class TZbSpeedButton : public TGraphicControl {
public:
    explicit TZbSpeedButton(TComponent* owner);
    ~TZbSpeedButton() override;

    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value);
    TButtonStyle Style() const { return FStyle; }
    void SetStyle(TButtonStyle value);
    bool Down() const { return FDown; }
    void SetDown(bool value);
    bool Flat() const { return FFlat; }
    void SetFlat(bool value);
    bool AllowAllUp() const { return FAllowAllUp; }
    void SetAllowAllUp(bool value);
    TButtonLayout Layout() const { return FLayout; }
    void SetLayout(TButtonLayout value);
    int Spacing() const { return FSpacing; }
    void SetSpacing(int value);
    int Margin() const { return FMargin; }
    void SetMargin(int value);
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool MarkDropDown() const { return FMarkDropDown; }
    void SetMarkDropDown(bool value);
    TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
    void SetDropDownMenu(TPopupMenu* value);
    TZbDropDownMenuPos MenuPosition() const { return FMenuPosition; }
    void SetMenuPosition(TZbDropDownMenuPos value) { FMenuPosition = value; }
    bool GrayedInactive() const { return FGrayedInactive; }
    void SetGrayedInactive(bool value);
    bool AllowTimer() const { return FAllowTimer; }
    void SetAllowTimer(bool value);
    quint16 InitPause() const { return FInitPause; }
    void SetInitPause(quint16 value) { FInitPause = value; }
    quint16 RepeatInterval() const { return FRepeatInterval; }
    void SetRepeatInterval(quint16 value) { FRepeatInterval = value; }

    TBitmap* Glyph() const { return FGlyph->Glyph(); }
    void SetGlyph(TBitmap* value);
    TZbNumGlyphs NumGlyphs() const { return FGlyph->NumGlyphs(); }
    void SetNumGlyphs(TZbNumGlyphs value);
    TAlignment Alignment() const { return FGlyph->Alignment(); }
    void SetAlignment(TAlignment value);
    bool WordWrap() const { return FGlyph->WordWrap(); }
    void SetWordWrap(bool value);

    // The paint state (one of the glyph states) and whether the pointer is over the button.
    TZbButtonState State() const { return FState; }
    bool MouseInControl() const { return FMouseInside; }
    // The auto-repeat timer (none until the first press with AllowTimer).
    TTimer* RepeatTimer() const { return FRepeatTimer; }
    // The glyph object (for the toolbar and edit buttons built on this one).
    TZbButtonGlyph* ButtonGlyph() const { return FGlyph.get(); }
    // Live buttons of the program.
    static int ButtonCount();

    void Click() override;
    // The keyboard or program click of the edit controls: shows the button pressed briefly.
    void ButtonClick();
    // Another member of the group went down.
    void ButtonPressed(int group, TZbSpeedButton* sender);
    // Recomputes whether the pointer is over the button; raises enter or leave on a change.
    void UpdateTracking();

    void CMEnabledChanged() override;
    void CMVisibleChanged() override;
    void CMFontChanged() override;
    void CMTextChanged() override;
    void CMMouseEnter() override;
    void CMMouseLeave() override;
    bool CMDialogChar(QChar ch) override;
    // System colours changed: the prepared images are made again.
    void CMSysColorChange();

protected:
    void Loaded() override;
    void Notification(TComponent* component, TOperation operation) override;
    void Paint() override;
    virtual void PaintFace(TCanvas* canvas, const TRect& client, TZbButtonState state, bool dropDownMark);
    void DblClick() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // The picture for the current state is prepared at once.
    void UpdateGlyphState();
    bool Inside(int x, int y) const { return x >= 0 && x < Width() && y >= 0 && y <= Height(); }

    // The buttons built on this one (edit, calendar and calculator buttons) read and set these.
    TZbButtonState FState = rbsUp;
    bool FDragging = false;
    bool FMouseInside = false;
    bool FMenuTracking = false;
    std::unique_ptr<TBitmap> FDrawImage;

private:
    void GlyphChanged(TObject* sender);
    void UpdateExclusive();
    void TimerExpired(TObject* sender);
    void ReleaseAt(int x, int y);
    bool CheckMenuDropDown(int x, int y);
    void DropQueuedPresses();

    int FGroupIndex = 0;
    TButtonStyle FStyle = bsAutoDetect;
    std::unique_ptr<TZbButtonGlyph> FGlyph;
    bool FDown = false;
    bool FFlat = false;
    bool FAllowAllUp = false;
    TButtonLayout FLayout = blGlyphTop;
    int FSpacing = 1;
    int FMargin = -1;
    TModalResult FModalResult = mrNone;
    bool FTransparent = false;
    bool FMarkDropDown = true;
    TPopupMenu* FDropDownMenu = nullptr;
    TZbDropDownMenuPos FMenuPosition = dmpBottom;
    bool FGrayedInactive = true;
    TTimer* FRepeatTimer = nullptr;
    bool FAllowTimer = false;
    quint16 FInitPause = 500;
    quint16 FRepeatInterval = 100;
};

// ------------------------------------------------------------------ shadow label

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

class TZbCustomLabel : public TGraphicControl {
public:
    explicit TZbCustomLabel(TComponent* owner);
    ~TZbCustomLabel() override;

    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    TColor ShadowColor() const { return FShadowColor; }
    void SetShadowColor(TColor value);
    quint8 ShadowSize() const { return FShadowSize; }
    void SetShadowSize(quint8 value);
    TShadowPosition ShadowPos() const { return FShadowPos; }
    void SetShadowPos(TShadowPosition value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    bool ShowFocus() const { return FShowFocus; }
    bool Transparent() const { return !(ControlStyle() & csOpaque); }
    void SetTransparent(bool value);
    bool MouseInControl() const { return FMouseInside; }

    virtual TColor CurrentTextColor() const { return Font()->Color(); }
    virtual QString DisplayText() const { return Caption(); }
    // Re-sizes the label to its text when AutoSize is on.
    void AdjustBounds();
    void UpdateTracking();

    void CMTextChanged() override;
    void CMFontChanged() override;
    bool CMDialogChar(QChar ch) override;
    void CMMouseEnter() override;
    void CMMouseLeave() override;
    void CMEnabledChanged() override;
    void CMVisibleChanged() override;
    // Told by the form when the focus moves (the focus rectangle follows FocusControl).
    void FocusChanged(TWinControl* focused);

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    // Draws (or with DT_CALCRECT measures) the caption with its shadow.
    void DoDrawText(TCanvas* canvas, TRect& rect, unsigned flags);

    int FLeftMargin = 0;
    int FRightMargin = 0;

private:
    void HookFocusControl(bool install);

    int FFocusHook = 0;
    TWinControl* FFocusControl = nullptr;
    TAlignment FAlignment = taLeftJustify;
    bool FAutoSize = true;
    TTextLayout FLayout = tlTop;
    TColor FShadowColor = clBtnHighlight;
    quint8 FShadowSize = 1;
    TShadowPosition FShadowPos = spLeftTop;
    bool FWordWrap = false;
    bool FShowAccelChar = true;
    bool FShowFocus = false;
    bool FFocused = false;
    bool FMouseInside = false;
    bool FPressed = false;
};

class TZbLabel : public TZbCustomLabel {
public:
    explicit TZbLabel(TComponent* owner) : TZbCustomLabel(owner) {}
};

// Draws text and its shadow; returns the union of both rectangles (used when measuring).
TRect DrawShadowText(TCanvas* canvas, const QString& text, TRect rect, unsigned flags, int shadowSize,
                     TColor shadowColor, TShadowPosition position);
