#pragma once

#include <KitAccessibility.h>

#include <QAccessibleWidget>

class QMenu;
class QMenuBar;

// The interface a menu bar or a menu offers assistive tools: one item for
// each of its actions, separators included, in the order Qt numbers them in
// its focus events. Qt keeps a single item per action for the whole program,
// made for the first menu that asked: an action that two windows' menus hold
// then reports the other window's menu as its parent, with that menu's
// position and state. Here each menu has items of its own, and a number the
// menu has no action for answers nothing.
class MenuAccessible : public QAccessibleWidget
{
public:
    explicit MenuAccessible(QMenuBar *bar);
    explicit MenuAccessible(QMenu *menu);

    QString text(QAccessible::Text kind) const override;
    QAccessibleInterface *parent() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

private:
    mutable KitAccessibility::ChildInterfaces m_items;
};
