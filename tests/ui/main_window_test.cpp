// The main window: its menu tree and the rules that enable commands, the PC keyboard and the
// on-screen keys, the confirmations, and the run loop with start, stop and breakpoints.
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include "ui/display_panel.h"
#include "ui/keypad_panel.h"
#include "ui/output_field.h"
#include "ui/run_loop.h"
#include "ui_support.h"

namespace tarvok {

namespace {

using test::AnswerMessageBox;
using test::ModalDriver;
using test::SeenMessage;

// The menu tree, one line per menu: its caption, then its items ("-" for a separator).
void ListMenu(const QMenu* menu, QStringList& lines) {
    QStringList items;
    for (const QAction* action : menu->actions()) {
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (action->menu() != nullptr) ListMenu(action->menu(), lines);
    }
    lines << menu->title() + ": " + items.join(" | ");
}

QStringList MenuTree(const MainWindow& window) {
    QStringList lines;
    for (const QAction* top : window.menuBar()->actions())
        ListMenu(top->menu(), lines);
    return lines;
}

// Captions of the enabled menu items (including submenus) and the enabled speed buttons.
QStringList EnabledCommands(const MainWindow& window) {
    QStringList enabled;
    std::function<void(const QMenu*)> walk = [&](const QMenu* menu) {
        for (const QAction* action : menu->actions()) {
            if (!action->isSeparator() && action->isEnabled()) enabled << action->text();
            if (action->menu() != nullptr && action->isEnabled()) walk(action->menu());
        }
    };
    for (const QAction* top : window.menuBar()->actions())
        walk(top->menu());
    for (const QAction* button : window.Commands().speedButtons) {
        if (button->isEnabled()) enabled << "[" + button->toolTip() + "]";
    }
    return enabled;
}

QWidget* SpeedButtonWidget(const MainWindow& window, MainCommands::SpeedButton button) {
    const QAction* action = window.Commands().speedButtons[button];
    for (QToolBar* bar : window.findChildren<QToolBar*>()) {
        if (QWidget* widget = bar->widgetForAction(const_cast<QAction*>(action))) return widget;
    }
    return nullptr;
}

void SendKey(QWidget& window, QEvent::Type type, int key, Qt::KeyboardModifiers modifiers,
             bool autoRepeat = false) {
    QKeyEvent event(type, key, modifiers, QString(), autoRepeat);
    QApplication::sendEvent(&window, &event);
}

// A loop at $0400: INCA, BRA $0400.
void LoadCountingLoop(Machine& machine) {
    for (const auto& [address, value] : {std::pair{0x0400, 0x4C}, {0x0401, 0x20}, {0x0402, 0xFD}})
        machine.Decoder().Write(static_cast<Address>(address), static_cast<Byte>(value));
    machine.Cpu().SetA(0);
    machine.Cpu().SetPC(0x0400);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void windowHasItsCaptionAndFixedSize() {
        const auto window = test::MakeMainWindow();
        window->show();
        QCOMPARE(window->windowTitle(), QStringLiteral("Tarvok - Quillon"));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(window->RunStatePanel()->text(), QStringLiteral("System angehalten..."));
        QCOMPARE(window->CycleCounterPanel()->text(), QStringLiteral("Taktzähler: aus"));
        QCOMPARE(window->Output()->toPlainText(),
                 QStringLiteral("Ausgabefeld für Statusmeldungen:\n"));
        for (const QAction* button : window->Commands().speedButtons)
            QVERIFY2(!button->icon().pixmap(24, 24).isNull(), qPrintable(button->toolTip()));
    }

    void menuTreeHasEveryCaptionInOrder() {
        const auto window = test::MakeMainWindow();
        const QStringList expected = {
            "&Datei: -- Speicherbereich -- | Ö&ffnen... | Speichern &unter... | - | "
            "-- Übertragung -- | &zum Mikrorechner... | &vom Mikrorechner... | - | &Beenden...",
            "&Speicherfenster: &disassembliert... | &gesamter Speicher... | - | &Anzeige... | "
            "paral. &Schnittstelle... | ser. S&chnittstelle... | &Programmspeicher... | &ROM... | "
            "&Tastatur... | T&imer... | &Zero Page...",
            "&Ansicht: &Speicherfenster | - | &CPU-Fenster... | - | Paralleler Port &A... | "
            "Paralleler Port &B... | - | AC&IA ... | - | Timer &1... | Timer &2... | Timer &3...",
            "&Geschwindigkeit: &1x (Echtzeit, 1 MHz) | 1&0x (10 MHz) | 10&0x (100 MHz) | "
            "&Maximum",
            "&Systemsteuerung: System &starten | System &anhalten | - | &Einzelschritt | "
            "P&rozedurschritt | Bis R&ücksprung | Ausführen bis &Cursor | Sc&hritt zurück | "
            "Zurück zum &vorigen Breakpoint | &Geschwindigkeit | - | "
            "A&kustische Statusmeldungen | Systemtakt &zählen | - | Ausgabefeld &leeren... | "
            "&Breakpoints löschen... | &Programmspeicherinhalt löschen... | "
            "&Taktzähler zurücksetzen | - | ACIA mit ser. Schnittstelle verbinden ...",
            "&Remotesteuerung: &Serveradresse ... | - | Verbindung &aufbauen | "
            "Verbindung &beenden | - | &Pulsbreite für Reset setzen ... | "
            "Remoterechner zu&rücksetzen",
            "&Hilfe: - | Inf&o...",
        };
        QCOMPARE(MenuTree(*window), expected);
        const MainCommands& c = window->Commands();
        QVERIFY(c.acousticMessages->isCheckable() && c.acousticMessages->isChecked());
        QVERIFY(c.countCycles->isCheckable() && !c.countCycles->isChecked());
        QVERIFY(c.cpuWindow->isCheckable() && c.timer3->isCheckable());
    }

    void commandsFollowLocalAndRemoteOperation() {
        const auto window = test::MakeMainWindow();
        const QStringList localStopped = {
            "Ö&ffnen...",
            "Speichern &unter...",
            "&zum Mikrorechner...",
            "&vom Mikrorechner...",
            "&Beenden...",
            "&Speicherfenster",
            "&disassembliert...",
            "&gesamter Speicher...",
            "&Anzeige...",
            "paral. &Schnittstelle...",
            "ser. S&chnittstelle...",
            "&Programmspeicher...",
            "&ROM...",
            "&Tastatur...",
            "T&imer...",
            "&Zero Page...",
            "&CPU-Fenster...",
            "Paralleler Port &A...",
            "Paralleler Port &B...",
            "AC&IA ...",
            "Timer &1...",
            "Timer &2...",
            "Timer &3...",
            "System &starten",
            "&Einzelschritt",
            "P&rozedurschritt",
            "Bis R&ücksprung",
            "Ausführen bis &Cursor",
            "Sc&hritt zurück",
            "Zurück zum &vorigen Breakpoint",
            "&Geschwindigkeit",
            "&1x (Echtzeit, 1 MHz)",
            "1&0x (10 MHz)",
            "10&0x (100 MHz)",
            "&Maximum",
            "A&kustische Statusmeldungen",
            "Systemtakt &zählen",
            "Ausgabefeld &leeren...",
            "&Breakpoints löschen...",
            "&Programmspeicherinhalt löschen...",
            "&Taktzähler zurücksetzen",
            "ACIA mit ser. Schnittstelle verbinden ...",
            "&Serveradresse ...",
            "Verbindung &aufbauen",
            "&Pulsbreite für Reset setzen ...",
            "Inf&o...",
            "[Datei öffnen]",
            "[Datei speichern unter]",
            "[System starten]",
            "[System anhalten]",
            "[Programmspeicher anzeigen]",
            "[Disassemblerfenster anzeigen]",
            "[CPU-Fenster anzeigen/ausblenden]",
            "[Parallelen Port A anzeigen/ausblenden]",
            "[Parallelen Port B anzeigen/ausblenden]",
            "[Timer 1 anzeigen/ausblenden]",
            "[Timer 2 anzeigen/ausblenden]",
            "[Timer 3 anzeigen/ausblenden]",
        };
        QCOMPARE(EnabledCommands(*window), localStopped);

        window->Board().SetSystemRunning(true);
        QStringList localRunning = localStopped;
        localRunning.replace(localRunning.indexOf("System &starten"), "System &anhalten");
        // Stepping starts from a stopped system.
        for (const char* step :
             {"&Einzelschritt", "P&rozedurschritt", "Bis R&ücksprung", "Ausführen bis &Cursor",
              "Sc&hritt zurück", "Zurück zum &vorigen Breakpoint"})
            localRunning.removeOne(step);
        QCOMPARE(EnabledCommands(*window), localRunning);

        window->SetLocalOperation(false);
        // The connect command itself takes away the server address and connecting.
        QCOMPARE(
            EnabledCommands(*window),
            (QStringList{"&Beenden...", "AC&IA ...", "ACIA mit ser. Schnittstelle verbinden ...",
                         "&Serveradresse ...", "Verbindung &aufbauen", "Verbindung &beenden",
                         "&Pulsbreite für Reset setzen ...", "Remoterechner zu&rücksetzen",
                         "Inf&o..."}));

        window->SetLocalOperation(true);
        QCOMPARE(EnabledCommands(*window), localRunning);
    }

    void pcKeysHoldAndReleaseKeypadKeys() {
        const auto window = test::MakeMainWindow();
        Machine& machine = window->Board();
        KeypadPanel* keypad = window->Keypad();
        const auto keyByte = [&machine](Address address) {
            return machine.Decoder().Read(address, true);
        };

        SendKey(*window, QEvent::KeyPress, Qt::Key_5, Qt::NoModifier);
        SendKey(*window, QEvent::KeyPress, Qt::Key_G, Qt::ControlModifier);
        QVERIFY(keypad->Button(KeypadKey::Data5)->ButtonDown());
        QCOMPARE(keyByte(0xF012), Byte{0xF2});
        QCOMPARE(keyByte(0xF016), Byte{0xF4});
        // Key repeat sends releases and presses of its own: they change nothing.
        SendKey(*window, QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier, true);
        QVERIFY(keypad->Button(KeypadKey::Data5)->ButtonDown());
        SendKey(*window, QEvent::KeyRelease, Qt::Key_5, Qt::NoModifier);
        SendKey(*window, QEvent::KeyRelease, Qt::Key_G, Qt::NoModifier);
        QCOMPARE(keyByte(0xF012), Byte{0xF0});
        QCOMPARE(keyByte(0xF016), Byte{0xF0});

        // Ctrl+A holds the function key A; releasing A lets go the data key A as well.
        SendKey(*window, QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        SendKey(*window, QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier);
        QVERIFY(machine.KeyDown(KeypadKey::DataA) && machine.KeyDown(KeypadKey::FnAddress));
        SendKey(*window, QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier);
        QVERIFY(!machine.KeyDown(KeypadKey::DataA) && !machine.KeyDown(KeypadKey::FnAddress));
        QVERIFY(!keypad->Button(KeypadKey::FnAddress)->ButtonDown());

        // With Alt held a key neither presses nor releases.
        SendKey(*window, QEvent::KeyPress, Qt::Key_1, Qt::AltModifier);
        QVERIFY(!machine.KeyDown(KeypadKey::Data1));
        SendKey(*window, QEvent::KeyPress, Qt::Key_1, Qt::NoModifier);
        SendKey(*window, QEvent::KeyRelease, Qt::Key_1, Qt::AltModifier);
        QVERIFY(machine.KeyDown(KeypadKey::Data1));
    }

    void shiftClickLatchesAKeyUntilTheNextClick() {
        const auto window = test::MakeMainWindow();
        KeypadButton* key = window->Keypad()->Button(KeypadKey::Data7);
        Machine& machine = window->Board();

        QTest::mouseClick(key, Qt::LeftButton);
        QVERIFY(!key->ButtonDown());
        QTest::mousePress(key, Qt::LeftButton);
        QVERIFY(machine.KeyDown(KeypadKey::Data7));
        QTest::mouseRelease(key, Qt::LeftButton);
        QVERIFY(!machine.KeyDown(KeypadKey::Data7));

        QTest::mouseClick(key, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(key->ButtonDown());
        QCOMPARE(machine.Decoder().Read(0xF014, true), Byte{0xF2});
        QTest::mousePress(key, Qt::RightButton);  // any button, Shift or not
        QVERIFY(key->ButtonDown());
        QTest::mouseRelease(key, Qt::RightButton);
        QVERIFY(!key->ButtonDown());
        QCOMPARE(machine.Decoder().Read(0xF014, true), Byte{0xF0});
    }

    void specialKeysPullCa1AndClearTheOutputWithAReset() {
        const auto window = test::MakeMainWindow();
        Machine& machine = window->Board();
        KeypadButton* breakKey = window->Keypad()->Button(KeypadKey::Break);
        QTest::mousePress(breakKey, Qt::LeftButton);
        QVERIFY(!machine.Pia().ControlInput(kPortA, 1));
        QTest::mouseRelease(breakKey, Qt::LeftButton);
        QVERIFY(machine.Pia().ControlInput(kPortA, 1));

        machine.Decoder().ShowMessage("a line");
        machine.Cpu().SetPC(0x1234);
        machine.SetCycleCounter(77);
        SendKey(*window, QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(machine.Cpu().PC(), Address{0x1234});  // Clear acts when released
        SendKey(*window, QEvent::KeyRelease, Qt::Key_C, Qt::ControlModifier);
        QVERIFY(machine.Cpu().PC() != 0x1234);
        QCOMPARE(machine.CycleCounter(), 0);
        QCOMPARE(window->Output()->toPlainText(), QString());
    }

    void confirmationsActOnlyOnYes() {
        const auto window = test::MakeMainWindow();
        Machine& machine = window->Board();
        const MainCommands& c = window->Commands();
        ModalDriver driver;
        SeenMessage seen;

        machine.Decoder().SetBreakpoint(0x0400, true);
        machine.Decoder().Write(0x1FFF, 0x55);
        driver.Then(AnswerMessageBox(&seen, QMessageBox::No))
            .Then(AnswerMessageBox(nullptr, QMessageBox::No))
            .Then(AnswerMessageBox(nullptr, QMessageBox::No));
        c.clearOutput->trigger();
        c.clearBreakpoints->trigger();
        c.clearProgramMemory->trigger();
        QCOMPARE(seen.caption, QStringLiteral("Ausgabefeld leeren?"));
        QCOMPARE(seen.text, QStringLiteral("Soll der im Ausgabefeld für Statusmeldungen "
                                           "enthaltene Text gelöscht werden?"));
        QVERIFY(!window->Output()->toPlainText().isEmpty());
        QVERIFY(machine.Decoder().HasBreakpoint(0x0400));
        QCOMPARE(machine.Decoder().Read(0x1FFF, true), Byte{0x55});

        driver.Then(AnswerMessageBox(nullptr, QMessageBox::Yes))
            .Then(AnswerMessageBox(&seen, QMessageBox::Yes))
            .Then(AnswerMessageBox(&seen, QMessageBox::Yes));
        c.clearOutput->trigger();
        QCOMPARE(window->Output()->toPlainText(), QString());
        c.clearBreakpoints->trigger();
        QCOMPARE(seen.text, QStringLiteral("Sollen alle von Ihnen gesetzten Breakpoints wirklich "
                                           "gelöscht werden?"));
        QVERIFY(!machine.Decoder().HasBreakpoint(0x0400));
        machine.SetSystemRunning(true);
        machine.SetCycleCounter(500);
        c.clearProgramMemory->trigger();
        QCOMPARE(seen.caption, QStringLiteral("Programmspeicherinhalt löschen?"));
        QCOMPARE(seen.text, QStringLiteral("Soll der Inhalt des Programmspeichers ($0400 - "
                                           "$1FFF) wirklich gelöscht werden?\nSie verlieren "
                                           "dadurch alle von Ihnen eingegebenen Programme!"));
        QCOMPARE(machine.Decoder().Read(0x1FFF, true), Byte{0});
        QCOMPARE(machine.CycleCounter(), 0);
        QVERIFY(machine.SystemRunning());
        QCOMPARE(driver.Unexpected(), 0);
    }

    void infoShowsTheAboutBox() {
        const auto window = test::MakeMainWindow();
        ModalDriver driver;
        QString caption, text;
        driver.Then([&](QWidget* modal) {
            caption = modal->windowTitle();
            for (const QLabel* label : modal->findChildren<QLabel*>())
                text += label->text() + "\n";
            qobject_cast<QDialog*>(modal)->accept();
        });
        window->Commands().info->trigger();
        QCOMPARE(caption, QStringLiteral("Info über Tarvok"));
        QVERIFY(text.contains("Tarvok - Quillon\n") && text.contains("Version 1.1"));
        QCOMPARE(driver.Unexpected(), 0);
    }

    void runLoopStartsStopsAndHaltsAtBreakpoints() {
        const auto window = test::MakeMainWindow();
        window->show();
        Machine& machine = window->Board();
        LoadCountingLoop(machine);
        machine.Decoder().SetBreakpoint(0x0401, true);
        QWidget* start = SpeedButtonWidget(*window, MainCommands::kStartButton);
        QWidget* stop = SpeedButtonWidget(*window, MainCommands::kStopButton);

        QTest::mouseClick(start, Qt::LeftButton);
        QVERIFY(machine.SystemRunning());
        QCOMPARE(window->RunStatePanel()->text(), QStringLiteral("System gestartet..."));
        QTRY_VERIFY(!machine.SystemRunning());
        QCOMPARE(machine.Cpu().PC(), Address{0x0401});
        QCOMPARE(machine.Cpu().A(), Byte{1});
        QTRY_VERIFY(window->Output()->toPlainText().endsWith(
            "Breakpoint bei Adresse ($0401) erreicht: System wird angehalten;"));
        QCOMPARE(window->RunStatePanel()->text(), QStringLiteral("System angehalten..."));
        QVERIFY(window->Commands().speedButtons[MainCommands::kStopButton]->isChecked());
        QVERIFY(window->Commands().start->isEnabled() && !window->Commands().stop->isEnabled());

        // Starting at the breakpoint runs its instruction before the next test.
        QTest::mouseClick(start, Qt::LeftButton);
        QTRY_VERIFY(!machine.SystemRunning());
        QCOMPARE(machine.Cpu().A(), Byte{2});

        machine.Decoder().SetBreakpoint(0x0401, false);
        window->Commands().countCycles->trigger();
        QTest::mouseClick(start, Qt::LeftButton);
        QTRY_VERIFY(machine.TotalSteps() > 100000);
        QVERIFY(machine.SystemRunning());
        QTRY_VERIFY(window->CycleCounterPanel()->text() != QStringLiteral("Taktzähler: 0"));
        QTest::mouseClick(stop, Qt::LeftButton);
        QVERIFY(!machine.SystemRunning());
        const std::uint64_t stoppedAt = machine.TotalSteps();
        QTest::qWait(3 * RunLoop::kFrameMilliseconds);
        QCOMPARE(machine.TotalSteps(), stoppedAt);
        QCOMPARE(window->CycleCounterPanel()->text(),
                 QStringLiteral("Taktzähler: %1").arg(machine.CycleCounter()));
    }

    void monitorGreetsOnTheDisplayAfterBoot() {
        const auto window = test::MakeMainWindow();
        window->show();
        window->Board().SetSystemRunning(true);
        // "- 6809 -", listed from S0 (rightmost) to S7, every segment in both patterns.
        const std::uint16_t greeting[8] = {0x4040, 0x0000, 0x6F6F, 0x3F3F,
                                           0x7F7F, 0x7D7D, 0x0000, 0x4040};
        for (int digit = 0; digit < 8; ++digit) {
            QTRY_COMPARE(window->Display()->Digit(digit)->Value(), greeting[digit]);
        }
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::MainWindowTest)
#include "main_window_test.moc"
