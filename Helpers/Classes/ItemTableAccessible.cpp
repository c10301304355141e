#include "ItemTableAccessible.h"

#include "ItemTableView.h"

#include <QItemSelectionModel>
#include <QPersistentModelIndex>

namespace {

// One cell, known by its model index.
class ItemCellAccessible : public KitAccessibility::Leaf,
                           public QAccessibleTableCellInterface,
                           public QAccessibleActionInterface
{
public:
    ItemCellAccessible(ItemTableView *table, const QModelIndex &index)
        : Leaf(table)
        , m_index(index)
    {
    }

    bool isValid() const override
    {
        ItemTableView *view = this->view();
        return view && m_index.isValid() && m_index.model() == view->model()
               && m_index.row() < view->model()->rowCount(view->rootIndex());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return QString();
        switch (kind) {
        case QAccessible::Name: {
            const QVariant spoken = m_index.data(Qt::AccessibleTextRole);
            return spoken.isValid() ? spoken.toString() : m_index.data(Qt::DisplayRole).toString();
        }
        case QAccessible::Description:
            return m_index.data(Qt::AccessibleDescriptionRole).toString();
        default:
            return QString();
        }
    }

    QRect rect() const override
    {
        if (!isValid() || !view()->isVisible())
            return QRect();
        const QRect local = view()->visualRect(m_index);
        return QRect(view()->viewport()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const Qt::ItemFlags flags = m_index.flags();
        state.disabled = !(flags & Qt::ItemIsEnabled) || !view()->isEnabled();
        state.selectable = bool(flags & Qt::ItemIsSelectable);
        state.selected = view()->selectionModel() && view()->selectionModel()->isSelected(m_index);
        state.focusable = true;
        state.focused = view()->hasFocus() && view()->currentIndex() == QModelIndex(m_index);
        state.invisible = !view()->isVisible() || view()->isRowHidden(m_index.row());
        state.offscreen = !view()->viewport()->rect().intersects(view()->visualRect(m_index));
        if (flags & Qt::ItemIsUserCheckable) {
            state.checkable = true;
            state.checked = m_index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        }
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TableCellInterface)
            return static_cast<QAccessibleTableCellInterface *>(this);
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface *>(this);
        return nullptr;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return state().selected; }
    QList<QAccessibleInterface *> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface *> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return isValid() ? m_index.column() : -1; }
    int rowIndex() const override { return isValid() ? m_index.row() : -1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface *table() const override { return parent(); }

    // QAccessibleActionInterface: choosing is a click on the row; a box is
    // switched as a click on it switches it.
    QStringList actionNames() const override
    {
        if (!isValid())
            return {};
        QStringList names{pressAction()};
        if (m_index.flags() & Qt::ItemIsUserCheckable)
            names.append(toggleAction());
        return names;
    }
    void doAction(const QString &action) override
    {
        if (!isValid())
            return;
        if (action == pressAction()) {
            view()->setCurrentIndex(m_index);
        } else if (action == toggleAction() && (m_index.flags() & Qt::ItemIsUserCheckable)) {
            const bool on = m_index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
            view()->model()->setData(m_index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        }
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

    QModelIndex index() const { return m_index; }

private:
    ItemTableView *view() const { return static_cast<ItemTableView *>(owner()); }

    QPersistentModelIndex m_index;
};

} // namespace

ItemTableAccessible::ItemTableAccessible(ItemTableView *table)
    : QAccessibleWidget(table, QAccessible::Table)
{
}

ItemTableView *ItemTableAccessible::table() const
{
    return static_cast<ItemTableView *>(widget());
}

int ItemTableAccessible::rowCount() const
{
    const QAbstractItemModel *items = table()->model();
    return items ? items->rowCount(table()->rootIndex()) : 0;
}

int ItemTableAccessible::columnCount() const
{
    const QAbstractItemModel *items = table()->model();
    return items ? items->columnCount(table()->rootIndex()) : 0;
}

int ItemTableAccessible::childCount() const
{
    return rowCount() * columnCount();
}

QAccessibleInterface *ItemTableAccessible::child(int index) const
{
    // Only the cells the table has now: a query made for rows that have gone
    // answers nothing, and cells made before the rows changed are let go.
    if (m_generation != table()->layoutGeneration()) {
        m_cells.clear();
        m_generation = table()->layoutGeneration();
    }
    const QModelIndex cell = table()->indexOfChild(index);
    if (!cell.isValid())
        return nullptr;
    return m_cells.at(
        index, [&cell](QAccessibleInterface *kept) { return static_cast<ItemCellAccessible *>(kept)->index() == cell; },
        [this, &cell] { return new ItemCellAccessible(table(), cell); });
}

int ItemTableAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child || child->object() || child->parent() != this || child->role() != QAccessible::Cell)
        return -1;
    return table()->childIndexOf(static_cast<const ItemCellAccessible *>(child)->index());
}

QAccessibleInterface *ItemTableAccessible::childAt(int x, int y) const
{
    const QPoint inViewport = table()->viewport()->mapFromGlobal(QPoint(x, y));
    return child(table()->childIndexOf(table()->indexAt(inViewport)));
}

QAccessibleInterface *ItemTableAccessible::focusChild() const
{
    return table()->hasFocus() ? child(table()->childIndexOf(table()->currentIndex())) : nullptr;
}

void *ItemTableAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TableInterface)
        return static_cast<QAccessibleTableInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString ItemTableAccessible::columnDescription(int column) const
{
    const QAbstractItemModel *items = table()->model();
    return items ? items->headerData(column, Qt::Horizontal).toString() : QString();
}

QString ItemTableAccessible::rowDescription(int row) const
{
    const QAbstractItemModel *items = table()->model();
    return items ? items->headerData(row, Qt::Vertical).toString() : QString();
}

QAccessibleInterface *ItemTableAccessible::cellAt(int row, int column) const
{
    if (row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return nullptr;
    return child(row * columnCount() + column);
}

int ItemTableAccessible::selectedCellCount() const
{
    const QItemSelectionModel *selection = table()->selectionModel();
    return selection ? int(selection->selectedIndexes().size()) : 0;
}

QList<QAccessibleInterface *> ItemTableAccessible::selectedCells() const
{
    QList<QAccessibleInterface *> cells;
    if (const QItemSelectionModel *selection = table()->selectionModel()) {
        for (const QModelIndex &index : selection->selectedIndexes()) {
            if (QAccessibleInterface *cell = child(table()->childIndexOf(index)))
                cells.append(cell);
        }
    }
    return cells;
}

int ItemTableAccessible::selectedRowCount() const
{
    return int(selectedRows().size());
}

QList<int> ItemTableAccessible::selectedRows() const
{
    QList<int> rows;
    if (const QItemSelectionModel *selection = table()->selectionModel()) {
        for (const QModelIndex &index : selection->selectedRows())
            rows.append(index.row());
    }
    return rows;
}

bool ItemTableAccessible::isRowSelected(int row) const
{
    const QItemSelectionModel *selection = table()->selectionModel();
    return selection && row >= 0 && row < rowCount() && selection->isRowSelected(row, table()->rootIndex());
}

bool ItemTableAccessible::selectRow(int row)
{
    // As a click on the row: it becomes the current one, and chosen.
    if (row < 0 || row >= rowCount() || columnCount() == 0)
        return false;
    table()->setCurrentIndex(table()->model()->index(row, 0, table()->rootIndex()));
    return true;
}

void ItemTableAccessible::modelChange(QAccessibleTableModelChangeEvent *)
{
    // The view counts the changes itself, from the model's own signals;
    // nothing is kept here that a change of data would make stale.
}
