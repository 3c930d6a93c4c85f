#include "devices/r6551_host_line.h"

#include <array>

namespace tarvok {

namespace {

constexpr std::array<unsigned, 16> kHostBaud = {0,    50,   75,   110,  134,  150,  300,  600,
                                                1200, 1800, 2400, 3600, 4800, 7200, 9600, 19200};

std::string UnsupportedRateMessage(unsigned select) {
    // The rates of the ACIA's divider that no host port offers; 134.58 baud is its own rate.
    static constexpr std::array<const char*, 16> kRates = {
        "externe Taktung", "50 Baud",   "75 Baud", nullptr,     "134,58 Baud", "150 Baud",
        nullptr,           nullptr,     nullptr,   "1800 Baud", nullptr,       "3600 Baud",
        nullptr,           "7200 Baud", nullptr,   nullptr};
    const char* rate = kRates[select];
    return rate == nullptr ? std::string()
                           : std::string(rate) +
                                 " nicht unterstützt bei Ausgabe über ser. "
                                 "Schnittstelle";
}

}  // namespace

HostLineSettings R6551HostLineSettings(Byte com, Byte con) {
    HostLineSettings line;
    const unsigned select = con & 0x0Fu;
    line.baudRate = kHostBaud[select];
    line.unsupportedRateMessage = UnsupportedRateMessage(select);
    line.dataBits = 8 - ((con >> 5) & 3);
    const bool parity = (com & 0x20) != 0;
    if (parity) {
        static constexpr std::array<HostParity, 4> kParity = {HostParity::Odd, HostParity::Even,
                                                              HostParity::Mark, HostParity::Space};
        line.parity = kParity[(com >> 6) & 3u];
    }
    // Two stop bits asked for: the ACIA's own frame rule (1.5 for 5 bits without parity, 1 for
    // 8 bits with parity).
    if ((con & 0x80) != 0) {
        if (line.dataBits == 5 && !parity) {
            line.stopBits = HostStopBits::OneAndHalf;
        } else if (line.dataBits == 8 && parity) {
            line.stopBits = HostStopBits::One;
        } else {
            line.stopBits = HostStopBits::Two;
        }
    }
    line.dtr = (com & 0x01) != 0;
    line.rts = (com & 0x0C) != 0;
    return line;
}

}  // namespace tarvok
