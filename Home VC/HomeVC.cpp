#include "HomeVC.h"

#include "DropView.h"

#include <Alert.h>
#include <CustomAnimator.h>
#include <CustomImageView.h>
#include <EmbeddedImages.h>
#include <FocusRing.h>
#include <FolderChooser.h>
#include <KitSupport.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <ViewLayer.h>

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTimer>

#include <cmath>

namespace {

// The screen is laid out for its background picture.
constexpr int kWidth = 1008;
constexpr int kHeight = 702;
constexpr int kFadeMilliseconds = 500;
constexpr int kTurnMilliseconds = 1000;
constexpr QSize kLogoSize(180, 180);

QPixmap picture(const QString &base64, const QSize &size = {})
{
    const std::optional<QImage> image = EmbeddedImages::decodeImage(base64);
    if (!image)
        return {};
    QPixmap pixmap = QPixmap::fromImage(*image);
    if (size.isValid())
        pixmap = pixmap.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return pixmap;
}

QIcon dotIcon(const QString &base64)
{
    return QIcon(picture(base64));
}

QPushButton *makeDot(QWidget *parent, const char *name, const char *accessibleNameKey, int x)
{
    auto *dot = new QPushButton(parent);
    dot->setObjectName(QLatin1String(name));
    dot->setFlat(true);
    dot->setFocusPolicy(Qt::NoFocus);
    dot->setGeometry(x, 2, 12, 12);
    dot->setIconSize(QSize(12, 12));
    dot->setStyleSheet(QStringLiteral("QPushButton { border: none; padding: 0; background: transparent; }"));
    // The dots are pictures only; screen readers read their names.
    dot->setAccessibleName(localizedString(QLatin1String(accessibleNameKey)));
    return dot;
}

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &frame, int pointSize, bool bold, const QString &color)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setGeometry(frame);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("QLabel { color: %1; background: transparent; }").arg(color));
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

} // namespace

HomeVC::HomeVC(QWidget *parent)
    : WindowDraggable<QWidget>(parent)
{
    setObjectName(QStringLiteral("HomeVC"));
    setFixedSize(kWidth, kHeight);
    buildInterface();

    // Overlays over this screen slide in from its top edge, over its frame.
    customAnimator.emplace(0.5, QRectF(geometry()));
    isHomeFolderPanelOpen = false;

    lblScanForDuplicates->setText(localizedString(QStringLiteral("IDS_TMR_84")));
    lblAddFoldersBelow->setText(localizedString(QStringLiteral("IDS_TMR_85")));
    btnAddFolder->setText(localizedString(QStringLiteral("IDS_TMR_83")));
    btnAddFolder->setToolTip(localizedString(QStringLiteral("IDS_TMR_151")));
    imgViewBackground->setPixmap(picture(EmbeddedImages::homeBackgroundImage()));
    boxTopLayer->hide();

    auto &center = NotificationCenter::defaultCenter();
    m_observers.append(center.addObserver(QLatin1String(kDropViewNotification), [this](const Notification &note) {
        getFilesFromDropView(note.userInfo.value(QStringLiteral("urls")).toStringList());
    }));
    lblDragAndDropFoldersHere->setText(localizedString(QStringLiteral("IDS_TMR_157")));
    imgViewFidget->setToolTip(localizedString(QStringLiteral("IDS_TMR_157")));
    btnClose->setEnabled(true);
    btnMinimize->setEnabled(true);
    m_observers.append(center.addObserver(QLatin1String(kEnterRotateNotification), [this](const Notification &) { enterRotate(); }));
    m_observers.append(center.addObserver(QLatin1String(kExitRotateNotification), [this](const Notification &) { exitRotate(); }));
    m_observers.append(center.addObserver(QLatin1String(kResetHomeToolTipsNotification), [this](const Notification &) { resetHomeToolTips(); }));

    imgViewFidget->setPixmap(picture(EmbeddedImages::logoImage(), kLogoSize));
    imgViewStandardMaximize->setIcon(dotIcon(EmbeddedImages::maximizeButtonDisabledImage()));
    setDotImages(false);

    m_observers.append(center.addObserver(QLatin1String(kAboutHomeNotification), [this](const Notification &) { aboutWindow(); }));
    m_observers.append(center.addObserver(QLatin1String(kHideTopLayerHomeNotification), [this](const Notification &) { hideTopBlackLayer(); }));
    lblContactNumber->setText(localizedString(QStringLiteral("IDS_TMR_46")));
    lbl24x7LiveHelp->setText(localizedString(QStringLiteral("IDS_TMR_47_1")));
}

HomeVC::~HomeVC()
{
    for (const NotificationCenter::Token token : std::as_const(m_observers))
        NotificationCenter::defaultCenter().removeObserver(token);
}

void HomeVC::buildInterface()
{
    imgViewBackground = new CustomImageView(this);
    imgViewBackground->setObjectName(QStringLiteral("imgViewBackground"));
    imgViewBackground->setGeometry(rect());
    imgViewBackground->setScaledContents(true);

    // The whole screen takes drops. The texts over it let drags and presses
    // through to it, so a drop on a heading still counts and a press there
    // still moves the window.
    dropView = new DropView(this);
    dropView->setObjectName(QStringLiteral("dropView"));
    dropView->setGeometry(rect());

    // The dark panel on the left holds the program's name and the support lines.
    auto *lblAppName = makeLabel(this, "lblAppName", QRect(40, 250, 280, 60), 30, true, QStringLiteral("#ffffff"));
    lblAppName->setText(localizedString(QStringLiteral("IDS_TMR_1")));
    lblContactNumber = makeLabel(this, "lblContactNumber", QRect(30, 600, 300, 24), 10, false, QStringLiteral("#c9d8ef"));
    lbl24x7LiveHelp = makeLabel(this, "lbl24x7LiveHelp", QRect(30, 624, 300, 24), 10, false, QStringLiteral("#c9d8ef"));

    lblScanForDuplicates = makeLabel(this, "lblScanForDuplicates", QRect(420, 96, 540, 44), 24, true, QStringLiteral("#1b2a44"));
    lblAddFoldersBelow = makeLabel(this, "lblAddFoldersBelow", QRect(420, 142, 540, 40), 12, false, QStringLiteral("#5b6777"));

    // The dashed frame that invites the drop.
    boxParent = new QWidget(dropView);
    boxParent->setObjectName(QStringLiteral("boxParent"));
    boxParent->setAttribute(Qt::WA_StyledBackground);
    boxParent->setGeometry(470, 200, 440, 320);
    boxParent->setStyleSheet(QStringLiteral(
        "QWidget#boxParent { border: 2px dashed #9fb7d6; border-radius: 18px; background: #f6f9fd; }"));

    imgViewFidget = new CustomImageView(dropView);
    imgViewFidget->setObjectName(QStringLiteral("imgViewFidget"));
    imgViewFidget->setAlignment(Qt::AlignCenter);
    imgViewFidget->setGeometry(boxParent->x() + (boxParent->width() - kLogoSize.width()) / 2, boxParent->y() + 40,
                               kLogoSize.width(), kLogoSize.height());
    lblDragAndDropFoldersHere = makeLabel(dropView, "lblDragAndDropFoldersHere", QRect(490, 440, 400, 40), 13, false,
                                          QStringLiteral("#5b6777"));

    btnAddFolder = new QPushButton(this);
    btnAddFolder->setObjectName(QStringLiteral("btnAddFolder"));
    btnAddFolder->setGeometry(590, 552, 200, 46);
    btnAddFolder->setCursor(Qt::PointingHandCursor);
    btnAddFolder->setStyleSheet(QStringLiteral(
        "QPushButton { background: #2d8ce6; color: white; border: none; border-radius: 23px; font-size: 15px; font-weight: bold; }"
        "QPushButton:hover { background: #3b97ee; }"
        "QPushButton:pressed { background: #1f74c4; }"
        "QPushButton:disabled { background: #a9c6e4; }"
        "QPushButton:focus { outline: none; }"));
    // Return and Enter press it when it has the focus, as Space does.
    btnAddFolder->setAutoDefault(true);
    FocusRing::attach(btnAddFolder);
    connect(btnAddFolder, &QPushButton::clicked, this, [this] { clickedAddFolder(); });

    boxStandardButtons = new QWidget(this);
    boxStandardButtons->setObjectName(QStringLiteral("boxStandardButtons"));
    boxStandardButtons->setGeometry(22, 14, 56, 16);
    boxStandardButtons->setAttribute(Qt::WA_Hover);
    boxStandardButtons->installEventFilter(this);
    btnClose = makeDot(boxStandardButtons, "btnClose", "IDS_TMR_1110", 0);
    btnMinimize = makeDot(boxStandardButtons, "btnMinimize", "IDS_TMR_245", 20);
    imgViewStandardMaximize = makeDot(boxStandardButtons, "imgViewStandardMaximize", "IDS_TMR_246", 40);
    imgViewStandardMaximize->setEnabled(false);
    connect(btnClose, &QPushButton::clicked, this, [this] { clickedClose(); });
    connect(btnMinimize, &QPushButton::clicked, this, [this] { clickedMinimize(); });

    boxTopLayer = new QWidget(this);
    boxTopLayer->setObjectName(QStringLiteral("boxTopLayer"));
    boxTopLayer->setAttribute(Qt::WA_StyledBackground);
    boxTopLayer->setStyleSheet(QStringLiteral("QWidget#boxTopLayer { background: rgba(8, 20, 40, 120); }"));
    boxTopLayer->setGeometry(rect());
}

QWidget *HomeVC::presentedScanVC() const
{
    if (m_scanVC && m_scanVC->parentWidget() == this && m_scanVC->isVisible())
        return m_scanVC;
    return nullptr;
}

void HomeVC::showEvent(QShowEvent *event)
{
    WindowDraggable<QWidget>::showEvent(event);
    // Restored from minimised is not an appearance of the screen.
    if (!event->spontaneous())
        viewWillAppear();
}

void HomeVC::viewWillAppear()
{
    // Nothing to reset: every intake replaces the list.
}

void HomeVC::resizeEvent(QResizeEvent *event)
{
    WindowDraggable<QWidget>::resizeEvent(event);
    imgViewBackground->setGeometry(rect());
    dropView->setGeometry(rect());
    boxTopLayer->setGeometry(rect());
    if (m_scanPinned && m_scanVC && m_scanVC->parentWidget() == this)
        m_scanVC->setGeometry(rect());
}

bool HomeVC::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == boxStandardButtons) {
        if (event->type() == QEvent::Enter || event->type() == QEvent::HoverEnter)
            setDotImages(true);
        else if (event->type() == QEvent::Leave || event->type() == QEvent::HoverLeave)
            setDotImages(false);
    }
    return WindowDraggable<QWidget>::eventFilter(watched, event);
}

void HomeVC::setDotImages(bool hovered)
{
    btnClose->setIcon(dotIcon(hovered ? EmbeddedImages::closeButtonHoverImage() : EmbeddedImages::closeButtonImage()));
    btnMinimize->setIcon(dotIcon(hovered ? EmbeddedImages::minimizeButtonHoverImage() : EmbeddedImages::minimizeButtonImage()));
}

void HomeVC::clickedAddFolder()
{
    // One intake at a time: a panel already up, or an alert still to come,
    // owns the list.
    if (m_pendingIntake || isFolderPanelOpen)
        return;
    isFolderPanelOpen = true;
    isHomeFolderPanelOpen = true;
    boxTopLayer->show();
    boxTopLayer->raise();

    FolderChooserOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = true;
    options.showsHiddenFiles = false;
    options.prompt = localizedString(QStringLiteral("IDS_TMR_83"));
    options.shouldEnable = FolderIntake::panelShouldEnable;

    QPointer<HomeVC> self(this);
    FolderChooser::current().choose(this, options, [self](bool accepted, const QStringList &paths) {
        isHomeFolderPanelOpen = false;
        isFolderPanelOpen = false;
        if (!self)
            return;
        self->boxTopLayer->hide();
        if (!accepted)
            return;
        self->finishIntake(FolderIntake::Source::Panel,
                           FolderIntake::evaluate(FolderIntake::Source::Panel, paths, allIgnorePaths()));
    });
}

void HomeVC::getFilesFromDropView(const QStringList &paths)
{
    if (isCustomDialogShown || isFolderPanelOpen || m_pendingIntake)
        return;
    isRotating = true;
    finishIntake(FolderIntake::Source::Drop, FolderIntake::evaluate(FolderIntake::Source::Drop, paths, allIgnorePaths()));
}

void HomeVC::finishIntake(FolderIntake::Source source, const FolderIntake::Outcome &outcome)
{
    m_scanList = outcome.accepted;
    const std::optional<FolderIntake::Refusal> refusal = outcome.alert();
    if (!refusal) {
        if (source == FolderIntake::Source::Drop)
            isRotating = false;
        else
            isHomeFolderPanelOpen = false;
        handOff(m_scanList);
        return;
    }
    const bool afterDrop = source == FolderIntake::Source::Drop;
    isRotate = afterDrop;
    // Until the alert has been answered the drop area counts as busy, after
    // a panel too, so no second intake can hand its list over first.
    isRotating = true;
    m_pendingIntake = PendingIntake{m_scanList, *refusal, afterDrop};
    QTimer::singleShot(FolderIntake::alertDelayMilliseconds(source, *refusal), this, [this] { showIntakeAlert(); });
}

void HomeVC::showIntakeAlert()
{
    if (!m_pendingIntake)
        return;
    const PendingIntake pending = *m_pendingIntake;
    QPointer<HomeVC> self(this);
    showAlert(localizedString(QStringLiteral("IDS_TMR_74")),
              localizedString(FolderIntake::alertInformativeKey(pending.refusal)));
    if (!self)
        return;
    if (isRotate)
        exitRotate();
    isRotate = false;
    isRotating = false;
    m_pendingIntake.reset();
    handOff(pending.accepted);
}

void HomeVC::handOff(const QStringList &list)
{
    if (list.isEmpty())
        return;
    // The scan screen already shows a list: a late intake must not replace it.
    if (presentedScanVC())
        return;
    QWidget *scan = scanVC();
    if (!scan)
        return;
    QMetaObject::invokeMethod(scan, "takeScanList", Q_ARG(QStringList, list),
                              Q_ARG(QWidget *, static_cast<QWidget *>(this)));

    clearScanResults();

    presentScanVC(scan);
    QTimer::singleShot(kTurnMilliseconds, this, [this] { setImageExitRotate(); });
    lblDragAndDropFoldersHere->setToolTip(QString());
    imgViewFidget->setToolTip(QString());
    btnClose->setEnabled(false);
    btnMinimize->setEnabled(false);
}

void HomeVC::presentScanVC(QWidget *scan)
{
    const QRect target = rect();
    const qreal windowHeight = window() ? window()->height() : height();
    m_scanVC = scan;
    m_scanPinned = false;

    auto *fade = new QGraphicsOpacityEffect(scan);
    fade->setOpacity(0);
    if (scan->parentWidget() != this)
        scan->setParent(this);
    scan->setGraphicsEffect(fade);
    // It drops in from above the screen while it grows to the full width.
    scan->setGeometry(KitSupport::fromBottomLeft(QRectF(0, windowHeight, 0, windowHeight), height()).toRect());
    scan->show();
    scan->raise();

    auto *group = new QParallelAnimationGroup(scan);
    auto *move = new QPropertyAnimation(scan, "geometry", group);
    move->setDuration(kFadeMilliseconds);
    move->setEndValue(target);
    auto *opacity = new QPropertyAnimation(fade, "opacity", group);
    opacity->setDuration(kFadeMilliseconds);
    opacity->setEndValue(1.0);
    QPointer<QWidget> guard(scan);
    connect(group, &QAbstractAnimation::finished, this, [this, guard, fade, group] {
        group->deleteLater();
        if (!guard || guard != m_scanVC)
            return;
        if (guard->graphicsEffect() == fade)
            guard->setGraphicsEffect(nullptr);
        m_scanPinned = true;
        guard->setGeometry(rect());
        lblAddFoldersBelow->hide();
        lblScanForDuplicates->hide();
        btnAddFolder->hide();
    });
    group->start();
}

void HomeVC::aboutWindow()
{
    if (!ScreenRegistry::instance().hasFactory(QLatin1String(ScreenId::About)))
        return;
    presentWithTopLayer(aboutVC());
}

void HomeVC::presentWithTopLayer(QWidget *controller)
{
    if (!controller)
        return;
    boxTopLayer->show();
    boxTopLayer->raise();
    if (QObject *scan = ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::Scan))) {
        if (auto *box = scan->findChild<QWidget *>(QStringLiteral("boxTopLayer")))
            box->show();
    }
    if (customAnimator)
        customAnimator->animatePresentationOfViewController(controller, this);
}

void HomeVC::hideTopBlackLayer()
{
    if (QObject *scan = ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::Scan))) {
        if (auto *box = scan->findChild<QWidget *>(QStringLiteral("boxTopLayer")))
            box->hide();
    }
    boxTopLayer->hide();
}

void HomeVC::clickedClose()
{
    if (QWidget *frame = window(); frame && frame != this)
        frame->close();
}

void HomeVC::clickedMinimize()
{
    if (QWidget *frame = window(); frame && frame != this)
        frame->showMinimized();
}

void HomeVC::resetHomeToolTips()
{
    lblDragAndDropFoldersHere->setText(localizedString(QStringLiteral("IDS_TMR_157")));
    imgViewFidget->setToolTip(localizedString(QStringLiteral("IDS_TMR_157")));
    btnClose->setEnabled(true);
    btnMinimize->setEnabled(true);
}

void HomeVC::turnLogo(const QString &image, qreal angle)
{
    imgViewFidget->setPixmap(picture(image, kLogoSize));
    ViewLayer *layer = ViewLayer::attach(imgViewFidget);
    layer->removeAllAnimations();
    setAnchorPoint(QPointF(0.5, 0.5), imgViewFidget);
    addRotationAnimation(imgViewFidget, angle, kTurnMilliseconds / 1000.0);
}

void HomeVC::enterRotate()
{
    isExitRotate = false;
    turnLogo(EmbeddedImages::logoImageAlt(), -M_PI);
    QTimer::singleShot(kTurnMilliseconds, this, [this] { setImageEnterRotate(); });
}

void HomeVC::exitRotate()
{
    isExitRotate = true;
    turnLogo(EmbeddedImages::logoImageTurned(), M_PI);
    QTimer::singleShot(kTurnMilliseconds, this, [this] { setImageExitRotate(); });
}

void HomeVC::setImageEnterRotate()
{
    // A leave that came before the enter turn ended wins.
    if (isExitRotate)
        return;
    imgViewFidget->setPixmap(picture(EmbeddedImages::logoImageTurned(), kLogoSize));
}

void HomeVC::setImageExitRotate()
{
    imgViewFidget->setPixmap(picture(EmbeddedImages::logoImageAlt(), kLogoSize));
}
