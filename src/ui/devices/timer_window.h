#pragma once

#include <array>
#include <cstdint>

#include "devices/mc6840.h"
#include "ui/devices/device_window.h"
#include "ui/devices/graph_feed.h"
#include "ui/widgets/signal_graph.h"

class QGridLayout;
class QLabel;
class QLayout;
class QScrollBar;

namespace tarvok {

class TimerSamples;
class ToggleSwitch;

// "Timer 1 (MC6840)" (2, 3): one timer of the PTM. It shows the timer's registers, draws its
// output and its interrupt flag as two signal graphs while the graph switch is on (an oscillogram
// over processor cycles), lets the user zoom and scroll through the recording once the switch is
// off, and drives the timer's gate input with a switch.
class TimerWindow : public DeviceWindow {
    Q_OBJECT

public:
    enum Row { kCrRow, kStatusRow, kMsbLatchRow, kLsbLatchRow, kRowCount };
    static constexpr QSize kLeastSize{495, 263};
    static constexpr int kZoomMinimum = 1;
    static constexpr int kZoomMaximum = 23;
    static constexpr int kZoomDefault = 16;
    // Each step of the fine scroll bar moves 4 cycles; a step of the coarse one 32768 fine steps.
    static constexpr std::uint64_t kCyclesPerFineStep = 4;
    static constexpr int kFineStepsPerCoarseStep = 32768;

    // `timer` is 1, 2 or 3; `samples` brings the timer's levels while the window records.
    TimerWindow(Mc6840& ptm, TimerSamples& samples, int timer, QWidget* parent);
    ~TimerWindow() override;

    void ShowFrame(const MachineSnapshot& snapshot) override;
    void ResetView() override;

    // The graph scale for a zoom bar position: pixels per cycle and cycles per pixel.
    static SignalGraph::Scale ZoomScale(int position);
    static QString ZoomText(int position);

    // A row as it reads: label, hexadecimal and binary value, joined by "|".
    QString RowText(Row row) const { return rows_[row].Text(); }
    SignalGraph* OutputGraph() const { return outGraph_; }
    SignalGraph* InterruptGraph() const { return intGraph_; }
    ToggleSwitch* GraphSwitch() const { return graphSwitch_; }
    ToggleSwitch* GateSwitch() const { return gateSwitch_; }
    QScrollBar* CoarseBar() const { return coarseBar_; }
    QScrollBar* FineBar() const { return fineBar_; }
    QScrollBar* ZoomBar() const { return zoomBar_; }
    QLabel* ZoomLabel() const { return zoomLabel_; }

private:
    void BuildRegisters(QGridLayout* grid);
    QLayout* BuildGraphs();
    QLayout* BuildSwitches();
    void Attach() override;
    void Detach() override;
    void Show(const Mc6840State& state);
    void ShowDevice() { Show(ptm_.State()); }

    void RecordingSwitched(bool on);
    void CoarseMoved();
    void ZoomMoved(int position);
    // Shows both graphs' recording from the scroll bars' position at the present zoom.
    void ShowSaved();

    Mc6840& ptm_;
    TimerSamples& samples_;
    const int timer_;
    std::array<RegisterRow, kRowCount> rows_;
    SignalGraph* outGraph_ = nullptr;
    SignalGraph* intGraph_ = nullptr;
    ToggleSwitch* graphSwitch_ = nullptr;
    ToggleSwitch* gateSwitch_ = nullptr;
    QScrollBar* coarseBar_ = nullptr;
    QScrollBar* fineBar_ = nullptr;
    QScrollBar* zoomBar_ = nullptr;
    QLabel* zoomLabel_ = nullptr;
    // The timer's output (bit 0) and flag (bit 1), cycle by cycle, while the window records.
    RunGatherer runs_;
    bool recording_ = false;
    SignalGraph::Scale scale_;
    // The fine bar's maximum at the last coarse position.
    int lastFineMaximum_ = 0;
    // What the rows and the gate switch show.
    struct Shown {
        Byte cr = 0, status = 0, msbLatch = 0, lsbLatch = 0;
        bool gate = false;
        bool operator==(const Shown&) const = default;
    };
    Shown shown_;
    bool shownValid_ = false;
};

}  // namespace tarvok
