// The agenda of a case file over a real data folder: opened from the case-file form on its case,
// its filters, the done mark, deleting, opening a document and the case's evolution report.
#include "../records/CasoFixture.h"
#include "agenda/RptDirExp.h"
#include "agenda/UAgendaExp.h"
#include "documents/MapiLoader.h"
#include "agenda/UAnotacion.h"
#include "comun/Ganchos.h"
#include "records/UExpediente.h"

#include <QDir>
#include <QWidget>
#include <QFile>
#include <QFileInfo>

namespace {

using platform::forms::TFormHarness;

class AgendaExpTest : public casotest::CasoTest {
protected:
    void SetUp() override {
        CasoTest::SetUp();
        AddCase(QStringLiteral("2001"), QStringLiteral("00012-A"));
        AddCase(QStringLiteral("2001"), QStringLiteral("00013-A"));
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
        CaseField("ABOCLI", Variant(Abogado));
        for (const char* t : {"GENERAL", "PROCEDIMIENTO"}) {
            if (Dat->TTipoAgenda->Locate(QStringLiteral("TIPO"), Variant(QString::fromLatin1(t)), 0)) continue;  // a new folder has it
            Dat->TTipoAgenda->Append();
            Dat->TTipoAgenda->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromLatin1(t));
            Dat->TTipoAgenda->Post();
        }
        Apunte("00012-A", "E", "APERTURA DE EXPEDIENTE", "GENERAL", 0);
        Apunte("00012-A", "E", "PRESENTACIÓN DEMANDA", "PROCEDIMIENTO", 2, "S", 4, ".odt");
        Apunte("00012-A", "X", "AVISO: SEÑALAMIENTO", "PROCEDIMIENTO", 1, "S");
        Apunte("00012-A", "E", "ESCRITO DEL CLIENTE", "GENERAL", 1, "X", 9, ".pdf");
        Apunte("00012-A", "C", "CONSULTA CON EL MISMO NÚMERO", "GENERAL", 0);
        Apunte("00013-A", "E", "OTRO EXPEDIENTE", "GENERAL", 0);
        ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00012-A")));
        Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0);
        comun::AbreAgendaExpediente = &agenda::AbreAgendaExpediente;
    }
    void TearDown() override {
        comun::AbreAgendaExpediente = nullptr;
        CasoTest::TearDown();
    }
    void Apunte(const char* numero, const char* tipo, const char* texto, const char* tipoAgenda, int codigo,
                const char* archivado = "", int escrito = 0, const char* extension = "") {
        TTable* t = Dat->TAgen;
        t->Append();
        t->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
        t->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2001, 4, 2 + FNotas));
        t->FieldByName(QStringLiteral("HORA"))->SetAsDateTime(EncodeTime(9 + FNotas, 30, 0, 0));
        ++FNotas;
        t->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromLatin1(tipo));
        t->FieldByName(QStringLiteral("ANO"))->SetAsString(QStringLiteral("2001"));
        t->FieldByName(QStringLiteral("NUMERO"))->SetAsString(QString::fromLatin1(numero));
        t->FieldByName(QStringLiteral("SITUACION"))->SetAsString(QString::fromUtf8(texto));
        t->FieldByName(QStringLiteral("TIPOAGENDA"))->SetAsString(QString::fromLatin1(tipoAgenda));
        t->FieldByName(QStringLiteral("CODIGO"))->SetAsInteger(codigo);
        t->FieldByName(QStringLiteral("ARCHIVADO"))->SetAsString(QString::fromLatin1(archivado));
        if (escrito) t->FieldByName(QStringLiteral("ESCRITO"))->SetAsInteger(escrito);
        t->FieldByName(QStringLiteral("EXTENSION"))->SetAsString(QString::fromLatin1(extension));
        t->Post();
    }
    // The entries a list shows: the case agenda's own unless another is given.
    QStringList Lista(TDataSet* t = nullptr) const {
        QStringList r;
        if (!t) t = lista;
        for (t->First(); !t->Eof(); t->Next()) r << t->FieldByName(QStringLiteral("SITUACION"))->AsString();
        return r;
    }
    // The form as the case-file form opens it, with the edit flag given.
    TAgendaExp* Abre(bool edicion) {
        auto* f = new TAgendaExp(Application);
        f->ActivaEdicion(edicion);
        f->FormShow(f);
        lista = f->TAgen2;
        return f;
    }
    void Sql(const QString& sql) {
        TQuery q(nullptr);
        q.SetDatabaseName(Dat->Db->DatabaseName());
        q.SQL()->SetText(sql);
        q.ExecSQL();
    }
    // The text of the report just previewed; empty without pdftotext.
    QString TextoInforme() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) return QString();
        const QString pdf = dir.filePath(QStringLiteral("informe.pdf"));
        QRPrinter->ExportToPdf(pdf);
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
        if (!p.waitForFinished(60000)) return QString();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    bool Situa(const QString& texto) { return lista->Locate(QStringLiteral("SITUACION"), Variant(texto), 0); }

    TTable* lista = nullptr;  // the list of the case agenda open
};

TEST_F(AgendaExpTest, TheCaseFileFormOpensTheAgendaOfItsCaseAndGetsItsListBack) {
    auto* expediente = new TExpediente(nullptr);
    expediente->Show();
    expediente->FormShow(expediente);
    ASSERT_TRUE(expediente->btOpenAgen->Enabled());
    const QStringList antes = Lista(expediente->TAgen2);
    EXPECT_EQ(antes.size(), 4);
    QStringList vistas, sinAvisos, procedimiento;
    QString caption;
    bool edicion = false;
    harness->AnswerModal([&](TCustomForm& d) {
        auto& f = dynamic_cast<TAgendaExp&>(d);
        caption = f.Caption();
        edicion = f.btAdd->Enabled();
        vistas = Lista(f.TAgen2);
        f.cbAvisos->SetChecked(false);
        f.cbAvisosClick(f.cbAvisos);
        EXPECT_EQ(f.cbAvisos->Caption(), QStringLiteral("No"));
        sinAvisos = Lista(f.TAgen2);
        f.cbTipoAgenda->SetItemIndex(f.cbTipoAgenda->Items()->IndexOf(QStringLiteral("PROCEDIMIENTO")));
        f.cbTipoAgendaChange(f.cbTipoAgenda);
        procedimiento = Lista(f.TAgen2);
        f.SetModalResult(mrOk);
    });
    expediente->btOpenAgen->Click();
    EXPECT_EQ(caption, QStringLiteral("Agenda del Expediente 01/00012-A"));
    EXPECT_TRUE(edicion);
    // Entries and notices of this case only; never a consultation's, never another case's.
    EXPECT_EQ(vistas, (QStringList{QStringLiteral("APERTURA DE EXPEDIENTE"), QStringLiteral("PRESENTACIÓN DEMANDA"),
                                   QStringLiteral("AVISO: SEÑALAMIENTO"), QStringLiteral("ESCRITO DEL CLIENTE")}));
    EXPECT_EQ(sinAvisos.size(), 3);
    EXPECT_FALSE(sinAvisos.contains(QStringLiteral("AVISO: SEÑALAMIENTO")));
    EXPECT_EQ(procedimiento, QStringList{QStringLiteral("PRESENTACIÓN DEMANDA")});
    // The case-file form has its own list again.
    TFormHarness::ProcessEvents();
    EXPECT_EQ(Lista(expediente->TAgen2), antes);
    expediente->cbSitProc->SetChecked(true);
    expediente->cbSitProcClick(expediente->cbSitProc);
    EXPECT_EQ(Lista(expediente->TAgen2).size(), 2);
    delete expediente;
}

// While the case agenda is open over the case-file form, the form's own grid keeps the list its
// own box asks for, whatever the agenda narrows its list to.
TEST_F(AgendaExpTest, TheCaseFileFormsGridKeepsItsOwnListWhileTheCaseAgendaFiltersItsOwn) {
    auto* expediente = new TExpediente(nullptr);
    expediente->Show();
    expediente->FormShow(expediente);
    expediente->cbSitProc->SetChecked(true);
    expediente->cbSitProcClick(expediente->cbSitProc);
    TDataSet* rejilla = expediente->DBAgenda->DataSource()->DataSet();
    const QStringList procesales{QStringLiteral("PRESENTACIÓN DEMANDA"), QStringLiteral("AVISO: SEÑALAMIENTO")};
    ASSERT_EQ(Lista(rejilla), procesales);
    QStringList detras, propia;
    harness->AnswerModal([&](TCustomForm& d) {
        auto& f = dynamic_cast<TAgendaExp&>(d);
        f.cbAvisos->SetChecked(false);
        f.cbAvisosClick(f.cbAvisos);
        f.cbTipoAgenda->SetItemIndex(f.cbTipoAgenda->Items()->IndexOf(QStringLiteral("GENERAL")));
        f.cbTipoAgendaChange(f.cbTipoAgenda);
        propia = Lista(f.DBAgenda->DataSource()->DataSet());
        detras = Lista(rejilla);
        f.SetModalResult(mrOk);
    });
    expediente->btOpenAgen->Click();
    EXPECT_EQ(propia, (QStringList{QStringLiteral("APERTURA DE EXPEDIENTE"), QStringLiteral("ESCRITO DEL CLIENTE")}));
    EXPECT_EQ(detras, procesales);
    TFormHarness::ProcessEvents();
    EXPECT_EQ(Lista(rejilla), procesales);
    delete expediente;
}

TEST_F(AgendaExpTest, WithoutTheEditFlagNothingIsAddedEditedOrDeleted) {
    auto* f = Abre(false);
    ASSERT_EQ(Lista().size(), 4);
    for (TSpeedItem* i : {f->btAdd, f->btEdit, f->btDel}) EXPECT_FALSE(i->Enabled()) << i->Name().toStdString();
    EXPECT_FALSE(f->Editar1->Enabled());
    EXPECT_FALSE(f->Borrar1->Enabled());
    quint16 key = VK_DELETE;
    f->FormKeyDown(f, key, ssCtrl);
    f->btDelClick(f->btDel);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 6);
    delete f;
}

// The case agenda left open while another workstation deleted its case file took new entries all
// the same, stray rows of a case file nobody could open again.
TEST_F(AgendaExpTest, NoEntryIsAddedToACaseFileDeletedElsewhere) {
    auto* f = Abre(true);
    Sql(QStringLiteral("DELETE FROM EXPED WHERE ANO = '2001' AND NUMERO = '00012-A'"));
    const int antes = Cuenta(QStringLiteral("AGENDA"));
    bool editor = false;
    harness->AnswerModal([&](TCustomForm& e) {
        editor = true;
        e.SetModalResult(mrCancel);
    });
    f->btAdd->Click();
    EXPECT_FALSE(editor);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Expediente NO EXISTE")});
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), antes);
    EXPECT_EQ(Dat->TAgen->State(), dsBrowse);
    delete f;
}

TEST_F(AgendaExpTest, MarkingDoneAnEntryDeletedElsewhereSaysSoAndListsWhatIsStored) {
    auto* f = Abre(true);
    const int antes = Lista().size();
    ASSERT_TRUE(Situa(QStringLiteral("APERTURA DE EXPEDIENTE")));
    // Another workstation deletes it.
    TQuery q(nullptr);
    q.SetDatabaseName(Dat->Db->DatabaseName());
    q.SQL()->SetText(QStringLiteral("DELETE FROM AGENDA WHERE SITUACION = 'APERTURA DE EXPEDIENTE'"));
    q.ExecSQL();
    f->btRealizado->SetDown(true);
    f->btRealizadoClick(f->btRealizado);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Línea de Agenda NO EXISTE")});
    EXPECT_EQ(Lista().size(), antes - 1);
    EXPECT_FALSE(Lista().contains(QStringLiteral("APERTURA DE EXPEDIENTE")));
    delete f;
}

TEST_F(AgendaExpTest, DoneMarkDeleteAndTheRowIcons) {
    auto* f = Abre(true);
    ASSERT_TRUE(Situa(QStringLiteral("APERTURA DE EXPEDIENTE")));
    EXPECT_TRUE(f->btRealizado->Enabled());
    EXPECT_FALSE(f->btRealizado->Down());
    f->btRealizado->SetDown(true);
    f->btRealizadoClick(f->btRealizado);
    EXPECT_EQ(Valor(QStringLiteral("SELECT CODIGO FROM AGENDA WHERE SITUACION = 'APERTURA DE EXPEDIENTE'")).AsInteger(), 2);
    EXPECT_EQ(f->TAgen2->FieldByName(QStringLiteral("SITUACION"))->AsString(), QStringLiteral("APERTURA DE EXPEDIENTE"));
    f->btRealizado->SetDown(false);
    f->btRealizadoClick(f->btRealizado);
    EXPECT_EQ(Valor(QStringLiteral("SELECT CODIGO FROM AGENDA WHERE SITUACION = 'APERTURA DE EXPEDIENTE'")).AsInteger(), 1);
    ASSERT_TRUE(Situa(QStringLiteral("PRESENTACIÓN DEMANDA")));
    EXPECT_TRUE(f->btRealizado->Down());
    EXPECT_TRUE(f->btEscrito->Enabled());
    ASSERT_TRUE(Situa(QStringLiteral("APERTURA DE EXPEDIENTE")));
    EXPECT_FALSE(f->btEscrito->Enabled());
    EXPECT_FALSE(f->AbrirEscrito1->Enabled());

    // Deleting asks through the data module; No keeps the entry.
    harness->AnswerMessage(mrNo);
    EXPECT_THROW(f->btDelClick(f->btDel), EAbort);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE NUMERO = '00012-A'")), 5);
    harness->AnswerMessage(mrYes);
    f->btDelClick(f->btDel);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE NUMERO = '00012-A'")), 4);
    EXPECT_EQ(Lista().size(), 3);
    // An entry another workstation removed is not edited.
    ASSERT_TRUE(Situa(QStringLiteral("ESCRITO DEL CLIENTE")));
    Sql(QStringLiteral("DELETE FROM AGENDA WHERE SITUACION = 'ESCRITO DEL CLIENTE'"));
    f->btEditClick(f->btEdit);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("Línea de Agenda NO EXISTE"));
    delete f;
}

TEST_F(AgendaExpTest, EntriesAddedHereBelongToTheCaseAndEditsGoThroughTheEntryTable) {
    auto* f = Abre(true);
    QString relacion;
    bool relacionFija = true;
    harness->AnswerModal([&](TCustomForm& d) {
        auto& nota = dynamic_cast<TFNota&>(d);
        relacion = nota.cbRelacion->Text();
        relacionFija = !nota.cbRelacion->Enabled();
        nota.Texto->SetText(QStringLiteral("NUEVA VISTA ORAL"));
        TFormHarness::Click(nota.BitBtn1);
    });
    f->btAddClick(f->btAdd);
    EXPECT_EQ(relacion, QStringLiteral("de Expediente"));
    EXPECT_TRUE(relacionFija);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE SITUACION = 'NUEVA VISTA ORAL' AND TIPO = 'E' AND ANO = '2001' AND NUMERO = '00012-A'")), 1);
    EXPECT_EQ(f->TAgen2->FieldByName(QStringLiteral("SITUACION"))->AsString(), QStringLiteral("NUEVA VISTA ORAL"));
    EXPECT_EQ(Lista().size(), 5);

    // Editing the row shown changes that row, found by its number.
    ASSERT_TRUE(Situa(QStringLiteral("APERTURA DE EXPEDIENTE")));
    QString texto;
    harness->AnswerModal([&](TCustomForm& d) {
        auto& nota = dynamic_cast<TFNota&>(d);
        texto = nota.Texto->Text();
        EXPECT_FALSE(nota.cbExped->Visible());
        nota.Texto->SetText(QStringLiteral("APERTURA Y REPARTO"));
        TFormHarness::Click(nota.BitBtn1);
    });
    f->btEditClick(f->btEdit);
    EXPECT_EQ(texto, QStringLiteral("APERTURA DE EXPEDIENTE"));
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE SITUACION = 'APERTURA Y REPARTO' AND NUMERO = '00012-A'")), 1);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE SITUACION = 'APERTURA DE EXPEDIENTE'")), 0);
    EXPECT_EQ(f->TAgen2->FieldByName(QStringLiteral("SITUACION"))->AsString(), QStringLiteral("APERTURA Y REPARTO"));
    // No changes nothing.
    harness->AnswerModal(mrNo);
    f->btEditClick(f->btEdit);
    EXPECT_EQ(Dat->TAgen->State(), dsBrowse);
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA")), 7);
    delete f;
}

TEST_F(AgendaExpTest, TheDocumentIsMailedAsACopyWithTheEntryAsSubject) {
    auto* f = Abre(true);
    ASSERT_TRUE(Situa(QStringLiteral("ESCRITO DEL CLIENTE")));
    EXPECT_FALSE(f->btMail->Enabled()) << "no mail form installed";
    QString adjunto, asunto;
    comun::EnviaPorCorreo = [&](const QString& a, const QString& s) {
        adjunto = a;
        asunto = s;
    };
    f->ActiveSourceDataChange(f->ActiveSource, nullptr);
    ASSERT_TRUE(f->btMail->Enabled());
    // A document that is not there: nothing happens.
    f->btMailClick(f->btMail);
    EXPECT_TRUE(adjunto.isEmpty());
    EXPECT_TRUE(harness->Messages().empty());
    const QString ruta = agenda::RutaEscrito(9, QStringLiteral(".pdf"));
    ASSERT_TRUE(QDir().mkpath(QFileInfo(ruta).path()));
    {
        QFile doc(ruta);
        ASSERT_TRUE(doc.open(QIODevice::WriteOnly));
        doc.write("%PDF-1.4 escrito");
    }
    // No way to send: said in Spanish, and no mail form.
    MapiLoaded = false;
    f->btMailClick(f->btMail);
    EXPECT_TRUE(adjunto.isEmpty());
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("No hay ningún sistema de correo disponible")});
    MapiLoaded = true;
    f->btMailClick(f->btMail);
    MapiLoaded = false;
    EXPECT_EQ(asunto, QStringLiteral("ESCRITO DEL CLIENTE"));
    EXPECT_EQ(QFileInfo(adjunto).fileName(), QStringLiteral("Documento Adjunto.pdf"));
    QFile copia(adjunto);
    ASSERT_TRUE(copia.open(QIODevice::ReadOnly));
    EXPECT_EQ(copia.readAll(), QByteArray("%PDF-1.4 escrito"));
    copia.close();
    QDir(QFileInfo(adjunto).path()).removeRecursively();  // the user's private folder keeps no test copies
    comun::EnviaPorCorreo = nullptr;
    delete f;
}

// Without a pattern in the office settings, joining a document to an entry offers the documents
// of the editor in use, as the document list does, not an empty filter.
TEST_F(AgendaExpTest, JoiningADocumentWithoutASettingsPatternOffersTheEditorsDocuments) {
    Sql(QStringLiteral("UPDATE SISTEM SET FILEEXT = '', EDITOR = 'WordPro96'"));
    auto* f = Abre(true);
    QString filtro;
    harness->AnswerModal([&](TCustomForm& d) {
        auto& nota = dynamic_cast<TFNota&>(d);
        harness->AnswerFile(QString());
        TFormHarness::Click(nota.btEscrito);
        filtro = nota.SelectFile->Filter();
        d.SetModalResult(mrCancel);
    });
    f->btAddClick(f->btAdd);
    EXPECT_EQ(filtro, QStringLiteral("Documentos|*.odt"));
    delete f;
}

TEST_F(AgendaExpTest, AMissingDocumentIsReportedByName) {
    auto* f = Abre(true);
    ASSERT_TRUE(Situa(QStringLiteral("ESCRITO DEL CLIENTE")));
    ASSERT_TRUE(f->btEscrito->Enabled());
    f->btEscritoClick(f->btEscrito);
    ASSERT_FALSE(harness->Messages().empty());
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("No existe archivo : 9.pdf"));
    delete f;
}

TEST_F(AgendaExpTest, TheEvolutionReportListsTheCaseDayByDay) {
    auto* f = Abre(true);
    harness->AnswerModal(mrOk);
    f->btImprimirClick(f->btImprimir);
    ASSERT_EQ(harness->ModalForms().size(), 1u);
    EXPECT_TRUE(harness->ModalForms().back().FormClass.contains(QStringLiteral("PreView")));
    EXPECT_TRUE(f->btImprimir->OnClick().Assigned());
    DibujaInforme(QStringLiteral("RptDirExp"));
    const QString todo = TextoInforme();
    if (!todo.isEmpty()) {
        for (const char* t : {"EVOLUCIÓN DEL EXPEDIENTE", "2001/00012-A", "RUIZ, PEDRO", "TODOS", "02/04/2001", "APERTURA DE EXPEDIENTE",
                              "AVISO: SEÑALAMIENTO", "ESCRITO DEL CLIENTE"})
            EXPECT_TRUE(todo.contains(QString::fromUtf8(t))) << t << "\n" << todo.toStdString();
        EXPECT_FALSE(todo.contains(QStringLiteral("OTRO EXPEDIENTE")));
        EXPECT_TRUE(todo.simplified().contains(QStringLiteral("02/04/2001 09:30 APERTURA"))) << "the hour without seconds";
        EXPECT_FALSE(todo.contains(QStringLiteral("CONSULTA CON")));
    }
    // Without notices and of one type only.
    f->cbAvisos->SetChecked(false);
    f->cbAvisosClick(f->cbAvisos);
    f->cbTipoAgenda->SetItemIndex(f->cbTipoAgenda->Items()->IndexOf(QStringLiteral("PROCEDIMIENTO")));
    f->cbTipoAgendaChange(f->cbTipoAgenda);
    harness->AnswerModal(mrOk);
    f->btImprimirClick(f->btImprimir);
    const QString uno = TextoInforme();
    if (!uno.isEmpty()) {
        EXPECT_TRUE(uno.contains(QStringLiteral("PRESENTACIÓN DEMANDA")));
        EXPECT_FALSE(uno.contains(QStringLiteral("AVISO: SEÑALAMIENTO")));
        EXPECT_FALSE(uno.contains(QStringLiteral("APERTURA DE EXPEDIENTE")));
    }
    TFormHarness::ProcessEvents();
    delete f;
}

// On a screen narrower than the form (the test's is 800 pixels wide) the window fits it and
// keeps its designed layout: the bar's last buttons, "Calendario" and "Volver", are scrolled to.
TEST_F(AgendaExpTest, OnANarrowScreenTheBarsLastButtonsAreScrolledTo) {
    auto* f = Abre(true);
    f->Show();
    TFormHarness::ProcessEvents();
    const TRect area = Screen->WorkAreaRect();
    EXPECT_LE(f->Widget()->frameGeometry().right(), area.Right);
    EXPECT_TRUE(f->HorzScrollBar()->IsScrollBarVisible());
    TControl* volver = f->btSalir->Button();
    EXPECT_LE(volver->Left() + volver->Width(), f->SpeedBar1->Width());
    const auto visto = [&](TControl* c) {
        const int x = c->Widget()->mapTo(f->Widget(), QPoint(0, 0)).x();
        return x >= 0 && x + c->Width() <= f->ClientWidth();
    };
    EXPECT_FALSE(visto(volver));
    f->ScrollInView(volver);
    EXPECT_TRUE(visto(volver));
    EXPECT_TRUE(visto(f->btCalendar->Button()));
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString path =
        QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath(QStringLiteral("UAgendaExp_800x600.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(f, path));
    delete f;
}

TEST_F(AgendaExpTest, Render) {
    auto* f = Abre(true);
    f->SetCaption(QStringLiteral("Agenda del Expediente 01/00012-A"));
    // As designed, wider than the test's screen.
    f->SetAutoScroll(false);
    f->Show();
    f->TAgen2->First();
    TFormHarness::ProcessEvents();
    const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
    const QString path = QDir(docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs)).filePath(QStringLiteral("UAgendaExp.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(f, path));
    EXPECT_FALSE(QImage(path).isNull());
    // Every item of the bar lies inside the form.
    for (TSpeedItem* i : {f->btFirst, f->btSalir, f->btCalendar})
        EXPECT_LE(i->Left() + f->SpeedBar1->BtnWidth(), f->ClientWidth()) << i->Name().toStdString();
    delete f;
}

}  // namespace

namespace {

// A user who reaches every lawyer opens the agenda of another lawyer's case file than the one
// the main window shows: the entry editor lists that case file and saves the entry on it.
TEST_F(AgendaExpTest, AnEntryOfAnotherLawyersCaseFileIsSavedOnThatCase) {
    const int otro = AddLawyer(QStringLiteral("VIDAL"), QStringLiteral("LUISA"));
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00013-A")));
    CaseField("ABOCLI", Variant(otro));
    ASSERT_TRUE(GoCase(QStringLiteral("2001"), QStringLiteral("00013-A")));
    Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0);
    auto* f = Abre(true);
    QString caso;
    harness->AnswerModal([&](TCustomForm& d) {
        auto& nota = dynamic_cast<TFNota&>(d);
        caso = nota.cbExped->Text();
        nota.Texto->SetText(QStringLiteral("VISTA DEL OTRO ABOGADO"));
        TFormHarness::Click(nota.BitBtn1);
    });
    f->btAddClick(f->btAdd);
    EXPECT_EQ(caso, QStringLiteral("2001 - 00013-A"));
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE SITUACION = 'VISTA DEL OTRO ABOGADO' AND TIPO = 'E' AND ANO = '2001' "
                                    "AND NUMERO = '00013-A'")),
              1);
    // On that lawyer's daily agenda, not on the one of the lawyer whose list led there.
    EXPECT_EQ(Cuenta(QStringLiteral("AGENDA WHERE SITUACION = 'VISTA DEL OTRO ABOGADO' AND ABOCLI = %1").arg(otro)), 1);
    delete f;
}

}  // namespace
