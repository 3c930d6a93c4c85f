#pragma once

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <initializer_list>
#include <memory>

#include "machine/machine.h"
#include "ui/main_window.h"

namespace tarvok::bench {

// A main window, shown (offscreen), on the built-in monitor with `program` loaded at `start` and
// the processor about to run it.
inline std::unique_ptr<MainWindow> ShownWindowWithProgram(std::initializer_list<Byte> program,
                                                          Address start) {
    auto window =
        std::make_unique<MainWindow>(std::make_unique<Machine>(MachineOptions{"6809.rom", true}));
    Machine& machine = window->Board();
    Address address = start;
    for (const Byte byte : program)
        machine.Decoder().Write(address++, byte);
    machine.Cpu().SetPC(start);
    window->show();
    return window;
}

// One turn of a benchmark that compares main windows in turns within one run.
inline constexpr auto kWindowTurn = std::chrono::milliseconds(100);

// Runs `window`'s system for one turn inside the event loop; adds its cycles and seconds.
inline void RunWindowTurn(QEventLoop& loop, MainWindow& window, double& cycles, double& seconds) {
    Machine& machine = window.Board();
    const std::uint64_t before = machine.TotalCycles();
    const auto start = std::chrono::steady_clock::now();
    machine.SetSystemRunning(true);
    QTimer::singleShot(kWindowTurn, &loop, &QEventLoop::quit);
    loop.exec();
    machine.SetSystemRunning(false);
    cycles += static_cast<double>(machine.TotalCycles() - before);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

struct TurnRates {
    double plainMHz = 0;
    double watchedMHz = 0;
};

// Runs the systems of a plain window and a watched one (other windows open) in alternating
// turns, a pair per iteration, and returns their emulated MHz.
inline TurnRates RunAlternatingTurns(benchmark::State& state, MainWindow& plain,
                                     MainWindow& watched) {
    double plainCycles = 0, plainSeconds = 0, watchedCycles = 0, watchedSeconds = 0;
    QEventLoop loop;
    for (auto _ : state) {
        RunWindowTurn(loop, plain, plainCycles, plainSeconds);
        RunWindowTurn(loop, watched, watchedCycles, watchedSeconds);
    }
    return {plainCycles / plainSeconds / 1e6, watchedCycles / watchedSeconds / 1e6};
}

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
