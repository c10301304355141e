#pragma once

#include <CustomScrollerView.h>

#include <functional>

class QVBoxLayout;

// A single-column table of cell views in a scroll view that the extension
// popover can freeze: the owner answers the row count, the cell of a row and
// whether a row may be selected; reloadData() asks again. A click on a row
// selects it, a click below the last row clears the selection, and each
// change of the selection made by the user is reported once.
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
    // The cell shown in the row, or nothing for a row that does not exist.
    QWidget *viewAtRow(int row) const;
    void scrollRowToVisible(int row);
    // Shows or takes away both scrollers.
    void setScrollersShown(bool shown);

    // As a click on the row would (-1: on the empty area below the rows).
    void clickRow(int row);

signals:
    void selectionDidChange();

private:
    class Rows;
    friend class Rows;

    void setSelectedRow(int row);
    void paintSelection();

    Rows *m_rows;
    QVBoxLayout *m_layout;
    QList<QWidget *> m_cells;
    int m_selectedRow = -1;
};
