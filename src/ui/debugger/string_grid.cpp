#include "ui/debugger/string_grid.h"

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

namespace tarvok {

namespace {

// Set on an editor once it holds its cell's text: later model changes leave it alone.
constexpr const char* kFilledProperty = "tarvokFilled";

}  // namespace

class StringGrid::Delegate : public QStyledItemDelegate {
public:
    explicit Delegate(StringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& /*option*/,
                          const QModelIndex& index) const override {
        auto* editor = new QLineEdit(parent);
        editor->setFrame(false);
        editor->setInputMask(index.data(kEditMaskRole).toString());
        grid_->EditorOpened(editor, index);
        return editor;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (editor->property(kFilledProperty).toBool()) return;
        static_cast<QLineEdit*>(editor)->setText(index.data(Qt::EditRole).toString());
        editor->setProperty(kFilledProperty, true);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* /*model*/,
                      const QModelIndex& index) const override {
        if (grid_->rules_.commit)
            grid_->rules_.commit(index, static_cast<QLineEdit*>(editor)->text());
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (!index.data(kFixedCellRole).toBool()) {
            QStyledItemDelegate::paint(painter, option, index);
            if (grid_->horizontalLinesOnly_) {
                const QPen pen = painter->pen();
                painter->setPen(grid_->palette().color(QPalette::Midlight));
                painter->drawLine(option.rect.bottomLeft(), option.rect.bottomRight());
                painter->setPen(pen);
            }
            return;
        }
        QStyleOptionHeader header;
        header.initFrom(grid_);
        header.rect = option.rect;
        header.text = index.data(Qt::DisplayRole).toString();
        header.textAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        header.state = QStyle::State_Enabled | QStyle::State_Raised;
        header.position = QStyleOptionHeader::Middle;
        // The style may leave its clip and pen behind.
        painter->save();
        grid_->style()->drawControl(QStyle::CE_Header, &header, painter, grid_);
        painter->restore();
    }

private:
    StringGrid* grid_;
};

StringGrid::StringGrid(QWidget* parent) : QTableView(parent) {
    setItemDelegate(new Delegate(this));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::DoubleClicked);
    setTabKeyNavigation(true);
    setWordWrap(false);
    setCornerButtonEnabled(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionsClickable(false);
}

void StringGrid::SetCellSizes(int rowHeight, const QList<int>& columnWidths) {
    verticalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setDefaultSectionSize(rowHeight);
    horizontalHeader()->setFixedHeight(rowHeight);
    columnWidths_ = columnWidths;
    ApplyColumnWidths();
}

void StringGrid::SpreadExtraWidthFrom(int firstColumn) {
    spreadFrom_ = firstColumn;
    ApplyColumnWidths();
}

void StringGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    if (spreadFrom_ >= 0) ApplyColumnWidths();
}

void StringGrid::ApplyColumnWidths() {
    const int columns = static_cast<int>(columnWidths_.size());
    int extra = 0;
    if (spreadFrom_ >= 0 && spreadFrom_ < columns) {
        int needed = 0;
        for (int width : columnWidths_)
            needed += width;
        extra = std::max(0, viewport()->width() - needed);
    }
    const int sharers = columns - spreadFrom_;
    for (int column = 0; column < columns; ++column) {
        int width = columnWidths_[column];
        if (extra > 0 && column >= spreadFrom_) {
            // The last column takes what the equal shares leave over.
            width += extra / sharers + (column == columns - 1 ? extra % sharers : 0);
        }
        setColumnWidth(column, width);
    }
}

void StringGrid::SetHorizontalLinesOnly() {
    setShowGrid(false);
    horizontalLinesOnly_ = true;
}

int StringGrid::FullWidth() const {
    int width = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
    for (int columnWidth : columnWidths_)
        width += columnWidth;
    return width;
}

QLineEdit* StringGrid::CellEditor() const {
    return editor_;
}

void StringGrid::CloseCellEditor() {
    if (editor_ == nullptr) return;
    QLineEdit* editor = editor_;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void StringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (editor == editor_) editor_ = nullptr;
    QTableView::closeEditor(editor, hint);
}

void StringGrid::EditorOpened(QLineEdit* editor, const QModelIndex& cell) {
    editor_ = editor;
    connect(editor, &QLineEdit::textEdited, this,
            [this, editor, cell = QPersistentModelIndex(cell)] { Keystroke(editor, cell); });
}

void StringGrid::Keystroke(QLineEdit* editor, const QPersistentModelIndex& cell) {
    if (!rules_.check) return;
    switch (rules_.check(cell, editor->text(), editor->hasAcceptableInput())) {
        case EntryState::Incomplete:
            return;
        case EntryState::Invalid:
            QApplication::beep();
            emit Beeped();
            return;
        case EntryState::Complete:
            break;
    }
    const QModelIndex next = rules_.next ? rules_.next(cell) : QModelIndex();
    if (!next.isValid()) return;
    // Moving on commits the entry; the next cell opens for the next entry.
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
    setCurrentIndex(next);
    edit(next);
}

}  // namespace tarvok
