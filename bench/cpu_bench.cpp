#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>

#include "comparison_program.h"
#include "core/address_decoder.h"
#include "core/memory_devices.h"
#include "core/output_sink.h"
#include "cpu/mc6809.h"
#include "mixed_program.h"

namespace {

using tarvok::Address;
using tarvok::Byte;

// The processor alone over flat memory: RAM at $0000 and a second RAM at $E000 for the vectors.
struct ProcessorRig {
    ProcessorRig() {
        decoder.SetOutput(&messages);
        decoder.SetBeepOnMessage(false);
        ram.SetDecoder(&decoder);
        ram.Install();
        top.SetBaseAddress(0xE000);
        top.SetDecoder(&decoder);
        top.Install();
        cpu.SetDecoder(&decoder);
        cpu.Install();
    }
    void Load(Address address, std::initializer_list<Byte> bytes) {
        for (Byte b : bytes)
            decoder.Write(address++, b);
    }
    tarvok::AddressDecoder decoder;
    tarvok::MessageLines messages;
    tarvok::Ram ram;
    tarvok::Ram top;
    tarvok::Mc6809 cpu;
};

void LoadMixedProgram(ProcessorRig& rig) {
    rig.Load(tarvok::bench::kMixedProgramStart, tarvok::bench::kMixedProgram);
    rig.Load(tarvok::bench::kMixedSubroutineStart, tarvok::bench::kMixedSubroutine);
    rig.cpu.SetPC(tarvok::bench::kMixedProgramStart);
}

void LoadComparisonProgram(ProcessorRig& rig) {
    rig.Load(tarvok::bench::kComparisonProgramStart, tarvok::bench::kComparisonProgram);
    rig.cpu.SetS(tarvok::bench::kComparisonProgramStack);
    rig.cpu.SetPC(tarvok::bench::kComparisonProgramStart);
}

constexpr std::uint64_t kCyclesPerIteration = 4000;

// Runs about kCyclesPerIteration cycles through the processor's own run loop where it has one,
// else step by step (so that an earlier tree can build these benchmarks for comparison).
template <typename Cpu>
std::uint64_t RunBurst(Cpu& cpu) {
    if constexpr (requires { cpu.RunFor(kCyclesPerIteration); }) {
        return cpu.RunFor(kCyclesPerIteration).cycles;
    } else {
        std::uint64_t cycles = 0;
        while (cycles < kCyclesPerIteration)
            cycles += cpu.Run(0);
        return cycles;
    }
}

std::uint64_t RunSteps(tarvok::Mc6809& cpu) {
    std::uint64_t cycles = 0;
    while (cycles < kCyclesPerIteration)
        cycles += cpu.Run(0);
    return cycles;
}

template <void (*kLoad)(ProcessorRig&), std::uint64_t (*kRun)(tarvok::Mc6809&)>
void BM_Processor(benchmark::State& state) {
    ProcessorRig rig;
    kLoad(rig);
    std::uint64_t cycles = 0;
    for (auto _ : state)
        cycles += kRun(rig.cpu);
    benchmark::DoNotOptimize(cycles);
    // A slip in the program would show as processor error messages and void the figure.
    if (rig.messages.LineCount() != 0) state.SkipWithError("program produced error messages");
    state.counters["MHz"] =
        benchmark::Counter(static_cast<double>(cycles) / 1e6, benchmark::Counter::kIsRate);
}

// The processor's run loop, as a machine without per-step device work drives it.
BENCHMARK(BM_Processor<LoadMixedProgram, RunBurst>)->Name("BM_ProcessorMixedProgram");
BENCHMARK(BM_Processor<LoadComparisonProgram, RunBurst>)->Name("BM_ProcessorComparisonProgram");
// One instruction per call, as the machine steps it beside its devices.
BENCHMARK(BM_Processor<LoadMixedProgram, RunSteps>)->Name("BM_ProcessorMixedProgramStepwise");
BENCHMARK(BM_Processor<LoadComparisonProgram, RunSteps>)
    ->Name("BM_ProcessorComparisonProgramStepwise");

}  // namespace

BENCHMARK_MAIN();
