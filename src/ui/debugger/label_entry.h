#pragma once

#include <QString>
#include <optional>

#include "core/symbol_table.h"
#include "core/types.h"

class QLineEdit;
class QWidget;

namespace tarvok {

// An address field that also takes a label of the loaded program ("Gehe zu", run-to). Letters
// turn to upper case as typed; labels are found without regard to case when that is unique.
// Four hexadecimal digits are always an address and act as soon as the fourth is typed; a label
// acts on Enter.

// Makes `field` such a field (no input mask; up to 32 characters, upper case).
void MakeLabelField(QLineEdit& field);

// After a keystroke: the address once four hexadecimal digits stand in the field. Four other
// characters that no label begins with are a mistake, told in a message box; anything else
// waits for more.
std::optional<Address> TypedAddressOrLabel(QWidget* parent, const QString& text,
                                           const SymbolTable* symbols);

// On Enter: a label, else one to four hexadecimal digits; a message box tells of anything else.
std::optional<Address> EnteredAddressOrLabel(QWidget* parent, const QString& text,
                                             const SymbolTable* symbols);

}  // namespace tarvok
