#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/address_decoder.h"
#include "core/intel_hex.h"
#include "core/memory_devices.h"
#include "core/program_file.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

std::vector<std::pair<unsigned, unsigned>> Writes(const THexParseResult& result) {
    std::vector<std::pair<unsigned, unsigned>> writes;
    for (const THexWrite& write : result.writes)
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
    for (const THexWrite& write : parsed.writes)
        EXPECT_EQ(write.value, pattern(write.address));
}

class ProgramFileTest : public ::testing::Test {
protected:
    ProgramFileTest() {
        decoder.SetOutputMemo(&lines);
        ram.SetAddressDecoder(&decoder);
        ram.Loaded();
    }
    std::string Write(const std::string& name, const std::string& text) {
        return temp.Write(name, text);
    }
    TAddressDecoder decoder;
    TMessageLines lines;
    TRamModule ram;
    test::TTempDir temp;
    const std::filesystem::path& dir = temp.Dir();
};

TEST_F(ProgramFileTest, LaterRecordWinsWhenRecordsOverlap) {
    const auto result =
        LoadProgramFile(decoder, Write("a.hex", ":0104000012E9\n:0104000034C7\n:00000001FF\n"));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(decoder.Read(0x0400), 0x34);
}

TEST_F(ProgramFileTest, RejectedFileLeavesMemoryUnchanged) {
    decoder.SetValue(0x0400, 0x77);
    const std::string path = Write("bad.hex", ":0104000012E9\n:0104010034C7\n:00000001FF\n");
    const auto result = LoadProgramFile(decoder, path);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorLine, 2u);
    EXPECT_EQ(decoder.Read(0x0400), 0x77);
    EXPECT_EQ(decoder.Read(0x0401), 0x00);
    ASSERT_TRUE(result.message);
    EXPECT_EQ(result.message->caption, "Fehler beim Laden!");
    EXPECT_EQ(result.message->text,
              "Beim Laden der Datei '" + path +
                  "' ist ein Fehler aufgetreten: Die Datei hat kein gültiges Intel Hex-Format! "
                  "Der Inhalt des Systemspeichers wurde nicht verändert.");
}

TEST_F(ProgramFileTest, UnreadableFileHasItsOwnMessage) {
    const std::string path = (dir / "missing.hex").string();
    const auto result = LoadProgramFile(decoder, path);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.message->text, "Beim Laden der Datei '" + path +
                                        "' ist ein Fehler aufgetreten! Der Inhalt des "
                                        "Systemspeichers wurde nicht verändert.");
}

TEST_F(ProgramFileTest, LoadingIntoUnmappedAddressReportsAndGoesOn) {
    const auto result =
        LoadProgramFile(decoder, Write("u.hex", ":02200000123498\n:0104000056A5\n:00000001FF\n"));
    EXPECT_TRUE(result.ok);
    EXPECT_EQ(decoder.Read(0x0400), 0x56);
    EXPECT_EQ(lines.LineCount(), 2u);
}

TEST_F(ProgramFileTest, SaveThenLoadGivesBackTheSameBytes) {
    for (unsigned a = 0x400; a < 0x480; ++a)
        decoder.SetValue(a, static_cast<Byte>(a ^ 0x5A));
    const std::string path = (dir / "out.hex").string();
    ASSERT_FALSE(SaveProgramFile(decoder, 0x0400, 0x047F, path));
    std::vector<Byte> before(ram.Storage().begin(), ram.Storage().end());
    for (unsigned a = 0x400; a < 0x480; ++a)
        decoder.SetValue(a, 0);
    ASSERT_TRUE(LoadProgramFile(decoder, path).ok);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), ram.Storage().begin()));
}

TEST_F(ProgramFileTest, FailedSaveKeepsTheOldFile) {
    const std::string path = Write("keep.hex", "old");
    std::filesystem::create_directory(path + ".tmp~");  // the temporary cannot be created
    const auto error = SaveProgramFile(decoder, 0, 15, path);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->caption, "Fehler beim Speichern!");
    EXPECT_NE(error->text.find("ordnungsgemäß abgeschlossen."), std::string::npos);
    EXPECT_EQ(test::TTempDir::Read(path), "old");
}

TEST(SaveRange, AcceptsHexAndRejectsBadOrSwappedInput) {
    TUserMessage error;
    const auto range = ParseSaveRange("0400", "07ff", &error);
    ASSERT_TRUE(range);
    EXPECT_EQ(range->first, 0x0400);
    EXPECT_EQ(range->last, 0x07FF);
    EXPECT_TRUE(ParseSaveRange("0400", "0400", &error));
    EXPECT_FALSE(ParseSaveRange("0500", "04FF", &error));
    EXPECT_EQ(error.caption, "Fehlerhafte Eingabewerte!");
    EXPECT_EQ(error.text,
              "Bei den von Ihnen eingegebenen Werten (0x0500 und 0x04FF) handelt es sich nicht um "
              "vierstellige Speicheradressen im hexadezimalen Format oder Start- und Endadresse "
              "sind vertauscht!");
    EXPECT_FALSE(ParseSaveRange("04G0", "0500", &error));
    EXPECT_FALSE(ParseSaveRange("", "0500", &error));
}

}  // namespace
}  // namespace tarvok
