#pragma once

#include <array>
#include <bitset>
#include <cstdint>

#include "core/memory_devices.h"
#include "cpu/mc6809_state.h"
#include "devices/keypad.h"
#include "devices/mc6821.h"
#include "devices/mc6840.h"
#include "devices/r6551.h"
#include "devices/seven_segment.h"

namespace tarvok {

// Every part of the machine that a run or a user changes, but its memory: the processor, each
// device, the keys held and the counters. Settings (breakpoints, the output field, whether the
// system runs) are no part of it.
struct BoardState {
    Mc6809State cpu;
    Mc6821State pia;
    Mc6840State timer;
    R6551State acia;
    KeypadState keypad{};
    SevenSegmentState display;
    std::array<Byte, 2> spareRegisters{};
    std::bitset<kKeypadKeyCount> keysDown;
    std::uint16_t cycleCounter = 0;
    Byte lastCycles = 0;
    std::uint64_t totalCycles = 0;
    std::uint64_t totalSteps = 0;
    bool operator==(const BoardState&) const = default;
};

// Where the signal files stand: the playback's read position or a recording's length, -1 for a
// port without a file.
struct SignalFilePositions {
    std::array<std::int64_t, 2> pia{-1, -1};
    std::int64_t acia = -1;
};

// The whole machine as plain data: what Machine::RestoreState needs to go back to it.
struct MachineState {
    BoardState board;
    std::array<Byte, StorageDevice::kSize> ram{};
    SignalFilePositions files;
};

}  // namespace tarvok
