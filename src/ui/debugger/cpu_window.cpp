#include "ui/debugger/cpu_window.h"

#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <array>

#include "ui/debugger/cell_text.h"
#include "ui/debugger/string_grid.h"

namespace tarvok {

namespace {

constexpr int kHexColumn = 2;
constexpr int kDecimalColumn = 3;
constexpr int kFlagsValueRow = 1;
constexpr int kFlagCount = 8;

// One row of the register and trace pages: the register, its width and where the monitor's
// register image keeps it (high byte first; 8-bit registers have no second address).
struct RegisterRow {
    const char* name;
    Mc6809Register reg;
    bool wide;
    Address imageHigh;
    Address imageLow;
};

constexpr std::array<RegisterRow, 10> kRegisterRows = {{
    {"A", Mc6809Register::A, false, 0x00F5, 0},
    {"B", Mc6809Register::B, false, 0x00F6, 0},
    {"D", Mc6809Register::D, true, 0x00F5, 0x00F6},
    {"PC", Mc6809Register::PC, true, 0x00FE, 0x00FF},
    {"X", Mc6809Register::X, true, 0x00F8, 0x00F9},
    {"Y", Mc6809Register::Y, true, 0x00FA, 0x00FB},
    {"U", Mc6809Register::U, true, 0x00FC, 0x00FD},
    {"S", Mc6809Register::S, true, 0x00F2, 0x00F3},
    {"DP", Mc6809Register::DP, false, 0x00F7, 0},
    {"CC", Mc6809Register::CC, false, 0x00F4, 0},
}};

int Digits(const RegisterRow& row) {
    return row.wide ? 4 : 2;
}

unsigned MaxValue(const RegisterRow& row) {
    return row.wide ? 0xFFFF : 0xFF;
}

std::uint16_t RegisterValue(const Mc6809State& s, Mc6809Register reg) {
    switch (reg) {
        case Mc6809Register::A:
            return s.d >> 8;
        case Mc6809Register::B:
            return s.d & 0xFF;
        case Mc6809Register::D:
            return s.d;
        case Mc6809Register::X:
            return s.x;
        case Mc6809Register::Y:
            return s.y;
        case Mc6809Register::U:
            return s.u;
        case Mc6809Register::S:
            return s.s;
        case Mc6809Register::PC:
            return s.pc;
        case Mc6809Register::DP:
            return s.dp;
        case Mc6809Register::CC:
            return s.cc;
    }
    return 0;
}

void SetRegister(Mc6809& cpu, Mc6809Register reg, std::uint16_t value) {
    const auto byte = static_cast<Byte>(value);
    switch (reg) {
        case Mc6809Register::A:
            return cpu.SetA(byte);
        case Mc6809Register::B:
            return cpu.SetB(byte);
        case Mc6809Register::D:
            return cpu.SetD(value);
        case Mc6809Register::X:
            return cpu.SetX(value);
        case Mc6809Register::Y:
            return cpu.SetY(value);
        case Mc6809Register::U:
            return cpu.SetU(value);
        case Mc6809Register::S:
            return cpu.SetS(value);
        case Mc6809Register::PC:
            // A program waiting in SYNC or CWAI goes on at the new PC.
            if (value == cpu.PC()) return;
            cpu.SetPC(value);
            return cpu.EndWait();
        case Mc6809Register::DP:
            return cpu.SetDP(byte);
        case Mc6809Register::CC:
            return cpu.SetCC(byte);
    }
}

// A value typed into the register or trace page: hexadecimal with all digits, or decimal.
std::optional<unsigned> RegisterEntry(const QModelIndex& cell, const QString& text) {
    const RegisterRow& row = kRegisterRows[static_cast<std::size_t>(cell.row())];
    return cell.column() == kHexColumn ? ParseHexEntry(text, Digits(row))
                                       : ParseDecimalEntry(text, MaxValue(row));
}

// A grid's cells; the leading `fixedColumns` columns and `fixedRows` rows are headings, the
// others are editable when `editable` is set.
QStandardItemModel* MakeCells(int rows, const QStringList& headers, int fixedColumns, int fixedRows,
                              bool editable, QObject* parent) {
    auto* model = new QStandardItemModel(rows, static_cast<int>(headers.size()), parent);
    model->setHorizontalHeaderLabels(headers);
    for (int row = 0; row < rows; ++row) {
        for (int column = 0; column < headers.size(); ++column) {
            auto* item = new QStandardItem;
            if (row < fixedRows || column < fixedColumns) {
                item->setFlags(Qt::NoItemFlags);
                item->setData(true, kFixedCellRole);
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable |
                               (editable ? Qt::ItemIsEditable : Qt::NoItemFlags));
            }
            model->setItem(row, column, item);
        }
    }
    return model;
}

void SetCell(QStandardItemModel* model, int row, int column, const QString& text) {
    QStandardItem* item = model->item(row, column);
    if (item->text() != text) item->setText(text);
}

// The register and trace pages share their layout.
QStandardItemModel* MakeRegisterCells(QObject* parent) {
    auto* model = MakeCells(static_cast<int>(kRegisterRows.size()),
                            {QStringLiteral("Reg."), QStringLiteral("Bits"),
                             QStringLiteral("Wert (hex)"), QStringLiteral("Wert (dez)")},
                            2, 0, true, parent);
    for (std::size_t i = 0; i < kRegisterRows.size(); ++i) {
        const RegisterRow& row = kRegisterRows[i];
        const int r = static_cast<int>(i);
        SetCell(model, r, 0, QString::fromLatin1(row.name));
        SetCell(model, r, 1, row.wide ? QStringLiteral("16") : QStringLiteral("8"));
        model->item(r, kHexColumn)
            ->setData(row.wide ? kFourHexDigitsMask : kTwoHexDigitsMask, kEditMaskRole);
        model->item(r, kDecimalColumn)
            ->setData(row.wide ? kFiveDecimalDigitsMask : kThreeDecimalDigitsMask, kEditMaskRole);
    }
    return model;
}

void ShowValue(QStandardItemModel* model, int row, unsigned value, int digits) {
    SetCell(model, row, kHexColumn, HexText(value, digits));
    SetCell(model, row, kDecimalColumn, QString::number(value));
}

StringGrid* MakeGrid(QStandardItemModel* model, const QList<int>& widths, QWidget* parent) {
    auto* grid = new StringGrid(parent);
    grid->setModel(model);
    const QFontMetrics metrics = grid->fontMetrics();
    QList<int> columnWidths;
    for (int column = 0; column < widths.size(); ++column) {
        const QString header = model->horizontalHeaderItem(column)->text();
        columnWidths << std::max(widths[column], metrics.horizontalAdvance(header) + 14);
    }
    const int rowHeight = std::max(24, metrics.height() + 8);
    grid->SetCellSizes(rowHeight, columnWidths);
    grid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    int width = 2 * grid->frameWidth();
    for (const int w : columnWidths)
        width += w;
    grid->setFixedSize(width, rowHeight * (model->rowCount() + 1) + 2 * grid->frameWidth());
    return grid;
}

QWidget* Page(StringGrid* grid) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(grid, 0, Qt::AlignLeft | Qt::AlignTop);
    layout->addStretch(1);
    return page;
}

}  // namespace

CpuWindow::CpuWindow(Machine& machine, QWidget* parent)
    : QWidget(parent, Qt::Window), machine_(machine) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("CPU-Fenster (MC6809)"));
    BuildPages();
    SetEditRules();
    ShowState(machine_.Cpu().State());
    RefreshTrace();
    traceTimer_.setInterval(kTraceMilliseconds);
    connect(&traceTimer_, &QTimer::timeout, this, &CpuWindow::RefreshTrace);
}

CpuWindow::~CpuWindow() {
    machine_.Cpu().RemoveListener(this);
    machine_.RemoveListener(this);
}

void CpuWindow::BuildPages() {
    registers_ = MakeRegisterCells(this);
    trace_ = MakeRegisterCells(this);
    QStringList bitNumbers;
    for (int bit = kFlagCount - 1; bit >= 0; --bit)
        bitNumbers << QString::number(bit);
    flags_ = MakeCells(2, bitNumbers, 0, 1, true, this);
    const char* flagNames = "EFHINZVC";
    for (int column = 0; column < kFlagCount; ++column) {
        SetCell(flags_, 0, column, QString(QLatin1Char(flagNames[column])));
        flags_->item(kFlagsValueRow, column)->setData(kOneDigitMask, kEditMaskRole);
    }
    interrupts_ = MakeCells(
        3, {QStringLiteral("Eingang"), QStringLiteral("Pegel"), QStringLiteral("Interruptanfrage")},
        1, 0, false, this);
    SetCell(interrupts_, 0, 0, QStringLiteral("FIRQ"));
    SetCell(interrupts_, 1, 0, QStringLiteral("IRQ"));
    SetCell(interrupts_, 2, 0, QStringLiteral("NMI"));

    const QList<int> registerWidths = {32, 32, 64, 64};
    registerGrid_ = MakeGrid(registers_, registerWidths, this);
    traceGrid_ = MakeGrid(trace_, registerWidths, this);
    flagsGrid_ = MakeGrid(flags_, QList<int>(kFlagCount, 26), this);
    interruptsGrid_ = MakeGrid(interrupts_, {56, 56, 112}, this);
    interruptsGrid_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    pages_ = new QTabWidget(this);
    pages_->setUsesScrollButtons(false);
    pages_->addTab(Page(registerGrid_), QStringLiteral("CPU-Register"));
    pages_->addTab(Page(flagsGrid_), QStringLiteral("Statusregister-Flags"));
    pages_->addTab(Page(interruptsGrid_), QStringLiteral("Interrupt-Eingänge"));
    pages_->addTab(Page(traceGrid_), QStringLiteral("Trace"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(pages_);
    pcLabel_ = new QLabel(this);
    pcLabel_->setToolTip(QStringLiteral("Marke am Befehlszähler"));
    pcLabel_->hide();
    layout->addWidget(pcLabel_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CpuWindow::SetEditRules() {
    // Hexadecimal entries are checked as they are typed: a complete one moves on to the decimal
    // cell, which commits it. Decimal entries are checked when committed.
    const auto checkRegister = [](const QModelIndex& cell, const QString& text, bool complete) {
        if (cell.column() != kHexColumn || text.isEmpty()) return EntryState::Incomplete;
        if (RegisterEntry(cell, text)) return EntryState::Complete;
        return complete ? EntryState::Invalid : EntryState::Incomplete;
    };
    const auto toDecimal = [](const QModelIndex& cell) {
        return cell.siblingAtColumn(kDecimalColumn);
    };
    registerGrid_->SetEditRules(
        {checkRegister, toDecimal,
         [this](const QModelIndex& cell, const QString& text) { CommitRegister(cell, text); }});
    traceGrid_->SetEditRules(
        {checkRegister, toDecimal,
         [this](const QModelIndex& cell, const QString& text) { CommitTrace(cell, text); }});
    flagsGrid_->SetEditRules(
        {[](const QModelIndex&, const QString& text, bool complete) {
             if (!complete) return EntryState::Incomplete;
             return text == QLatin1String("0") || text == QLatin1String("1") ? EntryState::Complete
                                                                             : EntryState::Invalid;
         },
         [](const QModelIndex& cell) {
             return cell.siblingAtColumn((cell.column() + 1) % kFlagCount);
         },
         [this](const QModelIndex& cell, const QString& text) { CommitFlag(cell, text); }});
}

void CpuWindow::CommitRegister(const QModelIndex& cell, const QString& text) {
    // A value that does not convert is dropped: the cell goes on showing the register.
    if (const auto value = RegisterEntry(cell, text)) {
        SetRegister(machine_.Cpu(), kRegisterRows[static_cast<std::size_t>(cell.row())].reg,
                    static_cast<std::uint16_t>(*value));
    }
}

void CpuWindow::CommitFlag(const QModelIndex& cell, const QString& text) {
    if (text != QLatin1String("0") && text != QLatin1String("1")) return;
    Byte cc = 0;
    for (int column = 0; column < kFlagCount; ++column) {
        const QString bit =
            column == cell.column() ? text : flags_->item(kFlagsValueRow, column)->text();
        if (bit == QLatin1String("1")) cc |= static_cast<Byte>(0x80 >> column);
    }
    machine_.Cpu().SetCC(cc);
}

void CpuWindow::CommitTrace(const QModelIndex& cell, const QString& text) {
    const auto value = RegisterEntry(cell, text);
    if (!value) return;  // the next refresh shows memory again
    const RegisterRow& row = kRegisterRows[static_cast<std::size_t>(cell.row())];
    AddressDecoder& decoder = machine_.Decoder();
    if (row.wide) {
        decoder.Write(row.imageHigh, static_cast<Byte>(*value >> 8));
        decoder.Write(row.imageLow, static_cast<Byte>(*value));
    } else {
        decoder.Write(row.imageHigh, static_cast<Byte>(*value));
    }
    RefreshTrace();
}

void CpuWindow::RefreshTrace() {
    AddressDecoder& decoder = machine_.Decoder();
    for (std::size_t i = 0; i < kRegisterRows.size(); ++i) {
        const RegisterRow& row = kRegisterRows[i];
        unsigned value = decoder.Read(row.imageHigh, true);
        if (row.wide) value = (value << 8) | decoder.Read(row.imageLow, true);
        ShowValue(trace_, static_cast<int>(i), value, Digits(row));
    }
}

void CpuWindow::ShowState(const Mc6809State& state) {
    for (std::size_t i = 0; i < kRegisterRows.size(); ++i) {
        const RegisterRow& row = kRegisterRows[i];
        ShowValue(registers_, static_cast<int>(i), RegisterValue(state, row.reg), Digits(row));
    }
    for (int column = 0; column < kFlagCount; ++column) {
        const bool set = (state.cc & (0x80 >> column)) != 0;
        SetCell(flags_, kFlagsValueRow, column, set ? QStringLiteral("1") : QStringLiteral("0"));
    }
    // The inputs are active low.
    const std::array<bool, 3> levels = {state.firq.line, state.irq.line, state.nmi.line};
    for (int row = 0; row < 3; ++row) {
        const bool high = levels[static_cast<std::size_t>(row)];
        SetCell(interrupts_, row, 1, high ? QStringLiteral("high") : QStringLiteral("low"));
        SetCell(interrupts_, row, 2, high ? QStringLiteral("nein") : QStringLiteral("ja"));
    }
    if (symbols_ == nullptr || symbols_->Empty()) return;
    const std::string label = symbols_->Describe(state.pc);
    const QString text = QStringLiteral("PC: ") +
                         (label.empty() ? QStringLiteral("–") : QString::fromStdString(label));
    if (pcLabel_->text() != text) pcLabel_->setText(text);
}

void CpuWindow::SetSymbols(const SymbolTable* symbols) {
    symbols_ = symbols;
    pcLabel_->setVisible(symbols_ != nullptr && !symbols_->Empty());
    ShowState(machine_.Cpu().State());
}

void CpuWindow::ShowFrame(const MachineSnapshot& snapshot) {
    if (snapshot.generations.cpu == shownCpuGeneration_) return;
    shownCpuGeneration_ = snapshot.generations.cpu;
    ShowState(snapshot.cpu);
}

void CpuWindow::RegisterChanged(Mc6809Register /*reg*/, std::uint16_t /*value*/) {
    ShowState(machine_.Cpu().State());
}

void CpuWindow::InputLevelChanged(std::uint16_t /*input*/, bool /*level*/) {
    ShowState(machine_.Cpu().State());
}

void CpuWindow::SystemRunningChanged(bool /*running*/) {
    UpdateSubscriptions();
}

// The processor's notices come with every instruction while the system runs: the window hears
// them only while it is shown and the system stands still, and otherwise shows frames.
void CpuWindow::UpdateSubscriptions() {
    const bool follow = shown_ && !machine_.SystemRunning();
    if (follow == followingCpu_) return;
    followingCpu_ = follow;
    if (follow) {
        machine_.Cpu().AddListener(this);
        ShowState(machine_.Cpu().State());
    } else {
        machine_.Cpu().RemoveListener(this);
    }
}

void CpuWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    shown_ = true;
    machine_.AddListener(this);
    UpdateSubscriptions();
    RefreshTrace();
    traceTimer_.start();
}

void CpuWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    shown_ = false;
    machine_.RemoveListener(this);
    UpdateSubscriptions();
    traceTimer_.stop();
}

}  // namespace tarvok
