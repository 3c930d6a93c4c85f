#pragma once

#include <array>
#include <cstdint>

#include "cpu/mc6809.h"

// Indexed addressing: every postbyte decoded once into a table, and the effective address
// calculation that the handlers inline.
namespace tarvok {

// How an indexed postbyte forms the effective address.
enum class IndexedOffset : std::uint8_t {
    kConstant,       // R + the 5-bit offset, or R alone
    kPostIncrement,  // R, then R changes
    kPreDecrement,   // R changes, then R
    kB,              // R + B, A or D
    kA,
    kD,
    kByte,  // R + the 8-bit or 16-bit offset that follows
    kWord,
    kPcByte,  // PC after the offset + the offset that follows
    kPcWord,
    kExtended,  // the address that follows ([n])
};

// Eight bytes, so that an entry is one load.
struct alignas(8) IndexedForm {
    IndexedOffset offset = IndexedOffset::kConstant;
    Byte base = 0;             // bits 6-5: 0 X, 1 Y, 2 U, 3 S
    std::int8_t constant = 0;  // the 5-bit offset, or the automatic change of the base register
    Byte cycles = 0;           // extra cycles, the indirect read's included
    bool indirect = false;
    bool valid = false;
    bool plain = false;  // a constant offset, not indirect: the common case
};

constexpr std::array<IndexedForm, 256> MakeIndexedForms() {
    // Extra cycles of the non-indirect forms by bits 3-0; the indirect read costs three more.
    // Form 15 exists only indirect ([n]), where it costs 2 + 3.
    constexpr std::array<Byte, 16> kExtraCycles = {2, 3, 2, 3, 0, 1, 1, 0, 1, 4, 0, 4, 1, 5, 0, 2};
    constexpr std::array<IndexedOffset, 16> kOffsets = {IndexedOffset::kPostIncrement,
                                                        IndexedOffset::kPostIncrement,
                                                        IndexedOffset::kPreDecrement,
                                                        IndexedOffset::kPreDecrement,
                                                        IndexedOffset::kConstant,
                                                        IndexedOffset::kB,
                                                        IndexedOffset::kA,
                                                        IndexedOffset::kConstant,
                                                        IndexedOffset::kByte,
                                                        IndexedOffset::kWord,
                                                        IndexedOffset::kConstant,
                                                        IndexedOffset::kD,
                                                        IndexedOffset::kPcByte,
                                                        IndexedOffset::kPcWord,
                                                        IndexedOffset::kConstant,
                                                        IndexedOffset::kExtended};
    constexpr std::array<std::int8_t, 4> kChanges = {1, 2, -1, -2};
    std::array<IndexedForm, 256> forms{};
    for (unsigned postbyte = 0; postbyte < 256; ++postbyte) {
        IndexedForm& f = forms[postbyte];
        f.base = static_cast<Byte>((postbyte >> 5) & 0x03);
        if ((postbyte & 0x80) == 0) {
            const int offset = static_cast<int>(postbyte & 0x0F) - ((postbyte & 0x10) ? 16 : 0);
            f.constant = static_cast<std::int8_t>(offset);
            f.cycles = 1;
            f.valid = true;
            f.plain = true;
            continue;
        }
        const unsigned form = postbyte & 0x0F;
        f.offset = kOffsets[form];
        if (form < kChanges.size()) f.constant = kChanges[form];
        f.indirect = (postbyte & 0x10) != 0;
        f.cycles = static_cast<Byte>(kExtraCycles[form] + (f.indirect ? 3 : 0));
        f.valid = form != 7 && form != 10 && form != 14 &&
                  (f.indirect ? form != 0 && form != 2 : form != 15);
        f.plain = f.valid && !f.indirect && f.offset == IndexedOffset::kConstant;
    }
    return forms;
}

inline constexpr std::array<IndexedForm, 256> kIndexedForms = MakeIndexedForms();

// Base registers in the order of bits 6-5 of the postbyte.
inline constexpr std::array<std::uint16_t Mc6809State::*, 4> kIndexRegisters = {
    &Mc6809State::x, &Mc6809State::y, &Mc6809State::u, &Mc6809State::s};
inline constexpr std::array<Mc6809Register, 4> kIndexRegisterNames = {
    Mc6809Register::X, Mc6809Register::Y, Mc6809Register::U, Mc6809Register::S};

// The automatic change of a base register; a change of S arms NMI as SetS does.
inline void Mc6809::ChangeIndexRegister(std::uint16_t& base, unsigned which, int change) {
    base = static_cast<std::uint16_t>(base + change);
    if (which == 3) state_.nmiArmed = true;
    Notify(kIndexRegisterNames[which], base);
}

inline bool Mc6809::CalcOperandAddr(Address& address) {
    const Byte postbyte = Fetch();
    const IndexedForm form = kIndexedForms[postbyte];
    if (form.plain) [[likely]] {
        address = static_cast<Address>(state_.*kIndexRegisters[form.base] + form.constant);
        state_.cycles += form.cycles;
        return true;
    }
    if (!form.valid) [[unlikely]] {
        RejectPostbyte(postbyte);
        return false;
    }
    address = OtherIndexedForm(form);
    if (form.indirect) address = BusRead16(address);
    state_.cycles += form.cycles;
    return true;
}

// The indexed forms other than a plain offset, up to the indirect read.
inline Address Mc6809::OtherIndexedForm(const IndexedForm& form) {
    std::uint16_t& base = state_.*kIndexRegisters[form.base];
    Address address = 0;
    switch (form.offset) {
        case IndexedOffset::kConstant:
            address = static_cast<Address>(base + form.constant);
            break;
        case IndexedOffset::kPostIncrement:
            address = base;
            ChangeIndexRegister(base, form.base, form.constant);
            break;
        case IndexedOffset::kPreDecrement:
            ChangeIndexRegister(base, form.base, form.constant);
            address = base;
            break;
        case IndexedOffset::kB:
            address = static_cast<std::uint16_t>(base + SignExtend8(B()));
            break;
        case IndexedOffset::kA:
            address = static_cast<std::uint16_t>(base + SignExtend8(A()));
            break;
        case IndexedOffset::kD:
            address = static_cast<std::uint16_t>(base + state_.d);
            break;
        case IndexedOffset::kByte:
            address = static_cast<std::uint16_t>(base + SignExtend8(Fetch()));
            break;
        case IndexedOffset::kWord:
            address = static_cast<std::uint16_t>(base + FetchWord());
            break;
        case IndexedOffset::kPcByte: {
            const std::uint16_t offset = SignExtend8(Fetch());
            address = static_cast<std::uint16_t>(state_.pc + offset);
            break;
        }
        case IndexedOffset::kPcWord: {
            const std::uint16_t offset = FetchWord();
            address = static_cast<std::uint16_t>(state_.pc + offset);
            break;
        }
        case IndexedOffset::kExtended:
            address = FetchWord();
            break;
    }
    return address;
}

}  // namespace tarvok
