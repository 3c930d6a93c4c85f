#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/asm_expression.h"
#include "asm/asm_line.h"
#include "asm/asm_opcodes.h"
#include "asm/assembler.h"

namespace tarvok {

// A line of the program after INCLUDE files have been put in place.
struct TAsmSourceLine {
    int file = 0;  // index into the file names
    int line = 0;  // 1-based within that file
    std::string text;
};

// One run of both passes over a program. Both passes run the same code for every statement;
// what pass 1 knew about each size-deciding expression is recorded and replayed in pass 2, so
// that every instruction keeps the size it had in pass 1.
class TAsmEngine : public TAsmSymbolSource {
public:
    TAsmEngine(std::vector<std::string> files, std::vector<TAsmSourceLine> lines, int maxErrors,
               std::vector<TAsmDiagnostic> earlierDiagnostics);

    TAsmResult Run();

    bool LookUpSymbol(std::string_view name, int column, std::int64_t& value) override;
    std::int64_t LocationCounter() const override { return pc_; }

private:
    struct TSymbol {
        std::int64_t value = 0;
        bool hasValue = false;
        bool isSet = false;
        std::size_t definedBy = 0;  // statement index of the first definition
    };

    // Operand text with the column of its first character.
    struct TField {
        std::string_view text;
        int column = 0;
        TField Sub(std::size_t from, std::size_t count = std::string_view::npos) const {
            return {text.substr(from, count), column + static_cast<int>(from)};
        }
    };

    // asm_engine.cpp: passes, labels, directives
    void RunPass(int pass);
    void ResolveForwardEquates();
    void Statement();
    void DefineLabel(std::string_view name, std::int64_t value, bool isSet);
    bool Directive(const std::string& name, const TAsmLineFields& fields);
    void AddListingLine(const TAsmLineFields& fields);
    void EmitBytesToImage();

    // asm_instructions.cpp: operands of the machine instructions
    void Instruction(const TAsmOpcode& op, const TAsmLineFields& fields);
    void MemoryOperand(const TAsmOpcode& op, TField operand);
    void ImmediateOperand(const TAsmOpcode& op, TField operand);
    void IndexedOperand(int opcode, TField operand, bool indirect);
    void BranchOperand(const TAsmOpcode& op, TField operand);
    void RegisterPairOperand(const TAsmOpcode& op, TField operand);
    void RegisterListOperand(const TAsmOpcode& op, TField operand);

    // helpers shared by both
    void Error(int column, std::string message);
    bool Evaluate(TField field, TAsmValue& value);
    bool KnownInPass1(bool knownNow);
    void CheckRange(const TAsmValue& value, std::int64_t low, std::int64_t high, int column,
                    const char* what);
    void EmitOpcode(int opcode);
    void Emit8(std::int64_t value) { bytes_.push_back(static_cast<Byte>(value & 0xFF)); }
    void Emit16(std::int64_t value) {
        Emit8(value >> 8);
        Emit8(value);
    }
    static std::size_t TopLevelComma(std::string_view text);

    std::vector<std::string> files_;
    std::vector<TAsmSourceLine> lines_;
    int maxErrors_;
    TAsmResult result_;
    std::map<std::string, TSymbol> symbols_;

    int pass_ = 1;
    std::size_t statement_ = 0;
    std::int64_t pc_ = 0;
    std::int64_t dp_ = 0;
    bool ended_ = false;
    bool tooManyErrors_ = false;

    // The statement being assembled.
    std::vector<Byte> bytes_;
    std::int64_t reserved_ = 0;  // RMB: space skipped without output
    std::int64_t statementPc_ = 0;
    std::optional<std::int64_t> listedValue_;  // EQU/SET value for the listing
    int statementErrors_ = 0;

    // Recorded in pass 1 per statement.
    std::vector<std::vector<bool>> pass1Known_;
    std::vector<std::size_t> pass1Size_;
    std::size_t knownCursor_ = 0;

    struct TPendingEquate {
        std::size_t statement;
        std::int64_t pc;
    };
    std::vector<TPendingEquate> pendingEquates_;
};

}  // namespace tarvok
