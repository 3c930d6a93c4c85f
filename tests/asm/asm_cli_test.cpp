// The tarvok-asm executable: outputs, exit codes, and no output file after an error.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "asm/asm_output.h"
#include "asm/assembler.h"

namespace tarvok {
namespace {

namespace fs = std::filesystem;

class AsmCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        executable_ = fs::path(TARVOK_BINARY_DIR) / "src" / "tarvok-asm";
        ASSERT_TRUE(fs::exists(executable_)) << "build tarvok-asm first: " << executable_;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               ("tarvok_asm_cli_" + std::to_string(::getpid()) + "_" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    void WriteSource(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    static std::string Read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    // Runs the assembler with `arguments`; stderr goes to err.txt. Returns the exit code.
    int Run(const std::string& arguments) const {
        const std::string command =
            "\"" + executable_.string() + "\" " + arguments + " 2>\"" + Path("err.txt") + "\"";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    fs::path executable_;
    fs::path dir_;
};

constexpr const char* kProgram =
    "        ORG   $0400\n"
    "START   LDA   #$41\n"
    "        STA   $F020\n"
    "        BRA   START\n"
    "        END   START\n";

TEST_F(AsmCliTest, WritesHexBinaryAndListing) {
    WriteSource("p.asm", kProgram);
    ASSERT_EQ(Run(Path("p.asm") + " -o " + Path("p.hex") + " --bin " + Path("p.bin") +
                  " --range 03FE-0408 --fill 00 -l " + Path("p.lst")),
              0)
        << Read(Path("err.txt"));
    const TAsmResult result = AssembleSource(kProgram, "p.asm");
    EXPECT_EQ(Read(Path("p.hex")), FormatAsmIntelHex(result.image));
    EXPECT_EQ(Read(Path("p.hex")), ":070400008641B7F02020F94E\r\n:00000001FF\r\n");
    EXPECT_EQ(Read(Path("p.bin")), std::string("\0\0\x86\x41\xB7\xF0\x20\x20\xF9\0\0", 11));
    EXPECT_NE(Read(Path("p.lst")).find("START"), std::string::npos);
    EXPECT_EQ(Read(Path("err.txt")), "");
}

TEST_F(AsmCliTest, DefaultsToHexBesideTheSource) {
    WriteSource("q.asm", kProgram);
    ASSERT_EQ(Run(Path("q.asm")), 0) << Read(Path("err.txt"));
    EXPECT_TRUE(fs::exists(Path("q.hex")));
}

TEST_F(AsmCliTest, AssemblyErrorWritesNoOutput) {
    WriteSource("bad.asm", " NOP\n LDAX #1\n BRA NOWHERE\n");
    EXPECT_EQ(Run(Path("bad.asm") + " -o " + Path("bad.hex") + " --bin " + Path("bad.bin") +
                  " --range 0000-00FF -l " + Path("bad.lst")),
              1);
    EXPECT_FALSE(fs::exists(Path("bad.hex")));
    EXPECT_FALSE(fs::exists(Path("bad.bin")));
    EXPECT_FALSE(fs::exists(Path("bad.lst")));
    const std::string errors = Read(Path("err.txt"));
    EXPECT_NE(errors.find("bad.asm:2:2: error: unknown mnemonic 'LDAX'"), std::string::npos)
        << errors;
    EXPECT_NE(errors.find("bad.asm:3:6: error: undefined symbol 'NOWHERE'"), std::string::npos)
        << errors;
}

TEST_F(AsmCliTest, UsageAndIoErrorsExitWithTwo) {
    WriteSource("p.asm", kProgram);
    EXPECT_EQ(Run(""), 2);
    EXPECT_EQ(Run(Path("missing.asm")), 2);
    EXPECT_EQ(Run(Path("p.asm") + " --bin " + Path("x.bin")), 2);
    EXPECT_EQ(Run(Path("p.asm") + " --bin " + Path("x.bin") + " --range 0500-04FF"), 2);
    EXPECT_EQ(Run(Path("p.asm") + " --bin " + Path("x.bin") + " --range 0400-04FF --fill 1FF"), 2);
    EXPECT_EQ(Run(Path("p.asm") + " --bogus"), 2);
    EXPECT_EQ(Run(Path("p.asm") + " -o " + Path("no/such/dir/p.hex")), 2);
    EXPECT_FALSE(fs::exists(Path("x.bin")));
}

}  // namespace
}  // namespace tarvok
