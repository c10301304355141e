#include "CancelScanningVC.h"

#include "ScanVC.h"
#include "ScreenParts.h"

#include <CustomAnimator.h>
#include <EmbeddedImages.h>
#include <KitAccessibility.h>
#include <Localization.h>

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

QLabel *makeText(QWidget *parent, const char *name, const QRect &frame, int pixelSize, bool bold, const QColor &color)
{
    QLabel *label = ScreenParts::makeLabel(parent, name, frame, pixelSize, bold, color, Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

} // namespace

CancelScanningVC::CancelScanningVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("CancelScanningVC"));
    setAttribute(Qt::WA_StyledBackground);
    // A card in the middle of the (dimmed) screen it covers.
    auto *card = new QFrame(this);
    card->setObjectName(QStringLiteral("card"));
    card->setStyleSheet(QStringLiteral("#card { background: #ffffff; border-radius: 14px; }"));
    card->setGeometry(304, 201, 400, 300);
    // Only the backdrop fades in and out: the ring and its percentage under
    // the card must never show through the question.
    CustomAnimator::setOpaqueDuringFade(card);
    boxHeader = new QFrame(card);
    boxHeader->setObjectName(QStringLiteral("boxHeader"));
    boxHeader->setGeometry(0, 0, 400, 150);
    boxDescription = new QFrame(card);
    boxDescription->setObjectName(QStringLiteral("boxDescription"));
    boxDescription->setGeometry(0, 150, 400, 150);

    imgView = new QLabel(boxHeader);
    imgView->setObjectName(QStringLiteral("imgView"));
    imgView->setGeometry(164, 20, 72, 72);
    imgView->setScaledContents(true);
    if (const std::optional<QImage> icon = EmbeddedImages::decodeImage(EmbeddedImages::dialogIconImage()))
        imgView->setPixmap(QPixmap::fromImage(*icon));
    lblTitle = makeText(boxHeader, "lblTitle", QRect(20, 104, 360, 32), 20, true, ScreenParts::kInk);
    message = makeText(boxDescription, "message", QRect(30, 0, 340, 60), 15, false, ScreenParts::kMutedInk);
    btnYes = ScreenParts::makeButton(boxDescription, "btnYes", QRect(50, 84, 140, 40), true);
    btnNo = ScreenParts::makeButton(boxDescription, "btnNo", QRect(210, 84, 140, 40), false);
    btnYes->setDefault(true);

    lblTitle->setText(localizedString(QStringLiteral("IDS_TMR_1")));
    message->setText(localizedString(QStringLiteral("IDS_TMR_113")));
    btnYes->setText(localizedString(QStringLiteral("IDS_TMR_111")));
    btnNo->setText(localizedString(QStringLiteral("IDS_TMR_112")));
    // A reader landing on Yes says what it answers.
    KitAccessibility::presentAsQuestion(this, lblTitle, message, {btnYes, btnNo});
    connect(btnYes, &QPushButton::clicked, this, [this] { clickedYes(); });
    connect(btnNo, &QPushButton::clicked, this, [this] { clickedNo(); });
}

void CancelScanningVC::setScanVC(ScanVC *scanVC)
{
    m_scanVC = scanVC;
    m_answered = false;
}

void CancelScanningVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_scanVC) {
        if (QWidget *dimming = m_scanVC->findChild<QWidget *>(QStringLiteral("boxTopLayer")))
            dimming->show();
    }
    btnYes->setFocus();
}

void CancelScanningVC::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (m_scanVC) {
        if (QWidget *dimming = m_scanVC->findChild<QWidget *>(QStringLiteral("boxTopLayer")))
            dimming->hide();
    }
}

void CancelScanningVC::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        clickedNo();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        clickedYes();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CancelScanningVC::dismiss()
{
    if (scanCustomAnimator && m_scanVC)
        scanCustomAnimator->animateDismissalOfViewController(this, m_scanVC);
}

void CancelScanningVC::clickedYes()
{
    answer(true);
}

void CancelScanningVC::clickedNo()
{
    answer(false);
}

void CancelScanningVC::answer(bool stop)
{
    if (m_answered)
        return;
    m_answered = true;
    QPointer<ScanVC> scanVC = m_scanVC;
    if (scanVC) {
        if (stop)
            scanVC->confirmStopFromDialog();
        else
            scanVC->resumeFromDialog();
    }
    dismiss();
    // The close step belongs to the screen: it is dropped when the screen is gone.
    if (scanVC) {
        QTimer::singleShot(stop ? kCloseAfterYesMilliseconds : kCloseAfterNoMilliseconds, scanVC,
                           [scanVC, stop] { scanVC->closeCancelDialog(stop); });
    }
}
