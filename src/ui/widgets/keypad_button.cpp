#include "ui/widgets/keypad_button.h"

#include <qdrawutil.h>
#include <QMouseEvent>
#include <QPainter>

#include "ui/keypad_keys.h"

namespace tarvok {

KeypadButton::KeypadButton(KeypadKey key, QWidget* parent) : QWidget(parent), key_(key) {
    setFixedSize(kSize, kSize);
    setToolTip(HintOf(key));
    QFont captionFont = font();
    captionFont.setBold(true);
    setFont(captionFont);
}

void KeypadButton::SetButtonDown(bool down) {
    if (down == down_ || !isEnabled()) return;
    down_ = down;
    if (down) {
        emit ButtonPressed(key_);
    } else {
        emit ButtonReleased(key_);
    }
    update();
}

void KeypadButton::mousePressEvent(QMouseEvent* event) {
    latched_ = (event->modifiers() & Qt::ShiftModifier) && !down_;
    SetButtonDown(true);
}

void KeypadButton::mouseReleaseEvent(QMouseEvent*) {
    if (!latched_) SetButtonDown(false);
    latched_ = false;
}

void KeypadButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor face = FaceColor(key_);
    QPalette bevel = palette();
    bevel.setColor(QPalette::Light, face.lighter(150));
    bevel.setColor(QPalette::Midlight, face.lighter(120));
    bevel.setColor(QPalette::Dark, face.darker(170));
    bevel.setColor(QPalette::Mid, face.darker(130));
    bevel.setColor(QPalette::Shadow, QColor(0x20, 0x20, 0x20));
    const QBrush fill(face);
    qDrawWinButton(&painter, rect(), bevel, down_, &fill);

    // Dark caption on the light keys, white on teal and red.
    painter.setPen(face.lightness() > 100 ? Qt::black : Qt::white);
    const QRect text = down_ ? rect().translated(1, 1) : rect();
    painter.drawText(text, Qt::AlignCenter | Qt::TextSingleLine, CaptionOf(key_));
}

}  // namespace tarvok
