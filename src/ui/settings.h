#pragma once

#include <QSettings>
#include <QString>
#include <cstdint>

#include "link/serial_ports.h"

namespace tarvok {

// What the program keeps from one run to the next: the remote server's address, the reset pulse
// width for the remote board, whether the system was running when the program ended, and the
// devices behind COM1 to COM4.
struct Settings {
    static constexpr const char* kDefaultHost = "localhost";

    QString host = QString::fromLatin1(kDefaultHost);
    std::uint16_t port = 49703;
    std::uint16_t dtrPulseWidth = 1;
    bool systemRunning = false;
    SerialPortNames serialPorts;
    bool operator==(const Settings&) const = default;
};

// The per-user store: organisation "Orbisch", application "Lentra" (on Windows the registry key
// Software\Orbisch\Lentra, elsewhere a configuration file); the values live in its group "Tarvok".
inline constexpr const char* kSettingsOrganisation = "Orbisch";
inline constexpr const char* kSettingsApplication = "Lentra";

// Without the group every value keeps its default. Otherwise the values are read in the order
// Host, Port, DTR Pulsbreite, System Running: a missing host reads as empty text, and the first
// missing or unreadable number ends the reading, keeping the defaults from there on. The serial
// devices are read on their own (COM1 to COM4; a missing or empty one keeps its default).
Settings ReadSettings(QSettings& store);
void WriteSettings(QSettings& store, const Settings& settings);

}  // namespace tarvok
