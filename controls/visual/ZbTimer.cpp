#include "controls/visual/ZbTimer.h"

#include "controls/visual/BitmapHelpers.h"
#include "platform/forms/Forms.h"

#include <QObject>
#include <QThread>
#include <QTimerEvent>
#include <QtDebug>

#include <chrono>
#include <climits>

namespace controls::visual {

namespace {
// Hands an exception of a timer event to the application; EAbort stays silent. Never throws: a
// failing report must not stop the timer.
void ReportTimerError(TObject* sender, std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
    } catch (...) {
        try {
            Application->HandleException(sender);
        } catch (...) {
            qWarning("A timer event failed and its report failed too");
        }
    }
}
}  // namespace

// Stands for the hidden window of the windowed mode: a main-thread object whose timer calls Timer.
class TTimerWindow : public QObject {
public:
    explicit TTimerWindow(TZbTimer* owner) : FOwner(owner) {}
    ~TTimerWindow() override { KillTimer(); }
    // False when no timer could be had (no event loop in this thread).
    bool SetTimer(quint32 interval) {
        KillTimer();
        FId = startTimer(int(qMin<quint32>(interval, INT_MAX)));
        return FId != 0;
    }
    void KillTimer() {
        if (FId != 0) killTimer(FId);
        FId = 0;
    }
    bool Active() const { return FId != 0; }

protected:
    void timerEvent(QTimerEvent* event) override {
        if (event->timerId() == FId) FOwner->WindowTimer();
    }

private:
    TZbTimer* FOwner;
    int FId = 0;
};

}  // namespace controls::visual

using controls::visual::ReportTimerError;

// --- TTimerThread

TTimerThread::TTimerThread(TZbTimer* owner) : TThread(true), FOwner(owner) {}

TTimerThread::~TTimerThread() { Stop(); }

void TTimerThread::Suspend() {
    std::lock_guard lock(FMutex);
    FPaused = true;
    FWake.notify_all();
}

void TTimerThread::ResumeTimer() {
    {
        std::lock_guard lock(FMutex);
        if (FStop) return;
        FPaused = false;
        ++FResumes;
        FWake.notify_all();
    }
    if (Suspended()) TThread::Resume();
}

bool TTimerThread::InOwnEvent() const {
    return FInSyncEvent.load() || (!Suspended() && std::this_thread::get_id() == ThreadID());
}

bool TTimerThread::Paused() const {
    std::lock_guard lock(FMutex);
    return FPaused;
}

void TTimerThread::Stop() {
    {
        std::lock_guard lock(FMutex);
        FStop = true;
        FOwner = nullptr;
        FWake.notify_all();
    }
    Terminate();
    if (Suspended() || FreeOnTerminate() || InOwnEvent()) return;
    WaitFor();
}

void TTimerThread::SetInterval(quint32 ms) {
    std::lock_guard lock(FMutex);
    FInterval = ms;
}

quint32 TTimerThread::Interval() const {
    std::lock_guard lock(FMutex);
    return FInterval;
}

void TTimerThread::SetPriority(TThreadPriority priority) {
    std::lock_guard lock(FMutex);
    if (priority == FPriority) return;
    FPriority = priority;
    FPriorityChanged = true;
}

void TTimerThread::Execute() {
    std::unique_lock lock(FMutex);
    for (;;) {
        FWake.wait(lock, [this] { return FStop || !FPaused; });
        if (FStop || Terminated()) break;
        if (FPriorityChanged) {
            FPriorityChanged = false;
            if (QThread* self = QThread::currentThread())
                self->setPriority(QThread::Priority(int(QThread::IdlePriority) + int(FPriority)));
        }
        const quint64 period = FResumes;
        // The sleep is cut short by a stop, a pause or a resume; a cut sleep fires nothing.
        const bool cut = FWake.wait_for(lock, std::chrono::milliseconds(FInterval),
                                        [&] { return FStop || FPaused || FResumes != period; });
        if (cut) continue;
        if (!FOwner || !FOwner->Enabled()) continue;
        lock.unlock();
        Fire();
        lock.lock();
    }
}

// Runs the owner's event once, outside FMutex (the main thread may need it meanwhile).
void TTimerThread::Fire() {
    TZbTimer* owner;
    {
        std::lock_guard lock(FMutex);
        owner = FOwner;
    }
    if (!owner) return;
    if (owner->SyncEvent()) {
        // In the main thread the owner is alive unless Stop ran: it clears FOwner there first.
        Synchronize([this] {
            TZbTimer* target;
            {
                std::lock_guard lock(FMutex);
                target = FOwner;
            }
            if (!target) return;
            FInSyncEvent.store(true);
            try {
                target->Timer();
            } catch (...) {
                ReportTimerError(this, std::current_exception());
            }
            FInSyncEvent.store(false);
        });
        return;
    }
    // Unsynchronised: the owner's destructor waits for this thread before it goes.
    try {
        owner->Timer();
    } catch (...) {
        std::exception_ptr error = std::current_exception();
        Synchronize([this, error] { ReportTimerError(this, error); });
    }
}

// --- TZbTimer

TZbTimer::TZbTimer(TComponent* owner) : TComponent(owner), FTimerThread(std::make_unique<TTimerThread>(this)) {
    FTimerThread->SetInterval(FInterval);
}

TZbTimer::~TZbTimer() {
    FDestroying.store(true);
    FEnabled.store(false);
    {
        std::lock_guard lock(FEventMutex);
        FOnTimer = nullptr;
    }
    // Stop waits for the thread, unless this runs inside the timer's own event: the thread is then
    // held up by that event, and frees itself once the event has returned.
    TTimerThread* thread = FTimerThread.release();
    const bool inOwnEvent = thread->InOwnEvent();
    if (inOwnEvent) thread->SetFreeOnTerminate(true);
    thread->Stop();
    if (!inOwnEvent) delete thread;
    FWindow.reset();
    Destroying();
}

void TZbTimer::SetEnabled(bool value) {
    if (value == FEnabled.load()) return;
    FEnabled.store(value);
    UpdateTimer();
}

void TZbTimer::SetInterval(quint32 value) {
    if (value == FInterval) return;
    FInterval = value;
    UpdateTimer();
}

void TZbTimer::SetThreaded(bool value) {
    if (value == FThreaded) return;
    FThreaded = value;
    UpdateTimer();
}

TNotifyEvent TZbTimer::OnTimer() const {
    std::lock_guard lock(FEventMutex);
    return FOnTimer;
}

void TZbTimer::SetOnTimer(const TNotifyEvent& value) {
    bool changed;
    {
        std::lock_guard lock(FEventMutex);
        changed = bool(FOnTimer) != bool(value);
        FOnTimer = value;
    }
    if (changed) UpdateTimer();
}

void TZbTimer::Timer() {
    if (!FEnabled.load() || FDestroying.load()) return;
    TNotifyEvent handler = OnTimer();
    // Nothing of this object is touched after the call: the handler may free the timer.
    if (handler) handler(this);
}

void TZbTimer::WindowTimer() {
    try {
        Timer();
    } catch (...) {
        ReportTimerError(this, std::current_exception());
    }
}

void TZbTimer::UpdateTimer() {
    if (FDestroying.load()) return;
    const bool run = FInterval != 0 && FEnabled.load() && bool(OnTimer());
    if (FThreaded) {
        if (FWindow) {
            FWindow->KillTimer();
            FWindow.reset();
        }
        FTimerThread->Suspend();
        FTimerThread->SetInterval(FInterval);
        if (run) {
            FTimerThread->SetPriority(FThreadPriority);
            FTimerThread->ResumeTimer();
        }
    } else {
        FTimerThread->Suspend();
        if (!FWindow)
            FWindow = std::make_unique<controls::visual::TTimerWindow>(this);
        else
            FWindow->KillTimer();
        if (run && !FWindow->SetTimer(FInterval))
            throw EOutOfResources(ResStr(61496));
    }
}
