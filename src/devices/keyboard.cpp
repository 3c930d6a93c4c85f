#include "devices/keyboard.h"

#include "core/address_decoder.h"
#include "core/hex_text.h"

namespace tarvok {

TKeyboardModule::TKeyboardModule() : TMemoryModule(0xF010, kSize) {
    state_.keys.fill(0xF0);
}

Byte TKeyboardModule::GetValue(Address address, bool /*peek*/) {
    return GetMemory(static_cast<Address>(address - baseAddress_));
}

void TKeyboardModule::SetValue(Address address, Byte /*value*/) {
    if (addressDecoder_ == nullptr) return;
    addressDecoder_->ValueHasChanged(address, GetValue(address, true));
    addressDecoder_->ShowMessage("Fehlerhafter Schreibversuch auf Tastatur-Speicherelement $" +
                                 Hex4(address) + ": Element kann nur gelesen werden;");
}

Byte TKeyboardModule::GetMemory(int index) const {
    return index >= 0 && index < kSize ? state_.keys[index] : 0;
}

void TKeyboardModule::SetMemory(int index, Byte value) {
    if (index < 0 || index >= kSize || state_.keys[index] == value) return;
    state_.keys[index] = value;
    if (addressDecoder_ != nullptr) {
        addressDecoder_->ValueHasChanged(static_cast<Address>(baseAddress_ + index), value);
    }
}

void TKeyboardModule::KeyPressed(TKeyboardButtonPosition position, TKeyboardButtonValue value) {
    const Byte bit = value <= kbvX8 ? static_cast<Byte>(1u << value) : 0;
    SetMemory(position, static_cast<Byte>(GetMemory(position) | bit));
}

void TKeyboardModule::KeyReleased(TKeyboardButtonPosition position, TKeyboardButtonValue value) {
    const Byte mask = value <= kbvX8 ? static_cast<Byte>(~(1u << value)) : 0xFF;
    SetMemory(position, static_cast<Byte>(GetMemory(position) & mask));
    if (keyReleasedHook_ != nullptr) keyReleasedHook_(position, mask);
}

std::uint8_t RemoteKeyCode(std::int8_t position, std::uint8_t mask) {
    unsigned code = (~static_cast<unsigned>(position) & 7u) * 4;
    int row = 4;  // 3, 2, 1, 0 for the rows kbvX1, kbvX2, kbvX4, kbvX8
    for (unsigned b = static_cast<std::uint8_t>(~mask); b != 0; b >>= 1)
        --row;
    if (row & 1) code |= 2;
    if (row & 2) code |= 1;
    return static_cast<std::uint8_t>(code - 3);
}

namespace {

using enum TKeypadKey;
using enum TKeypadKeyKind;

constexpr TKeypadKeyInfo kKeys[kKeypadKeyCount] = {
    {Data0, DataKey, "0", "", true, kbp1, kbvX1},
    {Data1, DataKey, "1", "", true, kbp2, kbvX1},
    {Data2, DataKey, "2", "", true, kbp3, kbvX1},
    {Data3, DataKey, "3", "", true, kbp4, kbvX1},
    {Data4, DataKey, "4", "", true, kbp1, kbvX2},
    {Data5, DataKey, "5", "", true, kbp2, kbvX2},
    {Data6, DataKey, "6", "", true, kbp3, kbvX2},
    {Data7, DataKey, "7", "", true, kbp4, kbvX2},
    {Data8, DataKey, "8", "", true, kbp1, kbvX4},
    {Data9, DataKey, "9", "", true, kbp2, kbvX4},
    {DataA, DataKey, "A", "", true, kbp3, kbvX4},
    {DataB, DataKey, "B", "", true, kbp4, kbvX4},
    {DataC, DataKey, "C", "", true, kbp1, kbvX8},
    {DataD, DataKey, "D", "", true, kbp2, kbvX8},
    {DataE, DataKey, "E", "", true, kbp3, kbvX8},
    {DataF, DataKey, "F", "", true, kbp4, kbvX8},
    {Trace, FunctionKey, "T", "Trace", true, kbp0, kbvX8},
    {Insert, FunctionKey, "F1", "Insert", true, kbp0, kbvX4},
    {Delete, FunctionKey, "F2", "Delete", true, kbp0, kbvX2},
    {Dump, FunctionKey, "F3", "Dump", true, kbp0, kbvX1},
    {Save, FunctionKey, "S", "Save", true, kbp5, kbvX8},
    {Register, FunctionKey, "R", "Register", true, kbp5, kbvX4},
    {FnAddress, FunctionKey, "A", "Address", true, kbp5, kbvX2},
    {Increment, FunctionKey, "+", "Increment", true, kbp5, kbvX1},
    {Load, FunctionKey, "L", "Load", true, kbp6, kbvX8},
    {Go, FunctionKey, "G", "Go", true, kbp6, kbvX4},
    {FnData, FunctionKey, "D", "Data", true, kbp6, kbvX2},
    {Decrement, FunctionKey, "-", "Decrement", true, kbp6, kbvX1},
    {Break, SpecialKey, "F4", "Break", false, kbp0, kbvX1},
    {Clear, SpecialKey, "C", "Clear", false, kbp0, kbvX1},
};

static_assert([] {
    for (int i = 0; i < kKeypadKeyCount; ++i) {
        if (static_cast<int>(kKeys[i].key) != i) return false;
    }
    return true;
}());

std::optional<TKeypadKey> DigitKey(int virtualKey) {
    if (virtualKey >= 48 && virtualKey <= 57) return static_cast<TKeypadKey>(virtualKey - 48);
    if (virtualKey >= 96 && virtualKey <= 105) return static_cast<TKeypadKey>(virtualKey - 96);
    return std::nullopt;
}

}  // namespace

const char* KeypadKeyKindName(TKeypadKeyKind kind) {
    switch (kind) {
        case DataKey:
            return "Datentaste";
        case FunctionKey:
            return "Funktionstaste";
        case SpecialKey:
            return "Spezialtaste";
    }
    return "";
}

std::uint32_t KeypadKeyColor(TKeypadKey key) {
    if (key == Break) return 0x808000;  // teal
    if (key == Clear) return 0x0000FF;  // red
    return KeypadKeyInfo(key).kind == DataKey ? 0xC0C0C0 : 0x808080;
}

std::span<const TKeypadKeyInfo> KeypadKeys() {
    return kKeys;
}

const TKeypadKeyInfo& KeypadKeyInfo(TKeypadKey key) {
    return kKeys[static_cast<int>(key)];
}

std::optional<TKeypadKey> PcKeyDown(int virtualKey, bool ctrl, bool alt) {
    if (alt) return std::nullopt;
    if (!ctrl) {
        if (auto digit = DigitKey(virtualKey)) return digit;
        if (virtualKey >= 65 && virtualKey <= 70) return static_cast<TKeypadKey>(virtualKey - 55);
        return std::nullopt;
    }
    switch (virtualKey) {
        case 65:
            return FnAddress;
        case 67:
            return Clear;
        case 68:
            return FnData;
        case 71:
            return Go;
        case 76:
            return Load;
        case 82:
            return Register;
        case 83:
            return Save;
        case 84:
            return Trace;
        case 107:
        case 187:
            return Increment;
        case 109:
        case 189:
            return Decrement;
        case 112:
            return Insert;
        case 113:
            return Delete;
        case 114:
            return Dump;
        case 115:
            return Break;
        default:
            return std::nullopt;
    }
}

std::vector<TKeypadKey> PcKeyUp(int virtualKey, bool alt) {
    if (alt) return {};
    if (auto digit = DigitKey(virtualKey)) return {*digit};
    switch (virtualKey) {
        case 65:
            return {DataA, FnAddress};
        case 66:
            return {DataB};
        case 67:
            return {DataC, Clear};
        case 68:
            return {DataD, FnData};
        case 69:
            return {DataE};
        case 70:
            return {DataF};
        case 71:
            return {Go};
        case 76:
            return {Load};
        case 82:
            return {Register};
        case 83:
            return {Save};
        case 84:
            return {Trace};
        case 107:
        case 187:
            return {Increment};
        case 109:
        case 189:
            return {Decrement};
        case 112:
            return {Insert};
        case 113:
            return {Delete};
        case 114:
            return {Dump};
        case 115:
            return {Break};
        default:
            return {};
    }
}

}  // namespace tarvok
