#include "machine/history.h"

#include <algorithm>

namespace tarvok {

namespace {

Status Refused(const std::string& reason, const std::string& text) {
    return Status::Failure(reason, UserMessage{"Schritt zurück", text});
}

Status FileRefused(const std::string& file) {
    return Refused("the signal file '" + file + "' cannot go back",
                   "Schritt zurück nicht möglich: die Signaldatei '" + file +
                       "' lässt sich nicht zurücksetzen;");
}

}  // namespace

StepBackHistory::StepBackHistory(Machine& machine, const HistoryOptions& options)
    : machine_(machine), options_(options) {
    options_.checkpointCycles = std::max<std::uint64_t>(options_.checkpointCycles, 1);
    options_.maxCheckpoints = std::max<std::size_t>(options_.maxCheckpoints, 1);
}

StepBackHistory::~StepBackHistory() {
    Detach();
}

void StepBackHistory::Attach() {
    machine_.SetRecorder(this);
    Restart();
}

void StepBackHistory::Detach() {
    if (Attached()) machine_.SetRecorder(nullptr);
    checkpoints_.clear();
    inputs_.clear();
    inputBytes_ = 0;
}

void StepBackHistory::Restart() {
    checkpoints_.clear();
    inputs_.clear();
    inputBytes_ = 0;
    firstInput_ = nextInput_ = 0;
    TakeCheckpoint();
    UpdateBaseline();
    // Any other change of the files starts afresh again: only here can their names change.
    baselineFiles_ = {machine_.Pia().SignalFileName(kPortA), machine_.Pia().SignalFileName(kPortB),
                      machine_.Acia().SignalFileName()};
}

std::uint64_t StepBackHistory::FirstStep() const {
    return checkpoints_.empty() ? machine_.TotalSteps()
                                : checkpoints_.front().state.board.totalSteps;
}

std::uint64_t StepBackHistory::FirstCycle() const {
    return checkpoints_.empty() ? machine_.TotalCycles()
                                : checkpoints_.front().state.board.totalCycles;
}

// ---- recording ----------------------------------------------------------------------------------

RunRecorder::Limit StepBackHistory::RunStarting() {
    RecordOutsideChanges();
    TakeCheckpointIfDue();
    Limit limit{nextCheckpointCycle_ - machine_.TotalCycles(), Mc6809::kNoStepLimit};
    if (nextInput_ < InputEnd()) limit.steps = InputAt(nextInput_).step - machine_.TotalSteps();
    return limit;
}

void StepBackHistory::RunEnded() {
    ApplyDueInputs();
    if (SignalFilesChanged()) {
        Restart();
        return;
    }
    TakeCheckpointIfDue();
    UpdateBaseline();
}

bool StepBackHistory::Unchanged() const {
    Machine& m = machine_;
    const BoardState& b = baseline_;
    const auto& pages = m.Decoder().MemoryPageGenerations();
    return m.TotalSteps() == b.totalSteps && m.TotalCycles() == b.totalCycles &&
           m.CycleCounter() == b.cycleCounter && m.Cpu().State() == b.cpu &&
           m.Timer().State() == b.timer && m.Acia().State() == b.acia && m.Pia().State() == b.pia &&
           m.Keypad().State() == b.keypad && m.Display().State() == b.display &&
           std::equal(baselinePages_.begin(), baselinePages_.end(), pages.begin()) &&
           m.SpareRegisters() == b.spareRegisters && m.KeysDown() == b.keysDown;
}

void StepBackHistory::RecordOutsideChanges() {
    if (Unchanged()) {
        ApplyDueInputs();
        return;
    }
    if (SignalFilesChanged()) {
        Restart();
        return;
    }
    // A new future begins here: what was logged ahead of now no longer follows.
    DropFuture();
    Input& input = inputs_.emplace_back();
    input.step = machine_.TotalSteps();
    machine_.SaveBoardState(input.board);
    const RamPageGenerations pages = PageGenerations();
    const auto& ram = machine_.Ram().Storage();
    for (std::size_t page = 0; page < kRamPages; ++page) {
        if (pages[page] == baselinePages_[page]) continue;
        input.pages.push_back(static_cast<Byte>(page));
        input.bytes.insert(input.bytes.end(), ram.begin() + page * 256,
                           ram.begin() + (page + 1) * 256);
    }
    inputBytes_ += sizeof(Input) + input.pages.size() + input.bytes.size();
    nextInput_ = InputEnd();
    baseline_ = input.board;
    baselinePages_ = pages;
    while (MemoryUsage() > options_.byteBudget && checkpoints_.size() > 1)
        DropOldestCheckpoint();
    if (MemoryUsage() > options_.byteBudget) Restart();
}

bool StepBackHistory::SignalFilesChanged() const {
    const Mc6821State& pia = machine_.Pia().State();
    const R6551State& acia = machine_.Acia().State();
    for (std::size_t p = 0; p < 2; ++p) {
        if (pia.port[p].reading != baseline_.pia.port[p].reading ||
            pia.port[p].recording != baseline_.pia.port[p].recording ||
            machine_.Pia().SignalFileName(static_cast<int>(p) + kPortA) != baselineFiles_[p]) {
            return true;
        }
    }
    return acia.reading != baseline_.acia.reading || acia.recording != baseline_.acia.recording ||
           machine_.Acia().SignalFileName() != baselineFiles_[2];
}

void StepBackHistory::ApplyDueInputs() {
    bool applied = false;
    while (nextInput_ < InputEnd()) {
        const Input& input = InputAt(nextInput_);
        if (input.step > machine_.TotalSteps()) break;
        if (input.step < machine_.TotalSteps()) {
            // Passed by without being put in: that future is no longer ahead.
            DropFuture();
            break;
        }
        Apply(input);
        ++nextInput_;
        applied = true;
    }
    if (applied) UpdateBaseline();
}

void StepBackHistory::Apply(const Input& input) {
    machine_.RestoreBoardState(input.board);
    tarvok::Ram& ram = machine_.Ram();
    for (std::size_t i = 0; i < input.pages.size(); ++i) {
        const unsigned base = unsigned{input.pages[i]} * 256;
        for (unsigned offset = 0; offset < 256; ++offset)
            ram.StoreByte(base + offset, input.bytes[i * 256 + offset]);
    }
}

void StepBackHistory::TakeCheckpointIfDue() {
    if (machine_.TotalCycles() >= nextCheckpointCycle_) TakeCheckpoint();
}

void StepBackHistory::TakeCheckpoint() {
    Checkpoint& checkpoint = checkpoints_.emplace_back();
    machine_.SaveState(checkpoint.state);
    checkpoint.firstInput = nextInput_;
    nextCheckpointCycle_ = machine_.TotalCycles() + options_.checkpointCycles;
    while (checkpoints_.size() > options_.maxCheckpoints ||
           (MemoryUsage() > options_.byteBudget && checkpoints_.size() > 1)) {
        DropOldestCheckpoint();
    }
}

void StepBackHistory::DropOldestCheckpoint() {
    checkpoints_.pop_front();
    const std::uint64_t keep = checkpoints_.front().firstInput;
    while (firstInput_ < keep && !inputs_.empty()) {
        const Input& input = inputs_.front();
        inputBytes_ -= sizeof(Input) + input.pages.size() + input.bytes.size();
        inputs_.pop_front();
        ++firstInput_;
    }
}

void StepBackHistory::DropFuture() {
    while (InputEnd() > nextInput_) {
        const Input& input = inputs_.back();
        inputBytes_ -= sizeof(Input) + input.pages.size() + input.bytes.size();
        inputs_.pop_back();
    }
}

void StepBackHistory::UpdateBaseline() {
    machine_.SaveBoardState(baseline_);
    baselinePages_ = PageGenerations();
}

StepBackHistory::RamPageGenerations StepBackHistory::PageGenerations() const {
    RamPageGenerations pages;
    const auto& all = machine_.Decoder().MemoryPageGenerations();
    std::copy_n(all.begin(), kRamPages, pages.begin());
    return pages;
}

// ---- going back ---------------------------------------------------------------------------------

std::size_t StepBackHistory::CheckpointBefore(std::uint64_t step) const {
    std::size_t index = checkpoints_.size() - 1;
    while (index > 0 && checkpoints_[index].state.board.totalSteps > step)
        --index;
    return index;
}

void StepBackHistory::Mute(bool muted) {
    AddressDecoder& bus = machine_.Decoder();
    if (muted) {
        machine_.SetRecorder(nullptr);
        mutedOutput_ = bus.Output();
        mutedBeep_ = bus.BeepOnMessage();
        bus.SetOutput(nullptr);
        bus.SetBeepOnMessage(false);
    } else {
        bus.SetOutput(mutedOutput_);
        bus.SetBeepOnMessage(mutedBeep_);
        machine_.SetRecorder(this);
    }
    machine_.Timer().MuteTaps(muted);
    machine_.Acia().MuteTaps(muted);
}

bool StepBackHistory::Replay(std::size_t index, std::uint64_t step, std::uint64_t* breakpointStep) {
    const Checkpoint& checkpoint = checkpoints_[index];
    Mute(true);
    const bool filesReturned = machine_.RestoreState(checkpoint.state);
    std::uint64_t next = checkpoint.firstInput;
    const AddressDecoder& bus = machine_.Decoder();
    for (;;) {
        while (next < InputEnd() && InputAt(next).step <= machine_.TotalSteps())
            Apply(InputAt(next++));
        if (breakpointStep != nullptr && bus.HasBreakpoint(machine_.Cpu().PC()))
            *breakpointStep = machine_.TotalSteps();
        if (machine_.TotalSteps() >= step) break;
        machine_.Step();
    }
    nextInput_ = next;
    Mute(false);
    return filesReturned;
}

Status StepBackHistory::SettleAt(std::uint64_t step, bool filesReturned) {
    while (checkpoints_.size() > 1 && checkpoints_.back().state.board.totalSteps > step)
        checkpoints_.pop_back();
    nextCheckpointCycle_ = checkpoints_.back().state.board.totalCycles + options_.checkpointCycles;
    UpdateBaseline();
    if (filesReturned) return {};
    Restart();
    return Refused("a signal file cannot return to its position",
                   "Eine Signaldatei lässt sich nicht zurücksetzen: die Vorgeschichte beginnt "
                   "hier neu;");
}

Status StepBackHistory::StepBack() {
    if (machine_.TotalSteps() == 0) return StepBackTo(0);
    return StepBackTo(machine_.TotalSteps() - 1);
}

Status StepBackHistory::CheckReach(std::uint64_t step) {
    if (!Attached()) {
        return Refused("no history is kept",
                       "Schritt zurück nicht möglich: die Vorgeschichte wird nicht aufgezeichnet;");
    }
    RecordOutsideChanges();
    // A file that cannot tell where it stands (a terminal) cannot go back with the machine.
    Mc6821& pia = machine_.Pia();
    for (const int port : {kPortA, kPortB}) {
        if ((pia.IsReading(port) || pia.IsRecording(port)) && pia.SignalFilePosition(port) < 0)
            return FileRefused(pia.SignalFileName(port));
    }
    R6551& acia = machine_.Acia();
    if ((acia.IsReading() || acia.IsRecording()) && acia.SignalFilePosition() < 0)
        return FileRefused(acia.SignalFileName());
    if (step < machine_.TotalSteps() && step >= FirstStep()) return {};
    return Refused("the history begins at step " + std::to_string(FirstStep()),
                   "Schritt zurück nicht möglich: die Vorgeschichte reicht nur bis Schritt " +
                       std::to_string(FirstStep()) + " zurück;");
}

Status StepBackHistory::StepBackTo(std::uint64_t step) {
    if (Status reach = CheckReach(step); !reach) return reach;
    const bool filesReturned = Replay(CheckpointBefore(step), step, nullptr);
    return SettleAt(step, filesReturned);
}

Status StepBackHistory::BackToPreviousBreakpoint() {
    const std::uint64_t now = machine_.TotalSteps();
    if (Status reach = CheckReach(now - 1); !reach) return reach;
    // The stretches between checkpoints, the latest first; each ends before `end`.
    bool filesReturned = true;
    std::uint64_t end = now;
    for (std::size_t index = CheckpointBefore(now - 1);; --index) {
        const std::uint64_t start = checkpoints_[index].state.board.totalSteps;
        std::uint64_t found = kNoInput;
        if (start < end) filesReturned &= Replay(index, end - 1, &found);
        if (found != kNoInput) {
            if (found != end - 1) filesReturned &= Replay(index, found, nullptr);
            return SettleAt(found, filesReturned);
        }
        end = std::min(end, start);
        if (index == 0) break;
    }
    // None: back to where the search began.
    filesReturned &= Replay(CheckpointBefore(now), now, nullptr);
    if (Status settled = SettleAt(now, filesReturned); !settled) return settled;
    return Refused("no breakpoint since step " + std::to_string(FirstStep()),
                   "Kein Breakpoint seit Schritt " + std::to_string(FirstStep()) + " erreicht;");
}

}  // namespace tarvok
