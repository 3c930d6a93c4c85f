#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "core/address_decoder.h"
#include "core/status.h"
#include "core/symbol_table.h"

namespace tarvok {

// Loading and saving program files through the bus, as the main window's "Öffnen..." and
// "Speichern unter..." do. A program file is Intel HEX or Motorola S-records: the extensions
// .s19, .s28, .s37, .srec, .mot and .sx mean S-records (IsSRecordFileName), .hex means Intel HEX,
// and any other file is read as S-records when its first character is an "S", else as Intel HEX
// and written as Intel HEX.

// Writes the file's bytes through the decoder only after the whole file was accepted; a failure
// names the line of a format fault and carries the message box to show.
Status LoadProgramFile(AddressDecoder& decoder, const std::string& path);

// Reads first..last with inspection reads and writes the file atomically, in the format of its
// name.
Status SaveProgramFile(AddressDecoder& decoder, Address first, Address last,
                       const std::string& path);

// The symbol file beside a program file (SymbolFileFor). A missing file empties `table` and
// counts as success; a faulty one leaves `table` alone and carries its message box.
Status LoadSymbolsBeside(const std::string& programPath, SymbolTable& table);

// Memory from first to last (inspection reads) as Intel HEX text, ending with the end record.
std::string MemoryAsIntelHex(AddressDecoder& decoder, Address first, Address last);
// Writes Intel HEX text through the decoder, all or nothing: a faulty text changes no memory
// and its failure names the reason and line (without a message box). `written` counts the bytes.
Status LoadIntelHexText(AddressDecoder& decoder, std::string_view text,
                        std::size_t* written = nullptr);

// The box for a program file that could not be written.
UserMessage SaveFailureMessage(const std::string& path);

struct SaveRange {
    Address first;
    Address last;
};

// Checks the save-range dialog's two texts: hexadecimal, 16-bit, start not above end.
std::optional<SaveRange> ParseSaveRange(const std::string& startText, const std::string& endText,
                                        UserMessage* error);

}  // namespace tarvok
