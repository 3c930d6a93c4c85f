#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/status.h"
#include "machine/machine.h"
#include "machine/machine_state.h"

namespace tarvok {

struct HistoryOptions {
    // A full copy of the machine every so many cycles; going back re-executes from the nearest.
    std::uint64_t checkpointCycles = 100'000;
    std::size_t maxCheckpoints = 64;
    // Checkpoints and logged inputs together; the oldest go first.
    std::size_t byteBudget = std::size_t{8} << 20;
};

// The machine's recent past, for stepping back: full copies of the machine (checkpoints) every
// HistoryOptions::checkpointCycles cycles, and a log of everything that changed the machine from
// outside between runs (keys, switches, memory and register edits, a host link), each stamped
// with the step count at which it happened. Going back to step N restores the nearest
// checkpoint before N and re-executes step by step up to N, putting in the logged inputs at
// their steps; the signal files go back with the machine (playback reads on from where it stood,
// a recording is cut back). What re-execution shows (messages, beeps, graphs) stays muted: it
// was shown when it first happened.
//
// After going back, the logged inputs that lie ahead are put in again as the machine runs
// forwards, so that it comes to the very same states; the first change from outside ends that
// and starts a new future. Starting or stopping a signal file (or the end of a playback) cannot
// be undone: the history then starts afresh.
//
// While attached, the history hears of every run through the machine's RunRecorder hook.
class StepBackHistory : private RunRecorder {
public:
    explicit StepBackHistory(Machine& machine, const HistoryOptions& options = {});
    ~StepBackHistory() override;
    StepBackHistory(const StepBackHistory&) = delete;
    StepBackHistory& operator=(const StepBackHistory&) = delete;

    // Keeps history from now on (the first checkpoint is the state now), or stops and forgets.
    void Attach();
    void Detach();
    bool Attached() const { return machine_.Recorder() == this; }
    // Forgets the past: the history starts at the state now (for an effect on the outside world
    // that going back cannot take back).
    void Restart();

    // The earliest step count that one can go back to, and its cycle count.
    std::uint64_t FirstStep() const;
    std::uint64_t FirstCycle() const;
    // Bytes held by checkpoints and logged inputs.
    std::size_t MemoryUsage() const {
        return checkpoints_.size() * sizeof(Checkpoint) + inputBytes_;
    }
    std::size_t CheckpointCount() const { return checkpoints_.size(); }
    std::size_t InputCount() const { return inputs_.size(); }

    // Back to the state after step `step` (before the machine's current step count). Refused,
    // with the message for the output field, while detached or when the history does not reach
    // back that far.
    Status StepBackTo(std::uint64_t step);
    // One step (instruction or interrupt entry) back.
    Status StepBack();
    // Back to the last step before now after which the PC stood at a breakpoint.
    Status BackToPreviousBreakpoint();

private:
    struct Checkpoint {
        MachineState state;
        std::uint64_t firstInput;  // number of the first logged input not in `state`
    };
    // What changed the machine from outside, as the state right after the change.
    struct Input {
        std::uint64_t step;
        BoardState board;
        std::vector<Byte> pages;  // numbers of the RAM pages that changed
        std::vector<Byte> bytes;  // their contents, 256 bytes each
    };
    static constexpr std::size_t kRamPages = StorageDevice::kSize / 256;
    using RamPageGenerations = std::array<std::uint32_t, kRamPages>;
    static constexpr std::uint64_t kNoInput = ~std::uint64_t{0};

    Limit RunStarting() override;
    void RunEnded() override;

    // Logs a change from outside since the last run, or starts afresh when a signal file came
    // or went; puts in the logged inputs due now.
    void RecordOutsideChanges();
    // Whether the machine is as the last run left it (or as the last input made it).
    bool Unchanged() const;
    bool SignalFilesChanged() const;
    void ApplyDueInputs();
    void Apply(const Input& input);
    void TakeCheckpointIfDue();
    void TakeCheckpoint();
    void DropOldestCheckpoint();
    void DropFuture();
    void UpdateBaseline();
    RamPageGenerations PageGenerations() const;
    std::uint64_t InputEnd() const { return firstInput_ + inputs_.size(); }
    const Input& InputAt(std::uint64_t number) const { return inputs_[number - firstInput_]; }

    // Restores checkpoint `index` and re-executes up to `step`, muted; `breakpointStep` (when
    // given) learns the last step on the way at which the PC stood at a breakpoint.
    bool Replay(std::size_t index, std::uint64_t step, std::uint64_t* breakpointStep);
    // The last checkpoint at or before `step`.
    std::size_t CheckpointBefore(std::uint64_t step) const;
    // Refuses going back to `step` while detached or beyond the history's reach; logs what
    // changed from outside since the last run first.
    Status CheckReach(std::uint64_t step);
    // Makes `step` the present after a replay to it.
    Status SettleAt(std::uint64_t step, bool filesReturned);
    void Mute(bool muted);

    Machine& machine_;
    HistoryOptions options_;
    std::deque<Checkpoint> checkpoints_;
    std::deque<Input> inputs_;
    std::uint64_t firstInput_ = 0;  // number of inputs_.front()
    std::uint64_t nextInput_ = 0;   // the next input to put in (InputEnd() when none lies ahead)
    std::size_t inputBytes_ = 0;
    std::uint64_t nextCheckpointCycle_ = 0;

    // The machine as the last run left it, to tell changes from outside.
    BoardState baseline_;
    RamPageGenerations baselinePages_{};
    std::array<std::string, 3> baselineFiles_;

    // What muting put aside.
    OutputSink* mutedOutput_ = nullptr;
    bool mutedBeep_ = false;
};

}  // namespace tarvok
