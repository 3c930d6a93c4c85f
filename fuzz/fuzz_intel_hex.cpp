// libFuzzer target: the Intel HEX reader on any text.
//
// Besides the sanitizers' findings: a rejected text names a line (unless it has none); an accepted
// one is written out again over the range it touched (untouched bytes as $FF), and that text must
// be accepted and give back every byte the original set (later records win, as when loading).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/file_util.h"
#include "core/intel_hex.h"

namespace {

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_intel_hex: check failed: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tarvok::HexParseResult parsed = tarvok::ParseIntelHex(text);
    if (!parsed.ok) {
        Check(parsed.errorLine >= 1 || tarvok::SplitTextLines(text).empty(),
              "a rejected text names its line");
        Check(!parsed.reason.empty(), "a rejected text says why");
        return 0;
    }
    if (parsed.writes.empty()) return 0;
    std::vector<int> image(0x10000, -1);
    unsigned first = 0xFFFF, last = 0;
    for (const tarvok::HexWrite& write : parsed.writes) {
        image[write.address] = write.value;
        first = std::min<unsigned>(first, write.address);
        last = std::max<unsigned>(last, write.address);
    }
    const std::string again =
        tarvok::FormatIntelHex(static_cast<tarvok::Address>(first),
                               static_cast<tarvok::Address>(last), [&image](tarvok::Address a) {
                                   return static_cast<tarvok::Byte>(image[a] < 0 ? 0xFF : image[a]);
                               });
    const tarvok::HexParseResult reparsed = tarvok::ParseIntelHex(again);
    Check(reparsed.ok, "the written text is accepted");
    Check(reparsed.writes.size() == last - first + 1, "the written text covers the range");
    for (const tarvok::HexWrite& write : reparsed.writes) {
        Check(write.address >= first && write.address <= last, "written bytes stay in the range");
        if (image[write.address] >= 0) Check(write.value == image[write.address], "same bytes");
    }
    return 0;
}
