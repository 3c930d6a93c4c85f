#pragma once

#include <cstdint>
#include <optional>

#include "cpu/mc6809_state.h"
#include "machine/machine.h"

namespace tarvok {

// The debugger's stepping commands, shared by the windows and the command line. Each runs the
// machine step by step (Machine::Step) until its goal is reached; all but the single step stop at
// a breakpoint on the way (with its message, as a running system does).
enum class StepKind : std::uint8_t {
    Step,      // one step: an instruction or an interrupt entry
    StepOver,  // a call (JSR, BSR, LBSR, SWI, SWI2, SWI3) or an interrupt as one step
    StepOut,   // until the current subroutine or interrupt handler has returned
    RunTo,     // until the PC reaches the target
};

enum class StepOutcome : std::uint8_t { Running, Done, Breakpoint };

struct InterruptEntry {
    const char* name;
    Address vector;
};

// The interrupt the processor enters in its next step instead of executing an instruction:
// NMI once armed, then FIRQ unless F is set, then IRQ unless I is set; none while SYNC or CWAI
// waits (the step that ends the wait is an instruction step).
std::optional<InterruptEntry> NextInterruptEntry(const Mc6809State& cpu);

class SteppingRun {
public:
    // Plans the command from the processor's state now. Step over: at a call, until the PC is at
    // the return address with S back where it was; when the next step enters an interrupt, until
    // the handler has returned, and then over the instruction as before; otherwise one step.
    // Step out: until an RTS, RTI or PULS with PC has run with S at or above its value now, so
    // that the returns of nested calls and interrupts do not count. Run to: until PC = target,
    // after at least one step.
    SteppingRun(Machine& machine, StepKind kind, Address target = 0);

    StepKind Kind() const { return kind_; }
    // Runs up to `maxSteps` steps; Running when the goal is still ahead.
    StepOutcome Advance(std::uint64_t maxSteps);

private:
    void Plan();
    bool AtReturnInstruction() const;

    Machine& machine_;
    StepKind kind_;
    Address target_;
    std::uint16_t depth_ = 0;         // S when the command started (step over: when planned)
    Address returnAddress_ = 0;       // step over: where the call or interrupt comes back to
    bool waitForReturn_ = false;      // step over: a call or interrupt is being run through
    bool replanAfterReturn_ = false;  // step over: the return was from an interrupt
};

}  // namespace tarvok
