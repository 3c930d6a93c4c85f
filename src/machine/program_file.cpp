#include "machine/program_file.h"

#include "core/file_util.h"
#include "core/hex_text.h"
#include "core/intel_hex.h"

namespace tarvok {

namespace {

TUserMessage LoadFailure(const std::string& path) {
    return {"Fehler beim Laden!", "Beim Laden der Datei '" + path +
                                      "' ist ein Fehler aufgetreten! Der Inhalt des "
                                      "Systemspeichers wurde nicht verändert."};
}

TUserMessage FormatFailure(const std::string& path) {
    return {"Fehler beim Laden!",
            "Beim Laden der Datei '" + path +
                "' ist ein Fehler aufgetreten: Die Datei hat kein gültiges Intel Hex-Format! Der "
                "Inhalt des Systemspeichers wurde nicht verändert."};
}

// Hex text as a 16-bit value; the dialog's fields may hold any letters, so check every one.
}  // namespace

TProgramLoadResult LoadProgramFile(TAddressDecoder& decoder, const std::string& path) {
    TProgramLoadResult result;
    std::string content;
    if (!ReadWholeFile(path, content, result.reason)) {
        result.message = LoadFailure(path);
        return result;
    }
    const THexParseResult parsed = ParseIntelHex(content);
    if (!parsed.ok) {
        result.message = FormatFailure(path);
        result.errorLine = parsed.errorLine;
        result.reason = parsed.reason;
        return result;
    }
    for (const THexWrite& write : parsed.writes)
        decoder.SetValue(write.address, write.value);
    result.ok = true;
    return result;
}

std::optional<TUserMessage> SaveProgramFile(TAddressDecoder& decoder, Address first, Address last,
                                            const std::string& path) {
    const std::string text =
        FormatIntelHex(first, last, [&decoder](Address a) { return decoder.GetValue(a, true); });
    std::string error;
    if (WriteFileAtomically(path, text, error)) return std::nullopt;
    return TUserMessage{"Fehler beim Speichern!",
                        "Beim Speichern der Datei '" + path +
                            "' ist ein Fehler aufgetreten! Der Speichervorgang wurde nicht "
                            "ordnungsgemäß abgeschlossen."};
}

std::optional<TSaveRange> ParseSaveRange(const std::string& startText, const std::string& endText,
                                         TUserMessage* error) {
    const auto first = ParseHexAddress(startText);
    const auto last = ParseHexAddress(endText);
    if (first && last && *first <= *last) return TSaveRange{*first, *last};
    if (error != nullptr) {
        *error = {"Fehlerhafte Eingabewerte!",
                  "Bei den von Ihnen eingegebenen Werten (0x" + startText + " und 0x" + endText +
                      ") handelt es sich nicht um vierstellige Speicheradressen im hexadezimalen "
                      "Format oder Start- und Endadresse sind vertauscht!"};
    }
    return std::nullopt;
}

}  // namespace tarvok
