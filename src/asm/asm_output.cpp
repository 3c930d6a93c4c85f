#include "asm/asm_output.h"

#include <algorithm>
#include <functional>
#include <vector>

#include "core/hex_text.h"
#include "core/intel_hex.h"
#include "core/srecord.h"

namespace tarvok {

namespace {

constexpr std::size_t kListedBytesPerLine = 5;

std::string HexValue(std::int64_t value) {
    if (value >= -0x8000 && value <= 0xFFFF) return Hex4(static_cast<unsigned>(value & 0xFFFF));
    return Hex4(static_cast<unsigned>((value >> 16) & 0xFFFF)) +
           Hex4(static_cast<unsigned>(value & 0xFFFF));
}

std::string Pad(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

// Up to five bytes from `from` on, each followed by a blank.
std::string ListedBytes(const std::vector<Byte>& bytes, std::size_t from) {
    std::string out;
    for (std::size_t i = from; i < bytes.size() && i < from + kListedBytesPerLine; ++i) {
        out += Hex2(bytes[i]) + " ";
    }
    return out;
}

// The data records of every contiguous run of used bytes, in address order.
template <typename FormatData>
std::string FormatUsedRuns(const AsmImage& image, FormatData formatData) {
    std::string out;
    const std::function<Byte(Address)> read = [&image](Address a) { return image.bytes[a]; };
    unsigned address = 0;
    while (address <= 0xFFFF) {
        if (!image.used[address]) {
            ++address;
            continue;
        }
        unsigned last = address;
        while (last < 0xFFFF && image.used[last + 1])
            ++last;
        out += formatData(static_cast<Address>(address), static_cast<Address>(last), read);
        address = last + 1;
    }
    return out;
}

}  // namespace

std::string FormatAsmIntelHex(const AsmImage& image) {
    return FormatUsedRuns(image, FormatIntelHexData) + kIntelHexEndRecord;
}

std::string FormatAsmSRecords(const AsmResult& result) {
    return SRecordHeader() + FormatUsedRuns(result.image, FormatSRecordData) +
           SRecordEnd(result.entryPoint.value_or(0));
}

SymbolTable AsmLabels(const AsmResult& result) {
    SymbolTable labels;
    for (const AsmSymbol& symbol : result.symbols) {
        if (symbol.isLocation && symbol.value >= 0 && symbol.value <= 0xFFFF)
            labels.Add(symbol.name, static_cast<Address>(symbol.value));
    }
    return labels;
}

std::string FormatAsmBinary(const AsmImage& image, Address first, Address last, Byte fill) {
    std::string out;
    for (unsigned a = first; a <= last; ++a) {
        out.push_back(static_cast<char>(image.used[a] ? image.bytes[a] : fill));
    }
    return out;
}

std::string FormatAsmListing(const AsmResult& result) {
    std::string out;
    for (const AsmListingLine& line : result.listing) {
        std::string head;
        if (line.address) head = (line.isValue ? "=" : " ") + HexValue(*line.address);
        head = Pad(head, 10);
        out += Pad(std::to_string(line.line), 6) + head +
               Pad(ListedBytes(line.bytes, 0), 3 * kListedBytesPerLine + 1) + line.text + "\n";
        // Long data (FCC, FILL) continues below, five bytes a line.
        for (std::size_t i = kListedBytesPerLine; i < line.bytes.size(); i += kListedBytesPerLine) {
            const std::int64_t address = *line.address + static_cast<std::int64_t>(i);
            out +=
                Pad("", 6) + Pad(" " + HexValue(address), 10) + ListedBytes(line.bytes, i) + "\n";
        }
        if (!line.note.empty()) {
            out += Pad("", 6 + 10 + 3 * kListedBytesPerLine + 1) + "* " + line.note + "\n";
        }
    }
    out += "\nSymbols:\n";
    std::size_t width = 0;
    for (const AsmSymbol& symbol : result.symbols)
        width = std::max(width, symbol.name.size());
    for (const AsmSymbol& symbol : result.symbols) {
        out += Pad(symbol.name, width + 2) + "$" + HexValue(symbol.value) + "\n";
    }
    return out;
}

}  // namespace tarvok
