#pragma once

#include <optional>
#include <string>

#include "core/address_decoder.h"
#include "core/status.h"

namespace tarvok {

// Loading and saving program files (Intel HEX) through the bus, as the main window's "Öffnen..."
// and "Speichern unter..." do.

// Writes the file's bytes through the decoder only after the whole file was accepted; a failure
// names the line of a format fault and carries the message box to show.
Status LoadProgramFile(AddressDecoder& decoder, const std::string& path);

// Reads first..last with inspection reads and writes the file atomically.
Status SaveProgramFile(AddressDecoder& decoder, Address first, Address last,
                       const std::string& path);

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
