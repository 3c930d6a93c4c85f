#pragma once

#include <QString>
#include <memory>

#include "core/types.h"
#include "link/serial_ports.h"

class QSerialPort;

namespace tarvok {

// Ties the ACIA to a host serial port: opening the port gives it the ACIA's line settings, DTR
// and RTS. No bytes pass between the ACIA and the port, and later register writes do not change
// it again; the port stays open, and so unavailable to other programs, until the ACIA is
// disconnected or connected elsewhere, or this object (with the ACIA) goes away.
class AciaHostPort {
public:
    explicit AciaHostPort(const SerialPortNames& names);
    ~AciaHostPort();

    // Port 1 to 4 for COM1 to COM4, 0 to disconnect. Choosing the port already connected changes
    // nothing. A port that cannot be opened or set up is not reported (the choice is kept, and
    // the next choice closes whatever was opened). Returns the box text for a baud rate no host
    // port offers, or empty text.
    QString SetConnectedPort(int port, Byte com, Byte con);
    int ConnectedPort() const { return connected_; }
    // The open host port, or null.
    const QSerialPort* HostPort() const { return port_.get(); }

private:
    const SerialPortNames& names_;
    int connected_ = 0;
    std::unique_ptr<QSerialPort> port_;
};

}  // namespace tarvok
