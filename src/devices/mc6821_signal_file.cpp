// Recording and playback of the PIA ports: a .pia file is a header line and one record per state
// of the port's lines, each with the number of cycles the state lasted.

#include <cstdio>

#include "devices/mc6821.h"
#include "devices/signal_file.h"

namespace tarvok {

namespace {

// Columns 1 to 8 (Px7..Px0), 12 (Cx1) and 16 (Cx2) as indices; the duration is in 17 to 26.
constexpr std::size_t kLevelIndices[] = {0, 1, 2, 3, 4, 5, 6, 7, 11, 15};
constexpr std::size_t kCx2 = 9;  // index of Cx2 in a record's levels

bool ParseRecord(std::string_view line, SignalRecord& record) {
    for (std::size_t i = 0; i < std::size(kLevelIndices); ++i) {
        const char level = line[kLevelIndices[i]];
        if (!IsSignalLevel(level)) return false;
        record.levels[i] = level;
    }
    return ParseCycleCount(Columns(line, 17, 10), true, record.cycles);
}

constexpr SignalFileFormat kFormat{Mc6821::kSignalFileHeader, 26, &ParseRecord};

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

std::int64_t Mc6821::SignalFilePosition(int port) const {
    if (IsReading(port)) return files_[port - 1].reader.Position();
    if (IsRecording(port)) return files_[port - 1].writer.Position();
    return -1;
}

bool Mc6821::ReturnToSignalFilePosition(int port, std::int64_t position) {
    if (IsReading(port)) return files_[port - 1].reader.Seek(position);
    if (IsRecording(port)) return files_[port - 1].writer.Truncate(position);
    return false;
}

Status Mc6821::StartRecording(const std::string& file, int port) {
    if (Status idle = CheckIdle(port); !idle) return idle;
    SignalFile& signals = files_[port - 1];
    if (Status opened = signals.writer.Open(file, kSignalFileHeader); !opened) return opened;
    signals.name = file;
    Mc6821Port& state = state_.port[port - 1];
    state.recording = true;
    state.cycleCounter = 0;
    listeners_.Notify([&](Mc6821Listener& l) { l.SignalFileStateChanged(port); });
    return {};
}

Status Mc6821::StartReading(const std::string& file, int port) {
    if (Status idle = CheckIdle(port); !idle) return idle;
    std::unique_ptr<std::streambuf> content;
    if (Status opened = OpenSignalFile(file, content); !opened) return opened;
    return StartReading(std::move(content), file, port);
}

Status Mc6821::StartReading(std::unique_ptr<std::streambuf> content, const std::string& name,
                            int port) {
    if (Status idle = CheckIdle(port); !idle) return idle;
    SignalFile& signals = files_[port - 1];
    if (Status opened = signals.reader.Open(kFormat, std::move(content), name); !opened)
        return opened;
    signals.name = name;
    Mc6821Port& state = state_.port[port - 1];
    state.reading = true;
    state.cycleCounter = 0;
    listeners_.Notify([&](Mc6821Listener& l) { l.SignalFileStateChanged(port); });
    return {};
}

Status Mc6821::StopReadingAndRecording(int port) {
    if (!ValidPort(port)) return Status::Failure("no such port");
    Mc6821Port& state = state_.port[port - 1];
    SignalFile& signals = files_[port - 1];
    Status result;
    if (state.reading) {
        state.reading = false;
        signals.reader.Close();
    } else if (state.recording) {
        WriteRecord(port);
        state.recording = false;
        result = signals.writer.Close();
    } else {
        return Status::Failure("port " + std::string(port == kPortA ? "A" : "B") +
                               " is neither playing back nor recording");
    }
    signals.name.clear();
    state.cycleCounter = 0;
    listeners_.Notify([&](Mc6821Listener& l) { l.SignalFileStateChanged(port); });
    return result;
}

Status Mc6821::CheckIdle(int port) const {
    if (!ValidPort(port)) return Status::Failure("no such port");
    const Mc6821Port& state = state_.port[port - 1];
    if (!state.reading && !state.recording) return {};
    return Status::Failure("port " + std::string(port == kPortA ? "A" : "B") + " is already " +
                           (state.reading ? "playing back '" : "recording to '") +
                           files_[port - 1].name + "'");
}

void Mc6821::WriteRecord(int port) {
    if (!IsRecording(port)) return;
    const int p = port - 1;
    Mc6821Port& state = state_.port[p];
    char line[40];
    std::snprintf(line, sizeof line, "%s   -   %c%10lu", LevelsAt(p).c_str(), C2SaveValue(state.cr),
                  static_cast<unsigned long>(state.cycleCounter));
    state.cycleCounter = 0;
    files_[p].writer.WriteLine(line);
}

bool Mc6821::ApplyNextRecord(int port) {
    if (!IsReading(port)) return false;
    Mc6821Port& state = state_.port[port - 1];
    SignalRecord record;
    while (files_[port - 1].reader.Next(record)) {
        Byte switches = state.inputSwitches;
        for (int column = 0; column < 8; ++column) {
            const Byte mask = static_cast<Byte>(0x80u >> column);
            if (record.levels[column] == '0') switches &= static_cast<Byte>(~mask);
            if (record.levels[column] == '1') switches |= mask;
        }
        const char c2 = record.levels[kCx2];
        SetInputSwitches(port, switches);
        if (c2 != '-') SetControlSwitch(port, 2, c2 == '1');
        // A handler of the switches may have stopped the playback.
        if (!state.reading) return false;
        state.cycleCounter = record.cycles;
        if (record.cycles != 0) return true;
    }
    return false;
}

}  // namespace tarvok
