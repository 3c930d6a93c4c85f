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

}  // namespace

Status LoadProgramFile(AddressDecoder& decoder, const std::string& path) {
    std::string content;
    if (Status read = ReadWholeFile(path, content); !read) {
        return std::move(read).WithMessage(LoadFailure(path));
    }
    const HexParseResult parsed = ParseIntelHex(content);
    if (!parsed.ok) return Status::Failure(parsed.reason, FormatFailure(path), parsed.errorLine);
    for (const HexWrite& write : parsed.writes)
        decoder.Write(write.address, write.value);
    return {};
}

Status SaveProgramFile(AddressDecoder& decoder, Address first, Address last,
                       const std::string& path) {
    const std::string text =
        FormatIntelHex(first, last, [&decoder](Address a) { return decoder.Read(a, true); });
    return WriteFileAtomically(path, text).WithMessage(SaveFailureMessage(path));
}

UserMessage SaveFailureMessage(const std::string& path) {
    return {"Fehler beim Speichern!", "Beim Speichern der Datei '" + path +
                                          "' ist ein Fehler aufgetreten! Der Speichervorgang "
                                          "wurde nicht ordnungsgemäß abgeschlossen."};
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
