#pragma once

#include <QObject>
#include <QTimer>

#include <optional>

#include "machine/history.h"
#include "machine/machine.h"
#include "machine/pacing.h"
#include "machine/snapshot.h"
#include "machine/stepping.h"

namespace tarvok {

// Drives the machine on the user-interface thread. While the system runs, a zero-interval timer
// gives it slices of a few milliseconds, each made of bursts of up to 100 steps with the
// breakpoint test after every step; between slices the event loop handles clicks, keys and
// repaints. A second timer takes a snapshot of the machine every 30 ms and hands it to the views,
// which redraw only what changed.
//
// Paced at a multiple of the board's 1 MHz, a slice runs only up to the cycles the wall clock
// allows and the slices come every millisecond; the steps are the same, only the waits between
// slices differ. A stepping command that does not end at once runs in the same slices, as the
// running system, so that the windows stay responsive and "System anhalten" ends it.
class RunLoop : public QObject, private MachineListener {
    Q_OBJECT

public:
    static constexpr int kSliceMicroseconds = 4000;
    static constexpr int kFrameMilliseconds = 30;

    explicit RunLoop(Machine& machine, QObject* parent = nullptr);
    ~RunLoop() override;

    // Takes a snapshot and tells the views now, without waiting for the next frame.
    void RefreshNow();

    // 1, 10 or 100 times the board's speed; 0 (the default) as fast as the host allows.
    void SetSpeedFactor(unsigned factor);
    unsigned SpeedFactor() const { return pacer_.Factor(); }
    // Starts a stepping command on the stopped system. One that ends within its first slice
    // leaves the system stopped; a longer one runs it until the goal, a breakpoint or a stop.
    void StartStepping(StepKind kind, Address target = 0);
    bool Stepping() const { return steppingActive_; }
    // "Schritt zurück" (one step) or "Zurück zum vorigen Breakpoint" on the stopped system, from
    // the history kept of every run; the windows show the state reached at once. A refusal says
    // why in the output field.
    void StepBack(bool toBreakpoint);
    StepBackHistory& History() { return history_; }
    // While held (a V.24 transfer waiting on the user-interface thread) the system does not
    // advance; its run state stays as it is and it goes on when released.
    void SetHeld(bool held);

signals:
    void FrameReady(const tarvok::MachineSnapshot& snapshot);
    // The speed the running system reached, in MHz (measured twice a second; 0 when stopped).
    void SpeedMeasured(double megahertz);

private:
    void RunSlice();
    // Runs the current stepping command for up to `steps` steps; false when it has ended.
    bool AdvanceStepping(std::uint64_t steps);
    void SystemRunningChanged(bool running) override;

    Machine& machine_;
    QTimer sliceTimer_;
    QTimer frameTimer_;
    MachineSnapshot snapshot_;
    Pacer pacer_;
    SpeedMeter speedMeter_;
    std::optional<SteppingRun> stepping_;
    bool steppingActive_ = false;
    bool held_ = false;
    StepBackHistory history_{machine_};
};

}  // namespace tarvok
