#pragma once

#include <array>

#include "devices/mc6821.h"
#include "ui/devices/device_window.h"

class QGridLayout;
class QLabel;

namespace tarvok {

class Led;
class SignalFileBar;
class ToggleSwitch;

// "Paralleler Port A (MC6821)" or "... B ...": the outside world of one PIA port. Eight switches
// are the input pins and eight lamps (in the places of the switches of output bits) the output
// pins; two switches drive Cx1 and Cx2, a lamp shows Cx2 while it is an output. The rows above
// show the port's registers, and the buttons record the port's lines into a signal file or play
// one back into its inputs.
class PortWindow : public DeviceWindow, private Mc6821Listener {
    Q_OBJECT

public:
    // The register rows, top to bottom.
    enum Row { kDdrRow, kDrRow, kReadRow, kCrRow, kInputsRow, kOutputsRow, kRowCount };
    static constexpr QSize kLeastSize{345, 271};

    // `port` is kPortA or kPortB.
    PortWindow(Mc6821& pia, int port, QWidget* parent);
    ~PortWindow() override;

    void ShowFrame(const MachineSnapshot& snapshot) override;

    // A row as it reads: name, address, hexadecimal and binary value, joined by "|".
    QString RowText(Row row) const { return rows_[row].Text(); }
    ToggleSwitch* BitSwitch(int bit) const { return bitSwitches_[bit]; }
    Led* BitLed(int bit) const { return bitLeds_[bit]; }
    // Line 1 is Cx1, line 2 Cx2.
    ToggleSwitch* ControlSwitch(int line) const { return line == 1 ? cx1Switch_ : cx2Switch_; }
    Led* Cx2Led() const { return cx2Led_; }
    SignalFileBar& Files() const { return *files_; }

private:
    // "A" or "B".
    QString Letter() const;
    void BuildRows(QGridLayout* grid);
    void BuildPins(QGridLayout* grid);
    void Attach() override;
    void Detach() override;
    void Closing() override;
    void Show(const Mc6821Port& port);
    void ShowDevice() { Show(pia_.State().port[port_ - 1]); }
    void FlipBit(int bit, bool on);

    // What the PIA reports; the rows, lamps and switches follow the snapshots instead.
    void RegisterChanged(Mc6821Register, Byte) override {}
    void Cx2OutputChanged(int, bool) override {}
    void InputSwitchesChanged(int, Byte) override {}
    void ControlSwitchChanged(int, int, bool) override {}
    void SignalFileStateChanged(int port) override;
    void SignalFileFailed(int port, const UserMessage& message) override;

    Mc6821& pia_;
    const int port_;
    std::array<RegisterRow, kRowCount> rows_;
    std::array<ToggleSwitch*, 8> bitSwitches_{};
    std::array<Led*, 8> bitLeds_{};
    ToggleSwitch* cx1Switch_ = nullptr;
    ToggleSwitch* cx2Switch_ = nullptr;
    Led* cx2Led_ = nullptr;
    SignalFileBar* files_ = nullptr;
    Mc6821Port shown_;
    bool shownValid_ = false;
};

}  // namespace tarvok
