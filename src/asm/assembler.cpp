#include "asm/assembler.h"

#include <filesystem>

#include "asm/asm_engine.h"
#include "asm/asm_line.h"
#include "core/file_util.h"

namespace tarvok {

std::string AsmDiagnostic::ToString() const {
    return file + ":" + std::to_string(line) + ":" + std::to_string(column) + ": error: " + message;
}

namespace {

constexpr int kMaxIncludeDepth = 16;

// Puts the lines of INCLUDE files in place of the directive (which stays, for the listing).
class SourceCollector {
public:
    explicit SourceCollector(const AsmFileLoader& loader) : loader_(loader) {}

    void Collect(std::string_view text, const std::string& fileName, int depth) {
        const int file = static_cast<int>(files_.size());
        files_.push_back(fileName);
        int lineNumber = 0;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(start, end - start);
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            start = end + 1;
            ++lineNumber;
            lines_.push_back({file, lineNumber, std::string(line)});
            const AsmLineFields fields = SplitAsmLine(line);
            if (ToUpper(fields.mnemonic) == "INCLUDE") {
                Include(fields, fileName, file, lineNumber, depth);
            }
        }
    }

    std::vector<std::string> files_;
    std::vector<AsmSourceLine> lines_;
    std::vector<AsmDiagnostic> diagnostics_;

private:
    void Include(const AsmLineFields& fields, const std::string& fileName, int file, int lineNumber,
                 int depth) {
        const auto fail = [&](int column, std::string message) {
            diagnostics_.push_back({files_[file], lineNumber, column, std::move(message)});
        };
        std::string_view name = fields.rest;
        if (!name.empty() && (name.front() == '"' || name.front() == '\'')) {
            const std::size_t close = name.find(name.front(), 1);
            if (close == std::string_view::npos) {
                return fail(fields.restColumn, "missing closing quote in INCLUDE");
            }
            name = name.substr(1, close - 1);
        } else {
            name = OperandField(name);
        }
        if (name.empty()) return fail(fields.mnemonicColumn, "INCLUDE needs a file name");
        if (depth >= kMaxIncludeDepth) return fail(fields.restColumn, "INCLUDE nested too deeply");
        std::filesystem::path path(std::string{name});
        if (path.is_relative()) path = std::filesystem::path(fileName).parent_path() / path;
        std::string content;
        std::string error;
        if (!loader_ || !loader_(path.string(), content, error)) {
            return fail(fields.restColumn,
                        "cannot read include file '" + path.string() + "': " + error);
        }
        Collect(content, path.string(), depth + 1);
    }

    const AsmFileLoader& loader_;
};

}  // namespace

Assembler::Assembler()
    : loader_([](const std::string& path, std::string& content, std::string& error) {
          const Status status = ReadWholeFile(path, content);
          error = status.Reason();
          return status.Ok();
      }) {}

AsmResult Assembler::Assemble(std::string_view source, const std::string& fileName) const {
    SourceCollector collector(loader_);
    collector.Collect(source, fileName, 0);
    AsmEngine engine(std::move(collector.files_), std::move(collector.lines_), maxErrors_,
                     std::move(collector.diagnostics_));
    return engine.Run();
}

AsmResult AssembleSource(std::string_view source, const std::string& fileName) {
    return Assembler().Assemble(source, fileName);
}

}  // namespace tarvok
