#include "ui/devices/device_windows.h"

#include <QAction>

#include "ui/devices/port_window.h"
#include "ui/devices/serial_window.h"
#include "ui/devices/timer_samples.h"
#include "ui/devices/timer_window.h"
#include "ui/main_commands.h"

namespace tarvok {

DeviceWindows::DeviceWindows(Machine& machine, const MainCommands& commands, QWidget* owner)
    : QObject(owner), machine_(machine), timerSamples_(new TimerSamples(machine.Timer())) {
    using B = MainCommands::SpeedButton;
    const auto& buttons = commands.speedButtons;
    for (int port : {kPortA, kPortB}) {
        ports_[port - 1] = new PortWindow(machine.Pia(), port, owner);
    }
    Bind(ports_[0], commands.portA, buttons[B::kPortAButton]);
    Bind(ports_[1], commands.portB, buttons[B::kPortBButton]);
    serial_ = new SerialWindow(machine.Acia(), owner);
    Bind(serial_, commands.aciaWindow, nullptr);
    QAction* const timerItems[3] = {commands.timer1, commands.timer2, commands.timer3};
    const B timerButtons[3] = {B::kTimer1Button, B::kTimer2Button, B::kTimer3Button};
    for (int timer = 1; timer <= 3; ++timer) {
        timers_[timer - 1] = new TimerWindow(machine.Timer(), *timerSamples_, timer, owner);
        Bind(timers_[timer - 1], timerItems[timer - 1], buttons[timerButtons[timer - 1]]);
    }
    machine_.AddListener(this);
}

DeviceWindows::~DeviceWindows() {
    machine_.RemoveListener(this);
    // The windows subscribe to the devices: they go before the machine does.
    qDeleteAll(all_);
    delete timerSamples_;
}

void DeviceWindows::Bind(DeviceWindow* window, QAction* menuItem, QAction* speedButton) {
    all_.append(window);
    QList<QAction*> actions{menuItem};
    if (speedButton != nullptr) actions.append(speedButton);
    for (QAction* action : actions) {
        action->setCheckable(true);
        connect(action, &QAction::triggered, window, [window](bool show) {
            if (show) {
                window->show();
            } else {
                window->close();
            }
        });
    }
    connect(window, &DeviceWindow::shownChanged, this, [actions](bool shown) {
        for (QAction* action : actions)
            action->setChecked(shown);
    });
}

void DeviceWindows::ShowFrame(const MachineSnapshot& snapshot) {
    for (DeviceWindow* window : std::as_const(all_)) {
        if (window->isVisible()) window->ShowFrame(snapshot);
    }
}

void DeviceWindows::SetLocalOperation(bool local) {
    if (!local) {
        for (DeviceWindow* window : std::as_const(all_)) {
            if (!window->isVisible()) continue;
            hiddenForRemote_.append(window);
            window->hide();
        }
        return;
    }
    for (DeviceWindow* window : std::as_const(hiddenForRemote_))
        window->show();
    hiddenForRemote_.clear();
}

void DeviceWindows::SystemReset() {
    for (DeviceWindow* window : std::as_const(all_))
        window->ResetView();
}

}  // namespace tarvok
