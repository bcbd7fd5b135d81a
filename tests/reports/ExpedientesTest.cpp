// The case-file and consultation lists over a data folder with known rows, read back from their
// PDF: rows, name lines and band heights, groups, totals and the range and filter texts.
#include "ListadoFixture.h"

#include "platform/rtl/SysUtils.h"
#include "reports/RPTFiltro.h"
#include "reports/RPTFiltro2.h"
#include "reports/rptLisExpCli.h"
#include "reports/rptLisExpNeg.h"
#include "reports/rptLisExpNum.h"
#include "reports/rptLisExpPro.h"
#include "reports/rptLisExpSinMov.h"

using namespace reportstest;

namespace {

class ExpedientesTest : public ListadoTest {
protected:
    void SetUp() override {
        ListadoTest::SetUp();
        if (!hayPdftotext) GTEST_SKIP() << "no pdftotext";
        // Clients 1..9 named so they sort by code; opposing parties 1..3.
        for (int i = 1; i <= 9; ++i)
            Sql(QStringLiteral("INSERT INTO CLIENTES (CLIENTE, APELLIDOS, NOMBRE) VALUES (%1, 'Cliente%1', 'Nom%1')").arg(i));
        for (int i = 1; i <= 3; ++i)
            Sql(QStringLiteral("INSERT INTO CONTRARIOS (CONTRARIO, APELLIDOS, NOMBRE) VALUES (%1, 'Contra%1', 'C%1')").arg(i));
        Sql(QStringLiteral("INSERT INTO ABOCLI (ABOCLI, APELLIDOS, NOMBRE) VALUES (1, 'Ortega', 'Marta'), (2, 'Vidal', 'Pablo')"));
        Sql(QStringLiteral("INSERT INTO PROCU (PROCU, APELLIDOS, NOMBRE) VALUES (1, 'Soler', 'Ana')"));
        // 00001-A: seven clients, two opposing parties; 00002-B: closed, no parties;
        // 00003-C: invoiced, one client; 2000/00001-A another year.
        Exped("2001", "00001-A", 1, 1, 1, "12/01", "Juicio Verbal", EncodeDate(2001, 2, 1), 1);
        Exped("2001", "00002-B", 3, 2, 0, "", "Monitorio", EncodeDate(2001, 3, 1), 0);
        Exped("2001", "00003-C", 2, 1, 1, "7/01", "Ordinario", EncodeDate(2001, 5, 1), 8, 15, EncodeDate(2001, 6, 30));
        Exped("2000", "00001-A", 1, 2, 0, "", "Ordinario", EncodeDate(2000, 5, 1), 9);
        for (int c = 1; c <= 7; ++c) Parte("EXPCLI", "CLIENTE", "2001", "00001-A", c);
        Parte("EXPCON", "CONTRARIO", "2001", "00001-A", 2);
        Parte("EXPCON", "CONTRARIO", "2001", "00001-A", 1);
        Parte("EXPCLI", "CLIENTE", "2001", "00003-C", 8);
        Parte("EXPCLI", "CLIENTE", "2000", "00001-A", 9);
    }
    void Exped(const char* ano, const char* numero, int situacion, int abocli, int procli, const char* autos,
               const char* procedimiento, TDateTime apertura, int cliente, int factura = 0, TDateTime fechaFactura = 0,
               const char* autos1 = "") {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral(
            "INSERT INTO EXPED (ANO, NUMERO, SITUACION, ABOCLI, PROCLI, AUTOS, AUTOS1, PROCEDIMIENTO, FECHAAPERTURA, "
            "CLIENTE, FACTURA, FECHAFACTURA) VALUES (:A, :N, :S, :AB, :P, :AU, :AU1, :PR, :F, :C, :FA, :FF)"));
        q.ParamByName(QStringLiteral("A"))->SetAsString(QString::fromLatin1(ano));
        q.ParamByName(QStringLiteral("N"))->SetAsString(QString::fromLatin1(numero));
        q.ParamByName(QStringLiteral("S"))->SetAsInteger(situacion);
        q.ParamByName(QStringLiteral("AB"))->SetAsInteger(abocli);
        q.ParamByName(QStringLiteral("P"))->SetAsInteger(procli);
        q.ParamByName(QStringLiteral("AU"))->SetAsString(QString::fromLatin1(autos));
        q.ParamByName(QStringLiteral("AU1"))->SetAsString(QString::fromLatin1(autos1));
        q.ParamByName(QStringLiteral("PR"))->SetAsString(QString::fromLatin1(procedimiento));
        q.ParamByName(QStringLiteral("F"))->SetAsDate(apertura);
        q.ParamByName(QStringLiteral("C"))->SetAsInteger(cliente);
        q.ParamByName(QStringLiteral("FA"))->SetAsInteger(factura);
        if (double(fechaFactura) != 0) q.ParamByName(QStringLiteral("FF"))->SetAsDate(fechaFactura);
        else q.ParamByName(QStringLiteral("FF"))->SetAsFloat(0);
        q.ExecSQL();
    }
    void Parte(const char* tabla, const char* campo, const char* ano, const char* numero, int codigo) {
        Sql(QStringLiteral("INSERT INTO %1 (ANO, NUMERO, %2) VALUES ('%3', '%4', %5)")
                .arg(QString::fromLatin1(tabla), QString::fromLatin1(campo), QString::fromLatin1(ano),
                     QString::fromLatin1(numero))
                .arg(codigo));
    }
    void Apunte(const char* ano, const char* numero, int orden, TDateTime fecha, int tipo, double importe) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("INSERT INTO CUENTAS (ANO, NUMERO, ORDEN, FECHA, TIPO, IMPORTE) VALUES "
                                        "(:A, :N, :O, :F, :T, :I)"));
        q.ParamByName(QStringLiteral("A"))->SetAsString(QString::fromLatin1(ano));
        q.ParamByName(QStringLiteral("N"))->SetAsString(QString::fromLatin1(numero));
        q.ParamByName(QStringLiteral("O"))->SetAsInteger(orden);
        q.ParamByName(QStringLiteral("F"))->SetAsDate(fecha);
        q.ParamByName(QStringLiteral("T"))->SetAsInteger(tipo);
        q.ParamByName(QStringLiteral("I"))->SetAsFloat(importe);
        q.ExecSQL();
    }
    void Agenda(const char* ano, const char* numero, int orden, TDateTime fecha) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("INSERT INTO AGENDA (ORDEN, ABOCLI, FECHA, HORA, TIPO, ANO, NUMERO) VALUES "
                                        "(:O, 1, :F, 0.5, 'E', :A, :N)"));
        q.ParamByName(QStringLiteral("O"))->SetAsInteger(orden);
        q.ParamByName(QStringLiteral("F"))->SetAsDate(fecha);
        q.ParamByName(QStringLiteral("A"))->SetAsString(QString::fromLatin1(ano));
        q.ParamByName(QStringLiteral("N"))->SetAsString(QString::fromLatin1(numero));
        q.ExecSQL();
    }
    void Moneda(const char* moneda) {
        Dat->TSistem->Edit();
        Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString::fromLatin1(moneda));
        Dat->TSistem->Post();
    }
    // Heights of the printed bands of a name, over every page.
    static std::vector<int> Alturas(const QString& banda) {
        std::vector<int> r;
        for (int p = 1; p <= QRPrinter->PageCount(); ++p)
            for (const auto& op : QRPrinter->Pages(p).Ops)
                if (op.Kind == platform::report::TOpKind::Band && op.Text == banda) r.push_back(op.Rect.height());
        return r;
    }
    static const platform::report::TPageOp* Texto(const QString& t) {
        for (int p = 1; p <= QRPrinter->PageCount(); ++p)
            if (const auto* op = QRPrinter->Pages(p).FindText(t)) return op;
        return nullptr;
    }
};

TEST_F(ExpedientesTest, ByNumberPrintsUpToFiveNameLinesAndStateWords) {
    auto* f = new TInfExpNum(owner.get());
    reports::PreparaExpNum(f, QStringLiteral("2001"), QString(), QStringLiteral("zzzzzzz"), QStringLiteral("Número :  TODOS"));
    const QString t = Pdf(f->QRListado);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO DE EXPEDIENTES"))) << t.toStdString();
    ASSERT_NE(Texto(QStringLiteral("Número :  TODOS")), nullptr);
    EXPECT_TRUE(Linea(t, QStringLiteral("Expediente")).startsWith(
        QStringLiteral("Expediente Cliente Situación Nº Auto Procedimiento Contrario Abogado Cliente")));
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00001-A")),
              QStringLiteral("2001/00001-A Cliente1,Nom1 ABIERTO 12/01 Juicio Verbal Contra1,C1 Ortega,Marta"));
    EXPECT_EQ(Linea(t, QStringLiteral("Cliente2,Nom2")), QStringLiteral("Cliente2,Nom2 Contra2,C2"));
    for (int i = 3; i <= 5; ++i)
        EXPECT_EQ(Linea(t, QStringLiteral("Cliente%1").arg(i)), QStringLiteral("Cliente%1,Nom%1").arg(i));
    EXPECT_FALSE(t.contains(QStringLiteral("Cliente6")));
    EXPECT_FALSE(t.contains(QStringLiteral("Cliente7")));
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00002-B")), QStringLiteral("2001/00002-B CERRADO Monitorio Vidal,Pablo"));
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00003-C")),
              QStringLiteral("2001/00003-C Cliente8,Nom8 FACTURADO 7/01 Ordinario Ortega,Marta"));
    EXPECT_FALSE(t.contains(QStringLiteral("2000/")));
    // Seven clients: five lines, 100 high; no parties: one line of 20.
    EXPECT_EQ(Alturas(QStringLiteral("QRDetalle")), (std::vector<int>{100, 20, 20}));
    const auto* quinta = Texto(QStringLiteral("Cliente5,Nom5"));
    const auto* primera = Texto(QStringLiteral("Cliente1,Nom1"));
    ASSERT_TRUE(quinta && primera);
    EXPECT_EQ(quinta->Rect.top() - primera->Rect.top(), 80);
    EXPECT_EQ(quinta->Rect.left(), primera->Rect.left());
    EXPECT_EQ(Texto(QStringLiteral("Contra2,C2"))->Rect.left() - primera->Rect.left(), 610 - 105);
    Dibuja(QStringLiteral("rptLisExpNum"));

    // A number range.
    delete f;
    auto* g = new TInfExpNum(owner.get());
    reports::PreparaExpNum(g, QStringLiteral("2001"), QStringLiteral("00002-B"), QStringLiteral("00003-C"),
                           QStringLiteral("Número :  00002-B a 00003-C"));
    const QString u = Pdf(g->QRListado);
    EXPECT_FALSE(u.contains(QStringLiteral("2001/00001-A")));
    EXPECT_TRUE(u.contains(QStringLiteral("2001/00003-C")));
    EXPECT_NE(Texto(QStringLiteral("Número :  00002-B a 00003-C")), nullptr);
}

TEST_F(ExpedientesTest, ALongListReadsTheSameNameLinesInOnePass) {
    // 900 more case files (more than one batch of names), each with up to three clients and two opposing parties.
    Sql(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 900) "
                       "INSERT INTO EXPED (ANO, NUMERO, SITUACION, ABOCLI) SELECT '2001', 'L' || (1000 + i), "
                       "1 + i % 3, 1 + i % 2 FROM n"));
    Sql(QStringLiteral("INSERT INTO EXPCLI (ANO, NUMERO, CLIENTE) SELECT ANO, NUMERO, 1 + (rowid % 9) FROM EXPED WHERE "
                       "NUMERO LIKE 'L%'"));
    Sql(QStringLiteral("INSERT INTO EXPCLI (ANO, NUMERO, CLIENTE) SELECT ANO, NUMERO, 1 + ((rowid + 4) % 9) FROM EXPED "
                       "WHERE NUMERO LIKE 'L%' AND rowid % 3 = 0"));
    Sql(QStringLiteral("INSERT INTO EXPCON (ANO, NUMERO, CONTRARIO) SELECT ANO, NUMERO, 1 + (rowid % 3) FROM EXPED WHERE "
                       "NUMERO LIKE 'L%' AND rowid % 2 = 0"));
    auto textos = [] {
        std::vector<QStringList> r;
        for (int p = 1; p <= QRPrinter->PageCount(); ++p) r.push_back(QRPrinter->Pages(p).Texts());
        return r;
    };
    // The same list read row by row, as a short list is.
    auto filaAFila = [](TInfExpNum* r) {
        r->QRListado->BeforePrint = TEvent<TQuickRep*, bool&>([r](TQuickRep*, bool&) {
            TQuery vacio(nullptr);
            vacio.SetDatabaseName(QStringLiteral("ZEMBRA"));
            vacio.SQL()->SetText(QStringLiteral("SELECT ANO, NUMERO FROM EXPED WHERE 0 = 1"));
            vacio.Open();
            r->Partes.Prepara(&vacio);
        });
    };
    auto* f = new TInfExpNum(owner.get());
    reports::PreparaExpNum(f, QStringLiteral("2001"), QString(), QStringLiteral("zzzzzzz"), QString());
    f->QRListado->Prepare();
    const std::vector<QStringList> juntos = textos();
    ASSERT_GT(juntos.size(), 3u);
    filaAFila(f);
    f->QRListado->Prepare();
    EXPECT_EQ(textos(), juntos);
    EXPECT_TRUE(juntos.front().contains(QStringLiteral("Cliente1,Nom1")));

    // A range that is a small part of its year reads its names in batches, with the same lines.
    delete f;
    auto* g = new TInfExpNum(owner.get());
    reports::PreparaExpNum(g, QStringLiteral("2001"), QStringLiteral("L1001"), QStringLiteral("L1250"), QString());
    g->QRListado->Prepare();
    const std::vector<QStringList> parte = textos();
    ASSERT_GT(parte.size(), 1u);
    filaAFila(g);
    g->QRListado->Prepare();
    EXPECT_EQ(textos(), parte);
    EXPECT_TRUE(parte.front().contains(QStringLiteral("Cliente1,Nom1")));
}

TEST_F(ExpedientesTest, ByLawyerGroupsUnderTheLawyersNameWithTheCourtAgent) {
    auto* f = new TInfExpPro(owner.get());
    reports::PreparaExpPro(f, QStringLiteral("2001"), 0, 999999, QStringLiteral("Abogado :  TODOS"));
    const QString t = Pdf(f->QRListado);
    const QStringList l = Lineas(t);
    const int ortega = int(l.indexOf(QStringLiteral("Abogado : Ortega,Marta")));
    const int vidal = int(l.indexOf(QStringLiteral("Abogado : Vidal,Pablo")));
    ASSERT_GE(ortega, 0) << t.toStdString();
    EXPECT_GT(vidal, ortega);
    EXPECT_TRUE(l.value(ortega + 1).startsWith(QStringLiteral("2001/00001-A")));
    EXPECT_TRUE(l.value(ortega + 1).endsWith(QStringLiteral("Soler,Ana")));
    EXPECT_TRUE(Linea(t, QStringLiteral("Expediente")).endsWith(QStringLiteral("Procurador Cliente")));
    EXPECT_EQ(l.value(vidal + 1), QStringLiteral("2001/00002-B CERRADO Monitorio"));
    EXPECT_NE(Texto(QStringLiteral("Abogado :  TODOS")), nullptr);
}

TEST_F(ExpedientesTest, ByClientHeadsEachClientWithCaseFilesInTheYear) {
    auto* f = new TInfExpCli(owner.get());
    reports::PreparaExpCli(f, QStringLiteral("2001"), 0, 999999, QStringLiteral("Cliente :  TODOS"));
    const QString t = Pdf(f->QRListado);
    ASSERT_NE(Texto(QStringLiteral("Cliente :  TODOS")), nullptr);
    EXPECT_TRUE(Linea(t, QStringLiteral("Expediente")).startsWith(
        QStringLiteral("Expediente Procurador Cliente Abogado Cliente Situación")));
    const QStringList l = Lineas(t);
    const int uno = int(l.indexOf(QStringLiteral("Cliente : Cliente1,Nom1")));
    ASSERT_GE(uno, 0) << t.toStdString();
    EXPECT_EQ(l.value(uno + 1),
              QStringLiteral("2001/00001-A Soler,Ana Ortega,Marta ABIERTO 12/01 Juicio Verbal Contra1,C1 01/02/2001"));
    EXPECT_EQ(l.value(uno + 2), QStringLiteral("Contra2,C2"));
    const int ocho = int(l.indexOf(QStringLiteral("Cliente : Cliente8,Nom8")));
    EXPECT_TRUE(l.value(ocho + 1).startsWith(QStringLiteral("2001/00003-C Soler,Ana Ortega,Marta FACTURADO")));
    // Client 9's only case file is of another year.
    EXPECT_FALSE(t.contains(QStringLiteral("Cliente9")));
    EXPECT_EQ(Cuenta(t, QStringLiteral("Cliente : ")), 8 + 1);  // eight clients and the range text
    // Opposing-party lines at 645 from the band's left, as tall as they are many.
    EXPECT_EQ(Texto(QStringLiteral("Contra1,C1"))->Rect.left() - Texto(QStringLiteral("2001/00001-A"))->Rect.left(), 645);
    const std::vector<int> alturas = Alturas(QStringLiteral("QRDetalle"));
    EXPECT_EQ(alturas.front(), 40);

    // A client range outside the case files' clients prints no case file.
    delete f;
    auto* g = new TInfExpCli(owner.get());
    reports::PreparaExpCli(g, QStringLiteral("2001"), 9, 9, QStringLiteral("Cliente :  Cliente9,Nom9 a Cliente9,Nom9"));
    const QString u = Pdf(g->QRListado);
    EXPECT_FALSE(u.contains(QStringLiteral("2001/")));
}

// A procedure wider than its column goes on in a second line of its row, none of it lost, as in
// the invoice lists; the row grows to hold it.
TEST_F(ExpedientesTest, ByClientProceduresWiderThanTheirColumnPrintWhole) {
    Sql(QStringLiteral("UPDATE EXPED SET PROCEDIMIENTO = 'Reclamación de Cantidad' WHERE ANO = '2001' AND NUMERO = '00003-C'"));
    auto* f = new TInfExpCli(owner.get());
    reports::PreparaExpCli(f, QStringLiteral("2001"), 0, 999999, QStringLiteral("Cliente :  TODOS"));
    const QStringList l = Lineas(Pdf(f->QRListado));
    const int ocho = int(l.indexOf(QStringLiteral("Cliente : Cliente8,Nom8")));
    ASSERT_GE(ocho, 0) << l.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(l.value(ocho + 1), QStringLiteral("2001/00003-C Soler,Ana Ortega,Marta FACTURADO 7/01 Reclamación de 01/05/2001"));
    EXPECT_EQ(l.value(ocho + 2), QStringLiteral("Cantidad"));
    const auto* reclamacion = Texto(QStringLiteral("Reclamación de"));
    const auto* cantidad = Texto(QStringLiteral("Cantidad"));
    ASSERT_TRUE(reclamacion && cantidad);
    EXPECT_EQ(cantidad->Rect.left(), reclamacion->Rect.left());
    EXPECT_GT(cantidad->Rect.top(), reclamacion->Rect.top());
    EXPECT_GT(Alturas(QStringLiteral("QRDetalle")).back(), 20);
}

TEST_F(ExpedientesTest, WithoutMovementListsCaseFilesWithOldOrNoAgenda) {
    Agenda("2001", "00001-A", 1, EncodeDate(2001, 1, 10));
    Agenda("2001", "00001-A", 2, EncodeDate(2001, 2, 20));
    Agenda("2001", "00003-C", 3, EncodeDate(2001, 9, 1));
    auto* f = new TInfExpSinMov(owner.get());
    reports::PreparaExpSinMov(f, EncodeDate(2001, 6, 1), QStringLiteral("Desde 01/06/2001"));
    const QString t = Pdf(f->QRListado);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO DE EXPEDIENTES SIN MOVIMIENTO")));
    EXPECT_TRUE(Linea(t, QStringLiteral("Expediente")).startsWith(QStringLiteral("Expediente Cliente Ult. Fecha")));
    // The latest entry as a date; case files never moved are listed with none.
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00001-A")),
              QStringLiteral("2001/00001-A Cliente1,Nom1 20/02/2001 12/01 Juicio Verbal Contra1,C1 Ortega,Marta"))
        << t.toStdString();
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00002-B")), QStringLiteral("2001/00002-B Monitorio Vidal,Pablo"));
    EXPECT_EQ(Linea(t, QStringLiteral("2000/00001-A")), QStringLiteral("2000/00001-A Cliente9,Nom9 Ordinario Vidal,Pablo"));
    EXPECT_FALSE(t.contains(QStringLiteral("00003-C")));
    EXPECT_NE(Texto(QStringLiteral("Desde 01/06/2001")), nullptr);
}

TEST_F(ExpedientesTest, PositiveBalanceTotalsTheRowsPrintedInTheOfficeCurrency) {
    Apunte("2001", "00001-A", 1, EncodeDate(2001, 2, 2), 2, 1500.25);
    Apunte("2001", "00001-A", 2, EncodeDate(2001, 2, 3), 3, -300);
    Apunte("2001", "00002-B", 3, EncodeDate(2001, 3, 2), 2, 100);  // closed: not listed
    Apunte("2001", "00003-C", 4, EncodeDate(2001, 5, 2), 2, 50);
    Apunte("2001", "00003-C", 5, EncodeDate(2001, 5, 3), 3, -50);  // balance 0
    Exped("2001", "00004-A", 1, 1, 0, "", "Ordinario", EncodeDate(2001, 7, 1), 2);
    Apunte("2001", "00004-A", 6, EncodeDate(2001, 7, 2), 3, -999);  // negative
    Exped("2001", "00005-B", 2, 2, 0, "", "Ordinario", EncodeDate(2001, 8, 1), 3, 15, EncodeDate(2001, 9, 30));
    Apunte("2001", "00005-B", 7, EncodeDate(2001, 8, 2), 2, 10);
    Moneda("E");
    auto* f = new TFLisExpNeg(owner.get());
    reports::PreparaExpNeg(f, EncodeDate(2001, 1, 1), EncodeDate(2001, 12, 31),
                           QStringLiteral("Desde 01/01/2001 a 31/12/2001"));
    const QString t = Pdf(f->QRListado);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO DE EXPEDIENTES CON SALDO POSITIVO")));
    EXPECT_NE(Texto(QStringLiteral("Desde 01/01/2001 a 31/12/2001")), nullptr);
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00001-A")),
              QStringLiteral("2001/00001-A Nom1 Cliente1 ABIERTO 12/01 Juicio Verbal Ortega,Marta 1.200,25"))
        << t.toStdString();
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00005-B")),
              QStringLiteral("2001/00005-B Nom3 Cliente3 FACTURADO Ordinario Vidal,Pablo 2001-15 10,00"));
    for (const char* fuera : {"00002-B", "00003-C", "00004-A"}) EXPECT_FALSE(t.contains(QString::fromLatin1(fuera))) << fuera;
    // The total is what the list shows, not the sum of every balance read (1.200,25 + 10 - 999).
    EXPECT_EQ(Linea(t, QStringLiteral("Total ...")), QStringLiteral("Total ... 1.210,25"));
    EXPECT_DOUBLE_EQ(f->Total(), 1210.25);

    Moneda("P");
    delete f;
    auto* g = new TFLisExpNeg(owner.get());
    reports::PreparaExpNeg(g, EncodeDate(2001, 1, 1), EncodeDate(2001, 12, 31), QString());
    const QString u = Pdf(g->QRListado);
    EXPECT_TRUE(Linea(u, QStringLiteral("2001/00001-A")).endsWith(QStringLiteral(" 1.200")));
    EXPECT_EQ(Linea(u, QStringLiteral("Total ...")), QStringLiteral("Total ... 1.210"));
    // A second run of the same report starts its total again.
    Pdf(g->QRListado);
    EXPECT_DOUBLE_EQ(g->Total(), 1210.25);
}

TEST_F(ExpedientesTest, FilteredListsUseTheBrowsersCriteriaAndDescribeThem) {
    Exped("2001", "00006-A", 1, 1, 0, "", "Ordinario", EncodeDate(2001, 9, 1), 2, 0, 0, "12/01");
    FiltroExp.Reinicia();
    FiltroExp.FiltroAutos = QStringLiteral("12/01");
    ASSERT_TRUE(FiltroExp.Filas.Agrega(QStringLiteral("Nº AUTOS"), QStringLiteral("12/01")));
    auto* f = new TInfFiltro(owner.get());
    f->Seleccion.PorAno = true;
    f->Seleccion.Ano = QStringLiteral("2001");
    f->Seleccion.AbogadoUsuario = -1;
    reports::DescribeFiltro(f->LAno, f->LAbogado, f->LFiltro, f->Seleccion, QStringLiteral("TODOS"), FiltroExp.Filas);
    const QString t = Pdf(f->QRListado);
    FiltroExp.Reinicia();
    EXPECT_EQ(Linea(t, QStringLiteral("Año :")), QStringLiteral("Año : 2001 Abogado : TODOS")) << t.toStdString();
    EXPECT_EQ(Linea(t, QStringLiteral("Filtrado por :")), QStringLiteral("Filtrado por : Nº AUTOS: 12/01"));
    EXPECT_EQ(f->QRFiltros->Height(), 70 + 16);
    // The court number is the first or the second one.
    EXPECT_TRUE(t.contains(QStringLiteral("2001/00001-A")));
    EXPECT_TRUE(t.contains(QStringLiteral("2001/00006-A")));
    EXPECT_FALSE(t.contains(QStringLiteral("00002-B")));
    EXPECT_FALSE(t.contains(QStringLiteral("00003-C")));
    EXPECT_EQ(Alturas(QStringLiteral("QRDetalle")), (std::vector<int>{100, 20}));

    // Consultations: the state words and the sum of the amounts listed.
    Sql(QStringLiteral("INSERT INTO CONSULTAS (ANO, NUMERO, ABOCLI, ABOENT, SITUACION, TIPO, NOMCLIENTE, IMPORTE, HORAS) "
                       "VALUES ('2001', '00001-C', 1, 2, 1, 'Civil', 'Peña,Ana', 100.5, 2), "
                       "('2001', '00002-C', 2, 2, 2, 'Penal', 'Ruiz,Eva', 200, 1), "
                       "('2001', '00003-C', 1, 1, 4, 'Civil', 'Gil,Luz', 1000, 3), "
                       "('2000', '00009-C', 1, 2, 1, 'Civil', 'Otro,Año', 7, 1)"));
    Moneda("E");
    FiltroCon.Reinicia();
    FiltroCon.FiltroAboEnt = 2;
    auto* g = new TInfFiltro2(owner.get());
    g->Seleccion = f->Seleccion;
    reports::DescribeFiltro(g->LAno, g->NomAbogado, g->LFiltro, g->Seleccion, QStringLiteral("TODOS"), FiltroCon.Filas);
    const QString u = Pdf(g->QRListado);
    FiltroCon.Reinicia();
    EXPECT_TRUE(u.contains(QStringLiteral("LISTADO DE CONSULTAS")));
    EXPECT_TRUE(Linea(u, QStringLiteral("2001 00001-C")).endsWith(QStringLiteral("100,50 2 ABIERTA"))) << u.toStdString();
    EXPECT_TRUE(Linea(u, QStringLiteral("2001 00002-C")).endsWith(QStringLiteral("FACTURADA")));
    EXPECT_FALSE(u.contains(QStringLiteral("Gil,Luz")));
    EXPECT_FALSE(u.contains(QStringLiteral("Otro,Año")));
    EXPECT_EQ(Linea(u, QStringLiteral("Total ...")), QStringLiteral("Total ... 300,50"));
    // Any state other than open or invoiced reads as collected.
    FiltroCon.FiltroAboEnt = 1;
    delete g;
    auto* h = new TInfFiltro2(owner.get());
    h->Seleccion = f->Seleccion;
    const QString v = Pdf(h->QRListado);
    FiltroCon.Reinicia();
    EXPECT_TRUE(Linea(v, QStringLiteral("2001 00003-C")).endsWith(QStringLiteral("COBRADA")));
}

}  // namespace

namespace {

TEST_F(ExpedientesTest, TheFilteredListsHeaderShowsTheFirstSevenCriteriaAndGrowsWithThem) {
    FiltroExp.Reinicia();
    for (int i = 0; i < 8; ++i)
        ASSERT_TRUE(FiltroExp.Filas.Agrega(QStringLiteral("CRITERIO %1").arg(i), QStringLiteral("V%1").arg(i)));
    auto* f = new TInfFiltro(owner.get());
    reports::DescribeFiltro(f->LAno, f->LAbogado, f->LFiltro, f->Seleccion, QStringLiteral("TODOS"), FiltroExp.Filas);
    const QString t = Lineas(Pdf(f->QRListado)).join(QLatin1Char('\n'));
    FiltroExp.Reinicia();
    if (hayPdftotext) {
        EXPECT_TRUE(t.contains(QStringLiteral("Filtrado por : CRITERIO 0: V0"))) << t.toStdString();
        for (int i = 1; i < 7; ++i) EXPECT_TRUE(t.contains(QStringLiteral("CRITERIO %1: V%1").arg(i))) << i;
        EXPECT_FALSE(t.contains(QStringLiteral("CRITERIO 7")));
    }
    EXPECT_EQ(f->QRFiltros->Height(), 70 + 16 * 7);

    // Without any criterion: no marker, the height of one row.
    delete f;
    auto* g = new TInfFiltro(owner.get());
    reports::DescribeFiltro(g->LAno, g->LAbogado, g->LFiltro, g->Seleccion, QStringLiteral("TODOS"), FiltroExp.Filas);
    const QString u = Pdf(g->QRListado);
    if (hayPdftotext) {
        EXPECT_FALSE(u.contains(QStringLiteral("Filtrado por")));
    }
    EXPECT_EQ(g->QRFiltros->Height(), 70 + 16);
}

}  // namespace
