// Calendar grid: month offsets, cell texts, date parts, month and year stepping, the popup's keys
// and the modal date dialog.
#include "controls/edit/PickDate.h"
#include "controls/visual/DateHelpers.h"
#include "platform/forms/FormHarness.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

using platform::forms::TFormHarness;

namespace {

class CalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        cal = new TZbCalendar(form);
        cal->SetParent(form);
        cal->SetBounds(0, 0, 218, 113);
        cal->SetUseCurrentDate(false);
    }
    void TearDown() override { delete form; }
    TFormHarness harness;
    TForm* form = nullptr;
    TZbCalendar* cal = nullptr;
};

TEST_F(CalendarTest, MonthOffsetPlacesTheFirstDay) {
    cal->SetCalendarDate(EncodeDate(2004, 3, 10));  // 1 March 2004: Monday
    EXPECT_EQ(cal->MonthOffset(), 1);
    EXPECT_EQ(cal->CellText(0, 1), "1");
    cal->SetCalendarDate(EncodeDate(2004, 2, 10));  // 1 February 2004: Sunday, the last column
    EXPECT_EQ(cal->MonthOffset(), -5);
    EXPECT_EQ(cal->CellText(6, 1), "1");
    EXPECT_EQ(cal->CellText(5, 1), "");
    EXPECT_EQ(cal->CellText(0, 6), "");  // 29 February is in row 5
    EXPECT_EQ(cal->CellText(0, 5), "23");
    cal->SetCalendarDate(EncodeDate(2004, 5, 31));  // May 2004 starts on Saturday: six rows
    EXPECT_EQ(cal->CellText(0, 6), "31");
    EXPECT_EQ(cal->Col(), 0);
    EXPECT_EQ(cal->Row(), 6);
}

TEST_F(CalendarTest, FebruaryOfLeapAndCommonYears) {
    struct Feb { int year, firstCol, days; };
    // Monday-first columns of the 1st; centuries are common years unless divisible by 400.
    const Feb febs[] = {{2004, 6, 29}, {2001, 3, 28}, {2000, 1, 29}, {1900, 3, 28}, {2100, 0, 28}};
    auto cell = [&](const Feb& f, int day) {
        const int i = f.firstCol + day - 1;
        return cal->CellText(i % 7, 1 + i / 7);
    };
    for (const Feb& f : febs) {
        cal->SetCalendarDate(EncodeDate(f.year, 2, 10));
        EXPECT_EQ(cal->DaysThisMonth(), f.days) << f.year;
        EXPECT_EQ(cell(f, 1), "1") << f.year;
        EXPECT_EQ(cell(f, 28), "28") << f.year;
        EXPECT_EQ(cell(f, 29), f.days == 29 ? "29" : "") << f.year;
        EXPECT_EQ(cell(f, 30), "") << f.year;
        cal->SetDay(29);  // refused in a common year
        EXPECT_EQ(cal->Day(), f.days == 29 ? 29 : 10) << f.year;
    }
    cal->SetCalendarDate(EncodeDate(2000, 2, 29));
    cal->PrevYear();
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(1999, 2, 28));
    cal->SetCalendarDate(EncodeDate(2000, 3, 31));
    cal->PrevMonth();
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2000, 2, 29));
    cal->SetCalendarDate(EncodeDate(1900, 3, 31));
    cal->PrevMonth();
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(1900, 2, 28));
}

TEST_F(CalendarTest, SundayFirstMakesSundayTheRedColumn) {
    cal->SetStartOfWeek(Sun);
    EXPECT_TRUE(cal->IsWeekend(0, 0));
    EXPECT_TRUE(cal->IsWeekend(0, 3));
    EXPECT_FALSE(cal->IsWeekend(6, 3));
    EXPECT_EQ(cal->CellText(0, 0), FormatSettings.ShortDayNames[0]);
    cal->SetStartOfWeek(Mon);
    EXPECT_TRUE(cal->IsWeekend(6, 2));
    EXPECT_EQ(cal->CellText(0, 0), FormatSettings.ShortDayNames[1]);
}

TEST_F(CalendarTest, MonthAndYearSteppingClampsTheDay) {
    cal->SetCalendarDate(EncodeDate(2001, 1, 31));
    cal->NextMonth();
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2001, 2, 28));
    cal->SetCalendarDate(EncodeDate(2004, 1, 31));
    cal->NextMonth();
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2004, 2, 29));
    cal->SetCalendarDate(EncodeDate(2000, 2, 29));
    cal->NextYear();
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2001, 2, 28));
    cal->SetCalendarDate(EncodeDate(2001, 3, 31));
    cal->PrevMonth();
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2001, 2, 28));
}

TEST_F(CalendarTest, SteppingStopsAtTheFirstAndLastDays) {
    cal->SetCalendarDate(EncodeDate(9999, 12, 31));
    int changes = 0;
    cal->OnChange = [&](TObject*) { ++changes; };
    cal->NextMonth();
    cal->NextYear();
    cal->SetYear(10000);
    quint16 k = VK_RIGHT;
    cal->KeyDown(k, 0);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(9999, 12, 31));
    cal->SetCalendarDate(EncodeDate(1, 1, 1));
    changes = 0;
    cal->PrevMonth();
    cal->PrevYear();
    k = VK_LEFT;
    cal->KeyDown(k, 0);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(1, 1, 1));
    EXPECT_EQ(changes, 0);
    cal->NextYear();
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2, 1, 1));
}

TEST_F(CalendarTest, InvalidPartsLeaveTheDateUnchanged) {
    cal->SetCalendarDate(EncodeDate(2001, 5, 15));
    int changes = 0;
    cal->OnChange = [&](TObject*) { ++changes; };
    cal->SetMonth(13);
    cal->SetDay(32);
    cal->SetDay(0);
    cal->SetYear(-3);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2001, 5, 15));
    EXPECT_EQ(changes, 0);
    cal->SetDay(20);
    EXPECT_EQ(changes, 1);
    cal->SetCalendarDate(EncodeDate(2004, 2, 29));
    cal->SetYear(2003);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2003, 2, 28));
}

TEST_F(CalendarTest, KeysMoveByDayAndWeek) {
    cal->SetCalendarDate(EncodeDate(2001, 3, 1));
    quint16 k = VK_LEFT;
    cal->KeyDown(k, 0);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2001, 2, 28));
    k = VK_ADD;
    cal->KeyDown(k, 0);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2001, 3, 1));
    k = VK_DOWN;
    cal->KeyDown(k, 0);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2001, 3, 8));
    k = VK_UP;
    cal->KeyDown(k, 0);
    k = VK_UP;
    cal->KeyDown(k, 0);  // would leave the month: stays
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2001, 3, 1));
    QChar t('t');
    cal->KeyPress(t);
    EXPECT_EQ(cal->CalendarDate(), ::Date());
    EXPECT_TRUE(t.isNull());
}

TEST_F(CalendarTest, ClickOnEmptyCellSelectsNothing) {
    cal->SetCalendarDate(EncodeDate(2004, 2, 10));
    const TRect empty = cal->CellRect(0, 1);
    TFormHarness::ClickAt(cal, empty.Left + 2, empty.Top + 2);
    EXPECT_EQ(cal->CalendarDate(), EncodeDate(2004, 2, 10));
    const TRect day = cal->CellRect(2, 2);
    TFormHarness::ClickAt(cal, day.Left + 2, day.Top + 2);
    EXPECT_EQ(cal->Day(), cal->CellText(2, 2).toInt());
}

class PopupCalendarTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = new TForm(Application);
        edit = new TEdit(form);
        edit->SetParent(form);
        popup = static_cast<TPopupCalendar*>(CreatePopupCalendar(edit));
        popup->OnCloseUp = [this](TObject*, bool accept) { closes.push_back(accept); };
    }
    void TearDown() override { delete form; }
    TFormHarness harness;
    TForm* form = nullptr;
    TEdit* edit = nullptr;
    TPopupCalendar* popup = nullptr;
    std::vector<bool> closes;
};

TEST_F(PopupCalendarTest, SizeAndButtons) {
    EXPECT_EQ(popup->Width(), 187);
    EXPECT_EQ(popup->Height(), 124);
    EXPECT_EQ(popup->Buttons(1)->Hint(), QStringLiteral("Предыдущий месяц|"));
    TStringList hints;
    hints.SetText("Año anterior\n\nMes siguiente\nAño siguiente\nsobra");
    SetupPopupCalendar(popup, Sun, DayBit(Sun) | DayBit(Sat), clBlue, &hints);
    EXPECT_EQ(popup->Buttons(0)->Hint(), "Año anterior");
    EXPECT_EQ(popup->Buttons(1)->Hint(), QStringLiteral("Предыдущий месяц|"));
    EXPECT_EQ(popup->Buttons(3)->Hint(), "Año siguiente");
    EXPECT_EQ(popup->Calendar()->StartOfWeek(), Sun);
    EXPECT_EQ(popup->Calendar()->WeekendColor(), clBlue);
}

TEST_F(PopupCalendarTest, ValuesInAndOut) {
    popup->SetValue(Variant(EncodeDate(2003, 7, 14)));
    EXPECT_EQ(popup->GetValue().AsDateTime(), EncodeDate(2003, 7, 14));
    EXPECT_EQ(popup->TitleLabel()->Caption(), FormatDateTime(QStringLiteral("MMMM, YYYY"), EncodeDate(2003, 7, 14)));
    popup->SetValue(Variant(QStringLiteral("  /  /    ")));
    EXPECT_EQ(popup->GetValue().AsDateTime(), ::Date());
    popup->SetValue(Variant::Null());
    EXPECT_EQ(popup->GetValue().AsDateTime(), ::Date());
    popup->SetValue(Variant(QStringLiteral("basura")));
    EXPECT_EQ(popup->GetValue().AsDateTime(), ::Date());
}

TEST_F(PopupCalendarTest, PageKeysAndToday) {
    popup->SetValue(Variant(EncodeDate(2003, 7, 31)));
    quint16 k = VK_PRIOR;
    popup->KeyDown(k, ssCtrl);
    EXPECT_EQ(popup->GetValue().AsDateTime(), EncodeDate(2002, 7, 31));
    k = VK_NEXT;
    popup->KeyDown(k, 0);
    EXPECT_EQ(popup->GetValue().AsDateTime(), EncodeDate(2002, 8, 31));
    k = VK_NEXT;
    popup->KeyDown(k, 0);
    EXPECT_EQ(popup->GetValue().AsDateTime(), EncodeDate(2002, 9, 30));
    QChar t('t');
    popup->KeyPress(t);
    EXPECT_EQ(popup->GetValue().AsDateTime(), ::Date());
    EXPECT_TRUE(closes.empty());  // "t" does not close
}

TEST_F(PopupCalendarTest, DayClickAcceptsEmptyCellDoesNot) {
    popup->SetValue(Variant(EncodeDate(2004, 2, 10)));
    TLocCalendar* cal = popup->Calendar();
    cal->SetBounds(0, 0, 180, 100);
    const TRect empty = cal->CellRect(0, 1);
    TFormHarness::ClickAt(cal, empty.Left + 2, empty.Top + 2);
    EXPECT_TRUE(closes.empty());
    const TRect day = cal->CellRect(3, 3);
    TFormHarness::ClickAt(cal, day.Left + 2, day.Top + 2);
    ASSERT_EQ(closes.size(), 1u);
    EXPECT_TRUE(closes[0]);
    EXPECT_EQ(cal->Day(), cal->CellText(3, 3).toInt());
}

TEST(SelectDateTest, DialogReturnsTheChosenDateOrNothing) {
    TFormHarness harness;
    harness.AnswerModal([](TCustomForm& f) {
        auto& dlg = static_cast<TSelectDateDlg&>(f);
        EXPECT_EQ(dlg.Caption(), "Fecha de alta");
        dlg.NextMonthBtnClick(nullptr);
        dlg.SetModalResult(mrOk);
    });
    TDateTime d = EncodeDate(2001, 1, 31);
    EXPECT_TRUE(SelectDate(d, QStringLiteral("Fecha de alta"), Mon, DayBit(Sun), clRed, nullptr));
    EXPECT_EQ(d, EncodeDate(2001, 2, 28));
    harness.AnswerModal(mrCancel);
    EXPECT_FALSE(SelectDate(d, QString(), Mon, DayBit(Sun), clRed, nullptr));
    EXPECT_EQ(d, EncodeDate(2001, 2, 28));
    harness.AnswerModal([](TCustomForm& f) {
        auto& dlg = static_cast<TSelectDateDlg&>(f);
        EXPECT_EQ(dlg.Date(), ::Date());  // the null date opens on today
        quint16 k = VK_TAB;
        dlg.FormKeyDown(&dlg, k, 0);
        k = VK_RETURN;
        dlg.FormKeyDown(&dlg, k, 0);
    });
    TDateTime none = 0;
    EXPECT_TRUE(SelectDate(none, QString(), Mon, DayBit(Sun), clRed, nullptr));
    EXPECT_EQ(none, IncMonth(::Date(), 1));
}

}  // namespace
