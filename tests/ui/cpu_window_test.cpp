// The CPU window: its four pages, editing registers, flags and the trace page with the keyboard,
// and following the processor while the system stands still and while it runs.
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

#include "debugger_support.h"
#include "ui/debugger/cell_text.h"
#include "ui/debugger/cpu_window.h"
#include "ui_support.h"

namespace tarvok {

namespace {

using test::CellText;
using test::HeaderTexts;
using test::RowTexts;
using test::Select;
using test::Type;

constexpr int kRowA = 0;
constexpr int kRowD = 2;
constexpr int kRowPC = 3;
constexpr int kRowX = 4;
constexpr int kHex = 2;
constexpr int kDecimal = 3;

QStringList Column(const StringGrid* grid, int column) {
    QStringList cells;
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        cells << CellText(grid, row, column);
    return cells;
}

struct CpuWindowFixture {
    CpuWindowFixture() : main(test::MakeMainWindow()), machine(main->Board()) {
        main->Commands().cpuWindow->trigger();
        window = main->Debugger().Cpu();
    }
    std::unique_ptr<MainWindow> main;
    Machine& machine;
    CpuWindow* window = nullptr;
};

}  // namespace

class CpuWindowTest : public QObject {
    Q_OBJECT

private slots:
    void pagesShowTheProcessor() {
        CpuWindowFixture f;
        QVERIFY(f.main->Commands().cpuWindow->isChecked());
        QCOMPARE(f.window->windowTitle(), QStringLiteral("CPU-Fenster (MC6809)"));
        QTabWidget* pages = f.window->Pages();
        QStringList tabs;
        for (int i = 0; i < pages->count(); ++i)
            tabs << pages->tabText(i);
        QCOMPARE(tabs, (QStringList{"CPU-Register", "Statusregister-Flags", "Interrupt-Eingänge",
                                    "Trace"}));
        Mc6809& cpu = f.machine.Cpu();
        cpu.SetD(0x1234);
        cpu.SetX(0xBEEF);
        cpu.SetCC(0xA5);
        StringGrid* registers = f.window->RegisterGrid();
        QCOMPARE(HeaderTexts(registers), (QStringList{"Reg.", "Bits", "Wert (hex)", "Wert (dez)"}));
        QCOMPARE(Column(registers, 0),
                 (QStringList{"A", "B", "D", "PC", "X", "Y", "U", "S", "DP", "CC"}));
        QCOMPARE(Column(registers, 1),
                 (QStringList{"8", "8", "16", "16", "16", "16", "16", "16", "8", "8"}));
        QCOMPARE(RowTexts(registers, kRowA), (QStringList{"A", "8", "12", "18"}));
        QCOMPARE(RowTexts(registers, kRowD), (QStringList{"D", "16", "1234", "4660"}));
        QCOMPARE(RowTexts(registers, kRowX), (QStringList{"X", "16", "BEEF", "48879"}));
        QCOMPARE(HeaderTexts(f.window->FlagsGrid()),
                 (QStringList{"7", "6", "5", "4", "3", "2", "1", "0"}));
        QCOMPARE(RowTexts(f.window->FlagsGrid(), 0),
                 (QStringList{"E", "F", "H", "I", "N", "Z", "V", "C"}));
        QCOMPARE(RowTexts(f.window->FlagsGrid(), 1),
                 (QStringList{"1", "0", "1", "0", "0", "1", "0", "1"}));

        StringGrid* inputs = f.window->InterruptsGrid();
        QCOMPARE(HeaderTexts(inputs), (QStringList{"Eingang", "Pegel", "Interruptanfrage"}));
        QCOMPARE(RowTexts(inputs, 1), (QStringList{"IRQ", "high", "nein"}));
        int device = 0;
        cpu.SetInterruptInput(&device, 0, kIrqInput, false);
        QCOMPARE(RowTexts(inputs, 1), (QStringList{"IRQ", "low", "ja"}));
        QCOMPARE(RowTexts(inputs, 0), (QStringList{"FIRQ", "high", "nein"}));

        // Closing the window unchecks its menu item; the speed button opens it again.
        f.window->close();
        QTRY_VERIFY(f.main->Debugger().Cpu() == nullptr);
        QVERIFY(!f.main->Commands().cpuWindow->isChecked());
        f.main->Commands().speedButtons[MainCommands::kCpuWindowButton]->trigger();
        QVERIFY(f.main->Debugger().Cpu() != nullptr);
        QVERIFY(f.main->Commands().cpuWindow->isChecked());
    }

    void registerEntriesFollowTheirRules() {
        CpuWindowFixture f;
        Mc6809& cpu = f.machine.Cpu();
        cpu.SetD(0x0102);
        StringGrid* grid = f.window->RegisterGrid();
        QSignalSpy beeps(grid, &StringGrid::Beeped);

        Select(grid, kRowA, kHex);
        Type(grid, "ff");
        QCOMPARE(cpu.A(), Byte{0xFF});
        QCOMPARE(grid->currentIndex(), grid->model()->index(kRowA, kDecimal));
        QCOMPARE(grid->CellEditor()->text(), QStringLiteral("255"));
        QCOMPARE(RowTexts(grid, kRowD), (QStringList{"D", "16", "FF02", "65282"}));
        test::PressEnter(grid);

        Select(grid, kRowA, kHex);
        Type(grid, "G1");
        QCOMPARE(beeps.count(), 1);
        test::PressEnter(grid);
        QCOMPARE(cpu.A(), Byte{0xFF});
        QCOMPARE(CellText(grid, kRowA, kHex), QStringLiteral("FF"));

        Select(grid, kRowA, kDecimal);
        Type(grid, "300");
        test::PressEnter(grid);
        QCOMPARE(cpu.A(), Byte{0xFF});
        QCOMPARE(CellText(grid, kRowA, kDecimal), QStringLiteral("255"));
        Select(grid, kRowPC, kDecimal);
        Type(grid, "65535");
        test::PressEnter(grid);
        QCOMPARE(cpu.PC(), Address{0xFFFF});
        QCOMPARE(CellText(grid, kRowPC, kHex), QStringLiteral("FFFF"));

        // A change while the hexadecimal cell is edited shows only in the decimal cell.
        Select(grid, kRowX, kHex);
        Type(grid, "12");
        cpu.SetX(0x4000);
        QCOMPARE(grid->CellEditor()->text(), QStringLiteral("12"));
        QCOMPARE(CellText(grid, kRowX, kDecimal), QStringLiteral("16384"));
        Type(grid, "34");
        QCOMPARE(cpu.X(), std::uint16_t{0x1234});
        QCOMPARE(beeps.count(), 1);
    }

    void flagDigitsMoveAlongTheRow() {
        CpuWindowFixture f;
        Mc6809& cpu = f.machine.Cpu();
        cpu.SetCC(0x00);
        StringGrid* grid = f.window->FlagsGrid();
        QSignalSpy beeps(grid, &StringGrid::Beeped);
        Select(grid, 1, 3);
        Type(grid, "2");
        QCOMPARE(beeps.count(), 1);
        test::PressEnter(grid);
        QCOMPARE(CellText(grid, 1, 3), QStringLiteral("0"));
        QCOMPARE(cpu.CC(), Byte{0x00});

        Select(grid, 1, 7);
        Type(grid, "1");
        QCOMPARE(cpu.CC(), kFlagC);
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 0));
        Type(grid, "10");
        QCOMPARE(cpu.CC(), Byte{kFlagE | kFlagC});
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 2));
        QCOMPARE(CellText(f.window->RegisterGrid(), 9, kHex), QStringLiteral("81"));
    }

    void tracePageReadsAndWritesTheRegisterImage() {
        CpuWindowFixture f;
        AddressDecoder& decoder = f.machine.Decoder();
        StringGrid* grid = f.window->TraceGrid();
        Select(grid, kRowX, kHex);
        Type(grid, "1234");
        QCOMPARE(decoder.Read(0x00F8, true), Byte{0x12});
        QCOMPARE(decoder.Read(0x00F9, true), Byte{0x34});
        QCOMPARE(grid->currentIndex(), grid->model()->index(kRowX, kDecimal));
        test::PressEnter(grid);

        decoder.Write(0x00F2, 0xAB);
        decoder.Write(0x00F4, 0x7F);
        QTRY_COMPARE_WITH_TIMEOUT(CellText(grid, 7, kHex), QStringLiteral("AB00"),
                                  3 * CpuWindow::kTraceMilliseconds);
        QCOMPARE(RowTexts(grid, 9), (QStringList{"CC", "8", "7F", "127"}));
        QCOMPARE(RowTexts(grid, kRowX), (QStringList{"X", "16", "1234", "4660"}));
    }

    // A program waits in CWAI; editing PC lets it go on there. While the system runs, the window
    // shows the processor at every frame.
    void editingPcEndsAWaitAndRunsAreFollowed() {
        CpuWindowFixture f;
        Mc6809& cpu = f.machine.Cpu();
        AddressDecoder& decoder = f.machine.Decoder();
        // $0400: CWAI #$FF  $0402: INCA, BRA $0402
        for (const auto& [address, value] : {std::pair{0x0400, 0x3C},
                                             {0x0401, 0xFF},
                                             {0x0402, 0x4C},
                                             {0x0403, 0x20},
                                             {0x0404, 0xFD}}) {
            decoder.Write(static_cast<Address>(address), static_cast<Byte>(value));
        }
        cpu.SetS(0x1000);
        cpu.SetA(0);
        cpu.SetPC(0x0400);
        f.machine.SetSystemRunning(true);
        QTRY_VERIFY(cpu.State().waiting);
        f.machine.SetSystemRunning(false);
        StringGrid* grid = f.window->RegisterGrid();
        QCOMPARE(CellText(grid, kRowPC, kHex), QStringLiteral("0400"));

        Select(grid, kRowPC, kHex);
        Type(grid, "0402");
        test::PressEnter(grid);
        QVERIFY(!cpu.State().waiting);
        decoder.SetBreakpoint(0x0403, true);
        f.machine.SetSystemRunning(true);
        QTRY_VERIFY(!f.machine.SystemRunning());
        QCOMPARE(cpu.A(), Byte{1});
        QCOMPARE(RowTexts(grid, kRowA), (QStringList{"A", "8", "01", "1"}));
        QCOMPARE(CellText(grid, kRowPC, kHex), QStringLiteral("0403"));

        decoder.SetBreakpoint(0x0403, false);
        f.machine.SetSystemRunning(true);
        QTRY_VERIFY(CellText(grid, kRowA, kHex) != QStringLiteral("01"));
        f.machine.SetSystemRunning(false);
        QCOMPARE(CellText(grid, kRowA, kHex), HexText(cpu.A(), 2));
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::CpuWindowTest)
#include "cpu_window_test.moc"
