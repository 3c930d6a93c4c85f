// The debugger windows as the main window offers them: the "Speicherfenster" menu and the speed
// buttons, the disassembly window, hiding during remote operation, and a run that stops at a
// breakpoint set in a memory window.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "debugger_support.h"
#include "ui/debugger/cpu_window.h"
#include "ui/debugger/disassembly_window.h"
#include "ui/debugger/memory_window.h"
#include "ui_support.h"

namespace tarvok {

namespace {

using test::AnswerMessageBox;
using test::CellText;
using test::ModalDriver;
using test::SeenMessage;

void Load(Machine& machine, Address address, std::initializer_list<Byte> bytes) {
    for (const Byte byte : bytes)
        machine.Decoder().Write(address++, byte);
}

}  // namespace

class DebuggerWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void menuItemsOpenTheirWindows() {
        const auto main = test::MakeMainWindow();
        const MainCommands& c = main->Commands();
        DebuggerWindows& debugger = main->Debugger();
        for (qsizetype i = 1; i < c.memoryWindowItems.size(); ++i)
            c.memoryWindowItems[i]->trigger();
        c.memoryWindowItems[1]->trigger();
        c.speedButtons[MainCommands::kProgramMemoryButton]->trigger();
        QStringList windows;
        for (MemoryWindow* window : debugger.MemoryWindows()) {
            windows << QStringLiteral("%1 %2-%3 %4")
                           .arg(window->windowTitle(), HexText(window->Model().First(), 4),
                                HexText(window->Model().Last(), 4))
                           .arg(window->BinaryButton()->isEnabled());
        }
        QCOMPARE(windows, (QStringList{"Speicherfenster (gesamter Speicher) 0000-FFFF 0",
                                       "Speicherfenster (7-Segment-Anzeige) F020-F02F 1",
                                       "Speicherfenster (parallele Schnittstelle) F000-F003 1",
                                       "Speicherfenster (serielle Schnittstelle) F008-F00B 1",
                                       "Speicherfenster (Programmspeicher) 0400-1FFF 1",
                                       "Speicherfenster (ROM) E000-FFFF 1",
                                       "Speicherfenster (Tastatur) F010-F017 1",
                                       "Speicherfenster (Timer) F018-F01F 1",
                                       "Speicherfenster (Zero Page) 0000-00FF 1",
                                       "Speicherfenster (gesamter Speicher) 0000-FFFF 0",
                                       "Speicherfenster (Programmspeicher) 0400-1FFF 1"}));
        debugger.MemoryWindows().first()->close();
        QTRY_COMPARE(debugger.MemoryWindows().size(), 10);

        c.memoryWindowItems[0]->trigger();
        c.speedButtons[MainCommands::kDisassemblerButton]->trigger();
        QCOMPARE(debugger.DisassemblyWindows().size(), 2);
        QCOMPARE(debugger.DisassemblyWindows()[1]->StartField()->text(), QStringLiteral("0400"));

        // Remote operation hides every debugger window and shows them again afterwards.
        c.cpuWindow->trigger();
        QList<QWidget*> all(debugger.MemoryWindows().begin(), debugger.MemoryWindows().end());
        all << debugger.DisassemblyWindows()[0] << debugger.DisassemblyWindows()[1]
            << debugger.Cpu();
        main->SetLocalOperation(false);
        for (const QWidget* window : all)
            QVERIFY2(!window->isVisible(), qPrintable(window->windowTitle()));
        main->SetLocalOperation(true);
        for (const QWidget* window : all)
            QVERIFY2(window->isVisible(), qPrintable(window->windowTitle()));
    }

    void disassemblyListsFromTheTypedAddress() {
        const auto main = test::MakeMainWindow();
        Machine& machine = main->Board();
        Load(machine, 0x0400, {0x20, 0xFE, 0x34, 0x16, 0xA6, 0x9F, 0x01, 0xA0});
        Load(machine, 0x1A00, {0x10, 0x20, 0x1F});
        DisassemblyWindow* window = main->Debugger().ShowDisassemblyWindow(kDisassemblyStart);
        QCOMPARE(window->windowTitle(), QStringLiteral("Speicherfenster (disassembliert)"));
        const QStringList lines = window->Listing()->toPlainText().split('\n');
        QCOMPARE(lines.mid(0, 3), (QStringList{"0400: 20 FE          BRA   -2; $0400",
                                               "0402: 34 16          PSHS  X,B,A,",
                                               "0404: A6 9F 01 A0    LDA   [$ 1a0]"}));
        QCOMPARE(lines.last(), QStringLiteral("0BFE: 00 00          NEG   <$00"));

        // Memory changes wait for "Aktualisieren".
        Load(machine, 0x0400, {0x12});
        QVERIFY(window->Listing()->toPlainText().startsWith("0400: 20 FE"));
        window->RefreshButton()->click();
        QVERIFY(window->Listing()->toPlainText().startsWith("0400: 12             NOP"));

        ModalDriver driver;
        SeenMessage seen;
        driver.Then(AnswerMessageBox(&seen, QMessageBox::Ok));
        test::TypeAddress(window->StartField(), "12G4");
        QCOMPARE(seen.caption, QStringLiteral("Fehlerhafter Eingabewert!"));
        QCOMPARE(seen.text,
                 QStringLiteral("Bei dem von Ihnen eingegebenen Wert (12G4) handelt es sich nicht "
                                "um eine vierstellige Speicheradresse im hexadezimalen Format!"));
        QCOMPARE(window->Start(), Address{0x0400});
        test::TypeAddress(window->StartField(), "1a00");
        QCOMPARE(window->StartField()->text(), QStringLiteral("1A00"));
        QCOMPARE(
            window->Listing()->toPlainText().split('\n').mid(0, 2),
            (QStringList{"1A00: 10 20          ?????", "1A01: 20 1F          BRA   +31; $1A22"}));
        QCOMPARE(driver.Unexpected(), 0);

        DisassemblyWindow lonely(nullptr, 0x1234);
        QCOMPARE(lonely.StartField()->text(), QStringLiteral("1234"));
        lonely.RefreshButton()->click();
        QCOMPARE(lonely.Listing()->toPlainText(), QString());
    }

    // A program writes memory in a loop while a memory window and the CPU window watch; the
    // breakpoint comes from the memory window.
    void runStopsAtABreakpointSetInAMemoryWindow() {
        const auto main = test::MakeMainWindow();
        main->show();
        Machine& machine = main->Board();
        // $0400: INCA, STA $0500, BRA $0400
        Load(machine, 0x0400, {0x4C, 0xB7, 0x05, 0x00, 0x20, 0xFA});
        machine.Cpu().SetA(0);
        machine.Cpu().SetPC(0x0400);
        main->Commands().cpuWindow->trigger();
        main->Commands().speedButtons[MainCommands::kProgramMemoryButton]->trigger();
        MemoryWindow* memory = main->Debugger().MemoryWindows().first();
        StringGrid* grid = memory->Grid();
        StringGrid* registers = main->Debugger().Cpu()->RegisterGrid();

        main->Commands().start->trigger();
        QTRY_VERIFY(machine.Cpu().A() > 3);
        QTRY_VERIFY(CellText(grid, 32, 1) != QStringLiteral("00"));
        QTRY_VERIFY(CellText(registers, 0, 2) != QStringLiteral("00"));
        test::TypeAddress(memory->GoToField(), "0404");
        memory->BreakpointButton()->click();
        QCOMPARE(CellText(grid, 0, 5), QStringLiteral("20*"));
        QTRY_VERIFY(!machine.SystemRunning());
        QCOMPARE(machine.Cpu().PC(), Address{0x0404});
        const QString a = HexText(machine.Cpu().A(), 2);
        QCOMPARE(CellText(registers, 3, 2), QStringLiteral("0404"));
        QCOMPARE(CellText(registers, 0, 2), a);
        QTRY_COMPARE(CellText(grid, 32, 1), a);
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::DebuggerWindowsTest)
#include "debugger_windows_test.moc"
