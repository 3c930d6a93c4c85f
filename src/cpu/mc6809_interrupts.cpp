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

void TMC6809Module::Loaded() {
    TMemoryModule::Loaded();
    Reset();
}

void TMC6809Module::Reset() {
    state_.nmiIdle = true;
    state_.nmiArmed = false;
    SetRegDP(0);
    SetRegCC(state_.cc | kFlagI | kFlagF);
    if (addressDecoder_ != nullptr) SetRegPC(Read16(kVectorReset));
    state_.waiting = false;
    state_.syncCount = 0;
    state_.syncSource = 0;
    state_.stateStacked = false;
}

void TMC6809Module::SetIRQInput(const void* source, std::uint16_t sourceLine, std::uint16_t input,
                                bool level) {
    TMC6809IRQInput* in = nullptr;
    switch (input) {
        case kInputIRQ:
            in = &state_.irq;
            break;
        case kInputFIRQ:
            in = &state_.firq;
            break;
        case kInputNMI:
            in = &state_.nmi;
            break;
        default:
            return;
    }
    bool combined = true;
    bool found = false;
    for (std::size_t i = 0; i < in->count; ++i) {
        TMC6809IRQSource& entry = in->sources[i];
        if (entry.source == source && entry.sourceLine == sourceLine) {
            entry.level = level;
            found = true;
        }
        combined = combined && entry.level;
    }
    // A sender beyond the list's capacity cannot be remembered, so it cannot hold the line.
    if (!found && in->count < in->sources.size()) {
        in->sources[in->count++] = TMC6809IRQSource{source, sourceLine, level};
        combined = combined && level;
    }
    if (combined == in->line) return;
    in->line = combined;
    if (input == kInputNMI && !combined) state_.nmiIdle = false;
    if (listener_ != nullptr) listener_->InputLevelChanged(input, combined);
}

// ---- stack ----

void TMC6809Module::PushByteS(Byte value) {
    SetRegS(static_cast<std::uint16_t>(state_.s - 1));
    Write(state_.s, value);
}

void TMC6809Module::PushWordS(std::uint16_t value) {
    PushByteS(static_cast<Byte>(value));
    PushByteS(static_cast<Byte>(value >> 8));
}

Byte TMC6809Module::PullByteS() {
    const Byte value = Read(state_.s);
    SetRegS(static_cast<std::uint16_t>(state_.s + 1));
    return value;
}

std::uint16_t TMC6809Module::PullWordS() {
    const Byte high = PullByteS();
    return static_cast<std::uint16_t>((high << 8) | PullByteS());
}

void TMC6809Module::StackEntireState() {
    PushWordS(state_.pc);
    PushWordS(state_.u);
    PushWordS(state_.y);
    PushWordS(state_.x);
    PushByteS(state_.dp);
    PushByteS(GetRegB());
    PushByteS(GetRegA());
    PushByteS(state_.cc);
}

// ---- hardware interrupts ----

bool TMC6809Module::TakeInterrupt() {
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

void TMC6809Module::ExecuteNMI() {
    if (state_.stateStacked) {
        state_.stateStacked = false;
    } else {
        SetRegCC(state_.cc | kFlagE);
        StackEntireState();
    }
    state_.nmiIdle = true;
    SetRegCC(state_.cc | kFlagI | kFlagF);
    state_.pc = Read16(kVectorNMI);
    state_.cycles += 18;
}

void TMC6809Module::ExecuteFIRQ() {
    if (state_.stateStacked) {
        state_.stateStacked = false;
    } else {
        SetRegCC(state_.cc & ~kFlagE);
        PushWordS(state_.pc);
        PushByteS(state_.cc);
    }
    SetRegCC(state_.cc | kFlagI | kFlagF);
    state_.pc = Read16(kVectorFIRQ);
    state_.cycles += 9;
}

void TMC6809Module::ExecuteIRQ() {
    if (state_.stateStacked) {
        state_.stateStacked = false;
    } else {
        SetRegCC(state_.cc | kFlagE);
        StackEntireState();
    }
    SetRegCC(state_.cc | kFlagI);
    state_.pc = Read16(kVectorIRQ);
    state_.cycles += 18;
}

// ---- software interrupts and return ----

void TMC6809Module::SoftwareInterrupt(Address vector, Byte masks) {
    SetRegCC(state_.cc | kFlagE);
    StackEntireState();
    SetRegCC(state_.cc | masks);
    state_.pc = Read16(vector);
    state_.cycles += 18;
}

void TMC6809Module::OpSwi() {
    SoftwareInterrupt(kVectorSWI, kFlagI | kFlagF);
}

void TMC6809Module::OpSwi2() {
    SoftwareInterrupt(kVectorSWI2, 0);
}

void TMC6809Module::OpSwi3() {
    SoftwareInterrupt(kVectorSWI3, 0);
}

void TMC6809Module::OpRti() {
    SetRegCC(PullByteS());
    if (GetFlagE()) {
        SetRegA(PullByteS());
        SetRegB(PullByteS());
        SetRegDP(PullByteS());
        SetRegX(PullWordS());
        SetRegY(PullWordS());
        SetRegU(PullWordS());
        state_.cycles += 9;
    }
    state_.pc = PullWordS();
    state_.cycles += 5;
}

// ---- wait states ----

void TMC6809Module::OpSync() {
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
                state_.syncSource = kInputNMI;
            } else {
                state_.waiting = false;
                return;
            }
        } else if (!state_.firq.line) {
            if (GetFlagF()) {
                state_.waiting = false;
                return;
            }
            state_.syncSource = kInputFIRQ;
        } else if (!state_.irq.line) {
            if (GetFlagI()) {
                state_.waiting = false;
                return;
            }
            state_.syncSource = kInputIRQ;
        }
        if (state_.syncSource != 0) state_.syncCount = 1;
        --state_.pc;
        return;
    }
    const bool stillActive = state_.syncSource == kInputIRQ    ? IrqPending()
                             : state_.syncSource == kInputFIRQ ? FirqPending()
                                                               : NmiPending();
    if (stillActive && ++state_.syncCount < 3) {
        --state_.pc;
        return;
    }
    state_.waiting = false;
    state_.syncCount = 0;
    state_.syncSource = 0;
}

void TMC6809Module::OpCwai() {
    const Byte operand = Fetch();
    if (!state_.waiting) {
        SetRegCC((state_.cc & operand) | kFlagE);
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
