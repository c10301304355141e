#include "CancelScanningVC.h"

#include "ScanVC.h"

#include <CustomAnimator.h>
#include <EmbeddedImages.h>
#include <Localization.h>

#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

namespace {

QLabel *makeText(QWidget *parent, const char *name, const QRect &frame, int pixelSize, bool bold, const QColor &color)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(frame);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    return label;
}

QPushButton *makeAnswer(QWidget *parent, const char *name, const QRect &frame, bool primary)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(frame);
    button->setCursor(Qt::PointingHandCursor);
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid #2d8ce6;"
                                         " border-radius: 20px; font-size: 15px; font-weight: bold; }"
                                         "QPushButton:focus { border: 2px solid #1b4a8c; }")
                                  .arg(primary ? QStringLiteral("#2d8ce6") : QStringLiteral("#ffffff"),
                                       primary ? QStringLiteral("#ffffff") : QStringLiteral("#2d8ce6")));
    return button;
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
    lblTitle = makeText(boxHeader, "lblTitle", QRect(20, 104, 360, 32), 20, true, QColor(27, 74, 140));
    message = makeText(boxDescription, "message", QRect(30, 0, 340, 60), 15, false, QColor(90, 112, 140));
    btnYes = makeAnswer(boxDescription, "btnYes", QRect(50, 84, 140, 40), true);
    btnNo = makeAnswer(boxDescription, "btnNo", QRect(210, 84, 140, 40), false);
    btnYes->setDefault(true);

    lblTitle->setText(localizedString(QStringLiteral("IDS_TMR_1")));
    message->setText(localizedString(QStringLiteral("IDS_TMR_113")));
    btnYes->setText(localizedString(QStringLiteral("IDS_TMR_111")));
    btnNo->setText(localizedString(QStringLiteral("IDS_TMR_112")));
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
    if (m_answered)
        return;
    m_answered = true;
    QPointer<ScanVC> scanVC = m_scanVC;
    if (scanVC)
        scanVC->confirmStopFromDialog();
    dismiss();
    // The close step belongs to the screen: it is dropped when the screen is gone.
    if (scanVC)
        QTimer::singleShot(kCloseAfterYesMilliseconds, scanVC, [scanVC] { scanVC->closeCancelDialog(true); });
}

void CancelScanningVC::clickedNo()
{
    if (m_answered)
        return;
    m_answered = true;
    QPointer<ScanVC> scanVC = m_scanVC;
    if (scanVC)
        scanVC->resumeFromDialog();
    dismiss();
    if (scanVC)
        QTimer::singleShot(kCloseAfterNoMilliseconds, scanVC, [scanVC] { scanVC->closeCancelDialog(false); });
}
