#include <gtest/gtest.h>

#include <map>
#include <random>
#include <tuple>
#include <vector>

#include "core/address_decoder.h"
#include "core/types.h"
#include "devices/mc6840.h"
#include "support/case_name.h"
#include "support/irq_recorder.h"

namespace tarvok {
namespace {

// Everything a timer window would be told, in order, and what its tap delivers.
class MC6840EventLog : public Mc6840Listener, public Mc6840Tap {
public:
    using Event = std::tuple<char, int, int>;
    // Levels of one timer (output bit 0, flag bit 1) and how many cycles they lasted.
    using Runs = std::vector<std::pair<int, std::uint64_t>>;

    void ControlRegisterChanged(int timer, Byte value) override { Add('C', timer, value); }
    void StatusChanged(Byte value) override { Add('S', 0, value); }
    void LatchChanged(int timer, Byte msb, Byte lsb) override { Add('L', timer, msb << 8 | lsb); }
    void OutputChanged(int timer, bool level) override { Add('O', timer, level); }
    void GateChanged(int timer, bool level) override { Add('G', timer, level); }
    void ModuleReset() override { Add('R', 0, 0); }
    void Levels(int timer, bool output, bool flag, std::uint64_t cycles) override {
        samples[timer] += static_cast<long>(cycles);
        lastSample[timer] = {output, flag};
        AddRun(runs[timer], (output ? 1 : 0) | (flag ? 2 : 0), cycles);
    }
    static void AddRun(Runs& to, int levels, std::uint64_t cycles) {
        if (!to.empty() && to.back().first == levels) {
            to.back().second += cycles;
        } else {
            to.emplace_back(levels, cycles);
        }
    }

    std::vector<Event> events;
    std::map<int, long> samples;
    std::map<int, std::pair<bool, bool>> lastSample;
    std::map<int, Runs> runs;

private:
    void Add(char kind, int timer, int value) { events.emplace_back(kind, timer, value); }
};

class MC6840LastValues : public MemoryListener {
public:
    void ValueChanged(Address address, Byte value) override { last[address] = value; }
    void BreakpointChanged(Address, bool) override {}
    std::map<Address, Byte> last;
};

// One timer module with its bus, interrupt receiver and observers.
struct MC6840Rig {
    explicit MC6840Rig(bool tapped) {
        ptm.SetDecoder(&decoder);
        ptm.ConnectInterruptOutput(0, &cpu, kNmiInput);
        ptm.AddListener(&log);
        if (tapped) ptm.AddTap(&log);
        ptm.Install();
        decoder.AddMemoryListener(&window);
    }
    std::vector<std::tuple<int, int, bool>> IrqCalls() const {
        std::vector<std::tuple<int, int, bool>> calls;
        for (const auto& call : cpu.calls)
            calls.emplace_back(call.sourceLine, call.input, call.level);
        return calls;
    }

    AddressDecoder decoder;
    test::IrqRecorder cpu;
    MC6840EventLog log;
    MC6840LastValues window;
    Mc6840 ptm;
};

// Full comparison; `quick` checks only the state and the number of reports (cheap per step).
void ExpectSameObservations(const MC6840Rig& a, const MC6840Rig& b, const char* what, bool quick) {
    EXPECT_TRUE(a.ptm.State() == b.ptm.State()) << what;
    if (quick) {
        EXPECT_EQ(a.cpu.calls.size(), b.cpu.calls.size()) << what;
        EXPECT_EQ(a.log.events.size(), b.log.events.size()) << what;
        return;
    }
    EXPECT_EQ(a.IrqCalls(), b.IrqCalls()) << what;
    EXPECT_EQ(a.log.events, b.log.events) << what;
    EXPECT_EQ(a.window.last, b.window.last) << what;
}

class MC6840BulkTest : public ::testing::TestWithParam<unsigned> {};

// Three machines see the same register traffic, gate changes and steps: two advance in bulk, one
// of them tapped, and one, tapped too, gets every step as single cycles. The taps' runs must give
// what the state shows after every processed cycle.
TEST_P(MC6840BulkTest, BulkRunMatchesCycleByCycle) {
    std::mt19937 random(GetParam());
    auto pick = [&random](unsigned n) { return static_cast<unsigned>(random() % n); };

    MC6840Rig reference(true);
    MC6840Rig bulk(false);
    MC6840Rig single(true);
    std::map<int, MC6840EventLog::Runs> expected;
    // One cycle of `single`, with the levels it leaves in each clocked timer if it is processed.
    const auto singleCycle = [&] {
        const Mc6840State before = single.ptm.State();
        single.ptm.Run(1);
        if ((before.cr[0] & 0x01) || before.startState < 3) return;
        const Mc6840State& after = single.ptm.State();
        for (int i = 0; i < 3; ++i) {
            if (!(after.cr[i] & 0x02)) continue;
            const int levels = (after.timers[i].output ? 1 : 0) | ((after.status >> i) & 1) << 1;
            MC6840EventLog::AddRun(expected[i + 1], levels, 1);
        }
    };
    MC6840Rig* rigs[] = {&reference, &bulk, &single};
    auto write = [&](unsigned offset, Byte value) {
        for (MC6840Rig* rig : rigs)
            rig->decoder.Write(static_cast<Address>(0xF018 + offset), value);
    };
    auto read = [&](unsigned offset) {
        for (MC6840Rig* rig : rigs)
            rig->decoder.Read(static_cast<Address>(0xF018 + offset), false);
    };
    auto randomCR = [&](int timer) {
        Byte cr = static_cast<Byte>(pick(256));
        if (pick(8) != 0) cr |= 0x02;  // mostly the processor clock
        if (timer == 1) cr &= 0xFE;    // the internal reset would restart the start-up
        return cr;
    };
    auto randomLatch = [&]() -> std::uint16_t {
        if (pick(4) == 0) return static_cast<std::uint16_t>(pick(0x10000));
        return static_cast<std::uint16_t>(pick(4) << 8 | pick(7));
    };
    auto loadLatch = [&](int timer) {
        const std::uint16_t latch = randomLatch();
        write(2 * timer, static_cast<Byte>(latch >> 8));
        write(2 * timer + 1, static_cast<Byte>(latch));
    };
    auto setCR = [&](int timer, Byte cr) {
        if (timer == 2) {
            write(1, cr);
        } else {
            write(1, static_cast<Byte>(timer == 1 ? 0x01 : 0x00));
            write(0, cr);
        }
    };

    for (int timer = 1; timer <= 3; ++timer)
        loadLatch(timer);
    for (int timer = 3; timer >= 1; --timer)
        setCR(timer, randomCR(timer));
    for (MC6840Rig* rig : rigs) {
        rig->ptm.Run(1);
        rig->ptm.Run(2);
    }

    long cycles = 0;
    for (int action = 0; action < 300; ++action) {
        const int timer = static_cast<int>(pick(3)) + 1;
        switch (pick(12)) {
            case 0: {
                const bool level = pick(2) != 0;
                for (MC6840Rig* rig : rigs) {
                    if (timer == 1) rig->ptm.SetGate(1, level);
                    if (timer == 2) rig->ptm.SetGate(2, level);
                    if (timer == 3) rig->ptm.SetGate(3, level);
                }
                break;
            }
            case 1:
                read(1);
                read(static_cast<unsigned>(2 * timer));
                read(static_cast<unsigned>(2 * timer + 1));
                break;
            case 2:
                loadLatch(timer);
                break;
            case 3:
                if (pick(4) == 0) setCR(timer, randomCR(timer));
                break;
            default: {
                const Byte step = static_cast<Byte>(pick(4) == 0 ? pick(255) + 1 : pick(20) + 1);
                reference.ptm.Run(step);
                bulk.ptm.Run(step);
                for (int c = 0; c < step; ++c)
                    singleCycle();
                cycles += step;
                break;
            }
        }
        const bool quick = action % 50 != 49;
        ExpectSameObservations(reference, bulk, "bulk", quick);
        ExpectSameObservations(reference, single, "single cycles", quick);
        if (::testing::Test::HasFailure()) {
            ADD_FAILURE() << "seed " << GetParam() << ", action " << action;
            return;
        }
    }
    for (int t = 1; t <= 3; ++t) {
        if (reference.ptm.ControlRegister(t) & 0x02) {
            EXPECT_EQ(reference.log.lastSample[t].first, reference.ptm.Output(t));
        }
    }
    EXPECT_GT(cycles, 0);
    EXPECT_TRUE(bulk.log.samples.empty());
    EXPECT_EQ(single.log.runs, expected);
    EXPECT_EQ(reference.log.runs, expected);
}

INSTANTIATE_TEST_SUITE_P(Seeds, MC6840BulkTest, ::testing::Range(1u, 101u),
                         [](const auto& info) { return "Seed" + std::to_string(info.param); });

// A tap hears every processed cycle of each clocked timer.
TEST(MC6840TapTest, CoversEveryProcessedCycle) {
    MC6840Rig rig(true);
    rig.ptm.SetControlRegister(3, 0x83);  // prescaled: skipped counts are still sampled
    rig.ptm.SetControlRegister(1, 0x82);
    rig.ptm.Run(10);  // start-up: no cycle processed
    rig.ptm.Run(10);  // two cycles lost
    rig.ptm.Run(10);
    EXPECT_EQ(rig.log.samples[1], 18);
    EXPECT_EQ(rig.log.samples.count(2), 0u);
    EXPECT_EQ(rig.log.samples[3], 18);
}

}  // namespace
}  // namespace tarvok
