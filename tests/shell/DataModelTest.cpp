// The data model in the folder: every table and index of the model exists in new and older
// folders, and the ranges the case-file form sets on the ledger and the agenda give that case's rows.
#include "DatFixture.h"

#include "platform/db/Driver.h"
#include "platform/rtl/SysUtils.h"

using namespace shelltest;

namespace {
QString S(const char* s) { return QString::fromUtf8(s); }

void AddLedger(const QString& ano, const QString& numero, const QString& concepto) {
    Dat->TCuentas->Append();
    Dat->TCuentas->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
    Dat->TCuentas->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    Dat->TCuentas->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 3, 1));
    Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(concepto);
    Dat->TCuentas->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(2);
    Dat->TCuentas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(100);
    Dat->TCuentas->Post();
}

void AddAgenda(const QString& ano, const QString& numero, int dia, const QString& texto) {
    Dat->TAgen->Append();
    Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(1);
    Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 5, dia));
    Dat->TAgen->FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("E"));
    Dat->TAgen->FieldByName(QStringLiteral("ANO"))->SetAsString(ano);
    Dat->TAgen->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
    Dat->TAgen->FieldByName(QStringLiteral("SITUACION"))->SetAsString(texto);
    Dat->TAgen->Post();
}

QStringList Column(TDataSet* ds, const char* field) {
    QStringList r;
    for (ds->First(); !ds->Eof(); ds->Next()) r << ds->FieldByName(QString::fromLatin1(field))->AsString();
    return r;
}

// Restricts `t` to one case file, as the case-file form does.
void RangeOnCase(TTable* t, const QString& ano, const QString& numero) {
    t->SetRange({Variant(ano), Variant(numero)}, {Variant(ano), Variant(numero)});
}
}  // namespace

TEST_F(DatTest, TheLedgerAndTheAgendaRangeOnACaseFile) {
    AddLedger(QStringLiteral("2024"), QStringLiteral("00002-A"), S("Otro asunto"));
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Provisión"));
    AddLedger(QStringLiteral("2023"), QStringLiteral("00001-A"), S("Año anterior"));
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Minuta"));
    AddAgenda(QStringLiteral("2024"), QStringLiteral("00001-A"), 20, S("Vista"));
    AddAgenda(QStringLiteral("2024"), QStringLiteral("00003-A"), 10, S("Otro juicio"));
    AddAgenda(QStringLiteral("2024"), QStringLiteral("00001-A"), 7, S("Demanda"));
    AddAgenda(QStringLiteral("2025"), QStringLiteral("00001-A"), 1, S("Año siguiente"));

    RangeOnCase(Dat->TCuentas, QStringLiteral("2024"), QStringLiteral("00001-A"));
    EXPECT_EQ(Column(Dat->TCuentas, "CONCEPTO"), (QStringList{S("Provisión"), S("Minuta")}));
    Dat->TCuentas->Last();
    EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->AsString(), S("Minuta"));
    // A new entry of the case lands inside the range with the next number.
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Suplido"));
    EXPECT_EQ(Column(Dat->TCuentas, "CONCEPTO"), (QStringList{S("Provisión"), S("Minuta"), S("Suplido")}));
    EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), 5);
    Dat->TCuentas->CancelRange();
    EXPECT_EQ(Dat->TCuentas->RecordCount(), 5);

    RangeOnCase(Dat->TAgen2, QStringLiteral("2024"), QStringLiteral("00001-A"));
    EXPECT_EQ(Column(Dat->TAgen2, "SITUACION"), (QStringList{S("Demanda"), S("Vista")}));
    Dat->TAgen2->CancelRange();
}

TEST_F(DatTest, TheOrderNumberOfTheLedgerStaysUniqueOverTheWholeTable) {
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Primera"));
    SetSistem("CUENTAS", 0);  // a counter set back by hand
    Dat->TCuentas->Append();
    Dat->TCuentas->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    Dat->TCuentas->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("00002-A"));
    Dat->TCuentas->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 3, 1));
    Dat->TCuentas->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(S("Segunda"));
    Dat->TCuentas->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(1);
    Dat->TCuentas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(5);
    ExpectAbort([&] { Dat->TCuentas->Post(); });
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("CLAVE DUPLICADA")});
    Dat->TCuentas->Cancel();
}

TEST_F(DatTest, AnOlderFolderGetsTheTablesAndIndexesItLacks) {
    AddLedger(QStringLiteral("2024"), QStringLiteral("00001-A"), S("Minuta"));
    AddLedger(QStringLiteral("2023"), QStringLiteral("00009-A"), S("Provisión"));
    Close();
    {
        // A folder of an earlier version: lists missing, the ledger keyed by its order number only,
        // the agenda index on other fields.
        auto conn = platform::db::OpenSqlite(dir.path());
        for (const char* t : {"TIPODES", "TURNADOS", "Convertir.db", "PARTIDOS"}) conn->DropTable(QString::fromLatin1(t));
        platform::db::TIndexDesc pk;
        pk.Primary = true;
        conn->DropIndex(QStringLiteral("CUENTAS"), pk);
        pk.Fields = QStringList{QStringLiteral("ORDEN")};
        pk.Unique = true;
        conn->AddIndex(QStringLiteral("CUENTAS"), pk);
        platform::db::TIndexDesc agen01;
        agen01.Name = QStringLiteral("agen01");
        conn->DropIndex(QStringLiteral("AGENDA"), agen01);
        agen01.Fields = QStringList{QStringLiteral("ABOCLI"), QStringLiteral("FECHA"), QStringLiteral("HORA")};
        conn->AddIndex(QStringLiteral("AGENDA"), agen01);
    }
    Open();
    EXPECT_TRUE(harness->Messages().empty());
    auto conn = Dat->Db->Connection();
    for (const char* t : {"TIPODES", "TURNADOS", "Convertir.db", "PARTIDOS"})
        EXPECT_TRUE(conn->TableExists(QString::fromLatin1(t))) << t;
    EXPECT_TRUE(Dat->TPartidos->Active());
    const auto cuentas = conn->DescribeTable(QStringLiteral("CUENTAS"));
    ASSERT_FALSE(cuentas.Indexes.empty());
    EXPECT_EQ(cuentas.Indexes.front().Fields, (QStringList{QStringLiteral("ANO"), QStringLiteral("NUMERO"), QStringLiteral("ORDEN")}));
    // The rows are all there and range on their case file.
    EXPECT_EQ(Dat->TCuentas->RecordCount(), 2);
    RangeOnCase(Dat->TCuentas, QStringLiteral("2023"), QStringLiteral("00009-A"));
    EXPECT_EQ(Column(Dat->TCuentas, "CONCEPTO"), QStringList{S("Provisión")});
    // Opening again changes nothing more.
    const auto antes = conn->DescribeTable(QStringLiteral("AGENDA")).Indexes.size();
    Close();
    Open();
    EXPECT_EQ(Dat->Db->Connection()->DescribeTable(QStringLiteral("AGENDA")).Indexes.size(), antes);
}
