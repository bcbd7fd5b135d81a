// The ledger of a case file over a real data folder: entries by type with their signs, the
// balance with its colour and the other currency in its hint, the entry dialog's checks and
// concepts, the read-only view, and the ledger opened from the case-file form.
#include "CasoFixture.h"
#include "comun/Abusca2.h"
#include "records/UEconomico.h"
#include "records/UExpediente.h"
#include "records/UIntroImp.h"
#include "tests/support/DiscoLleno.h"

#include <optional>

namespace {

using platform::forms::TFormHarness;
QString S(const char* s) { return QString::fromUtf8(s); }
const QString Ano = QStringLiteral("2001");

// Fills the entry dialog and presses OK (or No).
struct TApunte {
    const char* texto = "Honorarios";
    int tipo = 1;  // list position
    double importe = 0;
    const char* cuenta = "";
    bool acepta = true;
};

class EconomicoTest : public casotest::CasoTest {
protected:
    void SetUp() override {
        CasoTest::SetUp();
        AddCase(Ano, QStringLiteral("00012-A"));
        AddCase(Ano, QStringLiteral("00013-A"));
        Caso(QStringLiteral("00013-A"), "E", 1);
        Caso(QStringLiteral("00012-A"), "E", 1);
        Ledger(Ano, QStringLiteral("00013-A"), 2, 999, QStringLiteral("Otro expediente"));
    }
    void TearDown() override {
        delete eco;
        delete expediente;
        CasoTest::TearDown();
    }
    void Caso(const QString& numero, const char* moneda, int situacion) {
        ASSERT_TRUE(GoCase(Ano, numero));
        Dat->TExped->Edit();
        Dat->TExped->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QString::fromLatin1(moneda));
        Dat->TExped->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(situacion);
        Dat->TExped->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
        Dat->TExped->Post();
    }
    void Abre(bool edita) {
        eco = new TEconomico(nullptr);
        eco->ActivaNavegacion(edita);
        eco->Show();
        eco->FormShow(eco);
    }
    void Responde(TApunte a) {
        harness->AnswerModal([a](TCustomForm& f) {
            auto& d = static_cast<TFIntroImp&>(f);
            d.Texto->SetText(QString::fromUtf8(a.texto));
            d.Cuenta->SetText(QString::fromLatin1(a.cuenta));
            d.Tipo->SetItemIndex(a.tipo);
            d.Importe->SetValue(a.importe);
            if (a.acepta) d.btSi->Click();
            else d.btNo->Click();
        });
    }
    double Saldo() {
        return Valor(QStringLiteral("SELECT SUM(IMPORTE) FROM CUENTAS WHERE ANO = '2001' AND NUMERO = '00012-A'")).AsFloat();
    }
    QStringList Filas() {
        QStringList r;
        TTable* t = Dat->TCuentas;
        for (t->First(); !t->Eof(); t->Next())
            r << t->FieldByName(QStringLiteral("TIPOSTRING"))->AsString() + QLatin1Char(' ') + t->FieldByName(QStringLiteral("IMPORTE"))->DisplayText();
        return r;
    }
    TEconomico* eco = nullptr;
    TExpediente* expediente = nullptr;
};

TEST_F(EconomicoTest, EntriesByTypeKeepTheirSignsAndTheBalanceIsTheirSum) {
    Abre(true);
    EXPECT_TRUE(eco->btAdd->Enabled());
    EXPECT_FALSE(eco->btEdit->Enabled());
    EXPECT_FALSE(eco->btDel->Enabled());
    Responde({.texto = "Honorarios", .tipo = 1, .importe = 300});
    eco->btAdd->Click();
    Responde({.texto = "Provisión de fondos", .tipo = 2, .importe = 100});
    eco->btAdd->Click();
    Responde({.texto = "Tasas", .tipo = 0, .importe = 45.5});
    eco->btAdd->Click();
    Responde({.texto = "Viaje", .tipo = 3, .importe = 20.1});
    eco->btAdd->Click();
    EXPECT_EQ(Valor(QStringLiteral("SELECT IMPORTE FROM CUENTAS WHERE TIPO = 3")).AsFloat(), -100);
    EXPECT_DOUBLE_EQ(Saldo(), 300 - 100 + 45.5 + 20.1);
    EXPECT_EQ(eco->DBSaldo->Caption(), QStringLiteral("265,60"));
    EXPECT_EQ(eco->DBSaldo->Font()->Color(), clBlue);
    EXPECT_EQ(eco->DBSaldo->Hint().trimmed(), QStringLiteral("44.192 Pts."));
    EXPECT_EQ(Filas(), (QStringList{QStringLiteral("D 300,00"), QStringLiteral("P -100,00"), QStringLiteral("S 45,50"),
                                    QStringLiteral("G 20,10")}));
    EXPECT_TRUE(eco->btEdit->Enabled());

    // Editing the advance shows it as entered; cancelling changes nothing.
    ASSERT_TRUE(Dat->TCuentas->Locate(QStringLiteral("TIPO"), Variant(3), 0));
    double visto = 0;
    int tipo = -1;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = static_cast<TFIntroImp&>(f);
        visto = d.Importe->Value();
        tipo = d.Tipo->ItemIndex();
        d.Importe->SetValue(150);
        d.btNo->Click();
    });
    eco->btEdit->Click();
    EXPECT_EQ(visto, 100);
    EXPECT_EQ(tipo, 2);
    EXPECT_DOUBLE_EQ(Saldo(), 265.6);
    // A bigger advance turns the balance below zero: red, and the hint in pesetas.
    Responde({.texto = "Provisión de fondos", .tipo = 2, .importe = 500});
    eco->btEdit->Click();
    EXPECT_DOUBLE_EQ(Saldo(), -134.4);
    EXPECT_EQ(eco->DBSaldo->Font()->Color(), clRed);
    EXPECT_EQ(eco->DBSaldo->Hint().trimmed(), QStringLiteral("-22.362 Pts."));

    // Deleting asks first; No keeps the entry.
    harness->AnswerMessage(mrNo);
    EXPECT_THROW(eco->btDelClick(eco), EAbort);
    EXPECT_EQ(Cuenta(QStringLiteral("CUENTAS WHERE NUMERO = '00012-A'")), 4);
    harness->AnswerMessage(mrYes);
    eco->btDel->Click();
    EXPECT_EQ(Texts().last(), S("¿Borrar APUNTE ECONÓMICO?"));
    EXPECT_EQ(Cuenta(QStringLiteral("CUENTAS WHERE NUMERO = '00012-A'")), 3);
    EXPECT_DOUBLE_EQ(Saldo(), 365.6);
    EXPECT_EQ(eco->DBSaldo->Caption(), QStringLiteral("365,60"));
    // The other case file's entry never showed.
    EXPECT_EQ(Cuenta(QStringLiteral("CUENTAS WHERE NUMERO = '00013-A'")), 1);
}

TEST_F(EconomicoTest, DialogRefusesEmptyTextNoTypeAndZeroAndCancelAddsNothing) {
    Abre(true);
    auto* d = new TFIntroImp(nullptr);
    d->Fecha->SetText(QStringLiteral("12/03/2001"));
    EXPECT_THROW(d->btSiClick(d), EAbort);
    EXPECT_EQ(Texts().last(), S("TEXTO no puede quedar vacío"));
    d->Texto->SetText(QStringLiteral("Tasas"));
    EXPECT_THROW(d->btSiClick(d), EAbort);
    EXPECT_EQ(Texts().last(), S("TIPO DE CONCEPTO no puede quedar vacío"));
    d->Tipo->SetItemIndex(0);
    EXPECT_THROW(d->btSiClick(d), EAbort);
    EXPECT_EQ(Texts().last(), S("IMPORTE no puede ser cero"));
    // An amount past what an invoice can be worked out in is refused in Spanish, not overflowed.
    d->Importe->SetText(QStringLiteral("99999999999999999999"));
    EXPECT_THROW(d->btSiClick(d), EAbort);
    EXPECT_EQ(Texts().last(), S("IMPORTE demasiado grande"));
    d->Importe->SetValue(-1000000000000.0);
    EXPECT_THROW(d->btSiClick(d), EAbort);
    EXPECT_EQ(Texts().last(), S("IMPORTE demasiado grande"));
    d->Importe->SetValue(999999999999.99);
    d->btSiClick(d);
    EXPECT_EQ(ImporteApunte, Currency::FromRaw(9999999999999900));
    d->SetModalResult(mrNone);
    d->Fecha->SetText(QStringLiteral("32/13/2001"));
    d->Importe->SetValue(12);
    EXPECT_THROW(d->btSiClick(d), EAbort);
    EXPECT_EQ(Texts().last(), S("FECHA ERRONEA : 32/13/2001"));
    EXPECT_EQ(d->ModalResult(), mrNone);
    d->Fecha->SetText(QStringLiteral("  /  /    "));
    d->btSiClick(d);
    EXPECT_EQ(d->ModalResult(), mrOk);
    EXPECT_EQ(d->FechaTecleada(), Date());
    EXPECT_EQ(ImporteApunte, Currency(12));
    delete d;

    Responde({.texto = "Tasas", .tipo = 0, .importe = 10, .acepta = false});
    eco->btAdd->Click();
    EXPECT_EQ(Cuenta(QStringLiteral("CUENTAS WHERE NUMERO = '00012-A'")), 0);
    EXPECT_EQ(Dat->TCuentas->State(), dsBrowse);
}

// A ledger left open while another workstation deleted its case file wrote what was added there
// all the same: entries of a case file nobody could open again.
TEST_F(EconomicoTest, AnEntryAddedAfterTheCaseFileWasDeletedElsewhereIsRefused) {
    Abre(true);
    Responde({.texto = "Tasas", .tipo = 0, .importe = 10});
    eco->btAdd->Click();
    ASSERT_EQ(Cuenta(QStringLiteral("CUENTAS WHERE NUMERO = '00012-A'")), 1);
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("DELETE FROM EXPED WHERE NUMERO = '00012-A'"));
    q.ExecSQL();
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = static_cast<TFIntroImp&>(f);
        d.Texto->SetText(QStringLiteral("Copias"));
        d.Tipo->SetItemIndex(0);
        d.Importe->SetValue(20);
        d.btSi->Click();
    });
    eco->btAdd->Click();
    EXPECT_EQ(Texts(), QStringList{S("Expediente NO EXISTE")});
    EXPECT_EQ(Cuenta(QStringLiteral("CUENTAS WHERE CONCEPTO = 'Copias'")), 0);
    EXPECT_EQ(Dat->TCuentas->State(), dsBrowse);
}

TEST_F(EconomicoTest, ConceptCodeProposesItsTextTypeAndAmountInTheCaseFilesCurrency) {
    SetSistem("MONEDA", Variant(QStringLiteral("P")));
    TTable* c = Dat->TConConta;
    if (!c->Active()) c->Open();
    c->Append();
    c->FieldByName(QStringLiteral("CUENTA"))->SetAsString(QStringLiteral("H01"));
    c->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Honorarios consulta"));
    c->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(2);
    c->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(16639);
    c->Post();
    Abre(true);
    auto* d = new TFIntroImp(nullptr);
    d->Cuenta->SetText(QStringLiteral("H01"));
    d->CuentaExit(d);
    EXPECT_EQ(d->Texto->Text(), QStringLiteral("Honorarios consulta"));
    EXPECT_EQ(d->Tipo->ItemIndex(), 1);
    EXPECT_DOUBLE_EQ(d->Importe->Value(), 100.00);
    d->Cuenta->SetText(QStringLiteral("ZZ9"));
    d->CuentaExit(d);
    EXPECT_EQ(Texts().last(), QStringLiteral("CONCEPTO no existe"));
    // Picked in the tree of concepts, grouped under their types.
    QStringList grupos;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar2&>(f);
        EXPECT_EQ(b.Caption(), QStringLiteral("Busca Concepto Contable"));
        TTreeNode* raiz = b.Lista->Items()->GetFirstNode();
        for (TTreeNode* n = raiz ? raiz->GetFirstChild() : nullptr; n; n = n->GetNextSibling()) grupos << n->Text();
        ASSERT_TRUE(b.QBusca->Locate(QStringLiteral("CODIGO"), Variant(QStringLiteral("H01")), 0));
        b.SetModalResult(mrOk);
    });
    d->Texto->SetText(QString());
    d->btBuscarClick(d);
    EXPECT_EQ(grupos, QStringList{QStringLiteral("DERECHOS")});
    EXPECT_EQ(d->Texto->Text(), QStringLiteral("Honorarios consulta"));
    EXPECT_EQ(d->Cuenta->Text(), QStringLiteral("H01"));
    EXPECT_DOUBLE_EQ(d->Importe->Value(), 100.00);
    delete d;
    // A peseta case file takes it as it stands; the dialog writes pesetas without decimals.
    Caso(QStringLiteral("00012-A"), "P", 1);
    d = new TFIntroImp(nullptr);
    EXPECT_EQ(d->Importe->DecimalPlaces(), 0);
    d->Cuenta->SetText(QStringLiteral("H01"));
    d->CuentaExit(d);
    EXPECT_DOUBLE_EQ(d->Importe->Value(), 16639);
    delete d;
    EXPECT_EQ(ImporteConcepto(Currency(100), QStringLiteral("E"), QStringLiteral("P")), Currency(16639));
    EXPECT_EQ(ImporteConcepto(Currency(100), QStringLiteral("E"), QStringLiteral("E")), Currency(100));
}

// On the data folder's file only: a full disk of this workstation never reaches a server.
class EconomicoDiscoLlenoTest : public EconomicoTest {};

TEST_F(EconomicoDiscoLlenoTest, AnEntryTheFullDiskRefusesComesBackAsTypedAndIsSavedOnceThereIsRoom) {
    Abre(true);
    std::optional<zbtest::TDiscoLleno> lleno;
    QStringList vistos;
    // What the dialog holds when it comes back; then OK again, after freeing the disk or not.
    auto reintenta = [&](bool libera) {
        harness->AnswerModal([&, libera](TCustomForm& f) {
            auto& d = static_cast<TFIntroImp&>(f);
            vistos << d.Texto->Text() + QLatin1Char('|') + QString::number(d.Tipo->ItemIndex()) + QLatin1Char('|') +
                          QString::number(d.Importe->Value());
            if (libera) lleno->Libera();
            d.btSi->Click();
        });
    };
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = static_cast<TFIntroImp&>(f);
        d.Texto->SetText(S("Tasas judiciales"));
        d.Tipo->SetItemIndex(0);
        d.Importe->SetValue(150);
        lleno.emplace(1);
        d.btSi->Click();
    });
    reintenta(false);
    reintenta(true);
    eco->btAdd->Click();
    EXPECT_EQ(vistos, (QStringList{S("Tasas judiciales|0|150"), S("Tasas judiciales|0|150")}));
    EXPECT_EQ(harness->PendingAnswers(), 0);
    ASSERT_GE(Texts().size(), 2);
    EXPECT_TRUE(Texts()[Texts().size() - 2].contains(S("No se ha guardado nada"))) << Texts().join(u'\n').toStdString();
    EXPECT_EQ(Cuenta(QStringLiteral("CUENTAS WHERE NUMERO = '00012-A'")), 1);
    EXPECT_DOUBLE_EQ(Saldo(), 150);
    EXPECT_EQ(Dat->TCuentas->State(), dsBrowse);

    // A change refused the same way keeps the stored entry and brings the change back; No drops it.
    vistos.clear();
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = static_cast<TFIntroImp&>(f);
        d.Importe->SetValue(175);
        lleno.emplace(1);
        d.btSi->Click();
    });
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = static_cast<TFIntroImp&>(f);
        vistos << QString::number(d.Importe->Value());
        lleno->Libera();
        d.btNo->Click();
    });
    eco->btEdit->Click();
    EXPECT_EQ(vistos, QStringList{QStringLiteral("175")});
    EXPECT_DOUBLE_EQ(Saldo(), 150);
    EXPECT_EQ(Dat->TCuentas->State(), dsBrowse);
    EXPECT_EQ(Dat->TCuentas->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(), 150);
}

TEST_F(EconomicoTest, ReadOnlyViewEditsNothingAndPeseta) {
    Caso(QStringLiteral("00012-A"), "P", 2);
    Ledger(Ano, QStringLiteral("00012-A"), 2, 10000, QStringLiteral("Honorarios"));
    Ledger(Ano, QStringLiteral("00012-A"), 2, 6639, QStringLiteral("Honorarios recurso"));
    CaseField("FACTURA", Variant(14));
    Abre(false);
    EXPECT_EQ(Dat->TCuentas->RecordCount(), 2);
    for (TSpeedItem* i : {eco->btAdd, eco->btEdit, eco->btDel}) EXPECT_FALSE(i->Enabled()) << i->Name().toStdString();
    EXPECT_FALSE(eco->Editar1->Enabled());
    quint16 key = VK_INSERT;
    eco->FormKeyDown(eco, key, ssCtrl);
    key = VK_RETURN;
    eco->FormKeyDown(eco, key, ssCtrl);
    eco->DBCuentasDblClick(eco);
    EXPECT_EQ(harness->ModalForms().size(), 0u);
    // Pesetas: whole amounts, the hint in euros, the peseta picture shown but locked (invoiced).
    EXPECT_EQ(eco->DBSaldo->Caption(), QStringLiteral("16.639"));
    EXPECT_EQ(eco->DBSaldo->Hint().trimmed(), QStringLiteral("100,00"));
    EXPECT_TRUE(eco->Image4->Visible());
    EXPECT_FALSE(eco->Image4->Enabled());
    EXPECT_FALSE(eco->Image5->Visible());
    EXPECT_TRUE(eco->DBNumFac->Visible());
    EXPECT_EQ(eco->DBNumFac->Caption(), QStringLiteral("14"));
    eco->Close();
    eco = nullptr;
    // Closing a view opened on its own lifts the range it set.
    TFormHarness::ProcessEvents();
    EXPECT_EQ(Dat->TCuentas->RecordCount(), 3);
}

TEST_F(EconomicoTest, CurrencyPictureConvertsTheOpenCaseFileAndItsEntries) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    Abre(true);
    EXPECT_TRUE(eco->Image5->Visible());
    EXPECT_TRUE(eco->Image5->Enabled());
    EXPECT_FALSE(eco->DBNumFac->Visible());
    harness->AnswerMessage(mrYes);
    TFormHarness::DoubleClick(eco->Image5);
    EXPECT_EQ(Texts().last(), S("¿ Cambiar a PESETAS ?"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT MONEDA FROM EXPED WHERE NUMERO = '00012-A'")).AsString(), QStringLiteral("P"));
    EXPECT_DOUBLE_EQ(Saldo(), 16639);
    EXPECT_TRUE(eco->Image4->Visible());
    EXPECT_EQ(eco->DBSaldo->Caption(), QStringLiteral("16.639"));
}

// The view of the main window's pop-up shows an open case file's currency but cannot switch it:
// the switch rewrites the case file's amounts and every entry.
TEST_F(EconomicoTest, TheReadOnlyViewOfAnOpenCaseFileKeepsItsCurrency) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    Abre(false);
    EXPECT_TRUE(eco->Image5->Visible());
    EXPECT_FALSE(eco->Image5->Enabled());
    TFormHarness::DoubleClick(eco->Image5);
    EXPECT_TRUE(harness->Messages().empty());
    EXPECT_EQ(Valor(QStringLiteral("SELECT MONEDA FROM EXPED WHERE NUMERO = '00012-A'")).AsString(), QStringLiteral("E"));
    EXPECT_DOUBLE_EQ(Saldo(), 100);
}

TEST_F(EconomicoTest, CaseFileFormOpensTheLedgerEditableOnlyWhileOpen) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 100, QStringLiteral("Honorarios"));
    Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0);
    expediente = new TExpediente(nullptr);
    expediente->Show();
    expediente->FormShow(expediente);
    ASSERT_TRUE(expediente->btOpenEco->Enabled());
    QString caption;
    bool anade = false;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& e = static_cast<TEconomico&>(f);
        caption = e.Caption();
        anade = e.btAdd->Enabled();
    });
    expediente->btOpenEco->Click();
    EXPECT_EQ(caption, S("Situación Económica de 01/00012-A"));
    EXPECT_TRUE(anade);
    CaseField("SITUACION", Variant(2));
    expediente->Refresca();
    harness->AnswerModal([&](TCustomForm& f) { anade = static_cast<TEconomico&>(f).btAdd->Enabled(); });
    expediente->btOpenEco->Click();
    EXPECT_FALSE(anade);
    // The case-file form keeps its own ledger range.
    EXPECT_EQ(Dat->TCuentas->RecordCount(), 1);
    // Without the economic right neither the ledger nor invoicing is offered.
    Usuario(QStringLiteral("ANA"), -1, false);
    expediente->Refresca();
    EXPECT_FALSE(expediente->btOpenEco->Enabled());
    EXPECT_FALSE(expediente->btFacturar->Enabled());
}

TEST_F(EconomicoTest, PrintPreviewsTheEconomicStatementOfTheCaseFile) {
    Ledger(Ano, QStringLiteral("00012-A"), 2, 300, QStringLiteral("Honorarios"));
    Abre(false);
    eco->btImprimir->Click();
    TFormHarness::ProcessEvents();
    ASSERT_EQ(harness->ModalForms().size(), 1u);
    EXPECT_EQ(harness->ModalForms()[0].FormClass, QStringLiteral("TPreView"));
    // The print item is free again afterwards.
    EXPECT_TRUE(static_cast<bool>(eco->btImprimir->OnClick()));
}

TEST_F(EconomicoTest, RendersTheLedgerAndTheEntryDialog) {
    CaseField("FACTURA", Variant(8));
    Ledger(Ano, QStringLiteral("00012-A"), 3, -600, S("Provisión de fondos recibida del cliente"));
    Ledger(Ano, QStringLiteral("00012-A"), 1, 45.5, QStringLiteral("Tasas judiciales"));
    Ledger(Ano, QStringLiteral("00012-A"), 2, 1450, QStringLiteral("Honorarios de la demanda y la vista"));
    Ledger(Ano, QStringLiteral("00012-A"), 4, 20.1, S("Desplazamiento al juzgado de Getafe"));
    Abre(true);
    Dat->TCuentas->First();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(eco->DBSaldo->Caption(), QStringLiteral("915,60"));
    ASSERT_TRUE(TFormHarness::SaveToPng(eco, Render(QStringLiteral("UEconomico.png"))));
    auto* d = new TFIntroImp(nullptr);
    d->Fecha->SetText(QStringLiteral("12/03/2001"));
    d->Texto->SetText(QStringLiteral("Honorarios de la demanda y la vista"));
    d->Cuenta->SetText(QStringLiteral("H01"));
    d->Tipo->SetItemIndex(1);
    d->Importe->SetValue(1450);
    d->Show();
    TFormHarness::ProcessEvents();
    ASSERT_TRUE(TFormHarness::SaveToPng(d, Render(QStringLiteral("UIntroImp.png"))));
    delete d;
}

}  // namespace
