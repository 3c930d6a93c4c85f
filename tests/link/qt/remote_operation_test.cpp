// Remote operation against a scripted server on 127.0.0.1: what the client sends on connecting
// and on key releases, how it takes the server's messages in any pieces, and how it survives a
// server that refuses, floods or closes mid-message.

#include <QLabel>
#include <QLineEdit>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "link/protocol/remote_protocol.h"
#include "ui/dialogs/link_dialogs.h"
#include "ui/keypad_keys.h"
#include "ui/keypad_panel.h"
#include "ui/remote_operation.h"
#include "ui/ui_support.h"

namespace tarvok::test {
namespace {

QByteArray Bytes(const std::string& text) {
    return QByteArray(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

class RemoteOperationTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> window_;
    QTcpServer server_;
    QTcpSocket* peer_ = nullptr;
    QByteArray received_;

    RemoteOperation& Remote() { return window_->Remote(); }

    // Connects the window to the scripted server and waits for the client's first bytes.
    void ConnectWindow() {
        Settings settings = window_->CurrentSettings();
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = server_.serverPort();
        settings.dtrPulseWidth = 25;
        window_->ApplySettings(settings);
        window_->Commands().connectRemote->trigger();
        QTRY_VERIFY(peer_ != nullptr);
        QTRY_VERIFY(Remote().Connected());
        QTRY_COMPARE(received_.size(), 4);  // F0 "25" F2
    }

    // Sends `bytes` in pieces of `piece`, each in its own write and read.
    void SendInPieces(const std::string& bytes, int piece) {
        for (std::size_t at = 0; at < bytes.size(); at += static_cast<std::size_t>(piece)) {
            peer_->write(Bytes(bytes.substr(at, static_cast<std::size_t>(piece))));
            peer_->flush();
            QTest::qWait(2);
        }
    }

    Byte Register(int index) { return window_->Board().Display().Pattern(index); }

private slots:
    void init() {
        window_ = MakeMainWindow();
        QVERIFY(server_.listen(QHostAddress::LocalHost));
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            QTcpSocket* peer = server_.nextPendingConnection();
            if (peer == nullptr) return;
            peer_ = peer;
            connect(peer, &QTcpSocket::readyRead, this,
                    [this, peer] { received_ += peer->readAll(); });
        });
    }

    void cleanup() {
        window_.reset();
        disconnect(&server_, nullptr, this, nullptr);
        server_.close();
        peer_ = nullptr;
        received_.clear();
    }

    void connectingSendsPulseWidthThenResetAndLeavesLocalOperation() {
        window_->Board().SetSystemRunning(true);
        ConnectWindow();
        QCOMPARE(received_, Bytes(remote::PulseWidthMessage(25) + remote::ResetMessage()));
        QVERIFY(!window_->Board().SystemRunning());
        QCOMPARE(window_->RunStatePanel()->text(), QStringLiteral("Remotebetrieb..."));
        const MainCommands& c = window_->Commands();
        QVERIFY(!c.open->isEnabled() && !c.connectRemote->isEnabled() &&
                !c.serverAddress->isEnabled());
        QVERIFY(c.disconnectRemote->isEnabled() && c.resetRemote->isEnabled() &&
                c.pulseWidth->isEnabled());
        for (QAction* button : c.speedButtons)
            QVERIFY(!button->isEnabled());

        c.disconnectRemote->trigger();
        QTRY_VERIFY(window_->Board().SystemRunning());
        QVERIFY(c.open->isEnabled() && c.connectRemote->isEnabled());
        QVERIFY(!c.disconnectRemote->isEnabled());
    }

    void keyReleasesAndClearGoToTheServer() {
        ConnectWindow();
        received_.clear();
        window_->Keypad()->Button(KeypadKey::Data5)->SetButtonDown(true);
        window_->Keypad()->Button(KeypadKey::Data5)->SetButtonDown(false);
        window_->Keypad()->Button(KeypadKey::Clear)->SetButtonDown(true);
        window_->Keypad()->Button(KeypadKey::Clear)->SetButtonDown(false);
        window_->Commands().resetRemote->trigger();
        QTRY_COMPARE(received_, QByteArray("\xF1\x12\xF2\xF2"));
    }

    void displayMessagesInAnyPiecesReachTheDisplayRegisters() {
        ConnectWindow();
        const std::string script = remote::AllDigitsMessage({0, 1, 2, 3, 4, 5, 6, 7}) +
                                   remote::DigitMessage(10, 0x6F) +
                                   remote::DigitPairMessage(8, 0x11, 0x22);
        SendInPieces(script, 1);
        QTRY_COMPARE(Register(7), Byte{0x22});
        for (int k = 0; k < 7; ++k) {
            const Byte expected = k == 2 ? 0x6F : static_cast<Byte>(k);
            QCOMPARE(Register(k), expected);
            QCOMPARE(Register(k + 8), expected);
        }
        SendInPieces(remote::ClearDisplayMessage() + "A", 1);
        QTRY_COMPARE(window_->Board().Messages().Lines().back(), std::string(" 41"));
        for (int k = 0; k < 16; ++k)
            QCOMPARE(Register(k), Byte{0});
    }

    void uploadsAreOfferedForSavingWithTheirCheck() {
        ConnectWindow();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("upload.hex"));
        SeenMessage good, bad;
        ModalDriver driver;
        driver.Then(AnswerMessageBox(&good, QMessageBox::Ok))
            .Then(ChooseFile(path))
            .Then(AnswerMessageBox(&bad, QMessageBox::Cancel));
        const std::string upload = ":020400000102F7\r\n:00000001FF\r\n";
        SendInPieces(remote::UploadMessage(upload), 7);
        QTRY_VERIFY(QFile::exists(path));
        QCOMPARE(ReadText(path), QByteArray(upload.c_str()));
        SendInPieces(remote::UploadMessage(":020400000102F8\r\n:00000001FF\r\n"), 64);
        QTRY_VERIFY(driver.AllAnswered());
        QCOMPARE(good.caption, QStringLiteral("Hexfile speichern"));
        QCOMPARE(good.text,
                 QStringLiteral("Es wurde ein Intel Hexfile empfangen. File speichern?"));
        QCOMPARE(bad.text,
                 QStringLiteral("Es wurde ein defektes Intel Hexfile empfangen. File speichern?"));
        QCOMPARE(driver.Unexpected(), 0);
    }

    void programRequestSendsTheChosenFile() {
        ConnectWindow();
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("program.hex"));
        WriteText(path, ":020400000102F7\r\n:00000001FF\r\n");
        ModalDriver driver;
        driver.Then(ChooseFile(path));
        received_.clear();
        SendInPieces(remote::ProgramRequestMessage(), 1);
        QTRY_COMPARE(received_, QByteArray("\xF5:020400000102F7:00000001FF\xF5"));
        QCOMPARE(driver.Unexpected(), 0);
    }

    void serverClosingMidMessageOrFloodingEndsCleanly() {
        window_->Board().SetSystemRunning(false);
        ConnectWindow();
        // A flood of garbage and half messages, then the server goes away.
        std::string flood(200000, '\x41');
        flood += "\xF2\xFB\x01";
        peer_->write(Bytes(flood));
        peer_->flush();
        QTRY_VERIFY_WITH_TIMEOUT(window_->Board().Messages().Lines().size() > 1, 10000);
        peer_->disconnectFromHost();
        QTRY_VERIFY(window_->Commands().connectRemote->isEnabled());
        QVERIFY(!window_->Board().SystemRunning());
        QVERIFY(window_->Commands().open->isEnabled());
    }

    void refusedConnectionShowsItsBoxAndRestoresTheCommands() {
        const quint16 port = server_.serverPort();
        server_.close();
        Settings settings = window_->CurrentSettings();
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = port;
        window_->ApplySettings(settings);
        SeenMessage seen;
        ModalDriver driver;
        driver.Then(AnswerMessageBox(&seen, QMessageBox::Ok));
        window_->Commands().connectRemote->trigger();
        QVERIFY(!window_->Commands().speedButtons[0]->isEnabled());
        QTRY_VERIFY(driver.AllAnswered());
        QCOMPARE(seen.caption, QStringLiteral("Tarvok"));
        QCOMPARE(seen.text, QStringLiteral("Verbindung konnte nicht aufgebaut werden, da der "
                                           "Server die Verbindung ablehnte.\nStimmen "
                                           "Serveradresse und Portnummer?"));
        QTRY_VERIFY(window_->Commands().connectRemote->isEnabled());
        QVERIFY(window_->Commands().speedButtons[0]->isEnabled());
    }

    void settingsDialogsRejectBadTextAndKeepTheOldValues() {
        SeenMessage seen;
        ModalDriver driver;
        driver
            .Then([](QWidget* modal) {
                auto* dialog = static_cast<ServerAddressDialog*>(modal);
                dialog->HostEdit()->setText(QStringLiteral("elsewhere"));
                dialog->PortEdit()->setText(QStringLiteral("abc"));
                dialog->accept();
            })
            .Then(AnswerMessageBox(&seen, QMessageBox::Ok))
            .Then([](QWidget* modal) {
                static_cast<PulseWidthDialog*>(modal)->PulseWidthEdit()->setText(
                    QStringLiteral("70000"));
                static_cast<QDialog*>(modal)->accept();
            });
        const Settings before = window_->CurrentSettings();
        window_->Commands().serverAddress->trigger();
        QCOMPARE(seen.caption, QStringLiteral("Fehlerhafter Eingabewert!"));
        QCOMPARE(seen.text, QStringLiteral("Die eingegebene Portnummer ist ungültig."));
        QCOMPARE(window_->CurrentSettings().host, before.host);
        QCOMPARE(window_->CurrentSettings().port, before.port);
        window_->Commands().pulseWidth->trigger();
        QCOMPARE(window_->CurrentSettings().dtrPulseWidth, std::uint16_t{4464});
        QCOMPARE(driver.Unexpected(), 0);
    }
};

}  // namespace tarvok::test

QTEST_MAIN(tarvok::test::RemoteOperationTest)
#include "remote_operation_test.moc"
