#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <array>
#include <optional>
#include <utility>

#include "machine/program_file.h"
#include "ui/debugger/debugger_windows.h"
#include "ui/debugger/label_entry.h"
#include "ui/devices/device_windows.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/program_file_dialog.h"
#include "ui/dialogs/save_range_dialog.h"
#include "ui/display_panel.h"
#include "ui/keypad_keys.h"
#include "ui/keypad_panel.h"
#include "ui/message_boxes.h"
#include "ui/output_field.h"
#include "ui/program_file_commands.h"
#include "ui/remote_operation.h"
#include "ui/run_loop.h"
#include "ui/serial_link.h"
#include "ui/status_texts.h"

// The icons live in the library's resource file; a static library has to ask for them.
static void InitTarvokResources() {
    Q_INIT_RESOURCE(tarvok);
}

namespace tarvok {

namespace {

constexpr Address kProgramMemoryFirst = 0x0400;
constexpr Address kProgramMemoryLast = 0x1FFF;
constexpr int kOutputFieldLines = 7;

}  // namespace

MainWindow::MainWindow(std::unique_ptr<Machine> machine, QWidget* parent)
    : QMainWindow(parent), machine_(std::move(machine)) {
    InitTarvokResources();
    setWindowTitle(QStringLiteral("Tarvok - Quillon"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/tarvok.svg")));
    // A fixed window with the system menu and the minimise button only.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setContextMenuPolicy(Qt::NoContextMenu);

    BuildLayout();
    aboutDialog_ = new AboutDialog(this);
    saveRangeDialog_ = new SaveRangeDialog(this);
    openDialog_ = new ProgramFileDialog(ProgramFileDialog::Purpose::Open, this);
    saveDialog_ = new ProgramFileDialog(ProgramFileDialog::Purpose::Save, this);
    ConnectCommands();
    ConnectDebuggerCommands();
    remote_ = new RemoteOperation(*this, settings_, *openDialog_, *saveDialog_);

    Messages().AppendLine("Ausgabefeld für Statusmeldungen:");
    Messages().AppendLine("");
    machine_->AddListener(this);
    runLoop_ = new RunLoop(*machine_, this);
    connect(runLoop_, &RunLoop::FrameReady, this, &MainWindow::ShowFrame);
    connect(runLoop_, &RunLoop::SpeedMeasured, this,
            [this](double megahertz) { speedPanel_->setText(SpeedText(megahertz)); });
    ConnectSteppingCommands();
    deviceWindows_ = new DeviceWindows(*machine_, commands_, this);
    connect(runLoop_, &RunLoop::FrameReady, deviceWindows_, &DeviceWindows::ShowFrame);
    serialLink_ = new SerialLink(*this, settings_.serialPorts);
    SystemRunningChanged(machine_->SystemRunning());
    qApp->installEventFilter(this);
    RefreshNow();

    layout()->setSizeConstraint(QLayout::SetFixedSize);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    machine_->RemoveListener(this);
    delete remote_;
    delete serialLink_;
    // The views subscribe to the machine: they go before it.
    delete debuggerWindows_;
    delete deviceWindows_;
    delete runLoop_;
    delete output_;
}

void MainWindow::BuildLayout() {
    auto* speedBar = new QToolBar(this);
    speedBar->setToolTip(QStringLiteral("Schnellstartleiste"));
    speedBar->setMovable(false);
    speedBar->setFloatable(false);
    speedBar->setIconSize(QSize(24, 24));
    addToolBar(Qt::TopToolBarArea, speedBar);
    commands_ = BuildMainCommands(menuBar(), speedBar, this);

    auto* central = new QWidget(this);
    central->setToolTip(QStringLiteral("Steuerungsfenster"));
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);
    display_ = new DisplayPanel(central);
    keypad_ = new KeypadPanel(central);
    output_ = new OutputField(*machine_, central);
    output_->setFixedHeight(output_->fontMetrics().lineSpacing() * kOutputFieldLines + 12);
    layout->addWidget(display_, 0, Qt::AlignHCenter);
    layout->addWidget(keypad_, 0, Qt::AlignHCenter);
    layout->addWidget(output_);
    setCentralWidget(central);

    statusBar()->setToolTip(QStringLiteral("Statuszeile"));
    statusBar()->setSizeGripEnabled(false);
    runStatePanel_ = new QLabel(RunStateText(false), this);
    runStatePanel_->setMinimumWidth(150);
    cycleCounterPanel_ = new QLabel(QStringLiteral("Takt: 0"), this);
    speedPanel_ = new QLabel(SpeedText(0), this);
    speedPanel_->setToolTip(QStringLiteral("erreichte Geschwindigkeit des Systemtakts"));
    for (QLabel* panel : {runStatePanel_, cycleCounterPanel_, speedPanel_})
        panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    statusBar()->addWidget(runStatePanel_);
    statusBar()->addWidget(cycleCounterPanel_, 1);
    statusBar()->addWidget(speedPanel_);
}

void MainWindow::ConnectCommands() {
    const MainCommands& c = commands_;
    using B = MainCommands::SpeedButton;
    const auto onTriggered = [this](QAction* action, auto&& slot) {
        connect(action, &QAction::triggered, this, slot);
    };
    const auto open = [this] {
        if (OpenProgramFile(this, *openDialog_, machine_->Decoder(), symbols_))
            debuggerWindows_->SymbolsChanged();
        RefreshNow();
    };
    const auto saveAs = [this] {
        SaveProgramFileAs(this, *saveRangeDialog_, *saveDialog_, machine_->Decoder());
    };
    const auto start = [this] { machine_->SetSystemRunning(true); };
    const auto stop = [this] { machine_->SetSystemRunning(false); };
    onTriggered(c.open, open);
    onTriggered(c.speedButtons[B::kOpenButton], open);
    onTriggered(c.saveAs, saveAs);
    onTriggered(c.speedButtons[B::kSaveAsButton], saveAs);
    onTriggered(c.start, start);
    onTriggered(c.speedButtons[B::kStartButton], start);
    onTriggered(c.stop, stop);
    onTriggered(c.speedButtons[B::kStopButton], stop);
    onTriggered(c.quit, [this] { close(); });
    onTriggered(c.info, [this] { aboutDialog_->exec(); });
    connect(c.acousticMessages, &QAction::toggled, this,
            [this](bool on) { machine_->Decoder().SetBeepOnMessage(on); });
    connect(c.countCycles, &QAction::toggled, this, [this](bool on) {
        machine_->SetCountCycles(on);
        RefreshNow();
    });
    onTriggered(c.clearOutput, [this] { ClearOutputField(); });
    onTriggered(c.clearBreakpoints, [this] { ClearBreakpoints(); });
    onTriggered(c.clearProgramMemory, [this] { ClearProgramMemory(); });
    onTriggered(c.resetCycleCounter, [this] {
        machine_->SetCycleCounter(0);
        RefreshNow();
    });

    // With a remote board the Clear key resets that board instead of the simulated one.
    const auto remoteClear = [this](KeypadKey key) {
        return key == KeypadKey::Clear && remote_->Connected() && !machine_->KeyDown(key);
    };
    connect(keypad_, &KeypadPanel::KeyPressed, this, [this, remoteClear](KeypadKey key) {
        if (!remoteClear(key)) machine_->PressKey(key);
    });
    connect(keypad_, &KeypadPanel::KeyReleased, this, [this, remoteClear](KeypadKey key) {
        if (remoteClear(key)) {
            Messages().Clear();
            remote_->ResetRemoteBoard();
        } else {
            machine_->ReleaseKey(key);
        }
        RefreshNow();
    });
}

// "&Speicherfenster", "&CPU-Fenster..." and their speed buttons.
void MainWindow::ConnectDebuggerCommands() {
    const MainCommands& c = commands_;
    using B = MainCommands::SpeedButton;
    const auto onTriggered = [this](QAction* action, auto&& slot) {
        connect(action, &QAction::triggered, this, slot);
    };
    debuggerWindows_ = new DebuggerWindows(*machine_, this, c.cpuWindow);
    debuggerWindows_->SetSymbols(&symbols_);
    const auto showDisassembly = [this] {
        debuggerWindows_->ShowDisassemblyWindow(kDisassemblyStart);
    };
    onTriggered(c.memoryWindowItems[0], showDisassembly);
    onTriggered(c.speedButtons[B::kDisassemblerButton], showDisassembly);
    for (std::size_t i = 0; i < kMemoryWindowRanges.size(); ++i) {
        onTriggered(
            c.memoryWindowItems[static_cast<qsizetype>(i) + 1],
            [this, &range = kMemoryWindowRanges[i]] { debuggerWindows_->ShowMemoryWindow(range); });
    }
    onTriggered(c.speedButtons[B::kProgramMemoryButton], [this] {
        debuggerWindows_->ShowMemoryWindow(kMemoryWindowRanges[kProgramMemoryRange]);
    });
    connect(c.cpuWindow, &QAction::triggered, this,
            [this](bool show) { debuggerWindows_->ShowCpuWindow(show); });
    onTriggered(c.speedButtons[B::kCpuWindowButton], [this] { commands_.cpuWindow->trigger(); });
}

// "&Einzelschritt", "P&rozedurschritt", "Bis R&ücksprung", "Ausführen bis &Cursor", the two
// commands that go back, their speed buttons and "&Geschwindigkeit".
void MainWindow::ConnectSteppingCommands() {
    const MainCommands& c = commands_;
    const std::array<std::pair<QAction*, StepKind>, 3> steps = {{{c.step, StepKind::Step},
                                                                 {c.stepOver, StepKind::StepOver},
                                                                 {c.stepOut, StepKind::StepOut}}};
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const StepKind kind = steps[i].second;
        const auto start = [this, kind] { runLoop_->StartStepping(kind); };
        connect(steps[i].first, &QAction::triggered, this, start);
        connect(c.steppingButtons[i], &QAction::triggered, this, start);
    }
    connect(c.runToCursor, &QAction::triggered, this, &MainWindow::RunToCursor);
    connect(c.steppingButtons[3], &QAction::triggered, this, &MainWindow::RunToCursor);
    for (const bool toBreakpoint : {false, true}) {
        const auto back = [this, toBreakpoint] { runLoop_->StepBack(toBreakpoint); };
        connect(toBreakpoint ? c.backToBreakpoint : c.stepBack, &QAction::triggered, this, back);
        connect(c.stepBackButtons[toBreakpoint ? 1 : 0], &QAction::triggered, this, back);
    }
    for (qsizetype i = 0; i < c.speeds.size(); ++i) {
        const unsigned factor = kSpeedFactors[static_cast<std::size_t>(i)];
        connect(c.speeds[i], &QAction::triggered, this,
                [this, factor] { runLoop_->SetSpeedFactor(factor); });
    }
}

void MainWindow::RunToCursor() {
    std::optional<Address> target = debuggerWindows_->CursorAddress();
    if (!target) {
        bool ok = false;
        const QString text =
            QInputDialog::getText(this, QStringLiteral("Ausführen bis"),
                                  QStringLiteral("Adresse (vierstellig hexadezimal) oder Marke:"),
                                  QLineEdit::Normal, QString(), &ok);
        if (!ok || text.trimmed().isEmpty()) return;
        target = EnteredAddressOrLabel(this, text.trimmed().toUpper(), &symbols_);
    }
    if (target) runLoop_->StartStepping(StepKind::RunTo, *target);
}

void MainWindow::OpenProgram(const QString& path) {
    if (LoadProgramOrSource(this, path, machine_->Decoder(), symbols_))
        debuggerWindows_->SymbolsChanged();
    RefreshNow();
}

void MainWindow::UseSymbolsOf(const QString& programPath) {
    const Status labels = LoadSymbolsBeside(QFile::encodeName(programPath).toStdString(), symbols_);
    if (!labels) machine_->Decoder().ShowMessage(labels.Message().text);
    debuggerWindows_->SymbolsChanged();
}

MessageLines& MainWindow::Messages() {
    return machine_->Messages();
}

void MainWindow::ApplySettings(const Settings& settings) {
    settings_ = settings;
    machine_->SetSystemRunning(settings.systemRunning);
}

Settings MainWindow::CurrentSettings() const {
    Settings settings = settings_;
    settings.systemRunning = machine_->SystemRunning();
    return settings;
}

void MainWindow::SetLocalOperation(bool local) {
    local_ = local;
    ApplyCommandRules(commands_, local_, machine_->SystemRunning());
    debuggerWindows_->SetHidden(!local);
    deviceWindows_->SetLocalOperation(local);
}

void MainWindow::RefreshNow() {
    runLoop_->RefreshNow();
}

void MainWindow::ShowFrame(const MachineSnapshot& snapshot) {
    if (snapshot.generations.display != shownDisplayGeneration_) {
        display_->ShowDisplay(snapshot.display);
        shownDisplayGeneration_ = snapshot.generations.display;
    }
    if (snapshot.generations.run != shownRunGeneration_) {
        cycleCounterPanel_->setText(CycleCounterText(snapshot.countCycles, snapshot.cycleCounter));
        shownRunGeneration_ = snapshot.generations.run;
    }
    output_->Flush();
    debuggerWindows_->ShowFrame(snapshot);
}

void MainWindow::SystemRunningChanged(bool running) {
    using B = MainCommands::SpeedButton;
    commands_.speedButtons[running ? B::kStartButton : B::kStopButton]->setChecked(true);
    ApplyCommandRules(commands_, local_, running);
    runStatePanel_->setText(RunStateText(running));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    const bool isKey = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (isKey && watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == this &&
        QApplication::activeModalWidget() == nullptr) {
        if (HandleKey(*static_cast<QKeyEvent*>(event))) return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

bool MainWindow::HandleKey(const QKeyEvent& event) {
    const auto modifiers = event.modifiers();
    if (event.type() == QEvent::KeyPress) {
        const auto key = KeypadKeyForPress(event.key(), modifiers);
        if (!key) return false;
        // A held PC key repeats: the keypad key is already down.
        if (!event.isAutoRepeat()) keypad_->Button(*key)->SetButtonDown(true);
        return true;
    }
    const auto keys = KeypadKeysForRelease(event.key(), modifiers);
    if (keys.empty()) return false;
    if (!event.isAutoRepeat()) {
        for (const KeypadKey key : keys)
            keypad_->Button(key)->SetButtonDown(false);
    }
    return true;
}

void MainWindow::ClearOutputField() {
    if (!Confirm(this, QStringLiteral("Ausgabefeld leeren?"),
                 QStringLiteral("Soll der im Ausgabefeld für Statusmeldungen enthaltene Text "
                                "gelöscht werden?"))) {
        return;
    }
    Messages().Clear();
    RefreshNow();
}

void MainWindow::ClearBreakpoints() {
    if (!Confirm(this, QStringLiteral("Breakpoints löschen?"),
                 QStringLiteral("Sollen alle von Ihnen gesetzten Breakpoints wirklich gelöscht "
                                "werden?"))) {
        return;
    }
    machine_->Decoder().ClearAllBreakpoints();
}

void MainWindow::ClearProgramMemory() {
    if (!Confirm(this, QStringLiteral("Programmspeicherinhalt löschen?"),
                 QStringLiteral("Soll der Inhalt des Programmspeichers ($0400 - $1FFF) wirklich "
                                "gelöscht werden?\nSie verlieren dadurch alle von Ihnen "
                                "eingegebenen Programme!"))) {
        return;
    }
    machine_->ResetSystem();
    for (unsigned address = kProgramMemoryFirst; address <= kProgramMemoryLast; ++address)
        machine_->Decoder().Write(static_cast<Address>(address), 0);
    RefreshNow();
}

}  // namespace tarvok
