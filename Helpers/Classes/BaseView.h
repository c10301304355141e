#pragma once

#include <QColor>
#include <QWidget>

class QPainter;

// The common base of the progress widgets: a background colour with rounded
// corners, a foreground colour for what the subclass draws, and the two hooks
// every subclass fills in. configureLayers() runs once, when the view is made;
// updateAppearance() runs on every change of a property and may be called by
// owners at any time.
//
// Subclasses draw their state in paintEvent(); geometry is taken from the
// current size when painting, so a view laid out after it was made (as every
// Qt widget is) draws right.
class BaseView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor background READ background WRITE setBackground)
    Q_PROPERTY(QColor foreground READ foreground WRITE setForeground)
    Q_PROPERTY(qreal cornerRadius READ cornerRadius WRITE setCornerRadius)

public:
    explicit BaseView(QWidget *parent = nullptr);

    QColor background() const { return m_background; }
    void setBackground(const QColor &background);
    QColor foreground() const { return m_foreground; }
    void setForeground(const QColor &foreground);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal cornerRadius);

    virtual void configureLayers();
    virtual void updateAppearance();

protected:
    // A C++ base cannot reach a subclass's override while it is being built,
    // so every subclass constructor passes this tag up and calls
    // configureLayers() itself once its own members exist.
    struct DeferConfiguration {};
    BaseView(QWidget *parent, DeferConfiguration);

    // The view's own layer: the background colour with the corner radius.
    void paintBackground(QPainter &painter, qreal cornerRadius) const;
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_background = QColor::fromRgbF(0.344921875f, 0.4078125f, 0.462890625f, 1.0f);
    QColor m_foreground = QColor::fromRgbF(0.258984375f, 0.678515625f, 0.415625f, 1.0f);
    qreal m_cornerRadius = 5.0;
};
