#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "core/address_decoder.h"
#include "core/memory_devices.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

class MemoryDevicesTest : public ::testing::Test {
protected:
    MemoryDevicesTest() {
        decoder.SetOutput(&lines);
        decoder.SetBeepOnMessage(false);
        rom.SetDecoder(&decoder);
        rom.SetDefaultImage(defaultImage);
    }
    std::string TempFile(const std::string& name) const { return temp.Path(name); }
    void WriteFile(const std::string& path, std::size_t size, Byte fill) {
        std::ofstream(path, std::ios::binary) << std::string(size, static_cast<char>(fill));
    }

    AddressDecoder decoder;
    MessageLines lines;
    Rom rom;
    std::array<Byte, 8192> defaultImage = [] {
        std::array<Byte, 8192> image{};
        image.fill(0xAA);
        image[0x1FFE] = 0xE0;
        image[0x1FFF] = 0x00;
        return image;
    }();
    test::TempDir temp;
};

TEST_F(MemoryDevicesTest, ShortRomFileFillsOnlyItsBytes) {
    const std::string path = TempFile("short.rom");
    WriteFile(path, 100, 0x5A);
    rom.SetRomFile(path);
    rom.Install();
    EXPECT_TRUE(rom.FileStatus());
    EXPECT_EQ(decoder.Read(0xE000), 0x5A);
    EXPECT_EQ(decoder.Read(0xE063), 0x5A);
    EXPECT_EQ(decoder.Read(0xE064), 0x00);
    EXPECT_EQ(decoder.Read(0xFFFF), 0x00);
}

TEST_F(MemoryDevicesTest, LongRomFileContributesItsFirst8K) {
    const std::string path = TempFile("long.rom");
    WriteFile(path, 10000, 0x11);
    rom.SetRomFile(path);
    rom.Install();
    EXPECT_EQ(decoder.Read(0xFFFF), 0x11);
}

TEST_F(MemoryDevicesTest, MissingOrUnreadableRomFileFallsBackSilently) {
    for (const std::string& path : {TempFile("missing.rom"), TempFile("dir.rom")}) {
        if (path.ends_with("dir.rom")) std::filesystem::create_directory(path);
        AddressDecoder bus;
        Rom fallback;
        fallback.SetDecoder(&bus);
        fallback.SetDefaultImage(defaultImage);
        fallback.SetRomFile(path);
        fallback.Install();
        EXPECT_FALSE(fallback.FileStatus()) << path;
        EXPECT_FALSE(fallback.FileStatus().Reason().empty()) << path;
        EXPECT_EQ(bus.Read(0xFFFE), 0xE0) << path;
        EXPECT_EQ(bus.Read(0xFFFF), 0x00) << path;
        EXPECT_EQ(bus.Read(0xE000), 0xAA) << path;
    }
    EXPECT_EQ(lines.LineCount(), 0u);
}

TEST_F(MemoryDevicesTest, EmptyRomFileNameLoadsNothing) {
    rom.Install();
    EXPECT_EQ(decoder.Read(0xFFFE), 0x00);
}

// Shows what the memory windows are told.
class NoticeRecorder : public MemoryListener {
public:
    void ValueChanged(Address address, Byte value) override {
        notices.emplace_back(address, value);
    }
    void BreakpointChanged(Address, bool) override {}
    std::vector<std::pair<Address, Byte>> notices;
};

TEST_F(MemoryDevicesTest, RomRefusesWritesWithMessage) {
    rom.SetRomFile(TempFile("missing2.rom"));
    rom.Install();
    NoticeRecorder window;
    decoder.AddMemoryListener(&window);
    decoder.Write(0xE100, 0x12);
    decoder.Write(0xE101, 0x12);
    EXPECT_EQ(decoder.Read(0xE100), 0xAA);
    ASSERT_EQ(lines.LineCount(), 2u);
    EXPECT_EQ(lines.Lines()[0],
              "Fehlerhafter Schreibversuch auf ROM-Speicherelement $E100: Element kann nur "
              "gelesen werden;");
    // A window in which the user typed over a ROM cell is shown the true content again.
    const std::vector<std::pair<Address, Byte>> expected{{0xE100, 0xAA}, {0xE101, 0xAA}};
    EXPECT_EQ(window.notices, expected);
    decoder.RemoveMemoryListener(&window);
}

TEST_F(MemoryDevicesTest, RamStartsZeroAndKeepsWrites) {
    Ram ram;
    ram.SetDecoder(&decoder);
    ram.Install();
    EXPECT_EQ(decoder.Read(0x1FFF), 0);
    decoder.Write(0x1FFF, 0xAB);
    ram.Reset();
    EXPECT_EQ(decoder.Read(0x1FFF, true), 0xAB);
    EXPECT_EQ(ram.ReadByte(9000), 0);  // outside the storage
}

TEST_F(MemoryDevicesTest, DummyRegistersAreIndependentAndSilent) {
    DummyRegister first, second;
    first.SetDecoder(&decoder);
    second.SetDecoder(&decoder);
    first.SetBaseAddress(0xF00C);
    second.SetBaseAddress(0xF00D);
    first.Install();
    second.Install();
    decoder.Write(0xF00C, 0x12);
    EXPECT_EQ(decoder.Read(0xF00C, false), 0x12);
    EXPECT_EQ(decoder.Read(0xF00D, false), 0x00);
    first.Reset();
    EXPECT_EQ(decoder.Read(0xF00C, true), 0x12);
    EXPECT_EQ(lines.LineCount(), 0u);
}

}  // namespace
}  // namespace tarvok
