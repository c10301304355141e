#include "RemovalFixture.h"

#include <ProcessState.h>
#include <RemovalStore.h>
#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <utility>

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(FolderDestination, WhatLiesInTheWayDecidesTheMove)
{
    enum class InTheWay { Nothing, File, Folder };
    struct Case
    {
        const char *name;
        InTheWay inTheWay;
        bool overwrite;
        QString destination; // below the case's root
        QStringList failTrash;
        QStringList failMove;
        CopyOutcome outcome;
    };
    const QList<Case> cases = {
        {"nothing in the way", InTheWay::Nothing, false, "/dest", {}, {}, CopyOutcome::Removed},
        {"missing destination is made", InTheWay::Nothing, false, "/new/deeper", {}, {}, CopyOutcome::Removed},
        {"file in the way, overwrite off", InTheWay::File, false, "/dest", {}, {}, CopyOutcome::Exists},
        {"file in the way, overwrite on", InTheWay::File, true, "/dest", {}, {}, CopyOutcome::Removed},
        {"folder in the way, overwrite on", InTheWay::Folder, true, "/dest", {}, {}, CopyOutcome::Exists},
        {"file in the way cannot go to the Trash", InTheWay::File, true, "/dest", {"dest"}, {}, CopyOutcome::Failed},
        {"the move fails", InTheWay::Nothing, true, "/dest", {}, {"src"}, CopyOutcome::Failed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString root = TestEnvironment::makeTemporaryFolder("folder-table");
        const QByteArray bytes = ScanFixture::uniqueBytes(300);
        writeFile(root + "/keep/name.txt", bytes);
        writeFile(root + "/src/name.txt", bytes);
        const QString destination = root + c.destination;
        if (c.inTheWay == InTheWay::File)
            writeFile(destination + "/name.txt", "unrelated");
        if (c.inTheWay == InTheWay::Folder)
            writeFile(destination + "/name.txt/inside", "unrelated");
        makeStore({{ScanResultKeys::Documents, {{root + "/keep/name.txt", root + "/src/name.txt"}}}});
        mark(1, 0, 1);

        ScriptedFileManager files;
        files.failTrash = c.failTrash;
        files.failMove = c.failMove;
        RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(destination, c.overwrite));
        ASSERT_EQ(prepareFolderDestination(plan, files), std::nullopt);
        RemovalRun run(plan, files);
        runToEnd(run);
        EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{c.outcome}) << run.result().reasons.join(';').toStdString();

        const bool moved = c.outcome == CopyOutcome::Removed;
        EXPECT_EQ(QFileInfo::exists(root + "/src/name.txt"), !moved);
        EXPECT_EQ(readAll(root + "/keep/name.txt"), bytes);
        if (moved) {
            EXPECT_EQ(readAll(destination + "/name.txt"), bytes);
        } else if (c.inTheWay == InTheWay::File) {
            EXPECT_EQ(readAll(destination + "/name.txt"), "unrelated");
        } else if (c.inTheWay == InTheWay::Folder) {
            EXPECT_EQ(readAll(destination + "/name.txt/inside"), "unrelated");
        }
        if (moved && c.inTheWay == InTheWay::File) { // displaced, never deleted
            EXPECT_EQ(trashContents().value(destination + "/name.txt"),
                      QCryptographicHash::hash("unrelated", QCryptographicHash::Md5).toHex());
        }

        resetRemovalTotals();
        applyRemovalResult(run.plan(), run.result());
        EXPECT_EQ(notMovedBecauseExists, c.outcome == CopyOutcome::Exists);
        EXPECT_EQ(storedPaths().contains(root + "/src/name.txt"), !moved);
    }
}

TEST(FolderDestination, ANameFilledByThisRunIsNeverReplaced)
{
    const QString root = TestEnvironment::makeTemporaryFolder("two-names");
    const QByteArray first = ScanFixture::uniqueBytes(200);
    const QByteArray second = ScanFixture::uniqueBytes(200);
    writeFile(root + "/k1/a.txt", first);
    writeFile(root + "/s1/same.txt", first);
    writeFile(root + "/k2/b.txt", second);
    writeFile(root + "/s2/same.txt", second);
    makeStore({{ScanResultKeys::Documents, {{root + "/k1/a.txt", root + "/s1/same.txt"},
                                            {root + "/k2/b.txt", root + "/s2/same.txt"}}}});
    mark(1, 0, 1);
    mark(1, 1, 1);
    RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(root + "/dest", true));
    ASSERT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
    RemovalRun run(plan, FileManager::defaultManager());
    runToEnd(run);
    EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>({CopyOutcome::Removed, CopyOutcome::Exists}));
    EXPECT_EQ(readAll(root + "/dest/same.txt"), first);
    EXPECT_EQ(readAll(root + "/s2/same.txt"), second);
}

TEST(FolderDestination, TheCopysOwnFolderIsRecognisedHoweverItIsSpelled)
{
    const QString root = TestEnvironment::makeTemporaryFolder("same-folder");
    const QByteArray bytes = ScanFixture::uniqueBytes(200);
    writeFile(root + "/keep/n.txt", bytes);
    writeFile(root + "/here/n.txt", bytes);
    QFile::link(root + "/here", root + "/link");
    const QStringList spellings = {root + "/here", root + "/here/", root + "//here", root + "/./here",
                                   root + "/keep/../here", root + "/link"};
    for (const QString &spelling : spellings) {
        SCOPED_TRACE(spelling.toStdString());
        makeStore({{ScanResultKeys::Documents, {{root + "/keep/n.txt", root + "/here/n.txt"}}}});
        mark(1, 0, 1);
        RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(spelling, true));
        ASSERT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
        RemovalRun run(plan, FileManager::defaultManager());
        runToEnd(run);
        EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{CopyOutcome::SameFolder});
        EXPECT_EQ(readAll(root + "/here/n.txt"), bytes);
        resetRemovalTotals();
        applyRemovalResult(run.plan(), run.result());
        EXPECT_TRUE(notMovedBecauseSameFolder);
        EXPECT_EQ(storedPaths().size(), 2);
    }
}

TEST(FolderDestination, BadDestinationsStopTheRunBeforeAnythingIsTouched)
{
    const QString root = TestEnvironment::makeTemporaryFolder("bad-destination");
    ScanFixture::makeBundle(root + "/one/Tool.app", "com.example.tool");
    ScanFixture::makeBundle(root + "/two/Tool.app", "com.example.tool");
    writeFile(root + "/plain-file", "x");
    QFile::link(root + "/two/Tool.app", root + "/bundle-link");
    const QStringList cases = {QString(), "   ", "relative/folder", root + "/plain-file",
                               root + "/plain-file/below", root + "/two/Tool.app",
                               root + "/two/Tool.app/Contents/new", root + "/bundle-link/inside"};
    for (const QString &destination : cases) {
        SCOPED_TRACE(destination.toStdString());
        makeStore({{ScanResultKeys::Application, {{root + "/one/Tool.app", root + "/two/Tool.app"}}}});
        mark(1, 0, 1);
        const QHash<QString, QByteArray> before = digestTree(root);
        const QStringList entriesBefore = QDir(root + "/two/Tool.app/Contents").entryList();
        RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(destination, true));
        const std::optional<QString> message = prepareFolderDestination(plan, FileManager::defaultManager());
        ASSERT_TRUE(message.has_value());
        EXPECT_FALSE(message->isEmpty());
        EXPECT_EQ(digestTree(root), before);
        EXPECT_EQ(QDir(root + "/two/Tool.app/Contents").entryList(), entriesBefore);
    }
}

// The destination folder is opened once for the whole run. Swapped for a
// link to another folder while the run goes on, it still takes every copy;
// the other folder, and an unrelated file of a copy's name in it, are never
// touched, even with overwrite on.
TEST(FolderDestination, ADestinationSwappedForALinkDuringTheRunStillTakesEveryCopy)
{
    const QString root = TestEnvironment::makeTemporaryFolder("pinned-destination");
    const QByteArray first = ScanFixture::uniqueBytes(300);
    const QByteArray second = ScanFixture::uniqueBytes(300);
    writeFile(root + "/k/a.txt", first);
    writeFile(root + "/s/a.txt", first);
    writeFile(root + "/k/b.txt", second);
    writeFile(root + "/s/b.txt", second);
    writeFile(root + "/other/b.txt", "unrelated");
    makeStore({{ScanResultKeys::Documents, {{root + "/k/a.txt", root + "/s/a.txt"}, {root + "/k/b.txt", root + "/s/b.txt"}}}});
    mark(1, 0, 1);
    mark(1, 1, 1);
    const QHash<QString, QByteArray> trashBefore = trashContents();

    ScriptedFileManager files;
    bool swapped = false;
    files.beforeOperation = [&](const QByteArray &) {
        if (std::exchange(swapped, true))
            return;
        ASSERT_TRUE(QDir().rename(root + "/dest", root + "/dest.old"));
        ASSERT_TRUE(QFile::link(root + "/other", root + "/dest"));
    };
    RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(root + "/dest", true));
    ASSERT_EQ(prepareFolderDestination(plan, files), std::nullopt);
    RemovalRun run(plan, files);
    runToEnd(run);
    ASSERT_TRUE(swapped);
    EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>({CopyOutcome::Removed, CopyOutcome::Removed}))
        << run.result().reasons.join(';').toStdString();
    EXPECT_EQ(run.result().replaced, QList<QByteArray>({{}, {}}));
    EXPECT_EQ(readAll(root + "/dest.old/a.txt"), first);
    EXPECT_EQ(readAll(root + "/dest.old/b.txt"), second);
    EXPECT_EQ(QDir(root + "/other").entryList(QDir::Files | QDir::Hidden), QStringList{"b.txt"});
    EXPECT_EQ(readAll(root + "/other/b.txt"), "unrelated");
    EXPECT_EQ(trashContents(), trashBefore);
}

// What happens to the destination during the run is what the report names:
// a destination deleted on the way fails the copies that remain, naming it,
// and a name that another process takes just before a copy is named leaves
// the copy in place as existing there, its item untouched.
TEST(FolderDestination, WhatBefallsTheDestinationDuringTheRunIsNamed)
{
    struct Case
    {
        const char *name;
        int atMove; // before this move (1 for the first)
        std::function<void(const QString &destination)> act;
        QList<CopyOutcome> outcomes;
        const char *reason; // of the copy in hand; "$dest" is the destination
    };
    const QList<Case> cases = {
        {"the destination is deleted", 2, [](const QString &destination) {
             ASSERT_TRUE(QDir(destination).removeRecursively());
         },
         {CopyOutcome::Removed, CopyOutcome::Failed, CopyOutcome::Failed}, "the destination folder $dest is no longer there"},
        {"a name is taken just before the copy is named", 1, [](const QString &destination) {
             writeFile(destination + "/a.txt", "theirs");
         },
         {CopyOutcome::Exists, CopyOutcome::Removed, CopyOutcome::Removed}, "an item of that name is already there"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString root = TestEnvironment::makeTemporaryFolder("destination-befalls");
        const QList<QStringList> groups = writeNamedPairs(root, {"a", "b", "c"});
        makeStore({{ScanResultKeys::Documents, groups}});
        for (int group = 0; group < groups.size(); ++group)
            mark(1, group, 1);
        const QString destination = root + "/dest";

        ScriptedFileManager files;
        int moves = 0;
        files.beforeOperation = [&](const QByteArray &) {
            if (++moves == c.atMove)
                c.act(destination);
        };
        RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(destination, false));
        ASSERT_EQ(prepareFolderDestination(plan, files), std::nullopt);
        RemovalRun run(plan, files);
        runToEnd(run);
        EXPECT_EQ(run.result().outcomes, c.outcomes) << run.result().reasons.join(';').toStdString();
        EXPECT_EQ(run.result().reasons.value(c.atMove - 1), QString::fromLatin1(c.reason).replace("$dest", destination));
        for (int i = 0; i < c.outcomes.size(); ++i) {
            const QString source = groups.at(i).at(1);
            EXPECT_EQ(QFileInfo::exists(source), c.outcomes.at(i) != CopyOutcome::Removed) << source.toStdString();
            EXPECT_TRUE(QFileInfo::exists(groups.at(i).at(0)));
        }
        if (c.outcomes.first() == CopyOutcome::Exists) {
            EXPECT_EQ(readAll(destination + "/a.txt"), "theirs");
        }
    }
}
