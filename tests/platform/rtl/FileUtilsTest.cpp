#include "platform/rtl/FileUtils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <sys/stat.h>
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

namespace {

void Touch(const QString& path, const QByteArray& data = QByteArray()) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(data);
}

QStringList FindAll(const QString& path, int attr) {
    QStringList names;
    TSearchRec sr;
    int rc = FindFirst(path, attr, sr);
    while (rc == 0) {
        names << sr.Name;
        rc = FindNext(sr);
    }
    FindClose(sr);
    return names;
}

}  // namespace

TEST(FileNames, SplitsOddNamesIntoFolderNameAndExtension) {
    const QString p = QStringLiteral("/datos/Año 2024/Escritos/demanda señor García.doc");
    EXPECT_EQ(ExtractFileName(p), QStringLiteral("demanda señor García.doc"));
    EXPECT_EQ(ExtractFilePath(p), QStringLiteral("/datos/Año 2024/Escritos/"));
    EXPECT_EQ(ExtractFileDir(p), QStringLiteral("/datos/Año 2024/Escritos"));
    EXPECT_EQ(ExtractFileExt(p), QStringLiteral(".doc"));
    EXPECT_EQ(ChangeFileExt(p, QStringLiteral(".txt")), QStringLiteral("/datos/Año 2024/Escritos/demanda señor García.txt"));

    // No extension, a dot only in the folder, a trailing delimiter, a bare name.
    EXPECT_EQ(ExtractFileExt(QStringLiteral("/v.1/LEEME")), QString());
    EXPECT_EQ(ChangeFileExt(QStringLiteral("/v.1/LEEME"), QStringLiteral(".DB")), QStringLiteral("/v.1/LEEME.DB"));
    EXPECT_EQ(ExtractFileName(QStringLiteral("/datos/Modelos/")), QString());
    EXPECT_EQ(ExtractFilePath(QStringLiteral("/datos/Modelos/")), QStringLiteral("/datos/Modelos/"));
    EXPECT_EQ(ExtractFileDir(QStringLiteral("/datos/Modelos/")), QStringLiteral("/datos/Modelos"));
    EXPECT_EQ(ExtractFilePath(QStringLiteral("EXPED.DB")), QString());
    EXPECT_EQ(ExtractFileDir(QStringLiteral("/EXPED.DB")), QStringLiteral("/"));
    EXPECT_EQ(ExtractFileExt(QStringLiteral("copia.tar.gz")), QStringLiteral(".gz"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("Zembra.exe"), QStringLiteral(".INI")), QStringLiteral("Zembra.INI"));
    EXPECT_EQ(ChangeFileExt(QStringLiteral("Zembra.exe"), QString()), QStringLiteral("Zembra"));
}

TEST(FileNames, BackslashesAreFolderDelimiters) {
    EXPECT_EQ(platform::rtl::NormalizePath(QStringLiteral("datos\\Escritos\\a.doc")), QStringLiteral("datos/Escritos/a.doc"));
    EXPECT_EQ(ExtractFileName(QStringLiteral("/datos\\Escritos\\a b.doc")), QStringLiteral("a b.doc"));
    EXPECT_EQ(ExtractFilePath(QStringLiteral("/datos\\Escritos\\a b.doc")), QStringLiteral("/datos/Escritos/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/datos\\NetDir\\")), QStringLiteral("/datos/NetDir/"));
    EXPECT_EQ(ExtractFileExt(QStringLiteral("a.b\\c")), QString());
}

TEST(FileNames, TrailingDelimiters) {
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/tmp")), QStringLiteral("/tmp/"));
    EXPECT_EQ(IncludeTrailingPathDelimiter(QStringLiteral("/tmp/")), QStringLiteral("/tmp/"));
    EXPECT_EQ(ExcludeTrailingPathDelimiter(QStringLiteral("/tmp/")), QStringLiteral("/tmp"));
    EXPECT_EQ(ExcludeTrailingPathDelimiter(QStringLiteral("/tmp")), QStringLiteral("/tmp"));
    EXPECT_TRUE(TempFolder().endsWith(QLatin1Char('/')));
    EXPECT_TRUE(DirectoryExists(TempFolder()));
}

TEST(FileNames, ExpandResolvesAgainstTheCurrentFolder) {
    QTemporaryDir tmp;
    const QString old = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(tmp.path()));
    const QString here = QDir(tmp.path()).canonicalPath();
    EXPECT_EQ(ExpandFileName(QStringLiteral("sub/../Año.db")), here + QStringLiteral("/Año.db"));
    EXPECT_EQ(ExpandFileName(QStringLiteral("Escritos\\")), here + QStringLiteral("/Escritos/"));
    EXPECT_EQ(ExpandFileName(QStringLiteral("/a/./b/../c")), QStringLiteral("/a/c"));
    EXPECT_FALSE(SetCurrentDir(here + QStringLiteral("/no existe")));
    EXPECT_EQ(QDir(GetCurrentDir()).canonicalPath(), here);
    SetCurrentDir(old);
}

TEST(Folders, ForceDirectoriesCreatesNestedLevels) {
    QTemporaryDir tmp;
    const QString deep = tmp.path() + QStringLiteral("/Año 2024\\Expedientes ñ/Señor Núñez/");
    EXPECT_TRUE(ForceDirectories(deep));
    EXPECT_TRUE(DirectoryExists(tmp.path() + QStringLiteral("/Año 2024/Expedientes ñ/Señor Núñez")));
    EXPECT_TRUE(ForceDirectories(deep));  // already there
    EXPECT_FALSE(ForceDirectories(QString()));

    // A file in the way is not a folder.
    Touch(tmp.path() + QStringLiteral("/fichero"));
    EXPECT_FALSE(ForceDirectories(tmp.path() + QStringLiteral("/fichero/sub")));
    EXPECT_FALSE(ForceDirectories(tmp.path() + QStringLiteral("/fichero")));
}

namespace {
mode_t Modo(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}
// The process's umask for one test.
struct Umask {
    explicit Umask(mode_t m) : previa(::umask(m)) {}
    ~Umask() { ::umask(previa); }
    mode_t previa;
};
}  // namespace

TEST(Folders, WhatIsMadeInASharedFolderServesThoseWhoShareIt) {
    Umask privada(077);
    QTemporaryDir tmp;
    const QString oficina = tmp.path() + QStringLiteral("/Oficina común");
    ASSERT_TRUE(CreateDir(oficina));
    ASSERT_EQ(::chmod(QFile::encodeName(oficina).constData(), 02775), 0);
    // Every new level takes the group's rights, whatever this user's umask; the kernel passes the setgid bit on.
    EXPECT_TRUE(ForceSharedDirectories(oficina + QStringLiteral("/Escritos/Año 2024/")));
    EXPECT_EQ(Modo(oficina + QStringLiteral("/Escritos")), mode_t(02770));
    EXPECT_EQ(Modo(oficina + QStringLiteral("/Escritos/Año 2024")), mode_t(02770));
    const QString doc = oficina + QStringLiteral("/Escritos/1.docx");
    Touch(doc);
    ASSERT_EQ(Modo(doc), mode_t(0600));
    EXPECT_TRUE(ShareLikeFolder(doc));
    EXPECT_EQ(Modo(doc), mode_t(0660));  // the group's, not every account's the folder lets list it

    // A private folder keeps its files private; rights already wider are left alone.
    const QString privado = tmp.path() + QStringLiteral("/privado");
    ASSERT_TRUE(CreateDir(privado));
    Touch(privado + QStringLiteral("/a"));
    EXPECT_TRUE(ShareLikeFolder(privado + QStringLiteral("/a")));
    EXPECT_EQ(Modo(privado + QStringLiteral("/a")), mode_t(0600));
    ASSERT_EQ(::chmod(QFile::encodeName(privado).constData(), 0755), 0);
    Touch(privado + QStringLiteral("/b"));
    ASSERT_EQ(::chmod(QFile::encodeName(privado + QStringLiteral("/b")).constData(), 0666), 0);
    EXPECT_TRUE(ShareLikeFolder(privado + QStringLiteral("/b")));
    EXPECT_EQ(Modo(privado + QStringLiteral("/b")), mode_t(0666));

    // A folder open to all shares with its group only.
    const QString abierta = tmp.path() + QStringLiteral("/abierta");
    ASSERT_TRUE(CreateDir(abierta));
    ASSERT_EQ(::chmod(QFile::encodeName(abierta).constData(), 01777), 0);
    Touch(abierta + QStringLiteral("/c"));
    EXPECT_TRUE(ShareLikeFolder(abierta + QStringLiteral("/c")));
    EXPECT_EQ(Modo(abierta + QStringLiteral("/c")), mode_t(0660));

    EXPECT_FALSE(ShareLikeFolder(oficina + QStringLiteral("/no existe")));
}

TEST(Folders, CreateAndRemoveOneLevel) {
    QTemporaryDir tmp;
    const QString d = tmp.path() + QStringLiteral("/Privé");
    EXPECT_FALSE(CreateDir(d + QStringLiteral("/a/b")));  // parent missing
    EXPECT_TRUE(CreateDir(d));
    EXPECT_FALSE(CreateDir(d));
    Touch(d + QStringLiteral("/x"));
    EXPECT_FALSE(RemoveDir(d));  // not empty
    EXPECT_TRUE(DeleteFile(d + QStringLiteral("/x")));
    EXPECT_TRUE(RemoveDir(d));
    EXPECT_FALSE(DirectoryExists(d));
}

TEST(Files, ExistsDeleteRename) {
    QTemporaryDir tmp;
    const QString a = tmp.path() + QStringLiteral("/PARADOX.LCK");
    const QString b = tmp.path() + QStringLiteral("/con blancos y ñ.lck");
    Touch(a, "x");
    EXPECT_TRUE(FileExists(a));
    EXPECT_FALSE(FileExists(tmp.path()));          // a folder is no file
    EXPECT_FALSE(DirectoryExists(a));
    EXPECT_FALSE(DeleteFile(tmp.path()));          // nor deleted as one
    EXPECT_TRUE(RenameFile(a, b));
    EXPECT_FALSE(FileExists(a));
    EXPECT_TRUE(FileExists(b));

    // Renaming onto an existing file keeps both.
    Touch(a, "otro");
    EXPECT_FALSE(RenameFile(b, a));
    EXPECT_TRUE(FileExists(b));
    QFile f(a);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("otro"));

    EXPECT_TRUE(DeleteFile(b));
    EXPECT_FALSE(DeleteFile(b));
    EXPECT_FALSE(RenameFile(b, tmp.path() + QStringLiteral("/z")));
    EXPECT_FALSE(FileExists(QString()));
}

TEST(Files, DatesRoundTrip) {
    QTemporaryDir tmp;
    const QString a = tmp.path() + QStringLiteral("/fecha.txt");
    EXPECT_EQ(FileAge(a), -1);
    Touch(a);
    // 15/03/2004 10:20:30 as the packed date.
    const int packed = ((2004 - 1980) << 25) | (3 << 21) | (15 << 16) | (10 << 11) | (20 << 5) | (30 / 2);
    EXPECT_EQ(FileSetDate(a, packed), 0);
    EXPECT_EQ(FileAge(a), packed);
    EXPECT_EQ(FileGetDate(a), packed);
    TDateTime dt;
    ASSERT_TRUE(FileAge(a, dt));
    // 15/03/2004 is day 38061 after 30/12/1899.
    EXPECT_NEAR(dt.Val, 38061.0 + (10 * 3600 + 20 * 60 + 30) / 86400.0, 1e-6);
    EXPECT_EQ(DateTimeToFileDate(dt), packed);
    EXPECT_NEAR(FileDateToDateTime(packed).Val, dt.Val, 1e-9);

    EXPECT_TRUE(FileSetDateTime(a, TDateTime(40000.5)));
    EXPECT_NEAR(FileGetDateTime(a).Val, 40000.5, 1e-6);
    EXPECT_EQ(FileSetDate(a + QStringLiteral("x"), packed), 2);
    EXPECT_EQ(FileGetDateTime(a + QStringLiteral("x")).Val, 0.0);
    EXPECT_EQ(FileDateToDateTime(0).Val, 0.0);  // no such date
}

// A file's time on the days the clocks change is the time the wall clock showed, both ways.
TEST(Files, DatesOnTheDaysTheClocksChange) {
    const QByteArray antes = qgetenv("TZ");
    const bool habia = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "Europe/Madrid");
    tzset();
    QTemporaryDir tmp;
    const QString a = tmp.path() + QStringLiteral("/cambio.txt");
    Touch(a);
    // 29/03/2026 (02:00 became 03:00) and 25/10/2026 (03:00 became 02:00), days 46110 and 46320.
    for (const double dia : {46110.0, 46320.0}) {
        for (const int hora : {1, 4, 12, 23}) {
            const TDateTime dt(dia + hora / 24.0);
            const int packed = DateTimeToFileDate(dt);
            EXPECT_EQ((packed >> 11) & 0x1F, hora) << dia;
            EXPECT_EQ(packed >> 16 & 0x1F, dia == 46110.0 ? 29 : 25);
            EXPECT_NEAR(FileDateToDateTime(packed).Val, dt.Val, 1e-6) << dia << " " << hora;
            ASSERT_TRUE(FileSetDateTime(a, dt));
            EXPECT_NEAR(FileGetDateTime(a).Val, dt.Val, 1e-6) << dia << " " << hora;
        }
    }
    // 02:30 on the spring day never happened here, but a packed date from elsewhere may say it.
    const TDateTime saltada(46110.0 + 2.5 / 24.0);
    const int packed = DateTimeToFileDate(saltada);
    EXPECT_EQ((packed >> 11) & 0x1F, 2);
    EXPECT_EQ((packed >> 5) & 0x3F, 30);
    EXPECT_NEAR(FileDateToDateTime(packed).Val, saltada.Val, 1e-6);
    if (habia) qputenv("TZ", antes);
    else qunsetenv("TZ");
    tzset();
}

TEST(FindFiles, MasksIgnoreCaseAndTakeWildcards) {
    QTemporaryDir tmp;
    const QString d = tmp.path();
    Touch(d + QStringLiteral("/EXPED.DB"), "12345");
    Touch(d + QStringLiteral("/exped.px"));
    Touch(d + QStringLiteral("/Cuentas.db"));
    Touch(d + QStringLiteral("/Año.DB"));
    Touch(d + QStringLiteral("/LEEME"));
    Touch(d + QStringLiteral("/.oculto.db"));
    ForceDirectories(d + QStringLiteral("/Escritos.db"));

    EXPECT_EQ(FindAll(d + QStringLiteral("/*.db"), faAnyFile & ~faDirectory & ~faHidden),
              (QStringList{QStringLiteral("Año.DB"), QStringLiteral("Cuentas.db"), QStringLiteral("EXPED.DB")}));
    EXPECT_EQ(FindAll(d + QStringLiteral("/exped.*"), 0), (QStringList{QStringLiteral("EXPED.DB"), QStringLiteral("exped.px")}));
    EXPECT_EQ(FindAll(d + QStringLiteral("/?????.DB"), 0), (QStringList{QStringLiteral("EXPED.DB")}));
    EXPECT_EQ(FindAll(d + QStringLiteral("/*.*"), 0).size(), 5);  // also "LEEME"
    EXPECT_EQ(FindAll(d + QStringLiteral("\\*.db"), faDirectory | faHidden).size(), 5);
    EXPECT_TRUE(FindAll(d + QStringLiteral("/*.doc"), faAnyFile).isEmpty());

    TSearchRec sr;
    ASSERT_EQ(FindFirst(d + QStringLiteral("/exped.db"), faAnyFile, sr), 0);
    EXPECT_EQ(sr.Name, QStringLiteral("EXPED.DB"));
    EXPECT_EQ(sr.Size, 5);
    EXPECT_EQ(sr.Attr & faDirectory, 0);
    EXPECT_NE(sr.Time, 0);
    EXPECT_NE(FindNext(sr), 0);
    FindClose(sr);

    ASSERT_EQ(FindFirst(d + QStringLiteral("/escritos.*"), faDirectory, sr), 0);
    EXPECT_NE(sr.Attr & faDirectory, 0);
    FindClose(sr);
    EXPECT_EQ(FindFirst(d + QStringLiteral("/no existe/*.*"), faAnyFile, sr), 3);
    EXPECT_EQ(FindFirst(d + QStringLiteral("/*.xyz"), faAnyFile, sr), 2);
}

TEST(FindFiles, MaskMatching) {
    using platform::rtl::MatchesMask;
    EXPECT_TRUE(MatchesMask(QStringLiteral("Demanda ÑU.doc"), QStringLiteral("*ñu.DOC")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("abc"), QStringLiteral("a*b*c")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("aXbYbc"), QStringLiteral("a*bc")));
    EXPECT_FALSE(MatchesMask(QStringLiteral("abcd"), QStringLiteral("a*bc")));
    EXPECT_FALSE(MatchesMask(QStringLiteral("ab"), QStringLiteral("a?b")));
    EXPECT_TRUE(MatchesMask(QStringLiteral("LEEME"), QStringLiteral("*.*")));
    EXPECT_TRUE(MatchesMask(QString(), QStringLiteral("*")));
}
