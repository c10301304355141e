#pragma once

#include <CustomScrollerView.h>

#include <QAccessible>

#include <functional>

class QVBoxLayout;

// A single-column table of cell views in a scroll view that the extension
// popover can freeze: the owner answers the row count, the cell of a row and
// whether a row may be selected; reloadData() asks again. A click on a row
// selects it, a click below the last row clears the selection, and each
// change of the selection made by the user is reported once.
//
// From the keyboard the table is one stop of the Tab order (its cells take
// no focus). It has a current row, where the keys act: the arrows, Home, End,
// Page Up and Page Down move it and select the row they reach, as a click
// would; Space and Return select it, and Space is also reported, for the
// owner to act on the row. While the table has the focus its current row
// wears the focus ring and its selection the strong highlight.
//
// Assistive tools see a list of its rows (PaneTableAccessible), told when the
// keyboard's row, the chosen row, a row's box or the rows themselves change.
class PaneTableView : public CustomScrollerView
{
    Q_OBJECT

public:
    explicit PaneTableView(QWidget *parent = nullptr);

    std::function<int()> numberOfRows;
    std::function<QWidget *(int row)> viewForRow;
    std::function<bool(int row)> shouldSelectRow;

    // Rebuilds every row. The selection stays on its index while that row
    // still exists and is cleared otherwise, without a report.
    void reloadData();
    int rowCount() const;
    // -1 when no row is selected.
    int selectedRow() const { return m_selectedRow; }
    // Where the keys act: the selected row, or the row the keys left last;
    // -1 until the table has rows and has had the focus.
    int currentRow() const { return m_currentRow; }
    // Selects nothing, without a report; the current row stays.
    void clearSelection();
    // The cell shown in the row, or nothing for a row that does not exist.
    QWidget *viewAtRow(int row) const;
    // The row a cell shows, or -1 for a cell the table does not hold.
    int rowOf(const QWidget *cell) const;
    void scrollRowToVisible(int row);
    // Shows or takes away both scrollers.
    void setScrollersShown(bool shown);

    // As a click on the row would (-1: on the empty area below the rows).
    void clickRow(int row);

signals:
    void selectionDidChange();
    // Space was pressed on the current row, after it was selected.
    void spacePressed(int row);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Rows;
    friend class Rows;

    void setSelectedRow(int row);
    void setCurrentRow(int row);
    void tellAssistiveTools(QAccessible::Event change, int row = -1);
    // As a click on the row, from the keyboard: the row becomes current.
    void chooseRow(int row);
    // Rows a page of the view holds, at least one.
    int rowsPerPage() const;
    void paintSelection();

    Rows *m_rows;
    QVBoxLayout *m_layout;
    QList<QWidget *> m_cells;
    int m_selectedRow = -1;
    int m_currentRow = -1;
};
