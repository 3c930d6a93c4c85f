#include "ui/program_file_commands.h"

#include <QFile>

#include "asm/asm_output.h"
#include "asm/assembler.h"
#include "core/file_util.h"
#include "machine/program_file.h"
#include "ui/dialogs/program_file_dialog.h"
#include "ui/dialogs/save_range_dialog.h"
#include "ui/message_boxes.h"

namespace tarvok {

namespace {

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

// Assembles the source in memory; its diagnostics go to the output field.
bool AssembleAndLoad(QWidget* parent, const std::string& path, AddressDecoder& decoder,
                     SymbolTable& symbols) {
    std::string source;
    if (const Status read = ReadWholeFile(path, source); !read) {
        ShowMessageBox(parent,
                       {"Fehler beim Laden!", "Beim Laden der Datei '" + path +
                                                  "' ist ein Fehler aufgetreten! Der Inhalt des "
                                                  "Systemspeichers wurde nicht verändert."});
        return false;
    }
    const AsmResult result = AssembleSource(source, path);
    for (const AsmDiagnostic& diagnostic : result.diagnostics)
        decoder.ShowMessage(diagnostic.ToString());
    if (!result.ok) {
        decoder.ShowMessage("Assemblierung von '" + path + "' mit " +
                            std::to_string(result.ErrorCount()) +
                            " Fehler(n) abgebrochen: Der Inhalt des Systemspeichers wurde nicht "
                            "verändert;");
        return false;
    }
    for (unsigned address = 0; address <= 0xFFFF; ++address) {
        if (result.image.used[address])
            decoder.Write(static_cast<Address>(address), result.image.bytes[address]);
    }
    symbols = AsmLabels(result);
    decoder.ShowMessage("Programm '" + path + "' assembliert und geladen (" +
                        std::to_string(symbols.Size()) + " Marken);");
    return true;
}

}  // namespace

bool LoadProgramOrSource(QWidget* parent, const QString& path, AddressDecoder& decoder,
                         SymbolTable& symbols) {
    const std::string local = LocalPath(path);
    if (path.endsWith(QStringLiteral(".asm"), Qt::CaseInsensitive)) {
        return AssembleAndLoad(parent, local, decoder, symbols);
    }
    if (const Status loaded = LoadProgramFile(decoder, local); !loaded) {
        ShowMessageBox(parent, loaded.Message());
        return false;
    }
    if (const Status labels = LoadSymbolsBeside(local, symbols); !labels) {
        ShowMessageBox(parent, labels.Message());
        return false;
    }
    return true;
}

bool OpenProgramFile(QWidget* parent, ProgramFileDialog& fileDialog, AddressDecoder& decoder,
                     SymbolTable& symbols) {
    const QString path = fileDialog.Choose();
    if (path.isEmpty()) return false;
    return LoadProgramOrSource(parent, path, decoder, symbols);
}

void SaveProgramFileAs(QWidget* parent, SaveRangeDialog& rangeDialog, ProgramFileDialog& fileDialog,
                       AddressDecoder& decoder) {
    if (rangeDialog.exec() != QDialog::Accepted) return;
    UserMessage error;
    const auto range = ParseSaveRange(rangeDialog.StartText().toStdString(),
                                      rangeDialog.EndText().toStdString(), &error);
    if (!range) {
        ShowMessageBox(parent, error);
        return;
    }
    const QString path = fileDialog.Choose();
    if (path.isEmpty()) return;
    if (const Status saved = SaveProgramFile(decoder, range->first, range->last, LocalPath(path));
        !saved) {
        ShowMessageBox(parent, saved.Message());
    }
}

}  // namespace tarvok
