#include "devices/seven_segment.h"

#include "core/address_decoder.h"

namespace tarvok {

Byte TSevenSegmentModule::GetValue(Address address, bool /*peek*/) {
    return GetMemory(static_cast<Address>(address - baseAddress_));
}

void TSevenSegmentModule::SetValue(Address address, Byte value) {
    SetMemory(static_cast<Address>(address - baseAddress_), value);
}

Byte TSevenSegmentModule::GetMemory(int index) const {
    return index >= 0 && index < kSize ? state_.memory[index] : 0;
}

void TSevenSegmentModule::SetMemory(int index, Byte value) {
    if (index < 0 || index >= kSize || state_.memory[index] == value) return;
    state_.memory[index] = value;
    if (addressDecoder_ != nullptr) {
        addressDecoder_->ValueHasChanged(static_cast<Address>(baseAddress_ + index), value);
    }
}

TSevenSegmentDigitView* TSevenSegmentModule::GetFigure(int index) const {
    return index >= 0 && index < kDigits ? figures_[index] : nullptr;
}

void TSevenSegmentModule::SetFigure(int index, TSevenSegmentDigitView* view) {
    if (index >= 0 && index < kDigits) figures_[index] = view;
}

std::uint16_t TSevenSegmentModule::DigitValue(int index) const {
    return static_cast<std::uint16_t>((GetMemory(kDigits + index) << 8) | GetMemory(index));
}

void TSevenSegmentModule::RefreshDisplay() {
    if (!enabled_) return;
    for (int n = 0; n < kDigits; ++n) {
        if (figures_[n] != nullptr) figures_[n]->SetValue(DigitValue(n));
    }
}

TSegmentBrightness SegmentBrightness(std::uint16_t value, int bit) {
    if (bit < 0 || bit > 7) return TSegmentBrightness::Off;
    const bool low = (value >> bit) & 1;
    const bool high = (value >> (bit + 8)) & 1;
    if (low && high) return TSegmentBrightness::On;
    return low || high ? TSegmentBrightness::SlightOn : TSegmentBrightness::Off;
}

namespace {

struct TSegmentShape {
    Byte pattern;
    char character;
};

constexpr TSegmentShape kShapes[] = {
    {0x3F, '0'}, {0x06, '1'}, {0x5B, '2'}, {0x4F, '3'}, {0x66, '4'}, {0x6D, '5'}, {0x7D, '6'},
    {0x07, '7'}, {0x27, '7'}, {0x7F, '8'}, {0x6F, '9'}, {0x67, '9'}, {0x77, 'A'}, {0x7C, 'B'},
    {0x39, 'C'}, {0x58, 'c'}, {0x5E, 'D'}, {0x79, 'E'}, {0x71, 'F'}, {0x40, '-'}, {0x00, ' '},
    {0x73, 'P'}, {0x50, 'r'}, {0x5C, 'o'}, {0x54, 'n'}, {0x76, 'H'}, {0x38, 'L'}, {0x3E, 'U'},
    {0x1C, 'u'}, {0x6E, 'y'}, {0x3D, 'G'}, {0x78, 't'}, {0x74, 'h'}, {0x1E, 'J'}, {0x04, 'i'},
};

}  // namespace

char DecodeSevenSegment(Byte pattern) {
    const Byte segments = pattern & 0x7F;
    for (const TSegmentShape& shape : kShapes) {
        if (shape.pattern == segments) return shape.character;
    }
    return '?';
}

}  // namespace tarvok
