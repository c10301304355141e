#pragma once

#include <QPointF>
#include <QString>

class QWidget;

// Pointer events delivered straight to a widget, as the window system would
// deliver them, and pictures of widgets for looking at by eye.
namespace PointerEvents {

void enter(QWidget *widget);
void leave(QWidget *widget);
void press(QWidget *widget, const QPointF &position);
void release(QWidget *widget, const QPointF &position);
void move(QWidget *widget, const QPointF &position);
// Press and release at the widget's centre.
void click(QWidget *widget);

// Writes the widget's picture as <name>.png into the render folder.
void saveRender(QWidget *widget, const QString &name);

} // namespace PointerEvents
