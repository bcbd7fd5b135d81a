// The fee note of an invoice: invoicing a case file from its form with the fee note asked for
// merges the office's fee-note model through the merge dialog, its invoice block typed from the
// amounts just stored; an invoice that was refused produces none, and a missing model says so.
#include "FusionFixture.h"
#include "comun/Ganchos.h"
#include "comun/UComunes.h"
#include "documents/Minuta.h"
#include "documents/UMail.h"
#include "records/UConsulta.h"
#include "records/UExpediente.h"
#include "records/UFactura.h"

#include <QRegularExpression>

using fusiontest::FusionDatos;
using fusiontest::RunTool;
using fusiontest::Script;

namespace {

class Minuta : public FusionDatos {
protected:
    void SetUp() override {
        FusionDatos::SetUp();
        Llena();
        FHayWord = HayWord;
        FGenera = comun::GeneraFactura;
        HayWord = true;
        comun::GeneraFactura = &documents::GeneraMinuta;
        documents::InstalaDialogosFusion();
        AnoSeleccionado = QStringLiteral("2001");
        Sql(QStringLiteral("UPDATE EXPED SET SITUACION = 1, FACTURA = 0, TOTAL = 0, IMPIVA = 0"));
        Sql(QStringLiteral("UPDATE SISTEM SET MINUTA = 9, IVA = 16, IRPF = 15"));
        Fila("TABCON", {{"ANO", 2001}, {"CONTEXP", "00010-A"}, {"CONTCON", "00004-A"}, {"NUMFACTU", 7}});
        Fila("ESCRITOS", {{"ESCRITO", 9}, {"CONCEPTO", "Minuta de honorarios"}, {"TIPO", "ECONOMICO"}});
        Fila("CUENTAS", {{"ANO", "2001"}, {"NUMERO", "0042"}, {"ORDEN", 1}, {"TIPO", 2}, {"CONCEPTO", "Honorarios demanda"},
                         {"IMPORTE", 1000.0}, {"FECHA", F(2001, 3, 6)}});
        Fila("CUENTAS", {{"ANO", "2001"}, {"NUMERO", "0042"}, {"ORDEN", 2}, {"TIPO", 1}, {"CONCEPTO", "Tasas"},
                         {"IMPORTE", 50.0}, {"FECHA", F(2001, 3, 6)}});
        Fila("CUENTAS", {{"ANO", "2001"}, {"NUMERO", "0042"}, {"ORDEN", 3}, {"TIPO", 3}, {"CONCEPTO", "Provisión"},
                         {"IMPORTE", -200.0}, {"FECHA", F(2001, 3, 6)}});
        TTable* p = Dat->TPriv;
        p->Append();
        p->FieldByName(QStringLiteral("Usuario"))->SetAsString(QStringLiteral("ANA"));
        p->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("x"));
        for (const char* f : {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Fusion", "Listados", "Economico", "General"})
            p->FieldByName(QString::fromLatin1(f))->SetAsBoolean(true);
        p->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(-1);
        p->Post();
        for (TTable* t : {Dat->TTabcon, Dat->TAboCli, Dat->TCuentas})
            if (t->Active()) t->Refresh();
        Refresca();
        ASSERT_TRUE(Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(QStringLiteral("2001")), Variant(QStringLiteral("0042"))}), 0));
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(1), 0);
        QDir().mkpath(CarpetaDatos + QStringLiteral("/Modelos"));
        Modelo(9, "Minuta del expediente");
        expediente = new TExpediente(nullptr);
        expediente->Show();
        expediente->FormShow(expediente);
    }
    void TearDown() override {
        delete expediente;
        HayWord = FHayWord;
        comun::GeneraFactura = FGenera;
        FusionDatos::TearDown();
    }
    // Invoices the case file with number `numero`, the fee note asked for; the merge dialog, when
    // it comes, is accepted.
    void Factura(const QString& numero) {
        harness->AnswerMessage(mrYes);
        harness->AnswerModal([numero, this](TCustomForm& f) {
            auto& d = static_cast<TFacturar&>(f);
            ofrecida = d.cbMinuta->Enabled();
            d.cbMinuta->SetChecked(true);
            d.Numero->SetText(numero);
            d.btOk->Click();
        });
        harness->AnswerModal([this](TCustomForm& f) {
            ++dialogos;
            platform::forms::TFormHarness::Click(static_cast<documents::TDialogoFusion&>(f).btOk);
        });
        expediente->btFacturar->Click();
    }
    void Modelo(int numero, const char* titulo) {
        const QString script = QStringLiteral(
            "import sys, docx\n"
            "d = docx.Document(); d.add_paragraph(sys.argv[2])\n"
            "d.add_paragraph('[[Economicos.Detalle de Factura]]'); d.add_paragraph('Fin'); d.save(sys.argv[1])\n");
        int code = 0;
        const QString log = RunTool(QStringLiteral("/usr/bin/python3"),
                                    {QStringLiteral("-c"), script, CarpetaDatos + QStringLiteral("/Modelos/%1.docx").arg(numero),
                                     QString::fromUtf8(titulo)},
                                    &code);
        ASSERT_EQ(code, 0) << log.toStdString();
    }
    QStringList Leido(const QString& fichero) {
        int code = 0;
        const QString salida = RunTool(QStringLiteral("/usr/bin/python3"), {Script("read_typed.py"), fichero}, &code);
        EXPECT_EQ(code, 0) << salida.toStdString();
        return salida.split(u'\n');
    }
    TExpediente* expediente = nullptr;
    bool FHayWord = false;
    std::function<void(bool)> FGenera;
    bool ofrecida = false;
    int dialogos = 0;
};

TEST_F(Minuta, FeeNoteOfTheStoredInvoiceIsMergedWithItsInvoiceBlock) {
    Factura(QStringLiteral("8"));
    EXPECT_TRUE(ofrecida);
    EXPECT_EQ(dialogos, 1) << Texts().join(QStringLiteral("; ")).toStdString();
    ASSERT_EQ(abiertos.size(), 1) << Texts().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("FACTURA"))->AsInteger(), 8);
    const QString texto = Leido(abiertos.first()).join(u'\n');
    // Base 1.000: VAT 160, withholding 150, total 1.000 + 50 + 160 - 150.
    EXPECT_TRUE(texto.contains(QStringLiteral("Minuta del expediente"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("Honorarios demanda"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("I.V.A. 16%"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("160,00"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("-150,00"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QRegularExpression(QStringLiteral("TOTAL FACTURA~~ *1\\.060,00")))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QRegularExpression(QStringLiteral("Saldo a mi favor s.e.u o. Euros.~~ *860,00")))) << texto.toStdString();
    EXPECT_FALSE(texto.contains(QStringLiteral("[[Economicos"))) << texto.toStdString();
}

// The case file's agenda list takes in the fee note's entry, as it takes the invoice's.
TEST_F(Minuta, TheCaseFilesAgendaListShowsTheFeeNotesEntry) {
    Factura(QStringLiteral("8"));
    ASSERT_EQ(abiertos.size(), 1) << Texts().join(QStringLiteral("; ")).toStdString();
    auto cuenta = [](const char* condicion) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("SELECT COUNT(*) AS N FROM AGENDA WHERE ANO = '2001' AND NUMERO = '0042' AND ") +
                         QString::fromLatin1(condicion));
        q.Open();
        return q.FieldByName(QStringLiteral("N"))->AsInteger();
    };
    EXPECT_EQ(cuenta("ARCHIVADO = 'S'"), 1);
    // The rows held for the grid to paint, not a new reading of the table.
    EXPECT_EQ(expediente->TAgen2->BufferedRecordCount(), cuenta("TIPO IN ('E', 'X')"));
}

TEST_F(Minuta, ARefusedInvoiceGivesNoFeeNoteAndAMissingModelSaysSo) {
    Fila("CONSULTAS", {{"ANO", "2001"}, {"NUMERO", "0008"}, {"FACTURA", 8}, {"FECHAFACTURA", F(2001, 2, 1)}, {"SITUACION", 2}});
    Factura(QStringLiteral("8"));
    EXPECT_EQ(Texts().last(), QString::fromUtf8("La Factura Nº 8 del año 2001 ya es de la Consulta 2001/0008"));
    EXPECT_EQ(dialogos, 0);
    EXPECT_TRUE(abiertos.isEmpty());
    EXPECT_EQ(harness->PendingAnswers(), 1);  // the merge dialog never came
    harness->ClearRecords();

    Sql(QStringLiteral("UPDATE SISTEM SET MINUTA = 10"));
    documents::GeneraMinuta(false);
    EXPECT_EQ(Texts().last(), QStringLiteral("Escrito MINUTA no existe"));
    // A model that cannot be read: the word processor is ended, the invoice stays.
    Sql(QStringLiteral("UPDATE SISTEM SET MINUTA = 9"));
    QFile::remove(CarpetaDatos + QStringLiteral("/Modelos/9.docx"));
    documents::GeneraMinuta(false);
    EXPECT_EQ(Texts().last(), QStringLiteral("No puedo Abrir el Procesador de Texto"));
    EXPECT_FALSE(EditorOle);
}

TEST_F(Minuta, ConsultationFeeNoteUsesItsOwnModelAndTheConsultationsAmounts) {
    Sql(QStringLiteral("UPDATE SISTEM SET MINUTACONS = 11"));
    Sql(QStringLiteral("UPDATE CONSULTAS SET SITUACION = 1, IMPORTE = 10.10, TOTAL = 0, MONEDA = 'E'"));
    Fila("ESCRITOS", {{"ESCRITO", 11}, {"CONCEPTO", "Minuta de consulta"}, {"TIPO", "ECONOMICO"}});
    Modelo(11, "Minuta de la consulta");
    Refresca();
    auto* consulta = new TConsulta(nullptr);
    consulta->activaEdicion(true);
    consulta->Show();
    consulta->FormShow(consulta);
    harness->AnswerMessage(mrYes);
    harness->AnswerModal([](TCustomForm& f) {
        auto& d = static_cast<TFacturar&>(f);
        d.cbMinuta->SetChecked(true);
        d.btOk->Click();
    });
    harness->AnswerModal([this](TCustomForm& f) {
        ++dialogos;
        platform::forms::TFormHarness::Click(static_cast<documents::TDialogoFusion&>(f).btOk);
    });
    consulta->btFacturar->Click();
    delete consulta;
    EXPECT_EQ(dialogos, 1) << Texts().join(QStringLiteral("; ")).toStdString();
    ASSERT_EQ(abiertos.size(), 1) << Texts().join(QStringLiteral("; ")).toStdString();
    const QString texto = Leido(abiertos.first()).join(u'\n');
    // 10,10 at 16 % and 15 %: 1,62 and 1,52 to the cent; total 10,20.
    EXPECT_TRUE(texto.contains(QStringLiteral("Minuta de la consulta"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("1,62"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("-1,52"))) << texto.toStdString();
    EXPECT_TRUE(texto.contains(QStringLiteral("10,20"))) << texto.toStdString();
}

}  // namespace
