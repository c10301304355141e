#include "BackgroundView.h"

#include <QPainter>

BackgroundView::BackgroundView(QWidget *parent)
    : QWidget(parent)
{
}

void BackgroundView::setBackgroundColor(const QColor &backgroundColor)
{
    m_backgroundColor = backgroundColor;
    update();
}

void BackgroundView::paintEvent(QPaintEvent *)
{
    if (m_backgroundColor.alpha() == 0)
        return;
    QPainter painter(this);
    painter.fillRect(rect(), m_backgroundColor);
}
