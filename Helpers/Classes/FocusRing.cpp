#include "FocusRing.h"

#include <QEvent>
#include <QFocusEvent>
#include <QFocusFrame>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>

namespace FocusRing {

namespace {

const QString kOverlayName = QStringLiteral("focusRing");

QPainterPath ring(const QRectF &outer, qreal radius, qreal width)
{
    const QRectF inner = outer.adjusted(width, width, -width, -width);
    const qreal innerRadius = std::max<qreal>(0.0, radius - width);
    QPainterPath outerPath;
    outerPath.addRoundedRect(outer, radius, radius);
    QPainterPath innerPath;
    innerPath.addRoundedRect(inner, innerRadius, innerRadius);
    return outerPath.subtracted(innerPath);
}

// A QFocusFrame, so that assistive tools do not take the ring for a child of
// the button; it is placed and shown by hand, not by a style.
class Overlay : public QFocusFrame
{
public:
    Overlay(QWidget *target, qreal cornerRadius)
        : QFocusFrame(target)
        , m_target(target)
        , m_cornerRadius(cornerRadius)
    {
        setObjectName(kOverlayName);
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(target->rect());
        hide();
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_target)
            return false;
        switch (event->type()) {
        case QEvent::FocusIn:
            m_fromKeyboard = showsRing(*static_cast<QFocusEvent *>(event), m_fromKeyboard);
            setVisible(m_fromKeyboard);
            raise();
            break;
        case QEvent::FocusOut:
            hide();
            break;
        case QEvent::Resize:
            setGeometry(m_target->rect());
            break;
        default:
            break;
        }
        return false;
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const qreal radius = m_cornerRadius < 0 ? height() / 2.0 : m_cornerRadius;
        FocusRing::paint(painter, QRectF(rect()), radius);
    }

private:
    QWidget *m_target;
    qreal m_cornerRadius;
    // Until a click says otherwise, focus is taken to come from the keyboard.
    bool m_fromKeyboard = true;
};

} // namespace

void paint(QPainter &painter, const QRectF &bounds, qreal cornerRadius)
{
    const qreal radius = std::clamp<qreal>(cornerRadius, 0.0, std::min(bounds.width(), bounds.height()) / 2.0);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(ring(bounds, radius, kRingWidth), kOuterColor);
    painter.fillPath(ring(bounds.adjusted(kRingWidth, kRingWidth, -kRingWidth, -kRingWidth),
                          std::max<qreal>(0.0, radius - kRingWidth), kRingWidth),
                     kInnerColor);
    painter.restore();
}

bool showsRing(const QFocusEvent &focusIn, bool before)
{
    switch (focusIn.reason()) {
    case Qt::ActiveWindowFocusReason:
    case Qt::PopupFocusReason:
        return before;
    case Qt::MouseFocusReason:
        return false;
    default:
        return true;
    }
}

void attach(QWidget *widget, qreal cornerRadius)
{
    if (!widget || widget->findChild<QFocusFrame *>(kOverlayName, Qt::FindDirectChildrenOnly))
        return;
    new Overlay(widget, cornerRadius);
}

bool isShown(const QWidget *widget)
{
    const QWidget *overlay = widget ? widget->findChild<QFocusFrame *>(kOverlayName, Qt::FindDirectChildrenOnly) : nullptr;
    return overlay && overlay->isVisible();
}

} // namespace FocusRing
