#include "ui/run_loop.h"

#include <QElapsedTimer>

namespace tarvok {

RunLoop::RunLoop(Machine& machine, QObject* parent) : QObject(parent), machine_(machine) {
    sliceTimer_.setInterval(0);
    connect(&sliceTimer_, &QTimer::timeout, this, &RunLoop::RunSlice);
    frameTimer_.setInterval(kFrameMilliseconds);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    connect(&frameTimer_, &QTimer::timeout, this, &RunLoop::RefreshNow);
    machine_.AddListener(this);
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
    // Burst stops at a breakpoint, and a listener may stop the system: both end the slice.
    while (machine_.SystemRunning() && !machine_.Burst()) {
        if (clock.nsecsElapsed() >= kSliceNanoseconds) break;
    }
}

void RunLoop::SystemRunningChanged(bool running) {
    if (running) {
        sliceTimer_.start();
    } else {
        sliceTimer_.stop();
    }
}

}  // namespace tarvok
