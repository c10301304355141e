#include "ViewLayer.h"

#include <QPainter>
#include <QVariantAnimation>
#include <QWidget>

#include <cmath>
#include <utility>

ViewLayer::ViewLayer(QWidget *view)
    : QGraphicsEffect(view)
    , m_view(view)
{
}

ViewLayer *ViewLayer::attach(QWidget *view)
{
    if (ViewLayer *layer = of(view))
        return layer;
    auto *layer = new ViewLayer(view);
    view->setGraphicsEffect(layer);
    return layer;
}

ViewLayer *ViewLayer::of(const QWidget *view)
{
    return view ? qobject_cast<ViewLayer *>(view->graphicsEffect()) : nullptr;
}

void ViewLayer::setAnchorPoint(const QPointF &anchorPoint)
{
    m_anchorPoint = anchorPoint;
    changed();
}

void ViewLayer::setPosition(const QPointF &position)
{
    m_position = position;
    changed();
}

void ViewLayer::setAffineTransform(const QTransform &transform)
{
    m_affineTransform = transform;
    changed();
}

void ViewLayer::setRotation(qreal radians)
{
    m_rotation = radians;
    changed();
}

void ViewLayer::changed()
{
    updateBoundingRect();
    update();
}

QTransform ViewLayer::layerTransform() const
{
    const QSizeF size = m_view ? QSizeF(m_view->size()) : QSizeF();
    const QPointF anchor(size.width() * m_anchorPoint.x(), size.height() * m_anchorPoint.y());
    // Qt turns clockwise for positive degrees, the y axis pointing down.
    QTransform turn;
    turn.rotateRadians(-m_rotation);
    return QTransform::fromTranslate(-anchor.x(), -anchor.y()) * turn * m_affineTransform
        * QTransform::fromTranslate(m_position.x(), m_position.y());
}

QRectF ViewLayer::boundingRectFor(const QRectF &rect) const
{
    return rect.united(layerTransform().mapRect(rect));
}

void ViewLayer::draw(QPainter *painter)
{
    const QTransform transform = layerTransform();
    if (transform.isIdentity()) {
        drawSource(painter);
        return;
    }
    QPoint offset;
    const QPixmap pixmap = sourcePixmap(Qt::LogicalCoordinates, &offset, QGraphicsEffect::NoPad);
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setTransform(transform, true);
    painter->drawPixmap(offset, pixmap);
    painter->restore();
}

void ViewLayer::addRotationAnimation(const QString &key, qreal from, qreal to, double seconds)
{
    if (QVariantAnimation *previous = m_animations.take(key)) {
        previous->disconnect(this);
        previous->stop();
        previous->deleteLater();
    }
    setRotation(from);
    auto *turn = new QVariantAnimation(this);
    turn->setStartValue(from);
    turn->setEndValue(to);
    turn->setDuration(seconds > 0 ? int(std::lround(seconds * 1000)) : 0);
    connect(turn, &QVariantAnimation::valueChanged, this, [this](const QVariant &value) { setRotation(value.toReal()); });
    connect(turn, &QVariantAnimation::finished, this, [this, turn, key] {
        if (m_animations.value(key) != turn)
            return;
        m_animations.remove(key);
        turn->deleteLater();
        setRotation(0);
    });
    m_animations.insert(key, turn);
    turn->start();
}

QVariantAnimation *ViewLayer::animation(const QString &key) const
{
    return m_animations.value(key);
}

QStringList ViewLayer::animationKeys() const
{
    return m_animations.keys();
}

void ViewLayer::removeAllAnimations()
{
    const auto running = std::exchange(m_animations, {});
    for (const QPointer<QVariantAnimation> &animation : running) {
        if (animation) {
            animation->disconnect(this);
            animation->stop();
            animation->deleteLater();
        }
    }
    setRotation(0);
}

void setAnchorPoint(const QPointF &anchorPoint, QWidget *view)
{
    ViewLayer *layer = ViewLayer::of(view);
    if (!layer)
        return;
    const QSizeF bounds = view->size();
    const QTransform transform = layer->affineTransform();
    const QPointF newPoint = transform.map(QPointF(bounds.width() * anchorPoint.x(), bounds.height() * anchorPoint.y()));
    const QPointF oldPoint = transform.map(QPointF(bounds.width() * layer->anchorPoint().x(), bounds.height() * layer->anchorPoint().y()));
    layer->setPosition(layer->position() - oldPoint + newPoint);
    layer->setAnchorPoint(anchorPoint);
}

void addRotationAnimation(QWidget *view, qreal angle, double duration)
{
    if (ViewLayer *layer = ViewLayer::of(view))
        layer->addRotationAnimation(QStringLiteral("rotationAnimation"), 0.0, angle, duration);
}
