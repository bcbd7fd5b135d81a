#include "platform/db/Espera.h"

#include <QCoreApplication>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace platform::db {

namespace {

using Clock = std::chrono::steady_clock;

// Main thread only.
TServerWaitObserver Observer;
int Depth = 0;
Clock::time_point Started, LastShownEnd;
bool Shown = false;
bool InSlice = false;

bool MainThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// The engine is in the middle of a wait: nothing of the observer may leave it by an exception.
void Call(const std::function<void()>& f) {
    if (!f) return;
    try {
        f();
    } catch (...) {
    }
}

}  // namespace

void SetServerWaitObserver(TServerWaitObserver observer) { Observer = std::move(observer); }

bool ServerWaitRunning() { return Depth > 0 && MainThread(); }

TServerWait::TServerWait() : FMain(MainThread()) {
    if (!FMain || Depth++ > 0) return;
    // A wait that follows one just shown (the same action, asking again) shows at once.
    const auto now = Clock::now();
    const auto after = std::chrono::milliseconds(kServerWaitShownAfterMs);
    Started = now - LastShownEnd < std::chrono::milliseconds(5 * kServerWaitSliceMs) ? now - after : now;
}

TServerWait::~TServerWait() {
    if (!FMain || --Depth > 0 || !Shown) return;
    Shown = false;
    Call(Observer.End);
    LastShownEnd = Clock::now();
}

void TServerWait::Slice() {
    // A wait begun by what the observer runs would run the observer inside itself.
    if (!FMain || InSlice) return;
    InSlice = true;
    if (!Shown && Clock::now() - Started >= std::chrono::milliseconds(kServerWaitShownAfterMs)) {
        Shown = true;
        Call(Observer.Begin);
    }
    if (Shown) Call(Observer.Slice);
    InSlice = false;
}

void WaitInThread(const std::function<void()>& work) {
    bool done = false;
    std::mutex m;
    std::condition_variable cv;
    std::thread worker;
    try {
        worker = std::thread([&] {
            work();
            std::lock_guard lock(m);
            done = true;
            cv.notify_one();
        });
    } catch (const std::system_error&) {
        work();
        return;
    }
    TServerWait shown;
    std::unique_lock lock(m);
    while (!cv.wait_for(lock, std::chrono::milliseconds(kServerWaitSliceMs), [&] { return done; })) {
        lock.unlock();
        shown.Slice();
        lock.lock();
    }
    lock.unlock();
    worker.join();
}

}  // namespace platform::db
