#pragma once
// A TCP relay in front of a server, for the tests of a failing network: it passes bytes both
// ways, freezes (keeps every connection open and takes new ones into the queue, but moves
// nothing: a link that went silent), cuts (closes every connection it carries, as a restart or
// a pulled cable would; new ones pass again), loses the answers of the connections it carries
// (what they send still reaches the server; new connections pass both ways), loses what they
// send (a request that never reaches the server), lets a COMMIT through and loses its answer
// (then passing, or refusing), and refuses (a server down: every connection closed, new ones
// closed as they come, until it passes again).
#include <QString>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <optional>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>
#include <vector>

namespace testsupport {

class TRelay {
public:
    enum class TMode { Pass, Freeze, Refuse };

    // Listens on a free port of 127.0.0.1 and relays to 127.0.0.1:`target`.
    explicit TRelay(int target) : FTarget(target) {
        // Nothing of the relay's is handed down to programs the test starts (a server restarted
        // would keep a connection open that the relay closes).
        FListen = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        // Small buffers on its side, as a real link's: a frozen link soon takes no more.
        const int buffer = 64 << 10;
        ::setsockopt(FListen, SOL_SOCKET, SO_RCVBUF, &buffer, sizeof buffer);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(FListen, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(FListen, 16);
        socklen_t n = sizeof a;
        ::getsockname(FListen, reinterpret_cast<sockaddr*>(&a), &n);
        FPort = ntohs(a.sin_port);
        if (::pipe2(FWake, O_CLOEXEC) != 0) FWake[0] = FWake[1] = -1;
        FThread = std::thread([this] { Loop(); });
    }
    ~TRelay() {
        FStop = true;
        Wake();
        FThread.join();
        for (auto& [a, b] : FPairs) {
            ::close(a);
            ::close(b);
        }
        for (int h : FHeld) ::close(h);
        ::close(FListen);
        ::close(FWake[0]);
        ::close(FWake[1]);
    }
    TRelay(const TRelay&) = delete;
    TRelay& operator=(const TRelay&) = delete;

    int Port() const { return FPort; }
    void Pass() { Set(TMode::Pass); }
    void Freeze() { Set(TMode::Freeze); }
    // Closes every connection carried so far; the relay passes afterwards.
    void Cut() {
        FCut = true;
        Set(TMode::Pass);
        while (FCut) std::this_thread::yield();
    }
    // The server's answers on the connections carried so far go nowhere from now on.
    void LoseAnswers() {
        FLose = true;
        Set(TMode::Pass);
        while (FLose) std::this_thread::yield();
    }

    // What the connections carried so far send goes nowhere from now on (their answers still come).
    void LoseRequests() {
        FMute = true;
        Set(TMode::Pass);
        while (FMute) std::this_thread::yield();
    }
    // The next COMMIT a connection carried so far sends reaches the server; its answer, and all
    // that connection gets after it, go nowhere. With `refuse`, the relay refuses from then on.
    void LoseCommitAnswer(bool refuse) {
        FRefuseAfterCommit = refuse;
        FWatch = true;
        Set(TMode::Pass);
        while (FWatch) std::this_thread::yield();
    }
    // How many COMMITs LoseCommitAnswer has let through.
    int CommitsLetThrough() const { return FCommits; }
    // Closes every connection carried and each new one at once, until Pass.
    void Refuse() {
        FCut = true;
        Set(TMode::Refuse);
        while (FCut) std::this_thread::yield();
    }

private:
    void Set(TMode m) {
        FMode = m;
        Wake();
    }
    void Wake() {
        const char c = 0;
        (void)!::write(FWake[1], &c, 1);
    }
    int Dial() const {
        const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(uint16_t(FTarget));
        if (::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            ::close(s);
            return -1;
        }
        return s;
    }
    // Moves what one side has to the other; false when either side is gone.
    static bool Move(int from, int to, bool* commit = nullptr) {
        char buf[16384];
        const ssize_t n = ::read(from, buf, sizeof buf);
        if (n <= 0) return false;
        if (commit) *commit = std::search(buf, buf + n, kCommit, kCommit + sizeof kCommit) != buf + n;
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(to, buf + done, size_t(n - done));
            if (w <= 0) return false;
            done += w;
        }
        return true;
    }
    static constexpr char kCommit[] = "COMMIT";  // with its ending zero, as a simple query ends
    static bool Drop(int from) {
        char buf[16384];
        return ::read(from, buf, sizeof buf) > 0;
    }
    void Loop() {
        while (!FStop) {
            if (FCut) {
                FDeaf.clear();
                FMuted.clear();
                FWatched.clear();
                for (auto& [a, b] : FPairs) {
                    ::shutdown(a, SHUT_RDWR);
                    ::shutdown(b, SHUT_RDWR);
                    ::close(a);
                    ::close(b);
                }
                FPairs.clear();
                FCut = false;
            }
            if (FLose) {
                for (auto& p : FPairs) FDeaf.push_back(p.first);
                FLose = false;
            }
            if (FRefuseAt && std::chrono::steady_clock::now() >= *FRefuseAt) {
                FRefuseAt.reset();
                FMode = TMode::Refuse;
                FCut = true;
                continue;
            }
            if (FWatch) {
                for (auto& p : FPairs) FWatched.push_back(p.first);
                FWatch = false;
            }
            if (FMute) {
                for (auto& p : FPairs) FMuted.push_back(p.first);
                FMute = false;
            }
            if (FMode == TMode::Refuse) {
                std::vector<pollfd> fds{{FWake[0], POLLIN, 0}, {FListen, POLLIN, 0}};
                if (::poll(fds.data(), fds.size(), 1000) <= 0) continue;
                if (fds[0].revents) {
                    char c[64];
                    (void)!::read(FWake[0], c, sizeof c);
                    continue;  // told to pass, maybe: a connection waiting is not refused
                }
                if (fds[1].revents & POLLIN) {
                    const int client = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
                    if (client >= 0) ::close(client);
                }
                continue;
            }
            const bool pass = FMode == TMode::Pass;
            std::vector<pollfd> fds{{FWake[0], POLLIN, 0}};
            if (pass) {
                fds.push_back({FListen, POLLIN, 0});
                for (auto& [a, b] : FPairs) {
                    fds.push_back({a, POLLIN, 0});
                    fds.push_back({b, POLLIN, 0});
                }
            }
            if (::poll(fds.data(), fds.size(), FRefuseAt ? 20 : 1000) <= 0) continue;
            if (fds[0].revents) {
                char c[64];
                (void)!::read(FWake[0], c, sizeof c);
                continue;  // the mode may have changed: look again
            }
            if (!pass) continue;
            const size_t polled = FPairs.size();
            for (size_t i = 0; i < polled; ++i) {
                const pollfd& a = fds[2 + 2 * i];
                const pollfd& b = fds[3 + 2 * i];
                bool ok = true;
                const bool muted = std::find(FMuted.begin(), FMuted.end(), FPairs[i].first) != FMuted.end();
                const bool watched = std::find(FWatched.begin(), FWatched.end(), FPairs[i].first) != FWatched.end();
                bool commit = false;
                if (a.revents) ok = muted ? Drop(FPairs[i].first) : Move(FPairs[i].first, FPairs[i].second, watched ? &commit : nullptr);
                if (commit) {
                    std::erase(FWatched, FPairs[i].first);
                    FDeaf.push_back(FPairs[i].first);
                    ++FCommits;
                    // A moment later, so the server has read it.
                    if (FRefuseAfterCommit) FRefuseAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
                }
                // An answer lost is read and dropped, so the end of the server's side still shows.
                const bool deaf = std::find(FDeaf.begin(), FDeaf.end(), FPairs[i].first) != FDeaf.end();
                if (ok && b.revents) ok = deaf ? Drop(FPairs[i].second) : Move(FPairs[i].second, FPairs[i].first);
                if (!ok) {
                    // One side ended: the other is told by closing it too; but a server whose
                    // requests were being lost (a frozen link) never hears of it.
                    if (muted) FHeld.push_back(std::exchange(FPairs[i].second, -1));
                    std::erase(FDeaf, FPairs[i].first);
                    std::erase(FMuted, FPairs[i].first);
                    std::erase(FWatched, FPairs[i].first);
                    ::close(FPairs[i].first);
                    ::close(FPairs[i].second);
                    FPairs[i] = {-1, -1};
                }
            }
            std::erase_if(FPairs, [](const std::pair<int, int>& p) { return p.first < 0; });
            if (fds[1].revents & POLLIN) {
                const int client = ::accept4(FListen, nullptr, nullptr, SOCK_CLOEXEC);
                const int server = client >= 0 ? Dial() : -1;
                if (server >= 0) FPairs.emplace_back(client, server);
                else if (client >= 0) ::close(client);
            }
        }
    }

    int FTarget, FPort = 0, FListen = -1;
    int FWake[2] = {-1, -1};
    std::atomic<TMode> FMode{TMode::Pass};
    std::atomic<bool> FStop{false}, FCut{false}, FLose{false}, FMute{false}, FWatch{false}, FRefuseAfterCommit{false};
    std::atomic<int> FCommits{0};
    std::optional<std::chrono::steady_clock::time_point> FRefuseAt;
    std::vector<int> FDeaf;  // client sides whose answers are lost
    std::vector<int> FMuted;  // client sides whose requests are lost
    std::vector<int> FHeld;   // server sides kept open after their client left
    std::vector<int> FWatched;  // client sides whose next COMMIT loses its answer
    std::vector<std::pair<int, int>> FPairs;  // client, server
    std::thread FThread;
};

// The libpq connection string `server` with `port` instead of its own (given in `serverPort`),
// and without the keyword `drop`.
inline QString ThroughPort(const QString& server, int port, int* serverPort = nullptr, const char* drop = "") {
    QString out;
    PQconninfoOption* options = PQconninfoParse(server.toUtf8().constData(), nullptr);
    for (PQconninfoOption* o = options; o && o->keyword; ++o) {
        if (!o->val || std::strcmp(o->keyword, drop) == 0) continue;
        QString value = QString::fromUtf8(o->val);
        if (std::strcmp(o->keyword, "port") == 0) {
            if (serverPort) *serverPort = value.toInt();
            value = QString::number(port);
        }
        value.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
        out += QStringLiteral("%1='%2' ").arg(QString::fromLatin1(o->keyword), value);
    }
    PQconninfoFree(options);
    return out.trimmed();
}

}  // namespace testsupport
