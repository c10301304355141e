#pragma once

#include <QAccessibleWidget>

class QAbstractScrollArea;

// The interface a scroll area offers assistive tools: its viewport, the
// holders of the scroll bars on show and its corner widget, in that order,
// as Qt offers them. Qt's own interface takes a child's number on trust, and
// a reader that asks for one past the end (its count is stale once a scroll
// bar has come or gone) brings the program down; this one answers nothing
// for a number it has no child for.
class ScrollAreaAccessible : public QAccessibleWidget
{
public:
    explicit ScrollAreaAccessible(QAbstractScrollArea *area);

    bool isValid() const override;
    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;

private:
    QAbstractScrollArea *area() const;
    QWidgetList parts() const;
};
