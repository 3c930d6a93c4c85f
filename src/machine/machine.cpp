#include "machine/machine.h"

#include <algorithm>

#include "core/hex_text.h"
#include "machine/builtin_rom.h"

namespace tarvok {

Machine::Machine(const MachineOptions& options) {
    decoder_.SetMaxOutputLines(1000);
    decoder_.SetOutput(&messages_);
    rom_.SetRomFile(options.romFile);
    rom_.SetDefaultImage(BuiltinRomImage());
    rom_.SetForceBuiltinImage(options.builtinRomOnly);

    for (const ModuleWiring& wiring : kMachineWiring) {
        Device& module = Module(wiring.id);
        module.SetDecoder(&decoder_);
        module.SetBaseAddress(wiring.baseAddress);
        for (std::size_t output = 0; output < wiring.interruptOutputs.size(); ++output) {
            if (const auto& wire = wiring.interruptOutputs[output]) {
                module.ConnectInterruptOutput(static_cast<int>(output), &Module(wire->dest),
                                              wire->input);
            }
        }
    }
    for (const ModuleWiring& wiring : kMachineWiring)
        Module(wiring.id).Install();
    // The Break key's line idles high, as after a system reset.
    pia_.SetControlInput(kPortA, 1, true);
    for (const ModuleWiring& wiring : kMachineWiring) {
        if (wiring.clocked) runList_[runListSize_++] = &Module(wiring.id);
    }
    // The devices catch up in the order in which the run list steps them.
    for (std::size_t i = 0; i < runListSize_; ++i) {
        if (auto* device = dynamic_cast<ClockedDevice*>(runList_[i])) {
            device->SetClock(this);
            devices_[deviceCount_++] = device;
        }
    }
}

Device& Machine::Module(ModuleId id) {
    switch (id) {
        case ModuleId::Ram:
            return ram_;
        case ModuleId::Rom:
            return rom_;
        case ModuleId::SevenSegment:
            return display_;
        case ModuleId::Keypad:
            return keypad_;
        case ModuleId::Cpu:
            return cpu_;
        case ModuleId::Pia:
            return pia_;
        case ModuleId::Timer:
            return timer_;
        case ModuleId::Acia:
            return acia_;
        case ModuleId::Dummy1:
            return dummy1_;
        case ModuleId::Dummy2:
            return dummy2_;
    }
    return ram_;
}

Byte Machine::Step() {
    if (recorder_ != nullptr) recorder_->RunStarting();
    Byte cycles = lastCycles_;
    for (std::size_t i = 0; i < runListSize_; ++i)
        cycles = runList_[i]->Run(cycles);
    lastCycles_ = cycles;
    Count(cycles, 1);
    if (recorder_ != nullptr) recorder_->RunEnded();
    return cycles;
}

void Machine::Count(std::uint64_t cycles, std::uint64_t steps) {
    totalCycles_ += cycles;
    totalSteps_ += steps;
    cycleCounter_ = static_cast<std::uint16_t>(cycleCounter_ + cycles);
}

void Machine::CatchUpDevices() {
    for (std::size_t i = 0; i < deviceCount_; ++i)
        devices_[i]->CatchUp(totalCycles_);
}

Mc6809::RunResult Machine::RunFor(std::uint64_t cycles, std::uint64_t maxSteps) {
    if (recorder_ == nullptr) return RunUnrecorded(cycles, maxSteps);
    Mc6809::RunResult total;
    while (total.cycles < cycles && total.steps < maxSteps) {
        const RunRecorder::Limit limit = recorder_->RunStarting();
        const Mc6809::RunResult run = RunUnrecorded(std::min(cycles - total.cycles, limit.cycles),
                                                    std::min(maxSteps - total.steps, limit.steps));
        recorder_->RunEnded();
        total.cycles += run.cycles;
        total.steps += run.steps;
        total.end = run.end;
        if (run.end != Mc6809::RunEnd::Budget || run.steps == 0) break;
    }
    return total;
}

Mc6809::RunResult Machine::RunUnrecorded(std::uint64_t cycles, std::uint64_t maxSteps) {
    Mc6809::RunResult total;
    while (total.cycles < cycles && total.steps < maxSteps) {
        std::uint64_t limit = std::min(cycles - total.cycles, kMaxRunCycles);
        for (std::size_t i = 0; i < deviceCount_; ++i)
            limit = std::min(limit, devices_[i]->CyclesToEvent());
        runStart_ = totalCycles_;
        runEnd_ = runStart_ + limit;
        runningFor_ = true;
        const Mc6809::RunResult run = cpu_.RunFor(limit, maxSteps - total.steps);
        runningFor_ = false;
        Count(run.cycles, run.steps);
        CatchUpDevices();
        total.cycles += run.cycles;
        total.steps += run.steps;
        if (run.end != Mc6809::RunEnd::Budget) {
            total.end = run.end;
            if (run.end == Mc6809::RunEnd::Breakpoint) CheckBreakpoint();
            break;
        }
        if (run.steps == 0) break;  // no decoder: nothing runs
    }
    if (total.steps != 0) lastCycles_ = cpu_.State().cycles;
    return total;
}

void Machine::EventMoved(const ClockedDevice& device) {
    if (!runningFor_) return;
    const std::uint64_t event = device.CyclesToEvent();
    if (event == ClockedDevice::kNoEvent || device.Time() + event >= runEnd_) return;
    runEnd_ = device.Time() + event;
    cpu_.LimitRun(runEnd_ - runStart_);
}

bool Machine::CheckBreakpoint() {
    const Address pc = cpu_.PC();
    if (!decoder_.HasBreakpoint(pc)) return false;
    decoder_.ShowMessage("Breakpoint bei Adresse ($" + Hex4(pc) +
                         ") erreicht: System wird angehalten;");
    SetSystemRunning(false);
    listeners_.Notify([&](MachineListener& l) { l.BreakpointReached(pc); });
    return true;
}

bool Machine::Burst() {
    if (!systemRunning_) return false;
    return RunSteps(kBurstSteps).end == Mc6809::RunEnd::Breakpoint;
}

void Machine::ResetSystem() {
    for (std::size_t i = 0; i < runListSize_; ++i)
        runList_[i]->Reset();
    pia_.SetControlInput(kPortA, 1, true);
    CheckBreakpoint();
    SetCycleCounter(0);
    listeners_.Notify([](MachineListener& l) { l.SystemReset(); });
}

void Machine::SetSystemRunning(bool running) {
    systemRunning_ = running;
    listeners_.Notify([&](MachineListener& l) { l.SystemRunningChanged(running); });
}

void Machine::PressKey(KeypadKey key) {
    const auto index = static_cast<std::size_t>(key);
    if (keysDown_[index]) return;
    keysDown_[index] = true;
    const KeypadCell cell = KeypadKeyCell(key);
    if (cell.inMatrix) {
        keypad_.Press(cell.column, cell.row);
    } else if (key == KeypadKey::Break) {
        pia_.SetControlInput(kPortA, 1, false);
    }
}

void Machine::ReleaseKey(KeypadKey key) {
    const auto index = static_cast<std::size_t>(key);
    if (!keysDown_[index]) return;
    keysDown_[index] = false;
    const KeypadCell cell = KeypadKeyCell(key);
    if (cell.inMatrix) {
        keypad_.Release(cell.column, cell.row);
    } else if (key == KeypadKey::Break) {
        pia_.SetControlInput(kPortA, 1, true);
    } else if (key == KeypadKey::Clear) {
        if (OutputSink* output = decoder_.Output()) output->Clear();
        ResetSystem();
    }
}

void Machine::Output::AppendLine(const std::string& line) {
    MessageLines::AppendLine(line);
    listeners_.Notify([&](MachineListener& l) { l.MessageShown(line); });
}

void Machine::Output::Clear() {
    MessageLines::Clear();
    listeners_.Notify([](MachineListener& l) { l.MessagesCleared(); });
}

namespace {

// Copies `now` into `shown` and counts a generation when it differs.
template <typename T>
void Track(T& shown, const T& now, std::uint64_t& generation) {
    if (shown == now) return;
    shown = now;
    ++generation;
}

}  // namespace

void Machine::SaveBoardState(BoardState& state) const {
    state.cpu = cpu_.State();
    state.pia = pia_.State();
    state.timer = timer_.State();
    state.acia = acia_.State();
    state.keypad = keypad_.State();
    state.display = display_.State();
    state.spareRegisters = SpareRegisters();
    state.keysDown = keysDown_;
    state.cycleCounter = cycleCounter_;
    state.lastCycles = lastCycles_;
    state.totalCycles = totalCycles_;
    state.totalSteps = totalSteps_;
}

void Machine::RestoreBoardState(const BoardState& state) {
    pia_.RestoreState(state.pia);
    timer_.RestoreState(state.timer);
    acia_.RestoreState(state.acia);
    keypad_.RestoreState(state.keypad);
    display_.RestoreState(state.display);
    dummy1_.Write(0, state.spareRegisters[0]);
    dummy2_.Write(0, state.spareRegisters[1]);
    // Last: restoring a device may have driven an interrupt input of the processor.
    cpu_.RestoreState(state.cpu);
    keysDown_ = state.keysDown;
    cycleCounter_ = state.cycleCounter;
    lastCycles_ = state.lastCycles;
    totalCycles_ = state.totalCycles;
    totalSteps_ = state.totalSteps;
    for (std::size_t i = 0; i < deviceCount_; ++i)
        devices_[i]->SetClock(this);
}

void Machine::SaveState(MachineState& state) const {
    SaveBoardState(state.board);
    state.ram = ram_.Storage();
    state.files.pia = {pia_.SignalFilePosition(kPortA), pia_.SignalFilePosition(kPortB)};
    state.files.acia = acia_.SignalFilePosition();
}

bool Machine::RestoreState(const MachineState& state) {
    bool files = true;
    for (const int port : {kPortA, kPortB}) {
        const std::int64_t position = state.files.pia[static_cast<std::size_t>(port - 1)];
        if (position >= 0) files &= pia_.ReturnToSignalFilePosition(port, position);
    }
    if (state.files.acia >= 0) files &= acia_.ReturnToSignalFilePosition(state.files.acia);
    RestoreBoardState(state.board);
    for (unsigned offset = 0; offset < state.ram.size(); ++offset)
        ram_.StoreByte(offset, state.ram[offset]);
    return files;
}

void Machine::TakeSnapshot(MachineSnapshot& snapshot) const {
    SnapshotGenerations& generations = snapshot.generations;
    Track(snapshot.cpu, cpu_.State(), generations.cpu);
    Track(snapshot.pia, pia_.State(), generations.pia);
    Track(snapshot.timer, timer_.State(), generations.timer);
    Track(snapshot.acia, acia_.State(), generations.acia);
    Track(snapshot.keypad, keypad_.State(), generations.keypad);
    Track(snapshot.display, display_.State(), generations.display);
    Track(snapshot.memoryPages, decoder_.MemoryPageGenerations(), generations.memory);
    const bool runChanged =
        snapshot.running != systemRunning_ || snapshot.countCycles != countCycles_ ||
        snapshot.cycleCounter != cycleCounter_ || snapshot.totalCycles != totalCycles_ ||
        snapshot.totalSteps != totalSteps_;
    if (runChanged) {
        snapshot.running = systemRunning_;
        snapshot.countCycles = countCycles_;
        snapshot.cycleCounter = cycleCounter_;
        snapshot.totalCycles = totalCycles_;
        snapshot.totalSteps = totalSteps_;
        ++generations.run;
    }
}

}  // namespace tarvok
