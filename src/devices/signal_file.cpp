#include "devices/signal_file.h"

#include "core/file_util.h"

namespace tarvok {

namespace {

// Loads a text file as lines (CR LF, LF or CR).
Status LoadSignalLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::string content;
    // Recordings of serial lines write a record per transmit-clock edge and grow fast, so signal
    // files may be far larger than program files.
    constexpr std::size_t kMaxSignalFileBytes = std::size_t{256} << 20;
    Status read = ReadWholeFile(path, content, kMaxSignalFileBytes);
    for (const std::string_view line : SplitTextLines(content))
        lines.emplace_back(line);
    return read;
}

UserMessage SignalFileLoadError(const std::string& fileName) {
    return {"Fehler beim Laden!", "Beim Laden der Signaldatei '" + fileName +
                                      "' ist ein Fehler aufgetreten! Der Inhalt der "
                                      "Datei konnte nicht gelesen werden."};
}

UserMessage SignalFileParseError(const std::string& fileName) {
    return {"Fehler beim Parsen des Dateiinhalts!",
            "Der Inhalt der Signaldatei '" + fileName +
                "' ist entweder beschädigt oder liegt nicht im erwarteten Format vor."};
}

UserMessage SignalFileSaveError(const std::string& fileName) {
    return {"Fehler beim Speichern!",
            "Beim Speichern der Datei '" + fileName +
                "' ist ein Fehler aufgetreten! Der Speichervorgang wurde nicht ordnungsgemäß "
                "abgeschlossen."};
}

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

Status LoadCheckedSignalFile(const std::string& path, bool (*process)(std::vector<std::string>&),
                             std::vector<std::string>& lines) {
    if (Status read = LoadSignalLines(path, lines); !read) {
        return std::move(read).WithMessage(SignalFileLoadError(path));
    }
    if (!process(lines)) {
        lines.clear();
        return Status::Failure("not a signal file of this kind", SignalFileParseError(path));
    }
    return {};
}

bool NormalizeSignalRecords(std::vector<std::string>& lines, std::string_view header,
                            std::size_t minLength,
                            bool (*normalize)(std::string_view line, std::string& record)) {
    std::size_t headerLine = 0;
    while (headerLine < lines.size() && TrimBlanks(lines[headerLine]) != header)
        ++headerLine;
    std::vector<std::string> records;
    if (headerLine < lines.size()) records.reserve(lines.size() - headerLine - 1);
    for (std::size_t i = headerLine + 1; i < lines.size(); ++i) {
        const std::string_view line = TrimBlanks(lines[i]);
        if (line.size() < minLength) continue;
        std::string record;
        if (!normalize(line, record)) {
            records.clear();
            break;
        }
        records.push_back(std::move(record));
    }
    lines = std::move(records);
    return !lines.empty();
}

Status SaveSignalFile(const std::string& path, const std::vector<std::string>& lines) {
    std::string content;
    for (const std::string& line : lines) {
        content += line;
        content += "\r\n";
    }
    return WriteFileAtomically(path, content).WithMessage(SignalFileSaveError(path));
}

std::string_view Columns(std::string_view line, std::size_t first, std::size_t count) {
    if (first == 0 || first > line.size()) return {};
    return line.substr(first - 1, count);
}

bool ParseCycleCount(std::string_view text, bool whole, std::uint32_t& value) {
    text = TrimBlanks(text);
    std::size_t digits = 0;
    std::uint64_t number = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        number = number * 10 + static_cast<unsigned>(text[digits] - '0');
        if (number > kMaxRecordCycles) return false;
        ++digits;
    }
    if (digits == 0 || (whole && digits != text.size())) return false;
    value = static_cast<std::uint32_t>(number);
    return true;
}

}  // namespace tarvok
