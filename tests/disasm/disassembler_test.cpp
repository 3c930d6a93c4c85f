// The listing text: byte column, mnemonic column and every operand form.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disasm/disassembler.h"
#include "disasm_memory.h"

namespace tarvok {
namespace {

using disasm_test::Memory;

struct Example {
    Address address;
    std::vector<Byte> bytes;
    std::string line;  // with the address
    int length;
};

void ExpectListed(const std::vector<Example>& examples) {
    for (const Example& example : examples) {
        SCOPED_TRACE(example.line);
        Memory memory;
        memory.Put(example.address, example.bytes);
        const DisassembledInstruction instruction =
            DisassembleInstruction(memory.Reader(), example.address);
        EXPECT_EQ(instruction.text, example.line.substr(6));
        EXPECT_EQ(instruction.length, example.length);
        EXPECT_EQ(DisassembleRange(memory.Reader(), example.address, example.address),
                  std::vector<std::string>{example.line});
    }
}

TEST(DisassemblerTest, ColumnsLineUpForEveryOperandLength) {
    ExpectListed({
        {0x0400, {0x12}, "0400: 12             NOP  ", 1},
        {0x0400, {0x3F}, "0400: 3F             SWI1 ", 1},
        {0x0400, {0x10, 0x8E, 0x12, 0x34}, "0400: 10 8E 12 34    LDY   #$1234", 4},
        {0x0400, {0x10, 0xFE, 0x12, 0x34}, "0400: 10 FE 12 34    LDS   $1234", 4},
        {0x0400, {0x10, 0xFF, 0x00, 0x80}, "0400: 10 FF 00 80    STS   $0080", 4},
        {0x0400, {0x11, 0x3F}, "0400: 11 3F          SWI3 ", 2},
        {0x0400, {0x10, 0xAE, 0xB9, 0x12, 0x34}, "0400: 10 AE B9 12 34 LDY   [+4660,Y]", 5},
    });
}

TEST(DisassemblerTest, BranchesShowSignedOffsetAndTarget) {
    ExpectListed({
        {0x0400, {0x20, 0xFE}, "0400: 20 FE          BRA   -2; $0400", 2},
        {0x0000, {0x20, 0x80}, "0000: 20 80          BRA   -128; $FF82", 2},
        {0xFFF0, {0x20, 0x7F}, "FFF0: 20 7F          BRA   +127; $0071", 2},
        {0x0400, {0x8D, 0x00}, "0400: 8D 00          BSR   +0; $0402", 2},
        {0x0400, {0x16, 0x80, 0x00}, "0400: 16 80 00       LBRA  -32768; $8403", 3},
        {0x0400, {0x17, 0x7F, 0xFF}, "0400: 17 7F FF       LBSR  +32767; $8402", 3},
        {0x0400, {0x10, 0x27, 0xFF, 0xFC}, "0400: 10 27 FF FC    LBEQ  -4; $0400", 4},
        {0xFFFE, {0x10, 0x21, 0x00, 0x10}, "FFFE: 10 21 00 10    LBRN  +16; $0012", 4},
    });
}

TEST(DisassemblerTest, RegisterListsKeepTheirLastCommaAndPairsNameUnknownCodes) {
    ExpectListed({
        {0x0400, {0x34, 0x16}, "0400: 34 16          PSHS  X,B,A,", 2},
        {0x0400, {0x34, 0xFF}, "0400: 34 FF          PSHS  PC,U,Y,X,DP,B,A,CC,", 2},
        {0x0400, {0x37, 0xFF}, "0400: 37 FF          PULU  PC,S,Y,X,DP,B,A,CC,", 2},
        {0x0400, {0x36, 0x00}, "0400: 36 00          PSHU  ", 2},
        {0x0400, {0x1F, 0x89}, "0400: 1F 89          TFR   A,B", 2},
        {0x0400, {0x1F, 0x6C}, "0400: 1F 6C          TFR   ??,??", 2},
    });
}

TEST(DisassemblerTest, IndexedOffsetsAreSignedDecimalExtendedIndirectIsPaddedHex) {
    ExpectListed({
        {0x0400, {0xA6, 0x1F}, "0400: A6 1F          LDA   -1,X", 2},
        {0x0400, {0xA6, 0x00}, "0400: A6 00          LDA   +0,X", 2},
        {0x0400, {0xA6, 0x89, 0x80, 0x00}, "0400: A6 89 80 00    LDA   -32768,X", 4},
        {0x0400, {0xA6, 0x8C, 0x80}, "0400: A6 8C 80       LDA   -128,PCR", 3},
        {0x0400, {0xA6, 0xED, 0x01, 0x00}, "0400: A6 ED 01 00    LDA   +256,PCR", 4},
        {0x0400, {0xEC, 0x9D, 0x00, 0x00}, "0400: EC 9D 00 00    LDD   [+0,PCR]", 4},
        // Extended indirect: "%4x", blank-padded lower-case digits; the register bits do not count.
        {0x0400, {0xA6, 0x9F, 0x01, 0xA0}, "0400: A6 9F 01 A0    LDA   [$ 1a0]", 4},
        {0x0400, {0x6E, 0xBF, 0xAB, 0xCD}, "0400: 6E BF AB CD    JMP   [$abcd]", 4},
        {0x0400, {0x30, 0xFF, 0x00, 0x05}, "0400: 30 FF 00 05    LEAX  [$   5]", 4},
    });
}

TEST(DisassemblerTest, UndefinedCodesAndPostbytesShowQuestionMarks) {
    ExpectListed({
        {0x0400, {0x01}, "0400: 01             ?????", 1},
        // The listing goes on at the byte after the prefix.
        {0x0400, {0x10, 0x01}, "0400: 10 01          ?????", 1},
        {0x0400, {0x11, 0x8E}, "0400: 11 8E          ?????", 1},
        {0x0400, {0x10, 0x10}, "0400: 10 10          ?????", 1},
        // Undefined postbytes take no offset bytes, only the mnemonic is replaced.
        {0x0400, {0xA6, 0x87}, "0400: A6 87          ?????", 2},
        {0x0400, {0xA6, 0x90}, "0400: A6 90          ?????", 2},
        {0x0400, {0x6E, 0x8F, 0x12}, "0400: 6E 8F          ?????", 2},
        {0x0400, {0x10, 0xA3, 0x90}, "0400: 10 A3 90       ?????", 3},
    });
}

TEST(DisassemblerTest, ReadsEachByteOfTheInstructionOnceAndNoMore) {
    struct Case {
        std::vector<Byte> bytes;
        std::vector<Address> reads;
    };
    for (const Case& c :
         {Case{{0x10, 0xAE, 0xB9, 0x12, 0x34}, {0xFFFE, 0xFFFF, 0, 1, 2}},
          Case{{0xA6, 0x90, 0x12}, {0xFFFE, 0xFFFF}}, Case{{0x10, 0x01, 0x12}, {0xFFFE, 0xFFFF}},
          Case{{0x12, 0x12}, {0xFFFE}}, Case{{0xB6, 0x12, 0x34}, {0xFFFE, 0xFFFF, 0}}}) {
        Memory memory;
        memory.Put(0xFFFE, c.bytes);
        DisassembleInstruction(memory.Reader(), 0xFFFE);
        EXPECT_EQ(memory.reads, c.reads);
    }
}

TEST(DisassemblerTest, OperandBytesWrapAndTheListingEndsAtFFFF) {
    Memory memory;
    memory.Put(0xFFFE, {0x8E, 0x12}).Put(0x0000, {0x34});
    EXPECT_EQ(DisassembleWindow(memory.Reader(), 0xFFFE),
              std::vector<std::string>{"FFFE: 8E 12 34       LDX   #$1234"});
    EXPECT_EQ(DisassembleRange(memory.Reader(), 0xFFFD, 0xFFFF),
              (std::vector<std::string>{"FFFD: 12             NOP  ",
                                        "FFFE: 8E 12 34       LDX   #$1234"}));
}

TEST(DisassemblerTest, NextLineStartsAtTheCodeAfterAnUndefinedPrefixedCode) {
    Memory memory;
    memory.Put(0x0400, {0x10, 0x20, 0x05});
    EXPECT_EQ(DisassembleRange(memory.Reader(), 0x0400, 0x0401),
              (std::vector<std::string>{"0400: 10 20          ?????",
                                        "0401: 20 05          BRA   +5; $0408"}));
}

TEST(DisassemblerTest, WindowListsTwoKilobytesAndTheInstructionThatReachesBeyond) {
    Memory memory;  // NOPs
    memory.Put(0x0BFF, {0xB6});
    const std::vector<std::string> lines = DisassembleWindow(memory.Reader(), 0x0400);
    ASSERT_EQ(lines.size(), 2048u);
    EXPECT_EQ(lines.front(), "0400: 12             NOP  ");
    EXPECT_EQ(lines.back(), "0BFF: B6 12 12       LDA   $1212");
    // A range ending inside an instruction lists it whole.
    EXPECT_EQ(DisassembleRange(memory.Reader(), 0x0BFF, 0x0BFF),
              std::vector<std::string>{"0BFF: B6 12 12       LDA   $1212"});
}

}  // namespace
}  // namespace tarvok
