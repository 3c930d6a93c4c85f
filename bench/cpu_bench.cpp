#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>

#include "core/address_decoder.h"
#include "core/memory_devices.h"
#include "core/output_sink.h"
#include "cpu/mc6809.h"
#include "mixed_program.h"

namespace {

using tarvok::Address;
using tarvok::Byte;

struct Machine {
    Machine() {
        decoder.SetOutputMemo(&messages);
        decoder.SetBeepOnMessage(false);
        ram.SetAddressDecoder(&decoder);
        ram.Loaded();
        top.SetBaseAddress(0xE000);
        top.SetAddressDecoder(&decoder);
        top.Loaded();
        Address address = tarvok::bench::kMixedProgramStart;
        for (Byte b : tarvok::bench::kMixedProgram)
            decoder.SetValue(address++, b);
        address = tarvok::bench::kMixedSubroutineStart;
        for (Byte b : tarvok::bench::kMixedSubroutine)
            decoder.SetValue(address++, b);
        decoder.SetValue(0xFFFE, 0x04);
        decoder.SetValue(0xFFFF, 0x00);
        cpu.SetAddressDecoder(&decoder);
        cpu.Loaded();
    }
    tarvok::TAddressDecoder decoder;
    tarvok::TMessageLines messages;
    tarvok::TRamModule ram;
    tarvok::TRamModule top;
    tarvok::TMC6809Module cpu;
};

void BM_ProcessorMixedProgram(benchmark::State& state) {
    Machine machine;
    std::uint64_t cycles = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i)
            cycles += machine.cpu.Run(0);
    }
    benchmark::DoNotOptimize(cycles);
    // A slip in the program would show as processor error messages and void the figure.
    if (machine.messages.LineCount() != 0) state.SkipWithError("program produced error messages");
    state.counters["MHz"] =
        benchmark::Counter(static_cast<double>(cycles) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ProcessorMixedProgram);

}  // namespace

BENCHMARK_MAIN();
