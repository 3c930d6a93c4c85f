// Indexed postbytes and offset sizes, PC-relative and indirect forms, direct-page choice.

#include <gtest/gtest.h>

#include <string>

#include "asm_test_support.h"
#include "support/case_name.h"

namespace tarvok {
namespace {

using asm_test::AssembleLine;
using asm_test::Messages;
using asm_test::ParseBytes;

struct IndexedCase {
    const char* operand;
    const char* bytes;  // after the LDA opcode $A6
};

class IndexedTest : public ::testing::TestWithParam<IndexedCase> {};

TEST_P(IndexedTest, EncodesPostbyteAndOffset) {
    EXPECT_EQ(AssembleLine(std::string("LDA ") + GetParam().operand),
              ParseBytes(std::string("A6 ") + GetParam().bytes))
        << GetParam().operand;
}

INSTANTIATE_TEST_SUITE_P(
    Forms, IndexedTest,
    ::testing::Values(IndexedCase{",X", "84"}, IndexedCase{",Y", "A4"}, IndexedCase{",U", "C4"},
                      IndexedCase{",S", "E4"}, IndexedCase{",x", "84"}, IndexedCase{",X+", "80"},
                      IndexedCase{",Y++", "A1"}, IndexedCase{",-U", "C2"},
                      IndexedCase{",--S", "E3"}, IndexedCase{"B,X", "85"}, IndexedCase{"A,Y", "A6"},
                      IndexedCase{"D,U", "CB"}, IndexedCase{"b,s", "E5"},
                      // offsets: zero, 5-bit, 8-bit, 16-bit chosen by value
                      IndexedCase{"0,X", "84"}, IndexedCase{"1,X", "01"}, IndexedCase{"15,X", "0F"},
                      IndexedCase{"-16,X", "10"}, IndexedCase{"-1,Y", "3F"},
                      IndexedCase{"5,U", "45"}, IndexedCase{"-2,S", "7E"},
                      IndexedCase{"16,X", "88 10"}, IndexedCase{"-17,X", "88 EF"},
                      IndexedCase{"127,U", "C8 7F"}, IndexedCase{"-128,S", "E8 80"},
                      IndexedCase{"128,X", "89 00 80"}, IndexedCase{"-129,X", "89 FF 7F"},
                      IndexedCase{"$1234,Y", "A9 12 34"}, IndexedCase{"$F000,X", "89 F0 00"},
                      // forced sizes
                      IndexedCase{"<1,X", "88 01"}, IndexedCase{">1,X", "89 00 01"},
                      IndexedCase{"<0,X", "88 00"}, IndexedCase{">-1,S", "E9 FF FF"},
                      // indirect: no 5-bit form
                      IndexedCase{"[,X]", "94"}, IndexedCase{"[,X++]", "91"},
                      IndexedCase{"[,--Y]", "B3"}, IndexedCase{"[B,X]", "95"},
                      IndexedCase{"[A,Y]", "B6"}, IndexedCase{"[D,U]", "DB"},
                      IndexedCase{"[0,S]", "F4"}, IndexedCase{"[1,X]", "98 01"},
                      IndexedCase{"[-128,Y]", "B8 80"}, IndexedCase{"[300,S]", "F9 01 2C"},
                      IndexedCase{"[$1234]", "9F 12 34"}, IndexedCase{"[>$12]", "9F 00 12"},
                      // PC-relative at $1000: the offset counts from the end of the instruction
                      IndexedCase{"*,PCR", "8C FD"}, IndexedCase{"$1082,PCR", "8C 7F"},
                      IndexedCase{"$1083,PCR", "8D 00 7F"}, IndexedCase{"$0F83,PCR", "8C 80"},
                      IndexedCase{"$0F82,PCR", "8D FF 7E"}, IndexedCase{">*,PCR", "8D FF FC"},
                      IndexedCase{"[*,PCR]", "9C FD"}, IndexedCase{"[$2000,PCR]", "9D 0F FC"},
                      IndexedCase{"5,PC", "8C 05"}, IndexedCase{"$200,PC", "8D 02 00"},
                      IndexedCase{",PCR", "8C 00"}),
    [](const auto& info) { return test::CaseName(info.param.operand, info.index); });

TEST(IndexedPageTest, PrefixCountsInPcRelativeOffsets) {
    // CMPU has a two-byte opcode: the end is 4 or 5 bytes on.
    EXPECT_EQ(AssembleLine("CMPU *,PCR"), ParseBytes("11 A3 8C FC"));
    EXPECT_EQ(AssembleLine("LDY $2000,PCR"), ParseBytes("10 AE 8D 0F FB"));
    EXPECT_EQ(AssembleLine("STS [,X]"), ParseBytes("10 EF 94"));
    EXPECT_EQ(AssembleLine("LEAX 1,X"), ParseBytes("30 01"));
    EXPECT_EQ(AssembleLine("LEAS -2,S"), ParseBytes("32 7E"));
    EXPECT_EQ(AssembleLine("JMP [$FFFE]"), ParseBytes("6E 9F FF FE"));
}

TEST(IndexedPageTest, ForwardReferencesTakeTheLongForm) {
    EXPECT_EQ(AssembleLine("LDA OFS,X", "", "OFS EQU 1\n"), ParseBytes("A6 89 00 01"));
    EXPECT_EQ(AssembleLine("LDA NEXT,PCR", "", "NEXT NOP\n"), ParseBytes("A6 8D 00 00 12"));
    EXPECT_EQ(AssembleLine("LDA [OFS,Y]", "", "OFS EQU 0\n"), ParseBytes("A6 B9 00 00"));
    // backwards they are known in pass 1 and get the short form
    EXPECT_EQ(AssembleLine("LDA OFS,X", "OFS EQU 1\n"), ParseBytes("A6 01"));
}

TEST(IndexedPageTest, RejectsForbiddenForms) {
    for (const char* operand : {"[,X+]", "[,-X]", "1,X+", "A,X+", ",PC+", "1,Z", "A,PCR", "<200,X",
                                "[,X", ",X+++", ",--X+", "<300,PCR"}) {
        const AsmResult result = AssembleSource(std::string(" LDA ") + operand + "\n", "t.asm");
        EXPECT_FALSE(result.ok) << operand;
    }
    const AsmResult bad = AssembleSource(" LDA [,X+]\n", "t.asm");
    EXPECT_NE(Messages(bad).find("bad addressing mode"), std::string::npos) << Messages(bad);
}

TEST(DirectPageTest, ChoosesDirectWhenTheHighByteMatchesDp) {
    EXPECT_EQ(AssembleLine("LDA $00FF"), ParseBytes("96 FF"));
    EXPECT_EQ(AssembleLine("LDA $0100"), ParseBytes("B6 01 00"));
    EXPECT_EQ(AssembleLine("LDA $2010", " SETDP $20\n"), ParseBytes("96 10"));
    EXPECT_EQ(AssembleLine("LDA $0010", " SETDP $20\n"), ParseBytes("B6 00 10"));
    EXPECT_EQ(AssembleLine("LDA <$2010", " SETDP $20\n"), ParseBytes("96 10"));
    EXPECT_EQ(AssembleLine("LDA <$10", " SETDP $20\n"), ParseBytes("96 10"));
    // a forward reference stays extended even though it lands in the direct page
    EXPECT_EQ(AssembleLine("LDA VAR", "", "VAR EQU $20\n"), ParseBytes("B6 00 20"));
    EXPECT_EQ(AssembleLine("LDA VAR", "VAR EQU $20\n"), ParseBytes("96 20"));
    const AsmResult outside = AssembleSource(" SETDP $20\n LDA <$3010\n", "t.asm");
    EXPECT_FALSE(outside.ok);
    EXPECT_NE(Messages(outside).find("not in the direct page"), std::string::npos);
}

}  // namespace
}  // namespace tarvok
