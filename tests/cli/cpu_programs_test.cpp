#include <gtest/gtest.h>

#include "support/case_name.h"
#include "support/json.h"
#include "support/run_program.h"

namespace tarvok {
namespace {

using test::Json;

Json RunJson(std::vector<std::string> args) {
    args.push_back("--json");
    const auto result = test::RunProgram(test::CliPath(), args);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return Json::Parse(result.out);
}

// Multiplication by repeated addition: $0500 times $0501 into the word at $0502.
constexpr const char* kMultiply =
    "0400:10CE1F004F5FFD0502F6050127"
    "10FC0502FB05008900FD05027A050126F020FE";

struct MultiplyCase {
    int a, b;
};

class MultiplyProgram : public ::testing::TestWithParam<MultiplyCase> {};

TEST_P(MultiplyProgram, ComputesTheProduct) {
    const auto [a, b] = GetParam();
    char operands[32];
    std::snprintf(operands, sizeof operands, "0500:%02X%02X", a, b);
    const Json json = RunJson({"--poke", kMultiply, "--poke", operands, "--reg", "PC=0400",
                               "--until", "041E", "--cycles", "100000", "--dump", "0502-0503"});
    EXPECT_EQ(json["stop"].string, "breakpoint");
    char expected[8];
    std::snprintf(expected, sizeof expected, "%04X", a * b);
    EXPECT_EQ(json["dumps"]["0502-0503"].string, expected);
    EXPECT_EQ(json["messages"][0].string,
              "Breakpoint bei Adresse ($041E) erreicht: System wird angehalten;");
}

INSTANTIATE_TEST_SUITE_P(Operands, MultiplyProgram,
                         ::testing::Values(MultiplyCase{13, 11}, MultiplyCase{0, 200},
                                           MultiplyCase{200, 0}, MultiplyCase{255, 255},
                                           MultiplyCase{128, 2}),
                         [](const auto& info) {
                             return std::to_string(info.param.a) + "x" +
                                    std::to_string(info.param.b);
                         });

TEST(CpuPrograms, BcdCounterWithDaa) {
    // CLRA; LDB #123; loop: ADDA #1; DAA; DECB; BNE loop; STA $0500; BRA *
    const Json json = RunJson({"--poke", "0400:4FC67B8B01195A26FAB7050020FE", "--reg", "PC=0400",
                               "--until", "040C", "--steps", "10000", "--dump", "0500-0500"});
    EXPECT_EQ(json["stop"].string, "breakpoint");
    EXPECT_EQ(json["dumps"]["0500-0500"].string, "23");  // 123 counts wrap past 99
    EXPECT_EQ(json["steps"].Int(), 2 + 4 * 123 + 1);
}

TEST(CpuPrograms, RecursiveSubroutineSumsOneToN) {
    // sum(n) = n + sum(n - 1), n in B, result in D; called with n = 30.
    const Json json = RunJson({"--poke",
                               "0400:10CE1F00C61E8D05FD050020FE5D26024F393404"
                               "5A8DF6EBE0890039",
                               "--reg", "PC=0400", "--until", "040B", "--cycles", "100000",
                               "--dump", "0500-0501"});
    EXPECT_EQ(json["stop"].string, "breakpoint");
    EXPECT_EQ(json["dumps"]["0500-0501"].string, "01D1");  // 465
    EXPECT_EQ(json["regs"]["s"].Int(), 0x1F00);
}

TEST(CpuPrograms, StopsAtStepsOrCyclesWhicheverComesFirst) {
    // BRA *: 3 cycles a step.
    Json json =
        RunJson({"--poke", "0400:20FE", "--reg", "PC=0400", "--steps", "10", "--cycles", "1000"});
    EXPECT_EQ(json["stop"].string, "steps");
    EXPECT_EQ(json["cycles"].Int(), 30);
    json =
        RunJson({"--poke", "0400:20FE", "--reg", "PC=0400", "--steps", "1000", "--cycles", "31"});
    EXPECT_EQ(json["stop"].string, "cycles");
    EXPECT_EQ(json["cycles"].Int(), 33);  // at least 31
    EXPECT_EQ(json["steps"].Int(), 11);
}

TEST(CpuPrograms, BreakpointIsTestedAfterTheStep) {
    // A breakpoint at the start address does not stop before the first instruction.
    const Json json = RunJson(
        {"--poke", "0400:121220FC", "--reg", "PC=0400", "--break", "0400", "--steps", "100"});
    EXPECT_EQ(json["stop"].string, "breakpoint");
    EXPECT_EQ(json["steps"].Int(), 3);
    EXPECT_EQ(json["regs"]["pc"].Int(), 0x0400);
}

TEST(CpuPrograms, UndefinedOpcodesAreReportedAndSkipped) {
    const Json json = RunJson({"--poke", "0400:0112", "--reg", "PC=0400", "--steps", "2"});
    EXPECT_EQ(json["messages"][0].string,
              "Prozessorfehler bei Adresse $0400: $01 ist ungültiger Opcode;");
    EXPECT_EQ(json["regs"]["pc"].Int(), 0x0402);
    EXPECT_EQ(json["cycles"].Int(), 1 + 2);
}

TEST(CpuPrograms, TracePrintsOneLinePerStep) {
    const Json json = RunJson({"--poke", "0400:8E1234BD04083F12", "--poke", "0408:39", "--reg",
                               "PC=0400", "--reg", "S=1F00", "--steps", "3", "--trace"});
    ASSERT_EQ(json["trace"].array.size(), 3u);
    EXPECT_EQ(json["trace"][0].string.substr(0, 14), "0400  8E 12 34");
    EXPECT_NE(json["trace"][0].string.find("X=1234"), std::string::npos);
    EXPECT_NE(json["trace"][0].string.find("cycles=3"), std::string::npos);
    EXPECT_EQ(json["trace"][1].string.substr(0, 14), "0403  BD 04 08");
    EXPECT_NE(json["trace"][1].string.find("PC=0408"), std::string::npos);
    EXPECT_NE(json["trace"][1].string.find("cycles=8"), std::string::npos);
    EXPECT_EQ(json["trace"][2].string.substr(0, 8), "0408  39");
    EXPECT_NE(json["trace"][2].string.find("PC=0406"), std::string::npos);
}

// An interrupt entry is a step of its own: which interrupt, its vector, the registers after it
// (PC from the vector) and its cycles; every line carries the running total.
TEST(CpuPrograms, TraceShowsInterruptEntriesAndTotals) {
    // ANDCC #$EF, then BRA *; Break pulls CA1 low, which (CRA = $05) raises IRQA.
    const Json json = RunJson({"--poke", "0400:1CEF20FE", "--poke", "F001:05", "--reg", "PC=0400",
                               "--reg", "S=1F00", "--keys", "^F4", "--key-cycles", "10", "--steps",
                               "3", "--trace", "--dump", "FFF8-FFF9"});
    ASSERT_EQ(json["trace"].array.size(), 3u);
    const std::string& entry = json["trace"][1].string;
    EXPECT_EQ(entry.substr(0, 22), "0402  <IRQ FFF8>      ") << entry;
    EXPECT_NE(entry.find("S=1EF4 PC=" + json["dumps"]["FFF8-FFF9"].string), std::string::npos)
        << entry;
    EXPECT_NE(entry.find("cycles=19 total=22"), std::string::npos) << entry;
    EXPECT_NE(json["trace"][0].string.find("cycles=3 total=3"), std::string::npos);
    EXPECT_NE(json["trace"][2].string.find(" total=" + std::to_string(json["cycles"].Int())),
              std::string::npos);
}

}  // namespace
}  // namespace tarvok
