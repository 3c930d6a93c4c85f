#include "ui/remote_operation.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>

#include "core/file_util.h"
#include "devices/keypad.h"
#include "machine/program_file.h"
#include "ui/dialogs/link_dialogs.h"
#include "ui/dialogs/program_file_dialog.h"
#include "ui/main_window.h"
#include "ui/message_boxes.h"
#include "ui/status_texts.h"

namespace tarvok {

namespace {

const char* const kInvalidInput = "Fehlerhafter Eingabewert!";

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

RemoteOperation::RemoteOperation(MainWindow& window, Settings& settings,
                                 ProgramFileDialog& openDialog, ProgramFileDialog& saveDialog)
    : QObject(&window),
      window_(window),
      settings_(settings),
      openDialog_(openDialog),
      saveDialog_(saveDialog),
      addressDialog_(new ServerAddressDialog(&window)),
      pulseDialog_(new PulseWidthDialog(&window)),
      client_(*this, this) {
    const MainCommands& c = window.Commands();
    connect(c.serverAddress, &QAction::triggered, this, &RemoteOperation::EditServerAddress);
    connect(c.connectRemote, &QAction::triggered, this, &RemoteOperation::StartConnecting);
    connect(c.disconnectRemote, &QAction::triggered, this, [this] { client_.Disconnect(); });
    connect(c.pulseWidth, &QAction::triggered, this, &RemoteOperation::EditPulseWidth);
    connect(c.resetRemote, &QAction::triggered, this, &RemoteOperation::ResetRemoteBoard);
    connect(&client_, &RemoteClient::Connected, this, &RemoteOperation::ConnectionMade);
    connect(&client_, &RemoteClient::Disconnected, this, &RemoteOperation::ConnectionEnded);
    connect(&client_, &RemoteClient::Failed, this, &RemoteOperation::ConnectionFailed);
    connect(&client_, &RemoteClient::UnconsumedBytes, this, [this](const QString& line) {
        window_.Board().Messages().AppendLine(line.toStdString());
    });
    // Closing the window ends the connection first, so the run state is restored before the
    // settings are collected.
    window.installEventFilter(this);
    // Every key release goes to a connected server.
    window.Board().Keypad().SetReleaseHook([this](int column, Byte mask) {
        client_.Send(remote::KeyReleaseMessage(RemoteKeyCode(column, mask)));
    });
}

RemoteOperation::~RemoteOperation() {
    window_.Board().Keypad().SetReleaseHook({});
    SetBusyCursor(false);
}

bool RemoteOperation::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &window_ && event->type() == QEvent::Close) client_.Disconnect();
    return QObject::eventFilter(watched, event);
}

void RemoteOperation::ResetRemoteBoard() {
    client_.Send(remote::ResetMessage());
    client_.ResetParser();
}

void RemoteOperation::EditServerAddress() {
    addressDialog_->PortEdit()->setText(QString::number(settings_.port));
    addressDialog_->HostEdit()->setText(settings_.host);
    if (addressDialog_->exec() != QDialog::Accepted) return;
    const auto port = remote::ParseWordSetting(addressDialog_->PortEdit()->text().toStdString());
    if (!port) {
        ShowMessageBox(&window_, {kInvalidInput, "Die eingegebene Portnummer ist ungültig."});
        return;
    }
    settings_.port = *port;
    settings_.host = addressDialog_->HostEdit()->text();
}

void RemoteOperation::EditPulseWidth() {
    pulseDialog_->PulseWidthEdit()->setText(QString::number(settings_.dtrPulseWidth));
    if (pulseDialog_->exec() != QDialog::Accepted) return;
    const auto width =
        remote::ParseWordSetting(pulseDialog_->PulseWidthEdit()->text().toStdString());
    if (!width) {
        ShowMessageBox(&window_, {kInvalidInput, "Die eingegebene Pulsbreite ist ungültig."});
        return;
    }
    settings_.dtrPulseWidth = *width;
    client_.Send(remote::PulseWidthMessage(*width));
}

void RemoteOperation::StartConnecting() {
    const MainCommands& c = window_.Commands();
    c.serverAddress->setEnabled(false);
    c.connectRemote->setEnabled(false);
    for (QAction* button : c.speedButtons)
        button->setEnabled(false);
    SetBusyCursor(true);
    client_.ConnectTo(settings_.host, settings_.port);
}

void RemoteOperation::ConnectionMade() {
    Machine& board = window_.Board();
    wasRunning_ = board.SystemRunning();
    if (wasRunning_) board.SetSystemRunning(false);
    remoteMode_ = true;
    window_.SetLocalOperation(false);
    window_.RunStatePanel()->setText(QStringLiteral("Remotebetrieb..."));
    SetBusyCursor(false);
    board.Messages().Clear();
    window_.RefreshNow();
    client_.ResetParser();
    client_.Send(remote::PulseWidthMessage(settings_.dtrPulseWidth) + remote::ResetMessage());
}

void RemoteOperation::ConnectionEnded() {
    SetBusyCursor(false);
    const MainCommands& c = window_.Commands();
    c.serverAddress->setEnabled(true);
    c.connectRemote->setEnabled(true);
    if (!remoteMode_) {
        // The connection was never made: only the speed buttons were taken away.
        window_.SetLocalOperation(true);
        return;
    }
    remoteMode_ = false;
    window_.SetLocalOperation(true);
    // Announces the run state again, which also replaces "Remotebetrieb..." in the status bar.
    window_.Board().SetSystemRunning(wasRunning_);
    window_.RefreshNow();
}

void RemoteOperation::ConnectionFailed(const QString& text) {
    SetBusyCursor(false);
    ShowMessageBox(&window_, {"Tarvok", text.toStdString()});
    ConnectionEnded();
}

void RemoteOperation::SetBusyCursor(bool busy) {
    if (busy == busyCursor_) return;
    busyCursor_ = busy;
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void RemoteOperation::WriteDigit(int digit, Byte value) {
    AddressDecoder& decoder = window_.Board().Decoder();
    const Address base = window_.Board().Display().BaseAddress();
    decoder.Write(static_cast<Address>(base + digit), value);
    decoder.Write(static_cast<Address>(base + digit + remote::kDigits), value);
}

// The window's frame timer shows the written registers, as any other change of the display:
// a message of eight digits costs one redraw, not eight.
void RemoteOperation::ClearDisplay() {
    for (int digit = 0; digit < remote::kDigits; ++digit)
        WriteDigit(digit, 0);
}

void RemoteOperation::ShowDigit(int digit, Byte value) {
    WriteDigit(digit, value);
}

void RemoteOperation::UploadReceived(const std::vector<std::string>& lines, bool intact) {
    const QString question =
        intact ? QStringLiteral("Es wurde ein Intel Hexfile empfangen. File speichern?")
               : QStringLiteral("Es wurde ein defektes Intel Hexfile empfangen. File speichern?");
    QMessageBox box(QMessageBox::Question, QStringLiteral("Hexfile speichern"), question,
                    QMessageBox::Ok | QMessageBox::Cancel, &window_);
    if (box.exec() != QMessageBox::Ok) return;
    const QString path = saveDialog_.Choose();
    if (path.isEmpty()) return;
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    const std::string file = LocalPath(path);
    if (!WriteFileAtomically(file, text)) ShowMessageBox(&window_, SaveFailureMessage(file));
}

void RemoteOperation::ProgramRequested() {
    const QString path = openDialog_.Choose();
    if (path.isEmpty()) return;
    const std::string file = LocalPath(path);
    std::string content;
    if (!ReadWholeFile(file, content)) {
        ShowMessageBox(&window_, {"Fehler beim Laden!",
                                  "Die Datei '" + file +
                                      "' konnte nicht gelesen werden. Es wurde kein Programm "
                                      "gesendet."});
        return;
    }
    std::vector<std::string> lines;
    for (const std::string_view line : SplitTextLines(content))
        lines.emplace_back(line);
    client_.Send(remote::ProgramMessage(lines));
}

}  // namespace tarvok
