#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/address_decoder.h"
#include "core/output_sink.h"
#include "devices/mc6821.h"
#include "support/irq_recorder.h"
#include "support/status_check.h"

namespace tarvok {
namespace {

class Mc6821MemoryWindow : public MemoryListener {
public:
    void ValueChanged(Address address, Byte value) override {
        changes.emplace_back(address, value);
    }
    void BreakpointChanged(Address, bool) override {}
    std::vector<std::pair<Address, Byte>> changes;
};

class Mc6821RecordingListener : public Mc6821Listener {
public:
    void RegisterChanged(Mc6821Register reg, Byte value) override {
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
    void SignalFileFailed(int port, const UserMessage& message) override {
        failures.emplace_back(port, message.caption);
    }

    std::vector<std::pair<Mc6821Register, Byte>> registers;
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
    static constexpr Address kDataA = 0xF000, kCtrlA = 0xF001, kDataB = 0xF002, kCtrlB = 0xF003;

    void SetUp() override {
        decoder.SetOutput(&lines);
        decoder.SetBeepHandler([] {});
        pia.SetDecoder(&decoder);
        pia.ConnectInterruptOutput(0, &cpu, kIrqInput);
        pia.ConnectInterruptOutput(1, &cpu, kIrqInput);
        pia.Install();
        cpu.calls.clear();
    }

    Byte Read(Address a) { return decoder.Read(a, false); }
    Byte Peek(Address a) { return decoder.Read(a, true); }
    void Write(Address a, Byte v) { decoder.Write(a, v); }
    bool IrqA() const { return cpu.LastLevel(1, kIrqInput); }
    bool IrqB() const { return cpu.LastLevel(2, kIrqInput); }

    AddressDecoder decoder;
    MessageLines lines;
    test::IrqRecorder cpu;
    Mc6821 pia;
};

TEST_F(Mc6821Test, OffsetZeroSelectsDdrOrReadValue) {
    pia.SetInputSwitches(1, 0xA5);
    EXPECT_EQ(Read(kDataA), 0x00);  // DDRA after reset
    Write(kCtrlA, 0x04);
    EXPECT_EQ(Read(kDataA), 0xA5);
    Write(kCtrlA, 0x00);
    Write(kDataA, 0x3C);
    EXPECT_EQ(pia.Ddr(kPortA), 0x3C);
    EXPECT_EQ(Read(kDataA), 0x3C);
}

TEST_F(Mc6821Test, PortAReadsPinsWhilePortBReadsBackOutputs) {
    for (Address data : {kDataA, kDataB}) {
        Write(data + 1, 0x00);
        Write(data, 0xFF);
        Write(data + 1, 0x04);
        Write(data, 0x55);
    }
    pia.SetInputSwitches(1, 0x0F);
    pia.SetInputSwitches(2, 0x0F);
    EXPECT_EQ(Read(kDataA), 0x0F);
    EXPECT_EQ(Read(kDataB), 0x55);
    pia.SetDdr(kPortB, 0xF0);  // low nibble from the switches, high nibble from DRB
    EXPECT_EQ(pia.PortReadValue(kPortB), 0x5F);
}

TEST_F(Mc6821Test, BusWriteToControlRegisterKeepsFlagBits) {
    Write(kCtrlA, 0xFF);
    EXPECT_EQ(Read(kCtrlA), 0x3F);
    Write(kCtrlB, 0x00);  // falling CB1 edge active
    pia.SetControlInput(kPortB, 1, true);
    pia.SetControlInput(kPortB, 1, false);
    EXPECT_EQ(pia.Cr(kPortB), 0x80);
    Write(kCtrlB, 0x7F);
    EXPECT_EQ(pia.Cr(kPortB), 0xBF);
    Write(kCtrlB, 0x00);
    EXPECT_EQ(pia.Cr(kPortB), 0x80);
}

TEST_F(Mc6821Test, Ca1EdgeSetsFlagAndOnlyDataReadClearsIt) {
    pia.SetControlInput(kPortA, 1, true);
    Write(kCtrlA, 0x01);
    EXPECT_TRUE(IrqA());
    pia.SetControlInput(kPortA, 1, false);
    EXPECT_TRUE(pia.CrBit(kPortA, Mc6821::kCrFlag1));
    EXPECT_FALSE(IrqA());
    Read(kDataA);  // DDRA selected: the flag stays
    EXPECT_TRUE(pia.CrBit(kPortA, Mc6821::kCrFlag1));
    pia.SetCrBit(kPortA, Mc6821::kCrDrSelect, true);
    Peek(kDataA);
    EXPECT_TRUE(pia.CrBit(kPortA, Mc6821::kCrFlag1));
    Read(kDataA);
    EXPECT_FALSE(pia.CrBit(kPortA, Mc6821::kCrFlag1));
    EXPECT_TRUE(IrqA());
}

TEST_F(Mc6821Test, Ca1ActiveEdgeFollowsBitOneAndFlagIgnoresEnable) {
    Write(kCtrlA, 0x02);  // rising edge, interrupt disabled
    pia.SetControlInput(kPortA, 1, false);
    EXPECT_FALSE(pia.CrBit(kPortA, Mc6821::kCrFlag1));  // level did not change (0 at construction)
    pia.SetControlInput(kPortA, 1, true);
    EXPECT_TRUE(pia.CrBit(kPortA, Mc6821::kCrFlag1));
    EXPECT_TRUE(IrqA());
    pia.SetCrBit(kPortA, Mc6821::kCrFlag1, false);
    pia.SetControlInput(kPortA, 1, true);  // same level: no edge
    EXPECT_FALSE(pia.CrBit(kPortA, Mc6821::kCrFlag1));
    pia.SetControlInput(kPortA, 1, false);
    EXPECT_FALSE(pia.CrBit(kPortA, Mc6821::kCrFlag1));
}

TEST_F(Mc6821Test, Ca2InputEdgeRaisesIrqOnlyWithEnable) {
    Write(kCtrlA, 0x10);  // CA2 input, rising edge, IRQ disabled
    pia.SetControlInput(kPortA, 2, true);
    EXPECT_TRUE(pia.CrBit(kPortA, Mc6821::kCrFlag2));
    EXPECT_TRUE(IrqA());
    Write(kCtrlA, 0x18);
    EXPECT_FALSE(IrqA());
    Write(kCtrlA, 0x1C);
    Read(kDataA);
    EXPECT_FALSE(pia.CrBit(kPortA, Mc6821::kCrFlag2));
    EXPECT_TRUE(IrqA());
}

TEST_F(Mc6821Test, Ca2OutputSetsNoFlagAndFlag2IsNotClearedByRead) {
    Write(kCtrlA, 0x10);
    pia.SetControlInput(kPortA, 2, true);
    ASSERT_TRUE(pia.CrBit(kPortA, Mc6821::kCrFlag2));
    Write(kCtrlA, 0x3C);  // CA2 becomes an output: the old flag stays, the IRQ does not count it
    EXPECT_TRUE(IrqA());
    Read(kDataA);
    EXPECT_TRUE(pia.CrBit(kPortA, Mc6821::kCrFlag2));
    pia.SetControlInput(kPortA, 2, false);
    pia.SetControlInput(kPortA, 2, true);
    EXPECT_EQ(pia.Cr(kPortA) & 0x40, 0x40);
}

TEST_F(Mc6821Test, DirectCa2OutputFollowsBitThree) {
    Write(kCtrlA, 0x3C);
    EXPECT_TRUE(pia.C2Output(kPortA));
    Write(kCtrlA, 0x34);
    EXPECT_FALSE(pia.C2Output(kPortA));
    Write(kCtrlA, 0x00);  // back to input: the lamp shows high
    EXPECT_TRUE(pia.C2Output(kPortA));
    Write(kCtrlB, 0x34);
    EXPECT_FALSE(pia.C2Output(kPortB));
    EXPECT_TRUE(pia.C2Output(kPortA));
}

TEST_F(Mc6821Test, PulseModeStrobesCa2ForOneCycle) {
    Write(kCtrlA, 0x2C);
    Peek(kDataA);
    EXPECT_TRUE(pia.C2Output(kPortA));
    Read(kDataA);
    EXPECT_FALSE(pia.C2Output(kPortA));
    pia.Run(5);
    EXPECT_TRUE(pia.C2Output(kPortA));
    ASSERT_EQ(lines.Lines().size(), 1u);
    EXPECT_EQ(lines.Lines()[0], "L-Strobe-Impuls an CA2 für die Dauer eines Maschinenzyklus");
    pia.Run(5);
    EXPECT_EQ(lines.Lines().size(), 1u);
}

TEST_F(Mc6821Test, HandshakeHoldsCa2LowUntilCa1Answers) {
    pia.SetControlInput(kPortA, 1, true);
    Write(kCtrlA, 0x24);  // handshake, falling CA1 edge
    Read(kDataA);
    EXPECT_FALSE(pia.C2Output(kPortA));
    pia.Run(200);
    EXPECT_FALSE(pia.C2Output(kPortA));
    pia.SetControlInput(kPortA, 1, false);
    EXPECT_FALSE(pia.C2Output(kPortA));
    pia.Run(1);
    EXPECT_TRUE(pia.C2Output(kPortA));
    EXPECT_TRUE(lines.Lines().empty());
}

TEST_F(Mc6821Test, Cb2StrobesOnDataWriteNotOnRead) {
    Write(kCtrlB, 0x2C);
    Read(kDataB);
    EXPECT_TRUE(pia.C2Output(kPortB));
    Write(kDataB, 0x12);
    EXPECT_FALSE(pia.C2Output(kPortB));
    pia.Run(1);
    EXPECT_TRUE(pia.C2Output(kPortB));
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
        EXPECT_EQ(call.input, kIrqInput);
        EXPECT_TRUE(call.level);
    }
    Write(kCtrlB, 0x01);
    pia.SetControlInput(kPortB, 1, true);
    pia.SetControlInput(kPortB, 1, false);
    EXPECT_FALSE(IrqB());
    EXPECT_TRUE(IrqA());
}

TEST_F(Mc6821Test, ResetClearsRegistersAndSwitchesButNotControlInputs) {
    Write(kCtrlA, 0x01);
    pia.SetControlInput(kPortA, 1, true);
    pia.SetControlInput(kPortA, 1, false);
    ASSERT_FALSE(IrqA());
    pia.SetControlSwitch(2, 2, true);
    pia.SetInputSwitches(1, 0x77);
    Write(kCtrlB, 0x34);
    pia.Reset();
    EXPECT_TRUE(IrqA());
    EXPECT_TRUE(IrqB());
    EXPECT_EQ(pia.Cr(kPortA), 0);
    EXPECT_EQ(pia.InputSwitches(1), 0);
    EXPECT_TRUE(pia.C2Output(kPortB));
    EXPECT_FALSE(pia.ControlSwitch(2, 2));
    EXPECT_TRUE(pia.ControlInput(kPortB, 2));  // the window's switch is off, the line level stays
    EXPECT_FALSE(pia.ControlInput(kPortA, 1));
}

TEST_F(Mc6821Test, ControlSwitchDrivesItsInputOnlyWhenItMoves) {
    Write(kCtrlB, 0x12);  // rising CB1 and CB2 edges
    pia.SetControlSwitch(2, 1, true);
    EXPECT_TRUE(pia.ControlInput(kPortB, 1));
    EXPECT_TRUE(pia.CrBit(kPortB, Mc6821::kCrFlag1));
    pia.SetControlSwitch(2, 2, true);
    EXPECT_TRUE(pia.CrBit(kPortB, Mc6821::kCrFlag2));
    pia.SetCrBit(kPortB, Mc6821::kCrFlag1, false);
    pia.SetControlSwitch(2, 1, true);
    EXPECT_FALSE(pia.CrBit(kPortB, Mc6821::kCrFlag1));
}

TEST_F(Mc6821Test, ControlBitSettersRewriteTheirBit) {
    const Byte bits[] = {Mc6821::kCrFlag1, Mc6821::kCrFlag2,    Mc6821::kCrC2Output,
                         Mc6821::kCrBit4,  Mc6821::kCrDrSelect, Mc6821::kCrC1PosEdge};
    for (const int port : {kPortA, kPortB}) {
        for (const Byte bit : bits) {
            pia.SetCr(kPortA, 0x00);
            pia.SetCr(kPortB, 0x00);
            cpu.calls.clear();
            pia.SetCrBit(port, bit, true);
            EXPECT_TRUE(pia.CrBit(port, bit));
            EXPECT_EQ(pia.Cr(port), bit);
            EXPECT_EQ(pia.Cr(port == kPortA ? kPortB : kPortA), 0);
            EXPECT_EQ(cpu.calls.size(), 1u);  // through the register-write path
            pia.SetCrBit(port, bit, false);
            EXPECT_FALSE(pia.CrBit(port, bit));
            EXPECT_EQ(pia.Cr(port), 0);
        }
    }
}

TEST_F(Mc6821Test, MemoryWindowsHearOnlyRealChanges) {
    Mc6821MemoryWindow window;
    decoder.AddMemoryListener(&window);
    pia.SetInputSwitches(1, 0x01);  // DDRA shown: nothing visible changes
    EXPECT_TRUE(window.changes.empty());
    Write(kCtrlA, 0x04);
    ASSERT_EQ(window.changes.size(), 2u);
    EXPECT_EQ(window.changes[0], std::make_pair(kDataA, Byte{0x01}));
    EXPECT_EQ(window.changes[1], std::make_pair(kCtrlA, Byte{0x04}));
    window.changes.clear();
    pia.SetInputSwitches(1, 0x09);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(kDataA, Byte{0x09}));
    window.changes.clear();
    // DRA does not show on port A: the window that wrote $FF is told the true byte again.
    Write(kDataA, 0xFF);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(kDataA, Byte{0x09}));
    decoder.RemoveMemoryListener(&window);
}

TEST_F(Mc6821Test, RewritingTheShownByteSendsNoNotice) {
    Mc6821MemoryWindow window;
    decoder.AddMemoryListener(&window);
    Write(kDataA, 0x12);  // DDRA
    Write(kDataA, 0x12);
    Write(kCtrlB, 0x04);
    Write(kCtrlB, 0x04);
    pia.SetDdr(kPortB, 0xFF);
    Write(kDataB, 0x33);
    Write(kDataB, 0x33);
    const std::vector<std::pair<Address, Byte>> expected = {
        {kDataA, 0x12}, {kCtrlB, 0x04}, {kDataB, 0x33}};
    EXPECT_EQ(window.changes, expected);
    decoder.RemoveMemoryListener(&window);
}

TEST_F(Mc6821Test, ListenerHearsRegisterLampAndSwitchChanges) {
    Mc6821RecordingListener listener;
    pia.AddListener(&listener);
    Write(kCtrlB, 0x34);
    Write(kCtrlB, 0x34);
    ASSERT_EQ(listener.registers.size(), 1u);
    EXPECT_EQ(listener.registers[0], std::make_pair(Mc6821Register::CRB, Byte{0x34}));
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
    pia.RemoveListener(&listener);
}

TEST_F(Mc6821Test, UnusedOffsetsAndPortNumbersAreHarmless) {
    EXPECT_EQ(pia.Read(0xF004, false), 0);
    pia.Write(0xF004, 0x12);
    pia.SetInputSwitches(3, 0xFF);
    EXPECT_EQ(pia.InputSwitches(3), 0);
    EXPECT_FALSE(pia.StartRecording("x.pia", 0));
    EXPECT_FALSE(pia.StopReadingAndRecording(3));
    EXPECT_EQ(pia.Run(7), 7);
}

}  // namespace
}  // namespace tarvok
