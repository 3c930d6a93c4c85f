#include "disasm/disasm_tables.h"

namespace tarvok {

namespace {

using K = OperandKind;

constexpr std::string_view kUd = kUndefinedMnemonic;

// Page 1 by opcode; the two prefixes $10 and $11 have no mnemonic of their own.
// clang-format off
constexpr std::array<std::string_view, 256> kPage1Mnemonics = {
    // $00-$0F
    "NEG  ", kUd,     kUd,     "COM  ", "LSR  ", kUd,     "ROR  ", "ASR  ",
    "LSL  ", "ROL  ", "DEC  ", kUd,     "INC  ", "TST  ", "JMP  ", "CLR  ",
    // $10-$1F
    "",      "",      "NOP  ", "SYNC ", kUd,     kUd,     "LBRA ", "LBSR ",
    kUd,     "DAA  ", "ORCC ", kUd,     "ANDCC", "SEX  ", "EXG  ", "TFR  ",
    // $20-$2F
    "BRA  ", "BRN  ", "BHI  ", "BLS  ", "BCC  ", "BCS  ", "BNE  ", "BEQ  ",
    "BVC  ", "BVS  ", "BPL  ", "BMI  ", "BGE  ", "BLT  ", "BGT  ", "BLE  ",
    // $30-$3F
    "LEAX ", "LEAY ", "LEAS ", "LEAU ", "PSHS ", "PULS ", "PSHU ", "PULU ",
    kUd,     "RTS  ", "ABX  ", "RTI  ", "CWAI ", "MUL  ", kUd,     "SWI1 ",
    // $40-$4F
    "NEGA ", kUd,     kUd,     "COMA ", "LSRA ", kUd,     "RORA ", "ASRA ",
    "LSLA ", "ROLA ", "DECA ", kUd,     "INCA ", "TSTA ", kUd,     "CLRA ",
    // $50-$5F
    "NEGB ", kUd,     kUd,     "COMB ", "LSRB ", kUd,     "RORB ", "ASRB ",
    "LSLB ", "ROLB ", "DECB ", kUd,     "INCB ", "TSTB ", kUd,     "CLRB ",
    // $60-$6F
    "NEG  ", kUd,     kUd,     "COM  ", "LSR  ", kUd,     "ROR  ", "ASR  ",
    "LSL  ", "ROL  ", "DEC  ", kUd,     "INC  ", "TST  ", "JMP  ", "CLR  ",
    // $70-$7F
    "NEG  ", kUd,     kUd,     "COM  ", "LSR  ", kUd,     "ROR  ", "ASR  ",
    "LSL  ", "ROL  ", "DEC  ", kUd,     "INC  ", "TST  ", "JMP  ", "CLR  ",
    // $80-$8F
    "SUBA ", "CMPA ", "SBCA ", "SUBD ", "ANDA ", "BITA ", "LDA  ", kUd,
    "EORA ", "ADCA ", "ORA  ", "ADDA ", "CMPX ", "BSR  ", "LDX  ", kUd,
    // $90-$9F
    "SUBA ", "CMPA ", "SBCA ", "SUBD ", "ANDA ", "BITA ", "LDA  ", "STA  ",
    "EORA ", "ADCA ", "ORA  ", "ADDA ", "CMPX ", "JSR  ", "LDX  ", "STX  ",
    // $A0-$AF
    "SUBA ", "CMPA ", "SBCA ", "SUBD ", "ANDA ", "BITA ", "LDA  ", "STA  ",
    "EORA ", "ADCA ", "ORA  ", "ADDA ", "CMPX ", "JSR  ", "LDX  ", "STX  ",
    // $B0-$BF
    "SUBA ", "CMPA ", "SBCA ", "SUBD ", "ANDA ", "BITA ", "LDA  ", "STA  ",
    "EORA ", "ADCA ", "ORA  ", "ADDA ", "CMPX ", "JSR  ", "LDX  ", "STX  ",
    // $C0-$CF
    "SUBB ", "CMPB ", "SBCB ", "ADDD ", "ANDB ", "BITB ", "LDB  ", kUd,
    "EORB ", "ADCB ", "ORB  ", "ADDB ", "LDD  ", kUd,     "LDU  ", kUd,
    // $D0-$DF
    "SUBB ", "CMPB ", "SBCB ", "ADDD ", "ANDB ", "BITB ", "LDB  ", "STB  ",
    "EORB ", "ADCB ", "ORB  ", "ADDB ", "LDD  ", "STD  ", "LDU  ", "STU  ",
    // $E0-$EF
    "SUBB ", "CMPB ", "SBCB ", "ADDD ", "ANDB ", "BITB ", "LDB  ", "STB  ",
    "EORB ", "ADCB ", "ORB  ", "ADDB ", "LDD  ", "STD  ", "LDU  ", "STU  ",
    // $F0-$FF
    "SUBB ", "CMPB ", "SBCB ", "ADDD ", "ANDB ", "BITB ", "LDB  ", "STB  ",
    "EORB ", "ADCB ", "ORB  ", "ADDB ", "LDD  ", "STD  ", "LDU  ", "STU  ",
};
// clang-format on

struct PrefixedCode {
    Byte opcode;
    std::string_view mnemonic;
};

// The defined codes after $10. LDS and STS extended ($FE, $FF) belong here as much as their
// direct and indexed forms: the processor executes them.
constexpr PrefixedCode kPage2Codes[] = {
    {0x21, "LBRN "}, {0x22, "LBHI "}, {0x23, "LBLS "}, {0x24, "LBCC "}, {0x25, "LBCS "},
    {0x26, "LBNE "}, {0x27, "LBEQ "}, {0x28, "LBVC "}, {0x29, "LBVS "}, {0x2A, "LBPL "},
    {0x2B, "LBMI "}, {0x2C, "LBGE "}, {0x2D, "LBLT "}, {0x2E, "LBGT "}, {0x2F, "LBLE "},
    {0x3F, "SWI2 "}, {0x83, "CMPD "}, {0x93, "CMPD "}, {0xA3, "CMPD "}, {0xB3, "CMPD "},
    {0x8C, "CMPY "}, {0x9C, "CMPY "}, {0xAC, "CMPY "}, {0xBC, "CMPY "}, {0x8E, "LDY  "},
    {0x9E, "LDY  "}, {0xAE, "LDY  "}, {0xBE, "LDY  "}, {0x9F, "STY  "}, {0xAF, "STY  "},
    {0xBF, "STY  "}, {0xCE, "LDS  "}, {0xDE, "LDS  "}, {0xEE, "LDS  "}, {0xFE, "LDS  "},
    {0xDF, "STS  "}, {0xEF, "STS  "}, {0xFF, "STS  "},
};

// The defined codes after $11.
constexpr PrefixedCode kPage3Codes[] = {
    {0x3F, "SWI3 "}, {0x83, "CMPU "}, {0x93, "CMPU "}, {0xA3, "CMPU "}, {0xB3, "CMPU "},
    {0x8C, "CMPS "}, {0x9C, "CMPS "}, {0xAC, "CMPS "}, {0xBC, "CMPS "},
};

// Length of a page-1 instruction of this kind, postbyte included.
constexpr std::uint8_t KindLength(OperandKind kind) {
    switch (kind) {
        case K::Inherent:
        case K::Page2Prefix:
        case K::Page3Prefix:
            return 1;
        case K::Immediate16:
        case K::Extended:
        case K::Relative16:
            return 3;
        default:
            return 2;
    }
}

// The register-memory opcodes $80-$FF (all pages) carry their mode in bits 5-4.
constexpr OperandKind MemoryKind(Byte opcode, bool wordImmediate) {
    switch ((opcode >> 4) & 0x03) {
        case 0:
            return wordImmediate ? K::Immediate16 : K::Immediate8;
        case 1:
            return K::Direct;
        case 2:
            return K::Indexed;
        default:
            return K::Extended;
    }
}

constexpr OperandKind Page1Kind(Byte opcode) {
    switch (opcode) {
        case 0x10:
            return K::Page2Prefix;
        case 0x11:
            return K::Page3Prefix;
        case 0x16:
        case 0x17:
            return K::Relative16;
        case 0x1A:
        case 0x1C:
        case 0x3C:
            return K::Immediate8;
        case 0x1E:
        case 0x1F:
            return K::RegisterPair;
        case 0x34:
        case 0x35:
            return K::RegisterListS;
        case 0x36:
        case 0x37:
            return K::RegisterListU;
        case 0x8D:
            return K::Relative8;
        default:
            break;
    }
    switch (opcode >> 4) {
        case 0x0:
            return K::Direct;
        case 0x2:
            return K::Relative8;
        case 0x3:
            return opcode < 0x34 ? K::Indexed : K::Inherent;
        case 0x6:
            return K::Indexed;
        case 0x7:
            return K::Extended;
        case 0x1:
        case 0x4:
        case 0x5:
            return K::Inherent;
        default: {
            const unsigned low = opcode & 0x0F;
            return MemoryKind(opcode, low == 0x3 || low == 0xC || low == 0xE);
        }
    }
}

// Pages 2 and 3 hold, below $80, only the long branches and SWI2/SWI3.
constexpr OperandKind PrefixedKind(Byte opcode) {
    if (opcode == 0x3F) return K::Inherent;
    if (opcode < 0x80) return K::Relative16;
    return MemoryKind(opcode, true);
}

constexpr DisasmTable BuildPage1() {
    DisasmTable table{};
    for (unsigned opcode = 0; opcode < 256; ++opcode) {
        DisasmEntry& entry = table[opcode];
        entry.mnemonic = kPage1Mnemonics[opcode];
        if (!entry.Defined()) continue;
        entry.kind = Page1Kind(static_cast<Byte>(opcode));
        entry.length = KindLength(entry.kind);
    }
    return table;
}

template <std::size_t N>
constexpr DisasmTable BuildPrefixedPage(const PrefixedCode (&codes)[N]) {
    DisasmTable table{};
    for (const PrefixedCode& code : codes) {
        DisasmEntry& entry = table[code.opcode];
        entry.mnemonic = code.mnemonic;
        entry.kind = PrefixedKind(code.opcode);
        entry.length = static_cast<std::uint8_t>(KindLength(entry.kind) + 1);
    }
    return table;
}

constexpr DisasmTable kPage1 = BuildPage1();
constexpr DisasmTable kPage2 = BuildPrefixedPage(kPage2Codes);
constexpr DisasmTable kPage3 = BuildPrefixedPage(kPage3Codes);

}  // namespace

const DisasmTable& DisasmPage(int page) {
    switch (page) {
        case 2:
            return kPage2;
        case 3:
            return kPage3;
        default:
            return kPage1;
    }
}

}  // namespace tarvok
