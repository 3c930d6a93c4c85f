#include "ui/dialogs/transfer_dialogs.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "machine/program_file.h"
#include "ui/dialogs/save_range_dialog.h"
#include "ui/message_boxes.h"

namespace tarvok {

namespace {

const char* const kExchangeFirstLine = "Der serielle Datenaustausch mit dem Praktikumsrechner\n";

const char* const kFailureCauses =
    "Dies könnte folgende Ursachen haben:\n"
    "- Die gewählte serielle Schnittstelle ist schon in Benutzung.\n"
    "- Der Praktikumsrechner ist nicht an der seriellen Schnittstelle\n"
    "    angeschlossen, die Sie ausgewählt haben.\n"
    "- Das V.24-Kabel ist nicht richtig angeschlossen.\n"
    "- Bei dem verwendeten Kabel handelt es sich nicht um ein\n"
    "    gekreuztes, serielles Nullmodem-Kabel.\n";

bool AskOkCancel(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                    parent);
    return box.exec() == QMessageBox::Ok;
}

void ShowSuccess(QWidget* parent) {
    ShowMessageBox(parent, {"Datenaustausch erfolgreich",
                            std::string(kExchangeFirstLine) + "wurde erfolgreich beendet.\n"});
}

QLabel* WrappedText(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFixedWidth(340);
    return label;
}

// The button's hint, to which the device behind the port is added.
QString PortHint(int index) {
    static constexpr std::array<const char*, kSerialPortCount> kOrdinals = {"erste", "zweite",
                                                                            "dritte", "vierte"};
    return QStringLiteral("%1 serielle Schnittstelle für die Übertragung benutzen")
        .arg(QLatin1String(kOrdinals[static_cast<std::size_t>(index)]));
}

}  // namespace

bool ConfirmV24Connection(QWidget* parent) {
    return AskOkCancel(parent, QStringLiteral("V.24-Verbindung herstellen"),
                       QStringLiteral("V.24-Verbindung herstellen\n\n"
                                      "- PC und Praktikumsrechner ausschalten.\n"
                                      "- Praktikumsrechner über V.24-Kabel mit freier\n"
                                      "    serieller Schnittstelle des PCs verbinden.\n"
                                      "- Beide Geräte einschalten und Emulator im PC\n"
                                      "    starten."));
}

TransferDialog::TransferDialog(const SerialPortNames& ports, const QString& caption,
                               const QString& direction, QWidget* parent)
    : QDialog(parent), ports_(ports) {
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    direction_ = new QLabel(direction, this);
    direction_->setAlignment(Qt::AlignCenter);
    portBar_ = new QFrame(this);
    portBar_->setToolTip(QStringLiteral("Leiste zur Auswahl der seriellen Schnittstelle"));
    auto* barLayout = new QHBoxLayout(portBar_);
    barLayout->setContentsMargins(0, 0, 0, 0);
    group_ = new QButtonGroup(this);
    // The chosen port stands out more than by its sunken face alone.
    connect(group_, &QButtonGroup::buttonToggled, this, [](QAbstractButton* button, bool on) {
        QFont font = button->font();
        font.setBold(on);
        button->setFont(font);
    });
    for (int i = 0; i < kSerialPortCount; ++i) {
        auto* button = new QPushButton(SerialPortCaption(i), portBar_);
        button->setCheckable(true);
        button->setAutoDefault(false);
        group_->addButton(button, i);
        barLayout->addWidget(button);
        portButtons_[static_cast<std::size_t>(i)] = button;
    }
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    cancel_ = new QPushButton(QStringLiteral("Abbrechen"), this);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void TransferDialog::FinishLayout(QWidget* content) {
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(content);
    layout->addWidget(direction_);
    layout->addWidget(new QLabel(QStringLiteral("Schnittstelle"), this));
    layout->addWidget(portBar_);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TransferDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Looked for on every showing, so that an adapter plugged in meanwhile is found.
    int highest = -1;
    group_->setExclusive(false);
    for (int i = 0; i < kSerialPortCount; ++i) {
        const bool exists = SerialPortExists(ports_.Device(i));
        PortButton(i)->setEnabled(exists);
        PortButton(i)->setChecked(false);
        PortButton(i)->setToolTip(PortHint(i) + QStringLiteral(" (") + ports_.Device(i) +
                                  QLatin1Char(')'));
        if (exists) highest = i;
    }
    const bool any = highest >= 0;
    if (any) PortButton(highest)->setChecked(true);
    group_->setExclusive(true);
    ok_->setEnabled(any);
    ok_->setDefault(any);
    cancel_->setDefault(!any);
    if (any) return;
    QTimer::singleShot(0, this, [this] {
        ShowMessageBox(this, {"serielle Übertragung nicht möglich",
                              "Es wurde keine serielle Schnittstelle in Ihrem\n"
                              "Computer gefunden. Sie können daher keine Daten\n" +
                                  NoPortLastLine().toStdString()});
    });
}

void TransferDialog::reject() {
    if (!busy_) QDialog::reject();
}

QString TransferDialog::ChosenDevice() const {
    for (int i = 0; i < kSerialPortCount - 1; ++i) {
        if (PortButton(i)->isChecked()) return ports_.Device(i);
    }
    return ports_.Device(kSerialPortCount - 1);
}

bool TransferDialog::ConfirmStart() {
    return AskOkCancel(this, QStringLiteral("Übertragung beginnen?"),
                       QStringLiteral("Starten Sie grundsätzlich zuerst das Empfangsprogramm\n"
                                      "im PC bzw. Praktikumsrechner, erst danach das "
                                      "Sendeprogramm!\n\n"
                                      "Praktikumsrechner ---> PC:\n"
                                      "- PC: Bestätigung durch OK\n"
                                      "- Praktikumsrechner: Taste S\n\n"
                                      "PC ---> Praktikumsrechner:\n"
                                      "- Praktikumsrechner: Taste L\n"
                                      "- PC: Bestätigung durch OK\n"));
}

bool TransferDialog::RunTransfer(const std::function<bool(V24Transfer&)>& transfer,
                                 QLabel* status) {
    V24Transfer link(ChosenDevice());
    link.SetWaitSeconds(waitSeconds_);
    if (status != nullptr) connect(&link, &V24Transfer::StatusChanged, status, &QLabel::setText);
    busy_ = true;
    ok_->setEnabled(false);
    cancel_->setEnabled(false);
    emit TransferStarted();
    const bool done = transfer(link);
    emit TransferEnded();
    busy_ = false;
    ok_->setEnabled(true);
    cancel_->setEnabled(true);
    return done;
}

ToLabComputerDialog::ToLabComputerDialog(const SerialPortNames& ports, AddressDecoder& decoder,
                                         QWidget* parent)
    : TransferDialog(ports, QStringLiteral("serielle Übertragung zum Mikrorechner"),
                     QStringLiteral("Emulator -> Microrechner"), parent),
      decoder_(decoder) {
    auto* content = new QWidget(this);
    start_ = AddressEdit(QStringLiteral("0400"),
                         QStringLiteral("Adresse (z.B. 0400), ab der der Arbeitsspeicherinhalt "
                                        "übertragen werden soll"),
                         content);
    end_ = AddressEdit(QStringLiteral("04FF"),
                       QStringLiteral("letztes zu übertragendes Byte des gewünschten "
                                      "Arbeitsspeicherbereichs (z.B. 04FF)"),
                       content);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Startadresse"), start_);
    fields->addRow(QStringLiteral("Endadresse (inklusive)"), end_);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(WrappedText(QStringLiteral("Bitte geben Sie die Start- und Endadresse des "
                                                 "zum Mikrorechner zu übertragenden "
                                                 "Arbeitsspeicherbereichs als vierstellige "
                                                 "Hex-Zahlen ein:"),
                                  content));
    layout->addLayout(fields);
    FinishLayout(content);
    connect(OkButton(), &QPushButton::clicked, this, &ToLabComputerDialog::Send);
}

QString ToLabComputerDialog::NoPortLastLine() const {
    return QStringLiteral("zum Praktikumsrechner übertragen.\n");
}

void ToLabComputerDialog::Send() {
    UserMessage error;
    const auto range =
        ParseSaveRange(start_->text().toStdString(), end_->text().toStdString(), &error);
    if (!range) {
        ShowMessageBox(this, error);
        return;
    }
    if (!ConfirmStart()) return;
    const std::string text = TransferText(decoder_, range->first, range->last);
    if (RunTransfer([&text](V24Transfer& link) { return link.Send(text); })) {
        ShowSuccess(this);
        accept();
        return;
    }
    ShowMessageBox(this, {"Senden der Daten fehlgeschlagen",
                          std::string(kExchangeFirstLine) + "wurde nicht erfolgreich beendet.\n\n" +
                              kFailureCauses +
                              "- Vor der Übertragung wurde der Praktikumsrechner nicht mit\n"
                              "     der Taste L in den Empfangsmodus versetzt.\n"});
}

FromLabComputerDialog::FromLabComputerDialog(const SerialPortNames& ports, AddressDecoder& decoder,
                                             QWidget* parent)
    : TransferDialog(ports, QStringLiteral("serielle Übertragung vom Mikrorechner"),
                     QStringLiteral("Mikrorechner -> Emulator"), parent),
      decoder_(decoder) {
    status_ = WrappedText(QString(), this);
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 3);
    FinishLayout(status_);
    connect(OkButton(), &QPushButton::clicked, this, &FromLabComputerDialog::Receive);
}

void FromLabComputerDialog::showEvent(QShowEvent* event) {
    status_->setText(
        QStringLiteral("Zum Start der Übertragung bitte die serielle Schnittstelle "
                       "wählen und auf OK klicken."));
    TransferDialog::showEvent(event);
}

QString FromLabComputerDialog::NoPortLastLine() const {
    return QStringLiteral("vom Praktikumsrechner zum Emulator übertragen.\n");
}

void FromLabComputerDialog::Receive() {
    if (!ConfirmStart()) return;
    const bool received =
        RunTransfer([this](V24Transfer& link) { return link.ReceiveInto(decoder_); }, status_);
    if (received) {
        ShowSuccess(this);
    } else {
        ShowMessageBox(this,
                       {"Empfangen der Daten fehlgeschlagen",
                        std::string(kExchangeFirstLine) + "wurde nicht erfolgreich beendet.\n" +
                            kFailureCauses +
                            "- Nachdem der Emulator in den Empfangsmodus versetzt wurde, wurde\n"
                            "     die Sendetaste S des Praktikumsrechners nicht betätigt.\n"});
    }
    accept();
}

}  // namespace tarvok
