#pragma once

#include <QScrollBar>

// A light scroller: a rounded pale track and a narrow rounded knob, drawn from
// the scroller's own bounds.
class CustomScroller : public QScrollBar
{
    Q_OBJECT

public:
    explicit CustomScroller(QWidget *parent = nullptr);
    explicit CustomScroller(Qt::Orientation orientation, QWidget *parent = nullptr);

    // The knob: 9 points across, 3 points from the left edge of a vertical
    // scroller or 4 points from the top of a horizontal one, however thick the
    // scroller is; its length and place along the track are the style's.
    QRectF knobRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
};
