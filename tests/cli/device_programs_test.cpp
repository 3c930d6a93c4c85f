// Whole programs that use the peripherals, assembled with tarvok-asm and run by tarvok-cli.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/json.h"
#include "support/run_program.h"
#include "support/sia.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

using test::Json;

class DeviceProgramTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return temp.Path(name); }
    std::string File(const std::string& name, const std::string& content) const {
        return temp.Write(name, content);
    }
    static std::string Read(const std::string& path) { return test::TempDir::Read(path); }
    // Assembles `source` into an Intel HEX file and returns its path.
    std::string Assemble(const std::string& source) {
        const std::string hex = Path("program.hex");
        const auto result =
            test::RunProgram(test::AsmPath(), {File("program.asm", source), "-o", hex});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return hex;
    }
    Json Run(std::vector<std::string> args) {
        args.push_back("--json");
        const auto result = test::RunProgram(test::CliPath(), args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return Json::Parse(result.out);
    }

    test::TempDir temp;
};

// Timer 1 runs continuously with a period of 500 cycles and raises NMI; the handler (reached
// through the monitor's NMI hook) counts on port B.
constexpr const char* kTimerCounter = R"(
        ORG     $0400
START   LDS     #$1F00
        LDX     #NMIH
        STX     $00E4           ; the monitor passes NMI to this hook
        LDA     #$FF
        STA     $F002           ; DDRB: all outputs
        LDA     #$04
        STA     $F003           ; CRB: offset 2 is now DRB
        CLR     $F002
        LDA     #$01
        STA     $F019           ; CR2: offset 0 addresses CR1
        LDD     #499
        STD     $F01A           ; timer 1 latches
        LDA     #$42            ; continuous, processor clock, interrupt enabled
        STA     $F018
LOOP    BRA     LOOP
NMIH    LDA     $F019           ; status read marks timer 1 ...
        LDA     $F01B           ; ... so the LSB read clears its flag
        INC     $F002
        RTI
)";

TEST_F(DeviceProgramTest, TimerNmisCountOnPortB) {
    const std::string recording = Path("portb.pia");
    const Json json = Run({"--load", Assemble(kTimerCounter), "--reg", "PC=0400", "--cycles",
                           "100000", "--pia-record", "B", recording, "--dump", "F002-F002"});
    EXPECT_TRUE(json["messages"].array.empty());
    const int count = std::stoi(json["dumps"]["F002-F002"].string, nullptr, 16);
    EXPECT_GE(count, 196);
    EXPECT_LE(count, 200);

    // Every change of port B lasted exactly one timer period.
    std::istringstream lines(Read(recording));
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "#Px7-Px0  Cx1 Cx2     Zeit\r");
    std::vector<std::pair<std::string, long>> records;
    while (std::getline(lines, line))
        records.emplace_back(line.substr(0, 8), std::stol(line.substr(16)));
    ASSERT_GT(records.size(), 100u);
    // The direction store and the first store into DRB (CLR) end records of their own.
    EXPECT_EQ(records[0].first, "--------");
    EXPECT_EQ(records[1].first, "00000000");
    EXPECT_EQ(records[12].first, "00001010");  // each record holds the state that ended
    for (std::size_t i = 5; i + 1 < records.size(); ++i)
        EXPECT_EQ(records[i].second, 500) << i;
}

TEST_F(DeviceProgramTest, PortSignalFilePlaysIntoTheInputs) {
    // Copies port A's inputs to $0500.. whenever they change.
    const std::string source = R"(
        ORG     $0400
        LDA     #$04
        STA     $F001           ; CRA: offset 0 reads the port A pins
        LDX     #$0500
        CLRB
WAIT    CMPB    $F000
        BEQ     WAIT
        LDB     $F000
        STB     ,X+
        BRA     WAIT
)";
    const std::string pia = File("in.pia",
                                 "#Px7-Px0  Cx1 Cx2     Zeit\r\n"
                                 "10101010   -   -       500\r\n"
                                 "0101--01   -   -         0\r\n"
                                 "11111111   -   -       300\r\n");
    const Json json = Run({"--load", Assemble(source), "--reg", "PC=0400", "--pia-in", "A=00",
                           "--pia-play", "A", pia, "--cycles", "2000", "--dump", "0500-0502"});
    EXPECT_EQ(json["dumps"]["0500-0502"].string, "AAFF00");  // 0101--01 lasts no cycle
}

// Echoes every received character and keeps a copy at $0500; 9600 baud, 8N1, polled.
constexpr const char* kEcho = R"(
        ORG     $0400
START   LDS     #$1F00
        LDX     #$0500
        LDA     #$1E            ; 9600 baud, 8 data bits, 1 stop bit
        STA     $F00B
        LDA     #$0B            ; DTR on, no receive interrupt, RTS on
        STA     $F00A
WAIT    LDA     $F009
        BITA    #$08            ; receive register full?
        BEQ     WAIT
        LDB     $F008
        STB     ,X+
TXWAIT  LDA     $F009
        BITA    #$10            ; transmit register empty?
        BEQ     TXWAIT
        STB     $F008
        BRA     WAIT
)";

TEST_F(DeviceProgramTest, AciaReceivesAPlayedBackSerialFile) {
    const std::string input =
        File("in.sia", test::SiaFromText("Hello, 6809!", 2000, test::kCyclesPerBit9600));
    const Json json = Run({"--load", Assemble(kEcho), "--reg", "PC=0400", "--sia-play", input,
                           "--cycles", "40000", "--dump", "0500-050B"});
    EXPECT_EQ(json["dumps"]["0500-050B"].string, "48656C6C6F2C203638303921");
    EXPECT_TRUE(json["messages"].array.empty());
}

TEST_F(DeviceProgramTest, RecordedTransmissionPlaysBackIntoTheReceiver) {
    // First run: a program sends the bytes at $0500 while the serial outputs are recorded.
    const std::string sender = R"(
        ORG     $0400
        LDX     #$0500
        LDA     #$1E
        STA     $F00B
        LDA     #$0B
        STA     $F00A
NEXT    LDB     ,X+
        BEQ     DONE
TXWAIT  LDA     $F009
        BITA    #$10
        BEQ     TXWAIT
        STB     $F008
        BRA     NEXT
DONE    BRA     DONE
)";
    const std::string recording = Path("sent.sia");
    Run({"--load", Assemble(sender), "--poke", "0500:415A0D00", "--reg", "PC=0400", "--sia-record",
         recording, "--cycles", "6000"});
    EXPECT_EQ(test::TextFromSia(Read(recording), test::kCyclesPerBit9600), "AZ\r");
    // Second run: the recording drives the receiver of a fresh machine running the echo program.
    const Json json = Run({"--load", Assemble(kEcho), "--reg", "PC=0400", "--sia-play", recording,
                           "--cycles", "8000", "--dump", "0500-0502"});
    EXPECT_EQ(json["dumps"]["0500-0502"].string, "415A0D");
}

TEST_F(DeviceProgramTest, SerialPortCannotPlayAndRecordAtOnce) {
    const auto result = test::RunProgram(
        test::CliPath(), {"--sia-play", Path("a.sia"), "--sia-record", Path("b.sia")});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("either plays back or records"), std::string::npos) << result.err;
}

TEST_F(DeviceProgramTest, BadSignalFilesAreRefused) {
    for (const auto& [name, content] :
         {std::pair<std::string, std::string>{"empty.sia", ""},
          {"header.sia", "TxD RxC DTR RTS      Zeit\n"},
          {"binary.sia", std::string("\0\1\2\3TxD", 7)},
          {"bad.sia", "TxD RxC DTR RTS      Zeit\n1   x   0   0            5 #          5\n"}}) {
        const auto result = test::RunProgram(test::CliPath(), {"--sia-play", File(name, content)});
        EXPECT_EQ(result.exitCode, 2) << name;
        EXPECT_NE(
            result.err.find("ist entweder beschädigt oder liegt nicht im erwarteten Format vor."),
            std::string::npos)
            << name << ": " << result.err;
    }
    const auto missing = test::RunProgram(test::CliPath(), {"--pia-play", "A", Path("none.pia")});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("Der Inhalt der Datei konnte nicht gelesen werden."),
              std::string::npos)
        << missing.err;
}

}  // namespace
}  // namespace tarvok
