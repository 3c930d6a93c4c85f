// What real 6809 sources use: operand lists with blanks, character constants in lists, listing
// directives of other assemblers, conditional assembly and local labels.

#include <gtest/gtest.h>

#include <string>

#include "asm/asm_output.h"
#include "asm_test_support.h"

namespace tarvok {
namespace {

using asm_test::AssembleLine;
using asm_test::BytesFrom;
using asm_test::Messages;
using asm_test::Ok;
using asm_test::ParseBytes;
using asm_test::SymbolValue;

TEST(SyntaxTest, OperandListsTakeBlanksAfterCommas) {
    EXPECT_EQ(AssembleLine("FCB 1, 2,  3 comment"), ParseBytes("01 02 03"));
    EXPECT_EQ(AssembleLine("FDB $1234, 5"), ParseBytes("12 34 00 05"));
    EXPECT_EQ(AssembleLine("FILL $FF, 3"), ParseBytes("FF FF FF"));
    EXPECT_EQ(AssembleLine("PSHS A, B, X"), ParseBytes("34 16"));
    EXPECT_EQ(AssembleLine("TFR A, B"), ParseBytes("1F 89"));
    EXPECT_EQ(AssembleLine("LDA 5, X"), ParseBytes("A6 05"));
    // A comma with only a comment behind it still lacks its value.
    const AsmResult trailing = AssembleSource(" FCB 1,  ; comment\n", "t.asm");
    EXPECT_NE(Messages(trailing).find("t.asm:1:8: error: missing expression"), std::string::npos)
        << Messages(trailing);
}

TEST(SyntaxTest, FcbListsTakeCharacterConstants) {
    EXPECT_EQ(AssembleLine("FCB $49,'G','O',3"), ParseBytes("49 47 4F 03"));
    EXPECT_EQ(AssembleLine("FCB ',',''','a"), ParseBytes("2C 27 61"));
}

TEST(SyntaxTest, FccTakesAnyDelimiter) {
    for (const char* line : {"FCC /ab/", "FCC 'ab'", "FCC \"ab\"", "FCC |ab|", "FCC ;ab;",
                             "FCC *ab*", "FCC XabX", "FCC .ab. comment"}) {
        EXPECT_EQ(AssembleLine(line), ParseBytes("61 62")) << line;
    }
}

TEST(SyntaxTest, ListingDirectivesAreIgnoredWithANote) {
    const AsmResult result =
        Ok(" NAM demo\n TTL A title\n OPT l,s\n PAGE\n SPC 2\n ORG $10\n NOP\n");
    EXPECT_EQ(BytesFrom(result, 0x10), ParseBytes("12"));
    EXPECT_EQ(result.listing[0].note, "NAM ignored: tarvok-asm has no listing options");
    EXPECT_NE(FormatAsmListing(result).find("* SPC ignored"), std::string::npos);
}

TEST(SyntaxTest, MnemonicInColumnOneIsAWarning) {
    const AsmResult result = AssembleSource(" ORG $10\nRTS\n NOP\n", "t.asm");
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(Messages(result),
              "t.asm:2:1: warning: 'RTS' in column 1 is taken as a label; indent it to make it "
              "an instruction\n");
    // With an operation behind it the name is meant as a label.
    EXPECT_EQ(Ok("PAGE EQU 1\nLDA NOP\n").diagnostics.size(), 0u);
}

TEST(SyntaxTest, LessThanAddressesTheSetDpPage) {
    EXPECT_EQ(AssembleLine("SETDP $20\n LDA <$2010\n LDA $2010\n LDA <$10\n LDA $3010"),
              ParseBytes("96 10 96 10 96 10 B6 30 10"));
    EXPECT_EQ(Messages(AssembleSource(" LDA <$2010\n", "t.asm")),
              "t.asm:1:7: error: address $2010 is not in the direct page $00 (SETDP names the "
              "page that '<' addresses)\n");
}

TEST(SyntaxTest, RefusalsSayWhatIsAccepted) {
    EXPECT_EQ(Messages(AssembleSource("1A NOP\nN EQU\n TFR A,Q\n LDA 1,Z\n", "t.asm")),
              "t.asm:1:1: error: invalid label '1A' (a label starts with a letter, '_' or '.' and "
              "goes on with letters, digits, '_' and '.')\n"
              "t.asm:2:3: error: EQU needs an operand, as in EQU 10\n"
              "t.asm:3:8: error: invalid register 'Q' (expected A, B, D, X, Y, U, S, PC, CC or "
              "DP)\n"
              "t.asm:4:8: error: invalid index register 'Z' (expected X, Y, U, S or PCR; ,R+ ,R++ "
              ",-R ,--R step X, Y, U, S)\n");
}

TEST(ConditionalTest, AssemblesTheChosenBranches) {
    const AsmResult result =
        Ok(" ORG $10\n"
           "ON EQU 1\n"
           " IF ON\n"
           " FCB 1\n"
           " IF ON-1\n"
           "NEVER FCB 2\n"
           " END\n"
           " ELSE\n"
           " FCB 3\n"
           " ENDIF\n"
           " ELSE\n"
           " FCB 4\n"
           " ENDIF\n"
           " IFDEF ON\n"
           " FCB 5\n"
           " ENDC\n"
           " IFNDEF LATER\n"
           " FCB 6\n"
           " ENDIF\n"
           "LATER NOP\n");
    EXPECT_EQ(BytesFrom(result, 0x10), ParseBytes("01 03 05 06 12"));
    for (const AsmSymbol& symbol : result.symbols)
        EXPECT_NE(symbol.name, "NEVER");
}

TEST(ConditionalTest, UnbalancedBlocksAndUnknownConditionsAreErrors) {
    EXPECT_EQ(Messages(AssembleSource(" NOP\n ELSE\n ENDIF\n", "t.asm")),
              "t.asm:2:2: error: ELSE without IF (IF, IFDEF or IFNDEF opens a block)\n"
              "t.asm:3:2: error: ENDIF without IF (IF, IFDEF or IFNDEF opens a block)\n");
    EXPECT_EQ(Messages(AssembleSource(" IF 1\n ELSE\n ELSE\n", "t.asm")),
              "t.asm:3:2: error: second ELSE for the IF in line 1; a block has one ELSE at most\n"
              "t.asm:1:2: error: IF without ENDIF: its block runs to the end of the source\n");
    EXPECT_NE(Messages(AssembleSource(" IF LATER\n ENDIF\nLATER NOP\n", "t.asm"))
                  .find("t.asm:1:5: error: IF needs a value that is known at this point"),
              std::string::npos);
    EXPECT_NE(Messages(AssembleSource(" IFDEF 1X\n ENDIF\n", "t.asm"))
                  .find("IFDEF needs a symbol name, as in IFDEF DEBUG"),
              std::string::npos);
}

TEST(LocalLabelTest, BelongToTheLabelAboveThem) {
    const AsmResult result =
        Ok(" ORG $20\n"
           "FIRST LDB #2\n"
           ".loop DECB\n"
           " BNE .loop\n"
           "COUNT EQU 3\n"
           " BRA .done\n"
           ".done RTS\n"
           "SECOND BRA .loop\n"
           ".loop BRA FIRST.done\n");
    EXPECT_EQ(SymbolValue(result, "FIRST.loop"), 0x22);
    EXPECT_EQ(SymbolValue(result, "FIRST.done"), 0x27);
    EXPECT_EQ(SymbolValue(result, "SECOND.loop"), 0x2A);
    EXPECT_EQ(BytesFrom(result, 0x28), ParseBytes("20 00 20 FB"));
}

TEST(LocalLabelTest, UndefinedLocalLabelNamesItsScope) {
    EXPECT_EQ(Messages(AssembleSource("A NOP\n.x NOP\nB BRA .x\n", "t.asm")),
              "t.asm:3:7: error: undefined local label '.x' after 'B' (a local label belongs to "
              "the label above it)\n");
}

}  // namespace
}  // namespace tarvok
