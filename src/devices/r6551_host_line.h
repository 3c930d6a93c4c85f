#pragma once

// The line settings a host serial port takes on when the ACIA is tied to it: what the command
// (COM) and control (CON) registers ask of a real line. Tying is a configuration step only; no
// bytes pass between the ACIA and the host port.

#include <string>

#include "core/types.h"

namespace tarvok {

enum class HostParity { None, Odd, Even, Mark, Space };
enum class HostStopBits { One, OneAndHalf, Two };

struct HostLineSettings {
    unsigned baudRate = 0;  // 0: the external receiver clock
    int dataBits = 8;
    HostParity parity = HostParity::None;
    HostStopBits stopBits = HostStopBits::One;
    bool dtr = false;
    bool rts = false;
    // The box for a rate a host port does not offer ("... nicht unterstützt bei Ausgabe über ser.
    // Schnittstelle"); empty when the rate is supported. The rate is set all the same.
    std::string unsupportedRateMessage;
    bool operator==(const HostLineSettings&) const = default;
};

HostLineSettings R6551HostLineSettings(Byte com, Byte con);

}  // namespace tarvok
