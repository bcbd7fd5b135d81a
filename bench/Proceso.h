#pragma once
// Programs started by the benchmarks as fresh processes: timed to their end, or kept running
// until they report their window drawn and then measured from outside.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace zbbench {

inline std::vector<char*> Argumentos(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    return argv;
}

// Seconds from launching `argv` to its end; its output goes nowhere. A program still running
// after two minutes is stopped and the benchmark fails.
inline double Lanza(const std::vector<std::string>& args) {
    std::vector<char*> argv = Argumentos(args);
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_addopen(&acciones, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&acciones, 2, "/dev/null", O_WRONLY, 0);
    const auto t0 = std::chrono::steady_clock::now();
    pid_t pid = 0;
    int estado = -1;
    if (posix_spawn(&pid, argv[0], &acciones, nullptr, argv.data(), environ) == 0) {
        while (waitpid(pid, &estado, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() - t0 > std::chrono::minutes(2)) {
                kill(pid, SIGKILL);
                waitpid(pid, &estado, 0);
                break;
            }
            usleep(200);
        }
    }
    const auto t1 = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&acciones);
    if (!WIFEXITED(estado) || WEXITSTATUS(estado) != 0) throw std::runtime_error("falló " + args[0]);
    return std::chrono::duration<double>(t1 - t0).count();
}

// The resident memory (VmRSS, kB) of a program `espera` after it writes `marca` on its output,
// the program then stopped. The program must write the line within two minutes.
inline long MemoriaTrasMarca(const std::vector<std::string>& args, const std::string& marca,
                             std::chrono::milliseconds espera) {
    std::vector<char*> argv = Argumentos(args);
    int tubo[2];
    if (pipe(tubo) != 0) throw std::runtime_error("sin tubería");
    posix_spawn_file_actions_t acciones;
    posix_spawn_file_actions_init(&acciones);
    posix_spawn_file_actions_adddup2(&acciones, tubo[1], 1);
    posix_spawn_file_actions_addclose(&acciones, tubo[0]);
    posix_spawn_file_actions_addopen(&acciones, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const bool lanzado = posix_spawn(&pid, argv[0], &acciones, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&acciones);
    close(tubo[1]);
    std::string salida;
    bool vista = false;
    const auto t0 = std::chrono::steady_clock::now();
    while (lanzado && !vista && std::chrono::steady_clock::now() - t0 < std::chrono::minutes(2)) {
        pollfd p{tubo[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[512];
        const ssize_t n = read(tubo[0], buf, sizeof buf);
        if (n <= 0) break;
        salida.append(buf, size_t(n));
        vista = salida.find(marca) != std::string::npos;
    }
    long kb = 0;
    if (vista) {
        std::this_thread::sleep_for(espera);
        if (FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r")) {
            char linea[256];
            while (std::fgets(linea, sizeof linea, f))
                if (std::sscanf(linea, "VmRSS: %ld", &kb) == 1) break;
            std::fclose(f);
        }
    }
    if (lanzado) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    close(tubo[0]);
    if (kb <= 0) throw std::runtime_error("sin memoria de " + args[0]);
    return kb;
}

}  // namespace zbbench
