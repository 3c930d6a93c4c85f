#pragma once

#include <QFileDialog>

namespace tarvok {

// A file dialog for the user's files of one kind (a name filter and a default extension).
// Opening takes only an existing file; saving asks before overwriting, does not follow links and
// refuses a read-only file. Each dialog lives as long as its window and so stays in the folder
// last used.
class FileDialog : public QFileDialog {
    Q_OBJECT

public:
    enum class Purpose { Open, Save };

    FileDialog(Purpose purpose, const QString& nameFilter, const QString& suffix,
               QWidget* parent = nullptr);

    // Runs the dialog; the chosen file, or an empty text when the user cancelled.
    QString Choose();

protected:
    void accept() override;

private:
    Purpose purpose_;
};

}  // namespace tarvok
