// The debugger windows while the system runs: emulated MHz of a program that writes memory in a
// loop, once with the CPU window and a memory window over the whole address space open and once
// with no window but the main window, in alternating turns within one run. And how long such a
// memory window takes to open.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>
#include <initializer_list>
#include <memory>

#include "machine/machine.h"
#include "ui/debugger/debugger_windows.h"
#include "ui/debugger/memory_window.h"
#include "ui/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;
using tarvok::Address;
using tarvok::Byte;
using tarvok::Machine;
using tarvok::MainWindow;

constexpr auto kTurn = std::chrono::milliseconds(100);

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
    auto window = std::make_unique<MainWindow>(
        std::make_unique<Machine>(tarvok::MachineOptions{"6809.rom", true}));
    Machine& machine = window->Board();
    Address address = 0x0400;
    for (const Byte byte : kWritingLoop)
        machine.Decoder().Write(address++, byte);
    machine.Cpu().SetPC(0x0400);
    window->show();
    return window;
}

// Runs `window`'s system for one turn of the event loop; adds its cycles and seconds.
void RunTurn(QEventLoop& loop, MainWindow& window, double& cycles, double& seconds) {
    Machine& machine = window.Board();
    const std::uint64_t before = machine.TotalCycles();
    const Clock::time_point start = Clock::now();
    machine.SetSystemRunning(true);
    QTimer::singleShot(kTurn, &loop, &QEventLoop::quit);
    loop.exec();
    machine.SetSystemRunning(false);
    cycles += static_cast<double>(machine.TotalCycles() - before);
    seconds += std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_DebuggerWindowsAgainstNone(benchmark::State& state) {
    const auto plain = NewWindow();
    const auto watched = NewWindow();
    watched->Commands().cpuWindow->trigger();
    watched->Debugger().ShowMemoryWindow(tarvok::kMemoryWindowRanges[0]);
    QCoreApplication::processEvents();

    double plainCycles = 0, plainSeconds = 0, watchedCycles = 0, watchedSeconds = 0;
    QEventLoop loop;
    for (auto _ : state) {
        RunTurn(loop, *plain, plainCycles, plainSeconds);
        RunTurn(loop, *watched, watchedCycles, watchedSeconds);
    }
    const double plainMHz = plainCycles / plainSeconds / 1e6;
    const double watchedMHz = watchedCycles / watchedSeconds / 1e6;
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
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
