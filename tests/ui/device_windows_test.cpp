// The port, timer and serial windows: their menu items and check marks, what they show of their
// devices, their switches and signal-file buttons, the timer window's zoom and scrolling, and a
// program that drives port B and timer 1 while both windows are open.
#include <QButtonGroup>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QtTest>
#include <initializer_list>

#include "ui/devices/device_windows.h"
#include "ui/devices/port_window.h"
#include "ui/devices/serial_window.h"
#include "ui/devices/signal_file_bar.h"
#include "ui/devices/timer_window.h"
#include "ui/widgets/led.h"
#include "ui/widgets/signal_graph.h"
#include "ui/widgets/toggle_switch.h"
#include "ui_support.h"

namespace tarvok {

namespace {

using test::AnswerMessageBox;
using test::ChooseFile;
using test::ModalDriver;
using test::ReadText;
using test::SeenMessage;
using test::WriteText;

// Flips a vertical switch as a click on its lever does (the lever sits in the other half).
void Flip(ToggleSwitch* toggle) {
    const int y = toggle->isChecked() ? toggle->height() - 5 : 5;
    QTest::mouseClick(toggle, Qt::LeftButton, {}, QPoint(toggle->width() / 2, y));
}

void RunCycles(Machine& machine, std::uint64_t cycles) {
    const std::uint64_t end = machine.TotalCycles() + cycles;
    while (machine.TotalCycles() < end)
        machine.Step();
}

void Load(Machine& machine, Address address, std::initializer_list<Byte> bytes) {
    for (const Byte byte : bytes)
        machine.Decoder().Write(address++, byte);
}

QString StatusText(const SignalFileBar& files) {
    return files.StatusLine()->currentMessage();
}

}  // namespace

class DeviceWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void menuItemsAndSpeedButtonsShowWindowsWithCheckMarks() {
        const auto window = test::MakeMainWindow();
        const MainCommands& c = window->Commands();
        DeviceWindows& devices = *window->Devices();
        QAction* portButton = c.speedButtons[MainCommands::kPortBButton];
        QVERIFY(c.portB->isEnabled() && portButton->isEnabled() && c.aciaWindow->isEnabled());

        c.portB->trigger();
        QVERIFY(devices.Port(kPortB)->isVisible());
        QVERIFY(c.portB->isChecked() && portButton->isChecked());
        devices.Port(kPortB)->close();
        QVERIFY(!devices.Port(kPortB)->isVisible());
        QVERIFY(!c.portB->isChecked() && !portButton->isChecked());

        c.speedButtons[MainCommands::kTimer3Button]->trigger();
        QVERIFY(devices.Timer(3)->isVisible() && c.timer3->isChecked());
        c.timer3->trigger();
        QVERIFY(!devices.Timer(3)->isVisible());
        QVERIFY(!c.speedButtons[MainCommands::kTimer3Button]->isChecked());

        // Remote operation hides the open windows and brings them back afterwards.
        c.aciaWindow->trigger();
        window->SetLocalOperation(false);
        QVERIFY(!devices.Serial()->isVisible());
        window->SetLocalOperation(true);
        QVERIFY(devices.Serial()->isVisible() && c.aciaWindow->isChecked());
    }

    void portWindowRowsFollowTheDirectionRegister() {
        const auto window = test::MakeMainWindow();
        Machine& machine = window->Board();
        PortWindow& portA = *window->Devices()->Port(kPortA);
        PortWindow& portB = *window->Devices()->Port(kPortB);
        portA.show();
        portB.show();
        QCOMPARE(portA.windowTitle(), QStringLiteral("Paralleler Port A (MC6821)"));
        QCOMPARE(portA.RowText(PortWindow::kOutputsRow), QStringLiteral("Ausgänge:|||--------"));

        machine.Pia().SetInputSwitches(kPortA, 0x02);
        machine.Decoder().Write(0xF000, 0xF0);  // DDRA
        machine.Decoder().Write(0xF001, 0x04);
        machine.Decoder().Write(0xF000, 0xA0);  // DRA
        for (const auto& [address, value] :
             {std::pair{0xF002, 0xFF}, {0xF003, 0x04}, {0xF002, 0xAA}})
            machine.Decoder().Write(static_cast<Address>(address), static_cast<Byte>(value));
        window->RefreshNow();

        QCOMPARE(portA.RowText(PortWindow::kDdrRow),
                 QStringLiteral("DDRA|(F000, CRA2=0):|F0|11110000"));
        QCOMPARE(portA.RowText(PortWindow::kDrRow),
                 QStringLiteral("DRA|(F000, CRA2=1):|A0|10100000"));
        QCOMPARE(portA.RowText(PortWindow::kReadRow),
                 QStringLiteral("DRA lesen|(F000, CRA2=1):|02|00000010"));
        QCOMPARE(portA.RowText(PortWindow::kCrRow), QStringLiteral("CRA|(F001):|04|00000100"));
        QCOMPARE(portA.RowText(PortWindow::kInputsRow), QStringLiteral("Eingänge:|||----0010"));
        QCOMPARE(portA.RowText(PortWindow::kOutputsRow), QStringLiteral("Ausgänge:|||1010----"));
        for (int bit = 0; bit < 8; ++bit) {
            const bool output = bit >= 4;
            QCOMPARE(portA.BitSwitch(bit)->isVisible(), !output);
            QCOMPARE(portA.BitLed(bit)->isVisible(), output);
            QCOMPARE(portA.BitLed(bit)->value(), bit == 7 || bit == 5);
        }
        // Port B reads back its own outputs.
        QCOMPARE(portB.RowText(PortWindow::kReadRow),
                 QStringLiteral("DRB lesen|(F002, CRB2=1):|AA|10101010"));

        // A switch moves the pin at once: the rows and a memory view of $F000 follow.
        Flip(portA.BitSwitch(3));
        QCOMPARE(machine.Pia().InputSwitches(kPortA), Byte{0x0A});
        QCOMPARE(machine.Decoder().Read(0xF000, true), Byte{0x0A});
        QCOMPARE(portA.RowText(PortWindow::kInputsRow), QStringLiteral("Eingänge:|||----1010"));

        // Cx2 as an output shows its lamp in place of its switch.
        machine.Decoder().Write(0xF001, 0x3C);
        window->RefreshNow();
        QVERIFY(portA.Cx2Led()->isVisible() && portA.Cx2Led()->value());
        QVERIFY(!portA.ControlSwitch(2)->isVisible());
        machine.Decoder().Write(0xF001, 0x34);
        window->RefreshNow();
        QVERIFY(!portA.Cx2Led()->value());

        // A reset turns the control switches off but leaves the inputs they drove.
        machine.Decoder().Write(0xF003, 0x00);
        Flip(portB.ControlSwitch(2));
        QVERIFY(machine.Pia().ControlInput(kPortB, 2));
        machine.ResetSystem();
        window->RefreshNow();
        QVERIFY(!portB.ControlSwitch(2)->isChecked());
        QVERIFY(machine.Pia().ControlInput(kPortB, 2));
        QCOMPARE(portA.RowText(PortWindow::kDdrRow),
                 QStringLiteral("DDRA|(F000, CRA2=0):|00|00000000"));
    }

    void portSignalFilesPlayAndRecordThroughTheButtons() {
        const auto window = test::MakeMainWindow();
        Machine& machine = window->Board();
        QTemporaryDir folder;
        const QString recording = folder.filePath("port.pia");
        const QString stimulus = folder.filePath("in.pia");
        const QString broken = folder.filePath("broken.pia");
        WriteText(stimulus, "#Px7-Px0  Cx1 Cx2     Zeit\n10101010   -   1        100\n");
        WriteText(broken, "#Px7-Px0  Cx1 Cx2     Zeit\n");
        window->Commands().portB->trigger();
        PortWindow& port = *window->Devices()->Port(kPortB);
        SignalFileBar& files = port.Files();
        ModalDriver driver;
        SeenMessage seen;

        driver.Then(ChooseFile(broken)).Then(AnswerMessageBox(&seen, QMessageBox::Ok));
        files.PlayButton()->trigger();
        QCOMPARE(seen.caption, QStringLiteral("Fehler beim Parsen des Dateiinhalts!"));
        QVERIFY(!machine.Pia().IsReading(kPortB) && files.PlayButton()->isEnabled());

        driver.Then(ChooseFile(stimulus));
        files.PlayButton()->trigger();
        QCOMPARE(StatusText(files), QStringLiteral("Signale werden aus Datei eingespielt..."));
        QVERIFY(files.StopButton()->isEnabled() && !files.RecordButton()->isEnabled());
        RunCycles(machine, 200);  // the file ends after 100 cycles
        QVERIFY(files.PlayButton()->isEnabled() && StatusText(files).isEmpty());
        window->RefreshNow();
        QVERIFY(port.BitSwitch(7)->isChecked() && !port.BitSwitch(6)->isChecked());
        QVERIFY(port.ControlSwitch(2)->isChecked());

        // Closing the window during a recording ends it and writes the file.
        driver.Then(ChooseFile(recording));
        files.RecordButton()->trigger();
        QCOMPARE(StatusText(files), QStringLiteral("Signale werden in Datei abgespeichert..."));
        machine.Pia().SetDdr(kPortB, 0x0F);
        machine.Pia().SetCr(kPortB, 0x04);
        machine.Pia().SetDr(kPortB, 0x05);
        RunCycles(machine, 50);
        port.close();
        QVERIFY(!machine.Pia().IsRecording(kPortB));
        QVERIFY(!window->Commands().portB->isChecked());
        const QList<QByteArray> lines = ReadText(recording).trimmed().split('\n');
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines.constFirst().trimmed(), QByteArray("#Px7-Px0  Cx1 Cx2     Zeit"));
        QVERIFY(lines.constLast().startsWith("----0101   -   -"));
        QCOMPARE(driver.Unexpected(), 0);
    }

    void timerWindowRowsAndZoomLabels() {
        const auto window = test::MakeMainWindow();
        const DeviceWindows& devices = *window->Devices();
        TimerWindow& timer2 = *devices.Timer(2);
        QCOMPARE(timer2.windowTitle(), QStringLiteral("Timer 2 (MC6840)"));
        QCOMPARE(devices.Timer(1)->RowText(TimerWindow::kCrRow),
                 QStringLiteral("CR#1 (F018, CR#2 Bit 0 = 1):|01|00000001"));
        QCOMPARE(timer2.RowText(TimerWindow::kCrRow), QStringLiteral("CR#2 (F019):|00|00000000"));
        QCOMPARE(devices.Timer(3)->RowText(TimerWindow::kCrRow),
                 QStringLiteral("CR#3 (F018, CR#2 Bit 0 = 0):|00|00000000"));
        QCOMPARE(timer2.RowText(TimerWindow::kStatusRow), QStringLiteral("SR (F019):|00|00000000"));
        QCOMPARE(devices.Timer(3)->RowText(TimerWindow::kMsbLatchRow),
                 QStringLiteral("Latch MSB (F01E):|FF|11111111"));
        QCOMPARE(timer2.RowText(TimerWindow::kLsbLatchRow),
                 QStringLiteral("Latch LSB (F01D):|FF|11111111"));

        QCOMPARE(timer2.ZoomLabel()->text(), QStringLiteral("Zoom: 1x"));
        const std::pair<int, const char*> zooms[] = {
            {23, "Zoom: 128x"}, {1, "Zoom: 1/32768x"}, {15, "Zoom: 1/2x"}, {17, "Zoom: 2x"}};
        for (const auto& [position, text] : zooms) {
            timer2.ZoomBar()->setValue(position);
            QCOMPARE(timer2.ZoomLabel()->text(), QString::fromUtf8(text));
        }
        QCOMPARE(TimerWindow::ZoomScale(23).pixels, 128);
        QCOMPARE(TimerWindow::ZoomScale(1).steps, 32768);
    }

    void turningRecordingOffScrollsToTheEnd() {
        const auto window = test::MakeMainWindow();
        TimerWindow& timer = *window->Devices()->Timer(1);
        timer.show();
        QVERIFY(timer.GraphSwitch()->isChecked() && timer.OutputGraph()->isEnabled());
        QVERIFY(!timer.CoarseBar()->isEnabled());
        for (SignalGraph* graph : {timer.OutputGraph(), timer.InterruptGraph()})
            graph->DrawValue({1, 1}, 300000);

        timer.GraphSwitch()->setChecked(false);
        QVERIFY(!timer.OutputGraph()->isEnabled() && timer.CoarseBar()->isEnabled());
        QCOMPARE(timer.CoarseBar()->maximum(), 2);
        QCOMPARE(timer.CoarseBar()->value(), 2);
        QCOMPARE(timer.FineBar()->maximum(), 9464);
        QCOMPARE(timer.FineBar()->value(), 9464);
        timer.CoarseBar()->setValue(1);
        QCOMPARE(timer.FineBar()->maximum(), 32767);
        timer.CoarseBar()->setValue(2);
        QCOMPARE(timer.FineBar()->maximum(), 9464);

        // Showing the window again starts a fresh recording.
        timer.close();
        timer.show();
        QVERIFY(timer.GraphSwitch()->isChecked());
        QCOMPARE(timer.OutputGraph()->SavedSteps(), 0u);
    }

    void gateSwitchDrivesItsOwnTimerOnly() {
        const auto window = test::MakeMainWindow();
        Machine& machine = window->Board();
        TimerWindow& timer2 = *window->Devices()->Timer(2);
        timer2.show();
        Flip(timer2.GateSwitch());
        QVERIFY(machine.Timer().Gate(2));
        QVERIFY(!machine.Timer().Gate(1) && !machine.Timer().Gate(3));
        // The window's reset lets the gate go low again, whether the window is shown or not.
        timer2.close();
        machine.ResetSystem();
        QVERIFY(!machine.Timer().Gate(2));
        QVERIFY(!timer2.GateSwitch()->isChecked());
    }

    void serialWindowShowsRegistersFormatLampsAndGraphs() {
        const auto window = test::MakeMainWindow();
        Machine& machine = window->Board();
        window->Commands().aciaWindow->trigger();
        SerialWindow& serial = *window->Devices()->Serial();
        QCOMPARE(serial.windowTitle(), QStringLiteral("Serieller Port (R6551)"));

        machine.Decoder().Write(0xF00B, 0x1E);  // 9600 baud, 8 data bits, 1 stop bit
        machine.Decoder().Write(0xF00A, 0x0B);  // DTR, receiver interrupt off, RTS low
        window->RefreshNow();
        QCOMPARE(serial.RowText(SerialWindow::kConRow),
                 QStringLiteral("CON (F00B):|1E|0  0  0  1  1  1  1  0"));
        QCOMPARE(serial.RowText(SerialWindow::kSrRow),
                 QStringLiteral("SR  (F009):|10|0  0  0  1  0  0  0  0"));
        QCOMPARE(serial.RowText(SerialWindow::kTdrRow), QStringLiteral("TDR (F008):|00|00000000"));
        QCOMPARE(serial.FormatTexts(), (QStringList{"9600 Baud", "1 Startbit", "8 Bit Wortlänge",
                                                    "keine Parität", "1 Stopbit"}));
        QVERIFY(!serial.Lamp(R6551Lamp::DTR)->value() && !serial.Lamp(R6551Lamp::RTS)->value());
        machine.Decoder().Write(0xF00A, 0x6B);  // even parity
        machine.Decoder().Write(0xF00B, 0xFE);  // 5 data bits, stop bit select
        window->RefreshNow();
        QCOMPARE(serial.FormatTexts().mid(2),
                 (QStringList{"5 Bit Wortlänge", "gerade Parität", "2 Stopbits"}));
        machine.Decoder().Write(0xF00A, 0x0B);
        window->RefreshNow();
        QCOMPARE(serial.FormatTexts().constLast(), QStringLiteral("1½ Stopbits"));
        machine.Decoder().Write(0xF00B, 0x1E);

        // The DSR switch off reads as 1 in SR bit 6.
        Flip(serial.Switch(R6551Switch::DSR));
        QVERIFY(!machine.Acia().DsrSwitch());
        QCOMPARE(machine.Acia().Sr() & R6551::kDSR, R6551::kDSR);

        // Line levels draw the graphs upside down with the line's voltages.
        serial.LevelButtons()->button(SerialWindow::kLineLevels)->click();
        QVERIFY(serial.TxdGraph()->inverted() && serial.DtrGraph()->inverted());
        QCOMPARE(serial.RtsGraph()->topText(), QStringLiteral("+12 V"));
        QCOMPARE(serial.RtsGraph()->bottomText(), QStringLiteral("-12 V"));
        serial.LevelButtons()->button(SerialWindow::kAciaLevels)->click();
        QVERIFY(!serial.TxdGraph()->inverted());
        QCOMPARE(serial.TxdGraph()->topText(), QStringLiteral(" +5 V"));

        // A character on the transmit line: 30 steps per bit, equal bits in one run.
        machine.Decoder().Write(0xF008, 0x41);
        RunCycles(machine, 1200);
        window->RefreshNow();
        const SignalHistory& txd = serial.TxdGraph()->History();
        QCOMPARE(txd.RunCount(), std::size_t{6});
        const std::pair<std::uint16_t, std::uint32_t> runs[] = {
            {0x41 << 6 | 0x22, 30}, {1, 30}, {0, 150}, {1, 30}, {0, 30}, {9, 30}};
        for (std::size_t i = 0; i < 6; ++i) {
            QCOMPARE(txd.AtAge(5 - i).level, runs[i].first);
            QCOMPARE(txd.AtAge(5 - i).steps, runs[i].second);
        }
        QCOMPARE(serial.RtsGraph()->SavedSteps(), txd.SavedSteps());
    }

    void serialWindowClosingEndsARecording() {
        const auto window = test::MakeMainWindow();
        Machine& machine = window->Board();
        QTemporaryDir folder;
        const QString path = folder.filePath("line.sia");
        SerialWindow& serial = *window->Devices()->Serial();
        serial.show();
        QVERIFY(machine.Acia().StartRecording(path.toStdString()));
        window->RefreshNow();
        QCOMPARE(StatusText(serial.Files()),
                 QStringLiteral("Signale werden in Datei abgespeichert..."));
        machine.Decoder().Write(0xF00A, 0x01);
        RunCycles(machine, 20);
        serial.close();
        QVERIFY(!machine.Acia().IsRecording());
        const QByteArray text = ReadText(path);
        QVERIFY(text.startsWith("TxD RxC DTR RTS      Zeit"));
        QVERIFY(text.contains("\n1   0   0   1 "));
    }

    void serialSignalFilesPlayAndRecordThroughTheButtons() {
        const auto window = test::MakeMainWindow();
        Machine& machine = window->Board();
        QTemporaryDir folder;
        const QString broken = folder.filePath("broken.sia");
        const QString stimulus = folder.filePath("in.sia");
        const QString recording = folder.filePath("out.sia");
        WriteText(broken, "TxD RxC DTR RTS      Zeit\n1   x   1   1          10\n");
        // A record's levels apply when the next one is taken: CTS on at once, DSR after 100 cycles.
        WriteText(stimulus,
                  "TxD RxC DTR RTS      Zeit\n1   0   1   0           0\n"
                  "1   0   0   1         100\n1   0   0   0         100\n");
        window->Commands().aciaWindow->trigger();
        SerialWindow& serial = *window->Devices()->Serial();
        SignalFileBar& files = serial.Files();
        ModalDriver driver;
        SeenMessage seen;

        driver.Then(ChooseFile(broken)).Then(AnswerMessageBox(&seen, QMessageBox::Ok));
        files.PlayButton()->trigger();
        QCOMPARE(seen.caption, QStringLiteral("Fehler beim Parsen des Dateiinhalts!"));
        QVERIFY(!machine.Acia().IsReading() && !files.StopButton()->isEnabled());

        driver.Then(ChooseFile(stimulus));
        files.PlayButton()->trigger();
        QCOMPARE(StatusText(files), QStringLiteral("Signale werden aus Datei eingespielt..."));
        RunCycles(machine, 30);
        window->RefreshNow();
        QVERIFY(serial.Switch(R6551Switch::CTS)->isChecked());
        QVERIFY(!serial.Switch(R6551Switch::DSR)->isChecked());
        RunCycles(machine, 300);  // the file has ended
        window->RefreshNow();
        QVERIFY(serial.Switch(R6551Switch::DSR)->isChecked());
        QVERIFY(!serial.Switch(R6551Switch::CTS)->isChecked());
        QVERIFY(files.RecordButton()->isEnabled() && StatusText(files).isEmpty());

        // A system reset ends a recording: the file is written, the buttons are free again.
        driver.Then(ChooseFile(recording));
        files.RecordButton()->trigger();
        QVERIFY(machine.Acia().IsRecording());
        RunCycles(machine, 10);
        machine.ResetSystem();
        QVERIFY(files.RecordButton()->isEnabled() && StatusText(files).isEmpty());
        QVERIFY(ReadText(recording).startsWith("TxD RxC DTR RTS      Zeit"));
        QCoreApplication::processEvents();
        QCOMPARE(driver.Unexpected(), 0);
    }

    // A program counts port B up and runs timer 1 as a square wave of 8 cycles while both
    // windows are open.
    void windowsFollowAProgramDrivingPortBAndTimer1() {
        const auto window = test::MakeMainWindow();
        window->show();
        Machine& machine = window->Board();
        Load(machine, 0x0400,
             {0x86, 0xFF, 0xB7, 0xF0, 0x02,        // LDA #$FF, STA $F002   DDRB
              0x86, 0x04, 0xB7, 0xF0, 0x03,        // LDA #$04, STA $F003   CRB: DRB
              0x86, 0x01, 0xB7, 0xF0, 0x19,        // LDA #$01, STA $F019   CR2: offset 0 is CR1
              0xCC, 0x00, 0x03,                    // LDD #$0003
              0xB7, 0xF0, 0x1A, 0xF7, 0xF0, 0x1B,  // latches of timer 1
              0x86, 0x82, 0xB7, 0xF0, 0x18,        // CR1: continuous, internal clock, output
              0x7C, 0xF0, 0x02,                    // loop: INC $F002
              0x20, 0xFB});                        // BRA loop
        machine.Cpu().SetPC(0x0400);
        window->Commands().portB->trigger();
        window->Commands().timer1->trigger();
        PortWindow& port = *window->Devices()->Port(kPortB);
        TimerWindow& timer = *window->Devices()->Timer(1);

        machine.SetSystemRunning(true);
        QTRY_VERIFY(machine.TotalCycles() > 50000);
        machine.SetSystemRunning(false);
        window->RefreshNow();

        const Byte drb = machine.Pia().Dr(kPortB);
        QCOMPARE(port.RowText(PortWindow::kDrRow),
                 QStringLiteral("DRB|(F002, CRB2=1):|%1|%2").arg(HexText(drb, 2), BinaryText(drb)));
        for (int bit = 0; bit < 8; ++bit) {
            QVERIFY(port.BitLed(bit)->isVisible() && !port.BitSwitch(bit)->isVisible());
            QCOMPARE(port.BitLed(bit)->value(), ((drb >> bit) & 1) != 0);
        }
        const SignalHistory& out = timer.OutputGraph()->History();
        QVERIFY(out.RunCount() > 1000);
        for (std::size_t age = 1; age + 1 < out.RunCount(); ++age) {
            QCOMPARE(out.AtAge(age).steps, 4u);
            QCOMPARE(out.AtAge(age).level, out.AtAge(age + 1).level ^ 1);
        }
        // Flag 1 is set at the first time-out; nothing clears it.
        const SignalHistory& flag = timer.InterruptGraph()->History();
        QCOMPARE(flag.RunCount(), std::size_t{2});
        QCOMPARE(flag.AtAge(0).level, 1);
        QCOMPARE(flag.SavedSteps(), out.SavedSteps());
        QCOMPARE(timer.RowText(TimerWindow::kStatusRow), QStringLiteral("SR (F019):|01|00000001"));
    }
};

}  // namespace tarvok

QTEST_MAIN(tarvok::DeviceWindowsTest)
#include "device_windows_test.moc"
