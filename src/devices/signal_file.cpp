#include "devices/signal_file.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace tarvok {

namespace {

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

bool IsBlank(int c) {
    return c == ' ' || c == '\t';
}

// One line with its blanks trimmed. Only the first kSignalLineKept characters are held; `length`
// is that of the whole trimmed line.
struct TrimmedLine {
    std::array<char, kSignalLineKept> text;
    std::size_t length = 0;
    std::string_view View() const { return {text.data(), std::min(length, text.size())}; }
    bool Is(std::string_view other) const { return length == other.size() && View() == other; }
};

// Reads a line ended by CR LF, LF, CR or the end of the input; false when nothing is left.
bool ReadLine(std::streambuf& in, TrimmedLine& line) {
    constexpr int kEnd = std::streambuf::traits_type::eof();
    int c = in.sbumpc();
    if (c == kEnd) return false;
    std::size_t count = 0;  // characters from the first that is no blank
    line.length = 0;
    for (; c != kEnd && c != '\n'; c = in.sbumpc()) {
        if (c == '\r') {
            if (in.sgetc() == '\n') in.sbumpc();
            break;
        }
        if (count == 0 && IsBlank(c)) continue;
        if (count < line.text.size()) line.text[count] = static_cast<char>(c);
        ++count;
        if (!IsBlank(c)) line.length = count;
    }
    return true;
}

}  // namespace

std::string_view Columns(std::string_view line, std::size_t first, std::size_t count) {
    if (first == 0 || first > line.size()) return {};
    return line.substr(first - 1, count);
}

bool ParseCycleCount(std::string_view text, bool whole, std::uint32_t& value) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
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

Status OpenSignalFile(const std::string& path, std::unique_ptr<std::streambuf>& content) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) {
        return Status::Failure("is a directory", SignalFileLoadError(path));
    }
    auto file = std::make_unique<std::filebuf>();
    errno = 0;
    if (file->open(path, std::ios_base::in | std::ios_base::binary) == nullptr) {
        return Status::Failure(errno != 0 ? std::strerror(errno) : "cannot be opened",
                               SignalFileLoadError(path));
    }
    content = std::move(file);
    return {};
}

Status SignalFileReader::Open(const SignalFileFormat& format,
                              std::unique_ptr<std::streambuf> content, const std::string& name) {
    format_ = &format;
    content_ = std::move(content);
    Status checked = Check(name);
    if (!checked) Close();
    return checked;
}

bool SignalFileReader::SkipToHeader(std::size_t& lineNumber) {
    TrimmedLine line;
    while (ReadLine(*content_, line)) {
        ++lineNumber;
        if (line.Is(format_->header)) return true;
    }
    return false;
}

// Reads the whole file once, then goes back to its first record.
Status SignalFileReader::Check(const std::string& name) {
    std::size_t lineNumber = 0;
    if (!SkipToHeader(lineNumber)) {
        return Status::Failure("no header line '" + std::string(format_->header) + "'",
                               SignalFileParseError(name));
    }
    std::size_t records = 0;
    TrimmedLine line;
    SignalRecord record;
    while (ReadLine(*content_, line)) {
        ++lineNumber;
        if (line.length < format_->minLength) continue;
        if (!format_->parse(line.View(), record)) {
            return Status::Failure("line " + std::to_string(lineNumber) + " is no valid record",
                                   SignalFileParseError(name), lineNumber);
        }
        ++records;
    }
    if (records == 0) return Status::Failure("no records", SignalFileParseError(name));
    if (content_->pubseekpos(0, std::ios_base::in) != std::streampos(0)) {
        return Status::Failure("cannot go back to the start", SignalFileLoadError(name));
    }
    lineNumber = 0;
    SkipToHeader(lineNumber);
    return {};
}

bool SignalFileReader::Next(SignalRecord& record) {
    TrimmedLine line;
    while (content_ != nullptr && ReadLine(*content_, line)) {
        if (line.length < format_->minLength) continue;
        // A record that no longer parses was changed after the check: the playback ends there.
        return format_->parse(line.View(), record);
    }
    return false;
}

std::int64_t SignalFileReader::Position() const {
    if (content_ == nullptr) return -1;
    return content_->pubseekoff(0, std::ios_base::cur, std::ios_base::in);
}

bool SignalFileReader::Seek(std::int64_t position) {
    return content_ != nullptr && position >= 0 &&
           content_->pubseekpos(position, std::ios_base::in) == std::streampos(position);
}

Status SignalFileWriter::Open(const std::string& path, std::string_view header) {
    if (Status opened = file_.Open(path); !opened) {
        return std::move(opened).WithMessage(SignalFileSaveError(path));
    }
    name_ = path;
    WriteLine(header);
    return {};
}

void SignalFileWriter::WriteLine(std::string_view line) {
    file_.Write(line);
    file_.Write("\r\n");
}

Status SignalFileWriter::Close() {
    Status closed = file_.Commit().WithMessage(SignalFileSaveError(name_));
    name_.clear();
    return closed;
}

}  // namespace tarvok
