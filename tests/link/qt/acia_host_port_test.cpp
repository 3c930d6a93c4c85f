// The ACIA's host port on pseudo-terminals standing in for COM1 and COM2: the line settings a
// connection gives the port, what choosing the same or another port does, and that a port that
// cannot be opened is passed over with only the rate's box. Also which devices count as present.

#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include "link/acia_host_port.h"
#include "link/qt/pseudo_terminal.h"
#include "link/serial_ports.h"

namespace tarvok::test {

class AciaHostPortTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PseudoTerminal> com1_;
    std::unique_ptr<PseudoTerminal> com2_;
    SerialPortNames names_;

    static bool CanOpenExclusively(const PseudoTerminal& line) {
        QSerialPort port;
        return OpenTransferPort(port, line.SlavePath(), nullptr);
    }

    static void VerifyNineSixHundredEightNOne(const AciaHostPort& host,
                                              const PseudoTerminal& line) {
        const QSerialPort* port = host.HostPort();
        QVERIFY(port != nullptr && port->isOpen());
        QCOMPARE(port->baudRate(), 9600);
        QCOMPARE(port->dataBits(), QSerialPort::Data8);
        const termios settings = line.SlaveLine();
        QCOMPARE(::cfgetospeed(&settings), speed_t{B9600});
    }

private slots:
    void init() {
        com1_ = std::make_unique<PseudoTerminal>();
        com2_ = std::make_unique<PseudoTerminal>();
        QVERIFY(com1_->Ok() && com2_->Ok());
        names_ = SerialPortNames();
        names_.SetDevice(0, com1_->SlavePath());
        names_.SetDevice(1, com2_->SlavePath());
        names_.SetDevice(2, QStringLiteral("/nonexistent/ttyACIA"));
    }

    // A pseudo-terminal takes only 8 data bits and drops the parity enable, so the rows keep to
    // settings it keeps apart.
    void connectingGivesThePortTheAciaLineSettings_data() {
        QTest::addColumn<int>("com");
        QTest::addColumn<int>("con");
        QTest::addColumn<int>("baud");
        QTest::addColumn<uint>("speed");
        QTest::addColumn<QSerialPort::DataBits>("dataBits");
        QTest::addColumn<QSerialPort::Parity>("parity");
        QTest::addColumn<QSerialPort::StopBits>("stopBits");
        QTest::newRow("9600 8N1") << 0x0B << 0x1E << 9600 << uint{B9600} << QSerialPort::Data8
                                  << QSerialPort::NoParity << QSerialPort::OneStop;
        QTest::newRow("2400 8N2") << 0x0B << 0x8A << 2400 << uint{B2400} << QSerialPort::Data8
                                  << QSerialPort::NoParity << QSerialPort::TwoStop;
        QTest::newRow("9600 8M1") << 0xAB << 0x0E << 9600 << uint{B9600} << QSerialPort::Data8
                                  << QSerialPort::MarkParity << QSerialPort::OneStop;
        QTest::newRow("19200 8O1 with stop bit flag")
            << 0x2B << 0x9F << 19200 << uint{B19200} << QSerialPort::Data8 << QSerialPort::OddParity
            << QSerialPort::OneStop;
    }
    void connectingGivesThePortTheAciaLineSettings() {
        QFETCH(int, com);
        QFETCH(int, con);
        QFETCH(int, baud);
        QFETCH(uint, speed);
        QFETCH(QSerialPort::DataBits, dataBits);
        QFETCH(QSerialPort::Parity, parity);
        QFETCH(QSerialPort::StopBits, stopBits);
        AciaHostPort host(names_);
        QCOMPARE(host.SetConnectedPort(1, static_cast<Byte>(com), static_cast<Byte>(con)),
                 QString());
        QCOMPARE(host.ConnectedPort(), 1);
        const QSerialPort* port = host.HostPort();
        QVERIFY(port != nullptr && port->isOpen());
        QCOMPARE(port->baudRate(), baud);
        QCOMPARE(port->dataBits(), dataBits);
        QCOMPARE(port->parity(), parity);
        QCOMPARE(port->stopBits(), stopBits);
        QCOMPARE(port->flowControl(), QSerialPort::HardwareControl);
        // A pseudo-terminal keeps the rate, the stop bits and the handshake it was given.
        const termios line = com1_->SlaveLine();
        QCOMPARE(::cfgetospeed(&line), speed_t{speed});
        QCOMPARE((line.c_cflag & CSTOPB) != 0, stopBits == QSerialPort::TwoStop);
        QVERIFY((line.c_cflag & CRTSCTS) != 0);
        QVERIFY(!CanOpenExclusively(*com1_));
    }

    void externalClockIsReportedAndThePortOpenedAllTheSame() {
        AciaHostPort host(names_);
        QCOMPARE(host.SetConnectedPort(1, 0x0B, 0x00),
                 QStringLiteral(
                     "externe Taktung nicht unterstützt bei Ausgabe über ser. Schnittstelle"));
        QVERIFY(host.HostPort() != nullptr && host.HostPort()->isOpen());
    }

    void choosingTheConnectedPortAgainChangesNothing() {
        AciaHostPort host(names_);
        QCOMPARE(host.SetConnectedPort(1, 0x0B, 0x1E), QString());
        const QSerialPort* port = host.HostPort();
        QCOMPARE(host.SetConnectedPort(1, 0x6B, 0x00), QString());
        QCOMPARE(host.HostPort(), port);
        VerifyNineSixHundredEightNOne(host, *com1_);
    }

    void connectingElsewhereReleasesTheFirstPort() {
        AciaHostPort host(names_);
        host.SetConnectedPort(1, 0x0B, 0x1E);
        QCOMPARE(host.SetConnectedPort(2, 0x0B, 0x1E), QString());
        QCOMPARE(host.ConnectedPort(), 2);
        VerifyNineSixHundredEightNOne(host, *com2_);
        QVERIFY(CanOpenExclusively(*com1_));
        QVERIFY(!CanOpenExclusively(*com2_));
    }

    void disconnectingReleasesThePort() {
        AciaHostPort host(names_);
        host.SetConnectedPort(1, 0x0B, 0x1E);
        QCOMPARE(host.SetConnectedPort(0, 0x0B, 0x1E), QString());
        QCOMPARE(host.ConnectedPort(), 0);
        QCOMPARE(host.HostPort(), nullptr);
        QVERIFY(CanOpenExclusively(*com1_));
    }

    void portThatCannotBeOpenedIsKeptWithOnlyTheRateMessage_data() {
        QTest::addColumn<int>("port");
        QTest::newRow("missing device") << 3;
        QTest::newRow("port in use") << 1;
    }
    void portThatCannotBeOpenedIsKeptWithOnlyTheRateMessage() {
        QFETCH(int, port);
        QSerialPort other;
        QVERIFY(OpenTransferPort(other, com1_->SlavePath(), nullptr));
        AciaHostPort host(names_);
        QCOMPARE(host.SetConnectedPort(port, 0x0B, 0x00),
                 QStringLiteral("externe Taktung nicht unterstützt bei Ausgabe über ser. "
                                "Schnittstelle"));
        QCOMPARE(host.ConnectedPort(), port);
        QCOMPARE(host.HostPort(), nullptr);
        QCOMPARE(host.SetConnectedPort(2, 0x0B, 0x1E), QString());
        VerifyNineSixHundredEightNOne(host, *com2_);
    }

    void onlyTerminalDevicesExist() {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("ttyUSB0"));
        QFile plain(file);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.close();
        QVERIFY(SerialPortExists(com1_->SlavePath()));
        QVERIFY(!SerialPortExists(file));
        QVERIFY(!SerialPortExists(dir.filePath(QStringLiteral("ttyUSB1"))));
    }
};

}  // namespace tarvok::test

QTEST_MAIN(tarvok::test::AciaHostPortTest)
#include "acia_host_port_test.moc"
