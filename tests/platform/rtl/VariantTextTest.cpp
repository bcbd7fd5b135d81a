// Variant values shown as text and read from text with the Spanish settings.
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/Variant.h"

#include <gtest/gtest.h>

TEST(VariantText, NumbersShowWithTheDecimalComma) {
    EXPECT_EQ(Variant(1234.5).AsString(), "1234,5");
    EXPECT_EQ(Variant(0.1 + 0.2).AsString(), "0,3");
    EXPECT_EQ(Variant(1e20).AsString(), "1E20");
    EXPECT_EQ(Variant(Currency(166.386)).AsString(), "166,386");
    EXPECT_EQ(Variant(Currency::FromRaw(9223372036854775807LL)).AsString(), "922337203685477,5807");
    EXPECT_EQ(Variant(qint64(-5)).AsString(), "-5");
}

TEST(VariantText, DatesShowAsDatesAndTimes) {
    EXPECT_EQ(Variant(EncodeDate(2024, 3, 5)).AsString(), "05/03/2024");
    EXPECT_EQ(Variant(TDateTime(EncodeDate(2024, 3, 5) + EncodeTime(9, 30, 0, 0))).AsString(), "05/03/2024 09:30:00");
    EXPECT_EQ(Variant(EncodeTime(9, 30, 0, 0)).AsString(), "09:30:00");
    EXPECT_EQ(Variant(QString("05/03/2024")).AsDateTime(), EncodeDate(2024, 3, 5));
    EXPECT_THROW(Variant(QString("31/02/2024")).AsDateTime(), EVariantError);
}

TEST(VariantText, TextReadsAsStrToFloatDoes) {
    EXPECT_DOUBLE_EQ(Variant(QString(" 12,5 ")).AsFloat(), 12.5);
    EXPECT_THROW(Variant(QString("12.5")).AsFloat(), EVariantError);
    EXPECT_THROW(Variant(QString("1.234,5")).AsFloat(), EVariantError);
    EXPECT_EQ(Variant(QString(" 42 ")).AsInteger(), 42);
    EXPECT_EQ(Variant(QString("2,5")).AsCurrency(), Currency(2.5));
    EXPECT_TRUE(Variant(QString("1")).AsBoolean());
    // A value shown as text reads back as the same value.
    for (double x : {1234.5, -0.001, 166.386})
        EXPECT_DOUBLE_EQ(Variant(Variant(x).AsString()).AsFloat(), x);
}
