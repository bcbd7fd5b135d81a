// The range dialogs of the list reports over the office's tables: their defaults, the date and
// range checks with their messages, what the opener reads after OK, Escape and the calendar.
#include "InformeFixture.h"

#include "comun/Calendario.h"
#include "platform/rtl/SysUtils.h"
#include "reports/Limite.h"
#include "reports/Limite2.h"
#include "reports/ULimAgen.h"
#include "reports/ULimExp.h"
#include "reports/ULimTipCon.h"
#include "reports/limite3.h"

#include <QComboBox>

using namespace reportstest;
using platform::forms::TFormHarness;

namespace {

QString Hoy() { return FormatDateTime(QStringLiteral("dd/mm/yyyy"), Date()); }

class LimitesTest : public InformeTest {
protected:
    // Shows `form` with `script` acting on it; the modal result.
    template <class F>
    TModalResult Muestra(F* form, const std::function<void(F&)>& script) {
        harness->AnswerModal([script](TCustomForm& f) { script(static_cast<F&>(f)); });
        return form->ShowModal();
    }
    QString UltimoError() const {
        return harness->Exceptions().empty() ? QString() : harness->Exceptions().back().Message;
    }
    QStringList Mensajes() const { return Texts(); }
    int AddLawyer(const QString& apellidos, const QString& nombre) {
        Dat->TAboCli->Append();
        Dat->TAboCli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(apellidos);
        Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(nombre);
        Dat->TAboCli->Post();
        return Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    }
    void AddTipo(const QString& tipo) {
        if (Dat->TTipoAgenda->Locate(QStringLiteral("TIPO"), Variant(tipo), 0)) return;  // a new folder has it
        Dat->TTipoAgenda->Append();
        Dat->TTipoAgenda->FieldByName(QStringLiteral("TIPO"))->SetAsString(tipo);
        Dat->TTipoAgenda->Post();
    }
    static QStringList Items(TCustomComboBox* cb) {
        QStringList r;
        for (int i = 0; i < cb->Items()->Count(); ++i) r << cb->Items()->Strings(i);
        return r;
    }
    // Chooses a row of a lookup combo as a click in its list does.
    static void Elige(TDBLookupComboBox* cb, const QString& text) {
        const int i = cb->ComboBox()->findText(text);
        ASSERT_GE(i, 0) << text.toStdString();
        cb->ComboBox()->setCurrentIndex(i);
        emit cb->ComboBox()->activated(i);
        TFormHarness::ProcessEvents();
    }
};

TEST_F(LimitesTest, DateDialogStartsEmptyAndAcceptsARangeInOrder) {
    std::unique_ptr<TLimites> d(new TLimites(nullptr));
    EXPECT_EQ(d->Caption(), QStringLiteral("Introducir Límites .."));
    EXPECT_EQ(d->Label1->Caption(), QStringLiteral("Desde Fecha :"));
    EXPECT_EQ(d->Label2->Caption(), QStringLiteral("Hasta Fecha :"));
    EXPECT_EQ(d->btOk->Caption(), QStringLiteral("OK"));
    EXPECT_EQ(d->EDesde->EditMask(), QStringLiteral("!99/99/9999;1;_"));
    EXPECT_EQ(d->EDesde->Text(), reports::FechaVacia);
    EXPECT_EQ(d->EHasta->Text(), reports::FechaVacia);
    EXPECT_EQ(Muestra<TLimites>(d.get(),
                                [](TLimites& l) {
                                    l.EDesde->SetText(QStringLiteral("31/12/2001"));
                                    l.EHasta->SetText(QStringLiteral("31/12/2001"));
                                    TFormHarness::Click(l.btOk);
                                }),
              mrOk);
    EXPECT_TRUE(harness->Exceptions().empty());
    EXPECT_EQ(d->EDesde->Text(), QStringLiteral("31/12/2001"));
    EXPECT_EQ(d->EHasta->Text(), QStringLiteral("31/12/2001"));
}

TEST_F(LimitesTest, LeavingADateEditCompletesOrRefusesIt) {
    std::unique_ptr<TLimites> d(new TLimites(nullptr));
    Muestra<TLimites>(d.get(), [&](TLimites& l) {
        // Tabbing through an empty edit gives today's date.
        TFormHarness::Focus(l.EDesde);
        TFormHarness::PressKey(VK_TAB);
        EXPECT_EQ(l.EDesde->Text(), Hoy());
        EXPECT_EQ(l.ActiveControl(), l.EHasta);
        // A short date is written out in full.
        l.EHasta->SetText(QStringLiteral("1 /2 /2001"));
        TFormHarness::PressKey(VK_TAB);
        EXPECT_EQ(l.EHasta->Text(), QStringLiteral("01/02/2001"));
        // No such day: the error box, and the focus stays.
        TFormHarness::Focus(l.EDesde);
        l.EDesde->SetText(QStringLiteral("31/02/2001"));
        TFormHarness::PressKey(VK_TAB);
        EXPECT_EQ(l.ActiveControl(), l.EDesde);
        // Enter moves on as Tab does once the date is right.
        l.EDesde->SetText(QStringLiteral("28/02/2001"));
        TFormHarness::PressKey(VK_RETURN);
        EXPECT_EQ(l.ActiveControl(), l.EHasta);
        EXPECT_EQ(l.ModalResult(), mrNone);
    });
    ASSERT_EQ(Mensajes(), QStringList({QStringLiteral("FECHA ERRONEA : 31/02/2001")}));
    EXPECT_EQ(harness->Messages().front().Caption, QStringLiteral("¡¡ ERROR !!"));
}

TEST_F(LimitesTest, OkChecksBothDatesAndTheirOrder) {
    struct Caso {
        const char* desde;
        const char* hasta;
        const char* mensaje;
        const char* foco;
    };
    const Caso casos[] = {
        {"32/01/2001", "01/02/2001", "Fecha DESDE erronea", "EDesde"},
        {"01/02/2001", "00/00/0000", "Fecha HASTA erronea", "EHasta"},
        {"31/12/2001", "30/12/2001", "HASTA es menor que DESDE", "EDesde"},
    };
    for (const Caso& c : casos) {
        SCOPED_TRACE(c.mensaje);
        harness->ClearRecords();
        std::unique_ptr<TLimites> d(new TLimites(nullptr));
        QString foco;
        TModalResult abierto = -1;
        EXPECT_EQ(Muestra<TLimites>(d.get(),
                                    [&](TLimites& l) {
                                        TFormHarness::Focus(l.btOk);
                                        l.EDesde->SetText(QString::fromLatin1(c.desde));
                                        l.EHasta->SetText(QString::fromLatin1(c.hasta));
                                        TFormHarness::Click(l.btOk);
                                        abierto = l.ModalResult();
                                        foco = l.ActiveControl() ? l.ActiveControl()->Name() : QString();
                                    }),
                  mrCancel);
        EXPECT_EQ(abierto, mrNone);
        EXPECT_EQ(UltimoError(), QString::fromUtf8(c.mensaje));
        EXPECT_EQ(foco, QString::fromLatin1(c.foco));
    }
}

TEST_F(LimitesTest, OneDateDialogAcceptsAnyRightFirstDate) {
    std::unique_ptr<TLimites> d(new TLimites(nullptr));
    d->SetCaption(QStringLiteral("Introducir Fecha de Anotación"));
    d->EHasta->SetVisible(false);
    d->Label2->SetVisible(false);
    d->SpeedButton2->SetVisible(false);
    EXPECT_EQ(Muestra<TLimites>(d.get(),
                                [](TLimites& l) {
                                    TFormHarness::Focus(l.btOk);
                                    l.EDesde->SetText(QStringLiteral("15/06/2000"));
                                    TFormHarness::Click(l.btOk);
                                }),
              mrOk);
    EXPECT_TRUE(harness->Exceptions().empty());
    EXPECT_EQ(d->EDesde->Text(), QStringLiteral("15/06/2000"));
}

TEST_F(LimitesTest, CancelAndEscapeLeaveWithoutTheDateError) {
    std::unique_ptr<TLimites> d(new TLimites(nullptr));
    EXPECT_EQ(Muestra<TLimites>(d.get(),
                                [](TLimites& l) {
                                    TFormHarness::Focus(l.EDesde);
                                    l.EDesde->SetText(QStringLiteral("45/13/2001"));
                                    TFormHarness::Click(l.btNo);
                                }),
              mrCancel);
    std::unique_ptr<TLimites> e(new TLimites(nullptr));
    EXPECT_EQ(Muestra<TLimites>(e.get(),
                                [](TLimites& l) {
                                    TFormHarness::Focus(l.EHasta);
                                    TFormHarness::PressKey(VK_ESCAPE);
                                }),
              mrCancel);
    EXPECT_TRUE(harness->Messages().empty());
    EXPECT_TRUE(harness->Exceptions().empty());
}

TEST_F(LimitesTest, CalendarButtonOpensOnTheEditsDateAndWritesTheChosenDay) {
    std::unique_ptr<TLimites> d(new TLimites(nullptr));
    TDateTime abierto = 0;
    Muestra<TLimites>(d.get(), [&](TLimites& l) {
        TFormHarness::Focus(l.btOk);
        l.EHasta->SetText(QStringLiteral("10/03/2001"));
        harness->AnswerModal([&](TCustomForm& f) {
            auto& a = static_cast<TAlmanaque&>(f);
            abierto = a.Calendar->Date();
            a.Calendar->SetDate(EncodeDate(2001, 3, 24));
            a.SetModalResult(mrOk);
        });
        TFormHarness::Click(l.SpeedButton2);
        EXPECT_EQ(l.EHasta->Text(), QStringLiteral("24/03/2001"));
        EXPECT_EQ(l.ActiveControl(), l.EHasta);
        // Given up: the edit keeps its date (today's, given when the focus first left it).
        const QString antes = l.EDesde->Text();
        EXPECT_EQ(antes, Hoy());
        harness->AnswerModal(mrNo);
        TFormHarness::Click(l.SpeedButton1);
        EXPECT_EQ(l.EDesde->Text(), antes);
        EXPECT_EQ(l.ActiveControl(), l.EDesde);
    });
    EXPECT_EQ(abierto, EncodeDate(2001, 3, 10));
    EXPECT_EQ(Almanaque, nullptr);
}

TEST_F(LimitesTest, KindOfRecordStartsOnEverything) {
    std::unique_ptr<TLimites2> d(new TLimites2(nullptr));
    EXPECT_EQ(d->RGTipo->Caption(), QStringLiteral("Incluir"));
    ASSERT_EQ(d->RGTipo->Items()->Count(), 3);
    EXPECT_EQ(d->RGTipo->Items()->Strings(1), QStringLiteral("Solo Expedientes"));
    EXPECT_EQ(d->RGTipo->Items()->Strings(2), QStringLiteral("Solo Consultas"));
    EXPECT_EQ(d->RGTipo->ItemIndex(), 0);
    EXPECT_EQ(Muestra<TLimites2>(d.get(),
                                 [](TLimites2& l) {
                                     TFormHarness::Focus(l.btOk);
                                     l.EDesde->SetText(QStringLiteral("01/01/2001"));
                                     l.EHasta->SetText(QStringLiteral("31/12/2001"));
                                     TFormHarness::Click(l.RGTipo->Buttons(2));
                                     TFormHarness::Click(l.btOk);
                                 }),
              mrOk);
    EXPECT_EQ(d->RGTipo->ItemIndex(), 2);
}

TEST_F(LimitesTest, EnteringLawyerListsEveryLawyerAndKeepsTheChosenRow) {
    const int ana = AddLawyer(QStringLiteral("Pérez"), QStringLiteral("Ana"));
    const int luis = AddLawyer(QStringLiteral("Gómez"), QStringLiteral("Luis"));
    const int otraAna = AddLawyer(QStringLiteral("Pérez"), QStringLiteral("Ana"));
    std::unique_ptr<TLimites3> d(new TLimites3(nullptr));
    EXPECT_EQ(d->Label3->Caption(), QStringLiteral("Abo. Entrada :"));
    EXPECT_EQ(Items(d->cbAbogado),
              QStringList({"TODOS", "Ana Pérez", "Luis Gómez", "Ana Pérez"}));
    EXPECT_EQ(d->cbAbogado->Text(), QStringLiteral("TODOS"));
    EXPECT_EQ(Muestra<TLimites3>(d.get(),
                                 [](TLimites3& l) {
                                     TFormHarness::Focus(l.btOk);
                                     l.EDesde->SetText(QStringLiteral("01/01/2001"));
                                     l.EHasta->SetText(QStringLiteral("31/12/2001"));
                                     l.cbAbogado->SetItemIndex(3);
                                     l.cbAbogado->OnChange(l.cbAbogado);
                                     TFormHarness::Click(l.btOk);
                                 }),
              mrOk);
    // The second "Ana Pérez" is her own row.
    EXPECT_EQ(d->cbAbogado->Text(), QStringLiteral("Ana Pérez"));
    EXPECT_EQ(d->QAboABOCLI->AsInteger(), otraAna);
    d->cbAbogado->SetItemIndex(2);
    d->cbAbogadoChange(nullptr);
    EXPECT_EQ(d->QAboABOCLI->AsInteger(), luis);
    d->cbAbogado->SetItemIndex(1);
    d->cbAbogadoChange(nullptr);
    EXPECT_EQ(d->QAboABOCLI->AsInteger(), ana);
}

TEST_F(LimitesTest, AgendaLimitsListTheTypesAndPutTheChosenOneCurrent) {
    // An office with its own list of types instead of those a new folder gets.
    while (!Dat->TTipoAgenda->IsEmpty()) Dat->TTipoAgenda->Delete();
    for (const char* t : {"Juicio", "Cita", "Vencimiento"}) AddTipo(QString::fromLatin1(t));
    Dat->TTipoAgenda->Locate(QStringLiteral("TIPO"), Variant(QStringLiteral("Juicio")), 0);
    std::unique_ptr<TLimAgen> d(new TLimAgen(nullptr));
    EXPECT_EQ(d->Caption(), QStringLiteral("Informe de Agenda"));
    EXPECT_EQ(d->GroupBox2->Caption(), QStringLiteral("Anotaciones a Imprimir"));
    EXPECT_EQ(d->GroupBox3->Caption(), QStringLiteral("Avisos a Imprimir"));
    EXPECT_EQ(d->btAviPar->Caption(), QStringLiteral("Particulares"));
    EXPECT_EQ(Items(d->cbTipoAgenda), QStringList({"TODOS", "Cita", "Juicio", "Vencimiento"}));
    // Filling the list leaves the table where it was.
    EXPECT_EQ(Dat->TTipoAgenda->FieldByName(QStringLiteral("TIPO"))->AsString(), QStringLiteral("Juicio"));
    // The opener sets the dates and boxes before showing it.
    d->EDesde->SetText(QStringLiteral("01/03/2001"));
    d->EHasta->SetText(QStringLiteral("31/03/2001"));
    d->btDesp->SetChecked(false);
    d->btAviPar->SetEnabled(false);
    EXPECT_EQ(Muestra<TLimAgen>(d.get(),
                                [](TLimAgen& l) {
                                    EXPECT_EQ(l.EDesde->Text(), QStringLiteral("01/03/2001"));
                                    l.cbTipoAgenda->SetItemIndex(3);
                                    l.cbTipoAgenda->OnChange(l.cbTipoAgenda);
                                    TFormHarness::Click(l.btPart);
                                    TFormHarness::Click(l.btOk);
                                }),
              mrOk);
    EXPECT_EQ(d->cbTipoAgenda->Text(), QStringLiteral("Vencimiento"));
    EXPECT_EQ(Dat->TTipoAgenda->FieldByName(QStringLiteral("TIPO"))->AsString(), QStringLiteral("Vencimiento"));
    EXPECT_FALSE(d->btDesp->Checked());
    EXPECT_FALSE(d->btPart->Checked());
    EXPECT_TRUE(d->btExped->Checked());
    // A reversed range is refused here too.
    harness->ClearRecords();
    std::unique_ptr<TLimAgen> e(new TLimAgen(nullptr));
    Muestra<TLimAgen>(e.get(), [](TLimAgen& l) {
        TFormHarness::Focus(l.btOk);
        l.EDesde->SetText(QStringLiteral("31/03/2001"));
        l.EHasta->SetText(QStringLiteral("01/03/2001"));
        TFormHarness::Click(l.btOk);
    });
    EXPECT_EQ(UltimoError(), QStringLiteral("HASTA es menor que DESDE"));
}

TEST_F(LimitesTest, CaseLimitsWithEverythingReturnWithoutComparing) {
    std::unique_ptr<TFLimExp> d(new TFLimExp(nullptr));
    d->gbLimites->SetCaption(QStringLiteral("Cliente"));
    d->rbLimite->SetCaption(QStringLiteral("Por Cliente"));
    EXPECT_EQ(d->Caption(), QStringLiteral("Límites para el Informe"));
    EXPECT_TRUE(d->rbTodos->Checked());
    EXPECT_EQ(Muestra<TFLimExp>(d.get(),
                                [](TFLimExp& l) {
                                    EXPECT_TRUE(l.cbClienteDesde->Visible());
                                    EXPECT_FALSE(l.cbClienteDesde->Enabled());
                                    EXPECT_FALSE(l.cbNumeroDesde->Visible());
                                    EXPECT_FALSE(l.cbProcuHasta->Visible());
                                    TFormHarness::Click(l.btOk);
                                }),
              mrOk);
    EXPECT_TRUE(harness->Messages().empty());
}

TEST_F(LimitesTest, CaseNumbersOfTheMainWindowsYearInOrder) {
    AddCase(QStringLiteral("2001"), QStringLiteral("0000003"));
    AddCase(QStringLiteral("2001"), QStringLiteral("0000007"));
    AddCase(QStringLiteral("2002"), QStringLiteral("0000005"));
    std::unique_ptr<TFLimExp> d(new TFLimExp(nullptr));
    d->Anio = QStringLiteral("2001");
    d->gbLimites->SetCaption(QStringLiteral("Número"));
    d->rbLimite->SetCaption(QStringLiteral("Por Número"));
    QStringList listados;
    EXPECT_EQ(Muestra<TFLimExp>(d.get(),
                                [&](TFLimExp& l) {
                                    TFormHarness::Click(l.rbLimite);
                                    EXPECT_TRUE(l.cbNumeroDesde->Enabled());
                                    for (int i = 0; i < l.cbNumeroDesde->ComboBox()->count(); ++i)
                                        listados << l.cbNumeroDesde->ComboBox()->itemText(i);
                                    Elige(l.cbNumeroDesde, QStringLiteral("0000007"));
                                    Elige(l.cbNumeroHasta, QStringLiteral("0000003"));
                                    TFormHarness::Click(l.btOk);
                                    EXPECT_EQ(l.ModalResult(), mrNone);
                                    Elige(l.cbNumeroDesde, QStringLiteral("0000003"));
                                    Elige(l.cbNumeroHasta, QStringLiteral("0000007"));
                                    TFormHarness::Click(l.btOk);
                                }),
              mrOk);
    listados.sort();
    EXPECT_EQ(listados, QStringList({"0000003", "0000007"}));
    EXPECT_EQ(Mensajes(), QStringList({QStringLiteral("DESDE no puede ser MAYOR que HASTA")}));
    // What the opener reads: the chosen rows and the year.
    EXPECT_EQ(d->QExpD->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("0000003"));
    EXPECT_EQ(d->QExpH->FieldByName(QStringLiteral("NUMERO"))->AsString(), QStringLiteral("0000007"));
    EXPECT_EQ(d->QExpD->FieldByName(QStringLiteral("ANO"))->AsString(), QStringLiteral("2001"));
}

TEST_F(LimitesTest, ClientsOfOneNameStayApartAndARangeNeedsBothEnds) {
    const int primero = AddClient(QStringLiteral("Ruiz"), QStringLiteral("Pilar"));
    const int medio = AddClient(QStringLiteral("Díaz"), QStringLiteral("Rosa"));
    const int segundo = AddClient(QStringLiteral("Ruiz"), QStringLiteral("Pilar"));
    ASSERT_LT(primero, segundo);
    std::unique_ptr<TFLimExp> d(new TFLimExp(nullptr));
    d->gbLimites->SetCaption(QStringLiteral("Cliente"));
    EXPECT_EQ(Muestra<TFLimExp>(d.get(),
                                [&](TFLimExp& l) {
                                    TFormHarness::Click(l.rbLimite);
                                    // Nothing chosen: refused, not a list of the first row only.
                                    TFormHarness::Click(l.btOk);
                                    EXPECT_EQ(l.ModalResult(), mrNone);
                                    // The second "Ruiz,Pilar" as the first end, the first as the
                                    // last: told apart by their codes, hence reversed.
                                    l.cbClienteDesde->SetKeyValue(Variant(segundo));
                                    l.cbClienteHasta->SetKeyValue(Variant(primero));
                                    TFormHarness::Click(l.btOk);
                                    EXPECT_EQ(l.ModalResult(), mrNone);
                                    l.cbClienteDesde->SetKeyValue(Variant(primero));
                                    l.cbClienteHasta->SetKeyValue(Variant(segundo));
                                    TFormHarness::Click(l.btOk);
                                }),
              mrOk);
    EXPECT_EQ(Mensajes(), QStringList({QStringLiteral("Elija los límites DESDE y HASTA"),
                                       QStringLiteral("DESDE no puede ser MAYOR que HASTA")}));
    EXPECT_EQ(d->QCliD->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), primero);
    EXPECT_EQ(d->QCliH->FieldByName(QStringLiteral("CLIENTE"))->AsInteger(), segundo);
    EXPECT_NE(medio, 0);
}

TEST_F(LimitesTest, LawyerRangeComparesCodesOfTheChosenRows) {
    const int a = AddLawyer(QStringLiteral("Moreno"), QStringLiteral("Javier"));
    const int b = AddLawyer(QStringLiteral("Alonso"), QStringLiteral("Carmen"));
    std::unique_ptr<TFLimExp> d(new TFLimExp(nullptr));
    d->gbLimites->SetCaption(QStringLiteral("Abogado"));
    EXPECT_EQ(Muestra<TFLimExp>(d.get(),
                                [&](TFLimExp& l) {
                                    TFormHarness::Click(l.rbLimite);
                                    EXPECT_TRUE(l.cbProcuDesde->Visible());
                                    // By name "Alonso" comes first, by code it is the last.
                                    Elige(l.cbProcuDesde, QStringLiteral("Alonso,Carmen"));
                                    Elige(l.cbProcuHasta, QStringLiteral("Moreno,Javier"));
                                    TFormHarness::Click(l.btOk);
                                    EXPECT_EQ(l.ModalResult(), mrNone);
                                    TFormHarness::Click(l.rbTodos);
                                    EXPECT_FALSE(l.cbProcuDesde->Enabled());
                                    TFormHarness::Click(l.btOk);
                                }),
              mrOk);
    EXPECT_EQ(Mensajes(), QStringList({QStringLiteral("DESDE no puede ser MAYOR que HASTA")}));
    EXPECT_LT(a, b);
}

TEST_F(LimitesTest, ConceptKindsStartCheckedAndReadBack) {
    std::unique_ptr<TFConCon> d(new TFConCon(nullptr));
    EXPECT_EQ(d->Caption(), QStringLiteral("Listado de Conceptos Contables"));
    EXPECT_EQ(d->GroupBox1->Caption(), QStringLiteral("Tipo de Concepto"));
    for (TCheckBox* c : {d->cbSuplidos, d->cbDerechos, d->cbProvisiones, d->cbGastos}) EXPECT_TRUE(c->Checked());
    EXPECT_EQ(Muestra<TFConCon>(d.get(),
                                [](TFConCon& f) {
                                    TFormHarness::Click(f.cbDerechos);
                                    TFormHarness::Click(f.BitBtn1);
                                }),
              mrOk);
    EXPECT_FALSE(d->cbDerechos->Checked());
    EXPECT_TRUE(d->cbGastos->Checked());
    std::unique_ptr<TFConCon> e(new TFConCon(nullptr));
    EXPECT_EQ(Muestra<TFConCon>(e.get(), [](TFConCon&) { TFormHarness::PressKey(VK_ESCAPE); }), mrCancel);
}

}  // namespace
