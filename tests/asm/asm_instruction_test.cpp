// Every mnemonic in every addressing mode it has, against the MC6809 opcode map.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asm_test_support.h"
#include "support/case_name.h"

namespace tarvok {
namespace {

using asm_test::AssembleLine;
using asm_test::Messages;
using asm_test::ParseBytes;

struct ModeRow {
    const char* mnemonic;
    const char* immediate;  // opcode bytes, "" when the mode does not exist
    const char* direct;
    const char* indexed;
    const char* extended;
    bool wideImmediate;
};

const std::vector<ModeRow> kMemoryInstructions = {
    {"SUBA", "80", "90", "A0", "B0", false},
    {"CMPA", "81", "91", "A1", "B1", false},
    {"SBCA", "82", "92", "A2", "B2", false},
    {"ANDA", "84", "94", "A4", "B4", false},
    {"BITA", "85", "95", "A5", "B5", false},
    {"LDA", "86", "96", "A6", "B6", false},
    {"STA", "", "97", "A7", "B7", false},
    {"EORA", "88", "98", "A8", "B8", false},
    {"ADCA", "89", "99", "A9", "B9", false},
    {"ORA", "8A", "9A", "AA", "BA", false},
    {"ADDA", "8B", "9B", "AB", "BB", false},
    {"SUBB", "C0", "D0", "E0", "F0", false},
    {"CMPB", "C1", "D1", "E1", "F1", false},
    {"SBCB", "C2", "D2", "E2", "F2", false},
    {"ANDB", "C4", "D4", "E4", "F4", false},
    {"BITB", "C5", "D5", "E5", "F5", false},
    {"LDB", "C6", "D6", "E6", "F6", false},
    {"STB", "", "D7", "E7", "F7", false},
    {"EORB", "C8", "D8", "E8", "F8", false},
    {"ADCB", "C9", "D9", "E9", "F9", false},
    {"ORB", "CA", "DA", "EA", "FA", false},
    {"ADDB", "CB", "DB", "EB", "FB", false},
    {"SUBD", "83", "93", "A3", "B3", true},
    {"ADDD", "C3", "D3", "E3", "F3", true},
    {"CMPX", "8C", "9C", "AC", "BC", true},
    {"LDX", "8E", "9E", "AE", "BE", true},
    {"STX", "", "9F", "AF", "BF", true},
    {"LDD", "CC", "DC", "EC", "FC", true},
    {"STD", "", "DD", "ED", "FD", true},
    {"LDU", "CE", "DE", "EE", "FE", true},
    {"STU", "", "DF", "EF", "FF", true},
    {"CMPD", "10 83", "10 93", "10 A3", "10 B3", true},
    {"CMPY", "10 8C", "10 9C", "10 AC", "10 BC", true},
    {"LDY", "10 8E", "10 9E", "10 AE", "10 BE", true},
    {"STY", "", "10 9F", "10 AF", "10 BF", true},
    {"LDS", "10 CE", "10 DE", "10 EE", "10 FE", true},
    {"STS", "", "10 DF", "10 EF", "10 FF", true},
    {"CMPU", "11 83", "11 93", "11 A3", "11 B3", true},
    {"CMPS", "11 8C", "11 9C", "11 AC", "11 BC", true},
    {"JMP", "", "0E", "6E", "7E", false},
    {"JSR", "", "9D", "AD", "BD", false},
    {"NEG", "", "00", "60", "70", false},
    {"COM", "", "03", "63", "73", false},
    {"LSR", "", "04", "64", "74", false},
    {"ROR", "", "06", "66", "76", false},
    {"ASR", "", "07", "67", "77", false},
    {"LSL", "", "08", "68", "78", false},
    {"ASL", "", "08", "68", "78", false},
    {"ROL", "", "09", "69", "79", false},
    {"DEC", "", "0A", "6A", "7A", false},
    {"INC", "", "0C", "6C", "7C", false},
    {"TST", "", "0D", "6D", "7D", false},
    {"CLR", "", "0F", "6F", "7F", false},
    {"LEAX", "", "", "30", "", false},
    {"LEAY", "", "", "31", "", false},
    {"LEAS", "", "", "32", "", false},
    {"LEAU", "", "", "33", "", false},
    {"ORCC", "1A", "", "", "", false},
    {"ANDCC", "1C", "", "", "", false},
    {"CWAI", "3C", "", "", "", false},
};

class MemoryInstructionTest : public ::testing::TestWithParam<ModeRow> {};

std::vector<Byte> Concat(const std::string& opcode, const std::string& operand) {
    return ParseBytes(opcode + " " + operand);
}

bool FailsWithBadMode(const std::string& line) {
    const AsmResult result = AssembleSource(" " + line + "\n", "t.asm");
    return !result.ok && Messages(result).find("bad addressing mode") != std::string::npos;
}

TEST_P(MemoryInstructionTest, EncodesEachModeOrRejectsIt) {
    const ModeRow& row = GetParam();
    const std::string m = row.mnemonic;
    const std::string immediate = row.wideImmediate ? " #$1234" : " #$12";
    if (*row.immediate) {
        EXPECT_EQ(AssembleLine(m + immediate),
                  Concat(row.immediate, row.wideImmediate ? "12 34" : "12"));
    } else {
        EXPECT_TRUE(FailsWithBadMode(m + immediate)) << m;
    }
    if (*row.direct) {
        EXPECT_EQ(AssembleLine(m + " $12"), Concat(row.direct, "12"));
        EXPECT_EQ(AssembleLine(m + " <$12"), Concat(row.direct, "12"));
    } else {
        EXPECT_TRUE(FailsWithBadMode(m + " <$12")) << m;
    }
    if (*row.indexed) {
        EXPECT_EQ(AssembleLine(m + " ,X"), Concat(row.indexed, "84"));
    } else {
        EXPECT_TRUE(FailsWithBadMode(m + " ,X")) << m;
    }
    if (*row.extended) {
        EXPECT_EQ(AssembleLine(m + " $1234"), Concat(row.extended, "12 34"));
        EXPECT_EQ(AssembleLine(m + " >$12"), Concat(row.extended, "00 12"));
    } else {
        EXPECT_TRUE(FailsWithBadMode(m + " >$1234")) << m;
    }
}

INSTANTIATE_TEST_SUITE_P(OpcodeMap, MemoryInstructionTest, ::testing::ValuesIn(kMemoryInstructions),
                         [](const auto& info) { return std::string(info.param.mnemonic); });

struct LineCase {
    const char* line;
    const char* bytes;
};

class EncodingTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(EncodingTest, ProducesBytes) {
    EXPECT_EQ(AssembleLine(GetParam().line), ParseBytes(GetParam().bytes)) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(
    Inherent, EncodingTest,
    ::testing::Values(LineCase{"NOP", "12"}, LineCase{"SYNC", "13"}, LineCase{"DAA", "19"},
                      LineCase{"SEX", "1D"}, LineCase{"RTS", "39"}, LineCase{"ABX", "3A"},
                      LineCase{"RTI", "3B"}, LineCase{"MUL", "3D"}, LineCase{"SWI", "3F"},
                      LineCase{"SWI2", "10 3F"}, LineCase{"SWI3", "11 3F"}, LineCase{"NEGA", "40"},
                      LineCase{"COMA", "43"}, LineCase{"LSRA", "44"}, LineCase{"RORA", "46"},
                      LineCase{"ASRA", "47"}, LineCase{"LSLA", "48"}, LineCase{"ASLA", "48"},
                      LineCase{"ROLA", "49"}, LineCase{"DECA", "4A"}, LineCase{"INCA", "4C"},
                      LineCase{"TSTA", "4D"}, LineCase{"CLRA", "4F"}, LineCase{"NEGB", "50"},
                      LineCase{"COMB", "53"}, LineCase{"LSRB", "54"}, LineCase{"RORB", "56"},
                      LineCase{"ASRB", "57"}, LineCase{"LSLB", "58"}, LineCase{"ASLB", "58"},
                      LineCase{"ROLB", "59"}, LineCase{"DECB", "5A"}, LineCase{"INCB", "5C"},
                      LineCase{"TSTB", "5D"}, LineCase{"CLRB", "5F"},
                      // case-insensitive, and anything behind an inherent instruction is comment
                      LineCase{"nop", "12"}, LineCase{"Rts return to caller", "39"}),
    [](const auto& info) { return test::CaseName(info.param.line, info.index); });

// Branches at $1000; the offset counts from the end of the instruction.
INSTANTIATE_TEST_SUITE_P(
    Branches, EncodingTest,
    ::testing::Values(
        LineCase{"BRA *", "20 FE"}, LineCase{"BRN *+2", "21 00"}, LineCase{"BHI *", "22 FE"},
        LineCase{"BLS *", "23 FE"}, LineCase{"BCC *", "24 FE"}, LineCase{"BHS *", "24 FE"},
        LineCase{"BCS *", "25 FE"}, LineCase{"BLO *", "25 FE"}, LineCase{"BNE *", "26 FE"},
        LineCase{"BEQ *", "27 FE"}, LineCase{"BVC *", "28 FE"}, LineCase{"BVS *", "29 FE"},
        LineCase{"BPL *", "2A FE"}, LineCase{"BMI *", "2B FE"}, LineCase{"BGE *", "2C FE"},
        LineCase{"BLT *", "2D FE"}, LineCase{"BGT *", "2E FE"}, LineCase{"BLE *", "2F FE"},
        LineCase{"BSR *", "8D FE"}, LineCase{"BRA *+129", "20 7F"}, LineCase{"BRA *-126", "20 80"},
        LineCase{"LBRA *", "16 FF FD"}, LineCase{"LBSR *+3", "17 00 00"},
        LineCase{"LBRA $9003", "16 80 00"}, LineCase{"LBRN *", "10 21 FF FC"},
        LineCase{"LBHI *", "10 22 FF FC"}, LineCase{"LBLS *", "10 23 FF FC"},
        LineCase{"LBCC *", "10 24 FF FC"}, LineCase{"LBHS *", "10 24 FF FC"},
        LineCase{"LBCS *", "10 25 FF FC"}, LineCase{"LBLO *", "10 25 FF FC"},
        LineCase{"LBNE *", "10 26 FF FC"}, LineCase{"LBEQ *+4", "10 27 00 00"},
        LineCase{"LBVC *", "10 28 FF FC"}, LineCase{"LBVS *", "10 29 FF FC"},
        LineCase{"LBPL *", "10 2A FF FC"}, LineCase{"LBMI *", "10 2B FF FC"},
        LineCase{"LBGE *", "10 2C FF FC"}, LineCase{"LBLT *", "10 2D FF FC"},
        LineCase{"LBGT *", "10 2E FF FC"}, LineCase{"LBLE $1104", "10 2F 01 00"}),
    [](const auto& info) { return test::CaseName(info.param.line, info.index); });

INSTANTIATE_TEST_SUITE_P(
    RegisterOperands, EncodingTest,
    ::testing::Values(LineCase{"TFR A,B", "1F 89"}, LineCase{"TFR D,X", "1F 01"},
                      LineCase{"EXG X,Y", "1E 12"}, LineCase{"TFR X,PC", "1F 15"},
                      LineCase{"TFR S,U", "1F 43"}, LineCase{"TFR CC,DP", "1F AB"},
                      LineCase{"EXG B,CC", "1E 9A"}, LineCase{"tfr dp,a", "1F B8"},
                      LineCase{"TFR PC,D", "1F 50"}, LineCase{"PSHS A,B,X", "34 16"},
                      LineCase{"PSHS X,B,A", "34 16"}, LineCase{"PSHS PC,U,Y,X,DP,B,A,CC", "34 FF"},
                      LineCase{"PULS CC,A,B,DP,X,Y,U,PC", "35 FF"}, LineCase{"PSHS D", "34 06"},
                      LineCase{"PSHS U", "34 40"}, LineCase{"PSHU S", "36 40"},
                      LineCase{"PULU S,PC", "37 C0"}, LineCase{"PSHU Y,X,D", "36 36"},
                      LineCase{"PULS ccr,dpr", "35 09"}, LineCase{"PSHS #$81", "34 81"}),
    [](const auto& info) { return test::CaseName(info.param.line, info.index); });

TEST(InstructionErrorTest, RegisterOperandsAreChecked) {
    for (const char* line : {" TFR A,X", " EXG X,B", " TFR A", " TFR A,Q", " PSHS S", " PULU U",
                             " PSHS A,D", " PSHS A,,B", " PSHS Z"}) {
        const AsmResult result = AssembleSource(std::string(line) + "\n", "t.asm");
        EXPECT_FALSE(result.ok) << line;
    }
}

}  // namespace
}  // namespace tarvok
