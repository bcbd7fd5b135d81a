// The main window's commands over a generated office: which commands each right opens, the new,
// open and delete commands on both pages, the delete cascades and their rollback, emptying the
// data, the change of user, the read-only views of a case file's parties and the legislation item.
#include "PrincipioFixture.h"
#include "comun/Abusca.h"
#include "comun/Ganchos.h"
#include "documents/UEscritos.h"
#include "documents/UExport.h"
#include "records/UCliente.h"
#include "records/UExpediente.h"
#include "records/UNuevo.h"
#include "reports/Limite.h"
#include "reports/Limite2.h"
#include "reports/RPTFiltro.h"
#include "reports/RPTLisPod.h"
#include "reports/ULimExp.h"
#include "reports/rptLisExpNum.h"
#include "reports/rptLisFac.h"
#include "reports/rptLisProv.h"
#include "shell/Acceso.h"
#include "shell/UEmpresa.h"
#include "shell/UPrograma.h"

#include <QAction>
#include <QDeadlineTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <typeinfo>
#include <QDir>
#include <QFileInfo>
#include <QThread>

using namespace shelltest;

namespace {

class ComandosTest : public PrincipioTest {
protected:
    // A user with exactly the given rights, current in the users table.
    void Derechos(const QString& nombre, std::initializer_list<const char*> derechos, int abogado = -1) {
        Dat->TPriv->Append();
        Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->SetAsString(nombre);
        Dat->TPriv->FieldByName(QStringLiteral("Contrasenia"))->SetAsString(QStringLiteral("X"));
        for (const char* d : {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Listados", "Fusion",
                              "Economico", "General"})
            Dat->TPriv->FieldByName(QString::fromLatin1(d))->SetAsBoolean(false);
        for (const char* d : derechos) Dat->TPriv->FieldByName(QString::fromLatin1(d))->SetAsBoolean(true);
        Dat->TPriv->FieldByName(QStringLiteral("Abogado"))->SetAsInteger(abogado);
        Dat->TPriv->Post();
    }
    void Todos(const QString& nombre = QStringLiteral("ANA")) {
        Derechos(nombre, {"Privacidad", "Expedientes", "Consulta", "Agenda", "Modelos", "Listados", "Fusion", "Economico",
                          "General"});
    }
    // Ten case files listed for a user with every right, the second one selected.
    void EnElSegundoDeDiez() {
        Genera(1, 10);
        Todos();
        Muestra();
        form->TExped->First();
        form->TExped->Next();
    }
    int Cuenta(const QString& sql) {
        TQuery q(nullptr);
        q.SetDatabaseName(QStringLiteral("ZEMBRA"));
        q.SQL()->SetText(sql);
        q.Open();
        return q.Fields()->Fields(0)->AsInteger();
    }
    void Sql(const QString& sql) {
        zbtest::TGenerador g(dir.path());
        g.Exec(sql);
    }
    // Every delete from `tabla` fails inside the engine (or does again), as a full disk would.
    void BorradoFalla(const QString& tabla, bool falla = true) {
        const bool servidor = !platform::db::DataServer(dir.path()).isEmpty();
        const QString disparador = QStringLiteral("no_") + tabla;
        if (!falla) Sql(QStringLiteral("DROP TRIGGER %1%2").arg(disparador, servidor ? QStringLiteral(" ON ") + tabla : QString()));
        else if (!servidor)
            Sql(QStringLiteral("CREATE TRIGGER %1 BEFORE DELETE ON %2 BEGIN SELECT RAISE(ABORT, 'bloqueado'); END").arg(disparador, tabla));
        else {
            Sql(QStringLiteral("CREATE OR REPLACE FUNCTION no_borra() RETURNS trigger LANGUAGE plpgsql AS "
                               "'BEGIN RAISE EXCEPTION ''bloqueado''; END'"));
            Sql(QStringLiteral("CREATE TRIGGER %1 BEFORE DELETE ON %2 FOR EACH ROW EXECUTE FUNCTION no_borra()").arg(disparador, tabla));
        }
    }
    QString Ano(TDataSet* ds) { return ds->FieldByName(QStringLiteral("ANO"))->AsString(); }
    QString Numero(TDataSet* ds) { return ds->FieldByName(QStringLiteral("NUMERO"))->AsString(); }
    // Agenda rows of every type and a ledger row for one key.
    void Apuntes(const QString& ano, const QString& numero) {
        for (const char* tipo : {"E", "X", "C", "Y"})
            Sql(QStringLiteral("INSERT INTO agenda (ANO, NUMERO, TIPO, ORDEN, ABOCLI, FECHA, HORA) VALUES ('%1','%2','%3', "
                               "(SELECT IFNULL(MAX(ORDEN),0)+1 FROM agenda), 1, 46000, 0.5)")
                    .arg(ano, numero, QString::fromLatin1(tipo)));
        Sql(QStringLiteral("INSERT INTO cuentas (ANO, NUMERO, ORDEN, CONCEPTO) VALUES ('%1','%2', "
                           "(SELECT IFNULL(MAX(ORDEN),0)+1 FROM cuentas), 'Provisión')")
                .arg(ano, numero));
    }
    int Agenda(const QString& ano, const QString& numero, const char* tipos) {
        return Cuenta(QStringLiteral("SELECT COUNT(*) FROM agenda WHERE ANO = '%1' AND NUMERO = '%2' AND TIPO IN (%3)")
                          .arg(ano, numero, QString::fromLatin1(tipos)));
    }
    QString Clave(const QString& ano, const QString& numero) {
        return QStringLiteral("ANO = '%1' AND NUMERO = '%2'").arg(ano, numero);
    }
};

TEST_F(ComandosTest, EachRightOpensItsCommandsAndNothingElse) {
    Genera(3);
    Derechos(QStringLiteral("ANA"), {"Expedientes"});
    Muestra();
    EXPECT_TRUE(form->pgExped->TabVisible());
    EXPECT_FALSE(form->pgConsultas->TabVisible());
    EXPECT_TRUE(form->Paginas->Visible());
    EXPECT_TRUE(form->btAbrir->Enabled());
    EXPECT_TRUE(form->Expedientes1->Enabled());
    for (TMenuItem* i : {form->Clientes1, form->Contrarios1, form->Abogados1, form->Procuradores1, form->Peritos1,
                         form->AbogadosDespacho1, form->Accesos1, form->Limpiardatos1, form->Informes1, form->AgendaDiaria,
                         form->Escritos, form->Legislacion})
        EXPECT_FALSE(i->Enabled()) << i->Name().toStdString();
    EXPECT_FALSE(form->btImprimir->Enabled());
    EXPECT_FALSE(form->btAgenda->Enabled());
    EXPECT_FALSE(form->btEscritos->Enabled());
    EXPECT_EQ(form->LineaEstado->Panels()->Items(1)->Text(), QStringLiteral("Usuario : ANA"));
    form.reset();

    Derechos(QStringLiteral("LUIS"), {"General", "Privacidad", "Listados", "Consulta", "Modelos"});
    SetSistem("CDROM", Variant(QStringLiteral("/usr/bin/true")));
    HayWord = true;
    Muestra();
    EXPECT_FALSE(form->pgExped->TabVisible());
    EXPECT_TRUE(form->pgConsultas->TabVisible());
    for (TSpeedItem* i : {form->btAbrir, form->btNuevo, form->btBorrar}) EXPECT_FALSE(i->Visible());
    for (TMenuItem* i : {form->Clientes1, form->Contrarios1, form->Abogados1, form->Procuradores1, form->Peritos1,
                         form->AbogadosDespacho1, form->Accesos1, form->Limpiardatos1, form->Informes1, form->Legislacion,
                         form->Escritos})
        EXPECT_TRUE(i->Enabled()) << i->Name().toStdString();
    form.reset();

    Derechos(QStringLiteral("EVA"), {"General", "Agenda", "Economico"});
    Muestra();
    EXPECT_FALSE(form->Paginas->Visible());
}

TEST_F(ComandosTest, NewNeedsALawyerAndOpenOrDeleteOnAnEmptyGridSaySo) {
    Genera(3, 0);
    Todos();
    Muestra();
    ASSERT_EQ(form->ZbAbogados->GetDisplayText(), QStringLiteral("TODOS"));
    form->Nuevo1Click(form.get());
    form->Nuevo2Click(form.get());
    form->Abrir2Click(form.get());
    form->Borrar1Click(form.get());
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form->Paginas);
    form->TConsul->Close();
    form->TConsul->SetFilter(QStringLiteral("1 = 0"));
    form->TConsul->Open();
    form->btAbrirClick(form.get());
    form->btBorrarClick(form.get());
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("Debe Seleccionar un ABOGADO"), QStringLiteral("Debe Seleccionar un ABOGADO"),
                                    QStringLiteral("No hay EXPEDIENTES"), QStringLiteral("Expediente NO EXISTE"),
                                    QStringLiteral("No hay CONSULTAS"), QStringLiteral("Consulta NO EXISTE")}));
    EXPECT_TRUE(harness->ModalForms().empty());
}

// A user who reaches one lawyer's files makes new ones only for that lawyer: for another shown
// in the toolbar (or with no lawyer's files at all) nothing is created and the user is told why.
TEST_F(ComandosTest, NewIsRefusedForALawyerTheUserMayNotReach) {
    Genera(3, 0);
    Dat->TAboCli->First();
    const int suyo = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    Dat->TAboCli->Next();
    const int otro = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    const int consultas = Cuenta(QStringLiteral("SELECT COUNT(*) FROM consultas"));
    Derechos(QStringLiteral("EVA"), {"Expedientes", "Consulta"}, suyo);
    Muestra();
    form->ZbAbogados->SetValue(QString::number(otro));
    form->ZbAbogadosChange(form.get());
    form->Nuevo1Click(form.get());
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form->Paginas);
    form->btNuevoClick(form.get());
    EXPECT_EQ(Texts(), (QStringList{QString::fromUtf8("No tiene permisos para crear Expedientes de éste ABOGADO"),
                                    QString::fromUtf8("No tiene permisos para crear Consultas de éste ABOGADO")}));
    EXPECT_TRUE(harness->ModalForms().empty());

    // The user's own lawyer: the new-record dialog opens.
    harness->AnswerModal([](TCustomForm& f) { f.SetModalResult(mrCancel); });
    form->ZbAbogados->SetValue(QString::number(suyo));
    form->ZbAbogadosChange(form.get());
    form->Nuevo2Click(form.get());
    EXPECT_EQ(harness->ModalForms().size(), 1u);
    EXPECT_EQ(Texts().size(), 2);
    form.reset();

    // Rights on case files but nobody's files to reach.
    Derechos(QStringLiteral("LUIS"), {"Expedientes", "Consulta"}, 0);
    Muestra();
    form->ZbAbogados->SetValue(QString::number(suyo));
    form->ZbAbogadosChange(form.get());
    form->Nuevo1Click(form.get());
    EXPECT_EQ(Texts().last(), QString::fromUtf8("No tiene permisos para crear Expedientes de éste ABOGADO"));
    EXPECT_EQ(harness->ModalForms().size(), 1u);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped")), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM consultas")), consultas);
}

// The lawyer shown in the toolbar is deleted in the firm-lawyer form: the selector falls back to
// every lawyer, so nothing new goes to a lawyer the toolbar does not show.
TEST_F(ComandosTest, DeletingTheLawyerShownLeavesAllLawyersNotABlankOverAnother) {
    Genera(3, 6);
    Todos();
    Dat->TAboCli->Append();
    Dat->TAboCli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Prueba"));
    Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Ana"));
    Dat->TAboCli->Post();
    const QString nuevo = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsString();
    Muestra();
    form->ZbAbogados->SetValue(nuevo);
    form->ZbAbogadosChange(form.get());
    ASSERT_EQ(form->ZbAbogados->GetDisplayText(), QStringLiteral("Prueba, Ana"));
    ASSERT_TRUE(form->TExped->IsEmpty()) << "the new lawyer has no case files";
    const int consultas = Cuenta(QStringLiteral("SELECT COUNT(*) FROM consultas"));
    harness->AnswerModal([&](TCustomForm&) {
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(nuevo.toInt()), 0);
        harness->AnswerMessage(mrYes);
        Dat->TAboCli->Delete();
    });
    form->AbogadosDespacho1->Click();
    ASSERT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM abocli WHERE ABOCLI = ") + nuevo), 0);
    EXPECT_EQ(form->ZbAbogados->GetDisplayText(), QStringLiteral("TODOS"));
    EXPECT_FALSE(form->TExped->IsEmpty()) << "the grid lists every lawyer's case files under TODOS";
    harness->ClearRecords();
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form->Paginas);
    form->btNuevoClick(form.get());
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Debe Seleccionar un ABOGADO")});
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM consultas")), consultas);

    // A lawyer still there is shown again after the form closes.
    form->ZbAbogados->SetValue(QStringLiteral("1"));
    form->ZbAbogadosChange(form.get());
    const QString nombre = form->ZbAbogados->GetDisplayText();
    harness->AnswerModal(mrCancel);
    form->AbogadosDespacho1->Click();
    EXPECT_EQ(form->ZbAbogados->GetDisplayText(), nombre);
}

TEST_F(ComandosTest, TheDailyAgendaNeedsALawyerAndOpensOnTheSelectedOne) {
    Genera(3, 0);
    Todos();
    Muestra();
    int abiertas = 0;
    const auto antes = comun::AbreAgendaDiaria;
    comun::AbreAgendaDiaria = [&] { ++abiertas; };
    form->btAgenda->Click();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Debe Seleccionar un ABOGADO")});
    EXPECT_EQ(abiertas, 0);
    form->ZbAbogados->SetValue(Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsString());
    form->AgendaDiaria->Click();
    comun::AbreAgendaDiaria = antes;
    EXPECT_EQ(abiertas, 1);
    EXPECT_EQ(Texts().size(), 1);
}

// What was done through the daily agenda (a case file opened from it and closed) shows on the
// case-file list when the agenda closes, the list still on the row it was on.
TEST_F(ComandosTest, TheListShowsWhatWasDoneThroughTheDailyAgenda) {
    EnElSegundoDeDiez();
    const QString ano = Ano(form->TExped), numero = Numero(form->TExped);
    ASSERT_FALSE(numero.isEmpty());
    Sql(QStringLiteral("UPDATE exped SET SITUACION = 1 WHERE ANO = '%1' AND NUMERO = '%2'").arg(ano, numero));
    form->btRefrescarClick(form.get());
    ASSERT_EQ(form->TExped->FieldByName(QStringLiteral("SITUACION"))->AsInteger(), 1);
    const auto antes = comun::AbreAgendaDiaria;
    comun::AbreAgendaDiaria = [&] {
        Sql(QStringLiteral("UPDATE exped SET SITUACION = 3 WHERE ANO = '%1' AND NUMERO = '%2'").arg(ano, numero));
        Dat->TExped->First();
    };
    form->btAgenda->Click();
    comun::AbreAgendaDiaria = antes;
    EXPECT_EQ(Numero(form->TExped), numero);
    EXPECT_EQ(form->TExped->FieldByName(QStringLiteral("SITUACION"))->AsInteger(), 3);
}

// A client renamed on the clients' card, from the menu or the address book, shows renamed on the
// case-file list when the card closes.
TEST_F(ComandosTest, AClientRenamedOnItsCardShowsRenamedOnTheList) {
    EnElSegundoDeDiez();
    const QString numero = Numero(form->TExped);
    const int cliente = form->TExped->FieldByName(QStringLiteral("CLIENTE"))->AsInteger();
    ASSERT_NE(cliente, 0);
    // As the grid has painted it.
    ASSERT_FALSE(form->TExped->FieldByName(QStringLiteral("NOMCLI"))->AsString().isEmpty());
    auto renombra = [&](const QString& apellidos) {
        harness->AnswerModal([&, apellidos](TCustomForm& f) {
            TTable* c = Dat->TClientes;
            ASSERT_TRUE(c->Locate(QStringLiteral("CLIENTE"), Variant(cliente), 0));
            c->Edit();
            c->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
            c->Post();
            f.Close();
        });
    };
    renombra(QStringLiteral("OTRO APELLIDO"));
    form->Clientes1->Click();
    EXPECT_EQ(Numero(form->TExped), numero);
    EXPECT_TRUE(form->TExped->FieldByName(QStringLiteral("NOMCLI"))->AsString().startsWith(QStringLiteral("OTRO APELLIDO")))
        << form->TExped->FieldByName(QStringLiteral("NOMCLI"))->AsString().toStdString();
    renombra(QStringLiteral("TERCER APELLIDO"));
    form->SpeedItem1Click(form.get());
    EXPECT_EQ(Numero(form->TExped), numero);
    EXPECT_TRUE(form->TExped->FieldByName(QStringLiteral("NOMCLI"))->AsString().startsWith(QStringLiteral("TERCER APELLIDO")))
        << form->TExped->FieldByName(QStringLiteral("NOMCLI"))->AsString().toStdString();
}

// A lawyer of the office renamed on the card shows renamed on the consultation list.
TEST_F(ComandosTest, AnOfficeLawyerRenamedOnItsCardShowsRenamedOnTheList) {
    Genera(1, 10);
    Todos();
    Muestra();
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form->Paginas);
    TTable* t = form->TConsul;
    for (t->First(); !t->Eof() && t->FieldByName(QStringLiteral("ABOENT"))->AsInteger() == 0;) t->Next();
    ASSERT_FALSE(t->Eof());
    const int abogado = t->FieldByName(QStringLiteral("ABOENT"))->AsInteger();
    ASSERT_FALSE(t->FieldByName(QStringLiteral("NomAboEnt"))->AsString().isEmpty());
    harness->AnswerModal([&](TCustomForm& f) {
        TTable* a = Dat->TAboCli;
        ASSERT_TRUE(a->Locate(QStringLiteral("ABOCLI"), Variant(abogado), 0));
        a->Edit();
        a->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("RENOMBRADO"));
        a->Post();
        f.Close();
    });
    form->AbogadosDespacho1->Click();
    EXPECT_EQ(t->FieldByName(QStringLiteral("ABOENT"))->AsInteger(), abogado);
    EXPECT_TRUE(t->FieldByName(QStringLiteral("NomAboEnt"))->AsString().startsWith(QStringLiteral("RENOMBRADO")))
        << t->FieldByName(QStringLiteral("NomAboEnt"))->AsString().toStdString();
}

TEST_F(ComandosTest, OpenShowsTheSelectedCaseFileAndKeepsItSelected) {
    EnElSegundoDeDiez();
    const QString ano = Ano(form->TExped), numero = Numero(form->TExped);
    QString visto;
    harness->AnswerModal([&](TCustomForm& f) {
        if (dynamic_cast<TExpediente*>(&f)) visto = Ano(Dat->TExped) + QLatin1Char('/') + Numero(Dat->TExped);
        f.SetModalResult(mrCancel);
    });
    quint16 tecla = VK_RETURN;
    form->DBGrid1KeyDown(form.get(), tecla, 0);
    ASSERT_EQ(harness->ModalForms().size(), 1u);
    EXPECT_EQ(visto, ano + QLatin1Char('/') + numero);
    EXPECT_EQ(Numero(form->TExped), numero);
}

// A new case file or consultation is the one selected when its form closes (the grid's first row
// was, so a delete right after it named another record).
TEST_F(ComandosTest, ANewRecordStaysSelectedSoADeleteNamesIt) {
    Genera(3, 12);
    Todos();
    Muestra();
    Dat->TAboCli->First();
    form->ZbAbogados->SetValue(Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsString());
    form->ZbAbogadosChange(form.get());
    auto nuevo = [&](void (TPrincipio::*orden)(TObject*), TTable* grid) {
        harness->AnswerModal([](TCustomForm& f) {
            auto& d = static_cast<TNuevoExp&>(f);
            d.Expediente->SetText(QStringLiteral("00099-A"));
            d.BtOkClick(&d);
        });
        harness->AnswerModal(mrCancel);
        (form.get()->*orden)(form.get());
        return Ano(grid) + QLatin1Char('/') + Numero(grid);
    };
    const QString ano = QString::number(QDate::currentDate().year());
    ASSERT_NE(Numero(form->TExped), QStringLiteral("00099-A"));
    EXPECT_EQ(nuevo(&TPrincipio::Nuevo1Click, form->TExped), ano + QStringLiteral("/00099-A"));
    ASSERT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped WHERE NUMERO = '00099-A'")), 1);
    harness->ClearRecords();
    harness->AnswerMessage(mrNo);
    form->Borrar1Click(form.get());
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("BORRAR Expediente ") + ano + QStringLiteral("/00099-A")});

    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form->Paginas);
    ASSERT_NE(Numero(form->TConsul), QStringLiteral("00099-A"));
    EXPECT_EQ(nuevo(&TPrincipio::Nuevo2Click, form->TConsul), ano + QStringLiteral("/00099-A"));
    harness->ClearRecords();
    harness->AnswerMessage(mrNo);
    form->Borrar2Click(form.get());
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("BORRAR Consulta ") + ano + QStringLiteral("/00099-A")});
}

TEST_F(ComandosTest, DeletingACaseFileRemovesItsLinksAndOnlyWhatTheUserChose) {
    Genera(1, 6);
    Todos();
    Muestra();
    form->TExped->First();
    const QString ano1 = Ano(form->TExped), num1 = Numero(form->TExped);
    form->TExped->Next();
    const QString ano2 = Ano(form->TExped), num2 = Numero(form->TExped);
    Apuntes(ano1, num1);
    Apuntes(ano2, num2);
    Sql(QStringLiteral("INSERT INTO expcon (ANO, NUMERO, CONTRARIO) VALUES ('%1','%2',1)").arg(ano1, num1));

    form->TExped->First();
    harness->AnswerMessage(mrYes);
    harness->AnswerMessage(mrYes);
    form->Borrar1Click(form.get());
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped WHERE ") + Clave(ano1, num1)), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM expcli WHERE ") + Clave(ano1, num1)), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM expcon WHERE ") + Clave(ano1, num1)), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM cuentas WHERE ") + Clave(ano1, num1)), 0);
    EXPECT_EQ(Agenda(ano1, num1, "'E','X'"), 0);
    EXPECT_EQ(Agenda(ano1, num1, "'C','Y'"), 2) << "a consultation's agenda is not the case file's";
    const QStringList preguntas = Texts();
    ASSERT_EQ(preguntas.size(), 2) << preguntas.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(preguntas[0], QStringLiteral("BORRAR Expediente ") + ano1 + QLatin1Char('/') + num1);
    EXPECT_EQ(preguntas[1], QStringLiteral("BORRAR apuntes Económicos y de Agenda"));

    // No to the second question: the case file goes, its ledger and agenda stay.
    form->TExped->Locate(QStringLiteral("ANO;NUMERO"), VarArrayOf({Variant(ano2), Variant(num2)}), 0);
    harness->AnswerMessage(mrYes);
    harness->AnswerMessage(mrNo);
    form->Borrar1Click(form.get());
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped WHERE ") + Clave(ano2, num2)), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM expcli WHERE ") + Clave(ano2, num2)), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM cuentas WHERE ") + Clave(ano2, num2)), 1);
    EXPECT_EQ(Agenda(ano2, num2, "'E','X','C','Y'"), 4);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped")), 4);

    // No to the first: nothing happens.
    const QString ano3 = Ano(form->TExped), num3 = Numero(form->TExped);
    harness->AnswerMessage(mrNo);
    form->Borrar1Click(form.get());
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped WHERE ") + Clave(ano3, num3)), 1);
}

TEST_F(ComandosTest, AFailureInsideADeleteRollsBackEverything) {
    Genera(1, 3);
    Todos();
    Muestra();
    form->TExped->First();
    const QString ano = Ano(form->TExped), numero = Numero(form->TExped);
    Apuntes(ano, numero);
    Sql(QStringLiteral("INSERT INTO expcon (ANO, NUMERO, CONTRARIO) VALUES ('%1','%2',1)").arg(ano, numero));
    BorradoFalla(QStringLiteral("expcon"));
    const int clientes = Cuenta(QStringLiteral("SELECT COUNT(*) FROM expcli WHERE ") + Clave(ano, numero));
    ASSERT_GT(clientes, 0);
    harness->AnswerMessage(mrYes);
    harness->AnswerMessage(mrYes);
    form->Borrar1Click(form.get());
    EXPECT_EQ(Texts().last(), QStringLiteral("ERROR al BORRAR EXPEDIENTE"));
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped WHERE ") + Clave(ano, numero)), 1);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM expcli WHERE ") + Clave(ano, numero)), clientes);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM cuentas WHERE ") + Clave(ano, numero)), 1);
    EXPECT_EQ(Agenda(ano, numero, "'E','X','C','Y'"), 4);
    EXPECT_FALSE(Dat->Db->InTransaction());
    EXPECT_EQ(Numero(form->TExped), numero) << "the browser still shows the case file";
}

TEST_F(ComandosTest, DeletingAConsultationNeverTouchesCaseFileAgenda) {
    Genera(1, 3);
    Todos();
    Muestra();
    form->Paginas->SetActivePage(form->pgConsultas);
    form->PaginasChange(form->Paginas);
    form->TConsul->First();
    const QString ano = Ano(form->TConsul), numero = Numero(form->TConsul);
    Apuntes(ano, numero);
    const int antes = Cuenta(QStringLiteral("SELECT COUNT(*) FROM consultas"));
    harness->AnswerMessage(mrYes);
    harness->AnswerMessage(mrYes);
    form->btBorrarClick(form.get());
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("BORRAR Consulta ") + ano + QLatin1Char('/') + numero,
                                    QStringLiteral("BORRAR apuntes de Agenda")}));
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM consultas")), antes - 1);
    EXPECT_EQ(Agenda(ano, numero, "'C','Y'"), 0);
    EXPECT_EQ(Agenda(ano, numero, "'E','X'"), 2);
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM cuentas WHERE ") + Clave(ano, numero)), 1);
}

TEST_F(ComandosTest, EmptyingTheDataNeedsThePrivacyRightAndIsAllOrNothing) {
    Genera(2, 8);
    Derechos(QStringLiteral("ANA"), {"Expedientes", "Consulta", "General"});
    Muestra();
    const int expedientes = Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped"));
    const int consultas = Cuenta(QStringLiteral("SELECT COUNT(*) FROM consultas"));
    ASSERT_GT(expedientes, 0);
    EXPECT_FALSE(form->Limpiardatos1->Enabled());
    form->Ordena(&TPrincipio::Limpiardatos1Click, form.get());
    EXPECT_TRUE(Texts().isEmpty()) << "no question for a user without the right";
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped")), expedientes);
    form.reset();

    Todos(QStringLiteral("SUPER"));
    Sql(QStringLiteral("INSERT INTO peritos (PERITO, APELLIDOS) VALUES (1, 'Gil')"));
    BorradoFalla(QStringLiteral("peritos"));
    Muestra();
    harness->AnswerMessage(mrYes);
    form->Limpiardatos1Click(form.get());
    EXPECT_TRUE(Texts().last().startsWith(QStringLiteral("No se han borrado los datos")));
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped")), expedientes) << "a failure half-way keeps everything";
    EXPECT_FALSE(Dat->Db->InTransaction());

    BorradoFalla(QStringLiteral("peritos"), false);
    const QString contador = Dat->TTabcon->FieldByName(QStringLiteral("CONTEXP"))->AsString();
    Dat->TAboCli->First();
    form->ZbAbogados->SetValue(Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsString());
    form->ZbAbogadosChange(form.get());
    ASSERT_NE(form->ZbAbogados->GetDisplayText(), QStringLiteral("TODOS"));
    harness->ClearRecords();
    harness->AnswerMessage(mrYes);
    form->Limpiardatos1Click(form.get());
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("¿Desea Borrar TODOS los Datos de la Aplicación?"), QStringLiteral("Borrado")}));
    for (const char* t : {"escritos", "agenda", "cuentas", "exped", "expcli", "expcon", "abocli", "abogados", "clientes",
                          "contrarios", "procu", "peritos"})
        EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM ") + QString::fromLatin1(t)), 0) << t;
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM consultas")), consultas);
    Dat->TTabcon->Refresh();
    EXPECT_EQ(Dat->TTabcon->FieldByName(QStringLiteral("CONTEXP"))->AsString(), contador);
    EXPECT_TRUE(form->TExped->IsEmpty());
    // The lawyers are gone from the selector too: no new case file for one of them.
    EXPECT_TRUE(form->QAbo->IsEmpty());
    EXPECT_EQ(form->ZbAbogados->GetDisplayText(), QStringLiteral("TODOS"));
    harness->ClearRecords();
    form->Nuevo1Click(form.get());
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Debe Seleccionar un ABOGADO")});
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped")), 0);
}

TEST_F(ComandosTest, ARefusedChangeOfUserKeepsThePreviousUsersRights) {
    Genera(1, 3);
    Derechos(QStringLiteral("LUIS"), {});
    Todos();
    Muestra();
    harness->AnswerModal(mrNo);
    form->CambiodeUsuario1Click(form.get());
    EXPECT_EQ(Texts().last(), QStringLiteral("Identificación incorrecta"));
    EXPECT_EQ(Dat->TPriv->FieldByName(QStringLiteral("Usuario"))->AsString(), QStringLiteral("ANA"));
    EXPECT_TRUE(form->Paginas->Visible());

    // A login that leaves the users table on another user gives that user's rights.
    harness->AnswerModal([](TCustomForm& f) {
        Dat->TPriv->Locate(QStringLiteral("Usuario"), Variant(QStringLiteral("LUIS")), 0);
        f.SetModalResult(mrOk);
    });
    form->CambiodeUsuario1Click(form.get());
    EXPECT_EQ(form->LineaEstado->Panels()->Items(1)->Text(), QStringLiteral("Usuario : LUIS"));
    EXPECT_FALSE(form->Paginas->Visible());
    EXPECT_FALSE(form->Clientes1->Enabled());
}

TEST_F(ComandosTest, TheCaseViewsShowThePartyReadOnlyOrSayThereIsNone) {
    Genera(1, 3);
    Todos();
    Muestra();
    form->TExped->First();
    Dat->TExped->Edit();
    Dat->TExped->FieldByName(QStringLiteral("PERITO"))->SetAsInteger(0);
    Dat->TExped->FieldByName(QStringLiteral("REFCLI"))->SetAsString(QStringLiteral("Ref. Núñez"));
    Dat->TExped->Post();
    form->TExped->Refresh();
    form->Perito1Click(form.get());
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("No tiene PERITO asignado")});

    const int cliente = Cuenta(QStringLiteral("SELECT MIN(CLIENTE) FROM expcli WHERE ") + Clave(Ano(form->TExped), Numero(form->TExped)));
    harness->AnswerModal([&](TCustomForm& f) {
        auto* b = dynamic_cast<TBuscar*>(&f);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(f.Caption(), QStringLiteral("Buscar Cliente"));
        b->QBusca->Locate(QStringLiteral("CODIGO"), Variant(cliente), 0);
        f.SetModalResult(mrOk);
    });
    QString referencia;
    bool asigna = true;
    harness->AnswerModal([&](TCustomForm& f) {
        auto* c = dynamic_cast<TCliente*>(&f);
        ASSERT_NE(c, nullptr);
        referencia = c->Referencia->Text();
        asigna = c->btAsigna->Visible();
        EXPECT_EQ(Dat->TClientes->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), cliente);
        EXPECT_EQ(c->ActiveSource->DataSet(), nullptr) << "read-only";
        f.SetModalResult(mrCancel);
    });
    form->Cliente1Click(form.get());
    EXPECT_EQ(referencia, QStringLiteral("Ref. Núñez"));
    EXPECT_FALSE(asigna);
}

TEST_F(ComandosTest, ACaseViewOfAPartyDeletedSinceSaysThereIsNoneInsteadOfShowingAnother) {
    Genera(1, 3);
    Todos();
    Muestra();
    form->TExped->First();
    const QString clave = Clave(Ano(form->TExped), Numero(form->TExped));
    // Opposing lawyers and experts may be deleted while case files still name them.
    const int abogado = Cuenta(QStringLiteral("SELECT ABOCON FROM exped WHERE ") + clave);
    const int perito = Cuenta(QStringLiteral("SELECT MIN(PERITO) FROM peritos"));
    Sql(QStringLiteral("UPDATE exped SET PERITO = %1 WHERE ").arg(perito) + clave);
    ASSERT_GT(abogado, 0);
    Sql(QStringLiteral("DELETE FROM abogados WHERE ABOGADO = %1").arg(abogado));
    Sql(QStringLiteral("DELETE FROM peritos WHERE PERITO = %1").arg(perito));
    for (TDataSet* t : std::initializer_list<TDataSet*>{Dat->TExped, Dat->TAbogados, Dat->TPeritos}) t->Refresh();
    form->TExped->Refresh();
    ASSERT_FALSE(Dat->TAbogados->IsEmpty());
    harness->ClearRecords();
    form->AbogadoContrario1Click(form.get());
    form->Perito1Click(form.get());
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("No tiene ABOGADO DEL CONTRARIO asignado"),
                                    QStringLiteral("No tiene PERITO asignado")}));
    EXPECT_TRUE(harness->ModalForms().empty()) << "no party form shows another person";
}

TEST_F(ComandosTest, LegislationStartsOneProgramPathDirectly) {
    Genera(1, 1);
    Todos();
    const QString carpeta = dir.path() + QStringLiteral("/Programa de leyes");
    QDir().mkpath(carpeta);
    const QString marca = dir.path() + QStringLiteral("/arrancado");
    const QString programa = carpeta + QStringLiteral("/ley es.sh");
    {
        QFile f(programa);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(marca).toUtf8());
    }
    QFile::setPermissions(programa, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    SetSistem("CDROM", Variant(programa));
    Muestra();
    EXPECT_TRUE(form->Legislacion->Enabled());
    form->LegislacionClick(form.get());
    EXPECT_TRUE(Texts().isEmpty());
    QDeadlineTimer limite(20000);
    while (!QFile::exists(marca) && !limite.hasExpired()) QThread::msleep(20);
    EXPECT_TRUE(QFile::exists(marca));

    // A command line is not run through a shell.
    const QString trampa = dir.path() + QStringLiteral("/trampa");
    const QString linea = QStringLiteral("/bin/true; touch ") + trampa;
    SetSistem("CDROM", Variant(linea));
    form->LegislacionClick(form.get());
    EXPECT_EQ(Texts().last(), QStringLiteral("No puedo ejecutar ") + linea);
    QThread::msleep(200);
    EXPECT_FALSE(QFile::exists(trampa));
}

}  // namespace

namespace {

TEST_F(ComandosTest, ReportItemsAskTheirLimitsAndPreviewTheirList) {
    Genera(1, 4);
    Todos();
    Muestra();
    auto previa = [&](const std::function<void(TObject*)>& lanza) {
        harness->ClearRecords();
        harness->AnswerModal(mrCancel);
        lanza(form.get());
        return harness->ModalForms().empty() ? QString() : harness->ModalForms().back().FormClass;
    };
    const QString vista = previa([&](TObject* s) { form->Clientes2Click(s); });
    EXPECT_FALSE(vista.isEmpty());
    for (auto h : {&TPrincipio::Contrarios2Click, &TPrincipio::Abogados2Click, &TPrincipio::Alfabtico1Click,
                   &TPrincipio::PorPartido1Click, &TPrincipio::Alfabtico2Click, &TPrincipio::PorProfesin1Click,
                   &TPrincipio::Agenda2Click, &TPrincipio::Procedimientos1Click, &TPrincipio::Tribunales1Click,
                   &TPrincipio::TiposdeDespachos1Click, &TPrincipio::DesinosdeDespachos1Click})
        EXPECT_EQ(previa([&](TObject* s) { (form.get()->*h)(s); }), vista);

    // Powers of attorney: the limit dialog first, then the list with the range text.
    harness->ClearRecords();
    QString caption, filtro;
    harness->AnswerModal([&](TCustomForm& f) {
        auto* l = dynamic_cast<TFLimExp*>(&f);
        ASSERT_NE(l, nullptr);
        caption = l->gbLimites->Caption() + QLatin1Char('|') + l->rbLimite->Caption();
        l->rbTodos->SetChecked(true);
        f.SetModalResult(mrOk);
    });
    harness->AnswerModal([&](TCustomForm&) { filtro = InfLisPod ? InfLisPod->QRFiltro->Caption() : QString(); });
    form->Poderes1Click(form.get());
    EXPECT_EQ(caption, QStringLiteral("Cliente|Por Cliente"));
    EXPECT_EQ(filtro, QStringLiteral("Cliente :  TODOS"));
    ASSERT_EQ(harness->ModalForms().size(), 2u);
    EXPECT_EQ(harness->ModalForms().back().FormClass, vista);

    // A dialog closed without OK launches nothing.
    harness->ClearRecords();
    harness->AnswerModal(mrCancel);
    form->ConceptosContables2Click(form.get());
    EXPECT_EQ(harness->ModalForms().size(), 1u);
    harness->ClearRecords();
    harness->AnswerModal(mrOk);
    harness->AnswerModal(mrCancel);
    form->ConceptosContables2Click(form.get());
    ASSERT_EQ(harness->ModalForms().size(), 2u);
    EXPECT_EQ(harness->ModalForms().back().FormClass, vista);

    // Date limits: the typed dates reach the title or the filter text.
    auto fechas = [&](int tipo) {
        harness->AnswerModal([tipo](TCustomForm& f) {
            auto* l = dynamic_cast<TLimites*>(&f);
            ASSERT_NE(l, nullptr);
            l->EDesde->SetText(QStringLiteral("01/01/2026"));
            l->EHasta->SetText(QStringLiteral("31/12/2026"));
            if (auto* l2 = dynamic_cast<TLimites2*>(&f)) l2->RGTipo->SetItemIndex(tipo);
            f.SetModalResult(mrOk);
        });
    };
    QString titulo;
    fechas(1);
    harness->AnswerModal([&](TCustomForm&) { titulo = InfLisFac ? InfLisFac->QRTitulo->Caption() : QString(); });
    form->SinNmero1Click(form.get());
    EXPECT_EQ(titulo, QStringLiteral("LISTADO FACTURAS DE EXPEDIENTES SIN NÚMERO DESDE 01/01/2026 A 31/12/2026"));
    fechas(2);
    harness->AnswerModal([&](TCustomForm&) { titulo = InfLisFac ? InfLisFac->QRTitulo->Caption() : QString(); });
    form->General1Click(form.get());
    EXPECT_EQ(titulo, QStringLiteral("LISTADO DE FACTURAS DE CONSULTAS DESDE 01/01/2026 A 31/12/2026"));
    fechas(0);
    harness->AnswerModal([&](TCustomForm&) { filtro = FLisProv ? FLisProv->QRFiltro->Caption() : QString(); });
    form->ProvisionesdeFondos1Click(form.get());
    EXPECT_EQ(filtro, QStringLiteral("Desde 01/01/2026 a 31/12/2026"));

    // Case files by number of the window's year, every number.
    harness->AnswerModal([&](TCustomForm& f) {
        auto* l = dynamic_cast<TFLimExp*>(&f);
        ASSERT_NE(l, nullptr);
        caption = l->gbLimites->Caption() + QLatin1Char('|') + l->rbLimite->Caption();
        l->rbTodos->SetChecked(true);
        f.SetModalResult(mrOk);
    });
    int filas = -1;
    harness->AnswerModal([&](TCustomForm&) {
        filtro = InfExpNum ? InfExpNum->QRFiltro->Caption() : QString();
        filas = InfExpNum ? InfExpNum->QExped->RecordCount() : -1;
    });
    form->PorNmero1Click(form.get());
    EXPECT_EQ(caption, QStringLiteral("Número|Por Número"));
    EXPECT_EQ(filtro, QStringLiteral("Número :  TODOS"));
    EXPECT_EQ(filas, Cuenta(QStringLiteral("SELECT COUNT(*) FROM exped WHERE ANO = '") + AnoSeleccionado + QLatin1Char('\'')));

    // Without movement: one date only.
    bool unaFecha = false;
    harness->AnswerModal([&](TCustomForm& f) {
        auto* l = dynamic_cast<TLimites*>(&f);
        ASSERT_NE(l, nullptr);
        unaFecha = !l->EHasta->Visible() && l->EDesde->Visible();
        l->EDesde->SetText(QStringLiteral("01/06/2026"));
        f.SetModalResult(mrOk);
    });
    harness->AnswerModal(mrCancel);
    form->SinMovimientos1Click(form.get());
    EXPECT_TRUE(unaFecha);
}

TEST_F(ComandosTest, PrintingTheBrowserListsItsRowsUnderTheFiltersAndKeepsThePlace) {
    Genera(1, 12);
    Todos();
    Muestra();
    form->Abiertos1Click(nullptr);
    form->TExped->First();
    form->TExped->Next();
    const QString numero = Numero(form->TExped);
    QString filtrado, abogado;
    int filas = -1;
    harness->AnswerModal([&](TCustomForm&) {
        ASSERT_NE(InfFiltro, nullptr);
        filas = 0;
        for (InfFiltro->QExped->First(); !InfFiltro->QExped->Eof(); InfFiltro->QExped->Next()) ++filas;
        filtrado = InfFiltro->LFiltro.Etiqueta[0]->Caption() + InfFiltro->LFiltro.Valor[0]->Caption();
        abogado = InfFiltro->LAbogado->Caption();
    });
    form->btImprimir->Click();
    EXPECT_EQ(Numero(form->TExped), numero) << "the browser stays on its row";
    int visibles = 0;
    for (form->TExped->First(); !form->TExped->Eof(); form->TExped->Next()) ++visibles;
    EXPECT_EQ(filas, visibles);
    EXPECT_FALSE(filtrado.isEmpty());
    EXPECT_EQ(abogado, form->ZbAbogados->GetDisplayText());
    EXPECT_TRUE(bool(form->btImprimir->OnClick())) << "the button gets its command back";
}

}  // namespace

namespace {

// The office's name typed in its settings is in the main window's title as soon as the settings
// close, not only after the next start.
TEST_F(ComandosTest, TheOfficesNewNameIsInTheTitleWhenItsSettingsClose) {
    Todos();
    Muestra();
    harness->AnswerModal([&](TCustomForm& f) {
        auto* e = dynamic_cast<TEmpresa*>(&f);
        ASSERT_NE(e, nullptr);
        e->btEditClick(e);
        e->DBEmpresa->SetFocus();
        e->DBEmpresa->SetText(QString::fromUtf8("Bufete Pérez"));
        e->BtOkClick(e->BtOk);
        e->BtSalirClick(e);
    });
    form->Despacho1Click(form.get());
    EXPECT_EQ(Dat->TSistem->FieldByName(QStringLiteral("EMPRESA"))->AsString(), QString::fromUtf8("Bufete Pérez"));
    EXPECT_EQ(form->Caption(), QString::fromUtf8("Zembra - [ Bufete Pérez ]"));
    EXPECT_EQ(form->Widget()->windowTitle(), QString::fromUtf8("Zembra - [ Bufete Pérez ]"));
}

TEST_F(ComandosTest, ToolItemsOpenTheirForms) {
    Genera(1, 2);
    Todos();
    HayWord = true;
    Muestra();
    ASSERT_TRUE(form->btEscritos->Enabled());
    int modo = -1;
    harness->AnswerModal([&](TCustomForm& f) {
        if (auto* l = dynamic_cast<TListaEscritos*>(&f)) modo = l->Modo;
    });
    form->btEscritos->Click();
    EXPECT_EQ(modo, 0) << "from the main window no record is attached";
    bool exporta = false;
    harness->AnswerModal([&](TCustomForm& f) { exporta = dynamic_cast<TFExport*>(&f) != nullptr; });
    form->ExportarClick(form.get());
    EXPECT_TRUE(exporta);

    QStringList clases;
    harness->AnswerModal([&](TCustomForm& f) { clases << QString::fromLatin1(typeid(f).name()); });
    form->Despacho1Click(form.get());
    harness->AnswerModal([&](TCustomForm& f) { clases << QString::fromLatin1(typeid(f).name()); });
    form->ConceptosContables1Click(form.get());
    ASSERT_EQ(clases.size(), 2);
    EXPECT_TRUE(clases[0].contains(QStringLiteral("TEmpresa"))) << clases[0].toStdString();
    EXPECT_TRUE(clases[1].contains(QStringLiteral("TConConta"))) << clases[1].toStdString();

    harness->AnswerModal([&](TCustomForm& f) { clases << QString::fromLatin1(typeid(f).name()); });
    form->AnotacionesAgenda1Click(form.get());
    ASSERT_EQ(clases.size(), 3);
    EXPECT_TRUE(clases[2].contains(QStringLiteral("TConAgenda"))) << clases[2].toStdString();

    // The case agenda of the grid's case file, read-only.
    form->TExped->First();
    const QString esperado = QStringLiteral("Agenda del Expediente ") + Ano(form->TExped) + QLatin1Char('/') + Numero(form->TExped);
    QString titulo;
    harness->AnswerModal([&](TCustomForm& f) { titulo = f.Caption(); });
    form->Agenda1Click(form.get());
    EXPECT_EQ(titulo, esperado);

    // The recounts run over every person at once.
    Sql(QStringLiteral("UPDATE clientes SET EXPABIERTOS = 999"));
    form->Recuentos2Click(form.get());
    EXPECT_EQ(Cuenta(QStringLiteral("SELECT COUNT(*) FROM clientes WHERE EXPABIERTOS = 999")), 0);
}

}  // namespace

namespace {

// The window with its reports menu dropped down, for review (docs/forms with ZEMBRA_RENDER_DOCS).
TEST_F(ComandosTest, RenderTheMainMenuOpen) {
    Genera(3, 50);
    Todos();
    Muestra();
    form->SetBounds(0, 0, 1000, 560);
    form->FormResize(form.get());
    platform::forms::TFormHarness::ProcessEvents();
    QImage imagen = platform::forms::TFormHarness::Grab(form.get());
    auto* barra = form->Widget()->findChild<QMenuBar*>();
    ASSERT_NE(barra, nullptr);
    QAction* informes = nullptr;
    QStringList titulos;
    for (QAction* a : barra->actions()) {
        titulos << a->text();
        if (a->text() == QStringLiteral("&Informes")) informes = a;
    }
    EXPECT_EQ(titulos, (QStringList{QStringLiteral("&Archivo"), QStringLiteral("&Expedientes"), QStringLiteral("&Consultas"),
                                    QStringLiteral("&Herramientas"), QStringLiteral("&Informes"), QStringLiteral("&Utilidades"),
                                    QStringLiteral("A&yuda")}));
    ASSERT_NE(informes, nullptr);
    QMenu* menu = informes->menu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    menu->adjustSize();
    const QImage desplegado = menu->grab().toImage();
    ASSERT_FALSE(desplegado.isNull());
    EXPECT_GE(menu->actions().size(), 14);
    const QPoint origen = barra->mapTo(form->Widget(), barra->actionGeometry(informes).bottomLeft());
    {
        QPainter p(&imagen);
        p.drawImage(origen, desplegado);
    }
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString carpeta = docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs);
    ASSERT_TRUE(imagen.save(carpeta + QStringLiteral("/UPrincipal_Menu.png")));
}

}  // namespace

namespace {

// The daily agenda and the ledger need their right and either every lawyer or the selected one
// being the user's own.
TEST_F(ComandosTest, AgendaAndLedgerFollowTheUsersLawyer) {
    Genera(3, 20);
    Derechos(QStringLiteral("ANA"), {"Expedientes", "Agenda", "Economico"}, 2);
    Muestra();
    auto elige = [&](int abogado) {
        form->QAbo->Locate(QStringLiteral("ABOCLI"), Variant(abogado), 0);
        form->ZbAbogados->SetValue(QString::number(abogado));
        form->ZbAbogadosChange(form.get());
    };
    elige(1);
    EXPECT_FALSE(form->btAgenda->Enabled());
    EXPECT_FALSE(form->Economico1->Enabled());
    EXPECT_FALSE(form->Agenda1->Enabled());
    elige(2);
    EXPECT_TRUE(form->btAgenda->Enabled());
    EXPECT_TRUE(form->Economico1->Enabled());
    EXPECT_TRUE(form->AgendaDiaria->Enabled());
}

}  // namespace
