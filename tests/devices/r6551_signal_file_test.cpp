#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "devices/r6551.h"
#include "devices/signal_file.h"
#include "r6551_support.h"
#include "support/status_check.h"
#include "support/temp_dir.h"

namespace tarvok::test {
namespace {

using R6551 = R6551;

class R6551SignalFileTest : public R6551Fixture {
protected:
    std::string PathOf(const std::string& name) const { return temp_.Path(name); }
    std::string WriteFile(const std::string& name, const std::string& content) const {
        return temp_.Write(name, content);
    }

    static std::vector<std::string> ReadLines(const std::string& path) {
        const std::string text = TempDir::Read(path);
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos;
             start = end + 2) {
            lines.push_back(text.substr(start, end - start));
        }
        EXPECT_EQ(start, text.size()) << "every line ends in CR LF";
        return lines;
    }

    // Records the ACIA sending `value` at 9600 8N1 and returns the file.
    std::string RecordCharacter(Byte value, std::uint64_t leadCycles = 100) {
        const std::string path = PathOf("send.sia");
        acia.Write(kAciaControl, kCon9600_8N1);
        EXPECT_TRUE(acia.StartRecording(path));
        RunAcia(acia, leadCycles);
        acia.Write(kAciaData, value);
        RunAcia(acia, 1300);
        UserMessage error;
        EXPECT_TRUE(test::Succeeded(acia.StopReadingAndRecording(), &error));
        return path;
    }

    TempDir temp_;
};

struct Record {
    std::string levels;  // TxD RxC DTR RTS
    unsigned long count;
    unsigned long cycle;
};

std::vector<Record> ParseRecords(const std::vector<std::string>& lines) {
    std::vector<Record> records;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string& l = lines[i];
        EXPECT_EQ(l.size(), 39u) << l;
        if (l.size() != 39) continue;
        records.push_back({std::string{l[0], l[4], l[8], l[12]}, std::stoul(l.substr(16, 10)),
                           std::stoul(l.substr(29, 10))});
        EXPECT_EQ(l.substr(26, 3), " # ");
    }
    return records;
}

TEST_F(R6551SignalFileTest, RecordingWhileSendingWritesALinePerChange) {
    const std::string path = RecordCharacter(0x41);
    const std::vector<std::string> lines = ReadLines(path);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "TxD RxC DTR RTS      Zeit");
    const std::vector<Record> records = ParseRecords(lines);
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records[0].levels, "1011") << "idle line, DTR and RTS inactive";
    EXPECT_EQ(records[0].count, 1u) << "written in the first recorded cycle";

    unsigned long elapsed = 0;
    unsigned long startCycle = 0;
    std::vector<unsigned long> txdChanges;
    for (std::size_t i = 0; i < records.size(); ++i) {
        elapsed += records[i].count;
        if (i > 0) {
            EXPECT_NE(records[i].levels, records[i - 1].levels) << "only changes are written";
            EXPECT_EQ(records[i].cycle - records[i - 1].cycle, records[i].count);
            if (records[i].levels[0] != records[i - 1].levels[0]) {
                if (txdChanges.empty()) startCycle = elapsed;
                txdChanges.push_back(elapsed - startCycle);
            }
        }
        EXPECT_EQ(records[i].levels.substr(2), "11");
    }
    // 0x41: start 0, data 1000 0010, stop 1: changes at bit 0, 1, 2, 7, 8 and 9.
    const std::vector<int> bitsAtChange = {0, 1, 2, 7, 8, 9};
    ASSERT_EQ(txdChanges.size(), bitsAtChange.size());
    for (std::size_t i = 0; i < txdChanges.size(); ++i) {
        const double expected = bitsAtChange[i] * 192 / 1.8432;
        EXPECT_NEAR(static_cast<double>(txdChanges[i]), expected, 1.5) << "bit " << i;
    }
    // The transmit clock toggles many times within the frame.
    EXPECT_GT(records.size(), 100u);
}

// A state that outlasts the 32-bit duration column is split into records of its levels, also when
// the lines change in the very cycle of the split.
TEST_F(R6551SignalFileTest, StatesLongerThanTheDurationColumnAreSplit) {
    const auto record = [this](const std::string& name, std::uint64_t cyclesBeforeDtr) {
        R6551 device;
        device.Install();
        EXPECT_TRUE(device.StartRecording(PathOf(name)));
        RunAcia(device, 10);
        // Jump close to the end of the 32-bit duration instead of stepping four billion cycles:
        // the split comes in the fourth cycle from here.
        auto state = device.State();
        state.fileCycleCounter = kMaxRecordCycles - 3;
        device.RestoreState(state);
        RunAcia(device, cyclesBeforeDtr);
        device.Write(kAciaCommand, 0x01);  // DTR on, seen in the next cycle
        device.Run(1);
        EXPECT_TRUE(device.StopReadingAndRecording());
        return ParseRecords(ReadLines(PathOf(name)));
    };
    const std::vector<Record> later = record("later.sia", 10);
    ASSERT_EQ(later.size(), 3u);
    EXPECT_EQ(later[1].levels, later[0].levels);
    EXPECT_EQ(later[1].count, 4294967295u);
    EXPECT_EQ(later[2].levels, "1001");
    EXPECT_EQ(later[2].count, 8u);  // 7 cycles after the split, then the cycle that sees DTR

    const std::vector<Record> atOnce = record("at_once.sia", 3);
    ASSERT_EQ(atOnce.size(), 3u);
    EXPECT_EQ(atOnce[1].levels, "1011") << "the levels that lasted, not the new ones";
    EXPECT_EQ(atOnce[1].count, 4294967295u);
    EXPECT_EQ(atOnce[2].levels, "1001");
    EXPECT_EQ(atOnce[2].count, 1u);
}

TEST_F(R6551SignalFileTest, CtsOffRecordsTxdAsMark) {
    acia.SetCtsSwitch(false);
    const std::vector<Record> records = ParseRecords(ReadLines(RecordCharacter(0x00)));
    ASSERT_GT(records.size(), 10u);  // the clock still toggles
    for (const Record& r : records)
        EXPECT_EQ(r.levels[0], '1');
}

TEST_F(R6551SignalFileTest, DtrAndRtsColumnsFollowTheCommandRegister) {
    const std::string path = PathOf("modem.sia");
    ASSERT_TRUE(acia.StartRecording(path));
    RunAcia(acia, 10);
    acia.Write(kAciaCommand, 0x09);  // DTR on, RTS on (transmit control 10)
    RunAcia(acia, 10);
    ASSERT_TRUE(acia.StopReadingAndRecording());
    const std::vector<Record> records = ParseRecords(ReadLines(path));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].levels.substr(2), "00");
    EXPECT_EQ(records[1].count, 10u);
}

TEST_F(R6551SignalFileTest, RecordedCharacterPlaysBackIntoTheReceiver) {
    const std::string path = RecordCharacter(0x41);

    R6551 player;
    IrqRecorder playerCpu;
    player.ConnectInterruptOutput(0, &playerCpu, kIrqInput);
    player.Install();
    player.Write(kAciaControl, kCon9600_8N1);
    UserMessage error;
    ASSERT_TRUE(test::Succeeded(player.StartReading(path), &error)) << error.text;
    for (int i = 0; i < 5000 && player.IsReading(); ++i)
        player.Run(7);
    EXPECT_FALSE(player.IsReading()) << "playback ends by itself";
    EXPECT_EQ(player.Rdr(), 0x41);
    EXPECT_EQ(player.Sr() & 0x0F, R6551::kRDRF);
    EXPECT_FALSE(player.DsrSwitch()) << "DTR was inactive while recording";
    EXPECT_FALSE(player.CtsSwitch());

    // The same module, after a reset, plays it back too.
    acia.Reset();
    acia.Write(kAciaControl, kCon9600_8N1);
    ASSERT_TRUE(test::Succeeded(acia.StartReading(path), &error));
    RunAcia(acia, 3000);
    EXPECT_EQ(acia.Rdr(), 0x41);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF);
}

TEST_F(R6551SignalFileTest, BackToBackCharactersPlayBackIntact) {
    const std::string path = PathOf("burst.sia");
    acia.Write(kAciaControl, 0x1F);  // 19200 baud, 8N1: the shortest bit time
    ASSERT_TRUE(acia.StartRecording(path));
    const std::vector<Byte> sent = {0x55, 0x00, 0xFF, 0x41, 0x80, 0x01};
    std::size_t next = 0;
    for (int i = 0; i < 5000; ++i) {
        if (next < sent.size() && (acia.Sr() & R6551::kTDRE) != 0) {
            acia.Write(kAciaData, sent[next++]);
        }
        acia.Run(3);
    }
    ASSERT_TRUE(acia.StopReadingAndRecording());

    R6551 player;
    player.Install();
    player.Write(kAciaControl, 0x1F);
    ASSERT_TRUE(player.StartReading(path));
    std::vector<Byte> received;
    while (player.IsReading()) {
        player.Run(5);
        if ((player.Sr() & R6551::kRDRF) != 0) {
            EXPECT_EQ(player.Sr() & 0x07, 0) << "character " << received.size();
            received.push_back(player.Read(kAciaData, false));
        }
    }
    EXPECT_EQ(received, sent);
}

TEST_F(R6551SignalFileTest, RecordsHoldTheirLevelsForExactlyTheirCounts) {
    const std::string path = WriteFile("timing.sia",
                                       "TxD RxC DTR RTS      Zeit\r\n"
                                       "0   1   1   1            4\r\n"
                                       "1   1   1   1            0\r\n"
                                       "0   1   1   1            3\r\n"
                                       "1   1   1   1            2\r\n");
    ASSERT_TRUE(acia.StartReading(path));
    std::string seen;
    for (int i = 0; i < 9; ++i) {
        acia.Run(1);
        seen += acia.Rxd() ? '1' : '0';
    }
    // "1111" memory for 4 cycles, the first record for 0, the second for 3, the third for 2.
    EXPECT_EQ(seen, "111111100");
    EXPECT_TRUE(acia.IsReading());
    acia.Run(1);
    EXPECT_FALSE(acia.IsReading()) << "the last record's levels are never applied";
    EXPECT_FALSE(acia.Rxd()) << "the line stays as the third record left it";
}

TEST_F(R6551SignalFileTest, DashLeavesALineAndSwitchColumnsUseZeroForOn) {
    const std::string path = WriteFile("dash.sia",
                                       "Kommentar\n"
                                       "  TxD RxC DTR RTS      Zeit  \n"
                                       "-   0   1   1            1\n"
                                       "-   0   -   0            1 trailing text\n"
                                       "1   1   1   1            1\n");
    ASSERT_TRUE(acia.StartReading(path));
    acia.Run(1);  // "1111"
    acia.Run(1);  // first record
    EXPECT_TRUE(acia.Rxd());
    EXPECT_FALSE(acia.RxcInput());
    EXPECT_FALSE(acia.DsrSwitch());
    EXPECT_FALSE(acia.CtsSwitch());
    EXPECT_EQ(acia.Sr() & R6551::kDSR, R6551::kDSR);
    acia.Run(1);  // second record
    EXPECT_FALSE(acia.DsrSwitch());
    EXPECT_TRUE(acia.CtsSwitch());
}

struct BadFileCase {
    const char* name;
    const char* content;
};

class R6551BadFileTest : public R6551SignalFileTest,
                         public ::testing::WithParamInterface<BadFileCase> {};

TEST_P(R6551BadFileTest, RefusedWithTheParseMessageAndStaysIdle) {
    const std::string path = WriteFile("bad.sia", GetParam().content);
    UserMessage error;
    EXPECT_FALSE(test::Succeeded(acia.StartReading(path), &error));
    EXPECT_EQ(error.caption, "Fehler beim Parsen des Dateiinhalts!");
    EXPECT_EQ(error.text, "Der Inhalt der Signaldatei '" + path +
                              "' ist entweder beschädigt oder liegt nicht im erwarteten Format "
                              "vor.");
    EXPECT_FALSE(acia.IsReading());
    EXPECT_TRUE(acia.StartRecording(PathOf("other.sia"))) << "the port is free";
}

INSTANTIATE_TEST_SUITE_P(
    Files, R6551BadFileTest,
    ::testing::Values(
        BadFileCase{"Empty", ""}, BadFileCase{"HeaderOnly", "TxD RxC DTR RTS      Zeit\r\n"},
        BadFileCase{"NoHeader", "1   1   1   1            5\r\n"},
        BadFileCase{"OnlyShortLine", "TxD RxC DTR RTS      Zeit\r\n1   1   1   1     5\r\n"},
        BadFileCase{"LetterInColumn5",
                    "TxD RxC DTR RTS      Zeit\r\n1   x   1   1            5\r\n"},
        BadFileCase{"NoNumber", "TxD RxC DTR RTS      Zeit\r\n1   1   1   1         abc  \r\n"},
        BadFileCase{"NumberBeyond32Bits",
                    "TxD RxC DTR RTS      Zeit\r\n1   1   1   1   9999999999\r\n"},
        BadFileCase{"Binary",
                    "TxD RxC DTR RTS      Zeit\r\n\x01\x02\x03\x04\x05\x06\x07\x08"
                    "\x09\x0b\x0c\x0e\x0f\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19"
                    "\x1a\x1b\x1c"}),
    [](const ::testing::TestParamInfo<BadFileCase>& info) { return info.param.name; });

// Lines are trimmed, short ones skipped, and only the columns a record uses are looked at, however
// long the line.
TEST_F(R6551SignalFileTest, ShortLinesAreDroppedSilentlyAndLongOnesRead) {
    const std::string text = "TxD RxC DTR RTS      Zeit\n1   1   1   1     5\n   \n" +
                             std::string(100000, ' ') + "0   1   0   1            3   # " +
                             std::string(100000, 'x') + "\n1   1   1   1            2\n";
    ASSERT_TRUE(acia.StartReading(std::make_unique<std::stringbuf>(text), "memory"));
    RunAcia(acia, 3, 1);  // the "1111" memory for three cycles
    EXPECT_TRUE(acia.Rxd());
    acia.Run(1);
    EXPECT_FALSE(acia.Rxd());
    EXPECT_TRUE(acia.DsrSwitch());
    EXPECT_FALSE(acia.CtsSwitch());
    acia.Run(1);
    EXPECT_TRUE(acia.IsReading());
    acia.Run(1);
    EXPECT_FALSE(acia.IsReading());
}

// Played back, a space that no record re-drives starts one character after the other; a record
// that drives it again (still space) ends that.
TEST_F(R6551SignalFileTest, PlayedBackSpaceRepeatsCharactersUntilTheNextRecord) {
    acia.Write(kAciaControl, kCon9600_8N1);
    const std::string text =
        "TxD RxC DTR RTS      Zeit\n"
        "0   -   -   -            1\n"  // the "1111" memory lasts one cycle
        "0   -   -   -         2500\n"  // the space before: two characters and a third begun
        "1   -   -   -         3000\n"  // the space driven again: the third ends, no fourth
        "1   -   -   -            1\n";
    ASSERT_TRUE(acia.StartReading(std::make_unique<std::stringbuf>(text), "space"));
    RunAcia(acia, 2501, 1);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF | R6551::kOverrun | R6551::kFramingError);
    acia.Read(kAciaData, false);
    RunAcia(acia, 3000, 1);
    EXPECT_EQ(acia.Sr() & 0x0F, R6551::kRDRF | R6551::kFramingError);
    EXPECT_FALSE(acia.Receiving());
}

TEST_F(R6551SignalFileTest, MissingFileGivesTheLoadMessage) {
    UserMessage error;
    const std::string path = PathOf("missing.sia");
    EXPECT_FALSE(test::Succeeded(acia.StartReading(path), &error));
    EXPECT_EQ(error.caption, "Fehler beim Laden!");
    EXPECT_EQ(error.text, "Beim Laden der Signaldatei '" + path +
                              "' ist ein Fehler aufgetreten! Der Inhalt der Datei konnte nicht "
                              "gelesen werden.");
}

TEST_F(R6551SignalFileTest, UnwritableRecordingIsRefusedAtTheStart) {
    const std::string path = PathOf("no/such/dir/out.sia");
    UserMessage error;
    const Status refused = acia.StartRecording(path);
    EXPECT_FALSE(test::Succeeded(refused, &error));
    EXPECT_EQ(refused.Reason(), "No such file or directory");
    EXPECT_EQ(error.caption, "Fehler beim Speichern!");
    EXPECT_EQ(error.text, "Beim Speichern der Datei '" + path +
                              "' ist ein Fehler aufgetreten! Der Speichervorgang wurde nicht "
                              "ordnungsgemäß abgeschlossen.");
    EXPECT_FALSE(acia.IsRecording());
}

TEST_F(R6551SignalFileTest, RecordingThatCannotBePutInPlaceIsLostWithTheSaveMessage) {
    std::filesystem::create_directory(PathOf("gone"));
    ASSERT_TRUE(acia.StartRecording(PathOf("gone/out.sia")));
    RunAcia(acia, 10);
    std::filesystem::remove_all(PathOf("gone"));
    UserMessage error;
    EXPECT_FALSE(test::Succeeded(acia.StopReadingAndRecording(), &error));
    EXPECT_EQ(error.caption, "Fehler beim Speichern!");
    EXPECT_FALSE(acia.IsRecording());
}

TEST_F(R6551SignalFileTest, BusyPortRefusesASecondStart) {
    const std::string file =
        WriteFile("ok.sia", "TxD RxC DTR RTS      Zeit\n1   1   1   1          100\n");
    ASSERT_TRUE(acia.StartReading(file));
    EXPECT_FALSE(acia.StartRecording(PathOf("rec.sia")));
    const Status busy = acia.StartReading(file);
    EXPECT_FALSE(busy);
    EXPECT_TRUE(busy.Message().caption.empty()) << "no message box for a busy port";
    EXPECT_EQ(busy.Reason(), "the serial port is already playing back '" + file + "'");
    EXPECT_TRUE(acia.StopReadingAndRecording());
    EXPECT_FALSE(acia.StopReadingAndRecording()) << "idle: nothing to stop";

    ASSERT_TRUE(acia.StartRecording(PathOf("rec.sia")));
    EXPECT_FALSE(acia.StartReading(file));
    EXPECT_FALSE(acia.StartRecording(PathOf("rec2.sia")));
}

TEST_F(R6551SignalFileTest, ResetSavesAnActiveRecording) {
    const std::string path = PathOf("reset.sia");
    ASSERT_TRUE(acia.StartRecording(path));
    RunAcia(acia, 5);
    acia.Reset();
    EXPECT_FALSE(acia.IsRecording());
    EXPECT_EQ(ReadLines(path).size(), 2u);
}

TEST_F(R6551SignalFileTest, ZeroDurationRecordComesFromAControlWriteInTheSameCycle) {
    const std::string path = PathOf("zero.sia");
    ASSERT_TRUE(acia.StartRecording(path));
    acia.Run(1);                     // first line
    acia.Write(kAciaCommand, 0x01);  // DTR on: not yet recorded
    acia.Write(kAciaControl, 0x1E);  // records the changed state at once
    acia.Run(1);
    ASSERT_TRUE(acia.StopReadingAndRecording());
    const std::vector<Record> records = ParseRecords(ReadLines(path));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].levels, "1001");
    EXPECT_EQ(records[1].count, 0u);
}

}  // namespace
}  // namespace tarvok::test
