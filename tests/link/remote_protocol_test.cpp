#include "link/protocol/remote_protocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvok::remote {
namespace {

std::string B(std::initializer_list<int> bytes) {
    std::string text;
    for (const int byte : bytes)
        text.push_back(static_cast<char>(byte));
    return text;
}

class Events : public ClientEvents {
public:
    std::vector<std::string> log;
    std::vector<std::vector<std::string>> uploads;

    void ClearDisplay() override { log.push_back("clear"); }
    void ShowDigit(int digit, Byte value) override {
        log.push_back(std::to_string(digit) + "=" + std::to_string(value));
    }
    void UploadReceived(const std::vector<std::string>& lines, bool intact) override {
        uploads.push_back(lines);
        log.push_back(intact ? "upload" : "defective upload");
    }
    void ProgramRequested() override { log.push_back("program request"); }
};

using Log = std::vector<std::string>;

TEST(ClientMessages, CarryTheirCommandBytesAndDecimalPulseWidth) {
    EXPECT_EQ(PulseWidthMessage(4464), B({0xF0, '4', '4', '6', '4'}));
    EXPECT_EQ(PulseWidthMessage(1) + ResetMessage(), B({0xF0, '1', 0xF2}));
    EXPECT_EQ(KeyReleaseMessage(18), B({0xF1, 0x12}));
    EXPECT_EQ(ProgramMessage({":0204000001", ":00000001FF"}),
              B({0xF5}) + ":0204000001:00000001FF" + B({0xF5}));
}

TEST(WordSettings, AcceptDecimalIntegersKeptInSixteenBits) {
    EXPECT_EQ(ParseWordSetting("49703"), 49703);
    EXPECT_EQ(ParseWordSetting("70000"), 4464);
    EXPECT_EQ(ParseWordSetting("-1"), 65535);
    EXPECT_EQ(ParseWordSetting("+12"), 12);
    for (const char* bad : {"", "abc", "12a", " 12", "1.5", "99999999999", "+", "0x10"})
        EXPECT_EQ(ParseWordSetting(bad), std::nullopt) << bad;
}

TEST(ClientParser, DisplayCommandsReachTheirDigits) {
    ClientParser parser;
    Events events;
    EXPECT_EQ(parser.Feed(B({0xF2, 0xF2}), events), "");
    EXPECT_EQ(parser.Feed(B({0xF2, 0xF5, 0x0B, 0x6F}), events), "");  // index modulo 8
    EXPECT_EQ(parser.Feed(B({0xF2, 0xFA, 5, 0x11, 0x22}), events), "");
    EXPECT_EQ(parser.Feed(B({0xF2, 0xFA, 8, 0x33, 0x44}), events), "");
    EXPECT_EQ(events.log, (Log{"clear", "3=111", "4=34", "5=17", "7=68"}));
}

TEST(ClientParser, EightDigitMessageArrivesInPairOrder) {
    ClientParser parser;
    Events events;
    parser.Feed(B({0xF2, 0xFB, 6, 7, 4, 5, 2, 3, 0, 1}), events);
    EXPECT_EQ(events.log, (Log{"0=0", "1=1", "2=2", "3=3", "4=4", "5=5", "6=6", "7=7"}));
}

TEST(ClientParser, PairIndexesBesideTheDisplayWriteNothing) {
    ClientParser parser;
    Events events;
    EXPECT_EQ(
        parser.Feed(B({0xF2, 0xFA, 0, 1, 2, 0xF2, 0xFA, 9, 1, 2, 0xF2, 0xFA, 0x80, 1, 2}), events),
        "");
    EXPECT_TRUE(events.log.empty());
}

TEST(ClientParser, MessagesSplitAcrossReadsKeepTheirMeaning) {
    const std::string stream = B({0xF2, 0xF2, 0xF2, 0xFB, 6, 7, 4,    5,    2,    3,   0,
                                  1,    0xF2, 0xFA, 2,    9, 8, 0xF5, 0x41, 0xFA, 0xF5});
    Events whole;
    ClientParser().Feed(stream, whole);
    for (std::size_t piece = 1; piece <= 4; ++piece) {
        ClientParser parser;
        Events events;
        std::string left;
        for (std::size_t at = 0; at < stream.size(); at += piece)
            left += parser.Feed(stream.substr(at, piece), events);
        EXPECT_EQ(events.log, whole.log) << "pieces of " << piece;
        EXPECT_EQ(left, "");
    }
    EXPECT_EQ(whole.log.back(), "program request");
}

TEST(ClientParser, StrayBytesAreLeftForTheOutputField) {
    ClientParser parser;
    Events events;
    // F5 skips the next byte; unknown display and board subcommands are swallowed.
    const std::string left =
        parser.Feed(B({0x41, 0x00, 0xF5, 0x42, 0xF2, 0x10, 0xF2, 0xFA, 0x99, 0xF5, 0x0D}), events);
    EXPECT_EQ(left, B({0x41, 0x00, 0x0D}));
    EXPECT_EQ(ClientParser::FormatUnconsumed(left), " 41  0  d");
    EXPECT_EQ(events.log, (Log{"clear", "program request"}));
}

TEST(ClientParser, UploadEndsWithTheEndRecordAndChecksEveryLine) {
    ClientParser parser;
    Events events;
    parser.Feed(B({0xFA, 0xF2}) + ":020400000102F7\r\n:0000", events);
    EXPECT_TRUE(parser.Uploading());
    EXPECT_EQ(parser.Feed("0001FF\r\n\x41", events), "A");
    EXPECT_FALSE(parser.Uploading());
    EXPECT_EQ(events.log, (Log{"upload"}));
    EXPECT_EQ(events.uploads[0], (std::vector<std::string>{":020400000102F7", ":00000001FF"}));

    parser.Feed(B({0xFA, 0xF2}) + ":020400000102F8\r\n:00000001FF\r\n", events);
    EXPECT_EQ(events.log.back(), "defective upload");
}

TEST(ClientParser, UploadLinesWithBadDigitsOrBareLineFeedsAreJudgedSoundly) {
    EXPECT_TRUE(UploadLineIntact(":00000001ff"));
    EXPECT_FALSE(UploadLineIntact(":0000001FF"));   // odd number of digits
    EXPECT_FALSE(UploadLineIntact(":00000001FG"));  // no hexadecimal digit
    ClientParser parser;
    Events events;
    parser.Feed(B({0xFA, 0xF2}) + ":020400000102F7\n:00000001FF\n", events);
    EXPECT_EQ(events.log, (Log{"upload"}));
    EXPECT_EQ(events.uploads[0][0], ":020400000102F7");
}

TEST(ClientParser, FloodedUploadStaysBoundedAndCountsAsDefective) {
    ClientParser parser;
    Events events;
    parser.Feed(B({0xFA, 0xF2}) + std::string(kMaxUploadLineLength * 3, '0') + "\r\n", events);
    const std::string line = ":00000000\r\n";
    std::string many;
    for (std::size_t i = 0; i < 1000; ++i)
        many += line;
    for (std::size_t i = 0; i <= kMaxUploadLines / 1000; ++i)
        parser.Feed(many, events);
    parser.Feed(":00000001FF\r\n", events);
    ASSERT_EQ(events.uploads.size(), 1u);
    EXPECT_EQ(events.uploads[0].size(), kMaxUploadLines);
    EXPECT_EQ(events.uploads[0][0].size(), kMaxUploadLineLength);
    EXPECT_EQ(events.log.back(), "defective upload");
}

TEST(ClientParser, ResetEndsAnUploadAndAHalfMessage) {
    ClientParser parser;
    Events events;
    parser.Feed(B({0xFA, 0xF2}) + ":0204", events);
    parser.Reset();
    EXPECT_FALSE(parser.Uploading());
    EXPECT_EQ(parser.Feed("x", events), "x");
    parser.Feed(B({0xF2, 0xFB, 1, 2}), events);
    parser.Reset();
    EXPECT_EQ(parser.Feed("y", events), "y");
    EXPECT_TRUE(events.log.empty());
}

class ServerLog : public ServerEvents {
public:
    Log log;
    void PulseWidthSet(std::uint16_t ms) override { log.push_back("pulse " + std::to_string(ms)); }
    void ResetRequested() override { log.push_back("reset"); }
    void KeyReleased(Byte code) override { log.push_back("key " + std::to_string(code)); }
    void ProgramReceived(const std::string& text) override { log.push_back("program " + text); }
    void UnknownByte(Byte byte) override { log.push_back("unknown " + std::to_string(byte)); }
};

TEST(ServerParser, ReadsTheClientsMessagesInAnyPieces) {
    const std::string stream = PulseWidthMessage(4464) + ResetMessage() + KeyReleaseMessage(18) +
                               ProgramMessage({":00000001FF"}) + "Z";
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        ServerParser parser;
        ServerLog events;
        for (std::size_t at = 0; at < stream.size(); at += piece)
            parser.Feed(stream.substr(at, piece), events);
        EXPECT_EQ(events.log,
                  (Log{"pulse 4464", "reset", "key 18", "program :00000001FF", "unknown 90"}))
            << "pieces of " << piece;
    }
}

TEST(ServerParser, PulseWidthWithoutFollowerIsReportedAtTheEndOfARead) {
    ServerParser parser;
    ServerLog events;
    parser.Feed(B({0xF0, '4', '4'}), events);
    parser.FinishPulseWidth(events);
    parser.Feed("64", events);
    parser.FinishPulseWidth(events);
    parser.FinishPulseWidth(events);
    parser.Feed("78", events);  // a sixth digit belongs to no message
    EXPECT_EQ(events.log, (Log{"pulse 44", "pulse 4464", "pulse 44647", "unknown 56"}));
}

TEST(SplitRecords, CutsAtEveryColonAndDropsLineEnds) {
    EXPECT_EQ(SplitRecords("junk:0102\r\n:00000001FF"),
              (std::vector<std::string>{":0102", ":00000001FF"}));
    EXPECT_TRUE(SplitRecords("no records").empty());
}

}  // namespace
}  // namespace tarvok::remote
