// The office the tests generate, on either engine: its counters stand where the program would
// have left them after writing the same records, so what "Nuevo", invoicing and the record
// forms propose follows on from the generated data.
#include "DatFixture.h"
#include "records/UFactura.h"
#include "records/UNuevo.h"
#include "tests/support/GeneraDespacho.h"

#include <QDate>
#include <QMap>
#include <algorithm>

using namespace shelltest;

namespace {

class DespachoGenerado : public DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        Close();
        tam.Expedientes = 47;
        tam.Consultas = 23;
        tam.Abogados = 3;
        tam.Anos = 3;
        tam.UltimoAno = QDate::currentDate().year();
        tam.Economia = true;
        tam.Apuntes = 30;
        tam.Citas = 25;
        zbtest::GeneraDespacho(dir.path(), tam);
        Open();
        AnoSeleccionado = QString::number(tam.UltimoAno);
    }
    QVariant Valor(const QString& sql) { return zbtest::TGenerador(dir.path()).Valor(sql); }
    QString Contador(int ano, const char* campo) {
        return Valor(QStringLiteral("SELECT %1 FROM tabcon WHERE ANO = %2").arg(QLatin1String(campo)).arg(ano)).toString();
    }
    // The highest invoice number dated in each year, over case files and consultations.
    QMap<int, int> UltimasFacturas() {
        QMap<int, int> r;
        zbtest::TGenerador g(dir.path());
        for (const char* t : {"exped", "consultas"})
            for (const auto& f : g.Consulta(QStringLiteral("SELECT FACTURA, FECHAFACTURA FROM %1 WHERE FACTURA > 0").arg(QLatin1String(t)))) {
                const int ano = zbtest::AnoDeSerie(f[1].toDouble());
                r[ano] = std::max(r.value(ano), f[0].toInt());
            }
        return r;
    }
    zbtest::TTamDespacho tam;
};

TEST_F(DespachoGenerado, EachYearsCountersStandAtItsLastCaseConsultationAndInvoice) {
    const QMap<int, int> facturas = UltimasFacturas();
    ASSERT_FALSE(facturas.isEmpty());
    for (int ano = tam.UltimoAno - tam.Anos + 1; ano <= tam.UltimoAno; ++ano) {
        const QString donde = QStringLiteral(" WHERE ANO = '%1'").arg(ano);
        EXPECT_EQ(Contador(ano, "CONTEXP"), Valor(QStringLiteral("SELECT MAX(NUMERO) FROM exped") + donde).toString()) << ano;
        EXPECT_EQ(Contador(ano, "CONTCON"), Valor(QStringLiteral("SELECT MAX(NUMERO) FROM consultas") + donde).toString()) << ano;
        EXPECT_EQ(Contador(ano, "NUMFACTU").toInt(), facturas.value(ano)) << ano;
    }
    EXPECT_GT(Contador(tam.UltimoAno, "NUMFACTU").toInt(), 100) << "consultations' invoices share the series";
}

TEST_F(DespachoGenerado, NewRecordsAndInvoicesFollowOnFromTheGeneratedOnes) {
    const QString ano = AnoSeleccionado;
    for (const auto& [caption, tabla] : {std::pair(TNuevoExp::CaptionExpediente, "exped"), std::pair(TNuevoExp::CaptionConsulta, "consultas")}) {
        auto* dlg = new TNuevoExp(nullptr);
        dlg->Prepara(caption);
        EXPECT_EQ(dlg->Expediente->Text(),
                  Valor(QStringLiteral("SELECT MAX(NUMERO) FROM %1 WHERE ANO = '%2'").arg(QLatin1String(tabla), ano)).toString());
        delete dlg;
    }

    // A case file not invoiced yet is offered the number after the year's last invoice.
    const QString numero =
        Valor(QStringLiteral("SELECT MIN(NUMERO) FROM exped WHERE ANO = '%1' AND (FACTURA IS NULL OR FACTURA = 0)").arg(ano)).toString();
    ASSERT_FALSE(numero.isEmpty());
    TFacturar d(nullptr);
    d.ProponeNumero(0, tam.UltimoAno, QStringLiteral("EXPED"), ano, numero);
    EXPECT_EQ(d.NumeroFactura(), UltimasFacturas().value(tam.UltimoAno) + 1);

    // The codes of people, ledger entries and agenda rows go on after the last one written.
    for (const auto& [campo, sql] : {std::pair("ABOCLI", "SELECT MAX(ABOCLI) FROM abocli"), std::pair("CLIENTE", "SELECT MAX(CLIENTE) FROM clientes"),
                                     std::pair("CONTRARIO", "SELECT MAX(CONTRARIO) FROM contrarios"), std::pair("PROCU", "SELECT MAX(PROCU) FROM procu"),
                                     std::pair("ABOGADO", "SELECT MAX(ABOGADO) FROM abogados"), std::pair("CUENTAS", "SELECT MAX(ORDEN) FROM cuentas"),
                                     std::pair("AGENDA", "SELECT MAX(ORDEN) FROM agenda")})
        EXPECT_EQ(Sistem(campo), Valor(QString::fromLatin1(sql)).toInt()) << campo;
    const int cliente = AddClient(QStringLiteral("Nuevo Cliente"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(*) FROM clientes WHERE CLIENTE = %1").arg(cliente)).toInt(), 1);
}

}  // namespace
