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
    // The menu under the pointer, or reached by Alt or F10, stands out on the
    // dark strip by its outline as well as its fill. Every item keeps a
    // clear outline, so the highlighted one keeps its size.
    m_menuBar->setStyleSheet(QStringLiteral(
        "QMenuBar { background: transparent; color: #ffffff; font-size: 13px; }"
        "QMenuBar::item { background: transparent; padding: 4px 8px; border: 1px solid transparent; border-radius: 6px; }"
        "QMenuBar::item:selected { background: rgba(255, 255, 255, 56); border-color: rgba(255, 255, 255, 200); }"
        "QMenuBar::item:disabled { color: rgba(255, 255, 255, 110); }"));
    m_menuBar->installEventFilter(this);
    MainMenuHost::install(m_menuBar);
}

bool HomeWindow::eventFilter(QObject *watched, QEvent *event)
{
    // The bar is as wide as its menus, so the rest of the strip still moves
    // the window; it grows and shrinks as its menus and their titles change.
    if (watched == m_menuBar
        && (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionRemoved
            || event->type() == QEvent::ActionChanged))
        QMetaObject::invokeMethod(this, [this] { placeMenuBar(); }, Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
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
    const int room = qMax(0, width() - kMenuBarOrigin.x() - kCornerRadius);
    m_menuBar->setGeometry(kMenuBarOrigin.x(), kMenuBarOrigin.y(), qMin(m_menuBar->sizeHint().width(), room), kMenuBarHeight);
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
