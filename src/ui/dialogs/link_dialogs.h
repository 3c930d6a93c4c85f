#pragma once

#include <QDialog>

class QComboBox;
class QLineEdit;
class QRadioButton;

namespace tarvok {

// "Serveradresse einstellen": host name or IP address and port of the lab-computer server.
class ServerAddressDialog : public QDialog {
    Q_OBJECT

public:
    explicit ServerAddressDialog(QWidget* parent = nullptr);
    QLineEdit* HostEdit() const { return host_; }
    QLineEdit* PortEdit() const { return port_; }

private:
    QLineEdit* host_;
    QLineEdit* port_;
};

// "Resetpulsbreite einstellen": the width of the remote board's reset pulse in milliseconds.
class PulseWidthDialog : public QDialog {
    Q_OBJECT

public:
    explicit PulseWidthDialog(QWidget* parent = nullptr);
    QLineEdit* PulseWidthEdit() const { return pulseWidth_; }

private:
    QLineEdit* pulseWidth_;
};

// "ACIA Anschluss festlegen": whether the ACIA is tied to a host serial port, and to which.
class AciaConnectionDialog : public QDialog {
    Q_OBJECT

public:
    explicit AciaConnectionDialog(QWidget* parent = nullptr);
    // 0 for none, 1 to 4 for COM1 to COM4.
    void SetPort(int port);
    int Port() const;
    QRadioButton* NotConnectedButton() const { return none_; }
    QRadioButton* ConnectedButton() const { return connected_; }
    QComboBox* PortBox() const { return portBox_; }

private:
    QRadioButton* none_;
    QRadioButton* connected_;
    QComboBox* portBox_;
};

}  // namespace tarvok
