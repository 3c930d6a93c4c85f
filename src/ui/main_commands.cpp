#include "ui/main_commands.h"

#include <QActionGroup>
#include <QIcon>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include "ui/debugger/debugger_windows.h"

namespace tarvok {

namespace {

QAction* Item(QMenu* menu, const char* caption) {
    return menu->addAction(QString::fromUtf8(caption));
}

QAction* CheckItem(QMenu* menu, const char* caption, bool checked) {
    QAction* action = Item(menu, caption);
    action->setCheckable(true);
    action->setChecked(checked);
    return action;
}

// A disabled caption that names the group of items below it.
void Heading(QMenu* menu, const char* caption) {
    Item(menu, caption)->setEnabled(false);
}

QAction* SpeedButton(QToolBar* bar, const char* icon, const char* hint) {
    QAction* action = bar->addAction(
        QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))), QString::fromUtf8(hint));
    action->setToolTip(QString::fromUtf8(hint));
    return action;
}

}  // namespace

MainCommands BuildMainCommands(QMenuBar* menuBar, QToolBar* speedBar, QWidget* owner) {
    MainCommands c;

    QMenu* file = menuBar->addMenu(QStringLiteral("&Datei"));
    Heading(file, "-- Speicherbereich --");
    c.open = Item(file, "Ö&ffnen...");
    c.saveAs = Item(file, "Speichern &unter...");
    file->addSeparator();
    Heading(file, "-- Übertragung --");
    c.toLabComputer = Item(file, "&zum Mikrorechner...");
    c.fromLabComputer = Item(file, "&vom Mikrorechner...");
    file->addSeparator();
    c.quit = Item(file, "&Beenden...");

    QMenu* view = menuBar->addMenu(QStringLiteral("&Ansicht"));
    c.memoryWindows = view->addMenu(QStringLiteral("&Speicherfenster"));
    c.memoryWindowItems.append(Item(c.memoryWindows, "&disassembliert..."));
    for (const MemoryWindowRange& range : kMemoryWindowRanges) {
        // The whole address space stands apart from the single memories and devices.
        if (&range == &kMemoryWindowRanges[1]) c.memoryWindows->addSeparator();
        c.memoryWindowItems.append(Item(c.memoryWindows, range.menuCaption));
    }
    view->addSeparator();
    c.cpuWindow = CheckItem(view, "&CPU-Fenster...", false);
    view->addSeparator();
    c.portA = CheckItem(view, "Paralleler Port &A...", false);
    c.portB = CheckItem(view, "Paralleler Port &B...", false);
    view->addSeparator();
    c.aciaWindow = CheckItem(view, "AC&IA ...", false);
    view->addSeparator();
    c.timer1 = CheckItem(view, "Timer &1...", false);
    c.timer2 = CheckItem(view, "Timer &2...", false);
    c.timer3 = CheckItem(view, "Timer &3...", false);

    QMenu* system = menuBar->addMenu(QStringLiteral("&Systemsteuerung"));
    c.start = Item(system, "System &starten");
    c.stop = Item(system, "System &anhalten");
    system->addSeparator();
    const auto steppingItem = [system](const char* caption, const QKeySequence& keys) {
        QAction* action = Item(system, caption);
        action->setShortcut(keys);
        action->setShortcutContext(Qt::ApplicationShortcut);
        return action;
    };
    c.step = steppingItem("&Einzelschritt", QKeySequence(Qt::Key_F7));
    c.stepOver = steppingItem("P&rozedurschritt", QKeySequence(Qt::Key_F8));
    c.stepOut = steppingItem("Bis R&ücksprung", QKeySequence(Qt::SHIFT | Qt::Key_F8));
    c.runToCursor = steppingItem("Ausführen bis &Cursor", QKeySequence(Qt::Key_F4));
    c.stepBack = steppingItem("Sc&hritt zurück", QKeySequence(Qt::SHIFT | Qt::Key_F7));
    c.backToBreakpoint = steppingItem("Zurück zum &vorigen Breakpoint", QKeySequence());
    c.speedMenu = system->addMenu(QStringLiteral("&Geschwindigkeit"));
    auto* speedGroup = new QActionGroup(owner);
    for (const char* caption :
         {"&1x (Echtzeit, 1 MHz)", "1&0x (10 MHz)", "10&0x (100 MHz)", "&Maximum"}) {
        QAction* speed = CheckItem(c.speedMenu, caption, false);
        speedGroup->addAction(speed);
        c.speeds.append(speed);
    }
    c.speeds.last()->setChecked(true);
    system->addSeparator();
    c.acousticMessages = CheckItem(system, "A&kustische Statusmeldungen", true);
    c.countCycles = CheckItem(system, "Systemtakt &zählen", false);
    system->addSeparator();
    c.clearOutput = Item(system, "Ausgabefeld &leeren...");
    c.clearBreakpoints = Item(system, "&Breakpoints löschen...");
    c.clearProgramMemory = Item(system, "&Programmspeicherinhalt löschen...");
    c.resetCycleCounter = Item(system, "&Taktzähler zurücksetzen");
    system->addSeparator();
    c.aciaConnection = Item(system, "ACIA mit ser. Schnittstelle verbinden ...");

    QMenu* remote = menuBar->addMenu(QStringLiteral("&Remotesteuerung"));
    c.serverAddress = Item(remote, "&Serveradresse ...");
    remote->addSeparator();
    c.connectRemote = Item(remote, "Verbindung &aufbauen");
    c.disconnectRemote = Item(remote, "Verbindung &beenden");
    remote->addSeparator();
    c.pulseWidth = Item(remote, "&Pulsbreite für Reset setzen ...");
    c.resetRemote = Item(remote, "Remoterechner zu&rücksetzen");

    QMenu* help = menuBar->addMenu(QStringLiteral("&Hilfe"));
    help->addSeparator();
    c.info = Item(help, "Inf&o...");

    using B = MainCommands::SpeedButton;
    auto& buttons = c.speedButtons;
    buttons[B::kOpenButton] = SpeedButton(speedBar, "open", "Datei öffnen");
    buttons[B::kSaveAsButton] = SpeedButton(speedBar, "save", "Datei speichern unter");
    speedBar->addSeparator();
    buttons[B::kStartButton] = SpeedButton(speedBar, "start", "System starten");
    buttons[B::kStopButton] = SpeedButton(speedBar, "stop", "System anhalten");
    speedBar->addSeparator();
    c.steppingButtons = {SpeedButton(speedBar, "step", "Einzelschritt (F7)"),
                         SpeedButton(speedBar, "step_over", "Prozedurschritt (F8)"),
                         SpeedButton(speedBar, "step_out", "Bis Rücksprung (Umschalt+F8)"),
                         SpeedButton(speedBar, "run_to", "Ausführen bis Cursor (F4)")};
    c.stepBackButtons = {
        SpeedButton(speedBar, "step_back", "Schritt zurück (Umschalt+F7)"),
        SpeedButton(speedBar, "back_to_breakpoint", "Zurück zum vorigen Breakpoint")};
    speedBar->addSeparator();
    buttons[B::kProgramMemoryButton] =
        SpeedButton(speedBar, "program_memory", "Programmspeicher anzeigen");
    buttons[B::kDisassemblerButton] =
        SpeedButton(speedBar, "disassembler", "Disassemblerfenster anzeigen");
    buttons[B::kCpuWindowButton] = SpeedButton(speedBar, "cpu", "CPU-Fenster anzeigen/ausblenden");
    buttons[B::kPortAButton] =
        SpeedButton(speedBar, "port_a", "Parallelen Port A anzeigen/ausblenden");
    buttons[B::kPortBButton] =
        SpeedButton(speedBar, "port_b", "Parallelen Port B anzeigen/ausblenden");
    buttons[B::kTimer1Button] = SpeedButton(speedBar, "timer1", "Timer 1 anzeigen/ausblenden");
    buttons[B::kTimer2Button] = SpeedButton(speedBar, "timer2", "Timer 2 anzeigen/ausblenden");
    buttons[B::kTimer3Button] = SpeedButton(speedBar, "timer3", "Timer 3 anzeigen/ausblenden");
    auto* runGroup = new QActionGroup(owner);
    for (QAction* button : {buttons[B::kStartButton], buttons[B::kStopButton]}) {
        button->setCheckable(true);
        runGroup->addAction(button);
    }
    buttons[B::kStopButton]->setChecked(true);

    return c;
}

void ApplyCommandRules(const MainCommands& c, bool local, bool running) {
    for (QAction* action : {c.disconnectRemote, c.resetRemote})
        action->setEnabled(!local);
    for (QAction* action : {c.open, c.saveAs, c.toLabComputer, c.fromLabComputer,
                            c.memoryWindows->menuAction(), c.cpuWindow, c.portA, c.portB, c.timer1,
                            c.timer2, c.timer3, c.acousticMessages, c.countCycles, c.clearOutput,
                            c.clearBreakpoints, c.clearProgramMemory, c.resetCycleCounter}) {
        action->setEnabled(local);
    }
    c.start->setEnabled(local && !running);
    c.stop->setEnabled(local && running);
    c.speedMenu->menuAction()->setEnabled(local);
    for (QAction* button : c.speedButtons)
        button->setEnabled(local);
    // Stepping starts from a stopped system.
    for (QAction* action :
         {c.step, c.stepOver, c.stepOut, c.runToCursor, c.stepBack, c.backToBreakpoint}) {
        action->setEnabled(local && !running);
    }
    for (QAction* button : c.steppingButtons)
        button->setEnabled(local && !running);
    for (QAction* button : c.stepBackButtons)
        button->setEnabled(local && !running);
}

}  // namespace tarvok
