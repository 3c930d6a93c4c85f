#include "machine/program_file.h"

#include <filesystem>
#include <system_error>

#include "core/file_util.h"
#include "core/hex_text.h"
#include "core/intel_hex.h"
#include "core/srecord.h"

namespace tarvok {

namespace {

enum class ProgramFormat { IntelHex, SRecords };

UserMessage LoadFailure(const std::string& path) {
    return {"Fehler beim Laden!", "Beim Laden der Datei '" + path +
                                      "' ist ein Fehler aufgetreten! Der Inhalt des "
                                      "Systemspeichers wurde nicht verändert."};
}

UserMessage FormatFailure(const std::string& path, ProgramFormat format) {
    return {"Fehler beim Laden!",
            "Beim Laden der Datei '" + path + "' ist ein Fehler aufgetreten: Die Datei hat kein " +
                (format == ProgramFormat::IntelHex ? "gültiges Intel Hex-Format"
                                                   : "gültiges Motorola S-Record-Format") +
                "! Der Inhalt des Systemspeichers wurde nicht verändert."};
}

ProgramFormat FormatOfContent(const std::string& path, std::string_view content) {
    if (IsSRecordFileName(path)) return ProgramFormat::SRecords;
    const std::filesystem::path extension = std::filesystem::path(path).extension();
    if (extension == ".hex" || extension == ".HEX") return ProgramFormat::IntelHex;
    const std::size_t first = content.find_first_not_of(" \t\r\n");
    const bool sRecord =
        first != std::string_view::npos && (content[first] == 'S' || content[first] == 's');
    return sRecord ? ProgramFormat::SRecords : ProgramFormat::IntelHex;
}

}  // namespace

std::string MemoryAsIntelHex(AddressDecoder& decoder, Address first, Address last) {
    return FormatIntelHex(first, last, [&decoder](Address a) { return decoder.Read(a, true); });
}

Status LoadIntelHexText(AddressDecoder& decoder, std::string_view text, std::size_t* written) {
    const HexParseResult parsed = ParseIntelHex(text);
    if (!parsed.ok) return Status::Failure(parsed.reason, {}, parsed.errorLine);
    for (const HexWrite& write : parsed.writes)
        decoder.Write(write.address, write.value);
    if (written != nullptr) *written = parsed.writes.size();
    return {};
}

Status LoadProgramFile(AddressDecoder& decoder, const std::string& path) {
    std::string content;
    if (Status read = ReadWholeFile(path, content); !read) {
        return std::move(read).WithMessage(LoadFailure(path));
    }
    std::vector<HexWrite> writes;
    const ProgramFormat format = FormatOfContent(path, content);
    if (format == ProgramFormat::SRecords) {
        SRecordImage image;
        if (Status parsed = ParseSRecords(content, image); !parsed) {
            return std::move(parsed).WithMessage(FormatFailure(path, format));
        }
        writes = std::move(image.writes);
    } else {
        HexParseResult parsed = ParseIntelHex(content);
        if (!parsed.ok) {
            return Status::Failure(parsed.reason, FormatFailure(path, format), parsed.errorLine);
        }
        writes = std::move(parsed.writes);
    }
    for (const HexWrite& write : writes)
        decoder.Write(write.address, write.value);
    return {};
}

Status LoadSymbolsBeside(const std::string& programPath, SymbolTable& table) {
    const std::string path = SymbolFileFor(programPath);
    std::error_code ec;
    if (path == programPath || !std::filesystem::is_regular_file(path, ec)) {
        table.Clear();
        return {};
    }
    std::string content;
    Status status = ReadWholeFile(path, content);
    if (status) status = ParseSymbolFile(content, table);
    if (status) return status;
    const std::string where =
        status.Line() != 0 ? " (Zeile " + std::to_string(status.Line()) + ")" : std::string();
    return std::move(status).WithMessage(
        {"Fehler beim Laden!", "Beim Laden der Symboldatei '" + path + "'" + where +
                                   " ist ein Fehler aufgetreten! Das Programm wurde geladen, "
                                   "seine Marken nicht."});
}

Status SaveProgramFile(AddressDecoder& decoder, Address first, Address last,
                       const std::string& path) {
    const auto read = [&decoder](Address a) { return decoder.Read(a, true); };
    const std::string text = IsSRecordFileName(path) ? FormatSRecords(first, last, read)
                                                     : FormatIntelHex(first, last, read);
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
