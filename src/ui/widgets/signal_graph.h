#pragma once

#include <QColor>
#include <QFont>
#include <QLine>
#include <QPoint>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <vector>

#include "ui/widgets/signal_history.h"

namespace tarvok {

// A digital signal drawn as a level-over-time line, newest step at the right edge. The owner sets
// the current value and calls DrawValue once per time step (or once per run of steps); the graph
// keeps the history (SignalHistory) and can also show any earlier stretch of it
// (DrawSavedValues).
//
// Drawing happens only when Qt paints: DrawValue records and at most asks for one repaint, so a
// graph that is fed much faster than the screen refreshes costs little more than the recording.
class SignalGraph : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)
    Q_PROPERTY(QColor foregroundColor READ foregroundColor WRITE setForegroundColor)
    Q_PROPERTY(int delay READ delay WRITE setDelay)
    Q_PROPERTY(bool value READ value WRITE setValue)
    Q_PROPERTY(bool showSteps READ showSteps WRITE setShowSteps)
    Q_PROPERTY(bool inverted READ inverted WRITE setInverted)

public:
    static constexpr QSize kDefaultSize{340, 40};

    // Horizontal scale: `pixels` pixels for every `steps` steps.
    struct Scale {
        std::uint16_t pixels = 1;
        std::uint16_t steps = 1;

        std::uint64_t Width(std::uint64_t count) const {
            return count * pixels / (steps == 0 ? 1 : steps);
        }
    };

    // What the plot shows: its lines and texts, in widget coordinates.
    struct Text {
        enum class Kind { StepCount, Label };
        QPoint topLeft;
        QString text;
        Kind kind = Kind::StepCount;
    };
    struct Trace {
        std::vector<QLine> lines;
        std::vector<Text> texts;
    };

    explicit SignalGraph(QWidget* parent = nullptr);

    QColor backgroundColor() const { return background_; }
    QColor foregroundColor() const { return foreground_; }
    int delay() const { return delay_; }
    bool value() const { return (value_ & 1) != 0; }
    bool showSteps() const { return showSteps_; }
    bool inverted() const { return inverted_; }

    void setBackgroundColor(const QColor& color);
    void setForegroundColor(const QColor& color);
    // How many recorded steps pass between two redraws of the newest state (0 to 65535).
    void setDelay(int steps);
    // The level that the next recorded steps get.
    void setValue(bool level) { value_ = level ? 1 : 0; }
    // Write the step counts at the run edges when showing saved values.
    void setShowSteps(bool show);
    // Draw level 0 at the top.
    void setInverted(bool inverted);

    // Records `count` steps of the current value and, when at least `delay` + 1 steps have been
    // recorded since the last redraw, shows the newest state at `scale` (redrawn at the next
    // paint). Returns whether it asked for the redraw. A disabled graph records nothing.
    bool DrawValue(Scale scale, std::uint64_t count = 1);
    // Shows the history so that the right edge is the moment `position` steps after the oldest
    // stored step (the newest state when beyond it; an empty plot at 0).
    void DrawSavedValues(std::uint64_t position, Scale scale);
    // Shows what is on show (the newest state or the saved stretch) at a new scale.
    void SetScale(Scale scale);
    // Empties the history and the plot.
    void Clear();

    std::uint64_t SavedSteps() const { return history_.SavedSteps(); }
    const SignalHistory& History() const { return history_; }
    // The lines and texts of the plot as the next paint draws them.
    Trace CurrentTrace() const;

    QSize sizeHint() const override { return kDefaultSize; }

protected:
    // One run as it lands on the plot: it spans x from `left` to `right`; its end lies `endBack`
    // steps left of the right edge (negative when part of the run is beyond the edge);
    // `endStep` counts the steps from the oldest stored one to the run's end.
    struct PlacedRun {
        SignalHistory::Run run;
        int left = 0;
        int right = 0;
        std::int64_t endBack = 0;
        std::uint64_t endStep = 0;
    };

    SignalGraph(int leftMargin, int bottomMargin, QWidget* parent);

    void paintEvent(QPaintEvent* event) override;
    // Fills and labels the margins around the plot.
    virtual void PaintMargins(QPainter& painter) const;
    // Adds the texts that belong to a run: the step count at its right end in saved views.
    virtual void AddRunTexts(Trace& trace, const PlacedRun& placed) const;

    void SetMark(std::uint16_t mark) { value_ = mark; }
    std::uint16_t Mark() const { return value_; }
    int LeftMargin() const { return leftMargin_; }
    int BottomMargin() const { return bottomMargin_; }
    Scale CurrentScale() const { return scale_; }
    // The x of the moment `stepsBack` (>= 0) steps left of the right edge. Every moment is placed
    // from its distance to the edge, so runs narrower than a pixel still add up to the right
    // width when zoomed out.
    std::int64_t XAt(std::uint64_t stepsBack) const {
        return width() - 1 - static_cast<std::int64_t>(scale_.Width(stepsBack));
    }
    // The font of margin texts and labels.
    static QFont LabelFont();

private:
    enum class View { Blank, Newest, Saved };

    void RequestRepaint();
    QFont StepFont() const;

    int leftMargin_ = 0;
    int bottomMargin_ = 0;
    QColor background_{0xFF, 0xFF, 0xFF};
    QColor foreground_{0x00, 0x00, 0x00};
    int delay_ = 0;
    std::uint16_t value_ = 0;
    bool showSteps_ = true;
    bool inverted_ = false;

    SignalHistory history_;
    std::uint64_t delayCount_ = 0;  // steps recorded since the last redraw
    View view_ = View::Blank;
    Scale scale_;
    std::uint64_t position_ = 0;
    bool repaintPending_ = false;
};

// A signal graph with a left margin that names the two levels ("+12 V", "-12 V").
class ScaledSignalGraph : public SignalGraph {
    Q_OBJECT
    Q_PROPERTY(QString topText READ topText WRITE setTopText)
    Q_PROPERTY(QString bottomText READ bottomText WRITE setBottomText)

public:
    explicit ScaledSignalGraph(QWidget* parent = nullptr);

    QString topText() const { return topText_; }
    QString bottomText() const { return bottomText_; }
    // The texts keep their last five characters, padded with blanks in front to five.
    void setTopText(const QString& text);
    void setBottomText(const QString& text);

protected:
    ScaledSignalGraph(int bottomMargin, QWidget* parent);

    void PaintMargins(QPainter& painter) const override;
    // Writes `text` in the label font with its top left corner at (x, y).
    static void PaintText(QPainter& painter, int x, int y, const QString& text);

private:
    void StoreText(QString& slot, const QString& text);

    QString topText_;
    QString bottomText_;
};

// The graph of a serial line. Its mark word holds the line level (bit 0) and what the bit on the
// line is: start bit (bit 1), parity bit (bit 2), stop bit (bit 3), break (bit 4); bit 5 marks
// the first bit of a character, whose code is in bits 6-13. Two rows under the plot name each
// bit cell of 30 steps ("Sta", "P", "Sto", "B", or the level "0"/"1") and show each character's
// code in hexadecimal under its start bit.
class TxdSignalGraph : public ScaledSignalGraph {
    Q_OBJECT
    Q_PROPERTY(int mark READ mark WRITE setMark)

public:
    static constexpr int kStepsPerCell = 30;
    enum MarkBit : std::uint16_t {
        kLine = 0x01,
        kStartBit = 0x02,
        kParityBit = 0x04,
        kStopBit = 0x08,
        kBreak = 0x10,
        kCharacterStart = 0x20,
    };
    static constexpr int kCodeShift = 6;

    explicit TxdSignalGraph(QWidget* parent = nullptr);

    int mark() const { return Mark(); }
    void setMark(int mark) { SetMark(static_cast<std::uint16_t>(mark)); }

    // The texts of one bit cell in the Bit and the Hex row (the latter empty unless the cell
    // starts a character).
    static QString BitText(std::uint16_t mark);
    static QString HexText(std::uint16_t mark);

protected:
    void PaintMargins(QPainter& painter) const override;
    void AddRunTexts(Trace& trace, const PlacedRun& placed) const override;
};

}  // namespace tarvok
