// The daily agenda over a real data folder: the day list by lawyer, day and boxes, the commands
// that go through the entry editor, the calendar marks, the attached document and its mailing.
#include "AgendaFixture.h"
#include "agenda/UAgenda.h"
#include "agenda/UAnotacion.h"
#include "agenda/UPlanner.h"
#include "documents/MailForm.h"
#include "documents/MapiLoader.h"
#include "platform/forms/Beep.h"
#include "platform/forms/Keyboard.h"
#include "reports/ULimAgen.h"
#include "tests/support/CuentaEventos.h"

#include <QDir>
#include <QFileInfo>

namespace {

using agendatest::AgendaTest;
using agendatest::F;
using platform::forms::TFormHarness;

class AgendaFormTest : public AgendaTest {
protected:
    void SetUp() override {
        AgendaTest::SetUp();
        Otro = AddLawyer(QStringLiteral("LOPEZ"), QStringLiteral("EVA"));
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0);
    }
    void TearDown() override {
        delete ::Agenda;
        AgendaTest::TearDown();
    }
    TAgenda* Abre() {
        ::Agenda = new TAgenda(Application);
        ::Agenda->Show();
        TFormHarness::ProcessEvents();
        return ::Agenda;
    }
    void VeA(TDateTime dia) { ::Agenda->Calendar->SetDate(dia); }
    // The day list as the grid shows it: kind and text of each row.
    QStringList Lista() {
        QStringList r;
        TDataSet* t = ::Agenda->TAgen3;
        for (t->First(); !t->Eof(); t->Next()) r << F(t, "TIPO")->AsString() + QLatin1Char(' ') + F(t, "SITUACION")->AsString();
        return r;
    }
    QStringList Marcados() {
        QStringList r;
        for (int i = 0; i < ::Agenda->Calendar->Markdays()->Count(); ++i) r << ::Agenda->Calendar->Markdays()->Strings(i);
        return r;
    }
    void Dia() {
        const TDateTime d = EncodeDate(2001, 4, 2);
        AddCase(QStringLiteral("2001"), QStringLiteral("00001-A"));
        Apunte(d, QStringLiteral("E"), QStringLiteral("Vista"), 0, QStringLiteral("2001"), QStringLiteral("00001-A"), 1,
               EncodeTime(10, 0, 0, 0));
        Apunte(d, QStringLiteral("C"), QStringLiteral("Consulta"), 0, QStringLiteral("2001"), QStringLiteral("00002-A"), 0,
               EncodeTime(11, 0, 0, 0));
        Apunte(d, QStringLiteral("P"), QStringLiteral("Dentista"), 0, {}, {}, 0, EncodeTime(12, 0, 0, 0));
        Apunte(d, QStringLiteral("X"), QStringLiteral("AVISO de Juicio"), 0, QStringLiteral("2001"), QStringLiteral("00001-A"), 0,
               EncodeTime(9, 0, 0, 0));
        Apunte(d, QStringLiteral("P"), QStringLiteral("De otro abogado"), Otro);
        Apunte(EncodeDate(2001, 4, 3), QStringLiteral("P"), QStringLiteral("Otro día"));
    }
    int Otro = 0;
};

TEST_F(AgendaFormTest, TheDayListsOnlyTheLawyersRowsOfThatDayAndOfTheCheckedKinds) {
    Dia();
    Abre();
    EXPECT_EQ(::Agenda->Caption(), QStringLiteral("Agenda Diaria de RUIZ,PEDRO"));
    VeA(EncodeDate(2001, 4, 2));
    EXPECT_EQ(::Agenda->Hoy->Caption(), QStringLiteral("02 DE ABRIL DE 2001"));
    EXPECT_EQ(Lista(), (QStringList{QStringLiteral("X AVISO de Juicio"), QStringLiteral("E Vista"), QStringLiteral("C Consulta"),
                                    QStringLiteral("P Dentista")}));
    EXPECT_TRUE(::Agenda->btEdit->Enabled());
    ::Agenda->btDesp->SetChecked(false);
    ::Agenda->btAviExp->SetChecked(false);
    EXPECT_EQ(Lista(), (QStringList{QStringLiteral("E Vista"), QStringLiteral("P Dentista")}));
    for (TCheckBox* c : {::Agenda->btExped, ::Agenda->btPart}) c->SetChecked(false);
    EXPECT_TRUE(Lista().isEmpty());
    EXPECT_FALSE(::Agenda->btEdit->Enabled());
    EXPECT_FALSE(::Agenda->btDel->Enabled());
    EXPECT_FALSE(::Agenda->btRealizado->Enabled());
    EXPECT_FALSE(::Agenda->Editar1->Enabled());
    EXPECT_EQ(Marcados(), (QStringList{QStringLiteral("2"), QStringLiteral("3")}));
}

TEST_F(AgendaFormTest, WithoutTheCaseFileRightCaseEntriesAndNoticesAreNeitherShownNorSelectable) {
    Dia();
    Dat->TPriv->Edit();
    F(Dat->TPriv, "Expedientes")->SetAsBoolean(false);
    Dat->TPriv->Post();
    Abre();
    VeA(EncodeDate(2001, 4, 2));
    EXPECT_FALSE(::Agenda->btExped->Enabled());
    EXPECT_FALSE(::Agenda->btAviExp->Checked());
    EXPECT_EQ(Lista(), (QStringList{QStringLiteral("C Consulta"), QStringLiteral("P Dentista")}));
    EXPECT_FALSE(::Agenda->btAbrir->Enabled());
}

// A notice written for a consultation's entry is a consultation notice in the day list: under
// its own box, with its consultation as reference and the clock the other notices show.
TEST_F(AgendaFormTest, AConsultationsNoticeShowsAmongTheNotices) {
    const TDateTime dia = EncodeDate(2001, 4, 30);
    Ejecuta(QStringLiteral("INSERT INTO CONSULTAS (ANO, NUMERO, ABOCLI, SITUACION, NOMCLIENTE) VALUES ('2001', '00004-A', %1, 1, "
                           "'SANZ,EVA')")
                .arg(Abogado));
    AddCase(QStringLiteral("2001"), QStringLiteral("00001-A"));
    Apunte(dia, QStringLiteral("X"), QStringLiteral("AVISO de Juicio"), 0, QStringLiteral("2001"), QStringLiteral("00001-A"), 0,
           EncodeTime(8, 0, 0, 0));
    Apunte(dia, QStringLiteral("C"), QStringLiteral("Consulta"), 0, QStringLiteral("2001"), QStringLiteral("00004-A"), 0,
           EncodeTime(11, 0, 0, 0));
    Abre();
    VeA(EncodeDate(2001, 5, 2));
    harness->AnswerModal([](TCustomForm& f) {
        auto& n = static_cast<TFNota&>(f);
        F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 5, 2));
        F(Dat->TAgen, "HORA")->SetAsDateTime(EncodeTime(9, 0, 0, 0));
        F(Dat->TAgen, "TIPO")->SetAsString(QStringLiteral("C"));
        n.cbRelacionChange(&n);
        n.cbDespa->SetText(QStringLiteral("2001 - 00004-A"));
        n.Texto->SetText(QStringLiteral("Llamar a la clienta"));
        n.Aviso->SetText(QStringLiteral("30/04/2001"));
        n.BitBtn1->Click();
    });
    ::Agenda->btAdd->Click();
    EXPECT_EQ(Lista(), QStringList{QStringLiteral("C Llamar a la clienta")});

    VeA(dia);
    EXPECT_EQ(Lista(), (QStringList{QStringLiteral("X AVISO de Juicio"), QStringLiteral("Y AVISO de Llamar a la clienta"),
                                    QStringLiteral("C Consulta")}));
    ASSERT_TRUE(::Agenda->TAgen3->Locate(QStringLiteral("SITUACION"), Variant(QStringLiteral("AVISO de Llamar a la clienta")), 0));
    EXPECT_EQ(F(::Agenda->TAgen3, "EXPED")->AsString(), QStringLiteral("C 2001/00004-A"));
    // Its row shows the clock of the case file's notice, not the mark of the consultation's entry.
    TFormHarness::ProcessEvents();
    const QImage rejilla = TFormHarness::Grab(::Agenda->DBAgenda);
    auto icono = [&](int fila) {
        const TRect r = ::Agenda->DBAgenda->CellRect(fila, 0);
        return rejilla.copy(r.Left, r.Top, r.Width(), r.Height());
    };
    EXPECT_EQ(icono(1), icono(0));
    EXPECT_NE(icono(1), icono(2));
    // The box of consultation notices shows or hides it; the box of consultation entries does not.
    ::Agenda->btDesp->SetChecked(false);
    EXPECT_EQ(Lista(), (QStringList{QStringLiteral("X AVISO de Juicio"), QStringLiteral("Y AVISO de Llamar a la clienta")}));
    ::Agenda->btDesp->SetChecked(true);
    ::Agenda->btAviDes->SetChecked(false);
    EXPECT_EQ(Lista(), (QStringList{QStringLiteral("X AVISO de Juicio"), QStringLiteral("C Consulta")}));
}

TEST_F(AgendaFormTest, AddEditMarkDoneAndDeleteGoThroughTheEditorAndTheMarksFollow) {
    Abre();
    VeA(EncodeDate(2001, 5, 14));
    EXPECT_TRUE(Marcados().isEmpty());
    harness->AnswerModal([](TCustomForm& f) {
        auto& n = static_cast<TFNota&>(f);
        F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 5, 14));
        F(Dat->TAgen, "HORA")->SetAsDateTime(EncodeTime(16, 30, 0, 0));
        n.Texto->SetText(QStringLiteral("Reunión con el cliente"));
        n.BitBtn1->Click();
    });
    ::Agenda->btAdd->Click();
    EXPECT_EQ(Lista(), QStringList{QStringLiteral("P Reunión con el cliente")});
    EXPECT_EQ(Marcados(), QStringList{QStringLiteral("14")});
    EXPECT_EQ(F(::Agenda->TAgen3, "ORDEN")->AsInteger(), OrdenAnotacion);
    EXPECT_EQ(F(::Agenda->TAgen3, "ABOCLI")->AsInteger(), Abogado);

    harness->AnswerModal([](TCustomForm& f) {
        auto& n = static_cast<TFNota&>(f);
        EXPECT_EQ(n.Texto->Text(), QStringLiteral("Reunión con el cliente"));
        n.Texto->SetText(QStringLiteral("Reunión aplazada"));
        F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 5, 16));
        FechaAgenda = EncodeDate(2001, 5, 16);
        n.BitBtn1->Click();
    });
    ::Agenda->btEdit->Click();
    EXPECT_EQ(Marcados(), QStringList{QStringLiteral("16")});
    VeA(EncodeDate(2001, 5, 16));
    EXPECT_EQ(Lista(), QStringList{QStringLiteral("P Reunión aplazada")});

    EXPECT_FALSE(::Agenda->btRealizado->Down());
    ::Agenda->btRealizado->SetDown(true);
    ::Agenda->btRealizado->Click();
    EXPECT_EQ(Valor(QStringLiteral("SELECT CODIGO FROM AGENDA")).AsInteger(), 2);
    EXPECT_TRUE(::Agenda->btRealizado->Down());
    ::Agenda->btRealizado->SetDown(false);
    ::Agenda->btRealizado->Click();
    EXPECT_EQ(Valor(QStringLiteral("SELECT CODIGO FROM AGENDA")).AsInteger(), 1);

    harness->AnswerMessage(mrYes);
    ::Agenda->btDel->Click();
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 0);
    EXPECT_TRUE(Lista().isEmpty());
    EXPECT_TRUE(Marcados().isEmpty());
}

// What the case file opened from a row writes (an entry on its agenda, one on another day) shows
// on the day's list and the calendar once it is closed, however it was closed.
TEST_F(AgendaFormTest, WhatTheCaseFileOpenedFromTheDayWroteShowsWhenItCloses) {
    const TDateTime d = EncodeDate(2001, 4, 2);
    Dia();
    Abre();
    VeA(d);
    const QStringList antes = Lista();
    ASSERT_TRUE(::Agenda->TAgen3->Locate(QStringLiteral("TIPO"), Variant(QStringLiteral("E")), 0));
    harness->AnswerModal([&](TCustomForm& f) {
        Apunte(d, QStringLiteral("E"), QStringLiteral("Llamar al cliente"), 0, QStringLiteral("2001"), QStringLiteral("00001-A"),
               0, EncodeTime(17, 0, 0, 0));
        Apunte(EncodeDate(2001, 4, 20), QStringLiteral("E"), QStringLiteral("Juicio"), 0, QStringLiteral("2001"),
               QStringLiteral("00001-A"));
        f.Close();
    });
    ::Agenda->btAbrir->Click();
    EXPECT_EQ(Lista(), antes + QStringList{QStringLiteral("E Llamar al cliente")});
    EXPECT_TRUE(Marcados().contains(QStringLiteral("20")));
}

// The calendar is painted again once an entry is added on the day it shows: its new mark shows
// at once, not when the month next changes.
TEST_F(AgendaFormTest, AnEntryAddedOnTheDayShownRepaintsTheCalendarWithItsMark) {
    zbtest::TCuentaEventos pinturas(QEvent::Paint);
    Abre();
    VeA(EncodeDate(2001, 5, 14));
    TFormHarness::ProcessEvents();
    ::Agenda->Calendar->Widget()->installEventFilter(&pinturas);
    harness->AnswerModal([](TCustomForm& f) {
        auto& n = static_cast<TFNota&>(f);
        F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 5, 14));
        n.Texto->SetText(QStringLiteral("Vista"));
        n.BitBtn1->Click();
    });
    ::Agenda->btAdd->Click();
    TFormHarness::ProcessEvents();
    EXPECT_EQ(Marcados(), QStringList{QStringLiteral("14")});
    EXPECT_GT(pinturas.Veces, 0);
}

// The calendar's arrow keys take the working day along: its title and its list are those of the
// day selected, and a new entry goes to it.
TEST_F(AgendaFormTest, TheCalendarsArrowsMoveTheWorkingDay) {
    Dia();
    Abre();
    VeA(EncodeDate(2001, 4, 1));
    TFormHarness::Focus(::Agenda->Calendar);
    TFormHarness::PressKey(::Agenda->Calendar, VK_RIGHT);
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2001, 4, 2)));
    EXPECT_EQ(::Agenda->Hoy->Caption(), QStringLiteral("02 DE ABRIL DE 2001"));
    EXPECT_EQ(Lista().size(), 4);
    TFormHarness::PressKey(::Agenda->Calendar, VK_UP);  // into March: its marks come along
    EXPECT_EQ(double(FechaCalendario), double(EncodeDate(2001, 3, 26)));
    EXPECT_TRUE(Lista().isEmpty());
}

TEST_F(AgendaFormTest, EditingARowAnotherWorkstationDeletedSaysSoAndChangesNothing) {
    const int orden = Apunte(EncodeDate(2001, 4, 2), QStringLiteral("P"), QStringLiteral("Borrada fuera"));
    Abre();
    VeA(EncodeDate(2001, 4, 2));
    Ejecuta(QStringLiteral("DELETE FROM AGENDA WHERE ORDEN = %1").arg(orden));
    ::Agenda->btEdit->Click();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Línea de Agenda NO EXISTE")});
    EXPECT_TRUE(harness->ModalForms().empty());
    EXPECT_EQ(Dat->TAgen->State(), dsBrowse);
}

TEST_F(AgendaFormTest, MarkingDoneAnEntryHeldOrDeletedElsewhereLeavesTheButtonAsStored) {
    const int orden = Apunte(EncodeDate(2001, 4, 2), QStringLiteral("P"), QStringLiteral("Llamar"));
    Apunte(EncodeDate(2001, 4, 2), QStringLiteral("P"), QStringLiteral("Otra"));
    Abre();
    VeA(EncodeDate(2001, 4, 2));
    ASSERT_TRUE(::Agenda->TAgen3->Locate(QStringLiteral("ORDEN"), Variant(orden), 0));
    // Another cursor editing the entry stands for another workstation holding it.
    TTable otro(nullptr);
    otro.SetDatabaseName(Dat->Db->DatabaseName());
    otro.SetTableName(QStringLiteral("AGENDA"));
    otro.Open();
    ASSERT_TRUE(otro.Locate(QStringLiteral("ORDEN"), Variant(orden), 0));
    otro.Edit();
    ::Agenda->btRealizado->SetDown(true);
    EXPECT_THROW(::Agenda->btRealizadoClick(::Agenda->btRealizado), EAbort);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("REGISTRO EN USO")});
    EXPECT_FALSE(::Agenda->btRealizado->Down());
    EXPECT_EQ(F(::Agenda->TAgen3, "ORDEN")->AsInteger(), orden);
    EXPECT_EQ(Valor(QStringLiteral("SELECT CODIGO FROM AGENDA WHERE ORDEN = %1").arg(orden)).AsInteger(), 0);
    otro.Cancel();
    otro.Close();

    // Deleted elsewhere: said, and the day no longer lists it.
    harness->ClearRecords();
    Ejecuta(QStringLiteral("DELETE FROM AGENDA WHERE ORDEN = %1").arg(orden));
    ::Agenda->btRealizado->SetDown(true);
    ::Agenda->btRealizadoClick(::Agenda->btRealizado);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Línea de Agenda NO EXISTE")});
    EXPECT_EQ(Lista(), QStringList{QStringLiteral("P Otra")});
    EXPECT_FALSE(::Agenda->btRealizado->Down());
}

TEST_F(AgendaFormTest, SteppingAMonthFromTheLastOfJanuaryLandsOnTheLastOfFebruary) {
    Abre();
    VeA(EncodeDate(2001, 1, 31));
    ::Agenda->btMesMas->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2001, 2, 28)));
    EXPECT_EQ(double(::Agenda->Calendar->Date()), double(EncodeDate(2001, 2, 28)));
    ::Agenda->btAnoMenos->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2000, 2, 28)));
    ::Agenda->btHoy->Click();
    EXPECT_EQ(double(FechaAgenda), double(Date()));
}

// Across the year's change the steps keep the day; past the calendar's last or first year they
// beep and stay, instead of an error in the toolkit's words.
TEST_F(AgendaFormTest, SteppingAcrossTheYearAndAtTheCalendarsEnds) {
    Abre();
    VeA(EncodeDate(2026, 12, 31));
    ::Agenda->btMesMas->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2027, 1, 31)));
    ::Agenda->btMesMenos->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2026, 12, 31)));
    VeA(EncodeDate(2028, 2, 29));
    ::Agenda->btAnoMas->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2029, 2, 28)));

    VeA(EncodeDate(9999, 12, 31));
    int pitidos = platform::forms::BeepCount();
    ::Agenda->btMesMas->Click();
    ::Agenda->btAnoMas->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(9999, 12, 31)));
    EXPECT_EQ(double(::Agenda->Calendar->Date()), double(EncodeDate(9999, 12, 31)));
    EXPECT_EQ(platform::forms::BeepCount(), pitidos + 2);
    ::Agenda->btMesMenos->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(9999, 11, 30)));

    VeA(EncodeDate(1, 1, 15));
    pitidos = platform::forms::BeepCount();
    ::Agenda->btMesMenos->Click();
    ::Agenda->btAnoMenos->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(1, 1, 15)));
    EXPECT_EQ(platform::forms::BeepCount(), pitidos + 2);
    ::Agenda->btAnoMas->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2, 1, 15)));
}

TEST_F(AgendaFormTest, TheDayChosenInThePlannerBecomesTheWorkingDay) {
    Apunte(EncodeDate(2001, 7, 9), QStringLiteral("P"), QStringLiteral("Vacaciones"));
    Abre();
    VeA(EncodeDate(2001, 4, 2));
    harness->AnswerModal([](TCustomForm& f) {
        FechaPlanner = EncodeDate(2001, 7, 9);
        f.SetModalResult(mrOk);
    });
    ::Agenda->btPlanner->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2001, 7, 9)));
    EXPECT_EQ(double(::Agenda->Calendar->Date()), double(EncodeDate(2001, 7, 9)));
    EXPECT_EQ(Lista(), QStringList{QStringLiteral("P Vacaciones")});
    EXPECT_EQ(Marcados(), QStringList{QStringLiteral("9")});
    harness->AnswerModal(mrCancel);
    ::Agenda->btPlanner->Click();
    EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2001, 7, 9)));
}

TEST_F(AgendaFormTest, PrintingAsksTheLimitsFromTheWorkingDayAndPreviewsTheList) {
    Apunte(EncodeDate(2001, 4, 2), QStringLiteral("P"), QStringLiteral("Dentista"));
    Abre();
    VeA(EncodeDate(2001, 4, 2));
    ::Agenda->btDesp->SetChecked(false);
    QString desde, hasta;
    bool consultas = true;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& d = static_cast<TLimAgen&>(f);
        desde = d.EDesde->Text();
        hasta = d.EHasta->Text();
        consultas = d.btDesp->Checked();
        d.SetModalResult(mrOk);
    });
    harness->AnswerModal(mrOk);  // the preview
    ::Agenda->btImprimir->Click();
    EXPECT_EQ(desde, QStringLiteral("02/04/2001"));
    EXPECT_EQ(hasta, QStringLiteral("02/04/2001"));
    EXPECT_FALSE(consultas);
    ASSERT_EQ(harness->ModalForms().size(), 2u);
    EXPECT_TRUE(harness->ModalForms().back().FormClass.contains(QStringLiteral("PreView")));
    EXPECT_TRUE(::Agenda->btImprimir->OnClick().Assigned());
}

TEST_F(AgendaFormTest, TheAttachedDocumentShowsWithItsIconAndEachMailedCopyHasAFolderOfItsOwn) {
    QDir().mkpath(dir.filePath(QStringLiteral("Escritos")));
    Escribe(dir.filePath(QStringLiteral("Escritos/42.odt")), "escrito");
    Apunte(EncodeDate(2001, 4, 2), QStringLiteral("P"), QStringLiteral("Sin documento"), 0, {}, {}, 0, EncodeTime(8, 0, 0, 0));
    Apunte(EncodeDate(2001, 4, 2), QStringLiteral("P"), QStringLiteral("Escrito de alegaciones"));
    Dat->TAgen->Edit();
    F(Dat->TAgen, "ARCHIVADO")->SetAsString(QStringLiteral("X"));
    F(Dat->TAgen, "ESCRITO")->SetAsInteger(42);
    F(Dat->TAgen, "EXTENSION")->SetAsString(QStringLiteral(".odt"));
    Dat->TAgen->Post();
    Abre();
    VeA(EncodeDate(2001, 4, 2));
    ::Agenda->TAgen3->First();
    EXPECT_FALSE(::Agenda->btEscrito->Enabled());
    EXPECT_EQ(::Agenda->lvAttachments->Items()->Count(), 0);
    ::Agenda->TAgen3->Last();
    ASSERT_TRUE(::Agenda->btMail->Enabled());
    ASSERT_EQ(::Agenda->lvAttachments->Items()->Count(), 1);
    EXPECT_EQ(::Agenda->lvAttachments->Items()->Item(0)->Caption(), QStringLiteral("42.odt"));
    EXPECT_EQ(::Agenda->lvAttachments->Items()->Item(0)->SubItems()->Strings(0), dir.filePath(QStringLiteral("Escritos/42.odt")));
    EXPECT_FALSE(::Agenda->lvAttachments->ItemImage(0).isNull());

    MapiLoaded = false;
    ::Agenda->btMail->Click();
    EXPECT_EQ(Texts().last(), QStringLiteral("No hay ningún sistema de correo disponible"));
    InitializeMapi();
    ASSERT_TRUE(MapiLoaded);  // the desktop's mail client
    QStringList adjuntos;
    QString asunto;
    for (int i = 0; i < 2; ++i) {
        harness->AnswerModal([&](TCustomForm& f) {
            auto& m = static_cast<TfrmMail&>(f);
            adjuntos << m.AttachmentPaths();
            asunto = m.txtSubject->Text();
            m.SetModalResult(mrCancel);
        });
        ::Agenda->btMail->Click();
    }
    ASSERT_EQ(adjuntos.size(), 2);
    EXPECT_NE(QFileInfo(adjuntos[0]).absolutePath(), QFileInfo(adjuntos[1]).absolutePath());
    for (const QString& a : adjuntos) {
        EXPECT_EQ(QFileInfo(a).fileName(), QStringLiteral("Documento Adjunto.odt"));
        EXPECT_TRUE(a.startsWith(CarpetaPrivada));
        EXPECT_EQ(Lee(a), QByteArray("escrito"));
        QDir(QFileInfo(a).path()).removeRecursively();  // the user's private folder keeps no test copies
    }
    EXPECT_EQ(asunto, QStringLiteral("Escrito de alegaciones"));

    QFile::remove(dir.filePath(QStringLiteral("Escritos/42.odt")));
    ::Agenda->btMail->Click();
    EXPECT_EQ(Texts().last(), QStringLiteral("No existe archivo : ") + dir.filePath(QStringLiteral("Escritos/42.odt")));
}

}  // namespace

namespace {

// The daily agenda with a day of entries, for review; with ZEMBRA_RENDER_DOCS set to a folder the
// picture is written there (docs/forms).
TEST_F(AgendaFormTest, RenderTheDayWithEntries) {
    const TDateTime d = EncodeDate(2001, 4, 2);
    AddCase(QStringLiteral("2001"), QStringLiteral("00012-A"));
    QDir().mkpath(dir.filePath(QStringLiteral("Escritos")));
    Escribe(dir.filePath(QStringLiteral("Escritos/42.pdf")), "%PDF-1.4\n");
    Apunte(d, QStringLiteral("X"), QStringLiteral("AVISO de Vista oral en el Juzgado nº 3"), 0, QStringLiteral("2001"),
           QStringLiteral("00012-A"), 1, EncodeTime(9, 0, 0, 0));
    Apunte(d, QStringLiteral("E"), QStringLiteral("Presentar escrito de alegaciones"), 0, QStringLiteral("2001"),
           QStringLiteral("00012-A"), 2, EncodeTime(10, 30, 0, 0));
    Dat->TAgen->Edit();
    F(Dat->TAgen, "ARCHIVADO")->SetAsString(QStringLiteral("X"));
    F(Dat->TAgen, "ESCRITO")->SetAsInteger(42);
    F(Dat->TAgen, "EXTENSION")->SetAsString(QStringLiteral(".pdf"));
    Dat->TAgen->Post();
    Apunte(d, QStringLiteral("C"), QStringLiteral("Consulta sobre herencia"), 0, QStringLiteral("2001"), QStringLiteral("00004-A"), 1,
           EncodeTime(12, 0, 0, 0));
    Apunte(d, QStringLiteral("P"), QStringLiteral("Comida con el procurador"), 0, {}, {}, 0, EncodeTime(14, 15, 0, 0));
    Apunte(EncodeDate(2001, 4, 9), QStringLiteral("P"), QStringLiteral("Otro día"));
    Apunte(EncodeDate(2001, 4, 20), QStringLiteral("E"), QStringLiteral("Juicio"), 0, QStringLiteral("2001"), QStringLiteral("00012-A"));
    Abre();
    ::Agenda->Calendar->SetDate(d);
    ::Agenda->TAgen3->Locate(QStringLiteral("HORA"), Variant(EncodeTime(10, 30, 0, 0)), 0);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(::Agenda->lvAttachments->Items()->Count(), 1);
    EXPECT_EQ(::Agenda->TAgen3->RecordCount(), 4);
    EXPECT_TRUE(::Agenda->btAbrir->Enabled());
    EXPECT_TRUE(::Agenda->btRealizado->Down());
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString carpeta = docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs);
    const QString ruta = QDir(carpeta).filePath(QStringLiteral("UAgenda.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(::Agenda, ruta));
    EXPECT_FALSE(QImage(ruta).isNull());
}

}  // namespace

namespace {

// The entry editor over a case file's entry with a notice, for review (docs/forms with
// ZEMBRA_RENDER_DOCS): an entry of a case file with the day of its notice typed.
TEST_F(AgendaFormTest, RenderTheEntryEditor) {
    const TDateTime d = EncodeDate(2001, 4, 2);
    AddCase(QStringLiteral("2001"), QStringLiteral("00012-A"));
    Apunte(d, QStringLiteral("E"), QStringLiteral("Presentar escrito de alegaciones ante el Juzgado nº 3"), 0,
           QStringLiteral("2001"), QStringLiteral("00012-A"), 1, EncodeTime(10, 30, 0, 0));
    Abre();
    ::Agenda->Calendar->SetDate(d);
    TFormHarness::ProcessEvents();
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString ruta = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath(QStringLiteral("UAnotacion.png"));
    QString relacion;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& n = static_cast<TFNota&>(f);
        n.Aviso->SetText(QStringLiteral("30/03/2001"));
        TFormHarness::ProcessEvents();
        relacion = n.cbRelacion->Text();
        EXPECT_EQ(n.Texto->Text(), QStringLiteral("Presentar escrito de alegaciones ante el Juzgado nº 3"));
        EXPECT_TRUE(TFormHarness::SaveToPng(&n, ruta));
        n.btNo->Click();
    });
    ::Agenda->btEdit->Click();
    EXPECT_EQ(relacion, QStringLiteral("de Expediente"));
    EXPECT_FALSE(QImage(ruta).isNull());
}

}  // namespace
