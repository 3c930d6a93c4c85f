#include "core/address_decoder.h"

#include <algorithm>

#include "core/hex_text.h"

namespace tarvok {

AddressDecoder::AddressDecoder() = default;

void AddressDecoder::Map(Address start, std::uint16_t count, Device* module) {
    const unsigned end = std::min<unsigned>(unsigned{start} + count, 0x10000);
    ++mapGeneration_;
    for (unsigned address = start; address < end; ++address)
        modules_[address] = module;
    if (end > start) {
        for (unsigned page = start >> 8; page <= (end - 1) >> 8; ++page)
            RebuildPage(page);
    }
}

// A page is served from storage only when one storage-backed module answers all 256 addresses.
void AddressDecoder::RebuildPage(unsigned page) {
    readPages_[page] = nullptr;
    writePages_[page] = nullptr;
    const unsigned first = page << 8;
    Device* module = modules_[first];
    if (module == nullptr || module->DirectStorage() == nullptr) return;
    for (unsigned address = first; address < first + 256; ++address) {
        if (modules_[address] != module) return;
    }
    const unsigned offset = first - module->BaseAddress();
    if (first < module->BaseAddress() || offset + 256 > module->Size()) return;
    Byte* base = module->DirectStorage() + offset;
    readPages_[page] = base;
    if (module->WritableStorage()) writePages_[page] = base;
}

Byte AddressDecoder::Read(Address address, bool peek) {
    if (Device* module = modules_[address]) return module->Read(address, peek);
    return 0xFF;
}

Byte AddressDecoder::ReadSlow(Address address) {
    return Read(address, false);
}

void AddressDecoder::WriteSlow(Address address, Byte value) {
    if (Device* module = modules_[address]) {
        module->Write(address, value);
        return;
    }
    AnnounceChange(address, 0xFF);
    ShowMessage("Fehlerhafter Schreibversuch auf Speicherelement $" + Hex4(address) +
                ": Element existiert nicht;");
}

void AddressDecoder::SetBreakpoint(Address address, bool set) {
    if (breakpoints_[address] == set) return;
    breakpoints_[address] = set;
    if (set) {
        ++breakpointCount_;
    } else {
        --breakpointCount_;
    }
    memoryListeners_.Notify([&](MemoryListener& l) { l.BreakpointChanged(address, set); });
}

void AddressDecoder::ClearAllBreakpoints() {
    for (unsigned address = 0; address < 0x10000; ++address) {
        SetBreakpoint(static_cast<Address>(address), false);
    }
}

void AddressDecoder::NotifyValueChanged(Address address, Byte value) {
    memoryListeners_.Notify([&](MemoryListener& l) { l.ValueChanged(address, value); });
}

void AddressDecoder::ShowMessage(const std::string& text) {
    if (output_ != nullptr) {
        while (output_->LineCount() >= maxOutputLines_)
            output_->DeleteFirstLine();
        output_->AppendLine(text);
    }
    if (beepOnMessage_ && beep_) beep_();
}

}  // namespace tarvok
