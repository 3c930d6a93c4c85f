#include "ui/debugger/debugger_windows.h"

#include <QAction>
#include <QEvent>
#include <algorithm>

#include "ui/debugger/cpu_window.h"
#include "ui/debugger/disassembly_window.h"
#include "ui/debugger/memory_window.h"

namespace tarvok {

DebuggerWindows::DebuggerWindows(Machine& machine, QWidget* owner, QAction* cpuItem)
    : QObject(owner), machine_(machine), memory_(machine), owner_(owner), cpuItem_(cpuItem) {}

DebuggerWindows::~DebuggerWindows() {
    // The windows look at the machine: they go now, before it does.
    for (QWidget* window : AllWindows())
        delete window;
    machine_.Decoder().RemoveMemoryListener(this);
}

CpuWindow* DebuggerWindows::Cpu() const {
    return cpuWindow_;
}

QList<QWidget*> DebuggerWindows::AllWindows() const {
    QList<QWidget*> windows(memoryWindows_.begin(), memoryWindows_.end());
    windows.append(QList<QWidget*>(disassemblyWindows_.begin(), disassemblyWindows_.end()));
    if (cpuWindow_ != nullptr) windows.append(cpuWindow_);
    return windows;
}

MemoryWindow* DebuggerWindows::ShowMemoryWindow(const MemoryWindowRange& range) {
    auto* window = new MemoryWindow(memory_, QString::fromUtf8(range.caption), range.first,
                                    range.last, range.binaryAllowed, owner_);
    memoryWindows_.append(window);
    connect(window, &QObject::destroyed, this, [this, window] {
        memoryWindows_.removeOne(window);
        UpdateSubscription();
    });
    connect(window, &MemoryWindow::VisibilityChanged, this,
            [this, window] { MemoryWindowVisibilityChanged(window); });
    connect(window, &MemoryWindow::Written, this, &DebuggerWindows::RefreshMemoryWindows);
    window->SetSymbols(symbols_);
    window->installEventFilter(this);
    window->show();
    return window;
}

DisassemblyWindow* DebuggerWindows::ShowDisassemblyWindow(Address start) {
    auto* window = new DisassemblyWindow(&machine_.Decoder(), start, owner_);
    disassemblyWindows_.append(window);
    connect(window, &QObject::destroyed, this,
            [this, window] { disassemblyWindows_.removeOne(window); });
    if (symbols_ != nullptr) window->SetSymbols(symbols_);
    window->installEventFilter(this);
    window->show();
    return window;
}

void DebuggerWindows::ShowCpuWindow(bool show) {
    if (!show) {
        if (cpuWindow_ != nullptr) cpuWindow_->close();
        return;
    }
    if (cpuWindow_ == nullptr) {
        cpuWindow_ = new CpuWindow(machine_, owner_);
        cpuWindow_->SetSymbols(symbols_);
        connect(cpuWindow_, &QObject::destroyed, this, [this] {
            if (cpuItem_ != nullptr) cpuItem_->setChecked(false);
        });
    }
    cpuWindow_->show();
    if (cpuItem_ != nullptr) cpuItem_->setChecked(true);
}

void DebuggerWindows::SetSymbols(const SymbolTable* symbols) {
    symbols_ = symbols;
    SymbolsChanged();
}

void DebuggerWindows::SymbolsChanged() {
    for (MemoryWindow* window : std::as_const(memoryWindows_))
        window->SetSymbols(symbols_);
    for (DisassemblyWindow* window : std::as_const(disassemblyWindows_))
        window->SetSymbols(symbols_);
    if (cpuWindow_ != nullptr) cpuWindow_->SetSymbols(symbols_);
}

bool DebuggerWindows::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate) lastActive_ = static_cast<QWidget*>(watched);
    return QObject::eventFilter(watched, event);
}

std::optional<Address> DebuggerWindows::CursorAddress() const {
    if (auto* window = qobject_cast<DisassemblyWindow*>(lastActive_.data()))
        return window->CursorAddress();
    if (auto* window = qobject_cast<MemoryWindow*>(lastActive_.data()))
        return window->CurrentAddress();
    return std::nullopt;
}

void DebuggerWindows::SetHidden(bool hidden) {
    if (hidden) {
        for (QWidget* window : AllWindows()) {
            if (!window->isVisible()) continue;
            hiddenWindows_.append(window);
            window->hide();
        }
        return;
    }
    for (const QPointer<QWidget>& window : std::as_const(hiddenWindows_)) {
        if (window != nullptr) window->show();
    }
    hiddenWindows_.clear();
}

void DebuggerWindows::ShowFrame(const MachineSnapshot& snapshot) {
    if (cpuWindow_ != nullptr) cpuWindow_->ShowFrame(snapshot);
    if (snapshot.generations.memory == shownMemoryGeneration_) return;
    shownMemoryGeneration_ = snapshot.generations.memory;
    for (MemoryWindow* window : std::as_const(memoryWindows_)) {
        if (window->Shown()) window->Refresh(snapshot.memoryPages);
    }
}

void DebuggerWindows::RefreshMemoryWindows() {
    for (MemoryWindow* window : std::as_const(memoryWindows_)) {
        if (window->Shown()) window->Refresh(machine_.Decoder().MemoryPageGenerations());
    }
}

void DebuggerWindows::BreakpointChanged(Address address, bool /*set*/) {
    for (MemoryWindow* window : std::as_const(memoryWindows_))
        window->BreakpointChanged(address);
}

void DebuggerWindows::MemoryWindowVisibilityChanged(MemoryWindow* window) {
    // A window that was hidden catches up with the bytes that changed meanwhile.
    if (window->Shown()) window->Refresh(machine_.Decoder().MemoryPageGenerations());
    UpdateSubscription();
}

void DebuggerWindows::UpdateSubscription() {
    const bool subscribe = std::any_of(memoryWindows_.begin(), memoryWindows_.end(),
                                       [](const MemoryWindow* window) { return window->Shown(); });
    if (subscribe == subscribed_) return;
    subscribed_ = subscribe;
    if (subscribe) {
        machine_.Decoder().AddMemoryListener(this);
    } else {
        machine_.Decoder().RemoveMemoryListener(this);
    }
}

}  // namespace tarvok
