#include "controls/visual/IniHelpers.h"

#include "platform/classes/IniFiles.h"
#include "platform/classes/Registry.h"

#include <QDataStream>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

using namespace controls::visual;

namespace {

// Values that an ini reader could mistake for quoted text.
const std::vector<std::pair<const char*, const char*>> kQuotingCases = {
    {"Single", "'Peña'"},
    {"Double", "\"García\""},
    {"DoubleWithBlanks", "\" a \""},
    {"LoneDouble", "\""},
    {"LoneSingle", "'"},
    {"TwoSingles", "''"},
    {"Mixed", "'x\""},
    {"Inner", "a \"b\" c"},
    {"Blanks", "  dos  "},
    {"Empty", ""},
    {"Path", "C:\\Datos\\Zembra\\"},
};

const char* const kChildFile = "ZB_INIHELPERS_CHILD_FILE";
const char* const kChildOut = "ZB_INIHELPERS_CHILD_OUT";

class IniHelpersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        oldRegistry = qgetenv("ZEMBRA_REGISTRY_FILE");
        qputenv("ZEMBRA_REGISTRY_FILE", dir.filePath("registry.ini").toLocal8Bit());
    }
    void TearDown() override {
        if (oldRegistry.isEmpty())
            qunsetenv("ZEMBRA_REGISTRY_FILE");
        else
            qputenv("ZEMBRA_REGISTRY_FILE", oldRegistry);
    }
    QString IniPath() const { return dir.filePath("Zembra.ini"); }

    QTemporaryDir dir;
    QByteArray oldRegistry;
    const TScreenInfo screen1024{1024, 768, 96};
    const TScreenInfo screen1280{1280, 1024, 96};
};

}  // namespace

TEST(IniHelpersNames, DefaultsFollowTheExecutableName) {
    EXPECT_EQ(GetDefaultIniName(), QStringLiteral("test_visual.INI"));
    EXPECT_EQ(GetDefaultIniRegKey(), QStringLiteral("Software\\test_visual"));
}

TEST_F(IniHelpersTest, QuotedValuesSurviveAnotherProcessReadingTheFile) {
    {
        TIniFile ini(IniPath());
        for (const auto& [key, value] : kQuotingCases)
            IniWriteString(&ini, QStringLiteral("Quotes"), QLatin1String(key), QString::fromUtf8(value));
    }
    const QString out = dir.filePath("child.out");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QLatin1String(kChildFile), IniPath());
    env.insert(QLatin1String(kChildOut), out);
    child.setProcessEnvironment(env);
    child.start(QStringLiteral("/proc/self/exe"), {QStringLiteral("--gtest_filter=IniHelpersChild.ReadsTheQuotingCases")});
    ASSERT_TRUE(child.waitForFinished(30000));
    ASSERT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();

    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QDataStream in(&f);
    QStringList read;
    in >> read;
    ASSERT_EQ(read.size(), qsizetype(kQuotingCases.size()));
    for (size_t i = 0; i < kQuotingCases.size(); ++i)
        EXPECT_EQ(read[qsizetype(i)], QString::fromUtf8(kQuotingCases[i].second)) << kQuotingCases[i].first;
}

// Run by the test above as a second process.
TEST(IniHelpersChild, ReadsTheQuotingCases) {
    const QString file = qEnvironmentVariable(kChildFile);
    const QString out = qEnvironmentVariable(kChildOut);
    if (file.isEmpty() || out.isEmpty())
        GTEST_SKIP() << "only run as the reader of another test";
    TIniFile ini(file);
    QStringList read;
    for (const auto& [key, value] : kQuotingCases)
        read << IniReadString(&ini, QStringLiteral("Quotes"), QLatin1String(key), QStringLiteral("<missing>"));
    QFile f(out);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QDataStream s(&f);
    s << read;
}

TEST_F(IniHelpersTest, RegistryValuesAreWrittenAsTheyAre) {
    TRegIniFile reg(QStringLiteral("Software\\Zembra"));
    for (const auto& [key, value] : kQuotingCases)
        IniWriteString(&reg, QStringLiteral("Quotes"), QLatin1String(key), QString::fromUtf8(value));
    TRegIniFile again(QStringLiteral("Software\\Zembra"));
    for (const auto& [key, value] : kQuotingCases) {
        EXPECT_EQ(IniReadString(&again, QStringLiteral("Quotes"), QLatin1String(key), QStringLiteral("<missing>")),
                  QString::fromUtf8(value))
            << key;
        EXPECT_EQ(again.ReadString(QStringLiteral("Quotes"), QLatin1String(key), QString()), QString::fromUtf8(value));
    }
}

TEST_F(IniHelpersTest, IntegersSectionsAndOtherObjects) {
    TIniFile ini(IniPath());
    TRegIniFile reg(QStringLiteral("Software\\Zembra"));
    for (TObject* store : {static_cast<TObject*>(&ini), static_cast<TObject*>(&reg)}) {
        IniWriteInteger(store, QStringLiteral("Grid"), QStringLiteral("Width"), -120);
        IniWriteString(store, QStringLiteral("Grid"), QStringLiteral("Title"), QStringLiteral("Año"));
        EXPECT_EQ(IniReadInteger(store, QStringLiteral("Grid"), QStringLiteral("Width"), 7), -120);
        EXPECT_EQ(IniReadInteger(store, QStringLiteral("Grid"), QStringLiteral("Title"), 7), 7);
        EXPECT_EQ(IniReadInteger(store, QStringLiteral("Grid"), QStringLiteral("None"), 7), 7);
        IniEraseSection(store, QStringLiteral("Grid"));
        EXPECT_EQ(IniReadString(store, QStringLiteral("Grid"), QStringLiteral("Title"), QStringLiteral("-")),
                  QStringLiteral("-"));
    }
    // Anything else is no store: defaults, and no error.
    TObject other;
    IniWriteString(&other, QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("v"));
    IniWriteInteger(nullptr, QStringLiteral("S"), QStringLiteral("K"), 1);
    IniEraseSection(&other, QStringLiteral("S"));
    EXPECT_EQ(IniReadString(&other, QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(IniReadInteger(nullptr, QStringLiteral("S"), QStringLiteral("K"), 3), 3);
}

TEST_F(IniHelpersTest, PlacementIsWrittenUnderPlainAndScreenKeys) {
    TIniFile ini(IniPath());
    TWindowPlacement wp;
    wp.Flags = WPF_SETMINPOSITION;
    wp.ShowCmd = SW_SHOWMAXIMIZED;
    wp.MinX = wp.MinY = -1;
    wp.MaxX = wp.MaxY = -4;
    wp.NormLeft = 10;
    wp.NormTop = 20;
    wp.NormRight = 690;
    wp.NormBottom = 500;
    WritePlacement(&ini, QStringLiteral("TPrincipio"), wp, screen1024);

    TIniFile raw(IniPath());
    auto value = [&](const char* key) { return raw.ReadString(QStringLiteral("TPrincipio"), QLatin1String(key), QStringLiteral("<none>")); };
    EXPECT_EQ(value("Flags"), QStringLiteral("1"));
    EXPECT_EQ(value("ShowCmd"), QStringLiteral("3"));
    EXPECT_EQ(value("PixelsPerInch"), QStringLiteral("96"));
    EXPECT_EQ(value("MinMaxPos"), QStringLiteral("-1,-1,-4,-4"));
    EXPECT_EQ(value("MinMaxPos(1024x768)"), QStringLiteral("-1,-1,-4,-4"));
    EXPECT_EQ(value("NormPos"), QStringLiteral("10,20,690,500"));
    EXPECT_EQ(value("NormPos(1024x768)"), QStringLiteral("10,20,690,500"));

    TWindowPlacement back;
    ASSERT_TRUE(ReadPlacementPosition(&ini, QStringLiteral("TPrincipio"), back, screen1024));
    EXPECT_EQ(back.Flags, 1);
    EXPECT_EQ(back.MaxX, -4);
    EXPECT_EQ(back.NormRight, 690);
    EXPECT_EQ(back.NormBottom, 500);
    EXPECT_EQ(ReadPlacementState(&ini, QStringLiteral("TPrincipio"), TPlacementState::Normal), TPlacementState::Maximized);
}

TEST_F(IniHelpersTest, EachScreenSizeKeepsItsOwnPosition) {
    for (bool useRegistry : {false, true}) {
        std::unique_ptr<TObject> store;
        if (useRegistry)
            store = std::make_unique<TRegIniFile>(QStringLiteral("Software\\Zembra"));
        else
            store = std::make_unique<TIniFile>(IniPath());
        const QString section = QStringLiteral("TPrincipio");
        TWindowPlacement small, large;
        small.NormRight = 600;
        large.NormRight = 1200;
        WritePlacement(store.get(), section, small, screen1024);
        WritePlacement(store.get(), section, large, screen1280);

        TWindowPlacement wp;
        ASSERT_TRUE(ReadPlacementPosition(store.get(), section, wp, screen1024));
        EXPECT_EQ(wp.NormRight, 600) << useRegistry;
        ASSERT_TRUE(ReadPlacementPosition(store.get(), section, wp, screen1280));
        EXPECT_EQ(wp.NormRight, 1200) << useRegistry;
        // A screen never saved for reads the most recent save.
        ASSERT_TRUE(ReadPlacementPosition(store.get(), section, wp, TScreenInfo{800, 600, 96}));
        EXPECT_EQ(wp.NormRight, 1200) << useRegistry;
        EXPECT_EQ(ReadPosStr(store.get(), section, QStringLiteral("NormPos"), screen1024), QStringLiteral("0,0,600,0"));
    }
}

TEST_F(IniHelpersTest, AnotherPixelDensityKeepsTheFlagsButNotThePosition) {
    TIniFile ini(IniPath());
    TWindowPlacement saved;
    saved.Flags = 2;
    saved.ShowCmd = SW_SHOWMINIMIZED;
    saved.NormLeft = 50;
    WritePlacement(&ini, QStringLiteral("F"), saved, screen1024);
    TWindowPlacement wp;
    EXPECT_FALSE(ReadPlacementPosition(&ini, QStringLiteral("F"), wp, TScreenInfo{1024, 768, 120}));
    EXPECT_EQ(wp.Flags, 2);
    EXPECT_EQ(ReadPlacementState(&ini, QStringLiteral("F"), TPlacementState::Normal), TPlacementState::Minimized);
}

TEST_F(IniHelpersTest, MissingAndMalformedNumbersFallBackPerWord) {
    TIniFile ini(IniPath());
    TWindowPlacement wp;
    wp.Flags = 9;
    wp.MinX = 5;
    wp.NormLeft = 11;
    wp.NormTop = 12;
    wp.NormRight = 13;
    wp.NormBottom = 14;
    EXPECT_FALSE(ReadPlacementPosition(&ini, QStringLiteral("Nada"), wp, screen1024));
    EXPECT_EQ(wp.Flags, 9);
    EXPECT_EQ(wp.MinX, 5);
    EXPECT_EQ(wp.NormLeft, 11);

    ini.WriteString(QStringLiteral("Rota"), QStringLiteral("MinMaxPos"), QStringLiteral("7 ,x, 9"));
    ini.WriteString(QStringLiteral("Rota"), QStringLiteral("NormPos"), QStringLiteral("100,,abc 300"));
    ASSERT_TRUE(ReadPlacementPosition(&ini, QStringLiteral("Rota"), wp, screen1024));
    EXPECT_EQ(wp.MinX, 7);
    EXPECT_EQ(wp.MinY, 0);
    EXPECT_EQ(wp.MaxX, 9);
    EXPECT_EQ(wp.MaxY, 0);
    EXPECT_EQ(wp.NormLeft, 100);
    EXPECT_EQ(wp.NormTop, 12);    // "abc"
    EXPECT_EQ(wp.NormRight, 300);
    EXPECT_EQ(wp.NormBottom, 14);  // missing
}

TEST_F(IniHelpersTest, ShowCommandsMapToWindowStates) {
    TIniFile ini(IniPath());
    const struct {
        int showCmd;
        TPlacementState state;
    } cases[] = {
        {0, TPlacementState::Maximized}, {1, TPlacementState::Normal},     {2, TPlacementState::Minimized},
        {3, TPlacementState::Maximized}, {4, TPlacementState::Maximized}, {5, TPlacementState::Normal},
        {6, TPlacementState::Minimized}, {7, TPlacementState::Minimized}, {8, TPlacementState::Maximized},
        {9, TPlacementState::Normal},    {10, TPlacementState::Maximized}, {-1, TPlacementState::Maximized},
    };
    for (const auto& c : cases) {
        IniWriteInteger(&ini, QStringLiteral("S"), QStringLiteral("ShowCmd"), c.showCmd);
        // The default (maximised here) stands for the codes that say nothing.
        EXPECT_EQ(ReadPlacementState(&ini, QStringLiteral("S"), TPlacementState::Maximized), c.state) << c.showCmd;
    }
    EXPECT_EQ(ReadPlacementState(&ini, QStringLiteral("None"), TPlacementState::Normal), TPlacementState::Normal);
}
