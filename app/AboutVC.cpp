#include "AboutVC.h"

#include "OutwardStyle.h"
#include "SiblingApps.h"

#include <CustomAnimator.h>
#include <FileFacts.h>
#include <HyperlinkTextField.h>
#include <KitSupport.h>
#include <Localization.h>
#include <OverlayFocus.h>
#include <PageOpener.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

using OutwardStyle::text;

namespace {

// The results window's own close button, when that window exists; it is
// never made here.
void setResultsWindowCloseButtonEnabled(bool enabled)
{
    if (QObject *window = ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::DashboardWindow)))
        QMetaObject::invokeMethod(window, "setCloseButtonEnabled", Q_ARG(bool, enabled));
}

} // namespace

AboutVC::AboutVC(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("About"));
    using namespace OutwardStyle;

    // The overlay covers the whole screen below it; the card in its middle
    // holds the content, the rest shows the screen's dimming.
    auto *card = new QWidget(this);
    card->setObjectName(QStringLiteral("aboutCard"));
    card->setAttribute(Qt::WA_StyledBackground);
    card->setStyleSheet(QStringLiteral("QWidget#aboutCard { background: white; border-radius: 14px; }"));
    card->setFixedWidth(460);

    imgView = picture(card, QStringLiteral("imgView"), 96);
    lblTitle = label(card, QStringLiteral("lblTitle"), 22, true);
    lblLKSHelpsYouFind = label(card, QStringLiteral("lblLKSHelpsYouFind"), 12);
    lblVersionCap = label(card, QStringLiteral("lblVersionCap"), 11);
    lblVersion = label(card, QStringLiteral("lblVersion"), 11);
    lblCopyright = label(card, QStringLiteral("lblCopyright"), 11);
    lblAllRightsReserved = label(card, QStringLiteral("lblAllRightsReserved"), 11);
    lblWarningThisComputerProgramIsProtected = label(card, QStringLiteral("lblWarningThisComputerProgramIsProtected"), 9);
    lblWarningThisComputerProgramIsProtected->setStyleSheet(QStringLiteral("color: #6b7785;"));
    lblUnInstallInstructions = new HyperlinkTextField(card);
    lblUnInstallInstructions->setObjectName(QStringLiteral("lblUnInstallInstructions"));
    lblUnInstallInstructions->setIsUnInstallInstructions(true);
    lblEULA = new HyperlinkTextField(card);
    lblEULA->setObjectName(QStringLiteral("lblEULA"));
    lblEULA->setIsEULA(true);
    lblPrivacyPolicy = new HyperlinkTextField(card);
    lblPrivacyPolicy->setObjectName(QStringLiteral("lblPrivacyPolicy"));
    lblPrivacyPolicy->setIsPrivacyPolicy(true);
    btnClose = new QPushButton(QStringLiteral("\u2715"), card);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setCursor(Qt::PointingHandCursor);
    btnClose->setFixedSize(28, 28);
    btnClose->setStyleSheet(QStringLiteral("QPushButton { border: none; border-radius: 14px; color: #6b7785;"
                                           " background: #eef2f6; } QPushButton:hover { background: #dde5ee; }"
                                           " QPushButton:focus { border: 2px solid #2d8ce6; }"));
    // Return and Enter press it when it has the focus, as Space does.
    btnClose->setAutoDefault(true);

    for (QLabel *centred : {lblTitle, lblLKSHelpsYouFind, lblCopyright, lblAllRightsReserved,
                            lblWarningThisComputerProgramIsProtected})
        centred->setAlignment(Qt::AlignHCenter);

    auto *cardLayout = new QVBoxLayout(card);
    cardLayout->setContentsMargins(28, 14, 14, 24);
    cardLayout->setSpacing(8);
    cardLayout->addWidget(btnClose, 0, Qt::AlignRight);
    auto *inner = new QVBoxLayout;
    inner->setContentsMargins(14, 0, 14, 0);
    inner->setSpacing(8);
    inner->addWidget(imgView, 0, Qt::AlignHCenter);
    inner->addWidget(lblTitle);
    inner->addWidget(lblLKSHelpsYouFind);
    auto *versionRow = new QHBoxLayout;
    versionRow->addStretch(1);
    versionRow->addWidget(lblVersionCap);
    versionRow->addWidget(lblVersion);
    versionRow->addStretch(1);
    lblVersionCap->setWordWrap(false);
    lblVersion->setWordWrap(false);
    inner->addLayout(versionRow);
    inner->addWidget(lblCopyright);
    inner->addWidget(lblAllRightsReserved);
    auto *links = new QHBoxLayout;
    links->addStretch(1);
    links->addWidget(lblUnInstallInstructions);
    links->addSpacing(14);
    links->addWidget(lblEULA);
    links->addSpacing(14);
    links->addWidget(lblPrivacyPolicy);
    links->addStretch(1);
    inner->addLayout(links);
    inner->addWidget(lblWarningThisComputerProgramIsProtected);
    cardLayout->addLayout(inner);

    auto *layout = new QVBoxLayout(this);
    layout->addStretch(1);
    layout->addWidget(card, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    OutwardStyle::setPicture(imgView, bundleImage(QStringLiteral("fidgetAppIcon")));
    lblTitle->setText(text("IDS_TMR_1"));
    lblLKSHelpsYouFind->setText(text("IDS_TMR_188"));
    lblCopyright->setText(text("IDS_TMR_189"));
    lblAllRightsReserved->setText(text("IDS_TMR_190"));
    lblUnInstallInstructions->setText(text("IDS_TMR_191"));
    lblEULA->setText(text("IDS_TMR_192"));
    lblPrivacyPolicy->setText(text("IDS_TMR_193"));
    lblWarningThisComputerProgramIsProtected->setText(text("IDS_TMR_194"));
    lblVersionCap->setText(text("IDS_TMR_1501"));
    lblVersion->setText(appVersionString().value_or(QString()));
    btnClose->setAccessibleName(text("IDS_TMR_1502"));
    lblTitle->setWordWrap(false);
    // Links look like links at rest: coloured and underlined. The link class
    // makes them Tab stops that the keyboard and assistive tools press.
    for (HyperlinkTextField *link : {lblUnInstallInstructions, lblEULA, lblPrivacyPolicy}) {
        QPalette colours = link->palette();
        colours.setColor(QPalette::WindowText, KitSupport::toQColor(linkColor()));
        link->setPalette(colours);
        QFont underlined = link->font();
        underlined.setUnderline(true);
        link->setFont(underlined);
    }
    // Wrapped lines only know their height for a width; the card's is fixed.
    card->setFixedHeight(cardLayout->heightForWidth(card->width()));

    // The links post their notifications; the overlay turns them into pages.
    QPointer<AboutVC> self(this);
    const auto opener = [self](const std::optional<QUrl> &(*page)()) {
        return [self, page](const Notification &) {
            if (self && page())
                PageOpener::openURL(*page());
        };
    };
    NotificationCenter &center = NotificationCenter::defaultCenter();
    m_observers.append(center.addObserver(QLatin1String(kHyperLinkEULANotification), opener(eulaURL)));
    m_observers.append(center.addObserver(QLatin1String(kHyperLinkPrivacyPolicyNotification), opener(privacyPolicyURL)));
    m_observers.append(center.addObserver(QLatin1String(kHyperLinkUnInstallInstructionsNotification),
                                          opener(uninstallInstructionsURL)));

    connect(btnClose, &QPushButton::clicked, this, [this] { tappedClose(); });
}

AboutVC::~AboutVC()
{
    for (NotificationCenter::Token token : m_observers)
        NotificationCenter::defaultCenter().removeObserver(token);
}

void AboutVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        viewWillAppear();
}

void AboutVC::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        viewDidDisappear();
}

void AboutVC::viewWillAppear()
{
    // Restoring the minimised results window shows the overlay again; that is
    // no new showing.
    if (isDashboardMiniaturized)
        return;
    m_isClosing = false;
    // The overlay takes the keyboard, so Escape and Return reach it and not
    // the screen it covers; the focus goes back when it closes.
    QWidget *focused = QApplication::focusWidget();
    m_focusBefore = focused && !isAncestorOf(focused) ? focused : nullptr;
    btnClose->setFocus(Qt::OtherFocusReason);
    lblEULA->show();
    lblPrivacyPolicy->show();
    lblUnInstallInstructions->show();
    isOverlayDialogShown = true;
    if (m_isDashboardVC)
        setResultsWindowCloseButtonEnabled(false);
}

void AboutVC::viewDidDisappear()
{
    if (isDashboardMiniaturized || !m_isDashboardVC)
        return;
    m_isDashboardVC = false;
    setResultsWindowCloseButtonEnabled(true);
}

void AboutVC::tappedClose()
{
    if (m_isClosing)
        return;
    m_isClosing = true;
    if (m_focusBefore && m_focusBefore->isVisible() && m_focusBefore->isEnabled())
        m_focusBefore->setFocus(Qt::OtherFocusReason);
    else if (QWidget *focused = QApplication::focusWidget(); focused && isAncestorOf(focused))
        focused->clearFocus();
    m_focusBefore = nullptr;
    if (customAnimator && parentWidget())
        customAnimator->animateDismissalOfViewController(this, parentWidget());
    NotificationCenter::defaultCenter().post(QLatin1String(kHideTopLayerHomeNotification));
    // Only screens that exist have a dimming to hide; none is made here.
    const ScreenRegistry &registry = ScreenRegistry::instance();
    const std::pair<const char *, const char *> dimmings[] = {
            {ScreenId::Dashboard, "topLayerParent"},
            {ScreenId::Home, "boxTopLayer"},
            {ScreenId::Scan, "boxTopLayer"},
    };
    for (const auto &[screen, outlet] : dimmings) {
        if (QObject *shown = registry.peekObject(QLatin1String(screen))) {
            if (auto *dimming = shown->findChild<QWidget *>(QLatin1String(outlet)))
                dimming->hide();
        }
    }
    isOverlayDialogShown = false;
}

void AboutVC::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        tappedClose();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool AboutVC::focusNextPrevChild(bool next)
{
    return OverlayFocus::focusNextPrevChildWithin(this, next) || QWidget::focusNextPrevChild(next);
}

