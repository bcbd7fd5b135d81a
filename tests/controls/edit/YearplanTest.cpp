// Year planner: the text grid, geometry and hit tests, colour rules, selection and hints.
#include "controls/edit/Yearplan.h"
#include "platform/forms/FormHarness.h"
#include "platform/rtl/SysUtils.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QToolTip>
#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class YearPlannerTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(0, 0, 700, 400);
        yp = new TYearPlanner(form);
        yp->SetParent(form);
        yp->SetBounds(0, 0, 615, 300);
        yp->SetYear(2000);
    }
    void TearDown() override { delete form; }
    // Centre of a cell.
    TPoint At(int col, int month) {
        yp->ComputeGeometry();
        const int x = col == 0 ? yp->HeadingWidth() / 2 : yp->HeadingWidth() + (col - 1) * yp->DayColumnWidth() + yp->DayColumnWidth() / 2;
        const int y = month == 0 ? yp->HeadingHeight() / 2 : yp->HeadingHeight() + (month - 1) * yp->MonthRowHeight() + yp->MonthRowHeight() / 2;
        return Point(x, y);
    }
    void Drag(TPoint from, TPoint to) {
        auto send = [&](QEvent::Type t, TPoint p, Qt::MouseButtons bs) {
            QMouseEvent e(t, QPointF(p.X, p.Y), QPointF(p.X, p.Y), Qt::LeftButton, bs, Qt::NoModifier);
            QCoreApplication::sendEvent(yp->Widget(), &e);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
    }
    TFormHarness harness;
    TForm* form = nullptr;
    TYearPlanner* yp = nullptr;
};

TEST_F(YearPlannerTest, DaysAreAlignedByWeekday) {
    EXPECT_EQ(yp->CellText(0, 0), "2000");
    EXPECT_EQ(yp->CellText(6, 1), "1");   // 1 January 2000, a Saturday
    EXPECT_EQ(yp->CellText(5, 1), "");
    EXPECT_EQ(yp->CellText(2, 2), "1");   // 1 February, a Tuesday
    EXPECT_EQ(yp->CellText(30, 2), "29"); // leap year
    EXPECT_EQ(yp->CellText(31, 2), "");
    EXPECT_EQ(yp->CellText(1, 0), FormatSettings.ShortDayNames[1].left(1));
    EXPECT_EQ(yp->CellText(7, 0), FormatSettings.ShortDayNames[0].left(1));
    EXPECT_EQ(yp->CellText(0, 3), FormatSettings.LongMonthNames[2]);
    EXPECT_EQ(yp->CellText(0, 9), QStringLiteral("septiembre"));  // never cut to nine letters
    yp->SetStartDayOfWeek(ypSunday);
    EXPECT_EQ(yp->CellText(7, 1), "1");  // Saturday is the 7th column when weeks start on Sunday
}

TEST_F(YearPlannerTest, GeometryAndHitTest) {
    yp->ComputeGeometry();
    EXPECT_EQ(yp->DayColumnWidth(), 615 / 41);
    EXPECT_EQ(yp->MonthRowHeight(), 300 / 13);
    EXPECT_EQ(yp->HeadingWidth(), 615 - 15 * 37);
    EXPECT_EQ(yp->HeadingHeight(), 300 - 23 * 12);
    int col, month;
    yp->HitTest(0, 0, col, month);
    EXPECT_EQ(col, 0);
    EXPECT_EQ(month, 0);
    yp->HitTest(yp->HeadingWidth(), yp->HeadingHeight(), col, month);
    EXPECT_EQ(col, 1);
    EXPECT_EQ(month, 1);
    yp->HitTest(614, 299, col, month);
    EXPECT_EQ(col, 37);
    EXPECT_EQ(month, 12);
    yp->HitTest(yp->HeadingWidth() + 15 * 5 + 3, yp->HeadingHeight() + 23 + 1, col, month);
    EXPECT_EQ(col, 6);
    EXPECT_EQ(month, 2);
    yp->SetUseFreeSpace(false);
    EXPECT_EQ(yp->HeadingWidth(), 15 * 4);
    EXPECT_EQ(yp->HeadingHeight(), 23);
    EXPECT_EQ(yp->LeftArrowRect().Left, 1);
    EXPECT_EQ(yp->RightArrowRect().Right, yp->HeadingWidth() - 1);
}

TEST_F(YearPlannerTest, ColoursFollowTheCellRules) {
    yp->SetWeekendColor(clRed);
    yp->SetAllowSelections(false);
    EXPECT_EQ(yp->CellBackground(0, 0), yp->YearColor());
    EXPECT_EQ(yp->CellBackground(0, 5), yp->MonthColor());
    EXPECT_EQ(yp->CellBackground(6, 0), yp->WeekendHeadingColor());
    EXPECT_EQ(yp->CellBackground(1, 0), yp->HeadingColor());
    EXPECT_EQ(yp->CellBackground(6, 1), clRed);            // Saturday 1 January
    EXPECT_EQ(yp->CellBackground(8, 1), yp->DayColor());   // Monday 3 January
    EXPECT_EQ(yp->CellBackground(1, 1), yp->NoDayColor()); // empty Monday
    yp->SetNoDayPriority(true);
    EXPECT_EQ(yp->CellBackground(13, 2), clRed);           // Saturday 12 February holds a day
    EXPECT_EQ(yp->CellBackground(35, 2), yp->NoDayColor());// empty Saturday column at the end of February
    yp->SetNoDayPriority(false);
    EXPECT_EQ(yp->CellBackground(35, 2), clRed);
    yp->SetCellColor(EncodeDate(1999, 1, 3), clLime);  // the year is ignored
    EXPECT_EQ(yp->CellBackground(8, 1), clLime);
    yp->SetCellText(EncodeDate(2000, 1, 3), QStringLiteral("Juicio"));
    EXPECT_EQ(yp->Cell(1, 3).CellHint, "Juicio");
    yp->SetYear(2001);
    EXPECT_FALSE(yp->Cell(1, 3).CellColorSet);
    EXPECT_EQ(yp->Cell(1, 3).CellHint, "");
}

TEST_F(YearPlannerTest, YearChangeFiresOnceAndStaysInRange) {
    int fired = 0;
    yp->OnYearChange = [&](TObject*) { ++fired; };
    yp->SetYear(2000);
    yp->SetYear(2003);
    EXPECT_EQ(fired, 1);
    yp->SetYear(10000);
    EXPECT_EQ(yp->Year(), 2003);
    yp->ComputeGeometry();
    const TRect r = yp->RightArrowRect();
    TFormHarness::ClickAt(yp, (r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    EXPECT_EQ(yp->Year(), 2004);
    const TRect l = yp->LeftArrowRect();
    TFormHarness::ClickAt(yp, (l.Left + l.Right) / 2, (l.Top + l.Bottom) / 2);
    EXPECT_EQ(yp->Year(), 2003);
}

TEST_F(YearPlannerTest, ClickMakesOneCellSelectionAndDoubleClickReportsIt) {
    int st = -1, en = -1, sm = -1, em = -1;
    yp->OnDblClick = [&](int a, int b, int c, int d) { st = a; en = b; sm = c; em = d; };
    const TPoint p = At(8, 1);  // 3 January
    TFormHarness::ClickAt(yp, p.X, p.Y);
    EXPECT_EQ(yp->SelectionState(), 2);
    EXPECT_EQ(yp->StartDate(), EncodeDate(2000, 1, 3));
    EXPECT_EQ(yp->EndDate(), EncodeDate(2000, 1, 3));
    EXPECT_TRUE(yp->IsSelected(8, 1));
    EXPECT_EQ(yp->CellBackground(8, 1), yp->SelectionColor());
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(p.X, p.Y), QPointF(p.X, p.Y), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QCoreApplication::sendEvent(yp->Widget(), &dbl);
    EXPECT_EQ(st, 8);
    EXPECT_EQ(en, 8);
    EXPECT_EQ(sm, 1);
    EXPECT_EQ(em, 1);
}

TEST_F(YearPlannerTest, DraggingBackwardsOrdersTheRange) {
    Drag(At(10, 3), At(8, 1));  // from a March day back to 3 January
    EXPECT_EQ(yp->SelectionState(), 2);
    EXPECT_EQ(yp->StartDate(), EncodeDate(2000, 1, 3));
    EXPECT_EQ(yp->EndDate(), EncodeDate(2000, 3, yp->CellText(10, 3).toInt()));
    EXPECT_TRUE(yp->IsSelected(20, 2));
    EXPECT_FALSE(yp->IsSelected(20, 4));
    yp->SetSelectionStyle(ypRectangle);
    Drag(At(12, 4), At(10, 2));
    EXPECT_TRUE(yp->IsSelected(11, 3));
    EXPECT_FALSE(yp->IsSelected(20, 3));
}

TEST_F(YearPlannerTest, EmptyCellsGiveMonthEdgesAsDates) {
    yp->SetSelectionStyle(ypRectangle);
    Drag(At(0, 2), At(37, 2));  // month heading to the empty end of February
    EXPECT_EQ(yp->StartDate(), EncodeDate(2000, 2, 1));
    EXPECT_EQ(yp->EndDate(), EncodeDate(2000, 2, 29));
    Drag(At(1, 1), At(3, 1));  // empty January cells in the first week only
    EXPECT_EQ(yp->SelectionState(), 0);
}

TEST_F(YearPlannerTest, ClickHandlerStopsDragging) {
    yp->OnClick = [](TObject*) {};
    Drag(At(8, 1), At(12, 1));
    EXPECT_EQ(yp->StartDate(), EncodeDate(2000, 1, 3));
    EXPECT_EQ(yp->EndDate(), EncodeDate(2000, 1, 3));
}

// The hint is drawn in the hint font's colour on the hint colour, whatever text colour the
// desktop gives tooltips (a dark desktop's is near white); the program's other tooltips keep
// the desktop's colours and font.
TEST_F(YearPlannerTest, HintTextTakesTheHintFontsColourNotTheDesktops) {
    const QPalette desktop = QToolTip::palette();
    const QFont desktopFont = QToolTip::font();
    QPalette dark = desktop;
    dark.setColor(QPalette::ToolTipText, QColor(252, 252, 252));
    QToolTip::setPalette(dark);
    yp->SetShowHint(true);
    yp->SetHintDelay(50);
    yp->HintFont()->SetSize(20);
    yp->SetCellText(EncodeDate(2000, 1, 3), QStringLiteral("Juicio oral"));
    const TPoint p = At(8, 1);
    QMouseEvent move(QEvent::MouseMove, QPointF(p.X, p.Y), QPointF(p.X, p.Y), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(yp->Widget(), &move);
    ASSERT_TRUE(yp->HintShowing());
    ASSERT_NE(yp->HintWindow(), nullptr);
    EXPECT_TRUE(yp->HintWindow()->isVisible());
    const QPalette pal = yp->HintWindow()->palette();
    EXPECT_EQ(pal.color(QPalette::Window).rgb(), QColor(Qt::yellow).rgb());
    EXPECT_EQ(pal.color(QPalette::WindowText).rgb(), QColor(Qt::black).rgb());
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipText).rgb(), QColor(252, 252, 252).rgb());
    EXPECT_EQ(QToolTip::palette().color(QPalette::ToolTipBase).rgb(), desktop.color(QPalette::ToolTipBase).rgb());
    EXPECT_EQ(QToolTip::font(), desktopFont);
    yp->CancelHint();
    EXPECT_FALSE(yp->HintWindow()->isVisible());
    QToolTip::setPalette(desktop);
}

TEST_F(YearPlannerTest, HintShowsCellTextOrDateWithoutBlocking) {
    yp->SetShowHint(true);
    yp->SetHintDelay(50);
    yp->SetCellText(EncodeDate(2000, 1, 3), QStringLiteral("Juicio oral\rSala 2"));
    const TPoint p = At(8, 1);
    QMouseEvent move(QEvent::MouseMove, QPointF(p.X, p.Y), QPointF(p.X, p.Y), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(yp->Widget(), &move);  // returns at once: no nested loop
    EXPECT_EQ(yp->CurrentDay, 3);
    EXPECT_EQ(yp->CurrentMonth, 1);
    ASSERT_TRUE(yp->HintShowing());
    EXPECT_EQ(yp->HintText(), "Juicio oral\nSala 2");
    EXPECT_GT(yp->HintSize().cy, 0);
    // Another cell while showing only cancels; the next move shows the new one.
    const TPoint q = At(9, 1);
    QMouseEvent move2(QEvent::MouseMove, QPointF(q.X, q.Y), QPointF(q.X, q.Y), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(yp->Widget(), &move2);
    EXPECT_FALSE(yp->HintShowing());
    QCoreApplication::sendEvent(yp->Widget(), &move2);
    ASSERT_TRUE(yp->HintShowing());
    EXPECT_EQ(yp->HintText(), DateTimeToStr(EncodeDate(2000, 1, 4)));
    QElapsedTimer t;
    t.start();
    while (yp->HintShowing() && t.elapsed() < 2000) QApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_FALSE(yp->HintShowing());
}

TEST_F(YearPlannerTest, ClosingWhileAHintShowsDoesNotHang) {
    yp->SetShowHint(true);
    const TPoint p = At(8, 1);
    QMouseEvent move(QEvent::MouseMove, QPointF(p.X, p.Y), QPointF(p.X, p.Y), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(yp->Widget(), &move);
    ASSERT_TRUE(yp->HintShowing());
    delete form;
    form = nullptr;
    QApplication::processEvents();
    EXPECT_FALSE(QToolTip::isVisible());
}

}  // namespace
