#include "ui/dialogs/program_file_dialog.h"

#include <QFileInfo>

#include "ui/message_boxes.h"

namespace tarvok {

ProgramFileDialog::ProgramFileDialog(Purpose purpose, QWidget* parent)
    : QFileDialog(parent), purpose_(purpose) {
    // Qt's own dialog on every desktop, so that the options below hold everywhere.
    setOption(QFileDialog::DontUseNativeDialog);
    setNameFilter(QStringLiteral("Intel Hex-Format (*.hex)"));
    setDefaultSuffix(QStringLiteral("hex"));
    if (purpose == Purpose::Open) {
        setWindowTitle(QStringLiteral("Öffnen"));
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(QFileDialog::ExistingFile);
    } else {
        setWindowTitle(QStringLiteral("Speichern unter"));
        setAcceptMode(QFileDialog::AcceptSave);
        setFileMode(QFileDialog::AnyFile);
        setOption(QFileDialog::DontResolveSymlinks);
    }
}

QString ProgramFileDialog::Choose() {
    if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) return {};
    return selectedFiles().constFirst();
}

void ProgramFileDialog::accept() {
    if (purpose_ == Purpose::Save && !selectedFiles().isEmpty()) {
        // A file without write permission stays as it is, even though the folder would let a
        // new file take its place.
        const QFileInfo file(selectedFiles().constFirst());
        if (file.exists() && !(file.permissions() & QFileDevice::WriteOwner)) {
            ShowMessageBox(this, {windowTitle().toStdString(),
                                  "'" + file.fileName().toStdString() +
                                      "' ist schreibgeschützt.\nBitte wählen Sie einen "
                                      "anderen Dateinamen."});
            return;
        }
    }
    QFileDialog::accept();
}

}  // namespace tarvok
