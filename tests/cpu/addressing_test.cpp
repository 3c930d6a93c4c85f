#include <gtest/gtest.h>

#include <set>

#include "cpu_fixture.h"

namespace tarvok::testing {
namespace {

using AddressingTest = CpuTest;

// The data sheet leaves these low five bits undefined when bit 7 is set, whatever the register.
TEST_F(AddressingTest, VerifyPostbyteRules) {
    const std::set<unsigned> undefinedForms = {0x07, 0x0A, 0x0E, 0x0F, 0x10,
                                               0x12, 0x17, 0x1A, 0x1E};
    int rejected = 0;
    for (unsigned pb = 0; pb < 256; ++pb) {
        const bool valid = (pb & 0x80) == 0 || undefinedForms.count(pb & 0x1F) == 0;
        EXPECT_EQ(Mc6809::VerifyPostbyte(static_cast<Byte>(pb)), valid) << pb;
        rejected += valid ? 0 : 1;
    }
    EXPECT_EQ(rejected, 36);
    EXPECT_FALSE(Mc6809::VerifyPostbyte(0x8F));
    EXPECT_TRUE(Mc6809::VerifyPostbyte(0x9F));
}

struct EaCase {
    const char* name;
    std::vector<Byte> operand;  // postbyte and offset
    std::uint16_t expected;
};

class EffectiveAddressTest : public CpuTest, public ::testing::WithParamInterface<EaCase> {};

// LEAU leaves flags alone and shows the effective address in U.
TEST_P(EffectiveAddressTest, Computes) {
    cpu.SetX(0x1234);
    cpu.SetY(0x0800);
    cpu.SetS(0x0F00);
    cpu.SetD(0xFF02);  // A = -1, B = 2
    Poke(0x1232, {0x05, 0x00});
    Poke(0x1234, {0x07, 0x00});
    Poke(0x1236, {0x09, 0x00});
    Poke(0x1F00, {0x12, 0x34});
    Poke(0x0EFE, {0x0A, 0xBC});
    std::vector<Byte> bytes = {0x33};
    bytes.insert(bytes.end(), GetParam().operand.begin(), GetParam().operand.end());
    Poke(kProgram, bytes);
    cpu.SetPC(kProgram);
    Step();
    EXPECT_EQ(cpu.U(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Forms, EffectiveAddressTest,
    ::testing::Values(EaCase{"zero_offset_X", {0x84}, 0x1234}, EaCase{"minus1_X", {0x1F}, 0x1233},
                      EaCase{"plus15_Y", {0x2F}, 0x080F}, EaCase{"minus16_S", {0x70}, 0x0EF0},
                      EaCase{"postinc_X", {0x80}, 0x1234}, EaCase{"predec2_X", {0x83}, 0x1232},
                      EaCase{"B_X", {0x85}, 0x1236}, EaCase{"A_X", {0x86}, 0x1233},
                      EaCase{"offset8_neg", {0x88, 0xFE}, 0x1232},
                      EaCase{"offset16", {0x89, 0x10, 0x00}, 0x2234}, EaCase{"D_Y", {0xAB}, 0x0702},
                      EaCase{"pcr8", {0x8C, 0x10}, 0x0413},
                      EaCase{"pcr16_register_bits_ignored", {0xED, 0xFF, 0x00}, 0x0304},
                      EaCase{"ind_X", {0x94}, 0x0700}, EaCase{"ind_predec2_X", {0x93}, 0x0500},
                      EaCase{"ind_postinc2_X", {0x91}, 0x0700}, EaCase{"ind_B_X", {0x95}, 0x0900},
                      EaCase{"ind_predec2_S", {0xF3}, 0x0ABC},
                      EaCase{"extended_indirect", {0x9F, 0x1F, 0x00}, 0x1234}),
    [](const ::testing::TestParamInfo<EaCase>& info) { return std::string(info.param.name); });

TEST_F(AddressingTest, AutoIncrementAndDecrementChangeBaseRegister) {
    cpu.SetX(0x1000);
    Program({0xA6, 0x80, 0xA6, 0x81, 0xA6, 0x82, 0xA6, 0x83, 0xA6, 0x91});
    Step();
    EXPECT_EQ(cpu.X(), 0x1001);
    Step();
    EXPECT_EQ(cpu.X(), 0x1003);
    Step();
    EXPECT_EQ(cpu.X(), 0x1002);
    Step();
    EXPECT_EQ(cpu.X(), 0x1000);
    Step();
    EXPECT_EQ(cpu.X(), 0x1002);
}

TEST_F(AddressingTest, PostincrementOfSArmsNmi) {
    cpu.Reset();
    EXPECT_FALSE(cpu.State().nmiArmed);
    cpu.SetPC(kProgram);
    Poke(kProgram, {0xA6, 0xE1});
    Step();
    EXPECT_TRUE(cpu.State().nmiArmed);
}

TEST_F(AddressingTest, InvalidPostbyteTouchesNothing) {
    cpu.SetX(0x1000);
    Poke(0x1000, {0x77});
    cpu.SetA(0x11);
    const Mc6809State before = cpu.State();
    Program({0xA6, 0x90});
    EXPECT_EQ(Step(), 2);
    EXPECT_EQ(cpu.A(), 0x11);
    EXPECT_EQ(cpu.X(), before.x);
    EXPECT_EQ(cpu.CC(), before.cc);
    EXPECT_EQ(LastMessage(), "Prozessorfehler bei Adresse $0401: $90 ist ungültiges Postbyte;");
}

TEST_F(AddressingTest, SixteenBitAccessesWrapAndDirectPageWraps) {
    Poke(0x0000, {0x56});
    top.StoreByte(0x1FFF, 0x34);
    cpu.SetDP(0x1F);
    Poke(0x1FFF, {0xAB});
    Program({0xFC, 0xFF, 0xFF, 0xDC, 0xFF});
    Step();
    EXPECT_EQ(cpu.D(), 0x3456);
    Step();  // DP:$FF = $1FFF, low byte from $2000 (unmapped: $FF)
    EXPECT_EQ(cpu.D(), 0xABFF);
}

TEST_F(AddressingTest, TfrAndExgMoveRegisters) {
    cpu.SetD(0x1234);
    cpu.SetX(0x0600);
    Program({0x1E, 0x89, 0x1F, 0x01, 0x1F, 0x15});
    EXPECT_EQ(Step(), 8);
    EXPECT_EQ(cpu.A(), 0x34);
    EXPECT_EQ(cpu.B(), 0x12);
    EXPECT_EQ(Step(), 6);  // TFR D,X
    EXPECT_EQ(cpu.X(), 0x3412);
    cpu.SetX(0x0600);
    EXPECT_EQ(Step(), 6);  // TFR X,PC jumps
    EXPECT_EQ(cpu.PC(), 0x0600);
}

TEST_F(AddressingTest, TfrPcSourceIsNextInstructionAndCcDestinationReplacesFlags) {
    cpu.SetA(0xFF);
    Program({0x1F, 0x52, 0x1F, 0x8A});
    Step();
    EXPECT_EQ(cpu.Y(), kProgram + 2);
    Step();
    EXPECT_EQ(cpu.CC(), 0xFF);
}

TEST_F(AddressingTest, TfrToSArmsNmi) {
    cpu.Reset();
    cpu.SetPC(kProgram);
    Poke(kProgram, {0x1F, 0x44});
    Step();
    EXPECT_TRUE(cpu.State().nmiArmed);
}

struct TransferErrorCase {
    const char* name;
    Byte opcode;
    Byte postbyte;
    const char* text;
};

class TransferErrorTest : public CpuTest,
                          public ::testing::WithParamInterface<TransferErrorCase> {};

TEST_P(TransferErrorTest, ReportsAndChangesNothing) {
    cpu.SetD(0x1234);
    cpu.SetX(0x5678);
    cpu.SetCC(0x05);
    const Mc6809State before = cpu.State();
    Program({GetParam().opcode, GetParam().postbyte});
    EXPECT_EQ(Step(), 2);
    EXPECT_EQ(LastMessage(), std::string("Prozessorfehler bei Adresse $0401: ") + GetParam().text);
    const Mc6809State& after = cpu.State();
    EXPECT_EQ(after.d, before.d);
    EXPECT_EQ(after.x, before.x);
    EXPECT_EQ(after.y, before.y);
    EXPECT_EQ(after.u, before.u);
    EXPECT_EQ(after.s, before.s);
    EXPECT_EQ(after.dp, before.dp);
    EXPECT_EQ(after.cc, before.cc);
    EXPECT_EQ(after.pc, kProgram + 2);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, TransferErrorTest,
    ::testing::Values(
        TransferErrorCase{"tfr_size", 0x1F, 0x81,
                          "Quell- und Zielregister haben unterschiedliche Größe bei Befehl TFR;"},
        TransferErrorCase{"exg_size", 0x1E, 0x18,
                          "Quell- und Zielregister haben unterschiedliche Größe bei Befehl EXG;"},
        TransferErrorCase{"tfr_source16", 0x1F, 0x61,
                          "Ungültiger Code für das Quellregister bei Befehl TFR;"},
        TransferErrorCase{"exg_source8", 0x1E, 0xC8,
                          "Ungültiger Code für das Quellregister bei Befehl EXG;"},
        TransferErrorCase{"tfr_destination16", 0x1F, 0x17,
                          "Ungültiger Code für das Zielregister bei Befehl TFR;"},
        TransferErrorCase{"exg_destination8", 0x1E, 0x8F,
                          "Ungültiger Code für das Zielregister bei Befehl EXG;"}),
    [](const ::testing::TestParamInfo<TransferErrorCase>& info) {
        return std::string(info.param.name);
    });

TEST_F(AddressingTest, PushAndPullOrder) {
    cpu.SetS(0x1000);
    cpu.SetU(0x1800);
    cpu.SetD(0x0102);
    cpu.SetDP(0x03);
    cpu.SetX(0x0405);
    cpu.SetY(0x0607);
    cpu.SetCC(0x09);
    Program({0x34, 0xFF});
    Step();
    const std::vector<Byte> expected = {0x09, 0x01, 0x02, 0x03, 0x04, 0x05,
                                        0x06, 0x07, 0x18, 0x00, 0x04, 0x02};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(Peek(static_cast<Address>(0x1000 - 12 + i)), expected[i]) << i;
    }
    cpu.SetD(0);
    cpu.SetX(0);
    cpu.SetY(0);
    cpu.SetU(0);
    cpu.SetDP(0);
    Poke(kProgram + 2, {0x35, 0xFF});
    Step();
    EXPECT_EQ(cpu.D(), 0x0102);
    EXPECT_EQ(cpu.X(), 0x0405);
    EXPECT_EQ(cpu.Y(), 0x0607);
    EXPECT_EQ(cpu.U(), 0x1800);
    EXPECT_EQ(cpu.DP(), 0x03);
    EXPECT_EQ(cpu.CC(), 0x09);
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    EXPECT_EQ(cpu.S(), 0x1000);
}

}  // namespace
}  // namespace tarvok::testing
