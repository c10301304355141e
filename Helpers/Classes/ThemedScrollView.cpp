#include "ThemedScrollView.h"

#include <QEvent>
#include <QPainter>
#include <QScrollBar>

ThemedScrollView::ThemedScrollView(QWidget *parent)
    : QScrollArea(parent)
{
}

QRect ThemedScrollView::cornerRect() const
{
    const QScrollBar *vertical = verticalScrollBar();
    const QScrollBar *horizontal = horizontalScrollBar();
    if (!vertical || !horizontal || !vertical->isVisibleTo(this) || !horizontal->isVisibleTo(this))
        return {};
    const QRect v(vertical->mapTo(this, QPoint()), vertical->size());
    const QRect h(horizontal->mapTo(this, QPoint()), horizontal->size());
    return QRect(h.x() + h.width(), v.y() + v.height(), v.width(), h.height());
}

bool ThemedScrollView::event(QEvent *event)
{
    // The frame and the style's corner are painted by the base class on this
    // widget itself (the content has its own viewport); the black goes over them.
    const bool handled = QScrollArea::event(event);
    if (event->type() == QEvent::Paint) {
        const QRect corner = cornerRect();
        if (!corner.isEmpty()) {
            QPainter painter(this);
            painter.fillRect(corner, Qt::black);
        }
    }
    return handled;
}
