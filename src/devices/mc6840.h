#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "core/listeners.h"
#include "core/types.h"
#include "devices/clocked_device.h"

namespace tarvok {

// What a timer window needs to hear from the timer module. Timer numbers run from 1 to 3.
// Counter values are not reported: they change every cycle and no window shows them.
class Mc6840Listener {
public:
    virtual ~Mc6840Listener() = default;
    virtual void ControlRegisterChanged(int timer, Byte value) = 0;
    virtual void StatusChanged(Byte value) = 0;
    virtual void LatchChanged(int timer, Byte msbLatch, Byte lsbLatch) = 0;
    virtual void OutputChanged(int timer, bool level) = 0;
    virtual void GateChanged(int timer, bool level) = 0;
    // The module was reset; a window returns to its start-up look (and may release its gate).
    virtual void ModuleReset() = 0;
};

// What a timer graph draws: the output and interrupt flag of each timer that runs on the
// processor clock, in every cycle that the timer processes, as runs of equal levels. Runs of a
// timer come in time order and may continue each other with the same levels.
class Mc6840Tap {
public:
    virtual ~Mc6840Tap() = default;
    virtual void Levels(int timer, bool output, bool interruptFlag, std::uint64_t cycles) = 0;
};

// One of the three counters.
struct Mc6840Timer {
    Byte msbLatch = 0;
    Byte lsbLatch = 0;
    Byte msbCounter = 0;
    Byte lsbCounter = 0;
    bool gate = false;
    bool output = false;
    bool timedOut = false;
    bool statusRead = false;  // status was read while the flag was set; an LSB read clears it
    bool operator==(const Mc6840Timer&) const = default;
};

// Everything the device knows; plain data so that the machine can be snapshotted.
struct Mc6840State {
    std::array<Byte, 3> cr{};  // CR1, CR2, CR3
    Byte status = 0;
    Byte msbBuffer = 0;
    Byte lsbBuffer = 0;
    std::array<Mc6840Timer, 3> timers{};
    std::uint8_t startState = 0;      // 0..3: cycles lost after the internal reset ends
    std::uint8_t prescalerCount = 0;  // 0..7, timer 3 only
    bool operator==(const Mc6840State&) const = default;
};

// MC6840 programmable timer: three 16-bit down-counters clocked by processor cycles, with latches,
// gates, outputs and one interrupt output (source line 1).
class Mc6840 : public ClockedDevice {
public:
    static constexpr Address kDefaultBaseAddress = 0xF018;
    static constexpr std::uint16_t kSize = 8;
    static constexpr std::uint16_t kIrqSourceLine = 1;

    Mc6840() : ClockedDevice(kDefaultBaseAddress, kSize) {}

    void Reset() override;
    std::uint64_t CyclesToEvent() const override;
    void Install() override;
    void ConnectInterruptOutput(int output, Device* dest, std::uint16_t destNum) override;

    Device* InterruptDest() const { return irqDest_; }
    std::uint16_t InterruptDestInput() const { return irqDestNum_; }
    void AddListener(Mc6840Listener* listener) { listeners_.Add(listener); }
    void RemoveListener(Mc6840Listener* listener) { listeners_.Remove(listener); }
    void AddTap(Mc6840Tap* tap) { taps_.Add(tap); }
    void RemoveTap(Mc6840Tap* tap) { taps_.Remove(tap); }
    // While muted the taps hear nothing (a run that repeats the past feeds no graph twice).
    void MuteTaps(bool muted) {
        if (muted != tapsMuted_) std::swap(taps_, mutedTaps_);
        tapsMuted_ = muted;
    }

    // Register operations by timer number 1 to 3; other numbers are ignored.
    void SetControlRegister(int timer, Byte value) {
        if (Valid(timer)) StoreControl(timer - 1, value);
    }
    void SetStatus(Byte value);
    void SetMsbBuffer(Byte value) { state_.msbBuffer = value; }
    void SetLsbBuffer(Byte value);
    void SetMsbLatch(int timer, Byte value) {
        if (Valid(timer)) StoreMsbLatch(timer - 1, value);
    }
    void SetLsbLatch(int timer, Byte value) {
        if (Valid(timer)) StoreLsbLatch(timer - 1, value);
    }
    void SetMsbCounter(int timer, Byte value) {
        if (Valid(timer)) StoreMsbCounter(timer - 1, value);
    }
    void SetLsbCounter(int timer, Byte value) {
        if (Valid(timer)) state_.timers[timer - 1].lsbCounter = value;
    }
    void InitializeCounter(int timer) {
        if (Valid(timer)) InitializeCounterAt(timer - 1);
    }
    void RecycleCounter(int timer) {
        if (Valid(timer)) RecycleCounterAt(timer - 1);
    }
    void SetGate(int timer, bool level) {
        if (Valid(timer)) StoreGate(timer - 1, level);
    }
    void SetOutput(int timer, bool level) {
        if (Valid(timer)) StoreOutput(timer - 1, level);
    }

    // Accessors by timer number 1 to 3; other numbers read as 0 / false.
    bool Gate(int timer) const { return Valid(timer) && TimerAt(timer).gate; }
    bool Output(int timer) const { return Valid(timer) && TimerAt(timer).output; }
    Byte ControlRegister(int timer) const { return Valid(timer) ? state_.cr[timer - 1] : 0; }
    Byte MsbLatch(int timer) const { return Valid(timer) ? TimerAt(timer).msbLatch : 0; }
    Byte LsbLatch(int timer) const { return Valid(timer) ? TimerAt(timer).lsbLatch : 0; }
    std::uint16_t Counter(int timer) const {
        return Valid(timer) ? static_cast<std::uint16_t>(TimerAt(timer).msbCounter << 8 |
                                                         TimerAt(timer).lsbCounter)
                            : 0;
    }
    Byte Status() const { return state_.status; }

    const Mc6840State& State() const { return state_; }
    // Takes over a snapshot and drives the interrupt output to match it.
    void RestoreState(const Mc6840State& state);

private:
    Byte ReadNow(Address address, bool peek) override;
    void WriteNow(Address address, Byte value) override;
    static constexpr std::uint32_t kNoCount = 0xFFFFFFFF;

    void Advance(std::uint64_t cycles) override;

    static bool Valid(int timer) { return timer >= 1 && timer <= 3; }
    const Mc6840Timer& TimerAt(int timer) const { return state_.timers[timer - 1]; }
    int Mode(int i) const { return (state_.cr[i] >> 3) & 7; }
    bool OutputEnabled(int i) const { return (state_.cr[i] & 0x80) != 0; }
    bool Clocked(int i) const { return (state_.cr[i] & 0x02) != 0; }
    // Dual 8-bit counting, except that a continuous timer with LSB latch 0 counts 16 bits.
    bool CountsDual(int i) const;

    void StoreControl(int i, Byte value);
    void StoreMsbLatch(int i, Byte value);
    void StoreLsbLatch(int i, Byte value);
    void StoreMsbCounter(int i, Byte value);
    void InitializeCounterAt(int i);
    void RecycleCounterAt(int i);
    void StoreGate(int i, bool level);
    void StoreOutput(int i, bool level);
    void SetFlag(int i) { SetStatus(state_.status | static_cast<Byte>(1u << i)); }
    void ClearFlag(int i) { SetStatus(state_.status & static_cast<Byte>(~(1u << i))); }
    bool Flag(int i) const { return (state_.status >> i) & 1; }

    Byte PeekOffset(unsigned offset) const;
    void Notify(unsigned offset, Byte value);

    void StepCycle();
    // Tells the taps that each clocked timer kept its levels for `cycles` cycles.
    void TapLevels(std::uint64_t cycles);
    void CountStep(int i);
    bool DualStep(int i);  // true on a time-out
    bool WordStep(int i);  // true on a time-out
    std::uint32_t QuietSteps(int i) const;
    std::uint32_t QuietCycles(unsigned limit) const;
    void AdvanceQuietly(unsigned cycles);
    void AdvanceCounter(int i, std::uint32_t steps);

    Mc6840State state_;
    Device* irqDest_ = nullptr;
    std::uint16_t irqDestNum_ = 0;
    Listeners<Mc6840Listener> listeners_;
    Listeners<Mc6840Tap> taps_;
    Listeners<Mc6840Tap> mutedTaps_;
    bool tapsMuted_ = false;
};

}  // namespace tarvok
