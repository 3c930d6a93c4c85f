#include "ui/program_file_commands.h"

#include <QFile>

#include "machine/program_file.h"
#include "ui/dialogs/program_file_dialog.h"
#include "ui/dialogs/save_range_dialog.h"
#include "ui/message_boxes.h"

namespace tarvok {

namespace {

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace

void OpenProgramFile(QWidget* parent, ProgramFileDialog& fileDialog, AddressDecoder& decoder) {
    const QString path = fileDialog.Choose();
    if (path.isEmpty()) return;
    if (const Status loaded = LoadProgramFile(decoder, LocalPath(path)); !loaded) {
        ShowMessageBox(parent, loaded.Message());
    }
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
