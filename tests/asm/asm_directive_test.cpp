// Directives, expressions, symbols, forward references and the output formats.

#include <gtest/gtest.h>

#include <string>

#include "asm/asm_output.h"
#include "asm_test_support.h"
#include "core/intel_hex.h"
#include "support/case_name.h"

namespace tarvok {
namespace {

using asm_test::AssembleLine;
using asm_test::BytesFrom;
using asm_test::Messages;
using asm_test::Ok;
using asm_test::ParseBytes;
using asm_test::SymbolValue;

struct ExpressionCase {
    const char* expression;
    unsigned value;  // as FDB stores it
};

class ExpressionTest : public ::testing::TestWithParam<ExpressionCase> {};

TEST_P(ExpressionTest, Evaluates) {
    const std::vector<Byte> bytes = AssembleLine(std::string("FDB ") + GetParam().expression);
    ASSERT_EQ(bytes.size(), 2u);
    EXPECT_EQ(bytes[0] * 256u + bytes[1], GetParam().value) << GetParam().expression;
}

INSTANTIATE_TEST_SUITE_P(
    Operators, ExpressionTest,
    ::testing::Values(ExpressionCase{"1234", 1234}, ExpressionCase{"$BEEF", 0xBEEF},
                      ExpressionCase{"$beef", 0xBEEF}, ExpressionCase{"%1010", 10},
                      ExpressionCase{"@17", 15}, ExpressionCase{"'A", 65},
                      ExpressionCase{"'A'", 65}, ExpressionCase{"' ", 32},
                      ExpressionCase{"*", 0x1000}, ExpressionCase{"*+2", 0x1002},
                      ExpressionCase{"1+2*3", 7}, ExpressionCase{"(1+2)*3", 9},
                      ExpressionCase{"10-2-3", 5}, ExpressionCase{"100/7", 14},
                      ExpressionCase{"100%7", 2}, ExpressionCase{"1<<4|1", 17},
                      ExpressionCase{"$80>>3", 16}, ExpressionCase{"$F0^$FF", 0x0F},
                      ExpressionCase{"$1234&$FF", 0x34}, ExpressionCase{"~0&$FFFF", 0xFFFF},
                      ExpressionCase{"-1", 0xFFFF}, ExpressionCase{"-(2+3)", 0xFFFB},
                      ExpressionCase{"**2", 0x2000}, ExpressionCase{"%1*%11", 3},
                      ExpressionCase{"2+3<<1", 10}, ExpressionCase{"$12|$34&$0F", 0x16}),
    [](const auto& info) { return test::CaseName(info.param.expression, info.index); });

TEST(DirectiveTest, DataDirectives) {
    EXPECT_EQ(AssembleLine("FCB 1,$FF,-1,'a"), ParseBytes("01 FF FF 61"));
    EXPECT_EQ(AssembleLine("FCB \"Hi\",0"), ParseBytes("48 69 00"));
    EXPECT_EQ(AssembleLine("FCB \"a,b c\",','"), ParseBytes("61 2C 62 20 63 2C"));
    EXPECT_EQ(AssembleLine("FDB $1234,5"), ParseBytes("12 34 00 05"));
    EXPECT_EQ(AssembleLine("FCC /a b;c/ comment"), ParseBytes("61 20 62 3B 63"));
    EXPECT_EQ(AssembleLine("FCC \"x/y\""), ParseBytes("78 2F 79"));
    EXPECT_EQ(AssembleLine("FILL $AA,3"), ParseBytes("AA AA AA"));
    EXPECT_EQ(AssembleLine("fill 0,0"), ParseBytes(""));
}

TEST(DirectiveTest, RmbReservesWithoutOutput) {
    const AsmResult result = Ok(" ORG $100\nA RMB 3\nB FCB 7\n");
    EXPECT_EQ(SymbolValue(result, "A"), 0x100);
    EXPECT_EQ(SymbolValue(result, "B"), 0x103);
    EXPECT_FALSE(result.image.used[0x100]);
    EXPECT_TRUE(result.image.used[0x103]);
}

TEST(DirectiveTest, LabelsEquSetAndComments) {
    const AsmResult result =
        Ok("* comment line\n"
           "; another comment\n"
           "        ORG   $2000\n"
           "START:  LDA   #1      load one\n"
           "LOOP    DECA          ; count down\n"
           "        BNE   LOOP\n"
           "Ten     EQU   10\n"
           "ten     EQU   Ten+1\n"
           "V       SET   1\n"
           "        FCB   V\n"
           "V       SET   V+1\n"
           "        FCB   V\n"
           "Here\n"
           "        END\n"
           "        FCB   $99\n");
    EXPECT_EQ(SymbolValue(result, "START"), 0x2000);
    EXPECT_EQ(SymbolValue(result, "LOOP"), 0x2002);
    EXPECT_EQ(SymbolValue(result, "Ten"), 10);
    EXPECT_EQ(SymbolValue(result, "ten"), 11);
    EXPECT_EQ(SymbolValue(result, "Here"), 0x2007);
    EXPECT_EQ(BytesFrom(result, 0x2000), ParseBytes("86 01 4A 26 FD 01 02"));
    ASSERT_EQ(result.symbols.front().name, "Here");  // sorted by name, upper case first
}

TEST(DirectiveTest, ForwardReferencesKeepTheirSize) {
    const AsmResult result =
        Ok(" ORG $0400\n"
           " LDX #TABLE\n"
           " LDA VALUE\n"
           " JMP LATER\n"
           " BRA LATER\n"
           "VALUE EQU LATER2-LATER\n"
           "LATER NOP\n"
           "LATER2 NOP\n"
           "TABLE FDB LATER\n");
    EXPECT_EQ(BytesFrom(result, 0x400), ParseBytes("8E 04 0D B6 00 01 7E 04 0B 20 00 12 12 04 0B"));
}

TEST(DirectiveTest, EntryPointAndSetDp) {
    const AsmResult result = Ok(" ORG $E000\nGO NOP\n END GO\n");
    ASSERT_TRUE(result.entryPoint.has_value());
    EXPECT_EQ(*result.entryPoint, 0xE000);
}

TEST(DirectiveTest, IncludeReadsThroughTheLoader) {
    Assembler assembler;
    assembler.SetFileLoader([](const std::string& path, std::string& content) {
        if (path != "dir/defs.inc") return Status::Failure("not found");
        content = "PORT EQU $F000\n";
        return Status();
    });
    const AsmResult result = assembler.Assemble(" INCLUDE \"defs.inc\"\n STA PORT\n", "dir/m.asm");
    EXPECT_TRUE(result.ok) << Messages(result);
    EXPECT_EQ(BytesFrom(result, 0), ParseBytes("B7 F0 00"));
    const AsmResult missing = assembler.Assemble(" INCLUDE \"x.inc\"\n", "dir/m.asm");
    ASSERT_EQ(missing.diagnostics.size(), 1u);
    EXPECT_EQ(missing.diagnostics[0].ToString(),
              "dir/m.asm:1:10: error: cannot read include file 'dir/x.inc': not found");
}

TEST(DirectiveTest, IncludedLinesReportTheirOwnFileAndARecursionEnds) {
    Assembler assembler;
    assembler.SetFileLoader([](const std::string& path, std::string& content) {
        content = path == "lib.inc" ? " NOP\n LDAX\n" : " INCLUDE self.inc\n";
        return Status();
    });
    const AsmResult bad = assembler.Assemble(" INCLUDE lib.inc\n NOPE\n", "m.asm");
    EXPECT_EQ(Messages(bad),
              "lib.inc:2:2: error: unknown mnemonic 'LDAX'\n"
              "m.asm:2:2: error: unknown mnemonic 'NOPE'\n");
    const AsmResult endless = assembler.Assemble(" INCLUDE self.inc\n", "m.asm");
    ASSERT_EQ(endless.diagnostics.size(), 1u) << Messages(endless);
    EXPECT_EQ(endless.diagnostics[0].message,
              "INCLUDE cycle 'self.inc' -> 'self.inc': a file cannot include itself");
}

TEST(DirectiveTest, LabelOnOrgTakesTheNewLocation) {
    const AsmResult result = Ok(" ORG $100\nHERE ORG $200\n NOP\n");
    EXPECT_EQ(SymbolValue(result, "HERE"), 0x200);
    EXPECT_NE(FormatAsmListing(result).find("2      0200"), std::string::npos)
        << FormatAsmListing(result);
}

TEST(OutputTest, IntelHexHasOneRecordRunPerContiguousBlock) {
    const AsmResult result = Ok(" ORG $0400\n FILL $11,17\n ORG $FFFE\n FDB $E000\n");
    const std::string hex = FormatAsmIntelHex(result.image);
    const auto read = [&](Address a) { return result.image.bytes[a]; };
    std::string expected = FormatIntelHex(0x400, 0x410, read);
    expected.resize(expected.size() - 13);
    expected += FormatIntelHex(0xFFFE, 0xFFFF, read);
    EXPECT_EQ(hex, expected);
    EXPECT_EQ(hex.substr(0, 9), ":10040000");
    EXPECT_NE(hex.find(":02FFFE00E000"), std::string::npos);
    EXPECT_EQ(hex.substr(hex.size() - 13), ":00000001FF\r\n");
    // and the core reader accepts it byte for byte
    const HexParseResult parsed = ParseIntelHex(hex);
    ASSERT_TRUE(parsed.ok);
    EXPECT_EQ(parsed.writes.size(), 19u);
}

TEST(OutputTest, EmptyProgramGivesOnlyTheEndRecord) {
    EXPECT_EQ(FormatAsmIntelHex(Ok(" ORG $100\n").image), ":00000001FF\r\n");
}

TEST(OutputTest, BinaryFillsUnusedAddresses) {
    const AsmResult result = Ok(" ORG $10\n FCB 1,2\n");
    EXPECT_EQ(FormatAsmBinary(result.image, 0x0E, 0x12, 0xFF), std::string("\xFF\xFF\x01\x02\xFF"));
    EXPECT_EQ(FormatAsmBinary(result.image, 0x11, 0x11, 0x00), std::string("\x02"));
}

TEST(OutputTest, ListingShowsAddressBytesSourceAndSymbols) {
    const AsmResult result = Ok(" ORG $0400\nSTART LDA #$12\nN EQU 5\n FCC /ABCDEFG/\n");
    const std::string listing = FormatAsmListing(result);
    EXPECT_NE(listing.find("0400     86 12           START LDA #$12"), std::string::npos)
        << listing;
    EXPECT_NE(listing.find("=0005"), std::string::npos) << listing;
    EXPECT_NE(listing.find("0407     46 47"), std::string::npos) << listing;
    EXPECT_NE(listing.find("N      $0005\nSTART  $0400\n"), std::string::npos) << listing;
}

}  // namespace
}  // namespace tarvok
