// The main window against tarvok-labserver on 127.0.0.1: the display follows the simulated
// board, key releases reach it, and uploads and program requests travel both ways.

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "ui/keypad_panel.h"
#include "ui/remote_operation.h"
#include "ui/ui_support.h"

namespace tarvok::test {

class LabServerTest : public QObject {
    Q_OBJECT

private:
    QProcess server_;
    QByteArray log_;

    // Waits for a line of the server's log that contains `text`.
    bool SawLine(const QByteArray& text) {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000) {
            log_ += server_.readAllStandardOutput();
            if (log_.contains(text)) return true;
            QTest::qWait(10);
        }
        qWarning("server log so far:\n%s", log_.constData());
        return false;
    }

    void Type(const QByteArray& line) { server_.write(line + "\n"); }

private slots:
    void init() {
        server_.start(QStringLiteral(TARVOK_BINARY_DIR "/bin/tarvok-labserver"),
                      {QStringLiteral("--port"), QStringLiteral("0")});
        QVERIFY(server_.waitForStarted());
        QVERIFY(SawLine("listening on 127.0.0.1:"));
    }

    void cleanup() {
        Type("quit");
        if (!server_.waitForFinished(5000)) server_.kill();
        log_.clear();
    }

    void remoteSessionWithTheLabServer() {
        const auto match = QRegularExpression(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"))
                               .match(QString::fromLatin1(log_));
        QVERIFY(match.hasMatch());
        auto window = MakeMainWindow();
        Settings settings = window->CurrentSettings();
        settings.host = QStringLiteral("127.0.0.1");
        settings.port = static_cast<std::uint16_t>(match.captured(1).toUInt());
        settings.dtrPulseWidth = 7;
        window->ApplySettings(settings);
        window->Commands().connectRemote->trigger();
        QTRY_VERIFY(window->Remote().Connected());
        QVERIFY(SawLine("client connected"));
        QVERIFY(SawLine("pulse width 7 ms"));
        QVERIFY(SawLine("reset (pulse width 7 ms)"));

        // The monitor's greeting reaches the window's display through the protocol.
        SevenSegmentDisplay& display = window->Board().Display();
        QTRY_VERIFY_WITH_TIMEOUT(display.Pattern(7) != 0, 10000);

        // Key 5 is released as code 18.
        window->Keypad()->Button(KeypadKey::Data5)->SetButtonDown(true);
        window->Keypad()->Button(KeypadKey::Data5)->SetButtonDown(false);
        QVERIFY(SawLine("key 18"));

        // A program request answered with a file, then the same bytes uploaded back.
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("program.hex"));
        const QString saved = dir.filePath(QStringLiteral("saved.hex"));
        WriteText(program, ":020400001234B4\r\n:00000001FF\r\n");
        SeenMessage question;
        ModalDriver driver;
        driver.Then(ChooseFile(program))
            .Then(AnswerMessageBox(&question, QMessageBox::Ok))
            .Then(ChooseFile(saved));
        Type("request");
        QVERIFY(SawLine("program loaded: 2 bytes"));
        Type("upload 0400 0401");
        QTRY_VERIFY(QFile::exists(saved));
        QCOMPARE(ReadText(saved), QByteArray(":020400001234B4\r\n:00000001FF\r\n"));
        QCOMPARE(question.text,
                 QStringLiteral("Es wurde ein Intel Hexfile empfangen. File speichern?"));
        QCOMPARE(driver.Unexpected(), 0);

        window->Commands().disconnectRemote->trigger();
        QVERIFY(SawLine("client disconnected"));
        QVERIFY(window->Commands().connectRemote->isEnabled());
    }
};

}  // namespace tarvok::test

QTEST_MAIN(tarvok::test::LabServerTest)
#include "lab_server_test.moc"
