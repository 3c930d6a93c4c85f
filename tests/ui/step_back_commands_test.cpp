// Going back through Shift+F7 and "Zurück zum vorigen Breakpoint": the machine and the windows
// return to earlier steps; going back beyond the history is refused in the output field.
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include "debugger_support.h"
#include "ui/debugger/cpu_window.h"
#include "ui/run_loop.h"
#include "ui_support.h"

namespace tarvok {

namespace {

constexpr const char* kProgram = R"(
        ORG     $0400
START   LDS     #$1F00
        CLRA
LOOP    INCA
COUNT   STA     $0300
        BRA     LOOP
)";

}  // namespace

class StepBackCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void shiftF7GoesBackStepByStepAndTheWindowsFollow() {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString source = folder.filePath(QStringLiteral("count.asm"));
        test::WriteText(source, kProgram);
        const auto main = test::MakeMainWindow();
        main->show();
        main->OpenProgram(source);
        Machine& machine = main->Board();
        machine.Cpu().SetPC(*main->Symbols().AddressOf("START"));
        main->Debugger().ShowCpuWindow(true);
        QLabel* pc = main->Debugger().Cpu()->PcLabel();

        QApplication::setActiveWindow(main.get());
        for (int step = 0; step < 8; ++step)
            QTest::keyClick(main.get(), Qt::Key_F7);
        QCOMPARE(pc->text(), QStringLiteral("PC: LOOP"));
        QCOMPARE(machine.Decoder().Read(0x0300), Byte{2});

        QTest::keyClick(main.get(), Qt::Key_F7, Qt::ShiftModifier);
        QCOMPARE(pc->text(), QStringLiteral("PC: COUNT+3"));  // before the branch
        main->Commands().stepBackButtons[0]->trigger();
        QCOMPARE(pc->text(), QStringLiteral("PC: COUNT"));
        QCOMPARE(machine.Cpu().A(), Byte{2});
        QCOMPARE(machine.Decoder().Read(0x0300), Byte{1});  // the store is undone

        // Back at the start, one step more is refused with the reason.
        for (int step = 0; step < 6; ++step)
            main->Commands().stepBack->trigger();
        QCOMPARE(pc->text(), QStringLiteral("PC: START"));
        const std::uint64_t first = machine.TotalSteps();
        main->Commands().stepBack->trigger();
        QCOMPARE(machine.TotalSteps(), first);
        QVERIFY(machine.Messages().Lines().back().starts_with(
            "Schritt zurück nicht möglich: die Vorgeschichte reicht nur bis Schritt"));

        // Forwards to a breakpoint twice, then back to the first stop.
        machine.Decoder().SetBreakpoint(*main->Symbols().AddressOf("COUNT"), true);
        main->Commands().start->trigger();
        QTRY_VERIFY(!machine.SystemRunning());
        main->Commands().start->trigger();
        QTRY_VERIFY(!machine.SystemRunning());
        QCOMPARE(machine.Cpu().A(), Byte{2});
        main->Commands().backToBreakpoint->trigger();
        QCOMPARE(machine.Cpu().A(), Byte{1});
        QCOMPARE(pc->text(), QStringLiteral("PC: COUNT"));
        QVERIFY(main->Commands().stepBack->isEnabled());
        QCOMPARE(main->Commands().stepBack->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F7));
        for (const QAction* button : main->Commands().stepBackButtons)
            QVERIFY2(!button->icon().pixmap(24, 24).isNull(), qPrintable(button->toolTip()));
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::StepBackCommandsTest)
#include "step_back_commands_test.moc"
