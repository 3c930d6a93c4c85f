#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/types.h"

namespace tarvok {

// Reads one byte for the disassembler. Viewers pass an inspection read of the bus, so that
// listing memory leaves the devices alone.
using DisasmByteReader = std::function<Byte(Address)>;

struct DisassembledInstruction {
    // The line after the address: byte column, mnemonic and operand, for example
    // "86 05          LDA   #$05" or, on page 2, "10 8E 12 34    LDY   #$1234".
    std::string text;
    // Bytes taken; the next instruction starts this far on (modulo $10000).
    int length = 1;
};

// Disassembles the instruction at `address`. Reads each byte of it once, in order, from
// `address` on (wrapping at $FFFF) and nothing beyond it.
DisassembledInstruction DisassembleInstruction(const DisasmByteReader& read, Address address);

// The listing lines ("0400: " + instruction) of the instructions that start from `first` up to
// and including `last`; the last one may reach past `last`. Ends at $FFFF.
std::vector<std::string> DisassembleRange(const DisasmByteReader& read, Address first,
                                          Address last);

// The disassembly window lists this many bytes from its start address.
inline constexpr unsigned kDisasmWindowBytes = 2048;

// The window's listing: DisassembleRange over kDisasmWindowBytes from `start`, ending at $FFFF.
std::vector<std::string> DisassembleWindow(const DisasmByteReader& read, Address start);

}  // namespace tarvok
