// Pictures of the start-up windows, as docs/forms shows them (copied from the test's folder).
#include "platform/forms/FormHarness.h"
#include "shell/Acceso.h"
#include "shell/Inicio.h"
#include "shell/UAcercaDe.h"
#include "shell/UFin.h"

#include <QDir>
#include <QImage>
#include <QPointer>
#include <QSet>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using platform::forms::TFormHarness;

namespace {

QImage Render(TForm* form, const char* unidad) {
    form->Show();
    TFormHarness::ProcessEvents();
    const QString path = QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QString::fromLatin1(unidad) + QStringLiteral(".png"));
    EXPECT_TRUE(TFormHarness::SaveToPng(form, path));
    return QImage(path);
}

int Colores(const QImage& img) {
    QSet<QRgb> c;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2) c.insert(img.pixel(x, y));
    return int(c.size());
}

TEST(Render, TheSplashShowsItsAnimationGaugeAndLabels) {
    TFormHarness harness;
    auto form = std::make_unique<TPresenta>(nullptr);
    form->Ps->SetProgress(60);
    form->ZbGIFAnimator1->SetAnimate(false);
    form->ZbGIFAnimator1->SetFrameIndex(3);
    const QImage img = Render(form.get(), "Inicio");
    ASSERT_EQ(img.size(), QSize(340, 200));
    EXPECT_GT(Colores(img), 8);
    // The gold of the scales is drawn inside the animation's box.
    bool oro = false;
    for (int y = 12; y < 116 && !oro; ++y)
        for (int x = 12; x < 116 && !oro; ++x) {
            const QColor c = img.pixelColor(x, y);
            oro = c.red() > 150 && c.green() > 100 && c.blue() < 90;
        }
    EXPECT_TRUE(oro);
}

TEST(Render, TheSplashBeamSwingsOutAndBackInTwelveFramesWithTheProductNameInBoldSerif) {
    TFormHarness harness;
    auto gif = shell::AnimacionPresentacion();
    ASSERT_EQ(gif->Count(), 12);
    std::vector<QImage> cuadros;
    for (int i = 0; i < 12; ++i) cuadros.push_back(gif->Frames(i)->Bitmap()->ToImage());
    // The same tilt on the way out and on the way back draws the same picture.
    for (int i = 0; i <= 6; ++i) EXPECT_EQ(cuadros[size_t(i)], cuadros[size_t((6 - i + 12) % 12)]) << i;
    for (int i = 7; i < 12; ++i) EXPECT_EQ(cuadros[size_t(i)], cuadros[size_t(18 - i)]) << i;
    // Level, both half tilts and both ends are seven different pictures.
    const std::vector<int> distintos{0, 1, 2, 3, 7, 8, 9};
    for (size_t a = 0; a < distintos.size(); ++a)
        for (size_t b = a + 1; b < distintos.size(); ++b)
            EXPECT_NE(cuadros[size_t(distintos[a])], cuadros[size_t(distintos[b])]) << distintos[a] << " " << distintos[b];

    auto form = std::make_unique<TPresenta>(nullptr);
    EXPECT_EQ(form->ZbGIFAnimator1->Image()->Count(), 12);
    TFont* letra = form->Label2->Font();
    EXPECT_EQ(letra->Name(), QStringLiteral("Times New Roman"));
    EXPECT_EQ(letra->Height(), -28);
    EXPECT_EQ(letra->Style(), TFontStyles{fsBold});
    EXPECT_EQ(letra->Color(), TColor(0x6E3A1F));
}

TEST(Render, TheLoginAndTheExitDialog) {
    TFormHarness harness;
    auto entrada = std::make_unique<TEntrada>(nullptr);
    TFormHarness::Type(entrada->ENombre, QStringLiteral("supervisor"));
    TFormHarness::Type(entrada->EPassword, QStringLiteral("kodram"));
    EXPECT_EQ(entrada->ENombre->Text(), QStringLiteral("SUPERVISOR"));
    EXPECT_EQ(entrada->EPassword->Text(), QStringLiteral("KODRAM"));
    const QImage login = Render(entrada.get(), "Acceso");
    ASSERT_EQ(login.size(), QSize(328, 150));
    EXPECT_GT(Colores(login), 8);

    auto fin = std::make_unique<TFFin>(nullptr);
    EXPECT_TRUE(fin->BtNo->Default());
    EXPECT_TRUE(fin->BtNo->Cancel());
    EXPECT_EQ(fin->BtNo->ModalResult(), mrNo);
    EXPECT_EQ(fin->BtOk->ModalResult(), mrOk);
    const QImage salir = Render(fin.get(), "UFin");
    ASSERT_EQ(salir.size(), QSize(300, 124));
    EXPECT_GT(Colores(salir), 6);

    auto* acerca = new TAcerca(nullptr);
    QPointer<QWidget> w = acerca->Widget();
    EXPECT_GT(Colores(Render(acerca, "UAcercaDe")), 6);
    // Its button closes it, and it frees itself.
    TFormHarness::Click(acerca->Button1);
    TFormHarness::ProcessEvents();
    EXPECT_TRUE(w.isNull());
}

}  // namespace
