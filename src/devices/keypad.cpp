#include "devices/keypad.h"

#include "core/address_decoder.h"
#include "core/hex_text.h"

namespace tarvok {

Keypad::Keypad() : Device(0xF010, kSize) {
    state_.keys.fill(0xF0);
}

Byte Keypad::Read(Address address, bool /*peek*/) {
    return KeyByte(static_cast<Address>(address - baseAddress_));
}

void Keypad::Write(Address address, Byte /*value*/) {
    if (decoder_ == nullptr) return;
    decoder_->AnnounceChange(address, Read(address, true));
    decoder_->ShowMessage("Fehlerhafter Schreibversuch auf Tastatur-Speicherelement $" +
                          Hex4(address) + ": Element kann nur gelesen werden;");
}

Byte Keypad::KeyByte(int column) const {
    return column >= 0 && column < kSize ? state_.keys[column] : 0;
}

void Keypad::SetKeyByte(int column, Byte value) {
    if (column < 0 || column >= kSize || state_.keys[column] == value) return;
    state_.keys[column] = value;
    if (decoder_ != nullptr)
        decoder_->AnnounceChange(static_cast<Address>(baseAddress_ + column), value);
}

void Keypad::Press(int column, int row) {
    const Byte bit = row >= 0 && row < kRows ? static_cast<Byte>(1u << row) : 0;
    SetKeyByte(column, static_cast<Byte>(KeyByte(column) | bit));
}

void Keypad::Release(int column, int row) {
    const Byte mask = row >= 0 && row < kRows ? static_cast<Byte>(~(1u << row)) : 0xFF;
    SetKeyByte(column, static_cast<Byte>(KeyByte(column) & mask));
    if (releaseHook_) releaseHook_(column, mask);
}

std::uint8_t RemoteKeyCode(int column, Byte mask) {
    unsigned code = (~static_cast<unsigned>(column) & 7u) * 4;
    int row = 4;  // 3, 2, 1, 0 for the rows 0, 1, 2, 3
    for (unsigned b = static_cast<std::uint8_t>(~mask); b != 0; b >>= 1)
        --row;
    if (row & 1) code |= 2;
    if (row & 2) code |= 1;
    return static_cast<std::uint8_t>(code - 3);
}

KeypadCell KeypadKeyCell(KeypadKey key) {
    // Data keys 0-F fill columns 1-4 row by row; the function keys sit in columns 0, 5 and 6.
    static constexpr KeypadCell kCells[kKeypadKeyCount] = {
        {true, 1, 0},  {true, 2, 0}, {true, 3, 0}, {true, 4, 0},  // 0 1 2 3
        {true, 1, 1},  {true, 2, 1}, {true, 3, 1}, {true, 4, 1},  // 4 5 6 7
        {true, 1, 2},  {true, 2, 2}, {true, 3, 2}, {true, 4, 2},  // 8 9 A B
        {true, 1, 3},  {true, 2, 3}, {true, 3, 3}, {true, 4, 3},  // C D E F
        {true, 0, 3},                                             // Trace
        {true, 0, 2},                                             // Insert
        {true, 0, 1},                                             // Delete
        {true, 0, 0},                                             // Dump
        {true, 5, 3},                                             // Save
        {true, 5, 2},                                             // Register
        {true, 5, 1},                                             // Address
        {true, 5, 0},                                             // Increment
        {true, 6, 3},                                             // Load
        {true, 6, 2},                                             // Go
        {true, 6, 1},                                             // Data
        {true, 6, 0},                                             // Decrement
        {false, 0, 0},                                            // Break
        {false, 0, 0},                                            // Clear
    };
    return kCells[static_cast<int>(key)];
}

}  // namespace tarvok
