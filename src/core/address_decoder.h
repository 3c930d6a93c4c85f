#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/device.h"
#include "core/output_sink.h"
#include "core/types.h"

namespace tarvok {

// What an open memory window needs to hear from the bus.
class MemoryListener {
public:
    virtual ~MemoryListener() = default;
    virtual void ValueChanged(Address address, Byte value) = 0;
    virtual void BreakpointChanged(Address address, bool set) = 0;
};

// The simulated system bus: routes every access to the module registered at the address, holds
// the breakpoint flags, tells the memory windows about changes and writes status messages.
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

    bool HasBreakpoint(Address address) const { return breakpoints_[address]; }
    void SetBreakpoint(Address address, bool set);
    void ClearAllBreakpoints();

    void AnnounceChange(Address address, Byte value) {
        if (!memoryListeners_.empty()) NotifyValueChanged(address, value);
    }
    bool HasMemoryWindows() const { return !memoryListeners_.empty(); }
    void AddMemoryListener(MemoryListener* window);
    void RemoveMemoryListener(MemoryListener* window);

    void ShowMessage(const std::string& text);
    void SetOutput(OutputSink* memo) { output_ = memo; }
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
    // Per 256-byte page: base of the storage serving the whole page, or nullptr.
    std::array<const Byte*, 256> readPages_{};
    std::array<Byte*, 256> writePages_{};
    std::vector<MemoryListener*> memoryListeners_;
    OutputSink* output_ = nullptr;
    std::uint16_t maxOutputLines_ = 100;
    bool beepOnMessage_ = true;
    std::function<void()> beep_;
};

}  // namespace tarvok
