#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/address_decoder.h"
#include "core/output_sink.h"
#include "devices/mc6821.h"
#include "support/irq_recorder.h"
#include "support/status_check.h"
#include "support/temp_dir.h"

namespace tarvok {
namespace {

constexpr const char* kHeader = "#Px7-Px0  Cx1 Cx2     Zeit";

class Mc6821FileEvents : public Mc6821Listener {
public:
    void RegisterChanged(Mc6821Register reg, Byte value) override {
        log << "R" << static_cast<int>(reg) << ":" << int{value} << " ";
    }
    void Cx2OutputChanged(int port, bool level) override { log << "L" << port << level << " "; }
    void InputSwitchesChanged(int port, Byte switches) override {
        log << "S" << port << ":" << int{switches} << " ";
    }
    void ControlSwitchChanged(int port, int line, bool on) override {
        log << "C" << port << line << on << " ";
    }
    void SignalFileStateChanged(int port) override { log << "F" << port << " "; }
    void SignalFileFailed(int port, const UserMessage& message) override {
        log << "X" << port << message.caption << " ";
    }
    std::ostringstream log;
};

class Mc6821SignalFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        decoder.SetOutput(&lines);
        decoder.SetBeepHandler([] {});
        pia.SetDecoder(&decoder);
        pia.ConnectInterruptOutput(0, &cpu, kIrqInput);
        pia.ConnectInterruptOutput(1, &cpu, kIrqInput);
        pia.Install();
    }

    std::string WriteFile(const std::string& name, const std::string& content) {
        return temp.Write(name, content);
    }
    static std::string ReadFile(const std::string& path) { return test::TempDir::Read(path); }

    test::TempDir temp;
    AddressDecoder decoder;
    MessageLines lines;
    test::IrqRecorder cpu;
    Mc6821 pia;
};

TEST_F(Mc6821SignalFileTest, RecordsHoldTheirLevelsForTheirDuration) {
    Mc6821FileEvents events;
    pia.AddListener(&events);
    const std::string file = WriteFile("three.pia", std::string(kHeader) +
                                                        "\r\n10101010   -   -       100\r\n"
                                                        "01010101   -   -         0\r\n"
                                                        "11111111   -   -        50\r\n");
    UserMessage error;
    ASSERT_TRUE(test::Succeeded(pia.StartReading(file, 1), &error));
    pia.Run(1);
    EXPECT_EQ(pia.InputSwitches(1), 0xAA);
    pia.Run(99);
    EXPECT_EQ(pia.InputSwitches(1), 0xAA);
    events.log.str("");
    pia.Run(1);  // cycle 101: the zero-length record and the next one together
    EXPECT_EQ(pia.InputSwitches(1), 0xFF);
    EXPECT_EQ(events.log.str(), "S1:85 S1:255 ");
    pia.Run(49);
    EXPECT_TRUE(pia.IsReading(1));
    pia.Run(1);
    EXPECT_FALSE(pia.IsReading(1));
    EXPECT_EQ(pia.InputSwitches(1), 0xFF);
    pia.RemoveListener(&events);
}

TEST_F(Mc6821SignalFileTest, RecordingWritesLineStatesAndDurations) {
    const std::string file = temp.Path("rec.pia");
    pia.SetDdr(kPortB, 0x0F);
    pia.SetCr(kPortB, 0x04);
    pia.SetDr(kPortB, 0x05);
    ASSERT_TRUE(pia.StartRecording(file, 2));
    pia.Run(30);
    pia.SetDr(kPortB, 0x05);  // a store of the same value ends a record too
    pia.Run(10);
    pia.SetDr(kPortB, 0x0A);
    pia.Run(12);
    pia.SetCr(kPortB, 0x3C);  // CB2 now driven high
    pia.Run(3);
    ASSERT_TRUE(pia.StopReadingAndRecording(2));
    EXPECT_EQ(ReadFile(file), std::string(kHeader) +
                                  "\r\n"
                                  "----0101   -   -        30\r\n"
                                  "----0101   -   -        10\r\n"
                                  "----1010   -   -        12\r\n"
                                  "----1010   -   1         3\r\n");
    EXPECT_FALSE(pia.IsRecording(2));
    EXPECT_TRUE(pia.SignalFileName(2).empty());
}

// Every control-register store that drives Cx2 directly ends a record, also the flag stores of a
// data read and of an active Cx1 edge; stores that leave Cx2 to the port do not.
TEST_F(Mc6821SignalFileTest, DirectCx2StoresEndARecordEvenWithoutChange) {
    const std::string file = temp.Path("cx2.pia");
    pia.SetCr(kPortA, 0x3C);  // CA2 high, DRA selected, CA1 falling edge
    pia.SetControlInput(kPortA, 1, true);
    ASSERT_TRUE(pia.StartRecording(file, 1));
    pia.Run(5);
    pia.SetCr(kPortA, 0x3C);
    pia.Run(6);
    pia.SetControlInput(kPortA, 1, false);  // sets the CA1 flag
    pia.Run(7);
    pia.Read(0xF000, false);  // clears it
    pia.Run(8);
    pia.Read(0xF000, true);   // an inspection read stores nothing
    pia.SetCr(kPortA, 0x2C);  // pulse mode: no record
    pia.Run(9);
    ASSERT_TRUE(pia.StopReadingAndRecording(1));
    EXPECT_EQ(ReadFile(file), std::string(kHeader) +
                                  "\r\n"
                                  "--------   -   1         5\r\n"
                                  "--------   -   1         6\r\n"
                                  "--------   -   1         7\r\n"
                                  "--------   -   1        17\r\n");
}

// The lines' directions belong to the recorded state: a store that changes one ends a record.
TEST_F(Mc6821SignalFileTest, DirectionChangeEndsTheRecordedState) {
    const std::string file = temp.Path("ddr.pia");
    pia.SetDdr(kPortB, 0x0F);
    pia.SetCr(kPortB, 0x04);
    pia.SetDr(kPortB, 0x35);
    ASSERT_TRUE(pia.StartRecording(file, 2));
    pia.Run(20);
    pia.SetCr(kPortB, 0x00);
    pia.SetDdr(kPortB, 0x0F);  // no change: no record
    pia.Run(4);
    pia.SetDdr(kPortB, 0xFF);
    pia.Run(11);
    ASSERT_TRUE(pia.StopReadingAndRecording(2));
    EXPECT_EQ(ReadFile(file), std::string(kHeader) +
                                  "\r\n"
                                  "----0101   -   -        24\r\n"
                                  "00110101   -   -        11\r\n");
}

// A state that outlasts the 32-bit duration field is written as several records of that state.
TEST_F(Mc6821SignalFileTest, RecordingSplitsStatesLongerThanTheDurationField) {
    const std::string file = temp.Path("long.pia");
    pia.SetDdr(kPortA, 0x81);
    pia.SetCr(kPortA, 0x04);
    pia.SetDr(kPortA, 0x01);
    ASSERT_TRUE(pia.StartRecording(file, 1));
    constexpr long kRuns = 16843010;  // 4294967550 cycles: 255 more than the field holds
    for (long run = 0; run < kRuns; ++run)
        pia.Run(255);
    pia.SetDr(kPortA, 0x80);
    pia.Run(1);
    ASSERT_TRUE(pia.StopReadingAndRecording(1));
    EXPECT_EQ(ReadFile(file), std::string(kHeader) +
                                  "\r\n"
                                  "0------1   -   -4294967295\r\n"
                                  "0------1   -   -       255\r\n"
                                  "1------0   -   -         1\r\n");
}

TEST_F(Mc6821SignalFileTest, RecordedOutputPlaysBackCycleForCycle) {
    const std::string file = temp.Path("trip.pia");
    pia.SetDdr(kPortB, 0xFF);
    pia.SetCr(kPortB, 0x3C);
    ASSERT_TRUE(pia.StartRecording(file, 2));
    std::vector<Byte> data;
    std::vector<bool> strobe;
    for (int cycle = 0; cycle < 300; ++cycle) {
        if (cycle % 37 == 5) pia.SetDr(kPortB, static_cast<Byte>(cycle * 7));
        if (cycle % 53 == 11) pia.SetCr(kPortB, pia.Cr(kPortB) ^ 0x08);
        data.push_back(pia.Dr(kPortB));
        strobe.push_back(pia.C2Output(kPortB));
        pia.Run(1);
    }
    ASSERT_TRUE(pia.StopReadingAndRecording(2));

    UserMessage error;
    ASSERT_TRUE(test::Succeeded(pia.StartReading(file, 1), &error));
    for (int cycle = 0; cycle < 300; ++cycle) {
        pia.Run(1);
        ASSERT_EQ(pia.InputSwitches(1), data[cycle]) << "cycle " << cycle;
        ASSERT_EQ(pia.ControlInput(kPortA, 2), strobe[cycle]) << "cycle " << cycle;
    }
    EXPECT_TRUE(pia.IsReading(1));
    pia.Run(1);
    EXPECT_FALSE(pia.IsReading(1));
}

// The port window stops playback from its switch handler; the record being applied must not be
// read after its file is gone.
TEST_F(Mc6821SignalFileTest, SwitchHandlerMayStopThePlayback) {
    class StopOnSwitches : public Mc6821FileEvents {
    public:
        explicit StopOnSwitches(Mc6821& device) : device_(device) {}
        void InputSwitchesChanged(int port, Byte switches) override {
            Mc6821FileEvents::InputSwitchesChanged(port, switches);
            EXPECT_TRUE(device_.StopReadingAndRecording(port));
        }

    private:
        Mc6821& device_;
    };
    pia.SetCr(kPortA, 0x10);  // CA2 input, rising edge
    StopOnSwitches events(pia);
    pia.AddListener(&events);
    const std::string file = WriteFile("stop.pia", std::string(kHeader) +
                                                       "\n00001111   -   1         0\n"
                                                       "11110000   -   -        10\n");
    ASSERT_TRUE(pia.StartReading(file, 1));
    pia.Run(5);
    EXPECT_FALSE(pia.IsReading(1));
    EXPECT_EQ(pia.InputSwitches(1), 0x0F);
    EXPECT_TRUE(pia.ControlSwitch(1, 2)) << "the rest of the record is still applied";
    EXPECT_EQ(events.log.str(), "F1 S1:15 F1 C121 R2:80 ");
    pia.RemoveListener(&events);
}

TEST_F(Mc6821SignalFileTest, PlaybackLeavesUndrivenLinesAndDrivesCx2) {
    pia.SetCr(kPortA, 0x1C);  // CA2 input, rising edge, IRQ enabled
    pia.SetInputSwitches(1, 0x0F);
    const std::string file = WriteFile(
        "cx2.pia", std::string("comment line\n") + kHeader + "\n1--0----   1   1         2\n");
    ASSERT_TRUE(pia.StartReading(file, 1));
    pia.Run(1);
    EXPECT_EQ(pia.InputSwitches(1), 0x8F & ~0x10);
    EXPECT_TRUE(pia.ControlSwitch(1, 2));
    EXPECT_FALSE(pia.ControlSwitch(1, 1));  // Cx1 is never played back
    EXPECT_TRUE(pia.CrBit(kPortA, Mc6821::kCrFlag2));
    EXPECT_FALSE(cpu.LastLevel(1, kIrqInput));
}

TEST_F(Mc6821SignalFileTest, MalformedFilesAreRefusedAndLeaveThePortIdle) {
    const std::string good = "00000000   -   -        10\n";
    const struct {
        const char* name;
        std::string content;
    } cases[] = {
        {"empty", ""},
        {"no_header", good},
        {"header_spacing", std::string("#Px7-Px0 Cx1 Cx2     Zeit\n") + good},
        {"header_case", std::string("#px7-px0  cx1 cx2     zeit\n") + good},
        {"header_only", std::string(kHeader) + "\n"},
        {"short_lines_only", std::string(kHeader) + "\n0000000   -   -   10\n\n"},
        {"bad_state", std::string(kHeader) + "\n00x00000   -   -        10\n"},
        {"bad_cx2", std::string(kHeader) + "\n00000000   -   2        10\n"},
        {"bad_number", std::string(kHeader) + "\n00000000   -   -       1x0\n"},
        {"number_too_big", std::string(kHeader) + "\n00000000   -   -9999999999\n"},
        {"binary", std::string(kHeader) + "\n" + std::string("\0\1\2\3\4\5\6\7", 8) +
                       std::string(30, '\xFF') + "\n"},
    };
    for (const auto& c : cases) {
        const std::string file = WriteFile(std::string(c.name) + ".pia", c.content);
        UserMessage error;
        EXPECT_FALSE(test::Succeeded(pia.StartReading(file, 2), &error)) << c.name;
        EXPECT_EQ(error.caption, "Fehler beim Parsen des Dateiinhalts!") << c.name;
        EXPECT_EQ(error.text, "Der Inhalt der Signaldatei '" + file +
                                  "' ist entweder beschädigt oder liegt nicht im erwarteten "
                                  "Format vor.")
            << c.name;
        EXPECT_FALSE(pia.IsReading(2)) << c.name;
    }
}

TEST_F(Mc6821SignalFileTest, ShortRecordLinesAreDroppedSilently) {
    const std::string file =
        WriteFile("short.pia", std::string(kHeader) +
                                   "\n11110000   -   -  20\n\n   00001111   -   -         5   \n");
    ASSERT_TRUE(pia.StartReading(file, 1));
    pia.Run(1);
    EXPECT_EQ(pia.InputSwitches(1), 0x0F);
    pia.Run(5);
    EXPECT_FALSE(pia.IsReading(1));
}

TEST_F(Mc6821SignalFileTest, UnreadableFileGivesLoadError) {
    const std::string file = temp.Path("missing.pia");
    UserMessage error;
    EXPECT_FALSE(test::Succeeded(pia.StartReading(file, 1), &error));
    EXPECT_EQ(error.caption, "Fehler beim Laden!");
    EXPECT_EQ(error.text, "Beim Laden der Signaldatei '" + file +
                              "' ist ein Fehler aufgetreten! Der Inhalt der Datei konnte nicht "
                              "gelesen werden.");
    EXPECT_FALSE(pia.IsReading(1));
}

TEST_F(Mc6821SignalFileTest, BusyPortRefusesAndIdlePortHasNothingToStop) {
    const std::string file =
        WriteFile("busy.pia", std::string(kHeader) + "\n00000000   -   -       100\n");
    EXPECT_FALSE(pia.StopReadingAndRecording(1));
    ASSERT_TRUE(pia.StartReading(file, 1));
    EXPECT_FALSE(pia.StartRecording(temp.Path("other.pia"), 1));
    const Status busy = pia.StartReading(file, 1);
    EXPECT_FALSE(busy);
    EXPECT_EQ(busy.Reason(), "port A is already playing back '" + file + "'");
    EXPECT_TRUE(pia.IsReading(1));
    EXPECT_FALSE(pia.IsRecording(1));
    ASSERT_TRUE(pia.StartRecording(temp.Path("b.pia"), 2));  // ports are independent
    EXPECT_FALSE(pia.StartReading(file, 2));
    EXPECT_FALSE(pia.StartRecording(temp.Path("c.pia"), 2));
    EXPECT_TRUE(pia.StopReadingAndRecording(1));
    EXPECT_TRUE(pia.StopReadingAndRecording(2));
    EXPECT_EQ(pia.StopReadingAndRecording(2).Reason(),
              "port B is neither playing back nor recording");
    EXPECT_FALSE(std::filesystem::exists(temp.Path("other.pia")));
}

TEST_F(Mc6821SignalFileTest, UnwritableTargetIsRefusedAtTheStart) {
    const std::string file = temp.Path("no_such_dir/x.pia");
    UserMessage error;
    const Status refused = pia.StartRecording(file, 1);
    EXPECT_FALSE(test::Succeeded(refused, &error));
    EXPECT_EQ(refused.Reason(), "No such file or directory");
    EXPECT_EQ(error.caption, "Fehler beim Speichern!");
    EXPECT_EQ(error.text, "Beim Speichern der Datei '" + file +
                              "' ist ein Fehler aufgetreten! Der Speichervorgang wurde nicht "
                              "ordnungsgemäß abgeschlossen.");
    EXPECT_FALSE(pia.IsRecording(1));

    const std::string locked = WriteFile("locked.pia", "keep me");
    std::filesystem::permissions(locked, std::filesystem::perms::owner_read);
    EXPECT_FALSE(pia.StartRecording(locked, 1));
    EXPECT_EQ(ReadFile(locked), "keep me");
    EXPECT_TRUE(pia.StartRecording(temp.Path("again.pia"), 1));
}

TEST_F(Mc6821SignalFileTest, FailedSaveReportsAndLosesTheRecording) {
    std::filesystem::create_directory(temp.Path("gone"));
    const std::string file = temp.Path("gone/x.pia");
    ASSERT_TRUE(pia.StartRecording(file, 1));
    pia.Run(10);
    std::filesystem::remove_all(temp.Path("gone"));
    UserMessage error;
    EXPECT_FALSE(test::Succeeded(pia.StopReadingAndRecording(1), &error));
    EXPECT_EQ(error.caption, "Fehler beim Speichern!");
    EXPECT_FALSE(pia.IsRecording(1));
}

TEST_F(Mc6821SignalFileTest, ResetWritesRecordingAndReportsFailure) {
    Mc6821FileEvents events;
    pia.AddListener(&events);
    const std::string good = temp.Path("reset.pia");
    std::filesystem::create_directory(temp.Path("gone"));
    ASSERT_TRUE(pia.StartRecording(good, 1));
    ASSERT_TRUE(pia.StartRecording(temp.Path("gone/bad.pia"), 2));
    std::filesystem::remove_all(temp.Path("gone"));
    pia.Run(7);
    events.log.str("");
    pia.Reset();
    EXPECT_FALSE(pia.IsRecording(1));
    EXPECT_FALSE(pia.IsRecording(2));
    EXPECT_EQ(ReadFile(good), std::string(kHeader) + "\r\n--------   -   -         7\r\n");
    EXPECT_NE(events.log.str().find("X2Fehler beim Speichern!"), std::string::npos);
    pia.RemoveListener(&events);
}

// Lines before the header are skipped, record lines trimmed, and columns past 26 not looked at,
// however long the line.
TEST_F(Mc6821SignalFileTest, PlaysTextFromMemoryTrimmedAndWithLongLines) {
    const std::string text = "junk\n" + std::string(kHeader) + "\n  0101--10   1   0 000000042" +
                             std::string(100000, 'x') + "\nshort\n";
    ASSERT_TRUE(pia.StartReading(std::make_unique<std::stringbuf>(text), "memory", 1));
    EXPECT_EQ(pia.SignalFileName(1), "memory");
    pia.Run(1);
    EXPECT_EQ(pia.InputSwitches(1), 0x52);
    pia.Run(41);
    EXPECT_TRUE(pia.IsReading(1));
    pia.Run(1);
    EXPECT_FALSE(pia.IsReading(1));
    const Status empty = pia.StartReading(std::make_unique<std::stringbuf>(""), "empty", 1);
    EXPECT_FALSE(empty);
    EXPECT_EQ(empty.Message().caption, "Fehler beim Parsen des Dateiinhalts!");
}

// Stepping cycle by cycle and in whole steps must give the same machine.
TEST_F(Mc6821SignalFileTest, LongRunsEqualSingleCycles) {
    const std::string input =
        WriteFile("input.pia", std::string(kHeader) +
                                   "\n10000001   -   1        17\n01000010   -   0         0\n"
                                   "00100100   -   1        90\n00011000   -   0         1\n"
                                   "11111111   -   1       120\n");
    auto scenario = [&](bool singleCycles) {
        AddressDecoder bus;
        MessageLines out;
        bus.SetOutput(&out);
        bus.SetBeepHandler([] {});
        test::IrqRecorder irq;
        Mc6821FileEvents events;
        Mc6821 device;
        device.SetDecoder(&bus);
        device.ConnectInterruptOutput(0, &irq, kIrqInput);
        device.ConnectInterruptOutput(1, &irq, kIrqInput);
        device.Install();
        device.AddListener(&events);
        const std::string recording = temp.Path(singleCycles ? "single.pia" : "bulk.pia");
        device.SetCr(kPortA, 0x0C);  // CA2 falling edge with IRQ
        device.SetDdr(kPortB, 0xFF);
        device.SetCr(kPortB, 0x2C);  // CB2 pulse strobe on writes
        EXPECT_TRUE(device.StartReading(input, 1));
        EXPECT_TRUE(device.StartRecording(recording, 2));
        auto advance = [&](unsigned cycles) {
            while (cycles > 0) {
                const unsigned step = singleCycles ? 1 : std::min(cycles, 200u);
                device.Run(static_cast<Byte>(step));
                cycles -= step;
            }
        };
        const unsigned marks[] = {3, 40, 41, 150, 260, 400};
        for (unsigned i = 0; i < std::size(marks); ++i) {
            advance(marks[i]);
            device.Write(0xF002, static_cast<Byte>(i * 29));
            device.Read(0xF000, false);
        }
        EXPECT_TRUE(device.StopReadingAndRecording(2));
        std::ostringstream state;
        state << events.log.str() << "|" << int{device.InputSwitches(1)} << " "
              << int{device.Cr(kPortA)} << " " << device.IsReading(1) << "|";
        for (const auto& call : irq.calls)
            state << call.sourceLine << call.level;
        for (const auto& line : out.Lines())
            state << line << ";";
        state << "|" << ReadFile(recording);
        return state.str();
    };
    const std::string single = scenario(true);
    EXPECT_EQ(single, scenario(false));
    EXPECT_NE(single.find("L-Strobe-Impuls an CB2"), std::string::npos);
}

}  // namespace
}  // namespace tarvok
