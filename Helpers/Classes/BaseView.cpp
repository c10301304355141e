#include "BaseView.h"

#include <QPainter>

BaseView::BaseView(QWidget *parent)
    : BaseView(parent, DeferConfiguration{})
{
    configureLayers();
}

BaseView::BaseView(QWidget *parent, DeferConfiguration)
    : QWidget(parent)
{
}

void BaseView::setBackground(const QColor &background)
{
    m_background = background;
    updateAppearance();
}

void BaseView::setForeground(const QColor &foreground)
{
    m_foreground = foreground;
    updateAppearance();
}

void BaseView::setCornerRadius(qreal cornerRadius)
{
    m_cornerRadius = cornerRadius;
    updateAppearance();
}

void BaseView::configureLayers()
{
    updateAppearance();
}

void BaseView::updateAppearance()
{
    update();
}

void BaseView::paintBackground(QPainter &painter, qreal cornerRadius) const
{
    if (m_background.alpha() == 0)
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_background);
    const qreal radius = std::max<qreal>(0.0, cornerRadius);
    painter.drawRoundedRect(QRectF(rect()), radius, radius);
    painter.restore();
}

void BaseView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paintBackground(painter, m_cornerRadius);
}
