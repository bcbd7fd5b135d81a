// The font dialog: opens on the font it holds, leaves the choice in it on OK only.
#include "platform/forms/Dialogs.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

#include <QDir>
#include <QFontDatabase>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::forms::TFontDialogForm;
using platform::forms::TFormHarness;

namespace {

class FontDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dialog = std::make_unique<TFontDialog>(nullptr);
        TFont f;
        f.SetName(QStringLiteral("Arial"));
        f.SetSize(10);
        f.SetStyle({fsItalic});
        f.SetColor(clNavy);
        dialog->SetFont(&f);
    }
    // Runs the dialog with `fill` as the user's hand; returns what Execute answered.
    bool Run(const std::function<void(TFontDialogForm&)>& fill) {
        harness.AnswerModal([&](TCustomForm& f) { fill(dynamic_cast<TFontDialogForm&>(f)); });
        return dialog->Execute();
    }
    TFormHarness harness;
    QTemporaryDir tmp;
    std::unique_ptr<TFontDialog> dialog;
};

TEST_F(FontDialogTest, OpensOnItsFontAndKeepsWhatIsChosenOnOk) {
    const QString mono = QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    ASSERT_TRUE(Run([&](TFontDialogForm& d) {
        EXPECT_EQ(d.cbNombre->Text(), QStringLiteral("Arial"));
        EXPECT_EQ(d.cbTamano->Text(), QStringLiteral("10"));
        EXPECT_TRUE(d.chkCursiva->Checked());
        EXPECT_FALSE(d.chkNegrita->Checked());
        EXPECT_EQ(d.cbColor->Text(), QStringLiteral("Azul marino"));
        EXPECT_GT(d.cbNombre->Items()->Count(), 0);
        d.cbNombre->SetText(mono);
        d.cbTamano->SetText(QStringLiteral("14"));
        TFormHarness::Click(d.chkNegrita);
        TFormHarness::Click(d.chkCursiva);
        TFormHarness::Click(d.chkSubrayado);
        TFormHarness::Type(d.cbColor, QStringLiteral("R"));  // the first colour that begins with R
        EXPECT_EQ(d.cbColor->Text(), QStringLiteral("Rojo"));
        // The sample shows the choice as it is made.
        EXPECT_EQ(d.pnlMuestra->Font()->Size(), 14);
        EXPECT_TRUE(d.pnlMuestra->Font()->Style().Contains(fsBold));
        EXPECT_EQ(d.pnlMuestra->Font()->Color(), clRed);
        // Every box and caption lies inside the window.
        for (int i = 0; i < d.ControlCount(); ++i) {
            TControl* c = d.Controls(i);
            EXPECT_LE(c->Left() + c->Width(), d.ClientWidth()) << c->Name().toStdString();
            EXPECT_LE(c->Top() + c->Height(), d.ClientHeight()) << c->Name().toStdString();
        }
        const QByteArray docs = qgetenv("ZEMBRA_RENDER_DOCS");
        const QString dir = docs.isEmpty() ? tmp.path() : QString::fromLocal8Bit(docs);
        EXPECT_TRUE(TFormHarness::SaveToPng(&d, QDir(dir).filePath(QStringLiteral("FontDialog.png"))));
        TFormHarness::Click(d.btOk);
    }));
    TFont* f = dialog->Font();
    EXPECT_EQ(f->Name(), mono);
    EXPECT_EQ(f->Size(), 14);
    EXPECT_EQ(f->Style(), (TFontStyles{fsBold, fsUnderline}));
    EXPECT_EQ(f->Color(), clRed);
    EXPECT_EQ(f->Pitch(), fpFixed);
}

TEST_F(FontDialogTest, CancelOrASizeThatIsNoNumberLeavesTheFontAsItWas) {
    EXPECT_FALSE(Run([](TFontDialogForm& d) {
        d.cbTamano->SetText(QStringLiteral("30"));
        TFormHarness::Click(d.btCancel);
    }));
    EXPECT_EQ(dialog->Font()->Size(), 10);

    // OK with a bad size says so and keeps the dialog open; the user then gives up.
    EXPECT_FALSE(Run([&](TFontDialogForm& d) {
        d.cbTamano->SetText(QStringLiteral("doce"));
        TFormHarness::Click(d.btOk);
        EXPECT_EQ(d.ModalResult(), mrNone);
        ASSERT_EQ(harness.Messages().size(), 1u);
        EXPECT_TRUE(harness.LastMessage().Text.contains(QStringLiteral("tamaño")));
        d.cbTamano->SetText(QStringLiteral("0"));
        TFormHarness::Click(d.btOk);
        EXPECT_EQ(d.ModalResult(), mrNone);
        TFormHarness::Click(d.btCancel);
    }));
    EXPECT_EQ(dialog->Font()->Size(), 10);
    EXPECT_EQ(dialog->Font()->Name(), QStringLiteral("Arial"));
    EXPECT_EQ(dialog->Font()->Color(), clNavy);
}

TEST_F(FontDialogTest, AColourOutsideTheListIsOfferedAsItIs) {
    TFont f;
    f.SetColor(TColor(0x123456));
    dialog->SetFont(&f);
    ASSERT_TRUE(Run([](TFontDialogForm& d) {
        EXPECT_EQ(d.cbColor->Text(), QStringLiteral("Otro"));
        TFormHarness::Click(d.btOk);
    }));
    EXPECT_EQ(dialog->Font()->Color(), TColor(0x123456));
}

}  // namespace
