#pragma once

#include "BaseView.h"

// Something that can be told to start and stop its activity animation.
class AnimationStatusDelegate
{
public:
    virtual ~AnimationStatusDelegate() = default;
    virtual void startAnimation() = 0;
    virtual void stopAnimation() = 0;
};

// The base of the activity indicators: a view that is animating or not.
// Switching `animate` on shows the view and starts the animation; switching
// it off stops the animation and hides the view unless
// `displayAfterAnimationEnds` keeps it on screen.
class IndeterminateAnimation : public BaseView, public AnimationStatusDelegate
{
    Q_OBJECT
    Q_PROPERTY(bool displayAfterAnimationEnds READ displayAfterAnimationEnds WRITE setDisplayAfterAnimationEnds)
    Q_PROPERTY(bool animate READ animate WRITE setAnimate)

public:
    explicit IndeterminateAnimation(QWidget *parent = nullptr);

    bool displayAfterAnimationEnds() const { return m_displayAfterAnimationEnds; }
    void setDisplayAfterAnimationEnds(bool display) { m_displayAfterAnimationEnds = display; }
    bool animate() const { return m_animate; }
    void setAnimate(bool animate);

    void startAnimation() override;
    void stopAnimation() override;

protected:
    IndeterminateAnimation(QWidget *parent, DeferConfiguration);

private:
    bool m_displayAfterAnimationEnds = false;
    bool m_animate = false;
};
