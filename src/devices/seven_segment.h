#pragma once

#include <array>
#include <cstdint>

#include "core/device.h"
#include "core/types.h"

namespace tarvok {

// One digit on screen. Its value holds two segment patterns: low byte and high byte, each with
// bit 0 = a (top), 1 = b (upper right), 2 = c (lower right), 3 = d (bottom), 4 = e (lower left),
// 5 = f (upper left), 6 = g (middle), 7 = decimal point.
class TSevenSegmentDigitView {
public:
    virtual ~TSevenSegmentDigitView() = default;
    virtual void SetValue(std::uint16_t value) = 0;
};

// Display memory of the eight digits S0 (rightmost) to S7: byte n ($F020 + n) is the low pattern
// of digit n, byte 8 + n ($F028 + n) its high pattern. Any value may be written. Bus writes only
// store; a periodic refresh carries the bytes to the digits.
class TSevenSegmentModule : public TMemoryModule {
public:
    static constexpr std::uint16_t kSize = 16;
    static constexpr int kDigits = 8;

    TSevenSegmentModule() : TMemoryModule(0xF020, kSize) {}

    Byte GetValue(Address address, bool peek) override;
    void SetValue(Address address, Byte value) override;

    Byte GetMemory(int index) const;
    void SetMemory(int index, Byte value);

    TSevenSegmentDigitView* GetFigure(int index) const;
    void SetFigure(int index, TSevenSegmentDigitView* view);

    // Shows the display memory on the attached digits; the refresh timer calls it every
    // RefreshInterval milliseconds. Does nothing while the display is not Enabled.
    void RefreshDisplay();
    // The value digit n shows: (high pattern << 8) | low pattern.
    std::uint16_t DigitValue(int index) const;

    std::uint32_t RefreshInterval() const { return refreshInterval_; }
    void SetRefreshInterval(std::uint32_t milliseconds) { refreshInterval_ = milliseconds; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled) { enabled_ = enabled; }

private:
    struct State {
        std::array<Byte, kSize> memory{};
    };
    State state_;
    std::array<TSevenSegmentDigitView*, kDigits> figures_{};
    std::uint32_t refreshInterval_ = 30;
    bool enabled_ = true;
};

// A segment lit in both patterns is on, in one of them slightly on, in neither off.
enum class TSegmentBrightness { Off, SlightOn, On };
TSegmentBrightness SegmentBrightness(std::uint16_t value, int bit);

// The character a segment pattern shows (the decimal point, bit 7, is ignored). Hex digits come
// out as 0-9 and upper-case A-F whatever their shape on the display (b, d), so that a shown number
// reads as the number:
//
//   '0' 3F  '1' 06  '2' 5B  '3' 4F  '4' 66  '5' 6D  '6' 7D  '7' 07 or 27  '8' 7F  '9' 6F or 67
//   'A' 77  'B' 7C  'C' 39  'c' 58  'D' 5E  'E' 79  'F' 71  '-' 40  ' ' 00
//   'P' 73  'r' 50  'o' 5C  'n' 54  'H' 76  'L' 38  'U' 3E  'u' 1C  'y' 6E  'G' 3D  't' 78
//   'h' 74  'J' 1E  'i' 04
//
// 'S', 'I' and 'O' share their shapes with '5', '1' and '0' and decode as the digits; '6' without
// its top segment is the shape of 'b' and decodes as 'B'. Every other pattern decodes as '?'.
char DecodeSevenSegment(Byte pattern);

}  // namespace tarvok
