#pragma once

#include <QColor>
#include <QString>
#include <Qt>
#include <optional>
#include <vector>

#include "devices/keypad.h"

namespace tarvok {

// What a keypad key looks like on screen: its caption, colour and hint.
enum class KeypadKeyKind { DataKey, FunctionKey, SpecialKey };

KeypadKeyKind KindOf(KeypadKey key);
// The text on the key ("0" ... "F", "T", "F1", "+", ...).
QString CaptionOf(KeypadKey key);
// What the key does ("Trace", "Address", ...); empty for data keys.
QString MeaningOf(KeypadKey key);
// The key's hint: its kind, meaning and PC key ("Funktionstaste Trace (PC-Taste Strg+T)").
QString HintOf(KeypadKey key);
// "Datentaste", "Funktionstaste" or "Spezialtaste".
QString KindName(KeypadKeyKind kind);
// Data keys silver, function keys grey, Break teal, Clear red.
QColor FaceColor(KeypadKey key);

// The PC keyboard onto the keypad, on Qt key codes. Anything typed with Alt held is ignored.
// A press gives one key: digits and A-F the data keys, with Ctrl the function and special keys.
std::optional<KeypadKey> KeypadKeyForPress(int qtKey, Qt::KeyboardModifiers modifiers);
// A release lets go every key of that PC key, Ctrl or not: A, C and D release both of theirs.
std::vector<KeypadKey> KeypadKeysForRelease(int qtKey, Qt::KeyboardModifiers modifiers);

}  // namespace tarvok
