#pragma once

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>
#include <string>

#include "link/protocol/remote_protocol.h"

namespace tarvok {

// The client side of remote operation: one event-driven TCP socket to a lab-computer server, whose
// bytes go through the protocol's receive parser to `events`. Bytes that no message took are
// reported as one line in "%3x" format per read.
class RemoteClient : public QObject {
    Q_OBJECT

public:
    // A server that takes longer than this to accept the connection is given up.
    static constexpr int kConnectTimeoutMs = 15000;

    explicit RemoteClient(remote::ClientEvents& events, QObject* parent = nullptr);

    void ConnectTo(const QString& host, std::uint16_t port);
    // Closes the connection (or gives up connecting); Disconnected follows if it was connected.
    void Disconnect();
    bool IsConnected() const;
    bool IsBusy() const;  // connecting or connected
    // Sends at once; nothing happens without a connection.
    void Send(const std::string& bytes);
    // Back to idle; an upload in progress is dropped.
    void ResetParser() { parser_.Reset(); }

    // The user's text for a socket error; empty for a server that closed the connection, which
    // is an ordinary end.
    static QString ErrorText(QAbstractSocket::SocketError error);

    QTcpSocket& Socket() { return socket_; }

signals:
    void Connected();
    void Disconnected();
    void Failed(const QString& text);
    void UnconsumedBytes(const QString& line);

private:
    void ReadAll();
    void SocketError(QAbstractSocket::SocketError error);
    void ConnectTimedOut();

    remote::ClientEvents& events_;
    remote::ClientParser parser_;
    QTcpSocket socket_;
    QTimer connectTimer_;
    bool wasConnected_ = false;
    bool reading_ = false;
};

}  // namespace tarvok
