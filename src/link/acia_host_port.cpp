#include "link/acia_host_port.h"

#include <QSerialPort>

#include "devices/r6551_host_line.h"

namespace tarvok {

namespace {

QSerialPort::Parity QtParity(HostParity parity) {
    switch (parity) {
        case HostParity::Odd:
            return QSerialPort::OddParity;
        case HostParity::Even:
            return QSerialPort::EvenParity;
        case HostParity::Mark:
            return QSerialPort::MarkParity;
        case HostParity::Space:
            return QSerialPort::SpaceParity;
        case HostParity::None:
            break;
    }
    return QSerialPort::NoParity;
}

QSerialPort::StopBits QtStopBits(HostStopBits stopBits) {
    switch (stopBits) {
        case HostStopBits::OneAndHalf:
            return QSerialPort::OneAndHalfStop;
        case HostStopBits::Two:
            return QSerialPort::TwoStop;
        case HostStopBits::One:
            break;
    }
    return QSerialPort::OneStop;
}

}  // namespace

AciaHostPort::AciaHostPort(const SerialPortNames& names) : names_(names) {}

AciaHostPort::~AciaHostPort() = default;

QString AciaHostPort::SetConnectedPort(int port, Byte com, Byte con) {
    if (port == connected_) return {};
    port_.reset();
    connected_ = port;
    if (port < 1 || port > kSerialPortCount) return {};
    const HostLineSettings line = R6551HostLineSettings(com, con);
    port_ = std::make_unique<QSerialPort>(names_.Device(port - 1));
    const QString message = QString::fromStdString(line.unsupportedRateMessage);
    if (!port_->open(QIODevice::ReadWrite)) {
        // Not reported: the rate's box is the only feedback, as with a port that opens.
        port_.reset();
        return message;
    }
    // The modem lines first, then the line settings, with CTS handshake; what the port refuses
    // stays as it was.
    port_->setDataTerminalReady(line.dtr);
    port_->setRequestToSend(line.rts);
    if (line.baudRate != 0) port_->setBaudRate(static_cast<qint32>(line.baudRate));
    port_->setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits));
    port_->setParity(QtParity(line.parity));
    port_->setStopBits(QtStopBits(line.stopBits));
    port_->setFlowControl(QSerialPort::HardwareControl);
    return message;
}

}  // namespace tarvok
