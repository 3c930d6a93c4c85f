#pragma once

#include <vector>

#include "core/types.h"
#include "disasm/disassembler.h"

namespace tarvok::disasm_test {

// A 64 KB address space for the disassembler that remembers which addresses it read.
class Memory {
public:
    explicit Memory(Byte fill = 0x12) : bytes_(0x10000, fill) {}

    Memory& Put(Address address, const std::vector<Byte>& bytes) {
        for (const Byte value : bytes) {
            bytes_[address] = value;
            address = static_cast<Address>(address + 1);
        }
        return *this;
    }

    DisasmByteReader Reader() {
        return [this](Address address) {
            reads.push_back(address);
            return bytes_[address];
        };
    }

    std::vector<Address> reads;

private:
    std::vector<Byte> bytes_;
};

}  // namespace tarvok::disasm_test
