#pragma once
// Worker threads and the hand-over of calls to the main thread.
//
// Synchronize(method) queues the call for the main thread and blocks the caller until it has run;
// an exception thrown by the call is rethrown in the caller. The main thread runs queued calls:
//   - from its Qt event loop, when a QCoreApplication exists (each queued call posts an event);
//   - inside TThread::WaitFor and the TThread destructor, when those run in the main thread;
//   - whenever it calls CheckSynchronize(); the application object calls it from its idle
//     processing, and a main thread without an event loop must call it itself, or a worker
//     that synchronizes waits until it does.
// Called in the main thread, Synchronize runs the call at once.
#include "platform/rtl/Events.h"
#include "platform/rtl/Object.h"

#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

using TThreadMethod = std::function<void()>;

class TThread : public TObject {
public:
    // A thread created suspended waits for Start/Resume. One created running starts when
    // AfterConstruction runs: C++ cannot run a derived Execute from the base constructor, so
    // create running threads with TThread::Create<TMyThread>(args...), or call Start yourself.
    explicit TThread(bool createSuspended);
    // Terminates and waits for the thread. A derived class whose Execute uses its own members
    // must call Terminate(); WaitFor(); in its destructor, before those members go.
    ~TThread() override;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    template <class T, class... Args>
    static T* Create(Args&&... args) {
        T* t = new T(std::forward<Args>(args)...);
        t->AfterConstruction();
        return t;
    }
    // Starts the thread unless it was created suspended.
    void AfterConstruction();

    // Raises EThread when the thread was started already.
    void Start();
    // Starts a thread that has not been started; nothing otherwise.
    void Resume();
    void Terminate() { FTerminated.store(true); }
    bool Terminated() const { return FTerminated.load(); }
    bool Suspended() const;
    bool Finished() const { return FFinished.load(); }
    // Waits until Execute and OnTerminate are done and returns ReturnValue. In the main thread it
    // runs the calls that workers synchronize meanwhile. Raises EThread for a thread that frees
    // itself, for a wait from the thread itself, and for one never started.
    int WaitFor();
    int ReturnValue() const { return FReturnValue.load(); }
    bool FreeOnTerminate() const { return FFreeOnTerminate.load(); }
    // The thread deletes itself after OnTerminate; nobody may WaitFor or delete it then.
    void SetFreeOnTerminate(bool value) { FFreeOnTerminate.store(value); }
    // An exception that escaped Execute, or null.
    std::exception_ptr FatalException() const;
    std::thread::id ThreadID() const;

    // Fires in the main thread after Execute has returned.
    TNotifyEvent OnTerminate;

    // Runs method in the main thread and waits for it; `thread` may be null.
    static void Synchronize(TThread* thread, const TThreadMethod& method);

protected:
    virtual void Execute() = 0;
    virtual void DoTerminate();
    void Synchronize(const TThreadMethod& method) { Synchronize(this, method); }
    void SetReturnValue(int value) { FReturnValue.store(value); }

private:
    void Run();
    void Launch();
    void WaitFinished();

    std::thread FThread;
    mutable std::mutex FMutex;  // FThread, FStarted, FJoined, FFatal
    bool FCreateSuspended;
    bool FStarted = false;
    bool FJoined = false;
    std::thread::id FThreadID;
    std::exception_ptr FFatal;
    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FFinished{false};
    std::atomic<bool> FFreeOnTerminate{false};
    std::atomic<int> FReturnValue{0};
};

// Runs the calls queued by Synchronize; returns true when it ran any. Only in the main thread
// (elsewhere it does nothing and returns false). timeoutMs > 0 waits that long for a first call.
bool CheckSynchronize(int timeoutMs = 0);

// Milliseconds from a fixed point, monotonic, wrapping at 2^32 as the class library's tick count.
quint32 GetTickCount();
void Sleep(quint32 milliseconds);

namespace platform::rtl {
// The thread that runs the user interface: the QCoreApplication's thread if there is one,
// else the thread that started the program.
bool IsMainThread();
}
