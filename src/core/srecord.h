#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/intel_hex.h"
#include "core/status.h"
#include "core/types.h"

namespace tarvok {

// Motorola S-records as 6809 assemblers write them: S1 data records with 16-bit addresses and
// the S9 end record. An S0 header is skipped, an S5/S6 record count is checked, and S2/S3 data
// with their S8/S7 end records are taken as long as every address fits in 16 bits.
struct SRecordImage {
    std::vector<HexWrite> writes;  // in file order
    std::optional<Address> entry;  // the end record's address, when it is not 0
};

// Accepts or rejects the whole text; on failure `image` is empty and the status names the line.
// Lines after the end record are not looked at; blank lines are skipped.
Status ParseSRecords(std::string_view text, SRecordImage& image);

// The pieces of a file, upper case, CR LF: an empty S0 header; S1 records of 16 bytes from
// `first` to `last` inclusive; the S9 end record with the entry address (0 when none).
std::string SRecordHeader();
std::string FormatSRecordData(Address first, Address last,
                              const std::function<Byte(Address)>& read);
std::string SRecordEnd(Address entry);
// Header, data records and end record.
std::string FormatSRecords(Address first, Address last, const std::function<Byte(Address)>& read,
                           Address entry = 0);

// Whether a file of this name holds S-records: the extensions .s19, .s28, .s37, .srec, .mot and
// .sx (in any case).
bool IsSRecordFileName(const std::string& path);

}  // namespace tarvok
