#include "CustomScroller.h"

#include "KitSupport.h"

#include <ProcessState.h>

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionSlider>

namespace {

constexpr qreal kTrackCornerRadius = 9.0;
constexpr qreal kKnobThickness = 9.0;
constexpr qreal kKnobInsetVertical = 3.0;   // from the left edge of a vertical scroller
constexpr qreal kKnobInsetHorizontal = 4.0; // from the top edge of a horizontal one
constexpr qreal kKnobCornerRadius = 5.0;

} // namespace

CustomScroller::CustomScroller(QWidget *parent)
    : QScrollBar(parent)
{
}

CustomScroller::CustomScroller(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent)
{
}

QRectF CustomScroller::knobRect() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    QRectF knob = style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this);
    if (orientation() == Qt::Horizontal) {
        knob.setY(kKnobInsetHorizontal);
        knob.setHeight(kKnobThickness);
    } else {
        knob.setX(kKnobInsetVertical);
        knob.setWidth(kKnobThickness);
    }
    return knob;
}

void CustomScroller::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath track;
    track.addRoundedRect(QRectF(rect()), kTrackCornerRadius, kTrackCornerRadius);
    painter.fillPath(track, KitSupport::toQColor(scrollerTrackColor()));

    QPainterPath knob;
    knob.addRoundedRect(knobRect(), kKnobCornerRadius, kKnobCornerRadius);
    painter.fillPath(knob, KitSupport::toQColor(scrollerKnobColor()));
}
