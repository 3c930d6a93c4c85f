#pragma once

#include <QMainWindow>
#include <memory>

#include "core/symbol_table.h"
#include "machine/machine.h"
#include "ui/main_commands.h"
#include "ui/settings.h"

class QLabel;
class QKeyEvent;

namespace tarvok {

class AboutDialog;
class DebuggerWindows;
class DeviceWindows;
class DisplayPanel;
class KeypadPanel;
class OutputField;
class ProgramFileDialog;
class RemoteOperation;
class RunLoop;
class SaveRangeDialog;
class SerialLink;

// "Tarvok - Quillon", the control window: it owns the simulated board and shows its display,
// keypad, output field and status bar, with every command in the menus and the speed bar.
class MainWindow : public QMainWindow, private MachineListener {
    Q_OBJECT

public:
    explicit MainWindow(std::unique_ptr<Machine> machine, QWidget* parent = nullptr);
    ~MainWindow() override;

    Machine& Board() { return *machine_; }

    // The stored settings: applied at start (a system stored as running starts at once) and
    // collected at exit.
    void ApplySettings(const Settings& settings);
    Settings CurrentSettings() const;

    // Local operation drives the simulated board; remote operation a real board over the
    // network, when only the commands for that board remain usable.
    void SetLocalOperation(bool local);

    // Shows the machine's current state now instead of at the next frame.
    void RefreshNow();

    const MainCommands& Commands() const { return commands_; }
    DebuggerWindows& Debugger() const { return *debuggerWindows_; }
    DisplayPanel* Display() const { return display_; }
    KeypadPanel* Keypad() const { return keypad_; }
    OutputField* Output() const { return output_; }
    DeviceWindows* Devices() const { return deviceWindows_; }
    RemoteOperation& Remote() const { return *remote_; }
    SerialLink& Serial() const { return *serialLink_; }
    QLabel* RunStatePanel() const { return runStatePanel_; }
    QLabel* CycleCounterPanel() const { return cycleCounterPanel_; }
    QLabel* SpeedPanel() const { return speedPanel_; }
    RunLoop& Runner() const { return *runLoop_; }
    // The labels of the program loaded last (from its symbol file or its source).
    const SymbolTable& Symbols() const { return symbols_; }
    // Loads a program file or assembles a source, as "Öffnen..." does with the chosen file.
    void OpenProgram(const QString& path);
    // Takes the labels of the symbol file beside a loaded program file; a faulty symbol file is
    // told in the output field.
    void UseSymbolsOf(const QString& programPath);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MessageLines& Messages();
    void BuildLayout();
    void ConnectCommands();
    void ConnectDebuggerCommands();
    void ConnectSteppingCommands();
    // "Ausführen bis Cursor": the cursor of the debugger window used last, else a typed address
    // or label.
    void RunToCursor();
    void ShowFrame(const MachineSnapshot& snapshot);
    // The PC keyboard onto the keypad; true when the key event was one of the keypad's.
    bool HandleKey(const QKeyEvent& event);
    void ClearOutputField();
    void ClearBreakpoints();
    void ClearProgramMemory();
    void SystemRunningChanged(bool running) override;

    std::unique_ptr<Machine> machine_;
    Settings settings_;
    bool local_ = true;
    MainCommands commands_;
    RunLoop* runLoop_ = nullptr;
    DebuggerWindows* debuggerWindows_ = nullptr;
    DeviceWindows* deviceWindows_ = nullptr;
    DisplayPanel* display_ = nullptr;
    KeypadPanel* keypad_ = nullptr;
    OutputField* output_ = nullptr;
    QLabel* runStatePanel_ = nullptr;
    QLabel* cycleCounterPanel_ = nullptr;
    QLabel* speedPanel_ = nullptr;
    SymbolTable symbols_;
    AboutDialog* aboutDialog_ = nullptr;
    SaveRangeDialog* saveRangeDialog_ = nullptr;
    ProgramFileDialog* openDialog_ = nullptr;
    ProgramFileDialog* saveDialog_ = nullptr;
    RemoteOperation* remote_ = nullptr;
    SerialLink* serialLink_ = nullptr;
    std::uint64_t shownRunGeneration_ = ~std::uint64_t{0};
    std::uint64_t shownDisplayGeneration_ = ~std::uint64_t{0};
};

}  // namespace tarvok
