#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/device.h"
#include "core/listeners.h"
#include "core/output_sink.h"
#include "core/types.h"

namespace tarvok {

// What an open memory window needs to hear from the bus: every change of a shown byte, and every
// breakpoint change.
class MemoryListener {
public:
    virtual ~MemoryListener() = default;
    virtual void ValueChanged(Address address, Byte value) = 0;
    virtual void BreakpointChanged(Address address, bool set) = 0;
};

// The simulated system bus: routes every access to the module registered at the address, holds
// the breakpoint flags, tells the memory windows about changes and writes status messages. Every
// announced change also counts in its 256-byte page, so that a view over memory can tell which
// pages changed since it last looked without hearing every write.
class AddressDecoder {
public:
    AddressDecoder();

    // Later registrations win; a range never wraps past $FFFF.
    void Map(Address start, std::uint16_t count, Device* module);
    Device* DeviceAt(Address address) const { return modules_[address]; }

    Byte Read(Address address, bool peek);
    void WriteSlow(Address address, Byte value);

    // Processor accesses: the same as Read(address, false) and WriteSlow, with plain memory
    // pages served straight from their storage.
    Byte Read(Address address) {
        if (const Byte* page = readPages_[address >> 8]) return page[address & 0xFF];
        return ReadSlow(address);
    }
    void Write(Address address, Byte value) {
        if (Byte* page = writePages_[address >> 8]) {
            Byte& cell = page[address & 0xFF];
            if (cell == value) return;
            cell = value;
            AnnounceChange(address, value);
            return;
        }
        WriteSlow(address, value);
    }

    // The storage serving processor reads of the whole 256-byte page `page`, or nullptr. Such a
    // pointer stays valid while MapGeneration() is unchanged; every Map counts it up.
    const Byte* ReadPage(unsigned page) const { return readPages_[page]; }
    std::uint32_t MapGeneration() const { return mapGeneration_; }

    // One load while no breakpoint is set, as the processor asks after every instruction.
    bool HasBreakpoint(Address address) const {
        return breakpointCount_ != 0 && breakpoints_[address];
    }
    void SetBreakpoint(Address address, bool set);
    void ClearAllBreakpoints();

    // Every byte that changes what a viewer reads at an address is announced here.
    void AnnounceChange(Address address, Byte value) {
        ++pageGenerations_[address >> 8];
        if (!memoryListeners_.Empty()) NotifyValueChanged(address, value);
    }
    // Changes announced in each page since the decoder was built.
    using PageGenerations = std::array<std::uint32_t, 256>;
    const PageGenerations& MemoryPageGenerations() const { return pageGenerations_; }
    bool HasMemoryListeners() const { return !memoryListeners_.Empty(); }
    void AddMemoryListener(MemoryListener* listener) { memoryListeners_.Add(listener); }
    void RemoveMemoryListener(MemoryListener* listener) { memoryListeners_.Remove(listener); }

    void ShowMessage(const std::string& text);
    void SetOutput(OutputSink* output) { output_ = output; }
    OutputSink* Output() const { return output_; }
    std::uint16_t MaxOutputLines() const { return maxOutputLines_; }
    void SetMaxOutputLines(std::uint16_t lines) { maxOutputLines_ = lines == 0 ? 1 : lines; }
    bool BeepOnMessage() const { return beepOnMessage_; }
    void SetBeepOnMessage(bool on) { beepOnMessage_ = on; }
    void SetBeepHandler(std::function<void()> beep) { beep_ = std::move(beep); }

private:
    Byte ReadSlow(Address address);
    void NotifyValueChanged(Address address, Byte value);
    void RebuildPage(unsigned page);

    std::array<Device*, 0x10000> modules_{};
    std::bitset<0x10000> breakpoints_;
    std::uint32_t breakpointCount_ = 0;
    // Per 256-byte page: base of the storage serving the whole page, or nullptr.
    std::array<const Byte*, 256> readPages_{};
    std::array<Byte*, 256> writePages_{};
    PageGenerations pageGenerations_{};
    std::uint32_t mapGeneration_ = 0;
    Listeners<MemoryListener> memoryListeners_;
    OutputSink* output_ = nullptr;
    std::uint16_t maxOutputLines_ = 100;
    bool beepOnMessage_ = true;
    std::function<void()> beep_;
};

}  // namespace tarvok
