// Every opcode in every addressing form, assembled by the project's assembler and disassembled
// again, lists the opcode's mnemonic and the operand that was written.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/assembler.h"
#include "core/hex_text.h"
#include "disasm/disasm_tables.h"
#include "disasm/disassembler.h"
#include "disasm_memory.h"

namespace tarvok {
namespace {

// One way of writing the operand, and the text that follows the mnemonic in the listing.
// Branches list their offset and target instead, which depend on where the branch stands;
// `distance` is the target's distance from it.
struct Form {
    std::string source;
    std::string listed;
    int distance = 0;
};

std::string BranchText(Address address, int length, int distance) {
    const int offset = distance - length;
    return std::string(" ") + (offset < 0 ? "-" : "+") +
           std::to_string(offset < 0 ? -offset : offset) + "; $" +
           Hex4((address + distance) & 0xFFFFu);
}

// Indexed forms with R for the base register: as written, as listed.
constexpr std::pair<std::string_view, std::string_view> kBasedForms[] = {
    {",R", ",R"},
    {",R+", ",R+"},
    {",R++", ",R++"},
    {",-R", ",-R"},
    {",--R", ",--R"},
    {"A,R", "A,R"},
    {"B,R", "B,R"},
    {"D,R", "D,R"},
    {"-16,R", "-16,R"},
    {"15,R", "+15,R"},
    {"-1,R", "-1,R"},
    {"<0,R", "+0,R"},
    {"-128,R", "-128,R"},
    {"127,R", "+127,R"},
    {">0,R", "+0,R"},
    {"1000,R", "+1000,R"},
    {"-32768,R", "-32768,R"},
    {"[,R]", "[,R]"},
    {"[,R++]", "[,R++]"},
    {"[,--R]", "[,--R]"},
    {"[A,R]", "[A,R]"},
    {"[B,R]", "[B,R]"},
    {"[D,R]", "[D,R]"},
    {"[5,R]", "[+5,R]"},
    {"[-300,R]", "[-300,R]"},
};

std::vector<Form> IndexedForms() {
    std::vector<Form> forms = {
        {"5,PC", " +5,PCR"},           {"-300,PC", " -300,PCR"}, {"[-1,PC]", " [-1,PCR]"},
        {"[1000,PC]", " [+1000,PCR]"}, {"[$1A0]", " [$ 1a0]"},   {"[$ABCD]", " [$abcd]"},
    };
    for (const char reg : {'X', 'Y', 'U', 'S'}) {
        for (const auto& [written, listed] : kBasedForms) {
            Form form{std::string(written), " " + std::string(listed)};
            std::replace(form.source.begin(), form.source.end(), 'R', reg);
            std::replace(form.listed.begin(), form.listed.end(), 'R', reg);
            forms.push_back(std::move(form));
        }
    }
    return forms;
}

std::vector<Form> FormsOf(OperandKind kind) {
    switch (kind) {
        case OperandKind::Direct:
            return {{"<$5A", " <$5A"}, {"<0", " <$00"}};
        case OperandKind::Immediate8:
            return {{"#$5A", " #$5A"}, {"#-1", " #$FF"}};
        case OperandKind::Immediate16:
            return {{"#$1234", " #$1234"}, {"#0", " #$0000"}};
        case OperandKind::Extended:
            return {{"$1234", " $1234"}, {">$0012", " $0012"}};
        case OperandKind::Indexed:
            return IndexedForms();
        case OperandKind::Relative8:
            return {{"*", "", 0}, {"*+129", "", 129}, {"*-126", "", -126}};
        case OperandKind::Relative16:
            return {{"*", "", 0}, {"*+4000", "", 4000}, {"*-30000", "", -30000}};
        case OperandKind::RegisterPair:
            return {{"D,X", " D,X"}, {"Y,U", " Y,U"},     {"S,PC", " S,PC"},
                    {"A,B", " A,B"}, {"CC,DP", " CC,DP"}, {"DP,A", " DP,A"}};
        case OperandKind::RegisterListS:
            return {{"PC,U,Y,X,DP,B,A,CC", " PC,U,Y,X,DP,B,A,CC,"},
                    {"CC,A", " A,CC,"},
                    {"D", " B,A,"},
                    {"#0", " "}};
        case OperandKind::RegisterListU:
            return {{"PC,S,Y,X,DP,B,A,CC", " PC,S,Y,X,DP,B,A,CC,"}, {"Y", " Y,"}};
        default:
            return {{"", ""}};
    }
}

// The assembler's name of an opcode: the listing's mnemonic without its padding, but SWI for
// the listing's SWI1.
std::string SourceMnemonic(std::string_view mnemonic) {
    std::string name(mnemonic.substr(0, mnemonic.find(' ')));
    return name == "SWI1" ? "SWI" : name;
}

void CheckOpcode(int page, Byte opcode) {
    const DisasmEntry& entry = DisasmPage(page)[opcode];
    const std::vector<Form> forms = FormsOf(entry.kind);
    std::string source = " ORG $1000\n";
    for (const Form& form : forms)
        source += " " + SourceMnemonic(entry.mnemonic) + " " + form.source + "\n";
    const AsmResult result = AssembleSource(source, "forms.asm");
    ASSERT_TRUE(result.ok) << source << result.diagnostics.front().ToString();

    std::vector<Byte> opcodeBytes;
    if (page > 1) opcodeBytes.push_back(page == 2 ? 0x10 : 0x11);
    opcodeBytes.push_back(opcode);
    const std::string prefixText = page > 1 ? Hex2(opcodeBytes.front()) + " " : "";

    std::size_t formIndex = 0;
    disasm_test::Memory memory;
    for (const AsmListingLine& line : result.listing) {
        if (line.bytes.empty()) continue;
        ASSERT_LT(formIndex, forms.size());
        const Form& form = forms[formIndex++];
        SCOPED_TRACE(line.text);
        ASSERT_TRUE(line.address.has_value());
        const auto address = static_cast<Address>(*line.address);
        // The assembler picked this very opcode for the mnemonic and operand.
        ASSERT_GT(line.bytes.size(), opcodeBytes.size() - 1);
        ASSERT_TRUE(std::equal(opcodeBytes.begin(), opcodeBytes.end(), line.bytes.begin()));

        memory.Put(address, line.bytes);
        const DisassembledInstruction listed = DisassembleInstruction(memory.Reader(), address);
        const int length = static_cast<int>(line.bytes.size());
        EXPECT_EQ(listed.length, length);

        std::string column = prefixText;
        for (std::size_t i = prefixText.empty() ? 0 : 1; i < line.bytes.size(); ++i)
            column += Hex2(line.bytes[i]) + " ";
        column.resize(15, ' ');
        const bool branch =
            entry.kind == OperandKind::Relative8 || entry.kind == OperandKind::Relative16;
        const std::string operand =
            branch ? BranchText(address, length, form.distance) : form.listed;
        EXPECT_EQ(listed.text, column + std::string(entry.mnemonic) + operand);
    }
    EXPECT_EQ(formIndex, forms.size());
}

TEST(DisasmRoundTripTest, EveryOpcodeInEveryAddressingFormListsWhatWasAssembled) {
    for (int page = 1; page <= 3; ++page) {
        for (unsigned opcode = 0; opcode < 256; ++opcode) {
            const DisasmEntry& entry = DisasmPage(page)[opcode];
            if (!entry.Defined() || entry.mnemonic.empty()) continue;
            SCOPED_TRACE(entry.mnemonic);
            CheckOpcode(page, static_cast<Byte>(opcode));
        }
    }
}

}  // namespace
}  // namespace tarvok
