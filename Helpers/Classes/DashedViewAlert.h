#pragma once

#include <QWidget>

// A view framed by a dark blue dashed border, drawn along its own bounds
// whatever part of it is being repainted.
class DashedViewAlert : public QWidget
{
    Q_OBJECT

public:
    explicit DashedViewAlert(QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
