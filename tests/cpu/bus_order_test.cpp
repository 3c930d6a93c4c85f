#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <vector>

#include "cpu_fixture.h"

namespace tarvok::testing {
namespace {

struct Access {
    char kind;  // 'R' processor read, 'W' write
    Address address;
    Byte value;
    bool operator==(const Access&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Access& a) {
    return out << a.kind << ' ' << std::hex << a.address << '=' << int{a.value};
}

// A memory device that logs every processor access in order.
class TraceModule : public Device {
public:
    static constexpr Address kBase = 0x2000;
    TraceModule() : Device(kBase, 0x1000) {}
    Byte Read(Address address, bool peek) override {
        const Byte value = memory[address - kBase];
        if (!peek) log.push_back({'R', address, value});
        return value;
    }
    void Write(Address address, Byte value) override {
        memory[address - kBase] = value;
        log.push_back({'W', address, value});
    }
    void Put(Address address, std::initializer_list<Byte> bytes) {
        for (Byte b : bytes)
            memory[address++ - kBase] = b;
    }
    std::array<Byte, 0x1000> memory{};
    std::vector<Access> log;
};

class BusOrderTest : public CpuTest {
protected:
    static constexpr Address kStack = 0x2800;

    BusOrderTest() {
        trace.SetDecoder(&decoder);
        trace.Install();
        SetWord(0xFFF8, 0x0800);
        SetWord(0xFFF6, 0x0700);
        SetWord(0xFFFC, 0x0600);
        cpu.SetS(kStack);
        cpu.SetU(0x2900);
        cpu.SetX(0x1122);
        cpu.SetY(0x3344);
        cpu.SetD(0x5566);
        cpu.SetDP(0x77);
        cpu.SetCC(0x00);
    }
    // The twelve bytes of the entire state as the stack receives them, top (S - 1) downwards.
    std::vector<Access> EntireStateWrites(std::uint16_t pc, Byte cc) const {
        const auto low = static_cast<Byte>(pc);
        const auto high = static_cast<Byte>(pc >> 8);
        // PC, U, Y and X low byte first, then DP, B, A and CC
        const std::array<Byte, 12> bytes = {low,  high, 0x00, 0x29, 0x44, 0x33,
                                            0x22, 0x11, 0x77, 0x66, 0x55, cc};
        std::vector<Access> writes;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            writes.push_back({'W', static_cast<Address>(kStack - 1 - i), bytes[i]});
        return writes;
    }

    TraceModule trace;
    int device = 0;
};

TEST_F(BusOrderTest, SixteenBitValuesMoveHighByteFirst) {
    trace.Put(0x2100, {0x12, 0x34});
    Program({0xFC, 0x21, 0x00,    // LDD $2100
             0xFD, 0x22, 0x00});  // STD $2200
    Steps(2);
    const std::vector<Access> expected = {
        {'R', 0x2100, 0x12}, {'R', 0x2101, 0x34}, {'W', 0x2200, 0x12}, {'W', 0x2201, 0x34}};
    EXPECT_EQ(trace.log, expected);
}

TEST_F(BusOrderTest, ReadModifyWriteReadsOnceThenWrites) {
    trace.Put(0x2100, {0x41});
    Program({0x7C, 0x21, 0x00,    // INC $2100
             0x7D, 0x21, 0x00,    // TST $2100
             0x7F, 0x21, 0x00});  // CLR $2100
    Steps(3);
    const std::vector<Access> expected = {{'R', 0x2100, 0x41},
                                          {'W', 0x2100, 0x42},
                                          {'R', 0x2100, 0x42},
                                          {'R', 0x2100, 0x42},
                                          {'W', 0x2100, 0x00}};
    EXPECT_EQ(trace.log, expected);
}

TEST_F(BusOrderTest, IndirectPointerIsReadHighByteFirst) {
    trace.Put(0x2100, {0x21, 0x80});
    trace.Put(0x2180, {0x5A});
    Program({0xA6, 0x9F, 0x21, 0x00});  // LDA [$2100]
    EXPECT_EQ(Step(), 9);
    const std::vector<Access> expected = {
        {'R', 0x2100, 0x21}, {'R', 0x2101, 0x80}, {'R', 0x2180, 0x5A}};
    EXPECT_EQ(trace.log, expected);
    EXPECT_EQ(cpu.A(), 0x5A);
}

TEST_F(BusOrderTest, PushWritesDownwardAndPullReadsUpward) {
    Program({0x34, 0xFF, 0x35, 0xFF});
    Step();
    EXPECT_EQ(trace.log, EntireStateWrites(kProgram + 2, 0x00));
    trace.log.clear();
    Step();
    ASSERT_EQ(trace.log.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(trace.log[i].kind, 'R');
        EXPECT_EQ(trace.log[i].address, kStack - 12 + i) << i;
    }
    EXPECT_EQ(cpu.PC(), kProgram + 2);
    EXPECT_EQ(cpu.S(), kStack);
}

TEST_F(BusOrderTest, JsrPushesLowByteFirstAndRtsPullsHighByteFirst) {
    Program({0xBD, 0x05, 0x00});  // JSR $0500
    Poke(0x0500, {0x39});         // RTS
    EXPECT_EQ(Step(), 8);
    EXPECT_EQ(Step(), 5);
    const std::vector<Access> expected = {{'W', kStack - 1, 0x03},
                                          {'W', kStack - 2, 0x04},
                                          {'R', kStack - 2, 0x04},
                                          {'R', kStack - 1, 0x03}};
    EXPECT_EQ(trace.log, expected);
    EXPECT_EQ(cpu.PC(), kProgram + 3);
}

TEST_F(BusOrderTest, InterruptEntriesStackInDataSheetOrder) {
    cpu.SetPC(kProgram);
    cpu.SetInterruptInput(&device, 1, kIrqInput, false);
    EXPECT_EQ(Step(), 19);
    EXPECT_EQ(trace.log, EntireStateWrites(kProgram, kFlagE));

    trace.log.clear();
    cpu.SetInterruptInput(&device, 1, kIrqInput, true);
    cpu.SetS(kStack);
    cpu.SetCC(kFlagE);
    cpu.SetInterruptInput(&device, 1, kFirqInput, false);
    EXPECT_EQ(Step(), 10);
    const std::vector<Access> firq = {
        {'W', kStack - 1, 0x00}, {'W', kStack - 2, 0x08}, {'W', kStack - 3, 0x00}};
    EXPECT_EQ(trace.log, firq);
}

// ---- branch conditions ----

struct BranchCase {
    Byte opcode;
    std::function<bool(bool n, bool z, bool v, bool c)> taken;
};

const std::vector<BranchCase>& BranchCases() {
    static const std::vector<BranchCase> kCases = {
        {0x20, [](bool, bool, bool, bool) { return true; }},
        {0x21, [](bool, bool, bool, bool) { return false; }},
        {0x22, [](bool, bool z, bool, bool c) { return !(c || z); }},
        {0x23, [](bool, bool z, bool, bool c) { return c || z; }},
        {0x24, [](bool, bool, bool, bool c) { return !c; }},
        {0x25, [](bool, bool, bool, bool c) { return c; }},
        {0x26, [](bool, bool z, bool, bool) { return !z; }},
        {0x27, [](bool, bool z, bool, bool) { return z; }},
        {0x28, [](bool, bool, bool v, bool) { return !v; }},
        {0x29, [](bool, bool, bool v, bool) { return v; }},
        {0x2A, [](bool n, bool, bool, bool) { return !n; }},
        {0x2B, [](bool n, bool, bool, bool) { return n; }},
        {0x2C, [](bool n, bool, bool v, bool) { return !(n ^ v); }},
        {0x2D, [](bool n, bool, bool v, bool) { return n ^ v; }},
        {0x2E, [](bool n, bool z, bool v, bool) { return !(z || (n ^ v)); }},
        {0x2F, [](bool n, bool z, bool v, bool) { return z || (n ^ v); }},
    };
    return kCases;
}

TEST_F(CpuTest, ShortAndLongBranchesForEveryFlagCombination) {
    for (const BranchCase& branch : BranchCases()) {
        for (unsigned flags = 0; flags < 16; ++flags) {
            const bool n = flags & kFlagN, z = flags & kFlagZ, v = flags & kFlagV,
                       c = flags & kFlagC;
            const bool taken = branch.taken(n, z, v, c);
            const Byte cc = static_cast<Byte>(flags | kFlagE | kFlagH);

            Program({branch.opcode, 0x10});
            cpu.SetCC(cc);
            EXPECT_EQ(Step(), 3);
            EXPECT_EQ(cpu.PC(), kProgram + 2 + (taken ? 0x10 : 0))
                << std::hex << int{branch.opcode} << " cc " << flags;

            if (branch.opcode == 0x20) continue;  // $1020 is not an instruction
            Program({0x10, branch.opcode, 0xFF, 0x00});
            cpu.SetCC(cc);
            EXPECT_EQ(Step(), taken ? 6 : 5) << std::hex << int{branch.opcode} << " cc " << flags;
            EXPECT_EQ(cpu.PC(), static_cast<Address>(kProgram + 4 + (taken ? 0xFF00 : 0)));
            EXPECT_EQ(cpu.CC(), cc);
        }
    }
    EXPECT_EQ(MessageCount(), 0u) << LastMessage();
}

// ---- stacks and NMI arming ----

TEST_F(CpuTest, EmptyPushOrPullLeavesSAloneAndNmiUnarmed) {
    cpu.SetS(0x1000);
    cpu.Reset();
    Program({0x34, 0x00, 0x35, 0x00, 0x36, 0x40, 0x37, 0x40});
    cpu.SetU(0x1800);
    EXPECT_EQ(Step(), 5);
    EXPECT_EQ(Step(), 5);
    EXPECT_EQ(cpu.S(), 0x1000);
    EXPECT_FALSE(cpu.State().nmiArmed);
    EXPECT_EQ(Step(), 7);  // PSHU S reads S only
    EXPECT_FALSE(cpu.State().nmiArmed);
    EXPECT_EQ(cpu.U(), 0x17FE);
    EXPECT_EQ(PeekWord(0x17FE), 0x1000);
    Poke(0x17FE, {0x0F, 0x80});
    EXPECT_EQ(Step(), 7);  // PULU S writes S
    EXPECT_TRUE(cpu.State().nmiArmed);
    EXPECT_EQ(cpu.S(), 0x0F80);
    EXPECT_EQ(cpu.U(), 0x1800);
}

TEST_F(CpuTest, ExgWithPcJumpsAndWithCcSwapsFlags) {
    cpu.SetX(0x0600);
    cpu.SetA(0x0F);
    cpu.SetCC(0xD0);
    Program({0x1E, 0x15});  // EXG X,PC
    Poke(0x0600, {0x1E, 0x8A});
    EXPECT_EQ(Step(), 8);
    EXPECT_EQ(cpu.PC(), 0x0600);
    EXPECT_EQ(cpu.X(), kProgram + 2);
    EXPECT_EQ(Step(), 8);  // EXG A,CC
    EXPECT_EQ(cpu.CC(), 0x0F);
    EXPECT_EQ(cpu.A(), 0xD0);
}

TEST_F(CpuTest, SendersBeyondTheListCapacityAreIgnored) {
    std::array<int, InterruptInput::kCapacity + 1> senders{};
    for (std::size_t i = 0; i < InterruptInput::kCapacity; ++i)
        cpu.SetInterruptInput(&senders[i], 1, kIrqInput, true);
    cpu.SetInterruptInput(&senders.back(), 1, kIrqInput, false);
    EXPECT_TRUE(cpu.State().irq.line);
    EXPECT_EQ(cpu.State().irq.count, InterruptInput::kCapacity);
    cpu.SetInterruptInput(&senders[3], 1, kIrqInput, false);
    EXPECT_FALSE(cpu.State().irq.line);
    cpu.SetInterruptInput(&senders[3], 1, kIrqInput, true);
    EXPECT_TRUE(cpu.State().irq.line);
}

}  // namespace
}  // namespace tarvok::testing
