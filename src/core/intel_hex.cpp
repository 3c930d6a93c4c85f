#include "core/intel_hex.h"

#include "core/file_util.h"
#include "core/hex_text.h"

namespace tarvok {

namespace {

// Reads the next field of `width` characters (or what is left of the line) as hex.
class RecordReader {
public:
    explicit RecordReader(std::string_view rest) : rest_(rest) {}

    bool Field(std::size_t width, unsigned& value) {
        const std::string_view field = rest_.substr(0, width);
        rest_.remove_prefix(field.size());
        return ParseHexDigits(field, value);
    }

private:
    std::string_view rest_;
};

}  // namespace

HexParseResult ParseIntelHex(std::string_view text) {
    HexParseResult result;
    const auto fail = [&result](std::size_t line, std::string reason) {
        result.ok = false;
        result.writes.clear();
        result.errorLine = line;
        result.reason = std::move(reason);
        return result;
    };
    const std::vector<std::string_view> lines = SplitTextLines(text);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::size_t lineNumber = index + 1;
        const std::size_t colon = lines[index].find(':');
        if (colon == std::string_view::npos) continue;
        RecordReader reader(lines[index].substr(colon + 1));
        unsigned count, address, type;
        if (!reader.Field(2, count)) return fail(lineNumber, "bad or missing byte count");
        if (!reader.Field(4, address)) return fail(lineNumber, "bad or missing load address");
        if (!reader.Field(2, type)) return fail(lineNumber, "bad or missing record type");
        unsigned sum = count + (address >> 8) + (address & 0xFF) + type;
        unsigned checksum;
        if (type == 0x00) {
            for (unsigned i = 0; i < count; ++i) {
                unsigned value;
                if (!reader.Field(2, value)) return fail(lineNumber, "bad or missing data byte");
                sum += value;
                result.writes.push_back({static_cast<Address>(address), static_cast<Byte>(value)});
                address = (address + 1) & 0xFFFF;
            }
            if (!reader.Field(2, checksum)) return fail(lineNumber, "bad or missing checksum");
            if (((sum + checksum) & 0xFF) != 0) return fail(lineNumber, "checksum mismatch");
        } else if (type == 0x01) {
            if (!reader.Field(2, checksum)) return fail(lineNumber, "bad or missing checksum");
            if (((sum + checksum) & 0xFF) != 0) return fail(lineNumber, "checksum mismatch");
            result.ok = true;
            return result;
        } else {
            return fail(lineNumber, "unsupported record type " + Hex2(type));
        }
    }
    return fail(lines.size(), "no end-of-file record");
}

std::string FormatIntelHexData(Address first, Address last,
                               const std::function<Byte(Address)>& read) {
    std::string out;
    if (last < first) return out;
    unsigned remaining = unsigned{last} - unsigned{first} + 1;
    unsigned address = first;
    while (remaining > 0) {
        const unsigned count = remaining < 16 ? remaining : 16;
        unsigned sum = count + (address >> 8) + (address & 0xFF);
        out += ':' + Hex2(count) + Hex4(address) + "00";
        for (unsigned i = 0; i < count; ++i) {
            const Byte value = read(static_cast<Address>(address));
            out += Hex2(value);
            sum += value;
            address = (address + 1) & 0xFFFF;
            --remaining;
        }
        out += Hex2((0x100 - (sum & 0xFF)) & 0xFF) + "\r\n";
    }
    return out;
}

std::string FormatIntelHex(Address first, Address last, const std::function<Byte(Address)>& read) {
    return FormatIntelHexData(first, last, read) + kIntelHexEndRecord;
}

}  // namespace tarvok
