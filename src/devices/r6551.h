#pragma once

// R6551 asynchronous communications interface adapter, modelled at bit level against the
// 1.8432 MHz baud-rate crystal, with serial signal files (.sia) for its lines.
//
// Modem switches: a switch that is on holds its input line active. An active DCD or DSR line reads
// 0 in SR bit 5 or 6; this sense holds at reset, in the status write path and in the status read.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <streambuf>
#include <string>
#include <utility>

#include "core/listeners.h"
#include "core/status.h"
#include "core/types.h"
#include "devices/clocked_device.h"
#include "devices/signal_file.h"

namespace tarvok {

enum class R6551Register { TDR, RDR, SR, COM, CON };
enum class R6551Lamp { TxD, RxC, DTR, RTS };
enum class R6551Switch { DCD, DSR, CTS, RxC };

// What the serial window needs to hear from the ACIA. Notices come only on real changes.
class R6551Listener {
public:
    virtual ~R6551Listener() = default;
    virtual void RegisterChanged(R6551Register reg, Byte value) = 0;
    virtual void LampChanged(R6551Lamp lamp, bool on) = 0;
    virtual void SwitchChanged(R6551Switch which, bool on) = 0;
    // Playback or recording ended (also by reset or end of file); saveError is set when a
    // recording could not be written.
    virtual void SignalFileStopped(const UserMessage* saveError) = 0;
    // The ACIA was reset: graphs start afresh, switches are back on.
    virtual void AciaReset() = 0;
};

// What the serial graphs draw: the TxD graph's mark word with the /RTS and /DTR lamp levels, in
// each cycle of the run-out after a change of the transmit line (a graph draws at most that
// many columns after each change), as runs of equal values in time order.
class R6551Tap {
public:
    virtual ~R6551Tap() = default;
    virtual void GraphLevels(std::uint16_t txdMark, bool rtsLed, bool dtrLed,
                             std::uint64_t cycles) = 0;
};

// Everything the ACIA knows.
struct R6551State {
    Byte tdr = 0, rdr = 0, sr = 0x10 /* transmit data register empty */, com = 0, con = 0;
    std::uint16_t tsr = 1, rsr = 0;

    // Receive line: current level and the previous one, whose 1 -> 0 step is a start edge.
    bool rxd = true, rxdPrevious = true;
    bool framingLatch = false, parityLatch = false, overrunLatch = false;
    bool receivedParity = false;
    bool receiving = false;
    int bitIndex = 0;
    std::int64_t nextSample = 0, rxEndOfData = 0, rxEndOfParity = 0, rxEndOfFrame = 0;

    bool transmitting = false, breakActive = false;
    bool breakStartRequest = false, breakEndRequest = false;
    std::int64_t txEndOfFrame = 0, nextBit = 0, nextClockEdge = 0;
    std::int64_t txEndOfData = 0, txEndOfParity = 0, idleTimer = 0;
    unsigned txClockCount = 0;

    bool pendingDSR = false, pendingDCD = false;

    // Time base: crystal ticks, the 1152/625 accumulator, processor cycles since reset.
    std::int64_t ticks = 0;
    std::int32_t fraction = 0;
    std::uint64_t cycles = 0;

    // Recomputed on every COM or CON write.
    std::int32_t dataDuration = 0, parityDuration = 0, stopDuration = 0;
    std::int32_t clockPeriod = 0, bitTime = 0;

    bool irqLevel = true;  // interrupt output, false = asserted

    bool dcdSwitch = true, dsrSwitch = true, ctsSwitch = true, rxcSwitch = false;
    bool rxcInput = true;
    bool txdLed = true, rxcLed = false, dtrLed = true, rtsLed = true;

    bool graphDrawing = false;
    int graphRunOut = 0;
    std::uint16_t txdMark = 1;

    // Signal files (their contents are kept beside the state).
    bool reading = false, recording = false;
    std::uint32_t fileCycleCounter = 0;
    // Kept for the whole program run: neither a new file nor a reset clears them.
    std::array<char, 4> lastRecorded{'0', '0', '0', '0'};
    std::array<char, 4> previousLevels{'1', '1', '1', '1'};
    bool operator==(const R6551State&) const = default;
};

class R6551 : public ClockedDevice {
public:
    static constexpr const char* kSignalFileHeader = "TxD RxC DTR RTS      Zeit";

    // SR bits
    static constexpr Byte kParityError = 0x01;
    static constexpr Byte kFramingError = 0x02;
    static constexpr Byte kOverrun = 0x04;
    static constexpr Byte kRDRF = 0x08;
    static constexpr Byte kTDRE = 0x10;
    static constexpr Byte kDCD = 0x20;
    static constexpr Byte kDSR = 0x40;
    static constexpr Byte kIRQ = 0x80;

    R6551();
    ~R6551() override;

    // Bus side. Inspection reads have the same effects as processor reads.
    void Reset() override;
    std::uint64_t CyclesToEvent() const override;
    void Install() override;
    void ConnectInterruptOutput(int output, Device* dest, std::uint16_t destNum) override;

    // Register operations.
    void SetTdr(Byte value);
    void SetRdr(Byte value);
    Byte ReadRdr();
    void SetSr(Byte value);
    Byte ReadSr();
    void SetCom(Byte value);
    void SetCon(Byte value);
    void SetTsr(std::uint16_t frame);
    void SetRsr(std::uint16_t value);
    void ProgrammedReset();
    void CalcPulseWidth();
    void CalcTransmitEvents();                       // for a character
    void CalcTransmitEvents(std::int64_t duration);  // for a break
    void CalcReceiveEvents(std::int64_t frameDuration);
    // Number of 1 bits of value in bit positions first..last inclusive.
    static int Weight(std::uint64_t value, int first, int last);

    // Inputs the serial window (and later the host coupling) drives.
    void SetDcdSwitch(bool on);
    void SetDsrSwitch(bool on);
    void SetCtsSwitch(bool on);
    void SetRxcSwitch(bool on);
    bool DcdSwitch() const { return s_.dcdSwitch; }
    bool DsrSwitch() const { return s_.dsrSwitch; }
    bool CtsSwitch() const { return s_.ctsSwitch; }
    bool RxcSwitch() const { return s_.rxcSwitch; }
    // A new sample of the receive line from its driver (the signal-file player): the level so far
    // becomes the previous sample, and a step from mark to space starts a character.
    void SetRxd(bool level);
    bool Rxd() const { return s_.rxd; }
    bool RxcInput() const { return s_.rxcInput; }

    bool TxdLed() const { return s_.txdLed; }
    bool RxcLed() const { return s_.rxcLed; }
    bool DtrLed() const { return s_.dtrLed; }
    bool RtsLed() const { return s_.rtsLed; }

    // Side-effect-free views for the window and tests.
    Byte Tdr() const { return s_.tdr; }
    Byte Rdr() const { return s_.rdr; }
    Byte Sr() const { return s_.sr; }
    Byte Com() const { return s_.com; }
    Byte Con() const { return s_.con; }
    std::uint16_t Tsr() const { return s_.tsr; }
    std::uint16_t Rsr() const { return s_.rsr; }
    std::int64_t Ticks() const { return s_.ticks; }
    std::uint64_t CycleCount() const { return s_.cycles; }
    bool Transmitting() const { return s_.transmitting; }
    bool Receiving() const { return s_.receiving; }
    bool IrqAsserted() const { return !s_.irqLevel; }
    std::int64_t FrameDuration() const {
        return std::int64_t{s_.dataDuration} + s_.parityDuration + s_.stopDuration;
    }

    // Serial signal files. A busy port refuses to start. A recording is written as it goes into
    // a file that takes its name when it ends; a target that cannot be written is refused at the
    // start. Playback checks the whole file first.
    Status StartRecording(const std::string& file);
    Status StartReading(const std::string& file);
    // Plays from any stream (text in memory, for instance), called `name`.
    Status StartReading(std::unique_ptr<std::streambuf> content, const std::string& name);
    // Ends playback, or ends a recording and puts its file in place (a failed write loses the
    // recording and says why). Fails too when the port is idle.
    Status StopReadingAndRecording();
    const std::string& SignalFileName() const { return file_.name; }
    bool WriteRecord();
    bool ApplyNextRecord();
    bool IsReading() const { return s_.reading; }
    bool IsRecording() const { return s_.recording; }
    // Where playback or recording stands in the file (-1 when idle or unknown), and the way back
    // there: playback reads on from it, a recording is cut back to it. False when the file does
    // not allow it.
    std::int64_t SignalFilePosition() const;
    bool ReturnToSignalFilePosition(std::int64_t position);

    void AddListener(R6551Listener* listener) { listeners_.Add(listener); }
    void RemoveListener(R6551Listener* listener) { listeners_.Remove(listener); }
    void AddTap(R6551Tap* tap) { taps_.Add(tap); }
    void RemoveTap(R6551Tap* tap) { taps_.Remove(tap); }
    // While muted the taps hear nothing (a run that repeats the past feeds no graph twice).
    void MuteTaps(bool muted) {
        if (muted != tapsMuted_) std::swap(taps_, mutedTaps_);
        tapsMuted_ = muted;
    }
    const R6551State& State() const { return s_; }
    void RestoreState(const R6551State& state) { s_ = state; }

private:
    void Advance(std::uint64_t cycles) override;
    Byte ReadNow(Address address, bool peek) override;
    void WriteNow(Address address, Byte value) override;
    void WriteStatusLine(const std::array<char, 4>& levels);
    // Fails with the reason while a signal file is played back or recorded.
    Status CheckIdle() const;
    bool Quiet() const;
    bool IdleTimerIsNoOp() const;
    bool OnlyTransmitting() const;
    void AdvanceTransmitting(std::uint64_t cycles);
    std::uint64_t CyclesBeforeTick(std::int64_t tick) const;
    std::uint64_t CyclesBeforeIdleTimer() const;
    void AdvanceTimeBase(std::uint64_t cycles);
    void StepCycle();
    void PlaybackStep();
    void ReceiverStep();
    void TransmitterStep();
    void GraphStep();
    void TapGraph(std::uint64_t cycles);
    void StartGraph(std::uint16_t mark);
    void ApplyLevels(const std::array<char, 4>& levels);
    std::array<char, 4> RecordedLevels() const;
    bool ParityEnabled() const { return (s_.com & 0x20) != 0; }

    void StoreSR(Byte value);
    void StoreCOM(Byte value);
    void StoreCON(Byte value);
    void StoreRDR(Byte value);
    void SetIrqOutput(bool level);
    void SetLamp(bool& lamp, R6551Lamp which, bool on);
    void UpdateModemLamps();
    void NotifyRegister(R6551Register reg, unsigned offset, Byte value);

    // The signal file being played back or recorded.
    struct SignalFile {
        std::string name;
        SignalFileReader reader;
        SignalFileWriter writer;
    };

    R6551State s_;
    SignalFile file_;
    Device* irqDest_ = nullptr;
    std::uint16_t irqDestNum_ = 0;
    Listeners<R6551Listener> listeners_;
    Listeners<R6551Tap> taps_;
    Listeners<R6551Tap> mutedTaps_;
    bool tapsMuted_ = false;
};

}  // namespace tarvok
