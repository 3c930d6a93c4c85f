#pragma once

#include "ui/dialogs/file_dialog.h"

namespace tarvok {

// The file dialog of "Öffnen..." and "Speichern unter...": Intel HEX and Motorola S-record
// files (opening also assembler sources), default extension "hex".
class ProgramFileDialog : public FileDialog {
    Q_OBJECT

public:
    explicit ProgramFileDialog(Purpose purpose, QWidget* parent = nullptr);
};

}  // namespace tarvok
