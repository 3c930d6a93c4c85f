#pragma once

#include <QDialog>

namespace tarvok {

// "Info über Tarvok": the program icon, its name and version, who made it and where.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace tarvok
