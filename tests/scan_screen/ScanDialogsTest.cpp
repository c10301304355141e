#include "ScanScreenFixture.h"

#include <CancelScanningVC.h>
#include <CustomAnimator.h>
#include <PageOpener.h>
#include <ProcessState.h>
#include <ResultQueries.h>
#include <ScreenRegistry.h>
#include <Spinner.h>
#include <UserDefaults.h>

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

using namespace ScanScreenFixture;

namespace {

class ScanDialogsTest : public ScanScreenTest
{
protected:
    CancelScanningVC *cancelDialog()
    {
        return ScreenRegistry::instance().peek<CancelScanningVC>(QString::fromLatin1(ScreenId::CancelScanning));
    }

    void answer(const QString &button)
    {
        CancelScanningVC *dialog = cancelDialog();
        ASSERT_NE(dialog, nullptr);
        auto *push = dialog->findChild<QPushButton *>(button);
        ASSERT_NE(push, nullptr);
        push->click();
    }

    // Waits until the dialog has closed (its close step has run).
    bool waitForDialogClosed() { return waitUntil([] { return !isScanDialogShown; }); }

    // A run that sits in the pause between its steps until it is stopped.
    ScanVC *startHeldRun()
    {
        ScanVC *scan = presentScanScreen(makeTreeWithDuplicates());
        makeQuick(scan, std::chrono::milliseconds(60000));
        scan->clickedStartScanning();
        return scan;
    }

    // The next scan screen starts from nothing and its run reaches the summary.
    void expectANewScreenScansToTheEnd()
    {
        ScanVC *next = presentScanScreen(makeTreeWithDuplicates());
        EXPECT_FALSE(next->isHomePressed());
        EXPECT_EQ(next->scanList().size(), 2);
        makeQuick(next);
        next->clickedStartScanning();
        EXPECT_TRUE(isScanning);
        ASSERT_TRUE(waitUntil([] { return isScanFinished; }));
    }

    static bool disablePieChartAnimation()
    {
        return UserDefaults::standard().boolValue(QString::fromLatin1(kDisablePieChartAnimationKey)).value_or(false);
    }
};

// Each line: what the user does while a run is going, then where the screen ends.
TEST_F(ScanDialogsTest, stopAndBackThroughTheDialogEndWhereTheUserExpects)
{
    struct Case
    {
        const char *name;
        QStringList actions; // "stop", "back", "yes", "no"
        bool completes;      // the run reaches the completed summary
        bool goesHome;
        bool alert;
    };
    const QList<Case> cases{
            {"stop then no", {"stop", "no"}, true, false, false},
            {"stop then yes", {"stop", "yes"}, false, false, true},
            {"back then yes", {"back", "yes"}, false, true, false},
            {"back, no, stop, yes", {"back", "no", "stop", "yes"}, false, false, true},
            {"back then yes twice", {"back", "yes", "yes"}, false, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        alerts.clear();
        resetHomeToolTipsPosts = 0;
        // A long pause between the steps keeps the run going until the user has answered.
        ScanVC *scan = presentScanScreen(makeTreeWithDuplicates());
        makeQuick(scan, std::chrono::milliseconds(3000));
        scan->clickedStartScanning();
        QPointer<ScanVC> guard(scan);
        for (const QString &action : c.actions) {
            if (action == QLatin1String("stop")) {
                ASSERT_TRUE(waitForDialogClosed());
                click("btnStopScan");
                EXPECT_TRUE(scan->engine().isPaused());
                EXPECT_TRUE(isScanDialogShown);
                EXPECT_TRUE(disablePieChartAnimation());
                EXPECT_FALSE(outlet<QWidget>("boxTopLayer")->isHidden());
                EXPECT_EQ(cancelDialog()->parentWidget(), scan);
            } else if (action == QLatin1String("back")) {
                click("btnBack");
                EXPECT_TRUE(scan->isHomePressed());
                EXPECT_TRUE(scan->engine().isPaused());
                EXPECT_FALSE(outlet<QWidget>("btnBack")->isEnabled());
            } else {
                answer(action == QLatin1String("yes") ? QStringLiteral("btnYes") : QStringLiteral("btnNo"));
            }
        }
        if (c.goesHome) {
            ASSERT_TRUE(waitForHome(guard));
            EXPECT_EQ(resetHomeToolTipsPosts, 1);
        } else if (c.completes) {
            ASSERT_TRUE(waitUntil([] { return isScanFinished; }));
            ASSERT_TRUE(waitForDialogClosed());
            EXPECT_FALSE(outlet<QWidget>("boxScanCompleted")->isHidden());
        } else {
            ASSERT_TRUE(waitUntil([this] { return !isScanning && !alerts.isEmpty(); }));
            ASSERT_TRUE(waitForDialogClosed());
            EXPECT_FALSE(outlet<QWidget>("boxReadyToScan")->isHidden());
            EXPECT_TRUE(outlet<QWidget>("btnStartScanning")->isEnabled());
        }
        ASSERT_TRUE(waitUntil([this] { return !isScanning && !isCustomDialogShown && cancelDialog()->isHidden(); }));
        // Let a late alert, if any, come.
        QTest::qWait(50);
        EXPECT_EQ(!alerts.isEmpty(), c.alert);
        EXPECT_FALSE(isScanDialogShown);
        EXPECT_FALSE(disablePieChartAnimation());
        if (guard) {
            EXPECT_FALSE(guard->engine().isPaused());
            EXPECT_TRUE(outlet<QWidget>("boxTopLayer")->isHidden());
            delete guard.data();
        }
    }
}

TEST_F(ScanDialogsTest, afterBackAndYesANewScanScreenStartsAndCompletes)
{
    QPointer<ScanVC> old(startHeldRun());
    // The worker sits inside the pause between its steps while the user leaves.
    click("btnBack");
    answer(QStringLiteral("btnYes"));
    ASSERT_TRUE(waitForHome(old));
    EXPECT_FALSE(isScanning);
    EXPECT_TRUE(alerts.isEmpty());
    expectANewScreenScansToTheEnd();
}

TEST_F(ScanDialogsTest, aScreenDeletedDuringARunLeavesNoRunningFlagAndNoLateCall)
{
    ScanVC *first = startHeldRun();
    click("btnStopScan");
    ASSERT_TRUE(isScanning);
    ASSERT_TRUE(isScanDialogShown);
    // Gone before the engine could report the end of its run.
    delete first;
    EXPECT_FALSE(isScanning);
    EXPECT_FALSE(isScanDialogShown);
    // The dialog survives its screen and a late answer does nothing.
    ASSERT_NE(cancelDialog(), nullptr);
    answer(QStringLiteral("btnYes"));
    QTest::qWait(600);
    expectANewScreenScansToTheEnd();
}

TEST_F(ScanDialogsTest, renderOfTheCancelDialogOverTheDimmedScreen)
{
    ScanVC *scan = startHeldRun();
    scan->updateScanProgress(9, 14);
    click("btnStopScan");
    ASSERT_TRUE(waitUntil([this] { return cancelDialog()->geometry() == m_scan->rect() && !cancelDialog()->graphicsEffect(); }));
    saveRender(scan, QStringLiteral("scan_screen_cancel_dialog"));
    // Escape answers No.
    QTest::keyClick(cancelDialog(), Qt::Key_Escape);
    EXPECT_TRUE(cancelDialog()->isAnswered());
    ASSERT_TRUE(waitForDialogClosed());
    EXPECT_FALSE(scan->engine().isPaused());
}

// Back on a screen that is not scanning: with or without results, with the
// question on or off, with or without a question to ask.
TEST_F(ScanDialogsTest, backAsksOnlyWhenResultsExistTheQuestionIsOnAndTheDialogIsThere)
{
    struct Case
    {
        const char *name;
        bool results;
        bool alertOn;
        bool dialogRegistered;
        bool asks;
    };
    const QList<Case> cases{
            {"no results, question on", false, true, true, false},
            {"no results, question off", false, false, true, false},
            {"results, question on", true, true, true, true},
            {"results, question off", true, false, true, false},
            {"results, question on, no dialog", true, true, false, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        resetHomeToolTipsPosts = 0;
        duplicateResults().removeAll();
        if (c.results) {
            InitialDirectory a;
            a.url = QUrl::fromLocalFile(QStringLiteral("/a.txt"));
            duplicateResults().setValue(QStringLiteral("Documents"), {{a, a}});
        }
        backToHomeAlertEnabled = c.alertOn;
        QPointer<BackToHomeStandIn> dialog;
        if (c.dialogRegistered) {
            ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::BackToHome), [&dialog] {
                dialog = new BackToHomeStandIn;
                return dialog.data();
            });
        } else {
            ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::BackToHome), nullptr);
        }
        ScanVC *scan = presentScanScreen({QStringLiteral("/tmp")});
        QPointer<ScanVC> guard(scan);
        click("btnBack");
        if (!c.asks) {
            ASSERT_TRUE(waitForHome(guard));
            EXPECT_EQ(resetHomeToolTipsPosts, 1);
            EXPECT_TRUE(!dialog || dialog->shown == 0);
            EXPECT_FALSE(m_home->findChild<QWidget *>(QStringLiteral("dropView"))->isHidden());
            EXPECT_EQ(c.results, hasAnyResults()) << "going home leaves the store alone";
            continue;
        }
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->shown, 1);
        EXPECT_EQ(dialog->parentWidget(), scan);
        EXPECT_TRUE(isScanDialogShown);
        EXPECT_FALSE(outlet<QWidget>("boxTopLayer")->isHidden());
        // A second Back while the question is up does nothing.
        scan->clickedBack();
        EXPECT_EQ(dialog->shown, 1);

        dialog->answer(false);
        QTest::qWait(ScanVC::kGoHomeMilliseconds + 200);
        ASSERT_TRUE(guard);
        EXPECT_TRUE(scan->isHomePressed());
        EXPECT_TRUE(outlet<QWidget>("boxTopLayer")->isHidden());
        EXPECT_TRUE(outlet<QWidget>("btnBack")->isEnabled());
        EXPECT_FALSE(isScanDialogShown);

        click("btnBack");
        ASSERT_EQ(dialog->shown, 2);
        dialog->answer(true);
        ASSERT_TRUE(waitForHome(guard));
        EXPECT_EQ(resetHomeToolTipsPosts, 1);
        EXPECT_TRUE(hasAnyResults());
        delete dialog.data();
    }
}

TEST_F(ScanDialogsTest, reviewResultsOpensAFreshResultsWindowOrGivesTheButtonsBack)
{
    InitialDirectory a;
    a.url = QUrl::fromLocalFile(QStringLiteral("/a.txt"));
    duplicateResults().setValue(QStringLiteral("Documents"), {{a, a}});
    ScanVC *scan = presentScanScreen({QStringLiteral("/tmp")});

    // No results window yet: the spinner stops and the buttons come back.
    click("btnReviewResults");
    ASSERT_TRUE(waitUntil([this] { return outlet<QWidget>("btnReviewResults")->isEnabled(); }));
    EXPECT_TRUE(outlet<QWidget>("btnBack")->isEnabled());
    EXPECT_TRUE(outlet<QWidget>("loader")->isHidden());
    EXPECT_TRUE(outlet<QWidget>("boxTopLayer")->isHidden());

    QList<QPointer<QObject>> windows;
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::DashboardWindow), [&windows] {
        auto *window = new ResultsWindowStandIn;
        windows.append(window);
        return window;
    });
    for (int round = 1; round <= 2; ++round) {
        click("btnReviewResults");
        ASSERT_TRUE(waitUntil([round] { return ResultsWindowStandIn::shownCount == round; }));
        EXPECT_FALSE(outlet<QWidget>("btnBack")->isEnabled());
        // Back from the results window gives the screen back.
        isBackFromDashboard = true;
        scan->viewWillAppear();
        EXPECT_TRUE(outlet<QWidget>("btnReviewResults")->isEnabled());
    }
    ASSERT_EQ(windows.size(), 2);
    QTest::qWait(10);
    EXPECT_TRUE(windows.at(0).isNull()) << "the earlier window is released";

    // A window without the interface is asked through its invokable showWindow().
    InvokableResultsWindowStandIn::shownCount = 0;
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::DashboardWindow),
                                               [] { return new InvokableResultsWindowStandIn; });
    click("btnReviewResults");
    ASSERT_TRUE(waitUntil([] { return InvokableResultsWindowStandIn::shownCount == 1; }));
    isBackFromDashboard = true;
    scan->viewWillAppear();

    // Nothing to review: the button does nothing more.
    duplicateResults().removeAll();
    click("btnReviewResults");
    QTest::qWait(20);
    EXPECT_EQ(ResultsWindowStandIn::shownCount, 2);
    EXPECT_EQ(InvokableResultsWindowStandIn::shownCount, 1);
}

TEST_F(ScanDialogsTest, socialPagesOpenUnlessADialogIsUp)
{
    QList<QUrl> opened;
    PageOpener::setHandler([&opened](const QUrl &url) {
        opened.append(url);
        return true;
    });
    presentScanScreen({QStringLiteral("/tmp")});
    click("btnTwitter");
    click("btnFacebook");
    EXPECT_EQ(opened, socialPageURLs());
    m_scan->disableScanButtons();
    m_scan->clickedTwitter();
    EXPECT_EQ(opened.size(), 2);
    m_scan->enableScanButtons();
    PageOpener::setHandler(nullptr);
}

TEST_F(ScanDialogsTest, delayedCallsNeverReachAReleasedScreen)
{
    ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::Advertise), [] { return new AdvertiseStandIn; });
    ScanVC *scan = presentScanScreen({QStringLiteral("/tmp")});
    scan->showAdvertise();
    scan->showAdvertiseAfter(100);
    delete scan;
    QTest::qWait(3300);
    EXPECT_EQ(AdvertiseStandIn::calls, 0);

    scan = presentScanScreen({QStringLiteral("/tmp")});
    outlet<QWidget>("btnReviewResultsPartiallCleaned")->setEnabled(false);
    scan->showAdvertise();
    EXPECT_TRUE(outlet<QWidget>("btnReviewResultsPartiallCleaned")->isEnabled());
    ASSERT_TRUE(waitUntil([] { return AdvertiseStandIn::calls == 1; }, 5000));
}

} // namespace
