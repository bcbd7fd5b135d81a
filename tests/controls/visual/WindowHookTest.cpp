#include "controls/visual/ZbHook.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Host.h"

#include <QCoreApplication>
#include <QEvent>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using platform::forms::TFormHarness;

namespace {

constexpr QEvent::Type kProbe = QEvent::User;

// A control that notes the probe and destroy messages it gets.
class TRecordingControl : public TCustomControl {
public:
    explicit TRecordingControl(TComponent* owner, std::vector<std::string>& log) : TCustomControl(owner), FLog(log) {}
    bool WidgetEvent(QEvent* e) override {
        if (e->type() == kProbe) FLog.push_back("control");
        if (e->type() == QEvent::Destroy) FLog.push_back("control-destroy");
        return TCustomControl::WidgetEvent(e);
    }

    // The control makes its widget anew, as a control does when a property needs a new window.
    void ReplaceWidget() { SetWidget(new platform::forms::THost<QWidget>(this)); }

private:
    std::vector<std::string>& FLog;
};

// An event filter another part of the program put on the widget.
class TLogFilter : public QObject {
public:
    TLogFilter(std::vector<std::string>& log, std::string name) : FLog(log), FName(std::move(name)) {}

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == kProbe) FLog.push_back(FName);
        return false;
    }

private:
    std::vector<std::string>& FLog;
    std::string FName;
};

TZbWindowHook* MakeHook(TComponent* owner, TWinControl* control, const std::string& name,
                        std::vector<std::string>& log, bool handleBefore = false) {
    auto* hook = new TZbWindowHook(owner);
    hook->BeforeMessage = THookMessageEvent([&log, name, handleBefore](TObject*, TMessage& m, bool& handled) {
        if (m.Msg == kProbe || m.Msg == QEvent::Destroy) {
            log.push_back(name + "-before");
            handled = handleBefore;
        }
    });
    hook->AfterMessage = THookMessageEvent([&log, name](TObject*, TMessage& m, bool&) {
        if (m.Msg == kProbe || m.Msg == QEvent::Destroy) log.push_back(name + "-after");
    });
    hook->SetWinControl(control);
    return hook;
}

void Send(TControl* control, QEvent::Type type) {
    QEvent e(type);
    QCoreApplication::sendEvent(control->Widget(), &e);
}

class WindowHookTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(static_cast<TApplication*>(Application), nullptr); }
    std::vector<std::string> log;
};

}  // namespace

TEST_F(WindowHookTest, LastAttachedSeesFirstAndAfterHooksFollowTheControl) {
    TForm form(nullptr);
    auto* control = new TRecordingControl(&form, log);
    control->SetParent(&form);
    MakeHook(&form, control, "h1", log);
    MakeHook(&form, control, "h2", log);

    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"h2-before", "h1-before", "control", "h2-after", "h1-after"}));
}

TEST_F(WindowHookTest, HandledBeforeKeepsTheMessageFromOlderHooksAndTheControl) {
    TForm form(nullptr);
    auto* control = new TRecordingControl(&form, log);
    control->SetParent(&form);
    MakeHook(&form, control, "h1", log);
    MakeHook(&form, control, "h2", log, /*handleBefore=*/true);

    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"h2-before"}));
}

TEST_F(WindowHookTest, DestroyAlwaysReachesTheControlAndTheHookComesBackAfterwards) {
    TForm form(nullptr);
    auto* control = new TRecordingControl(&form, log);
    control->SetParent(&form);
    TZbWindowHook* hook = MakeHook(&form, control, "h1", log, /*handleBefore=*/true);

    Send(control, QEvent::Destroy);
    EXPECT_EQ(log, (std::vector<std::string>{"h1-before", "control-destroy", "h1-after"}));

    // The window procedure is given back at once and put back by the queued re-hook.
    log.clear();
    hook->BeforeMessage = THookMessageEvent([this](TObject*, TMessage& m, bool&) {
        if (m.Msg == kProbe) log.push_back("h1-before");
    });
    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
    TFormHarness::ProcessEvents();
    log.clear();
    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"h1-before", "control", "h1-after"}));
}

TEST_F(WindowHookTest, InactiveHookSeesNothingUntilSwitchedOn) {
    TForm form(nullptr);
    auto* control = new TRecordingControl(&form, log);
    control->SetParent(&form);
    TZbWindowHook* hook = MakeHook(&form, control, "h1", log);
    hook->SetActive(false);
    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
    log.clear();
    hook->SetActive(true);
    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"h1-before", "control", "h1-after"}));
}

TEST_F(WindowHookTest, LastHookLeavingUnhooksAtOnceAndFreesTheRecordAfterTheMessage) {
    TForm form(nullptr);
    auto* control = new TRecordingControl(&form, log);
    control->SetParent(&form);
    TZbWindowHook* hook = MakeHook(&form, control, "h1", log);
    TFormHarness::ProcessEvents();
    const int records = controls::visual::HookList()->Count();

    hook->SetWinControl(nullptr);
    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
    EXPECT_EQ(controls::visual::HookList()->Count(), records);  // still there inside this message
    TFormHarness::ProcessEvents();
    EXPECT_EQ(controls::visual::HookList()->Count(), records - 1);
}

TEST_F(WindowHookTest, FreedControlLeavesTheHookWithoutAControl) {
    TForm form(nullptr);
    auto* control = new TRecordingControl(&form, log);
    control->SetParent(&form);
    TZbWindowHook* hook = MakeHook(&form, control, "h1", log);
    delete control;
    EXPECT_EQ(hook->WinControl(), nullptr);
    TFormHarness::ProcessEvents();
    // A new control can be watched afterwards.
    auto* other = new TRecordingControl(&form, log);
    other->SetParent(&form);
    hook->SetWinControl(other);
    Send(other, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"h1-before", "control", "h1-after"}));
}

TEST_F(WindowHookTest, IsFormWatchesTheOwningForm) {
    TForm form(nullptr);
    TZbWindowHook hook(&form);
    EXPECT_FALSE(hook.IsForm());
    hook.SetIsForm(true);
    EXPECT_EQ(hook.WinControl(), &form);
    EXPECT_TRUE(hook.IsForm());

    // Written with the form and read back: the new hook watches its own form.
    TMemoryStream stream;
    TWriter(&stream).WriteProperties([&](TFiler* f) { hook.DefineProperties(f); });
    TForm other(nullptr);
    TZbWindowHook loaded(&other);
    stream.SetPosition(0);
    TReader(&stream).ReadProperties([&](TFiler* f) { loaded.DefineProperties(f); });
    EXPECT_EQ(loaded.WinControl(), &other);

    TComponent plain(nullptr);
    TZbWindowHook loose(&plain);
    loose.SetIsForm(true);
    EXPECT_EQ(loose.WinControl(), nullptr);
}

TEST_F(WindowHookTest, FiltersOnTheWidgetStillSeeTheMessageBeforeAndAfterHooking) {
    TForm form(nullptr);
    auto* control = new TRecordingControl(&form, log);
    control->SetParent(&form);
    TLogFilter older(log, "older-filter"), newer(log, "newer-filter");
    control->Widget()->installEventFilter(&older);
    TZbWindowHook* hook = MakeHook(&form, control, "h1", log);
    control->Widget()->installEventFilter(&newer);

    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"newer-filter", "older-filter", "h1-before", "control", "h1-after"}));

    // A hook that keeps the message from the control does not keep it from the filters.
    log.clear();
    hook->BeforeMessage = THookMessageEvent([this](TObject*, TMessage& m, bool& handled) {
        if (m.Msg == kProbe) {
            log.push_back("h1-before");
            handled = true;
        }
    });
    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"newer-filter", "older-filter", "h1-before"}));
}

TEST_F(WindowHookTest, AReplacedWidgetEndsTheWindowAndIsHookedAgain) {
    TForm form(nullptr);
    auto* control = new TRecordingControl(&form, log);
    control->SetParent(&form);
    MakeHook(&form, control, "h1", log, /*handleBefore=*/true);

    control->ReplaceWidget();
    EXPECT_EQ(log, (std::vector<std::string>{"h1-before", "control-destroy", "h1-after"}));
    log.clear();
    // Between the end of the old window and the queued re-hook the control is on its own.
    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"control"}));
    TFormHarness::ProcessEvents();
    log.clear();
    Send(control, kProbe);
    EXPECT_EQ(log, (std::vector<std::string>{"h1-before"}));
}

TEST_F(WindowHookTest, ALostNativeWindowEndsTheWindowAndTheHookFollowsTheNewOne) {
    auto* form = new TForm(nullptr);
    int destroys = 0, probes = 0;
    auto* hook = new TZbWindowHook(form);
    hook->BeforeMessage = THookMessageEvent([&](TObject*, TMessage& m, bool&) {
        if (m.Msg == WM_DESTROY_MESSAGE) ++destroys;
        if (m.Msg == kProbe) ++probes;
    });
    hook->SetWinControl(form);
    form->Show();
    QWidget* window = form->Widget();
    ASSERT_NE(window->winId(), WId(0));

    // The window becomes a child for a while: its native window goes, and comes back.
    QWidget holder;
    window->setParent(&holder);
    EXPECT_EQ(destroys, 1);
    window->setParent(nullptr, Qt::Window);
    window->show();
    ASSERT_NE(window->winId(), WId(0));
    TFormHarness::ProcessEvents();
    Send(form, kProbe);
    EXPECT_EQ(probes, 1);
    delete form;
}
