#pragma once

#include <array>
#include <cstdint>

#include "core/device.h"
#include "core/types.h"

namespace tarvok {

// Everything the display device knows: the sixteen pattern bytes.
struct SevenSegmentState {
    std::array<Byte, 16> memory{};
    bool operator==(const SevenSegmentState&) const = default;
};

// Display memory of the eight digits S0 (rightmost) to S7: byte n ($F020 + n) is the low pattern
// of digit n, byte 8 + n ($F028 + n) its high pattern, each with bit 0 = a (top), 1 = b (upper
// right), 2 = c (lower right), 3 = d (bottom), 4 = e (lower left), 5 = f (upper left), 6 = g
// (middle), 7 = decimal point. Any value may be written; the bytes only store what the digits
// show, and the window that shows them refreshes from them at its own pace.
class SevenSegmentDisplay : public Device {
public:
    static constexpr std::uint16_t kSize = 16;
    static constexpr int kDigits = 8;

    SevenSegmentDisplay() : Device(0xF020, kSize) {}

    Byte Read(Address address, bool peek) override;
    void Write(Address address, Byte value) override;

    Byte Pattern(int index) const;
    void SetPattern(int index, Byte value);

    // The value digit n shows: (high pattern << 8) | low pattern.
    std::uint16_t DigitValue(int index) const;

    const SevenSegmentState& State() const { return state_; }
    void RestoreState(const SevenSegmentState& state) { state_ = state; }

private:
    SevenSegmentState state_;
};

// A segment lit in both patterns is on, in one of them slightly on, in neither off.
enum class SegmentBrightness { Off, SlightOn, On };
SegmentBrightness SegmentBrightnessOf(std::uint16_t value, int bit);

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
