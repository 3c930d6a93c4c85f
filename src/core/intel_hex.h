#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/types.h"

namespace tarvok {

// Intel HEX, 16-bit subset: data records (00) and the end record (01).
struct HexWrite {
    Address address;
    Byte value;
};

struct HexParseResult {
    bool ok = false;
    std::vector<HexWrite> writes;  // in file order; only meaningful when ok
    std::size_t errorLine = 0;     // 1-based line of the fault, 0 when ok
    std::string reason;            // English description of the fault
};

// Accepts or rejects the whole text; nothing of a rejected text may be applied.
HexParseResult ParseIntelHex(std::string_view text);

inline constexpr const char* kIntelHexEndRecord = ":00000001FF\r\n";

// 16-byte data records from `first` to `last` inclusive, upper case, CR LF.
std::string FormatIntelHexData(Address first, Address last,
                               const std::function<Byte(Address)>& read);
// The data records, then the end record ":00000001FF".
std::string FormatIntelHex(Address first, Address last, const std::function<Byte(Address)>& read);

}  // namespace tarvok
