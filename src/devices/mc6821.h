#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/device.h"
#include "core/types.h"
#include "core/user_message.h"

namespace tarvok {

// The six registers of the PIA, as named in change notices.
enum class TMC6821Register { DDRA, DRA, CRA, DDRB, DRB, CRB };

// What a port window hears from the PIA. Ports are numbered 1 (A) and 2 (B); every notice
// reports a real change only.
class TMC6821Listener {
public:
    virtual ~TMC6821Listener() = default;
    virtual void RegisterChanged(TMC6821Register reg, Byte value) = 0;
    // The level a Cx2 output lamp shows.
    virtual void Cx2OutputChanged(int port, bool level) = 0;
    // The eight input switches (the external pin levels) of a port.
    virtual void InputSwitchesChanged(int port, Byte switches) = 0;
    // The Cx1 (line 1) or Cx2 (line 2) switch of a port window.
    virtual void ControlSwitchChanged(int port, int line, bool on) = 0;
    // Playback or recording of a port started or stopped (see IsReading/IsRecording).
    virtual void SignalFileStateChanged(int port) = 0;
    // A recording stopped by Reset could not be written; nobody else is there to tell the user.
    virtual void SignalFileFailed(int port, const TUserMessage& message) = 0;
};

// MC6821 parallel interface adapter: ports A and B with their control lines, interrupt outputs
// IRQA (output 0, source line 1) and IRQB (output 1, source line 2), and signal-file recording
// and playback of each port.
class TMC6821Module : public TMemoryModule {
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

    TMC6821Module();
    ~TMC6821Module() override;

    Byte GetValue(Address address, bool peek) override;
    void SetValue(Address address, Byte value) override;
    void Reset() override;
    Byte Run(Byte cycles) override;
    void Loaded() override;
    void ConnectIRQOutput(int output, TMemoryModule* dest, std::uint16_t destNum) override;

    void SetListener(TMC6821Listener* listener) { listener_ = listener; }

    // Register-write paths; the port window and the signal-file player use them too.
    void SetRegDDRA(Byte value) { SetRegDDR(kA, value); }
    void SetRegDRA(Byte value) { SetRegDR(kA, value); }
    void SetRegCRA(Byte value) { SetRegCR(kA, value); }
    void SetRegDDRB(Byte value) { SetRegDDR(kB, value); }
    void SetRegDRB(Byte value) { SetRegDR(kB, value); }
    void SetRegCRB(Byte value) { SetRegCR(kB, value); }
    Byte GetRegDDRA() const { return state_.port[kA].ddr; }
    Byte GetRegDRA() const { return state_.port[kA].dr; }
    Byte GetRegCRA() const { return state_.port[kA].cr; }
    Byte GetRegDDRB() const { return state_.port[kB].ddr; }
    Byte GetRegDRB() const { return state_.port[kB].dr; }
    Byte GetRegCRB() const { return state_.port[kB].cr; }

    // Named control register bits; every setter runs the full register-write path.
    bool GetFlagCA1() const { return Bit(kA, kCrFlag1); }
    void SetFlagCA1(bool on) { SetCrBit(kA, kCrFlag1, on); }
    bool GetFlagCA2() const { return Bit(kA, kCrFlag2); }
    void SetFlagCA2(bool on) { SetCrBit(kA, kCrFlag2, on); }
    bool GetFlagCA2IsOutput() const { return Bit(kA, kCrC2Output); }
    void SetFlagCA2IsOutput(bool on) { SetCrBit(kA, kCrC2Output, on); }
    bool GetFlagIRQOnCA2PosFlank() const { return Bit(kA, kCrBit4); }
    void SetFlagIRQOnCA2PosFlank(bool on) { SetCrBit(kA, kCrBit4, on); }
    bool GetFlagCA2DoesNoHandshake() const { return Bit(kA, kCrBit4); }
    void SetFlagCA2DoesNoHandshake(bool on) { SetCrBit(kA, kCrBit4, on); }
    bool GetFlagDRAorDDRA() const { return Bit(kA, kCrDrSelect); }
    void SetFlagDRAorDDRA(bool on) { SetCrBit(kA, kCrDrSelect, on); }
    bool GetFlagIRQOnCA1PosFlank() const { return Bit(kA, kCrC1PosEdge); }
    void SetFlagIRQOnCA1PosFlank(bool on) { SetCrBit(kA, kCrC1PosEdge, on); }
    bool GetFlagCB1() const { return Bit(kB, kCrFlag1); }
    void SetFlagCB1(bool on) { SetCrBit(kB, kCrFlag1, on); }
    bool GetFlagCB2() const { return Bit(kB, kCrFlag2); }
    void SetFlagCB2(bool on) { SetCrBit(kB, kCrFlag2, on); }
    bool GetFlagCB2IsOutput() const { return Bit(kB, kCrC2Output); }
    void SetFlagCB2IsOutput(bool on) { SetCrBit(kB, kCrC2Output, on); }
    bool GetFlagIRQOnCB2PosFlank() const { return Bit(kB, kCrBit4); }
    void SetFlagIRQOnCB2PosFlank(bool on) { SetCrBit(kB, kCrBit4, on); }
    bool GetFlagCB2DoesNoHandshake() const { return Bit(kB, kCrBit4); }
    void SetFlagCB2DoesNoHandshake(bool on) { SetCrBit(kB, kCrBit4, on); }
    bool GetFlagDRBorDDRB() const { return Bit(kB, kCrDrSelect); }
    void SetFlagDRBorDDRB(bool on) { SetCrBit(kB, kCrDrSelect, on); }
    bool GetFlagIRQOnCB1PosFlank() const { return Bit(kB, kCrC1PosEdge); }
    void SetFlagIRQOnCB1PosFlank(bool on) { SetCrBit(kB, kCrC1PosEdge, on); }

    // External control-line inputs.
    void SetCA1Input(bool level) { SetC1Input(kA, level); }
    void SetCA2Input(bool level) { SetC2Input(kA, level); }
    void SetCB1Input(bool level) { SetC1Input(kB, level); }
    void SetCB2Input(bool level) { SetC2Input(kB, level); }
    bool GetCA1Input() const { return state_.port[kA].c1Input; }
    bool GetCA2Input() const { return state_.port[kA].c2Input; }
    bool GetCB1Input() const { return state_.port[kB].c1Input; }
    bool GetCB2Input() const { return state_.port[kB].c2Input; }

    // Level driven on CA2/CB2 while it is an output (high after a reset).
    bool GetCA2OutputLevel() const { return state_.port[kA].c2Output; }
    bool GetCB2OutputLevel() const { return state_.port[kB].c2Output; }

    // The port's external pin levels (port 1 = A, 2 = B), as the window's eight switches set them.
    void SetInputSwitches(int port, Byte value);
    Byte GetInputSwitches(int port) const;
    // Tells the memory windows about the port read value after the switches moved.
    void InputSwitchesChanged(int port);

    // The Cx1/Cx2 switches of a port window: a switch that changes drives its control-line input.
    // Reset turns them off without touching the inputs, as the window does.
    void SetControlSwitch(int port, int line, bool on);
    bool GetControlSwitch(int port, int line) const;

    Byte GetDRAReadValue() const { return ReadValue(kA); }
    Byte GetDRBReadValue() const { return ReadValue(kB); }
    // The eight line characters of a port for the signal files, Px7 first.
    std::string GetDRASaveValue() const { return SaveValue(kA); }
    std::string GetDRBSaveValue() const { return SaveValue(kB); }

    // Port signal files (port 1 = A, 2 = B). A port is idle, recording or playing back.
    bool StartRecording(const std::string& file, int port);
    // Loads and checks the whole file first; on failure `error` (if given) receives the message
    // and the port stays idle. A busy port refuses with false and leaves `error` alone.
    bool StartReading(const std::string& file, int port, TUserMessage* error);
    // Ends playback, or ends a recording and writes its file. False when idle or when the file
    // could not be written (then `error` receives the message and the recording is lost).
    bool StopReadingAndRecording(int port, TUserMessage* error);
    bool IsReading(int port) const;
    bool IsRecording(int port) const;
    const std::string& SignalFileName(int port) const;
    // Appends a record of the state that has just ended (recording only).
    void SavePortStatus(int port);
    // Applies the next records of the playback; false when none is left.
    bool ReadPortStatus(int port);
    // Checks a loaded file and normalizes its records; false when it is not a port signal file.
    static bool ProcessInputFile(std::vector<std::string>& lines);

private:
    static constexpr int kA = 0;
    static constexpr int kB = 1;

    struct PortState {
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
        std::string fileName;
        std::vector<std::string> lines;
        std::size_t nextLine = 0;  // playback position in `lines`
    };
    struct State {
        std::array<PortState, 2> port;
        // The bytes the memory windows were last told about, per register offset.
        std::array<Byte, 4> shown{};
    };

    bool Bit(int p, Byte mask) const { return (state_.port[p].cr & mask) != 0; }
    void SetCrBit(int p, Byte mask, bool on);
    void SetRegDDR(int p, Byte value);
    void SetRegDR(int p, Byte value);
    void SetRegCR(int p, Byte value);
    void SetC1Input(int p, bool level);
    void SetC2Input(int p, bool level);
    void SetC2Output(int p, bool level);
    // Changes the control register only when the bits really change (internal flag updates).
    void UpdateFlags(int p, Byte value);
    Byte ReadValue(int p) const;
    std::string SaveValue(int p) const;
    // The Cx2 character of a record: '-' while Cx2 is an input, else the level bit 3 asks for.
    static char C2SaveValue(Byte cr) {
        return (cr & kCrC2Output) == 0 ? '-' : ((cr & kCrBit3) ? '1' : '0');
    }
    Byte ShownByte(unsigned offset) const;
    void PublishBytes(int p);
    void NotifyRegister(int p, int index, Byte value);
    void StopAll();

    bool StrobeDue(int p) const;
    bool Busy() const {
        const PortState& a = state_.port[kA];
        const PortState& b = state_.port[kB];
        return a.reading || a.recording || b.reading || b.recording || StrobeDue(kA) ||
               StrobeDue(kB);
    }
    void StepCycle();
    void RunBusy(unsigned cycles);
    // Adds to a recording's duration; `cycles` stays far below the largest duration.
    void CountRecordedCycles(int p, unsigned cycles);

    State state_;
    TMemoryModule* irqDest_[2] = {nullptr, nullptr};
    std::uint16_t irqDestNum_[2] = {0, 0};
    TMC6821Listener* listener_ = nullptr;
};

}  // namespace tarvok
