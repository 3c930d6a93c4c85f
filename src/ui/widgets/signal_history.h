#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace tarvok {

// The recent history of a signal as runs of equal levels: a signal that holds its level costs one
// addition per step. The runs form a ring; once it is full, each new run drops the oldest one.
// Time is counted in steps (whatever the owner feeds: processor cycles for the device windows).
class SignalHistory {
public:
    static constexpr std::size_t kCapacity = 0x33000;  // 208 896 runs
    // A run longer than this continues in a new run of the same level.
    static constexpr std::uint32_t kMaxRunSteps = std::numeric_limits<std::uint32_t>::max();

    struct Run {
        std::uint16_t level = 0;
        std::uint32_t steps = 0;
    };

    // A moment in the history: the run that holds it, counted back from the newest (0), and how
    // many steps of that run come after it.
    struct Moment {
        std::size_t age = 0;
        std::uint64_t stepsAfter = 0;
    };

    SignalHistory() { runs_.reserve(kCapacity); }

    // Records `steps` steps of `level`: extends the newest run when the level is the same, else
    // opens a new run.
    void Record(std::uint16_t level, std::uint64_t steps = 1) {
        if (!runs_.empty()) {
            Run& newest = runs_[write_];
            if (newest.level == level && steps <= kMaxRunSteps - newest.steps) {
                newest.steps += static_cast<std::uint32_t>(steps);
                savedSteps_ += steps;
                return;
            }
        }
        RecordInNewRuns(level, steps);
    }

    void Clear();

    bool Empty() const { return runs_.empty(); }
    std::size_t RunCount() const { return runs_.size(); }
    // The steps of all stored runs.
    std::uint64_t SavedSteps() const { return savedSteps_; }

    // The run `age` places before the newest one; age < RunCount().
    const Run& AtAge(std::size_t age) const {
        return runs_[write_ >= age ? write_ - age : write_ + runs_.size() - age];
    }

    // The run that holds step `step` (1 for the first stored step, SavedSteps() for the last);
    // 1 <= step <= SavedSteps().
    Moment Locate(std::uint64_t step) const;

private:
    void RecordInNewRuns(std::uint16_t level, std::uint64_t steps);
    void OpenRun(std::uint16_t level);

    std::vector<Run> runs_;  // grows up to kCapacity, then wraps
    std::size_t write_ = 0;  // the newest run
    std::uint64_t savedSteps_ = 0;
};

}  // namespace tarvok
