#include "platform/help/HelpEngine.h"
#include "tests/support/CuentaEventos.h"

#include <QApplication>
#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTextBrowser>
#include <QWindow>

#include <gtest/gtest.h>

using namespace platform::help;

namespace {
constexpr int kHelpContext = 0x0001, kHelpQuit = 0x0002, kHelpContents = 0x0003;

class ProgramHelpTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_help";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            new QApplication(argc, argv);
    }
    TProgramHelp help;
};
}  // namespace

TEST_F(ProgramHelpTest, TheHelpFileNamesItsSetWhateverItsFolderAndExtension) {
    EXPECT_EQ(TProgramHelp::SetName(QStringLiteral("C:\\Zembra\\ZEMBRA.HLP")), QStringLiteral("zembra"));
    EXPECT_EQ(TProgramHelp::SetName(QStringLiteral("/opt/zembra/Zembra.chm")), QStringLiteral("zembra"));
    EXPECT_EQ(TProgramHelp::PageOfContext(QStringLiteral("zembra"), 100), QStringLiteral("agenda.html"));
    EXPECT_EQ(TProgramHelp::PageOfContext(QStringLiteral("zembra"), 250), QStringLiteral("usuarios.html"));
    EXPECT_EQ(TProgramHelp::PageOfContext(QStringLiteral("zembra"), 99999), QStringLiteral("index.html"));
    EXPECT_EQ(TProgramHelp::PageOfContext(QStringLiteral("otro"), 100), QString());
}

TEST_F(ProgramHelpTest, ContextsContentsAndIndexShowTheirPagesAndQuitClosesTheWindow) {
    const QString chm = QStringLiteral("/opt/zembra/Zembra.chm");
    EXPECT_TRUE(help.HtmlHelp(chm, HH_HELP_CONTEXT, 110));
    EXPECT_EQ(help.CurrentPage(), QStringLiteral("economico.html"));
    EXPECT_TRUE(help.HtmlHelp(chm, HH_DISPLAY_INDEX, 0));
    EXPECT_EQ(help.CurrentPage(), QStringLiteral("indice.html"));
    EXPECT_TRUE(help.WinHelp(QStringLiteral("Zembra.hlp"), kHelpContents, 0));
    EXPECT_EQ(help.CurrentPage(), QStringLiteral("index.html"));
    EXPECT_TRUE(help.WinHelp(QStringLiteral("Zembra.hlp"), kHelpContext, 301));
    EXPECT_EQ(help.CurrentPage(), QStringLiteral("personas.html"));
    EXPECT_FALSE(help.HtmlHelp(QString(), HH_CLOSE_ALL, 0));  // no window is left
    EXPECT_FALSE(help.WindowVisible());
    EXPECT_TRUE(help.WinHelp(QStringLiteral("Zembra.hlp"), kHelpQuit, 0));
    // A help file with no pages of its own shows nothing.
    EXPECT_FALSE(help.HtmlHelp(QStringLiteral("Otro.chm"), HH_HELP_CONTEXT, 1));
    EXPECT_FALSE(help.WindowVisible());
}

TEST_F(ProgramHelpTest, EveryPageIsSpanishUtf8AndEveryMappedPageExists) {
    QDirIterator it(QStringLiteral(":/help/zembra"));
    int pages = 0;
    while (it.hasNext()) {
        const QString path = it.next();
        if (!path.endsWith(QStringLiteral(".html")))
            continue;
        ++pages;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        const QString text = QString::fromUtf8(bytes);
        EXPECT_EQ(text.toUtf8(), bytes) << path.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("lang=\"es\""))) << path.toStdString();
    }
    EXPECT_GE(pages, 10);
    for (int context : {3, 28, 40, 50, 60, 70, 75, 90, 95, 100, 101, 110, 130, 150, 160, 170, 210, 220, 250, 300, 301}) {
        const QString page = TProgramHelp::PageOfContext(QStringLiteral("zembra"), context);
        EXPECT_NE(page, QStringLiteral("index.html")) << context;
        EXPECT_TRUE(QFile::exists(TProgramHelp::PagePath(QStringLiteral("zembra"), page))) << context;
    }
}

// Help asked from a modal form takes the mouse: the form's modality does not shut it out.
TEST_F(ProgramHelpTest, HelpAskedFromAModalFormTakesTheMouse) {
    QDialog formulario;
    formulario.setWindowModality(Qt::ApplicationModal);
    formulario.show();
    ASSERT_TRUE(help.HtmlHelp(QStringLiteral("Zembra.chm"), HH_DISPLAY_TOC, 0));
    QTextBrowser* ventana = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* b = qobject_cast<QTextBrowser*>(w); b && b->isVisible()) ventana = b;
    ASSERT_NE(ventana, nullptr);
    zbtest::TCuentaEventos pulsaciones(QEvent::MouseButtonPress);
    ventana->viewport()->installEventFilter(&pulsaciones);
    QTest::mouseClick(ventana->windowHandle(), Qt::LeftButton, {}, ventana->viewport()->mapTo(ventana, QPoint(40, 200)));
    EXPECT_EQ(pulsaciones.Veces, 1);
    help.HtmlHelp(QString(), HH_CLOSE_ALL, 0);
}

TEST(ProgramHelpAtExit, AProgramThatShowedItsHelpEndsCleanly) {
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral(ZEMBRA_HELP_CHILD), {});
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << child.readAll().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
}
