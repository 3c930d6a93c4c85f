#pragma once

#include <QString>

#include "core/status.h"

class QWidget;

namespace tarvok {

// A message for the user: caption and text, only an OK button, no icon.
void ShowMessageBox(QWidget* parent, const UserMessage& message);
// A Yes/No question; true when the user answers Yes.
bool Confirm(QWidget* parent, const QString& caption, const QString& text);

}  // namespace tarvok
