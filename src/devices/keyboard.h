#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/device.h"
#include "core/types.h"

namespace tarvok {

// Keypad column: key byte at BaseAddress + position.
enum TKeyboardButtonPosition : std::int8_t { kbp0, kbp1, kbp2, kbp3, kbp4, kbp5, kbp6 };
// Keypad row: kbvX1 is bit 0 of the key byte, kbvX8 bit 3.
enum TKeyboardButtonValue : std::uint8_t { kbvX1, kbvX2, kbvX4, kbvX8 };

// Called after every key release with the column and the release mask ($FE, $FD, $FB, $F7).
using TKeyReleasedHook = void (*)(std::int8_t position, std::uint8_t mask);

// The hex keypad as the monitor sees it: eight read-only bytes ($F010-$F017), one per column.
// A held key reads as a 1 in its row bit; the upper four bits always read 1.
class TKeyboardModule : public TMemoryModule {
public:
    static constexpr std::uint16_t kSize = 8;

    TKeyboardModule();

    Byte GetValue(Address address, bool peek) override;
    // The keypad bytes cannot be written: the write is refused with a message.
    void SetValue(Address address, Byte value) override;

    Byte GetMemory(int index) const;
    void SetMemory(int index, Byte value);

    void KeyPressed(TKeyboardButtonPosition position, TKeyboardButtonValue value);
    void KeyReleased(TKeyboardButtonPosition position, TKeyboardButtonValue value);

    TKeyReleasedHook KeyReleasedHook() const { return keyReleasedHook_; }
    void SetKeyReleasedHook(TKeyReleasedHook hook) { keyReleasedHook_ = hook; }

private:
    struct State {
        std::array<Byte, kSize> keys;
    };
    State state_;
    TKeyReleasedHook keyReleasedHook_ = nullptr;
};

// Second byte of the message that tells a remote lab computer which key was released.
std::uint8_t RemoteKeyCode(std::int8_t position, std::uint8_t mask);

// Every key of the keypad: 16 data keys, 12 function keys and the two special keys.
enum class TKeypadKey : std::uint8_t {
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

enum class TKeypadKeyKind : std::uint8_t { DataKey, FunctionKey, SpecialKey };

struct TKeypadKeyInfo {
    TKeypadKey key;
    TKeypadKeyKind kind;
    const char* caption;  // text on the key
    const char* meaning;  // what the key does, for its hint; empty for data keys
    bool inMatrix;        // special keys have no key byte
    TKeyboardButtonPosition position;
    TKeyboardButtonValue value;
};

// The kind's name as hints show it: "Datentaste", "Funktionstaste", "Spezialtaste".
const char* KeypadKeyKindName(TKeypadKeyKind kind);
// Face colour of a key, 24-bit blue-green-red: data silver, function grey, Break teal, Clear red.
std::uint32_t KeypadKeyColor(TKeypadKey key);

std::span<const TKeypadKeyInfo> KeypadKeys();
const TKeypadKeyInfo& KeypadKeyInfo(TKeypadKey key);

// PC keyboard (virtual-key codes) onto the keypad. Anything typed with Alt held is ignored.
std::optional<TKeypadKey> PcKeyDown(int virtualKey, bool ctrl, bool alt);
// The keys that a PC key release lets go (A, C and D release both of their keypad keys).
std::vector<TKeypadKey> PcKeyUp(int virtualKey, bool alt);

}  // namespace tarvok
