// The case-file form over a real data folder: its sub-lists follow the case file it shows, its
// clients, the states open / invoiced / closed / reopened, the chain, the search and the link.
#include "CasoFixture.h"
#include "comun/Abusca.h"
#include "comun/Abusca2.h"
#include "comun/Ganchos.h"
#include "records/Pinturas.h"
#include "records/RPTFicEx.h"
#include "records/UAboCli.h"
#include "records/UAbogado.h"
#include "records/UAsunto.h"
#include "records/UCliente.h"
#include "records/UEconomico.h"
#include "records/UExpediente.h"
#include "records/UNuevo.h"
#include "tests/support/DosPantallas.h"

#include <QFileInfo>
#include <QRect>
#include <QWidget>
#include <memory>

namespace {

using platform::forms::TFormHarness;

class ExpedienteTest : public casotest::CasoTest {
protected:
    void SetUp() override {
        CasoTest::SetUp();
        ana = AddClient(QStringLiteral("GARCIA PEREZ"), QStringLiteral("ANA"));
        luis = AddClient(QStringLiteral("LOPEZ MARTIN"), QStringLiteral("LUIS"));
        eva = AddClient(QStringLiteral("SANZ"), QStringLiteral("EVA"));
        AddCase(QStringLiteral("2001"), QStringLiteral("00012-A"), ana);
        AddCase(QStringLiteral("2001"), QStringLiteral("00013-A"), eva);
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
        Dat->TExped->Edit();
        auto texto = [](const char* campo, const char* valor) {
            Dat->TExped->FieldByName(QString::fromLatin1(campo))->SetAsString(QString::fromUtf8(valor));
        };
        texto("TRIBUNAL", "JUZGADO 1ª INSTANCIA Nº 3");
        texto("POBLACION", "GETAFE");
        texto("PROCEDIMIENTO", "JUICIO VERBAL");
        texto("AUTOS", "245/2001");
        texto("JURISDICCION", "CIVIL");
        texto("ACTOR", "ACTOR");
        texto("MONEDA", "E");
        texto("REFCLI", "GAR-01");
        Dat->TExped->FieldByName(QStringLiteral("SITUACION"))->SetAsInteger(1);
        Dat->TExped->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
        Dat->TExped->FieldByName(QStringLiteral("FECHAAPERTURA"))->SetAsDateTime(EncodeDate(2001, 2, 5));
        Dat->TExped->FieldByName(QStringLiteral("PRINCIPAL"))->SetAsFloat(6010.12);
        Dat->TExped->FieldByName(QStringLiteral("IMPORTE"))->SetAsFloat(601.01);
        Dat->TExped->FieldByName(QStringLiteral("INTERESES"))->SetAsFloat(120.2);
        Dat->TExped->Post();
        Link("EXPCLI", QStringLiteral("2001"), QStringLiteral("00012-A"), "CLIENTE", ana);
        Link("EXPCLI", QStringLiteral("2001"), QStringLiteral("00012-A"), "CLIENTE", luis);
        Link("EXPCLI", QStringLiteral("2001"), QStringLiteral("00013-A"), "CLIENTE", eva);
        Ledger(QStringLiteral("2001"), QStringLiteral("00012-A"), 3, -300, QString::fromUtf8("Provisión de fondos"));
        Ledger(QStringLiteral("2001"), QStringLiteral("00012-A"), 1, 45.5, QStringLiteral("Tasas judiciales"));
        Ledger(QStringLiteral("2001"), QStringLiteral("00012-A"), 2, 450, QStringLiteral("Honorarios demanda"));
        Ledger(QStringLiteral("2001"), QStringLiteral("00013-A"), 2, 99, QStringLiteral("Otro expediente"));
        Note(QStringLiteral("2001"), QStringLiteral("00012-A"), QStringLiteral("APERTURA DE EXPEDIENTE"));
        Note(QStringLiteral("2001"), QStringLiteral("00012-A"), QStringLiteral("PRESENTACIÓN DEMANDA"),
             QStringLiteral("PROCEDIMIENTO"), 2);
        Note(QStringLiteral("2001"), QStringLiteral("00012-A"), QStringLiteral("SEÑALAMIENTO VISTA"), QStringLiteral("PROCEDIMIENTO"), 1);
        Note(QStringLiteral("2001"), QStringLiteral("00013-A"), QStringLiteral("OTRO EXPEDIENTE"));
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0);
    }
    void TearDown() override {
        delete form;
        CasoTest::TearDown();
    }
    void Abre() {
        form = new TExpediente(nullptr);
        form->Show();
        form->FormShow(form);
    }
    static int Filas(TDataSet* t) {
        int n = 0;
        const TBookmark b = t->GetBookmark();
        for (t->First(); !t->Eof(); t->Next()) ++n;
        if (n) t->GotoBookmark(b);
        return n;
    }
    static QStringList Columna(TDataSet* t, const char* campo) {
        QStringList r;
        for (t->First(); !t->Eof(); t->Next()) r << t->FieldByName(QString::fromLatin1(campo))->AsString();
        return r;
    }
    int CasoCampo(const char* campo) { return Dat->TExped->FieldByName(QString::fromLatin1(campo))->AsInteger(); }
    // The search or link dialog, answered with a year and number.
    void Responde(const QString& numero) {
        harness->AnswerModal([numero](TCustomForm& f) {
            auto& d = static_cast<TNuevoExp&>(f);
            d.Expediente->SetText(numero);
            d.BtOkClick(&d);
        });
    }

    TExpediente* form = nullptr;
    int ana = 0, luis = 0, eva = 0;
};

// The form is larger than the test's screen (800 x 600, a netbook's is no taller): it comes up
// whole on it and Tab takes the user to every box and button, each scrolled into view.
TEST_F(ExpedienteTest, OnAScreenSmallerThanTheFormTabReachesEveryControlInView) {
    Abre();
    const TRect area = Screen->WorkAreaRect();
    ASSERT_GT(form->HorzScrollBar()->Range(), area.Width());
    ASSERT_GT(form->VertScrollBar()->Range(), area.Height());
    const QRect marco = form->Widget()->frameGeometry();
    EXPECT_TRUE(QRect(area.Left, area.Top, area.Width(), area.Height()).contains(marco))
        << marco.x() << "," << marco.y() << " " << marco.width() << "x" << marco.height();
    const auto visto = [&](TWinControl* c) {
        const QPoint at = c->Widget()->mapTo(form->Widget(), QPoint(0, 0));
        return QRect(0, 0, form->ClientWidth(), form->ClientHeight()).contains(QRect(at, c->Widget()->size()));
    };
    ASSERT_TRUE(TFormHarness::SaveToPng(form, Render(QStringLiteral("UExpediente_800x600.png"))));
    bool procesales = false, economico = false;
    TWinControl* primero = form->ActiveControl();
    ASSERT_NE(primero, nullptr);
    for (int i = 0; i < 100; ++i) {
        form->CMDialogKey(VK_TAB, 0);
        TWinControl* c = form->ActiveControl();
        EXPECT_TRUE(visto(c)) << c->Name().toStdString();
        procesales |= c == form->cbSitProc;
        economico |= c == form->btOpenEco;
        if (c == primero) break;
        if (c == form->cbSitProc) {
            ASSERT_TRUE(TFormHarness::SaveToPng(form, Render(QStringLiteral("UExpediente_800x600_abajo.png"))));
        }
    }
    EXPECT_TRUE(procesales);
    EXPECT_TRUE(economico);
}

TEST_F(ExpedienteTest, SubListsShowOnlyTheCaseFileOpen) {
    Abre();
    EXPECT_EQ(Columna(form->QClientes, "NOMCLI"), (QStringList{QStringLiteral("GARCIA PEREZ,ANA"), QStringLiteral("LOPEZ MARTIN,LUIS")}));
    EXPECT_EQ(Filas(Dat->TCuentas), 3);
    EXPECT_EQ(Filas(form->TAgen2), 3);
    EXPECT_EQ(Dat->QSaldoSALDO->AsFloat(), 195.5);
    EXPECT_EQ(form->Expediente->Text(), QStringLiteral("01/00012-A"));
    EXPECT_EQ(form->Situacion->Text(), QStringLiteral("Abierto"));
    EXPECT_EQ(form->LCliente->Caption(), QStringLiteral("[ ACTOR ]"));
    EXPECT_FALSE(form->ExpAnterior->Visible());
    EXPECT_FALSE(form->btAnterior->Visible());
    EXPECT_FALSE(form->btSiguiente->Visible());
    EXPECT_TRUE(form->Image5->Visible());
    EXPECT_FALSE(form->Image4->Visible());
    EXPECT_EQ(LetraRegistro, QStringLiteral("E"));

    form->cbSitProc->SetChecked(true);
    form->cbSitProcClick(form);
    EXPECT_EQ(form->cbSitProc->Caption(), QStringLiteral("Si"));
    EXPECT_EQ(Filas(form->TAgen2), 2);
}

TEST_F(ExpedienteTest, TabWalksEachListWithItsButtonsBeforeTheNextList) {
    Abre();
    // The order Tab follows over these controls, enabled or not.
    const QStringList nuestros{"DBCliente", "DBContra", "btNewCli", "btDelCli", "btDefCli", "btOpenCli", "btNewCon",
                               "btDelCon", "btDefCon", "btOpenCon"};
    std::vector<TWinControl*> todos;
    form->GetTabOrderList(todos);
    QStringList orden;
    for (TWinControl* c : todos)
        if (nuestros.contains(c->Name())) orden << c->Name();
    EXPECT_EQ(orden, (QStringList{"DBCliente", "btNewCli", "btDelCli", "btDefCli", "btOpenCli", "DBContra", "btNewCon",
                                  "btDelCon", "btDefCon", "btOpenCon"}));
}

// Closing the form lifts every range it set: the ledger's as well as the agenda's.
TEST_F(ExpedienteTest, ClosingLiftsTheLedgerAndAgendaRangesAndLetsGoOfTheDocument) {
    int cierres = 0;
    comun::CierraProcesador = [&] { ++cierres; };
    Abre();
    ASSERT_EQ(Filas(Dat->TCuentas), 3);
    form->Close();
    TFormHarness::ProcessEvents();
    form = nullptr;
    comun::CierraProcesador = nullptr;
    EXPECT_EQ(Filas(Dat->TCuentas), 4);
    EXPECT_EQ(Filas(Dat->TAgen2), 4);
    EXPECT_EQ(cierres, 1);
}

// The ledger's table out of reach as the windows close, as with a data folder's share lost and
// back: each window still goes when asked, after the error. On the file only: the table is
// renamed under the cursors.
class ExpedienteSinDatosTest : public ExpedienteTest {
protected:
    void Renombra(const char* de, const char* a) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(QString::fromLatin1(de), QString::fromLatin1(a)));
        q.ExecSQL();
    }
    // Shows the form modally, makes the ledger unreadable and presses its exit button: the modal
    // result the press left, once the close has run. The ledger comes back after the form is gone.
    TModalResult CierraSinLibro(TFormRegistro* f) {
        TModalResult tras = mrNone;
        harness->AnswerModal([&](TCustomForm& m) {
            Renombra("CUENTAS", "CUENTAS_FUERA");
            f->BtSalir->Click();
            TFormHarness::ProcessEvents();
            tras = m.ModalResult();
        });
        f->ShowModal();
        TFormHarness::ProcessEvents();
        Renombra("CUENTAS_FUERA", "CUENTAS");
        return tras;
    }
};

TEST_F(ExpedienteSinDatosTest, TheCaseFileAndTheLedgerViewCloseWhenTheLedgerCannotBeRead) {
    form = new TExpediente(nullptr);
    EXPECT_EQ(CierraSinLibro(form), mrCancel);
    form = nullptr;  // released by its close
    EXPECT_EQ(harness->Exceptions().size(), 1u);
    EXPECT_FALSE(Dat->TCuentas->RangeActive());

    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
    Dat->refresca(Dat->TCuentas);
    auto* libro = new TEconomico(nullptr);
    libro->ActivaNavegacion(false);
    ASSERT_TRUE(Dat->TCuentas->RangeActive());
    EXPECT_EQ(CierraSinLibro(libro), mrCancel);
    EXPECT_EQ(harness->Exceptions().size(), 2u);
    EXPECT_FALSE(Dat->TCuentas->RangeActive());
}

// Walking the chain moves every sub-list: removing a client then removes the new case's link and
// "principal" takes the new case's client.
TEST_F(ExpedienteTest, ChainWalkMovesEverySubList) {
    CaseField("ANOSIGUIENTE", Variant(QStringLiteral("2001")));
    CaseField("NUMSIGUIENTE", Variant(QStringLiteral("00013-A")));
    Abre();
    EXPECT_TRUE(form->btSiguiente->Visible());
    EXPECT_EQ(form->ExpSiguiente->Caption(), QStringLiteral("01/00013-A >>"));
    form->btSiguiente->Click();
    EXPECT_EQ(form->Expediente->Text(), QStringLiteral("01/00013-A"));
    EXPECT_EQ(Columna(form->QClientes, "NOMCLI"), QStringList{QStringLiteral("SANZ,EVA")});
    EXPECT_EQ(Columna(Dat->TCuentas, "CONCEPTO"), QStringList{QStringLiteral("Otro expediente")});
    EXPECT_EQ(Columna(form->TAgen2, "SITUACION"), QStringList{QStringLiteral("OTRO EXPEDIENTE")});

    form->QClientes->First();
    harness->AnswerMessage(mrYes);
    TFormHarness::Click(form->btDelCli);
    EXPECT_EQ(Cuenta(QStringLiteral("EXPCLI WHERE NUMERO = '00012-A'")), 2);
    EXPECT_EQ(Cuenta(QStringLiteral("EXPCLI WHERE NUMERO = '00013-A'")), 0);
    EXPECT_EQ(CasoCampo("CLIENTE"), 0);
    EXPECT_EQ(Valor(QStringLiteral("SELECT CLIENTE FROM EXPED WHERE NUMERO = '00012-A'")).AsInteger(), ana);
}

TEST_F(ExpedienteTest, PrincipalClientChangesAndARefusedRemovalKeepsIt) {
    Abre();
    form->QClientes->Locate(QStringLiteral("CLIENTE"), Variant(luis), 0);
    form->btDefCli->Click();
    EXPECT_EQ(CasoCampo("CLIENTE"), luis);
    EXPECT_EQ(form->QClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), luis);

    // The removal asks first; No leaves both the link and the principal.
    harness->AnswerMessage(mrNo);
    TFormHarness::Click(form->btDelCli);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral(" ¿ Quitar Cliente del Expediente ? "));
    EXPECT_EQ(CasoCampo("CLIENTE"), luis);
    EXPECT_EQ(Cuenta(QStringLiteral("EXPCLI WHERE NUMERO = '00012-A'")), 2);

    form->QClientes->Locate(QStringLiteral("CLIENTE"), Variant(luis), 0);
    harness->AnswerMessage(mrYes);
    TFormHarness::Click(form->btDelCli);
    EXPECT_EQ(CasoCampo("CLIENTE"), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("EXPCLI WHERE NUMERO = '00012-A'")), 1);
}

TEST_F(ExpedienteTest, FirstClientPickedBecomesPrincipalAndThePickListOffersOnlyOthers) {
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00013-A")));
    CaseField("CLIENTE", Variant(0));
    Dat->TExpCli->Locate(QStringLiteral("ANO;NUMERO;CLIENTE"),
                         VarArrayOf({Variant(QStringLiteral("2001")), Variant(QStringLiteral("00013-A")), Variant(eva)}), 0);
    harness->AnswerMessage(mrYes);
    Dat->TExpCli->Delete();
    Abre();
    EXPECT_FALSE(form->btDelCli->Enabled());
    QStringList ofrecidos;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar&>(f);
        ofrecidos = Columna(b.QBusca, "NOMBRE");
        b.QBusca->Locate(QStringLiteral("CODIGO"), Variant(luis), 0);
        b.SetModalResult(mrOk);
    });
    form->btNewCli->Click();
    EXPECT_EQ(ofrecidos.size(), 3);
    EXPECT_EQ(Columna(form->QClientes, "CLIENTE"), QStringList{QString::number(luis)});
    EXPECT_EQ(CasoCampo("CLIENTE"), luis);
    EXPECT_TRUE(form->btDelCli->Enabled());

    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar&>(f);
        ofrecidos = Columna(b.QBusca, "NOMBRE");
        b.SetModalResult(mrNo);
    });
    form->btNewCli->Click();
    EXPECT_FALSE(ofrecidos.contains(QStringLiteral("LOPEZ MARTIN,LUIS")));
    EXPECT_EQ(ofrecidos.size(), 2);
}

TEST_F(ExpedienteTest, ACaseFileDeletedElsewhereGetsNothingNewHungOnIt) {
    Abre();
    // Another workstation deletes the case file shown.
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("DELETE FROM EXPED WHERE ANO = '2001' AND NUMERO = '00012-A'"));
    q.ExecSQL();
    const int clientes = Cuenta(QStringLiteral("EXPCLI")), contrarios = Cuenta(QStringLiteral("EXPCON"));
    bool abierto = false;
    harness->AnswerModal([&](TCustomForm& f) {
        abierto = true;
        f.SetModalResult(mrNo);
    });
    for (TControl* b : std::initializer_list<TControl*>{form->btNewCli, form->btNewCon, form->btOpenEco})
        TFormHarness::Click(b);
    form->btVincularClick(form);
    EXPECT_FALSE(abierto) << "no pick list, ledger nor link dialog opens";
    EXPECT_EQ(Texts(), QStringList(4, QStringLiteral("Expediente NO EXISTE")));
    EXPECT_EQ(Cuenta(QStringLiteral("EXPCLI")), clientes);
    EXPECT_EQ(Cuenta(QStringLiteral("EXPCON")), contrarios);
    // The case file still there works as before.
    harness->ClearRecords();
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00013-A")));
    form->btOpenEco->Click();
    EXPECT_TRUE(abierto);
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
}

// The case file and its matter offer no record buttons: their keys no longer reach them, so Page
// Down cannot move the form to another case file under the label of this one, Ctrl+Insert cannot
// start a blank one past the numbering and Ctrl+Delete cannot delete it past its cascade.
TEST_F(ExpedienteTest, KeysReachOnlyTheButtonsTheCaseFileAndItsMatterOffer) {
    Abre();
    const int casos = Cuenta(QStringLiteral("EXPED"));
    auto pulsa = [](TWinControl* donde) {
        for (auto [tecla, mayus] : {std::pair{VK_NEXT, TShiftState()}, std::pair{VK_PRIOR, TShiftState()},
                                    std::pair{VK_INSERT, TShiftState(ssCtrl)}, std::pair{VK_DELETE, TShiftState(ssCtrl)}})
            TFormHarness::PressKey(donde, tecla, mayus);
    };
    pulsa(form->DBAutos);
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("00012-A"));
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED")), casos);
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
    // Ctrl+Enter edits, as the form's edit button does.
    TFormHarness::PressKey(form->DBAutos, VK_RETURN, ssCtrl);
    EXPECT_EQ(Dat->TExped->State(), dsEdit);
    Dat->TExped->Cancel();

    auto* asunto = new TAsunto(nullptr);
    std::unique_ptr<TAsunto> libera(asunto);
    asunto->activaEdicion(true);
    asunto->Show();
    pulsa(asunto->DBJurisdiccion);
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("00012-A"));
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED")), casos);
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'|').toStdString();
}

// While the case file is edited the ledger and invoicing buttons are disabled with the others that
// act on the stored case file: drawn enabled, a click on them did nothing at all.
TEST_F(ExpedienteTest, LedgerAndInvoiceButtonsAreDisabledWhileTheCaseFileIsEdited) {
    Abre();
    ASSERT_TRUE(form->btOpenEco->Enabled());
    ASSERT_TRUE(form->btFacturar->Enabled());
    Dat->TExped->Edit();
    EXPECT_FALSE(form->btOpenEco->Enabled());
    EXPECT_FALSE(form->btFacturar->Enabled());
    form->Refresca();  // as after the agenda opened from the edited case file
    EXPECT_FALSE(form->btOpenEco->Enabled());
    EXPECT_FALSE(form->btFacturar->Enabled());
    EXPECT_TRUE(form->DBEcon->Visible());
    Dat->TExped->Cancel();
    EXPECT_TRUE(form->btOpenEco->Enabled());
    EXPECT_TRUE(form->btFacturar->Enabled());
}

// The closing's transaction cannot be had (one already running on the connection refuses it, as
// the write lock held by another workstation does): "ERROR al cerrar" and the case file as it was.
TEST_F(ExpedienteTest, ACloseThatCannotStartItsTransactionSaysSo) {
    Abre();
    Dat->Db->StartTransaction();
    harness->AnswerMessage(mrYes);
    EXPECT_NO_THROW(form->btCerrar->Click());
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("ERROR al cerrar"));
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
    EXPECT_EQ(CasoCampo("SITUACION"), 1);
    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(CasoCampo("SITUACION"), 3);
}

TEST_F(ExpedienteTest, CloseAndReopenFollowTheStates) {
    Abre();
    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("  Expediente NO FACTURADO\r¿Desea cerrar éste Expediente?"));
    EXPECT_EQ(CasoCampo("SITUACION"), 3);
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("FECHACIERRE"))->AsDateTime(), Date());
    EXPECT_EQ(form->Situacion->Text(), QStringLiteral("Cerrado"));
    EXPECT_FALSE(form->btFacturar->Enabled());

    // Answering No changes nothing.
    harness->AnswerMessage(mrNo);
    form->btCerrar->Click();
    EXPECT_EQ(CasoCampo("SITUACION"), 3);

    // An invoiced case asks without the warning line; reopening drops the invoice data.
    CaseField("SITUACION", Variant(2));
    CaseField("FACTURA", Variant(5));
    CaseField("TOTAL", Variant(522.0));
    CaseField("FECHAFACTURA", Variant(EncodeDate(2001, 6, 1)));
    form->Refresca();
    EXPECT_EQ(form->Situacion->Text(), QString::fromUtf8("Facturado Nº 5"));
    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("¿Desea cerrar éste Expediente?"));
    // Reopening it withdraws invoice 5: the question names it first, and so does the agenda row.
    const QString factura = QString::fromUtf8("Factura Nº 5 de 01/06/2001, total 522,00 €");
    harness->AnswerMessage(mrYes);
    form->btCerrar->Click();
    EXPECT_EQ(harness->LastMessage().Text,
              factura + QString::fromUtf8(": dejará de figurar en las listas de facturas.\r   Expediente YA CERRADO\r¿Desea abrir éste Expediente?"));
    EXPECT_EQ(CasoCampo("SITUACION"), 1);
    EXPECT_EQ(CasoCampo("FACTURA"), 0);
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("TOTAL"))->AsFloat(), 0);
    EXPECT_TRUE(Dat->TExped->FieldByName(QStringLiteral("FECHAFACTURA"))->IsNull());
    EXPECT_TRUE(Dat->TExped->FieldByName(QStringLiteral("FECHACIERRE"))->IsNull());
    EXPECT_EQ(Contador(2001, "NUMFACTU"), QStringLiteral("7"));
    const QStringList agenda = Agenda(QStringLiteral("2001"), QStringLiteral("00012-A"));
    EXPECT_EQ(agenda.mid(3), (QStringList{QStringLiteral("CIERRE DE EXPEDIENTE"), QStringLiteral("CIERRE DE EXPEDIENTE"),
                                          QStringLiteral("REAPERTURA DE EXPEDIENTE - ") + factura}));
    EXPECT_EQ(Valor(QStringLiteral("SELECT USUARIO FROM AGENDA WHERE SITUACION LIKE 'REAPERTURA DE EXPEDIENTE%'")).AsString(),
              QStringLiteral("ANA"));
    // The agenda grid shows the new rows at once.
    EXPECT_EQ(Filas(form->TAgen2), 6);
}

TEST_F(ExpedienteTest, SearchMovesEverySubListAndRefusesWhatItMayNotShow) {
    Abre();
    Responde(QStringLiteral("00013-A"));
    form->btBuscar->Click();
    EXPECT_EQ(form->Expediente->Text(), QStringLiteral("01/00013-A"));
    EXPECT_EQ(Columna(form->QClientes, "NOMCLI"), QStringList{QStringLiteral("SANZ,EVA")});
    EXPECT_EQ(Filas(Dat->TCuentas), 1);

    // A number that does not exist says so and stays.
    Responde(QStringLiteral("00099-A"));
    form->btBuscar->Click();
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("Expediente NO EXISTE"));
    EXPECT_EQ(form->Expediente->Text(), QStringLiteral("01/00013-A"));
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("00013-A"));

    // A user tied to one lawyer cannot reach another lawyer's case file.
    Usuario(QStringLiteral("ANA"), Abogado);
    Responde(QStringLiteral("00012-A"));
    form->btBuscar->Click();
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("00012-A"));
    Responde(QStringLiteral("00013-A"));
    form->btBuscar->Click();
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("No tiene permisos para acceder a éste Expediente"));
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("00012-A"));
    EXPECT_EQ(Filas(Dat->TCuentas), 3);
}

TEST_F(ExpedienteTest, LinkingMovesToTheNewCaseWithItsCopiedClients) {
    Abre();
    Responde(QStringLiteral("00020-A"));
    form->btVincular->Click();
    EXPECT_EQ(form->Expediente->Text(), QStringLiteral("01/00020-A"));
    EXPECT_EQ(Columna(form->QClientes, "CLIENTE").size(), 2);
    EXPECT_EQ(Filas(Dat->TCuentas), 0);
    EXPECT_EQ(Columna(form->TAgen2, "SITUACION"), QStringList{QStringLiteral("APERTURA DE EXPEDIENTE VINCULADO A 2001/00012-A")});
    EXPECT_TRUE(form->btAnterior->Visible());
    EXPECT_EQ(form->ExpAnterior->Caption(), QStringLiteral("<< 01/00012-A"));
    form->btAnterior->Click();
    EXPECT_EQ(form->Expediente->Text(), QStringLiteral("01/00012-A"));
    EXPECT_EQ(form->ExpSiguiente->Caption(), QStringLiteral("01/00020-A >>"));
    EXPECT_EQ(Filas(Dat->TCuentas), 3);
}

TEST_F(ExpedienteTest, RendersWithClientsLedgerAndAgenda) {
    const int procu = [&] {
        Dat->TProcu->Append();
        Dat->TProcu->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("MORENO"));
        Dat->TProcu->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("JULIA"));
        Dat->TProcu->FieldByName(QStringLiteral("PARTIDO"))->SetAsString(QStringLiteral("GETAFE"));
        Dat->TProcu->Post();
        return Dat->TProcu->FieldByName(QStringLiteral("PROCU"))->AsInteger();
    }();
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
    CaseField("PROCLI", Variant(procu));
    CaseField("ABOENT", Variant(Abogado));
    Dat->TContrarios->Append();
    Dat->TContrarios->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("CONSTRUCCIONES DEL SUR SA"));
    Dat->TContrarios->Post();
    Link("EXPCON", QStringLiteral("2001"), QStringLiteral("00012-A"), "CONTRARIO",
         Dat->TContrarios->FieldByName(QStringLiteral("CONTRARIO"))->AsInteger());
    CaseField("CONTRARIO", Variant(Dat->TContrarios->FieldByName(QStringLiteral("CONTRARIO"))->AsInteger()));
    Abre();
    EXPECT_EQ(form->ZbProCli->DisplayValue(), QStringLiteral("MORENO,JULIA"));
    EXPECT_EQ(form->ZbAboCli->DisplayValue(), QStringLiteral("RUIZ,PEDRO"));
    EXPECT_TRUE(form->DBEcon->Visible());
    EXPECT_EQ(form->DBSaldo->Caption(), QStringLiteral("195,50"));
    EXPECT_EQ(form->DBSaldo->Font()->Color(), clBlue);
    ASSERT_TRUE(TFormHarness::SaveToPng(form, Render(QStringLiteral("UExpediente.png"))));
}

// The agenda's longest entry of its own, the invoicing's, shows whole, invoice number included.
TEST_F(ExpedienteTest, CurrencyIconTurnsTheCaseFileAndItsBalanceIntoPesetas) {
    Abre();
    EXPECT_EQ(form->Image5->Hint(), QStringLiteral("Doble clic: cambiar a PESETAS"));
    EXPECT_TRUE(form->Image5->Enabled());
    EXPECT_FALSE(form->Image4->Visible());
    EXPECT_EQ(form->DBSaldo->Caption(), QStringLiteral("195,50"));
    EXPECT_EQ(form->DBSaldo->Font()->Color(), clBlue);
    EXPECT_EQ(form->DBSaldo->Hint().trimmed(), QStringLiteral("32.528 Pts."));
    harness->AnswerMessage(mrYes);
    TFormHarness::DoubleClick(form->Image5);
    EXPECT_EQ(Valor(QStringLiteral("SELECT MONEDA FROM EXPED WHERE NUMERO = '00012-A'")).AsString(), QStringLiteral("P"));
    EXPECT_TRUE(form->Image4->Visible());
    EXPECT_TRUE(form->Image4->Enabled());
    EXPECT_EQ(form->Image4->Hint(), QStringLiteral("Doble clic: cambiar a EUROS"));
    EXPECT_EQ(form->DBSaldo->Caption(), QStringLiteral("32.529"));
    EXPECT_EQ(form->DBSaldo->Hint().trimmed(), QStringLiteral("195,50"));
}

TEST_F(ExpedienteTest, TheAgendaGridShowsTheWholeInvoicingEntry) {
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
    Abre();
    TDBGrid* g = form->DBAgenda;
    TColumn* situacion = g->Columns()->Items(g->Columns()->Count() - 1);
    ASSERT_EQ(situacion->FieldName(), QStringLiteral("SITUACION"));
    const QFontMetrics fm(g->Font()->ToQFont());
    for (int factura : {7, 12345678}) {
        const QString texto = QStringLiteral("EXPEDIENTE FACTURADO Nº DE FACTURA %1").arg(factura, 8);
        const QString visto = records::TextoQueCabe(texto, fm, situacion->Width() - 4);
        EXPECT_LE(fm.horizontalAdvance(visto), situacion->Width() - 4) << visto.toStdString();
        EXPECT_TRUE(visto.startsWith(QStringLiteral("EXPEDIENTE "))) << visto.toStdString();
        EXPECT_TRUE(visto.endsWith(QString::number(factura))) << visto.toStdString();
    }
    EXPECT_EQ(records::TextoQueCabe(QStringLiteral("APERTURA DE EXPEDIENTE"), fm, situacion->Width() - 4),
              QStringLiteral("APERTURA DE EXPEDIENTE"));
    int columnas = 0;
    for (int i = 0; i < g->Columns()->Count(); ++i) columnas += g->Columns()->Items(i)->Width() + 1;
    EXPECT_LE(columnas, g->ClientWidth()) << "the columns overflow the grid";
}

TEST_F(ExpedienteTest, NoCaptionPaintsOverTheBoxBesideIt) {
    // A label paints its whole rectangle: one reaching into the box beside it hides the box's
    // last characters (the opening date lost its final digit).
    Abre();
    for (int i = 0; i < form->ControlCount(); ++i) {
        auto* rotulo = dynamic_cast<TLabel*>(form->Controls(i));
        if (!rotulo || !rotulo->Visible() || rotulo->Transparent()) continue;
        const TRect a = rotulo->BoundsRect();
        for (int j = 0; j < form->ControlCount(); ++j) {
            TControl* otro = form->Controls(j);
            // Only a label above the box (made after it) hides any of it.
            if (j >= i || !otro->Visible() || dynamic_cast<TLabel*>(otro)) continue;
            const TRect b = otro->BoundsRect();
            const bool cruza = a.Left < b.Right && b.Left < a.Right && a.Top < b.Bottom && b.Top < a.Bottom;
            EXPECT_FALSE(cruza) << rotulo->Caption().toStdString() << " (" << a.Left << "-" << a.Right << ") over "
                                << otro->Name().toStdString() << " (" << b.Left << "-" << b.Right << ")";
        }
    }
}

TEST_F(ExpedienteTest, CardPrintsTheCaseWithItsPeople) {
    Link("EXPCON", QStringLiteral("2001"), QStringLiteral("00012-A"), "CONTRARIO", 0);
    auto* ficha = new TInfFicEx(nullptr);
    ficha->Prepare();
    EXPECT_EQ(ficha->QRExpediente->Caption(), QStringLiteral("Expediente : 2001/00012-A"));
    EXPECT_EQ(ficha->QRSituacion->Caption(), QStringLiteral("Abierto"));
    EXPECT_EQ(ficha->QRActor->Caption(), QStringLiteral("[ ACTOR ]"));
    EXPECT_EQ(ficha->Linea(QString::fromUtf8("Tribunal :")), QString::fromUtf8("JUZGADO 1ª INSTANCIA Nº 3"));
    EXPECT_EQ(ficha->Linea(QStringLiteral("Total :")), QStringLiteral("6.731,33"));
    EXPECT_EQ(ficha->Linea(QStringLiteral("Cliente :")), QStringLiteral("GARCIA PEREZ, ANA"));
    EXPECT_EQ(ficha->Linea(QStringLiteral("Clientes :")), QStringLiteral("GARCIA PEREZ, ANA; LOPEZ MARTIN, LUIS"));
    EXPECT_EQ(ficha->Linea(QStringLiteral("Abogado :")), QStringLiteral("RUIZ, PEDRO"));
    EXPECT_EQ(ficha->Linea(QStringLiteral("Perito :")), QString());
    DibujaInforme(QStringLiteral("RPTFicEx"));
    delete ficha;

    // The print item runs the card and is free again afterwards.
    Abre();
    form->btImprimir->Click();
    EXPECT_TRUE(static_cast<bool>(form->btImprimir->OnClick()));
    TFormHarness::ProcessEvents();
}

TEST_F(ExpedienteTest, ClientFormOpensFromTheCaseOnItsClientOrForANewOne) {
    ASSERT_TRUE(Dat->TExpCli->Locate(QStringLiteral("ANO;NUMERO;CLIENTE"),
                                     VarArrayOf({Variant(QStringLiteral("2001")), Variant(QStringLiteral("00012-A")), Variant(luis)}), 0));
    Dat->TExpCli->Edit();
    Dat->TExpCli->FieldByName(QStringLiteral("REFERENCIA"))->SetAsString(QStringLiteral("R-LUIS"));
    Dat->TExpCli->Post();
    Abre();
    form->QClientes->Locate(QStringLiteral("CLIENTE"), Variant(luis), 0);
    QString referencia;
    int mostrado = 0;
    harness->AnswerModal([&](TCustomForm& f) {
        referencia = static_cast<TCliente&>(f).Referencia->Text();
        mostrado = Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger();
    });
    form->btOpenCli->Click();
    EXPECT_EQ(mostrado, luis);
    EXPECT_EQ(referencia, QStringLiteral("R-LUIS"));
    EXPECT_EQ(TCliente::Modo(), 2);
    EXPECT_EQ(form->QClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), luis);

    // With every client already on the case, adding one opens the client form in insert.
    Link("EXPCLI", QStringLiteral("2001"), QStringLiteral("00012-A"), "CLIENTE", eva);
    form->QClientes->Refresh();
    TDataSetState estado = dsInactive;
    harness->AnswerModal([&](TCustomForm&) { estado = Dat->TClientes->State(); });
    form->btNewCli->Click();
    EXPECT_EQ(estado, dsInsert);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
}

// The names on the case follow a procurator renamed past every cursor and an expert added while
// the form is open, at the form's next refresh.
TEST_F(ExpedienteTest, TheNamesOnTheCaseFollowPeopleRenamedOrAddedWhileTheFormIsOpen) {
    // A procurator needs a district, an expert a profession.
    auto alta = [](TTable* t, const char* codigo, const char* apellidos, const char* requerido) {
        t->Append();
        t->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QString::fromLatin1(apellidos));
        t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("ANA"));
        t->FieldByName(QString::fromLatin1(requerido))->SetAsString(QStringLiteral("LOGROÑO"));
        t->Post();
        return t->FieldByName(QString::fromLatin1(codigo))->AsInteger();
    };
    const int procu = alta(Dat->TProcu, "PROCU", "GIL", "PARTIDO");
    const int perito = alta(Dat->TPeritos, "PERITO", "MORA", "PROFESION");
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
    CaseField("PROCLI", Variant(procu));
    CaseField("PERITO", Variant(perito));
    Abre();
    EXPECT_EQ(form->ZbProCli->DisplayValue(), QStringLiteral("GIL,ANA"));
    EXPECT_EQ(form->ZbPerito->DisplayValue(), QStringLiteral("MORA,ANA"));
    form->Refresca();
    EXPECT_EQ(form->ZbProCli->DisplayValue(), QStringLiteral("GIL,ANA"));

    TQuery renombra(nullptr);
    renombra.SetDatabaseName(Dat->Db->DatabaseName());
    renombra.SQL()->SetText(QStringLiteral("UPDATE PROCU SET APELLIDOS = 'GIL SANZ' WHERE PROCU = %1").arg(procu));
    renombra.ExecSQL();
    form->Refresca();
    EXPECT_EQ(form->ZbProCli->DisplayValue(), QStringLiteral("GIL SANZ,ANA"));
    EXPECT_EQ(form->ZbPerito->DisplayValue(), QStringLiteral("MORA,ANA"));

    const int otro = alta(Dat->TPeritos, "PERITO", "ABAD", "PROFESION");
    CaseField("PERITO", Variant(otro));
    form->Refresca();
    EXPECT_EQ(form->ZbPerito->DisplayValue(), QStringLiteral("ABAD,ANA"));
}

// An opposing lawyer created from the case's pick button ("Nuevo" in the pick list) is named on
// the case at once, also when it is the office's first one.
TEST_F(ExpedienteTest, AnOpposingLawyerCreatedFromThePickIsNamedOnTheCase) {
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
    Abre();
    harness->AnswerModal([](TCustomForm& f) {
        ASSERT_NE(dynamic_cast<TBuscar*>(&f), nullptr);
        f.SetModalResult(mrIgnore);
    });
    harness->AnswerModal([](TCustomForm& f) {
        auto* a = dynamic_cast<TAbogado*>(&f);
        ASSERT_NE(a, nullptr);
        Dat->TAbogados->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("SANCHEZ"));
        Dat->TAbogados->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("PABLO"));
        a->BtOkClick(a->BtOk);
    });
    form->btAboCon->Click();
    const int nuevo = Dat->TAbogados->FieldByName(QStringLiteral("ABOGADO"))->AsInteger();
    EXPECT_EQ(CasoCampo("ABOCON"), nuevo);
    EXPECT_EQ(form->ZbAboCon->DisplayValue(), QStringLiteral("SANCHEZ,PABLO"));
}

TEST_F(ExpedienteTest, OpposingLawyerIsPickedIntoTheCaseAndTheMatterOpensInEditWithoutCourt) {
    Dat->TAbogados->Append();
    Dat->TAbogados->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("BLANCO"));
    Dat->TAbogados->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("JUAN"));
    Dat->TAbogados->Post();
    const int blanco = Dat->TAbogados->FieldByName(QStringLiteral("ABOGADO"))->AsInteger();
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
    Abre();
    QString caption;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& b = static_cast<TBuscar&>(f);
        caption = b.Caption();
        b.QBusca->Locate(QStringLiteral("CODIGO"), Variant(blanco), 0);
        b.SetModalResult(mrOk);
    });
    form->btAboCon->Click();
    EXPECT_EQ(caption, QStringLiteral("Buscar Abogado Contrario"));
    EXPECT_EQ(CasoCampo("ABOCON"), blanco);
    EXPECT_EQ(Valor(QStringLiteral("SELECT ABOCON FROM EXPED WHERE NUMERO = '00012-A'")).AsInteger(), blanco);
    EXPECT_EQ(form->ZbAboCon->DisplayValue(), QStringLiteral("BLANCO,JUAN"));

    // The matter form opens in edit on a case with no court yet; closing it drops the edit.
    Responde(QStringLiteral("00013-A"));
    form->btBuscar->Click();
    TDataSetState estado = dsInactive;
    harness->AnswerModal([&](TCustomForm&) { estado = Dat->TExped->State(); });
    form->btAsunto->Click();
    EXPECT_EQ(estado, dsEdit);
    EXPECT_EQ(Dat->TExped->State(), dsBrowse);
}

// A professional deleted while the case still names them counts as none: the button offers the
// pick list, not the form of whoever the table stands on with this case's reference.
TEST_F(ExpedienteTest, AProfessionalDeletedSinceIsPickedAgainNotShownAsAnother) {
    Dat->TAbogados->Append();
    Dat->TAbogados->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("BLANCO"));
    Dat->TAbogados->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("JUAN"));
    Dat->TAbogados->Post();
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
    CaseField("ABOCON", Variant(9001));
    CaseField("PERITO", Variant(9002));
    CaseField("PROCON", Variant(9003));
    CaseField("PROCLI", Variant(9004));
    Abre();
    QStringList abiertos;
    for (int i = 0; i < 4; ++i)
        harness->AnswerModal([&](TCustomForm& f) {
            abiertos << (dynamic_cast<TBuscar*>(&f)    ? QStringLiteral("TBuscar")
                         : dynamic_cast<TBuscar2*>(&f) ? QStringLiteral("TBuscar2")
                                                       : QStringLiteral("otra"));
            f.SetModalResult(mrCancel);
        });
    for (TButton* b : {form->btAboCon, form->btPerito, form->btProCon, form->btOpenProCli}) b->Click();
    EXPECT_EQ(abiertos, (QStringList{QStringLiteral("TBuscar"), QStringLiteral("TBuscar2"), QStringLiteral("TBuscar2"),
                                     QStringLiteral("TBuscar2")}));
    EXPECT_EQ(CasoCampo("ABOCON"), 9001) << "a cancelled pick leaves the case as it was";
}

}  // namespace

// The documents button follows the word processor, the data folder and the user's right, and
// opens the models list in its case-file mode.
TEST_F(ExpedienteTest, DocumentsButtonOpensTheModelsListForTheCaseFile) {
    const bool hayWord = HayWord;
    QList<int> modos;
    comun::ListaDeEscritos = [&](int modo) { modos << modo; };
    HayWord = true;
    Abre();
    EXPECT_TRUE(form->btEscritos->Enabled());
    TFormHarness::Click(form->btEscritos->Button());
    EXPECT_EQ(modos, QList<int>{1});
    delete form;
    form = nullptr;
    HayWord = false;
    Abre();
    EXPECT_FALSE(form->btEscritos->Enabled());
    delete form;
    form = nullptr;
    HayWord = true;
    Usuario(QStringLiteral("ANA"), -1, false);
    Abre();
    EXPECT_FALSE(form->btEscritos->Enabled());
    HayWord = hayWord;
    comun::ListaDeEscritos = nullptr;
}

namespace {

// The chain of linked case files stops where the user may not go: another lawyer's case file.
TEST_F(ExpedienteTest, TheChainWalkRefusesAnotherLawyersCaseFile) {
    const int otro = AddLawyer(QStringLiteral("VIDAL"), QStringLiteral("LUISA"));
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00013-A")));
    CaseField("ABOCLI", Variant(otro));
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
    CaseField("ANOSIGUIENTE", Variant(QStringLiteral("2001")));
    CaseField("NUMSIGUIENTE", Variant(QStringLiteral("00013-A")));
    Usuario(QStringLiteral("ANA"), Abogado);
    Abre();
    form->btSiguiente->Click();
    EXPECT_EQ(harness->LastMessage().Text, QString::fromUtf8("No tiene permisos para acceder a éste Expediente"));
    EXPECT_EQ(form->Expediente->Text(), QStringLiteral("01/00012-A"));
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("00012-A"));
    EXPECT_EQ(Columna(Dat->TCuentas, "CONCEPTO").size(), 3);

    // Every lawyer's user walks on.
    Usuario(QStringLiteral("ANA"), -1);
    form->btSiguiente->Click();
    EXPECT_EQ(form->Expediente->Text(), QStringLiteral("01/00013-A"));
}

// The cards of the case's own lawyers leave the data module's lawyer where the windows below had
// it: the main window's list and the lawyer of a new record, the daily agenda's rows.
TEST_F(ExpedienteTest, TheCaseLawyersCardsLeaveTheLawyerOfTheWindowsBelow) {
    const int otro = AddLawyer(QStringLiteral("VIDAL"), QStringLiteral("LUISA"));
    CaseField("ABOENT", Variant(otro));
    auto abogado = [] { return Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger(); };
    ASSERT_TRUE(Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0));
    Abre();
    int enLaFicha = 0;
    auto mira = [&](TCustomForm& f) {
        ASSERT_NE(dynamic_cast<TAboCli*>(&f), nullptr);
        enLaFicha = abogado();
        f.Close();
    };
    harness->AnswerModal(mira);
    form->btAboEnt->Click();
    EXPECT_EQ(enLaFicha, otro);
    EXPECT_EQ(abogado(), Abogado);

    ASSERT_TRUE(Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(otro), 0));
    harness->AnswerModal(mira);
    form->btOpenAboCli->Click();
    EXPECT_EQ(enLaFicha, Abogado);
    EXPECT_EQ(abogado(), otro);
}

// The office's lawyers are kept with the general-data right, which the main window asks for
// "Abogados Despacho": the case file's own lawyer buttons let a user without it add, rename and
// delete them all the same. Without it the card only shows the lawyer.
TEST_F(ExpedienteTest, TheCaseLawyersCardsChangeTheOfficesLawyersOnlyWithTheGeneralRight) {
    Abre();
    bool edita = true, nuevo = true;
    auto mira = [&](TCustomForm& f) {
        auto& ficha = static_cast<TAboCli&>(f);
        edita = ficha.btEdit->Visible() && ficha.btEdit->Enabled();
        nuevo = ficha.btAdd->Visible() && ficha.btAdd->Enabled();
        f.Close();
    };
    Usuario(QStringLiteral("ANA"), -1);
    Dat->TPriv->Edit();
    Dat->TPriv->FieldByName(QStringLiteral("General"))->SetAsBoolean(false);
    Dat->TPriv->Post();
    harness->AnswerModal(mira);
    form->btOpenAboCli->Click();
    EXPECT_FALSE(edita);
    EXPECT_FALSE(nuevo);

    Usuario(QStringLiteral("ANA"), -1);
    harness->AnswerModal(mira);
    form->btOpenAboCli->Click();
    EXPECT_TRUE(edita);
    EXPECT_TRUE(nuevo);
}

}  // namespace

// The other workstation: on ZB_CARPETA, picks client ZB_CLIENTE for case file 2001/00013-A, which
// has none (ZB_MUERE "enlace"), or removes its only client ("quita"), and is stopped for good once
// the link row is written or deleted.
TEST(OtraEstacionParte, Runs) {
    const QString carpeta = qEnvironmentVariable("ZB_CARPETA");
    const QString punto = qEnvironmentVariable("ZB_MUERE");
    if (carpeta.isEmpty() || (punto != QLatin1String("enlace") && punto != QLatin1String("quita")))
        GTEST_SKIP() << "only run as the second workstation";
    TFormHarness harness;
    casotest::AbreOtraEstacion(carpeta);
    ASSERT_TRUE(Dat->TExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(QStringLiteral("2001")), Variant(QStringLiteral("00013-A"))}), 0));
    const auto muere = [carpeta] {
        QFile(carpeta + QStringLiteral("/listo")).open(QIODevice::WriteOnly);
        QThread::sleep(120);
        std::_Exit(3);
    };
    const TDataSetNotifyEvent graba = Dat->TExpCli->AfterPost;
    Dat->TExpCli->AfterPost = TDataSetNotifyEvent([&](TDataSet* ds) {
        if (graba) graba(ds);
        muere();
    });
    Dat->TExpCli->AfterDelete = TDataSetNotifyEvent([&](TDataSet*) { muere(); });
    auto* form = new TExpediente(nullptr);
    form->Show();
    form->FormShow(form);
    if (punto == QLatin1String("quita")) {
        harness.AnswerMessage(mrYes);
        form->btDelCli->Click();
    } else {
        const int cliente = qEnvironmentVariableIntValue("ZB_CLIENTE");
        harness.AnswerModal([cliente](TCustomForm& f) {
            auto& b = static_cast<TBuscar&>(f);
            b.QBusca->Locate(QStringLiteral("CODIGO"), Variant(cliente), 0);
            b.SetModalResult(mrOk);
        });
        form->btNewCli->Click();
    }
    ADD_FAILURE() << "not stopped";
}

// A workstation that dies while it removes a case file's only client, or links its first one,
// leaves no case whose principal is not among its clients nor whose only client is not its
// principal: either nothing was written or both were.
TEST_F(ExpedienteTest, AWorkstationKilledWhileRemovingOrLinkingAClientKeepsThePrincipalInStep) {
    const QString caso = QStringLiteral(" WHERE ANO = '2001' AND NUMERO = '00013-A'");
    auto enlaces = [&] { return Valor(QStringLiteral("SELECT COUNT(*) FROM EXPCLI") + caso).AsInteger(); };
    auto principal = [&] { return Valor(QStringLiteral("SELECT CLIENTE FROM EXPED") + caso).AsInteger(); };
    auto otraEstacion = [&](const char* punto) {
        const QString listo = dir.filePath(QStringLiteral("listo"));
        QFile::remove(listo);
        QProcess otra;
        shelltest::ArrancaOtraEstacion(otra, dir.path(), QStringLiteral("OtraEstacionParte.Runs"),
                                       {{QStringLiteral("ZB_MUERE"), QString::fromLatin1(punto)},
                                        {QStringLiteral("ZB_CLIENTE"), QString::number(luis)}});
        ASSERT_TRUE(otra.waitForStarted(10000));
        if (!casotest::EsperaFichero(listo)) {
            otra.kill();
            otra.waitForFinished(10000);
            FAIL() << otra.readAll().toStdString();
        }
        otra.kill();
        ASSERT_TRUE(otra.waitForFinished(30000));
    };
    auto abre = [&] {
        delete form;
        form = nullptr;
        Dat->refresca(Dat->TExped);
        Dat->refresca(Dat->TExpCli);
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00013-A")));
        Abre();
    };

    // Eva is the case's only client and its principal.
    ASSERT_EQ(principal(), eva);
    otraEstacion("quita");
    EXPECT_EQ(principal(), enlaces() == 0 ? 0 : eva) << enlaces() << " link rows";
    abre();
    if (enlaces() == 1) {
        harness->AnswerMessage(mrYes);
        form->btDelCli->Click();
    }
    EXPECT_EQ(enlaces(), 0);
    EXPECT_EQ(principal(), 0);

    otraEstacion("enlace");
    EXPECT_EQ(principal(), enlaces() == 0 ? 0 : luis) << enlaces() << " link rows";
    // The same pick on this workstation writes both.
    abre();
    if (enlaces() == 0) {
        harness->AnswerModal([&](TCustomForm& f) {
            auto& b = static_cast<TBuscar&>(f);
            b.QBusca->Locate(QStringLiteral("CODIGO"), Variant(luis), 0);
            b.SetModalResult(mrOk);
        });
        form->btNewCli->Click();
    }
    EXPECT_EQ(enlaces(), 1);
    EXPECT_EQ(principal(), luis);
}
