#include <gtest/gtest.h>

#include <vector>

#include "core/address_decoder.h"
#include "core/types.h"
#include "devices/mc6840.h"
#include "support/irq_recorder.h"

namespace tarvok {
namespace {

class MC6840WindowSpy : public TMemoryWindowListener {
public:
    struct Change {
        Address address;
        Byte value;
    };
    void ValueChanged(Address address, Byte value) override { changes.push_back({address, value}); }
    void BreakpointChanged(Address, bool) override {}
    bool Saw(Address address, Byte value) const {
        for (const Change& change : changes) {
            if (change.address == address && change.value == value) return true;
        }
        return false;
    }
    std::vector<Change> changes;
};

class MC6840RegisterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ptm.SetAddressDecoder(&decoder);
        ptm.ConnectIRQOutput(0, &cpu, kInputNMI);
        ptm.Loaded();
        decoder.AddMemoryWindow(&window);
    }

    Byte Read(unsigned offset) { return decoder.GetValue(Addr(offset), false); }
    Byte Peek(unsigned offset) { return decoder.GetValue(Addr(offset), true); }
    void Write(unsigned offset, Byte value) { decoder.SetValue(Addr(offset), value); }
    static Address Addr(unsigned offset) { return static_cast<Address>(0xF018 + offset); }

    // Timer 1 continuous, 16 bits, internal clock, interrupt enabled; startup cycles consumed.
    void StartTimer1(std::uint16_t latch, Byte cr1 = 0xC2) {
        Write(2, static_cast<Byte>(latch >> 8));
        Write(3, static_cast<Byte>(latch));
        ptm.SetRegCR1(cr1);
        ptm.Run(1);
        ptm.Run(2);
    }

    TAddressDecoder decoder;
    test::TIrqRecorder cpu;
    TMC6840Module ptm;
    MC6840WindowSpy window;
};

TEST_F(MC6840RegisterTest, ResetState) {
    EXPECT_EQ(Read(0), 0x00);
    EXPECT_EQ(Read(1), 0x00);
    EXPECT_EQ(Read(2), 0xFF);
    EXPECT_EQ(Peek(0), 0x00);  // CR2 bit 0 clear: offset 0 shows CR3
    ptm.SetRegCR2(0x01);
    EXPECT_EQ(Peek(0), 0x01);  // CR1 with the internal reset set
    for (int timer = 1; timer <= 3; ++timer) {
        EXPECT_EQ(ptm.GetCounter(timer), 0xFFFF);
        EXPECT_EQ(ptm.GetMSBLatch(timer), 0xFF);
        EXPECT_EQ(ptm.GetLSBLatch(timer), 0xFF);
        EXPECT_FALSE(ptm.GetOutput(timer));
    }
    EXPECT_EQ(ptm.GetControlRegister(1), 0x01);
    EXPECT_EQ(ptm.GetControlRegister(3), 0x00);
    EXPECT_EQ(ptm.BaseAddress(), 0xF018);
    EXPECT_EQ(ptm.NumOfBytes(), 8);
}

TEST_F(MC6840RegisterTest, ResetKeepsGatesAndClearsFlags) {
    ptm.SetGate2(true);
    StartTimer1(0x0001);
    ptm.Run(4);
    ASSERT_NE(ptm.GetStatus() & 0x01, 0);
    ptm.Reset();
    EXPECT_TRUE(ptm.GetGate(2));
    EXPECT_FALSE(ptm.GetGate(1));
    EXPECT_EQ(ptm.GetStatus(), 0x00);
    EXPECT_TRUE(cpu.LastLevel(1, kInputNMI));
    EXPECT_EQ(ptm.GetCounter(1), 0xFFFF);
}

TEST_F(MC6840RegisterTest, RegisterSelectAtOffsetZero) {
    Write(1, 0x01);
    Write(0, 0x42);
    EXPECT_EQ(ptm.GetControlRegister(1), 0x42);
    EXPECT_EQ(Peek(0), 0x42);
    Write(1, 0x00);
    Write(0, 0x43);
    EXPECT_EQ(ptm.GetControlRegister(3), 0x43);
    EXPECT_EQ(ptm.GetControlRegister(1), 0x42);
    EXPECT_EQ(Peek(0), 0x43);
    EXPECT_EQ(Read(0), 0x00);
    EXPECT_TRUE(window.Saw(0xF018, 0x43));
}

TEST_F(MC6840RegisterTest, LatchWriteLoadsLatchesAndCounter) {
    ptm.SetRegCR1(0x00);
    Write(2, 0x12);
    EXPECT_EQ(ptm.GetCounter(1), 0xFFFF);   // the MSB only goes to the buffer
    EXPECT_TRUE(window.Saw(0xF01A, 0xFF));  // a window that wrote $12 learns what reads back
    Write(3, 0x34);
    EXPECT_EQ(ptm.GetMSBLatch(1), 0x12);
    EXPECT_EQ(ptm.GetLSBLatch(1), 0x34);
    EXPECT_EQ(ptm.GetCounter(1), 0x1234);
    EXPECT_TRUE(window.Saw(0xF01A, 0x12));
    // The MSB buffer is shared: timer 2 gets the same MSB.
    Write(5, 0x56);
    EXPECT_EQ(ptm.GetCounter(2), 0x1256);
}

TEST_F(MC6840RegisterTest, LatchWriteWithBit4SetLeavesCounter) {
    ptm.SetRegCR1(0x12);  // mode 2
    ptm.CounterInitialization1();
    Write(2, 0x00);
    Write(3, 0x05);
    EXPECT_EQ(ptm.GetCounter(1), 0xFFFF);
    EXPECT_EQ(ptm.GetLSBLatch(1), 0x05);
}

TEST_F(MC6840RegisterTest, LatchWriteClearsFlag) {
    ptm.SetRegCR1(0x12);  // bit 4: no counter initialization that would clear it too
    ptm.SetRegStatus(0x01);
    Write(2, 0x00);
    Write(3, 0x05);
    EXPECT_EQ(ptm.GetStatus() & 0x01, 0);
}

TEST_F(MC6840RegisterTest, CounterMSBReadFillsLSBBuffer) {
    ptm.SetRegCR1(0x00);
    Write(2, 0x12);
    Write(3, 0x34);
    EXPECT_EQ(Peek(2), 0x12);
    EXPECT_EQ(Peek(3), 0xFF);  // peek does not move the LSB into the buffer
    EXPECT_EQ(Read(2), 0x12);
    EXPECT_EQ(Peek(3), 0x34);
    EXPECT_EQ(Peek(5), 0x34);  // one buffer for all three timers
    EXPECT_TRUE(window.Saw(0xF01B, 0x34));
    EXPECT_TRUE(window.Saw(0xF01D, 0x34));
    EXPECT_TRUE(window.Saw(0xF01F, 0x34));
    EXPECT_EQ(Read(3), 0x34);
}

TEST_F(MC6840RegisterTest, StatusThenLSBReadClearsFlagAndReleasesInterrupt) {
    StartTimer1(0x0003);
    ptm.Run(4);
    EXPECT_EQ(ptm.GetStatus(), 0x81);
    EXPECT_FALSE(cpu.LastLevel(1, kInputNMI));
    EXPECT_EQ(cpu.calls.back().source, &ptm);

    // Without a status read the counter read leaves the flag.
    Read(2);
    Read(3);
    EXPECT_EQ(ptm.GetStatus(), 0x81);
    // A peek of the status does not count as a status read.
    Peek(1);
    Read(2);
    Read(3);
    EXPECT_EQ(ptm.GetStatus(), 0x81);

    EXPECT_EQ(Read(1), 0x81);
    Read(2);
    EXPECT_EQ(ptm.GetStatus(), 0x81);
    Read(3);
    EXPECT_EQ(ptm.GetStatus(), 0x00);
    EXPECT_TRUE(cpu.LastLevel(1, kInputNMI));
    EXPECT_TRUE(window.Saw(0xF019, 0x00));

    // Marked once, every later LSB read clears the flag again.
    ptm.Run(4);
    EXPECT_EQ(ptm.GetStatus(), 0x81);
    Read(3);
    EXPECT_EQ(ptm.GetStatus(), 0x00);
}

TEST_F(MC6840RegisterTest, StatusReadWithoutFlagDoesNotMark) {
    StartTimer1(0x0003);
    Read(1);  // flag clear: timer 1 is not marked
    ptm.Run(4);
    Read(3);
    EXPECT_EQ(ptm.GetStatus(), 0x81);
}

TEST_F(MC6840RegisterTest, CounterInitializationClearsStatusReadMark) {
    StartTimer1(0x0003);
    ptm.Run(4);
    Read(1);
    ptm.CounterInitialization1();
    ptm.Run(4);
    Read(3);
    EXPECT_EQ(ptm.GetStatus(), 0x81);
}

TEST_F(MC6840RegisterTest, InterruptNeedsEnableBit) {
    StartTimer1(0x0003, 0x82);
    ptm.Run(4);
    EXPECT_EQ(ptm.GetStatus(), 0x01);
    EXPECT_TRUE(cpu.LastLevel(1, kInputNMI));
    // Enabling it later raises the interrupt at once through the status rewrite.
    ptm.SetRegCR1(0xC2);
    EXPECT_EQ(ptm.GetStatus(), 0x81);
    EXPECT_FALSE(cpu.LastLevel(1, kInputNMI));
    ptm.SetRegCR1(0x82);
    EXPECT_TRUE(cpu.LastLevel(1, kInputNMI));
}

TEST_F(MC6840RegisterTest, EveryStatusWriteDrivesTheInterruptOutput) {
    const std::size_t before = cpu.calls.size();
    ptm.SetRegStatus(ptm.GetStatus());
    ptm.SetRegStatus(ptm.GetStatus());
    ASSERT_EQ(cpu.calls.size(), before + 2);
    EXPECT_EQ(cpu.calls.back().sourceLine, 1);
    EXPECT_EQ(cpu.calls.back().input, kInputNMI);
    EXPECT_TRUE(cpu.calls.back().level);
}

TEST_F(MC6840RegisterTest, CompositeBitWithoutReceiver) {
    TMC6840Module alone;
    alone.Reset();
    alone.SetRegCR2(0x40);
    alone.SetRegStatus(0x02);
    EXPECT_EQ(alone.GetStatus(), 0x82);
    alone.SetRegStatus(0x00);
    EXPECT_EQ(alone.GetStatus(), 0x00);
}

TEST_F(MC6840RegisterTest, PeekHasNoSideEffects) {
    StartTimer1(0x1234);
    ptm.Run(4);
    const TMC6840Module::State before = ptm.GetState();
    const std::size_t irqCalls = cpu.calls.size();
    for (unsigned offset = 0; offset < 8; ++offset)
        Peek(offset);
    EXPECT_EQ(ptm.GetState(), before);
    EXPECT_EQ(cpu.calls.size(), irqCalls);
}

TEST_F(MC6840RegisterTest, OutputEnableClearedDropsOutput) {
    StartTimer1(0x0003);
    ptm.Run(4);
    ASSERT_TRUE(ptm.GetOutput(1));
    ptm.SetRegCR1(0x42);
    EXPECT_FALSE(ptm.GetOutput(1));
}

TEST_F(MC6840RegisterTest, InternalResetInitializesAllCounters) {
    StartTimer1(0x0010);
    ptm.SetRegCR2(0x02);
    ptm.Run(5);
    ASSERT_EQ(ptm.GetCounter(1), 0x000B);
    ptm.SetRegCR1(0x03);
    EXPECT_EQ(ptm.GetCounter(1), 0x0010);
    ptm.Run(50);
    EXPECT_EQ(ptm.GetCounter(1), 0x0010);
    EXPECT_EQ(ptm.GetCounter(2), 0xFFFF);
}

TEST_F(MC6840RegisterTest, NoNoticesWhileNothingChanges) {
    window.changes.clear();
    ptm.Run(100);  // internal reset held
    ptm.SetRegCR3(0x00);
    ptm.SetRegStatus(0x00);
    EXPECT_TRUE(window.changes.empty());
}

TEST_F(MC6840RegisterTest, OutOfRangeOffsetsAndTimerNumbers) {
    TMC6840Module ptm2;
    ptm2.SetBaseAddress(0xF018);
    ptm2.Reset();
    EXPECT_EQ(ptm2.GetValue(0xF020, false), 0);
    ptm2.SetValue(0xF020, 0x55);
    EXPECT_EQ(ptm2.GetState().msbBuffer, 0xFF);
    EXPECT_FALSE(ptm2.GetGate(0));
    EXPECT_FALSE(ptm2.GetOutput(4));
    EXPECT_EQ(ptm2.GetCounter(-1), 0);
    EXPECT_EQ(ptm2.GetControlRegister(4), 0);
    ptm2.ConnectIRQOutput(1, &cpu, kInputIRQ);  // the timer has one output only
    EXPECT_EQ(ptm2.IRQDest(), nullptr);
}

}  // namespace
}  // namespace tarvok
