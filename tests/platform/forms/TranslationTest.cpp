// The parts of the screen that Qt draws by itself (an edit box's menu, the file dialog's buttons)
// speak Spanish whatever the machine's locale; the tests run under the C locale.
#include "platform/forms/Dialogs.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/StdCtrls.h"

#include <QDialogButtonBox>
#include <QAbstractProxyModel>
#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QThread>
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


TEST(QtTranslation, FileDialogDatesAndSizesAreSpanish) {
    TFormHarness harness;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile f(dir.filePath(QStringLiteral("escrito.docx")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1536, 'x'));
        f.flush();
        f.setFileTime(QDateTime(QDate(2026, 3, 4), QTime(17, 6)), QFileDevice::FileModificationTime);
    }
    TOpenDialog open(nullptr);
    QFileDialog dialog;
    open.SetUpQtDialog(dialog);
    dialog.setDirectory(dir.path());
    auto* files = qobject_cast<QFileSystemModel*>(dialog.proxyModel()->sourceModel());
    ASSERT_NE(files, nullptr);
    QModelIndex row;
    for (int i = 0; i < 500 && !row.isValid(); ++i) {
        TFormHarness::ProcessEvents();
        const QModelIndex source = files->index(dir.filePath(QStringLiteral("escrito.docx")));
        if (source.isValid()) row = dialog.proxyModel()->mapFromSource(source);
        if (!row.isValid()) QThread::msleep(10);
    }
    ASSERT_TRUE(row.isValid());
    auto text = [&](int column) { return row.siblingAtColumn(column).data(Qt::DisplayRole).toString(); };
    EXPECT_EQ(text(3), QStringLiteral("04/03/26 17:06"));
    EXPECT_EQ(text(1), QStringLiteral("1,5 kB"));
    EXPECT_EQ(text(0), QStringLiteral("escrito.docx"));
}

}  // namespace
