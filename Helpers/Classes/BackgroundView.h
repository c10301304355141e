#pragma once

#include <QColor>
#include <QPointF>
#include <QWidget>

// A plain view filled with one colour; the pie chart is built on it.
class BackgroundView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor)

public:
    explicit BackgroundView(QWidget *parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor &backgroundColor);
    // Stored only.
    QPointF center() const { return m_center; }
    void setCenter(const QPointF &center) { m_center = center; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_backgroundColor = Qt::transparent;
    QPointF m_center;
};
