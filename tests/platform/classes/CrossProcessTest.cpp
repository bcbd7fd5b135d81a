// Ini files and the registry as two programs see them: the test binary starts copies of itself
// that read or write through the same classes and report on standard output.
#include "platform/classes/IniFiles.h"
#include "platform/classes/Registry.h"
#include "platform/classes/Strings.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

namespace {

const char* const kAction = "ZEMBRA_TEST_CHILD";

QString Arg(const char* name) { return qEnvironmentVariable(name); }

void Print(const QString& s) {
    const QByteArray b = s.toUtf8();
    std::fwrite(b.constData(), 1, size_t(b.size()), stdout);
}

// The child's work; the return value is its exit code.
int ChildWork(const QString& action) {
    if (action == QLatin1String("ini-read")) {
        TIniFile ini(Arg("ZT_FILE"));
        Print(ini.ReadString(Arg("ZT_SECTION"), Arg("ZT_KEY"), QStringLiteral("<ninguno>")));
        return 0;
    }
    if (action == QLatin1String("ini-write")) {
        TIniFile ini(Arg("ZT_FILE"));
        ini.WriteString(Arg("ZT_SECTION"), Arg("ZT_KEY"), Arg("ZT_VALUE"));
        return 0;
    }
    if (action == QLatin1String("reg-write")) {
        TRegIniFile reg(QStringLiteral("Software\\Velmor\\zembra"));
        reg.WriteString(QStringLiteral("Install"), QStringLiteral("Datos"), Arg("ZT_VALUE"));
        return 0;
    }
    if (action == QLatin1String("reg-read")) {
        TRegIniFile reg(QStringLiteral("Software\\Velmor\\zembra"));
        Print(reg.ReadString(QStringLiteral("Install"), QStringLiteral("Datos"), QStringLiteral("<ninguno>")));
        return 0;
    }
    if (action == QLatin1String("many")) {
        // Many writes to the same key and the same ini section as another writer.
        const QString id = Arg("ZT_ID");
        const int count = Arg("ZT_COUNT").toInt();
        TRegIniFile reg(QStringLiteral("Software\\Velmor\\zembra"));
        TIniFile ini(Arg("ZT_FILE"));
        for (int i = 0; i < count; ++i) {
            reg.WriteInteger(QStringLiteral("Install"), QStringLiteral("%1_%2").arg(id).arg(i), i);
            ini.WriteInteger(QStringLiteral("Comun"), QStringLiteral("%1_%2").arg(id).arg(i), i);
        }
        return 0;
    }
    std::fprintf(stderr, "unknown action\n");
    return 3;
}

// Runs before the test runner when this binary was started as a child.
int RunChildIfAsked() {
    const QString action = qEnvironmentVariable(kAction);
    if (action.isEmpty()) return 0;
    int code = 2;
    try {
        code = ChildWork(action);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
    }
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
}
const int childRan = RunChildIfAsked();

QString SelfPath() { return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(); }

std::unique_ptr<QProcess> StartChild(const QString& action, const std::vector<std::pair<QString, QString>>& args,
                                     const QString& registryFile) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kAction), action);
    env.insert(QStringLiteral("ZEMBRA_REGISTRY_FILE"), registryFile);
    for (const auto& [k, v] : args) env.insert(k, v);
    p->setProcessEnvironment(env);
    p->start(SelfPath(), {});
    return p;
}

// Runs a child to the end: its standard output, or "<failed ...>".
QString RunChild(const QString& action, const std::vector<std::pair<QString, QString>>& args,
                 const QString& registryFile) {
    auto p = StartChild(action, args, registryFile);
    if (!p->waitForFinished(30000) || p->exitStatus() != QProcess::NormalExit || p->exitCode() != 0)
        return QStringLiteral("<failed %1: %2>").arg(p->exitCode()).arg(QString::fromUtf8(p->readAllStandardError()));
    return QString::fromUtf8(p->readAllStandardOutput());
}

}  // namespace

TEST(CrossProcess, IniWrittenByOneProcessIsReadByAnother) {
    ASSERT_EQ(childRan, 0);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Zembra.ini"));
    const QString reg = dir.filePath(QStringLiteral("registry.ini"));
    TIniFile ini(file);
    ini.WriteString(QStringLiteral("TPrincipio"), QStringLiteral("Caption"), QString::fromUtf8("Señoría"));
    EXPECT_EQ(RunChild(QStringLiteral("ini-read"),
                       {{QStringLiteral("ZT_FILE"), file},
                        {QStringLiteral("ZT_SECTION"), QStringLiteral("tprincipio")},
                        {QStringLiteral("ZT_KEY"), QStringLiteral("CAPTION")}},
                       reg),
              QString::fromUtf8("Señoría"));

    // The other way: this open ini object sees what the child wrote.
    EXPECT_EQ(RunChild(QStringLiteral("ini-write"),
                       {{QStringLiteral("ZT_FILE"), file},
                        {QStringLiteral("ZT_SECTION"), QStringLiteral("TPrincipio")},
                        {QStringLiteral("ZT_KEY"), QStringLiteral("Top")},
                        {QStringLiteral("ZT_VALUE"), QStringLiteral("120")}},
                       reg),
              QString());
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("TPrincipio"), QStringLiteral("Top"), 0), 120);
    EXPECT_EQ(ini.ReadString(QStringLiteral("TPrincipio"), QStringLiteral("Caption"), QString()),
              QString::fromUtf8("Señoría"));
}

TEST(CrossProcess, RegistryValuePersistsForTheNextProcess) {
    QTemporaryDir dir;
    const QString reg = dir.filePath(QStringLiteral("conf/registry.ini"));
    EXPECT_EQ(RunChild(QStringLiteral("reg-read"), {}, reg), QStringLiteral("<ninguno>"));
    EXPECT_EQ(RunChild(QStringLiteral("reg-write"), {{QStringLiteral("ZT_VALUE"), QString::fromUtf8("/srv/año")}}, reg),
              QString());
    EXPECT_EQ(RunChild(QStringLiteral("reg-read"), {}, reg), QString::fromUtf8("/srv/año"));
    QFile f(reg);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.readAll().contains(QString::fromUtf8("[Software\\Velmor\\zembra\\Install]\nDatos=/srv/año\n").toUtf8()));
}

TEST(CrossProcess, ConcurrentWritersKeepEachOthersValues) {
    QTemporaryDir dir;
    const QString reg = dir.filePath(QStringLiteral("registry.ini"));
    const QString file = dir.filePath(QStringLiteral("comun.ini"));
    const int count = 40;
    std::vector<std::unique_ptr<QProcess>> children;
    for (const char* id : {"A", "B", "C"})
        children.push_back(StartChild(QStringLiteral("many"),
                                      {{QStringLiteral("ZT_ID"), QString::fromLatin1(id)},
                                       {QStringLiteral("ZT_COUNT"), QString::number(count)},
                                       {QStringLiteral("ZT_FILE"), file}},
                                      reg));
    for (auto& p : children) {
        ASSERT_TRUE(p->waitForFinished(60000));
        ASSERT_EQ(p->exitCode(), 0) << p->readAllStandardError().constData();
    }

    qputenv("ZEMBRA_REGISTRY_FILE", QFile::encodeName(reg));
    TRegIniFile store(QStringLiteral("Software\\Velmor\\zembra"));
    TIniFile ini(file);
    TStringList regNames, iniNames;
    store.ReadSection(QStringLiteral("Install"), &regNames);
    ini.ReadSection(QStringLiteral("Comun"), &iniNames);
    EXPECT_EQ(regNames.Count(), 3 * count);
    EXPECT_EQ(iniNames.Count(), 3 * count);
    int wrong = 0;
    for (const char* id : {"A", "B", "C"})
        for (int i = 0; i < count; ++i) {
            const QString key = QStringLiteral("%1_%2").arg(QString::fromLatin1(id)).arg(i);
            if (store.ReadInteger(QStringLiteral("Install"), key, -1) != i) ++wrong;
            if (ini.ReadInteger(QStringLiteral("Comun"), key, -1) != i) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
    qunsetenv("ZEMBRA_REGISTRY_FILE");
}
