#pragma once

#include <span>

#include "core/types.h"

namespace tarvok {

// The monitor image that the ROM falls back to when no ROM file can be read.
std::span<const Byte> BuiltinRomImage();

}  // namespace tarvok
