// New case files, consultations and linked case files over a real data folder: numbers, counters,
// agenda rows and the one transaction each of them runs in.
#include "CasoFixture.h"
#include "records/UNuevo.h"

#include <QFileInfo>
#include <QThread>
#include <cstdlib>

namespace {

using platform::forms::TFormHarness;

class NuevoTest : public casotest::CasoTest {
protected:
    void TearDown() override {
        delete dlg;
        CasoTest::TearDown();
    }
    TNuevoExp* Abre(const QString& caption) {
        dlg = new TNuevoExp(nullptr);
        dlg->Prepara(caption);
        dlg->FormShow(dlg);
        return dlg;
    }
    // OK with the typed number; true when the dialog closed with OK.
    bool Acepta(const QString& numero, const QString& ano = QStringLiteral("2001")) {
        dlg->AnoActual->SetItemIndex(dlg->AnoActual->Items()->IndexOf(ano));
        dlg->Expediente->SetText(numero);
        dlg->SetModalResult(mrNone);
        try {
            dlg->BtOkClick(dlg);
        } catch (const EAbort&) {
        }
        return dlg->ModalResult() == mrOk;
    }
    TNuevoExp* dlg = nullptr;
};

TEST_F(NuevoTest, NewCaseFileTakesItsNumberMovesTheCounterAndOpensTheAgenda) {
    Abre(TNuevoExp::CaptionExpediente);
    EXPECT_EQ(dlg->Expediente->Text(), QStringLiteral("00010-A"));
    EXPECT_EQ(dlg->AnoActual->Text(), QStringLiteral("2001"));
    EXPECT_EQ(dlg->Fecha->Text(), FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()));
    EXPECT_EQ(dlg->AboEntra->Text(), QStringLiteral("RUIZ,PEDRO"));
    dlg->Fecha->SetText(QStringLiteral("05/02/2001"));

    ASSERT_TRUE(Acepta(QStringLiteral("00011-A")));
    EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00011-A"));
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00011-A")));
    TTable* e = Dat->TExped;
    EXPECT_EQ(e->FieldByName(QStringLiteral("SITUACION"))->AsInteger(), 1);
    EXPECT_EQ(e->FieldByName(QStringLiteral("ABOCLI"))->AsInteger(), Abogado);
    EXPECT_EQ(e->FieldByName(QStringLiteral("ABOENT"))->AsInteger(), Abogado);
    EXPECT_EQ(e->FieldByName(QStringLiteral("FECHAAPERTURA"))->AsDateTime(), EncodeDate(2001, 2, 5));
    EXPECT_EQ(Agenda(QStringLiteral("2001"), QStringLiteral("00011-A")), QStringList{QStringLiteral("APERTURA DE EXPEDIENTE")});
    EXPECT_EQ(Valor(QStringLiteral("SELECT USUARIO FROM AGENDA WHERE NUMERO = '00011-A'")).AsString(), QStringLiteral("ANA"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT TIPO FROM AGENDA WHERE NUMERO = '00011-A'")).AsString(), QStringLiteral("E"));
}

TEST_F(NuevoTest, CounterRisesOnlyForAGreaterNumberComparedAsText) {
    Abre(TNuevoExp::CaptionExpediente);
    ASSERT_TRUE(Acepta(QStringLiteral("00003-A")));
    EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00010-A"));
    delete dlg;
    Contadores(2001, QStringLiteral("00099-Z"), QStringLiteral("00004-A"), 7);
    Abre(TNuevoExp::CaptionExpediente);
    ASSERT_TRUE(Acepta(QStringLiteral("00100-A")));
    EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00100-A"));
}

TEST_F(NuevoTest, AcceptingTheProposedNumberReportsTheDuplicateAndStaysOpen) {
    AddCase(QStringLiteral("2001"), QStringLiteral("00010-A"));
    Abre(TNuevoExp::CaptionExpediente);
    EXPECT_FALSE(Acepta(dlg->Expediente->Text()));
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("EXPEDIENTE ya existe"));
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    EXPECT_EQ(dlg->Expediente->Text(), QStringLiteral("00010-A"));
}

// The section is the entry lawyer's code; with none it stays empty, never a section "0".
TEST_F(NuevoTest, NoEntryLawyerStoresZeroAndNoSection) {
    Abre(TNuevoExp::CaptionExpediente);
    ASSERT_TRUE(Acepta(QStringLiteral("00011-A")));
    EXPECT_EQ(Valor(QStringLiteral("SELECT SECCION FROM EXPED WHERE NUMERO = '00011-A'")).AsString(), QString::number(Abogado));
    delete dlg;
    Abre(TNuevoExp::CaptionExpediente);
    dlg->AboEntra->SetItemIndex(0);
    EXPECT_EQ(dlg->AboEntra->Text(), QStringLiteral("NINGUNO"));
    ASSERT_TRUE(Acepta(QStringLiteral("00012-A")));
    EXPECT_EQ(Valor(QStringLiteral("SELECT ABOENT FROM EXPED WHERE NUMERO = '00012-A'")).AsInteger(), 0);
    EXPECT_EQ(Valor(QStringLiteral("SELECT SECCION FROM EXPED WHERE NUMERO = '00012-A'")).AsString(), QString());
}

// The record takes the year picked in the dialog; the counter is the working year's own row, even
// when the shared counter cursor stands on another year.
TEST_F(NuevoTest, CounterIsTheWorkingYearsRowWhateverRowTheCursorStandsOn) {
    Contadores(2000, QStringLiteral("00050-A"), QStringLiteral("00001-A"), 3);
    Abre(TNuevoExp::CaptionExpediente);
    Dat->TTabcon->Locate(QStringLiteral("ANO"), Variant(2000), 0);
    ASSERT_TRUE(Acepta(QStringLiteral("00060-A"), QStringLiteral("2000")));
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED WHERE ANO = '2000' AND NUMERO = '00060-A'")), 1);
    EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00060-A"));
    EXPECT_EQ(Contador(2000, "CONTEXP"), QStringLiteral("00050-A"));
}

TEST_F(NuevoTest, WorkingYearWithoutCountersGetsItsRow) {
    AnoSeleccionado = QStringLiteral("2002");
    Abre(TNuevoExp::CaptionExpediente);
    EXPECT_EQ(dlg->AnoActual->Text(), QStringLiteral("2002"));
    ASSERT_TRUE(Acepta(QStringLiteral("00001-A"), QStringLiteral("2002")));
    EXPECT_EQ(Contador(2002, "CONTEXP"), QStringLiteral("00001-A"));
    EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00010-A"));
}

TEST_F(NuevoTest, NewConsultationNumbersItsCounterAndAgenda) {
    Abre(TNuevoExp::CaptionConsulta);
    EXPECT_EQ(dlg->L1->Caption(), QStringLiteral("Consulta :"));
    EXPECT_EQ(dlg->Expediente->Text(), QStringLiteral("00004-A"));
    ASSERT_TRUE(Acepta(QStringLiteral("00005-A")));
    EXPECT_EQ(Contador(2001, "CONTCON"), QStringLiteral("00005-A"));
    EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00010-A"));
    EXPECT_EQ(Cuenta(QStringLiteral("CONSULTAS WHERE NUMERO = '00005-A' AND SITUACION = 1 AND CLIENTE = 0")), 1);
    EXPECT_EQ(Agenda(QStringLiteral("2001"), QStringLiteral("00005-A")), QStringList{QStringLiteral("APERTURA DE CONSULTA")});
    EXPECT_EQ(Valor(QStringLiteral("SELECT TIPO FROM AGENDA WHERE NUMERO = '00005-A'")).AsString(), QStringLiteral("C"));

    delete dlg;
    Abre(TNuevoExp::CaptionConsulta);
    EXPECT_FALSE(Acepta(QStringLiteral("00005-A")));
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("CONSULTA ya existe"));
}

// A consultation the duplicate check cannot see (the browser filters it away) fails on the key:
// the message says so, nothing of it stays and the dialog stays open for another number.
TEST_F(NuevoTest, FailedConsultationRollsBackAndKeepsTheDialogOpen) {
    Abre(TNuevoExp::CaptionConsulta);
    ASSERT_TRUE(Acepta(QStringLiteral("00005-A")));
    delete dlg;
    const int agenda = Cuenta(QStringLiteral("AGENDA"));
    const int orden = Sistem("AGENDA");
    Dat->TConsultas->OnFilterRecord = [](TDataSet*, bool& acepta) { acepta = false; };
    Dat->TConsultas->SetFiltered(true);
    Abre(TNuevoExp::CaptionConsulta);
    EXPECT_FALSE(Acepta(QStringLiteral("00005-A")));
    Dat->TConsultas->SetFiltered(false);
    const QStringList textos = Texts();
    EXPECT_TRUE(textos.contains(QStringLiteral("CLAVE DUPLICADA")));
    EXPECT_EQ(textos.last(), QStringLiteral("ERROR al crear la Consulta :1"));
    EXPECT_EQ(Dat->TConsultas->State(), dsBrowse);
    EXPECT_EQ(Cuenta(QStringLiteral("CONSULTAS")), 1);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), agenda);
    EXPECT_EQ(Sistem("AGENDA"), orden);

    // The same dialog then takes a free number.
    ASSERT_TRUE(Acepta(QStringLiteral("00006-A")));
    EXPECT_EQ(Cuenta(QStringLiteral("CONSULTAS")), 2);
}

// The transaction cannot be had (one already running on the connection refuses it, as the write
// lock held by another workstation does): step 1's message, nothing written, the dialog open.
TEST_F(NuevoTest, ANewRecordThatCannotStartItsTransactionSaysSoAtStepOne) {
    const struct {
        QString caption, numero, mensaje, tabla;
    } casos[] = {
        {TNuevoExp::CaptionExpediente, QStringLiteral("00011-A"), QStringLiteral("ERROR al crear expediente :1"), QStringLiteral("EXPED")},
        {TNuevoExp::CaptionConsulta, QStringLiteral("00005-A"), QStringLiteral("ERROR al crear la Consulta :1"), QStringLiteral("CONSULTAS")},
    };
    for (const auto& c : casos) {
        const int filas = Cuenta(c.tabla), agenda = Cuenta(QStringLiteral("AGENDA"));
        delete dlg;
        Abre(c.caption);
        Dat->Db->StartTransaction();
        EXPECT_FALSE(Acepta(c.numero));
        EXPECT_EQ(harness->LastMessage().Text, c.mensaje);
        EXPECT_FALSE(Dat->Db->InTransaction());
        EXPECT_EQ(Cuenta(c.tabla), filas);
        EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), agenda);
        // Once it can be had, the same dialog writes the record.
        EXPECT_TRUE(Acepta(c.numero));
        EXPECT_EQ(Cuenta(c.tabla), filas + 1);
    }
}

class VincularTest : public NuevoTest {
protected:
    void SetUp() override {
        NuevoTest::SetUp();
        ana = AddClient(QStringLiteral("GARCIA"), QStringLiteral("ANA"));
        luis = AddClient(QStringLiteral("LOPEZ"), QStringLiteral("LUIS"));
        AddCase(QStringLiteral("2001"), QStringLiteral("00008-A"), ana);
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00008-A")));
        Dat->TExped->Edit();
        for (auto [f, v] : std::vector<std::pair<const char*, const char*>>{
                 {"TRIBUNAL", "JUZGADO 1"}, {"POBLACION", "GETAFE"}, {"PROCEDIMIENTO", "VERBAL"}, {"AUTOS", "12/01"},
                 {"TRIBUNAL1", "JUZGADO 9"}, {"PROCEDIMIENTO1", "ORDINARIO"}, {"TRIBUNAL2", "AUDIENCIA"},
                 {"TRIBUNAL3", "SUPREMO"}, {"ASUNTO", "Reclamación de cantidad"}})
            Dat->TExped->FieldByName(QString::fromLatin1(f))->SetAsString(QString::fromUtf8(v));
        Dat->TExped->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
        Dat->TExped->FieldByName(QStringLiteral("PRINCIPAL"))->SetAsFloat(1500);
        Dat->TExped->Post();
        Link("EXPCLI", QStringLiteral("2001"), QStringLiteral("00008-A"), "CLIENTE", ana);
        Link("EXPCLI", QStringLiteral("2001"), QStringLiteral("00008-A"), "CLIENTE", luis);
        Link("EXPCON", QStringLiteral("2001"), QStringLiteral("00008-A"), "CONTRARIO", 4);
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00008-A")));
    }
    QString Campo(const QString& numero, const char* campo) {
        return Valor(QStringLiteral("SELECT %1 FROM EXPED WHERE NUMERO = '%2'").arg(QString::fromLatin1(campo), numero)).AsString();
    }
    int ana = 0, luis = 0;
};

TEST_F(VincularTest, LinkedCaseCopiesPartiesShiftsTheCourtHistoryAndChainsBothWays) {
    Abre(TNuevoExp::CaptionVincular);
    ASSERT_TRUE(Acepta(QStringLiteral("00011-A")));
    const QString nuevo = QStringLiteral("00011-A");
    EXPECT_EQ(Campo(QStringLiteral("00008-A"), "ANOSIGUIENTE"), QStringLiteral("2001"));
    EXPECT_EQ(Campo(QStringLiteral("00008-A"), "NUMSIGUIENTE"), nuevo);
    EXPECT_EQ(Campo(nuevo, "ANOANTERIOR"), QStringLiteral("2001"));
    EXPECT_EQ(Campo(nuevo, "NUMANTERIOR"), QStringLiteral("00008-A"));
    EXPECT_EQ(Campo(nuevo, "TRIBUNAL").trimmed(), QString());
    EXPECT_EQ(Campo(nuevo, "TRIBUNAL1"), QStringLiteral("JUZGADO 1"));
    EXPECT_EQ(Campo(nuevo, "AUTOS1"), QStringLiteral("12/01"));
    EXPECT_EQ(Campo(nuevo, "TRIBUNAL2"), QStringLiteral("JUZGADO 9"));
    EXPECT_EQ(Campo(nuevo, "PROCEDIMIENTO2"), QStringLiteral("ORDINARIO"));
    EXPECT_EQ(Campo(nuevo, "TRIBUNAL3"), QStringLiteral("AUDIENCIA"));
    EXPECT_EQ(Campo(nuevo, "ASUNTO"), QString::fromUtf8("Reclamación de cantidad"));
    EXPECT_EQ(Campo(nuevo, "CLIENTE").toInt(), ana);
    EXPECT_EQ(Campo(nuevo, "PRINCIPAL").toDouble(), 1500);
    EXPECT_EQ(Cuenta(QStringLiteral("EXPCLI WHERE NUMERO = '00011-A'")), 2);
    EXPECT_EQ(Cuenta(QStringLiteral("EXPCON WHERE NUMERO = '00011-A' AND CONTRARIO = 4")), 1);
    EXPECT_EQ(Contador(2001, "CONTEXP"), nuevo);
    EXPECT_EQ(Agenda(QStringLiteral("2001"), QStringLiteral("00008-A")),
              QStringList{QStringLiteral("EXPEDIENTE VINCULADO A 2001/00011-A")});
    EXPECT_EQ(Agenda(QStringLiteral("2001"), nuevo), QStringList{QStringLiteral("APERTURA DE EXPEDIENTE VINCULADO A 2001/00008-A")});
}

// The copied amounts stay in the currency they were written in, whatever the office's is now.
TEST_F(VincularTest, LinkedCaseKeepsTheOldCasesCurrencyWithItsAmounts) {
    auto importes = [&](const QString& numero) {
        QStringList r{Campo(numero, "MONEDA")};
        for (const char* campo : {"IMPORTE", "PRINCIPAL", "INTERESES"})
            r << QString::number(Valor(QStringLiteral("SELECT %1 FROM EXPED WHERE NUMERO = '%2'").arg(QString::fromLatin1(campo), numero)).AsFloat());
        return r;
    };
    // Links the current case, in `moneda` with its amounts, as `nuevo` in an office in `oficina`.
    auto vincula = [&](const char* oficina, const char* moneda, double importe, double intereses, const QString& nuevo) {
        SetSistem("MONEDA", Variant(QString::fromLatin1(oficina)));
        CaseField("MONEDA", Variant(QString::fromLatin1(moneda)));
        CaseField("IMPORTE", Variant(importe));
        CaseField("INTERESES", Variant(intereses));
        delete dlg;
        Abre(TNuevoExp::CaptionVincular);
        EXPECT_TRUE(Acepta(nuevo));
        return importes(nuevo);
    };
    EXPECT_EQ(vincula("E", "P", 166386, 16639, QStringLiteral("00011-A")),
              (QStringList{QStringLiteral("P"), QStringLiteral("166386"), QStringLiteral("1500"), QStringLiteral("16639")}));
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00011-A")));
    EXPECT_EQ(vincula("P", "E", 1000.5, 100.25, QStringLiteral("00014-A")),
              (QStringList{QStringLiteral("E"), QStringLiteral("1000.5"), QStringLiteral("1500"), QStringLiteral("100.25")}));
}

// A link row of the new number already in the file makes step 4 fail: everything rolls back, the
// old case keeps no successor and the dialog stays open instead of closing with OK.
TEST_F(VincularTest, FailedLinkRollsBackAndKeepsTheDialogOpen) {
    Link("EXPCLI", QStringLiteral("2001"), QStringLiteral("00011-A"), "CLIENTE", ana);
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00008-A")));
    Abre(TNuevoExp::CaptionVincular);
    EXPECT_FALSE(Acepta(QStringLiteral("00011-A")));
    EXPECT_TRUE(Texts().contains(QStringLiteral("CLAVE DUPLICADA")));
    EXPECT_EQ(Texts().last(), QStringLiteral("ERROR al vincular :4"));
    EXPECT_EQ(Campo(QStringLiteral("00008-A"), "NUMSIGUIENTE"), QString());
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("NUMSIGUIENTE"))->AsString(), QString());
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED WHERE NUMERO = '00011-A'")), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00010-A"));
    EXPECT_EQ(Dat->TExpCli->State(), dsBrowse);
}

// Five digits at least (the letter may stay blank): a blank number would make a case file "01/ -".
TEST_F(NuevoTest, ANumberWithFewerThanFiveDigitsIsRefusedWithTheFocusBackOnIt) {
    auto refusa = [&](const QString& caption, const QString& numero, const QString& texto) {
        delete dlg;
        Abre(caption);
        dlg->Show();
        TFormHarness::Focus(dlg->BtOk);
        EXPECT_FALSE(Acepta(numero)) << numero.toStdString();
        EXPECT_EQ(harness->LastMessage().Text, texto) << numero.toStdString();
        EXPECT_EQ(dlg->ActiveControl(), dlg->Expediente);
    };
    const QString expediente = QString::fromUtf8("Nº de EXPEDIENTE incompleto"), consulta = QString::fromUtf8("Nº de CONSULTA incompleto");
    refusa(TNuevoExp::CaptionExpediente, QString(), expediente);
    refusa(TNuevoExp::CaptionExpediente, QStringLiteral("0012"), expediente);
    refusa(TNuevoExp::CaptionConsulta, QStringLiteral("   "), consulta);
    AddCase(QStringLiteral("2001"), QStringLiteral("00008-A"));
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00008-A")));
    refusa(TNuevoExp::CaptionVincular, QStringLiteral("1"), expediente);
    // Nothing of any of them was written, and the proposals stay the counters.
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED")), 1);
    EXPECT_EQ(Cuenta(QStringLiteral("CONSULTAS")), 0);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00010-A"));
    EXPECT_EQ(Dat->TExped->FieldByName(QStringLiteral("NUMSIGUIENTE"))->AsString(), QString());
    delete dlg;
    Abre(TNuevoExp::CaptionExpediente);
    EXPECT_EQ(dlg->Expediente->Text(), QStringLiteral("00010-A"));
    // Five digits without a letter are a whole number.
    EXPECT_TRUE(Acepta(QStringLiteral("00014")));
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED")), 2);
}

TEST_F(NuevoTest, SearchOnlyClosesWithOk) {
    Abre(TNuevoExp::CaptionBuscar);
    EXPECT_FALSE(dlg->Fecha->Enabled());
    EXPECT_FALSE(dlg->AboEntra->Enabled());
    ASSERT_TRUE(Acepta(QStringLiteral("00077-A")));
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED")), 0);
}

TEST_F(NuevoTest, WrongDateIsRefusedAndAnEmptyOneIsToday) {
    Abre(TNuevoExp::CaptionExpediente);
    dlg->Fecha->SetText(QStringLiteral("31/02/2001"));
    EXPECT_THROW(dlg->FechaExit(dlg->Fecha), EAbort);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("FECHA ERRONEA : 31/02/2001"));
    EXPECT_FALSE(Acepta(QStringLiteral("00011-A")));
    EXPECT_EQ(Cuenta(QStringLiteral("EXPED")), 0);
    dlg->Fecha->SetText(QString());
    dlg->FechaExit(dlg->Fecha);
    EXPECT_EQ(dlg->Fecha->Text(), FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()));
}

}  // namespace

namespace {
// Leaving a wrong date for No does not stop the user from cancelling.
TEST_F(NuevoTest, WrongDateDoesNotHoldTheWayToNo) {
    Abre(TNuevoExp::CaptionExpediente);
    dlg->Show();
    platform::forms::TFormHarness::Focus(dlg->Fecha);
    dlg->Fecha->SetText(QStringLiteral("99/99/2001"));
    harness->ClearRecords();
    platform::forms::TFormHarness::Focus(dlg->BtNo);
    EXPECT_EQ(dlg->ActiveControl(), dlg->BtNo);
    EXPECT_TRUE(harness->Messages().empty());
    platform::forms::TFormHarness::Focus(dlg->Fecha);
    platform::forms::TFormHarness::Focus(dlg->AboEntra);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("FECHA ERRONEA : 99/99/2001"));
    EXPECT_EQ(dlg->ActiveControl(), dlg->Fecha);
}
}  // namespace

namespace {

// Stops the program here, as a workstation switched off mid-write: says so and waits to be killed.
void MuereAqui(const QString& carpeta) {
    QFile(carpeta + QStringLiteral("/listo")).open(QIODevice::WriteOnly);
    QThread::sleep(120);
    std::_Exit(3);
}

}  // namespace

// The other workstation: starts case file 2001/00011-A (or client) on ZB_CARPETA and is killed at
// the point ZB_MUERE names.
TEST(OtraEstacionNuevo, Runs) {
    const QString punto = qEnvironmentVariable("ZB_MUERE");
    if (punto.isEmpty()) GTEST_SKIP() << "only run as the second workstation";
    const QString carpeta = qEnvironmentVariable("ZB_CARPETA");
    TFormHarness harness;
    casotest::AbreOtraEstacion(carpeta);
    Dat->TAboCli->First();
    const auto muere = TDataSetNotifyEvent([carpeta](TDataSet*) { MuereAqui(carpeta); });
    if (punto == QLatin1String("cliente")) {
        const TDataSetNotifyEvent numera = Dat->TClientes->BeforePost;
        Dat->TClientes->BeforePost = TDataSetNotifyEvent([&](TDataSet* ds) {
            numera(ds);
            MuereAqui(carpeta);
        });
        Dat->TClientes->Append();
        Dat->TClientes->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("MUERTO"));
        Dat->TClientes->Post();
    }
    if (punto == QLatin1String("expediente")) Dat->TExped->AfterPost = muere;
    if (punto == QLatin1String("contador")) Dat->TTabcon->AfterPost = muere;
    if (punto == QLatin1String("agenda")) {
        const TDataSetNotifyEvent numera = Dat->TAgen->BeforePost;
        Dat->TAgen->BeforePost = TDataSetNotifyEvent([numera, carpeta](TDataSet* ds) {
            numera(ds);
            MuereAqui(carpeta);
        });
    }
    auto* d = new TNuevoExp(nullptr);
    d->Prepara(TNuevoExp::CaptionExpediente);
    d->FormShow(d);
    d->Expediente->SetText(QStringLiteral("00011-A"));
    d->BtOkClick(d);
    ADD_FAILURE() << "not killed";
}

// A workstation killed while it takes a number or writes its record leaves nothing behind: the
// number it was taking is free, the counters are as they were, and the next ones follow on.
TEST_F(NuevoTest, AWorkstationKilledWhileNumberingLeavesTheNextNumbersFree) {
    const int orden = Sistem("AGENDA");
    for (const char* punto : {"cliente", "expediente", "contador", "agenda"}) {
        SCOPED_TRACE(punto);
        QFile::remove(dir.filePath(QStringLiteral("listo")));
        QProcess otra;
        shelltest::ArrancaOtraEstacion(otra, dir.path(), QStringLiteral("OtraEstacionNuevo.Runs"),
                                       {{QStringLiteral("ZB_MUERE"), QString::fromLatin1(punto)}});
        ASSERT_TRUE(otra.waitForStarted(10000));
        if (!casotest::EsperaFichero(dir.filePath(QStringLiteral("listo")))) {
            otra.waitForFinished(1000);
            FAIL() << otra.readAll().toStdString();
        }
        otra.kill();
        ASSERT_TRUE(otra.waitForFinished(30000));
        EXPECT_EQ(Cuenta(QStringLiteral("EXPED")), 0);
        EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
        EXPECT_EQ(Cuenta(QStringLiteral("CLIENTES")), 0);
        EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00010-A"));
        EXPECT_EQ(Sistem("AGENDA"), orden);
        EXPECT_EQ(Sistem("CLIENTE"), 0);
    }
    EXPECT_EQ(AddClient(QStringLiteral("VIVO")), 1);
    Abre(TNuevoExp::CaptionExpediente);
    ASSERT_TRUE(Acepta(QStringLiteral("00011-A")));
    EXPECT_EQ(Contador(2001, "CONTEXP"), QStringLiteral("00011-A"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT ORDEN FROM AGENDA WHERE NUMERO = '00011-A'")).AsInteger(), orden + 1);
    EXPECT_TRUE(harness->Messages().empty()) << Texts().join(u'|').toStdString();
}
