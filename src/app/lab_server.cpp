#include "app/lab_server.h"

#include <sstream>

#include "core/hex_text.h"
#include "machine/program_file.h"

namespace tarvok {

namespace {

// The keypad key that the board reports with `code`, if any.
std::optional<KeypadKey> KeyOfRemoteCode(Byte code) {
    for (int k = 0; k < kKeypadKeyCount; ++k) {
        const auto key = static_cast<KeypadKey>(k);
        const KeypadCell cell = KeypadKeyCell(key);
        if (cell.inMatrix &&
            RemoteKeyCode(cell.column, static_cast<Byte>(~(1u << cell.row))) == code) {
            return key;
        }
    }
    return std::nullopt;
}

}  // namespace

LabServer::LabServer(std::unique_ptr<Machine> machine, std::FILE* log, QObject* parent)
    : QObject(parent), machine_(std::move(machine)), log_(log) {
    connect(&server_, &QTcpServer::newConnection, this, &LabServer::Accept);
    connect(&ticker_, &QTimer::timeout, this, &LabServer::Tick);
    machine_->SetSystemRunning(true);
    ticker_.start(kTickMs);
}

bool LabServer::Listen(const QHostAddress& address, std::uint16_t port) {
    if (!server_.listen(address, port)) {
        Log("cannot listen on " + address.toString().toStdString() + ":" + std::to_string(port) +
            ": " + server_.errorString().toStdString());
        return false;
    }
    Log("listening on " + address.toString().toStdString() + ":" +
        std::to_string(server_.serverPort()));
    return true;
}

void LabServer::Accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        if (client_) {
            Log("refused a second client");
            socket->abort();
            socket->deleteLater();
            continue;
        }
        client_ = socket;
        parser_ = {};
        unknownBytes_ = 0;
        connect(socket, &QTcpSocket::readyRead, this, &LabServer::Read);
        connect(socket, &QTcpSocket::disconnected, this, &LabServer::ClientGone);
        Log("client connected from " + socket->peerAddress().toString().toStdString());
        SendDisplay(true);
        if (hasPendingUpload_) Upload(uploadFirst_, uploadLast_);
        if (pendingRequest_) RequestProgram();
        hasPendingUpload_ = pendingRequest_ = false;
    }
}

void LabServer::ClientGone() {
    if (!client_) return;
    Log("client disconnected" +
        (unknownBytes_ ? " (" + std::to_string(unknownBytes_) + " unknown bytes ignored)"
                       : std::string()));
    client_->deleteLater();
    client_ = nullptr;
}

void LabServer::Read() {
    if (!client_) return;
    const QByteArray bytes = client_->readAll();
    parser_.Feed(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                 *this);
    parser_.FinishPulseWidth(*this);
}

void LabServer::Tick() {
    machine_->RunFor(kCyclesPerTick);
    SendDisplay(false);
}

void LabServer::SendDisplay(bool whole) {
    remote::DigitValues now{};
    int changed = 0;
    for (int k = 0; k < remote::kDigits; ++k) {
        now[static_cast<std::size_t>(k)] = machine_->Display().Pattern(k);
        if (now[static_cast<std::size_t>(k)] != shown_[static_cast<std::size_t>(k)]) ++changed;
    }
    if (!client_ || (!whole && changed == 0)) return;
    if (whole || changed > 2) {
        Send(remote::AllDigitsMessage(now));
    } else {
        for (int k = 0; k < remote::kDigits; ++k) {
            const auto i = static_cast<std::size_t>(k);
            if (now[i] != shown_[i]) Send(remote::DigitMessage(static_cast<Byte>(k), now[i]));
        }
    }
    shown_ = now;
}

void LabServer::Send(const std::string& bytes) {
    if (client_) client_->write(bytes.data(), static_cast<qint64>(bytes.size()));
}

void LabServer::Log(const std::string& line) {
    std::fprintf(log_, "%s\n", line.c_str());
    std::fflush(log_);
}

bool LabServer::Upload(Address first, Address last) {
    if (!client_) {
        Log("no client to upload to");
        return false;
    }
    Send(remote::UploadMessage(MemoryAsIntelHex(machine_->Decoder(), first, last)));
    Log("uploaded " + Hex4(first) + "-" + Hex4(last));
    return true;
}

bool LabServer::RequestProgram() {
    if (!client_) {
        Log("no client to ask for a program");
        return false;
    }
    Send(remote::ProgramRequestMessage());
    Log("asked for a program");
    return true;
}

void LabServer::SetPendingUpload(Address first, Address last) {
    hasPendingUpload_ = true;
    uploadFirst_ = first;
    uploadLast_ = last;
}

void LabServer::Command(const std::string& line) {
    std::istringstream words(line);
    std::string command, firstText, lastText;
    words >> command >> firstText >> lastText;
    if (command.empty()) return;
    if (command == "quit") {
        emit QuitRequested();
    } else if (command == "request") {
        RequestProgram();
    } else if (command == "upload") {
        const auto first = ParseHexAddress(firstText);
        const auto last = ParseHexAddress(lastText);
        if (!first || !last || *first > *last) {
            Log("upload needs two hexadecimal addresses, the first not above the last");
            return;
        }
        Upload(*first, *last);
    } else {
        Log("unknown command '" + command + "' (upload FIRST LAST, request, quit)");
    }
}

void LabServer::PulseWidthSet(std::uint16_t milliseconds) {
    pulseWidth_ = milliseconds;
    Log("pulse width " + std::to_string(milliseconds) + " ms");
}

void LabServer::ResetRequested() {
    machine_->ResetSystem();
    machine_->SetSystemRunning(true);
    Log("reset (pulse width " + std::to_string(pulseWidth_) + " ms)");
}

void LabServer::KeyReleased(Byte keyCode) {
    const auto key = KeyOfRemoteCode(keyCode);
    if (!key) {
        Log("unknown key code " + std::to_string(keyCode));
        return;
    }
    // The client reports releases only: the key is held long enough for the monitor to see it.
    machine_->PressKey(*key);
    machine_->RunFor(kKeyHoldCycles);
    machine_->ReleaseKey(*key);
    Log("key " + std::to_string(keyCode));
}

void LabServer::ProgramReceived(const std::string& text) {
    std::string hex;
    for (const std::string& record : remote::SplitRecords(text))
        hex += record + "\r\n";
    std::size_t written = 0;
    const Status loaded = LoadIntelHexText(machine_->Decoder(), hex, &written);
    Log(loaded ? "program loaded: " + std::to_string(written) + " bytes"
               : "program rejected: " + loaded.Reason());
}

void LabServer::UnknownByte(Byte) {
    ++unknownBytes_;
}

}  // namespace tarvok
