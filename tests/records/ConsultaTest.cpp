// The consultation form over a real data folder: closing and reopening with their agenda rows,
// saving, the search, the currency hint, the client and the card.
#include "CasoFixture.h"
#include "comun/Abusca2.h"
#include "comun/Calendario.h"
#include "comun/Ganchos.h"
#include "records/Pinturas.h"
#include "records/UConsulta.h"
#include "records/rptFicCons.h"

namespace {

using platform::forms::TFormHarness;

class ConsultaTest : public casotest::CasoTest {
protected:
    void SetUp() override {
        CasoTest::SetUp();
        ana = AddClient(QStringLiteral("GARCIA PEREZ"), QStringLiteral("ANA"));
        otro = AddLawyer(QStringLiteral("VIDAL"), QStringLiteral("MARTA"));
        Nueva(QStringLiteral("00004-A"), Abogado, QStringLiteral("GARCIA PEREZ,ANA"), ana);
        Nueva(QStringLiteral("00005-A"), Abogado, QString(), 0);
        Nueva(QStringLiteral("00006-A"), otro, QStringLiteral("LOPEZ,LUIS"), 0);
        Ir(QStringLiteral("00004-A"));
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0);
    }
    void TearDown() override {
        delete form;
        CasoTest::TearDown();
    }
    void Nueva(const QString& numero, int abogado, const QString& cliente, int codigo) {
        TTable* c = Dat->TConsultas;
        c->Append();
        c->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2001"));
        c->FieldByName(QStringLiteral("NUMERO"))->SetAsString(numero);
        c->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(abogado);
        c->FieldByName(QStringLiteral("ABOENT"))->SetAsInteger(0);
        if (!cliente.isEmpty()) c->FieldByName(QStringLiteral("NOMCLIENTE"))->SetAsString(cliente);
        c->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(codigo);
        c->FieldByName(QStringLiteral("TIPO"))->SetAsString(QStringLiteral("HERENCIAS"));
        c->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(1);
        c->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("E"));
        c->FieldByName(QStringLiteral("FECHAENTRADA"))->SetAsDateTime(EncodeDate(2001, 3, 14));
        c->FieldByName(QStringLiteral("HORAS"))->SetAsFloat(1.5);
        c->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(90.15);
        c->Post();
    }
    void Ir(const QString& numero) {
        ASSERT_TRUE(Dat->TConsultas->Locate(QStringLiteral("ANO;NUMERO"),
                                            VarArrayOf({Variant(QStringLiteral("2001")), Variant(numero)}), 0));
    }
    void Abre() {
        form = new TConsulta(nullptr);
        form->activaEdicion(true);
        form->Show();
        form->FormShow(form);
    }
    int Campo(const char* campo) { return Dat->TConsultas->FieldByName(QString::fromLatin1(campo))->AsInteger(); }
    TConsulta* form = nullptr;
    int ana = 0, otro = 0;
};

// Every close and reopen writes its agenda row numbered from the agenda counter and stamped with
// the user: the second and third rows no longer clash on the agenda's key.
TEST_F(ConsultaTest, CloseAndReopenWriteNumberedAgendaRowsEveryTime) {
    Abre();
    EXPECT_EQ(LetraRegistro, QStringLiteral("C"));
    const int contador = Sistem("AGENDA");
    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("  Consulta NO FACTURADA\r¿Desea cerrar ésta Consulta?"));
    EXPECT_EQ(Campo("SITUACION"), 3);
    EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("FECHACOBRO"))->AsDateTime(), Date());
    EXPECT_EQ(form->Situacion->Text(), QStringLiteral("Cerrado"));

    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("   Consulta YA CERRADO\r¿Desea abrir ésta Consulta?"));
    EXPECT_EQ(Campo("SITUACION"), 1);
    EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("IMPORTE"))->AsFloat(), 0);
    EXPECT_TRUE(Dat->TConsultas->FieldByName(QStringLiteral("FECHACOBRO"))->IsNull());

    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(Campo("SITUACION"), 3);
    EXPECT_FALSE(Texts().contains(QStringLiteral("ERROR al cerrar")));
    EXPECT_EQ(Agenda(QStringLiteral("2001"), QStringLiteral("00004-A")),
              (QStringList{QStringLiteral("CIERRE DE CONSULTA"), QStringLiteral("REAPERTURA DE CONSULTA"), QStringLiteral("CIERRE DE CONSULTA")}));
    EXPECT_EQ(Sistem("AGENDA"), contador + 3);
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(DISTINCT ORDEN) FROM AGENDA WHERE NUMERO = '00004-A'")).AsInteger(), 3);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE NUMERO = '00004-A' AND USUARIO = 'ANA' AND TIPO = 'C'")), 3);
    // The next agenda row written through the data module follows on from them.
    Note(QStringLiteral("2001"), QStringLiteral("00012-A"), QStringLiteral("OTRA"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT ORDEN FROM AGENDA WHERE SITUACION = 'OTRA'")).AsInteger(), contador + 4);
}

// An invoiced consultation reopened: the question and the agenda row name the invoice that leaves
// the lists, in the consultation's currency; reopened again without an invoice, neither does.
TEST_F(ConsultaTest, ReopeningAnInvoicedConsultationNamesTheInvoiceItWithdraws) {
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(3);
    Dat->TConsultas->FieldByName(QStringLiteral("FACTURA"))->SetAsInteger(101);
    Dat->TConsultas->FieldByName(QStringLiteral("FECHAFACTURA"))->SetAsDateTime(EncodeDate(2001, 11, 9));
    Dat->TConsultas->FieldByName(QStringLiteral("TOTAL"))->SetAsFloat(150000);
    Dat->TConsultas->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("P"));
    Dat->TConsultas->Post();
    Abre();
    const QString factura = QString::fromUtf8("Factura Nº 101 de 09/11/2001, total 150.000 Pts.");

    // No: nothing changes, the invoice stays.
    harness->AnswerMessage(mrNo);
    form->btCerrar->Click();
    EXPECT_EQ(harness->LastMessage().Text,
              factura + QString::fromUtf8(": dejará de figurar en las listas de facturas.\r   Consulta YA CERRADO\r¿Desea abrir ésta Consulta?"));
    EXPECT_EQ(Campo("FACTURA"), 101);

    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(Campo("SITUACION"), 1);
    EXPECT_EQ(Campo("FACTURA"), 0);
    EXPECT_EQ(Agenda(QStringLiteral("2001"), QStringLiteral("00004-A")),
              QStringList{QStringLiteral("REAPERTURA DE CONSULTA - ") + factura});

    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("   Consulta YA CERRADO\r¿Desea abrir ésta Consulta?"));
    EXPECT_EQ(Agenda(QStringLiteral("2001"), QStringLiteral("00004-A")).last(), QStringLiteral("REAPERTURA DE CONSULTA"));
}

TEST_F(ConsultaTest, ACloseThatCannotStartItsTransactionSaysSo) {
    Abre();
    // One already running on the connection refuses it, as the write lock held elsewhere does.
    Dat->Db->StartTransaction();
    harness->AnswerMessage(mrYes);
    EXPECT_NO_THROW(form->btCerrar->Click());
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("ERROR al cerrar"));
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(Campo("SITUACION"), 1);
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(*) FROM AGENDA WHERE SITUACION = 'CIERRE DE CONSULTA'")).AsInteger(), 0);
}

TEST_F(ConsultaTest, AConsultationBeingEditedElsewhereIsNotReopenedUnderIt) {
    Abre();
    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    ASSERT_EQ(Campo("SITUACION"), 3);
    // Another cursor editing the row stands for another workstation holding it.
    TTable otro(nullptr);
    otro.SetDatabaseName(Dat->Db->DatabaseName());
    otro.SetTableName(QStringLiteral("CONSULTAS"));
    otro.Open();
    ASSERT_TRUE(otro.Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(QStringLiteral("2001")), Variant(QStringLiteral("00004-A"))}), 0));
    otro.Edit();
    otro.FieldByName(QStringLiteral("HORAS"))->SetAsFloat(4);
    harness->ClearRecords();
    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(Texts().mid(1), (QStringList{QStringLiteral("REGISTRO EN USO"), QStringLiteral("ERROR al cerrar")}));
    EXPECT_EQ(Campo("SITUACION"), 3);
    EXPECT_EQ(Valor(QStringLiteral("SELECT COUNT(*) FROM AGENDA WHERE SITUACION = 'REAPERTURA DE CONSULTA'")).AsInteger(), 0);
    otro.Post();
    EXPECT_EQ(Valor(QStringLiteral("SELECT HORAS FROM CONSULTAS WHERE NUMERO = '00004-A'")).AsFloat(), 4);
}

TEST_F(ConsultaTest, AnsweringNoLeavesTheConsultationAsItWas) {
    Abre();
    harness->AnswerMessage(mrNo);
    form->btCerrar->Click();
    EXPECT_EQ(Campo("SITUACION"), 1);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
}

TEST_F(ConsultaTest, SavingWithoutClientIsRefusedAndTheEditStays) {
    Ir(QStringLiteral("00005-A"));
    Abre();
    form->btEdit->Click();
    EXPECT_TRUE(form->BtBuscar1->Visible());
    EXPECT_FALSE(form->btEscrito->Visible());
    Dat->TConsultas->FieldByName(QStringLiteral("HORAS"))->SetAsFloat(2);
    TFormHarness::Click(form->BtOk);
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("CLIENTE no puede quedar vacío"));
    EXPECT_EQ(Dat->TConsultas->State(), dsEdit);
    Dat->TConsultas->FieldByName(QStringLiteral("NOMCLIENTE"))->SetAsString(QStringLiteral("SANZ,EVA"));
    // A fee no invoice could be worked out from is refused before it is stored.
    Dat->TConsultas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(1e20);
    TFormHarness::Click(form->BtOk);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("IMPORTE demasiado grande"));
    EXPECT_EQ(Dat->TConsultas->State(), dsEdit);
    Dat->TConsultas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(999999999999.99);
    TFormHarness::Click(form->BtOk);
    EXPECT_EQ(Dat->TConsultas->State(), dsBrowse);
    EXPECT_EQ(Valor(QStringLiteral("SELECT HORAS FROM CONSULTAS WHERE NUMERO = '00005-A'")).AsFloat(), 2);
    EXPECT_EQ(Valor(QStringLiteral("SELECT IMPORTE FROM CONSULTAS WHERE NUMERO = '00005-A'")).AsFloat(), 999999999999.99);
}

// A fee typed with its cents is stored as typed, not as the digits run together; in pesetas the
// comma is still refused.
TEST_F(ConsultaTest, AFeeTypedWithCentsKeepsThem) {
    auto teclea = [&](const QString& texto) {
        form->btEdit->Click();
        TFormHarness::Focus(form->DBImporte);
        TFormHarness::PressKey(form->DBImporte, 'A', ssCtrl);
        TFormHarness::Type(form->DBImporte, texto);
        TFormHarness::Focus(form->DBHoras);
        TFormHarness::Click(form->BtOk);
        return Valor(QStringLiteral("SELECT IMPORTE FROM CONSULTAS WHERE NUMERO = '00004-A'")).AsFloat();
    };
    Abre();
    EXPECT_DOUBLE_EQ(teclea(QStringLiteral("150,75")), 150.75);
    EXPECT_DOUBLE_EQ(teclea(QStringLiteral("12,3,4")), 12.34);
    delete form;
    form = nullptr;
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("P"));
    Dat->TConsultas->Post();
    Abre();
    EXPECT_DOUBLE_EQ(teclea(QStringLiteral("2500,5")), 25005);
}

// While editing, Enter in a field moves on to the next one and keeps the edit open; Enter on OK
// saves.
TEST_F(ConsultaTest, EnterWhileEditingMovesOnAndOnOkSaves) {
    Abre();
    form->btEdit->Click();
    TFormHarness::Focus(form->DBHoras);
    TFormHarness::PressKey(form->DBHoras, 'A', ssCtrl);
    TFormHarness::Type(form->DBHoras, QStringLiteral("3"));
    TFormHarness::PressKey(form->DBHoras, VK_RETURN);
    EXPECT_EQ(Dat->TConsultas->State(), dsEdit);
    EXPECT_NE(TFormHarness::Focused(), form->DBHoras);
    TFormHarness::Focus(form->BtOk);
    TFormHarness::PressKey(form->BtOk, VK_RETURN);
    EXPECT_EQ(Dat->TConsultas->State(), dsBrowse);
    EXPECT_EQ(Valor(QStringLiteral("SELECT HORAS FROM CONSULTAS WHERE NUMERO = '00004-A'")).AsFloat(), 3);
}

TEST_F(ConsultaTest, TheCalendarButtonsOpenOnTheFieldsDateAndWriteTheDayClicked) {
    Abre();
    form->btEdit->Click();
    Dat->TConsultas->FieldByName(QStringLiteral("FECHAFACTURA"))->SetAsDateTime(EncodeDate(2001, 4, 10));
    TDateTime abierta;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& a = static_cast<TAlmanaque&>(f);
        abierta = EncodeDate(a.Calendar->Year(), a.Calendar->Month(), a.Calendar->Day());
        a.Calendar->SetDate(EncodeDate(2001, 4, 23));  // a day clicked
        TFormHarness::PressKey(a.Calendar, VK_RETURN);
    });
    TFormHarness::Click(form->btPres);
    EXPECT_EQ(double(abierta), double(EncodeDate(2001, 4, 10)));
    EXPECT_EQ(double(Dat->TConsultas->FieldByName(QStringLiteral("FECHAFACTURA"))->AsDateTime()), double(EncodeDate(2001, 4, 23)));
    // Refused: the date stays.
    harness->AnswerModal([&](TCustomForm& f) { TFormHarness::PressKey(static_cast<TAlmanaque&>(f).Calendar, VK_ESCAPE); });
    TFormHarness::Click(form->btDev);
    EXPECT_TRUE(Dat->TConsultas->FieldByName(QStringLiteral("FECHACOBRO"))->IsNull());
    Dat->TConsultas->Cancel();
}

TEST_F(ConsultaTest, SearchListsOnlyTheLawyersConsultationsWithAClient) {
    Abre();
    QStringList filas;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar2&>(f);
        for (b.QBusca->First(); !b.QBusca->Eof(); b.QBusca->Next()) filas << b.QBusca->FieldByName(QStringLiteral("NOMBRE"))->AsString();
        b.QBusca->First();
        b.SetModalResult(mrOk);
    });
    Ir(QStringLiteral("00005-A"));
    form->btBuscar->Click();
    EXPECT_EQ(filas, QStringList{QStringLiteral("2001-00004-A HERENCIAS")});
    EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("00004-A"));
    EXPECT_EQ(form->Consulta->Caption(), QStringLiteral("2001 / 00004-A"));
}

TEST_F(ConsultaTest, FeeHintShowsTheOtherCurrency) {
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("MONEDA"))->SetAsString(QStringLiteral("P"));
    Dat->TConsultas->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(10000);
    Dat->TConsultas->Post();
    Abre();
    EXPECT_EQ(form->DBImporte->Hint().trimmed(), QStringLiteral("60,10"));
    EXPECT_TRUE(form->Image4->Visible());
    EXPECT_TRUE(form->Image4->Enabled());
    EXPECT_FALSE(form->Image5->Visible());
    EXPECT_EQ(form->DBImporte->Text(), QStringLiteral("10.000"));
}

TEST_F(ConsultaTest, CurrencyIconTurnsTheFeeIntoPesetasOnlyWhileTheConsultationIsOpen) {
    Abre();
    EXPECT_EQ(form->Image5->Hint(), QStringLiteral("Clic: cambiar a PESETAS"));
    EXPECT_EQ(form->Image4->Hint(), QStringLiteral("Clic: cambiar a EUROS"));
    EXPECT_EQ(form->DBImporte->Hint().trimmed(), QStringLiteral("15.000 Pts."));
    harness->AnswerMessage(mrYes);
    TFormHarness::Click(form->Image5);
    EXPECT_EQ(Valor(QStringLiteral("SELECT MONEDA FROM CONSULTAS WHERE NUMERO = '00004-A'")).AsString(), QStringLiteral("P"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT IMPORTE FROM CONSULTAS WHERE NUMERO = '00004-A'")).AsFloat(), 15000.0);
    EXPECT_TRUE(form->Image4->Visible());
    EXPECT_FALSE(form->Image5->Visible());
    EXPECT_EQ(form->DBImporte->Hint().trimmed(), QStringLiteral("90,15"));

    // Invoiced: the icon shows the currency but changes nothing, even when its handler is called.
    delete form;
    form = nullptr;
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(2);
    Dat->TConsultas->Post();
    Abre();
    EXPECT_TRUE(form->Image4->Visible());
    EXPECT_FALSE(form->Image4->Enabled());
    form->Image4Click(form);
    EXPECT_EQ(Valor(QStringLiteral("SELECT MONEDA FROM CONSULTAS WHERE NUMERO = '00004-A'")).AsString(), QStringLiteral("P"));
}

TEST_F(ConsultaTest, ClientRenamedOnItsFormIsRenamedOnTheConsultation) {
    Abre();
    EXPECT_TRUE(form->btCliente->Enabled());
    harness->AnswerModal([&](TCustomForm&) {
        Dat->TClientes->Edit();
        Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("GARCIA LOPEZ"));
        Dat->TClientes->Post();
    });
    form->btCliente->Click();
    EXPECT_EQ(Valor(QStringLiteral("SELECT NOMCLIENTE FROM CONSULTAS WHERE NUMERO = '00004-A'")).AsString(),
              QStringLiteral("GARCIA LOPEZ,ANA"));
}

TEST_F(ConsultaTest, CardReadsTheConsultationShown) {
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(2);
    Dat->TConsultas->FieldByName(QStringLiteral("FACTURA"))->SetAsInteger(12);
    Dat->TConsultas->FieldByName(QStringLiteral("OBSERVACIONES"))
        ->SetAsString(QString::fromUtf8("Aceptación de herencia a beneficio de inventario; plazos y cargas."));
    Dat->TConsultas->Post();
    auto* ficha = new TUFicCon(nullptr);
    ficha->Prepare();
    EXPECT_EQ(ficha->QRConsulta->Caption(), QStringLiteral("2001 / 00004-A"));
    EXPECT_EQ(ficha->QRSituacion->Caption(), QString::fromUtf8("Facturado Nº 12"));
    EXPECT_EQ(ficha->QFicha->FieldByName(QStringLiteral("NOMABOCLI"))->AsString(), QStringLiteral("RUIZ,PEDRO"));
    DibujaInforme(QStringLiteral("rptFicCons"));
    delete ficha;
}

TEST_F(ConsultaTest, RendersTheConsultation) {
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("OBSERVACIONES"))
        ->SetAsString(QString::fromUtf8("Consulta sobre la aceptación de la herencia de su padre a beneficio de inventario."));
    Dat->TConsultas->FieldByName(QStringLiteral("ABOENT"))->SetAsInteger(otro);
    Dat->TConsultas->Post();
    Abre();
    EXPECT_EQ(form->Situacion->Text(), QStringLiteral("Abierto"));
    EXPECT_EQ(form->DBNomAboCli->Caption(), QStringLiteral("PEDRO RUIZ"));
    ASSERT_TRUE(TFormHarness::SaveToPng(form, Render(QStringLiteral("UConsulta.png"))));
}

// A lawyer added while the program runs (a new office's first one) is named on the consultation
// as soon as it opens, not only after a refresh.
TEST_F(ConsultaTest, ALawyerAddedDuringTheSessionIsNamedWhenTheConsultationOpens) {
    const int nueva = AddLawyer(QStringLiteral("SANZ"), QStringLiteral("ELENA"));
    Dat->TConsultas->Edit();
    Dat->TConsultas->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(nueva);
    Dat->TConsultas->FieldByName(QStringLiteral("ABOENT"))->SetAsInteger(nueva);
    Dat->TConsultas->Post();
    // Shown once, as the main form shows it.
    form = new TConsulta(nullptr);
    form->activaEdicion(true);
    form->Show();
    EXPECT_EQ(form->DBNomAboCli->Caption(), QStringLiteral("ELENA SANZ"));
    EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("NOMABOENT"))->AsString(), QStringLiteral("ELENA SANZ"));
}

}  // namespace

TEST_F(ConsultaTest, DocumentsButtonOpensTheModelsListForTheConsultation) {
    QList<int> modos;
    comun::ListaDeEscritos = [&](int modo) { modos << modo; };
    Abre();
    EXPECT_TRUE(form->btEscrito->Enabled());
    form->BtEscritoClick(nullptr);
    EXPECT_EQ(modos, QList<int>{2});
    delete form;
    form = nullptr;
    Usuario(QStringLiteral("ANA"), -1, false);
    Abre();
    EXPECT_FALSE(form->btEscrito->Enabled());
    comun::ListaDeEscritos = nullptr;
}

namespace {

// The search lists the consultations of the lawyer shown only when the user may reach them.
TEST_F(ConsultaTest, SearchOffersNothingOfALawyerTheUserMayNotReach) {
    Usuario(QStringLiteral("ANA"), otro);
    Abre();
    QStringList filas;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar2&>(f);
        for (b.QBusca->First(); !b.QBusca->Eof(); b.QBusca->Next()) filas << b.QBusca->FieldByName(QStringLiteral("NOMBRE"))->AsString();
        b.SetModalResult(mrNo);
    });
    form->btBuscar->Click();
    EXPECT_TRUE(filas.isEmpty()) << filas.join(QLatin1Char('|')).toStdString();

    Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(otro), 0);
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar2&>(f);
        for (b.QBusca->First(); !b.QBusca->Eof(); b.QBusca->Next()) filas << b.QBusca->FieldByName(QStringLiteral("NOMBRE"))->AsString();
        b.SetModalResult(mrNo);
    });
    form->btBuscar->Click();
    EXPECT_EQ(filas, QStringList{QStringLiteral("2001-00006-A HERENCIAS")});
}

// The consultation shown, deleted by another workstation: a refresh left the form on its neighbour
// (here another lawyer's), under the user's hands. It now says so and closes.
TEST_F(ConsultaTest, AConsultationDeletedElsewhereClosesTheFormInsteadOfShowingAnother) {
    Ir(QStringLiteral("00005-A"));
    Abre();
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("DELETE FROM CONSULTAS WHERE NUMERO = '00005-A'"));
    q.ExecSQL();
    form->btRefresh->Click();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Consulta NO EXISTE")});
    EXPECT_EQ(form->ModalResult(), mrCancel);
    EXPECT_EQ(form->Consulta->Caption(), QStringLiteral("2001 / 00005-A"));
}

// Page Down walked the form, which has no record buttons, on to the next consultation (another
// lawyer's, one the user may not reach); Ctrl+Insert started one past the numbering.
TEST_F(ConsultaTest, KeysNeitherWalkToAnotherConsultationNorStartABlankOne) {
    Ir(QStringLiteral("00005-A"));
    Abre();
    for (int i = 0; i < 2; ++i) TFormHarness::PressKey(form->DBTipo, VK_NEXT);
    TFormHarness::PressKey(form->DBTipo, VK_INSERT, ssCtrl);
    EXPECT_EQ(Dat->TConsultas->State(), dsBrowse);
    EXPECT_EQ(Dat->TConsultas->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("00005-A"));
}

}  // namespace
