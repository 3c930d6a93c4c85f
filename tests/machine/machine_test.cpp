#include <gtest/gtest.h>

#include "machine/machine.h"
#include "machine/program_file.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

class MachineTest : public ::testing::Test {
protected:
    MachineTest() : machine(MachineOptions{"6809.rom", true}) {
        machine.Decoder().SetBeepOnMessage(false);
    }
    void Poke(Address address, std::initializer_list<Byte> bytes) {
        for (const Byte byte : bytes)
            machine.Decoder().Write(address++, byte);
    }
    const std::deque<std::string>& Messages() { return machine.Messages().Lines(); }

    Machine machine;
};

TEST_F(MachineTest, WiringFollowsTheBoardsAddressMap) {
    AddressDecoder& bus = machine.Decoder();
    const std::pair<Address, Device*> expected[] = {
        {0x0000, &machine.Ram()},    {0x1FFF, &machine.Ram()},     {0x2000, nullptr},
        {0xDFFF, nullptr},           {0xE000, &machine.Rom()},     {0xF000, &machine.Pia()},
        {0xF003, &machine.Pia()},    {0xF004, &machine.Rom()},     {0xF007, &machine.Rom()},
        {0xF008, &machine.Acia()},   {0xF00B, &machine.Acia()},    {0xF00E, &machine.Rom()},
        {0xF010, &machine.Keypad()}, {0xF017, &machine.Keypad()},  {0xF018, &machine.Timer()},
        {0xF01F, &machine.Timer()},  {0xF020, &machine.Display()}, {0xF02F, &machine.Display()},
        {0xF030, &machine.Rom()},    {0xFFFF, &machine.Rom()}};
    for (const auto& [address, module] : expected) {
        EXPECT_EQ(bus.DeviceAt(address), module) << std::hex << address;
    }
    EXPECT_EQ(bus.DeviceAt(0xF00C), &machine.Module(ModuleId::Dummy1));
    EXPECT_EQ(bus.DeviceAt(0xF00D), &machine.Module(ModuleId::Dummy2));
    bus.Write(0xF00C, 0x12);
    EXPECT_EQ(bus.Read(0xF00C, false), 0x12);
    EXPECT_EQ(bus.Read(0xF00D, false), 0x00);
}

TEST_F(MachineTest, BuiltInImageKeepsTheBoardsConstraints) {
    EXPECT_EQ(machine.Decoder().Read(0xFFFE), 0xE0);
    EXPECT_EQ(machine.Decoder().Read(0xFFFF), 0x00);
    for (unsigned offset = 0x1000; offset < 0x1030; ++offset) {
        EXPECT_EQ(machine.Rom().ReadByte(offset), 0xFF) << std::hex << offset;
    }
    for (Address vector = 0xFFF0; vector < 0xFFFE; vector += 2) {
        const unsigned target =
            machine.Decoder().Read(vector) << 8 | machine.Decoder().Read(vector + 1);
        EXPECT_GE(target, 0xE000u) << std::hex << vector;
    }
    EXPECT_EQ(machine.Cpu().PC(), 0xE000);
    EXPECT_TRUE(Messages().empty());
}

TEST_F(MachineTest, CycleCounterWrapsAndCountsWhetherShownOrNot) {
    Poke(0x0400, {0x20, 0xFE});  // BRA *: 3 cycles a step
    machine.Cpu().SetPC(0x0400);
    EXPECT_FALSE(machine.CountCycles());
    for (int i = 0; i < 21846; ++i)
        machine.Step();  // 65538 cycles
    EXPECT_EQ(machine.TotalCycles(), 65538u);
    EXPECT_EQ(machine.CycleCounter(), 2);
    machine.SetCountCycles(true);
    machine.Step();
    EXPECT_EQ(machine.CycleCounter(), 5);
    machine.SetCycleCounter(0);
    EXPECT_EQ(machine.CycleCounter(), 0);
}

TEST_F(MachineTest, BreakpointStopsBeforeTheInstructionAndRestartExecutesIt) {
    // $0400: NOP; NOP; BRA $0400
    Poke(0x0400, {0x12, 0x12, 0x20, 0xFC});
    machine.Cpu().SetPC(0x0400);
    machine.Decoder().SetBreakpoint(0x0401, true);
    machine.SetSystemRunning(true);
    EXPECT_TRUE(machine.Burst());
    EXPECT_FALSE(machine.SystemRunning());
    EXPECT_EQ(machine.Cpu().PC(), 0x0401);
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_EQ(Messages()[0], "Breakpoint bei Adresse ($0401) erreicht: System wird angehalten;");
    machine.SetSystemRunning(true);
    EXPECT_TRUE(machine.Burst());  // runs once round the loop, back to the breakpoint
    EXPECT_EQ(machine.TotalSteps(), 4u);
    EXPECT_FALSE(machine.Burst());  // stopped: a burst does nothing
    EXPECT_EQ(machine.TotalSteps(), 4u);
}

TEST_F(MachineTest, BurstEndsAfterAHundredSteps) {
    Poke(0x0400, {0x20, 0xFE});
    machine.Cpu().SetPC(0x0400);
    machine.SetSystemRunning(true);
    EXPECT_FALSE(machine.Burst());
    EXPECT_EQ(machine.TotalSteps(), 100u);
    EXPECT_TRUE(machine.SystemRunning());
}

TEST_F(MachineTest, ResetStopsAtBreakpointOnResetVectorAndKeepsRam) {
    Poke(0x0400, {0x20, 0xFE});
    machine.Cpu().SetPC(0x0400);
    machine.SetSystemRunning(true);
    machine.Burst();
    machine.Decoder().SetBreakpoint(0xE000, true);
    machine.ResetSystem();
    EXPECT_FALSE(machine.SystemRunning());
    EXPECT_EQ(machine.Cpu().PC(), 0xE000);
    EXPECT_EQ(machine.CycleCounter(), 0);
    EXPECT_EQ(Messages().back(),
              "Breakpoint bei Adresse ($E000) erreicht: System wird angehalten;");
    EXPECT_EQ(machine.Decoder().Read(0x0400), 0x20);
}

TEST_F(MachineTest, RunningSystemContinuesFromResetVector) {
    Poke(0x0400, {0x20, 0xFE});
    machine.Cpu().SetPC(0x0400);
    machine.SetSystemRunning(true);
    machine.ResetSystem();
    EXPECT_TRUE(machine.SystemRunning());
    EXPECT_EQ(machine.Cpu().PC(), 0xE000);
}

TEST_F(MachineTest, KeypadKeysActOnlyOnChangesAndSpecialKeysDriveTheMachine) {
    machine.PressKey(KeypadKey::Data5);
    machine.PressKey(KeypadKey::Go);
    EXPECT_EQ(machine.Decoder().Read(0xF012), 0xF2);
    EXPECT_EQ(machine.Decoder().Read(0xF016), 0xF4);
    machine.ReleaseKey(KeypadKey::Data5);
    EXPECT_EQ(machine.Decoder().Read(0xF012), 0xF0);

    // CA1 interrupt on a falling edge, enabled: Break raises IRQA.
    machine.Decoder().Write(0xF001, 0x05);
    machine.PressKey(KeypadKey::Break);
    EXPECT_TRUE(machine.Pia().CrBit(kPortA, Mc6821::kCrFlag1));
    machine.ReleaseKey(KeypadKey::Break);

    machine.Decoder().ShowMessage("old line");
    machine.Cpu().SetPC(0x0400);
    machine.ReleaseKey(KeypadKey::Clear);  // never pressed: nothing happens
    EXPECT_EQ(machine.Cpu().PC(), 0x0400);
    machine.PressKey(KeypadKey::Clear);
    machine.ReleaseKey(KeypadKey::Clear);
    EXPECT_EQ(machine.Cpu().PC(), 0xE000);
    EXPECT_TRUE(Messages().empty());
    EXPECT_FALSE(machine.Pia().CrBit(kPortA, Mc6821::kCrFlag1));  // the reset cleared the PIA
}

TEST_F(MachineTest, BreakKeyHoldsCa1LowWhileHeld) {
    EXPECT_TRUE(machine.Pia().ControlInput(kPortA, 1));
    machine.PressKey(KeypadKey::Break);
    EXPECT_FALSE(machine.Pia().ControlInput(kPortA, 1));
    machine.Burst();
    EXPECT_FALSE(machine.Pia().ControlInput(kPortA, 1)) << "held, not a pulse";
    machine.ReleaseKey(KeypadKey::Break);
    EXPECT_TRUE(machine.Pia().ControlInput(kPortA, 1));
}

// Saving reads with the inspection read: the PIA keeps its flag, while the ACIA, which ignores
// the inspection flag, loses its flags as on a processor read.
TEST_F(MachineTest, SavingTheDeviceRegistersUsesTheInspectionRead) {
    const test::TempDir temp;
    machine.Decoder().Write(0xF001, 0x05);  // CA1 falling edge, DRA selected
    machine.PressKey(KeypadKey::Break);
    machine.Acia().SetRdr(0x42);
    ASSERT_TRUE(SaveProgramFile(machine.Decoder(), 0xF000, 0xF02F, temp.Path("io.hex")));
    EXPECT_TRUE(machine.Pia().CrBit(kPortA, Mc6821::kCrFlag1));
    EXPECT_EQ(machine.Acia().Sr() & (R6551::kRDRF | R6551::kIRQ), 0);
    EXPECT_NE(test::TempDir::Read(temp.Path("io.hex")).find(":10F000000085"), std::string::npos)
        << "DRA, then CRA with its flag";
}

TEST_F(MachineTest, FirstBreakPressIsNotLost) {
    // CA1 idles high from the start, so the very first press is a falling edge.
    machine.Decoder().Write(0xF001, 0x05);
    machine.PressKey(KeypadKey::Break);
    EXPECT_TRUE(machine.Pia().CrBit(kPortA, Mc6821::kCrFlag1));
}

}  // namespace
}  // namespace tarvok
