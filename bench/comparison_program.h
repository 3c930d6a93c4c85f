#pragma once

#include <initializer_list>

#include "core/types.h"

namespace tarvok::bench {

// The program that processor cores are compared by, loaded at $0400 with S = $0300 and the data
// words at $1000-$17FF starting at 0: sums the words in place through ADDD/STD with
// auto-increment, counts the passes in Y and calls an empty subroutine after each pass.
inline constexpr Address kComparisonProgramStart = 0x0400;
inline constexpr Address kComparisonProgramStack = 0x0300;
inline constexpr std::initializer_list<Byte> kComparisonProgram = {
    0x8E, 0x10, 0x00,        // $0400 LDX #$1000
    0x10, 0x8E, 0x00, 0x00,  // $0403 LDY #0
    0xCC, 0x00, 0x00,        // $0407 LDD #0
    0xE3, 0x84,              // $040A loop: ADDD ,X
    0xED, 0x81,              // $040C STD ,X++
    0x8C, 0x18, 0x00,        // $040E CMPX #$1800
    0x25, 0xF7,              // $0411 BCS loop
    0x8E, 0x10, 0x00,        // $0413 LDX #$1000
    0x31, 0x21,              // $0416 LEAY 1,Y
    0x8D, 0x02,              // $0418 BSR sub
    0x20, 0xEE,              // $041A BRA loop
    0x39,                    // $041C sub: RTS
};

}  // namespace tarvok::bench
