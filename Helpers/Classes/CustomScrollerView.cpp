#include "CustomScrollerView.h"

#include <ProcessState.h>

#include <QScrollBar>
#include <QWheelEvent>

CustomScrollerView::CustomScrollerView(QWidget *parent)
    : QScrollArea(parent)
{
    watchScrollers();
}

// The scrollers take wheel events themselves; they may have been replaced
// since construction, so they are watched again when the view is shown
// (installing the same filter twice keeps one).
void CustomScrollerView::watchScrollers()
{
    verticalScrollBar()->installEventFilter(this);
    horizontalScrollBar()->installEventFilter(this);
}

void CustomScrollerView::showEvent(QShowEvent *event)
{
    watchScrollers();
    QScrollArea::showEvent(event);
}

void CustomScrollerView::wheelEvent(QWheelEvent *event)
{
    if (isScrollingDisabled) {
        event->accept();
        return;
    }
    QScrollArea::wheelEvent(event);
}

bool CustomScrollerView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Wheel && isScrollingDisabled
        && (watched == verticalScrollBar() || watched == horizontalScrollBar())) {
        event->accept();
        return true;
    }
    return QScrollArea::eventFilter(watched, event);
}
