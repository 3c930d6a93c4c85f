// The debugger's stepping commands on the whole machine with the built-in monitor, on programs
// assembled by the project's assembler.
#include "machine/stepping.h"

#include <gtest/gtest.h>

#include <string>

#include "asm/asm_output.h"
#include "asm/assembler.h"
#include "core/hex_text.h"

namespace tarvok {
namespace {

class SteppingTest : public ::testing::Test {
protected:
    // Assembles `source`, loads its bytes and sets PC to the label START.
    void Load(const std::string& source) {
        const AsmResult result = AssembleSource(source, "test.asm");
        ASSERT_TRUE(result.ok) << (result.diagnostics.empty() ? ""
                                                              : result.diagnostics[0].ToString());
        for (unsigned address = 0; address <= 0xFFFF; ++address) {
            if (result.image.used[address])
                machine.Decoder().Write(static_cast<Address>(address), result.image.bytes[address]);
        }
        labels = AsmLabels(result);
        machine.Cpu().SetPC(At("START"));
    }
    Address At(const std::string& label) const { return *labels.AddressOf(label); }
    // Runs plain steps until PC is at `label`.
    void RunTo(const std::string& label) {
        for (int i = 0; i < 100000 && machine.Cpu().PC() != At(label); ++i)
            machine.Step();
        ASSERT_EQ(machine.Cpu().PC(), At(label));
    }
    StepOutcome Run(StepKind kind, std::uint64_t maxSteps = 1'000'000, Address target = 0) {
        SteppingRun run(machine, kind, target);
        return run.Advance(maxSteps);
    }

    Machine machine{MachineOptions{"6809.rom", true}};
    SymbolTable labels;
};

// FACT computes B! in A by calling itself with B-1 until B is 1.
constexpr const char* kRecursion = R"(
        ORG     $0400
START   LDS     #$1F00
        LDB     #5
MAIN    BSR     FACT
AFTER   STA     $0300
DONE    BRA     DONE
FACT    CMPB    #1
        BHI     DEEPER
        LDA     #1
        RTS
DEEPER  PSHS    B
        DECB
CALL    BSR     FACT
INNER   LDB     ,S+
        MUL
        TFR     B,A
        RTS
)";

TEST_F(SteppingTest, StepOverReturnsOnlyAtTheDepthOfTheCall) {
    Load(kRecursion);
    RunTo("CALL");  // in FACT(5), about to call FACT(4)
    const std::uint16_t depth = machine.Cpu().S();
    // The deeper calls come back to INNER too, but with less on the stack.
    EXPECT_EQ(Run(StepKind::StepOver), StepOutcome::Done);
    EXPECT_EQ(machine.Cpu().PC(), At("INNER"));
    EXPECT_EQ(machine.Cpu().S(), depth);
    EXPECT_EQ(machine.Cpu().A(), 24);  // 4!

    Load(kRecursion);
    RunTo("MAIN");
    EXPECT_EQ(Run(StepKind::StepOver), StepOutcome::Done);
    EXPECT_EQ(machine.Cpu().PC(), At("AFTER"));
    EXPECT_EQ(machine.Cpu().S(), 0x1F00);
    EXPECT_EQ(machine.Cpu().A(), 120);

    // Anything else is one step.
    EXPECT_EQ(Run(StepKind::StepOver), StepOutcome::Done);
    EXPECT_EQ(machine.Cpu().PC(), At("DONE"));
}

TEST_F(SteppingTest, BreakpointOnTheWayStopsAStepOverWithItsMessage) {
    Load(kRecursion);
    RunTo("MAIN");
    machine.SetSystemRunning(true);
    machine.Decoder().SetBreakpoint(At("INNER"), true);
    EXPECT_EQ(Run(StepKind::StepOver), StepOutcome::Breakpoint);
    EXPECT_EQ(machine.Cpu().PC(), At("INNER"));
    EXPECT_FALSE(machine.SystemRunning());
    ASSERT_FALSE(machine.Messages().Lines().empty());
    EXPECT_EQ(machine.Messages().Lines().back(), "Breakpoint bei Adresse ($" + Hex4(At("INNER")) +
                                                     ") erreicht: System wird angehalten;");
}

TEST_F(SteppingTest, StepOutLeavesTheCurrentCallNotTheNestedOnes) {
    Load(kRecursion);
    RunTo("CALL");
    const std::uint16_t depth = machine.Cpu().S();
    EXPECT_EQ(Run(StepKind::Step), StepOutcome::Done);  // into FACT(4)
    EXPECT_EQ(machine.Cpu().PC(), At("FACT"));
    EXPECT_EQ(Run(StepKind::StepOut), StepOutcome::Done);
    EXPECT_EQ(machine.Cpu().PC(), At("INNER"));
    EXPECT_EQ(machine.Cpu().S(), depth);
    EXPECT_EQ(machine.Cpu().A(), 24);  // FACT(4) has run to its end

    EXPECT_EQ(Run(StepKind::RunTo, 1'000'000, At("DONE")), StepOutcome::Done);
    EXPECT_EQ(machine.Cpu().A(), 120);
}

TEST_F(SteppingTest, StepOverSwiWaitsForTheMonitorToGoOn) {
    Load(R"(
        ORG     $0400
START   LDS     #$1F00
        LDA     #$42
TRAP    SWI
BACK    LDB     #$24
DONE    BRA     DONE
)");
    RunTo("TRAP");
    SteppingRun run(machine, StepKind::StepOver);
    // The monitor shows the registers and waits for a key.
    EXPECT_EQ(run.Advance(100'000), StepOutcome::Running);
    EXPECT_GE(machine.Cpu().PC(), 0xE000);
    EXPECT_EQ(run.Advance(100'000), StepOutcome::Running);
    // Go in register mode continues from the register image: after the SWI.
    machine.PressKey(KeypadKey::Go);
    EXPECT_EQ(run.Advance(100'000), StepOutcome::Done);
    machine.ReleaseKey(KeypadKey::Go);
    EXPECT_EQ(machine.Cpu().PC(), At("BACK"));
    EXPECT_EQ(machine.Cpu().S(), 0x1F00);
    EXPECT_EQ(machine.Cpu().A(), 0x42);
}

TEST_F(SteppingTest, StepOverSwi2RunsTheUserHookAsOneStep) {
    Load(R"(
        ORG     $0400
START   LDS     #$1F00
        LDX     #HOOK
        STX     $00E6           ; the monitor passes SWI2 to this hook
        CLRA
TRAP    SWI2
BACK    NOP
HOOK    INC     $0300
        RTI
)");
    RunTo("TRAP");
    EXPECT_EQ(Run(StepKind::StepOver, 1000), StepOutcome::Done);
    EXPECT_EQ(machine.Cpu().PC(), At("BACK"));
    EXPECT_EQ(machine.Cpu().S(), 0x1F00);
    EXPECT_EQ(machine.Decoder().Read(0x0300), 1);
}

// Timer 1 raises NMI every 500 cycles; the handler counts at $0300.
constexpr const char* kTimerNmi = R"(
        ORG     $0400
START   LDS     #$1F00
        LDX     #NMIH
        STX     $00E4           ; the monitor passes NMI to this hook
        LDA     #$01
        STA     $F019           ; CR2: offset 0 addresses CR1
        LDD     #499
        STD     $F01A           ; timer 1 latches
        LDA     #$42            ; continuous, processor clock, interrupt enabled
        STA     $F018
LOOP    BRA     LOOP
NMIH    LDA     $F019
        LDA     $F01B           ; clears the flag
        BSR     COUNT
        RTI
COUNT   INC     $0300
        RTS
)";

TEST_F(SteppingTest, StepOutOfATimerNmiHandlerReturnsToTheInterruptedLoop) {
    Load(kTimerNmi);
    RunTo("NMIH");
    EXPECT_EQ(machine.Decoder().Read(0x0300), 0);
    // The handler's own call returns first; only its RTI ends the command.
    EXPECT_EQ(Run(StepKind::StepOut), StepOutcome::Done);
    EXPECT_EQ(machine.Cpu().PC(), At("LOOP"));
    EXPECT_EQ(machine.Cpu().S(), 0x1F00);
    EXPECT_EQ(machine.Decoder().Read(0x0300), 1);
}

TEST_F(SteppingTest, StepOverAtAPendingInterruptRunsTheHandlerThenTheInstruction) {
    Load(kTimerNmi);
    RunTo("NMIH");
    EXPECT_EQ(Run(StepKind::StepOut), StepOutcome::Done);
    // Wait at LOOP until the next NMI is due.
    for (int i = 0; i < 1000 && !NextInterruptEntry(machine.Cpu().State()); ++i)
        machine.Step();
    ASSERT_TRUE(NextInterruptEntry(machine.Cpu().State()));
    EXPECT_EQ(Run(StepKind::StepOver), StepOutcome::Done);
    EXPECT_EQ(machine.Decoder().Read(0x0300), 2);
    EXPECT_EQ(machine.Cpu().PC(), At("LOOP"));  // BRA LOOP has run once more
    EXPECT_EQ(machine.Cpu().S(), 0x1F00);
}

}  // namespace
}  // namespace tarvok
