#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tarvok {

// How an instruction takes its operand; decides which operand syntax the assembler expects.
enum class AsmOpKind {
    Inherent,      // no operand
    Memory,        // some of immediate, direct, indexed, extended
    Relative8,     // short branch
    Relative16,    // long branch
    RegisterPair,  // TFR, EXG
    RegisterList,  // PSHS, PULS, PSHU, PULU
};

inline constexpr int kNoOpcode = -1;

// Opcodes above $FF carry their page prefix ($10 or $11) in the high byte.
struct AsmOpcode {
    std::string mnemonic;
    AsmOpKind kind;
    int immediate = kNoOpcode;  // also the opcode of inherent, relative and register forms
    int direct = kNoOpcode;
    int indexed = kNoOpcode;
    int extended = kNoOpcode;
    int immediateBytes = 1;  // 2 for the 16-bit registers
    bool userStack = false;  // PSHU/PULU: the list names S instead of U
};

// Looks up an upper-case mnemonic; nullptr when there is none.
const AsmOpcode* FindAsmOpcode(std::string_view upperMnemonic);

// Number of bytes the opcode itself takes (1, or 2 with a page prefix).
inline int OpcodeLength(int opcode) {
    return opcode > 0xFF ? 2 : 1;
}

}  // namespace tarvok
