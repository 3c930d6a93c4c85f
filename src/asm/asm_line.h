#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvok {

// One source line cut into its fields. Columns are 1-based; 0 means the field is absent.
struct AsmLineFields {
    std::string_view label;
    int labelColumn = 0;
    std::string_view mnemonic;
    int mnemonicColumn = 0;
    // Everything behind the mnemonic and the white space after it (comment included); the
    // operand field proper depends on the mnemonic, see OperandField.
    std::string_view rest;
    int restColumn = 0;
    std::string error;  // a malformed label
};

// Splits a line: a label starts in column 1 (with or without a colon), an instruction line
// without label starts with white space, '*' in column 1 and ';' anywhere start a comment.
AsmLineFields SplitAsmLine(std::string_view line);

// The operand field at the start of `rest`: it ends at white space or ';' outside quotes;
// what follows is comment. Blanks right after a comma belong to the field ("FCB 1, 2").
std::string_view OperandField(std::string_view rest);

// The index just behind the quoted item that starts at text[pos]: a character constant 'c
// (with an optional closing quote) or a string "...". Returns pos when text[pos] is no quote.
std::size_t SkipQuoted(std::string_view text, std::size_t pos);

// The first comma of `text` outside quotes, parentheses and brackets; npos when there is none.
std::size_t TopLevelComma(std::string_view text);

bool IsBlank(char c);

std::string ToUpper(std::string_view text);

}  // namespace tarvok
