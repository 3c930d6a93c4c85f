#pragma once

#include <QWidget>

#include "devices/keypad.h"

namespace tarvok {

// One key of the on-screen keypad. A mouse press holds it until the mouse is released; a press
// with Shift held latches it, so that it stays down after the release (to hold several keys at
// once) until the next click on it lets it go.
class KeypadButton : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSize = 34;

    explicit KeypadButton(KeypadKey key, QWidget* parent = nullptr);

    bool ButtonDown() const { return down_; }
    // The one path through which the key changes state: does nothing when the state is already
    // that or the key is disabled; otherwise tells the listeners and repaints.
    void SetButtonDown(bool down);

    QSize sizeHint() const override { return {kSize, kSize}; }

signals:
    void ButtonPressed(tarvok::KeypadKey key);
    void ButtonReleased(tarvok::KeypadKey key);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    KeypadKey key_;
    bool down_ = false;
    bool latched_ = false;
};

}  // namespace tarvok
