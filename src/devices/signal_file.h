#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"

namespace tarvok {

// Pieces shared by the port (.pia) and serial (.sia) signal files.

// Longest duration one record can hold: ten decimal columns, read into a 32-bit counter.
inline constexpr std::uint32_t kMaxRecordCycles = 0xFFFFFFFF;

// A line level in a record: '0', '1', or '-' for a line that is not driven.
inline bool IsSignalLevel(char c) {
    return c == '0' || c == '1' || c == '-';
}

std::string_view TrimBlanks(std::string_view text);

// Loads a signal file and checks it with `process`; a failure (cannot be read / wrong format)
// carries the message for the user and leaves `lines` empty.
Status LoadCheckedSignalFile(const std::string& path, bool (*process)(std::vector<std::string>&),
                             std::vector<std::string>& lines);

// The frame of every CheckSignalFile: drops the lines up to and including the first that equals
// `header` after trimming, then every line shorter than `minLength` after trimming. `normalize`
// checks each other (trimmed) line and builds its normalized record; one refusal fails the file.
// True when records are left; on failure `lines` is left empty.
bool NormalizeSignalRecords(std::vector<std::string>& lines, std::string_view header,
                            std::size_t minLength,
                            bool (*normalize)(std::string_view line, std::string& record));

// Writes the lines, each ended by CR LF, replacing the file only when complete.
Status SaveSignalFile(const std::string& path, const std::vector<std::string>& lines);

// The columns [first, first + count) of a line, 1-based, clipped to the line.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t count);

// Parses a decimal number at the start of `text` (after trimming). With `whole`, nothing may follow
// the digits. Values beyond kMaxRecordCycles are refused.
bool ParseCycleCount(std::string_view text, bool whole, std::uint32_t& value);

}  // namespace tarvok
