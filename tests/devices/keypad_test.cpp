#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "core/address_decoder.h"
#include "core/output_sink.h"
#include "devices/keypad.h"

namespace tarvok {
namespace {

class KeyboardMemoryWindow : public MemoryListener {
public:
    void ValueChanged(Address address, Byte value) override {
        changes.emplace_back(address, value);
    }
    void BreakpointChanged(Address, bool) override {}
    std::vector<std::pair<Address, Byte>> changes;
};

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        decoder.SetOutput(&lines);
        decoder.SetBeepHandler([] {});
        decoder.AddMemoryListener(&window);
        keyboard.SetDecoder(&decoder);
        keyboard.Install();
    }
    void TearDown() override { decoder.RemoveMemoryListener(&window); }

    AddressDecoder decoder;
    MessageLines lines;
    KeyboardMemoryWindow window;
    Keypad keyboard;
};

TEST_F(KeyboardTest, IdleKeypadReadsF0AndHeldKeysSetTheirRowBits) {
    for (Address a = 0xF010; a <= 0xF017; ++a)
        EXPECT_EQ(decoder.Read(a, false), 0xF0);
    keyboard.Press(2, 1);  // data key 5
    keyboard.Press(6, 2);  // function key Go
    EXPECT_EQ(decoder.Read(0xF012, false), 0xF2);
    EXPECT_EQ(decoder.Read(0xF016, false), 0xF4);
    keyboard.Press(2, 3);
    EXPECT_EQ(keyboard.KeyByte(2), 0xFA);
    keyboard.Release(2, 1);
    EXPECT_EQ(keyboard.KeyByte(2), 0xF8);
    keyboard.Reset();
    EXPECT_EQ(keyboard.KeyByte(2), 0xF8);  // a reset lets no key go
    EXPECT_EQ(keyboard.KeyByte(8), 0);
    EXPECT_EQ(keyboard.KeyByte(-1), 0);
}

TEST_F(KeyboardTest, MemoryWindowsHearOnlyRealChanges) {
    keyboard.Press(1, 0);
    keyboard.Press(1, 0);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(Address{0xF011}, Byte{0xF1}));
    keyboard.SetKeyByte(9, 0x00);
    EXPECT_EQ(window.changes.size(), 1u);
}

TEST_F(KeyboardTest, BusWriteIsRefusedWithMessage) {
    keyboard.Press(3, 2);
    window.changes.clear();
    decoder.Write(0xF013, 0x00);
    EXPECT_EQ(keyboard.KeyByte(3), 0xF4);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(Address{0xF013}, Byte{0xF4}));
    ASSERT_EQ(lines.Lines().size(), 1u);
    EXPECT_EQ(lines.Lines()[0],
              "Fehlerhafter Schreibversuch auf Tastatur-Speicherelement $F013: Element kann nur "
              "gelesen werden;");
}

TEST_F(KeyboardTest, ReleaseCallsHookWithMaskPressDoesNot) {
    std::vector<std::pair<int, Byte>> releases;
    keyboard.SetReleaseHook(
        [&releases](int column, Byte mask) { releases.emplace_back(column, mask); });
    keyboard.Press(1, 0);
    EXPECT_TRUE(releases.empty());
    keyboard.Release(1, 0);
    keyboard.Release(6, 3);
    ASSERT_EQ(releases.size(), 2u);
    EXPECT_EQ(releases[0], std::make_pair(1, Byte{0xFE}));
    EXPECT_EQ(releases[1], std::make_pair(6, Byte{0xF7}));
    EXPECT_EQ(RemoteKeyCode(releases[0].first, releases[0].second), 24);  // key 0
}

TEST(KeyboardRemoteCode, MatchesTheBoardsKeyNumbers) {
    // Rows 3, 2, 1, 0 per column.
    const int expected[7][4] = {{25, 27, 26, 28}, {21, 23, 22, 24}, {17, 19, 18, 20},
                                {13, 15, 14, 16}, {9, 11, 10, 12},  {5, 7, 6, 8},
                                {1, 3, 2, 4}};
    const std::uint8_t masks[4] = {0xF7, 0xFB, 0xFD, 0xFE};
    for (int position = 0; position < 7; ++position) {
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(RemoteKeyCode(position, masks[row]), expected[position][row])
                << "position " << position << " row " << row;
        }
    }
}

TEST(KeyboardKeypad, KeyTableCoversTheMatrixOnce) {
    std::set<std::pair<int, int>> cells;
    for (int i = 0; i < kKeypadKeyCount; ++i) {
        const KeypadCell cell = KeypadKeyCell(static_cast<KeypadKey>(i));
        if (cell.inMatrix) {
            EXPECT_TRUE(cells.insert({cell.column, cell.row}).second);
        }
    }
    EXPECT_EQ(cells.size(), 28u);
    EXPECT_EQ(KeypadKeyCell(KeypadKey::Go).column, 6);
    EXPECT_EQ(KeypadKeyCell(KeypadKey::Go).row, 2);
    EXPECT_EQ(KeypadKeyCell(KeypadKey::DataA).column, 3);
    EXPECT_EQ(KeypadKeyCell(KeypadKey::DataA).row, 2);
    EXPECT_FALSE(KeypadKeyCell(KeypadKey::Break).inMatrix);
    EXPECT_EQ(HexDigitKey(0xB), KeypadKey::DataB);
}

}  // namespace
}  // namespace tarvok
