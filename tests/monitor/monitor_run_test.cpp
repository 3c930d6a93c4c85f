#include <algorithm>
#include <sstream>

#include "monitor/monitor_support.h"

namespace tarvok {
namespace {

using test::Json;
using test::MonitorTest;

// Image fields: S CC A B DP X Y U PC (hex, high byte first).
std::string ImageOf(const char* s, const char* cc, const char* a, const char* b, const char* dp,
                    const char* x, const char* y, const char* u, const char* pc) {
    return std::string(s) + cc + a + b + dp + x + y + u + pc;
}

TEST_F(MonitorTest, RomImageKeepsInputOutputFreeAndVectorsInTheMonitor) {
    const std::string rom = test::TempDir::Read(test::MonitorRomPath());
    ASSERT_EQ(rom.size(), 8192u);
    for (std::size_t a = 0xF000; a <= 0xF02F; ++a) {
        EXPECT_EQ(static_cast<unsigned char>(rom[a - 0xE000]), 0xFF) << std::hex << a;
    }
    for (std::size_t v = 0xFFF0; v < 0x10000; v += 2) {
        const unsigned target = static_cast<unsigned char>(rom[v - 0xE000]) * 256u +
                                static_cast<unsigned char>(rom[v + 1 - 0xE000]);
        EXPECT_TRUE(target >= 0xE000 && target < 0xF000) << std::hex << v << " -> " << target;
    }
    EXPECT_EQ(static_cast<unsigned char>(rom[0x1FFE]), 0xE0);
    EXPECT_EQ(static_cast<unsigned char>(rom[0x1FFF]), 0x00);
}

TEST_F(MonitorTest, GoRunsUntilSwiAndShowsTheRegisters) {
    // LDA #$42; LDB #$17; SWI
    const Json json = Run(400000, "^G", {"--poke", "0400:8642C6173F", "--dump", "00F2-00FF"});
    EXPECT_EQ(Text(json), "PC  0405");
    EXPECT_EQ(Brightness(json), "....####");
    EXPECT_EQ(Image(json), ImageOf("0300", "40", "42", "17", "00", "0000", "0000", "0000", "0405"));
}

TEST_F(MonitorTest, GoStartsAtTheShownAddressOrTheImagePc) {
    // $0600: LDX #$1234; SWI
    const std::vector<std::string> program = {"--poke", "0600:8E12343F", "--dump", "00F2-00FF"};
    for (const char* keys : {"^A 0 6 0 0 ^G", "^A 0 6 0 0 ^D ^G", "^R 0 6 0 0 ^G"}) {
        const Json json = Run(600000, keys, program);
        EXPECT_EQ(Image(json),
                  ImageOf("0300", "40", "00", "00", "00", "1234", "0000", "0000", "0604"))
            << keys;
    }
}

TEST_F(MonitorTest, GoUsesAllRegistersOfTheImage) {
    // The program stores what it was started with: STD $0500; STX $0502; STY $0504;
    // STU $0506; TFR DP,A; STA $0508; SWI
    const Json json =
        Run(1500000, "^R ^+ 1 1 ^+ 2 2 ^+ 3 3 3 3 ^+ 4 4 4 4 ^+ 5 5 5 5 ^+ ^+ 1 2 ^G",
            {"--poke", "0400:FD0500BF050210BF0504FF05061FB8B705083F", "--dump", "0500-0508"});
    EXPECT_EQ(Dump(json, "0500-0508"), "112233334444555512");
    EXPECT_EQ(Text(json), "PC  0413");
}

TEST_F(MonitorTest, GoShowsRunWhileTheProgramRuns) {
    const Json json = Run(400000, "^G", {"--poke", "0400:20FE"});  // BRA *
    EXPECT_EQ(Text(json), " -run-  ");
    EXPECT_EQ(json["regs"]["pc"].Int(), 0x0400);
}

struct TraceCase {
    const char* name;
    const char* program;  // poke argument(s) separated by blanks
    int steps;
    const char* pc;
    const char* s;
    const char* a;
};

class MonitorTraceTest : public MonitorTest, public ::testing::WithParamInterface<TraceCase> {};

TEST_P(MonitorTraceTest, ExecutesExactlyOneInstructionPerKey) {
    const TraceCase& c = GetParam();
    std::vector<std::string> args = {"--dump", "00F2-00FF"};
    std::istringstream pokes(c.program);
    for (std::string poke; pokes >> poke;)
        args.insert(args.end(), {"--poke", poke});
    std::string keys;
    for (int i = 0; i < c.steps; ++i)
        keys += "^T ";
    const Json json = Run(200000 + 60000L * c.steps, keys, args);
    const std::string image = Image(json);
    EXPECT_EQ(image.substr(24, 4), c.pc) << image;
    EXPECT_EQ(image.substr(0, 4), c.s) << image;
    EXPECT_EQ(image.substr(6, 2), c.a) << image;
    EXPECT_EQ(Text(json), std::string("PC  ") + c.pc);
}

// $0400: LDA #1; BRA +2; NOP; NOP; JSR $0410; SWI   $0410: INCA; RTS
constexpr const char* kBranchJsr = "0400:860120021212BD04103F 0410:4C39";
// $0400: NOP; MUL; PSHS A,B,CC,DP,X,Y,U; PULS the same; SYNC; CWAI #$FF; NOP
constexpr const char* kLongOnes = "0400:123D347F357F133CFF12";

INSTANTIATE_TEST_SUITE_P(
    Trace, MonitorTraceTest,
    ::testing::Values(TraceCase{"Load", kBranchJsr, 1, "0402", "0300", "01"},
                      TraceCase{"Branch", kBranchJsr, 2, "0406", "0300", "01"},
                      TraceCase{"Jsr", kBranchJsr, 3, "0410", "02FE", "01"},
                      TraceCase{"InSubroutine", kBranchJsr, 4, "0411", "02FE", "02"},
                      TraceCase{"Rts", kBranchJsr, 5, "0409", "0300", "02"},
                      TraceCase{"SwiItself", kBranchJsr, 6, "040A", "0300", "02"},
                      TraceCase{"Nop", kLongOnes, 1, "0401", "0300", "00"},
                      TraceCase{"Mul", kLongOnes, 2, "0402", "0300", "00"},
                      TraceCase{"PushAll", kLongOnes, 3, "0404", "02F6", "00"},
                      TraceCase{"PullAll", kLongOnes, 4, "0406", "0300", "00"},
                      TraceCase{"Sync", kLongOnes, 5, "0407", "0300", "00"},
                      TraceCase{"Cwai", kLongOnes, 6, "0409", "0300", "00"}),
    [](const ::testing::TestParamInfo<TraceCase>& info) { return info.param.name; });

// $0400: LDX #$0500; STX $00E0 (IRQ hook); ACIA 1200 baud, transmit interrupt on;
// send 'A'; ANDCC #$EF; BRA *        $0500: SWI
// The interrupt comes after the STA to the data register, before the ANDCC: IRQ is enabled from
// the start.
constexpr const char* kAciaIrqProgram = "0400:8E0500BF00E08698B7F00B8607B7F00A8641B7F0081CEF20FE";

TEST_F(MonitorTest, TraceEntersTheUserIrqHookAsOneStep) {
    const std::vector<std::string> args = {"--poke",  kAciaIrqProgram, "--poke",
                                           "0500:3F", "--dump",        "00F2-00FF"};
    const Json before = Run(800000, "^T ^T ^T ^T ^T ^T ^T ^T", args);
    EXPECT_EQ(Image(before).substr(24, 4), "0415");  // the interrupt is pending
    EXPECT_EQ(Image(before).substr(4, 2), "40");
    const Json hook = Run(900000, "^T ^T ^T ^T ^T ^T ^T ^T ^T", args);
    EXPECT_EQ(Image(hook), ImageOf("02F4", "50", "41", "00", "00", "0500", "0000", "0000", "0500"));
    const Json after = Run(1000000, "^T ^T ^T ^T ^T ^T ^T ^T ^T ^T", args);
    EXPECT_EQ(Image(after).substr(24, 4), "0501");  // the hook's SWI, traced
}

TEST_F(MonitorTest, GoDeliversIrqToTheHookOrStopsWithoutOne) {
    const Json hook =
        Run(600000, "^G", {"--poke", kAciaIrqProgram, "--poke", "0500:3F", "--dump", "00F2-00FF"});
    EXPECT_EQ(Image(hook), ImageOf("02F4", "50", "41", "00", "00", "0500", "0000", "0000", "0501"));
    // Without the hook (the first instruction skipped) the interrupt stops the program.
    const Json none =
        Run(600000, "^A 0 4 0 6 ^G", {"--poke", kAciaIrqProgram, "--dump", "00F2-00FF"});
    EXPECT_EQ(Image(none), ImageOf("0300", "40", "41", "00", "00", "0000", "0000", "0000", "0415"));
}

TEST_F(MonitorTest, TraceOfSwi2ShowsItsHookAndWithoutHookStops) {
    // LDX #$0500; STX $00E6; SWI2; NOP
    const std::vector<std::string> args = {"--poke", "0400:8E0500BF00E6103F12", "--dump",
                                           "00F2-00FF"};
    const Json hook = Run(600000, "^T ^T ^T", args);
    EXPECT_EQ(Image(hook), ImageOf("02F4", "40", "00", "00", "00", "0500", "0000", "0000", "0500"));
    const Json none = Run(600000, "^A 0 4 0 6 ^G", args);  // skips setting the hook
    EXPECT_EQ(Image(none), ImageOf("0300", "40", "00", "00", "00", "0000", "0000", "0000", "0408"));
}

TEST_F(MonitorTest, BreakStopsAPlainEndlessLoopAndGoContinues) {
    // BRA *: the program leaves CC as the image gives it, IRQ enabled.
    const std::vector<std::string> args = {"--poke", "0400:20FE", "--dump", "00F2-00FF"};
    const Json once = Run(600000, "^G ^F4", args);
    EXPECT_EQ(Text(once), "PC  0400");  // no interrupt mark: Break shows the registers at once
    EXPECT_EQ(Image(once), ImageOf("0300", "40", "00", "00", "00", "0000", "0000", "0000", "0400"));
    const Json again = Run(900000, "^G ^F4 ^G", args);
    EXPECT_EQ(Text(again), " -run-  ");
    const Json twice = Run(1000000, "^G ^F4 ^G ^F4", args);
    EXPECT_EQ(Text(twice), "PC  0400");
}

// The low pattern bytes (S7 first) of the marks that an interrupt without a hook shows for a
// moment before the registers.
constexpr const char* kIrqMark = "0654780000065067";  // Int  IrQ
constexpr const char* kNmiMark = "0654780000545406";  // Int  nnI

TEST_F(MonitorTest, ReceivedByteWithoutIrqHookStopsTheProgram) {
    // ACIA 1200 baud with the receive interrupt (command $09); LDY #$1234; LDU #$5678;
    // then LEAX 1,X; BRA back, until a byte arrives.
    const std::vector<std::string> args = {
        "--poke",     "0400:8698B7F00B8609B7F00A108E1234CE5678300120FC",
        "--dump",     "00F2-00FF",
        "--sia-play", File("in.sia", test::SiaFromText("K"))};
    const Json marked = Run(400000, "^G", args);
    EXPECT_EQ(marked["display"]["low"].string, kIrqMark);
    const std::string image = Image(marked);
    EXPECT_EQ(image.substr(0, 10), "0300400900");  // S CC A B
    EXPECT_EQ(image.substr(10, 2), "00");          // DP
    EXPECT_NE(image.substr(12, 4), "0000");        // X counted
    EXPECT_EQ(image.substr(16, 8), "12345678");    // Y U
    const std::string pc = image.substr(24, 4);
    EXPECT_TRUE(pc == "0411" || pc == "0413") << pc;
    // After the moment the registers, as after any stop.
    const Json later = Run(1200000, "^G", args);
    EXPECT_EQ(Text(later), "PC  " + pc);
    EXPECT_EQ(Image(later), image);
}

TEST_F(MonitorTest, TimerNmiWithoutHookStopsTheProgramEachTime) {
    // LDD #latch; STD $F01C (timer 2 latch); LDA #$42; STA $F019 (continuous, interrupt); BRA *.
    // The timer runs on while the monitor waits for keys.
    const auto program = [](const std::string& latch) {
        return std::vector<std::string>{"--poke", "0400:CC" + latch + "FDF01C8642B7F01920FE",
                                        "--dump", "00F2-00FF"};
    };
    const Json first = Run(300000, "^G", program("0020"));
    EXPECT_EQ(first["display"]["low"].string, kNmiMark);
    EXPECT_EQ(Image(first),
              ImageOf("0300", "40", "42", "20", "00", "0000", "0000", "0000", "040B"));
    // Every 33 cycles an NMI: the monitor still answers keys at its usual pace.
    EXPECT_EQ(Text(Run(1000000, "^G ^A 0 5 0 0", program("0020"))), "0500  00");
    // A key ends the mark at once; Go continues the program, whose timer stops it again.
    const Json again = Run(300000, "^G ^G", program("0200"));
    EXPECT_EQ(again["display"]["low"].string, kNmiMark);
    EXPECT_EQ(Image(again),
              ImageOf("0300", "40", "42", "00", "00", "0000", "0000", "0000", "040B"));
}

TEST_F(MonitorTest, BreakPressedInTheMonitorDoesNotStopTheNextGo) {
    const Json json = Run(600000, "^F4 ^G", {"--poke", "0400:1CEF20FE"});
    EXPECT_EQ(Text(json), " -run-  ");
}

TEST_F(MonitorTest, ProgramsUseTheOtherTimersThroughTheNmiHook) {
    // $0400: LDX #$0500; STX $00E4; LDD #$0040; STD $F01C (timer 2 latch);
    //        LDA #$42; STA $F019 (timer 2 continuous with interrupt); BRA *
    // $0500: INC $0600; LDA $F019; LDD $F01C (clears the flag); RTI
    const Json json = Run(400000, "^G",
                          {"--poke", "0400:8E0500BF00E4CC0040FDF01C8642B7F01920FE", "--poke",
                           "0500:7C0600B6F019FCF01C3B", "--dump", "0600-0600"});
    EXPECT_EQ(Text(json), " -run-  ");
    EXPECT_GT(std::stoi(Dump(json, "0600-0600"), nullptr, 16), 10);
    EXPECT_TRUE(json["messages"].array.empty());
}

TEST_F(MonitorTest, TraceSetsUpTimerOneAgainAfterAProgramStoppedIt) {
    // LDA #1; STA $F019; CLRA; STA $F018 (timer 1 stopped, no interrupt); SWI; NOP; NOP
    const Json json =
        Run(900000, "^G ^T ^T", {"--poke", "0400:8601B7F0194FB7F0183F1212", "--dump", "00F2-00FF"});
    EXPECT_EQ(Text(json), "PC  040C");
}

TEST_F(MonitorTest, TraceSetsUpTimerOneAgainWhenItCountsWithoutInterrupt) {
    // Timer 1 keeps counting from the monitor's latch but with its interrupt disabled: by keys
    // (CR2 := $01 selects CR1, CR1 := $02), or by a program: LDA #1; STA $F019; LDA #2;
    // STA $F018; SWI. Either way Trace must still stop after one instruction.
    const Json keys = Run(1200000, "^A F 0 1 9 ^D 1 ^- 2 ^T ^T",
                          {"--poke", "0400:121220FE", "--dump", "00F2-00FF"});
    EXPECT_EQ(Text(keys), "PC  0402");
    const Json program = Run(1200000, "^G ^T ^T",
                             {"--poke", "0400:8601B7F0198602B7F0183F1212", "--dump", "00F2-00FF"});
    EXPECT_EQ(Text(program), "PC  040D");
}

TEST_F(MonitorTest, TraceWithTheStackAtProgramStart) {
    // S = $0400: the frame lies in the monitor's stack area, which is free while a program runs.
    const Json json =
        Run(900000, "^R ^- ^- ^- 0 4 0 0 ^T ^T", {"--poke", "0400:340212", "--dump", "00F2-00FF"});
    EXPECT_EQ(Image(json), ImageOf("03FF", "40", "00", "00", "00", "0000", "0000", "0000", "0403"));
}

TEST_F(MonitorTest, GoRefusesAStackOnTheMonitorsVariables) {
    for (const char* s : {"0 3 0 1", "0 3 1 0", "0 3 5 C"}) {
        const Json json =
            Run(900000, std::string("^R ^- ^- ^- ") + s + " ^G", {"--poke", "0400:20FE"});
        EXPECT_EQ(Text(json), "-Err-  6") << s;
    }
    const Json ok = Run(900000, "^R ^- ^- ^- 0 3 5 D ^G", {"--poke", "0400:20FE"});
    EXPECT_EQ(Text(ok), " -run-  ");
}

TEST_F(MonitorTest, GoAndTraceRefuseAStackOutsideRam) {
    // The frame of twelve bytes below S must lie in RAM: S from $000C to $2000.
    for (const char* s : {"0 0 0 B", "2 0 0 1", "E 0 0 0", "F 0 2 C", "0 0 0 0"}) {
        for (const char* command : {"^G", "^T"}) {
            const Json json = Run(900000, std::string("^R ^- ^- ^- ") + s + " " + command,
                                  {"--poke", "0400:20FE", "--dump", "00F2-00FF"});
            EXPECT_EQ(Text(json), "-Err-  7") << s << command;
            EXPECT_EQ(Image(json).substr(24, 4), "0400") << s << command;
        }
    }
    for (const char* s : {"0 0 0 C", "2 0 0 0"}) {
        const Json json = Run(900000, std::string("^R ^- ^- ^- ") + s + " ^G",
                              {"--poke", "0400:3F", "--dump", "00F2-00FF"});
        EXPECT_EQ(Text(json), "PC  0401") << s;
    }
}

TEST_F(MonitorTest, GoAndTraceWithTheStackOverTheRegisterImage) {
    // A = $11, X = $2233; STA $0500; STX $0501; SWI. With S from $00F5 to $010B the frame
    // overlaps the image it is built from and copied back to.
    const std::vector<std::string> program = {
        "--poke", "0400:B70500BF05013F", "--dump", "0500-0502", "--dump", "00F2-00FF"};
    for (const char* s : {"0 1 0 2", "0 1 0 0", "0 0 F 8", "0 0 F 0"}) {
        const std::string keys = std::string("^R ^+ 1 1 ^+ ^+ 2 2 3 3 ^+ ^+ ^+ ") + s;
        const Json go = Run(1500000, keys + " ^G", program);
        EXPECT_EQ(Dump(go, "0500-0502"), "112233") << s;
        std::string stack = s;
        stack.erase(std::remove(stack.begin(), stack.end(), ' '), stack.end());
        EXPECT_EQ(Image(go), stack +
                                 "40110000223300000000"
                                 "0407")
            << s;
        const Json traced = Run(1500000, keys + " ^T ^T", program);
        EXPECT_EQ(Dump(traced, "0500-0502"), "112233") << s;
        EXPECT_EQ(Image(traced), stack +
                                     "40110000223300000000"
                                     "0406")
            << s;
    }
}

}  // namespace
}  // namespace tarvok
