#include "ui/output_field.h"

#include <QApplication>
#include <QStringList>
#include <algorithm>

namespace tarvok {

OutputField::OutputField(Machine& machine, QWidget* parent)
    : QPlainTextEdit(parent), machine_(machine) {
    setReadOnly(true);
    setTabChangesFocus(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setFocusPolicy(Qt::ClickFocus);
    setToolTip(QStringLiteral("Ausgabefeld für Statusmeldungen"));
    setMaximumBlockCount(machine.Decoder().MaxOutputLines());
    machine_.AddListener(this);
    machine_.Decoder().SetBeepHandler([this] { beepPending_ = true; });
}

OutputField::~OutputField() {
    machine_.Decoder().SetBeepHandler({});
    machine_.RemoveListener(this);
}

void OutputField::MessageShown(const std::string&) {
    // More lines than the field keeps only push older ones out.
    if (pendingLines_ < machine_.Decoder().MaxOutputLines()) ++pendingLines_;
}

void OutputField::MessagesCleared() {
    cleared_ = true;
    pendingLines_ = 0;
}

void OutputField::Flush() {
    if (cleared_) {
        clear();
        cleared_ = false;
    }
    if (pendingLines_ > 0) {
        const auto& lines = machine_.Messages().Lines();
        const std::size_t count = std::min(pendingLines_, lines.size());
        QStringList text;
        text.reserve(static_cast<qsizetype>(count));
        for (auto line = lines.end() - static_cast<std::ptrdiff_t>(count); line != lines.end();
             ++line)
            text.append(QString::fromStdString(*line));
        appendPlainText(text.join(QLatin1Char('\n')));
        pendingLines_ = 0;
    }
    if (beepPending_) {
        QApplication::beep();
        beepPending_ = false;
    }
}

}  // namespace tarvok
