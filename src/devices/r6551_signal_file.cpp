// Serial signal files (.sia): the ACIA's outputs recorded, or a file played into its inputs, as
// through a null-modem cable (TxD -> RxD, RxC -> RxC, DTR -> DSR, RTS -> CTS).

#include <cstdio>

#include "devices/r6551.h"
#include "devices/signal_file.h"

namespace tarvok {

namespace {

// Levels in columns 1, 5, 9 and 13; the count starts in column 17. Whatever follows the count's
// digits (the recorder's "# cycle" column) is not looked at.
bool ParseRecord(std::string_view line, SignalRecord& record) {
    for (std::size_t i = 0; i < 4; ++i) {
        const char level = line[4 * i];
        if (!IsSignalLevel(level)) return false;
        record.levels[i] = level;
    }
    return ParseCycleCount(Columns(line, 17, 10), false, record.cycles);
}

constexpr SignalFileFormat kFormat{R6551::kSignalFileHeader, 25, &ParseRecord};

}  // namespace

std::array<char, 4> R6551::RecordedLevels() const {
    const bool txd = !s_.ctsSwitch || (s_.tsr & 1) != 0;
    const bool rxc = (s_.txClockCount & 1) != 0;
    const bool dtrActive = (s_.com & 0x01) != 0;
    const bool rtsActive = (s_.com & 0x0C) != 0;
    return {txd ? '1' : '0', rxc ? '1' : '0', dtrActive ? '0' : '1', rtsActive ? '0' : '1'};
}

Status R6551::CheckIdle() const {
    if (!s_.reading && !s_.recording) return {};
    return Status::Failure(std::string("the serial port is already ") +
                           (s_.reading ? "playing back '" : "recording to '") + file_.name + "'");
}

std::int64_t R6551::SignalFilePosition() const {
    if (s_.reading) return file_.reader.Position();
    if (s_.recording) return file_.writer.Position();
    return -1;
}

bool R6551::ReturnToSignalFilePosition(std::int64_t position) {
    if (s_.reading) return file_.reader.Seek(position);
    if (s_.recording) return file_.writer.Truncate(position);
    return false;
}

Status R6551::StartRecording(const std::string& file) {
    if (Status idle = CheckIdle(); !idle) return idle;
    if (Status opened = file_.writer.Open(file, kSignalFileHeader); !opened) return opened;
    file_.name = file;
    s_.recording = true;
    s_.fileCycleCounter = 0;
    return {};
}

bool R6551::WriteRecord() {
    if (!s_.recording) return false;
    const std::array<char, 4> levels = RecordedLevels();
    if (levels == s_.lastRecorded) return false;
    WriteStatusLine(levels);
    return true;
}

void R6551::WriteStatusLine(const std::array<char, 4>& levels) {
    char line[64];
    std::snprintf(line, sizeof line, "%c   %c   %c   %c   %10lu # %10lu", levels[0], levels[1],
                  levels[2], levels[3], static_cast<unsigned long>(s_.fileCycleCounter),
                  static_cast<unsigned long>(s_.cycles & 0xFFFFFFFFu));
    file_.writer.WriteLine(line);
    s_.fileCycleCounter = 0;
    s_.lastRecorded = levels;
}

Status R6551::StartReading(const std::string& file) {
    if (Status idle = CheckIdle(); !idle) return idle;
    std::unique_ptr<std::streambuf> content;
    if (Status opened = OpenSignalFile(file, content); !opened) return opened;
    return StartReading(std::move(content), file);
}

Status R6551::StartReading(std::unique_ptr<std::streambuf> content, const std::string& name) {
    if (Status idle = CheckIdle(); !idle) return idle;
    if (Status opened = file_.reader.Open(kFormat, std::move(content), name); !opened)
        return opened;
    file_.name = name;
    s_.reading = true;
    s_.fileCycleCounter = 0;
    return {};
}

// Every record is a new sample of RxD ('-' samples the level it leaves): the receiver starts a
// character where the sample before was mark and this one is space.
void R6551::ApplyLevels(const std::array<char, 4>& levels) {
    SetRxd(levels[0] == '-' ? s_.rxd : levels[0] == '1');
    if (levels[1] != '-') s_.rxcInput = levels[1] == '1';
    if (levels[2] != '-') SetDsrSwitch(levels[2] == '0');
    if (levels[3] != '-') SetCtsSwitch(levels[3] == '0');
}

bool R6551::ApplyNextRecord() {
    SignalRecord record;
    do {
        if (!file_.reader.Next(record)) return false;
        // The previous record's levels start now and last for this record's count.
        const std::array<char, 4> previous = s_.previousLevels;
        s_.previousLevels = {record.levels[0], record.levels[1], record.levels[2],
                             record.levels[3]};
        s_.fileCycleCounter = record.cycles;
        ApplyLevels(previous);
        if (!s_.reading) return false;  // stopped from a handler
    } while (s_.fileCycleCounter == 0);
    return true;
}

Status R6551::StopReadingAndRecording() {
    Status result;
    if (s_.reading) {
        s_.reading = false;
        file_.reader.Close();
    } else if (s_.recording) {
        s_.recording = false;
        result = file_.writer.Close();
    } else {
        return Status::Failure("the serial port is neither playing back nor recording");
    }
    file_.name.clear();
    listeners_.Notify(
        [&](R6551Listener& l) { l.SignalFileStopped(result ? nullptr : &result.Message()); });
    return result;
}

}  // namespace tarvok
