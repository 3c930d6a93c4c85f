#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/types.h"

namespace tarvok {

// Every module of the lab computer, in the order in which the board lists them.
enum class ModuleId : std::uint8_t {
    Ram,
    Rom,
    SevenSegment,
    Keypad,
    Cpu,
    Pia,
    Timer,
    Acia,
    Dummy1,
    Dummy2,
};

struct InterruptWire {
    ModuleId dest;
    std::uint16_t input;
};

struct ModuleWiring {
    ModuleId id;
    const char* name;
    Address baseAddress;
    bool clocked;  // member of the run list, stepped in table order
    std::array<std::optional<InterruptWire>, 2> interruptOutputs;
};

// The machine's wiring: registration order (a later registration wins), addresses, run list and
// interrupt lines. Both PIA outputs and the ACIA drive IRQ, the timer drives NMI.
inline constexpr std::array<ModuleWiring, 10> kMachineWiring{{
    {ModuleId::Ram, "RAM", 0x0000, false, {}},
    {ModuleId::Rom, "ROM", 0xE000, false, {}},
    {ModuleId::SevenSegment, "display", 0xF020, false, {}},
    {ModuleId::Keypad, "keypad", 0xF010, false, {}},
    {ModuleId::Cpu, "MC6809", 0x0000, true, {}},
    {ModuleId::Pia,
     "MC6821",
     0xF000,
     true,
     {InterruptWire{ModuleId::Cpu, kIrqInput}, InterruptWire{ModuleId::Cpu, kIrqInput}}},
    {ModuleId::Timer, "MC6840", 0xF018, true, {InterruptWire{ModuleId::Cpu, kNmiInput}}},
    {ModuleId::Acia, "R6551", 0xF008, true, {InterruptWire{ModuleId::Cpu, kIrqInput}}},
    {ModuleId::Dummy1, "spare register 1", 0xF00C, false, {}},
    {ModuleId::Dummy2, "spare register 2", 0xF00D, false, {}},
}};

inline constexpr std::size_t kClockedModules = [] {
    std::size_t count = 0;
    for (const ModuleWiring& wiring : kMachineWiring)
        count += wiring.clocked ? 1 : 0;
    return count;
}();

}  // namespace tarvok
