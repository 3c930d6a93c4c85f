#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/status.h"
#include "core/types.h"

namespace tarvok {

enum class AsmSeverity { Error, Warning };

struct AsmDiagnostic {
    std::string file;
    int line = 0;    // 1-based
    int column = 0;  // 1-based
    std::string message;
    AsmSeverity severity = AsmSeverity::Error;

    // "file.asm:12:5: error: message" (or "warning:")
    std::string ToString() const;
};

// The assembled 64K address space; `used` marks the bytes that the program produced.
struct AsmImage {
    std::vector<Byte> bytes = std::vector<Byte>(0x10000, 0);
    std::vector<bool> used = std::vector<bool>(0x10000, false);
};

struct AsmSymbol {
    std::string name;  // a local label as "GLOBAL.local"
    std::int64_t value = 0;
    bool isLocation = false;  // a label of a location (not an EQU or SET value)
};

struct AsmListingLine {
    std::string file;
    int line = 0;
    std::optional<std::int64_t> address;  // location, or the value of EQU/SET
    bool isValue = false;                 // `address` holds an EQU/SET value
    std::vector<Byte> bytes;
    std::string text;
    std::string note;  // what the assembler did with a line it did not assemble
};

struct AsmResult {
    bool ok = false;  // no errors (warnings allowed)
    AsmImage image;
    std::vector<AsmSymbol> symbols;  // sorted by name
    std::vector<AsmListingLine> listing;
    std::vector<AsmDiagnostic> diagnostics;  // errors and warnings in source order
    std::optional<Address> entryPoint;       // the operand of END, if any
    std::vector<std::string> inputFiles;     // the source, then every file INCLUDE read, once each

    std::size_t ErrorCount() const;
};

// Reads an included file; `path` is already resolved against the including file's folder.
using AsmFileLoader = std::function<Status(const std::string& path, std::string& content)>;
// Names the file behind a path so that two paths of one file give the same text.
using AsmFileIdentity = std::function<std::string(const std::string& path)>;

// A two-pass MC6809 assembler in Motorola syntax.
class Assembler {
public:
    static constexpr int kDefaultMaxErrors = 100;
    static constexpr int kDefaultMaxSourceLines = 200000;

    Assembler();

    // INCLUDE reads files through this loader and tells files apart by this identity; by
    // default from disk, by device and inode.
    void SetFileLoader(AsmFileLoader loader) { loader_ = std::move(loader); }
    void SetFileIdentity(AsmFileIdentity identity) { identity_ = std::move(identity); }
    // The number of diagnostics (errors and warnings) after which assembly stops.
    void SetMaxErrors(int maxErrors) { maxErrors_ = maxErrors < 1 ? 1 : maxErrors; }
    // The number of source lines, INCLUDE files counted, that one assembly reads at most.
    void SetMaxSourceLines(int maxLines) { maxSourceLines_ = maxLines < 1 ? 1 : maxLines; }

    AsmResult Assemble(std::string_view source, const std::string& fileName) const;

private:
    AsmFileLoader loader_;
    AsmFileIdentity identity_;
    int maxErrors_ = kDefaultMaxErrors;
    int maxSourceLines_ = kDefaultMaxSourceLines;
};

AsmResult AssembleSource(std::string_view source, const std::string& fileName);

// The default file identity: device and inode of an existing file, else the absolute path.
std::string AsmDiskFileIdentity(const std::string& path);

}  // namespace tarvok
