#include "ui/settings.h"

#include <optional>

namespace tarvok {

namespace {

constexpr const char* kGroup = "Tarvok";

// A stored integer; a missing value or text that is no integer counts as unreadable.
std::optional<int> ReadInteger(const QSettings& store, const QString& name) {
    bool ok = false;
    const int value = store.value(name).toString().toInt(&ok);
    if (!ok) return std::nullopt;
    return value;
}

// A stored integer that fits in 16 bits.
std::optional<std::uint16_t> ReadWord(const QSettings& store, const QString& name) {
    const auto value = ReadInteger(store, name);
    if (!value || *value < 0 || *value > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(*value);
}

}  // namespace

Settings ReadSettings(QSettings& store) {
    Settings settings;
    if (!store.childGroups().contains(QLatin1String(kGroup))) return settings;
    store.beginGroup(QLatin1String(kGroup));
    // Reads in order and stops at the first value that is missing or of the wrong kind.
    [&] {
        const QVariant host = store.value(QStringLiteral("Host"));
        if (host.isValid() && host.typeId() != QMetaType::QString) return;
        settings.host = host.toString();
        const auto port = ReadWord(store, QStringLiteral("Port"));
        if (!port) return;
        settings.port = *port;
        const auto pulseWidth = ReadWord(store, QStringLiteral("DTR Pulsbreite"));
        if (!pulseWidth) return;
        settings.dtrPulseWidth = *pulseWidth;
        const auto running = ReadInteger(store, QStringLiteral("System Running"));
        if (!running) return;
        settings.systemRunning = *running != 0;
    }();
    store.endGroup();
    settings.serialPorts = SerialPortNames::FromSettings(store);
    return settings;
}

void WriteSettings(QSettings& store, const Settings& settings) {
    store.beginGroup(QLatin1String(kGroup));
    store.setValue(QStringLiteral("Host"), settings.host);
    store.setValue(QStringLiteral("Port"), settings.port);
    store.setValue(QStringLiteral("DTR Pulsbreite"), settings.dtrPulseWidth);
    store.setValue(QStringLiteral("System Running"), settings.systemRunning ? 1 : 0);
    store.endGroup();
    settings.serialPorts.Store(store);
    store.sync();
}

}  // namespace tarvok
