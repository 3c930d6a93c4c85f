#pragma once

#include <cstdint>
#include <string>

namespace tarvok {

// "$" plus four upper-case digits is how messages write addresses; these build the digits.
std::string Hex2(unsigned value);  // two upper-case hex digits
std::string Hex4(unsigned value);  // four upper-case hex digits

}  // namespace tarvok
