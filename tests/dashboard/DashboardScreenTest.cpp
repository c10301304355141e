#include <DashboardScreens.h>
#include <DashboardVC.h>
#include <DashboardWindowController.h>
#include <PathControl.h>
#include <WindowPlacement.h>
#include <PreviewPane.h>
#include <ResultCellDelegates.h>
#include <ReviewModels.h>
#include <ReviewSession.h>
#include <VideoPreview.h>

#include <Alert.h>
#include <CustomAnimator.h>
#include <FileReveal.h>
#include <FocusRing.h>
#include <FocusTrail.h>
#include <Localization.h>
#include <NotificationCenter.h>
#include <PageOpener.h>
#include <ProcessState.h>
#include <ResultQueries.h>
#include <ScreenRegistry.h>
#include <Spinner.h>
#include <ResultStoreFixture.h>
#include <TestEnvironment.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTest>
#include <QTableView>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

void clearStore()
{
    clearResultStore();
    isDashboardShown = false;
    isBackFromDashboard = false;
    isDashboardMiniaturized = false;
}

// Runs what the event loop has queued: zero-delay calls and deferred deletes.
void settle()
{
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Every path of the whole store, category by category, for comparing stores.
QStringList storePaths()
{
    QStringList paths;
    for (const QString &key : duplicateResults().keys()) {
        for (const DuplicateGroup &group : *duplicateResults().find(key)) {
            for (const InitialDirectory &copy : group)
                paths.append(key + QLatin1Char(':') + (copy.url ? copy.url->toLocalFile() : QString()));
        }
    }
    paths.sort();
    return paths;
}

// A stand-in for the overlay the application layer shows over the results.
class AboutStandIn : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool isDashboardVC READ isDashboardVC WRITE setIsDashboardVC)

public:
    bool isDashboardVC() const { return m_isDashboardVC; }
    void setIsDashboardVC(bool on) { m_isDashboardVC = on; }

private:
    bool m_isDashboardVC = false;
};

// A stand-in for the removal screen, which lies above the results screen.
class RemovalStandIn : public QObject
{
    Q_OBJECT

public:
    QList<QPair<QString, QWidget *>> calls;

    Q_INVOKABLE void clickedTrashedMarked(QWidget *resultsScreen) { calls.append({QStringLiteral("trash"), resultsScreen}); }
    Q_INVOKABLE void observerDeleteMarked(QWidget *resultsScreen) { calls.append({QStringLiteral("confirmed"), resultsScreen}); }
};

class DashboardScreenTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { loadLocalizationTable(); }

    void SetUp() override
    {
        clearStore();
        folder = TestEnvironment::makeTemporaryFolder(QStringLiteral("results"));
        QImage red(64, 48, QImage::Format_RGB32);
        red.fill(Qt::red);
        QImage blue(40, 90, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        addGroup(ScanResultKeys::Photos, {image(QStringLiteral("beach.png"), red), image(QStringLiteral("beach copy.png"), red)});
        addGroup(ScanResultKeys::Photos, {image(QStringLiteral("tall.png"), blue), image(QStringLiteral("tall 2.png"), blue),
                                          image(QStringLiteral("tall 3.png"), blue)});
        addGroup(ScanResultKeys::Documents, {file(QStringLiteral("notes.txt"), "first line\nsecond line\n"),
                                             file(QStringLiteral("notes (1).txt"), "first line\nsecond line\n")});
        addGroup(ScanResultKeys::Videos, {file(QStringLiteral("clip.mp4"), QByteArray(3000, 'v')),
                                          file(QStringLiteral("clip copy.mp4"), QByteArray(3000, 'v'))});
        addGroup(ScanResultKeys::Musics, {file(QStringLiteral("song.mp3"), QByteArray(2000, 'm')),
                                          file(QStringLiteral("song copy.mp3"), QByteArray(2000, 'm'))});

        ScreenRegistry::instance().reset();
        ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::HomeWindow), [] {
            auto *home = new QWidget(nullptr, Qt::Window);
            home->setObjectName(QStringLiteral("HomeWindow"));
            home->resize(1008, 702);
            return static_cast<QObject *>(home);
        });
        registerDashboardScreens();
        DashboardWindowController::setAnimationDuration(0);
        previousAlertRunner = setAlertRunner([this](QMessageBox &alert) {
            alerts.append(alert.text());
            alert.buttons().first()->click();
        });
        FileReveal::setHandler([this](const QString &path, const QString &) {
            revealed.append(path);
            return true;
        });
    }

    void TearDown() override
    {
        ScreenRegistry::instance().reset();
        settle();
        setAlertRunner(previousAlertRunner);
        FileReveal::setHandler({});
        customAnimator.reset();
        clearStore();
    }

    QString file(const QString &name, const QByteArray &bytes)
    {
        const QString path = folder + QLatin1Char('/') + name;
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return path;
    }

    QString image(const QString &name, const QImage &picture)
    {
        const QString path = folder + QLatin1Char('/') + name;
        EXPECT_TRUE(picture.save(path));
        return path;
    }

    void addGroup(ScanResultKeys category, const QStringList &paths)
    {
        DuplicateGroup group;
        for (const QString &path : paths) {
            InitialDirectory record(QUrl::fromLocalFile(path));
            record.category = category;
            group.append(record);
        }
        GroupList groups = duplicateResults().value(rawValue(category)).value_or(GroupList{});
        groups.append(group);
        duplicateResults().setValue(rawValue(category), groups);
    }

    QWidget *home() { return ScreenRegistry::instance().get<QWidget>(QString::fromLatin1(ScreenId::HomeWindow)); }

    // As the scan screen's Review results asks for the window.
    DashboardVC *open()
    {
        QObject *made = ScreenRegistry::instance().object(QString::fromLatin1(ScreenId::DashboardWindow));
        auto *launcher = qobject_cast<ResultsWindowLauncher *>(made);
        auto *window = qobject_cast<DashboardWindowController *>(made);
        EXPECT_NE(launcher, nullptr);
        EXPECT_NE(window, nullptr);
        home()->show();
        launcher->showResultsWindow();
        settle();
        return window->contentViewController();
    }

    // As the scan screen opens the results: the old window goes, a new one comes.
    DashboardVC *openAgain()
    {
        ScreenRegistry::instance().release(QString::fromLatin1(ScreenId::DashboardWindow));
        return open();
    }

    // A row chosen as a click would choose it.
    static void choose(QTableView *table, int row)
    {
        table->selectionModel()->setCurrentIndex(table->model()->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        settle();
    }

    static int highlighted(QTableView *table)
    {
        const QModelIndexList rows = table->selectionModel()->selectedRows();
        return rows.isEmpty() ? -1 : rows.first().row();
    }

    static int categoryRowNamed(const QString &name)
    {
        for (int row = 0; row < categoryRows().size(); ++row) {
            if (categoryRows().at(row).name == name)
                return row;
        }
        return -1;
    }

    static QString paneFile(DashboardVC *screen) { return screen->lblFileNameResult()->text(); }

    // The file name of copy `row` of the copies table.
    static QString itemFile(DashboardVC *screen, int row)
    {
        return screen->session()->itemsModel()->index(row, 0).data(ReviewRoles::UrlRole).toUrl().fileName();
    }

    QString folder;
    QStringList alerts;
    QStringList revealed;
    AlertRunner previousAlertRunner;
};

TEST_F(DashboardScreenTest, ANewScreenShowsNothingUntilAskedTo)
{
    auto *window = ScreenRegistry::instance().get<DashboardWindowController>(QString::fromLatin1(ScreenId::DashboardWindow));
    DashboardVC *screen = window->contentViewController();
    for (QWidget *hidden : {screen->scrollViewTextView(), static_cast<QWidget *>(screen->videoPlayerResult()),
                            static_cast<QWidget *>(screen->imgViewResult()), static_cast<QWidget *>(screen->loader()),
                            static_cast<QWidget *>(screen->btnNothingFound()), screen->boxTopLayer(), screen->topLayerParent()})
        EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
    EXPECT_TRUE(screen->videoPlayer()->source().isEmpty());
    EXPECT_FALSE(isDashboardShown);
}

TEST_F(DashboardScreenTest, OpenMarkBackAndOpenAgainMakesANewScreen)
{
    const QStringList before = storePaths();
    DashboardVC *screen = open();
    auto *window = qobject_cast<DashboardWindowController *>(screen->window());
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), QSize(1151, 751));
    EXPECT_FALSE(home()->isVisible()) << "the home window makes way for the results";
    EXPECT_DOUBLE_EQ(home()->windowOpacity(), 1.0) << "and is whole again for its next showing";
    EXPECT_TRUE(isDashboardShown);
    EXPECT_EQ(ScreenRegistry::instance().peekObject(QString::fromLatin1(ScreenId::Dashboard)), screen);

    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
    choose(screen->tableViewGroups(), 0);
    ASSERT_TRUE(screen->session()->setItemChecked(1, true));
    EXPECT_TRUE(hasMarkedItems());

    QPointer<DashboardVC> oldScreen = screen;
    QPointer<DashboardWindowController> oldWindow = window;
    int backs = 0;
    QObject::connect(screen->btnBack(), &QPushButton::clicked, [&backs] { ++backs; });
    screen->btnBack()->click();
    EXPECT_FALSE(screen->btnBack()->isEnabled()) << "one click starts the way back; the button waits for the next showing";
    screen->clickBack();
    EXPECT_EQ(backs, 1);
    settle();

    EXPECT_TRUE(home()->isVisible());
    EXPECT_TRUE(isBackFromDashboard);
    EXPECT_FALSE(isDashboardShown);
    EXPECT_TRUE(oldWindow.isNull()) << "a closed results window is not kept";
    EXPECT_TRUE(oldScreen.isNull());
    EXPECT_TRUE(categoryRows().isEmpty());
    EXPECT_TRUE(allDuplicateGroups().isEmpty());
    EXPECT_TRUE(markedCategories().isEmpty());
    EXPECT_EQ(storePaths(), before) << "leaving keeps every group";

    DashboardVC *again = openAgain();
    EXPECT_NE(again, nullptr);
    EXPECT_TRUE(again->btnBack()->isEnabled());
    EXPECT_FALSE(hasMarkedItems()) << "marks start afresh with every showing";
    EXPECT_EQ(ScreenRegistry::instance().peekObject(QString::fromLatin1(ScreenId::Dashboard)), again);
    EXPECT_EQ(again->session()->categoriesModel()->rowCount(), 5);
}

// Back turns itself off for the way back: the keyboard waits on the screen
// while the window goes, and never stops at the search field beside it.
TEST_F(DashboardScreenTest, BackHandsTheKeyboardToTheScreenItLeaves)
{
    DashboardVC *screen = open();
    QWidget *window = screen->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    screen->btnBack()->setFocus(Qt::TabFocusReason);

    const FocusTrail trail;
    QTest::keyClick(screen->btnBack(), Qt::Key_Space);
    for (QWidget *widget : trail.reached()) {
        if (widget != screen && screen->isAncestorOf(widget))
            ADD_FAILURE() << "the keyboard passed through " << qPrintable(widget->objectName());
    }
    settle();
}

TEST_F(DashboardScreenTest, WindowsArePlacedByTheirRulesAndTheAnimationsEnd)
{
    DashboardWindowController::setAnimationDuration(0.05);
    home()->setGeometry(40, 150, 500, 400);
    home()->show();
    const QRect homeFrame = home()->geometry();
    const QRect screen = home()->screen()->geometry();
    auto *window = ScreenRegistry::instance().get<DashboardWindowController>(QString::fromLatin1(ScreenId::DashboardWindow));
    window->showWindow();
    EXPECT_TRUE(QTest::qWaitFor([this] { return !home()->isVisible(); }, 5000)) << "the opening ends by hiding the home window";
    // The platform may nudge a window that reaches above the screen by a point or two.
    const QRect expected = WindowPlacement::openingEndFrame(homeFrame, screen);
    EXPECT_EQ(window->size(), expected.size());
    EXPECT_LE((window->pos() - expected.topLeft()).manhattanLength(), 4);
    EXPECT_DOUBLE_EQ(home()->windowOpacity(), 1.0);

    QPointer<DashboardWindowController> results = window;
    const QRect resultsFrame = window->geometry();
    window->contentViewController()->clickBack();
    EXPECT_TRUE(home()->isVisible());
    EXPECT_EQ(home()->geometry(), WindowPlacement::homeFrameOnReturn(resultsFrame, homeFrame.size(), screen));
    EXPECT_TRUE(QTest::qWaitFor([&results] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return results.isNull();
    }, 5000)) << "the way back ends by closing the results window";
}

TEST_F(DashboardScreenTest, APlainShowPreparesTheScreenOnce)
{
    auto *window = ScreenRegistry::instance().get<DashboardWindowController>(QString::fromLatin1(ScreenId::DashboardWindow));
    home()->show();
    window->show();
    settle();
    DashboardVC *screen = window->contentViewController();
    EXPECT_TRUE(isDashboardShown);
    EXPECT_EQ(screen->session()->categoriesModel()->rowCount(), 5) << "the rows come from the store as the window appears";
    EXPECT_EQ(window->size(), QSize(1151, 751));
    EXPECT_FALSE(home()->isVisible());

    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
    choose(screen->tableViewGroups(), 0);
    ASSERT_TRUE(screen->session()->setItemChecked(0, true));
    window->show();
    window->raise();
    settle();
    EXPECT_TRUE(hasMarkedItems()) << "bringing a shown window forward starts nothing afresh";
}

TEST_F(DashboardScreenTest, TrashAndConfirmationReachTheRemovalScreen)
{
    DashboardVC *screen = open();
    screen->btnTrash()->click();
    NotificationCenter::defaultCenter().post(QString::fromLatin1(kDeleteDuplicateFilesNotification));
    EXPECT_FALSE(screen->btnTrash()->isEnabled()) << "nothing marked: the trash button waits";

    auto *removal = new RemovalStandIn;
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::Delete), [removal] { return removal; });
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Musics")));
    choose(screen->tableViewGroups(), 0);
    ASSERT_TRUE(screen->session()->setItemChecked(0, true));
    ASSERT_TRUE(screen->btnTrash()->isEnabled());
    screen->btnTrash()->click();
    NotificationCenter::defaultCenter().post(QString::fromLatin1(kDeleteDuplicateFilesNotification));
    EXPECT_EQ(removal->calls, (QList<QPair<QString, QWidget *>>{{QStringLiteral("trash"), screen}, {QStringLiteral("confirmed"), screen}}));
}

TEST_F(DashboardScreenTest, AfterARemovalTheTablesComeFromTheRewrittenStore)
{
    DashboardVC *screen = open();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Videos")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 0);
    ASSERT_FALSE(paneFile(screen).isEmpty());

    duplicateResults().setValue(QStringLiteral("Videos"), GroupList{});
    for (const char *step : {"endSearch", "clearResultsPreview", "resetSelectedRows", "updateTrashButton"})
        EXPECT_TRUE(QMetaObject::invokeMethod(screen, step)) << step;
    settle();
    EXPECT_EQ(screen->session()->categoriesModel()->rowCount(), 4);
    EXPECT_EQ(screen->session()->categorySelectedRow(), 0);
    EXPECT_EQ(highlighted(screen->tableViewCategories()), 0);
    EXPECT_EQ(paneFile(screen), QString());
}

TEST_F(DashboardScreenTest, BlogButtonOpensTheBlogPage)
{
    QList<QUrl> opened;
    PageOpener::setHandler([&opened](const QUrl &url) {
        opened.append(url);
        return true;
    });
    DashboardVC *screen = open();
    screen->btnBlog()->click();
    PageOpener::setHandler({});
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.first(), blogURL().value());
}

TEST_F(DashboardScreenTest, OnlyTheScreenOnShowAnswersNotifications)
{
    int abouts = 0;
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::About), [&abouts] {
        ++abouts;
        return static_cast<QObject *>(new AboutStandIn);
    });
    QPointer<DashboardVC> first = open();
    DashboardVC *second = openAgain();
    settle();
    EXPECT_TRUE(first.isNull()) << "opening the results again deletes the earlier screen";

    NotificationCenter::defaultCenter().post(QString::fromLatin1(kAboutDashboardNotification));
    EXPECT_FALSE(second->boxTopLayer()->isHidden());
    auto *about = ScreenRegistry::instance().peek<AboutStandIn>(QString::fromLatin1(ScreenId::About));
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->isDashboardVC());
    EXPECT_EQ(abouts, 1);

    NotificationCenter::defaultCenter().post(QString::fromLatin1(kHideTopLayerHomeNotification));
    EXPECT_TRUE(second->boxTopLayer()->isHidden());
    second->topLayerParent()->show();
    NotificationCenter::defaultCenter().post(QString::fromLatin1(kHideTopParentLayerDashboardNotification));
    EXPECT_TRUE(second->topLayerParent()->isHidden());
}

TEST_F(DashboardScreenTest, AboutOverlayIsPresentedOverTheScreenOrSkipped)
{
    DashboardVC *screen = open();
    NotificationCenter::defaultCenter().post(QString::fromLatin1(kAboutDashboardNotification));
    EXPECT_TRUE(screen->boxTopLayer()->isHidden()) << "without an about screen nothing happens";

    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::About),
                                               [] { return static_cast<QObject *>(new AboutStandIn); });
    customAnimator.emplace(0.0, QRectF(screen->rect()));
    NotificationCenter::defaultCenter().post(QString::fromLatin1(kAboutDashboardNotification));
    settle();
    auto *about = ScreenRegistry::instance().peek<AboutStandIn>(QString::fromLatin1(ScreenId::About));
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->parentWidget(), screen) << "the overlay lies over the results screen";
    EXPECT_FALSE(screen->boxTopLayer()->isHidden());
}

TEST_F(DashboardScreenTest, BackDuringASearchRestoresEveryGroup)
{
    const QStringList before = storePaths();
    DashboardVC *screen = open();
    screen->searchField()->setText(QStringLiteral("beach"));
    ASSERT_TRUE(screen->session()->isSearchActive());
    EXPECT_EQ(screen->session()->categoriesModel()->rowCount(), 2) << "All Duplicates and Photos";
    ASSERT_TRUE(screen->session()->setItemChecked(0, true)) << "a mark made during the search";

    screen->clickBack();
    settle();
    EXPECT_EQ(storePaths(), before);
    EXPECT_TRUE(savedCategoryRows().isEmpty());
    EXPECT_TRUE(savedDuplicateResults().isEmpty());
}

TEST_F(DashboardScreenTest, CloseButtonTakesTheWayBack)
{
    DashboardVC *screen = open();
    QPointer<QWidget> window = screen->window();
    home()->hide();
    EXPECT_FALSE(window->close()) << "the close button does not just drop the window";
    settle();
    EXPECT_TRUE(home()->isVisible());
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(isBackFromDashboard);
}

TEST_F(DashboardScreenTest, FullScreenHidesTheToolbarAndMiniaturisingIsFollowed)
{
    DashboardVC *screen = open();
    auto *window = qobject_cast<DashboardWindowController *>(screen->window());
    window->setWindowState(Qt::WindowFullScreen);
    EXPECT_TRUE(window->toolbarWindow()->isHidden());
    window->setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(window->toolbarWindow()->isHidden());
    window->setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(isDashboardMiniaturized);
    window->setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(isDashboardMiniaturized);
}

TEST_F(DashboardScreenTest, HighlightsRememberedRowsAndPaneAgree)
{
    DashboardVC *screen = open();
    ReviewSession *session = screen->session();
    QTableView *categories = screen->tableViewCategories();
    QTableView *groups = screen->tableViewGroups();
    QTableView *items = screen->tableViewItems();

    choose(categories, categoryRowNamed(QStringLiteral("Photos")));
    EXPECT_TRUE(screen->loader()->isHidden()) << "the spinner goes once the tables are reloaded";
    EXPECT_EQ(session->categorySelectedRow(), categoryRowNamed(QStringLiteral("Photos")));
    choose(groups, 1);
    EXPECT_EQ(session->groupSelectedRow(), 1);
    EXPECT_EQ(paneFile(screen), QString()) << "choosing a group leaves the pane empty";
    choose(items, 1);
    const QString chosen = itemFile(screen, 1);
    EXPECT_EQ(paneFile(screen), chosen);
    EXPECT_FALSE(screen->imgViewResult()->pixmap().isNull());

    // A sort keeps the same copy chosen, highlighted and shown.
    for (ReviewSession::GroupSortKey key : {ReviewSession::GroupSortKey::Name, ReviewSession::GroupSortKey::Count}) {
        for (bool descending : {false, true}) {
            session->setGroupSortDescending(descending);
            session->sortGroupsBy(key);
            settle();
            EXPECT_EQ(itemFile(screen, session->itemSelectedRow()), chosen);
            EXPECT_EQ(highlighted(items), session->itemSelectedRow());
            EXPECT_EQ(highlighted(groups), session->groupSelectedRow());
            EXPECT_EQ(paneFile(screen), chosen);
        }
    }

    // A search, and clearing it, bring every table to row 0 with an empty pane.
    for (const QString &text : {QStringLiteral("tall"), QString()}) {
        screen->searchField()->setText(text);
        settle();
        EXPECT_EQ(session->categorySelectedRow(), 0);
        EXPECT_EQ(session->groupSelectedRow(), 0);
        EXPECT_EQ(session->itemSelectedRow(), 0);
        EXPECT_EQ(highlighted(categories), 0);
        EXPECT_EQ(paneFile(screen), QString());
        EXPECT_TRUE(screen->imgViewResult()->isHidden());
    }

    // A row beyond its list leaves the pane empty.
    choose(items, 0);
    EXPECT_NE(paneFile(screen), QString());
    screen->chooseItemRow(99);
    EXPECT_EQ(paneFile(screen), QString());
    screen->chooseGroupRow(99);
    EXPECT_EQ(paneFile(screen), QString());
}

TEST_F(DashboardScreenTest, InformationAreaAndLayoutFollowTheView)
{
    DashboardVC *screen = open();
    ReviewSession *session = screen->session();
    EXPECT_EQ(screen->hightResultInfo(), 20);
    EXPECT_TRUE(screen->btnNothingFound()->isHidden());
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Documents")));
    choose(screen->tableViewGroups(), 0);
    ASSERT_TRUE(session->setItemChecked(0, true));
    settle();

    const int markedRow = session->categoriesModel()->markedCopiesRow();
    ASSERT_GT(markedRow, 0);
    choose(screen->tableViewCategories(), markedRow);
    EXPECT_TRUE(session->isSelectedCategories());
    EXPECT_EQ(screen->hightResultInfo(), 52);
    EXPECT_EQ(screen->heightConstraintsGroupItemsTableView(), 0);
    EXPECT_FALSE(screen->stackViewPath()->isHidden());
    EXPECT_FALSE(screen->boxDeselect()->isHidden());
    EXPECT_TRUE(screen->boxGroupSelect()->isHidden());

    choose(screen->tableViewGroups(), 0);
    ASSERT_FALSE(displayedGroupRows().isEmpty());
    EXPECT_EQ(paneFile(screen), displayedGroupRows().at(0).url->fileName());
    EXPECT_FALSE(screen->pathControlURL()->isHidden()) << "the marked-copies view shows the path";
    EXPECT_FALSE(screen->lblValueSize()->text().isEmpty());
    EXPECT_EQ(screen->txtViewResult()->toPlainText(), QStringLiteral("first line\nsecond line\n"));

    choose(screen->tableViewCategories(), 0);
    EXPECT_EQ(screen->hightResultInfo(), 20);
    EXPECT_EQ(screen->heightConstraintsGroupItemsTableView(), 230);
    EXPECT_TRUE(screen->boxDeselect()->isHidden());
    EXPECT_FALSE(screen->boxGroupsSorting()->isHidden());
}

TEST_F(DashboardScreenTest, NothingFoundShowsWhenNoGroupIsLeft)
{
    duplicateResults().removeAll();
    DashboardVC *screen = open();
    choose(screen->tableViewCategories(), 0);
    EXPECT_FALSE(screen->btnNothingFound()->isHidden());
    EXPECT_EQ(screen->session()->groupsModel()->rowCount(), 0);
}

TEST_F(DashboardScreenTest, RevealActsOnTheChosenCopyInEachView)
{
    DashboardVC *screen = open();
    ReviewSession *session = screen->session();

    // Category view.
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Videos")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 1);
    screen->openFileInContainingFolder();
    ASSERT_EQ(revealed.size(), 1);
    EXPECT_EQ(QFileInfo(revealed.last()).fileName(), itemFile(screen, 1));

    // All Duplicates view.
    choose(screen->tableViewCategories(), 0);
    choose(screen->tableViewGroups(), 2);
    choose(screen->tableViewItems(), 0);
    screen->pathControlResult()->click();
    ASSERT_EQ(revealed.size(), 2);
    EXPECT_EQ(QFileInfo(revealed.last()).fileName(), itemFile(screen, 0));

    // Marked-copies view: the copy of the chosen list row.
    choose(screen->tableViewItems(), 1);
    ASSERT_TRUE(session->setItemChecked(1, true));
    settle();
    choose(screen->tableViewCategories(), session->categoriesModel()->markedCopiesRow());
    screen->openFileInContainingFolder();
    EXPECT_EQ(revealed.size(), 2) << "no list row chosen yet: nothing to reveal";
    choose(screen->tableViewGroups(), 0);
    screen->openFileInContainingFolder();
    ASSERT_EQ(revealed.size(), 3);
    EXPECT_EQ(revealed.last(), displayedGroupRows().at(0).url->toLocalFile());

    // A remembered row that fell out of its list reveals nothing.
    choose(screen->tableViewCategories(), 0);
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 0);
    duplicateResults().removeAll();
    allDuplicateGroups().clear();
    screen->openFileInContainingFolder();
    EXPECT_EQ(revealed.size(), 3);
}

TEST_F(DashboardScreenTest, CopyCellRevealsTheClickedPathComponent)
{
    DashboardVC *screen = open();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Documents")));
    choose(screen->tableViewGroups(), 0);
    QTableView *items = screen->tableViewItems();
    items->resize(420, 230);
    const QModelIndex index = items->model()->index(0, 0);
    const QRect cell = items->visualRect(index);
    const ItemCellDelegate::Layout layout = ItemCellDelegate::layout(cell);
    QFont small = items->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    const QString path = index.data(ReviewRoles::UrlRole).toUrl().toLocalFile();
    const QList<PathSegment> segments = layoutPathSegments(path, layout.path, QFontMetrics(small));
    ASSERT_GE(segments.size(), 2);

    for (const PathSegment &segment : {segments.last(), segments.at(segments.size() - 2)}) {
        const QPoint at = segment.rect.center();
        QMouseEvent press(QEvent::MouseButtonPress, at, items->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(items->viewport(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, items->viewport()->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(items->viewport(), &release);
    }
    EXPECT_EQ(revealed, (QStringList{path, QFileInfo(path).absolutePath()}));
}

// A click as the pointer gives it: press and release at a point of the table.
void clickAt(QTableView *table, const QPoint &at)
{
    QWidget *viewport = table->viewport();
    QMouseEvent press(QEvent::MouseButtonPress, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, viewport->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &release);
    settle();
}

TEST_F(DashboardScreenTest, CellBoxesAndButtonsAnswerWhereTheyAreDrawn)
{
    DashboardVC *screen = open();
    ReviewSession *session = screen->session();
    QTableView *items = screen->tableViewItems();
    QTableView *groups = screen->tableViewGroups();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Documents")));
    choose(groups, 0);

    // The copy's box marks it; the last unmarked copy is refused with the alert.
    const auto itemBox = [items](int row) { return ItemCellDelegate::layout(items->visualRect(items->model()->index(row, 0))).checkBox.center(); };
    clickAt(items, itemBox(0));
    EXPECT_EQ(items->model()->index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Checked);
    clickAt(items, itemBox(1));
    EXPECT_EQ(items->model()->index(1, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
    EXPECT_EQ(alerts.size(), 1) << "the last unmarked copy of a group stays";
    const QString marked = itemFile(screen, 0);

    // In the marked-copies list: the show-related button, then the box.
    choose(screen->tableViewCategories(), session->categoriesModel()->markedCopiesRow());
    ASSERT_EQ(groups->model()->rowCount(), 1);
    const QRect cell = groups->visualRect(groups->model()->index(0, 0));
    clickAt(groups, GroupCellDelegate::layout(cell, true).showRelated.center());
    EXPECT_EQ(session->categorySelectedRow(), 0) << "show related goes to All Duplicates";
    EXPECT_EQ(paneFile(screen), marked);

    choose(screen->tableViewCategories(), session->categoriesModel()->markedCopiesRow());
    clickAt(groups, GroupCellDelegate::layout(cell, true).checkBox.center());
    EXPECT_FALSE(hasMarkedItems()) << "the box of a listed copy unmarks it";
}

TEST_F(DashboardScreenTest, KeyboardMovesThroughTheCopies)
{
    DashboardVC *screen = open();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 0);
    const QString first = paneFile(screen);
    screen->tableViewItems()->setFocus();
    QTest::keyClick(screen->tableViewItems(), Qt::Key_Down);
    settle();
    EXPECT_EQ(screen->session()->itemSelectedRow(), 1);
    EXPECT_EQ(paneFile(screen), itemFile(screen, 1));
    EXPECT_NE(paneFile(screen), first);
}

// With no row chosen, the first arrow key chooses the row the keyboard is on,
// so the first copy, and the only copy of a list, can be chosen too.
TEST_F(DashboardScreenTest, AnArrowChoosesTheFirstRowWhenNoneIsChosen)
{
    DashboardVC *screen = open();
    ReviewSession *session = screen->session();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Documents")));
    choose(screen->tableViewGroups(), 0);
    ASSERT_TRUE(session->setItemChecked(1, true));
    settle();
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up}) {
        SCOPED_TRACE(key == Qt::Key_Down ? "down" : "up");
        choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Documents")));
        choose(screen->tableViewGroups(), 0);
        ASSERT_EQ(paneFile(screen), QString());
        screen->tableViewItems()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(screen->tableViewItems(), key);
        settle();
        EXPECT_EQ(highlighted(screen->tableViewItems()), 0);
        EXPECT_EQ(paneFile(screen), itemFile(screen, 0));

        choose(screen->tableViewCategories(), session->categoriesModel()->markedCopiesRow());
        ASSERT_EQ(screen->tableViewGroups()->model()->rowCount(), 1);
        screen->tableViewGroups()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(screen->tableViewGroups(), key);
        settle();
        EXPECT_EQ(highlighted(screen->tableViewGroups()), 0) << "the one marked copy";
        EXPECT_EQ(paneFile(screen), displayedGroupRows().at(0).url->fileName());
    }
}

void saveRender(QWidget *widget, const QString &name);

// Whether the table draws the focus ring on the row: pixels of the ring's
// outer colour inside the row's rectangle.
bool ringOnRow(QTableView *table, int row)
{
    const QRect cell = table->visualRect(table->model()->index(row, 0));
    const QImage picture = table->viewport()->grab().toImage();
    const QRgb ring = FocusRing::kOuterColor.rgb();
    int found = 0;
    for (int y = std::max(0, cell.top()); y <= std::min(picture.height() - 1, cell.bottom()); ++y) {
        for (int x = std::max(0, cell.left()); x <= std::min(picture.width() - 1, cell.right()); ++x)
            found += (picture.pixel(x, y) & 0xffffff) == (ring & 0xffffff) ? 1 : 0;
    }
    // Two long edges of the ring at least, not a stray dark pixel of an icon.
    return found > cell.width();
}

// The table that has the keyboard shows where it is: its current row carries
// the focus ring (the highlighted row of the categories and groups, the row
// an arrow or Space would choose in copies with none chosen). Taking the focus
// chooses nothing; a click's focus shows no ring until a key is pressed.
TEST_F(DashboardScreenTest, TheTableWithTheKeyboardShowsItsCurrentRow)
{
    DashboardVC *screen = open();
    QWidget *window = screen->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    QTableView *categories = screen->tableViewCategories();
    QTableView *groups = screen->tableViewGroups();
    QTableView *items = screen->tableViewItems();
    const int documents = categoryRowNamed(QStringLiteral("Documents"));
    choose(categories, documents);
    choose(groups, 0);
    ASSERT_EQ(highlighted(items), -1);
    ASSERT_EQ(paneFile(screen), QString());

    categories->setFocus(Qt::OtherFocusReason);
    settle();
    EXPECT_TRUE(ringOnRow(categories, documents));
    EXPECT_FALSE(ringOnRow(groups, 0));

    // Tab passes the groups' tools on its way to the groups, and the
    // copies' tool on its way to the copies.
    const auto tabTo = [](QWidget *table) {
        for (int press = 0; press < 4 && QApplication::focusWidget() != table; ++press)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        settle();
    };
    tabTo(groups);
    ASSERT_EQ(QApplication::focusWidget(), groups);
    EXPECT_FALSE(ringOnRow(categories, documents)) << "a table without the keyboard looks plain";
    EXPECT_TRUE(ringOnRow(groups, 0));

    tabTo(items);
    ASSERT_EQ(QApplication::focusWidget(), items);
    EXPECT_FALSE(ringOnRow(groups, 0));
    EXPECT_TRUE(ringOnRow(items, 0)) << "the row the keyboard is on shows before any arrow";
    EXPECT_EQ(highlighted(items), -1) << "the focus alone chooses no copy";
    EXPECT_EQ(paneFile(screen), QString());
    QTest::keyClick(items, Qt::Key_Space);
    settle();
    EXPECT_EQ(highlighted(items), 0);
    EXPECT_EQ(paneFile(screen), itemFile(screen, 0));
    EXPECT_TRUE(ringOnRow(items, 0));

    // A click gives the focus without the ring; the first key brings it.
    groups->setFocus(Qt::MouseFocusReason);
    settle();
    EXPECT_FALSE(ringOnRow(groups, 0));
    QTest::keyClick(groups, Qt::Key_Shift);
    settle();
    EXPECT_TRUE(ringOnRow(groups, 0));
    saveRender(window, QStringLiteral("results-groups-keyboard-focus"));
}

// Each results table is offered to assistive tools as the rows it shows: no
// hidden header is a row or a column, every cell is named by its row, and as
// the rows change (another category, a search) the table describes the new
// ones. A screen reader that asks again for a row the table had before gets
// no answer, and the log stays quiet.
TEST_F(DashboardScreenTest, EachResultsTableAnswersOnlyForTheRowsItShows)
{
    DashboardVC *screen = open();
    QStringList warnings;
    static QStringList *caught = nullptr;
    caught = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &message) {
        if (type == QtWarningMsg && message.contains(QLatin1String("QAccessible")))
            caught->append(message);
    });

    const QList<QTableView *> tables{screen->tableViewCategories(), screen->tableViewGroups(), screen->tableViewItems()};
    const auto describesItsRows = [](QTableView *table) {
        SCOPED_TRACE(table->objectName().toStdString());
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(table);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::Table);
        const int rows = table->model()->rowCount();
        EXPECT_EQ(accessible->childCount(), rows);
        ASSERT_NE(accessible->tableInterface(), nullptr);
        EXPECT_EQ(accessible->tableInterface()->rowCount(), rows);
        EXPECT_EQ(accessible->tableInterface()->columnCount(), 1);
        for (int row = 0; row < rows; ++row) {
            QAccessibleInterface *cell = accessible->child(row);
            ASSERT_NE(cell, nullptr) << "row " << row;
            EXPECT_EQ(cell->role(), QAccessible::Cell) << "row " << row;
            EXPECT_EQ(cell->text(QAccessible::Name), table->model()->index(row, 0).data(Qt::AccessibleTextRole).toString()) << "row " << row;
            ASSERT_NE(cell->tableCellInterface(), nullptr);
            EXPECT_EQ(cell->tableCellInterface()->rowIndex(), row);
            EXPECT_EQ(accessible->indexOfChild(cell), row);
            EXPECT_EQ(cell->parent(), accessible);
        }
        // The row the keyboard is on is the one offered as focused.
        table->setFocus(Qt::TabFocusReason);
        if (table->currentIndex().isValid()) {
            QAccessibleInterface *focused = accessible->focusChild();
            ASSERT_NE(focused, nullptr);
            EXPECT_EQ(focused->tableCellInterface()->rowIndex(), table->currentIndex().row());
            EXPECT_TRUE(focused->state().focused);
        }
    };

    struct Step
    {
        const char *what;
        std::function<void()> act;
    };
    const Step steps[] = {
        {"All Duplicates", [] {}},
        {"Photos", [&] {
             choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
             choose(screen->tableViewGroups(), 0);
         }},
        {"a search that keeps few rows", [&] {
             screen->searchField()->setText(QStringLiteral("zzz-nothing-like-it"));
             settle();
         }},
        {"the search cleared", [&] {
             screen->searchField()->clear();
             settle();
             choose(screen->tableViewGroups(), 0);
         }},
    };
    QList<int> asked(tables.size(), 0);
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        for (qsizetype t = 0; t < tables.size(); ++t) {
            QTableView *table = tables.at(t);
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(table);
            // What a screen reader knew of the table before the step.
            for (int child = accessible->childCount(); child < asked.at(t); ++child)
                EXPECT_EQ(accessible->child(child), nullptr) << table->objectName().toStdString() << " " << child;
            describesItsRows(table);
            asked[t] = std::max(asked.at(t), accessible->childCount() + 3);
        }
    }
    qInstallMessageHandler(previous);
    caught = nullptr;
    EXPECT_TRUE(warnings.isEmpty()) << warnings.join(QLatin1Char('\n')).toStdString();
}

TEST_F(DashboardScreenTest, ShowRelatedChoosesTheGroupAndTheCopy)
{
    DashboardVC *screen = open();
    ReviewSession *session = screen->session();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
    int threeCopies = -1;
    for (int row = 0; row < session->groupsModel()->rowCount(); ++row) {
        if (session->groupsModel()->index(row, 0).data(ReviewRoles::CopyCountRole).toInt() == 3)
            threeCopies = row;
    }
    ASSERT_GE(threeCopies, 0);
    choose(screen->tableViewGroups(), threeCopies);
    choose(screen->tableViewItems(), 2);
    const QString wanted = itemFile(screen, 2);
    ASSERT_TRUE(session->setItemChecked(2, true));
    settle();

    choose(screen->tableViewCategories(), session->categoriesModel()->markedCopiesRow());
    screen->clickedShowRelated(0);
    EXPECT_EQ(session->categorySelectedRow(), 0);
    EXPECT_EQ(highlighted(screen->tableViewCategories()), 0);
    EXPECT_EQ(highlighted(screen->tableViewGroups()), session->groupSelectedRow());
    EXPECT_EQ(highlighted(screen->tableViewItems()), session->itemSelectedRow());
    EXPECT_EQ(itemFile(screen, session->itemSelectedRow()), wanted);
    EXPECT_EQ(paneFile(screen), wanted);
    EXPECT_TRUE(screen->loader()->isHidden());

    // A list row that names nothing changes nothing.
    screen->clickedShowRelated(7);
    EXPECT_EQ(paneFile(screen), wanted);
}

TEST_F(DashboardScreenTest, ThePointingHandOverTheNineControls)
{
    DashboardVC *screen = open();
    const QList<QWidget *> controls = screen->trackedControls();
    ASSERT_EQ(controls.size(), 9);
    for (QWidget *control : controls) {
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->cursor().shape(), Qt::PointingHandCursor) << control->objectName().toStdString();
    }
}

void saveRender(QWidget *widget, const QString &name);

// The widgets that hold the keyboard focus, one per Tab (or Shift+Tab),
// starting at `from`, until the focus comes back to it or 60 presses passed.
QList<QWidget *> focusCycle(QWidget *from, bool forward)
{
    from->setFocus(Qt::OtherFocusReason);
    QList<QWidget *> visited{QApplication::focusWidget()};
    for (int press = 0; press < 60; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, forward ? Qt::NoModifier : Qt::ShiftModifier);
        if (QApplication::focusWidget() == from)
            break;
        visited.append(QApplication::focusWidget());
    }
    return visited;
}

QString namesOf(const QList<QWidget *> &widgets)
{
    QStringList names;
    for (const QWidget *widget : widgets)
        names.append(widget ? widget->objectName() + QLatin1Char('"') + QAccessible::queryAccessibleInterface(const_cast<QWidget *>(widget))->text(QAccessible::Name) + QLatin1Char('"') : QStringLiteral("none"));
    return names.join(QStringLiteral(", "));
}

// Tab reaches every control once, tables included, in reading order: from
// the top, each line from the left; each table is left after one stop, and
// Shift+Tab goes the same way back.
TEST_F(DashboardScreenTest, TabVisitsEveryControlInReadingOrder)
{
    DashboardVC *screen = open();
    QWidget *window = screen->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_EQ(QApplication::focusWidget(), screen->tableViewCategories()) << "the keyboard starts at the categories";
    ReviewSession *session = screen->session();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Documents")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 1);
    ASSERT_TRUE(session->setItemChecked(0, true));
    settle();

    // Each view: how to reach it, then the stops in order from Back. The
    // path's buttons are made for the copy shown, so the list is made once
    // it shows.
    struct Case
    {
        const char *view;
        std::function<void()> reach;
        std::function<QList<QWidget *>()> stops;
    };
    const Case cases[] = {
        {"a category with a document shown",
         [&] {
             choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Documents")));
             choose(screen->tableViewGroups(), 0);
             choose(screen->tableViewItems(), 1);
         },
         [&] {
             return QList<QWidget *>{screen->btnBack(),          screen->searchField(),
                                     screen->btnBlog(),          screen->tableViewCategories(),
                                     screen->btnSmartCheckGroup(), screen->btnSortInGroup(),
                                     screen->tableViewGroups(),  screen->btnSmartCheckGroupItems(),
                                     screen->tableViewItems(),   screen->txtViewResult(),
                                     screen->btnTrash(),         screen->pathControlResult()};
         }},
        {"the marked copies with one chosen",
         [&] {
             choose(screen->tableViewCategories(), session->categoriesModel()->markedCopiesRow());
             choose(screen->tableViewGroups(), 0);
         },
         [&] {
             QList<QWidget *> stops{screen->btnBack(),          screen->searchField(),
                                    screen->btnBlog(),          screen->tableViewCategories(),
                                    screen->btnDeselectAllGroups(), screen->btnSelectedItemsSorting(),
                                    screen->tableViewGroups(),  screen->txtViewResult(),
                                    screen->btnTrash(),         screen->pathControlResult()};
             const QList<QToolButton *> components = screen->pathControlURL()->componentButtons();
             EXPECT_GE(components.size(), 3);
             for (QToolButton *component : components)
                 stops.append(component);
             return stops;
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.view);
        c.reach();
        const QList<QWidget *> expected = c.stops();
        const QList<QWidget *> forward = focusCycle(screen->btnBack(), true);
        EXPECT_EQ(forward, expected) << namesOf(forward).toStdString();
        QList<QWidget *> backward = focusCycle(screen->btnBack(), false);
        std::reverse(backward.begin() + 1, backward.end());
        EXPECT_EQ(backward, expected) << namesOf(backward).toStdString();
    }
}

// Every control a user can reach says what it does; picture-only buttons
// and the preview's views included. The two kinds of pop-up menu are menus.
TEST_F(DashboardScreenTest, EveryControlHasANameThatSaysWhatItDoes)
{
    DashboardVC *screen = open();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Documents")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 0);

    const auto name = [](QWidget *widget) { return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name); };
    const auto role = [](QWidget *widget) { return QAccessible::queryAccessibleInterface(widget)->role(); };
    struct Named
    {
        QWidget *control;
        QString name;
        QAccessible::Role role;
    };
    const Named named[] = {
        {screen->btnBack(), QStringLiteral("Back"), QAccessible::Button},
        {screen->btnBlog(), QStringLiteral("Read the Twinmoor blog"), QAccessible::Button},
        {screen->btnTrash(), QStringLiteral("Remove Marked"), QAccessible::Button},
        {screen->btnSortInGroup(), QStringLiteral("Sort by: Size"), QAccessible::Button},
        {screen->btnSmartCheckGroup(), QStringLiteral("Auto Mark all groups"), QAccessible::Button},
        {screen->btnSmartCheckGroupItems(), QStringLiteral("Auto Mark the copies of the chosen group"), QAccessible::Button},
        {screen->videoPlayerResult()->playButton(), QStringLiteral("Play"), QAccessible::Button},
        {screen->videoPlayerResult()->positionSlider(), QStringLiteral("Playback position"), QAccessible::Slider},
        {screen->txtViewResult(), QStringLiteral("Text of the chosen copy"), QAccessible::EditableText},
        {screen->imgViewResult(), QStringLiteral("Picture of the chosen copy"), QAccessible::StaticText},
        {screen->pathControlResult(), QStringLiteral("Show in Folder"), QAccessible::Button},
        {screen->tableViewGroups(), QStringLiteral("Duplicate groups"), QAccessible::Table},
        {screen->tableViewItems(), QStringLiteral("Copies in the chosen group"), QAccessible::Table},
    };
    for (const Named &n : named) {
        SCOPED_TRACE(n.control->objectName().toStdString());
        EXPECT_EQ(name(n.control), n.name);
        EXPECT_EQ(role(n.control), n.role);
    }

    // Whatever else takes the focus has a name of its own, free of the marks
    // that only tell sighted users a menu opens.
    for (QWidget *control : screen->window()->findChildren<QWidget *>()) {
        if (!(control->focusPolicy() & Qt::TabFocus))
            continue;
        SCOPED_TRACE(control->objectName().toStdString() + " " + control->metaObject()->className());
        const QString said = name(control);
        EXPECT_FALSE(said.trimmed().isEmpty());
        EXPECT_FALSE(said.contains(QChar(0x25BE)));
    }

    // The sort and Auto Mark buttons open real menus, from the keyboard too.
    const struct
    {
        QPushButton *button;
        QString name;
        QStringList items;
    } menus[] = {
        {screen->btnSortInGroup(), QStringLiteral("Sort by"),
         {QStringLiteral("Size"), QStringLiteral("Name"), QStringLiteral("Number of copies"),
          QStringLiteral("Number of marked copies"), QStringLiteral("Ascending"), QStringLiteral("Descending")}},
        {screen->btnSmartCheckGroup(), QStringLiteral("Auto Mark"),
         {QStringLiteral("Mark all copies but one in each group"), QStringLiteral("Keep the newest copy"),
          QStringLiteral("Keep the oldest copy"), QStringLiteral("Keep the first copy"), QStringLiteral("Unmark all")}},
    };
    for (const auto &m : menus) {
        SCOPED_TRACE(m.button->objectName().toStdString());
        m.button->setFocus();
        QTest::keyClick(m.button, Qt::Key_Space);
        settle();
        QWidget *popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        QAccessibleInterface *menu = QAccessible::queryAccessibleInterface(popup);
        EXPECT_EQ(menu->role(), QAccessible::PopupMenu);
        EXPECT_EQ(menu->text(QAccessible::Name), m.name);
        QStringList items;
        for (int i = 0; i < menu->childCount(); ++i) {
            if (menu->child(i)->role() == QAccessible::MenuItem)
                items.append(menu->child(i)->text(QAccessible::Name));
        }
        EXPECT_EQ(items, m.items);
        QTest::keyClick(popup, Qt::Key_Escape);
        settle();
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    }
}

// However small the user makes the window, names, paths and the preview
// keep room enough to be read.
TEST_F(DashboardScreenTest, TheWindowKeepsRoomForNamesPathsAndThePreview)
{
    DashboardVC *screen = open();
    QWidget *window = screen->window();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 0);
    ASSERT_TRUE(screen->session()->setItemChecked(0, true));
    settle();

    window->resize(320, 240);
    settle();
    const QSize smallest = window->size();
    EXPECT_EQ(smallest, window->minimumSize());
    EXPECT_GT(smallest.width(), 320);
    EXPECT_GT(smallest.height(), 240);

    // Room for a name of twenty average characters in every kind of row.
    const QFontMetrics metrics(screen->tableViewItems()->font());
    const int twentyCharacters = 20 * metrics.averageCharWidth();
    QTableView *items = screen->tableViewItems();
    EXPECT_GE(ItemCellDelegate::layout(items->visualRect(items->model()->index(0, 0))).name.width(), twentyCharacters);
    QTableView *groups = screen->tableViewGroups();
    EXPECT_GE(GroupCellDelegate::layout(groups->visualRect(groups->model()->index(0, 0)), false).name.width(), twentyCharacters);
    EXPECT_GE(groups->viewport()->height(), 3 * groups->verticalHeader()->defaultSectionSize());
    choose(screen->tableViewCategories(), screen->session()->categoriesModel()->markedCopiesRow());
    choose(groups, 0);
    EXPECT_GE(GroupCellDelegate::layout(groups->visualRect(groups->model()->index(0, 0)), true).name.width(), twentyCharacters);

    // The preview: a picture's place, the file's name and its path.
    EXPECT_GE(screen->previewPane()->imageBound().height(), 150);
    EXPECT_GE(screen->lblFileNameResult()->width(), twentyCharacters);
    EXPECT_GE(screen->pathControlURL()->width(), twentyCharacters);
    saveRender(window, QStringLiteral("results-smallest-window"));
}

// Show in Folder acts on the copy in the pane, and on nothing once the pane is empty.
TEST_F(DashboardScreenTest, ShowInFolderActsOnlyOnTheCopyShown)
{
    DashboardVC *screen = open();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 1);
    const QString shown = itemFile(screen, 1);
    EXPECT_TRUE(screen->pathControlResult()->isEnabled());
    screen->pathControlResult()->click();
    ASSERT_EQ(revealed.size(), 1);
    EXPECT_EQ(QFileInfo(revealed.last()).fileName(), shown);

    const struct
    {
        const char *what;
        std::function<void()> empty;
    } steps[] = {
        {"another group chosen", [&] { choose(screen->tableViewGroups(), 1); }},
        {"another category chosen", [&] { choose(screen->tableViewCategories(), 0); }},
        {"a search", [&] { screen->searchField()->setText(QStringLiteral("tall")); settle(); }},
    };
    for (const auto &step : steps) {
        SCOPED_TRACE(step.what);
        choose(screen->tableViewGroups(), 0);
        choose(screen->tableViewItems(), 1);
        ASSERT_FALSE(paneFile(screen).isEmpty());
        step.empty();
        ASSERT_TRUE(paneFile(screen).isEmpty());
        EXPECT_FALSE(screen->pathControlResult()->isEnabled());
        screen->pathControlResult()->click();
        screen->openFileInContainingFolder();
        EXPECT_EQ(revealed.size(), 1) << "nothing is revealed from an empty pane";
    }
}

// Every button that Tab reaches shows the focus ring there and takes
// Return and Enter as it takes Space, though the window is no dialog.
TEST_F(DashboardScreenTest, FocusedButtonsShowTheRingAndTakeReturn)
{
    DashboardVC *screen = open();
    QWidget *window = screen->window();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 1);
    int buttons = 0;
    screen->tableViewCategories()->setFocus(Qt::OtherFocusReason);
    for (int press = 0; press < 60; ++press) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *stop = QApplication::focusWidget();
        if (stop == screen->tableViewCategories())
            break;
        if (!qobject_cast<QAbstractButton *>(stop))
            continue;
        ++buttons;
        EXPECT_TRUE(FocusRing::isShown(stop)) << stop->objectName().toStdString();
    }
    EXPECT_GE(buttons, 6);

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        const qsizetype before = revealed.size();
        screen->pathControlResult()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(screen->pathControlResult(), key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return revealed.size() == before + 1; })) << QTest::toString(key);
    }
}

void saveRender(QWidget *widget, const QString &name)
{
    const QString path = TestEnvironment::renderDirectory() + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(widget->grab().save(path)) << path.toStdString();
}

TEST_F(DashboardScreenTest, RendersOfEveryView)
{
    DashboardVC *screen = open();
    QWidget *window = screen->window();
    window->resize(1151, 751);
    settle();

    choose(screen->tableViewCategories(), 0);
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 0);
    saveRender(window, QStringLiteral("results-all-duplicates"));

    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 1);
    EXPECT_FALSE(screen->imgViewResult()->pixmap().isNull());
    saveRender(window, QStringLiteral("results-photos-image-preview"));
    ASSERT_TRUE(screen->session()->setItemChecked(1, true));

    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Documents")));
    choose(screen->tableViewGroups(), 0);
    choose(screen->tableViewItems(), 0);
    EXPECT_FALSE(screen->txtViewResult()->toPlainText().isEmpty());
    saveRender(window, QStringLiteral("results-documents-text"));
    ASSERT_TRUE(screen->session()->setItemChecked(1, true));
    settle();

    choose(screen->tableViewCategories(), screen->session()->categoriesModel()->markedCopiesRow());
    choose(screen->tableViewGroups(), 0);
    saveRender(window, QStringLiteral("results-marked-copies"));

    screen->topLayerParent()->show();
    screen->topLayerParent()->raise();
    saveRender(window, QStringLiteral("results-dimming-removal"));
    screen->topLayerParent()->hide();
    screen->boxTopLayer()->show();
    screen->boxTopLayer()->raise();
    saveRender(window, QStringLiteral("results-dimming-about"));
}

TEST_F(DashboardScreenTest, RenderOfAnEmptyResult)
{
    duplicateResults().removeAll();
    DashboardVC *screen = open();
    screen->window()->resize(1151, 751);
    choose(screen->tableViewCategories(), 0);
    EXPECT_FALSE(screen->btnNothingFound()->isHidden());
    saveRender(screen->window(), QStringLiteral("results-nothing-found"));
}

// Paints rows of a table through its delegate, once normal and once
// highlighted (and hovered), one under the other.
void saveCellRender(QTableView *table, const QList<int> &rows, const QString &name)
{
    const int width = 380;
    QList<QPair<int, QStyle::State>> variants;
    for (int row : rows) {
        variants.append({row, QStyle::State_Enabled});
        variants.append({row, QStyle::State_Enabled | QStyle::State_Selected});
        variants.append({row, QStyle::State_Enabled | QStyle::State_MouseOver});
    }
    int height = 0;
    QStyleOptionViewItem probe;
    probe.initFrom(table);
    for (const auto &variant : variants)
        height += table->itemDelegate()->sizeHint(probe, table->model()->index(variant.first, 0)).height();
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(QColor(246, 246, 246));
    QPainter painter(&image);
    int y = 0;
    for (const auto &variant : variants) {
        QStyleOptionViewItem option;
        option.initFrom(table);
        option.widget = table;
        option.state = variant.second;
        const QModelIndex index = table->model()->index(variant.first, 0);
        const int rowHeight = table->itemDelegate()->sizeHint(option, index).height();
        option.rect = QRect(0, y, width, rowHeight);
        table->itemDelegate()->paint(&painter, option, index);
        y += rowHeight;
    }
    painter.end();
    const QString path = TestEnvironment::renderDirectory() + QLatin1Char('/') + name + QStringLiteral(".png");
    EXPECT_TRUE(image.save(path)) << path.toStdString();
}

TEST_F(DashboardScreenTest, RendersOfEachCellNormalAndHighlighted)
{
    DashboardVC *screen = open();
    choose(screen->tableViewCategories(), categoryRowNamed(QStringLiteral("Photos")));
    choose(screen->tableViewGroups(), 0);
    ASSERT_TRUE(screen->session()->setItemChecked(0, true));
    settle();
    const CategoriesModel *categories = screen->session()->categoriesModel();
    saveCellRender(screen->tableViewCategories(), {0, categoryRowNamed(QStringLiteral("Photos")), categories->separatorRow(),
                                                   categories->markedCopiesRow()},
                   QStringLiteral("cells-categories"));
    saveCellRender(screen->tableViewGroups(), {0}, QStringLiteral("cells-groups"));
    saveCellRender(screen->tableViewItems(), {0, 1}, QStringLiteral("cells-copies"));
    choose(screen->tableViewCategories(), categories->markedCopiesRow());
    saveCellRender(screen->tableViewGroups(), {0}, QStringLiteral("cells-marked-copies"));
}

} // namespace

#include "DashboardScreenTest.moc"
