// The signal graphs: the run history, redraw thinning, placement of runs and texts.
#include <QtTest>
#include <algorithm>

#include "ui/widgets/signal_graph.h"
#include "ui/widgets/signal_history.h"

namespace tarvok {

namespace {

using Scale = SignalGraph::Scale;
using Lines = std::vector<QLine>;

// The level lines of a 40 pixel high plot.
constexpr int kHigh = 4;
constexpr int kLow = 35;

void Feed(SignalGraph& graph, bool level, std::uint64_t steps, Scale scale = {}) {
    graph.setValue(level);
    graph.DrawValue(scale, steps);
}

QStringList TextsOf(const SignalGraph::Trace& trace) {
    QStringList texts;
    for (const auto& text : trace.texts)
        texts << text.text;
    return texts;
}

}  // namespace

class WidgetsSignalGraphTest : public QObject {
    Q_OBJECT

private slots:
    void historyExtendsAndOpensRuns() {
        SignalHistory history;
        history.Record(1);  // the first step fills the empty history: one run
        QCOMPARE(history.RunCount(), std::size_t{1});
        QCOMPARE(history.AtAge(0).level, 1);
        history.Record(1, 99);
        history.Record(0, 5);
        QCOMPARE(history.RunCount(), std::size_t{2});
        QCOMPARE(history.AtAge(1).steps, 100u);
        QCOMPARE(history.SavedSteps(), 105u);

        // A run too long for one counter goes on in a second one of the same level.
        history.Record(0, SignalHistory::kMaxRunSteps);
        QCOMPARE(history.RunCount(), std::size_t{3});
        QCOMPARE(history.AtAge(1).steps, SignalHistory::kMaxRunSteps);
        QCOMPARE(history.AtAge(0).steps, 5u);
        QCOMPARE(history.AtAge(0).level, 0);
        QCOMPARE(history.SavedSteps(), 105 + std::uint64_t{SignalHistory::kMaxRunSteps});

        history.Clear();
        QVERIFY(history.Empty());
        QCOMPARE(history.SavedSteps(), 0u);
    }

    void historyRingDropsTheOldestRun() {
        SignalHistory history;
        history.Record(0, 7);
        for (std::size_t run = 1; run < SignalHistory::kCapacity; ++run)
            history.Record(run & 1);
        QCOMPARE(history.RunCount(), SignalHistory::kCapacity);
        QCOMPARE(history.SavedSteps(), 7 + SignalHistory::kCapacity - 1);
        QCOMPARE(history.AtAge(SignalHistory::kCapacity - 1).steps, 7u);

        history.Record(0);  // a change: the 7-step run gives way
        QCOMPARE(history.RunCount(), SignalHistory::kCapacity);
        QCOMPARE(history.SavedSteps(), SignalHistory::kCapacity);
        QCOMPARE(history.AtAge(SignalHistory::kCapacity - 1).steps, 1u);
        QCOMPARE(history.AtAge(SignalHistory::kCapacity - 1).level, 1);
        QCOMPARE(history.AtAge(0).level, 0);
        QCOMPARE(history.Locate(1).age, SignalHistory::kCapacity - 1);
    }

    void historyLocatesSteps() {
        SignalHistory history;
        history.Record(0, 100);
        history.Record(1, 100);
        history.Record(0, 100);
        const auto check = [&history](std::uint64_t step, std::size_t age, std::uint64_t after) {
            const SignalHistory::Moment moment = history.Locate(step);
            QCOMPARE(moment.age, age);
            QCOMPARE(moment.stepsAfter, after);
        };
        check(1, 2, 99);
        check(150, 1, 50);
        check(200, 1, 0);
        check(201, 0, 99);
        check(300, 0, 0);
    }

    void delayThinsOutRedraws() {
        SignalGraph graph;
        graph.setDelay(4);
        QList<int> redrawn;
        for (int call = 1; call <= 10; ++call)
            if (graph.DrawValue({})) redrawn << call;
        QCOMPARE(redrawn, (QList<int>{5, 10}));
        QVERIFY(!graph.DrawValue({}, 4));
        QVERIFY(graph.DrawValue({}, 2));  // a run counts all its steps
        QVERIFY(graph.DrawValue({}, 12));

        graph.setEnabled(false);
        QVERIFY(!graph.DrawValue({}, 100));
        QCOMPARE(graph.SavedSteps(), 28u);
    }

    void newestRunsAreDrawnAtScaleUpToTheLeftEdge() {
        SignalGraph graph;
        Feed(graph, false, 500);
        Feed(graph, true, 100);
        QCOMPARE(graph.CurrentTrace().lines,
                 (Lines{{339, kHigh, 239, kHigh}, {239, kHigh, 239, kLow}, {239, kLow, 0, kLow}}));
        const QImage image = graph.grab().toImage();
        QCOMPARE(image.pixelColor(300, kHigh), QColor(Qt::black));
        QCOMPARE(image.pixelColor(300, kLow), QColor(Qt::white));
        QCOMPARE(image.pixelColor(100, kLow), QColor(Qt::black));

        graph.setInverted(true);
        QCOMPARE(graph.CurrentTrace().lines.front(), QLine(339, kLow, 239, kLow));
        Feed(graph, true, 1, {2, 1});
        QCOMPARE(graph.CurrentTrace().lines.front(), QLine(339, kLow, 137, kLow));
    }

    void runsNarrowerThanAPixelAddUpWhenZoomedOut() {
        SignalGraph graph;
        for (int run = 0; run < 100; ++run)
            Feed(graph, run & 1, 5, {1, 10});
        // 500 steps at a tenth of a pixel each: the oldest run ends 50 pixels left of the edge.
        const Lines lines = graph.CurrentTrace().lines;
        const auto leftmost = std::min_element(lines.begin(), lines.end(), [](auto& a, auto& b) {
            return std::min(a.x1(), a.x2()) < std::min(b.x1(), b.x2());
        });
        QCOMPARE(std::min(leftmost->x1(), leftmost->x2()), 339 - 50);
        QCOMPARE(lines.size(), std::size_t{2 * 50});  // per pixel: a level line and an edge
    }

    void savedValuesEndAtTheGivenStep() {
        SignalGraph graph;
        Feed(graph, false, 100);
        Feed(graph, true, 100);
        Feed(graph, false, 100);
        graph.DrawSavedValues(150, {});
        SignalGraph::Trace trace = graph.CurrentTrace();
        QCOMPARE(
            trace.lines,
            (Lines{{339, kHigh, 289, kHigh}, {289, kHigh, 289, kLow}, {289, kLow, 189, kLow}}));
        QCOMPARE(TextsOf(trace), (QStringList{"150->", "100->"}));
        // Each count ends at its run's right end.
        QVERIFY(trace.texts[0].topLeft.x() > 289 && trace.texts[0].topLeft.x() < 339);
        QVERIFY(trace.texts[1].topLeft.x() > 189 && trace.texts[1].topLeft.x() < 289);

        graph.DrawSavedValues(150, {1, 2});  // the 50 steps of the high run are 25 pixels wide
        QCOMPARE(graph.CurrentTrace().lines.front(), QLine(339, kHigh, 314, kHigh));

        graph.setShowSteps(false);
        graph.DrawSavedValues(1'000'000, {});  // beyond the end: the newest state
        trace = graph.CurrentTrace();
        QCOMPARE(trace.lines.front(), QLine(339, kLow, 239, kLow));
        QVERIFY(trace.texts.empty());

        graph.DrawSavedValues(0, {});
        QVERIFY(graph.CurrentTrace().lines.empty());
    }

    void scaledTextsKeepTheirLastFiveCharacters() {
        ScaledSignalGraph graph;
        graph.setTopText("+12 V");
        graph.setBottomText("abcdefg");
        QCOMPARE(graph.topText(), QString("+12 V"));
        QCOMPARE(graph.bottomText(), QString("cdefg"));
        graph.setTopText("1");
        QCOMPARE(graph.topText(), QString("    1"));
        // The plot starts right of the 48-pixel margin.
        Feed(graph, true, 1000);
        QCOMPARE(graph.CurrentTrace().lines, (Lines{{339, kHigh, 48, kHigh}}));
    }

    void txdCellsNameTheBitsAndTheCode() {
        QCOMPARE(TxdSignalGraph::BitText(0x06), QString("Sta"));
        QCOMPARE(TxdSignalGraph::BitText(0x0D), QString("P"));
        QCOMPARE(TxdSignalGraph::BitText(0x09), QString("Sto"));
        QCOMPARE(TxdSignalGraph::BitText(0x10), QString("B"));
        QCOMPARE(TxdSignalGraph::BitText(0x01), QString("1"));
        QCOMPARE(TxdSignalGraph::BitText(0x00), QString("0"));
        QCOMPARE(TxdSignalGraph::HexText(0x22 | (0xA5 << 6)), QString("A5"));
        QCOMPARE(TxdSignalGraph::HexText(0x02 | (0xA5 << 6)), QString());

        TxdSignalGraph graph;
        graph.resize(340, 80);
        const auto feed = [&graph](int mark, std::uint64_t steps) {
            graph.setMark(mark);
            graph.DrawValue({}, steps);
        };
        feed(0x01, 20);                // idle line: too short for a cell
        feed(0x22 | (0x41 << 6), 30);  // start bit of 'A'
        feed(0x01, 60);                // two data bits at 1
        feed(0x09, 30);                // stop bit, also at 1
        const SignalGraph::Trace trace = graph.CurrentTrace();
        QCOMPARE(TextsOf(trace), (QStringList{"Sto", "1", "1", "Sta", "41"}));
        // "Sta" and "41" sit in the cell from x = 219 to 249, in the Bit and the Hex row.
        const SignalGraph::Text& start = trace.texts[3];
        const SignalGraph::Text& code = trace.texts[4];
        QVERIFY(start.topLeft.x() >= 219 && start.topLeft.x() < 249);
        QVERIFY(code.topLeft.x() >= 219 && code.topLeft.x() < 249);
        QCOMPARE(start.topLeft.y(), 80 - 24);
        QCOMPARE(code.topLeft.y(), 80 - 12);
        // Only the fall into the start bit and the rise after it are edges.
        const int vertical =
            static_cast<int>(std::count_if(trace.lines.begin(), trace.lines.end(),
                                           [](const QLine& line) { return line.dx() == 0; }));
        QCOMPARE(vertical, 2);
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::WidgetsSignalGraphTest)
#include "widgets_signal_graph_test.moc"
