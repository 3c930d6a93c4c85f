#include "ui/dialogs/link_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tarvok {

namespace {

void MakeFixedDialog(QDialog* dialog, const QString& caption) {
    dialog->setWindowTitle(caption);
    dialog->setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint);
}

QLabel* Text(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setFixedWidth(360);
    return label;
}

// OK (the default) and Abbrechen, or `okCaption` for OK.
QDialogButtonBox* Buttons(QDialog* dialog, const QString& okCaption = QStringLiteral("OK")) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(okCaption, QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QVBoxLayout* FixedLayout(QDialog* dialog) {
    auto* layout = new QVBoxLayout(dialog);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    return layout;
}

}  // namespace

ServerAddressDialog::ServerAddressDialog(QWidget* parent) : QDialog(parent) {
    MakeFixedDialog(this, QStringLiteral("Serveradresse einstellen"));
    host_ = new QLineEdit(this);
    port_ = new QLineEdit(this);
    auto* fields = new QFormLayout;
    fields->addRow(new QLabel(QStringLiteral("&Rechnername (bzw. IP-Adresse):"), this), host_);
    fields->addRow(new QLabel(QStringLiteral("&Portnummer:"), this), port_);
    for (int row = 0; row < 2; ++row) {
        auto* label = qobject_cast<QLabel*>(fields->itemAt(row, QFormLayout::LabelRole)->widget());
        label->setBuddy(row == 0 ? host_ : port_);
    }
    QVBoxLayout* layout = FixedLayout(this);
    layout->addWidget(Text(QStringLiteral("Bitte geben Sie die Adresse und Portnummer des Servers "
                                          "an, an dem ein Microrechner angeschlossen ist."),
                           this));
    layout->addWidget(Text(QStringLiteral("Sie können entweder den Namen des Rechners (z.B. "
                                          "laborserver.example.org) oder seine IP-Adresse "
                                          "angeben."),
                           this));
    layout->addLayout(fields);
    layout->addWidget(Buttons(this));
}

PulseWidthDialog::PulseWidthDialog(QWidget* parent) : QDialog(parent) {
    MakeFixedDialog(this, QStringLiteral("Resetpulsbreite einstellen"));
    pulseWidth_ = new QLineEdit(this);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Pulsbreite in Millisekunden:"), pulseWidth_);
    QVBoxLayout* layout = FixedLayout(this);
    layout->addWidget(Text(QStringLiteral("Hier können Sie die Pulsbreite des Zählers für den "
                                          "Resetcounter einstellen."),
                           this));
    layout->addWidget(Text(QStringLiteral("Die Zeitangabe bezieht sich auf die Breite des High- "
                                          "bzw. Lowpegels. Eine Zeit von 2 Millisekunden "
                                          "entspricht also eine Gesamtzeit von 4 Millisekunden "
                                          "und somit einer Frequenz von 250 Hz."),
                           this));
    layout->addLayout(fields);
    layout->addWidget(Buttons(this));
}

AciaConnectionDialog::AciaConnectionDialog(QWidget* parent) : QDialog(parent) {
    MakeFixedDialog(this, QStringLiteral("ACIA Anschluss festlegen"));
    none_ = new QRadioButton(QStringLiteral("ACIA nicht verbinden"), this);
    connected_ = new QRadioButton(QStringLiteral("ACIA verbinden mit"), this);
    portBox_ = new QComboBox(this);
    for (int port = 1; port <= 4; ++port)
        portBox_->addItem(QStringLiteral("COM%1").arg(port));
    connect(connected_, &QRadioButton::toggled, portBox_, &QComboBox::setEnabled);
    SetPort(0);

    auto* connectRow = new QHBoxLayout;
    connectRow->addWidget(connected_);
    connectRow->addWidget(portBox_);
    QVBoxLayout* layout = FixedLayout(this);
    layout->addWidget(none_);
    layout->addLayout(connectRow);
    layout->addWidget(Buttons(this, QStringLiteral("Ok")));
}

void AciaConnectionDialog::SetPort(int port) {
    const bool connected = port >= 1 && port <= 4;
    (connected ? connected_ : none_)->setChecked(true);
    portBox_->setCurrentIndex(connected ? port - 1 : 0);
    portBox_->setEnabled(connected);
}

int AciaConnectionDialog::Port() const {
    // The digit of the port's name.
    return none_->isChecked() ? 0 : portBox_->currentText().mid(3, 1).toInt();
}

}  // namespace tarvok
