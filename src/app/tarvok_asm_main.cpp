// tarvok-asm: assembles an MC6809 program into Intel HEX or S-records, a binary image, a symbol
// file and a listing.

#include <cstdio>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/asm_output.h"
#include "asm/assembler.h"
#include "core/file_util.h"
#include "core/hex_text.h"
#include "core/srecord.h"
#include "core/symbol_table.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitAssemblyErrors = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: tarvok-asm SOURCE.asm [-o OUT.hex|OUT.s19] [--bin OUT.bin --range AAAA-BBBB\n"
    "                  [--fill HH]] [-l LIST.lst] [--sym OUT.sym]\n"
    "Without -o and --bin the Intel HEX file is SOURCE with the extension .hex. -o writes\n"
    "S-records for the extensions .s19, .s28, .s37, .srec, .mot and .sx. The labels go to the\n"
    "symbol file, by default beside the program file with the extension .sym.\n";

struct Options {
    std::string source;
    std::string hexFile;
    std::string binFile;
    std::string listFile;
    std::string symbolFile;
    std::optional<unsigned> rangeFirst;
    unsigned rangeLast = 0;
    unsigned fill = 0xFF;
};

bool ParseHex(std::string_view text, unsigned maxValue, unsigned& value) {
    if (!text.empty() && text.front() == '$') text.remove_prefix(1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    return text.size() <= 4 && tarvok::ParseHexDigits(text, value) && value <= maxValue;
}

bool UsageError(const std::string& message) {
    std::fprintf(stderr, "tarvok-asm: %s\n%s", message.c_str(), kUsage);
    return false;
}

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto next = [&](std::string& into) {
            if (i + 1 >= argc) return UsageError("option " + std::string(arg) + " needs a value");
            into = argv[++i];
            return true;
        };
        std::string value;
        if (arg == "-o") {
            if (!next(options.hexFile)) return false;
        } else if (arg == "-l") {
            if (!next(options.listFile)) return false;
        } else if (arg == "--sym") {
            if (!next(options.symbolFile)) return false;
        } else if (arg == "--bin") {
            if (!next(options.binFile)) return false;
        } else if (arg == "--range") {
            if (!next(value)) return false;
            const std::size_t dash = value.find('-');
            unsigned first = 0;
            if (dash == std::string::npos ||
                !ParseHex(std::string_view(value).substr(0, dash), 0xFFFF, first) ||
                !ParseHex(std::string_view(value).substr(dash + 1), 0xFFFF, options.rangeLast) ||
                first > options.rangeLast) {
                return UsageError("bad range '" + value + "' (expected AAAA-BBBB, AAAA <= BBBB)");
            }
            options.rangeFirst = first;
        } else if (arg == "--fill") {
            if (!next(value)) return false;
            if (!ParseHex(value, 0xFF, options.fill)) {
                return UsageError("bad fill byte '" + value + "' (expected HH)");
            }
        } else if (!arg.empty() && arg.front() == '-') {
            return UsageError("unknown option '" + std::string(arg) + "'");
        } else if (options.source.empty()) {
            options.source = arg;
        } else {
            return UsageError("more than one source file");
        }
    }
    if (options.source.empty()) return UsageError("no source file");
    if (!options.binFile.empty() && !options.rangeFirst) return UsageError("--bin needs --range");
    if (options.binFile.empty() && options.rangeFirst) return UsageError("--range needs --bin");
    if (options.hexFile.empty() && options.binFile.empty()) {
        options.hexFile = std::filesystem::path(options.source).replace_extension(".hex").string();
    }
    if (options.symbolFile.empty()) {
        options.symbolFile =
            tarvok::SymbolFileFor(options.hexFile.empty() ? options.binFile : options.hexFile);
    }
    return true;
}

// An output must not name an input (the source or a file that it INCLUDEs) nor another output:
// writing it would destroy the input or the other output. Paths are compared by the file they
// name, so "./p.asm" and a hard link of p.asm count as p.asm.
bool OutputsAreSafe(const Options& options, const std::vector<std::string>& inputs) {
    const std::pair<const char*, const std::string*> outputs[] = {{"-o", &options.hexFile},
                                                                  {"--bin", &options.binFile},
                                                                  {"-l", &options.listFile},
                                                                  {"--sym", &options.symbolFile}};
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
        const auto& [option, path] = outputs[i];
        if (path->empty()) continue;
        const std::string identity = tarvok::AsmDiskFileIdentity(*path);
        for (const std::string& input : inputs) {
            if (identity == tarvok::AsmDiskFileIdentity(input)) {
                return UsageError("the output file '" + *path + "' (" + option +
                                  ") is the input file '" + input +
                                  "'; choose another output name");
            }
        }
        for (std::size_t j = 0; j < i; ++j) {
            const auto& [otherOption, otherPath] = outputs[j];
            if (!otherPath->empty() && identity == tarvok::AsmDiskFileIdentity(*otherPath)) {
                return UsageError(std::string(otherOption) + " and " + option +
                                  " name the same file '" + *path + "'; choose two names");
            }
        }
    }
    return true;
}

bool Write(const std::string& path, const std::string& content) {
    const tarvok::Status status = tarvok::WriteFileAtomically(path, content);
    if (status) return true;
    std::fprintf(stderr, "tarvok-asm: cannot write '%s': %s\n", path.c_str(),
                 status.Reason().c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::string_view(argv[1]) == "-h" || std::string_view(argv[1]) == "--help")) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    Options options;
    if (!ParseArguments(argc, argv, options) || !OutputsAreSafe(options, {options.source})) {
        return kExitUsage;
    }

    std::string source;
    if (const tarvok::Status status = tarvok::ReadWholeFile(options.source, source); !status) {
        std::fprintf(stderr, "tarvok-asm: cannot read '%s': %s\n", options.source.c_str(),
                     status.Reason().c_str());
        return kExitUsage;
    }
    const tarvok::AsmResult result = tarvok::AssembleSource(source, options.source);
    for (const tarvok::AsmDiagnostic& diagnostic : result.diagnostics) {
        std::fprintf(stderr, "%s\n", diagnostic.ToString().c_str());
    }
    if (!result.ok) {
        std::fprintf(stderr, "tarvok-asm: %zu error(s), no output written\n", result.ErrorCount());
        return kExitAssemblyErrors;
    }
    if (!OutputsAreSafe(options, result.inputFiles)) return kExitUsage;
    if (!options.hexFile.empty() &&
        !Write(options.hexFile, tarvok::IsSRecordFileName(options.hexFile)
                                    ? tarvok::FormatAsmSRecords(result)
                                    : tarvok::FormatAsmIntelHex(result.image))) {
        return kExitUsage;
    }
    if (!options.binFile.empty() &&
        !Write(options.binFile, tarvok::FormatAsmBinary(
                                    result.image, static_cast<tarvok::Address>(*options.rangeFirst),
                                    static_cast<tarvok::Address>(options.rangeLast),
                                    static_cast<tarvok::Byte>(options.fill)))) {
        return kExitUsage;
    }
    if (!options.listFile.empty() && !Write(options.listFile, tarvok::FormatAsmListing(result))) {
        return kExitUsage;
    }
    if (!Write(options.symbolFile, tarvok::FormatSymbolFile(tarvok::AsmLabels(result)))) {
        return kExitUsage;
    }
    return kExitOk;
}
