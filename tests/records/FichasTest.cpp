// The party record forms over the tables of a fresh data folder: opening modes, what OK and
// assign write into the case file, the identity-number letter and the powers of a client.
#include "DatFixture.h"
#include "comun/Abusca.h"
#include "comun/Abusca2.h"
#include "comun/PresPrel.h"
#include "comun/UObservacion.h"
#include "records/UAboCli.h"
#include "records/UAbogado.h"
#include "records/UCliente.h"
#include "records/UContrario.h"
#include "records/UPerito.h"
#include "records/UPoder.h"
#include "records/UProcu.h"

namespace {

using platform::forms::TFormHarness;

class FichasTest : public shelltest::DatTest {
protected:
    void SetUp() override {
        DatTest::SetUp();
        ana = AddClient(QStringLiteral("GARCIA"), QStringLiteral("ANA"));
        luis = AddClient(QStringLiteral("LOPEZ"), QStringLiteral("LUIS"));
        AddCase(QStringLiteral("2024"), QStringLiteral("00001-A"), ana);
        Dat->TExped->Edit();
        Dat->TExped->FieldByName(QStringLiteral("REFCLI"))->SetAsString(QStringLiteral("REF-CLI"));
        Dat->TExped->Post();
    }
    int Filas(const QString& sql) {
        auto q = std::make_unique<TQuery>(nullptr);
        q->SetDatabaseName(Dat->Db->DatabaseName());
        q->SQL()->SetText(sql);
        q->Open();
        return q->Fields()->Fields(0)->AsInteger();
    }
    QString Exped(const char* campo) {
        Dat->TExped->Refresh();
        return Dat->TExped->FieldByName(QString::fromLatin1(campo))->AsString();
    }
    template <class F>
    F* Abre(F*& global, bool activa = true) {
        global = new F(Application);
        global->activaEdicion(activa);
        global->Show();
        return global;
    }
    void Persona(TTable* t, const QString& apellidos, const QString& nombre = QString()) {
        t->Append();
        t->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
        t->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(nombre);
        if (TField* f = t->FindField(QStringLiteral("PARTIDO"))) f->SetAsString(QStringLiteral("MADRID"));
        if (TField* f = t->FindField(QStringLiteral("PROFESION"))) f->SetAsString(QStringLiteral("ARQUITECTO"));
        t->Post();
    }
    int ana = 0, luis = 0;
};

TEST_F(FichasTest, ClientFromCaseFileLinksOnceThenUpdatesOnlyTheReference) {
    Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(luis), 0);
    TCliente* f = Abre(Cliente);
    TCliente::FijaModo(2);
    EXPECT_TRUE(f->btAsigna->Enabled());
    f->btEdit->Click();
    f->Referencia->SetText(QStringLiteral("R-1"));
    f->BtOk->Click();
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM EXPCLI WHERE CLIENTE = %1").arg(luis)), 1);
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM EXPCLI WHERE CLIENTE = %1 AND REFERENCIA = 'R-1'").arg(luis)), 1);
    delete f;

    f = Abre(Cliente);
    TCliente::FijaModo(2);
    // Already in the case file: nothing to assign.
    EXPECT_FALSE(f->btAsigna->Enabled());
    f->btEdit->Click();
    f->Referencia->SetText(QStringLiteral("R-2"));
    f->BtOk->Click();
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM EXPCLI")), 1);
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM EXPCLI WHERE REFERENCIA = 'R-2'")), 1);
    // No in mode 2 cancels and closes with No; in mode 0 it only cancels.
    f->btEdit->Click();
    f->BtNo->Click();
    EXPECT_EQ(f->ModalResult(), mrNo);
    delete f;
    f = Abre(Cliente);
    f->btEdit->Click();
    f->BtNo->Click();
    EXPECT_EQ(f->ModalResult(), mrNone);
    EXPECT_EQ(Dat->TClientes->State(), dsBrowse);
    delete f;
}

TEST_F(FichasTest, OpponentAssignWritesTheLinkRowAndCloses) {
    Persona(Dat->TContrarios, QStringLiteral("RUIZ"), QStringLiteral("PEPE"));
    TContrario* f = Abre(Contrario);
    EXPECT_EQ(f->Caption(), QStringLiteral("Contrarios"));
    f->Referencia->SetText(QStringLiteral("C-9"));
    // The opponent form leaves the reference editable in browse.
    EXPECT_FALSE(f->Referencia->ReadOnly());
    f->btAsigna->Click();
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM EXPCON WHERE REFERENCIA = 'C-9'")), 1);
    delete f;
    f = Abre(Contrario);
    EXPECT_FALSE(f->btAsigna->Enabled());
    delete f;
}

TEST_F(FichasTest, OpponentFromCaseFileLinksOnSavingLikeAClient) {
    Persona(Dat->TContrarios, QStringLiteral("RUIZ"), QStringLiteral("PEPE"));
    // Opened on its own, saving writes no link.
    TContrario* f = Abre(Contrario);
    f->btEdit->Click();
    f->BtOk->Click();
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM EXPCON")), 0);
    delete f;

    f = Abre(Contrario);
    TContrario::FijaModo(2);
    f->btEdit->Click();
    f->Referencia->SetText(QStringLiteral("C-1"));
    f->BtOk->Click();
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM EXPCON WHERE REFERENCIA = 'C-1'")), 1);
    // Neither the client's links nor a second row of its own.
    f->btEdit->Click();
    f->BtOk->Click();
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM EXPCON")), 1);
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM EXPCLI")), 0);
    f->btEdit->Click();
    f->BtNo->Click();
    EXPECT_EQ(f->ModalResult(), mrNo);
    delete f;
}

TEST_F(FichasTest, IdentityNumberGetsItsLetterOnceAndOnlyWhileEditing) {
    Dat->TClientes->Edit();
    Dat->TClientes->FieldByName(QStringLiteral("DNI"))->SetAsString(QStringLiteral("12345678"));
    Dat->TClientes->Post();
    TCliente* f = Abre(Cliente);
    f->DbDniExit(f->DbDni);
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("DNI"))->AsString(), QStringLiteral("12345678"));
    f->btEdit->Click();
    f->DbDniExit(f->DbDni);
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("DNI"))->AsString(), QStringLiteral("12345678Z"));
    f->DbDniExit(f->DbDni);
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("DNI"))->AsString(), QStringLiteral("12345678Z"));
    EXPECT_EQ(records::TFichaPersona::ConLetra(QStringLiteral("B1234567")), QStringLiteral("B1234567"));
    EXPECT_EQ(records::TFichaPersona::ConLetra(QString()), QString());
    f->BtNo->Click();
    // The postal code takes digits only.
    QChar tecla = u'7';
    f->DBCodPosKeyPress(f->DBCodPos, tecla);
    EXPECT_EQ(tecla, QChar(u'7'));
    tecla = u'a';
    f->DBCodPosKeyPress(f->DBCodPos, tecla);
    EXPECT_EQ(tecla, QChar(0));
    delete f;
}

TEST_F(FichasTest, NotesButtonsHideWithoutRecordsAndTurnBoldWithText) {
    TContrario* f = Abre(Contrario);
    EXPECT_FALSE(f->BtObserva->Visible());
    EXPECT_FALSE(f->BtRelacion->Visible());
    delete f;
    Dat->TClientes->Edit();
    Dat->TClientes->FieldByName(QStringLiteral("OBSERVACIONES"))->SetAsString(QStringLiteral("Moroso"));
    Dat->TClientes->Post();
    TCliente* c = Abre(Cliente);
    EXPECT_TRUE(c->BtObserva->Visible());
    EXPECT_TRUE(c->BtObserva->Font()->Style().Contains(fsBold));
    EXPECT_FALSE(c->BtRelacion->Font()->Style().Contains(fsBold));
    EXPECT_FALSE(c->BtPoder->Font()->Style().Contains(fsBold));
    c->btEdit->Click();
    EXPECT_FALSE(c->BtObserva->Visible());
    c->BtNo->Click();
    delete c;
}

TEST_F(FichasTest, PowersOfAClientWithoutPowersOpenInInsert) {
    Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(ana), 0);
    TCliente* c = Abre(Cliente);
    harness->AnswerModal([&](TCustomForm& form) {
        auto* p = dynamic_cast<TPoder*>(&form);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(Dat->TPoderes->State(), dsInsert);
        EXPECT_EQ(Dat->TPoderes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), ana);
        EXPECT_TRUE(p->cbAbogado->Enabled());
        EXPECT_FALSE(p->btImprimir->Visible());
        Dat->TPoderes->FieldByName(QStringLiteral("PODER"))->SetAsString(QStringLiteral("P-1"));
        p->BtOk->Click();
        EXPECT_EQ(Dat->TPoderes->State(), dsBrowse);
        form.SetModalResult(mrOk);
    });
    c->BtPoder->Click();
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM PODER WHERE CLIENTE = %1").arg(ana)), 1);
    EXPECT_TRUE(c->BtPoder->Font()->Style().Contains(fsBold));
    // With powers the form opens on them; No there only cancels.
    harness->AnswerModal([&](TCustomForm& form) {
        auto* p = dynamic_cast<TPoder*>(&form);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(Dat->TPoderes->State(), dsBrowse);
        EXPECT_EQ(Dat->TPoderes->FieldByName(QStringLiteral("PODER"))->AsString(), QStringLiteral("P-1"));
        p->btEdit->Click();
        p->BtNo->Click();
        EXPECT_EQ(form.ModalResult(), mrNone);
        form.SetModalResult(mrCancel);
    });
    c->BtPoder->Click();
    delete c;
}

TEST_F(FichasTest, NoOnNewPowersCancelsAndCloses) {
    TCliente* c = Abre(Cliente);
    harness->AnswerModal([&](TCustomForm& form) {
        auto* p = dynamic_cast<TPoder*>(&form);
        ASSERT_NE(p, nullptr);
        p->BtNo->Click();
        EXPECT_EQ(form.ModalResult(), mrNo);
    });
    c->BtPoder->Click();
    EXPECT_EQ(Dat->TPoderes->State(), dsBrowse);
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM PODER")), 0);
    delete c;
}

// A client shown from the case file's views (nothing may change there) gets no new powers, and
// the powers it has open to be read.
TEST_F(FichasTest, AClientOnlyViewedGetsNoNewPowersAndReadsItsOwn) {
    Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(ana), 0);
    TCliente* c = Abre(Cliente, false);
    harness->AnswerMessage(mrOk);
    c->BtPoder->Click();
    EXPECT_TRUE(harness->ModalForms().empty());
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("No tiene PODERES"));
    EXPECT_EQ(Dat->TPoderes->State(), dsBrowse);
    EXPECT_EQ(Filas(QStringLiteral("SELECT COUNT(*) FROM PODER")), 0);

    Dat->TPoderes->Append();
    Dat->TPoderes->FieldByName(QStringLiteral("CLIENTE"))->SetAsInteger(ana);
    Dat->TPoderes->FieldByName(QStringLiteral("PODER"))->SetAsString(QStringLiteral("P-9"));
    Dat->TPoderes->Post();
    harness->AnswerModal([&](TCustomForm& form) {
        auto* p = dynamic_cast<TPoder*>(&form);
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->ActiveSource->DataSet(), nullptr);
        EXPECT_FALSE(p->btEdit->Visible());
        EXPECT_FALSE(p->btAdd->Visible());
        EXPECT_EQ(Dat->TPoderes->FieldByName(QStringLiteral("PODER"))->AsString(), QStringLiteral("P-9"));
    });
    c->BtPoder->Click();
    EXPECT_EQ(harness->ModalForms().size(), 1u);
    delete c;
}

TEST_F(FichasTest, CourtAgentReferenceGoesOnlyToTheCaseFilesAgent) {
    Persona(Dat->TProcu, QStringLiteral("PROCURA"), QStringLiteral("UNO"));
    const int uno = Dat->TProcu->FieldByName(QStringLiteral("PROCU"))->AsInteger();
    Persona(Dat->TProcu, QStringLiteral("PROCURA"), QStringLiteral("DOS"));
    // The client's agent is UNO.
    Dat->TExped->Edit();
    Dat->TExped->FieldByName(QStringLiteral("PROCLI"))->SetAsInteger(uno);
    Dat->TExped->Post();
    TProcu::FijaParte(1);
    TProcu* f = Abre(Procu);
    Dat->TProcu->Locate(QStringLiteral("PROCU"), Variant(uno), 0);
    EXPECT_FALSE(f->btAsigna->Enabled());
    EXPECT_TRUE(f->Referencia->ReadOnly());
    f->btEdit->Click();
    EXPECT_FALSE(f->Referencia->ReadOnly());
    EXPECT_TRUE(f->BtPartido->Visible());
    f->Referencia->SetText(QStringLiteral("P-UNO"));
    f->BtOk->Click();
    EXPECT_EQ(Exped("REFPROCLI"), QStringLiteral("P-UNO"));
    // Moved to another agent: the case file's reference stays.
    Dat->TProcu->Locate(QStringLiteral("APELLIDOS;NOMBRE"), VarArrayOf({Variant(QStringLiteral("PROCURA")), Variant(QStringLiteral("DOS"))}), 0);
    EXPECT_TRUE(f->btAsigna->Enabled());
    f->btEdit->Click();
    f->Referencia->SetText(QStringLiteral("P-DOS"));
    f->BtOk->Click();
    EXPECT_EQ(Exped("REFPROCLI"), QStringLiteral("P-UNO"));
    // Assign on the opponent's side.
    TProcu::FijaParte(2);
    f->btAsigna->Click();
    EXPECT_EQ(Exped("PROCON").toInt(), Dat->TProcu->FieldByName(QStringLiteral("PROCU"))->AsInteger());
    EXPECT_EQ(Exped("REFPROCON"), QStringLiteral("P-DOS"));
    EXPECT_EQ(Exped("PROCLI").toInt(), uno);
    delete f;
}

TEST_F(FichasTest, NewCourtAgentFromCaseFileIsAssigned) {
    TProcu::FijaParte(1);
    TProcu* f = Abre(Procu);
    TProcu::FijaModo(2);
    f->btAdd->Click();
    Dat->TProcu->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("NUEVO"));
    Dat->TProcu->FieldByName(QStringLiteral("PARTIDO"))->SetAsString(QStringLiteral("MADRID"));
    f->Referencia->SetText(QStringLiteral("N-1"));
    f->BtOk->Click();
    EXPECT_EQ(Exped("PROCLI").toInt(), Dat->TProcu->FieldByName(QStringLiteral("PROCU"))->AsInteger());
    EXPECT_EQ(Exped("REFPROCLI"), QStringLiteral("N-1"));
    delete f;
}

TEST_F(FichasTest, OpposingLawyerModesWriteTheCaseFile) {
    TAbogado* f = Abre(Abogado);
    TAbogado::FijaModo(1);
    f->btAdd->Click();
    Dat->TAbogados->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("LETRADO"));
    f->Referencia->SetText(QStringLiteral("L-1"));
    f->BtOk->Click();
    const int abogado = Dat->TAbogados->FieldByName(QStringLiteral("ABOGADO"))->AsInteger();
    EXPECT_EQ(Exped("ABOCON").toInt(), abogado);
    EXPECT_EQ(Exped("REFABOCON"), QStringLiteral("L-1"));
    delete f;
    f = Abre(Abogado);
    EXPECT_FALSE(f->btAsigna->Enabled());
    f->btEdit->Click();
    f->Referencia->SetText(QStringLiteral("L-2"));
    f->BtOk->Click();
    EXPECT_EQ(Exped("REFABOCON"), QStringLiteral("L-2"));
    delete f;
}

TEST_F(FichasTest, NewExpertWithEmptyReferenceKeepsTheClientReference) {
    TPerito* f = Abre(Perito);
    TPerito::FijaModo(1);
    f->btAdd->Click();
    Dat->TPeritos->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("TASADOR"));
    Dat->TPeritos->FieldByName(QStringLiteral("PROFESION"))->SetAsString(QStringLiteral("ARQUITECTO"));
    f->BtOk->Click();
    EXPECT_EQ(f->ModalResult(), mrOk);
    EXPECT_EQ(Exped("PERITO").toInt(), Dat->TPeritos->FieldByName(QStringLiteral("PERITO"))->AsInteger());
    EXPECT_EQ(Exped("REFCLI"), QStringLiteral("REF-CLI"));
    // No never closes the expert form.
    f->btEdit->Click();
    f->BtNo->Click();
    delete f;
    f = Abre(Perito);
    f->Referencia->SetText(QStringLiteral("X-1"));
    f->btEdit->Click();
    f->BtOk->Click();
    EXPECT_EQ(Exped("REFCLI"), QStringLiteral("X-1"));
    delete f;
}

TEST_F(FichasTest, FirmLawyerFormAssignsByModeAndReturnsToItsLawyer) {
    Persona(Dat->TAboCli, QStringLiteral("ALONSO"), QStringLiteral("A"));
    Persona(Dat->TAboCli, QStringLiteral("BLANCO"), QStringLiteral("B"));
    Dat->TAboCli->First();
    const int alonso = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    TAboCli::FijaModo(QStringLiteral("P"));
    TAboCli* f = Abre(AboCli);
    EXPECT_FALSE(f->btAsigna->Visible());
    delete f;

    TAboCli::FijaModo(QStringLiteral("E"));
    f = Abre(AboCli);
    EXPECT_TRUE(f->btAsigna->Visible());
    f->btLast->Click();
    EXPECT_TRUE(f->btAsigna->Enabled());
    f->btAsigna->Click();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(AboCli, nullptr);
    EXPECT_NE(Exped("ABOENT").toInt(), alonso);
    EXPECT_NE(Exped("ABOENT").toInt(), 0);
    EXPECT_EQ(Exped("ABOCLI").toInt(), 0);
    // Back on the lawyer the data module stood on.
    EXPECT_EQ(Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger(), alonso);
}

TEST_F(FichasTest, EachFormKeepsItsSearchQuery) {
    struct TVista : TCliente {
        using TCliente::Busqueda;
        using TCliente::TCliente;
    };
    TVista v(nullptr);
    const auto b = v.Busqueda();
    EXPECT_EQ(b.Caption, QStringLiteral("Buscar Cliente"));
    EXPECT_EQ(b.SQL, (QStringList{"SELECT CLIENTE as CODIGO,", "APELLIDOS || ',' || NOMBRE as NOMBRE ",
                                  "FROM CLIENTES ORDER BY NOMBRE"}));
    // The statement runs over the tables as they are.
    auto q = std::make_unique<TQuery>(nullptr);
    q->SetDatabaseName(Dat->Db->DatabaseName());
    q->SQL()->SetText(b.SQL.join(u'\n'));
    q->Open();
    EXPECT_EQ(q->FieldByName(QStringLiteral("NOMBRE"))->AsString(), QStringLiteral("GARCIA,ANA"));
}

TEST_F(FichasTest, SearchLocatesTheChosenClient) {
    TCliente* f = Abre(Cliente);
    Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(ana), 0);
    harness->AnswerModal([&](TCustomForm& form) {
        auto* b = dynamic_cast<TBuscar*>(&form);
        ASSERT_NE(b, nullptr);
        EXPECT_FALSE(b->btNuevo->Visible());
        ASSERT_TRUE(b->QBusca->Locate(QStringLiteral("NOMBRE"), Variant(QStringLiteral("LOPEZ,LUIS")), 0));
        form.SetModalResult(mrOk);
    });
    f->btBuscar->Click();
    EXPECT_EQ(harness->ModalForms().back().Caption, QStringLiteral("Buscar Cliente"));
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), luis);
    EXPECT_EQ(Buscar, nullptr);
    // Cancelled: the record stays.
    harness->AnswerModal(mrNo);
    f->btBuscar->Click();
    EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), luis);
    delete f;
}

TEST_F(FichasTest, CourtAgentSearchIsATreeAndTheDistrictComesFromThePickList) {
    TTable partidos(nullptr);
    partidos.SetDatabaseName(Dat->Db->DatabaseName());
    partidos.SetTableName(QStringLiteral("PARTIDOS"));
    partidos.Open();
    for (const char* p : {"MADRID", "TOLEDO"}) partidos.AppendRecord({Variant(QString::fromLatin1(p))});
    Persona(Dat->TProcu, QStringLiteral("PROCURA"), QStringLiteral("UNO"));
    Persona(Dat->TProcu, QStringLiteral("ZURITA"), QStringLiteral("DOS"));
    TProcu* f = Abre(Procu);
    Dat->TProcu->First();
    harness->AnswerModal([&](TCustomForm& form) {
        auto* b = dynamic_cast<TBuscar2*>(&form);
        ASSERT_NE(b, nullptr);
        ASSERT_TRUE(b->QBusca->Locate(QStringLiteral("NOMBRE"), Variant(QStringLiteral("ZURITA,DOS")), 0));
        form.SetModalResult(mrOk);
    });
    f->btBuscar->Click();
    EXPECT_EQ(harness->ModalForms().back().Caption, QStringLiteral("Busca Procurador"));
    EXPECT_EQ(Dat->TProcu->FieldByName(QStringLiteral("APELLIDOS"))->AsString(), QStringLiteral("ZURITA"));

    f->btEdit->Click();
    harness->AnswerModal([&](TCustomForm& form) {
        auto* b = dynamic_cast<TBuscar*>(&form);
        ASSERT_NE(b, nullptr);
        EXPECT_TRUE(b->btNuevo->Visible());
        ASSERT_TRUE(b->QBusca->Locate(QStringLiteral("NOMBRE"), Variant(QStringLiteral("TOLEDO")), 0));
        form.SetModalResult(mrOk);
    });
    f->BtPartido->Click();
    EXPECT_EQ(harness->ModalForms().back().Caption, QStringLiteral("Busca Partido Judicial"));
    EXPECT_EQ(Dat->TProcu->FieldByName(QStringLiteral("PARTIDO"))->AsString(), QStringLiteral("TOLEDO"));
    f->BtOk->Click();
    EXPECT_EQ(Dat->TProcu->State(), dsBrowse);
    delete f;
}

TEST_F(FichasTest, NotesOpenOnTheMemoOfTheShownRecord) {
    TCliente* f = Abre(Cliente);
    Dat->TClientes->Locate(QStringLiteral("CLIENTE"), Variant(luis), 0);
    harness->AnswerModal([&](TCustomForm& form) {
        auto* o = dynamic_cast<TObservacion*>(&form);
        ASSERT_NE(o, nullptr);
        EXPECT_EQ(o->Caption(), QStringLiteral("Relación de Bienes"));
        EXPECT_EQ(o->Titulo->Caption(), QStringLiteral("R. de Bienes de"));
        EXPECT_EQ(o->Contenido->Caption(), QStringLiteral("LOPEZ,LUIS"));
        EXPECT_EQ(o->Memo->DataField(), QStringLiteral("RELACIOBIENES"));
        EXPECT_EQ(Dat->TClientes->State(), dsEdit);
        Dat->TClientes->FieldByName(QStringLiteral("RELACIOBIENES"))->SetAsString(QStringLiteral("Un piso"));
        Dat->TClientes->Post();
        form.SetModalResult(mrOk);
    });
    f->BtRelacion->Click();
    EXPECT_TRUE(f->BtRelacion->Font()->Style().Contains(fsBold));
    EXPECT_FALSE(f->BtObserva->Font()->Style().Contains(fsBold));
    delete f;
}

TEST_F(FichasTest, PrintShowsTheCardOfTheShownRecordInThePreview) {
    Persona(Dat->TAbogados, QStringLiteral("RUIZ"), QStringLiteral("PEDRO"));
    TAbogado* f = Abre(Abogado);
    harness->AnswerModal([&](TCustomForm& form) {
        EXPECT_EQ(&form, PreView);
        ASSERT_EQ(QRPrinter->PageCount(), 1);
        const QStringList textos = QRPrinter->Pages(1).Texts();
        EXPECT_TRUE(textos.contains(QStringLiteral("FICHA DE ABOGADO")));
        EXPECT_TRUE(textos.contains(QStringLiteral("RUIZ PEDRO")));
        // The print item does nothing while the card is up.
        EXPECT_FALSE(f->btImprimir->OnClick().Assigned());
        form.SetModalResult(mrCancel);
    });
    f->btImprimir->Click();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(harness->PendingAnswers(), 0);
    EXPECT_EQ(PreView, nullptr);
    EXPECT_FALSE(QRPrinter->OnPreview.Assigned());
    EXPECT_TRUE(f->btImprimir->OnClick().Assigned());
    delete f;
}

}  // namespace
