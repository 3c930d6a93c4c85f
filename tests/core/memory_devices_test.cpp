#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/address_decoder.h"
#include "core/memory_devices.h"

namespace tarvok {
namespace {

class MemoryDevicesTest : public ::testing::Test {
protected:
    MemoryDevicesTest() {
        decoder.SetOutputMemo(&lines);
        decoder.SetBeepOnMessage(false);
        rom.SetAddressDecoder(&decoder);
        rom.SetDefaultImage(defaultImage);
    }
    std::string TempFile(const std::string& name) {
        const auto path =
            std::filesystem::temp_directory_path() /
            ("tarvok_rom_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "_" + name);
        created.push_back(path.string());
        return path.string();
    }
    ~MemoryDevicesTest() override {
        for (const auto& path : created)
            std::filesystem::remove_all(path);
    }
    void WriteFile(const std::string& path, std::size_t size, Byte fill) {
        std::ofstream(path, std::ios::binary) << std::string(size, static_cast<char>(fill));
    }

    TAddressDecoder decoder;
    TMessageLines lines;
    TRomModule rom;
    std::array<Byte, 8192> defaultImage = [] {
        std::array<Byte, 8192> image{};
        image.fill(0xAA);
        image[0x1FFE] = 0xE0;
        image[0x1FFF] = 0x00;
        return image;
    }();
    std::vector<std::string> created;
};

TEST_F(MemoryDevicesTest, ShortRomFileFillsOnlyItsBytes) {
    const std::string path = TempFile("short.rom");
    WriteFile(path, 100, 0x5A);
    rom.SetRomFile(path);
    rom.Loaded();
    EXPECT_TRUE(rom.LoadedFromFile());
    EXPECT_EQ(decoder.Read(0xE000), 0x5A);
    EXPECT_EQ(decoder.Read(0xE063), 0x5A);
    EXPECT_EQ(decoder.Read(0xE064), 0x00);
    EXPECT_EQ(decoder.Read(0xFFFF), 0x00);
}

TEST_F(MemoryDevicesTest, LongRomFileContributesItsFirst8K) {
    const std::string path = TempFile("long.rom");
    WriteFile(path, 10000, 0x11);
    rom.SetRomFile(path);
    rom.Loaded();
    EXPECT_EQ(decoder.Read(0xFFFF), 0x11);
}

TEST_F(MemoryDevicesTest, MissingOrUnreadableRomFileFallsBackSilently) {
    for (const std::string& path : {TempFile("missing.rom"), TempFile("dir.rom")}) {
        if (path.ends_with("dir.rom")) std::filesystem::create_directory(path);
        TAddressDecoder bus;
        TRomModule fallback;
        fallback.SetAddressDecoder(&bus);
        fallback.SetDefaultImage(defaultImage);
        fallback.SetRomFile(path);
        fallback.Loaded();
        EXPECT_FALSE(fallback.LoadedFromFile()) << path;
        EXPECT_EQ(bus.Read(0xFFFE), 0xE0) << path;
        EXPECT_EQ(bus.Read(0xFFFF), 0x00) << path;
        EXPECT_EQ(bus.Read(0xE000), 0xAA) << path;
    }
    EXPECT_EQ(lines.LineCount(), 0u);
}

TEST_F(MemoryDevicesTest, EmptyRomFileNameLoadsNothing) {
    rom.Loaded();
    EXPECT_EQ(decoder.Read(0xFFFE), 0x00);
}

TEST_F(MemoryDevicesTest, RomRefusesWritesWithMessage) {
    rom.SetRomFile(TempFile("missing2.rom"));
    rom.Loaded();
    decoder.SetValue(0xE100, 0x12);
    decoder.Write(0xE101, 0x12);
    EXPECT_EQ(decoder.Read(0xE100), 0xAA);
    ASSERT_EQ(lines.LineCount(), 2u);
    EXPECT_EQ(lines.Lines()[0],
              "Fehlerhafter Schreibversuch auf ROM-Speicherelement $E100: Element kann nur "
              "gelesen werden;");
}

TEST_F(MemoryDevicesTest, RamStartsZeroAndKeepsWrites) {
    TRamModule ram;
    ram.SetAddressDecoder(&decoder);
    ram.Loaded();
    EXPECT_EQ(decoder.Read(0x1FFF), 0);
    decoder.SetValue(0x1FFF, 0xAB);
    ram.Reset();
    EXPECT_EQ(decoder.GetValue(0x1FFF, true), 0xAB);
    EXPECT_EQ(ram.ReadByte(9000), 0);  // outside the storage
}

TEST_F(MemoryDevicesTest, DummyRegistersAreIndependentAndSilent) {
    TDummyRegModule first, second;
    first.SetAddressDecoder(&decoder);
    second.SetAddressDecoder(&decoder);
    first.SetBaseAddress(0xF00C);
    second.SetBaseAddress(0xF00D);
    first.Loaded();
    second.Loaded();
    decoder.SetValue(0xF00C, 0x12);
    EXPECT_EQ(decoder.GetValue(0xF00C, false), 0x12);
    EXPECT_EQ(decoder.GetValue(0xF00D, false), 0x00);
    first.Reset();
    EXPECT_EQ(decoder.GetValue(0xF00C, true), 0x12);
    EXPECT_EQ(lines.LineCount(), 0u);
}

}  // namespace
}  // namespace tarvok

#include "core/file_util.h"

namespace tarvok {
namespace {

TEST(FileUtil, ReadRefusesMissingDirectoriesAndTooLargeFiles) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("tarvok_fileutil_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "data.bin").string();
    std::ofstream(file, std::ios::binary) << std::string(20, 'x');
    std::string content, error;
    EXPECT_TRUE(ReadWholeFile(file, content, error, 20));
    EXPECT_EQ(content.size(), 20u);
    EXPECT_FALSE(ReadWholeFile(file, content, error, 19));
    EXPECT_EQ(error, "file is too large");
    EXPECT_TRUE(content.empty());
    EXPECT_FALSE(ReadWholeFile(dir.string(), content, error));
    EXPECT_FALSE(ReadWholeFile((dir / "missing").string(), content, error));
    EXPECT_FALSE(error.empty());
    std::filesystem::remove_all(dir);
}

TEST(FileUtil, AtomicWriteReplacesOnlyWhenComplete) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("tarvok_atomic_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string file = (dir / "out.txt").string();
    std::string error;
    ASSERT_TRUE(WriteFileAtomically(file, "first", error));
    ASSERT_TRUE(WriteFileAtomically(file, "second", error));
    std::ifstream in(file);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "second");
    EXPECT_FALSE(std::filesystem::exists(file + ".tmp~"));
    EXPECT_FALSE(WriteFileAtomically((dir / "no" / "such" / "dir.txt").string(), "x", error));
    EXPECT_FALSE(error.empty());
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tarvok
