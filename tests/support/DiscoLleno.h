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

}  // namespace zbtest
