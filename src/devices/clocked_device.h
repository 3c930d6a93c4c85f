#pragma once

#include <cstdint>

#include "core/device.h"
#include "core/types.h"

namespace tarvok {

class ClockedDevice;

// The machine's time as its clocked devices see it. A device that is clocked this way is brought
// up to date only when something needs it: when the processor accesses it, when its next event
// falls due and when a run ends.
class DeviceClock {
public:
    virtual ~DeviceClock() = default;
    // Processor cycles since the machine was built, up to the start of the step in progress:
    // the time at which a bus access of that step takes effect.
    virtual std::uint64_t Now() const = 0;
    // An access has moved `device`'s next event; a run in progress must end by it.
    virtual void EventMoved(const ClockedDevice& device) = 0;
};

// A device that processor cycles drive. Advancing it by some cycles at once does exactly what
// advancing it step by step over the same cycles does, as long as no event (CyclesToEvent) lies
// before the last of those steps.
class ClockedDevice : public Device {
public:
    static constexpr std::uint64_t kNoEvent = ~std::uint64_t{0};

    using Device::Device;

    // A bus access first does what the cycles up to it do; afterwards the run in progress learns
    // of the next event the access may have moved.
    Byte Read(Address address, bool peek) final {
        Synchronize();
        const Byte value = ReadNow(address, peek);
        EventMayHaveMoved();
        return value;
    }
    void Write(Address address, Byte value) final {
        Synchronize();
        WriteNow(address, value);
        EventMayHaveMoved();
    }

    // One step of the step-by-step run loop.
    Byte Run(Byte cycles) final {
        Advance(cycles);
        time_ += cycles;
        return cycles;
    }

    // Cycles from Time() to the end of the first step after which the device may have changed
    // something that the processor or another device sees without accessing it (an interrupt
    // output, a message), or after which its behaviour depends on where steps begin: at least
    // 1, or kNoEvent. Between such steps the device may be advanced in bulk.
    virtual std::uint64_t CyclesToEvent() const = 0;

    // Where the device's time stands.
    std::uint64_t Time() const { return time_; }
    // Brings the device up to `now` in one go.
    void CatchUp(std::uint64_t now) {
        if (now <= time_) return;
        Advance(now - time_);
        time_ = now;
    }
    // From now on the device catches up with `clock` on every bus access; it starts at the
    // clock's present time.
    void SetClock(DeviceClock* clock) {
        clock_ = clock;
        time_ = clock != nullptr ? clock->Now() : 0;
    }

protected:
    // The register access itself, with the device up to date.
    virtual Byte ReadNow(Address address, bool peek) = 0;
    virtual void WriteNow(Address address, Byte value) = 0;
    // What `cycles` cycles do to the device.
    virtual void Advance(std::uint64_t cycles) = 0;

    // Opens every bus access: the device first does what the cycles up to the access do.
    void Synchronize() {
        if (clock_ != nullptr) CatchUp(clock_->Now());
    }
    // Closes a bus access that may have moved the next event.
    void EventMayHaveMoved() const {
        if (clock_ != nullptr) clock_->EventMoved(*this);
    }

private:
    DeviceClock* clock_ = nullptr;
    std::uint64_t time_ = 0;
};

}  // namespace tarvok
