#include "WindowDragTracker.h"

#include <QApplication>
#include <QWidget>
#include <QWindow>

void WindowDragTracker::press(QWidget *view, const QPointF &globalPosition)
{
    m_pressed = true;
    m_dragging = false;
    m_movedBySystem = false;
    m_pressPosition = globalPosition;
    m_windowOrigin = view->window()->pos();
}

bool WindowDragTracker::move(QWidget *view, const QPointF &globalPosition)
{
    if (!m_pressed)
        return false;
    const QPointF travelled = globalPosition - m_pressPosition;
    if (!m_dragging) {
        if (travelled.manhattanLength() < QApplication::startDragDistance())
            return false;
        m_dragging = true;
        QWindow *handle = view->window()->windowHandle();
        m_movedBySystem = handle && handle->startSystemMove();
    }
    if (!m_movedBySystem)
        view->window()->move(m_windowOrigin + travelled.toPoint());
    return true;
}

void WindowDragTracker::release()
{
    m_pressed = false;
    m_dragging = false;
    m_movedBySystem = false;
}
