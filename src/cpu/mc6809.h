#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "core/address_decoder.h"
#include "core/device.h"
#include "core/listeners.h"
#include "core/types.h"
#include "cpu/mc6809_flag_rules.h"
#include "cpu/mc6809_state.h"

namespace tarvok {

struct IndexedForm;

// What the CPU window needs to hear: a register or an interrupt input changed.
class Mc6809Listener {
public:
    virtual ~Mc6809Listener() = default;
    virtual void RegisterChanged(Mc6809Register reg, std::uint16_t value) = 0;
    virtual void InputLevelChanged(std::uint16_t input, bool level) = 0;
};

// The MC6809 processor. It occupies no bus addresses; each Run executes one instruction or
// interrupt entry and returns its cycle count, RunFor executes many.
class Mc6809 : public Device {
public:
    // Why RunFor returned.
    enum class RunEnd : std::uint8_t { Budget, Breakpoint, StopRequest };
    struct RunResult {
        std::uint64_t cycles = 0;
        std::uint64_t steps = 0;
        RunEnd end = RunEnd::Budget;
    };

    Mc6809() : Device(0x0000, 0) {}

    Byte Read(Address, bool) override { return 0xFF; }
    void Write(Address, Byte) override {}
    void Reset() override;
    Byte Run(Byte cycles) override;
    void SetInterruptInput(const void* source, std::uint16_t sourceLine, std::uint16_t input,
                           bool level) override;
    void Install() override;

    static constexpr std::uint64_t kNoStepLimit = ~std::uint64_t{0};

    // Executes steps exactly as that many Run calls would, until `budget` cycles are spent (the
    // last step may go beyond) or `maxSteps` steps are done, a breakpoint is set at the PC after
    // a step, or RequestStop was called (before the call or during a step). Without a decoder
    // nothing runs.
    RunResult RunFor(std::uint64_t budget, std::uint64_t maxSteps = kNoStepLimit);
    // Cycles that the RunFor in progress has spent before the step in progress (after it, all
    // that it spent).
    std::uint64_t CyclesRun() const { return runCycles_; }
    // Lowers the budget of the RunFor in progress, counted from its start, as a device does
    // whose next event an access has brought forward.
    void LimitRun(std::uint64_t budget) {
        if (budget >= budget_) return;
        budget_ = budget;
        if (leanLimit_ > budget) leanLimit_ = budget;
    }
    // Makes the current or next RunFor return before its next step.
    void RequestStop() {
        stopRequested_ = true;
        RaiseAttention();
    }

    void AddListener(Mc6809Listener* listener) {
        listeners_.Add(listener);
        RaiseAttention();
    }
    void RemoveListener(Mc6809Listener* listener) {
        listeners_.Remove(listener);
        RaiseAttention();
    }

    const Mc6809State& State() const { return state_; }
    void RestoreState(const Mc6809State& state) {
        state_ = state;
        RaiseAttention();
    }

    // Registers. Setters notify only on a change (and only while someone listens); SetS always
    // arms NMI.
    Byte A() const { return static_cast<Byte>(state_.d >> 8); }
    Byte B() const { return static_cast<Byte>(state_.d); }
    std::uint16_t D() const { return state_.d; }
    std::uint16_t X() const { return state_.x; }
    std::uint16_t Y() const { return state_.y; }
    std::uint16_t U() const { return state_.u; }
    std::uint16_t S() const { return state_.s; }
    std::uint16_t PC() const { return state_.pc; }
    Byte DP() const { return state_.dp; }
    Byte CC() const { return state_.cc; }

    void SetA(Byte value) {
        const Byte old = A();
        state_.d = static_cast<std::uint16_t>((value << 8) | (state_.d & 0x00FF));
        if (!listeners_.Empty() && old != value) [[unlikely]]
            NotifyListeners(Mc6809Register::A, value);
    }
    void SetB(Byte value) {
        const Byte old = B();
        state_.d = static_cast<std::uint16_t>((state_.d & 0xFF00) | value);
        if (!listeners_.Empty() && old != value) [[unlikely]]
            NotifyListeners(Mc6809Register::B, value);
    }
    void SetD(std::uint16_t value) { Store(state_.d, value, Mc6809Register::D); }
    void SetX(std::uint16_t value) { Store(state_.x, value, Mc6809Register::X); }
    void SetY(std::uint16_t value) { Store(state_.y, value, Mc6809Register::Y); }
    void SetU(std::uint16_t value) { Store(state_.u, value, Mc6809Register::U); }
    void SetS(std::uint16_t value) {
        state_.nmiArmed = true;
        Store(state_.s, value, Mc6809Register::S);
    }
    void SetPC(std::uint16_t value) { Store(state_.pc, value, Mc6809Register::PC); }
    void SetDP(Byte value) { Store(state_.dp, value, Mc6809Register::DP); }
    void SetCC(Byte value) { Store(state_.cc, value, Mc6809Register::CC); }

    // Leaves SYNC or CWAI, as a debugger that moves PC needs: the next step executes the
    // instruction at PC. A state that CWAI stacked stays on the stack, and the next interrupt
    // stacks its own.
    void EndWait();

    // One condition code bit (kFlagE ... kFlagC); the setter runs through SetCC.
    bool Flag(Byte mask) const { return (state_.cc & mask) != 0; }
    void SetFlag(Byte mask, bool on) { SetCC(mc6809_flags::Set(state_.cc, mask, on)); }
    // The MC6809 leaves H undefined after some instructions; this one keeps it.
    void UndefineFlagH() {}

    // Flag rules, one per instruction class; operands are taken before the register changes.
    void SetFlagsForADD8Bit(Byte a, Byte b) { SetCC(mc6809_flags::ForADD8Bit(state_.cc, a, b)); }
    void SetFlagsForADC(Byte a, Byte b) { SetCC(mc6809_flags::ForADC(state_.cc, a, b)); }
    void SetFlagsForADD16Bit(std::uint16_t a, std::uint16_t b) {
        SetCC(mc6809_flags::ForADD16Bit(state_.cc, a, b));
    }
    void SetFlagsForSUB8Bit(Byte a, Byte b) { SetCC(mc6809_flags::ForSUB8Bit(state_.cc, a, b)); }
    void SetFlagsForCMP8Bit(Byte a, Byte b) { SetCC(mc6809_flags::ForCMP8Bit(state_.cc, a, b)); }
    void SetFlagsForSBC(Byte a, Byte b) { SetCC(mc6809_flags::ForSBC(state_.cc, a, b)); }
    void SetFlagsForSUB16Bit(std::uint16_t a, std::uint16_t b) {
        SetCC(mc6809_flags::ForSUB16Bit(state_.cc, a, b));
    }
    void SetFlagsForCMP16Bit(std::uint16_t a, std::uint16_t b) {
        SetCC(mc6809_flags::ForCMP16Bit(state_.cc, a, b));
    }
    void SetFlagsForAND(Byte r) { SetCC(mc6809_flags::ForLogic8(state_.cc, r)); }
    void SetFlagsForOR(Byte r) { SetCC(mc6809_flags::ForLogic8(state_.cc, r)); }
    void SetFlagsForEOR(Byte r) { SetCC(mc6809_flags::ForLogic8(state_.cc, r)); }
    void SetFlagsForBIT(Byte r) { SetCC(mc6809_flags::ForLogic8(state_.cc, r)); }
    void SetFlagsForTST(Byte r) { SetCC(mc6809_flags::ForLogic8(state_.cc, r)); }
    void SetFlagsForLD8Bit(Byte r) { SetCC(mc6809_flags::ForLogic8(state_.cc, r)); }
    void SetFlagsForST8Bit(Byte r) { SetCC(mc6809_flags::ForLogic8(state_.cc, r)); }
    void SetFlagsForLD16Bit(std::uint16_t r) { SetCC(mc6809_flags::ForLogic16(state_.cc, r)); }
    void SetFlagsForST16Bit(std::uint16_t r) { SetCC(mc6809_flags::ForLogic16(state_.cc, r)); }
    void SetFlagsForCLR() { SetCC(mc6809_flags::ForCLR(state_.cc)); }
    void SetFlagsForCOM(Byte r) { SetCC(mc6809_flags::ForCOM(state_.cc, r)); }
    void SetFlagsForNEG(Byte r) { SetCC(mc6809_flags::ForNEG(state_.cc, r)); }
    void SetFlagsForINC(Byte r) { SetCC(mc6809_flags::ForINC(state_.cc, r)); }
    void SetFlagsForDEC(Byte r) { SetCC(mc6809_flags::ForDEC(state_.cc, r)); }
    void SetFlagsForASR(Byte r, bool c) { SetCC(mc6809_flags::ForASR(state_.cc, r, c)); }
    void SetFlagsForLSR(Byte r, bool c) { SetCC(mc6809_flags::ForLSR(state_.cc, r, c)); }
    void SetFlagsForROR(Byte r, bool c) { SetCC(mc6809_flags::ForROR(state_.cc, r, c)); }
    void SetFlagsForLSL(Byte r, bool c) { SetCC(mc6809_flags::ForLSL(state_.cc, r, c)); }
    void SetFlagsForROL(Byte r, bool c) { SetCC(mc6809_flags::ForROL(state_.cc, r, c)); }
    void SetFlagsForDAA(bool adjusted) { SetCC(mc6809_flags::ForDAA(state_.cc, A(), adjusted)); }
    void SetFlagsForMUL() { SetCC(mc6809_flags::ForMUL(state_.cc, state_.d)); }
    void SetFlagsForSEX() { SetCC(mc6809_flags::ForSEX(state_.cc, A(), B())); }
    void SetFlagsForLEA(std::uint16_t r) { SetCC(mc6809_flags::ForLEA(state_.cc, r)); }

    // Whether an opcode (prefix 0) or the code after the prefix $10 or $11 is an instruction.
    static bool IsDefinedOpcode(Byte prefix, Byte opcode);

    // Whether an indexed postbyte is defined.
    static bool VerifyPostbyte(Byte postbyte);

    // Interrupt entries, taken by Run between instructions.
    void ExecuteNMI();
    void ExecuteFIRQ();
    void ExecuteIRQ();

private:
    enum class Mode : std::uint8_t { kImmediate, kDirect, kIndexed, kExtended };
    enum class Alu8 : std::uint8_t { kSub, kCmp, kSbc, kAnd, kBit, kLd, kEor, kAdc, kOr, kAdd };
    enum class Alu16 : std::uint8_t { kSub, kAdd, kCmp, kLd };
    enum class Rmw : std::uint8_t {
        kNeg,
        kCom,
        kLsr,
        kRor,
        kAsr,
        kLsl,
        kRol,
        kDec,
        kInc,
        kTst,
        kClr
    };
    enum class Reg16 : std::uint8_t { kD, kX, kY, kU, kS };
    enum class Cond : std::uint8_t {
        kRA,
        kRN,
        kHI,
        kLS,
        kCC,
        kCS,
        kNE,
        kEQ,
        kVC,
        kVS,
        kPL,
        kMI,
        kGE,
        kLT,
        kGT,
        kLE
    };

    using Handler = void (*)(Mc6809&);
    using HandlerTable = std::array<Handler, 256>;
    // Each handler is one function: everything it calls on its way is inlined into it, down to
    // what lies in other files (error messages, notices to listeners, device accesses).
    template <void (Mc6809::*kMethod)()>
    [[gnu::flatten]] static void Call(Mc6809& cpu) {
        (cpu.*kMethod)();
    }
    struct HandlerTables {
        HandlerTable page1{};
        HandlerTable page2{};
        HandlerTable page3{};
    };
    static const HandlerTables kHandlers;
    static constexpr HandlerTables MakeHandlerTables();
    template <Mode kM>
    static constexpr void FillModeColumn(HandlerTables& tables);

    void Notify(Mc6809Register reg, std::uint16_t value) {
        if (!listeners_.Empty()) [[unlikely]]
            NotifyListeners(reg, value);
    }
    // Kept out of line so that the register setters stay small enough to inline.
    void NotifyListeners(Mc6809Register reg, std::uint16_t value);
    template <typename T>
    void Store(T& field, T value, Mc6809Register reg) {
        const T old = field;
        field = value;
        if (!listeners_.Empty() && old != value) [[unlikely]]
            NotifyListeners(reg, value);
    }

    // One step with every check: interrupts, wait states, the PC notice.
    Byte Step();
    // The instruction at PC, dispatched on its first byte.
    void Execute() {
        const Byte opcode = Fetch();
        state_.opcode = opcode;
        kHandlers.page1[opcode](*this);
    }
    // Whether a step must take the checked path: something may be pending, someone listens, or
    // a stop was asked for. Everything that can make this true during a step raises attention.
    bool NeedsAttention() const {
        return stopRequested_ || state_.waiting || state_.stateStacked || !InputsQuiet() ||
               !listeners_.Empty();
    }

    // Indexed addressing (mc6809_indexed.h): fetches the postbyte and its offset bytes into the
    // effective address; false (with a message and a cycle) for an undefined postbyte.
    bool CalcOperandAddr(Address& address);
    Address OtherIndexedForm(const IndexedForm& form);
    void ChangeIndexRegister(std::uint16_t& base, unsigned which, int change);
    [[gnu::cold]] void RejectPostbyte(Byte postbyte);

    // Bus access of the processor; PC changes inside a step are announced once at its end.
    Byte BusRead(Address address) { return decoder_->Read(address); }
    void BusWrite(Address address, Byte value) { decoder_->Write(address, value); }
    // Both bytes at once where they lie in one page of plain memory, which reads have no
    // effects on; else high byte, then low byte.
    std::uint16_t BusRead16(Address address) {
        const unsigned a = address;
        const unsigned offset = a & 0xFF;
        if (offset != 0xFF) {
            if (const Byte* page = decoder_->ReadPage(a >> 8))
                return static_cast<std::uint16_t>((page[offset] << 8) | page[offset + 1]);
        }
        const Byte high = BusRead(address);
        return static_cast<std::uint16_t>((high << 8) | BusRead(static_cast<Address>(address + 1)));
    }
    // Instruction bytes come straight from the storage of PC's page while that page is plain
    // memory; the first fetch in another page looks it up in the decoder.
    Byte Fetch() {
        const unsigned pc = state_.pc;
        state_.pc = static_cast<Address>(pc + 1);
        if ((pc >> 8) == fetchPageNumber_) [[likely]]
            return fetchPage_[pc & 0xFF];
        return FetchFromOtherPage(static_cast<Address>(pc));
    }
    Byte FetchFromOtherPage(Address pc);
    // Forgets the fetch page when the decoder was changed or remapped since it was taken.
    void CheckFetchPage() {
        if (decoder_ != fetchDecoder_ || decoder_->MapGeneration() != fetchMapGeneration_) {
            fetchDecoder_ = decoder_;
            fetchMapGeneration_ = decoder_->MapGeneration();
            fetchPageNumber_ = kNoFetchPage;
        }
    }
    std::uint16_t FetchWord() {
        const unsigned pc = state_.pc;
        const unsigned offset = pc & 0xFF;
        if ((pc >> 8) == fetchPageNumber_ && offset != 0xFF) [[likely]] {
            state_.pc = static_cast<Address>(pc + 2);
            return static_cast<std::uint16_t>((fetchPage_[offset] << 8) | fetchPage_[offset + 1]);
        }
        const Byte high = Fetch();
        return static_cast<std::uint16_t>((high << 8) | Fetch());
    }
    static constexpr std::uint16_t SignExtend8(Byte value) {
        return static_cast<std::uint16_t>(static_cast<std::int8_t>(value));
    }
    // Reports a fault at the byte just fetched.
    void ReportError(const std::string& text);
    void ReportInvalidOpcode(Byte prefix, Byte opcode);

    // Stack helpers; each S change goes through SetS, which arms NMI.
    void PushByteS(Byte value) {
        SetS(static_cast<std::uint16_t>(state_.s - 1));
        BusWrite(state_.s, value);
    }
    void PushWordS(std::uint16_t value) {
        PushByteS(static_cast<Byte>(value));
        PushByteS(static_cast<Byte>(value >> 8));
    }
    Byte PullByteS() {
        const Byte value = BusRead(state_.s);
        SetS(static_cast<std::uint16_t>(state_.s + 1));
        return value;
    }
    std::uint16_t PullWordS() {
        const Byte high = PullByteS();
        return static_cast<std::uint16_t>((high << 8) | PullByteS());
    }
    void StackEntireState();
    bool InputsQuiet() const { return state_.nmiIdle && state_.firq.line && state_.irq.line; }
    bool NmiPending() const { return state_.NmiPending(); }
    bool FirqPending() const { return state_.FirqPending(); }
    bool IrqPending() const { return state_.IrqPending(); }
    bool InterruptPending() const { return NmiPending() || FirqPending() || IrqPending(); }
    bool TakeInterrupt();
    void SoftwareInterrupt(Address vector, Byte masks);

    // Register postbyte of TFR and EXG.
    bool CheckTransferPostbyte(Byte postbyte, const char* mnemonic);
    std::uint16_t GetRegByCode(unsigned code) const;
    void SetRegByCode(unsigned code, std::uint16_t value);

    template <bool kB>
    Byte GetAcc() const {
        return kB ? B() : A();
    }
    template <bool kB>
    void SetAcc(Byte value) {
        if constexpr (kB) {
            SetB(value);
        } else {
            SetA(value);
        }
    }
    template <Reg16 kR>
    std::uint16_t GetReg16() const;
    template <Reg16 kR>
    void SetReg16(std::uint16_t value);
    template <Mode kM>
    bool EffectiveAddress(Address& address);
    template <Mode kM, int kDirectCycles>
    bool ReadOperand8(Byte& value);
    template <Mode kM, int kDirectCycles>
    bool ReadOperand16(std::uint16_t& value);
    template <Rmw kOp>
    Byte ApplyRmw(Byte value);
    template <Cond kC>
    bool Condition() const;

    template <bool kB, Alu8 kOp, Mode kM>
    void OpAlu8();
    template <bool kB, Mode kM>
    void OpStore8();
    template <Reg16 kR, Alu16 kOp, Mode kM>
    void OpAlu16();
    template <Reg16 kR, Mode kM>
    void OpStore16();
    template <Rmw kOp, Mode kM>
    void OpRmwMemory();
    template <bool kB, Rmw kOp>
    void OpRmwAccumulator();
    template <Mode kM>
    void OpJmp();
    template <Mode kM>
    void OpJsr();
    template <Cond kC>
    void OpBranch();
    template <Cond kC>
    void OpLongBranch();
    template <Reg16 kR>
    void OpLea();
    template <bool kUserStack>
    void OpPush();
    template <bool kUserStack>
    void OpPull();

    void FetchOpcode2();
    void OpUndefined();
    void OpUndefinedPrefixed();
    void OpNop();
    void OpSync();
    void OpLbra();
    void OpLbsr();
    void OpBsr();
    void OpDaa();
    void OpOrcc();
    void OpAndcc();
    void OpSex();
    void OpExg();
    void OpTfr();
    void OpRts();
    void OpAbx();
    void OpRti();
    void OpCwai();
    void OpMul();
    void OpSwi();
    void OpSwi2();
    void OpSwi3();

    Mc6809State state_;
    Listeners<Mc6809Listener> listeners_;
    bool stopRequested_ = false;
    // RunFor takes unchecked steps while its cycle count is below this; 0 stops that at once.
    std::uint64_t leanLimit_ = 0;
    std::uint64_t budget_ = 0;
    std::uint64_t runCycles_ = 0;
    void RaiseAttention() { leanLimit_ = 0; }

    static constexpr unsigned kNoFetchPage = 0x100;
    unsigned fetchPageNumber_ = kNoFetchPage;
    const Byte* fetchPage_ = nullptr;
    const AddressDecoder* fetchDecoder_ = nullptr;
    std::uint32_t fetchMapGeneration_ = 0;
};

}  // namespace tarvok
