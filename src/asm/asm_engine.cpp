#include "asm/asm_engine.h"

#include "core/hex_text.h"

namespace tarvok {

AsmEngine::AsmEngine(std::vector<std::string> files, std::vector<AsmSourceLine> lines,
                     int maxErrors, std::vector<AsmDiagnostic> earlierDiagnostics)
    : files_(std::move(files)), lines_(std::move(lines)), maxErrors_(maxErrors) {
    result_.diagnostics = std::move(earlierDiagnostics);
    pass1Known_.resize(lines_.size());
    pass1Size_.resize(lines_.size(), 0);
}

AsmResult AsmEngine::Run() {
    RunPass(1);
    ResolveForwardEquates();
    RunPass(2);
    for (const auto& [name, symbol] : symbols_) {
        if (symbol.hasValue) result_.symbols.push_back({name, symbol.value});
    }
    result_.ok = result_.diagnostics.empty();
    return std::move(result_);
}

void AsmEngine::RunPass(int pass) {
    pass_ = pass;
    pc_ = 0;
    dp_ = 0;
    ended_ = false;
    for (statement_ = 0; statement_ < lines_.size() && !ended_ && !tooManyErrors_; ++statement_) {
        Statement();
    }
}

// An EQU whose expression refers forward has no value after pass 1; with all labels known now,
// it gets one before pass 2 uses it (also when it is used above its definition). Uses of it
// in pass 1 were unknown, so they took the long form either way.
void AsmEngine::ResolveForwardEquates() {
    bool progress = true;
    while (progress && !pendingEquates_.empty()) {
        progress = false;
        for (auto it = pendingEquates_.begin(); it != pendingEquates_.end();) {
            statement_ = it->statement;
            pc_ = it->pc;
            const AsmLineFields fields = SplitAsmLine(lines_[statement_].text);
            AsmValue value;
            if (Evaluate({OperandField(fields.rest), fields.restColumn}, value) && value.known) {
                Symbol& symbol = symbols_[std::string(fields.label)];
                symbol.value = value.value;
                symbol.hasValue = true;
                it = pendingEquates_.erase(it);
                progress = true;
            } else {
                ++it;
            }
        }
    }
}

void AsmEngine::Error(int column, std::string message) {
    ++statementErrors_;
    if (pass_ != 2 || tooManyErrors_) return;
    const AsmSourceLine& line = lines_[statement_];
    if (static_cast<int>(result_.diagnostics.size()) >= maxErrors_) {
        result_.diagnostics.push_back(
            {files_[line.file], line.line, column, "too many errors, assembly stopped"});
        tooManyErrors_ = true;
        return;
    }
    result_.diagnostics.push_back({files_[line.file], line.line, column, std::move(message)});
}

bool AsmEngine::KnownInPass1(bool knownNow) {
    std::vector<bool>& record = pass1Known_[statement_];
    if (pass_ == 1) {
        record.push_back(knownNow);
        return knownNow;
    }
    return knownCursor_ < record.size() ? record[knownCursor_++] : false;
}

bool AsmEngine::LookUpSymbol(std::string_view name, int column, std::int64_t& value) {
    const auto it = symbols_.find(std::string(name));
    if (it != symbols_.end() && it->second.hasValue) {
        value = it->second.value;
        return true;
    }
    if (it == symbols_.end()) {
        Error(column, "undefined symbol '" + std::string(name) + "'");
    } else {
        Error(column, "symbol '" + std::string(name) +
                          "' has no value yet (its definition depends on a later symbol)");
    }
    return false;
}

bool AsmEngine::Evaluate(Field field, AsmValue& value) {
    std::size_t pos = 0;
    AsmSyntaxError error;
    if (!ParseAsmExpression(field.text, pos, field.column, *this, value, error)) {
        Error(error.column, error.message);
        return false;
    }
    if (pos < field.text.size()) {
        Error(field.column + static_cast<int>(pos),
              "unexpected '" + std::string(field.text.substr(pos)) + "' after expression");
        return false;
    }
    return true;
}

void AsmEngine::CheckRange(const AsmValue& value, std::int64_t low, std::int64_t high, int column,
                           const char* what) {
    if (value.known && (value.value < low || value.value > high)) {
        Error(column, "value " + std::to_string(value.value) + " out of range for " + what);
    }
}

void AsmEngine::EmitOpcode(int opcode) {
    if (opcode > 0xFF) Emit8(opcode >> 8);
    Emit8(opcode);
}

std::size_t AsmEngine::TopLevelComma(std::string_view text) {
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\'') {
            ++i;  // the quoted character may itself be a comma
        } else if (c == '"') {
            const std::size_t close = text.find('"', i + 1);
            i = close == std::string_view::npos ? text.size() : close;
        } else if (c == '(' || c == '[') {
            ++depth;
        } else if (c == ')' || c == ']') {
            --depth;
        } else if (c == ',' && depth == 0) {
            return i;
        }
    }
    return std::string_view::npos;
}

void AsmEngine::DefineLabel(std::string_view name, std::int64_t value, bool isSet) {
    const std::string key(name);
    auto it = symbols_.find(key);
    if (it == symbols_.end()) {
        symbols_[key] = {value, true, isSet, statement_};
        return;
    }
    Symbol& symbol = it->second;
    if (symbol.definedBy == statement_) {
        // The same definition seen again in pass 2.
        if (!isSet && symbol.hasValue && symbol.value != value) {
            Error(1, "phase error: '" + key + "' was " + std::to_string(symbol.value) +
                         " in pass 1, now " + std::to_string(value) + " (internal error)");
        }
        symbol.value = value;
        symbol.hasValue = true;
        return;
    }
    if (isSet && symbol.isSet) {
        symbol.value = value;
        symbol.hasValue = true;
        return;
    }
    Error(1, "duplicate label '" + key + "'");
}

void AsmEngine::Statement() {
    const AsmSourceLine& line = lines_[statement_];
    const AsmLineFields fields = SplitAsmLine(line.text);
    bytes_.clear();
    reserved_ = 0;
    statementPc_ = pc_;
    listedValue_.reset();
    statementErrors_ = 0;
    knownCursor_ = 0;
    if (pass_ == 1) pass1Known_[statement_].clear();

    std::string_view label = fields.label;
    if (!fields.error.empty()) {
        Error(1, fields.error);
        label = {};
    }
    const std::string name = ToUpper(fields.mnemonic);
    const bool labelTakesValue = name == "EQU" || name == "SET" || name == "ORG";
    if (!label.empty() && !labelTakesValue) DefineLabel(label, pc_, false);

    if (!fields.mnemonic.empty() && !Directive(name, fields)) {
        if (const AsmOpcode* op = FindAsmOpcode(name)) {
            Instruction(*op, fields);
        } else {
            Error(fields.mnemonicColumn, "unknown mnemonic '" + std::string(fields.mnemonic) + "'");
        }
    }
    if (name == "ORG" && !label.empty()) DefineLabel(label, pc_, false);

    if (pass_ == 1) {
        pass1Size_[statement_] = bytes_.size();
    } else if (bytes_.size() != pass1Size_[statement_] && statementErrors_ == 0) {
        Error(fields.mnemonicColumn,
              "phase error: statement took " + std::to_string(pass1Size_[statement_]) +
                  " bytes in pass 1, " + std::to_string(bytes_.size()) + " now (internal error)");
    }
    // After an error the statement keeps its pass-1 size so that the addresses behind it stay.
    const std::size_t size =
        pass_ == 2 && statementErrors_ != 0 ? pass1Size_[statement_] : bytes_.size();
    bytes_.resize(size, 0);
    if (pass_ == 2) {
        EmitBytesToImage();
        AddListingLine(fields);
    }
    pc_ += static_cast<std::int64_t>(bytes_.size()) + reserved_;
    if (pc_ > 0x10000) {
        Error(fields.mnemonicColumn, "location counter passes $FFFF");
        pc_ = 0x10000;
    }
}

void AsmEngine::EmitBytesToImage() {
    bool overlapReported = false;
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        const std::int64_t address = statementPc_ + static_cast<std::int64_t>(i);
        if (address > 0xFFFF) {
            Error(1, "code passes $FFFF");
            return;
        }
        const auto a = static_cast<std::size_t>(address);
        if (result_.image.used[a] && !overlapReported) {
            Error(1, "address $" + Hex4(static_cast<unsigned>(a)) + " already holds code or data");
            overlapReported = true;
        }
        result_.image.bytes[a] = bytes_[i];
        result_.image.used[a] = true;
    }
}

void AsmEngine::AddListingLine(const AsmLineFields& fields) {
    const AsmSourceLine& line = lines_[statement_];
    AsmListingLine entry;
    entry.file = files_[line.file];
    entry.line = line.line;
    entry.text = line.text;
    entry.bytes = bytes_;
    if (listedValue_) {
        entry.address = listedValue_;
        entry.isValue = true;
    } else if (!fields.label.empty() || !fields.mnemonic.empty()) {
        entry.address = statementPc_;
    }
    result_.listing.push_back(std::move(entry));
}

bool AsmEngine::Directive(const std::string& name, const AsmLineFields& fields) {
    const Field rest{fields.rest, fields.restColumn};
    const Field operand{OperandField(fields.rest), fields.restColumn};
    const auto needOperand = [&]() {
        if (!operand.text.empty()) return true;
        Error(fields.mnemonicColumn, name + " needs an operand");
        return false;
    };
    // Values that decide addresses must be known when pass 1 meets them.
    const auto evaluateNow = [&](Field field, AsmValue& value) {
        if (!Evaluate(field, value)) return false;
        if (!KnownInPass1(value.known)) {
            Error(field.column, name + " needs a value that is known at this point");
            return false;
        }
        return true;
    };
    AsmValue value;
    if (name == "ORG") {
        if (needOperand() && evaluateNow(operand, value)) {
            CheckRange(value, 0, 0xFFFF, operand.column, "an address");
            pc_ = value.value & 0xFFFF;
            statementPc_ = pc_;  // the listing shows the new location
        }
    } else if (name == "EQU" || name == "SET") {
        if (fields.label.empty()) {
            Error(fields.mnemonicColumn, name + " needs a label");
        } else if (needOperand() && Evaluate(operand, value)) {
            if (value.known) {
                DefineLabel(fields.label, value.value, name == "SET");
                listedValue_ = value.value;
            } else if (!symbols_.count(std::string(fields.label))) {
                // Known only later; the name is taken already so that duplicates show.
                symbols_[std::string(fields.label)] = {0, false, name == "SET", statement_};
                if (pass_ == 1 && name == "EQU") pendingEquates_.push_back({statement_, pc_});
            }
        }
    } else if (name == "FCB" || name == "FDB") {
        if (!needOperand()) return true;
        const bool word = name == "FDB";
        Field list = operand;
        while (true) {
            const std::size_t comma = TopLevelComma(list.text);
            const Field item = list.Sub(0, comma);
            if (!word && !item.text.empty() && item.text.front() == '"') {
                if (item.text.size() < 2 || item.text.back() != '"') {
                    Error(item.column, "missing closing '\"'");
                } else {
                    for (char c : item.text.substr(1, item.text.size() - 2))
                        Emit8(c);
                }
            } else {
                value = {};
                if (item.text.empty()) {
                    Error(item.column, "missing expression");
                } else if (Evaluate(item, value)) {
                    CheckRange(value, word ? -32768 : -128, word ? 0xFFFF : 0xFF, item.column,
                               word ? "16 bits" : "8 bits");
                }
                if (word) {
                    Emit16(value.value);
                } else {
                    Emit8(value.value);
                }
            }
            if (comma == std::string_view::npos) break;
            list = list.Sub(comma + 1);
        }
    } else if (name == "FCC") {
        if (rest.text.empty()) {
            Error(fields.mnemonicColumn, "FCC needs a delimited string");
            return true;
        }
        const char delimiter = rest.text[0];
        const std::size_t close = rest.text.find(delimiter, 1);
        if (close == std::string_view::npos) {
            Error(rest.column, std::string("missing closing '") + delimiter + "'");
            return true;
        }
        for (char c : rest.text.substr(1, close - 1))
            Emit8(c);
    } else if (name == "RMB") {
        if (needOperand() && evaluateNow(operand, value)) {
            CheckRange(value, 0, 0x10000, operand.column, "a byte count");
            if (value.value >= 0 && value.value <= 0x10000) reserved_ = value.value;
        }
    } else if (name == "FILL") {
        if (!needOperand()) return true;
        const std::size_t comma = TopLevelComma(operand.text);
        if (comma == std::string_view::npos) {
            Error(operand.column, "FILL needs 'value,count'");
            return true;
        }
        AsmValue count;
        if (Evaluate(operand.Sub(0, comma), value) && evaluateNow(operand.Sub(comma + 1), count)) {
            CheckRange(value, -128, 0xFF, operand.column, "8 bits");
            CheckRange(count, 0, 0x10000, operand.column + static_cast<int>(comma) + 1,
                       "a byte count");
            if (count.value >= 0 && count.value <= 0x10000) {
                bytes_.assign(static_cast<std::size_t>(count.value),
                              static_cast<Byte>(value.value & 0xFF));
            }
        }
    } else if (name == "SETDP") {
        if (needOperand() && evaluateNow(operand, value)) {
            CheckRange(value, 0, 0xFF, operand.column, "a direct page");
            dp_ = value.value & 0xFF;
        }
    } else if (name == "END") {
        if (!operand.text.empty() && Evaluate(operand, value)) {
            CheckRange(value, 0, 0xFFFF, operand.column, "an address");
            if (pass_ == 2 && value.known) result_.entryPoint = Address(value.value & 0xFFFF);
        }
        ended_ = true;
    } else if (name == "INCLUDE") {
        // The included lines were put in place before pass 1.
    } else {
        return false;
    }
    return true;
}

}  // namespace tarvok
