#include "ui/status_texts.h"

namespace tarvok {

QString RunStateText(bool running) {
    return running ? QStringLiteral("System gestartet...") : QStringLiteral("System angehalten...");
}

QString CycleCounterText(bool counting, std::uint16_t value) {
    return counting ? QStringLiteral("Taktzähler: %1").arg(value)
                    : QStringLiteral("Taktzähler: aus");
}

QString SpeedText(double megahertz) {
    if (megahertz <= 0) return QStringLiteral("– MHz");
    return QStringLiteral("%1 MHz")
        .arg(megahertz, 0, 'f', 2)
        .replace(QLatin1Char('.'), QLatin1Char(','));
}

}  // namespace tarvok
