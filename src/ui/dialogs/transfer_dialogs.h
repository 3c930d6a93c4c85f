#pragma once

#include <QDialog>
#include <array>

#include "link/serial_ports.h"
#include "link/v24_transfer.h"

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvok {

class AddressDecoder;

// The box the menu commands show before a transfer dialog; true on OK.
bool ConfirmV24Connection(QWidget* parent);

// The common part of the two V.24 transfer dialogs ("serielle Übertragung"): the bar of COM1 to
// COM4, OK and "Abbrechen". The ports are looked for when the dialog is made; a port that is not
// there cannot be chosen, the highest one that is there is chosen, and with none OK is disabled
// and a box says so when the dialog is shown. While a transfer runs both buttons are disabled
// and the dialog cannot be closed; the transfer ends by itself.
class TransferDialog : public QDialog {
    Q_OBJECT

public:
    QPushButton* OkButton() const { return ok_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* PortButton(int index) const {
        return portButtons_.at(static_cast<std::size_t>(index));
    }
    // Seconds the lab computer has for its first byte (the tests shorten it).
    void SetWaitSeconds(int seconds) { waitSeconds_ = seconds; }
    bool Busy() const { return busy_; }

signals:
    // Around a transfer: the simulation does not advance meanwhile.
    void TransferStarted();
    void TransferEnded();

protected:
    TransferDialog(const SerialPortNames& ports, const QString& caption, const QString& direction,
                   QWidget* parent);
    void showEvent(QShowEvent* event) override;
    void reject() override;

    // Puts `content` above the direction, the port bar and the buttons.
    void FinishLayout(QWidget* content);
    // The device of the chosen port.
    QString ChosenDevice() const;
    // "Übertragung beginnen?"; false when the user cancels.
    bool ConfirmStart();
    // Runs a transfer on the chosen port with both buttons disabled; `status` follows its
    // status texts.
    bool RunTransfer(const std::function<bool(V24Transfer&)>& transfer, QLabel* status = nullptr);
    virtual QString NoPortLastLine() const = 0;

private:
    const SerialPortNames& ports_;
    QLabel* direction_;
    QWidget* portBar_;
    std::array<QPushButton*, kSerialPortCount> portButtons_{};
    QButtonGroup* group_;
    QPushButton* ok_;
    QPushButton* cancel_;
    int waitSeconds_ = V24Transfer::kDefaultWaitSeconds;
    bool busy_ = false;
};

// "serielle Übertragung zum Mikrorechner": sends a memory range as Intel HEX. A failed send
// keeps the dialog open with its values.
class ToLabComputerDialog : public TransferDialog {
    Q_OBJECT

public:
    ToLabComputerDialog(const SerialPortNames& ports, AddressDecoder& decoder,
                        QWidget* parent = nullptr);
    QLineEdit* StartEdit() const { return start_; }
    QLineEdit* EndEdit() const { return end_; }

private:
    void Send();
    QString NoPortLastLine() const override;

    AddressDecoder& decoder_;
    QLineEdit* start_;
    QLineEdit* end_;
};

// "serielle Übertragung vom Mikrorechner": receives Intel HEX into memory; the dialog closes
// after the transfer, successful or not.
class FromLabComputerDialog : public TransferDialog {
    Q_OBJECT

public:
    FromLabComputerDialog(const SerialPortNames& ports, AddressDecoder& decoder,
                          QWidget* parent = nullptr);
    QLabel* StatusLabel() const { return status_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Receive();
    QString NoPortLastLine() const override;

    AddressDecoder& decoder_;
    QLabel* status_;
};

}  // namespace tarvok
