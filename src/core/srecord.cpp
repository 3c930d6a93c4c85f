#include "core/srecord.h"

#include <cctype>
#include <filesystem>

#include "core/file_util.h"
#include "core/hex_text.h"

namespace tarvok {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Bytes of the address field per record type S0 to S9; 0 for the reserved S4.
constexpr unsigned kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

// The bytes of a record after "Sn" (count, address, data, checksum), or a reason.
std::string RecordBytes(std::string_view digits, std::vector<unsigned>& bytes) {
    if (digits.size() % 2 != 0) return "odd number of hex digits";
    bytes.clear();
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        unsigned value;
        if (!ParseHexDigits(digits.substr(i, 2), value)) return "bad hex digit";
        bytes.push_back(value);
    }
    if (bytes.empty()) return "missing byte count";
    if (bytes[0] + 1 != bytes.size()) return "byte count does not match the record's length";
    return {};
}

}  // namespace

Status ParseSRecords(std::string_view text, SRecordImage& image) {
    image = {};
    SRecordImage result;
    const auto fail = [&image](std::size_t line, std::string reason) {
        image = {};
        return Status::Failure(std::move(reason), {}, line);
    };
    const std::vector<std::string_view> lines = SplitTextLines(text);
    std::vector<unsigned> bytes;
    unsigned dataRecords = 0;
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const std::size_t lineNumber = index + 1;
        const std::string_view line = Trimmed(lines[index]);
        if (line.empty()) continue;
        if (line.size() < 2 || (line[0] != 'S' && line[0] != 's') || line[1] < '0' ||
            line[1] > '9') {
            return fail(lineNumber, "not an S-record");
        }
        const unsigned type = static_cast<unsigned>(line[1] - '0');
        const unsigned addressBytes = kAddressBytes[type];
        if (addressBytes == 0) return fail(lineNumber, "reserved record type S4");
        if (const std::string reason = RecordBytes(line.substr(2), bytes); !reason.empty()) {
            return fail(lineNumber, reason);
        }
        if (bytes.size() < addressBytes + 2) return fail(lineNumber, "record too short");
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            sum += bytes[i];
        if (((~sum) & 0xFF) != bytes.back()) return fail(lineNumber, "checksum mismatch");
        std::uint32_t address = 0;
        for (unsigned i = 0; i < addressBytes; ++i)
            address = address << 8 | bytes[1 + i];
        const std::size_t dataFirst = 1 + addressBytes;
        const std::size_t dataEnd = bytes.size() - 1;

        switch (type) {
            case 0:  // header: free text
                break;
            case 1:
            case 2:
            case 3:
                if (type != 1 && address + (dataEnd - dataFirst) > 0x10000) {
                    return fail(lineNumber, "data beyond address $FFFF");
                }
                for (std::size_t i = dataFirst; i < dataEnd; ++i) {
                    result.writes.push_back(
                        {static_cast<Address>(address), static_cast<Byte>(bytes[i])});
                    address = (address + 1) & 0xFFFF;
                }
                ++dataRecords;
                break;
            case 5:
            case 6:
                if (address != dataRecords) {
                    return fail(lineNumber, "record count " + std::to_string(address) +
                                                " does not match the " +
                                                std::to_string(dataRecords) + " data records");
                }
                break;
            default:  // 7, 8, 9: the end record with the entry address
                if (address > 0xFFFF) return fail(lineNumber, "entry address beyond $FFFF");
                if (address != 0) result.entry = static_cast<Address>(address);
                image = std::move(result);
                return {};
        }
    }
    return fail(lines.size(), "no end record (S9)");
}

namespace {

std::string Record(char type, unsigned address, const std::vector<Byte>& data) {
    const unsigned count = 3 + static_cast<unsigned>(data.size());
    unsigned sum = count + (address >> 8) + (address & 0xFF);
    std::string line = std::string("S") + type + Hex2(count) + Hex4(address);
    for (const Byte value : data) {
        line += Hex2(value);
        sum += value;
    }
    return line + Hex2(~sum & 0xFF) + "\r\n";
}

}  // namespace

std::string SRecordHeader() {
    return Record('0', 0, {});
}

std::string FormatSRecordData(Address first, Address last,
                              const std::function<Byte(Address)>& read) {
    std::string out;
    if (last < first) return out;
    std::vector<Byte> data;
    unsigned remaining = unsigned{last} - unsigned{first} + 1;
    unsigned address = first;
    while (remaining > 0) {
        const unsigned count = remaining < 16 ? remaining : 16;
        data.clear();
        for (unsigned i = 0; i < count; ++i)
            data.push_back(read(static_cast<Address>(address + i)));
        out += Record('1', address, data);
        address += count;
        remaining -= count;
    }
    return out;
}

std::string SRecordEnd(Address entry) {
    return Record('9', entry, {});
}

std::string FormatSRecords(Address first, Address last, const std::function<Byte(Address)>& read,
                           Address entry) {
    return SRecordHeader() + FormatSRecordData(first, last, read) + SRecordEnd(entry);
}

bool IsSRecordFileName(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const char* known : {".s19", ".s28", ".s37", ".srec", ".mot", ".sx"}) {
        if (extension == known) return true;
    }
    return false;
}

}  // namespace tarvok
