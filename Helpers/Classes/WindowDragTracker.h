#pragma once

#include <QAbstractButton>
#include <QMouseEvent>
#include <QPoint>
#include <QPointF>

#include <type_traits>

class QWidget;

// Lets a press and drag on a view move its window, as on a title bar. The
// window system moves the window where it can; otherwise the window follows
// the pointer. A press that does not travel the drag distance stays a press.
class WindowDragTracker
{
public:
    void press(QWidget *view, const QPointF &globalPosition);
    // True from the moment the drag has begun moving the window.
    bool move(QWidget *view, const QPointF &globalPosition);
    void release();
    bool isDragging() const { return m_dragging; }

private:
    bool m_pressed = false;
    bool m_dragging = false;
    bool m_movedBySystem = false;
    QPointF m_pressPosition;
    QPoint m_windowOrigin;
};

// A view that the window can be dragged by. A button keeps its clicks for
// presses that stay put: once a press starts moving the window, the button
// is no longer down and its release clicks nothing.
template <typename Base>
class WindowDraggable : public Base
{
public:
    using Base::Base;

    bool mouseDownCanMoveWindow() const { return true; }

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        Base::mousePressEvent(event);
        if (event->button() == Qt::LeftButton) {
            m_drag.press(this, event->globalPosition());
            // Kept even by views that ignore presses, so that the moves come here.
            event->accept();
        }
    }

    void mouseMoveEvent(QMouseEvent *event) override
    {
        if (m_drag.move(this, event->globalPosition())) {
            releaseButton();
            return;
        }
        Base::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (m_drag.isDragging())
            releaseButton();
        m_drag.release();
        Base::mouseReleaseEvent(event);
    }

private:
    void releaseButton()
    {
        if constexpr (std::is_base_of_v<QAbstractButton, Base>)
            this->setDown(false);
    }

    WindowDragTracker m_drag;
};
