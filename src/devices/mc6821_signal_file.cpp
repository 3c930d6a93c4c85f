// Recording and playback of the PIA ports: a .pia file is a header line and one record per state
// of the port's lines, each with the number of cycles the state lasted.

#include <cstdio>

#include "devices/mc6821.h"
#include "devices/signal_file.h"

namespace tarvok {

namespace {

constexpr std::size_t kRecordLength = 26;

bool IsLineState(char c) {
    return c == '0' || c == '1' || c == '-';
}

}  // namespace

bool TMC6821Module::IsReading(int port) const {
    return (port == 1 || port == 2) && state_.port[port - 1].reading;
}

bool TMC6821Module::IsRecording(int port) const {
    return (port == 1 || port == 2) && state_.port[port - 1].recording;
}

const std::string& TMC6821Module::SignalFileName(int port) const {
    static const std::string kNone;
    return (port == 1 || port == 2) ? state_.port[port - 1].fileName : kNone;
}

bool TMC6821Module::StartRecording(const std::string& file, int port) {
    if (port != 1 && port != 2) return false;
    PortState& state = state_.port[port - 1];
    if (state.reading || state.recording) return false;
    state.recording = true;
    state.cycleCounter = 0;
    state.fileName = file;
    state.lines.clear();
    state.lines.emplace_back(kSignalFileHeader);
    if (listener_ != nullptr) listener_->SignalFileStateChanged(port);
    return true;
}

bool TMC6821Module::StartReading(const std::string& file, int port, TUserMessage* error) {
    if (port != 1 && port != 2) return false;
    PortState& state = state_.port[port - 1];
    if (state.reading || state.recording) return false;
    std::vector<std::string> lines;
    if (!LoadCheckedSignalFile(file, &ProcessInputFile, lines, error)) return false;
    state.lines = std::move(lines);
    state.nextLine = 0;
    state.reading = true;
    state.cycleCounter = 0;
    state.fileName = file;
    if (listener_ != nullptr) listener_->SignalFileStateChanged(port);
    return true;
}

bool TMC6821Module::StopReadingAndRecording(int port, TUserMessage* error) {
    if (port != 1 && port != 2) return false;
    PortState& state = state_.port[port - 1];
    bool result = false;
    if (state.reading) {
        state.reading = false;
        result = true;
    } else if (state.recording) {
        SavePortStatus(port);
        state.recording = false;
        result = SaveSignalLines(state.fileName, state.lines);
        if (!result && error != nullptr) *error = SignalFileSaveError(state.fileName);
    } else {
        return false;
    }
    std::vector<std::string>().swap(state.lines);
    state.nextLine = 0;
    state.cycleCounter = 0;
    state.fileName.clear();
    if (listener_ != nullptr) listener_->SignalFileStateChanged(port);
    return result;
}

void TMC6821Module::SavePortStatus(int port) {
    if (!IsRecording(port)) return;
    const int p = port - 1;
    PortState& state = state_.port[p];
    std::string line = SaveValue(p);
    line += "   -   ";
    line += (state.cr & kCrC2Output) == 0 ? '-' : ((state.cr & kCrBit3) ? '1' : '0');
    char count[16];
    std::snprintf(count, sizeof count, "%10lu", static_cast<unsigned long>(state.cycleCounter));
    line += count;
    state.cycleCounter = 0;
    state.lines.push_back(std::move(line));
}

// Records are normalized to: Px7..Px0, blank, Cx1, blank, Cx2 (column 12), blank, duration.
bool TMC6821Module::ReadPortStatus(int port) {
    if (!IsReading(port)) return false;
    PortState& state = state_.port[port - 1];
    while (state.nextLine < state.lines.size()) {
        const std::string_view line = state.lines[state.nextLine++];
        Byte switches = state.inputSwitches;
        for (int column = 0; column < 8; ++column) {
            const Byte mask = static_cast<Byte>(0x80u >> column);
            if (line[column] == '0') switches &= static_cast<Byte>(~mask);
            if (line[column] == '1') switches |= mask;
        }
        SetInputSwitches(port, switches);
        if (line[11] == '0' || line[11] == '1') SetControlSwitch(port, 2, line[11] == '1');
        unsigned long duration = 0;
        ParseCycleCount(Columns(line, 14, 10), true, duration);
        state.cycleCounter = static_cast<std::uint32_t>(duration);
        if (state.cycleCounter != 0) return true;
    }
    return false;
}

bool TMC6821Module::ProcessInputFile(std::vector<std::string>& lines) {
    if (lines.empty()) return false;
    if (!DropThroughHeader(lines, kSignalFileHeader)) return false;
    std::vector<std::string> records;
    records.reserve(lines.size());
    for (const std::string& raw : lines) {
        const std::string_view line = TrimBlanks(raw);
        if (line.size() < kRecordLength) continue;
        for (std::size_t column : {0, 1, 2, 3, 4, 5, 6, 7, 11, 15}) {
            if (!IsLineState(line[column])) {
                lines.clear();
                return false;
            }
        }
        const std::string_view number = TrimBlanks(Columns(line, 17, 10));
        unsigned long duration = 0;
        if (!ParseCycleCount(number, true, duration)) {
            lines.clear();
            return false;
        }
        std::string record(line.substr(0, 8));
        record += ' ';
        record += line[11];
        record += ' ';
        record += line[15];
        record += ' ';
        record += number;
        records.push_back(std::move(record));
    }
    lines = std::move(records);
    return !lines.empty();
}

}  // namespace tarvok
