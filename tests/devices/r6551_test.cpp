#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "devices/r6551.h"
#include "r6551_support.h"
#include "support/case_name.h"

namespace tarvok::test {
namespace {

using R6551 = R6551;

// ---------------------------------------------------------------------------------------------
// Transmitter

using R6551TransmitTest = R6551Fixture;

TEST_F(R6551TransmitTest, CharacterAt9600Takes1920TicksAndFreesTdrAtOnce) {
    acia.Write(kAciaControl, kCon9600_8N1);
    RunAcia(acia, 50);
    acia.Write(kAciaData, 0x41);
    EXPECT_EQ(acia.Sr() & R6551::kTDRE, 0);

    acia.Run(1);
    ASSERT_TRUE(acia.Transmitting());
    EXPECT_NE(acia.Sr() & R6551::kTDRE, 0) << "TDRE is set in the cycle the character starts";
    EXPECT_EQ(acia.Tsr(), 0xE82) << "start bit, 0x41 LSB first, stop bits";
    EXPECT_FALSE(acia.TxdLed());

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
    EXPECT_EQ(acia.Tsr(), 1);
    EXPECT_TRUE(acia.TxdLed());
}

TEST_F(R6551TransmitTest, LineFollowsTheFrameBitByBit) {
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Write(kAciaData, 0xA5);
    acia.Run(1);
    const std::int64_t start = acia.Ticks() - 1;  // the character started one cycle ago
    std::vector<int> seenAtMiddle;
    while (acia.Transmitting()) {
        const std::int64_t position = acia.Ticks() - start;
        if (position % kTicks9600 == kTicks9600 / 2 ||
            position % kTicks9600 == kTicks9600 / 2 + 1) {
            if (seenAtMiddle.size() == static_cast<std::size_t>(position / kTicks9600)) {
                seenAtMiddle.push_back(acia.Tsr() & 1);
            }
        }
        acia.Run(1);
    }
    EXPECT_EQ(seenAtMiddle, AciaFrameBits(0xA5, 8, {1}));
}

TEST_F(R6551TransmitTest, ByteWrittenDuringFrameWaitsAndASecondWriteReplacesIt) {
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Write(kAciaData, 0x11);
    acia.Run(1);
    const std::int64_t start = acia.Ticks() - 1;
    RunAcia(acia, 100, 1);
    acia.Write(kAciaData, 0x22);
    RunAcia(acia, 100, 1);
    acia.Write(kAciaData, 0x33);
    EXPECT_EQ(acia.Sr() & R6551::kTDRE, 0);
    while ((acia.Sr() & R6551::kTDRE) == 0) {
        acia.Run(1);
        ASSERT_LT(acia.Ticks() - start, 11 * kTicks9600);
    }
    EXPECT_GE(acia.Ticks() - start, 10 * kTicks9600);
    EXPECT_LE(acia.Ticks() - start, 10 * kTicks9600 + 3);
    EXPECT_TRUE(acia.Transmitting());
    EXPECT_EQ(acia.Tsr(), 0xE00 | 0x33 << 1) << "0x22 was replaced";
}

TEST_F(R6551TransmitTest, CtsOffKeepsTdreClearAndRepeatsTheCharacter) {
    acia.SetCtsSwitch(false);
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Write(kAciaData, 0x5A);
    acia.Run(1);
    EXPECT_TRUE(acia.Transmitting());
    EXPECT_EQ(acia.Sr() & R6551::kTDRE, 0);
    RunAcia(acia, 1100, 1);
    EXPECT_TRUE(acia.Transmitting()) << "the same TDR goes out again";
    EXPECT_EQ(acia.Tsr() >> 1 & 0xFF, 0x5A);
}

TEST_F(R6551TransmitTest, TransmitInterruptWhenTdreSetWithControl01) {
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Write(kAciaCommand, 0x07);  // DTR, receiver interrupt off, transmit interrupt on
    cpu.calls.clear();
    acia.Write(kAciaData, 0x41);
    acia.Run(1);
    ASSERT_EQ(cpu.calls.size(), 1u);
    EXPECT_EQ(cpu.calls[0].source, &acia);
    EXPECT_EQ(cpu.calls[0].sourceLine, 1);
    EXPECT_EQ(cpu.calls[0].input, kIrqInput);
    EXPECT_FALSE(cpu.calls[0].level);
    EXPECT_NE(acia.Sr() & R6551::kIRQ, 0);

    EXPECT_NE(acia.Read(kAciaStatus, false) & R6551::kIRQ, 0);
    EXPECT_TRUE(cpu.LastLevel(1, kIrqInput));
    EXPECT_EQ(acia.Read(kAciaStatus, false) & R6551::kIRQ, 0) << "bit 7 is read once";
}

struct ParityFrameCase {
    Byte con, com, tdr;
    std::uint16_t frame;
};

class R6551ParityFrameTest : public R6551Fixture,
                             public ::testing::WithParamInterface<ParityFrameCase> {};

TEST_P(R6551ParityFrameTest, ParityBitFollowsTheMode) {
    const ParityFrameCase& c = GetParam();
    acia.Write(kAciaControl, c.con);
    acia.Write(kAciaCommand, c.com);
    acia.Write(kAciaData, c.tdr);
    acia.Run(1);
    EXPECT_EQ(acia.Tsr(), c.frame);
}

// 0x41 has two 1 bits, 0x43 three; 7 data bits put the parity bit at position 8.
INSTANTIATE_TEST_SUITE_P(
    Modes, R6551ParityFrameTest,
    ::testing::Values(ParityFrameCase{0x3E, 0x22, 0x41, 0x782},  // 7 bits odd: parity 1
                      ParityFrameCase{0x3E, 0x22, 0x43, 0x686},  // 7 bits odd: parity 0
                      ParityFrameCase{0x3E, 0x62, 0x41, 0x682},  // 7 bits even: parity 0
                      ParityFrameCase{0x3E, 0x62, 0x43, 0x786},  // 7 bits even: parity 1
                      ParityFrameCase{0x3E, 0xA2, 0x41, 0x782},  // mark
                      ParityFrameCase{0x3E, 0xE2, 0x43, 0x686},  // space
                      ParityFrameCase{0x1E, 0x62, 0xC1, 0xF82},  // 8 bits even, 3 ones: 1
                      ParityFrameCase{0x1E, 0x22, 0xC1, 0xD82}),
    [](const auto& info) {
        return "Con" + test::HexName(info.param.con) + "Com" + test::HexName(info.param.com) +
               "Data" + test::HexName(info.param.tdr);
    });  // 8 bits odd: 0

// Sends one character and returns the crystal ticks from its start to the cycle that ends it
// (which starts at most one tick after the frame's end).
std::int64_t MeasureFrameTicks(R6551& acia, Byte con, Byte com) {
    acia.Write(kAciaControl, con);
    acia.Write(kAciaCommand, com);
    acia.Write(kAciaData, 0x5A);
    const std::int64_t start = acia.Ticks();
    std::int64_t lastCycleStart = start;
    do {
        lastCycleStart = acia.Ticks();
        acia.Run(1);
    } while (acia.Transmitting());
    return lastCycleStart - start;
}

// A bit lasts 1 843 200 / baud ticks of the crystal; an 8N1 frame is ten bits (give or take the
// tick that counting the stop bits in halves may lose).
class R6551BaudRateTest : public R6551Fixture, public ::testing::WithParamInterface<int> {};

TEST_P(R6551BaudRateTest, FrameLastsTenBitTimesOfTheSelectedRate) {
    static constexpr double kBaud[16] = {0,    50,   75,   109.92, 134.5, 150,  300,  600,
                                         1200, 1800, 2400, 3600,   4800,  7200, 9600, 19200};
    const int select = GetParam();
    const std::int64_t bitTicks = std::llround(1843200.0 / kBaud[select]);
    const std::int64_t ticks = MeasureFrameTicks(acia, static_cast<Byte>(0x10 | select), 0);
    EXPECT_GE(ticks, 10 * bitTicks - 1);
    EXPECT_LE(ticks, 10 * bitTicks + 1);
}

INSTANTIATE_TEST_SUITE_P(EveryRate, R6551BaudRateTest, ::testing::Range(1, 16),
                         [](const auto& info) { return "Select" + std::to_string(info.param); });

struct FrameFormatCase {
    int dataBits;
    bool parity;
    bool stopSelect;  // CON bit 7
    double stopBits;
};

class R6551FrameFormatTest : public R6551Fixture,
                             public ::testing::WithParamInterface<FrameFormatCase> {};

TEST_P(R6551FrameFormatTest, FrameHoldsStartDataParityAndStopBits) {
    const FrameFormatCase& c = GetParam();
    constexpr std::int64_t kBitTicks = 96;  // 19200 baud
    const Byte con = static_cast<Byte>((c.stopSelect ? 0x80 : 0) | ((8 - c.dataBits) << 5) | 0x1F);
    const std::int64_t ticks = MeasureFrameTicks(acia, con, c.parity ? 0x20 : 0x00);
    const double bits = 1 + c.dataBits + (c.parity ? 1 : 0) + c.stopBits;
    const auto expected = static_cast<std::int64_t>(bits * kBitTicks);
    EXPECT_GE(ticks, expected);
    EXPECT_LE(ticks, expected + 1);
}

// Two stop bits, except 1.5 for five data bits without parity and one for eight with parity.
INSTANTIATE_TEST_SUITE_P(
    EveryStopBitSetting, R6551FrameFormatTest,
    ::testing::Values(FrameFormatCase{8, false, false, 1}, FrameFormatCase{8, false, true, 2},
                      FrameFormatCase{8, true, false, 1}, FrameFormatCase{8, true, true, 1},
                      FrameFormatCase{7, false, false, 1}, FrameFormatCase{7, false, true, 2},
                      FrameFormatCase{7, true, false, 1}, FrameFormatCase{7, true, true, 2},
                      FrameFormatCase{6, false, false, 1}, FrameFormatCase{6, false, true, 2},
                      FrameFormatCase{6, true, false, 1}, FrameFormatCase{6, true, true, 2},
                      FrameFormatCase{5, false, false, 1}, FrameFormatCase{5, false, true, 1.5},
                      FrameFormatCase{5, true, false, 1}, FrameFormatCase{5, true, true, 2}),
    [](const auto& info) {
        const FrameFormatCase& c = info.param;
        return "Data" + std::to_string(c.dataBits) + (c.parity ? "Parity" : "NoParity") +
               (c.stopSelect ? "Select1" : "Select0");
    });

TEST_F(R6551TransmitTest, FiveBitsWithLongStopFlagMakeA7AndAHalfBitFrame) {
    acia.Write(kAciaControl, 0xEE);  // 9600, 5 data bits, stop-bit select set
    acia.Write(kAciaData, 0x15);
    acia.Run(1);
    const std::int64_t start = acia.Ticks() - 1;
    while (acia.Transmitting())
        acia.Run(1);
    const std::int64_t length = acia.Ticks() - start;
    EXPECT_GE(length, 15 * kTicks9600 / 2);
    EXPECT_LE(length, 15 * kTicks9600 / 2 + 3);
}

TEST_F(R6551TransmitTest, BreakHoldsSpaceUntilReleasedThenReturnsToMark) {
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Write(kAciaCommand, 0x0D);  // DTR, send break
    acia.Run(1);
    EXPECT_TRUE(acia.Transmitting());
    EXPECT_EQ(acia.Tsr() & 1, 0);
    EXPECT_FALSE(acia.TxdLed());
    const std::int64_t start = acia.Ticks() - 1;
    while (acia.Ticks() - start < 30 * kTicks9600) {
        acia.Run(1);
        ASSERT_EQ(acia.Tsr() & 1, 0) << "break still active at tick " << acia.Ticks() - start;
    }
    acia.Write(kAciaCommand, 0x09);  // transmit control back to 10
    const std::int64_t release = acia.Ticks();
    while ((acia.Tsr() & 1) == 0)
        acia.Run(1);
    EXPECT_LE(acia.Ticks() - release, kTicks9600 + 2) << "ends at the next end of a bit time";
    // The line stays at mark until the transmitter has finished.
    while (acia.Transmitting()) {
        acia.Run(1);
        ASSERT_EQ(acia.Tsr() & 1, 1);
    }
    EXPECT_TRUE(acia.TxdLed());
    EXPECT_LE(acia.Ticks() - release, 2 * kTicks9600 + 2);
}

TEST_F(R6551TransmitTest, BreakOfTheMinimumLengthCoversDataAndParity) {
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Write(kAciaCommand, 0x2D);  // parity on, send break
    acia.Write(kAciaCommand, 0x29);  // released at once
    acia.Run(1);
    const std::int64_t start = acia.Ticks() - 1;
    while ((acia.Tsr() & 1) == 0)
        acia.Run(1);
    EXPECT_GE(acia.Ticks() - start, 10 * kTicks9600);  // start + 8 data + parity
    EXPECT_LE(acia.Ticks() - start, 10 * kTicks9600 + 2);
}

// ---------------------------------------------------------------------------------------------
// Registers and status

using R6551RegisterTest = R6551Fixture;

TEST_F(R6551RegisterTest, ResetStateWithSwitchesOnReadsZeroInModemBits) {
    EXPECT_EQ(acia.Sr(), R6551::kTDRE);
    EXPECT_EQ(acia.Com(), 0);
    EXPECT_EQ(acia.Con(), 0);
    EXPECT_EQ(acia.Tsr(), 1);
    EXPECT_TRUE(acia.DcdSwitch());
    EXPECT_TRUE(acia.DsrSwitch());
    EXPECT_TRUE(acia.CtsSwitch());
    EXPECT_FALSE(acia.RxcSwitch());
    EXPECT_TRUE(acia.TxdLed());
    EXPECT_TRUE(acia.DtrLed());
    EXPECT_TRUE(acia.RtsLed());
}

TEST_F(R6551RegisterTest, ResetReleasesInterruptAndRestoresSwitches) {
    acia.Write(kAciaCommand, 0x02);
    acia.SetDsrSwitch(false);  // receiver interrupt disabled and SR bit 7 clear: raises it
    EXPECT_TRUE(acia.IrqAsserted());
    EXPECT_EQ(acia.Sr(), R6551::kTDRE | R6551::kDSR | R6551::kIRQ);
    acia.Reset();
    EXPECT_FALSE(acia.IrqAsserted());
    EXPECT_TRUE(cpu.LastLevel(1, kIrqInput));
    EXPECT_TRUE(acia.DsrSwitch());
    EXPECT_EQ(acia.Sr(), R6551::kTDRE);
}

TEST_F(R6551RegisterTest, CommandAndControlReadBackAndDriveModemLamps) {
    acia.Write(kAciaCommand, 0x0B);
    acia.Write(kAciaControl, 0x9E);
    EXPECT_EQ(acia.Read(kAciaCommand, false), 0x0B);
    EXPECT_EQ(acia.Read(kAciaControl, true), 0x9E);
    EXPECT_FALSE(acia.DtrLed());
    EXPECT_FALSE(acia.RtsLed());
    EXPECT_EQ(acia.Read(0xF00C, false), 0xFF) << "outside the ACIA: nothing registered";
}

TEST_F(R6551RegisterTest, ProgrammedResetKeepsParityAndBaudSettings) {
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Write(kAciaCommand, 0xFF);
    acia.SetRdr(0x01);
    acia.SetRdr(0x02);  // overrun
    ASSERT_NE(acia.Sr() & R6551::kOverrun, 0);
    acia.Write(kAciaStatus, 0x00);
    EXPECT_EQ(acia.Com(), 0xE0);
    EXPECT_EQ(acia.Con(), kCon9600_8N1);
    EXPECT_EQ(acia.Sr() & R6551::kOverrun, 0);
    EXPECT_NE(acia.Sr() & R6551::kRDRF, 0);
    EXPECT_EQ(acia.Tsr(), 1);
}

TEST_F(R6551RegisterTest, ProgrammedResetDuringAFrameFinishesItAtMark) {
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Write(kAciaData, 0x00);
    RunAcia(acia, 300, 1);
    acia.Write(kAciaStatus, 0);
    while (acia.Transmitting()) {
        acia.Run(1);
        ASSERT_EQ(acia.Tsr() & 1, 1);
    }
}

TEST_F(R6551RegisterTest, DataReadClearsErrorAndFullBits) {
    acia.SetRdr(0x10);
    acia.SetRdr(0x20);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF | R6551::kOverrun);
    EXPECT_EQ(acia.Read(kAciaData, true), 0x10) << "peek has the same effect";
    EXPECT_EQ(acia.Sr() & 0x0F, 0);
    EXPECT_NE(acia.Sr() & R6551::kIRQ, 0) << "only the status read clears bit 7";
}

TEST_F(R6551RegisterTest, StatusReadReturnsBit7OnceEvenAsPeek) {
    acia.SetRdr(0x10);
    EXPECT_TRUE(acia.IrqAsserted());
    EXPECT_NE(acia.Read(kAciaStatus, true) & R6551::kIRQ, 0);
    EXPECT_FALSE(acia.IrqAsserted());
    EXPECT_EQ(acia.Read(kAciaStatus, true) & R6551::kIRQ, 0);
}

TEST_F(R6551RegisterTest, ReceiverInterruptDisabledLeavesIrqAlone) {
    acia.Write(kAciaCommand, 0x02);
    acia.SetRdr(0x10);
    EXPECT_FALSE(acia.IrqAsserted());
    EXPECT_EQ(acia.Sr(), R6551::kTDRE | R6551::kRDRF);
}

TEST_F(R6551RegisterTest, ModemSwitchWithReceiverInterruptOnUpdatesBitQuietly) {
    acia.SetDcdSwitch(false);
    EXPECT_EQ(acia.Sr(), R6551::kTDRE | R6551::kDCD);
    acia.SetDsrSwitch(false);
    EXPECT_EQ(acia.Sr(), R6551::kTDRE | R6551::kDCD | R6551::kDSR);
    acia.SetDcdSwitch(true);
    EXPECT_EQ(acia.Sr(), R6551::kTDRE | R6551::kDSR);
    EXPECT_FALSE(acia.IrqAsserted());
}

TEST_F(R6551RegisterTest, ModemChangeWhileBit7SetStaysPendingUntilStatusRead) {
    acia.Write(kAciaCommand, 0x02);
    acia.SetDsrSwitch(false);  // raises the interrupt, bit 6 set
    ASSERT_EQ(acia.Sr(), R6551::kTDRE | R6551::kDSR | R6551::kIRQ);
    acia.SetDcdSwitch(false);  // bit 7 already set: pending, stored with the bit as given
    EXPECT_EQ(acia.Sr(), R6551::kTDRE | R6551::kDSR | R6551::kDCD | R6551::kIRQ);
    acia.SetDcdSwitch(true);  // again pending: the value given still has bit 5 set
    EXPECT_EQ(acia.Sr() & R6551::kDCD, R6551::kDCD);
    acia.SetDcdSwitch(false);

    EXPECT_EQ(acia.Read(kAciaStatus, false),
              R6551::kTDRE | R6551::kDSR | R6551::kDCD | R6551::kIRQ);
    EXPECT_EQ(acia.Sr(), R6551::kTDRE | R6551::kDSR | R6551::kDCD);
    EXPECT_FALSE(acia.IrqAsserted());
    // Applied once only.
    EXPECT_EQ(acia.Read(kAciaStatus, false), R6551::kTDRE | R6551::kDSR | R6551::kDCD);
}

TEST_F(R6551RegisterTest, PendingChangeRaisesInterruptWhenReceiverInterruptOnAtRead) {
    acia.Write(kAciaCommand, 0x02);
    acia.SetDsrSwitch(false);
    acia.SetDcdSwitch(false);  // pending
    acia.Write(kAciaCommand, 0x00);
    acia.Read(kAciaStatus, false);
    EXPECT_TRUE(acia.IrqAsserted());
    EXPECT_EQ(acia.Sr(), R6551::kTDRE | R6551::kDSR | R6551::kDCD | R6551::kIRQ);
}

TEST_F(R6551RegisterTest, BusNoticesOnlyForRealChanges) {
    struct Window : MemoryListener {
        void ValueChanged(Address address, Byte value) override {
            changes.emplace_back(address, value);
        }
        void BreakpointChanged(Address, bool) override {}
        std::vector<std::pair<Address, Byte>> changes;
    } window;
    decoder.AddMemoryListener(&window);
    acia.Write(kAciaCommand, 0x0B);
    acia.Write(kAciaCommand, 0x0B);
    acia.Write(kAciaControl, 0x1E);
    EXPECT_EQ(window.changes,
              (std::vector<std::pair<Address, Byte>>{{kAciaCommand, 0x0B}, {kAciaControl, 0x1E}}));
    window.changes.clear();
    acia.Write(kAciaData, 0x41);  // TDRE cleared
    EXPECT_EQ(window.changes, (std::vector<std::pair<Address, Byte>>{{kAciaStatus, 0x00}}));
    decoder.RemoveMemoryListener(&window);
}

TEST(R6551Weight, CountsOnesBetweenPositionsInclusive) {
    EXPECT_EQ(R6551::Weight(0xFF, 0, 7), 8);
    EXPECT_EQ(R6551::Weight(0xFF, 2, 4), 3);
    EXPECT_EQ(R6551::Weight(0x8000000000000001ull, 0, 63), 2);
    EXPECT_EQ(R6551::Weight(0x100, 0, 7), 0);
    EXPECT_EQ(R6551::Weight(0xFF, 5, 4), 0);
}

// ---------------------------------------------------------------------------------------------
// Receiver

using R6551ReceiveTest = R6551Fixture;

TEST_F(R6551ReceiveTest, Receives8N1) {
    acia.Write(kAciaControl, kCon9600_8N1);
    AciaFeedBits(acia, AciaFrameBits(0xC3, 8, {1}), kTicks9600);
    EXPECT_EQ(acia.Rdr(), 0xC3);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF);
    EXPECT_TRUE(acia.IrqAsserted());
}

TEST_F(R6551ReceiveTest, CompletesAtTheStopBitSample) {
    acia.Write(kAciaControl, kCon9600_8N1);
    const std::int64_t start = acia.Ticks();
    const std::vector<int> bits = AciaFrameBits(0x00, 8, {1});
    while ((acia.Sr() & R6551::kRDRF) == 0) {
        const std::int64_t index = (acia.Ticks() - start) / kTicks9600;
        acia.SetRxd(index >= 10 || bits[static_cast<std::size_t>(index)] != 0);
        acia.Run(1);
        ASSERT_LT(acia.Ticks() - start, 11 * kTicks9600);
    }
    const std::int64_t done = acia.Ticks() - start;
    EXPECT_GE(done, 9 * kTicks9600 + 9 * kTicks9600 / 16);
    EXPECT_LE(done, 9 * kTicks9600 + 9 * kTicks9600 / 16 + 3);
}

TEST_F(R6551ReceiveTest, ShortLowPulseIsAFalseStart) {
    acia.Write(kAciaControl, kCon9600_8N1);
    AciaFeedBits(acia, {0}, kTicks9600 / 2);  // half a bit: below the 9/16 sample point
    EXPECT_FALSE(acia.Receiving());
    EXPECT_EQ(acia.Sr() & R6551::kRDRF, 0);
    AciaFeedBits(acia, AciaFrameBits(0x5A, 8, {1}), kTicks9600);
    EXPECT_EQ(acia.Rdr(), 0x5A) << "the receiver is ready again";
}

TEST_F(R6551ReceiveTest, StopBitAtSpaceIsAFramingError) {
    acia.Write(kAciaControl, kCon9600_8N1);
    AciaFeedBits(acia, AciaFrameBits(0x55, 8, {0}), kTicks9600);
    EXPECT_EQ(acia.Rdr(), 0x55);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF | R6551::kFramingError);
    acia.Read(kAciaData, false);
    AciaFeedBits(acia, AciaFrameBits(0x66, 8, {1}), kTicks9600);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF) << "the latch starts clear for each character";
}

// The start condition is the step from the previous sample to the current one, and only a new
// sample moves them on: a space left in place starts character after character.
TEST_F(R6551ReceiveTest, HeldSpaceRepeatsCharactersUntilTheLineIsSampledAgain) {
    acia.Write(kAciaControl, kCon9600_8N1);  // a frame lasts about 1042 cycles
    acia.SetRxd(false);
    RunAcia(acia, 2500, 1);  // two characters of about 997 cycles each, and a third begun
    EXPECT_EQ(acia.Rdr(), 0x00);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF | R6551::kOverrun | R6551::kFramingError);
    EXPECT_TRUE(acia.Receiving());
    acia.Read(kAciaData, false);
    acia.SetRxd(false);  // sampled again: still space, no step
    RunAcia(acia, 3000, 1);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF | R6551::kFramingError) << "the third one only";
    EXPECT_FALSE(acia.Receiving());
}

TEST_F(R6551ReceiveTest, OverrunKeepsTheOlderByteUntilDataIsRead) {
    acia.Write(kAciaControl, kCon9600_8N1);
    AciaFeedBits(acia, AciaFrameBits(0x11, 8, {1}), kTicks9600, 100);
    AciaFeedBits(acia, AciaFrameBits(0x22, 8, {1}), kTicks9600, 100);
    EXPECT_EQ(acia.Rdr(), 0x11);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF | R6551::kOverrun);
    EXPECT_EQ(acia.Read(kAciaData, false), 0x11);
    AciaFeedBits(acia, AciaFrameBits(0x33, 8, {1}), kTicks9600, 100);
    EXPECT_EQ(acia.Rdr(), 0x33);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF);
}

struct LoopbackCase {
    Byte con, com, value, expected;
};

class R6551LoopbackTest : public ::testing::TestWithParam<LoopbackCase> {};

// One ACIA's transmit line wired to another's receive line, cycle by cycle.
TEST_P(R6551LoopbackTest, TransmittedCharacterIsReceivedWithoutErrors) {
    const LoopbackCase& c = GetParam();
    R6551 sender, receiver;
    sender.Install();
    receiver.Install();
    for (R6551* acia : {&sender, &receiver}) {
        acia->Write(kAciaControl, c.con);
        acia->Write(kAciaCommand, c.com);
    }
    sender.Write(kAciaData, c.value);
    for (int i = 0; i < 20000 && (receiver.Sr() & R6551::kRDRF) == 0; ++i) {
        receiver.SetRxd((sender.Tsr() & 1) != 0);
        sender.Run(1);
        receiver.Run(1);
    }
    EXPECT_EQ(receiver.Rdr(), c.expected);
    EXPECT_EQ(receiver.Sr() & 0x0F, R6551::kRDRF);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, R6551LoopbackTest,
    ::testing::Values(LoopbackCase{0x1E, 0x00, 0xA7, 0xA7},  // 8N1 9600
                      LoopbackCase{0x3E, 0x60, 0x55, 0x55},  // 7E1
                      LoopbackCase{0x3E, 0x20, 0x54, 0x54},  // 7O1
                      LoopbackCase{0x5E, 0xA0, 0x3F, 0x3F},  // 6 bits mark
                      LoopbackCase{0x7E, 0xE0, 0xFF, 0x1F},  // 5 bits space
                      LoopbackCase{0xEE, 0x00, 0x15, 0x15},  // 5 bits, 1.5 stop
                      LoopbackCase{0x9E, 0x00, 0x81, 0x81},  // 8N2
                      LoopbackCase{0x9E, 0x60, 0x81, 0x81},  // 8E1 with stop-bit select
                      LoopbackCase{0xBE, 0x20, 0x7E, 0x7E},  // 7O2
                      LoopbackCase{0x18, 0x00, 0x3C, 0x3C},  // 1200
                      LoopbackCase{0x1F, 0x60, 0xF0, 0xF0}),
    [](const auto& info) {
        return "Con" + test::HexName(info.param.con) + "Com" + test::HexName(info.param.com) +
               "Data" + test::HexName(info.param.value);
    });  // 19200 even

struct ParityErrorCase {
    Byte sendCom, receiveCom;
};

class R6551ParityErrorTest : public ::testing::TestWithParam<ParityErrorCase> {};

TEST_P(R6551ParityErrorTest, MismatchedParitySetsTheParityBit) {
    const ParityErrorCase& c = GetParam();
    R6551 sender, receiver;
    sender.Install();
    receiver.Install();
    sender.Write(kAciaControl, 0x3E);
    receiver.Write(kAciaControl, 0x3E);
    sender.Write(kAciaCommand, c.sendCom);
    receiver.Write(kAciaCommand, c.receiveCom);
    sender.Write(kAciaData, 0x41);
    for (int i = 0; i < 5000 && (receiver.Sr() & R6551::kRDRF) == 0; ++i) {
        receiver.SetRxd((sender.Tsr() & 1) != 0);
        sender.Run(1);
        receiver.Run(1);
    }
    EXPECT_EQ(receiver.Rdr(), 0x41);
    EXPECT_EQ(receiver.Sr() & 0x0F, R6551::kRDRF | R6551::kParityError);
}

INSTANTIATE_TEST_SUITE_P(Modes, R6551ParityErrorTest,
                         ::testing::Values(ParityErrorCase{0x60, 0x20},  // even sent, odd wanted
                                           ParityErrorCase{0x20, 0x60},  // odd sent, even wanted
                                           ParityErrorCase{0xE0, 0xA0},  // space sent, mark
                                           ParityErrorCase{0xA0, 0xE0}),
                         [](const auto& info) {
                             return "Sent" + test::HexName(info.param.sendCom) + "Wanted" +
                                    test::HexName(info.param.receiveCom);
                         });  // mark sent, space

}  // namespace
}  // namespace tarvok::test
