#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

#include "core/listeners.h"
#include "core/status.h"
#include "core/types.h"
#include "devices/clocked_device.h"
#include "devices/signal_file.h"

namespace tarvok {

// Port numbers of the PIA's public interface.
inline constexpr int kPortA = 1;
inline constexpr int kPortB = 2;

// The six registers of the PIA, as named in change notices.
enum class Mc6821Register { DDRA, DRA, CRA, DDRB, DRB, CRB };

// What a port window hears from the PIA. Ports are numbered 1 (A) and 2 (B); every notice
// reports a real change only.
class Mc6821Listener {
public:
    virtual ~Mc6821Listener() = default;
    virtual void RegisterChanged(Mc6821Register reg, Byte value) = 0;
    // The level a Cx2 output lamp shows.
    virtual void Cx2OutputChanged(int port, bool level) = 0;
    // The eight input switches (the external pin levels) of a port.
    virtual void InputSwitchesChanged(int port, Byte switches) = 0;
    // The Cx1 (line 1) or Cx2 (line 2) switch of a port window.
    virtual void ControlSwitchChanged(int port, int line, bool on) = 0;
    // Playback or recording of a port started or stopped (see IsReading/IsRecording).
    virtual void SignalFileStateChanged(int port) = 0;
    // A recording stopped by Reset could not be written; nobody else is there to tell the user.
    virtual void SignalFileFailed(int port, const UserMessage& message) = 0;
};

// One port of the PIA: registers, control lines, the window's switches and the signal-file timing.
struct Mc6821Port {
    Byte ddr = 0;
    Byte dr = 0;
    Byte cr = 0;
    bool c1Input = false;
    bool c2Input = false;
    bool c2Output = true;
    Byte inputSwitches = 0;
    bool c1Switch = false;
    bool c2Switch = false;
    bool reading = false;
    bool recording = false;
    // Recording: cycles since the last record; playback: cycles left of the current record.
    std::uint32_t cycleCounter = 0;
    bool operator==(const Mc6821Port&) const = default;
};

// Everything the PIA knows but the contents of its signal files.
struct Mc6821State {
    std::array<Mc6821Port, 2> port;
    // The bytes the memory windows were last told about, per register offset.
    std::array<Byte, 4> shown{};
    bool operator==(const Mc6821State&) const = default;
};

// MC6821 parallel interface adapter: ports A and B with their control lines, interrupt outputs
// IRQA (output 0, source line 1) and IRQB (output 1, source line 2), and signal-file recording
// and playback of each port.
class Mc6821 : public ClockedDevice {
public:
    // First line of every port signal file.
    static constexpr std::string_view kSignalFileHeader = "#Px7-Px0  Cx1 Cx2     Zeit";

    // Control register bits (CRA; CRB alike).
    static constexpr Byte kCrIrq1Enable = 0x01;
    static constexpr Byte kCrC1PosEdge = 0x02;
    static constexpr Byte kCrDrSelect = 0x04;
    static constexpr Byte kCrBit3 = 0x08;  // Cx2 IRQ enable, output level or pulse mode
    static constexpr Byte kCrBit4 = 0x10;  // Cx2 active edge or direct output
    static constexpr Byte kCrC2Output = 0x20;
    static constexpr Byte kCrFlag2 = 0x40;
    static constexpr Byte kCrFlag1 = 0x80;

    Mc6821();
    ~Mc6821() override;

    void Reset() override;
    std::uint64_t CyclesToEvent() const override;
    void Install() override;
    void ConnectInterruptOutput(int output, Device* dest, std::uint16_t destNum) override;

    void AddListener(Mc6821Listener* listener) { listeners_.Add(listener); }
    void RemoveListener(Mc6821Listener* listener) { listeners_.Remove(listener); }

    const Mc6821State& State() const { return state_; }
    // Takes over saved state; the interrupt outputs are left to whoever restores the processor.
    void RestoreState(const Mc6821State& state) { state_ = state; }

    // Registers of a port (kPortA or kPortB; other numbers are ignored and read as 0). The setters
    // run the full register-write path, which the port window and the signal-file player use too.
    void SetDdr(int port, Byte value) {
        if (ValidPort(port)) StoreDdr(port - 1, value);
    }
    void SetDr(int port, Byte value) {
        if (ValidPort(port)) StoreDr(port - 1, value);
    }
    void SetCr(int port, Byte value) {
        if (ValidPort(port)) StoreCr(port - 1, value);
    }
    Byte Ddr(int port) const { return ValidPort(port) ? state_.port[port - 1].ddr : 0; }
    Byte Dr(int port) const { return ValidPort(port) ? state_.port[port - 1].dr : 0; }
    Byte Cr(int port) const { return ValidPort(port) ? state_.port[port - 1].cr : 0; }

    // One control register bit (a kCr... mask), written through the register-write path.
    bool CrBit(int port, Byte mask) const { return (Cr(port) & mask) != 0; }
    void SetCrBit(int port, Byte mask, bool on) {
        if (ValidPort(port)) StoreCrBit(port - 1, mask, on);
    }

    // External control-line inputs: line 1 is Cx1, line 2 is Cx2.
    void SetControlInput(int port, int line, bool level);
    bool ControlInput(int port, int line) const;
    // Level driven on Cx2 while it is an output (high after a reset).
    bool C2Output(int port) const { return ValidPort(port) && state_.port[port - 1].c2Output; }

    // The port's external pin levels (port 1 = A, 2 = B), as the window's eight switches set them.
    void SetInputSwitches(int port, Byte value);
    Byte InputSwitches(int port) const;
    // Tells the memory windows about the port read value after the switches moved.
    void PublishPortRead(int port);

    // The Cx1/Cx2 switches of a port window: a switch that changes drives its control-line input.
    // Reset turns them off without touching the inputs, as the window does.
    void SetControlSwitch(int port, int line, bool on);
    bool ControlSwitch(int port, int line) const;

    // What a processor read of the port's data register gives.
    Byte PortReadValue(int port) const { return ValidPort(port) ? ReadValueAt(port - 1) : 0; }
    // The eight line characters of a port for the signal files, Px7 first.
    std::string RecordedLevels(int port) const {
        return ValidPort(port) ? LevelsAt(port - 1) : std::string();
    }

    // Port signal files. A port is idle, recording or playing back; a busy port refuses to start.
    // A recording is written as it goes into a file that takes its name when it ends; a target
    // that cannot be written is refused at the start.
    Status StartRecording(const std::string& file, int port);
    // Checks the whole file first; on failure the port stays idle.
    Status StartReading(const std::string& file, int port);
    // The same from any stream (text in memory, for instance), called `name`.
    Status StartReading(std::unique_ptr<std::streambuf> content, const std::string& name, int port);
    // Ends playback, or ends a recording and puts its file in place (a failed write loses the
    // recording and says why). Fails too when the port is idle.
    Status StopReadingAndRecording(int port);
    bool IsReading(int port) const;
    bool IsRecording(int port) const;
    const std::string& SignalFileName(int port) const;
    // Appends a record of the state that has just ended (recording only).
    void WriteRecord(int port);
    // Applies the next records of the playback; false when none is left.
    bool ApplyNextRecord(int port);
    // Where a port's playback or recording stands in its file (-1 when idle or unknown), and the
    // way back there: playback reads on from it, a recording is cut back to it. False when the
    // file does not allow it.
    std::int64_t SignalFilePosition(int port) const;
    bool ReturnToSignalFilePosition(int port, std::int64_t position);

private:
    void Advance(std::uint64_t cycles) override;
    Byte ReadNow(Address address, bool peek) override;
    void WriteNow(Address address, Byte value) override;
    static constexpr int kA = 0;
    static constexpr int kB = 1;
    static bool ValidPort(int port) { return port == kPortA || port == kPortB; }

    // A port's signal file: the one being played back or the one being recorded.
    struct SignalFile {
        std::string name;
        SignalFileReader reader;
        SignalFileWriter writer;
    };

    bool Bit(int p, Byte mask) const { return (state_.port[p].cr & mask) != 0; }
    void StoreCrBit(int p, Byte mask, bool on);
    void StoreDdr(int p, Byte value);
    void StoreDr(int p, Byte value);
    void StoreCr(int p, Byte value);
    void SetC1Input(int p, bool level);
    void SetC2Input(int p, bool level);
    void SetC2Output(int p, bool level);
    Byte ReadValueAt(int p) const;
    std::string LevelsAt(int p) const;
    // The Cx2 character of a record: '-' while Cx2 is an input, else the level bit 3 asks for.
    static char C2SaveValue(Byte cr) {
        return (cr & kCrC2Output) == 0 ? '-' : ((cr & kCrBit3) ? '1' : '0');
    }
    Byte ShownByte(unsigned offset) const;
    void PublishBytes(int p);
    void NotifyRegister(int p, int index, Byte value);
    void StopAll();
    // Fails with the reason when the port does not exist or is busy with a signal file.
    Status CheckIdle(int port) const;

    bool StrobeDue(int p) const;
    bool Busy() const {
        const Mc6821Port& a = state_.port[kA];
        const Mc6821Port& b = state_.port[kB];
        return a.reading || a.recording || b.reading || b.recording || StrobeDue(kA) ||
               StrobeDue(kB);
    }
    void StepCycle();
    void RunBusy(std::uint64_t cycles);
    // Adds to a recording's duration, splitting a state that outlasts the duration field.
    void CountRecordedCycles(int p, std::uint64_t cycles);

    Mc6821State state_;
    std::array<SignalFile, 2> files_;
    Device* irqDest_[2] = {nullptr, nullptr};
    std::uint16_t irqDestNum_[2] = {0, 0};
    Listeners<Mc6821Listener> listeners_;
};

}  // namespace tarvok
