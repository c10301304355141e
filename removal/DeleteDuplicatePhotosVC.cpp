#include "DeleteDuplicatePhotosVC.h"

#include "ScreenLinks.h"

#include <NotificationCenter.h>
#include <ProcessState.h>
#include <SYFlatButton.h>
#include <SettingsStore.h>

#include <QCheckBox>
#include <QLabel>
#include <QKeyEvent>
#include <QShowEvent>

DeleteDuplicatePhotosVC::DeleteDuplicatePhotosVC(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DeleteDuplicatePhotosVC"));
    m_outlets = buildConfirmation(this, "btnDonotShowAgain", QStringLiteral("IDS_TMR_66"), QStringLiteral("IDS_TMR_67"));
    setWindowTitle(m_outlets.lblTitle->text());
    connect(m_outlets.btnOk, &SYFlatButton::clicked, this, [this] { tappedOk(); });
    connect(m_outlets.btnCancel, &SYFlatButton::clicked, this, [this] { tappedCancel(); });
    connect(m_outlets.box, &QCheckBox::clicked, this, [this](bool ticked) { tappedDonotShowAgain(ticked); });
}

void DeleteDuplicatePhotosVC::presentOver(QWidget *resultsScreen)
{
    QWidget *window = resultsScreen ? resultsScreen->window() : nullptr;
    setParent(window, Qt::Sheet | Qt::Dialog);
    setWindowModality(window ? Qt::WindowModal : Qt::ApplicationModal);
    open();
}

void DeleteDuplicatePhotosVC::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        viewWillAppear();
}

void DeleteDuplicatePhotosVC::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        tappedOk();
    else
        QDialog::keyPressEvent(event);
}

void DeleteDuplicatePhotosVC::viewWillAppear()
{
    m_answered = false;
    m_outlets.box->setChecked(false);
    m_outlets.btnOk->setFocus();
    isOverlayDialogShown = true;
}

void DeleteDuplicatePhotosVC::tappedOk()
{
    answer(kDeleteDuplicateFilesNotification);
}

void DeleteDuplicatePhotosVC::tappedCancel()
{
    answer(kHideTopParentLayerDashboardNotification);
}

void DeleteDuplicatePhotosVC::answer(const char *notification)
{
    // Only the first answer counts; clicks while the sheet closes do nothing.
    if (m_answered)
        return;
    m_answered = true;
    done(notification == kDeleteDuplicateFilesNotification ? Accepted : Rejected);
    ScreenLinks::detachSheet(this);
    NotificationCenter::defaultCenter().post(QLatin1String(notification));
    isOverlayDialogShown = false;
}

void DeleteDuplicatePhotosVC::tappedDonotShowAgain(bool ticked)
{
    confirmBeforeDeletingPhotosEnabled = !ticked;
    saveAlertSettings();
}

