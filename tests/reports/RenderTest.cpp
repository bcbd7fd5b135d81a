// Pictures of the range dialogs with rows of a data folder, for review. They go to a temporary
// folder; with ZEMBRA_RENDER_DOCS set to a folder they are written there (docs/forms/).
#include "InformeFixture.h"

#include "reports/Limite.h"
#include "reports/Limite2.h"
#include "reports/ULimAgen.h"
#include "reports/ULimExp.h"
#include "reports/ULimTipCon.h"
#include "reports/limite3.h"

#include <QComboBox>
#include <QDir>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>

using namespace reportstest;
using platform::forms::TFormHarness;

namespace {

class RenderTest : public InformeTest {
protected:
    // Shows the form, saves its picture as <unit>.png and checks that it holds a drawing.
    void Guarda(TForm* form, const char* unit) {
        form->Show();
        TFormHarness::ProcessEvents();
        const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
        const QString folder = docs.isEmpty() ? temp.path() : QString::fromLocal8Bit(docs);
        const QString path = QDir(folder).filePath(QString::fromLatin1(unit) + QStringLiteral(".png"));
        ASSERT_TRUE(TFormHarness::SaveToPng(form, path));
        const QImage image(path);
        ASSERT_FALSE(image.isNull());
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qGray(image.pixel(x, y)) < 90) ++dark;
        EXPECT_GT(dark, 150) << unit;  // captions and frames, not an empty sheet
        form->Hide();
    }
    QTemporaryDir temp;
};

TEST_F(RenderTest, RangeDialogs) {
    Clientes(6);
    for (const char* n : {"Gómez Ruiz,Luis", "Pérez Díaz,Ana"}) {
        const QStringList p = QString::fromUtf8(n).split(QLatin1Char(','));
        Dat->TAboCli->Append();
        Dat->TAboCli->FieldByName(QStringLiteral("APELLIDOS"))->SetAsString(p[0]);
        Dat->TAboCli->FieldByName(QStringLiteral("NOMBRE"))->SetAsString(p[1]);
        Dat->TAboCli->Post();
    }
    for (const char* t : {"Juicio", "Cita", "Vencimiento"}) {
        Dat->TTipoAgenda->Append();
        Dat->TTipoAgenda->FieldByName(QStringLiteral("TIPO"))->SetAsString(QString::fromLatin1(t));
        Dat->TTipoAgenda->Post();
    }

    std::unique_ptr<TLimites> limites(new TLimites(nullptr));
    limites->SetCaption(QStringLiteral("Introducir Fecha de Apertura"));
    limites->EDesde->SetText(QStringLiteral("01/01/2001"));
    limites->EHasta->SetText(QStringLiteral("31/12/2001"));
    Guarda(limites.get(), "Limite");
    // The window manager shows the whole title, the title bar's buttons beside it; the controls
    // stay in the middle of the wider dialog.
    for (const char* titulo : {"Introducir Fecha de Apertura", "Introducir Fecha de Anotación"}) {
        std::unique_ptr<TLimites> d(new TLimites(nullptr));
        d->SetCaption(QString::fromUtf8(titulo));
        const int antes = d->Width();
        d->Show();
        QFont negrita = QGuiApplication::font();
        negrita.setBold(true);
        EXPECT_GE(d->Width(), QFontMetrics(negrita).horizontalAdvance(d->Caption()) + 120) << titulo;
        EXPECT_GT(d->Width(), antes);
        EXPECT_NEAR(d->btOk->Left(), d->ClientWidth() - d->btNo->Left() - d->btNo->Width(), 1);
        const std::unique_ptr<TLimites> plano(new TLimites(nullptr));
        EXPECT_EQ(d->EDesde->Left() - plano->EDesde->Left(), d->btOk->Left() - plano->btOk->Left());
        d->Hide();
    }

    std::unique_ptr<TLimites2> limites2(new TLimites2(nullptr));
    limites2->EDesde->SetText(QStringLiteral("01/01/2001"));
    limites2->EHasta->SetText(QStringLiteral("31/03/2001"));
    Guarda(limites2.get(), "Limite2");

    std::unique_ptr<TLimites3> limites3(new TLimites3(nullptr));
    limites3->EDesde->SetText(QStringLiteral("01/01/2001"));
    limites3->EHasta->SetText(QStringLiteral("31/03/2001"));
    limites3->cbAbogado->SetItemIndex(2);
    Guarda(limites3.get(), "limite3");

    std::unique_ptr<TLimAgen> agenda(new TLimAgen(nullptr));
    agenda->EDesde->SetText(QStringLiteral("05/03/2001"));
    agenda->EHasta->SetText(QStringLiteral("09/03/2001"));
    agenda->btAviPar->SetChecked(false);
    Guarda(agenda.get(), "ULimAgen");
    // Every group shows its whole caption.
    for (TGroupBox* g : {agenda->GroupBox1, agenda->GroupBox2, agenda->GroupBox3})
        EXPECT_LE(g->Widget()->fontMetrics().horizontalAdvance(g->Caption()) + 16, g->Width())
            << g->Caption().toStdString();

    std::unique_ptr<TFLimExp> exp(new TFLimExp(nullptr));
    exp->gbLimites->SetCaption(QStringLiteral("Cliente"));
    exp->rbLimite->SetCaption(QStringLiteral("Por Cliente"));
    exp->Show();
    TFormHarness::Click(exp->rbLimite);
    for (TDBLookupComboBox* cb : {exp->cbClienteDesde, exp->cbClienteHasta}) {
        const int i = cb == exp->cbClienteDesde ? 0 : cb->ComboBox()->count() - 1;
        cb->ComboBox()->setCurrentIndex(i);
        emit cb->ComboBox()->activated(i);
    }
    exp->Hide();
    Guarda(exp.get(), "ULimExp");

    std::unique_ptr<TFConCon> concon(new TFConCon(nullptr));
    concon->cbGastos->SetChecked(false);
    Guarda(concon.get(), "ULimTipCon");
}

}  // namespace
