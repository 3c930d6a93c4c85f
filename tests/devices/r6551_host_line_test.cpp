#include <gtest/gtest.h>

#include "devices/r6551_host_line.h"

namespace tarvok {
namespace {

TEST(R6551HostLineTest, ResetRegistersAskForTheExternalClockWithItsMessage) {
    const HostLineSettings line = R6551HostLineSettings(0x00, 0x00);
    EXPECT_EQ(line.baudRate, 0u);
    EXPECT_EQ(line.unsupportedRateMessage,
              "externe Taktung nicht unterstützt bei Ausgabe über ser. Schnittstelle");
    EXPECT_FALSE(line.dtr);
    EXPECT_FALSE(line.rts);
}

TEST(R6551HostLineTest, NineThousandSixHundredBaudEightNoneOneWithBothModemLines) {
    HostLineSettings expected;
    expected.baudRate = 9600;
    expected.dtr = true;
    expected.rts = true;
    EXPECT_EQ(R6551HostLineSettings(0x0B, 0x1E), expected);
}

TEST(R6551HostLineTest, OnlyTheRatesNoHostOffersHaveAMessage) {
    const char* const suffix = " nicht unterstützt bei Ausgabe über ser. Schnittstelle";
    const std::pair<int, const char*> unsupported[] = {
        {1, "50 Baud"},   {2, "75 Baud"},    {4, "134,58 Baud"}, {5, "150 Baud"},
        {9, "1800 Baud"}, {11, "3600 Baud"}, {13, "7200 Baud"}};
    for (const auto& [select, rate] : unsupported) {
        EXPECT_EQ(R6551HostLineSettings(0, static_cast<Byte>(select)).unsupportedRateMessage,
                  std::string(rate) + suffix)
            << select;
    }
    for (int select : {3, 6, 7, 8, 10, 12, 14, 15}) {
        EXPECT_EQ(R6551HostLineSettings(0, static_cast<Byte>(select)).unsupportedRateMessage, "")
            << select;
    }
    EXPECT_EQ(R6551HostLineSettings(0, 0x04).baudRate, 134u);
    EXPECT_EQ(R6551HostLineSettings(0, 0x0F).baudRate, 19200u);
}

TEST(R6551HostLineTest, WordLengthAndParityModes) {
    EXPECT_EQ(R6551HostLineSettings(0x00, 0x60).dataBits, 5);
    EXPECT_EQ(R6551HostLineSettings(0x00, 0x20).dataBits, 7);
    EXPECT_EQ(R6551HostLineSettings(0xC0, 0x00).parity, HostParity::None);  // parity off
    EXPECT_EQ(R6551HostLineSettings(0x20, 0x00).parity, HostParity::Odd);
    EXPECT_EQ(R6551HostLineSettings(0x60, 0x00).parity, HostParity::Even);
    EXPECT_EQ(R6551HostLineSettings(0xA0, 0x00).parity, HostParity::Mark);
    EXPECT_EQ(R6551HostLineSettings(0xE0, 0x00).parity, HostParity::Space);
}

TEST(R6551HostLineTest, StopBitsFollowTheFrameRule) {
    EXPECT_EQ(R6551HostLineSettings(0x00, 0x00).stopBits, HostStopBits::One);
    EXPECT_EQ(R6551HostLineSettings(0x00, 0x80).stopBits, HostStopBits::Two);
    EXPECT_EQ(R6551HostLineSettings(0x00, 0xE0).stopBits, HostStopBits::OneAndHalf);
    EXPECT_EQ(R6551HostLineSettings(0x20, 0xE0).stopBits, HostStopBits::Two);  // 5 bits, parity
    EXPECT_EQ(R6551HostLineSettings(0x20, 0x80).stopBits, HostStopBits::One);  // 8 bits, parity
}

TEST(R6551HostLineTest, RtsFollowsTheTransmitterControlBits) {
    EXPECT_FALSE(R6551HostLineSettings(0x01, 0).rts);
    EXPECT_TRUE(R6551HostLineSettings(0x04, 0).rts);
    EXPECT_TRUE(R6551HostLineSettings(0x08, 0).rts);
    EXPECT_FALSE(R6551HostLineSettings(0x0C, 0).dtr);
}

}  // namespace
}  // namespace tarvok
