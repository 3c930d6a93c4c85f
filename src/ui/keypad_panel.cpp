#include "ui/keypad_panel.h"

#include <QGridLayout>

namespace tarvok {

namespace {

// Grid columns: Break and Clear, a gap, the function keys T/F1/F2/F3, a gap, the data keys, a
// gap, the two columns of function keys S R A + and L G D -.
constexpr int kSpecialColumn = 0;
int GridColumn(int keypadColumn) {
    if (keypadColumn == 0) return 2;
    if (keypadColumn <= 4) return 3 + keypadColumn;
    return 4 + keypadColumn;
}
constexpr int kGapColumns[] = {1, 3, 8};

}  // namespace

KeypadPanel::KeypadPanel(QWidget* parent) : QFrame(parent) {
    setToolTip(QStringLiteral("Tastatur"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(4);
    for (const int gap : kGapColumns)
        layout->setColumnMinimumWidth(gap, 6);

    for (int i = 0; i < kKeypadKeyCount; ++i) {
        const auto key = static_cast<KeypadKey>(i);
        auto* button = new KeypadButton(key, this);
        buttons_[static_cast<std::size_t>(i)] = button;
        connect(button, &KeypadButton::ButtonPressed, this, &KeypadPanel::KeyPressed);
        connect(button, &KeypadButton::ButtonReleased, this, &KeypadPanel::KeyReleased);
        const KeypadCell cell = KeypadKeyCell(key);
        if (cell.inMatrix) {
            layout->addWidget(button, Keypad::kRows - 1 - cell.row, GridColumn(cell.column));
        } else {
            layout->addWidget(button, key == KeypadKey::Break ? 0 : Keypad::kRows - 1,
                              kSpecialColumn);
        }
    }
}

}  // namespace tarvok
