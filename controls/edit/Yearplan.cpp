#include "controls/edit/Yearplan.h"

#include "controls/visual/DateHelpers.h"
#include "platform/forms/Forms.h"
#include "platform/rtl/SysUtils.h"

#include <QCursor>
#include <QLabel>
#include <QTimer>

namespace {
// The scroll-arrow size of the system (SM_CXHSCROLL, SM_CYHSCROLL).
constexpr int ArrowW = 17, ArrowH = 17;
}  // namespace

TYearPlanner::TYearPlanner(TComponent* owner)
    : TCustomControl(owner),
      FYear(CurrentYear()),
      FHintTimer(std::make_unique<QTimer>()),
      FOffscreen(std::make_unique<TBitmap>()),
      FDayFont(std::make_unique<TFont>()),
      FHintFont(std::make_unique<TFont>()),
      FMonthFont(std::make_unique<TFont>()),
      FYearFont(std::make_unique<TFont>()),
      FGridPen(std::make_unique<TPen>()) {
    SetColor(clGray);
    SetBounds(Left(), Top(), 615, 300);
    FStartDate = Now();
    FEndDate = FStartDate;
    FGridPen->OnChange = [this](TObject*) { Invalidate(); };
    FHintTimer->setSingleShot(true);
    QObject::connect(FHintTimer.get(), &QTimer::timeout, [this] { CancelHint(); });
    Widget()->setMouseTracking(true);
    Widget()->setAutoFillBackground(false);
    BuildText();
    ResetCells();
    ComputeGeometry();
}

TYearPlanner::~TYearPlanner() {
    // No nested loop to wait for: the hint is a window of its own on a timer.
    FHintTimer->stop();
}

const QWidget* TYearPlanner::HintWindow() const { return FHintWindow.get(); }

void TYearPlanner::SetYear(int value) {
    if (value == FYear || value < 1 || value > 9999) return;
    FYear = value;
    BuildText();
    ResetCells();
    OnYearChange(this);
    Invalidate();
}

void TYearPlanner::SetStartDayOfWeek(TypDOW value) {
    if (value == FStartDayOfWeek) return;
    FStartDayOfWeek = value;
    BuildText();
    ResetCells();
    Invalidate();
}

void TYearPlanner::SetUseFreeSpace(bool value) {
    if (value == FUseFreeSpace) return;
    FUseFreeSpace = value;
    ComputeGeometry();
    Invalidate();
}

void TYearPlanner::BuildText() {
    for (auto& col : FText) col.fill(QString());
    FText[0][0] = QString::number(FYear);
    for (int c = 1; c <= 37; ++c) {
        int idx = (c - 1 + int(FStartDayOfWeek)) % 7 + 2;
        if (idx == 8) idx = 1;
        FText[size_t(c)][0] = FormatSettings.ShortDayNames[size_t(idx - 1)].left(1);
    }
    for (int m = 1; m <= 12; ++m) {
        // The whole name: Spanish "septiembre" has ten letters.
        FText[0][size_t(m)] = FormatSettings.LongMonthNames[size_t(m - 1)];
        const int w = DayOfWeek(EncodeDate(FYear, m, 1));
        const int offset = (w + 7 - int(FStartDayOfWeek) - 2) % 7;
        const int n = DaysPerMonth(FYear, m);
        for (int d = 1; d <= n; ++d) FText[size_t(offset + d)][size_t(m)] = QString::number(d);
    }
}

void TYearPlanner::ResetCells() {
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= DaysPerMonth(FYear, m); ++d) FCells[size_t(m - 1)][size_t(d - 1)] = TCellData();
}

void TYearPlanner::SetCellColor(TDateTime date, TColor color, bool repaint) {
    int y, m, d;
    DecodeDate(date, y, m, d);
    TCellData& cell = FCells[size_t(m - 1)][size_t(d - 1)];
    cell.CellColor = color;
    cell.CellColorSet = true;
    if (repaint) Invalidate();
}

void TYearPlanner::SetCellText(TDateTime date, const QString& text, bool repaint) {
    int y, m, d;
    DecodeDate(date, y, m, d);
    FCells[size_t(m - 1)][size_t(d - 1)].CellHint = text;
    if (repaint) Invalidate();
}

void TYearPlanner::ComputeGeometry() {
    const int w = Width(), h = Height();
    FColWidth = w / 41;
    FRowHeight = h / 13;
    if (FUseFreeSpace) {
        FHeadingWidth = w - FColWidth * 37;
        FHeadingHeight = h - FRowHeight * 12;
    } else {
        FHeadingWidth = FColWidth * 4;
        FHeadingHeight = FRowHeight;
    }
    const int top = (FHeadingHeight - ArrowH) / 2;
    FLeftArrow = Rect(1, top, ArrowW + 1, top + ArrowH);
    FRightArrow = Rect(FHeadingWidth - ArrowW - 1, top, FHeadingWidth - 1, top + ArrowH);
}

void TYearPlanner::BoundsChanged(bool sizeChanged) {
    TCustomControl::BoundsChanged(sizeChanged);
    if (sizeChanged) ComputeGeometry();
}

void TYearPlanner::HitTest(int x, int y, int& column, int& month) const {
    column = x < FHeadingWidth ? 0 : std::min(37, FColWidth > 0 ? (x - FHeadingWidth) / FColWidth + 1 : 37);
    month = y < FHeadingHeight ? 0 : std::min(12, FRowHeight > 0 ? (y - FHeadingHeight) / FRowHeight + 1 : 12);
}

bool TYearPlanner::IsWeekendColumn(int column) const {
    const int r = (column + int(FStartDayOfWeek)) % 7;
    return r == 6 || r == 0;
}

bool TYearPlanner::IsSelected(int column, int month) const {
    if (!FAllowSelections || column < 1 || month < 1 || FText[size_t(column)][size_t(month)].isEmpty()) return false;
    if (FSelectionStyle == ypNormal) {
        const double d = CellDate(column, month);
        return d >= double(FStartDate) && d <= double(FEndDate);
    }
    return column >= FStartCol && column <= FEndCol && month >= FStartMonth && month <= FEndMonth;
}

TColor TYearPlanner::CellBackground(int column, int month) const {
    if (column == 0) return month == 0 ? FYearColor : FMonthColor;
    if (month == 0) return IsWeekendColumn(column) ? FWeekendHeadingColor : FHeadingColor;
    const QString& text = FText[size_t(column)][size_t(month)];
    if (!text.isEmpty()) {
        if (IsSelected(column, month)) return FSelectionColor;
        const TCellData& cell = FCells[size_t(month - 1)][size_t(text.toInt() - 1)];
        if (cell.CellColorSet) return cell.CellColor;
    }
    if (IsWeekendColumn(column)) return FNoDayPriority && text.isEmpty() ? FNoDayColor : FWeekendColor;
    return text.isEmpty() ? FNoDayColor : FDayColor;
}

TDateTime TYearPlanner::CellDate(int column, int month) const {
    if (month == 0) {
        for (int c = column + 1; c <= 37; ++c)
            if (!FText[size_t(c)][1].isEmpty()) return EncodeDate(FYear, 1, FText[size_t(c)][1].toInt());
        return EncodeDate(FYear, 1, 31);  // nothing to the right: the last day of January
    }
    if (column == 0) return EncodeDate(FYear, month, 1);
    const QString& text = FText[size_t(column)][size_t(month)];
    if (!text.isEmpty()) return EncodeDate(FYear, month, text.toInt());
    return EncodeDate(FYear, month, column <= 7 ? 1 : DaysPerMonth(FYear, month));
}

void TYearPlanner::UpdateDates() {
    FStartDate = CellDate(FStartCol, FStartMonth);
    FEndDate = CellDate(FEndCol, FEndMonth);
}

void TYearPlanner::PaintTo(TCanvas* c) {
    c->Brush()->SetStyle(bsSolid);
    c->Font()->Assign(Font());
    int x = 0;
    for (int col = 0; col <= 37; ++col) {
        const int w = col == 0 ? FHeadingWidth : FColWidth;
        int y = 0;
        for (int m = 0; m <= 12; ++m) {
            const int h = m == 0 ? FHeadingHeight : FRowHeight;
            c->Brush()->SetColor(CellBackground(col, m));
            c->FillRect(Rect(x, y, x + w, y + h));
            y += h;
        }
        y = 0;
        for (int m = 0; m <= 12; ++m) {
            const int h = m == 0 ? FHeadingHeight : FRowHeight;
            TRect r = Rect(x, y + 1, x + w - 1, y + h - 1);
            if ((col == 0 || m == 0) && FSeperator) {
                TRect e = Rect(r.Left + 10, r.Top, r.Right - 10, r.Bottom);
                DrawEdge(c, e, BDR_RAISEDINNER, BF_BOTTOM);
            }
            if (!FFlatCells) {
                TRect e = r;
                DrawEdge(c, e, BDR_RAISEDINNER, BF_RECT);
            }
            const QString& text = FText[size_t(col)][size_t(m)];
            if (col == 0 && m == 0 && FYearNavigators) {
                DrawFrameControl(c, FLeftArrow, DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_FLAT);
                DrawFrameControl(c, FRightArrow, DFC_SCROLL, DFCS_SCROLLRIGHT | DFCS_FLAT);
            }
            if (!text.isEmpty()) {
                c->Font()->Assign(col == 0 && m == 0 ? FYearFont.get()
                                  : col == 0         ? FMonthFont.get()
                                  : m == 0           ? FDayFont.get()
                                                     : Font());
                c->Brush()->SetStyle(bsClear);
                const TSize ext = c->TextExtent(text);
                const int ox = (w - ext.cx) / 2, oy = (h - ext.cy) / 2;
                if (FEndEllipsis) {
                    TRect tr = Bounds(x + ox, y + oy, w, h);
                    DrawText(c, text, tr, DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
                } else {
                    c->TextOut(x + ox, y + oy, text);
                }
                c->Brush()->SetStyle(bsSolid);
            }
            y += h;
        }
        x += w;
    }
    if (FGridLines) {
        c->SetPen(FGridPen.get());
        int lx = FHeadingWidth - 1;
        const int bottom = FHeadingHeight - 1 + 12 * FRowHeight + 1;
        for (int i = 0; i < 38; ++i) {
            c->MoveTo(lx, FHeadingHeight - 1);
            c->LineTo(lx, bottom);
            if (i < 37) lx += FColWidth;
        }
        int ly = FHeadingHeight - 1;
        for (int i = 0; i < 13; ++i) {
            c->MoveTo(FHeadingWidth, ly);
            c->LineTo(lx, ly);
            ly += FRowHeight;
        }
    }
    if (FSoftBorder) {
        TRect r = Rect(0, 0, Width(), Height());
        DrawEdge(c, r, EDGE_ETCHED, BF_RECT);
    }
}

void TYearPlanner::Paint() {
    ComputeGeometry();
    if (FDrawOffScreen) {
        FOffscreen->SetWidth(Width());
        FOffscreen->SetHeight(Height());
        PaintTo(FOffscreen->Canvas());
        Canvas()->Draw(0, 0, FOffscreen.get());
    } else {
        PaintTo(Canvas());
    }
}

void TYearPlanner::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    CancelHint();
    if (button == mbRight) {
        if (FSelState == 2) OnMouseRightClick(FStartCol, FEndCol, FEndMonth, FStartMonth);
        TCustomControl::MouseDown(button, shift, x, y);
        return;
    }
    if (button != mbLeft) return TCustomControl::MouseDown(button, shift, x, y);
    const TPoint p = Point(x, y);
    if (FYearNavigators && PtInRect(FLeftArrow, p)) {
        SetYear(FYear - 1);
        return;
    }
    if (FYearNavigators && PtInRect(FRightArrow, p)) {
        SetYear(FYear + 1);
        return;
    }
    int col, month;
    HitTest(x, y, col, month);
    const bool dayCell = col > 0 && month > 0 && !FText[size_t(col)][size_t(month)].isEmpty();
    if (dayCell) {
        // The pressed day is the one under the pointer, whether or not a move told so: after a
        // modal window opened by a double-click no move may come before the next press.
        CurrentDay = quint8(FText[size_t(col)][size_t(month)].toInt());
        CurrentMonth = quint8(month);
    }
    if (dayCell || FSelectionStyle == ypRectangle) {
        FAnchorCol = FStartCol = FEndCol = col;
        FAnchorMonth = FStartMonth = FEndMonth = month;
        UpdateDates();
        // The second press of a double-click starts no drag: its release may have gone to the
        // window the double-click opened, and a drag left on would swallow every later move.
        if (!OnClick && !(shift & ssDouble)) FSelState = 1;
        Invalidate();
    }
    TCustomControl::MouseDown(button, shift, x, y);
}

void TYearPlanner::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    int col, month;
    HitTest(x, y, col, month);
    if (FSelState == 1) {
        FStartCol = FAnchorCol;
        FStartMonth = FAnchorMonth;
        FEndCol = col;
        FEndMonth = month;
        if (FSelectionStyle == ypNormal) {
            if (FStartMonth > FEndMonth || (FStartMonth == FEndMonth && FStartCol > FEndCol)) {
                std::swap(FStartCol, FEndCol);
                std::swap(FStartMonth, FEndMonth);
            }
        } else {
            if (FStartCol > FEndCol) std::swap(FStartCol, FEndCol);
            if (FStartMonth > FEndMonth) std::swap(FStartMonth, FEndMonth);
        }
        UpdateDates();
        Invalidate();
        return;
    }
    if (col == FLastHintCol && month == FLastHintMonth) return;
    if (col > 0 && month > 0 && !FText[size_t(col)][size_t(month)].isEmpty()) {
        CurrentDay = quint8(FText[size_t(col)][size_t(month)].toInt());
        CurrentMonth = quint8(month);
    }
    if (!Application->ShowHint() || !(ShowHint() || ParentShowHint())) return;
    if (FHintShowing) {
        CancelHint();
        return;
    }
    FLastHintCol = col;
    FLastHintMonth = month;
    if (col > 0 && month > 0 && !FText[size_t(col)][size_t(month)].isEmpty()) ShowHintFor(col, month, x, y);
}

void TYearPlanner::ShowHintFor(int column, int month, int x, int y) {
    const int day = FText[size_t(column)][size_t(month)].toInt();
    QString text = FCells[size_t(month - 1)][size_t(day - 1)].CellHint;
    if (text.isEmpty()) text = DateTimeToStr(EncodeDate(FYear, month, day));
    if (!text.endsWith(QLatin1Char('\r'))) text += QLatin1Char('\r');
    QStringList lines = text.split(QLatin1Char('\r'));
    lines.removeLast();
    TBitmap measure;
    measure.SetWidth(1);
    measure.SetHeight(1);
    measure.Canvas()->Font()->Assign(FHintFont.get());
    int width = 0;
    for (const QString& l : lines) width = std::max(width, measure.Canvas()->TextWidth(l));
    FHintSize = TSize{width + 5, measure.Canvas()->TextHeight(QStringLiteral("0")) * int(lines.size()) + 5};
    FHintText = lines.join(QLatin1Char('\n'));
    FHintShowing = true;
    const TPoint p = ClientToScreen(Point(x, y));
    if (!FHintWindow) {
        FHintWindow = std::make_unique<QLabel>(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        FHintWindow->setAttribute(Qt::WA_ShowWithoutActivating);
        FHintWindow->setAutoFillBackground(true);
        FHintWindow->setFrameStyle(int(QFrame::Box) | int(QFrame::Plain));
        FHintWindow->setContentsMargins(1, 0, 0, 0);
    }
    QPalette pal = FHintWindow->palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(platform::graphics::ToQRgb(FHintColor)));
    // The hint font's colour, not the desktop's tooltip text, goes on the planner's hint colour.
    pal.setColor(QPalette::WindowText, QColor::fromRgb(platform::graphics::ToQRgb(FHintFont->Color())));
    FHintWindow->setPalette(pal);
    FHintWindow->setFont(FHintFont->ToQFont());
    FHintWindow->setText(FHintText);
    FHintWindow->setGeometry(p.X, p.Y + FHintSize.cy, FHintSize.cx + 2, FHintSize.cy + 2);
    FHintWindow->show();
    FHintTimer->start(FHintDelay > 0 ? FHintDelay : Application->HintPause());
}

void TYearPlanner::CancelHint() {
    FHintTimer->stop();
    if (!FHintShowing) return;
    FHintShowing = false;
    FHintText.clear();
    if (FHintWindow) FHintWindow->hide();
}

void TYearPlanner::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft) {
        bool hasDay = false;
        const int c0 = std::min(FStartCol, FEndCol), c1 = std::max(FStartCol, FEndCol);
        for (int m = FStartMonth; m <= FEndMonth && !hasDay; ++m)
            for (int c = c0; c <= c1; ++c)
                if (c > 0 && m > 0 && !FText[size_t(c)][size_t(m)].isEmpty()) hasDay = true;
        FSelState = hasDay ? 2 : 0;
        UpdateDates();
    }
    TCustomControl::MouseUp(button, shift, x, y);
}

void TYearPlanner::DblClick() {
    if (FSelState == 2) OnDblClick(FStartCol, FEndCol, FEndMonth, FStartMonth);
}
