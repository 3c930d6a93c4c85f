#include "ui/status_texts.h"

namespace tarvok {

QString RunStateText(bool running) {
    return running ? QStringLiteral("System gestartet...") : QStringLiteral("System angehalten...");
}

QString CycleCounterText(bool counting, std::uint16_t value) {
    return counting ? QStringLiteral("Taktzähler: %1").arg(value)
                    : QStringLiteral("Taktzähler: aus");
}

}  // namespace tarvok
