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

#include "machine/board_programs.h"
#include "machine/machine.h"

namespace tarvok {
namespace {

using namespace test;

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
