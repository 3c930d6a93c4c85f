#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "devices/keypad.h"

namespace tarvok {

class Machine;

// A key token of a key script (tarvok-cli --keys, tarvok --keys): a hex digit is its data key,
// "^" plus a PC key name the key that the main window gives for Ctrl and that PC key ("^A",
// "^G", "^+", "^F1" ... "^F4", "^C"). Case does not matter.
std::optional<KeypadKey> ParseKeyToken(const std::string& token);

// Plays keys into a machine: each is held for keyCycles cycles, then released, with the same gap
// before the next.
class KeyFeeder {
public:
    KeyFeeder(std::vector<KeypadKey> keys, std::uint64_t keyCycles, std::uint64_t start)
        : keys_(std::move(keys)), keyCycles_(keyCycles), next_(start) {}

    // Presses or releases what is due at the machine's cycle count.
    void Advance(Machine& machine);
    bool Done() const { return index_ >= keys_.size(); }
    // The cycle count at which the next press or release is due.
    std::uint64_t NextCycle() const { return next_; }

private:
    std::vector<KeypadKey> keys_;
    std::uint64_t keyCycles_;
    std::uint64_t next_;
    std::size_t index_ = 0;
    bool pressed_ = false;
};

}  // namespace tarvok
