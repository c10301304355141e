#include "ToolTipsDetailsVC.h"

#include <QLabel>
#include <QVBoxLayout>

ToolTipsDetailsVC::ToolTipsDetailsVC(QWidget *parent)
    : QWidget(parent)
{
    message = new QLabel(this);
    message->setWordWrap(true);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(message);
}
