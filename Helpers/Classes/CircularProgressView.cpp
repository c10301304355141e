#include "CircularProgressView.h"

#include "BezierPath.h"
#include "KitSupport.h"

#include <QPainter>

#include <cmath>
#include <limits>

namespace {

// The ring's radius as a share of half the view's width.
constexpr qreal kRadiusFactor = 0.88;
// The system's accent blue, which the label takes on every appearance change.
const QColor kSystemBlue = QColor::fromRgbF(0.0f, 0.478f, 1.0f, 1.0f);

} // namespace

CircularProgressView::CircularProgressView(QWidget *parent)
    : DeterminateAnimation(parent, DeferConfiguration{})
{
    configureLayers();
}

void CircularProgressView::setStrokeWidth(qreal strokeWidth)
{
    m_strokeWidth = strokeWidth;
    updateAppearance();
}

void CircularProgressView::setShowPercent(bool showPercent)
{
    m_showPercent = showPercent;
    updateAppearance();
}

qreal CircularProgressView::progressLineWidth() const
{
    const qreal width = m_strokeWidth == kAutomaticStrokeWidth ? this->width() * 0.05 : m_strokeWidth;
    return std::isfinite(width) ? std::max<qreal>(0.0, width) : 0.0;
}

void CircularProgressView::configureLayers()
{
    updateAppearance();
    // The ring starts empty and the label reads "0%" in the foreground colour
    // until the first progress update or appearance change.
    m_percentText = QStringLiteral("0%");
    m_percentLabelColor = foreground();
}

void CircularProgressView::updateAppearance()
{
    // The track circle under the arc is never shown, so it is not drawn at all.
    m_percentLabelHidden = !m_showPercent;
    m_percentLabelColor = kSystemBlue;
    update();
}

void CircularProgressView::updateProgress()
{
    // A value that is not finite draws nothing rather than a full or empty ring.
    const qreal value = progress();
    const qreal strokeEnd = std::isfinite(value) ? std::clamp<qreal>(value, 0.0, 1.0) : 0.0;
    m_strokeEnd.setValue(strokeEnd, animated(), QEasingCurve(QEasingCurve::Linear));
    m_percentText = percentTextFor(value);
    update();
}

QString CircularProgressView::percentTextFor(qreal progress)
{
    qint64 percent = 0;
    if (std::isfinite(progress)) {
        const long double hundredths = std::trunc(static_cast<long double>(progress) * 100.0L);
        constexpr qint64 kLargest = std::numeric_limits<qint64>::max();
        constexpr qint64 kSmallest = std::numeric_limits<qint64>::min();
        if (hundredths >= static_cast<long double>(kLargest))
            percent = kLargest;
        else if (hundredths <= static_cast<long double>(kSmallest))
            percent = kSmallest;
        else
            percent = static_cast<qint64>(hundredths);
    }
    return QString::number(percent) + QLatin1Char('%');
}

void CircularProgressView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBackground(painter, cornerRadius());
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF bounds(QPointF(0, 0), size());
    const qreal radius = bounds.width() * 0.5 * kRadiusFactor;
    const qreal strokeEnd = std::clamp<qreal>(m_strokeEnd.presented(), 0.0, 1.0);
    if (strokeEnd > 0.0 && radius > 0.0) {
        // From the top, clockwise, for the filled share of one turn.
        BezierPath arc;
        arc.appendArc(bounds.center(), radius, 90.0, 90.0 - 360.0 * strokeEnd, true);
        QPen pen(foreground(), progressLineWidth(), Qt::SolidLine, Qt::SquareCap);
        painter.strokePath(CGPath(arc, bounds.height()), pen);
    }

    if (!m_percentLabelHidden) {
        QFont font(QStringLiteral("Helvetica Neue"));
        font.setWeight(QFont::Light);
        font.setPixelSize(std::max(1, int(bounds.width() * 0.2)));
        painter.setFont(font);
        painter.setPen(m_percentLabelColor);
        // The label layer is the size of the view with its centre at an
        // eighth of the height; text starts at its top edge, which puts the
        // digits about the middle of the ring.
        QRectF label = bounds;
        label.moveCenter(QPointF(bounds.center().x(), bounds.center().y() * 0.25));
        painter.drawText(KitSupport::fromBottomLeft(label, bounds.height()),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextDontClip, m_percentText);
    }
}
