// The tarvok-asm executable: outputs, exit codes, and no output file after an error.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "asm/asm_output.h"
#include "asm/assembler.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

namespace fs = std::filesystem;

class AsmCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(test::AsmPath())) << "build tarvok-asm first: " << test::AsmPath();
    }

    std::string Path(const std::string& name) const { return temp_.Path(name); }
    void WriteSource(const std::string& name, const std::string& text) const {
        temp_.Write(name, text);
    }
    static std::string Read(const std::string& path) { return test::TempDir::Read(path); }

    // Runs the assembler and keeps its standard error; returns the exit code.
    int Run(const std::vector<std::string>& args) {
        const test::ProgramResult result = test::RunProgram(test::AsmPath(), args);
        err_ = result.err;
        return result.exitCode;
    }

    test::TempDir temp_;
    std::string err_;  // standard error of the last run
};

constexpr const char* kProgram =
    "        ORG   $0400\n"
    "START   LDA   #$41\n"
    "        STA   $F020\n"
    "        BRA   START\n"
    "        END   START\n";

TEST_F(AsmCliTest, WritesHexBinaryAndListing) {
    WriteSource("p.asm", kProgram);
    ASSERT_EQ(Run({Path("p.asm"), "-o", Path("p.hex"), "--bin", Path("p.bin"), "--range",
                   "03FE-0408", "--fill", "00", "-l", Path("p.lst")}),
              0)
        << err_;
    const AsmResult result = AssembleSource(kProgram, "p.asm");
    EXPECT_EQ(Read(Path("p.hex")), FormatAsmIntelHex(result.image));
    EXPECT_EQ(Read(Path("p.hex")), ":070400008641B7F02020F94E\r\n:00000001FF\r\n");
    EXPECT_EQ(Read(Path("p.bin")), std::string("\0\0\x86\x41\xB7\xF0\x20\x20\xF9\0\0", 11));
    EXPECT_NE(Read(Path("p.lst")).find("START"), std::string::npos);
    EXPECT_EQ(err_, "");
}

TEST_F(AsmCliTest, DefaultsToHexBesideTheSource) {
    WriteSource("q.asm", kProgram);
    ASSERT_EQ(Run({Path("q.asm")}), 0) << err_;
    EXPECT_TRUE(fs::exists(Path("q.hex")));
}

TEST_F(AsmCliTest, AssemblyErrorWritesNoOutput) {
    WriteSource("bad.asm", " NOP\n LDAX #1\n BRA NOWHERE\n");
    EXPECT_EQ(Run({Path("bad.asm"), "-o", Path("bad.hex"), "--bin", Path("bad.bin"), "--range",
                   "0000-00FF", "-l", Path("bad.lst")}),
              1);
    EXPECT_FALSE(fs::exists(Path("bad.hex")));
    EXPECT_FALSE(fs::exists(Path("bad.bin")));
    EXPECT_FALSE(fs::exists(Path("bad.lst")));
    const std::string errors = err_;
    EXPECT_NE(errors.find("bad.asm:2:2: error: unknown mnemonic 'LDAX'"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find("bad.asm:3:6: error: undefined symbol 'NOWHERE'"), std::string::npos)
        << errors;
}

TEST_F(AsmCliTest, UsageAndIoErrorsExitWithTwo) {
    WriteSource("p.asm", kProgram);
    EXPECT_EQ(Run({}), 2);
    EXPECT_EQ(Run({Path("missing.asm")}), 2);
    EXPECT_EQ(Run({Path("p.asm"), "--bin", Path("x.bin")}), 2);
    EXPECT_EQ(Run({Path("p.asm"), "--bin", Path("x.bin"), "--range", "0500-04FF"}), 2);
    EXPECT_EQ(Run({Path("p.asm"), "--bin", Path("x.bin"), "--range", "0400-04FF", "--fill", "1FF"}),
              2);
    EXPECT_EQ(Run({Path("p.asm"), "--bogus"}), 2);
    EXPECT_EQ(Run({Path("p.asm"), "-o", Path("no/such/dir/p.hex")}), 2);
    EXPECT_FALSE(fs::exists(Path("x.bin")));
}

TEST_F(AsmCliTest, RefusesOutputsThatNameAnInputOrEachOther) {
    WriteSource("p.asm", " INCLUDE defs.inc\n" + std::string(kProgram));
    WriteSource("defs.inc", "PORT EQU $F000\n");
    fs::create_hard_link(Path("p.asm"), Path("link.asm"));
    const std::string source = Read(Path("p.asm"));
    const std::vector<std::vector<std::string>> refused = {
        {Path("p.asm"), "-o", Path("p.asm")},
        {Path("p.asm"), "-l", temp_.Dir().string() + "/./p.asm"},
        {Path("p.asm"), "--bin", Path("link.asm"), "--range", "0400-0401"},
        {Path("p.asm"), "-o", Path("defs.inc")},
        {Path("p.asm"), "-o", Path("x.hex"), "-l", Path("x.hex")}};
    for (const std::vector<std::string>& args : refused) {
        EXPECT_EQ(Run(args), 2) << args[2];
        EXPECT_NE(err_.find("choose"), std::string::npos) << err_;
    }
    EXPECT_EQ(Read(Path("p.asm")), source);
    EXPECT_EQ(Read(Path("defs.inc")), "PORT EQU $F000\n");
    EXPECT_FALSE(fs::exists(Path("x.hex")));
    EXPECT_NE(err_.find("-o and -l name the same file"), std::string::npos) << err_;
}

TEST_F(AsmCliTest, WarningsDoNotStopTheOutput) {
    WriteSource("w.asm", " ORG $0400\nRTS\n NOP\n");
    EXPECT_EQ(Run({Path("w.asm")}), 0);
    EXPECT_NE(err_.find("w.asm:2:1: warning: 'RTS' in column 1"), std::string::npos) << err_;
    EXPECT_TRUE(fs::exists(Path("w.hex")));
}

}  // namespace
}  // namespace tarvok
