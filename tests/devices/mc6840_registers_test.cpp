#include <gtest/gtest.h>

#include <vector>

#include "core/address_decoder.h"
#include "core/types.h"
#include "devices/mc6840.h"
#include "support/irq_recorder.h"

namespace tarvok {
namespace {

class MC6840WindowSpy : public MemoryListener {
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
        ptm.SetDecoder(&decoder);
        ptm.ConnectInterruptOutput(0, &cpu, kNmiInput);
        ptm.Install();
        decoder.AddMemoryListener(&window);
    }

    Byte Read(unsigned offset) { return decoder.Read(Addr(offset), false); }
    Byte Peek(unsigned offset) { return decoder.Read(Addr(offset), true); }
    void Write(unsigned offset, Byte value) { decoder.Write(Addr(offset), value); }
    static Address Addr(unsigned offset) { return static_cast<Address>(0xF018 + offset); }

    // Timer 1 continuous, 16 bits, internal clock, interrupt enabled; startup cycles consumed.
    void StartTimer1(std::uint16_t latch, Byte cr1 = 0xC2) {
        Write(2, static_cast<Byte>(latch >> 8));
        Write(3, static_cast<Byte>(latch));
        ptm.SetControlRegister(1, cr1);
        ptm.Run(1);
        ptm.Run(2);
    }

    AddressDecoder decoder;
    test::IrqRecorder cpu;
    Mc6840 ptm;
    MC6840WindowSpy window;
};

TEST_F(MC6840RegisterTest, ResetState) {
    EXPECT_EQ(Read(0), 0x00);
    EXPECT_EQ(Read(1), 0x00);
    EXPECT_EQ(Read(2), 0xFF);
    EXPECT_EQ(Peek(0), 0x00);  // CR2 bit 0 clear: offset 0 shows CR3
    ptm.SetControlRegister(2, 0x01);
    EXPECT_EQ(Peek(0), 0x01);  // CR1 with the internal reset set
    for (int timer = 1; timer <= 3; ++timer) {
        EXPECT_EQ(ptm.Counter(timer), 0xFFFF);
        EXPECT_EQ(ptm.MsbLatch(timer), 0xFF);
        EXPECT_EQ(ptm.LsbLatch(timer), 0xFF);
        EXPECT_FALSE(ptm.Output(timer));
    }
    EXPECT_EQ(ptm.ControlRegister(1), 0x01);
    EXPECT_EQ(ptm.ControlRegister(3), 0x00);
    EXPECT_EQ(ptm.BaseAddress(), 0xF018);
    EXPECT_EQ(ptm.Size(), 8);
}

TEST_F(MC6840RegisterTest, ResetKeepsGatesAndClearsFlags) {
    ptm.SetGate(2, true);
    StartTimer1(0x0001);
    ptm.Run(4);
    ASSERT_NE(ptm.Status() & 0x01, 0);
    ptm.Reset();
    EXPECT_TRUE(ptm.Gate(2));
    EXPECT_FALSE(ptm.Gate(1));
    EXPECT_EQ(ptm.Status(), 0x00);
    EXPECT_TRUE(cpu.LastLevel(1, kNmiInput));
    EXPECT_EQ(ptm.Counter(1), 0xFFFF);
}

TEST_F(MC6840RegisterTest, RegisterSelectAtOffsetZero) {
    Write(1, 0x01);
    Write(0, 0x42);
    EXPECT_EQ(ptm.ControlRegister(1), 0x42);
    EXPECT_EQ(Peek(0), 0x42);
    Write(1, 0x00);
    Write(0, 0x43);
    EXPECT_EQ(ptm.ControlRegister(3), 0x43);
    EXPECT_EQ(ptm.ControlRegister(1), 0x42);
    EXPECT_EQ(Peek(0), 0x43);
    EXPECT_EQ(Read(0), 0x00);
    EXPECT_TRUE(window.Saw(0xF018, 0x43));
}

TEST_F(MC6840RegisterTest, LatchWriteLoadsLatchesAndCounter) {
    ptm.SetControlRegister(1, 0x00);
    Write(2, 0x12);
    EXPECT_EQ(ptm.Counter(1), 0xFFFF);      // the MSB only goes to the buffer
    EXPECT_TRUE(window.Saw(0xF01A, 0xFF));  // a window that wrote $12 learns what reads back
    Write(3, 0x34);
    EXPECT_EQ(ptm.MsbLatch(1), 0x12);
    EXPECT_EQ(ptm.LsbLatch(1), 0x34);
    EXPECT_EQ(ptm.Counter(1), 0x1234);
    EXPECT_TRUE(window.Saw(0xF01A, 0x12));
    // The MSB buffer is shared: timer 2 gets the same MSB.
    Write(5, 0x56);
    EXPECT_EQ(ptm.Counter(2), 0x1256);
}

TEST_F(MC6840RegisterTest, LatchWriteWithBit4SetLeavesCounter) {
    ptm.SetControlRegister(1, 0x12);  // mode 2
    ptm.InitializeCounter(1);
    Write(2, 0x00);
    Write(3, 0x05);
    EXPECT_EQ(ptm.Counter(1), 0xFFFF);
    EXPECT_EQ(ptm.LsbLatch(1), 0x05);
}

TEST_F(MC6840RegisterTest, LatchWriteClearsFlag) {
    ptm.SetControlRegister(1, 0x12);  // bit 4: no counter initialization that would clear it too
    ptm.SetStatus(0x01);
    Write(2, 0x00);
    Write(3, 0x05);
    EXPECT_EQ(ptm.Status() & 0x01, 0);
}

TEST_F(MC6840RegisterTest, CounterMSBReadFillsLSBBuffer) {
    ptm.SetControlRegister(1, 0x00);
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
    EXPECT_EQ(ptm.Status(), 0x81);
    EXPECT_FALSE(cpu.LastLevel(1, kNmiInput));
    EXPECT_EQ(cpu.calls.back().source, &ptm);

    // Without a status read the counter read leaves the flag.
    Read(2);
    Read(3);
    EXPECT_EQ(ptm.Status(), 0x81);
    // A peek of the status does not count as a status read.
    Peek(1);
    Read(2);
    Read(3);
    EXPECT_EQ(ptm.Status(), 0x81);

    EXPECT_EQ(Read(1), 0x81);
    Read(2);
    EXPECT_EQ(ptm.Status(), 0x81);
    Read(3);
    EXPECT_EQ(ptm.Status(), 0x00);
    EXPECT_TRUE(cpu.LastLevel(1, kNmiInput));
    EXPECT_TRUE(window.Saw(0xF019, 0x00));

    // Marked once, every later LSB read clears the flag again.
    ptm.Run(4);
    EXPECT_EQ(ptm.Status(), 0x81);
    Read(3);
    EXPECT_EQ(ptm.Status(), 0x00);
}

TEST_F(MC6840RegisterTest, StatusReadWithoutFlagDoesNotMark) {
    StartTimer1(0x0003);
    Read(1);  // flag clear: timer 1 is not marked
    ptm.Run(4);
    Read(3);
    EXPECT_EQ(ptm.Status(), 0x81);
}

TEST_F(MC6840RegisterTest, CounterInitializationClearsStatusReadMark) {
    StartTimer1(0x0003);
    ptm.Run(4);
    Read(1);
    ptm.InitializeCounter(1);
    ptm.Run(4);
    Read(3);
    EXPECT_EQ(ptm.Status(), 0x81);
}

TEST_F(MC6840RegisterTest, InterruptNeedsEnableBit) {
    StartTimer1(0x0003, 0x82);
    ptm.Run(4);
    EXPECT_EQ(ptm.Status(), 0x01);
    EXPECT_TRUE(cpu.LastLevel(1, kNmiInput));
    // Enabling it later raises the interrupt at once through the status rewrite.
    ptm.SetControlRegister(1, 0xC2);
    EXPECT_EQ(ptm.Status(), 0x81);
    EXPECT_FALSE(cpu.LastLevel(1, kNmiInput));
    ptm.SetControlRegister(1, 0x82);
    EXPECT_TRUE(cpu.LastLevel(1, kNmiInput));
}

TEST_F(MC6840RegisterTest, EveryStatusWriteDrivesTheInterruptOutput) {
    const std::size_t before = cpu.calls.size();
    ptm.SetStatus(ptm.Status());
    ptm.SetStatus(ptm.Status());
    ASSERT_EQ(cpu.calls.size(), before + 2);
    EXPECT_EQ(cpu.calls.back().sourceLine, 1);
    EXPECT_EQ(cpu.calls.back().input, kNmiInput);
    EXPECT_TRUE(cpu.calls.back().level);
}

TEST_F(MC6840RegisterTest, CompositeBitWithoutReceiver) {
    Mc6840 alone;
    alone.Reset();
    alone.SetControlRegister(2, 0x40);
    alone.SetStatus(0x02);
    EXPECT_EQ(alone.Status(), 0x82);
    alone.SetStatus(0x00);
    EXPECT_EQ(alone.Status(), 0x00);
}

TEST_F(MC6840RegisterTest, PeekHasNoSideEffects) {
    StartTimer1(0x1234);
    ptm.Run(4);
    const Mc6840State before = ptm.State();
    const std::size_t irqCalls = cpu.calls.size();
    for (unsigned offset = 0; offset < 8; ++offset)
        Peek(offset);
    EXPECT_EQ(ptm.State(), before);
    EXPECT_EQ(cpu.calls.size(), irqCalls);
}

TEST_F(MC6840RegisterTest, OutputEnableClearedDropsOutput) {
    StartTimer1(0x0003);
    ptm.Run(4);
    ASSERT_TRUE(ptm.Output(1));
    ptm.SetControlRegister(1, 0x42);
    EXPECT_FALSE(ptm.Output(1));
}

TEST_F(MC6840RegisterTest, InternalResetInitializesAllCounters) {
    StartTimer1(0x0010);
    ptm.SetControlRegister(2, 0x02);
    ptm.Run(5);
    ASSERT_EQ(ptm.Counter(1), 0x000B);
    ptm.SetControlRegister(1, 0x03);
    EXPECT_EQ(ptm.Counter(1), 0x0010);
    ptm.Run(50);
    EXPECT_EQ(ptm.Counter(1), 0x0010);
    EXPECT_EQ(ptm.Counter(2), 0xFFFF);
}

TEST_F(MC6840RegisterTest, NoNoticesWhileNothingChanges) {
    window.changes.clear();
    ptm.Run(100);  // internal reset held
    ptm.SetControlRegister(3, 0x00);
    ptm.SetStatus(0x00);
    EXPECT_TRUE(window.changes.empty());
}

TEST_F(MC6840RegisterTest, OutOfRangeOffsetsAndTimerNumbers) {
    Mc6840 ptm2;
    ptm2.SetBaseAddress(0xF018);
    ptm2.Reset();
    EXPECT_EQ(ptm2.Read(0xF020, false), 0);
    ptm2.Write(0xF020, 0x55);
    EXPECT_EQ(ptm2.State().msbBuffer, 0xFF);
    EXPECT_FALSE(ptm2.Gate(0));
    EXPECT_FALSE(ptm2.Output(4));
    EXPECT_EQ(ptm2.Counter(-1), 0);
    EXPECT_EQ(ptm2.ControlRegister(4), 0);
    ptm2.ConnectInterruptOutput(1, &cpu, kIrqInput);  // the timer has one output only
    EXPECT_EQ(ptm2.InterruptDest(), nullptr);
}

}  // namespace
}  // namespace tarvok
