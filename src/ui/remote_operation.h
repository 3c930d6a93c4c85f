#pragma once

#include <QObject>

#include "link/protocol/remote_protocol.h"
#include "link/remote_client.h"
#include "ui/settings.h"

namespace tarvok {

class MainWindow;
class ProgramFileDialog;
class PulseWidthDialog;
class ServerAddressDialog;

// Remote operation of a real lab computer through a server: the "&Remotesteuerung" commands, the
// steps on connecting and disconnecting, the keypad's key releases to the server and the server's
// display writes, uploads and program requests. While connected the local board is stopped and
// its windows are hidden; the end of the connection brings back the windows, the commands and
// the run state.
class RemoteOperation : public QObject, private remote::ClientEvents {
    Q_OBJECT

public:
    RemoteOperation(MainWindow& window, Settings& settings, ProgramFileDialog& openDialog,
                    ProgramFileDialog& saveDialog);
    ~RemoteOperation() override;

    bool Connected() const { return client_.IsConnected(); }
    // Sends the reset; the parser returns to idle and an upload ends.
    void ResetRemoteBoard();
    // Closes the connection; the window then returns to local operation.
    void Disconnect() { client_.Disconnect(); }

    RemoteClient& Client() { return client_; }
    ServerAddressDialog& AddressDialog() const { return *addressDialog_; }
    PulseWidthDialog& PulseDialog() const { return *pulseDialog_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void EditServerAddress();
    void EditPulseWidth();
    void StartConnecting();
    void ConnectionMade();
    void ConnectionEnded();
    void ConnectionFailed(const QString& text);
    void SetBusyCursor(bool busy);
    void WriteDigit(int digit, Byte value);

    // The server's messages.
    void ClearDisplay() override;
    void ShowDigit(int digit, Byte value) override;
    void UploadReceived(const std::vector<std::string>& lines, bool intact) override;
    void ProgramRequested() override;

    MainWindow& window_;
    Settings& settings_;
    ProgramFileDialog& openDialog_;
    ProgramFileDialog& saveDialog_;
    ServerAddressDialog* addressDialog_;
    PulseWidthDialog* pulseDialog_;
    RemoteClient client_;
    bool wasRunning_ = false;
    bool remoteMode_ = false;
    bool busyCursor_ = false;
};

}  // namespace tarvok
