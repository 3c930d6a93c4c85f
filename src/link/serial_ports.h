#pragma once

#include <QString>
#include <array>

class QSerialPort;
class QSettings;

namespace tarvok {

inline constexpr int kSerialPortCount = 4;

// "COM1" to "COM4" (index 0 to 3): the names of the host's serial ports in the user interface.
QString SerialPortCaption(int index);

// The device behind each of COM1 to COM4. On Windows the ports of those names; elsewhere device
// paths kept in the settings (keys COM1 to COM4 of the group "Tarvok", defaults /dev/ttyS0 to
// /dev/ttyS3), so that a USB adapter or a pseudo-terminal can stand in.
class SerialPortNames {
public:
    SerialPortNames();
    static SerialPortNames FromSettings(QSettings& store);
    void Store(QSettings& store) const;

    const QString& Device(int index) const { return devices_.at(static_cast<std::size_t>(index)); }
    void SetDevice(int index, const QString& device) {
        devices_.at(static_cast<std::size_t>(index)) = device;
    }
    bool operator==(const SerialPortNames&) const = default;

private:
    std::array<QString, kSerialPortCount> devices_;
};

// Whether a serial port is there to be opened (another program may still hold it).
bool SerialPortExists(const QString& device);

// Opens `device` for a transfer to or from the lab computer: read and write, exclusively,
// 1200 baud, 8 data bits, no parity, 2 stop bits, no flow control, DTR and RTS on. Modem lines
// a device does not have (a pseudo-terminal) are no error. On failure the port is closed and
// `why` says what went wrong.
bool OpenTransferPort(QSerialPort& port, const QString& device, QString* why);

}  // namespace tarvok
