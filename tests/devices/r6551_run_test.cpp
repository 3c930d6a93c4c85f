#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <tuple>
#include <vector>

#include "devices/r6551.h"
#include "r6551_support.h"
#include "support/status_check.h"
#include "support/temp_dir.h"

namespace tarvok::test {
namespace {

using R6551 = R6551;

// Interrupt reports stamped with the ACIA cycle in which they were made.
class StampedIrq : public Device {
public:
    StampedIrq() : Device(0, 0) {}
    Byte Read(Address, bool) override { return 0xFF; }
    void Write(Address, Byte) override {}
    void SetInterruptInput(const void*, std::uint16_t line, std::uint16_t input,
                           bool level) override {
        calls.emplace_back(acia->CycleCount(), line, input, level);
    }
    const R6551* acia = nullptr;
    std::vector<std::tuple<std::uint64_t, std::uint16_t, std::uint16_t, bool>> calls;
};

struct Observation {
    std::uint64_t cycle;
    std::int64_t ticks;
    std::int32_t fraction;
    std::int64_t idleTimer;
    Byte sr, rdr;
    std::uint16_t tsr;
    unsigned txClockCount;
    bool rxcLed, txdLed;
    int graphRunOut;
    bool operator==(const Observation&) const = default;
};

void PrintTo(const Observation& o, std::ostream* out) {
    *out << "{cycle " << o.cycle << ", ticks " << o.ticks << ", fraction " << o.fraction
         << ", idle timer " << o.idleTimer << ", SR " << int{o.sr} << ", RDR " << int{o.rdr}
         << ", TSR " << o.tsr << ", clock count " << o.txClockCount << ", RxC " << o.rxcLed
         << ", TxD " << o.txdLed << ", run-out " << o.graphRunOut << "}";
}

struct Trace {
    std::vector<Observation> observations;
    std::vector<std::tuple<std::uint64_t, std::uint16_t, std::uint16_t, bool>> irq;
};

// A program-like session: idle stretches, status polling, sending, a DSR change that lets the
// idle timer raise interrupts, and a change of baud rate. With `stepped`, a recording runs along:
// it keeps the ACIA from taking any shortcut, so every cycle is worked through one by one.
Trace RunSession(unsigned chunk, bool stepped = false) {
    R6551 acia;
    StampedIrq cpu;
    cpu.acia = &acia;
    acia.ConnectInterruptOutput(0, &cpu, kIrqInput);
    acia.Install();
    const TempDir temp;
    if (stepped) {
        EXPECT_TRUE(acia.StartRecording(temp.Path("stepped.sia")));
    }
    Trace trace;
    auto observe = [&] {
        const auto& state = acia.State();
        trace.observations.push_back({acia.CycleCount(), acia.Ticks(), state.fraction,
                                      state.idleTimer, acia.Sr(), acia.Rdr(), acia.Tsr(),
                                      state.txClockCount, state.rxcLed, state.txdLed,
                                      state.graphRunOut});
    };
    auto pollStatus = [&] {
        acia.Read(kAciaStatus, false);
        observe();
    };

    RunAcia(acia, 777, chunk);  // durations still zero: the idle timer fires every cycle
    pollStatus();
    // A zero frame time entered while the idle timer is still far ahead leaves it there.
    acia.Write(kAciaControl, kCon9600_8N1);
    RunAcia(acia, 300, chunk);
    pollStatus();
    acia.Write(kAciaControl, 0x10);
    RunAcia(acia, 500, chunk);
    acia.Write(kAciaControl, kCon9600_8N1);
    pollStatus();
    RunAcia(acia, 300, chunk);
    pollStatus();
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Write(kAciaCommand, 0x0B);  // receiver interrupt disabled
    RunAcia(acia, 5003, chunk);
    pollStatus();
    acia.SetDsrSwitch(false);
    for (int i = 0; i < 12; ++i) {
        RunAcia(acia, 1500 + 37 * i, chunk);
        pollStatus();
    }
    acia.Write(kAciaData, 0x41);
    RunAcia(acia, 4000, chunk);
    pollStatus();
    acia.Write(kAciaControl, 0x18);  // 1200 baud
    for (int i = 0; i < 6; ++i) {
        RunAcia(acia, 9000 + 11 * i, chunk);
        pollStatus();
    }
    // Continuous sending at 19200 baud, looked at in the middle of frames.
    acia.Write(kAciaControl, 0x1F);
    for (int i = 0; i < 40; ++i) {
        if ((acia.Sr() & 0x10) != 0) acia.Write(kAciaData, static_cast<Byte>(0x30 + i));
        RunAcia(acia, 97 + 13 * i, chunk);
        observe();
    }
    acia.SetDsrSwitch(true);
    acia.Write(kAciaCommand, 0x01);
    RunAcia(acia, 200000, chunk);
    pollStatus();
    trace.irq = cpu.calls;
    if (stepped) {
        EXPECT_TRUE(acia.StopReadingAndRecording());
    }
    return trace;
}

TEST(R6551RunTest, LargeStepsGiveTheSameResultAsSingleCycles) {
    const Trace single = RunSession(1, true);
    ASSERT_GT(single.irq.size(), 10u) << "the session must exercise the idle timer";
    for (unsigned chunk : {1u, 3u, 17u, 200u, 255u}) {
        const Trace bulk = RunSession(chunk);
        ASSERT_EQ(bulk.observations.size(), single.observations.size());
        for (std::size_t i = 0; i < single.observations.size(); ++i) {
            ASSERT_EQ(bulk.observations[i], single.observations[i])
                << "chunk " << chunk << ", observation " << i;
        }
        EXPECT_EQ(bulk.irq, single.irq) << "chunk " << chunk;
    }
}

TEST(R6551RunTest, TimeBaseAdds1152Over625TicksPerCycle) {
    R6551 acia;
    acia.Install();
    RunAcia(acia, 625, 255);
    EXPECT_EQ(acia.Ticks(), 1152 - 1) << "the accumulator stops at 625, not below it";
    EXPECT_EQ(acia.State().fraction, 625);
    acia.Run(1);
    EXPECT_EQ(acia.Ticks(), 1152 + 1);
    EXPECT_EQ(acia.CycleCount(), 626u);
}

TEST(R6551RunTest, IdleTimerSetsBit7EveryFrameWithoutAnInterrupt) {
    R6551 acia;
    IrqRecorder cpu;
    acia.ConnectInterruptOutput(0, &cpu, kIrqInput);
    acia.Install();
    acia.Write(kAciaControl, kCon9600_8N1);
    RunAcia(acia, 10);
    EXPECT_NE(acia.Read(kAciaStatus, false) & R6551::kIRQ, 0);
    RunAcia(acia, 500);
    EXPECT_EQ(acia.Read(kAciaStatus, false) & R6551::kIRQ, 0);
    RunAcia(acia, 600);
    EXPECT_NE(acia.Read(kAciaStatus, false) & R6551::kIRQ, 0) << "one frame later";
    EXPECT_TRUE(cpu.calls.empty());
}

TEST(R6551RunTest, ZeroFrameTimeLeavesAPendingIdleTimerWhereItWas) {
    R6551 acia;
    acia.Install();
    acia.Write(kAciaControl, kCon9600_8N1);
    acia.Run(1);  // the idle timer fires and is next due one frame (1920 ticks) later
    acia.Write(kAciaControl, 0x10);  // external clock: no frame time
    RunAcia(acia, 200);
    acia.Write(kAciaControl, kCon9600_8N1);
    EXPECT_NE(acia.Read(kAciaStatus, false) & R6551::kIRQ, 0);
    RunAcia(acia, 50);
    EXPECT_EQ(acia.Read(kAciaStatus, false) & R6551::kIRQ, 0)
        << "the idle timer is not due before 1920 ticks";
    RunAcia(acia, 900);
    EXPECT_NE(acia.Read(kAciaStatus, false) & R6551::kIRQ, 0);
}

class RecordingListenerBase : public R6551Listener {
public:
    void RegisterChanged(R6551Register reg, Byte value) override {
        registers.emplace_back(reg, value);
    }
    void LampChanged(R6551Lamp lamp, bool on) override { lamps.emplace_back(lamp, on); }
    void SwitchChanged(R6551Switch which, bool on) override { switches.emplace_back(which, on); }
    void SignalFileStopped(const UserMessage* saveError) override {
        stops.push_back(saveError != nullptr);
    }
    void AciaReset() override { ++resets; }

    std::vector<std::pair<R6551Register, Byte>> registers;
    std::vector<std::pair<R6551Lamp, bool>> lamps;
    std::vector<std::pair<R6551Switch, bool>> switches;
    std::vector<bool> stops;
    int resets = 0;
};

// Graph levels (mark, /RTS bit 16, /DTR bit 17) and how many cycles they lasted.
using GraphRuns = std::vector<std::pair<std::uint32_t, std::uint64_t>>;

void AddGraphRun(GraphRuns& runs, std::uint32_t levels, std::uint64_t cycles) {
    if (!runs.empty() && runs.back().first == levels) {
        runs.back().second += cycles;
    } else {
        runs.emplace_back(levels, cycles);
    }
}

class GraphTap : public R6551Tap {
public:
    void GraphLevels(std::uint16_t txdMark, bool rts, bool dtr, std::uint64_t cycles) override {
        AddGraphRun(runs, txdMark | (rts ? 1u << 16 : 0u) | (dtr ? 1u << 17 : 0u), cycles);
        total += cycles;
    }
    GraphRuns runs;
    std::uint64_t total = 0;
};

// One ACIA works through every cycle (a recording runs along), one skips between bit events;
// both taps must give what the stepped one's state shows in each cycle of the run-out.
TEST(R6551TapTest, RunsFollowTheRunOutOfEveryCycle) {
    const TempDir temp;
    R6551 stepped;
    R6551 skipping;
    GraphTap steppedTap;
    GraphTap skippingTap;
    stepped.Install();
    skipping.Install();
    stepped.AddTap(&steppedTap);
    skipping.AddTap(&skippingTap);
    ASSERT_TRUE(stepped.StartRecording(temp.Path("stepped.sia")));
    GraphRuns expected;
    const auto run = [&](std::uint64_t cycles, unsigned chunk) {
        for (std::uint64_t c = 0; c < cycles; ++c) {
            const bool drawing = stepped.State().graphDrawing;
            stepped.Run(1);
            const R6551State& s = stepped.State();
            if ((drawing || s.graphDrawing) && s.graphRunOut >= 0) {
                AddGraphRun(expected,
                            s.txdMark | (s.rtsLed ? 1u << 16 : 0u) | (s.dtrLed ? 1u << 17 : 0u), 1);
            }
        }
        RunAcia(skipping, cycles, chunk);
    };
    const auto write = [&](Address address, Byte value) {
        stepped.Write(address, value);
        skipping.Write(address, value);
    };
    write(kAciaControl, kCon9600_8N1);
    write(kAciaData, 0x41);
    run(1200, 200);
    ASSERT_FALSE(steppedTap.runs.empty());
    EXPECT_EQ(steppedTap.runs.front().first & 0xFFFF, 64u * 0x41 + 34)
        << "first step of the character";
    // 30 columns after each of the ten bit changes, plus the start.
    EXPECT_LE(steppedTap.total, 11u * 31u);
    EXPECT_GE(steppedTap.total, 10u * 30u);
    const std::uint64_t afterFrame = steppedTap.total;
    run(5000, 255);
    EXPECT_EQ(steppedTap.total, afterFrame) << "an idle transmitter draws nothing";

    write(kAciaCommand, 0x0B);  // /DTR and /RTS active
    write(kAciaData, 0x5A);
    run(700, 7);
    write(kAciaCommand, 0x01);  // /RTS inactive in the middle of the frame
    write(kAciaData, 0xC3);
    run(3000, 100);
    write(kAciaCommand, 0x0D);  // a break
    run(4000, 33);
    write(kAciaCommand, 0x01);
    run(4000, 255);
    EXPECT_EQ(steppedTap.runs, expected);
    EXPECT_EQ(skippingTap.runs, expected);
    EXPECT_GT(steppedTap.total, 3 * afterFrame);
    stepped.RemoveTap(&steppedTap);
    skipping.RemoveTap(&skippingTap);
}

TEST(R6551ListenerTest, NoticesOnlyForRealChanges) {
    R6551 acia;
    RecordingListenerBase listener;
    acia.Install();
    acia.AddListener(&listener);
    acia.Write(kAciaCommand, 0x01);
    acia.Write(kAciaCommand, 0x01);
    acia.SetCtsSwitch(true);
    acia.SetCtsSwitch(false);
    EXPECT_EQ(listener.registers,
              (std::vector<std::pair<R6551Register, Byte>>{{R6551Register::COM, 0x01}}));
    EXPECT_EQ(listener.lamps, (std::vector<std::pair<R6551Lamp, bool>>{{R6551Lamp::DTR, false}}));
    EXPECT_EQ(listener.switches,
              (std::vector<std::pair<R6551Switch, bool>>{{R6551Switch::CTS, false}}));
    acia.RemoveListener(&listener);
}

}  // namespace
}  // namespace tarvok::test
