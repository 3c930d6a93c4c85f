#pragma once

#include <array>

#include "devices/mc6840.h"
#include "ui/devices/graph_feed.h"

namespace tarvok {

// Hears the timer's samples for all three timer windows, so that a cycle costs one notice per
// timer however many windows record: each sample goes to the run gatherer of the window that
// records that timer, as output (bit 0) and interrupt flag (bit 1). It subscribes to the timer
// only while a window records.
class TimerSamples : private Mc6840Listener {
public:
    explicit TimerSamples(Mc6840& ptm) : ptm_(ptm) {}
    ~TimerSamples() override;
    TimerSamples(const TimerSamples&) = delete;
    TimerSamples& operator=(const TimerSamples&) = delete;

    // From now on the samples of `timer` (1 to 3) go to `runs`; nullptr ends that.
    void Route(int timer, RunGatherer* runs);

private:
    bool WantsSamples() const override { return true; }
    void Sample(int timer, bool output, bool interruptFlag) override {
        if (RunGatherer* runs = routes_[timer - 1]) {
            runs->Add((output ? 1u : 0u) | (interruptFlag ? 2u : 0u));
        }
    }
    // The windows show the registers and the gate from the snapshots.
    void ControlRegisterChanged(int, Byte) override {}
    void StatusChanged(Byte) override {}
    void LatchChanged(int, Byte, Byte) override {}
    void OutputChanged(int, bool) override {}
    void GateChanged(int, bool) override {}
    // The main window resets every device window after a system reset, shown or not.
    void ModuleReset() override {}

    Mc6840& ptm_;
    std::array<RunGatherer*, 3> routes_{};
    bool subscribed_ = false;
};

}  // namespace tarvok
