#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/address_decoder.h"
#include "devices/seven_segment.h"

namespace tarvok {
namespace {

class SevenSegmentDigit : public TSevenSegmentDigitView {
public:
    void SetValue(std::uint16_t v) override { value = v; }
    std::uint16_t value = 0xFFFF;
};

class SevenSegmentWindow : public TMemoryWindowListener {
public:
    void ValueChanged(Address address, Byte value) override {
        changes.emplace_back(address, value);
    }
    void BreakpointChanged(Address, bool) override {}
    std::vector<std::pair<Address, Byte>> changes;
};

class SevenSegmentTest : public ::testing::Test {
protected:
    void SetUp() override {
        display.SetAddressDecoder(&decoder);
        display.Loaded();
        for (int n = 0; n < 8; ++n)
            display.SetFigure(n, &digits[n]);
    }

    TAddressDecoder decoder;
    TSevenSegmentModule display;
    SevenSegmentDigit digits[8];
};

TEST_F(SevenSegmentTest, RefreshCombinesBothPatternBytes) {
    decoder.SetValue(0xF020, 0x3F);
    decoder.SetValue(0xF028, 0x3F);
    decoder.SetValue(0xF027, 0x80);
    decoder.SetValue(0xF02F, 0x80);
    EXPECT_EQ(digits[0].value, 0xFFFF);  // writes alone do not reach the digits
    display.RefreshDisplay();
    EXPECT_EQ(digits[0].value, 0x3F3F);
    EXPECT_EQ(digits[7].value, 0x8080);
    EXPECT_EQ(digits[3].value, 0x0000);
    EXPECT_EQ(SegmentBrightness(digits[0].value, 0), TSegmentBrightness::On);
    EXPECT_EQ(SegmentBrightness(digits[7].value, 7), TSegmentBrightness::On);
    EXPECT_EQ(SegmentBrightness(digits[7].value, 0), TSegmentBrightness::Off);
}

TEST_F(SevenSegmentTest, DisabledDisplayStoresButDoesNotShow) {
    display.SetEnabled(false);
    decoder.SetValue(0xF021, 0x06);
    display.RefreshDisplay();
    EXPECT_EQ(digits[1].value, 0xFFFF);
    EXPECT_EQ(display.GetMemory(1), 0x06);
    display.SetEnabled(true);
    display.RefreshDisplay();
    EXPECT_EQ(digits[1].value, 0x0006);
    display.SetFigure(1, nullptr);
    EXPECT_EQ(display.GetFigure(1), nullptr);
    display.RefreshDisplay();  // a digit without a control is skipped
    EXPECT_EQ(display.RefreshInterval(), 30u);
}

TEST_F(SevenSegmentTest, MemoryKeepsAnyValueAndSurvivesReset) {
    SevenSegmentWindow window;
    decoder.AddMemoryWindow(&window);
    decoder.SetValue(0xF02A, 0xC3);
    decoder.SetValue(0xF02A, 0xC3);
    EXPECT_EQ(decoder.GetValue(0xF02A, false), 0xC3);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(Address{0xF02A}, Byte{0xC3}));
    display.Reset();
    EXPECT_EQ(display.GetMemory(10), 0xC3);
    EXPECT_EQ(display.GetMemory(16), 0);
    display.SetMemory(16, 1);
    EXPECT_EQ(window.changes.size(), 1u);
    decoder.RemoveMemWndPtr(&window);
}

TEST(SevenSegmentBrightness, OneBitPerPattern) {
    EXPECT_EQ(SegmentBrightness(0x003F, 0), TSegmentBrightness::SlightOn);
    EXPECT_EQ(SegmentBrightness(0x3F00, 5), TSegmentBrightness::SlightOn);
    EXPECT_EQ(SegmentBrightness(0x3F3F, 6), TSegmentBrightness::Off);
    EXPECT_EQ(SegmentBrightness(0x4040, 6), TSegmentBrightness::On);
}

TEST(SevenSegmentDecode, ShapesGiveTheirCharacters) {
    const std::pair<Byte, char> shapes[] = {
        {0x3F, '0'}, {0x06, '1'}, {0x5B, '2'}, {0x4F, '3'}, {0x66, '4'}, {0x6D, '5'}, {0x7D, '6'},
        {0x07, '7'}, {0x27, '7'}, {0x7F, '8'}, {0x6F, '9'}, {0x67, '9'}, {0x77, 'A'}, {0x7C, 'B'},
        {0x39, 'C'}, {0x5E, 'D'}, {0x79, 'E'}, {0x71, 'F'}, {0x40, '-'}, {0x00, ' '}, {0x73, 'P'},
        {0x50, 'r'}, {0x5C, 'o'}, {0x54, 'n'}, {0x76, 'H'}, {0x38, 'L'}, {0x3E, 'U'}, {0x1C, 'u'},
        {0x6E, 'y'}, {0x3D, 'G'}, {0x78, 't'}, {0x74, 'h'}, {0x1E, 'J'}, {0x04, 'i'}, {0x58, 'c'}};
    for (const auto& [pattern, character] : shapes) {
        EXPECT_EQ(DecodeSevenSegment(pattern), character) << int{pattern};
        EXPECT_EQ(DecodeSevenSegment(static_cast<Byte>(pattern | 0x80)), character);
    }
    int unknown = 0;
    for (int pattern = 0; pattern < 128; ++pattern) {
        if (DecodeSevenSegment(static_cast<Byte>(pattern)) == '?') ++unknown;
    }
    EXPECT_EQ(unknown, 128 - static_cast<int>(std::size(shapes)));
}

}  // namespace
}  // namespace tarvok
