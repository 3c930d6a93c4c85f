#pragma once

#include <cstdint>

#include "core/types.h"

namespace tarvok {

class AddressDecoder;

// Base of every simulated device: a device occupies Size() bus addresses from BaseAddress() and is
// reached only through the address decoder.
class Device {
public:
    Device(Address baseAddress, std::uint16_t size) : baseAddress_(baseAddress), size_(size) {}
    virtual ~Device() = default;
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    // peek = true is an inspection read by a viewer: devices that honour it skip read side effects.
    virtual Byte Read(Address address, bool peek) = 0;
    virtual void Reset() {}
    // Advances the device by one run-loop step of `cycles` processor cycles and passes the count
    // on; the processor instead executes one step and returns its cycle count.
    virtual Byte Run(Byte cycles) { return cycles; }
    virtual void SetInterruptInput(const void* source, std::uint16_t sourceLine,
                                   std::uint16_t input, bool level) {
        (void)source, (void)sourceLine, (void)input, (void)level;
    }
    virtual void Write(Address address, Byte value) = 0;

    // Finishes wiring: registers the module's range with its decoder. Overrides call this first.
    virtual void Install();

    // Interrupt output `output` (0 for single-output devices, 0 = A and 1 = B on the PIA) drives
    // input `destNum` of `dest`. Devices without interrupt outputs ignore it.
    virtual void ConnectInterruptOutput(int output, Device* dest, std::uint16_t destNum) {
        (void)output, (void)dest, (void)destNum;
    }

    // Plain storage behind the module's whole range, or nullptr. The decoder reads such storage
    // directly; writes use it only when WritableStorage() is true (RAM semantics).
    virtual Byte* DirectStorage() { return nullptr; }
    virtual bool WritableStorage() const { return false; }

    AddressDecoder* Decoder() const { return decoder_; }
    void SetDecoder(AddressDecoder* decoder) { decoder_ = decoder; }
    Address BaseAddress() const { return baseAddress_; }
    void SetBaseAddress(Address address) { baseAddress_ = address; }
    std::uint16_t Size() const { return size_; }

protected:
    AddressDecoder* decoder_ = nullptr;
    Address baseAddress_;
    std::uint16_t size_;
};

}  // namespace tarvok
