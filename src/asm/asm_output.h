#pragma once

#include <string>
#include <vector>

#include "asm/assembler.h"
#include "core/symbol_table.h"
#include "core/types.h"

namespace tarvok {

// Intel HEX of the bytes the program produced: each contiguous run in 16-byte records, then
// one end record.
std::string FormatAsmIntelHex(const AsmImage& image);

// The same as Motorola S-records: S0 header, S1 records, S9 with the END address (or 0).
std::string FormatAsmSRecords(const AsmResult& result);

// The labels of locations that lie in the 16-bit address space (EQU and SET values are no
// labels), as the symbol file beside the program lists them.
SymbolTable AsmLabels(const AsmResult& result);

// The range first..last inclusive; addresses the program left alone hold `fill`.
std::string FormatAsmBinary(const AsmImage& image, Address first, Address last, Byte fill);

// Address, bytes and source of every line, then the symbol table sorted by name.
std::string FormatAsmListing(const AsmResult& result);

}  // namespace tarvok
