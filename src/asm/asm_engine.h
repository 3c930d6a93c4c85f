#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "asm/asm_expression.h"
#include "asm/asm_line.h"
#include "asm/asm_opcodes.h"
#include "asm/assembler.h"

namespace tarvok {

// A line of the program in the order pass 1 met it, INCLUDE files in place.
struct AsmSourceLine {
    int file = 0;  // index into the files
    int line = 0;  // 1-based within that file
    std::string_view text;
};

// One run of both passes over a program. Both passes run the same code for every statement;
// what pass 1 knew about each size-deciding expression is recorded and replayed in pass 2, so
// that every instruction keeps the size it had in pass 1. Pass 1 reads the INCLUDE files and
// lays out the lines; pass 2 runs over the same lines.
class AsmEngine : public AsmSymbolSource {
public:
    struct Limits {
        int maxDiagnostics;
        int maxSourceLines;
    };

    AsmEngine(std::string_view source, const std::string& fileName, const AsmFileLoader& loader,
              const AsmFileIdentity& identity, Limits limits);

    AsmResult Run();

    bool LookUpSymbol(std::string_view name, int column, std::int64_t& value) override;
    std::int64_t LocationCounter() const override { return pc_; }

private:
    struct Symbol {
        std::int64_t value = 0;
        bool hasValue = false;
        bool isSet = false;
        std::size_t definedBy = 0;  // statement index of the first definition
        bool isLocation = false;    // a label of a location, not an EQU or SET value
    };

    // Operand text with the column of its first character.
    struct Field {
        std::string_view text;
        int column = 0;
        Field Sub(std::size_t from, std::size_t count = std::string_view::npos) const {
            return {text.substr(from, count), column + static_cast<int>(from)};
        }
        // What follows the comma at `comma`, without the blanks behind it.
        Field AfterComma(std::size_t comma) const {
            std::size_t from = comma + 1;
            while (from < text.size() && IsBlank(text[from]))
                ++from;
            return Sub(from);
        }
    };

    struct SourceFile {
        std::string name;
        std::string identity;
    };
    // A file that pass 1 is reading; the open files form the INCLUDE stack.
    struct OpenFile {
        int file;
        std::vector<std::string_view> lines;
        std::size_t next = 0;
    };

    // What pass 1 decided for a statement; pass 2 replays it.
    struct Pass1Record {
        std::vector<bool> known;  // per size-deciding expression
        std::size_t size = 0;
        bool condition = false;  // IF, IFDEF, IFNDEF
        std::string includeError;
        int includeErrorColumn = 0;
    };

    // IF ... ELSE ... ENDIF
    struct Condition {
        bool enclosingActive;
        bool active;
        bool elseSeen;
        std::size_t statement;
    };

    struct PendingEquate {
        std::size_t statement;
        std::int64_t pc;
        std::string scope;
    };

    // asm_engine.cpp: passes, labels, directives
    void RunPass(int pass);
    bool NextPass1Line();
    std::string OpenSource(std::string_view text, int file);
    void Include(const AsmLineFields& fields);
    void ResolveForwardEquates();
    void Statement();
    void LabelAndOperation(const std::string& name, const AsmLineFields& fields);
    void DefineLabel(std::string_view name, std::int64_t value, bool isSet, bool isLocation);
    std::string SymbolKey(std::string_view name) const;
    std::string Where(std::size_t statement) const;
    bool Directive(const std::string& name, const AsmLineFields& fields);
    void DataList(bool word, Field list);
    void Conditional(const std::string& name, const AsmLineFields& fields);
    bool ConditionHolds(const std::string& name, const AsmLineFields& fields);
    void CloseOpenConditions();
    bool Assembling() const { return conditions_.empty() || conditions_.back().active; }
    void AddListingLine(const AsmLineFields& fields, bool assembled);
    void EmitBytesToImage();

    // asm_instructions.cpp: operands of the machine instructions
    void Instruction(const AsmOpcode& op, const AsmLineFields& fields);
    void MemoryOperand(const AsmOpcode& op, Field operand);
    void ImmediateOperand(const AsmOpcode& op, Field operand);
    void IndexedOperand(int opcode, Field operand, bool indirect);
    void BranchOperand(const AsmOpcode& op, Field operand);
    void RegisterPairOperand(const AsmOpcode& op, Field operand);
    void RegisterListOperand(const AsmOpcode& op, Field operand);

    // helpers shared by both
    void Error(int column, std::string message) {
        Report(AsmSeverity::Error, column, std::move(message));
    }
    void Warning(int column, std::string message) {
        Report(AsmSeverity::Warning, column, std::move(message));
    }
    void Report(AsmSeverity severity, int column, std::string message);
    void AddDiagnostic(AsmDiagnostic diagnostic);
    bool Evaluate(Field field, AsmValue& value);
    bool EvaluateNow(Field field, AsmValue& value, const std::string& what);
    bool KnownInPass1(bool knownNow);
    void CheckRange(const AsmValue& value, std::int64_t low, std::int64_t high, int column,
                    const char* what);
    void EmitOpcode(int opcode);
    void Emit8(std::int64_t value) { bytes_.push_back(static_cast<Byte>(value & 0xFF)); }
    void Emit16(std::int64_t value) {
        Emit8(value >> 8);
        Emit8(value);
    }

    const AsmFileLoader& loader_;
    const AsmFileIdentity& identity_;
    const Limits limits_;

    std::vector<SourceFile> files_;
    std::map<std::string, std::string> texts_;  // included files by identity; lines view them
    std::vector<OpenFile> openFiles_;
    std::vector<AsmSourceLine> lines_;
    std::size_t linesRead_ = 0;
    std::size_t bytesRead_ = 0;
    bool sourceLimitReached_ = false;
    std::set<std::string> reportedCycles_;

    AsmResult result_;
    std::set<std::string> reported_;
    bool tooManyDiagnostics_ = false;
    std::map<std::string, Symbol> symbols_;
    std::string scope_;  // the label that local labels (".name") belong to

    int pass_ = 1;
    std::size_t statement_ = 0;
    std::int64_t pc_ = 0;
    std::int64_t dp_ = 0;
    bool ended_ = false;
    std::vector<Condition> conditions_;

    // The statement being assembled.
    std::vector<Byte> bytes_;
    std::int64_t reserved_ = 0;  // RMB: space skipped without output
    std::int64_t statementPc_ = 0;
    std::optional<std::int64_t> listedValue_;  // EQU/SET value for the listing
    std::string note_;                         // for the listing
    int statementErrors_ = 0;

    std::vector<Pass1Record> pass1_;
    std::size_t knownCursor_ = 0;
    std::vector<PendingEquate> pendingEquates_;
};

}  // namespace tarvok
