// Stepping through the keys F7, F8, Shift+F8 and F4, labels in the debugger windows, "Gehe zu"
// with a label, opening an assembler source, and the speed ladder.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QtTest>

#include "debugger_support.h"
#include "ui/debugger/cpu_window.h"
#include "ui/debugger/disassembly_window.h"
#include "ui/debugger/memory_window.h"
#include "ui/output_field.h"
#include "ui/run_loop.h"
#include "ui_support.h"

namespace tarvok {

namespace {

constexpr const char* kProgram = R"(
        ORG     $0400
START   LDS     #$1F00
        LDB     #3
MAIN    BSR     TWICE
AFTER   STB     $0300
DONE    BRA     DONE
TWICE   ASLB
        RTS
)";

// A shown main window with kProgram opened from its source; PC at START.
struct Board {
    Board() {
        QVERIFY(folder.isValid());
        const QString source = folder.filePath(QStringLiteral("prog.asm"));
        test::WriteText(source, kProgram);
        main->show();
        main->OpenProgram(source);
        Machine& machine = main->Board();
        machine.Cpu().SetPC(At("START"));
    }
    Address At(const char* label) const { return *main->Symbols().AddressOf(label); }
    Machine& M() { return main->Board(); }
    // Makes `window` the active one and presses `key` there.
    static void Press(QWidget* window, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QApplication::setActiveWindow(window);
        QTest::keyClick(window, static_cast<Qt::Key>(key), modifiers);
    }

    QTemporaryDir folder;
    std::unique_ptr<MainWindow> main = test::MakeMainWindow();
};

}  // namespace

class SteppingCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void functionKeysStepStepOverStepOutAndRunToTheCursor() {
        Board board;
        Mc6809& cpu = board.M().Cpu();
        Board::Press(board.main.get(), Qt::Key_F7);
        QCOMPARE(cpu.PC(), Address(board.At("START") + 4));
        Board::Press(board.main.get(), Qt::Key_F7);
        QCOMPARE(cpu.PC(), board.At("MAIN"));
        Board::Press(board.main.get(), Qt::Key_F8);  // over the call
        QCOMPARE(cpu.PC(), board.At("AFTER"));
        QCOMPARE(cpu.B(), Byte{6});
        QVERIFY(!board.M().SystemRunning());

        cpu.SetPC(board.At("MAIN"));
        Board::Press(board.main.get(), Qt::Key_F7);  // into the call
        QCOMPARE(cpu.PC(), board.At("TWICE"));
        Board::Press(board.main.get(), Qt::Key_F8, Qt::ShiftModifier);  // out of it
        QCOMPARE(cpu.PC(), board.At("AFTER"));

        // F4 in the disassembly window runs to the line with the cursor; a label line means the
        // instruction it names.
        DisassemblyWindow* listing = board.main->Debugger().ShowDisassemblyWindow(0x0400);
        const QString text = listing->Listing()->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("START:\n0400: ")), qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("BSR   +5; TWICE")), qPrintable(text));
        const QTextBlock doneLine =
            listing->Listing()->document()->find(QStringLiteral("DONE:")).block();
        QVERIFY(doneLine.isValid());
        QTextCursor cursor(doneLine);
        listing->Listing()->setTextCursor(cursor);
        QCOMPARE(listing->CursorAddress(), std::optional<Address>(board.At("DONE")));
        Board::Press(listing, Qt::Key_F4);
        QCOMPARE(board.main->Debugger().CursorAddress(), std::optional<Address>(board.At("DONE")));
        QCOMPARE(cpu.PC(), board.At("DONE"));
        QCOMPARE(board.M().Decoder().Read(0x0300), Byte{12});  // TWICE ran twice
    }

    void labelsShowInTheWindowsAndGoToTakesThem() {
        Board board;
        MemoryWindow* memory =
            board.main->Debugger().ShowMemoryWindow(kMemoryWindowRanges[kProgramMemoryRange]);
        test::TypeAddress(memory->GoToField(), QStringLiteral("twice"));
        QTest::keyClick(memory->GoToField(), Qt::Key_Return);
        QCOMPARE(memory->CurrentAddress(), board.At("TWICE"));
        QCOMPARE(memory->LabelText(), QStringLiteral("TWICE"));
        QCOMPARE(memory->StatusTexts().first(),
                 QStringLiteral("$%1").arg(board.At("TWICE"), 4, 16, QLatin1Char('0')).toUpper());
        test::TypeAddress(memory->GoToField(), QStringLiteral("0401"));  // hex acts at once
        QCOMPARE(memory->LabelText(), QStringLiteral("START+1"));

        board.main->Debugger().ShowCpuWindow(true);
        CpuWindow* cpu = board.main->Debugger().Cpu();
        QVERIFY(cpu != nullptr);
        QCOMPARE(cpu->PcLabel()->text(), QStringLiteral("PC: START"));
        board.M().Cpu().SetPC(static_cast<Address>(board.At("MAIN") + 1));
        QCOMPARE(cpu->PcLabel()->text(), QStringLiteral("PC: MAIN+1"));
    }

    void aSourceWithAnErrorNamesItsLineAndLoadsNothing() {
        Board board;
        const QString source = board.folder.filePath(QStringLiteral("bad.asm"));
        test::WriteText(source, "        ORG     $0400\n        LDA     #1\n        FOO     2\n");
        const Byte before = board.M().Decoder().Read(0x0402);
        board.main->OpenProgram(source);
        const auto& lines = board.M().Messages().Lines();
        bool named = false;
        for (const std::string& line : lines)
            named = named || line.find("bad.asm:3:") != std::string::npos;
        QVERIFY(named);
        QVERIFY(lines.back().find("mit 1 Fehler(n) abgebrochen") != std::string::npos);
        QCOMPARE(board.M().Decoder().Read(0x0402), before);
        QVERIFY(board.main->Symbols().AddressOf("TWICE").has_value());  // the old labels stay
    }

    void aLongStepOverRunsInSlicesUntilStopped() {
        Board board;
        Machine& machine = board.M();
        // MAIN calls an endless loop: the step over cannot end by itself.
        machine.Decoder().Write(board.At("TWICE"), 0x20);
        machine.Decoder().Write(static_cast<Address>(board.At("TWICE") + 1), 0xFE);
        machine.Cpu().SetPC(board.At("MAIN"));
        machine.Cpu().SetS(0x1F00);
        board.main->Commands().stepOver->trigger();
        QVERIFY(machine.SystemRunning());
        QVERIFY(board.main->Runner().Stepping());
        QVERIFY(!board.main->Commands().step->isEnabled());
        const std::uint64_t cycles = machine.TotalCycles();
        QTRY_VERIFY(machine.TotalCycles() > cycles + 10000);
        board.main->Commands().stop->trigger();
        QVERIFY(!machine.SystemRunning());
        QVERIFY(!board.main->Runner().Stepping());
        QVERIFY(board.main->Commands().step->isEnabled());
    }

    void theSpeedLadderPacesAndTheStatusBarShowsTheSpeed() {
        Board board;
        const MainCommands& c = board.main->Commands();
        QCOMPARE(c.speeds.size(), 4);
        QVERIFY(c.speeds.last()->isChecked());  // maximum by default
        QCOMPARE(board.main->Runner().SpeedFactor(), 0u);
        c.speeds.first()->trigger();
        QCOMPARE(board.main->Runner().SpeedFactor(), 1u);
        QCOMPARE(board.main->SpeedPanel()->text(), QStringLiteral("– MHz"));
        board.M().SetSystemRunning(true);
        QTRY_VERIFY(board.main->SpeedPanel()->text() != QStringLiteral("– MHz"));
        QVERIFY(board.main->SpeedPanel()->text().endsWith(QStringLiteral(" MHz")));
        board.M().SetSystemRunning(false);
        QCOMPARE(board.main->SpeedPanel()->text(), QStringLiteral("– MHz"));
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::SteppingCommandsTest)
#include "stepping_commands_test.moc"
