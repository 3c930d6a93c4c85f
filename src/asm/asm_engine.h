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
struct AsmSourceLine {
    int file = 0;  // index into the file names
    int line = 0;  // 1-based within that file
    std::string text;
};

// One run of both passes over a program. Both passes run the same code for every statement;
// what pass 1 knew about each size-deciding expression is recorded and replayed in pass 2, so
// that every instruction keeps the size it had in pass 1.
class AsmEngine : public AsmSymbolSource {
public:
    AsmEngine(std::vector<std::string> files, std::vector<AsmSourceLine> lines, int maxErrors,
              std::vector<AsmDiagnostic> earlierDiagnostics);

    AsmResult Run();

    bool LookUpSymbol(std::string_view name, int column, std::int64_t& value) override;
    std::int64_t LocationCounter() const override { return pc_; }

private:
    struct Symbol {
        std::int64_t value = 0;
        bool hasValue = false;
        bool isSet = false;
        std::size_t definedBy = 0;  // statement index of the first definition
    };

    // Operand text with the column of its first character.
    struct Field {
        std::string_view text;
        int column = 0;
        Field Sub(std::size_t from, std::size_t count = std::string_view::npos) const {
            return {text.substr(from, count), column + static_cast<int>(from)};
        }
    };

    // asm_engine.cpp: passes, labels, directives
    void RunPass(int pass);
    void ResolveForwardEquates();
    void Statement();
    void DefineLabel(std::string_view name, std::int64_t value, bool isSet);
    bool Directive(const std::string& name, const AsmLineFields& fields);
    void AddListingLine(const AsmLineFields& fields);
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
    void Error(int column, std::string message);
    bool Evaluate(Field field, AsmValue& value);
    bool KnownInPass1(bool knownNow);
    void CheckRange(const AsmValue& value, std::int64_t low, std::int64_t high, int column,
                    const char* what);
    void EmitOpcode(int opcode);
    void Emit8(std::int64_t value) { bytes_.push_back(static_cast<Byte>(value & 0xFF)); }
    void Emit16(std::int64_t value) {
        Emit8(value >> 8);
        Emit8(value);
    }
    static std::size_t TopLevelComma(std::string_view text);

    std::vector<std::string> files_;
    std::vector<AsmSourceLine> lines_;
    int maxErrors_;
    AsmResult result_;
    std::map<std::string, Symbol> symbols_;

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

    struct PendingEquate {
        std::size_t statement;
        std::int64_t pc;
    };
    std::vector<PendingEquate> pendingEquates_;
};

}  // namespace tarvok
