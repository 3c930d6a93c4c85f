#pragma once

#include <QObject>
#include <QTimer>

#include "machine/machine.h"
#include "machine/snapshot.h"

namespace tarvok {

// Drives the machine on the user-interface thread. While the system runs, a zero-interval timer
// gives it slices of a few milliseconds, each made of bursts of up to 100 steps with the
// breakpoint test after every step; between slices the event loop handles clicks, keys and
// repaints. A second timer takes a snapshot of the machine every 30 ms and hands it to the views,
// which redraw only what changed.
class RunLoop : public QObject, private MachineListener {
    Q_OBJECT

public:
    static constexpr int kSliceMicroseconds = 4000;
    static constexpr int kFrameMilliseconds = 30;

    explicit RunLoop(Machine& machine, QObject* parent = nullptr);
    ~RunLoop() override;

    // Takes a snapshot and tells the views now, without waiting for the next frame.
    void RefreshNow();

signals:
    void FrameReady(const tarvok::MachineSnapshot& snapshot);

private:
    void RunSlice();
    void SystemRunningChanged(bool running) override;

    Machine& machine_;
    QTimer sliceTimer_;
    QTimer frameTimer_;
    MachineSnapshot snapshot_;
};

}  // namespace tarvok
