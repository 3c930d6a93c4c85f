#include "ui/debugger/cell_text.h"

#include <QLineEdit>

#include "core/hex_text.h"
#include "ui/message_boxes.h"

namespace tarvok {

QString HexText(unsigned value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString AddressText(Address address) {
    return QLatin1Char('$') + HexText(address, 4);
}

std::optional<unsigned> ParseHexEntry(const QString& text, int digits) {
    unsigned value = 0;
    if (text.size() != digits || !ParseHexDigits(text.toStdString(), value)) return std::nullopt;
    return value;
}

std::optional<unsigned> ParseDecimalEntry(const QString& text, unsigned max) {
    bool ok = false;
    const unsigned value = text.trimmed().toUInt(&ok, 10);
    if (!ok || value > max) return std::nullopt;
    return value;
}

std::optional<Address> AddressFieldValue(QWidget* parent, const QLineEdit& field) {
    if (!field.hasAcceptableInput()) return std::nullopt;
    const QString text = field.text();
    if (const auto value = ParseHexEntry(text, 4)) return static_cast<Address>(*value);
    ShowMessageBox(parent, {"Fehlerhafter Eingabewert!",
                            "Bei dem von Ihnen eingegebenen Wert (" + text.toStdString() +
                                ") handelt es sich nicht um eine vierstellige "
                                "Speicheradresse im hexadezimalen Format!"});
    return std::nullopt;
}

}  // namespace tarvok
