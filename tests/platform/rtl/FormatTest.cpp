// Number formatting with the Spanish settings.
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

namespace {
// Restores the global settings after a test changes them.
struct SettingsGuard {
    TFormatSettings Saved = FormatSettings;
    ~SettingsGuard() { FormatSettings = Saved; }
};
}  // namespace

TEST(FormatFloat, ThousandsAndDecimalsUseSpanishSeparators) {
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
    EXPECT_EQ(FormatFloat("#,##0", -1234.5), "-1.235");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1.234.567,89");
    EXPECT_EQ(FormatFloat("#,##0.00", 0.0), "0,00");
    EXPECT_EQ(FormatFloat("#,##0", 999.5), "1.000");
    EXPECT_EQ(FormatFloat("0.00", 1234567.0), "1234567,00");
    EXPECT_EQ(FormatFloat("#,##0.00", 100.0), "100,00");
    // A comma anywhere switches the separators on.
    EXPECT_EQ(FormatFloat("0,", 1234567.0), "1.234.567");
}

TEST(FormatFloat, RoundsHalfAwayFromZeroOnTheDecimalDigits) {
    EXPECT_EQ(FormatFloat("0.00", 1.005), "1,01");
    EXPECT_EQ(FormatFloat("0.00", -1.005), "-1,01");
    EXPECT_EQ(FormatFloat("0.00", 2.675), "2,68");
    EXPECT_EQ(FormatFloat("0", 0.5), "1");
    EXPECT_EQ(FormatFloat("0", 1.5), "2");
    EXPECT_EQ(FormatFloat("0", 2.5), "3");
    EXPECT_EQ(FormatFloat("0.0", 9.96), "10,0");
    EXPECT_EQ(FormatFloat("0.##", 0.1 + 0.2), "0,3");
}

TEST(FormatFloat, OptionalDigitsAndMinimumDigits) {
    EXPECT_EQ(FormatFloat("0.##", 1.0), "1");
    EXPECT_EQ(FormatFloat("0.##", 1.5), "1,5");
    EXPECT_EQ(FormatFloat("0.0#", 1.5), "1,5");
    EXPECT_EQ(FormatFloat("0.0#", 1.0), "1,0");
    EXPECT_EQ(FormatFloat("#.##", 0.5), ",5");
    EXPECT_EQ(FormatFloat("#.##", 0.0), "");
    EXPECT_EQ(FormatFloat("000", 7.0), "007");
    EXPECT_EQ(FormatFloat("#", 1234.0), "1234");
    EXPECT_EQ(FormatFloat("000-000", 1234.0), "001-234");
}

TEST(FormatFloat, SectionsChooseByRoundedValueAndNeverShowMinusZero) {
    const QString fmt = "#,##0.00;(#,##0.00);Cero";
    EXPECT_EQ(FormatFloat(fmt, 1234.5), "1.234,50");
    EXPECT_EQ(FormatFloat(fmt, -1234.5), "(1.234,50)");
    EXPECT_EQ(FormatFloat(fmt, 0.0), "Cero");
    EXPECT_EQ(FormatFloat(fmt, -0.001), "Cero");  // rounds to zero
    EXPECT_EQ(FormatFloat("0.00", -0.001), "0,00");
    EXPECT_EQ(FormatFloat("0", -0.4), "0");
    // Empty negative or zero sections fall back to the first one.
    EXPECT_EQ(FormatFloat("0.0;;", -2.25), "-2,3");
    EXPECT_EQ(FormatFloat("0.0;;", 0.0), "0,0");
    EXPECT_EQ(FormatFloat("0;-0;'nada'", 0.0), "nada");
}

TEST(FormatFloat, LiteralTextAndExponent) {
    EXPECT_EQ(FormatFloat("\"Total: \"#,##0.00' pts'", 1500.0), "Total: 1.500,00 pts");
    EXPECT_EQ(FormatFloat("#,##0.00 €", 12.0), "12,00 €");
    EXPECT_EQ(FormatFloat("0.00E+00", 1234.5), "1,23E+03");
    EXPECT_EQ(FormatFloat("0.00E+00", 0.00012345), "1,23E-04");
    EXPECT_EQ(FormatFloat("0.00E-00", 1234.5), "1,23E03");
    EXPECT_EQ(FormatFloat("0.0e+0", -56.0), "-5,6e+1");
    // The semicolon inside quotes is text, not a section break.
    EXPECT_EQ(FormatFloat("0' ; '0", 12.0), "1 ; 2");
}

TEST(FormatFloat, EmptyFormatIsGeneral) {
    EXPECT_EQ(FormatFloat("", 1234.5), "1234,5");
    EXPECT_EQ(FormatFloat("", 1.0 / 3.0), "0,333333333333333");
}

TEST(FormatCurr, ExactOverLargeAmounts) {
    EXPECT_EQ(FormatCurr("#,##0.00", Currency(1234.5)), "1.234,50");
    EXPECT_EQ(FormatCurr("#,##0.00", Currency::FromRaw(9223372036854775807LL)), "922.337.203.685.477,58");
    EXPECT_EQ(FormatCurr("#,##0", Currency(166.386)), "166");
    EXPECT_EQ(FormatCurr("#,##0.00;-#,##0.00", Currency(-0.005)), "-0,01");
    EXPECT_EQ(FormatCurr("0.00", Currency(-0.004)), "0,00");
    EXPECT_EQ(CurrToStr(Currency(12.5)), "12,5");
    EXPECT_EQ(CurrToStr(Currency::FromRaw(-1)), "-0,0001");
}

TEST(FloatToStr, FifteenSignificantDigitsInGeneralFormat) {
    EXPECT_EQ(FloatToStr(1234.5), "1234,5");
    EXPECT_EQ(FloatToStr(-0.25), "-0,25");
    EXPECT_EQ(FloatToStr(0.0), "0");
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0,3");
    EXPECT_EQ(FloatToStr(100.0), "100");
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(0.0001), "0,0001");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(1.5e-10), "1,5E-10");
}

TEST(FloatToStrF, EachFloatFormat) {
    EXPECT_EQ(FloatToStrF(1234.567, ffFixed, 15, 2), "1234,57");
    EXPECT_EQ(FloatToStrF(1234.567, ffNumber, 15, 2), "1.234,57");
    EXPECT_EQ(FloatToStrF(1234.567, ffCurrency, 15, 2), "1.234,57 €");
    EXPECT_EQ(FloatToStrF(-1234.567, ffCurrency, 15, 2), "-1.234,57 €");
    EXPECT_EQ(FloatToStrF(1234.567, ffExponent, 4, 2), "1,235E+03");
    EXPECT_EQ(FloatToStrF(-0.000123, ffExponent, 3, 0), "-1,23E-4");
    EXPECT_EQ(FloatToStrF(1234.567, ffGeneral, 5, 0), "1234,6");
    EXPECT_EQ(FloatToStrF(1234.567, ffGeneral, 3, 0), "1,23E3");
    EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 4, 2), "1235,00");
    EXPECT_EQ(FloatToStrF(0.0, ffNumber, 15, 0), "0");
}

TEST(Format, IntegersWithWidthPrecisionAndJustification) {
    EXPECT_EQ(Format("%d", 42), "42");
    EXPECT_EQ(Format("[%5d]", 42), "[   42]");
    EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(Format("%.4d", -42), "-0042");
    EXPECT_EQ(Format("%x", 255), "FF");
    EXPECT_EQ(Format("%.4x", 255), "00FF");
    EXPECT_EQ(Format("%x", -1), "FFFFFFFF");
    EXPECT_EQ(Format("%u", -1), "4294967295");
    EXPECT_EQ(Format("%d", qint64(12345678901LL)), "12345678901");
    EXPECT_EQ(Format("%*d|%-*d|", 4, 7, 3, 8), "   7|8  |");
    EXPECT_EQ(Format("100%%"), "100%");
    // Sizes, enums and characters pass straight in.
    const QString s = "ñandú";
    EXPECT_EQ(Format("%d letras", s.size()), "5 letras");
    EXPECT_EQ(Format("%d", ffCurrency), "4");
    EXPECT_EQ(Format("%s%s", 'a', s[0]), "añ");
    EXPECT_EQ(Format("%d/%s", std::vector<Variant>{Variant(1), Variant("x")}), "1/x");
}

TEST(Format, StringsAndIndexes) {
    EXPECT_EQ(Format("%s, %s", "Pérez", QString("Ana")), "Pérez, Ana");
    EXPECT_EQ(Format("[%8s][%-8s]", "ñu", "ñu"), "[      ñu][ñu      ]");
    EXPECT_EQ(Format("%.3s", "Expediente"), "Exp");
    EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");
    EXPECT_EQ(Format("[Estado :%s]", "Edición"), "[Estado :Edición]");
}

TEST(Format, FloatsUseSpanishSeparators) {
    EXPECT_EQ(Format("%10.2n", 1234.5), "  1.234,50");
    EXPECT_EQ(Format("%n", 1234567.0), "1.234.567,00");
    EXPECT_EQ(Format("%.0n", 1234.5), "1.235");
    EXPECT_EQ(Format("%f", 2.5), "2,50");
    EXPECT_EQ(Format("%.3f", -0.0005), "-0,001");
    EXPECT_EQ(Format("%.1f", -0.04), "0,0");
    EXPECT_EQ(Format("%8.1f|", 3.14159), "     3,1|");
    EXPECT_EQ(Format("%-8.1f|", 3.14159), "3,1     |");
    EXPECT_EQ(Format("%*.*f", 7, 3, 3.14159), "  3,142");
    EXPECT_EQ(Format("%e", 1234.5), "1,23450000000000E+003");
    EXPECT_EQ(Format("%.3e", -0.0123), "-1,23E-002");
    EXPECT_EQ(Format("%g", 1234.5), "1234,5");
    EXPECT_EQ(Format("%g", 1e20), "1E020");
    EXPECT_EQ(Format("%n", Currency(1234.5)), "1.234,50");
}

TEST(Format, MoneyFollowsTheCurrencySettings) {
    EXPECT_EQ(Format("%m", 1234.5), "1.234,50 €");
    EXPECT_EQ(Format("%m", -1234.5), "-1.234,50 €");
    EXPECT_EQ(Format("%.0m", Currency(1500)), "1.500 €");
    EXPECT_EQ(Format("%m", Currency(0.005)), "0,01 €");
    SettingsGuard guard;
    FormatSettings.CurrencyString = "Pts";
    FormatSettings.CurrencyFormat = 0;
    FormatSettings.NegCurrFormat = 0;
    FormatSettings.CurrencyDecimals = 0;
    EXPECT_EQ(Format("%m", 1500.0), "Pts1.500");
    EXPECT_EQ(Format("%m", -1500.0), "(Pts1.500)");
}

TEST(Format, BadFormatsAndArgumentsRaise) {
    EXPECT_THROW(Format("%d", 1.5), EConvertError);
    EXPECT_THROW(Format("%f", 1), EConvertError);
    EXPECT_THROW(Format("%s", 1), EConvertError);
    EXPECT_THROW(Format("%d", "12"), EConvertError);
    EXPECT_THROW(Format("%d %d", 1), EConvertError);
    EXPECT_THROW(Format("%", 1), EConvertError);
    EXPECT_THROW(Format("%k", 1), EConvertError);
    EXPECT_THROW(Format("%d", true), EConvertError);
    EXPECT_THROW(Format("%ť", 1.0), EConvertError);  // not read as "%e"
    EXPECT_THROW(Format("%s", Null()), EConvertError);
    try {
        Format("%d", "x");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Format '%d' invalid or incompatible with argument");
    }
}

TEST(FormatSettings, ChangesAtRunTimeTakeEffect) {
    SettingsGuard guard;
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ThousandSeparator = ',';
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1,234.50");
    EXPECT_EQ(FloatToStr(2.5), "2.5");
    EXPECT_EQ(Format("%n", 1234.5), "1,234.50");
    EXPECT_EQ(StrToFloat("2.5"), 2.5);
    EXPECT_THROW(StrToFloat("2,5"), EConvertError);
}

TEST(FormatSettings, SpanishDefaultsWhateverTheMachine) {
    const TFormatSettings fs = TFormatSettings::Spanish();
    EXPECT_EQ(fs.DecimalSeparator, QChar(','));
    EXPECT_EQ(fs.LongMonthNames[0], "enero");
    EXPECT_EQ(fs.LongDayNames[0], "domingo");
    EXPECT_EQ(fs.LongDayNames[6], "sábado");
    EXPECT_EQ(fs.ShortDayNames[3], "mié");
}
