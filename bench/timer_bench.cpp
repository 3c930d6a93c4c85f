#include <benchmark/benchmark.h>

#include <cstdint>

#include "core/types.h"
#include "devices/mc6840.h"

namespace {

using tarvok::Byte;
using tarvok::Mc6840;

// Timer 1 continuous in 16 bits on the processor clock, output enabled, start-up already spent.
void StartTimer1(Mc6840& ptm, std::uint16_t latch) {
    ptm.Reset();
    ptm.SetMsbBuffer(static_cast<Byte>(latch >> 8));
    ptm.Write(0xF01B, static_cast<Byte>(latch));
    ptm.SetControlRegister(1, 0x82);
    ptm.Run(1);
    ptm.Run(2);
}

// Steps of 4 cycles, about one short processor instruction each.
void RunTimer1(benchmark::State& state) {
    Mc6840 ptm;
    StartTimer1(ptm, static_cast<std::uint16_t>(state.range(0)));
    std::int64_t cycles = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ptm.Run(4));
        cycles += 4;
    }
    state.counters["MHz"] =
        benchmark::Counter(static_cast<double>(cycles) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(RunTimer1)->Arg(0xFFFF)->Arg(0x00FF)->Arg(0x0003);

// All three timers running, timer 3 prescaled, in dual 8-bit counting.
void RunThreeTimers(benchmark::State& state) {
    Mc6840 ptm;
    ptm.Reset();
    for (unsigned offset = 2; offset <= 6; offset += 2) {
        ptm.SetMsbBuffer(0x10);
        ptm.Write(static_cast<tarvok::Address>(0xF018 + offset + 1), 0x20);
    }
    ptm.SetControlRegister(3, 0x87);
    ptm.SetControlRegister(2, 0x86);
    ptm.SetControlRegister(1, 0x86);
    ptm.Run(1);
    ptm.Run(2);
    std::int64_t cycles = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ptm.Run(4));
        cycles += 4;
    }
    state.counters["MHz"] =
        benchmark::Counter(static_cast<double>(cycles) / 1e6, benchmark::Counter::kIsRate);
}
BENCHMARK(RunThreeTimers);

}  // namespace

BENCHMARK_MAIN();
