#include "controls/edit/Calpnl.h"

#include "controls/visual/DateHelpers.h"
#include "platform/forms/Beep.h"
#include "platform/rtl/SysUtils.h"

using platform::forms::MessageBeep;

namespace {
// An 8 x 6 black triangle on white pointing left or right.
std::unique_ptr<TBitmap> MonthGlyph(bool left) {
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetWidth(8);
    bmp->SetHeight(6);
    TCanvas* c = bmp->Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(Rect(0, 0, 8, 6));
    for (int row = 0; row < 6; ++row) {
        const int len = std::min(row + 1, 6 - row);
        for (int i = 0; i < len; ++i) c->SetPixel(left ? 5 - i : 3 + i, row, clBlack);
    }
    return bmp;
}

bool InList(const TStrings* list, const QString& text) {
    for (int i = 0; i < list->Count(); ++i)
        if (list->Strings(i) == text) return true;
    return false;
}

// Weekday 1..7: Sunday first, or Monday first.
int WeekdayIndex(TDateTime d, bool german) {
    const int dow = DayOfWeek(d);  // 1 = Sunday
    return german ? (dow + 5) % 7 + 1 : dow;
}
}  // namespace

TCalenPnl::TCalenPnl(TComponent* owner) : TCustomPanel(owner) {
    FColDays.fill(clBlack);
    SetBounds(Left(), Top(), 160, 160);
    SetBevelOuter(bvRaised);
    SetBevelInner(bvLowered);
    SetBevelWidth(1);
    SetBorderStyle(bsNone);
    SetBorderWidth(1);
    FHolidays = std::make_unique<TStringList>();
    FMarkdays = std::make_unique<TStringList>();
    for (auto& l : FDays) l = std::make_unique<TStringList>();
    for (int i = 0; i < 8; ++i) FDayNames[size_t(i)] = FormatSettings.ShortDayNames[size_t(i % 7)].left(3);
    FDate = ::Date();
    DecodeDate(FDate, FYear, FMonth, FDay);
    BuildCells();
    FSelected = FirstCell() + FDay - 1;
    FPrev = new TCalButton(this);
    FNext = new TCalButton(this);
    for (TCalButton* b : {FPrev, FNext}) {
        b->SetVisible(false);
        b->SetParent(this);
        b->SetBounds(0, 0, 16, 16);
        auto glyph = MonthGlyph(b == FPrev);
        b->SetGlyph(glyph.get());
    }
    FPrev->OnClick = TNotifyEvent(this, &TCalenPnl::PrevMonthClick);
    FNext->OnClick = TNotifyEvent(this, &TCalenPnl::NextMonthClick);
    // Reached by Tab only: a click never takes the keyboard focus.
    SetTabStop(true);
    Widget()->setFocusPolicy(Qt::NoFocus);
}

bool TCalenPnl::WantsKey(quint16 key, TShiftState shift) const {
    if (key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN) return true;
    return TCustomPanel::WantsKey(key, shift);
}

TCalenPnl::~TCalenPnl() { DestroyComponents(); }

void TCalenPnl::SetColour(TColor& field, TColor v) {
    if (field == v) return;
    field = v;
    Invalidate();
}

void TCalenPnl::SetShowDate(bool v) {
    if (v == FShowDate) return;
    FShowDate = v;
    Invalidate();
}

void TCalenPnl::SetUseLongDate(bool v) {
    if (v == FUseLongDate) return;
    FUseLongDate = v;
    Invalidate();
}

void TCalenPnl::SetDayWidth(TDayWidth v) {
    if (v == FDayWidth) return;
    FDayWidth = v;
    Invalidate();
}

void TCalenPnl::SetGermanDate(bool v) {
    if (v == FGermanDate) return;
    FGermanDate = v;
    BuildCells();
    FSelected = FirstCell() + FDay - 1;
    Invalidate();
}

void TCalenPnl::SetShowWeeks(bool v) {
    if (v == FShowWeeks) return;
    FShowWeeks = v;
    BuildCells();
    Invalidate();
}

void TCalenPnl::SetDate(TDateTime value) {
    if (value.Val == FDate.Val) return;
    try {
        int y, m, d;
        DecodeDate(value, y, m, d);
        if (!ValidDateParts(y, m, d)) throw EConvertError(QStringLiteral("Invalid date"));
        FDate = value;
        FYear = y;
        FMonth = m;
        FDay = d;
        BuildCells();
        FSelected = FirstCell() + FDay - 1;
    } catch (const Exception&) {
        MessageBeep(platform::forms::MB_BEEP_EXCLAMATION);
        return;
    }
    OnDateChange(this);
    Invalidate();
}

int TCalenPnl::FirstCell() const { return WeekdayIndex(EncodeDate(FYear, FMonth, 1), FGermanDate); }

void TCalenPnl::BuildCells() {
    const int first = FirstCell();
    const int days = DaysPerMonth(FYear, FMonth);
    const int last = first + days - 1;
    const int leading = first - 1;
    const int trailing = 7 - WeekdayIndex(EncodeDate(FYear, FMonth, days), FGermanDate);
    const int prevDays = FMonth == 1 ? 31 : DaysPerMonth(FYear, FMonth - 1);
    const QString blank = QStringLiteral("   ");
    for (int i = 1; i <= 42; ++i) {
        QString& c = FCells[size_t(i)];
        if (i < first) c = FShowWeeks ? QLatin1Char('-') + QString::number(prevDays - leading + i) : blank;
        else if (i <= last) c = QLatin1Char('+') + QString::number(i - first + 1);
        else if (i - last <= trailing) c = FShowWeeks ? QLatin1Char('-') + QString::number(i - last) : blank;
        else c = blank;
    }
    BuildWeeks();
}

void TCalenPnl::BuildWeeks() {
    FWeekCount = 0;
    int previous = -1;
    const int days = DaysPerMonth(FYear, FMonth);
    for (int d = 1; d <= days && FWeekCount < 6; ++d) {
        const int w = WeekNumber(EncodeDate(FYear, FMonth, d), FGermanDate);
        if (w != previous) FWeeks[size_t(FWeekCount++)] = QString::number(w);
        previous = w;
    }
}

int TCalenPnl::WeekNumber(TDateTime date, bool german) {
    auto start = [german](int y) -> qint64 {
        const TDateTime jan1 = EncodeDate(y, 1, 1);
        const qint64 j = qint64(jan1.Val);
        const int dow = DayOfWeek(jan1);  // 1 = Sunday
        if (german) {
            const int md = (dow + 5) % 7;  // Monday 0 .. Sunday 6
            return md <= 3 ? j - md : j + 7 - md;
        }
        const int sd = dow - 1;  // Sunday 0 .. Saturday 6
        return sd <= 4 ? j - sd : j + 7 - sd;
    };
    int y, m, d;
    DecodeDate(date, y, m, d);
    const qint64 day = qint64(date.Val);
    const qint64 s = start(y);
    const qint64 p = y > 1 ? start(y - 1) : s;
    const qint64 n = y < 9999 ? start(y + 1) : s;
    if (n <= day) return int((day - n) / 7 + 1);
    if (s > day) return int((day - p) / 7 + 1);
    return int((day - s) / 7 + 1);
}

TColor TCalenPnl::CellColor(int cell) const {
    const QString& text = FCells.at(size_t(cell));
    const int col = ColumnOf(cell);
    TColor color = clBlack;
    if (IsSundayColumn(col)) color = FColSunday;
    else if (IsSaturdayColumn(col)) color = FColSaturday;
    const QString number = text.mid(1).trimmed();
    if (!number.isEmpty()) {
        if (InList(FHolidays.get(), number)) color = FColHoliday;
        if (InList(FMarkdays.get(), number)) color = FColMarked;
        for (size_t i = 0; i < FDays.size(); ++i)
            if (InList(FDays[i].get(), number)) color = FColDays[i];
    }
    if (text.startsWith(QLatin1Char('-'))) color = clBtnShadow;
    return color;
}

void TCalenPnl::ComputeLayout() {
    const int cols = FShowWeeks ? 8 : 7;
    const int rows = FShowDate ? 8 : 7;
    int frame = BorderStyle() == bsSingle ? 1 : 0;
    if (BevelOuter() != bvNone) frame += BevelWidth();
    if (BevelInner() != bvNone) frame += BevelWidth();
    frame += BorderWidth();
    const int w = Width() - 2 * frame;
    const int mx = w / 100;
    FColWidth = (w - 2 * mx) / cols;
    const int h = Height() - 2 * frame;
    const int my = h / 100;
    FRowHeight = (h - 2 * my) / rows;
    FHeader = ClientRect();
    FHeader.Left += frame + (w - FColWidth * cols) / 2;
    FHeader.Top += frame + my;
    FHeader.Right = FHeader.Left + FColWidth * cols;
    FHeader.Bottom = FHeader.Top + FRowHeight * (FShowDate ? 2 : 1);
    FGrid.Left = FHeader.Left + (FShowWeeks ? FColWidth : 0);
    FGrid.Top = FHeader.Bottom;
    FGrid.Right = FHeader.Right;
    FGrid.Bottom = FGrid.Top + 6 * FRowHeight;
}

TRect TCalenPnl::CellRect(int cell) const {
    const int col = ColumnOf(cell), row = (cell - 1) / 7 + 1;
    return Bounds(FGrid.Left + (col - 1) * FColWidth, FGrid.Top + (row - 1) * FRowHeight, FColWidth, FRowHeight);
}

void TCalenPnl::DrawCell(int cell, bool bold) {
    TCanvas* c = Canvas();
    TRect r = CellRect(cell);
    c->Font()->Assign(Font());
    c->Font()->SetColor(CellColor(cell));
    c->Font()->SetStyle(bold ? TFontStyles{fsBold} : TFontStyles{});
    c->Brush()->SetStyle(bsClear);
    DrawText(c, FCells[size_t(cell)].mid(1).trimmed(), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    c->Brush()->SetStyle(bsSolid);
}

void TCalenPnl::DrawSelection() {
    if (FSelected < 1 || FSelected > 42) return;
    TCanvas* c = Canvas();
    DrawCell(FSelected, true);
    const TRect r = CellRect(FSelected);
    c->Pen()->SetColor(clTeal);
    c->MoveTo(r.Left, r.Bottom - 1);
    c->LineTo(r.Left, r.Top);
    c->LineTo(r.Right - 1, r.Top);
    c->LineTo(r.Right - 1, r.Bottom - 1);
    c->LineTo(r.Left, r.Bottom - 1);
}

void TCalenPnl::Paint() {
    TCustomPanel::Paint();
    ComputeLayout();
    TCanvas* c = Canvas();
    c->Brush()->SetColor(clWhite);
    c->FillRect(FGrid);
    FSelected = FirstCell() + FDay - 1;
    const int hw = FHeader.Width(), hh = FHeader.Height();
    if (FShowDate) {
        for (TCalButton* b : {FPrev, FNext}) {
            b->SetShowHint(FShowButtonHints);
            b->SetVisible(true);
        }
        const int top = FHeader.Top + hh / 15;
        FPrev->SetBounds(FHeader.Left + hw / 30, top, 16, 16);
        FNext->SetBounds(FHeader.Right - hw / 30 - 16, top, 16, 16);
        FPrev->SetHint(FGermanDate ? QStringLiteral("Letzter Monat") : QStringLiteral("Previous Month"));
        FNext->SetHint(FGermanDate ? QStringLiteral("Nächster Monat") : QStringLiteral("Next Month"));
        TRect t = FHeader;
        t.Top += std::max(2 * (hh / 20), 1);
        t.Bottom = t.Top + FRowHeight;
        t.Left += hw / 20 + 17;
        t.Right -= hw / 20 + 17;
        c->Brush()->SetColor(clWhite);
        c->FillRect(t);
        c->Font()->Assign(Font());
        c->Font()->SetColor(clBlack);
        c->Font()->SetStyle({fsBold});
        c->Brush()->SetStyle(bsClear);
        DrawText(c, FormatDateTime(FUseLongDate ? QStringLiteral("mmmm yyyy") : QStringLiteral("mmm yyyy"), FDate), t,
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        c->Brush()->SetStyle(bsSolid);
    } else {
        FPrev->SetVisible(false);
        FNext->SetVisible(false);
    }
    // Heading row.
    const int headTop = FGrid.Top - FRowHeight;
    c->Brush()->SetStyle(bsClear);
    c->Font()->Assign(Font());
    int x = FHeader.Left;
    if (FShowWeeks) {
        TRect r = Bounds(x, headTop, FColWidth, FRowHeight);
        c->Font()->SetColor(clTeal);
        DrawText(c, FGermanDate ? QStringLiteral("KW") : QStringLiteral("CW"), r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        x += FColWidth;
    }
    c->Font()->SetStyle({fsBold});
    for (int col = 1; col <= 7; ++col) {
        const QString name = FDayNames[size_t(FGermanDate ? col : col - 1)].left(int(FDayWidth) + 1);
        c->Font()->SetColor(IsSundayColumn(col) ? FColSunday : IsSaturdayColumn(col) ? FColSaturday : clBlack);
        TRect r = Bounds(x + (col - 1) * FColWidth, headTop, FColWidth, FRowHeight);
        DrawText(c, name, r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    c->Pen()->SetColor(clBtnHighlight);
    c->MoveTo(FHeader.Left, FGrid.Top - 4);
    c->LineTo(FHeader.Right, FGrid.Top - 4);
    c->Pen()->SetColor(clBtnShadow);
    c->MoveTo(FHeader.Left, FGrid.Top - 3);
    c->LineTo(FHeader.Right, FGrid.Top - 3);
    for (int cell = 1; cell <= 42; ++cell) DrawCell(cell, false);
    if (FShowWeeks) {
        c->Font()->Assign(Font());
        c->Font()->SetColor(clTeal);
        c->Brush()->SetStyle(bsClear);
        for (int i = 0; i < FWeekCount; ++i) {
            TRect r = Bounds(FHeader.Left, FGrid.Top + i * FRowHeight, FColWidth, FRowHeight);
            DrawText(c, FWeeks[size_t(i)], r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }
    c->Brush()->SetStyle(bsSolid);
    DrawSelection();
}

bool TCalenPnl::ChangeDate(int delta) {
    FPrevSelected = FSelected;
    try {
        const TDateTime nd = FDate.Val + delta;
        int y, m, d;
        DecodeDate(nd, y, m, d);
        if (!ValidDateParts(y, m, d)) throw EConvertError(QStringLiteral("Invalid date"));
        FDate = nd;
        if (y != FYear || m != FMonth) {
            FYear = y;
            FMonth = m;
            BuildCells();
        }
        FDay = d;
        FSelected = FirstCell() + FDay - 1;
        return true;
    } catch (const Exception&) {
        MessageBeep(platform::forms::MB_BEEP_EXCLAMATION);
        return false;
    }
}

int TCalenPnl::CellAt(int x, int y) const {
    if (x < FGrid.Left || x > FGrid.Right || y < FGrid.Top || y > FGrid.Bottom || FRowHeight <= 0) return 0;
    const int row = std::max(1, (y - FGrid.Top) / FRowHeight + 1);
    if (row > 6) return 0;
    for (int col = 1; col <= 7; ++col) {
        const int l = FGrid.Left + (col - 1) * FColWidth;
        if (x >= l && x <= l + FColWidth) return (row - 1) * 7 + col;
    }
    return 0;
}

void TCalenPnl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomPanel::MouseDown(button, shift, x, y);
    FMouseDown = Point(x, y);
    ComputeLayout();
    const int cell = CellAt(x, y);
    if (cell == 0) return;
    const int first = FirstCell(), last = first + DaysPerMonth(FYear, FMonth) - 1;
    if (cell < first || cell > last) return;
    if (ChangeDate(cell - FSelected)) {
        Invalidate();
        OnDateChange(this);
    }
}

void TCalenPnl::DblClick() {
    ComputeLayout();
    const TPoint p = FMouseDown;
    if (p.X >= FGrid.Left && p.X <= FGrid.Right && p.Y >= FGrid.Top && p.Y <= FGrid.Bottom) OnDblClick(this);
}

bool TCalenPnl::PageUp() {
    if (FYear == 1 && FMonth == 1) return false;
    const int prevLen = FMonth == 1 ? 31 : DaysPerMonth(FYear, FMonth - 1);
    return ChangeDate(-(FDay <= prevLen ? prevLen : DaysPerMonth(FYear, FMonth)));
}

bool TCalenPnl::PageDown() {
    if (FYear == 9999 && FMonth == 12) return false;
    const int nextLen = FMonth == 12 ? 31 : DaysPerMonth(FYear, FMonth + 1);
    return ChangeDate(FDay <= nextLen ? DaysPerMonth(FYear, FMonth) : nextLen);
}

void TCalenPnl::Beep() { MessageBeep(platform::forms::MB_BEEP_EXCLAMATION); }

void TCalenPnl::KeyDown(quint16& key, TShiftState shift) {
    TCustomPanel::KeyDown(key, shift);
    if (key == 0) return;
    const int oldMonth = FMonth, oldYear = FYear;
    auto small = [&](bool refused, int delta) {
        if (refused) { Beep(); return; }
        if (!ChangeDate(delta)) return;
        Invalidate();  // the selection alone when the month stays; a full repaint is the same here
        (void)oldMonth;
        (void)oldYear;
    };
    switch (key) {
    case VK_LEFT: small(FYear == 1 && FMonth == 1 && FDay == 1, -1); break;
    case VK_RIGHT: small(FYear == 9999 && FMonth == 12 && FDay == 31, 1); break;
    case VK_UP: small(FYear == 1 && FMonth == 1 && FDay <= 7, -7); break;
    case VK_DOWN: small(FYear == 9999 && FMonth == 12 && FDay > 24, 7); break;
    case VK_PRIOR:
        if (FYear == 1 && FMonth == 1) Beep();
        else if (PageUp()) Invalidate();
        break;
    case VK_NEXT:
        if (FYear == 9999 && FMonth == 12) Beep();
        else if (PageDown()) Invalidate();
        break;
    case VK_END:
        if (FYear == 1) { Beep(); break; }
        if (IsLeapYear(FYear) && FMonth >= 3 && !ChangeDate(-1)) break;
        if (!ChangeDate(-365)) break;
        if (IsLeapYear(FYear) && FMonth < 3 && !ChangeDate(-1)) break;
        Invalidate();
        break;
    case VK_HOME:
        if (FYear == 9999) { Beep(); break; }
        if (IsLeapYear(FYear) && FMonth < 3 && !ChangeDate(1)) break;
        if (!ChangeDate(365)) break;
        if (IsLeapYear(FYear) && FMonth >= 3 && !ChangeDate(1)) break;
        Invalidate();
        break;
    default: return;
    }
    key = 0;
}

void TCalenPnl::PrevMonthClick(TObject*) {
    if (FYear == 1 && FMonth == 1) Beep();
    else if (PageUp()) Invalidate();
    OnDateChange(this);
}

void TCalenPnl::NextMonthClick(TObject*) {
    if (FYear == 9999 && FMonth == 12) Beep();
    else if (PageDown()) Invalidate();
    OnDateChange(this);
}
