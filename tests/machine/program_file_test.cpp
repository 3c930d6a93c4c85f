#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/address_decoder.h"
#include "core/memory_devices.h"
#include "core/output_sink.h"
#include "machine/program_file.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

class ProgramFileTest : public ::testing::Test {
protected:
    ProgramFileTest() {
        decoder.SetOutput(&lines);
        ram.SetDecoder(&decoder);
        ram.Install();
    }
    std::string Write(const std::string& name, const std::string& text) {
        return temp.Write(name, text);
    }
    AddressDecoder decoder;
    MessageLines lines;
    Ram ram;
    test::TempDir temp;
    const std::filesystem::path& dir = temp.Dir();
};

TEST_F(ProgramFileTest, LaterRecordWinsWhenRecordsOverlap) {
    const auto result =
        LoadProgramFile(decoder, Write("a.hex", ":0104000012E9\n:0104000034C7\n:00000001FF\n"));
    ASSERT_TRUE(result);
    EXPECT_EQ(decoder.Read(0x0400), 0x34);
}

TEST_F(ProgramFileTest, RejectedFileLeavesMemoryUnchanged) {
    decoder.Write(0x0400, 0x77);
    const std::string path = Write("bad.hex", ":0104000012E9\n:0104010034C7\n:00000001FF\n");
    const auto result = LoadProgramFile(decoder, path);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.Line(), 2u);
    EXPECT_EQ(decoder.Read(0x0400), 0x77);
    EXPECT_EQ(decoder.Read(0x0401), 0x00);
    EXPECT_EQ(result.Message().caption, "Fehler beim Laden!");
    EXPECT_EQ(result.Message().text,
              "Beim Laden der Datei '" + path +
                  "' ist ein Fehler aufgetreten: Die Datei hat kein gültiges Intel Hex-Format! "
                  "Der Inhalt des Systemspeichers wurde nicht verändert.");
}

TEST_F(ProgramFileTest, UnreadableFileHasItsOwnMessage) {
    const std::string path = (dir / "missing.hex").string();
    const auto result = LoadProgramFile(decoder, path);
    EXPECT_FALSE(result);
    EXPECT_EQ(result.Reason(), "No such file or directory");
    EXPECT_EQ(result.Message().text, "Beim Laden der Datei '" + path +
                                         "' ist ein Fehler aufgetreten! Der Inhalt des "
                                         "Systemspeichers wurde nicht verändert.");
}

TEST_F(ProgramFileTest, LoadingIntoUnmappedAddressReportsAndGoesOn) {
    const auto result =
        LoadProgramFile(decoder, Write("u.hex", ":02200000123498\n:0104000056A5\n:00000001FF\n"));
    EXPECT_TRUE(result);
    EXPECT_EQ(decoder.Read(0x0400), 0x56);
    EXPECT_EQ(lines.LineCount(), 2u);
}

TEST_F(ProgramFileTest, SaveThenLoadGivesBackTheSameBytes) {
    for (unsigned a = 0x400; a < 0x480; ++a)
        decoder.Write(a, static_cast<Byte>(a ^ 0x5A));
    const std::string path = (dir / "out.hex").string();
    ASSERT_TRUE(SaveProgramFile(decoder, 0x0400, 0x047F, path));
    std::vector<Byte> before(ram.Storage().begin(), ram.Storage().end());
    for (unsigned a = 0x400; a < 0x480; ++a)
        decoder.Write(a, 0);
    ASSERT_TRUE(LoadProgramFile(decoder, path));
    EXPECT_TRUE(std::equal(before.begin(), before.end(), ram.Storage().begin()));
}

TEST_F(ProgramFileTest, FailedSaveKeepsTheOldFile) {
    const std::string path = Write("keep.hex", "old");
    std::filesystem::create_directory(path + ".tmp~");  // the temporary cannot be created
    const Status saved = SaveProgramFile(decoder, 0, 15, path);
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.Message().caption, "Fehler beim Speichern!");
    EXPECT_NE(saved.Message().text.find("ordnungsgemäß abgeschlossen."), std::string::npos);
    EXPECT_FALSE(saved.Reason().empty());
    EXPECT_EQ(test::TempDir::Read(path), "old");
}

TEST_F(ProgramFileTest, SRecordsLoadAndSaveLikeIntelHex) {
    // Chosen by the extension, or by the first character of another file.
    ASSERT_TRUE(LoadProgramFile(decoder, Write("a.s19", "S10504001234B0\nS9030000FC\n")));
    EXPECT_EQ(decoder.Read(0x0401), 0x34);
    ASSERT_TRUE(LoadProgramFile(decoder, Write("b.txt", "S1040402AA4B\nS9030000FC\n")));
    EXPECT_EQ(decoder.Read(0x0402), 0xAA);

    const std::string path = (dir / "saved.s19").string();
    ASSERT_TRUE(SaveProgramFile(decoder, 0x0400, 0x0402, path));
    EXPECT_EQ(test::TempDir::Read(path).substr(0, 2), "S0");
    for (Address a = 0x0400; a <= 0x0402; ++a)
        decoder.Write(a, 0);
    ASSERT_TRUE(LoadProgramFile(decoder, path));
    EXPECT_EQ(decoder.Read(0x0400), 0x12);
    EXPECT_EQ(decoder.Read(0x0402), 0xAA);

    // The last record is faulty: nothing of the file reaches memory.
    const std::string bad = Write("bad.s19", "S1050500ABCD7D\nS10505011200\nS9030000FC\n");
    const Status failed = LoadProgramFile(decoder, bad);
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.Line(), 2u);
    EXPECT_EQ(decoder.Read(0x0500), 0x00);
    EXPECT_NE(failed.Message().text.find("kein gültiges Motorola S-Record-Format!"),
              std::string::npos);
}

TEST_F(ProgramFileTest, SymbolsComeFromTheFileBesideTheProgram) {
    SymbolTable symbols;
    symbols.Add("OLD", 0x0400);
    const std::string program = Write("p.hex", ":00000001FF\n");
    ASSERT_TRUE(LoadSymbolsBeside(program, symbols));
    EXPECT_TRUE(symbols.Empty());  // no symbol file: the old labels are gone

    Write("p.sym", "START $0400\n");
    ASSERT_TRUE(LoadSymbolsBeside(program, symbols));
    EXPECT_EQ(symbols.AddressOf("START"), Address{0x0400});

    Write("p.sym", "START $0400\nBROKEN\n");
    const Status failed = LoadSymbolsBeside(program, symbols);
    EXPECT_FALSE(failed);
    EXPECT_EQ(failed.Line(), 2u);
    EXPECT_EQ(symbols.Size(), 1u);
    EXPECT_EQ(failed.Message().caption, "Fehler beim Laden!");
}

TEST(SaveRange, AcceptsHexAndRejectsBadOrSwappedInput) {
    UserMessage error;
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
