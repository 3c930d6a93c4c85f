#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>

namespace tarvok::bench {

// The main program of a benchmark of the windows: the benchmarks run inside a QApplication on
// the offscreen platform, unless QT_QPA_PLATFORM names another.
inline int RunQtBenchmarks(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace tarvok::bench
