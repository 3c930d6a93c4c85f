#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>

#include "core/address_decoder.h"
#include "core/listeners.h"
#include "core/memory_devices.h"
#include "core/output_sink.h"
#include "cpu/mc6809.h"
#include "devices/keypad.h"
#include "devices/mc6821.h"
#include "devices/mc6840.h"
#include "devices/r6551.h"
#include "devices/seven_segment.h"
#include "machine/machine_state.h"
#include "machine/snapshot.h"
#include "machine/wiring.h"

namespace tarvok {

// Rare events of the machine. A subscriber overrides what it wants to hear.
class MachineListener {
public:
    virtual ~MachineListener() = default;
    virtual void SystemRunningChanged(bool /*running*/) {}
    // ResetSystem ran (the Clear key, the menu, a remote command).
    virtual void SystemReset() {}
    // The run stopped at a breakpoint at `pc` (its message has been shown).
    virtual void BreakpointReached(Address /*pc*/) {}
    // A line was added to the output field, or the field was cleared.
    virtual void MessageShown(const std::string& /*line*/) {}
    virtual void MessagesCleared() {}
};

// Follows every run of a machine (the step-back history does): hears of it before and after, and
// may keep a run short. Step and RunFor tell it; Burst and RunSteps run through RunFor.
class RunRecorder {
public:
    struct Limit {
        std::uint64_t cycles;
        std::uint64_t steps;
    };
    virtual ~RunRecorder() = default;
    // A run starts now; it ends after at most the cycles (the last step may go beyond) and steps
    // returned, both at least 1, and the recorder hears of its end before it goes on.
    virtual Limit RunStarting() = 0;
    virtual void RunEnded() = 0;
};

struct MachineOptions {
    std::string romFile = "6809.rom";
    bool builtinRomOnly = false;  // use the built-in image without looking for romFile
};

// The lab computer: owns every module, wires them from kMachineWiring and drives the run loop.
// The clocked devices follow the processor lazily: RunFor runs the processor up to the nearest
// device event and lets the devices catch up in bulk (a bus access brings its device up to date
// first), with the same result, cycle for cycle, as stepping them after every instruction.
// Between calls every device is up to date.
class Machine : private DeviceClock {
public:
    static constexpr int kBurstSteps = 100;

    explicit Machine(const MachineOptions& options = {});
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    AddressDecoder& Decoder() { return decoder_; }
    MessageLines& Messages() { return messages_; }
    tarvok::Ram& Ram() { return ram_; }
    tarvok::Rom& Rom() { return rom_; }
    SevenSegmentDisplay& Display() { return display_; }
    tarvok::Keypad& Keypad() { return keypad_; }
    Mc6809& Cpu() { return cpu_; }
    Mc6821& Pia() { return pia_; }
    Mc6840& Timer() { return timer_; }
    R6551& Acia() { return acia_; }
    Device& Module(ModuleId id);

    // One step: the processor executes one instruction or interrupt entry, then the other clocked
    // modules advance by its cycles. Returns the cycles.
    Byte Step();
    // Steps as Step does until `cycles` cycles are spent (the last step may go beyond) or
    // `maxSteps` steps are done, a step ends at a breakpoint (whose message is shown and which
    // stops the system, as CheckBreakpoint does) or the processor was asked to stop.
    Mc6809::RunResult RunFor(std::uint64_t cycles, std::uint64_t maxSteps = Mc6809::kNoStepLimit);
    Mc6809::RunResult RunSteps(std::uint64_t steps) { return RunFor(kNoCycleLimit, steps); }
    // The idle handler's burst: up to kBurstSteps steps while running; stops at a breakpoint.
    // Returns true when the system stopped at a breakpoint.
    bool Burst();
    // True (after showing the message and stopping) when a breakpoint is set at the PC.
    bool CheckBreakpoint();

    void ResetSystem();
    bool SystemRunning() const { return systemRunning_; }
    void SetSystemRunning(bool running);
    // The 16-bit cycle counter of the status bar; it counts whether or not it is shown.
    std::uint16_t CycleCounter() const { return cycleCounter_; }
    void SetCycleCounter(std::uint16_t value) { cycleCounter_ = value; }
    bool CountCycles() const { return countCycles_; }
    void SetCountCycles(bool on) { countCycles_ = on; }
    std::uint64_t TotalCycles() const { return totalCycles_; }
    std::uint64_t TotalSteps() const { return totalSteps_; }

    // The keypad keys as the user holds them: a key acts only when its state changes. Break
    // holds the PIA's CA1 low; releasing Clear clears the output field and resets the system.
    void PressKey(KeypadKey key);
    void ReleaseKey(KeypadKey key);
    bool KeyDown(KeypadKey key) const { return keysDown_[static_cast<std::size_t>(key)]; }
    const std::bitset<kKeypadKeyCount>& KeysDown() const { return keysDown_; }
    std::array<Byte, 2> SpareRegisters() const { return {dummy1_.Value(), dummy2_.Value()}; }

    void AddListener(MachineListener* listener) { listeners_.Add(listener); }
    void RemoveListener(MachineListener* listener) { listeners_.Remove(listener); }

    // Brings `snapshot` up to date; each part whose state differs from what the snapshot held
    // counts a new generation.
    void TakeSnapshot(MachineSnapshot& snapshot) const;

    // The machine as plain data, and the way back to it. Restoring announces the memory bytes it
    // changes (the windows redraw them) and returns the signal files to their positions; false
    // when a file does not allow that (the rest is restored all the same).
    void SaveBoardState(BoardState& state) const;
    void RestoreBoardState(const BoardState& state);
    void SaveState(MachineState& state) const;
    bool RestoreState(const MachineState& state);

    // The one recorder that hears of every run, or nullptr (the default: runs cost nothing more).
    void SetRecorder(RunRecorder* recorder) { recorder_ = recorder; }
    RunRecorder* Recorder() const { return recorder_; }

private:
    // The output field: keeps its lines and tells the listeners.
    class Output : public MessageLines {
    public:
        explicit Output(const Listeners<MachineListener>& listeners) : listeners_(listeners) {}
        void AppendLine(const std::string& line) override;
        void Clear() override;

    private:
        const Listeners<MachineListener>& listeners_;
    };

    static constexpr std::uint64_t kNoCycleLimit = ~std::uint64_t{0};
    // The most cycles one processor run goes without the devices catching up.
    static constexpr std::uint64_t kMaxRunCycles = std::uint64_t{1} << 24;

    std::uint64_t Now() const override {
        return runningFor_ ? runStart_ + cpu_.CyclesRun() : totalCycles_;
    }
    void EventMoved(const ClockedDevice& device) override;
    void CatchUpDevices();
    Mc6809::RunResult RunUnrecorded(std::uint64_t cycles, std::uint64_t maxSteps);
    void Count(std::uint64_t cycles, std::uint64_t steps);

    Listeners<MachineListener> listeners_;
    AddressDecoder decoder_;
    Output messages_{listeners_};
    tarvok::Ram ram_;
    tarvok::Rom rom_;
    SevenSegmentDisplay display_;
    tarvok::Keypad keypad_;
    Mc6809 cpu_;
    Mc6821 pia_;
    Mc6840 timer_;
    R6551 acia_;
    DummyRegister dummy1_;
    DummyRegister dummy2_;

    std::array<Device*, kClockedModules> runList_{};
    std::size_t runListSize_ = 0;
    // The run list without the processor.
    std::array<ClockedDevice*, kClockedModules> devices_{};
    std::size_t deviceCount_ = 0;
    // The processor run in progress: where it started and the cycle by which it must end.
    bool runningFor_ = false;
    std::uint64_t runStart_ = 0;
    std::uint64_t runEnd_ = 0;
    Byte lastCycles_ = 0;
    bool systemRunning_ = false;
    std::uint16_t cycleCounter_ = 0;
    bool countCycles_ = false;
    std::uint64_t totalCycles_ = 0;
    std::uint64_t totalSteps_ = 0;
    std::bitset<kKeypadKeyCount> keysDown_;
    RunRecorder* recorder_ = nullptr;
};

}  // namespace tarvok
