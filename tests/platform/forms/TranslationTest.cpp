// The parts of the screen that Qt draws by itself (an edit box's menu, the file dialog's buttons)
// speak Spanish whatever the machine's locale; the tests run under the C locale.
#include "platform/forms/Dialogs.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/StdCtrls.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using platform::forms::TFormHarness;

namespace {

QStringList Texts(QMenu* menu) {
    QStringList out;
    for (QAction* a : menu->actions())
        if (!a->isSeparator()) out << a->text().section(QLatin1Char('\t'), 0, 0);
    return out;
}

TEST(QtTranslation, EditBoxMenuIsSpanishUnderTheCLocale) {
    TFormHarness harness;
    ASSERT_EQ(QLocale::system().name(), QStringLiteral("C"));
    TForm form(nullptr);
    auto* edit = new TEdit(&form);
    edit->SetParent(&form);
    auto* line = qobject_cast<QLineEdit*>(edit->Widget());
    ASSERT_NE(line, nullptr);
    std::unique_ptr<QMenu> menu(line->createStandardContextMenu());
    const QStringList texts = Texts(menu.get());
    for (const char* t : {"&Deshacer", "&Rehacer", "Cor&tar", "&Copiar", "&Pegar", "Seleccionar todo"})
        EXPECT_TRUE(texts.contains(QString::fromUtf8(t))) << t << " in " << texts.join(u'|').toStdString();
    EXPECT_FALSE(texts.contains(QStringLiteral("&Undo")));
}

TEST(QtTranslation, FileDialogButtonsAreSpanishAndOurTextsStay) {
    TFormHarness harness;
    TOpenDialog open(nullptr);
    open.SetTitle(QStringLiteral("Seleccione el programa"));
    open.SetFilter(QStringLiteral("Programas|*.exe|Todos los archivos (*.*)|*.*"));
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    open.SetUpQtDialog(dialog);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Seleccione el programa"));
    EXPECT_EQ(dialog.nameFilters().value(0), QStringLiteral("Programas (*.exe)"));
    EXPECT_TRUE(dialog.nameFilters().value(1).startsWith(QStringLiteral("Todos los archivos (*.*)")));
    auto* box = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    QStringList texts;
    for (QAbstractButton* b : box->buttons()) texts << b->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("&Abrir"))) << texts.join(u'|').toStdString();
    EXPECT_TRUE(texts.contains(QStringLiteral("Cancelar"))) << texts.join(u'|').toStdString();

    TSaveDialog save(nullptr);
    QFileDialog saving;
    saving.setOption(QFileDialog::DontUseNativeDialog);
    save.SetUpQtDialog(saving);
    texts.clear();
    for (QAbstractButton* b : saving.findChild<QDialogButtonBox*>()->buttons()) texts << b->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("&Guardar"))) << texts.join(u'|').toStdString();
}

TEST(QtTranslation, AMissingTranslationIsPassedOverSilently) {
    TFormHarness harness;
    QTemporaryDir empty;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(platform::forms::InstallQtTranslation(empty.path()));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string());
    // What was installed at start stays.
    QLineEdit line;
    std::unique_ptr<QMenu> menu(line.createStandardContextMenu());
    EXPECT_TRUE(Texts(menu.get()).contains(QStringLiteral("&Copiar")));
}

}  // namespace
