#pragma once

#include <QGraphicsEffect>
#include <QHash>
#include <QPointer>
#include <QStringList>
#include <QTransform>

class QVariantAnimation;

// What stands in for a view's backing layer: it draws the view (children
// included) placed by an anchor point and a position and turned by a
// transform and by the animated rotation. A view has one only once it is made
// layer-backed. Coordinates are the view's own (origin at the top left);
// angles are radians, positive counter-clockwise on screen.
class ViewLayer : public QGraphicsEffect
{
    Q_OBJECT
    Q_PROPERTY(qreal rotation READ rotation WRITE setRotation)

public:
    // Makes the view layer-backed; a view that already is keeps its layer.
    static ViewLayer *attach(QWidget *view);
    // The view's layer; nullptr when the view is not layer-backed.
    static ViewLayer *of(const QWidget *view);

    // The unit point of the view's bounds that the position places and that
    // turns stay centred on; (0, 0) for a new layer.
    QPointF anchorPoint() const { return m_anchorPoint; }
    void setAnchorPoint(const QPointF &anchorPoint);
    // Where the anchor point is drawn; (0, 0) for a new layer.
    QPointF position() const { return m_position; }
    void setPosition(const QPointF &position);
    QTransform affineTransform() const { return m_affineTransform; }
    void setAffineTransform(const QTransform &transform);
    // The turn on show on top of the transform; animations drive it.
    qreal rotation() const { return m_rotation; }
    void setRotation(qreal radians);

    // From the view's coordinates to where its pixels are drawn.
    QTransform layerTransform() const;

    // Turns the layer from one angle to another over the duration, once,
    // under the key (replacing an animation of that key); the turn on show
    // goes back to 0 when it ends.
    void addRotationAnimation(const QString &key, qreal from, qreal to, double seconds);
    QVariantAnimation *animation(const QString &key) const;
    QStringList animationKeys() const;
    void removeAllAnimations();

protected:
    QRectF boundingRectFor(const QRectF &rect) const override;
    void draw(QPainter *painter) override;

private:
    explicit ViewLayer(QWidget *view);
    void changed();

    QPointer<QWidget> m_view;
    QPointF m_anchorPoint;
    QPointF m_position;
    QTransform m_affineTransform;
    qreal m_rotation = 0;
    QHash<QString, QPointer<QVariantAnimation>> m_animations;
};

// Moves the anchor point of the view's layer to the unit point while the
// layer stays where it is on screen, so that a later turn goes about the new
// point. Nothing happens to a view without a layer.
void setAnchorPoint(const QPointF &anchorPoint, QWidget *view);

// Turns the view's layer from 0 to the angle over the duration, once, under
// the key "rotationAnimation"; the layer shows unturned again at the end.
// Nothing happens to a view without a layer.
void addRotationAnimation(QWidget *view, qreal angle, double duration);
