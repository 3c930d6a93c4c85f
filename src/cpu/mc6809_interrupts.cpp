#include "cpu/mc6809.h"

namespace tarvok {

namespace {

constexpr Address kVectorSWI3 = 0xFFF2;
constexpr Address kVectorSWI2 = 0xFFF4;
constexpr Address kVectorFIRQ = 0xFFF6;
constexpr Address kVectorIRQ = 0xFFF8;
constexpr Address kVectorSWI = 0xFFFA;
constexpr Address kVectorNMI = 0xFFFC;
constexpr Address kVectorReset = 0xFFFE;

}  // namespace

void Mc6809::Install() {
    Device::Install();
    Reset();
}

void Mc6809::Reset() {
    state_.nmiIdle = true;
    state_.nmiArmed = false;
    SetDP(0);
    SetCC(state_.cc | kFlagI | kFlagF);
    if (decoder_ != nullptr) SetPC(BusRead16(kVectorReset));
    EndWait();
}

void Mc6809::SetInterruptInput(const void* source, std::uint16_t sourceLine, std::uint16_t input,
                               bool level) {
    InterruptInput* in = nullptr;
    switch (input) {
        case kIrqInput:
            in = &state_.irq;
            break;
        case kFirqInput:
            in = &state_.firq;
            break;
        case kNmiInput:
            in = &state_.nmi;
            break;
        default:
            return;
    }
    bool combined = true;
    bool found = false;
    for (std::size_t i = 0; i < in->count; ++i) {
        InterruptSource& entry = in->sources[i];
        if (entry.source == source && entry.sourceLine == sourceLine) {
            entry.level = level;
            found = true;
        }
        combined = combined && entry.level;
    }
    // A sender beyond the list's capacity cannot be remembered, so it cannot hold the line.
    if (!found && in->count < in->sources.size()) {
        in->sources[in->count++] = InterruptSource{source, sourceLine, level};
        combined = combined && level;
    }
    if (combined == in->line) return;
    in->line = combined;
    RaiseAttention();
    if (input == kNmiInput && !combined) state_.nmiIdle = false;
    listeners_.Notify([&](Mc6809Listener& l) { l.InputLevelChanged(input, combined); });
}

void Mc6809::NotifyListeners(Mc6809Register reg, std::uint16_t value) {
    listeners_.Notify([&](Mc6809Listener& l) { l.RegisterChanged(reg, value); });
}

// ---- stack ----

void Mc6809::StackEntireState() {
    PushWordS(state_.pc);
    PushWordS(state_.u);
    PushWordS(state_.y);
    PushWordS(state_.x);
    PushByteS(state_.dp);
    PushByteS(B());
    PushByteS(A());
    PushByteS(state_.cc);
}

// ---- hardware interrupts ----

bool Mc6809::TakeInterrupt() {
    if (NmiPending()) {
        ExecuteNMI();
    } else if (FirqPending()) {
        ExecuteFIRQ();
    } else if (IrqPending()) {
        ExecuteIRQ();
    } else {
        return false;
    }
    return true;
}

void Mc6809::ExecuteNMI() {
    if (state_.stateStacked) {
        state_.stateStacked = false;
    } else {
        SetCC(state_.cc | kFlagE);
        StackEntireState();
    }
    state_.nmiIdle = true;
    SetCC(state_.cc | kFlagI | kFlagF);
    state_.pc = BusRead16(kVectorNMI);
    state_.cycles += 18;
}

void Mc6809::ExecuteFIRQ() {
    if (state_.stateStacked) {
        state_.stateStacked = false;
    } else {
        SetCC(state_.cc & ~kFlagE);
        PushWordS(state_.pc);
        PushByteS(state_.cc);
    }
    SetCC(state_.cc | kFlagI | kFlagF);
    state_.pc = BusRead16(kVectorFIRQ);
    state_.cycles += 9;
}

void Mc6809::ExecuteIRQ() {
    if (state_.stateStacked) {
        state_.stateStacked = false;
    } else {
        SetCC(state_.cc | kFlagE);
        StackEntireState();
    }
    SetCC(state_.cc | kFlagI);
    state_.pc = BusRead16(kVectorIRQ);
    state_.cycles += 18;
}

// ---- software interrupts and return ----

void Mc6809::SoftwareInterrupt(Address vector, Byte masks) {
    SetCC(state_.cc | kFlagE);
    StackEntireState();
    SetCC(state_.cc | masks);
    state_.pc = BusRead16(vector);
    state_.cycles += 18;
}

void Mc6809::OpSwi() {
    SoftwareInterrupt(kVectorSWI, kFlagI | kFlagF);
}

void Mc6809::OpSwi2() {
    SoftwareInterrupt(kVectorSWI2, 0);
}

void Mc6809::OpSwi3() {
    SoftwareInterrupt(kVectorSWI3, 0);
}

void Mc6809::OpRti() {
    SetCC(PullByteS());
    if (Flag(kFlagE)) {
        SetA(PullByteS());
        SetB(PullByteS());
        SetDP(PullByteS());
        SetX(PullWordS());
        SetY(PullWordS());
        SetU(PullWordS());
        state_.cycles += 9;
    }
    state_.pc = PullWordS();
    state_.cycles += 5;
}

// ---- wait states ----

void Mc6809::EndWait() {
    state_.waiting = false;
    state_.syncCount = 0;
    state_.syncSource = 0;
    state_.stateStacked = false;
}

void Mc6809::OpSync() {
    RaiseAttention();
    if (!state_.waiting) {
        if (InputsQuiet()) {
            state_.waiting = true;
            --state_.pc;
        }
        state_.cycles += 3;
        return;
    }
    if (state_.syncCount == 0) {
        if (!state_.nmiIdle) {
            if (state_.nmiArmed) {
                state_.syncSource = kNmiInput;
            } else {
                state_.waiting = false;
                return;
            }
        } else if (!state_.firq.line) {
            if (Flag(kFlagF)) {
                state_.waiting = false;
                return;
            }
            state_.syncSource = kFirqInput;
        } else if (!state_.irq.line) {
            if (Flag(kFlagI)) {
                state_.waiting = false;
                return;
            }
            state_.syncSource = kIrqInput;
        }
        if (state_.syncSource != 0) state_.syncCount = 1;
        --state_.pc;
        return;
    }
    const bool stillActive = state_.syncSource == kIrqInput    ? IrqPending()
                             : state_.syncSource == kFirqInput ? FirqPending()
                                                               : NmiPending();
    if (stillActive && ++state_.syncCount < 3) {
        --state_.pc;
        return;
    }
    state_.waiting = false;
    state_.syncCount = 0;
    state_.syncSource = 0;
}

void Mc6809::OpCwai() {
    RaiseAttention();
    const Byte operand = Fetch();
    if (!state_.waiting) {
        SetCC((state_.cc & operand) | kFlagE);
        StackEntireState();
        state_.stateStacked = true;
        if (!InterruptPending()) {
            state_.waiting = true;
            state_.pc = static_cast<Address>(state_.pc - 2);
        }
        state_.cycles += 19;
        return;
    }
    if (!InterruptPending()) {
        state_.pc = static_cast<Address>(state_.pc - 2);
        return;
    }
    state_.waiting = false;
}

}  // namespace tarvok
