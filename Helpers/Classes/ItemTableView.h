#pragma once

#include <QAccessible>
#include <QTableView>

// A table view that assistive tools see as what it shows: a table of the rows
// and columns of its model and nothing else (its headers are hidden, so they
// are not offered), each cell named by its text and, where it has a box,
// checkable. Qt's own interface counts hidden headers as rows and columns,
// keeps cells of rows that have gone and answers a stale query with a
// warning; this one follows the model as it changes and answers only for
// cells that exist.
//
// The view tells assistive tools which cell has the keyboard and which are
// chosen, in the interface's own numbering of the cells: row by row, one
// child a cell.
class ItemTableView : public QTableView
{
    Q_OBJECT

public:
    explicit ItemTableView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;

    // Counts the changes of the model's rows and columns, so that interfaces
    // made for earlier rows are let go.
    quint64 layoutGeneration() const { return m_layoutGeneration; }

    // The number of a cell among the interface's children; -1 for none.
    int childIndexOf(const QModelIndex &index) const;
    // The cell a child number stands for; invalid for a number it has not.
    QModelIndex indexOfChild(int child) const;

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void selectionChanged(const QItemSelection &selected, const QItemSelection &deselected) override;

private:
    void tellAssistiveTools(QAccessible::Event change, const QModelIndex &index);

    quint64 m_layoutGeneration = 0;
    QList<QMetaObject::Connection> m_modelWatch;
};
