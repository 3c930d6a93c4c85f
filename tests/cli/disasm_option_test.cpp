// tarvok-cli --disasm: the listing of a range after the run, as text and in the JSON object.

#include <gtest/gtest.h>

#include "support/json.h"
#include "support/run_program.h"

namespace tarvok {
namespace {

using test::Json;
using test::RunProgram;

const std::vector<std::string> kListing = {
    "0400: 8E 12 34       LDX   #$1234",
    "0403: A6 9F 01 A0    LDA   [$ 1a0]",
    "0407: 10 27 FF F5    LBEQ  -11; $0400",
    "040B: 34 16          PSHS  X,B,A,",
    "040D: A6 90          ?????",
    "040F: 01             ?????",
};
const std::string kCode = "0400:8E1234A69F01A01027FFF53416A69001";

TEST(CliDisasmTest, PrintsTheListingAfterTheOtherResults) {
    const auto result = RunProgram(test::CliPath(), {"--poke", kCode, "--disasm", "0400-040F"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::string expected = "Disassembly 0400-040F:\n";
    for (const std::string& line : kListing)
        expected += line + "\n";
    EXPECT_NE(result.out.find(expected), std::string::npos) << result.out;
}

TEST(CliDisasmTest, JsonHoldsOneArrayOfLinesPerRange) {
    const auto result = RunProgram(test::CliPath(), {"--poke", kCode, "--disasm", "0400-040F",
                                                     "--disasm", "0407-0407", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json json = Json::Parse(result.out);
    const Json& whole = json["disasm"]["0400-040F"];
    ASSERT_EQ(whole.array.size(), kListing.size());
    for (std::size_t i = 0; i < kListing.size(); ++i)
        EXPECT_EQ(whole[i].string, kListing[i]);
    ASSERT_EQ(json["disasm"]["0407-0407"].array.size(), 1u);
    EXPECT_EQ(json["disasm"]["0407-0407"][0].string, kListing[2]);

    const Json without = Json::Parse(RunProgram(test::CliPath(), {"--json"}).out);
    EXPECT_FALSE(without.Has("disasm"));
}

TEST(CliDisasmTest, ListsMemoryAsTheRunLeftIt) {
    // LDA #$12; STA $0500; BRA *
    const auto result =
        RunProgram(test::CliPath(), {"--poke", "0400:8612B7050020FE", "--reg", "PC=0400", "--steps",
                                     "3", "--disasm", "0500-0500", "--json"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json json = Json::Parse(result.out);
    EXPECT_EQ(json["disasm"]["0500-0500"][0].string, "0500: 12             NOP  ");
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
