#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"

namespace tarvok {

// Reads a whole file. Fails (with the reason) on a missing or unreadable file or one larger than
// maxBytes; `content` is then empty.
Status ReadWholeFile(const std::string& path, std::string& content,
                     std::size_t maxBytes = 64u << 20);

// Splits text into lines at CR LF, LF or CR; a last line without an ending counts too.
std::vector<std::string_view> SplitTextLines(std::string_view text);

// Writes `content` to a temporary file beside `path` and renames it over `path` only when it is
// complete, so a failed save never leaves a half-written file in place of a good one.
Status WriteFileAtomically(const std::string& path, const std::string& content);

}  // namespace tarvok
