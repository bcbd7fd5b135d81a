// Queries: parameters, data-source parameters, live results and the local SQL the forms write.
#include "Support.h"
#include "platform/db/Driver.h"
#include "platform/db/ServerStats.h"
#include "platform/rtl/SysUtils.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace dbtest;

namespace {

class QueryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.path();
        CreateSchema(folder);
        TTable* e = NewTable(&owner, folder, QStringLiteral("EXPED"));
        e->Open();
        struct C { const char* ano; const char* num; int cliente; int sit; int y, m, d; };
        for (C c : {C{"2023", "1", 1, 1, 2023, 1, 15}, C{"2023", "2", 2, 3, 2023, 6, 1}, C{"2024", "1", 1, 2, 2024, 2, 29},
                    C{"2024", "2", 3, 1, 2024, 12, 31}}) {
            e->Append();
            e->FieldByName(QStringLiteral("ANO"))->SetAsString(QString::fromLatin1(c.ano));
            e->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::fromLatin1(c.num));
            e->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(c.cliente);
            e->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(c.sit);
            e->FieldByName(QStringLiteral("FECHAAPERTURA"))->SetAsDateTime(EncodeDate(c.y, c.m, c.d));
            e->Post();
        }
        TTable* cl = NewTable(&owner, folder, QStringLiteral("CLIENTES"));
        cl->Open();
        struct P { int code; const char* nombre; const char* apellidos; };
        for (P p : {P{1, "Ana", "Peña"}, P{2, "", "Soto"}, P{3, "Íñigo", "Ávila"}}) {
            cl->Append();
            cl->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(p.code);
            cl->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QString::fromUtf8(p.nombre));
            cl->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QString::fromUtf8(p.apellidos));
            cl->Post();
        }
        TTable* cu = NewTable(&owner, folder, QStringLiteral("CUENTAS"));
        cu->Open();
        struct L { const char* num; int orden; int tipo; double importe; const char* concepto; };
        for (L l : {L{"1", 1, 1, 100, "Tasas"}, L{"1", 2, 2, 250.5, "Honorarios"}, L{"1", 3, 3, -300, "Provisión"},
                    L{"1", 4, 2, 49.5, "Honorarios"}}) {
            cu->Append();
            cu->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
            cu->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::fromLatin1(l.num));
            cu->FieldByName(QStringLiteral("ORDEN"))->SetAsInteger(l.orden);
            cu->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(l.tipo);
            cu->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(l.importe);
            cu->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QString::fromUtf8(l.concepto));
            cu->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 3, l.orden));
            cu->Post();
        }
    }
    TQuery* Run(const QString& sql) {
        TQuery* q = NewQuery(&owner, folder, sql);
        q->Open();
        return q;
    }
    QTemporaryDir dir;
    QString folder;
    TComponent owner{nullptr};
};

QStringList Rows(TDataSet* q, const QString& field) {
    QStringList out;
    for (q->First(); !q->Eof(); q->Next()) out << q->FieldByName(field)->AsString();
    return out;
}

}  // namespace

TEST_F(QueryTest, SumOverNoRowsIsNullAndAggregatesWork) {
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("SELECT SUM(IMPORTE) AS SALDO FROM CUENTAS\r\nWHERE ANO = :ANO AND NUMERO = :NUMERO"));
    q->ParamByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("2"));
    q->Open();
    EXPECT_TRUE(q->FieldByName(QStringLiteral("SALDO"))->IsNull());
    q->Close();
    q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("1"));
    q->Open();
    EXPECT_DOUBLE_EQ(q->FieldByName(QStringLiteral("SALDO"))->AsFloat(), 100);
    EXPECT_EQ(Run(QStringLiteral("SELECT COUNT(*) AS NUMCLI FROM EXPED WHERE CLIENTE = 1"))->FieldByName(QStringLiteral("NUMCLI"))->AsInteger(), 2);
    EXPECT_EQ(Run(QStringLiteral("SELECT MAX(ORDEN) AS NUM FROM CUENTAS"))->FieldByName(QStringLiteral("NUM"))->AsInteger(), 4);
    EXPECT_EQ(Run(QStringLiteral("SELECT COUNT (B.ANO) AS Numero FROM EXPED B WHERE B.CLIENTE = 1 AND B.SITUACION = 2"))
                  ->FieldByName(QStringLiteral("NUMERO"))->AsInteger(), 1);
    TQuery* g = Run(QStringLiteral("SELECT TIPO, CONCEPTO, SUM(IMPORTE) AS IMPORTE FROM CUENTAS WHERE ANO = '2024' GROUP BY TIPO, CONCEPTO"));
    EXPECT_EQ(g->RecordCount(), 3);
    ASSERT_TRUE(g->Locate(QStringLiteral("TIPO"), Variant(2), 0));
    EXPECT_DOUBLE_EQ(g->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(), 300);
    TQuery* h = Run(QStringLiteral("SELECT A.ANO, A.NUMERO, MAX(A.FECHA) FROM CUENTAS A, EXPED B WHERE A.ANO = B.ANO AND "
                                   "A.NUMERO = B.NUMERO GROUP BY A.ANO, A.NUMERO HAVING MAX(A.FECHA) < :FECHA"));
    EXPECT_EQ(h->RecordCount(), 0);
    h->Close();
    h->ParamByName(QStringLiteral("FECHA"))->SetAsDate(EncodeDate(2024, 4, 1));
    h->Open();
    EXPECT_EQ(h->RecordCount(), 1);
}

TEST_F(QueryTest, ConcatenationTreatsBlanksAsEmptyText) {
    TQuery* q = Run(QStringLiteral("SELECT CLIENTE as CODIGO,\r\nAPELLIDOS || ',' || NOMBRE as NOMBRE \r\nFROM CLIENTES ORDER BY NOMBRE"));
    EXPECT_EQ(Rows(q, QStringLiteral("NOMBRE")), QStringList({QStringLiteral("Ávila,Íñigo"), QStringLiteral("Peña,Ana"), QStringLiteral("Soto,")}));
    TQuery* d = Run(QStringLiteral("SELECT DISTINCT NOMBRE FROM CLIENTES WHERE NOMBRE IS NOT NULL ORDER BY NOMBRE"));
    EXPECT_EQ(d->RecordCount(), 2);
    TQuery* r = Run(QStringLiteral("SELECT B.ANO||'/'||B.NUMERO AS REF, A.IMPORTE*(-1) AS PROVISION FROM CUENTAS A, EXPED B "
                                   "WHERE A.ANO = B.ANO AND A.NUMERO = B.NUMERO AND TIPO = 3"));
    EXPECT_EQ(r->FieldByName(QStringLiteral("REF"))->AsString(), QStringLiteral("2024/1"));
    EXPECT_DOUBLE_EQ(r->FieldByName(QStringLiteral("PROVISION"))->AsFloat(), 300);
    TQuery* c = Run(QStringLiteral("SELECT CASE WHEN CLIENTE = 2 THEN 'X' ELSE NOMBRE END || '.' AS N FROM CLIENTES ORDER BY CLIENTE"));
    EXPECT_EQ(Rows(c, QStringLiteral("N")), QStringList({QStringLiteral("Ana."), QStringLiteral("X."), QStringLiteral("Íñigo.")}));
}

TEST_F(QueryTest, UnionSubqueriesBetweenInAndTableNamesAsFiles) {
    TQuery* u = Run(QStringLiteral("SELECT FECHA, CONCEPTO, 'A' AS CL, IMPORTE FROM CUENTAS WHERE tipo = 1 AND ANO =:ANO\r\nUNION\r\n"
                                   "SELECT FECHA, CONCEPTO, 'B' AS CL, IMPORTE FROM CUENTAS WHERE tipo = 2"));
    EXPECT_EQ(u->RecordCount(), 2);  // :ANO unbound is null: only the second half
    u->Close();
    u->ParamByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    u->Open();
    EXPECT_EQ(u->RecordCount(), 3);
    TQuery* o = Run(QStringLiteral("SELECT 'E' AS PRIMERA, ANO, NUMERO, FECHAAPERTURA AS FECHA FROM EXPED WHERE SITUACION < 3 UNION "
                                   "SELECT 'C' AS PRIMERA, ANO, NUMERO, FECHA FROM CUENTAS WHERE TIPO = 3 ORDER BY FECHA, PRIMERA"));
    EXPECT_EQ(Rows(o, QStringLiteral("PRIMERA")),
              QStringList({QStringLiteral("E"), QStringLiteral("E"), QStringLiteral("C"), QStringLiteral("E")}));
    TQuery* s = Run(QStringLiteral("SELECT A.CLIENTE FROM CLIENTES A WHERE 0 < (SELECT COUNT(*) FROM EXPED B WHERE B.ANO = '2024' "
                                   "AND B.CLIENTE = A.CLIENTE) AND A.CLIENTE BETWEEN 1 AND 2"));
    EXPECT_EQ(Rows(s, QStringLiteral("CLIENTE")), QStringList({QStringLiteral("1")}));
    TQuery* b = NewQuery(&owner, folder, QStringLiteral("SELECT ANO, NUMERO FROM \"Exped.db\" WHERE FECHAAPERTURA BETWEEN :FDESDE AND "
                                                        ":FHASTA AND NUMERO BETWEEN '1' AND '1' AND SITUACION IN (1, 2) ORDER BY ANO"));
    b->ParamByName(QStringLiteral("FDESDE"))->SetAsDate(EncodeDate(2023, 1, 15));
    b->ParamByName(QStringLiteral("FHASTA"))->SetAsDate(EncodeDate(2024, 2, 29));
    b->Open();
    EXPECT_EQ(Rows(b, QStringLiteral("ANO")), QStringList({QStringLiteral("2023"), QStringLiteral("2024")}));
    EXPECT_EQ(b->FieldByName(QStringLiteral("ANO"))->DataType(), ftString);
    TQuery* dotted = Run(QStringLiteral("SELECT COUNT(*) AS N FROM EXPED.DB WHERE EXTRACT(YEAR FROM FECHAAPERTURA) = 2024"));
    EXPECT_EQ(dotted->FieldByName(QStringLiteral("N"))->AsInteger(), 2);
    TQuery* t = Run(QStringLiteral("SELECT A.*, B.APELLIDOS FROM EXPED A, CLIENTES B WHERE A.CLIENTE = B.CLIENTE AND "
                                   "B.APELLIDOS BETWEEN ' ' AND 'zzzzzzzzzzzzzzz' AND upper(B.NOMBRE) = 'ÍÑIGO'"));
    EXPECT_EQ(t->RecordCount(), 1);
    EXPECT_EQ(t->FieldByName(QStringLiteral("FECHAAPERTURA"))->DataType(), ftDate);
    EXPECT_EQ(t->FieldByName(QStringLiteral("FECHAAPERTURA"))->AsString(), QStringLiteral("31/12/2024"));
    EXPECT_EQ(Run(QStringLiteral("SELECT SUBSTRING(APELLIDOS FROM 1 FOR 2) AS S FROM CLIENTES WHERE CLIENTE = 1"))
                  ->FieldByName(QStringLiteral("S"))->AsString(), QStringLiteral("Pe"));
}

TEST_F(QueryTest, ExecSqlChangesRowsAndCountsThem) {
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("UPDATE EXPED SET SITUACION = 2, FECHAAPERTURA = NULL WHERE ANO = :ANO"));
    q->ParamByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2023"));
    q->ExecSQL();
    EXPECT_EQ(q->RowsAffected(), 2);
    TQuery* ins = NewQuery(&owner, folder,
                           QStringLiteral("INSERT INTO CUENTAS (ANO, NUMERO, ORDEN, FECHA, IMPORTE) VALUES (:ANO, :NUMERO, 9, :FECHA, 0)"));
    ins->ParamByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2023"));
    ins->ParamByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("1"));
    ins->ParamByName(QStringLiteral("FECHA"))->SetAsDate(EncodeDate(2023, 5, 5));
    ins->ExecSQL();
    EXPECT_EQ(ins->RowsAffected(), 1);
    try {
        ins->ExecSQL();
        FAIL() << "duplicate ORDEN inserted";
    } catch (EDBEngineError& e) {
        EXPECT_EQ(e.Errors(0).ErrorCode, 9729);
    }
    TQuery* del = NewQuery(&owner, folder, QStringLiteral("DELETE FROM CUENTAS WHERE ANO = :ANO AND NUMERO = :NUMERO AND TIPO IN (1, 2)"));
    del->ParamByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    del->ParamByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("1"));
    del->ExecSQL();
    EXPECT_EQ(del->RowsAffected(), 3);
    EXPECT_THROW(NewQuery(&owner, folder, QStringLiteral("SELEC nada"))->Open(), EDBEngineError);
    // A null written by plain SQL into an indexed column does not hide the row from the cursors.
    TQuery* nul = NewQuery(&owner, folder, QStringLiteral("INSERT INTO CUENTAS (ANO, NUMERO, ORDEN) VALUES (NULL, :NUMERO, 10)"));
    nul->ExecSQL();
    TTable* t = NewTable(&owner, folder, QStringLiteral("CUENTAS"));
    t->SetIndexName(QStringLiteral("caso"));
    t->Open();
    int n = 0;
    for (t->Last(); !t->Bof(); t->Prior()) ++n;
    EXPECT_EQ(n, t->RecordCount());
    t->First();
    EXPECT_EQ(t->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), 10);
    EXPECT_TRUE(t->FieldByName(QStringLiteral("ANO"))->IsNull());
}

TEST_F(QueryTest, DataSourceFillsSameNamedParameters) {
    TTable* e = NewTable(&owner, folder, QStringLiteral("EXPED"));
    e->Open();
    auto* ds = new TDataSource(&owner);
    ds->SetDataSet(e);
    TQuery* saldo = NewQuery(&owner, folder, QStringLiteral("SELECT SUM(IMPORTE) AS SALDO FROM CUENTAS WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    saldo->SetDataSource(ds);
    saldo->Open();
    e->First();
    EXPECT_TRUE(saldo->FieldByName(QStringLiteral("SALDO"))->IsNull());  // 2023/1
    ASSERT_TRUE(e->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}));
    EXPECT_DOUBLE_EQ(saldo->FieldByName(QStringLiteral("SALDO"))->AsFloat(), 100);
    e->Next();
    EXPECT_TRUE(saldo->FieldByName(QStringLiteral("SALDO"))->IsNull());
    // Refresh runs the query again.
    TQuery* list = Run(QStringLiteral("SELECT CLIENTE, APELLIDOS FROM CLIENTES ORDER BY APELLIDOS"));
    list->Last();
    TQuery* add = NewQuery(&owner, folder, QStringLiteral("INSERT INTO CLIENTES (CLIENTE, APELLIDOS) VALUES (4, 'Zurita')"));
    add->ExecSQL();
    EXPECT_EQ(list->RecordCount(), 3);
    list->Refresh();
    EXPECT_EQ(list->RecordCount(), 4);
    EXPECT_EQ(list->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("Soto"));
}

// A query on a master's record runs again only when it is read after the master moved, unless
// something shows it: then at once, as before.
TEST_F(QueryTest, ADetailQueryFollowsItsMasterWhenReadOrWhenShown) {
    TTable* e = NewTable(&owner, folder, QStringLiteral("EXPED"));
    e->Open();
    auto* ds = new TDataSource(&owner);
    ds->SetDataSet(e);
    TQuery* saldo = NewQuery(&owner, folder, QStringLiteral("SELECT SUM(IMPORTE) AS SALDO FROM CUENTAS WHERE ANO = :ANO AND NUMERO = :NUMERO"));
    saldo->SetDataSource(ds);
    int abiertas = 0;
    saldo->AfterOpen = [&](TDataSet*) { ++abiertas; };
    saldo->Open();
    ASSERT_EQ(abiertas, 1);
    for (e->First(); !e->Eof(); e->Next()) {
    }
    ASSERT_TRUE(e->FindKey({Variant(QStringLiteral("2024")), Variant(QStringLiteral("1"))}));
    EXPECT_EQ(abiertas, 1);  // nothing read it while the master walked
    EXPECT_FALSE(saldo->IsEmpty());
    EXPECT_EQ(abiertas, 2);
    EXPECT_DOUBLE_EQ(saldo->FieldByName(QStringLiteral("SALDO"))->AsFloat(), 100);
    e->Next();
    EXPECT_TRUE(saldo->FieldByName(QStringLiteral("SALDO"))->IsNull());
    e->Prior();
    saldo->First();
    EXPECT_FALSE(saldo->Eof());
    EXPECT_DOUBLE_EQ(saldo->FieldByName(QStringLiteral("SALDO"))->AsFloat(), 100);
    // Closing forgets the pending run; opening reads the master's record of now.
    e->Next();
    saldo->Close();
    e->Prior();
    const int antes = abiertas;
    saldo->Open();
    EXPECT_EQ(abiertas, antes + 1);
    EXPECT_DOUBLE_EQ(saldo->FieldByName(QStringLiteral("SALDO"))->AsFloat(), 100);
    // Shown through a data source, it follows each move as it happens.
    auto* visto = new TDataSource(&owner);
    visto->SetDataSet(saldo);
    bool nulo = false;
    double mostrado = -1;
    visto->OnDataChange = [&](TObject*, TField*) {
        nulo = saldo->FieldByName(QStringLiteral("SALDO"))->IsNull();
        mostrado = saldo->FieldByName(QStringLiteral("SALDO"))->AsFloat();
    };
    e->Next();
    EXPECT_TRUE(nulo);
    e->Prior();
    EXPECT_FALSE(nulo);
    EXPECT_DOUBLE_EQ(mostrado, 100);
}

TEST_F(QueryTest, LiveResultEditsAndDeletesRowsOfItsTable) {
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("SELECT * FROM CUENTAS\r\nWHERE ANO = :ANO AND NUMERO = :NUMERO AND\r\n"
                                                        "TIPO IN (2, 3)\r\nORDER BY FECHA"));
    q->SetRequestLive(true);
    q->ParamByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2024"));
    q->ParamByName(QStringLiteral("NUMERO"))->SetAsString(QStringLiteral("1"));
    q->Open();
    ASSERT_TRUE(q->CanModify());
    EXPECT_EQ(q->RecordCount(), 3);
    q->First();
    q->Edit();
    q->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Minuta"));
    q->Post();
    EXPECT_EQ(q->FieldByName(QStringLiteral("CONCEPTO"))->AsString(), QStringLiteral("Minuta"));
    q->Next();
    int orden = q->FieldByName(QStringLiteral("ORDEN"))->AsInteger();
    q->Delete();
    EXPECT_EQ(q->RecordCount(), 2);
    EXPECT_NE(q->FieldByName(QStringLiteral("ORDEN"))->AsInteger(), orden);
    TTable* t = NewTable(&owner, folder, QStringLiteral("CUENTAS"));
    t->Open();
    EXPECT_EQ(t->RecordCount(), 3);
    ASSERT_TRUE(t->FindKey({Variant(2)}));
    EXPECT_EQ(t->FieldByName(QStringLiteral("CONCEPTO"))->AsString(), QStringLiteral("Minuta"));
    EXPECT_FALSE(t->FindKey({Variant(orden)}));
    // A joined result is read-only.
    TQuery* j = NewQuery(&owner, folder, QStringLiteral("SELECT A.ORDEN FROM CUENTAS A, EXPED B WHERE A.ANO = B.ANO"));
    j->SetRequestLive(true);
    j->Open();
    EXPECT_FALSE(j->CanModify());
    EXPECT_THROW(j->Edit(), EDatabaseError);
}

TEST_F(QueryTest, ComputedColumnsKeepTheTypeOfWhatTheyCompute) {
    const QString ultima = QStringLiteral(
        "SELECT A.ANO, A.NUMERO, B.SITUACION, MAX(A.FECHA) FROM CUENTAS A, EXPED B WHERE A.ANO = B.ANO AND "
        "A.NUMERO = B.NUMERO GROUP BY A.ANO, A.NUMERO, B.SITUACION HAVING MAX(A.FECHA) < :FECHA");
    TQuery* h = NewQuery(&owner, folder, ultima);
    h->ParamByName(QStringLiteral("FECHA"))->SetAsDate(EncodeDate(2024, 4, 1));
    h->Open();
    ASSERT_EQ(h->RecordCount(), 1);
    TField* fecha = h->Fields()->Fields(3);
    EXPECT_EQ(fecha->DataType(), ftDate);
    EXPECT_EQ(fecha->AsString(), QStringLiteral("04/03/2024"));
    // The same columns with no row at all.
    h->Close();
    h->ParamByName(QStringLiteral("FECHA"))->SetAsDate(EncodeDate(2000, 1, 1));
    h->Open();
    EXPECT_EQ(h->RecordCount(), 0);
    EXPECT_EQ(h->Fields()->Fields(3)->DataType(), ftDate);
    EXPECT_EQ(h->Fields()->Fields(2)->DataType(), ftInteger);

    struct Caso {
        const char* Sql;
        const char* Campo;
        TFieldType Tipo;
    };
    for (const char* donde : {"ANO = '2024'", "ANO = 'ninguno'"}) {
        const QString todos = QString::fromLatin1(donde).contains(QStringLiteral("2024")) ? QStringLiteral("1 = 1")
                                                                                          : QStringLiteral("1 = 0");
        const Caso casos[] = {
            {"SELECT APELLIDOS || ',' || NOMBRE AS NOM FROM CLIENTES C WHERE %2", "NOM", ftString},
            {"SELECT SUM(IMPORTE) AS SALDO FROM CUENTAS WHERE %1", "SALDO", ftFloat},
            {"SELECT SUM(IMPORTE*-1) AS PROVISION FROM CUENTAS WHERE %1", "PROVISION", ftFloat},
            {"SELECT COUNT(*) AS N FROM CUENTAS WHERE %1", "N", ftInteger},
            {"SELECT MIN(C.FECHA) PRIMERA FROM CUENTAS C WHERE %1", "PRIMERA", ftDate},
            {"SELECT 'E' AS PRIMERA, 0 AS SUPLIDOS, ORDEN + 1 AS SIGUIENTE FROM CUENTAS WHERE %1", "PRIMERA", ftString},
            {"SELECT 'E' AS PRIMERA, 0 AS SUPLIDOS, ORDEN + 1 AS SIGUIENTE FROM CUENTAS WHERE %1", "SUPLIDOS", ftInteger},
            {"SELECT 'E' AS PRIMERA, 0 AS SUPLIDOS, ORDEN + 1 AS SIGUIENTE FROM CUENTAS WHERE %1", "SIGUIENTE", ftInteger},
            {"SELECT A.IMPORTE*(-1) AS PROVISION FROM CUENTAS A WHERE %1", "PROVISION", ftFloat},
            {"SELECT MAX(FECHA) FROM CUENTAS WHERE %1", "MAX(FECHA)", ftDate},
        };
        for (const Caso& c : casos) {
            QString sql = QString::fromLatin1(c.Sql);
            sql = sql.contains(QStringLiteral("%2")) ? sql.replace(QStringLiteral("%2"), todos) : sql.arg(QString::fromLatin1(donde));
            TQuery* q = Run(sql);
            EXPECT_EQ(q->FieldByName(QString::fromLatin1(c.Campo))->DataType(), c.Tipo) << sql.toStdString();
        }
    }
    // A literal keeps its length as the size of its text column.
    TQuery* l = Run(QStringLiteral("SELECT '1234567890' AS NOMCLI, ANO FROM EXPED WHERE ANO = 'x'"));
    EXPECT_EQ(l->FieldByName(QStringLiteral("NOMCLI"))->Size(), 10);
}

namespace {
// Another workstation rebuilds CLIENTES with a column more, in the middle, and stores a row.
void OtroPuestoAnadeCorreo(const QString& folder) {
    auto other = platform::db::OpenData(folder);
    platform::db::TTableDesc d = other->DescribeTable(QStringLiteral("CLIENTES"));
    d.Columns.insert(d.Columns.begin() + 1, {QStringLiteral("CORREO"), platform::db::TColumnType::Text, 60, false});
    other->DropTable(QStringLiteral("CLIENTES"));
    other->CreateTable(d);
    other->Insert(QStringLiteral("CLIENTES"), {QStringLiteral("CLIENTE"), QStringLiteral("CORREO"), QStringLiteral("APELLIDOS")},
                  {QVariant(qlonglong(1)), QVariant(QStringLiteral("ana@despacho.es")), QVariant(QStringLiteral("Peña"))});
}
void VeElCorreo(TQuery* q) {
    q->Open();
    ASSERT_EQ(q->FieldCount(), 5);
    EXPECT_EQ(q->Fields()->Fields(1)->FieldName().toUpper(), QStringLiteral("CORREO"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("CORREO"))->AsString(), QStringLiteral("ana@despacho.es"));
    EXPECT_EQ(q->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("Peña"));
    q->Close();
}
}  // namespace

// The same query run again after another workstation rebuilt the table shows it as it is now,
// each value under its own column.
TEST_F(QueryTest, AQueryRunAgainShowsTheColumnsAnotherWorkstationAdded) {
    TQuery* q = Run(QStringLiteral("SELECT * FROM CLIENTES ORDER BY CLIENTE"));
    EXPECT_EQ(q->FieldCount(), 4);
    q->Close();
    OtroPuestoAnadeCorreo(folder);
    VeElCorreo(q);
}

// The same for a query kept prepared between its runs.
TEST_F(QueryTest, APreparedQueryRunAgainShowsTheColumnsAnotherWorkstationAdded) {
    TQuery* q = NewQuery(&owner, folder, QStringLiteral("SELECT * FROM CLIENTES WHERE CLIENTE = :C"));
    q->ParamByName(QStringLiteral("C"))->SetAsInteger(1);
    q->Prepare();
    q->Open();
    EXPECT_EQ(q->FieldCount(), 4);
    q->Close();
    OtroPuestoAnadeCorreo(folder);
    VeElCorreo(q);
}

// A window keeps its query prepared while another workstation rebuilds the table, and a second
// window asks the same text: that one is prepared again, and the first still runs, on a statement
// of its own that nobody removed from under it.
TEST_F(QueryTest, AQueryPreparedAgainLeavesTheOpenOneOfTheSameTextRunning) {
    const QString sql = QStringLiteral("SELECT * FROM CLIENTES WHERE CLIENTE = :C");
    TQuery* first = NewQuery(&owner, folder, sql);
    first->ParamByName(QStringLiteral("C"))->SetAsInteger(1);
    first->Prepare();
    first->Open();
    ASSERT_EQ(first->FieldCount(), 4);
    OtroPuestoAnadeCorreo(folder);
    TQuery* second = NewQuery(&owner, folder, sql);
    second->ParamByName(QStringLiteral("C"))->SetAsInteger(1);
    VeElCorreo(second);
    first->Close();
    VeElCorreo(first);
    // Each goes on running on its own, whichever is let go first.
    delete second;
    VeElCorreo(first);
}

// Only a result over one table (with at most an alias), neither grouped nor combined, can be
// edited.
TEST_F(QueryTest, ALiveResultIsEditableOnlyOverOneTable) {
    const std::vector<std::pair<const char*, bool>> casos = {
        {"SELECT * FROM CUENTAS", true},
        {"  select ORDEN, CONCEPTO from cuentas c where c.TIPO = 2", true},
        {"SELECT * FROM CUENTAS\r\nORDER BY FECHA", true},
        {"SELECT * FROM \"CUENTAS\" WHERE TIPO = 2", true},
        {"SELECT ORDEN FROM CUENTAS A, EXPED B WHERE A.ANO = B.ANO", false},
        {"SELECT ORDEN FROM CUENTAS A JOIN EXPED B ON A.ANO = B.ANO", false},
        {"SELECT DISTINCT ANO FROM CUENTAS", false},
        {"SELECT ANO, COUNT(*) FROM CUENTAS GROUP  BY ANO", false},
        {"SELECT ANO FROM CUENTAS UNION SELECT ANO FROM EXPED", false},
        {"SELECT ANO FROM CUENTAS AS C WHERE TIPO = 2", false},
    };
    for (const auto& [sql, editable] : casos) {
        TQuery* q = NewQuery(&owner, folder, QString::fromLatin1(sql));
        q->SetRequestLive(true);
        q->Open();
        EXPECT_EQ(q->CanModify(), editable) << sql;
    }
}

// A window opened again asks the same query again: the server neither prepares nor describes
// it anew, and each table's layout is read once; the query's fields are those of the first time.
TEST_F(QueryTest, AQueryOpenedAgainIsRunWithoutPreparingOrDescribingItAgain) {
    const QString sql = QStringLiteral("SELECT CLIENTE, APELLIDOS || ', ' || NOMBRE AS NOMBRE FROM CLIENTES ORDER BY NOMBRE");
    auto shown = [](TQuery* q) {
        QStringList out;
        for (q->First(); !q->Eof(); q->Next())
            out << q->FieldByName(QStringLiteral("CLIENTE"))->AsString() + QLatin1Char(' ') + q->FieldByName(QStringLiteral("NOMBRE"))->AsString();
        return out;
    };
    TQuery* q = Run(sql);
    const QStringList first = shown(q);
    const TFieldType type = q->FieldByName(QStringLiteral("NOMBRE"))->DataType();
    const int size = q->FieldByName(QStringLiteral("NOMBRE"))->Size();
    delete q;
    const qint64 trips = platform::db::ServerRoundTrips();
    TQuery* again = Run(sql);
    // On a server: the query run, and the layout of its one table.
    if (!platform::db::DataServer(folder).isEmpty()) {
        EXPECT_LE(platform::db::ServerRoundTrips() - trips, 2);
    }
    EXPECT_EQ(shown(again), first);
    EXPECT_EQ(first, QStringList({QStringLiteral("3 Ávila, Íñigo"), QStringLiteral("1 Peña, Ana"), QStringLiteral("2 Soto, ")}));
    EXPECT_EQ(again->FieldByName(QStringLiteral("NOMBRE"))->DataType(), type);
    EXPECT_EQ(again->FieldByName(QStringLiteral("NOMBRE"))->Size(), size);
}

// The engine lets its own prepared reads go after some hundreds: a statement the application
// holds stays prepared and runs again.
TEST_F(QueryTest, AHeldStatementOutlivesTheEnginesCleanUpOfItsOwnReads) {
    auto conn = platform::db::OpenData(folder);
    auto st = conn->Prepare(conn->TranslateSql(QStringLiteral("SELECT NOMBRE FROM CLIENTES WHERE CLIENTE = :c")));
    st->Bind(0, QVariant(1));
    ASSERT_TRUE(st->Step());
    EXPECT_EQ(st->Column(0).toString(), QStringLiteral("Ana"));
    st->Reset();
    platform::db::TCursorSpec s;
    s.Table = QStringLiteral("CLIENTES");
    s.Columns = {QStringLiteral("CLIENTE")};
    for (int i = 0; i < 300; ++i) {
        s.Where = QStringLiteral("CLIENTE <> %1").arg(i);
        EXPECT_EQ(conn->Count(s), i >= 1 && i <= 3 ? 2 : 3);
    }
    st->Bind(0, QVariant(3));
    ASSERT_TRUE(st->Step());
    EXPECT_EQ(st->Column(0).toString(), QStringLiteral("Íñigo"));
}

// A term naming a column of the table that holds no text is ordered by the column as stored, so
// the table's index gives the order and the engine sorts nothing; texts, aliases, joins and
// nested statements keep the Spanish order.
TEST_F(QueryTest, OrderTermsOnColumnsThatHoldNoTextAreOrderedByTheirIndex) {
    // The order itself is the same on both engines: by amount.
    TQuery* q = Run(QStringLiteral("SELECT ORDEN, CONCEPTO FROM CUENTAS ORDER BY IMPORTE DESC"));
    QStringList orden;
    for (q->First(); !q->Eof(); q->Next()) orden << q->FieldByName(QStringLiteral("ORDEN"))->AsString();
    EXPECT_EQ(orden, QStringList({QStringLiteral("2"), QStringLiteral("1"), QStringLiteral("4"), QStringLiteral("3")}));
    // A server sorts texts in Spanish by the columns' own collation: no term gets one written.
    if (!qEnvironmentVariableIsEmpty("ZEMBRA_TEST_SERVIDOR")) return;
    auto conn = platform::db::OpenData(folder);
    auto plan = [&](const QString& sql) {
        QString detail;
        auto st = conn->Prepare(QStringLiteral("EXPLAIN QUERY PLAN ") + conn->TranslateSql(sql));
        while (st->Step()) detail += st->Column(3).toString() + QLatin1Char('\n');
        return detail;
    };
    const QString porOrden = plan(QStringLiteral("SELECT * FROM CUENTAS ORDER BY ORDEN"));
    EXPECT_FALSE(porOrden.contains(QLatin1String("TEMP B-TREE"))) << porOrden.toStdString();
    const QString mixed = conn->TranslateSql(QStringLiteral("SELECT * FROM \"CUENTAS\" WHERE TIPO = 2 ORDER BY FECHA DESC, CONCEPTO, \"ORDEN\""));
    EXPECT_TRUE(mixed.contains(QLatin1String("FECHA DESC"))) << mixed.toStdString();
    EXPECT_TRUE(mixed.contains(QLatin1String("CONCEPTO COLLATE ZBES"))) << mixed.toStdString();
    EXPECT_TRUE(mixed.endsWith(QLatin1String("\"ORDEN\""))) << mixed.toStdString();
    for (const char* keeps : {"SELECT CONCEPTO AS ORDEN FROM CUENTAS ORDER BY ORDEN", "SELECT * FROM CUENTAS A, EXPED B ORDER BY ORDEN",
                              "SELECT * FROM CUENTAS c ORDER BY ORDEN",
                              "SELECT * FROM EXPED WHERE ANO IN (SELECT ANO FROM CUENTAS ORDER BY ORDEN)"})
        EXPECT_TRUE(conn->TranslateSql(QString::fromLatin1(keeps)).contains(QLatin1String("ORDEN COLLATE ZBES"))) << keeps;
}

// A query on one keyed table that asks for no order reads its rows in key order, whatever order
// they were entered in; totals, groups and statements that give their own order keep theirs.
TEST_F(QueryTest, AQueryWithNoOrderOfItsOwnReadsItsTableInKeyOrder) {
    TTable* cl = NewTable(&owner, folder, QStringLiteral("CLIENTES"));
    cl->Open();
    cl->Append();
    cl->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(0);
    cl->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Zapata"));
    cl->Post();
    auto codes = [&](const char* sql) {
        TQuery* q = Run(QString::fromLatin1(sql));
        QStringList out;
        for (q->First(); !q->Eof(); q->Next()) out << q->Fields()->Fields(0)->AsString();
        return out.join(QLatin1Char(' '));
    };
    EXPECT_EQ(codes("SELECT CLIENTE, APELLIDOS FROM CLIENTES"), QStringLiteral("0 1 2 3"));
    EXPECT_EQ(codes("SELECT CLIENTE FROM CLIENTES WHERE CLIENTE <> 2 LIMIT 2"), QStringLiteral("0 1"));
    EXPECT_EQ(codes("SELECT CLIENTE FROM CLIENTES ORDER BY APELLIDOS DESC"), QStringLiteral("0 2 1 3"));
    EXPECT_EQ(codes("SELECT COUNT(*) FROM CLIENTES"), QStringLiteral("4"));
    EXPECT_EQ(codes("SELECT IFNULL(MAX(CLIENTE), 0) + 1 FROM CLIENTES"), QStringLiteral("4"));
    EXPECT_EQ(codes("SELECT CLIENTE FROM CLIENTES ;"), QStringLiteral("0 1 2 3"));
}
