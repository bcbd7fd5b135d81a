// Month calendar panel: day cells, week numbers, colour precedence, keyboard and mouse steps.
#include "controls/edit/Calpnl.h"
#include "platform/forms/Beep.h"
#include "platform/forms/FormHarness.h"
#include "platform/rtl/SysUtils.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class CalenPnlTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        form->SetBounds(0, 0, 300, 300);
        pnl = new TCalenPnl(form);
        pnl->SetParent(form);
        pnl->SetBounds(10, 10, 210, 180);
    }
    void TearDown() override { delete form; }
    void Key(quint16 k) { pnl->KeyDown(k, 0); }
    TFormHarness harness;
    TForm* form = nullptr;
    TCalenPnl* pnl = nullptr;
};

TEST_F(CalenPnlTest, MonthStartingOnFirstColumnFillsCellsWithBlanksOrAdjacentDays) {
    pnl->SetGermanDate(true);
    pnl->SetDate(EncodeDate(2004, 3, 10));  // 1 March 2004 is a Monday
    EXPECT_EQ(pnl->FirstCell(), 1);
    EXPECT_EQ(pnl->CellText(1), "+1");
    EXPECT_EQ(pnl->CellText(31), "+31");
    EXPECT_EQ(pnl->CellText(32), "   ");
    EXPECT_EQ(pnl->SelectedCell(), 10);
    pnl->SetDate(EncodeDate(2004, 4, 10));  // 1 April 2004 is a Thursday
    EXPECT_EQ(pnl->CellText(1), "   ");
    pnl->SetShowWeeks(true);
    EXPECT_EQ(pnl->CellText(1), "-29");  // 29 March
    EXPECT_EQ(pnl->CellText(3), "-31");
    EXPECT_EQ(pnl->CellText(4), "+1");
    EXPECT_EQ(pnl->CellText(33), "+30");  // Friday 30 April
    EXPECT_EQ(pnl->CellText(34), "-1");
    EXPECT_EQ(pnl->CellText(35), "-2");   // to the end of the week only
    EXPECT_EQ(pnl->CellText(36), "   ");
}

TEST_F(CalenPnlTest, WeekNumbersFollowMondayOrSundayRule) {
    EXPECT_EQ(TCalenPnl::WeekNumber(EncodeDate(2004, 1, 1), true), 1);
    EXPECT_EQ(TCalenPnl::WeekNumber(EncodeDate(2003, 12, 29), true), 1);
    EXPECT_EQ(TCalenPnl::WeekNumber(EncodeDate(2005, 1, 1), true), 53);
    EXPECT_EQ(TCalenPnl::WeekNumber(EncodeDate(2003, 12, 28), false), 1);
    EXPECT_EQ(TCalenPnl::WeekNumber(EncodeDate(2004, 1, 3), false), 1);
    EXPECT_EQ(TCalenPnl::WeekNumber(EncodeDate(2004, 1, 4), false), 2);
    pnl->SetGermanDate(true);
    pnl->SetDate(EncodeDate(2005, 1, 15));
    pnl->SetShowWeeks(true);
    ASSERT_EQ(pnl->WeekCount(), 6);
    EXPECT_EQ(pnl->WeekText(0), "53");
    EXPECT_EQ(pnl->WeekText(1), "1");
    EXPECT_EQ(pnl->WeekText(5), "5");
}

TEST_F(CalenPnlTest, ColourPrecedence) {
    pnl->SetGermanDate(true);
    pnl->SetDate(EncodeDate(2004, 3, 1));  // Monday in cell 1; Saturday 6 March in cell 6
    pnl->SetColHoliday(clRed);
    pnl->SetColMarked(clNavy);
    pnl->SetColDays(2, clGreen);
    pnl->SetColDays(13, clAqua);
    pnl->SetColSaturday(clOlive);
    TStringList hol, mark, d2, d13;
    hol.SetText("5\n6\n9");
    mark.SetText("6");
    d2.SetText("5");
    d13.SetText("05");  // no leading zeros: matches nothing
    pnl->SetHolidays(&hol);
    pnl->SetMarkdays(&mark);
    pnl->SetDays(2, &d2);
    pnl->SetDays(13, &d13);
    EXPECT_EQ(pnl->CellColor(5), clGreen);   // holiday and days2
    EXPECT_EQ(pnl->CellColor(6), clNavy);    // Saturday holiday and marked
    EXPECT_EQ(pnl->CellColor(9), clRed);     // holiday
    EXPECT_EQ(pnl->CellColor(13), clOlive);  // Saturday in no list
    EXPECT_EQ(pnl->CellColor(14), clPurple); // Sunday (default colour)
    EXPECT_EQ(pnl->CellColor(2), clBlack);
    pnl->SetShowWeeks(true);
    TStringList grey;
    grey.SetText("2");
    pnl->SetDays(1, &grey);  // "2" also names 2 April, drawn grey anyway
    EXPECT_EQ(pnl->CellText(33), "-2");
    EXPECT_EQ(pnl->CellColor(33), clBtnShadow);
}

TEST_F(CalenPnlTest, SetDateFiresOnlyOnChange) {
    int fired = 0;
    pnl->OnDateChange = [&](TObject*) { ++fired; };
    pnl->SetDate(EncodeDate(2010, 5, 5));
    pnl->SetDate(EncodeDate(2010, 5, 5));
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(pnl->Year(), 2010);
    EXPECT_EQ(pnl->Month(), 5);
    EXPECT_EQ(pnl->Day(), 5);
}

TEST_F(CalenPnlTest, PageKeysStepByMonthLengths) {
    pnl->SetDate(EncodeDate(2001, 3, 31));
    Key(VK_PRIOR);
    EXPECT_EQ(pnl->Date(), EncodeDate(2001, 2, 28));
    pnl->SetDate(EncodeDate(2001, 3, 15));
    Key(VK_PRIOR);
    EXPECT_EQ(pnl->Date(), EncodeDate(2001, 2, 15));
    pnl->SetDate(EncodeDate(2001, 3, 30));
    Key(VK_PRIOR);
    EXPECT_EQ(pnl->Date(), EncodeDate(2001, 2, 27));
    pnl->SetDate(EncodeDate(2001, 1, 31));
    Key(VK_NEXT);
    EXPECT_EQ(pnl->Date(), EncodeDate(2001, 2, 28));
}

TEST_F(CalenPnlTest, PageUpFromTheMonthsLastDaysIntoAShorterMonth) {
    struct Step { int y, m, d, ey, em, ed; };
    // The day fits the previous month (28th into a common February, 29th into a leap one, 30th
    // into April): one previous month back; it does not: one current month back.
    const Step up[] = {{2001, 3, 28, 2001, 2, 28}, {2001, 3, 29, 2001, 2, 26}, {2004, 3, 29, 2004, 2, 29},
                       {2004, 3, 30, 2004, 2, 28}, {2004, 3, 31, 2004, 2, 29}, {1900, 3, 29, 1900, 2, 26},
                       {2000, 3, 29, 2000, 2, 29}, {2001, 5, 30, 2001, 4, 30}, {2001, 5, 31, 2001, 4, 30},
                       {2001, 1, 31, 2000, 12, 31}};
    for (const Step& s : up) {
        pnl->SetDate(EncodeDate(s.y, s.m, s.d));
        Key(VK_PRIOR);
        EXPECT_EQ(DateToStr(pnl->Date()), DateToStr(EncodeDate(s.ey, s.em, s.ed))) << s.d << "/" << s.m << "/" << s.y;
        EXPECT_EQ(pnl->Day(), s.ed);
        EXPECT_EQ(pnl->CellText(pnl->SelectedCell()), "+" + QString::number(s.ed));
    }
    const Step down[] = {{2001, 1, 28, 2001, 2, 28}, {2001, 1, 29, 2001, 2, 26}, {2004, 1, 29, 2004, 2, 29},
                         {2004, 1, 30, 2004, 2, 28}, {2100, 1, 29, 2100, 2, 26}};
    for (const Step& s : down) {
        pnl->SetDate(EncodeDate(s.y, s.m, s.d));
        Key(VK_NEXT);
        EXPECT_EQ(DateToStr(pnl->Date()), DateToStr(EncodeDate(s.ey, s.em, s.ed))) << s.d << "/" << s.m << "/" << s.y;
    }
}

TEST_F(CalenPnlTest, FebruaryOfLeapAndCommonYears) {
    struct Feb { int year, first, days; };
    // Sunday-first layout: the cell of the 1st and the month's length, centuries included.
    const Feb febs[] = {{2004, 1, 29}, {2001, 5, 28}, {2000, 3, 29}, {1900, 5, 28}, {2100, 2, 28}};
    for (const Feb& f : febs) {
        pnl->SetDate(EncodeDate(f.year, 2, 10));
        EXPECT_EQ(pnl->FirstCell(), f.first) << f.year;
        EXPECT_EQ(pnl->CellText(f.first + 27), "+28") << f.year;
        EXPECT_EQ(pnl->CellText(f.first + 28), f.days == 29 ? "+29" : "   ") << f.year;
        EXPECT_EQ(pnl->CellText(f.first + 29), "   ") << f.year;
    }
    pnl->SetShowWeeks(true);
    pnl->SetDate(EncodeDate(2001, 2, 10));  // Wednesday 28 February: Thursday to Saturday of March follow
    EXPECT_EQ(pnl->CellText(4), "-31");
    EXPECT_EQ(pnl->CellText(33), "-1");
    EXPECT_EQ(pnl->CellText(35), "-3");
    EXPECT_EQ(pnl->CellText(36), "   ");
    pnl->SetDate(EncodeDate(2004, 3, 10));  // March 2004 starts Monday: leap February's 29th before it
    EXPECT_EQ(pnl->CellText(1), "-29");
}

TEST_F(CalenPnlTest, HomeAndEndStepAYearAcrossLeapDays) {
    pnl->SetDate(EncodeDate(2000, 2, 10));
    Key(VK_HOME);
    EXPECT_EQ(pnl->Date(), EncodeDate(2001, 2, 10));
    pnl->SetDate(EncodeDate(2000, 3, 15));
    Key(VK_END);
    EXPECT_EQ(pnl->Date(), EncodeDate(1999, 3, 15));
}

TEST_F(CalenPnlTest, ArrowKeysStepAndRefuseAtTheEdges) {
    pnl->SetDate(EncodeDate(2004, 2, 28));
    Key(VK_RIGHT);
    EXPECT_EQ(pnl->Date(), EncodeDate(2004, 2, 29));
    Key(VK_DOWN);
    EXPECT_EQ(pnl->Date(), EncodeDate(2004, 3, 7));
    pnl->SetDate(EncodeDate(9999, 12, 31));
    const int beeps = platform::forms::BeepCount();
    Key(VK_RIGHT);
    EXPECT_EQ(pnl->Date(), EncodeDate(9999, 12, 31));
    EXPECT_EQ(platform::forms::BeepCount(), beeps + 1);
}

TEST_F(CalenPnlTest, ClickSelectsDaysOfTheShownMonthOnly) {
    pnl->SetGermanDate(true);
    pnl->SetShowWeeks(true);
    pnl->SetDate(EncodeDate(2004, 4, 10));  // 1 April in cell 4
    pnl->ComputeLayout();
    int fired = 0, dbl = 0;
    pnl->OnDateChange = [&](TObject*) { ++fired; };
    pnl->OnDblClick = [&](TObject*) { ++dbl; };
    const TRect g = pnl->GridRect();
    const int cw = pnl->ColWidth(), rh = pnl->RowHeight();
    // Row 2, column 3: cell 10 = 7 April.
    TFormHarness::ClickAt(pnl, g.Left + 2 * cw + cw / 2, g.Top + rh + rh / 2);
    EXPECT_EQ(pnl->Date(), EncodeDate(2004, 4, 7));
    EXPECT_EQ(fired, 1);
    TFormHarness::ClickAt(pnl, g.Left + 2 * cw + cw / 2, g.Top + rh + rh / 2);
    EXPECT_EQ(fired, 2);  // the selected day again
    TFormHarness::ClickAt(pnl, g.Left + cw / 2, g.Top + rh / 2);  // 29 March, grey
    EXPECT_EQ(pnl->Date(), EncodeDate(2004, 4, 7));
    EXPECT_EQ(fired, 2);
    TFormHarness::DoubleClick(pnl);  // the last press was in the grid
    EXPECT_EQ(dbl, 1);
    TFormHarness::ClickAt(pnl, g.Left + cw / 2, g.Top - rh / 2);  // heading row
    dbl = 0;
    // The double-click event comes before its own press: the heading press decides.
    QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(g.Left + cw / 2, g.Top - rh / 2),
                  QPointF(pnl->ClientToScreen(Point(g.Left + cw / 2, g.Top - rh / 2)).X, 0), Qt::LeftButton,
                  Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(pnl->Widget(), &e);
    EXPECT_EQ(dbl, 0);
}

TEST_F(CalenPnlTest, ClickLeavesTheFocusWhereItWasAndTabReachesThePanel) {
    auto* edit = new TEdit(form);
    edit->SetParent(form);
    edit->SetBounds(10, 250, 100, 21);
    form->Show();
    TFormHarness::Focus(edit);
    pnl->ComputeLayout();
    const TRect g = pnl->GridRect();
    TFormHarness::ClickAt(pnl, g.Left + 3, g.Top + 3);
    EXPECT_TRUE(edit->Focused());
    TFormHarness::Focus(pnl);
    ASSERT_TRUE(pnl->Focused());
    pnl->SetDate(EncodeDate(2004, 6, 10));
    TFormHarness::PressKey(pnl, VK_LEFT);
    EXPECT_EQ(pnl->Date(), EncodeDate(2004, 6, 9));
    TFormHarness::PressKey(pnl, VK_NEXT);
    EXPECT_EQ(pnl->Date(), EncodeDate(2004, 7, 9));
}

TEST_F(CalenPnlTest, MonthButtonsActAsPageKeysAndAlwaysFire) {
    pnl->SetShowDate(true);
    pnl->SetDate(EncodeDate(2001, 1, 31));
    int fired = 0;
    pnl->OnDateChange = [&](TObject*) { ++fired; };
    pnl->NextButton()->Click();
    EXPECT_EQ(pnl->Date(), EncodeDate(2001, 2, 28));
    pnl->PrevButton()->Click();
    EXPECT_EQ(pnl->Date(), EncodeDate(2001, 1, 28));
    EXPECT_EQ(fired, 2);
    pnl->SetDate(EncodeDate(1, 1, 5));
    fired = 0;
    pnl->PrevButton()->Click();
    EXPECT_EQ(pnl->Date(), EncodeDate(1, 1, 5));
    EXPECT_EQ(fired, 1);  // refused, still fired
}

TEST_F(CalenPnlTest, LayoutFollowsFrameAndRows) {
    pnl->SetBounds(0, 0, 160, 160);
    pnl->ComputeLayout();
    // frame = bevel outer 1 + inner 1 + border 1 = 3; w = 154, mx = 1, col = 152 div 7 = 21.
    EXPECT_EQ(pnl->ColWidth(), 21);
    EXPECT_EQ(pnl->RowHeight(), 21);
    EXPECT_EQ(pnl->HeaderRect().Left, 3 + (154 - 147) / 2);
    EXPECT_EQ(pnl->GridRect().Top, pnl->HeaderRect().Top + 21);
    pnl->SetShowDate(true);
    pnl->ComputeLayout();
    EXPECT_EQ(pnl->RowHeight(), 152 / 8);
    EXPECT_EQ(pnl->GridRect().Top, pnl->HeaderRect().Top + 2 * (152 / 8));
}

}  // namespace
