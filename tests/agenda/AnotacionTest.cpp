// The entry editor over a real data folder: what OK stores, its notice row, its checks, the
// attached document and its number, and a notice the data module refuses.
#include "AgendaFixture.h"
#include "agenda/UAnotacion.h"
#include "comun/Abusca2.h"
#include "comun/Calendario.h"
#include "documents/UFusion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

using agendatest::AgendaTest;
using agendatest::F;

class AnotacionTest : public AgendaTest {
protected:
    // Shows the editor over Dat->TAgen (already in insert or edit); `script` works the form.
    int Muestra(const std::function<void(TFNota&)>& script, bool edicion = false) {
        FNota = new TFNota(Application);
        if (edicion) FNota->PreparaEdicion();
        harness->AnswerModal([&](TCustomForm& f) { script(static_cast<TFNota&>(f)); });
        const int r = FNota->ShowModal();
        delete FNota;
        return r;
    }
    static void Ok(TFNota& f) { f.BitBtn1->Click(); }
};

TEST_F(AnotacionTest, PrivateEntryWithANoticeWritesTheEntryAndAZNotice) {
    Dat->TAgen->Insert();
    const int r = Muestra([](TFNota& f) {
        F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 4, 10));
        F(Dat->TAgen, "HORA")->SetAsDateTime(EncodeTime(10, 15, 0, 0));
        f.Texto->SetText(QStringLiteral("Llamar al perito"));
        f.Aviso->SetText(QStringLiteral("06/04/2001"));
        Ok(f);
    });
    ASSERT_EQ(r, mrOk);
    EXPECT_EQ(Dat->TAgen->State(), dsBrowse);
    const auto filas = Filas();
    ASSERT_EQ(filas.size(), 2u);
    EXPECT_EQ(filas[0], QStringLiteral("10/04/2001|10:15|P|||Llamar al perito|0|GENERAL|"));
    EXPECT_EQ(filas[1], QStringLiteral("06/04/2001|10:15|Z|||AVISO de Llamar al perito|0|GENERAL|"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT SITUACION FROM AGENDA WHERE ORDEN = %1").arg(OrdenAnotacion)).AsString(),
              QStringLiteral("Llamar al perito"));
}

TEST_F(AnotacionTest, CaseFileEntryNeedsItsCaseAndItsNoticeCopiesIt) {
    AddCase(QStringLiteral("2001"), QStringLiteral("00003-A"));
    CaseField("ABOCLI", Abogado);
    Dat->TAgen->Insert();
    QStringList mensajes;
    const int r = Muestra([&](TFNota& f) {
        F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 5, 2));
        F(Dat->TAgen, "HORA")->SetAsDateTime(EncodeTime(9, 0, 0, 0));
        F(Dat->TAgen, "CODIGO")->SetAsInteger(1);
        F(Dat->TAgen, "TIPO")->SetAsString(QStringLiteral("E"));  // "de Expediente" chosen
        EXPECT_EQ(f.cbRelacion->Text(), QStringLiteral("de Expediente"));
        f.cbRelacionChange(&f);
        EXPECT_TRUE(f.cbExped->Visible());
        EXPECT_FALSE(f.cbDespa->Visible());
        f.Texto->SetText(QStringLiteral("Vista oral"));
        f.Aviso->SetText(QStringLiteral("30/04/2001"));
        Ok(f);  // no case file chosen yet
        mensajes = Texts();
        f.cbExped->SetText(QStringLiteral("2001 - 00003-A"));
        Ok(f);
    });
    EXPECT_EQ(mensajes, QStringList{QStringLiteral("Debe seleccionar un número de EXPEDIENTE")});
    ASSERT_EQ(r, mrOk);
    const auto filas = Filas();
    ASSERT_EQ(filas.size(), 2u);
    EXPECT_EQ(filas[0], QStringLiteral("02/05/2001|09:00|E|2001|00003-A|Vista oral|1|GENERAL|"));
    EXPECT_EQ(filas[1], QStringLiteral("30/04/2001|09:00|X|2001|00003-A|AVISO de Vista oral|1|GENERAL|"));
}

TEST_F(AnotacionTest, ConsultationEntryGetsAYNoticeOfItsConsultation) {
    Ejecuta(QStringLiteral("INSERT INTO CONSULTAS (ANO, NUMERO, ABOCLI, SITUACION, NOMCLIENTE) VALUES ('2001', '00004-A', %1, 1, "
                           "'SANZ,EVA')")
                .arg(Abogado));
    Dat->TAgen->Insert();
    const int r = Muestra([&](TFNota& f) {
        F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 5, 2));
        F(Dat->TAgen, "HORA")->SetAsDateTime(EncodeTime(9, 0, 0, 0));
        F(Dat->TAgen, "TIPO")->SetAsString(QStringLiteral("C"));  // "de Consulta" chosen
        f.cbRelacionChange(&f);
        f.cbDespa->SetText(QStringLiteral("2001 - 00004-A"));
        f.Texto->SetText(QStringLiteral("Llamar a la clienta"));
        f.Aviso->SetText(QStringLiteral("30/04/2001"));
        Ok(f);
    });
    ASSERT_EQ(r, mrOk);
    const auto filas = Filas();
    ASSERT_EQ(filas.size(), 2u);
    EXPECT_EQ(filas[0], QStringLiteral("02/05/2001|09:00|C|2001|00004-A|Llamar a la clienta|0|GENERAL|"));
    EXPECT_EQ(filas[1], QStringLiteral("30/04/2001|09:00|Y|2001|00004-A|AVISO de Llamar a la clienta|0|GENERAL|"));
}

TEST_F(AnotacionTest, EmptyTextOrMissingConsultationKeepTheFormOpenAndStoreNothing) {
    Dat->TAgen->Insert();
    const int r = Muestra([&](TFNota& f) {
        f.Texto->SetText(QStringLiteral("   "));
        Ok(f);
        f.Texto->SetText(QStringLiteral("Consulta telefónica"));
        F(Dat->TAgen, "TIPO")->SetAsString(QStringLiteral("C"));
        f.cbRelacionChange(&f);
        EXPECT_TRUE(f.cbDespa->Visible());
        Ok(f);
        EXPECT_EQ(f.ModalResult(), mrNone);
        f.btNo->Click();
    });
    EXPECT_EQ(r, mrNo);
    EXPECT_EQ(Texts(), (QStringList{QStringLiteral("Texto no puede quedar vacío"),
                                    QStringLiteral("Debe seleccionar un número de DESPACHO")}));
    EXPECT_TRUE(Filas().empty());
    EXPECT_EQ(Dat->TAgen->State(), dsBrowse);
}

// A date or hour half typed (29/02 of a year that has none) and then "No": the field never gets
// the text, no conversion error stops the cancel and nothing is stored.
TEST_F(AnotacionTest, LeavingForNoDropsAHalfTypedDateOrHour) {
    Dat->TAgen->Insert();
    const int r = Muestra([&](TFNota& f) {
        for (TDBEditValidado* e : {f.Fecha, f.Hora}) {
            e->SetText(e == f.Fecha ? QStringLiteral("29/02/27  ") : QStringLiteral("25:  "));
            f.SetActiveControl(f.btNo);
            EXPECT_NO_THROW(e->DoExit());
        }
        f.btNo->Click();
    });
    EXPECT_EQ(r, mrNo);
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(QLatin1Char(';')).toStdString();
    EXPECT_TRUE(Filas().empty());
    EXPECT_EQ(Dat->TAgen->State(), dsBrowse);
}

// Enter in a field moves on to the next one instead of pressing OK on a half-typed entry; on OK
// itself it saves.
TEST_F(AnotacionTest, EnterInAFieldMovesOnAndOnOkSaves) {
    using platform::forms::TFormHarness;
    Dat->TAgen->Insert();
    const int r = Muestra([&](TFNota& f) {
        TFormHarness::Focus(f.Fecha);
        TFormHarness::PressKey(f.Fecha, VK_RETURN);
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_NE(TFormHarness::Focused(), f.Fecha);
        f.Texto->SetText(QStringLiteral("Llamar al procurador"));
        TFormHarness::Focus(f.BitBtn1);
        TFormHarness::PressKey(f.BitBtn1, VK_RETURN);
    });
    EXPECT_EQ(r, mrOk);
    EXPECT_TRUE(Texts().isEmpty());
    EXPECT_EQ(Valor(QStringLiteral("SELECT SITUACION FROM AGENDA")).AsString(), QStringLiteral("Llamar al procurador"));
}

TEST_F(AnotacionTest, F4InADateOpensItsCalendarAndTheDayChosenIsWritten) {
    using platform::forms::TFormHarness;
    Dat->TAgen->Insert();
    F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 4, 10));
    TDateTime abierta;
    auto elige = [&](TDateTime dia) {
        harness->AnswerModal([&abierta, dia](TCustomForm& f) {
            auto& a = static_cast<TAlmanaque&>(f);
            abierta = EncodeDate(a.Calendar->Year(), a.Calendar->Month(), a.Calendar->Day());
            a.Calendar->SetDate(dia);
            TFormHarness::PressKey(a.Calendar, VK_RETURN);
        });
    };
    QString fecha, aviso;
    TWinControl* foco = nullptr;
    Muestra([&](TFNota& f) {
        TFormHarness::Focus(f.Fecha);
        elige(EncodeDate(2001, 4, 23));
        TFormHarness::PressKey(f.Fecha, VK_F4);
        fecha = f.Fecha->Text();
        EXPECT_EQ(double(abierta), double(EncodeDate(2001, 4, 10)));
        TFormHarness::Focus(f.Aviso);
        elige(EncodeDate(2001, 4, 20));
        TFormHarness::PressKey(f.Aviso, VK_F4);
        aviso = f.Aviso->Text();
        foco = f.ActiveControl() == f.Aviso ? f.Aviso : nullptr;
        f.btNo->Click();
    });
    EXPECT_EQ(fecha, QStringLiteral("23/04/2001"));
    EXPECT_EQ(aviso, QStringLiteral("20/04/2001"));
    EXPECT_NE(foco, nullptr);
}

TEST_F(AnotacionTest, WithoutTheConsultationRightOnlyPrivateAndCaseFileAreOffered) {
    Usuario(QStringLiteral("ANA"), -1);
    Dat->TPriv->Edit();
    F(Dat->TPriv, "Consulta")->SetAsBoolean(false);
    Dat->TPriv->Post();
    Dat->TAgen->Insert();
    QStringList ofrecidos;
    Muestra([&](TFNota& f) {
        for (int i = 0; i < f.cbRelacion->Items()->Count(); ++i) ofrecidos << f.cbRelacion->Items()->Strings(i);
        f.btNo->Click();
    });
    EXPECT_EQ(ofrecidos, (QStringList{QStringLiteral("Particular"), QStringLiteral("de Expediente")}));
}

TEST_F(AnotacionTest, DateAndHourChecksOnLeavingTheirFields) {
    Dat->TAgen->Insert();
    F(Dat->TAgen, "HORA")->Clear();
    Muestra([&](TFNota& f) {
        f.Fecha->SetText(QStringLiteral("31/02/2001"));
        EXPECT_THROW(f.Fecha->DoExit(), EAbort);
        EXPECT_EQ(Texts(), QStringList{QStringLiteral("FECHA ERRONEA : 31/02/2001")});
        f.Fecha->SetText(QStringLiteral("  /  /    "));
        f.Fecha->DoExit();
        EXPECT_EQ(f.Fecha->Text(), FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()));
        EXPECT_EQ(double(FechaAgenda), double(Date()));
        f.Fecha->SetText(QStringLiteral("07/03/2002"));
        f.Fecha->DoExit();
        EXPECT_EQ(double(FechaAgenda), double(EncodeDate(2002, 3, 7)));
        EXPECT_EQ(double(F(Dat->TAgen, "FECHA")->AsDateTime()), double(EncodeDate(2002, 3, 7)));
        f.Hora->SetText(QStringLiteral("  :  "));
        f.Hora->DoExit();
        EXPECT_FALSE(F(Dat->TAgen, "HORA")->IsNull());
        f.Hora->SetText(QStringLiteral("27:90"));
        EXPECT_THROW(f.Hora->DoExit(), EAbort);
        EXPECT_EQ(Texts().last(), QStringLiteral("HORA ERRONEA : 27:90"));
        f.Hora->SetText(QStringLiteral("10:30"));
        f.Hora->DoExit();
        EXPECT_EQ(FormatDateTime(QStringLiteral("hh:mm"), F(Dat->TAgen, "HORA")->AsDateTime()), QStringLiteral("10:30"));
        f.Aviso->SetText(QStringLiteral("99/99/2001"));
        EXPECT_THROW(f.AvisoExit(&f), EAbort);
        f.Aviso->SetText(QStringLiteral("  /  /    "));
        f.AvisoExit(&f);  // empty: no check
        f.btNo->Click();
    });
    EXPECT_EQ(Texts().size(), 3) << Texts().join(QLatin1Char(';')).toStdString();
}

TEST_F(AnotacionTest, ConceptWithDaysProposesTheNoticeThatManyDaysBeforeTheWorkingDay) {
    Concepto(QStringLiteral("Señalamiento de vista"), 3, QStringLiteral("GENERAL"));
    const int sinDias = Concepto(QStringLiteral("Recoger copia"), 0, QStringLiteral("GENERAL"));
    const int conDias = Valor(QStringLiteral("SELECT CODIGO FROM CONAGENDAS WHERE DIAS = 3")).AsInteger();
    FechaAgenda = EncodeDate(2001, 6, 11);
    Dat->TAgen->Insert();
    QStringList ofrecidos;
    Muestra([&](TFNota& f) {
        harness->AnswerModal([&](TCustomForm& b) {
            auto& d = static_cast<TBuscar2&>(b);
            for (d.QBusca->First(); !d.QBusca->Eof(); d.QBusca->Next()) ofrecidos << F(d.QBusca, "NOMBRE")->AsString();
            d.QBusca->Locate(QStringLiteral("CODIGO"), Variant(conDias), 0);
            d.SetModalResult(mrOk);
        });
        f.btBuscar->Click();
        EXPECT_EQ(f.Texto->Text(), QStringLiteral("Señalamiento de vista"));
        EXPECT_EQ(f.Aviso->Text(), QStringLiteral("08/06/2001"));
        harness->AnswerModal([&](TCustomForm& b) {
            auto& d = static_cast<TBuscar2&>(b);
            d.QBusca->Locate(QStringLiteral("CODIGO"), Variant(sinDias), 0);
            d.SetModalResult(mrOk);
        });
        f.btBuscar->Click();
        EXPECT_EQ(f.Texto->Text(), QStringLiteral("Recoger copia"));
        EXPECT_EQ(f.Aviso->Text(), QStringLiteral("08/06/2001"));
        f.btNo->Click();
    });
    EXPECT_EQ(ofrecidos, (QStringList{QStringLiteral("Recoger copia"), QStringLiteral("Señalamiento de vista")}));
}

TEST_F(AnotacionTest, AttachingTakesTheNextDocumentNumberAndNeverOverwritesAFile) {
    SetSistem("ESCEXP", Variant(41));
    const QString origen = dir.filePath(QStringLiteral("demanda.doc"));
    Escribe(origen, "contenido de la demanda");
    // A stale counter: 42 is already taken by another case's document.
    QDir().mkpath(dir.filePath(QStringLiteral("Escritos")));
    Escribe(dir.filePath(QStringLiteral("Escritos/42.odt")), "otro escrito");
    Dat->TAgen->Insert();
    const int r = Muestra([&](TFNota& f) {
        harness->AnswerFile(origen);
        f.btEscrito->Click();
        EXPECT_TRUE(f.btVer->Enabled());
        f.Texto->SetText(QStringLiteral("Demanda presentada"));
        Ok(f);
    });
    ASSERT_EQ(r, mrOk);
    EXPECT_EQ(Sistem("ESCEXP"), 43);
    EXPECT_EQ(Lee(dir.filePath(QStringLiteral("Escritos/42.odt"))), QByteArray("otro escrito"));
    EXPECT_EQ(Lee(dir.filePath(QStringLiteral("Escritos/43.doc"))), QByteArray("contenido de la demanda"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT ESCRITO || '|' || EXTENSION || '|' || ARCHIVADO FROM AGENDA")).AsString(),
              QStringLiteral("43|.doc|X"));
    EXPECT_TRUE(Texts().isEmpty());
}

TEST_F(AnotacionTest, ADocumentTheOfficeSuiteHoldsIsNotAttached) {
    SetSistem("ESCEXP", Variant(7));
    const QString origen = dir.filePath(QStringLiteral("carta.odt"));
    Escribe(origen, "carta");
    Escribe(dir.filePath(QStringLiteral(".~lock.carta.odt#")), "ANA,equipo");
    Dat->TAgen->Insert();
    Muestra([&](TFNota& f) {
        harness->AnswerFile(origen);
        f.btEscrito->Click();
        EXPECT_FALSE(f.btVer->Enabled());
        f.btNo->Click();
    });
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("El archivo ") + origen + QStringLiteral(" está abierto por otro usuario")});
    EXPECT_EQ(Sistem("ESCEXP"), 7);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("Escritos/8.odt"))));
}

TEST_F(AnotacionTest, CancellingTheFileChoiceCanDetachTheDocument) {
    Apunte(EncodeDate(2001, 4, 2), QStringLiteral("P"), QStringLiteral("Con documento"));
    Dat->TAgen->Edit();
    F(Dat->TAgen, "ARCHIVADO")->SetAsString(QStringLiteral("X"));
    F(Dat->TAgen, "ESCRITO")->SetAsInteger(5);
    F(Dat->TAgen, "EXTENSION")->SetAsString(QStringLiteral(".pdf"));
    Dat->TAgen->Post();
    Dat->TAgen->Edit();
    const int r = Muestra(
        [&](TFNota& f) {
            EXPECT_TRUE(f.btVer->Enabled());
            EXPECT_EQ(f.Texto->Text(), QStringLiteral("Con documento"));
            harness->AnswerFile(QString());
            harness->AnswerMessage(mrYes);
            f.btEscrito->Click();
            EXPECT_FALSE(f.btVer->Enabled());
            Ok(f);
        },
        true);
    ASSERT_EQ(r, mrOk);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("¿Desea eliminar el documento asociado?")});
    EXPECT_EQ(Valor(QStringLiteral("SELECT ESCRITO || '|' || EXTENSION || '|' || ARCHIVADO FROM AGENDA")).AsString(),
              QStringLiteral("0||"));
}

TEST_F(AnotacionTest, ANoticeTheDataModuleRefusesLeavesNoEntryAndKeepsWhatWasTyped) {
    // The data module refuses every notice row (as a full disk or a held lock would).
    const TDataSetNotifyEvent antes = Dat->TAgen->BeforePost;
    Dat->TAgen->BeforePost = TDataSetNotifyEvent([antes](TDataSet* ds) {
        if (ds->FieldByName(QStringLiteral("SITUACION"))->AsString().startsWith(QStringLiteral("AVISO de ")))
            throw EDatabaseError(QStringLiteral("disco lleno"));
        antes(ds);
    });
    const int contador = Sistem("AGENDA");
    Dat->TAgen->Insert();
    const int r = Muestra([&](TFNota& f) {
        F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 4, 10));
        f.Texto->SetText(QStringLiteral("Plazo de recurso"));
        f.Aviso->SetText(QStringLiteral("05/04/2001"));
        Ok(f);
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_EQ(Dat->TAgen->State(), dsInsert);
        EXPECT_EQ(F(Dat->TAgen, "SITUACION")->AsString(), QStringLiteral("Plazo de recurso"));
        EXPECT_EQ(double(F(Dat->TAgen, "FECHA")->AsDateTime()), double(EncodeDate(2001, 4, 10)));
        f.btNo->Click();
    });
    Dat->TAgen->BeforePost = antes;
    EXPECT_EQ(r, mrNo);
    EXPECT_TRUE(Texts().contains(QStringLiteral("ERROR al grabar el aviso: la anotación no se ha guardado")));
    EXPECT_TRUE(Filas().empty());
    EXPECT_EQ(Sistem("AGENDA"), contador);
    EXPECT_FALSE(Dat->Db->InTransaction());
}

TEST_F(AnotacionTest, AnEntryWhoseTransactionCannotStartIsRefusedAsAPostAndKeepsWhatWasTyped) {
    Dat->TAgen->Insert();
    const int r = Muestra([&](TFNota& f) {
        F(Dat->TAgen, "FECHA")->SetAsDateTime(EncodeDate(2001, 4, 10));
        f.Texto->SetText(QStringLiteral("Plazo de recurso"));
        f.Aviso->SetText(QStringLiteral("05/04/2001"));
        // One already running on the connection refuses it, as the write lock held elsewhere does.
        Dat->Db->StartTransaction();
        EXPECT_THROW(Ok(f), EAbort);  // silent after its message, as a refused post
        EXPECT_EQ(f.ModalResult(), mrNone);
        EXPECT_EQ(Dat->TAgen->State(), dsInsert);
        EXPECT_EQ(F(Dat->TAgen, "SITUACION")->AsString(), QStringLiteral("Plazo de recurso"));
        f.btNo->Click();
    });
    EXPECT_EQ(r, mrNo);
    // Said by the data module, as a refused post is; not the engine's bare text.
    ASSERT_EQ(Texts().size(), 1);
    EXPECT_TRUE(Texts()[0].startsWith(QStringLiteral("Error :"))) << Texts()[0].toStdString();
    EXPECT_TRUE(Filas().empty());
    EXPECT_FALSE(Dat->Db->InTransaction());
}

TEST_F(AnotacionTest, EditingAnEntryRewritesItsTextAndKeepsItsOrder) {
    const int orden = Apunte(EncodeDate(2001, 4, 2), QStringLiteral("P"), QStringLiteral("Antes"));
    Dat->TAgen->Locate(QStringLiteral("ORDEN"), Variant(orden), 0);
    Dat->TAgen->Edit();
    const int r = Muestra(
        [&](TFNota& f) {
            EXPECT_FALSE(f.btVer->Enabled());
            f.Texto->SetText(QStringLiteral("Después"));
            F(Dat->TAgen, "CODIGO")->SetAsInteger(2);
            EXPECT_EQ(f.Situacion->Text(), QStringLiteral("Resuelto"));
            Ok(f);
        },
        true);
    ASSERT_EQ(r, mrOk);
    EXPECT_EQ(OrdenAnotacion, orden);
    EXPECT_EQ(Filas(), (std::vector<QString>{QStringLiteral("02/04/2001|09:00|P|||Después|2|GENERAL|")}));
}

TEST(ShellTexts, EachResultCodeHasItsText) {
    EXPECT_EQ(agenda::TextoErrorShell(2), QStringLiteral("No existe archivo :"));
    EXPECT_EQ(agenda::TextoErrorShell(31), QStringLiteral("No hay ninguna aplicación asociada a archivo :"));
    EXPECT_EQ(agenda::TextoErrorShell(12), QStringLiteral("Error interno nº : 12 al abrir :"));
}

}  // namespace

namespace {
// With no application registered for the office's documents, the word processor found at start
// opens them; other files still say that nothing is registered for them.
TEST_F(AnotacionTest, ADocumentWithNoRegisteredApplicationOpensWithTheWordProcessor) {
    QTemporaryDir xdg;
    const char* const variables[] = {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CONFIG_DIRS"};
    std::vector<QByteArray> antes;
    for (const char* v : variables) {
        antes.push_back(qgetenv(v));
        qputenv(v, QFile::encodeName(xdg.path()));
    }
    const auto abreAntes = documents::AbreConEscritorio;
    QStringList abiertos;
    documents::AbreConEscritorio = [&](const QString& f) {
        abiertos << f;
        return true;
    };
    auto escribe = [](const QString& ruta) {
        QDir().mkpath(QFileInfo(ruta).absolutePath());
        QFile f(ruta);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    };
    escribe(agenda::RutaEscrito(7, QStringLiteral(".docx")));
    escribe(agenda::RutaEscrito(8, QStringLiteral(".xyz")));
    EXPECT_TRUE(agenda::AbreEscrito(7, QStringLiteral(".docx")));
    EXPECT_EQ(abiertos, QStringList{agenda::RutaEscrito(7, QStringLiteral(".docx"))});
    EXPECT_FALSE(agenda::AbreEscrito(8, QStringLiteral(".xyz")));
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("No hay ninguna aplicación asociada a archivo : 8.xyz"));
    EXPECT_EQ(abiertos.size(), 1);
    documents::AbreConEscritorio = abreAntes;
    for (size_t i = 0; i < antes.size(); ++i) {
        if (antes[i].isNull()) qunsetenv(variables[i]);
        else qputenv(variables[i], antes[i]);
    }
}
}  // namespace
