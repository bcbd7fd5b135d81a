#include "controls/visual/DateHelpers.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"

#include <QDate>

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Each test may change the settings; they are put back afterwards.
class DateHelpersTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = FormatSettings;
        savedWindow = CenturyWindow;
        FormatSettings = TFormatSettings::Spanish();
        CenturyWindow = 30;
    }
    void TearDown() override {
        FormatSettings = saved;
        CenturyWindow = savedWindow;
    }
    static TDateTime At(int y, int m, int d, int hh = 0, int mm = 0) {
        return TDateTime(EncodeDate(y, m, d) + EncodeTime(hh, mm, 0, 0));
    }
    static int ThisYear() { return QDate::currentDate().year(); }

    TFormatSettings saved;
    quint8 savedWindow = 30;
};

double TimeOf(TDateTime d) { return double(d) - std::trunc(double(d)); }

}  // namespace

TEST_F(DateHelpersTest, LeapYearsAndMonthLengths) {
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(2026));
    EXPECT_EQ(DaysPerMonth(1900, 2), 28);
    EXPECT_EQ(DaysPerMonth(2000, 2), 29);
    EXPECT_EQ(DaysPerMonth(2026, 4), 30);
    EXPECT_EQ(DaysPerMonth(2026, 12), 31);
}

TEST_F(DateHelpersTest, MonthArithmeticClampsTheDayAndKeepsTheTime) {
    const TDateTime jan31 = At(2024, 1, 31, 10, 30);
    const TDateTime feb29 = IncMonth(jan31, 1);
    EXPECT_EQ(double(feb29), double(At(2024, 2, 29, 10, 30)));
    EXPECT_DOUBLE_EQ(TimeOf(feb29), TimeOf(jan31));

    EXPECT_EQ(double(IncMonth(At(2023, 1, 31, 8), 1)), double(At(2023, 2, 28, 8)));
    EXPECT_EQ(double(IncMonth(At(2024, 1, 15, 18, 45), -1)), double(At(2023, 12, 15, 18, 45)));
    EXPECT_EQ(double(IncMonth(At(2024, 3, 31), -1)), double(At(2024, 2, 29)));
    EXPECT_EQ(double(IncMonth(At(2024, 5, 10), 25)), double(At(2026, 6, 10)));
    EXPECT_EQ(double(IncMonth(At(2024, 5, 10), -13)), double(At(2023, 4, 10)));
    EXPECT_EQ(double(IncMonth(At(2024, 12, 31), 12)), double(At(2025, 12, 31)));
    EXPECT_EQ(double(IncYear(At(2024, 2, 29, 9), 1)), double(At(2025, 2, 28, 9)));
    EXPECT_EQ(double(IncYear(At(2024, 2, 29), 4)), double(At(2028, 2, 29)));
    // Months first, clamped, then the days.
    EXPECT_EQ(double(IncDate(At(2023, 1, 31, 12), 1, 1, 0)), double(At(2023, 3, 1, 12)));
    EXPECT_EQ(double(IncDate(At(2023, 1, 31), -1, 1, 1)), double(At(2024, 2, 28)));
    EXPECT_EQ(double(IncDay(At(2023, 12, 31, 23, 59), 1)), double(At(2024, 1, 1, 23, 59)));
    EXPECT_THROW(IncYear(At(9999, 6, 1), 1), EConvertError);
}

TEST_F(DateHelpersTest, DatePartsAndValidity) {
    const TDateTime d = At(2026, 7, 4, 13);
    EXPECT_EQ(ExtractDay(d), 4);
    EXPECT_EQ(ExtractMonth(d), 7);
    EXPECT_EQ(ExtractYear(d), 2026);
    EXPECT_TRUE(ValidDateParts(2000, 2, 29));
    EXPECT_FALSE(ValidDateParts(1900, 2, 29));
    EXPECT_FALSE(ValidDateParts(0, 1, 1));
    EXPECT_FALSE(ValidDateParts(10000, 1, 1));
    EXPECT_FALSE(ValidDateParts(2026, 13, 1));
    EXPECT_FALSE(ValidDateParts(2026, 4, 31));
    EXPECT_FALSE(ValidDateParts(2026, 4, 0));
    EXPECT_FALSE(ValidDateParts(-1, 4, 1));
    EXPECT_TRUE(IsValidDate(d));
    EXPECT_TRUE(IsValidDate(TDateTime(0.0)));
    EXPECT_FALSE(IsValidDate(TDateTime(1e12)));
    EXPECT_FALSE(IsValidDate(TDateTime(std::nan(""))));
}

TEST_F(DateHelpersTest, DateOrderFollowsTheFirstDateLetter) {
    EXPECT_EQ(DateOrderOf(QStringLiteral("dd/mm/yyyy")), TDateOrder::DMY);
    EXPECT_EQ(DateOrderOf(QStringLiteral("M/d/yy")), TDateOrder::MDY);
    EXPECT_EQ(DateOrderOf(QStringLiteral("yyyy-mm-dd")), TDateOrder::YMD);
    EXPECT_EQ(DateOrderOf(QString()), TDateOrder::DMY);
    EXPECT_EQ(DateOrderOf(QStringLiteral("hh:nn")), TDateOrder::DMY);
}

TEST_F(DateHelpersTest, CenturyWindowWidensTwoDigitYears) {
    const int year = ThisYear();
    const int century = year / 100 * 100;
    const int yy = year - century;
    EXPECT_EQ(ExpandYear(100), 100);
    EXPECT_EQ(ExpandYear(1999), 1999);
    // Window 30: every two-digit year above (yy - 70) stays in this century.
    EXPECT_EQ(ExpandYear(99), century + 99);
    EXPECT_EQ(ExpandYear(yy), century + yy);
    // Window 100: the current two-digit year itself and those below move to the next century.
    CenturyWindow = 100;
    EXPECT_EQ(ExpandYear(yy), century + 100 + yy);
    EXPECT_EQ(ExpandYear(0), century + 100);
    if (yy < 99) {
        EXPECT_EQ(ExpandYear(yy + 1), century + yy + 1);
    }
    // Window 0: all two-digit years in this century.
    CenturyWindow = 0;
    EXPECT_EQ(ExpandYear(0), century);
    EXPECT_EQ(ExpandYear(99), century + 99);
}

TEST_F(DateHelpersTest, ScanDateReadsTwoOrThreeNumbersInFormatOrder) {
    int pos = 1, y = 0, m = 0, d = 0;
    ASSERT_TRUE(ScanDate(QStringLiteral("5/3"), QStringLiteral("dd/mm/yyyy"), pos, y, m, d));
    EXPECT_EQ(d, 5);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, ThisYear());
    EXPECT_EQ(pos, 4);

    pos = 1;
    ASSERT_TRUE(ScanDate(QStringLiteral("5/3"), QStringLiteral("mm/dd/yyyy"), pos, y, m, d));
    EXPECT_EQ(m, 5);
    EXPECT_EQ(d, 3);

    pos = 1;
    ASSERT_TRUE(ScanDate(QStringLiteral(" 5 / 3 / 99 / "), QStringLiteral("dd/mm/yy"), pos, y, m, d));
    EXPECT_EQ(y, ExpandYear(99));
    EXPECT_TRUE(y == 1999 || y == 2099);

    pos = 1;
    ASSERT_TRUE(ScanDate(QStringLiteral("2026/12/31"), QStringLiteral("yyyy/mm/dd"), pos, y, m, d));
    EXPECT_EQ(y, 2026);
    EXPECT_EQ(m, 12);
    EXPECT_EQ(d, 31);

    for (const char* bad : {"5/3/2026x", "31/2/2000", "5/3/", "5", "/3/2026", "5-3-2026", "12345/1/1",
                            "5/3/10000", "", "0/1/2026", "5/3/2026/7"}) {
        pos = 1;
        EXPECT_FALSE(ScanDate(QString::fromLatin1(bad), QStringLiteral("dd/mm/yyyy"), pos, y, m, d)) << bad;
    }

    FormatSettings.DateSeparator = QLatin1Char('-');
    pos = 1;
    EXPECT_TRUE(ScanDate(QStringLiteral("5-3-2026"), QStringLiteral("dd/mm/yyyy"), pos, y, m, d));
    pos = 1;
    EXPECT_FALSE(ScanDate(QStringLiteral("5/3/2026"), QStringLiteral("dd/mm/yyyy"), pos, y, m, d));
}

TEST_F(DateHelpersTest, ScanByMaskReadsFieldsWhereTheFormatPutsThem) {
    int d = 0, y = 0, m = 0;
    ASSERT_TRUE(ScanDateByMask(QStringLiteral("dd/mm/yyyy"), QStringLiteral(" 5/ 3/2026"), d, y, m));
    EXPECT_EQ(d, 5);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, 2026);

    // Month by its name under MMM, any case, any unambiguous start.
    ASSERT_TRUE(ScanDateByMask(QStringLiteral("dd/mmm/yyyy"), QStringLiteral("07/ENE/2026"), d, y, m));
    EXPECT_EQ(m, 1);
    ASSERT_TRUE(ScanDateByMask(QStringLiteral("dd-MMM-yyyy"), QStringLiteral("07-sEp-2026"), d, y, m));
    EXPECT_EQ(m, 9);
    EXPECT_FALSE(ScanDateByMask(QStringLiteral("dd/mmm/yyyy"), QStringLiteral("07/xyz/2026"), d, y, m));

    // A two-digit year field is widened.
    ASSERT_TRUE(ScanDateByMask(QStringLiteral("dd/mm/yy"), QStringLiteral("05/03/99"), d, y, m));
    EXPECT_EQ(y, ExpandYear(99));
    // A missing year field means the current year; a missing day field the first.
    ASSERT_TRUE(ScanDateByMask(QStringLiteral("mm/dd"), QStringLiteral("12/25"), d, y, m));
    EXPECT_EQ(y, ThisYear());
    ASSERT_TRUE(ScanDateByMask(QStringLiteral("mm/yyyy"), QStringLiteral("02/2024"), d, y, m));
    EXPECT_EQ(d, 1);
    EXPECT_EQ(m, 2);
}

TEST_F(DateHelpersTest, ScanByMaskFallsBackToFreeScanning) {
    int d = 0, y = 0, m = 0;
    // Text longer than the format: the fields are not read, the free scan is.
    ASSERT_TRUE(ScanDateByMask(QStringLiteral("dd/mm/yy"), QStringLiteral("05/03/2026"), d, y, m));
    EXPECT_EQ(d, 5);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, 2026);
    // Short text against a long format: fields straddle the end, the free scan reads it.
    ASSERT_TRUE(ScanDateByMask(QStringLiteral("dd/mm/yyyy"), QStringLiteral("5/3"), d, y, m));
    EXPECT_EQ(d, 5);
    EXPECT_EQ(m, 3);
    EXPECT_EQ(y, ThisYear());
    // A year that is no number is not turned into one by the century window.
    EXPECT_FALSE(ScanDateByMask(QStringLiteral("dd/mm/yy"), QStringLiteral("05/03/ab"), d, y, m));
    EXPECT_FALSE(ScanDateByMask(QStringLiteral("dd/mm/yyyy"), QStringLiteral("31/02/2000"), d, y, m));
}

TEST_F(DateHelpersTest, TextToDateConversions) {
    EXPECT_EQ(double(StrToDateFmt(QStringLiteral("dd/mm/yyyy"), QString())), 0.0);
    EXPECT_EQ(double(StrToDateFmt(QStringLiteral("dd/mm/yyyy"), QStringLiteral("29/02/2024"))),
              double(EncodeDate(2024, 2, 29)));
    try {
        StrToDateFmt(QStringLiteral("dd/mm/yyyy"), QStringLiteral("31/02/2000"));
        FAIL() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("''31/02/2000'' is not a valid date"));
    }
    EXPECT_EQ(double(StrToDateFmtDef(QStringLiteral("dd/mm/yyyy"), QStringLiteral("nada"), TDateTime(45000.75))),
              45000.0);
    EXPECT_EQ(double(StrToDateFmtDef(QStringLiteral("dd/mm/yyyy"), QStringLiteral("01/01/2001"), TDateTime(1.5))),
              double(EncodeDate(2001, 1, 1)));
    TDateTime out(7.0);
    EXPECT_FALSE(StrToDateFmtCore(QStringLiteral("dd/mm/yyyy"), QStringLiteral("1/13/2001"), out));
    EXPECT_TRUE(StrToDateFmtCore(QStringLiteral("mm/dd/yyyy"), QStringLiteral("1/13/2001"), out));
    EXPECT_EQ(double(out), double(EncodeDate(2001, 1, 13)));
}

TEST_F(DateHelpersTest, DefaultFormatsAndMasksFollowTheShortDateFormat) {
    EXPECT_EQ(DefDateFormat(true), QStringLiteral("DD/MM/YYYY"));
    EXPECT_EQ(DefDateFormat(false), QStringLiteral("DD/MM/YY"));
    EXPECT_EQ(DefDateMask(QLatin1Char('_'), true), QStringLiteral("!99/99/9999;1;_"));
    EXPECT_EQ(DefDateMask(QLatin1Char(' '), false), QStringLiteral("!99/99/99;1; "));
    FormatSettings.ShortDateFormat = QStringLiteral("M/d/yy");
    EXPECT_EQ(DefDateFormat(true), QStringLiteral("MM/DD/YYYY"));
    EXPECT_EQ(DefDateMask(QLatin1Char('_'), true), QStringLiteral("!99/99/9999;1;_"));
    FormatSettings.ShortDateFormat = QStringLiteral("yyyy.mm.dd");
    EXPECT_EQ(DefDateFormat(false), QStringLiteral("YY/MM/DD"));
    EXPECT_EQ(DefDateMask(QLatin1Char('_'), true), QStringLiteral("!9999/99/99;1;_"));
    EXPECT_EQ(DefDateMask(QLatin1Char('_'), false), QStringLiteral("!99/99/99;1;_"));
}

TEST_F(DateHelpersTest, FourDigitYearFlagComesFromTheShortDateFormat) {
    const bool before = FourDigitYear;
    FormatSettings.ShortDateFormat = QStringLiteral("dd/mm/yy");
    controls::visual::InitDateHelpers();
    EXPECT_FALSE(FourDigitYear);
    FormatSettings.ShortDateFormat = QStringLiteral("dd/MM/yyyy");
    controls::visual::InitDateHelpers();
    EXPECT_TRUE(FourDigitYear);
    FourDigitYear = before;
}
