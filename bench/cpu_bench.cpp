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
        Address address = tarvok::bench::kMixedProgramStart;
        for (Byte b : tarvok::bench::kMixedProgram)
            decoder.Write(address++, b);
        address = tarvok::bench::kMixedSubroutineStart;
        for (Byte b : tarvok::bench::kMixedSubroutine)
            decoder.Write(address++, b);
        decoder.Write(0xFFFE, 0x04);
        decoder.Write(0xFFFF, 0x00);
        cpu.SetDecoder(&decoder);
        cpu.Install();
    }
    tarvok::AddressDecoder decoder;
    tarvok::MessageLines messages;
    tarvok::Ram ram;
    tarvok::Ram top;
    tarvok::Mc6809 cpu;
};

void BM_ProcessorMixedProgram(benchmark::State& state) {
    ProcessorRig machine;
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
