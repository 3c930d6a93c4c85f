#include <benchmark/benchmark.h>

#include <cstdint>
#include <initializer_list>

#include "core/address_decoder.h"
#include "core/memory_devices.h"
#include "core/output_sink.h"
#include "cpu/mc6809.h"

namespace {

using tarvok::Address;
using tarvok::Byte;

// Copies 16-bit words with an add, calls a subroutine per word and loops forever: loops, 16-bit
// arithmetic, indexed loads and stores, calls and returns.
constexpr std::initializer_list<Byte> kMixedProgram = {
    0x10, 0xCE, 0x10, 0x00,  // $0400 LDS #$1000
    0x8E, 0x08, 0x00,        // $0404 outer: LDX #$0800
    0x10, 0x8E, 0x09, 0x00,  // $0407 LDY #$0900
    0xCE, 0x00, 0x40,        // $040B LDU #64
    0xEC, 0x81,              // $040E inner: LDD ,X++
    0xC3, 0x12, 0x34,        // $0410 ADDD #$1234
    0xED, 0xA1,              // $0413 STD ,Y++
    0xBD, 0x04, 0x30,        // $0415 JSR sub
    0x33, 0x5F,              // $0418 LEAU -1,U
    0x11, 0x83, 0x00, 0x00,  // $041A CMPU #0
    0x26, 0xEE,              // $041E BNE inner
    0x20, 0xE2,              // $0420 BRA outer
};
constexpr std::initializer_list<Byte> kSubroutine = {
    0xA6, 0x1F,  // $0430 sub: LDA -1,X
    0x4C,        // INCA
    0xA7, 0x3F,  // STA -1,Y
    0x39,        // RTS
};

struct Machine {
    Machine() {
        decoder.SetOutputMemo(&messages);
        decoder.SetBeepOnMessage(false);
        ram.SetAddressDecoder(&decoder);
        ram.Loaded();
        top.SetBaseAddress(0xE000);
        top.SetAddressDecoder(&decoder);
        top.Loaded();
        Address address = 0x0400;
        for (Byte b : kMixedProgram)
            decoder.SetValue(address++, b);
        address = 0x0430;
        for (Byte b : kSubroutine)
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
