// The invoice and provision lists over known rows, read back from their PDF: currency groups and
// their sums in both currencies, the conversion into the office currency, and the rows of
// consultations next to case files.
#include "ListadoFixture.h"

#include "platform/rtl/SysUtils.h"
#include "reports/rptLisFac.h"
#include "reports/rptLisFacAbo.h"
#include "reports/rptLisProv.h"
#include "reports/rptLisProvSin.h"

#include <QRegularExpression>

using namespace reportstest;

namespace {

QString S(const char* s) { return QString::fromUtf8(s); }

class EconomicosTest : public ListadoTest {
protected:
    void SetUp() override {
        ListadoTest::SetUp();
        if (!hayPdftotext) GTEST_SKIP() << "no pdftotext";
        Sql(QStringLiteral("INSERT INTO CLIENTES (CLIENTE, APELLIDOS, NOMBRE) VALUES (1, 'Alba', 'Eva'), (2, 'Bueno', 'Luis'), "
                           "(3, 'Cano', 'Ana')"));
        Sql(QStringLiteral("INSERT INTO ABOCLI (ABOCLI, APELLIDOS, NOMBRE) VALUES (1, 'Ortega', 'Marta'), (2, 'Vidal', 'Pablo')"));
        // Case files: two in euros (one with two clients), one in pesetas.
        Exped("2001", "00001-A", "E", 1, 1, "12/01", EncodeDate(2001, 3, 10), 5, 100, 200, 10, 42, 30, 322);
        Exped("2001", "00002-B", "E", 2, 2, "", EncodeDate(2001, 4, 10), 0, 0, 50, 0, 10.5, 7.5, 53);
        Exped("2001", "00003-C", "P", 1, 3, "9/01", EncodeDate(2001, 2, 1), 6, 1000, 16638.6, 0, 0, 0, 16638.6);
        Parte("2001", "00001-A", 1);
        Parte("2001", "00001-A", 2);
        Parte("2001", "00002-B", 2);
        Parte("2001", "00003-C", 3);
        // A consultation invoiced in euros after the two-client case file.
        Sql(QStringLiteral("INSERT INTO CONSULTAS (ANO, NUMERO, TIPO, NOMCLIENTE, IMPORTE, IMPIVA, IMPIRPF, TOTAL, MONEDA, "
                           "FACTURA, ABOENT, CLIENTE, FECHAFACTURA) VALUES ('2001', '00001-C', 'Civil', 'Peña,Rosa', 80, "
                           "16.8, 12, 84.8, 'E', 7, 2, 0, %1)")
                .arg(double(EncodeDate(2001, 3, 20))));
    }
    void Exped(const char* ano, const char* numero, const char* moneda, int aboent, int cliente, const char* autos,
               TDateTime fecha, int factura, double suplidos, double derechos, double gastos, double iva, double irpf,
               double total) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral(
            "INSERT INTO EXPED (ANO, NUMERO, MONEDA, ABOENT, ABOCLI, CLIENTE, AUTOS, PROCEDIMIENTO, FECHAFACTURA, FACTURA, "
            "SUPLIDOS, DERECHOS, GASTOS, IMPIVA, IMPIRPF, TOTAL, SITUACION, FECHAAPERTURA) VALUES (:A, :N, :M, :AE, :AE, "
            ":C, :AU, 'Ordinario', :F, :FA, :S, :D, :G, :I, :R, :T, 1, :F)"));
        q.ParamByName(QStringLiteral("A"))->SetAsString(QString::fromLatin1(ano));
        q.ParamByName(QStringLiteral("N"))->SetAsString(QString::fromLatin1(numero));
        q.ParamByName(QStringLiteral("M"))->SetAsString(QString::fromLatin1(moneda));
        q.ParamByName(QStringLiteral("AE"))->SetAsInteger(aboent);
        q.ParamByName(QStringLiteral("C"))->SetAsInteger(cliente);
        q.ParamByName(QStringLiteral("AU"))->SetAsString(QString::fromLatin1(autos));
        q.ParamByName(QStringLiteral("F"))->SetAsDate(fecha);
        q.ParamByName(QStringLiteral("FA"))->SetAsInteger(factura);
        q.ParamByName(QStringLiteral("S"))->SetAsFloat(suplidos);
        q.ParamByName(QStringLiteral("D"))->SetAsFloat(derechos);
        q.ParamByName(QStringLiteral("G"))->SetAsFloat(gastos);
        q.ParamByName(QStringLiteral("I"))->SetAsFloat(iva);
        q.ParamByName(QStringLiteral("R"))->SetAsFloat(irpf);
        q.ParamByName(QStringLiteral("T"))->SetAsFloat(total);
        q.ExecSQL();
    }
    void Parte(const char* ano, const char* numero, int cliente) {
        Sql(QStringLiteral("INSERT INTO EXPCLI (ANO, NUMERO, CLIENTE) VALUES ('%1', '%2', %3)")
                .arg(QString::fromLatin1(ano), QString::fromLatin1(numero))
                .arg(cliente));
    }
    void Apunte(const char* numero, int orden, TDateTime fecha, int tipo, double importe) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(QStringLiteral("INSERT INTO CUENTAS (ANO, NUMERO, ORDEN, FECHA, TIPO, IMPORTE) VALUES "
                                        "('2001', :N, :O, :F, :T, :I)"));
        q.ParamByName(QStringLiteral("N"))->SetAsString(QString::fromLatin1(numero));
        q.ParamByName(QStringLiteral("O"))->SetAsInteger(orden);
        q.ParamByName(QStringLiteral("F"))->SetAsDate(fecha);
        q.ParamByName(QStringLiteral("T"))->SetAsInteger(tipo);
        q.ParamByName(QStringLiteral("I"))->SetAsFloat(importe);
        q.ExecSQL();
    }
    void Despacho(const char* moneda, double euro) {
        Dat->TSistem->Edit();
        Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString::fromLatin1(moneda));
        Dat->TSistem->FieldByName(QStringLiteral("EURO"))->SetAsFloat(euro);
        Dat->TSistem->Post();
    }
    static std::vector<int> Alturas(const QString& banda) {
        std::vector<int> r;
        for (int p = 1; p <= QRPrinter->PageCount(); ++p)
            for (const auto& op : QRPrinter->Pages(p).Ops)
                if (op.Kind == platform::report::TOpKind::Band && op.Text == banda) r.push_back(op.Rect.height());
        return r;
    }
    static bool Impreso(const QString& banda) {
        for (int p = 1; p <= QRPrinter->PageCount(); ++p)
            if (QRPrinter->Pages(p).FindBand(banda)) return true;
        return false;
    }
    const TDateTime desde = EncodeDate(2001, 1, 1), hasta = EncodeDate(2001, 12, 31);
};

TEST_F(EconomicosTest, InvoicesGroupByCurrencyAndTotalInTheOfficeCurrency) {
    Despacho("E", 166.386);
    auto* f = new TInfLisFac(owner.get());
    reports::PreparaLisFac(f, reports::cfGeneral, reports::tfTodo, desde, hasta);
    const QString t = Pdf(f->QRInfFac);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO GENERAL DE FACTURAS DESDE 01/01/2001 A 31/12/2001"))) << t.toStdString();
    const QStringList l = Lineas(t);
    const int euros = int(l.indexOf(QStringLiteral("Moneda : Euros"))), pesetas = int(l.indexOf(QStringLiteral("Moneda : Pesetas")));
    ASSERT_GE(euros, 0);
    ASSERT_GT(pesetas, euros);
    // By invoice date within the currency: the two-client case file, the consultation, the other.
    EXPECT_EQ(l.value(euros + 1),
              QStringLiteral("E 2001/00001-A 12/01 Ordinario Alba,Eva 10/03/2001 5 100,00 200,00 10,00 42,00 30,00 322,00"));
    EXPECT_EQ(l.value(euros + 2), QStringLiteral("Bueno,Luis"));
    // The consultation shows its own client alone and no court number, on one line.
    EXPECT_EQ(l.value(euros + 3), QStringLiteral("C 2001/00001-C Civil Peña,Rosa 20/03/2001 7 0,00 80,00 0,00 16,80 12,00 84,80"));
    EXPECT_EQ(l.value(euros + 4),
              QStringLiteral("E 2001/00002-B Ordinario Bueno,Luis 10/04/2001 0 0,00 50,00 0,00 10,50 7,50 53,00"));
    EXPECT_EQ(l.value(euros + 5), QStringLiteral("Totales ...... : 100,00 330,00 10,00 69,30 49,50 459,80"));
    EXPECT_EQ(l.value(pesetas + 2), QStringLiteral("Totales ...... : 1.000,00 16.638,60 0,00 0,00 0,00 16.638,60"));
    EXPECT_EQ(Alturas(QStringLiteral("QRDetalle")), (std::vector<int>{40, 20, 20, 20}));
    // 459,80 euros and 16.638,60 pesetas as 100,00 euros.
    EXPECT_EQ(Linea(t, QStringLiteral("Total General")), QStringLiteral("Total General : Euros 559,80"));
    EXPECT_NEAR(f->TotalGeneral(), 559.80, 1e-9);
    Dibuja(QStringLiteral("rptLisFac"));

    // Only the case files without number; the office in pesetas with no rate of its own.
    Despacho("P", 0);
    delete f;
    auto* g = new TInfLisFac(owner.get());
    reports::PreparaLisFac(g, reports::cfSinNumero, reports::tfExpedientes, desde, hasta);
    const QString u = Pdf(g->QRInfFac);
    EXPECT_TRUE(u.contains(QStringLiteral("LISTADO FACTURAS DE EXPEDIENTES SIN NÚMERO DESDE 01/01/2001 A 31/12/2001")));
    EXPECT_TRUE(u.contains(QStringLiteral("2001/00002-B")));
    EXPECT_FALSE(u.contains(QStringLiteral("00001-A")));
    EXPECT_FALSE(u.contains(QStringLiteral("00001-C")));
    // 53 euros at 166,386 pesetas are 8.818 pesetas.
    EXPECT_EQ(Linea(u, QStringLiteral("Total General")), QStringLiteral("Total General : Pesetas 8.818,00"));

    // Nothing in the range: no summary.
    delete g;
    auto* h = new TInfLisFac(owner.get());
    reports::PreparaLisFac(h, reports::cfPorNumero, reports::tfTodo, EncodeDate(1990, 1, 1), EncodeDate(1990, 12, 31));
    h->QRInfFac->Prepare();
    EXPECT_FALSE(Impreso(QStringLiteral("QRBand3")));
    EXPECT_FALSE(Impreso(QStringLiteral("QRDetalle")));
    EXPECT_EQ(reports::SqlFacturas(reports::cfPorNumero, reports::tfTodo).last(), QStringLiteral("ORDER BY MONEDA, FACTURA "));
}

// A big office's amounts: millions in a row and hundreds of millions in the totals print whole,
// never cut at the edge of their column.
TEST_F(EconomicosTest, InvoiceAmountsOfMillionsPrintWhole) {
    Despacho("E", 166.386);
    Exped("2001", "00004-A", "E", 1, 1, "", EncodeDate(2001, 5, 2), 8, 1234567.89, 98765432.10, 7654321.09, 22345678.91,
          16048296.13, 113951703.86);
    Exped("2001", "00005-A", "E", 1, 1, "", EncodeDate(2001, 5, 3), 9, 0, 51234567.89, 0, 10759259.26, 7685185.18,
          54308641.97);
    auto* f = new TInfLisFac(owner.get());
    reports::PreparaLisFac(f, reports::cfPorNumero, reports::tfExpedientes, desde, hasta);
    const QString t = Pdf(f->QRInfFac);
    EXPECT_EQ(Linea(t, QStringLiteral("E 2001/00004-A")),
              S("E 2001/00004-A Ordinario 02/05/2001 8 1.234.567,89 98.765.432,10 7.654.321,09 22.345.678,91 16.048.296,13 "
                "113.951.703,86"));
    EXPECT_EQ(Linea(t, QStringLiteral("Totales")),
              S("Totales ...... : 1.234.667,89 150.000.199,99 7.654.331,09 33.104.980,17 23.733.511,31 168.260.667,83"));
}

// A procedure wider than its column goes on in a second line of its row, none of it lost.
TEST_F(EconomicosTest, InvoiceProceduresWiderThanTheirColumnPrintWhole) {
    Despacho("E", 166.386);
    Sql(S("UPDATE EXPED SET PROCEDIMIENTO = 'Recurso de Apelación' WHERE NUMERO = '00002-B'"));
    auto* f = new TInfLisFac(owner.get());
    reports::PreparaLisFac(f, reports::cfGeneral, reports::tfExpedientes, desde, hasta);
    const QStringList l = Lineas(Pdf(f->QRInfFac));
    const int fila = int(l.indexOf(QRegularExpression(QStringLiteral("^E 2001/00002-B .*"))));
    ASSERT_GE(fila, 0) << l.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(l.value(fila), S("E 2001/00002-B Recurso de Bueno,Luis 10/04/2001 0 0,00 50,00 0,00 10,50 7,50 53,00"));
    EXPECT_EQ(l.value(fila + 1), S("Apelación"));
    // The row grows to hold it; the next row starts below it.
    EXPECT_GT(Alturas(QStringLiteral("QRDetalle")).at(1), 20);
    EXPECT_TRUE(l.value(fila + 2).startsWith(QStringLiteral("Totales"))) << l.value(fila + 2).toStdString();
}

// By number: only the records that carry an invoice number, in number order within the currency.
TEST_F(EconomicosTest, InvoicesByNumberLeaveOutTheUnnumberedAndFollowTheNumber) {
    Sql(QStringLiteral("INSERT INTO CONSULTAS (ANO, NUMERO, TIPO, NOMCLIENTE, IMPORTE, TOTAL, MONEDA, FACTURA, FECHAFACTURA) "
                       "VALUES ('2001', '00009-C', 'Civil', 'Gil,Luz', 10, 10, 'E', 3, %1), "
                       "('2001', '00010-C', 'Civil', 'Gil,Luz', 20, 20, 'E', NULL, %1), "
                       "('2001', '00011-C', 'Civil', 'Gil,Luz', 30, 30, 'E', 0, %1)")
            .arg(double(EncodeDate(2001, 3, 25))));
    Despacho("E", 166.386);
    auto* f = new TInfLisFac(owner.get());
    reports::PreparaLisFac(f, reports::cfPorNumero, reports::tfTodo, desde, hasta);
    const QString t = Pdf(f->QRInfFac);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO FACTURAS POR NÚMERO DESDE 01/01/2001 A 31/12/2001"))) << t.toStdString();
    for (const char* sin : {"00002-B", "00010-C", "00011-C"}) EXPECT_FALSE(t.contains(QString::fromLatin1(sin))) << sin;
    const int c9 = int(t.indexOf(QStringLiteral("2001/00009-C"))), a1 = int(t.indexOf(QStringLiteral("2001/00001-A"))),
              c1 = int(t.indexOf(QStringLiteral("2001/00001-C")));
    ASSERT_GE(c9, 0) << t.toStdString();
    EXPECT_LT(c9, a1);
    EXPECT_LT(a1, c1);
    EXPECT_TRUE(t.contains(QStringLiteral("2001/00003-C")));
    // 10 + 322 + 84,80 euros and 16.638,60 pesetas as 100 euros.
    EXPECT_EQ(Linea(t, QStringLiteral("Total General")), QStringLiteral("Total General : Euros 516,80"));
}

// Credit notes and advances larger than the fees leave the whole list below zero: its grand total
// is still printed, with its sign.
TEST_F(EconomicosTest, ANegativeGrandTotalIsPrintedWithItsSign) {
    Exped("2001", "00006-A", "E", 1, 1, "", EncodeDate(2001, 7, 2), 10, 0, -1000, 0, -210, -150, -1060);
    Despacho("E", 166.386);
    auto* f = new TInfLisFac(owner.get());
    reports::PreparaLisFac(f, reports::cfGeneral, reports::tfTodo, desde, hasta);
    const QString t = Pdf(f->QRInfFac);
    // 559,80 euros of the other invoices less 1.060.
    EXPECT_EQ(Linea(t, QStringLiteral("Total General")), QStringLiteral("Total General : Euros -500,20"));
    EXPECT_NEAR(f->TotalGeneral(), -500.20, 1e-9);
}

TEST_F(EconomicosTest, InvoicesByEnteringLawyerSumPerLawyerAndInAll) {
    Despacho("P", 166.386);
    auto* f = new TInfFacAbo(owner.get());
    reports::PreparaFacAbo(f, reports::tfTodo, desde, hasta, 0, QString());
    const QString t = Pdf(f->QRInfFacAbo);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO GENERAL DE FACTURAS DESDE 01/01/2001 A 31/12/2001")));
    EXPECT_TRUE(t.contains(QStringLiteral("ABOGADO DE ENTRADA : TODOS")));
    EXPECT_TRUE(t.contains(QStringLiteral("Tipo / Procedimiento")));  // the whole head, not cut after "Tipo /"
    const QStringList l = Lineas(t);
    const int marta = int(l.indexOf(QStringLiteral("Abogado : Marta Ortega")));
    const int pablo = int(l.indexOf(QStringLiteral("Abogado : Pablo Vidal")));
    ASSERT_GE(marta, 0) << t.toStdString();
    EXPECT_EQ(l.value(marta + 1), QStringLiteral("E 2001/00003-C 9/01 Ordinario Ana Cano 01/02/2001 6 1.000 16.639 0 0 0 16.639"));
    // A row of the other currency shows its own amounts, marked with its currency.
    EXPECT_EQ(l.value(marta + 2),
              S("E 2001/00001-A 12/01 Ordinario Eva Alba 10/03/2001 5 100,00 200,00 10,00 42,00 30,00 322,00 €"));
    // The lawyer's footer has no expenses sum; its sums are in the office's pesetas, the euro
    // row converted (100 euros are 16.639 pesetas), never 1.000 pesetas + 100 euros as 1.100.
    EXPECT_EQ(l.value(marta + 3), QStringLiteral("Totales ...... : 17.639 49.916 6.988 4.992 70.215"));
    EXPECT_EQ(l.value(pablo + 3), QStringLiteral("Totales ...... : 0 21.630 4.542 3.245 22.928"));
    // The list's sums likewise, expenses included (10 euros).
    EXPECT_EQ(Linea(t, QStringLiteral("Totales ...... : 17.639 71.546")),
              QStringLiteral("Totales ...... : 17.639 71.546 1.664 11.530 8.237 93.143"));
    EXPECT_EQ(l.value(pablo + 1), S("C 2001/00001-C Civil Peña,Rosa 20/03/2001 7 0,00 80,00 0,00 16,80 12,00 84,80 €"));
    // The whole in euros: 322 + 53 + 84,80 euros and 16.638,6 pesetas (100 euros), never the
    // two currencies added as one number and then converted.
    EXPECT_EQ(Linea(t, QStringLiteral("Euros :")), QStringLiteral("Euros : 559,80"));
    Dibuja(QStringLiteral("rptLisFacAbo"));

    // With the office in euros, the peseta row is the one marked and the sums are in euros.
    delete f;
    Despacho("E", 166.386);
    f = new TInfFacAbo(owner.get());
    reports::PreparaFacAbo(f, reports::tfTodo, desde, hasta, 0, QString());
    const QStringList e = Lineas(Pdf(f->QRInfFacAbo));
    const int enEuros = int(e.indexOf(QStringLiteral("Abogado : Marta Ortega")));
    ASSERT_GE(enEuros, 0);
    EXPECT_EQ(e.value(enEuros + 1), QStringLiteral("E 2001/00003-C 9/01 Ordinario Ana Cano 01/02/2001 6 1.000 16.639 0 0 0 16.639 Pts."));
    EXPECT_EQ(e.value(enEuros + 2), QStringLiteral("E 2001/00001-A 12/01 Ordinario Eva Alba 10/03/2001 5 100,00 200,00 10,00 42,00 30,00 322,00"));
    EXPECT_EQ(e.value(enEuros + 3), QStringLiteral("Totales ...... : 106,01 300,00 42,00 30,00 422,00"));

    delete f;
    Despacho("P", 0);  // no rate: euros alone still make the line
    auto* g = new TInfFacAbo(owner.get());
    reports::PreparaFacAbo(g, reports::tfConsultas, desde, hasta, 2, QStringLiteral("Pablo Vidal"));
    const QString u = Pdf(g->QRInfFacAbo);
    EXPECT_TRUE(u.contains(QStringLiteral("LISTADO DE FACTURAS DE CONSULTAS DESDE 01/01/2001 A 31/12/2001")));
    EXPECT_TRUE(u.contains(QStringLiteral("ABOGADO DE ENTRADA : Pablo Vidal")));
    EXPECT_TRUE(u.contains(QStringLiteral("2001/00001-C")));
    EXPECT_FALSE(u.contains(QStringLiteral("2001/00002-B")));
    EXPECT_EQ(Linea(u, QStringLiteral("Euros :")), QStringLiteral("Euros : 84,80"));

    // ...but pesetas without a rate cannot join them: the line is left empty.
    delete g;
    auto* h = new TInfFacAbo(owner.get());
    reports::PreparaFacAbo(h, reports::tfExpedientes, desde, hasta, 1, QStringLiteral("Marta Ortega"));
    EXPECT_EQ(Linea(Pdf(h->QRInfFacAbo), QStringLiteral("Euros :")), QStringLiteral("Euros :"));
}

// "TODOS" lists every invoice: those of records that name no entering lawyer too, in a group of
// their own and in the list's sums; a lawyer chosen lists only theirs.
TEST_F(EconomicosTest, InvoicesOfEveryEnteringLawyerTakeInThoseWithoutOne) {
    Despacho("E", 166.386);
    Exped("2001", "00006-A", "E", 1, 1, "", EncodeDate(2001, 6, 1), 11, 0, 1000, 0, 210, 150, 1060);
    Sql(QStringLiteral("UPDATE EXPED SET ABOENT = NULL WHERE NUMERO = '00006-A'"));
    Sql(QStringLiteral("INSERT INTO CONSULTAS (ANO, NUMERO, TIPO, NOMCLIENTE, IMPORTE, IMPIVA, IMPIRPF, TOTAL, MONEDA, "
                       "FACTURA, CLIENTE, FECHAFACTURA) VALUES ('2001', '00002-C', 'Civil', 'Gil,Luz', 100, 21, 15, 106, "
                       "'E', 12, 0, %1)")
            .arg(double(EncodeDate(2001, 6, 2))));
    auto* f = new TInfFacAbo(owner.get());
    reports::PreparaFacAbo(f, reports::tfTodo, desde, hasta, 0, QString());
    const QString t = Pdf(f->QRInfFacAbo);
    const QStringList l = Lineas(t);
    const int sin = int(l.indexOf(QStringLiteral("Abogado :")));
    ASSERT_GE(sin, 0) << t.toStdString();
    EXPECT_TRUE(l.value(sin + 1).startsWith(QStringLiteral("E 2001/00006-A"))) << l.value(sin + 1).toStdString();
    EXPECT_TRUE(l.value(sin + 2).startsWith(QStringLiteral("C 2001/00002-C"))) << l.value(sin + 2).toStdString();
    EXPECT_EQ(l.value(sin + 3), QStringLiteral("Totales ...... : 0,00 1.100,00 231,00 165,00 1.166,00"));
    // 559,80 euros of the lawyers' invoices and 1.166 of the two without one.
    EXPECT_EQ(Linea(t, QStringLiteral("Euros :")), QStringLiteral("Euros : 1.725,80"));

    delete f;
    auto* g = new TInfFacAbo(owner.get());
    reports::PreparaFacAbo(g, reports::tfTodo, desde, hasta, 1, QStringLiteral("Marta Ortega"));
    const QString u = Pdf(g->QRInfFacAbo);
    EXPECT_TRUE(u.contains(QStringLiteral("2001/00001-A")));
    EXPECT_FALSE(u.contains(QStringLiteral("00006-A")));
    EXPECT_FALSE(u.contains(QStringLiteral("00002-C")));

    // A client's name wider than its column goes on below it, none of it lost.
    delete g;
    Sql(S("UPDATE CONSULTAS SET NOMCLIENTE = 'Domínguez Castillo,Begoña' WHERE NUMERO = '00002-C'"));
    auto* h = new TInfFacAbo(owner.get());
    reports::PreparaFacAbo(h, reports::tfConsultas, desde, hasta, 0, QString());
    const QStringList v = Lineas(Pdf(h->QRInfFacAbo));
    const int fila = int(v.indexOf(QRegularExpression(QStringLiteral("^C 2001/00002-C .*"))));
    ASSERT_GE(fila, 0) << v.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(v.value(fila), S("C 2001/00002-C Civil Domínguez 02/06/2001 12 0,00 100,00 0,00 21,00 15,00 106,00"));
    EXPECT_EQ(v.value(fila + 1), S("Castillo,Begoña"));
}

TEST_F(EconomicosTest, ProvisionsTotalEachCurrencyAndTheWholeInTheOfficeCurrency) {
    Apunte("00001-A", 1, EncodeDate(2001, 3, 1), 3, -1234.5);
    Apunte("00001-A", 2, EncodeDate(2001, 3, 5), 3, -100);
    Apunte("00001-A", 3, EncodeDate(2001, 3, 6), 2, 999);  // not a provision
    Apunte("00003-C", 4, EncodeDate(2001, 2, 2), 3, -16638.6);
    Despacho("E", 166.386);
    auto* f = new TFLisProv(owner.get());
    reports::PreparaProv(f, desde, hasta, QStringLiteral("Desde 01/01/2001 a 31/12/2001"));
    const QString t = Pdf(f->QRListado);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO DE PROVISIONES DE FONDOS")));
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00001-A")).section(QLatin1Char(' '), 0, -1),
              QStringLiteral("2001/00001-A Eva Alba ABIERTO 12/01 Ordinario Marta Ortega 2001-5 1.234,50 01/03/2001"))
        << t.toStdString();
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00003-C")),
              QStringLiteral("2001/00003-C Ana Cano ABIERTO 9/01 Ordinario Marta Ortega 2001-6 16.639 02/02/2001"));
    const QStringList totales = Lineas(t).filter(QStringLiteral("Total ..."));
    EXPECT_EQ(totales, QStringList({QStringLiteral("Total ... 1.334,50"), QStringLiteral("Total ... 16.639")}));
    // Euros as they are, pesetas converted: never 1.334,50 + 16.638,60 as one number.
    EXPECT_EQ(Linea(t, QStringLiteral("Total General")), QStringLiteral("Total General en Euros 1.434,50"));

    // Without a rate the two currencies cannot make one total.
    Despacho("E", 0);
    delete f;
    auto* g = new TFLisProv(owner.get());
    reports::PreparaProv(g, desde, hasta, QString());
    EXPECT_EQ(Linea(Pdf(g->QRListado), QStringLiteral("Total General")), QStringLiteral("Total General en Euros"));
}

TEST_F(EconomicosTest, WithoutProvisionsKeepsCaseFilesWithNoneAndTotalsTheirBalances) {
    Apunte("00001-A", 1, EncodeDate(2001, 3, 1), 3, -50);   // a provision: left out
    Apunte("00002-B", 2, EncodeDate(2001, 4, 1), 2, 300.25);
    Apunte("00002-B", 3, EncodeDate(2001, 4, 2), 3, 20);    // provisions summing below 0: kept
    Apunte("00003-C", 4, EncodeDate(2001, 2, 5), 2, 5000);
    Despacho("P", 166.386);
    auto* f = new TFLisProvSin(owner.get());
    reports::PreparaProvSin(f, desde, hasta, QStringLiteral("Desde 01/01/2001 a 31/12/2001"));
    const QString t = Pdf(f->QRListado);
    EXPECT_TRUE(t.contains(QStringLiteral("LISTADO DE EXPEDIENTES SIN PROVISIONES DE FONDOS")));
    EXPECT_FALSE(t.contains(QStringLiteral("00001-A")));
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00002-B")),
              QStringLiteral("2001/00002-B Luis Bueno ABIERTO Ordinario Pablo Vidal 320,25")) << t.toStdString();
    EXPECT_EQ(Linea(t, QStringLiteral("2001/00003-C")),
              QStringLiteral("2001/00003-C Ana Cano ABIERTO 9/01 Ordinario Marta Ortega 5.000"));
    // Each currency's footer shows its own balances, not the zero left by the previous footer.
    const QStringList totales = Lineas(t).filter(QStringLiteral("Total ..."));
    EXPECT_EQ(totales, QStringList({QStringLiteral("Total ... 320,25"), QStringLiteral("Total ... 5.000,00")}));
    // 320,25 euros in pesetas (53.285) and 5.000 pesetas.
    EXPECT_EQ(Linea(t, QStringLiteral("Total General")), QStringLiteral("Total General en Pesetas 58.285"));
}

// A closed case file is no longer waiting for funds: only open and invoiced ones are listed.
TEST_F(EconomicosTest, WithoutProvisionsLeavesOutClosedCaseFiles) {
    Sql(QStringLiteral("UPDATE EXPED SET SITUACION = 2 WHERE NUMERO = '00002-B'"));
    Sql(QStringLiteral("UPDATE EXPED SET SITUACION = 3 WHERE NUMERO = '00003-C'"));
    Apunte("00002-B", 1, EncodeDate(2001, 4, 1), 2, 300.25);
    Apunte("00003-C", 2, EncodeDate(2001, 2, 5), 2, 5000);
    Despacho("E", 166.386);
    auto* f = new TFLisProvSin(owner.get());
    reports::PreparaProvSin(f, desde, hasta, QString());
    const QString t = Pdf(f->QRListado);
    EXPECT_TRUE(t.contains(QStringLiteral("2001/00001-A"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QStringLiteral("2001/00002-B")));
    EXPECT_FALSE(t.contains(QStringLiteral("00003-C")));
    EXPECT_FALSE(t.contains(QStringLiteral("5.000")));
    EXPECT_EQ(Linea(t, QStringLiteral("Total General")), QStringLiteral("Total General en Euros 300,25"));
}

}  // namespace
