#include "HomeWindow.h"

#include <MainMenuHost.h>

#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>

namespace {

// The menu bar starts right of the three window dots.
constexpr QPoint kMenuBarOrigin(88, 7);
constexpr int kMenuBarHeight = 30;

} // namespace

HomeWindow::HomeWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("HomeWindow"));
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("homeMenuBar"));
    // A desktop's global menu would take the bar away from the strip.
    m_menuBar->setNativeMenuBar(false);
    m_menuBar->setAttribute(Qt::WA_TranslucentBackground);
    m_menuBar->setStyleSheet(QStringLiteral(
        "QMenuBar { background: transparent; color: #ffffff; font-size: 13px; }"
        "QMenuBar::item { background: transparent; padding: 5px 9px; border-radius: 6px; }"
        "QMenuBar::item:selected { background: rgba(255, 255, 255, 40); }"
        "QMenuBar::item:disabled { color: rgba(255, 255, 255, 110); }"));
    MainMenuHost::install(m_menuBar);
}

void HomeWindow::setContentViewController(QWidget *content)
{
    if (m_content == content)
        return;
    m_content = content;
    if (!content)
        return;
    content->setParent(this);
    content->move(0, 0);
    setFixedSize(content->size());
    content->show();
    placeMenuBar();
}

QRegion HomeWindow::roundedRegion(const QSize &size)
{
    QPainterPath outline;
    outline.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), kCornerRadius, kCornerRadius);
    return QRegion(outline.toFillPolygon().toPolygon());
}

void HomeWindow::placeMenuBar()
{
    m_menuBar->setGeometry(kMenuBarOrigin.x(), kMenuBarOrigin.y(), qMax(0, width() / 3), kMenuBarHeight);
    m_menuBar->raise();
}

void HomeWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    setMask(roundedRegion(event->size()));
    placeMenuBar();
}

void HomeWindow::paintEvent(QPaintEvent *)
{
    // Drawn under the content, antialiased inside the mask's hard edge.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), kCornerRadius, kCornerRadius);
    painter.setClipPath(outline);
    painter.fillRect(rect(), palette().window());
}
