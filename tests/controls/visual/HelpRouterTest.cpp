#include "controls/visual/HelpRouter.h"
#include "platform/forms/Forms.h"
#include "platform/help/HelpEngine.h"

#include <gtest/gtest.h>

#include <vector>

using namespace platform::help;

namespace {

struct TCall {
    bool Html;
    QString File;
    int Command;
    qint64 Data;
    bool operator==(const TCall&) const = default;
};

std::ostream& operator<<(std::ostream& os, const TCall& c) {
    return os << (c.Html ? "html(" : "win(") << c.File.toStdString() << ", " << c.Command << ", " << c.Data << ")";
}

class TFakeEngine : public THelpEngine {
public:
    bool Available = true;
    bool HtmlResult = true;
    bool WinResult = true;
    std::vector<TCall> Calls;
    bool HtmlHelpAvailable() override { return Available; }
    bool HtmlHelp(const QString& file, int command, qint64 data) override {
        Calls.push_back({true, file, command, data});
        return HtmlResult;
    }
    bool WinHelp(const QString& file, int command, qint64 data) override {
        Calls.push_back({false, file, command, data});
        return WinResult;
    }
};

class HelpRouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetHelpEngine(&engine);
        savedFile = Application->HelpFile();
        Application->SetHelpFile(QStringLiteral("/opt/zembra/Zembra.hlp"));
        Application->OnHelp = nullptr;
    }
    void TearDown() override {
        SetHelpEngine(nullptr);
        Application->SetHelpFile(savedFile);
        Application->OnHelp = nullptr;
    }
    TFakeEngine engine;
    QString savedFile;
    const QString chm = QStringLiteral("/opt/zembra/Zembra.chm");
    const QString hlp = QStringLiteral("/opt/zembra/Zembra.hlp");
};

}  // namespace

TEST_F(HelpRouterTest, WithoutHtmlHelpAutoSendsContextsToClassicHelp) {
    engine.Available = false;
    THTMLhelpRouter router(nullptr);
    EXPECT_TRUE(Application->HelpContext(100));
    EXPECT_EQ(engine.Calls, (std::vector<TCall>{{false, hlp, HELP_CONTEXT, 100}}));
}

TEST_F(HelpRouterTest, HtmlHelpGetsEachCommandMapped) {
    THTMLhelpRouter router(nullptr);
    Application->HelpCommand(HELP_CONTEXT, 5);
    Application->HelpCommand(HELP_CONTEXTPOPUP, 6);
    Application->HelpCommand(HELP_CONTENTS, 0);
    Application->HelpCommand(HELP_FINDER, 0);
    Application->HelpCommand(HELP_KEY, 7);
    EXPECT_EQ(engine.Calls, (std::vector<TCall>{{true, chm, HH_HELP_CONTEXT, 5},
                                                {true, chm, HH_HELP_CONTEXT, 6},
                                                {true, chm, HH_DISPLAY_TOC, 0},
                                                {true, chm, HH_DISPLAY_TOC, 0},
                                                {true, chm, HH_DISPLAY_INDEX, 7}}));
    // Closing at exit: every window, no file; it shows no window, so classic help is closed too.
    engine.Calls.clear();
    engine.HtmlResult = false;
    EXPECT_TRUE(Application->HelpCommand(HELP_QUIT, 0));
    EXPECT_EQ(engine.Calls, (std::vector<TCall>{{true, QString(), HH_CLOSE_ALL, 0}, {false, hlp, HELP_QUIT, 0}}));
    // A command with no HTML-help counterpart goes to classic help as it is.
    engine.Calls.clear();
    Application->HelpCommand(HELP_SETINDEX, 3);
    EXPECT_EQ(engine.Calls, (std::vector<TCall>{{false, hlp, HELP_SETINDEX, 3}}));
}

TEST_F(HelpRouterTest, HtmlHelpOnlyNeverFallsBackToClassicHelp) {
    THTMLhelpRouter router(nullptr);
    router.SetHelpType(htHTMLhelp);
    engine.HtmlResult = false;
    EXPECT_FALSE(Application->HelpContext(100));
    EXPECT_EQ(engine.Calls, (std::vector<TCall>{{true, chm, HH_HELP_CONTEXT, 100}}));
}

TEST_F(HelpRouterTest, ClassicHelpOnlyAndPopupsShownAsMainTopics) {
    THTMLhelpRouter router(nullptr);
    router.SetHelpType(htWinhelp);
    router.SetShowType(stMain);
    Application->HelpCommand(HELP_CONTEXTPOPUP, 42);
    engine.WinResult = false;
    EXPECT_TRUE(Application->HelpCommand(HELP_SETPOPUP_POS, 0));  // nothing to do, and fine
    EXPECT_EQ(engine.Calls, (std::vector<TCall>{{false, hlp, HELP_CONTEXT, 42}}));

    router.SetShowType(stDefault);
    engine.Calls.clear();
    Application->HelpCommand(HELP_CONTEXTPOPUP, 42);
    EXPECT_EQ(engine.Calls, (std::vector<TCall>{{false, hlp, HELP_CONTEXTPOPUP, 42}}));
}

TEST_F(HelpRouterTest, ThePreviousHandlerRunsFirstAndIsGivenBack) {
    std::vector<int> seen;
    const THelpEvent previous([&](quint16 command, qint64 data, bool& callHelp, bool& result) {
        seen.push_back(int(command) * 1000 + int(data));
        if (data == 9) {
            callHelp = false;  // answered here: no help engine
            result = true;
        }
    });
    Application->OnHelp = previous;
    {
        THTMLhelpRouter router(nullptr);
        Application->HelpContext(8);
        EXPECT_TRUE(Application->HelpContext(9));
        EXPECT_EQ(seen, (std::vector<int>{1008, 1009}));
        EXPECT_EQ(engine.Calls, (std::vector<TCall>{{true, chm, HH_HELP_CONTEXT, 8}}));
    }
    EXPECT_TRUE(Application->OnHelp == previous);
    engine.Calls.clear();
    Application->HelpContext(10);
    EXPECT_TRUE(engine.Calls.empty());
}

TEST_F(HelpRouterTest, OneRouterAtATime) {
    auto first = std::make_unique<THTMLhelpRouter>(nullptr);
    try {
        THTMLhelpRouter second(nullptr);
        FAIL() << "a second router was made";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Multiple instances of THTMLhelpRouter are not allowed"));
    }
    EXPECT_EQ(THTMLhelpRouter::Instance(), first.get());
    Application->HelpContext(1);
    EXPECT_EQ(engine.Calls.size(), 1u);
    first.reset();
    EXPECT_EQ(THTMLhelpRouter::Instance(), nullptr);
    THTMLhelpRouter again(nullptr);
    EXPECT_EQ(THTMLhelpRouter::Instance(), &again);
}
