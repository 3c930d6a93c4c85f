#include "link/v24_transfer.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>

#ifndef Q_OS_WIN
#include <sys/ioctl.h>
#endif

#include "link/serial_ports.h"
#include "machine/program_file.h"

namespace tarvok {

namespace {

// The monitor ROM is never sent.
constexpr Address kLastSentAddress = 0xDFFF;
constexpr int kPollMilliseconds = 1;
constexpr qint64 kReadChunk = 2048;
// 1200 baud with 8N2 frames: 11 bits a character.
constexpr qint64 kMillisecondsPerCharacter = 11 * 1000 / 1200 + 1;
constexpr qint64 kSendMarginMilliseconds = 3000;

// Lets the event loop run for about `milliseconds`.
void Pause(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// Bytes the driver still holds for the line. The port gets its earlier settings back when it is
// closed, so closing it before they have left would send them at the earlier rate.
qint64 DriverBytesToWrite(const QSerialPort& port) {
#ifdef Q_OS_WIN
    (void)port;
    return 0;
#else
    int pending = 0;
    if (::ioctl(port.handle(), TIOCOUTQ, &pending) != 0) return 0;
    return pending;
#endif
}

bool HasEndRecord(const std::string& text) {
    return text.find(":00000001FF") != std::string::npos;
}

}  // namespace

std::string TransferText(AddressDecoder& decoder, Address first, Address last) {
    first = std::min(first, kLastSentAddress);
    last = std::min(last, kLastSentAddress);
    return MemoryAsIntelHex(decoder, first, last);
}

QString WaitForSendKeyText(int secondsLeft) {
    return QStringLiteral(
               "Bitte aktivieren Sie innerhalb der nächsten %1 Sekunden die Sendetaste S des "
               "Praktikumsrechners.")
        .arg(secondsLeft);
}

V24Transfer::V24Transfer(QString device, QObject* parent)
    : QObject(parent), device_(std::move(device)) {}

bool V24Transfer::Fail(const QString& why) {
    why_ = why;
    return false;
}

bool V24Transfer::Send(const std::string& text) {
    why_.clear();
    QSerialPort port;
    if (!OpenTransferPort(port, device_, &why_)) return false;
    const auto size = static_cast<qint64>(text.size());
    if (port.write(text.data(), size) != size) return Fail(port.errorString());
    // The bytes leave at line speed; a port that stops taking them ends the send.
    const QDeadlineTimer deadline(size * kMillisecondsPerCharacter + kSendMarginMilliseconds);
    while (port.bytesToWrite() > 0 || DriverBytesToWrite(port) > 0) {
        port.waitForBytesWritten(0);
        // A text longer than the driver's buffer is still queued after a wait: the deadline
        // decides, not the wait's time-out.
        if (port.error() == QSerialPort::TimeoutError) port.clearError();
        if (port.error() != QSerialPort::NoError) return Fail(port.errorString());
        if (deadline.hasExpired()) return Fail(QStringLiteral("the port took no more bytes"));
        Pause(5);
    }
    return true;
}

bool V24Transfer::ReceiveInto(AddressDecoder& decoder) {
    if (!Receive()) return false;
    const Status loaded = LoadIntelHexText(decoder, text_);
    return loaded || Fail(QString::fromStdString(loaded.Reason()));
}

bool V24Transfer::Receive() {
    text_.clear();
    why_.clear();
    QSerialPort port;
    if (!OpenTransferPort(port, device_, &why_)) return false;

    QElapsedTimer started;
    started.start();
    QElapsedTimer quiet;
    bool dataSeen = false;
    int shownSecondsLeft = -1;
    for (;;) {
        Pause(kPollMilliseconds);
        port.waitForReadyRead(0);  // takes in what the driver holds
        if (port.error() != QSerialPort::NoError && port.error() != QSerialPort::TimeoutError)
            return Fail(port.errorString());
        if (port.bytesAvailable() > 0) {
            text_ += port.read(kReadChunk).toStdString();
            if (!dataSeen) emit StatusChanged(QStringLiteral("Empfange Daten..."));
            dataSeen = true;
            quiet.start();
            if (static_cast<qint64>(text_.size()) > kMaxReceivedBytes)
                return Fail(QStringLiteral("more data than a program for the board"));
            continue;
        }
        if (dataSeen) {
            if (HasEndRecord(text_) || quiet.elapsed() >= kQuietMilliseconds) return true;
            continue;
        }
        const int elapsed = static_cast<int>(started.elapsed() / 1000);
        if (elapsed >= waitSeconds_) return Fail(QStringLiteral("nothing came"));
        if (waitSeconds_ - elapsed != shownSecondsLeft) {
            shownSecondsLeft = waitSeconds_ - elapsed;
            emit StatusChanged(WaitForSendKeyText(shownSecondsLeft));
        }
    }
}

}  // namespace tarvok
