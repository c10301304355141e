#include "IgnoreListOptionsCellView.h"

#include <QHBoxLayout>
#include <QLabel>

IgnoreListOptionsCellView::IgnoreListOptionsCellView(QWidget *parent)
    : QWidget(parent)
    , imgView(new QLabel(this))
    , lblName(new QLabel(this))
{
    setObjectName(QStringLiteral("IgnoreListOptionsCellView"));
    imgView->setFixedSize(32, 32);
    imgView->setScaledContents(true);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 6, 8, 6);
    layout->setSpacing(8);
    layout->addWidget(imgView);
    layout->addWidget(lblName, 1);
}
