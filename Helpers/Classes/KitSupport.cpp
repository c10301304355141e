#include "KitSupport.h"

namespace KitSupport {

QColor toQColor(const Color &color)
{
    return QColor::fromRgbF(float(color.red), float(color.green), float(color.blue), float(color.alpha));
}

QPointF fromBottomLeft(const QPointF &point, qreal height)
{
    return QPointF(point.x(), height - point.y());
}

QRectF fromBottomLeft(const QRectF &rect, qreal height)
{
    return QRectF(rect.x(), height - rect.y() - rect.height(), rect.width(), rect.height());
}

} // namespace KitSupport
