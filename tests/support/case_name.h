#pragma once

#include <cctype>
#include <cstddef>
#include <string>
#include <string_view>

namespace tarvok::test {

// A stable test name from a case's text (an operand, a line, a key sequence): letters and digits
// stay, signs become short words, everything else one '_'; the case's index keeps names unique.
inline std::string CaseName(std::string_view text, std::size_t index) {
    std::string name;
    const auto separate = [&name] {
        if (!name.empty() && name.back() != '_') name += '_';
    };
    for (const char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c))) {
            name += c;
            continue;
        }
        const char* word = nullptr;
        switch (c) {
            case '+':
                word = "Plus";
                break;
            case '-':
                word = "Minus";
                break;
            case '#':
                word = "Imm";
                break;
            case '[':
                word = "Ind";
                break;
            case '$':
                word = "Hex";
                break;
            case '%':
                word = "Bin";
                break;
            case '@':
                word = "Oct";
                break;
            case '*':
                word = "Star";
                break;
            case '\'':
                word = "Char";
                break;
            case '<':
                word = "Lt";
                break;
            case '>':
                word = "Gt";
                break;
            case '/':
                word = "Div";
                break;
            case '&':
                word = "And";
                break;
            case '|':
                word = "Or";
                break;
            case '^':
                word = "Xor";
                break;
            case '~':
                word = "Not";
                break;
            default:
                break;
        }
        separate();
        if (word != nullptr) {
            name += word;
            separate();
        }
    }
    separate();
    return name + std::to_string(index);
}

// Two-digit upper-case hex, for cases named by their register values.
inline std::string HexName(unsigned value) {
    static const char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(value >> 4) & 15], kDigits[value & 15]};
}

}  // namespace tarvok::test
