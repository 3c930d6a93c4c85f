#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvok {

// What the expression parser needs from the assembler: symbol values and the location counter.
class AsmSymbolSource {
public:
    virtual ~AsmSymbolSource() = default;
    // False when the symbol has no value (yet); the source reports that itself if it must.
    virtual bool LookUpSymbol(std::string_view name, int column, std::int64_t& value) = 0;
    virtual std::int64_t LocationCounter() const = 0;
};

struct AsmValue {
    std::int64_t value = 0;
    bool known = true;  // false when a symbol without value took part
};

struct AsmSyntaxError {
    int column = 0;
    std::string message;
};

// Parses one expression of `text` from `pos` on and leaves `pos` behind it; stops at the first
// character that cannot continue the expression (',' ']' end). `firstColumn` is the line column
// of text[0]. Returns false with `error` filled on a syntax error.
bool ParseAsmExpression(std::string_view text, std::size_t& pos, int firstColumn,
                        AsmSymbolSource& symbols, AsmValue& result, AsmSyntaxError& error);

bool IsSymbolStart(char c);
bool IsSymbolChar(char c);
// A letter, '_' or '.' first, then letters, digits, '_' and '.'.
bool IsSymbolName(std::string_view text);

}  // namespace tarvok
