#include "platform/rtl/Threads.h"
#include "platform/rtl/Exceptions.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <vector>

namespace {

// Runs a function as Execute; the tests wait for it before it goes.
class TFnThread : public TThread {
public:
    explicit TFnThread(std::function<void(TFnThread&)> fn, bool suspended = true)
        : TThread(suspended), FFn(std::move(fn)) {}
    ~TFnThread() override {
        Terminate();
        if (!Suspended() && !FreeOnTerminate()) WaitFor();
    }
    using TThread::SetReturnValue;
    using TThread::Synchronize;

protected:
    void Execute() override { FFn(*this); }

private:
    std::function<void(TFnThread&)> FFn;
};

}  // namespace

TEST(Threads, TerminateStopsTheLoopAndWaitForGivesTheReturnValue) {
    std::atomic<int> rounds{0};
    auto t = std::make_unique<TFnThread>([&](TFnThread& self) {
        while (!self.Terminated()) {
            ++rounds;
            Sleep(1);
        }
        self.SetReturnValue(42);
    });
    EXPECT_TRUE(t->Suspended());
    Sleep(10);
    EXPECT_EQ(rounds.load(), 0);  // created suspended: nothing ran
    t->Start();
    EXPECT_THROW(t->Start(), EThread);
    while (rounds.load() < 3) Sleep(1);
    t->Terminate();
    EXPECT_TRUE(t->Terminated());
    EXPECT_EQ(t->WaitFor(), 42);
    EXPECT_TRUE(t->Finished());
    EXPECT_EQ(t->WaitFor(), 42);  // a second wait returns at once
}

TEST(Threads, CreateStartsAThreadNotSuspended) {
    std::atomic<bool> ran{false};
    std::unique_ptr<TFnThread> t(TThread::Create<TFnThread>([&](TFnThread&) { ran = true; }, false));
    t->WaitFor();
    EXPECT_TRUE(ran.load());
    TFnThread never([](TFnThread&) {});
    EXPECT_THROW(never.WaitFor(), EThread);
}

TEST(Threads, DestructorTerminatesAndJoins) {
    std::atomic<bool> entered{false}, left{false};
    {
        TFnThread t([&](TFnThread& self) {
            entered = true;
            while (!self.Terminated()) Sleep(1);
            left = true;
        });
        t.Resume();
        t.Resume();  // no effect on a running thread
        while (!entered.load()) Sleep(1);
    }
    EXPECT_TRUE(left.load());
}

TEST(Threads, SynchronizeRunsInTheMainThreadWhileTheWorkerWaits) {
    const auto mainId = std::this_thread::get_id();
    std::thread::id ranIn;
    bool workerSawResult = false;
    int value = 0;  // touched only under Synchronize
    TFnThread t([&](TFnThread& self) {
        self.Synchronize([&] {
            ranIn = std::this_thread::get_id();
            value = 7;
        });
        workerSawResult = (value == 7);  // the call has completed before Synchronize returns
    });
    t.Start();
    t.WaitFor();  // the main thread serves the call while it waits
    EXPECT_EQ(ranIn, mainId);
    EXPECT_TRUE(workerSawResult);
}

TEST(Threads, AnExceptionOfTheSynchronizedCallGoesBackToTheWorker) {
    QString caught;
    bool mainSawIt = false;
    TFnThread t([&](TFnThread& self) {
        try {
            self.Synchronize([] { throw EConvertError(QStringLiteral("'x' no es una fecha válida")); });
        } catch (const EConvertError& e) {
            caught = e.Message();
        }
    });
    t.Start();
    try {
        t.WaitFor();
    } catch (...) {
        mainSawIt = true;
    }
    EXPECT_FALSE(mainSawIt);
    EXPECT_EQ(caught, QStringLiteral("'x' no es una fecha válida"));
}

TEST(Threads, AnExceptionEscapingExecuteIsKept) {
    TFnThread t([](TFnThread&) { throw EInOutError(QStringLiteral("disco lleno")); });
    t.Start();
    t.WaitFor();
    ASSERT_TRUE(t.FatalException());
    try {
        std::rethrow_exception(t.FatalException());
    } catch (const EInOutError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("disco lleno"));
    }
}

TEST(Threads, OnTerminateFiresInTheMainThread) {
    std::thread::id firedIn;
    TObject* sender = nullptr;
    TFnThread t([](TFnThread&) {});
    t.OnTerminate = [&](TObject* s) {
        firedIn = std::this_thread::get_id();
        sender = s;
    };
    t.Start();
    t.WaitFor();
    EXPECT_EQ(firedIn, std::this_thread::get_id());
    EXPECT_EQ(sender, &t);
}

TEST(Threads, FreeOnTerminateDeletesTheThread) {
    static std::atomic<bool> destroyed;
    destroyed = false;
    struct TSelfFree : TThread {
        TSelfFree() : TThread(true) {}
        ~TSelfFree() override { destroyed = true; }
        void Execute() override {}
    };
    auto* t = new TSelfFree;
    t->SetFreeOnTerminate(true);
    bool terminated = false;
    t->OnTerminate = [&](TObject*) { terminated = true; };
    t->Start();
    // No event loop here: the main thread hands over the OnTerminate call itself.
    const quint32 start = GetTickCount();
    while (!destroyed.load() && GetTickCount() - start < 5000) CheckSynchronize(10);
    EXPECT_TRUE(terminated);
    EXPECT_TRUE(destroyed.load());
}

TEST(Threads, CheckSynchronizeOutsideTheMainThreadDoesNothing) {
    bool result = true;
    TFnThread t([&](TFnThread&) { result = CheckSynchronize(); });
    t.Start();
    t.WaitFor();
    EXPECT_FALSE(result);
    EXPECT_FALSE(CheckSynchronize());  // nothing queued
}

TEST(Threads, ManyWorkersSynchronizingCountExactly) {
    // The counter is plain: only synchronized calls touch it, so any lost update is a fault.
    for (int round = 0; round < 20; ++round) {
        int counter = 0;
        std::vector<std::unique_ptr<TFnThread>> threads;
        for (int i = 0; i < 4; ++i) {
            threads.push_back(std::make_unique<TFnThread>([&](TFnThread& self) {
                for (int k = 0; k < 50; ++k) self.Synchronize([&] { ++counter; });
                self.SetReturnValue(50);
            }));
        }
        for (auto& t : threads) t->Start();
        int total = 0;
        for (auto& t : threads) total += t->WaitFor();
        ASSERT_EQ(counter, 200);
        ASSERT_EQ(total, 200);
    }
}

TEST(Threads, TheEventLoopServesSynchronize) {
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QEventLoop loop;
    std::thread::id ranIn;
    TFnThread t([&](TFnThread& self) { self.Synchronize([&] { ranIn = std::this_thread::get_id(); }); });
    t.OnTerminate = [&](TObject*) { loop.quit(); };
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);  // never hang the run
    t.Start();
    loop.exec();
    EXPECT_EQ(ranIn, std::this_thread::get_id());
    t.WaitFor();
    EXPECT_TRUE(t.Finished());
}

TEST(Ticks, TickCountAdvancesWithSleep) {
    const quint32 a = GetTickCount();
    Sleep(25);
    const quint32 b = GetTickCount();
    EXPECT_GE(quint32(b - a), 25u);  // unsigned difference survives the wrap
    EXPECT_LT(quint32(b - a), 60000u);
}
