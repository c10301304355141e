#include "RemovalFixture.h"
#include "ScreenStandIns.h"

#include <AccessibleWalk.h>

#include <Alert.h>
#include <AutoMarking.h>
#include <CategoryLists.h>
#include <CircularProgressView.h>
#include <DeleteDuplicatePhotosVC.h>
#include <DeleteVC.h>
#include <KitAccessibility.h>
#include <Localization.h>
#include <ProcessState.h>
#include <RemovalScreens.h>
#include <ResultQueries.h>
#include <ScanFixture.h>
#include <ScreenRegistry.h>
#include <TestEnvironment.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QSemaphore>

#include <gtest/gtest.h>

#include <cmath>

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

class SheetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        loadLocalizationTable();
        ScreenRegistry::instance().reset();
        registerRemovalScreens();
        results = new ResultsStandIn;
        ScreenRegistry::instance().put(QLatin1String(ScreenId::Dashboard), results);
        results->show();
        DeleteVC::setCompletionDelay(0);
        DeleteVC::setFileManager(&files);
        alerts.clear();
        setAlertRunner([this](QMessageBox &alert) {
            alerts.append(alert.text() + '\n' + alert.informativeText());
            saveRender(alert, QStringLiteral("alert-%1").arg(alerts.size()));
        });
        removalMode() = MovingType::Trash();
        isBackFromRemoval = false;
    }

    void TearDown() override
    {
        DeleteVC::setQuestionRunner({});
        DeleteVC::setFileManager(nullptr);
        setAlertRunner({});
        ScreenRegistry::instance().reset();
    }

    DeleteVC *sheet() { return ScreenRegistry::instance().get<DeleteVC>(QLatin1String(ScreenId::Delete)); }

    // Four Documents groups of two; the second copy of each marked.
    QStringList makePairs(int count = 4)
    {
        const QString root = TestEnvironment::makeTemporaryFolder("sheet");
        QList<QStringList> groups;
        QStringList marked;
        for (int g = 0; g < count; ++g) {
            const QByteArray bytes = ScanFixture::uniqueBytes(100);
            writeFile(root + QStringLiteral("/a/f%1.txt").arg(g), bytes);
            writeFile(root + QStringLiteral("/b/f%1.txt").arg(g), bytes);
            groups.append({root + QStringLiteral("/a/f%1.txt").arg(g), root + QStringLiteral("/b/f%1.txt").arg(g)});
            marked.append(root + QStringLiteral("/b/f%1.txt").arg(g));
        }
        makeStore({{ScanResultKeys::Documents, groups}});
        for (int g = 0; g < count; ++g)
            mark(1, g, 1);
        return marked;
    }

    // Presses the sheet's button while the given copy is in hand; that copy
    // waits until the question has been answered, as a slow removal would.
    void askTheStopQuestionAt(int operation, DeleteVC::QuestionRunner answer)
    {
        files.beforeOperation = [this, operation](const QByteArray &) {
            if (files.operations != operation)
                return;
            QMetaObject::invokeMethod(sheet(), [this] { sheet()->clickedCancel(); }, Qt::QueuedConnection);
            EXPECT_TRUE(answered.tryAcquire(1, 60000));
        };
        DeleteVC::setQuestionRunner([this, answer](QMessageBox &question) {
            answer(question);
            answered.release();
        });
    }

    void waitForTheWayBack()
    {
        waitFor([this] { return results->calls.contains("showHomeWindow"); });
        ASSERT_TRUE(results->calls.contains("showHomeWindow"));
    }

    ScriptedFileManager files;
    QSemaphore answered;
    ResultsStandIn *results = nullptr;
    QStringList alerts;
};

} // namespace

TEST_F(SheetTest, ScanKeepNewestTrashWithConfirmation)
{
    const QString root = TestEnvironment::makeTemporaryFolder("end-to-end");
    const QByteArray bytes = ScanFixture::uniqueBytes(5000);
    for (int i = 0; i < 3; ++i) {
        const QString path = root + QStringLiteral("/copy%1/report.pdf").arg(i);
        writeFile(path, bytes);
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::fromSecsSinceEpoch(1500000000 + i * 1000), QFileDevice::FileModificationTime);
    }
    ASSERT_TRUE(ScanFixture::runScan({root}).completed);
    rebuildRowsFromResults();
    markAllButNewest(1);
    confirmBeforeDeletingPhotosEnabled = true;

    RemovalHandOff::clickedTrashedMarked(results);
    auto *confirmation =
        ScreenRegistry::instance().peek<DeleteDuplicatePhotosVC>(QLatin1String(ScreenId::DeleteDuplicatePhotos));
    ASSERT_NE(confirmation, nullptr);
    EXPECT_TRUE(confirmation->isVisible());
    EXPECT_TRUE(results->topLayerParent->isVisible());
    EXPECT_EQ(ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::Delete)), nullptr);
    confirmation->tappedOk();
    ASSERT_NE(sheet(), nullptr);
    EXPECT_TRUE(sheet()->isVisible());
    EXPECT_TRUE(results->topLayerParent->isVisible());
    waitForTheWayBack();

    const QHash<QString, QByteArray> trash = trashContents();
    const QByteArray digest = md5Of(root + "/copy2/report.pdf");
    EXPECT_EQ(trash.value(root + "/copy0/report.pdf"), digest);
    EXPECT_EQ(trash.value(root + "/copy1/report.pdf"), digest);
    EXPECT_FALSE(QFileInfo::exists(root + "/copy0/report.pdf"));
    EXPECT_TRUE(alerts.isEmpty()) << alerts.join('|').toStdString();
    EXPECT_FALSE(sheet()->isVisible());
    EXPECT_FALSE(results->topLayerParent->isVisible());
    EXPECT_TRUE(isBackFromRemoval);
    EXPECT_TRUE(allDuplicatesRemoved);
    EXPECT_EQ(removedItemTallies().at(2).count, 2); // Documents
    EXPECT_EQ(removedItemTallies().at(2).bytes, 10000u);
    EXPECT_EQ(sheet()->findChild<QLabel *>("lblProgressPercent")->text(), "100.0%");
    EXPECT_EQ(results->calls, QStringList({"updateTrashButton", "observerDeleteMarked", "clearResultsPreview",
                                           "resetSelectedRows", "showHomeWindow"}));

    // The results window goes at every way back; the two sheets stay.
    QPointer<QWidget> kept = sheet();
    QPointer<QWidget> keptConfirmation = confirmation;
    ScreenRegistry::instance().release(QLatin1String(ScreenId::Dashboard));
    results = nullptr;
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(kept.isNull());
    EXPECT_FALSE(keptConfirmation.isNull());
}

TEST_F(SheetTest, ConfirmationOffGoesStraightToTheSheetAndNothingMarkedShowsNone)
{
    makePairs(1);
    confirmBeforeDeletingPhotosEnabled = false;
    markedCategories().first().groupIndexes[0].clear();
    RemovalHandOff::clickedTrashedMarked(results);
    EXPECT_EQ(ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::Delete)), nullptr);
    EXPECT_FALSE(results->topLayerParent->isVisible());

    mark(1, 0, 1);
    RemovalHandOff::clickedTrashedMarked(results);
    ASSERT_NE(sheet(), nullptr);
    EXPECT_EQ(ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::DeleteDuplicatePhotos)), nullptr);
    waitForTheWayBack();
}

TEST_F(SheetTest, StopAfterSomeCopiesKeepsTheRestAndReportsThem)
{
    const QStringList marked = makePairs(4);
    DeleteVC *deleteSheet = sheet();
    QMessageBox *asked = nullptr;
    // The user presses the sheet's button while the second copy is handled.
    askTheStopQuestionAt(2, [&](QMessageBox &question) {
        asked = &question;
        saveRender(question, "stop-question");
        saveRender(*deleteSheet, "sheet-paused");
        for (QAbstractButton *button : question.buttons()) {
            if (button->text() == localizedString("IDS_TMR_111"))
                button->click();
        }
    });
    RemovalHandOff::presentDeleteSheet(results);
    waitForTheWayBack();
    ASSERT_NE(asked, nullptr);
    // The copy in hand went; the two after it were never started.
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(QFileInfo::exists(marked.at(i)), i >= 2) << marked.at(i).toStdString();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().contains("2 marked copies were")) << alerts.first().toStdString();
    EXPECT_TRUE(alerts.first().contains(marked.at(2) + " (stopped before it was handled)"))
        << alerts.first().toStdString();
    EXPECT_EQ(storedPaths().size(), 4);
}

// A reader asking the sheet, or its stop question, for a child or cell it
// has not, while the run is under way, is answered with nothing.
TEST_F(SheetTest, TheSheetAndItsQuestionAnswerNothingForAChildTheyHaveNot)
{
    // As the program does before its first window.
    KitAccessibility::install();
    makePairs(2);
    DeleteVC *deleteSheet = sheet();
    askTheStopQuestionAt(2, [&](QMessageBox &question) {
        for (QWidget *asked : {static_cast<QWidget *>(deleteSheet), static_cast<QWidget *>(&question)}) {
            const AccessibleWalk walk(QAccessible::queryAccessibleInterface(asked));
            EXPECT_GE(walk.visited, 5) << asked->metaObject()->className();
            EXPECT_TRUE(walk.wrongAnswers.isEmpty()) << walk.wrongAnswers.join('\n').toStdString();
        }
        for (QAbstractButton *button : question.buttons()) {
            if (button->text() == localizedString("IDS_TMR_112"))
                button->click();
        }
    });
    RemovalHandOff::presentDeleteSheet(results);
    waitForTheWayBack();
}

// The stop question reads as a dialog that says what it asks: named by its
// title and described by its question, and each answer carries the
// question, so a reader landing on Continue says more than "Continue". What
// it shows stays as it was.
TEST_F(SheetTest, TheStopQuestionIsADialogThatSaysWhatItAsks)
{
    KitAccessibility::install();
    makePairs(2);
    const QString asks = localizedString("IDS_TMR_158");
    int asked = 0;
    askTheStopQuestionAt(1, [&](QMessageBox &question) {
        ++asked;
        EXPECT_EQ(question.text(), asks);
        EXPECT_EQ(question.informativeText(), asks);
        QAccessibleInterface *dialog = QAccessible::queryAccessibleInterface(&question);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->role(), QAccessible::Dialog);
        EXPECT_EQ(dialog->text(QAccessible::Name), localizedString("IDS_TMR_1"));
        EXPECT_EQ(dialog->text(QAccessible::Description), asks);
        const QList<QAbstractButton *> answers = question.buttons();
        ASSERT_EQ(answers.size(), 2);
        for (QAbstractButton *answer : answers) {
            SCOPED_TRACE(answer->text().toStdString());
            EXPECT_EQ(QAccessible::queryAccessibleInterface(answer)->text(QAccessible::Description), asks);
        }
        // Continue: the run goes on to its end.
        question.escapeButton()->click();
    });
    RemovalHandOff::presentDeleteSheet(results);
    waitForTheWayBack();
    EXPECT_EQ(asked, 1);
}

TEST_F(SheetTest, ContinueResumesWhereTheRunWaited)
{
    const QStringList marked = makePairs(3);
    int asked = 0;
    bool laterCopiesWaited = false;
    askTheStopQuestionAt(1, [&](QMessageBox &question) {
        ++asked;
        laterCopiesWaited = QFileInfo::exists(marked.at(1)) && QFileInfo::exists(marked.at(2));
        for (QAbstractButton *button : question.buttons()) {
            if (button->text() == localizedString("IDS_TMR_112"))
                button->click();
        }
    });
    RemovalHandOff::presentDeleteSheet(results);
    waitForTheWayBack();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(laterCopiesWaited);
    for (const QString &path : marked)
        EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_TRUE(alerts.isEmpty());
}

TEST_F(SheetTest, AWalkEndingUnderTheStopQuestionClosesItAndALateStopDoesNothing)
{
    const QStringList marked = makePairs(2);
    bool closedUnderUs = false;
    DeleteVC::setQuestionRunner([&](QMessageBox &question) {
        // The walk ends while the question is up (released here, as if it had
        // passed its last check), and closes the question.
        sheet()->run()->control().setPaused(false);
        waitFor([&] { return !sheet()->isRunning(); });
        closedUnderUs = question.result() == QMessageBox::Cancel;
        for (QAbstractButton *button : question.buttons()) {
            if (button->text() == localizedString("IDS_TMR_111"))
                button->click();
        }
    });
    files.beforeOperation = [this](const QByteArray &) {
        if (files.operations == 1)
            QMetaObject::invokeMethod(sheet(), [this] { sheet()->clickedCancel(); }, Qt::QueuedConnection);
    };
    RemovalHandOff::presentDeleteSheet(results);
    waitForTheWayBack();
    EXPECT_TRUE(closedUnderUs);
    for (const QString &path : marked)
        EXPECT_FALSE(QFileInfo::exists(path));
    EXPECT_EQ(std::count(results->calls.begin(), results->calls.end(), "showHomeWindow"), 1);
}

TEST_F(SheetTest, ABadDestinationStopsTheRunWithAMessageAndTouchesNothing)
{
    const QStringList marked = makePairs(2);
    const QString root = TestEnvironment::makeTemporaryFolder("bad-dest");
    writeFile(root + "/file", "x");
    removalMode() = MovingType::Folder(root + "/file", false);
    RemovalHandOff::presentDeleteSheet(results);
    waitFor([this] { return !alerts.isEmpty(); });
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().startsWith(localizedString("IDS_TMR_1704")));
    waitFor([this] { return !sheet()->isVisible(); });
    EXPECT_FALSE(results->topLayerParent->isVisible());
    for (const QString &path : marked)
        EXPECT_TRUE(QFileInfo::exists(path));
    EXPECT_TRUE(hasMarkedItems());
    EXPECT_FALSE(results->calls.contains("showHomeWindow"));
}

TEST_F(SheetTest, FolderClashShowsTheNotMovedAlertThenTheReport)
{
    const QStringList marked = makePairs(2);
    const QString root = TestEnvironment::makeTemporaryFolder("clash");
    writeFile(root + "/f0.txt", "in the way");
    removalMode() = MovingType::Folder(root, false);
    RemovalHandOff::presentDeleteSheet(results);
    waitForTheWayBack();
    ASSERT_EQ(alerts.size(), 2);
    EXPECT_EQ(alerts.at(0), localizedString("IDS_TMR_53") + '\n' + localizedString("IDS_TMR_54"));
    EXPECT_TRUE(alerts.at(1).contains(marked.at(0)));
    EXPECT_TRUE(QFileInfo::exists(marked.at(0)));
    EXPECT_FALSE(QFileInfo::exists(marked.at(1)));
    EXPECT_EQ(sheet()->findChild<QLabel *>("lblProgressPercent")->text(), "50.0%");
}

TEST_F(SheetTest, TheSheetAtZeroAndHalfWay)
{
    makePairs(2);
    // The run holds inside its second copy, so the sheet can be looked at.
    QSemaphore looked;
    files.beforeOperation = [&](const QByteArray &) {
        if (files.operations == 2) {
            EXPECT_TRUE(looked.tryAcquire(1, 60000));
        }
    };
    RemovalHandOff::presentDeleteSheet(results);
    QLabel *percent = sheet()->findChild<QLabel *>("lblProgressPercent");
    EXPECT_EQ(percent->text(), "0%");
    EXPECT_EQ(sheet()->findChild<QLabel *>("lblTotalSelectedFiles")->text(), "2");
    saveRender(*sheet(), "sheet-start");
    waitFor([&] { return percent->text() == "50.0%"; });
    EXPECT_EQ(percent->text(), "50.0%");
    EXPECT_EQ(sheet()->findChild<QLabel *>("lbltotalDuplicateFiles")->text(), "1");
    saveRender(*sheet(), "sheet-mid-run");
    looked.release();
    waitForTheWayBack();
}

TEST_F(SheetTest, QuittingStopsAfterTheCopyInHandAndKeepsWhatWasDone)
{
    const QStringList marked = makePairs(4);
    DeleteVC *deleteSheet = sheet();
    files.beforeOperation = [&](const QByteArray &) {
        if (files.operations == 2)
            deleteSheet->run()->control().setPaused(true);
    };
    RemovalHandOff::presentDeleteSheet(results);
    waitFor([this] { return sheet()->run()->control().isPaused(); });
    sheet()->stopAndApply();
    EXPECT_FALSE(sheet()->isRunning());
    int removed = 0;
    for (const QString &path : marked)
        removed += QFileInfo::exists(path) ? 0 : 1;
    EXPECT_EQ(removed, 2);
    EXPECT_EQ(storedPaths().size(), 4);
    EXPECT_FALSE(hasMarkedItems());
    EXPECT_TRUE(results->calls.contains("clearResultsPreview"));
}

// An unrelated file of a copy's name in the destination folder goes to the
// Trash to make room; the report after the run says so.
TEST_F(SheetTest, AnItemMovedAsideFromTheFolderIsReported)
{
    const QStringList marked = makePairs(2);
    const QString destination = TestEnvironment::makeTemporaryFolder("moved-aside");
    writeFile(destination + "/f0.txt", "in the way");
    removalMode() = MovingType::Folder(destination, true);
    RemovalHandOff::presentDeleteSheet(results);
    waitForTheWayBack();
    for (const QString &path : marked)
        EXPECT_FALSE(QFileInfo::exists(path));
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_TRUE(alerts.first().contains(destination + "/f0.txt")) << alerts.first().toStdString();
    EXPECT_TRUE(alerts.first().contains("Trash")) << alerts.first().toStdString();
    EXPECT_TRUE(trashContents().contains(destination + "/f0.txt"));
}

// Shares such as two in three have many digits; the text stays whole and
// inside the ring's opening.
TEST_F(SheetTest, ALongPercentFitsInsideTheRing)
{
    const QStringList marked = makePairs(3);
    files.failTrash = {"/b/f2.txt"};
    QString shown;
    bool fits = false;
    setAlertRunner([&](QMessageBox &) {
        // The report comes while the sheet still shows the run's end.
        QLabel *percent = sheet()->findChild<QLabel *>("lblProgressPercent");
        auto *ring = sheet()->findChild<CircularProgressView *>("progressView");
        shown = percent->text();
        const QFontMetrics metrics(percent->font());
        const int textWidth = metrics.horizontalAdvance(shown);
        // The ring's arc is drawn at 88 % of its half width; its opening is
        // what lies inside the line.
        const qreal opening = ring->width() * 0.5 * 0.88 - ring->progressLineWidth() / 2;
        const QPointF centre = QRectF(ring->mapTo(sheet(), QPoint(0, 0)), ring->size()).center();
        const QPointF textCentre = QRectF(percent->geometry()).center();
        fits = textWidth <= percent->contentsRect().width();
        for (const QPointF corner : {QPointF(-textWidth / 2.0, -metrics.height() / 2.0),
                                     QPointF(textWidth / 2.0, metrics.height() / 2.0)}) {
            const QPointF offset = textCentre + corner - centre;
            fits = fits && std::hypot(offset.x(), offset.y()) <= opening;
        }
        saveRender(*sheet(), "sheet-long-percent");
    });
    RemovalHandOff::presentDeleteSheet(results);
    waitForTheWayBack();
    EXPECT_EQ(shown, "66.66666666666667%");
    EXPECT_TRUE(fits);
}
