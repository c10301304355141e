#include "ItemTableView.h"

#include "KitAccessibility.h"

#include <QAccessible>

ItemTableView::ItemTableView(QWidget *parent)
    : QTableView(KitAccessibility::beforeBase(parent))
{
}

void ItemTableView::setModel(QAbstractItemModel *model)
{
    for (const QMetaObject::Connection &connection : std::as_const(m_modelWatch))
        disconnect(connection);
    m_modelWatch.clear();
    QTableView::setModel(model);
    ++m_layoutGeneration;
    if (!model)
        return;
    // Every change that can move or remove a cell makes the interfaces of the
    // cells made so far stale; a change of data leaves them as they are.
    const auto changed = [this] { ++m_layoutGeneration; };
    m_modelWatch = {
        connect(model, &QAbstractItemModel::modelReset, this, changed),
        connect(model, &QAbstractItemModel::layoutChanged, this, changed),
        connect(model, &QAbstractItemModel::rowsInserted, this, changed),
        connect(model, &QAbstractItemModel::rowsRemoved, this, changed),
        connect(model, &QAbstractItemModel::rowsMoved, this, changed),
        connect(model, &QAbstractItemModel::columnsInserted, this, changed),
        connect(model, &QAbstractItemModel::columnsRemoved, this, changed),
        connect(model, &QAbstractItemModel::columnsMoved, this, changed),
    };
}

int ItemTableView::childIndexOf(const QModelIndex &index) const
{
    const QAbstractItemModel *items = model();
    if (!items || !index.isValid() || index.model() != items || index.parent() != rootIndex())
        return -1;
    return index.row() * items->columnCount(rootIndex()) + index.column();
}

QModelIndex ItemTableView::indexOfChild(int child) const
{
    const QAbstractItemModel *items = model();
    const int columns = items ? items->columnCount(rootIndex()) : 0;
    if (child < 0 || columns <= 0)
        return QModelIndex();
    return items->index(child / columns, child % columns, rootIndex());
}

void ItemTableView::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // QTableView's own report numbers the cells as if its hidden headers were
    // rows and columns; the report goes out in the interface's numbering.
    if (hasFocus())
        tellAssistiveTools(QAccessible::Focus, current);
    QAbstractItemView::currentChanged(current, previous);
}

void ItemTableView::selectionChanged(const QItemSelection &selected, const QItemSelection &deselected)
{
    if (!selected.isEmpty())
        tellAssistiveTools(QAccessible::SelectionAdd, selected.indexes().value(0));
    if (!deselected.isEmpty())
        tellAssistiveTools(QAccessible::SelectionRemove, deselected.indexes().value(0));
    QAbstractItemView::selectionChanged(selected, deselected);
}

void ItemTableView::tellAssistiveTools(QAccessible::Event change, const QModelIndex &index)
{
    const int child = childIndexOf(index);
    if (!QAccessible::isActive() || child < 0 || !model() || index.row() >= model()->rowCount(rootIndex()))
        return;
    QAccessibleEvent event(this, change);
    event.setChild(child);
    QAccessible::updateAccessibility(&event);
}
