#include "ui/message_boxes.h"

#include <QMessageBox>

namespace tarvok {

void ShowMessageBox(QWidget* parent, const UserMessage& message) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(message.caption),
                    QString::fromStdString(message.text), QMessageBox::Ok, parent);
    box.exec();
}

bool Confirm(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace tarvok
