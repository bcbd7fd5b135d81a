#include "controls/visual/ZbTimer.h"
#include "platform/forms/FormHarness.h"
#include "platform/forms/Forms.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Runs the event loop until pred holds; the time limit only guards against a hang.
template <class Pred>
bool PumpUntil(Pred pred, int limitMs = 10000) {
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > limitMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        CheckSynchronize(1);
    }
    return true;
}

class ZbTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        Application->OnException = [this](TObject* sender, const Exception& e) {
            Reports.push_back({sender, e.Message()});
        };
    }
    void TearDown() override { Application->OnException = nullptr; }

    platform::forms::TFormHarness Harness;

    struct Report {
        TObject* Sender;
        QString Message;
    };
    std::vector<Report> Reports;
};

TEST_F(ZbTimerTest, StartsOnlyOnceAHandlerIsAssigned) {
    TZbTimer timer(nullptr);
    timer.SetInterval(5);
    EXPECT_TRUE(timer.TimerThread()->Paused());
    EXPECT_TRUE(timer.TimerThread()->Suspended());  // the thread was never started

    int count = 0;
    timer.SetOnTimer([&](TObject*) { ++count; });
    EXPECT_FALSE(timer.TimerThread()->Paused());
    EXPECT_TRUE(PumpUntil([&] { return count >= 3; }));
}

TEST_F(ZbTimerTest, SynchronisedEventsRunInTheMainThreadWithTheTimerAsSender) {
    TZbTimer timer(nullptr);
    timer.SetInterval(2);
    std::vector<std::thread::id> threads;
    TObject* sender = nullptr;
    timer.SetOnTimer([&](TObject* s) {
        sender = s;
        threads.push_back(std::this_thread::get_id());
    });
    ASSERT_TRUE(PumpUntil([&] { return threads.size() >= 3; }));
    EXPECT_EQ(sender, &timer);
    for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());
}

TEST_F(ZbTimerTest, UnsynchronisedEventsRunInTheTimerThread) {
    TZbTimer timer(nullptr);
    timer.SetSyncEvent(false);
    timer.SetInterval(2);
    std::atomic<int> count{0};
    std::atomic<bool> inMain{false};
    const auto main = std::this_thread::get_id();
    timer.SetOnTimer([&](TObject*) {
        if (std::this_thread::get_id() == main) inMain = true;
        ++count;
    });
    ASSERT_TRUE(PumpUntil([&] { return count.load() >= 3; }));
    EXPECT_FALSE(inMain.load());
}

TEST_F(ZbTimerTest, IntervalZeroAndDisablingPauseWithoutFreeingTheThread) {
    TZbTimer timer(nullptr);
    timer.SetInterval(2);
    int count = 0;
    timer.SetOnTimer([&](TObject*) { ++count; });
    ASSERT_TRUE(PumpUntil([&] { return count >= 1; }));
    TTimerThread* thread = timer.TimerThread();

    timer.SetInterval(0);
    EXPECT_EQ(timer.TimerThread(), thread);
    EXPECT_TRUE(thread->Paused());
    const int stopped = count;
    QCoreApplication::processEvents();
    CheckSynchronize();
    // At most the event already queued for the main thread may still arrive; then nothing.
    EXPECT_LE(count, stopped + 1);

    timer.SetInterval(3);
    EXPECT_FALSE(thread->Paused());
    EXPECT_EQ(thread->Interval(), 3u);
    const int resumed = count;
    EXPECT_TRUE(PumpUntil([&] { return count >= resumed + 2; }));

    timer.SetEnabled(false);
    EXPECT_TRUE(thread->Paused());
    timer.SetEnabled(true);
    EXPECT_FALSE(thread->Paused());
}

TEST_F(ZbTimerTest, ChangingTheHandlerKeepsTheTimerRunning) {
    TZbTimer timer(nullptr);
    timer.SetInterval(2);
    int first = 0, second = 0;
    timer.SetOnTimer([&](TObject*) { ++first; });
    ASSERT_TRUE(PumpUntil([&] { return first >= 1; }));
    timer.SetOnTimer([&](TObject*) { ++second; });
    EXPECT_FALSE(timer.TimerThread()->Paused());
    EXPECT_TRUE(PumpUntil([&] { return second >= 2; }));

    timer.SetOnTimer(nullptr);
    EXPECT_TRUE(timer.TimerThread()->Paused());
}

TEST_F(ZbTimerTest, WindowedModeFiresFromTheEventLoop) {
    TZbTimer timer(nullptr);
    timer.SetThreaded(false);
    timer.SetInterval(2);
    std::vector<std::thread::id> threads;
    timer.SetOnTimer([&](TObject*) { threads.push_back(std::this_thread::get_id()); });
    EXPECT_TRUE(timer.TimerThread()->Suspended());  // the thread never ran
    ASSERT_TRUE(PumpUntil([&] { return threads.size() >= 3; }));
    for (auto id : threads) EXPECT_EQ(id, std::this_thread::get_id());

    timer.SetInterval(0);
    const size_t stopped = threads.size();
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    EXPECT_EQ(threads.size(), stopped);
}

TEST_F(ZbTimerTest, SwitchingToWindowedModePausesTheThread) {
    TZbTimer timer(nullptr);
    timer.SetInterval(2);
    int count = 0;
    timer.SetOnTimer([&](TObject*) { ++count; });
    ASSERT_TRUE(PumpUntil([&] { return count >= 1; }));

    timer.SetThreaded(false);
    EXPECT_TRUE(timer.TimerThread()->Paused());
    const int switched = count;
    EXPECT_TRUE(PumpUntil([&] { return count >= switched + 3; }));

    timer.SetThreaded(true);
    EXPECT_FALSE(timer.TimerThread()->Paused());
    const int back = count;
    EXPECT_TRUE(PumpUntil([&] { return count >= back + 2; }));
}

TEST_F(ZbTimerTest, WindowedModeWithoutTimersRaises) {
    // A thread with no event loop has no timers to give, as a system out of timers.
    QString error;
    std::thread worker([&] {
        TZbTimer timer(nullptr);
        timer.SetThreaded(false);
        timer.SetInterval(10);
        try {
            timer.SetOnTimer([](TObject*) {});
        } catch (const EOutOfResources& e) {
            error = e.Message();
        }
    });
    worker.join();
    EXPECT_EQ(error, "Not enough timers available");
}

TEST_F(ZbTimerTest, ARaisingHandlerIsReportedAndTheTimerGoesOn) {
    for (bool sync : {true, false}) {
        Reports.clear();
        TZbTimer timer(nullptr);
        timer.SetSyncEvent(sync);
        timer.SetInterval(2);
        std::atomic<int> count{0};
        timer.SetOnTimer([&](TObject*) {
            const int n = ++count;
            if (n == 1) throw EConvertError("mal dato: ñ");
            if (n == 2) Abort();
        });
        ASSERT_TRUE(PumpUntil([&] { return count.load() >= 4; })) << "sync " << sync;
        ASSERT_EQ(Reports.size(), 1u) << "sync " << sync;  // the abort stays silent
        EXPECT_EQ(Reports[0].Message, "mal dato: ñ");
        EXPECT_EQ(Reports[0].Sender, timer.TimerThread());
    }
}

TEST_F(ZbTimerTest, WithoutAnExceptionHandlerTheApplicationShowsTheError) {
    Application->OnException = nullptr;
    TZbTimer timer(nullptr);
    timer.SetInterval(2);
    int count = 0;
    timer.SetOnTimer([&](TObject*) {
        if (++count == 1) throw EConvertError("Fecha errónea");
    });
    ASSERT_TRUE(PumpUntil([&] { return count >= 3; }));
    ASSERT_EQ(Harness.Exceptions().size(), 1u);
    EXPECT_EQ(Harness.Exceptions()[0].ClassName, "EConvertError");
    EXPECT_EQ(Harness.Exceptions()[0].Message, "Fecha errónea");
    ASSERT_FALSE(Harness.Messages().empty());  // the error box
    EXPECT_EQ(Harness.Messages().back().Text, "Fecha errónea.");  // the error box ends it with a dot
}

TEST_F(ZbTimerTest, WindowedHandlerErrorsNameTheComponent) {
    TZbTimer timer(nullptr);
    timer.SetThreaded(false);
    timer.SetInterval(2);
    int count = 0;
    timer.SetOnTimer([&](TObject*) {
        if (++count == 1) throw Exception("fallo");
    });
    ASSERT_TRUE(PumpUntil([&] { return count >= 3; }));
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_EQ(Reports[0].Sender, &timer);
}

TEST_F(ZbTimerTest, DestructorWaitsForARunningUnsynchronisedEvent) {
    std::atomic<bool> inside{false}, finished{false};
    auto* timer = new TZbTimer(nullptr);
    timer->SetSyncEvent(false);
    timer->SetInterval(1);
    timer->SetOnTimer([&](TObject*) {
        if (finished.load()) return;
        inside = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        finished = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return inside.load(); }));
    delete timer;
    EXPECT_TRUE(finished.load());
}

TEST_F(ZbTimerTest, ATimerMayFreeItselfInItsOwnEvent) {
    for (int mode = 0; mode < 3; ++mode) {  // synchronised, unsynchronised, windowed
        std::atomic<bool> freed{false};
        auto* timer = new TZbTimer(nullptr);
        timer->SetSyncEvent(mode != 1);
        timer->SetThreaded(mode != 2);
        timer->SetInterval(1);
        timer->SetOnTimer([&, timer](TObject*) {
            if (freed.exchange(true)) return;
            delete timer;
        });
        ASSERT_TRUE(PumpUntil([&] { return freed.load(); })) << "mode " << mode;
        for (int i = 0; i < 10; ++i) {
            QCoreApplication::processEvents();
            CheckSynchronize(1);
        }
    }
}

TEST_F(ZbTimerTest, OwnerFreesTheTimerWhileTheThreadRuns) {
    auto* owner = new TComponent(nullptr);
    auto* timer = new TZbTimer(owner);
    timer->SetInterval(1);
    int count = 0;
    timer->SetOnTimer([&](TObject*) { ++count; });
    ASSERT_TRUE(PumpUntil([&] { return count >= 2; }));
    delete owner;
    const int gone = count;
    for (int i = 0; i < 20; ++i) {
        QCoreApplication::processEvents();
        CheckSynchronize(1);
    }
    EXPECT_EQ(count, gone);
}

}  // namespace
