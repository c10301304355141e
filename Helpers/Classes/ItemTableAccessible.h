#pragma once

#include <KitAccessibility.h>

#include <QAccessibleWidget>

class ItemTableView;

// The interface an ItemTableView offers assistive tools: a table of the
// cells of its model, row by row; no header is offered, as none is shown. A
// query for a cell the table does not have answers nothing, and the cells
// handed out before the rows changed are let go once they have.
class ItemTableAccessible : public QAccessibleWidget, public QAccessibleTableInterface
{
public:
    explicit ItemTableAccessible(ItemTableView *table);

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;
    void *interface_cast(QAccessible::InterfaceType type) override;

    // QAccessibleTableInterface
    QAccessibleInterface *caption() const override { return nullptr; }
    QAccessibleInterface *summary() const override { return nullptr; }
    QString columnDescription(int column) const override;
    QString rowDescription(int row) const override;
    int columnCount() const override;
    int rowCount() const override;
    QAccessibleInterface *cellAt(int row, int column) const override;
    int selectedCellCount() const override;
    QList<QAccessibleInterface *> selectedCells() const override;
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override;
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override;
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override;
    bool selectRow(int row) override;
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent *event) override;

private:
    ItemTableView *table() const;

    mutable KitAccessibility::ChildInterfaces m_cells;
    // The view's layout generation the kept cells were made in.
    mutable quint64 m_generation = 0;
};
