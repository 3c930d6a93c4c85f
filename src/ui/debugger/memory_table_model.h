#pragma once

#include <QAbstractTableModel>
#include <optional>
#include <vector>

#include "core/address_decoder.h"
#include "machine/machine.h"

namespace tarvok {

// How the debugger views read memory. Building a view reads every byte with an inspection read,
// which the devices answer without their read side effects, except the ACIA, which treats it as
// a processor read. Keeping a view current re-reads what changed, except the ACIA's registers:
// their values come from the device as it announced them, so that a running program's serial
// data is not disturbed by a view that watches it.
class MemoryInspector {
public:
    explicit MemoryInspector(Machine& machine) : machine_(machine) {}

    AddressDecoder& Decoder() { return machine_.Decoder(); }
    Byte Read(Address address) { return machine_.Decoder().Read(address, true); }
    Byte Current(Address address);

private:
    Machine& machine_;
};

// The cells of a memory window: one row of eight bytes in hexadecimal or one row per byte with
// its eight bits, the address in the first column, a "*" after each value whose address has a
// breakpoint. The model keeps the bytes it shows and refreshes only the rows of pages whose
// change count moved since it last looked.
class MemoryTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum class Mode { Hexadecimal, Binary };
    static constexpr int kDataColumns = 8;

    MemoryTableModel(MemoryInspector& memory, Address first, Address last,
                     QObject* parent = nullptr);

    Address First() const { return first_; }
    Address Last() const { return last_; }
    Mode DisplayMode() const { return mode_; }
    // Reads the whole range again and lays the cells out for `mode`.
    void SetMode(Mode mode);

    // The cell that shows `address` (hexadecimal) or its row's first bit (binary); invalid
    // outside the range.
    QModelIndex IndexOf(Address address) const;
    std::optional<Address> AddressAt(const QModelIndex& cell) const;
    Byte Value(Address address) const { return values_[address - first_]; }

    // Re-reads the pages whose change count differs from what the model showed; true when a
    // shown byte changed.
    bool Refresh(const AddressDecoder::PageGenerations& pages);
    // The breakpoint mark of `address` changed.
    void BreakpointChanged(Address address);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void ReadAll();
    int RowOf(Address address) const;
    void RowsChanged(int firstRow, int lastRow);

    MemoryInspector& memory_;
    Address first_;
    Address last_;
    Mode mode_ = Mode::Hexadecimal;
    std::vector<Byte> values_;
    AddressDecoder::PageGenerations shownPages_{};
};

}  // namespace tarvok
