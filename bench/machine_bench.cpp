// The whole lab computer run as the run loop does: processor, PIA, timer and ACIA.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <sstream>
#include <string>

#include "comparison_program.h"
#include "machine/history.h"
#include "machine/machine.h"
#include "mixed_program.h"

namespace {

using tarvok::Address;
using tarvok::Byte;

// Timer 1 runs continuously with a period of 1000 cycles and raises NMI; the NMI handler
// acknowledges it and counts at $0500. Meanwhile the main loop keeps the ACIA sending at 19200
// baud, 8N1.
constexpr std::initializer_list<Byte> kTimerAndSerialProgram = {
    0x10, 0xCE, 0x10, 0x00,  // $0400 LDS #$1000
    0x86, 0x1F,              // $0404 LDA #$1F      19200 baud, 8 bits, 1 stop bit
    0xB7, 0xF0, 0x0B,        // $0406 STA $F00B
    0x86, 0x0B,              // $0409 LDA #$0B      DTR on, no receive interrupt
    0xB7, 0xF0, 0x0A,        // $040B STA $F00A
    0x86, 0x01,              // $040E LDA #$01      offset 0 addresses CR1
    0xB7, 0xF0, 0x19,        // $0410 STA $F019
    0xCC, 0x03, 0xE7,        // $0413 LDD #999
    0xFD, 0xF0, 0x1A,        // $0416 STD $F01A     timer 1 latches
    0x86, 0xC2,              // $0419 LDA #$C2      continuous, internal clock, IRQ and output on
    0xB7, 0xF0, 0x18,        // $041B STA $F018
    0xB6, 0xF0, 0x09,        // $041E loop: LDA $F009
    0x85, 0x10,              // $0421 BITA #$10     transmit register empty?
    0x27, 0xF9,              // $0423 BEQ loop
    0xF7, 0xF0, 0x08,        // $0425 STB $F008
    0x5C,                    // $0428 INCB
    0x20, 0xF3,              // $0429 BRA loop
};
constexpr Address kNmiHandler = 0x0440;
constexpr std::initializer_list<Byte> kNmiHandlerCode = {
    0xB6, 0xF0, 0x19,  // LDA $F019   status read marks timer 1
    0xB6, 0xF0, 0x1B,  // LDA $F01B   LSB read clears its flag
    0x7C, 0x05, 0x00,  // INC $0500
    0x3B,              // RTI
};

void Load(tarvok::Machine& machine, Address address, std::initializer_list<Byte> bytes) {
    for (const Byte byte : bytes)
        machine.Decoder().Write(address++, byte);
}

// About 3000 cycles through the machine's fastest run call (step by step where it has none).
template <typename M>
void RunSome(M& machine) {
    if constexpr (requires { machine.RunFor(std::uint64_t{3000}); }) {
        machine.RunFor(3000);
    } else {
        for (int i = 0; i < 1000; ++i)
            machine.Step();
    }
}

void RunMachine(benchmark::State& state, tarvok::Machine& machine) {
    const std::uint64_t start = machine.TotalCycles();
    for (auto _ : state)
        RunSome(machine);
    if (machine.Messages().LineCount() != 0) state.SkipWithError("the program produced messages");
    state.counters["MHz"] = benchmark::Counter(
        static_cast<double>(machine.TotalCycles() - start) / 1e6, benchmark::Counter::kIsRate);
}

void BM_MachineMixedProgramIdleDevices(benchmark::State& state) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    Load(machine, tarvok::bench::kMixedProgramStart, tarvok::bench::kMixedProgram);
    Load(machine, tarvok::bench::kMixedSubroutineStart, tarvok::bench::kMixedSubroutine);
    machine.Cpu().SetPC(tarvok::bench::kMixedProgramStart);
    RunMachine(state, machine);
}
BENCHMARK(BM_MachineMixedProgramIdleDevices);

void BM_MachineComparisonProgramIdleDevices(benchmark::State& state) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    Load(machine, tarvok::bench::kComparisonProgramStart, tarvok::bench::kComparisonProgram);
    machine.Cpu().SetS(tarvok::bench::kComparisonProgramStack);
    machine.Cpu().SetPC(tarvok::bench::kComparisonProgramStart);
    RunMachine(state, machine);
}
BENCHMARK(BM_MachineComparisonProgramIdleDevices);

void LoadTimerAndSerialProgram(tarvok::Machine& machine) {
    Load(machine, 0x0400, kTimerAndSerialProgram);
    Load(machine, kNmiHandler, kNmiHandlerCode);
    // Point the NMI vector straight at the handler in RAM.
    machine.Rom().StoreByte(0x1FFC, kNmiHandler >> 8);
    machine.Rom().StoreByte(0x1FFD, kNmiHandler & 0xFF);
    machine.Cpu().SetPC(0x0400);
}

void BM_MachineTimerNmiAndSerialTransmit(benchmark::State& state) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    LoadTimerAndSerialProgram(machine);
    RunMachine(state, machine);
    if (machine.Decoder().Read(0x0500, true) == 0) state.SkipWithError("no timer NMI taken");
}
BENCHMARK(BM_MachineTimerNmiAndSerialTransmit);

// A port A signal file of new levels every 200 to 5000 cycles, long enough for any run.
std::string LongPortSignalFile() {
    std::string text = "#Px7-Px0  Cx1 Cx2     Zeit\r\n";
    std::uint32_t seed = 1;
    char line[64];
    for (int record = 0; record < 400000; ++record) {
        seed = seed * 1103515245u + 12345u;
        char levels[9];
        for (int bit = 0; bit < 8; ++bit)
            levels[bit] = (seed >> (bit + 8)) & 1 ? '1' : '0';
        levels[8] = '\0';
        std::snprintf(line, sizeof line, "%s   -   %c%10u\r\n", levels,
                      (seed >> 20) & 1 ? '1' : '0', 200 + (seed >> 16) % 4800);
        text += line;
    }
    return text;
}

// The comparison program while timer 1 raises NMI every 1000 cycles and the NMI handler hands
// the ACIA (19200 baud, 8N1) its next character: the devices work beside a program that does
// not wait for them.
constexpr std::initializer_list<Byte> kSendingNmiHandlerCode = {
    0xB6, 0xF0, 0x19,  // LDA $F019   status read marks timer 1
    0xB6, 0xF0, 0x1B,  // LDA $F01B   LSB read clears its flag
    0x7C, 0x05, 0x00,  // INC $0500
    0xB6, 0x05, 0x00,  // LDA $0500
    0xB7, 0xF0, 0x08,  // STA $F008   next character
    0x3B,              // RTI
};

void LoadComparisonProgramWithTimerAndSerial(tarvok::Machine& machine) {
    Load(machine, tarvok::bench::kComparisonProgramStart, tarvok::bench::kComparisonProgram);
    Load(machine, kNmiHandler, kSendingNmiHandlerCode);
    machine.Rom().StoreByte(0x1FFC, kNmiHandler >> 8);
    machine.Rom().StoreByte(0x1FFD, kNmiHandler & 0xFF);
    // What the set-up code of kTimerAndSerialProgram writes.
    for (const auto& [address, value] : {std::pair<Address, Byte>{0xF00B, 0x1F},
                                         {0xF00A, 0x0B},
                                         {0xF019, 0x01},
                                         {0xF01A, 0x03},
                                         {0xF01B, 0xE7},
                                         {0xF018, 0xC2}}) {
        machine.Decoder().Write(address, value);
    }
    machine.Cpu().SetS(tarvok::bench::kComparisonProgramStack);
    machine.Cpu().SetPC(tarvok::bench::kComparisonProgramStart);
}

void BM_MachineComparisonProgramTimerNmiAndSerialTransmit(benchmark::State& state) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    LoadComparisonProgramWithTimerAndSerial(machine);
    RunMachine(state, machine);
    if (machine.Decoder().Read(0x0500, true) == 0) state.SkipWithError("no timer NMI taken");
}
BENCHMARK(BM_MachineComparisonProgramTimerNmiAndSerialTransmit);

// The comparison program with timer NMIs and serial sending, and a long port playback.
void LoadBusyMachine(tarvok::Machine& machine, benchmark::State& state) {
    LoadComparisonProgramWithTimerAndSerial(machine);
    if (!machine.Pia().StartReading(std::make_unique<std::stringbuf>(LongPortSignalFile()),
                                    "bench.pia", tarvok::kPortA)) {
        state.SkipWithError("the signal file was refused");
    }
}

void BM_MachineComparisonProgramTimerNmiSerialAndPortPlayback(benchmark::State& state) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    LoadBusyMachine(machine, state);
    RunMachine(state, machine);
    if (machine.Decoder().Read(0x0500, true) == 0) state.SkipWithError("no timer NMI taken");
    if (!machine.Pia().IsReading(tarvok::kPortA)) state.SkipWithError("the playback ended");
}
BENCHMARK(BM_MachineComparisonProgramTimerNmiSerialAndPortPlayback);

// What an open window costs: the mixed program while a snapshot is taken every 1/30 s of wall
// time and one memory-write subscriber hears every change.
class CountingMemoryListener : public tarvok::MemoryListener {
public:
    void ValueChanged(Address, Byte) override { ++changes; }
    void BreakpointChanged(Address, bool) override {}
    std::uint64_t changes = 0;
};

void BM_MachineWithSnapshotsAndMemoryListener(benchmark::State& state) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    Load(machine, tarvok::bench::kMixedProgramStart, tarvok::bench::kMixedProgram);
    Load(machine, tarvok::bench::kMixedSubroutineStart, tarvok::bench::kMixedSubroutine);
    machine.Cpu().SetPC(tarvok::bench::kMixedProgramStart);
    CountingMemoryListener listener;
    machine.Decoder().AddMemoryListener(&listener);
    tarvok::MachineSnapshot snapshot;
    constexpr auto kFrame = std::chrono::microseconds(33333);
    auto nextFrame = std::chrono::steady_clock::now();
    std::uint64_t frames = 0;
    const std::uint64_t start = machine.TotalCycles();
    for (auto _ : state) {
        RunSome(machine);
        if (std::chrono::steady_clock::now() >= nextFrame) {
            machine.TakeSnapshot(snapshot);
            nextFrame += kFrame;
            ++frames;
        }
    }
    machine.Decoder().RemoveMemoryListener(&listener);
    if (listener.changes == 0) state.SkipWithError("the listener heard nothing");
    state.counters["MHz"] = benchmark::Counter(
        static_cast<double>(machine.TotalCycles() - start) / 1e6, benchmark::Counter::kIsRate);
    state.counters["frames"] = static_cast<double>(frames);
}
BENCHMARK(BM_MachineWithSnapshotsAndMemoryListener);

// The run loop's way flat out, bursts of 100 steps, with the step-back history off (0) and on (1):
// what keeping the history costs. The mixed program leaves the devices idle (the history's work
// per burst weighs most there); the comparison program has the timer NMIs, the serial sending and
// a port playback going.
void RunBursts(benchmark::State& state, tarvok::Machine& machine) {
    tarvok::StepBackHistory history(machine);
    if (state.range(0) != 0) history.Attach();
    machine.SetSystemRunning(true);
    const std::uint64_t start = machine.TotalCycles();
    for (auto _ : state) {
        for (int burst = 0; burst < 10; ++burst)
            machine.Burst();
    }
    if (machine.Messages().LineCount() != 0) state.SkipWithError("the program produced messages");
    state.counters["MHz"] = benchmark::Counter(
        static_cast<double>(machine.TotalCycles() - start) / 1e6, benchmark::Counter::kIsRate);
    if (history.Attached()) {
        state.counters["history_KiB"] = static_cast<double>(history.MemoryUsage()) / 1024;
        state.counters["reach_Mcycles"] =
            static_cast<double>(machine.TotalCycles() - history.FirstCycle()) / 1e6;
    }
}

void BM_BurstsMixedProgramHistory(benchmark::State& state) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    Load(machine, tarvok::bench::kMixedProgramStart, tarvok::bench::kMixedProgram);
    Load(machine, tarvok::bench::kMixedSubroutineStart, tarvok::bench::kMixedSubroutine);
    machine.Cpu().SetPC(tarvok::bench::kMixedProgramStart);
    RunBursts(state, machine);
}
BENCHMARK(BM_BurstsMixedProgramHistory)->ArgName("history")->Arg(0)->Arg(1);

void BM_BurstsComparisonProgramDevicesBusyHistory(benchmark::State& state) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    LoadBusyMachine(machine, state);
    RunBursts(state, machine);
    if (!machine.Pia().IsReading(tarvok::kPortA)) state.SkipWithError("the playback ended");
}
BENCHMARK(BM_BurstsComparisonProgramDevicesBusyHistory)->ArgName("history")->Arg(0)->Arg(1);

// What one "Schritt zurück" costs on the busy machine: the nearest checkpoint lies about the
// argument's cycles back (at most the checkpoint interval), re-executed step by step. The step
// forwards again runs outside the timing.
void BM_StepBackBusyMachine(benchmark::State& state) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    LoadBusyMachine(machine, state);
    tarvok::StepBackHistory history(machine);
    history.Attach();
    machine.RunFor(1'000'000);
    // Just past a checkpoint, then the asked distance on.
    machine.RunFor(100'000 - (machine.TotalCycles() - 1'000'000) % 100'000);
    machine.RunFor(static_cast<std::uint64_t>(state.range(0)));
    const std::uint64_t steps = machine.TotalSteps();
    for (auto _ : state) {
        if (!history.StepBack()) state.SkipWithError("refused");
        state.PauseTiming();
        machine.RunSteps(1);
        state.ResumeTiming();
    }
    if (machine.TotalSteps() != steps) state.SkipWithError("not back where it started");
}
BENCHMARK(BM_StepBackBusyMachine)
    ->Arg(1'000)
    ->Arg(50'000)
    ->Arg(99'000)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
