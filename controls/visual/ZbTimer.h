#pragma once
// A non-visual timer: fires OnTimer every Interval milliseconds, either from a timer thread of its
// own (threaded mode, the default; the event is handed to the main thread unless SyncEvent is off)
// or from a timer of a hidden object in the main thread (windowed mode).
#include "platform/classes/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Threads.h"

#include <QtGlobal>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TZbTimer;

// An exception raised by a timer event goes to the application's exception handling (OnException,
// else the error box) in the main thread, with the timer thread as sender in threaded mode and the
// component in windowed mode; EAbort stays silent. The timer goes on either way.
namespace controls::visual {
class TTimerWindow;
}  // namespace controls::visual

class TTimerThread : public TThread {
public:
    explicit TTimerThread(TZbTimer* owner);
    ~TTimerThread() override;

    // Pauses the loop: a sleep in progress is abandoned and no event starts until Resume. Waits
    // until an event that is running in the timer thread has returned.
    void Suspend();
    // Runs the loop from a fresh period; starts the thread the first time.
    void ResumeTimer();
    bool Paused() const;
    // True while this thread's event runs (in the timer thread or, synchronised, in the main one).
    bool InOwnEvent() const;
    // Ends the loop and waits for the thread. In the main thread the wait runs synchronised calls.
    void Stop();
    void SetInterval(quint32 ms);
    quint32 Interval() const;
    void SetPriority(TThreadPriority priority);

protected:
    void Execute() override;

private:
    void Fire();

    TZbTimer* FOwner;  // cleared under FMutex when the owner goes first
    mutable std::mutex FMutex;
    std::condition_variable FWake;
    quint32 FInterval = 1000;
    bool FPaused = true;
    bool FStop = false;
    quint64 FResumes = 0;    // a resume starts a new period
    TThreadPriority FPriority = tpNormal;
    bool FPriorityChanged = false;
    std::atomic<bool> FInSyncEvent{false};  // the main thread is running this thread's event
};

class TZbTimer : public TComponent {
public:
    explicit TZbTimer(TComponent* owner);
    ~TZbTimer() override;

    bool Enabled() const { return FEnabled.load(); }
    void SetEnabled(bool value);
    quint32 Interval() const { return FInterval; }
    void SetInterval(quint32 value);
    bool SyncEvent() const { return FSyncEvent.load(); }
    void SetSyncEvent(bool value) { FSyncEvent.store(value); }
    bool Threaded() const { return FThreaded; }
    void SetThreaded(bool value);
    TThreadPriority ThreadPriority() const { return FThreadPriority; }
    TNotifyEvent OnTimer() const;
    // Starts or stops the timer only when the event goes between assigned and unassigned.
    void SetOnTimer(const TNotifyEvent& value);

    // Fires OnTimer when enabled, assigned and not being destroyed. Called by the thread and the
    // hidden timer object; descendants may override.
    virtual void Timer();

    TTimerThread* TimerThread() const { return FTimerThread.get(); }

protected:
    void UpdateTimer();

private:
    friend class TTimerThread;
    friend class controls::visual::TTimerWindow;
    void WindowTimer();

    std::atomic<bool> FEnabled{true};
    quint32 FInterval = 1000;
    mutable std::mutex FEventMutex;  // FOnTimer: the thread reads it when SyncEvent is off
    TNotifyEvent FOnTimer;
    std::unique_ptr<controls::visual::TTimerWindow> FWindow;
    std::atomic<bool> FSyncEvent{true};
    bool FThreaded = true;
    std::unique_ptr<TTimerThread> FTimerThread;
    TThreadPriority FThreadPriority = tpNormal;
    std::atomic<bool> FDestroying{false};
};
