#include "core/memory_devices.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "core/address_decoder.h"
#include "core/hex_text.h"

namespace tarvok {

Byte StorageDevice::Read(Address address, bool) {
    return ReadByte(static_cast<Address>(address - baseAddress_));
}

void StorageDevice::StoreByte(unsigned offset, Byte value) {
    if (offset >= kSize || storage_[offset] == value) return;
    storage_[offset] = value;
    if (decoder_ != nullptr) {
        decoder_->AnnounceChange(static_cast<Address>(baseAddress_ + offset), value);
    }
}

void Ram::Write(Address address, Byte value) {
    StoreByte(static_cast<Address>(address - baseAddress_), value);
}

void Rom::Write(Address address, Byte) {
    if (decoder_ == nullptr) return;
    decoder_->AnnounceChange(address, ReadByte(static_cast<Address>(address - baseAddress_)));
    decoder_->ShowMessage("Fehlerhafter Schreibversuch auf ROM-Speicherelement $" + Hex4(address) +
                          ": Element kann nur gelesen werden;");
}

void Rom::Install() {
    Device::Install();
    LoadImage();
}

void Rom::LoadImage() {
    loadedFromFile_ = false;
    if (romFile_.empty()) return;
    std::vector<Byte> buffer(kSize);
    std::size_t count = 0;
    std::FILE* file = forceBuiltinImage_ ? nullptr : std::fopen(romFile_.c_str(), "rb");
    if (file != nullptr) {
        count = std::fread(buffer.data(), 1, kSize, file);
        loadedFromFile_ = std::ferror(file) == 0;
        std::fclose(file);
    }
    if (!loadedFromFile_) {
        count = std::min<std::size_t>(defaultImage_.size(), kSize);
        std::copy_n(defaultImage_.begin(), count, buffer.begin());
    }
    for (std::size_t offset = 0; offset < count; ++offset)
        StoreByte(offset, buffer[offset]);
}

}  // namespace tarvok
