// tarvok-cli --disasm: the listing of a range after the run, as text and in the JSON object.

#include <gtest/gtest.h>

#include "support/json.h"
#include "support/run_program.h"

namespace tarvok {
namespace {

using test::Json;
using test::RunProgram;

TEST(CliDisasmTest, ListsMemoryAsTheRunLeftItInTextAndJson) {
    // LDA #$3F; STA $0500; BRA *, and a page-2 instruction at $0501.
    const std::vector<std::string> args = {"--poke",   "0400:863FB7050020FE",
                                           "--poke",   "0501:10AE9F01A0",
                                           "--reg",    "PC=0400",
                                           "--steps",  "3",
                                           "--disasm", "0500-0501",
                                           "--disasm", "0405-0405"};
    const std::vector<std::string> listing = {"0500: 3F             SWI1 ",
                                              "0501: 10 AE 9F 01 A0 LDY   [$ 1a0]"};

    const auto text = RunProgram(test::CliPath(), args);
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("Disassembly 0500-0501:\n" + listing[0] + "\n" + listing[1] + "\n"),
              std::string::npos)
        << text.out;

    std::vector<std::string> jsonArgs = args;
    jsonArgs.push_back("--json");
    const Json json = Json::Parse(RunProgram(test::CliPath(), jsonArgs).out);
    ASSERT_EQ(json["disasm"]["0500-0501"].array.size(), 2u);
    EXPECT_EQ(json["disasm"]["0500-0501"][0].string, listing[0]);
    EXPECT_EQ(json["disasm"]["0500-0501"][1].string, listing[1]);
    EXPECT_EQ(json["disasm"]["0405-0405"][0].string, "0405: 20 FE          BRA   -2; $0405");
    EXPECT_FALSE(Json::Parse(RunProgram(test::CliPath(), {"--json"}).out).Has("disasm"));
}

TEST(CliDisasmTest, BadRangesAreUsageErrors) {
    for (const std::string range : {"0500-0400", "0400", "0400-10000", "04G0-0500"}) {
        const auto result = RunProgram(test::CliPath(), {"--disasm", range});
        EXPECT_EQ(result.exitCode, 2) << range;
        EXPECT_NE(result.err.find("--disasm"), std::string::npos) << result.err;
        EXPECT_TRUE(result.out.empty());
    }
}

}  // namespace
}  // namespace tarvok
