#pragma once

#include <QPointer>
#include <QTableView>
#include <functional>

class QLineEdit;

namespace tarvok {

// Roles under which a grid's model describes a cell beyond its text.
inline constexpr int kEditMaskRole = Qt::UserRole + 1;   // the input mask of its editor
inline constexpr int kFixedCellRole = Qt::UserRole + 2;  // true: drawn as a heading

// What an entry amounts to while its cell editor is open.
enum class EntryState { Incomplete, Invalid, Complete };

// The editing rules of one grid. Every keystroke is checked while the cell editor is open: a
// complete but invalid entry beeps, a complete valid one moves on to the next cell, which
// commits it. A commit hands the text over; a commit that cannot be converted simply leaves the
// cell showing what the model holds.
struct CellEditRules {
    // `complete` is true when every position of the mask is typed.
    std::function<EntryState(const QModelIndex& cell, const QString& text, bool complete)> check;
    // Where a complete entry moves on to; an invalid index stays.
    std::function<QModelIndex(const QModelIndex& cell)> next;
    std::function<void(const QModelIndex& cell, const QString& text)> commit;
};

// A grid of text cells, edited in place with masked line editors. Cells that are not enabled
// are skipped by the cursor; those with kFixedCellRole are drawn like the header. A cell being
// edited keeps what is typed into it whatever the model reports meanwhile.
class StringGrid : public QTableView {
    Q_OBJECT

public:
    explicit StringGrid(QWidget* parent = nullptr);

    void SetEditRules(CellEditRules rules) { rules_ = std::move(rules); }
    // Fixed row height and the width of each column.
    void SetCellSizes(int rowHeight, const QList<int>& columnWidths);
    // A grid shown wider than its columns need gives the extra width to the columns from
    // `firstColumn` on, in equal shares, instead of leaving it blank at the right.
    void SpreadExtraWidthFrom(int firstColumn);
    // Lines between the rows only.
    void SetHorizontalLinesOnly();
    // The width the grid needs to show every column at its set width without a horizontal
    // scroll bar.
    int FullWidth() const;

    // Commits and closes an open cell editor.
    void CloseCellEditor();
    // The open cell editor, if any.
    QLineEdit* CellEditor() const;

signals:
    // A complete entry was invalid; the default beep has sounded.
    void Beeped();

protected:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Delegate;
    friend class Delegate;

    void EditorOpened(QLineEdit* editor, const QModelIndex& cell);
    void Keystroke(QLineEdit* editor, const QPersistentModelIndex& cell);

    CellEditRules rules_;
    QPointer<QLineEdit> editor_;
    void ApplyColumnWidths();

    bool horizontalLinesOnly_ = false;
    QList<int> columnWidths_;
    int spreadFrom_ = -1;  // no spreading
};

}  // namespace tarvok
