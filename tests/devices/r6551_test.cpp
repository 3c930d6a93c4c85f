#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "devices/r6551.h"
#include "r6551_support.h"

namespace tarvok::test {
namespace {

using R6551 = TR6551Module;

// ---------------------------------------------------------------------------------------------
// Transmitter

using R6551TransmitTest = R6551Fixture;

TEST_F(R6551TransmitTest, CharacterAt9600Takes1920TicksAndFreesTdrAtOnce) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    RunAcia(acia, 50);
    acia.SetValue(kAciaData, 0x41);
    EXPECT_EQ(acia.SR() & R6551::kTDRE, 0);

    acia.Run(1);
    ASSERT_TRUE(acia.Transmitting());
    EXPECT_NE(acia.SR() & R6551::kTDRE, 0) << "TDRE is set in the cycle the character starts";
    EXPECT_EQ(acia.TSR(), 0xE82) << "start bit, 0x41 LSB first, stop bits";
    EXPECT_FALSE(acia.GetTxDLed());

    const std::int64_t startTicks = acia.Ticks();
    int cycles = 1;
    while (acia.Transmitting()) {
        acia.Run(1);
        ++cycles;
    }
    EXPECT_GE(cycles, 1041);
    EXPECT_LE(cycles, 1043);
    EXPECT_GE(acia.Ticks() - startTicks, 10 * kTicks9600 - 2);
    EXPECT_LE(acia.Ticks() - startTicks, 10 * kTicks9600 + 2);
    EXPECT_EQ(acia.TSR(), 1);
    EXPECT_TRUE(acia.GetTxDLed());
}

TEST_F(R6551TransmitTest, LineFollowsTheFrameBitByBit) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetValue(kAciaData, 0xA5);
    acia.Run(1);
    const std::int64_t start = acia.Ticks() - 1;  // the character started one cycle ago
    std::vector<int> seenAtMiddle;
    while (acia.Transmitting()) {
        const std::int64_t position = acia.Ticks() - start;
        if (position % kTicks9600 == kTicks9600 / 2 ||
            position % kTicks9600 == kTicks9600 / 2 + 1) {
            if (seenAtMiddle.size() == static_cast<std::size_t>(position / kTicks9600)) {
                seenAtMiddle.push_back(acia.TSR() & 1);
            }
        }
        acia.Run(1);
    }
    EXPECT_EQ(seenAtMiddle, AciaFrameBits(0xA5, 8, {1}));
}

TEST_F(R6551TransmitTest, ByteWrittenDuringFrameWaitsAndASecondWriteReplacesIt) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetValue(kAciaData, 0x11);
    acia.Run(1);
    const std::int64_t start = acia.Ticks() - 1;
    RunAcia(acia, 100, 1);
    acia.SetValue(kAciaData, 0x22);
    RunAcia(acia, 100, 1);
    acia.SetValue(kAciaData, 0x33);
    EXPECT_EQ(acia.SR() & R6551::kTDRE, 0);
    while ((acia.SR() & R6551::kTDRE) == 0) {
        acia.Run(1);
        ASSERT_LT(acia.Ticks() - start, 11 * kTicks9600);
    }
    EXPECT_GE(acia.Ticks() - start, 10 * kTicks9600);
    EXPECT_LE(acia.Ticks() - start, 10 * kTicks9600 + 3);
    EXPECT_TRUE(acia.Transmitting());
    EXPECT_EQ(acia.TSR(), 0xE00 | 0x33 << 1) << "0x22 was replaced";
}

TEST_F(R6551TransmitTest, CtsOffKeepsTdreClearAndRepeatsTheCharacter) {
    acia.SetCTSSwitch(false);
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetValue(kAciaData, 0x5A);
    acia.Run(1);
    EXPECT_TRUE(acia.Transmitting());
    EXPECT_EQ(acia.SR() & R6551::kTDRE, 0);
    RunAcia(acia, 1100, 1);
    EXPECT_TRUE(acia.Transmitting()) << "the same TDR goes out again";
    EXPECT_EQ(acia.TSR() >> 1 & 0xFF, 0x5A);
}

TEST_F(R6551TransmitTest, TransmitInterruptWhenTdreSetWithControl01) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetValue(kAciaCommand, 0x07);  // DTR, receiver interrupt off, transmit interrupt on
    cpu.calls.clear();
    acia.SetValue(kAciaData, 0x41);
    acia.Run(1);
    ASSERT_EQ(cpu.calls.size(), 1u);
    EXPECT_EQ(cpu.calls[0].source, &acia);
    EXPECT_EQ(cpu.calls[0].sourceLine, 1);
    EXPECT_EQ(cpu.calls[0].input, kInputIRQ);
    EXPECT_FALSE(cpu.calls[0].level);
    EXPECT_NE(acia.SR() & R6551::kIRQ, 0);

    EXPECT_NE(acia.GetValue(kAciaStatus, false) & R6551::kIRQ, 0);
    EXPECT_TRUE(cpu.LastLevel(1, kInputIRQ));
    EXPECT_EQ(acia.GetValue(kAciaStatus, false) & R6551::kIRQ, 0) << "bit 7 is read once";
}

struct ParityFrameCase {
    Byte con, com, tdr;
    std::uint16_t frame;
};

class R6551ParityFrameTest : public R6551Fixture,
                             public ::testing::WithParamInterface<ParityFrameCase> {};

TEST_P(R6551ParityFrameTest, ParityBitFollowsTheMode) {
    const ParityFrameCase& c = GetParam();
    acia.SetValue(kAciaControl, c.con);
    acia.SetValue(kAciaCommand, c.com);
    acia.SetValue(kAciaData, c.tdr);
    acia.Run(1);
    EXPECT_EQ(acia.TSR(), c.frame);
}

// 0x41 has two 1 bits, 0x43 three; 7 data bits put the parity bit at position 8.
INSTANTIATE_TEST_SUITE_P(
    Modes, R6551ParityFrameTest,
    ::testing::Values(ParityFrameCase{0x3E, 0x22, 0x41, 0x782},    // 7 bits odd: parity 1
                      ParityFrameCase{0x3E, 0x22, 0x43, 0x686},    // 7 bits odd: parity 0
                      ParityFrameCase{0x3E, 0x62, 0x41, 0x682},    // 7 bits even: parity 0
                      ParityFrameCase{0x3E, 0x62, 0x43, 0x786},    // 7 bits even: parity 1
                      ParityFrameCase{0x3E, 0xA2, 0x41, 0x782},    // mark
                      ParityFrameCase{0x3E, 0xE2, 0x43, 0x686},    // space
                      ParityFrameCase{0x1E, 0x62, 0xC1, 0xF82},    // 8 bits even, 3 ones: 1
                      ParityFrameCase{0x1E, 0x22, 0xC1, 0xD82}));  // 8 bits odd: 0

TEST_F(R6551TransmitTest, FiveBitsWithLongStopFlagMakeA7AndAHalfBitFrame) {
    acia.SetValue(kAciaControl, 0xEE);  // 9600, 5 data bits, stop-bit select set
    acia.SetValue(kAciaData, 0x15);
    acia.Run(1);
    const std::int64_t start = acia.Ticks() - 1;
    while (acia.Transmitting())
        acia.Run(1);
    const std::int64_t length = acia.Ticks() - start;
    EXPECT_GE(length, 15 * kTicks9600 / 2);
    EXPECT_LE(length, 15 * kTicks9600 / 2 + 3);
}

TEST_F(R6551TransmitTest, BreakHoldsSpaceUntilReleasedThenReturnsToMark) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetValue(kAciaCommand, 0x0D);  // DTR, send break
    acia.Run(1);
    EXPECT_TRUE(acia.Transmitting());
    EXPECT_EQ(acia.TSR() & 1, 0);
    EXPECT_FALSE(acia.GetTxDLed());
    const std::int64_t start = acia.Ticks() - 1;
    while (acia.Ticks() - start < 30 * kTicks9600) {
        acia.Run(1);
        ASSERT_EQ(acia.TSR() & 1, 0) << "break still active at tick " << acia.Ticks() - start;
    }
    acia.SetValue(kAciaCommand, 0x09);  // transmit control back to 10
    const std::int64_t release = acia.Ticks();
    while ((acia.TSR() & 1) == 0)
        acia.Run(1);
    EXPECT_LE(acia.Ticks() - release, kTicks9600 + 2) << "ends at the next end of a bit time";
    // The line stays at mark until the transmitter has finished.
    while (acia.Transmitting()) {
        acia.Run(1);
        ASSERT_EQ(acia.TSR() & 1, 1);
    }
    EXPECT_TRUE(acia.GetTxDLed());
    EXPECT_LE(acia.Ticks() - release, 2 * kTicks9600 + 2);
}

TEST_F(R6551TransmitTest, BreakOfTheMinimumLengthCoversDataAndParity) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetValue(kAciaCommand, 0x2D);  // parity on, send break
    acia.SetValue(kAciaCommand, 0x29);  // released at once
    acia.Run(1);
    const std::int64_t start = acia.Ticks() - 1;
    while ((acia.TSR() & 1) == 0)
        acia.Run(1);
    EXPECT_GE(acia.Ticks() - start, 10 * kTicks9600);  // start + 8 data + parity
    EXPECT_LE(acia.Ticks() - start, 10 * kTicks9600 + 2);
}

// ---------------------------------------------------------------------------------------------
// Registers and status

using R6551RegisterTest = R6551Fixture;

TEST_F(R6551RegisterTest, ResetStateWithSwitchesOnReadsZeroInModemBits) {
    EXPECT_EQ(acia.SR(), R6551::kTDRE);
    EXPECT_EQ(acia.COM(), 0);
    EXPECT_EQ(acia.CON(), 0);
    EXPECT_EQ(acia.TSR(), 1);
    EXPECT_TRUE(acia.GetDCDSwitch());
    EXPECT_TRUE(acia.GetDSRSwitch());
    EXPECT_TRUE(acia.GetCTSSwitch());
    EXPECT_FALSE(acia.GetRxCSwitch());
    EXPECT_TRUE(acia.GetTxDLed());
    EXPECT_TRUE(acia.GetDTRLed());
    EXPECT_TRUE(acia.GetRTSLed());
}

TEST_F(R6551RegisterTest, ResetReleasesInterruptAndRestoresSwitches) {
    acia.SetValue(kAciaCommand, 0x02);
    acia.SetDSRSwitch(false);  // receiver interrupt disabled and SR bit 7 clear: raises it
    EXPECT_TRUE(acia.IrqAsserted());
    EXPECT_EQ(acia.SR(), R6551::kTDRE | R6551::kDSR | R6551::kIRQ);
    acia.Reset();
    EXPECT_FALSE(acia.IrqAsserted());
    EXPECT_TRUE(cpu.LastLevel(1, kInputIRQ));
    EXPECT_TRUE(acia.GetDSRSwitch());
    EXPECT_EQ(acia.SR(), R6551::kTDRE);
}

TEST_F(R6551RegisterTest, CommandAndControlReadBackAndDriveModemLamps) {
    acia.SetValue(kAciaCommand, 0x0B);
    acia.SetValue(kAciaControl, 0x9E);
    EXPECT_EQ(acia.GetValue(kAciaCommand, false), 0x0B);
    EXPECT_EQ(acia.GetValue(kAciaControl, true), 0x9E);
    EXPECT_FALSE(acia.GetDTRLed());
    EXPECT_FALSE(acia.GetRTSLed());
    EXPECT_EQ(acia.GetValue(0xF00C, false), 0xFF) << "outside the ACIA: nothing registered";
}

TEST_F(R6551RegisterTest, ProgrammedResetKeepsParityAndBaudSettings) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetValue(kAciaCommand, 0xFF);
    acia.SetRegRDR(0x01);
    acia.SetRegRDR(0x02);  // overrun
    ASSERT_NE(acia.SR() & R6551::kOverrun, 0);
    acia.SetValue(kAciaStatus, 0x00);
    EXPECT_EQ(acia.COM(), 0xE0);
    EXPECT_EQ(acia.CON(), kCon9600_8N1);
    EXPECT_EQ(acia.SR() & R6551::kOverrun, 0);
    EXPECT_NE(acia.SR() & R6551::kRDRF, 0);
    EXPECT_EQ(acia.TSR(), 1);
}

TEST_F(R6551RegisterTest, ProgrammedResetDuringAFrameFinishesItAtMark) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetValue(kAciaData, 0x00);
    RunAcia(acia, 300, 1);
    acia.SetValue(kAciaStatus, 0);
    while (acia.Transmitting()) {
        acia.Run(1);
        ASSERT_EQ(acia.TSR() & 1, 1);
    }
}

TEST_F(R6551RegisterTest, DataReadClearsErrorAndFullBits) {
    acia.SetRegRDR(0x10);
    acia.SetRegRDR(0x20);
    EXPECT_EQ(acia.SR() & 0x0F, R6551::kRDRF | R6551::kOverrun);
    EXPECT_EQ(acia.GetValue(kAciaData, true), 0x10) << "peek has the same effect";
    EXPECT_EQ(acia.SR() & 0x0F, 0);
    EXPECT_NE(acia.SR() & R6551::kIRQ, 0) << "only the status read clears bit 7";
}

TEST_F(R6551RegisterTest, StatusReadReturnsBit7OnceEvenAsPeek) {
    acia.SetRegRDR(0x10);
    EXPECT_TRUE(acia.IrqAsserted());
    EXPECT_NE(acia.GetValue(kAciaStatus, true) & R6551::kIRQ, 0);
    EXPECT_FALSE(acia.IrqAsserted());
    EXPECT_EQ(acia.GetValue(kAciaStatus, true) & R6551::kIRQ, 0);
}

TEST_F(R6551RegisterTest, ReceiverInterruptDisabledLeavesIrqAlone) {
    acia.SetValue(kAciaCommand, 0x02);
    acia.SetRegRDR(0x10);
    EXPECT_FALSE(acia.IrqAsserted());
    EXPECT_EQ(acia.SR(), R6551::kTDRE | R6551::kRDRF);
}

TEST_F(R6551RegisterTest, ModemSwitchWithReceiverInterruptOnUpdatesBitQuietly) {
    acia.SetDCDSwitch(false);
    EXPECT_EQ(acia.SR(), R6551::kTDRE | R6551::kDCD);
    acia.SetDSRSwitch(false);
    EXPECT_EQ(acia.SR(), R6551::kTDRE | R6551::kDCD | R6551::kDSR);
    acia.SetDCDSwitch(true);
    EXPECT_EQ(acia.SR(), R6551::kTDRE | R6551::kDSR);
    EXPECT_FALSE(acia.IrqAsserted());
}

TEST_F(R6551RegisterTest, ModemChangeWhileBit7SetStaysPendingUntilStatusRead) {
    acia.SetValue(kAciaCommand, 0x02);
    acia.SetDSRSwitch(false);  // raises the interrupt, bit 6 set
    ASSERT_EQ(acia.SR(), R6551::kTDRE | R6551::kDSR | R6551::kIRQ);
    acia.SetDCDSwitch(false);  // bit 7 already set: only pending
    EXPECT_EQ(acia.SR() & R6551::kDCD, 0);

    EXPECT_EQ(acia.GetValue(kAciaStatus, false), R6551::kTDRE | R6551::kDSR | R6551::kIRQ);
    EXPECT_EQ(acia.SR(), R6551::kTDRE | R6551::kDSR | R6551::kDCD);
    EXPECT_FALSE(acia.IrqAsserted());
    // Applied once only.
    EXPECT_EQ(acia.GetValue(kAciaStatus, false), R6551::kTDRE | R6551::kDSR | R6551::kDCD);
}

TEST_F(R6551RegisterTest, PendingChangeRaisesInterruptWhenReceiverInterruptOnAtRead) {
    acia.SetValue(kAciaCommand, 0x02);
    acia.SetDSRSwitch(false);
    acia.SetDCDSwitch(false);  // pending
    acia.SetValue(kAciaCommand, 0x00);
    acia.GetValue(kAciaStatus, false);
    EXPECT_TRUE(acia.IrqAsserted());
    EXPECT_EQ(acia.SR(), R6551::kTDRE | R6551::kDSR | R6551::kDCD | R6551::kIRQ);
}

TEST_F(R6551RegisterTest, BusNoticesOnlyForRealChanges) {
    struct Window : TMemoryWindowListener {
        void ValueChanged(Address address, Byte value) override {
            changes.emplace_back(address, value);
        }
        void BreakpointChanged(Address, bool) override {}
        std::vector<std::pair<Address, Byte>> changes;
    } window;
    decoder.AddMemoryWindow(&window);
    acia.SetValue(kAciaCommand, 0x0B);
    acia.SetValue(kAciaCommand, 0x0B);
    acia.SetValue(kAciaControl, 0x1E);
    EXPECT_EQ(window.changes,
              (std::vector<std::pair<Address, Byte>>{{kAciaCommand, 0x0B}, {kAciaControl, 0x1E}}));
    window.changes.clear();
    acia.SetValue(kAciaData, 0x41);  // TDRE cleared
    EXPECT_EQ(window.changes, (std::vector<std::pair<Address, Byte>>{{kAciaStatus, 0x00}}));
    decoder.RemoveMemWndPtr(&window);
}

TEST(R6551Weight, CountsOnesBetweenPositionsInclusive) {
    EXPECT_EQ(R6551::weight(0xFF, 0, 7), 8);
    EXPECT_EQ(R6551::weight(0xFF, 2, 4), 3);
    EXPECT_EQ(R6551::weight(0x8000000000000001ull, 0, 63), 2);
    EXPECT_EQ(R6551::weight(0x100, 0, 7), 0);
    EXPECT_EQ(R6551::weight(0xFF, 5, 4), 0);
}

// ---------------------------------------------------------------------------------------------
// Receiver

using R6551ReceiveTest = R6551Fixture;

TEST_F(R6551ReceiveTest, Receives8N1) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    AciaFeedBits(acia, AciaFrameBits(0xC3, 8, {1}), kTicks9600);
    EXPECT_EQ(acia.RDR(), 0xC3);
    EXPECT_EQ(acia.SR() & 0x0F, R6551::kRDRF);
    EXPECT_TRUE(acia.IrqAsserted());
}

TEST_F(R6551ReceiveTest, CompletesAtTheStopBitSample) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetRxD(false);
    const std::int64_t start = acia.Ticks();
    const std::vector<int> bits = AciaFrameBits(0x00, 8, {1});
    while ((acia.SR() & R6551::kRDRF) == 0) {
        const std::int64_t index = (acia.Ticks() - start) / kTicks9600;
        acia.SetRxD(index >= 10 || bits[static_cast<std::size_t>(index)] != 0);
        acia.Run(1);
        ASSERT_LT(acia.Ticks() - start, 11 * kTicks9600);
    }
    const std::int64_t done = acia.Ticks() - start;
    EXPECT_GE(done, 9 * kTicks9600 + 9 * kTicks9600 / 16);
    EXPECT_LE(done, 9 * kTicks9600 + 9 * kTicks9600 / 16 + 3);
}

TEST_F(R6551ReceiveTest, ShortLowPulseIsAFalseStart) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    AciaFeedBits(acia, {0}, kTicks9600 / 2);  // half a bit: below the 9/16 sample point
    EXPECT_FALSE(acia.Receiving());
    EXPECT_EQ(acia.SR() & R6551::kRDRF, 0);
    AciaFeedBits(acia, AciaFrameBits(0x5A, 8, {1}), kTicks9600);
    EXPECT_EQ(acia.RDR(), 0x5A) << "the receiver is ready again";
}

TEST_F(R6551ReceiveTest, StopBitAtSpaceIsAFramingError) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    AciaFeedBits(acia, AciaFrameBits(0x55, 8, {0}), kTicks9600);
    EXPECT_EQ(acia.RDR(), 0x55);
    EXPECT_EQ(acia.SR() & 0x0F, R6551::kRDRF | R6551::kFramingError);
    acia.GetValue(kAciaData, false);
    AciaFeedBits(acia, AciaFrameBits(0x66, 8, {1}), kTicks9600);
    EXPECT_EQ(acia.SR() & 0x0F, R6551::kRDRF) << "the latch starts clear for each character";
}

TEST_F(R6551ReceiveTest, HeldSpaceGivesOneCharacterOnly) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    acia.SetRxD(false);
    RunAcia(acia, 5000, 1);
    EXPECT_EQ(acia.RDR(), 0x00);
    EXPECT_EQ(acia.SR() & 0x0F, R6551::kRDRF | R6551::kFramingError);
    EXPECT_FALSE(acia.Receiving());
}

TEST_F(R6551ReceiveTest, OverrunKeepsTheOlderByteUntilDataIsRead) {
    acia.SetValue(kAciaControl, kCon9600_8N1);
    AciaFeedBits(acia, AciaFrameBits(0x11, 8, {1}), kTicks9600, 100);
    AciaFeedBits(acia, AciaFrameBits(0x22, 8, {1}), kTicks9600, 100);
    EXPECT_EQ(acia.RDR(), 0x11);
    EXPECT_EQ(acia.SR() & 0x0F, R6551::kRDRF | R6551::kOverrun);
    EXPECT_EQ(acia.GetValue(kAciaData, false), 0x11);
    AciaFeedBits(acia, AciaFrameBits(0x33, 8, {1}), kTicks9600, 100);
    EXPECT_EQ(acia.RDR(), 0x33);
    EXPECT_EQ(acia.SR() & 0x0F, R6551::kRDRF);
}

struct LoopbackCase {
    Byte con, com, value, expected;
};

class R6551LoopbackTest : public ::testing::TestWithParam<LoopbackCase> {};

// One ACIA's transmit line wired to another's receive line, cycle by cycle.
TEST_P(R6551LoopbackTest, TransmittedCharacterIsReceivedWithoutErrors) {
    const LoopbackCase& c = GetParam();
    TR6551Module sender, receiver;
    sender.Loaded();
    receiver.Loaded();
    for (TR6551Module* acia : {&sender, &receiver}) {
        acia->SetValue(kAciaControl, c.con);
        acia->SetValue(kAciaCommand, c.com);
    }
    sender.SetValue(kAciaData, c.value);
    for (int i = 0; i < 20000 && (receiver.SR() & R6551::kRDRF) == 0; ++i) {
        receiver.SetRxD((sender.TSR() & 1) != 0);
        sender.Run(1);
        receiver.Run(1);
    }
    EXPECT_EQ(receiver.RDR(), c.expected);
    EXPECT_EQ(receiver.SR() & 0x0F, R6551::kRDRF);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, R6551LoopbackTest,
    ::testing::Values(LoopbackCase{0x1E, 0x00, 0xA7, 0xA7},    // 8N1 9600
                      LoopbackCase{0x3E, 0x60, 0x55, 0x55},    // 7E1
                      LoopbackCase{0x3E, 0x20, 0x54, 0x54},    // 7O1
                      LoopbackCase{0x5E, 0xA0, 0x3F, 0x3F},    // 6 bits mark
                      LoopbackCase{0x7E, 0xE0, 0xFF, 0x1F},    // 5 bits space
                      LoopbackCase{0xEE, 0x00, 0x15, 0x15},    // 5 bits, 1.5 stop
                      LoopbackCase{0x9E, 0x00, 0x81, 0x81},    // 8N2
                      LoopbackCase{0x9E, 0x60, 0x81, 0x81},    // 8E1 with stop-bit select
                      LoopbackCase{0xBE, 0x20, 0x7E, 0x7E},    // 7O2
                      LoopbackCase{0x18, 0x00, 0x3C, 0x3C},    // 1200
                      LoopbackCase{0x1F, 0x60, 0xF0, 0xF0}));  // 19200 even

struct ParityErrorCase {
    Byte sendCom, receiveCom;
};

class R6551ParityErrorTest : public ::testing::TestWithParam<ParityErrorCase> {};

TEST_P(R6551ParityErrorTest, MismatchedParitySetsTheParityBit) {
    const ParityErrorCase& c = GetParam();
    TR6551Module sender, receiver;
    sender.Loaded();
    receiver.Loaded();
    sender.SetValue(kAciaControl, 0x3E);
    receiver.SetValue(kAciaControl, 0x3E);
    sender.SetValue(kAciaCommand, c.sendCom);
    receiver.SetValue(kAciaCommand, c.receiveCom);
    sender.SetValue(kAciaData, 0x41);
    for (int i = 0; i < 5000 && (receiver.SR() & R6551::kRDRF) == 0; ++i) {
        receiver.SetRxD((sender.TSR() & 1) != 0);
        sender.Run(1);
        receiver.Run(1);
    }
    EXPECT_EQ(receiver.RDR(), 0x41);
    EXPECT_EQ(receiver.SR() & 0x0F, R6551::kRDRF | R6551::kParityError);
}

INSTANTIATE_TEST_SUITE_P(Modes, R6551ParityErrorTest,
                         ::testing::Values(ParityErrorCase{0x60, 0x20},    // even sent, odd wanted
                                           ParityErrorCase{0x20, 0x60},    // odd sent, even wanted
                                           ParityErrorCase{0xE0, 0xA0},    // space sent, mark
                                           ParityErrorCase{0xA0, 0xE0}));  // mark sent, space

}  // namespace
}  // namespace tarvok::test
