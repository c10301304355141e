#include "RemovalFixture.h"

#include <ProcessState.h>
#include <RemovalStore.h>
#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace RemovalFixture;
using ScanFixture::makeBundle;
using ScanFixture::writeFile;

// Removing a folder takes along whatever lies inside it. Application bundles
// are grouped by their identifier, so one copy of a group can lie inside
// another, or inside a marked bundle of another group.

TEST(NestedCopies, ACopyThatHoldsOrLiesInsideAnotherOfItsGroupIsKept)
{
    struct Case
    {
        const char *name;
        QString second; // the group's second bundle, below the root
        int marked;     // which of the two is marked
        CopyOutcome outcome;
        QString reason;
    };
    const QList<Case> cases = {
        {"the marked bundle holds the other", "/Outer.app/Contents/Resources/Inner.app", 0, CopyOutcome::KeptLastCopy,
         "holds another copy of its group"},
        {"the marked bundle lies inside the other", "/Outer.app/Contents/Resources/Inner.app", 1,
         CopyOutcome::KeptLastCopy, "lies inside another copy of its group"},
        {"a name that only starts the same is no folder of it", "/Outer.apps/Inner.app", 0, CopyOutcome::Removed, ""},
    };
    const QString destination = TestEnvironment::makeTemporaryFolder("nested-dest");
    const QList<MovingType> modes = {MovingType::Trash(), MovingType::Permanently(),
                                     MovingType::Folder(destination, true)};
    for (const Case &c : cases) {
        for (const MovingType &mode : modes) {
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(int(mode.kind)));
            const QString root = TestEnvironment::makeTemporaryFolder("nested");
            const QString outer = root + "/Outer.app";
            const QString inner = root + c.second;
            makeBundle(outer, "com.example.tool", ScanFixture::uniqueBytes(300));
            makeBundle(inner, "com.example.tool", ScanFixture::uniqueBytes(200));
            const QString marked = c.marked == 0 ? outer : inner;
            const QString other = c.marked == 0 ? inner : outer;
            makeStore({{ScanResultKeys::Application, {{outer, inner}}}});
            mark(1, 0, c.marked);

            RemovalPlan plan = RemovalPlan::fromStore(mode);
            ASSERT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
            RemovalRun run(plan, FileManager::defaultManager());
            runToEnd(run);
            EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{c.outcome});
            EXPECT_EQ(run.result().reasons.value(0), c.reason);
            EXPECT_TRUE(QFileInfo::exists(other + "/Contents/MacOS/tool"));
            const bool kept = c.outcome != CopyOutcome::Removed;
            EXPECT_EQ(QFileInfo::exists(marked + "/Contents/MacOS/tool"), kept);

            resetRemovalTotals();
            const RemovalSummary summary = applyRemovalResult(run.plan(), run.result());
            EXPECT_EQ(summary.kept, kept ? 1 : 0);
            EXPECT_EQ(storedPaths().contains(marked), kept);
            const QString report = keptCopiesReport(run.plan(), run.result(), summary);
            EXPECT_EQ(report.contains(marked + " (" + c.reason + ")"), kept) << report.toStdString();
            QDir(destination + "/Outer.app").removeRecursively();
        }
    }
}

// Group 0's unmarked bundle lies inside the marked bundle of group 1.
// Removing that bundle would take an unmarked copy along, so it stays, in
// whichever order the groups come; group 0's marked copy goes, as its keeper
// stays with it.
TEST(NestedCopies, AMarkedFolderHoldingAnUnmarkedCopyStays)
{
    struct Case
    {
        const char *name;
        QStringList keepers; // group 0's unmarked copies, below the root
        bool hostStays;
    };
    const QList<Case> cases = {
        {"its only keeper lies inside", {"/Host.app/Contents/PlugIns/Plugin.app"}, true},
        {"another keeper lies outside", {"/Host.app/Contents/PlugIns/Plugin.app", "/spare/Plugin.app"}, true},
        {"a name that only starts the same", {"/Host.apps/Plugin.app"}, false},
    };
    for (const Case &c : cases) {
        for (const bool hostFirst : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (hostFirst ? ", the host's group first" : ""));
            const QString root = TestEnvironment::makeTemporaryFolder("inside-marked");
            makeBundle(root + "/Host.app", "com.example.host", "host");
            makeBundle(root + "/OtherHost.app", "com.example.host", "other host");
            makeBundle(root + "/loose/Plugin.app", "com.example.plugin", "plugin");
            QStringList plugins = {root + "/loose/Plugin.app"};
            for (const QString &keeper : c.keepers) {
                makeBundle(root + keeper, "com.example.plugin", "plugin");
                plugins.append(root + keeper);
            }
            const QStringList hosts = {root + "/Host.app", root + "/OtherHost.app"};
            makeStore({{ScanResultKeys::Application, hostFirst ? QList<QStringList>{hosts, plugins}
                                                               : QList<QStringList>{plugins, hosts}}});
            mark(1, 0, 0);
            mark(1, 1, 0);

            RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
            runToEnd(run);
            ASSERT_EQ(run.plan().copies.size(), 2);
            for (int i = 0; i < 2; ++i) {
                const bool isHost = run.plan().copies.at(i).path.endsWith("/Host.app");
                const CopyOutcome expected =
                    isHost && c.hostStays ? CopyOutcome::KeptLastCopy : CopyOutcome::Removed;
                EXPECT_EQ(run.result().outcomes.at(i), expected) << run.result().reasons.at(i).toStdString();
                if (expected == CopyOutcome::KeptLastCopy) {
                    EXPECT_EQ(run.result().reasons.at(i),
                              "holds " + root + c.keepers.first() + ", a copy this run keeps");
                }
            }
            for (const QString &keeper : c.keepers)
                EXPECT_TRUE(QFileInfo::exists(root + keeper + "/Contents/MacOS/tool"));
            EXPECT_FALSE(QFileInfo::exists(root + "/loose/Plugin.app"));
            EXPECT_EQ(QFileInfo::exists(root + "/Host.app"), c.hostStays);
        }
    }
}

// A marked file inside a marked bundle of another group goes with the bundle
// or before it; either way its bytes are already in the bundle's size.
TEST(NestedCopies, ACopyInsideARemovedFolderIsCountedOnce)
{
    const QString root = TestEnvironment::makeTemporaryFolder("counted-once");
    makeBundle(root + "/Host.app", "com.example.host", ScanFixture::uniqueBytes(700));
    makeBundle(root + "/OtherHost.app", "com.example.host", ScanFixture::uniqueBytes(700));
    const QByteArray data = ScanFixture::uniqueBytes(5000);
    const QString inside = root + "/Host.app/Contents/Resources/data.bin";
    writeFile(inside, data);
    writeFile(root + "/keep/data.bin", data);
    makeStore({{ScanResultKeys::Application, {{root + "/Host.app", root + "/OtherHost.app"}}},
               {ScanResultKeys::Documents, {{root + "/keep/data.bin", inside}}}});
    mark(rowOf(ScanResultKeys::Application), 0, 0);
    mark(rowOf(ScanResultKeys::Documents), 0, 1);

    RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
    runToEnd(run);
    ASSERT_EQ(run.plan().copies.size(), 2);
    EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>({CopyOutcome::Removed, CopyOutcome::AlreadyGone}))
        << run.result().reasons.join(";").toStdString();
    const quint64 hostBytes = run.plan().copies.at(0).scannedBytes();
    ASSERT_GE(hostBytes, quint64(5700));

    resetRemovalTotals();
    const RemovalSummary summary = applyRemovalResult(run.plan(), run.result());
    EXPECT_EQ(summary.removed, 2);
    EXPECT_EQ(summary.bytes, hostBytes);
    EXPECT_EQ(QFile(root + "/keep/data.bin").size(), data.size());
}

// A keeper that changes after the plan was made no longer keeps its group's
// marked copy, and the run keeps that copy on its own. Inside a marked bundle
// of another group it keeps the bundle too, whichever group comes first and
// in every mode: otherwise the bundle would take along bytes that now exist
// nowhere else.
TEST(NestedCopies, AKeeperThatChangesDuringTheRunKeepsTheBundleHoldingItsCopy)
{
    const QString destination = TestEnvironment::makeTemporaryFolder("changed-keeper-dest");
    for (const bool bundleFirst : {false, true}) {
        for (const MovingType &mode :
             {MovingType::Trash(), MovingType::Permanently(), MovingType::Folder(destination, false)}) {
            SCOPED_TRACE(std::string(bundleFirst ? "the bundles' group first" : "the files' group first") + ", mode "
                         + std::to_string(int(mode.kind)));
            const QString root = TestEnvironment::makeTemporaryFolder("changed-keeper");
            const QByteArray bytes = ScanFixture::uniqueBytes(4000);
            makeBundle(root + "/K.app", "com.example.host", ScanFixture::uniqueBytes(500));
            makeBundle(root + "/M.app", "com.example.host", ScanFixture::uniqueBytes(500));
            const QString inside = root + "/M.app/Contents/f1.dat";
            writeFile(root + "/k/f", bytes);
            writeFile(inside, bytes);
            // One category, so that the order of the groups is the run's order.
            const QStringList bundles = {root + "/K.app", root + "/M.app"};
            const QStringList files = {root + "/k/f", inside};
            makeStore({{ScanResultKeys::Others, bundleFirst ? QList<QStringList>{bundles, files}
                                                            : QList<QStringList>{files, bundles}}});
            mark(1, 0, 1);
            mark(1, 1, 1);
            const QHash<QString, QByteArray> bundleBefore = digestTree(root + "/M.app");

            RemovalRun run(RemovalPlan::fromStore(mode), FileManager::defaultManager());
            writeFile(root + "/k/f", "edited after the plan was made");
            runToEnd(run);
            ASSERT_EQ(run.plan().copies.size(), 2);
            for (int i = 0; i < 2; ++i) {
                const QString path = QFile::decodeName(run.plan().copies.at(i).path);
                SCOPED_TRACE(path.toStdString() + ": " + run.result().reasons.at(i).toStdString());
                EXPECT_EQ(run.result().outcomes.at(i), CopyOutcome::KeptLastCopy);
                if (path == root + "/M.app") {
                    EXPECT_EQ(run.result().reasons.at(i), "holds " + inside + ", a copy this run keeps");
                }
            }
            EXPECT_EQ(digestTree(root + "/M.app"), bundleBefore);
            EXPECT_TRUE(QDir(destination).isEmpty());
        }
    }
}
