#include "controls/visual/AppEvent.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <QCoreApplication>
#include <QEvent>
#include <QIcon>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::forms::TFormHarness;

namespace {

class AppEventTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(static_cast<TApplication*>(Application), nullptr);
        savedIdle = Application->OnIdle;
        savedHelp = Application->OnHelp;
        previousIdle = TIdleEvent([this](TObject*, bool&) { log.push_back("application"); });
        Application->OnIdle = previousIdle;
    }
    void TearDown() override {
        Application->OnIdle = savedIdle;
        Application->OnHelp = savedHelp;
    }
    TAppEvents* Make(TComponent* owner, const std::string& name) {
        auto* events = new TAppEvents(owner);
        events->OnIdle = TIdleEvent([this, name](TObject*, bool& done) {
            log.push_back(name);
            done = true;
        });
        return events;
    }
    TFormHarness harness;
    std::vector<std::string> log;
    TIdleEvent savedIdle, previousIdle;
    THelpEvent savedHelp;
};

}  // namespace

TEST_F(AppEventTest, NewestFirstThenOlderOnesThenTheApplicationsOwn) {
    TComponent owner(nullptr);
    Make(&owner, "older");
    Make(&owner, "newer");
    bool done = false;
    Application->OnIdle(nullptr, done);
    // A done flag does not stop the walk.
    EXPECT_EQ(log, (std::vector<std::string>{"newer", "older", "application"}));
}

TEST_F(AppEventTest, AComponentThatDoesNotChainEndsTheWalk) {
    TComponent owner(nullptr);
    Make(&owner, "older");
    Make(&owner, "newer")->SetChained(false);
    bool done = false;
    Application->OnIdle(nullptr, done);
    EXPECT_EQ(log, (std::vector<std::string>{"newer"}));
}

TEST_F(AppEventTest, TheLastOneGoneGivesEveryHandlerBack) {
    const TNotifyEvent formChange([](TObject*) {});
    const TNotifyEvent savedFormChange = Screen->OnActiveFormChange;
    Screen->OnActiveFormChange = formChange;
    const THelpEvent help([](quint16, qint64, bool&, bool& result) { result = true; });
    Application->OnHelp = help;
    {
        TComponent owner(nullptr);
        auto* first = Make(&owner, "first");
        EXPECT_FALSE(Application->OnIdle == previousIdle);
        EXPECT_FALSE(Application->OnHelp == help);
        delete first;
        EXPECT_TRUE(Application->OnIdle == previousIdle);
        Make(&owner, "second");
        Make(&owner, "third");
    }
    EXPECT_TRUE(Application->OnIdle == previousIdle);
    EXPECT_TRUE(Application->OnHelp == help);
    EXPECT_TRUE(Screen->OnActiveFormChange == formChange);
    EXPECT_FALSE(controls::visual::AppEventList()->Hooked());
    Screen->OnActiveFormChange = savedFormChange;
}

TEST_F(AppEventTest, AnExceptionNobodyHandlesIsShownByTheApplication) {
    TComponent owner(nullptr);
    new TAppEvents(&owner);
    new TAppEvents(&owner);
    try {
        throw EConvertError(QStringLiteral("Fecha errónea"));
    } catch (...) {
        Application->HandleException(nullptr);
    }
    ASSERT_EQ(harness.Messages().size(), 1u);
    EXPECT_EQ(harness.LastMessage().Text, QStringLiteral("Fecha errónea."));

    // A handler that takes it: nothing is shown.
    auto* handler = new TAppEvents(&owner);
    QString seen;
    handler->OnException = TExceptionEvent([&](TObject*, const Exception& e) { seen = e.Message(); });
    try {
        throw EConvertError(QStringLiteral("Hora errónea"));
    } catch (...) {
        Application->HandleException(nullptr);
    }
    EXPECT_EQ(seen, QStringLiteral("Hora errónea"));
    EXPECT_EQ(harness.Messages().size(), 1u);
}

TEST_F(AppEventTest, HelpAnswersWithTheLastHandlerAndMessagesStopWhenHandled) {
    Application->OnHelp = nullptr;
    TComponent owner(nullptr);
    auto* older = new TAppEvents(&owner);
    auto* newer = new TAppEvents(&owner);
    std::vector<std::string> order;
    older->OnHelp = THelpEvent([&](quint16, qint64, bool&, bool& result) {
        order.push_back("older");
        result = false;
    });
    newer->OnHelp = THelpEvent([&](quint16, qint64, bool&, bool& result) {
        order.push_back("newer");
        result = true;
    });
    EXPECT_FALSE(Application->HelpContext(3));  // the older one, called last, decides
    EXPECT_EQ(order, (std::vector<std::string>{"newer", "older"}));

    order.clear();
    newer->OnMessage = TMessageEvent([&](QObject*, QEvent*, bool& handled) {
        order.push_back("newer");
        handled = true;
    });
    older->OnMessage = TMessageEvent([&](QObject*, QEvent*, bool&) { order.push_back("older"); });
    QEvent probe(QEvent::User);
    bool handled = false;
    Application->OnMessage(nullptr, &probe, handled);
    EXPECT_TRUE(handled);
    EXPECT_EQ(order, (std::vector<std::string>{"newer"}));
}

TEST_F(AppEventTest, HintSettingsGoToTheApplication) {
    TComponent owner(nullptr);
    auto* events = new TAppEvents(&owner);
    events->SetHintPause(900);
    events->SetHintHidePause(4000);
    EXPECT_EQ(Application->HintPause(), 900);
    EXPECT_EQ(events->HintHidePause(), 4000);
    Application->SetHintPause(500);
    EXPECT_EQ(events->HintPause(), 500);  // read back from the application
    Application->SetHintHidePause(2500);
}

TEST_F(AppEventTest, ASettingsChangeRunsTheChainOnceAndKeepsHintsOn) {
    TComponent owner(nullptr);
    auto* older = new TAppEvents(&owner);
    auto* newer = new TAppEvents(&owner);
    std::vector<std::string> order;
    older->OnSettingsChanged = TNotifyEvent([&](TObject*) { order.push_back("older"); });
    newer->OnSettingsChanged = TNotifyEvent([&](TObject*) { order.push_back("newer"); });
    Application->SetShowHint(true);
    QEvent change(QEvent::LocaleChange);
    QCoreApplication::sendEvent(QCoreApplication::instance(), &change);
    EXPECT_EQ(order, (std::vector<std::string>{"newer", "older"}));
    EXPECT_TRUE(Application->ShowHint());
}

TEST_F(AppEventTest, TheMinimisedApplicationShowsTheIconOfTheOldestPainter) {
    if (Application->MainForm()) GTEST_SKIP() << "another main form is alive";
    auto* main = new TForm(Application);
    Application->FormCreated(main);
    ASSERT_EQ(Application->MainForm(), main);
    TComponent owner(nullptr);
    auto* plain = new TAppEvents(&owner);  // no icon of its own: passed over
    (void)plain;
    auto* older = new TAppEvents(&owner);
    auto* newer = new TAppEvents(&owner);
    auto paint = [&](TAppEvents* events, TColor colour, const std::string& name) {
        events->OnPaintIcon = [this, events, colour, name](TObject* sender) {
            EXPECT_EQ(sender, events);
            log.push_back(name);
            events->Canvas()->Brush()->SetColor(colour);
            events->Canvas()->FillRect(Rect(4, 4, 28, 28));
        };
    };
    paint(older, clRed, "older");
    paint(newer, clBlue, "newer");
    main->Show();
    EXPECT_TRUE(log.empty());
    main->SetWindowState(wsMinimized);
    EXPECT_EQ(log, (std::vector<std::string>{"older"}));
    const QImage icon = main->Widget()->windowIcon().pixmap(32, 32).toImage();
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(QColor(icon.pixel(16, 16)), QColor(Qt::red));
    EXPECT_EQ(older->Canvas(), nullptr);
    // Restoring paints nothing.
    main->SetWindowState(wsNormal);
    EXPECT_EQ(log.size(), 1u);
    delete main;
}
