#include "platform/rtl/Threads.h"
#include "platform/rtl/Exceptions.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <chrono>
#include <deque>

namespace {

// Captured during static initialisation, which runs in the program's first thread.
const std::thread::id gStartThread = std::this_thread::get_id();

struct SyncRequest {
    const TThreadMethod* Method = nullptr;
    std::exception_ptr Error;
    bool Done = false;
};

struct SyncQueue {
    std::mutex Mutex;
    std::condition_variable MainWake;    // a call was queued or a thread finished
    std::condition_variable CallerWake;  // a queued call has run
    std::deque<SyncRequest*> Queue;
};

// Never destroyed: a thread that frees itself may still signal it while the program exits.
SyncQueue& Sync() {
    static SyncQueue* q = new SyncQueue;
    return *q;
}

// Waits in the main thread until `done` holds, running synchronized calls meanwhile.
template <class Pred>
void PumpUntil(Pred done) {
    auto& s = Sync();
    for (;;) {
        std::unique_lock lock(s.Mutex);
        s.MainWake.wait(lock, [&] { return done() || !s.Queue.empty(); });
        if (done()) return;
        lock.unlock();
        CheckSynchronize();
    }
}

}  // namespace

namespace platform::rtl {
bool IsMainThread() {
    if (QCoreApplication* app = QCoreApplication::instance()) return QThread::currentThread() == app->thread();
    return std::this_thread::get_id() == gStartThread;
}
}  // namespace platform::rtl

bool CheckSynchronize(int timeoutMs) {
    if (!platform::rtl::IsMainThread()) return false;
    auto& s = Sync();
    bool ran = false;
    std::unique_lock lock(s.Mutex);
    if (timeoutMs > 0 && s.Queue.empty())
        s.MainWake.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return !s.Queue.empty(); });
    // One at a time: a call may itself come back here (a nested event loop).
    while (!s.Queue.empty()) {
        SyncRequest* r = s.Queue.front();
        s.Queue.pop_front();
        lock.unlock();
        std::exception_ptr error;
        try {
            (*r->Method)();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        r->Error = error;
        r->Done = true;
        ran = true;
        s.CallerWake.notify_all();
    }
    return ran;
}

void TThread::Synchronize(TThread*, const TThreadMethod& method) {
    if (!method) return;
    if (platform::rtl::IsMainThread()) {
        method();
        return;
    }
    auto& s = Sync();
    SyncRequest req;
    req.Method = &method;
    {
        std::lock_guard lock(s.Mutex);
        s.Queue.push_back(&req);
    }
    s.MainWake.notify_all();
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { CheckSynchronize(); }, Qt::QueuedConnection);
    std::unique_lock lock(s.Mutex);
    s.CallerWake.wait(lock, [&] { return req.Done; });
    if (req.Error) std::rethrow_exception(req.Error);
}

TThread::TThread(bool createSuspended) : FCreateSuspended(createSuspended) {}

TThread::~TThread() {
    std::thread::id id;
    bool started;
    {
        std::lock_guard lock(FMutex);
        id = FThreadID;
        started = FStarted;
    }
    if (!started || std::this_thread::get_id() == id) return;  // never ran, or frees itself
    Terminate();
    WaitFinished();
    std::lock_guard lock(FMutex);
    if (!FJoined && FThread.joinable()) FThread.join();
    FJoined = true;
}

// The worker takes FMutex until it finishes, so nobody joins under FMutex before that.
void TThread::WaitFinished() {
    if (platform::rtl::IsMainThread()) {
        PumpUntil([this] { return FFinished.load(); });
    } else {
        auto& s = Sync();
        std::unique_lock lock(s.Mutex);
        s.MainWake.wait(lock, [this] { return FFinished.load(); });
    }
}

void TThread::AfterConstruction() {
    if (FCreateSuspended) return;
    std::lock_guard lock(FMutex);
    if (!FStarted) Launch();
}

void TThread::Start() {
    std::lock_guard lock(FMutex);
    if (FStarted) throw EThread(QStringLiteral("Cannot call Start on a running or suspended thread"));
    Launch();
}

void TThread::Resume() {
    std::lock_guard lock(FMutex);
    if (!FStarted) Launch();
}

bool TThread::Suspended() const {
    std::lock_guard lock(FMutex);
    return !FStarted;
}

std::exception_ptr TThread::FatalException() const {
    std::lock_guard lock(FMutex);
    return FFatal;
}

std::thread::id TThread::ThreadID() const {
    std::lock_guard lock(FMutex);
    return FThreadID;
}

// Called with FMutex held; the new thread waits for it before touching anything.
void TThread::Launch() {
    FThread = std::thread([this] { Run(); });  // may raise std::system_error: then nothing started
    FStarted = true;
    FThreadID = FThread.get_id();
}

void TThread::Run() {
    { std::lock_guard gate(FMutex); }
    try {
        if (!Terminated()) Execute();
    } catch (...) {
        std::lock_guard lock(FMutex);
        FFatal = std::current_exception();
    }
    try {
        DoTerminate();
    } catch (...) {
        // An OnTerminate handler that raises must not take the program down with the thread.
    }
    const bool selfFree = FFreeOnTerminate.load();
    if (selfFree) {
        std::lock_guard lock(FMutex);
        FThread.detach();
        FJoined = true;
    }
    {
        std::lock_guard lock(Sync().Mutex);
        FFinished.store(true);
        Sync().MainWake.notify_all();
    }
    if (selfFree) delete this;
}

void TThread::DoTerminate() {
    if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

int TThread::WaitFor() {
    {
        std::lock_guard lock(FMutex);
        if (!FStarted) throw EThread(QStringLiteral("Cannot wait for a thread that was never started"));
        if (std::this_thread::get_id() == FThreadID) throw EThread(QStringLiteral("A thread cannot wait for itself"));
    }
    if (FFreeOnTerminate.load()) throw EThread(QStringLiteral("Cannot wait for a thread that frees itself"));
    WaitFinished();
    std::lock_guard lock(FMutex);
    if (!FJoined && FThread.joinable()) FThread.join();
    FJoined = true;
    return FReturnValue.load();
}

quint32 GetTickCount() {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch());
    return quint32(quint64(ms.count()));
}

void Sleep(quint32 milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }
