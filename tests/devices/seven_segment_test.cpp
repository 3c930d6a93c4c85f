#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "core/address_decoder.h"
#include "devices/seven_segment.h"

namespace tarvok {
namespace {

class SevenSegmentWindow : public MemoryListener {
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
        display.SetDecoder(&decoder);
        display.Install();
    }

    AddressDecoder decoder;
    SevenSegmentDisplay display;
};

TEST_F(SevenSegmentTest, DigitValueCombinesBothPatternBytes) {
    decoder.Write(0xF020, 0x3F);
    decoder.Write(0xF028, 0x3F);
    decoder.Write(0xF027, 0x80);
    decoder.Write(0xF02F, 0x80);
    decoder.Write(0xF021, 0x06);
    EXPECT_EQ(display.DigitValue(0), 0x3F3F);
    EXPECT_EQ(display.DigitValue(7), 0x8080);
    EXPECT_EQ(display.DigitValue(1), 0x0006);
    EXPECT_EQ(display.DigitValue(3), 0x0000);
    EXPECT_EQ(display.Pattern(1), 0x06);
    EXPECT_EQ(SegmentBrightnessOf(display.DigitValue(0), 0), SegmentBrightness::On);
    EXPECT_EQ(SegmentBrightnessOf(display.DigitValue(7), 7), SegmentBrightness::On);
    EXPECT_EQ(SegmentBrightnessOf(display.DigitValue(7), 0), SegmentBrightness::Off);
    EXPECT_EQ(SegmentBrightnessOf(display.DigitValue(1), 1), SegmentBrightness::SlightOn);
}

TEST_F(SevenSegmentTest, MemoryKeepsAnyValueAndSurvivesReset) {
    SevenSegmentWindow window;
    decoder.AddMemoryListener(&window);
    decoder.Write(0xF02A, 0xC3);
    decoder.Write(0xF02A, 0xC3);
    EXPECT_EQ(decoder.Read(0xF02A, false), 0xC3);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(Address{0xF02A}, Byte{0xC3}));
    display.Reset();
    EXPECT_EQ(display.Pattern(10), 0xC3);
    EXPECT_EQ(display.Pattern(16), 0);
    display.SetPattern(16, 1);
    EXPECT_EQ(window.changes.size(), 1u);
    decoder.RemoveMemoryListener(&window);
}

TEST(SevenSegmentBrightness, OneBitPerPattern) {
    EXPECT_EQ(SegmentBrightnessOf(0x003F, 0), SegmentBrightness::SlightOn);
    EXPECT_EQ(SegmentBrightnessOf(0x3F00, 5), SegmentBrightness::SlightOn);
    EXPECT_EQ(SegmentBrightnessOf(0x3F3F, 6), SegmentBrightness::Off);
    EXPECT_EQ(SegmentBrightnessOf(0x4040, 6), SegmentBrightness::On);
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
