#pragma once

#include <cstdint>

#include "core/address_decoder.h"
#include "cpu/mc6809_state.h"
#include "devices/keypad.h"
#include "devices/mc6821.h"
#include "devices/mc6840.h"
#include "devices/r6551.h"
#include "devices/seven_segment.h"

namespace tarvok {

// Each part of a snapshot counts its changes: a view remembers the generations it last showed and
// redraws only what moved.
struct SnapshotGenerations {
    std::uint64_t cpu = 0;
    std::uint64_t pia = 0;
    std::uint64_t timer = 0;
    std::uint64_t acia = 0;
    std::uint64_t keypad = 0;
    std::uint64_t display = 0;
    std::uint64_t run = 0;     // run state, cycle counter and totals
    std::uint64_t memory = 0;  // any page of memoryPages
    bool operator==(const SnapshotGenerations&) const = default;
};

// What the windows look at: a copy of the machine's state, taken at the windows' frame rate. It is
// plain data; the simulation never waits for it. Memory itself is not copied: a view reads the
// bytes of the pages whose generation moved since it last looked.
struct MachineSnapshot {
    Mc6809State cpu;
    Mc6821State pia;
    Mc6840State timer;
    R6551State acia;
    KeypadState keypad;
    SevenSegmentState display;

    bool running = false;
    bool countCycles = false;
    std::uint16_t cycleCounter = 0;
    std::uint64_t totalCycles = 0;
    std::uint64_t totalSteps = 0;

    // Changes announced per 256-byte page since the machine was built.
    AddressDecoder::PageGenerations memoryPages{};

    SnapshotGenerations generations;
};

}  // namespace tarvok
