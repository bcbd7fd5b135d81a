// Renders the planner, the yearly calendar and the case agenda with real rows, for review. The
// pictures go to a temporary folder; with ZEMBRA_RENDER_DOCS set to a folder they are written
// there (docs/forms).
#include "../records/CasoFixture.h"
#include "agenda/UAnios.h"
#include "agenda/UPlanner.h"

#include <QDir>

namespace {

using platform::forms::TFormHarness;

class AgendaRenderTest : public casotest::CasoTest {
protected:
    QString Carpeta() {
        const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
        return docs.isEmpty() ? dir.path() : QString::fromLocal8Bit(docs);
    }
    void Guarda(TForm* form, const QString& nombre) {
        // As designed: these forms are wider than the test's screen.
        form->SetAutoScroll(false);
        form->Show();
        TFormHarness::ProcessEvents();
        const QString path = QDir(Carpeta()).filePath(nombre + QStringLiteral(".png"));
        ASSERT_TRUE(TFormHarness::SaveToPng(form, path));
        EXPECT_FALSE(QImage(path).isNull());
    }
    // Every month name fits whole in the planner's heading column.
    static void MesesCaben(TYearPlanner* p) {
        p->ComputeGeometry();
        TBitmap medida;
        medida.SetWidth(1);
        medida.SetHeight(1);
        medida.Canvas()->Font()->Assign(p->MonthFont());
        for (int m = 1; m <= 12; ++m)
            EXPECT_LE(medida.Canvas()->TextWidth(p->CellText(0, m)) + 4, p->HeadingWidth()) << p->CellText(0, m).toStdString();
    }
    void Entrada(int mes, int dia, const char* tipo, int veces = 1) {
        for (int i = 0; i < veces; ++i) {
            TTable* t = Dat->TAgen;
            t->Append();
            t->FieldByName(QStringLiteral("ABOCLI"))->SetAsInteger(Abogado);
            t->FieldByName(QStringLiteral("FECHA"))->SetAsDateTime(EncodeDate(2001, mes, dia));
            t->FieldByName(QStringLiteral("HORA"))->SetAsDateTime(EncodeTime(9 + i, 0, 0, 0));
            t->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromLatin1(tipo));
            t->FieldByName(QStringLiteral("SITUACION"))->SetAsString(QStringLiteral("Vista"));
            t->Post();
        }
    }
};

TEST_F(AgendaRenderTest, Planner) {
    Entrada(1, 15, "E", 3);
    Entrada(2, 2, "C");
    Entrada(3, 20, "X");
    Entrada(5, 7, "P", 2);
    Entrada(9, 11, "E");
    Entrada(9, 25, "E", 4);
    Entrada(12, 14, "Z");
    auto* f = new TFPlanner(Application);
    f->Situa(EncodeDate(2001, 9, 11));
    EXPECT_EQ(f->YearPlanner1->CellText(0, 9), QStringLiteral("septiembre"));
    Guarda(f, QStringLiteral("UPlanner"));
    MesesCaben(f->YearPlanner1);
    delete f;
}

TEST_F(AgendaRenderTest, YearlyCalendar) {
    harness->AnswerMessage(mrYes);
    auto* f = new TFAnios(Application);
    for (auto [mes, dia, color, texto] : {std::tuple{1, 1, 9, "Año Nuevo"}, std::tuple{1, 6, 9, "Reyes"},
                                          std::tuple{8, 15, 9, "Asunción"}, std::tuple{8, 1, 12, "Agosto inhábil"},
                                          std::tuple{10, 12, 9, "Fiesta Nacional"}, std::tuple{12, 24, 11, "Nochebuena"}}) {
        Dat->TDias->Append();
        Dat->TDias->FieldByName(QStringLiteral("Fecha"))->SetAsDateTime(EncodeDate(2001, mes, dia));
        Dat->TDias->FieldByName(QStringLiteral("Color"))->SetAsInteger(color);
        Dat->TDias->FieldByName(QStringLiteral("Descripcion"))->SetAsString(QString::fromUtf8(texto));
        Dat->TDias->Post();
    }
    f->YearPlanner1->SetYear(2026);
    harness->AnswerMessage(mrNo);
    f->YearPlanner1->SetYear(2001);
    Guarda(f, QStringLiteral("UAnios"));
    MesesCaben(f->YearPlanner1);
    delete f;
}

}  // namespace
