#pragma once

#include <QDialog>

class QLineEdit;

namespace tarvok {

// An address field of four letters or digits, shown in upper case as typed; the command checks
// that they are hex.
QLineEdit* AddressEdit(const QString& text, const QString& hint, QWidget* parent);

// "Speicherbereichsauswahl": the first and last address of the memory range to save, as four
// letters or digits each (turned to upper case as typed). The dialog lives as long as the main
// window, so it offers the values entered last time.
class SaveRangeDialog : public QDialog {
    Q_OBJECT

public:
    explicit SaveRangeDialog(QWidget* parent = nullptr);

    QString StartText() const;
    QString EndText() const;
    QLineEdit* StartEdit() const { return start_; }
    QLineEdit* EndEdit() const { return end_; }

private:
    QLineEdit* start_;
    QLineEdit* end_;
};

}  // namespace tarvok
