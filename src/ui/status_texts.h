#pragma once

#include <QString>
#include <cstdint>

namespace tarvok {

// The two panels of the main window's status bar.
QString RunStateText(bool running);
QString CycleCounterText(bool counting, std::uint16_t value);
// The speed the running system reached: "1,00 MHz"; "– MHz" while it stands still.
QString SpeedText(double megahertz);

}  // namespace tarvok
