#include "asm/asm_opcodes.h"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

namespace tarvok {

namespace {

using K = AsmOpKind;
constexpr int N = kNoOpcode;

AsmOpcode Inh(std::string m, int op) {
    return {std::move(m), K::Inherent, op};
}
AsmOpcode Mem(std::string m, int imm, int dir, int idx, int ext, int immBytes = 1) {
    return {std::move(m), K::Memory, imm, dir, idx, ext, immBytes};
}
// The accumulator family: immediate, direct, indexed, extended lie $10 apart.
AsmOpcode Acc(std::string m, int imm, int immBytes = 1) {
    const int page = imm & 0xFF00;
    const int low = imm & 0xFF;
    return Mem(std::move(m), imm, page | (low + 0x10), page | (low + 0x20), page | (low + 0x30),
               immBytes);
}
// Stores have no immediate form; `dir` is the direct opcode.
AsmOpcode Store(std::string m, int dir) {
    const int page = dir & 0xFF00;
    const int low = dir & 0xFF;
    return Mem(std::move(m), N, dir, page | (low + 0x10), page | (low + 0x20));
}
// Read-modify-write on memory: $0n direct, $6n indexed, $7n extended.
AsmOpcode Rmw(std::string m, int n) {
    return Mem(std::move(m), N, n, 0x60 + n, 0x70 + n);
}
AsmOpcode Br(std::string m, int op) {
    return {std::move(m), K::Relative8, op};
}
AsmOpcode LBr(std::string m, int op) {
    return {std::move(m), K::Relative16, op};
}

std::vector<AsmOpcode> BuildTable() {
    std::vector<AsmOpcode> t = {
        // 8-bit accumulator operations
        Acc("SUBA", 0x80),
        Acc("CMPA", 0x81),
        Acc("SBCA", 0x82),
        Acc("ANDA", 0x84),
        Acc("BITA", 0x85),
        Acc("LDA", 0x86),
        Store("STA", 0x97),
        Acc("EORA", 0x88),
        Acc("ADCA", 0x89),
        Acc("ORA", 0x8A),
        Acc("ADDA", 0x8B),
        Acc("SUBB", 0xC0),
        Acc("CMPB", 0xC1),
        Acc("SBCB", 0xC2),
        Acc("ANDB", 0xC4),
        Acc("BITB", 0xC5),
        Acc("LDB", 0xC6),
        Store("STB", 0xD7),
        Acc("EORB", 0xC8),
        Acc("ADCB", 0xC9),
        Acc("ORB", 0xCA),
        Acc("ADDB", 0xCB),
        // 16-bit register operations
        Acc("SUBD", 0x83, 2),
        Acc("ADDD", 0xC3, 2),
        Acc("CMPX", 0x8C, 2),
        Acc("LDX", 0x8E, 2),
        Store("STX", 0x9F),
        Acc("LDD", 0xCC, 2),
        Store("STD", 0xDD),
        Acc("LDU", 0xCE, 2),
        Store("STU", 0xDF),
        Acc("CMPD", 0x1083, 2),
        Acc("CMPY", 0x108C, 2),
        Acc("LDY", 0x108E, 2),
        Store("STY", 0x109F),
        Acc("LDS", 0x10CE, 2),
        Store("STS", 0x10DF),
        Acc("CMPU", 0x1183, 2),
        Acc("CMPS", 0x118C, 2),
        // jumps
        Mem("JMP", N, 0x0E, 0x6E, 0x7E),
        Mem("JSR", N, 0x9D, 0xAD, 0xBD),
        // read-modify-write
        Rmw("NEG", 0x00),
        Rmw("COM", 0x03),
        Rmw("LSR", 0x04),
        Rmw("ROR", 0x06),
        Rmw("ASR", 0x07),
        Rmw("LSL", 0x08),
        Rmw("ASL", 0x08),
        Rmw("ROL", 0x09),
        Rmw("DEC", 0x0A),
        Rmw("INC", 0x0C),
        Rmw("TST", 0x0D),
        Rmw("CLR", 0x0F),
        // load effective address: indexed only
        Mem("LEAX", N, N, 0x30, N),
        Mem("LEAY", N, N, 0x31, N),
        Mem("LEAS", N, N, 0x32, N),
        Mem("LEAU", N, N, 0x33, N),
        // immediate only
        Mem("ORCC", 0x1A, N, N, N),
        Mem("ANDCC", 0x1C, N, N, N),
        Mem("CWAI", 0x3C, N, N, N),
        // inherent
        Inh("NOP", 0x12),
        Inh("SYNC", 0x13),
        Inh("DAA", 0x19),
        Inh("SEX", 0x1D),
        Inh("RTS", 0x39),
        Inh("ABX", 0x3A),
        Inh("RTI", 0x3B),
        Inh("MUL", 0x3D),
        Inh("SWI", 0x3F),
        Inh("SWI2", 0x103F),
        Inh("SWI3", 0x113F),
        // register pairs and lists
        {"EXG", K::RegisterPair, 0x1E},
        {"TFR", K::RegisterPair, 0x1F},
        {"PSHS", K::RegisterList, 0x34},
        {"PULS", K::RegisterList, 0x35},
        {"PSHU", K::RegisterList, 0x36, N, N, N, 1, true},
        {"PULU", K::RegisterList, 0x37, N, N, N, 1, true},
        // branches
        Br("BSR", 0x8D),
        LBr("LBRA", 0x16),
        LBr("LBSR", 0x17),
    };
    // Accumulator forms of the read-modify-write group: $4n on A, $5n on B.
    static constexpr std::array<std::pair<std::string_view, int>, 12> kRmw = {{
        {"NEG", 0x0},
        {"COM", 0x3},
        {"LSR", 0x4},
        {"ROR", 0x6},
        {"ASR", 0x7},
        {"LSL", 0x8},
        {"ASL", 0x8},
        {"ROL", 0x9},
        {"DEC", 0xA},
        {"INC", 0xC},
        {"TST", 0xD},
        {"CLR", 0xF},
    }};
    for (const auto& [name, n] : kRmw) {
        t.push_back(Inh(std::string(name) + "A", 0x40 + n));
        t.push_back(Inh(std::string(name) + "B", 0x50 + n));
    }
    // Conditions in opcode order $20 to $2F; aliases share an opcode.
    static constexpr std::array<std::pair<std::string_view, int>, 18> kConditions = {{
        {"RA", 0x0},
        {"RN", 0x1},
        {"HI", 0x2},
        {"LS", 0x3},
        {"CC", 0x4},
        {"HS", 0x4},
        {"CS", 0x5},
        {"LO", 0x5},
        {"NE", 0x6},
        {"EQ", 0x7},
        {"VC", 0x8},
        {"VS", 0x9},
        {"PL", 0xA},
        {"MI", 0xB},
        {"GE", 0xC},
        {"LT", 0xD},
        {"GT", 0xE},
        {"LE", 0xF},
    }};
    for (const auto& [condition, n] : kConditions) {
        t.push_back(Br("B" + std::string(condition), 0x20 + n));
        // LBRA has its own one-byte opcode; the page-2 form of "always" is not used.
        if (n != 0x0) t.push_back(LBr("LB" + std::string(condition), 0x1020 + n));
    }
    std::sort(t.begin(), t.end(),
              [](const AsmOpcode& a, const AsmOpcode& b) { return a.mnemonic < b.mnemonic; });
    return t;
}

}  // namespace

const AsmOpcode* FindAsmOpcode(std::string_view upperMnemonic) {
    static const std::vector<AsmOpcode> kTable = BuildTable();
    const auto it = std::lower_bound(
        kTable.begin(), kTable.end(), upperMnemonic,
        [](const AsmOpcode& entry, std::string_view name) { return entry.mnemonic < name; });
    if (it == kTable.end() || it->mnemonic != upperMnemonic) return nullptr;
    return &*it;
}

}  // namespace tarvok
