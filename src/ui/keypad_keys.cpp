#include "ui/keypad_keys.h"

namespace tarvok {

namespace {

using enum KeypadKey;

struct Face {
    const char* caption;
    const char* meaning;
    const char* pcKey;  // what to type on the PC keyboard
};

constexpr Face kFaces[kKeypadKeyCount] = {
    {"0", "", "0"},
    {"1", "", "1"},
    {"2", "", "2"},
    {"3", "", "3"},
    {"4", "", "4"},
    {"5", "", "5"},
    {"6", "", "6"},
    {"7", "", "7"},
    {"8", "", "8"},
    {"9", "", "9"},
    {"A", "", "A"},
    {"B", "", "B"},
    {"C", "", "C"},
    {"D", "", "D"},
    {"E", "", "E"},
    {"F", "", "F"},
    {"T", "Trace", "Strg+T"},
    {"F1", "Insert", "Strg+F1"},
    {"F2", "Delete", "Strg+F2"},
    {"F3", "Dump", "Strg+F3"},
    {"S", "Save", "Strg+S"},
    {"R", "Register", "Strg+R"},
    {"A", "Address", "Strg+A"},
    {"+", "Increment", "Strg++"},
    {"L", "Load", "Strg+L"},
    {"G", "Go", "Strg+G"},
    {"D", "Data", "Strg+D"},
    {"-", "Decrement", "Strg+-"},
    {"F4", "Break", "Strg+F4"},
    {"C", "Clear", "Strg+C"},
};

std::optional<KeypadKey> DigitKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return HexDigitKey(qtKey - Qt::Key_0);
    return std::nullopt;
}

// Keys that mean + and - on the main row and the numeric pad of common layouts.
bool IsPlus(int qtKey) {
    return qtKey == Qt::Key_Plus || qtKey == Qt::Key_Equal;
}
bool IsMinus(int qtKey) {
    return qtKey == Qt::Key_Minus || qtKey == Qt::Key_Underscore;
}

// The function or special key that Ctrl and a PC key give (the same key a release lets go).
std::optional<KeypadKey> ControlKey(int qtKey) {
    if (IsPlus(qtKey)) return Increment;
    if (IsMinus(qtKey)) return Decrement;
    switch (qtKey) {
        case Qt::Key_A:
            return FnAddress;
        case Qt::Key_C:
            return Clear;
        case Qt::Key_D:
            return FnData;
        case Qt::Key_G:
            return Go;
        case Qt::Key_L:
            return Load;
        case Qt::Key_R:
            return Register;
        case Qt::Key_S:
            return Save;
        case Qt::Key_T:
            return Trace;
        case Qt::Key_F1:
            return Insert;
        case Qt::Key_F2:
            return Delete;
        case Qt::Key_F3:
            return Dump;
        case Qt::Key_F4:
            return Break;
        default:
            return std::nullopt;
    }
}

}  // namespace

KeypadKeyKind KindOf(KeypadKey key) {
    if (key == Break || key == Clear) return KeypadKeyKind::SpecialKey;
    return key <= DataF ? KeypadKeyKind::DataKey : KeypadKeyKind::FunctionKey;
}

QString CaptionOf(KeypadKey key) {
    return QString::fromUtf8(kFaces[static_cast<int>(key)].caption);
}

QString MeaningOf(KeypadKey key) {
    return QString::fromUtf8(kFaces[static_cast<int>(key)].meaning);
}

QString HintOf(KeypadKey key) {
    const Face& face = kFaces[static_cast<int>(key)];
    const QString what = *face.meaning != '\0' ? QString::fromUtf8(face.meaning) : CaptionOf(key);
    return QStringLiteral("%1 %2 (PC-Taste %3)")
        .arg(KindName(KindOf(key)), what, QString::fromUtf8(face.pcKey));
}

QString KindName(KeypadKeyKind kind) {
    switch (kind) {
        case KeypadKeyKind::DataKey:
            return QStringLiteral("Datentaste");
        case KeypadKeyKind::FunctionKey:
            return QStringLiteral("Funktionstaste");
        case KeypadKeyKind::SpecialKey:
            return QStringLiteral("Spezialtaste");
    }
    return {};
}

QColor FaceColor(KeypadKey key) {
    if (key == Break) return QColor(0x00, 0x80, 0x80);                        // teal
    if (key == Clear) return QColor(0xFF, 0x00, 0x00);                        // red
    return KindOf(key) == KeypadKeyKind::DataKey ? QColor(0xC0, 0xC0, 0xC0)   // silver
                                                 : QColor(0x80, 0x80, 0x80);  // grey
}

std::optional<KeypadKey> KeypadKeyForPress(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::AltModifier) return std::nullopt;
    if (modifiers & Qt::ControlModifier) return ControlKey(qtKey);
    if (auto digit = DigitKey(qtKey)) return digit;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_F) return HexDigitKey(10 + qtKey - Qt::Key_A);
    return std::nullopt;
}

std::vector<KeypadKey> KeypadKeysForRelease(int qtKey, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::AltModifier) return {};
    if (auto digit = DigitKey(qtKey)) return {*digit};
    std::vector<KeypadKey> keys;
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_F)
        keys.push_back(HexDigitKey(10 + qtKey - Qt::Key_A));
    if (auto control = ControlKey(qtKey)) keys.push_back(*control);
    return keys;
}

}  // namespace tarvok
