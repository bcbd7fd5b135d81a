#include "controls/edit/ToolEdit.h"

#include "controls/edit/PickDate.h"
#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/DateHelpers.h"
#include "controls/visual/FileNameHelpers.h"
#include "controls/visual/StrHelpers.h"
#include "platform/forms/Beep.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

#include <QCoreApplication>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <algorithm>
#include <set>

using platform::forms::MessageBeep;

namespace {
// The scroll-bar width of the system (SM_CXVSCROLL).
constexpr int VScrollWidth = 17;
// The frame Qt draws around a bordered edit: the client area starts inside it.
constexpr int EditFrame = 2;

// Transparent colour of the glyphs drawn here (the bottom-left pixel).
constexpr TColor GlyphBack = clOlive;

std::unique_ptr<TBitmap> NewGlyph(int w, int h) {
    auto b = std::make_unique<TBitmap>();
    b->SetWidth(w);
    b->SetHeight(h);
    b->Canvas()->Brush()->SetColor(GlyphBack);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

// Draws a glyph image of `cells` states, the second in grey (disabled).
using TGlyphPainter = void (*)(TCanvas*, int x, TColor ink);
std::unique_ptr<TBitmap> MakeGlyph(int cells, TGlyphPainter paint) {
    auto b = NewGlyph(16 * cells, 16);
    for (int i = 0; i < cells; ++i) paint(b->Canvas(), 16 * i, i == 1 ? clGray : clBlack);
    return b;
}

void PaintCalendar(TCanvas* c, int x, TColor ink) {
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(x + 2, 3, x + 14, 14));
    c->Brush()->SetColor(ink == clBlack ? clMaroon : clGray);
    c->FillRect(Rect(x + 2, 3, x + 14, 6));
    c->Brush()->SetColor(ink);
    c->FrameRect(Rect(x + 2, 3, x + 14, 14));
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 4; ++k) c->SetPixel(x + 4 + 3 * k, 7 + 2 * r, ink);
}

void PaintFolder(TCanvas* c, int x, TColor ink) {
    c->Brush()->SetColor(ink == clBlack ? clYellow : clSilver);
    c->FillRect(Rect(x + 1, 5, x + 15, 14));
    c->Brush()->SetColor(ink);
    c->FrameRect(Rect(x + 1, 5, x + 15, 14));
    c->FrameRect(Rect(x + 1, 3, x + 7, 6));
}

void PaintCalculator(TCanvas* c, int x, TColor ink) {
    c->Brush()->SetColor(clSilver);
    c->FillRect(Rect(x + 3, 1, x + 13, 15));
    c->Brush()->SetColor(ink);
    c->FrameRect(Rect(x + 3, 1, x + 13, 15));
    c->Brush()->SetColor(ink == clBlack ? clTeal : clGray);
    c->FillRect(Rect(x + 5, 3, x + 11, 6));
    c->Brush()->SetColor(ink);
    for (int r = 0; r < 3; ++r)
        for (int k = 0; k < 3; ++k) c->FillRect(Rect(x + 5 + 2 * k, 8 + 2 * r, x + 6 + 2 * k, 9 + 2 * r));
}

// A windowed box for the button, inside the edit's right edge.
class TButtonContainer : public TCustomControl {
public:
    explicit TButtonContainer(TComponent* owner) : TCustomControl(owner) {
        Widget()->setFocusPolicy(Qt::NoFocus);
        Widget()->setCursor(Qt::ArrowCursor);
    }
};
}  // namespace

// ---------------------------------------------------------------------------------------------
// Popup window

TPopupWindow::TPopupWindow(TWinControl* owner) : TCustomControl(owner), FEditControl(owner) {
    SetCtl3D(false);
    SetParentCtl3D(false);
    SetVisible(false);
    SetParent(owner);
    MakePopupWindow();
    Widget()->setFocusPolicy(Qt::NoFocus);
}

void TPopupWindow::AdjustClientRect(TRect& rect) const { InflateRect(rect, -1, -1); }

void TPopupWindow::Paint() {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
    Canvas()->Brush()->SetColor(clWindowFrame);
    Canvas()->FrameRect(ClientRect());
}

void TPopupWindow::CloseUp(bool accept) { OnCloseUp(this, accept); }

void TPopupWindow::Show(TPoint origin) {
    SetBounds(origin.X, origin.Y, Width(), Height());
    SetVisible(true);
}

void TPopupWindow::Hide() { SetVisible(false); }

void TPopupWindow::RepaintEditor() {
    if (auto* combo = dynamic_cast<TCustomComboEdit*>(FEditControl)) {
        combo->Widget()->repaint(0, 0, combo->Width() - combo->ButtonContainer()->Width() - 2, combo->Height() + 1);
    } else if (FEditControl) {
        FEditControl->Widget()->repaint();
    }
}

void TPopupWindow::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseUp(button, shift, x, y);
    if (button == mbLeft) CloseUp(x >= 0 && y >= 0 && x < Width() && y < Height());
}

// ---------------------------------------------------------------------------------------------
// Edit button

TEditButton::TEditButton(TComponent* owner) : TZbSpeedButton(owner) {
    // The speed button raises its own click on release; the control-level click stays off.
    SetParentShowHint(true);
}

namespace {
TCustomComboEdit* ComboOf(TControl* button) {
    for (TControl* c = button->Parent(); c; c = c->Parent())
        if (auto* e = dynamic_cast<TCustomComboEdit*>(c)) return e;
    return nullptr;
}
}  // namespace

void TEditButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        if (TCustomComboEdit* edit = ComboOf(this)) {
            FSkipClick = edit->Popup() && edit->PopupVisible();
            if (FSkipClick) edit->CloseUpPopup(edit->Popup(), true);
            else if (edit->TabStop() && edit->CanFocus() && !edit->Focused()) edit->SetFocus();
        }
    }
    TZbSpeedButton::MouseDown(button, shift, x, y);
}

void TEditButton::Click() {
    if (FSkipClick) {
        FSkipClick = false;
        return;
    }
    TZbSpeedButton::Click();
}

void TEditButton::Paint() {
    TZbSpeedButton::Paint();
    if (State() == rbsDown) return;
    TCanvas* c = Canvas();
    c->Pen()->SetColor(controls::visual::NewStyleControls ? clBtnFace : clBtnShadow);
    c->MoveTo(0, 0);
    c->LineTo(0, Height() - 1);
    c->Pen()->SetColor(clBtnHighlight);
    c->MoveTo(1, 1);
    c->LineTo(1, Height() - 2);
}

// ---------------------------------------------------------------------------------------------
// Combo edit

TCustomComboEdit::TCustomComboEdit(TComponent* owner) : TCustomMaskEdit(owner) {
    SetTabStop(true);
    FBtnControl = new TButtonContainer(this);
    FBtnControl->SetBounds(0, 0, 21, 17);
    FBtnControl->SetParent(this);
    FButton = new TEditButton(this);
    FButton->SetBounds(0, 0, 21, 17);
    FButton->SetParent(FBtnControl);
    FButton->OnClick = TNotifyEvent(this, &TCustomComboEdit::ButtonPressed);
    SetHeight(21);
    FCreating = false;
    LayoutButton();
}

TCustomComboEdit::~TCustomComboEdit() {
    if (FButton) FButton->OnClick = TNotifyEvent();
    DestroyComponents();
}

void TCustomComboEdit::Notification(TComponent* component, TOperation operation) {
    TCustomMaskEdit::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == FButton) FButton = nullptr;
    if (component == FBtnControl) FBtnControl = nullptr;
    if (component == FPopup) FPopup = nullptr;
}

void TCustomComboEdit::SetReadOnly(bool v) {
    FReadOnly = v;
    ApplyDirectInput();
}

void TCustomComboEdit::SetDirectInput(bool v) {
    FDirectInput = v;
    ApplyDirectInput();
}

void TCustomComboEdit::ApplyDirectInput() { TCustomMaskEdit::SetReadOnly(!FDirectInput || FReadOnly); }

void TCustomComboEdit::SetEditAlignment(TAlignment v) {
    if (v == FAlignment) return;
    FAlignment = v;
    SetAlignment(v);
}

int TCustomComboEdit::ButtonWidth() const { return FButton ? FButton->Width() : 0; }

void TCustomComboEdit::SetButtonWidth(int v) {
    if (v == ButtonWidth() && FBtnControl->Width() == v) return;
    FBtnControl->SetVisible(v > 1);
    if (FCreating || v < ClientWidth()) {
        FBtnControl->SetWidth(v);
        FButton->SetWidth(v);
        FButton->SetControlStyle(FButton->ControlStyle() & ~csFixedWidth);
        LayoutButton();
        RebuildGlyph();
    }
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind v) {
    FGlyphKind = v;
    RebuildGlyph();
    if (v == gkDefault && FButton->Glyph() && !FButton->Glyph()->Empty())
        SetButtonWidth(std::max(FButton->Glyph()->Width() / std::max(1, FButton->NumGlyphs()) + 6, ButtonWidth()));
    else if (v == gkDropDown) {
        SetButtonWidth(VScrollWidth);
        FButton->SetControlStyle(FButton->ControlStyle() | csFixedWidth);
    }
}

void TCustomComboEdit::SetGlyph(TBitmap* v) {
    FButton->SetGlyph(v);
    FGlyphKind = gkCustom;
}

void TCustomComboEdit::SetNumGlyphs(int v) {
    if (FGlyphKind == gkDropDown || FGlyphKind == gkEllipsis) v = 1;
    else if (FGlyphKind == gkDefault) v = FDefNumGlyphs;
    FButton->SetNumGlyphs(v);
}

void TCustomComboEdit::RebuildGlyph() {
    switch (FGlyphKind) {
    case gkDefault:
        if (auto g = DefaultGlyph()) {
            FButton->SetGlyph(g.get());
            FButton->SetNumGlyphs(FDefNumGlyphs);
        }
        break;
    case gkDropDown: {
        auto g = NewGlyph(7, 4);
        for (int r = 0; r < 4; ++r)
            for (int x = r; x < 7 - r; ++x) g->Canvas()->SetPixel(x, r, clBlack);
        FButton->SetGlyph(g.get());
        FButton->SetNumGlyphs(1);
        break;
    }
    case gkEllipsis: {
        const int w = std::max(1, ButtonWidth() - 6);
        auto g = std::make_unique<TBitmap>();
        g->SetWidth(w);
        g->SetHeight(4);
        g->Canvas()->Brush()->SetColor(clWhite);
        g->Canvas()->FillRect(Rect(0, 0, w, 4));
        const int gap = std::clamp((w - 6) / 2, 1, 3);
        int x = (w - 6 - 2 * gap) / 2;
        g->Canvas()->Brush()->SetColor(clBlack);
        for (int i = 0; i < 3; ++i) {
            g->Canvas()->FillRect(Rect(x, 1, x + 2, 3));
            x += gap + 2;
        }
        FButton->SetGlyph(g.get());
        FButton->SetNumGlyphs(1);
        break;
    }
    case gkCustom: break;
    }
}

int TCustomComboEdit::MinEditHeight() const {
    const int sys = QFontMetrics(Application->MainForm() ? Application->MainForm()->Font()->ToQFont() : QFont())
                        .height();
    const int own = QFontMetrics(Font()->ToQFont()).height();
    return 4 * 1 + std::min(sys, own) + 1;
}

void TCustomComboEdit::BoundsChanged(bool sizeChanged) {
    TCustomMaskEdit::BoundsChanged(sizeChanged);
    if (!FBtnControl) return;
    const int minHeight = MinEditHeight();
    if (Height() < minHeight) {
        SetHeight(minHeight);
        return;
    }
    LayoutButton();
}

void TCustomComboEdit::LayoutButton() {
    if (!FBtnControl) return;
    const int bw = FBtnControl->Width();
    if (BorderStyle() == bsSingle)
        FBtnControl->SetBounds(Width() - bw - EditFrame, EditFrame, bw, Height() - 2 * EditFrame);
    else
        FBtnControl->SetBounds(Width() - bw, 0, bw, Height());
    FButton->SetBounds(0, 0, bw, FBtnControl->Height());
    UpdateEditRect();
}

void TCustomComboEdit::UpdateEditRect() {
    const int right = FBtnControl && FBtnControl->Visible() ? FBtnControl->Width() + 2 : 0;
    LineEdit()->setTextMargins(0, 0, right, 0);
}

void TCustomComboEdit::ShowEditCaret() { LineEdit()->setCursorMoveStyle(Qt::LogicalMoveStyle); }

void TCustomComboEdit::SyncPopupVisible() { FPopupVisible = FPopup && FPopup->Visible(); }

void TCustomComboEdit::TakeFocus() {
    try {
        if (CanFocus() && !Focused()) SetFocus();
    } catch (const Exception&) {
        // a focus that cannot be taken is no reason to stop closing the popup
    }
}

void TCustomComboEdit::DropDown(bool lockText) {
    if (!FPopup || GetReadOnly() || FPopupVisible) return;
    TPoint p = ClientToScreen(Point(0, 0));
    // The edges are those of the monitor the edit is on, which need not be the main one.
    const TRect screen = Screen->MonitorRect(p);
    int y = p.Y + Height();
    if (y + FPopup->Height() > screen.Bottom) y = p.Y - FPopup->Height();
    if (FPopupAlign == epaRight) {
        p.X -= FPopup->Width() - Width();
        if (p.X < screen.Left) p.X += FPopup->Width() - Width();
    } else if (p.X + FPopup->Width() > screen.Right) {
        p.X -= FPopup->Width() - Width();
    }
    if (p.X < screen.Left) p.X = screen.Left;
    else if (p.X + FPopup->Width() > screen.Right) p.X = screen.Right - FPopup->Width();
    const QString text = Text();
    if (!text.isEmpty()) SetPopupValue(Variant(text));
    else SetPopupValue(Variant::Null());
    TakeFocus();
    ShowPopup(Point(p.X, y));
    FPopupVisible = true;
    if (lockText) TCustomMaskEdit::SetReadOnly(true);
}

void TCustomComboEdit::ShowPopup(TPoint origin) { FPopup->Show(origin); }

void TCustomComboEdit::HidePopup() { FPopup->Hide(); }

bool TCustomComboEdit::CanAcceptPopup(Variant&) { return true; }

void TCustomComboEdit::SetPopupValue(const Variant& value) {
    if (FPopup) FPopup->SetValue(value);
}

Variant TCustomComboEdit::GetPopupValue() { return FPopup ? FPopup->GetValue() : Variant(QString()); }

void TCustomComboEdit::CloseUpPopup(TObject*, bool accept) {
    if (!FPopup || !FPopupVisible) return;
    if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    Variant value = GetPopupValue();
    HidePopup();
    try {
        TakeFocus();
        if (Focused()) ShowEditCaret();
        ApplyDirectInput();
        Invalidate();
        if (accept && CanAcceptPopup(value) && EditCanModify()) {
            ApplyPopupValue(value);
            if (Focused()) TCustomMaskEdit::SelectAll();
        }
    } catch (...) {
        FPopupVisible = false;
        throw;
    }
    FPopupVisible = false;
}

void TCustomComboEdit::ApplyPopupValue(const Variant& value) {
    const QString s = value.AsString();
    if (Text() == s) return;
    SetText(s);
    SetModified(true);
    SyncPopupVisible();
    DoChange();
}

void TCustomComboEdit::ButtonPressed(TObject*) {
    if (FReadOnly && !FAlwaysEnableButton) return;
    DoButtonClick();
}

void TCustomComboEdit::DoButtonClick() {
    OnButtonClick(this);
    if (!FPopup) return;
    if (FPopupVisible) CloseUpPopup(FPopup, true);
    else DropDown(true);
}

void TCustomComboEdit::SelectAll() {
    if (FDirectInput) TCustomMaskEdit::SelectAll();
}

void TCustomComboEdit::WMPaste() { TCustomMaskEdit::PasteFromClipboard(); }

void TCustomComboEdit::WMCut() { TCustomMaskEdit::CutToClipboard(); }

void TCustomComboEdit::PasteFromClipboard() {
    if (FDirectInput && !GetReadOnly()) WMPaste();
}

void TCustomComboEdit::CutToClipboard() {
    if (FDirectInput && !GetReadOnly()) WMCut();
}

bool TCustomComboEdit::WantsKey(quint16 key, TShiftState shift) const {
    // Enter and Esc come here first: they close the popup or go to the form from KeyPress.
    if (key == VK_RETURN || key == VK_ESCAPE) return true;
    return TCustomMaskEdit::WantsKey(key, shift);
}

void TCustomComboEdit::KeyDown(quint16& key, TShiftState shift) {
    // An open popup takes Enter and Esc before a form that previews the typed keys can take
    // Enter as "next control" (which would drop the value chosen in the popup).
    if ((key == VK_RETURN || key == VK_ESCAPE) && FPopup && FPopupVisible) {
        QChar typed(key == VK_RETURN ? 13 : 27);
        KeyPress(typed);
        key = 0;
        return;
    }
    const bool paste = (key == 'V' && shift == ssCtrl) || (key == VK_INSERT && shift == ssShift);
    const bool cut = (key == 'X' && shift == ssCtrl) || (key == VK_DELETE && shift == ssShift);
    if (paste || cut) {
        if (FDirectInput && !GetReadOnly()) {
            if (paste) WMPaste();
            else WMCut();
        }
        key = 0;
        return;
    }
    TCustomMaskEdit::KeyDown(key, shift);
    if (key != 0 && ShortCut(key, shift) == FClickKey && ButtonWidth() > 0) {
        ButtonPressed(this);
        key = 0;
    }
}

void TCustomComboEdit::KeyPress(QChar& key) {
    const bool enter = key == QChar(13), esc = key == QChar(27);
    if ((enter || esc) && FPopup && FPopupVisible) {
        CloseUpPopup(FPopup, enter);
        key = QChar();
        return;
    }
    if (enter || esc) {
        if (TCustomForm* form = GetParentForm(this)) form->CMDialogKey(enter ? VK_RETURN : VK_ESCAPE, 0);
        if (enter) {
            if (!key.isNull()) TCustomMaskEdit::KeyPress(key);
            key = QChar();
            return;
        }
    }
    // A locked or read-only text takes no typing.
    if (!key.isNull() && (key.unicode() >= 32 || key == QChar(8)) && LineEdit()->isReadOnly()) {
        key = QChar();
        return;
    }
    TCustomMaskEdit::KeyPress(key);
}

void TCustomComboEdit::Change() {
    if (FPopupVisible) PopupTextChanged();
    else DoChange();
}

void TCustomComboEdit::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && FPopup) {
        TakeFocus();
        if (!Focused()) return;
        if (FPopupVisible) CloseUpPopup(FPopup, false);
    }
    TCustomMaskEdit::MouseDown(button, shift, x, y);
}

void TCustomComboEdit::DoEnter() {
    // The text is selected on entry only when it can be typed into.
    if (FDirectInput) TCustomMaskEdit::DoEnter();
    else TWinControl::DoEnter();
}

void TCustomComboEdit::DoExit() {
    CloseUpPopup(FPopup, false);
    TCustomMaskEdit::DoExit();
}

void TCustomComboEdit::CMCancelMode(TControl* sender) {
    TCustomMaskEdit::CMCancelMode(sender);
    if (!FPopup || sender == this || sender == FPopup || sender == FButton || sender == FBtnControl) return;
    for (TControl* c = sender; c; c = c->Parent())
        if (c == FPopup) return;
    CloseUpPopup(FPopup, false);
}

void TCustomComboEdit::CMEnabledChanged() {
    TCustomMaskEdit::CMEnabledChanged();
    if (FButton) FButton->SetEnabled(Enabled());
}

void TCustomComboEdit::CMFontChanged() {
    TCustomMaskEdit::CMFontChanged();
    if (FBtnControl) UpdateEditRect();
}

TComboEdit::TComboEdit(TComponent* owner) : TCustomComboEdit(owner) {}

// ---------------------------------------------------------------------------------------------

namespace controls::edit {
std::unique_ptr<TBitmap> CalcEditGlyph() { return MakeGlyph(2, PaintCalculator); }

bool PaintComboEdit(TCustomComboEdit* editor, const QString& text, TAlignment alignment, bool standardPaint,
                    TCanvas* canvas, QPainter* painter) {
    if (standardPaint) return false;
    canvas->Attach(painter);
    canvas->Font()->Assign(editor->Font());
    if (!editor->Enabled() && editor->Color() != clGrayText) canvas->Font()->SetColor(clGrayText);
    TRect r = editor->ClientRect();
    if (editor->BorderStyle() == bsSingle) {
        canvas->Brush()->SetColor(clBtnShadow);
        canvas->FrameRect(r);
        InflateRect(r, -1, -1);
    }
    canvas->Brush()->SetColor(editor->Color());
    canvas->FillRect(r);
    const int w = canvas->TextWidth(text);
    const int my = editor->BorderStyle() == bsSingle ? 2 : 0;
    const int mx = 1 + my;
    const int bw = editor->ButtonContainer()->Visible() ? editor->ButtonWidth() : 0;
    int left = mx;
    if (!editor->PopupVisible()) {
        if (alignment == taRightJustify) left = editor->ClientWidth() - bw - w - mx - 2;
        else if (alignment == taCenter) left = (editor->ClientWidth() - bw - w) / 2;
    }
    const int top = (editor->ClientHeight() - canvas->TextHeight(QStringLiteral("Ay"))) / 2;
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextRect(r, left, std::max(my, top), text);
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Detach();
    return true;
}
}  // namespace controls::edit

// ---------------------------------------------------------------------------------------------
// Date edit

namespace {
std::set<TCustomDateEdit*>& DateEdits() {
    static std::set<TCustomDateEdit*> edits;
    return edits;
}
}  // namespace

namespace {
// Watches the application for changed format settings and re-formats its date edit.
class TSettingsHook : public QObject {
public:
    explicit TSettingsHook(TCustomDateEdit* edit) : FEdit(edit) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == QCoreApplication::instance() && event->type() == QEvent::LocaleChange &&
            Application->UpdateFormatSettings())
            platform::forms::Guarded(FEdit, [this] { FEdit->UpdateMask(); });
        return false;
    }

private:
    TCustomDateEdit* FEdit;
};
}  // namespace

TCustomDateEdit::TCustomDateEdit(TComponent* owner)
    : TCustomComboEdit(owner), FTitle(ResStr(61262)), FCalendarHints(std::make_unique<TStringList>()) {
    FDefNumGlyphs = 2;
    FCalendarHints->OnChange = [this](TObject*) { CalendarHintsChanged(); };
    FCreating = true;
    RefreshDateFormat();
    CreatePopup();
    SetGlyphKind(gkDefault);
    FCreating = false;
    UpdateMask();
    DateEdits().insert(this);
    if (!(ComponentState() & csDesigning) && QCoreApplication::instance()) {
        FSettingsHook = std::make_unique<TSettingsHook>(this);
        QCoreApplication::instance()->installEventFilter(FSettingsHook.get());
    }
}

TCustomDateEdit::~TCustomDateEdit() {
    FSettingsHook.reset();
    DateEdits().erase(this);
    FCalendarHints->OnChange = TNotifyEvent();
    if (Popup()) Popup()->OnCloseUp = TEvent<TObject*, bool>();
    DestroyComponents();
}

void TCustomDateEdit::CreatePopup() {
    TPopupWindow* p = CreatePopupCalendar(this);
    p->OnCloseUp = [this](TObject* sender, bool accept) { CloseUpPopup(sender, accept); };
    p->SetColor(FPopupColor);
    SetPopup(p);
    SetupPopup();
}

std::unique_ptr<TBitmap> TCustomDateEdit::DefaultGlyph() { return MakeGlyph(2, PaintCalendar); }

bool TCustomDateEdit::FourDigitYearInUse() const {
    return FYearDigits == dyFour || (FYearDigits == dyDefault && FourDigitYear);
}

void TCustomDateEdit::RefreshDateFormat() { FDateFormat = DefDateFormat(FourDigitYearInUse()).left(10); }

void TCustomDateEdit::UpdateMask() {
    const TDateTime d = Date();
    const QString oldFormat = FDateFormat;
    RefreshDateFormat();
    const QString mask = DefDateMask(FBlanksChar, FourDigitYearInUse());
    if (mask != EditMask() || oldFormat != FDateFormat) {
        SetEditMask(QString());
        SetEditMask(mask);
    }
    SetupPopup();
    SetDate(d);
}

void TCustomDateEdit::SetupPopup() {
    if (Popup()) SetupPopupCalendar(Popup(), FStartOfWeek, FWeekends, FWeekendColor, FCalendarHints.get());
}

void TCustomDateEdit::CalendarHintsChanged() {
    if (FHintsChanging) return;
    FHintsChanging = true;
    while (FCalendarHints->Count() > 4) FCalendarHints->Delete(FCalendarHints->Count() - 1);
    FHintsChanging = false;
    SetupPopup();
}

void TCustomDateEdit::SetBlanksChar(QChar v) {
    if (v.unicode() < 32) v = QLatin1Char(' ');
    if (v == FBlanksChar) return;
    FBlanksChar = v;
    UpdateMask();
}

void TCustomDateEdit::SetStartOfWeek(TDayOfWeekName v) {
    if (v == FStartOfWeek) return;
    FStartOfWeek = v;
    SetupPopup();
}

void TCustomDateEdit::SetWeekends(TDaysOfWeek v) {
    if (v == FWeekends) return;
    FWeekends = v;
    SetupPopup();
}

void TCustomDateEdit::SetWeekendColor(TColor v) {
    if (v == FWeekendColor) return;
    FWeekendColor = v;
    SetupPopup();
}

void TCustomDateEdit::SetYearDigits(TYearDigits v) {
    if (v == FYearDigits) return;
    FYearDigits = v;
    UpdateMask();
}

void TCustomDateEdit::SetCalendarStyle(TCalendarStyle v) {
    if (v == CalendarStyle()) return;
    if (v == csPopup) {
        CreatePopup();
    } else {
        TPopupWindow* p = Popup();
        CloseUpPopup(p, false);
        SetPopup(nullptr);
        p->OnCloseUp = TEvent<TObject*, bool>();
        delete p;
    }
}


TDateTime TCustomDateEdit::Date() {
    const TDateTime def = FDefaultToday ? ::Date() : TDateTime(NullDate);
    return StrToDateFmtDef(FDateFormat, Text(), def);
}

void TCustomDateEdit::SetDate(TDateTime value) {
    if (!IsValidDate(value) || value.Val == NullDate) value = FDefaultToday ? ::Date() : TDateTime(NullDate);
    const TDateTime old = Date();
    SetText(value.Val != NullDate ? FormatDateTime(FDateFormat, value) : QString());
    SetModified(Date().Val != old.Val);
}

void TCustomDateEdit::ApplyDate(TDateTime value) {
    SetDate(value);
    SelectAll();
}

bool TCustomDateEdit::HasDateText() const {
    for (QChar c : const_cast<TCustomDateEdit*>(this)->Text())
        if (c != QChar() && c != QLatin1Char(' ') && c != FormatSettings.DateSeparator && c != FBlanksChar) return true;
    return false;
}

void TCustomDateEdit::CheckValidDate() {
    if (!HasDateText()) return;
    FFormatting = true;
    try {
        SetDate(StrToDateFmt(FDateFormat, Text()));
    } catch (...) {
        FFormatting = false;
        TakeFocus();
        throw;
    }
    FFormatting = false;
}

void TCustomDateEdit::DoExit() {
    if (FCheckOnExit) CheckValidDate();
    TCustomComboEdit::DoExit();
}

void TCustomDateEdit::Change() {
    if (!FFormatting) TCustomComboEdit::Change();
}

namespace {
TDateTime DateOrDefault(TDateTime d, TDateTime x) { return d.Val == NullDate ? x : d; }
}  // namespace

void TCustomDateEdit::KeyDown(quint16& key, TShiftState shift) {
    const bool nav = key == VK_PRIOR || key == VK_NEXT || key == VK_LEFT || key == VK_RIGHT || key == VK_UP ||
                     key == VK_DOWN || key == VK_ADD || key == VK_SUBTRACT;
    if (nav && PopupVisible() && Popup()) {
        Popup()->KeyDown(key, shift);
        key = 0;
        return;
    }
    if (shift == 0 && DirectInput() && (key == VK_ADD || key == VK_SUBTRACT)) {
        if (!GetReadOnly()) ApplyDate(DateOrDefault(Date(), Now()).Val + (key == VK_ADD ? 1 : -1));
        key = 0;
        return;
    }
    TCustomComboEdit::KeyDown(key, shift);
}

void TCustomDateEdit::KeyPress(QChar& key) {
    const bool special = key == QLatin1Char('+') || key == QLatin1Char('-') || key == QLatin1Char('t') ||
                         key == QLatin1Char('T');
    if (special && PopupVisible() && Popup()) {
        Popup()->KeyPress(key);
        key = QChar();
        return;
    }
    if (special && DirectInput()) {
        if (key == QLatin1Char('t') || key == QLatin1Char('T')) ApplyDate(std::trunc(double(Now())));
        key = QChar();
        return;
    }
    TCustomComboEdit::KeyPress(key);
}

void TCustomDateEdit::DoButtonClick() {
    TCustomComboEdit::DoButtonClick();
    if (Popup()) return;
    TDateTime d = Date();
    bool action = SelectDate(d, FTitle, FStartOfWeek, FWeekends, FWeekendColor, FCalendarHints.get());
    TakeFocus();
    if (action) {
        OnAcceptDate(this, d, action);
        if (action) {
            SetDate(d);
            if (Focused()) SelectAll();
        }
    }
}

void TCustomDateEdit::SetPopupValue(const Variant& value) {
    const QString text = value.IsNullOrEmpty() ? QString() : value.AsString();
    TCustomComboEdit::SetPopupValue(Variant(StrToDateFmtDef(FDateFormat, text, ::Date())));
}

bool TCustomDateEdit::CanAcceptPopup(Variant& value) {
    bool result = true;
    if (!OnAcceptDate) return result;
    TDateTime d = NullDate;
    if (!value.IsNullOrEmpty()) {
        try {
            d = value.AsDateTime();
        } catch (const Exception&) {
            d = FDefaultToday ? ::Date() : TDateTime(NullDate);
        }
    }
    OnAcceptDate(this, d, result);
    if (result) value = Variant(d);
    return result;
}

void TCustomDateEdit::ApplyPopupValue(const Variant& value) {
    SetDate(value.IsNullOrEmpty() ? TDateTime(NullDate) : value.AsDateTime());
    SyncPopupVisible();
    if (Modified()) DoChange();
}

// ---------------------------------------------------------------------------------------------
// File-name edit

QString AddQuotes(const QString& s) {
    if (s.contains(QLatin1Char(' ')) && !s.startsWith(QLatin1Char('"'))) return QStringLiteral("\"%1\"").arg(s);
    return s;
}

QString ClipFilename(const QString& s) {
    if (!s.isEmpty() && QFileInfo::exists(s)) return s;
    QString name, params;
    SplitCommandLine(s, name, params);
    return name;
}

TFileDirEdit::TFileDirEdit(TComponent* owner) : TCustomComboEdit(owner) {
    FCreating = true;
    SetGlyphKind(gkDefault);
    FCreating = false;
    LayoutButton();
    // Files dropped from the desktop arrive as file URLs.
    FDropHook = AddMessageHook(
        [this](QEvent* e) {
            if (!FAcceptFiles) return false;
            if (e->type() == QEvent::DragEnter || e->type() == QEvent::DragMove) {
                auto* de = static_cast<QDropEvent*>(e);
                if (!de->mimeData()->hasUrls()) return false;
                de->acceptProposedAction();
                return true;
            }
            if (e->type() == QEvent::Drop) {
                auto* de = static_cast<QDropEvent*>(e);
                QStringList files;
                for (const QUrl& u : de->mimeData()->urls())
                    if (u.isLocalFile()) files << u.toLocalFile();
                de->acceptProposedAction();
                DropFiles(files);
                return true;
            }
            return false;
        },
        nullptr);
}

TFileDirEdit::~TFileDirEdit() { RemoveMessageHook(FDropHook); }

std::unique_ptr<TBitmap> TFileDirEdit::DefaultGlyph() { return MakeGlyph(1, PaintFolder); }

void TFileDirEdit::SetAcceptFiles(bool v) {
    FAcceptFiles = v;
    Widget()->setAcceptDrops(v);
}

void TFileDirEdit::DropFiles(const QStringList& files) {
    if (files.isEmpty()) return;
    ClearFileList();
    for (const QString& f : files) {
        ReceptFileDir(f);
        if (!FMultipleDirs) break;
    }
    OnDropFiles(this);
}

bool TFileDirEdit::RunDialog(const std::function<bool()>& fn) { return fn(); }

TFilenameEdit::TFilenameEdit(TComponent* owner)
    : TFileDirEdit(owner), FHistoryList(std::make_unique<TStringList>()) {
    CreateEditDialog();
}

void TFilenameEdit::CreateEditDialog() {
    TOpenDialog* d = FDialogKind == dkOpen ? new TOpenDialog(this) : new TSaveDialog(this);
    if (FDialog) {
        d->SetDefaultExt(FDialog->DefaultExt());
        d->SetFileName(FDialog->FileName());
        d->SetFilter(FDialog->Filter());
        d->SetFilterIndex(FDialog->FilterIndex());
        d->SetInitialDir(FDialog->InitialDir());
        d->SetOptions(FDialog->Options());
        d->SetTitle(FDialog->Title());
        delete FDialog;
    } else {
        d->SetTitle(ResStr(61264));
        d->SetFilter(ResStr(61263));
        d->SetOptions(ofHideReadOnly);
    }
    FDialog = d;
}

void TFilenameEdit::SetDialogKind(TFileDialogKind v) {
    if (v == FDialogKind) return;
    FDialogKind = v;
    CreateEditDialog();
}

QString TFilenameEdit::FileName() { return ClipFilename(Text()); }

void TFilenameEdit::SetFileName(const QString& value) {
    if (value.isEmpty() || ValidFileName(ClipFilename(value))) {
        SetText(AddQuotes(value));
        ClearFileList();
    } else {
        throw EComboEditError(Format(ResStr(61602), value));
    }
}

QString TFilenameEdit::GetLongName() { return ShortToLongFileName(FileName()); }
QString TFilenameEdit::GetShortName() { return LongToShortFileName(FileName()); }

void TFilenameEdit::ReceptFileDir(const QString& name) {
    if (!MultipleDirs()) {
        SetFileName(name);
        return;
    }
    if (FFiles.isEmpty()) SetFileName(name);
    FFiles << name;
}

void TFilenameEdit::DoButtonClick() {
    TFileDirEdit::DoButtonClick();
    QString temp = ClipFilename(Text());
    bool action = true;
    DoBeforeDialog(temp, action);
    if (!action) return;
    try {
        if (ValidFileName(temp)) {
            const QFileInfo fi(temp);
            // A bare file name has no folder of its own: the initial folder stays.
            const QString folder = ExtractFileDir(temp);
            if (!folder.isEmpty() && DirExists(folder)) SetInitialDir(folder);
            if (fi.fileName().isEmpty() || !ValidFileName(fi.fileName())) temp.clear();
            FDialog->SetFileName(temp);
        }
    } catch (const Exception&) {
        // a name the dialog cannot start from: it opens without one
    }
    FDialog->SetHelpContext(HelpContext());
    action = RunDialog([this] { return FDialog->Execute(); });
    if (action) temp = FDialog->FileName();
    TakeFocus();
    DoAfterDialog(temp, action);
    if (action) {
        SetText(AddQuotes(temp));
        if (const QString folder = ExtractFileDir(FDialog->FileName()); !folder.isEmpty()) SetInitialDir(folder);
    }
}
