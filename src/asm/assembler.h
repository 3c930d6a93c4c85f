#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/types.h"

namespace tarvok {

struct AsmDiagnostic {
    std::string file;
    int line = 0;    // 1-based
    int column = 0;  // 1-based
    std::string message;

    // "file.asm:12:5: error: message"
    std::string ToString() const;
};

// The assembled 64K address space; `used` marks the bytes that the program produced.
struct AsmImage {
    std::vector<Byte> bytes = std::vector<Byte>(0x10000, 0);
    std::vector<bool> used = std::vector<bool>(0x10000, false);
};

struct AsmSymbol {
    std::string name;
    std::int64_t value = 0;
};

struct AsmListingLine {
    std::string file;
    int line = 0;
    std::optional<std::int64_t> address;  // location, or the value of EQU/SET
    bool isValue = false;                 // `address` holds an EQU/SET value
    std::vector<Byte> bytes;
    std::string text;
};

struct AsmResult {
    bool ok = false;  // no diagnostics
    AsmImage image;
    std::vector<AsmSymbol> symbols;  // sorted by name
    std::vector<AsmListingLine> listing;
    std::vector<AsmDiagnostic> diagnostics;
    std::optional<Address> entryPoint;  // the operand of END, if any
};

// Reads an included file; `path` is already resolved against the including file's folder.
using AsmFileLoader =
    std::function<bool(const std::string& path, std::string& content, std::string& error)>;

// A two-pass MC6809 assembler in Motorola syntax.
class Assembler {
public:
    static constexpr int kDefaultMaxErrors = 100;

    Assembler();

    // INCLUDE reads files through this loader; by default from disk.
    void SetFileLoader(AsmFileLoader loader) { loader_ = std::move(loader); }
    void SetMaxErrors(int maxErrors) { maxErrors_ = maxErrors < 1 ? 1 : maxErrors; }

    AsmResult Assemble(std::string_view source, const std::string& fileName) const;

private:
    AsmFileLoader loader_;
    int maxErrors_ = kDefaultMaxErrors;
};

AsmResult AssembleSource(std::string_view source, const std::string& fileName);

}  // namespace tarvok
