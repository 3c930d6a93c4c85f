#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/intel_hex.h"

namespace tarvok {
namespace {

std::vector<std::pair<unsigned, unsigned>> Writes(const HexParseResult& result) {
    std::vector<std::pair<unsigned, unsigned>> writes;
    for (const HexWrite& write : result.writes)
        writes.emplace_back(write.address, write.value);
    return writes;
}

TEST(IntelHexParse, AcceptsDataAndEndRecords) {
    const auto result = ParseIntelHex(":020400001234B4\r\n:00000001FF\r\n");
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(Writes(result),
              (std::vector<std::pair<unsigned, unsigned>>{{0x400, 0x12}, {0x401, 0x34}}));
}

TEST(IntelHexParse, IgnoresWhatTheFormatAllowsToIgnore) {
    // Lower case, text before the colon, empty lines, lines without a colon, trailing text after
    // the checksum, LF and CR line ends, garbage after the end record.
    const auto result = ParseIntelHex(
        "comment line\n\nxyz:0104000012e9 trailing\r:01040100ab4f\n:00000001ff\nGARBAGE:zz");
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(Writes(result),
              (std::vector<std::pair<unsigned, unsigned>>{{0x400, 0x12}, {0x401, 0xAB}}));
}

TEST(IntelHexParse, DataRecordWrapsPastFFFF) {
    const auto result = ParseIntelHex(":02FFFF00AABB9B\n:00000001FF\n");
    ASSERT_TRUE(result.ok) << result.reason;
    EXPECT_EQ(Writes(result),
              (std::vector<std::pair<unsigned, unsigned>>{{0xFFFF, 0xAA}, {0x0000, 0xBB}}));
}

TEST(IntelHexParse, EndRecordReadsItsChecksumRightAfterTheType) {
    // The byte count is summed but no data bytes are read: 02 + 01 + FD = 0.
    EXPECT_TRUE(ParseIntelHex(":02000001FD\n").ok);
    EXPECT_FALSE(ParseIntelHex(":02000001FF\n").ok);
}

struct RejectCase {
    const char* name;
    const char* text;
    std::size_t line;
};

class IntelHexReject : public ::testing::TestWithParam<RejectCase> {};

TEST_P(IntelHexReject, RejectsWholeFileAndNamesTheLine) {
    const auto result = ParseIntelHex(GetParam().text);
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.writes.empty());
    EXPECT_EQ(result.errorLine, GetParam().line);
    EXPECT_FALSE(result.reason.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, IntelHexReject,
    ::testing::Values(RejectCase{"NoEndRecord", ":0104000012E9\n", 1},
                      RejectCase{"ChecksumInLastDataRecord",
                                 ":0104000012E9\n:0104010034C7\n:00000001FF\n", 2},
                      RejectCase{"Type02", ":020000020000FC\n:00000001FF\n", 1},
                      RejectCase{"Type03", ":0400000300000000F9\n:00000001FF\n", 1},
                      RejectCase{"Type04", ":020000040000FA\n:00000001FF\n", 1},
                      RejectCase{"Type05", ":0400000500000000F7\n:00000001FF\n", 1},
                      RejectCase{"ShortRecord", ":0104000012\n:00000001FF\n", 1},
                      RejectCase{"ColonOnly", ":\n:00000001FF\n", 1},
                      RejectCase{"BadDigit", ":01040000G2E9\n:00000001FF\n", 1},
                      RejectCase{"BlankInsideField", ":01 4000012E9\n:00000001FF\n", 1},
                      RejectCase{"BadEndChecksum", ":00000001FE\n", 1},
                      RejectCase{"EmptyText", "", 0}, RejectCase{"Binary", "\x01\x02:\xff\xfe", 1}),
    [](const auto& info) { return info.param.name; });

TEST(IntelHexFormat, WritesSixteenByteRecordsUpperCaseCrLf) {
    const std::string text =
        FormatIntelHex(0x0400, 0x0410, [](Address a) { return static_cast<Byte>(a & 0xFF); });
    EXPECT_EQ(text,
              ":10040000000102030405060708090A0B0C0D0E0F74\r\n"
              ":0104100010DB\r\n"
              ":00000001FF\r\n");
}

TEST(IntelHexFormat, RecordCountsForWholeRanges) {
    const auto zero = [](Address) { return Byte{0}; };
    const std::string small = FormatIntelHex(0x0400, 0x07FF, zero);
    EXPECT_EQ(std::count(small.begin(), small.end(), '\n'), 65);
    EXPECT_EQ(small.rfind(":10040000", 0), 0u);
    const std::string all = FormatIntelHex(0x0000, 0xFFFF, zero);
    EXPECT_EQ(std::count(all.begin(), all.end(), '\n'), 4097);
    EXPECT_EQ(FormatIntelHex(0x1234, 0x1234, zero), ":0112340000B9\r\n:00000001FF\r\n");
}

TEST(IntelHexFormat, RoundTripThroughParser) {
    const auto pattern = [](Address a) { return static_cast<Byte>(a * 7 + 3); };
    const auto parsed = ParseIntelHex(FormatIntelHex(0xFFF0, 0xFFFF, pattern));
    ASSERT_TRUE(parsed.ok);
    ASSERT_EQ(parsed.writes.size(), 16u);
    for (const HexWrite& write : parsed.writes)
        EXPECT_EQ(write.value, pattern(write.address));
}

}  // namespace
}  // namespace tarvok
