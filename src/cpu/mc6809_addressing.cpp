#include <cstdint>
#include <string>

#include "core/hex_text.h"
#include "cpu/mc6809.h"
#include "cpu/mc6809_indexed.h"

namespace tarvok {

void Mc6809::ReportError(const std::string& text) {
    decoder_->ShowMessage("Prozessorfehler bei Adresse $" +
                          Hex4(static_cast<Address>(state_.pc - 1)) + ": " + text);
}

bool Mc6809::VerifyPostbyte(Byte postbyte) {
    return kIndexedForms[postbyte].valid;
}

void Mc6809::RejectPostbyte(Byte postbyte) {
    ReportError("$" + Hex2(postbyte) + " ist ungültiges Postbyte;");
    state_.cycles += 1;
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
    if (!CheckTransferPostbyte(postbyte, "TFR")) return;
    state_.cycles += 5;
    SetRegByCode(postbyte & 0x0F, GetRegByCode(postbyte >> 4));
}

void Mc6809::OpExg() {
    const Byte postbyte = Fetch();
    if (!CheckTransferPostbyte(postbyte, "EXG")) return;
    state_.cycles += 7;
    const unsigned source = postbyte >> 4;
    const unsigned destination = postbyte & 0x0F;
    const std::uint16_t oldDestination = GetRegByCode(destination);
    SetRegByCode(destination, GetRegByCode(source));
    SetRegByCode(source, oldDestination);
}

}  // namespace tarvok
