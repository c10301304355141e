#include "SliceLayer.h"

#include "PieChart.h"

#include <QtMath>

namespace {

const QString kStartAngleKey = QStringLiteral("startAngle");
const QString kEndAngleKey = QStringLiteral("endAngle");

} // namespace

SliceLayer::~SliceLayer()
{
    removeAllAnimations();
}

QString SliceLayer::description() const
{
    return QString::asprintf("value:%f, percentage:%0.0f, start:%f, end:%f", m_value, m_percentage,
                             m_startAngle / M_PI * 180.0, m_endAngle / M_PI * 180.0);
}

SliceLayer::ArcAnimation *SliceLayer::arcAnimation(const QString &key)
{
    if (key == kStartAngleKey)
        return &m_startAngleAnimation;
    if (key == kEndAngleKey)
        return &m_endAngleAnimation;
    return nullptr;
}

const SliceLayer::ArcAnimation *SliceLayer::arcAnimation(const QString &key) const
{
    return const_cast<SliceLayer *>(this)->arcAnimation(key);
}

void SliceLayer::createArcAnimationForKey(const QString &key, double fromValue, double toValue, PieChart *delegate,
                                          int durationMilliseconds)
{
    ArcAnimation *arc = arcAnimation(key);
    if (!arc)
        return;
    const double from = presentationValue(key).value_or(fromValue);
    stop(*arc);
    if (key == kStartAngleKey)
        m_startAngle = toValue;
    else
        m_endAngle = toValue;
    // Without a delegate to own it, or with no time to run, the slice simply
    // takes its new value.
    if (!delegate || durationMilliseconds <= 0)
        return;

    auto *animation = new QVariantAnimation(delegate);
    animation->setStartValue(from);
    animation->setEndValue(toValue);
    animation->setDuration(durationMilliseconds);
    animation->setEasingCurve(timingCurve(0.25, 0.1, 0.25, 1.0));
    QObject::connect(animation, &QVariantAnimation::finished, delegate,
                     [delegate, animation] { delegate->animationDidStop(animation, true); });
    arc->animation = animation;
    arc->delegate = delegate;
    delegate->animationDidStart(animation);
    animation->start();
}

std::optional<double> SliceLayer::presentationValue(const QString &key) const
{
    const ArcAnimation *arc = arcAnimation(key);
    if (!arc)
        return std::nullopt;
    if (arc->animation && arc->animation->state() == QAbstractAnimation::Running)
        return arc->animation->currentValue().toDouble();
    if (!m_presented)
        return std::nullopt;
    return key == kStartAngleKey ? m_startAngle : m_endAngle;
}

void SliceLayer::removeAllAnimations()
{
    stop(m_startAngleAnimation);
    stop(m_endAngleAnimation);
}

void SliceLayer::stop(ArcAnimation &arc)
{
    QVariantAnimation *animation = arc.animation;
    PieChart *delegate = arc.delegate;
    arc = {};
    if (!animation || animation->state() != QAbstractAnimation::Running)
        return;
    animation->stop();
    if (delegate)
        delegate->animationDidStop(animation, false);
}
