#include "IndeterminateAnimation.h"

IndeterminateAnimation::IndeterminateAnimation(QWidget *parent)
    : IndeterminateAnimation(parent, DeferConfiguration{})
{
    configureLayers();
}

IndeterminateAnimation::IndeterminateAnimation(QWidget *parent, DeferConfiguration)
    : BaseView(parent, DeferConfiguration{})
{
}

void IndeterminateAnimation::setAnimate(bool animate)
{
    if (animate == m_animate)
        return;
    m_animate = animate;
    if (animate) {
        setVisible(true);
        startAnimation();
    } else {
        if (!m_displayAfterAnimationEnds)
            setVisible(false);
        stopAnimation();
    }
}

void IndeterminateAnimation::startAnimation()
{
}

void IndeterminateAnimation::stopAnimation()
{
}
