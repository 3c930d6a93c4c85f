#include "devices/mc6821.h"

#include <algorithm>

#include "core/address_decoder.h"
#include "devices/signal_file.h"

namespace tarvok {

namespace {

constexpr Byte kC2ModeMask = Mc6821::kCrC2Output | Mc6821::kCrBit4;
// Cx2 output under direct control of bit 3.
constexpr Byte kC2Direct = Mc6821::kCrC2Output | Mc6821::kCrBit4;
// Cx2 output strobed by the port: bit 3 chooses pulse (1) or handshake (0).
constexpr Byte kC2Strobe = Mc6821::kCrC2Output;

bool IsC2Strobe(Byte cr) {
    return (cr & kC2ModeMask) == kC2Strobe;
}

}  // namespace

Mc6821::Mc6821() : ClockedDevice(0xF000, 4) {}

Mc6821::~Mc6821() {
    // The windows may already be gone; a recording is still written to its file.
    listeners_ = {};
    StopAll();
}

void Mc6821::Install() {
    Device::Install();
    Reset();
}

void Mc6821::ConnectInterruptOutput(int output, Device* dest, std::uint16_t destNum) {
    if (output != 0 && output != 1) return;
    irqDest_[output] = dest;
    irqDestNum_[output] = destNum;
}

Byte Mc6821::ReadNow(Address address, bool peek) {
    const unsigned offset = static_cast<Address>(address - baseAddress_);
    if (offset >= 4) return 0;
    const int p = offset < 2 ? kA : kB;
    const Mc6821Port& port = state_.port[p];
    if (offset & 1) return port.cr;
    if ((port.cr & kCrDrSelect) == 0) return port.ddr;
    const Byte value = ReadValueAt(p);
    if (!peek) {
        // Each flag is cleared through the register-write path, as its own store.
        StoreCrBit(p, kCrFlag1, false);
        if (!Bit(p, kCrC2Output)) StoreCrBit(p, kCrFlag2, false);
        // Only CA2 strobes on a read; CB2 strobes on a write.
        if (p == kA && IsC2Strobe(state_.port[p].cr)) SetC2Output(p, false);
    }
    return value;
}

void Mc6821::WriteNow(Address address, Byte value) {
    const unsigned offset = static_cast<Address>(address - baseAddress_);
    if (offset >= 4) return;
    const int p = offset < 2 ? kA : kB;
    const Byte shownBefore = state_.shown[offset];
    if (offset & 1) {
        StoreCr(p, static_cast<Byte>((value & 0x3F) | (state_.port[p].cr & 0xC0)));
    } else if (state_.port[p].cr & kCrDrSelect) {
        StoreDr(p, value);
        if (p == kB && IsC2Strobe(state_.port[p].cr)) SetC2Output(p, false);
    } else {
        StoreDdr(p, value);
    }
    // A memory window that wrote a value the register did not take must show the true byte again.
    if (state_.shown[offset] == shownBefore && shownBefore != value && decoder_ != nullptr) {
        decoder_->AnnounceChange(address, shownBefore);
    }
}

void Mc6821::Reset() {
    StopAll();
    for (int p : {kA, kB}) {
        StoreDdr(p, 0);
        StoreDr(p, 0);
        StoreCr(p, 0);
    }
    for (int p : {kA, kB}) {
        SetInputSwitches(p + 1, 0);
        Mc6821Port& port = state_.port[p];
        for (int line : {1, 2}) {
            bool& sw = line == 1 ? port.c1Switch : port.c2Switch;
            if (!sw) continue;
            sw = false;
            listeners_.Notify(
                [&](Mc6821Listener& l) { l.ControlSwitchChanged(p + 1, line, false); });
        }
    }
}

std::uint64_t Mc6821::CyclesToEvent() const {
    if (StrobeDue(kA) || StrobeDue(kB)) return 1;
    std::uint64_t event = kNoEvent;
    for (const Mc6821Port& port : state_.port) {
        // A record is taken in the cycle that counts its predecessor out.
        if (port.reading) event = std::min<std::uint64_t>(event, std::max(port.cycleCounter, 1u));
    }
    return event;
}

void Mc6821::Advance(std::uint64_t cycles) {
    if (Busy()) RunBusy(cycles);
}

// Advances as if cycle by cycle, but passes over stretches in which only counters move.
void Mc6821::RunBusy(std::uint64_t cycles) {
    std::uint64_t remaining = cycles;
    while (remaining > 0 && Busy()) {
        std::uint64_t quiet = remaining;
        if (StrobeDue(kA) || StrobeDue(kB)) quiet = 0;
        for (const Mc6821Port& port : state_.port) {
            if (port.reading) {
                quiet = std::min<std::uint64_t>(quiet,
                                                port.cycleCounter > 0 ? port.cycleCounter - 1 : 0);
            }
        }
        if (quiet == 0) {
            StepCycle();
            --remaining;
            continue;
        }
        for (int p : {kA, kB}) {
            Mc6821Port& port = state_.port[p];
            if (port.reading) port.cycleCounter -= static_cast<std::uint32_t>(quiet);
            if (port.recording) CountRecordedCycles(p, quiet);
        }
        remaining -= quiet;
    }
}

void Mc6821::StepCycle() {
    for (int p : {kA, kB}) {
        Mc6821Port& port = state_.port[p];
        if (!port.reading) continue;
        if (port.cycleCounter != 0) --port.cycleCounter;
        if (port.cycleCounter == 0 && !ApplyNextRecord(p + 1)) {
            (void)StopReadingAndRecording(p + 1);  // the end of the file: nothing to report
        }
    }
    for (int p : {kA, kB}) {
        if (!StrobeDue(p)) continue;
        if ((state_.port[p].cr & kCrBit3) && decoder_ != nullptr) {
            decoder_->ShowMessage(
                p == kA ? "L-Strobe-Impuls an CA2 für die Dauer eines Maschinenzyklus"
                        : "L-Strobe-Impuls an CB2 für die Dauer eines Maschinenzyklus");
        }
        SetC2Output(p, true);
    }
    for (int p : {kA, kB}) {
        if (state_.port[p].recording) CountRecordedCycles(p, 1);
    }
}

// A state that outlasts the duration field goes on in a further record of the same lines, so
// that playback holds it just as long.
void Mc6821::CountRecordedCycles(int p, std::uint64_t cycles) {
    Mc6821Port& port = state_.port[p];
    for (;;) {
        const std::uint32_t room = kMaxRecordCycles - port.cycleCounter;
        if (cycles < room) break;
        port.cycleCounter = kMaxRecordCycles;
        WriteRecord(p + 1);
        if (!port.recording) return;
        cycles -= room;
    }
    port.cycleCounter += static_cast<std::uint32_t>(cycles);
}

// A strobe that the next cycle ends: a pulse always, a handshake once Cx1 has answered.
bool Mc6821::StrobeDue(int p) const {
    const Mc6821Port& port = state_.port[p];
    return IsC2Strobe(port.cr) && !port.c2Output && (port.cr & (kCrBit3 | kCrFlag1)) != 0;
}

void Mc6821::StoreCrBit(int p, Byte mask, bool on) {
    const Byte cr = state_.port[p].cr;
    StoreCr(p, on ? static_cast<Byte>(cr | mask) : static_cast<Byte>(cr & ~mask));
}

void Mc6821::StoreDdr(int p, Byte value) {
    Mc6821Port& port = state_.port[p];
    if (port.ddr == value) return;
    // Lines that turn between input and output end the recorded state.
    if (port.recording) WriteRecord(p + 1);
    port.ddr = value;
    NotifyRegister(p, 0, value);
    PublishBytes(p);
}

void Mc6821::StoreDr(int p, Byte value) {
    Mc6821Port& port = state_.port[p];
    // Every store ends a record, even one that leaves the lines as they are.
    if (port.recording) WriteRecord(p + 1);
    if (port.dr == value) return;
    port.dr = value;
    NotifyRegister(p, 1, value);
    PublishBytes(p);
}

void Mc6821::StoreCr(int p, Byte value) {
    Mc6821Port& port = state_.port[p];
    const Byte old = port.cr;
    // Every store that drives Cx2 directly ends a record, even one that changes nothing.
    if (port.recording && (value & kC2ModeMask) == kC2Direct) WriteRecord(p + 1);
    port.cr = value;
    if (irqDest_[p] != nullptr) {
        const bool irq1 = (value & kCrFlag1) && (value & kCrIrq1Enable);
        const bool irq2 = (value & kCrFlag2) && (value & kCrBit3) && !(value & kCrC2Output);
        irqDest_[p]->SetInterruptInput(this, static_cast<std::uint16_t>(p + 1), irqDestNum_[p],
                                       !(irq1 || irq2));
    }
    if ((value & kC2ModeMask) == kC2Direct) {
        SetC2Output(p, (value & kCrBit3) != 0);
    } else if ((value & kCrC2Output) == 0) {
        SetC2Output(p, true);
    }
    if (old != value) NotifyRegister(p, 2, value);
    PublishBytes(p);
}

void Mc6821::SetControlInput(int port, int line, bool level) {
    if (!ValidPort(port)) return;
    if (line == 1) SetC1Input(port - 1, level);
    if (line == 2) SetC2Input(port - 1, level);
}

bool Mc6821::ControlInput(int port, int line) const {
    if (!ValidPort(port)) return false;
    const Mc6821Port& state = state_.port[port - 1];
    return line == 1 ? state.c1Input : (line == 2 && state.c2Input);
}

void Mc6821::SetC1Input(int p, bool level) {
    Mc6821Port& port = state_.port[p];
    if (port.c1Input == level) return;
    const bool risingActive = (port.cr & kCrC1PosEdge) != 0;
    if (risingActive == level) StoreCrBit(p, kCrFlag1, true);
    port.c1Input = level;
}

void Mc6821::SetC2Input(int p, bool level) {
    Mc6821Port& port = state_.port[p];
    if (port.c2Input == level) return;
    if ((port.cr & kCrC2Output) == 0) {
        const bool risingActive = (port.cr & kCrBit4) != 0;
        if (risingActive == level) StoreCrBit(p, kCrFlag2, true);
    }
    port.c2Input = level;
}

void Mc6821::SetC2Output(int p, bool level) {
    Mc6821Port& port = state_.port[p];
    if (port.c2Output == level) return;
    port.c2Output = level;
    listeners_.Notify([&](Mc6821Listener& l) { l.Cx2OutputChanged(p + 1, level); });
}

void Mc6821::SetInputSwitches(int port, Byte value) {
    if (!ValidPort(port)) return;
    Mc6821Port& state = state_.port[port - 1];
    if (state.inputSwitches == value) return;
    state.inputSwitches = value;
    listeners_.Notify([&](Mc6821Listener& l) { l.InputSwitchesChanged(port, value); });
    PublishPortRead(port);
}

Byte Mc6821::InputSwitches(int port) const {
    if (!ValidPort(port)) return 0;
    return state_.port[port - 1].inputSwitches;
}

void Mc6821::PublishPortRead(int port) {
    if (ValidPort(port)) PublishBytes(port - 1);
}

void Mc6821::SetControlSwitch(int port, int line, bool on) {
    if (!ValidPort(port) || (line != 1 && line != 2)) return;
    const int p = port - 1;
    bool& sw = line == 1 ? state_.port[p].c1Switch : state_.port[p].c2Switch;
    if (sw == on) return;
    sw = on;
    listeners_.Notify([&](Mc6821Listener& l) { l.ControlSwitchChanged(port, line, on); });
    if (line == 1) {
        SetC1Input(p, on);
    } else {
        SetC2Input(p, on);
    }
}

bool Mc6821::ControlSwitch(int port, int line) const {
    if (!ValidPort(port)) return false;
    const Mc6821Port& state = state_.port[port - 1];
    return line == 1 ? state.c1Switch : (line == 2 && state.c2Switch);
}

// Port A reads its pins even where it drives them; port B reads back its own output bits.
Byte Mc6821::ReadValueAt(int p) const {
    const Mc6821Port& port = state_.port[p];
    if (p == kA) return port.inputSwitches;
    return static_cast<Byte>((port.dr & port.ddr) | (port.inputSwitches & ~port.ddr));
}

std::string Mc6821::LevelsAt(int p) const {
    const Mc6821Port& port = state_.port[p];
    std::string text(8, '-');
    for (int bit = 7; bit >= 0; --bit) {
        const Byte mask = static_cast<Byte>(1u << bit);
        if (port.ddr & mask) text[7 - bit] = (port.dr & mask) ? '1' : '0';
    }
    return text;
}

Byte Mc6821::ShownByte(unsigned offset) const {
    const int p = offset < 2 ? kA : kB;
    const Mc6821Port& port = state_.port[p];
    if (offset & 1) return port.cr;
    return (port.cr & kCrDrSelect) ? ReadValueAt(p) : port.ddr;
}

void Mc6821::PublishBytes(int p) {
    for (unsigned offset = 2u * p; offset < 2u * p + 2; ++offset) {
        const Byte value = ShownByte(offset);
        if (value == state_.shown[offset]) continue;
        state_.shown[offset] = value;
        if (decoder_ != nullptr) {
            decoder_->AnnounceChange(static_cast<Address>(baseAddress_ + offset), value);
        }
    }
}

void Mc6821::NotifyRegister(int p, int index, Byte value) {
    if (listeners_.Empty()) return;
    static constexpr Mc6821Register kRegisters[2][3] = {
        {Mc6821Register::DDRA, Mc6821Register::DRA, Mc6821Register::CRA},
        {Mc6821Register::DDRB, Mc6821Register::DRB, Mc6821Register::CRB}};
    listeners_.Notify([&](Mc6821Listener& l) { l.RegisterChanged(kRegisters[p][index], value); });
}

void Mc6821::StopAll() {
    for (int port : {kPortA, kPortB}) {
        if (!IsReading(port) && !IsRecording(port)) continue;
        if (const Status stopped = StopReadingAndRecording(port); !stopped) {
            listeners_.Notify(
                [&](Mc6821Listener& l) { l.SignalFileFailed(port, stopped.Message()); });
        }
    }
}

}  // namespace tarvok
