#include "ui/widgets/led.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <QTimerEvent>

namespace tarvok {

namespace {

struct LedShape {
    QSize size;
    const char* face;  // the face template among the resources
};

LedShape ShapeOf(Led::Style style) {
    switch (style) {
        case Led::Style::Small:
            return {{16, 16}, ":/leds/led_small.svg"};
        case Led::Style::Large:
            return {{22, 22}, ":/leds/led_large.svg"};
        case Led::Style::SquareSmall:
            return {{16, 16}, ":/leds/led_square_small.svg"};
        case Led::Style::SquareLarge:
            return {{22, 22}, ":/leds/led_square_large.svg"};
        case Led::Style::Vertical:
            return {{14, 22}, ":/leds/led_vertical.svg"};
        case Led::Style::Horizontal:
            return {{22, 14}, ":/leds/led_horizontal.svg"};
    }
    return {{16, 16}, ":/leds/led_small.svg"};
}

// A face template is a grey bezel around a face painted #ff00ff with a #960096 rim and a small
// reflection. The lamp renders it in its colour at the screen's pixel size, so a face stays
// sharp at any scaling.
QImage RenderFace(const char* templatePath, const QColor& color, const QSize& pixels) {
    QFile file(QString::fromLatin1(templatePath));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray svg = file.readAll();
    svg.replace("#ff00ff", color.name().toLatin1());
    svg.replace("#960096", color.darker(170).name().toLatin1());
    QBuffer buffer(&svg);
    QImageReader reader(&buffer, "svg");
    reader.setScaledSize(pixels);
    return reader.read();
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
    // A lamp given another size than its style's is stretched to fill it. Both phases keep their
    // rendered face, so blinking only copies pixels.
    const QColor color = lit_ ? trueColor_ : falseColor_;
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    Face& face = faces_[lit_ ? 1 : 0];
    if (face.image.isNull() || face.color != color || face.style != style_ ||
        face.image.size() != pixels) {
        face = {RenderFace(ShapeOf(style_).face, color, pixels), color, style_};
        face.image.setDevicePixelRatio(ratio);
    }
    QPainter painter(this);
    if (face.image.isNull()) {
        painter.fillRect(rect(), color);  // without the SVG image plugin the lamp is a plain face
    } else {
        painter.drawImage(QPointF(0, 0), face.image);
    }
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
