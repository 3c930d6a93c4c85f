// What windows see of the machine: snapshots with change generations, and several subscribers.
#include <gtest/gtest.h>

#include "machine/machine.h"

namespace tarvok {
namespace {

class SnapshotTest : public ::testing::Test {
protected:
    SnapshotTest() : machine(MachineOptions{"6809.rom", true}) {
        machine.Decoder().SetBeepOnMessage(false);
        // $0400: STA $1234 ; BRA $0400
        const Byte program[] = {0xB7, 0x12, 0x34, 0x20, 0xFB};
        for (Address a = 0; a < sizeof program; ++a)
            machine.Decoder().Write(0x0400 + a, program[a]);
        machine.Cpu().SetPC(0x0400);
        machine.TakeSnapshot(snapshot);
    }
    Machine machine;
    MachineSnapshot snapshot;
};

TEST_F(SnapshotTest, GenerationsMoveOnlyForPartsThatChanged) {
    const SnapshotGenerations before = snapshot.generations;
    machine.TakeSnapshot(snapshot);
    EXPECT_EQ(snapshot.generations, before) << "nothing ran: nothing moved";

    machine.Decoder().Write(0xF020, 0x3F);  // a display byte
    machine.TakeSnapshot(snapshot);
    EXPECT_EQ(snapshot.generations.display, before.display + 1);
    EXPECT_EQ(snapshot.display.memory[0], 0x3F);
    EXPECT_EQ(snapshot.generations.cpu, before.cpu);
    EXPECT_EQ(snapshot.generations.pia, before.pia);
    EXPECT_EQ(snapshot.generations.run, before.run);

    machine.PressKey(KeypadKey::Data5);
    machine.Step();
    machine.TakeSnapshot(snapshot);
    EXPECT_EQ(snapshot.generations.keypad, before.keypad + 1);
    EXPECT_EQ(snapshot.keypad.keys[2], 0xF2);
    EXPECT_EQ(snapshot.generations.cpu, before.cpu + 1);
    EXPECT_EQ(snapshot.cpu.pc, 0x0403);
    EXPECT_EQ(snapshot.generations.run, before.run + 1);
    EXPECT_EQ(snapshot.totalSteps, 1u);
}

TEST_F(SnapshotTest, MemoryPagesTellWhichRowsChanged) {
    const AddressDecoder::PageGenerations before = snapshot.memoryPages;
    machine.Decoder().Write(0x1234, 0x00);  // the byte already holds 0: no change
    machine.TakeSnapshot(snapshot);
    EXPECT_EQ(snapshot.memoryPages, before);

    machine.Cpu().SetA(0x55);
    machine.Step();  // STA $1234
    machine.TakeSnapshot(snapshot);
    for (unsigned page = 0; page < 0xF0; ++page) {  // $F0xx: the devices' registers move too
        EXPECT_EQ(snapshot.memoryPages[page] != before[page], page == 0x12) << page;
    }
    machine.Decoder().Write(0xE000, 0x00);  // refused by the ROM, yet its window must redraw
    machine.TakeSnapshot(snapshot);
    EXPECT_NE(snapshot.memoryPages[0xE0], before[0xE0]);
}

class CountingWindow : public MemoryListener, public Mc6809Listener, public MachineListener {
public:
    void ValueChanged(Address address, Byte) override { values += address == 0x1234; }
    void BreakpointChanged(Address, bool) override { ++breakpoints; }
    void RegisterChanged(Mc6809Register, std::uint16_t) override { ++registers; }
    void InputLevelChanged(std::uint16_t, bool) override {}
    void BreakpointReached(Address pc) override { stops.push_back(pc); }
    void MessageShown(const std::string& line) override { lines.push_back(line); }
    int values = 0, breakpoints = 0, registers = 0;
    std::vector<Address> stops;
    std::vector<std::string> lines;
};

TEST_F(SnapshotTest, EverySubscriberHearsEveryNoticeUntilItLeaves) {
    CountingWindow first, second;
    for (CountingWindow* window : {&first, &second}) {
        machine.Decoder().AddMemoryListener(window);
        machine.Cpu().AddListener(window);
        machine.AddListener(window);
    }
    machine.Decoder().AddMemoryListener(&first);  // a second subscription is ignored
    machine.Cpu().SetA(0x77);
    machine.Step();
    machine.Decoder().SetBreakpoint(0x0400, true);
    machine.SetSystemRunning(true);
    machine.Burst();
    for (const CountingWindow* window : {&first, &second}) {
        EXPECT_EQ(window->values, 1);
        EXPECT_EQ(window->breakpoints, 1);
        EXPECT_GE(window->registers, 2);
        EXPECT_EQ(window->stops, std::vector<Address>{0x0400});
        ASSERT_EQ(window->lines.size(), 1u);
        EXPECT_EQ(window->lines[0],
                  "Breakpoint bei Adresse ($0400) erreicht: System wird angehalten;");
    }
    machine.Decoder().RemoveMemoryListener(&first);
    machine.Cpu().RemoveListener(&first);
    machine.RemoveListener(&first);
    machine.Decoder().SetBreakpoint(0x0400, false);
    machine.Cpu().SetA(0x78);
    EXPECT_EQ(first.breakpoints, 1);
    EXPECT_EQ(second.breakpoints, 2);
    EXPECT_GT(second.registers, first.registers);
    machine.Decoder().RemoveMemoryListener(&second);
    machine.Cpu().RemoveListener(&second);
    machine.RemoveListener(&second);
}

}  // namespace
}  // namespace tarvok
