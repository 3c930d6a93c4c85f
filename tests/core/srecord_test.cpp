#include "core/srecord.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace tarvok {
namespace {

using Pairs = std::vector<std::pair<unsigned, unsigned>>;

Pairs Writes(const SRecordImage& image) {
    Pairs writes;
    for (const HexWrite& write : image.writes)
        writes.emplace_back(write.address, write.value);
    return writes;
}

TEST(SRecordParse, TakesS1DataSkipsTheHeaderAndKeepsTheEntry) {
    SRecordImage image;
    const Status status = ParseSRecords(
        "S00600004844521B\r\n\r\nS10504001234B0\nS5030001FB\nS9030400F8\ngarbage after the end",
        image);
    ASSERT_TRUE(status) << status.Reason();
    EXPECT_EQ(Writes(image), (Pairs{{0x400, 0x12}, {0x401, 0x34}}));
    EXPECT_EQ(image.entry, Address{0x0400});
}

TEST(SRecordParse, TakesS2AndS3WhileTheAddressesFitIn16Bits) {
    SRecordImage image;
    ASSERT_TRUE(ParseSRecords("S2060004001234AF\nS804000000FB\n", image));
    EXPECT_EQ(Writes(image), (Pairs{{0x400, 0x12}, {0x401, 0x34}}));
    EXPECT_FALSE(image.entry.has_value());
    const Status beyond = ParseSRecords("S20501000000F9\nS804000000FB\n", image);
    EXPECT_FALSE(beyond);
    EXPECT_EQ(beyond.Line(), 1u);
}

TEST(SRecordParse, RejectsTheWholeFileForOneFault) {
    struct Case {
        const char* text;
        std::size_t line;
    };
    const std::array<Case, 7> cases = {{
        {"S10504001234B0\nS10504021234AF\nS9030000FC\n", 2},  // checksum
        {"S10504001234B0\n", 1},                              // no end record
        {"S10504001234B0\nS5030002FA\nS9030000FC\n", 2},      // record count
        {"S10604001234B0\nS9030000FC\n", 1},                  // count longer than the line
        {"S1050400123GB0\nS9030000FC\n", 1},                  // not hex
        {"S4030000FC\nS9030000FC\n", 1},                      // reserved type
        {":020400001234B4\n:00000001FF\n", 1},                // Intel HEX
    }};
    for (const Case& c : cases) {
        SRecordImage image;
        image.writes.push_back({0x1234, 0x56});
        const Status status = ParseSRecords(c.text, image);
        EXPECT_FALSE(status) << c.text;
        EXPECT_EQ(status.Line(), c.line) << c.text;
        EXPECT_TRUE(image.writes.empty()) << c.text;
    }
}

TEST(SRecordFormat, RoundTripsEveryByteOfARange) {
    std::vector<Byte> memory(0x10000);
    for (std::size_t i = 0; i < memory.size(); ++i)
        memory[i] = static_cast<Byte>(i * 7 + 3);
    const auto read = [&memory](Address a) { return memory[a]; };
    const std::string text = FormatSRecords(0xFFF0, 0xFFFF, read, 0x0400);
    EXPECT_EQ(text.substr(0, 12), "S0030000FC\r\n");
    EXPECT_EQ(text.substr(text.size() - 12), "S9030400F8\r\n");

    const std::string wide = FormatSRecords(0x03F8, 0x0417, read);
    SRecordImage image;
    ASSERT_TRUE(ParseSRecords(wide, image));
    ASSERT_EQ(image.writes.size(), 0x20u);
    for (const HexWrite& write : image.writes)
        EXPECT_EQ(write.value, memory[write.address]);
    EXPECT_EQ(image.writes.front().address, 0x03F8);
    EXPECT_EQ(image.writes.back().address, 0x0417);
}

TEST(SRecordFormat, KnowsItsFileNames) {
    for (const char* name : {"a.s19", "b.S19", "c.srec", "d.mot", "e.s28", "f.s37", "dir/g.sx"})
        EXPECT_TRUE(IsSRecordFileName(name)) << name;
    for (const char* name : {"a.hex", "b.s", "c", "d.s19.hex"})
        EXPECT_FALSE(IsSRecordFileName(name)) << name;
}

}  // namespace
}  // namespace tarvok
