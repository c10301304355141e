#pragma once

#include <QScrollArea>

// A scroll view that can be frozen: while isScrollingDisabled is set, the
// scroll wheel moves nothing here and the event goes no further, whether it
// lands on the content or on a scroller. Dragging a scroller still works.
class CustomScrollerView : public QScrollArea
{
    Q_OBJECT

public:
    explicit CustomScrollerView(QWidget *parent = nullptr);

protected:
    void wheelEvent(QWheelEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watchScrollers();
};
