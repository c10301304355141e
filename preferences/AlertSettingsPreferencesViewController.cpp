#include "AlertSettingsPreferencesViewController.h"

#include <Localization.h>
#include <ProcessState.h>
#include <SettingsStore.h>

#include <QCheckBox>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>

AlertSettingsPreferencesViewController::AlertSettingsPreferencesViewController(QWidget *parent)
    : PreferencesViewController(QStringLiteral("IDS_TMR_20"), parent)
    , alertSettings(new QLabel(this))
    , lblQuillmereAsksforyou(new QLabel(this))
    , btnConfirmBeforeDeletePhotos(new QCheckBox(this))
    , btnConfirmWhenMovingAway(new QCheckBox(this))
{
    btnConfirmBeforeDeletePhotos->setObjectName(QStringLiteral("btnConfirmBeforeDeletePhotos"));
    btnConfirmWhenMovingAway->setObjectName(QStringLiteral("btnConfirmWhenMovingAway"));
    QFont heading = alertSettings->font();
    heading.setBold(true);
    alertSettings->setFont(heading);
    lblQuillmereAsksforyou->setWordWrap(true);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 20, 24, 20);
    layout->setSpacing(10);
    layout->addWidget(alertSettings);
    layout->addWidget(lblQuillmereAsksforyou);
    layout->addWidget(btnConfirmBeforeDeletePhotos);
    layout->addWidget(btnConfirmWhenMovingAway);
    layout->addStretch(1);

    connect(btnConfirmBeforeDeletePhotos, &QCheckBox::clicked, this, [this] { tappedConfirmBeforeDeletingPhotos(); });
    connect(btnConfirmWhenMovingAway, &QCheckBox::clicked, this, [this] { tappedConfirmAwayFromScanResults(); });
}

void AlertSettingsPreferencesViewController::viewDidLoad()
{
    // The pointing hand over the switches.
    btnConfirmBeforeDeletePhotos->setCursor(Qt::PointingHandCursor);
    btnConfirmWhenMovingAway->setCursor(Qt::PointingHandCursor);
    alertSettings->setText(localizedString(QStringLiteral("IDS_TMR_20")));
    lblQuillmereAsksforyou->setText(localizedString(QStringLiteral("IDS_TMR_30")));
    btnConfirmBeforeDeletePhotos->setText(localizedString(QStringLiteral("IDS_TMR_31")));
    btnConfirmWhenMovingAway->setText(localizedString(QStringLiteral("IDS_TMR_32")));
}

void AlertSettingsPreferencesViewController::viewWillAppear()
{
    // A missing or mistyped key keeps the switch in memory as it is (on, unless
    // the user turned it off), so a lost setting still means "confirm".
    loadAlertSettings();
    const QSignalBlocker awayBlocker(btnConfirmWhenMovingAway);
    const QSignalBlocker deleteBlocker(btnConfirmBeforeDeletePhotos);
    btnConfirmWhenMovingAway->setChecked(backToHomeAlertEnabled);
    btnConfirmBeforeDeletePhotos->setChecked(confirmBeforeDeletingPhotosEnabled);
}

void AlertSettingsPreferencesViewController::tappedConfirmBeforeDeletingPhotos()
{
    confirmBeforeDeletingPhotosEnabled = btnConfirmBeforeDeletePhotos->checkState() == Qt::Checked;
    saveAlertSettings();
}

void AlertSettingsPreferencesViewController::tappedConfirmAwayFromScanResults()
{
    backToHomeAlertEnabled = btnConfirmWhenMovingAway->checkState() == Qt::Checked;
    saveAlertSettings();
}
