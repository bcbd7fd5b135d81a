// The desktop's default application read from its lists, in a private desktop made of
// temporary folders.
#include "platform/documents/DesktopApps.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using platform::documents::DefaultApplication;

namespace {

const QString Docx = QStringLiteral("application/vnd.openxmlformats-officedocument.wordprocessingml.document");

class DesktopAppsTest : public ::testing::Test {
protected:
    QTemporaryDir root;
    std::vector<std::pair<const char*, QByteArray>> saved;

    void SetUp() override {
        for (const char* v : {"XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_DATA_DIRS", "XDG_CURRENT_DESKTOP",
                              "XDG_MENU_PREFIX"})
            saved.emplace_back(v, qgetenv(v));
        qputenv("XDG_CONFIG_HOME", Path("config").toLocal8Bit());
        qputenv("XDG_CONFIG_DIRS", Path("etc").toLocal8Bit());
        qputenv("XDG_DATA_HOME", Path("share").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", Path("usr").toLocal8Bit());
        qunsetenv("XDG_CURRENT_DESKTOP");
        qunsetenv("XDG_MENU_PREFIX");
    }
    void TearDown() override {
        for (const auto& [v, value] : saved) {
            if (value.isNull()) qunsetenv(v);
            else qputenv(v, value);
        }
    }
    QString Path(const char* rel) const { return root.filePath(QString::fromUtf8(rel)); }
    void Write(const char* rel, const QByteArray& text) {
        const QString p = Path(rel);
        QDir().mkpath(QFileInfo(p).absolutePath());
        QFile f(p);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // An application whose program exists ("true" is on every PATH) or does not.
    void App(const char* rel, bool runnable = true, const QByteArray& extra = {}) {
        Write(rel, "[Desktop Entry]\nType=Application\nName=X\nExec=" +
                       QByteArray(runnable ? "true %f" : "/no/such/program %f") + "\n" + extra);
    }
};

TEST_F(DesktopAppsTest, NoListsAndNoApplicationsNameNone) {
    EXPECT_EQ(DefaultApplication(Docx), QString());
}

// The user's list first, then the system's; an entry counts only if its .desktop file is there
// and its program can run, and only the first entry of a line is considered.
TEST_F(DesktopAppsTest, MimeappsListsInOrderWithInstalledRunnableEntriesOnly) {
    Write("etc/mimeapps.list", "[Default Applications]\n" + Docx.toUtf8() + "=sistema.desktop\n");
    App("usr/applications/sistema.desktop");
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("sistema.desktop"));
    // The user's list names an application that is not installed: the system's still answers.
    Write("config/mimeapps.list", "[Default Applications]\n" + Docx.toUtf8() + "=falta.desktop;sistema.desktop\n");
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("sistema.desktop"));
    // Installed but its program is missing: still not it.
    App("share/applications/falta.desktop", false);
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("sistema.desktop"));
    App("share/applications/falta.desktop", true);
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("falta.desktop"));
    // Another section's line for the type is not a default.
    Write("config/mimeapps.list", "[Added Associations]\n" + Docx.toUtf8() + "=falta.desktop;\n[Default Applications]\n"
                                  "text/plain=falta.desktop\n");
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("sistema.desktop"));
}

// A desktop's own list comes before the plain one; vendor-app names may live in a vendor folder.
TEST_F(DesktopAppsTest, DesktopListAndVendorFolders) {
    Write("config/mimeapps.list", "[Default Applications]\n" + Docx.toUtf8() + "=general.desktop\n");
    App("usr/applications/general.desktop");
    Write("config/oficina-mimeapps.list", "[Default Applications]\n" + Docx.toUtf8() + "=casa-texto.desktop\n");
    App("usr/applications/casa/texto.desktop");
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("general.desktop"));
    qputenv("XDG_CURRENT_DESKTOP", "Otro:Oficina");
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("casa-texto.desktop"));
}

// Without lists: the older defaults.list and the cache name one as they are; failing those, an
// application declaring the type, the highest preference first.
TEST_F(DesktopAppsTest, CachesThenDeclaringApplications) {
    App("usr/applications/uno.desktop", true, "MimeType=text/plain;" + Docx.toUtf8() + ";\n");
    App("usr/applications/sub/dos.desktop", true, "MimeType=" + Docx.toUtf8() + ";\nInitialPreference=5\n");
    App("usr/applications/tres.desktop", true, "MimeType=" + Docx.toUtf8() + ";\nInitialPreference=5\n");
    App("usr/applications/otro.desktop", true, "MimeType=text/plain;\nInitialPreference=9\n");
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("tres.desktop"));
    Write("usr/applications/mimeinfo.cache", "[MIME Cache]\n" + Docx.toUtf8() + "=cache.desktop;uno.desktop;\n");
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("cache.desktop"));
    Write("share/applications/defaults.list", "[Default Applications]\n" + Docx.toUtf8() + "=antiguo.desktop\n");
    EXPECT_EQ(DefaultApplication(Docx), QStringLiteral("antiguo.desktop"));
}

}  // namespace
