#pragma once
// The benchmarks' entry; those that build windows draw offscreen unless the caller chose a platform.
#include <QByteArray>
#include <QtGlobal>
#include <benchmark/benchmark.h>

namespace zbbench {

inline int Ejecuta(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace zbbench
