#pragma once
// Interleaved timing of a layer against the raw work it wraps: each benchmark iteration runs one
// round of each side, alternating which goes first, and reports the medians and their ratios.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <QtGlobal>
#include <functional>
#include <time.h>
#include <vector>

namespace zbbench {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Elapsed time and the processor time of this thread: on a machine others load, the second
// shows the work done when the first shows mostly the waiting for a processor.
struct Span {
    double Wall = 0, Cpu = 0;
    Span& operator+=(const Span& o) {
        Wall += o.Wall;
        Cpu += o.Cpu;
        return *this;
    }
};

double ThreadCpu() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) * 1e-9;
}

Span Seconds(const std::function<void()>& work) {
    const auto t0 = Clock::now();
    const double c0 = ThreadCpu();
    work();
    return {std::chrono::duration<double>(Clock::now() - t0).count(), ThreadCpu() - c0};
}

// The medians of each side per operation (microseconds) and their ratios, elapsed ("ratio")
// and processor time ("cpu_ratio").
void Report(benchmark::State& state, int opsPerRound, const std::vector<Span>& l, const std::vector<Span>& r) {
    auto median = [](const std::vector<Span>& v, bool cpu) {
        std::vector<double> x;
        for (const Span& s : v) x.push_back(cpu ? s.Cpu : s.Wall);
        return Median(x);
    };
    const double ml = median(l, false), mr = median(r, false), cl = median(l, true), cr = median(r, true);
    state.counters["layer_us"] = ml * 1e6 / opsPerRound;
    state.counters["raw_us"] = mr * 1e6 / opsPerRound;
    state.counters["ratio"] = mr > 0 ? ml / mr : 0;
    state.counters["cpu_ratio"] = cr > 0 ? cl / cr : 0;
    state.counters["layer_cpu_us"] = cl * 1e6 / opsPerRound;
    state.counters["raw_cpu_us"] = cr * 1e6 / opsPerRound;
    // The spread: the quartiles of the rounds' own ratios.
    std::vector<double> ratios;
    for (size_t i = 0; i < l.size() && i < r.size(); ++i)
        if (r[i].Wall > 0) ratios.push_back(l[i].Wall / r[i].Wall);
    std::sort(ratios.begin(), ratios.end());
    if (!ratios.empty()) {
        state.counters["ratio_p25"] = ratios[(ratios.size() - 1) / 4];
        state.counters["ratio_p75"] = ratios[(ratios.size() - 1) * 3 / 4];
    }
}

// Round trips to a server, counted by each side: reported per operation when given.
struct Trips {
    std::function<qint64()> Layer, Raw;
};

// Runs one round of each side per iteration, alternating which goes first.
void Interleave(benchmark::State& state, int opsPerRound, const std::function<void()>& layer,
                const std::function<void()>& raw, const Trips& trips = {}) {
    std::vector<Span> l, r;
    qint64 tl = 0, tr = 0;
    auto counted = [](const std::function<qint64()>& count, const std::function<void()>& work, qint64& total) {
        const qint64 before = count ? count() : 0;
        const Span s = Seconds(work);
        if (count) total += count() - before;
        return s;
    };
    bool layerFirst = true;
    for (auto _ : state) {
        if (layerFirst) {
            l.push_back(counted(trips.Layer, layer, tl));
            r.push_back(counted(trips.Raw, raw, tr));
        } else {
            r.push_back(counted(trips.Raw, raw, tr));
            l.push_back(counted(trips.Layer, layer, tl));
        }
        layerFirst = !layerFirst;
    }
    Report(state, opsPerRound, l, r);
    const double ops = double(opsPerRound) * double(l.size());
    if (trips.Layer && ops > 0) state.counters["trips_layer"] = double(tl) / ops;
    if (trips.Raw && ops > 0) state.counters["trips_raw"] = double(tr) / ops;
}

}  // namespace zbbench
