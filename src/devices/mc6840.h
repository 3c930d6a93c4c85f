#pragma once

#include <array>
#include <cstdint>

#include "core/device.h"
#include "core/types.h"

namespace tarvok {

// What a timer window needs to hear from the timer module. Timer numbers run from 1 to 3.
// Counter values are not reported: they change every cycle and no window shows them.
class TMC6840Listener {
public:
    virtual ~TMC6840Listener() = default;
    virtual void ControlRegisterChanged(int timer, Byte value) = 0;
    virtual void StatusChanged(Byte value) = 0;
    virtual void LatchChanged(int timer, Byte msbLatch, Byte lsbLatch) = 0;
    virtual void OutputChanged(int timer, bool level) = 0;
    virtual void GateChanged(int timer, bool level) = 0;
    // The module was reset; a window returns to its start-up look (and may release its gate).
    virtual void ModuleReset() = 0;
    // Asked once per Run call. While true, every processed cycle is reported through Sample for
    // each timer that runs on the processor clock, in timer order.
    virtual bool WantsSamples() const = 0;
    virtual void Sample(int timer, bool output, bool interruptFlag) = 0;
};

// MC6840 programmable timer: three 16-bit down-counters clocked by processor cycles, with latches,
// gates, outputs and one interrupt output (source line 1).
class TMC6840Module : public TMemoryModule {
public:
    static constexpr Address kDefaultBaseAddress = 0xF018;
    static constexpr std::uint16_t kSize = 8;
    static constexpr std::uint16_t kIrqSourceLine = 1;

    struct Timer {
        Byte msbLatch = 0;
        Byte lsbLatch = 0;
        Byte msbCounter = 0;
        Byte lsbCounter = 0;
        bool gate = false;
        bool output = false;
        bool timedOut = false;
        bool statusRead = false;  // status was read while the flag was set; an LSB read clears it
        bool operator==(const Timer&) const = default;
    };

    // Everything the device knows; plain data so that the machine can be snapshotted.
    struct State {
        std::array<Byte, 3> cr{};  // CR1, CR2, CR3
        Byte status = 0;
        Byte msbBuffer = 0;
        Byte lsbBuffer = 0;
        std::array<Timer, 3> timers{};
        std::uint8_t startState = 0;      // 0..3: cycles lost after the internal reset ends
        std::uint8_t prescalerCount = 0;  // 0..7, timer 3 only
        bool operator==(const State&) const = default;
    };

    TMC6840Module() : TMemoryModule(kDefaultBaseAddress, kSize) {}

    Byte GetValue(Address address, bool peek) override;
    void SetValue(Address address, Byte value) override;
    void Reset() override;
    Byte Run(Byte cycles) override;
    void Loaded() override;
    void ConnectIRQOutput(int output, TMemoryModule* dest, std::uint16_t destNum) override;

    TMemoryModule* IRQDest() const { return irqDest_; }
    std::uint16_t IRQDestNum() const { return irqDestNum_; }
    void SetListener(TMC6840Listener* listener) { listener_ = listener; }

    void SetRegCR1(Byte value) { SetControlRegister(0, value); }
    void SetRegCR2(Byte value) { SetControlRegister(1, value); }
    void SetRegCR3(Byte value) { SetControlRegister(2, value); }
    void SetRegStatus(Byte value);
    void SetRegMSBPuffer(Byte value) { state_.msbBuffer = value; }
    void SetRegLSBPuffer(Byte value);
    void SetRegMSBLatch1(Byte value) { SetMSBLatch(0, value); }
    void SetRegMSBLatch2(Byte value) { SetMSBLatch(1, value); }
    void SetRegMSBLatch3(Byte value) { SetMSBLatch(2, value); }
    void SetRegLSBLatch1(Byte value) { SetLSBLatch(0, value); }
    void SetRegLSBLatch2(Byte value) { SetLSBLatch(1, value); }
    void SetRegLSBLatch3(Byte value) { SetLSBLatch(2, value); }
    void SetRegMSBZaehler1(Byte value) { SetMSBCounter(0, value); }
    void SetRegMSBZaehler2(Byte value) { SetMSBCounter(1, value); }
    void SetRegMSBZaehler3(Byte value) { SetMSBCounter(2, value); }
    void SetRegLSBZaehler1(Byte value) { state_.timers[0].lsbCounter = value; }
    void SetRegLSBZaehler2(Byte value) { state_.timers[1].lsbCounter = value; }
    void SetRegLSBZaehler3(Byte value) { state_.timers[2].lsbCounter = value; }

    void CounterInitialization1() { CounterInitialization(0); }
    void CounterInitialization2() { CounterInitialization(1); }
    void CounterInitialization3() { CounterInitialization(2); }
    void CounterRecycling1() { CounterRecycling(0); }
    void CounterRecycling2() { CounterRecycling(1); }
    void CounterRecycling3() { CounterRecycling(2); }

    void SetGate1(bool level) { SetGate(0, level); }
    void SetGate2(bool level) { SetGate(1, level); }
    void SetGate3(bool level) { SetGate(2, level); }
    void SetOutput1(bool level) { SetOutput(0, level); }
    void SetOutput2(bool level) { SetOutput(1, level); }
    void SetOutput3(bool level) { SetOutput(2, level); }

    // Accessors by timer number 1 to 3; other numbers read as 0 / false.
    bool GetGate(int timer) const { return Valid(timer) && TimerAt(timer).gate; }
    bool GetOutput(int timer) const { return Valid(timer) && TimerAt(timer).output; }
    Byte GetControlRegister(int timer) const { return Valid(timer) ? state_.cr[timer - 1] : 0; }
    Byte GetMSBLatch(int timer) const { return Valid(timer) ? TimerAt(timer).msbLatch : 0; }
    Byte GetLSBLatch(int timer) const { return Valid(timer) ? TimerAt(timer).lsbLatch : 0; }
    std::uint16_t GetCounter(int timer) const {
        return Valid(timer) ? static_cast<std::uint16_t>(TimerAt(timer).msbCounter << 8 |
                                                         TimerAt(timer).lsbCounter)
                            : 0;
    }
    Byte GetStatus() const { return state_.status; }

    const State& GetState() const { return state_; }
    // Takes over a snapshot and drives the interrupt output to match it.
    void RestoreState(const State& state);

private:
    static constexpr std::uint32_t kNoEvent = 0xFFFFFFFF;

    static bool Valid(int timer) { return timer >= 1 && timer <= 3; }
    const Timer& TimerAt(int timer) const { return state_.timers[timer - 1]; }
    int Mode(int i) const { return (state_.cr[i] >> 3) & 7; }
    bool OutputEnabled(int i) const { return (state_.cr[i] & 0x80) != 0; }
    bool Clocked(int i) const { return (state_.cr[i] & 0x02) != 0; }
    // Dual 8-bit counting, except that a continuous timer with LSB latch 0 counts 16 bits.
    bool CountsDual(int i) const;

    void SetControlRegister(int i, Byte value);
    void SetMSBLatch(int i, Byte value);
    void SetLSBLatch(int i, Byte value);
    void SetMSBCounter(int i, Byte value);
    void CounterInitialization(int i);
    void CounterRecycling(int i);
    void SetGate(int i, bool level);
    void SetOutput(int i, bool level);
    void SetFlag(int i) { SetRegStatus(state_.status | static_cast<Byte>(1u << i)); }
    void ClearFlag(int i) { SetRegStatus(state_.status & static_cast<Byte>(~(1u << i))); }
    bool Flag(int i) const { return (state_.status >> i) & 1; }

    Byte PeekOffset(unsigned offset) const;
    void Notify(unsigned offset, Byte value);

    void StepCycle(bool sample);
    void CountStep(int i);
    bool DualStep(int i);  // true on a time-out
    bool WordStep(int i);  // true on a time-out
    std::uint32_t QuietSteps(int i) const;
    std::uint32_t QuietCycles(unsigned limit) const;
    void AdvanceQuietly(unsigned cycles);
    void AdvanceCounter(int i, std::uint32_t steps);

    State state_;
    TMemoryModule* irqDest_ = nullptr;
    std::uint16_t irqDestNum_ = 0;
    TMC6840Listener* listener_ = nullptr;
};

}  // namespace tarvok
