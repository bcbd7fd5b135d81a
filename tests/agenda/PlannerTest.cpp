// The year planner of a lawyer's agenda and the office's yearly calendar of special days, over a
// real data folder.
#include "../records/CasoFixture.h"
#include "agenda/UAnios.h"
#include "agenda/UColor.h"
#include "agenda/UDias.h"
#include "agenda/UPlanner.h"

#include <QCoreApplication>
#include <QMouseEvent>

namespace {

using platform::forms::TFormHarness;

class PlannerTest : public casotest::CasoTest {
protected:
    // An entry of a lawyer (the fixture's by default) on a day.
    void Entrada(TDateTime fecha, const char* tipo, int abogado = 0) {
        TTable* t = Dat->TAgen;
        t->Append();
        t->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(abogado ? abogado : Abogado);
        t->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(fecha);
        t->FieldByName(QStringLiteral("HORA"))->SetAsDateTime(EncodeTime(10, 0, 0, 0));
        t->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromLatin1(tipo));
        t->FieldByName(QStringLiteral("SITUACION"))->SetAsString(QStringLiteral("Vista"));
        t->Post();
    }
    static bool Coloreado(TYearPlanner* p, int mes, int dia) { return p->Cell(mes, dia).CellColorSet; }
    static TColor Color(TYearPlanner* p, int mes, int dia) { return p->Cell(mes, dia).CellColor; }
    static QString Hint(TYearPlanner* p, int mes, int dia) { return p->Cell(mes, dia).CellHint; }
    int Especiales(int ano) { return agenda::DiasEspeciales(ano); }
    // A special day written straight to the file.
    void Especial(TDateTime fecha, int color, const QString& texto) {
        Dat->TDias->Append();
        Dat->TDias->FieldByName(QStringLiteral("Fecha"))->SetAsDateTime(fecha);
        Dat->TDias->FieldByName(QStringLiteral("Color"))->SetAsInteger(color);
        Dat->TDias->FieldByName(QStringLiteral("Descripcion"))->SetAsString(texto);
        Dat->TDias->Post();
    }
};

TEST_F(PlannerTest, DaysWithEntriesOfTheCheckedKindsAreLimeWithTheirCount) {
    const int otro = AddLawyer(QStringLiteral("SOLA"), QStringLiteral("LUIS"));
    ASSERT_TRUE(Dat->TAboCli->Locate(QStringLiteral("ABOCLI"), Variant(Abogado), 0));
    Entrada(EncodeDate(2001, 3, 5), "E");
    for (int i = 0; i < 40; ++i) Entrada(EncodeDate(2001, 3, 6), "E");
    Entrada(EncodeDate(2001, 3, 7), "C");
    Entrada(EncodeDate(2001, 3, 8), "X");
    Entrada(EncodeDate(2001, 3, 9), "E", otro);
    Entrada(EncodeDate(2002, 3, 5), "E");

    auto* f = new TFPlanner(Application);
    f->Situa(EncodeDate(2001, 3, 5));
    TYearPlanner* p = f->YearPlanner1;
    EXPECT_EQ(f->Caption(), QStringLiteral("Planning"));
    EXPECT_EQ(p->Year(), 2001);
    EXPECT_EQ(f->ListaTipos(), QStringLiteral("'E','C','P','X','Y','Z'"));
    // One entry or forty: the same colour; only the hint tells them apart.
    EXPECT_EQ(Color(p, 3, 5), clLime);
    EXPECT_EQ(Color(p, 3, 6), clLime);
    EXPECT_EQ(Hint(p, 3, 5), QStringLiteral("Nº :  1"));
    EXPECT_EQ(Hint(p, 3, 6), QStringLiteral("Nº : 40"));
    EXPECT_TRUE(Coloreado(p, 3, 7));
    EXPECT_TRUE(Coloreado(p, 3, 8));
    EXPECT_FALSE(Coloreado(p, 3, 9)) << "another lawyer's entry";
    EXPECT_FALSE(Coloreado(p, 3, 10));

    // Unchecking case files drops their days, notices stay.
    f->btAgenda->SetChecked(0, false);
    f->btAgendaClickCheck(f->btAgenda);
    EXPECT_EQ(f->ListaTipos(), QStringLiteral("'C','P','X','Y','Z'"));
    EXPECT_FALSE(Coloreado(p, 3, 5));
    EXPECT_TRUE(Hint(p, 3, 6).isEmpty());
    EXPECT_TRUE(Coloreado(p, 3, 7));
    EXPECT_TRUE(Coloreado(p, 3, 8));
    // Nothing checked: no day at all.
    for (int i = 0; i < 3; ++i) {
        f->btAgenda->SetChecked(i, false);
        f->btAvisos->SetChecked(i, false);
    }
    f->btAgendaClickCheck(f->btAvisos);
    EXPECT_EQ(f->ListaTipos(), QStringLiteral("' '"));
    for (int d = 5; d <= 9; ++d) EXPECT_FALSE(Coloreado(p, 3, d)) << d;
    delete f;
}

TEST_F(PlannerTest, TheYearFollowsTheCountersAndADoubleClickChoosesTheDay) {
    Entrada(EncodeDate(2001, 6, 1), "E");
    auto* f = new TFPlanner(Application);
    TYearPlanner* p = f->YearPlanner1;
    f->Situa(EncodeDate(2001, 6, 1));
    // A year with no counters row goes back to the year of the current row.
    p->SetYear(1999);
    EXPECT_EQ(p->Year(), 2001);
    EXPECT_TRUE(Coloreado(p, 6, 1));

    p->CurrentMonth = 2;
    p->CurrentDay = 30;
    f->YearPlanner1DblClick(1, 1, 2, 2);
    EXPECT_EQ(f->ModalResult(), mrNone) << "30 February is no day";
    p->CurrentMonth = 3;
    p->CurrentDay = 14;
    f->YearPlanner1DblClick(1, 1, 3, 3);
    EXPECT_EQ(f->ModalResult(), mrOk);
    EXPECT_EQ(FechaPlanner, EncodeDate(2001, 3, 14));
    delete f;
}

TEST_F(PlannerTest, GeneratingAYearMarksEverySundayOnceAndOnlyOnce) {
    // 2001 has 52 Sundays; 2006 starts on one and has 53.
    harness->AnswerMessage(mrYes);
    auto* f = new TFAnios(Application);
    EXPECT_EQ(f->Caption(), QStringLiteral("Configuración Anual"));
    EXPECT_EQ(f->YearPlanner1->Year(), 2001);
    ASSERT_EQ(harness->Messages().size(), 1u);
    EXPECT_EQ(harness->LastMessage().Text, QStringLiteral("Año no existe. ¿Desea generarlo?"));
    EXPECT_EQ(Especiales(2001), 52);
    EXPECT_EQ(Cuenta(QStringLiteral("FECHAS WHERE Color <> 9")), 0);
    EXPECT_EQ(Color(f->YearPlanner1, 1, 7), clRed);    // a Sunday
    EXPECT_FALSE(Coloreado(f->YearPlanner1, 1, 8));    // a Monday

    // Coming back to the year asks nothing and writes nothing.
    harness->AnswerMessage(mrNo);
    f->YearPlanner1->SetYear(2026);
    EXPECT_EQ(Especiales(2026), 0) << "answered No";
    f->YearPlanner1->SetYear(2001);
    EXPECT_EQ(harness->Messages().size(), 2u);
    EXPECT_EQ(agenda::GeneraAnio(2001), 0);
    EXPECT_EQ(Especiales(2001), 52);
    EXPECT_EQ(agenda::GeneraAnio(2006), 53);
    EXPECT_EQ(agenda::GeneraAnio(2006), 0);
    EXPECT_EQ(Especiales(2006), 53);
    delete f;
}

TEST_F(PlannerTest, SpecialDaysTakeTheirTypeColourAndTheirDescription) {
    Especial(EncodeDate(2001, 1, 1), 9, QStringLiteral("Año Nuevo"));
    Especial(EncodeDate(2001, 1, 3), 0, QStringLiteral("Sin tipo, miércoles"));
    Especial(EncodeDate(2001, 1, 6), 0, QStringLiteral("Sin tipo, sábado"));
    Especial(EncodeDate(2001, 1, 10), 12, QStringLiteral("Juicios"));
    auto* f = new TFAnios(Application);
    EXPECT_TRUE(harness->Messages().empty()) << "the year has special days";
    TYearPlanner* p = f->YearPlanner1;
    EXPECT_EQ(Color(p, 1, 1), clRed);
    EXPECT_EQ(Hint(p, 1, 1), QStringLiteral("Año Nuevo"));
    EXPECT_EQ(Color(p, 1, 3), clWhite);
    EXPECT_EQ(Color(p, 1, 6), clRed);
    EXPECT_EQ(Color(p, 1, 10), clBlue);
    EXPECT_EQ(Hint(p, 1, 10), QStringLiteral("Juicios"));

    // A double-click gives a day the chosen type and a description.
    f->cbCol->SetItemIndex(14);
    p->CurrentMonth = 2;
    p->CurrentDay = 14;
    harness->AnswerModal([](TCustomForm& d) {
        auto& fechas = dynamic_cast<TFFechas&>(d);
        EXPECT_EQ(fechas.Caption(), QStringLiteral("Introducir Fecha Especial"));
        Dat->TDias->FieldByName(QStringLiteral("Descripcion"))->SetAsString(QStringLiteral("Vista oral"));
        TFormHarness::Click(fechas.btOk);
    });
    f->YearPlanner1DblClick(1, 1, 2, 2);
    EXPECT_EQ(Color(p, 2, 14), clAqua);
    EXPECT_EQ(Hint(p, 2, 14), QStringLiteral("Vista oral"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT Color FROM FECHAS WHERE Descripcion = 'Vista oral'")).AsInteger(), 14);
    // The same day again, edited, not doubled; No keeps what it had.
    harness->AnswerModal([](TCustomForm& d) {
        Dat->TDias->FieldByName(QStringLiteral("Descripcion"))->SetAsString(QStringLiteral("Otra cosa"));
        TFormHarness::Click(dynamic_cast<TFFechas&>(d).btNo);
    });
    f->YearPlanner1DblClick(1, 1, 2, 2);
    EXPECT_EQ(Hint(p, 2, 14), QStringLiteral("Vista oral"));
    EXPECT_EQ(Cuenta(QStringLiteral("FECHAS")), 5);
    // A new day abandoned leaves neither a row nor a hint.
    p->CurrentDay = 15;
    harness->AnswerModal(mrNo);
    f->YearPlanner1DblClick(1, 1, 2, 2);
    EXPECT_EQ(Cuenta(QStringLiteral("FECHAS")), 5);
    EXPECT_TRUE(Hint(p, 2, 15).isEmpty());

    // The month calendar shows the same marks.
    FechaCalendario = EncodeDate(2001, 2, 1);
    const auto marcas = comun::MarcasCalendario(FechaCalendario, false);
    EXPECT_EQ(marcas.Dias[11], QStringList{QStringLiteral("14")});  // type 14 is the 12th day list
    delete f;
}

namespace {
// The middle of the cell that shows a day of the planner's year.
QPoint CeldaDe(TYearPlanner* p, int mes, int dia) {
    for (int y = 0; y < p->Height(); y += 2)
        for (int x = 0; x < p->Width(); x += 2) {
            int col = 0, fila = 0;
            p->HitTest(x, y, col, fila);
            if (fila == mes && col > 0 && p->CellText(col, fila) == QString::number(dia))
                return QPoint(x + p->DayColumnWidth() / 2 - 1, y + p->MonthRowHeight() / 2 - 1);
        }
    ADD_FAILURE() << "no cell for " << mes << "/" << dia;
    return {};
}
void Raton(TYearPlanner* p, QEvent::Type tipo, QPoint en, Qt::MouseButtons botones = Qt::NoButton) {
    const Qt::MouseButton boton = tipo == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent e(tipo, QPointF(en), QPointF(p->Widget()->mapToGlobal(en)), boton, botones, Qt::NoModifier);
    QCoreApplication::sendEvent(p->Widget(), &e);
}
// A double-click as the window system sends it while the dialog it opens takes the last release.
void DobleClic(TYearPlanner* p, QPoint en) {
    Raton(p, QEvent::MouseButtonPress, en, Qt::LeftButton);
    Raton(p, QEvent::MouseButtonRelease, en);
    Raton(p, QEvent::MouseButtonDblClick, en, Qt::LeftButton);
}
}  // namespace

TEST_F(PlannerTest, EveryDoubleClickedDayOpensItselfNotTheFirstOne) {
    Especial(EncodeDate(2001, 1, 1), 9, QStringLiteral("Año Nuevo"));
    auto* f = new TFAnios(Application);
    f->Show();
    TYearPlanner* p = f->YearPlanner1;
    QStringList abiertos;
    auto escribe = [&](const QString& texto) {
        harness->AnswerModal([&abiertos, texto](TCustomForm& d) {
            abiertos << DateToStr(Dat->TDias->FieldByName(QStringLiteral("Fecha"))->AsDateTime());
            Dat->TDias->FieldByName(QStringLiteral("Descripcion"))->SetAsString(texto);
            TFormHarness::Click(dynamic_cast<TFFechas&>(d).btOk);
        });
    };
    const QPoint a = CeldaDe(p, 3, 14), b = CeldaDe(p, 5, 20), c = CeldaDe(p, 7, 2);
    Raton(p, QEvent::MouseMove, a);
    escribe(QStringLiteral("Primero"));
    DobleClic(p, a);
    // The pointer goes on to another day: the moves come while the planner still thinks the
    // button is down.
    Raton(p, QEvent::MouseMove, (a + b) / 2);
    Raton(p, QEvent::MouseMove, b);
    escribe(QStringLiteral("Segundo"));
    DobleClic(p, b);
    Raton(p, QEvent::MouseMove, c);
    escribe(QStringLiteral("Tercero"));
    DobleClic(p, c);
    EXPECT_EQ(abiertos, (QStringList{DateToStr(EncodeDate(2001, 3, 14)), DateToStr(EncodeDate(2001, 5, 20)),
                                     DateToStr(EncodeDate(2001, 7, 2))}));
    EXPECT_EQ(Hint(p, 3, 14), QStringLiteral("Primero"));
    EXPECT_EQ(Hint(p, 5, 20), QStringLiteral("Segundo"));
    EXPECT_EQ(Hint(p, 7, 2), QStringLiteral("Tercero"));
    delete f;
}

TEST_F(PlannerTest, NamingADayTypeWritesItsOwnRow) {
    auto* f = (harness->AnswerMessage(mrNo), new TFAnios(Application));
    EXPECT_EQ(f->cbCol->Items()->Strings(3), QStringLiteral("Oliva"));
    f->cbCol->SetItemIndex(3);
    f->cbColChange(f->cbCol);
    harness->AnswerModal([](TCustomForm& d) {
        auto& dias = dynamic_cast<TFDias&>(d);
        EXPECT_EQ(dias.Caption(), QStringLiteral("Tipos de Días"));
        Dat->TColores->FieldByName(QStringLiteral("Nombre"))->SetAsString(QStringLiteral("Juicios"));
        TFormHarness::Click(dias.btOk);
    });
    f->SpeedItem1Click(f->SpeedItem1);
    EXPECT_EQ(f->cbCol->Items()->Strings(3), QStringLiteral("Juicios"));
    EXPECT_EQ(f->cbCol->ItemIndex(), 3);
    EXPECT_EQ(Valor(QStringLiteral("SELECT Nombre FROM Color WHERE Id = 3")).AsString(), QStringLiteral("Juicios"));
    // Another type is named on its own row, never over the first.
    f->cbCol->SetItemIndex(5);
    f->cbColChange(f->cbCol);
    harness->AnswerModal([](TCustomForm& d) {
        Dat->TColores->FieldByName(QStringLiteral("Nombre"))->SetAsString(QStringLiteral("Plazos"));
        TFormHarness::Click(dynamic_cast<TFDias&>(d).btOk);
    });
    f->SpeedItem1Click(f->SpeedItem1);
    EXPECT_EQ(Valor(QStringLiteral("SELECT Nombre FROM Color WHERE Id = 3")).AsString(), QStringLiteral("Juicios"));
    EXPECT_EQ(Valor(QStringLiteral("SELECT Nombre FROM Color WHERE Id = 5")).AsString(), QStringLiteral("Plazos"));
    // A second form reads the names back.
    delete f;
    harness->AnswerMessage(mrNo);
    auto* g = new TFAnios(Application);
    EXPECT_EQ(g->cbCol->Items()->Strings(5), QStringLiteral("Plazos"));
    delete g;
}

// On an 800-pixel screen (the test's) both year forms fit without scrolling: the planner's cells
// shrink, every day column and every whole month name stays in view.
TEST_F(PlannerTest, BothYearFormsFitANarrowScreenWithEveryDayInView) {
    harness->AnswerMessage(mrNo);
    auto* anios = new TFAnios(Application);
    auto* planner = new TFPlanner(Application);
    const TRect area = Screen->WorkAreaRect();
    for (TForm* f : std::initializer_list<TForm*>{anios, planner}) {
        SCOPED_TRACE(f->Caption().toStdString());
        f->Show();
        TFormHarness::ProcessEvents();
        const QRect marco = f->Widget()->frameGeometry();
        EXPECT_TRUE(QRect(area.Left, area.Top, area.Width(), area.Height()).contains(marco))
            << marco.width() << "x" << marco.height();
        EXPECT_FALSE(f->HorzScrollBar()->IsScrollBarVisible());
        EXPECT_FALSE(f->VertScrollBar()->IsScrollBarVisible());
        TYearPlanner* p = dynamic_cast<TFAnios*>(f) ? anios->YearPlanner1 : planner->YearPlanner1;
        p->ComputeGeometry();
        const int derecha = p->Widget()->mapTo(f->Widget(), QPoint(p->Width(), 0)).x();
        EXPECT_LE(derecha, f->ClientWidth());
        EXPECT_GE(p->HeadingWidth() + 37 * p->DayColumnWidth(), p->Width() - 1);
        TBitmap medida;
        medida.SetWidth(1);
        medida.SetHeight(1);
        medida.Canvas()->Font()->Assign(p->Font());
        EXPECT_LE(medida.Canvas()->TextWidth(QStringLiteral("28")) + 2, p->DayColumnWidth());
        medida.Canvas()->Font()->Assign(p->MonthFont());
        for (int m = 1; m <= 12; ++m)
            EXPECT_LE(medida.Canvas()->TextWidth(p->CellText(0, m)) + 4, p->HeadingWidth()) << m;
    }
    delete planner;
    delete anios;
}

}  // namespace
