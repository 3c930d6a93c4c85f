#include "asm/asm_expression.h"

#include <algorithm>
#include <cctype>

namespace tarvok {

bool IsSymbolStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_' || c == '.';
}

bool IsSymbolChar(char c) {
    return IsSymbolStart(c) || std::isdigit(static_cast<unsigned char>(c));
}

bool IsSymbolName(std::string_view text) {
    return !text.empty() && IsSymbolStart(text.front()) &&
           std::all_of(text.begin(), text.end(), IsSymbolChar);
}

namespace {

// Parentheses and unary operators nest at most this deep, which bounds the recursion.
constexpr int kMaxNesting = 100;

// Recursive descent, loosest binding first: | ^ & (<< >>) (+ -) (* / %) unary.
class ExpressionParser {
public:
    ExpressionParser(std::string_view text, std::size_t pos, int firstColumn,
                     AsmSymbolSource& symbols)
        : text_(text), pos_(pos), firstColumn_(firstColumn), symbols_(symbols) {}

    bool Parse(AsmValue& result) {
        result = Or();
        return !failed_;
    }
    std::size_t Position() const { return pos_; }
    const AsmSyntaxError& Error() const { return error_; }

private:
    using Combine = std::int64_t (*)(std::int64_t, std::int64_t);

    char Peek(std::size_t ahead = 0) const {
        return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : '\0';
    }
    int Column() const { return firstColumn_ + static_cast<int>(pos_); }

    AsmValue Fail(std::string message) {
        if (!failed_) {
            failed_ = true;
            error_ = {Column(), std::move(message)};
        }
        return {};
    }

    static AsmValue Join(const AsmValue& a, const AsmValue& b, std::int64_t value) {
        return {value, a.known && b.known};
    }

    AsmValue Or() {
        AsmValue left = Xor();
        while (!failed_ && Peek() == '|') {
            ++pos_;
            const AsmValue right = Xor();
            left = Join(left, right, left.value | right.value);
        }
        return left;
    }
    AsmValue Xor() {
        AsmValue left = And();
        while (!failed_ && Peek() == '^') {
            ++pos_;
            const AsmValue right = And();
            left = Join(left, right, left.value ^ right.value);
        }
        return left;
    }
    AsmValue And() {
        AsmValue left = Shift();
        while (!failed_ && Peek() == '&') {
            ++pos_;
            const AsmValue right = Shift();
            left = Join(left, right, left.value & right.value);
        }
        return left;
    }
    AsmValue Shift() {
        AsmValue left = Sum();
        while (!failed_ && (Peek() == '<' || Peek() == '>') && Peek(1) == Peek()) {
            const bool toLeft = Peek() == '<';
            pos_ += 2;
            const AsmValue right = Sum();
            std::int64_t value = 0;
            // Shifting by 64 or more (or a negative count) leaves nothing of the value.
            if (right.value >= 0 && right.value < 64) {
                const auto bits = static_cast<std::uint64_t>(left.value);
                value =
                    static_cast<std::int64_t>(toLeft ? bits << right.value : bits >> right.value);
                if (!toLeft && left.value < 0) value = left.value >> right.value;
            }
            value = Wrap(value);
            left = Join(left, right, value);
        }
        return left;
    }
    AsmValue Sum() {
        AsmValue left = Product();
        while (!failed_ && (Peek() == '+' || Peek() == '-')) {
            const char op = Peek();
            ++pos_;
            const AsmValue right = Product();
            left =
                Join(left, right,
                     op == '+' ? Wrap(left.value + right.value) : Wrap(left.value - right.value));
        }
        return left;
    }
    AsmValue Product() {
        AsmValue left = Unary();
        while (!failed_ && (Peek() == '*' || Peek() == '/' || Peek() == '%')) {
            const char op = Peek();
            const int opColumn = Column();
            ++pos_;
            const AsmValue right = Unary();
            if (failed_) break;
            std::int64_t value = 0;
            if (op == '*') {
                value = Wrap(static_cast<std::int64_t>(static_cast<std::uint64_t>(left.value) *
                                                       static_cast<std::uint64_t>(right.value)));
            } else if (right.value == 0) {
                // An unknown divisor is 0 only for now; the next pass knows it.
                if (right.known) {
                    failed_ = true;
                    error_ = {opColumn, "division by zero"};
                    break;
                }
            } else {
                value = Wrap(op == '/' ? left.value / right.value : left.value % right.value);
            }
            left = Join(left, right, value);
        }
        return left;
    }
    AsmValue Unary() {
        const char c = Peek();
        if (c == '-' || c == '~' || c == '+') {
            if (!Enter()) return {};
            ++pos_;
            AsmValue operand = Unary();
            --depth_;
            if (c == '-') operand.value = Wrap(-operand.value);
            if (c == '~') operand.value = ~operand.value;
            return operand;
        }
        return Primary();
    }

    bool Enter() {
        if (++depth_ <= kMaxNesting) return true;
        Fail("expression nested too deeply (at most " + std::to_string(kMaxNesting) +
             " parentheses and signs)");
        return false;
    }

    // Keeps values within 32 bits so that nothing can overflow the 64-bit arithmetic.
    static std::int64_t Wrap(std::int64_t value) {
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value & 0xFFFFFFFF));
    }

    AsmValue Number(int base, const char* what) {
        const std::size_t start = pos_;
        std::uint64_t value = 0;
        while (true) {
            const char c = Peek();
            int digit;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'z') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'Z') {
                digit = c - 'A' + 10;
            } else {
                break;
            }
            if (digit >= base) return Fail(std::string("invalid digit in ") + what + " number");
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
            if (value > 0xFFFFFFFFu) return Fail("number too large");
            ++pos_;
        }
        if (pos_ == start) return Fail(std::string("missing digits of ") + what + " number");
        return {static_cast<std::int64_t>(value), true};
    }

    AsmValue Primary() {
        const char c = Peek();
        if (c == '(') {
            if (!Enter()) return {};
            ++pos_;
            const AsmValue inner = Or();
            --depth_;
            if (failed_) return inner;
            if (Peek() != ')') return Fail("missing ')'");
            ++pos_;
            return inner;
        }
        if (c == '$') {
            ++pos_;
            return Number(16, "hexadecimal");
        }
        if (c == '%') {
            ++pos_;
            return Number(2, "binary");
        }
        if (c == '@') {
            ++pos_;
            return Number(8, "octal");
        }
        if (c >= '0' && c <= '9') return Number(10, "decimal");
        if (c == '\'') {
            if (pos_ + 1 >= text_.size()) return Fail("missing character after '");
            const auto value = static_cast<unsigned char>(text_[pos_ + 1]);
            pos_ += 2;
            if (Peek() == '\'') ++pos_;  // the closing quote is optional
            return {value, true};
        }
        if (c == '*') {
            ++pos_;
            return {symbols_.LocationCounter(), true};
        }
        if (IsSymbolStart(c)) {
            const std::size_t start = pos_;
            const int column = Column();
            while (IsSymbolChar(Peek()))
                ++pos_;
            AsmValue result;
            result.known =
                symbols_.LookUpSymbol(text_.substr(start, pos_ - start), column, result.value);
            if (!result.known) result.value = 0;
            return result;
        }
        if (c == '\0') return Fail("missing expression");
        return Fail(std::string("unexpected character '") + c + "' in expression");
    }

    std::string_view text_;
    std::size_t pos_;
    int firstColumn_;
    AsmSymbolSource& symbols_;
    bool failed_ = false;
    int depth_ = 0;
    AsmSyntaxError error_;
};

}  // namespace

bool ParseAsmExpression(std::string_view text, std::size_t& pos, int firstColumn,
                        AsmSymbolSource& symbols, AsmValue& result, AsmSyntaxError& error) {
    ExpressionParser parser(text, pos, firstColumn, symbols);
    const bool ok = parser.Parse(result);
    pos = parser.Position();
    if (!ok) error = parser.Error();
    return ok;
}

}  // namespace tarvok
