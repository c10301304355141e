#include "PointerEvents.h"

#include <TestEnvironment.h>

#include <QCoreApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>

namespace {

void sendMouse(QWidget *widget, QEvent::Type type, const QPointF &position, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, position, widget->mapToGlobal(position), Qt::LeftButton, buttons, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

} // namespace

namespace PointerEvents {

void enter(QWidget *widget)
{
    const QPointF centre = QRectF(widget->rect()).center();
    QEnterEvent event(centre, centre, widget->mapToGlobal(centre));
    QCoreApplication::sendEvent(widget, &event);
}

void leave(QWidget *widget)
{
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &event);
}

void press(QWidget *widget, const QPointF &position)
{
    sendMouse(widget, QEvent::MouseButtonPress, position, Qt::LeftButton);
}

void release(QWidget *widget, const QPointF &position)
{
    sendMouse(widget, QEvent::MouseButtonRelease, position, Qt::NoButton);
}

void move(QWidget *widget, const QPointF &position)
{
    QMouseEvent event(QEvent::MouseMove, position, widget->mapToGlobal(position), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &event);
}

void click(QWidget *widget)
{
    const QPointF centre = QRectF(widget->rect()).center();
    press(widget, centre);
    release(widget, centre);
}

void saveRender(QWidget *widget, const QString &name)
{
    widget->grab().save(TestEnvironment::renderDirectory() + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace PointerEvents
