#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "cpu_fixture.h"

namespace tarvok::testing {
namespace {

// Shared by both processors of a comparison, so that their interrupt source lists are equal.
const int kPageSenderTag = 0;
const int kOutsideSenderTag = 0;

// A page of memory that, on some of the processor's accesses, moves an interrupt input, asks
// the processor to stop or attaches or removes a listener: the way devices and windows act in
// the middle of an instruction.
class BusyPage : public Device {
public:
    static constexpr Address kBase = 0xC000;

    BusyPage(Mc6809& cpu, Mc6809Listener& listener, std::uint32_t seed)
        : Device(kBase, 0x100), cpu_(cpu), listener_(listener), random_(seed) {}
    Byte Read(Address address, bool peek) override {
        if (!peek) Act();
        return bytes_[address - kBase];
    }
    void Write(Address address, Byte value) override {
        Act();
        bytes_[address - kBase] = value;
    }
    // A stop asked for during the last step and not yet honoured.
    bool stopAsked = false;

private:
    void Act() {
        const std::uint32_t roll = random_() % 16;
        if (roll < 3) {
            cpu_.SetInterruptInput(&kPageSenderTag, 1, static_cast<std::uint16_t>(roll + 1),
                                   random_() % 4 != 0);
        } else if (roll == 3) {
            cpu_.RequestStop();
            stopAsked = true;
        } else if (roll == 4) {
            if (random_() % 4 == 0) {
                cpu_.AddListener(&listener_);
            } else {
                cpu_.RemoveListener(&listener_);
            }
        }
    }

    Mc6809& cpu_;
    Mc6809Listener& listener_;
    std::mt19937 random_;
    std::array<Byte, 0x100> bytes_{};
};

// A processor over 64 KB of random RAM with the busy page at $C000.
struct Board {
    explicit Board(std::uint32_t seed) : page(cpu, listener, seed) {
        decoder.SetOutput(&messages);
        decoder.SetBeepOnMessage(false);
        for (std::size_t i = 0; i < ram.size(); ++i) {
            ram[i].SetBaseAddress(static_cast<Address>(i * StorageDevice::kSize));
            ram[i].SetDecoder(&decoder);
            ram[i].Install();
        }
        page.SetDecoder(&decoder);
        page.Install();
        std::mt19937 random(seed);
        for (unsigned address = 0; address < 0x10000; ++address)
            decoder.Write(static_cast<Address>(address), static_cast<Byte>(random()));
        cpu.SetDecoder(&decoder);
        cpu.Install();
        for (std::uint16_t input : {kIrqInput, kFirqInput, kNmiInput})
            cpu.SetInterruptInput(&kPageSenderTag, 1, input, true);
        Mc6809State state = cpu.State();
        state.nmiIdle = true;
        state.d = static_cast<std::uint16_t>(random());
        state.x = static_cast<std::uint16_t>(random());
        state.y = static_cast<std::uint16_t>(random());
        state.u = static_cast<std::uint16_t>(random());
        state.s = static_cast<std::uint16_t>(random());
        state.pc = static_cast<std::uint16_t>(random());
        state.dp = static_cast<Byte>(random());
        state.cc = static_cast<Byte>(random());
        state.nmiArmed = (random() & 1) != 0;
        cpu.RestoreState(state);
        for (int i = 0; i < 40; ++i)
            decoder.SetBreakpoint(static_cast<Address>(random()), true);
    }

    AddressDecoder decoder;
    MessageLines messages;
    std::array<Ram, 8> ram;
    Mc6809 cpu;
    RecordingListener listener;
    BusyPage page;
};

// What RunFor(budget) promises, done with one-step Run calls.
Mc6809::RunResult RunStepByStep(Board& board, std::uint64_t budget) {
    Mc6809::RunResult result;
    while (result.cycles < budget) {
        if (board.page.stopAsked) {
            board.page.stopAsked = false;
            result.end = Mc6809::RunEnd::StopRequest;
            break;
        }
        result.cycles += board.cpu.Run(0);
        ++result.steps;
        if (board.decoder.HasBreakpoint(board.cpu.PC())) {
            result.end = Mc6809::RunEnd::Breakpoint;
            break;
        }
    }
    return result;
}

class RunForDifferentialTest : public ::testing::TestWithParam<std::uint32_t> {};

// Random programs over random memory, with interrupt inputs moved between calls and during
// instructions, listeners coming and going, stops and breakpoints: RunFor must leave exactly
// the state, memory, messages and notices that the same steps by Run leave.
TEST_P(RunForDifferentialTest, MatchesStepByStep) {
    const std::uint32_t seed = GetParam();
    Board stepped(seed);
    Board bulk(seed);
    std::mt19937 random(seed ^ 0x5EED);
    std::uint64_t lean = 0;
    bool listening = false;
    for (int call = 0; call < 2000; ++call) {
        const std::uint32_t roll = random() % 32;
        if (roll < 3) {
            const auto input = static_cast<std::uint16_t>(roll + 1);
            const bool level = random() % 4 != 0;
            for (Board* board : {&stepped, &bulk})
                board->cpu.SetInterruptInput(&kOutsideSenderTag, 1, input, level);
        } else if (roll == 3) {
            listening = random() % 4 == 0;
            for (Board* board : {&stepped, &bulk}) {
                if (listening) {
                    board->cpu.AddListener(&board->listener);
                } else {
                    board->cpu.RemoveListener(&board->listener);
                }
            }
        }
        const std::uint64_t budget = 1 + random() % 300;
        const Mc6809::RunResult expected = RunStepByStep(stepped, budget);
        const Mc6809::RunResult actual = bulk.cpu.RunFor(budget);
        if (actual.end == Mc6809::RunEnd::StopRequest) bulk.page.stopAsked = false;
        ASSERT_EQ(actual.cycles, expected.cycles) << "call " << call;
        ASSERT_EQ(actual.steps, expected.steps) << "call " << call;
        ASSERT_EQ(actual.end, expected.end) << "call " << call;
        ASSERT_TRUE(bulk.cpu.State() == stepped.cpu.State()) << "call " << call;
        ASSERT_EQ(bulk.decoder.MemoryPageGenerations(), stepped.decoder.MemoryPageGenerations())
            << "call " << call;
        ASSERT_EQ(bulk.messages.Lines(), stepped.messages.Lines()) << "call " << call;
        ASSERT_EQ(bulk.listener.registers, stepped.listener.registers) << "call " << call;
        ASSERT_EQ(bulk.listener.inputs, stepped.listener.inputs) << "call " << call;
        if (call % 64 == 0) {
            for (std::size_t i = 0; i < bulk.ram.size(); ++i)
                ASSERT_EQ(bulk.ram[i].Storage(), stepped.ram[i].Storage()) << "call " << call;
        }
        const Mc6809State& state = bulk.cpu.State();
        if (!listening && state.irq.line && state.firq.line && state.nmiIdle && !state.waiting)
            lean += actual.steps;
    }
    for (std::size_t i = 0; i < bulk.ram.size(); ++i)
        EXPECT_EQ(bulk.ram[i].Storage(), stepped.ram[i].Storage());
    // The comparison means something only if long stretches ran on the lean path.
    EXPECT_GT(lean, 1000u);
}

INSTANTIATE_TEST_SUITE_P(Seeds, RunForDifferentialTest, ::testing::Range<std::uint32_t>(1, 13),
                         [](const ::testing::TestParamInfo<std::uint32_t>& info) {
                             return "Seed" + std::to_string(info.param);
                         });

using RunForTest = CpuTest;

TEST_F(RunForTest, SpendsTheBudgetAndCountsSteps) {
    Program({0x12, 0x12, 0x12, 0x12, 0x20, 0xFA});  // NOPs, BRA back
    const Mc6809::RunResult result = cpu.RunFor(10);
    EXPECT_EQ(result.end, Mc6809::RunEnd::Budget);
    EXPECT_EQ(result.steps, 5u);    // 2 + 2 + 2 + 2 + 3 cycles
    EXPECT_EQ(result.cycles, 11u);  // the last step may go beyond the budget
    EXPECT_EQ(cpu.PC(), kProgram);
}

// As the run loop of the machine: stop before the instruction at a breakpoint, and on the next
// call execute it first.
TEST_F(RunForTest, StopsAtABreakpointAndStartsFromOne) {
    Program({0x12, 0x12, 0x12, 0x20, 0xFB});
    decoder.SetBreakpoint(kProgram + 1, true);
    Mc6809::RunResult result = cpu.RunFor(1000);
    EXPECT_EQ(result.end, Mc6809::RunEnd::Breakpoint);
    EXPECT_EQ(result.steps, 1u);
    EXPECT_EQ(cpu.PC(), kProgram + 1);
    result = cpu.RunFor(1000);
    EXPECT_EQ(result.end, Mc6809::RunEnd::Breakpoint);
    EXPECT_EQ(result.steps, 4u);  // once round the loop
    EXPECT_EQ(cpu.PC(), kProgram + 1);
}

TEST_F(RunForTest, StopRequestedBeforehandEndsTheNextCallAtOnce) {
    Program({0x12, 0x20, 0xFD});
    cpu.RequestStop();
    Mc6809::RunResult result = cpu.RunFor(1000);
    EXPECT_EQ(result.end, Mc6809::RunEnd::StopRequest);
    EXPECT_EQ(result.steps, 0u);
    result = cpu.RunFor(1000);  // the request was honoured once
    EXPECT_EQ(result.end, Mc6809::RunEnd::Budget);
    EXPECT_GE(result.cycles, 1000u);
}

TEST_F(RunForTest, InterruptRaisedBetweenCallsIsTaken) {
    SetWord(0xFFF8, 0x0800);
    Poke(0x0800, {0x20, 0xFE});         // BRA *
    Program({0x1C, 0xEF, 0x20, 0xFE});  // ANDCC #$EF, BRA *
    cpu.SetS(0x1000);
    cpu.RunFor(100);
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    cpu.SetInterruptInput(this, 1, kIrqInput, false);
    cpu.RunFor(100);
    EXPECT_EQ(cpu.PC(), 0x0800);
}

// Code fetched from a page that is mapped anew between calls comes from the new storage.
TEST_F(RunForTest, FollowsARemappedPage) {
    Program({0x86, 0x11, 0x20, 0xFC});  // LDA #$11, BRA back
    cpu.RunFor(20);
    EXPECT_EQ(cpu.A(), 0x11);
    Ram other;
    other.SetDecoder(&decoder);
    other.Install();  // over the first RAM
    other.StoreByte(kProgram, 0x86);
    other.StoreByte(kProgram + 1, 0x22);
    other.StoreByte(kProgram + 2, 0x20);
    other.StoreByte(kProgram + 3, 0xFC);
    cpu.SetPC(kProgram);
    cpu.RunFor(20);
    EXPECT_EQ(cpu.A(), 0x22);
}

TEST(RunForWithoutDecoderTest, RunsNothing) {
    Mc6809 cpu;
    const Mc6809::RunResult result = cpu.RunFor(100);
    EXPECT_EQ(result.steps, 0u);
    EXPECT_EQ(result.cycles, 0u);
}

}  // namespace
}  // namespace tarvok::testing
