#pragma once

#include <QColor>
#include <QPolygon>
#include <QString>
#include <QWidget>

namespace tarvok {

// A rocker switch with a coloured label field. The lever sits in one half of the control and the
// label field, showing the caption of the state, in the other; `checkedTop` puts the field at the
// top while checked (and at the bottom while unchecked), otherwise the reverse. A left click on
// the lever's half or Space/Enter while focused flips it.
//
// Every change of `checked`, from the user or from code, emits toggled() and then switchedOn() or
// switchedOff(). To set the state without telling anyone, block the signals (QSignalBlocker).
class ToggleSwitch : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString captionOn READ captionOn WRITE setCaptionOn)
    Q_PROPERTY(QString captionOff READ captionOff WRITE setCaptionOff)
    Q_PROPERTY(bool checked READ isChecked WRITE setChecked NOTIFY toggled)
    Q_PROPERTY(bool checkedTop READ checkedTop WRITE setCheckedTop)
    Q_PROPERTY(int slope READ slope WRITE setSlope)
    Q_PROPERTY(int headHeight READ headHeight WRITE setHeadHeight)
    Q_PROPERTY(QColor onColor READ onColor WRITE setOnColor)
    Q_PROPERTY(QColor offColor READ offColor WRITE setOffColor)
    Q_PROPERTY(QColor sideColor READ sideColor WRITE setSideColor)
    Q_PROPERTY(QColor headColor READ headColor WRITE setHeadColor)

public:
    static constexpr QSize kDefaultSize{83, 24};

    // The outlines that make up the switch at its present size and state. `half` is the label
    // field's height, negative when the field lies below the middle line `mid`.
    struct Shapes {
        int faceWidth = 0;
        int half = 0;
        int mid = 0;
        QPolygon side;
        QPolygon head;
        QPolygon labelField;
        QPolygon leverFace;
    };

    explicit ToggleSwitch(QWidget* parent = nullptr);

    QString captionOn() const { return captionOn_; }
    QString captionOff() const { return captionOff_; }
    bool isChecked() const { return checked_; }
    bool checkedTop() const { return checkedTop_; }
    int slope() const { return slope_; }
    int headHeight() const { return headHeight_; }
    QColor onColor() const { return onColor_; }
    QColor offColor() const { return offColor_; }
    QColor sideColor() const { return sideColor_; }
    QColor headColor() const { return headColor_; }

    void setCaptionOn(const QString& caption);
    void setCaptionOff(const QString& caption);
    void setChecked(bool checked);
    void setCheckedTop(bool checkedTop);
    // 0 to 255 pixels.
    void setSlope(int slope);
    // Refused unless 0 <= height < control height - 4.
    void setHeadHeight(int height);
    void setOnColor(const QColor& color);
    void setOffColor(const QColor& color);
    void setSideColor(const QColor& color);
    void setHeadColor(const QColor& color);

    Shapes CurrentShapes() const;

    QSize sizeHint() const override { return kDefaultSize; }

signals:
    void toggled(bool checked);
    void switchedOn();
    void switchedOff();
    // A left click anywhere on the switch, or Space/Enter (after the toggle).
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void Toggle();
    void Announce();
    template <typename T>
    void Store(T& member, const T& value);

    QString captionOn_ = QStringLiteral("1");
    QString captionOff_ = QStringLiteral("0");
    bool checked_ = false;
    bool checkedTop_ = true;
    int slope_ = 6;
    int headHeight_ = 6;
    QColor onColor_{0xFF, 0x00, 0x00};
    QColor offColor_{0x80, 0x00, 0x00};
    QColor sideColor_{0xC0, 0xC0, 0xC0};
    QColor headColor_{0xC0, 0xC0, 0xC0};
};

}  // namespace tarvok
