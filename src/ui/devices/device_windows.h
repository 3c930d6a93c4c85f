#pragma once

#include <QList>
#include <QObject>
#include <array>

#include "machine/machine.h"

class QAction;
class QWidget;

namespace tarvok {

class DeviceWindow;
class PortWindow;
class SerialWindow;
class TimerSamples;
class TimerWindow;
struct MainCommands;

// The six device windows of the main window: ports A and B, the serial interface, timers 1 to 3.
// Each one's menu item (and speed button) shows or hides it and carries a check mark while it
// is shown; closing a window unchecks them. The shown windows follow the frames of the run
// loop, and a system reset brings every window back to its start-up look.
class DeviceWindows : public QObject, private MachineListener {
    Q_OBJECT

public:
    DeviceWindows(Machine& machine, const MainCommands& commands, QWidget* owner);
    ~DeviceWindows() override;

    PortWindow* Port(int port) const { return ports_[port - 1]; }
    SerialWindow* Serial() const { return serial_; }
    TimerWindow* Timer(int timer) const { return timers_[timer - 1]; }

    void ShowFrame(const MachineSnapshot& snapshot);
    // Remote operation hides the shown windows; local operation brings them back.
    void SetLocalOperation(bool local);

private:
    void Bind(DeviceWindow* window, QAction* menuItem, QAction* speedButton);
    void SystemReset() override;

    Machine& machine_;
    TimerSamples* timerSamples_;
    std::array<PortWindow*, 2> ports_{};
    SerialWindow* serial_ = nullptr;
    std::array<TimerWindow*, 3> timers_{};
    QList<DeviceWindow*> all_;
    QList<DeviceWindow*> hiddenForRemote_;
};

}  // namespace tarvok
