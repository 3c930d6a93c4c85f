#include <gtest/gtest.h>

#include <bit>
#include <random>

#include "cpu_fixture.h"

namespace tarvok::testing {
namespace {

using ProgramTest = CpuTest;

// Shift-and-add 8x8 multiply of $40 by $41 into $42/$43, ending in BRA * at $0416.
constexpr std::initializer_list<Byte> kMultiply = {
    0x4F,              // CLRA
    0x5F,              // CLRB
    0x8E, 0x00, 0x08,  // LDX #8
    0x58,              // loop: LSLB
    0x49,              // ROLA
    0x78, 0x00, 0x41,  // LSL $0041
    0x24, 0x04,        // BCC skip
    0xDB, 0x40,        // ADDB $40
    0x89, 0x00,        // ADCA #0
    0x30, 0x1F,        // skip: LEAX -1,X
    0x26, 0xF1,        // BNE loop
    0xDD, 0x42,        // STD $42
    0x20, 0xFE,        // BRA *
};

TEST_F(ProgramTest, ShiftAndAddMultiply) {
    for (unsigned a : {0u, 1u, 7u, 0x80u, 0xC3u, 0xFFu}) {
        for (unsigned b : {0u, 1u, 0x55u, 0xFFu}) {
            Program(kMultiply);
            Poke(0x40, {static_cast<Byte>(a), static_cast<Byte>(b)});
            const long cycles = RunUntil(0x0416);
            EXPECT_EQ(PeekWord(0x42), a * b) << a << "*" << b;
            EXPECT_EQ(cycles, 188 + 6 * std::popcount(b)) << a << "*" << b;
        }
    }
}

// Counts n times in BCD with ADDA #1 / DAA, ending in BRA * at $040B.
TEST_F(ProgramTest, BcdCounter) {
    struct Case {
        Byte n, bcd;
        bool carry;
    };
    for (const Case& c : {Case{1, 0x01, false}, Case{10, 0x10, false}, Case{99, 0x99, false},
                          Case{100, 0x00, true}, Case{150, 0x50, false}, Case{255, 0x55, false}}) {
        Program({0x4F, 0xC6, c.n, 0x8B, 0x01, 0x19, 0x5A, 0x26, 0xFA, 0x97, 0x50, 0x20, 0xFE});
        ASSERT_GE(RunUntil(0x040B), 0);
        EXPECT_EQ(Peek(0x50), c.bcd) << int{c.n};
        EXPECT_EQ(cpu.Flag(kFlagC), c.carry) << int{c.n};
    }
}

// Recursive Fibonacci through BSR/RTS and the S stack, ending in BRA * at $040A.
TEST_F(ProgramTest, RecursiveFibonacci) {
    for (const auto& [n, fib] : {std::pair{0, 0}, {1, 1}, {2, 1}, {10, 55}, {15, 610}}) {
        Program({0x10, 0xCE,
                 0x10, 0x00,                  // LDS #$1000
                 0xC6, static_cast<Byte>(n),  // LDB #n
                 0x8D, 0x04,                  // BSR fib
                 0xDD, 0x42,                  // STD $42
                 0x20, 0xFE,                  // BRA *
                 0xC1, 0x02,                  // fib: CMPB #2
                 0x24, 0x02,                  // BCC rec
                 0x4F,                        // CLRA
                 0x39,                        // RTS
                 0x34, 0x04,                  // rec: PSHS B
                 0x5A,                        // DECB
                 0x8D, 0xF5,                  // BSR fib
                 0x34, 0x06,                  // PSHS D
                 0xE6, 0x62,                  // LDB 2,S
                 0xC0, 0x02,                  // SUBB #2
                 0x8D, 0xED,                  // BSR fib
                 0xE3, 0xE1,                  // ADDD ,S++
                 0x32, 0x61,                  // LEAS 1,S
                 0x39});                      // RTS
        ASSERT_GE(RunUntil(0x040A), 0) << n;
        EXPECT_EQ(PeekWord(0x42), fib) << n;
        EXPECT_EQ(cpu.S(), 0x1000);
    }
}

// The processor state is one value: restoring it replays the same run.
TEST_F(ProgramTest, RestoredStateReplaysIdentically) {
    Program(kMultiply);
    Poke(0x40, {0x37, 0x5B});
    Steps(10);
    const Mc6809State saved = cpu.State();
    const Byte savedMultiplier = Peek(0x41);
    const long first = RunUntil(0x0416);
    const std::uint16_t result = PeekWord(0x42);
    cpu.RestoreState(saved);
    Poke(0x41, {savedMultiplier});
    Poke(0x42, {0x00, 0x00});
    EXPECT_EQ(RunUntil(0x0416), first);
    EXPECT_EQ(PeekWord(0x42), result);
    EXPECT_EQ(result, 0x37 * 0x5B);
}

// Random bytes as program, with interrupt inputs toggling: no crash, no UB, sane cycle counts.
TEST_F(ProgramTest, RandomByteSoupRunsSafely) {
    decoder.SetMaxOutputLines(10);
    std::mt19937 random(6809);
    for (unsigned a = 0; a < 0x2000; ++a)
        decoder.Write(static_cast<Address>(a), random() & 0xFF);
    for (unsigned a = 0xE000; a < 0x10000; ++a) {
        decoder.Write(static_cast<Address>(a), random() & 0xFF);
    }
    cpu.Reset();
    int sources[3] = {};
    long total = 0;
    for (int i = 0; i < 200000; ++i) {
        if ((i & 63) == 0) {
            const unsigned r = random();
            cpu.SetInterruptInput(&sources[r % 3], 1, static_cast<std::uint16_t>(1 + (r >> 2) % 3),
                                  (r >> 4) & 1);
        }
        const int cycles = Step();
        ASSERT_GE(cycles, 1);
        ASSERT_LE(cycles, 255);
        total += cycles;
    }
    EXPECT_GT(total, 200000);
}

}  // namespace
}  // namespace tarvok::testing
