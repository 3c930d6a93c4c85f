#include "ui/devices/port_window.h"

#include <QGridLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/devices/signal_file_bar.h"
#include "ui/message_boxes.h"
#include "ui/widgets/led.h"
#include "ui/widgets/toggle_switch.h"

namespace tarvok {

namespace {

constexpr QSize kSwitchSize{24, 49};
const QColor kRed{0xFF, 0x00, 0x00};
const QColor kMaroon{0x80, 0x00, 0x00};
const QColor kLime{0x00, 0xFF, 0x00};
const QColor kGreen{0x00, 0x80, 0x00};

// What a processor read of the port's data register gives: port A reads its pins, port B its own
// output bits and the pins of its inputs.
Byte PortReadValue(int port, const Mc6821Port& state) {
    if (port == kPortA) return state.inputSwitches;
    return static_cast<Byte>((state.dr & state.ddr) | (state.inputSwitches & ~state.ddr));
}

// Per bit, bit 7 first: "-" where `dashWhere` has a 1, else the bit of `value`.
QString BitsOrDashes(Byte value, Byte dashWhere) {
    QString text;
    for (int bit = 7; bit >= 0; --bit) {
        if ((dashWhere >> bit) & 1) {
            text += QLatin1Char('-');
        } else {
            text += ((value >> bit) & 1) ? QLatin1Char('1') : QLatin1Char('0');
        }
    }
    return text;
}

ToggleSwitch* PinSwitch(QWidget* parent) {
    auto* pin = new ToggleSwitch(parent);
    pin->setFixedSize(kSwitchSize);
    return pin;
}

Led* PinLed(QWidget* parent, const QColor& on, const QColor& off) {
    auto* lamp = new Led(parent);
    lamp->setTrueColor(on);
    lamp->setFalseColor(off);
    // A lamp shows a level: it stays lit while the line is high.
    lamp->setBlink(false);
    lamp->hide();
    return lamp;
}

}  // namespace

PortWindow::PortWindow(Mc6821& pia, int port, QWidget* parent)
    : DeviceWindow(parent), pia_(pia), port_(port) {
    setWindowTitle(QStringLiteral("Paralleler Port %1 (MC6821)").arg(Letter()));

    files_ = new SignalFileBar(
        this, QStringLiteral("Signaldatei parallele Schnittstelle (*.pia)"), QStringLiteral("pia"),
        {[this](const std::string& file) { return pia_.StartReading(file, port_); },
         [this](const std::string& file) { return pia_.StartRecording(file, port_); },
         [this] { return pia_.StopReadingAndRecording(port_); }});

    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(10);
    rows->setVerticalSpacing(2);
    BuildRows(rows);
    auto* pins = new QGridLayout;
    pins->setHorizontalSpacing(6);
    pins->setVerticalSpacing(2);
    BuildPins(pins);

    auto* body = new QVBoxLayout;
    body->setSpacing(10);
    body->addLayout(rows);
    body->addLayout(pins);
    files_->Surround(body);
    FixSize(kLeastSize);
    Show(pia_.State().port[port_ - 1]);
}

PortWindow::~PortWindow() {
    if (isVisible()) Detach();
}

QString PortWindow::Letter() const {
    return port_ == kPortA ? QStringLiteral("A") : QStringLiteral("B");
}

void PortWindow::BuildRows(QGridLayout* grid) {
    const QString letter = Letter();
    const Address address = static_cast<Address>(pia_.BaseAddress() + 2 * (port_ - 1));
    const QString at = QStringLiteral("(") + HexText(address, 4);
    const QString dataAt = at + QStringLiteral(", CR") + letter + QStringLiteral("2=1):");
    const struct {
        QString name;
        QString address;
    } captions[kRowCount] = {
        {QStringLiteral("DDR") + letter,
         at + QStringLiteral(", CR") + letter + QStringLiteral("2=0):")},
        {QStringLiteral("DR") + letter, dataAt},
        {QStringLiteral("DR%1 lesen").arg(letter), dataAt},
        {QStringLiteral("CR") + letter,
         QStringLiteral("(") + HexText(address + 1, 4) + QStringLiteral("):")},
        {QStringLiteral("Eingänge:"), {}},
        {QStringLiteral("Ausgänge:"), {}},
    };
    for (int row = 0; row < kRowCount; ++row)
        rows_[row] = AddRegisterRow(grid, row, captions[row].name, captions[row].address);
    grid->setColumnStretch(4, 1);
}

void PortWindow::BuildPins(QGridLayout* grid) {
    const QString prefix = QStringLiteral("P") + Letter();
    const QString control = QStringLiteral("C") + Letter();
    // The pins PX7 (left) to PX0, a gap, then Cx1 and Cx2; each lamp sits where its switch is.
    const auto addPin = [&](int column, const QString& name, QWidget* pin, Led* lamp) {
        auto* label = new QLabel(name, this);
        grid->addWidget(label, 0, column, Qt::AlignHCenter);
        grid->addWidget(pin, 1, column, Qt::AlignCenter);
        if (lamp != nullptr) grid->addWidget(lamp, 1, column, Qt::AlignCenter);
        grid->setColumnMinimumWidth(column, kSwitchSize.width());
    };
    for (int bit = 7; bit >= 0; --bit) {
        bitSwitches_[bit] = PinSwitch(this);
        bitLeds_[bit] = PinLed(this, kRed, kMaroon);
        addPin(7 - bit, prefix + QString::number(bit), bitSwitches_[bit], bitLeds_[bit]);
        connect(bitSwitches_[bit], &ToggleSwitch::toggled, this,
                [this, bit](bool on) { FlipBit(bit, on); });
    }
    grid->setColumnMinimumWidth(8, 12);
    cx1Switch_ = PinSwitch(this);
    cx2Switch_ = PinSwitch(this);
    cx2Led_ = PinLed(this, kLime, kGreen);
    for (ToggleSwitch* line : {cx1Switch_, cx2Switch_}) {
        line->setOnColor(kLime);
        line->setOffColor(kGreen);
    }
    addPin(9, control + QStringLiteral("1"), cx1Switch_, nullptr);
    addPin(10, control + QStringLiteral("2"), cx2Switch_, cx2Led_);
    grid->setRowMinimumHeight(1, kSwitchSize.height());
    grid->setColumnStretch(11, 1);
    connect(cx1Switch_, &ToggleSwitch::toggled, this, [this](bool on) {
        pia_.SetControlSwitch(port_, 1, on);
        ShowDevice();
    });
    connect(cx2Switch_, &ToggleSwitch::toggled, this, [this](bool on) {
        pia_.SetControlSwitch(port_, 2, on);
        ShowDevice();
    });
}

void PortWindow::FlipBit(int bit, bool on) {
    const Byte mask = static_cast<Byte>(1u << bit);
    const Byte switches = pia_.InputSwitches(port_);
    pia_.SetInputSwitches(
        port_, on ? static_cast<Byte>(switches | mask) : static_cast<Byte>(switches & ~mask));
    ShowDevice();
}

void PortWindow::Attach() {
    pia_.AddListener(this);
    ShowDevice();
}

void PortWindow::Detach() {
    pia_.RemoveListener(this);
}

void PortWindow::Closing() {
    if (files_->Busy()) files_->Stop();
}

void PortWindow::ShowFrame(const MachineSnapshot& snapshot) {
    Show(snapshot.pia.port[port_ - 1]);
}

void PortWindow::Show(const Mc6821Port& port) {
    if (shownValid_ && port == shown_) return;
    shown_ = port;
    shownValid_ = true;
    rows_[kDdrRow].Show(port.ddr);
    rows_[kDrRow].Show(port.dr);
    rows_[kReadRow].Show(PortReadValue(port_, port));
    rows_[kCrRow].Show(port.cr);
    rows_[kInputsRow].binary->setText(BitsOrDashes(port.inputSwitches, port.ddr));
    rows_[kOutputsRow].binary->setText(BitsOrDashes(port.dr, static_cast<Byte>(~port.ddr)));
    for (int bit = 0; bit < 8; ++bit) {
        const bool output = (port.ddr >> bit) & 1;
        bitSwitches_[bit]->setVisible(!output);
        bitLeds_[bit]->setVisible(output);
        bitLeds_[bit]->setValue((port.dr >> bit) & 1);
        const QSignalBlocker quiet(bitSwitches_[bit]);
        bitSwitches_[bit]->setChecked((port.inputSwitches >> bit) & 1);
    }
    const bool cx2Output = (port.cr & Mc6821::kCrC2Output) != 0;
    cx2Switch_->setVisible(!cx2Output);
    cx2Led_->setVisible(cx2Output);
    cx2Led_->setValue(port.c2Output);
    for (const auto& [line, on] :
         {std::pair{cx1Switch_, port.c1Switch}, {cx2Switch_, port.c2Switch}}) {
        const QSignalBlocker quiet(line);
        line->setChecked(on);
    }
    files_->ShowState(port.reading, port.recording);
}

void PortWindow::SignalFileStateChanged(int port) {
    if (port == port_) files_->ShowState(pia_.IsReading(port_), pia_.IsRecording(port_));
}

void PortWindow::SignalFileFailed(int port, const UserMessage& message) {
    if (port != port_) return;
    // The notice comes from inside the machine (a system reset): the box waits until it is done.
    QTimer::singleShot(0, this, [this, message] { ShowMessageBox(this, message); });
}

}  // namespace tarvok
