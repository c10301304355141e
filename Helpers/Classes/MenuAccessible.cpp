#include "MenuAccessible.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace {

// A bar and a menu offer the same calls without a common base for them.
QRect actionGeometry(const QWidget *owner, QAction *action)
{
    if (const auto *bar = qobject_cast<const QMenuBar *>(owner))
        return bar->actionGeometry(action);
    if (const auto *menu = qobject_cast<const QMenu *>(owner))
        return menu->actionGeometry(action);
    return {};
}

QAction *activeAction(const QWidget *owner)
{
    if (const auto *bar = qobject_cast<const QMenuBar *>(owner))
        return bar->activeAction();
    if (const auto *menu = qobject_cast<const QMenu *>(owner))
        return menu->activeAction();
    return nullptr;
}

QAction *actionAt(const QWidget *owner, const QPoint &local)
{
    if (const auto *bar = qobject_cast<const QMenuBar *>(owner))
        return bar->actionAt(local);
    if (const auto *menu = qobject_cast<const QMenu *>(owner))
        return menu->actionAt(local);
    return nullptr;
}

void setActiveAction(QWidget *owner, QAction *action)
{
    if (auto *bar = qobject_cast<QMenuBar *>(owner))
        bar->setActiveAction(action);
    else if (auto *menu = qobject_cast<QMenu *>(owner))
        menu->setActiveAction(action);
}

// One action as an item of the bar or menu that shows it.
class MenuItemAccessible : public KitAccessibility::Leaf, public QAccessibleActionInterface
{
public:
    MenuItemAccessible(QWidget *owner, QAction *action)
        : Leaf(owner)
        , m_action(action)
    {
    }

    QAction *action() const { return m_action; }

    bool isValid() const override { return owner() && m_action && owner()->actions().contains(m_action.data()); }

    QAccessible::Role role() const override
    {
        return m_action && m_action->isSeparator() ? QAccessible::Separator : QAccessible::MenuItem;
    }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return QString();
        if (kind == QAccessible::Name)
            return KitAccessibility::withoutShortcutMarks(m_action->text());
        if (kind == QAccessible::Accelerator)
            return m_action->shortcut().toString(QKeySequence::NativeText);
        return QString();
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect local = actionGeometry(owner(), m_action);
        return QRect(owner()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.invisible = !owner()->isVisible() || !m_action->isVisible();
        state.focused = activeAction(owner()) == m_action;
        state.disabled = m_action->isSeparator() || !m_action->isEnabled();
        state.checkable = m_action->isCheckable();
        state.checked = m_action->isChecked();
        state.hasPopup = m_action->menu() != nullptr;
        return state;
    }

    // An action that opens a menu holds it.
    int childCount() const override { return isValid() && m_action->menu() ? 1 : 0; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 && childCount() == 1 ? QAccessible::queryAccessibleInterface(m_action->menu()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && childCount() == 1 && child->object() == m_action->menu() ? 0 : -1;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    // QAccessibleActionInterface: as a click on the item.
    QStringList actionNames() const override
    {
        if (!isValid() || m_action->isSeparator())
            return {};
        return {m_action->menu() ? showMenuAction() : pressAction()};
    }
    void doAction(const QString &name) override
    {
        if (!isValid() || !m_action->isEnabled())
            return;
        if (name == pressAction() && !m_action->menu()) {
            m_action->trigger();
        } else if (name == showMenuAction() && m_action->menu()) {
            if (m_action->menu()->isVisible())
                m_action->menu()->hide();
            else
                setActiveAction(owner(), m_action);
        }
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<QAction> m_action;
};

} // namespace

MenuAccessible::MenuAccessible(QMenuBar *bar)
    : QAccessibleWidget(bar, QAccessible::MenuBar)
{
}

MenuAccessible::MenuAccessible(QMenu *menu)
    : QAccessibleWidget(menu, QAccessible::PopupMenu)
{
}

QString MenuAccessible::text(QAccessible::Text kind) const
{
    const QString own = QAccessibleWidget::text(kind);
    // A menu without a name of its own goes by its title.
    if (own.isEmpty() && kind == QAccessible::Name)
        return widget()->windowTitle();
    return own;
}

QAccessibleInterface *MenuAccessible::parent() const
{
    // A menu belongs to the item that opens it, in the bar or menu that holds
    // that item: its own parent first, then whatever else shows the item.
    const auto *menu = qobject_cast<const QMenu *>(widget());
    QAction *opener = menu ? menu->menuAction() : nullptr;
    if (opener) {
        QList<QObject *> holders{widget()->parentWidget()};
        holders.append(opener->associatedObjects());
        for (QObject *holder : std::as_const(holders)) {
            if (!qobject_cast<QMenu *>(holder) && !qobject_cast<QMenuBar *>(holder))
                continue;
            const int at = int(static_cast<QWidget *>(holder)->actions().indexOf(opener));
            if (at < 0)
                continue;
            if (QAccessibleInterface *holderInterface = QAccessible::queryAccessibleInterface(holder)) {
                if (QAccessibleInterface *item = holderInterface->child(at))
                    return item;
            }
        }
    }
    return QAccessibleWidget::parent();
}

int MenuAccessible::childCount() const
{
    return int(widget()->actions().size());
}

QAccessibleInterface *MenuAccessible::child(int index) const
{
    const QList<QAction *> actions = widget()->actions();
    if (index < 0 || index >= actions.size())
        return nullptr;
    QAction *action = actions.at(index);
    return m_items.at(
        index, [action](QAccessibleInterface *kept) { return static_cast<MenuItemAccessible *>(kept)->action() == action; },
        [this, action] { return new MenuItemAccessible(widget(), action); });
}

int MenuAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    const int index = m_items.indexOf(child);
    if (index < 0)
        return -1;
    const QList<QAction *> actions = widget()->actions();
    return index < actions.size() && static_cast<const MenuItemAccessible *>(child)->action() == actions.at(index) ? index : -1;
}

QAccessibleInterface *MenuAccessible::childAt(int x, int y) const
{
    QAction *action = actionAt(widget(), widget()->mapFromGlobal(QPoint(x, y)));
    if (!action || action->isSeparator())
        return nullptr;
    return child(int(widget()->actions().indexOf(action)));
}
