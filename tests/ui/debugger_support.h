#pragma once

#include <QLineEdit>
#include <QTest>

#include "ui/debugger/cell_text.h"
#include "ui/debugger/debugger_windows.h"
#include "ui/debugger/string_grid.h"
#include "ui/main_window.h"

namespace tarvok::test {

inline QString CellText(const StringGrid* grid, int row, int column) {
    return grid->model()->index(row, column).data().toString();
}

inline QStringList RowTexts(const StringGrid* grid, int row) {
    QStringList cells;
    for (int column = 0; column < grid->model()->columnCount(); ++column)
        cells << CellText(grid, row, column);
    return cells;
}

inline QStringList HeaderTexts(const StringGrid* grid) {
    QStringList headers;
    for (int column = 0; column < grid->model()->columnCount(); ++column)
        headers << grid->model()->headerData(column, Qt::Horizontal).toString();
    return headers;
}

// Makes `cell` the grid's current cell, with the keyboard focus in the grid.
inline void Select(StringGrid* grid, int row, int column) {
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(row, column));
}

// Types `keys` as the user does: the first key opens the current cell's editor, the others go
// to whichever editor is open then.
inline void Type(StringGrid* grid, const QString& keys) {
    for (const QChar key : keys) {
        QWidget* target = grid;
        if (QLineEdit* editor = grid->CellEditor()) target = editor;
        QTest::keyClick(target, key.toLatin1());
    }
}

// Commits the open editor with the Enter key (the commit comes from the event loop).
inline void PressEnter(StringGrid* grid) {
    QTest::keyClick(grid->CellEditor(), Qt::Key_Return);
    QCoreApplication::processEvents();
}

// Types into an address field the way the user does.
inline void TypeAddress(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

}  // namespace tarvok::test
