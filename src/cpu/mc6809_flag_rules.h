#pragma once

#include <cstdint>

#include "core/types.h"
#include "cpu/mc6809_state.h"

// Condition code results of each instruction class: pure functions from the old CC and the
// operands to the new CC, so an instruction stores its flags with one register write. The flags
// are moved into place by shifts rather than chosen by tests: N is bit 3, V bit 1, C bit 0.
namespace tarvok::mc6809_flags {

constexpr Byte Set(Byte cc, Byte flag, bool on) {
    return static_cast<Byte>((cc & ~flag) | (on ? flag : 0));
}

constexpr Byte NZ8(Byte cc, unsigned r) {
    return static_cast<Byte>((cc & ~(kFlagN | kFlagZ)) | ((r >> 4) & kFlagN) |
                             ((r & 0xFF) == 0 ? kFlagZ : 0));
}

constexpr Byte NZ16(Byte cc, unsigned r) {
    return static_cast<Byte>((cc & ~(kFlagN | kFlagZ)) | ((r >> 12) & kFlagN) |
                             ((r & 0xFFFF) == 0 ? kFlagZ : 0));
}

// V from the sign bit `bit` of an overflow mask, C from the bit above the result.
constexpr Byte VC(unsigned overflow, unsigned r, unsigned bit) {
    return static_cast<Byte>(((overflow >> (bit - 1)) & kFlagV) | ((r >> (bit + 1)) & kFlagC));
}

constexpr Byte AddWithCarry8(Byte cc, Byte a, Byte b, unsigned carry) {
    const unsigned r = unsigned{a} + b + carry;
    cc = NZ8(static_cast<Byte>(cc & ~(kFlagH | kFlagV | kFlagC)), r);
    // The carry into bit 4 shows in bit 4 of a ^ b ^ r; H is bit 5.
    return static_cast<Byte>(cc | (((a ^ b ^ r) << 1) & kFlagH) | VC((a ^ r) & (b ^ r), r, 7));
}

constexpr Byte ForADD8Bit(Byte cc, Byte a, Byte b) {
    return AddWithCarry8(cc, a, b, 0);
}

constexpr Byte ForADC(Byte cc, Byte a, Byte b) {
    return AddWithCarry8(cc, a, b, cc & kFlagC);
}

constexpr Byte ForADD16Bit(Byte cc, std::uint16_t a, std::uint16_t b) {
    const unsigned r = unsigned{a} + b;
    cc = NZ16(static_cast<Byte>(cc & ~(kFlagV | kFlagC)), r);
    return static_cast<Byte>(cc | VC((a ^ r) & (b ^ r), r, 15));
}

constexpr Byte SubWithBorrow8(Byte cc, Byte a, Byte b, unsigned borrow) {
    const unsigned r = unsigned{a} - b - borrow;
    cc = NZ8(static_cast<Byte>(cc & ~(kFlagV | kFlagC)), r);
    return static_cast<Byte>(cc | VC((a ^ b) & (a ^ r), r, 7));
}

constexpr Byte ForSUB8Bit(Byte cc, Byte a, Byte b) {
    return SubWithBorrow8(cc, a, b, 0);
}
constexpr Byte ForCMP8Bit(Byte cc, Byte a, Byte b) {
    return SubWithBorrow8(cc, a, b, 0);
}
constexpr Byte ForSBC(Byte cc, Byte a, Byte b) {
    return SubWithBorrow8(cc, a, b, cc & kFlagC);
}

constexpr Byte ForSUB16Bit(Byte cc, std::uint16_t a, std::uint16_t b) {
    const unsigned r = unsigned{a} - b;
    cc = NZ16(static_cast<Byte>(cc & ~(kFlagV | kFlagC)), r);
    return static_cast<Byte>(cc | VC((a ^ b) & (a ^ r), r, 15));
}
constexpr Byte ForCMP16Bit(Byte cc, std::uint16_t a, std::uint16_t b) {
    return ForSUB16Bit(cc, a, b);
}

// AND, OR, EOR, BIT, TST, LD and ST of 8 bits.
constexpr Byte ForLogic8(Byte cc, Byte r) {
    return NZ8(static_cast<Byte>(cc & ~kFlagV), r);
}
// LD and ST of 16 bits.
constexpr Byte ForLogic16(Byte cc, std::uint16_t r) {
    return NZ16(static_cast<Byte>(cc & ~kFlagV), r);
}

constexpr Byte ForCLR(Byte cc) {
    return static_cast<Byte>((cc & ~(kFlagN | kFlagV | kFlagC)) | kFlagZ);
}

constexpr Byte ForCOM(Byte cc, Byte r) {
    return static_cast<Byte>(NZ8(static_cast<Byte>(cc & ~kFlagV), r) | kFlagC);
}

constexpr Byte ForNEG(Byte cc, Byte r) {
    cc = NZ8(cc, r);
    cc = Set(cc, kFlagV, r == 0x80);
    return Set(cc, kFlagC, r != 0);
}

constexpr Byte ForINC(Byte cc, Byte r) {
    return Set(NZ8(cc, r), kFlagV, r == 0x80);
}
constexpr Byte ForDEC(Byte cc, Byte r) {
    return Set(NZ8(cc, r), kFlagV, r == 0x7F);
}

// ASR and ROR: c is the bit shifted out of bit 0.
constexpr Byte ForASR(Byte cc, Byte r, bool c) {
    return Set(NZ8(cc, r), kFlagC, c);
}
constexpr Byte ForROR(Byte cc, Byte r, bool c) {
    return Set(NZ8(cc, r), kFlagC, c);
}

constexpr Byte ForLSR(Byte cc, Byte r, bool c) {
    return Set(Set(static_cast<Byte>(cc & ~kFlagN), kFlagZ, r == 0), kFlagC, c);
}

// LSL and ROL: c is the bit shifted out of bit 7.
constexpr Byte ForLSL(Byte cc, Byte r, bool c) {
    return Set(Set(NZ8(cc, r), kFlagV, ((r >> 7) & 1) != unsigned{c}), kFlagC, c);
}
constexpr Byte ForROL(Byte cc, Byte r, bool c) {
    return ForLSL(cc, r, c);
}

constexpr Byte ForDAA(Byte cc, Byte a, bool adjusted) {
    cc = NZ8(static_cast<Byte>(cc & ~kFlagV), a);
    return adjusted ? static_cast<Byte>(cc | kFlagC) : cc;
}

constexpr Byte ForMUL(Byte cc, std::uint16_t d) {
    return Set(Set(cc, kFlagZ, d == 0), kFlagC, (d & 0x80) != 0);
}

constexpr Byte ForSEX(Byte cc, Byte a, Byte b) {
    return Set(Set(cc, kFlagN, a != 0), kFlagZ, b == 0);
}

constexpr Byte ForLEA(Byte cc, std::uint16_t r) {
    return Set(cc, kFlagZ, r == 0);
}

}  // namespace tarvok::mc6809_flags
