#include "asm/asm_engine.h"

#include <algorithm>
#include <array>
#include <filesystem>

#include "core/file_util.h"
#include "core/hex_text.h"

namespace tarvok {

namespace {

constexpr std::size_t kMaxIncludeDepth = 16;
constexpr std::size_t kMaxSourceBytes = 64u << 20;

constexpr std::array<std::string_view, 22> kDirectiveNames = {
    "ORG", "EQU", "SET", "FCB",  "FDB", "FCC", "RMB",   "FILL",   "SETDP", "END",   "INCLUDE",
    "NAM", "TTL", "OPT", "PAGE", "SPC", "IF",  "IFDEF", "IFNDEF", "ELSE",  "ENDIF", "ENDC"};

bool IsDirectiveName(std::string_view upper) {
    return std::find(kDirectiveNames.begin(), kDirectiveNames.end(), upper) !=
           kDirectiveNames.end();
}

bool IsConditionalName(std::string_view upper) {
    return upper == "IF" || upper == "IFDEF" || upper == "IFNDEF" || upper == "ELSE" ||
           upper == "ENDIF" || upper == "ENDC";
}

// Listing directives of other Motorola assemblers; they do not change the program.
bool IsListingDirective(std::string_view upper) {
    return upper == "NAM" || upper == "TTL" || upper == "OPT" || upper == "PAGE" || upper == "SPC";
}

// What a directive with a missing operand is shown as an example.
std::string OperandExample(const std::string& directive) {
    if (directive == "ORG") return "$0400";
    if (directive == "FCB") return "1,2,'A'";
    if (directive == "FDB") return "$1234,START";
    if (directive == "FILL") return "$FF,16";
    if (directive == "SETDP") return "$20";
    return "10";  // EQU, SET, RMB
}

bool IsLocalName(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

}  // namespace

AsmEngine::AsmEngine(std::string_view source, const std::string& fileName,
                     const AsmFileLoader& loader, const AsmFileIdentity& identity, Limits limits)
    : loader_(loader), identity_(identity), limits_(limits) {
    files_.push_back({fileName, identity_ ? identity_(fileName) : fileName});
    const std::string reason = OpenSource(source, 0);
    if (!reason.empty()) AddDiagnostic({fileName, 1, 1, reason});
}

AsmResult AsmEngine::Run() {
    RunPass(1);
    ResolveForwardEquates();
    RunPass(2);
    for (const auto& [name, symbol] : symbols_) {
        if (symbol.hasValue) result_.symbols.push_back({name, symbol.value, symbol.isLocation});
    }
    std::set<std::string> seen;
    for (const SourceFile& file : files_) {
        if (seen.insert(file.identity).second) result_.inputFiles.push_back(file.name);
    }
    result_.ok = result_.ErrorCount() == 0;
    return std::move(result_);
}

void AsmEngine::RunPass(int pass) {
    pass_ = pass;
    pc_ = 0;
    dp_ = 0;
    ended_ = false;
    scope_.clear();
    conditions_.clear();
    if (pass == 1) {
        while (!ended_ && NextPass1Line())
            Statement();
    } else {
        for (statement_ = 0; statement_ < lines_.size() && !ended_ && !tooManyDiagnostics_;
             ++statement_) {
            Statement();
        }
    }
    CloseOpenConditions();
}

// Takes the next line of the innermost open file into the program.
bool AsmEngine::NextPass1Line() {
    while (!openFiles_.empty()) {
        OpenFile& top = openFiles_.back();
        if (top.next < top.lines.size()) {
            lines_.push_back({top.file, static_cast<int>(top.next) + 1, top.lines[top.next]});
            ++top.next;
            pass1_.emplace_back();
            statement_ = lines_.size() - 1;
            return true;
        }
        openFiles_.pop_back();
    }
    return false;
}

// Puts a file on the INCLUDE stack; returns why not when it would pass the limits.
std::string AsmEngine::OpenSource(std::string_view text, int file) {
    bytesRead_ += text.size();
    if (bytesRead_ > kMaxSourceBytes) {
        return "source too large: more than " + std::to_string(kMaxSourceBytes >> 20) +
               " MiB read in all";
    }
    std::vector<std::string_view> lines = SplitTextLines(text);
    linesRead_ += lines.size();
    if (linesRead_ > static_cast<std::size_t>(limits_.maxSourceLines)) {
        return "source too large: more than " + std::to_string(limits_.maxSourceLines) +
               " lines read in all (does INCLUDE read the same files again and again?)";
    }
    openFiles_.push_back({file, std::move(lines)});
    return {};
}

// Pass 1 reads the file and opens it; the reason for a refusal waits for pass 2.
void AsmEngine::Include(const AsmLineFields& fields) {
    const auto fail = [&](int column, std::string message) {
        pass1_[statement_].includeErrorColumn = column;
        pass1_[statement_].includeError = std::move(message);
    };
    std::string_view name = fields.rest;
    if (!name.empty() && (name.front() == '"' || name.front() == '\'')) {
        const std::size_t close = name.find(name.front(), 1);
        if (close == std::string_view::npos) {
            return fail(fields.restColumn, std::string("missing closing ") + name.front() +
                                               " after the INCLUDE file name");
        }
        name = name.substr(1, close - 1);
    } else {
        name = OperandField(name);
    }
    if (name.empty()) {
        return fail(fields.mnemonicColumn, "INCLUDE needs a file name, as in INCLUDE \"defs.asm\"");
    }
    if (openFiles_.size() > kMaxIncludeDepth) {
        return fail(fields.restColumn, "INCLUDE nested too deeply (at most " +
                                           std::to_string(kMaxIncludeDepth) + " levels)");
    }
    std::filesystem::path resolved(std::string{name});
    if (resolved.is_relative()) {
        resolved =
            std::filesystem::path(files_[lines_[statement_].file].name).parent_path() / resolved;
    }
    const std::string path = resolved.string();
    const std::string identity = identity_ ? identity_(path) : path;
    for (std::size_t i = 0; i < openFiles_.size(); ++i) {
        if (files_[openFiles_[i].file].identity != identity) continue;
        std::string cycle;
        for (std::size_t j = i; j < openFiles_.size(); ++j)
            cycle += "'" + files_[openFiles_[j].file].name + "' -> ";
        cycle += "'" + path + "'";
        // Every further INCLUDE that closes the same cycle would only repeat the message.
        if (!reportedCycles_.insert(cycle).second) return;
        return fail(fields.restColumn, "INCLUDE cycle " + cycle + ": a file cannot include itself");
    }
    if (sourceLimitReached_) return;  // reported at the INCLUDE that reached it
    // A file included again is read once.
    auto [loaded, isNew] = texts_.try_emplace(identity);
    if (isNew) {
        const Status read =
            loader_ ? loader_(path, loaded->second) : Status::Failure("no file loader is set");
        if (!read) {
            texts_.erase(loaded);
            return fail(fields.restColumn,
                        "cannot read include file '" + path + "': " + read.Reason());
        }
    }
    files_.push_back({path, identity});
    const std::string reason = OpenSource(loaded->second, static_cast<int>(files_.size()) - 1);
    if (!reason.empty()) {
        sourceLimitReached_ = true;
        fail(fields.restColumn, reason);
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
            scope_ = it->scope;
            const AsmLineFields fields = SplitAsmLine(lines_[statement_].text);
            AsmValue value;
            if (Evaluate({OperandField(fields.rest), fields.restColumn}, value) && value.known) {
                Symbol& symbol = symbols_[SymbolKey(fields.label)];
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

void AsmEngine::Report(AsmSeverity severity, int column, std::string message) {
    if (severity == AsmSeverity::Error) ++statementErrors_;
    if (pass_ != 2) return;
    const AsmSourceLine& line = lines_[statement_];
    AddDiagnostic({files_[line.file].name, line.line, column, std::move(message), severity});
}

// The cap covers every diagnostic; the one that passes it is replaced by a note that stops
// the assembly. A file included twice would repeat its diagnostics: they count once.
void AsmEngine::AddDiagnostic(AsmDiagnostic diagnostic) {
    if (tooManyDiagnostics_ || !reported_.insert(diagnostic.ToString()).second) return;
    if (result_.diagnostics.size() >= static_cast<std::size_t>(limits_.maxDiagnostics)) {
        diagnostic.message = "too many errors and warnings, assembly stopped";
        diagnostic.severity = AsmSeverity::Error;
        tooManyDiagnostics_ = true;
    }
    result_.diagnostics.push_back(std::move(diagnostic));
}

bool AsmEngine::KnownInPass1(bool knownNow) {
    std::vector<bool>& record = pass1_[statement_].known;
    if (pass_ == 1) {
        record.push_back(knownNow);
        return knownNow;
    }
    return knownCursor_ < record.size() ? record[knownCursor_++] : false;
}

std::string AsmEngine::SymbolKey(std::string_view name) const {
    return IsLocalName(name) ? scope_ + std::string(name) : std::string(name);
}

// "line 12", or "line 12 of 'defs.inc'" when that is another file than the current line's.
std::string AsmEngine::Where(std::size_t statement) const {
    const AsmSourceLine& at = lines_[statement];
    std::string where = "line " + std::to_string(at.line);
    if (at.file != lines_[statement_].file) where += " of '" + files_[at.file].name + "'";
    return where;
}

bool AsmEngine::LookUpSymbol(std::string_view name, int column, std::int64_t& value) {
    const std::string key = SymbolKey(name);
    const auto it = symbols_.find(key);
    if (it != symbols_.end() && it->second.hasValue) {
        value = it->second.value;
        return true;
    }
    if (it != symbols_.end()) {
        Error(column,
              "symbol '" + key + "' has no value yet (its definition depends on a later symbol)");
    } else if (IsLocalName(name)) {
        Error(column, "undefined local label '" + std::string(name) + "' " +
                          (scope_.empty() ? std::string("(no label above it to belong to)")
                                          : "after '" + scope_ +
                                                "' (a local label belongs to the label above it)"));
    } else {
        Error(column, "undefined symbol '" + key + "'");
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

// Values that decide addresses or what is assembled must be known when pass 1 meets them.
bool AsmEngine::EvaluateNow(Field field, AsmValue& value, const std::string& what) {
    if (!Evaluate(field, value)) return false;
    if (!KnownInPass1(value.known)) {
        Error(field.column, what +
                                " needs a value that is known at this point (define the symbols "
                                "it uses above this line)");
        return false;
    }
    return true;
}

void AsmEngine::CheckRange(const AsmValue& value, std::int64_t low, std::int64_t high, int column,
                           const char* what) {
    if (value.known && (value.value < low || value.value > high)) {
        Error(column, "value " + std::to_string(value.value) + " out of range for " + what + " (" +
                          std::to_string(low) + " to " + std::to_string(high) + ")");
    }
}

void AsmEngine::EmitOpcode(int opcode) {
    if (opcode > 0xFF) Emit8(opcode >> 8);
    Emit8(opcode);
}

void AsmEngine::DefineLabel(std::string_view name, std::int64_t value, bool isSet,
                            bool isLocation) {
    const std::string key = SymbolKey(name);
    auto it = symbols_.find(key);
    if (it == symbols_.end()) {
        symbols_[key] = {value, true, isSet, statement_, isLocation};
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
    Error(1, "duplicate label '" + key + "' (first defined in " + Where(symbol.definedBy) + ")");
}

void AsmEngine::Statement() {
    const AsmSourceLine line = lines_[statement_];
    const AsmLineFields fields = SplitAsmLine(line.text);
    bytes_.clear();
    reserved_ = 0;
    statementPc_ = pc_;
    listedValue_.reset();
    note_.clear();
    statementErrors_ = 0;
    knownCursor_ = 0;

    const std::string name = ToUpper(fields.mnemonic);
    const std::string labelName = ToUpper(fields.label);
    const bool labelIsOperation = FindAsmOpcode(labelName) != nullptr || IsDirectiveName(labelName);
    const bool nameIsOperation = FindAsmOpcode(name) != nullptr || IsDirectiveName(name);
    if (labelIsOperation && !nameIsOperation) {
        Warning(1, "'" + std::string(fields.label) +
                       "' in column 1 is taken as a label; indent it to make it " +
                       (FindAsmOpcode(labelName) ? "an instruction" : "a directive"));
    }

    bool assembled = false;
    if (IsConditionalName(name)) {
        Conditional(name, fields);
    } else if (Assembling()) {
        LabelAndOperation(name, fields);
        assembled = true;
    }

    if (pass_ == 1) {
        pass1_[statement_].size = bytes_.size();
    } else if (bytes_.size() != pass1_[statement_].size && statementErrors_ == 0) {
        Error(fields.mnemonicColumn,
              "phase error: statement took " + std::to_string(pass1_[statement_].size) +
                  " bytes in pass 1, " + std::to_string(bytes_.size()) + " now (internal error)");
    }
    // After an error the statement keeps its pass-1 size so that the addresses behind it stay.
    const std::size_t size =
        pass_ == 2 && statementErrors_ != 0 ? pass1_[statement_].size : bytes_.size();
    bytes_.resize(size, 0);
    if (pass_ == 2) {
        EmitBytesToImage();
        AddListingLine(fields, assembled);
    }
    pc_ += static_cast<std::int64_t>(bytes_.size()) + reserved_;
    if (pc_ > 0x10000) {
        Error(fields.mnemonicColumn, "location counter passes $FFFF");
        pc_ = 0x10000;
    }
}

void AsmEngine::LabelAndOperation(const std::string& name, const AsmLineFields& fields) {
    std::string_view label = fields.label;
    if (!fields.error.empty()) {
        Error(1, fields.error);
        label = {};
    }
    const bool labelTakesValue = name == "EQU" || name == "SET" || name == "ORG";
    if (!label.empty() && !labelTakesValue) DefineLabel(label, pc_, false, true);
    // A label of a location opens the scope of the local labels behind it.
    if (!label.empty() && !IsLocalName(label) && name != "EQU" && name != "SET") {
        scope_ = std::string(label);
    }

    if (!fields.mnemonic.empty() && !Directive(name, fields)) {
        if (const AsmOpcode* op = FindAsmOpcode(name)) {
            Instruction(*op, fields);
        } else {
            Error(fields.mnemonicColumn, "unknown mnemonic '" + std::string(fields.mnemonic) + "'");
        }
    }
    if (name == "ORG" && !label.empty()) DefineLabel(label, pc_, false, true);
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

void AsmEngine::AddListingLine(const AsmLineFields& fields, bool assembled) {
    const AsmSourceLine& line = lines_[statement_];
    AsmListingLine entry;
    entry.file = files_[line.file].name;
    entry.line = line.line;
    entry.text = line.text;
    entry.bytes = bytes_;
    entry.note = note_;
    if (listedValue_) {
        entry.address = listedValue_;
        entry.isValue = true;
    } else if (assembled && (!fields.label.empty() || !fields.mnemonic.empty())) {
        entry.address = statementPc_;
    }
    result_.listing.push_back(std::move(entry));
}

void AsmEngine::Conditional(const std::string& name, const AsmLineFields& fields) {
    if (!fields.label.empty()) {
        Error(1, name + " takes no label; put '" + std::string(fields.label) +
                     "' on a line of its own");
    }
    if (name == "IF" || name == "IFDEF" || name == "IFNDEF") {
        const bool enclosingActive = Assembling();
        bool holds = enclosingActive && ConditionHolds(name, fields);
        if (pass_ == 1) {
            pass1_[statement_].condition = holds;
        } else {
            holds = pass1_[statement_].condition;
        }
        conditions_.push_back({enclosingActive, holds, false, statement_});
        return;
    }
    if (conditions_.empty()) {
        Error(fields.mnemonicColumn, name + " without IF (IF, IFDEF or IFNDEF opens a block)");
        return;
    }
    Condition& condition = conditions_.back();
    if (name != "ELSE") {
        conditions_.pop_back();
    } else if (condition.elseSeen) {
        Error(fields.mnemonicColumn, "second ELSE for the IF in " + Where(condition.statement) +
                                         "; a block has one ELSE at most");
    } else {
        condition.elseSeen = true;
        condition.active = condition.enclosingActive && !condition.active;
    }
}

// IF expr: assembled when not 0. IFDEF / IFNDEF name: whether a line above defines the name.
bool AsmEngine::ConditionHolds(const std::string& name, const AsmLineFields& fields) {
    const Field operand{OperandField(fields.rest), fields.restColumn};
    if (name == "IF") {
        if (operand.text.empty()) {
            Error(fields.mnemonicColumn,
                  "IF needs an expression; the block is assembled when "
                  "its value is not 0");
            return false;
        }
        AsmValue value;
        return EvaluateNow(operand, value, name) && value.value != 0;
    }
    if (!IsSymbolName(operand.text)) {
        Error(operand.text.empty() ? fields.mnemonicColumn : operand.column,
              name + " needs a symbol name, as in " + name + " DEBUG");
        return false;
    }
    const auto it = symbols_.find(SymbolKey(operand.text));
    const bool defined = it != symbols_.end() && it->second.definedBy < statement_;
    return defined == (name == "IFDEF");
}

void AsmEngine::CloseOpenConditions() {
    for (const Condition& condition : conditions_) {
        statement_ = condition.statement;
        const AsmLineFields fields = SplitAsmLine(lines_[statement_].text);
        Error(fields.mnemonicColumn,
              ToUpper(fields.mnemonic) + " without ENDIF: its block runs to the end of the source");
    }
    conditions_.clear();
}

void AsmEngine::DataList(bool word, Field list) {
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
            AsmValue value;
            if (item.text.empty()) {
                Error(item.column, std::string("missing expression in the ") +
                                       (word ? "FDB" : "FCB") +
                                       " list (values separated by commas)");
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
        list = list.AfterComma(comma);
    }
}

bool AsmEngine::Directive(const std::string& name, const AsmLineFields& fields) {
    const Field rest{fields.rest, fields.restColumn};
    const Field operand{OperandField(fields.rest), fields.restColumn};
    const auto needOperand = [&]() {
        if (!operand.text.empty()) return true;
        Error(fields.mnemonicColumn,
              name + " needs an operand, as in " + name + " " + OperandExample(name));
        return false;
    };
    AsmValue value;
    if (name == "ORG") {
        if (needOperand() && EvaluateNow(operand, value, name)) {
            CheckRange(value, 0, 0xFFFF, operand.column, "an address");
            pc_ = value.value & 0xFFFF;
            statementPc_ = pc_;  // the listing shows the new location
        }
    } else if (name == "EQU" || name == "SET") {
        if (fields.label.empty()) {
            Error(fields.mnemonicColumn,
                  name + " needs a label in column 1, as in TEN " + name + " 10");
        } else if (needOperand() && Evaluate(operand, value)) {
            const std::string key = SymbolKey(fields.label);
            if (value.known) {
                DefineLabel(fields.label, value.value, name == "SET", false);
                listedValue_ = value.value;
            } else if (!symbols_.count(key)) {
                // Known only later; the name is taken already so that duplicates show.
                symbols_[key] = {0, false, name == "SET", statement_};
                if (pass_ == 1 && name == "EQU")
                    pendingEquates_.push_back({statement_, pc_, scope_});
            }
        }
    } else if (name == "FCB" || name == "FDB") {
        if (needOperand()) DataList(name == "FDB", operand);
    } else if (name == "FCC") {
        if (rest.text.empty()) {
            Error(fields.mnemonicColumn,
                  "FCC needs a string between two equal delimiters, as in FCC /text/");
            return true;
        }
        const char delimiter = rest.text[0];
        const std::size_t close = rest.text.find(delimiter, 1);
        if (close == std::string_view::npos) {
            Error(rest.column, std::string("missing closing '") + delimiter +
                                   "' (FCC ends its string with the character that starts it)");
            return true;
        }
        for (char c : rest.text.substr(1, close - 1))
            Emit8(c);
    } else if (name == "RMB") {
        if (needOperand() && EvaluateNow(operand, value, name)) {
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
        const Field countField = operand.AfterComma(comma);
        AsmValue count;
        if (Evaluate(operand.Sub(0, comma), value) && EvaluateNow(countField, count, name)) {
            CheckRange(value, -128, 0xFF, operand.column, "8 bits");
            CheckRange(count, 0, 0x10000, countField.column, "a byte count");
            if (count.value >= 0 && count.value <= 0x10000) {
                bytes_.assign(static_cast<std::size_t>(count.value),
                              static_cast<Byte>(value.value & 0xFF));
            }
        }
    } else if (name == "SETDP") {
        if (needOperand() && EvaluateNow(operand, value, name)) {
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
        if (pass_ == 1) {
            Include(fields);
        } else if (!pass1_[statement_].includeError.empty()) {
            Error(pass1_[statement_].includeErrorColumn, pass1_[statement_].includeError);
        }
    } else if (IsListingDirective(name)) {
        note_ = name + " ignored: tarvok-asm has no listing options";
    } else {
        return false;
    }
    return true;
}

}  // namespace tarvok
