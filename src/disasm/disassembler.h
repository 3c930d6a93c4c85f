#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/symbol_table.h"
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
// `address` on (wrapping at $FFFF) and nothing beyond it. With `symbols`, the targets of
// extended operands and branches that carry a label are written as the label ("JSR   PRINT",
// "BNE   -7; LOOP").
DisassembledInstruction DisassembleInstruction(const DisasmByteReader& read, Address address,
                                               const SymbolTable* symbols = nullptr);

// A line of a listing: an instruction ("0400: " + instruction) or, with symbols, the line
// "LABEL:" before the instruction at the label's address. `address` is the instruction's.
struct ListingLine {
    Address address;
    std::string text;
};

// The lines of the instructions that start from `first` up to and including `last`, each with
// the label lines before it; the last instruction may reach past `last`. Ends at $FFFF.
std::vector<ListingLine> DisassembleListing(const DisasmByteReader& read, Address first,
                                            Address last, const SymbolTable* symbols);

// The listing lines ("0400: " + instruction) of the instructions that start from `first` up to
// and including `last`; the last one may reach past `last`. Ends at $FFFF.
std::vector<std::string> DisassembleRange(const DisasmByteReader& read, Address first,
                                          Address last);

// The disassembly window lists this many bytes from its start address.
inline constexpr unsigned kDisasmWindowBytes = 2048;

// The last address that the window lists from `start`: kDisasmWindowBytes on, at most $FFFF.
Address DisasmWindowLast(Address start);

// The window's listing: DisassembleRange from `start` to DisasmWindowLast(start).
std::vector<std::string> DisassembleWindow(const DisasmByteReader& read, Address start);

}  // namespace tarvok
