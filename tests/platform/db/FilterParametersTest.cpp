// A filter's values travel as parameters: filters that differ only in their values share one
// statement text, and each still selects exactly its own rows.
#include "Support.h"
#include "platform/db/EngineSql.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dbtest;
using platform::db::engine::FilterWithParameters;

namespace {

TEST(FilterParametersTest, ValuesComparedWithAColumnBecomePlaceholdersAndTheRestStaysAsWritten) {
    std::vector<QVariant> v;
    EXPECT_EQ(FilterWithParameters(QStringLiteral("ABOCLI = 3 AND \"ANO\"='2026' AND (ANO, NUMERO) IN "
                                                  "(SELECT ANO, NUMERO FROM \"expcli\" WHERE CLIENTE = 12)"),
                                   v),
              QStringLiteral("ABOCLI = ? AND \"ANO\"=? AND (ANO, NUMERO) IN (SELECT ANO, NUMERO FROM \"expcli\" WHERE CLIENTE = ?)"));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0], QVariant(qlonglong(3)));
    EXPECT_EQ(v[1], QVariant(QStringLiteral("2026")));
    EXPECT_EQ(v[2], QVariant(qlonglong(12)));

    // Quotes doubled inside a text, a decimal, and the comparisons other than equality.
    v.clear();
    EXPECT_EQ(FilterWithParameters(QStringLiteral("APELLIDOS <> 'O''Brien' AND IMPORTE >= 10.5 AND SITUACION != 2"), v),
              QStringLiteral("APELLIDOS <> ? AND IMPORTE >= ? AND SITUACION != ?"));
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0], QVariant(QStringLiteral("O'Brien")));
    EXPECT_EQ(v[1], QVariant(10.5));
    EXPECT_EQ(v[2], QVariant(qlonglong(2)));

    // Function arguments, expressions on the left, signs and numbers run into letters stay.
    v.clear();
    const QString kept = QStringLiteral("zb_extract('YEAR', FECHA) = 2024 AND substr(ANO,1,2) = '20' AND X = -3 AND Y = 3e5 "
                                        "AND NOMBRE || 'x' = 'ax' AND (A IS NULL OR A = '')");
    EXPECT_EQ(FilterWithParameters(kept, v),
              QStringLiteral("zb_extract('YEAR', FECHA) = 2024 AND substr(ANO,1,2) = '20' AND X = -3 AND Y = 3e5 "
                             "AND NOMBRE || 'x' = 'ax' AND (A IS NULL OR A = ?)"));
    ASSERT_EQ(v.size(), 1u);
    EXPECT_EQ(v[0], QVariant(QString()));
}

class FilterParametersTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        CreateSchema(dir.path());
        exped = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
        exped->Open();
        for (int y = 2022; y <= 2024; ++y)
            for (int n = 1; n <= 6; ++n) {
                exped->Append();
                exped->FieldByName(QStringLiteral("ANO"))->SetAsString(QString::number(y));
                exped->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::number(n).rightJustified(7, QLatin1Char('0')));
                exped->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(n % 3);
                exped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(n * 1.5);
                exped->FieldByName(QStringLiteral("ASUNTO"))->SetAsString(n == 4 ? QStringLiteral("O'Brien ? y otro") : QStringLiteral("Asunto"));
                exped->Post();
            }
        exped->SetFiltered(true);
    }
    // The keys of the rows the filter selects, in order, and the count the table gives.
    QStringList Keys(const QString& filter, int* count = nullptr) {
        exped->SetFilter(filter);
        QStringList out;
        for (exped->First(); !exped->Eof(); exped->Next())
            out << exped->FieldByName(QStringLiteral("ANO"))->AsString() + QLatin1Char('/') +
                       exped->FieldByName(QStringLiteral("NUMERO"))->AsString().right(1);
        if (count) *count = exped->RecordCount();
        return out;
    }
    QTemporaryDir dir;
    TComponent owner{nullptr};
    TTable* exped = nullptr;
};

TEST_F(FilterParametersTableTest, FiltersThatDifferOnlyInTheirValuesEachSelectTheirOwnRows) {
    int count = 0;
    EXPECT_EQ(Keys(QStringLiteral("ANO = '2023' AND CLIENTE = 1"), &count), QStringList({"2023/1", "2023/4"}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Keys(QStringLiteral("ANO = '2024' AND CLIENTE = 2"), &count), QStringList({"2024/2", "2024/5"}));
    EXPECT_EQ(count, 2);
    EXPECT_EQ(Keys(QStringLiteral("ANO = '2022' AND CLIENTE = 0"), &count), QStringList({"2022/3", "2022/6"}));
    EXPECT_EQ(count, 2);
    // Stepping back from the end reads with the same values.
    exped->Last();
    EXPECT_EQ(exped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("0000006"));
    exped->Prior();
    EXPECT_EQ(exped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("0000003"));
    // A text with a quote and a question mark, a decimal bound, and a search inside the filter.
    EXPECT_EQ(Keys(QStringLiteral("ASUNTO = 'O''Brien ? y otro' AND ANO <> '2022'")), QStringList({"2023/4", "2024/4"}));
    EXPECT_EQ(Keys(QStringLiteral("IMPORTE > 7.5 AND ANO = '2022'")), QStringList({"2022/6"}));
    EXPECT_TRUE(exped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({QStringLiteral("2022"), QStringLiteral("0000006")}), 0));
    EXPECT_FALSE(exped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({QStringLiteral("2023"), QStringLiteral("0000006")}), 0));
    // A range and the filter's values together.
    exped->SetFilter(QStringLiteral("CLIENTE = 2"));
    exped->SetRange({Variant(QStringLiteral("2023"))}, {Variant(QStringLiteral("2024"))});
    EXPECT_EQ(exped->RecordCount(), 4);
    exped->CancelRange();
    EXPECT_EQ(exped->RecordCount(), 6);
}

}  // namespace
