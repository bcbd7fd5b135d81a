#pragma once
// A desk that waits on the data server shows that it waits. The server engine waits in short
// slices; once a wait has lasted about a second the program's observer, set once at start-up,
// shows it (busy cursor, a note) and keeps the windows painted between the slices, taking no
// input. The server module takes these from the program (exports.list).
#include <functional>

namespace platform::db {

// What the program does while the engine waits; each is called in the main thread only.
struct TServerWaitObserver {
    std::function<void()> Begin;  // the wait has lasted a while: show it
    std::function<void()> Slice;  // between two slices: paint, take no input, touch no data
    std::function<void()> End;    // the wait is over (answered or given up): clear what Begin showed
};

inline constexpr int kServerWaitSliceMs = 100;
inline constexpr int kServerWaitShownAfterMs = 1000;

// Replaces the observer (empty: waits show nothing).
void SetServerWaitObserver(TServerWaitObserver observer);

// True while the main thread waits on the server: what the observer's events run then (a
// timer's work, a deferred call) must not use the data, the connection is busy.
bool ServerWaitRunning();

// Runs `work`, a blocking call of the server's client (connecting) that throws nothing, in a
// thread of its own while the calling thread waits for it in slices, shown as any wait; in the
// calling thread itself when no thread can be had.
void WaitInThread(const std::function<void()>& work);

// A wait of the engine on the server while it lasts: the engine calls Slice between its slices.
// Waits inside a wait are one. Off the main thread it does nothing.
class TServerWait {
public:
    TServerWait();
    ~TServerWait();
    TServerWait(const TServerWait&) = delete;
    TServerWait& operator=(const TServerWait&) = delete;
    void Slice();

private:
    bool FMain;
};

}  // namespace platform::db
