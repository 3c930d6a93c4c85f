#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

#include "core/file_util.h"
#include "core/status.h"

namespace tarvok {

// Pieces shared by the port (.pia) and serial (.sia) signal files. Both are read and written as
// streams: memory does not grow with the file, so whatever a recording writes can be played back.

// Longest duration one record can hold: ten decimal columns, read into a 32-bit counter.
inline constexpr std::uint32_t kMaxRecordCycles = 0xFFFFFFFF;

// A line level in a record: '0', '1', or '-' for a line that is not driven.
inline bool IsSignalLevel(char c) {
    return c == '0' || c == '1' || c == '-';
}

// One record as read: the level columns in file order and the duration column.
struct SignalRecord {
    std::array<char, 10> levels{};
    std::uint32_t cycles = 0;
};

// The characters of a line that a record may use; the rest is counted, not kept.
inline constexpr std::size_t kSignalLineKept = 64;

// What tells one kind of signal file from the other.
struct SignalFileFormat {
    std::string_view header;  // the first line that counts, compared after trimming
    std::size_t minLength;    // shorter lines (after trimming) are skipped without complaint
    // Reads a trimmed line of at least minLength characters (of which only the first
    // kSignalLineKept are given); false when it is no record.
    bool (*parse)(std::string_view line, SignalRecord& record);
};

// The columns [first, first + count) of a line, 1-based, clipped to the line.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t count);

// Parses a decimal number at the start of `text` (after trimming). With `whole`, nothing may follow
// the digits. Values beyond kMaxRecordCycles are refused.
bool ParseCycleCount(std::string_view text, bool whole, std::uint32_t& value);

// Opens a signal file for reading; a failure carries the reason and the message box for a file
// that cannot be read.
Status OpenSignalFile(const std::string& path, std::unique_ptr<std::streambuf>& content);

// Plays a signal file back record by record. Open checks the whole file first (a file with one
// bad record is refused as a whole) and then reads it again from the top while it is played.
class SignalFileReader {
public:
    // Reads from `content` (a file, text in memory), called `name` in messages. A failure carries
    // the reason and the message box for the user and leaves the reader closed.
    Status Open(const SignalFileFormat& format, std::unique_ptr<std::streambuf> content,
                const std::string& name);
    // The next record; false at the end of the file.
    bool Next(SignalRecord& record);
    void Close() { content_.reset(); }
    // Where the playback stands in the file, or -1 when closed; Seek goes back there.
    std::int64_t Position() const;
    bool Seek(std::int64_t position);

private:
    Status Check(const std::string& name);
    bool SkipToHeader(std::size_t& lineNumber);

    const SignalFileFormat* format_ = nullptr;
    std::unique_ptr<std::streambuf> content_;
};

// Writes a recording line by line into a file that replaces its target only when the recording
// ends without a fault.
class SignalFileWriter {
public:
    // Fails at once, with the reason and the save message box, when the file cannot be written.
    Status Open(const std::string& path, std::string_view header);
    // Appends a line; its ending is added.
    void WriteLine(std::string_view line);
    Status Close();
    // The length written so far (-1 when that cannot be told); Truncate cuts the recording back
    // to such a length, false when the target does not allow it.
    std::int64_t Position() const { return file_.Size(); }
    bool Truncate(std::int64_t position) { return file_.Truncate(position); }

private:
    AtomicFileWriter file_;
    std::string name_;
};

}  // namespace tarvok
