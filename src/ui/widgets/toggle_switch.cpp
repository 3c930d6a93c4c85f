#include "ui/widgets/toggle_switch.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace tarvok {

ToggleSwitch::ToggleSwitch(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::ClickFocus);
    QFont captionFont = font();
    captionFont.setPixelSize(9);
    setFont(captionFont);
    QPalette captionPalette = palette();
    captionPalette.setColor(QPalette::ButtonText, Qt::white);
    setPalette(captionPalette);
    resize(kDefaultSize);
}

template <typename T>
void ToggleSwitch::Store(T& member, const T& value) {
    if (value == member) return;
    member = value;
    update();
}

void ToggleSwitch::setCaptionOn(const QString& caption) {
    Store(captionOn_, caption);
}
void ToggleSwitch::setCaptionOff(const QString& caption) {
    Store(captionOff_, caption);
}
void ToggleSwitch::setCheckedTop(bool checkedTop) {
    Store(checkedTop_, checkedTop);
}
void ToggleSwitch::setSlope(int slope) {
    Store(slope_, std::clamp(slope, 0, 255));
}
void ToggleSwitch::setOnColor(const QColor& color) {
    Store(onColor_, color);
}
void ToggleSwitch::setOffColor(const QColor& color) {
    Store(offColor_, color);
}
void ToggleSwitch::setSideColor(const QColor& color) {
    Store(sideColor_, color);
}
void ToggleSwitch::setHeadColor(const QColor& color) {
    Store(headColor_, color);
}

void ToggleSwitch::setHeadHeight(int height) {
    if (height < 0 || height >= this->height() - 4) return;
    Store(headHeight_, height);
}

void ToggleSwitch::setChecked(bool checked) {
    if (checked == checked_) return;
    checked_ = checked;
    Announce();
    update();
}

void ToggleSwitch::Toggle() {
    setChecked(!checked_);
}

void ToggleSwitch::Announce() {
    emit toggled(checked_);
    if (checked_) {
        emit switchedOn();
    } else {
        emit switchedOff();
    }
}

ToggleSwitch::Shapes ToggleSwitch::CurrentShapes() const {
    const int x0 = 2;
    Shapes shapes;
    shapes.faceWidth = width() - slope_ - 4;
    shapes.half = (height() - 4) / 2;
    shapes.mid = shapes.half + 2;
    int head = headHeight_;
    if (checked_ != checkedTop_) {
        shapes.half = -shapes.half;
        head = -head;
    }
    const int s = slope_;
    const int xr = x0 + shapes.faceWidth;
    const int mid = shapes.mid;
    const int e = mid + shapes.half;
    const int d = e - head;
    shapes.side = QPolygon({{x0, mid}, {x0 + s, d}, {x0, e}});
    shapes.head = QPolygon({{x0 + s, d}, {x0, e}, {xr, e}, {xr + s, d}});
    shapes.labelField =
        QPolygon({{x0, mid - shapes.half}, {x0, mid}, {xr, mid}, {xr, mid - shapes.half}});
    shapes.leverFace = QPolygon({{x0 + s, d}, {xr + s, d}, {xr, mid}, {x0, mid}});
    return shapes;
}

void ToggleSwitch::paintEvent(QPaintEvent*) {
    const Shapes shapes = CurrentShapes();
    QPainter painter(this);
    painter.setPen(Qt::black);
    if (hasFocus()) {
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, width() - 1, height() - 1);
    }
    const auto fill = [&painter](const QPolygon& polygon, const QColor& color) {
        painter.setBrush(color);
        painter.drawPolygon(polygon);
    };
    fill(shapes.head, headColor_);
    fill(shapes.side, sideColor_);
    fill(shapes.labelField, checked_ ? onColor_ : offColor_);
    fill(shapes.leverFace, offColor_);

    // The caption is centred in the label field.
    const QString caption = checked_ ? captionOn_ : captionOff_;
    const QFontMetrics metrics = fontMetrics();
    const int x = 2 + (shapes.faceWidth - metrics.horizontalAdvance(caption)) / 2;
    const int y = shapes.half <= 0 ? shapes.mid + (-shapes.half - metrics.height()) / 2
                                   : 2 + (shapes.half - metrics.height()) / 2;
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawText(QPoint(x, y + metrics.ascent()), caption);
}

void ToggleSwitch::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    setFocus(Qt::MouseFocusReason);
    // Only a click on the lever's half flips the switch.
    const int half = CurrentShapes().half;
    const int y = event->position().toPoint().y();
    if ((half > 0 && y > half) || (half < 0 && y < -half)) Toggle();
}

void ToggleSwitch::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        emit clicked();
    } else {
        QWidget::mouseReleaseEvent(event);
    }
}

void ToggleSwitch::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Space:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Toggle();
            emit clicked();
            break;
        default:
            QWidget::keyPressEvent(event);
    }
}

void ToggleSwitch::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    update();
}

void ToggleSwitch::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    update();
}

}  // namespace tarvok
