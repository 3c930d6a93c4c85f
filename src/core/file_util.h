#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvok {

// Reads a whole file. Fails (with a reason in `error`) on a missing or unreadable file or one
// larger than maxBytes.
bool ReadWholeFile(const std::string& path, std::string& content, std::string& error,
                   std::size_t maxBytes = 64u << 20);

// Splits text into lines at CR LF, LF or CR; a last line without an ending counts too.
std::vector<std::string_view> SplitTextLines(std::string_view text);

// Writes `content` to a temporary file beside `path` and renames it over `path` only when it is
// complete, so a failed save never leaves a half-written file in place of a good one.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error);

}  // namespace tarvok
