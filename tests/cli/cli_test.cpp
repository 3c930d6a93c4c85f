#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/json.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

using test::Json;
using test::RunProgram;

class CliTest : public ::testing::Test {
protected:
    std::string File(const std::string& name, const std::string& content) {
        return temp.Write(name, content);
    }
    static std::string ReadFile(const std::string& path) { return test::TempDir::Read(path); }
    // Runs the tool with --json and the built-in ROM only, and parses its answer.
    Json RunJson(std::vector<std::string> args, int expectedExit = 0) {
        args.push_back("--json");
        const auto result = RunProgram(test::CliPath(), args);
        EXPECT_EQ(result.exitCode, expectedExit) << result.err;
        return Json::Parse(result.out);
    }

    test::TempDir temp;
    const std::filesystem::path& dir = temp.Dir();
};

TEST_F(CliTest, WithoutStepsOrCyclesNothingRuns) {
    const Json json = RunJson({});
    EXPECT_EQ(json["stop"].string, "none");
    EXPECT_EQ(json["steps"].Int(), 0);
    EXPECT_EQ(json["cycles"].Int(), 0);
    EXPECT_EQ(json["regs"]["pc"].Int(), 0xE000);  // the load-time reset
    EXPECT_EQ(json["messages"].array.size(), 0u);
}

TEST_F(CliTest, PokesRegistersAndDumpsInOrder) {
    const Json json = RunJson({"--poke", "0400:0102A0ff", "--poke", "E000:00", "--reg", "D=1234",
                               "--reg", "A=56", "--reg", "pc=0400", "--reg", "CC=ff", "--dump",
                               "0400-0404", "--dump", "E000-E000"});
    EXPECT_EQ(json["dumps"]["0400-0404"].string, "0102A0FF00");
    EXPECT_NE(json["dumps"]["E000-E000"].string, "00");  // ROM refused the poke
    EXPECT_EQ(json["messages"][0].string,
              "Fehlerhafter Schreibversuch auf ROM-Speicherelement $E000: Element kann nur "
              "gelesen werden;");
    EXPECT_EQ(json["regs"]["d"].Int(), 0x5634);
    EXPECT_EQ(json["regs"]["a"].Int(), 0x56);
    EXPECT_EQ(json["regs"]["b"].Int(), 0x34);
    EXPECT_EQ(json["regs"]["pc"].Int(), 0x0400);
    EXPECT_EQ(json["regs"]["cc"].Int(), 0xFF);
}

TEST_F(CliTest, UsageErrorsExitWithTwo) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--bogus"},
                                                 {"--steps"},
                                                 {"--steps", "x"},
                                                 {"--reg", "Q=1"},
                                                 {"--reg", "A=100"},
                                                 {"--poke", "0400:123"},
                                                 {"--dump", "0500-0400"},
                                                 {"--pia-in", "C=00"},
                                                 {"--keys", "Z"},
                                                 {"--key-cycles", "0"}}) {
        const auto result = RunProgram(test::CliPath(), args);
        EXPECT_EQ(result.exitCode, 2) << args[0];
        EXPECT_NE(result.err.find("tarvok-cli:"), std::string::npos) << args[0];
    }
}

TEST_F(CliTest, UsageErrorsSayWhatWouldBeRight) {
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    for (const Case& c : {
             Case{{"--reg", "Q=1"},
                  "unknown register 'Q' in --reg Q=1: the registers are A, B, D, X, Y, U, S, "
                  "PC, DP or CC"},
             Case{{"--save-hex", "0400-0410"}, "--save-hex needs a range AAAA-BBBB and a file"},
             Case{{"--pia-play", "A", "x.pia", "--pia-play", "a", "y.pia"},
                  "--pia-play names port A twice"},
         }) {
        const auto result = RunProgram(test::CliPath(), c.args);
        EXPECT_EQ(result.exitCode, 2) << c.message;
        EXPECT_NE(result.err.find("tarvok-cli: " + c.message), std::string::npos) << result.err;
    }
}

// Clear resets the machine; a breakpoint at the reset vector's target stops the run there.
TEST_F(CliTest, ResetOntoABreakpointStopsTheRun) {
    const Json json =
        RunJson({"--keys", "^C", "--key-cycles", "4", "--break", "E000", "--steps", "20"});
    EXPECT_EQ(json["stop"].string, "breakpoint");
    EXPECT_EQ(json["regs"]["pc"].Int(), 0xE000);
    EXPECT_LT(json["steps"].Int(), 20);
    EXPECT_EQ(json["messages"][0].string,
              "Breakpoint bei Adresse ($E000) erreicht: System wird angehalten;");
}

TEST_F(CliTest, BadHexFilesAreRefusedNamingFileAndLine) {
    const std::string good = File("good.hex", ":0105000042B8\n:00000001FF\n");
    const std::string bad = File("bad.hex", ":0104000012E9\n:0104010034C7\n:00000001FF\n");
    const std::string binary = File("binary.hex", std::string("\x7f"
                                                              "ELF\x00\x01\x02",
                                                              7));
    const std::string empty = File("empty.hex", "");
    struct Case {
        std::string file;
        std::string where;
    };
    for (const Case& c :
         {Case{bad, bad + ":2:"}, Case{binary, binary + ":"}, Case{empty, empty + ":"},
          Case{(dir / "missing.hex").string(), (dir / "missing.hex").string() + ":"}}) {
        const auto result = RunProgram(
            test::CliPath(), {"--load", good, "--load", c.file, "--dump", "0500-0500", "--json"});
        EXPECT_EQ(result.exitCode, 2) << c.file;
        EXPECT_NE(result.err.find(c.where), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("Der Inhalt des Systemspeichers wurde nicht verändert."),
                  std::string::npos)
            << result.err;
        EXPECT_TRUE(result.out.empty());
    }
}

TEST_F(CliTest, MissingRomFileIsAnError) {
    const auto result = RunProgram(test::CliPath(), {"--rom", (dir / "none.rom").string()});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("none.rom"), std::string::npos);
}

TEST_F(CliTest, ShortRomFileIsUsedAsGiven) {
    // Two bytes: the reset vector at $FFFE then reads 0, so the processor starts at $0000.
    const Json json =
        RunJson({"--rom", File("tiny.rom", std::string("\x12\x34", 2)), "--dump", "E000-E002"});
    EXPECT_EQ(json["dumps"]["E000-E002"].string, "123400");
    EXPECT_EQ(json["regs"]["pc"].Int(), 0);
}

TEST_F(CliTest, LoadsHexAndSavesTheSameBytes) {
    const std::string source = File("in.hex",
                                    ":10040000000102030405060708090A0B0C0D0E0F74\r\n"
                                    ":0104100010DB\r\n:00000001FF\r\n");
    const std::string target = (dir / "out.hex").string();
    const Json json =
        RunJson({"--load", source, "--save-hex", "0400-0410", target, "--dump", "040E-0410"});
    EXPECT_EQ(json["dumps"]["040E-0410"].string, "0E0F10");
    EXPECT_EQ(ReadFile(target), ReadFile(source));
}

TEST_F(CliTest, TextOutputNamesTheState) {
    const auto result = RunProgram(test::CliPath(), {"--poke", "0400:12", "--reg", "PC=0400",
                                                     "--steps", "1", "--dump", "0400-0400"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("PC=0401"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Stop:      steps"), std::string::npos) << result.out;
    EXPECT_NE(result.out.find("Dump 0400-0400: 12"), std::string::npos) << result.out;
}

}  // namespace
}  // namespace tarvok

namespace tarvok {
namespace {

TEST(CliBuiltInRom, BootsTheMonitorWithItsGreeting) {
    // Run from a folder without 6809.rom, so the built-in image is used.
    const auto here = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    const auto result =
        test::RunProgram(test::CliPath(), {"--cycles", "300000", "--display", "--json"});
    std::filesystem::current_path(here);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const test::Json json = test::Json::Parse(result.out);
    EXPECT_NE(json["display"]["text"].string.find("6809"), std::string::npos) << result.out;
    EXPECT_EQ(json["messages"].array.size(), 0u);
}

}  // namespace
}  // namespace tarvok
