// The calendar dialog over a data folder: months and years from the shared date, marks, keys.
#include "DatFixture.h"

#include "comun/Calendario.h"
#include "platform/forms/Mask.h"
#include "platform/rtl/SysUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>

using namespace shelltest;
using platform::forms::TFormHarness;

namespace {

class CalendarioTest : public DatTest {
protected:
    void TearDown() override {
        delete Almanaque;
        Almanaque = nullptr;
        DatTest::TearDown();
    }
    // Opens the calendar on a date and runs the script while it is up; returns its answer.
    TModalResult Abre(TDateTime fecha, const std::function<void(TAlmanaque&)>& script) {
        Application->CreateForm(Almanaque);
        Almanaque->Calendar->SetDate(fecha);
        harness->AnswerModal([&](TCustomForm& f) { script(static_cast<TAlmanaque&>(f)); });
        return Almanaque->ShowModal();
    }
    static TDateTime Mostrada(TAlmanaque& a) {
        return EncodeDate(a.Calendar->Year(), a.Calendar->Month(), a.Calendar->Day());
    }
    void Festivo(int y, int m, int d, int color) {
        Dat->TDias->Append();
        Dat->TDias->FieldByName(QStringLiteral("Fecha"))->SetAsDateTime(EncodeDate(y, m, d));
        Dat->TDias->FieldByName(QStringLiteral("Descripcion"))->SetAsString(QStringLiteral("Fiesta"));
        Dat->TDias->FieldByName(QStringLiteral("Color"))->SetAsInteger(color);
        Dat->TDias->Post();
    }
};

TEST_F(CalendarioTest, MonthForwardFromTheLastOfJanuaryShowsTheLastOfFebruary) {
    for (int ano : {2024, 2023}) {
        TDateTime visto, compartido;
        QString etiqueta;
        EXPECT_EQ(Abre(EncodeDate(ano, 1, 31), [&](TAlmanaque& a) {
                      EXPECT_EQ(a.Fecha->Caption(), QStringLiteral("ENERO %1").arg(ano));
                      TFormHarness::Click(a.btMesPlus);
                      visto = Mostrada(a);
                      compartido = FechaCalendario;
                      etiqueta = a.Fecha->Caption();
                      a.SetModalResult(mrOk);
                  }),
                  mrOk);
        const int ultimo = ano == 2024 ? 29 : 28;
        EXPECT_EQ(double(visto), double(EncodeDate(ano, 2, ultimo))) << ano;
        EXPECT_EQ(double(compartido), double(visto));
        EXPECT_EQ(etiqueta, QStringLiteral("FEBRERO %1").arg(ano));
        delete Almanaque;
        Almanaque = nullptr;
    }
}

TEST_F(CalendarioTest, ButtonsMoveFromTheSharedDateNotFromTheClickedDay) {
    TDateTime visto, trasAno, trasAnos;
    Abre(EncodeDate(2024, 3, 10), [&](TAlmanaque& a) {
        a.Calendar->SetDate(EncodeDate(2024, 3, 20));  // the user clicks the 20th
        EXPECT_EQ(a.Fecha->Caption(), QStringLiteral("MARZO 2024"));
        TFormHarness::Click(a.btMesPlus);
        visto = Mostrada(a);
        TFormHarness::Click(a.btMesMinus);
        TFormHarness::Click(a.btMesMinus);
        TFormHarness::Click(a.btYearAnt);
        trasAno = Mostrada(a);
        a.Calendar->SetDate(EncodeDate(2023, 2, 28));
        TFormHarness::Click(a.ZbSpeedButton1);
        TFormHarness::Click(a.ZbSpeedButton1);
        trasAnos = Mostrada(a);
        a.SetModalResult(mrNo);
    });
    EXPECT_EQ(double(visto), double(EncodeDate(2024, 4, 10)));
    EXPECT_EQ(double(trasAno), double(EncodeDate(2023, 2, 10)));
    EXPECT_EQ(double(trasAnos), double(EncodeDate(2025, 2, 10)));
}

TEST_F(CalendarioTest, LeapDayMovedByAYearBecomesTheLastOfFebruary) {
    TDateTime visto;
    Abre(EncodeDate(2024, 2, 29), [&](TAlmanaque& a) {
        TFormHarness::Click(a.ZbSpeedButton1);
        visto = Mostrada(a);
        a.SetModalResult(mrNo);
    });
    EXPECT_EQ(double(visto), double(EncodeDate(2025, 2, 28)));
}

TEST_F(CalendarioTest, TheButtonsStopAtTheCalendarsLastAndFirstYear) {
    TDateTime trasMes, trasAno, primero;
    Abre(EncodeDate(9999, 12, 20), [&](TAlmanaque& a) {
        TFormHarness::Click(a.btMesPlus);
        trasMes = Mostrada(a);
        TFormHarness::Click(a.ZbSpeedButton1);
        trasAno = Mostrada(a);
        a.Calendar->SetDate(EncodeDate(1, 3, 5));
        TFormHarness::Click(a.btYearAnt);
        TFormHarness::Click(a.btMesMinus);
        TFormHarness::Click(a.btMesMinus);
        TFormHarness::Click(a.btMesMinus);
        primero = Mostrada(a);
        a.SetModalResult(mrNo);
    });
    EXPECT_EQ(double(trasMes), double(EncodeDate(9999, 12, 20)));
    EXPECT_EQ(double(trasAno), double(EncodeDate(9999, 12, 20)));
    EXPECT_EQ(double(primero), double(EncodeDate(1, 1, 5)));
    EXPECT_EQ(double(FechaCalendario), double(primero));
    EXPECT_EQ(Texts(), QStringList());
}

TEST_F(CalendarioTest, KeysPageTheMonthsEnterChoosesEscapeRefuses) {
    TDateTime visto;
    EXPECT_EQ(Abre(EncodeDate(2024, 5, 15), [&](TAlmanaque& a) {
                  TFormHarness::PressKey(a.Calendar, VK_NEXT);
                  TFormHarness::PressKey(a.Calendar, VK_NEXT);
                  TFormHarness::PressKey(a.Calendar, VK_PRIOR);
                  visto = Mostrada(a);
                  TFormHarness::PressKey(a.Calendar, VK_RETURN);
              }),
              mrOk);
    EXPECT_EQ(double(visto), double(EncodeDate(2024, 6, 15)));
    EXPECT_EQ(double(FechaCalendario), double(EncodeDate(2024, 6, 15)));
    delete Almanaque;
    Almanaque = nullptr;
    EXPECT_EQ(Abre(EncodeDate(2024, 5, 15), [&](TAlmanaque& a) { TFormHarness::PressKey(a.Calendar, VK_ESCAPE); }),
              mrNo);
}

TEST_F(CalendarioTest, DoubleClickOnADayChoosesIt) {
    EXPECT_EQ(Abre(EncodeDate(2024, 5, 15), [&](TAlmanaque& a) {
                  a.Calendar->ComputeLayout();
                  // The cell of the 22nd: the first of May 2024 is a Wednesday (third column).
                  const int cell = a.Calendar->FirstCell() + 21;
                  const TRect g = a.Calendar->GridRect();
                  const int col = (cell - 1) % 7, row = (cell - 1) / 7;
                  const int x = g.Left + col * a.Calendar->ColWidth() + a.Calendar->ColWidth() / 2;
                  const int y = g.Top + row * a.Calendar->RowHeight() + a.Calendar->RowHeight() / 2;
                  TFormHarness::ClickAt(a.Calendar, x, y);
                  const TPoint global = a.Calendar->ClientToScreen(Point(x, y));
                  QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(x, y), QPointF(global.X, global.Y),
                                  Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
                  QCoreApplication::sendEvent(a.Calendar->Widget(), &dbl);
              }),
              mrOk);
    EXPECT_EQ(Almanaque->Calendar->Year(), 2024);
    EXPECT_EQ(Almanaque->Calendar->Month(), 5);
    EXPECT_EQ(Almanaque->Calendar->Day(), 22);
}

TEST_F(CalendarioTest, ADateEditIsReadCheckedAndFilledFromTheCalendar) {
    TMaskEdit edit(nullptr);
    edit.SetEditMask(QStringLiteral("!99/99/0000;1;_"));
    TDateTime dia = EncodeDate(2000, 1, 1);
    // Nothing typed, whatever blanks the mask shows: no date, no message.
    for (const char* vacio : {"", "  /  /    ", "__/__/____"}) {
        edit.SetText(QString::fromLatin1(vacio));
        EXPECT_FALSE(FechaDelEdit(&edit, dia)) << vacio;
    }
    EXPECT_EQ(double(dia), double(EncodeDate(2000, 1, 1)));
    edit.SetText(QStringLiteral("31/02/2001"));
    EXPECT_THROW(FechaDelEdit(&edit, dia), EAbort);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("FECHA ERRONEA : 31/02/2001")});
    edit.SetText(QStringLiteral("29/02/2024"));
    EXPECT_TRUE(FechaDelEdit(&edit, dia));
    EXPECT_EQ(double(dia), double(EncodeDate(2024, 2, 29)));

    // The calendar opens on the date typed and writes back the day chosen, a day clicked after
    // paging included.
    TDateTime abierta;
    harness->AnswerModal([&](TCustomForm& f) {
        auto& a = static_cast<TAlmanaque&>(f);
        abierta = Mostrada(a);
        TFormHarness::PressKey(a.Calendar, VK_NEXT);
        a.Calendar->SetDate(EncodeDate(2024, 3, 22));
        TFormHarness::PressKey(a.Calendar, VK_RETURN);
    });
    EXPECT_TRUE(FechaDelCalendario(&edit));
    EXPECT_EQ(double(abierta), double(EncodeDate(2024, 2, 29)));
    EXPECT_EQ(edit.Text(), QStringLiteral("22/03/2024"));
    EXPECT_EQ(Almanaque, nullptr);
    // Refused: the edit keeps its text. With nothing typed it opens on the day it starts with.
    harness->AnswerModal([&](TCustomForm& f) { TFormHarness::PressKey(static_cast<TAlmanaque&>(f).Calendar, VK_ESCAPE); });
    EXPECT_FALSE(FechaDelCalendario(&edit));
    EXPECT_EQ(edit.Text(), QStringLiteral("22/03/2024"));
    edit.SetText(QString());
    harness->AnswerModal([&](TCustomForm& f) {
        abierta = Mostrada(static_cast<TAlmanaque&>(f));
        TFormHarness::PressKey(static_cast<TAlmanaque&>(f).Calendar, VK_ESCAPE);
    });
    EXPECT_FALSE(FechaDelCalendario(&edit));
    EXPECT_EQ(double(abierta), double(Date()));
}

TEST_F(CalendarioTest, MarksSpecialDaysAndTheLawyersAgendaOfEachShownMonth) {
    Festivo(2024, 12, 25, 9);
    Festivo(2024, 12, 3, 1);
    Festivo(2025, 1, 6, 9);
    Dat->TAboCli->Append();
    Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(QStringLiteral("Luis"));
    Dat->TAboCli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(QStringLiteral("Gil"));
    Dat->TAboCli->Post();
    const int abogado = Dat->TAboCli->FieldByName(QStringLiteral("ABOCLI"))->AsInteger();
    Dat->TAgen->Append();
    Dat->TAgen->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(abogado);
    Dat->TAgen->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2024, 12, 12));
    Dat->TAgen->Post();
    ASSERT_TRUE(harness->Messages().empty()) << Texts().join(QStringLiteral(" | ")).toStdString();

    QString festivosDic, marcadosDic, dias1Dic, festivosEne, marcadosEne;
    Abre(EncodeDate(2024, 12, 1), [&](TAlmanaque& a) {
        festivosDic = a.Calendar->Holidays()->Text().trimmed();
        marcadosDic = a.Calendar->Markdays()->Text().trimmed();
        dias1Dic = a.Calendar->Days(1)->Text().trimmed();
        TFormHarness::Click(a.btMesPlus);
        festivosEne = a.Calendar->Holidays()->Text().trimmed();
        marcadosEne = a.Calendar->Markdays()->Text().trimmed();
        a.SetModalResult(mrNo);
    });
    EXPECT_EQ(festivosDic, QStringLiteral("25"));
    EXPECT_EQ(marcadosDic, QStringLiteral("12"));
    EXPECT_EQ(dias1Dic, QStringLiteral("3"));
    EXPECT_EQ(festivosEne, QStringLiteral("6"));
    EXPECT_EQ(marcadosEne, QString());
    EXPECT_EQ(Almanaque->Calendar->CellColor(Almanaque->Calendar->FirstCell() + 5), clRed);
}

// The arrows past the end of December show January: its title, its own holidays, and the month
// buttons go on from January.
TEST_F(CalendarioTest, ArrowsIntoTheNextMonthBringItsTitleAndMarks) {
    Festivo(2024, 12, 25, 9);
    Festivo(2025, 1, 6, 9);
    QString titulo, festivos, trasMes;
    Abre(EncodeDate(2024, 12, 25), [&](TAlmanaque& a) {
        TFormHarness::PressKey(a.Calendar, VK_DOWN);
        TFormHarness::PressKey(a.Calendar, VK_DOWN);
        titulo = a.Fecha->Caption();
        festivos = a.Calendar->Holidays()->Text().trimmed();
        TFormHarness::Click(a.btMesPlus);
        trasMes = a.Fecha->Caption();
        a.SetModalResult(mrNo);
    });
    EXPECT_EQ(titulo, QStringLiteral("ENERO 2025"));
    EXPECT_EQ(festivos, QStringLiteral("6"));
    EXPECT_EQ(trasMes, QStringLiteral("FEBRERO 2025"));
}

TEST_F(CalendarioTest, RendersToPng) {
    Festivo(2024, 12, 25, 9);
    Festivo(2024, 12, 6, 9);
    Festivo(2024, 12, 3, 2);
    Application->CreateForm(Almanaque);
    Almanaque->Calendar->SetDate(EncodeDate(2024, 12, 16));
    Almanaque->Show();
    Almanaque->FormShow(Almanaque);
    const QString path = QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QStringLiteral("Calendario.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(Almanaque, path));
    EXPECT_EQ(Almanaque->Fecha->Caption(), QStringLiteral("DICIEMBRE 2024"));
}

}  // namespace
