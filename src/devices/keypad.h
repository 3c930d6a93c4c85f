#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "core/device.h"
#include "core/types.h"

namespace tarvok {

// Everything the keypad device knows: one key byte per column.
struct KeypadState {
    std::array<Byte, 8> keys;
    bool operator==(const KeypadState&) const = default;
};

// The hex keypad as the monitor sees it: eight read-only bytes ($F010-$F017), one per column.
// A held key reads as a 1 in its row bit (row 0 is bit 0 ... row 3 is bit 3); the upper four
// bits always read 1.
class Keypad : public Device {
public:
    static constexpr std::uint16_t kSize = 8;
    static constexpr int kColumns = 7;
    static constexpr int kRows = 4;

    // Called after every key release with the column and the release mask ($FE, $FD, $FB, $F7).
    using ReleaseHook = std::function<void(int column, Byte mask)>;

    Keypad();

    Byte Read(Address address, bool peek) override;
    // The keypad bytes cannot be written: the write is refused with a message.
    void Write(Address address, Byte value) override;

    Byte KeyByte(int column) const;
    void SetKeyByte(int column, Byte value);

    void Press(int column, int row);
    void Release(int column, int row);

    void SetReleaseHook(ReleaseHook hook) { releaseHook_ = std::move(hook); }

    const KeypadState& State() const { return state_; }
    void RestoreState(const KeypadState& state) { state_ = state; }

private:
    KeypadState state_;
    ReleaseHook releaseHook_;
};

// Second byte of the message that tells a remote lab computer which key was released.
std::uint8_t RemoteKeyCode(int column, Byte mask);

// Every key of the keypad: 16 data keys, 12 function keys and the two special keys.
enum class KeypadKey : std::uint8_t {
    Data0,
    Data1,
    Data2,
    Data3,
    Data4,
    Data5,
    Data6,
    Data7,
    Data8,
    Data9,
    DataA,
    DataB,
    DataC,
    DataD,
    DataE,
    DataF,
    Trace,
    Insert,
    Delete,
    Dump,
    Save,
    Register,
    FnAddress,
    Increment,
    Load,
    Go,
    FnData,
    Decrement,
    Break,  // special key F4: holds CA1 of the PIA low
    Clear,  // special key C: resets the system on release
};
inline constexpr int kKeypadKeyCount = 30;

// The data key of a hex digit 0-15.
constexpr KeypadKey HexDigitKey(int digit) {
    return static_cast<KeypadKey>(static_cast<int>(KeypadKey::Data0) + (digit & 15));
}

// Where a key sits in the matrix; the special keys have no key byte.
struct KeypadCell {
    bool inMatrix;
    int column;
    int row;
};
KeypadCell KeypadKeyCell(KeypadKey key);

}  // namespace tarvok
