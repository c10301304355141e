#include "ScanVC.h"

#include "CancelScanningVC.h"
#include "FolderIntake.h"
#include "ScanItemsViewItem.h"
#include "ScanScreenLinks.h"
#include "ScreenParts.h"

#include <Alert.h>
#include <CircularProgressView.h>
#include <CustomAnimator.h>
#include <EmbeddedImages.h>
#include <FileFacts.h>
#include <FocusHandOff.h>
#include <FocusRing.h>
#include <FolderChooser.h>
#include <KRBFileFunctions.h>
#include <Localization.h>
#include <PageOpener.h>
#include <ProcessState.h>
#include <ResultQueries.h>
#include <ScanPaths.h>
#include <ScreenRegistry.h>
#include <Spinner.h>
#include <UsageEvents.h>
#include <UserDefaults.h>

#include <QDir>
#include <QEvent>
#include <QFrame>
#include <QGraphicsOpacityEffect>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

using ScreenParts::kAccent;
using ScreenParts::kInk;
using ScreenParts::kMutedInk;
using ScreenParts::makeButton;
using ScreenParts::makeLabel;


QString tr_(const char *key)
{
    return localizedString(QString::fromLatin1(key));
}

void storeDisablePieChartAnimation(bool disabled)
{
    UserDefaults::standard().setObject(QString::fromLatin1(kDisablePieChartAnimationKey), disabled);
}

QPixmap picture(const QString &base64)
{
    const std::optional<QImage> image = EmbeddedImages::decodeImage(base64);
    return image ? QPixmap::fromImage(*image) : QPixmap();
}

QFrame *makeBox(QWidget *parent, const char *name, const QRect &frame)
{
    auto *box = new QFrame(parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setGeometry(frame);
    return box;
}

QPushButton *makeDotButton(QWidget *parent, const char *name, const QRect &frame, const QString &image,
                           const char *accessibleNameKey)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(frame);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; }"));
    button->setIcon(picture(image));
    button->setIconSize(frame.size());
    // A dot is a picture only: screen readers read its name.
    button->setAccessibleName(tr_(accessibleNameKey));
    return button;
}

// The rows of a summary: caption and value labels named as the outlets.
void makeRows(QWidget *parent, const QList<QPair<const char *, const char *>> &names, int top,
              QList<QLabel *> &captions, QList<QLabel *> &values)
{
    int y = top;
    for (const auto &[caption, value] : names) {
        captions.append(makeLabel(parent, caption, QRect(0, y, 250, 24), 14, false, kMutedInk));
        values.append(makeLabel(parent, value, QRect(250, y, 140, 24), 14, true, kInk,
                                Qt::AlignRight | Qt::AlignVCenter));
        y += 30;
    }
}

void setRows(const QList<QLabel *> &captions, const QList<QLabel *> &values, const ScanSummary &summary)
{
    for (int row = 0; row < captions.size() && row < values.size(); ++row) {
        if (row >= summary.slices.size()) {
            captions.at(row)->clear();
            values.at(row)->clear();
            continue;
        }
        const auto &[category, bytes] = summary.slices.at(row);
        // The last row is the rest, captioned with its own name alone.
        captions.at(row)->setText(row + 1 == captions.size() ? rawValue(category)
                                                              : tr_("IDS_TMR_103") + QLatin1Char(' ') + rawValue(category));
        values.at(row)->setText(formatSize(bytes));
    }
}

// The removed-items phrase: "3 items removed".
QString removedItemsPhrase(int count)
{
    const QString noun = tr_(count > 1 ? "IDS_TMR_117" : "IDS_TMR_116");
    return QString::number(count) + QLatin1Char(' ') + localizedFormat(QStringLiteral("IDS_TMR_102"), {noun}, noun);
}

QString photosLibraryLine(int count, quint64 bytes)
{
    const QString items = tr_(count == 1 ? "IDS_TMR_75_1" : "IDS_TMR_75_2");
    const QString size = formatSize(bytes);
    return localizedFormat(QStringLiteral("IDS_TMR_230"), {QString::number(count), items, size},
                           QStringLiteral("%1 %2 (%3)").arg(QString::number(count), items, size));
}

// A caption that follows a big number on its line starts just after it.
void placeAfter(QLabel *value, QLabel *caption)
{
    const int end = value->x() + value->fontMetrics().horizontalAdvance(value->text()) + 10;
    caption->move(end, caption->y());
    caption->resize(std::max(40, value->parentWidget()->width() - end), caption->height());
}

QPair<QString, QString> splitSizeText(const QString &text)
{
    const QStringList pieces = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return {pieces.value(0), pieces.value(1)};
}

// The pie's hole is small: a long size ("1023.9") takes a smaller font rather
// than running under the ring.
void setFittedText(QLabel *label, const QString &text, int largestPointSize)
{
    QFont font = label->font();
    font.setPointSize(largestPointSize);
    while (font.pointSize() > 10 && QFontMetrics(font).horizontalAdvance(text) > label->width())
        font.setPointSize(font.pointSize() - 1);
    label->setFont(font);
    label->setText(text);
}

QRect centred(const QPointF &centre, const QSizeF &size)
{
    return QRectF(centre.x() - size.width() / 2.0, centre.y() - size.height() / 2.0, size.width(), size.height())
            .toRect();
}

// Where the progress ring and the pie stand: the left half, below the header.
const QPointF kRingCentre(300, 360);

bool isOverlayDialogIdentifier(QObject *object)
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    for (const char *identifier : {ScreenId::CancelScanning, ScreenId::BackToHome, ScreenId::AfterMoveInPhotoLibrary}) {
        if (object && registry.peekObject(QString::fromLatin1(identifier)) == object)
            return true;
    }
    return false;
}

} // namespace

ScanVC::ScanVC(QWidget *parent)
    : QWidget(parent)
    , m_engine(std::make_unique<ScanEngine>(this))
{
    setObjectName(QStringLiteral("ScanVC"));
    viewDidLoad();
}

ScanVC::~ScanVC()
{
    for (NotificationCenter::Token token : std::as_const(m_observers))
        NotificationCenter::defaultCenter().removeObserver(token);
    // The shared dialogs outlive this screen: take them off it, as closed.
    for (QObject *child : children()) {
        auto *dialog = qobject_cast<QWidget *>(child);
        if (!dialog || !isOverlayDialogIdentifier(dialog))
            continue;
        if (scanCustomAnimator && !dialog->isHidden())
            scanCustomAnimator->animateDismissalOfViewController(dialog, this);
        dialog->hide();
        dialog->setParent(nullptr);
    }
    pieChart->setDataSource(nullptr);
    pieChart->setDelegate(nullptr);
    // The engine stops its worker and waits for it. A run that ends this way
    // never reports back, so the shared flags end here as after a stopped run.
    const bool runWasGoing = m_runStarted && isScanning;
    m_engine.reset();
    if (runWasGoing) {
        isScanning = false;
        isScanFinished = false;
        KRBFileFunctions::initScan();
    }
    if (m_cancelDialogUp || isScanDialogShown) {
        isScanDialogShown = false;
        storeDisablePieChartAnimation(false);
    }
}

void ScanVC::takeScanList(const QStringList &paths, QWidget *parentVC)
{
    m_engine->scanList.clear();
    m_engine->photoLibraryItems.clear();
    m_engine->scanDirectories.clear();
    m_engine->scanList = paths;
    m_parentVC = parentVC;
    reloadChips();
}

// ---------------------------------------------------------------- load

void ScanVC::viewDidLoad()
{
    resize(kWidth, kHeight);
    buildLayout();
    configureCollectionView();
    configurePieChart();
    // The buttons that turn themselves off when pressed: Start Scanning hands
    // the keyboard to the Stop of the scan it started; the others to the
    // screen, until the question or the results window takes it. Stop also
    // goes out of sight when the scan ends: the keyboard goes on to the
    // button of the state that follows.
    FocusHandOff::setTarget(btnStartScanning, btnStopScan);
    FocusHandOff::setTarget(btnStopScan, [this]() -> QWidget * {
        for (QWidget *next : {btnReviewResults, btnStartScanning}) {
            if (next->isVisible() && next->isEnabled())
                return next;
        }
        return this;
    });
    for (QWidget *button : {btnBack, btnReviewResults, btnReviewResultsPartiallCleaned})
        FocusHandOff::setTarget(button, this);
    scanCustomAnimator.emplace(0.5, QRectF(geometry()));
    setUpTexts();
    boxStandardButtons->installEventFilter(this);
    imgViewBackground->setPixmap(picture(EmbeddedImages::scanBackgroundImage()));

    NotificationCenter &center = NotificationCenter::defaultCenter();
    QPointer<ScanVC> self(this);
    m_observers.append(center.addObserver(QString::fromLatin1(kBackToHomeObserverNotification),
                                          [self](const Notification &) {
                                              if (!self)
                                                  return;
                                              self->hideTopLayer();
                                              self->goToBack();
                                          }));
    m_observers.append(center.addObserver(QString::fromLatin1(kHideTopParentLayerScanVCNotification),
                                          [self](const Notification &) {
                                              if (self)
                                                  self->hideTopLayer();
                                          }));
    // The walk's folder path reaches the screen through the engine's
    // showFolderSizePath, so a stale run's walk never reaches a newer screen.
}

void ScanVC::buildLayout()
{
    // The window's strip holds its dots and its menus in light ink; under them
    // the screen keeps the strip dark, as the home screen's panel does.
    imgViewBackground = makeLabel(this, "imgViewBackground", QRect(0, kTitleStripHeight, kWidth, kHeight), 12);
    imgViewBackground->setScaledContents(true);
    QFrame *strip = makeBox(this, "boxTitleStrip", QRect(0, 0, kWidth, kTitleStripHeight));
    strip->setStyleSheet(QStringLiteral(
            "#boxTitleStrip { background: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0, stop: 0 #1d4f93, stop: 1 #163a70); }"));

    boxStandardButtons = makeBox(this, "boxStandardButtons", QRect(22, 14, 56, 16));
    btnClose = makeDotButton(boxStandardButtons, "btnClose", QRect(0, 2, 12, 12), EmbeddedImages::closeButtonImage(),
                             "IDS_TMR_1110");
    btnMinimize = makeDotButton(boxStandardButtons, "btnMinimize", QRect(20, 2, 12, 12),
                                EmbeddedImages::minimizeButtonImage(), "IDS_TMR_245");
    imgViewStandardMaximize = makeDotButton(boxStandardButtons, "imgViewStandardMaximize", QRect(40, 2, 12, 12),
                                            EmbeddedImages::maximizeButtonDisabledImage(), "IDS_TMR_246");
    connect(btnClose, &QPushButton::clicked, this, [this] { window()->close(); });
    connect(btnMinimize, &QPushButton::clicked, this, [this] { window()->showMinimized(); });

    btnBack = makeButton(this, "btnBack", QRect(24, 112, 40, 40), false);
    btnBack->setText(QStringLiteral("\u2190"));
    // The arrow is a picture to a screen reader: the button says where it goes.
    btnBack->setAccessibleName(tr_("IDS_TMR_152"));
    connect(btnBack, &QPushButton::clicked, this, [this] { clickedBack(); });

    // Ready to scan.
    boxReadyToScan = makeBox(this, "boxReadyToScan", QRect(0, 90, kWidth, 560));
    lblReadyToScan = makeLabel(boxReadyToScan, "lblReadyToScan", QRect(104, 10, 800, 40), 28, true, kInk,
                               Qt::AlignCenter);
    lblClickTheButtonBelowToStartScan = makeLabel(boxReadyToScan, "lblClickTheButtonBelowToStartScan",
                                                  QRect(104, 54, 800, 24), 15, false, kMutedInk, Qt::AlignCenter);
    btnStartScanning = makeButton(boxReadyToScan, "btnStartScanning", QRect(404, 480, 200, 50));
    connect(btnStartScanning, &QPushButton::clicked, this, [this] { clickedStartScanning(); });

    scrollViewCollectionView = makeBox(this, "scrollViewCollectionView", QRect(100, 220, 808, 316));
    scrollViewCollectionView->setStyleSheet(
            QStringLiteral("#scrollViewCollectionView { background: #ffffff; border: 1px solid #dbe6f2; border-radius: 10px; }"));
    collectionView = new QListWidget(scrollViewCollectionView);
    collectionView->setObjectName(QStringLiteral("collectionView"));
    collectionView->setGeometry(scrollViewCollectionView->rect().adjusted(2, 2, -2, -2));

    btnAddFolder = makeButton(this, "btnAddFolder", QRect(788, 180, 120, 32), false);
    connect(btnAddFolder, &QPushButton::clicked, this, [this] { clickedAddFolder(); });

    // Progress ring.
    boxProgressBar = makeBox(this, "boxProgressBar", centred(kRingCentre, m_progressBoxSize));
    imgViewProgressBG = makeLabel(boxProgressBar, "imgViewProgressBG", QRect(), 12);
    imgViewProgressBG->setScaledContents(true);
    progressView = new CircularProgressView(boxProgressBar);
    progressView->setObjectName(QStringLiteral("progressView"));
    progressView->setShowPercent(false);
    progressView->setBackground(Qt::transparent);
    progressView->setForeground(kAccent);
    progressView->setStrokeWidth(10);
    lblStepProgress = makeLabel(boxProgressBar, "lblStepProgress", QRect(), 11, true, kMutedInk, Qt::AlignCenter);
    lblStepProgress->setWordWrap(true);
    lblProgressPercent = makeLabel(boxProgressBar, "lblProgressPercent", QRect(), 44, true, kInk, Qt::AlignCenter);
    lblProgressStatus = makeLabel(boxProgressBar, "lblProgressStatus", QRect(), 13, false, kMutedInk, Qt::AlignCenter);
    lblProgressStatus->setWordWrap(true);
    layOutProgressBox();

    // In progress.
    boxScanInProgress = makeBox(this, "boxScanInProgress", QRect(540, 150, 420, 440));
    lblScanInProgress = makeLabel(boxScanInProgress, "lblScanInProgress", QRect(0, 40, 420, 40), 28, true);
    lblSearchingDuplicates = makeLabel(boxScanInProgress, "lblSearchingDuplicates", QRect(0, 90, 420, 24), 15,
                                       false, kMutedInk);
    lblPathScanInProgress = makeLabel(boxScanInProgress, "lblPathScanInProgress", QRect(0, 130, 420, 60), 12,
                                      false, kMutedInk, Qt::AlignLeft | Qt::AlignTop);
    lblPathScanInProgress->setWordWrap(true);
    lblTotolSizeFoundScanInProgress = makeLabel(boxScanInProgress, "lblTotolSizeFoundScanInProgress",
                                                QRect(0, 200, 420, 28), 17, true);
    btnStopScan = makeButton(boxScanInProgress, "btnStopScan", QRect(0, 290, 170, 46), false);
    connect(btnStopScan, &QPushButton::clicked, this, [this] { clickedStopScanning(); });

    // Pie chart.
    pieBox = makeBox(this, "pieBox", centred(kRingCentre, QSizeF(360, 360)));
    boxParentPie = makeBox(pieBox, "boxParentPie", QRect());
    pieChart = new PieChart(QRect(0, 0, 280, 280), boxParentPie, PieChart::Source::InterfaceFile);
    pieChart->setObjectName(QStringLiteral("pieChart"));
    auto *pieHole = makeBox(pieChart, "pieHole", QRect(140 - 66, 140 - 66, 132, 132));
    pieHole->setAttribute(Qt::WA_TransparentForMouseEvents);
    pieHole->setStyleSheet(QStringLiteral("#pieHole { background: #ffffff; border-radius: 66px; }"));
    imgViewPie = makeLabel(pieHole, "imgViewPie", QRect(46, 8, 40, 40), 12);
    imgViewPie->setScaledContents(true);
    lblSizePie = makeLabel(pieHole, "lblSizePie", QRect(6, 48, 78, 36), 28, true, kInk,
                           Qt::AlignRight | Qt::AlignVCenter);
    lblSizeUnitInPie = makeLabel(pieHole, "lblSizeUnitInPie", QRect(88, 56, 40, 24), 13, true, kMutedInk);
    lblFoundInPie = makeLabel(pieHole, "lblFoundInPie", QRect(4, 84, 124, 40), 11, false, kMutedInk,
                              Qt::AlignHCenter | Qt::AlignTop);
    lblFoundInPie->setWordWrap(true);
    layOutParentPie();

    // Completed.
    boxScanCompleted = makeBox(this, "boxScanCompleted", QRect(540, 140, 420, 460));
    lblScanCompleted = makeLabel(boxScanCompleted, "lblScanCompleted", QRect(0, 20, 420, 40), 28, true);
    lblTotalGBFoundScanCompleted = makeLabel(boxScanCompleted, "lblTotalGBFoundScanCompleted",
                                             QRect(0, 70, 200, 44), 34, true, kAccent);
    lblFoundScanCompleted = makeLabel(boxScanCompleted, "lblFoundScanCompleted", QRect(200, 80, 220, 30), 15,
                                      false, kMutedInk);
    lblTotalFilesFoundScanCompleted = makeLabel(boxScanCompleted, "lblTotalFilesFoundScanCompleted",
                                                QRect(0, 116, 420, 24), 15, false, kMutedInk);
    lblDetailsOfDuplicateFoundScanCompleted = makeLabel(boxScanCompleted, "lblDetailsOfDuplicateFoundScanCompleted",
                                                        QRect(0, 160, 420, 24), 13, true);
    makeRows(boxScanCompleted,
             {{"lblDuplicatePhotosScanCompleted", "lblValueDuplicatePhotosScanResult"},
              {"lblDuplicateVideosScanCompleted", "lblValueDuplicateVideosScanResult"},
              {"lblDuplicateMusicsScanCompleted", "lblValueDuplicateMusicsScanResult"},
              {"lblOthersScanCompleted", "lblValueDuplicateOthersScanResult"}},
             192, completedCaptions, completedValues);
    // Not an outlet of its own: files the run could not read are said, never hidden.
    lblUnreadableFiles = makeLabel(boxScanCompleted, "lblUnreadableFiles", QRect(0, 316, 420, 20), 12, false,
                                   QColor(176, 70, 70));
    lblUnreadableFiles->hide();
    btnReviewResults = makeButton(boxScanCompleted, "btnReviewResults", QRect(0, 346, 200, 50));
    connect(btnReviewResults, &QPushButton::clicked, this, [this] { clickedReviewResults(); });

    // Cleaned.
    boxCompleteCleanedLeft = makeBox(this, "boxCompleteCleanedLeft", centred(kRingCentre, QSizeF(300, 300)));
    imgViewCompleteCleanedLeft = makeLabel(boxCompleteCleanedLeft, "imgViewCompleteCleanedLeft",
                                           QRect(0, 0, 300, 300), 12);
    imgViewCompleteCleanedLeft->setScaledContents(true);
    boxCleaned = makeBox(this, "boxCleaned", QRect(540, 140, 420, 460));
    lblCleanCompleted = makeLabel(boxCleaned, "lblCleanCompleted", QRect(0, 20, 420, 40), 28, true);
    lblTotalSizeCleaned = makeLabel(boxCleaned, "lblTotalSizeCleaned", QRect(0, 70, 200, 44), 34, true, kAccent);
    lblCleaned = makeLabel(boxCleaned, "lblCleaned", QRect(200, 80, 220, 30), 15, false, kMutedInk);
    lblTotalItemsCleaned = makeLabel(boxCleaned, "lblTotalItemsCleaned", QRect(0, 116, 420, 24), 15, false, kMutedInk);
    lblDetailsOfDuplicateItemsCleaned = makeLabel(boxCleaned, "lblDetailsOfDuplicateItemsCleaned",
                                                  QRect(0, 160, 420, 24), 13, true);
    makeRows(boxCleaned,
             {{"lblDuplicatePhotosCleaned", "lblValueDuplicatePhotosCleaned"},
              {"lblDuplicateVideosCleaned", "lblValueDuplicateVideosCleaned"},
              {"lblDuplicateMusicCleaned", "lblValueDuplicateMusicCleaned"},
              {"lblOthersCleaned", "lblValueOthersCleaned"}},
             192, cleanedCaptions, cleanedValues);

    // Partially cleaned.
    boxPartiallyCleaned = makeBox(this, "boxPartiallyCleaned", QRect(540, 110, 420, 520));
    lblCleanPartiallyCompletedPartially = makeLabel(boxPartiallyCleaned, "lblCleanPartiallyCompletedPartially",
                                                    QRect(0, 10, 420, 40), 26, true);
    lblTotalSizeCleanedPartially = makeLabel(boxPartiallyCleaned, "lblTotalSizeCleanedPartially",
                                             QRect(0, 56, 180, 36), 26, true, kAccent);
    lblCleanedPartially = makeLabel(boxPartiallyCleaned, "lblCleanedPartially", QRect(180, 62, 240, 28), 15, false,
                                    kMutedInk);
    lblTotalItemsCleanedPartially = makeLabel(boxPartiallyCleaned, "lblTotalItemsCleanedPartially",
                                              QRect(0, 94, 420, 22), 14, false, kMutedInk);
    lblCleanInPhotoLibraryPartially = makeLabel(boxPartiallyCleaned, "lblCleanInPhotoLibraryPartially",
                                                QRect(0, 118, 420, 22), 13, false, kMutedInk);
    lblTotalSizeRemainingPartially = makeLabel(boxPartiallyCleaned, "lblTotalSizeRemainingPartially",
                                               QRect(0, 150, 180, 36), 26, true, kInk);
    lblRemainingPartially = makeLabel(boxPartiallyCleaned, "lblRemainingPartially", QRect(180, 156, 240, 28), 15,
                                      false, kMutedInk);
    lblTotalItemsRemainingPartially = makeLabel(boxPartiallyCleaned, "lblTotalItemsRemainingPartially",
                                                QRect(0, 188, 420, 22), 14, false, kMutedInk);
    lblDetailsDuplicateClenaedPartially = makeLabel(boxPartiallyCleaned, "lblDetailsDuplicateClenaedPartially",
                                                    QRect(0, 224, 420, 24), 13, true);
    makeRows(boxPartiallyCleaned,
             {{"lblDuplicatePhotosPartially", "lblValueDuplicatePhotosPartially"},
              {"lblDuplicateVideosPartially", "lblValueDuplicateVideosPartially"},
              {"lblDuplicateMusicsPartially", "lblValueDuplicateMusicPartially"},
              {"lblOthersPartially", "lblValueOthersPartially"}},
             254, partialCaptions, partialValues);
    btnReviewResultsPartiallCleaned = makeButton(boxPartiallyCleaned, "btnReviewResultsPartiallCleaned",
                                                 QRect(0, 390, 200, 50));
    connect(btnReviewResultsPartiallCleaned, &QPushButton::clicked, this,
            [this] { clickedPartiallyCleanedReviewResults(); });

    // Share.
    lblFollowus = makeLabel(this, "lblFollowus", QRect(620, 656, 120, 30), 13, false, kMutedInk,
                            Qt::AlignRight | Qt::AlignVCenter);
    auto makeShare = [this](const char *box, const char *image, const char *label, const char *button, int x,
                            const QString &glyph, const QString &name) {
        QFrame *frame = makeBox(this, box, QRect(x, 656, 116, 30));
        frame->setStyleSheet(QStringLiteral("#%1 { background: #2d8ce6; border-radius: 15px; }").arg(QLatin1String(box)));
        QLabel *icon = makeLabel(frame, image, QRect(12, 5, 20, 20), 12);
        icon->setPixmap(picture(glyph));
        QLabel *text = makeLabel(frame, label, QRect(38, 0, 74, 30), 13, true, Qt::white);
        text->setText(name);
        auto *push = new QPushButton(frame);
        push->setObjectName(QString::fromLatin1(button));
        push->setGeometry(frame->rect());
        push->setFlat(true);
        push->setCursor(Qt::PointingHandCursor);
        push->setStyleSheet(QStringLiteral("QPushButton { border: none; background: transparent; outline: none; }"));
        push->setAutoDefault(true);
        FocusRing::attach(push);
        // The picture and the name beside it are labels: the button itself needs the name.
        push->setAccessibleName(name);
        push->setAccessibleDescription(tr_("IDS_TMR_182"));
        return push;
    };
    btnTwitter = makeShare("boxTwitter", "imgViewTwitter", "lblTwitter", "btnTwitter", 752,
                           EmbeddedImages::twitterIconImage(), QStringLiteral("Twitter"));
    btnFacebook = makeShare("boxFacebook", "imgViewFacebook", "lblFacebook", "btnFacebook", 876,
                            EmbeddedImages::facebookIconImage(), QStringLiteral("Facebook"));
    connect(btnTwitter, &QPushButton::clicked, this, [this] { clickedTwitter(); });
    connect(btnFacebook, &QPushButton::clicked, this, [this] { clickedFacebook(); });

    // Over everything: the dimming under dialogs and the activity indicator.
    boxTopLayer = makeBox(this, "boxTopLayer", rect());
    boxTopLayer->setStyleSheet(QStringLiteral("#boxTopLayer { background: rgba(10, 30, 60, 110); }"));
    boxTopLayer->hide();
    loader = new Spinner(this);
    loader->setObjectName(QStringLiteral("loader"));
    loader->setGeometry(centred(QPointF(kWidth / 2.0, kHeight / 2.0), QSizeF(80, 80)));
    loader->hide();

    // The initial look: ready, nothing else.
    for (QWidget *hidden : std::initializer_list<QWidget *>{boxScanInProgress, boxProgressBar, pieBox, boxScanCompleted,
                                                            boxCleaned, boxCompleteCleanedLeft, boxPartiallyCleaned})
        hidden->hide();
}

void ScanVC::configureCollectionView()
{
    collectionView->setViewMode(QListView::IconMode);
    collectionView->setMovement(QListView::Static);
    collectionView->setResizeMode(QListView::Adjust);
    collectionView->setFlow(QListView::LeftToRight);
    collectionView->setWrapping(true);
    // 150 x 150 chips, 2 points apart, 2 points above and below the rows.
    collectionView->setGridSize(QSize(152, 152));
    collectionView->setContentsMargins(0, 2, 0, 2);
    collectionView->setFrameShape(QFrame::NoFrame);
    collectionView->setSelectionMode(QAbstractItemView::NoSelection);
    collectionView->setFocusPolicy(Qt::NoFocus);
    collectionView->setStyleSheet(QStringLiteral("QListWidget { background: transparent; }"
                                                 "QListWidget::item { background: transparent; }"));
}

void ScanVC::configurePieChart()
{
    pieChart->setShowPercentage(false);
    // The centre tells the sizes; byte counts written on the slices would only clutter them.
    pieChart->setShowText(false);
    pieChart->setDelegate(this);
    pieChart->setDataSource(this);
    pieChart->setTextColor(Qt::black);
    pieChart->setPieCenter(QPointF(pieChart->width(), pieChart->height()));
    pieChart->setPieRadius(pieChart->width() / 2.0 - 25.0);
    pieChart->setCanSelect(true);
    pieChart->setAccessibleName(tr_("IDS_TMR_95"));
}

void ScanVC::setUpTexts()
{
    btnAddFolder->setToolTip(tr_("IDS_TMR_151"));
    btnAddFolder->setText(tr_("IDS_TMR_83"));
    btnBack->setToolTip(tr_("IDS_TMR_152"));
    lblReadyToScan->setText(tr_("IDS_TMR_86"));
    lblClickTheButtonBelowToStartScan->setText(tr_("IDS_TMR_87"));
    btnStartScanning->setText(tr_("IDS_TMR_88"));
    lblScanInProgress->setText(tr_("IDS_TMR_89"));
    btnStopScan->setText(tr_("IDS_TMR_90"));
    lblSearchingDuplicates->setText(tr_("IDS_TMR_91"));
    lblScanCompleted->setText(tr_("IDS_TMR_92"));
    btnReviewResults->setText(tr_("IDS_TMR_93"));
    lblFoundScanCompleted->setText(tr_("IDS_TMR_94"));
    lblDetailsOfDuplicateFoundScanCompleted->setText(tr_("IDS_TMR_95"));
    lblFollowus->setText(tr_("IDS_TMR_182"));
    lblCleanCompleted->setText(tr_("IDS_TMR_96"));
    lblCleaned->setText(tr_("IDS_TMR_97"));
    lblDetailsOfDuplicateItemsCleaned->setText(tr_("IDS_TMR_98"));
    lblCleanPartiallyCompletedPartially->setText(tr_("IDS_TMR_99"));
    btnReviewResultsPartiallCleaned->setText(tr_("IDS_TMR_93"));
    lblRemainingPartially->setText(tr_("IDS_TMR_100"));
    lblCleanedPartially->setText(tr_("IDS_TMR_97"));
    lblDetailsDuplicateClenaedPartially->setText(tr_("IDS_TMR_101"));

    imgViewCompleteCleanedLeft->setPixmap(picture(EmbeddedImages::logoImageAlt()));
    imgViewPie->setPixmap(picture(EmbeddedImages::logoImage()));
    imgViewProgressBG->setPixmap(picture(EmbeddedImages::progressRingImage()));
}

bool ScanVC::eventFilter(QObject *watched, QEvent *event)
{
    // Only the window-control box changes the dots.
    if (watched == boxStandardButtons) {
        if (event->type() == QEvent::Enter) {
            btnClose->setIcon(picture(EmbeddedImages::closeButtonHoverImage()));
            btnMinimize->setIcon(picture(EmbeddedImages::minimizeButtonHoverImage()));
        } else if (event->type() == QEvent::Leave) {
            btnClose->setIcon(picture(EmbeddedImages::closeButtonImage()));
            btnMinimize->setIcon(picture(EmbeddedImages::minimizeButtonImage()));
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ScanVC::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        viewWillAppear();
}

void ScanVC::viewWillAppear()
{
    if (isScanDialogShown || isScanning || isOverlayDialogShown)
        return;
    btnClose->setEnabled(true);
    btnMinimize->setEnabled(true);
    storeDisablePieChartAnimation(false);
    boxTopLayer->hide();
    for (QWidget *button : std::initializer_list<QWidget *>{btnReviewResultsPartiallCleaned, btnFacebook, btnTwitter,
                                                            btnStopScan, btnStartScanning, btnReviewResults, btnBack})
        button->setEnabled(true);
    if (!m_engine->isWorkerRunning())
        m_engine->control().reset();
    KRBFileFunctions::initScan();
    isDashboardShown = false;
    stopActivityIndicator();

    if (isBackFromDashboard) {
        activateWindow();
        if (isBackFromRemoval) {
            btnReviewResultsPartiallCleaned->setEnabled(false);
            if (removedPhotoCount <= 0)
                showAdvertiseAfter(1000);
            refreshScanState();
        } else {
            if (!savedCategoryRows().isEmpty()) {
                // A search was active in the results: bring back the full results.
                duplicateResults() = savedDuplicateResults();
                categoryRows() = savedCategoryRows();
                allDuplicateGroups().clear();
                groupRows().clear();
                displayedGroupRows().clear();
                savedCategoryRows().clear();
                savedDuplicateResults().removeAll();
            }
            for (QWidget *hidden : std::initializer_list<QWidget *>{boxCompleteCleanedLeft, boxCleaned, boxPartiallyCleaned,
                                                                    boxReadyToScan, boxScanInProgress,
                                                                    scrollViewCollectionView, btnAddFolder, boxProgressBar})
                hidden->hide();
            pieBox->show();
            boxScanCompleted->show();
            showCompletedAgain();
        }
    } else if (!isScanFinished) {
        resetToReadyToScan();
        // The screen comes over the home screen, whose Add Folder had the
        // keyboard and is about to go: Start Scanning takes it, rather than
        // whatever follows a hidden button.
        QWidget *focus = window()->focusWidget();
        if ((!focus || !isAncestorOf(focus)) && btnStartScanning->isVisible())
            btnStartScanning->setFocus(Qt::OtherFocusReason);
    }
    isBackFromRemoval = false;
    isBackFromDashboard = false;
}

// ---------------------------------------------------------------- chips

void ScanVC::reloadChips()
{
    collectionView->clear();
    const QStringList list = m_engine->scanList;
    for (int row = 0; row < list.size(); ++row) {
        auto *item = new QListWidgetItem(collectionView);
        item->setSizeHint(QSize(150, 150));
        item->setFlags(Qt::ItemIsEnabled);
        auto *chip = new ScanItemsViewItem(this);
        chip->fill(0, row, list.at(row));
        // Assistive tools read the list's items, not the widgets drawn over
        // them: each item carries its chip's name, the folder.
        item->setData(Qt::AccessibleTextRole, chip->accessibleName());
        collectionView->setItemWidget(item, chip);
    }
    updateTabOrder();
}

QList<QWidget *> ScanVC::chipWidgets() const
{
    QList<QWidget *> chips;
    for (int row = 0; row < collectionView->count(); ++row) {
        if (QWidget *chip = collectionView->itemWidget(collectionView->item(row)))
            chips.append(chip);
    }
    return chips;
}

void ScanVC::updateTabOrder()
{
    // Reading order: Back, Add folder above the chips, the chips, then the
    // state's own button and the share buttons at the bottom. Whatever is
    // hidden in the state on show is passed over.
    QList<QWidget *> order{btnBack, btnAddFolder};
    order += chipWidgets();
    order += {btnStartScanning, btnStopScan, btnReviewResults, btnReviewResultsPartiallCleaned, btnTwitter, btnFacebook};
    for (qsizetype index = 1; index < order.size(); ++index)
        QWidget::setTabOrder(order.at(index - 1), order.at(index));
}

void ScanVC::deleteScanItem(int tag)
{
    if (isScanDialogShown)
        return;
    removeScanItemAt(tag);
}

void ScanVC::removeScanItemAt(int row)
{
    if (row < 0 || row >= m_engine->scanList.size() || m_goingHome)
        return;
    QWidget *focused = window()->focusWidget();
    const bool chipHadFocus = focused && chipWidgets().contains(focused);
    m_engine->scanList.removeAt(row);
    if (m_engine->scanList.isEmpty()) {
        goToBack();
        return;
    }
    reloadChips();
    // Removing from the keyboard leaves the focus on the chip that took the
    // removed one's place, so the next Delete goes on from there.
    if (chipHadFocus) {
        const QList<QWidget *> chips = chipWidgets();
        if (!chips.isEmpty())
            chips.at(std::min<qsizetype>(row, chips.size() - 1))->setFocus(Qt::OtherFocusReason);
    }
}

void ScanVC::removeAllScanItems()
{
    if (m_goingHome)
        return;
    m_engine->scanList.clear();
    goToBack();
}

void ScanVC::clickedAddFolder()
{
    if (isScanDialogShown || isFolderPanelOpen)
        return;
    boxTopLayer->show();
    isFolderPanelOpen = true;
    FolderChooserOptions options;
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.allowsMultipleSelection = true;
    options.showsHiddenFiles = false;
    options.prompt = tr_("IDS_TMR_83");
    options.shouldEnable = FolderIntake::panelShouldEnable;
    QPointer<ScanVC> self(this);
    FolderChooser::current().choose(this, options, [self](bool accepted, const QStringList &paths) {
        if (self)
            self->addChosenFolders(accepted, paths);
        else
            isFolderPanelOpen = false;
    });
}

void ScanVC::addChosenFolders(bool accepted, const QStringList &paths)
{
    isFolderPanelOpen = false;
    if (!accepted) {
        boxTopLayer->hide();
        return;
    }
    auto isLibrary = [](const QString &path) {
        return lastPathExtension(path).toLower() == QLatin1String("photoslibrary");
    };
    // The home screen's rules, one item at a time so that each is compared
    // with what the list holds by then; here the list also counts as already
    // chosen, and it takes one Photos library at most.
    FolderIntake::Outcome all;
    QStringList &list = m_engine->scanList;
    for (const QString &chosen : paths) {
        const QString path = QDir::cleanPath(chosen);
        const bool listed = list.contains(path) ||
                            (isLibrary(path) && std::any_of(list.cbegin(), list.cend(), isLibrary));
        if (listed) {
            all.notAdded = true;
            continue;
        }
        const FolderIntake::Outcome one = FolderIntake::evaluate(FolderIntake::Source::Panel, {path}, allIgnorePaths());
        all.notAdded = all.notAdded || one.notAdded;
        all.excluded = all.excluded || one.excluded;
        all.parentExcluded = all.parentExcluded || one.parentExcluded;
        list.append(one.accepted);
    }
    if (const std::optional<FolderIntake::Refusal> refusal = all.alert()) {
        const QString informative = FolderIntake::alertInformativeKey(*refusal);
        QTimer::singleShot(FolderIntake::alertDelayMilliseconds(FolderIntake::Source::Panel, *refusal), this,
                           [informative] { showAlert(tr_("IDS_TMR_74"), localizedString(informative)); });
    }
    boxTopLayer->hide();
    reloadChips();
}

// ---------------------------------------------------------------- states

void ScanVC::resetToReadyToScan()
{
    btnStartScanning->setToolTip(tr_("IDS_TMR_153"));
    btnStopScan->setToolTip(tr_("IDS_TMR_154"));
    btnReviewResults->setToolTip(QString());
    btnReviewResultsPartiallCleaned->setToolTip(QString());
    isScanFinished = false;
    for (QWidget *hidden : std::initializer_list<QWidget *>{boxCompleteCleanedLeft, boxCleaned, boxPartiallyCleaned, pieBox})
        hidden->hide();
    boxReadyToScan->show();
    btnStartScanning->setEnabled(true);
    boxScanInProgress->hide();
    boxScanCompleted->hide();
    scrollViewCollectionView->show();
    btnAddFolder->show();
    lblTotolSizeFoundScanInProgress->clear();
    lblTotalGBFoundScanCompleted->clear();
    boxProgressBar->hide();
    if (!m_engine->isWorkerRunning())
        m_engine->control().reset();
    KRBFileFunctions::initScan();
    btnClose->setEnabled(true);
    btnMinimize->setEnabled(true);
    reloadChips();
    giveKeyboardTo(btnStartScanning);
}

void ScanVC::clickedStartScanning()
{
    if (isScanDialogShown || isScanning || m_goingHome)
        return;
    // Stop is on show before Start turns itself off, so the keyboard goes
    // straight from one to the other.
    boxScanInProgress->show();
    boxProgressBar->show();
    btnStartScanning->setEnabled(false);
    for (QWidget *hidden : std::initializer_list<QWidget *>{pieBox, boxReadyToScan, scrollViewCollectionView, btnAddFolder})
        hidden->hide();
    btnStopScan->setFocus();
    progressView->setAnimated(false);
    progressView->updateAppearance();
    progressView->setProgress(0);
    progressView->updateProgress();
    lblProgressPercent->setAlignment(Qt::AlignCenter);
    lblProgressPercent->setText(QStringLiteral("0%"));
    lblStepProgress->setText(tr_("IDS_TMR_78").toUpper());
    lblProgressStatus->setText(tr_("IDS_TMR_105"));
    lblPathScanInProgress->clear();
    lblTotolSizeFoundScanInProgress->clear();
    m_unreadableFiles = 0;
    lblUnreadableFiles->hide();
    m_runStarted = true;
    // The engine refuses while the previous run's end is still on its way.
    if (!m_engine->clickedStartScanning())
        resetToReadyToScan();
}

int ScanVC::progressPercent(qint64 processed, qint64 total)
{
    if (total <= 0 || processed <= 0)
        return 0;
    if (processed >= total)
        return 100;
    return int(processed * 100 / total);
}

void ScanVC::updateScanProgress(qint64 processed, qint64 total)
{
    const int percent = progressPercent(processed, total);
    lblStepProgress->setText(tr_("IDS_TMR_78").toUpper());
    lblProgressPercent->setText(QString::number(percent) + QLatin1Char('%'));
    progressView->setProgress(percent / 100.0);
    progressView->updateProgress();
}

void ScanVC::finishFirstStepProgress()
{
    progressView->setProgress(1.0);
    progressView->updateProgress();
    lblStepProgress->setText(tr_("IDS_TMR_78").toUpper());
    lblProgressPercent->setText(QStringLiteral("100%"));
}

void ScanVC::beginSecondStepProgress()
{
    progressView->setAnimated(false);
    progressView->setProgress(0);
    progressView->updateProgress();
    lblProgressStatus->setText(tr_("IDS_TMR_109"));
    lblStepProgress->setText(tr_("IDS_TMR_80").toUpper());
    lblProgressPercent->setText(QStringLiteral("0%"));
}

void ScanVC::showPhotoItemPath(const QString &path)
{
    lblPathScanInProgress->setText(path);
}

void ScanVC::showCandidatePath(const QString &path)
{
    lblPathScanInProgress->setText(path);
}

void ScanVC::showStepTwo(int percent)
{
    const int shown = std::clamp(percent, 0, 100);
    lblStepProgress->setText(tr_("IDS_TMR_80").toUpper());
    lblProgressPercent->setText(QString::number(shown) + QLatin1Char('%'));
    progressView->setProgress(shown / 100.0);
    progressView->updateProgress();
}

void ScanVC::showDigestProgress(int percent)
{
    showStepTwo(percent);
}

void ScanVC::showComparisonProgress(int percent)
{
    showStepTwo(75 + percent);
}

void ScanVC::showDuplicateSizeFound(const QString &sizeText)
{
    lblTotolSizeFoundScanInProgress->setText(sizeText + QLatin1Char(' ') + tr_("IDS_TMR_94"));
}

void ScanVC::showSearchFinished()
{
    showStepTwo(100);
}

void ScanVC::showFolderSizePath(const QString &path)
{
    lblPathScanInProgress->setText(path);
}

void ScanVC::showPhotosLibraryProgress(int percent)
{
    // The library is read before step 1: the ring tells how far its copy has come.
    const int shown = std::clamp(percent, 0, 100);
    lblProgressStatus->setText(tr_("IDS_TMR_1310"));
    lblProgressPercent->setText(QString::number(shown) + QLatin1Char('%'));
    progressView->setProgress(shown / 100.0);
    progressView->updateProgress();
}

void ScanVC::reportUnreadableFiles(qint64 count)
{
    m_unreadableFiles = std::max<qint64>(count, 0);
    lblUnreadableFiles->setText(unreadableFilesText());
    lblUnreadableFiles->setVisible(m_unreadableFiles > 0);
}

QString ScanVC::unreadableFilesText() const
{
    if (m_unreadableFiles <= 0)
        return QString();
    const QString count = QString::number(m_unreadableFiles);
    return localizedFormat(QStringLiteral("IDS_TMR_1311"), {count},
                           count + QStringLiteral(" files could not be read and are in no group."));
}

void ScanVC::photosLibrarySkipped(const QString &reason)
{
    Q_UNUSED(reason)
    showAlert(tr_("IDS_TMR_1001"), tr_("IDS_TMR_1002"));
}

void ScanVC::updateTooltipsForCompletedScan()
{
    btnStartScanning->setToolTip(QString());
    btnStopScan->setToolTip(QString());
    btnReviewResultsPartiallCleaned->setToolTip(QString());
    btnReviewResults->setToolTip(tr_("IDS_TMR_155"));
}

void ScanVC::showScanCompletedSummary(const ScanSummary &summary)
{
    fillCompletedSummary(summary);
}

void ScanVC::sendScanCompletedEvent(const QString &category, const QString &action)
{
    sendAnalyticsEvent(category, action);
}

void ScanVC::fillCompletedSummary(const ScanSummary &summary)
{
    // Review Results is on show before Stop goes, so the keyboard goes
    // straight from one to the other.
    boxScanCompleted->show();
    boxScanInProgress->hide();
    lblTotalFilesFoundScanCompleted->setText(QString::number(summary.itemCount) + QLatin1Char(' ') + tr_("IDS_TMR_110"));
    lblTotalGBFoundScanCompleted->setText(formatSize(summary.totalBytes));
    placeAfter(lblTotalGBFoundScanCompleted, lblFoundScanCompleted);
    setRows(completedCaptions, completedValues, summary);
    showPieBoxAnimated();
    updatePieChart();
    btnReviewResults->setFocus();
}

void ScanVC::showCompletedAgain()
{
    // The return from the results: the same summary as at completion,
    // without a second scan-done event.
    updateTooltipsForCompletedScan();
    const ScanSummary summary = categorySizesSortedBySize();
    isScanFinished = true;
    storeDisablePieChartAnimation(false);
    fillCompletedSummary(summary);
}

void ScanVC::refreshScanState()
{
    for (QWidget *hidden :
         std::initializer_list<QWidget *>{boxCompleteCleanedLeft, boxCleaned, boxPartiallyCleaned, pieBox, boxReadyToScan,
                                          boxScanInProgress, boxScanCompleted, scrollViewCollectionView, btnAddFolder,
                                          boxProgressBar})
        hidden->hide();
    if (!m_engine->isWorkerRunning())
        m_engine->control().reset();
    KRBFileFunctions::initScan();
    btnClose->setEnabled(true);
    btnMinimize->setEnabled(true);

    const ScanSummary summary = categorySizesSortedBySize();
    int removedCount = 0;
    quint64 removedBytes = 0;
    for (const ItemTally &tally : std::as_const(removedItemTallies())) {
        removedCount += tally.count;
        removedBytes += tally.bytes;
    }

    if (allDuplicatesRemoved) {
        boxCleaned->show();
        boxCompleteCleanedLeft->show();
        lblTotalItemsCleaned->setText(removedItemsPhrase(removedCount));
        lblTotalSizeCleaned->setText(formatSize(removedBytes));
        placeAfter(lblTotalSizeCleaned, lblCleaned);
        struct Row
        {
            QString name;
            quint64 bytes = 0;
        };
        QList<Row> rows;
        Row others{QStringLiteral("Others"), 0};
        for (const ItemTally &tally : std::as_const(removedItemTallies())) {
            const QString name = tally.name == QLatin1String("Musics") ? QStringLiteral("Music") : tally.name;
            if (name == QLatin1String("Others"))
                others.bytes += tally.bytes;
            else
                rows.append({name, tally.bytes});
        }
        std::stable_sort(rows.begin(), rows.end(), [](const Row &a, const Row &b) { return a.bytes > b.bytes; });
        rows.append(others);
        quint64 rest = 0;
        for (int row = 3; row < rows.size(); ++row)
            rest += rows.at(row).bytes;
        for (int row = 0; row < 3 && row < cleanedCaptions.size(); ++row) {
            const Row &shown = row < rows.size() ? rows.at(row) : Row{};
            cleanedCaptions.at(row)->setText(tr_("IDS_TMR_103") + QLatin1Char(' ') + shown.name + QLatin1Char(' ') +
                                             tr_("IDS_TMR_97"));
            cleanedValues.at(row)->setText(formatSize(shown.bytes));
        }
        cleanedCaptions.at(3)->setText(tr_("IDS_TMR_61") + QLatin1Char(' ') + tr_("IDS_TMR_97"));
        cleanedValues.at(3)->setText(formatSize(rest));
        // Nothing is left to review: the keyboard starts at the way back.
        btnBack->setFocus();
        if (removedPhotoCount >= 1)
            showAfterMoveInPhotoLibraryNotice();
        return;
    }

    btnStartScanning->setToolTip(QString());
    btnStopScan->setToolTip(QString());
    btnReviewResults->setToolTip(QString());
    btnReviewResultsPartiallCleaned->setToolTip(tr_("IDS_TMR_155"));
    boxPartiallyCleaned->show();
    pieBox->show();
    for (QWidget *hidden : std::initializer_list<QWidget *>{lblTotalItemsCleanedPartially, lblTotalSizeCleanedPartially,
                                                            lblCleanInPhotoLibraryPartially, lblCleanedPartially})
        hidden->hide();
    if (removedCount > 0) {
        lblTotalItemsCleanedPartially->show();
        lblTotalSizeCleanedPartially->show();
        lblCleanedPartially->show();
        lblTotalItemsCleanedPartially->setText(removedItemsPhrase(removedCount));
        lblTotalSizeCleanedPartially->setText(formatSize(removedBytes));
        placeAfter(lblTotalSizeCleanedPartially, lblCleanedPartially);
    }
    if (removedPhotoCount > 0) {
        lblCleanInPhotoLibraryPartially->show();
        lblCleanInPhotoLibraryPartially->setText(photosLibraryLine(removedPhotoCount, removedPhotoBytes));
    }
    lblTotalItemsRemainingPartially->setText(QString::number(summary.itemCount) + QLatin1Char(' ') + tr_("IDS_TMR_104"));
    lblTotalSizeRemainingPartially->setText(formatSize(summary.totalBytes));
    placeAfter(lblTotalSizeRemainingPartially, lblRemainingPartially);
    setRows(partialCaptions, partialValues, summary);
    showPieBoxAnimated();
    updatePieChart();
    // As after a scan, the keyboard starts at the button that goes on; while
    // that button waits to be enabled, the keyboard waits on the screen.
    if (btnReviewResultsPartiallCleaned->isEnabled())
        btnReviewResultsPartiallCleaned->setFocus();
    else
        parkKeyboard();
    if (removedPhotoCount > 0)
        showAfterMoveInPhotoLibraryNotice();
}

// ---------------------------------------------------------------- pie

void ScanVC::layOutProgressBox()
{
    boxProgressBar->setGeometry(centred(kRingCentre, m_progressBoxSize));
    const QPointF middle(m_progressBoxSize.width() / 2.0, m_progressBoxSize.height() / 2.0);
    imgViewProgressBG->setGeometry(centred(middle, QSizeF(296, 296)));
    progressView->setGeometry(centred(middle, QSizeF(250, 250)));
    lblStepProgress->setGeometry(centred(middle - QPointF(0, 52), QSizeF(200, 34)));
    lblProgressPercent->setGeometry(centred(middle, QSizeF(220, 60)));
    lblProgressStatus->setGeometry(centred(middle + QPointF(0, 56), QSizeF(180, 40)));
}

void ScanVC::layOutParentPie()
{
    const QPointF middle(pieBox->width() / 2.0, pieBox->height() / 2.0);
    boxParentPie->setGeometry(centred(middle, m_parentPieSize));
    // The chart keeps its size and stays centred, so a growing box reveals it from the middle.
    pieChart->move(int((m_parentPieSize.width() - pieChart->width()) / 2.0),
                   int((m_parentPieSize.height() - pieChart->height()) / 2.0));
}

void ScanVC::setWidthConstantBoxProgress(qreal value)
{
    m_progressBoxSize.setWidth(value);
    layOutProgressBox();
}

void ScanVC::setHeightConstantBoxProgress(qreal value)
{
    m_progressBoxSize.setHeight(value);
    layOutProgressBox();
}

void ScanVC::setWidthConstantBoxParentPie(qreal value)
{
    m_parentPieSize.setWidth(value);
    layOutParentPie();
}

void ScanVC::setHeightConstantBoxParentPie(qreal value)
{
    m_parentPieSize.setHeight(value);
    layOutParentPie();
}

void ScanVC::showPieBoxAnimated()
{
    if (auto *running = findChild<QParallelAnimationGroup *>(QStringLiteral("pieBoxAnimation"))) {
        running->setObjectName(QString());
        running->stop();
        running->deleteLater();
    }
    auto *pieFade = new QGraphicsOpacityEffect(pieBox);
    pieFade->setOpacity(0);
    pieBox->setGraphicsEffect(pieFade);
    pieBox->show();
    setHeightConstantBoxParentPie(0);
    setWidthConstantBoxParentPie(0);
    auto *progressFade = new QGraphicsOpacityEffect(boxProgressBar);
    progressFade->setOpacity(1);
    boxProgressBar->setGraphicsEffect(progressFade);

    auto *group = new QParallelAnimationGroup(this);
    group->setObjectName(QStringLiteral("pieBoxAnimation"));
    auto animate = [group](QObject *target, const char *property, const QVariant &from, const QVariant &to) {
        auto *animation = new QPropertyAnimation(target, property, group);
        animation->setDuration(kPieBoxMilliseconds);
        animation->setStartValue(from);
        animation->setEndValue(to);
    };
    animate(pieFade, "opacity", 0.0, 1.0);
    animate(this, "lblWidthConstantBoxProgress", m_progressBoxSize.width(), 351.0);
    animate(this, "lblHeightConstantBoxProgress", m_progressBoxSize.height(), 351.0);
    animate(progressFade, "opacity", 1.0, 0.0);
    animate(this, "lblHeightConstantBoxParentPie", 0.0, 280.0);
    animate(this, "lblWidthConstantBoxParentPie", 0.0, 280.0);
    connect(group, &QAbstractAnimation::finished, this, [this, group] {
        if (group->objectName().isEmpty())
            return;
        group->deleteLater();
        boxProgressBar->hide();
        boxProgressBar->setGraphicsEffect(nullptr);
        pieBox->setGraphicsEffect(nullptr);
        setWidthConstantBoxProgress(310);
        setHeightConstantBoxProgress(310);
    });
    group->start();
}

QColor ScanVC::sliceColor(Duplicates category)
{
    switch (category) {
    case Duplicates::_Photos:
        return QColor(126, 202, 239);
    case Duplicates::_Videos:
        return QColor(148, 229, 232);
    case Duplicates::_Documents:
        return QColor(224, 218, 148);
    case Duplicates::_Archives:
        return QColor(221, 191, 157);
    case Duplicates::_Music:
        return QColor(221, 143, 149);
    case Duplicates::_Applications:
        return QColor(220, 183, 232);
    case Duplicates::_Others:
        return QColor(200, 227, 162);
    }
    return QColor(200, 227, 162);
}

void ScanVC::updatePieChart()
{
    m_slices.clear();
    m_sliceColors.clear();
    m_slicesNames.clear();
    m_slicesValuesCount.clear();
    for (const auto &[category, totals] : resultsCountAndSize()) {
        if (totals.first <= 0)
            continue;
        m_slicesNames.append(category);
        m_slicesValuesCount.append(totals.first);
        m_slices.append(totals.second);
        m_sliceColors.append(sliceColor(category));
    }
    showTotalsInPieCentre();
    pieChart->reloadData();
}

void ScanVC::showTotalsInPieCentre()
{
    quint64 bytes = 0;
    int count = 0;
    for (int index = 0; index < m_slices.size(); ++index) {
        bytes += m_slices.at(index);
        count += m_slicesValuesCount.value(index);
    }
    const auto [number, unit] = splitSizeText(formatSize(bytes));
    setFittedText(lblSizePie, number, 28);
    lblSizeUnitInPie->setText(unit);
    lblFoundInPie->setText(tr_("IDS_TMR_106") + QLatin1Char(' ') + QString::number(count) + QLatin1Char(' ') +
                           tr_("IDS_TMR_107"));
    imgViewPie->setPixmap(picture(EmbeddedImages::rawValue(EmbeddedImages::PieChartImages::allDuplicates)));
}

void ScanVC::showSliceDetails(int index)
{
    if (index < 0 || index >= m_slices.size() || index >= m_slicesNames.size() || index >= m_slicesValuesCount.size())
        return;
    const auto [number, unit] = splitSizeText(formatSize(m_slices.at(index)));
    setFittedText(lblSizePie, number, 28);
    lblSizeUnitInPie->setText(unit);
    lblFoundInPie->setText(QString::number(m_slicesValuesCount.at(index)) + QLatin1Char(' ') + tr_("IDS_TMR_107") +
                           QLatin1Char(' ') + tr_("IDS_TMR_108") + QLatin1Char(' ') + rawValue(m_slicesNames.at(index)));
    imgViewPie->setPixmap(picture(EmbeddedImages::categoryIconData(m_slicesNames.at(index))));
}

int ScanVC::numberOfSlicesInPieChart(PieChart *)
{
    return int(m_slices.size());
}

double ScanVC::valueForSliceAtIndex(PieChart *, int index)
{
    return index >= 0 && index < m_slices.size() ? double(m_slices.at(index)) : 0.0;
}

std::optional<QColor> ScanVC::colorForSliceAtIndex(PieChart *, int index)
{
    if (index < 0 || index >= m_sliceColors.size())
        return std::nullopt;
    return m_sliceColors.at(index);
}

std::optional<QString> ScanVC::accessibleTextForSliceAtIndex(PieChart *, int index)
{
    if (index < 0 || index >= m_slices.size() || index >= m_slicesNames.size())
        return std::nullopt;
    return rawValue(m_slicesNames.at(index)) + QStringLiteral(", ") + formatSize(m_slices.at(index));
}

void ScanVC::willSelectSliceAtIndex(PieChart *, int index)
{
    showSliceDetails(index);
}

void ScanVC::willDeselectSliceAtIndex(PieChart *, int)
{
    showTotalsInPieCentre();
}

// ---------------------------------------------------------------- navigation

void ScanVC::setDialogShown(bool shown, bool buttonsEnabled)
{
    isScanDialogShown = shown;
    for (QWidget *button : std::initializer_list<QWidget *>{btnBack, btnReviewResultsPartiallCleaned, btnReviewResults,
                                                            btnTwitter, btnFacebook})
        button->setEnabled(buttonsEnabled);
}

void ScanVC::hideTopLayer()
{
    boxTopLayer->hide();
    // The leave-results question was cancelled: the keyboard goes back to Back.
    giveKeyboardTo(btnBack);
}

void ScanVC::presentOverlay(QWidget *dialog)
{
    if (scanCustomAnimator && dialog)
        scanCustomAnimator->animatePresentationOfViewController(dialog, this);
}

void ScanVC::clickedStopScanning()
{
    if (m_cancelDialogUp)
        return;
    parkKeyboard();
    btnStopScan->setEnabled(false);
    btnClose->setEnabled(false);
    btnMinimize->setEnabled(false);
    storeDisablePieChartAnimation(true);
    m_engine->clickedStopScanning();
    disableScanButtons();
    m_cancelDialogUp = true;
    auto *dialog = ScreenRegistry::instance().get<CancelScanningVC>(QString::fromLatin1(ScreenId::CancelScanning));
    if (dialog) {
        dialog->setScanVC(this);
        boxTopLayer->show();
        presentOverlay(dialog);
    }
}

void ScanVC::confirmStopFromDialog()
{
    m_engine->confirmStop();
}

void ScanVC::resumeFromDialog()
{
    m_engine->isHomePressed = false;
}

void ScanVC::closeCancelDialog(bool stopped)
{
    m_cancelDialogUp = false;
    storeDisablePieChartAnimation(false);
    enableScanButtons();
    // After No the run goes on from where it paused; after Yes it has already been told to stop.
    if (!stopped)
        m_engine->resumeScan();
    for (QWidget *button : std::initializer_list<QWidget *>{btnStartScanning, btnStopScan, btnClose, btnMinimize})
        button->setEnabled(true);
    giveKeyboardTo(stopped ? btnStartScanning : btnStopScan);
    if (m_engine->isHomePressed)
        goToBack();
}

bool ScanVC::focusNextPrevChild(bool next)
{
    return FocusHandOff::handOver(this) || QWidget::focusNextPrevChild(next);
}

void ScanVC::parkKeyboard()
{
    // While a question is up the keyboard waits on the screen itself, not on
    // whichever button comes after the one that is about to be disabled.
    if (isAncestorOf(window()->focusWidget()))
        setFocus(Qt::OtherFocusReason);
}

void ScanVC::giveKeyboardTo(QWidget *button)
{
    // Only where nothing usable has the keyboard: it was parked on the screen
    // while a dialog was up, or the control that had it has gone.
    QWidget *focus = window()->focusWidget();
    const bool parked = !focus || focus == this
        || (isAncestorOf(focus) && (!focus->isVisible() || !focus->isEnabled()));
    if (parked && button->isVisible() && button->isEnabled())
        button->setFocus(Qt::OtherFocusReason);
}

void ScanVC::clickedBack()
{
    if (isScanDialogShown || m_goingHome)
        return;
    storeDisablePieChartAnimation(true);
    m_engine->isHomePressed = true;
    if (isScanning) {
        clickedStopScanning();
        return;
    }
    QWidget *dialog = nullptr;
    if (backToHomeAlertEnabled && hasAnyResults() && scanCustomAnimator)
        dialog = ScreenRegistry::instance().get<QWidget>(QString::fromLatin1(ScreenId::BackToHome));
    if (dialog) {
        parkKeyboard();
        boxTopLayer->show();
        disableScanButtons();
        isOverlayDialogShown = true;
        presentOverlay(dialog);
        return;
    }
    // Without the question (switched off, nothing found, or no dialog to ask it) Back goes home at once.
    goToBack();
}

void ScanVC::goToBack()
{
    if (m_goingHome)
        return;
    m_goingHome = true;
    m_engine->scanList.clear();
    m_engine->scanDirectories.clear();
    m_engine->photoLibraryItems.clear();
    isScanFinished = false;

    QWidget *home = m_parentVC;
    auto outlet = [home](const char *name) -> QWidget * {
        return home ? home->findChild<QWidget *>(QString::fromLatin1(name)) : nullptr;
    };
    if (QWidget *dropView = outlet("dropView"))
        dropView->hide();
    for (const char *name : {"lblAddFoldersBelow", "lblScanForDuplicates", "btnAddFolder"}) {
        if (QWidget *shown = outlet(name))
            shown->show();
    }

    // A dialog still fading out over the screen goes at once: the screen's
    // own fade cannot draw another fade inside it.
    for (QObject *child : children()) {
        auto *dialog = qobject_cast<QWidget *>(child);
        if (dialog && isOverlayDialogIdentifier(dialog))
            dialog->hide();
    }
    auto *fade = new QGraphicsOpacityEffect(this);
    fade->setOpacity(1.0);
    setGraphicsEffect(fade);
    auto *group = new QParallelAnimationGroup(this);
    auto *alpha = new QPropertyAnimation(fade, "opacity", group);
    alpha->setDuration(kGoHomeMilliseconds);
    alpha->setEndValue(0.0);
    const int windowWidth = window() != this ? window()->width() : kWidth;
    auto *slide = new QPropertyAnimation(this, "geometry", group);
    slide->setDuration(kGoHomeMilliseconds);
    slide->setEndValue(QRect(windowWidth, 0, 0, 0));
    if (QWidget *background = outlet("imgViewBackground")) {
        auto *grow = new QPropertyAnimation(background, "geometry", group);
        grow->setDuration(kGoHomeMilliseconds);
        grow->setEndValue(home->rect());
    }
    QPointer<QWidget> homeScreen(home);
    connect(group, &QAbstractAnimation::finished, this, [this, homeScreen] {
        hide();
        setGraphicsEffect(nullptr);
        setParent(nullptr);
        ScreenRegistry &registry = ScreenRegistry::instance();
        if (registry.peekObject(QString::fromLatin1(ScreenId::Scan)) == this)
            registry.release(QString::fromLatin1(ScreenId::Scan));
        else
            deleteLater();
        if (homeScreen) {
            if (QWidget *dropView = homeScreen->findChild<QWidget *>(QStringLiteral("dropView")))
                dropView->show();
        }
        NotificationCenter::defaultCenter().post(QString::fromLatin1(kResetHomeToolTipsNotification));
        storeDisablePieChartAnimation(false);
    });
    group->start(QAbstractAnimation::DeleteWhenStopped);
}

void ScanVC::scanNotCompleted()
{
    scanEndedWithoutResults();
}

void ScanVC::scanEndedWithoutResults()
{
    isScanning = false;
    resetToReadyToScan();
    QTimer::singleShot(0, this, [this] {
        if (m_engine->isHomePressed)
            return;
        // A skipped file is never hidden behind "nothing found".
        const QString unreadable = unreadableFilesText();
        showAlert(tr_("IDS_TMR_92") + QLatin1Char('!'),
                  unreadable.isEmpty() ? tr_("IDS_TMR_150") : tr_("IDS_TMR_150") + QLatin1Char('\n') + unreadable);
    });
}

void ScanVC::startActivityIndicator()
{
    loader->show();
    loader->raise();
    loader->startAnimation();
    boxTopLayer->show();
}

void ScanVC::stopActivityIndicator()
{
    loader->stopAnimation();
    loader->hide();
    boxTopLayer->hide();
}

void ScanVC::clickedReviewResults()
{
    if (isScanDialogShown)
        return;
    btnReviewResults->setEnabled(false);
    btnBack->setEnabled(false);
    launchDashboard();
}

void ScanVC::clickedPartiallyCleanedReviewResults()
{
    if (isScanDialogShown)
        return;
    btnReviewResultsPartiallCleaned->setEnabled(false);
    launchDashboard();
}

void ScanVC::launchDashboard()
{
    if (isScanDialogShown || !hasAnyResults())
        return;
    btnClose->setEnabled(false);
    btnMinimize->setEnabled(false);
    startActivityIndicator();
    QTimer::singleShot(0, this, [this] {
        ScreenRegistry &registry = ScreenRegistry::instance();
        const QString identifier = QString::fromLatin1(ScreenId::DashboardWindow);
        registry.release(identifier);
        QObject *window = registry.object(identifier);
        if (auto *launcher = qobject_cast<ResultsWindowLauncher *>(window))
            launcher->showResultsWindow();
        else if (window && window->metaObject()->indexOfMethod("showWindow()") >= 0)
            QMetaObject::invokeMethod(window, "showWindow");
        else if (auto *widget = qobject_cast<QWidget *>(window))
            widget->show();
        stopActivityIndicator();
        if (!window) {
            // No results window to open: the screen stays as it was, usable.
            for (QWidget *button : std::initializer_list<QWidget *>{btnReviewResults, btnReviewResultsPartiallCleaned,
                                                                    btnBack, btnClose, btnMinimize})
                button->setEnabled(true);
        }
    });
}

void ScanVC::openSocialPage(int index)
{
    if (isScanDialogShown)
        return;
    const QList<QUrl> &pages = socialPageURLs();
    if (index >= 0 && index < pages.size())
        PageOpener::openURL(pages.at(index));
}

void ScanVC::clickedTwitter()
{
    openSocialPage(0);
}

void ScanVC::clickedFacebook()
{
    openSocialPage(1);
}

void ScanVC::showAfterMoveInPhotoLibraryNotice()
{
    QWidget *dialog = scanCustomAnimator
                              ? ScreenRegistry::instance().get<QWidget>(QString::fromLatin1(ScreenId::AfterMoveInPhotoLibrary))
                              : nullptr;
    if (!dialog)
        return;
    boxTopLayer->show();
    disableScanButtons();
    isOverlayDialogShown = true;
    presentOverlay(dialog);
}

void ScanVC::showAdvertise()
{
    btnReviewResultsPartiallCleaned->setEnabled(true);
    giveKeyboardTo(btnReviewResultsPartiallCleaned);
    QTimer::singleShot(3000, this, [this] {
        const QString identifier = QString::fromLatin1(ScreenId::Advertise);
        if (!ScreenRegistry::instance().hasFactory(identifier))
            return;
        if (QObject *advertise = ScreenRegistry::instance().object(identifier))
            QMetaObject::invokeMethod(advertise, "advertise", Q_ARG(QWidget *, this));
    });
}

void ScanVC::showAdvertiseAfter(int milliseconds)
{
    QTimer::singleShot(milliseconds, this, [this] { showAdvertise(); });
}
