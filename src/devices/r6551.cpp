#include "devices/r6551.h"

#include <algorithm>
#include <bit>

#include "core/address_decoder.h"
#include "devices/signal_file.h"

namespace tarvok {

namespace {

// Crystal ticks per bit for each baud-rate select value; 0 is the external clock (not modelled).
constexpr std::array<std::int32_t, 16> kBitTimes = {
    0, 36864, 24576, 16769, 13704, 12288, 6144, 3072, 1536, 1024, 768, 512, 384, 256, 192, 96};

// 1.8432 MHz crystal against a 1 MHz processor clock: 1152/625 ticks per cycle.
constexpr std::int32_t kTickNumerator = 1152;
constexpr std::int32_t kTickDenominator = 625;

// Keeps the line at mark for whatever shifts remain of the current frame.
constexpr std::uint16_t kMarkHold = 0xFFFF;

constexpr int kGraphRunOut = 30;
constexpr std::uint16_t kMarkFirstStep = 34;  // start bit + first step of a character
constexpr std::uint16_t kMarkBreakRun = 16;
constexpr std::uint16_t kMarkData = 0, kMarkParity = 4, kMarkStop = 8;

constexpr Byte kTransmitControl = 0x0C;
constexpr Byte kSendBreak = 0x0C;
constexpr Byte kTransmitIrq = 0x04;
constexpr Byte kReceiverIrqDisabled = 0x02;

}  // namespace

R6551::R6551() : ClockedDevice(0xF008, 4) {}

R6551::~R6551() {
    listeners_ = {};
    if (s_.reading || s_.recording) (void)StopReadingAndRecording();
}

void R6551::Install() {
    Device::Install();
    Reset();
}

void R6551::ConnectInterruptOutput(int output, Device* dest, std::uint16_t destNum) {
    if (output != 0) return;
    irqDest_ = dest;
    irqDestNum_ = destNum;
}

Byte R6551::ReadNow(Address address, bool /*peek*/) {
    switch (static_cast<Address>(address - baseAddress_)) {
        case 0:
            return ReadRdr();
        case 1:
            return ReadSr();
        case 2:
            return s_.com;
        case 3:
            return s_.con;
        default:
            return 0xFF;
    }
}

void R6551::WriteNow(Address address, Byte value) {
    switch (static_cast<Address>(address - baseAddress_)) {
        case 0:
            SetTdr(value);
            break;
        case 1:
            ProgrammedReset();
            break;
        case 2:
            SetCom(value);
            break;
        case 3:
            SetCon(value);
            break;
        default:
            break;
    }
}

void R6551::Reset() {
    // A recording that cannot be written is reported to the windows through SignalFileStopped.
    if (s_.reading || s_.recording) (void)StopReadingAndRecording();

    s_.dcdSwitch = s_.dsrSwitch = s_.ctsSwitch = true;
    s_.rxcSwitch = false;
    s_.pendingDSR = s_.pendingDCD = false;
    listeners_.Notify([&](R6551Listener& l) { l.AciaReset(); });

    // COM and CON are cleared without recomputing the durations: they stay as last computed.
    StoreCOM(0);
    StoreCON(0);
    StoreSR(kTDRE | (s_.dcdSwitch ? 0 : kDCD) | (s_.dsrSwitch ? 0 : kDSR));
    SetIrqOutput(true);

    s_.tsr = 1;
    s_.fraction = 0;
    s_.ticks = 0;
    s_.cycles = 0;
    s_.breakStartRequest = s_.breakEndRequest = s_.breakActive = false;
    s_.rxd = s_.rxdPrevious = true;
    s_.transmitting = false;
    s_.receiving = false;
    // Event times from before the reset would lie far ahead of the restarted tick counter.
    s_.nextSample = s_.rxEndOfData = s_.rxEndOfParity = s_.rxEndOfFrame = 0;
    s_.txEndOfFrame = s_.nextBit = s_.nextClockEdge = 0;
    s_.txEndOfData = s_.txEndOfParity = s_.idleTimer = 0;
    s_.txClockCount = 0;
    s_.graphDrawing = false;
    s_.graphRunOut = 0;
    s_.txdMark = 1;
    SetLamp(s_.txdLed, R6551Lamp::TxD, true);
    SetLamp(s_.rxcLed, R6551Lamp::RxC, false);
    UpdateModemLamps();
}

// ---------------------------------------------------------------------------------------------
// Registers

void R6551::NotifyRegister(R6551Register reg, unsigned offset, Byte value) {
    if (decoder_ != nullptr) {
        decoder_->AnnounceChange(static_cast<Address>(baseAddress_ + offset), value);
    }
    listeners_.Notify([&](R6551Listener& l) { l.RegisterChanged(reg, value); });
}

void R6551::StoreSR(Byte value) {
    if (value == s_.sr) return;
    s_.sr = value;
    NotifyRegister(R6551Register::SR, 1, value);
}

void R6551::StoreCOM(Byte value) {
    if (value == s_.com) return;
    s_.com = value;
    NotifyRegister(R6551Register::COM, 2, value);
}

void R6551::StoreCON(Byte value) {
    if (value == s_.con) return;
    s_.con = value;
    NotifyRegister(R6551Register::CON, 3, value);
}

void R6551::StoreRDR(Byte value) {
    if (value == s_.rdr) return;
    s_.rdr = value;
    NotifyRegister(R6551Register::RDR, 0, value);
}

void R6551::SetIrqOutput(bool level) {
    if (level == s_.irqLevel) return;
    s_.irqLevel = level;
    if (irqDest_ != nullptr) irqDest_->SetInterruptInput(this, 1, irqDestNum_, level);
}

void R6551::SetLamp(bool& lamp, R6551Lamp which, bool on) {
    if (lamp == on) return;
    lamp = on;
    listeners_.Notify([&](R6551Listener& l) { l.LampChanged(which, on); });
}

void R6551::UpdateModemLamps() {
    SetLamp(s_.dtrLed, R6551Lamp::DTR, (s_.com & 0x01) == 0);
    SetLamp(s_.rtsLed, R6551Lamp::RTS, (s_.com & kTransmitControl) == 0);
}

void R6551::SetTdr(Byte value) {
    SetSr(s_.sr & static_cast<Byte>(~kTDRE));
    if (value != s_.tdr) {
        s_.tdr = value;
        // The bus shows RDR at this offset, so only the window hears about TDR.
        listeners_.Notify([&](R6551Listener& l) { l.RegisterChanged(R6551Register::TDR, value); });
    }
}

void R6551::SetRdr(Byte value) {
    s_.overrunLatch = (s_.sr & kRDRF) != 0;
    if (!s_.overrunLatch) StoreRDR(value);  // an overrun keeps the older byte
    Byte sr = s_.sr | kRDRF;
    if (s_.overrunLatch) sr |= kOverrun;
    if (s_.framingLatch) sr |= kFramingError;
    if (s_.parityLatch) sr |= kParityError;
    if ((s_.com & kReceiverIrqDisabled) == 0) {
        sr |= kIRQ;
        SetIrqOutput(false);
    }
    StoreSR(sr);
}

Byte R6551::ReadRdr() {
    StoreSR(s_.sr & 0xF0);
    return s_.rdr;
}

void R6551::SetSr(Byte value) {
    const Byte old = s_.sr;
    const bool receiverIrqDisabled = (s_.com & kReceiverIrqDisabled) != 0;
    bool raise = false;

    auto applyModemLine = [&](Byte bit, bool switchOn, bool& pending) {
        if ((value & bit) == 0) return;
        const Byte fromSwitch = switchOn ? 0 : bit;
        if (!receiverIrqDisabled) {
            pending = false;
            value = static_cast<Byte>((value & ~bit) | fromSwitch);
        } else if ((old & kIRQ) != 0) {
            pending = true;  // the value keeps the bit as given; the status read settles it
        } else {
            value = static_cast<Byte>((value & ~bit) | fromSwitch);
            raise = true;
        }
    };
    applyModemLine(kDSR, s_.dsrSwitch, s_.pendingDSR);
    applyModemLine(kDCD, s_.dcdSwitch, s_.pendingDCD);

    if (!receiverIrqDisabled && (old & kRDRF) == 0 && (value & kRDRF) != 0) raise = true;
    if ((s_.com & kTransmitControl) == kTransmitIrq && (old & kTDRE) == 0 && (value & kTDRE) != 0) {
        raise = true;
    }
    if (raise) {
        value |= kIRQ;
        SetIrqOutput(false);
    }
    StoreSR(value);
}

Byte R6551::ReadSr() {
    const Byte result = s_.sr;
    Byte sr = s_.sr;
    if ((sr & kIRQ) != 0) {
        SetIrqOutput(true);
        sr &= static_cast<Byte>(~kIRQ);
    }
    auto applyPending = [&](Byte bit, bool switchOn, bool& pending) {
        if (!pending) return;
        pending = false;
        sr = static_cast<Byte>((sr & ~bit) | (switchOn ? 0 : bit));
        if ((s_.com & kReceiverIrqDisabled) == 0) {
            sr |= kIRQ;
            SetIrqOutput(false);
        }
    };
    applyPending(kDSR, s_.dsrSwitch, s_.pendingDSR);
    applyPending(kDCD, s_.dcdSwitch, s_.pendingDCD);
    StoreSR(sr);
    return result;
}

void R6551::SetCom(Byte value) {
    const bool wasBreak = (s_.com & kTransmitControl) == kSendBreak;
    const bool isBreak = (value & kTransmitControl) == kSendBreak;
    if (!wasBreak && isBreak) s_.breakStartRequest = true;
    if (wasBreak && !isBreak) s_.breakEndRequest = true;
    StoreCOM(value);
    CalcPulseWidth();
    UpdateModemLamps();
}

void R6551::SetCon(Byte value) {
    StoreCON(value);
    CalcPulseWidth();
    WriteRecord();
}

void R6551::SetTsr(std::uint16_t frame) {
    // With CTS inactive TDRE stays clear, so the same character goes out again after this one.
    if (s_.ctsSwitch) SetSr(s_.sr | kTDRE);
    s_.tsr = frame;
}

void R6551::SetRsr(std::uint16_t value) {
    s_.rsr = value;
}

void R6551::ProgrammedReset() {
    StoreSR(s_.sr & static_cast<Byte>(~kOverrun));
    SetCom(s_.com & 0xE0);
    // A frame in progress finishes at mark instead of shifting spaces in behind the idle bit.
    s_.tsr = s_.transmitting ? kMarkHold : 1;
    SetLamp(s_.txdLed, R6551Lamp::TxD, true);
}

void R6551::CalcPulseWidth() {
    const int wordLength = (s_.con >> 5) & 0x03;  // 0 = 8 data bits ... 3 = 5 data bits
    const int startAndData = 9 - wordLength;
    const bool parity = ParityEnabled();
    int stopHalfBits = 2;
    if ((s_.con & 0x80) != 0) {
        if (wordLength == 3 && !parity) {
            stopHalfBits = 3;
        } else if (wordLength == 0 && parity) {
            stopHalfBits = 2;
        } else {
            stopHalfBits = 4;
        }
    }
    const std::int32_t p = kBitTimes[s_.con & 0x0F];
    s_.dataDuration = startAndData * p;
    s_.parityDuration = parity ? p : 0;
    s_.stopDuration = stopHalfBits * (p >> 1);
    s_.clockPeriod = p >> 4;
    s_.bitTime = p;
}

void R6551::CalcTransmitEvents() {
    const std::int64_t now = s_.ticks;
    s_.txEndOfData = now + s_.dataDuration;
    s_.txEndOfParity = s_.txEndOfData + s_.parityDuration;
    s_.txEndOfFrame = s_.idleTimer = s_.txEndOfParity + s_.stopDuration;
    s_.nextBit = now + s_.bitTime;
    s_.nextClockEdge = now + s_.clockPeriod;
}

void R6551::CalcTransmitEvents(std::int64_t duration) {
    const std::int64_t now = s_.ticks;
    s_.txEndOfFrame = now + duration;
    s_.nextBit = now + s_.bitTime;
    s_.nextClockEdge = now + s_.clockPeriod;
    s_.idleTimer = s_.txEndOfData = s_.txEndOfParity = now + duration;
}

void R6551::CalcReceiveEvents(std::int64_t frameDuration) {
    const std::int64_t now = s_.ticks;
    s_.nextSample = now + std::int64_t{9} * (s_.bitTime >> 4);
    s_.rxEndOfData = s_.nextSample + s_.dataDuration;
    s_.rxEndOfParity = s_.rxEndOfData + s_.parityDuration;
    s_.rxEndOfFrame = now + frameDuration;
}

int R6551::Weight(std::uint64_t value, int first, int last) {
    if (first < 0) first = 0;
    if (last > 63) last = 63;
    if (last < first) return 0;
    const int width = last - first + 1;
    const std::uint64_t mask = width >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << width) - 1;
    return std::popcount((value >> first) & mask);
}

// ---------------------------------------------------------------------------------------------
// Inputs

void R6551::SetDcdSwitch(bool on) {
    if (s_.dcdSwitch == on) return;
    s_.dcdSwitch = on;
    listeners_.Notify([&](R6551Listener& l) { l.SwitchChanged(R6551Switch::DCD, on); });
    SetSr(s_.sr | kDCD);
}

void R6551::SetDsrSwitch(bool on) {
    if (s_.dsrSwitch == on) return;
    s_.dsrSwitch = on;
    listeners_.Notify([&](R6551Listener& l) { l.SwitchChanged(R6551Switch::DSR, on); });
    SetSr(s_.sr | kDSR);
}

void R6551::SetCtsSwitch(bool on) {
    if (s_.ctsSwitch == on) return;
    s_.ctsSwitch = on;
    listeners_.Notify([&](R6551Listener& l) { l.SwitchChanged(R6551Switch::CTS, on); });
}

void R6551::SetRxcSwitch(bool on) {
    if (s_.rxcSwitch == on) return;
    s_.rxcSwitch = on;
    listeners_.Notify([&](R6551Listener& l) { l.SwitchChanged(R6551Switch::RxC, on); });
}

void R6551::SetRxd(bool level) {
    s_.rxdPrevious = s_.rxd;
    s_.rxd = level;
}

// ---------------------------------------------------------------------------------------------
// Clocked work

// Only the receiver, the start of a character (TDRE rises), the idle timer while a modem line
// bit stands in the status, and the records of a playback can move the interrupt output.
std::uint64_t R6551::CyclesToEvent() const {
    // The cycle in which the tick counter reaches `tick`.
    const auto reaching = [this](std::int64_t tick) {
        const std::uint64_t before = CyclesBeforeTick(tick);
        return before == kNoEvent ? kNoEvent : before + 1;
    };
    std::uint64_t event = kNoEvent;
    if (s_.reading) event = std::max<std::uint64_t>(s_.fileCycleCounter, 1);
    if (s_.receiving) {
        event = std::min(event, reaching(s_.nextSample));
    } else if (s_.rxdPrevious && !s_.rxd) {
        return 1;
    }
    if (s_.transmitting) {
        event = std::min(event, reaching(s_.txEndOfFrame));
    } else if ((s_.sr & kTDRE) == 0 || s_.breakStartRequest) {
        return 1;
    } else if ((s_.sr & (kDSR | kDCD)) != 0) {
        event = std::min(event, reaching(s_.idleTimer));
    }
    return event;
}

void R6551::Advance(std::uint64_t cycles) {
    std::uint64_t remaining = cycles;
    while (remaining > 0) {
        if (Quiet()) {
            if (IdleTimerIsNoOp() && FrameDuration() == 0 && s_.idleTimer <= s_.ticks) {
                // With no frame time a due idle timer fires in every cycle without effect and is
                // left at the tick count of the last cycle's start.
                AdvanceTimeBase(remaining - 1);
                s_.idleTimer = s_.ticks;
                AdvanceTimeBase(1);
                break;
            }
            const std::uint64_t skip = CyclesBeforeIdleTimer();
            if (skip >= remaining) {
                AdvanceTimeBase(remaining);
                break;
            }
            AdvanceTimeBase(skip);
            remaining -= skip;
        } else if (OnlyTransmitting()) {
            const std::uint64_t skip =
                std::min(remaining, CyclesBeforeTick(std::min(s_.txEndOfFrame, s_.nextBit)));
            if (skip > 0) {
                AdvanceTransmitting(skip);
                remaining -= skip;
                continue;
            }
        }
        StepCycle();
        --remaining;
    }
}

// Between two bits of a frame only the transmit clock moves; unless someone watches the lines,
// its edges can be counted instead of stepped.
bool R6551::OnlyTransmitting() const {
    return s_.transmitting && !s_.receiving && !s_.reading && !s_.recording &&
           !(s_.rxdPrevious && !s_.rxd) && s_.clockPeriod > 0 && s_.bitTime > 0;
}

// Does what `cycles` calls of StepCycle would do while no bit or frame event falls due.
void R6551::AdvanceTransmitting(std::uint64_t cycles) {
    AdvanceTimeBase(cycles - 1);
    const std::int64_t lastCycleTicks = s_.ticks;  // an edge fires in the cycle that reaches it
    AdvanceTimeBase(1);
    if (lastCycleTicks >= s_.nextClockEdge) {
        const std::int64_t edges = (lastCycleTicks - s_.nextClockEdge) / s_.clockPeriod + 1;
        if (listeners_.Empty()) {
            s_.rxcLed = ((s_.txClockCount + edges - 1) & 1) != 0;
            s_.txClockCount = static_cast<decltype(s_.txClockCount)>(s_.txClockCount + edges);
        } else {
            // The lamp notices, edge by edge.
            for (std::int64_t edge = 0; edge < edges; ++edge)
                SetLamp(s_.rxcLed, R6551Lamp::RxC, (s_.txClockCount++ & 1) != 0);
        }
        s_.nextClockEdge += edges * s_.clockPeriod;
    }
    // The graph run-out goes on: its cycles show the same levels.
    if (s_.graphRunOut > 0 && !taps_.Empty()) [[unlikely]]
        TapGraph(std::min<std::uint64_t>(static_cast<std::uint64_t>(s_.graphRunOut), cycles));
    s_.graphRunOut -= static_cast<int>(cycles);
}

// Nothing but the idle timer can happen in a cycle while this holds.
bool R6551::Quiet() const {
    return !s_.transmitting && !s_.receiving && !s_.reading && !s_.recording && !s_.graphDrawing &&
           !s_.breakStartRequest && (s_.sr & kTDRE) != 0 && !(s_.rxdPrevious && !s_.rxd);
}

// The idle timer only ORs the interrupt bit into the status; with that bit already set and no
// modem-line bit to re-read, its status write changes nothing.
bool R6551::IdleTimerIsNoOp() const {
    return (s_.sr & (kIRQ | kDSR | kDCD)) == kIRQ;
}

// The number of whole cycles that pass before the cycle in which the tick counter has reached the
// idle timer (or `tick`); the tick count at the start of cycle c is ticks + (fraction + 1152 c - 1)
// / 625.
std::uint64_t R6551::CyclesBeforeIdleTimer() const {
    return CyclesBeforeTick(s_.idleTimer);
}

std::uint64_t R6551::CyclesBeforeTick(std::int64_t tick) const {
    const std::int64_t need = tick - s_.ticks;
    if (need <= 0) return 0;
    if (need > (std::int64_t{1} << 40)) return ~std::uint64_t{0};
    const std::int64_t numerator = kTickDenominator * need + 1 - s_.fraction;
    return static_cast<std::uint64_t>((numerator + kTickNumerator - 1) / kTickNumerator);
}

void R6551::AdvanceTimeBase(std::uint64_t cycles) {
    if (cycles == 0) return;
    s_.cycles += cycles;
    const std::int64_t total = s_.fraction + static_cast<std::int64_t>(cycles) * kTickNumerator;
    if (total > kTickDenominator) {
        const std::int64_t carries = (total - 1) / kTickDenominator;
        s_.ticks += carries;
        s_.fraction = static_cast<std::int32_t>(total - carries * kTickDenominator);
    } else {
        s_.fraction = static_cast<std::int32_t>(total);
    }
}

void R6551::StepCycle() {
    if (s_.reading) PlaybackStep();
    ReceiverStep();
    TransmitterStep();

    ++s_.cycles;
    s_.fraction += kTickNumerator;
    while (s_.fraction > kTickDenominator) {
        s_.fraction -= kTickDenominator;
        ++s_.ticks;
    }

    if (s_.recording) {
        // The duration column holds 32 bits: a longer state is split into records of its levels
        // (a change in this very cycle gets its own record below).
        if (s_.fileCycleCounter == kMaxRecordCycles) WriteStatusLine(s_.lastRecorded);
        ++s_.fileCycleCounter;
        WriteRecord();
    }
    if (s_.graphDrawing) GraphStep();
}

void R6551::PlaybackStep() {
    // A record of duration d holds its levels for exactly d cycles: the count runs down in the
    // same cycles in which the next record is taken.
    if (s_.fileCycleCounter > 0 && --s_.fileCycleCounter > 0) return;
    if (!ApplyNextRecord() && s_.reading) (void)StopReadingAndRecording();  // end of the file
}

void R6551::ReceiverStep() {
    if (!s_.receiving) {
        // Only a new sample of the line moves the previous one on: while the line's driver
        // leaves a space in place, each character is followed by the next.
        if (!s_.rxdPrevious || s_.rxd) return;
        s_.receiving = true;
        CalcReceiveEvents(FrameDuration());
        s_.bitIndex = -2;
        SetRsr(0);
        s_.framingLatch = false;
    }
    if (s_.ticks < s_.nextSample) return;

    ++s_.bitIndex;
    s_.nextSample += s_.bitTime;
    const bool line = s_.rxd;

    if (s_.bitIndex == -1) {
        if (line) s_.receiving = false;  // false start
        return;
    }
    if (s_.ticks < s_.rxEndOfData) {
        if (line && s_.bitIndex < 16) {
            SetRsr(static_cast<std::uint16_t>(s_.rsr | (1u << s_.bitIndex)));
        }
        return;
    }
    if (ParityEnabled() && s_.ticks < s_.rxEndOfParity) {
        s_.receivedParity = line;
        return;
    }
    if (!line) s_.framingLatch = true;
    if (s_.rxEndOfFrame > s_.nextSample) return;
    if (s_.nextSample - (s_.bitTime >> 2) < s_.rxEndOfFrame) {
        s_.nextSample -= std::int64_t{5} * (s_.bitTime >> 4);  // half a stop bit: sample earlier
        return;
    }

    s_.receiving = false;
    s_.parityLatch = false;
    if (ParityEnabled()) {
        const int ones = Weight(std::uint64_t{s_.rsr} * 2 + (s_.receivedParity ? 1 : 0), 0, 8);
        switch ((s_.com >> 6) & 0x03) {
            case 0:
                s_.parityLatch = (ones % 2) == 0;
                break;  // odd
            case 1:
                s_.parityLatch = (ones % 2) == 1;
                break;  // even
            case 2:
                s_.parityLatch = !s_.receivedParity;
                break;  // mark
            default:
                s_.parityLatch = s_.receivedParity;
                break;  // space
        }
    }
    SetRdr(static_cast<Byte>(s_.rsr & 0xFF));
}

void R6551::StartGraph(std::uint16_t mark) {
    s_.graphDrawing = true;
    s_.graphRunOut = kGraphRunOut;
    s_.txdMark = mark;
}

void R6551::TransmitterStep() {
    if (s_.transmitting && s_.ticks >= s_.txEndOfFrame) {
        if (s_.breakActive) {
            s_.txEndOfFrame += s_.bitTime;
            s_.txClockCount = 0;
            s_.txdMark = kMarkBreakRun;
            if (s_.breakEndRequest) {
                s_.breakActive = s_.breakStartRequest = s_.breakEndRequest = false;
                // Mark for the bit time that still ends the frame (TSR = 1 would shift a space in).
                s_.tsr = kMarkHold;
                s_.txdMark = 1;
                SetLamp(s_.txdLed, R6551Lamp::TxD, true);
            }
        } else {
            s_.transmitting = false;
            SetLamp(s_.txdLed, R6551Lamp::TxD, true);
            s_.tsr = 1;
        }
    }

    if (!s_.transmitting && s_.breakStartRequest) {
        s_.breakActive = true;
        s_.transmitting = true;
        StartGraph(kMarkFirstStep);
        CalcTransmitEvents(std::int64_t{s_.dataDuration} + s_.parityDuration);
        s_.tsr = 0;
        s_.txClockCount = 0;
        SetLamp(s_.txdLed, R6551Lamp::TxD, false);
    }

    if (!s_.transmitting && (s_.sr & kTDRE) == 0) {
        s_.transmitting = true;
        StartGraph(static_cast<std::uint16_t>(64 * s_.tdr + kMarkFirstStep));
        CalcTransmitEvents();
        const int wordLength = (s_.con >> 5) & 0x03;
        const int parityPosition = 9 - wordLength;
        std::uint16_t frame = static_cast<std::uint16_t>((7u << parityPosition) | (s_.tdr * 2u));
        if (ParityEnabled()) {
            const bool dataOnesEven = Weight(s_.tdr, 0, 7 - wordLength) % 2 == 0;
            bool clear = false;
            switch ((s_.com >> 6) & 0x03) {
                case 0:
                    clear = !dataOnesEven;
                    break;  // odd
                case 1:
                    clear = dataOnesEven;
                    break;  // even
                case 2:
                    clear = false;
                    break;  // mark
                default:
                    clear = true;
                    break;  // space
            }
            if (clear) frame = static_cast<std::uint16_t>(frame & ~(1u << parityPosition));
        }
        SetTsr(frame);
        s_.txClockCount = 0;
        SetLamp(s_.txdLed, R6551Lamp::TxD, false);
        SetLamp(s_.rxcLed, R6551Lamp::RxC, false);
    }

    if (s_.transmitting && s_.ticks >= s_.nextBit) {
        s_.tsr >>= 1;
        s_.txClockCount = 0;
        s_.graphRunOut = kGraphRunOut;
        s_.nextBit += s_.bitTime;
        s_.nextClockEdge = s_.ticks + s_.clockPeriod;
        const bool line = (s_.tsr & 1) != 0;
        const std::uint16_t section = s_.ticks < s_.txEndOfData     ? kMarkData
                                      : s_.ticks < s_.txEndOfParity ? kMarkParity
                                                                    : kMarkStop;
        s_.txdMark = section | (line ? 1 : 0);
        SetLamp(s_.txdLed, R6551Lamp::TxD, line);
        SetLamp(s_.rxcLed, R6551Lamp::RxC, (s_.txClockCount & 1) != 0);
    }

    if (s_.transmitting && s_.ticks >= s_.nextClockEdge) {
        s_.nextClockEdge += s_.clockPeriod;
        SetLamp(s_.rxcLed, R6551Lamp::RxC, (s_.txClockCount & 1) != 0);
        ++s_.txClockCount;
    }

    if (!s_.transmitting && s_.ticks >= s_.idleTimer) {
        s_.idleTimer = s_.ticks + FrameDuration();
        SetSr(s_.sr | kIRQ);
    }
}

void R6551::GraphStep() {
    --s_.graphRunOut;
    if (s_.graphRunOut >= 0 && !taps_.Empty()) [[unlikely]]
        TapGraph(1);
    if (!s_.transmitting) s_.graphDrawing = false;
}

void R6551::TapGraph(std::uint64_t cycles) {
    taps_.Notify([&](R6551Tap& tap) { tap.GraphLevels(s_.txdMark, s_.rtsLed, s_.dtrLed, cycles); });
}

}  // namespace tarvok
