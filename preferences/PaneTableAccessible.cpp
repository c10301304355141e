#include "PaneTableAccessible.h"

#include "PaneTableView.h"

#include <KitAccessibility.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QCheckBox>
#include <QLabel>
#include <QPointer>

namespace {

// One row, known by the cell that shows it: a reload makes new cells, and an
// interface for a cell that has gone answers as invalid.
class PaneRowAccessible : public KitAccessibility::Leaf, public QAccessibleActionInterface
{
public:
    PaneRowAccessible(PaneTableView *table, QWidget *cell)
        : Leaf(table)
        , m_cell(cell)
    {
    }

    QWidget *cell() const { return m_cell; }
    int row() const { return table() && m_cell ? table()->rowOf(m_cell) : -1; }

    bool isValid() const override { return row() >= 0; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }

    QString text(QAccessible::Text kind) const override
    {
        if (kind != QAccessible::Name || !isValid())
            return QString();
        if (!m_cell->accessibleName().isEmpty())
            return m_cell->accessibleName();
        // Otherwise what the row reads: the text of its label.
        for (const QLabel *label : m_cell->findChildren<QLabel *>()) {
            if (!label->text().isEmpty())
                return label->text();
        }
        return QString();
    }

    QRect rect() const override
    {
        if (!isValid() || !m_cell->isVisible())
            return QRect();
        return QRect(m_cell->mapToGlobal(QPoint(0, 0)), m_cell->size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const int at = row();
        state.selectable = true;
        state.selected = at == table()->selectedRow();
        state.focusable = true;
        state.focused = table()->hasFocus() && at == table()->currentRow();
        state.disabled = !table()->isEnabled();
        state.invisible = !table()->isVisible();
        const QRect inViewport(m_cell->mapTo(table()->viewport(), QPoint(0, 0)), m_cell->size());
        state.offscreen = !table()->viewport()->rect().intersects(inViewport);
        if (const QCheckBox *box = m_cell->findChild<QCheckBox *>()) {
            state.checkable = true;
            state.checked = box->isChecked();
        }
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    // Choosing the row is a click on it; the box, where there is one, is
    // switched as a click on the box switches it.
    QStringList actionNames() const override
    {
        QStringList names{pressAction()};
        if (isValid() && m_cell->findChild<QCheckBox *>())
            names.append(toggleAction());
        return names;
    }
    void doAction(const QString &action) override
    {
        if (!isValid())
            return;
        if (action == pressAction())
            table()->clickRow(row());
        else if (action == toggleAction())
            if (QCheckBox *box = m_cell->findChild<QCheckBox *>())
                box->click();
    }
    QStringList keyBindingsForAction(const QString &action) const override
    {
        if (action == toggleAction())
            return {QStringLiteral("Space")};
        return {};
    }

private:
    PaneTableView *table() const { return static_cast<PaneTableView *>(owner()); }

    QPointer<QWidget> m_cell;
};

class PaneTableViewAccessible : public QAccessibleWidget
{
public:
    explicit PaneTableViewAccessible(PaneTableView *table)
        : QAccessibleWidget(table, QAccessible::List)
    {
    }

    int childCount() const override { return table()->rowCount(); }

    QAccessibleInterface *child(int index) const override
    {
        // Only the rows the table has: a query for any other answers nothing.
        QWidget *cell = table()->viewAtRow(index);
        if (!cell)
            return nullptr;
        // A reload makes new cells: an interface kept for an older one goes.
        return m_rows.at(
            index, [cell](QAccessibleInterface *kept) { return static_cast<PaneRowAccessible *>(kept)->cell() == cell; },
            [this, cell] { return new PaneRowAccessible(table(), cell); });
    }

    int indexOfChild(const QAccessibleInterface *child) const override
    {
        if (!child || child->role() != QAccessible::ListItem || child->object() || child->parent() != this)
            return -1;
        const auto *row = static_cast<const PaneRowAccessible *>(child);
        return row->cell() ? int(table()->rowOf(row->cell())) : -1;
    }

    QAccessibleInterface *childAt(int x, int y) const override
    {
        for (int index = 0; index < childCount(); ++index) {
            QAccessibleInterface *row = child(index);
            if (row && row->rect().contains(x, y))
                return row;
        }
        return nullptr;
    }

    QAccessibleInterface *focusChild() const override
    {
        return table()->hasFocus() ? child(table()->currentRow()) : nullptr;
    }

private:
    PaneTableView *table() const { return static_cast<PaneTableView *>(widget()); }

    mutable KitAccessibility::ChildInterfaces m_rows;
};

QAccessibleInterface *paneTableInterface(const QString &className, QObject *object)
{
    if (className != QLatin1String("PaneTableView"))
        return nullptr;
    auto *table = qobject_cast<PaneTableView *>(object);
    return table ? new PaneTableViewAccessible(table) : nullptr;
}

} // namespace

namespace PaneTableAccessible {

void install()
{
    static const bool installed = (QAccessible::installFactory(paneTableInterface), true);
    Q_UNUSED(installed);
}

} // namespace PaneTableAccessible
