#pragma once

#include <cstdint>
#include <vector>

#include "core/device.h"

namespace tarvok::test {

// Stands in for the processor: records every interrupt-line report it receives.
class IrqRecorder : public Device {
public:
    struct Call {
        const void* source;
        std::uint16_t sourceLine;
        std::uint16_t input;
        bool level;
    };

    IrqRecorder() : Device(0, 0) {}
    Byte Read(Address, bool) override { return 0xFF; }
    void Write(Address, Byte) override {}
    void SetInterruptInput(const void* source, std::uint16_t sourceLine, std::uint16_t input,
                           bool level) override {
        calls.push_back({source, sourceLine, input, level});
    }

    // Level of the last report for (sourceLine, input); true (released) when none was made.
    bool LastLevel(std::uint16_t sourceLine, std::uint16_t input) const {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it) {
            if (it->sourceLine == sourceLine && it->input == input) return it->level;
        }
        return true;
    }

    std::vector<Call> calls;
};

}  // namespace tarvok::test
