#include "machine/machine.h"

#include "machine/builtin_rom.h"
#include "core/hex_text.h"

namespace tarvok {

TMachine::TMachine(const TMachineOptions& options) {
    decoder_.SetMaxMemoLines(1000);
    decoder_.SetOutputMemo(&messages_);
    rom_.SetRomFile(options.romFile);
    rom_.SetDefaultImage(BuiltinRomImage());
    rom_.SetForceBuiltinImage(options.builtinRomOnly);

    for (const TModuleWiring& wiring : kMachineWiring) {
        TMemoryModule& module = Module(wiring.id);
        module.SetAddressDecoder(&decoder_);
        module.SetBaseAddress(wiring.baseAddress);
        for (std::size_t output = 0; output < wiring.irqOutputs.size(); ++output) {
            if (const auto& wire = wiring.irqOutputs[output]) {
                module.ConnectIRQOutput(static_cast<int>(output), &Module(wire->dest), wire->input);
            }
        }
    }
    for (const TModuleWiring& wiring : kMachineWiring)
        Module(wiring.id).Loaded();
    // The Break key's line idles high, as after a system reset.
    pia_.SetCA1Input(true);
    for (const TModuleWiring& wiring : kMachineWiring) {
        if (wiring.clocked) runList_[runListSize_++] = &Module(wiring.id);
    }
}

TMemoryModule& TMachine::Module(TModuleId id) {
    switch (id) {
        case TModuleId::Ram:
            return ram_;
        case TModuleId::Rom:
            return rom_;
        case TModuleId::SevenSegment:
            return display_;
        case TModuleId::Keyboard:
            return keyboard_;
        case TModuleId::Cpu:
            return cpu_;
        case TModuleId::Pia:
            return pia_;
        case TModuleId::Timer:
            return timer_;
        case TModuleId::Acia:
            return acia_;
        case TModuleId::Dummy1:
            return dummy1_;
        case TModuleId::Dummy2:
            return dummy2_;
    }
    return ram_;
}

Byte TMachine::Step() {
    Byte cycles = lastCycles_;
    for (std::size_t i = 0; i < runListSize_; ++i)
        cycles = runList_[i]->Run(cycles);
    lastCycles_ = cycles;
    totalCycles_ += cycles;
    ++totalSteps_;
    SetCycleCounter(static_cast<std::uint16_t>(cycleCounter_ + cycles));
    return cycles;
}

bool TMachine::CheckBreakpoint() {
    const Address pc = cpu_.GetRegPC();
    if (!decoder_.GetBreakpoint(pc)) return false;
    decoder_.ShowMessage("Breakpoint bei Adresse ($" + Hex4(pc) +
                         ") erreicht: System wird angehalten;");
    SetSystemRunning(false);
    return true;
}

bool TMachine::Burst() {
    if (!systemRunning_) return false;
    for (int step = 0; step < kBurstSteps; ++step) {
        Step();
        if (CheckBreakpoint()) return true;
    }
    return false;
}

void TMachine::ResetSystem() {
    for (std::size_t i = 0; i < runListSize_; ++i)
        runList_[i]->Reset();
    pia_.SetCA1Input(true);
    CheckBreakpoint();
    SetCycleCounter(0);
}

void TMachine::SetSystemRunning(bool running) {
    systemRunning_ = running;
    settings_.systemRunning = running;
    if (listener_ != nullptr) listener_->SystemRunningChanged(running);
}

void TMachine::SetCycleCounter(std::uint16_t value) {
    if (value == cycleCounter_) return;
    cycleCounter_ = value;
    if (countCycles_ && listener_ != nullptr) listener_->CycleCounterChanged(value);
}

void TMachine::SetCountCycles(bool on) {
    countCycles_ = on;
    if (listener_ != nullptr) listener_->CycleCounterChanged(cycleCounter_);
}

std::string TMachine::RunStateText() const {
    return systemRunning_ ? "System gestartet..." : "System angehalten...";
}

std::string TMachine::CycleCounterText() const {
    return countCycles_ ? "Taktzähler: " + std::to_string(cycleCounter_) : "Taktzähler: aus";
}

void TMachine::PressKey(TKeypadKey key) {
    const auto index = static_cast<std::size_t>(key);
    if (keysDown_[index]) return;
    keysDown_[index] = true;
    const TKeypadKeyInfo& info = KeypadKeyInfo(key);
    if (info.inMatrix) {
        keyboard_.KeyPressed(info.position, info.value);
    } else if (key == TKeypadKey::Break) {
        pia_.SetCA1Input(false);
    }
}

void TMachine::ReleaseKey(TKeypadKey key) {
    const auto index = static_cast<std::size_t>(key);
    if (!keysDown_[index]) return;
    keysDown_[index] = false;
    const TKeypadKeyInfo& info = KeypadKeyInfo(key);
    if (info.inMatrix) {
        keyboard_.KeyReleased(info.position, info.value);
    } else if (key == TKeypadKey::Break) {
        pia_.SetCA1Input(true);
    } else if (key == TKeypadKey::Clear) {
        if (TOutputSink* output = decoder_.OutputMemo()) output->Clear();
        ResetSystem();
    }
}

void TMachine::ApplySettings(const TMachineSettings& settings) {
    settings_ = settings;
    SetSystemRunning(settings.systemRunning);
}

}  // namespace tarvok
