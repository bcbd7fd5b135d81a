// The office settings over a fresh data folder: saving and refusing, the working year's invoice
// number, the concepts' currency conversion and the counter rebuild.
#include "DatFixture.h"
#include "comun/Ganchos.h"
#include "platform/rtl/SysUtils.h"
#include "shell/UEmpresa.h"

#include <QDir>

namespace {

using platform::forms::TFormHarness;

class EmpresaTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        AnoSeleccionado = QStringLiteral("2001");
        Dat->TTabcon->Append();
        Dat->TTabcon->FieldByName(QStringLiteral("ANO"))->SetAsInteger(2001);
        Dat->TTabcon->FieldByName(QStringLiteral("NUMFACTU"))->SetAsInteger(7);
        Dat->TTabcon->Post();
        SetSistem("MONEDA", Variant(QStringLiteral("E")));
        SetSistem("EURO", Variant(166.386));
        comun::FijaEditor = TEvent<const QString&>([this](const QString& e) { Editor = e; });
        Empresa = new TEmpresa(nullptr);
        Empresa->activaEdicion(true);
        Empresa->Show();
        TFormHarness::ProcessEvents();
    }
    void TearDown() override {
        delete Empresa;
        Empresa = nullptr;
        comun::FijaEditor = nullptr;
        Dat->TSistem->BeforePost = nullptr;
        Dat->TConConta->BeforePost = nullptr;
        DatTest::TearDown();
    }
    // One value read straight from the file, past every cursor of the data module.
    Variant Valor(const QString& sql) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(sql);
        q.Open();
        if (q.IsEmpty()) return Null();
        return q.Fields()->Fields(0)->Value();
    }
    int Factura(int ano) { return Valor(QStringLiteral("SELECT NUMFACTU FROM TABCON WHERE ANO = %1").arg(ano)).AsInteger(); }
    QString Sis(const char* campo) { return Valor(QStringLiteral("SELECT %1 FROM SISTEM").arg(QString::fromLatin1(campo))).AsString(); }
    void Concepto(const QString& cuenta, double importe) {
        TTable* c = Dat->TConConta;
        c->Append();
        c->FieldByName(QStringLiteral("CUENTA"))->SetAsString(cuenta);
        c->FieldByName(QStringLiteral("CONCEPTO"))->SetAsString(QStringLiteral("Concepto ") + cuenta);
        c->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(importe);
        c->Post();
    }
    double Importe(const QString& cuenta) {
        return Valor(QStringLiteral("SELECT IMPORTE FROM CONCONTAS WHERE CUENTA = '%1'").arg(cuenta)).AsFloat();
    }
    void Edita() { Empresa->btEdit->Click(); }
    void Ok() { TFormHarness::Click(Empresa->BtOk); }
    void Configuracion() {
        // As the user's Ctrl+Tab does.
        Empresa->Paginas->SelectNextPage(true);
        ASSERT_EQ(Empresa->Paginas->ActivePage(), Empresa->pgConfig);
        TFormHarness::ProcessEvents();
    }
    void Agenda(int orden) {
        Dat->Db->Connection()->Insert(QStringLiteral("AGENDA"), {QStringLiteral("ORDEN"), QStringLiteral("ABOCLI")},
                                      {QVariant(orden), QVariant(1)});
    }

    QString Editor;
};

TEST_F(EmpresaTest, SavesTheSettingsAndHandsOnTheWordProcessor) {
    EXPECT_EQ(Empresa->Caption(), QStringLiteral("Datos Generales del Despacho"));
    EXPECT_FALSE(Empresa->btAdd->Visible());
    EXPECT_FALSE(Empresa->btFirst->Visible());
    EXPECT_TRUE(Empresa->btEdit->Visible());
    EXPECT_FALSE(Empresa->BtOk->Visible());
    EXPECT_FALSE(Empresa->btLogo->Enabled());
    Edita();
    EXPECT_EQ(Empresa->ModeIndicator->Caption(), QStringLiteral("[Estado :Modificar]"));
    EXPECT_TRUE(Empresa->BtOk->Visible());
    EXPECT_TRUE(Empresa->btLogo->Enabled());
    EXPECT_FALSE(Empresa->btConta->Enabled());
    Dat->TSistem->FieldByName(QStringLiteral("EMPRESA"))->SetAsString(QStringLiteral("Bufete Ortega y Asociados"));
    Dat->TSistem->FieldByName(QStringLiteral("EDITOR"))->SetAsString(QStringLiteral("Word2000"));
    // The identity number gets its letter once.
    TFormHarness::Type(Empresa->DbDni, QStringLiteral("12345678"));
    Empresa->DbDniExit(Empresa->DbDni);
    Empresa->DbDniExit(Empresa->DbDni);
    Ok();
    EXPECT_EQ(Dat->TSistem->State(), dsBrowse);
    EXPECT_EQ(Sis("EMPRESA"), QStringLiteral("Bufete Ortega y Asociados"));
    EXPECT_EQ(Sis("CIF"), QStringLiteral("12345678Z"));
    EXPECT_EQ(Editor, QStringLiteral("Word2000"));
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
}

// "Editor :" lists the Word family but takes any name typed over the one chosen: the office on
// the .odt family types its name and keeps it.
TEST_F(EmpresaTest, TheEditorBoxKeepsANameTypedOverTheListedOne) {
    SetSistem("EDITOR", Variant(QStringLiteral("Word2000")));
    Configuracion();
    Edita();
    TFormHarness::Focus(Empresa->DBEditor);
    TFormHarness::PressKey(Empresa->DBEditor, VK_END);
    for (int i = 0; i < 8; ++i) TFormHarness::PressKey(Empresa->DBEditor, VK_BACK);
    TFormHarness::Type(Empresa->DBEditor, QStringLiteral("WordPro96"));
    EXPECT_EQ(Empresa->DBEditor->Text(), QStringLiteral("WordPro96"));
    Ok();
    EXPECT_EQ(Sis("EDITOR"), QStringLiteral("WordPro96"));
    EXPECT_EQ(Editor, QStringLiteral("WordPro96"));
    // Choosing from the list still works after it.
    Edita();
    Empresa->DBEditor->SetItemIndex(0);
    Empresa->DBEditor->Click();
    Ok();
    EXPECT_EQ(Sis("EDITOR"), QStringLiteral("Word97"));
}

TEST_F(EmpresaTest, TheWorkingYearsLastInvoiceIsShownAndWritten) {
    Configuracion();
    EXPECT_EQ(Empresa->EFactura->Text(), QStringLiteral("7"));
    EXPECT_FALSE(Empresa->EFactura->Enabled());  // browse
    Edita();
    EXPECT_TRUE(Empresa->EFactura->Enabled());
    // Only digits reach the box.
    Empresa->EFactura->SetText(QString());
    TFormHarness::Type(Empresa->EFactura, QStringLiteral("1x2"));
    EXPECT_EQ(Empresa->EFactura->Text(), QStringLiteral("12"));
    Ok();
    EXPECT_EQ(Factura(2001), 12);
    EXPECT_EQ(Dat->TSistem->State(), dsBrowse);
}

TEST_F(EmpresaTest, AYearWithoutCountersLeavesTheInvoiceBoxOff) {
    AnoSeleccionado = QStringLiteral("1999");
    Configuracion();
    Edita();
    EXPECT_FALSE(Empresa->EFactura->Enabled());
    EXPECT_TRUE(Empresa->EFactura->Text().isEmpty());
    Empresa->EFactura->SetText(QStringLiteral("55"));  // whatever the box holds
    Dat->TSistem->FieldByName(QStringLiteral("FAX"))->SetAsString(QStringLiteral("91 000 00 00"));
    Ok();
    EXPECT_EQ(Sis("FAX"), QStringLiteral("91 000 00 00"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(*) FROM TABCON WHERE ANO = 1999")).AsInteger(), 0);
    EXPECT_EQ(Factura(2001), 7);
}

TEST_F(EmpresaTest, AFailedSaveStopsThereAndStoresNothing) {
    Concepto(QStringLiteral("S1"), 100);
    Configuracion();
    Edita();
    Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("P"));
    Dat->TSistem->FieldByName(QStringLiteral("EDITOR"))->SetAsString(QStringLiteral("Word97"));
    // A number that is not one.
    Empresa->EFactura->SetText(QStringLiteral("12 4"));
    Ok();
    ASSERT_EQ(Texts(), QStringList{QStringLiteral("ERROR al grabar DATOS DESPACHO")});
    EXPECT_EQ(Dat->TSistem->State(), dsEdit);
    EXPECT_EQ(Sis("MONEDA"), QStringLiteral("E"));
    EXPECT_TRUE(Editor.isEmpty());
    EXPECT_EQ(Factura(2001), 7);

    // The row itself refused after the counter was written: the counter goes back too.
    harness->ClearRecords();
    Empresa->EFactura->SetText(QStringLiteral("20"));
    Dat->TSistem->BeforePost = TDataSetNotifyEvent([](TDataSet*) { throw EDatabaseError(QStringLiteral("disco lleno")); });
    Ok();
    ASSERT_EQ(Texts(), QStringList{QStringLiteral("ERROR al grabar DATOS DESPACHO")});
    EXPECT_EQ(Factura(2001), 7);
    EXPECT_EQ(Dat->TTabcon->State(), dsBrowse);
    EXPECT_EQ(Dat->TTabcon->FieldByName(QStringLiteral("NUMFACTU"))->AsInteger(), 7);
    EXPECT_EQ(Importe(QStringLiteral("S1")), 100);

    // Once it can be stored, all of it is, and only then the question comes.
    harness->ClearRecords();
    Dat->TSistem->BeforePost = nullptr;
    harness->AnswerMessage(mrNo);
    Ok();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("¿Desea cambiar los conceptos económicos a Pts?")});
    EXPECT_EQ(Factura(2001), 20);
    EXPECT_EQ(Sis("MONEDA"), QStringLiteral("P"));
    EXPECT_EQ(Editor, QStringLiteral("Word97"));
    // No leaves the amounts as they were.
    EXPECT_EQ(Importe(QStringLiteral("S1")), 100);
}

TEST_F(EmpresaTest, SettingsTypedWhileAnotherWorkstationNumbersAreSavedWithItsNumbers) {
    Configuracion();
    Edita();
    Dat->TSistem->FieldByName(QStringLiteral("DIRECCION"))->SetAsString(QStringLiteral("Calle Mayor 1"));
    Empresa->EFactura->SetText(QStringLiteral("12"));
    // Another workstation stores a client meanwhile: its counter moves in the settings row.
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("UPDATE SISTEM SET CLIENTE = 41"));
    q.ExecSQL();
    harness->AnswerMessage(mrNo);
    Ok();
    EXPECT_EQ(Dat->TSistem->State(), dsBrowse);
    EXPECT_EQ(Sis("DIRECCION"), QStringLiteral("Calle Mayor 1"));
    EXPECT_EQ(Sis("CLIENTE"), QStringLiteral("41"));
    EXPECT_EQ(Factura(2001), 12);
    for (const QString& t : Texts()) EXPECT_NE(t, QStringLiteral("ERROR al grabar DATOS DESPACHO"));
}

TEST_F(EmpresaTest, ConceptsAreConvertedOnceWhenTheCurrencyReallyChanged) {
    Concepto(QStringLiteral("S1"), 100);
    Concepto(QStringLiteral("D1"), 60.10);
    Concepto(QStringLiteral("P1"), 0.01);
    // Saving without touching the currency asks nothing.
    Edita();
    Dat->TSistem->FieldByName(QStringLiteral("FAX"))->SetAsString(QStringLiteral("1"));
    Ok();
    EXPECT_TRUE(Texts().isEmpty());

    Edita();
    Empresa->Pesetas->Click();  // the pop-up menu of the currency box
    EXPECT_EQ(Dat->TSistem->FieldByName(QStringLiteral("MONEDA"))->AsString(), QStringLiteral("P"));
    harness->AnswerMessage(mrYes);
    Ok();
    ASSERT_EQ(Texts(), QStringList{QStringLiteral("¿Desea cambiar los conceptos económicos a Pts?")});
    EXPECT_EQ(Importe(QStringLiteral("S1")), 16639);  // 16638,6
    EXPECT_EQ(Importe(QStringLiteral("D1")), 10000);  // 9999,79
    EXPECT_EQ(Importe(QStringLiteral("P1")), 2);      // 1,66
    EXPECT_FALSE(Dat->TConConta->ControlsDisabled());

    // Saved again in pesetas: no second conversion.
    harness->ClearRecords();
    Edita();
    Ok();
    EXPECT_TRUE(Texts().isEmpty());
    // Changed and changed back within one edit: nothing to convert.
    Edita();
    Empresa->Euros1->Click();
    Empresa->Pesetas->Click();
    Ok();
    EXPECT_TRUE(Texts().isEmpty());
    EXPECT_EQ(Importe(QStringLiteral("S1")), 16639);

    // Back to euros at the office's rate, to the cent.
    Edita();
    Empresa->Euros1->Click();
    harness->AnswerMessage(mrYes);
    Ok();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("¿Desea cambiar los conceptos económicos a Euros?")});
    EXPECT_DOUBLE_EQ(Importe(QStringLiteral("S1")), 100.00);
    EXPECT_DOUBLE_EQ(Importe(QStringLiteral("D1")), 60.10);
}

TEST_F(EmpresaTest, AConversionThatFailsHalfWayConvertsNothing) {
    Concepto(QStringLiteral("S1"), 100);
    Concepto(QStringLiteral("S2"), 200);
    Concepto(QStringLiteral("S3"), 300);
    int posts = 0;
    Dat->TConConta->BeforePost = TDataSetNotifyEvent([&](TDataSet*) {
        if (++posts == 2) throw EDatabaseError(QStringLiteral("REGISTRO EN USO"));
    });
    Edita();
    Empresa->Pesetas->Click();
    harness->AnswerMessage(mrYes);
    Ok();
    ASSERT_EQ(Texts().size(), 2);
    EXPECT_EQ(Texts().at(1), QStringLiteral("ERROR al cambiar los conceptos económicos: no se ha cambiado ninguno"));
    EXPECT_EQ(Importe(QStringLiteral("S1")), 100);
    EXPECT_EQ(Importe(QStringLiteral("S2")), 200);
    EXPECT_EQ(Importe(QStringLiteral("S3")), 300);
    EXPECT_EQ(Dat->TConConta->State(), dsBrowse);
    EXPECT_FALSE(Dat->TConConta->ControlsDisabled());
    // The cursor shows what the store holds.
    Dat->TConConta->First();
    EXPECT_EQ(Dat->TConConta->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(), 100);
    // The settings themselves were saved.
    EXPECT_EQ(Sis("MONEDA"), QStringLiteral("P"));
}

TEST_F(EmpresaTest, RebuildingTheCountersFromTheData) {
    const int cliente = AddClient(QStringLiteral("GARCIA"));
    SetSistem("AGENDA", Variant(50));
    SetSistem("CUENTAS", Variant(9));
    SetSistem("ESCRITO", Variant(4));
    SetSistem("CLIENTE", Variant(30));
    SetSistem("PERITO", Variant(2));
    Agenda(3);
    Agenda(7);
    ASSERT_LT(cliente, 30);
    Dat->Db->Connection()->Insert(QStringLiteral("PERITOS"), {QStringLiteral("PERITO"), QStringLiteral("APELLIDOS")},
                                  {QVariant(12), QVariant(QStringLiteral("SOLER"))});
    // No asks nothing more.
    harness->AnswerMessage(mrNo);
    Empresa->btConta->Click();
    EXPECT_EQ(Sistem("AGENDA"), 50);

    harness->ClearRecords();
    harness->AnswerMessage(mrYes);
    Empresa->btConta->Click();
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("¿Recalcular contadores?"), QStringLiteral("Actualizado")}));
    EXPECT_EQ(Sistem("AGENDA"), 7);    // lowered to what is left
    EXPECT_EQ(Sistem("CUENTAS"), 0);   // empty ledger
    EXPECT_EQ(Sistem("ESCRITO"), 0);
    EXPECT_EQ(Sistem("CLIENTE"), 30);  // people counters only rise
    EXPECT_EQ(Sistem("PERITO"), 12);
    EXPECT_EQ(Dat->TSistem->State(), dsBrowse);
    EXPECT_FALSE(Dat->TSistem->ControlsDisabled());
}

TEST_F(EmpresaTest, ARebuildThatFailsRestoresTheRowAndTheScreen) {
    Agenda(3);
    SetSistem("AGENDA", Variant(50));
    Dat->TSistem->BeforePost = TDataSetNotifyEvent([](TDataSet*) { throw EDatabaseError(QStringLiteral("REGISTRO EN USO")); });
    harness->AnswerMessage(mrYes);
    Empresa->btConta->Click();
    ASSERT_EQ(Texts().size(), 2);
    EXPECT_TRUE(Texts().at(1).startsWith(QStringLiteral("ERROR al recalcular contadores")));
    EXPECT_EQ(Dat->TSistem->State(), dsBrowse);
    EXPECT_FALSE(Dat->TSistem->ControlsDisabled());
    EXPECT_EQ(Dat->TSistem->FieldByName(QStringLiteral("AGENDA"))->AsInteger(), 50);
    EXPECT_TRUE(Empresa->btConta->Enabled());
    Dat->TSistem->BeforePost = nullptr;
    EXPECT_EQ(Sistem("AGENDA"), 50);
}

}  // namespace

namespace {

// The settings form with an office's data on both pages, for review. With ZEMBRA_RENDER_DOCS set
// to a folder the pictures are written there (docs/forms).
TEST_F(EmpresaTest, RendersBothPages) {
    auto conn = Dat->Db->Connection();
    conn->Insert(QStringLiteral("ESCRITOS"), {QStringLiteral("ESCRITO"), QStringLiteral("CONCEPTO"), QStringLiteral("TIPO")},
                 {QVariant(1), QVariant(QStringLiteral("Minuta de honorarios")), QVariant(QStringLiteral("ECONOMICO"))});
    conn->Insert(QStringLiteral("ESCRITOS"), {QStringLiteral("ESCRITO"), QStringLiteral("CONCEPTO"), QStringLiteral("TIPO")},
                 {QVariant(2), QVariant(QStringLiteral("Minuta de consulta")), QVariant(QStringLiteral("ECONOMICO"))});
    conn->Insert(QStringLiteral("ESCRITOS"), {QStringLiteral("ESCRITO"), QStringLiteral("CONCEPTO"), QStringLiteral("TIPO")},
                 {QVariant(3), QVariant(QStringLiteral("Carta con membrete")), QVariant(QStringLiteral("CARTAS"))});
    const std::vector<std::pair<const char*, Variant>> datos{
        {"CIF", Variant(QStringLiteral("B28123456"))},
        {"EMPRESA", Variant(QStringLiteral("Ortega, Lázaro y Asociados, Abogados"))},
        {"DIRECCION", Variant(QStringLiteral("C/ Príncipe de Vergara 112, 3º dcha."))},
        {"POBLACION", Variant(QStringLiteral("Madrid"))}, {"CDPOSTAL", Variant(QStringLiteral("28002"))},
        {"PROVINCIA", Variant(QStringLiteral("Madrid"))}, {"TELEFONO", Variant(QStringLiteral("91 563 20 10"))},
        {"FAX", Variant(QStringLiteral("91 563 20 11"))}, {"BANCO", Variant(QStringLiteral("Banco Ibérico"))},
        {"SUCURSAL", Variant(QStringLiteral("0032 Serrano"))},
        {"CUENTACORRIENTE", Variant(QStringLiteral("0032-0045-12-3456789012"))},
        {"CDROM", Variant(QStringLiteral("/opt/legislacion/consulta"))},
        {"LOGO", Variant(QStringLiteral("/srv/despacho/logotipo.bmp"))},
        {"FILEEXT", Variant(QStringLiteral("docx;odt;pdf"))}, {"IVA", Variant(21)}, {"IRPF", Variant(15)},
        {"EDITOR", Variant(QStringLiteral("Word2000"))}, {"MINUTA", Variant(1)}, {"MINUTACONS", Variant(2)},
        {"CABCAR", Variant(3)}};
    Dat->TSistem->Edit();
    for (const auto& [campo, valor] : datos) Dat->TSistem->FieldByName(QString::fromLatin1(campo))->SetValue(valor);
    Dat->TSistem->Post();
    // Opened as the menu opens it, over the office's models.
    delete Empresa;
    Empresa = new TEmpresa(nullptr);
    Empresa->activaEdicion(true);
    Empresa->Show();
    TFormHarness::ProcessEvents();
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QDir carpeta(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs));
    ASSERT_TRUE(TFormHarness::SaveToPng(Empresa, carpeta.filePath(QStringLiteral("UEmpresa.png"))));
    Configuracion();
    EXPECT_EQ(Empresa->DBMoneda->Text(), QStringLiteral("EURO"));
    EXPECT_EQ(Empresa->DBMinuta->GetDisplayText(), QStringLiteral("Minuta de honorarios"));
    EXPECT_EQ(Empresa->DBMinutaCons->GetDisplayText(), QStringLiteral("Minuta de consulta"));
    EXPECT_EQ(Empresa->DBCabCar->GetDisplayText(), QStringLiteral("Carta con membrete"));
    ASSERT_TRUE(TFormHarness::SaveToPng(Empresa, carpeta.filePath(QStringLiteral("UEmpresa_Configuracion.png"))));
}

}  // namespace
