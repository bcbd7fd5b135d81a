// The accounting concepts form over a fresh data folder: adding, editing and deleting concepts,
// the code check, the amount in the office's currency and the concept list.
#include "DatFixture.h"
#include "comun/Abusca2.h"
#include "records/UConConta.h"
#include "reports/ULimTipCon.h"

#include <QDir>

namespace {

using platform::forms::TFormHarness;

class ConContaTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        SetSistem("MONEDA", Variant(QStringLiteral("E")));
        SetSistem("EURO", Variant(166.386));
        Concepto(QStringLiteral("SU01"), QStringLiteral("Tasas judiciales"), 1, 120.5);
        Concepto(QStringLiteral("DE01"), QStringLiteral("Minuta de honorarios"), 2, 1234.5);
    }
    void TearDown() override {
        delete form;
        form = nullptr;
        DatTest::TearDown();
    }
    void Concepto(const QString& cuenta, const QString& concepto, int tipo, double importe) {
        TTable* c = Dat->TConConta;
        c->Append();
        c->FieldByName(QStringLiteral("CUENTA"))->SetAsString(cuenta);
        c->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(concepto);
        c->FieldByName(QStringLiteral("TIPO"))->SetAsInteger(tipo);
        c->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(importe);
        c->Post();
    }
    void Abre() {
        form = new TConConta(nullptr);
        form->activaEdicion(true);
        form->Show();
        TFormHarness::ProcessEvents();
    }
    Variant Valor(const QString& sql) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(sql);
        q.Open();
        if (q.IsEmpty()) return Null();
        return q.Fields()->Fields(0)->Value();
    }
    int Filas() { return Valor(QStringLiteral("SELECT COUNT(*) FROM CONCONTAS")).AsInteger(); }
    bool Va(const QString& cuenta) { return Dat->TConConta->Locate(QStringLiteral("CUENTA"), Variant(cuenta), 0); }
    // The concept DE01 in edit, its whole amount replaced by `texto` as typed after Ctrl+A.
    void TecleaImporte(const QString& texto) {
        Abre();
        ASSERT_TRUE(Va(QStringLiteral("DE01")));
        form->btEdit->Click();
        TFormHarness::Focus(form->DBImporte);
        TFormHarness::PressKey(form->DBImporte, 'A', ssCtrl);
        TFormHarness::Type(form->DBImporte, texto);
    }

    TConConta* form = nullptr;
};

TEST_F(ConContaTest, ConceptsAreAddedEditedAndDeleted) {
    Abre();
    EXPECT_EQ(form->Caption(), QStringLiteral("Conceptos Contables"));
    EXPECT_FALSE(form->btAsigna->Visible());
    EXPECT_FALSE(form->BtOk->Visible());
    // Opened on the last concept.
    EXPECT_EQ(form->DBConcepto->Text(), QStringLiteral("DE01"));
    EXPECT_EQ(form->ZbTipo->Text(), QStringLiteral("Derecho"));

    form->btAdd->Click();
    EXPECT_EQ(form->ModeIndicator->Caption(), QStringLiteral("[Estado :Nuevo]"));
    EXPECT_EQ(form->ZbTipo->Text(), QStringLiteral("Suplido"));  // new rows start as disbursements
    TFormHarness::Type(form->DBConcepto, QStringLiteral("GA01"));
    TFormHarness::Type(form->DBNombre, QStringLiteral("Desplazamiento"));
    form->ZbTipo->SetItemIndex(3);
    form->ZbTipo->Click();
    TFormHarness::Focus(form->DBImporte);
    TFormHarness::Type(form->DBImporte, QStringLiteral("45,75"));
    TFormHarness::Focus(form->DBNombre);
    form->BtOk->Click();
    EXPECT_EQ(Dat->TConConta->State(), dsBrowse);
    EXPECT_EQ(Filas(), 3);
    EXPECT_EQ(Valor(QStringLiteral("SELECT TIPO FROM CONCONTAS WHERE CUENTA = 'GA01'")).AsInteger(), 4);
    EXPECT_DOUBLE_EQ(Valor(QStringLiteral("SELECT IMPORTE FROM CONCONTAS WHERE CUENTA = 'GA01'")).AsFloat(), 45.75);

    // Editing an amount shown with thousands: the separators go on entering the box.
    ASSERT_TRUE(Va(QStringLiteral("DE01")));
    EXPECT_EQ(form->DBImporte->Text(), QStringLiteral("1.234,50"));
    form->btEdit->Click();
    TFormHarness::Focus(form->DBImporte);
    EXPECT_EQ(form->DBImporte->Text(), QStringLiteral("1234,50"));
    form->DBImporte->SetText(QString());
    TFormHarness::Type(form->DBImporte, QStringLiteral("2.0x00,5,0"));  // only digits and one comma
    EXPECT_EQ(form->DBImporte->Text(), QStringLiteral("2000,50"));
    TFormHarness::Focus(form->DBNombre);
    form->BtOk->Click();
    EXPECT_DOUBLE_EQ(Valor(QStringLiteral("SELECT IMPORTE FROM CONCONTAS WHERE CUENTA = 'DE01'")).AsFloat(), 2000.5);

    // Deleting asks; No keeps it.
    harness->AnswerMessage(mrNo);
    ExpectAbort([&] { form->btDel->Click(); });
    EXPECT_EQ(Filas(), 3);
    harness->AnswerMessage(mrYes);
    form->btDel->Click();
    EXPECT_EQ(Filas(), 2);
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral(" ¿ Borrar CONCEPTO ECONÓMICO ? "), QStringLiteral(" ¿ Borrar CONCEPTO ECONÓMICO ? ")}));
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(*) FROM CONCONTAS WHERE CUENTA = 'DE01'")).AsInteger(), 0);
}

TEST_F(ConContaTest, CtrlAInTheAmountSelectsItSoTypingReplacesIt) {
    TecleaImporte(QStringLiteral("150"));
    EXPECT_EQ(form->DBImporte->Text(), QStringLiteral("150"));
    TFormHarness::Focus(form->DBNombre);
    form->BtOk->Click();
    EXPECT_DOUBLE_EQ(Valor(QStringLiteral("SELECT IMPORTE FROM CONCONTAS WHERE CUENTA = 'DE01'")).AsFloat(), 150);
}

// An amount past what a ledger entry may take is shown as typed and refused in Spanish when the
// field is left: no overflow while painting it, and the concept keeps its amount.
TEST_F(ConContaTest, AnAmountPastTheLimitIsRefusedOnLeavingTheField) {
    TecleaImporte(QStringLiteral("99999999999999999999"));
    EXPECT_THROW(form->DBImporte->DoExit(), EAbort);
    EXPECT_EQ(Texts().last(), QStringLiteral("IMPORTE demasiado grande"));
    EXPECT_FALSE(Dat->TConConta->FieldByName(QStringLiteral("IMPORTE"))->DisplayText().isEmpty());
    // Leaving it for "No" is no check: the change is thrown away.
    form->SetActiveControl(form->BtNo);
    EXPECT_NO_THROW(form->DBImporte->DoExit());
    form->BtNo->Click();
    EXPECT_DOUBLE_EQ(Valor(QStringLiteral("SELECT IMPORTE FROM CONCONTAS WHERE CUENTA = 'DE01'")).AsFloat(), 1234.5);
}

TEST_F(ConContaTest, AnExistingCodeIsReportedWhileInsertingButNotRefused) {
    Abre();
    form->btAdd->Click();
    TFormHarness::Focus(form->DBConcepto);
    TFormHarness::Type(form->DBConcepto, QStringLiteral("SU01"));
    // Leaving for No is leaving the record: no check.
    TFormHarness::Focus(form->BtNo);
    EXPECT_TRUE(Texts().isEmpty());
    TFormHarness::Focus(form->DBConcepto);
    TFormHarness::Focus(form->DBNombre);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("CONCEPTO ya existe")});
    EXPECT_EQ(form->ActiveControl(), form->DBConcepto);
    // The user may keep it all the same.
    Dat->TConConta->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Tasas de apelación"));
    form->BtOk->Click();
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(*) FROM CONCONTAS WHERE CUENTA = 'SU01'")).AsInteger(), 2);

    // Editing an existing concept is not checked.
    harness->ClearRecords();
    ASSERT_TRUE(Va(QStringLiteral("DE01")));
    form->btEdit->Click();
    TFormHarness::Focus(form->DBConcepto);
    form->DBConcepto->SetText(QStringLiteral("SU01"));
    TFormHarness::Focus(form->DBNombre);
    EXPECT_TRUE(Texts().isEmpty());
    form->BtNo->Click();
}

TEST_F(ConContaTest, AnOfficeInPesetasShowsWholeAmountsAndTheEuroHint) {
    SetSistem("MONEDA", Variant(QStringLiteral("P")));
    Concepto(QStringLiteral("PR01"), QStringLiteral("Provisión inicial"), 3, 16638.6);
    Abre();
    EXPECT_EQ(form->DBImporte->Text(), QStringLiteral("16.639"));
    EXPECT_EQ(form->DBImporte->Hint(), QStringLiteral("    100,00 Euros"));
    ASSERT_TRUE(Va(QStringLiteral("SU01")));
    EXPECT_EQ(form->DBImporte->Hint(), QStringLiteral("      0,72 Euros"));
    // Without a rate there is no hint.
    SetSistem("EURO", Variant(0.0));
    ASSERT_TRUE(Va(QStringLiteral("PR01")));
    EXPECT_TRUE(form->DBImporte->Hint().isEmpty());
    // In pesetas the amount takes no decimals.
    form->btEdit->Click();
    TFormHarness::Focus(form->DBImporte);
    form->DBImporte->SetText(QString());
    TFormHarness::Type(form->DBImporte, QStringLiteral("12,5"));
    EXPECT_EQ(form->DBImporte->Text(), QStringLiteral("125"));
    form->BtNo->Click();
}

TEST_F(ConContaTest, ClosingGivesTheAmountItsPlainTextBack) {
    Abre();
    TField* importe = Dat->TConConta->FieldByName(QStringLiteral("IMPORTE"));
    ASSERT_TRUE(Va(QStringLiteral("DE01")));
    EXPECT_EQ(importe->DisplayText(), QStringLiteral("1.234,50"));
    form->BtSalir->Click();
    TFormHarness::ProcessEvents();
    form = nullptr;  // freed on close
    EXPECT_FALSE(importe->OnGetText.Assigned());
    EXPECT_EQ(importe->DisplayText(), QStringLiteral("1234,5"));
}

TEST_F(ConContaTest, TheSearchAndTheConceptList) {
    Abre();
    harness->AnswerModal([](TCustomForm& f) {
        auto* b = dynamic_cast<TBuscar2*>(&f);
        ASSERT_NE(b, nullptr);
        b->QBusca->Locate(QStringLiteral("CODIGO"), Variant(QStringLiteral("SU01")), 0);
        f.SetModalResult(mrOk);
    });
    form->btBuscar->Click();
    EXPECT_EQ(form->DBConcepto->Text(), QStringLiteral("SU01"));
    ASSERT_FALSE(harness->ModalForms().empty());
    EXPECT_EQ(harness->ModalForms().back().Caption, QStringLiteral("Busca Concepto Contable"));

    // The list of the ticked types: the filter, then the preview.
    harness->ClearRecords();
    harness->AnswerModal([](TCustomForm& f) {
        auto& filtro = dynamic_cast<TFConCon&>(f);
        EXPECT_TRUE(filtro.cbSuplidos->Checked());
        filtro.cbSuplidos->SetChecked(false);
        f.SetModalResult(mrOk);
    });
    harness->AnswerModal(mrOk);
    form->btImprimir->Click();
    ASSERT_EQ(harness->ModalForms().size(), 2u);
    EXPECT_EQ(harness->ModalForms().front().Caption, QStringLiteral("Listado de Conceptos Contables"));
    EXPECT_TRUE(harness->ModalForms().back().FormClass.contains(QStringLiteral("PreView")))
        << harness->ModalForms().back().FormClass.toStdString();
    EXPECT_TRUE(form->btImprimir->OnClick().Assigned());
    // Cancelling the filter prints nothing.
    harness->ClearRecords();
    harness->AnswerModal(mrCancel);
    form->btImprimir->Click();
    EXPECT_EQ(harness->ModalForms().size(), 1u);
    TFormHarness::ProcessEvents();
}

}  // namespace
