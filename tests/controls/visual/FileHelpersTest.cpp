#include "controls/visual/FileCopyHelpers.h"
#include "controls/visual/FileNameHelpers.h"

#include "platform/rtl/Exceptions.h"
#include "tests/support/DiscoLleno.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <QStandardPaths>
#include <gtest/gtest.h>

namespace {

QByteArray Pattern(qint64 size) {
    QByteArray b(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        b[i] = char((i * 7 + i / 251) & 0xFF);
    return b;
}

void WriteFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    ASSERT_EQ(f.write(data), data.size());
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

class CopyFileTest : public ::testing::Test {
protected:
    QString Path(const QString& name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

}  // namespace

TEST_F(CopyFileTest, CopiesAroundTheBlockSize) {
    for (qint64 size : {0, 1, 8191, 8192, 8193, 3 * 8192, 100000}) {
        const QByteArray data = Pattern(size);
        WriteFile(Path("src.bin"), data);
        const QString dest = Path(QStringLiteral("copia %1 ñ.bin").arg(size));
        CopyFile(Path("src.bin"), dest);
        ASSERT_TRUE(QFileInfo::exists(dest)) << size;
        EXPECT_EQ(ReadFile(dest), data) << size;
    }
}

TEST_F(CopyFileTest, ReplacesAnExistingLongerTarget) {
    WriteFile(Path("src.bin"), Pattern(10));
    WriteFile(Path("dst.bin"), Pattern(20000));
    CopyFile(Path("src.bin"), Path("dst.bin"));
    EXPECT_EQ(ReadFile(Path("dst.bin")), Pattern(10));
    // No temporary files left beside the target.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2);
}

TEST_F(CopyFileTest, RelativeTargetAndBackslashesAreExpanded) {
    WriteFile(Path("src.bin"), Pattern(8193));
    ASSERT_TRUE(QDir(dir.path()).mkdir("sub"));
    const QString old = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    CopyFile(QStringLiteral("src.bin"), QStringLiteral("sub\\dst.bin"));
    QDir::setCurrent(old);
    EXPECT_EQ(ReadFile(Path("sub/dst.bin")), Pattern(8193));
}

TEST_F(CopyFileTest, MissingSourceRaisesOpenErrorAndCreatesNothing) {
    const QString missing = Path("no such.bin");
    try {
        CopyFile(missing, Path("dst.bin"));
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot open file ") + missing);
    }
    EXPECT_FALSE(QFileInfo::exists(Path("dst.bin")));
    EXPECT_THROW(CopyFile(dir.path(), Path("dst.bin")), EFOpenError);  // a folder is no file
    EXPECT_FALSE(QFileInfo::exists(Path("dst.bin")));
}

TEST_F(CopyFileTest, UnwritableTargetFolderRaisesCreateError) {
    WriteFile(Path("src.bin"), Pattern(8192));
    // A folder that does not exist, and one whose "folder" is a file: no user may create there.
    const QString noFolder = Path("missing/dst.bin");
    try {
        CopyFile(Path("src.bin"), noFolder);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Cannot create file ") + noFolder);
    }
    EXPECT_THROW(CopyFile(Path("src.bin"), Path("src.bin/dst.bin")), EFCreateError);
    EXPECT_EQ(ReadFile(Path("src.bin")), Pattern(8192));
}

TEST_F(CopyFileTest, ReadFailureIsReportedAndKeepsTheTarget) {
    // Reading the start of a process's own memory file fails with an I/O error after a good open.
    if (!QFile(QStringLiteral("/proc/self/mem")).open(QIODevice::ReadOnly))
        GTEST_SKIP() << "no /proc";
    WriteFile(Path("dst.bin"), Pattern(300));
    EXPECT_THROW(CopyFile(QStringLiteral("/proc/self/mem"), Path("dst.bin")), EReadError);
    EXPECT_EQ(ReadFile(Path("dst.bin")), Pattern(300));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

// The disk fills with the copy still in the write buffer: an error, the old target kept whole.
TEST_F(CopyFileTest, AFullDiskIsAWriteErrorAndKeepsTheTarget) {
    WriteFile(Path("src.bin"), Pattern(5000));
    WriteFile(Path("dst.bin"), Pattern(30));
    EXPECT_THROW(zbtest::ConDiscoLleno(1000, [&] { CopyFile(Path("src.bin"), Path("dst.bin")); }), EWriteError);
    EXPECT_EQ(ReadFile(Path("dst.bin")), Pattern(30));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), (QStringList{"dst.bin", "src.bin"}));
}

TEST_F(CopyFileTest, RefusesToCopyAFileOntoItself) {
    WriteFile(Path("src.bin"), Pattern(9000));
    EXPECT_THROW(CopyFile(Path("src.bin"), Path("src.bin")), EFCreateError);
    EXPECT_THROW(CopyFile(Path("src.bin"), Path("./sub/../src.bin")), EFCreateError);
    ASSERT_TRUE(QFile::link(Path("src.bin"), Path("link.bin")));
    EXPECT_THROW(CopyFile(Path("link.bin"), Path("src.bin")), EFCreateError);
    EXPECT_EQ(ReadFile(Path("src.bin")), Pattern(9000));
}

TEST_F(CopyFileTest, KeepDateVariantCarriesTheSourceDate) {
    WriteFile(Path("src.bin"), Pattern(5));
    const QDateTime old = QDateTime(QDate(2001, 5, 17), QTime(10, 30, 0));
    {
        QFile f(Path("src.bin"));
        ASSERT_TRUE(f.open(QIODevice::Append));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    CopyFile(Path("src.bin"), Path("plain.bin"));
    EXPECT_GT(QFileInfo(Path("plain.bin")).lastModified(), old.addYears(10));
    CopyFileKeepDate(Path("src.bin"), Path("kept.bin"));
    EXPECT_EQ(QFileInfo(Path("kept.bin")).lastModified(), old);
    EXPECT_EQ(ReadFile(Path("kept.bin")), Pattern(5));
}

TEST(FileNames, ValidityAndCharacterTests) {
    EXPECT_FALSE(ValidFileName(QString()));
    EXPECT_FALSE(ValidFileName(QStringLiteral("a|b.doc")));
    for (const char* bad : {"<", ">", "\"", "[", "]"})
        EXPECT_FALSE(ValidFileName(QStringLiteral("x") + QLatin1String(bad))) << bad;
    EXPECT_TRUE(ValidFileName(QStringLiteral("C:\\Escritos\\Demanda año 2026.doc")));
    EXPECT_TRUE(HasAnyChar(QStringLiteral("abc"), QStringLiteral("xyc")));
    EXPECT_FALSE(HasAnyChar(QStringLiteral("abc"), QString()));
}

TEST(FileNames, DirectoriesAndMatchingNames) {
    QTemporaryDir dir;
    WriteFile(dir.filePath("Informe Peña.txt"), "x");
    EXPECT_TRUE(DirExists(dir.path()));
    EXPECT_FALSE(DirExists(dir.filePath("Informe Peña.txt")));
    EXPECT_FALSE(DirExists(dir.filePath("none")));
    EXPECT_FALSE(DirExists(QString()));

    const QString full = dir.filePath("Informe Peña.txt");
    EXPECT_EQ(LongToShortFileName(full), QStringLiteral("Informe Peña.txt"));
    EXPECT_EQ(ShortToLongFileName(full), QStringLiteral("Informe Peña.txt"));
    EXPECT_EQ(ShortToLongFileName(dir.filePath("inf*.TXT")), QStringLiteral("Informe Peña.txt"));
    EXPECT_EQ(ShortToLongFileName(dir.filePath("nothing*")), QString());
    EXPECT_EQ(LongToShortFileName(dir.filePath("missing/x.txt")), QString());
}

TEST(ShellExec, FailuresGiveTheirCodes) {
    QTemporaryDir dir;
    EXPECT_EQ(ShellExec(dir.filePath(QStringLiteral("falta.doc")), QString(), QString(), 1), 2);
    EXPECT_EQ(ShellExec(QStringLiteral("/no/such/file.doc"), QString(), QString(), 1), 3);
    EXPECT_EQ(ShellExec(QStringLiteral("file.doc"), QString(), dir.filePath(QStringLiteral("no-folder")), 1), 2);
    EXPECT_EQ(ShellExec(dir.filePath(QStringLiteral("file.doc")), QString(), dir.filePath(QStringLiteral("no-folder")), 1), 3);
    QFile f(dir.filePath(QStringLiteral("cerrado.doc")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    f.setPermissions(QFileDevice::WriteOwner);
    if (!QFileInfo(f.fileName()).isReadable()) {
        EXPECT_EQ(ShellExec(f.fileName(), QString(), QString(), 1), 5);
    }
}

// The desktop names a program for the kind but xdg-open cannot start it: that is a failure to
// report, not a document opened. One that opens, or runs the program until it is closed, is.
TEST(ShellExec, ADocumentTheDesktopCannotOpenIsReported) {
    QTemporaryDir dir;
    auto guion = [&](const char* nombre, const QByteArray& cuerpo) {
        WriteFile(dir.filePath(QString::fromLatin1(nombre)), "#!/bin/sh\n" + cuerpo + "\n");
        QFile(dir.filePath(QString::fromLatin1(nombre)))
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    };
    WriteFile(dir.filePath(QStringLiteral("lista.txt")), "Pérez\n");
    guion("xdg-mime", "echo editor.desktop");
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit() + ':' + path);
    const QString doc = dir.filePath(QStringLiteral("lista.txt"));
    guion("xdg-open", "exit 3");
    const int sinPrograma = ShellExec(doc, QString(), QString(), 1);
    guion("xdg-open", "exit 0");
    const int abierto = ShellExec(doc, QString(), QString(), 1);
    guion("xdg-open", "sleep 2");
    const int enPrimerPlano = ShellExec(doc, QString(), QString(), 1);
    qputenv("PATH", path);
    EXPECT_EQ(sinPrograma, 31);
    EXPECT_GT(abierto, 32);
    EXPECT_GT(enPrimerPlano, 32);
}

TEST(ShellExec, ARelativeNameIsFoundInTheWorkingFolder) {
    QTemporaryDir dir;
    QFile f(dir.filePath(QStringLiteral("escrito.zzqq")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("\x00\x01\x02\xff", 4));  // a kind of data no program claims
    f.close();
    // Relative to the process's folder it is not there; relative to the working folder it is.
    EXPECT_EQ(ShellExec(QStringLiteral("escrito.zzqq"), QString(), QString(), 1), 2);
    const int r = ShellExec(QStringLiteral("escrito.zzqq"), QString(), dir.path(), 1);
    EXPECT_NE(r, 2);
    EXPECT_NE(r, 3);
    // No desktop program takes a kind nobody knows.
    if (!QStandardPaths::findExecutable(QStringLiteral("xdg-mime")).isEmpty()) {
        EXPECT_EQ(r, 31);
    }
}
