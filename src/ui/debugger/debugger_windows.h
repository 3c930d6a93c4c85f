#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <array>
#include <optional>

#include "core/symbol_table.h"
#include "machine/machine.h"
#include "machine/snapshot.h"
#include "ui/debugger/memory_table_model.h"

class QAction;
class QWidget;

namespace tarvok {

class CpuWindow;
class DisassemblyWindow;
class MemoryWindow;

// A memory window of the "&Speicherfenster" submenu, in menu order.
struct MemoryWindowRange {
    const char* menuCaption;
    const char* caption;
    Address first;
    Address last;
    bool binaryAllowed;
};

inline constexpr std::array<MemoryWindowRange, 9> kMemoryWindowRanges = {{
    {"&gesamter Speicher...", "Speicherfenster (gesamter Speicher)", 0x0000, 0xFFFF, false},
    {"&Anzeige...", "Speicherfenster (7-Segment-Anzeige)", 0xF020, 0xF02F, true},
    {"paral. &Schnittstelle...", "Speicherfenster (parallele Schnittstelle)", 0xF000, 0xF003, true},
    {"ser. S&chnittstelle...", "Speicherfenster (serielle Schnittstelle)", 0xF008, 0xF00B, true},
    {"&Programmspeicher...", "Speicherfenster (Programmspeicher)", 0x0400, 0x1FFF, true},
    {"&ROM...", "Speicherfenster (ROM)", 0xE000, 0xFFFF, true},
    {"&Tastatur...", "Speicherfenster (Tastatur)", 0xF010, 0xF017, true},
    {"T&imer...", "Speicherfenster (Timer)", 0xF018, 0xF01F, true},
    {"&Zero Page...", "Speicherfenster (Zero Page)", 0x0000, 0x00FF, true},
}};
// The range of the speed button "Programmspeicher anzeigen".
inline constexpr std::size_t kProgramMemoryRange = 4;
// Where "&disassembliert..." starts its listing.
inline constexpr Address kDisassemblyStart = 0x0400;

// The open debugger windows: any number of memory and disassembly windows and the one CPU
// window. Memory windows hear of breakpoint changes as they happen (through one subscription for
// all of them, held while any of them is shown) and show changed bytes at each frame, from the
// pages whose change count moved.
class DebuggerWindows : public QObject, private MemoryListener {
    Q_OBJECT

public:
    // The windows are top-level windows belonging to `owner`; `cpuItem` is the check item that
    // shows and hides the CPU window.
    DebuggerWindows(Machine& machine, QWidget* owner, QAction* cpuItem);
    ~DebuggerWindows() override;

    // Each call opens a further window.
    MemoryWindow* ShowMemoryWindow(const MemoryWindowRange& range);
    DisassemblyWindow* ShowDisassemblyWindow(Address start);
    // Opens or closes the CPU window; the item's check mark follows the window.
    void ShowCpuWindow(bool show);

    const QList<MemoryWindow*>& MemoryWindows() const { return memoryWindows_; }
    const QList<DisassemblyWindow*>& DisassemblyWindows() const { return disassemblyWindows_; }
    CpuWindow* Cpu() const;

    // The labels of the loaded program for every window, present and future (may be null);
    // SymbolsChanged shows a new table in the open windows.
    void SetSymbols(const SymbolTable* symbols);
    void SymbolsChanged();
    // The address that "Ausführen bis Cursor" runs to: the cursor's in the disassembly or memory
    // window that was active last; nothing when no such window is open.
    std::optional<Address> CursorAddress() const;

    // While a remote board is operated every debugger window is hidden; afterwards the hidden
    // ones are shown again.
    void SetHidden(bool hidden);

    void ShowFrame(const MachineSnapshot& snapshot);
    // Brings the memory windows up to date now instead of at the next frame.
    void RefreshMemoryWindows();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ValueChanged(Address /*address*/, Byte /*value*/) override {}
    void BreakpointChanged(Address address, bool set) override;
    void MemoryWindowVisibilityChanged(MemoryWindow* window);
    void UpdateSubscription();
    QList<QWidget*> AllWindows() const;

    Machine& machine_;
    MemoryInspector memory_;
    QWidget* owner_;
    QPointer<QAction> cpuItem_;
    QList<MemoryWindow*> memoryWindows_;
    QList<DisassemblyWindow*> disassemblyWindows_;
    QPointer<CpuWindow> cpuWindow_;
    QPointer<QWidget> lastActive_;  // the memory or disassembly window active last
    const SymbolTable* symbols_ = nullptr;
    QList<QPointer<QWidget>> hiddenWindows_;
    bool subscribed_ = false;
    std::uint64_t shownMemoryGeneration_ = ~std::uint64_t{0};
};

}  // namespace tarvok
