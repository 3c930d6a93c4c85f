#include "disasm/disassembler.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>
#include <utility>

#include "core/hex_text.h"
#include "disasm/disasm_tables.h"

namespace tarvok {

namespace {

// Reads the bytes of one instruction in order and keeps those that the byte column shows.
class InstructionBytes {
public:
    InstructionBytes(const DisasmByteReader& read, Address address) : read_(read), next_(address) {}

    Byte Next() {
        const Byte value = read_(next_);
        next_ = static_cast<Address>(next_ + 1);
        bytes_[count_++] = value;
        return value;
    }
    std::uint16_t NextWord() {
        const unsigned high = Next();
        return static_cast<std::uint16_t>(high << 8 | Next());
    }
    int Count() const { return count_; }

    // A page prefix is written before the byte column, not in it.
    void StartColumnHere() { columnStart_ = count_; }

    // The shown bytes as "XX " each, padded with blanks to 12 characters.
    std::string Column() const {
        std::string column;
        for (int i = columnStart_; i < count_; ++i)
            column += Hex2(bytes_[i]) + " ";
        column.resize(std::max<std::size_t>(column.size(), kColumnWidth), ' ');
        return column;
    }

private:
    static constexpr std::size_t kColumnWidth = 12;

    const DisasmByteReader& read_;
    Address next_;
    std::array<Byte, 5> bytes_{};  // prefix, opcode, postbyte, two offset bytes at most
    int count_ = 0;
    int columnStart_ = 0;
};

// Offsets are written with their sign and in decimal: +0, -2, +127, -128.
std::string Signed(int value) {
    return (value < 0 ? "-" : "+") + std::to_string(value < 0 ? -value : value);
}

int Signed8(Byte value) {
    return static_cast<std::int8_t>(value);
}

int Signed16(std::uint16_t value) {
    return static_cast<std::int16_t>(value);
}

// "$0400", or the label of the address.
std::string Target(unsigned address, const SymbolTable* symbols) {
    address &= 0xFFFFu;
    if (symbols != nullptr) {
        if (const std::string* name = symbols->NameAt(static_cast<Address>(address))) return *name;
    }
    return "$" + Hex4(address);
}

// "-2; $0400": the offset, then the target counted from the end of the instruction.
std::string BranchOperand(int offset, Address address, int length, const SymbolTable* symbols) {
    return Signed(offset) + "; " + Target(address + length + offset, symbols);
}

// TFR and EXG register codes.
constexpr std::array<std::string_view, 16> kPairRegisters = {
    "D", "X", "Y", "U", "S", "PC", "??", "??", "A", "B", "CC", "DP", "??", "??", "??", "??"};

std::string RegisterPair(Byte postbyte) {
    return std::string(kPairRegisters[postbyte >> 4]) + "," +
           std::string(kPairRegisters[postbyte & 0x0F]);
}

// Every pushed or pulled register is followed by a comma, the last one too.
std::string RegisterList(Byte postbyte, bool userStack) {
    static constexpr std::array<std::string_view, 8> kNames = {"PC,", "U,", "Y,", "X,",
                                                               "DP,", "B,", "A,", "CC,"};
    std::string list;
    for (int bit = 7; bit >= 0; --bit) {
        if ((postbyte & (1u << bit)) == 0) continue;
        list += bit == 6 && userStack ? "S," : kNames[7 - bit];
    }
    return list;
}

// Extended indirect shows its address as four lower-case digits padded with blanks: "[$ 1a0]".
std::string BlankPaddedHex(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%4x", value & 0xFFFFu);
    return text;
}

// Reads the postbyte and its offset bytes; nullopt for a postbyte that the processor rejects
// (which then takes no offset bytes).
std::optional<std::string> IndexedOperand(InstructionBytes& in) {
    static constexpr std::array<std::string_view, 4> kIndexRegisters = {"X", "Y", "U", "S"};
    const Byte postbyte = in.Next();
    const std::string reg(kIndexRegisters[(postbyte >> 5) & 0x03]);
    if ((postbyte & 0x80) == 0) {
        const int offset = (postbyte & 0x0F) - (postbyte & 0x10);
        return Signed(offset) + "," + reg;
    }
    const bool indirect = (postbyte & 0x10) != 0;
    std::string operand;
    switch (postbyte & 0x0F) {
        case 0x0:
            if (indirect) return std::nullopt;
            operand = "," + reg + "+";
            break;
        case 0x1:
            operand = "," + reg + "++";
            break;
        case 0x2:
            if (indirect) return std::nullopt;
            operand = ",-" + reg;
            break;
        case 0x3:
            operand = ",--" + reg;
            break;
        case 0x4:
            operand = "," + reg;
            break;
        case 0x5:
            operand = "B," + reg;
            break;
        case 0x6:
            operand = "A," + reg;
            break;
        case 0x8:
            operand = Signed(Signed8(in.Next())) + "," + reg;
            break;
        case 0x9:
            operand = Signed(Signed16(in.NextWord())) + "," + reg;
            break;
        case 0xB:
            operand = "D," + reg;
            break;
        case 0xC:
            operand = Signed(Signed8(in.Next())) + ",PCR";
            break;
        case 0xD:
            operand = Signed(Signed16(in.NextWord())) + ",PCR";
            break;
        case 0xF:
            if (!indirect) return std::nullopt;
            return "[$" + BlankPaddedHex(in.NextWord()) + "]";
        default:
            return std::nullopt;
    }
    return indirect ? "[" + operand + "]" : operand;
}

}  // namespace

DisassembledInstruction DisassembleInstruction(const DisasmByteReader& read, Address address,
                                               const SymbolTable* symbols) {
    InstructionBytes in(read, address);
    const DisasmEntry* entry = &DisasmPage(1)[in.Next()];
    std::string text;
    std::string_view pad = "   ";
    if (entry->kind == OperandKind::Page2Prefix || entry->kind == OperandKind::Page3Prefix) {
        // "10 " or "11 " takes the place of the pad, so that the mnemonics line up.
        const bool page2 = entry->kind == OperandKind::Page2Prefix;
        text = page2 ? "10 " : "11 ";
        pad = "";
        in.StartColumnHere();
        entry = &DisasmPage(page2 ? 2 : 3)[in.Next()];
    }

    int length = entry->length;
    std::optional<std::string> operand;
    bool validPostbyte = true;
    switch (entry->kind) {
        case OperandKind::Direct:
            operand = "<$" + Hex2(in.Next());
            break;
        case OperandKind::Immediate8:
            operand = "#$" + Hex2(in.Next());
            break;
        case OperandKind::Immediate16:
            operand = "#$" + Hex4(in.NextWord());
            break;
        case OperandKind::Extended:
            operand = Target(in.NextWord(), symbols);
            break;
        case OperandKind::Relative8:
            operand = BranchOperand(Signed8(in.Next()), address, length, symbols);
            break;
        case OperandKind::Relative16:
            operand = BranchOperand(Signed16(in.NextWord()), address, length, symbols);
            break;
        case OperandKind::RegisterPair:
            operand = RegisterPair(in.Next());
            break;
        case OperandKind::RegisterListS:
        case OperandKind::RegisterListU:
            operand = RegisterList(in.Next(), entry->kind == OperandKind::RegisterListU);
            break;
        case OperandKind::Indexed: {
            const int postbyteIndex = in.Count();
            operand = IndexedOperand(in);
            validPostbyte = operand.has_value();
            length += in.Count() - postbyteIndex - 1;  // the offset bytes behind the postbyte
            break;
        }
        case OperandKind::Inherent:
        case OperandKind::Page2Prefix:  // a prefix after a prefix is an undefined code
        case OperandKind::Page3Prefix:
            break;
    }

    text += in.Column();
    text += pad;
    if (!validPostbyte) {
        // An undefined postbyte replaces mnemonic and operand.
        text += kUndefinedMnemonic;
    } else {
        text += entry->mnemonic;
        if (operand) text += " " + *operand;
    }
    return {std::move(text), length};
}

std::vector<ListingLine> DisassembleListing(const DisasmByteReader& read, Address first,
                                            Address last, const SymbolTable* symbols) {
    std::vector<ListingLine> lines;
    for (unsigned address = first; address <= last;) {
        const auto at = static_cast<Address>(address);
        if (symbols != nullptr) {
            if (const std::string* name = symbols->NameAt(at)) lines.push_back({at, *name + ":"});
        }
        DisassembledInstruction instruction = DisassembleInstruction(read, at, symbols);
        lines.push_back({at, Hex4(address) + ": " + instruction.text});
        address += static_cast<unsigned>(instruction.length);
    }
    return lines;
}

std::vector<std::string> DisassembleRange(const DisasmByteReader& read, Address first,
                                          Address last) {
    std::vector<std::string> lines;
    for (ListingLine& line : DisassembleListing(read, first, last, nullptr))
        lines.push_back(std::move(line.text));
    return lines;
}

Address DisasmWindowLast(Address start) {
    return static_cast<Address>(std::min(start + kDisasmWindowBytes - 1, 0xFFFFu));
}

std::vector<std::string> DisassembleWindow(const DisasmByteReader& read, Address start) {
    return DisassembleRange(read, start, DisasmWindowLast(start));
}

}  // namespace tarvok
