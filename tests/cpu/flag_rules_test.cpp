#include <gtest/gtest.h>

#include "cpu/mc6809_flag_rules.h"
#include "cpu_fixture.h"

namespace tarvok::testing {
namespace {

namespace f = mc6809_flags;

struct Flags {
    bool n, z, v, c;
};

void ExpectFlags(const Mc6809& cpu, Flags want) {
    EXPECT_EQ(cpu.Flag(kFlagN), want.n) << "N";
    EXPECT_EQ(cpu.Flag(kFlagZ), want.z) << "Z";
    EXPECT_EQ(cpu.Flag(kFlagV), want.v) << "V";
    EXPECT_EQ(cpu.Flag(kFlagC), want.c) << "C";
}

using FlagRulesTest = CpuTest;

TEST_F(FlagRulesTest, AddaOverflowIntoSignBit) {
    cpu.SetA(0x7F);
    Program({0x8B, 0x01});
    Step();
    EXPECT_EQ(cpu.A(), 0x80);
    ExpectFlags(cpu, {true, false, true, false});
    EXPECT_TRUE(cpu.Flag(kFlagH));
}

TEST_F(FlagRulesTest, SubaOverflowKeepsHalfCarry) {
    cpu.SetA(0x80);
    cpu.SetFlag(kFlagH, true);
    Program({0x80, 0x01});
    Step();
    EXPECT_EQ(cpu.A(), 0x7F);
    ExpectFlags(cpu, {false, false, true, false});
    EXPECT_TRUE(cpu.Flag(kFlagH));
}

TEST_F(FlagRulesTest, CmpaBorrowLeavesRegister) {
    cpu.SetA(0x00);
    Program({0x81, 0x01});
    Step();
    EXPECT_EQ(cpu.A(), 0x00);
    ExpectFlags(cpu, {true, false, false, true});
}

TEST_F(FlagRulesTest, NegaOfMinimumAndZero) {
    cpu.SetA(0x80);
    Program({0x40, 0x40});
    Step();
    EXPECT_EQ(cpu.A(), 0x80);
    ExpectFlags(cpu, {true, false, true, true});
    cpu.SetA(0x00);
    Step();
    EXPECT_EQ(cpu.A(), 0x00);
    ExpectFlags(cpu, {false, true, false, false});
}

TEST_F(FlagRulesTest, DaaAfterAdditions) {
    cpu.SetA(0x99);
    Program({0x8B, 0x61, 0x19, 0x86, 0x09, 0x8B, 0x01, 0x19});
    Step();
    EXPECT_EQ(cpu.A(), 0xFA);
    EXPECT_FALSE(cpu.Flag(kFlagH));
    EXPECT_FALSE(cpu.Flag(kFlagC));
    Step();
    EXPECT_EQ(cpu.A(), 0x60);
    EXPECT_TRUE(cpu.Flag(kFlagC));
    Steps(2);  // LDA #$09, ADDA #$01
    EXPECT_EQ(cpu.A(), 0x0A);
    cpu.SetFlag(kFlagV, true);
    Step();
    EXPECT_EQ(cpu.A(), 0x10);
    EXPECT_FALSE(cpu.Flag(kFlagC));
    EXPECT_FALSE(cpu.Flag(kFlagV));
}

TEST_F(FlagRulesTest, DaaUpperCorrectionForNibbleNineWithLowOverNine) {
    cpu.SetA(0x9A);
    Program({0x19});
    Step();
    EXPECT_EQ(cpu.A(), 0x00);
    EXPECT_TRUE(cpu.Flag(kFlagC));
    EXPECT_TRUE(cpu.Flag(kFlagZ));
}

TEST_F(FlagRulesTest, SexExtendsSign) {
    cpu.SetB(0x80);
    Program({0x1D, 0x1D});
    Step();
    EXPECT_EQ(cpu.A(), 0xFF);
    EXPECT_TRUE(cpu.Flag(kFlagN));
    EXPECT_FALSE(cpu.Flag(kFlagZ));
    cpu.SetB(0x00);
    Step();
    EXPECT_EQ(cpu.A(), 0x00);
    EXPECT_TRUE(cpu.Flag(kFlagZ));
    EXPECT_FALSE(cpu.Flag(kFlagN));
}

TEST_F(FlagRulesTest, MulCarryIsBitSevenOfB) {
    struct Case {
        Byte a, b;
        std::uint16_t d;
        bool z, c;
    };
    for (const Case& c :
         {Case{0x80, 0x02, 0x0100, false, false}, Case{0xFF, 0xFF, 0xFE01, false, false},
          Case{0x0B, 0x0C, 0x0084, false, true}, Case{0x00, 0x99, 0x0000, true, false}}) {
        cpu.SetA(c.a);
        cpu.SetB(c.b);
        Program({0x3D});
        EXPECT_EQ(Step(), 11);
        EXPECT_EQ(cpu.D(), c.d);
        EXPECT_EQ(cpu.Flag(kFlagZ), c.z);
        EXPECT_EQ(cpu.Flag(kFlagC), c.c);
    }
}

TEST_F(FlagRulesTest, AdcAndSbcUseOldCarry) {
    cpu.SetA(0x0F);
    cpu.SetFlag(kFlagC, true);
    Program({0x89, 0x00, 0x82, 0x10});
    Step();
    EXPECT_EQ(cpu.A(), 0x10);
    EXPECT_TRUE(cpu.Flag(kFlagH));
    EXPECT_FALSE(cpu.Flag(kFlagC));
    cpu.SetFlag(kFlagC, true);
    Step();  // $10 - $10 - 1
    EXPECT_EQ(cpu.A(), 0xFF);
    ExpectFlags(cpu, {true, false, false, true});
}

TEST_F(FlagRulesTest, SixteenBitArithmetic) {
    cpu.SetD(0x7FFF);
    Program({0xC3, 0x00, 0x01, 0x83, 0x00, 0x01, 0x8C, 0x80, 0x00});
    Step();
    EXPECT_EQ(cpu.D(), 0x8000);
    ExpectFlags(cpu, {true, false, true, false});
    Step();
    EXPECT_EQ(cpu.D(), 0x7FFF);
    ExpectFlags(cpu, {false, false, true, false});
    cpu.SetX(0x8000);
    Step();
    ExpectFlags(cpu, {false, true, false, false});
}

TEST_F(FlagRulesTest, ShiftsAndRotates) {
    cpu.SetA(0x81);
    cpu.SetFlag(kFlagC, false);
    Program({0x46, 0x49, 0x44, 0x47, 0x48});
    Step();  // RORA: $40, C=1
    EXPECT_EQ(cpu.A(), 0x40);
    EXPECT_TRUE(cpu.Flag(kFlagC));
    Step();  // ROLA: $81, C=0, V = 1 xor 0
    EXPECT_EQ(cpu.A(), 0x81);
    EXPECT_FALSE(cpu.Flag(kFlagC));
    EXPECT_TRUE(cpu.Flag(kFlagV));
    Step();  // LSRA: $40, C=1, N=0
    EXPECT_EQ(cpu.A(), 0x40);
    EXPECT_TRUE(cpu.Flag(kFlagC));
    EXPECT_FALSE(cpu.Flag(kFlagN));
    cpu.SetA(0x81);
    Step();  // ASRA: $C0, C=1
    EXPECT_EQ(cpu.A(), 0xC0);
    EXPECT_TRUE(cpu.Flag(kFlagC));
    EXPECT_TRUE(cpu.Flag(kFlagN));
    Step();  // LSLA: $80, C=1, V=0
    EXPECT_EQ(cpu.A(), 0x80);
    EXPECT_TRUE(cpu.Flag(kFlagC));
    EXPECT_FALSE(cpu.Flag(kFlagV));
}

// Boundaries of the pure rules, with every flag the rule keeps set beforehand.
TEST(FlagRuleFunctions, Boundaries) {
    const Byte all = 0xFF;
    EXPECT_EQ(f::ForINC(0x00, 0x80), kFlagN | kFlagV);
    EXPECT_EQ(f::ForINC(0x01, 0x00), kFlagZ | kFlagC);
    EXPECT_EQ(f::ForDEC(0x00, 0x7F), kFlagV);
    EXPECT_EQ(f::ForCLR(all), kFlagE | kFlagF | kFlagH | kFlagI | kFlagZ);
    EXPECT_EQ(f::ForCOM(0x00, 0x00), kFlagZ | kFlagC);
    EXPECT_EQ(f::ForLogic8(all, 0x00), all & ~(kFlagN | kFlagV));
    EXPECT_EQ(f::ForLogic16(0x00, 0x8000), kFlagN);
    EXPECT_EQ(f::ForADD16Bit(kFlagH, 0xFFFF, 0x0001), kFlagH | kFlagZ | kFlagC);
    EXPECT_EQ(f::ForSUB16Bit(0x00, 0x0000, 0x0001), kFlagN | kFlagC);
    EXPECT_EQ(f::ForSBC(kFlagC, 0x00, 0xFF), kFlagZ | kFlagC);  // 0 - 255 - 1 = 0 borrow
    EXPECT_EQ(f::ForADC(kFlagC, 0xFF, 0x00), kFlagH | kFlagZ | kFlagC);
    EXPECT_EQ(f::ForLEA(all, 0x0000), all);
    EXPECT_EQ(f::ForLEA(0x00, 0x0001), 0x00);
    EXPECT_EQ(f::ForMUL(kFlagN | kFlagV, 0x0080), kFlagN | kFlagV | kFlagC);
    EXPECT_EQ(f::ForLSR(all, 0x00, false), all & ~(kFlagN | kFlagC));
    EXPECT_EQ(f::ForLSL(0x00, 0x00, true), kFlagZ | kFlagV | kFlagC);
}

TEST(FlagRuleFunctions, SubtractWithCarryAndAddWithCarry) {
    // $80 - $7F - 1 = 0: signed overflow, no borrow
    EXPECT_EQ(f::ForSBC(kFlagC, 0x80, 0x7F), kFlagZ | kFlagV);
    // $00 - $00 - 1 = $FF: borrow
    EXPECT_EQ(f::ForSBC(kFlagC, 0x00, 0x00), kFlagN | kFlagC);
    // $7F - $FF - 0 = $80: positive minus negative overflows, borrow
    EXPECT_EQ(f::ForSBC(kFlagH, 0x7F, 0xFF), kFlagH | kFlagN | kFlagV | kFlagC);
    // the carry alone makes the half carry and the overflow
    EXPECT_EQ(f::ForADC(kFlagC, 0x7F, 0x00), kFlagH | kFlagN | kFlagV);
    EXPECT_EQ(f::ForADC(kFlagC, 0x08, 0x07), kFlagH);
    EXPECT_EQ(f::ForADC(0x00, 0x08, 0x07), 0x00);
    EXPECT_EQ(f::ForADD8Bit(kFlagH, 0x80, 0x80), kFlagZ | kFlagV | kFlagC);
}

TEST(FlagRuleFunctions, RightShiftsKeepOverflow) {
    EXPECT_EQ(f::ForASR(kFlagV, 0xC0, true), kFlagV | kFlagN | kFlagC);
    EXPECT_EQ(f::ForROR(kFlagV, 0x00, false), kFlagV | kFlagZ);
    EXPECT_EQ(f::ForLSR(kFlagV | kFlagN, 0x40, false), kFlagV);
    EXPECT_EQ(f::ForROL(0x00, 0x01, true), kFlagV | kFlagC);
}

TEST_F(FlagRulesTest, FlagAccessorsRewriteCC) {
    cpu.SetCC(0x00);
    cpu.SetFlag(kFlagE, true);
    cpu.SetFlag(kFlagC, true);
    EXPECT_EQ(cpu.CC(), kFlagE | kFlagC);
    cpu.SetFlag(kFlagE, false);
    cpu.UndefineFlagH();
    EXPECT_EQ(cpu.CC(), kFlagC);
}

TEST_F(FlagRulesTest, ClrOnMemoryReadsThenWritesAndTstOnlyReads) {
    // A peripheral that counts reads and records writes.
    class Probe : public Device {
    public:
        Probe() : Device(0x2000, 1) {}
        Byte Read(Address, bool peek) override {
            if (!peek) ++reads;
            return 0x55;
        }
        void Write(Address, Byte value) override { writes.push_back(value); }
        int reads = 0;
        std::vector<Byte> writes;
    } probe;
    probe.SetDecoder(&decoder);
    probe.Install();
    Program({0x7F, 0x20, 0x00, 0x7D, 0x20, 0x00, 0x7C, 0x20, 0x00});
    EXPECT_EQ(Step(), 7);
    EXPECT_EQ(probe.reads, 1);
    EXPECT_EQ(probe.writes, std::vector<Byte>{0x00});
    EXPECT_EQ(Step(), 7);
    EXPECT_EQ(probe.reads, 2);
    EXPECT_EQ(probe.writes.size(), 1u);
    EXPECT_EQ(Step(), 7);
    EXPECT_EQ(probe.reads, 3);
    EXPECT_EQ(probe.writes, (std::vector<Byte>{0x00, 0x56}));
}

TEST_F(FlagRulesTest, StoreIntoRomIsReportedAndStillCosts) {
    Rom rom;
    rom.SetBaseAddress(0xC000);
    rom.SetDecoder(&decoder);
    rom.Install();
    cpu.SetDP(0xC0);
    cpu.SetA(0x12);
    Program({0x97, 0x10});
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(Peek(0xC010), 0x00);
    EXPECT_EQ(LastMessage(),
              "Fehlerhafter Schreibversuch auf ROM-Speicherelement $C010: Element kann nur gelesen "
              "werden;");
}

}  // namespace
}  // namespace tarvok::testing
