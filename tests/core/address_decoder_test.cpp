#include <gtest/gtest.h>

#include "core/address_decoder.h"
#include "core/memory_devices.h"

namespace tarvok {
namespace {

// Records what the decoder tells an open memory window.
class RecordingWindow : public MemoryListener {
public:
    void ValueChanged(Address address, Byte value) override { values.emplace_back(address, value); }
    void BreakpointChanged(Address address, bool set) override {
        breakpoints.emplace_back(address, set);
    }
    std::vector<std::pair<Address, Byte>> values;
    std::vector<std::pair<Address, bool>> breakpoints;
};

class DecoderTest : public ::testing::Test {
protected:
    DecoderTest() {
        decoder.SetOutput(&lines);
        decoder.SetBeepHandler([this] { ++beeps; });
        decoder.AddMemoryListener(&window);
    }
    AddressDecoder decoder;
    MessageLines lines;
    RecordingWindow window;
    int beeps = 0;
};

TEST_F(DecoderTest, UnmappedReadGivesFFSilently) {
    EXPECT_EQ(decoder.Read(0x4000, false), 0xFF);
    EXPECT_EQ(decoder.Read(0x4000), 0xFF);
    EXPECT_EQ(lines.LineCount(), 0u);
}

TEST_F(DecoderTest, UnmappedWriteReportsAndTellsWindowsFF) {
    decoder.Write(0x2000, 0x12);
    decoder.Write(0xDFFF, 0x34);
    ASSERT_EQ(lines.LineCount(), 2u);
    EXPECT_EQ(lines.Lines()[0],
              "Fehlerhafter Schreibversuch auf Speicherelement $2000: Element existiert nicht;");
    EXPECT_EQ(lines.Lines()[1],
              "Fehlerhafter Schreibversuch auf Speicherelement $DFFF: Element existiert nicht;");
    EXPECT_EQ(beeps, 2);
    ASSERT_EQ(window.values.size(), 2u);
    EXPECT_EQ(window.values[0], (std::pair<Address, Byte>{0x2000, 0xFF}));
}

TEST_F(DecoderTest, LaterRegistrationWinsAndRangesStopAtTop) {
    Ram ram;
    DummyRegister dummy;
    ram.SetDecoder(&decoder);
    dummy.SetDecoder(&decoder);
    ram.SetBaseAddress(0xF000);  // runs 4 KB past $FFFF: registered only up to $FFFF
    ram.Install();
    dummy.SetBaseAddress(0xF00C);
    dummy.Install();
    EXPECT_EQ(decoder.DeviceAt(0xFFFF), &ram);
    EXPECT_EQ(decoder.DeviceAt(0x0000), nullptr);
    EXPECT_EQ(decoder.DeviceAt(0xF00C), &dummy);
    EXPECT_EQ(decoder.DeviceAt(0xF00D), &ram);
    decoder.Write(0xF00C, 0x55);
    EXPECT_EQ(decoder.Read(0xF00C), 0x55);
    EXPECT_EQ(ram.ReadByte(0x000C), 0x00);
}

TEST_F(DecoderTest, FastPathMatchesModuleAccessAndNotifiesOnlyChanges) {
    Ram ram;
    ram.SetDecoder(&decoder);
    ram.Install();
    decoder.Write(0x0123, 0x42);
    decoder.Write(0x0123, 0x42);  // unchanged: no second notice
    decoder.Write(0x1FFF, 0x99);
    EXPECT_EQ(decoder.Read(0x0123), 0x42);
    EXPECT_EQ(decoder.Read(0x1FFF, true), 0x99);
    ASSERT_EQ(window.values.size(), 2u);
    EXPECT_EQ(window.values[0], (std::pair<Address, Byte>{0x0123, 0x42}));
    EXPECT_EQ(window.values[1], (std::pair<Address, Byte>{0x1FFF, 0x99}));
}

TEST_F(DecoderTest, PageSharedWithAnotherModuleIsNotServedFromStorage) {
    Rom rom;
    DummyRegister dummy;
    rom.SetDecoder(&decoder);
    dummy.SetDecoder(&decoder);
    rom.Install();
    dummy.SetBaseAddress(0xF080);
    dummy.Install();
    decoder.Write(0xF080, 0x77);
    EXPECT_EQ(decoder.Read(0xF080), 0x77);
    EXPECT_EQ(decoder.Read(0xF081), 0x00);  // still the ROM
}

TEST_F(DecoderTest, BreakpointNoticesOnlyOnChange) {
    decoder.SetBreakpoint(0x0400, true);
    decoder.SetBreakpoint(0x0400, true);
    EXPECT_TRUE(decoder.HasBreakpoint(0x0400));
    decoder.ClearAllBreakpoints();
    EXPECT_FALSE(decoder.HasBreakpoint(0x0400));
    ASSERT_EQ(window.breakpoints.size(), 2u);
    EXPECT_EQ(window.breakpoints[0], (std::pair<Address, bool>{0x0400, true}));
    EXPECT_EQ(window.breakpoints[1], (std::pair<Address, bool>{0x0400, false}));
}

TEST_F(DecoderTest, RemovedWindowHearsNothing) {
    decoder.RemoveMemoryListener(&window);
    decoder.Write(0x3000, 1);
    decoder.SetBreakpoint(1, true);
    EXPECT_TRUE(window.values.empty());
    EXPECT_TRUE(window.breakpoints.empty());
}

TEST_F(DecoderTest, OutputFieldKeepsAtMostMaxMemoLines) {
    decoder.SetMaxOutputLines(1000);
    for (int i = 1; i <= 1001; ++i)
        decoder.ShowMessage("line " + std::to_string(i));
    ASSERT_EQ(lines.LineCount(), 1000u);
    EXPECT_EQ(lines.Lines().front(), "line 2");
    EXPECT_EQ(lines.Lines().back(), "line 1001");
}

TEST_F(DecoderTest, BeepFollowsBeepOnMessageAndSoundsWithoutOutputField) {
    decoder.SetBeepOnMessage(false);
    decoder.ShowMessage("quiet");
    EXPECT_EQ(beeps, 0);
    EXPECT_EQ(lines.Lines().back(), "quiet");
    decoder.SetBeepOnMessage(true);
    decoder.SetOutput(nullptr);
    decoder.ShowMessage("dropped");
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(lines.LineCount(), 1u);
}

}  // namespace
}  // namespace tarvok
