#include "ui/run_loop.h"

#include <QElapsedTimer>

namespace tarvok {

RunLoop::RunLoop(Machine& machine, QObject* parent) : QObject(parent), machine_(machine) {
    sliceTimer_.setInterval(0);
    sliceTimer_.setTimerType(Qt::PreciseTimer);
    connect(&sliceTimer_, &QTimer::timeout, this, &RunLoop::RunSlice);
    frameTimer_.setInterval(kFrameMilliseconds);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, &RunLoop::RefreshNow);
    machine_.AddListener(this);
    history_.Attach();
    frameTimer_.start();
    if (machine_.SystemRunning()) sliceTimer_.start();
}

RunLoop::~RunLoop() {
    machine_.RemoveListener(this);
}

void RunLoop::RefreshNow() {
    machine_.TakeSnapshot(snapshot_);
    emit FrameReady(snapshot_);
}

void RunLoop::RunSlice() {
    constexpr qint64 kSliceNanoseconds = qint64{kSliceMicroseconds} * 1000;
    QElapsedTimer clock;
    clock.start();
    const std::uint64_t allowance =
        pacer_.Paced() ? pacer_.Allowance(Pacer::Clock::now(), machine_.TotalCycles())
                       : ~std::uint64_t{0};
    // Burst stops at a breakpoint, and a listener may stop the system: both end the slice.
    while (machine_.SystemRunning() && machine_.TotalCycles() < allowance) {
        if (steppingActive_ ? !AdvanceStepping(Machine::kBurstSteps) : machine_.Burst()) break;
        if (clock.nsecsElapsed() >= kSliceNanoseconds) break;
    }
    if (speedMeter_.Update(Pacer::Clock::now(), machine_.TotalCycles())) {
        emit SpeedMeasured(speedMeter_.Megahertz());
    }
}

bool RunLoop::AdvanceStepping(std::uint64_t steps) {
    const StepOutcome outcome = stepping_->Advance(steps);
    if (outcome == StepOutcome::Running) return true;
    steppingActive_ = false;
    // A breakpoint has stopped the system already.
    if (outcome == StepOutcome::Done && machine_.SystemRunning()) machine_.SetSystemRunning(false);
    return false;
}

void RunLoop::SetHeld(bool held) {
    held_ = held;
    if (held) {
        sliceTimer_.stop();
    } else if (machine_.SystemRunning()) {
        pacer_.Restart(Pacer::Clock::now(), machine_.TotalCycles());
        sliceTimer_.start();
    }
}

void RunLoop::SetSpeedFactor(unsigned factor) {
    pacer_ = Pacer(factor);
    pacer_.Restart(Pacer::Clock::now(), machine_.TotalCycles());
    // Flat out the next slice follows at once; paced, every millisecond.
    sliceTimer_.setInterval(pacer_.Paced() ? 1 : 0);
}

void RunLoop::StartStepping(StepKind kind, Address target) {
    if (machine_.SystemRunning()) return;
    // About a slice's worth of steps at once: a step, or a short call, ends here.
    constexpr std::uint64_t kFirstSteps = 2000;
    stepping_.emplace(machine_, kind, target);
    steppingActive_ = true;
    if (AdvanceStepping(kFirstSteps)) {
        machine_.SetSystemRunning(true);
    } else {
        RefreshNow();
    }
}

void RunLoop::StepBack(bool toBreakpoint) {
    if (machine_.SystemRunning()) return;
    const Status back = toBreakpoint ? history_.BackToPreviousBreakpoint() : history_.StepBack();
    if (!back) machine_.Decoder().ShowMessage(back.Message().text);
    RefreshNow();
}

void RunLoop::SystemRunningChanged(bool running) {
    if (running) {
        pacer_.Restart(Pacer::Clock::now(), machine_.TotalCycles());
        speedMeter_.Restart(Pacer::Clock::now(), machine_.TotalCycles());
        if (!held_) sliceTimer_.start();
    } else {
        // "System anhalten" ends a stepping command too.
        steppingActive_ = false;
        sliceTimer_.stop();
        emit SpeedMeasured(0);
    }
}

}  // namespace tarvok
