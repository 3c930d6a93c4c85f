#include "link/remote_client.h"

namespace tarvok {

RemoteClient::RemoteClient(remote::ClientEvents& events, QObject* parent)
    : QObject(parent), events_(events), socket_(this) {
    connectTimer_.setSingleShot(true);
    connectTimer_.setInterval(kConnectTimeoutMs);
    connect(&connectTimer_, &QTimer::timeout, this, &RemoteClient::ConnectTimedOut);
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        connectTimer_.stop();
        wasConnected_ = true;
        parser_.Reset();
        emit Connected();
    });
    connect(&socket_, &QTcpSocket::disconnected, this, [this] {
        if (!wasConnected_) return;
        wasConnected_ = false;
        emit Disconnected();
    });
    connect(&socket_, &QTcpSocket::readyRead, this, &RemoteClient::ReadAll);
    connect(&socket_, &QTcpSocket::errorOccurred, this, &RemoteClient::SocketError);
}

void RemoteClient::ConnectTo(const QString& host, std::uint16_t port) {
    socket_.abort();
    wasConnected_ = false;
    connectTimer_.start();
    socket_.connectToHost(host, port);
}

void RemoteClient::Disconnect() {
    connectTimer_.stop();
    // abort rather than close: a server that reads nothing must not hold up the end.
    socket_.abort();
    if (wasConnected_) {
        wasConnected_ = false;
        emit Disconnected();
    }
}

bool RemoteClient::IsConnected() const {
    return socket_.state() == QAbstractSocket::ConnectedState;
}

bool RemoteClient::IsBusy() const {
    return socket_.state() != QAbstractSocket::UnconnectedState;
}

void RemoteClient::Send(const std::string& bytes) {
    if (!IsConnected()) return;
    socket_.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

QString RemoteClient::ErrorText(QAbstractSocket::SocketError error) {
    switch (error) {
        case QAbstractSocket::HostNotFoundError:
            return QStringLiteral("Server wurde nicht gefunden. Stimmt der Servername?");
        case QAbstractSocket::RemoteHostClosedError:
            return {};
        case QAbstractSocket::NetworkError:
            return QStringLiteral("Verbindung wurde unterbrochen!");
        case QAbstractSocket::ConnectionRefusedError:
            return QStringLiteral(
                "Verbindung konnte nicht aufgebaut werden, da der Server die Verbindung "
                "ablehnte.\nStimmen Serveradresse und Portnummer?");
        default:
            return QStringLiteral("Verbindungsfehler, Fehlernummer: %1")
                .arg(static_cast<int>(error));
    }
}

void RemoteClient::ReadAll() {
    // A question to the user runs its own event loop: bytes arriving meanwhile wait for it to
    // end, so that they are taken in order.
    if (reading_) return;
    reading_ = true;
    // Everything that waits, in pieces, so that a flood cannot grow one buffer without end.
    char buffer[4096];
    qint64 got = 0;
    while ((got = socket_.read(buffer, sizeof buffer)) > 0) {
        const std::string left =
            parser_.Feed(std::string_view(buffer, static_cast<std::size_t>(got)), events_);
        if (!left.empty()) {
            emit UnconsumedBytes(
                QString::fromStdString(remote::ClientParser::FormatUnconsumed(left)));
        }
        // An event handler may have ended the connection (a dialog, a closed window).
        if (!IsConnected()) break;
    }
    reading_ = false;
}

void RemoteClient::SocketError(QAbstractSocket::SocketError error) {
    const QString text = ErrorText(error);
    if (text.isEmpty()) return;  // the disconnected signal ends the connection
    connectTimer_.stop();
    wasConnected_ = false;
    socket_.abort();
    emit Failed(text);
}

void RemoteClient::ConnectTimedOut() {
    if (socket_.state() == QAbstractSocket::ConnectedState) return;
    SocketError(QAbstractSocket::SocketTimeoutError);
}

}  // namespace tarvok
