// libFuzzer target: the whole machine running whatever the input puts in RAM.
//
// The input is the register image (D, X, Y, U, S, PC as 16-bit values, DP and CC; missing bytes
// read 0) followed by the RAM image from $0000 (at most 8 KB). The machine runs for a fixed
// number of cycles from there. Besides the sanitizers' findings: every step takes cycles, the run
// ends when its cycles are spent, the output field keeps its cap, and a snapshot can be taken.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "machine/machine.h"

namespace {

constexpr std::uint64_t kCycles = 30000;
constexpr std::size_t kRegisterBytes = 14;

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_machine: check failed: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvok::Machine machine(tarvok::MachineOptions{"6809.rom", true});
    tarvok::AddressDecoder& bus = machine.Decoder();
    bus.SetBeepOnMessage(false);
    const auto byte = [&](std::size_t i) -> tarvok::Byte { return i < size ? data[i] : 0; };
    const auto word = [&](std::size_t i) {
        return static_cast<std::uint16_t>(byte(i) << 8 | byte(i + 1));
    };
    for (std::size_t i = kRegisterBytes; i < size && i - kRegisterBytes < 0x2000; ++i)
        bus.Write(static_cast<tarvok::Address>(i - kRegisterBytes), data[i]);
    tarvok::Mc6809& cpu = machine.Cpu();
    cpu.SetD(word(0));
    cpu.SetX(word(2));
    cpu.SetY(word(4));
    cpu.SetU(word(6));
    cpu.SetS(word(8));
    cpu.SetPC(word(10));
    cpu.SetDP(byte(12));
    cpu.SetCC(byte(13));

    while (machine.TotalCycles() < kCycles) {
        const std::uint64_t before = machine.TotalCycles();
        machine.Step();
        Check(machine.TotalCycles() > before, "every step takes cycles");
    }
    Check(machine.TotalSteps() <= kCycles, "no more steps than cycles");
    Check(machine.Messages().LineCount() <= bus.MaxOutputLines(), "the output field keeps its cap");
    tarvok::MachineSnapshot snapshot;
    machine.TakeSnapshot(snapshot);
    Check(snapshot.totalCycles == machine.TotalCycles(), "the snapshot holds the cycle count");
    return 0;
}
