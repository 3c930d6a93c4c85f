#include "ui/widgets/led.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimerEvent>

namespace tarvok {

namespace {

// A lamp is a grey bezel with the coloured face inside it and a small reflection on the face.
struct LedShape {
    QSize size;
    bool round;
    qreal faceInset;
};

LedShape ShapeOf(Led::Style style) {
    switch (style) {
        case Led::Style::Small:
            return {{16, 16}, true, 3};
        case Led::Style::Large:
            return {{22, 22}, true, 4};
        case Led::Style::SquareSmall:
            return {{16, 16}, false, 3};
        case Led::Style::SquareLarge:
            return {{22, 22}, false, 4};
        case Led::Style::Vertical:
            return {{14, 22}, false, 3};
        case Led::Style::Horizontal:
            return {{22, 14}, false, 3};
    }
    return {{16, 16}, true, 3};
}

QPainterPath Outline(const QRectF& box, bool round, qreal cornerRadius) {
    QPainterPath path;
    if (round) {
        path.addEllipse(box);
    } else {
        path.addRoundedRect(box, cornerRadius, cornerRadius);
    }
    return path;
}

void PaintLed(QPainter& painter, const LedShape& shape, const QColor& face) {
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF bezel = QRectF(QPointF(0, 0), QSizeF(shape.size)).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient bezelShade(bezel.topLeft(), bezel.bottomRight());
    bezelShade.setColorAt(0, QColor(0xF4, 0xF4, 0xF4));
    bezelShade.setColorAt(1, QColor(0x70, 0x70, 0x70));
    painter.setPen(QPen(QColor(0x48, 0x48, 0x48), 1));
    painter.setBrush(bezelShade);
    painter.drawPath(Outline(bezel, shape.round, 2.5));

    const qreal inset = shape.faceInset - 0.5;
    const QRectF faceBox = bezel.adjusted(inset, inset, -inset, -inset);
    painter.setPen(QPen(face.darker(170), 1));
    painter.setBrush(face);
    painter.drawPath(Outline(faceBox, shape.round, 1));

    // The reflection stays in the upper left quarter, so the face's centre shows the pure colour.
    const QRectF reflection(faceBox.left() + faceBox.width() * 0.18,
                            faceBox.top() + faceBox.height() * 0.14, faceBox.width() * 0.34,
                            faceBox.height() * 0.26);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xFF, 0xFF, 0xFF, 0xA0));
    painter.drawEllipse(reflection);
}

}  // namespace

Led::Led(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(SizeOf(style_));
}

QSize Led::SizeOf(Style style) {
    return ShapeOf(style).size;
}

void Led::setValue(bool on) {
    if (on == value_) return;
    value_ = on;
    if (on) {
        ShowPhase(true);
        if (blink_) StartBlinking();
    } else {
        StopBlinking();
        ShowPhase(false);
    }
}

void Led::setBlink(bool blink) {
    if (blink == blink_) return;
    ShowPhase(value_);
    blink_ = blink;
    if (blink_ && value_) {
        StartBlinking();
    } else {
        StopBlinking();
    }
}

void Led::setTrueColor(const QColor& color) {
    Recolor(trueColor_, color);
}

void Led::setFalseColor(const QColor& color) {
    Recolor(falseColor_, color);
}

void Led::Recolor(QColor& slot, const QColor& color) {
    if (color == slot) return;
    const bool blink = blink_;
    setBlink(false);
    slot = color;
    setBlink(blink);
    update();
}

void Led::setInterval(int milliseconds) {
    interval_ = milliseconds;
    if (!blinking_) return;
    if (interval_ > 0) {
        blinkTimer_.start(interval_, this);
    } else {
        blinkTimer_.stop();
    }
}

void Led::setLedStyle(Style style) {
    if (style == style_) return;
    style_ = style;
    resize(SizeOf(style_));
    updateGeometry();
    update();
}

void Led::ShowPhase(bool lit) {
    if (lit == lit_) return;
    lit_ = lit;
    update();
}

void Led::StartBlinking() {
    if (blinking_) return;
    blinking_ = true;
    ShowPhase(true);
    if (interval_ > 0) blinkTimer_.start(interval_, this);
}

void Led::StopBlinking() {
    blinking_ = false;
    blinkTimer_.stop();
}

void Led::timerEvent(QTimerEvent* event) {
    if (event->timerId() != blinkTimer_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    ShowPhase(!lit_);
    emit blinked();
}

void Led::paintEvent(QPaintEvent*) {
    const LedShape shape = ShapeOf(style_);
    QPainter painter(this);
    // A lamp given another size than its style's is stretched to fill it.
    painter.scale(qreal(width()) / shape.size.width(), qreal(height()) / shape.size.height());
    PaintLed(painter, shape, lit_ ? trueColor_ : falseColor_);
}

void Led::enterEvent(QEnterEvent*) {
    emit mouseEntered();
}

void Led::leaveEvent(QEvent*) {
    emit mouseLeft();
}

void Led::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) QWidget::mousePressEvent(event);
}

void Led::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    } else {
        QWidget::mouseReleaseEvent(event);
    }
}

}  // namespace tarvok
