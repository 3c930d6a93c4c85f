#include "ui/widgets/seven_segment_digit.h"

#include <QPainter>
#include <QPolygon>
#include <algorithm>

#include "devices/seven_segment.h"

namespace tarvok {

namespace {

// The digit is laid out on a grid of cells w wide and h high (10 by 14 cells); segments are
// hexagons of thickness about 2g with tips cut back by t.
struct Grid {
    int w;
    int h;
    int t;
};

QPolygon HorizontalSegment(const Grid& grid, int x0, int y0) {
    const int length = 6 * grid.w - 2 * grid.t;
    const int f = length / 4;
    const int g = (2 * grid.h - 2 * grid.t - 1) / 2;
    const int x = x0 + grid.t;
    return QPolygon({QPoint(x, y0), QPoint(x + f, y0 - g), QPoint(x + 3 * f, y0 - g),
                     QPoint(x + length, y0), QPoint(x + 3 * f, y0 + g), QPoint(x + f, y0 + g)});
}

QPolygon VerticalSegment(const Grid& grid, int x0, int y0) {
    const int length = 6 * grid.h - 2 * grid.t;
    const int f = length / 4;
    const int g = (2 * grid.w - 2 * grid.t - 1) / 2;
    const int y = y0 + grid.t;
    return QPolygon({QPoint(x0, y), QPoint(x0 + g, y + f), QPoint(x0 + g, y + 3 * f),
                     QPoint(x0, y + length), QPoint(x0 - g, y + 3 * f), QPoint(x0 - g, y + f)});
}

}  // namespace

SevenSegmentDigit::SevenSegmentDigit(QWidget* parent) : QWidget(parent) {
    setFixedSize(kWidth, kHeight);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void SevenSegmentDigit::SetValue(std::uint16_t value) {
    if (value == value_ || !isEnabled()) return;
    value_ = value;
    update();
}

QColor SevenSegmentDigit::SegmentColor(int bit) const {
    switch (SegmentBrightnessOf(value_, bit)) {
        case SegmentBrightness::On:
            return colorOn_;
        case SegmentBrightness::SlightOn:
            return colorSlightOn_;
        case SegmentBrightness::Off:
            break;
    }
    return colorOff_;
}

void SevenSegmentDigit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), background_);
    painter.setRenderHint(QPainter::Antialiasing);

    const int w = width() / 10;
    const int h = height() / 14;
    const Grid grid{w, h, std::min(w * 2 / 5, h * 2 / 5)};
    const int left = w - 1;
    const int right = 7 * w - 1;
    // Segments a to g in bit order: bit 0 = a ... bit 6 = g.
    const QPolygon segments[7] = {
        HorizontalSegment(grid, left, h - 1),       // a
        VerticalSegment(grid, right, h - 1),        // b
        VerticalSegment(grid, right, 7 * h - 1),    // c
        HorizontalSegment(grid, left, 13 * h - 1),  // d
        VerticalSegment(grid, left, 7 * h - 1),     // e
        VerticalSegment(grid, left, h - 1),         // f
        HorizontalSegment(grid, left, 7 * h - 1),   // g
    };
    for (int bit = 0; bit < 7; ++bit) {
        const QColor color = SegmentColor(bit);
        painter.setPen(color);
        painter.setBrush(color);
        painter.drawPolygon(segments[bit]);
    }
    const QColor point = SegmentColor(7);
    painter.setPen(point);
    painter.setBrush(point);
    const int t = grid.t;
    painter.drawEllipse(
        QRect(QPoint(8 * w - 1 + t, 12 * h - 1 + t), QPoint(10 * w - 1 - t, 14 * h - 1 - t)));
}

}  // namespace tarvok
