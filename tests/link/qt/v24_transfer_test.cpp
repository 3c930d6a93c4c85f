// V.24 transfers against a scripted lab board on a pseudo-terminal: the text a send delivers, how
// a receive takes the board's text in pieces and loads it only when it is valid, and how both end
// when the port is missing or busy, the board stays silent, takes nothing or floods the line.

#include <cerrno>

#include <QElapsedTimer>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

#include "link/qt/pseudo_terminal.h"
#include "link/serial_ports.h"
#include "link/v24_transfer.h"
#include "machine/machine.h"

namespace tarvok::test {
namespace {

const QString kReceiving = QStringLiteral("Empfange Daten...");

QString Hex(unsigned value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// Intel HEX of first..last (16 bytes a record, CR LF) as the board expects it, and the end record.
QByteArray HexText(AddressDecoder& decoder, unsigned first, unsigned last) {
    QString text;
    for (unsigned at = first; at <= last; at += 16) {
        const unsigned count = std::min(16u, last - at + 1);
        unsigned sum = count + (at >> 8) + (at & 0xFF);
        text += QLatin1Char(':') + Hex(count, 2) + Hex(at, 4) + QStringLiteral("00");
        for (unsigned k = 0; k < count; ++k) {
            const Byte value = decoder.Read(static_cast<Address>(at + k), true);
            sum += value;
            text += Hex(value, 2);
        }
        text += Hex((0x100 - (sum & 0xFF)) & 0xFF, 2) + QStringLiteral("\r\n");
    }
    return (text + QStringLiteral(":00000001FF\r\n")).toLatin1();
}

// The lab board's end of the line: takes in what the host sends and writes what it is given.
class Board {
public:
    explicit Board(int master)
        : master_(master),
          reader_(master, QSocketNotifier::Read),
          writer_(master, QSocketNotifier::Write) {
        writer_.setEnabled(false);
        QObject::connect(&reader_, &QSocketNotifier::activated, &reader_, [this] { Read(); });
        QObject::connect(&writer_, &QSocketNotifier::activated, &writer_, [this] { Write(); });
    }

    const QByteArray& Received() const { return received_; }
    void Send(const QByteArray& bytes) {
        outgoing_ += bytes;
        writer_.setEnabled(true);
    }

private:
    void Read() {
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(master_, buffer, sizeof buffer)) > 0)
            received_.append(buffer, static_cast<qsizetype>(got));
        if (got == 0 || errno != EAGAIN) reader_.setEnabled(false);
    }
    void Write() {
        const ssize_t put = ::write(master_, outgoing_.constData() + sent_,
                                    static_cast<std::size_t>(outgoing_.size() - sent_));
        if (put > 0) sent_ += put;
        if (sent_ == outgoing_.size() || (put < 0 && errno != EAGAIN)) writer_.setEnabled(false);
    }

    int master_;
    QSocketNotifier reader_;
    QSocketNotifier writer_;
    QByteArray received_;
    QByteArray outgoing_;
    qsizetype sent_ = 0;
};

}  // namespace

class V24TransferTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<PseudoTerminal> line_;
    std::unique_ptr<Board> board_;
    std::unique_ptr<Machine> machine_;
    QStringList statuses_;

    AddressDecoder& Decoder() { return machine_->Decoder(); }

    std::unique_ptr<V24Transfer> MakeTransfer(const QString& device) {
        auto transfer = std::make_unique<V24Transfer>(device);
        transfer->SetWaitSeconds(2);
        connect(transfer.get(), &V24Transfer::StatusChanged, this,
                [this](const QString& text) { statuses_ << text; });
        return transfer;
    }

    // Once the receive shows its first status (the port is open and polled), the board sends
    // `pieces` 40 ms apart.
    void SendOnceWaiting(V24Transfer& transfer, const QList<QByteArray>& pieces) {
        connect(
            &transfer, &V24Transfer::StatusChanged, this,
            [this, pieces] {
                for (int k = 0; k < pieces.size(); ++k)
                    QTimer::singleShot(40 * k, this,
                                       [this, piece = pieces[k]] { board_->Send(piece); });
            },
            Qt::SingleShotConnection);
    }

    void FillPage(unsigned factor) {
        for (unsigned at = 0x0400; at <= 0x04FF; ++at)
            Decoder().Write(static_cast<Address>(at), static_cast<Byte>(at * factor + 3));
    }

    // HEX text of a pattern in 0400-04FF for the board to send; the page is then cleared.
    QByteArray TextForBoardThenClearPage() {
        FillPage(7);
        const QByteArray text = HexText(Decoder(), 0x0400, 0x04FF);
        FillPage(0);
        return text;
    }

private slots:
    void init() {
        line_ = std::make_unique<PseudoTerminal>();
        QVERIFY(line_->Ok());
        board_ = std::make_unique<Board>(line_->Master());
        machine_ = std::make_unique<Machine>(MachineOptions{"6809.rom", true});
        statuses_.clear();
    }

    void cleanup() {
        board_.reset();
        line_.reset();
        machine_.reset();
    }

    void sendDeliversTheRangeBelowTheRomAsIntelHex_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<int>("sentFirst");
        QTest::addColumn<int>("sentLast");
        QTest::addColumn<int>("size");
        QTest::newRow("0400-04FF") << 0x0400 << 0x04FF << 0x0400 << 0x04FF << 16 * 45 + 13;
        QTest::newRow("E000-FFFF") << 0xE000 << 0xFFFF << 0xDFFF << 0xDFFF << 15 + 13;
        QTest::newRow("D000-FFFF") << 0xD000 << 0xFFFF << 0xD000 << 0xDFFF << 256 * 45 + 13;
    }
    void sendDeliversTheRangeBelowTheRomAsIntelHex() {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(int, sentFirst);
        QFETCH(int, sentLast);
        QFETCH(int, size);
        FillPage(7);
        const auto transfer = MakeTransfer(line_->SlavePath());
        QVERIFY2(transfer->Send(TransferText(Decoder(), static_cast<Address>(first),
                                             static_cast<Address>(last))),
                 qPrintable(transfer->FailureReason()));
        QTRY_COMPARE(board_->Received().size(), size);
        QCOMPARE(board_->Received(), HexText(Decoder(), static_cast<unsigned>(sentFirst),
                                             static_cast<unsigned>(sentLast)));
    }

    void receiveLoadsTextArrivingInPieces() {
        const QByteArray text = TextForBoardThenClearPage();
        const auto transfer = MakeTransfer(line_->SlavePath());
        SendOnceWaiting(*transfer, {text.left(20), text.mid(20, 500), text.mid(520)});
        QVERIFY2(transfer->ReceiveInto(Decoder()), qPrintable(transfer->FailureReason()));
        QCOMPARE(HexText(Decoder(), 0x0400, 0x04FF), text);
        QCOMPARE(QByteArray::fromStdString(transfer->ReceivedText()), text);
        QCOMPARE(statuses_.first(), WaitForSendKeyText(2));
        QCOMPARE(statuses_.count(kReceiving), 1);
        QCOMPARE(statuses_.last(), kReceiving);
    }

    void receiveOfInvalidTextLeavesMemoryUnchanged_data() {
        QTest::addColumn<bool>("badChecksum");
        QTest::newRow("one bad checksum") << true;
        QTest::newRow("no end record") << false;
    }
    void receiveOfInvalidTextLeavesMemoryUnchanged() {
        QFETCH(bool, badChecksum);
        QByteArray text = TextForBoardThenClearPage();
        if (badChecksum) {
            text[45 + 42] = text[45 + 42] == '0' ? '1' : '0';  // the second record's checksum
        } else {
            text.chop(13);
        }
        const QByteArray before = HexText(Decoder(), 0x0400, 0x04FF);
        const auto transfer = MakeTransfer(line_->SlavePath());
        SendOnceWaiting(*transfer, {text});
        QVERIFY(!transfer->ReceiveInto(Decoder()));
        QVERIFY(!transfer->FailureReason().isEmpty());
        QCOMPARE(QByteArray::fromStdString(transfer->ReceivedText()), text);
        QCOMPARE(HexText(Decoder(), 0x0400, 0x04FF), before);
    }

    void receiveOfNothingFailsAfterTheCountdown() {
        const auto transfer = MakeTransfer(line_->SlavePath());
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!transfer->ReceiveInto(Decoder()));
        QVERIFY(clock.elapsed() >= 2000);
        QCOMPARE(statuses_, QStringList({WaitForSendKeyText(2), WaitForSendKeyText(1)}));
    }

    void receiveOfMoreThanAProgramFails() {
        FillPage(5);
        const QByteArray before = HexText(Decoder(), 0x0400, 0x04FF);
        const auto transfer = MakeTransfer(line_->SlavePath());
        SendOnceWaiting(*transfer, {QByteArray(V24Transfer::kMaxReceivedBytes + 8192, '0')});
        QVERIFY(!transfer->ReceiveInto(Decoder()));
        QVERIFY(!transfer->FailureReason().isEmpty());
        QCOMPARE(HexText(Decoder(), 0x0400, 0x04FF), before);
    }

    void missingPortFailsAtOnce() {
        const auto transfer = MakeTransfer(QStringLiteral("/nonexistent/ttyV24"));
        QVERIFY(!transfer->Send(":00000001FF\r\n"));
        QVERIFY(!transfer->FailureReason().isEmpty());
        QVERIFY(!transfer->ReceiveInto(Decoder()));
        QVERIFY(!transfer->FailureReason().isEmpty());
        QVERIFY(statuses_.isEmpty());
    }

    // The port's output held back: for a while a send waits, for good it fails.
    void sendWaitsForAHeldLineButNotForever() {
        FillPage(7);
        QCOMPARE(::tcflow(line_->Slave(), TCOOFF), 0);
        QTimer::singleShot(300, this, [this] { ::tcflow(line_->Slave(), TCOON); });
        const auto transfer = MakeTransfer(line_->SlavePath());
        QVERIFY2(transfer->Send(TransferText(Decoder(), 0x0400, 0x04FF)),
                 qPrintable(transfer->FailureReason()));
        QTRY_COMPARE(board_->Received(), HexText(Decoder(), 0x0400, 0x04FF));

        QCOMPARE(::tcflow(line_->Slave(), TCOOFF), 0);
        QVERIFY(!transfer->Send(TransferText(Decoder(), 0x0400, 0x040F)));
        QVERIFY(!transfer->FailureReason().isEmpty());
        QCOMPARE(board_->Received(), HexText(Decoder(), 0x0400, 0x04FF));
        ::tcflow(line_->Slave(), TCOON);
    }

    void transferPortIsSetUpAndHeldExclusively() {
        QSerialPort first;
        QSerialPort second;
        QString why;
        QVERIFY2(OpenTransferPort(first, line_->SlavePath(), &why), qPrintable(why));
        const termios line = line_->SlaveLine();
        QCOMPARE(::cfgetospeed(&line), speed_t{B1200});
        QVERIFY((line.c_cflag & CSTOPB) != 0);
        QVERIFY((line.c_cflag & CRTSCTS) == 0);
        QVERIFY((line.c_iflag & (IXON | IXOFF)) == 0);
        QVERIFY(!OpenTransferPort(second, line_->SlavePath(), &why));
        QVERIFY(!why.isEmpty());
        QVERIFY(!second.isOpen());
        first.close();
        QVERIFY2(OpenTransferPort(second, line_->SlavePath(), &why), qPrintable(why));
    }
};

}  // namespace tarvok::test

QTEST_MAIN(tarvok::test::V24TransferTest)
#include "v24_transfer_test.moc"
