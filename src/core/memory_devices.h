#pragma once

#include <array>
#include <span>
#include <string>

#include "core/device.h"
#include "core/status.h"

namespace tarvok {

// Fixed-size byte storage shared by RAM and ROM; change notices go through the decoder.
class StorageDevice : public Device {
public:
    static constexpr std::uint16_t kSize = 8192;

    Byte Read(Address address, bool peek) override;
    Byte* DirectStorage() override { return storage_.data(); }

    Byte ReadByte(unsigned offset) const { return offset < kSize ? storage_[offset] : 0; }
    void StoreByte(unsigned offset, Byte value);
    const std::array<Byte, kSize>& Storage() const { return storage_; }

protected:
    explicit StorageDevice(Address baseAddress) : Device(baseAddress, kSize) {}

private:
    std::array<Byte, kSize> storage_{};
};

class Ram : public StorageDevice {
public:
    Ram() : StorageDevice(0x0000) {}
    void Write(Address address, Byte value) override;
    bool WritableStorage() const override { return true; }
};

class Rom : public StorageDevice {
public:
    Rom() : StorageDevice(0xE000) {}
    // Refused: the message goes to the output field and memory windows are shown the true byte.
    void Write(Address address, Byte value) override;
    // Registers with the decoder, then loads RomFile or, failing that, the built-in image.
    void Install() override;

    const std::string& RomFile() const { return romFile_; }
    void SetRomFile(std::string file) { romFile_ = std::move(file); }
    void SetDefaultImage(std::span<const Byte> image) { defaultImage_ = image; }
    // Tools and tests that must not depend on the current directory skip the file.
    void SetForceBuiltinImage(bool force) { forceBuiltinImage_ = force; }
    // How the last load of RomFile went: a failure says why the built-in image is in use.
    const Status& FileStatus() const { return fileStatus_; }

private:
    void LoadImage();

    std::string romFile_;
    std::span<const Byte> defaultImage_;
    bool forceBuiltinImage_ = false;
    Status fileStatus_ = Status::Failure("not loaded yet");
};

// A one-byte register at an otherwise unused I/O address.
class DummyRegister : public Device {
public:
    DummyRegister() : Device(0x0000, 1) {}
    Byte Read(Address, bool) override { return value_; }
    Byte Value() const { return value_; }
    void Write(Address, Byte value) override { value_ = value; }

private:
    Byte value_ = 0;
};

}  // namespace tarvok
