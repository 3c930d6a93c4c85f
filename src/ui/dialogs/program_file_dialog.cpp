#include "ui/dialogs/program_file_dialog.h"

namespace tarvok {

ProgramFileDialog::ProgramFileDialog(Purpose purpose, QWidget* parent)
    : FileDialog(purpose, QStringLiteral("Intel Hex-Format (*.hex)"), QStringLiteral("hex"),
                 parent) {}

}  // namespace tarvok
