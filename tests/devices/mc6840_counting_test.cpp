#include <gtest/gtest.h>

#include <string>

#include "core/types.h"
#include "devices/mc6840.h"
#include "support/irq_recorder.h"

namespace tarvok {
namespace {

class MC6840CountingTest : public ::testing::Test {
protected:
    void SetUp() override {
        ptm.ConnectInterruptOutput(0, &cpu, kNmiInput);
        ptm.Reset();
    }

    void SetCR(int timer, Byte value) {
        if (timer == 1) ptm.SetControlRegister(1, value);
        if (timer == 2) ptm.SetControlRegister(2, value);
        if (timer == 3) ptm.SetControlRegister(3, value);
    }
    void Initialize(int timer) {
        if (timer == 1) ptm.InitializeCounter(1);
        if (timer == 2) ptm.InitializeCounter(2);
        if (timer == 3) ptm.InitializeCounter(3);
    }
    void SetGate(int timer, bool level) {
        if (timer == 1) ptm.SetGate(1, level);
        if (timer == 2) ptm.SetGate(2, level);
        if (timer == 3) ptm.SetGate(3, level);
    }
    // Control register, then the latches through the bus, then a fresh counter.
    void Configure(int timer, Byte cr, std::uint16_t latch) {
        SetCR(timer, cr);
        ptm.Write(static_cast<Address>(0xF018 + 2 * timer), static_cast<Byte>(latch >> 8));
        ptm.Write(static_cast<Address>(0xF019 + 2 * timer), static_cast<Byte>(latch));
        Initialize(timer);
    }
    // Releases the internal reset and spends the calls that count nothing after it.
    void Start() {
        ptm.SetControlRegister(1, ptm.ControlRegister(1) & 0xFE);
        ptm.Run(1);
        ptm.Run(2);
    }
    bool Flag(int timer) const { return (ptm.Status() >> (timer - 1)) & 1; }

    struct Trace {
        std::string out;
        std::string flag;
    };
    Trace Record(int timer, int cycles) {
        Trace trace;
        for (int c = 0; c < cycles; ++c) {
            ptm.Run(1);
            trace.out += ptm.Output(timer) ? '1' : '0';
            trace.flag += Flag(timer) ? '1' : '0';
        }
        return trace;
    }

    test::IrqRecorder cpu;
    Mc6840 ptm;
};

struct MC6840ModeCase {
    const char* name;
    int timer;
    Byte cr;
    std::uint16_t latch;
    const char* out;
    const char* flag;
};

class MC6840ModeTest : public MC6840CountingTest,
                       public ::testing::WithParamInterface<MC6840ModeCase> {};

TEST_P(MC6840ModeTest, OutputAndFlagPerCycle) {
    const MC6840ModeCase& c = GetParam();
    Configure(c.timer, c.cr, c.latch);
    Start();
    const Trace trace = Record(c.timer, static_cast<int>(std::string(c.out).size()));
    EXPECT_EQ(trace.out, c.out);
    EXPECT_EQ(trace.flag, c.flag);
}

// Latch $0003 in 16 bits: a time-out every 4 cycles. Latch $0203 dual: the MSB counts the
// LSB runs, so a time-out every (2 + 1) * (3 + 1) = 12 cycles, the output high for the last 4.
const MC6840ModeCase kModeCases[] = {
    {"Continuous16", 1, 0x82, 0x0003, "000111100001111000", "000111111111111111"},
    {"Continuous16NoOutput", 1, 0x02, 0x0003, "000000000000", "000111111111"},
    {"Continuous16Timer2", 2, 0x82, 0x0003, "000111100001", "000111111111"},
    {"Continuous16Timer3", 3, 0x82, 0x0003, "000111100001", "000111111111"},
    {"Continuous16Mode2", 1, 0x92, 0x0003, "000111100001", "000111111111"},
    {"ContinuousDual", 1, 0x86, 0x0203, "000000011110000000011110", "000000000001111111111111"},
    {"ContinuousDualTimer3", 3, 0x96, 0x0203, "000000011110", "000000000001"},
    {"SingleShot16", 1, 0xA2, 0x0003, "111000000000", "000111111111"},
    {"SingleShot16Mode6", 2, 0xB2, 0x0003, "111000000000", "000111111111"},
    {"SingleShot16NoOutput", 1, 0x22, 0x0003, "000000000000", "000111111111"},
    {"SingleShotDual", 1, 0xA6, 0x0203, "000000011110000000000000", "000000000001111111111111"},
    {"FrequencyCompare16", 1, 0x8A, 0x0003, "000111100001", "000000000000"},
    {"FrequencyCompare16Mode3", 1, 0x9A, 0x0003, "000111100001", "000000000000"},
    {"FrequencyCompareDual", 1, 0x8E, 0x0203, "000000000001111111111110",
     "000000000000000000000000"},
    {"PulseWidthCompare16", 1, 0xAA, 0x0003, "000111100001", "000111111111"},
    {"PulseWidthCompare16Mode7", 3, 0xBA, 0x0003, "000111100001", "000111111111"},
    {"PulseWidthCompareDual", 2, 0xAE, 0x0203, "000000000001", "000000000001"},
};

INSTANTIATE_TEST_SUITE_P(Modes, MC6840ModeTest, ::testing::ValuesIn(kModeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(MC6840CountingTest, ContinuousDualWithZeroLSBLatchCounts16Bits) {
    Configure(1, 0x86, 0x0100);
    Start();
    ptm.Run(255);
    ptm.Run(1);
    EXPECT_FALSE(Flag(1));
    EXPECT_EQ(ptm.Counter(1), 0x0000);
    ptm.Run(1);
    EXPECT_TRUE(Flag(1));
    EXPECT_TRUE(ptm.Output(1));  // toggled, as in 16-bit counting
}

TEST_F(MC6840CountingTest, PulseWidthFlagOnlyOnFirstTimeOut) {
    Configure(1, 0x2A, 0x0003);
    Start();
    ptm.Run(4);
    EXPECT_TRUE(Flag(1));
    ptm.SetStatus(0x00);
    ptm.Run(8);
    EXPECT_FALSE(Flag(1));
}

TEST_F(MC6840CountingTest, ExternalClockDoesNotCount) {
    Configure(1, 0x80, 0x0003);
    Start();
    ptm.Run(100);
    EXPECT_EQ(ptm.Counter(1), 0x0003);
    EXPECT_FALSE(Flag(1));
}

TEST_F(MC6840CountingTest, InternalResetStopsAllCounting) {
    Configure(2, 0x02, 0x0010);
    ptm.Run(100);
    EXPECT_EQ(ptm.Counter(2), 0x0010);
}

TEST_F(MC6840CountingTest, StartUpLosesFirstCallAndTwoCycles) {
    Configure(1, 0x02, 0x1000);
    ptm.Run(10);
    EXPECT_EQ(ptm.Counter(1), 0x1000);
    ptm.Run(10);
    EXPECT_EQ(ptm.Counter(1), 0x1000 - 8);
    ptm.Run(10);
    EXPECT_EQ(ptm.Counter(1), 0x1000 - 18);

    // Internal reset again: the same start-up once more.
    ptm.SetControlRegister(1, 0x03);
    ptm.Run(10);
    ptm.SetControlRegister(1, 0x02);
    ptm.Run(10);
    ptm.Run(10);
    EXPECT_EQ(ptm.Counter(1), 0x1000 - 8);
}

TEST_F(MC6840CountingTest, StartUpStepShorterThanLostCyclesCountsNothing) {
    Configure(1, 0x02, 0x1000);
    ptm.Run(4);
    ptm.Run(1);
    EXPECT_EQ(ptm.Counter(1), 0x1000);
    ptm.Run(10);
    EXPECT_EQ(ptm.Counter(1), 0x1000 - 10);
}

TEST_F(MC6840CountingTest, PrescalerCountsOncePerEightCycles) {
    Configure(3, 0x83, 0x0001);
    Start();
    ptm.Run(15);
    EXPECT_EQ(ptm.Counter(3), 0x0000);
    EXPECT_FALSE(Flag(3));
    ptm.Run(1);
    EXPECT_TRUE(Flag(3));
    EXPECT_TRUE(ptm.Output(3));
    ptm.Run(15);
    EXPECT_TRUE(ptm.Output(3));
    ptm.Run(1);
    EXPECT_FALSE(ptm.Output(3));
    EXPECT_EQ(ptm.State().prescalerCount, 0);
}

TEST_F(MC6840CountingTest, PrescalerOnlyForTimer3) {
    Configure(1, 0x02, 0x1000);  // CR1 bit 0 is the internal reset instead
    Configure(2, 0x03, 0x1000);  // CR2 bit 0 is the register select instead
    Configure(3, 0x03, 0x1000);
    Start();
    ptm.Run(80);
    EXPECT_EQ(ptm.Counter(1), 0x1000 - 80);
    EXPECT_EQ(ptm.Counter(2), 0x1000 - 80);
    EXPECT_EQ(ptm.Counter(3), 0x1000 - 10);
}

// ---- gates -------------------------------------------------------------------------------------

TEST_F(MC6840CountingTest, ContinuousGateHighHoldsCounterAndLowInitializes) {
    Configure(1, 0x02, 0x0010);
    Start();
    ptm.Run(5);
    ASSERT_EQ(ptm.Counter(1), 0x000B);
    ptm.SetGate(1, true);
    EXPECT_TRUE(ptm.Gate(1));
    ptm.Run(50);
    EXPECT_EQ(ptm.Counter(1), 0x000B);
    EXPECT_FALSE(Flag(1));
    ptm.SetGate(1, false);
    EXPECT_EQ(ptm.Counter(1), 0x0010);
}

TEST_F(MC6840CountingTest, SingleShotCountsWhateverTheGate) {
    Configure(2, 0x22, 0x0010);
    Start();
    ptm.SetGate(2, true);
    ptm.Run(5);
    EXPECT_EQ(ptm.Counter(2), 0x000B);
    ptm.SetGate(2, false);
    EXPECT_EQ(ptm.Counter(2), 0x0010);
}

TEST_F(MC6840CountingTest, SameGateLevelDoesNothing) {
    Configure(1, 0x02, 0x0010);
    Start();
    ptm.Run(5);
    ptm.SetGate(1, false);
    EXPECT_EQ(ptm.Counter(1), 0x000B);
}

TEST_F(MC6840CountingTest, Mode1Gate) {
    Configure(1, 0x0A, 0x0010);
    Start();
    ptm.Run(3);
    ptm.SetGate(1, true);
    EXPECT_FALSE(Flag(1));
    ptm.SetGate(1, false);  // before the time-out: the flag
    EXPECT_TRUE(Flag(1));
    EXPECT_EQ(ptm.Counter(1), 0x000D);
    ptm.SetStatus(0x00);
    ptm.Run(20);  // time-out after 14 of them
    ASSERT_EQ(ptm.Counter(1), 0x000A);
    ptm.SetGate(1, true);
    ptm.SetGate(1, false);  // after the time-out, flag clear: a new measurement
    EXPECT_EQ(ptm.Counter(1), 0x0010);
    EXPECT_FALSE(Flag(1));
    ptm.Run(20);
    ptm.SetStatus(0x01);
    ptm.SetGate(1, true);
    ptm.SetGate(1, false);  // timed out with the flag set: nothing
    EXPECT_EQ(ptm.Counter(1), 0x000D);
}

TEST_F(MC6840CountingTest, Mode3Gate) {
    Configure(1, 0x1A, 0x0010);
    Start();
    ptm.Run(3);
    ptm.SetGate(1, true);  // before the time-out: the flag
    EXPECT_TRUE(Flag(1));
    ptm.SetGate(1, false);  // flag set: no initialization
    EXPECT_EQ(ptm.Counter(1), 0x000D);
    ptm.SetStatus(0x00);
    ptm.SetGate(1, true);
    ptm.SetGate(1, false);
    EXPECT_TRUE(Flag(1));
    ptm.SetStatus(0x00);
    ptm.SetGate(1, true);
    ptm.SetStatus(0x00);
    ptm.SetGate(1, false);  // flag clear: initialization
    EXPECT_EQ(ptm.Counter(1), 0x0010);
    ptm.Run(20);
    ptm.SetGate(1, true);  // timed out: no flag
    EXPECT_FALSE(Flag(1));
}

TEST_F(MC6840CountingTest, Mode5Gate) {
    Configure(1, 0x2A, 0x0010);
    Start();
    ptm.Run(3);
    ptm.SetGate(1, true);
    EXPECT_EQ(ptm.Counter(1), 0x000D);
    ptm.SetGate(1, false);
    EXPECT_EQ(ptm.Counter(1), 0x0010);
    ptm.Run(20);
    ASSERT_TRUE(Flag(1));
    ptm.SetGate(1, true);
    ptm.SetGate(1, false);  // timed out and flagged: held
    EXPECT_EQ(ptm.Counter(1), 0x000D);
    ptm.SetStatus(0x00);
    ptm.SetGate(1, true);
    ptm.SetGate(1, false);
    EXPECT_EQ(ptm.Counter(1), 0x0010);
}

TEST_F(MC6840CountingTest, Mode7Gate) {
    Configure(1, 0x3A, 0x0010);
    Start();
    ptm.Run(3);
    ptm.SetGate(1, true);
    EXPECT_EQ(ptm.Counter(1), 0x0010);
    ptm.Run(3);
    ptm.SetGate(1, false);
    EXPECT_EQ(ptm.Counter(1), 0x000D);
    ptm.Run(20);
    ASSERT_TRUE(Flag(1));
    ptm.SetGate(1, true);  // timed out and flagged: held
    EXPECT_NE(ptm.Counter(1), 0x0010);
    ptm.SetGate(1, false);
    ptm.SetStatus(0x00);
    ptm.SetGate(1, true);
    EXPECT_EQ(ptm.Counter(1), 0x0010);
}

TEST_F(MC6840CountingTest, GatesAreIndependent) {
    Configure(1, 0x02, 0x0010);
    Configure(2, 0x02, 0x0010);
    Start();
    ptm.Run(5);
    ptm.SetGate(2, true);
    ptm.Run(5);
    EXPECT_FALSE(ptm.Gate(1));
    EXPECT_EQ(ptm.Counter(1), 0x0006);
    EXPECT_EQ(ptm.Counter(2), 0x000B);
}

}  // namespace
}  // namespace tarvok
