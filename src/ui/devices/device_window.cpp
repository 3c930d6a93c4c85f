#include "ui/devices/device_window.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGridLayout>
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

RegisterRow DeviceWindow::AddRegisterRow(QGridLayout* grid, int line, const QString& name,
                                         const std::optional<QString>& address, bool alignedName) {
    RegisterRow row;
    row.name = alignedName ? ValueLabel(name) : new QLabel(name, this);
    if (address) row.address = new QLabel(*address, this);
    row.hex = ValueLabel();
    row.binary = ValueLabel();
    int column = 0;
    for (QLabel* label : {row.name, row.address, row.hex, row.binary}) {
        if (label != nullptr) grid->addWidget(label, line, column++);
    }
    return row;
}

void DeviceWindow::FixSize(QSize least) {
    layout()->activate();
    setFixedSize(layout()->sizeHint().expandedTo(least));
}

void RegisterRow::Show(Byte value, const QString& separator) const {
    hex->setText(HexText(value, 2));
    binary->setText(BinaryText(value, separator));
}

QString RegisterRow::Text() const {
    QStringList texts;
    for (const QLabel* label : {name, address, hex, binary}) {
        if (label != nullptr) texts << label->text();
    }
    return texts.join(QLatin1Char('|'));
}

QString BinaryText(Byte value, const QString& separator) {
    QStringList bits;
    for (int bit = 7; bit >= 0; --bit)
        bits << ((value >> bit) & 1 ? QStringLiteral("1") : QStringLiteral("0"));
    return bits.join(separator);
}

}  // namespace tarvok
