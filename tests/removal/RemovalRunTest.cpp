#include "RemovalFixture.h"

#include <ProcessState.h>
#include <ResultQueries.h>
#include <RemovalStore.h>
#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPair>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

// Three groups of Documents, two copies each; the second copy of each marked.
struct ThreePairs
{
    QString root;
    QStringList kept;
    QStringList marked;

    ThreePairs()
    {
        root = TestEnvironment::makeTemporaryFolder("pairs");
        QList<QStringList> groups;
        for (int g = 0; g < 3; ++g) {
            const QByteArray bytes = ScanFixture::uniqueBytes(100 + g);
            const QString a = root + QStringLiteral("/a/doc%1.txt").arg(g);
            const QString b = root + QStringLiteral("/b/doc%1.txt").arg(g);
            writeFile(a, bytes);
            writeFile(b, bytes);
            kept.append(a);
            marked.append(b);
            groups.append({a, b});
        }
        makeStore({{ScanResultKeys::Documents, groups}});
        for (int g = 0; g < 3; ++g)
            mark(1, g, 1);
    }
};

void waitUntil(const std::function<bool()> &condition, int timeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

TEST(RemovalRun, RemovesEveryMarkedCopyAndRewritesTheStore)
{
    ThreePairs fixture;
    RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
    // Counted on this thread, as the sheet receives them.
    QList<QPair<int, int>> progress;
    QObject::connect(&run, &RemovalRun::progress, &run, [&](int removed, int total) { progress.append({removed, total}); });
    runToEnd(run);
    for (const QString &path : fixture.marked)
        EXPECT_FALSE(QFileInfo::exists(path));
    for (const QString &path : fixture.kept)
        EXPECT_TRUE(QFileInfo::exists(path));
    ASSERT_FALSE(progress.isEmpty());
    EXPECT_EQ(progress.last(), qMakePair(3, 3));

    resetRemovalTotals();
    const RemovalSummary summary = applyRemovalResult(run.plan(), run.result());
    EXPECT_EQ(summary.removed, 3);
    EXPECT_EQ(summary.kept, 0);
    EXPECT_EQ(summary.bytes, quint64(100 + 101 + 102));
    EXPECT_TRUE(storedPaths().isEmpty());
    EXPECT_TRUE(categoryRows().isEmpty());
    EXPECT_TRUE(markedCategories().isEmpty());
    EXPECT_TRUE(allDuplicatesRemoved);
    EXPECT_EQ(removedItemTallies().at(2).count, 3); // Documents
}

TEST(RemovalRun, NothingStartsWhilePausedAndContinueResumes)
{
    ThreePairs fixture;
    RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
    int handled = 0;
    QObject::connect(&run, &RemovalRun::copyHandled, &run, [&] { ++handled; });
    run.control().setPaused(true);
    run.start();
    // Asleep at its first check, the run has started nothing.
    waitUntil([&] { return run.control().parkedWorkers() == 1; });
    ASSERT_EQ(run.control().parkedWorkers(), 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 0);
    for (const QString &path : fixture.marked)
        EXPECT_TRUE(QFileInfo::exists(path));
    run.control().setPaused(false);
    run.wait();
    QCoreApplication::processEvents();
    EXPECT_EQ(handled, 3);
    EXPECT_EQ(run.result().removedCount(), 3);
}

TEST(RemovalRun, StopAfterSomeCopiesLeavesTheRestAndReportsThem)
{
    for (int stopAfter : {0, 1, 2}) {
        SCOPED_TRACE(stopAfter);
        ThreePairs fixture;
        ScriptedFileManager files;
        RemovalRun *current = nullptr;
        // The stop comes while the copy in hand is being removed: that copy
        // still goes, the next does not start.
        files.beforeOperation = [&](const QByteArray &) {
            if (files.operations == stopAfter + 1)
                current->control().setAbort(true);
        };
        RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), files);
        current = &run;
        if (stopAfter == 0)
            run.control().setAbort(true);
        runToEnd(run);
        const int removed = stopAfter == 0 ? 0 : stopAfter + 1;
        EXPECT_TRUE(run.result().stopped);
        EXPECT_EQ(run.result().removedCount(), std::min(removed, 3));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(QFileInfo::exists(fixture.marked.at(i)), i >= removed);

        resetRemovalTotals();
        const RemovalSummary summary = applyRemovalResult(run.plan(), run.result());
        EXPECT_EQ(summary.kept, 3 - std::min(removed, 3));
        const QString report = keptCopiesReport(run.plan(), run.result());
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(report.contains(fixture.marked.at(i)), i >= removed) << report.toStdString();
        for (int i = removed; i < 3; ++i)
            EXPECT_TRUE(storedPaths().contains(fixture.marked.at(i)));
    }
}

TEST(RemovalRun, StopWhilePausedEndsTheRunAtOnce)
{
    ThreePairs fixture;
    ScriptedFileManager files;
    RemovalRun *current = nullptr;
    files.beforeOperation = [&](const QByteArray &) {
        if (files.operations == 1)
            current->control().setPaused(true);
    };
    RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), files);
    current = &run;
    int handled = 0;
    QObject::connect(&run, &RemovalRun::copyHandled, &run, [&] { ++handled; });
    run.start();
    waitUntil([&] { return handled == 1; });
    run.control().setAbort(true);
    run.control().setPaused(false);
    run.wait();
    QCoreApplication::processEvents();
    EXPECT_EQ(run.result().removedCount(), 1);
    EXPECT_EQ(files.operations, 1);
}

TEST(RemovalRun, LeavesAndReportsCopiesThatFailedOrChangedOrLostTheirLastUnmarkedCopy)
{
    ThreePairs fixture;
    ScriptedFileManager files;
    files.failTrash = {"doc0"};
    // Group 1: the unmarked copy was replaced by another file since the scan.
    QFile::remove(fixture.kept.at(1));
    writeFile(fixture.kept.at(1), ScanFixture::uniqueBytes(50));
    // Group 2: the marked copy itself changed size.
    writeFile(fixture.marked.at(2), "shorter");

    RemovalRun run(RemovalPlan::fromStore(MovingType::Trash()), files);
    runToEnd(run);
    EXPECT_EQ(run.result().outcomes,
              QList<CopyOutcome>({CopyOutcome::Failed, CopyOutcome::KeptLastCopy, CopyOutcome::KeptChanged}));
    for (const QString &path : fixture.marked)
        EXPECT_TRUE(QFileInfo::exists(path));

    resetRemovalTotals();
    applyRemovalResult(run.plan(), run.result());
    EXPECT_EQ(storedPaths().size(), 6);
    EXPECT_FALSE(hasMarkedItems());
    EXPECT_FALSE(allDuplicatesRemoved);
    EXPECT_FALSE(notMovedBecauseExists);
    const QString report = keptCopiesReport(run.plan(), run.result());
    EXPECT_TRUE(report.startsWith("3 ")) << report.toStdString();
}

// A file rewritten in place after the scan keeps its identity and its size;
// only its modification time tells that it is no longer the compared file.
TEST(RemovalRun, ACopyRewrittenInPlaceAtTheSameSizeIsNoLongerTheScannedFile)
{
    struct Case
    {
        const char *name;
        bool rewriteMarked; // else the group's unmarked copy
        CopyOutcome expected;
    };
    const Case cases[] = {
        {"the marked copy was edited", true, CopyOutcome::KeptChanged},
        {"the unmarked copy was edited", false, CopyOutcome::KeptLastCopy},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ThreePairs fixture;
        const QString edited = c.rewriteMarked ? fixture.marked.at(0) : fixture.kept.at(0);
        const qint64 size = QFileInfo(edited).size();
        QFile file(edited);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_EQ(file.write(QByteArray(size, 'e')), size);
        ASSERT_TRUE(file.flush());
        ASSERT_TRUE(file.setFileTime(QFileInfo(edited).lastModified().addSecs(60), QFileDevice::FileModificationTime));
        file.close();
        const QByteArray before = md5Of(fixture.marked.at(0));

        RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
        runToEnd(run);
        EXPECT_EQ(run.result().outcomes,
                  QList<CopyOutcome>({c.expected, CopyOutcome::Removed, CopyOutcome::Removed}));
        EXPECT_EQ(md5Of(fixture.marked.at(0)), before);
        EXPECT_TRUE(QFileInfo::exists(fixture.kept.at(0)));
    }
}

TEST(RemovalRun, AFullyMarkedGroupKeepsEveryCopyAndAGoneCopyCounts)
{
    ThreePairs fixture;
    mark(1, 0, 0);      // group 0 now fully marked
    mark(1, 1, 7);      // a stale index is passed over
    QFile::remove(fixture.marked.at(1));
    RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
    EXPECT_EQ(run.plan().totalSelected(), 4);
    runToEnd(run);
    EXPECT_EQ(run.result().outcomes,
              QList<CopyOutcome>({CopyOutcome::KeptLastCopy, CopyOutcome::KeptLastCopy, CopyOutcome::AlreadyGone,
                                  CopyOutcome::Removed}));
    EXPECT_TRUE(QFileInfo::exists(fixture.kept.at(0)));
    EXPECT_TRUE(QFileInfo::exists(fixture.marked.at(0)));

    resetRemovalTotals();
    applyRemovalResult(run.plan(), run.result());
    EXPECT_EQ(storedPaths(), QStringList({fixture.kept.at(0), fixture.marked.at(0)}));
    EXPECT_EQ(categoryRows().size(), 2);
    EXPECT_EQ(markedCategories().size(), 1);
    EXPECT_EQ(markedCategories().first().groupIndexes, QList<QList<int>>({{}}));
    EXPECT_EQ(removedItemTallies().at(2).count, 2);
}

TEST(RemovalRun, SearchRunRemovesOnlyTheFilteredViewsMarksAndTheFullStoreReturns)
{
    const QString root = TestEnvironment::makeTemporaryFolder("search");
    makeStore({{ScanResultKeys::Documents, writeNamedPairs(root, {"apple", "banana", "cherry"})}});
    mark(1, 0, 1); // apple, marked before the search
    // The search keeps "banana" only: the snapshot holds everything.
    savedDuplicateResults().setValue("Documents", *duplicateResults().find("Documents"));
    savedCategoryRows() = categoryRows();
    savedAllDuplicateGroups() = allDuplicateGroups();
    duplicateResults().setValue("Documents", {duplicateResults().find("Documents")->at(1)});
    markedCategories() = {MarkedCategories{ScanResultKeys::Documents, {{1}}}};

    bool searchEnded = false;
    RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), FileManager::defaultManager());
    runToEnd(run);
    resetRemovalTotals();
    applyRemovalResult(run.plan(), run.result(), [&] { searchEnded = true; });
    EXPECT_TRUE(searchEnded);
    EXPECT_FALSE(QFileInfo::exists(root + "/y/banana.txt"));
    EXPECT_TRUE(QFileInfo::exists(root + "/y/apple.txt"));
    EXPECT_TRUE(savedCategoryRows().isEmpty());
    EXPECT_TRUE(savedDuplicateResults().isEmpty());
    EXPECT_EQ(storedPaths(), QStringList({root + "/x/apple.txt", root + "/y/apple.txt", root + "/x/cherry.txt",
                                          root + "/y/cherry.txt"}));
    EXPECT_EQ(allDuplicateGroups().size(), 2);
    EXPECT_EQ(categoryRows().size(), 2);
}

TEST(RemovalRun, PhotosCopiesGoToTheAlbumOnlyWhenItTakesThem)
{
    const QString root = TestEnvironment::makeTemporaryFolder("photos");
    QList<QStringList> groups;
    for (int g = 0; g < 3; ++g) {
        const QByteArray bytes = ScanFixture::uniqueBytes(500);
        writeFile(root + QStringLiteral("/disk/p%1.jpg").arg(g), bytes);
        writeFile(root + QStringLiteral("/Library.photoslibrary/Masters/p%1.jpg").arg(g), bytes);
        groups.append({root + QStringLiteral("/disk/p%1.jpg").arg(g),
                       root + QStringLiteral("/Library.photoslibrary/Masters/p%1.jpg").arg(g)});
    }
    struct Case
    {
        const char *name;
        bool accept;
    };
    for (const Case &c : {Case{"taken", true}, Case{"refused", false}}) {
        SCOPED_TRACE(c.name);
        makeStore({{ScanResultKeys::Photos, groups}});
        GroupList photos = *duplicateResults().find("Photos");
        for (int g = 0; g < 3; ++g) {
            photos[g][1].isPhotoLibrary = true;
            if (g != 2) // the third has no library properties
                photos[g][1].photoLibraryProperties = PhotoLibraryProperties{{}, {}, {}, QStringLiteral("uuid-%1").arg(g), {}, {}, {}};
        }
        duplicateResults().setValue("Photos", photos);
        for (int g = 0; g < 3; ++g)
            mark(1, g, 1);
        auto album = std::make_shared<RecordingPhotos>();
        album->accept = c.accept;
        album->album = true;
        for (int round = 0; round < 2; ++round) {
            RemovalRun run(RemovalPlan::fromStore(MovingType::Trash()), FileManager::defaultManager(), album);
            runToEnd(run);
            resetRemovalTotals();
            applyRemovalResult(run.plan(), run.result());
            if (round == 0) {
                const CopyOutcome handed = c.accept ? CopyOutcome::ToAlbum : CopyOutcome::Failed;
                EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>({handed, handed, CopyOutcome::Failed}));
                EXPECT_EQ(removedPhotoCount, c.accept ? 2 : 0);
                EXPECT_EQ(removedPhotoBytes, c.accept ? 1000u : 0u);
            }
            for (int g = 0; g < 3; ++g) // the library's files are never touched
                EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/Library.photoslibrary/Masters/p%1.jpg").arg(g)));
            // The next run marks again whatever of the library is left.
            const GroupList &left = *duplicateResults().find("Photos");
            for (int g = 0; g < left.size(); ++g) {
                for (int i = 0; i < left.at(g).size(); ++i) {
                    if (left.at(g).at(i).isPhotoLibrary)
                        mark(1, g, i);
                }
            }
        }
        // A run hands over its own identifiers once, never an empty one and
        // never one of an earlier run that the album already took.
        const QList<QStringList> expected = c.accept ? QList<QStringList>{{"uuid-0", "uuid-1"}}
                                                     : QList<QStringList>{{"uuid-0", "uuid-1"}, {"uuid-0", "uuid-1"}};
        EXPECT_EQ(album->handedOver, expected);
    }
}

TEST(RemovalRun, ImmutableFilesStayInEveryMode)
{
    struct Case
    {
        const char *name;
        MovingType mode;
        bool holdTheItemInTheWay;
    };
    const QString destination = TestEnvironment::makeTemporaryFolder("immutable-dest");
    const QList<Case> cases = {
        {"trash", MovingType::Trash(), false},
        {"delete", MovingType::Permanently(), false},
        {"folder", MovingType::Folder(destination, false), false},
        {"folder, the item in the way cannot go", MovingType::Folder(destination, true), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ThreePairs fixture;
        const QString held = c.holdTheItemInTheWay ? destination + "/doc0.txt" : fixture.marked.at(0);
        if (c.holdTheItemInTheWay)
            writeFile(held, "in the way");
        if (!setImmutable(held, true))
            GTEST_SKIP() << "the immutable flag cannot be set here";
        RemovalPlan plan = RemovalPlan::fromStore(c.mode);
        ASSERT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
        RemovalRun run(plan, FileManager::defaultManager());
        runToEnd(run);
        setImmutable(held, false);
        EXPECT_EQ(run.result().outcomes.at(0), CopyOutcome::Failed);
        EXPECT_FALSE(run.result().reasons.at(0).isEmpty());
        EXPECT_TRUE(QFileInfo::exists(fixture.marked.at(0)));
        EXPECT_EQ(run.result().removedCount(), 2);
        if (c.holdTheItemInTheWay) {
            QFile file(held);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            EXPECT_EQ(file.readAll(), "in the way");
        }
        QDir(destination).removeRecursively();
        QDir().mkpath(destination);
    }
}

namespace {

// Two application bundles of one identifier in the Applications row; the
// second is marked.
struct TwoBundles
{
    QString root;
    QString kept;
    QString marked;

    TwoBundles()
    {
        root = TestEnvironment::makeTemporaryFolder("bundles");
        kept = root + "/a/Tool.app";
        marked = root + "/b/Tool.app";
        const QByteArray bytes = ScanFixture::uniqueBytes(300);
        ScanFixture::makeBundle(kept, "com.example.tool", bytes);
        ScanFixture::makeBundle(marked, "com.example.tool", bytes);
        makeStore({{ScanResultKeys::Application, {{kept, marked}}}});
        mark(1, 0, 1);
    }
};

// What lies at the path: every file under it with its digest, by its path
// below it (a file itself under "").
QHash<QString, QByteArray> contentsOf(const QString &path)
{
    QHash<QString, QByteArray> contents;
    if (!QFileInfo(path).isDir()) {
        if (QFileInfo::exists(path))
            contents.insert(QString(), md5Of(path));
        return contents;
    }
    for (auto [file, digest] : digestTree(path).asKeyValueRange())
        contents.insert(file.mid(path.size()), digest);
    return contents;
}

// The private names a delete sets copies aside under, left in the folder.
QStringList setAsideIn(const QString &folder)
{
    return QDir(folder).entryList({".twinmoor-removing-*"}, QDir::AllEntries | QDir::Hidden | QDir::System);
}

} // namespace

// Files added to a folder or taken from it leave its identity as it was; its
// total size is what tells that it is no longer the folder the scan measured.
TEST(RemovalRun, ABundleChangedSinceTheScanStaysInEveryMode)
{
    struct Case
    {
        const char *name;
        bool changeMarked; // else the group's unmarked bundle
        bool addFile;      // else one is taken away
        CopyOutcome expected;
    };
    const Case cases[] = {
        {"a file added to the marked bundle", true, true, CopyOutcome::KeptChanged},
        {"a file taken from the marked bundle", true, false, CopyOutcome::KeptChanged},
        {"a file added to the unmarked bundle", false, true, CopyOutcome::KeptLastCopy},
    };
    const QString destination = TestEnvironment::makeTemporaryFolder("changed-bundle-dest");
    const QList<QPair<const char *, MovingType>> modes = {
        {"trash", MovingType::Trash()},
        {"delete", MovingType::Permanently()},
        {"folder", MovingType::Folder(destination, true)},
    };
    for (const Case &c : cases) {
        for (const auto &[modeName, mode] : modes) {
            SCOPED_TRACE(std::string(c.name) + ", " + modeName);
            TwoBundles fixture;
            const QString changed = c.changeMarked ? fixture.marked : fixture.kept;
            if (c.addFile)
                writeFile(changed + "/Contents/Resources/added.dat", ScanFixture::uniqueBytes(40));
            else
                ASSERT_TRUE(QFile::remove(changed + "/Contents/MacOS/tool"));
            const QHash<QString, QByteArray> before = digestTree(fixture.marked);

            RemovalPlan plan = RemovalPlan::fromStore(mode);
            ASSERT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
            RemovalRun run(plan, FileManager::defaultManager());
            runToEnd(run);
            EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{c.expected});
            EXPECT_EQ(digestTree(fixture.marked), before);
            EXPECT_TRUE(QDir(destination).isEmpty());
            for (const QString &trashed : trashContents().keys())
                EXPECT_FALSE(trashed.startsWith(fixture.marked)) << trashed.toStdString();
            EXPECT_TRUE(setAsideIn(fixture.root + "/b").isEmpty());
        }
    }
}

// Another item renamed over a name just after the run read it: the delete
// works on the name it has set aside, so only what it checked can go.
TEST(RemovalRun, ADeleteRemovesOnlyWhatItChecked)
{
    struct Case
    {
        const char *name;
        bool bundles;
        bool swapKeeper;         // else the marked copy is swapped
        bool takeNameWhenPinned; // the copy's name is filled again once it is set aside
        CopyOutcome expected;
    };
    const Case cases[] = {
        {"a file renamed over the marked copy", false, false, false, CopyOutcome::KeptChanged},
        {"another bundle put in the marked bundle's place", true, false, false, CopyOutcome::KeptChanged},
        {"a file renamed over the unmarked copy", false, true, false, CopyOutcome::KeptLastCopy},
        {"another bundle put in the unmarked bundle's place", true, true, false, CopyOutcome::KeptLastCopy},
        {"a file renamed over the marked copy, its name filled again", false, false, true, CopyOutcome::KeptChanged},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<ThreePairs> pairs;
        std::unique_ptr<TwoBundles> bundles;
        QString root;
        QString kept;
        QString marked;
        if (c.bundles) {
            bundles = std::make_unique<TwoBundles>();
            root = bundles->root;
            kept = bundles->kept;
            marked = bundles->marked;
        } else {
            pairs = std::make_unique<ThreePairs>();
            root = pairs->root;
            kept = pairs->kept.at(0);
            marked = pairs->marked.at(0);
        }
        const QString swapped = c.swapKeeper ? kept : marked;
        // The same size as what it replaces: only its identity tells it apart.
        const QString newcomer = root + "/newcomer" + (c.bundles ? ".app" : ".txt");
        if (c.bundles)
            ScanFixture::makeBundle(newcomer, "com.example.tool", ScanFixture::uniqueBytes(300));
        else
            writeFile(newcomer, ScanFixture::uniqueBytes(100));
        const QHash<QString, QByteArray> newcomerContents = contentsOf(newcomer);
        const QHash<QString, QByteArray> markedContents = contentsOf(marked);

        ScriptedFileManager files;
        bool swappedIn = false;
        files.afterStatus = [&](const QByteArray &path) {
            if (swappedIn || path != QFile::encodeName(swapped))
                return;
            swappedIn = true;
            if (c.bundles) { // a folder is not renamed over a full one: the old one goes first
                ASSERT_TRUE(QDir().rename(swapped, root + "/replaced.app"));
            }
            ASSERT_EQ(std::rename(QFile::encodeName(newcomer).constData(), QFile::encodeName(swapped).constData()), 0);
        };
        QString pinnedPath;
        files.afterPin = [&](const FileManager::PinnedItem &pinned) {
            if (pinned.path != QFile::encodeName(marked))
                return;
            pinnedPath = QFile::decodeName(pinned.pinnedPath);
            if (c.takeNameWhenPinned)
                writeFile(marked, "filled again");
        };
        RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), files);
        runToEnd(run);
        EXPECT_TRUE(swappedIn);
        QList<CopyOutcome> expected = {c.expected};
        if (!c.bundles)
            expected += {CopyOutcome::Removed, CopyOutcome::Removed};
        EXPECT_EQ(run.result().outcomes, expected);

        // The newcomer is whole wherever it now lies; the marked copy is whole
        // when its keeper was the one swapped.
        if (c.takeNameWhenPinned) {
            EXPECT_TRUE(run.result().reasons.at(0).contains(pinnedPath)) << run.result().reasons.at(0).toStdString();
            EXPECT_EQ(contentsOf(pinnedPath), newcomerContents);
            QFile filled(marked);
            ASSERT_TRUE(filled.open(QIODevice::ReadOnly));
            EXPECT_EQ(filled.readAll(), "filled again");
            EXPECT_EQ(setAsideIn(QFileInfo(marked).absolutePath()).size(), 1);
        } else {
            EXPECT_EQ(contentsOf(swapped), newcomerContents);
            if (c.swapKeeper) {
                EXPECT_EQ(contentsOf(marked), markedContents);
            }
            EXPECT_TRUE(setAsideIn(QFileInfo(marked).absolutePath()).isEmpty());
        }
    }
}
