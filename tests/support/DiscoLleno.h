#pragma once
// Runs an action while no file may grow past a few bytes: every write beyond them fails as it
// does on a full disk.
#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace zbtest {

inline void ConDiscoLleno(rlim_t bytes, const std::function<void()>& accion) {
    rlimit viejo{};
    getrlimit(RLIMIT_FSIZE, &viejo);
    const auto senal = std::signal(SIGXFSZ, SIG_IGN);
    rlimit corto = viejo;
    corto.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &corto);
    auto restaura = [&] {
        setrlimit(RLIMIT_FSIZE, &viejo);
        std::signal(SIGXFSZ, senal);
    };
    try {
        accion();
    } catch (...) {
        restaura();
        throw;
    }
    restaura();
}

// The same for as long as it lives, or until Libera(): for a disk that fills while a dialog is
// up and is freed before the user tries again.
class TDiscoLleno {
public:
    explicit TDiscoLleno(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &FViejo);
        FSenal = std::signal(SIGXFSZ, SIG_IGN);
        rlimit corto = FViejo;
        corto.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &corto);
    }
    ~TDiscoLleno() { Libera(); }
    TDiscoLleno(const TDiscoLleno&) = delete;
    TDiscoLleno& operator=(const TDiscoLleno&) = delete;
    void Libera() {
        if (FLibre) return;
        FLibre = true;
        setrlimit(RLIMIT_FSIZE, &FViejo);
        std::signal(SIGXFSZ, FSenal);
    }

private:
    rlimit FViejo{};
    void (*FSenal)(int) = nullptr;
    bool FLibre = false;
};

}  // namespace zbtest
