#include "cpu/instruction_length.h"

#include <array>

namespace tarvok {

namespace {

enum class Operand : unsigned char { kUndefined, kNone, kByte, kWord, kIndexed };

constexpr bool IsUndefinedPage1(Byte opcode) {
    constexpr std::array<Byte, 33> kUndefined = {
        0x01, 0x02, 0x05, 0x0B, 0x14, 0x15, 0x18, 0x1B, 0x38, 0x3E, 0x41,
        0x42, 0x45, 0x4B, 0x4E, 0x51, 0x52, 0x55, 0x5B, 0x5E, 0x61, 0x62,
        0x65, 0x6B, 0x71, 0x72, 0x75, 0x7B, 0x87, 0x8F, 0xC7, 0xCD, 0xCF};
    for (Byte undefined : kUndefined) {
        if (opcode == undefined) return true;
    }
    return false;
}

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
    if (IsUndefinedPage1(opcode)) return Operand::kUndefined;
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

constexpr Operand Page2Operand(Byte opcode) {
    if (opcode >= 0x21 && opcode <= 0x2F) return Operand::kWord;
    if (opcode == 0x3F) return Operand::kNone;
    const unsigned low = opcode & 0x0F;
    if (opcode >= 0x80 && opcode <= 0xBF && (low == 0x3 || low == 0xC || low == 0xE)) {
        return MemoryOperand(opcode, true);
    }
    if (opcode >= 0x80 && opcode <= 0xBF && low == 0xF && opcode != 0x8F) {
        return MemoryOperand(opcode, true);
    }
    if (opcode >= 0xC0 && (low == 0xE || (low == 0xF && opcode != 0xCF))) {
        return MemoryOperand(opcode, true);
    }
    return Operand::kUndefined;
}

constexpr Operand Page3Operand(Byte opcode) {
    if (opcode == 0x3F) return Operand::kNone;
    const unsigned low = opcode & 0x0F;
    if (opcode >= 0x80 && opcode <= 0xBF && (low == 0x3 || low == 0xC)) {
        return MemoryOperand(opcode, true);
    }
    return Operand::kUndefined;
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

int MC6809InstructionLength(Byte b0, Byte b1, Byte b2) {
    if (b0 == 0x10 || b0 == 0x11) {
        if (b1 == 0x10 || b1 == 0x11) return 1;
        const Operand operand = b0 == 0x10 ? Page2Operand(b1) : Page3Operand(b1);
        if (operand == Operand::kUndefined) return 2;
        return 2 + OperandLength(operand, b2);
    }
    const Operand operand = Page1Operand(b0);
    if (operand == Operand::kUndefined) return 1;
    return 1 + OperandLength(operand, b1);
}

}  // namespace tarvok
