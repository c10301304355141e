#pragma once

#include "DeterminateAnimation.h"

// A horizontal bar with semicircular ends: a thin border and, 3 points inside
// it, a bar in the foreground colour whose width follows `progress`.
class ProgressBar : public DeterminateAnimation
{
    Q_OBJECT
    Q_PROPERTY(QColor borderColor READ borderColor WRITE setBorderColor)

public:
    explicit ProgressBar(QWidget *parent = nullptr);

    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor &borderColor);

    void configureLayers() override;
    void updateAppearance() override;
    void updateProgress() override;

    // The filled share of the inner bar (0...1; a new bar is full until its
    // first progress update), and the inner bar as drawn now.
    qreal filledShare() const { return m_filledShare.value(); }
    QRectF progressRect() const;
    QVariantAnimation &progressAnimation() { return m_filledShare.animation(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_borderColor = Qt::black;
    PresentedValue m_filledShare{this, 1.0};
};
