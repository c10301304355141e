#include "ConfirmationLayout.h"

#include "ScreenLinks.h"

#include <EmbeddedImages.h>
#include <KitAccessibility.h>
#include <Localization.h>
#include <SYFlatButton.h>

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

ConfirmationOutlets buildConfirmation(QWidget *host, const char *boxName, const QString &titleKey,
                                      const QString &messageKey)
{
    ConfirmationOutlets outlets;
    QWidget *panel = ScreenLinks::makePanel(host, 440);

    outlets.imgView = new QLabel(panel);
    outlets.imgView->setObjectName(QStringLiteral("imgView"));
    ScreenLinks::setEmbeddedImage(outlets.imgView, EmbeddedImages::warningImage(), 64, 64);
    outlets.lblTitle = ScreenLinks::makeLabel(panel, "lblTitle", localizedString(titleKey), 15, true);
    outlets.lblMessage = ScreenLinks::makeLabel(panel, "lblMessage", localizedString(messageKey));
    outlets.box = new QCheckBox(localizedString(QStringLiteral("IDS_TMR_65")), panel);
    outlets.box->setObjectName(QLatin1String(boxName));
    outlets.box->setCursor(Qt::PointingHandCursor);
    outlets.btnOk = ScreenLinks::makeButton(panel, "btnOk", localizedString(QStringLiteral("IDS_TMR_64")), true);
    outlets.btnCancel =
        ScreenLinks::makeButton(panel, "btnCancel", localizedString(QStringLiteral("IDS_TMR_51")), false);

    auto *texts = new QVBoxLayout;
    texts->addWidget(outlets.lblTitle);
    texts->addWidget(outlets.lblMessage);
    texts->addStretch();
    auto *top = new QHBoxLayout;
    top->addWidget(outlets.imgView, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(texts, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(outlets.box);
    buttons->addStretch();
    buttons->addWidget(outlets.btnCancel);
    buttons->addWidget(outlets.btnOk);
    // Tab goes the way the row reads: the box, then Cancel, then OK.
    QWidget::setTabOrder(outlets.box, outlets.btnCancel);
    QWidget::setTabOrder(outlets.btnCancel, outlets.btnOk);
    // A reader landing on OK says what it answers.
    KitAccessibility::presentAsQuestion(host, outlets.lblTitle, outlets.lblMessage, {outlets.btnOk, outlets.btnCancel});
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(20, 20, 20, 16);
    column->addLayout(top);
    column->addSpacing(16);
    column->addLayout(buttons);
    return outlets;
}
