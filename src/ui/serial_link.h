#pragma once

#include <QObject>

#include "link/acia_host_port.h"

namespace tarvok {

class AciaConnectionDialog;
class FromLabComputerDialog;
class MainWindow;
class ToLabComputerDialog;

// The links to a real lab computer through the host's serial ports: "&zum Mikrorechner..." and
// "&vom Mikrorechner..." (V.24 transfers of Intel HEX), and "ACIA mit ser. Schnittstelle
// verbinden ..." (the ACIA's line settings onto a host port). The simulation does not advance
// while a transfer runs.
class SerialLink : public QObject {
    Q_OBJECT

public:
    // `ports` are the devices behind COM1 to COM4; they must outlive this object.
    SerialLink(MainWindow& window, const SerialPortNames& ports);
    ~SerialLink() override;

    ToLabComputerDialog& ToLabDialog() const { return *toLabDialog_; }
    FromLabComputerDialog& FromLabDialog() const { return *fromLabDialog_; }
    AciaConnectionDialog& AciaDialog() const { return *aciaDialog_; }
    const AciaHostPort& AciaPort() const { return aciaPort_; }

private:
    void SendToLabComputer();
    void ReceiveFromLabComputer();
    void ConnectAcia();

    MainWindow& window_;
    AciaHostPort aciaPort_;
    ToLabComputerDialog* toLabDialog_;
    FromLabComputerDialog* fromLabDialog_;
    AciaConnectionDialog* aciaDialog_;
};

}  // namespace tarvok
