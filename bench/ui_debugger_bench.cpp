// The debugger windows while the system runs: emulated MHz of a program that writes memory in a
// loop, once with the CPU window and a memory window over the whole address space open and once
// with no window but the main window, in alternating turns within one run. And how long such a
// memory window takes to open.
#include <benchmark/benchmark.h>

#include <QAction>
#include <initializer_list>
#include <memory>

#include "machine/machine.h"
#include "qt_benchmarks.h"
#include "ui/debugger/debugger_windows.h"
#include "ui/debugger/memory_window.h"
#include "ui/main_window.h"

namespace {

using tarvok::Byte;
using tarvok::MainWindow;
using tarvok::bench::RunAlternatingTurns;

// Fills $0500-$05FF with A, counts A up and starts again: every store changes a byte.
constexpr std::initializer_list<Byte> kWritingLoop = {
    0x8E, 0x05, 0x00,  // $0400 LDX #$0500
    0xA7, 0x80,        // $0403 STA ,X+
    0x8C, 0x06, 0x00,  // $0405 CMPX #$0600
    0x26, 0xF9,        // $0408 BNE $0403
    0x4C,              // $040A INCA
    0x20, 0xF3,        // $040B BRA $0400
};

std::unique_ptr<MainWindow> NewWindow() {
    return tarvok::bench::ShownWindowWithProgram(kWritingLoop, 0x0400);
}

void BM_DebuggerWindowsAgainstNone(benchmark::State& state) {
    const auto plain = NewWindow();
    const auto watched = NewWindow();
    watched->Commands().cpuWindow->trigger();
    watched->Debugger().ShowMemoryWindow(tarvok::kMemoryWindowRanges[0]);
    QCoreApplication::processEvents();

    const auto [plainMHz, watchedMHz] = RunAlternatingTurns(state, *plain, *watched);
    state.counters["no_window_MHz"] = plainMHz;
    state.counters["windows_MHz"] = watchedMHz;
    state.counters["windows_share"] = watchedMHz / plainMHz;
}
BENCHMARK(BM_DebuggerWindowsAgainstNone)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// Opening a memory window over the whole address space (8192 rows) until it is painted, and
// closing it again.
void BM_OpenWholeMemoryWindow(benchmark::State& state) {
    const auto window = NewWindow();
    tarvok::DebuggerWindows& debugger = window->Debugger();
    for (auto _ : state) {
        QWidget* memory = debugger.ShowMemoryWindow(tarvok::kMemoryWindowRanges[0]);
        memory->repaint();
        memory->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}
BENCHMARK(BM_OpenWholeMemoryWindow)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tarvok::bench::RunQtBenchmarks(argc, argv);
}
