#include "ui/devices/serial_window.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/devices/signal_file_bar.h"
#include "ui/message_boxes.h"
#include "ui/widgets/led.h"
#include "ui/widgets/signal_graph.h"
#include "ui/widgets/toggle_switch.h"

namespace tarvok {

namespace {

constexpr QSize kSwitchSize{24, 49};
constexpr int kGraphWidth = 440;
constexpr int kPlotHeight = 40;
const QColor kGreen{0x00, 0x80, 0x00};

// The texts that name each bit of SR, COM and CON, column by column under the binary value.
constexpr const char* kSrBits =
    "I  /  /  T  R  O  F  P\nR  D  D  D  D  V  E  E\n"
    "Q  S  C  R  R  R\n   R  D  E  E  N";
constexpr const char* kComBits =
    "P  P  P  R  T  T  I  D\nM  M  M  E  I  I  R  T\n"
    "C  C  E  M  C  C  D  R\n1  0        1  0";
constexpr const char* kConBits =
    "S  W  W  R  S  S  S  S\nB  L  L  C  B  B  B  B\n"
    "N  1  0  S  R  R  R  R\n            3  2  1  0";

constexpr const char* kBaudRates[16] = {"externer Takt", "50 Baud",   "75 Baud",   "109,92 Baud",
                                        "134,58 Baud",   "150 Baud",  "300 Baud",  "600 Baud",
                                        "1200 Baud",     "1800 Baud", "2400 Baud", "3600 Baud",
                                        "4800 Baud",     "7200 Baud", "9600 Baud", "19200 Baud"};

QString ParityText(Byte com) {
    if ((com & 0x20) == 0) return QStringLiteral("keine Parität");
    switch (com >> 6) {
        case 0:
            return QStringLiteral("ungerade Parität");
        case 1:
            return QStringLiteral("gerade Parität");
        case 2:
            return QStringLiteral("Parität Konstant 1");
        default:
            return QStringLiteral("Parität Konstant 0");
    }
}

QString StopBitText(Byte con, Byte com) {
    if ((con & 0x80) == 0) return QStringLiteral("1 Stopbit");
    const int dataBits = 8 - ((con >> 5) & 3);
    const bool parity = (com & 0x20) != 0;
    if (dataBits == 5 && !parity) return QStringLiteral("1½ Stopbits");
    if (dataBits == 8 && parity) return QStringLiteral("1 Stopbit");
    return QStringLiteral("2 Stopbits");
}

}  // namespace

SerialWindow::SerialWindow(R6551& acia, QWidget* parent)
    : DeviceWindow(parent),
      acia_(acia),
      txdGraph_(new TxdSignalGraph(this)),
      rtsGraph_(new ScaledSignalGraph(this)),
      dtrGraph_(new ScaledSignalGraph(this)),
      runs_([this](std::uint32_t sample, std::uint64_t steps) {
          // The newest steps at one pixel per step.
          txdGraph_->setMark(static_cast<std::uint16_t>(sample));
          txdGraph_->DrawValue({}, steps);
          rtsGraph_->setValue((sample & kRtsBit) != 0);
          rtsGraph_->DrawValue({}, steps);
          dtrGraph_->setValue((sample & kDtrBit) != 0);
          dtrGraph_->DrawValue({}, steps);
      }) {
    setWindowTitle(QStringLiteral("Serieller Port (R6551)"));
    files_ = new SignalFileBar(
        this, QStringLiteral("Signaldatei serielle Schnittstelle (*.sia)"), QStringLiteral("sia"),
        {[this](const std::string& file) { return acia_.StartReading(file); },
         [this](const std::string& file) { return acia_.StartRecording(file); },
         [this] {
             stopping_ = true;
             Status stopped = acia_.StopReadingAndRecording();
             stopping_ = false;
             return stopped;
         }});

    pages_ = new QTabWidget(this);
    pages_->addTab(BuildRegisterPage(), QStringLiteral("Register"));
    pages_->addTab(BuildScopePage(), QStringLiteral("Oszilloskop"));
    auto* body = new QVBoxLayout;
    body->addWidget(pages_);
    files_->Surround(body);
    FixSize({});
    ResetView();
}

SerialWindow::~SerialWindow() {
    if (isVisible()) Detach();
}

QWidget* SerialWindow::BuildRegisterPage() {
    auto* page = new QWidget(this);
    auto* registers = new QGridLayout;
    registers->setHorizontalSpacing(10);
    registers->setVerticalSpacing(2);
    const Address base = acia_.BaseAddress();
    const auto name = [base](const char* text, int offset) {
        return QStringLiteral("%1(%2):").arg(QLatin1String(text), HexText(base + offset, 4));
    };
    const QString names[kRowCount] = {name("TDR ", 0), name("RDR ", 0), name("SR  ", 1),
                                      name("COM ", 2), name("CON ", 3)};
    const char* bitNames[kRowCount] = {nullptr, nullptr, kSrBits, kComBits, kConBits};
    int line = 0;
    for (int row = 0; row < kRowCount; ++row) {
        rows_[row] = AddRegisterRow(registers, line, names[row], std::nullopt, true);
        ++line;
        if (bitNames[row] != nullptr) {
            registers->addWidget(ValueLabel(QString::fromUtf8(bitNames[row])), line, 2);
            registers->setRowMinimumHeight(line + 1, 6);
            line += 2;
        }
    }

    // Lamps of the output lines over the switches of the inputs, each named.
    auto* lines = new QGridLayout;
    lines->setHorizontalSpacing(8);
    lines->setVerticalSpacing(2);
    const char* lampNames[4] = {"TxD", "RxC", "DTR", "RTS"};
    const char* switchNames[4] = {"DCD", "DSR", "CTS", "RxC"};
    for (int i = 0; i < 4; ++i) {
        lamps_[i] = new Led(page);
        lamps_[i]->setFalseColor(kGreen);
        lamps_[i]->setBlink(false);
        lines->addWidget(new QLabel(QString::fromUtf8(lampNames[i]), page), 0, i, Qt::AlignHCenter);
        lines->addWidget(lamps_[i], 1, i, Qt::AlignHCenter);
        switches_[i] = new ToggleSwitch(page);
        switches_[i]->setFixedSize(kSwitchSize);
        auto* name = new QLabel(QString::fromUtf8(switchNames[i]), page);
        lines->addWidget(name, 2, i, Qt::AlignHCenter);
        lines->addWidget(switches_[i], 3, i, Qt::AlignHCenter);
        // The receive clock input is not modelled: its switch stays hidden.
        if (i == static_cast<int>(R6551Switch::RxC)) {
            name->hide();
            switches_[i]->hide();
        }
    }
    lines->setRowMinimumHeight(1, 24);
    const auto onToggle = [this](R6551Switch which, void (R6551::*set)(bool)) {
        connect(switches_[static_cast<int>(which)], &ToggleSwitch::toggled, this,
                [this, set](bool on) {
                    (acia_.*set)(on);
                    ShowDevice();
                });
    };
    onToggle(R6551Switch::DCD, &R6551::SetDcdSwitch);
    onToggle(R6551Switch::DSR, &R6551::SetDsrSwitch);
    onToggle(R6551Switch::CTS, &R6551::SetCtsSwitch);
    onToggle(R6551Switch::RxC, &R6551::SetRxcSwitch);

    auto* format = new QVBoxLayout;
    format->setSpacing(2);
    baudRate_ = new QLabel(page);
    startBits_ = new QLabel(QStringLiteral("1 Startbit"), page);
    wordLength_ = new QLabel(page);
    parity_ = new QLabel(page);
    stopBits_ = new QLabel(page);
    for (QLabel* label : {baudRate_, startBits_, wordLength_, parity_, stopBits_})
        format->addWidget(label);

    auto* side = new QVBoxLayout;
    side->addLayout(lines);
    side->addSpacing(12);
    side->addLayout(format);
    side->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(registers);
    layout->addSpacing(16);
    layout->addLayout(side);
    layout->addStretch();
    return page;
}

QWidget* SerialWindow::BuildScopePage() {
    auto* page = new QWidget(this);
    auto* graphs = new QGridLayout;
    graphs->setVerticalSpacing(6);
    const struct {
        ScaledSignalGraph* graph;
        const char* name;
        int height;
    } rows[3] = {{txdGraph_, "RxD", kPlotHeight + 32},
                 {rtsGraph_, "/RTS", kPlotHeight},
                 {dtrGraph_, "/DTR", kPlotHeight}};
    for (int row = 0; row < 3; ++row) {
        rows[row].graph->setParent(page);
        rows[row].graph->setFixedSize(kGraphWidth, rows[row].height);
        graphs->addWidget(new QLabel(QString::fromUtf8(rows[row].name), page), row, 0,
                          Qt::AlignTop);
        graphs->addWidget(rows[row].graph, row, 1);
    }

    auto* levels = new QGroupBox(QStringLiteral("Pegel"), page);
    auto* levelLayout = new QVBoxLayout(levels);
    levelButtons_ = new QButtonGroup(levels);
    for (const auto& [id, text] :
         {std::pair{kAciaLevels, "ACIA Pegel anzeigen"}, {kLineLevels, "Leitungspegel anzeigen"}}) {
        auto* button = new QRadioButton(QString::fromUtf8(text), levels);
        levelButtons_->addButton(button, id);
        levelLayout->addWidget(button);
    }
    levelButtons_->button(kAciaLevels)->setChecked(true);
    connect(levelButtons_, &QButtonGroup::idClicked, this, &SerialWindow::ShowLevels);
    auto* manual = new QPushButton(QStringLiteral("Werte manuell vorgeben"), page);
    manual->setEnabled(false);

    auto* controls = new QHBoxLayout;
    controls->addWidget(levels);
    controls->addStretch();
    controls->addWidget(manual, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(page);
    layout->addLayout(graphs);
    layout->addLayout(controls);
    layout->addStretch();
    return page;
}

void SerialWindow::ShowLevels(int display) {
    const bool line = display == kLineLevels;
    for (ScaledSignalGraph* graph :
         {static_cast<ScaledSignalGraph*>(txdGraph_), rtsGraph_, dtrGraph_}) {
        graph->setInverted(line);
        graph->setTopText(line ? QStringLiteral("+12 V") : QStringLiteral("+5 V"));
        graph->setBottomText(line ? QStringLiteral("-12 V") : QStringLiteral("0 V"));
    }
}

void SerialWindow::ResetView() {
    runs_.Drop();
    for (SignalGraph* graph :
         {static_cast<SignalGraph*>(txdGraph_), static_cast<SignalGraph*>(rtsGraph_),
          static_cast<SignalGraph*>(dtrGraph_)}) {
        graph->Clear();
        graph->setShowSteps(false);
    }
    ShowLevels(levelButtons_->checkedId());
    shownValid_ = false;
    ShowDevice();
}

void SerialWindow::Attach() {
    acia_.AddListener(this);
    acia_.AddTap(this);
    ShowDevice();
}

void SerialWindow::Detach() {
    runs_.Flush();
    acia_.RemoveTap(this);
    acia_.RemoveListener(this);
}

void SerialWindow::Closing() {
    if (files_->Busy()) files_->Stop();
}

void SerialWindow::ShowFrame(const MachineSnapshot& snapshot) {
    runs_.Flush();
    Show(snapshot.acia);
}

void SerialWindow::Show(const R6551State& state) {
    const Shown now{{state.tdr, state.rdr, state.sr, state.com, state.con},
                    {state.txdLed, state.rxcLed, state.dtrLed, state.rtsLed},
                    {state.dcdSwitch, state.dsrSwitch, state.ctsSwitch, state.rxcSwitch},
                    state.reading,
                    state.recording};
    if (shownValid_ && now == shown_) return;
    shown_ = now;
    shownValid_ = true;
    // TDR and RDR write their bits together, the others two blanks apart.
    for (int row = 0; row < kRowCount; ++row)
        rows_[row].Show(now.registers[row], row <= kRdrRow ? QString() : QStringLiteral("  "));
    parity_->setText(ParityText(state.com));
    baudRate_->setText(QString::fromUtf8(kBaudRates[state.con & 0x0F]));
    wordLength_->setText(QStringLiteral("%1 Bit Wortlänge").arg(8 - ((state.con >> 5) & 3)));
    stopBits_->setText(StopBitText(state.con, state.com));
    for (int i = 0; i < 4; ++i) {
        lamps_[i]->setValue(now.lamps[i]);
        const QSignalBlocker quiet(switches_[i]);
        switches_[i]->setChecked(now.switches[i]);
    }
    files_->ShowState(now.reading, now.recording);
}

void SerialWindow::SignalFileStopped(const UserMessage* saveError) {
    files_->ShowState(false, false);
    if (saveError == nullptr || stopping_) return;
    // The notice comes from inside the machine (a system reset): the box waits until it is done.
    QTimer::singleShot(0, this, [this, message = *saveError] { ShowMessageBox(this, message); });
}

QStringList SerialWindow::FormatTexts() const {
    return {baudRate_->text(), startBits_->text(), wordLength_->text(), parity_->text(),
            stopBits_->text()};
}

}  // namespace tarvok
