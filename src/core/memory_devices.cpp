#include "core/memory_devices.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/address_decoder.h"
#include "core/hex_text.h"

namespace tarvok {

namespace {

// The first buffer.size() bytes of the file; a longer file contributes only those.
Status ReadRomFile(const std::string& path, std::vector<Byte>& buffer, std::size_t& count) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return Status::Failure("is a directory");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return Status::Failure(std::strerror(errno));
    count = std::fread(buffer.data(), 1, buffer.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    return failed ? Status::Failure("read error") : Status();
}

}  // namespace

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
    if (romFile_.empty()) {
        fileStatus_ = Status::Failure("no ROM file is set");
        return;
    }
    std::vector<Byte> buffer(kSize);
    std::size_t count = 0;
    fileStatus_ = forceBuiltinImage_ ? Status::Failure("the built-in image was asked for")
                                     : ReadRomFile(romFile_, buffer, count);
    if (!fileStatus_) {
        count = std::min<std::size_t>(defaultImage_.size(), kSize);
        std::copy_n(defaultImage_.begin(), count, buffer.begin());
    }
    for (std::size_t offset = 0; offset < count; ++offset)
        StoreByte(offset, buffer[offset]);
}

}  // namespace tarvok
