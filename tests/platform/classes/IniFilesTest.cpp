#include "platform/classes/IniFiles.h"
#include "platform/classes/Strings.h"
#include "tests/support/DiscoLleno.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QString Lines(const TStrings& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i) out << list[i];
    return out.join(QLatin1Char('|'));
}
}  // namespace

TEST(IniFile, SectionsAndKeysIgnoreCaseAndCommentsSurviveWrites) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Zembra.ini"));
    WriteBytes(path, "; ajustes\r\n[TPrincipio]\r\nFlags=0\r\n  Left = 10  \r\n\r\n[Otra]\r\nX=1\r\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("tprincipio"), QStringLiteral("LEFT"), QString()), QStringLiteral("10"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("TPRINCIPIO"), QStringLiteral("left"), -1), 10);
    EXPECT_EQ(ini.ReadString(QStringLiteral("TPrincipio"), QStringLiteral("falta"), QStringLiteral("def")),
              QStringLiteral("def"));

    ini.WriteString(QStringLiteral("tprincipio"), QStringLiteral("LEFT"), QStringLiteral("20"));
    ini.WriteString(QStringLiteral("TPrincipio"), QStringLiteral("Top"), QStringLiteral("5"));
    ini.WriteInteger(QStringLiteral("Nueva"), QStringLiteral("Ancho"), 640);
    // The first spelling of a section stays; comments and blank lines are kept.
    EXPECT_EQ(FileBytes(path),
              QByteArray("; ajustes\n[TPrincipio]\nFlags=0\nLEFT=20\nTop=5\n\n[Otra]\nX=1\n\n[Nueva]\nAncho=640\n"));

    TStringList list;
    ini.ReadSections(&list);
    EXPECT_EQ(Lines(list), QStringLiteral("TPrincipio|Otra|Nueva"));
    ini.ReadSection(QStringLiteral("tprincipio"), &list);
    EXPECT_EQ(Lines(list), QStringLiteral("Flags|LEFT|Top"));
    ini.ReadSectionValues(QStringLiteral("TPrincipio"), &list);
    EXPECT_EQ(Lines(list), QStringLiteral("Flags=0|LEFT=20|Top=5"));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("TPRINCIPIO"), QStringLiteral("top")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("TPrincipio"), QStringLiteral("Bottom")));

    ini.DeleteKey(QStringLiteral("TPrincipio"), QStringLiteral("flags"));
    ini.EraseSection(QStringLiteral("OTRA"));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("Otra")));
    EXPECT_EQ(FileBytes(path), QByteArray("; ajustes\n[TPrincipio]\nLEFT=20\nTop=5\n\n[Nueva]\nAncho=640\n"));
    // Erasing what is not there leaves the file alone.
    ini.EraseSection(QStringLiteral("Nada"));
    ini.DeleteKey(QStringLiteral("Nueva"), QStringLiteral("Nada"));
    EXPECT_EQ(FileBytes(path), QByteArray("; ajustes\n[TPrincipio]\nLEFT=20\nTop=5\n\n[Nueva]\nAncho=640\n"));
}

TEST(IniFile, OnePairOfQuotesIsStrippedOnRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("q.ini"));
    WriteBytes(path, "[S]\nA=\"entre comillas\"\nB=''simples''\nC=\"abierta\nD=\"\"\"doble\"\"\"\nE=\"a'\n");
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("entre comillas"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("B"), QString()), QStringLiteral("'simples'"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("C"), QString()), QStringLiteral("\"abierta"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("D"), QString()), QStringLiteral("\"\"doble\"\""));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("E"), QString()), QStringLiteral("\"a'"));

    // A value written with one more pair of quotes reads back as it was.
    ini.WriteString(QStringLiteral("S"), QStringLiteral("F"), QStringLiteral("\"'x'\""));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("F"), QString()), QStringLiteral("'x'"));
    // Blanks at the ends are kept by quoting.
    ini.WriteString(QStringLiteral("S"), QStringLiteral("G"), QStringLiteral("  sangría "));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("G"), QString()), QStringLiteral("  sangría "));
}

TEST(IniFile, TypedValuesAndDefaults) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.ini"));
    WriteBytes(path, "[N]\nHex=$1F\nHex2=0x1f\nMal=12a\nNeg=-7\nB0=0\nB5=5\nBx=si\nF=1,5\nFmal=1.5.3\n");
    TIniFile ini(path);
    const QString n = QStringLiteral("N");
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("Hex"), 0), 31);
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("Hex2"), 0), 31);
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("Mal"), 99), 99);
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("Neg"), 0), -7);
    EXPECT_EQ(ini.ReadInteger(n, QStringLiteral("Falta"), 42), 42);
    EXPECT_FALSE(ini.ReadBool(n, QStringLiteral("B0"), true));
    EXPECT_TRUE(ini.ReadBool(n, QStringLiteral("B5"), false));
    EXPECT_TRUE(ini.ReadBool(n, QStringLiteral("Bx"), true));  // not a number: the default
    EXPECT_FALSE(ini.ReadBool(n, QStringLiteral("Bx"), false));
    EXPECT_DOUBLE_EQ(ini.ReadFloat(n, QStringLiteral("F"), 0), 1.5);
    EXPECT_DOUBLE_EQ(ini.ReadFloat(n, QStringLiteral("Fmal"), 2.5), 2.5);

    ini.WriteBool(n, QStringLiteral("W"), true);
    ini.WriteFloat(n, QStringLiteral("WF"), 0.25);
    EXPECT_EQ(ini.ReadString(n, QStringLiteral("W"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(n, QStringLiteral("WF"), QString()), QStringLiteral("0,25"));
}

TEST(IniFile, SpanishTextRoundTripsAndLatin1FilesAreRead) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromUtf8("configuración.ini"));
    {
        TIniFile ini(path);
        ini.WriteString(QString::fromUtf8("Año"), QString::fromUtf8("Señor"), QString::fromUtf8("Muñoz Ibáñez €"));
    }
    TIniFile again(path);
    EXPECT_EQ(again.ReadString(QString::fromUtf8("AÑO"), QString::fromUtf8("SEÑOR"), QString()),
              QString::fromUtf8("Muñoz Ibáñez €"));
    EXPECT_EQ(FileBytes(path), QString::fromUtf8("[Año]\nSeñor=Muñoz Ibáñez €\n").toUtf8());

    const QString old = dir.filePath(QStringLiteral("viejo.ini"));
    WriteBytes(old, "[Despacho]\r\nCiudad=Le\xf3n\r\n");
    TIniFile latin(old);
    EXPECT_EQ(latin.ReadString(QStringLiteral("Despacho"), QStringLiteral("Ciudad"), QString()),
              QString::fromUtf8("León"));
    // A write keeps the other values and turns the file into UTF-8.
    latin.WriteString(QStringLiteral("Despacho"), QStringLiteral("Calle"), QString::fromUtf8("Ñ"));
    EXPECT_EQ(FileBytes(old), QString::fromUtf8("[Despacho]\nCiudad=León\nCalle=Ñ\n").toUtf8());
}

TEST(IniFile, RefusesTextThatWouldBreakTheFileAndReportsWriteFailures) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.ini"));
    TIniFile ini(path);
    ini.WriteString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"));
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("B"), QStringLiteral("dos\nlineas")),
                 EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S"), QStringLiteral("x=y"), QStringLiteral("1")), EIniFileException);
    EXPECT_THROW(ini.WriteString(QStringLiteral("S]"), QStringLiteral("x"), QStringLiteral("1")), EIniFileException);
    EXPECT_EQ(FileBytes(path), QByteArray("[S]\nA=1\n"));

    // A folder in place of the file: the write fails with a clear error and nothing is lost.
    const QString blocked = dir.filePath(QStringLiteral("carpeta.ini"));
    ASSERT_TRUE(QDir().mkpath(blocked));
    TIniFile bad(blocked);
    EXPECT_EQ(bad.ReadString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("def")), QStringLiteral("def"));
    try {
        bad.WriteString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("1"));
        FAIL() << "wrote over a folder";
    } catch (const EIniFileException& e) {
        EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Unable to write to ") + blocked)) << e.what();
    }
}

// A disk that fills while the file is rewritten: the write is an error and the settings that
// were there stay, instead of an empty file reported as written.
TEST(IniFile, AFullDiskIsAWriteErrorAndKeepsTheFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lleno.ini"));
    TIniFile ini(path);
    ini.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), QStringLiteral("/srv/despacho"));
    const QByteArray antes = FileBytes(path);
    EXPECT_THROW(zbtest::ConDiscoLleno(rlim_t(antes.size()),
                                       [&] {
                                           ini.WriteString(QStringLiteral("Install"), QStringLiteral("Otra"),
                                                           QStringLiteral("una clave que no cabe"));
                                       }),
                 EIniFileException);
    EXPECT_EQ(FileBytes(path), antes);
    EXPECT_EQ(ini.ReadString(QStringLiteral("Install"), QStringLiteral("Datos"), QString()), QStringLiteral("/srv/despacho"));
}

TEST(IniFile, BareFileNameLivesInTheUserConfigurationFolder) {
    QTemporaryDir dir;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    {
        TIniFile ini(QStringLiteral("Zembra.ini"));
        EXPECT_EQ(ini.FileName(), QStringLiteral("Zembra.ini"));
        ini.WriteInteger(QStringLiteral("TPrincipio"), QStringLiteral("Flags"), 2);
        EXPECT_EQ(FileBytes(dir.filePath(QStringLiteral("zembra/Zembra.ini"))), QByteArray("[TPrincipio]\nFlags=2\n"));
    }
    if (saved.isNull())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", saved);
}

// Our files against another program's ini reader and writer (Python's configparser).
TEST(IniFile, AnotherProgramReadsOurFileAndWeReadItsFile) {
    const QString python = QStringLiteral("/usr/bin/python3");
    if (!QFile::exists(python)) GTEST_SKIP() << "python3 is needed";
    QTemporaryDir dir;
    const QString ours = dir.filePath(QStringLiteral("nuestro.ini"));
    const QString theirs = dir.filePath(QStringLiteral("suyo.ini"));
    {
        TIniFile ini(ours);
        ini.WriteString(QStringLiteral("Despacho"), QStringLiteral("Nombre"), QString::fromUtf8("Bufete Peña & Asociados"));
        ini.WriteInteger(QStringLiteral("Despacho"), QStringLiteral("Numero"), 12);
        ini.WriteBool(QStringLiteral("TPrincipio"), QStringLiteral("Visible"), true);
    }
    const QString script = QStringLiteral(
        "import configparser, sys\n"
        "c = configparser.RawConfigParser()\n"
        "c.read(sys.argv[1], encoding='utf-8')\n"
        "print('|'.join(s + '.' + k + '=' + v for s in c.sections() for k, v in c.items(s)))\n"
        "w = configparser.RawConfigParser()\n"
        "w.optionxform = str\n"
        "w['Año'] = {'Calle': 'Gran Vía 1', 'Piso': '0x1F'}\n"
        "with open(sys.argv[2], 'w', encoding='utf-8') as f: w.write(f)\n");
    QProcess p;
    p.start(python, {QStringLiteral("-c"), script, ours, theirs});
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().constData();
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
              QString::fromUtf8("Despacho.nombre=Bufete Peña & Asociados|Despacho.numero=12|TPrincipio.visible=1"));

    TIniFile ini(theirs);
    EXPECT_EQ(ini.ReadString(QString::fromUtf8("AÑO"), QStringLiteral("calle"), QString()), QString::fromUtf8("Gran Vía 1"));
    EXPECT_EQ(ini.ReadInteger(QString::fromUtf8("año"), QStringLiteral("PISO"), 0), 31);
}

TEST(IniFile, ByteOrderMarksBeyondTheFirstReadBackAsTheyWereRead) {
    const QByteArray bom("\xEF\xBB\xBF");
    for (const QByteArray& bytes : {bom + bom + "[A]\nk=1\n", bom + bom + bom + "[\xE4\xBB\xBB", bom + "[B]\nk=2\n"}) {
        platform::classes::IniDocument doc(bytes);
        platform::classes::IniDocument again(doc.ToBytes());
        EXPECT_EQ(again.Sections(), doc.Sections()) << bytes.toHex().constData();
    }
    // The file's own mark is never part of the first section's name.
    EXPECT_EQ(platform::classes::IniDocument(bom + "[B]\nk=2\n").Sections(), QStringList{QStringLiteral("B")});
}

// Reads come from the file as it is now, whoever wrote it last, even when a write keeps its
// size and its modification time.
TEST(IniFile, EveryReadSeesTheLatestWriteOfAnyProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Zembra.ini"));
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("x")), QStringLiteral("x"));
    WriteBytes(path, "[S]\nA=1\n");
    const QDateTime antes = QDateTime::currentDateTime().addSecs(-3600);
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(antes, QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("1"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("1"));
    // Same size, the old modification time put back: the change of the file itself still shows.
    WriteBytes(path, "[S]\nA=2\n");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(antes, QFileDevice::FileModificationTime));
    }
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("2"));
    // Writes in quick succession, each of the same size.
    for (const char* v : {"3", "4", "5"}) {
        WriteBytes(path, QByteArray("[S]\nA=") + v + "\n");
        EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), QString()), QString::fromLatin1(v));
    }
    ini.WriteString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("6"));
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), QString()), QStringLiteral("6"));
    QFile::remove(path);
    EXPECT_EQ(ini.ReadString(QStringLiteral("S"), QStringLiteral("A"), QStringLiteral("x")), QStringLiteral("x"));
}
