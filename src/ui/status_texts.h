#pragma once

#include <QString>
#include <cstdint>

namespace tarvok {

// The two panels of the main window's status bar.
QString RunStateText(bool running);
QString CycleCounterText(bool counting, std::uint16_t value);

}  // namespace tarvok
