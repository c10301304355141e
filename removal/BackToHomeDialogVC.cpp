#include "BackToHomeDialogVC.h"

#include "ScreenLinks.h"

#include <CustomAnimator.h>
#include <NotificationCenter.h>
#include <ProcessState.h>
#include <SYFlatButton.h>
#include <SettingsStore.h>
#include <UserDefaults.h>

#include <QCheckBox>
#include <QKeyEvent>
#include <QPainter>
#include <QShowEvent>

BackToHomeDialogVC::BackToHomeDialogVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("BackToHomeDialogVC"));
    setFocusPolicy(Qt::StrongFocus);
    m_outlets = buildConfirmation(this, "btnDoNotShowAgain", QStringLiteral("IDS_TMR_1"), QStringLiteral("IDS_TMR_63"));
    connect(m_outlets.btnOk, &SYFlatButton::clicked, this, [this] { tappedOk(); });
    connect(m_outlets.btnCancel, &SYFlatButton::clicked, this, [this] { tappedCancel(); });
    connect(m_outlets.box, &QCheckBox::clicked, this, [this](bool ticked) { tappedDoNotShowAgain(ticked); });
}

void BackToHomeDialogVC::paintEvent(QPaintEvent *)
{
    // The overlay dims what lies under the dialog.
    QPainter(this).fillRect(rect(), QColor(0, 0, 0, 110));
}

void BackToHomeDialogVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        viewWillAppear();
}

void BackToHomeDialogVC::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    ScreenLinks::setChildEnabled(ScreenLinks::scanScreen(), "btnClose", true);
}

void BackToHomeDialogVC::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        tappedOk();
    else if (event->key() == Qt::Key_Escape)
        tappedCancel();
    else
        QWidget::keyPressEvent(event);
}

void BackToHomeDialogVC::viewWillAppear()
{
    m_answered = false;
    m_outlets.box->setChecked(false);
    // Return answers OK, so the keyboard starts there, where it can be seen.
    m_outlets.btnOk->setFocus(Qt::OtherFocusReason);
    ScreenLinks::setChildEnabled(ScreenLinks::scanScreen(), "btnClose", false);
    isOverlayDialogShown = true;
}

void BackToHomeDialogVC::tappedOk()
{
    answer(kBackToHomeObserverNotification);
}

void BackToHomeDialogVC::tappedCancel()
{
    answer(kHideTopParentLayerScanVCNotification);
}

void BackToHomeDialogVC::answer(const char *notification)
{
    if (m_answered)
        return;
    m_answered = true;
    QWidget *scan = ScreenLinks::scanScreen();
    ScreenLinks::invoke(scan, "enableScanButtons");
    if (scanCustomAnimator && scan)
        scanCustomAnimator->animateDismissalOfViewController(this, scan);
    else
        hide();
    NotificationCenter::defaultCenter().post(QLatin1String(notification));
    UserDefaults::standard().setObject(QLatin1String(kDisablePieChartAnimationKey), false);
    ScreenLinks::setChildEnabled(scan, "btnClose", true);
    isOverlayDialogShown = false;
}

void BackToHomeDialogVC::tappedDoNotShowAgain(bool ticked)
{
    backToHomeAlertEnabled = !ticked;
    saveAlertSettings();
}
