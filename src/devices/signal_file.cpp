#include "devices/signal_file.h"

#include "core/file_util.h"

namespace tarvok {

std::string_view TrimBlanks(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool LoadSignalLines(const std::string& path, std::vector<std::string>& lines) {
    lines.clear();
    std::string content, error;
    // Recordings of serial lines write a record per transmit-clock edge and grow fast, so signal
    // files may be far larger than program files.
    constexpr std::size_t kMaxSignalFileBytes = std::size_t{256} << 20;
    if (!ReadWholeFile(path, content, error, kMaxSignalFileBytes)) return false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < content.size(); ++i) {
        if (content[i] == '\r' || content[i] == '\n') {
            lines.emplace_back(content, start, i - start);
            if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (start < content.size()) lines.emplace_back(content, start);
    return true;
}

bool LoadCheckedSignalFile(const std::string& path, bool (*process)(std::vector<std::string>&),
                           std::vector<std::string>& lines, TUserMessage* error) {
    if (!LoadSignalLines(path, lines)) {
        if (error != nullptr) *error = SignalFileLoadError(path);
        return false;
    }
    if (!process(lines)) {
        lines.clear();
        if (error != nullptr) *error = SignalFileParseError(path);
        return false;
    }
    return true;
}

bool DropThroughHeader(std::vector<std::string>& lines, std::string_view header) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (TrimBlanks(lines[i]) == header) {
            lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(i) + 1);
            return true;
        }
    }
    lines.clear();
    return false;
}

bool SaveSignalLines(const std::string& path, const std::vector<std::string>& lines) {
    std::string content;
    for (const std::string& line : lines)
        content += line + "\r\n";
    std::string error;
    return WriteFileAtomically(path, content, error);
}

std::string_view Columns(std::string_view line, std::size_t first, std::size_t count) {
    if (first == 0 || first > line.size()) return {};
    return line.substr(first - 1, count);
}

bool ParseCycleCount(std::string_view text, bool whole, unsigned long& value) {
    text = TrimBlanks(text);
    std::size_t digits = 0;
    unsigned long long number = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        number = number * 10 + static_cast<unsigned>(text[digits] - '0');
        if (number > 0xFFFFFFFFull) return false;
        ++digits;
    }
    if (digits == 0 || (whole && digits != text.size())) return false;
    value = static_cast<unsigned long>(number);
    return true;
}

TUserMessage SignalFileLoadError(const std::string& fileName) {
    return {"Fehler beim Laden!", "Beim Laden der Signaldatei '" + fileName +
                                      "' ist ein Fehler aufgetreten! Der Inhalt der "
                                      "Datei konnte nicht gelesen werden."};
}

TUserMessage SignalFileParseError(const std::string& fileName) {
    return {"Fehler beim Parsen des Dateiinhalts!",
            "Der Inhalt der Signaldatei '" + fileName +
                "' ist entweder beschädigt oder liegt nicht im erwarteten Format vor."};
}

TUserMessage SignalFileSaveError(const std::string& fileName) {
    return {"Fehler beim Speichern!",
            "Beim Speichern der Datei '" + fileName +
                "' ist ein Fehler aufgetreten! Der Speichervorgang wurde nicht ordnungsgemäß "
                "abgeschlossen."};
}

}  // namespace tarvok
