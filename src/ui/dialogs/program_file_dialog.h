#pragma once

#include "ui/dialogs/file_dialog.h"

namespace tarvok {

// The file dialog of "Öffnen..." and "Speichern unter...": Intel HEX files, default extension
// "hex".
class ProgramFileDialog : public FileDialog {
    Q_OBJECT

public:
    explicit ProgramFileDialog(Purpose purpose, QWidget* parent = nullptr);
};

}  // namespace tarvok
