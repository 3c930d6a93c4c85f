#include "ui/debugger/memory_table_model.h"

#include <algorithm>

#include "ui/debugger/cell_text.h"
#include "ui/debugger/string_grid.h"

namespace tarvok {

Byte MemoryInspector::Current(Address address) {
    R6551& acia = machine_.Acia();
    if (machine_.Decoder().DeviceAt(address) != &acia) return Read(address);
    switch (address - acia.BaseAddress()) {
        case 0:
            return acia.Rdr();
        case 1:
            return acia.Sr();
        case 2:
            return acia.Com();
        default:
            return acia.Con();
    }
}

MemoryTableModel::MemoryTableModel(MemoryInspector& memory, Address first, Address last,
                                   QObject* parent)
    : QAbstractTableModel(parent),
      memory_(memory),
      first_(std::min(first, last)),
      last_(std::max(first, last)),
      values_(static_cast<std::size_t>(last_ - first_) + 1) {
    ReadAll();
}

void MemoryTableModel::ReadAll() {
    // Pages that change while they are read are read again at the next refresh.
    shownPages_ = memory_.Decoder().MemoryPageGenerations();
    for (std::size_t i = 0; i < values_.size(); ++i)
        values_[i] = memory_.Read(static_cast<Address>(first_ + i));
}

void MemoryTableModel::SetMode(Mode mode) {
    beginResetModel();
    mode_ = mode;
    ReadAll();
    endResetModel();
}

int MemoryTableModel::RowOf(Address address) const {
    const int offset = address - first_;
    return mode_ == Mode::Hexadecimal ? offset / kDataColumns : offset;
}

QModelIndex MemoryTableModel::IndexOf(Address address) const {
    if (address < first_ || address > last_) return {};
    const int column = mode_ == Mode::Hexadecimal ? (address - first_) % kDataColumns + 1 : 1;
    return index(RowOf(address), column);
}

std::optional<Address> MemoryTableModel::AddressAt(const QModelIndex& cell) const {
    if (!cell.isValid() || cell.column() < 1) return std::nullopt;
    const unsigned offset = mode_ == Mode::Hexadecimal
                                ? unsigned(cell.row()) * kDataColumns + unsigned(cell.column() - 1)
                                : unsigned(cell.row());
    if (offset >= values_.size()) return std::nullopt;
    return static_cast<Address>(first_ + offset);
}

bool MemoryTableModel::Refresh(const AddressDecoder::PageGenerations& pages) {
    int firstRow = -1;
    int lastRow = -1;
    for (unsigned page = first_ >> 8; page <= unsigned{last_} >> 8; ++page) {
        if (pages[page] == shownPages_[page]) continue;
        shownPages_[page] = pages[page];
        const unsigned from = std::max<unsigned>(page << 8, first_);
        const unsigned to = std::min<unsigned>((page << 8) | 0xFF, last_);
        for (unsigned address = from; address <= to; ++address) {
            const Byte value = memory_.Current(static_cast<Address>(address));
            Byte& shown = values_[address - first_];
            if (shown == value) continue;
            shown = value;
            const int row = RowOf(static_cast<Address>(address));
            if (firstRow < 0) firstRow = row;
            lastRow = row;
        }
    }
    if (firstRow < 0) return false;
    RowsChanged(firstRow, lastRow);
    return true;
}

void MemoryTableModel::BreakpointChanged(Address address) {
    if (address < first_ || address > last_) return;
    if (mode_ == Mode::Hexadecimal) {
        const QModelIndex cell = IndexOf(address);
        emit dataChanged(cell, cell);
    } else {
        RowsChanged(RowOf(address), RowOf(address));
    }
}

void MemoryTableModel::RowsChanged(int firstRow, int lastRow) {
    emit dataChanged(index(firstRow, 1), index(lastRow, kDataColumns));
}

int MemoryTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    const int bytes = static_cast<int>(values_.size());
    return mode_ == Mode::Hexadecimal ? (bytes + kDataColumns - 1) / kDataColumns : bytes;
}

int MemoryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kDataColumns + 1;
}

QVariant MemoryTableModel::data(const QModelIndex& index, int role) const {
    if (index.column() == 0) {
        if (role == kFixedCellRole) return true;
        if (role != Qt::DisplayRole) return {};
        const unsigned rowStart =
            first_ + (mode_ == Mode::Hexadecimal ? unsigned(index.row()) * kDataColumns
                                                 : unsigned(index.row()));
        return HexText(rowStart, 4);
    }
    const auto address = AddressAt(index);
    if (!address) return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    const bool hex = mode_ == Mode::Hexadecimal;
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: {
            const Byte value = Value(*address);
            QString text =
                hex ? HexText(value, 2)
                    : QString(QLatin1Char((value >> (8 - index.column())) & 1 ? '1' : '0'));
            if (role == Qt::DisplayRole && memory_.Decoder().HasBreakpoint(*address))
                text += QLatin1Char('*');
            return text;
        }
        case kEditMaskRole:
            return hex ? kTwoHexDigitsMask : kOneDigitMask;
        default:
            return {};
    }
}

QVariant MemoryTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    const bool hex = mode_ == Mode::Hexadecimal;
    if (section == 0) return hex ? QStringLiteral("Byte") : QStringLiteral("Bit");
    return QString::number(hex ? section - 1 : kDataColumns - section);
}

Qt::ItemFlags MemoryTableModel::flags(const QModelIndex& index) const {
    if (!AddressAt(index)) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

}  // namespace tarvok
