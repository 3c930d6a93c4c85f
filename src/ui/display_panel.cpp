#include "ui/display_panel.h"

#include <QHBoxLayout>

namespace tarvok {

DisplayPanel::DisplayPanel(QWidget* parent) : QFrame(parent) {
    setToolTip(QStringLiteral("7-Segment-Anzeige"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setAutoFillBackground(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 8, 10, 8);
    layout->setSpacing(0);
    for (int index = SevenSegmentDisplay::kDigits - 1; index >= 0; --index) {
        auto* digit = new SevenSegmentDigit(this);
        digit->SetValue(0);
        const auto address = [](int a) { return QString::number(a, 16).toUpper(); };
        digit->setToolTip(QStringLiteral("Anzeigenstelle S%1 ($%2 / $%3)")
                              .arg(index)
                              .arg(address(0xF020 + index), address(0xF028 + index)));
        digits_[static_cast<std::size_t>(index)] = digit;
        layout->addWidget(digit);
    }
}

void DisplayPanel::ShowDisplay(const SevenSegmentState& display) {
    for (int index = 0; index < SevenSegmentDisplay::kDigits; ++index) {
        const auto n = static_cast<std::size_t>(index);
        digits_[n]->SetValue(static_cast<std::uint16_t>(
            display.memory[n + SevenSegmentDisplay::kDigits] << 8 | display.memory[n]));
    }
}

}  // namespace tarvok
