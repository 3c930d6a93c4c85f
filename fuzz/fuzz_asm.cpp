// libFuzzer target: the assembler on any source text.
//
// The input holds the source, then the files that INCLUDE may read, each behind a NUL byte:
// in "main\0one\0two" the source can read "one" by INCLUDE 1 and "two" by INCLUDE 2. Besides
// the sanitizers' findings, an assembly must keep its diagnostics within the cap, with a line
// and a column each; a successful one must list exactly the bytes of its image, inside the
// 64K address space, and its Intel HEX must read back to the same bytes.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "asm/asm_output.h"
#include "asm/assembler.h"
#include "core/intel_hex.h"

namespace {

constexpr int kMaxErrors = 20;

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_asm: check failed: %s\n", what);
    std::abort();
}

std::vector<std::string_view> SplitAtNul(std::string_view input) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t nul = input.find('\0', start);
        parts.push_back(input.substr(start, nul - start));
        if (nul == std::string_view::npos) return parts;
        start = nul + 1;
    }
}

void CheckDiagnostics(const tarvok::AsmResult& result) {
    Check(result.diagnostics.size() <= kMaxErrors + 1, "diagnostics within the cap");
    Check(result.ok == (result.ErrorCount() == 0), "ok means no errors");
    for (const tarvok::AsmDiagnostic& diagnostic : result.diagnostics) {
        Check(diagnostic.line >= 1 && diagnostic.column >= 1, "diagnostic has line and column");
        Check(!diagnostic.message.empty(), "diagnostic has a message");
    }
}

// The listed bytes are the image, byte for byte, and the Intel HEX holds the same.
void CheckImage(const tarvok::AsmResult& result) {
    std::vector<bool> listed(0x10000, false);
    std::size_t listedCount = 0;
    for (const tarvok::AsmListingLine& line : result.listing) {
        if (line.bytes.empty()) continue;
        Check(line.address.has_value() && !line.isValue, "listed bytes have an address");
        Check(*line.address >= 0 &&
                  *line.address + static_cast<std::int64_t>(line.bytes.size()) <= 0x10000,
              "listed bytes lie inside the address space");
        for (std::size_t i = 0; i < line.bytes.size(); ++i) {
            const auto address = static_cast<std::size_t>(*line.address) + i;
            Check(result.image.used[address], "listed byte is in the image");
            Check(result.image.bytes[address] == line.bytes[i], "listed byte equals the image");
            Check(!listed[address], "no address listed twice");
            listed[address] = true;
            ++listedCount;
        }
    }
    std::size_t usedCount = 0;
    for (std::size_t a = 0; a < 0x10000; ++a)
        usedCount += result.image.used[a] ? 1 : 0;
    Check(listedCount == usedCount, "the image holds only listed bytes");

    const tarvok::HexParseResult hex =
        tarvok::ParseIntelHex(tarvok::FormatAsmIntelHex(result.image));
    Check(hex.ok, "the Intel HEX output reads back");
    Check(hex.writes.size() == usedCount, "the Intel HEX holds every byte once");
    for (const tarvok::HexWrite& write : hex.writes) {
        Check(result.image.used[write.address], "the Intel HEX holds only image bytes");
        Check(result.image.bytes[write.address] == write.value, "the Intel HEX bytes are right");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::string_view> parts =
        SplitAtNul(std::string_view(reinterpret_cast<const char*>(data), size));
    tarvok::Assembler assembler;
    assembler.SetMaxErrors(kMaxErrors);
    assembler.SetMaxSourceLines(20000);
    assembler.SetFileIdentity([](const std::string& path) { return path; });
    assembler.SetFileLoader([&parts](const std::string& path, std::string& content) {
        const std::size_t index = std::strtoul(path.c_str(), nullptr, 10);
        if (index == 0 || index >= parts.size() || path != std::to_string(index)) {
            return tarvok::Status::Failure("no such file");
        }
        content = parts[index];
        return tarvok::Status();
    });
    const tarvok::AsmResult result = assembler.Assemble(parts[0], "main.asm");
    CheckDiagnostics(result);
    Check(!result.inputFiles.empty() && result.inputFiles.front() == "main.asm",
          "the source is the first input");
    tarvok::FormatAsmListing(result);
    if (result.ok) CheckImage(result);
    return 0;
}
