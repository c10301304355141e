#pragma once

#include "BezierPath.h"

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QVariantAnimation>

#include <optional>

class PieChart;

// One slice of a pie chart: its value and share, the arc it covers, whether it
// is pulled out, and everything the chart paints for it (a filled shape with
// a soft shadow and a text label). Geometry is in the chart's bottom-left
// coordinates.
class SliceLayer
{
public:
    // The text drawn over a slice.
    struct Label
    {
        QString string;
        bool hidden = false;
        QFont font;
        QColor foregroundColor;
        // No shadow while invalid.
        QColor shadowColor;
        qreal shadowOpacity = 0;
        qreal shadowRadius = 0;
        // The label is drawn centred on its position.
        QSizeF size;
        QPointF position;
    };

    SliceLayer() = default;
    ~SliceLayer();
    SliceLayer(const SliceLayer &) = delete;
    SliceLayer &operator=(const SliceLayer &) = delete;

    double value() const { return m_value; }
    void setValue(double value) { m_value = value; }
    // Share of the total (0...1).
    double percentage() const { return m_percentage; }
    void setPercentage(double percentage) { m_percentage = percentage; }
    // Radians, counter-clockwise from the positive x axis. These are the
    // values the slice is heading for; while an arc animation runs the slice
    // is drawn from presentationValue().
    double startAngle() const { return m_startAngle; }
    void setStartAngle(double startAngle) { m_startAngle = startAngle; }
    double endAngle() const { return m_endAngle; }
    void setEndAngle(double endAngle) { m_endAngle = endAngle; }
    bool isSelected() const { return m_selected; }
    void setSelected(bool selected) { m_selected = selected; }
    // A null string means no text of its own.
    QString text() const { return m_text; }
    void setText(const QString &text) { m_text = text; }

    // "value:…, percentage:…, start:…, end:…", angles in degrees.
    QString description() const;

    // Animates "startAngle" or "endAngle" towards toValue over the given
    // time and makes toValue the slice's own value at once. The animation
    // starts where the slice is drawn now, or at fromValue for a slice that
    // has never been drawn; it replaces one already running for the key. The
    // delegate owns the animation and hears when it starts and stops.
    void createArcAnimationForKey(const QString &key, double fromValue, double toValue, PieChart *delegate,
                                  int durationMilliseconds);
    // The angle on screen now for "startAngle" or "endAngle"; nothing for a
    // slice not drawn yet or an unknown key.
    std::optional<double> presentationValue(const QString &key) const;
    // Stops every arc animation (the delegate hears that each stopped unfinished).
    void removeAllAnimations();
    // From now on the slice counts as drawn.
    void markPresented() { m_presented = true; }

    // The drawn state. The shape and its label move together by `position`.
    BezierPath path;
    QColor fillColor;
    QColor strokeColor;
    qreal lineWidth = 0;
    Qt::PenJoinStyle lineJoin = Qt::MiterJoin;
    qreal zPosition = 0;
    QPointF position;
    QColor shadowColor;
    qreal shadowOpacity = 0;
    qreal shadowRadius = 0;
    Label label;

private:
    struct ArcAnimation
    {
        QPointer<QVariantAnimation> animation;
        PieChart *delegate = nullptr;
    };

    ArcAnimation *arcAnimation(const QString &key);
    const ArcAnimation *arcAnimation(const QString &key) const;
    static void stop(ArcAnimation &arc);

    double m_value = 0;
    double m_percentage = 0;
    double m_startAngle = 0;
    double m_endAngle = 0;
    bool m_selected = false;
    QString m_text;
    bool m_presented = false;
    ArcAnimation m_startAngleAnimation;
    ArcAnimation m_endAngleAnimation;
};
