#pragma once

#include <QTimer>
#include <QWidget>

#include "core/symbol_table.h"
#include "machine/machine.h"
#include "machine/snapshot.h"

class QLabel;
class QStandardItemModel;
class QTabWidget;

namespace tarvok {

class StringGrid;

// "CPU-Fenster (MC6809)": the processor's registers, its condition code flags and interrupt
// inputs, each on a page of its own and all but the inputs editable, and on the page "Trace" the
// register image the monitor keeps at $00F2-$00FF, read every 500 ms and written back to memory.
// While the system stands still the window follows the processor's change notices; while it runs
// it shows the processor as each frame finds it, which costs the simulation nothing. It is freed
// when closed.
class CpuWindow : public QWidget, private Mc6809Listener, private MachineListener {
    Q_OBJECT

public:
    static constexpr int kTraceMilliseconds = 500;

    explicit CpuWindow(Machine& machine, QWidget* parent = nullptr);
    ~CpuWindow() override;

    QTabWidget* Pages() const { return pages_; }
    StringGrid* RegisterGrid() const { return registerGrid_; }
    StringGrid* FlagsGrid() const { return flagsGrid_; }
    StringGrid* InterruptsGrid() const { return interruptsGrid_; }
    StringGrid* TraceGrid() const { return traceGrid_; }

    void ShowFrame(const MachineSnapshot& snapshot);
    // The labels of the loaded program (may be null): the line below the pages names the label
    // at PC or the nearest one below it ("PC: LOOP+3").
    void SetSymbols(const SymbolTable* symbols);
    QLabel* PcLabel() const { return pcLabel_; }
    // Reads the trace page from memory.
    void RefreshTrace();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void RegisterChanged(Mc6809Register reg, std::uint16_t value) override;
    void InputLevelChanged(std::uint16_t input, bool level) override;
    void SystemRunningChanged(bool running) override;

    void BuildPages();
    void SetEditRules();
    void UpdateSubscriptions();
    void ShowState(const Mc6809State& state);
    void CommitRegister(const QModelIndex& cell, const QString& text);
    void CommitFlag(const QModelIndex& cell, const QString& text);
    void CommitTrace(const QModelIndex& cell, const QString& text);

    Machine& machine_;
    QTabWidget* pages_ = nullptr;
    QStandardItemModel* registers_ = nullptr;
    QStandardItemModel* flags_ = nullptr;
    QStandardItemModel* interrupts_ = nullptr;
    QStandardItemModel* trace_ = nullptr;
    StringGrid* registerGrid_ = nullptr;
    StringGrid* flagsGrid_ = nullptr;
    StringGrid* interruptsGrid_ = nullptr;
    StringGrid* traceGrid_ = nullptr;
    QLabel* pcLabel_ = nullptr;
    const SymbolTable* symbols_ = nullptr;
    QTimer traceTimer_;
    bool shown_ = false;  // between a show and a hide event, so also not while minimised
    bool followingCpu_ = false;
    std::uint64_t shownCpuGeneration_ = ~std::uint64_t{0};
};

}  // namespace tarvok
