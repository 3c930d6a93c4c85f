#pragma once

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <cstdio>
#include <string>

#include "link/protocol/remote_protocol.h"
#include "machine/machine.h"

namespace tarvok {

// A lab-computer server for practising remote operation: it runs this program's machine with the
// monitor as the board, serves one client at a time over the remote protocol and reports what
// happens, one line per event, on `log`.
class LabServer : public QObject, private remote::ServerEvents {
    Q_OBJECT

public:
    // Processor cycles run per tick of kTickMs, about the board's own pace.
    static constexpr int kTickMs = 10;
    static constexpr std::uint64_t kCyclesPerTick = 10000;
    // How long a key released by the client is held on the board first.
    static constexpr std::uint64_t kKeyHoldCycles = 60000;

    LabServer(std::unique_ptr<Machine> machine, std::FILE* log, QObject* parent = nullptr);

    // False (with the reason on the log) when the address cannot be listened on.
    bool Listen(const QHostAddress& address, std::uint16_t port);
    std::uint16_t Port() const { return server_.serverPort(); }

    // Commands of the operator, also typed on standard input. Each returns false with a message
    // when it cannot be done.
    bool Upload(Address first, Address last);
    bool RequestProgram();
    // One line of standard input: "upload FIRST LAST", "request", "quit".
    void Command(const std::string& line);

    // Once a client has connected, these are done for it.
    void SetPendingUpload(Address first, Address last);
    void SetPendingRequest() { pendingRequest_ = true; }

signals:
    void QuitRequested();

private:
    void Accept();
    void ClientGone();
    void Read();
    void Tick();
    void SendDisplay(bool whole);
    void Send(const std::string& bytes);
    void Log(const std::string& line);

    void PulseWidthSet(std::uint16_t milliseconds) override;
    void ResetRequested() override;
    void KeyReleased(Byte keyCode) override;
    void ProgramReceived(const std::string& text) override;
    void UnknownByte(Byte byte) override;

    std::unique_ptr<Machine> machine_;
    std::FILE* log_;
    QTcpServer server_;
    QPointer<QTcpSocket> client_;
    remote::ServerParser parser_;
    QTimer ticker_;
    remote::DigitValues shown_{};
    std::uint16_t pulseWidth_ = 1;
    std::uint64_t unknownBytes_ = 0;
    bool hasPendingUpload_ = false;
    Address uploadFirst_ = 0, uploadLast_ = 0;
    bool pendingRequest_ = false;
};

}  // namespace tarvok
