#include "asm/assembler.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "asm/asm_engine.h"
#include "core/file_util.h"

namespace tarvok {

std::string AsmDiagnostic::ToString() const {
    return file + ":" + std::to_string(line) + ":" + std::to_string(column) +
           (severity == AsmSeverity::Error ? ": error: " : ": warning: ") + message;
}

std::size_t AsmResult::ErrorCount() const {
    return static_cast<std::size_t>(
        std::count_if(diagnostics.begin(), diagnostics.end(),
                      [](const AsmDiagnostic& d) { return d.severity == AsmSeverity::Error; }));
}

std::string AsmDiskFileIdentity(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0) {
        return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
    }
    std::error_code ignored;
    return std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), ignored)
        .string();
}

Assembler::Assembler()
    : loader_([](const std::string& path, std::string& content) {
          return ReadWholeFile(path, content);
      }),
      identity_(AsmDiskFileIdentity) {}

AsmResult Assembler::Assemble(std::string_view source, const std::string& fileName) const {
    AsmEngine engine(source, fileName, loader_, identity_, {maxErrors_, maxSourceLines_});
    return engine.Run();
}

AsmResult AssembleSource(std::string_view source, const std::string& fileName) {
    return Assembler().Assemble(source, fileName);
}

}  // namespace tarvok
