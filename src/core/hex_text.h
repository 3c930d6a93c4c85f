#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvok {

// "$" plus four upper-case digits is how messages write addresses; these build the digits.
std::string Hex2(unsigned value);  // two upper-case hex digits
std::string Hex4(unsigned value);  // four upper-case hex digits

// One to eight hex digits (either case) and nothing else.
bool ParseHexDigits(std::string_view text, unsigned& value);

}  // namespace tarvok
