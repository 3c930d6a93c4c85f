// The LED and the toggle switch: geometry, input, events and blinking.
#include <QSignalSpy>
#include <QtTest>

#include "ui/widgets/led.h"
#include "ui/widgets/toggle_switch.h"

namespace tarvok {

namespace {

// Every event of a switch in the order it came.
void RecordEvents(ToggleSwitch& toggle, QStringList& events) {
    QObject::connect(&toggle, &ToggleSwitch::toggled, [&events](bool checked) {
        events << (checked ? "toggled(on)" : "toggled(off)");
    });
    QObject::connect(&toggle, &ToggleSwitch::switchedOn, [&events] { events << "on"; });
    QObject::connect(&toggle, &ToggleSwitch::switchedOff, [&events] { events << "off"; });
    QObject::connect(&toggle, &ToggleSwitch::clicked, [&events] { events << "clicked"; });
}

// The port window's switches stand upright: 24 wide, 49 high.
void MakeUpright(ToggleSwitch& toggle) {
    toggle.resize(24, 49);
}

QColor CentreColor(QWidget& widget) {
    return widget.grab().toImage().pixelColor(widget.width() / 2, widget.height() / 2);
}

}  // namespace

class WidgetsControlsTest : public QObject {
    Q_OBJECT

private slots:
    void switchShapesFollowStateAndOrientation() {
        ToggleSwitch toggle;
        QCOMPARE(toggle.size(), QSize(83, 24));
        MakeUpright(toggle);
        // Unchecked with checkedTop: lever up (head at the top), label field in the lower half.
        ToggleSwitch::Shapes shapes = toggle.CurrentShapes();
        QCOMPARE(shapes.half, -22);
        QCOMPARE(shapes.labelField, QPolygon({{2, 46}, {2, 24}, {16, 24}, {16, 46}}));
        QCOMPARE(shapes.head, QPolygon({{8, 8}, {2, 2}, {16, 2}, {22, 8}}));
        QCOMPARE(shapes.side, QPolygon({{2, 24}, {8, 8}, {2, 2}}));
        QCOMPARE(shapes.leverFace, QPolygon({{8, 8}, {22, 8}, {16, 24}, {2, 24}}));

        toggle.setChecked(true);
        shapes = toggle.CurrentShapes();
        QCOMPARE(shapes.half, 22);
        QCOMPARE(shapes.labelField, QPolygon({{2, 2}, {2, 24}, {16, 24}, {16, 2}}));
        QCOMPARE(shapes.head, QPolygon({{8, 40}, {2, 46}, {16, 46}, {22, 40}}));

        toggle.setCheckedTop(false);  // now checked draws like unchecked did
        QCOMPARE(toggle.CurrentShapes().labelField,
                 QPolygon({{2, 46}, {2, 24}, {16, 24}, {16, 46}}));
    }

    void switchDrawsWhiteCaptionInItsLabelField() {
        ToggleSwitch toggle;
        MakeUpright(toggle);
        const auto whiteRows = [&toggle] {
            const QImage image = toggle.grab().toImage();
            QList<int> rows;
            // Inside the outlines: the lever, head and label field cover all of it.
            for (int y = 3; y < 46; ++y)
                for (int x = 3; x < 16; ++x)
                    if (image.pixelColor(x, y).lightness() >= 0xE0 && !rows.contains(y)) rows << y;
            return rows;
        };
        const QImage unchecked = toggle.grab().toImage();
        QCOMPARE(unchecked.pixelColor(4, 44), QColor(0x80, 0x00, 0x00));  // field: maroon
        QCOMPARE(unchecked.pixelColor(12, 4), QColor(0xC0, 0xC0, 0xC0));  // head at the top
        QList<int> rows = whiteRows();
        QVERIFY(!rows.isEmpty());
        QVERIFY(rows.first() > 24 && rows.last() < 46);

        toggle.setChecked(true);
        const QImage checked = toggle.grab().toImage();
        QCOMPARE(checked.pixelColor(4, 4), QColor(0xFF, 0x00, 0x00));  // field: red, at the top
        QCOMPARE(checked.pixelColor(12, 44), QColor(0xC0, 0xC0, 0xC0));
        rows = whiteRows();
        QVERIFY(!rows.isEmpty());
        QVERIFY(rows.first() > 2 && rows.last() < 24);
    }

    void clickFlipsOnlyOnTheLeversHalf() {
        ToggleSwitch toggle;
        MakeUpright(toggle);
        QStringList events;
        RecordEvents(toggle, events);
        QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(12, 30));  // on the label field
        QCOMPARE(toggle.isChecked(), false);
        QCOMPARE(events, QStringList{"clicked"});
        events.clear();
        QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(12, 21));  // upper half: y < 22
        QCOMPARE(toggle.isChecked(), true);
        QCOMPARE(events, (QStringList{"toggled(on)", "on", "clicked"}));
        events.clear();
        QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(12, 10));  // now the field
        QTest::mouseClick(&toggle, Qt::RightButton, {}, QPoint(12, 40));
        QCOMPARE(toggle.isChecked(), true);
        QTest::mouseClick(&toggle, Qt::LeftButton, {}, QPoint(12, 23));  // lever: y > 22
        QCOMPARE(toggle.isChecked(), false);
    }

    void keysAndCodeFireTheSameEvents() {
        ToggleSwitch toggle;
        QStringList events;
        RecordEvents(toggle, events);
        toggle.show();
        QVERIFY(QTest::qWaitForWindowExposed(&toggle));
        toggle.setFocus();
        QTest::keyClick(&toggle, Qt::Key_Space);
        QCOMPARE(events, (QStringList{"toggled(on)", "on", "clicked"}));
        events.clear();
        QTest::keyClick(&toggle, Qt::Key_Return);
        QTest::keyClick(&toggle, Qt::Key_A);
        QCOMPARE(events, (QStringList{"toggled(off)", "off", "clicked"}));
        events.clear();
        toggle.setChecked(true);
        toggle.setChecked(true);
        QCOMPARE(events, (QStringList{"toggled(on)", "on"}));
    }

    void headHeightMustStayBelowTheField() {
        ToggleSwitch toggle;  // 24 high: the field is 20
        toggle.setHeadHeight(20);
        QCOMPARE(toggle.headHeight(), 6);
        toggle.setHeadHeight(19);
        QCOMPARE(toggle.headHeight(), 19);
        toggle.setHeadHeight(-1);
        QCOMPARE(toggle.headHeight(), 19);
    }

    void ledBlinksFromTheLitPhaseUntilSwitchedOff() {
        Led led;
        led.setInterval(5);
        QSignalSpy steps(&led, &Led::blinked);
        QVERIFY(!led.IsLit());
        led.setValue(true);
        QVERIFY(led.IsLit());
        QVERIFY(steps.wait(1000));
        QVERIFY(!led.IsLit());
        QVERIFY(steps.wait(1000));
        QVERIFY(led.IsLit());

        led.setValue(false);
        QVERIFY(!led.IsLit());
        const auto count = steps.count();
        QTest::qWait(30);
        QCOMPARE(steps.count(), count);

        led.setBlink(false);
        led.setValue(true);
        QVERIFY(!steps.wait(30));
        QVERIFY(led.IsLit());
    }

    void ledKeepsBlinkingInANewColour() {
        Led led;
        led.setInterval(5);
        led.setValue(true);
        QSignalSpy steps(&led, &Led::blinked);
        QVERIFY(steps.wait(1000));
        QVERIFY(!led.IsLit());
        led.setTrueColor(Qt::red);
        QVERIFY(led.IsLit());  // blinking restarts with the lit face
        QCOMPARE(CentreColor(led), QColor(Qt::red));
        QVERIFY(steps.wait(1000));
        QCOMPARE(CentreColor(led), QColor(0xC0, 0xC0, 0xC0));
        QVERIFY(steps.wait(1000));
        QCOMPARE(CentreColor(led), QColor(Qt::red));
    }

    void ledStylesSetSizeAndFillTheFace() {
        const std::pair<Led::Style, QSize> styles[] = {
            {Led::Style::Small, {16, 16}},       {Led::Style::Large, {22, 22}},
            {Led::Style::SquareSmall, {16, 16}}, {Led::Style::SquareLarge, {22, 22}},
            {Led::Style::Vertical, {14, 22}},    {Led::Style::Horizontal, {22, 14}}};
        Led led;
        led.setBlink(false);
        led.setTrueColor(QColor(0xFF, 0x00, 0x00));
        led.setFalseColor(QColor(0x80, 0x00, 0x00));
        for (const auto& [style, size] : styles) {
            led.setLedStyle(style);
            QCOMPARE(led.size(), size);
            led.setValue(false);
            QCOMPARE(CentreColor(led), QColor(0x80, 0x00, 0x00));
            led.setValue(true);
            QCOMPARE(CentreColor(led), QColor(0xFF, 0x00, 0x00));
        }
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::WidgetsControlsTest)
#include "widgets_controls_test.moc"
