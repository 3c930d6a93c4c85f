#include "ui/dialogs/file_dialog.h"

#include <QFileInfo>

#include "ui/message_boxes.h"

namespace tarvok {

FileDialog::FileDialog(Purpose purpose, const QString& nameFilter, const QString& suffix,
                       QWidget* parent)
    : QFileDialog(parent), purpose_(purpose) {
    // Qt's own dialog on every desktop, so that the options below hold everywhere.
    setOption(QFileDialog::DontUseNativeDialog);
    setNameFilter(nameFilter);
    setDefaultSuffix(suffix);
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

QString FileDialog::Choose() {
    if (exec() != QDialog::Accepted || selectedFiles().isEmpty()) return {};
    return selectedFiles().constFirst();
}

void FileDialog::accept() {
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
