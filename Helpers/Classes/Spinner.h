#pragma once

#include "BezierPath.h"
#include "IndeterminateAnimation.h"

#include <QList>
#include <QSizeF>
#include <QVariantAnimation>

// The busy indicator: a ring of small rounded bars (the stars) whose opacity
// falls off around the ring, turned in whole steps, for ever, while it
// animates.
class Spinner : public IndeterminateAnimation
{
    Q_OBJECT
    Q_PROPERTY(QSizeF starSize READ starSize WRITE setStarSize)
    Q_PROPERTY(bool roundedCorners READ roundedCorners WRITE setRoundedCorners)
    Q_PROPERTY(qreal distance READ distance WRITE setDistance)
    Q_PROPERTY(int starCount READ starCount WRITE setStarCount)
    Q_PROPERTY(double duration READ duration WRITE setDuration)
    Q_PROPERTY(bool clockwise READ clockwise WRITE setClockwise)

public:
    // One star. It is placed centred on the point (W / 2, W / 2) of the
    // bottom-left coordinates, W the spinner's current width (see starFrame()),
    // then turns about its anchor point, which stays on that point.
    struct Star
    {
        QSizeF size;
        // The middle of the bottom edge.
        QPointF anchorPoint;
        qreal cornerRadius = 0;
        QColor backgroundColor;
        // Turned by this many radians about the anchor after being pushed
        // out by `distance` along its own upward axis.
        qreal rotation = 0;
        qreal distance = 0;
        float opacity = 1.0f;
    };

    static constexpr int kMinimumStarCount = 1;
    // Above this the whole-degree step between stars would be 0.
    static constexpr int kMaximumStarCount = 360;

    explicit Spinner(QWidget *parent = nullptr);

    QSizeF starSize() const { return m_starSize; }
    void setStarSize(const QSizeF &starSize);
    bool roundedCorners() const { return m_roundedCorners; }
    void setRoundedCorners(bool roundedCorners);
    qreal distance() const { return m_distance; }
    void setDistance(qreal distance);
    int starCount() const { return m_starCount; }
    // Kept within kMinimumStarCount...kMaximumStarCount.
    void setStarCount(int starCount);
    double duration() const { return m_duration; }
    // Seconds per full turn; a value that is not a positive number is ignored.
    void setDuration(double duration);
    bool clockwise() const { return m_clockwise; }
    void setClockwise(bool clockwise);

    void configureLayers() override;
    void updateAppearance() override;
    void startAnimation() override;
    void stopAnimation() override;

    const QList<Star> &starList() const { return m_starList; }
    // The turns the animation steps through (radians, counter-clockwise
    // positive), one for every star, each shown for an equal share of
    // `duration`.
    const QList<qreal> &keyframeValues() const { return m_keyframeValues; }
    // Runs from 0 to 1 once per turn; setting its current time moves the spinner.
    QVariantAnimation &animation() { return m_animation; }
    bool isAnimating() const;
    // The turn of the ring of stars now (radians): the current keyframe while
    // animating, else 0.
    qreal containerRotation() const;
    // Where star `index` is placed before it turns, for the current width.
    QRectF starFrame(int index) const;
    // The outline of star `index` as it stands now, in bottom-left coordinates.
    BezierPath starPath(int index) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<Star> m_starList;
    QList<qreal> m_keyframeValues;
    QVariantAnimation m_animation;
    QSizeF m_starSize{6, 15};
    bool m_roundedCorners = true;
    qreal m_distance = 20;
    int m_starCount = 10;
    double m_duration = 1.0;
    bool m_clockwise = false;
};
