#include "core/hex_text.h"

namespace tarvok {

namespace {
constexpr char kDigits[] = "0123456789ABCDEF";
}

std::string Hex2(unsigned value) {
    return {kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

std::string Hex4(unsigned value) {
    return Hex2(value >> 8) + Hex2(value);
}

std::optional<Address> ParseHexAddress(std::string_view text) {
    unsigned value;
    if (text.size() > 4 || !ParseHexDigits(text, value)) return std::nullopt;
    return static_cast<Address>(value);
}

bool ParseHexDigits(std::string_view text, unsigned& value) {
    if (text.empty() || text.size() > 8) return false;
    value = 0;
    for (const char c : text) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else {
            return false;
        }
        value = value * 16 + digit;
    }
    return true;
}

}  // namespace tarvok
