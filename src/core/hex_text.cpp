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

}  // namespace tarvok
