#include "devices/mc6840.h"

#include <algorithm>

#include "core/address_decoder.h"

namespace tarvok {

namespace {

constexpr Byte kInternalReset = 0x01;   // CR1
constexpr Byte kRegisterSelect = 0x01;  // CR2: offset 0 writes CR1
constexpr Byte kPrescaler = 0x01;       // CR3
constexpr Byte kDual = 0x04;
constexpr Byte kNoInitOnLatchWrite = 0x10;
constexpr Byte kInterruptEnable = 0x40;
constexpr Byte kCompositeInterrupt = 0x80;

bool IsContinuous(int mode) {
    return mode == 0 || mode == 2;
}
bool IsSingleShot(int mode) {
    return mode == 4 || mode == 6;
}

}  // namespace

// ---- wiring -------------------------------------------------------------------------------------

void Mc6840::Install() {
    Device::Install();
    Reset();
}

void Mc6840::ConnectInterruptOutput(int output, Device* dest, std::uint16_t destNum) {
    if (output != 0) return;
    irqDest_ = dest;
    irqDestNum_ = destNum;
}

void Mc6840::Reset() {
    state_.msbBuffer = 0xFF;
    SetLsbBuffer(0xFF);
    for (int i = 0; i < 3; ++i) {
        StoreMsbLatch(i, 0xFF);
        StoreLsbLatch(i, 0xFF);
    }
    SetControlRegister(1, kInternalReset);
    SetControlRegister(2, 0);
    SetControlRegister(3, 0);
    for (int i = 0; i < 3; ++i)
        InitializeCounterAt(i);
    state_.startState = 0;
    state_.prescalerCount = 0;
    listeners_.Notify([&](Mc6840Listener& l) { l.ModuleReset(); });
}

void Mc6840::RestoreState(const Mc6840State& state) {
    state_ = state;
    SetStatus(state_.status);
}

// ---- bus ----------------------------------------------------------------------------------------

Byte Mc6840::PeekOffset(unsigned offset) const {
    switch (offset) {
        case 0:
            return (state_.cr[1] & kRegisterSelect) ? state_.cr[0] : state_.cr[2];
        case 1:
            return state_.status;
        case 2:
        case 4:
        case 6:
            return state_.timers[offset / 2 - 1].msbCounter;
        case 3:
        case 5:
        case 7:
            return state_.lsbBuffer;
        default:
            return 0;
    }
}

void Mc6840::Notify(unsigned offset, Byte value) {
    if (decoder_ != nullptr) {
        decoder_->AnnounceChange(static_cast<Address>(baseAddress_ + offset), value);
    }
}

Byte Mc6840::ReadNow(Address address, bool peek) {
    const unsigned offset = static_cast<Address>(address - baseAddress_);
    if (peek || offset >= kSize) return PeekOffset(offset);
    switch (offset) {
        case 0:
            return 0;
        case 1:
            for (auto i = 0; i < 3; ++i) {
                if (Flag(i)) state_.timers[i].statusRead = true;
            }
            return state_.status;
        case 2:
        case 4:
        case 6: {
            const Mc6840Timer& timer = state_.timers[offset / 2 - 1];
            SetLsbBuffer(timer.lsbCounter);
            return timer.msbCounter;
        }
        default: {  // 3, 5, 7
            const int i = static_cast<int>(offset / 2 - 1);
            const Byte value = state_.lsbBuffer;
            if (state_.timers[i].statusRead) ClearFlag(i);
            return value;
        }
    }
}

void Mc6840::WriteNow(Address address, Byte value) {
    const unsigned offset = static_cast<Address>(address - baseAddress_);
    if (offset >= kSize) return;
    switch (offset) {
        case 0:
            if (state_.cr[1] & kRegisterSelect) {
                SetControlRegister(1, value);
            } else {
                SetControlRegister(3, value);
            }
            break;
        case 1:
            SetControlRegister(2, value);
            break;
        case 2:
        case 4:
        case 6:
            SetMsbBuffer(value);
            break;
        default: {  // 3, 5, 7: latch write
            const int i = static_cast<int>(offset / 2 - 1);
            StoreLsbLatch(i, value);
            StoreMsbLatch(i, state_.msbBuffer);
            ClearFlag(i);
            if (!(state_.cr[i] & kNoInitOnLatchWrite)) InitializeCounterAt(i);
            break;
        }
    }
    // A memory window that wrote here shows the written byte until told what reads back.
    const Byte shown = PeekOffset(offset);
    if (shown != value) Notify(offset, shown);
}

// ---- registers ----------------------------------------------------------------------------------

void Mc6840::StoreControl(int i, Byte value) {
    const Byte shownBefore = PeekOffset(0);
    const bool changed = state_.cr[i] != value;
    state_.cr[i] = value;
    const Byte shownAfter = PeekOffset(0);
    if (shownAfter != shownBefore) Notify(0, shownAfter);
    if (i == 0 && (value & kInternalReset)) {
        for (int n = 0; n < 3; ++n)
            InitializeCounterAt(n);
    }
    if (changed)
        listeners_.Notify([&](Mc6840Listener& l) { l.ControlRegisterChanged(i + 1, value); });
    if (!(value & 0x80)) StoreOutput(i, false);
    SetStatus(state_.status);
}

void Mc6840::SetStatus(Byte value) {
    bool interrupt = false;
    for (int i = 0; i < 3; ++i) {
        if (((value >> i) & 1) && (state_.cr[i] & kInterruptEnable)) interrupt = true;
    }
    // The composite bit follows the flags whether or not a receiver is wired.
    value = interrupt ? (value | kCompositeInterrupt) : (value & ~kCompositeInterrupt);
    if (irqDest_ != nullptr)
        irqDest_->SetInterruptInput(this, kIrqSourceLine, irqDestNum_, !interrupt);
    if (value == state_.status) return;
    state_.status = value;
    Notify(1, value);
    listeners_.Notify([&](Mc6840Listener& l) { l.StatusChanged(value); });
}

void Mc6840::SetLsbBuffer(Byte value) {
    if (state_.lsbBuffer == value) return;
    state_.lsbBuffer = value;
    Notify(3, value);
    Notify(5, value);
    Notify(7, value);
}

void Mc6840::StoreMsbLatch(int i, Byte value) {
    Mc6840Timer& timer = state_.timers[i];
    if (timer.msbLatch == value) return;
    timer.msbLatch = value;
    listeners_.Notify(
        [&](Mc6840Listener& l) { l.LatchChanged(i + 1, timer.msbLatch, timer.lsbLatch); });
}

void Mc6840::StoreLsbLatch(int i, Byte value) {
    Mc6840Timer& timer = state_.timers[i];
    if (timer.lsbLatch == value) return;
    timer.lsbLatch = value;
    listeners_.Notify(
        [&](Mc6840Listener& l) { l.LatchChanged(i + 1, timer.msbLatch, timer.lsbLatch); });
}

void Mc6840::StoreMsbCounter(int i, Byte value) {
    Mc6840Timer& timer = state_.timers[i];
    if (timer.msbCounter == value) return;
    timer.msbCounter = value;
    Notify(static_cast<unsigned>(2 * i + 2), value);
}

void Mc6840::StoreOutput(int i, bool level) {
    Mc6840Timer& timer = state_.timers[i];
    if (timer.output == level) return;
    timer.output = level;
    listeners_.Notify([&](Mc6840Listener& l) { l.OutputChanged(i + 1, level); });
}

// ---- counter events -----------------------------------------------------------------------------

void Mc6840::InitializeCounterAt(int i) {
    Mc6840Timer& timer = state_.timers[i];
    StoreMsbCounter(i, timer.msbLatch);
    timer.lsbCounter = timer.lsbLatch;
    ClearFlag(i);
    StoreOutput(i, false);
    timer.timedOut = false;
    timer.statusRead = false;
}

void Mc6840::RecycleCounterAt(int i) {
    Mc6840Timer& timer = state_.timers[i];
    StoreMsbCounter(i, timer.msbLatch);
    timer.lsbCounter = timer.lsbLatch;
    const int mode = Mode(i);
    if (mode % 2 == 0) {
        if (!Flag(i)) SetFlag(i);
    } else if (mode == 5 || mode == 7) {
        if (!timer.timedOut) SetFlag(i);
    }
    timer.timedOut = true;
}

void Mc6840::StoreGate(int i, bool level) {
    Mc6840Timer& timer = state_.timers[i];
    if (timer.gate == level) return;
    timer.gate = level;
    listeners_.Notify([&](Mc6840Listener& l) { l.GateChanged(i + 1, level); });
    const bool flag = Flag(i);
    switch (Mode(i)) {
        case 1:
            if (level) break;
            if (!timer.timedOut) {
                if (!flag) SetFlag(i);
            } else if (!flag) {
                InitializeCounterAt(i);
            }
            break;
        case 3:
            if (!level) {
                if (!flag) InitializeCounterAt(i);
            } else if (!timer.timedOut && !flag) {
                SetFlag(i);
            }
            break;
        case 5:
            if (!level && !(timer.timedOut && flag)) InitializeCounterAt(i);
            break;
        case 7:
            if (level && !(timer.timedOut && flag)) InitializeCounterAt(i);
            break;
        default:  // 0, 2, 4, 6
            if (!level) InitializeCounterAt(i);
            break;
    }
}

// ---- counting -----------------------------------------------------------------------------------

std::uint64_t Mc6840::CyclesToEvent() const {
    if (state_.cr[0] & kInternalReset) return kNoEvent;
    // The first two steps after the internal reset ends lose cycles step by step.
    if (state_.startState < 3) return 1;
    const std::uint32_t quiet = QuietCycles(kNoCount);
    return quiet == kNoCount ? kNoEvent : std::uint64_t{quiet} + 1;
}

void Mc6840::Advance(std::uint64_t cycles) {
    if (state_.cr[0] & kInternalReset) {
        state_.startState = 0;
        return;
    }
    std::uint64_t todo = cycles;
    switch (state_.startState) {
        case 0:
        case 1:
            state_.startState = 2;
            return;
        case 2:
            state_.startState = 3;
            // A step shorter than the two lost cycles counts nothing (it must not wrap around).
            todo = todo > 2 ? todo - 2 : 0;
            break;
        default:
            break;
    }
    if (todo == 0) return;
    while (todo > 0) {
        const unsigned quiet =
            QuietCycles(static_cast<unsigned>(std::min<std::uint64_t>(todo, kNoCount - 1)));
        if (quiet > 0) {
            AdvanceQuietly(quiet);
            if (!taps_.Empty()) [[unlikely]]
                TapLevels(quiet);
            todo -= quiet;
        }
        if (todo > 0) {
            StepCycle();
            if (!taps_.Empty()) [[unlikely]]
                TapLevels(1);
            --todo;
        }
    }
}

void Mc6840::TapLevels(std::uint64_t cycles) {
    for (int i = 0; i < 3; ++i) {
        if (!Clocked(i)) continue;
        const bool output = state_.timers[i].output;
        const bool flag = Flag(i);
        taps_.Notify([&](Mc6840Tap& tap) { tap.Levels(i + 1, output, flag, cycles); });
    }
}

bool Mc6840::CountsDual(int i) const {
    if (!(state_.cr[i] & kDual)) return false;
    return !IsContinuous(Mode(i)) || state_.timers[i].lsbLatch != 0;
}

void Mc6840::StepCycle() {
    for (int i = 0; i < 3; ++i) {
        if (!Clocked(i)) continue;
        bool counts = true;
        if (i == 2) {
            if (state_.cr[2] & kPrescaler) {
                if (state_.prescalerCount > 6) {
                    state_.prescalerCount = 0;
                } else {
                    ++state_.prescalerCount;
                    counts = false;
                }
            } else {
                state_.prescalerCount = 0;
            }
        }
        if (counts) CountStep(i);
    }
}

bool Mc6840::DualStep(int i) {
    Mc6840Timer& timer = state_.timers[i];
    if (timer.lsbCounter != 0) {
        --timer.lsbCounter;
        return false;
    }
    timer.lsbCounter = timer.lsbLatch;
    if (timer.msbCounter != 0) {
        StoreMsbCounter(i, static_cast<Byte>(timer.msbCounter - 1));
        return false;
    }
    RecycleCounterAt(i);
    return true;
}

bool Mc6840::WordStep(int i) {
    Mc6840Timer& timer = state_.timers[i];
    unsigned value = unsigned{timer.msbCounter} << 8 | timer.lsbCounter;
    if (value == 0) {
        RecycleCounterAt(i);
        return true;
    }
    --value;
    timer.lsbCounter = static_cast<Byte>(value);
    StoreMsbCounter(i, static_cast<Byte>(value >> 8));
    return false;
}

void Mc6840::CountStep(int i) {
    Mc6840Timer& timer = state_.timers[i];
    const int mode = Mode(i);
    const bool enabled = OutputEnabled(i);
    if (IsContinuous(mode)) {
        if (timer.gate) return;
        if (CountsDual(i)) {
            DualStep(i);
            StoreOutput(i, enabled && timer.msbCounter == 0);
        } else if (WordStep(i)) {
            StoreOutput(i, enabled && !timer.output);
        }
    } else if (IsSingleShot(mode)) {
        if (CountsDual(i)) {
            DualStep(i);
            StoreOutput(i, enabled && timer.msbCounter == 0 && !timer.timedOut);
        } else {
            const bool wasCounting = timer.msbCounter != 0 || timer.lsbCounter != 0;
            WordStep(i);
            StoreOutput(i, wasCounting && enabled && !timer.timedOut);
        }
    } else {
        const bool timeOut = CountsDual(i) ? DualStep(i) : WordStep(i);
        if (timeOut) StoreOutput(i, enabled && !timer.output);
    }
}

// Counted steps of timer i before the next one that does more than decrement the counter
// (a time-out or an output change).
std::uint32_t Mc6840::QuietSteps(int i) const {
    const Mc6840Timer& timer = state_.timers[i];
    const int mode = Mode(i);
    const bool enabled = OutputEnabled(i);
    const std::uint32_t msb = timer.msbCounter;
    const std::uint32_t lsb = timer.lsbCounter;
    if (IsContinuous(mode) && timer.gate) return kNoCount;
    if (!CountsDual(i)) {
        const std::uint32_t count = msb << 8 | lsb;
        if (IsSingleShot(mode) && timer.output != (enabled && !timer.timedOut)) return 0;
        return count;
    }
    const std::uint32_t period = std::uint32_t{timer.lsbLatch} + 1;
    if (mode % 2 == 0) {  // the output follows MSB = 0
        const bool highAtZero = enabled && !(IsSingleShot(mode) && timer.timedOut);
        const bool expected = highAtZero && msb == 0;
        if (timer.output != expected) return 0;
        if (highAtZero && msb > 0) return lsb + (msb - 1) * period;
    }
    return lsb + msb * period;
}

std::uint32_t Mc6840::QuietCycles(unsigned limit) const {
    std::uint32_t quiet = limit;
    for (int i = 0; i < 3; ++i) {
        if (!Clocked(i)) continue;
        const std::uint32_t steps = QuietSteps(i);
        if (steps == kNoCount) continue;
        std::uint32_t cycles = steps;
        if (i == 2 && (state_.cr[2] & kPrescaler)) {
            // Counts fall on the cycles that find the prescaler at 7.
            cycles = 7u - std::min<std::uint32_t>(state_.prescalerCount, 7) + 8u * steps;
        }
        quiet = std::min(quiet, cycles);
    }
    return quiet;
}

void Mc6840::AdvanceQuietly(unsigned cycles) {
    for (int i = 0; i < 3; ++i) {
        if (!Clocked(i)) continue;
        std::uint32_t steps = cycles;
        if (i == 2) {
            if (state_.cr[2] & kPrescaler) {
                const std::uint32_t first = 8u - std::min<std::uint32_t>(state_.prescalerCount, 7);
                steps = cycles >= first ? (cycles - first) / 8 + 1 : 0;
                state_.prescalerCount = static_cast<std::uint8_t>(
                    (std::min<std::uint32_t>(state_.prescalerCount, 7) + cycles) % 8);
            } else {
                state_.prescalerCount = 0;
            }
        }
        if (steps == 0 || (IsContinuous(Mode(i)) && state_.timers[i].gate)) continue;
        AdvanceCounter(i, steps);
    }
}

// Moves the counter `steps` counts on; the caller guarantees that no time-out lies within them.
void Mc6840::AdvanceCounter(int i, std::uint32_t steps) {
    Mc6840Timer& timer = state_.timers[i];
    std::uint32_t msb = timer.msbCounter;
    std::uint32_t lsb = timer.lsbCounter;
    if (!CountsDual(i)) {
        const std::uint32_t count = (msb << 8 | lsb) - steps;
        msb = count >> 8;
        lsb = count & 0xFF;
    } else if (steps <= lsb) {
        lsb -= steps;
    } else {
        // From MSB:0 on, the counter walks through MSB * (latch + 1) positions to zero.
        const std::uint32_t period = std::uint32_t{timer.lsbLatch} + 1;
        const std::uint32_t position = msb * period - (steps - lsb);
        msb = position / period;
        lsb = position % period;
    }
    timer.lsbCounter = static_cast<Byte>(lsb);
    StoreMsbCounter(i, static_cast<Byte>(msb));
}

}  // namespace tarvok
