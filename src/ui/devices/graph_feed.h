#pragma once

#include <cstdint>
#include <functional>

namespace tarvok {

// Gathers the runs of levels that a device's tap delivers into runs of equal value: a run is
// handed on only when the value changes or the window shows a frame, so a graph fed while the
// program runs flat out costs a comparison and an addition per delivered run. A window packs the
// levels of all the graphs it feeds into one value and splits each run among them.
class RunGatherer {
public:
    using Sink = std::function<void(std::uint32_t value, std::uint64_t steps)>;

    explicit RunGatherer(Sink sink) : sink_(std::move(sink)) {}

    // `steps` more steps of `value`.
    void Add(std::uint32_t value, std::uint64_t steps) {
        if (value == value_) {
            steps_ += steps;
            return;
        }
        Flush();
        value_ = value;
        steps_ = steps;
    }
    // Hands on the run gathered so far.
    void Flush() {
        if (steps_ == 0) return;
        sink_(value_, steps_);
        steps_ = 0;
    }
    // Forgets it.
    void Drop() { steps_ = 0; }

private:
    Sink sink_;
    std::uint32_t value_ = 0;
    std::uint64_t steps_ = 0;
};

}  // namespace tarvok
