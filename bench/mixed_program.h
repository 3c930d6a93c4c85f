#pragma once

#include <initializer_list>

#include "core/types.h"

namespace tarvok::bench {

// The mixed benchmark program, loaded at $0400: copies 16-bit words with an add through
// auto-increment indexing, calls a subroutine per word and loops forever. Loops, 16-bit
// arithmetic, indexed loads and stores, calls and returns.
inline constexpr Address kMixedProgramStart = 0x0400;
inline constexpr std::initializer_list<Byte> kMixedProgram = {
    0x10, 0xCE, 0x10, 0x00,  // $0400 LDS #$1000
    0x8E, 0x08, 0x00,        // $0404 outer: LDX #$0800
    0x10, 0x8E, 0x09, 0x00,  // $0407 LDY #$0900
    0xCE, 0x00, 0x40,        // $040B LDU #64
    0xEC, 0x81,              // $040E inner: LDD ,X++
    0xC3, 0x12, 0x34,        // $0410 ADDD #$1234
    0xED, 0xA1,              // $0413 STD ,Y++
    0xBD, 0x04, 0x30,        // $0415 JSR sub
    0x33, 0x5F,              // $0418 LEAU -1,U
    0x11, 0x83, 0x00, 0x00,  // $041A CMPU #0
    0x26, 0xEE,              // $041E BNE inner
    0x20, 0xE2,              // $0420 BRA outer
};
inline constexpr Address kMixedSubroutineStart = 0x0430;
inline constexpr std::initializer_list<Byte> kMixedSubroutine = {
    0xA6, 0x1F,  // $0430 sub: LDA -1,X
    0x4C,        // INCA
    0xA7, 0x3F,  // STA -1,Y
    0x39,        // RTS
};

}  // namespace tarvok::bench
