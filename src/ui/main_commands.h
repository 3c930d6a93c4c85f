#pragma once

#include <QList>
#include <array>

class QAction;
class QMenu;
class QMenuBar;
class QToolBar;
class QWidget;

namespace tarvok {

// The factors of the speed ladder, in the order of MainCommands::speeds; 0 is the maximum.
inline constexpr std::array<unsigned, 4> kSpeedFactors = {1, 10, 100, 0};

// Every command of the main window: the menu items and the twelve speed buttons. The window
// connects them; this file builds them and applies the rules of local and remote operation.
struct MainCommands {
    // "&Datei"
    QAction* open = nullptr;
    QAction* saveAs = nullptr;
    QAction* toLabComputer = nullptr;
    QAction* fromLabComputer = nullptr;
    QAction* quit = nullptr;
    // "&Ansicht"
    QMenu* memoryWindows = nullptr;
    QList<QAction*> memoryWindowItems;  // "&disassembliert..." first, then the address ranges
    QAction* cpuWindow = nullptr;
    QAction* portA = nullptr;
    QAction* portB = nullptr;
    QAction* aciaWindow = nullptr;
    QAction* timer1 = nullptr;
    QAction* timer2 = nullptr;
    QAction* timer3 = nullptr;
    // "&Systemsteuerung"
    QAction* start = nullptr;
    QAction* stop = nullptr;
    // Stepping (F7, F8, Shift+F8, F4; the keys act in every window of the program) and the
    // speed ladder "&Geschwindigkeit": 1x, 10x, 100x the board's 1 MHz and the maximum.
    QAction* step = nullptr;
    QAction* stepOver = nullptr;
    QAction* stepOut = nullptr;
    QAction* runToCursor = nullptr;
    // Going back: one step (Shift+F7) or to where the PC last stood at a breakpoint.
    QAction* stepBack = nullptr;
    QAction* backToBreakpoint = nullptr;
    QMenu* speedMenu = nullptr;
    QList<QAction*> speeds;  // in ladder order, "&Maximum" last and checked at first
    QAction* acousticMessages = nullptr;
    QAction* countCycles = nullptr;
    QAction* clearOutput = nullptr;
    QAction* clearBreakpoints = nullptr;
    QAction* clearProgramMemory = nullptr;
    QAction* resetCycleCounter = nullptr;
    QAction* aciaConnection = nullptr;
    // "&Remotesteuerung"
    QAction* serverAddress = nullptr;
    QAction* connectRemote = nullptr;
    QAction* disconnectRemote = nullptr;
    QAction* pulseWidth = nullptr;
    QAction* resetRemote = nullptr;
    // "&Hilfe"
    QAction* info = nullptr;

    // The speed bar, left to right: open, save as; start, stop; program memory, disassembler,
    // CPU window, port A, port B, timer 1, timer 2, timer 3. Start and stop form a group of
    // which exactly one is down.
    enum SpeedButton {
        kOpenButton,
        kSaveAsButton,
        kStartButton,
        kStopButton,
        kProgramMemoryButton,
        kDisassemblerButton,
        kCpuWindowButton,
        kPortAButton,
        kPortBButton,
        kTimer1Button,
        kTimer2Button,
        kTimer3Button,
        kSpeedButtonCount
    };
    std::array<QAction*, kSpeedButtonCount> speedButtons{};
    // Beside start and stop: step, step over, step out, run to the cursor.
    std::array<QAction*, 4> steppingButtons{};
    // After them: step back, back to the previous breakpoint.
    std::array<QAction*, 2> stepBackButtons{};
};

// Builds the menu tree into `menuBar` and the speed buttons into `speedBar`; the actions belong
// to `owner`.
MainCommands BuildMainCommands(QMenuBar* menuBar, QToolBar* speedBar, QWidget* owner);

// Enables the commands for local operation (the simulated board) or remote operation (a real
// board over the network): only the commands for the remote board, the link dialogs, "Info" and
// "Beenden" stay usable remotely, and start/stop follow the run state.
void ApplyCommandRules(const MainCommands& commands, bool local, bool running);

}  // namespace tarvok
