#pragma once

#include <array>

#include "devices/mc6840.h"
#include "ui/devices/graph_feed.h"

namespace tarvok {

// Hears the timer's tap for all three timer windows, so that a run costs one notice per timer
// however many windows record: each run goes to the run gatherer of the window that records that
// timer, as output (bit 0) and interrupt flag (bit 1). It taps the timer only while a window
// records.
class TimerSamples : private Mc6840Tap {
public:
    explicit TimerSamples(Mc6840& ptm) : ptm_(ptm) {}
    ~TimerSamples() override;
    TimerSamples(const TimerSamples&) = delete;
    TimerSamples& operator=(const TimerSamples&) = delete;

    // From now on the levels of `timer` (1 to 3) go to `runs`; nullptr ends that.
    void Route(int timer, RunGatherer* runs);

private:
    void Levels(int timer, bool output, bool interruptFlag, std::uint64_t cycles) override {
        if (RunGatherer* runs = routes_[timer - 1]) {
            runs->Add((output ? 1u : 0u) | (interruptFlag ? 2u : 0u), cycles);
        }
    }

    Mc6840& ptm_;
    std::array<RunGatherer*, 3> routes_{};
    bool subscribed_ = false;
};

}  // namespace tarvok
