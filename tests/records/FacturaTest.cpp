// Invoicing case files and consultations over a real data folder: amounts and tax rounding in
// both currencies, the invoice counter, re-invoicing, proformas, refusals, cancelling, the fee
// note only after a stored invoice, and two workstations invoicing at the same time.
#include "CasoFixture.h"
#include "comun/Ganchos.h"
#include "records/UConsulta.h"
#include "records/UExpediente.h"
#include "records/UFactura.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QThread>
#include <set>

namespace {

using platform::forms::TFormHarness;
QString S(const char* s) { return QString::fromUtf8(s); }
const QString Ano = QStringLiteral("2001");

// What the invoicing dialog is answered with; `numero` null keeps the proposed number.
struct TRespuesta {
    const char* numero = nullptr;
    const char* iva = "16";
    const char* irpf = "15";
    const char* fecha = "20/06/2001";
    QString* propuesto = nullptr;  // receives the proposed number
    QString* caption = nullptr;
    bool acepta = true;
};

void Responde(TFormHarness& h, TRespuesta r) {
    h.AnswerModal([r](TCustomForm& f) {
        auto& d = static_cast<TFacturar&>(f);
        if (r.propuesto) *r.propuesto = d.Numero->Text();
        if (r.caption) *r.caption = d.Caption() + QLatin1Char('|') + d.Panel1->Caption();
        if (r.numero) d.Numero->SetText(QString::fromLatin1(r.numero));
        d.Iva->SetText(QString::fromLatin1(r.iva));
        d.Irpf->SetText(QString::fromLatin1(r.irpf));
        d.Fecha->SetText(QString::fromLatin1(r.fecha));
        if (r.acepta) d.btOk->Click();
        else d.SpeedItem2->Click();
    });
}

class FacturaTest : public casotest::CasoTest {
protected:
    void SetUp() override {
        CasoTest::SetUp();
        FGeneraAntes = comun::GeneraFactura;
        FHayWordAntes = HayWord;
        AddCase(Ano, QStringLiteral("00012-A"));
        AddCase(Ano, QStringLiteral("00013-A"));
        Caso(QStringLiteral("00012-A"), "E");
        Caso(QStringLiteral("00013-A"), "E");
        ASSERT_TRUE(GoCase(Ano, QStringLiteral("00012-A")));
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0);
    }
    void TearDown() override {
        delete expediente;
        delete consulta;
        comun::GeneraFactura = FGeneraAntes;
        HayWord = FHayWordAntes;
        CasoTest::TearDown();
    }
    void Caso(const QString& numero, const char* moneda) {
        ASSERT_TRUE(GoCase(Ano, numero));
        Dat->TExped->Edit();
        Dat->TExped->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString::fromLatin1(moneda));
        Dat->TExped->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(1);
        Dat->TExped->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
        Dat->TExped->Post();
    }
    void NuevaConsulta(const QString& numero, const char* moneda, double importe) {
        TTable* c = Dat->TConsultas;
        c->Append();
        c->FieldByName(QStringLiteral("ANO"))->SetAsString(Ano);
        c->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
        c->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
        c->FieldByName(QStringLiteral("NOMCLIENTE"))->SetAsString(QStringLiteral("SANZ,EVA"));
        c->FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("HERENCIAS"));
        c->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(1);
        c->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString::fromLatin1(moneda));
        c->FieldByName(QStringLiteral("FECHAENTRADA"))->SetAsDateTime(EncodeDate(2001, 3, 14));
        c->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(importe);
        c->Post();
    }
    void AbreExpediente() {
        expediente = new TExpediente(nullptr);
        expediente->Show();
        expediente->FormShow(expediente);
    }
    void AbreConsulta(const QString& numero) {
        ASSERT_TRUE(Dat->TConsultas->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(Ano), Variant(numero)}), 0));
        consulta = new TConsulta(nullptr);
        consulta->activaEdicion(true);
        consulta->Show();
        consulta->FormShow(consulta);
    }
    // Invoices the open case file answering yes and then the dialog.
    void FacturaExpediente(TRespuesta r) {
        harness->AnswerMessage(mrYes);
        Responde(*harness, r);
        expediente->btFacturar->Click();
    }
    void FacturaConsulta(TRespuesta r) {
        harness->AnswerMessage(mrYes);
        Responde(*harness, r);
        consulta->btFacturar->Click();
    }
    double Exp(const char* campo, const QString& numero = QStringLiteral("00012-A")) {
        return Valor(QStringLiteral("SELECT %1 FROM EXPED WHERE ANO = '2001' AND NUMERO = '%2'").arg(QString::fromLatin1(campo), numero))
            .AsFloat();
    }
    double Con(const char* campo, const QString& numero) {
        return Valor(QStringLiteral("SELECT %1 FROM CONSULTAS WHERE ANO = '2001' AND NUMERO = '%2'").arg(QString::fromLatin1(campo), numero))
            .AsFloat();
    }

    void DosPuestos(const char* fecha);

    TExpediente* expediente = nullptr;
    TConsulta* consulta = nullptr;
    std::function<void(bool)> FGeneraAntes;
    bool FHayWordAntes = false;
};

TEST(ImpuestoTest, EurosGoToTheEvenCentAndPesetasHalfUpToTheWholePeseta) {
    using records::Impuesto;
    // Pesetas: 16 % of 1.000, 1.003 (160,48) and 1.025; a half peseta goes up.
    EXPECT_EQ(Impuesto(Currency(1000), 16, false), Currency(160));
    EXPECT_EQ(Impuesto(Currency(1003), 16, false), Currency(160));
    EXPECT_EQ(Impuesto(Currency(1025), 16, false), Currency(164));
    EXPECT_EQ(Impuesto(Currency(1005), 10, false), Currency(101));
    EXPECT_EQ(Impuesto(Currency(-1005), 10, false), Currency(-100));
    // Euros: 10,10 at 16 % is 1,616; exact half cents go to the even cent.
    EXPECT_EQ(Impuesto(Currency(10.10), 16, true), Currency(1.62));
    EXPECT_EQ(Impuesto(Currency(10.25), 10, true), Currency(1.02));
    EXPECT_EQ(Impuesto(Currency(10.35), 10, true), Currency(1.04));
    EXPECT_EQ(Impuesto(Currency(0.35), 10, true), Currency(0.04));
    EXPECT_EQ(Impuesto(Currency(470.25), 0, true), Currency(0));
}

TEST_F(FacturaTest, CaseFileInEurosStoresItsSumsTaxesToTheCentTheCounterAndTheAgendaRow) {
    Ledger(Ano, QStringLiteral("00012-A"), 1, 45.5, QStringLiteral("Tasas"));
    Ledger(Ano, QStringLiteral("00012-A"), 2, 400.15, QStringLiteral("Honorarios"));
    Ledger(Ano, QStringLiteral("00012-A"), 2, 50, QStringLiteral("Honorarios recurso"));
    Ledger(Ano, QStringLiteral("00012-A"), 4, 20.10, QStringLiteral("Viaje"));
    Ledger(Ano, QStringLiteral("00012-A"), 3, -300, S("Provisión"));
    Ledger(Ano, QStringLiteral("00013-A"), 2, 999, QStringLiteral("Otro"));
    AbreExpediente();
    EXPECT_TRUE(expediente->btFacturar->Enabled());
    EXPECT_TRUE(expediente->btOpenEco->Enabled());
    QString propuesto, caption;
    FacturaExpediente({.iva = "16", .irpf = "15", .propuesto = &propuesto, .caption = &caption});
    EXPECT_EQ(Texts().first(), S("¿Desea facturar éste Expediente?"));
    EXPECT_EQ(propuesto, QStringLiteral("8"));
    EXPECT_EQ(caption, S("Facturar Expediente ..|Datos para facturar Expediente :"));
    // Base 450,15 + 20,10 = 470,25: VAT 75,24; withholding 70,5375 -> 70,54.
    EXPECT_DOUBLE_EQ(Exp("SUPLIDOS"), 45.5);
    EXPECT_DOUBLE_EQ(Exp("DERECHOS"), 450.15);
    EXPECT_DOUBLE_EQ(Exp("GASTOS"), 20.1);
    EXPECT_DOUBLE_EQ(Exp("PROVISIONES"), -300);
    EXPECT_DOUBLE_EQ(Exp("IMPIVA"), 75.24);
    EXPECT_DOUBLE_EQ(Exp("IMPIRPF"), 70.54);
    // Advances do not lower the total.
    EXPECT_DOUBLE_EQ(Exp("TOTAL"), 520.45);
    EXPECT_EQ(Exp("FACTURA"), 8);
    EXPECT_EQ(Exp("SITUACION"), 2);
    EXPECT_EQ(Exp("IVA"), 16);
    EXPECT_EQ(Exp("IRPF"), 15);
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("FECHAFACTURA"))->AsDateTime(), EncodeDate(2001, 6, 20));
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("8"));
    EXPECT_EQ(expediente->Situacion->Text(), S("Facturado Nº 8"));
    EXPECT_EQ(Agenda(Ano, QStringLiteral("00012-A")), QStringList{S("EXPEDIENTE FACTURADO Nº DE FACTURA        8")});
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE TIPO = 'E' AND TIPOAGENDA = 'ECONOMICOS' AND USUARIO = 'ANA'")), 1);
    EXPECT_FALSE(Texts().contains(QStringLiteral("ERROR al facturar")));
    // The other case file is untouched.
    EXPECT_EQ(Exp("FACTURA", QStringLiteral("00013-A")), 0);
}

TEST_F(FacturaTest, ReinvoicingKeepsItsNumberAndTheCounterOnlyRises) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    AbreExpediente();
    FacturaExpediente({});
    ASSERT_EQ(Exp("FACTURA"), 8);
    Contadores(2001, QStringLiteral("00010-A"), QStringLiteral("00004-A"), 9);  // another invoice meanwhile
    QString propuesto;
    FacturaExpediente({.iva = "7", .propuesto = &propuesto});
    EXPECT_EQ(Texts().last(), S("Expediente Facturado Nº FACTURA :       8\r¿Desea volver a facturar éste Expediente?"));
    EXPECT_EQ(propuesto, QStringLiteral("8"));
    EXPECT_EQ(Exp("FACTURA"), 8);
    EXPECT_DOUBLE_EQ(Exp("IMPIVA"), 7);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("9"));
    // A higher number raises the counter; a lower one is taken and leaves it.
    FacturaExpediente({.numero = "12"});
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("12"));
    FacturaExpediente({.numero = "3"});
    EXPECT_EQ(Exp("FACTURA"), 3);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("12"));
}

TEST_F(FacturaTest, ProformaLeavesTheCounterAndTheNextInvoiceProposesItAgain) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    AbreExpediente();
    FacturaExpediente({.numero = ""});
    EXPECT_EQ(Exp("FACTURA"), 0);
    EXPECT_EQ(Exp("SITUACION"), 2);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("7"));
    EXPECT_EQ(Agenda(Ano, QStringLiteral("00012-A")), QStringList{QStringLiteral("EXPEDIENTE FACTURADO PROFORMA")});
    QString propuesto;
    FacturaExpediente({.propuesto = &propuesto});
    EXPECT_EQ(propuesto, QStringLiteral("8"));
    EXPECT_EQ(Exp("FACTURA"), 8);
}

TEST_F(FacturaTest, PesetaCaseFileTakesWholePesetasHalvesUpAndAdvancesOnlyCountZero) {
    Caso(QStringLiteral("00012-A"), "P");
    Ledger(Ano, QStringLiteral("00012-A"), 2, 1000, QStringLiteral("Honorarios"));
    Ledger(Ano, QStringLiteral("00012-A"), 4, 5, QStringLiteral("Sello"));
    Ledger(Ano, QStringLiteral("00012-A"), 1, 300, QStringLiteral("Tasas"));
    Ledger(Ano, QStringLiteral("00013-A"), 3, -5000, S("Provisión"));
    AbreExpediente();
    // Base 1.005: VAT 10 % is 100,5 -> 101; withholding 16 % is 160,8 -> 161.
    FacturaExpediente({.iva = "10", .irpf = "16"});
    EXPECT_EQ(Exp("IMPIVA"), 101);
    EXPECT_EQ(Exp("IMPIRPF"), 161);
    EXPECT_EQ(Exp("TOTAL"), 1000 + 5 + 300 + 101 - 161);
    // A case file holding only an advance is invoiced with base and total 0.
    ASSERT_TRUE(GoCase(Ano, QStringLiteral("00013-A")));
    delete expediente;
    expediente = nullptr;
    AbreExpediente();
    FacturaExpediente({});
    EXPECT_EQ(Exp("TOTAL", QStringLiteral("00013-A")), 0);
    EXPECT_EQ(Exp("PROVISIONES", QStringLiteral("00013-A")), -5000);
    EXPECT_EQ(Exp("FACTURA", QStringLiteral("00013-A")), 9);
}

TEST_F(FacturaTest, CancellingOrAnEmptyLedgerLeavesEverythingAsItWas) {
    AbreExpediente();
    // No ledger entries: nothing to invoice.
    harness->AnswerMessage(mrYes);
    ExpectAbort([&] { expediente->btFacturarClick(expediente); });
    EXPECT_EQ(Texts().last(), S("No hay conceptos económicos"));
    EXPECT_EQ(harness->ModalForms().size(), 0u);

    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    harness->AnswerMessage(mrNo);
    expediente->btFacturar->Click();
    EXPECT_EQ(harness->ModalForms().size(), 0u);
    FacturaExpediente({.numero = "20", .acepta = false});
    EXPECT_EQ(harness->ModalForms().size(), 1u);
    EXPECT_EQ(Exp("SITUACION"), 1);
    EXPECT_EQ(Exp("FACTURA"), 0);
    EXPECT_EQ(Exp("TOTAL"), 0);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("7"));
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    // A closed case file cannot be invoiced.
    CaseField("SITUACION", Variant(3));
    expediente->Refresca();
    EXPECT_FALSE(expediente->btFacturar->Enabled());
}

TEST_F(FacturaTest, ACaseFileHeldByAnotherWorkstationRollsEverythingBack) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    AbreExpediente();
    // Another cursor editing the row stands for another workstation holding it.
    TTable otro(nullptr);
    otro.SetDatabaseName(Dat->Db->DatabaseName());
    otro.SetTableName(QStringLiteral("EXPED"));
    otro.Open();
    ASSERT_TRUE(otro.Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(Ano), Variant(QStringLiteral("00012-A"))}), 0));
    otro.Edit();
    FacturaExpediente({.numero = "20"});
    otro.Cancel();
    EXPECT_TRUE(Texts().contains(QStringLiteral("ERROR al facturar"))) << Texts().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("7"));
    EXPECT_EQ(Exp("SITUACION"), 1);
    EXPECT_EQ(Exp("FACTURA"), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    EXPECT_EQ(Dat->TAgen->State(), dsBrowse);
    // Once free, the same invoicing goes through.
    FacturaExpediente({.numero = "20"});
    EXPECT_EQ(Exp("FACTURA"), 20);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("20"));
}

TEST_F(FacturaTest, AConsultationBeingEditedElsewhereIsNotInvoicedUnderIt) {
    NuevaConsulta(QStringLiteral("00004-A"), "E", 50);
    AbreConsulta(QStringLiteral("00004-A"));
    // Another cursor editing the row stands for another workstation holding it.
    TTable otro(nullptr);
    otro.SetDatabaseName(Dat->Db->DatabaseName());
    otro.SetTableName(QStringLiteral("CONSULTAS"));
    otro.Open();
    ASSERT_TRUE(otro.Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(Ano), Variant(QStringLiteral("00004-A"))}), 0));
    otro.Edit();
    otro.FieldByName(QStringLiteral("HORAS"))->SetAsFloat(3);
    FacturaConsulta({.numero = "20"});
    EXPECT_TRUE(Texts().contains(QStringLiteral("REGISTRO EN USO"))) << Texts().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(Texts().last(), QStringLiteral("ERROR al facturar"));
    EXPECT_EQ(Con("SITUACION", QStringLiteral("00004-A")), 1);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("7"));
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    EXPECT_EQ(Dat->TConsultas->State(), dsBrowse);
    // The other workstation's edit is still saved.
    otro.Post();
    EXPECT_EQ(Con("HORAS", QStringLiteral("00004-A")), 3);
    otro.Close();
    // Invoicing what the screen shows from before that edit is refused once and shows the row as it is.
    harness->ClearRecords();
    FacturaConsulta({.numero = "20"});
    EXPECT_TRUE(Texts().contains(QStringLiteral("TConsultas MODIFICADO POR OTRO USUARIO"))) << Texts().join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(Con("FACTURA", QStringLiteral("00004-A")), 0);
    FacturaConsulta({.numero = "20"});
    EXPECT_EQ(Con("FACTURA", QStringLiteral("00004-A")), 20);
    EXPECT_EQ(Con("HORAS", QStringLiteral("00004-A")), 3);
}

// While a refusal is up, nothing of the failed change holds the data: the workstation that holds
// the row (or any other) can still save, however long the message stays unanswered.
TEST_F(FacturaTest, ARowHeldElsewhereIsReportedWithTheDataLeftFreeForTheOthers) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    NuevaConsulta(QStringLiteral("00004-A"), "E", 50);
    QStringList abiertas;
    harness->WhileMessage([&](const platform::forms::TMessageRecord& m) {
        if (Dat->Db->InTransaction()) abiertas << m.Text;
    });
    // Another cursor editing the row stands for another workstation holding it.
    auto retenida = [](const char* tabla, const char* numero) {
        auto t = std::make_unique<TTable>(nullptr);
        t->SetDatabaseName(Dat->Db->DatabaseName());
        t->SetTableName(QString::fromLatin1(tabla));
        t->Open();
        EXPECT_TRUE(t->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(Ano), Variant(QString::fromLatin1(numero))}), 0));
        t->Edit();
        return t;
    };
    auto comprueba = [&](const char* que, const std::function<void()>& accion) {
        SCOPED_TRACE(que);
        harness->ClearRecords();
        abiertas.clear();
        accion();
        EXPECT_TRUE(Texts().contains(QStringLiteral("REGISTRO EN USO"))) << Texts().join(QStringLiteral("; ")).toStdString();
        EXPECT_TRUE(abiertas.isEmpty()) << abiertas.join(QStringLiteral("; ")).toStdString();
        EXPECT_FALSE(Dat->Db->InTransaction());
    };

    AbreExpediente();
    {
        auto otro = retenida("EXPED", "00012-A");
        comprueba("invoice", [&] { FacturaExpediente({.numero = "20"}); });
        comprueba("close", [&] {
            harness->AnswerMessage(mrYes);
            expediente->btCerrar->Click();
        });
        comprueba("currency", [&] {
            harness->AnswerMessage(mrYes);
            TFormHarness::DoubleClick(expediente->Image5);
        });
        otro->Cancel();
    }
    EXPECT_EQ(Exp("SITUACION"), 1);
    EXPECT_EQ(Exp("FACTURA"), 0);
    EXPECT_EQ(Valor(QStringLiteral("SELECT MONEDA FROM EXPED WHERE NUMERO = '00012-A'")).AsString(), QStringLiteral("E"));

    AbreConsulta(QStringLiteral("00004-A"));
    {
        auto otro = retenida("CONSULTAS", "00004-A");
        comprueba("consultation invoice", [&] { FacturaConsulta({.numero = "21"}); });
        comprueba("consultation close", [&] {
            harness->AnswerMessage(mrYes);
            consulta->btCerrar->Click();
        });
        otro->Cancel();
    }
    EXPECT_EQ(Con("SITUACION", QStringLiteral("00004-A")), 1);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("7"));
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    harness->WhileMessage(nullptr);
}

TEST_F(FacturaTest, DialogRefusesEachBadFieldAndStaysOpen) {
    auto* d = new TFacturar(nullptr);
    EXPECT_EQ(d->Fecha->Text(), FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()));
    auto prueba = [&](TWinControl* campo, const QString& malo, const QString& texto) {
        const QString antes = campo == d->Fecha ? d->Fecha->Text() : static_cast<TEdit*>(campo)->Text();
        if (campo == d->Fecha) d->Fecha->SetText(malo);
        else static_cast<TEdit*>(campo)->SetText(malo);
        EXPECT_THROW(d->BtOkClick(d), EAbort) << malo.toStdString();
        EXPECT_EQ(Texts().last(), texto);
        EXPECT_EQ(d->ModalResult(), mrNone);
        if (campo == d->Fecha) d->Fecha->SetText(antes);
        else static_cast<TEdit*>(campo)->SetText(antes);
    };
    d->Numero->SetText(QStringLiteral("8"));
    prueba(d->Numero, QStringLiteral("8a"), S("ERROR en Nº de Factura"));
    prueba(d->Numero, QStringLiteral("-8"), S("ERROR en Nº de Factura"));
    prueba(d->Fecha, QStringLiteral("31/02/2001"), S("ERROR en Fecha de Factura"));
    prueba(d->Iva, QStringLiteral("1,5"), S("ERROR en IVA de Factura"));
    prueba(d->Irpf, QStringLiteral("x"), S("ERROR en IRPF de Factura"));
    // Empty counts as 0.
    d->Numero->SetText(QString());
    d->Irpf->SetText(QString());
    d->BtOkClick(d);
    EXPECT_EQ(d->ModalResult(), mrOk);
    EXPECT_EQ(d->NumeroFactura(), 0);
    EXPECT_EQ(d->TasaIrpf(), 0);
    // Only digits are typed into the number and the rates.
    QChar letra(u'a'), cifra(u'5');
    d->NumeroKeyPress(d, letra);
    d->NumeroKeyPress(d, cifra);
    EXPECT_TRUE(letra.isNull());
    EXPECT_EQ(cifra, QChar(u'5'));
    d->cbMinuta->SetChecked(true);
    d->cbMinutaClick(d);
    EXPECT_EQ(d->cbMinuta->Caption(), QStringLiteral("Si"));
    delete d;
}

TEST_F(FacturaTest, ANumberAnotherRecordCarriesInTheYearIsRefusedAndNothingIsWritten) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    Ledger(Ano, QStringLiteral("00013-A"), 2, 100, QStringLiteral("Honorarios"));
    ASSERT_TRUE(GoCase(Ano, QStringLiteral("00013-A")));
    AbreExpediente();
    FacturaExpediente({});
    ASSERT_EQ(Exp("FACTURA", QStringLiteral("00013-A")), 8);
    delete expediente;
    expediente = nullptr;
    ASSERT_TRUE(GoCase(Ano, QStringLiteral("00012-A")));
    AbreExpediente();
    bool minuta = false;
    HayWord = true;
    SetSistem("MINUTA", Variant(3));
    comun::GeneraFactura = [&](bool) { minuta = true; };
    harness->AnswerMessage(mrYes);
    harness->AnswerModal([](TCustomForm& f) {
        auto& d = static_cast<TFacturar&>(f);
        ASSERT_TRUE(d.cbMinuta->Enabled());
        d.cbMinuta->SetChecked(true);
        d.Numero->SetText(QStringLiteral("8"));
        d.btOk->Click();
    });
    expediente->btFacturar->Click();
    EXPECT_EQ(Texts().last(), S("La Factura Nº 8 del año 2001 ya es del Expediente 2001/00013-A"));
    EXPECT_FALSE(minuta);  // no fee note of an invoice that was not stored
    EXPECT_EQ(Exp("SITUACION"), 1);
    EXPECT_EQ(Exp("FACTURA"), 0);
    EXPECT_EQ(Agenda(Ano, QStringLiteral("00012-A")), QStringList{});
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    // The same number of another year's series is free; the fee note follows the stored invoice.
    CaseField("FECHAFACTURA", Variant(EncodeDate(2001, 1, 1)));
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("UPDATE EXPED SET FECHAFACTURA = :F WHERE NUMERO = '00013-A'"));
    q.ParamByName(QStringLiteral("F"))->SetAsDate(EncodeDate(2000, 12, 30));
    q.ExecSQL();
    harness->AnswerMessage(mrYes);
    harness->AnswerModal([](TCustomForm& f) {
        auto& d = static_cast<TFacturar&>(f);
        d.cbMinuta->SetChecked(true);
        d.Numero->SetText(QStringLiteral("8"));
        d.btOk->Click();
    });
    expediente->btFacturar->Click();
    EXPECT_EQ(Exp("FACTURA"), 8);
    EXPECT_TRUE(minuta);
}

// The number comes from the working year's counter, the date is typed freely: a number is taken
// only when no other record holds it in the series of either year.
TEST_F(FacturaTest, ANumberHeldInTheYearOfTheDateTypedIsRefusedAndTheProposalSkipsIt) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    Ledger(Ano, QStringLiteral("00013-A"), 2, 100, QStringLiteral("Honorarios"));
    ASSERT_TRUE(GoCase(Ano, QStringLiteral("00013-A")));
    AbreExpediente();
    FacturaExpediente({.numero = "8", .fecha = "05/01/2002"});
    ASSERT_EQ(Exp("FACTURA", QStringLiteral("00013-A")), 8);
    delete expediente;
    expediente = nullptr;
    ASSERT_TRUE(GoCase(Ano, QStringLiteral("00012-A")));
    AbreExpediente();
    FacturaExpediente({.numero = "8", .fecha = "05/01/2002"});
    EXPECT_EQ(Texts().last(), S("La Factura Nº 8 del año 2002 ya es del Expediente 2001/00013-A"));
    EXPECT_EQ(Exp("FACTURA"), 0);
    EXPECT_EQ(Exp("SITUACION"), 1);
    // Dated in the working year, the number is of the other series and free.
    FacturaExpediente({.numero = "8", .fecha = "28/12/2001"});
    EXPECT_EQ(Exp("FACTURA"), 8);

    // Working in 2002, whose counter is still at 7: the numbers invoices of 2001 already dated in
    // 2002 hold, in case files and in consultations, are skipped.
    NuevaConsulta(QStringLiteral("00004-A"), "E", 50);
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("UPDATE CONSULTAS SET FACTURA = 9, SITUACION = 2, FECHAFACTURA = :F WHERE NUMERO = '00004-A'"));
    q.ParamByName(QStringLiteral("F"))->SetAsDate(EncodeDate(2002, 1, 7));
    q.ExecSQL();
    AnoSeleccionado = QStringLiteral("2002");
    Contadores(2002, QStringLiteral("00001-A"), QStringLiteral("00001-A"), 7);
    AddCase(Ano, QStringLiteral("00014-A"));
    Caso(QStringLiteral("00014-A"), "E");
    Ledger(Ano, QStringLiteral("00014-A"), 2, 100, QStringLiteral("Honorarios"));
    delete expediente;
    expediente = nullptr;
    ASSERT_TRUE(GoCase(Ano, QStringLiteral("00014-A")));
    AbreExpediente();
    QString propuesto;
    FacturaExpediente({.fecha = "15/01/2002", .propuesto = &propuesto});
    EXPECT_EQ(propuesto, QStringLiteral("10"));
    EXPECT_EQ(Exp("FACTURA", QStringLiteral("00014-A")), 10);
    EXPECT_EQ(Contador(2002, "NUMFACTU"), QStringLiteral("10"));
    // No number twice among the invoices of either year.
    for (const int ano : {2001, 2002}) {
        TQuery d(nullptr);
        d.SetDatabaseName(Dat->Db->DatabaseName());
        d.SQL()->SetText(QStringLiteral("SELECT FACTURA FROM EXPED WHERE FACTURA > 0 AND FECHAFACTURA BETWEEN :D AND :H "
                                        "UNION ALL SELECT FACTURA FROM CONSULTAS WHERE FACTURA > 0 AND FECHAFACTURA BETWEEN :D AND :H"));
        d.ParamByName(QStringLiteral("D"))->SetAsDate(EncodeDate(ano, 1, 1));
        d.ParamByName(QStringLiteral("H"))->SetAsDate(EncodeDate(ano, 12, 31));
        d.Open();
        QList<int> numeros;
        for (; !d.Eof(); d.Next()) numeros << d.Fields()->Fields(0)->AsInteger();
        EXPECT_EQ(QSet<int>(numeros.begin(), numeros.end()).size(), numeros.size()) << ano;
    }
}

// A case file and a consultation of the same year and number are two records of one invoice
// series: the number one of them holds is refused for the other, whichever was invoiced first.
TEST_F(FacturaTest, ACaseFileAndAConsultationOfTheSameNumberNeverShareAnInvoiceNumber) {
    const QString numero = QStringLiteral("00012-A");
    Ledger(Ano, numero, 2, 100, QStringLiteral("Honorarios"));
    NuevaConsulta(numero, "E", 50);
    AbreExpediente();
    FacturaExpediente({});
    ASSERT_EQ(Exp("FACTURA"), 8);
    const auto consultaSinFacturar = [&] {
        EXPECT_EQ(Con("FACTURA", numero), 0);
        EXPECT_EQ(Con("SITUACION", numero), 1);
        EXPECT_EQ(Con("TOTAL", numero), 0);
        EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE TIPO = 'C'")), 0);
    };

    // The consultation may not take the case file's number.
    AbreConsulta(numero);
    FacturaConsulta({.numero = "8"});
    EXPECT_TRUE(Texts().last().contains(S("Expediente 2001/00012-A"))) << Texts().last().toStdString();
    consultaSinFacturar();
    // The case file re-invoiced keeps its own number.
    FacturaExpediente({.numero = "8"});
    EXPECT_EQ(Exp("FACTURA"), 8);
    EXPECT_EQ(Exp("SITUACION"), 2);
    consultaSinFacturar();

    // Nor the case file the consultation's.
    FacturaConsulta({.numero = "9"});
    ASSERT_EQ(Con("FACTURA", numero), 9);
    FacturaExpediente({.numero = "9"});
    EXPECT_TRUE(Texts().last().contains(S("Consulta 2001/00012-A"))) << Texts().last().toStdString();
    EXPECT_EQ(Exp("FACTURA"), 8);
    EXPECT_EQ(Agenda(Ano, numero).filter(QStringLiteral("EXPEDIENTE FACTURADO")).size(), 2);
    // The consultation re-invoiced keeps its own number too.
    FacturaConsulta({.numero = "9"});
    EXPECT_EQ(Con("FACTURA", numero), 9);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE TIPO = 'C'")), 2);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("9"));
}

// A case file opened last year and invoiced this year shares its number with this year's case
// file, not its invoice: the number it holds is refused for the other, and proposed past.
TEST_F(FacturaTest, TheSameNumberOfAnotherYearsCaseFileIsAnotherRecordWhoseInvoiceIsRefused) {
    const QString numero = QStringLiteral("00012-A"), anterior = QStringLiteral("2000");
    AddCase(anterior, numero);
    ASSERT_TRUE(GoCase(anterior, numero));
    Dat->TExped->Edit();
    Dat->TExped->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("E"));
    Dat->TExped->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(1);
    Dat->TExped->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
    Dat->TExped->Post();
    Ledger(anterior, numero, 2, 100, QStringLiteral("Honorarios"));
    Ledger(Ano, numero, 2, 200, QStringLiteral("Honorarios"));
    ASSERT_TRUE(GoCase(anterior, numero));
    AbreExpediente();
    FacturaExpediente({.numero = "8"});
    const auto factura = [&](const QString& ano) {
        return Valor(QStringLiteral("SELECT FACTURA FROM EXPED WHERE ANO = '%1' AND NUMERO = '%2'").arg(ano, numero)).AsInteger();
    };
    ASSERT_EQ(factura(anterior), 8);
    delete expediente;
    expediente = nullptr;

    Contadores(2001, QStringLiteral("00010-A"), QStringLiteral("00004-A"), 7);
    ASSERT_TRUE(GoCase(Ano, numero));
    AbreExpediente();
    QString propuesto;
    FacturaExpediente({.numero = "8", .propuesto = &propuesto});
    EXPECT_EQ(propuesto, QStringLiteral("9"));
    EXPECT_EQ(Texts().last(), S("La Factura Nº 8 del año 2001 ya es del Expediente 2000/00012-A"));
    EXPECT_EQ(factura(Ano), 0);
    EXPECT_EQ(Exp("SITUACION"), 1);
    EXPECT_EQ(Agenda(Ano, numero), QStringList{});
    EXPECT_EQ(factura(anterior), 8);
    FacturaExpediente({});
    EXPECT_EQ(factura(Ano), 9);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("9"));
}

TEST_F(FacturaTest, FeeNoteIsOfferedOnlyWithAModelTheRightAWordProcessorAndTheDocumentsLayer) {
    auto ofrecida = [] {
        TFacturar d(nullptr);
        return d.cbMinuta->Enabled();
    };
    HayWord = true;
    comun::GeneraFactura = [](bool) {};
    SetSistem("MINUTA", Variant(0));
    EXPECT_FALSE(ofrecida());
    SetSistem("MINUTA", Variant(3));
    EXPECT_TRUE(ofrecida());
    HayWord = false;
    EXPECT_FALSE(ofrecida());
    HayWord = true;
    comun::GeneraFactura = nullptr;
    EXPECT_FALSE(ofrecida());
    comun::GeneraFactura = [](bool) {};
    Usuario(QStringLiteral("ANA"), -1, false);
    EXPECT_FALSE(ofrecida());
}

TEST_F(FacturaTest, ConsultationInEurosIsTaxedToTheCentWithANumberedAgendaRow) {
    NuevaConsulta(QStringLiteral("00004-A"), "E", 10.10);
    AbreConsulta(QStringLiteral("00004-A"));
    EXPECT_TRUE(consulta->btFacturar->Enabled());
    const int agenda = Sistem("AGENDA");
    QString propuesto, caption;
    FacturaConsulta({.iva = "16", .irpf = "15", .propuesto = &propuesto, .caption = &caption});
    EXPECT_EQ(Texts().first(), S("¿Desea facturar ésta Consulta?"));
    EXPECT_EQ(propuesto, QStringLiteral("8"));
    EXPECT_EQ(caption, S("Facturar Consulta|Datos para Facturar Consulta :"));
    // 1,616 -> 1,62 and 1,515 -> 1,52 (to the even cent), not whole euros.
    EXPECT_DOUBLE_EQ(Con("IMPIVA", QStringLiteral("00004-A")), 1.62);
    EXPECT_DOUBLE_EQ(Con("IMPIRPF", QStringLiteral("00004-A")), 1.52);
    EXPECT_DOUBLE_EQ(Con("TOTAL", QStringLiteral("00004-A")), 10.20);
    EXPECT_EQ(Con("FACTURA", QStringLiteral("00004-A")), 8);
    EXPECT_EQ(Con("SITUACION", QStringLiteral("00004-A")), 2);
    EXPECT_EQ(Con("IPRF", QStringLiteral("00004-A")), 15);
    EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("FECHAFACTURA"))->AsDateTime(), EncodeDate(2001, 6, 20));
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("8"));
    EXPECT_EQ(consulta->Situacion->Text(), S("Facturado Nº 8"));
    EXPECT_EQ(Agenda(Ano, QStringLiteral("00004-A")), QStringList{S("CONSULTA FACTURADA Nº DE FACTURA        8")});
    EXPECT_EQ(Valor(QStringLiteral("SELECT ORDEN FROM AGENDA WHERE NUMERO = '00004-A'")).AsInteger(), agenda + 1);
    EXPECT_EQ(Sistem("AGENDA"), agenda + 1);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE TIPO = 'C' AND TIPOAGENDA = 'ECONOMICO' AND USUARIO = 'ANA'")), 1);

    // Re-invoicing keeps the number; a proforma of another consultation leaves the counter.
    QString otra;
    FacturaConsulta({.propuesto = &otra});
    EXPECT_EQ(Texts().last(), S("Consulta Facturada Nº FACTURA :       8\r¿Desea volver a facturar ésta Consulta?"));
    EXPECT_EQ(otra, QStringLiteral("8"));
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("8"));
    NuevaConsulta(QStringLiteral("00005-A"), "E", 50);
    delete consulta;
    consulta = nullptr;
    AbreConsulta(QStringLiteral("00005-A"));
    FacturaConsulta({.numero = "0"});
    EXPECT_EQ(Con("FACTURA", QStringLiteral("00005-A")), 0);
    EXPECT_EQ(Con("SITUACION", QStringLiteral("00005-A")), 2);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("8"));
    EXPECT_EQ(Agenda(Ano, QStringLiteral("00005-A")), QStringList{QStringLiteral("CONSULTA FACTURADA PROFORMA")});
    // The number of the other consultation is refused.
    FacturaConsulta({.numero = "8"});
    EXPECT_EQ(Texts().last(), S("La Factura Nº 8 del año 2001 ya es de la Consulta 2001/00004-A"));
    EXPECT_EQ(Con("FACTURA", QStringLiteral("00005-A")), 0);
    EXPECT_EQ(Agenda(Ano, QStringLiteral("00005-A")).size(), 1);
}

TEST_F(FacturaTest, ConsultationInPesetasKeepsWholePesetasAndCancelOrNoFeeChangesNothing) {
    NuevaConsulta(QStringLiteral("00004-A"), "P", 10005);
    AbreConsulta(QStringLiteral("00004-A"));
    FacturaConsulta({.iva = "10", .irpf = "16"});
    EXPECT_EQ(Con("IMPIVA", QStringLiteral("00004-A")), 1001);
    EXPECT_EQ(Con("IMPIRPF", QStringLiteral("00004-A")), 1601);
    EXPECT_EQ(Con("TOTAL", QStringLiteral("00004-A")), 10005 + 1001 - 1601);

    NuevaConsulta(QStringLiteral("00005-A"), "E", 0);
    delete consulta;
    consulta = nullptr;
    AbreConsulta(QStringLiteral("00005-A"));
    harness->AnswerMessage(mrYes);
    ExpectAbort([&] { consulta->btFacturarClick(consulta); });
    EXPECT_EQ(Texts().last(), QStringLiteral("No hay Importe en la Consulta"));
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(60);
    Dat->TConsultas->Post();
    FacturaConsulta({.acepta = false});
    EXPECT_EQ(Con("SITUACION", QStringLiteral("00005-A")), 1);
    EXPECT_EQ(Con("TOTAL", QStringLiteral("00005-A")), 0);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("8"));
    EXPECT_EQ(Agenda(Ano, QStringLiteral("00005-A")), QStringList{});
    // Closed, or without the economic right, the consultation is not invoiced.
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(3);
    Dat->TConsultas->Post();
    consulta->Refresca();
    EXPECT_FALSE(consulta->btFacturar->Enabled());
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(1);
    Dat->TConsultas->Post();
    Usuario(QStringLiteral("ANA"), -1, false);
    consulta->Refresca();
    EXPECT_FALSE(consulta->btFacturar->Enabled());
}

TEST_F(FacturaTest, RendersTheInvoicingDialog) {
    SetSistem("IVA", Variant(16));
    SetSistem("IRPF", Variant(15));
    auto* d = new TFacturar(nullptr);
    // The office's rates are proposed.
    EXPECT_EQ(d->Iva->Text(), QStringLiteral("16"));
    EXPECT_EQ(d->Irpf->Text(), QStringLiteral("15"));
    d->Numero->SetText(QStringLiteral("8"));
    d->Fecha->SetText(QStringLiteral("20/06/2001"));
    d->Show();
    TFormHarness::ProcessEvents();
    ASSERT_TRUE(TFormHarness::SaveToPng(d, Render(QStringLiteral("UFactura.png"))));
    delete d;
}

// ---------------------------------------------------------------------------------------------- two workstations

using casotest::EsperaFichero;

// The other workstation: invoices the consultations named in ZB_FACTURA on ZB_CARPETA, each with
// the number proposed, again when another workstation took it first.
TEST(OtraEstacionFactura, Runs) {
    const QString lista = qEnvironmentVariable("ZB_FACTURA");
    if (lista.isEmpty()) GTEST_SKIP() << "only run as the second workstation";
    const QString carpeta = qEnvironmentVariable("ZB_CARPETA");
    const QByteArray fecha = qgetenv("ZB_FECHA");
    TFormHarness harness;
    casotest::AbreOtraEstacion(carpeta);
    QFile(carpeta + QStringLiteral("/listo-") + qEnvironmentVariable("ZB_PUESTO")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(EsperaFichero(carpeta + QStringLiteral("/empieza")));
    for (const QString& numero : lista.split(u',')) {
        ASSERT_TRUE(Dat->TConsultas->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(Ano), Variant(numero)}), 0));
        auto* form = new TConsulta(nullptr);
        form->activaEdicion(true);
        form->FormShow(form);
        for (int intento = 0; intento < 100 && Dat->TConsultas->FieldByName(QStringLiteral("SITUACION"))->AsInteger() == 1; ++intento) {
            harness.AnswerMessage(mrYes);
            Responde(harness, {.fecha = fecha.constData()});
            form->btFacturar->Click();
        }
        EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("SITUACION"))->AsInteger(), 2) << numero.toStdString();
        delete form;
    }
    delete Dat;
    Dat = nullptr;
}

// Two workstations invoice twelve consultations each at the same time, dated `fecha`: every
// consultation gets a number of its own, from 8 on.
void FacturaTest::DosPuestos(const char* fecha) {
    QStringList a, b;
    for (int i = 0; i < 12; ++i) {
        const QString na = QStringLiteral("%1-A").arg(20 + i, 5, 10, QLatin1Char('0'));
        const QString nb = QStringLiteral("%1-B").arg(20 + i, 5, 10, QLatin1Char('0'));
        NuevaConsulta(na, "E", 100 + i);
        NuevaConsulta(nb, "E", 200 + i);
        a << na;
        b << nb;
    }
    std::vector<std::unique_ptr<QProcess>> puestos;
    for (const auto& [nombre, lista] : {std::pair{QStringLiteral("1"), a}, std::pair{QStringLiteral("2"), b}}) {
        auto p = std::make_unique<QProcess>();
        shelltest::ArrancaOtraEstacion(*p, dir.path(), QStringLiteral("OtraEstacionFactura.Runs"),
                                       {{QStringLiteral("ZB_FACTURA"), lista.join(u',')},
                                        {QStringLiteral("ZB_PUESTO"), nombre},
                                        {QStringLiteral("ZB_FECHA"), QString::fromLatin1(fecha)}});
        ASSERT_TRUE(p->waitForStarted(10000));
        puestos.push_back(std::move(p));
    }
    ASSERT_TRUE(EsperaFichero(dir.filePath(QStringLiteral("listo-1"))));
    ASSERT_TRUE(EsperaFichero(dir.filePath(QStringLiteral("listo-2"))));
    QFile(dir.filePath(QStringLiteral("empieza"))).open(QIODevice::WriteOnly);
    for (auto& p : puestos) {
        ASSERT_TRUE(p->waitForFinished(120000));
        EXPECT_EQ(p->exitCode(), 0) << p->readAll().toStdString();
    }
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("SELECT FACTURA FROM CONSULTAS WHERE SITUACION = 2"));
    q.Open();
    std::set<int> numeros;
    int facturadas = 0;
    for (; !q.Eof(); q.Next(), ++facturadas) numeros.insert(q.Fields()->Fields(0)->AsInteger());
    EXPECT_EQ(facturadas, 24);
    EXPECT_EQ(int(numeros.size()), 24);
    EXPECT_EQ(*numeros.begin(), 8);
    EXPECT_EQ(*numeros.rbegin(), 31);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("31"));
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE TIPOAGENDA = 'ECONOMICO'")), 24);
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(DISTINCT ORDEN) FROM AGENDA")).AsInteger(), 24);
}

TEST_F(FacturaTest, TwoWorkstationsInvoicingAtOnceNeverShareANumber) { DosPuestos("20/06/2001"); }

// Dated in the next year, the invoices of the working year's counter still never share a number.
TEST_F(FacturaTest, TwoWorkstationsInvoicingIntoTheNextYearNeverShareANumber) { DosPuestos("05/01/2002"); }

}  // namespace

// The invoicing transaction cannot be had (here a transaction already running on the connection
// refuses it, as the write lock held too long by another workstation does): the invoicing's own
// message, never the engine's raw one, and nothing of it stored.
TEST_F(FacturaTest, InvoicingThatCannotStartItsTransactionSaysSoAndStoresNothing) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    NuevaConsulta(QStringLiteral("00004-A"), "E", 50);
    AbreExpediente();
    Dat->Db->StartTransaction();
    EXPECT_NO_THROW(FacturaExpediente({.numero = "20"}));
    EXPECT_EQ(Texts().last(), QStringLiteral("ERROR al facturar"));
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    EXPECT_EQ(Exp("SITUACION"), 1);
    EXPECT_EQ(Exp("FACTURA"), 0);

    AbreConsulta(QStringLiteral("00004-A"));
    harness->ClearRecords();
    Dat->Db->StartTransaction();
    EXPECT_NO_THROW(FacturaConsulta({.numero = "21"}));
    EXPECT_EQ(Texts().last(), QStringLiteral("ERROR al facturar"));
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(Dat->TConsultas->State(), dsBrowse);
    EXPECT_EQ(Con("SITUACION", QStringLiteral("00004-A")), 1);
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("7"));
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
}
