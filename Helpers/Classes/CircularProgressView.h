#pragma once

#include "DeterminateAnimation.h"

#include <QString>

// The progress ring: an arc that starts at the top and fills clockwise as
// `progress` goes from 0 to 1, with the percentage written inside.
class CircularProgressView : public DeterminateAnimation
{
    Q_OBJECT
    Q_PROPERTY(qreal strokeWidth READ strokeWidth WRITE setStrokeWidth)
    Q_PROPERTY(bool showPercent READ showPercent WRITE setShowPercent)

public:
    explicit CircularProgressView(QWidget *parent = nullptr);

    // -1 means automatic: 5 % of the view's width.
    static constexpr qreal kAutomaticStrokeWidth = -1.0;

    qreal strokeWidth() const { return m_strokeWidth; }
    void setStrokeWidth(qreal strokeWidth);
    bool showPercent() const { return m_showPercent; }
    void setShowPercent(bool showPercent);

    void configureLayers() override;
    void updateAppearance() override;
    void updateProgress() override;

    // What the ring draws: the filled share of the circle (0...1), the share
    // on screen while a change is animated, the line width and the label.
    qreal strokeEnd() const { return m_strokeEnd.value(); }
    qreal presentedStrokeEnd() const { return m_strokeEnd.presented(); }
    qreal progressLineWidth() const;
    QString percentText() const { return m_percentText; }
    QColor percentLabelColor() const { return m_percentLabelColor; }
    bool isPercentLabelHidden() const { return m_percentLabelHidden; }
    QVariantAnimation &progressAnimation() { return m_strokeEnd.animation(); }

    // The label for a progress value: its hundredths truncated toward zero,
    // then "%" (1.5 reads "150%"). A value that is not finite draws no arc
    // and reads "0%"; one beyond what a 64-bit integer holds reads as the
    // nearest integer that fits.
    static QString percentTextFor(qreal progress);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    qreal m_strokeWidth = kAutomaticStrokeWidth;
    bool m_showPercent = true;
    PresentedValue m_strokeEnd{this, 0.0};
    QString m_percentText;
    QColor m_percentLabelColor;
    bool m_percentLabelHidden = false;
};
