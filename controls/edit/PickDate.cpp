#include "controls/edit/PickDate.h"

#include "controls/visual/BitmapHelpers.h"
#include "controls/visual/DateHelpers.h"
#include "platform/rtl/SysUtils.h"

#include <QWidget>

namespace {
// Navigation glyphs: one or two small black triangles pointing left or right. The first column
// stays background: the bottom-left pixel gives the transparent colour.
std::unique_ptr<TBitmap> NavGlyph(bool left, int count) {
    auto b = std::make_unique<TBitmap>();
    const int w = 4 * count + 2;
    b->SetWidth(w);
    b->SetHeight(7);
    b->Canvas()->Brush()->SetColor(clOlive);
    b->Canvas()->FillRect(Rect(0, 0, w, 7));
    for (int t = 0; t < count; ++t)
        for (int row = 0; row < 7; ++row) {
            const int len = std::min(row + 1, 7 - row);
            for (int i = 0; i < len; ++i) {
                const int x = 1 + t * 4 + (left ? 3 - i : i);
                b->Canvas()->SetPixel(x, row, clBlack);
            }
        }
    return b;
}

void SetupNavButton(TZbTimerSpeedButton* b, bool left, int count, const QString& hint) {
    auto g = NavGlyph(left, count);
    b->SetGlyph(g.get());
    b->SetHint(hint);
}

const QString HintPrevYear = ResStr(61259);
const QString HintPrevMonth = ResStr(61258);
const QString HintNextMonth = ResStr(61260);
const QString HintNextYear = ResStr(61261);

bool Ctrl(TShiftState s) { return s & ssCtrl; }
}  // namespace

void FontSetDefault(TFont* font) { platform::graphics::AssignSystemFont(font, platform::graphics::SystemFont::Message); }

TZbTimerSpeedButton::TZbTimerSpeedButton(TComponent* owner) : TZbSpeedButton(owner) {
    SetStyle(bsWin31);
    SetAllowTimer(true);
}

// ---------------------------------------------------------------------------------------------

TZbCalendar::TZbCalendar(TComponent* owner) : TCustomControl(owner) {
    SetColor(clWindow);
    SetTabStop(true);
    Widget()->setFocusPolicy(Qt::StrongFocus);
    FDate = ::Date();
    SetBounds(0, 0, 320, 120);
    UpdateCalendar();
}

void TZbCalendar::BoundsChanged(bool sizeChanged) {
    TCustomControl::BoundsChanged(sizeChanged);
    if (!sizeChanged) return;
    const int l = FAllLines ? 6 : 0;
    FColWidth = std::max(1, (Width() - l) / 7);
    FRowHeight = std::max(1, (Height() - 6) / 7);
}

int TZbCalendar::DaysThisMonth() const { return DaysPerMonth(Year(), Month()); }

int TZbCalendar::GetDateElement(int index) const {
    int y, m, d;
    DecodeDate(FDate, y, m, d);
    return index == 1 ? y : index == 2 ? m : d;
}

void TZbCalendar::SetDateElement(int index, int value) {
    if (value <= 0) return;
    int y, m, d;
    DecodeDate(FDate, y, m, d);
    switch (index) {
    case 1:
        if (y == value || value > 9999) return;
        y = value;
        d = std::min(d, DaysPerMonth(y, m));
        break;
    case 2:
        if (value > 12 || value == m) return;
        m = value;
        d = std::min(d, DaysPerMonth(y, m));
        break;
    default:
        if (value > DaysThisMonth() || value == d) return;
        d = value;
        break;
    }
    FDate = EncodeDate(y, m, d);
    FUseCurrentDate = false;
    UpdateLayout(index == 3);
    Change();
}

void TZbCalendar::SetCalendarDate(TDateTime value) {
    if (value.Val == FDate.Val) return;
    FDate = value;
    UpdateCalendar();
    Change();
}

void TZbCalendar::SetUseCurrentDate(bool v) {
    FUseCurrentDate = v;
    if (v) {
        FDate = ::Date();
        UpdateCalendar();
    }
}

void TZbCalendar::SetStartOfWeek(TDayOfWeekName v) {
    FStartOfWeek = v;
    UpdateCalendar();
}

void TZbCalendar::SetWeekends(TDaysOfWeek v) {
    FWeekends = v;
    UpdateCalendar();
}

void TZbCalendar::SetWeekendColor(TColor v) {
    FWeekendColor = v;
    Invalidate();
}

void TZbCalendar::UpdateLayout(bool dayOnly) {
    FUpdating = true;
    int y, m, d;
    DecodeDate(FDate, y, m, d);
    const int w = DayOfWeek(EncodeDate(y, m, 1));
    FMonthOffset = 2 - ((w - int(FStartOfWeek) + 7) % 7);
    if (FMonthOffset == 2) FMonthOffset = -5;
    FCol = (d - FMonthOffset) % 7;
    FRow = (d - FMonthOffset) / 7 + 1;
    (void)dayOnly;
    Invalidate();
    FUpdating = false;
}

QString TZbCalendar::CellText(int col, int row) const {
    if (row == 0) return FormatSettings.ShortDayNames[size_t((int(FStartOfWeek) + col) % 7)];
    const int n = FMonthOffset + col + (row - 1) * 7;
    return n >= 1 && n <= DaysThisMonth() ? QString::number(n) : QString();
}

bool TZbCalendar::IsWeekend(int col, int) const {
    return FWeekends & (1u << unsigned((int(FStartOfWeek) + col) % 7));
}

TRect TZbCalendar::CellRect(int col, int row) const {
    const int lw = FAllLines ? 1 : 0;
    const int top = row == 0 ? 0 : FRowHeight + 1 + (row - 1) * (FRowHeight + lw);
    return Bounds(col * (FColWidth + lw), top, FColWidth, FRowHeight);
}

void TZbCalendar::MouseToCell(int x, int y, int& col, int& row) const {
    const int lw = FAllLines ? 1 : 0;
    col = std::clamp(x / (FColWidth + lw), 0, 6);
    row = y < FRowHeight + 1 ? 0 : std::clamp((y - FRowHeight - 1) / (FRowHeight + lw) + 1, 1, 6);
}

bool TZbCalendar::SelectCell(int col, int row) {
    if (row < 1 || CellText(col, row).isEmpty() || (FReadOnly && !FUpdating)) return false;
    SetDay(CellText(col, row).toInt());
    return true;
}

void TZbCalendar::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    if (button != mbLeft) return;
    int col, row;
    MouseToCell(x, y, col, row);
    SelectCell(col, row);
}

// The calendar ends with 9999 and begins with year 1: a step past either end does nothing.
void TZbCalendar::NextMonth() {
    if (Year() < 9999 || Month() < 12) SetCalendarDate(IncMonth(FDate, 1));
}
void TZbCalendar::PrevMonth() {
    if (Year() > 1 || Month() > 1) SetCalendarDate(IncMonth(FDate, -1));
}

void TZbCalendar::NextYear() {
    if (Year() >= 9999) return;
    if (IsLeapYear(Year()) && Month() == 2 && Day() == 29) SetDay(28);
    SetYear(Year() + 1);
}

void TZbCalendar::PrevYear() {
    if (Year() <= 1) return;
    if (IsLeapYear(Year()) && Month() == 2 && Day() == 29) SetDay(28);
    SetYear(Year() - 1);
}

void TZbCalendar::KeyDown(quint16& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == 0 || shift != 0) return;
    switch (key) {
    case VK_LEFT:
    case VK_SUBTRACT:
        if (IsValidDate(FDate.Val - 1)) SetCalendarDate(FDate.Val - 1);
        break;
    case VK_RIGHT:
    case VK_ADD:
        if (IsValidDate(FDate.Val + 1)) SetCalendarDate(FDate.Val + 1);
        break;
    case VK_UP:
        if (!FReadOnly && Day() > 7) SetDay(Day() - 7);
        break;
    case VK_DOWN:
        if (!FReadOnly && Day() + 7 <= DaysThisMonth()) SetDay(Day() + 7);
        break;
    default: return;
    }
    key = 0;
}

void TZbCalendar::KeyPress(QChar& key) {
    TCustomControl::KeyPress(key);
    if (key == QLatin1Char('T') || key == QLatin1Char('t')) {
        SetCalendarDate(::Date());
        key = QChar();
    }
}

void TZbCalendar::DrawCell(int col, int row, const TRect& r, bool selected) {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(row == 0 ? clBtnFace : selected ? clHighlight : Color());
    c->FillRect(r);
    c->Font()->Assign(Font());
    if (selected) c->Font()->SetColor(clHighlightText);
    else if (IsWeekend(col, row)) c->Font()->SetColor(FWeekendColor);
    c->Brush()->SetStyle(bsClear);
    TRect t = r;
    DrawText(c, CellText(col, row), t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    c->Brush()->SetStyle(bsSolid);
}

void TZbCalendar::Paint() {
    TCanvas* c = Canvas();
    c->Brush()->SetColor(FAllLines ? clSilver : Color());
    c->FillRect(ClientRect());
    for (int row = 0; row < 7; ++row)
        for (int col = 0; col < 7; ++col) DrawCell(col, row, CellRect(col, row), row > 0 && col == FCol && row == FRow);
    if (!FAllLines) {
        c->Pen()->SetColor(clBtnShadow);
        c->MoveTo(0, FRowHeight);
        c->LineTo(Width(), FRowHeight);
    }
}

TLocCalendar::TLocCalendar(TComponent* owner) : TZbCalendar(owner) {
    FAllLines = false;
    SetCtl3D(false);
    SetTabStop(false);
    SetParentColor(true);
    Widget()->setFocusPolicy(Qt::NoFocus);
    SetCalendarDate(::Date());
    SetUseCurrentDate(false);
}

void TLocCalendar::DrawCell(int col, int row, const TRect& r, bool selected) {
    TZbCalendar::DrawCell(col, row, r, selected);
    if (row == 0) return;
    const QString t = CellText(col, row);
    if (t.isEmpty()) return;
    if (EncodeDate(Year(), Month(), t.toInt()).Val != double(::Date())) return;
    TRect f = r;
    Frame3D(Canvas(), f, clBtnShadow, clBtnHighlight, 1);
}

// ---------------------------------------------------------------------------------------------

TPopupCalendar::TPopupCalendar(TWinControl* owner) : TPopupWindow(owner) {
    SetBounds(0, 0, std::max(PopupCalendarSize.cx, 180), std::max(PopupCalendarSize.cy, 120));
    SetColor(clBtnFace);
    FontSetDefault(Font());
    SetShowHint(owner ? owner->EffectiveShowHint() : true);
    auto* back = new TPanel(this);
    back->SetParent(this);
    back->SetAlign(alClient);
    back->SetParentColor(true);
    auto* top = new TPanel(back);
    top->SetParent(back);
    top->SetAlign(alTop);
    top->SetBounds(0, 0, Width() - 4, 18);
    top->SetBevelOuter(bvNone);
    top->SetParentColor(true);
    FCalendar = new TLocCalendar(this);
    FCalendar->SetParent(back);
    FCalendar->SetAlign(alClient);
    FCalendar->OnChange = TNotifyEvent(this, &TPopupCalendar::CalendarChange);
    FCalendar->OnMouseUp = TMouseEvent(this, &TPopupCalendar::CalendarMouseUp);
    const int tw = top->Width();
    const struct {
        int x;
        bool left;
        int count;
        const QString* hint;
    } navButtons[4] = {{-1, true, 2, &HintPrevYear}, {12, true, 1, &HintPrevMonth}, {tw - 26, false, 1, &HintNextMonth},
                 {tw - 13, false, 2, &HintNextYear}};
    for (int i = 0; i < 4; ++i) {
        auto* b = new TZbTimerSpeedButton(this);
        b->SetParent(top);
        b->SetBounds(navButtons[i].x, -1, 14, 14);
        SetupNavButton(b, navButtons[i].left, navButtons[i].count, *navButtons[i].hint);
        FButtons[size_t(i)] = b;
    }
    FButtons[0]->OnClick = [this](TObject*) { FCalendar->PrevYear(); };
    FButtons[1]->OnClick = [this](TObject*) { FCalendar->PrevMonth(); };
    FButtons[2]->OnClick = [this](TObject*) { FCalendar->NextMonth(); };
    FButtons[3]->OnClick = [this](TObject*) { FCalendar->NextYear(); };
    FTitleLabel = new TLabel(this);
    FTitleLabel->SetParent(top);
    FTitleLabel->SetAutoSize(false);
    FTitleLabel->SetBounds(29, 1, tw - 58, 14);
    FTitleLabel->SetAlignment(taCenter);
    FTitleLabel->SetTransparent(true);
    FTitleLabel->OnDblClick = [this](TObject*) { FCalendar->SetCalendarDate(::Date()); };
    UpdateTitle();
}

void TPopupCalendar::UpdateTitle() {
    FTitleLabel->SetCaption(FormatDateTime(QStringLiteral("MMMM, YYYY"), FCalendar->CalendarDate()));
}

void TPopupCalendar::CalendarChange(TObject*) { UpdateTitle(); }

void TPopupCalendar::CalendarMouseUp(TObject*, TMouseButton button, TShiftState shift, int x, int y) {
    if (button != mbLeft || (shift & (ssShift | ssCtrl | ssAlt))) return;
    int col, row;
    FCalendar->MouseToCell(x, y, col, row);
    if (row > 0 && !FCalendar->CellText(col, row).isEmpty()) CloseUp(true);
}

Variant TPopupCalendar::GetValue() { return Variant(FCalendar->CalendarDate()); }

void TPopupCalendar::SetValue(const Variant& value) {
    try {
        bool blank = value.IsNullOrEmpty();
        if (!blank && value.VarType() == TVarType::varString) {
            QString s = value.AsString();
            s.remove(FormatSettings.DateSeparator);
            blank = s.trimmed().isEmpty();
        }
        FCalendar->SetCalendarDate(blank ? ::Date() : value.AsDateTime());
    } catch (const Exception&) {
        FCalendar->SetCalendarDate(::Date());
    }
    UpdateTitle();
}

void TPopupCalendar::KeyDown(quint16& key, TShiftState shift) {
    if (key == VK_PRIOR) {
        Ctrl(shift) ? FCalendar->PrevYear() : FCalendar->PrevMonth();
    } else if (key == VK_NEXT) {
        Ctrl(shift) ? FCalendar->NextYear() : FCalendar->NextMonth();
    } else {
        FCalendar->KeyDown(key, shift);
        return;
    }
    key = 0;
}

void TPopupCalendar::KeyPress(QChar& key) {
    if (!key.isNull()) FCalendar->KeyPress(key);
}

TPopupWindow* CreatePopupCalendar(TWinControl* owner) { return new TPopupCalendar(owner); }

void SetupPopupCalendar(TWinControl* popup, TDayOfWeekName startOfWeek, TDaysOfWeek weekends, TColor weekendColor,
                        TStrings* buttonHints) {
    auto* p = dynamic_cast<TPopupCalendar*>(popup);
    if (!p || !p->Calendar()) return;
    p->Calendar()->SetStartOfWeek(startOfWeek);
    p->Calendar()->SetWeekendColor(weekendColor);
    p->Calendar()->SetWeekends(weekends);
    if (buttonHints)
        for (int i = 0; i < std::min(buttonHints->Count(), 4); ++i)
            if (!buttonHints->Strings(i).isEmpty()) p->Buttons(i)->SetHint(buttonHints->Strings(i));
}

// ---------------------------------------------------------------------------------------------

TSelectDateDlg::TSelectDateDlg(TComponent* owner) : TForm(owner) {
    SetCaption(ResStr(61262));
    SetBorderStyle(bsToolWindow);
    SetBorderIcons(biSystemMenu);
    SetClientWidth(222);
    SetClientHeight(154);
    FontSetDefault(Font());
    SetColor(clBtnFace);
    SetPosition(poScreenCenter);
    SetShowHint(true);
    SetKeyPreview(true);
    auto* top = new TPanel(this);
    top->SetParent(this);
    top->SetBounds(0, 0, 222, 22);
    top->SetAlign(alTop);
    top->SetBevelInner(bvLowered);
    top->OnDblClick = TNotifyEvent(this, &TSelectDateDlg::TopPanelDblClick);
    FTitleLabel = new TLabel(this);
    FTitleLabel->SetParent(top);
    FTitleLabel->SetAutoSize(false);
    FTitleLabel->SetBounds(35, 4, 152, 14);
    FTitleLabel->SetAlignment(taCenter);
    FTitleLabel->Font()->SetColor(clBlue);
    FTitleLabel->Font()->SetStyle({fsBold});
    FTitleLabel->SetTransparent(true);
    FTitleLabel->OnDblClick = TNotifyEvent(this, &TSelectDateDlg::TopPanelDblClick);
    const struct {
        int x;
        bool left;
        int count;
        const QString* hint;
        void (TSelectDateDlg::*click)(TObject*);
    } navButtons[4] = {{3, true, 2, &HintPrevYear, &TSelectDateDlg::PrevYearBtnClick},
                 {18, true, 1, &HintPrevMonth, &TSelectDateDlg::PrevMonthBtnClick},
                 {188, false, 1, &HintNextMonth, &TSelectDateDlg::NextMonthBtnClick},
                 {203, false, 2, &HintNextYear, &TSelectDateDlg::NextYearBtnClick}};
    for (int i = 0; i < 4; ++i) {
        auto* b = new TZbTimerSpeedButton(this);
        b->SetParent(top);
        b->SetBounds(navButtons[i].x, 3, 16, 16);
        SetupNavButton(b, navButtons[i].left, navButtons[i].count, *navButtons[i].hint);
        b->OnClick = TNotifyEvent(this, navButtons[i].click);
        FButtons[size_t(i)] = b;
    }
    auto* bottom = new TPanel(this);
    bottom->SetParent(this);
    bottom->SetBounds(0, 133, 222, 21);
    bottom->SetAlign(alBottom);
    bottom->SetBevelOuter(bvNone);
    auto* ok = new TButton(this);
    ok->SetParent(bottom);
    ok->SetBounds(0, 0, 112, 21);
    ok->SetCaption(QStringLiteral("OK"));
    ok->SetModalResult(mrOk);
    auto* cancel = new TButton(this);
    cancel->SetParent(bottom);
    cancel->SetBounds(111, 0, 111, 21);
    cancel->SetCaption(QStringLiteral("Cancel"));
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
    auto* middle = new TPanel(this);
    middle->SetParent(this);
    middle->SetBounds(0, 22, 222, 111);
    middle->SetAlign(alClient);
    middle->SetBevelInner(bvLowered);
    FCalendar = new TZbCalendar(this);
    FCalendar->SetParent(middle);
    FCalendar->SetBounds(2, 2, 218, 113);
    FCalendar->SetAlign(alClient);
    FCalendar->SetColor(clWhite);
    FCalendar->SetTabOrder(0);
    FCalendar->SetUseCurrentDate(false);
    FCalendar->OnChange = TNotifyEvent(this, &TSelectDateDlg::CalendarChange);
    FCalendar->OnDblClick = TNotifyEvent(this, &TSelectDateDlg::CalendarDblClick);
    OnKeyDown = TKeyEvent(this, &TSelectDateDlg::FormKeyDown);
    CalendarChange(this);
}

void TSelectDateDlg::DoShow() {
    TForm::DoShow();
    if (FCalendar->CanFocus()) FCalendar->SetFocus();
}

void TSelectDateDlg::SetDate(TDateTime value) {
    try {
        FCalendar->SetCalendarDate(value.Val == NullDate ? ::Date() : value);
    } catch (const Exception&) {
        FCalendar->SetCalendarDate(::Date());
    }
    CalendarChange(this);
}

void TSelectDateDlg::PrevYearBtnClick(TObject*) { FCalendar->PrevYear(); }
void TSelectDateDlg::NextYearBtnClick(TObject*) { FCalendar->NextYear(); }
void TSelectDateDlg::PrevMonthBtnClick(TObject*) { FCalendar->PrevMonth(); }
void TSelectDateDlg::NextMonthBtnClick(TObject*) { FCalendar->NextMonth(); }

void TSelectDateDlg::CalendarChange(TObject*) {
    FTitleLabel->SetCaption(FormatDateTime(QStringLiteral("MMMM, YYYY"), FCalendar->CalendarDate()));
}

void TSelectDateDlg::CalendarDblClick(TObject*) { SetModalResult(mrOk); }
void TSelectDateDlg::TopPanelDblClick(TObject*) { FCalendar->SetCalendarDate(::Date()); }

void TSelectDateDlg::FormKeyDown(TObject*, quint16& key, TShiftState shift) {
    switch (key) {
    case VK_RETURN: SetModalResult(mrOk); break;
    case VK_ESCAPE: SetModalResult(mrCancel); break;
    case VK_NEXT: Ctrl(shift) ? FCalendar->NextYear() : FCalendar->NextMonth(); break;
    case VK_PRIOR: Ctrl(shift) ? FCalendar->PrevYear() : FCalendar->PrevMonth(); break;
    case VK_TAB: (shift & ssShift) ? FCalendar->PrevMonth() : FCalendar->NextMonth(); break;
    default: return;
    }
    FTitleLabel->Repaint();
    key = 0;
}

TSelectDateDlg* CreateDateDialog(const QString& title) {
    auto* dlg = new TSelectDateDlg(Application);
    if (!title.isEmpty()) dlg->SetCaption(title);
    return dlg;
}

bool SelectDate(TDateTime& date, const QString& title, TDayOfWeekName startOfWeek, TDaysOfWeek weekends,
                TColor weekendColor, TStrings* buttonHints) {
    std::unique_ptr<TSelectDateDlg> dlg(CreateDateDialog(title));
    dlg->SetDate(date);
    dlg->Calendar()->SetStartOfWeek(startOfWeek);
    dlg->Calendar()->SetWeekends(weekends);
    dlg->Calendar()->SetWeekendColor(weekendColor);
    if (buttonHints)
        for (int i = 0; i < std::min(buttonHints->Count(), 4); ++i)
            if (!buttonHints->Strings(i).isEmpty()) dlg->Buttons(i)->SetHint(buttonHints->Strings(i));
    if (dlg->ShowModal() != mrOk) return false;
    date = dlg->Date();
    return true;
}
