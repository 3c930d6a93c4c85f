#include "ui/serial_link.h"

#include <QAction>
#include <QApplication>

#include "ui/dialogs/link_dialogs.h"
#include "ui/dialogs/transfer_dialogs.h"
#include "ui/main_window.h"
#include "ui/message_boxes.h"
#include "ui/run_loop.h"

namespace tarvok {

SerialLink::SerialLink(MainWindow& window, const SerialPortNames& ports)
    : QObject(&window),
      window_(window),
      aciaPort_(ports),
      toLabDialog_(new ToLabComputerDialog(ports, window.Board().Decoder(), &window)),
      fromLabDialog_(new FromLabComputerDialog(ports, window.Board().Decoder(), &window)),
      aciaDialog_(new AciaConnectionDialog(&window)) {
    const MainCommands& c = window.Commands();
    connect(c.toLabComputer, &QAction::triggered, this, &SerialLink::SendToLabComputer);
    connect(c.fromLabComputer, &QAction::triggered, this, &SerialLink::ReceiveFromLabComputer);
    connect(c.aciaConnection, &QAction::triggered, this, &SerialLink::ConnectAcia);
    for (TransferDialog* dialog : {static_cast<TransferDialog*>(toLabDialog_),
                                   static_cast<TransferDialog*>(fromLabDialog_)}) {
        connect(dialog, &TransferDialog::TransferStarted, this,
                [this] { window_.Runner().SetHeld(true); });
        connect(dialog, &TransferDialog::TransferEnded, this, [this] {
            window_.Runner().SetHeld(false);
            window_.RefreshNow();
        });
    }
}

// The host port closes with the ACIA's coupling.
SerialLink::~SerialLink() = default;

void SerialLink::SendToLabComputer() {
    if (ConfirmV24Connection(&window_)) toLabDialog_->exec();
}

void SerialLink::ReceiveFromLabComputer() {
    if (ConfirmV24Connection(&window_)) fromLabDialog_->exec();
}

void SerialLink::ConnectAcia() {
    aciaDialog_->SetPort(aciaPort_.ConnectedPort());
    if (aciaDialog_->exec() != QDialog::Accepted) return;
    const R6551& acia = window_.Board().Acia();
    const QString message = aciaPort_.SetConnectedPort(aciaDialog_->Port(), acia.Com(), acia.Con());
    if (!message.isEmpty())
        ShowMessageBox(&window_,
                       {QApplication::applicationName().toStdString(), message.toStdString()});
}

}  // namespace tarvok
