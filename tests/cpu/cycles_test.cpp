#include <gtest/gtest.h>

#include <set>
#include <string>

#include "cpu/instruction_length.h"
#include "cpu_fixture.h"
#include "cycle_table.h"

namespace tarvok::testing {
namespace {

class OpcodeCycleTest : public CpuTest, public ::testing::WithParamInterface<OpcodeCycles> {
protected:
    void SetUpRegisters() {
        cpu.SetX(0x0800);
        cpu.SetY(0x0900);
        cpu.SetU(0x1800);
        cpu.SetS(0x1000);
        cpu.SetDP(0x00);
        cpu.SetCC(0x00);
    }
};

TEST_P(OpcodeCycleTest, TotalMatchesDataSheet) {
    const OpcodeCycles& entry = GetParam();
    SetUpRegisters();
    Poke(kProgram, entry.bytes);
    cpu.SetPC(kProgram);
    EXPECT_EQ(Step(), entry.cycles);
    EXPECT_EQ(MessageCount(), 0u) << LastMessage();
}

TEST_P(OpcodeCycleTest, LengthHelperCountsAllBytes) {
    const OpcodeCycles& entry = GetParam();
    std::vector<Byte> bytes = entry.bytes;
    bytes.resize(3, 0x00);
    EXPECT_EQ(Mc6809InstructionLength(bytes[0], bytes[1], bytes[2]),
              static_cast<int>(entry.bytes.size()));
}

INSTANTIATE_TEST_SUITE_P(DataSheet, OpcodeCycleTest, ::testing::ValuesIn(DataSheetCycles()),
                         [](const ::testing::TestParamInfo<OpcodeCycles>& info) {
                             return std::string(info.param.name);
                         });

// Every code the processor does not reject is in the table, and vice versa.
TEST_F(CpuTest, TableCoversEveryDefinedOpcode) {
    std::set<std::vector<Byte>> listed;
    for (const OpcodeCycles& entry : DataSheetCycles()) {
        const std::size_t opcodeBytes = (entry.bytes[0] == 0x10 || entry.bytes[0] == 0x11) ? 2 : 1;
        listed.insert(std::vector<Byte>(entry.bytes.begin(), entry.bytes.begin() + opcodeBytes));
    }
    EXPECT_EQ(listed.size(), DataSheetCycles().size());
    int defined = 0;
    for (unsigned prefix : {0u, 0x10u, 0x11u}) {
        for (unsigned code = 0; code < 256; ++code) {
            if (code == 0x10 || code == 0x11) continue;
            std::vector<Byte> key;
            if (prefix != 0) key.push_back(static_cast<Byte>(prefix));
            key.push_back(static_cast<Byte>(code));
            messages.Clear();
            cpu.SetS(0x1000);
            std::vector<Byte> bytes = key;
            bytes.insert(bytes.end(), {0x84, 0x00, 0x00});
            Poke(kProgram, bytes);
            cpu.SetPC(kProgram);
            Step();
            const bool rejected =
                MessageCount() == 1 && LastMessage().find("ungültiger Opcode") != std::string::npos;
            EXPECT_EQ(!rejected, listed.count(key) == 1) << std::hex << prefix << " " << code;
            if (rejected) {  // the length helper skips exactly the bytes the processor consumed
                EXPECT_EQ(Mc6809InstructionLength(bytes[0], bytes[1], bytes[2]),
                          cpu.PC() - kProgram);
                EXPECT_EQ(cpu.PC() - kProgram, static_cast<int>(key.size()));
            }
            defined += rejected ? 0 : 1;
        }
    }
    EXPECT_EQ(defined, 268);
}

TEST(InstructionLength, PrefixFollowedByPrefixCountsOneByte) {
    EXPECT_EQ(Mc6809InstructionLength(0x10, 0x11, 0x8E), 1);
    EXPECT_EQ(Mc6809InstructionLength(0x11, 0x10, 0x8E), 1);
}

struct IndexedCase {
    const char* name;
    std::vector<Byte> postbyteAndOffset;
    int extraCycles;
};

class IndexedCycleTest : public CpuTest, public ::testing::WithParamInterface<IndexedCase> {};

// LDA indexed costs 4 plus the form's extra cycles.
TEST_P(IndexedCycleTest, ExtraCyclesOfForm) {
    const IndexedCase& c = GetParam();
    cpu.SetX(0x0800);
    std::vector<Byte> bytes = {0xA6};
    bytes.insert(bytes.end(), c.postbyteAndOffset.begin(), c.postbyteAndOffset.end());
    Poke(kProgram, bytes);
    cpu.SetPC(kProgram);
    EXPECT_EQ(Step(), 4 + c.extraCycles);
    EXPECT_EQ(cpu.PC(), kProgram + bytes.size());
    bytes.resize(3, 0);
    EXPECT_EQ(Mc6809InstructionLength(bytes[0], bytes[1], bytes[2]),
              static_cast<int>(1 + c.postbyteAndOffset.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IndexedCycleTest,
    ::testing::Values(
        IndexedCase{"offset5", {0x01}, 1}, IndexedCase{"postinc1", {0x80}, 2},
        IndexedCase{"postinc2", {0x81}, 3}, IndexedCase{"predec1", {0x82}, 2},
        IndexedCase{"predec2", {0x83}, 3}, IndexedCase{"no_offset", {0x84}, 0},
        IndexedCase{"acc_B", {0x85}, 1}, IndexedCase{"acc_A", {0x86}, 1},
        IndexedCase{"offset8", {0x88, 0x10}, 1}, IndexedCase{"offset16", {0x89, 0x01, 0x00}, 4},
        IndexedCase{"acc_D", {0x8B}, 4}, IndexedCase{"pcr8", {0x8C, 0x10}, 1},
        IndexedCase{"pcr16", {0x8D, 0x01, 0x00}, 5}, IndexedCase{"ind_postinc2", {0x91}, 6},
        IndexedCase{"ind_predec2", {0x93}, 6}, IndexedCase{"ind_no_offset", {0x94}, 3},
        IndexedCase{"ind_acc_B", {0x95}, 4}, IndexedCase{"ind_acc_A", {0x96}, 4},
        IndexedCase{"ind_offset8", {0x98, 0x10}, 4},
        IndexedCase{"ind_offset16", {0x99, 0x01, 0x00}, 7}, IndexedCase{"ind_acc_D", {0x9B}, 7},
        IndexedCase{"ind_pcr8", {0x9C, 0x10}, 4}, IndexedCase{"ind_pcr16", {0x9D, 0x01, 0x00}, 8},
        IndexedCase{"ind_extended", {0x9F, 0x08, 0x00}, 5}),
    [](const ::testing::TestParamInfo<IndexedCase>& info) { return std::string(info.param.name); });

TEST_F(CpuTest, IndexedExtraCyclesAddToPage2AndReadModifyWrite) {
    cpu.SetX(0x0800);
    Program({0x10, 0xAE, 0x99, 0x01, 0x00,  // LDY [$100,X]
             0x6C, 0x91});                  // INC [,X++]
    EXPECT_EQ(Step(), 6 + 7);
    EXPECT_EQ(Step(), 6 + 6);
}

TEST_F(CpuTest, StackOperationsCostOneCyclePerByte) {
    cpu.SetS(0x1000);
    cpu.SetU(0x1800);
    Program({0x34, 0xFF, 0x35, 0x7F, 0x36, 0x40, 0x37, 0x40});
    EXPECT_EQ(Step(), 17);  // PSHS all: 12 bytes
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    EXPECT_EQ(Step(), 15);  // PULS all but PC: 10 bytes
    EXPECT_EQ(Step(), 7);   // PSHU S
    EXPECT_EQ(Step(), 7);   // PULU S
}

TEST_F(CpuTest, RtiWithEntireStateCosts15) {
    cpu.SetS(0x1000);
    Poke(0x1000, {0x80, 1, 2, 3, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x04, 0x80});
    Program({0x3B});
    EXPECT_EQ(Step(), 15);
    EXPECT_EQ(cpu.PC(), 0x0480);
    EXPECT_EQ(cpu.D(), 0x0102);
    EXPECT_EQ(cpu.DP(), 3);
    EXPECT_EQ(cpu.X(), 0x1122);
    EXPECT_EQ(cpu.Y(), 0x3344);
    EXPECT_EQ(cpu.U(), 0x5566);
    EXPECT_EQ(cpu.S(), 0x100C);
}

TEST_F(CpuTest, LongBranchCostsOneMoreWhenTaken) {
    cpu.SetCC(kFlagZ);
    Program({0x10, 0x27, 0x00, 0x10, 0x10, 0x26, 0x00, 0x10});
    EXPECT_EQ(Step(), 6);  // LBEQ taken
    EXPECT_EQ(cpu.PC(), kProgram + 4 + 0x10);
    cpu.SetPC(kProgram + 4);
    EXPECT_EQ(Step(), 5);  // LBNE not taken
    EXPECT_EQ(cpu.PC(), kProgram + 8);
}

TEST_F(CpuTest, UndefinedOpcodeCostsOneCycleAndIsReported) {
    cpu.SetPC(0x0400);
    Poke(0x0400, {0x01});
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(cpu.PC(), 0x0401);
    EXPECT_EQ(LastMessage(), "Prozessorfehler bei Adresse $0400: $01 ist ungültiger Opcode;");
}

TEST_F(CpuTest, UndefinedPageCodesCostTwoCycles) {
    Program({0x11, 0x8E, 0x10, 0x01});
    EXPECT_EQ(Step(), 2);
    EXPECT_EQ(LastMessage(), "Prozessorfehler bei Adresse $0401: $118E ist ungültiger Opcode;");
    EXPECT_EQ(Step(), 2);
    EXPECT_EQ(LastMessage(), "Prozessorfehler bei Adresse $0403: $1001 ist ungültiger Opcode;");
    EXPECT_EQ(cpu.PC(), kProgram + 4);
}

TEST_F(CpuTest, RepeatedPrefixIsReportedThenExecuted) {
    Program({0x10, 0x10, 0x8E, 0x12, 0x34});
    EXPECT_EQ(Step(), 5);  // LDY immediate 4 plus the repeated prefix
    EXPECT_EQ(MessageCount(), 1u);
    EXPECT_EQ(
        LastMessage(),
        "Prozessorfehler bei Adresse $0401: Opcode $10 folgt direkt auf Opcode $10 oder $11;");
    EXPECT_EQ(cpu.Y(), 0x1234);
}

TEST_F(CpuTest, RepeatedPrefixKeepsTheFirstPage) {
    Program({0x11, 0x10, 0x83, 0x00, 0x00});  // CMPU #0, not CMPD
    cpu.SetD(0x0001);
    cpu.SetU(0x0000);
    EXPECT_EQ(Step(), 6);
    EXPECT_TRUE(cpu.Flag(kFlagZ));
}

// A long run of prefixes must not trap the step or overflow its cycle count.
TEST_F(CpuTest, EndlessPrefixesEndTheStep) {
    for (unsigned a = 0; a < 0x2000; ++a)
        decoder.Write(static_cast<Address>(a), 0x10);
    cpu.SetPC(0x0000);
    const int cycles = Step();
    EXPECT_GT(cycles, 2);
    EXPECT_LE(cycles, 255);
    EXPECT_NE(cpu.PC(), 0x0000);
}

TEST_F(CpuTest, InvalidPostbyteCostsTwoOrThreeCycles) {
    Program({0xA6, 0x90, 0x10, 0xAE, 0x87, 0x30, 0x8F});
    EXPECT_EQ(Step(), 2);
    EXPECT_EQ(LastMessage(), "Prozessorfehler bei Adresse $0401: $90 ist ungültiges Postbyte;");
    EXPECT_EQ(Step(), 3);
    EXPECT_EQ(LastMessage(), "Prozessorfehler bei Adresse $0404: $87 ist ungültiges Postbyte;");
    EXPECT_EQ(Step(), 2);
    EXPECT_EQ(cpu.PC(), kProgram + 7);
}

}  // namespace
}  // namespace tarvok::testing
