#include <cstdint>

#include "core/hex_text.h"
#include "cpu/mc6809.h"
#include "cpu/mc6809_indexed.h"

namespace tarvok {

namespace {

// A chain of repeated prefixes ends the step here, so its cycle count stays inside a byte
// and a memory full of prefixes cannot hold the processor inside one step.
constexpr Byte kMaxPrefixChainCycles = 200;

}  // namespace

Byte Mc6809::Run(Byte) {
    if (decoder_ == nullptr) return 0;
    CheckFetchPage();
    return Step();
}

Byte Mc6809::Step() {
    const Address startPc = state_.pc;
    state_.cycles = 1;
    if (state_.waiting || InputsQuiet() || !TakeInterrupt()) {
        // CWAI has stacked the state for the interrupt that ended its wait; should that
        // interrupt go away before its entry, running on would leave the frame behind and the
        // next entry would not stack. So hold here until an interrupt takes it.
        if (state_.stateStacked && !state_.waiting) return state_.cycles;
        Execute();
    }
    if (!listeners_.Empty() && state_.pc != startPc) Notify(Mc6809Register::PC, state_.pc);
    return state_.cycles;
}

// While nothing needs attention, a step is what Step does once its checks have found nothing:
// the instruction alone. Whatever could change that during such a step clears leanLimit_; the
// next step then takes the checked path, after which the question is asked afresh.
Mc6809::RunResult Mc6809::RunFor(std::uint64_t budget, std::uint64_t maxSteps) {
    RunResult result;
    runCycles_ = 0;
    if (decoder_ == nullptr) return result;
    budget_ = budget;
    CheckFetchPage();
    const AddressDecoder& decoder = *decoder_;
    std::uint64_t steps = 0;
    // Counts the step just done; true when it ends at a breakpoint.
    const auto counted = [&] {
        runCycles_ += state_.cycles;
        ++steps;
        return decoder.HasBreakpoint(state_.pc);
    };
    while (runCycles_ < budget_ && steps < maxSteps) {
        if (!NeedsAttention()) {
            leanLimit_ = budget_;
            Address startPc;
            bool breakpoint;
            do {
                state_.cycles = 1;
                startPc = state_.pc;
                Execute();
                breakpoint = counted();
            } while (!breakpoint && runCycles_ < leanLimit_ && steps < maxSteps);
            // A listener attached during the last step hears of its PC change, as from Step.
            if (!listeners_.Empty() && state_.pc != startPc) Notify(Mc6809Register::PC, state_.pc);
            if (breakpoint) {
                result.end = RunEnd::Breakpoint;
                break;
            }
            continue;
        }
        if (stopRequested_) {
            stopRequested_ = false;
            result.end = RunEnd::StopRequest;
            break;
        }
        Step();
        if (counted()) {
            result.end = RunEnd::Breakpoint;
            break;
        }
    }
    result.cycles = runCycles_;
    result.steps = steps;
    return result;
}

Byte Mc6809::FetchFromOtherPage(Address pc) {
    if (const Byte* page = decoder_->ReadPage(pc >> 8)) {
        fetchPage_ = page;
        fetchPageNumber_ = pc >> 8;
        return page[pc & 0xFF];
    }
    return BusRead(pc);
}

void Mc6809::ReportInvalidOpcode(Byte prefix, Byte opcode) {
    ReportError("$" + (prefix != 0 ? Hex2(prefix) : std::string()) + Hex2(opcode) +
                " ist ungültiger Opcode;");
}

void Mc6809::OpUndefined() {
    ReportInvalidOpcode(0, state_.opcode);
}

void Mc6809::OpUndefinedPrefixed() {
    ReportInvalidOpcode(state_.opcode, state_.opcode2);
}

bool Mc6809::IsDefinedOpcode(Byte prefix, Byte opcode) {
    switch (prefix) {
        case 0x10:
            return kHandlers.page2[opcode] != &Call<&Mc6809::OpUndefinedPrefixed>;
        case 0x11:
            return kHandlers.page3[opcode] != &Call<&Mc6809::OpUndefinedPrefixed>;
        default:
            return kHandlers.page1[opcode] != &Call<&Mc6809::OpUndefined>;
    }
}

void Mc6809::FetchOpcode2() {
    const bool page2 = state_.opcode == 0x10;
    for (;;) {
        const Byte opcode2 = Fetch();
        state_.opcode2 = opcode2;
        ++state_.cycles;
        if (opcode2 == 0x10 || opcode2 == 0x11) {
            ReportError("Opcode $" + Hex2(opcode2) + " folgt direkt auf Opcode $10 oder $11;");
            if (state_.cycles >= kMaxPrefixChainCycles) return;
            continue;
        }
        (page2 ? kHandlers.page2 : kHandlers.page3)[opcode2](*this);
        return;
    }
}

// ---- operand access ----

template <Mc6809::Reg16 kR>
std::uint16_t Mc6809::GetReg16() const {
    if constexpr (kR == Reg16::kD) return state_.d;
    if constexpr (kR == Reg16::kX) return state_.x;
    if constexpr (kR == Reg16::kY) return state_.y;
    if constexpr (kR == Reg16::kU) return state_.u;
    if constexpr (kR == Reg16::kS) return state_.s;
}

template <Mc6809::Reg16 kR>
void Mc6809::SetReg16(std::uint16_t value) {
    if constexpr (kR == Reg16::kD) SetD(value);
    if constexpr (kR == Reg16::kX) SetX(value);
    if constexpr (kR == Reg16::kY) SetY(value);
    if constexpr (kR == Reg16::kU) SetU(value);
    if constexpr (kR == Reg16::kS) SetS(value);
}

template <Mc6809::Mode kM>
bool Mc6809::EffectiveAddress(Address& address) {
    if constexpr (kM == Mode::kDirect) {
        address = static_cast<Address>((state_.dp << 8) | Fetch());
    } else if constexpr (kM == Mode::kExtended) {
        address = FetchWord();
    } else {
        static_assert(kM == Mode::kIndexed);
        if (!CalcOperandAddr(address)) return false;
    }
    return true;
}

// Cycle counts of a family follow one pattern: immediate costs two less than direct, indexed
// the same as direct plus the postbyte's extra cycles, extended one more.
template <Mc6809::Mode kM, int kDirectCycles>
bool Mc6809::ReadOperand8(Byte& value) {
    if constexpr (kM == Mode::kImmediate) {
        value = Fetch();
        state_.cycles += kDirectCycles - 2;
    } else {
        Address address;
        if (!EffectiveAddress<kM>(address)) return false;
        state_.cycles += kDirectCycles + (kM == Mode::kExtended ? 1 : 0);
        value = BusRead(address);
    }
    return true;
}

template <Mc6809::Mode kM, int kDirectCycles>
bool Mc6809::ReadOperand16(std::uint16_t& value) {
    if constexpr (kM == Mode::kImmediate) {
        value = FetchWord();
        state_.cycles += kDirectCycles - 2;
    } else {
        Address address;
        if (!EffectiveAddress<kM>(address)) return false;
        state_.cycles += kDirectCycles + (kM == Mode::kExtended ? 1 : 0);
        value = BusRead16(address);
    }
    return true;
}

template <Mc6809::Cond kC>
bool Mc6809::Condition() const {
    const Byte cc = state_.cc;
    const bool c = cc & kFlagC, z = cc & kFlagZ, v = cc & kFlagV, n = cc & kFlagN;
    switch (kC) {
        case Cond::kRA:
            return true;
        case Cond::kRN:
            return false;
        case Cond::kHI:
            return !c && !z;
        case Cond::kLS:
            return c || z;
        case Cond::kCC:
            return !c;
        case Cond::kCS:
            return c;
        case Cond::kNE:
            return !z;
        case Cond::kEQ:
            return z;
        case Cond::kVC:
            return !v;
        case Cond::kVS:
            return v;
        case Cond::kPL:
            return !n;
        case Cond::kMI:
            return n;
        case Cond::kGE:
            return n == v;
        case Cond::kLT:
            return n != v;
        case Cond::kGT:
            return !z && n == v;
        case Cond::kLE:
            return z || n != v;
    }
    return false;
}

// ---- instruction families ----

template <bool kB, Mc6809::Alu8 kOp, Mc6809::Mode kM>
void Mc6809::OpAlu8() {
    Byte m;
    if (!ReadOperand8<kM, 3>(m)) return;
    const Byte r = GetAcc<kB>();
    switch (kOp) {
        case Alu8::kSub:
            SetFlagsForSUB8Bit(r, m);
            SetAcc<kB>(static_cast<Byte>(r - m));
            break;
        case Alu8::kCmp:
            SetFlagsForCMP8Bit(r, m);
            break;
        case Alu8::kSbc: {
            const Byte carry = state_.cc & kFlagC;
            SetFlagsForSBC(r, m);
            SetAcc<kB>(static_cast<Byte>(r - m - carry));
            break;
        }
        case Alu8::kAnd:
            SetFlagsForAND(r & m);
            SetAcc<kB>(r & m);
            break;
        case Alu8::kBit:
            SetFlagsForBIT(r & m);
            break;
        case Alu8::kLd:
            SetFlagsForLD8Bit(m);
            SetAcc<kB>(m);
            break;
        case Alu8::kEor:
            SetFlagsForEOR(r ^ m);
            SetAcc<kB>(r ^ m);
            break;
        case Alu8::kAdc: {
            const Byte carry = state_.cc & kFlagC;
            SetFlagsForADC(r, m);
            SetAcc<kB>(static_cast<Byte>(r + m + carry));
            break;
        }
        case Alu8::kOr:
            SetFlagsForOR(r | m);
            SetAcc<kB>(r | m);
            break;
        case Alu8::kAdd:
            SetFlagsForADD8Bit(r, m);
            SetAcc<kB>(static_cast<Byte>(r + m));
            break;
    }
}

template <bool kB, Mc6809::Mode kM>
void Mc6809::OpStore8() {
    Address address;
    if (!EffectiveAddress<kM>(address)) return;
    state_.cycles += 3 + (kM == Mode::kExtended ? 1 : 0);
    const Byte r = GetAcc<kB>();
    BusWrite(address, r);
    SetFlagsForST8Bit(r);
}

template <Mc6809::Reg16 kR, Mc6809::Alu16 kOp, Mc6809::Mode kM>
void Mc6809::OpAlu16() {
    constexpr int kDirectCycles = kOp == Alu16::kLd ? 4 : 5;
    std::uint16_t m;
    if (!ReadOperand16<kM, kDirectCycles>(m)) return;
    const std::uint16_t r = GetReg16<kR>();
    switch (kOp) {
        case Alu16::kSub:
            SetFlagsForSUB16Bit(r, m);
            SetReg16<kR>(static_cast<std::uint16_t>(r - m));
            break;
        case Alu16::kAdd:
            SetFlagsForADD16Bit(r, m);
            SetReg16<kR>(static_cast<std::uint16_t>(r + m));
            break;
        case Alu16::kCmp:
            SetFlagsForCMP16Bit(r, m);
            break;
        case Alu16::kLd:
            SetFlagsForLD16Bit(m);
            SetReg16<kR>(m);
            break;
    }
}

template <Mc6809::Reg16 kR, Mc6809::Mode kM>
void Mc6809::OpStore16() {
    Address address;
    if (!EffectiveAddress<kM>(address)) return;
    state_.cycles += 4 + (kM == Mode::kExtended ? 1 : 0);
    const std::uint16_t r = GetReg16<kR>();
    BusWrite(address, static_cast<Byte>(r >> 8));
    BusWrite(static_cast<Address>(address + 1), static_cast<Byte>(r));
    SetFlagsForST16Bit(r);
}

template <Mc6809::Rmw kOp>
Byte Mc6809::ApplyRmw(Byte value) {
    const bool carryIn = state_.cc & kFlagC;
    Byte r = value;
    switch (kOp) {
        case Rmw::kNeg:
            r = static_cast<Byte>(-value);
            SetFlagsForNEG(r);
            break;
        case Rmw::kCom:
            r = static_cast<Byte>(~value);
            SetFlagsForCOM(r);
            break;
        case Rmw::kLsr:
            r = static_cast<Byte>(value >> 1);
            SetFlagsForLSR(r, value & 1);
            break;
        case Rmw::kRor:
            r = static_cast<Byte>((value >> 1) | (carryIn ? 0x80 : 0));
            SetFlagsForROR(r, value & 1);
            break;
        case Rmw::kAsr:
            r = static_cast<Byte>((value >> 1) | (value & 0x80));
            SetFlagsForASR(r, value & 1);
            break;
        case Rmw::kLsl:
            r = static_cast<Byte>(value << 1);
            SetFlagsForLSL(r, value & 0x80);
            break;
        case Rmw::kRol:
            r = static_cast<Byte>((value << 1) | (carryIn ? 1 : 0));
            SetFlagsForROL(r, value & 0x80);
            break;
        case Rmw::kDec:
            r = static_cast<Byte>(value - 1);
            SetFlagsForDEC(r);
            break;
        case Rmw::kInc:
            r = static_cast<Byte>(value + 1);
            SetFlagsForINC(r);
            break;
        case Rmw::kTst:
            SetFlagsForTST(value);
            break;
        case Rmw::kClr:
            r = 0;
            SetFlagsForCLR();
            break;
    }
    return r;
}

template <Mc6809::Rmw kOp, Mc6809::Mode kM>
void Mc6809::OpRmwMemory() {
    Address address;
    if (!EffectiveAddress<kM>(address)) return;
    state_.cycles += 5 + (kM == Mode::kExtended ? 1 : 0);
    // CLR reads too: the bus cycle has its side effects on devices.
    const Byte value = BusRead(address);
    const Byte r = ApplyRmw<kOp>(value);
    if constexpr (kOp != Rmw::kTst) BusWrite(address, r);
}

template <bool kB, Mc6809::Rmw kOp>
void Mc6809::OpRmwAccumulator() {
    state_.cycles += 1;
    const Byte r = ApplyRmw<kOp>(GetAcc<kB>());
    if constexpr (kOp != Rmw::kTst) SetAcc<kB>(r);
}

template <Mc6809::Mode kM>
void Mc6809::OpJmp() {
    Address address;
    if (!EffectiveAddress<kM>(address)) return;
    state_.cycles += 2 + (kM == Mode::kExtended ? 1 : 0);
    state_.pc = address;
}

template <Mc6809::Mode kM>
void Mc6809::OpJsr() {
    Address address;
    if (!EffectiveAddress<kM>(address)) return;
    state_.cycles += 6 + (kM == Mode::kExtended ? 1 : 0);
    PushWordS(state_.pc);
    state_.pc = address;
}

template <Mc6809::Cond kC>
void Mc6809::OpBranch() {
    const Byte offset = Fetch();
    state_.cycles += 2;
    if (Condition<kC>()) state_.pc = static_cast<Address>(state_.pc + SignExtend8(offset));
}

template <Mc6809::Cond kC>
void Mc6809::OpLongBranch() {
    const std::uint16_t offset = FetchWord();
    state_.cycles += 3;
    if (Condition<kC>()) {
        state_.pc = static_cast<Address>(state_.pc + offset);
        state_.cycles += 1;
    }
}

template <Mc6809::Reg16 kR>
void Mc6809::OpLea() {
    Address address;
    if (!CalcOperandAddr(address)) return;
    state_.cycles += 3;
    SetReg16<kR>(address);
    if constexpr (kR == Reg16::kX || kR == Reg16::kY) SetFlagsForLEA(address);
}

template <bool kUserStack>
void Mc6809::OpPush() {
    const Byte postbyte = Fetch();
    state_.cycles += 4;
    if (postbyte == 0) return;
    std::uint16_t sp = kUserStack ? state_.u : state_.s;
    auto pushByte = [&](Byte value) {
        --sp;
        BusWrite(sp, value);
        ++state_.cycles;
    };
    auto pushWord = [&](std::uint16_t value) {
        pushByte(static_cast<Byte>(value));
        pushByte(static_cast<Byte>(value >> 8));
    };
    if (postbyte & 0x80) pushWord(state_.pc);
    if (postbyte & 0x40) pushWord(kUserStack ? state_.s : state_.u);
    if (postbyte & 0x20) pushWord(state_.y);
    if (postbyte & 0x10) pushWord(state_.x);
    if (postbyte & 0x08) pushByte(state_.dp);
    if (postbyte & 0x04) pushByte(B());
    if (postbyte & 0x02) pushByte(A());
    if (postbyte & 0x01) pushByte(state_.cc);
    if constexpr (kUserStack) {
        SetU(sp);
    } else {
        SetS(sp);
    }
}

template <bool kUserStack>
void Mc6809::OpPull() {
    const Byte postbyte = Fetch();
    state_.cycles += 4;
    if (postbyte == 0) return;
    std::uint16_t sp = kUserStack ? state_.u : state_.s;
    auto pullByte = [&]() {
        const Byte value = BusRead(sp);
        ++sp;
        ++state_.cycles;
        return value;
    };
    auto pullWord = [&]() {
        const Byte high = pullByte();
        return static_cast<std::uint16_t>((high << 8) | pullByte());
    };
    if (postbyte & 0x01) SetCC(pullByte());
    if (postbyte & 0x02) SetA(pullByte());
    if (postbyte & 0x04) SetB(pullByte());
    if (postbyte & 0x08) SetDP(pullByte());
    if (postbyte & 0x10) SetX(pullWord());
    if (postbyte & 0x20) SetY(pullWord());
    if (postbyte & 0x40) {
        const std::uint16_t other = pullWord();
        if constexpr (kUserStack) {
            SetS(other);
        } else {
            SetU(other);
        }
    }
    if (postbyte & 0x80) state_.pc = pullWord();
    if constexpr (kUserStack) {
        SetU(sp);
    } else {
        SetS(sp);
    }
}

// ---- single instructions ----

void Mc6809::OpNop() {
    state_.cycles += 1;
}

void Mc6809::OpLbra() {
    const std::uint16_t offset = FetchWord();
    state_.cycles += 4;
    state_.pc = static_cast<Address>(state_.pc + offset);
}

void Mc6809::OpLbsr() {
    const std::uint16_t offset = FetchWord();
    state_.cycles += 8;
    PushWordS(state_.pc);
    state_.pc = static_cast<Address>(state_.pc + offset);
}

void Mc6809::OpBsr() {
    const Byte offset = Fetch();
    state_.cycles += 6;
    PushWordS(state_.pc);
    state_.pc = static_cast<Address>(state_.pc + SignExtend8(offset));
}

void Mc6809::OpDaa() {
    state_.cycles += 1;
    const Byte a = A();
    const unsigned low = a & 0x0F;
    const unsigned high = a >> 4;
    unsigned correction = (Flag(kFlagH) || low > 9) ? 0x06 : 0x00;
    const bool upper = Flag(kFlagC) || high > 9 || (high > 8 && low > 9);
    if (upper) correction += 0x60;
    SetA(static_cast<Byte>(a + correction));
    SetFlagsForDAA(upper);
}

void Mc6809::OpOrcc() {
    const Byte operand = Fetch();
    state_.cycles += 2;
    SetCC(state_.cc | operand);
}

void Mc6809::OpAndcc() {
    const Byte operand = Fetch();
    state_.cycles += 2;
    SetCC(state_.cc & operand);
}

void Mc6809::OpSex() {
    state_.cycles += 1;
    SetA((B() & 0x80) ? 0xFF : 0x00);
    SetFlagsForSEX();
}

void Mc6809::OpRts() {
    state_.cycles += 4;
    state_.pc = PullWordS();
}

void Mc6809::OpAbx() {
    state_.cycles += 2;
    SetX(static_cast<std::uint16_t>(state_.x + B()));
}

void Mc6809::OpMul() {
    state_.cycles += 10;
    SetD(static_cast<std::uint16_t>(A() * B()));
    SetFlagsForMUL();
}

// ---- handler tables ----

template <Mc6809::Mode kM>
constexpr void Mc6809::FillModeColumn(HandlerTables& tables) {
    using T = Mc6809;
    HandlerTable& page1 = tables.page1;
    HandlerTable& page2 = tables.page2;
    HandlerTable& page3 = tables.page3;
    constexpr int kColumn = static_cast<int>(kM) << 4;
    constexpr bool kImm = kM == Mode::kImmediate;
    constexpr int a = 0x80 + kColumn;
    constexpr int b = 0xC0 + kColumn;

    page1[a + 0x0] = &Call<&T::OpAlu8<false, Alu8::kSub, kM>>;
    page1[a + 0x1] = &Call<&T::OpAlu8<false, Alu8::kCmp, kM>>;
    page1[a + 0x2] = &Call<&T::OpAlu8<false, Alu8::kSbc, kM>>;
    page1[a + 0x3] = &Call<&T::OpAlu16<Reg16::kD, Alu16::kSub, kM>>;
    page1[a + 0x4] = &Call<&T::OpAlu8<false, Alu8::kAnd, kM>>;
    page1[a + 0x5] = &Call<&T::OpAlu8<false, Alu8::kBit, kM>>;
    page1[a + 0x6] = &Call<&T::OpAlu8<false, Alu8::kLd, kM>>;
    page1[a + 0x8] = &Call<&T::OpAlu8<false, Alu8::kEor, kM>>;
    page1[a + 0x9] = &Call<&T::OpAlu8<false, Alu8::kAdc, kM>>;
    page1[a + 0xA] = &Call<&T::OpAlu8<false, Alu8::kOr, kM>>;
    page1[a + 0xB] = &Call<&T::OpAlu8<false, Alu8::kAdd, kM>>;
    page1[a + 0xC] = &Call<&T::OpAlu16<Reg16::kX, Alu16::kCmp, kM>>;
    page1[a + 0xE] = &Call<&T::OpAlu16<Reg16::kX, Alu16::kLd, kM>>;

    page1[b + 0x0] = &Call<&T::OpAlu8<true, Alu8::kSub, kM>>;
    page1[b + 0x1] = &Call<&T::OpAlu8<true, Alu8::kCmp, kM>>;
    page1[b + 0x2] = &Call<&T::OpAlu8<true, Alu8::kSbc, kM>>;
    page1[b + 0x3] = &Call<&T::OpAlu16<Reg16::kD, Alu16::kAdd, kM>>;
    page1[b + 0x4] = &Call<&T::OpAlu8<true, Alu8::kAnd, kM>>;
    page1[b + 0x5] = &Call<&T::OpAlu8<true, Alu8::kBit, kM>>;
    page1[b + 0x6] = &Call<&T::OpAlu8<true, Alu8::kLd, kM>>;
    page1[b + 0x8] = &Call<&T::OpAlu8<true, Alu8::kEor, kM>>;
    page1[b + 0x9] = &Call<&T::OpAlu8<true, Alu8::kAdc, kM>>;
    page1[b + 0xA] = &Call<&T::OpAlu8<true, Alu8::kOr, kM>>;
    page1[b + 0xB] = &Call<&T::OpAlu8<true, Alu8::kAdd, kM>>;
    page1[b + 0xC] = &Call<&T::OpAlu16<Reg16::kD, Alu16::kLd, kM>>;
    page1[b + 0xE] = &Call<&T::OpAlu16<Reg16::kU, Alu16::kLd, kM>>;

    page2[a + 0x3] = &Call<&T::OpAlu16<Reg16::kD, Alu16::kCmp, kM>>;
    page2[a + 0xC] = &Call<&T::OpAlu16<Reg16::kY, Alu16::kCmp, kM>>;
    page2[a + 0xE] = &Call<&T::OpAlu16<Reg16::kY, Alu16::kLd, kM>>;
    page2[b + 0xE] = &Call<&T::OpAlu16<Reg16::kS, Alu16::kLd, kM>>;
    page3[a + 0x3] = &Call<&T::OpAlu16<Reg16::kU, Alu16::kCmp, kM>>;
    page3[a + 0xC] = &Call<&T::OpAlu16<Reg16::kS, Alu16::kCmp, kM>>;

    if constexpr (kImm) {
        page1[0x8D] = &Call<&T::OpBsr>;
    } else {
        page1[a + 0x7] = &Call<&T::OpStore8<false, kM>>;
        page1[a + 0xD] = &Call<&T::OpJsr<kM>>;
        page1[a + 0xF] = &Call<&T::OpStore16<Reg16::kX, kM>>;
        page1[b + 0x7] = &Call<&T::OpStore8<true, kM>>;
        page1[b + 0xD] = &Call<&T::OpStore16<Reg16::kD, kM>>;
        page1[b + 0xF] = &Call<&T::OpStore16<Reg16::kU, kM>>;
        page2[a + 0xF] = &Call<&T::OpStore16<Reg16::kY, kM>>;
        page2[b + 0xF] = &Call<&T::OpStore16<Reg16::kS, kM>>;

        // Read-modify-write on memory: direct page $0x, indexed $6x, extended $7x.
        constexpr int m = kM == Mode::kDirect ? 0x00 : kM == Mode::kIndexed ? 0x60 : 0x70;
        page1[m + 0x0] = &Call<&T::OpRmwMemory<Rmw::kNeg, kM>>;
        page1[m + 0x3] = &Call<&T::OpRmwMemory<Rmw::kCom, kM>>;
        page1[m + 0x4] = &Call<&T::OpRmwMemory<Rmw::kLsr, kM>>;
        page1[m + 0x6] = &Call<&T::OpRmwMemory<Rmw::kRor, kM>>;
        page1[m + 0x7] = &Call<&T::OpRmwMemory<Rmw::kAsr, kM>>;
        page1[m + 0x8] = &Call<&T::OpRmwMemory<Rmw::kLsl, kM>>;
        page1[m + 0x9] = &Call<&T::OpRmwMemory<Rmw::kRol, kM>>;
        page1[m + 0xA] = &Call<&T::OpRmwMemory<Rmw::kDec, kM>>;
        page1[m + 0xC] = &Call<&T::OpRmwMemory<Rmw::kInc, kM>>;
        page1[m + 0xD] = &Call<&T::OpRmwMemory<Rmw::kTst, kM>>;
        page1[m + 0xE] = &Call<&T::OpJmp<kM>>;
        page1[m + 0xF] = &Call<&T::OpRmwMemory<Rmw::kClr, kM>>;
    }
}

constexpr Mc6809::HandlerTables Mc6809::MakeHandlerTables() {
    using T = Mc6809;
    HandlerTables tables;
    // Undefined codes have handlers too; the defined ones take their places below.
    tables.page1.fill(&Call<&T::OpUndefined>);
    tables.page2.fill(&Call<&T::OpUndefinedPrefixed>);
    tables.page3.fill(&Call<&T::OpUndefinedPrefixed>);
    FillModeColumn<Mode::kImmediate>(tables);
    FillModeColumn<Mode::kDirect>(tables);
    FillModeColumn<Mode::kIndexed>(tables);
    FillModeColumn<Mode::kExtended>(tables);
    HandlerTable& page1 = tables.page1;
    HandlerTable& page2 = tables.page2;
    HandlerTable& page3 = tables.page3;

    page1[0x10] = &Call<&T::FetchOpcode2>;
    page1[0x11] = &Call<&T::FetchOpcode2>;
    page1[0x12] = &Call<&T::OpNop>;
    page1[0x13] = &Call<&T::OpSync>;
    page1[0x16] = &Call<&T::OpLbra>;
    page1[0x17] = &Call<&T::OpLbsr>;
    page1[0x19] = &Call<&T::OpDaa>;
    page1[0x1A] = &Call<&T::OpOrcc>;
    page1[0x1C] = &Call<&T::OpAndcc>;
    page1[0x1D] = &Call<&T::OpSex>;
    page1[0x1E] = &Call<&T::OpExg>;
    page1[0x1F] = &Call<&T::OpTfr>;

    page1[0x20] = &Call<&T::OpBranch<Cond::kRA>>;
    page1[0x21] = &Call<&T::OpBranch<Cond::kRN>>;
    page1[0x22] = &Call<&T::OpBranch<Cond::kHI>>;
    page1[0x23] = &Call<&T::OpBranch<Cond::kLS>>;
    page1[0x24] = &Call<&T::OpBranch<Cond::kCC>>;
    page1[0x25] = &Call<&T::OpBranch<Cond::kCS>>;
    page1[0x26] = &Call<&T::OpBranch<Cond::kNE>>;
    page1[0x27] = &Call<&T::OpBranch<Cond::kEQ>>;
    page1[0x28] = &Call<&T::OpBranch<Cond::kVC>>;
    page1[0x29] = &Call<&T::OpBranch<Cond::kVS>>;
    page1[0x2A] = &Call<&T::OpBranch<Cond::kPL>>;
    page1[0x2B] = &Call<&T::OpBranch<Cond::kMI>>;
    page1[0x2C] = &Call<&T::OpBranch<Cond::kGE>>;
    page1[0x2D] = &Call<&T::OpBranch<Cond::kLT>>;
    page1[0x2E] = &Call<&T::OpBranch<Cond::kGT>>;
    page1[0x2F] = &Call<&T::OpBranch<Cond::kLE>>;

    page1[0x30] = &Call<&T::OpLea<Reg16::kX>>;
    page1[0x31] = &Call<&T::OpLea<Reg16::kY>>;
    page1[0x32] = &Call<&T::OpLea<Reg16::kS>>;
    page1[0x33] = &Call<&T::OpLea<Reg16::kU>>;
    page1[0x34] = &Call<&T::OpPush<false>>;
    page1[0x35] = &Call<&T::OpPull<false>>;
    page1[0x36] = &Call<&T::OpPush<true>>;
    page1[0x37] = &Call<&T::OpPull<true>>;
    page1[0x39] = &Call<&T::OpRts>;
    page1[0x3A] = &Call<&T::OpAbx>;
    page1[0x3B] = &Call<&T::OpRti>;
    page1[0x3C] = &Call<&T::OpCwai>;
    page1[0x3D] = &Call<&T::OpMul>;
    page1[0x3F] = &Call<&T::OpSwi>;

    page1[0x40] = &Call<&T::OpRmwAccumulator<false, Rmw::kNeg>>;
    page1[0x43] = &Call<&T::OpRmwAccumulator<false, Rmw::kCom>>;
    page1[0x44] = &Call<&T::OpRmwAccumulator<false, Rmw::kLsr>>;
    page1[0x46] = &Call<&T::OpRmwAccumulator<false, Rmw::kRor>>;
    page1[0x47] = &Call<&T::OpRmwAccumulator<false, Rmw::kAsr>>;
    page1[0x48] = &Call<&T::OpRmwAccumulator<false, Rmw::kLsl>>;
    page1[0x49] = &Call<&T::OpRmwAccumulator<false, Rmw::kRol>>;
    page1[0x4A] = &Call<&T::OpRmwAccumulator<false, Rmw::kDec>>;
    page1[0x4C] = &Call<&T::OpRmwAccumulator<false, Rmw::kInc>>;
    page1[0x4D] = &Call<&T::OpRmwAccumulator<false, Rmw::kTst>>;
    page1[0x4F] = &Call<&T::OpRmwAccumulator<false, Rmw::kClr>>;
    page1[0x50] = &Call<&T::OpRmwAccumulator<true, Rmw::kNeg>>;
    page1[0x53] = &Call<&T::OpRmwAccumulator<true, Rmw::kCom>>;
    page1[0x54] = &Call<&T::OpRmwAccumulator<true, Rmw::kLsr>>;
    page1[0x56] = &Call<&T::OpRmwAccumulator<true, Rmw::kRor>>;
    page1[0x57] = &Call<&T::OpRmwAccumulator<true, Rmw::kAsr>>;
    page1[0x58] = &Call<&T::OpRmwAccumulator<true, Rmw::kLsl>>;
    page1[0x59] = &Call<&T::OpRmwAccumulator<true, Rmw::kRol>>;
    page1[0x5A] = &Call<&T::OpRmwAccumulator<true, Rmw::kDec>>;
    page1[0x5C] = &Call<&T::OpRmwAccumulator<true, Rmw::kInc>>;
    page1[0x5D] = &Call<&T::OpRmwAccumulator<true, Rmw::kTst>>;
    page1[0x5F] = &Call<&T::OpRmwAccumulator<true, Rmw::kClr>>;

    page2[0x21] = &Call<&T::OpLongBranch<Cond::kRN>>;
    page2[0x22] = &Call<&T::OpLongBranch<Cond::kHI>>;
    page2[0x23] = &Call<&T::OpLongBranch<Cond::kLS>>;
    page2[0x24] = &Call<&T::OpLongBranch<Cond::kCC>>;
    page2[0x25] = &Call<&T::OpLongBranch<Cond::kCS>>;
    page2[0x26] = &Call<&T::OpLongBranch<Cond::kNE>>;
    page2[0x27] = &Call<&T::OpLongBranch<Cond::kEQ>>;
    page2[0x28] = &Call<&T::OpLongBranch<Cond::kVC>>;
    page2[0x29] = &Call<&T::OpLongBranch<Cond::kVS>>;
    page2[0x2A] = &Call<&T::OpLongBranch<Cond::kPL>>;
    page2[0x2B] = &Call<&T::OpLongBranch<Cond::kMI>>;
    page2[0x2C] = &Call<&T::OpLongBranch<Cond::kGE>>;
    page2[0x2D] = &Call<&T::OpLongBranch<Cond::kLT>>;
    page2[0x2E] = &Call<&T::OpLongBranch<Cond::kGT>>;
    page2[0x2F] = &Call<&T::OpLongBranch<Cond::kLE>>;
    page2[0x3F] = &Call<&T::OpSwi2>;
    page3[0x3F] = &Call<&T::OpSwi3>;
    return tables;
}

constinit const Mc6809::HandlerTables Mc6809::kHandlers = MakeHandlerTables();

}  // namespace tarvok
