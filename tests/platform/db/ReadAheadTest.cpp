// Long walks over a table read their rows in growing pages: every row comes once and in order
// whichever way the walk goes; search keys are renewed in place from one search to the next.
#include "Support.h"
#include "platform/rtl/SysUtils.h"
#include "platform/db/Driver.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dbtest;

namespace {

class ReadAheadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        CreateSchema(dir.path());
    }
    QTemporaryDir dir;
    TComponent owner{nullptr};
};

QString Num(int i) { return QString::number(i).rightJustified(7, QLatin1Char('0')); }

// A ledger of `rows` entries over few case files: its ANO;NUMERO order has long runs of equal
// keys, which only the record identity tells apart.
TTable* Ledger(TComponent* owner, const QString& folder, int rows) {
    TTable* t = NewTable(owner, folder, QStringLiteral("CUENTAS"));
    t->Open();
    for (int i = 0; i < rows; ++i) {
        t->Append();
        t->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
        t->FieldByName(QStringLiteral("NUMERO"))->SetAsString(Num(i % 3));
        t->FieldByName(QStringLiteral("ORDEN"))->SetAsInteger(i + 1);
        t->Post();
    }
    t->SetIndexName(QStringLiteral("caso"));
    return t;
}

}  // namespace

TEST_F(ReadAheadTest, ALongWalkSeesEveryRowOnceInOrderBothWays) {
    constexpr int Rows = 1500;
    TTable* t = Ledger(&owner, dir.path(), Rows);
    TField* orden = t->FieldByName(QStringLiteral("ORDEN"));
    TField* numero = t->FieldByName(QStringLiteral("NUMERO"));
    // Key order, then insertion order inside each key.
    std::vector<int> expected;
    for (int k = 0; k < 3; ++k)
        for (int i = k; i < Rows; i += 3) expected.push_back(i + 1);

    std::vector<int> seen;
    for (t->First(); !t->Eof(); t->Next()) seen.push_back(orden->AsInteger());
    EXPECT_EQ(seen, expected);

    seen.clear();
    for (t->Last(); !t->Bof(); t->Prior()) seen.push_back(orden->AsInteger());
    EXPECT_EQ(seen, std::vector<int>(expected.rbegin(), expected.rend()));

    // Turning back in the middle of a long walk forward, and forward again.
    t->First();
    EXPECT_EQ(t->MoveBy(700), 700);
    EXPECT_EQ(orden->AsInteger(), expected[700]);
    EXPECT_EQ(t->MoveBy(-350), -350);
    EXPECT_EQ(orden->AsInteger(), expected[350]);
    EXPECT_EQ(numero->AsString(), Num(0));
    EXPECT_EQ(t->MoveBy(900), 900);
    EXPECT_EQ(orden->AsInteger(), expected[1250]);
    EXPECT_EQ(t->MoveBy(1000), Rows - 1 - 1250);
    EXPECT_TRUE(t->Eof());
    EXPECT_EQ(orden->AsInteger(), expected.back());
}

TEST_F(ReadAheadTest, AWalkAfterAPostReadsTheStoredRows) {
    TTable* t = Ledger(&owner, dir.path(), 600);
    TField* orden = t->FieldByName(QStringLiteral("ORDEN"));
    TField* fecha = t->FieldByName(QStringLiteral("FECHA"));
    t->First();
    t->MoveBy(100);
    const int edited = orden->AsInteger();
    t->Edit();
    fecha->SetAsFloat(45000);
    t->Post();
    // The rows read ahead before the post are not served again: the walk on reads what is stored.
    t->First();
    int found = 0, rows = 0;
    for (; !t->Eof(); t->Next(), ++rows)
        if (orden->AsInteger() == edited) {
            ++found;
            EXPECT_DOUBLE_EQ(fecha->AsFloat(), 45000);
        }
    EXPECT_EQ(found, 1);
    EXPECT_EQ(rows, 600);
}

TEST_F(ReadAheadTest, SearchKeysAreRenewedBetweenSearches) {
    TTable* t = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
    t->Open();
    for (int y = 2022; y <= 2024; ++y)
        for (int n = 1; n <= 5; ++n) AddCase(t, QString::number(y), Num(n), y * 10 + n);
    TField* importe = t->FieldByName(QStringLiteral("IMPORTE"));
    ASSERT_TRUE(t->FindKey({Variant(QStringLiteral("2023")), Variant(Num(4))}));
    EXPECT_EQ(importe->AsInteger(), 20234);
    // Editing the key keeps the fields given before.
    t->EditKey();
    t->FieldByName(QStringLiteral("NUMERO"))->SetAsString(Num(2));
    ASSERT_TRUE(t->GotoKey());
    EXPECT_EQ(importe->AsInteger(), 20232);
    // A new key starts empty: only the year counts now.
    t->SetKey();
    t->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    ASSERT_TRUE(t->GotoKey());
    EXPECT_EQ(importe->AsInteger(), 20241);
    // A key typed and cancelled is not searched for.
    t->SetKey();
    t->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2023"));
    t->FieldByName(QStringLiteral("NUMERO"))->SetAsString(Num(5));
    t->Cancel();
    EXPECT_EQ(t->State(), dsBrowse);
    ASSERT_TRUE(t->GotoKey());
    EXPECT_EQ(importe->AsInteger(), 20221);  // the empty key: the first record
    // Ranges keep their own keys apart from the search key.
    t->SetRange({Variant(QStringLiteral("2022"))}, {Variant(QStringLiteral("2022"))});
    EXPECT_EQ(t->RecordCount(), 5);
    ASSERT_TRUE(t->FindKey({Variant(QStringLiteral("2022")), Variant(Num(3))}));
    EXPECT_EQ(importe->AsInteger(), 20223);
    EXPECT_EQ(t->RecordCount(), 5);
}

TEST_F(ReadAheadTest, AChangedFilterTextSelectsAgain) {
    TTable* t = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
    t->Open();
    for (int y = 2022; y <= 2024; ++y)
        for (int n = 1; n <= y - 2020; ++n) AddCase(t, QString::number(y), Num(n), n);
    t->SetFilter(QStringLiteral("ANO = '2023'"));
    t->SetFiltered(true);
    EXPECT_EQ(t->RecordCount(), 3);
    t->SetFilter(QStringLiteral("ANO = '2024'"));
    EXPECT_EQ(t->RecordCount(), 4);
    t->First();
    EXPECT_EQ(t->FieldByName(QStringLiteral("ANO"))->AsString(), QStringLiteral("2024"));
    t->Close();
    t->Open();
    EXPECT_EQ(t->RecordCount(), 4);
    t->SetFiltered(false);
    EXPECT_EQ(t->RecordCount(), 9);
}

TEST_F(ReadAheadTest, SteppingBackAndForthOverAGroupEdgeShowsEachRowAsStored) {
    // A list's group footer: one step back to the group's last row, then on again.
    TTable* t = Ledger(&owner, dir.path(), 30);
    TField* orden = t->FieldByName(QStringLiteral("ORDEN"));
    TField* fecha = t->FieldByName(QStringLiteral("FECHA"));
    std::vector<int> forward;
    for (t->First(); !t->Eof(); t->Next()) forward.push_back(orden->AsInteger());
    t->First();
    for (size_t i = 1; i < forward.size(); ++i) {
        t->Next();
        ASSERT_EQ(orden->AsInteger(), forward[i]);
        t->Prior();
        ASSERT_EQ(orden->AsInteger(), forward[i - 1]);
        EXPECT_FALSE(t->Bof() && i > 1);
        t->Next();
        ASSERT_EQ(orden->AsInteger(), forward[i]);
    }
    t->Next();
    EXPECT_TRUE(t->Eof());
    // A row changed after the window moved off it reads back as stored.
    t->First();
    t->Edit();
    fecha->SetAsDateTime(EncodeDate(2024, 5, 6));
    t->Post();
    t->Next();
    t->Prior();
    EXPECT_EQ(orden->AsInteger(), forward[0]);
    EXPECT_EQ(fecha->AsDateTime(), EncodeDate(2024, 5, 6));
    t->Prior();
    EXPECT_TRUE(t->Bof());
    EXPECT_EQ(orden->AsInteger(), forward[0]);
}

TEST_F(ReadAheadTest, AWalkOverAUniqueKeyCrossesItsGroupsBothWaysAndStaysInsideARange) {
    // Case files by year and number, a key no two rows share: reading on goes from the rest of
    // one year into the next ones, in pages larger than a year.
    auto conn = platform::db::OpenData(dir.path());
    conn->StartTransaction();
    std::vector<int> expected;
    for (int y = 0; y < 3; ++y)
        for (int n = 1; n <= 500; ++n) {
            conn->Insert(QStringLiteral("EXPED"), {QStringLiteral("ANO"), QStringLiteral("NUMERO"), QStringLiteral("IMPORTE")},
                         {QVariant(QString::number(2022 + y)), QVariant(Num(n)), QVariant(double(y * 1000 + n))});
            expected.push_back(y * 1000 + n);
        }
    conn->Commit();
    TTable* t = NewTable(&owner, dir.path(), QStringLiteral("EXPED"));
    t->Open();
    TField* importe = t->FieldByName(QStringLiteral("IMPORTE"));
    auto walk = [&](bool forward) {
        std::vector<int> seen;
        if (forward)
            for (t->First(); !t->Eof(); t->Next()) seen.push_back(importe->AsInteger());
        else
            for (t->Last(); !t->Bof(); t->Prior()) seen.push_back(importe->AsInteger());
        return seen;
    };
    EXPECT_EQ(walk(true), expected);
    EXPECT_EQ(walk(false), std::vector<int>(expected.rbegin(), expected.rend()));
    t->First();
    EXPECT_EQ(t->MoveBy(1200), 1200);
    EXPECT_EQ(importe->AsInteger(), expected[1200]);
    EXPECT_EQ(t->MoveBy(-1100), -1100);
    EXPECT_EQ(importe->AsInteger(), expected[100]);

    t->SetRange({Variant(QStringLiteral("2023"))}, {Variant(QStringLiteral("2023"))});
    const std::vector<int> year(expected.begin() + 500, expected.begin() + 1000);
    EXPECT_EQ(walk(true), year);
    EXPECT_EQ(walk(false), std::vector<int>(year.rbegin(), year.rend()));
}
