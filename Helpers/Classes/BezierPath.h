#pragma once

#include <QEasingCurve>
#include <QList>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QTransform>

#include <array>

// A shape as the widget kit describes it: coordinates with the origin at the
// bottom left and y growing upwards, angles in degrees counted
// counter-clockwise from the positive x axis. Views keep their geometry in
// these terms and turn it into something to paint with CGPath() only when
// they draw, so the flip to Qt's top-left coordinates happens in one place.
class BezierPath
{
public:
    enum class ElementType { MoveTo, LineTo, CurveTo, ClosePath };

    struct Element
    {
        ElementType type = ElementType::MoveTo;
        // MoveTo and LineTo use points[0]; CurveTo holds control point 1,
        // control point 2 and the end point, in that order.
        std::array<QPointF, 3> points;
    };

    void moveTo(const QPointF &point);
    void lineTo(const QPointF &point);
    void curveTo(const QPointF &end, const QPointF &control1, const QPointF &control2);
    void closePath();

    // An arc about the centre from startAngle to endAngle (degrees), turning
    // clockwise (decreasing angles) or counter-clockwise. It starts a new
    // sub-path when the path is empty and is joined by a line otherwise. One
    // turn at most is drawn.
    void appendArc(const QPointF &center, qreal radius, qreal startAngle, qreal endAngle, bool clockwise);
    void appendRoundedRect(const QRectF &rect, qreal radius);

    bool isEmpty() const { return m_elements.isEmpty(); }
    int elementCount() const { return int(m_elements.size()); }
    Element elementAt(int index) const { return m_elements.at(index); }

    // Non-zero winding, in the path's own coordinates.
    bool contains(const QPointF &point) const;
    BezierPath transformed(const QTransform &transform) const;
    QRectF boundingRect() const;

private:
    QList<Element> m_elements;
};

// The path a widget of the given height paints: every element of the bezier
// path in order, each point moved from bottom-left to top-left coordinates.
QPainterPath CGPath(const BezierPath &bezierPath, qreal height);

// The pacing of an animation as a cubic bezier curve from (0, 0) to (1, 1)
// with the two given control points: (0.25, 0.1, 0.25, 1.0) is the default
// ease, (0, 0, 0.58, 1) ease-out.
QEasingCurve timingCurve(qreal control1x, qreal control1y, qreal control2x, qreal control2y);
