#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

#include "ui/widgets/signal_graph.h"

namespace tarvok {

namespace {

constexpr int kRowHeight = 12;

}  // namespace

TxdSignalGraph::TxdSignalGraph(QWidget* parent) : ScaledSignalGraph(32, parent) {}

QString TxdSignalGraph::BitText(std::uint16_t mark) {
    if (mark & kStartBit) return QStringLiteral("Sta");
    if (mark & kParityBit) return QStringLiteral("P");
    if (mark & kStopBit) return QStringLiteral("Sto");
    if (mark & kBreak) return QStringLiteral("B");
    return (mark & kLine) ? QStringLiteral("1") : QStringLiteral("0");
}

QString TxdSignalGraph::HexText(std::uint16_t mark) {
    if (!(mark & kCharacterStart)) return {};
    return QStringLiteral("%1").arg((mark >> kCodeShift) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
}

void TxdSignalGraph::PaintMargins(QPainter& painter) const {
    painter.fillRect(QRect(0, height() - BottomMargin(), width(), BottomMargin()),
                     palette().color(QPalette::Button));
    ScaledSignalGraph::PaintMargins(painter);
    PaintText(painter, 0, std::max(0, height() - 2 * kRowHeight), QStringLiteral("Bit:"));
    PaintText(painter, 0, std::max(0, height() - kRowHeight), QStringLiteral("Hex:"));
}

void TxdSignalGraph::AddRunTexts(Trace& trace, const PlacedRun& placed) const {
    // Cells narrower than a pixel get no labels.
    const std::int64_t cells = placed.run.steps / kStepsPerCell;
    if (CurrentScale().Width(kStepsPerCell) == 0 || cells == 0) return;
    const QFontMetrics metrics(LabelFont());
    // Writes `text` centred in the cell, or from its left or top edge where it does not fit.
    const auto addCentred = [&](const QRect& box, const QString& text) {
        if (text.isEmpty()) return;
        const int x = box.left() + std::max(0, (box.width() - metrics.horizontalAdvance(text)) / 2);
        const int y = box.top() + std::max(0, (box.height() - metrics.height()) / 2);
        trace.texts.push_back({QPoint(x, y), text, Text::Kind::Label});
    };
    const QString bitText = BitText(placed.run.level);
    const QString hexText = HexText(placed.run.level);

    // Cells count from the run's own end, which lies beyond the right edge when part of the run
    // is not shown, so that the labels stay under their bits while scrolling.
    const int bitRow = std::max(0, height() - 2 * kRowHeight);
    const int hexRow = std::max(0, height() - kRowHeight);
    const std::int64_t hidden = std::max<std::int64_t>(0, -placed.endBack);
    for (std::int64_t cell = (hidden + kStepsPerCell - 1) / kStepsPerCell; cell < cells; ++cell) {
        const auto cellEnd = static_cast<std::uint64_t>(placed.endBack + cell * kStepsPerCell);
        const std::int64_t left = XAt(cellEnd + kStepsPerCell);
        if (left < LeftMargin()) break;
        const int cellWidth = static_cast<int>(XAt(cellEnd) - left);
        addCentred(QRect(static_cast<int>(left), bitRow, cellWidth, kRowHeight), bitText);
        addCentred(QRect(static_cast<int>(left), hexRow, cellWidth, kRowHeight), hexText);
    }
}

}  // namespace tarvok
