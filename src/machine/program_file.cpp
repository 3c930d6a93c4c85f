#include "machine/program_file.h"

#include "core/file_util.h"
#include "core/hex_text.h"
#include "core/intel_hex.h"

namespace tarvok {

namespace {

UserMessage LoadFailure(const std::string& path) {
    return {"Fehler beim Laden!", "Beim Laden der Datei '" + path +
                                      "' ist ein Fehler aufgetreten! Der Inhalt des "
                                      "Systemspeichers wurde nicht verändert."};
}

UserMessage FormatFailure(const std::string& path) {
    return {"Fehler beim Laden!",
            "Beim Laden der Datei '" + path +
                "' ist ein Fehler aufgetreten: Die Datei hat kein gültiges Intel Hex-Format! Der "
                "Inhalt des Systemspeichers wurde nicht verändert."};
}

// Hex text as a 16-bit value; the dialog's fields may hold any letters, so check every one.
}  // namespace

ProgramLoadResult LoadProgramFile(AddressDecoder& decoder, const std::string& path) {
    ProgramLoadResult result;
    std::string content;
    if (!ReadWholeFile(path, content, result.reason)) {
        result.message = LoadFailure(path);
        return result;
    }
    const HexParseResult parsed = ParseIntelHex(content);
    if (!parsed.ok) {
        result.message = FormatFailure(path);
        result.errorLine = parsed.errorLine;
        result.reason = parsed.reason;
        return result;
    }
    for (const HexWrite& write : parsed.writes)
        decoder.Write(write.address, write.value);
    result.ok = true;
    return result;
}

std::optional<UserMessage> SaveProgramFile(AddressDecoder& decoder, Address first, Address last,
                                           const std::string& path) {
    const std::string text =
        FormatIntelHex(first, last, [&decoder](Address a) { return decoder.Read(a, true); });
    std::string error;
    if (WriteFileAtomically(path, text, error)) return std::nullopt;
    return UserMessage{"Fehler beim Speichern!",
                       "Beim Speichern der Datei '" + path +
                           "' ist ein Fehler aufgetreten! Der Speichervorgang wurde nicht "
                           "ordnungsgemäß abgeschlossen."};
}

std::optional<SaveRange> ParseSaveRange(const std::string& startText, const std::string& endText,
                                        UserMessage* error) {
    const auto first = ParseHexAddress(startText);
    const auto last = ParseHexAddress(endText);
    if (first && last && *first <= *last) return SaveRange{*first, *last};
    if (error != nullptr) {
        *error = {"Fehlerhafte Eingabewerte!",
                  "Bei den von Ihnen eingegebenen Werten (0x" + startText + " und 0x" + endText +
                      ") handelt es sich nicht um vierstellige Speicheradressen im hexadezimalen "
                      "Format oder Start- und Endadresse sind vertauscht!"};
    }
    return std::nullopt;
}

}  // namespace tarvok
