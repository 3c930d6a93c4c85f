#pragma once

#include <QObject>
#include <QString>
#include <string>

#include "core/types.h"

namespace tarvok {

class AddressDecoder;

// The Intel HEX text that "zum Mikrorechner" sends: first..last read with inspection reads, the
// monitor ROM above $DFFF never included, each line ending in CR LF, then the end record.
std::string TransferText(AddressDecoder& decoder, Address first, Address last);

// The status text while the receiver waits for the first byte.
QString WaitForSendKeyText(int secondsLeft);

// One V.24 transfer with the lab computer through a host serial port (1200 baud, 8N2). It runs
// on the user-interface thread: the event loop keeps running while it waits, so the windows
// stay alive, and every wait has an end, so a port that stops answering cannot hang the program.
class V24Transfer : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultWaitSeconds = 10;
    // After data has come, a line this long quiet ends the reception. One poll finding the input
    // empty would end it after the first character on a fast host (at 1200 baud one comes about
    // every 9 ms), so the pause must be several characters long.
    static constexpr int kQuietMilliseconds = 500;
    // More than this is no program for the board: the reception fails.
    static constexpr qint64 kMaxReceivedBytes = qint64{1} << 20;

    explicit V24Transfer(QString device, QObject* parent = nullptr);

    // Seconds the lab computer has for its first byte (the tests shorten it).
    void SetWaitSeconds(int seconds) { waitSeconds_ = seconds; }

    // Sends `text` in one write and returns once the driver has put it all on the line. Fails when
    // the port cannot be opened or set up, or when it takes the bytes no faster than the line
    // would (plus a margin).
    bool Send(const std::string& text);

    // Waits for the lab computer's Intel HEX (after its key S), polling the port every
    // millisecond, and writes it through the decoder only when the whole text is valid. False on
    // a port problem, a time-out, too much data, or invalid text: memory is then unchanged.
    bool ReceiveInto(AddressDecoder& decoder);

    // Why the last transfer failed, in English (for the tests and the log).
    const QString& FailureReason() const { return why_; }
    const std::string& ReceivedText() const { return text_; }

signals:
    // "Empfange Daten..." or the countdown of WaitForSendKeyText.
    void StatusChanged(const QString& text);

private:
    bool Receive();
    bool Fail(const QString& why);

    QString device_;
    int waitSeconds_ = kDefaultWaitSeconds;
    std::string text_;
    QString why_;
};

}  // namespace tarvok
