#include "ui/devices/device_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QLayout>
#include <QStringList>

namespace tarvok {

DeviceWindow::DeviceWindow(QWidget* parent) : QWidget(parent) {
    // A window of its own that stays with the main window: fixed size, no maximise button.
    setWindowFlags(Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
}

void DeviceWindow::setVisible(bool visible) {
    const bool change = visible != isVisible();
    if (change && !visible) Detach();
    QWidget::setVisible(visible);
    if (!change) return;
    if (visible) Attach();
    emit shownChanged(visible);
}

void DeviceWindow::closeEvent(QCloseEvent* event) {
    Closing();
    event->accept();
}

QLabel* DeviceWindow::ValueLabel(const QString& text) {
    auto* label = new QLabel(text, this);
    label->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    return label;
}

void DeviceWindow::FixSize(QSize least) {
    layout()->activate();
    setFixedSize(layout()->sizeHint().expandedTo(least));
}

QString HexText(Byte value) {
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString BinaryText(Byte value, const QString& separator) {
    QStringList bits;
    for (int bit = 7; bit >= 0; --bit)
        bits << ((value >> bit) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
    return bits.join(separator);
}

QString AddressText(Address address) {
    return QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper();
}

}  // namespace tarvok
