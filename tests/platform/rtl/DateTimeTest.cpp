// Calendar encoding, FormatDateTime tokens and reading dates from text.
#include "platform/rtl/SysUtils.h"

#include <QDate>
#include <cmath>
#include <gtest/gtest.h>

namespace {
struct SettingsGuard {
    TFormatSettings Saved = FormatSettings;
    ~SettingsGuard() { FormatSettings = Saved; }
};

TDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0) {
    return TDateTime(EncodeDate(y, m, d) + EncodeTime(h, n, s, ms));
}
}  // namespace

TEST(EncodeDate, LimitsOfTheCalendar) {
    EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
    EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
    EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
    EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
    EXPECT_EQ(EncodeDate(2000, 2, 29) - EncodeDate(2000, 2, 28), 1.0);
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));
    EXPECT_THROW(EncodeDate(2023, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(1900, 2, 29), EConvertError);
    EXPECT_THROW(EncodeDate(0, 1, 1), EConvertError);
    EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
    EXPECT_THROW(EncodeDate(2024, 13, 1), EConvertError);
    EXPECT_THROW(EncodeDate(2024, 4, 31), EConvertError);
    EXPECT_THROW(EncodeDate(2024, 1, 0), EConvertError);
    try {
        EncodeDate(2023, 2, 29);
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Invalid argument to date encode");
    }
    TDateTime d;
    EXPECT_FALSE(TryEncodeDate(2023, 2, 29, d));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2024));
}

TEST(EncodeDate, RoundTripsWithDecodeDateOverCenturies) {
    int expectedDow = DayOfWeek(EncodeDate(1, 1, 1));
    EXPECT_EQ(expectedDow, 2);  // 01/01/0001 was a Monday
    double prev = 0;
    for (int y : {1, 4, 99, 100, 400, 1600, 1899, 1900, 1999, 2000, 2001, 2024, 2100, 9999}) {
        for (int m = 1; m <= 12; ++m) {
            int days = MonthDays[IsLeapYear(y)][m - 1];
            for (int d = 1; d <= days; ++d) {
                TDateTime t = EncodeDate(y, m, d);
                int yy, mm, dd, dow;
                bool leap = DecodeDateFully(t, yy, mm, dd, dow);
                ASSERT_EQ(yy, y);
                ASSERT_EQ(mm, m);
                ASSERT_EQ(dd, d);
                ASSERT_EQ(leap, IsLeapYear(y));
                ASSERT_EQ(dow, DayOfWeek(t));
                if (m != 1 || d != 1) {
                    ASSERT_EQ(t.Val, prev + 1);  // consecutive within the year
                }
                prev = t.Val;
            }
        }
    }
    // Every day from 1990 to 2030 in a row.
    for (double t = EncodeDate(1990, 1, 1); t <= EncodeDate(2030, 12, 31); t += 1) {
        int y, m, d;
        DecodeDate(t, y, m, d);
        ASSERT_EQ(EncodeDate(y, m, d), t);
    }
}

TEST(EncodeDate, DayOfWeekStartsOnSunday) {
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 17)), 1);   // Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 18)), 2);
    EXPECT_EQ(DayOfWeek(At(2024, 3, 18, 23, 59)), 2);
}

TEST(EncodeTime, ValidRangeAndDecoding) {
    EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
    EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 60, 0), EConvertError);
    EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
    EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
    try {
        EncodeTime(24, 0, 0, 0);
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Invalid argument to time encode");
    }
    int h, n, s, ms;
    DecodeTime(At(2024, 5, 6, 23, 59, 58, 999), h, n, s, ms);
    EXPECT_EQ(h, 23);
    EXPECT_EQ(n, 59);
    EXPECT_EQ(s, 58);
    EXPECT_EQ(ms, 999);
    for (int hh = 0; hh < 24; ++hh)
        for (int mm = 0; mm < 60; mm += 7) {
            DecodeTime(EncodeTime(hh, mm, 31, 250), h, n, s, ms);
            ASSERT_EQ(h, hh);
            ASSERT_EQ(n, mm);
            ASSERT_EQ(s, 31);
            ASSERT_EQ(ms, 250);
        }
}

TEST(EncodeDate, NegativeValuesCountBackFromTheBase) {
    int y, m, d, h, n, s, ms;
    DecodeDate(TDateTime(-1.25), y, m, d);
    DecodeTime(TDateTime(-1.25), h, n, s, ms);
    EXPECT_EQ(QDate(y, m, d), QDate(1899, 12, 29));
    EXPECT_EQ(h, 6);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", TDateTime(-1.25)), "29/12/1899 06:00");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", TDateTime(-0.5)), "30/12/1899");
}

TEST(FormatDateTime, DayMonthYearTokens) {
    TDateTime t = At(2024, 3, 5, 14, 7, 9, 45);
    EXPECT_EQ(FormatDateTime("d/m/yy", t), "5/3/24");
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy", t), "05/03/2024");
    EXPECT_EQ(FormatDateTime("ddd dddd", t), "mar martes");
    EXPECT_EQ(FormatDateTime("mmm mmmm", t), "mar marzo");
    EXPECT_EQ(FormatDateTime("ddddd", t), "05/03/2024");
    EXPECT_EQ(FormatDateTime("dddddd", t), "martes, 5 de marzo de 2024");
    EXPECT_EQ(FormatDateTime("yyyy", EncodeDate(987, 1, 1)), "0987");
    EXPECT_EQ(FormatDateTime("dddd", EncodeDate(2024, 7, 6)), "sábado");
    EXPECT_EQ(FormatDateTime("\"Madrid, \"d' de 'mmmm", t), "Madrid, 5 de marzo");
}

TEST(FormatDateTime, MAfterAnHourMeansMinutes) {
    TDateTime t = At(2024, 3, 5, 14, 7, 9, 45);
    EXPECT_EQ(FormatDateTime("hh:mm", t), "14:07");
    EXPECT_EQ(FormatDateTime("h:m:s", t), "14:7:9");
    EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", t), "14:07:09.045");
    EXPECT_EQ(FormatDateTime("hh:mm dd/mm", t), "14:07 05/03");  // the second "mm" is the month again
    EXPECT_EQ(FormatDateTime("mm hh", t), "03 14");
    EXPECT_EQ(FormatDateTime("z", t), "45");
}

TEST(FormatDateTime, TwelveHourClockAndShortcuts) {
    TDateTime pm = At(2024, 3, 5, 14, 7, 9);
    TDateTime am = At(2024, 3, 5, 0, 30);
    EXPECT_EQ(FormatDateTime("h:nn am/pm", pm), "2:07 pm");
    EXPECT_EQ(FormatDateTime("h:nn AM/PM", am), "12:30 AM");
    EXPECT_EQ(FormatDateTime("h:nn a/p", pm), "2:07 p");
    EXPECT_EQ(FormatDateTime("hh:nn ampm", pm), "02:07 p.m.");
    EXPECT_EQ(FormatDateTime("t", pm), "14:07");
    EXPECT_EQ(FormatDateTime("tt", pm), "14:07:09");
    EXPECT_EQ(FormatDateTime("c", pm), "05/03/2024 14:07:09");
    EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "05/03/2024");
    EXPECT_EQ(FormatDateTime("", EncodeDate(2024, 3, 5)), "05/03/2024");
    EXPECT_EQ(DateTimeToStr(pm), "05/03/2024 14:07:09");
    EXPECT_EQ(DateToStr(pm), "05/03/2024");
    EXPECT_EQ(TimeToStr(pm), "14:07:09");
    EXPECT_EQ(DateToStr(TDateTime(0)), "30/12/1899");
}

TEST(FormatDateTime, SeparatorsComeFromTheSettings) {
    SettingsGuard guard;
    FormatSettings.DateSeparator = '-';
    FormatSettings.TimeSeparator = '.';
    FormatSettings.ShortDateFormat = "yyyy/mm/dd";
    TDateTime t = At(2024, 3, 5, 14, 7, 9);
    EXPECT_EQ(FormatDateTime("dd/mm/yyyy hh:nn", t), "05-03-2024 14.07");
    EXPECT_EQ(DateToStr(t), "2024-03-05");
    EXPECT_EQ(StrToDate("2024-3-5"), EncodeDate(2024, 3, 5));
    FormatSettings.LongMonthNames[2] = "MARZO";
    FormatSettings.LongDayNames[2] = "MARTES";
    EXPECT_EQ(FormatDateTime("dddd d mmmm", t), "MARTES 5 MARZO");
}

TEST(StrToDate, ReadsDayMonthYearAndTwoDigitYears) {
    EXPECT_EQ(StrToDate("05/03/2024"), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate(" 5/3/2024 "), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate("29/02/2000"), EncodeDate(2000, 2, 29));
    EXPECT_EQ(StrToDate("5/3/2024/"), EncodeDate(2024, 3, 5));
    EXPECT_EQ(StrToDate("005/003/2024"), EncodeDate(2024, 3, 5));
    const int year = QDate::currentDate().year();
    const int century = year / 100 * 100;
    // Window 0: a two-digit year lies in the current century; "0099" is the year 99.
    EXPECT_EQ(StrToDate("1/2/95"), EncodeDate(century + 95, 2, 1));
    EXPECT_EQ(StrToDate("1/2/0095"), EncodeDate(95, 2, 1));
    EXPECT_EQ(StrToDate("1/2"), EncodeDate(year, 2, 1));
    SettingsGuard guard;
    FormatSettings.TwoDigitYearCenturyWindow = 50;
    const int base = year - 50;
    for (int yy : {0, 30, 49, 50, 75, 99}) {
        int expected = base / 100 * 100 + yy;
        if (expected < base) expected += 100;
        EXPECT_EQ(StrToDate(QString("1/1/%1").arg(yy, 2, 10, QChar('0'))), EncodeDate(expected, 1, 1)) << yy;
    }
}

TEST(StrToDate, RejectsImpossibleOrMalformedText) {
    for (const char* bad : {"", "  /  /    ", "31/02/2024", "29/02/2023", "32/1/2024", "1/13/2024", "hoy",
                            "1-2-2024", "05/03/2024x", "1/2/3/4", "05/03/", "1/2/20245", "5/3/2024//"}) {
        EXPECT_THROW(StrToDate(bad), EConvertError) << bad;
        TDateTime d;
        EXPECT_FALSE(TryStrToDate(bad, d)) << bad;
    }
    EXPECT_EQ(StrToDateDef("31/02/2024", TDateTime(7)), 7.0);
    try {
        StrToDate("31/02/2024");
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'31/02/2024' is not a valid date");
    }
}

TEST(StrToTime, HoursMinutesSecondsAndAmPm) {
    EXPECT_DOUBLE_EQ(StrToTime("14:30"), EncodeTime(14, 30, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("14:30:15"), EncodeTime(14, 30, 15, 0));
    EXPECT_DOUBLE_EQ(StrToTime("2:30 PM"), EncodeTime(14, 30, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("12:05 a.m."), EncodeTime(0, 5, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("10 pm"), EncodeTime(22, 0, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("10"), EncodeTime(10, 0, 0, 0));
    EXPECT_DOUBLE_EQ(StrToTime("10:20:30,5"), EncodeTime(10, 20, 30, 5));
    for (const char* bad : {"", "25:00", "10:60", "24", "13:00 pm", "0 am", "ab:cd", "10:30x", "10:", "10:30:"})
        EXPECT_THROW(StrToTime(bad), EConvertError) << bad;
    try {
        StrToTime("25:00");
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'25:00' is not a valid time");
    }
    EXPECT_EQ(StrToTimeDef("x", TDateTime(0.5)), 0.5);
}

TEST(StrToDateTime, DateWithOptionalTime) {
    EXPECT_DOUBLE_EQ(StrToDateTime("05/03/2024 14:07:09"), At(2024, 3, 5, 14, 7, 9));
    EXPECT_DOUBLE_EQ(StrToDateTime("05/03/2024"), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(StrToDateTime("14:07"), EncodeTime(14, 7, 0, 0));
    EXPECT_DOUBLE_EQ(StrToDateTime("29/12/1899 06:00"), -1.25);
    EXPECT_THROW(StrToDateTime("05/03/2024 25:00"), EConvertError);
    try {
        StrToDateTime("mañana");
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'mañana' is not a valid date and time");
    }
    TDateTime t = At(2031, 12, 31, 23, 59, 59);
    EXPECT_EQ(StrToDateTime(DateTimeToStr(t)), t);
    EXPECT_EQ(StrToDateTimeDef("nada", TDateTime(3)), 3.0);
}

TEST(ReplaceDateTime, KeepsTheOtherPart) {
    TDateTime t = At(2024, 3, 5, 14, 7);
    ReplaceTime(t, EncodeTime(9, 0, 0, 0));
    EXPECT_DOUBLE_EQ(t, At(2024, 3, 5, 9, 0));
    ReplaceDate(t, EncodeDate(2025, 1, 2));
    EXPECT_DOUBLE_EQ(t, At(2025, 1, 2, 9, 0));
}

TEST(Clock, NowIsTodayPlusTheTime) {
    TDateTime today = Date();
    TDateTime now = Now();
    TDateTime after = Date();
    EXPECT_TRUE(std::trunc(now.Val) == today.Val || std::trunc(now.Val) == after.Val);  // midnight may pass
    EXPECT_GE(Time().Val, 0.0);
    EXPECT_LT(Time().Val, 1.0);
    QDate q = QDate::currentDate();
    EXPECT_TRUE(EncodeDate(q.year(), q.month(), q.day()) == today || EncodeDate(q.year(), q.month(), q.day()) == after);
}

TEST(ProgramClock, DateTimeNowAndAYearLeftOutFollowTheClockMovedAndBack) {
    struct Restore {
        ~Restore() { platform::rtl::SetClockOffset(0); }
    } restore;
    platform::rtl::SetClockTo(QDateTime(QDate(2030, 12, 31), QTime(23, 59, 0)));
    EXPECT_EQ(Date(), EncodeDate(2030, 12, 31));
    EXPECT_GE(Now().Val, At(2030, 12, 31, 23, 59, 0).Val);
    EXPECT_LT(Now().Val, At(2030, 12, 31, 23, 59, 0).Val + 60.0 / 86400);
    // The clock keeps running from where it was put.
    EXPECT_GE(Time().Val, EncodeTime(23, 59, 0, 0).Val);
    EXPECT_EQ(StrToDate(QStringLiteral("05/03")), EncodeDate(2030, 3, 5));

    platform::rtl::SetClockTo(QDateTime(QDate(2031, 1, 1), QTime(0, 0, 1)));
    EXPECT_EQ(Date(), EncodeDate(2031, 1, 1));
    EXPECT_EQ(StrToDate(QStringLiteral("05/03")), EncodeDate(2031, 3, 5));

    platform::rtl::SetClockOffset(0);
    const QDate hoy = QDate::currentDate();
    EXPECT_EQ(Date(), EncodeDate(hoy.year(), hoy.month(), hoy.day()));
}
