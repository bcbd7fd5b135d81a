#include "controls/visual/IntHelpers.h"
#include "controls/visual/StrHelpers.h"

#include <gtest/gtest.h>

namespace {
const TCharSet kCommaSemicolon(",;");
const TCharSet kBlanks(" \t");
}  // namespace

TEST(CharSet, HoldsLatin1CharactersOnly) {
    TCharSet vowels(QStringLiteral("aeiouáéíóúñ"));
    EXPECT_TRUE(vowels.Contains(QChar(u'ñ')));
    EXPECT_TRUE(vowels.Contains(QChar(u'á')));
    EXPECT_FALSE(vowels.Contains(QChar(u'b')));
    EXPECT_EQ(TCharSet("ñÑ"), TCharSet(QStringLiteral("Ññ")));
    EXPECT_FALSE(TCharSet("ñ").Contains(QChar(0xC3)));  // not the bytes of its UTF-8 form
    // A character outside Latin-1 is never a member, not even of a full set.
    const TCharSet all = TCharSet::Range(0, 255);
    EXPECT_FALSE(all.Contains(QChar(u'€')));
    EXPECT_FALSE(TCharSet(QStringLiteral("€")).Contains(QChar(u'€')));
    EXPECT_TRUE(TCharSet(QStringLiteral("€")).IsEmpty());
    EXPECT_FALSE(all.Contains(QChar(0x0100)));  // low byte 0 must not alias code 0

    const TCharSet digits = TCharSet::Range(u'0', u'9');
    EXPECT_TRUE(AllCharsInSet(QStringLiteral("2026"), digits));
    EXPECT_FALSE(AllCharsInSet(QStringLiteral("20 26"), digits));
    EXPECT_TRUE(AllCharsInSet(QString(), TCharSet()));
    EXPECT_TRUE(AllCharsInSet(QStringLiteral("1 2"), digits + TCharSet(" ")));
    EXPECT_FALSE(AllCharsInSet(QStringLiteral("1"), digits - TCharSet("1")));
}

TEST(WordExtraction, SkipsRunsOfDelimiters) {
    const QString s = QStringLiteral("a,,b;c");
    EXPECT_EQ(WordCount(s, kCommaSemicolon), 3);
    EXPECT_EQ(ExtractWord(1, s, kCommaSemicolon), QStringLiteral("a"));
    EXPECT_EQ(ExtractWord(2, s, kCommaSemicolon), QStringLiteral("b"));
    EXPECT_EQ(ExtractWord(3, s, kCommaSemicolon), QStringLiteral("c"));
    EXPECT_EQ(ExtractWord(4, s, kCommaSemicolon), QString());
    EXPECT_EQ(WordPosition(2, s, kCommaSemicolon), 4);
    EXPECT_EQ(WordPosition(4, s, kCommaSemicolon), 0);
}

TEST(WordExtraction, LeadingAndTrailingDelimitersMakeNoWords) {
    const QString s = QStringLiteral(";; Pérez  García ;");
    const TCharSet delims = kCommaSemicolon + kBlanks;
    EXPECT_EQ(WordCount(s, delims), 2);
    EXPECT_EQ(WordPosition(1, s, delims), 4);
    EXPECT_EQ(ExtractWord(1, s, delims), QStringLiteral("Pérez"));
    EXPECT_EQ(ExtractWord(2, s, delims), QStringLiteral("García"));
    EXPECT_EQ(WordCount(QStringLiteral(",;,"), kCommaSemicolon), 0);
    EXPECT_EQ(WordCount(QString(), kCommaSemicolon), 0);
    EXPECT_EQ(ExtractWord(1, QString(), kCommaSemicolon), QString());
    EXPECT_EQ(ExtractWord(0, s, delims), QString());
    // Without delimiters the whole text is one word.
    EXPECT_EQ(ExtractWord(1, QStringLiteral("abc"), TCharSet()), QStringLiteral("abc"));
    // Characters beyond Latin-1 are word characters even if the set was built from them.
    EXPECT_EQ(ExtractWord(2, QStringLiteral("1€2 3"), TCharSet(QStringLiteral(" €"))), QStringLiteral("3"));
}

TEST(ReplaceStr, ReplacesWithoutRescanningInsertedText) {
    EXPECT_EQ(ReplaceStr(QStringLiteral("aaa"), QStringLiteral("a"), QStringLiteral("aa")), QStringLiteral("aaaaaa"));
    EXPECT_EQ(ReplaceStr(QStringLiteral("abc"), QString(), QStringLiteral("x")), QStringLiteral("abc"));
    EXPECT_EQ(ReplaceStr(QStringLiteral("aaaa"), QStringLiteral("aa"), QStringLiteral("b")), QStringLiteral("bb"));
    EXPECT_EQ(ReplaceStr(QStringLiteral("aaa"), QStringLiteral("aa"), QStringLiteral("b")), QStringLiteral("ba"));
    EXPECT_EQ(ReplaceStr(QStringLiteral("[[Exp.Año]] y [[Exp.Año]]!"), QStringLiteral("[[Exp.Año]]"),
                         QStringLiteral("2026")),
              QStringLiteral("2026 y 2026!"));
    EXPECT_EQ(ReplaceStr(QStringLiteral("x-y"), QStringLiteral("-"), QString()), QStringLiteral("xy"));
    // Case matters.
    EXPECT_EQ(ReplaceStr(QStringLiteral("Aa"), QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("Ab"));
}

TEST(Trimming, TouchesOnlyTheSpaceCharacter) {
    EXPECT_EQ(TrimLeadingBlanks(QStringLiteral("\t  x ")), QStringLiteral("\t  x "));
    EXPECT_EQ(TrimLeadingBlanks(QStringLiteral("  \tx ")), QStringLiteral("\tx "));
    EXPECT_EQ(TrimTrailingBlanks(QStringLiteral(" x\t  ")), QStringLiteral(" x\t"));
    EXPECT_EQ(TrimSpaces(QStringLiteral("  Señor  ")), QStringLiteral("Señor"));
    EXPECT_EQ(TrimSpaces(QStringLiteral("    ")), QString());
    EXPECT_EQ(TrimSpaces(QStringLiteral("a b")), QStringLiteral("a b"));
}

TEST(Filling, MakeStrAndDelChars) {
    EXPECT_EQ(MakeStr(QChar(u'ñ'), 3), QStringLiteral("ñññ"));
    EXPECT_EQ(MakeStr(QChar(u'x'), 0), QString());
    EXPECT_EQ(MakeStr(QChar(u'x'), -4), QString());
    EXPECT_EQ(DelChars(QStringLiteral("12.345.678"), QChar(u'.')), QStringLiteral("12345678"));
    EXPECT_EQ(DelChars(QStringLiteral("ñaña"), QChar(u'ñ')), QStringLiteral("aa"));
}

TEST(IntHelpers, ExchangeLargerSmaller) {
    int a = 3, b = -7;
    SwapInt(a, b);
    EXPECT_EQ(a, -7);
    EXPECT_EQ(b, 3);
    EXPECT_EQ(Max(-7, 3), 3);
    EXPECT_EQ(Min(-7, 3), -7);
    EXPECT_EQ(Max(INT32_MIN, INT32_MAX), INT32_MAX);
}
