// Recording and playback of the PIA ports: a .pia file is a header line and one record per state
// of the port's lines, each with the number of cycles the state lasted.

#include <cstdio>

#include "devices/mc6821.h"
#include "devices/signal_file.h"

namespace tarvok {

namespace {

constexpr std::size_t kRecordLength = 26;

// Columns 1 to 8 (Px7..Px0), 12 (Cx1) and 16 (Cx2) as indices.
constexpr std::size_t kLevelIndices[] = {0, 1, 2, 3, 4, 5, 6, 7, 11, 15};

// Normalized record: Px7..Px0, blank, Cx1, blank, Cx2 (column 12), blank, duration (column 14).
bool NormalizeRecord(std::string_view line, std::string& record) {
    for (std::size_t index : kLevelIndices) {
        if (!IsSignalLevel(line[index])) return false;
    }
    const std::string_view number = TrimBlanks(Columns(line, 17, 10));
    std::uint32_t duration = 0;
    if (!ParseCycleCount(number, true, duration)) return false;
    record.assign(line.substr(0, 8));
    record += ' ';
    record += line[11];
    record += ' ';
    record += line[15];
    record += ' ';
    record += number;
    return true;
}

}  // namespace

bool Mc6821::IsReading(int port) const {
    return ValidPort(port) && state_.port[port - 1].reading;
}

bool Mc6821::IsRecording(int port) const {
    return ValidPort(port) && state_.port[port - 1].recording;
}

const std::string& Mc6821::SignalFileName(int port) const {
    static const std::string kNone;
    return ValidPort(port) ? files_[port - 1].name : kNone;
}

Status Mc6821::StartRecording(const std::string& file, int port) {
    if (!ValidPort(port)) return Status::Failure("no such port");
    Mc6821Port& state = state_.port[port - 1];
    if (state.reading || state.recording) return Status::Failure(BusyReason(port));
    state.recording = true;
    state.cycleCounter = 0;
    files_[port - 1] = {file, {std::string(kSignalFileHeader)}, 0};
    listeners_.Notify([&](Mc6821Listener& l) { l.SignalFileStateChanged(port); });
    return {};
}

Status Mc6821::StartReading(const std::string& file, int port) {
    if (!ValidPort(port)) return Status::Failure("no such port");
    Mc6821Port& state = state_.port[port - 1];
    if (state.reading || state.recording) return Status::Failure(BusyReason(port));
    std::vector<std::string> lines;
    if (Status loaded = LoadCheckedSignalFile(file, &CheckSignalFile, lines); !loaded)
        return loaded;
    files_[port - 1] = {file, std::move(lines), 0};
    state.reading = true;
    state.cycleCounter = 0;
    listeners_.Notify([&](Mc6821Listener& l) { l.SignalFileStateChanged(port); });
    return {};
}

Status Mc6821::StopReadingAndRecording(int port) {
    if (!ValidPort(port)) return Status::Failure("no such port");
    Mc6821Port& state = state_.port[port - 1];
    SignalFile& file = files_[port - 1];
    Status result;
    if (state.reading) {
        state.reading = false;
    } else if (state.recording) {
        WriteRecord(port);
        state.recording = false;
        result = SaveSignalFile(file.name, file.lines);
    } else {
        return Status::Failure("port " + std::string(port == kPortA ? "A" : "B") +
                               " is neither playing back nor recording");
    }
    file = {};
    state.cycleCounter = 0;
    listeners_.Notify([&](Mc6821Listener& l) { l.SignalFileStateChanged(port); });
    return result;
}

std::string Mc6821::BusyReason(int port) const {
    const std::string name = port == kPortA ? "A" : "B";
    return "port " + name + " is already " +
           (state_.port[port - 1].reading ? "playing back '" : "recording to '") +
           files_[port - 1].name + "'";
}

void Mc6821::WriteRecord(int port) {
    if (!IsRecording(port)) return;
    const int p = port - 1;
    Mc6821Port& state = state_.port[p];
    std::string line = LevelsAt(p);
    line += "   -   ";
    line += C2SaveValue(state.cr);
    char count[16];
    std::snprintf(count, sizeof count, "%10lu", static_cast<unsigned long>(state.cycleCounter));
    line += count;
    state.cycleCounter = 0;
    files_[p].lines.push_back(std::move(line));
}

bool Mc6821::ApplyNextRecord(int port) {
    if (!IsReading(port)) return false;
    Mc6821Port& state = state_.port[port - 1];
    SignalFile& file = files_[port - 1];
    while (file.nextLine < file.lines.size()) {
        // Everything is taken from the record first: a handler of the switches may stop the
        // playback and so free the lines.
        const std::string_view line = file.lines[file.nextLine++];
        Byte switches = state.inputSwitches;
        for (int column = 0; column < 8; ++column) {
            const Byte mask = static_cast<Byte>(0x80u >> column);
            if (line[column] == '0') switches &= static_cast<Byte>(~mask);
            if (line[column] == '1') switches |= mask;
        }
        const char c2 = line[11];
        std::uint32_t duration = 0;
        ParseCycleCount(Columns(line, 14, 10), true, duration);
        SetInputSwitches(port, switches);
        if (c2 == '0' || c2 == '1') SetControlSwitch(port, 2, c2 == '1');
        if (!state.reading) return false;
        state.cycleCounter = duration;
        if (duration != 0) return true;
    }
    return false;
}

bool Mc6821::CheckSignalFile(std::vector<std::string>& lines) {
    return NormalizeSignalRecords(lines, kSignalFileHeader, kRecordLength, &NormalizeRecord);
}

}  // namespace tarvok
