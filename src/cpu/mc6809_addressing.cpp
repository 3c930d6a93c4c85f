#include <cstdint>
#include <string>

#include "core/hex_text.h"
#include "cpu/mc6809.h"

namespace tarvok {

namespace {

// Extra cycles of the non-indirect indexed forms (bits 3-0 of the postbyte); the indirect
// forms cost three more. Form 15 exists only indirect ([n]), where it costs 2 + 3.
constexpr std::array<Byte, 16> kIndexedExtraCycles = {2, 3, 2, 3, 0, 1, 1, 0,
                                                      1, 4, 0, 4, 1, 5, 0, 2};

// Bits 6-5 of an indexed postbyte select X, Y, U or S, in the order of transfer codes 1 to 4.
constexpr unsigned BaseRegisterCode(Byte postbyte) {
    return 1u + ((postbyte >> 5) & 0x03);
}

}  // namespace

void Mc6809::ReportError(const std::string& text) {
    decoder_->ShowMessage("Prozessorfehler bei Adresse $" +
                          Hex4(static_cast<Address>(state_.pc - 1)) + ": " + text);
}

bool Mc6809::VerifyPostbyte(Byte postbyte) {
    if ((postbyte & 0x80) == 0) return true;
    const unsigned form = postbyte & 0x0F;
    if (form == 7 || form == 10 || form == 14) return false;
    if (postbyte & 0x10) return form != 0 && form != 2;
    return form != 15;
}

std::uint16_t Mc6809::GetRegValueFromPostbyte(Byte postbyte) const {
    switch ((postbyte >> 5) & 0x03) {
        case 0:
            return state_.x;
        case 1:
            return state_.y;
        case 2:
            return state_.u;
        default:
            return state_.s;
    }
}

void Mc6809::ModifyRegValueFromPostbyte(Byte postbyte) {
    if ((postbyte & 0x80) == 0) return;
    int delta = 0;
    switch (postbyte & 0x1F) {
        case 0x00:
            delta = 1;
            break;
        case 0x01:
        case 0x11:
            delta = 2;
            break;
        case 0x02:
            delta = -1;
            break;
        case 0x03:
        case 0x13:
            delta = -2;
            break;
        default:
            return;
    }
    SetRegByCode(BaseRegisterCode(postbyte),
                 static_cast<std::uint16_t>(GetRegValueFromPostbyte(postbyte) + delta));
}

bool Mc6809::CalcOperandAddr() {
    const Byte postbyte = Fetch();
    state_.postbyte = postbyte;
    if (!VerifyPostbyte(postbyte)) {
        ReportError("$" + Hex2(postbyte) + " ist ungültiges Postbyte;");
        state_.cycles += 1;
        return false;
    }
    std::uint16_t address = GetRegValueFromPostbyte(postbyte);
    if ((postbyte & 0x80) == 0) {
        const unsigned offset = (postbyte & 0x10) ? (postbyte | ~0x1Fu) : (postbyte & 0x0Fu);
        state_.effectiveAddress = static_cast<Address>(address + offset);
        state_.cycles += 1;
        return true;
    }
    const unsigned form = postbyte & 0x0F;
    switch (form) {
        case 0x0:
        case 0x1:
            ModifyRegValueFromPostbyte(postbyte);
            break;
        case 0x2:
        case 0x3:
            ModifyRegValueFromPostbyte(postbyte);
            address = GetRegValueFromPostbyte(postbyte);
            break;
        case 0x4:
            break;
        case 0x5:
            address = static_cast<std::uint16_t>(address + SignExtend8(B()));
            break;
        case 0x6:
            address = static_cast<std::uint16_t>(address + SignExtend8(A()));
            break;
        case 0x8:
            address = static_cast<std::uint16_t>(address + SignExtend8(Fetch()));
            break;
        case 0x9:
            address = static_cast<std::uint16_t>(address + FetchWord());
            break;
        case 0xB:
            address = static_cast<std::uint16_t>(address + state_.d);
            break;
        case 0xC: {
            const std::uint16_t offset = SignExtend8(Fetch());
            address = static_cast<std::uint16_t>(state_.pc + offset);
            break;
        }
        case 0xD: {
            const std::uint16_t offset = FetchWord();
            address = static_cast<std::uint16_t>(state_.pc + offset);
            break;
        }
        default:
            address = FetchWord();
            break;  // [n]
    }
    state_.cycles += kIndexedExtraCycles[form];
    if (postbyte & 0x10) {
        address = BusRead16(address);
        state_.cycles += 3;
    }
    state_.effectiveAddress = address;
    return true;
}

// ---- TFR and EXG ----

// Register codes: 0 D, 1 X, 2 Y, 3 U, 4 S, 5 PC, 8 A, 9 B, 10 CC, 11 DP.
std::uint16_t Mc6809::GetRegByCode(unsigned code) const {
    switch (code) {
        case 0:
            return state_.d;
        case 1:
            return state_.x;
        case 2:
            return state_.y;
        case 3:
            return state_.u;
        case 4:
            return state_.s;
        case 5:
            return state_.pc;
        case 8:
            return A();
        case 9:
            return B();
        case 10:
            return state_.cc;
        default:
            return state_.dp;
    }
}

void Mc6809::SetRegByCode(unsigned code, std::uint16_t value) {
    const auto low = static_cast<Byte>(value);
    switch (code) {
        case 0:
            SetD(value);
            break;
        case 1:
            SetX(value);
            break;
        case 2:
            SetY(value);
            break;
        case 3:
            SetU(value);
            break;
        case 4:
            SetS(value);
            break;
        case 5:
            state_.pc = value;
            break;  // announced at the end of the step
        case 8:
            SetA(low);
            break;
        case 9:
            SetB(low);
            break;
        case 10:
            SetCC(low);
            break;
        default:
            SetDP(low);
            break;
    }
}

bool Mc6809::CheckTransferPostbyte(Byte postbyte, const char* mnemonic) {
    const unsigned source = postbyte >> 4;
    const unsigned destination = postbyte & 0x0F;
    const bool sourceIs8Bit = (source & 0x08) != 0;
    const bool destinationIs8Bit = (destination & 0x08) != 0;
    const char* error = nullptr;
    auto validCode = [sourceIs8Bit](unsigned code) {
        return sourceIs8Bit ? code >= 8 && code <= 11 : code <= 5;
    };
    if (sourceIs8Bit != destinationIs8Bit) {
        error = "Quell- und Zielregister haben unterschiedliche Größe bei Befehl ";
    } else if (!validCode(source)) {
        error = "Ungültiger Code für das Quellregister bei Befehl ";
    } else if (!validCode(destination)) {
        error = "Ungültiger Code für das Zielregister bei Befehl ";
    }
    if (error == nullptr) return true;
    ReportError(std::string(error) + mnemonic + ";");
    state_.cycles += 1;
    return false;
}

void Mc6809::OpTfr() {
    const Byte postbyte = Fetch();
    state_.postbyte = postbyte;
    if (!CheckTransferPostbyte(postbyte, "TFR")) return;
    state_.cycles += 5;
    SetRegByCode(postbyte & 0x0F, GetRegByCode(postbyte >> 4));
}

void Mc6809::OpExg() {
    const Byte postbyte = Fetch();
    state_.postbyte = postbyte;
    if (!CheckTransferPostbyte(postbyte, "EXG")) return;
    state_.cycles += 7;
    const unsigned source = postbyte >> 4;
    const unsigned destination = postbyte & 0x0F;
    const std::uint16_t oldDestination = GetRegByCode(destination);
    SetRegByCode(destination, GetRegByCode(source));
    SetRegByCode(source, oldDestination);
}

}  // namespace tarvok
