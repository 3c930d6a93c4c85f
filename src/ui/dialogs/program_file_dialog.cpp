#include "ui/dialogs/program_file_dialog.h"

namespace tarvok {

namespace {

QString Filters(FileDialog::Purpose purpose) {
    const QString hex = QStringLiteral("Intel Hex-Format (*.hex)");
    const QString sRecords =
        QStringLiteral("Motorola S-Record-Format (*.s19 *.s28 *.s37 *.srec *.mot *.sx)");
    if (purpose == FileDialog::Purpose::Save) return hex + QStringLiteral(";;") + sRecords;
    return QStringLiteral("Programmdateien (*.hex *.s19 *.s28 *.s37 *.srec *.mot *.sx *.asm);;") +
           hex + QStringLiteral(";;") + sRecords + QStringLiteral(";;Assembler-Quelltext (*.asm)");
}

}  // namespace

ProgramFileDialog::ProgramFileDialog(Purpose purpose, QWidget* parent)
    : FileDialog(purpose, Filters(purpose), QStringLiteral("hex"), parent) {}

}  // namespace tarvok
