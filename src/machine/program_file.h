#pragma once

#include <optional>
#include <string>

#include "core/address_decoder.h"
#include "core/user_message.h"

namespace tarvok {

// Loading and saving program files (Intel HEX) through the bus, as the main window's "Öffnen..."
// and "Speichern unter..." do.

struct TProgramLoadResult {
    bool ok = false;
    std::optional<TUserMessage> message;  // the message box text on failure
    std::size_t errorLine = 0;            // 1-based line of a format fault, 0 otherwise
    std::string reason;                   // short English reason for tools and logs
};

// Writes the file's bytes through the decoder only after the whole file was accepted.
TProgramLoadResult LoadProgramFile(TAddressDecoder& decoder, const std::string& path);

// Reads first..last with inspection reads and writes the file atomically. On failure returns
// the message to show.
std::optional<TUserMessage> SaveProgramFile(TAddressDecoder& decoder, Address first, Address last,
                                            const std::string& path);

struct TSaveRange {
    Address first;
    Address last;
};

// Checks the save-range dialog's two texts: hexadecimal, 16-bit, start not above end.
std::optional<TSaveRange> ParseSaveRange(const std::string& startText, const std::string& endText,
                                         TUserMessage* error);

}  // namespace tarvok
