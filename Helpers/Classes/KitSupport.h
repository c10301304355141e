#pragma once

#include <Records.h>

#include <QColor>
#include <QPointF>
#include <QRectF>

// Shared by the widget kit: the conversion of the core's plain colours and of
// geometry given with its origin at the bottom left (as the layouts are
// written) into Qt's top-left widget coordinates. Convert here, nowhere else.
namespace KitSupport {

QColor toQColor(const Color &color);

// A point measured from the bottom-left corner of a widget of the given height.
QPointF fromBottomLeft(const QPointF &point, qreal height);
// A rectangle whose origin is its bottom-left corner, in a widget of the given height.
QRectF fromBottomLeft(const QRectF &rect, qreal height);

} // namespace KitSupport
