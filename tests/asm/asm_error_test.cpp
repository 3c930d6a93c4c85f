// Diagnostics: every error with file, line and column, all of them reported.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "asm_test_support.h"

namespace tarvok {
namespace {

using asm_test::Messages;

std::vector<std::string> Errors(const std::string& source) {
    const AsmResult result = AssembleSource(source, "prog.asm");
    EXPECT_FALSE(result.ok);
    std::vector<std::string> texts;
    for (const AsmDiagnostic& d : result.diagnostics)
        texts.push_back(d.ToString());
    return texts;
}

TEST(ErrorTest, NamesFileLineAndColumn) {
    EXPECT_EQ(Errors(" ORG $400\n        LDAX #1\n"),
              std::vector<std::string>{"prog.asm:2:9: error: unknown mnemonic 'LDAX'"});
    EXPECT_EQ(Errors("        LDA  #1+NOWHERE\n"),
              std::vector<std::string>{"prog.asm:1:17: error: undefined symbol 'NOWHERE'"});
    EXPECT_EQ(
        Errors("L NOP\n BRA L+200\n"),
        std::vector<std::string>{"prog.asm:2:6: error: branch out of range (offset 197, a short "
                                 "branch reaches -128 to 127; use LBRA)"});
    EXPECT_EQ(Errors(" STA #5\n"),
              std::vector<std::string>{
                  "prog.asm:1:6: error: bad addressing mode: 'STA' has no immediate form"});
    EXPECT_EQ(Errors("X NOP\nX NOP\n"),
              std::vector<std::string>{
                  "prog.asm:2:1: error: duplicate label 'X' (first defined in line 1)"});
}

TEST(ErrorTest, ReportsEveryErrorOnce) {
    const std::vector<std::string> errors = Errors(
        " LDAX\n"
        " LDA UNKNOWN\n"
        " NOP\n"
        "A EQU 1\n"
        "A EQU 2\n"
        " BRA *+300\n"
        " LEAX $1234\n");
    ASSERT_EQ(errors.size(), 5u);
    EXPECT_EQ(errors[0].rfind("prog.asm:1:2:", 0), 0u);
    EXPECT_EQ(errors[1].rfind("prog.asm:2:6:", 0), 0u);
    EXPECT_EQ(errors[2].rfind("prog.asm:5:1:", 0), 0u);
    EXPECT_EQ(errors[3].rfind("prog.asm:6:6:", 0), 0u);
    EXPECT_NE(errors[4].find("bad addressing mode"), std::string::npos);
}

TEST(ErrorTest, StopsAfterTheErrorLimit) {
    std::string source;
    for (int i = 0; i < 300; ++i)
        source += " BAD\n";
    Assembler assembler;
    assembler.SetMaxErrors(10);
    const AsmResult result = assembler.Assemble(source, "p.asm");
    ASSERT_EQ(result.diagnostics.size(), 11u);
    EXPECT_NE(result.diagnostics.back().message.find("too many errors"), std::string::npos);
}

TEST(ErrorTest, BadValuesAndSyntax) {
    for (const char* line : {" LDA #256",   " LDA #-129", " LDD #$10000", " FCB 300",
                             " FDB $12345", " LDA #",     " LDA #(1",     " LDA #1/0",
                             " LDA #$G",    " LDA #%102", " FCC /abc",    " ORG LATER\nLATER NOP",
                             " RMB -1",     " FILL 1",    " SETDP $100",  " EQU 5",
                             " JMP",        " LDA 1)",    "1BAD NOP",     " LDA ,X)",
                             " BRA",        " LBRA #5"}) {
        const AsmResult result = AssembleSource(std::string(line) + "\n", "p.asm");
        EXPECT_FALSE(result.ok) << line;
        for (const AsmDiagnostic& d : result.diagnostics) {
            EXPECT_GE(d.column, 1) << line << ": " << d.ToString();
            EXPECT_EQ(d.line, 1) << line << ": " << d.ToString();
        }
    }
}

TEST(ErrorTest, OverlappingAndOverflowingCodeIsAnError) {
    EXPECT_NE(Messages(AssembleSource(" ORG 0\n FCB 1,2\n ORG 1\n FCB 3\n", "p.asm"))
                  .find("address $0001 already holds code or data"),
              std::string::npos);
    EXPECT_FALSE(AssembleSource(" ORG $FFFF\n FDB 1\n", "p.asm").ok);
    EXPECT_TRUE(AssembleSource(" ORG $FFFE\n FDB 1\n", "p.asm").ok);
}

TEST(ErrorTest, ForwardReferenceChainsAreResolved) {
    const AsmResult result = AssembleSource(" LDA A\nA EQU B+1\nB EQU C*2\nC EQU 3\n", "p.asm");
    EXPECT_TRUE(result.ok) << Messages(result);
    EXPECT_EQ(asm_test::BytesFrom(result, 0), asm_test::ParseBytes("B6 00 07"));
    EXPECT_FALSE(AssembleSource("A EQU B\nB EQU A\n", "p.asm").ok);
}

}  // namespace
}  // namespace tarvok
