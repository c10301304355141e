#include "SupportPreferencesViewController.h"

#include <Localization.h>

#include <QLabel>
#include <QVBoxLayout>

SupportPreferencesViewController::SupportPreferencesViewController(QWidget *parent)
    : PreferencesViewController(QStringLiteral("IDS_TMR_23"), parent)
    , lblLiveHelpAvailableCallus(new QLabel(this))
    , lblForHelpOnAnySystemRelated(new QLabel(this))
    , lblContactNo(new QLabel(this))
    , lblTollFree24x7(new QLabel(this))
{
    QFont heading = lblLiveHelpAvailableCallus->font();
    heading.setBold(true);
    lblLiveHelpAvailableCallus->setFont(heading);
    lblForHelpOnAnySystemRelated->setWordWrap(true);
    lblForHelpOnAnySystemRelated->setObjectName(QStringLiteral("lblForHelpOnAnySystemRelated"));
    QFont number = lblContactNo->font();
    number.setPointSizeF(number.pointSizeF() * 1.4);
    number.setBold(true);
    lblContactNo->setFont(number);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(10);
    layout->addWidget(lblLiveHelpAvailableCallus);
    layout->addWidget(lblForHelpOnAnySystemRelated);
    layout->addSpacing(6);
    layout->addWidget(lblContactNo);
    layout->addWidget(lblTollFree24x7);
    layout->addStretch(1);
}

QString SupportPreferencesViewController::composedSupportText()
{
    return localizedString(QStringLiteral("IDS_TMR_45")) + QStringLiteral("\n\n")
           + localizedString(QStringLiteral("IDS_TMR_45_1")) + QStringLiteral("\n")
           + localizedString(QStringLiteral("IDS_TMR_46_1")) + QStringLiteral(" +1 ")
           + localizedString(QStringLiteral("IDS_TMR_46"));
}

void SupportPreferencesViewController::viewDidLoad()
{
    lblLiveHelpAvailableCallus->setText(localizedString(QStringLiteral("IDS_TMR_44")));
    lblForHelpOnAnySystemRelated->setText(composedSupportText());
    lblContactNo->setText(localizedString(QStringLiteral("IDS_TMR_46")));
    lblTollFree24x7->setText(localizedString(QStringLiteral("IDS_TMR_47")));
}
