#include "cpu/instruction_length.h"

#include "cpu/mc6809.h"

namespace tarvok {

namespace {

enum class Operand : unsigned char { kNone, kByte, kWord, kIndexed };

// Operand of the register-memory opcodes $80-$FF (all pages): the mode sits in bits 5-4.
constexpr Operand MemoryOperand(Byte opcode, bool wordImmediate) {
    switch ((opcode >> 4) & 0x03) {
        case 0:
            return wordImmediate ? Operand::kWord : Operand::kByte;
        case 1:
            return Operand::kByte;
        case 2:
            return Operand::kIndexed;
        default:
            return Operand::kWord;
    }
}

constexpr Operand Page1Operand(Byte opcode) {
    if (opcode < 0x10) return Operand::kByte;
    if (opcode < 0x20) {
        switch (opcode) {
            case 0x16:
            case 0x17:
                return Operand::kWord;
            case 0x1A:
            case 0x1C:
            case 0x1E:
            case 0x1F:
                return Operand::kByte;
            default:
                return Operand::kNone;
        }
    }
    if (opcode < 0x30) return Operand::kByte;
    if (opcode < 0x34) return Operand::kIndexed;
    if (opcode < 0x38) return Operand::kByte;
    if (opcode < 0x40) return opcode == 0x3C ? Operand::kByte : Operand::kNone;
    if (opcode < 0x60) return Operand::kNone;
    if (opcode < 0x70) return Operand::kIndexed;
    if (opcode < 0x80) return Operand::kWord;
    if (opcode == 0x8D) return Operand::kByte;  // BSR
    const unsigned low = opcode & 0x0F;
    return MemoryOperand(opcode, low == 0x3 || low == 0xC || low == 0xE);
}

// Pages 2 and 3 hold, below $80, only the long branches and SWI2/SWI3.
constexpr Operand PrefixedOperand(Byte opcode) {
    if (opcode == 0x3F) return Operand::kNone;
    if (opcode < 0x80) return Operand::kWord;
    return MemoryOperand(opcode, true);
}

// Postbyte plus its offset bytes.
constexpr int IndexedLength(Byte postbyte) {
    if ((postbyte & 0x80) == 0) return 1;
    switch (postbyte & 0x0F) {
        case 0x8:
        case 0xC:
            return 2;
        case 0x9:
        case 0xD:
            return 3;
        case 0xF:
            return (postbyte & 0x10) ? 3 : 1;
        default:
            return 1;
    }
}

constexpr int OperandLength(Operand operand, Byte next) {
    switch (operand) {
        case Operand::kByte:
            return 1;
        case Operand::kWord:
            return 2;
        case Operand::kIndexed:
            return IndexedLength(next);
        default:
            return 0;
    }
}

}  // namespace

int Mc6809InstructionLength(Byte b0, Byte b1, Byte b2) {
    if (b0 == 0x10 || b0 == 0x11) {
        if (b1 == 0x10 || b1 == 0x11) return 1;
        if (!Mc6809::IsDefinedOpcode(b0, b1)) return 2;
        return 2 + OperandLength(PrefixedOperand(b1), b2);
    }
    if (!Mc6809::IsDefinedOpcode(0, b0)) return 1;
    return 1 + OperandLength(Page1Operand(b0), b1);
}

}  // namespace tarvok
