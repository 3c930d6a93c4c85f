#include "asm/asm_line.h"

#include <algorithm>
#include <cctype>

#include "asm/asm_expression.h"

namespace tarvok {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v';
}

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
        if (!IsSymbolName(fields.label)) {
            fields.error = "invalid label '" + std::string(fields.label) +
                           "' (a label starts with a letter, '_' or '.' and goes on with "
                           "letters, digits, '_' and '.')";
        }
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

std::size_t SkipQuoted(std::string_view text, std::size_t pos) {
    if (text[pos] == '\'') {
        // A character constant takes the next character whatever it is, and an optional
        // closing quote.
        pos += 2;
        if (pos < text.size() && text[pos] == '\'') ++pos;
        return std::min(pos, text.size());
    }
    if (text[pos] == '"') {
        const std::size_t close = text.find('"', pos + 1);
        return close == std::string_view::npos ? text.size() : close + 1;
    }
    return pos;
}

std::string_view OperandField(std::string_view rest) {
    std::size_t pos = 0;
    while (pos < rest.size()) {
        const char c = rest[pos];
        if (IsBlank(c) || c == ';') break;
        if (c == '\'' || c == '"') {
            pos = SkipQuoted(rest, pos);
            continue;
        }
        ++pos;
        if (c == ',') {
            // "FCB 1, 2": the list goes on behind the blanks, unless only a comment follows.
            std::size_t next = pos;
            while (next < rest.size() && IsBlank(rest[next]))
                ++next;
            if (next < rest.size() && rest[next] != ';') pos = next;
        }
    }
    return rest.substr(0, pos);
}

std::size_t TopLevelComma(std::string_view text) {
    int depth = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\'' || c == '"') {
            i = SkipQuoted(text, i);
            continue;
        }
        if (c == '(' || c == '[') {
            ++depth;
        } else if (c == ')' || c == ']') {
            --depth;
        } else if (c == ',' && depth == 0) {
            return i;
        }
        ++i;
    }
    return std::string_view::npos;
}

}  // namespace tarvok
