// The digit control: its three brightness levels as painted, and the display panel's digits.
#include <QtTest>

#include "ui/display_panel.h"
#include "ui/widgets/seven_segment_digit.h"

namespace tarvok {

class SevenSegmentDigitTest : public QObject {
    Q_OBJECT

private slots:
    void paintsEachSegmentInItsBrightness() {
        SevenSegmentDigit digit;
        // a in both patterns, b in the low one, d in the high one, the rest in neither.
        digit.SetValue(0x0901);
        digit.SetValue(0x0903);
        const QImage image = digit.grab().toImage();
        // Segment centres on the 40 by 56 digit: grid cells of 4 by 4 pixels.
        const auto at = [&image](int x, int y) { return QColor(image.pixel(x, y)); };
        QCOMPARE(at(15, 3), QColor(255, 0, 0));   // a: on
        QCOMPARE(at(27, 15), QColor(150, 0, 0));  // b: slightly on
        QCOMPARE(at(15, 51), QColor(150, 0, 0));  // d: slightly on
        QCOMPARE(at(27, 39), QColor(56, 0, 0));   // c: off
        QCOMPARE(at(15, 27), QColor(56, 0, 0));   // g: off
        QCOMPARE(at(35, 51), QColor(56, 0, 0));   // decimal point: off
        QCOMPARE(at(15, 15), QColor(0, 0, 0));    // background
    }

    void panelCombinesBothPatternBytesPerDigit() {
        DisplayPanel panel;
        SevenSegmentState display;
        display.memory[0] = 0x3F;      // S0 low
        display.memory[8] = 0x3F;      // S0 high
        display.memory[7] = 0x80;      // S7 low
        display.memory[8 + 3] = 0x06;  // S3 high
        panel.ShowDisplay(display);
        QCOMPARE(panel.Digit(0)->Value(), std::uint16_t{0x3F3F});
        QCOMPARE(panel.Digit(7)->Value(), std::uint16_t{0x0080});
        QCOMPARE(panel.Digit(3)->Value(), std::uint16_t{0x0600});
        QCOMPARE(panel.Digit(1)->Value(), std::uint16_t{0});
        QCOMPARE(panel.Digit(7)->toolTip(), QStringLiteral("Anzeigenstelle S7 ($F027 / $F02F)"));
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::SevenSegmentDigitTest)
#include "seven_segment_digit_test.moc"
