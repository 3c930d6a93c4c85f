#pragma once

#include <optional>
#include <string>

#include "core/address_decoder.h"
#include "core/user_message.h"

namespace tarvok {

// Loading and saving program files (Intel HEX) through the bus, as the main window's "Öffnen..."
// and "Speichern unter..." do.

struct ProgramLoadResult {
    bool ok = false;
    std::optional<UserMessage> message;  // the message box text on failure
    std::size_t errorLine = 0;           // 1-based line of a format fault, 0 otherwise
    std::string reason;                  // short English reason for tools and logs
};

// Writes the file's bytes through the decoder only after the whole file was accepted.
ProgramLoadResult LoadProgramFile(AddressDecoder& decoder, const std::string& path);

// Reads first..last with inspection reads and writes the file atomically. On failure returns
// the message to show.
std::optional<UserMessage> SaveProgramFile(AddressDecoder& decoder, Address first, Address last,
                                           const std::string& path);

struct SaveRange {
    Address first;
    Address last;
};

// Checks the save-range dialog's two texts: hexadecimal, 16-bit, start not above end.
std::optional<SaveRange> ParseSaveRange(const std::string& startText, const std::string& endText,
                                        UserMessage* error);

}  // namespace tarvok
