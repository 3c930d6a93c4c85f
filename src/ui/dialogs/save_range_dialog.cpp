#include "ui/dialogs/save_range_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tarvok {

QLineEdit* AddressEdit(const QString& text, const QString& hint, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    // Four letters or digits, shown in upper case; the command checks that they are hex.
    edit->setInputMask(QStringLiteral(">NNNN"));
    edit->setText(text);
    edit->setToolTip(hint);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("WWWWW")) + 12);
    return edit;
}

SaveRangeDialog::SaveRangeDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Speicherbereichsauswahl"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto* instruction =
        new QLabel(QStringLiteral("Bitte geben Sie die Start- und Endadresse des zu speichernden "
                                  "Arbeitsspeicherbereichs als vierstellige Hex-Zahlen ein:"),
                   this);
    instruction->setWordWrap(true);
    start_ = AddressEdit(
        QStringLiteral("0400"),
        QStringLiteral("Adresse (z.B. 0400), ab der der Arbeitsspeicher gesichert werden soll"),
        this);
    end_ = AddressEdit(QStringLiteral("07FF"),
                       QStringLiteral("letztes zu sicherndes Byte des gewünschten "
                                      "Arbeitsspeicherbereichs (z.B. 07FF)"),
                       this);

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("Startadresse"), start_);
    fields->addRow(QStringLiteral("Endadresse (inklusive)"), end_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(instruction);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    instruction->setFixedWidth(340);
}

QString SaveRangeDialog::StartText() const {
    return start_->text();
}

QString SaveRangeDialog::EndText() const {
    return end_->text();
}

}  // namespace tarvok
