#include "monitor/monitor_support.h"

namespace tarvok {
namespace {

using test::Json;
using test::MonitorTest;

TEST_F(MonitorTest, ResetShowsGreetingInFullBrightness) {
    const Json json = Run(100000, "");
    EXPECT_EQ(Text(json), "- 6809 -");
    EXPECT_EQ(json["display"]["high"].string, json["display"]["low"].string);
    EXPECT_TRUE(json["messages"].array.empty());
}

TEST_F(MonitorTest, ResetSetsUpTheRegisterImageAndClearsTheHooks) {
    const Json json =
        Run(100000, "",
            {"--poke", "00E0:11223344556677889900", "--dump", "00E0-00E9", "--dump", "00F2-00FF"});
    EXPECT_EQ(Dump(json, "00E0-00E9"), "00000000000000000000");
    EXPECT_EQ(Image(json), "0300400000000000000000000400");
}

TEST_F(MonitorTest, HexKeysShiftIntoTheAddress) {
    const Json json = Run(400000, "^A 1 0 5 0 0", {"--poke", "0500:A5"});
    EXPECT_EQ(Text(json), "0500  A5");
    EXPECT_EQ(Brightness(json), "####....");
}

TEST_F(MonitorTest, DataModeWritesEachDigitAtOnce) {
    const Json one = Run(600000, "^A 0 5 0 0 ^D 7", {"--poke", "0500:A5", "--dump", "0500-0500"});
    EXPECT_EQ(Dump(one, "0500-0500"), "57");  // the digit shifts into the byte shown
    const Json two = Run(700000, "^A 0 5 0 0 ^D 1 2", {"--dump", "0500-0500"});
    EXPECT_EQ(Dump(two, "0500-0500"), "12");
    EXPECT_EQ(Text(two), "0500  12");
    EXPECT_EQ(Brightness(two), "......##");
}

TEST_F(MonitorTest, PlusAndMinusStepTheAddressInBothModes) {
    const Json json =
        Run(1400000, "^A 0 5 0 0 ^D 1 2 ^+ 3 4 ^+ ^+ ^- 5 6 ^A ^-", {"--dump", "04FF-0503"});
    EXPECT_EQ(Dump(json, "04FF-0503"), "0012345600");
    EXPECT_EQ(Text(json), "0501  34");
    EXPECT_EQ(Brightness(json), "####....");
}

TEST_F(MonitorTest, AddressWrapsAroundAtBothEnds) {
    EXPECT_EQ(Text(Run(500000, "^A F F F F ^+")).substr(0, 4), "0000");
    EXPECT_EQ(Text(Run(500000, "^A 0 0 0 0 ^-")).substr(0, 4), "FFFF");
}

TEST_F(MonitorTest, DataModeOnRomShowsTheUnchangedByte) {
    const Json json = Run(600000, "^A E 0 0 0 ^D 5");
    EXPECT_EQ(Text(json), "E000  1A");  // the monitor's first opcode, ORCC
    ASSERT_FALSE(json["messages"].array.empty());
    EXPECT_EQ(json["messages"][0].string,
              "Fehlerhafter Schreibversuch auf ROM-Speicherelement $E000: Element kann nur "
              "gelesen werden;");
}

TEST_F(MonitorTest, HeldKeyActsOnceAndOnlyNewPressesAct) {
    // One long press of '+' steps once; keys held across others do not repeat.
    const Json json = Run(4000000, "^A 0 5 0 0 ^+", {"--key-cycles", "300000"});
    EXPECT_EQ(Text(json).substr(0, 4), "0501");
}

TEST_F(MonitorTest, DigitsAndStepsAreIgnoredOnTheGreeting) {
    const Json json = Run(400000, "1 2 ^+ ^-");
    EXPECT_EQ(Text(json), "- 6809 -");
}

struct RegisterCase {
    const char* name;
    const char* keys;
    const char* text;
    const char* brightness;
    const char* image;  // S CC A B DP X Y U PC
};

class MonitorRegisterTest : public MonitorTest,
                            public ::testing::WithParamInterface<RegisterCase> {};

TEST_P(MonitorRegisterTest, EditsTheImage) {
    const RegisterCase& c = GetParam();
    const Json json = Run(1600000, c.keys, {"--dump", "00F2-00FF"});
    EXPECT_EQ(Text(json), c.text);
    EXPECT_EQ(Brightness(json), c.brightness);
    EXPECT_EQ(Image(json), c.image);
}

INSTANTIATE_TEST_SUITE_P(
    Registers, MonitorRegisterTest,
    ::testing::Values(
        RegisterCase{"Shown", "^R", "PC  0400", "....####", "0300400000000000000000000400"},
        RegisterCase{"PcDigits", "^R 1 2 3 4 5", "PC  2345", "....####",
                     "0300400000000000000000002345"},
        RegisterCase{"A", "^R ^+ 5 6", "A     56", "......##", "0300405600000000000000000400"},
        RegisterCase{"B", "^R ^+ ^+ 7", "B     07", "......##", "0300400007000000000000000400"},
        RegisterCase{"X", "^R ^+ ^+ ^+ A B C D", "H   ABCD", "....####",
                     "030040000000ABCD000000000400"},
        RegisterCase{"Y", "^R ^+ ^+ ^+ ^+ 1", "y   0001", "....####",
                     "0300400000000000000100000400"},
        RegisterCase{"U", "^R ^- ^- ^- ^- 2", "U   0002", "....####",
                     "0300400000000000000000020400"},
        RegisterCase{"S", "^R ^- ^- ^- 1 F 0 0", "5   1F00", "....####",
                     "1F00400000000000000000000400"},
        RegisterCase{"Dp", "^R ^- ^- 1 2", "DP    12", "......##", "0300400000120000000000000400"},
        RegisterCase{"Cc", "^R ^- 0 0", "CC    00", "......##", "0300000000000000000000000400"},
        RegisterCase{"WrapsAround", "^R ^- ^+", "PC  0400", "....####",
                     "0300400000000000000000000400"}),
    [](const ::testing::TestParamInfo<RegisterCase>& info) { return info.param.name; });

TEST_F(MonitorTest, InsertMovesProgramMemoryUp) {
    const Json json = Run(3000000, "^A 0 4 0 1 ^F1",
                          {"--key-cycles", "200000", "--poke", "0400:11223344", "--poke",
                           "1FFE:7788", "--dump", "0400-0405", "--dump", "1FFE-1FFF"});
    EXPECT_EQ(Dump(json, "0400-0405"), "110022334400");
    EXPECT_EQ(Dump(json, "1FFE-1FFF"), "0077");
    EXPECT_EQ(Text(json), "0401  00");
}

TEST_F(MonitorTest, DeleteMovesProgramMemoryDown) {
    const Json json = Run(3200000, "^A 0 4 0 1 ^D ^F2",
                          {"--key-cycles", "200000", "--poke", "0400:11223344", "--poke",
                           "1FFE:7788", "--dump", "0400-0405", "--dump", "1FFE-1FFF"});
    EXPECT_EQ(Dump(json, "0400-0405"), "113344000000");
    EXPECT_EQ(Dump(json, "1FFE-1FFF"), "8800");
    EXPECT_EQ(Text(json), "0401  33");
    EXPECT_EQ(Brightness(json), "......##");  // data mode stays
}

TEST_F(MonitorTest, InsertAndDeleteAtTheLastByte) {
    const Json ins = Run(2000000, "^A 1 F F F ^F1",
                         {"--key-cycles", "100000", "--poke", "1FFE:7788", "--dump", "1FFE-1FFF"});
    EXPECT_EQ(Dump(ins, "1FFE-1FFF"), "7700");
    const Json del = Run(2000000, "^A 1 F F F ^F2",
                         {"--key-cycles", "100000", "--poke", "1FFE:7788", "--dump", "1FFE-1FFF"});
    EXPECT_EQ(Dump(del, "1FFE-1FFF"), "7700");
}

TEST_F(MonitorTest, InsertOrDeleteOutsideProgramMemoryShowsAnError) {
    for (const char* keys : {"^A 0 3 F F ^F1", "^A 2 0 0 0 ^F2", "^A E 0 0 0 ^F1"}) {
        const Json json = Run(1600000, keys, {"--dump", "03FF-0400"});
        EXPECT_EQ(Text(json), "-Err-  1") << keys;
        EXPECT_TRUE(json["messages"].array.empty()) << keys;
    }
    // The next key takes the error away and the monitor goes on as before.
    const Json json = Run(2000000, "^A 0 3 F F ^F1 5 ^+");
    EXPECT_EQ(Text(json).substr(0, 4), "0400");
}

TEST_F(MonitorTest, DataModeRefusesTheMonitorsOwnPage) {
    for (const char* keys : {"^A 0 3 0 0 ^D 9", "^A 0 3 F F ^D 1"}) {
        const Json json = Run(800000, keys);
        EXPECT_EQ(Text(json), "-Err-  6") << keys;
    }
    // Still usable afterwards: the error goes with the next key.
    const Json json = Run(1200000, "^A 0 3 0 0 ^D 9 ^- ^A 0 5 0 0 ^D 4 2", {"--dump", "0500-0500"});
    EXPECT_EQ(Dump(json, "0500-0500"), "42");
}

TEST_F(MonitorTest, HooksCanBeSetInDataMode) {
    // IRQ hook := $0500 by keys, then a program raising an ACIA interrupt runs into it.
    const Json json = Run(1500000, "^A 0 0 E 0 ^D 0 5 ^+ 0 0 ^A 0 4 0 0 ^G",
                          {"--poke", "0400:8698B7F00B8607B7F00A8641B7F0081CEF20FE", "--poke",
                           "0500:3F", "--dump", "00F2-00FF"});
    EXPECT_EQ(Dump(json, "00F2-00FF").substr(24, 4), "0501");
}

}  // namespace
}  // namespace tarvok
