#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/types.h"

namespace tarvok {

struct TAsmDiagnostic {
    std::string file;
    int line = 0;    // 1-based
    int column = 0;  // 1-based
    std::string message;

    // "file.asm:12:5: error: message"
    std::string ToString() const;
};

// The assembled 64K address space; `used` marks the bytes that the program produced.
struct TAsmImage {
    std::vector<Byte> bytes = std::vector<Byte>(0x10000, 0);
    std::vector<bool> used = std::vector<bool>(0x10000, false);
};

struct TAsmSymbol {
    std::string name;
    std::int64_t value = 0;
};

struct TAsmListingLine {
    std::string file;
    int line = 0;
    std::optional<std::int64_t> address;  // location, or the value of EQU/SET
    bool isValue = false;                 // `address` holds an EQU/SET value
    std::vector<Byte> bytes;
    std::string text;
};

struct TAsmResult {
    bool ok = false;  // no diagnostics
    TAsmImage image;
    std::vector<TAsmSymbol> symbols;  // sorted by name
    std::vector<TAsmListingLine> listing;
    std::vector<TAsmDiagnostic> diagnostics;
    std::optional<Address> entryPoint;  // the operand of END, if any
};

// Reads an included file; `path` is already resolved against the including file's folder.
using TAsmFileLoader =
    std::function<bool(const std::string& path, std::string& content, std::string& error)>;

// A two-pass MC6809 assembler in Motorola syntax.
class TAssembler {
public:
    static constexpr int kDefaultMaxErrors = 100;

    TAssembler();

    // INCLUDE reads files through this loader; by default from disk.
    void SetFileLoader(TAsmFileLoader loader) { loader_ = std::move(loader); }
    void SetMaxErrors(int maxErrors) { maxErrors_ = maxErrors < 1 ? 1 : maxErrors; }

    TAsmResult Assemble(std::string_view source, const std::string& fileName) const;

private:
    TAsmFileLoader loader_;
    int maxErrors_ = kDefaultMaxErrors;
};

TAsmResult AssembleSource(std::string_view source, std::string fileName);

}  // namespace tarvok
