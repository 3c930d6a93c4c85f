#include "ui/keypad_keys.h"

namespace tarvok {

namespace {

using enum KeypadKey;

struct Face {
    const char* caption;
    const char* meaning;
};

constexpr Face kFaces[kKeypadKeyCount] = {
    {"0", ""},     {"1", ""},         {"2", ""},          {"3", ""},          {"4", ""},
    {"5", ""},     {"6", ""},         {"7", ""},          {"8", ""},          {"9", ""},
    {"A", ""},     {"B", ""},         {"C", ""},          {"D", ""},          {"E", ""},
    {"F", ""},     {"T", "Trace"},    {"F1", "Insert"},   {"F2", "Delete"},   {"F3", "Dump"},
    {"S", "Save"}, {"R", "Register"}, {"A", "Address"},   {"+", "Increment"}, {"L", "Load"},
    {"G", "Go"},   {"D", "Data"},     {"-", "Decrement"}, {"F4", "Break"},    {"C", "Clear"},
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
