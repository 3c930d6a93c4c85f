#pragma once

#include <QFrame>
#include <array>

#include "devices/keypad.h"
#include "ui/widgets/keypad_button.h"

namespace tarvok {

// The 28 matrix keys laid out as on the board (one column per key byte, bit 3 at the top) and
// the two special keys Break and Clear at the left.
class KeypadPanel : public QFrame {
    Q_OBJECT

public:
    explicit KeypadPanel(QWidget* parent = nullptr);

    KeypadButton* Button(KeypadKey key) const { return buttons_[static_cast<std::size_t>(key)]; }

signals:
    void KeyPressed(tarvok::KeypadKey key);
    void KeyReleased(tarvok::KeypadKey key);

private:
    std::array<KeypadButton*, kKeypadKeyCount> buttons_{};
};

}  // namespace tarvok
