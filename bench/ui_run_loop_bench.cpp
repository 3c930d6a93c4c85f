// The run loop inside the Qt event loop with the main window shown (offscreen): emulated MHz
// against the headless machine, measured in turns within one run, and how long a click on the
// stop button takes to stop a system that runs flat out.
#include <benchmark/benchmark.h>

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <initializer_list>
#include <memory>
#include <random>
#include <thread>

#include "machine/machine.h"
#include "mixed_program.h"
#include "qt_benchmarks.h"
#include "ui/main_window.h"

namespace {

using Clock = std::chrono::steady_clock;
using tarvok::Address;
using tarvok::Byte;
using tarvok::Machine;
using tarvok::MainWindow;

constexpr auto kTurn = std::chrono::milliseconds(100);

std::unique_ptr<Machine> NewMachine() {
    return std::make_unique<Machine>(tarvok::MachineOptions{"6809.rom", true});
}

void LoadMixedProgram(Machine& machine) {
    const auto load = [&machine](Address address, std::initializer_list<Byte> bytes) {
        for (const Byte byte : bytes)
            machine.Decoder().Write(address++, byte);
    };
    load(tarvok::bench::kMixedProgramStart, tarvok::bench::kMixedProgram);
    load(tarvok::bench::kMixedSubroutineStart, tarvok::bench::kMixedSubroutine);
    machine.Cpu().SetPC(tarvok::bench::kMixedProgramStart);
}

// The program the user sees most: the monitor after reset, scanning keys and refreshing the
// display. Otherwise the mixed program.
enum class Workload { Monitor, MixedProgram };

void Prepare(Machine& machine, Workload workload) {
    if (workload == Workload::MixedProgram) LoadMixedProgram(machine);
}

double Seconds(Clock::duration duration) {
    return std::chrono::duration<double>(duration).count();
}

// Each iteration runs the headless machine for one turn (bursts as the run loop makes them),
// then the window's event loop for one turn; the counters give both rates and their ratio.
void BM_WindowAgainstHeadless(benchmark::State& state, Workload workload) {
    auto headless = NewMachine();
    Prepare(*headless, workload);
    headless->SetSystemRunning(true);

    auto board = NewMachine();
    Prepare(*board, workload);
    MainWindow window(std::move(board));
    window.show();
    QCoreApplication::processEvents();
    Machine& machine = window.Board();
    machine.SetSystemRunning(true);

    double headlessCycles = 0, headlessSeconds = 0, windowCycles = 0, windowSeconds = 0;
    QEventLoop loop;
    for (auto _ : state) {
        std::uint64_t cycles = headless->TotalCycles();
        Clock::time_point start = Clock::now();
        Clock::time_point now = start;
        do {
            for (int i = 0; i < 8; ++i)
                headless->Burst();
            now = Clock::now();
        } while (now - start < kTurn);
        headlessCycles += static_cast<double>(headless->TotalCycles() - cycles);
        headlessSeconds += Seconds(now - start);

        cycles = machine.TotalCycles();
        start = Clock::now();
        QTimer::singleShot(kTurn, &loop, &QEventLoop::quit);
        loop.exec();
        windowCycles += static_cast<double>(machine.TotalCycles() - cycles);
        windowSeconds += Seconds(Clock::now() - start);
    }
    if (!machine.SystemRunning()) state.SkipWithError("the window's system stopped");
    const double headlessMHz = headlessCycles / headlessSeconds / 1e6;
    const double windowMHz = windowCycles / windowSeconds / 1e6;
    state.counters["headless_MHz"] = headlessMHz;
    state.counters["window_MHz"] = windowMHz;
    state.counters["window_share"] = windowMHz / headlessMHz;
}
BENCHMARK_CAPTURE(BM_WindowAgainstHeadless, Monitor, Workload::Monitor)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);
BENCHMARK_CAPTURE(BM_WindowAgainstHeadless, MixedProgram, Workload::MixedProgram)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

// Stops the system when it changes to stopped, noting the moment.
class StopWatch : public tarvok::MachineListener {
public:
    explicit StopWatch(QEventLoop& loop) : loop_(loop) {}
    void SystemRunningChanged(bool running) override {
        if (running) return;
        stoppedAt = Clock::now();
        loop_.quit();
    }
    Clock::time_point stoppedAt;

private:
    QEventLoop& loop_;
};

// A click arrives at a random moment while the mixed program runs flat out: from another thread,
// as input does, it posts a click on the stop button. The time until the system has stopped is
// the iteration's time; the counters give the mean and the worst in milliseconds.
void BM_StopClickLatency(benchmark::State& state) {
    auto board = NewMachine();
    LoadMixedProgram(*board);
    MainWindow window(std::move(board));
    window.show();
    QCoreApplication::processEvents();
    Machine& machine = window.Board();
    QAbstractButton* stop = nullptr;
    for (QToolBar* bar : window.findChildren<QToolBar*>()) {
        if (QWidget* widget = bar->widgetForAction(
                window.Commands().speedButtons[tarvok::MainCommands::kStopButton])) {
            stop = qobject_cast<QAbstractButton*>(widget);
        }
    }
    if (stop == nullptr) {
        state.SkipWithError("no stop button");
        return;
    }
    QEventLoop loop;
    StopWatch watch(loop);
    machine.AddListener(&watch);
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> delayMs(30, 90);
    double worst = 0, total = 0;
    std::uint64_t clicks = 0;
    for (auto _ : state) {
        machine.SetSystemRunning(true);
        std::atomic<std::int64_t> clickedAt{0};
        const int delay = delayMs(random);
        std::thread input([&clickedAt, stop, delay] {
            std::this_thread::sleep_for(std::chrono::milliseconds(delay));
            clickedAt = Clock::now().time_since_epoch().count();
            QMetaObject::invokeMethod(stop, "click", Qt::QueuedConnection);
        });
        loop.exec();
        input.join();
        const double latency =
            Seconds(watch.stoppedAt - Clock::time_point(Clock::duration(clickedAt.load())));
        state.SetIterationTime(latency);
        worst = std::max(worst, latency);
        total += latency;
        ++clicks;
    }
    machine.RemoveListener(&watch);
    state.counters["mean_ms"] = total / static_cast<double>(clicks) * 1e3;
    state.counters["worst_ms"] = worst * 1e3;
}
BENCHMARK(BM_StopClickLatency)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace

int main(int argc, char** argv) {
    return tarvok::bench::RunQtBenchmarks(argc, argv);
}
