#include <gtest/gtest.h>

#include "cpu_fixture.h"

namespace tarvok::testing {
namespace {

constexpr Address kNmiHandler = 0x0600;
constexpr Address kFirqHandler = 0x0700;
constexpr Address kIrqHandler = 0x0800;
constexpr Address kSwiHandler = 0x0900;
constexpr Address kSwi2Handler = 0x0A00;
constexpr Address kSwi3Handler = 0x0B00;

class InterruptTest : public CpuTest {
protected:
    InterruptTest() {
        SetWord(0xFFFC, kNmiHandler);
        SetWord(0xFFF6, kFirqHandler);
        SetWord(0xFFF8, kIrqHandler);
        SetWord(0xFFFA, kSwiHandler);
        SetWord(0xFFF4, kSwi2Handler);
        SetWord(0xFFF2, kSwi3Handler);
        cpu.AddListener(&listener);
        // NOPs everywhere the tests run
        for (Address a = kProgram; a < kProgram + 0x40; ++a)
            decoder.Write(a, 0x12);
    }
    void Irq(const void* source, bool level, std::uint16_t line = 1) {
        cpu.SetInterruptInput(source, line, kIrqInput, level);
    }
    RecordingListener listener;
    int deviceA = 0;
    int deviceB = 0;
};

TEST_F(InterruptTest, IrqInputIsWiredAnd) {
    Irq(&deviceA, false);
    Irq(&deviceB, true);
    EXPECT_FALSE(cpu.State().irq.line);
    Irq(&deviceB, false);
    Irq(&deviceA, true);
    EXPECT_FALSE(cpu.State().irq.line);
    Irq(&deviceB, true);
    EXPECT_TRUE(cpu.State().irq.line);
    const std::vector<std::pair<std::uint16_t, bool>> expected = {{1, false}, {1, true}};
    EXPECT_EQ(listener.inputs, expected);
}

TEST_F(InterruptTest, SourceLinesOfOneSenderAreSeparate) {
    Irq(&deviceA, false, 1);
    Irq(&deviceA, true, 2);
    EXPECT_FALSE(cpu.State().irq.line);
    Irq(&deviceA, true, 1);
    EXPECT_TRUE(cpu.State().irq.line);
}

TEST_F(InterruptTest, RepeatedLevelSendsNoNotice) {
    Irq(&deviceA, false);
    Irq(&deviceA, false);
    EXPECT_EQ(listener.inputs.size(), 1u);
    cpu.SetInterruptInput(&deviceA, 1, 7, false);  // no such input
    EXPECT_EQ(listener.inputs.size(), 1u);
}

TEST_F(InterruptTest, IrqStacksEntireStateAndMasksI) {
    cpu.SetS(0x1000);
    cpu.SetCC(0x00);
    cpu.SetPC(kProgram);
    cpu.SetD(0xA1B2);
    cpu.SetX(0x1111);
    cpu.SetY(0x2222);
    cpu.SetU(0x3333);
    cpu.SetDP(0x44);
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kIrqHandler);
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    EXPECT_TRUE(cpu.Flag(kFlagI));
    EXPECT_FALSE(cpu.Flag(kFlagF));
    EXPECT_EQ(Peek(0x0FF4), kFlagE);  // stacked CC carries E
    EXPECT_EQ(Peek(0x0FF5), 0xA1);
    EXPECT_EQ(Peek(0x0FF6), 0xB2);
    EXPECT_EQ(Peek(0x0FF7), 0x44);
    EXPECT_EQ(PeekWord(0x0FF8), 0x1111);
    EXPECT_EQ(PeekWord(0x0FFA), 0x2222);
    EXPECT_EQ(PeekWord(0x0FFC), 0x3333);
    EXPECT_EQ(PeekWord(0x0FFE), kProgram);
}

TEST_F(InterruptTest, MaskedIrqWaitsForAndcc) {
    cpu.SetS(0x1000);
    cpu.SetCC(kFlagI);
    Program({0x12, 0x1C, 0xEF, 0x12});
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 2);
    EXPECT_EQ(Step(), 3);  // ANDCC #$EF
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kIrqHandler);
    EXPECT_EQ(PeekWord(0x0FFE), kProgram + 3);
}

TEST_F(InterruptTest, FirqBeforeIrqAndFirqStacksPcAndCcOnly) {
    cpu.SetS(0x1000);
    cpu.SetCC(kFlagE);
    cpu.SetPC(kProgram);
    Irq(&deviceA, false);
    cpu.SetInterruptInput(&deviceB, 1, kFirqInput, false);
    EXPECT_EQ(Step(), 10);
    EXPECT_EQ(cpu.PC(), kFirqHandler);
    EXPECT_EQ(cpu.S(), 0x1000 - 3);
    EXPECT_EQ(Peek(0x0FFD), 0x00);  // E cleared before stacking
    EXPECT_EQ(PeekWord(0x0FFE), kProgram);
    EXPECT_TRUE(cpu.Flag(kFlagI));
    EXPECT_TRUE(cpu.Flag(kFlagF));
    // The handler clears I; the IRQ comes next.
    Poke(kFirqHandler, {0x1C, 0xEF});
    EXPECT_EQ(Step(), 3);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kIrqHandler);
}

TEST_F(InterruptTest, NmiIsNotTakenBeforeSIsWritten) {
    cpu.Reset();
    cpu.SetPC(kProgram);
    cpu.SetInterruptInput(&deviceA, 1, kNmiInput, false);
    EXPECT_EQ(Step(), 2);
    EXPECT_EQ(cpu.PC(), kProgram + 1);
    Poke(kProgram + 1, {0x10, 0xCE, 0x10, 0x00});  // LDS #$1000 arms
    EXPECT_EQ(Step(), 4);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kNmiHandler);
    EXPECT_TRUE(cpu.Flag(kFlagI));
    EXPECT_TRUE(cpu.Flag(kFlagF));
}

TEST_F(InterruptTest, NmiEdgeStaysPendingAfterRelease) {
    cpu.SetS(0x1000);
    cpu.SetPC(kProgram);
    cpu.SetInterruptInput(&deviceA, 1, kNmiInput, false);
    cpu.SetInterruptInput(&deviceA, 1, kNmiInput, true);
    Poke(kNmiHandler, {0x12});
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kNmiHandler);
    EXPECT_EQ(Step(), 2);  // taken once only
}

TEST_F(InterruptTest, NmiBeatsFirqAndIgnoresMasks) {
    cpu.SetS(0x1000);
    cpu.SetCC(kFlagI | kFlagF);
    cpu.SetPC(kProgram);
    cpu.SetInterruptInput(&deviceA, 1, kFirqInput, false);
    cpu.SetInterruptInput(&deviceB, 1, kNmiInput, false);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kNmiHandler);
}

TEST_F(InterruptTest, SoftwareInterrupts) {
    cpu.SetS(0x1000);
    cpu.SetCC(0x00);
    Program({0x3F});
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kSwiHandler);
    EXPECT_TRUE(cpu.Flag(kFlagI));
    EXPECT_TRUE(cpu.Flag(kFlagF));
    EXPECT_TRUE(cpu.Flag(kFlagE));

    cpu.SetCC(0x00);
    Program({0x10, 0x3F});
    EXPECT_EQ(Step(), 20);
    EXPECT_EQ(cpu.PC(), kSwi2Handler);
    EXPECT_FALSE(cpu.Flag(kFlagI));
    EXPECT_FALSE(cpu.Flag(kFlagF));

    Program({0x11, 0x3F});
    EXPECT_EQ(Step(), 20);
    EXPECT_EQ(cpu.PC(), kSwi3Handler);
    EXPECT_FALSE(cpu.Flag(kFlagI));
}

TEST_F(InterruptTest, SwiThenRtiRestoresEverything) {
    cpu.SetS(0x1000);
    cpu.SetCC(0x01);
    cpu.SetD(0x1234);
    cpu.SetX(0x5678);
    Program({0x3F, 0x12});
    Poke(kSwiHandler, {0x4F, 0x5F, 0x8E, 0x00, 0x00, 0x3B});  // CLRA CLRB LDX #0 RTI
    Steps(4);
    EXPECT_EQ(Step(), 15);
    EXPECT_EQ(cpu.PC(), kProgram + 1);
    EXPECT_EQ(cpu.D(), 0x1234);
    EXPECT_EQ(cpu.X(), 0x5678);
    EXPECT_EQ(cpu.CC(), 0x81);
    EXPECT_EQ(cpu.S(), 0x1000);
}

TEST_F(InterruptTest, RtiAfterFirqPullsOnlyCcAndPc) {
    cpu.SetS(0x1000);
    cpu.SetCC(0x00);
    cpu.SetPC(kProgram);
    cpu.SetInterruptInput(&deviceA, 1, kFirqInput, false);
    Step();
    cpu.SetInterruptInput(&deviceA, 1, kFirqInput, true);
    cpu.SetA(0x77);
    Poke(kFirqHandler, {0x3B});
    EXPECT_EQ(Step(), 6);
    EXPECT_EQ(cpu.PC(), kProgram);
    EXPECT_EQ(cpu.A(), 0x77);
    EXPECT_EQ(cpu.S(), 0x1000);
}

TEST_F(InterruptTest, ResetKeepsRegistersAndMasks) {
    cpu.SetD(0x1234);
    cpu.SetX(0x1111);
    cpu.SetY(0x2222);
    cpu.SetU(0x3333);
    cpu.SetS(0x4444);
    cpu.SetDP(0x55);
    cpu.SetCC(0x0F);
    SetWord(0xFFFE, 0xE123);
    cpu.Reset();
    EXPECT_EQ(cpu.D(), 0x1234);
    EXPECT_EQ(cpu.X(), 0x1111);
    EXPECT_EQ(cpu.Y(), 0x2222);
    EXPECT_EQ(cpu.U(), 0x3333);
    EXPECT_EQ(cpu.S(), 0x4444);
    EXPECT_EQ(cpu.DP(), 0x00);
    EXPECT_EQ(cpu.CC(), 0x0F | kFlagI | kFlagF);
    EXPECT_EQ(cpu.PC(), 0xE123);
    EXPECT_FALSE(cpu.State().nmiArmed);
}

TEST_F(InterruptTest, WithoutDecoderNothingRuns) {
    Mc6809 lone;
    lone.SetPC(0x1234);
    lone.Reset();
    EXPECT_EQ(lone.PC(), 0x1234);
    EXPECT_EQ(lone.Run(5), 0);
    EXPECT_EQ(lone.Read(0x0000, false), 0xFF);
    EXPECT_EQ(lone.Size(), 0);
}

// ---- SYNC ----

class SyncTest : public InterruptTest {
protected:
    SyncTest() {
        cpu.SetS(0x1000);
        cpu.SetCC(0x00);
        Program({0x13, 0x12});
    }
};

TEST_F(SyncTest, WaitsWhileInputsAreQuiet) {
    EXPECT_EQ(Step(), 4);
    EXPECT_TRUE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Step(), 1);
    EXPECT_EQ(cpu.PC(), kProgram);
}

TEST_F(SyncTest, UnmaskedIrqMustStayForThreeSteps) {
    Step();
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Step(), 1);
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram + 1);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kIrqHandler);
    EXPECT_EQ(PeekWord(0x0FFE), kProgram + 1);
}

TEST_F(SyncTest, IrqForTwoStepsOnlyEndsSyncWithoutInterrupt) {
    Step();
    Irq(&deviceA, false);
    Step();
    Step();
    Irq(&deviceA, true);
    EXPECT_EQ(Step(), 1);
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram + 1);
    EXPECT_EQ(Step(), 2);  // NOP after SYNC
}

TEST_F(SyncTest, MaskedIrqEndsSyncAtOnce) {
    cpu.SetCC(kFlagI);
    Step();
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 1);
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram + 1);
    EXPECT_EQ(Step(), 2);
}

TEST_F(SyncTest, ActiveInputCompletesSyncImmediately) {
    cpu.SetCC(kFlagI);
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 4);
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram + 1);
}

TEST_F(SyncTest, NmiEdgeWhenUnarmedEndsSync) {
    cpu.Reset();
    cpu.SetPC(kProgram);
    Step();
    cpu.SetInterruptInput(&deviceA, 1, kNmiInput, false);
    Step();
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram + 1);
}

TEST_F(SyncTest, ArmedNmiTakenAfterThreeSteps) {
    Step();
    cpu.SetInterruptInput(&deviceA, 1, kNmiInput, false);
    Steps(3);
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kNmiHandler);
}

// ---- CWAI ----

TEST_F(InterruptTest, CwaiStacksOnceAndRtiReturnsAfterIt) {
    cpu.SetS(0x1000);
    cpu.SetCC(kFlagI | kFlagF);
    cpu.SetD(0x1234);
    Program({0x3C, 0xEF, 0x12});
    Poke(kIrqHandler, {0x4F, 0x3B});  // CLRA RTI
    EXPECT_EQ(Step(), 20);
    EXPECT_TRUE(cpu.State().waiting);
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    EXPECT_EQ(cpu.PC(), kProgram);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Step(), 1);
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 1);  // CWAI sees the interrupt and ends waiting
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    EXPECT_EQ(Step(), 19);  // no second stacking
    EXPECT_EQ(cpu.PC(), kIrqHandler);
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    EXPECT_TRUE(cpu.Flag(kFlagE));
    Irq(&deviceA, true);
    Step();  // CLRA
    EXPECT_EQ(Step(), 15);
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    EXPECT_EQ(cpu.S(), 0x1000);
    EXPECT_EQ(cpu.A(), 0x12);
    EXPECT_EQ(cpu.CC(), kFlagE | kFlagF);
}

TEST_F(InterruptTest, CwaiThatUnmasksAPendingInterruptDoesNotWait) {
    cpu.SetS(0x1000);
    cpu.SetCC(kFlagF);
    cpu.SetInterruptInput(&deviceA, 1, kFirqInput, false);
    Program({0x3C, 0xBF});  // clears F
    EXPECT_EQ(Step(), 20);
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    EXPECT_EQ(Step(), 10);  // FIRQ entry without stacking again
    EXPECT_EQ(cpu.PC(), kFirqHandler);
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    EXPECT_TRUE(cpu.Flag(kFlagE));
    EXPECT_TRUE(cpu.Flag(kFlagF));
    EXPECT_TRUE(cpu.Flag(kFlagI));
}

TEST_F(InterruptTest, CwaiKeepsWaitingForMaskedInterrupt) {
    cpu.SetS(0x1000);
    cpu.SetCC(0x00);
    Program({0x3C, 0xFF});
    EXPECT_EQ(Step(), 20);
    cpu.SetCC(cpu.CC() | kFlagF);
    cpu.SetInterruptInput(&deviceA, 1, kFirqInput, false);
    EXPECT_EQ(Step(), 1);
    EXPECT_TRUE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram);
}

// CWAI #$EF with the IRQ and NMI handlers each a bare RTI.
class CwaiTest : public InterruptTest {
protected:
    CwaiTest() {
        Poke(kIrqHandler, {0x3B});
        Poke(kNmiHandler, {0x3B});
        cpu.SetS(0x1000);
        cpu.SetCC(kFlagI | kFlagF);
        Program({0x3C, 0xEF, 0x4C, 0x4C});  // CWAI #$EF, INCA, INCA
    }
};

TEST_F(CwaiTest, NmiAfterCwaiStacksOnceAndMasksBoth) {
    EXPECT_EQ(Step(), 20);
    cpu.SetInterruptInput(&deviceA, 1, kNmiInput, false);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.PC(), kNmiHandler);
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    EXPECT_TRUE(cpu.State().nmiIdle);
    EXPECT_EQ(cpu.CC() & (kFlagE | kFlagF | kFlagI), kFlagE | kFlagF | kFlagI);
    EXPECT_EQ(Step(), 15);
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    EXPECT_EQ(cpu.S(), 0x1000);
}

// The stacked state belongs to the interrupt that ends CWAI: if that interrupt goes away before
// it is taken, the processor holds after CWAI instead of running on with the state stacked.
TEST_F(CwaiTest, InterruptGoneBeforeEntryKeepsHolding) {
    cpu.SetA(0x10);
    EXPECT_EQ(Step(), 20);
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 1);  // waiting ends
    EXPECT_FALSE(cpu.State().waiting);
    Irq(&deviceA, true);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(Step(), 1);
    EXPECT_EQ(cpu.A(), 0x10);
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 19);  // taken without stacking again
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    Irq(&deviceA, true);
    EXPECT_EQ(Step(), 15);
    EXPECT_EQ(cpu.S(), 0x1000);
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    EXPECT_EQ(Step(), 2);  // INCA
    EXPECT_EQ(cpu.A(), 0x11);
}

// A reset ends the wait and forgets the stacked state: the program starts afresh and the next
// interrupt stacks for itself.
TEST_F(CwaiTest, ResetEndsTheWaitAndForgetsTheStackedState) {
    EXPECT_EQ(Step(), 20);
    ASSERT_TRUE(cpu.State().stateStacked);
    SetWord(0xFFFE, kProgram + 2);
    cpu.Reset();
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_FALSE(cpu.State().stateStacked);
    cpu.SetA(0x10);
    EXPECT_EQ(Step(), 2);  // INCA
    EXPECT_EQ(cpu.A(), 0x11);
    cpu.SetCC(0x00);
    cpu.SetS(0x1000);
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    EXPECT_EQ(PeekWord(0x0FFE), kProgram + 3);
}

// A debugger that moves PC while the processor waits lets the program go on at the new PC; the
// frame CWAI stacked stays where it is and the next interrupt stacks its own.
TEST_F(CwaiTest, EndWaitContinuesAtTheNewPc) {
    EXPECT_EQ(Step(), 20);
    ASSERT_TRUE(cpu.State().waiting);
    cpu.SetA(0x10);
    cpu.SetPC(kProgram + 2);
    cpu.EndWait();
    EXPECT_EQ(Step(), 2);  // INCA
    EXPECT_EQ(cpu.A(), 0x11);
    EXPECT_EQ(cpu.S(), 0x1000 - 12);
    cpu.SetCC(0x00);
    Irq(&deviceA, false);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(cpu.S(), 0x1000 - 24);
    EXPECT_EQ(PeekWord(0x1000 - 14), kProgram + 3);
}

TEST_F(SyncTest, EndWaitContinuesAtTheNewPc) {
    EXPECT_EQ(Step(), 4);
    Irq(&deviceA, false);
    Step();
    ASSERT_EQ(cpu.State().syncCount, 1);
    Irq(&deviceA, true);
    cpu.SetPC(kProgram + 1);
    cpu.EndWait();
    EXPECT_EQ(Step(), 2);  // the NOP after SYNC
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    Program({0x13});
    EXPECT_EQ(Step(), 4);  // a new SYNC waits afresh
    EXPECT_EQ(Step(), 1);
    EXPECT_TRUE(cpu.State().waiting);
    EXPECT_EQ(cpu.PC(), kProgram);
}

TEST_F(SyncTest, ResetEndsTheWait) {
    EXPECT_EQ(Step(), 4);
    Irq(&deviceA, false);
    Step();
    ASSERT_EQ(cpu.State().syncCount, 1);
    SetWord(0xFFFE, kProgram + 1);
    cpu.Reset();
    Irq(&deviceA, true);
    EXPECT_FALSE(cpu.State().waiting);
    EXPECT_EQ(cpu.State().syncCount, 0);
    EXPECT_EQ(cpu.State().syncSource, 0);
    EXPECT_EQ(Step(), 2);  // the NOP after SYNC
}

// ---- listener ----

TEST_F(InterruptTest, SettersNotifyOnlyOnChange) {
    listener.registers.clear();
    cpu.SetA(cpu.A());
    EXPECT_TRUE(listener.registers.empty());
    cpu.SetA(0x12);
    cpu.SetD(0x3456);
    cpu.SetB(0x56);
    const std::vector<std::pair<Mc6809Register, std::uint16_t>> expected = {
        {Mc6809Register::A, 0x12}, {Mc6809Register::D, 0x3456}};
    EXPECT_EQ(listener.registers, expected);
}

TEST_F(InterruptTest, WritingSWithSameValueStillArmsNmi) {
    cpu.Reset();
    cpu.SetS(0x1000);
    cpu.Reset();
    listener.registers.clear();
    cpu.SetS(0x1000);
    EXPECT_TRUE(cpu.State().nmiArmed);
    EXPECT_TRUE(listener.registers.empty());
}

TEST_F(InterruptTest, StepAnnouncesProgramCounterOnce) {
    cpu.SetPC(kProgram);
    listener.registers.clear();
    Step();
    const std::vector<std::pair<Mc6809Register, std::uint16_t>> expected = {
        {Mc6809Register::PC, kProgram + 1}};
    EXPECT_EQ(listener.registers, expected);
}

}  // namespace
}  // namespace tarvok::testing
