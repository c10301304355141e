#include "RemovalFixture.h"

#include <CategoryLists.h>
#include <ProcessState.h>
#include <RemovalStore.h>
#include <ReviewSession.h>
#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

QStringList markedPaths()
{
    QStringList paths;
    for (const CopyLocation &location : markedCopyLocations()) {
        if (const InitialDirectory *record = recordAt(location))
            paths.append(record->url->toLocalFile());
    }
    return paths;
}

} // namespace

// What the user is told after a run: every marked copy that stayed, with why,
// and every item that went from the destination folder to make room.

TEST(RemovalReport, AnItemMovedAsideFromTheDestinationIsNamed)
{
    struct Case
    {
        const char *name;
        bool overwrite;
        QStringList failMove;
        CopyOutcome outcome;
        bool movedAside;
    };
    const QList<Case> cases = {
        {"overwrite on", true, {}, CopyOutcome::Removed, true},
        {"overwrite on, the move then fails", true, {"src"}, CopyOutcome::Failed, true},
        {"overwrite off", false, {}, CopyOutcome::Exists, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString root = TestEnvironment::makeTemporaryFolder("moved-aside");
        const QByteArray bytes = ScanFixture::uniqueBytes(300);
        writeFile(root + "/keep/name.txt", bytes);
        writeFile(root + "/src/name.txt", bytes);
        writeFile(root + "/dest/name.txt", "unrelated");
        makeStore({{ScanResultKeys::Documents, {{root + "/keep/name.txt", root + "/src/name.txt"}}}});
        mark(1, 0, 1);

        ScriptedFileManager files;
        files.failMove = c.failMove;
        RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(root + "/dest", c.overwrite));
        ASSERT_EQ(prepareFolderDestination(plan, files), std::nullopt);
        RemovalRun run(plan, files);
        runToEnd(run);
        EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{c.outcome});
        const QByteArray expected = c.movedAside ? QFile::encodeName(root + "/dest/name.txt") : QByteArray();
        EXPECT_EQ(run.result().replaced, QList<QByteArray>{expected});
        EXPECT_EQ(trashContents().contains(root + "/dest/name.txt"), c.movedAside);

        const QString report = movedAsideReport(run.plan(), run.result());
        EXPECT_EQ(report.contains(root + "/dest/name.txt"), c.movedAside) << report.toStdString();
        EXPECT_EQ(report.contains("Trash"), c.movedAside) << report.toStdString();
    }
}

// A copy moved without some of its attributes is removed, and the report of
// the run says what it left behind; a copy moved whole is in no report.
TEST(RemovalReport, AttributesLeftBehindByAMoveAreNamed)
{
    const QString root = TestEnvironment::makeTemporaryFolder("attributes");
    makeStore({{ScanResultKeys::Documents, writeNamedPairs(root, {"first", "second"})}});
    mark(1, 0, 1);
    mark(1, 1, 1);
    ScriptedFileManager files;
    files.beforeOperation = [&files](const QByteArray &path) {
        files.moveNote = path.contains("second") ? QStringLiteral("moved, but not with its attribute user.tag (refused)") : QString();
    };
    RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(root + "/dest", false));
    ASSERT_EQ(prepareFolderDestination(plan, files), std::nullopt);
    RemovalRun run(plan, files);
    runToEnd(run);
    EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>(2, CopyOutcome::Removed));
    resetRemovalTotals();
    const RemovalSummary summary = applyRemovalResult(run.plan(), run.result());
    EXPECT_EQ(keptCopiesReport(run.plan(), run.result(), summary), QString());
    EXPECT_EQ(attributesNotKeptReport(run.plan(), run.result()),
              "1 copy was moved without some of its attributes:\n" + root
                  + "/y/second.txt (moved, but not with its attribute user.tag (refused))");
}

TEST(RemovalReport, ACopyNotReachedSaysItWasStopped)
{
    const QString root = TestEnvironment::makeTemporaryFolder("not-reached");
    const QByteArray bytes = ScanFixture::uniqueBytes(100);
    writeFile(root + "/a/x.txt", bytes);
    writeFile(root + "/b/x.txt", bytes);
    makeStore({{ScanResultKeys::Documents, {{root + "/a/x.txt", root + "/b/x.txt"}}}});
    mark(1, 0, 1);
    RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
    run.control().setAbort(true);
    runToEnd(run);
    EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{CopyOutcome::NotReached});
    EXPECT_EQ(run.result().reasons, QStringList{"stopped before it was handled"});
    resetRemovalTotals();
    const RemovalSummary summary = applyRemovalResult(run.plan(), run.result());
    EXPECT_TRUE(keptCopiesReport(run.plan(), run.result(), summary)
                    .contains(root + "/b/x.txt (stopped before it was handled)"));
}

// A copy marked before a search, in a group the search hides, is not in the
// run's plan: it stays, keeps its mark, and the report counts it.
TEST(RemovalReport, AMarkInAGroupHiddenBySearchIsKeptAndReported)
{
    const QString root = TestEnvironment::makeTemporaryFolder("hidden-marks");
    makeStore({{ScanResultKeys::Documents, writeNamedPairs(root, {"apple", "banana", "cherry"})}});
    ReviewSession session;
    session.reloadCategories(false);
    session.smartCheckAllGroups(ReviewSession::SmartCheckMode::KeepFirst);
    const QStringList markedBefore = markedPaths();
    ASSERT_EQ(markedBefore.size(), 3);
    session.applySearch("banana");
    ASSERT_TRUE(session.isSearchActive());
    QStringList hidden;
    QString shown;
    for (const QString &path : markedBefore) {
        if (path.contains("banana"))
            shown = path;
        else
            hidden.append(path);
    }

    RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
    ASSERT_EQ(run.plan().totalSelected(), 1);
    runToEnd(run);
    resetRemovalTotals();
    const RemovalSummary summary =
        applyRemovalResult(run.plan(), run.result(), [&session] { session.endSearch(); });
    EXPECT_FALSE(session.isSearchActive());
    EXPECT_FALSE(QFileInfo::exists(shown));
    for (const QString &path : hidden)
        EXPECT_TRUE(QFileInfo::exists(path));

    EXPECT_EQ(markedPaths(), hidden);
    EXPECT_EQ(summary.removed, 1);
    EXPECT_EQ(summary.hiddenMarked.size(), 2);
    const QString report = keptCopiesReport(run.plan(), run.result(), summary);
    EXPECT_TRUE(report.startsWith("2 marked copies were left in place:")) << report.toStdString();
    for (const QString &path : hidden)
        EXPECT_TRUE(report.contains(path + " (its group was hidden by the search)")) << report.toStdString();
}
