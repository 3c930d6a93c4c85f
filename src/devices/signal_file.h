#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/user_message.h"

namespace tarvok {

// Pieces shared by the port (.pia) and serial (.sia) signal files.

std::string_view TrimBlanks(std::string_view text);

// Loads a text file as lines (CR LF, LF or CR). False when the file cannot be read.
bool LoadSignalLines(const std::string& path, std::vector<std::string>& lines);

// Loads a signal file and checks it with `process`; on failure fills `error` with the message for
// the user (cannot be read / wrong format) and returns false.
bool LoadCheckedSignalFile(const std::string& path, bool (*process)(std::vector<std::string>&),
                           std::vector<std::string>& lines, TUserMessage* error);

// Drops lines from the top up to and including the first that equals `header` after trimming.
// False (and an empty list) when there is no such line.
bool DropThroughHeader(std::vector<std::string>& lines, std::string_view header);

// Writes the lines, each ended by CR LF, replacing the file only when complete.
bool SaveSignalLines(const std::string& path, const std::vector<std::string>& lines);

// The columns [first, first + count) of a line, 1-based, clipped to the line.
std::string_view Columns(std::string_view line, std::size_t first, std::size_t count);

// Parses a decimal number at the start of `text` (after trimming). With `whole`, nothing may follow
// the digits. Values beyond 32 bits are refused.
bool ParseCycleCount(std::string_view text, bool whole, unsigned long& value);

// The user messages for the three ways a signal file can fail.
TUserMessage SignalFileLoadError(const std::string& fileName);
TUserMessage SignalFileParseError(const std::string& fileName);
TUserMessage SignalFileSaveError(const std::string& fileName);

}  // namespace tarvok
