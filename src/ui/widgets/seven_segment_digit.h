#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>

namespace tarvok {

// One digit of the seven-segment display. Its value holds two segment patterns (low byte, high
// byte); a segment lit in both shows in the "on" colour, in one of them in the dimmer "slightly
// on" colour, in neither in the "off" colour.
class SevenSegmentDigit : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 40;
    static constexpr int kHeight = 56;

    explicit SevenSegmentDigit(QWidget* parent = nullptr);

    std::uint16_t Value() const { return value_; }
    // Repaints only when the value changes; a disabled digit keeps its old value.
    void SetValue(std::uint16_t value);

    QSize sizeHint() const override { return {kWidth, kHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor SegmentColor(int bit) const;

    std::uint16_t value_ = 0xFFFF;
    QColor colorOn_{255, 0, 0};
    QColor colorSlightOn_{150, 0, 0};
    QColor colorOff_{56, 0, 0};
    QColor background_{0, 0, 0};
};

}  // namespace tarvok
