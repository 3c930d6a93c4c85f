// The serial commands of the main window against a lab-board stand-in on a pseudo-terminal:
// the boxes of the V.24 transfers with their exact texts, the port bar, the simulation held while
// a transfer runs, and the ACIA's coupling to a host port.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSerialPort>
#include <QTest>

#include "link/qt/pseudo_terminal.h"
#include "ui/dialogs/link_dialogs.h"
#include "ui/dialogs/transfer_dialogs.h"
#include "ui/serial_link.h"
#include "ui/ui_support.h"

namespace tarvok::test {
namespace {

// What the board's end of the line has received.
QByteArray ReadAll(const PseudoTerminal& line) {
    QByteArray all;
    char buffer[4096];
    for (ssize_t n; (n = ::read(line.Master(), buffer, sizeof buffer)) > 0;)
        all.append(buffer, static_cast<qsizetype>(n));
    return all;
}

void Write(const PseudoTerminal& line, const QByteArray& bytes) {
    QCOMPARE(::write(line.Master(), bytes.data(), static_cast<std::size_t>(bytes.size())),
             static_cast<ssize_t>(bytes.size()));
}

const char* const kMissingDevice = "/nonexistent/ttyS9";

// A transfer dialog that comes back on top while its transfer runs is no new dialog.
bool TransferRunning(QWidget* modal) {
    auto* dialog = qobject_cast<TransferDialog*>(modal);
    return dialog != nullptr && dialog->Busy();
}

// Presses OK in the transfer dialog, or checks that it is disabled.
ModalDriver::Handler PressOk() {
    return [](QWidget* modal) {
        auto* dialog = qobject_cast<TransferDialog*>(modal);
        if (dialog == nullptr || !dialog->OkButton()->isEnabled()) {
            modal->close();
            return;
        }
        dialog->OkButton()->click();
    };
}

}  // namespace

class SerialLinkTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window_;
    PseudoTerminal com2_, com3_;

    // COM1 and COM4 are missing; COM2 and COM3 are pseudo-terminals.
    void UsePorts(bool any = true) {
        Settings settings = window_->CurrentSettings();
        for (int i = 0; i < kSerialPortCount; ++i)
            settings.serialPorts.SetDevice(i, QString::fromLatin1(kMissingDevice));
        if (any) {
            settings.serialPorts.SetDevice(1, com2_.SlavePath());
            settings.serialPorts.SetDevice(2, com3_.SlavePath());
        }
        window_->ApplySettings(settings);
    }

    SerialLink& Link() { return window_->Serial(); }

private slots:
    void init() {
        QVERIFY(com2_.Ok() && com3_.Ok());
        window_ = MakeMainWindow();
        window_->Serial().FromLabDialog().SetWaitSeconds(2);
    }
    void cleanup() { window_.reset(); }

    void withoutAPortBothDialogsSayWhyAndOfferOnlyCancel() {
        UsePorts(false);
        SeenMessage connection, none;
        bool okEnabled = true, cancelDefault = false;
        ModalDriver driver;
        driver.Ignore(TransferRunning)
            .Then(AnswerMessageBox(&connection, QMessageBox::Ok))
            .Then(AnswerMessageBox(&none, QMessageBox::Ok))
            .Then([&](QWidget* modal) {
                auto* dialog = qobject_cast<TransferDialog*>(modal);
                okEnabled = dialog->OkButton()->isEnabled();
                cancelDefault = dialog->CancelButton()->isDefault();
                dialog->CancelButton()->click();
            });
        window_->Commands().fromLabComputer->trigger();
        QVERIFY(driver.AllAnswered());
        QCOMPARE(connection.caption, QStringLiteral("V.24-Verbindung herstellen"));
        QVERIFY(connection.text.contains("- PC und Praktikumsrechner ausschalten.\n"));
        QCOMPARE(none.caption, QStringLiteral("serielle Übertragung nicht möglich"));
        QCOMPARE(none.text, QStringLiteral("Es wurde keine serielle Schnittstelle in Ihrem\n"
                                           "Computer gefunden. Sie können daher keine Daten\n"
                                           "vom Praktikumsrechner zum Emulator übertragen.\n"));
        QVERIFY(!okEnabled);
        QVERIFY(cancelDefault);
    }

    void theHighestPresentPortIsChosenAndMissingOnesAreDisabled() {
        UsePorts();
        ToLabComputerDialog& dialog = Link().ToLabDialog();
        dialog.show();
        QVERIFY(!dialog.PortButton(0)->isEnabled() && !dialog.PortButton(3)->isEnabled());
        QVERIFY(dialog.PortButton(1)->isEnabled() && !dialog.PortButton(1)->isChecked());
        QVERIFY(dialog.PortButton(2)->isChecked());
        dialog.hide();
        // With COM1 there as well, still only the highest is chosen.
        Settings settings = window_->CurrentSettings();
        settings.serialPorts.SetDevice(0, com2_.SlavePath());
        window_->ApplySettings(settings);
        dialog.show();
        QVERIFY(!dialog.PortButton(0)->isChecked() && dialog.PortButton(2)->isChecked());
        QVERIFY(dialog.OkButton()->isEnabled() && dialog.OkButton()->isDefault());
        dialog.hide();
    }

    void badAddressesKeepTheSendDialogOpenThenTheRangeGoesToTheBoard() {
        UsePorts();
        window_->Board().Decoder().Write(0x0400, 0xA5);
        ToLabComputerDialog& dialog = Link().ToLabDialog();
        SeenMessage badInput, start, success;
        ModalDriver driver;
        driver.Ignore(TransferRunning)
            .Then(AnswerMessageBox(nullptr, QMessageBox::Ok))
            .Then([](QWidget* modal) {
                auto* d = qobject_cast<ToLabComputerDialog*>(modal);
                d->EndEdit()->setText(QStringLiteral("03FF"));
                d->OkButton()->click();
            })
            .Then(AnswerMessageBox(&badInput, QMessageBox::Ok))
            .Then([](QWidget* modal) {
                auto* d = qobject_cast<ToLabComputerDialog*>(modal);
                d->EndEdit()->setText(QStringLiteral("040F"));
                d->OkButton()->click();
            })
            .Then(AnswerMessageBox(&start, QMessageBox::Ok))
            .Then(AnswerMessageBox(&success, QMessageBox::Ok));
        window_->Commands().toLabComputer->trigger();
        QVERIFY(driver.AllAnswered());
        QCOMPARE(badInput.caption, QStringLiteral("Fehlerhafte Eingabewerte!"));
        QCOMPARE(start.caption, QStringLiteral("Übertragung beginnen?"));
        QVERIFY(start.text.contains("erst danach das Sendeprogramm!"));
        QCOMPARE(success.caption, QStringLiteral("Datenaustausch erfolgreich"));
        QCOMPARE(success.text, QStringLiteral("Der serielle Datenaustausch mit dem "
                                              "Praktikumsrechner\nwurde erfolgreich beendet.\n"));
        const QByteArray sent = ReadAll(com3_);
        QVERIFY(sent.startsWith(":10040000A5"));
        QVERIFY(sent.endsWith("\r\n:00000001FF\r\n"));
        QCOMPARE(dialog.EndEdit()->text(), QStringLiteral("040F"));
    }

    void aReceiveHoldsTheSimulationAndABadChecksumChangesNoMemory() {
        UsePorts();
        Machine& board = window_->Board();
        board.SetSystemRunning(true);
        FromLabComputerDialog& dialog = Link().FromLabDialog();
        QList<std::uint64_t> cyclesAtStatus;
        QStringList statuses;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            const QString text = dialog.StatusLabel()->text();
            const bool first = statuses.isEmpty() && !text.startsWith(QStringLiteral("Zum Start"));
            if (dialog.Busy() && (first || (!statuses.isEmpty() && statuses.last() != text))) {
                statuses << text;
                cyclesAtStatus << board.TotalCycles();
            }
        });
        watch.start(50);
        SeenMessage failure;
        ModalDriver driver;
        driver.Ignore(TransferRunning)
            .Then(AnswerMessageBox(nullptr, QMessageBox::Ok))
            .Then(PressOk())
            .Then([this](QWidget* modal) {
                // The board sends after a second, with one record's checksum wrong, and
                // pauses before the end record.
                QTimer::singleShot(1100, [this] { Write(com3_, ":0104000012E9\r\n"); });
                QTimer::singleShot(1400,
                                   [this] { Write(com3_, ":0104010034C5\r\n:00000001FF\r\n"); });
                AnswerMessageBox(nullptr, QMessageBox::Ok)(modal);
            })
            .Then(AnswerMessageBox(&failure, QMessageBox::Ok));
        window_->Commands().fromLabComputer->trigger();
        QVERIFY(driver.AllAnswered());
        QCOMPARE(failure.caption, QStringLiteral("Empfangen der Daten fehlgeschlagen"));
        QVERIFY(failure.text.contains("wurde nicht erfolgreich beendet.\nDies könnte"));
        QVERIFY(failure.text.endsWith("die Sendetaste S des Praktikumsrechners nicht betätigt.\n"));
        QCOMPARE(board.Decoder().Read(0x0400, true), Byte{0});
        QVERIFY(!dialog.isVisible());
        QCOMPARE(statuses.first(), WaitForSendKeyText(2));
        QCOMPARE(statuses.last(), QStringLiteral("Empfange Daten..."));
        QCOMPARE(cyclesAtStatus.first(), cyclesAtStatus.last());
        QTRY_VERIFY(board.TotalCycles() > cyclesAtStatus.last());  // running again
    }

    void theAciaTakesAHostPortUntilItIsDisconnected() {
        UsePorts();
        AciaConnectionDialog& dialog = Link().AciaDialog();
        SeenMessage rate;
        ModalDriver driver;
        driver
            .Then([](QWidget* modal) {
                auto* d = qobject_cast<AciaConnectionDialog*>(modal);
                d->ConnectedButton()->click();
                d->PortBox()->setCurrentIndex(1);
                d->accept();
            })
            .Then(AnswerMessageBox(&rate, QMessageBox::Ok));
        window_->Commands().aciaConnection->trigger();
        QVERIFY(driver.AllAnswered());
        QCOMPARE(rate.text, QStringLiteral("externe Taktung nicht unterstützt bei Ausgabe über "
                                           "ser. Schnittstelle"));
        QCOMPARE(Link().AciaPort().ConnectedPort(), 2);
        QVERIFY(Link().AciaPort().HostPort()->isOpen());
        // Held exclusively: a transfer cannot take it.
        QSerialPort other(com2_.SlavePath());
        QVERIFY(!other.open(QIODevice::ReadWrite));

        bool shownConnected = false;
        driver.Then([&](QWidget* modal) {
            auto* d = qobject_cast<AciaConnectionDialog*>(modal);
            shownConnected = d->ConnectedButton()->isChecked() &&
                             d->PortBox()->currentText() == QStringLiteral("COM2") &&
                             d->PortBox()->isEnabled();
            d->NotConnectedButton()->click();
            d->accept();
        });
        window_->Commands().aciaConnection->trigger();
        QVERIFY(driver.AllAnswered());
        QVERIFY(shownConnected);
        QCOMPARE(Link().AciaPort().ConnectedPort(), 0);
        QVERIFY(other.open(QIODevice::ReadWrite));
        QVERIFY(!dialog.isVisible());
    }

    void theHostPortClosesWithTheWindow() {
        UsePorts();
        ModalDriver driver;
        driver.Then([](QWidget* modal) {
            auto* d = qobject_cast<AciaConnectionDialog*>(modal);
            d->ConnectedButton()->click();
            d->PortBox()->setCurrentIndex(1);
            d->accept();
        });
        driver.Then(AnswerMessageBox(nullptr, QMessageBox::Ok));
        window_->Commands().aciaConnection->trigger();
        QVERIFY(driver.AllAnswered());
        QSerialPort other(com2_.SlavePath());
        QVERIFY(!other.open(QIODevice::ReadWrite));
        window_.reset();
        QVERIFY(other.open(QIODevice::ReadWrite));
    }
};

}  // namespace tarvok::test

QTEST_MAIN(tarvok::test::SerialLinkTest)
#include "serial_link_test.moc"
