// Labels in the listing: a line before each labelled instruction, labels for jump and branch
// targets, and nothing else changed.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "disasm/disassembler.h"
#include "disasm_memory.h"

namespace tarvok {
namespace {

TEST(DisasmLabelsTest, LabelLinesAndTargetsNameTheAddresses) {
    disasm_test::Memory memory;
    // $0400: JSR $0410; BNE $0400; LDX #$0410; JMP $0412 (no label); $0410: RTS.
    memory.Put(0x0400, {0xBD, 0x04, 0x10, 0x26, 0xFB, 0x8E, 0x04, 0x10, 0x7E, 0x04, 0x12});
    memory.Put(0x0410, {0x39});
    SymbolTable symbols;
    symbols.Add("START", 0x0400);
    symbols.Add("PRINT", 0x0410);
    symbols.Add("INSIDE", 0x0401);  // inside an instruction: no line of its own

    const std::vector<ListingLine> lines =
        DisassembleListing(memory.Reader(), 0x0400, 0x0410, &symbols);
    std::vector<std::string> texts;
    std::vector<Address> addresses;
    for (const ListingLine& line : lines) {
        texts.push_back(line.text);
        addresses.push_back(line.address);
    }
    ASSERT_GE(texts.size(), 6u);
    EXPECT_EQ(texts[0], "START:");
    EXPECT_EQ(texts[1], "0400: BD 04 10       JSR   PRINT");
    EXPECT_EQ(texts[2], "0403: 26 FB          BNE   -5; START");
    EXPECT_EQ(texts[3], "0405: 8E 04 10       LDX   #$0410");  // immediates stay numbers
    EXPECT_EQ(texts[4], "0408: 7E 04 12       JMP   $0412");
    EXPECT_EQ(addresses[0], 0x0400);
    EXPECT_EQ(addresses[2], 0x0403);
    EXPECT_EQ(texts.back(), "0410: 39             RTS  ");
    EXPECT_EQ(texts[texts.size() - 2], "PRINT:");
    EXPECT_EQ(addresses[texts.size() - 2], 0x0410);

    // Without symbols the listing is the plain one.
    const std::vector<std::string> plain = DisassembleRange(memory.Reader(), 0x0400, 0x0403);
    EXPECT_EQ(plain, (std::vector<std::string>{"0400: BD 04 10       JSR   $0410",
                                               "0403: 26 FB          BNE   -5; $0400"}));
}

}  // namespace
}  // namespace tarvok
