#pragma once

#include <cstdint>

namespace tarvok {

using Address = std::uint16_t;
using Byte = std::uint8_t;

// Interrupt inputs of the processor; levels are active low (false = asserted).
inline constexpr std::uint16_t kIrqInput = 1;
inline constexpr std::uint16_t kFirqInput = 2;
inline constexpr std::uint16_t kNmiInput = 3;

}  // namespace tarvok
