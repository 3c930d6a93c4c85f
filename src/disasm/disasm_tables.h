#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "core/types.h"

namespace tarvok {

// How an opcode's operand is written; selects the formatter.
enum class OperandKind : std::uint8_t {
    Inherent,
    Direct,
    Immediate8,
    Immediate16,
    Extended,
    Indexed,
    Relative8,
    Relative16,
    RegisterPair,
    RegisterListS,
    RegisterListU,
    Page2Prefix,
    Page3Prefix,
};

inline constexpr std::string_view kUndefinedMnemonic = "?????";

// One opcode of one page. The disassembler keeps these tables for itself; the processor has its
// own dispatch and does not use them.
struct DisasmEntry {
    // Five characters, padded with blanks on the right; "?????" for an undefined code and empty
    // for the two page prefixes.
    std::string_view mnemonic = kUndefinedMnemonic;
    // Bytes of the instruction: the prefix counts on pages 2 and 3, the indexed postbyte counts,
    // the offset bytes behind an indexed postbyte do not. Undefined codes take 1.
    std::uint8_t length = 1;
    OperandKind kind = OperandKind::Inherent;

    constexpr bool Defined() const { return mnemonic != kUndefinedMnemonic; }
};

using DisasmTable = std::array<DisasmEntry, 256>;

// Page 1 is the opcode byte alone, page 2 the codes after $10, page 3 those after $11.
const DisasmTable& DisasmPage(int page);

}  // namespace tarvok
