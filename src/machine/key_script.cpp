#include "machine/key_script.h"

#include <cctype>
#include <utility>

#include "core/hex_text.h"
#include "machine/machine.h"

namespace tarvok {

std::optional<KeypadKey> ParseKeyToken(const std::string& token) {
    std::string name;
    for (const char c : token)
        name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name.size() == 1) {
        unsigned digit = 0;
        if (!ParseHexDigits(name, digit)) return std::nullopt;
        return HexDigitKey(static_cast<int>(digit));
    }
    if (name.size() < 2 || name[0] != '^') return std::nullopt;
    static const std::pair<const char*, KeypadKey> kControlKeys[] = {
        {"A", KeypadKey::FnAddress}, {"C", KeypadKey::Clear},   {"D", KeypadKey::FnData},
        {"G", KeypadKey::Go},        {"L", KeypadKey::Load},    {"R", KeypadKey::Register},
        {"S", KeypadKey::Save},      {"T", KeypadKey::Trace},   {"+", KeypadKey::Increment},
        {"-", KeypadKey::Decrement}, {"F1", KeypadKey::Insert}, {"F2", KeypadKey::Delete},
        {"F3", KeypadKey::Dump},     {"F4", KeypadKey::Break}};
    for (const auto& [keyName, key] : kControlKeys) {
        if (name.substr(1) == keyName) return key;
    }
    return std::nullopt;
}

void KeyFeeder::Advance(Machine& machine) {
    while (index_ < keys_.size() && machine.TotalCycles() >= next_) {
        if (!pressed_) {
            machine.PressKey(keys_[index_]);
            pressed_ = true;
        } else {
            machine.ReleaseKey(keys_[index_]);
            pressed_ = false;
            ++index_;
        }
        next_ += keyCycles_;
    }
}

}  // namespace tarvok
