#pragma once

#include <QString>
#include <optional>

class QLineEdit;
class QWidget;

#include "core/types.h"

namespace tarvok {

// The texts of the debugger windows' cells and address fields.

// `value` as `digits` upper-case hexadecimal digits.
QString HexText(unsigned value, int digits);
// "$" + four digits, as messages write addresses.
QString AddressText(Address address);

// A hexadecimal entry of exactly `digits` digits (a partly typed entry does not convert).
std::optional<unsigned> ParseHexEntry(const QString& text, int digits);
// A decimal entry from 0 to `max`; trailing blanks are ignored.
std::optional<unsigned> ParseDecimalEntry(const QString& text, unsigned max);

// A four-character address field (mask kFourHexDigitsMask) once all four are typed: the
// address, or nothing after telling the user in a message box that the text is not a
// hexadecimal address. Nothing happens while the field is not complete.
std::optional<Address> AddressFieldValue(QWidget* parent, const QLineEdit& field);

// Input masks of the cell editors and address fields: letters and digits in upper case (the
// entry is checked for hexadecimal digits afterwards), decimal digits, one binary digit.
inline const QString kTwoHexDigitsMask = QStringLiteral(">NN");
inline const QString kFourHexDigitsMask = QStringLiteral(">NNNN");
inline const QString kThreeDecimalDigitsMask = QStringLiteral("000");
inline const QString kFiveDecimalDigitsMask = QStringLiteral("00000");
inline const QString kOneDigitMask = QStringLiteral("9");

}  // namespace tarvok
