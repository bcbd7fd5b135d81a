// The record form every maintenance form stands on, over the clients table of a fresh folder.
#include "DatFixture.h"
#include "comun/UFormRegistro.h"
#include "platform/forms/DBCtrls.h"
#include "platform/report/QuickRpt.h"

namespace {

using platform::forms::TFormHarness;

class TFichaPrueba : public TFormRegistro {
public:
    explicit TFichaPrueba(TComponent* owner) : TFormRegistro(owner) {
        Apellidos = new TDBEdit(this);
        Apellidos->SetParent(this);
        Apellidos->SetBounds(10, AreaTop(), 200, 21);
        Apellidos->SetDataSource(Dat->DSClientes);
        Apellidos->SetDataField(QStringLiteral("APELLIDOS"));
        Apellidos->SetTabStop(true);
        Nombre = new TDBEdit(this);
        Nombre->SetParent(this);
        Nombre->SetBounds(10, AreaTop() + 30, 200, 21);
        Nombre->SetDataSource(Dat->DSClientes);
        Nombre->SetDataField(QStringLiteral("NOMBRE"));
        Nombre->SetTabStop(true);
        IniciaDuplicados(QStringLiteral("CLIENTES"), QStringLiteral("CLIENTE"),
                         QStringLiteral("Cliente ya existe. ¿Confirma guardar?"));
    }
    TDataSet* Tabla() const override { return Dat->TClientes; }
    bool NoCierra() const override { return CierraConNo; }
    void TrasGuardar() override { ++Guardados; }
    bool PuedeAsignar() const override { return Asignable; }
    void ImprimeFicha() override {
        // While the card runs the preview hook is this form's and a second click does nothing.
        HookPuesto = QRPrinter->OnPreview.Assigned() && QRPrinter->OnPreview.Data() == this;
        ClickLibre = btImprimir->OnClick().Assigned();
        if (FallaFicha) throw Exception(QStringLiteral("sin impresora"));
    }
    bool HookPuesto = false, ClickLibre = true, FallaFicha = false;

    TDBEdit* Apellidos;
    TDBEdit* Nombre;
    bool CierraConNo = false;
    bool Asignable = true;
    int Guardados = 0;
};

class FormRegistroTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        AddClient(QStringLiteral("GARCIA"), QStringLiteral("ANA"));
        AddClient(QStringLiteral("LOPEZ"), QStringLiteral("LUIS"));
        AddClient(QStringLiteral("PEREZ"), QStringLiteral("EVA"));
        Dat->TClientes->First();
        form = new TFichaPrueba(nullptr);
        form->activaEdicion(true);
        form->Show();
    }
    void TearDown() override {
        delete form;
        DatTest::TearDown();
    }
    void Escribe(const QString& apellidos, const QString& nombre) {
        Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
        Dat->TClientes->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(nombre);
    }
    int Clientes() {
        auto q = std::make_unique<TQuery>(nullptr);
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(QStringLiteral("SELECT COUNT(*) AS N FROM CLIENTES"));
        q->Open();
        return q->FieldByName(QStringLiteral("N"))->AsInteger();
    }
    TFichaPrueba* form = nullptr;
};

TEST_F(FormRegistroTest, StateLabelAndButtonsFollowTheTable) {
    EXPECT_EQ(form->ModeIndicator->Caption(), QStringLiteral("[Estado :Consulta]"));
    EXPECT_EQ(form->ModeIndicator->Font()->Color(), clBlue);
    EXPECT_FALSE(form->BtOk->Visible());
    EXPECT_FALSE(form->btFirst->Enabled());
    EXPECT_TRUE(form->btNext->Enabled());
    EXPECT_TRUE(form->btAdd->Enabled());

    form->btEdit->Click();
    EXPECT_EQ(form->ModeIndicator->Caption(), QStringLiteral("[Estado :Modificar]"));
    EXPECT_EQ(form->ModeIndicator->Font()->Color(), clRed);
    EXPECT_TRUE(form->BtOk->Visible());
    EXPECT_TRUE(form->BtNo->Visible());
    EXPECT_EQ(form->BtNo->Caption(), QStringLiteral("&No"));
    for (TSpeedItem* i : {form->btAdd, form->btDel, form->btNext, form->btBuscar, form->btImprimir, form->BtSalir})
        EXPECT_FALSE(i->Enabled()) << i->Name().toStdString();

    form->BtNo->Click();
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    EXPECT_FALSE(form->BtOk->Visible());
    form->btAdd->Click();
    EXPECT_EQ(form->ModeIndicator->Caption(), QStringLiteral("[Estado :Nuevo]"));
    form->BtNo->Click();

    form->btLast->Click();
    EXPECT_FALSE(form->btNext->Enabled());
    EXPECT_FALSE(form->btLast->Enabled());
    EXPECT_TRUE(form->btPrev->Enabled());
}

TEST_F(FormRegistroTest, UnboundFormIsAViewWithoutRecordCommands) {
    form->activaEdicion(false);
    for (TSpeedItem* i : {form->btFirst, form->btNext, form->btAdd, form->btDel, form->btEdit, form->btRefresh,
                          form->btAsigna})
        EXPECT_FALSE(i->Visible()) << i->Name().toStdString();
    EXPECT_TRUE(form->btBuscar->Visible());
    EXPECT_EQ(form->Apellidos->Text(), QStringLiteral("GARCIA"));
    TFormHarness::PressKey(form->Apellidos, VK_RETURN, ssCtrl);
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    form->activaEdicion(true);
    EXPECT_TRUE(form->btAsigna->Visible());
    form->Asignable = false;
    form->btNext->Click();
    EXPECT_FALSE(form->btAsigna->Enabled());
}

TEST_F(FormRegistroTest, EscapeClosesAViewButNotAnEditableForm) {
    TFormHarness::PressKey(form->Apellidos, VK_ESCAPE);
    EXPECT_TRUE(form->Visible());
    auto* vista = new TFichaPrueba(nullptr);
    vista->activaEdicion(false);
    TModalResult alPulsar = mrNone;
    harness->AnswerModal([&](TCustomForm& f) {
        TFormHarness::PressKey(vista->Apellidos, VK_ESCAPE);
        alPulsar = f.ModalResult();
    });
    vista->ShowModal();
    delete vista;  // before its deferred release runs
    EXPECT_EQ(alPulsar, mrCancel);
}

TEST_F(FormRegistroTest, DuplicateNameAsksAndDecliningKeepsTheInsert) {
    form->btAdd->Click();
    Escribe(QStringLiteral("LOPEZ"), QStringLiteral("LUIS"));
    harness->AnswerMessage(mrNo);
    form->BtOk->Click();
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("Cliente ya existe. ¿Confirma guardar?"));
    EXPECT_EQ(Dat->TClientes->State(), dsInsert);
    EXPECT_EQ(form->Guardados, 0);
    EXPECT_EQ(Clientes(), 3);

    harness->AnswerMessage(mrYes);
    form->BtOk->Click();
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    EXPECT_EQ(form->Guardados, 1);
    EXPECT_EQ(Clientes(), 4);
}

TEST_F(FormRegistroTest, DuplicateCheckIsExactAndSkipsTheSameRecordInEdit) {
    const size_t antes = harness->Messages().size();
    // Same record, name unchanged: no question.
    form->btEdit->Click();
    form->BtOk->Click();
    // Differs only in letter case: not a duplicate.
    form->btAdd->Click();
    Escribe(QStringLiteral("Lopez"), QStringLiteral("Luis"));
    form->BtOk->Click();
    EXPECT_EQ(harness->Messages().size(), antes);
    EXPECT_EQ(Clientes(), 4);
    // Another record renamed to an existing name asks.
    Dat->TClientes->Locate(QStringLiteral("APELLIDOS"), Variant(QStringLiteral("PEREZ")), 0);
    form->btEdit->Click();
    Escribe(QStringLiteral("GARCIA"), QStringLiteral("ANA"));
    harness->AnswerMessage(mrNo);
    form->BtOk->Click();
    EXPECT_EQ(harness->Messages().size(), antes + 1);
    EXPECT_EQ(Dat->TClientes->State(), dsEdit);
}

TEST_F(FormRegistroTest, KeysWorkOnlyInBrowse) {
    TFormHarness::PressKey(form->Apellidos, VK_NEXT);
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("LOPEZ"));
    TFormHarness::PressKey(form->Apellidos, VK_PRIOR, ssShift);
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("GARCIA"));
    TFormHarness::PressKey(form->Apellidos, VK_RETURN, ssCtrl);
    EXPECT_EQ(Dat->TClientes->State(), dsEdit);
    TFormHarness::PressKey(form->Apellidos, VK_NEXT);
    EXPECT_EQ(Dat->TClientes->State(), dsEdit);
    form->BtNo->Click();
    TFormHarness::PressKey(form->Apellidos, VK_INSERT, ssCtrl);
    EXPECT_EQ(Dat->TClientes->State(), dsInsert);
    form->BtNo->Click();
    harness->AnswerMessage(mrNo);
    TFormHarness::PressKey(form->Apellidos, VK_DELETE, ssCtrl);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("¿Borrar CLIENTE?"));
    EXPECT_EQ(Clientes(), 3);
    // Enter moves to the next box.
    TFormHarness::Focus(form->Apellidos);
    TFormHarness::PressKey(form->Apellidos, VK_RETURN);
    EXPECT_EQ(TFormHarness::Focused(), form->Nombre);
}

TEST_F(FormRegistroTest, NoClosesOnlyWhereTheFormSaysAndClosingDropsTheChange) {
    form->btEdit->Click();
    form->BtNo->Click();
    EXPECT_EQ(form->ModalResult(), mrNone);
    form->CierraConNo = true;
    form->btEdit->Click();
    form->BtNo->Click();
    EXPECT_EQ(form->ModalResult(), mrNo);

    form->btEdit->Click();
    Escribe(QStringLiteral("CAMBIADO"), QString());
    TCloseAction action = caHide;
    form->FormClose(form, action);
    EXPECT_EQ(action, caFree);
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    Dat->TClientes->Refresh();
    EXPECT_FALSE(Dat->TClientes->Locate(QStringLiteral("APELLIDOS"), Variant(QStringLiteral("CAMBIADO")), 0));
}

TEST_F(FormRegistroTest, PrintInstallsThePreviewHookOnlyWhileTheCardRuns) {
    form->btImprimir->Click();
    EXPECT_TRUE(form->HookPuesto);
    EXPECT_FALSE(form->ClickLibre);
    EXPECT_FALSE(QRPrinter->OnPreview.Assigned());
    EXPECT_TRUE(form->btImprimir->OnClick().Assigned());
    // A failing card leaves the hook cleared and the item working.
    form->FallaFicha = true;
    EXPECT_THROW(form->btImprimirClick(form), Exception);
    EXPECT_FALSE(QRPrinter->OnPreview.Assigned());
    EXPECT_TRUE(form->btImprimir->OnClick().Assigned());
}

}  // namespace
