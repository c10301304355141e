#include "IgnoreListExtensionsCellView.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>

IgnoreListExtensionsCellView::IgnoreListExtensionsCellView(QWidget *parent)
    : QWidget(parent)
    , btnCheckBox(new QCheckBox(this))
    , lblName(new QLabel(this))
{
    setObjectName(QStringLiteral("IgnoreListExtensionsCellView"));
    lblName->setTextFormat(Qt::PlainText);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 3, 8, 3);
    layout->setSpacing(6);
    layout->addWidget(btnCheckBox);
    layout->addWidget(lblName, 1);
}
