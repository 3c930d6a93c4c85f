// An assembled program loaded into RAM and run on the processor computes what its source says.

#include <gtest/gtest.h>

#include "asm_test_support.h"
#include "core/address_decoder.h"
#include "core/memory_devices.h"
#include "core/output_sink.h"
#include "cpu/mc6809.h"

namespace tarvok {
namespace {

constexpr const char* kProgram = R"(
* Sums a table, measures a string through a subroutine, reads through a pointer.
        ORG     $0400
START   LDS     #$1F00
        LDX     #TABLE
        CLRA
        CLRB
        LDY     #5              five entries
LOOP    ADDB    ,X+
        ADCA    #0
        LEAY    -1,Y
        BNE     LOOP
        STD     RESULT
        LEAX    MSG,PCR
        LBSR    COUNT
        STB     LENGTH
        LDA     [PTR]
        STA     INDIRECT
        LDA     #$5A
        STA     <$80            direct page 0
        LDB     #3
        LDA     B,X             'L' of HELLO
        EXG     A,B
        STB     ACCOFFSET
DONE    BRA     DONE

COUNT   PSHS    X               length of the string at X in B
        CLRB
CLOOP   TST     ,X+
        BEQ     CEND
        INCB
        BRA     CLOOP
CEND    PULS    X,PC

TABLE   FCB     10,20,30,40,250
MSG     FCC     /HELLO/
        FCB     0
PTR     FDB     MSG+1
RESULT  RMB     2
LENGTH  RMB     1
INDIRECT RMB    1
ACCOFFSET RMB   1
        END     START
)";

TEST(AsmRoundTripTest, AssembledProgramRunsOnTheProcessor) {
    const AsmResult result = AssembleSource(kProgram, "roundtrip.asm");
    ASSERT_TRUE(result.ok) << asm_test::Messages(result);

    AddressDecoder decoder;
    MessageLines messages;
    decoder.SetOutput(&messages);
    decoder.SetBeepOnMessage(false);
    Ram ram;
    ram.SetDecoder(&decoder);
    ram.Install();
    Mc6809 cpu;
    cpu.SetDecoder(&decoder);
    cpu.Install();
    for (unsigned a = 0; a <= 0xFFFF; ++a) {
        if (result.image.used[a]) decoder.Write(static_cast<Address>(a), result.image.bytes[a]);
    }
    ASSERT_TRUE(result.entryPoint.has_value());
    cpu.SetPC(*result.entryPoint);

    const std::int64_t done = asm_test::SymbolValue(result, "DONE");
    const std::int64_t resultAddress = asm_test::SymbolValue(result, "RESULT");
    const std::int64_t lengthAddress = asm_test::SymbolValue(result, "LENGTH");
    ASSERT_GE(done, 0);
    for (int step = 0; step < 1000 && cpu.PC() != done; ++step)
        cpu.Run(0);

    ASSERT_EQ(cpu.PC(), done);
    const auto peek = [&](std::int64_t a) { return decoder.Read(static_cast<Address>(a), true); };
    EXPECT_EQ(peek(resultAddress) * 256 + peek(resultAddress + 1), 350);
    EXPECT_EQ(peek(lengthAddress), 5);
    EXPECT_EQ(peek(lengthAddress + 1), 'E');
    EXPECT_EQ(peek(lengthAddress + 2), 'L');
    EXPECT_EQ(peek(0x80), 0x5A);
    EXPECT_EQ(cpu.S(), 0x1F00);
    EXPECT_TRUE(messages.Lines().empty());
}

}  // namespace
}  // namespace tarvok
