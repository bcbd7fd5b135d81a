// Expressions of the report elements: arithmetic, texts, field references and their errors.
#include "platform/report/QRExpr.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

using platform::report::TQREvaluator;

namespace {
QString Eval(const QString& text) {
    TQREvaluator e;
    e.Compile(text);
    return e.Value().AsString();
}
}  // namespace

TEST(QRExprTest, ArithmeticFollowsPrecedenceAndPrintsSpanishNumbers) {
    EXPECT_EQ(Eval(QStringLiteral("1 + 2 * 3")), QStringLiteral("7"));
    EXPECT_EQ(Eval(QStringLiteral("(1 + 2) * 3 - -1")), QStringLiteral("10"));
    EXPECT_EQ(Eval(QStringLiteral("10 / 4")), QStringLiteral("2,5"));
    EXPECT_EQ(Eval(QStringLiteral("1 / 0")), QString());  // nothing, rather than a crash
    EXPECT_EQ(Eval(QString()), QString());
}

TEST(QRExprTest, TextsConcatenateWithNumbersAndKeepQuotes) {
    EXPECT_EQ(Eval(QStringLiteral("'Año ' + 2024")), QStringLiteral("Año 2024"));
    EXPECT_EQ(Eval(QStringLiteral("\"Peña\" + ', ' + 'O''Donnell'")), QStringLiteral("Peña, O'Donnell"));
    TQREvaluator e;
    e.Compile(QStringLiteral("1234.5"));
    EXPECT_EQ(e.Value().AsString(QStringLiteral("#,##0.00")), QStringLiteral("1.234,50"));
}

TEST(QRExprTest, BadExpressionsAreClearErrors) {
    TQREvaluator e;
    for (const char* bad : {"1 +", "(1", "'abierto", "SUM()", "1 $ 2", "RAIZ(4)", "A..B"}) {
        EXPECT_THROW(e.Compile(QString::fromUtf8(bad)), EQRExpressionError) << bad;
    }
    e.Compile(QStringLiteral("IMPORTE * 2"));
    try {
        e.Value();
        FAIL() << "unknown field accepted";
    } catch (const EQRExpressionError& ex) {
        EXPECT_EQ(ex.Message(), QStringLiteral("Campo desconocido: IMPORTE"));
    }
}

TEST(QRExprTest, AggregatesAccumulateTheirArgumentAndReset) {
    double value = 0;
    TQREvaluator e;
    e.SetResolver([](const QString&, const QString&) -> TField* { return nullptr; });
    e.Compile(QStringLiteral("SUM(3) + COUNT() * 100"));
    EXPECT_TRUE(e.IsAggregate());
    for (int i = 0; i < 4; ++i) e.Update();
    value = e.Value().AsNumber();
    EXPECT_EQ(value, 412);
    e.Reset();
    EXPECT_EQ(e.Value().AsNumber(), 0);
}
