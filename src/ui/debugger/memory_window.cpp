#include "ui/debugger/memory_window.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "ui/debugger/cell_text.h"
#include "ui/debugger/label_entry.h"
#include "ui/debugger/string_grid.h"
#include "ui/message_boxes.h"

namespace tarvok {

namespace {

using Mode = MemoryTableModel::Mode;

QToolButton* SpeedButton(const char* icon, const char* hint, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(icon))));
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setToolTip(QString::fromUtf8(hint));
    return button;
}

QFrame* BevelLine(QWidget* parent) {
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

// The two's complement reading of a byte: "+5", "-128".
QString SignedText(Byte value) {
    if (value < 0x80) return QLatin1Char('+') + QString::number(value);
    return QLatin1Char('-') + QString::number(256 - value);
}

}  // namespace

MemoryWindow::MemoryWindow(MemoryInspector& memory, const QString& caption, Address first,
                           Address last, bool binaryAllowed, QWidget* parent)
    : QWidget(parent, Qt::Window), memory_(memory) {
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(caption);

    model_ = new MemoryTableModel(memory, first, last, this);
    grid_ = new StringGrid(this);
    grid_->setModel(model_);
    grid_->SetHorizontalLinesOnly();
    SizeColumns();
    SetEditRules();

    auto* statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    statusBar->setToolTip(QStringLiteral(
        "fokussierte Adresse, deren Hex-Wert, deren Binärwert, deren Dezimalwert und deren "
        "Dezimalwert im Zweierkomplement"));
    // Each panel is as wide as its longest text.
    const std::array<const char*, 5> widest = {"$FFFF", "$FF", "11111111b", "255d",
                                               "-128 (2er-K.)"};
    for (std::size_t i = 0; i < statusPanels_.size(); ++i) {
        auto* panel = new QLabel(statusBar);
        panel->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        panel->setMinimumWidth(fontMetrics().horizontalAdvance(QString::fromUtf8(widest[i])) + 10);
        statusBar->addWidget(panel, i + 1 == statusPanels_.size() ? 1 : 0);
        statusPanels_[i] = panel;
    }
    labelPanel_ = new QLabel(statusBar);
    labelPanel_->setToolTip(QStringLiteral("Marke an der fokussierten Adresse"));
    labelPanel_->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    labelPanel_->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("MMMMMMMM+255")));
    statusBar->addWidget(labelPanel_);
    labelPanel_->hide();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildSpeedBar(binaryAllowed));
    layout->addWidget(grid_, 1);
    layout->addWidget(statusBar);

    connect(grid_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &MemoryWindow::UpdateStatus);
    grid_->setCurrentIndex(model_->IndexOf(model_->First()));
    UpdateStatus();
    resize(std::max(grid_->FullWidth(), minimumSizeHint().width()),
           grid_->verticalHeader()->defaultSectionSize() * 14 + 80);
}

QWidget* MemoryWindow::BuildSpeedBar(bool binaryAllowed) {
    auto* bar = new QFrame(this);
    bar->setFrameShape(QFrame::StyledPanel);
    bar->setToolTip(QStringLiteral("Schnellstartleiste"));
    binaryButton_ = SpeedButton("binary", "binäre Speicherdarstellung", bar);
    hexButton_ = SpeedButton("hexadecimal", "hexadezimale Speicherdarstellung", bar);
    for (QToolButton* button : {binaryButton_, hexButton_}) {
        button->setCheckable(true);
        button->setAutoExclusive(true);
        button->setEnabled(binaryAllowed);
    }
    hexButton_->setChecked(true);
    breakpointButton_ = SpeedButton("breakpoint", "Breakpoint setzen / löschen", bar);
    auto* goToLabel = new QLabel(QStringLiteral("&Gehe zu:"), bar);
    goToField_ = new QLineEdit(bar);
    MakeLabelField(*goToField_);
    goToField_->setToolTip(QStringLiteral("Adresse in Speichertabelle fokussieren"));
    goToField_->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("WWWWWWWWW")) + 12);
    goToLabel->setBuddy(goToField_);

    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(binaryButton_);
    layout->addWidget(hexButton_);
    layout->addWidget(BevelLine(bar));
    layout->addWidget(breakpointButton_);
    layout->addWidget(BevelLine(bar));
    layout->addWidget(goToLabel);
    layout->addWidget(goToField_);
    layout->addStretch(1);

    connect(binaryButton_, &QToolButton::clicked, this, [this] { SetMode(Mode::Binary); });
    connect(hexButton_, &QToolButton::clicked, this, [this] { SetMode(Mode::Hexadecimal); });
    connect(breakpointButton_, &QToolButton::clicked, this, &MemoryWindow::ToggleBreakpoint);
    connect(goToField_, &QLineEdit::textEdited, this,
            [this](const QString& text) { GoTo(TypedAddressOrLabel(this, text, symbols_)); });
    connect(goToField_, &QLineEdit::returnPressed, this, [this] {
        if (ParseHexEntry(goToField_->text(), 4)) return;  // acted on as it was typed
        GoTo(EnteredAddressOrLabel(this, goToField_->text(), symbols_));
    });
    return bar;
}

void MemoryWindow::SizeColumns() {
    // The first four byte columns stand apart from the last four.
    const int cell = std::max(26, fontMetrics().horizontalAdvance(QStringLiteral("FF*")) + 12);
    QList<int> widths(MemoryTableModel::kDataColumns + 1, cell);
    widths[0] =
        std::max(cell * 3 / 2, fontMetrics().horizontalAdvance(QStringLiteral("FFFF")) + 14);
    if (model_->DisplayMode() == Mode::Hexadecimal) widths[4] = cell * 3 / 2;
    grid_->SetCellSizes(fontMetrics().height() + 6, widths);
    grid_->SpreadExtraWidthFrom(1);  // a window widened for its label panel widens the bytes
}

void MemoryWindow::SetEditRules() {
    CellEditRules rules;
    rules.check = [this](const QModelIndex&, const QString& text, bool complete) {
        if (!complete) return EntryState::Incomplete;
        const bool valid = model_->DisplayMode() == Mode::Hexadecimal
                               ? ParseHexEntry(text, 2).has_value()
                               : text == QLatin1String("0") || text == QLatin1String("1");
        return valid ? EntryState::Complete : EntryState::Invalid;
    };
    rules.next = [this](const QModelIndex& cell) {
        const int column = cell.column() + 1;
        if (column <= MemoryTableModel::kDataColumns &&
            model_->AddressAt(model_->index(cell.row(), column))) {
            return model_->index(cell.row(), column);
        }
        const int row = cell.row() + 1 < model_->rowCount() ? cell.row() + 1 : cell.row();
        return model_->index(row, 1);
    };
    rules.commit = [this](const QModelIndex& cell, const QString& text) { Commit(cell, text); };
    grid_->SetEditRules(std::move(rules));
}

void MemoryWindow::Commit(const QModelIndex& cell, const QString& text) {
    const auto address = model_->AddressAt(cell);
    if (!address) return;
    std::optional<unsigned> value;
    if (model_->DisplayMode() == Mode::Hexadecimal) {
        value = ParseHexEntry(text, 2);
    } else if (text == QLatin1String("0") || text == QLatin1String("1")) {
        // Column 1 is bit 7; the other bits keep what the row shows.
        const unsigned bit = 1u << (MemoryTableModel::kDataColumns - cell.column());
        const Byte shown = model_->Value(*address);
        value = text == QLatin1String("1") ? (shown | bit) : (shown & ~bit);
    }
    // A value that does not convert is dropped: the cell goes on showing the stored byte.
    if (!value) return;
    memory_.Decoder().Write(*address, static_cast<Byte>(*value));
    emit Written();
}

void MemoryWindow::SetMode(Mode mode) {
    if (model_->DisplayMode() == mode) return;
    const Address address = CurrentAddress();
    grid_->CloseCellEditor();
    model_->SetMode(mode);
    SizeColumns();
    grid_->setCurrentIndex(model_->IndexOf(address));
    binaryButton_->setChecked(mode == Mode::Binary);
    hexButton_->setChecked(mode == Mode::Hexadecimal);
}

void MemoryWindow::ToggleBreakpoint() {
    const Address address = CurrentAddress();
    memory_.Decoder().SetBreakpoint(address, !memory_.Decoder().HasBreakpoint(address));
}

void MemoryWindow::GoTo(std::optional<Address> address) {
    if (!address) return;
    if (*address < model_->First() || *address > model_->Last()) {
        ShowMessageBox(
            this, {"Fehlerhafter Eingabewert!",
                   "Die von Ihnen eingegebene Adresse (" + AddressText(*address).toStdString() +
                       ") liegt außerhalb des von diesem Speicherfenster "
                       "dargestellten Speicherbereichs (" +
                       AddressText(model_->First()).toStdString() + " - " +
                       AddressText(model_->Last()).toStdString() + ")!"});
        return;
    }
    const QModelIndex cell = model_->IndexOf(*address);
    grid_->setCurrentIndex(cell);
    grid_->scrollTo(cell);
    grid_->setFocus();
}

Address MemoryWindow::CurrentAddress() const {
    return model_->AddressAt(grid_->currentIndex()).value_or(model_->First());
}

void MemoryWindow::Refresh(const AddressDecoder::PageGenerations& pages) {
    if (model_->Refresh(pages)) UpdateStatus();
}

void MemoryWindow::BreakpointChanged(Address address) {
    model_->BreakpointChanged(address);
}

void MemoryWindow::UpdateStatus() {
    const Address address = CurrentAddress();
    const Byte value = model_->Value(address);
    const std::array<QString, 5> texts = {
        AddressText(address), QLatin1Char('$') + HexText(value, 2),
        QStringLiteral("%1b").arg(value, 8, 2, QLatin1Char('0')), QStringLiteral("%1d").arg(value),
        SignedText(value) + QStringLiteral(" (2er-K.)")};
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (statusPanels_[i]->text() != texts[i]) statusPanels_[i]->setText(texts[i]);
    }
    if (labelPanel_->isVisibleTo(this)) {
        const QString label = QString::fromStdString(symbols_->Describe(address));
        if (labelPanel_->text() != label) labelPanel_->setText(label);
    }
}

QString MemoryWindow::LabelText() const {
    return labelPanel_->text();
}

void MemoryWindow::SetSymbols(const SymbolTable* symbols) {
    symbols_ = symbols;
    const bool labels = symbols_ != nullptr && !symbols_->Empty();
    if (labels != labelPanel_->isVisibleTo(this)) {
        labelPanel_->setVisible(labels);
        labelPanel_->clear();
        // The panel needs room beside the other five.
        if (labels) resize(std::max(width(), minimumSizeHint().width()), height());
    }
    UpdateStatus();
}

QStringList MemoryWindow::StatusTexts() const {
    QStringList texts;
    for (const QLabel* panel : statusPanels_)
        texts << panel->text();
    return texts;
}

void MemoryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    shown_ = true;
    emit VisibilityChanged();
}

void MemoryWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    shown_ = false;
    emit VisibilityChanged();
}

}  // namespace tarvok
