#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QLabel;

// A small view that shows one message, the detail of a tooltip; screens
// build it, fill its label and show it.
class ToolTipsDetailsVC : public QWidget
{
    Q_OBJECT

public:
    explicit ToolTipsDetailsVC(QWidget *parent = nullptr);

    QPointer<QLabel> message;
    QString messageValue;
};
