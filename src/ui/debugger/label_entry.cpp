#include "ui/debugger/label_entry.h"

#include <QLineEdit>
#include <QValidator>

#include "core/hex_text.h"
#include "ui/debugger/cell_text.h"
#include "ui/message_boxes.h"

namespace tarvok {

namespace {

constexpr int kMaxLabelLength = 32;

class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int& /*position*/) const override {
        input = input.toUpper();
        return Acceptable;
    }
};

void ShowInvalid(QWidget* parent, const QString& text, const SymbolTable* symbols) {
    if (symbols == nullptr || symbols->Empty()) {
        ShowMessageBox(parent, {"Fehlerhafter Eingabewert!",
                                "Bei dem von Ihnen eingegebenen Wert (" + text.toStdString() +
                                    ") handelt es sich nicht um eine vierstellige "
                                    "Speicheradresse im hexadezimalen Format!"});
        return;
    }
    ShowMessageBox(parent, {"Fehlerhafter Eingabewert!",
                            "Bei dem von Ihnen eingegebenen Wert (" + text.toStdString() +
                                ") handelt es sich weder um eine vierstellige Speicheradresse "
                                "im hexadezimalen Format noch um eine Marke des geladenen "
                                "Programms!"});
}

std::optional<Address> LabelAddress(const QString& text, const SymbolTable* symbols) {
    if (symbols == nullptr) return std::nullopt;
    return symbols->AddressOf(text.toStdString());
}

}  // namespace

void MakeLabelField(QLineEdit& field) {
    field.setInputMask(QString());
    field.setMaxLength(kMaxLabelLength);
    field.setValidator(new UpperCaseValidator(&field));
}

std::optional<Address> TypedAddressOrLabel(QWidget* parent, const QString& text,
                                           const SymbolTable* symbols) {
    if (text.size() != 4) return std::nullopt;
    if (const auto value = ParseHexEntry(text, 4)) return static_cast<Address>(*value);
    if (symbols != nullptr && symbols->HasNameStartingWith(text.toStdString())) return std::nullopt;
    ShowInvalid(parent, text, symbols);
    return std::nullopt;
}

std::optional<Address> EnteredAddressOrLabel(QWidget* parent, const QString& text,
                                             const SymbolTable* symbols) {
    if (const auto address = LabelAddress(text, symbols)) return address;
    if (const auto address = ParseHexAddress(text.toStdString())) return address;
    ShowInvalid(parent, text, symbols);
    return std::nullopt;
}

}  // namespace tarvok
