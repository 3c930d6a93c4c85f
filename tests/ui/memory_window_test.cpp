// Memory windows: the layout of both modes, editing with the keyboard, breakpoints shown in every
// window, "Gehe zu", the status bar and keeping up with memory as it changes.
#include <QHeaderView>
#include <QSignalSpy>
#include <QToolButton>
#include <QtTest>

#include "debugger_support.h"
#include "ui/debugger/memory_window.h"
#include "ui_support.h"

namespace tarvok {

namespace {

using test::AnswerMessageBox;
using test::CellText;
using test::HeaderTexts;
using test::ModalDriver;
using test::RowTexts;
using test::SeenMessage;
using test::Select;
using test::Type;

const MemoryWindowRange kProgramMemory = kMemoryWindowRanges[kProgramMemoryRange];

}  // namespace

class MemoryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void aciaWindowHasOneRowWithFourUnselectableEmptyCells() {
        const auto main = test::MakeMainWindow();
        Machine& machine = main->Board();
        machine.Acia().SetCom(0x0B);
        MemoryWindow* window = main->Debugger().ShowMemoryWindow(kMemoryWindowRanges[3]);
        StringGrid* grid = window->Grid();
        QCOMPARE(window->windowTitle(), QStringLiteral("Speicherfenster (serielle Schnittstelle)"));
        QCOMPARE(grid->model()->rowCount(), 1);
        QCOMPARE(HeaderTexts(grid), (QStringList{"Byte", "0", "1", "2", "3", "4", "5", "6", "7"}));
        QCOMPARE(RowTexts(grid, 0), (QStringList{"F008", "00", "10", "0B", "00", "", "", "", ""}));
        for (int column = 5; column <= 8; ++column)
            QCOMPARE(grid->model()->index(0, column).flags(), Qt::NoItemFlags);
        QCOMPARE(grid->model()->index(0, 0).flags(), Qt::NoItemFlags);
        QVERIFY(window->BinaryButton()->isEnabled());
    }

    // Building a window reads the ACIA as the processor would; keeping it current does not, so
    // a received character stays unread for the program.
    void keepingCurrentDoesNotReadTheAcia() {
        const auto main = test::MakeMainWindow();
        Machine& machine = main->Board();
        MemoryWindow* window = main->Debugger().ShowMemoryWindow(kMemoryWindowRanges[3]);
        machine.Acia().SetRdr(0x41);
        QVERIFY(machine.Acia().Sr() & R6551::kRDRF);
        main->RefreshNow();
        QCOMPARE(CellText(window->Grid(), 0, 1), QStringLiteral("41"));
        QCOMPARE(window->Model().Value(0xF009), machine.Acia().Sr());
        QVERIFY(machine.Acia().Sr() & R6551::kRDRF);
    }

    void typedBytesAreWrittenAndTheCursorMovesOn() {
        const auto main = test::MakeMainWindow();
        Machine& machine = main->Board();
        MemoryWindow* window =
            main->Debugger().ShowMemoryWindow({"", "Test", 0x0400, 0x040A, true});
        StringGrid* grid = window->Grid();
        QSignalSpy beeps(grid, &StringGrid::Beeped);

        Select(grid, 0, 1);
        Type(grid, "3C");
        QCOMPARE(machine.Decoder().Read(0x0400, true), Byte{0x3C});
        QCOMPARE(CellText(grid, 0, 1), QStringLiteral("3C"));
        QCOMPARE(grid->currentIndex(), grid->model()->index(0, 2));
        QVERIFY(grid->CellEditor() != nullptr);

        Select(grid, 0, 8);
        Type(grid, "a5");
        QCOMPARE(machine.Decoder().Read(0x0407, true), Byte{0xA5});
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 1));
        // Before an empty cell the cursor goes to the next row, on the last row to its start.
        Type(grid, "0102");
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 3));
        Type(grid, "03");
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 1));
        QCOMPARE(machine.Decoder().Read(0x040A, true), Byte{0x03});
        QCOMPARE(beeps.count(), 0);

        // A complete entry that is no hexadecimal number beeps, and does not reach memory.
        Type(grid, "G5");
        QCOMPARE(beeps.count(), 1);
        QCOMPARE(grid->CellEditor()->text(), QStringLiteral("G5"));
        test::PressEnter(grid);
        QCOMPARE(machine.Decoder().Read(0x0408, true), Byte{0x01});
        QCOMPARE(CellText(grid, 1, 1), QStringLiteral("01"));
    }

    // The processor writes a byte that two windows show: both follow, except in the cell that is
    // being edited, which keeps what the user typed.
    void changesReachEveryWindowButNotTheCellBeingEdited() {
        const auto main = test::MakeMainWindow();
        Machine& machine = main->Board();
        DebuggerWindows& debugger = main->Debugger();
        MemoryWindow* whole = debugger.ShowMemoryWindow(kMemoryWindowRanges[0]);
        MemoryWindow* program = debugger.ShowMemoryWindow(kProgramMemory);
        QCOMPARE(whole->Grid()->model()->rowCount(), 8192);
        QVERIFY(!whole->BinaryButton()->isEnabled() && !whole->HexadecimalButton()->isEnabled());

        Select(program->Grid(), 0, 2);
        Type(program->Grid(), "7");
        machine.Decoder().Write(0x0401, 0x99);
        machine.Decoder().Write(0x0402, 0x42);
        main->RefreshNow();
        QCOMPARE(CellText(whole->Grid(), 128, 2), QStringLiteral("99"));
        QCOMPARE(CellText(whole->Grid(), 128, 3), QStringLiteral("42"));
        QCOMPARE(CellText(program->Grid(), 0, 3), QStringLiteral("42"));
        QCOMPARE(program->Grid()->CellEditor()->text(), QStringLiteral("7"));
        Type(program->Grid(), "E");
        QCOMPARE(machine.Decoder().Read(0x0401, true), Byte{0x7E});
        QCOMPARE(CellText(whole->Grid(), 128, 2), QStringLiteral("7E"));
    }

    void breakpointToggledInOneWindowShowsInEveryWindow() {
        const auto main = test::MakeMainWindow();
        Machine& machine = main->Board();
        DebuggerWindows& debugger = main->Debugger();
        MemoryWindow* zeroPage = debugger.ShowMemoryWindow(kMemoryWindowRanges[8]);
        MemoryWindow* whole = debugger.ShowMemoryWindow(kMemoryWindowRanges[0]);
        MemoryWindow* program = debugger.ShowMemoryWindow(kProgramMemory);
        machine.Decoder().Write(0x0400, 0xA5);
        main->RefreshNow();

        program->BreakpointButton()->click();
        QVERIFY(machine.Decoder().HasBreakpoint(0x0400));
        QCOMPARE(CellText(program->Grid(), 0, 1), QStringLiteral("A5*"));
        QCOMPARE(CellText(whole->Grid(), 128, 1), QStringLiteral("A5*"));
        QCOMPARE(CellText(zeroPage->Grid(), 0, 1), QStringLiteral("00"));
        whole->Grid()->setCurrentIndex(whole->Model().IndexOf(0x0400));
        whole->BreakpointButton()->click();
        QVERIFY(!machine.Decoder().HasBreakpoint(0x0400));
        QCOMPARE(CellText(program->Grid(), 0, 1), QStringLiteral("A5"));

        // In binary mode every bit of the address carries the mark; editing one bit keeps it.
        program->BreakpointButton()->click();
        program->BinaryButton()->click();
        StringGrid* grid = program->Grid();
        QCOMPARE(HeaderTexts(grid), (QStringList{"Bit", "7", "6", "5", "4", "3", "2", "1", "0"}));
        QCOMPARE(grid->model()->rowCount(), 0x1C00);
        QCOMPARE(RowTexts(grid, 0),
                 (QStringList{"0400", "1*", "0*", "1*", "0*", "0*", "1*", "0*", "1*"}));
        QCOMPARE(RowTexts(grid, 1).first(), QStringLiteral("0401"));
        QCOMPARE(grid->currentIndex(), grid->model()->index(0, 1));
        Select(grid, 0, 2);
        Type(grid, "1");
        QCOMPARE(machine.Decoder().Read(0x0400, true), Byte{0xE5});
        QCOMPARE(grid->currentIndex(), grid->model()->index(0, 3));
        QCOMPARE(RowTexts(grid, 0),
                 (QStringList{"0400", "1*", "1*", "1*", "0*", "0*", "1*", "0*", "1*"}));
        QCOMPARE(CellText(whole->Grid(), 128, 1), QStringLiteral("E5*"));

        // The selection follows its address across mode switches.
        Select(grid, 10, 1);
        program->HexadecimalButton()->click();
        QCOMPARE(program->Grid()->currentIndex(), program->Model().IndexOf(0x040A));
        QCOMPARE(program->Grid()->currentIndex().column(), 3);
    }

    void goToSelectsTheAddressOrTellsWhyNot() {
        const auto main = test::MakeMainWindow();
        MemoryWindow* window = main->Debugger().ShowMemoryWindow(kProgramMemory);
        StringGrid* grid = window->Grid();
        test::TypeAddress(window->GoToField(), "1000");
        QCOMPARE(grid->currentIndex(), grid->model()->index(384, 1));
        QCOMPARE(CellText(grid, 384, 0), QStringLiteral("1000"));
        QCOMPARE(window->GoToField()->text(), QStringLiteral("1000"));
        test::TypeAddress(window->GoToField(), "1fff");
        QCOMPARE(grid->currentIndex(), grid->model()->index(895, 8));
        QCOMPARE(window->StatusTexts().first(), QStringLiteral("$1FFF"));

        ModalDriver driver;
        SeenMessage outside;
        SeenMessage invalid;
        driver.Then(AnswerMessageBox(&outside, QMessageBox::Ok))
            .Then(AnswerMessageBox(nullptr, QMessageBox::Ok))
            .Then(AnswerMessageBox(&invalid, QMessageBox::Ok));
        test::TypeAddress(window->GoToField(), "3000");
        test::TypeAddress(window->GoToField(), "03FF");
        test::TypeAddress(window->GoToField(), "12G4");
        QCOMPARE(outside.caption, QStringLiteral("Fehlerhafter Eingabewert!"));
        QCOMPARE(outside.text,
                 QStringLiteral("Die von Ihnen eingegebene Adresse ($3000) liegt außerhalb des "
                                "von diesem Speicherfenster dargestellten Speicherbereichs ($0400 "
                                "- $1FFF)!"));
        QCOMPARE(invalid.caption, QStringLiteral("Fehlerhafter Eingabewert!"));
        QCOMPARE(invalid.text,
                 QStringLiteral("Bei dem von Ihnen eingegebenen Wert (12G4) handelt es sich nicht "
                                "um eine vierstellige Speicheradresse im hexadezimalen Format!"));
        QCOMPARE(grid->currentIndex(), grid->model()->index(895, 8));
        QVERIFY(driver.AllAnswered());
        QCOMPARE(driver.Unexpected(), 0);
    }

    void statusBarDescribesTheByteUnderTheCursor() {
        const auto main = test::MakeMainWindow();
        Machine& machine = main->Board();
        machine.Decoder().Write(0x0400, 0x80);
        machine.Decoder().Write(0x0401, 0xFF);
        MemoryWindow* window = main->Debugger().ShowMemoryWindow(kProgramMemory);
        QCOMPARE(window->StatusTexts(),
                 (QStringList{"$0400", "$80", "10000000b", "128d", "-128 (2er-K.)"}));
        Select(window->Grid(), 0, 2);
        QCOMPARE(window->StatusTexts(),
                 (QStringList{"$0401", "$FF", "11111111b", "255d", "-1 (2er-K.)"}));
        machine.Decoder().Write(0x0401, 0x05);
        main->RefreshNow();
        QCOMPARE(window->StatusTexts(),
                 (QStringList{"$0401", "$05", "00000101b", "5d", "+5 (2er-K.)"}));
    }

    // A window wider than its columns (its label panel needs room) leaves no blank strip: the
    // byte columns share the width, and the gap between the fourth and fifth byte stays.
    void widerWindowSpreadsTheByteColumns() {
        const auto main = test::MakeMainWindow();
        MemoryWindow* window = main->Debugger().ShowMemoryWindow(kProgramMemory);
        StringGrid* grid = window->Grid();
        const int byteWidth = grid->columnWidth(1);
        const int gapWidth = grid->columnWidth(4);
        window->resize(window->width() + 80, window->height());
        QApplication::processEvents();
        const int columns = grid->model()->columnCount();
        const QHeaderView* header = grid->horizontalHeader();
        QCOMPARE(header->sectionViewportPosition(columns - 1) + grid->columnWidth(columns - 1),
                 grid->viewport()->width());
        QCOMPARE(grid->columnWidth(2) - byteWidth, grid->columnWidth(4) - gapWidth);
        QVERIFY(grid->columnWidth(2) >= byteWidth + 9);
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::MemoryWindowTest)
#include "memory_window_test.moc"
