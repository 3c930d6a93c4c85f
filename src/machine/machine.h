#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>

#include "core/address_decoder.h"
#include "core/memory_devices.h"
#include "core/output_sink.h"
#include "cpu/mc6809.h"
#include "devices/keyboard.h"
#include "devices/mc6821.h"
#include "devices/mc6840.h"
#include "devices/r6551.h"
#include "devices/seven_segment.h"

namespace tarvok {

// Every module of the lab computer, in the order in which the board's form lists them.
enum class TModuleId : std::uint8_t {
    Ram,
    Rom,
    SevenSegment,
    Keyboard,
    Cpu,
    Pia,
    Timer,
    Acia,
    Dummy1,
    Dummy2,
};

struct TIrqWire {
    TModuleId dest;
    std::uint16_t input;
};

struct TModuleWiring {
    TModuleId id;
    const char* name;
    Address baseAddress;
    bool clocked;  // member of the run list, stepped in table order
    std::array<std::optional<TIrqWire>, 2> irqOutputs;
};

// The machine's wiring: registration order, addresses, run list and interrupt lines.
inline constexpr std::array<TModuleWiring, 10> kMachineWiring{{
    {TModuleId::Ram, "RamModule1", 0x0000, false, {}},
    {TModuleId::Rom, "RomModule", 0xE000, false, {}},
    {TModuleId::SevenSegment, "SevenSegmentModule", 0xF020, false, {}},
    {TModuleId::Keyboard, "KeyboardModule", 0xF010, false, {}},
    {TModuleId::Cpu, "MC6809Module", 0x0000, true, {}},
    {TModuleId::Pia,
     "MC6821Module",
     0xF000,
     true,
     {TIrqWire{TModuleId::Cpu, kInputIRQ}, TIrqWire{TModuleId::Cpu, kInputIRQ}}},
    {TModuleId::Timer, "MC6840Module", 0xF018, true, {TIrqWire{TModuleId::Cpu, kInputNMI}}},
    {TModuleId::Acia, "R6551Module", 0xF008, true, {TIrqWire{TModuleId::Cpu, kInputIRQ}}},
    {TModuleId::Dummy1, "DummyRegModule1", 0xF00C, false, {}},
    {TModuleId::Dummy2, "DummyRegModule2", 0xF00D, false, {}},
}};

inline constexpr std::size_t kClockedModules = [] {
    std::size_t count = 0;
    for (const TModuleWiring& wiring : kMachineWiring)
        count += wiring.clocked ? 1 : 0;
    return count;
}();

// The values kept from one program run to the next.
struct TMachineSettings {
    std::string host = "localhost";
    std::uint16_t port = 49703;
    std::uint16_t dtrPulseWidth = 1;
    bool systemRunning = false;
};

// What the main window shows of the run state.
class TMachineListener {
public:
    virtual ~TMachineListener() = default;
    virtual void SystemRunningChanged(bool running) = 0;
    virtual void CycleCounterChanged(std::uint16_t value) = 0;
};

struct TMachineOptions {
    std::string romFile = "6809.rom";
    bool builtinRomOnly = false;  // use the built-in image without looking for romFile
};

// The lab computer: owns every module, wires them from kMachineWiring and drives the run loop.
class TMachine {
public:
    static constexpr int kBurstSteps = 100;

    explicit TMachine(const TMachineOptions& options = {});
    TMachine(const TMachine&) = delete;
    TMachine& operator=(const TMachine&) = delete;

    TAddressDecoder& Decoder() { return decoder_; }
    TMessageLines& Messages() { return messages_; }
    TRamModule& Ram() { return ram_; }
    TRomModule& Rom() { return rom_; }
    TSevenSegmentModule& Display() { return display_; }
    TKeyboardModule& Keyboard() { return keyboard_; }
    TMC6809Module& Cpu() { return cpu_; }
    TMC6821Module& Pia() { return pia_; }
    TMC6840Module& Timer() { return timer_; }
    TR6551Module& Acia() { return acia_; }
    TMemoryModule& Module(TModuleId id);

    // One step: the processor executes one instruction or interrupt entry, then the other clocked
    // modules advance by its cycles. Returns the cycles.
    Byte Step();
    // The idle handler's burst: up to kBurstSteps steps while running; stops at a breakpoint.
    // Returns true when the system stopped at a breakpoint.
    bool Burst();
    // True (after showing the message and stopping) when a breakpoint is set at the PC.
    bool CheckBreakpoint();

    void ResetSystem();
    bool SystemRunning() const { return systemRunning_; }
    void SetSystemRunning(bool running);
    std::uint16_t CycleCounter() const { return cycleCounter_; }
    void SetCycleCounter(std::uint16_t value);
    bool CountCycles() const { return countCycles_; }
    void SetCountCycles(bool on);
    std::uint64_t TotalCycles() const { return totalCycles_; }
    std::uint64_t TotalSteps() const { return totalSteps_; }

    // Status-bar texts of the run state and the cycle counter.
    std::string RunStateText() const;
    std::string CycleCounterText() const;

    // The keypad keys as the user holds them: a key acts only when its state changes. Break
    // holds the PIA's CA1 low; releasing Clear clears the output field and resets the system.
    void PressKey(TKeypadKey key);
    void ReleaseKey(TKeypadKey key);
    bool KeyDown(TKeypadKey key) const { return keysDown_[static_cast<std::size_t>(key)]; }

    TMachineSettings& Settings() { return settings_; }
    void ApplySettings(const TMachineSettings& settings);
    void SetListener(TMachineListener* listener) { listener_ = listener; }

private:
    TAddressDecoder decoder_;
    TMessageLines messages_;
    TRamModule ram_;
    TRomModule rom_;
    TSevenSegmentModule display_;
    TKeyboardModule keyboard_;
    TMC6809Module cpu_;
    TMC6821Module pia_;
    TMC6840Module timer_;
    TR6551Module acia_;
    TDummyRegModule dummy1_;
    TDummyRegModule dummy2_;

    std::array<TMemoryModule*, kClockedModules> runList_{};
    std::size_t runListSize_ = 0;
    Byte lastCycles_ = 0;
    bool systemRunning_ = false;
    std::uint16_t cycleCounter_ = 0;
    bool countCycles_ = false;
    std::uint64_t totalCycles_ = 0;
    std::uint64_t totalSteps_ = 0;
    std::bitset<kKeypadKeyCount> keysDown_;
    TMachineSettings settings_;
    TMachineListener* listener_ = nullptr;
};

}  // namespace tarvok
