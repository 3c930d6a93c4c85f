// Whole programs with timer interrupts, serial traffic both ways and port playback, run once step
// by step (Step: every device after every instruction) and once through the scheduled run loop
// (RunFor, RunSteps, Burst: devices catch up at their events and accesses); the whole machine
// must agree.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "machine/machine.h"

namespace tarvok {
namespace {

constexpr Address kNmiHandler = 0x0440;
constexpr Address kIrqHandler = 0x0460;

// Timer 1 raises NMI every 778 cycles; the main loop keeps the ACIA sending at 19200 baud and
// reads timer 1's counter, and the IRQ handler stores each received character in a ring at
// $0700-$07FF.
const std::vector<Byte> kSerialProgram = {
    0x10, 0xCE, 0x10, 0x00,  // $0400 LDS #$1000
    0x86, 0x1F,              // $0404 LDA #$1F      19200 baud, 8N1
    0xB7, 0xF0, 0x0B,        // $0406 STA $F00B
    0x86, 0x09,              // $0409 LDA #$09      DTR on, receive interrupt on
    0xB7, 0xF0, 0x0A,        // $040B STA $F00A
    0x86, 0x01,              // $040E LDA #$01      offset 0 addresses CR1
    0xB7, 0xF0, 0x19,        // $0410 STA $F019
    0xCC, 0x03, 0x09,        // $0413 LDD #777
    0xFD, 0xF0, 0x1A,        // $0416 STD $F01A
    0x86, 0xC2,              // $0419 LDA #$C2      continuous, internal clock, IRQ and output on
    0xB7, 0xF0, 0x18,        // $041B STA $F018
    0x1C, 0xEF,              // $041E ANDCC #$EF
    0xB6, 0xF0, 0x09,        // $0420 loop: LDA $F009
    0x85, 0x10,              // $0423 BITA #$10
    0x27, 0x04,              // $0425 BEQ skip
    0xF7, 0xF0, 0x08,        // $0427 STB $F008
    0x5C,                    // $042A INCB
    0xFE, 0xF0, 0x1A,        // $042B skip: LDU $F01A  counter, LSB through its buffer
    0xFF, 0x06, 0x00,        // $042E STU $0600
    0x20, 0xED,              // $0431 BRA loop
};
const std::vector<Byte> kSerialIrqHandler = {
    0xB6, 0xF0, 0x09,  // $0460 LDA $F009   status read ends the interrupt
    0x85, 0x08,        // $0463 BITA #$08
    0x27, 0x13,        // $0465 BEQ done
    0xB6, 0xF0, 0x08,  // $0467 LDA $F008
    0xBE, 0x05, 0x02,  // $046A LDX $0502
    0xA7, 0x80,        // $046D STA ,X+
    0x8C, 0x08, 0x00,  // $046F CMPX #$0800
    0x26, 0x03,        // $0472 BNE store
    0x8E, 0x07, 0x00,  // $0474 LDX #$0700
    0xBF, 0x05, 0x02,  // $0477 store: STX $0502
    0x3B,              // $047A done: RTI
};

// Port A plays a signal file whose CA2 edges interrupt; the IRQ handler copies port A to port B,
// whose write strobes CB2 for a cycle. Timer 1 counts in dual 8-bit mode and raises NMI; the main
// loop waits in SYNC between interrupts.
const std::vector<Byte> kPortProgram = {
    0x10, 0xCE, 0x10, 0x00,  // $0400 LDS #$1000
    0x86, 0xFF,              // $0404 LDA #$FF
    0xB7, 0xF0, 0x02,        // $0406 STA $F002     DDRB: all outputs
    0x86, 0x2C,              // $0409 LDA #$2C      CB2 pulse strobe, data register
    0xB7, 0xF0, 0x03,        // $040B STA $F003
    0x86, 0x1C,              // $040E LDA #$1C      CA2 rising edge interrupts, data register
    0xB7, 0xF0, 0x01,        // $0410 STA $F001
    0x86, 0x01,              // $0413 LDA #$01
    0xB7, 0xF0, 0x19,        // $0415 STA $F019
    0xCC, 0x05, 0x3A,        // $0418 LDD #$053A    5 * 59 periods
    0xFD, 0xF0, 0x1A,        // $041B STD $F01A
    0x86, 0xC6,              // $041E LDA #$C6      continuous, dual 8-bit, IRQ and output on
    0xB7, 0xF0, 0x18,        // $0420 STA $F018
    0x1C, 0xEF,              // $0423 ANDCC #$EF
    0x13,                    // $0425 loop: SYNC
    0x7C, 0x05, 0x04,        // $0426 INC $0504
    0xB6, 0xF0, 0x01,        // $0429 LDA $F001     CRA with the flags
    0xB7, 0x05, 0x05,        // $042C STA $0505
    0x20, 0xF4,              // $042F BRA loop
};
const std::vector<Byte> kPortIrqHandler = {
    0xB6, 0xF0, 0x00,  // $0460 LDA $F000   port A, ends the interrupt
    0xB7, 0xF0, 0x02,  // $0463 STA $F002   port B, strobes CB2
    0x7C, 0x05, 0x01,  // $0466 INC $0501
    0x3B,              // $0469 RTI
};

const std::vector<Byte> kNmiHandlerCode = {
    0xB6, 0xF0, 0x19,  // LDA $F019   status read marks timer 1
    0xB6, 0xF0, 0x1B,  // LDA $F01B   LSB read clears its flag
    0x7C, 0x05, 0x00,  // INC $0500
    0x3B,              // RTI
};

// Characters at 19200 baud (52 cycles a bit) with irregular pauses; DTR drops now and then,
// which the player turns into DSR changes.
std::string SerialSignalFile(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string text = std::string(R6551::kSignalFileHeader) + "\r\n";
    char line[64];
    const auto record = [&](int txd, int dtr, unsigned cycles) {
        std::snprintf(line, sizeof line, "%d   1   %d   0%13u\r\n", txd, dtr, cycles);
        text += line;
    };
    record(1, 0, 3000);
    for (int character = 0; character < 60; ++character) {
        const unsigned value = random() % 256;
        const int dtr = random() % 8 == 0 ? 1 : 0;
        record(0, dtr, 52);
        for (int bit = 0; bit < 8; ++bit)
            record((value >> bit) & 1, dtr, 52);
        record(1, 0, 52 + random() % 900);
    }
    return text;
}

// CA2 pulses with new port values at irregular distances.
std::string PortSignalFile(std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string text = "#Px7-Px0  Cx1 Cx2     Zeit\r\n";
    char line[64];
    for (int pulse = 0; pulse < 400; ++pulse) {
        const unsigned value = random() % 256;
        char levels[9];
        for (int bit = 0; bit < 8; ++bit)
            levels[bit] = (value >> (7 - bit)) & 1 ? '1' : '0';
        levels[8] = '\0';
        std::snprintf(line, sizeof line, "%s   -   0%10u\r\n", levels,
                      static_cast<unsigned>(20 + random() % 3000));
        text += line;
        std::snprintf(line, sizeof line, "%s   -   1%10u\r\n", levels,
                      static_cast<unsigned>(1 + random() % 40));
        text += line;
    }
    return text;
}

enum class Program { kTimerAndSerial, kPortsAndSync };

std::unique_ptr<Machine> BuildMachine(Program program) {
    auto machine = std::make_unique<Machine>(MachineOptions{"6809.rom", true});
    machine->Decoder().SetBeepOnMessage(false);
    const auto load = [&](Address address, const std::vector<Byte>& bytes) {
        for (const Byte byte : bytes)
            machine->Decoder().Write(address++, byte);
    };
    const bool serial = program == Program::kTimerAndSerial;
    load(0x0400, serial ? kSerialProgram : kPortProgram);
    load(kIrqHandler, serial ? kSerialIrqHandler : kPortIrqHandler);
    load(kNmiHandler, kNmiHandlerCode);
    load(0x0502, {0x07, 0x00});
    for (const auto& [vector, handler] : {std::pair{0x1FFC, kNmiHandler}, {0x1FF8, kIrqHandler}}) {
        machine->Rom().StoreByte(vector, static_cast<Byte>(handler >> 8));
        machine->Rom().StoreByte(vector + 1, static_cast<Byte>(handler));
    }
    machine->Cpu().SetPC(0x0400);
    if (serial) {
        EXPECT_TRUE(machine->Acia().StartReading(
            std::make_unique<std::stringbuf>(SerialSignalFile(7)), "serial.sia"));
    } else {
        EXPECT_TRUE(machine->Pia().StartReading(
            std::make_unique<std::stringbuf>(PortSignalFile(11)), "ports.pia", kPortA));
    }
    machine->SetSystemRunning(true);
    return machine;
}

// The processor state with each interrupt sender named by its place in the machine instead of
// its address, so that two machines can be compared.
Mc6809State Comparable(Machine& machine, Mc6809State state) {
    for (InterruptInput* input : {&state.irq, &state.firq, &state.nmi}) {
        for (InterruptSource& source : input->sources) {
            for (const ModuleId id : {ModuleId::Pia, ModuleId::Timer, ModuleId::Acia}) {
                if (source.source == &machine.Module(id))
                    source.source = &kMachineWiring[static_cast<std::size_t>(id)];
            }
        }
    }
    return state;
}

// The first part in which the machines differ, or an empty text.
// `thorough` adds memory and every message line (else the count and the last line).
std::string Difference(Machine& a, Machine& b, bool thorough = true) {
    if (a.TotalSteps() != b.TotalSteps() || a.TotalCycles() != b.TotalCycles() ||
        a.CycleCounter() != b.CycleCounter()) {
        return "totals";
    }
    if (!(Comparable(a, a.Cpu().State()) == Comparable(b, b.Cpu().State()))) return "processor";
    if (!(a.Pia().State() == b.Pia().State())) return "PIA";
    if (!(a.Timer().State() == b.Timer().State())) return "timer";
    if (!(a.Acia().State() == b.Acia().State())) return "ACIA";
    if (!(a.Keypad().State() == b.Keypad().State())) return "keypad";
    if (!(a.Display().State() == b.Display().State())) return "display";
    const auto& aLines = a.Messages().Lines();
    const auto& bLines = b.Messages().Lines();
    if (aLines.size() != bLines.size() || (!aLines.empty() && aLines.back() != bLines.back()) ||
        (thorough && aLines != bLines)) {
        return "messages";
    }
    if (thorough && std::memcmp(a.Ram().DirectStorage(), b.Ram().DirectStorage(), 0x2000) != 0)
        return "memory";
    return {};
}

struct Case {
    const char* name;
    Program program;
};

class ScheduledRunTest : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        reference = BuildMachine(GetParam().program);
        scheduled = BuildMachine(GetParam().program);
    }
    // Steps the reference up to the scheduled machine's step count.
    void CatchUpReference() {
        while (reference->TotalSteps() < scheduled->TotalSteps())
            reference->Step();
    }
    // What the program must have done for the comparison to mean something.
    void ExpectTrafficSeen() {
        Machine& m = *scheduled;
        EXPECT_GT(m.Decoder().Read(0x0500, true), 0) << "no timer NMI";
        if (GetParam().program == Program::kTimerAndSerial) {
            EXPECT_NE(m.Decoder().Read(0x0503, true), 0x00) << "nothing received";
        } else {
            EXPECT_GT(m.Decoder().Read(0x0501, true), 0) << "no port interrupt";
            EXPECT_FALSE(m.Messages().Lines().empty()) << "no strobe";
        }
    }

    std::unique_ptr<Machine> reference;
    std::unique_ptr<Machine> scheduled;
};

TEST_P(ScheduledRunTest, SingleStepsMatchTheStepModelAfterEveryInstruction) {
    while (scheduled->TotalCycles() < 1'500'000) {
        ASSERT_EQ(scheduled->RunSteps(1).steps, 1u);
        reference->Step();
        ASSERT_EQ(Difference(*reference, *scheduled, reference->TotalSteps() % 16 == 0), "")
            << "after step " << reference->TotalSteps();
    }
    ExpectTrafficSeen();
}

// Everything the graph taps deliver, as runs of equal levels.
class TapRecorder : public Mc6840Tap, public R6551Tap {
public:
    using Runs = std::vector<std::pair<std::uint32_t, std::uint64_t>>;
    void Levels(int timer, bool output, bool interruptFlag, std::uint64_t cycles) override {
        Add(timerRuns[timer - 1], (output ? 1u : 0u) | (interruptFlag ? 2u : 0u), cycles);
    }
    void GraphLevels(std::uint16_t txdMark, bool rtsLed, bool dtrLed,
                     std::uint64_t cycles) override {
        Add(serialRuns, txdMark | (rtsLed ? 1u << 16 : 0u) | (dtrLed ? 1u << 17 : 0u), cycles);
    }
    void Attach(Machine& machine) {
        machine.Timer().AddTap(this);
        machine.Acia().AddTap(this);
    }
    std::array<Runs, 3> timerRuns;
    Runs serialRuns;

private:
    static void Add(Runs& runs, std::uint32_t levels, std::uint64_t cycles) {
        if (!runs.empty() && runs.back().first == levels) {
            runs.back().second += cycles;
        } else {
            runs.emplace_back(levels, cycles);
        }
    }
};

TEST_P(ScheduledRunTest, RunsOfAnyLengthMatchTheStepModel) {
    // Taps must not change a thing, and the bulk runs must deliver what the steps deliver.
    TapRecorder referenceTaps;
    TapRecorder scheduledTaps;
    referenceTaps.Attach(*reference);
    scheduledTaps.Attach(*scheduled);
    std::mt19937 random(3);
    while (scheduled->TotalCycles() < 4'000'000) {
        const unsigned roll = random() % 8;
        if (roll == 0) {
            scheduled->RunSteps(1 + random() % 5);
        } else if (roll < 4) {
            scheduled->RunSteps(1 + random() % 400);
        } else {
            scheduled->RunFor(1 + random() % (roll == 7 ? 100'000 : 3000));
        }
        CatchUpReference();
        ASSERT_EQ(Difference(*reference, *scheduled), "")
            << "after step " << reference->TotalSteps();
    }
    ExpectTrafficSeen();
    EXPECT_EQ(referenceTaps.timerRuns, scheduledTaps.timerRuns);
    EXPECT_EQ(referenceTaps.serialRuns, scheduledTaps.serialRuns);
    EXPECT_GT(scheduledTaps.timerRuns[0].size(), 100u);
    if (GetParam().program == Program::kTimerAndSerial) {
        EXPECT_GT(scheduledTaps.serialRuns.size(), 100u);
    }
}

// The processor's change notices follow every instruction; the devices stay behind in between.
class ChangeLog : public Mc6809Listener {
public:
    void RegisterChanged(Mc6809Register reg, std::uint16_t value) override {
        entries.push_back(static_cast<std::uint32_t>(reg) << 16 | value);
    }
    void InputLevelChanged(std::uint16_t input, bool level) override {
        entries.push_back(0x1000000u | input << 1 | (level ? 1 : 0));
    }
    std::vector<std::uint32_t> entries;
};

TEST_P(ScheduledRunTest, ProcessorSeesTheSameInEveryInstructionOfLongRuns) {
    ChangeLog referenceLog;
    ChangeLog scheduledLog;
    reference->Cpu().AddListener(&referenceLog);
    scheduled->Cpu().AddListener(&scheduledLog);
    while (scheduled->TotalCycles() < 2'000'000) {
        scheduled->RunFor(50'000);
        CatchUpReference();
        ASSERT_EQ(referenceLog.entries, scheduledLog.entries)
            << "before step " << reference->TotalSteps();
        ASSERT_EQ(Difference(*reference, *scheduled), "");
        referenceLog.entries.clear();
        scheduledLog.entries.clear();
    }
    reference->Cpu().RemoveListener(&referenceLog);
    scheduled->Cpu().RemoveListener(&scheduledLog);
}

TEST_P(ScheduledRunTest, BurstsMatchStepsWithTheirBreakpointTest) {
    // A breakpoint in the NMI handler stops both; each run goes on from there.
    for (Machine* m : {reference.get(), scheduled.get()})
        m->Decoder().SetBreakpoint(kNmiHandler + 6, true);
    for (int stop = 0; stop < 20; ++stop) {
        bool referenceStopped = false;
        for (int burst = 0; burst < 100000 && !referenceStopped; ++burst) {
            for (int step = 0; step < Machine::kBurstSteps && !referenceStopped; ++step) {
                reference->Step();
                referenceStopped = reference->CheckBreakpoint();
            }
        }
        bool scheduledStopped = false;
        for (int burst = 0; burst < 100000 && !scheduledStopped; ++burst)
            scheduledStopped = scheduled->Burst();
        ASSERT_TRUE(referenceStopped);
        ASSERT_TRUE(scheduledStopped);
        ASSERT_EQ(Difference(*reference, *scheduled), "") << "at stop " << stop;
        EXPECT_FALSE(scheduled->SystemRunning());
        for (Machine* m : {reference.get(), scheduled.get()})
            m->SetSystemRunning(true);
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, ScheduledRunTest,
                         ::testing::Values(Case{"TimerAndSerialBothWays", Program::kTimerAndSerial},
                                           Case{"PortPlaybackAndSync", Program::kPortsAndSync}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarvok
