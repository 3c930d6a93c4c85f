#include "machine/stepping.h"

#include "cpu/instruction_length.h"

namespace tarvok {

namespace {

constexpr Byte kPage2 = 0x10;
constexpr Byte kPage3 = 0x11;
constexpr Byte kSwi = 0x3F;

bool IsCall(Byte opcode, Byte next) {
    switch (opcode) {
        case 0x17:  // LBSR
        case 0x8D:  // BSR
        case 0x9D:  // JSR direct
        case 0xAD:  // JSR indexed
        case 0xBD:  // JSR extended
        case kSwi:
            return true;
        case kPage2:  // SWI2
        case kPage3:  // SWI3
            return next == kSwi;
        default:
            return false;
    }
}

}  // namespace

std::optional<InterruptEntry> NextInterruptEntry(const Mc6809State& cpu) {
    if (cpu.waiting) return std::nullopt;
    if (cpu.NmiPending()) return InterruptEntry{"NMI", 0xFFFC};
    if (cpu.FirqPending()) return InterruptEntry{"FIRQ", 0xFFF6};
    if (cpu.IrqPending()) return InterruptEntry{"IRQ", 0xFFF8};
    return std::nullopt;
}

SteppingRun::SteppingRun(Machine& machine, StepKind kind, Address target)
    : machine_(machine), kind_(kind), target_(target), depth_(machine.Cpu().S()) {
    if (kind_ == StepKind::StepOver) Plan();
}

void SteppingRun::Plan() {
    const Mc6809& cpu = machine_.Cpu();
    const Address pc = cpu.PC();
    depth_ = cpu.S();
    waitForReturn_ = false;
    replanAfterReturn_ = false;
    if (NextInterruptEntry(cpu.State())) {
        // The handler returns to this very instruction, which then still has to run.
        waitForReturn_ = true;
        replanAfterReturn_ = true;
        returnAddress_ = pc;
        return;
    }
    AddressDecoder& bus = machine_.Decoder();
    const Byte b0 = bus.Read(pc, true);
    const Byte b1 = bus.Read(static_cast<Address>(pc + 1), true);
    if (!IsCall(b0, b1) || cpu.State().waiting) return;
    waitForReturn_ = true;
    const Byte b2 = bus.Read(static_cast<Address>(pc + 2), true);
    returnAddress_ = static_cast<Address>(pc + Mc6809InstructionLength(b0, b1, b2));
}

bool SteppingRun::AtReturnInstruction() const {
    const Mc6809& cpu = machine_.Cpu();
    if (cpu.S() < depth_ || cpu.State().waiting || NextInterruptEntry(cpu.State())) return false;
    AddressDecoder& bus = machine_.Decoder();
    const Byte opcode = bus.Read(cpu.PC(), true);
    if (opcode == 0x39 || opcode == 0x3B) return true;  // RTS, RTI
    return opcode == 0x35 && (bus.Read(static_cast<Address>(cpu.PC() + 1), true) & 0x80) != 0;
}

StepOutcome SteppingRun::Advance(std::uint64_t maxSteps) {
    for (std::uint64_t step = 0; step < maxSteps; ++step) {
        const bool returning = kind_ == StepKind::StepOut && AtReturnInstruction();
        machine_.Step();
        const Mc6809& cpu = machine_.Cpu();
        switch (kind_) {
            case StepKind::Step:
                return StepOutcome::Done;
            case StepKind::StepOver:
                if (!waitForReturn_) return StepOutcome::Done;
                if (cpu.PC() == returnAddress_ && cpu.S() == depth_) {
                    if (!replanAfterReturn_) return StepOutcome::Done;
                    // Back where the command started: now over the instruction that waited.
                    Plan();
                    continue;
                }
                break;
            case StepKind::StepOut:
                if (returning) return StepOutcome::Done;
                break;
            case StepKind::RunTo:
                if (cpu.PC() == target_) return StepOutcome::Done;
                break;
        }
        if (machine_.CheckBreakpoint()) return StepOutcome::Breakpoint;
    }
    return StepOutcome::Running;
}

}  // namespace tarvok
