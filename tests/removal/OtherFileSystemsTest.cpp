#include "PassthroughFuse.h"
#include "PrivateMounts.h"
#include "RemovalFixture.h"

#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <utility>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

// Removals that meet other file systems: a move that copies a file to
// another one, one file that an overlay shows at a second path, and a Trash
// at the top of another file system that someone else can reach.

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

using OtherFileSystems = PrivateMounts;

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

struct stat statusOf(const QString &path)
{
    struct stat status {};
    EXPECT_EQ(::lstat(native(path).constData(), &status), 0) << path.toStdString();
    return status;
}

QByteArray attributeOf(const QString &path, const char *name)
{
    char value[256];
    const ssize_t got = ::lgetxattr(native(path).constData(), name, value, sizeof value);
    return got < 0 ? QByteArray() : QByteArray(value, got);
}

void setModified(const QString &path, time_t seconds)
{
    const struct timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, native(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

QStringList entriesOf(const QString &folder)
{
    QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

// A file that a move copies to another file system keeps its owner, group,
// mode, times and attributes where the runner may set them. Where it cannot
// keep the owner, the set-user-ID and set-group-ID bits go: root cleaning up
// another user's set-ID program never makes one of root's, and a user moving
// root's never makes one of their own.
TEST_F(OtherFileSystems, AFileMovedToAnotherFileSystemKeepsItsOwnerOrLosesItsSetIdBits)
{
    struct Case
    {
        const char *name;
        bool asRoot;  // the run is this test's own, as root; else the remover runs as nobody
        uid_t owner;  // and group of both copies
        mode_t expectedMode;
        uid_t expectedOwner; // and group
        const char *reason;  // what the report says of the move
    };
    const Case cases[] = {
        {"root moves nobody's set-ID program", true, kNobody, 06755, kNobody, ""},
        {"nobody moves root's set-ID program", false, 0, 0755, kNobody,
         "moved, but not with its owner, its group, its set-user-ID bit, its set-group-ID bit"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SharedFolder shared;
        ASSERT_FALSE(shared.path.isEmpty());
        const QString roots = shared.path + "/d";
        const QString mount = shared.path + "/M";
        const QByteArray bytes = ScanFixture::uniqueBytes(5000);
        writeFile(roots + "/a/tool", bytes);
        writeFile(roots + "/b/tool", bytes);
        ASSERT_TRUE(QDir().mkpath(mount));
        const QString refused = mountTmpfs(mount);
        if (!refused.isEmpty())
            GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
        ASSERT_EQ(::chmod(native(mount).constData(), 01777), 0);
        // The marked copy's folder is nobody's to change in both cases.
        ASSERT_TRUE(giveTree(roots, kNobody, kNoGroup));
        for (const char *tool : {"/a/tool", "/b/tool"}) {
            ASSERT_EQ(::lsetxattr(native(roots + tool).constData(), "user.origin", "twinmoor", 8, 0), 0);
            ASSERT_EQ(::lchown(native(roots + tool).constData(), c.owner, c.owner), 0);
            ASSERT_EQ(::chmod(native(roots + tool).constData(), 06755), 0);
        }
        setModified(roots + "/a/tool", 1400000000);
        setModified(roots + "/b/tool", 1500000000);
        const QString destination = mount + "/dest";

        if (c.asRoot) {
            makeStore({{ScanResultKeys::Others, {{roots + "/a/tool", roots + "/b/tool"}}}});
            mark(1, 0, 1);
            RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(destination, false));
            ASSERT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
            RemovalRun run(plan, FileManager::defaultManager());
            runToEnd(run);
            EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{CopyOutcome::Removed})
                << run.result().reasons.join(';').toStdString();
            EXPECT_EQ(run.result().reasons, QStringList{c.reason});
        } else {
            const RunnerResult result = runRemoverAs(OtherUser::Nobody, shared,
                                                     {"--keep", "oldest", "--mode", "folder=" + destination, roots});
            ASSERT_EQ(result.lines.size(), 2) << result.errors.toStdString();
            EXPECT_EQ(result.lines.at(0).value("outcome").toString(), "removed")
                << result.lines.at(0).value("reason").toString().toStdString();
            EXPECT_EQ(result.lines.at(0).value("reason").toString(), c.reason);
        }

        EXPECT_FALSE(QFileInfo::exists(roots + "/b/tool"));
        const struct stat moved = statusOf(destination + "/tool");
        EXPECT_EQ(moved.st_uid, c.expectedOwner);
        EXPECT_EQ(moved.st_gid, c.expectedOwner);
        EXPECT_EQ(moved.st_mode & 07777, c.expectedMode);
        EXPECT_EQ(moved.st_mtim.tv_sec, 1500000000);
        EXPECT_EQ(attributeOf(destination + "/tool", "user.origin"), "twinmoor");
        EXPECT_EQ(readAll(destination + "/tool"), bytes);
        unmountAll();
    }
}

// Through an overlay, a file of one of its layer folders shows at a second
// path with a device of its own, and the scan groups the two. Removing one
// view of it would take the other along: the copy is kept and the report
// says why. A file of the overlay that no layer shows at the marked copy's
// place is a copy like any other.
TEST_F(OtherFileSystems, OneFileSeenThroughAnOverlayIsNotTwoCopies)
{
    enum class Layers { Absolute, Relative };
    struct Case
    {
        const char *name;
        const char *kept;   // below the base; "ov" is the overlay, "low" and "up" its layers
        const char *marked;
        Layers layers;
        CopyOutcome outcome;
        const char *reason; // a part of it
    };
    const Case cases[] = {
        {"the marked copy lies in the lower folder", "/ov/f", "/low/f", Layers::Absolute, CopyOutcome::KeptLastCopy,
         "shows it through the overlay"},
        {"the marked copy lies in the upper folder", "/ov/g", "/up/g", Layers::Absolute, CopyOutcome::KeptLastCopy,
         "shows it through the overlay"},
        {"the marked copy is the overlay's view of the kept upper file", "/up/g", "/ov/g", Layers::Absolute,
         CopyOutcome::KeptLastCopy, "it shows"},
        {"the overlay's layers are given by relative paths", "/ov/f", "/low/f", Layers::Relative,
         CopyOutcome::KeptLastCopy, "whose layers cannot be read"},
        {"a copy elsewhere of a file the overlay shows", "/ov/f", "/elsewhere/f", Layers::Absolute,
         CopyOutcome::Removed, ""},
    };
    for (const Case &c : cases) {
        for (const MovingType &mode : {MovingType::Permanently(), MovingType::Trash()}) {
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(int(mode.kind)));
            const QString base = TestEnvironment::makeTemporaryFolder("overlay");
            const QByteArray lower = ScanFixture::uniqueBytes(3000);
            const QByteArray upper = ScanFixture::uniqueBytes(3000);
            writeFile(base + "/low/f", lower);
            writeFile(base + "/up/g", upper);
            writeFile(base + "/elsewhere/f", lower);
            const QString refused = mountOverlay(base + "/low", base + "/up", base + "/ov", c.layers == Layers::Relative);
            if (!refused.isEmpty())
                GTEST_SKIP() << "the overlay was refused: " << refused.toStdString();
            ASSERT_EQ(readAll(base + "/ov/f"), lower);

            makeStore({{ScanResultKeys::Others, {{base + c.kept, base + c.marked}}}});
            mark(1, 0, 1);
            RemovalRun run(RemovalPlan::fromStore(mode), FileManager::defaultManager());
            runToEnd(run);
            EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{c.outcome}) << run.result().reasons.join(';').toStdString();
            EXPECT_TRUE(run.result().reasons.value(0).contains(QLatin1String(c.reason)))
                << run.result().reasons.value(0).toStdString();
            // The kept copy still shows its bytes.
            const QString kept = base + c.kept;
            EXPECT_EQ(readAll(kept), kept.endsWith("g") ? upper : lower);
            unmountAll();
        }
    }
}

// However overlays are arranged, one file seen twice is one file: an overlay
// stacked on another shows the files of the lower one's layers, and a layer
// folder moved since it was mounted (another folder made at its old path)
// still shows its files through the overlay. In every mode the marked view
// stays and the kept one keeps its bytes.
TEST_F(OtherFileSystems, OneFileSeenThroughStackedOrMovedLayersIsNotTwoCopies)
{
    enum class Arrangement {
        Stacked, // "mid" is an overlay of "low", "top" an overlay of "mid"
        Moved,   // "top" is an overlay of "low", moved to "low.moved" since
    };
    struct Case
    {
        const char *name;
        Arrangement arrangement;
        const char *kept; // below the base
        const char *marked;
        const char *reason; // a part of it
    };
    const Case cases[] = {
        {"stacked: the bottom layer's file, kept on top", Arrangement::Stacked, "/top/f", "/low/f", "shows it"},
        {"stacked: the middle overlay's view, kept on top", Arrangement::Stacked, "/top/f", "/mid/f", "shows it"},
        {"stacked: the view on top of a kept bottom file", Arrangement::Stacked, "/low/f", "/top/f", "it shows"},
        {"moved: the moved layer's file, kept on the overlay", Arrangement::Moved, "/top/f", "/low.moved/f", "shows it"},
        {"moved: the view of a kept file of the moved layer", Arrangement::Moved, "/low.moved/f", "/top/f", "it shows"},
    };
    for (const Case &c : cases) {
        for (const MovingType &mode : {MovingType::Permanently(), MovingType::Trash(), MovingType::Folder({}, false)}) {
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(int(mode.kind)));
            const QString base = TestEnvironment::makeTemporaryFolder("overlay-arranged");
            const QByteArray bytes = ScanFixture::uniqueBytes(3000);
            writeFile(base + "/low/f", bytes);
            for (const char *upper : {"/up-mid", "/up-top", "/up"})
                ASSERT_TRUE(QDir().mkpath(base + upper));
            QString refused;
            if (c.arrangement == Arrangement::Stacked) {
                refused = mountOverlay(base + "/low", base + "/up-mid", base + "/mid");
                if (refused.isEmpty())
                    refused = mountOverlay(base + "/mid", base + "/up-top", base + "/top");
            } else {
                refused = mountOverlay(base + "/low", base + "/up", base + "/top");
                ASSERT_TRUE(QDir().rename(base + "/low", base + "/low.moved"));
                ASSERT_TRUE(QDir().mkpath(base + "/low"));
            }
            if (!refused.isEmpty())
                GTEST_SKIP() << "the overlay was refused: " << refused.toStdString();
            ASSERT_EQ(readAll(base + "/top/f"), bytes);

            makeStore({{ScanResultKeys::Others, {{base + c.kept, base + c.marked}}}});
            mark(1, 0, 1);
            MovingType runMode = mode;
            if (runMode.kind == MovingType::Kind::Folder) {
                runMode = MovingType::Folder(base + "/dest", false);
            }
            RemovalPlan plan = RemovalPlan::fromStore(runMode);
            ASSERT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
            RemovalRun run(plan, FileManager::defaultManager());
            runToEnd(run);
            EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{CopyOutcome::KeptLastCopy})
                << run.result().reasons.join(';').toStdString();
            EXPECT_TRUE(run.result().reasons.value(0).contains(QLatin1String(c.reason)))
                << run.result().reasons.value(0).toStdString();
            EXPECT_EQ(readAll(base + c.kept), bytes);
            EXPECT_EQ(readAll(base + c.marked), bytes);
            unmountAll();
        }
    }
}

// The same through the remover, as a root scan of container storage meets it:
// the merged folder and its layer side by side, the merged view kept.
TEST_F(OtherFileSystems, TheRemoverKeepsALayerFileTheOverlayShows)
{
    const QString roots = m_base + "/d";
    const QByteArray bytes = ScanFixture::uniqueBytes(4000);
    writeFile(roots + "/b-low/f", bytes);
    ASSERT_TRUE(QDir().mkpath(m_base + "/upper"));
    const QString refused = mountOverlay(roots + "/b-low", m_base + "/upper", roots + "/a-ov");
    if (!refused.isEmpty())
        GTEST_SKIP() << "the overlay was refused: " << refused.toStdString();

    const RunnerResult result = runRemover({"--keep", "first", "--mode", "delete", roots});
    ASSERT_EQ(result.lines.size(), 2) << result.errors.toStdString();
    EXPECT_EQ(result.lines.at(0).value("path").toString(), roots + "/b-low/f");
    EXPECT_EQ(result.lines.at(0).value("outcome").toString(), "last-copy");
    EXPECT_EQ(result.lines.at(1).value("removed").toInt(), 0);
    EXPECT_EQ(readAll(roots + "/a-ov/f"), bytes);
    EXPECT_EQ(readAll(roots + "/b-low/f"), bytes);
}

// A shared .Trash at the top of another file system is root's, sticky and
// open to all. Whoever may write it cannot take the run's copies: the
// user's folder in it is opened once, and when another user's folder is
// exchanged for it during the run, the copies and their records still go
// into the folder that was opened, together.
TEST_F(OtherFileSystems, ATopFolderTrashExchangedDuringTheRunStillTakesEveryCopy)
{
    const QString top = m_base + "/top";
    ASSERT_TRUE(QDir().mkpath(top));
    const QString refused = mountTmpfs(top);
    if (!refused.isEmpty())
        GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
    const QString uid = QString::number(::getuid());
    ASSERT_TRUE(QDir().mkpath(top + "/.Trash"));
    ASSERT_EQ(::chmod(native(top + "/.Trash").constData(), 01777), 0);
    // The other user's folder, with Trash folders of its own inside.
    const QString theirs = top + "/.Trash/theirs";
    ASSERT_TRUE(QDir().mkpath(theirs + "/files") && QDir().mkpath(theirs + "/info"));
    ASSERT_TRUE(giveTree(theirs, kNobody, kNoGroup));

    const QList<QStringList> groups = writeNamedPairs(top, {"one", "two", "three"});
    makeStore({{ScanResultKeys::Documents, groups}});
    for (int group = 0; group < groups.size(); ++group)
        mark(1, group, 1);

    ScriptedFileManager files;
    int operations = 0;
    files.beforeOperation = [&](const QByteArray &) {
        if (++operations != 2)
            return;
        ASSERT_EQ(::renameat2(AT_FDCWD, native(top + "/.Trash/" + uid).constData(), AT_FDCWD,
                              native(theirs).constData(), RENAME_EXCHANGE),
                  0);
    };
    RemovalRun run(RemovalPlan::fromStore(MovingType::Trash()), files);
    runToEnd(run);
    EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>(3, CopyOutcome::Removed))
        << run.result().reasons.join(';').toStdString();

    // The run's own folder now lies at the other user's name, and holds everything.
    EXPECT_EQ(entriesOf(theirs + "/files"), QStringList({"one.txt", "three.txt", "two.txt"}));
    EXPECT_EQ(entriesOf(theirs + "/info"),
              QStringList({"one.txt.trashinfo", "three.txt.trashinfo", "two.txt.trashinfo"}));
    EXPECT_EQ(statusOf(theirs).st_uid, ::getuid());
    EXPECT_EQ(entriesOf(top + "/.Trash/" + uid + "/files"), QStringList());
    EXPECT_EQ(entriesOf(top + "/.Trash/" + uid + "/info"), QStringList());
    EXPECT_FALSE(QFileInfo::exists(top + "/.Trash-" + uid));
}

// A destination whose file system is unmounted during the run (lazily, so
// that the run's open folder still reaches it) takes no more copies: what
// went there would be freed when the run lets go of it. The copies that
// remain stay where they are, and the report names the destination.
TEST_F(OtherFileSystems, ADestinationUnmountedDuringTheRunTakesNoMoreCopies)
{
    const QString mount = m_base + "/M";
    ASSERT_TRUE(QDir().mkpath(mount));
    const QString refused = mountTmpfs(mount);
    if (!refused.isEmpty())
        GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
    const QString destination = mount + "/dest";
    const QList<QStringList> groups = writeNamedPairs(m_base + "/data", {"a", "b", "c"});
    makeStore({{ScanResultKeys::Documents, groups}});
    for (int group = 0; group < groups.size(); ++group)
        mark(1, group, 1);

    ScriptedFileManager files;
    int moves = 0;
    files.beforeOperation = [&](const QByteArray &) {
        if (++moves == 2) {
            ASSERT_EQ(::umount2(native(mount).constData(), MNT_DETACH), 0);
        }
    };
    RemovalPlan plan = RemovalPlan::fromStore(MovingType::Folder(destination, false));
    ASSERT_EQ(prepareFolderDestination(plan, files), std::nullopt);
    RemovalRun run(plan, files);
    runToEnd(run);
    EXPECT_EQ(run.result().outcomes,
              QList<CopyOutcome>({CopyOutcome::Removed, CopyOutcome::Failed, CopyOutcome::Failed}))
        << run.result().reasons.join(';').toStdString();
    for (int i = 1; i < groups.size(); ++i) {
        EXPECT_TRUE(run.result().reasons.value(i).contains(destination + " is no longer mounted"))
            << run.result().reasons.value(i).toStdString();
        EXPECT_EQ(readAll(groups.at(i).at(1)), readAll(groups.at(i).at(0)));
    }
}

// On a file system that makes no file without a name (a FUSE one here), a
// copy moved there is written under a private name and named only once it is
// whole, and the source goes only while that name holds the file made. So
// another process that deletes the unfinished copy, or puts its own file at
// the copy's name, leaves the source where it was, and a run killed half-way
// leaves nothing under the copy's name that passes for the copy.
TEST_F(OtherFileSystems, ACopyIsNeverUnderItsOwnNameBeforeItIsWhole)
{
#ifndef TWINMOOR_TEST_FUSE
    GTEST_SKIP() << "built without FUSE";
#else
    enum class Act { Delete, TakeTheName, Kill };
    struct Case
    {
        const char *name;
        Act act;
        const char *outcome; // as the remover prints it; "" when it was killed
    };
    const Case cases[] = {
        {"another process deletes the unfinished copy", Act::Delete, "failed"},
        {"another process puts its own file at the copy's name", Act::TakeTheName, "exists"},
        {"the run is killed half-way", Act::Kill, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("fuse-destination");
        const QString roots = base + "/d";
        const QString backing = base + "/backing";
        const QByteArray bytes = ScanFixture::uniqueBytes(4 << 20);
        writeFile(roots + "/a/tool", bytes);
        writeFile(roots + "/b/tool", bytes);
        setModified(roots + "/a/tool", 1400000000);
        setModified(roots + "/b/tool", 1500000000);
        PassthroughFuse fuse;
        const QString refused = fuse.mount(backing, base + "/fuse");
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();
        bool acted = false;
        // Half-way: at the copy's second write.
        fuse.beforeWrite = [&](const QByteArray &path, off_t offset, pid_t writer) {
            if (offset == 0 || std::exchange(acted, true))
                return;
            switch (c.act) {
            case Act::Delete:
                ::unlink(native(backing + QFile::decodeName(path)).constData());
                break;
            case Act::TakeTheName:
                writeFile(backing + "/dest/.theirs", "theirs");
                ::rename(native(backing + "/dest/.theirs").constData(), native(backing + "/dest/tool").constData());
                break;
            case Act::Kill:
                ::kill(writer, SIGKILL);
                break;
            }
        };
        const RunnerResult result =
            runRemover({"--keep", "oldest", "--mode", "folder=" + base + "/fuse/dest", roots});
        fuse.unmount();
        EXPECT_TRUE(acted);

        EXPECT_EQ(readAll(roots + "/a/tool"), bytes);
        EXPECT_EQ(readAll(roots + "/b/tool"), bytes);
        if (c.act == Act::Kill) {
            EXPECT_EQ(result.exitCode, -1);
        } else {
            ASSERT_EQ(result.lines.size(), 2) << result.errors.toStdString();
            EXPECT_EQ(result.lines.at(0).value("outcome").toString(), c.outcome)
                << result.lines.at(0).value("reason").toString().toStdString();
        }
        if (c.act == Act::TakeTheName) {
            EXPECT_EQ(entriesOf(backing + "/dest"), QStringList{"tool"});
            EXPECT_EQ(readAll(backing + "/dest/tool"), "theirs");
        } else {
            EXPECT_FALSE(QFileInfo::exists(backing + "/dest/tool"));
        }
        if (c.act == Act::Delete) {
            EXPECT_EQ(entriesOf(backing + "/dest"), QStringList());
        }
    }
#endif
}

// A copy on a bind mount of the data folder's own file system cannot be
// renamed into the home Trash, which lies on another mount: it stays, and the
// report says that a bind mount is why, not that the Trash is elsewhere.
TEST_F(OtherFileSystems, ACopyOnABindMountOfTheHomeTrashsFileSystemSaysSo)
{
    const QString source = m_base + "/source";
    const QString view = m_base + "/view";
    const QByteArray bytes = ScanFixture::uniqueBytes(2000);
    writeFile(source + "/f", bytes);
    writeFile(m_base + "/keep/f", bytes);
    ASSERT_TRUE(QDir().mkpath(view));
    const QString refused = mountInside(source, view, true);
    if (!refused.isEmpty())
        GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();

    makeStore({{ScanResultKeys::Documents, {{m_base + "/keep/f", view + "/f"}}}});
    mark(1, 0, 1);
    RemovalRun run(RemovalPlan::fromStore(MovingType::Trash()), FileManager::defaultManager());
    runToEnd(run);
    EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{CopyOutcome::Failed});
    EXPECT_TRUE(run.result().reasons.value(0).contains("bind mount")) << run.result().reasons.value(0).toStdString();
    EXPECT_EQ(readAll(view + "/f"), bytes);
}
