// Serial signal files (.sia): the ACIA's outputs recorded, or a file played into its inputs, as
// through a null-modem cable (TxD -> RxD, RxC -> RxC, DTR -> DSR, RTS -> CTS).

#include <cstdio>

#include "devices/r6551.h"
#include "devices/signal_file.h"

namespace tarvok {

namespace {

constexpr std::size_t kRecordLength = 25;

// Normalized record: the four levels (columns 1, 5, 9, 13), a blank and the count. Whatever
// follows the count's digits (the recorder's "# cycle" column) is not looked at.
bool NormalizeRecord(std::string_view line, std::string& record) {
    if (!IsSignalLevel(line[0]) || !IsSignalLevel(line[4]) || !IsSignalLevel(line[8]) ||
        !IsSignalLevel(line[12])) {
        return false;
    }
    std::uint32_t count = 0;
    if (!ParseCycleCount(Columns(line, 17, 10), false, count)) return false;
    record = {line[0], line[4], line[8], line[12], ' '};
    record += std::to_string(count);
    return true;
}

}  // namespace

std::array<char, 4> R6551::RecordedLevels() const {
    const bool txd = !s_.ctsSwitch || (s_.tsr & 1) != 0;
    const bool rxc = (s_.txClockCount & 1) != 0;
    const bool dtrActive = (s_.com & 0x01) != 0;
    const bool rtsActive = (s_.com & 0x0C) != 0;
    return {txd ? '1' : '0', rxc ? '1' : '0', dtrActive ? '0' : '1', rtsActive ? '0' : '1'};
}

Status R6551::StartRecording(const std::string& file) {
    if (s_.reading || s_.recording) return Status::Failure(BusyReason());
    s_.recording = true;
    s_.fileCycleCounter = 0;
    file_ = {file, {kSignalFileHeader}, {}, 0};
    return {};
}

std::string R6551::BusyReason() const {
    return std::string("the serial port is already ") +
           (s_.reading ? "playing back '" : "recording to '") + file_.name + "'";
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
    file_.recordLines.emplace_back(line);
    s_.fileCycleCounter = 0;
    s_.lastRecorded = levels;
}

bool R6551::CheckSignalFile(std::vector<std::string>& lines) {
    return NormalizeSignalRecords(lines, kSignalFileHeader, kRecordLength, &NormalizeRecord);
}

Status R6551::StartReading(const std::string& file) {
    if (s_.reading || s_.recording) return Status::Failure(BusyReason());
    std::vector<std::string> lines;
    if (Status loaded = LoadCheckedSignalFile(file, &CheckSignalFile, lines); !loaded)
        return loaded;
    std::vector<R6551PlaybackRecord> records;
    records.reserve(lines.size());
    for (const std::string& line : lines) {
        std::uint32_t count = 0;
        ParseCycleCount(std::string_view(line).substr(5), true, count);
        records.push_back({{line[0], line[1], line[2], line[3]}, count});
    }
    file_ = {file, {}, std::move(records), 0};
    s_.reading = true;
    s_.fileCycleCounter = 0;
    return {};
}

void R6551::ApplyLevels(const std::array<char, 4>& levels) {
    if (levels[0] != '-') SetRxd(levels[0] == '1');
    if (levels[1] != '-') s_.rxcInput = levels[1] == '1';
    if (levels[2] != '-') SetDsrSwitch(levels[2] == '0');
    if (levels[3] != '-') SetCtsSwitch(levels[3] == '0');
}

bool R6551::ApplyNextRecord() {
    do {
        if (file_.playbackIndex >= file_.playback.size()) return false;
        const R6551PlaybackRecord record = file_.playback[file_.playbackIndex++];
        // The previous record's levels start now and last for this record's count.
        const std::array<char, 4> previous = s_.previousLevels;
        s_.previousLevels = record.levels;
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
    } else if (s_.recording) {
        s_.recording = false;
        result = SaveSignalFile(file_.name, file_.recordLines);
    } else {
        return Status::Failure("the serial port is neither playing back nor recording");
    }
    file_ = {};
    listeners_.Notify(
        [&](R6551Listener& l) { l.SignalFileStopped(result ? nullptr : &result.Message()); });
    return result;
}

}  // namespace tarvok
