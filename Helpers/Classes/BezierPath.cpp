#include "BezierPath.h"

#include "KitSupport.h"

#include <QtMath>

#include <cmath>

namespace {

// Arcs are split into pieces of at most a quarter turn, each one cubic curve;
// the error of that approximation stays below 0.03 % of the radius.
constexpr qreal kMaximumPieceDegrees = 90.0;

// Sine and cosine with the rounding noise around 0 removed: sin(pi) comes out
// as 1.2e-16, which would leave the ends of a half or full turn a hair off
// the centre line, and a point exactly on that line then falls between the
// pieces when the path is hit-tested.
qreal snapped(qreal value)
{
    return std::abs(value) < 1e-12 ? 0.0 : value;
}

QPointF pointOnCircle(const QPointF &center, qreal radius, qreal radians)
{
    return center + QPointF(radius * snapped(std::cos(radians)), radius * snapped(std::sin(radians)));
}


// The elements of a bezier path, in order, as a Qt path; `map` places each point.
template<typename Map>
QPainterPath painterPath(const BezierPath &bezierPath, const Map &map)
{
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (int index = 0; index < bezierPath.elementCount(); ++index) {
        const BezierPath::Element element = bezierPath.elementAt(index);
        switch (element.type) {
        case BezierPath::ElementType::MoveTo:
            path.moveTo(map(element.points[0]));
            break;
        case BezierPath::ElementType::LineTo:
            path.lineTo(map(element.points[0]));
            break;
        case BezierPath::ElementType::CurveTo:
            path.cubicTo(map(element.points[0]), map(element.points[1]), map(element.points[2]));
            break;
        case BezierPath::ElementType::ClosePath:
            path.closeSubpath();
            break;
        }
    }
    return path;
}

QPainterPath unmappedPath(const BezierPath &bezierPath)
{
    return painterPath(bezierPath, [](const QPointF &point) { return point; });
}

} // namespace

void BezierPath::moveTo(const QPointF &point)
{
    m_elements.append({ElementType::MoveTo, {point, QPointF(), QPointF()}});
}

void BezierPath::lineTo(const QPointF &point)
{
    m_elements.append({ElementType::LineTo, {point, QPointF(), QPointF()}});
}

void BezierPath::curveTo(const QPointF &end, const QPointF &control1, const QPointF &control2)
{
    m_elements.append({ElementType::CurveTo, {control1, control2, end}});
}

void BezierPath::closePath()
{
    m_elements.append({ElementType::ClosePath, {}});
}

void BezierPath::appendArc(const QPointF &center, qreal radius, qreal startAngle, qreal endAngle, bool clockwise)
{
    if (!std::isfinite(startAngle) || !std::isfinite(endAngle) || !std::isfinite(radius))
        return;
    qreal sweep = endAngle - startAngle;
    // The arc always turns the asked way: an end on the other side of the
    // start is reached by going round, and never more than once.
    if (clockwise) {
        if (sweep > 0)
            sweep = std::fmod(sweep, 360.0) - 360.0;
        sweep = std::max(sweep, -360.0);
    } else {
        if (sweep < 0)
            sweep = std::fmod(sweep, 360.0) + 360.0;
        sweep = std::min(sweep, 360.0);
    }

    const qreal start = qDegreesToRadians(startAngle);
    const QPointF first = pointOnCircle(center, radius, start);
    if (m_elements.isEmpty())
        moveTo(first);
    else
        lineTo(first);

    const int pieces = std::max(1, int(std::ceil(std::abs(sweep) / kMaximumPieceDegrees)));
    const qreal step = qDegreesToRadians(sweep) / pieces;
    // Distance of the control points along the tangents for a piece of `step`.
    const qreal handle = radius * 4.0 / 3.0 * std::tan(step / 4.0);
    for (int piece = 0; piece < pieces; ++piece) {
        const qreal a0 = start + step * piece;
        const qreal a1 = a0 + step;
        const QPointF p0 = pointOnCircle(center, radius, a0);
        const QPointF p1 = pointOnCircle(center, radius, a1);
        const QPointF c1 = p0 + handle * QPointF(-std::sin(a0), std::cos(a0));
        const QPointF c2 = p1 - handle * QPointF(-std::sin(a1), std::cos(a1));
        curveTo(p1, c1, c2);
    }
}

void BezierPath::appendRoundedRect(const QRectF &rect, qreal radius)
{
    const qreal r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2.0);
    const qreal left = rect.left();
    const qreal right = rect.right();
    const qreal bottom = rect.top();    // bottom-left origin: the smaller y is the bottom
    const qreal top = rect.bottom();
    moveTo(QPointF(left + r, bottom));
    lineTo(QPointF(right - r, bottom));
    appendArc(QPointF(right - r, bottom + r), r, 270, 360, false);
    lineTo(QPointF(right, top - r));
    appendArc(QPointF(right - r, top - r), r, 0, 90, false);
    lineTo(QPointF(left + r, top));
    appendArc(QPointF(left + r, top - r), r, 90, 180, false);
    lineTo(QPointF(left, bottom + r));
    appendArc(QPointF(left + r, bottom + r), r, 180, 270, false);
    closePath();
}

bool BezierPath::contains(const QPointF &point) const
{
    return unmappedPath(*this).contains(point);
}

BezierPath BezierPath::transformed(const QTransform &transform) const
{
    BezierPath result = *this;
    for (Element &element : result.m_elements) {
        for (QPointF &point : element.points)
            point = transform.map(point);
    }
    return result;
}

QRectF BezierPath::boundingRect() const
{
    return unmappedPath(*this).boundingRect();
}

QPainterPath CGPath(const BezierPath &bezierPath, qreal height)
{
    return painterPath(bezierPath, [height](const QPointF &point) { return KitSupport::fromBottomLeft(point, height); });
}

QEasingCurve timingCurve(qreal control1x, qreal control1y, qreal control2x, qreal control2y)
{
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(control1x, control1y), QPointF(control2x, control2y), QPointF(1.0, 1.0));
    return curve;
}
