#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/address_decoder.h"
#include "core/output_sink.h"
#include "devices/mc6821.h"
#include "support/irq_recorder.h"

namespace tarvok {
namespace {

class Mc6821MemoryWindow : public TMemoryWindowListener {
public:
    void ValueChanged(Address address, Byte value) override {
        changes.emplace_back(address, value);
    }
    void BreakpointChanged(Address, bool) override {}
    std::vector<std::pair<Address, Byte>> changes;
};

class Mc6821RecordingListener : public TMC6821Listener {
public:
    void RegisterChanged(TMC6821Register reg, Byte value) override {
        registers.emplace_back(reg, value);
    }
    void Cx2OutputChanged(int port, bool level) override { cx2.emplace_back(port, level); }
    void InputSwitchesChanged(int port, Byte switches) override {
        switchBytes.emplace_back(port, switches);
    }
    void ControlSwitchChanged(int port, int line, bool on) override {
        controlSwitches.push_back({port, line, on});
    }
    void SignalFileStateChanged(int port) override { fileStates.push_back(port); }
    void SignalFileFailed(int port, const TUserMessage& message) override {
        failures.emplace_back(port, message.caption);
    }

    std::vector<std::pair<TMC6821Register, Byte>> registers;
    std::vector<std::pair<int, bool>> cx2;
    std::vector<std::pair<int, Byte>> switchBytes;
    struct Control {
        int port, line;
        bool on;
    };
    std::vector<Control> controlSwitches;
    std::vector<int> fileStates;
    std::vector<std::pair<int, std::string>> failures;
};

class Mc6821Test : public ::testing::Test {
protected:
    static constexpr Address kPortA = 0xF000, kCtrlA = 0xF001, kPortB = 0xF002, kCtrlB = 0xF003;

    void SetUp() override {
        decoder.SetOutputMemo(&lines);
        decoder.SetBeepHandler([] {});
        pia.SetAddressDecoder(&decoder);
        pia.ConnectIRQOutput(0, &cpu, kInputIRQ);
        pia.ConnectIRQOutput(1, &cpu, kInputIRQ);
        pia.Loaded();
        cpu.calls.clear();
    }

    Byte Read(Address a) { return decoder.GetValue(a, false); }
    Byte Peek(Address a) { return decoder.GetValue(a, true); }
    void Write(Address a, Byte v) { decoder.SetValue(a, v); }
    bool IrqA() const { return cpu.LastLevel(1, kInputIRQ); }
    bool IrqB() const { return cpu.LastLevel(2, kInputIRQ); }

    TAddressDecoder decoder;
    TMessageLines lines;
    test::TIrqRecorder cpu;
    TMC6821Module pia;
};

TEST_F(Mc6821Test, OffsetZeroSelectsDdrOrReadValue) {
    pia.SetInputSwitches(1, 0xA5);
    EXPECT_EQ(Read(kPortA), 0x00);  // DDRA after reset
    Write(kCtrlA, 0x04);
    EXPECT_EQ(Read(kPortA), 0xA5);
    Write(kCtrlA, 0x00);
    Write(kPortA, 0x3C);
    EXPECT_EQ(pia.GetRegDDRA(), 0x3C);
    EXPECT_EQ(Read(kPortA), 0x3C);
}

TEST_F(Mc6821Test, PortAReadsPinsWhilePortBReadsBackOutputs) {
    for (Address data : {kPortA, kPortB}) {
        Write(data + 1, 0x00);
        Write(data, 0xFF);
        Write(data + 1, 0x04);
        Write(data, 0x55);
    }
    pia.SetInputSwitches(1, 0x0F);
    pia.SetInputSwitches(2, 0x0F);
    EXPECT_EQ(Read(kPortA), 0x0F);
    EXPECT_EQ(Read(kPortB), 0x55);
    pia.SetRegDDRB(0xF0);  // low nibble from the switches, high nibble from DRB
    EXPECT_EQ(pia.GetDRBReadValue(), 0x5F);
}

TEST_F(Mc6821Test, BusWriteToControlRegisterKeepsFlagBits) {
    Write(kCtrlA, 0xFF);
    EXPECT_EQ(Read(kCtrlA), 0x3F);
    Write(kCtrlB, 0x00);  // falling CB1 edge active
    pia.SetCB1Input(true);
    pia.SetCB1Input(false);
    EXPECT_EQ(pia.GetRegCRB(), 0x80);
    Write(kCtrlB, 0x7F);
    EXPECT_EQ(pia.GetRegCRB(), 0xBF);
    Write(kCtrlB, 0x00);
    EXPECT_EQ(pia.GetRegCRB(), 0x80);
}

TEST_F(Mc6821Test, Ca1EdgeSetsFlagAndOnlyDataReadClearsIt) {
    pia.SetCA1Input(true);
    Write(kCtrlA, 0x01);
    EXPECT_TRUE(IrqA());
    pia.SetCA1Input(false);
    EXPECT_TRUE(pia.GetFlagCA1());
    EXPECT_FALSE(IrqA());
    Read(kPortA);  // DDRA selected: the flag stays
    EXPECT_TRUE(pia.GetFlagCA1());
    pia.SetFlagDRAorDDRA(true);
    Peek(kPortA);
    EXPECT_TRUE(pia.GetFlagCA1());
    Read(kPortA);
    EXPECT_FALSE(pia.GetFlagCA1());
    EXPECT_TRUE(IrqA());
}

TEST_F(Mc6821Test, Ca1ActiveEdgeFollowsBitOneAndFlagIgnoresEnable) {
    Write(kCtrlA, 0x02);  // rising edge, interrupt disabled
    pia.SetCA1Input(false);
    EXPECT_FALSE(pia.GetFlagCA1());  // level did not change (0 at construction)
    pia.SetCA1Input(true);
    EXPECT_TRUE(pia.GetFlagCA1());
    EXPECT_TRUE(IrqA());
    pia.SetFlagCA1(false);
    pia.SetCA1Input(true);  // same level: no edge
    EXPECT_FALSE(pia.GetFlagCA1());
    pia.SetCA1Input(false);
    EXPECT_FALSE(pia.GetFlagCA1());
}

TEST_F(Mc6821Test, Ca2InputEdgeRaisesIrqOnlyWithEnable) {
    Write(kCtrlA, 0x10);  // CA2 input, rising edge, IRQ disabled
    pia.SetCA2Input(true);
    EXPECT_TRUE(pia.GetFlagCA2());
    EXPECT_TRUE(IrqA());
    Write(kCtrlA, 0x18);
    EXPECT_FALSE(IrqA());
    Write(kCtrlA, 0x1C);
    Read(kPortA);
    EXPECT_FALSE(pia.GetFlagCA2());
    EXPECT_TRUE(IrqA());
}

TEST_F(Mc6821Test, Ca2OutputSetsNoFlagAndFlag2IsNotClearedByRead) {
    Write(kCtrlA, 0x10);
    pia.SetCA2Input(true);
    ASSERT_TRUE(pia.GetFlagCA2());
    Write(kCtrlA, 0x3C);  // CA2 becomes an output: the old flag stays, the IRQ does not count it
    EXPECT_TRUE(IrqA());
    Read(kPortA);
    EXPECT_TRUE(pia.GetFlagCA2());
    pia.SetCA2Input(false);
    pia.SetCA2Input(true);
    EXPECT_EQ(pia.GetRegCRA() & 0x40, 0x40);
}

TEST_F(Mc6821Test, DirectCa2OutputFollowsBitThree) {
    Write(kCtrlA, 0x3C);
    EXPECT_TRUE(pia.GetCA2OutputLevel());
    Write(kCtrlA, 0x34);
    EXPECT_FALSE(pia.GetCA2OutputLevel());
    Write(kCtrlA, 0x00);  // back to input: the lamp shows high
    EXPECT_TRUE(pia.GetCA2OutputLevel());
    Write(kCtrlB, 0x34);
    EXPECT_FALSE(pia.GetCB2OutputLevel());
    EXPECT_TRUE(pia.GetCA2OutputLevel());
}

TEST_F(Mc6821Test, PulseModeStrobesCa2ForOneCycle) {
    Write(kCtrlA, 0x2C);
    Peek(kPortA);
    EXPECT_TRUE(pia.GetCA2OutputLevel());
    Read(kPortA);
    EXPECT_FALSE(pia.GetCA2OutputLevel());
    pia.Run(5);
    EXPECT_TRUE(pia.GetCA2OutputLevel());
    ASSERT_EQ(lines.Lines().size(), 1u);
    EXPECT_EQ(lines.Lines()[0], "L-Strobe-Impuls an CA2 für die Dauer eines Maschinenzyklus");
    pia.Run(5);
    EXPECT_EQ(lines.Lines().size(), 1u);
}

TEST_F(Mc6821Test, HandshakeHoldsCa2LowUntilCa1Answers) {
    pia.SetCA1Input(true);
    Write(kCtrlA, 0x24);  // handshake, falling CA1 edge
    Read(kPortA);
    EXPECT_FALSE(pia.GetCA2OutputLevel());
    pia.Run(200);
    EXPECT_FALSE(pia.GetCA2OutputLevel());
    pia.SetCA1Input(false);
    EXPECT_FALSE(pia.GetCA2OutputLevel());
    pia.Run(1);
    EXPECT_TRUE(pia.GetCA2OutputLevel());
    EXPECT_TRUE(lines.Lines().empty());
}

TEST_F(Mc6821Test, Cb2StrobesOnDataWriteNotOnRead) {
    Write(kCtrlB, 0x2C);
    Read(kPortB);
    EXPECT_TRUE(pia.GetCB2OutputLevel());
    Write(kPortB, 0x12);
    EXPECT_FALSE(pia.GetCB2OutputLevel());
    pia.Run(1);
    EXPECT_TRUE(pia.GetCB2OutputLevel());
    ASSERT_EQ(lines.Lines().size(), 1u);
    EXPECT_EQ(lines.Lines()[0], "L-Strobe-Impuls an CB2 für die Dauer eines Maschinenzyklus");
}

TEST_F(Mc6821Test, EveryControlWriteReportsIrqLevelOnItsSourceLine) {
    Write(kCtrlA, 0x00);
    Write(kCtrlA, 0x00);
    Write(kCtrlB, 0x00);
    ASSERT_EQ(cpu.calls.size(), 3u);
    EXPECT_EQ(cpu.calls[0].sourceLine, 1);
    EXPECT_EQ(cpu.calls[2].sourceLine, 2);
    for (const auto& call : cpu.calls) {
        EXPECT_EQ(call.source, &pia);
        EXPECT_EQ(call.input, kInputIRQ);
        EXPECT_TRUE(call.level);
    }
    Write(kCtrlB, 0x01);
    pia.SetCB1Input(true);
    pia.SetCB1Input(false);
    EXPECT_FALSE(IrqB());
    EXPECT_TRUE(IrqA());
}

TEST_F(Mc6821Test, ResetClearsRegistersAndSwitchesButNotControlInputs) {
    Write(kCtrlA, 0x01);
    pia.SetCA1Input(true);
    pia.SetCA1Input(false);
    ASSERT_FALSE(IrqA());
    pia.SetControlSwitch(2, 2, true);
    pia.SetInputSwitches(1, 0x77);
    Write(kCtrlB, 0x34);
    pia.Reset();
    EXPECT_TRUE(IrqA());
    EXPECT_TRUE(IrqB());
    EXPECT_EQ(pia.GetRegCRA(), 0);
    EXPECT_EQ(pia.GetInputSwitches(1), 0);
    EXPECT_TRUE(pia.GetCB2OutputLevel());
    EXPECT_FALSE(pia.GetControlSwitch(2, 2));
    EXPECT_TRUE(pia.GetCB2Input());  // the window's switch is off, the line level stays
    EXPECT_FALSE(pia.GetCA1Input());
}

TEST_F(Mc6821Test, ControlSwitchDrivesItsInputOnlyWhenItMoves) {
    Write(kCtrlB, 0x12);  // rising CB1 and CB2 edges
    pia.SetControlSwitch(2, 1, true);
    EXPECT_TRUE(pia.GetCB1Input());
    EXPECT_TRUE(pia.GetFlagCB1());
    pia.SetControlSwitch(2, 2, true);
    EXPECT_TRUE(pia.GetFlagCB2());
    pia.SetFlagCB1(false);
    pia.SetControlSwitch(2, 1, true);
    EXPECT_FALSE(pia.GetFlagCB1());
}

TEST_F(Mc6821Test, FlagSettersRewriteTheirBit) {
    struct Case {
        void (TMC6821Module::*set)(bool);
        bool (TMC6821Module::*get)() const;
        Byte (TMC6821Module::*reg)() const;
        Byte bit;
    };
    using M = TMC6821Module;
    const Case cases[] = {
        {&M::SetFlagCA1, &M::GetFlagCA1, &M::GetRegCRA, 0x80},
        {&M::SetFlagCA2, &M::GetFlagCA2, &M::GetRegCRA, 0x40},
        {&M::SetFlagCA2IsOutput, &M::GetFlagCA2IsOutput, &M::GetRegCRA, 0x20},
        {&M::SetFlagIRQOnCA2PosFlank, &M::GetFlagIRQOnCA2PosFlank, &M::GetRegCRA, 0x10},
        {&M::SetFlagCA2DoesNoHandshake, &M::GetFlagCA2DoesNoHandshake, &M::GetRegCRA, 0x10},
        {&M::SetFlagDRAorDDRA, &M::GetFlagDRAorDDRA, &M::GetRegCRA, 0x04},
        {&M::SetFlagIRQOnCA1PosFlank, &M::GetFlagIRQOnCA1PosFlank, &M::GetRegCRA, 0x02},
        {&M::SetFlagCB1, &M::GetFlagCB1, &M::GetRegCRB, 0x80},
        {&M::SetFlagCB2, &M::GetFlagCB2, &M::GetRegCRB, 0x40},
        {&M::SetFlagCB2IsOutput, &M::GetFlagCB2IsOutput, &M::GetRegCRB, 0x20},
        {&M::SetFlagIRQOnCB2PosFlank, &M::GetFlagIRQOnCB2PosFlank, &M::GetRegCRB, 0x10},
        {&M::SetFlagCB2DoesNoHandshake, &M::GetFlagCB2DoesNoHandshake, &M::GetRegCRB, 0x10},
        {&M::SetFlagDRBorDDRB, &M::GetFlagDRBorDDRB, &M::GetRegCRB, 0x04},
        {&M::SetFlagIRQOnCB1PosFlank, &M::GetFlagIRQOnCB1PosFlank, &M::GetRegCRB, 0x02},
    };
    for (const Case& c : cases) {
        pia.SetRegCRA(0x00);
        pia.SetRegCRB(0x00);
        cpu.calls.clear();
        (pia.*c.set)(true);
        EXPECT_TRUE((pia.*c.get)());
        EXPECT_EQ((pia.*c.reg)(), c.bit);
        EXPECT_EQ(cpu.calls.size(), 1u);  // through the register-write path
        (pia.*c.set)(false);
        EXPECT_FALSE((pia.*c.get)());
        EXPECT_EQ((pia.*c.reg)(), 0);
    }
}

TEST_F(Mc6821Test, MemoryWindowsHearOnlyRealChanges) {
    Mc6821MemoryWindow window;
    decoder.AddMemoryWindow(&window);
    pia.SetInputSwitches(1, 0x01);  // DDRA shown: nothing visible changes
    EXPECT_TRUE(window.changes.empty());
    Write(kCtrlA, 0x04);
    ASSERT_EQ(window.changes.size(), 2u);
    EXPECT_EQ(window.changes[0], std::make_pair(kPortA, Byte{0x01}));
    EXPECT_EQ(window.changes[1], std::make_pair(kCtrlA, Byte{0x04}));
    window.changes.clear();
    pia.SetInputSwitches(1, 0x09);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(kPortA, Byte{0x09}));
    window.changes.clear();
    // DRA does not show on port A: the window that wrote $FF is told the true byte again.
    Write(kPortA, 0xFF);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(kPortA, Byte{0x09}));
    decoder.RemoveMemWndPtr(&window);
}

TEST_F(Mc6821Test, RewritingTheShownByteSendsNoNotice) {
    Mc6821MemoryWindow window;
    decoder.AddMemoryWindow(&window);
    Write(kPortA, 0x12);  // DDRA
    Write(kPortA, 0x12);
    Write(kCtrlB, 0x04);
    Write(kCtrlB, 0x04);
    pia.SetRegDDRB(0xFF);
    Write(kPortB, 0x33);
    Write(kPortB, 0x33);
    const std::vector<std::pair<Address, Byte>> expected = {
        {kPortA, 0x12}, {kCtrlB, 0x04}, {kPortB, 0x33}};
    EXPECT_EQ(window.changes, expected);
    decoder.RemoveMemWndPtr(&window);
}

TEST_F(Mc6821Test, ListenerHearsRegisterLampAndSwitchChanges) {
    Mc6821RecordingListener listener;
    pia.SetListener(&listener);
    Write(kCtrlB, 0x34);
    Write(kCtrlB, 0x34);
    ASSERT_EQ(listener.registers.size(), 1u);
    EXPECT_EQ(listener.registers[0], std::make_pair(TMC6821Register::CRB, Byte{0x34}));
    ASSERT_EQ(listener.cx2.size(), 1u);
    EXPECT_EQ(listener.cx2[0], std::make_pair(2, false));
    pia.SetInputSwitches(1, 0x80);
    pia.SetInputSwitches(1, 0x80);
    ASSERT_EQ(listener.switchBytes.size(), 1u);
    pia.SetControlSwitch(1, 1, true);
    pia.Reset();
    ASSERT_EQ(listener.controlSwitches.size(), 2u);
    EXPECT_FALSE(listener.controlSwitches[1].on);
    EXPECT_EQ(listener.switchBytes.back(), std::make_pair(1, Byte{0}));
    EXPECT_EQ(listener.cx2.back(), std::make_pair(2, true));
    pia.SetListener(nullptr);
}

TEST_F(Mc6821Test, UnusedOffsetsAndPortNumbersAreHarmless) {
    EXPECT_EQ(pia.GetValue(0xF004, false), 0);
    pia.SetValue(0xF004, 0x12);
    pia.SetInputSwitches(3, 0xFF);
    EXPECT_EQ(pia.GetInputSwitches(3), 0);
    EXPECT_FALSE(pia.StartRecording("x.pia", 0));
    EXPECT_FALSE(pia.StopReadingAndRecording(3, nullptr));
    EXPECT_EQ(pia.Run(7), 7);
}

}  // namespace
}  // namespace tarvok
