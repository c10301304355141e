#include "TabBarAccessible.h"

#include <QTabBar>
#include <QToolButton>

namespace {

// A tab's name: the one given for assistive tools, else its text as read.
QString tabName(const QTabBar *bar, int index)
{
    const QString given = bar->accessibleTabName(index);
    return given.isEmpty() ? KitAccessibility::withoutShortcutMarks(bar->tabText(index)) : given;
}

// One tab, by its place in the bar.
class TabAccessible : public KitAccessibility::Leaf, public QAccessibleActionInterface
{
public:
    TabAccessible(QTabBar *bar, int index)
        : Leaf(bar)
        , m_index(index)
    {
    }

    int index() const { return m_index; }

    bool isValid() const override { return bar() && m_index >= 0 && m_index < bar()->count(); }
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QString text(QAccessible::Text kind) const override
    {
        if (!isValid())
            return QString();
        switch (kind) {
        case QAccessible::Name:
            return tabName(bar(), m_index);
        case QAccessible::Description:
            return bar()->tabToolTip(m_index);
        case QAccessible::Help:
            return bar()->tabWhatsThis(m_index);
        default:
            return QString();
        }
    }

    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QRect local = bar()->tabRect(m_index);
        return QRect(bar()->mapToGlobal(local.topLeft()), local.size());
    }

    QAccessible::State state() const override
    {
        if (!isValid()) {
            QAccessible::State state;
            state.invalid = true;
            return state;
        }
        // As Qt has it: the bar's state, the current tab the focused one.
        QAccessible::State state = parent() ? parent()->state() : QAccessible::State();
        state.focused = m_index == bar()->currentIndex();
        state.selectable = true;
        state.selected = state.focused;
        state.disabled = state.disabled || !bar()->isTabEnabled(m_index);
        state.invisible = state.invisible || !bar()->isTabVisible(m_index);
        return state;
    }

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface *>(this) : nullptr;
    }

    QStringList actionNames() const override { return isValid() ? QStringList{pressAction()} : QStringList(); }
    void doAction(const QString &name) override
    {
        if (isValid() && name == pressAction())
            bar()->setCurrentIndex(m_index);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QTabBar *bar() const { return static_cast<QTabBar *>(owner()); }

    int m_index;
};

} // namespace

TabBarAccessible::TabBarAccessible(QTabBar *bar)
    : QAccessibleWidget(bar, QAccessible::PageTabList)
{
}

QTabBar *TabBarAccessible::bar() const
{
    return static_cast<QTabBar *>(widget());
}

QWidgetList TabBarAccessible::scrollButtons() const
{
    QWidgetList buttons;
    for (const char *name : {"ScrollLeftButton", "ScrollRightButton"}) {
        if (auto *button = bar()->findChild<QToolButton *>(QLatin1String(name), Qt::FindDirectChildrenOnly))
            buttons.append(button);
    }
    return buttons;
}

QString TabBarAccessible::text(QAccessible::Text kind) const
{
    // The bar is read as its current tab.
    if (kind == QAccessible::Name && bar()->currentIndex() >= 0)
        return tabName(bar(), bar()->currentIndex());
    return QAccessibleWidget::text(kind);
}

int TabBarAccessible::childCount() const
{
    return bar()->count() + int(scrollButtons().size());
}

QAccessibleInterface *TabBarAccessible::child(int index) const
{
    const int tabs = bar()->count();
    if (index < 0)
        return nullptr;
    if (index < tabs) {
        return m_tabs.at(
            index, [](QAccessibleInterface *kept) { return kept->isValid(); },
            [this, index] { return new TabAccessible(bar(), index); });
    }
    const QWidgetList buttons = scrollButtons();
    return index - tabs < buttons.size() ? QAccessible::queryAccessibleInterface(buttons.at(index - tabs)) : nullptr;
}

int TabBarAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child)
        return -1;
    if (child->object()) {
        const qsizetype button = scrollButtons().indexOf(qobject_cast<QWidget *>(child->object()));
        return button < 0 ? -1 : bar()->count() + int(button);
    }
    const int index = m_tabs.indexOf(child);
    return index >= 0 && index < bar()->count() ? index : -1;
}

QAccessibleInterface *TabBarAccessible::childAt(int x, int y) const
{
    const QPoint local = bar()->mapFromGlobal(QPoint(x, y));
    const QWidgetList buttons = scrollButtons();
    for (qsizetype at = 0; at < buttons.size(); ++at) {
        if (buttons.at(at)->isVisible() && buttons.at(at)->geometry().contains(local))
            return child(bar()->count() + int(at));
    }
    const int tab = bar()->tabAt(local);
    return tab >= 0 ? child(tab) : nullptr;
}

QAccessibleInterface *TabBarAccessible::focusChild() const
{
    return child(bar()->currentIndex());
}
