#include "HomeTestSupport.h"
#include "TestEnvironment.h"

#include <CustomImageView.h>
#include <DropView.h>
#include <EmbeddedImages.h>
#include <FocusRing.h>
#include <HomeScreens.h>
#include <HomeVC.h>
#include <HomeWindow.h>
#include <Localization.h>
#include <NotificationCenter.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <ViewLayer.h>

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

class HomeVCTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        loadLocalizationTable();
        clearFlags();
        base = TestEnvironment::makeTemporaryFolder(QStringLiteral("home"));
        for (const char *folder : {"a", "b", "ignored"})
            QDir().mkpath(path(folder));
        allIgnorePaths() = {{true, QUrl::fromLocalFile(path("ignored"))}};
        FolderChooser::setCurrent(&chooser);
        registerHomeScreens();
        withScanScreen();
        window = homeWindowController();
        home = qobject_cast<HomeVC *>(homeVC());
        ASSERT_TRUE(window && home);
        window->show();
    }

    void TearDown() override
    {
        ScreenRegistry::instance().reset();
        FolderChooser::setCurrent(nullptr);
        allIgnorePaths().clear();
        clearFlags();
    }

    static void clearFlags()
    {
        isHomeFolderPanelOpen = isRotating = isCustomDialogShown = isFolderPanelOpen = false;
    }

    void withScanScreen()
    {
        ScreenRegistry::instance().registerFactory(QLatin1String(ScreenId::Scan), [] { return new StandInScan; });
    }

    StandInScan *scan() const { return ScreenRegistry::instance().peek<StandInScan>(QLatin1String(ScreenId::Scan)); }
    QString path(const char *relative) const { return base + QLatin1Char('/') + QLatin1String(relative); }

    void drop(const QStringList &paths)
    {
        NotificationCenter::defaultCenter().post(QLatin1String(kDropViewNotification), {{QStringLiteral("urls"), paths}});
    }

    void panel(const QStringList &paths)
    {
        chooser.accept = true;
        chooser.answer = paths;
        home->clickedAddFolder();
    }

    static QImage logo(const QString &base64)
    {
        return QPixmap::fromImage(*EmbeddedImages::decodeImage(base64))
            .scaled(180, 180, Qt::KeepAspectRatio, Qt::SmoothTransformation)
            .toImage();
    }

    QImage shownLogo() const { return home->imgViewFidget->pixmap().toImage(); }

    QString base;
    AnsweringChooser chooser;
    AlertRecorder alerts;
    QWidget *window = nullptr;
    HomeVC *home = nullptr;
};

TEST_F(HomeVCTest, HandOffFillsTheScanScreenClearsTheStoreAndCoversTheHome)
{
    duplicateResults().setValue(QStringLiteral("Photos"), {DuplicateGroup{InitialDirectory()}});
    savedDuplicateResults().setValue(QStringLiteral("Photos"), {});
    categoryRows().append(Categories());
    savedCategoryRows().append(Categories());
    allDuplicateGroups().append(FileInfoGroup());
    savedAllDuplicateGroups().append(FileInfoGroup());

    panel({path("a"), path("b")});

    EXPECT_TRUE(chooser.lastOptions.allowsMultipleSelection);
    EXPECT_FALSE(chooser.lastOptions.showsHiddenFiles);
    EXPECT_EQ(chooser.lastOptions.prompt, localizedString(QStringLiteral("IDS_TMR_83")));
    EXPECT_FALSE(isFolderPanelOpen || isHomeFolderPanelOpen);
    EXPECT_TRUE(home->boxTopLayer->isHidden());

    ASSERT_TRUE(scan());
    ASSERT_EQ(scan()->handOffs.size(), 1);
    EXPECT_EQ(scan()->handOffs.first(), QStringList({path("a"), path("b")}));
    EXPECT_EQ(scan()->parentVC, home);
    EXPECT_TRUE(duplicateResults().isEmpty() && savedDuplicateResults().isEmpty());
    EXPECT_TRUE(categoryRows().isEmpty() && savedCategoryRows().isEmpty());
    EXPECT_TRUE(allDuplicateGroups().isEmpty() && savedAllDuplicateGroups().isEmpty());

    EXPECT_EQ(scan()->parentWidget(), home);
    EXPECT_FALSE(home->btnClose->isEnabled());
    EXPECT_FALSE(home->btnMinimize->isEnabled());
    EXPECT_TRUE(home->imgViewFidget->toolTip().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return home->lblScanForDuplicates->isHidden(); }, 3000));
    EXPECT_EQ(scan()->geometry(), home->rect());
    EXPECT_TRUE(home->lblAddFoldersBelow->isHidden());
    EXPECT_TRUE(home->btnAddFolder->isHidden());
    EXPECT_EQ(scan()->graphicsEffect(), nullptr);

    // A later intake cannot replace the list the scan screen shows.
    drop({path("b")});
    EXPECT_EQ(scan()->handOffs.size(), 1);

    NotificationCenter::defaultCenter().post(QLatin1String(kResetHomeToolTipsNotification));
    EXPECT_TRUE(home->btnClose->isEnabled());
    EXPECT_TRUE(home->btnMinimize->isEnabled());
    EXPECT_EQ(home->imgViewFidget->toolTip(), localizedString(QStringLiteral("IDS_TMR_157")));
}

TEST_F(HomeVCTest, CancelledPanelKeepsTheListAndShowsNothing)
{
    ScreenRegistry::instance().reset();
    registerHomeScreens();
    home = qobject_cast<HomeVC *>(homeVC());
    panel({path("a")});
    EXPECT_EQ(home->scanList(), QStringList({path("a")}));

    chooser.accept = false;
    home->clickedAddFolder();
    EXPECT_EQ(chooser.opened, 2);
    EXPECT_EQ(home->scanList(), QStringList({path("a")}));
    EXPECT_TRUE(alerts.shown.isEmpty());
    EXPECT_FALSE(isFolderPanelOpen);
}

TEST_F(HomeVCTest, RefusedIntakeAlertsOnceThenHandsOverWhatPassed)
{
    struct Case
    {
        const char *what;
        bool byDrop;
        QStringList paths;
        const char *informativeKey;
        int delay;
        QStringList handedOver;
    };
    const Case cases[] = {
        {"disk and a folder, dropped", true, {QStringLiteral("/"), path("a")}, "IDS_TMR_74_1", 1000, {path("a")}},
        {"ignored folder, dropped", true, {path("ignored")}, "IDS_TMR_186", 1000, {}},
        {"same folder twice, panel", false, {path("b"), path("b")}, "IDS_TMR_74_1", 0, {path("b")}},
        {"inside an ignored folder, panel", false, {path("ignored") + QStringLiteral("/x"), path("a")}, "IDS_TMR_187", 500, {path("a")}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScreenRegistry::instance().reset();
        registerHomeScreens();
        withScanScreen();
        home = qobject_cast<HomeVC *>(homeVC());
        alerts.shown.clear();

        QElapsedTimer clock;
        clock.start();
        if (c.byDrop)
            drop(c.paths);
        else
            panel(c.paths);
        EXPECT_TRUE(home->isIntakePending());
        EXPECT_TRUE(isRotating);
        EXPECT_EQ(home->isRotate, c.byDrop);
        EXPECT_TRUE(QTest::qWaitFor([&] { return alerts.shown.size() == 1; }, 3000)) << alerts.shown.size();
        EXPECT_GE(clock.elapsed(), c.delay - 50);
        EXPECT_EQ(alerts.shown.first().first, localizedString(QStringLiteral("IDS_TMR_74")));
        EXPECT_EQ(alerts.shown.first().second, localizedString(QLatin1String(c.informativeKey)));
        EXPECT_FALSE(isRotating);
        EXPECT_FALSE(home->isIntakePending());
        // After a drop's alert the logo turns back.
        EXPECT_EQ(home->isExitRotate, c.byDrop);
        StandInScan *shown = scan();
        if (c.handedOver.isEmpty()) {
            EXPECT_TRUE(!shown || shown->handOffs.isEmpty());
        } else {
            ASSERT_TRUE(shown);
            EXPECT_EQ(shown->handOffs, QList<QStringList>({c.handedOver}));
        }
    }
}

TEST_F(HomeVCTest, PendingAlertKeepsItsListAndMakesOtherIntakesWait)
{
    panel({path("ignored"), path("a")});
    ASSERT_TRUE(home->isIntakePending());
    EXPECT_FALSE(dropAreaAcceptsDrag());

    // Within the panel's half second: neither a drop nor the panel gets in.
    drop({path("b")});
    chooser.answer = {path("b")};
    home->clickedAddFolder();
    EXPECT_EQ(chooser.opened, 1);
    EXPECT_TRUE(!scan() || scan()->handOffs.isEmpty());

    EXPECT_TRUE(QTest::qWaitFor([&] { return alerts.shown.size() == 1; }, 3000)) << alerts.shown.size();
    ASSERT_TRUE(scan());
    EXPECT_EQ(scan()->handOffs, QList<QStringList>({{path("a")}}));
    EXPECT_TRUE(dropAreaAcceptsDrag());
}

TEST_F(HomeVCTest, DropIsIgnoredWhileAnOverlayOrPanelIsUp)
{
    for (bool *flag : {&isCustomDialogShown, &isFolderPanelOpen}) {
        clearFlags();
        *flag = true;
        drop({path("a")});
        EXPECT_TRUE(home->scanList().isEmpty());
        EXPECT_FALSE(isRotating);
        EXPECT_TRUE(!scan() || scan()->handOffs.isEmpty());
    }
}

TEST_F(HomeVCTest, LeavingBeforeTheEnterTurnEndsLeavesTheLogoAtRest)
{
    home->enterRotate();
    ASSERT_TRUE(ViewLayer::of(home->imgViewFidget));
    EXPECT_TRUE(ViewLayer::of(home->imgViewFidget)->animationKeys().contains(QStringLiteral("rotationAnimation")));
    home->exitRotate();
    QTest::qWait(1200); // both delayed image changes have come due
    EXPECT_EQ(shownLogo(), logo(EmbeddedImages::logoImageAlt()));

    home->enterRotate();
    EXPECT_TRUE(QTest::qWaitFor([&] { return shownLogo() == logo(EmbeddedImages::logoImageTurned()); }, 3000));
}

// After the scan screen came in, and after every turn, the drop area comes
// back to the logo it showed at load, not to a darker one.
TEST_F(HomeVCTest, TheLogoComesBackAsItWasAtLoad)
{
    const QImage atLoad = shownLogo();
    EXPECT_EQ(atLoad, logo(EmbeddedImages::logoImage()));
    panel({path("a")});
    ASSERT_TRUE(scan());
    home->setImageExitRotate(); // what the hand-off leaves a second later
    EXPECT_EQ(shownLogo(), atLoad);
}

TEST_F(HomeVCTest, AddFolderAnswersTheKeyboardAndShowsWhereItIs)
{
    QApplication::setActiveWindow(window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    chooser.accept = false;
    QTest::keyClick(window, Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), home->btnAddFolder);
    EXPECT_TRUE(FocusRing::isShown(home->btnAddFolder));
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        const int opened = chooser.opened;
        QTest::keyClick(QApplication::focusWidget(), key);
        EXPECT_EQ(chooser.opened, opened + 1) << key;
    }
    // A click's focus shows no ring.
    home->btnAddFolder->clearFocus();
    home->btnAddFolder->setFocus(Qt::MouseFocusReason);
    EXPECT_FALSE(FocusRing::isShown(home->btnAddFolder));

    for (QPushButton *button : {home->btnAddFolder, home->btnClose, home->btnMinimize, home->imgViewStandardMaximize}) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(button);
        ASSERT_TRUE(accessible);
        EXPECT_FALSE(accessible->text(QAccessible::Name).isEmpty()) << button->objectName().toStdString();
    }
}

TEST_F(HomeVCTest, AboutDimsHomeAndScanAndHidingClearsBoth)
{
    // Without an about screen nothing is dimmed.
    NotificationCenter::defaultCenter().post(QLatin1String(kAboutHomeNotification));
    EXPECT_TRUE(home->boxTopLayer->isHidden());

    auto *about = new QWidget;
    ScreenRegistry::instance().registerFactory(QLatin1String(ScreenId::About), [about] { return about; });
    panel({path("a")});
    QWidget *scanBox = scan()->findChild<QWidget *>(QStringLiteral("boxTopLayer"));
    NotificationCenter::defaultCenter().post(QLatin1String(kAboutHomeNotification));
    EXPECT_FALSE(home->boxTopLayer->isHidden());
    EXPECT_FALSE(scanBox->isHidden());
    EXPECT_EQ(about->parentWidget(), home);
    EXPECT_TRUE(isCustomDialogShown);

    NotificationCenter::defaultCenter().post(QLatin1String(kHideTopLayerHomeNotification));
    EXPECT_TRUE(home->boxTopLayer->isHidden());
    EXPECT_TRUE(scanBox->isHidden());
}

TEST_F(HomeVCTest, HomeWindowIsFramelessRoundedLightAndKeepsItsScreen)
{
    EXPECT_TRUE(window->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window->property("contentViewController").value<QWidget *>(), home);
    EXPECT_EQ(window->size(), QSize(1008, 702));
    const QRegion mask = window->mask();
    EXPECT_FALSE(mask.contains(QPoint(2, 2)));
    EXPECT_FALSE(mask.contains(QPoint(1005, 699)));
    EXPECT_TRUE(mask.contains(QPoint(50, 2)));
    EXPECT_TRUE(mask.contains(QPoint(504, 351)));
    EXPECT_EQ(window->palette().color(QPalette::Window), QColor(Qt::white));

    for (const char *outlet : {"dropView", "imgViewFidget", "btnAddFolder", "imgViewBackground", "lblScanForDuplicates",
                               "lblAddFoldersBelow", "lblDragAndDropFoldersHere", "boxTopLayer", "btnClose", "btnMinimize"})
        EXPECT_TRUE(home->findChild<QWidget *>(QLatin1String(outlet))) << outlet;

    window->close();
    EXPECT_EQ(homeWindowController(), window);
    EXPECT_EQ(homeVC(), home);
    window->show();
    EXPECT_EQ(home->window(), window);
}

TEST_F(HomeVCTest, DropsAndPressesOverTheTextsReachTheDropArea)
{
    // Qt finds the target of a drop as childAt does.
    for (QWidget *text : {static_cast<QWidget *>(home->lblScanForDuplicates), static_cast<QWidget *>(home->lblAddFoldersBelow),
                          static_cast<QWidget *>(home->lblDragAndDropFoldersHere)}) {
        QWidget *target = home->childAt(text->mapTo(home, text->rect().center()));
        ASSERT_TRUE(target) << text->objectName().toStdString();
        EXPECT_TRUE(target == home->dropView || home->dropView->isAncestorOf(target)) << text->objectName().toStdString();
    }
    EXPECT_EQ(home->childAt(home->btnAddFolder->geometry().center()), home->btnAddFolder);
}

TEST_F(HomeVCTest, DotsShowTheirGlyphsUnderThePointer)
{
    auto shown = [](QPushButton *dot) { return dot->icon().pixmap(12, 12).toImage(); };
    auto plain = [](const QString &base64) { return QPixmap::fromImage(*EmbeddedImages::decodeImage(base64)).toImage(); };
    QEvent enter(QEvent::Enter);
    QApplication::sendEvent(home->boxStandardButtons, &enter);
    EXPECT_EQ(shown(home->btnClose), plain(EmbeddedImages::closeButtonHoverImage()));
    EXPECT_EQ(shown(home->btnMinimize), plain(EmbeddedImages::minimizeButtonHoverImage()));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(home->boxStandardButtons, &leave);
    EXPECT_EQ(shown(home->btnClose), plain(EmbeddedImages::closeButtonImage()));
    EXPECT_EQ(shown(home->btnMinimize), plain(EmbeddedImages::minimizeButtonImage()));
}

TEST_F(HomeVCTest, Renders)
{
    saveImage(renderWindow(*window), QStringLiteral("home-window-rest"));

    home->boxTopLayer->show();
    saveImage(renderWindow(*window), QStringLiteral("home-window-dimmed"));
    home->boxTopLayer->hide();

    home->enterRotate();
    ViewLayer *layer = ViewLayer::of(home->imgViewFidget);
    ASSERT_TRUE(layer);
    EXPECT_TRUE(QTest::qWaitFor([&] { return std::abs(layer->rotation()) > 1.2; }, 3000));
    saveImage(renderWindow(*window), QStringLiteral("home-window-mid-turn"));
}

} // namespace
