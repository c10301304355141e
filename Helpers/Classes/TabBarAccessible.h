#pragma once

#include <KitAccessibility.h>

#include <QAccessibleWidget>

class QTabBar;

// The interface a tab bar offers assistive tools: its tabs, then its two
// scroll buttons, as Qt offers them. Qt's own interface makes a tab for any
// number below the count, a negative one too, and keeps it; this one answers
// nothing for a number it has no child for.
class TabBarAccessible : public QAccessibleWidget
{
public:
    explicit TabBarAccessible(QTabBar *bar);

    QString text(QAccessible::Text kind) const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QAccessibleInterface *focusChild() const override;

private:
    QTabBar *bar() const;
    QWidgetList scrollButtons() const;

    mutable KitAccessibility::ChildInterfaces m_tabs;
};
