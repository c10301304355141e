#pragma once

#include <QScrollArea>

// A scroll view whose corner between its two scrollers is black.
class ThemedScrollView : public QScrollArea
{
    Q_OBJECT

public:
    explicit ThemedScrollView(QWidget *parent = nullptr);

    // The corner square between the scrollers, in the view's own coordinates;
    // empty unless both scrollers are on show.
    QRect cornerRect() const;

protected:
    bool event(QEvent *event) override;
};
