#include "ui/widgets/signal_graph.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace tarvok {

namespace {

// Adds a line unless it draws nothing new: a point, or the line just added run back (a stretch
// of runs too short to be seen draws the same edge over and over).
void AddLine(std::vector<QLine>& lines, const QLine& line) {
    if (line.p1() == line.p2()) return;
    if (!lines.empty()) {
        const QLine& last = lines.back();
        if (last == line || (last.p1() == line.p2() && last.p2() == line.p1())) return;
    }
    lines.push_back(line);
}

}  // namespace

SignalGraph::SignalGraph(QWidget* parent) : SignalGraph(0, 0, parent) {}

SignalGraph::SignalGraph(int leftMargin, int bottomMargin, QWidget* parent)
    : QWidget(parent), leftMargin_(leftMargin), bottomMargin_(bottomMargin) {
    // The plot and the margins cover every pixel.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(kDefaultSize);
}

void SignalGraph::setBackgroundColor(const QColor& color) {
    if (color == background_) return;
    background_ = color;
    update();
}

void SignalGraph::setForegroundColor(const QColor& color) {
    if (color == foreground_) return;
    foreground_ = color;
    update();
}

void SignalGraph::setDelay(int steps) {
    delay_ = std::clamp(steps, 0, 0xFFFF);
}

void SignalGraph::setShowSteps(bool show) {
    if (show == showSteps_) return;
    showSteps_ = show;
    if (view_ == View::Saved) update();
}

void SignalGraph::setInverted(bool inverted) {
    if (inverted == inverted_) return;
    inverted_ = inverted;
    update();
}

bool SignalGraph::DrawValue(Scale scale, std::uint64_t count) {
    if (!isEnabled() || count == 0) return false;
    history_.Record(value_, count);
    const std::uint64_t pending = delayCount_ + count;
    if (pending <= static_cast<std::uint64_t>(delay_)) {
        delayCount_ = pending;
        return false;
    }
    delayCount_ = 0;
    view_ = View::Newest;
    scale_ = scale;
    RequestRepaint();
    return true;
}

void SignalGraph::DrawSavedValues(std::uint64_t position, Scale scale) {
    position_ = std::min(position, history_.SavedSteps());
    view_ = position_ == 0 ? View::Blank : View::Saved;
    scale_ = scale;
    RequestRepaint();
}

void SignalGraph::SetScale(Scale scale) {
    scale_ = scale;
    RequestRepaint();
}

void SignalGraph::Clear() {
    history_.Clear();
    delayCount_ = 0;
    view_ = View::Blank;
    RequestRepaint();
}

void SignalGraph::RequestRepaint() {
    // While a repaint is due, asking again costs only this test.
    if (repaintPending_) return;
    repaintPending_ = true;
    update();
}

QFont SignalGraph::StepFont() const {
    QFont stepFont = font();
    stepFont.setPixelSize(std::max(1, height() / 4));
    return stepFont;
}

QFont SignalGraph::LabelFont() {
    QFont labelFont(QStringLiteral("Courier"));
    labelFont.setStyleHint(QFont::TypeWriter);
    labelFont.setPixelSize(11);
    return labelFont;
}

SignalGraph::Trace SignalGraph::CurrentTrace() const {
    Trace trace;
    int x = width() - 1;
    if (view_ == View::Blank || history_.Empty() || x <= leftMargin_) return trace;

    SignalHistory::Moment start;
    std::uint64_t endStep = history_.SavedSteps();
    if (view_ == View::Saved) {
        start = history_.Locate(position_);
        endStep = position_;
    }
    // From the run at the right edge back, until the plot is full or the history ends. The
    // walk covers at most the plot's width in steps (plus one run), so XAt cannot overflow.
    std::uint64_t back = 0;  // shown steps from the right edge to the end of the run
    const int plotBottom = height() - bottomMargin_ - 1;
    const int lowY = qRound(0.9 * plotBottom);
    const int highY = qRound(0.1 * plotBottom);
    int penY = 0;
    for (std::size_t age = start.age; age < history_.RunCount() && x > leftMargin_; ++age) {
        const SignalHistory::Run& run = history_.AtAge(age);
        const std::uint64_t stepsAfter = age == start.age ? start.stepsAfter : 0;
        const std::uint64_t steps = run.steps - stepsAfter;
        const auto endBack =
            static_cast<std::int64_t>(back) - static_cast<std::int64_t>(stepsAfter);
        back += steps;
        const auto left = static_cast<int>(std::max<std::int64_t>(leftMargin_, XAt(back)));
        const int y = ((run.level & 1) != 0) != inverted_ ? highY : lowY;
        if (age != start.age && y != penY) AddLine(trace.lines, QLine(x, penY, x, y));
        AddLine(trace.lines, QLine(x, y, left, y));
        AddRunTexts(trace, {run, left, x, endBack, endStep});
        x = left;
        penY = y;
        endStep -= steps;
    }
    return trace;
}

void SignalGraph::AddRunTexts(Trace& trace, const PlacedRun& placed) const {
    // Runs too narrow to show are many when zoomed out: they are skipped before any text work.
    if (view_ != View::Saved || !showSteps_ || placed.right - placed.left < 2) return;
    const QString text = QString::number(placed.endStep) + QStringLiteral("->");
    const QFontMetrics metrics(StepFont());
    const int textWidth = metrics.horizontalAdvance(text);
    if (textWidth >= placed.right - placed.left) return;
    trace.texts.push_back({QPoint(placed.right - textWidth, (height() - metrics.height()) / 2),
                           text, Text::Kind::StepCount});
}

void SignalGraph::PaintMargins(QPainter&) const {}

void SignalGraph::paintEvent(QPaintEvent*) {
    repaintPending_ = false;
    QPainter painter(this);
    painter.fillRect(QRect(leftMargin_, 0, width() - leftMargin_, height() - bottomMargin_),
                     background_);
    PaintMargins(painter);

    const Trace trace = CurrentTrace();
    painter.setPen(foreground_);
    painter.drawLines(trace.lines.data(), static_cast<int>(trace.lines.size()));
    const QFont fonts[] = {StepFont(), LabelFont()};
    for (const Text& text : trace.texts) {
        const bool stepCount = text.kind == Text::Kind::StepCount;
        painter.setFont(fonts[stepCount ? 0 : 1]);
        painter.setPen(stepCount ? foreground_ : palette().color(QPalette::ButtonText));
        painter.drawText(text.topLeft + QPoint(0, painter.fontMetrics().ascent()), text.text);
    }
}

ScaledSignalGraph::ScaledSignalGraph(QWidget* parent) : ScaledSignalGraph(0, parent) {}

ScaledSignalGraph::ScaledSignalGraph(int bottomMargin, QWidget* parent)
    : SignalGraph(48, bottomMargin, parent) {}

void ScaledSignalGraph::setTopText(const QString& text) {
    StoreText(topText_, text);
}

void ScaledSignalGraph::setBottomText(const QString& text) {
    StoreText(bottomText_, text);
}

void ScaledSignalGraph::StoreText(QString& slot, const QString& text) {
    const QString padded = (QStringLiteral("     ") + text).right(5);
    if (padded == slot) return;
    slot = padded;
    update();
}

void ScaledSignalGraph::PaintText(QPainter& painter, int x, int y, const QString& text) {
    painter.setFont(LabelFont());
    painter.drawText(QPoint(x, y + painter.fontMetrics().ascent()), text);
}

void ScaledSignalGraph::PaintMargins(QPainter& painter) const {
    const int plotHeight = height() - BottomMargin();
    painter.fillRect(QRect(0, 0, LeftMargin(), plotHeight), palette().color(QPalette::Button));
    painter.setPen(palette().color(QPalette::ButtonText));
    PaintText(painter, 0, 0, topText_);
    PaintText(painter, 0, std::max(0, plotHeight - 12), bottomText_);
}

}  // namespace tarvok
