#include "AdvertiseVC.h"

#include "OutwardStyle.h"
#include "SiblingApps.h"

#include <EmbeddedImages.h>
#include <Localization.h>
#include <PageOpener.h>
#include <ProcessState.h>
#include <UserDefaults.h>

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QVBoxLayout>

using OutwardStyle::text;

namespace {

// What the panel shows for one sibling.
struct SiblingPanel
{
    const char *nowTry;
    const char *name;
    const char *tagline;
    std::array<const char *, 4> pictures;
    std::array<const char *, 4> captions;
};

const SiblingPanel *panelFor(int sibling)
{
    static const SiblingPanel careSuite{"IDS_TMR_171", "IDS_TMR_135", "IDS_TMR_136",
                                        {"fs1.png", "fs2.png", "fs3.png", "fs4.png"},
                                        {"IDS_TMR_172", "IDS_TMR_173", "IDS_TMR_174", "IDS_TMR_175"}};
    static const SiblingPanel larkspire{"IDS_TMR_165", "IDS_TMR_148", "IDS_TMR_166",
                                        {"no1.png", "no2.png", "no3.png", "no4.png"},
                                        {"IDS_TMR_167", "IDS_TMR_168", "IDS_TMR_169", "IDS_TMR_170"}};
    // Morrowgate shares its pictures and its last three captions with Larkspire.
    static const SiblingPanel morrowgate{"IDS_TMR_266", "IDS_TMR_137", "IDS_TMR_267",
                                         {"no1.png", "no2.png", "no3.png", "no4.png"},
                                         {"IDS_TMR_268", "IDS_TMR_168", "IDS_TMR_169", "IDS_TMR_170"}};
    switch (sibling) {
    case SiblingApps::careSuite:
        return &careSuite;
    case SiblingApps::larkspire:
        return &larkspire;
    case SiblingApps::morrowgate:
        return &morrowgate;
    default:
        return nullptr;
    }
}

QImage siblingIcon(int sibling)
{
    switch (sibling) {
    case SiblingApps::careSuite:
        return bundleImage(QStringLiteral("calloway_128"));
    case SiblingApps::larkspire:
        return EmbeddedImages::decodeImage(EmbeddedImages::larkspireIconImage()).value_or(QImage());
    case SiblingApps::morrowgate:
        return bundleImage(QStringLiteral("Morrowgate128"));
    default:
        return {};
    }
}

} // namespace

AdvertiseRotation AdvertiseRotation::fromStored(const QVariant &stored)
{
    using namespace SiblingApps;
    AdvertiseRotation rotation;
    std::optional<qint64> value = signedFromVariant(stored);
    if (!isPropertyListInteger(stored) || !value) {
        rotation.storeFirst = true;
        value = 1;
    }
    switch (*value) {
    case 1:
        rotation.nextValue = 2;
        rotation.order = {careSuite, larkspire, morrowgate};
        break;
    case 2:
        rotation.nextValue = 3;
        rotation.order = {larkspire, careSuite, morrowgate};
        break;
    case 3:
        rotation.nextValue = 1;
        rotation.order = {morrowgate, careSuite, larkspire};
        break;
    default:
        break;
    }
    return rotation;
}

AdvertiseVC::AdvertiseVC(QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Advertise"));
    setWindowTitle(text("IDS_TMR_1"));
    OutwardStyle::paintWhite(this);

    using namespace OutwardStyle;
    lblAwesome = label(this, QStringLiteral("lblAwesome"), 18, true);
    lblNowTry = label(this, QStringLiteral("lblNowTry"), 12);
    imgViewReferalAppIcon = picture(this, QStringLiteral("imgViewReferalAppIcon"), 96);
    lblReferalAppName = label(this, QStringLiteral("lblReferalAppName"), 16, true);
    lblReferalAppTagline = label(this, QStringLiteral("lblReferalAppTagline"), 11);
    btnAppStore = button(this, QStringLiteral("btnAppStore"));
    btnAppStore->hide();

    auto *features = new QGridLayout;
    features->setHorizontalSpacing(14);
    for (int i = 0; i < 4; ++i) {
        imgNo[i] = new QLabel(this);
        imgNo[i]->setObjectName(QStringLiteral("imgNo%1").arg(i + 1));
        imgNo[i]->setFixedSize(100, 80);
        lblImg[i] = label(this, QStringLiteral("lblImg%1").arg(i + 1), 10);
        lblImg[i]->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        lblImg[i]->setFixedWidth(110);
        features->addWidget(imgNo[i], 0, i, Qt::AlignHCenter);
        features->addWidget(lblImg[i], 1, i, Qt::AlignHCenter | Qt::AlignTop);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 26, 32, 26);
    layout->setSpacing(12);
    lblAwesome->setAlignment(Qt::AlignHCenter);
    lblNowTry->setAlignment(Qt::AlignHCenter);
    layout->addWidget(lblAwesome);
    layout->addWidget(lblNowTry);
    auto *product = new QHBoxLayout;
    product->addWidget(imgViewReferalAppIcon);
    auto *productText = new QVBoxLayout;
    productText->addStretch(1);
    productText->addWidget(lblReferalAppName);
    productText->addWidget(lblReferalAppTagline);
    productText->addStretch(1);
    product->addLayout(productText, 1);
    layout->addLayout(product);
    layout->addLayout(features);
    layout->addStretch(1);
    layout->addWidget(btnAppStore, 0, Qt::AlignHCenter);

    btnAppStore->setText(text("IDS_TMR_263"));
    connect(btnAppStore, &QPushButton::clicked, this, [this] { clickedMacAppStore(); });

    setWindowModality(Qt::ApplicationModal);
    setFixedSize(560, 470);
}

void AdvertiseVC::advertise(QWidget *context)
{
    using namespace SiblingApps;
    if (!context || firstNotInstalled({careSuite, larkspire, morrowgate}) == 0)
        return;
    // One showing at a time: asking again while it is up only brings it forward.
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    // Centred over the screen that asked for it.
    const QRect over = context->window()->frameGeometry();
    move(over.center() - QPoint(width() / 2, height() / 2));
    // QDialog::open() would make the panel window-modal; it blocks the whole
    // program instead, and returns at once all the same.
    setWindowModality(Qt::ApplicationModal);
    show();
}

void AdvertiseVC::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        viewWillAppear();
}

void AdvertiseVC::viewWillAppear()
{
    raise();
    activateWindow();
    setFixedSize(size());

    m_isRecommended = 0;
    // Nothing is offered until a sibling is filled in.
    btnAppStore->hide();
    lblAwesome->setText(text("IDS_TMR_164"));

    UserDefaults &defaults = UserDefaults::standard();
    const AdvertiseRotation rotation = AdvertiseRotation::fromStored(defaults.object(QLatin1String(kCountAdvertiseKey)));
    if (rotation.storeFirst)
        defaults.setObject(QLatin1String(kCountAdvertiseKey), qint64(1));
    if (!rotation.nextValue)
        return;
    defaults.setObject(QLatin1String(kCountAdvertiseKey), *rotation.nextValue);
    for (int sibling : rotation.order) {
        if (!SiblingApps::isInstalled(sibling)) {
            fill(sibling);
            return;
        }
    }
}

void AdvertiseVC::fill(int sibling)
{
    const SiblingPanel *panel = panelFor(sibling);
    if (!panel)
        return;
    lblNowTry->setText(text(panel->nowTry));
    OutwardStyle::setPicture(imgViewReferalAppIcon, siblingIcon(sibling));
    lblReferalAppName->setText(text(panel->name));
    lblReferalAppTagline->setText(text(panel->tagline));
    for (int i = 0; i < 4; ++i)
        imgNo[i]->setPixmap(QPixmap::fromImage(bundleImage(QLatin1String(panel->pictures[i]))));
    for (int i = 0; i < 4; ++i)
        lblImg[i]->setText(text(panel->captions[i]));
    btnAppStore->show();
    m_isRecommended = sibling;
}

void AdvertiseVC::clickedMacAppStore()
{
    if (const auto page = SiblingApps::campaignPage(m_isRecommended))
        PageOpener::openURL(*page);
}
