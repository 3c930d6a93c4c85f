#pragma once

#include <array>

#include "devices/r6551.h"
#include "ui/devices/device_window.h"
#include "ui/devices/graph_feed.h"

class QButtonGroup;
class QLabel;
class QTabWidget;

namespace tarvok {

class Led;
class ScaledSignalGraph;
class SignalFileBar;
class ToggleSwitch;
class TxdSignalGraph;

// "Serieller Port (R6551)": the ACIA's registers in hexadecimal and binary with the decoded line
// format, lamps for its output lines and switches for its inputs (page "Register"), and its
// transmit line, /RTS and /DTR as signal graphs (page "Oszilloskop"). The buttons record the
// output lines into a signal file or play one back into the inputs.
class SerialWindow : public DeviceWindow, private R6551Listener, private R6551Tap {
    Q_OBJECT

public:
    enum Row { kTdrRow, kRdrRow, kSrRow, kComRow, kConRow, kRowCount };
    // How the graphs show the levels: as the ACIA sees them or as they are on the line.
    enum LevelDisplay { kAciaLevels, kLineLevels };

    SerialWindow(R6551& acia, QWidget* parent);
    ~SerialWindow() override;

    void ShowFrame(const MachineSnapshot& snapshot) override;
    void ResetView() override;

    // A row as it reads: name, hexadecimal and binary value, joined by "|".
    QString RowText(Row row) const { return rows_[row].Text(); }
    // The decoded format: baud rate, start bit, word length, parity, stop bits.
    QStringList FormatTexts() const;
    Led* Lamp(R6551Lamp lamp) const { return lamps_[static_cast<int>(lamp)]; }
    ToggleSwitch* Switch(R6551Switch which) const { return switches_[static_cast<int>(which)]; }
    TxdSignalGraph* TxdGraph() const { return txdGraph_; }
    ScaledSignalGraph* RtsGraph() const { return rtsGraph_; }
    ScaledSignalGraph* DtrGraph() const { return dtrGraph_; }
    QButtonGroup* LevelButtons() const { return levelButtons_; }
    QTabWidget* Pages() const { return pages_; }
    SignalFileBar& Files() const { return *files_; }

private:
    QWidget* BuildRegisterPage();
    QWidget* BuildScopePage();
    void Attach() override;
    void Detach() override;
    void Closing() override;
    void Show(const R6551State& state);
    void ShowDevice() { Show(acia_.State()); }
    void ShowLevels(int display);

    // The tap feeds the graphs; registers, lamps and switches follow the snapshots.
    void GraphLevels(std::uint16_t txdMark, bool rtsLed, bool dtrLed,
                     std::uint64_t cycles) override {
        runs_.Add(txdMark | (rtsLed ? kRtsBit : 0u) | (dtrLed ? kDtrBit : 0u), cycles);
    }
    void RegisterChanged(R6551Register, Byte) override {}
    void LampChanged(R6551Lamp, bool) override {}
    void SwitchChanged(R6551Switch, bool) override {}
    void SignalFileStopped(const UserMessage* saveError) override;
    // The main window resets every device window after a system reset, shown or not.
    void AciaReset() override {}

    R6551& acia_;
    std::array<RegisterRow, kRowCount> rows_;
    QLabel* baudRate_ = nullptr;
    QLabel* startBits_ = nullptr;
    QLabel* wordLength_ = nullptr;
    QLabel* parity_ = nullptr;
    QLabel* stopBits_ = nullptr;
    std::array<Led*, 4> lamps_{};
    std::array<ToggleSwitch*, 4> switches_{};
    TxdSignalGraph* txdGraph_;
    ScaledSignalGraph* rtsGraph_;
    ScaledSignalGraph* dtrGraph_;
    // The TxD mark (bits 0-15), /RTS and /DTR of each sample while the ACIA's graphs draw.
    static constexpr std::uint32_t kRtsBit = 1u << 16;
    static constexpr std::uint32_t kDtrBit = 1u << 17;
    RunGatherer runs_;
    QButtonGroup* levelButtons_ = nullptr;
    QTabWidget* pages_ = nullptr;
    SignalFileBar* files_ = nullptr;
    // Set while the window's own stop button ends a file: the button reports a failure itself.
    bool stopping_ = false;
    // What the window shows of the ACIA.
    struct Shown {
        std::array<Byte, kRowCount> registers{};
        std::array<bool, 4> lamps{};
        std::array<bool, 4> switches{};
        bool reading = false, recording = false;
        bool operator==(const Shown&) const = default;
    };
    Shown shown_;
    bool shownValid_ = false;
};

}  // namespace tarvok
