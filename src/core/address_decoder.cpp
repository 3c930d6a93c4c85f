#include "core/address_decoder.h"

#include <algorithm>

#include "core/hex_text.h"

namespace tarvok {

TAddressDecoder::TAddressDecoder() {
    memoryWindows_.reserve(8);
}

void TAddressDecoder::RegisterMemModule(Address start, std::uint16_t count, TMemoryModule* module) {
    const unsigned end = std::min<unsigned>(unsigned{start} + count, 0x10000);
    for (unsigned address = start; address < end; ++address)
        modules_[address] = module;
    if (end > start) {
        for (unsigned page = start >> 8; page <= (end - 1) >> 8; ++page)
            RebuildPage(page);
    }
}

// A page is served from storage only when one storage-backed module answers all 256 addresses.
void TAddressDecoder::RebuildPage(unsigned page) {
    readPages_[page] = nullptr;
    writePages_[page] = nullptr;
    const unsigned first = page << 8;
    TMemoryModule* module = modules_[first];
    if (module == nullptr || module->DirectStorage() == nullptr) return;
    for (unsigned address = first; address < first + 256; ++address) {
        if (modules_[address] != module) return;
    }
    const unsigned offset = first - module->BaseAddress();
    if (first < module->BaseAddress() || offset + 256 > module->NumOfBytes()) return;
    Byte* base = module->DirectStorage() + offset;
    readPages_[page] = base;
    if (module->WritableStorage()) writePages_[page] = base;
}

Byte TAddressDecoder::GetValue(Address address, bool peek) {
    if (TMemoryModule* module = modules_[address]) return module->GetValue(address, peek);
    return 0xFF;
}

Byte TAddressDecoder::ReadSlow(Address address) {
    return GetValue(address, false);
}

void TAddressDecoder::SetValue(Address address, Byte value) {
    if (TMemoryModule* module = modules_[address]) {
        module->SetValue(address, value);
        return;
    }
    ValueHasChanged(address, 0xFF);
    ShowMessage("Fehlerhafter Schreibversuch auf Speicherelement $" + Hex4(address) +
                ": Element existiert nicht;");
}

void TAddressDecoder::SetBreakpoint(Address address, bool set) {
    if (breakpoints_[address] == set) return;
    breakpoints_[address] = set;
    for (TMemoryWindowListener* window : memoryWindows_)
        window->BreakpointChanged(address, set);
}

void TAddressDecoder::ClearAllBreakpoints() {
    for (unsigned address = 0; address < 0x10000; ++address) {
        SetBreakpoint(static_cast<Address>(address), false);
    }
}

void TAddressDecoder::NotifyValueChanged(Address address, Byte value) {
    for (TMemoryWindowListener* window : memoryWindows_)
        window->ValueChanged(address, value);
}

void TAddressDecoder::AddMemoryWindow(TMemoryWindowListener* window) {
    memoryWindows_.push_back(window);
}

void TAddressDecoder::RemoveMemWndPtr(TMemoryWindowListener* window) {
    std::erase(memoryWindows_, window);
}

void TAddressDecoder::ShowMessage(const std::string& text) {
    if (outputMemo_ != nullptr) {
        while (outputMemo_->LineCount() >= maxMemoLines_)
            outputMemo_->DeleteFirstLine();
        outputMemo_->AppendLine(text);
    }
    if (beepOnMessage_ && beep_) beep_();
}

}  // namespace tarvok
