#include <cctype>

#include "core/hex_text.h"
#include "core/intel_hex.h"
#include "monitor/monitor_support.h"

namespace tarvok {
namespace {

using test::Json;
using test::MonitorTest;

// One Intel HEX record with its checksum; `checksumDelta` spoils it.
std::string Record(unsigned address, const std::vector<int>& data, int type = 0,
                   int checksumDelta = 0) {
    int sum = static_cast<int>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    std::string line = ":" + Hex2(static_cast<unsigned>(data.size())) + Hex4(address) +
                       Hex2(static_cast<unsigned>(type));
    for (const int byte : data) {
        line += Hex2(static_cast<unsigned>(byte));
        sum += byte;
    }
    return line + Hex2(static_cast<unsigned>(-sum + checksumDelta) & 0xFF) + "\r\n";
}

const std::string kEnd = ":00000001FF\r\n";

std::vector<int> Counting(int first, int count) {
    std::vector<int> bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back((first + i) & 0xFF);
    return bytes;
}

std::string HexOf(const std::vector<int>& bytes) {
    std::string out;
    for (const int b : bytes)
        out += Hex2(static_cast<unsigned>(b));
    return out;
}

class MonitorSerialTest : public MonitorTest {
protected:
    // Saves start..end (typed in) with the given bytes poked at `first`, returns the text sent.
    std::string SaveRange(const std::string& start, const std::string& end, long cycles,
                          const std::string& pokes, Json* json = nullptr) {
        const std::string sia = Path("save.sia");
        std::string keys = "^S";
        for (const char c : start)
            keys += std::string(" ") + c;
        keys += " ^+";
        for (const char c : end)
            keys += std::string(" ") + c;
        keys += " ^G";
        std::vector<std::string> args = {"--sia-record", sia};
        if (!pokes.empty()) args.insert(args.end(), {"--poke", pokes});
        const Json result = Run(cycles, keys, args);
        if (json != nullptr) *json = result;
        return test::TextFromSia(test::TempDir::Read(sia));
    }
    Json Load(const std::string& text, long cycles, const std::string& keys = "^L",
              std::vector<std::string> args = {}) {
        args.insert(args.end(), {"--sia-play", File("load.sia", test::SiaFromText(text))});
        return Run(cycles, keys, args);
    }
};

TEST_F(MonitorSerialTest, SaveSendsTheRangeAsTheProgramWriterDoes) {
    const std::vector<int> bytes = Counting(0x01, 17);
    Json json;
    const std::string sent = SaveRange("0400", "0410", 2500000, "0400:" + HexOf(bytes), &json);
    const std::string expected = FormatIntelHex(
        0x0400, 0x0410, [&](Address a) { return static_cast<Byte>(bytes[a - 0x0400]); });
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(sent,
              ":100400000102030405060708090A0B0C0D0E0F1064\r\n:0104100011DA\r\n:00000001FF\r\n");
    EXPECT_EQ(Text(json), "  DonE  ");
}

TEST_F(MonitorSerialTest, SaveOfOneByteAndAcrossTheTopOfMemory) {
    EXPECT_EQ(SaveRange("0500", "0500", 1500000, "0500:5A"), Record(0x0500, {0x5A}) + kEnd);
    const std::string top = SaveRange("FFF8", "0007", 2000000, "");
    EXPECT_TRUE(top.empty());  // start above end: nothing is sent
    const std::string wrap = SaveRange("FFF0", "FFFF", 2000000, "");
    EXPECT_EQ(wrap.substr(0, 9), ":10FFF000");
    EXPECT_EQ(wrap.substr(wrap.size() - kEnd.size()), kEnd);
}

TEST_F(MonitorSerialTest, SaveWithStartAboveEndShowsAnErrorAndKeepsTheFields) {
    const Json json = Run(800000, "^S 0 5 0 0 ^+ 0 4 F F ^G");
    EXPECT_EQ(Text(json), "-Err-  5");
    const Json back = Run(900000, "^S 0 5 0 0 ^+ 0 4 F F ^G 1");
    EXPECT_EQ(Text(back), "050004FF");
    EXPECT_EQ(Brightness(back), "....####");
}

TEST_F(MonitorSerialTest, SaveFieldsShowStartAndEnd) {
    const Json start = Run(400000, "^A 0 6 0 0 ^S");
    EXPECT_EQ(Text(start), "060007FF");
    EXPECT_EQ(Brightness(start), "####....");
    const Json end = Run(500000, "^A 0 6 0 0 ^S ^+ 1");
    EXPECT_EQ(Text(end), "06007FF1");
    EXPECT_EQ(Brightness(end), "....####");
}

TEST_F(MonitorSerialTest, DumpSendsSixteenLinesFromTheAddress) {
    const std::string sia = Path("dump.sia");
    const Json json = Run(9500000, "^A 0 4 0 0 ^F3",
                          {"--poke", "0400:00112233445566778899AABBCCDDEEFF", "--sia-record", sia});
    const std::string text = test::TextFromSia(test::TempDir::Read(sia));
    ASSERT_EQ(text.size(), 16u * 55u);
    EXPECT_EQ(text.substr(0, 55), "0400: 00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF\r\n");
    EXPECT_EQ(text.substr(55, 55), "0410: 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00\r\n");
    EXPECT_EQ(text.substr(15 * 55, 6), "04F0: ");
    EXPECT_EQ(Text(json), "  DonE  ");
}

TEST_F(MonitorSerialTest, DumpIsCutShortByAKey) {
    const std::string sia = Path("dump.sia");
    const Json json = Run(3000000, "^A 0 4 0 0 ^F3 ^+", {"--sia-record", sia});
    const std::string text = test::TextFromSia(test::TempDir::Read(sia));
    EXPECT_LT(text.size(), 16u);
    EXPECT_EQ(text.substr(0, 4), std::string("0400").substr(0, text.size()));
    EXPECT_EQ(Text(json), "0400  00");
}

TEST_F(MonitorSerialTest, LoadStoresRecordsAndShowsTheFirstAddress) {
    const std::string text = "garbage before\r\n" + Record(0x0600, {0xAA, 0xBB}) +
                             Record(0x0500, Counting(0x10, 20)) + Record(0x0700, {}) + kEnd +
                             "ignored after the end";
    const long cycles = 2500000;
    const Json done = Load(text, cycles, "^L", {"--dump", "0500-0513", "--dump", "0600-0601"});
    EXPECT_EQ(Dump(done, "0500-0513"), HexOf(Counting(0x10, 20)));
    EXPECT_EQ(Dump(done, "0600-0601"), "AABB");
    EXPECT_EQ(Text(done), "  DonE  ");
    const Json next = Load(text, cycles + 2000000, "^L ^+", {"--key-cycles", "1500000"});
    EXPECT_EQ(Text(next), "0600  AA");
    EXPECT_EQ(Brightness(next), "####....");
}

TEST_F(MonitorSerialTest, LoadAcceptsLowerCaseDigits) {
    std::string record = Record(0x0450, {0xAB, 0xCD});
    for (char& c : record)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const Json json = Load(record + kEnd, 1500000, "^L", {"--dump", "0450-0451"});
    EXPECT_EQ(Dump(json, "0450-0451"), "ABCD");
    EXPECT_EQ(Text(json), "  DonE  ");
}

TEST_F(MonitorSerialTest, LoadWithBadChecksumShowsTheError) {
    const std::string text = Record(0x0500, {1, 2, 3}) + Record(0x0510, {4, 5, 6}, 0, 1) +
                             Record(0x0520, {7, 8, 9}) + kEnd;
    const Json json = Load(text, 2000000, "^L", {"--dump", "0500-0502", "--dump", "0520-0522"});
    EXPECT_EQ(Text(json), "-Err-  2");
    EXPECT_EQ(Dump(json, "0500-0502"), "010203");  // stored as it arrived
    EXPECT_EQ(Dump(json, "0520-0522"), "000000");  // nothing after the fault
}

TEST_F(MonitorSerialTest, LoadRejectsBadRecordsAndBadEndRecords) {
    EXPECT_EQ(Text(Load(Record(0x0500, {1}, 2) + kEnd, 1500000)), "-Err-  3");
    EXPECT_EQ(Text(Load(":0105000G01\r\n" + kEnd, 1500000)), "-Err-  3");
    EXPECT_EQ(Text(Load(":00000001FE\r\n", 1500000)), "-Err-  2");
}

TEST_F(MonitorSerialTest, LoadReportsALineErrorAndStaysUsable) {
    // The line held low for 24 bit times: a character without stop bits.
    const std::string sia =
        "TxD RxC DTR RTS      Zeit\r\n"
        "1   0   0   0            0 #          0\r\n"
        "0   0   0   0       100000 #     100000\r\n"
        "1   0   0   0        20000 #     120000\r\n"
        "1   0   0   0         1000 #     121000\r\n";
    const Json json = Run(600000, "^L", {"--sia-play", File("break.sia", sia)});
    EXPECT_EQ(Text(json), "-Err-  4");
    const Json after = Run(
        3000000, "^L ^A 0 5 0 0 ^D 1",
        {"--sia-play", File("break.sia", sia), "--key-cycles", "150000", "--dump", "0500-0500"});
    EXPECT_EQ(Dump(after, "0500-0500"), "01");
}

TEST_F(MonitorSerialTest, LoadRefusesTheMonitorsOwnPage) {
    const Json json = Load(Record(0x03F0, {1, 2}) + kEnd, 1500000);
    EXPECT_EQ(Text(json), "-Err-  6");
}

TEST_F(MonitorSerialTest, LoadWithoutDataIsAbortedByAKey) {
    const Json json = Run(600000, "^L ^+", {"--poke", "0400:77"});
    EXPECT_EQ(Text(json), "0400  77");
    // The monitor is usable afterwards.
    const Json more = Run(900000, "^L ^+ ^D 5", {"--dump", "0400-0400"});
    EXPECT_EQ(Dump(more, "0400-0400"), "05");
}

TEST_F(MonitorSerialTest, DumpAndLoadWrapAroundAtTheTopOfMemory) {
    const std::string sia = Path("dump.sia");
    const Json dump = Run(9500000, "^A F F F 0 ^F3", {"--poke", "0000:A5", "--sia-record", sia});
    const std::string text = test::TextFromSia(test::TempDir::Read(sia));
    ASSERT_EQ(text.size(), 16u * 55u);
    EXPECT_EQ(text.substr(0, 6), "FFF0: ");
    EXPECT_EQ(text.substr(6, 6), "E0 00 ");  // the first vector: reserved, points to reset
    EXPECT_EQ(text.substr(55, 9), "0000: A5 ");
    EXPECT_EQ(Text(dump), "  DonE  ");

    // A record across $FFFF: the ROM keeps its bytes, the rest goes on at $0000.
    const std::string record = Record(0xFFFC, Counting(0x11, 6));
    const Json load =
        Load(record + kEnd, 3400000, "^L ^+",
             {"--key-cycles", "1500000", "--dump", "0000-0002", "--dump", "FFFC-FFFF"});
    EXPECT_EQ(Dump(load, "0000-0002"), "151600");
    const std::string rom = test::TempDir::Read(test::MonitorRomPath());
    EXPECT_EQ(Dump(load, "FFFC-FFFF"),
              HexOf({static_cast<unsigned char>(rom[0x1FFC]),
                     static_cast<unsigned char>(rom[0x1FFD]), 0xE0, 0x00}));
    EXPECT_EQ(load["messages"].array.size(), 4u);  // one refused write per ROM byte
    EXPECT_EQ(Text(load).substr(0, 6), "FFFC  ");
}

}  // namespace
}  // namespace tarvok
