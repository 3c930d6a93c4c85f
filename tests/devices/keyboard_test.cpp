#include <gtest/gtest.h>

#include <set>
#include <utility>
#include <vector>

#include "core/address_decoder.h"
#include "core/output_sink.h"
#include "devices/keyboard.h"

namespace tarvok {
namespace {

class KeyboardMemoryWindow : public TMemoryWindowListener {
public:
    void ValueChanged(Address address, Byte value) override {
        changes.emplace_back(address, value);
    }
    void BreakpointChanged(Address, bool) override {}
    std::vector<std::pair<Address, Byte>> changes;
};

std::vector<std::pair<std::int8_t, std::uint8_t>> gReleases;
void RecordRelease(std::int8_t position, std::uint8_t mask) {
    gReleases.emplace_back(position, mask);
}

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        decoder.SetOutputMemo(&lines);
        decoder.SetBeepHandler([] {});
        decoder.AddMemoryWindow(&window);
        keyboard.SetAddressDecoder(&decoder);
        keyboard.Loaded();
        gReleases.clear();
    }
    void TearDown() override { decoder.RemoveMemWndPtr(&window); }

    TAddressDecoder decoder;
    TMessageLines lines;
    KeyboardMemoryWindow window;
    TKeyboardModule keyboard;
};

TEST_F(KeyboardTest, IdleKeypadReadsF0AndHeldKeysSetTheirRowBits) {
    for (Address a = 0xF010; a <= 0xF017; ++a)
        EXPECT_EQ(decoder.GetValue(a, false), 0xF0);
    keyboard.KeyPressed(kbp2, kbvX2);  // data key 5
    keyboard.KeyPressed(kbp6, kbvX4);  // function key Go
    EXPECT_EQ(decoder.GetValue(0xF012, false), 0xF2);
    EXPECT_EQ(decoder.GetValue(0xF016, false), 0xF4);
    keyboard.KeyPressed(kbp2, kbvX8);
    EXPECT_EQ(keyboard.GetMemory(2), 0xFA);
    keyboard.KeyReleased(kbp2, kbvX2);
    EXPECT_EQ(keyboard.GetMemory(2), 0xF8);
    keyboard.Reset();
    EXPECT_EQ(keyboard.GetMemory(2), 0xF8);  // a reset lets no key go
    EXPECT_EQ(keyboard.GetMemory(8), 0);
    EXPECT_EQ(keyboard.GetMemory(-1), 0);
}

TEST_F(KeyboardTest, MemoryWindowsHearOnlyRealChanges) {
    keyboard.KeyPressed(kbp1, kbvX1);
    keyboard.KeyPressed(kbp1, kbvX1);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(Address{0xF011}, Byte{0xF1}));
    keyboard.SetMemory(9, 0x00);
    EXPECT_EQ(window.changes.size(), 1u);
}

TEST_F(KeyboardTest, BusWriteIsRefusedWithMessage) {
    keyboard.KeyPressed(kbp3, kbvX4);
    window.changes.clear();
    decoder.SetValue(0xF013, 0x00);
    EXPECT_EQ(keyboard.GetMemory(3), 0xF4);
    ASSERT_EQ(window.changes.size(), 1u);
    EXPECT_EQ(window.changes[0], std::make_pair(Address{0xF013}, Byte{0xF4}));
    ASSERT_EQ(lines.Lines().size(), 1u);
    EXPECT_EQ(lines.Lines()[0],
              "Fehlerhafter Schreibversuch auf Tastatur-Speicherelement $F013: Element kann nur "
              "gelesen werden;");
}

TEST_F(KeyboardTest, ReleaseCallsHookWithMaskPressDoesNot) {
    keyboard.SetKeyReleasedHook(&RecordRelease);
    keyboard.KeyPressed(kbp1, kbvX1);
    EXPECT_TRUE(gReleases.empty());
    keyboard.KeyReleased(kbp1, kbvX1);
    keyboard.KeyReleased(kbp6, kbvX8);
    ASSERT_EQ(gReleases.size(), 2u);
    EXPECT_EQ(gReleases[0], std::make_pair(std::int8_t{1}, std::uint8_t{0xFE}));
    EXPECT_EQ(gReleases[1], std::make_pair(std::int8_t{6}, std::uint8_t{0xF7}));
    EXPECT_EQ(RemoteKeyCode(gReleases[0].first, gReleases[0].second), 24);  // key 0
}

TEST(KeyboardRemoteCode, MatchesTheBoardsKeyNumbers) {
    // Rows kbvX8, kbvX4, kbvX2, kbvX1 per column.
    const int expected[7][4] = {{25, 27, 26, 28}, {21, 23, 22, 24}, {17, 19, 18, 20},
                                {13, 15, 14, 16}, {9, 11, 10, 12},  {5, 7, 6, 8},
                                {1, 3, 2, 4}};
    const std::uint8_t masks[4] = {0xF7, 0xFB, 0xFD, 0xFE};
    for (int position = 0; position < 7; ++position) {
        for (int row = 0; row < 4; ++row) {
            EXPECT_EQ(RemoteKeyCode(static_cast<std::int8_t>(position), masks[row]),
                      expected[position][row])
                << "position " << position << " row " << row;
        }
    }
}

TEST(KeyboardKeypad, KeyTableCoversTheMatrixOnce) {
    std::set<std::pair<int, int>> cells;
    int data = 0, function = 0, special = 0;
    for (const TKeypadKeyInfo& info : KeypadKeys()) {
        EXPECT_EQ(&KeypadKeyInfo(info.key), &info);
        if (info.kind == TKeypadKeyKind::DataKey) ++data;
        if (info.kind == TKeypadKeyKind::FunctionKey) ++function;
        if (info.kind == TKeypadKeyKind::SpecialKey) ++special;
        EXPECT_EQ(info.inMatrix, info.kind != TKeypadKeyKind::SpecialKey);
        if (info.inMatrix) {
            EXPECT_TRUE(cells.insert({info.position, info.value}).second);
        }
    }
    EXPECT_EQ(data, 16);
    EXPECT_EQ(function, 12);
    EXPECT_EQ(special, 2);
    EXPECT_EQ(cells.size(), 28u);
    const TKeypadKeyInfo& go = KeypadKeyInfo(TKeypadKey::Go);
    EXPECT_EQ(go.position, kbp6);
    EXPECT_EQ(go.value, kbvX4);
    EXPECT_STREQ(KeypadKeyInfo(TKeypadKey::Insert).caption, "F1");
    EXPECT_STREQ(KeypadKeyInfo(TKeypadKey::Insert).meaning, "Insert");
    EXPECT_STREQ(KeypadKeyKindName(TKeypadKeyKind::FunctionKey), "Funktionstaste");
    EXPECT_EQ(KeypadKeyColor(TKeypadKey::DataA), 0xC0C0C0u);
    EXPECT_EQ(KeypadKeyColor(TKeypadKey::Clear), 0x0000FFu);
}

TEST(KeyboardPcKeys, KeyDownFollowsCtrl) {
    using K = TKeypadKey;
    EXPECT_EQ(PcKeyDown(48, false, false), K::Data0);
    EXPECT_EQ(PcKeyDown(57, false, false), K::Data9);
    EXPECT_EQ(PcKeyDown(96, false, false), K::Data0);
    EXPECT_EQ(PcKeyDown(105, false, false), K::Data9);
    EXPECT_EQ(PcKeyDown(65, false, false), K::DataA);
    EXPECT_EQ(PcKeyDown(70, false, false), K::DataF);
    EXPECT_EQ(PcKeyDown(71, false, false), std::nullopt);  // G needs Ctrl
    EXPECT_EQ(PcKeyDown(53, true, false), std::nullopt);   // Ctrl+5 is nothing
    const std::pair<int, K> withCtrl[] = {
        {65, K::FnAddress},  {67, K::Clear},      {68, K::FnData},     {71, K::Go},
        {76, K::Load},       {82, K::Register},   {83, K::Save},       {84, K::Trace},
        {107, K::Increment}, {187, K::Increment}, {109, K::Decrement}, {189, K::Decrement},
        {112, K::Insert},    {113, K::Delete},    {114, K::Dump},      {115, K::Break}};
    for (const auto& [code, key] : withCtrl)
        EXPECT_EQ(PcKeyDown(code, true, false), key) << code;
    EXPECT_EQ(PcKeyDown(66, true, false), std::nullopt);
    EXPECT_EQ(PcKeyDown(49, false, true), std::nullopt);  // Alt+1
    EXPECT_EQ(PcKeyDown(65, true, true), std::nullopt);
}

TEST(KeyboardPcKeys, KeyUpReleasesEveryKeyOfThatPcKey) {
    using K = TKeypadKey;
    using List = std::vector<K>;
    EXPECT_EQ(PcKeyUp(65, false), (List{K::DataA, K::FnAddress}));
    EXPECT_EQ(PcKeyUp(67, false), (List{K::DataC, K::Clear}));
    EXPECT_EQ(PcKeyUp(68, false), (List{K::DataD, K::FnData}));
    EXPECT_EQ(PcKeyUp(66, false), List{K::DataB});
    EXPECT_EQ(PcKeyUp(101, false), List{K::Data5});
    EXPECT_EQ(PcKeyUp(187, false), List{K::Increment});
    EXPECT_EQ(PcKeyUp(189, false), List{K::Decrement});
    EXPECT_EQ(PcKeyUp(115, false), List{K::Break});
    EXPECT_EQ(PcKeyUp(84, false), List{K::Trace});
    EXPECT_TRUE(PcKeyUp(49, true).empty());
    EXPECT_TRUE(PcKeyUp(90, false).empty());
}

}  // namespace
}  // namespace tarvok
