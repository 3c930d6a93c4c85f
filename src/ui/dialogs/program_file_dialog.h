#pragma once

#include <QFileDialog>

namespace tarvok {

// The file dialog of "Öffnen..." and "Speichern unter...": Intel HEX files, default extension
// "hex". Opening takes only an existing file; saving asks before overwriting and refuses a
// read-only file. Each dialog lives as long as the main window and so stays in the folder last
// used.
class ProgramFileDialog : public QFileDialog {
    Q_OBJECT

public:
    enum class Purpose { Open, Save };

    ProgramFileDialog(Purpose purpose, QWidget* parent = nullptr);

    // Runs the dialog; the chosen file, or an empty text when the user cancelled.
    QString Choose();

protected:
    void accept() override;

private:
    Purpose purpose_;
};

}  // namespace tarvok
