#include "DashedViewAlert.h"

#include <QPainter>
#include <QPen>

namespace {

constexpr qreal kLineWidth = 6.0;
// 11 points drawn, 11 left out; Qt measures dashes in line widths.
constexpr qreal kDashLength = 11.0;

} // namespace

DashedViewAlert::DashedViewAlert(QWidget *parent)
    : QWidget(parent)
{
}

void DashedViewAlert::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QPen pen(QColor(4, 51, 105), kLineWidth);
    pen.setDashPattern({kDashLength / kLineWidth, kDashLength / kLineWidth});
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // The line is centred on the edge of the bounds, so its outer half is clipped.
    painter.drawRect(QRectF(rect()));
}
