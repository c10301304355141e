#include "ProgressBar.h"

#include "BezierPath.h"
#include "KitSupport.h"

#include <QPainter>

#include <cmath>

namespace {

// Gap between the border and the inner bar on every side.
constexpr qreal kInset = 3.0;
constexpr qreal kBorderWidth = 1.0;

} // namespace

ProgressBar::ProgressBar(QWidget *parent)
    : DeterminateAnimation(parent, DeferConfiguration{})
{
    configureLayers();
}

void ProgressBar::setBorderColor(const QColor &borderColor)
{
    m_borderColor = borderColor;
    updateAppearance();
}

void ProgressBar::configureLayers()
{
    updateAppearance();
}

void ProgressBar::updateAppearance()
{
    // Colours and the rounded ends are read when painting; the view's own
    // corners are always half its height, whatever cornerRadius says.
    update();
}

void ProgressBar::updateProgress()
{
    const qreal value = progress();
    const qreal share = std::isfinite(value) ? std::clamp<qreal>(value, 0.0, 1.0) : 0.0;
    m_filledShare.setValue(share, animated(), timingCurve(0.0, 0.0, 0.58, 1.0));
}

QRectF ProgressBar::progressRect() const
{
    const QRectF inner = QRectF(QPointF(0, 0), size()).adjusted(kInset, kInset, -kInset, -kInset);
    const qreal share = std::clamp<qreal>(m_filledShare.presented(), 0.0, 1.0);
    const QRectF bar(inner.x(), inner.y(), std::max<qreal>(0.0, inner.width()) * share, std::max<qreal>(0.0, inner.height()));
    return KitSupport::fromBottomLeft(bar, height());
}

void ProgressBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF bounds(QPointF(0, 0), size());
    paintBackground(painter, bounds.height() * 0.5);
    painter.setRenderHint(QPainter::Antialiasing);

    // The border is drawn inside the bounds, as a layer border is.
    const qreal half = kBorderWidth / 2.0;
    const QRectF border = bounds.adjusted(half, half, -half, -half);
    painter.setPen(QPen(m_borderColor, kBorderWidth));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(border, border.height() * 0.5, border.height() * 0.5);

    const QRectF bar = progressRect();
    if (bar.width() > 0 && bar.height() > 0) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(foreground());
        const qreal radius = std::min(bar.height(), bar.width()) * 0.5;
        painter.drawRoundedRect(bar, radius, radius);
    }
}
