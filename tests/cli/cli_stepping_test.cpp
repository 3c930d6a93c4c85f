// tarvok-asm's symbol and S-record output and tarvok-cli's --step-over, --step-back, --symbols,
// --speed and S-record loading, as a user combines them.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/json.h"
#include "support/run_program.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

using test::Json;
using test::RunProgram;

constexpr const char* kProgram = R"(
PORT    EQU     $F002
        ORG     $0400
START   LDS     #$1F00
        LDB     #3
        BSR     TWICE
AFTER   STB     $0300
DONE    BRA     DONE
TWICE   ASLB
        BSR     NOTHING
        RTS
NOTHING RTS
        END     START
)";

class CliSteppingTest : public ::testing::Test {
protected:
    // Assembles kProgram to `name` (and its symbol file beside it).
    std::string Assemble(const std::string& name) {
        const std::string out = temp.Path(name);
        const auto result =
            RunProgram(test::AsmPath(), {temp.Write("prog.asm", kProgram), "-o", out});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return out;
    }
    Json Run(std::vector<std::string> args) {
        args.push_back("--json");
        const auto result = RunProgram(test::CliPath(), args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return Json::Parse(result.out);
    }
    test::TempDir temp;
};

TEST_F(CliSteppingTest, TheAssemblerWritesSRecordsAndTheLabelsBesideThem) {
    const std::string program = Assemble("prog.s19");
    const std::string records = test::TempDir::Read(program);
    EXPECT_EQ(records.substr(0, 2), "S0");
    EXPECT_NE(records.find("S9030400F8"), std::string::npos);  // END START
    const std::string symbols = test::TempDir::Read(temp.Path("prog.sym"));
    EXPECT_NE(symbols.find("START $0400\n"), std::string::npos);
    EXPECT_NE(symbols.find("NOTHING $"), std::string::npos);
    EXPECT_EQ(symbols.find("PORT"), std::string::npos);  // EQU values are no labels
}

TEST_F(CliSteppingTest, StepOverTakesEachCallAsOneStepAndListsWithLabels) {
    const std::string program = Assemble("prog.s19");
    const Json json = Run({"--load", program, "--symbols", temp.Path("prog.sym"), "--reg",
                           "PC=0400", "--step-over", "3", "--disasm", "0406-0406"});
    EXPECT_EQ(json["stop"].string, "step-over");
    EXPECT_EQ(json["step_overs"].number, 3);
    EXPECT_EQ(json["steps"].number, 7);  // LDS, LDB, then BSR, ASLB, BSR, RTS, RTS
    EXPECT_EQ(json["regs"]["b"].number, 6);
    const auto& listing = json["disasm"]["0406-0406"].array;
    ASSERT_EQ(listing.size(), 1u);
    EXPECT_EQ(listing[0].string, "0406: 8D 05          BSR   +5; TWICE");

    // A breakpoint inside the call ends the step over there.
    const Json stopped = Run({"--load", program, "--reg", "PC=0406", "--reg", "S=1F00",
                              "--step-over", "1", "--break", "040D"});
    EXPECT_EQ(stopped["stop"].string, "breakpoint");
    EXPECT_EQ(stopped["regs"]["pc"].number, 0x040D);
}

TEST_F(CliSteppingTest, StepBackEndsInTheStateOfTheShorterRun) {
    const std::string program = Assemble("prog.hex");
    const std::vector<std::string> common = {"--load",  program,  "--reg",
                                             "PC=0400", "--dump", "0300-0300"};
    std::vector<std::string> longer = common;
    longer.insert(longer.end(), {"--steps", "9", "--step-back", "2"});
    std::vector<std::string> shorter = common;
    shorter.insert(shorter.end(), {"--steps", "7"});
    const Json back = Run(longer);
    const Json plain = Run(shorter);
    for (const char* reg : {"pc", "b", "s", "cc"})
        EXPECT_EQ(back["regs"][reg].number, plain["regs"][reg].number) << reg;
    EXPECT_EQ(back["cycles"].number, plain["cycles"].number);
    EXPECT_EQ(back["steps"].number, 7);
    EXPECT_EQ(back["dumps"]["0300-0300"].string, "00");  // the store at step 8 is undone

    const auto tooFar = RunProgram(test::CliPath(), {"--load", program, "--reg", "PC=0400",
                                                     "--steps", "3", "--step-back", "4"});
    EXPECT_EQ(tooFar.exitCode, 2);
    EXPECT_NE(tooFar.err.find("cannot step back 4 steps: the run took 3"), std::string::npos)
        << tooFar.err;
}

TEST_F(CliSteppingTest, PacingChangesNothingTheProgramComputes) {
    const std::string program = Assemble("prog.hex");
    const Json flat = Run({"--load", program, "--reg", "PC=0400", "--cycles", "20000"});
    const Json paced =
        Run({"--load", program, "--reg", "PC=0400", "--cycles", "20000", "--speed", "100"});
    EXPECT_EQ(flat["regs"]["pc"].number, paced["regs"]["pc"].number);
    EXPECT_EQ(flat["cycles"].number, paced["cycles"].number);
    EXPECT_EQ(flat["steps"].number, paced["steps"].number);

    const auto bad = RunProgram(test::CliPath(), {"--speed", "2", "--steps", "1"});
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_NE(bad.err.find("bad value for --speed"), std::string::npos) << bad.err;
    const auto badSymbols =
        RunProgram(test::CliPath(),
                   {"--symbols", temp.Write("bad.sym", "OK $0400\nNOT OK\n"), "--steps", "1"});
    EXPECT_EQ(badSymbols.exitCode, 2);
    EXPECT_NE(badSymbols.err.find("bad.sym:2"), std::string::npos) << badSymbols.err;
}

}  // namespace
}  // namespace tarvok
