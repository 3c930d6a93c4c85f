#pragma once

#include <QBasicTimer>
#include <QColor>
#include <QImage>
#include <QWidget>
#include <array>

namespace tarvok {

// A lamp that is on or off and, while on, can blink. Its face shows `trueColor` when lit and
// `falseColor` when dark; the style sets its shape and size. The faces are SVG resources
// rendered at the screen's pixel size, so they stay sharp at any screen scaling.
class Led : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor trueColor READ trueColor WRITE setTrueColor)
    Q_PROPERTY(QColor falseColor READ falseColor WRITE setFalseColor)
    Q_PROPERTY(bool blink READ blink WRITE setBlink)
    Q_PROPERTY(bool value READ value WRITE setValue)
    Q_PROPERTY(int interval READ interval WRITE setInterval)
    Q_PROPERTY(Style ledStyle READ ledStyle WRITE setLedStyle)

public:
    enum class Style { Small, Large, SquareSmall, SquareLarge, Vertical, Horizontal };
    Q_ENUM(Style)

    explicit Led(QWidget* parent = nullptr);

    // The size that a style gives the lamp.
    static QSize SizeOf(Style style);

    QColor trueColor() const { return trueColor_; }
    QColor falseColor() const { return falseColor_; }
    bool blink() const { return blink_; }
    bool value() const { return value_; }
    int interval() const { return interval_; }
    Style ledStyle() const { return style_; }
    // The phase on show: true while the face shows trueColor.
    bool IsLit() const { return lit_; }

    // Switching on shows the lit face and, with `blink`, starts blinking with it; switching off
    // stops blinking on the dark face.
    void setValue(bool on);
    void setBlink(bool blink);
    // A new colour restarts blinking with the lit face.
    void setTrueColor(const QColor& color);
    void setFalseColor(const QColor& color);
    // The blink half-period in milliseconds; a blinking lamp takes it at once. At 0 or below the
    // lamp stays lit instead of blinking.
    void setInterval(int milliseconds);
    // Also resizes the lamp.
    void setLedStyle(Style style);

    QSize sizeHint() const override { return SizeOf(style_); }

signals:
    // After every blink step.
    void blinked();
    void clicked();
    void mouseEntered();
    void mouseLeft();

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void ShowPhase(bool lit);
    void StartBlinking();
    void StopBlinking();
    void Recolor(QColor& slot, const QColor& color);

    QColor trueColor_{0x00, 0xFF, 0x00};
    QColor falseColor_{0xC0, 0xC0, 0xC0};
    bool blink_ = true;
    bool value_ = false;
    int interval_ = 1000;
    Style style_ = Style::Small;
    bool lit_ = false;
    bool blinking_ = false;
    QBasicTimer blinkTimer_;

    struct Face {
        QImage image;
        QColor color;
        Style style = Style::Small;
    };
    std::array<Face, 2> faces_;  // dark and lit, as last rendered
};

}  // namespace tarvok
