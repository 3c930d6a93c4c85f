// Stepping back: the machine returns to earlier states exactly (processor, memory, every device,
// signal-file positions) and, going forwards again, comes to the same states as the first time,
// with the inputs from outside put in again at their steps.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "machine/board_programs.h"
#include "machine/history.h"
#include "machine/machine.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

using namespace test;

MachineState Save(const Machine& machine) {
    MachineState state;
    machine.SaveState(state);
    return state;
}

// The first part in which two states of one machine differ, or an empty text.
std::string Difference(const MachineState& a, const MachineState& b) {
    if (a.board.totalSteps != b.board.totalSteps || a.board.totalCycles != b.board.totalCycles ||
        a.board.cycleCounter != b.board.cycleCounter || a.board.lastCycles != b.board.lastCycles) {
        return "counters";
    }
    if (!(a.board.cpu == b.board.cpu)) return "processor";
    if (!(a.board.pia == b.board.pia)) return "PIA";
    if (!(a.board.timer == b.board.timer)) return "timer";
    if (!(a.board.acia == b.board.acia)) return "ACIA";
    if (!(a.board.keypad == b.board.keypad) || a.board.keysDown != b.board.keysDown)
        return "keypad";
    if (!(a.board.display == b.board.display)) return "display";
    if (a.board.spareRegisters != b.board.spareRegisters) return "spare registers";
    if (a.ram != b.ram) return "memory";
    if (a.files.pia != b.files.pia || a.files.acia != b.files.acia) return "signal files";
    return {};
}

Byte Peek(Machine& machine, Address address) {
    return machine.Decoder().Read(address, true);
}

// Counts what the graph taps hear.
class TapCounter : public Mc6840Tap, public R6551Tap {
public:
    void Levels(int, bool, bool, std::uint64_t cycles) override { heard += cycles; }
    void GraphLevels(std::uint16_t, bool, bool, std::uint64_t cycles) override { heard += cycles; }
    std::uint64_t heard = 0;
};

TEST(StepBackTest, StepsBackAcrossTimerNmiAndReceivedByteAndForwardAgain) {
    auto machine = BuildMachine(Program::kTimerAndSerial);
    TapCounter taps;
    machine->Timer().AddTap(&taps);
    machine->Acia().AddTap(&taps);
    StepBackHistory history(*machine, {.checkpointCycles = 3000});
    history.Attach();
    while (machine->TotalCycles() < 40'000)
        machine->Burst();

    // The forward run, one step at a time.
    std::vector<MachineState> forward{Save(*machine)};
    for (int step = 0; step < 1500; ++step) {
        ASSERT_EQ(machine->RunSteps(1).steps, 1u);
        forward.push_back(Save(*machine));
    }
    const auto ram = [&](std::size_t index, Address address) {
        return forward[index].ram[address];
    };
    ASSERT_NE(ram(0, 0x0500), ram(forward.size() - 1, 0x0500)) << "no timer NMI on the way";
    ASSERT_NE(ram(0, 0x0503), ram(forward.size() - 1, 0x0503)) << "no byte received on the way";
    ASSERT_GT(history.CheckpointCount(), 2u);

    const std::uint64_t tapsHeard = taps.heard;
    for (std::size_t index = forward.size() - 1; index-- > 0;) {
        ASSERT_TRUE(history.StepBack());
        ASSERT_EQ(Difference(Save(*machine), forward[index]), "") << "back to index " << index;
    }
    EXPECT_EQ(taps.heard, tapsHeard) << "re-execution fed the graphs";
    for (std::size_t index = 1; index < forward.size(); ++index) {
        ASSERT_EQ(machine->RunSteps(1).steps, 1u);
        ASSERT_EQ(Difference(Save(*machine), forward[index]), "") << "forward to index " << index;
    }
}

TEST(StepBackTest, KeysSwitchesAndMemoryEditsReplayAtTheirStepsBackAndForth) {
    auto machine = BuildMachine(Program::kPortsAndSync);
    StepBackHistory history(*machine, {.checkpointCycles = 7000});
    history.Attach();
    // Bursts of irregular length with inputs from outside in between; the port plays back.
    const std::vector<KeypadKey> keys = {KeypadKey::Data5, KeypadKey::Go, KeypadKey::Break};
    std::map<std::uint64_t, MachineState> forward;
    for (int burst = 0; burst < 120; ++burst) {
        const KeypadKey key = keys[static_cast<std::size_t>(burst) % keys.size()];
        if (burst % 4 == 1) machine->PressKey(key);
        if (burst % 4 == 3) machine->ReleaseKey(keys[(static_cast<std::size_t>(burst) - 2) % 3]);
        if (burst % 10 == 5) machine->Pia().SetInputSwitches(kPortB, static_cast<Byte>(burst));
        if (burst % 15 == 7) machine->Decoder().Write(0x0123, static_cast<Byte>(burst));
        // A step's state includes what came from outside at it.
        forward[machine->TotalSteps()] = Save(*machine);
        machine->RunSteps(static_cast<std::uint64_t>(20 + burst * 37 % 150));
    }
    forward[machine->TotalSteps()] = Save(*machine);
    ASSERT_GT(Peek(*machine, 0x0501), 0) << "no port interrupt";
    const std::size_t messages = machine->Messages().Lines().size();
    ASSERT_GT(messages, 0u);

    // Back to every burst's end, the latest first, as far as the history reaches.
    std::uint64_t reached = machine->TotalSteps();
    for (auto it = forward.rbegin(); it != forward.rend(); ++it) {
        if (it->first >= reached || it->first < history.FirstStep()) continue;
        ASSERT_TRUE(history.StepBackTo(it->first));
        ASSERT_EQ(Difference(Save(*machine), it->second), "") << "back to step " << it->first;
        reached = it->first;
    }
    ASSERT_LT(reached, machine->TotalSteps() - 2000) << "too short a way back";
    EXPECT_EQ(machine->Messages().Lines().size(), messages) << "re-execution repeated messages";

    // Forwards again without touching anything: the logged inputs come in at their steps.
    for (auto it = forward.upper_bound(reached); it != forward.end(); ++it) {
        machine->RunSteps(it->first - machine->TotalSteps());
        ASSERT_EQ(Difference(Save(*machine), it->second), "") << "forward to step " << it->first;
    }
    EXPECT_EQ(machine->TotalSteps(), forward.rbegin()->first);
}

TEST(StepBackTest, AnInputAfterSteppingBackStartsANewFuture) {
    auto machine = BuildMachine(Program::kTimerAndSerial);
    StepBackHistory history(*machine, {.checkpointCycles = 5000});
    history.Attach();
    machine->RunSteps(3000);
    machine->PressKey(KeypadKey::Data7);
    machine->RunSteps(1000);
    const MachineState first = Save(*machine);
    ASSERT_TRUE(history.StepBackTo(2500));
    EXPECT_FALSE(machine->KeyDown(KeypadKey::Data7));
    machine->Decoder().Write(0x0200, 0x55);  // differs from the first run
    machine->RunSteps(1500);
    EXPECT_FALSE(machine->KeyDown(KeypadKey::Data7)) << "the old future was put in";
    EXPECT_EQ(Peek(*machine, 0x0200), 0x55);
    EXPECT_EQ(Difference(Save(*machine), first), "keypad");
    // The new past is kept as well as the old one was.
    ASSERT_TRUE(history.StepBackTo(2600));
    EXPECT_EQ(Peek(*machine, 0x0200), 0x55);
}

TEST(StepBackTest, RecordingIsCutBackAndWrittenOnceAsWithoutSteppingBack) {
    TempDir dir;
    const auto run = [&](const std::string& file, bool stepBack) {
        auto machine = BuildMachine(Program::kPortsAndSync);
        StepBackHistory history(*machine, {.checkpointCycles = 4000});
        if (stepBack) history.Attach();
        EXPECT_TRUE(machine->Pia().StartRecording(file, kPortB));
        machine->RunFor(60'000);
        if (stepBack) {
            const std::uint64_t steps = machine->TotalSteps();
            EXPECT_TRUE(machine->Pia().SignalFilePosition(kPortB) > 100);
            EXPECT_TRUE(history.StepBackTo(steps - 1500));
            EXPECT_TRUE(history.StepBack());
            machine->RunSteps(1501);
            EXPECT_EQ(machine->TotalSteps(), steps);
        }
        machine->RunFor(30'000);
        EXPECT_TRUE(machine->Pia().StopReadingAndRecording(kPortB));
        return TempDir::Read(file);
    };
    const std::string plain = run(dir.Path("plain.pia"), false);
    const std::string stepped = run(dir.Path("stepped.pia"), true);
    EXPECT_GT(std::count(plain.begin(), plain.end(), '\n'), 20);
    EXPECT_EQ(stepped, plain);
}

TEST(StepBackTest, StartingOrEndingASignalFileStartsTheHistoryAfresh) {
    TempDir dir;
    auto machine = BuildMachine(Program::kTimerAndSerial);
    StepBackHistory history(*machine);
    history.Attach();
    machine->RunSteps(2000);
    ASSERT_TRUE(machine->Pia().StartRecording(dir.Path("a.pia"), kPortA));
    machine->RunSteps(10);
    EXPECT_EQ(history.FirstStep(), 2000u);
    EXPECT_FALSE(history.StepBackTo(1999));
    // The serial playback ends by itself: nothing before its end can be gone back to.
    while (machine->Acia().IsReading())
        machine->Burst();
    const std::uint64_t ended = machine->TotalSteps();
    machine->RunSteps(10);
    EXPECT_EQ(history.FirstStep(), ended);
}

TEST(StepBackTest, MemoryStaysWithinItsBudgetAndGoingBeyondTheStartIsRefused) {
    auto machine = BuildMachine(Program::kTimerAndSerial);
    const HistoryOptions options{
        .checkpointCycles = 2000, .maxCheckpoints = 40, .byteBudget = 200'000};
    StepBackHistory history(*machine, options);
    history.Attach();
    for (int burst = 0; burst < 3000; ++burst) {
        if (burst % 2 == 0) {
            machine->PressKey(KeypadKey::DataA);
        } else {
            machine->ReleaseKey(KeypadKey::DataA);
        }
        if (burst % 50 == 0) machine->Decoder().Write(static_cast<Address>(burst), 1);
        machine->RunSteps(30);
        ASSERT_LE(history.MemoryUsage(), options.byteBudget) << "after burst " << burst;
        ASSERT_LE(history.CheckpointCount(), options.maxCheckpoints);
    }
    ASSERT_GT(history.FirstStep(), 0u);
    EXPECT_GT(history.InputCount(), 10u);

    const MachineState now = Save(*machine);
    const Status refused = history.StepBackTo(history.FirstStep() - 1);
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.Message().text,
              "Schritt zurück nicht möglich: die Vorgeschichte reicht nur bis Schritt " +
                  std::to_string(history.FirstStep()) + " zurück;");
    EXPECT_EQ(Difference(Save(*machine), now), "") << "a refusal changed the machine";
    EXPECT_TRUE(history.StepBackTo(history.FirstStep()));
    EXPECT_EQ(machine->TotalSteps(), history.FirstStep());

    history.Detach();
    const Status detached = history.StepBack();
    ASSERT_FALSE(detached);
    EXPECT_EQ(detached.Message().text,
              "Schritt zurück nicht möglich: die Vorgeschichte wird nicht aufgezeichnet;");
    EXPECT_EQ(machine->Recorder(), nullptr);
}

TEST(StepBackTest, BackToThePreviousBreakpointStopsWhereTheRunStoppedBefore) {
    auto machine = BuildMachine(Program::kTimerAndSerial);
    StepBackHistory history(*machine, {.checkpointCycles = 1000});
    history.Attach();
    machine->Decoder().SetBreakpoint(kNmiHandler + 6, true);
    const auto runToBreakpoint = [&] {
        machine->SetSystemRunning(true);
        while (!machine->Burst()) {
        }
    };
    runToBreakpoint();
    const MachineState first = Save(*machine);
    runToBreakpoint();
    machine->RunSteps(40);  // on past the second stop
    const std::size_t messages = machine->Messages().Lines().size();

    ASSERT_TRUE(history.BackToPreviousBreakpoint());
    EXPECT_EQ(machine->Cpu().PC(), kNmiHandler + 6);
    ASSERT_TRUE(history.BackToPreviousBreakpoint());
    EXPECT_EQ(Difference(Save(*machine), first), "");
    EXPECT_EQ(machine->Messages().Lines().size(), messages);

    const Status none = history.BackToPreviousBreakpoint();
    ASSERT_FALSE(none);
    EXPECT_EQ(none.Message().text, "Kein Breakpoint seit Schritt 0 erreicht;");
    EXPECT_EQ(Difference(Save(*machine), first), "") << "the search did not come back";
}

}  // namespace
}  // namespace tarvok
