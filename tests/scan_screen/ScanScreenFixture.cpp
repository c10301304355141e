#include "ScanScreenFixture.h"

#include <TestEnvironment.h>

#include <Alert.h>
#include <CustomAnimator.h>
#include <KRBFileFunctions.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ResultQueries.h>
#include <ScanItemsViewItem.h>
#include <ScanScreens.h>
#include <ScreenRegistry.h>
#include <UserDefaults.h>

#include <NotificationCenter.h>

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QTest>

namespace ScanScreenFixture {

namespace {

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(bytes);
}

QByteArray bytesOf(char fill, int size = 4096)
{
    return QByteArray(size, fill);
}

void resetFlags()
{
    isScanDialogShown = isScanning = isScanFinished = false;
    isBackFromDashboard = isBackFromRemoval = isDashboardShown = false;
    isOverlayDialogShown = isFolderPanelOpen = false;
    backToHomeAlertEnabled = true;
    allDuplicatesRemoved = false;
    removedPhotoCount = 0;
    removedPhotoBytes = 0;
    resetRemovedItemTallies();
    duplicateResults().removeAll();
    savedDuplicateResults().removeAll();
    categoryRows().clear();
    savedCategoryRows().clear();
    allIgnorePaths().clear();
    allExtensions().clear();
    minimumFileSize = 1024;
    KRBFileFunctions::initScan();
}

} // namespace

HomeStandIn::HomeStandIn()
{
    setFixedSize(ScanVC::kWidth, ScanVC::kHeight);
    for (const char *name : {"lblAddFoldersBelow", "lblScanForDuplicates", "btnAddFolder", "dropView", "imgViewBackground"}) {
        auto *child = new QLabel(this);
        child->setObjectName(QString::fromLatin1(name));
        child->setGeometry(0, 0, 100, 20);
    }
}

void BackToHomeStandIn::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    ++shown;
}

void BackToHomeStandIn::answer(bool ok)
{
    auto *scan = ScreenRegistry::instance().peek<ScanVC>(QString::fromLatin1(ScreenId::Scan));
    ASSERT_NE(scan, nullptr);
    scan->enableScanButtons();
    if (scanCustomAnimator)
        scanCustomAnimator->animateDismissalOfViewController(this, scan);
    NotificationCenter::defaultCenter().post(QString::fromLatin1(ok ? kBackToHomeObserverNotification
                                                                    : kHideTopParentLayerScanVCNotification));
    UserDefaults::standard().setObject(QString::fromLatin1(kDisablePieChartAnimationKey), false);
    if (auto *close = scan->findChild<QWidget *>(QStringLiteral("btnClose")))
        close->setEnabled(true);
    isOverlayDialogShown = false;
}

void FakeChooser::choose(QWidget *, const FolderChooserOptions &options, Completion completion)
{
    ++opened;
    lastOptions = options;
    completion(accept, paths);
}

void ScanScreenTest::SetUp()
{
    loadLocalizationTable();
    resetFlags();
    ScreenRegistry::instance().reset();
    registerScanScreens();
    ResultsWindowStandIn::shownCount = 0;
    AdvertiseStandIn::calls = 0;
    setAlertRunner([this](QMessageBox &alert) { alerts.append(alert.text() + QStringLiteral(" / ") + alert.informativeText()); });
    FolderChooser::setCurrent(&m_chooser);
    m_resetToken = NotificationCenter::defaultCenter().addObserver(QStringLiteral("kResetHomeToolTips"),
                                                                   [this](const Notification &) { ++resetHomeToolTipsPosts; });
    m_home = new HomeStandIn;
}

void ScanScreenTest::TearDown()
{
    NotificationCenter::defaultCenter().removeObserver(m_resetToken);
    delete m_scan.data();
    delete m_home;
    ScreenRegistry::instance().reset();
    FolderChooser::setCurrent(nullptr);
    setAlertRunner(nullptr);
    // Let delayed deletions and closing animations finish inside the test.
    QTest::qWait(10);
    resetFlags();
}

ScanVC *ScanScreenTest::presentScanScreen(const QStringList &paths)
{
    m_scan = ScreenRegistry::instance().get<ScanVC>(QString::fromLatin1(ScreenId::Scan));
    EXPECT_NE(m_scan, nullptr);
    QMetaObject::invokeMethod(m_scan, "takeScanList", Q_ARG(QStringList, paths), Q_ARG(QWidget *, m_home));
    m_scan->setParent(m_home);
    m_scan->move(0, 0);
    m_home->show();
    m_scan->show();
    return m_scan;
}

void ScanScreenTest::makeQuick(ScanVC *scan, std::chrono::milliseconds pauseBetweenSteps)
{
    scan->engine().setPauseBetweenSteps(pauseBetweenSteps);
    scan->engine().setDeliverEveryProgressUpdate(true);
    scan->engine().setDigestThreads(2);
}

QString ScanScreenTest::text(const char *name) const
{
    auto *label = outlet<QLabel>(name);
    return label ? label->text() : QString();
}

void ScanScreenTest::click(const char *name)
{
    if (auto *button = outlet<QAbstractButton>(name))
        button->click();
}

QStringList ScanScreenTest::visibleBoxes() const
{
    QStringList shown;
    for (const char *name : {"boxReadyToScan", "scrollViewCollectionView", "btnAddFolder", "boxScanInProgress",
                             "boxProgressBar", "boxScanCompleted", "pieBox", "boxPartiallyCleaned", "boxCleaned",
                             "boxCompleteCleanedLeft", "boxTopLayer"}) {
        auto *widget = outlet<QWidget>(name);
        if (widget && widget->isVisibleTo(m_scan))
            shown.append(QString::fromLatin1(name));
    }
    return shown;
}

QStringList ScanScreenTest::usableButtons() const
{
    QStringList usable;
    for (const char *name : {"btnStartScanning", "btnAddFolder", "btnStopScan", "btnReviewResults",
                             "btnReviewResultsPartiallCleaned", "btnBack", "btnClose", "btnMinimize"}) {
        auto *button = outlet<QWidget>(name);
        if (button && button->isVisibleTo(m_scan) && button->isEnabled())
            usable.append(QString::fromLatin1(name));
    }
    return usable;
}

QList<ScanItemsViewItem *> ScanScreenTest::chips() const
{
    QList<ScanItemsViewItem *> found;
    auto *list = outlet<QListWidget>("collectionView");
    for (int row = 0; list && row < list->count(); ++row)
        found.append(qobject_cast<ScanItemsViewItem *>(list->itemWidget(list->item(row))));
    return found;
}

bool ScanScreenTest::waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

bool ScanScreenTest::waitForHome(QPointer<ScanVC> scan)
{
    return waitUntil([&scan] { return scan.isNull(); });
}

QStringList ScanScreenTest::makeFolders(const QStringList &names)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("folders"));
    QStringList paths;
    for (const QString &name : names) {
        QDir().mkpath(root + QLatin1Char('/') + name);
        paths.append(root + QLatin1Char('/') + name);
    }
    return paths;
}

QStringList ScanScreenTest::makeTreeWithDuplicates()
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("scan-screen"));
    const QString one = root + QStringLiteral("/one");
    const QString two = root + QStringLiteral("/two");
    writeFile(one + QStringLiteral("/photo.jpg"), bytesOf('p', 8192));
    writeFile(two + QStringLiteral("/photo copy.jpg"), bytesOf('p', 8192));
    writeFile(one + QStringLiteral("/song.mp3"), bytesOf('m', 5000));
    writeFile(two + QStringLiteral("/sub/song.mp3"), bytesOf('m', 5000));
    for (int i = 0; i < 12; ++i)
        writeFile(one + QStringLiteral("/unique%1.txt").arg(i), bytesOf(char('a' + i), 2048 + i));
    return {one, two};
}

QStringList ScanScreenTest::makeTreeWithoutDuplicates()
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("scan-screen-single"));
    for (int i = 0; i < 5; ++i)
        writeFile(root + QStringLiteral("/file%1.bin").arg(i), bytesOf(char('a' + i), 3000 + i));
    return {root};
}

void saveRender(QWidget *widget, const QString &name)
{
    const QString path = TestEnvironment::renderDirectory() + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
}

} // namespace ScanScreenFixture
