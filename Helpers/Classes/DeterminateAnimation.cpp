#include "DeterminateAnimation.h"

DeterminateAnimation::DeterminateAnimation(QWidget *parent)
    : DeterminateAnimation(parent, DeferConfiguration{})
{
    configureLayers();
}

DeterminateAnimation::DeterminateAnimation(QWidget *parent, DeferConfiguration)
    : BaseView(parent, DeferConfiguration{})
{
}

void DeterminateAnimation::setProgress(qreal progress)
{
    m_progress = progress;
    updateProgress();
}

void DeterminateAnimation::updateProgress()
{
}

DeterminateAnimation::PresentedValue::PresentedValue(QWidget *view, qreal initial)
    : m_view(view)
    , m_value(initial)
{
    QObject::connect(&m_animation, &QVariantAnimation::valueChanged, view, [view] { view->update(); });
}

qreal DeterminateAnimation::PresentedValue::presented() const
{
    if (m_animation.state() == QAbstractAnimation::Running)
        return m_animation.currentValue().toReal();
    return m_value;
}

void DeterminateAnimation::PresentedValue::setValue(qreal target, bool animated, const QEasingCurve &curve)
{
    const qreal from = presented();
    m_animation.stop();
    m_value = target;
    if (animated) {
        m_animation.setStartValue(from);
        m_animation.setEndValue(target);
        m_animation.setDuration(kChangeDuration);
        m_animation.setEasingCurve(curve);
        m_animation.start();
    }
    m_view->update();
}
