#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "core/address_decoder.h"
#include "devices/r6551.h"
#include "support/irq_recorder.h"

namespace tarvok::test {

inline constexpr Address kAciaData = 0xF008;
inline constexpr Address kAciaStatus = 0xF009;
inline constexpr Address kAciaCommand = 0xF00A;
inline constexpr Address kAciaControl = 0xF00B;

inline constexpr Byte kCon9600_8N1 = 0x1E;
inline constexpr std::int64_t kTicks9600 = 192;

// Runs the ACIA for `cycles` processor cycles in run-loop sized steps.
inline void RunAcia(R6551& acia, std::uint64_t cycles, unsigned chunk = 200) {
    while (cycles > 0) {
        const unsigned step = cycles < chunk ? static_cast<unsigned>(cycles) : chunk;
        acia.Run(static_cast<Byte>(step));
        cycles -= step;
    }
}

// Drives the receive line with `bits` (the start bit first), each held for bitTicks crystal ticks,
// then holds mark for `tailCycles` cycles.
inline void AciaFeedBits(R6551& acia, const std::vector<int>& bits, std::int64_t bitTicks,
                         std::uint64_t tailCycles = 2000) {
    const std::int64_t start = acia.Ticks();
    for (;;) {
        const std::int64_t index = (acia.Ticks() - start) / bitTicks;
        if (index >= static_cast<std::int64_t>(bits.size())) break;
        acia.SetRxd(bits[static_cast<std::size_t>(index)] != 0);
        acia.Run(1);
    }
    acia.SetRxd(true);
    RunAcia(acia, tailCycles, 1);
}

// Start bit, `dataBits` data bits of `value` (least significant first), then the given tail.
inline std::vector<int> AciaFrameBits(Byte value, int dataBits, std::vector<int> tail) {
    std::vector<int> bits{0};
    for (int i = 0; i < dataBits; ++i)
        bits.push_back((value >> i) & 1);
    bits.insert(bits.end(), tail.begin(), tail.end());
    return bits;
}

class R6551Fixture : public ::testing::Test {
protected:
    void SetUp() override {
        acia.SetDecoder(&decoder);
        acia.ConnectInterruptOutput(0, &cpu, kIrqInput);
        acia.Install();
    }

    AddressDecoder decoder;
    IrqRecorder cpu;
    R6551 acia;
};

}  // namespace tarvok::test
