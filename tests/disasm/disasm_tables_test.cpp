// The disassembler's own opcode tables describe the instruction set that the processor executes.

#include <gtest/gtest.h>

#include "cpu/instruction_length.h"
#include "cpu/mc6809.h"
#include "disasm/disasm_tables.h"
#include "disasm/disassembler.h"
#include "disasm_memory.h"

namespace tarvok {
namespace {

constexpr Byte kPrefixOfPage[] = {0x00, 0x00, 0x10, 0x11};

TEST(DisasmTablesTest, EveryRowAgreesWithTheProcessorOnExistenceAndLength) {
    for (int page = 1; page <= 3; ++page) {
        const Byte prefix = kPrefixOfPage[page];
        for (unsigned opcode = 0; opcode < 256; ++opcode) {
            SCOPED_TRACE("page " + std::to_string(page) + " opcode " + std::to_string(opcode));
            const DisasmEntry& entry = DisasmPage(page)[opcode];
            const auto code = static_cast<Byte>(opcode);
            ASSERT_EQ(entry.Defined(), Mc6809::IsDefinedOpcode(prefix, code));
            // Undefined codes take one byte; a prefix row leads on to page 2 or 3.
            if (!entry.Defined() || entry.mnemonic.empty()) {
                EXPECT_EQ(entry.length, 1);
                continue;
            }
            // Postbyte $84 (,X) has no offset bytes, so the row length is the whole length.
            const int processorLength = page == 1 ? Mc6809InstructionLength(code, 0x84, 0x84)
                                                  : Mc6809InstructionLength(prefix, code, 0x84);
            EXPECT_EQ(entry.length, processorLength);
            EXPECT_EQ(entry.mnemonic.size(), 5u);
        }
    }
}

// Every opcode followed by every second byte (and a third one): the instruction is as long as
// the processor finds it, except that the listing goes on right after the prefix of an undefined
// page-2 or page-3 code, which the processor skips together with that code.
TEST(DisasmTablesTest, InstructionLengthsAgreeWithTheProcessorForAllByteSequences) {
    disasm_test::Memory memory;
    const DisasmByteReader read = memory.Reader();
    for (unsigned first = 0; first < 256; ++first) {
        for (unsigned second = 0; second < 256; ++second) {
            for (const Byte third : {Byte{0x84}, Byte{0x9F}}) {
                const auto b0 = static_cast<Byte>(first);
                const auto b1 = static_cast<Byte>(second);
                memory.Put(0x0400, {b0, b1, third});
                const bool prefixed = b0 == 0x10 || b0 == 0x11;
                const bool undefinedAfterPrefix =
                    prefixed && b1 != 0x10 && b1 != 0x11 && !Mc6809::IsDefinedOpcode(b0, b1);
                const int expected =
                    undefinedAfterPrefix ? 1 : Mc6809InstructionLength(b0, b1, third);
                ASSERT_EQ(DisassembleInstruction(read, 0x0400).length, expected)
                    << std::hex << first << " " << second << " " << unsigned{third};
            }
            memory.reads.clear();
        }
    }
}

TEST(DisasmTablesTest, UndefinedPostbytesAreThoseTheProcessorRejects) {
    disasm_test::Memory memory;
    for (unsigned postbyte = 0; postbyte < 256; ++postbyte) {
        memory.Put(0x0400, {0xA6, static_cast<Byte>(postbyte)});
        const std::string text = DisassembleInstruction(memory.Reader(), 0x0400).text;
        EXPECT_EQ(text.find("?????") != std::string::npos,
                  !Mc6809::VerifyPostbyte(static_cast<Byte>(postbyte)))
            << text;
    }
}

}  // namespace
}  // namespace tarvok
