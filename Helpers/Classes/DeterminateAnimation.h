#pragma once

#include "BaseView.h"

#include <QEasingCurve>
#include <QVariantAnimation>

// Something that shows a known amount of progress and can redraw it.
class DeterminableAnimation
{
public:
    virtual ~DeterminableAnimation() = default;
    virtual void updateProgress() = 0;
};

// A progress view with a value between 0 and 1. Every change of `progress`
// redraws it through updateProgress(); `animated` says whether the change is
// animated.
class DeterminateAnimation : public BaseView, public DeterminableAnimation
{
    Q_OBJECT
    Q_PROPERTY(bool animated READ animated WRITE setAnimated)
    Q_PROPERTY(qreal progress READ progress WRITE setProgress)

public:
    explicit DeterminateAnimation(QWidget *parent = nullptr);

    bool animated() const { return m_animated; }
    void setAnimated(bool animated) { m_animated = animated; }
    qreal progress() const { return m_progress; }
    void setProgress(qreal progress);

    void updateProgress() override;

protected:
    DeterminateAnimation(QWidget *parent, DeferConfiguration);

    // One drawn quantity of a progress view: the value it stands for, and the
    // value on screen, which follows it over kChangeDuration when a change is
    // animated. The view repaints on every step.
    class PresentedValue
    {
    public:
        PresentedValue(QWidget *view, qreal initial);

        qreal value() const { return m_value; }
        qreal presented() const;
        // Starts from what is on screen now, so a change in the middle of
        // another one does not jump.
        void setValue(qreal target, bool animated, const QEasingCurve &curve);
        QVariantAnimation &animation() { return m_animation; }

    private:
        QWidget *m_view;
        qreal m_value;
        QVariantAnimation m_animation;
    };

    static constexpr int kChangeDuration = 500; // milliseconds

private:
    bool m_animated = true;
    qreal m_progress = 0;
};
