#include "Spinner.h"

#include <QPainter>
#include <QtMath>

#include <climits>
#include <cmath>

Spinner::Spinner(QWidget *parent)
    : IndeterminateAnimation(parent, DeferConfiguration{})
{
    m_animation.setStartValue(0.0);
    m_animation.setEndValue(1.0);
    m_animation.setLoopCount(-1);
    m_animation.setEasingCurve(QEasingCurve::Linear);
    connect(&m_animation, &QVariantAnimation::valueChanged, this, [this] { update(); });
    configureLayers();
}

void Spinner::setStarSize(const QSizeF &starSize)
{
    m_starSize = starSize;
    updateAppearance();
}

void Spinner::setRoundedCorners(bool roundedCorners)
{
    m_roundedCorners = roundedCorners;
    updateAppearance();
}

void Spinner::setDistance(qreal distance)
{
    m_distance = distance;
    updateAppearance();
}

void Spinner::setStarCount(int starCount)
{
    m_starCount = std::clamp(starCount, kMinimumStarCount, kMaximumStarCount);
    updateAppearance();
}

void Spinner::setDuration(double duration)
{
    if (!(duration > 0.0) || !std::isfinite(duration))
        return;
    m_duration = duration;
    m_animation.setDuration(int(std::clamp(std::round(duration * 1000.0), 1.0, double(INT_MAX))));
}

void Spinner::setClockwise(bool clockwise)
{
    m_clockwise = clockwise;
    updateAppearance();
}

void Spinner::configureLayers()
{
    updateAppearance();
    setDuration(m_duration);
}

void Spinner::updateAppearance()
{
    m_starList.clear();
    m_keyframeValues.clear();

    const int step = 360 / m_starCount;
    for (int angle = 0; angle < 360; angle += step) {
        qreal turn = qDegreesToRadians(qreal(angle));
        if (m_clockwise)
            turn = -turn;
        m_keyframeValues.append(turn);

        Star star;
        star.cornerRadius = m_roundedCorners ? m_starSize.width() * 0.5 : 0.0;
        star.size = m_starSize;
        star.backgroundColor = foreground();
        star.anchorPoint = QPointF(0.5, 0.0);
        star.rotation = -turn;
        star.distance = m_distance;
        // The star at 0 degrees is fully opaque; the ones after it fade.
        star.opacity = (360.0f - float(angle)) / 360.0f;
        m_starList.append(star);
    }
    update();
}

void Spinner::startAnimation()
{
    m_animation.stop();
    m_animation.start();
}

void Spinner::stopAnimation()
{
    m_animation.stop();
    update();
}

bool Spinner::isAnimating() const
{
    return m_animation.state() == QAbstractAnimation::Running;
}

qreal Spinner::containerRotation() const
{
    if (!isAnimating() || m_keyframeValues.isEmpty())
        return 0.0;
    // Discrete steps: each keyframe holds for an equal share of the turn.
    const qsizetype count = m_keyframeValues.size();
    const qreal progress = m_animation.currentValue().toReal();
    const qsizetype index = std::clamp<qsizetype>(qsizetype(std::floor(progress * qreal(count))), 0, count - 1);
    return m_keyframeValues.at(index);
}

QRectF Spinner::starFrame(int index) const
{
    if (index < 0 || index >= m_starList.size())
        return {};
    // Both coordinates come from the width: the spinner is laid out square.
    const QSizeF size = m_starList.at(index).size;
    const qreal middle = width() * 0.5;
    return QRectF(middle - size.width() * 0.5, middle - size.height() * 0.5, size.width(), size.height());
}

BezierPath Spinner::starPath(int index) const
{
    if (index < 0 || index >= m_starList.size())
        return {};
    const Star &star = m_starList.at(index);
    // The anchor (middle of the bottom edge) stays where the frame's centre
    // was; the star is drawn about it.
    const QPointF anchor = starFrame(index).center();
    BezierPath outline;
    outline.appendRoundedRect(QRectF(-star.size.width() * star.anchorPoint.x(), -star.size.height() * star.anchorPoint.y(),
                                     star.size.width(), star.size.height()),
                              star.cornerRadius);
    // The ring of stars turns about the middle of the view.
    const QPointF middle(width() * 0.5, height() * 0.5);
    const QTransform transform = QTransform::fromTranslate(0, star.distance)
        * QTransform().rotateRadians(star.rotation)
        * QTransform::fromTranslate(anchor.x(), anchor.y())
        * QTransform::fromTranslate(-middle.x(), -middle.y())
        * QTransform().rotateRadians(containerRotation())
        * QTransform::fromTranslate(middle.x(), middle.y());
    return outline.transformed(transform);
}

void Spinner::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBackground(painter, cornerRadius());
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int index = 0; index < m_starList.size(); ++index) {
        const Star &star = m_starList.at(index);
        painter.setOpacity(star.opacity);
        painter.setBrush(star.backgroundColor);
        painter.drawPath(CGPath(starPath(index), height()));
    }
}
