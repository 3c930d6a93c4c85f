#pragma once

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/types.h"

namespace tarvok {

// Registers as the CPU window names them in change notices.
enum class Mc6809Register : std::uint8_t { A, B, D, X, Y, U, S, PC, DP, CC };

// Condition code bits.
inline constexpr Byte kFlagE = 0x80;
inline constexpr Byte kFlagF = 0x40;
inline constexpr Byte kFlagH = 0x20;
inline constexpr Byte kFlagI = 0x10;
inline constexpr Byte kFlagN = 0x08;
inline constexpr Byte kFlagZ = 0x04;
inline constexpr Byte kFlagV = 0x02;
inline constexpr Byte kFlagC = 0x01;

// One sender on an interrupt input; the input is low while any sender holds it low.
struct InterruptSource {
    const void* source = nullptr;
    std::uint16_t sourceLine = 0;
    bool level = true;
    bool operator==(const InterruptSource&) const = default;
};

struct InterruptInput {
    // The lab machine has three senders; the headroom covers test rigs and extensions.
    static constexpr std::size_t kCapacity = 16;
    std::array<InterruptSource, kCapacity> sources{};
    std::uint8_t count = 0;
    bool line = true;  // combined level, active low

    // Senders are only ever added: the entries beyond the count are the same defaults.
    bool operator==(const InterruptInput& other) const {
        return count == other.count && line == other.line &&
               std::equal(sources.begin(), sources.begin() + count, other.sources.begin());
    }
};

// Everything the processor is, as one copyable value (snapshots copy this and nothing else).
struct Mc6809State {
    std::uint16_t d = 0;  // A is the high byte, B the low byte
    std::uint16_t x = 0;
    std::uint16_t y = 0;
    std::uint16_t u = 0;
    std::uint16_t s = 0;
    std::uint16_t pc = 0;
    Byte dp = 0;
    Byte cc = 0;

    InterruptInput irq;
    InterruptInput firq;
    InterruptInput nmi;
    bool nmiArmed = false;
    bool nmiIdle = true;  // false while an NMI edge waits to be taken

    bool waiting = false;  // in SYNC or CWAI
    Byte syncCount = 0;
    std::uint16_t syncSource = 0;  // 0 none, else the input number seen during SYNC
    bool stateStacked = false;     // CWAI has already pushed the entire state

    // Scratch of the current step; meaningless between steps.
    Byte cycles = 0;
    Byte opcode = 0;
    Byte opcode2 = 0;
    bool operator==(const Mc6809State&) const = default;

    // The interrupts the processor would take at the start of its next step, were it not waiting.
    bool NmiPending() const { return nmiArmed && !nmiIdle; }
    bool FirqPending() const { return !firq.line && (cc & kFlagF) == 0; }
    bool IrqPending() const { return !irq.line && (cc & kFlagI) == 0; }
};

}  // namespace tarvok
