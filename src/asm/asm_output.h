#pragma once

#include <string>
#include <vector>

#include "asm/assembler.h"
#include "core/types.h"

namespace tarvok {

// Intel HEX of the bytes the program produced: each contiguous run in 16-byte records, then
// one end record.
std::string FormatAsmIntelHex(const AsmImage& image);

// The range first..last inclusive; addresses the program left alone hold `fill`.
std::string FormatAsmBinary(const AsmImage& image, Address first, Address last, Byte fill);

// Address, bytes and source of every line, then the symbol table sorted by name.
std::string FormatAsmListing(const AsmResult& result);

}  // namespace tarvok
