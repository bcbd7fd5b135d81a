#include "documents/NumeroEnLetra.h"

#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

struct Case {
    int amount;
    const char* words;  // without the trailing blank the routine adds
};


QString Said(const char* words) { return QString::fromLatin1(words) + QLatin1Char(' '); }

}  // namespace

TEST(NumeroEnLetra, SaysTheWorkedExamples) {
    const Case cases[] = {
        {0, "CERO"},
        {1, "UNA"},
        {16, "DIECISEIS"},
        {20, "VEINTE"},
        {21, "VEINTIUNA"},
        {31, "TREINTA Y UNA"},
        {100, "CIEN"},
        {101, "CIENTO UNA"},
        {115, "CIENTO QUINCE"},
        {116, "CIENTO DIECISEIS"},
        {1000, "MIL"},
        {1021, "MIL VEINTIUNA"},
        {21000, "VEINTIUNA MIL"},
        {100000, "CIEN MIL"},
        {101000, "CIENTO UNA MIL"},
        {1000000, "UN MILLON"},
        {1000001, "UN MILLON UNA"},
        {2000000, "DOS MILLONES"},
        {31000000, "TREINTA Y UN MILLONES"},
        {101000000, "CIENTO UN MILLONES"},
        {200000000, "DOSCIENTOS MILLONES"},
        {1234567, "UN MILLON DOSCIENTAS TREINTA Y CUATRO MIL QUINIENTAS SESENTA Y SIETE"},
        {999999999, "NOVECIENTOS NOVENTA Y NUEVE MILLONES NOVECIENTAS NOVENTA Y NUEVE MIL NOVECIENTAS NOVENTA Y NUEVE"},
        {-5, "MENOS CINCO"},
        {-1000, "MENOS MIL"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NumeroEnLetra(c.amount), Said(c.words)) << c.amount;
}

TEST(NumeroEnLetra, TensAndTeensJoinTheirUnits) {
    const Case cases[] = {
        {10, "DIEZ"},
        {11, "ONCE"},
        {15, "QUINCE"},
        {17, "DIECISIETE"},
        {19, "DIECINUEVE"},
        {22, "VEINTIDOS"},
        {29, "VEINTINUEVE"},
        {30, "TREINTA"},
        {45, "CUARENTA Y CINCO"},
        {90, "NOVENTA"},
        {99, "NOVENTA Y NUEVE"},
        {14000, "CATORCE MIL"},
        {16000000, "DIECISEIS MILLONES"},
        {21000000, "VEINTIUN MILLONES"},
        {11000000, "ONCE MILLONES"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NumeroEnLetra(c.amount), Said(c.words)) << c.amount;
}

TEST(NumeroEnLetra, HundredsEndInOsOnlyForMillions) {
    const Case cases[] = {
        {200, "DOSCIENTAS"},
        {500, "QUINIENTAS"},
        {700, "SETECIENTAS"},
        {900, "NOVECIENTAS"},
        {555, "QUINIENTAS CINCUENTA Y CINCO"},
        {500000, "QUINIENTAS MIL"},
        {700000000, "SETECIENTOS MILLONES"},
        {500000000, "QUINIENTOS MILLONES"},
        {100000000, "CIEN MILLONES"},
        {100100100, "CIEN MILLONES CIEN MIL CIEN"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NumeroEnLetra(c.amount), Said(c.words)) << c.amount;
}

TEST(NumeroEnLetra, ThousandsGroupOfOneSaysMilAlone) {
    const Case cases[] = {
        {1001, "MIL UNA"},
        {1000000 + 1000, "UN MILLON MIL"},
        {2001000, "DOS MILLONES MIL"},
        {2021000, "DOS MILLONES VEINTIUNA MIL"},
        {2101000, "DOS MILLONES CIENTO UNA MIL"},
        {1000000 + 31, "UN MILLON TREINTA Y UNA"},
        {1001001, "UN MILLON MIL UNA"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NumeroEnLetra(c.amount), Said(c.words)) << c.amount;
}

TEST(NumeroEnLetra, WordsAreSeparatedByOneBlankWithoutLeadingBlank) {
    for (int amount : {0, 7, 1000, 1234567, -31, 999999999}) {
        const QString s = NumeroEnLetra(amount);
        EXPECT_TRUE(s.endsWith(QLatin1Char(' '))) << amount;
        EXPECT_FALSE(s.startsWith(QLatin1Char(' '))) << amount;
        EXPECT_FALSE(s.contains(QStringLiteral("  "))) << amount;
    }
    EXPECT_EQ(NumeroEnLetra(-0), QStringLiteral("CERO "));
}

TEST(NumeroEnLetra, RefusesAmountsBeyondNineDigits) {
    EXPECT_EQ(NumeroEnLetra(-999999999),
              QStringLiteral("MENOS NOVECIENTOS NOVENTA Y NUEVE MILLONES NOVECIENTAS NOVENTA Y NUEVE MIL "
                             "NOVECIENTAS NOVENTA Y NUEVE "));
    for (int amount : {1000000000, -1000000000, 1234567890, INT_MAX, INT_MIN})
        EXPECT_THROW(NumeroEnLetra(amount), ERangeError) << amount;
}
