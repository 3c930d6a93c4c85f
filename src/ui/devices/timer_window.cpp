#include "ui/devices/timer_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/devices/timer_samples.h"
#include "ui/widgets/toggle_switch.h"

namespace tarvok {

namespace {

constexpr QSize kSwitchSize{24, 49};
constexpr QSize kGraphSize{340, 40};

// A vertical switch with its name above and the texts of its two positions beside the halves.
QLayout* LabelledSwitch(QWidget* parent, ToggleSwitch* toggle, const QString& name,
                        const QString& on, const QString& off) {
    toggle->setFixedSize(kSwitchSize);
    auto* positions = new QVBoxLayout;
    positions->setSpacing(0);
    positions->addWidget(new QLabel(on, parent), 0, Qt::AlignTop);
    positions->addWidget(new QLabel(off, parent), 0, Qt::AlignBottom);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(2);
    if (!name.isEmpty()) grid->addWidget(new QLabel(name, parent), 0, 0, 1, 2, Qt::AlignLeft);
    grid->addWidget(toggle, 1, 0);
    grid->addLayout(positions, 1, 1);
    return grid;
}

}  // namespace

TimerWindow::TimerWindow(Mc6840& ptm, TimerSamples& samples, int timer, QWidget* parent)
    : DeviceWindow(parent),
      ptm_(ptm),
      samples_(samples),
      timer_(timer),
      outGraph_(new SignalGraph(this)),
      intGraph_(new SignalGraph(this)),
      runs_([this](std::uint32_t levels, std::uint64_t steps) {
          outGraph_->setValue((levels & 1) != 0);
          outGraph_->DrawValue(scale_, steps);
          intGraph_->setValue((levels & 2) != 0);
          intGraph_->DrawValue(scale_, steps);
      }) {
    setWindowTitle(QStringLiteral("Timer %1 (MC6840)").arg(timer));
    auto* registers = new QGridLayout;
    registers->setHorizontalSpacing(10);
    registers->setVerticalSpacing(2);
    BuildRegisters(registers);
    auto* top = new QHBoxLayout;
    top->addLayout(registers);
    top->addStretch();
    gateSwitch_ = new ToggleSwitch(this);
    top->addLayout(LabelledSwitch(this, gateSwitch_, QStringLiteral("gate"), QStringLiteral("high"),
                                  QStringLiteral("low")));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(8);
    layout->addLayout(top);
    layout->addLayout(BuildGraphs());
    layout->addStretch();
    FixSize(kLeastSize);

    connect(gateSwitch_, &ToggleSwitch::toggled, this, [this](bool on) {
        ptm_.SetGate(timer_, on);
        ShowDevice();
    });
    connect(graphSwitch_, &ToggleSwitch::toggled, this, &TimerWindow::RecordingSwitched);
    connect(coarseBar_, &QScrollBar::valueChanged, this, &TimerWindow::CoarseMoved);
    connect(fineBar_, &QScrollBar::valueChanged, this, &TimerWindow::ShowSaved);
    connect(zoomBar_, &QScrollBar::valueChanged, this, &TimerWindow::ZoomMoved);
    // Nothing is recorded yet: there is nothing to scroll through.
    coarseBar_->setEnabled(false);
    ResetView();
}

TimerWindow::~TimerWindow() {
    samples_.Route(timer_, nullptr);
}

void TimerWindow::BuildRegisters(QGridLayout* grid) {
    const Address base = ptm_.BaseAddress();
    const auto at = [base](int offset) { return HexText(base + offset, 4); };
    const QString control[3] = {
        QStringLiteral("CR#1 (%1, CR#2 Bit 0 = 1):").arg(at(0)),
        QStringLiteral("CR#2 (%1):").arg(at(1)),
        QStringLiteral("CR#3 (%1, CR#2 Bit 0 = 0):").arg(at(0)),
    };
    const QString names[kRowCount] = {
        control[timer_ - 1],
        QStringLiteral("SR (%1):").arg(at(1)),
        QStringLiteral("Latch MSB (%1):").arg(at(2 * timer_)),
        QStringLiteral("Latch LSB (%1):").arg(at(2 * timer_ + 1)),
    };
    for (int row = 0; row < kRowCount; ++row)
        rows_[row] = AddRegisterRow(grid, row, names[row]);
}

QLayout* TimerWindow::BuildGraphs() {
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);
    const struct {
        SignalGraph* graph;
        const char* name;
        const char* hint;
    } graphs[2] = {{outGraph_, "out", "Pegel des Timerausgangs"},
                   {intGraph_, "int", "Interrupt-Flag dieses Timers im Statusregister"}};
    for (int i = 0; i < 2; ++i) {
        SignalGraph* graph = graphs[i].graph;
        graph->setFixedSize(kGraphSize);
        graph->setToolTip(QString::fromUtf8(graphs[i].hint));
        graph->setEnabled(false);
        grid->addWidget(new QLabel(QString::fromUtf8(graphs[i].name), this), i, 0,
                        Qt::AlignVCenter);
        auto* levels = new QVBoxLayout;
        levels->setSpacing(0);
        levels->addWidget(new QLabel(QStringLiteral("1"), this), 0, Qt::AlignTop);
        levels->addWidget(new QLabel(QStringLiteral("0"), this), 0, Qt::AlignBottom);
        grid->addLayout(levels, i, 1);
        grid->addWidget(graph, i, 2);
    }

    coarseBar_ = new QScrollBar(Qt::Horizontal, this);
    fineBar_ = new QScrollBar(Qt::Horizontal, this);
    grid->addWidget(new QLabel(QStringLiteral("Grob:"), this), 2, 0, 1, 2);
    grid->addWidget(coarseBar_, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("Fein:"), this), 3, 0, 1, 2);
    grid->addWidget(fineBar_, 3, 2);

    zoomBar_ = new QScrollBar(Qt::Vertical, this);
    zoomBar_->setRange(kZoomMinimum, kZoomMaximum);
    zoomBar_->setPageStep(1);
    zoomBar_->setToolTip(QStringLiteral(
        "Leiste für das Hineinzoomen in den Graphen (der Zoomfaktor wird nach unten größer)"));
    grid->addWidget(zoomBar_, 0, 3, 2, 1);

    graphSwitch_ = new ToggleSwitch(this);
    graphSwitch_->setToolTip(QStringLiteral(
        "Schalter für Aufzeichnung: an -> Oszillogrammsignale werden aufgezeichnet / aus -> "
        "aufgezeichnete Signale können betrachtet werden"));
    grid->addLayout(
        LabelledSwitch(this, graphSwitch_, {}, QStringLiteral("an"), QStringLiteral("aus")), 0, 4,
        2, 1, Qt::AlignTop);
    zoomLabel_ = new QLabel(this);
    zoomLabel_->setToolTip(QStringLiteral("Zoomfaktor der Graphen"));
    zoomLabel_->setMinimumWidth(zoomLabel_->fontMetrics().horizontalAdvance(ZoomText(1)));
    grid->addWidget(zoomLabel_, 2, 3, 2, 2, Qt::AlignLeft | Qt::AlignVCenter);
    grid->setColumnStretch(5, 1);
    return grid;
}

SignalGraph::Scale TimerWindow::ZoomScale(int position) {
    if (position > 15) return {static_cast<std::uint16_t>(1u << (position - 16)), 1};
    return {1, static_cast<std::uint16_t>(1u << (16 - position))};
}

QString TimerWindow::ZoomText(int position) {
    const SignalGraph::Scale scale = ZoomScale(position);
    if (position > 15) return QStringLiteral("Zoom: %1x").arg(scale.pixels);
    return QStringLiteral("Zoom: 1/%1x").arg(scale.steps);
}

void TimerWindow::ResetView() {
    graphSwitch_->setChecked(false);
    runs_.Drop();
    outGraph_->Clear();
    intGraph_->Clear();
    {
        const QSignalBlocker quietZoom(zoomBar_);
        const QSignalBlocker quietCoarse(coarseBar_);
        const QSignalBlocker quietFine(fineBar_);
        zoomBar_->setValue(kZoomDefault);
        coarseBar_->setRange(0, 0);
        fineBar_->setRange(0, 0);
        lastFineMaximum_ = 0;
    }
    ZoomMoved(kZoomDefault);
    // The switch shows the gate as it is; its handler lets a high gate go low at the timer.
    ShowDevice();
    gateSwitch_->setChecked(false);
}

void TimerWindow::Attach() {
    ShowDevice();
    graphSwitch_->setChecked(true);
}

void TimerWindow::Detach() {
    // A hidden window records nothing.
    graphSwitch_->setChecked(false);
}

void TimerWindow::ShowFrame(const MachineSnapshot& snapshot) {
    runs_.Flush();
    Show(snapshot.timer);
}

void TimerWindow::Show(const Mc6840State& state) {
    const Mc6840Timer& timer = state.timers[timer_ - 1];
    const Shown now{state.cr[timer_ - 1], state.status, timer.msbLatch, timer.lsbLatch, timer.gate};
    if (shownValid_ && now == shown_) return;
    shown_ = now;
    shownValid_ = true;
    const Byte values[kRowCount] = {now.cr, now.status, now.msbLatch, now.lsbLatch};
    for (int row = 0; row < kRowCount; ++row)
        rows_[row].Show(values[row]);
    const QSignalBlocker quiet(gateSwitch_);
    gateSwitch_->setChecked(now.gate);
}

void TimerWindow::RecordingSwitched(bool on) {
    if (on) {
        outGraph_->Clear();
        intGraph_->Clear();
        runs_.Drop();
        outGraph_->setEnabled(true);
        intGraph_->setEnabled(true);
        coarseBar_->setEnabled(false);
        fineBar_->setEnabled(false);
        recording_ = true;
        samples_.Route(timer_, &runs_);
        return;
    }
    samples_.Route(timer_, nullptr);
    runs_.Flush();
    recording_ = false;
    outGraph_->setEnabled(false);
    intGraph_->setEnabled(false);
    coarseBar_->setEnabled(true);
    fineBar_->setEnabled(true);
    // To the end of the recording.
    const std::uint64_t fineSteps = outGraph_->SavedSteps() / kCyclesPerFineStep;
    const auto coarse =
        static_cast<int>(std::min<std::uint64_t>(fineSteps / kFineStepsPerCoarseStep, 0x7FFFFFFF));
    lastFineMaximum_ = static_cast<int>(fineSteps - std::uint64_t{static_cast<unsigned>(coarse)} *
                                                        kFineStepsPerCoarseStep);
    const QSignalBlocker quietCoarse(coarseBar_);
    const QSignalBlocker quietFine(fineBar_);
    coarseBar_->setRange(0, coarse);
    coarseBar_->setValue(coarse);
    fineBar_->setRange(0, lastFineMaximum_);
    fineBar_->setValue(lastFineMaximum_);
    ShowSaved();
}

void TimerWindow::CoarseMoved() {
    {
        const QSignalBlocker quiet(fineBar_);
        fineBar_->setMaximum(coarseBar_->value() == coarseBar_->maximum()
                                 ? lastFineMaximum_
                                 : kFineStepsPerCoarseStep - 1);
    }
    ShowSaved();
}

void TimerWindow::ZoomMoved(int position) {
    scale_ = ZoomScale(position);
    zoomLabel_->setText(ZoomText(position));
    fineBar_->setPageStep(std::max(1, kGraphSize.width() / position / 4));
    if (recording_) {
        outGraph_->SetScale(scale_);
        intGraph_->SetScale(scale_);
    } else {
        ShowSaved();
    }
}

void TimerWindow::ShowSaved() {
    if (recording_) return;
    const std::uint64_t position =
        (std::uint64_t{static_cast<unsigned>(coarseBar_->value())} * kFineStepsPerCoarseStep +
         static_cast<unsigned>(fineBar_->value())) *
        kCyclesPerFineStep;
    outGraph_->DrawSavedValues(position, scale_);
    intGraph_->DrawSavedValues(position, scale_);
}

}  // namespace tarvok
