#include "ui/widgets/signal_history.h"

#include <algorithm>

namespace tarvok {

void SignalHistory::Clear() {
    runs_.clear();
    write_ = 0;
    savedSteps_ = 0;
}

void SignalHistory::RecordInNewRuns(std::uint16_t level, std::uint64_t steps) {
    while (steps > 0) {
        if (runs_.empty() || runs_[write_].level != level || runs_[write_].steps == kMaxRunSteps)
            OpenRun(level);
        Run& newest = runs_[write_];
        const auto added = std::min<std::uint64_t>(steps, kMaxRunSteps - newest.steps);
        newest.steps += static_cast<std::uint32_t>(added);
        savedSteps_ += added;
        steps -= added;
    }
}

void SignalHistory::OpenRun(std::uint16_t level) {
    if (runs_.size() < kCapacity) {
        write_ = runs_.size();
        runs_.push_back({level, 0});
        return;
    }
    // Full: the slot after the newest run holds the oldest one, which gives way.
    write_ = (write_ + 1) % kCapacity;
    savedSteps_ -= runs_[write_].steps;
    runs_[write_] = {level, 0};
}

SignalHistory::Moment SignalHistory::Locate(std::uint64_t step) const {
    std::uint64_t end = savedSteps_;  // the last step of the run at `age`
    for (std::size_t age = 0; age + 1 < runs_.size(); ++age) {
        const std::uint64_t steps = AtAge(age).steps;
        if (end - steps < step) return {age, end - step};
        end -= steps;
    }
    return {runs_.empty() ? 0 : runs_.size() - 1, end >= step ? end - step : 0};
}

}  // namespace tarvok
