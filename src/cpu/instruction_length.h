#pragma once

#include "core/types.h"

namespace tarvok {

// Byte length of the MC6809 instruction that starts with b0, b1, b2 (b1 and b2 are the bytes
// after it; pass anything when they do not exist). Counts prefixes, postbytes and the offset
// bytes of indexed postbytes. An undefined opcode counts 1; a prefix followed by an undefined
// code counts 2 (both bytes are consumed); a prefix followed by another prefix counts 1.
int Mc6809InstructionLength(Byte b0, Byte b1, Byte b2);

}  // namespace tarvok
