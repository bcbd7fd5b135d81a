// Renders a form built like the program's record forms, for people reviewing the look; the
// picture is written next to the test binary.
#include "platform/forms/Buttons.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Mask.h"

#include <QDir>
#include <QImage>
#include <QSet>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

TEST(LookTest, RecordFormRendersToPng) {
    TFormHarness harness;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetCaption(QStringLiteral("Cliente"));
    form->SetBounds(0, 0, 420, 260);
    auto* pages = new TPageControl(form.get());
    pages->SetParent(form.get());
    pages->SetAlign(alClient);
    auto* general = new TTabSheet(form.get());
    general->SetPageControl(pages);
    general->SetCaption(QStringLiteral("General"));
    auto* notas = new TTabSheet(form.get());
    notas->SetPageControl(pages);
    notas->SetCaption(QStringLiteral("Observaciones"));
    auto label = [&](const QString& text, int top) {
        auto* l = new TLabel(form.get());
        l->SetParent(general);
        l->SetCaption(text);
        l->SetBounds(12, top + 3, 80, 17);
    };
    label(QStringLiteral("&Apellidos"), 12);
    auto* ape = new TEdit(form.get());
    ape->SetParent(general);
    ape->SetBounds(100, 12, 280, 21);
    ape->SetText(QStringLiteral("Núñez Peña"));
    label(QStringLiteral("Alta"), 42);
    auto* alta = new TMaskEdit(form.get());
    alta->SetParent(general);
    alta->SetBounds(100, 42, 90, 21);
    alta->SetEditMask(QStringLiteral("!99/99/9999;1;_"));
    alta->SetText(QStringLiteral("05/11/1999"));
    auto* moroso = new TCheckBox(form.get());
    moroso->SetParent(general);
    moroso->SetBounds(100, 72, 200, 19);
    moroso->SetCaption(QStringLiteral("Pago pendiente"));
    moroso->SetChecked(true);
    auto* ok = new TBitBtn(form.get());
    ok->SetParent(general);
    ok->SetKind(bkOK);
    ok->SetBounds(200, 120, 80, 25);
    auto* no = new TBitBtn(form.get());
    no->SetParent(general);
    no->SetKind(bkNo);
    no->SetBounds(290, 120, 80, 25);
    auto* status = new TStatusBar(form.get());
    status->SetParent(form.get());
    status->Panels()->Add()->SetWidth(200);
    status->Panels()->Add()->SetText(QStringLiteral("[Estado :Consulta]"));
    status->Panels()->Items(0)->SetText(QStringLiteral("Usuario : SUPERVISOR"));
    form->Show();
    const QString path = QDir(QStringLiteral(ZEMBRA_TEST_BINARY_DIR)).filePath(QStringLiteral("record-form.png"));
    ASSERT_TRUE(TFormHarness::SaveToPng(form.get(), path));
    const QImage img(path);
    ASSERT_EQ(img.size(), QSize(420, 260));
    QSet<QRgb> colours;
    for (int y = 0; y < img.height(); y += 3)
        for (int x = 0; x < img.width(); x += 3) colours.insert(img.pixel(x, y));
    EXPECT_GT(colours.size(), 6);  // text, frames, fields: not a blank sheet
}

}  // namespace
