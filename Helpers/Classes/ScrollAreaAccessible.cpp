#include "ScrollAreaAccessible.h"

#include <QAbstractScrollArea>
#include <QScrollBar>

namespace {

// The holder Qt puts a scroll bar in, when the bar is on show and held there.
QWidget *shownHolder(const QScrollBar *bar, const char *holderName)
{
    if (!bar || !bar->isVisible() || !bar->parentWidget())
        return nullptr;
    return bar->parentWidget()->objectName() == QLatin1String(holderName) ? bar->parentWidget() : nullptr;
}

} // namespace

ScrollAreaAccessible::ScrollAreaAccessible(QAbstractScrollArea *area)
    : QAccessibleWidget(area, QAccessible::Client)
{
}

QAbstractScrollArea *ScrollAreaAccessible::area() const
{
    return static_cast<QAbstractScrollArea *>(widget());
}

QWidgetList ScrollAreaAccessible::parts() const
{
    QWidgetList found;
    if (QWidget *viewport = area()->viewport())
        found.append(viewport);
    if (QWidget *holder = shownHolder(area()->horizontalScrollBar(), "qt_scrollarea_hcontainer"))
        found.append(holder);
    if (QWidget *holder = shownHolder(area()->verticalScrollBar(), "qt_scrollarea_vcontainer"))
        found.append(holder);
    if (QWidget *corner = area()->cornerWidget(); corner && corner->isVisible())
        found.append(corner);
    return found;
}

bool ScrollAreaAccessible::isValid() const
{
    return QAccessibleWidget::isValid() && area()->viewport();
}

int ScrollAreaAccessible::childCount() const
{
    return int(parts().size());
}

QAccessibleInterface *ScrollAreaAccessible::child(int index) const
{
    const QWidgetList shown = parts();
    if (index < 0 || index >= shown.size())
        return nullptr;
    return QAccessible::queryAccessibleInterface(shown.at(index));
}

int ScrollAreaAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    if (!child || !child->object() || !child->object()->isWidgetType())
        return -1;
    return int(parts().indexOf(static_cast<QWidget *>(child->object())));
}

QAccessibleInterface *ScrollAreaAccessible::childAt(int x, int y) const
{
    if (!area()->isVisible())
        return nullptr;
    for (QWidget *part : parts()) {
        if (QRect(part->mapToGlobal(QPoint(0, 0)), part->size()).contains(x, y))
            return QAccessible::queryAccessibleInterface(part);
    }
    return nullptr;
}
