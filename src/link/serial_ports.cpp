#include "link/serial_ports.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

namespace tarvok {

namespace {

constexpr qint64 kTransferBufferBytes = 2048;

QString SettingsKey(int index) {
    return QStringLiteral("Tarvok/") + SerialPortCaption(index);
}

}  // namespace

QString SerialPortCaption(int index) {
    return QStringLiteral("COM%1").arg(index + 1);
}

SerialPortNames::SerialPortNames() {
    for (int i = 0; i < kSerialPortCount; ++i) {
#ifdef Q_OS_WIN
        SetDevice(i, SerialPortCaption(i));
#else
        SetDevice(i, QStringLiteral("/dev/ttyS%1").arg(i));
#endif
    }
}

SerialPortNames SerialPortNames::FromSettings(QSettings& store) {
    SerialPortNames names;
#ifndef Q_OS_WIN
    for (int i = 0; i < kSerialPortCount; ++i) {
        const QString device = store.value(SettingsKey(i)).toString().trimmed();
        if (!device.isEmpty()) names.SetDevice(i, device);
    }
#else
    (void)store;
#endif
    return names;
}

void SerialPortNames::Store(QSettings& store) const {
#ifndef Q_OS_WIN
    for (int i = 0; i < kSerialPortCount; ++i)
        store.setValue(SettingsKey(i), Device(i));
#else
    (void)store;
#endif
}

bool SerialPortExists(const QString& device) {
#ifdef Q_OS_WIN
    return !QSerialPortInfo(device).isNull();
#else
    struct stat info {};
    if (::stat(QFile::encodeName(device).constData(), &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    // Linux has device nodes for the standard ports whether or not a port is fitted; Qt's list
    // knows which are real. Other nodes (adapters, pseudo-terminals) are there when they exist.
    const QString name = QFileInfo(device).canonicalFilePath().section(QLatin1Char('/'), -1);
    if (!name.startsWith(QLatin1String("ttyS"))) return true;
    const auto ports = QSerialPortInfo::availablePorts();
    return std::any_of(ports.begin(), ports.end(),
                       [&name](const QSerialPortInfo& port) { return port.portName() == name; });
#endif
}

bool OpenTransferPort(QSerialPort& port, const QString& device, QString* why) {
    port.setPortName(device);
    port.setReadBufferSize(kTransferBufferBytes);
    if (!port.open(QIODevice::ReadWrite)) {
        if (why != nullptr) *why = port.errorString();
        return false;
    }
    const bool configured =
        port.setBaudRate(QSerialPort::Baud1200) && port.setDataBits(QSerialPort::Data8) &&
        port.setParity(QSerialPort::NoParity) && port.setStopBits(QSerialPort::TwoStop) &&
        port.setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        if (why != nullptr) *why = port.errorString();
        port.close();
        return false;
    }
    // A pseudo-terminal or a three-wire adapter has no modem lines to set.
    port.setDataTerminalReady(true);
    port.setRequestToSend(true);
    port.clearError();
    return true;
}

}  // namespace tarvok
