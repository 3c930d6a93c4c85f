// The speed ladder in the window's run loop: how long one second of simulated time (1 000 000
// cycles of the board's 1 MHz clock) takes on the wall clock at 1x, and 1 000 000 cycles at 10x
// (a tenth of a second).
// The counter wall_per_simulated is wall time over simulated time (1.0 is exact pacing) and
// error_percent its distance from 1.0.
#include <benchmark/benchmark.h>

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>

#include "mixed_program.h"
#include "qt_benchmarks.h"
#include "ui/main_window.h"
#include "ui/run_loop.h"

namespace {

using Clock = std::chrono::steady_clock;

void BM_PacedSecond(benchmark::State& state) {
    const auto factor = static_cast<unsigned>(state.range(0));
    // The mixed program: arithmetic, memory and calls, as a student's program runs.
    auto window = tarvok::bench::ShownWindowWithProgram(tarvok::bench::kMixedProgram,
                                                        tarvok::bench::kMixedProgramStart);
    tarvok::Machine& machine = window->Board();
    tarvok::Address address = tarvok::bench::kMixedSubroutineStart;
    for (const tarvok::Byte byte : tarvok::bench::kMixedSubroutine)
        machine.Decoder().Write(address++, byte);
    window->Runner().SetSpeedFactor(factor);
    // The cycles of one second of wall time at this factor, and of simulated time at 1x.
    const std::uint64_t goal = 1'000'000;

    QEventLoop loop;
    QTimer poll;  // every millisecond: the end is seen that late at most
    poll.setInterval(1);
    poll.setTimerType(Qt::PreciseTimer);
    std::uint64_t start = 0;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (machine.TotalCycles() - start >= goal) loop.quit();
    });
    double ratioSum = 0;
    double worstError = 0;
    int runs = 0;
    for (auto _ : state) {
        start = machine.TotalCycles();
        const auto begin = Clock::now();
        machine.SetSystemRunning(true);
        poll.start();
        loop.exec();
        poll.stop();
        const double wall = std::chrono::duration<double>(Clock::now() - begin).count();
        machine.SetSystemRunning(false);
        // What the cycles that ran should have taken at this factor.
        const double due = static_cast<double>(machine.TotalCycles() - start) / 1e6 / factor;
        const double ratio = wall / due;
        state.SetIterationTime(wall);
        ratioSum += ratio;
        worstError = std::max(worstError, std::abs(ratio - 1.0) * 100);
        ++runs;
    }
    state.counters["wall_per_simulated"] = ratioSum / runs;
    state.counters["error_percent"] = std::abs(ratioSum / runs - 1.0) * 100;
    state.counters["worst_error_percent"] = worstError;
}
BENCHMARK(BM_PacedSecond)
    ->Arg(1)
    ->Arg(10)
    ->ArgName("factor")
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    return tarvok::bench::RunQtBenchmarks(argc, argv);
}
