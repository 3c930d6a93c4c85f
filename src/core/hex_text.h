#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/types.h"

namespace tarvok {

// "$" plus four upper-case digits is how messages write addresses; these build the digits.
std::string Hex2(unsigned value);  // two upper-case hex digits
std::string Hex4(unsigned value);  // four upper-case hex digits

// One to eight hex digits (either case) and nothing else.
bool ParseHexDigits(std::string_view text, unsigned& value);
// One to four hex digits: a bus address.
std::optional<Address> ParseHexAddress(std::string_view text);

}  // namespace tarvok
