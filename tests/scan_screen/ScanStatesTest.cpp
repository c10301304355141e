#include "ScanScreenFixture.h"

#include <CircularProgressView.h>
#include <EmbeddedImages.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <TestEnvironment.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QListWidget>
#include <QTest>

using namespace ScanScreenFixture;

namespace {

// A scan screen that notes what it shows after every report of the engine.
class RecordingScanVC : public ScanVC
{
public:
    struct Step
    {
        QString report;
        QStringList boxes;
        QStringList buttons;
        QString percent;
    };
    QList<Step> steps;
    std::function<Step(const QString &)> snapshot;

    void updateScanProgress(qint64 processed, qint64 total) override
    {
        ScanVC::updateScanProgress(processed, total);
        note(QStringLiteral("step1"));
    }
    void finishFirstStepProgress() override
    {
        ScanVC::finishFirstStepProgress();
        note(QStringLiteral("step1-done"));
    }
    void beginSecondStepProgress() override
    {
        ScanVC::beginSecondStepProgress();
        note(QStringLiteral("step2"));
    }
    void showDigestProgress(int percent) override
    {
        ScanVC::showDigestProgress(percent);
        note(QStringLiteral("step2"));
    }
    void showComparisonProgress(int percent) override
    {
        ScanVC::showComparisonProgress(percent);
        note(QStringLiteral("step2"));
    }
    void showScanCompletedSummary(const ScanSummary &summary) override
    {
        ScanVC::showScanCompletedSummary(summary);
        note(QStringLiteral("completed"));
    }
    void scanNotCompleted() override
    {
        ScanVC::scanNotCompleted();
        note(QStringLiteral("not-completed"));
    }

private:
    void note(const QString &report)
    {
        if (snapshot)
            steps.append(snapshot(report));
    }
};

class ScanStatesTest : public ScanScreenTest
{
protected:
    RecordingScanVC *presentRecording(const QStringList &paths)
    {
        ScreenRegistry::instance().registerFactory(QString::fromLatin1(ScreenId::Scan), [] { return new RecordingScanVC; });
        auto *scan = static_cast<RecordingScanVC *>(presentScanScreen(paths));
        scan->snapshot = [this](const QString &report) {
            return RecordingScanVC::Step{report, visibleBoxes(), usableButtons(), text("lblProgressPercent")};
        };
        makeQuick(scan);
        return scan;
    }

    static int stateBoxCount(const QStringList &boxes)
    {
        int count = 0;
        for (const char *box : {"boxReadyToScan", "boxScanInProgress", "boxScanCompleted", "boxPartiallyCleaned", "boxCleaned"})
            count += boxes.contains(QString::fromLatin1(box)) ? 1 : 0;
        return count;
    }
};

const QStringList kInProgressBoxes{QStringLiteral("boxScanInProgress"), QStringLiteral("boxProgressBar")};
const QStringList kInProgressButtons{QStringLiteral("btnStopScan"), QStringLiteral("btnBack"), QStringLiteral("btnClose"),
                                     QStringLiteral("btnMinimize")};
const QStringList kReadyBoxes{QStringLiteral("boxReadyToScan"), QStringLiteral("scrollViewCollectionView"),
                              QStringLiteral("btnAddFolder")};
const QStringList kReadyButtons{QStringLiteral("btnStartScanning"), QStringLiteral("btnAddFolder"), QStringLiteral("btnBack"),
                                QStringLiteral("btnClose"), QStringLiteral("btnMinimize")};

TEST_F(ScanStatesTest, aRunWithDuplicatesGoesFromReadyThroughBothStepsToTheCompletedSummary)
{
    RecordingScanVC *scan = presentRecording(makeTreeWithDuplicates());
    EXPECT_EQ(visibleBoxes(), kReadyBoxes);
    EXPECT_EQ(usableButtons(), kReadyButtons);
    EXPECT_EQ(outlet<QWidget>("btnStartScanning")->toolTip(), localizedString(QStringLiteral("IDS_TMR_153")));
    EXPECT_EQ(outlet<QWidget>("btnStopScan")->toolTip(), localizedString(QStringLiteral("IDS_TMR_154")));
    saveRender(scan, QStringLiteral("scan_screen_ready"));

    scan->clickedStartScanning();
    EXPECT_TRUE(isScanning);
    EXPECT_EQ(visibleBoxes(), kInProgressBoxes);
    EXPECT_EQ(usableButtons(), kInProgressButtons);
    EXPECT_EQ(text("lblProgressPercent"), QStringLiteral("0%"));
    EXPECT_EQ(text("lblStepProgress"), localizedString(QStringLiteral("IDS_TMR_78")).toUpper());

    ASSERT_TRUE(waitUntil([scan] { return !isScanning; }));
    ASSERT_FALSE(scan->steps.isEmpty());
    QStringList reports;
    for (const RecordingScanVC::Step &step : std::as_const(scan->steps)) {
        if (reports.isEmpty() || reports.last() != step.report)
            reports.append(step.report);
        if (step.report != QLatin1String("completed")) {
            EXPECT_EQ(step.boxes, kInProgressBoxes) << step.report.toStdString();
            EXPECT_EQ(step.buttons, kInProgressButtons) << step.report.toStdString();
        }
        EXPECT_EQ(stateBoxCount(step.boxes), 1) << step.report.toStdString();
    }
    EXPECT_EQ(reports, (QStringList{QStringLiteral("step1"), QStringLiteral("step1-done"), QStringLiteral("step2"),
                                    QStringLiteral("completed")}));
    // Step 1 ends at 100 %, step 2 starts again from 0 %.
    const auto stepOneDone = std::find_if(scan->steps.begin(), scan->steps.end(),
                                          [](const auto &step) { return step.report == QLatin1String("step1-done"); });
    ASSERT_NE(stepOneDone, scan->steps.end());
    EXPECT_EQ(stepOneDone->percent, QStringLiteral("100%"));

    // Completed: the summary and the pie once the pie box has come in.
    ASSERT_TRUE(waitUntil([this] { return !outlet<QWidget>("boxProgressBar")->isVisibleTo(m_scan); }));
    EXPECT_EQ(visibleBoxes(), (QStringList{QStringLiteral("boxScanCompleted"), QStringLiteral("pieBox")}));
    EXPECT_EQ(usableButtons(), (QStringList{QStringLiteral("btnReviewResults"), QStringLiteral("btnBack"),
                                            QStringLiteral("btnClose"), QStringLiteral("btnMinimize")}));
    EXPECT_EQ(outlet<QWidget>("btnReviewResults")->toolTip(), localizedString(QStringLiteral("IDS_TMR_155")));
    EXPECT_TRUE(outlet<QWidget>("btnStartScanning")->toolTip().isEmpty());
    EXPECT_TRUE(outlet<QWidget>("btnStopScan")->toolTip().isEmpty());
    EXPECT_TRUE(isScanFinished);
    EXPECT_EQ(text("lblTotalFilesFoundScanCompleted"), QStringLiteral("4 ") + localizedString(QStringLiteral("IDS_TMR_110")));
    EXPECT_EQ(scan->slicesNames(), (QList<Duplicates>{Duplicates::_Photos, Duplicates::_Music}));
    EXPECT_EQ(scan->property("lblWidthConstantBoxProgress").toDouble(), 310.0);
    EXPECT_EQ(scan->property("lblWidthConstantBoxParentPie").toDouble(), 280.0);
    EXPECT_TRUE(alerts.isEmpty());
    saveRender(scan, QStringLiteral("scan_screen_completed"));
}

TEST_F(ScanStatesTest, aRunWithoutDuplicatesEndsInTheReadyStateWithTheNotCompletedAlert)
{
    RecordingScanVC *scan = presentRecording(makeTreeWithoutDuplicates());
    scan->clickedStartScanning();
    ASSERT_TRUE(waitUntil([this] { return !isScanning && !alerts.isEmpty(); }));
    EXPECT_EQ(scan->steps.last().report, QStringLiteral("not-completed"));
    EXPECT_EQ(visibleBoxes(), kReadyBoxes);
    EXPECT_EQ(usableButtons(), kReadyButtons);
    EXPECT_EQ(alerts, QStringList{localizedString(QStringLiteral("IDS_TMR_92")) + QStringLiteral("! / ") +
                                  localizedString(QStringLiteral("IDS_TMR_150"))});
    // The chips are still there and a second Start runs again.
    EXPECT_EQ(outlet<QListWidget>("collectionView")->count(), 1);
    scan->clickedStartScanning();
    EXPECT_TRUE(isScanning);
    ASSERT_TRUE(waitUntil([] { return !isScanning; }));
}

TEST_F(ScanStatesTest, progressTextsAreTruncatedPercentagesWithinZeroToOneHundred)
{
    ScanVC *scan = presentScanScreen({TestEnvironment::root()});
    scan->clickedStartScanning();
    auto *ring = outlet<CircularProgressView>("progressView");
    struct Case
    {
        std::function<void()> report;
        QString percent;
        double progress;
    };
    const QList<Case> cases{
            {[scan] { scan->updateScanProgress(9, 14); }, QStringLiteral("64%"), 0.64},
            {[scan] { scan->updateScanProgress(14, 14); }, QStringLiteral("100%"), 1.0},
            {[scan] { scan->updateScanProgress(0, 0); }, QStringLiteral("0%"), 0.0},
            {[scan] { scan->updateScanProgress(5, 0); }, QStringLiteral("0%"), 0.0},
            {[scan] { scan->updateScanProgress(20, 14); }, QStringLiteral("100%"), 1.0},
            {[scan] { scan->updateScanProgress(-3, 14); }, QStringLiteral("0%"), 0.0},
            {[scan] { scan->beginSecondStepProgress(); }, QStringLiteral("0%"), 0.0},
            {[scan] { scan->showDigestProgress(37); }, QStringLiteral("37%"), 0.37},
            {[scan] { scan->showComparisonProgress(6); }, QStringLiteral("81%"), 0.81},
            {[scan] { scan->showComparisonProgress(40); }, QStringLiteral("100%"), 1.0},
            {[scan] { scan->showSearchFinished(); }, QStringLiteral("100%"), 1.0},
    };
    for (const Case &c : cases) {
        c.report();
        EXPECT_EQ(text("lblProgressPercent"), c.percent);
        EXPECT_NEAR(ring->progress(), c.progress, 1e-9) << c.percent.toStdString();
    }
    EXPECT_EQ(text("lblStepProgress"), localizedString(QStringLiteral("IDS_TMR_80")).toUpper());
    EXPECT_EQ(text("lblProgressStatus"), localizedString(QStringLiteral("IDS_TMR_109")));
    scan->showDuplicateSizeFound(QStringLiteral("1.5 MB"));
    EXPECT_EQ(text("lblTotolSizeFoundScanInProgress"), QStringLiteral("1.5 MB ") + localizedString(QStringLiteral("IDS_TMR_94")));
    scan->showFolderSizePath(QStringLiteral("/a/b"));
    scan->showCandidatePath(QStringLiteral("/a/b/c.txt"));
    EXPECT_EQ(text("lblPathScanInProgress"), QStringLiteral("/a/b/c.txt"));
    // Let the run end before the screen goes.
    ASSERT_TRUE(waitUntil([] { return !isScanning; }));
}

TEST_F(ScanStatesTest, rendersOfBothProgressSteps)
{
    ScanVC *scan = presentScanScreen({TestEnvironment::root()});
    makeQuick(scan, std::chrono::milliseconds(60000));
    scan->clickedStartScanning();
    scan->updateScanProgress(9, 14);
    scan->showFolderSizePath(TestEnvironment::root() + QStringLiteral("/Pictures/Holidays"));
    saveRender(scan, QStringLiteral("scan_screen_step1"));
    scan->beginSecondStepProgress();
    scan->showComparisonProgress(6);
    scan->showCandidatePath(TestEnvironment::root() + QStringLiteral("/Pictures/Holidays/beach.jpg"));
    scan->showDuplicateSizeFound(QStringLiteral("12.4 MB"));
    saveRender(scan, QStringLiteral("scan_screen_step2"));
}

TEST_F(ScanStatesTest, aPhotosLibraryThatCannotBeReadIsToldAndTheScanGoesOn)
{
    QStringList roots = makeTreeWithDuplicates();
    const QString library = TestEnvironment::makeTemporaryFolder(QStringLiteral("photos")) + QStringLiteral("/Broken.photoslibrary");
    ASSERT_TRUE(QDir().mkpath(library));
    roots.append(library);
    ScanVC *scan = presentScanScreen(roots);
    makeQuick(scan);
    scan->clickedStartScanning();
    ASSERT_TRUE(waitUntil([] { return !isScanning; }));
    EXPECT_TRUE(isScanFinished);
    EXPECT_EQ(alerts, QStringList{localizedString(QStringLiteral("IDS_TMR_1001")) + QStringLiteral(" / ") +
                                  localizedString(QStringLiteral("IDS_TMR_1002"))});
}

TEST_F(ScanStatesTest, filesTheRunCouldNotReadAreToldInBothEnds)
{
    ScanVC *scan = presentScanScreen({TestEnvironment::root()});
    auto *line = outlet<QLabel>("lblUnreadableFiles");
    scan->reportUnreadableFiles(3);
    scan->showScanCompletedSummary(ScanSummary{});
    EXPECT_FALSE(line->isHidden());
    EXPECT_TRUE(line->text().contains(QLatin1String("3")));
    scan->scanEndedWithoutResults();
    ASSERT_TRUE(waitUntil([this] { return !alerts.isEmpty(); }));
    EXPECT_TRUE(alerts.first().endsWith(line->text()));
    // A run that read everything says nothing more.
    alerts.clear();
    scan->reportUnreadableFiles(0);
    EXPECT_TRUE(line->isHidden());
    scan->scanEndedWithoutResults();
    ASSERT_TRUE(waitUntil([this] { return !alerts.isEmpty(); }));
    EXPECT_TRUE(alerts.first().endsWith(localizedString(QStringLiteral("IDS_TMR_150"))));
}

TEST_F(ScanStatesTest, onlyTheWindowControlBoxTurnsTheDotsIntoTheirGlyphs)
{
    presentScanScreen({TestEnvironment::root()});
    auto *close = outlet<QPushButton>("btnClose");
    auto glyph = [close] { return close->icon().pixmap(12, 12).toImage().convertToFormat(QImage::Format_ARGB32); };
    auto picture = [](const QString &base64) {
        return QPixmap::fromImage(EmbeddedImages::decodeImage(base64).value_or(QImage()))
                .scaled(12, 12)
                .toImage()
                .convertToFormat(QImage::Format_ARGB32);
    };
    const QImage plain = glyph();
    EXPECT_TRUE(plain == picture(EmbeddedImages::closeButtonImage()));
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(outlet<QWidget>("boxReadyToScan"), &enter);
    EXPECT_TRUE(glyph() == plain);
    QApplication::sendEvent(outlet<QWidget>("boxStandardButtons"), &enter);
    EXPECT_TRUE(glyph() == picture(EmbeddedImages::closeButtonHoverImage()));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(outlet<QWidget>("boxStandardButtons"), &leave);
    EXPECT_TRUE(glyph() == plain);
}

TEST_F(ScanStatesTest, showingTheScreenDuringARunOrADialogChangesNothing)
{
    ScanVC *scan = presentScanScreen({TestEnvironment::root()});
    struct Case
    {
        const char *name;
        bool *flag;
    };
    for (const Case &c : {Case{"scanning", &isScanning}, Case{"dialog", &isScanDialogShown},
                          Case{"overlay", &isOverlayDialogShown}}) {
        outlet<QWidget>("btnBack")->setEnabled(false);
        outlet<QWidget>("boxTopLayer")->show();
        *c.flag = true;
        scan->viewWillAppear();
        EXPECT_FALSE(outlet<QWidget>("btnBack")->isEnabled()) << c.name;
        EXPECT_FALSE(outlet<QWidget>("boxTopLayer")->isHidden()) << c.name;
        *c.flag = false;
    }
    scan->viewWillAppear();
    EXPECT_TRUE(outlet<QWidget>("btnBack")->isEnabled());
    EXPECT_TRUE(outlet<QWidget>("boxTopLayer")->isHidden());
}

} // namespace
