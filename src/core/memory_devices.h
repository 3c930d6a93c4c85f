#pragma once

#include <array>
#include <span>
#include <string>

#include "core/device.h"

namespace tarvok {

// Fixed-size byte storage shared by RAM and ROM; change notices go through the decoder.
class TStorageModule : public TMemoryModule {
public:
    static constexpr std::uint16_t kSize = 8192;

    Byte GetValue(Address address, bool peek) override;
    Byte* DirectStorage() override { return storage_.data(); }

    Byte ReadByte(unsigned offset) const { return offset < kSize ? storage_[offset] : 0; }
    void StoreByte(unsigned offset, Byte value);
    const std::array<Byte, kSize>& Storage() const { return storage_; }

protected:
    explicit TStorageModule(Address baseAddress) : TMemoryModule(baseAddress, kSize) {}

private:
    std::array<Byte, kSize> storage_{};
};

class TRamModule : public TStorageModule {
public:
    TRamModule() : TStorageModule(0x0000) {}
    void SetValue(Address address, Byte value) override;
    bool WritableStorage() const override { return true; }
};

class TRomModule : public TStorageModule {
public:
    TRomModule() : TStorageModule(0xE000) {}
    // Refused: the message goes to the output field and memory windows are shown the true byte.
    void SetValue(Address address, Byte value) override;
    // Registers with the decoder, then loads RomFile or, failing that, the built-in image.
    void Loaded() override;

    const std::string& RomFile() const { return romFile_; }
    void SetRomFile(std::string file) { romFile_ = std::move(file); }
    void SetDefaultImage(std::span<const Byte> image) { defaultImage_ = image; }
    // Tools and tests that must not depend on the current directory skip the file.
    void SetForceBuiltinImage(bool force) { forceBuiltinImage_ = force; }
    // True when the last load came from RomFile rather than the built-in image.
    bool LoadedFromFile() const { return loadedFromFile_; }

private:
    void LoadImage();

    std::string romFile_;
    std::span<const Byte> defaultImage_;
    bool forceBuiltinImage_ = false;
    bool loadedFromFile_ = false;
};

// A one-byte register at an otherwise unused I/O address.
class TDummyRegModule : public TMemoryModule {
public:
    TDummyRegModule() : TMemoryModule(0x0000, 1) {}
    Byte GetValue(Address, bool) override { return value_; }
    void SetValue(Address, Byte value) override { value_ = value; }

private:
    Byte value_ = 0;
};

}  // namespace tarvok
