// libFuzzer target: the S-record reader on any text.
//
// Besides the sanitizers' findings: a rejected text names a line (unless it has none) and leaves
// no writes behind; an accepted one is written out again over the range it touched (untouched
// bytes as $FF), and that text must be accepted and give back every byte the original set.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "core/file_util.h"
#include "core/srecord.h"

namespace {

void Check(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz_srecord: check failed: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    tarvok::SRecordImage image;
    const tarvok::Status status = tarvok::ParseSRecords(text, image);
    if (!status) {
        Check(status.Line() >= 1 || tarvok::SplitTextLines(text).empty(),
              "a rejected text names its line");
        Check(!status.Reason().empty(), "a rejected text says why");
        Check(image.writes.empty() && !image.entry, "a rejected text leaves nothing");
        return 0;
    }
    if (image.writes.empty()) return 0;
    std::vector<int> memory(0x10000, -1);
    unsigned first = 0xFFFF, last = 0;
    for (const tarvok::HexWrite& write : image.writes) {
        memory[write.address] = write.value;
        first = std::min<unsigned>(first, write.address);
        last = std::max<unsigned>(last, write.address);
    }
    const std::string again = tarvok::FormatSRecords(
        static_cast<tarvok::Address>(first), static_cast<tarvok::Address>(last),
        [&memory](tarvok::Address a) {
            return static_cast<tarvok::Byte>(memory[a] < 0 ? 0xFF : memory[a]);
        },
        image.entry.value_or(0));
    tarvok::SRecordImage reparsed;
    Check(static_cast<bool>(tarvok::ParseSRecords(again, reparsed)),
          "the written text is accepted");
    Check(reparsed.writes.size() == last - first + 1, "the written text covers the range");
    Check(reparsed.entry == image.entry, "the entry address survives");
    for (const tarvok::HexWrite& write : reparsed.writes) {
        Check(write.address >= first && write.address <= last, "written bytes stay in the range");
        if (memory[write.address] >= 0) Check(write.value == memory[write.address], "same bytes");
    }
    return 0;
}
