#include "devices/seven_segment.h"

#include "core/address_decoder.h"

namespace tarvok {

Byte SevenSegmentDisplay::Read(Address address, bool /*peek*/) {
    return Pattern(static_cast<Address>(address - baseAddress_));
}

void SevenSegmentDisplay::Write(Address address, Byte value) {
    SetPattern(static_cast<Address>(address - baseAddress_), value);
}

Byte SevenSegmentDisplay::Pattern(int index) const {
    return index >= 0 && index < kSize ? state_.memory[index] : 0;
}

void SevenSegmentDisplay::SetPattern(int index, Byte value) {
    if (index < 0 || index >= kSize || state_.memory[index] == value) return;
    state_.memory[index] = value;
    if (decoder_ != nullptr) {
        decoder_->AnnounceChange(static_cast<Address>(baseAddress_ + index), value);
    }
}

std::uint16_t SevenSegmentDisplay::DigitValue(int index) const {
    return static_cast<std::uint16_t>((Pattern(kDigits + index) << 8) | Pattern(index));
}

SegmentBrightness SegmentBrightnessOf(std::uint16_t value, int bit) {
    if (bit < 0 || bit > 7) return SegmentBrightness::Off;
    const bool low = (value >> bit) & 1;
    const bool high = (value >> (bit + 8)) & 1;
    if (low && high) return SegmentBrightness::On;
    return low || high ? SegmentBrightness::SlightOn : SegmentBrightness::Off;
}

namespace {

struct SegmentShape {
    Byte pattern;
    char character;
};

constexpr SegmentShape kShapes[] = {
    {0x3F, '0'}, {0x06, '1'}, {0x5B, '2'}, {0x4F, '3'}, {0x66, '4'}, {0x6D, '5'}, {0x7D, '6'},
    {0x07, '7'}, {0x27, '7'}, {0x7F, '8'}, {0x6F, '9'}, {0x67, '9'}, {0x77, 'A'}, {0x7C, 'B'},
    {0x39, 'C'}, {0x58, 'c'}, {0x5E, 'D'}, {0x79, 'E'}, {0x71, 'F'}, {0x40, '-'}, {0x00, ' '},
    {0x73, 'P'}, {0x50, 'r'}, {0x5C, 'o'}, {0x54, 'n'}, {0x76, 'H'}, {0x38, 'L'}, {0x3E, 'U'},
    {0x1C, 'u'}, {0x6E, 'y'}, {0x3D, 'G'}, {0x78, 't'}, {0x74, 'h'}, {0x1E, 'J'}, {0x04, 'i'},
};

}  // namespace

char DecodeSevenSegment(Byte pattern) {
    const Byte segments = pattern & 0x7F;
    for (const SegmentShape& shape : kShapes) {
        if (shape.pattern == segments) return shape.character;
    }
    return '?';
}

}  // namespace tarvok
