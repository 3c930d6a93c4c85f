#pragma once

#include <QFrame>
#include <array>

#include "devices/seven_segment.h"
#include "ui/widgets/seven_segment_digit.h"

namespace tarvok {

// The eight digits S7 (left) to S0 (right) on a black panel.
class DisplayPanel : public QFrame {
    Q_OBJECT

public:
    explicit DisplayPanel(QWidget* parent = nullptr);

    // Sets every digit from the display memory; digits whose value is unchanged are not redrawn.
    void ShowDisplay(const SevenSegmentState& display);
    SevenSegmentDigit* Digit(int index) const { return digits_[static_cast<std::size_t>(index)]; }

private:
    std::array<SevenSegmentDigit*, SevenSegmentDisplay::kDigits> digits_{};
};

}  // namespace tarvok
