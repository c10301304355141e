#include "AfterMoveInPhotoLibraryVC.h"

#include "ScreenLinks.h"

#include <CustomAnimator.h>
#include <EmbeddedImages.h>
#include <FileFacts.h>
#include <Localization.h>
#include <ProcessState.h>

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

AfterMoveInPhotoLibraryVC::CountLine AfterMoveInPhotoLibraryVC::countLine(int photoCount)
{
    const QString noun = localizedString(photoCount == 1 ? QStringLiteral("IDS_TMR_75_1") : QStringLiteral("IDS_TMR_75_2"));
    const QString formatted =
        localizedFormat(QStringLiteral("IDS_TMR_75"), {noun},
                        QStringLiteral("%1 went to the album \"Trash (Twinmoor)\" in Photos.").arg(noun));
    CountLine line;
    const QString number = QString::number(photoCount);
    line.text = number + QLatin1Char(' ') + formatted;
    line.highlighted = int(number.size());
    line.html = QStringLiteral("<span style=\"color:#0a60ff\">%1</span>%2")
                    .arg(number, (QLatin1Char(' ') + formatted).toHtmlEscaped());
    return line;
}

QString AfterMoveInPhotoLibraryVC::spaceToRecoverText(quint64 bytes)
{
    return localizedString(QStringLiteral("IDS_TMR_76")) + QStringLiteral(": ") + formatSize(bytes);
}

AfterMoveInPhotoLibraryVC::AfterMoveInPhotoLibraryVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("AfterMoveInPhotoLibraryVC"));
    setFocusPolicy(Qt::StrongFocus);
    QWidget *panel = ScreenLinks::makePanel(this, 700, 430);

    btnClose = new QPushButton(panel);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setAccessibleName(QStringLiteral("Close"));
    btnClose->setFlat(true);
    btnClose->setCursor(Qt::PointingHandCursor);
    if (const std::optional<QImage> image = EmbeddedImages::decodeImage(EmbeddedImages::closeButtonImage()))
        btnClose->setIcon(QPixmap::fromImage(*image));
    btnClose->setFixedSize(20, 20);
    imgViewLogo = new QLabel(panel);
    imgViewLogo->setObjectName(QStringLiteral("imgViewLogo"));
    ScreenLinks::setEmbeddedImage(imgViewLogo, EmbeddedImages::logoImage(), 56, 56);
    lblManualActionNeeded = ScreenLinks::makeLabel(panel, "lblManualActionNeeded", localizedString("IDS_TMR_77"), 16, true);
    lblDescriptionManualActionNeeded = ScreenLinks::makeLabel(panel, "lblDescriptionManualActionNeeded", QString());
    lblDescriptionManualActionNeeded->setTextFormat(Qt::RichText);
    lblDescriptionManualActionNeeded->setMinimumHeight(44);
    lblStep1 = ScreenLinks::makeLabel(panel, "lblStep1", localizedString("IDS_TMR_78") + QLatin1Char(':'), 13, true);
    lblDescriptionStep1 = ScreenLinks::makeLabel(panel, "lblDescriptionStep1", localizedString("IDS_TMR_79"));
    lblStep2 = ScreenLinks::makeLabel(panel, "lblStep2", localizedString("IDS_TMR_80") + QLatin1Char(':'), 13, true);
    lblDescriptionStep2 = ScreenLinks::makeLabel(panel, "lblDescriptionStep2", localizedString("IDS_TMR_81"));
    lblSpaceToRecover = ScreenLinks::makeLabel(panel, "lblSpaceToRecover", QString(), 13, true);
    lblPSPhotosMovedToTrashMay = ScreenLinks::makeLabel(panel, "lblPSPhotosMovedToTrashMay", localizedString("IDS_TMR_82"), 11);
    imgViewDescription = new QLabel(panel);
    imgViewDescription->setObjectName(QStringLiteral("imgViewDescription"));
    ScreenLinks::setEmbeddedImage(imgViewDescription, EmbeddedImages::photosAlbumHelpImage(), 252, 218);

    auto *heading = new QHBoxLayout;
    heading->addWidget(imgViewLogo);
    heading->addWidget(lblManualActionNeeded, 1);
    heading->addWidget(btnClose, 0, Qt::AlignTop);
    auto *steps = new QVBoxLayout;
    for (QLabel *label : {lblDescriptionManualActionNeeded, lblStep1, lblDescriptionStep1, lblStep2,
                          lblDescriptionStep2, lblSpaceToRecover, lblPSPhotosMovedToTrashMay})
        steps->addWidget(label);
    steps->addStretch();
    auto *body = new QHBoxLayout;
    body->addLayout(steps, 1);
    body->addWidget(imgViewDescription, 0, Qt::AlignTop);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(20, 16, 20, 20);
    column->addLayout(heading);
    column->addLayout(body);

    connect(btnClose, &QPushButton::clicked, this, [this] { clickedClose(); });
}

void AfterMoveInPhotoLibraryVC::paintEvent(QPaintEvent *)
{
    QPainter(this).fillRect(rect(), QColor(0, 0, 0, 110));
}

void AfterMoveInPhotoLibraryVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        viewWillAppear();
}

void AfterMoveInPhotoLibraryVC::viewWillAppear()
{
    m_closed = false;
    const CountLine line = countLine(removedPhotoCount);
    lblDescriptionManualActionNeeded->setText(line.html);
    lblSpaceToRecover->setText(spaceToRecoverText(removedPhotoBytes));
    setFocus();
    ScreenLinks::setChildEnabled(ScreenLinks::scanScreen(), "btnClose", false);
    isOverlayDialogShown = true;
}

void AfterMoveInPhotoLibraryVC::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    ScreenLinks::setChildEnabled(ScreenLinks::scanScreen(), "btnClose", true);
}

void AfterMoveInPhotoLibraryVC::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        clickedClose();
    else
        QWidget::keyPressEvent(event);
}

void AfterMoveInPhotoLibraryVC::clickedClose()
{
    if (m_closed)
        return;
    m_closed = true;
    QWidget *scan = ScreenLinks::scanScreen();
    ScreenLinks::setChildHidden(scan, "boxTopLayer", true);
    ScreenLinks::invoke(scan, "enableScanButtons");
    if (scanCustomAnimator && scan)
        scanCustomAnimator->animateDismissalOfViewController(this, scan);
    else
        hide();
    if (scan) {
        QPointer<QWidget> target(scan);
        QTimer::singleShot(100, scan, [target] { ScreenLinks::invoke(target, "showAdvertise"); });
    }
    isOverlayDialogShown = false;
}
