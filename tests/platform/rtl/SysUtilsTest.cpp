// Text routines and conversions from text.
#include "platform/rtl/SysUtils.h"

#include <QStringList>
#include <algorithm>
#include <gtest/gtest.h>

TEST(StrToInt, DecimalAndHexadecimalWithinRange) {
    EXPECT_EQ(StrToInt("42"), 42);
    EXPECT_EQ(StrToInt("  -17"), -17);
    EXPECT_EQ(StrToInt("+8"), 8);
    EXPECT_EQ(StrToInt("$FF"), 255);
    EXPECT_EQ(StrToInt("0x1a"), 26);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("2147483647"), 2147483647);
    EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(StrToInt64("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(StrToInt64("12345678901"), 12345678901LL);
    for (const char* bad : {"", " ", "12 ", "1.000", "1,5", "2147483648", "-2147483649", "doce", "-", "$", "0x", "１２"})
        EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_EQ(StrToIntDef("x", -1), -1);
    EXPECT_EQ(StrToInt64Def("", 5), 5);
    int v = 3;
    EXPECT_FALSE(TryStrToInt("7x", v));
    EXPECT_EQ(v, 3);
    try {
        StrToInt("12a");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
    }
}

TEST(IntToStr, DecimalAndHex) {
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(qint64(1) << 40), "1099511627776");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(qint64(-1), 4), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(0x1234, 2), "1234");
}

TEST(StrToFloat, SpanishDecimalCommaOnly) {
    EXPECT_DOUBLE_EQ(StrToFloat("1234,5"), 1234.5);
    EXPECT_DOUBLE_EQ(StrToFloat(" -0,25 "), -0.25);
    EXPECT_DOUBLE_EQ(StrToFloat(",5"), 0.5);
    EXPECT_DOUBLE_EQ(StrToFloat("3,"), 3.0);
    EXPECT_DOUBLE_EQ(StrToFloat("1,5E3"), 1500.0);
    EXPECT_DOUBLE_EQ(StrToFloat("2e-2"), 0.02);
    EXPECT_DOUBLE_EQ(StrToFloat("166,386"), 166.386);
    for (const char* bad : {"", ",", "1.234,5", "1.5", "12 34", "1e", "abc", "1,2,3", "--1", "1e999"})
        EXPECT_THROW(StrToFloat(bad), EConvertError) << bad;
    EXPECT_DOUBLE_EQ(StrToFloatDef("x", 9.5), 9.5);
    try {
        StrToFloat("1.5");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'1.5' is not a valid floating point value");
    }
    // What FloatToStr writes StrToFloat reads back.
    for (double x : {0.1, -1234.5678, 1e-7, 6.02e23, 166.386, 1.0 / 3.0})
        EXPECT_DOUBLE_EQ(StrToFloat(FloatToStr(x)), std::stod(QString::number(x, 'g', 15).toStdString())) << x;
}

TEST(StrToCurr, ExactFourDecimals) {
    EXPECT_EQ(StrToCurr("1234,56"), Currency::FromRaw(12345600));
    EXPECT_EQ(StrToCurr("-0,0001"), Currency::FromRaw(-1));
    EXPECT_EQ(StrToCurr("922337203685477,5807"), Currency::FromRaw(9223372036854775807LL));
    EXPECT_EQ(StrToCurr("0,00005"), Currency::FromRaw(0));   // half to even
    EXPECT_EQ(StrToCurr("0,00015"), Currency::FromRaw(2));
    EXPECT_THROW(StrToCurr("1.234,56"), EConvertError);
    EXPECT_THROW(StrToCurr("999999999999999999"), EConvertError);
    EXPECT_EQ(StrToCurrDef("", Currency(1)), Currency(1));
    EXPECT_EQ(StrToCurr(CurrToStr(Currency::FromRaw(-123456789))), Currency::FromRaw(-123456789));
}

TEST(Trim, BlanksAndControlCharacters) {
    EXPECT_EQ(Trim("  \t Año \r\n"), "Año");
    EXPECT_EQ(TrimLeft("\t x "), "x ");
    EXPECT_EQ(TrimRight(" x \x01"), " x");
    EXPECT_EQ(Trim(" \t\r\n"), "");
    EXPECT_EQ(Trim(QString(QChar(0x00A0)) + "a"), QString(QChar(0x00A0)) + "a");  // no-break space is text
}

TEST(CaseConversion, AsciiOnlyVersusFullAlphabet) {
    EXPECT_EQ(UpperCase("peña álvarez"), "PEñA áLVAREZ");
    EXPECT_EQ(LowerCase("PEÑA ÁLVAREZ"), "peÑa Álvarez");
    EXPECT_EQ(AnsiUpperCase("peña álvarez, josé; cigüeña"), "PEÑA ÁLVAREZ, JOSÉ; CIGÜEÑA");
    EXPECT_EQ(AnsiLowerCase("PEÑA ÁLVAREZ ÇÜ"), "peña álvarez çü");
}

TEST(Compare, CaseBlindAndSpanishOrder) {
    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_LT(CompareText("abc", "abd"), 0);
    EXPECT_GT(CompareText("abcd", "ABC"), 0);
    EXPECT_NE(CompareText("ñ", "Ñ"), 0);  // only a..z fold
    EXPECT_TRUE(SameText("Expediente", "EXPEDIENTE"));
    EXPECT_LT(CompareStr("ABC", "abc"), 0);
    EXPECT_LT(AnsiCompareText("nube", "ñandú"), 0);
    EXPECT_LT(AnsiCompareText("ñandú", "oso"), 0);
    EXPECT_LT(AnsiCompareText("Ávila", "Burgos"), 0);
    EXPECT_EQ(AnsiCompareText("ÁVILA", "ávila"), 0);
    EXPECT_NE(AnsiCompareText("avila", "ávila"), 0);
    EXPECT_LT(AnsiCompareStr("avila", "ávila"), 0);
    EXPECT_LT(AnsiCompareStr("a", "A"), 0);
    EXPECT_TRUE(AnsiSameText("PEÑA", "peña"));
    QStringList names{"Zamora", "Ñúñez", "Núñez", "Ávila", "álvarez", "Nuño", "Oliva", "abad"};
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return AnsiCompareText(a, b) < 0; });
    EXPECT_EQ(names, QStringList({"abad", "álvarez", "Ávila", "Núñez", "Nuño", "Ñúñez", "Oliva", "Zamora"}));
}

TEST(Substrings, CountFromOneAndTolerateOddArguments) {
    EXPECT_EQ(Pos("ex", "Expediente"), 0);
    EXPECT_EQ(Pos("pe", "Expediente"), 3);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Pos("ñ", "Peña"), 3);
    EXPECT_EQ(Copy("Expediente", 3, 4), "pedi");
    EXPECT_EQ(Copy("abc", 0, 2), "ab");
    EXPECT_EQ(Copy("abc", -5, 2), "ab");
    EXPECT_EQ(Copy("abc", 2, 100), "bc");
    EXPECT_EQ(Copy("abc", 4, 1), "");
    EXPECT_EQ(Copy("abc", 2, -1), "");
    EXPECT_EQ(Copy("abc", 1, INT_MAX), "abc");
    QString s = "Expediente";
    Delete(s, 1, 2);
    EXPECT_EQ(s, "pediente");
    Delete(s, 5, 100);
    EXPECT_EQ(s, "pedi");
    Delete(s, 0, 2);
    Delete(s, 5, 1);
    Delete(s, 2, 0);
    EXPECT_EQ(s, "pedi");
    Insert("Ex", s, 1);
    EXPECT_EQ(s, "Expedi");
    Insert("ente", s, 100);
    EXPECT_EQ(s, "Expediente");
    Insert("[", s, -3);
    EXPECT_EQ(s, "[Expediente");
    Insert("·", s, 4);
    EXPECT_EQ(s, "[Ex·pediente");
    EXPECT_EQ(StringOfChar('-', 3), "---");
    EXPECT_EQ(StringOfChar('-', -1), "");
}

TEST(Quotes, QuoteAndExtract) {
    EXPECT_EQ(QuotedStr("O'Donnell"), "'O''Donnell'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(AnsiQuotedStr("di \"sí\"", '"'), "\"di \"\"sí\"\"\"");
    QString src = "'O''Donnell' resto";
    EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "O'Donnell");
    EXPECT_EQ(src, " resto");
    src = "sin comillas";
    EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "");
    EXPECT_EQ(src, "sin comillas");
    src = "'sin cierre";
    EXPECT_EQ(AnsiExtractQuotedStr(src, '\''), "sin cierre");
    EXPECT_EQ(src, "");
}

TEST(StringReplace, FirstOrAllAndCaseBlind) {
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", {}), "a+b-c");
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
    EXPECT_EQ(StringReplace("Año AÑO año", "año", "X", {rfReplaceAll, rfIgnoreCase}), "X X X");
    EXPECT_EQ(StringReplace("Año AÑO año", "año", "X", rfReplaceAll), "Año AÑO X");
    EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");  // no rescanning of the new text
    EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
    EXPECT_EQ(StringReplace("[[Expediente.Numero]]", "[[Expediente.Numero]]", "2024/0000123", {}), "2024/0000123");
}
