#include "asm/asm_line.h"

#include <cctype>

#include "asm/asm_expression.h"

namespace tarvok {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

std::string ToUpper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

AsmLineFields SplitAsmLine(std::string_view line) {
    AsmLineFields fields;
    if (line.empty() || line[0] == '*' || line[0] == ';') return fields;
    std::size_t pos = 0;
    if (!IsBlank(line[0])) {
        while (pos < line.size() && !IsBlank(line[pos]) && line[pos] != ':' && line[pos] != ';')
            ++pos;
        fields.label = line.substr(0, pos);
        fields.labelColumn = 1;
        bool valid = IsSymbolStart(line[0]);
        for (const char c : fields.label)
            valid = valid && IsSymbolChar(c);
        if (!valid) fields.error = "invalid label '" + std::string(fields.label) + "'";
        if (pos < line.size() && line[pos] == ':') ++pos;
    }
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    if (pos >= line.size() || line[pos] == ';') return fields;
    const std::size_t start = pos;
    while (pos < line.size() && !IsBlank(line[pos]) && line[pos] != ';')
        ++pos;
    fields.mnemonic = line.substr(start, pos - start);
    fields.mnemonicColumn = static_cast<int>(start) + 1;
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    fields.rest = line.substr(pos);
    fields.restColumn = static_cast<int>(pos) + 1;
    return fields;
}

std::string_view OperandField(std::string_view rest) {
    std::size_t pos = 0;
    while (pos < rest.size()) {
        const char c = rest[pos];
        if (IsBlank(c) || c == ';') break;
        if (c == '\'') {
            // A character constant takes the next character whatever it is, and an optional
            // closing quote.
            pos += 2;
            if (pos < rest.size() && rest[pos] == '\'') ++pos;
            continue;
        }
        if (c == '"') {
            const std::size_t close = rest.find('"', pos + 1);
            pos = close == std::string_view::npos ? rest.size() : close + 1;
            continue;
        }
        ++pos;
    }
    return rest.substr(0, pos < rest.size() ? pos : rest.size());
}

}  // namespace tarvok
