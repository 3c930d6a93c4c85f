#include <array>

#include "asm/asm_engine.h"
#include "core/hex_text.h"

namespace tarvok {

namespace {

bool Fits8(std::int64_t value) {
    return value >= -128 && value <= 127;
}

// Relative distances count modulo 65536: from $FFF0 forward to $0010 is +$20.
std::int64_t Distance(std::int64_t to, std::int64_t from) {
    return ((to - from + 0x8000) & 0xFFFF) - 0x8000;
}

struct RegisterName {
    std::string_view name;
    int code;  // TFR/EXG register code
    int stackBit;
};

constexpr std::array<RegisterName, 12> kRegisters = {{
    {"D", 0x0, 0x06},
    {"X", 0x1, 0x10},
    {"Y", 0x2, 0x20},
    {"U", 0x3, 0x40},
    {"S", 0x4, 0x40},
    {"PC", 0x5, 0x80},
    {"A", 0x8, 0x02},
    {"B", 0x9, 0x04},
    {"CC", 0xA, 0x01},
    {"CCR", 0xA, 0x01},
    {"DP", 0xB, 0x08},
    {"DPR", 0xB, 0x08},
}};

constexpr const char* kRegisterNames = "(expected A, B, D, X, Y, U, S, PC, CC or DP)";

const RegisterName* FindRegister(std::string_view text) {
    const std::string upper = ToUpper(text);
    for (const RegisterName& reg : kRegisters) {
        if (reg.name == upper) return &reg;
    }
    return nullptr;
}

// Index register bits 6-5 of the postbyte; -1 for PC-relative, -2 when not a register.
int IndexRegisterBits(std::string_view upper) {
    if (upper == "X") return 0x00;
    if (upper == "Y") return 0x20;
    if (upper == "U") return 0x40;
    if (upper == "S") return 0x60;
    if (upper == "PCR" || upper == "PC") return -1;
    return -2;
}

}  // namespace

void AsmEngine::Instruction(const AsmOpcode& op, const AsmLineFields& fields) {
    if (op.kind == AsmOpKind::Inherent) {
        // Anything behind an inherent instruction is comment.
        EmitOpcode(op.immediate);
        return;
    }
    const Field operand{OperandField(fields.rest), fields.restColumn};
    if (operand.text.empty()) {
        Error(fields.mnemonicColumn, "missing operand for '" + std::string(fields.mnemonic) + "'");
        return;
    }
    switch (op.kind) {
        case AsmOpKind::Memory:
            MemoryOperand(op, operand);
            break;
        case AsmOpKind::Relative8:
        case AsmOpKind::Relative16:
            BranchOperand(op, operand);
            break;
        case AsmOpKind::RegisterPair:
            RegisterPairOperand(op, operand);
            break;
        case AsmOpKind::RegisterList:
            RegisterListOperand(op, operand);
            break;
        case AsmOpKind::Inherent:
            break;
    }
}

void AsmEngine::MemoryOperand(const AsmOpcode& op, Field operand) {
    const auto badMode = [&](const char* mode) {
        Error(operand.column,
              "bad addressing mode: '" + op.mnemonic + "' has no " + mode + " form");
    };
    const char first = operand.text.front();
    if (first == '#') {
        if (op.immediate == kNoOpcode) return badMode("immediate");
        return ImmediateOperand(op, operand.Sub(1));
    }
    if (first == '[') {
        if (op.indexed == kNoOpcode) return badMode("indexed");
        if (operand.text.back() != ']') {
            Error(operand.column + static_cast<int>(operand.text.size()), "missing ']'");
            return;
        }
        const Field inner = operand.Sub(1, operand.text.size() - 2);
        if (TopLevelComma(inner.text) != std::string_view::npos) {
            return IndexedOperand(op.indexed, inner, true);
        }
        // Extended indirect [n]: always a full address.
        Field address = inner;
        if (!address.text.empty() && address.text.front() == '>') address = address.Sub(1);
        if (address.text.empty()) {
            Error(inner.column, "missing address in '[]'");
            return;
        }
        AsmValue value;
        if (!Evaluate(address, value)) return;
        CheckRange(value, -32768, 0xFFFF, address.column, "an address");
        EmitOpcode(op.indexed);
        Emit8(0x9F);
        Emit16(value.value);
        return;
    }
    if (TopLevelComma(operand.text) != std::string_view::npos) {
        if (op.indexed == kNoOpcode) return badMode("indexed");
        return IndexedOperand(op.indexed, operand, false);
    }
    // Direct or extended.
    Field address = operand;
    const char force = first == '<' || first == '>' ? first : '\0';
    if (force) address = operand.Sub(1);
    if (force == '<' && op.direct == kNoOpcode) return badMode("direct");
    if (force == '>' && op.extended == kNoOpcode) return badMode("extended");
    if (op.direct == kNoOpcode && op.extended == kNoOpcode) {
        return badMode(op.indexed != kNoOpcode ? "direct or extended" : "memory");
    }
    AsmValue value;
    if (!Evaluate(address, value)) return;
    CheckRange(value, -32768, 0xFFFF, address.column, "an address");
    const std::int64_t word = value.value & 0xFFFF;
    bool direct = force == '<';
    if (!force && op.direct != kNoOpcode && KnownInPass1(value.known)) {
        direct = (word >> 8) == dp_ || op.extended == kNoOpcode;
    }
    if (!force && op.extended == kNoOpcode) direct = true;
    if (direct) {
        if (value.known && value.value > 0xFF && (word >> 8) != dp_) {
            Error(address.column, "address $" + Hex4(static_cast<unsigned>(word)) +
                                      " is not in the direct page $" +
                                      Hex2(static_cast<unsigned>(dp_)) +
                                      " (SETDP names the page that '<' addresses)");
        }
        EmitOpcode(op.direct);
        Emit8(word);
    } else {
        EmitOpcode(op.extended);
        Emit16(word);
    }
}

void AsmEngine::ImmediateOperand(const AsmOpcode& op, Field operand) {
    AsmValue value;
    if (operand.text.empty()) {
        Error(operand.column, "missing expression");
        return;
    }
    if (!Evaluate(operand, value)) return;
    EmitOpcode(op.immediate);
    if (op.immediateBytes == 2) {
        CheckRange(value, -32768, 0xFFFF, operand.column, "16 bits");
        Emit16(value.value);
    } else {
        CheckRange(value, -128, 0xFF, operand.column, "8 bits");
        Emit8(value.value);
    }
}

void AsmEngine::IndexedOperand(int opcode, Field operand, bool indirect) {
    const std::size_t comma = TopLevelComma(operand.text);
    const Field offset = operand.Sub(0, comma);
    const Field base = operand.AfterComma(comma);
    const int indirectBit = indirect ? 0x10 : 0x00;

    // ",R+" ",R++" ",-R" ",--R" and the plain register.
    std::string baseName = ToUpper(base.text);
    int decrements = 0;
    int increments = 0;
    while (decrements < 2 && !baseName.empty() && baseName.front() == '-') {
        baseName.erase(0, 1);
        ++decrements;
    }
    while (increments < 2 && !baseName.empty() && baseName.back() == '+') {
        baseName.pop_back();
        ++increments;
    }
    const int reg = IndexRegisterBits(baseName);
    if (reg == -2 || (decrements && increments)) {
        Error(base.column, "invalid index register '" + std::string(base.text) +
                               "' (expected X, Y, U, S or PCR; ,R+ ,R++ ,-R ,--R step X, Y, U, S)");
        return;
    }
    if (decrements || increments) {
        if (reg < 0) {
            Error(base.column, "bad addressing mode: PC cannot be incremented or decremented");
            return;
        }
        if (!offset.text.empty()) {
            Error(offset.column, "bad addressing mode: no offset with auto increment or decrement");
            return;
        }
        if (indirect && (decrements == 1 || increments == 1)) {
            Error(operand.column, "bad addressing mode: indirect form needs ,R++ or ,--R");
            return;
        }
        const int form = increments == 1   ? 0x0
                         : increments == 2 ? 0x1
                         : decrements == 1 ? 0x2
                                           : 0x3;
        EmitOpcode(opcode);
        Emit8(0x80 | reg | indirectBit | form);
        return;
    }

    const std::string offsetName = ToUpper(offset.text);
    if (offset.text.empty()) {
        EmitOpcode(opcode);
        if (reg < 0) {
            Emit8(0x8C | indirectBit);  // ",PCR": zero offset
            Emit8(0);
        } else {
            Emit8(0x84 | reg | indirectBit);
        }
        return;
    }
    if (offsetName == "A" || offsetName == "B" || offsetName == "D") {
        if (reg < 0) {
            Error(offset.column, "bad addressing mode: no accumulator offset from PC");
            return;
        }
        const int form = offsetName == "A" ? 0x6 : offsetName == "B" ? 0x5 : 0xB;
        EmitOpcode(opcode);
        Emit8(0x80 | reg | indirectBit | form);
        return;
    }

    Field expression = offset;
    const char force =
        offset.text.front() == '<' || offset.text.front() == '>' ? offset.text.front() : '\0';
    if (force) expression = offset.Sub(1);
    AsmValue value;
    if (!Evaluate(expression, value)) return;

    if (reg < 0) {
        // n,PCR names the target, n,PC the offset itself; either is relative to the end of the
        // instruction.
        const bool target = baseName == "PCR";
        const std::int64_t end8 = pc_ + OpcodeLength(opcode) + 2;
        const std::int64_t offset8 = target ? Distance(value.value, end8) : value.value;
        const std::int64_t offset16 = target ? Distance(value.value, end8 + 1) : value.value;
        bool short8 = force == '<';
        if (!force) short8 = KnownInPass1(value.known) && Fits8(offset8);
        EmitOpcode(opcode);
        if (short8) {
            if (value.known && !Fits8(offset8)) {
                Error(offset.column, "offset " + std::to_string(offset8) + " out of 8-bit range");
            }
            Emit8(0x8C | indirectBit);
            Emit8(offset8);
        } else {
            if (!target) CheckRange(value, -32768, 0xFFFF, expression.column, "16 bits");
            Emit8(0x8D | indirectBit);
            Emit16(offset16);
        }
        return;
    }

    CheckRange(value, -32768, 0xFFFF, expression.column, "16 bits");
    int size = 16;
    if (force == '<') {
        size = 8;
        if (value.known && !Fits8(value.value)) {
            Error(expression.column,
                  "offset " + std::to_string(value.value) + " out of 8-bit range");
        }
    } else if (!force && KnownInPass1(value.known)) {
        if (value.value == 0) {
            size = 0;
        } else if (!indirect && value.value >= -16 && value.value <= 15) {
            size = 5;
        } else if (Fits8(value.value)) {
            size = 8;
        }
    }
    EmitOpcode(opcode);
    switch (size) {
        case 0:
            Emit8(0x84 | reg | indirectBit);
            break;
        case 5:
            Emit8(reg | (value.value & 0x1F));
            break;
        case 8:
            Emit8(0x88 | reg | indirectBit);
            Emit8(value.value);
            break;
        default:
            Emit8(0x89 | reg | indirectBit);
            Emit16(value.value);
            break;
    }
}

void AsmEngine::BranchOperand(const AsmOpcode& op, Field operand) {
    AsmValue value;
    if (!Evaluate(operand, value)) return;
    CheckRange(value, -32768, 0xFFFF, operand.column, "an address");
    const bool isLong = op.kind == AsmOpKind::Relative16;
    const std::int64_t end = pc_ + OpcodeLength(op.immediate) + (isLong ? 2 : 1);
    const std::int64_t offset = Distance(value.value, end);
    EmitOpcode(op.immediate);
    if (isLong) {
        Emit16(offset);  // every address is in reach modulo 65536
        return;
    }
    if (value.known && !Fits8(offset)) {
        Error(operand.column, "branch out of range (offset " + std::to_string(offset) +
                                  ", a short branch reaches -128 to 127; use L" + op.mnemonic +
                                  ")");
    }
    Emit8(offset);
}

void AsmEngine::RegisterPairOperand(const AsmOpcode& op, Field operand) {
    const std::size_t comma = TopLevelComma(operand.text);
    if (comma == std::string_view::npos) {
        Error(operand.column, "expected two registers 'source,destination'");
        return;
    }
    const Field sourceField = operand.Sub(0, comma);
    const Field destField = operand.AfterComma(comma);
    const RegisterName* source = FindRegister(sourceField.text);
    const RegisterName* dest = FindRegister(destField.text);
    if (source == nullptr) {
        Error(sourceField.column,
              "invalid register '" + std::string(sourceField.text) + "' " + kRegisterNames);
    }
    if (dest == nullptr) {
        Error(destField.column,
              "invalid register '" + std::string(destField.text) + "' " + kRegisterNames);
    }
    if (source == nullptr || dest == nullptr) return;
    if ((source->code & 0x8) != (dest->code & 0x8)) {
        Error(operand.column, "register size mismatch: " + std::string(source->name) + " and " +
                                  std::string(dest->name) + " differ in width");
        return;
    }
    EmitOpcode(op.immediate);
    Emit8((source->code << 4) | dest->code);
}

void AsmEngine::RegisterListOperand(const AsmOpcode& op, Field operand) {
    if (operand.text.front() == '#') {
        AsmValue value;
        if (!Evaluate(operand.Sub(1), value)) return;
        CheckRange(value, 0, 0xFF, operand.column + 1, "8 bits");
        EmitOpcode(op.immediate);
        Emit8(value.value);
        return;
    }
    int postbyte = 0;
    Field list = operand;
    while (true) {
        const std::size_t comma = TopLevelComma(list.text);
        const Field item = list.Sub(0, comma);
        const RegisterName* reg = FindRegister(item.text);
        const bool ownStack = reg != nullptr && reg->name == (op.userStack ? "U" : "S");
        if (reg == nullptr || ownStack) {
            Error(item.column,
                  ownStack ? "a stack cannot push or pull its own pointer"
                           : "invalid register '" + std::string(item.text) + "' " + kRegisterNames);
            return;
        }
        if ((postbyte & reg->stackBit) != 0) {
            Error(item.column, "register '" + std::string(item.text) + "' listed twice");
            return;
        }
        postbyte |= reg->stackBit;
        if (comma == std::string_view::npos) break;
        list = list.AfterComma(comma);
    }
    EmitOpcode(op.immediate);
    Emit8(postbyte);
}

}  // namespace tarvok
