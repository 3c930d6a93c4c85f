#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "core/symbol_table.h"
#include "ui/debugger/memory_table_model.h"

class QLabel;
class QLineEdit;
class QToolButton;

namespace tarvok {

class StringGrid;

// A memory window: one address range as a table of bytes in hexadecimal (eight per row) or, when
// allowed, in binary (one byte per row, one cell per bit), editable in place, with breakpoint
// marks, a "Gehe zu" field and a status bar describing the byte under the cursor. It is freed
// when closed.
class MemoryWindow : public QWidget {
    Q_OBJECT

public:
    MemoryWindow(MemoryInspector& memory, const QString& caption, Address first, Address last,
                 bool binaryAllowed, QWidget* parent = nullptr);

    MemoryTableModel& Model() { return *model_; }
    StringGrid* Grid() const { return grid_; }
    QToolButton* BinaryButton() const { return binaryButton_; }
    QToolButton* HexadecimalButton() const { return hexButton_; }
    QToolButton* BreakpointButton() const { return breakpointButton_; }
    QLineEdit* GoToField() const { return goToField_; }
    // The five panels: address, hexadecimal, binary, decimal and two's complement value.
    QStringList StatusTexts() const;
    // The panel after them: the label at the address, or the nearest one below ("LOOP+3").
    QString LabelText() const;
    // The labels of the loaded program, for the status bar and "Gehe zu" (may be null).
    void SetSymbols(const SymbolTable* symbols);
    // The address of the cell with the cursor.
    Address CurrentAddress() const;

    // Between a show and a hide event: not while hidden or minimised.
    bool Shown() const { return shown_; }
    // Shows what changed in the pages whose change count moved.
    void Refresh(const AddressDecoder::PageGenerations& pages);
    void BreakpointChanged(Address address);

signals:
    // A byte was written from this window.
    void Written();
    void VisibilityChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QWidget* BuildSpeedBar(bool binaryAllowed);
    void SetMode(MemoryTableModel::Mode mode);
    void SizeColumns();
    void SetEditRules();
    void Commit(const QModelIndex& cell, const QString& text);
    void ToggleBreakpoint();
    void GoTo(std::optional<Address> address);
    void UpdateStatus();

    MemoryInspector& memory_;
    MemoryTableModel* model_ = nullptr;
    StringGrid* grid_ = nullptr;
    QToolButton* binaryButton_ = nullptr;
    QToolButton* hexButton_ = nullptr;
    QToolButton* breakpointButton_ = nullptr;
    QLineEdit* goToField_ = nullptr;
    std::array<QLabel*, 5> statusPanels_{};
    QLabel* labelPanel_ = nullptr;
    const SymbolTable* symbols_ = nullptr;
    bool shown_ = false;
};

}  // namespace tarvok
