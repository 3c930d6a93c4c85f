#pragma once

#include <QPlainTextEdit>

#include "machine/machine.h"

namespace tarvok {

// The output field for status messages. It mirrors the machine's message lines (at most 1000):
// the machine may add a line every step, so the field only counts them as they come and shows
// them at the next frame, together with one beep for all of them when beeping is on.
class OutputField : public QPlainTextEdit, private MachineListener {
    Q_OBJECT

public:
    explicit OutputField(Machine& machine, QWidget* parent = nullptr);
    ~OutputField() override;

    // Shows what arrived since the last call.
    void Flush();

private:
    void MessageShown(const std::string& line) override;
    void MessagesCleared() override;

    Machine& machine_;
    std::size_t pendingLines_ = 0;
    bool cleared_ = false;
    bool beepPending_ = false;
};

}  // namespace tarvok
