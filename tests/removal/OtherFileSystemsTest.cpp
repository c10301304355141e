#include "PrivateMounts.h"
#include "RemovalFixture.h"

#include <PassthroughFuse.h>
#include <PosixFiles.h>
#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <initializer_list>
#include <optional>
#include <tuple>
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

// Removes the second copy of one group of two in the given way, in this
// process, and gives what became of it.
std::pair<CopyOutcome, QString> removeSecondCopy(const QString &kept, const QString &marked, const MovingType &mode)
{
    makeStore({{ScanResultKeys::Others, {{kept, marked}}}});
    mark(1, 0, 1);
    RemovalPlan plan = RemovalPlan::fromStore(mode);
    if (mode.kind == MovingType::Kind::Folder) {
        EXPECT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
    }
    RemovalRun run(plan, FileManager::defaultManager());
    runToEnd(run);
    return {run.result().outcomes.value(0, CopyOutcome::NotReached), run.result().reasons.value(0)};
}

// The same, moving it into the destination folder.
std::pair<CopyOutcome, QString> moveSecondCopy(const QString &kept, const QString &marked, const QString &destination)
{
    return removeSecondCopy(kept, marked, MovingType::Folder(destination, false));
}

// One entry of a POSIX access list: its tag (0x01 the owner, 0x02 a named
// user, 0x04 the owning group, 0x08 a named group, 0x10 the mask, 0x20 the
// others), its rights and the user or group it names.
struct AccessEntry
{
    quint16 tag;
    int rights;
    quint32 id = quint32(-1);
};

// A POSIX access list as the kernel keeps it in an attribute: a version
// word, then the entries, which must come in the order of their tags.
QByteArray accessListOf(std::initializer_list<AccessEntry> entries)
{
    QByteArray list;
    const quint32 version = 2;
    list.append(reinterpret_cast<const char *>(&version), 4);
    for (const AccessEntry &entry : entries) {
        const quint16 rights = quint16(entry.rights);
        list.append(reinterpret_cast<const char *>(&entry.tag), 2);
        list.append(reinterpret_cast<const char *>(&rights), 2);
        list.append(reinterpret_cast<const char *>(&entry.id), 4);
    }
    return list;
}

// The owner, the named user, the owning group, the mask and the others,
// each with its rights.
QByteArray accessList(int owner, uid_t user, int named, int group, int others)
{
    return accessListOf({{0x01, owner}, {0x02, named, user}, {0x04, group}, {0x10, named | group}, {0x20, others}});
}

// The owner, the owning group, the named group, the mask and the others,
// each with its rights.
QByteArray groupAccessList(int owner, int group, gid_t named, int namedRights, int mask, int others)
{
    return accessListOf({{0x01, owner}, {0x04, group}, {0x08, namedRights, named}, {0x10, mask}, {0x20, others}});
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

// A copy's access rights are its source's: a source with an access list
// gives the copy that list, one without gives it none, whatever default list
// the destination folder hands to what is made in it (here one that lets
// nobody read, which the source did not).
TEST_F(OtherFileSystems, ACopyHasTheAccessListOfItsSourceNotOfItsFolder)
{
    const QString mount = m_base + "/M";
    const QString refused = mountTmpfs(mount);
    if (!refused.isEmpty())
        GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
    const QString destination = mount + "/dest";
    ASSERT_TRUE(QDir().mkpath(destination));
    const QByteArray folderDefault = accessList(7, kNobody, 5, 5, 0);
    if (::lsetxattr(native(destination).constData(), "system.posix_acl_default", folderDefault.constData(),
                    size_t(folderDefault.size()), 0)
        != 0)
        GTEST_SKIP() << "this tmpfs keeps no access lists";

    for (const bool sourceHasList : {false, true}) {
        SCOPED_TRACE(sourceHasList ? "a source with an access list" : "a source without one");
        const QString roots = TestEnvironment::makeTemporaryFolder("access-list");
        const QByteArray bytes = ScanFixture::uniqueBytes(3000);
        for (const char *copy : {"/a/f", "/b/f"}) {
            writeFile(roots + copy, bytes);
            ASSERT_EQ(::chmod(native(roots + copy).constData(), 0640), 0);
            if (sourceHasList) {
                const QByteArray list = accessList(6, kNobody, 4, 0, 0);
                ASSERT_EQ(::lsetxattr(native(roots + copy).constData(), "system.posix_acl_access", list.constData(),
                                      size_t(list.size()), 0),
                          0);
            }
        }
        setModified(roots + "/a/f", 1400000000);
        const QByteArray sourceList = attributeOf(roots + "/b/f", "system.posix_acl_access");
        EXPECT_EQ(sourceList.isEmpty(), !sourceHasList);

        const auto [outcome, reason] = moveSecondCopy(roots + "/a/f", roots + "/b/f", destination);
        EXPECT_EQ(outcome, CopyOutcome::Removed) << reason.toStdString();
        EXPECT_EQ(reason, QString());
        EXPECT_EQ(readAll(destination + "/f"), bytes);
        EXPECT_EQ(statusOf(destination + "/f").st_mode & 07777, 0640u);
        EXPECT_EQ(attributeOf(destination + "/f", "system.posix_acl_access"), sourceList);
        QFile::remove(destination + "/f");
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
// stacked on another shows the files of the lower one's layers, a layer
// folder moved since it was mounted (another folder made at its old path)
// still shows its files through the overlay, one folder may be the upper
// layer of one overlay and a lower layer of another, and an upper layer on a
// file system of its own may have been moved with that file system, so that
// nothing before the act tells the two paths apart. In every mode the marked
// view stays and the kept one keeps its bytes.
TEST_F(OtherFileSystems, OneFileSeenThroughStackedOrMovedLayersIsNotTwoCopies)
{
    enum class Arrangement {
        Stacked,    // "mid" is an overlay of "low", "top" an overlay of "mid"
        Moved,      // "top" is an overlay of "low", moved to "low.moved" since
        Shared,     // "low" is the lower layer of "top" and the upper one of "top2"
        MovedUpper, // "top" has its upper layer on a tmpfs, mounted at "u1" and moved to "u2"
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
        {"shared: the view of the overlay it is upper to, kept below", Arrangement::Shared, "/top/f", "/top2/f",
         "shows it"},
        {"shared: the view of the overlay it is lower to, kept above", Arrangement::Shared, "/top2/f", "/top/f",
         "shows it"},
        {"moved upper: the view of a kept file of the moved upper layer", Arrangement::MovedUpper, "/u2/up/f", "/top/f",
         "left its place along with it"},
    };
    for (const Case &c : cases) {
        for (const MovingType &mode : {MovingType::Permanently(), MovingType::Trash(), MovingType::Folder({}, false)}) {
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(int(mode.kind)));
            const QString base = TestEnvironment::makeTemporaryFolder("overlay-arranged");
            const QByteArray bytes = ScanFixture::uniqueBytes(3000);
            if (c.arrangement != Arrangement::MovedUpper)
                writeFile(base + "/low/f", bytes);
            for (const char *folder : {"/low", "/low2", "/up-mid", "/up-top", "/up", "/u1", "/u2"})
                ASSERT_TRUE(QDir().mkpath(base + folder));
            QString refused;
            switch (c.arrangement) {
            case Arrangement::Stacked:
                refused = mountOverlay(base + "/low", base + "/up-mid", base + "/mid");
                if (refused.isEmpty())
                    refused = mountOverlay(base + "/mid", base + "/up-top", base + "/top");
                break;
            case Arrangement::Moved:
                refused = mountOverlay(base + "/low", base + "/up", base + "/top");
                ASSERT_TRUE(QDir().rename(base + "/low", base + "/low.moved"));
                ASSERT_TRUE(QDir().mkpath(base + "/low"));
                break;
            case Arrangement::Shared:
                refused = mountOverlay(base + "/low", base + "/up", base + "/top");
                if (refused.isEmpty())
                    refused = mountOverlay(base + "/low2", base + "/low", base + "/top2");
                break;
            case Arrangement::MovedUpper:
                refused = mountTmpfs(base + "/u1");
                if (refused.isEmpty()) {
                    writeFile(base + "/u1/up/f", bytes);
                    refused = mountOverlay(base + "/low", base + "/u1/up", base + "/top");
                }
                if (refused.isEmpty())
                    refused = moveMount(base + "/u1", base + "/u2");
                break;
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
            EXPECT_FALSE(QFileInfo::exists(base + "/dest/f"));
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

#ifdef TWINMOOR_TEST_FUSE
namespace {

PassthroughFuse::Options withoutNoReplaceRename()
{
    PassthroughFuse::Options options;
    options.renameFlags = false;
    return options;
}

// Known by their paths: each name, a hard link too, gets an inode number of
// its own, and a rename cannot be told not to replace.
PassthroughFuse::Options pathBased()
{
    PassthroughFuse::Options options = withoutNoReplaceRename();
    options.ownInodeNumbers = true;
    return options;
}

PassthroughFuse::Options withoutHardLinks(bool ownInodeNumbers)
{
    PassthroughFuse::Options options = withoutNoReplaceRename();
    options.hardLinks = false;
    options.ownInodeNumbers = ownInodeNumbers;
    return options;
}

// Two equal files, "a/tool" older than "b/tool", below the folder.
QByteArray writeTools(const QString &roots, int size)
{
    const QByteArray bytes = ScanFixture::uniqueBytes(size);
    writeFile(roots + "/a/tool", bytes);
    writeFile(roots + "/b/tool", bytes);
    setModified(roots + "/a/tool", 1400000000);
    setModified(roots + "/b/tool", 1500000000);
    return bytes;
}

} // namespace

// Remote and cloud folders are mostly FUSE file systems that know files by
// their paths: no file without a name, no rename that refuses to replace,
// and a hard link that gets an inode number of its own, or no hard links at
// all. A move into one, from elsewhere or from inside it, works as it does
// anywhere else: the copy lands whole under its name, with its times, the
// source goes, and nothing else is left.
TEST_F(OtherFileSystems, AMoveIntoAFuseFolderLeavesTheCopyAndNothingElse)
{
    struct Case
    {
        const char *name;
        PassthroughFuse::Options options;
        bool fromInside; // the copies lie in the FUSE folder too
    };
    const Case cases[] = {
        {"hard links get inode numbers of their own", pathBased(), false},
        {"no hard links", withoutHardLinks(false), false},
        {"no hard links, every name an inode number of its own", withoutHardLinks(true), false},
        {"from inside, hard links get inode numbers of their own", pathBased(), true},
        {"from inside, no hard links", withoutHardLinks(true), true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("fuse-move");
        const QString backing = base + "/backing";
        const QByteArray bytes = writeTools((c.fromInside ? backing : base) + "/d", 300000);
        PassthroughFuse fuse;
        const QString refused = fuse.mount(backing, base + "/fuse", c.options);
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

        const QString roots = (c.fromInside ? base + "/fuse" : base) + "/d";
        const auto [outcome, reason] = moveSecondCopy(roots + "/a/tool", roots + "/b/tool", base + "/fuse/dest");
        EXPECT_FALSE(QFileInfo::exists(roots + "/b/tool"));
        EXPECT_EQ(readAll(roots + "/a/tool"), bytes);
        fuse.unmount();
        EXPECT_EQ(outcome, CopyOutcome::Removed) << reason.toStdString();
        EXPECT_EQ(reason, QString());
        EXPECT_EQ(entriesOf(backing + "/dest"), QStringList{"tool"});
        EXPECT_EQ(readAll(backing + "/dest/tool"), bytes);
        EXPECT_EQ(statusOf(backing + "/dest/tool").st_mtim.tv_sec, 1500000000);
        if (c.fromInside) {
            EXPECT_EQ(entriesOf(backing + "/d/b"), QStringList());
        }
    }
}

// A copy set aside to be deleted in a FUSE folder without a rename that
// refuses to replace, or without hard links, goes back to its own name when
// it must stay (here its keeper changed meanwhile), as it was set aside.
TEST_F(OtherFileSystems, ACopySetAsideInAFuseFolderGoesBackWhenItMustStay)
{
    for (const bool hardLinks : {true, false}) {
        SCOPED_TRACE(hardLinks ? "with hard links" : "without hard links");
        const QString base = TestEnvironment::makeTemporaryFolder("fuse-put-back");
        const QString backing = base + "/backing";
        const QByteArray bytes = writeTools(backing + "/d", 5000);
        PassthroughFuse fuse;
        const QString refused = fuse.mount(backing, base + "/fuse", hardLinks ? pathBased() : withoutHardLinks(true));
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();
        const QString roots = base + "/fuse/d";
        makeStore({{ScanResultKeys::Others, {{roots + "/a/tool", roots + "/b/tool"}}}});
        mark(1, 0, 1);
        ScriptedFileManager files;
        files.afterPin = [&](const FileManager::PinnedItem &) { writeFile(roots + "/a/tool", "edited"); };
        RemovalRun run(RemovalPlan::fromStore(MovingType::Permanently()), files);
        runToEnd(run);
        EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{CopyOutcome::KeptLastCopy})
            << run.result().reasons.join(';').toStdString();
        EXPECT_EQ(entriesOf(roots + "/b"), QStringList{"tool"});
        EXPECT_EQ(readAll(roots + "/b/tool"), bytes);
        fuse.unmount();
    }
}

// A folder may answer the deletion of a copy, the rename that sets it aside
// first, its move to the Trash or into another of its folders, or the
// deletion of a moved copy's source, as done without making it, with or
// without numbering each name on its own. The copy then still lies there: the
// report says that the file system did not do what it answered, not that the
// copy went, vanished or met another item, and the copy keeps its own name
// and bytes. Nothing the run made is left behind silently: a private name, a
// link at the destination or a Trash record (one that a create made before it
// failed included) goes, or is named where the folder never lets it go.
TEST_F(OtherFileSystems, ARemovalTheFileSystemAnsweredButDidNotMakeFails)
{
    struct Case
    {
        const char *name;
        PassthroughFuse::Options options;
        MovingType mode;
        const char *reason; // a part of it
        const char *destination = "/fuse/dest"; // below the base, for a move
        // What the run made that stays, each named in the report: in the
        // destination, and in the Trash's records.
        QStringList staysInDestination = {};
        QStringList staysInRecords = {};
    };
    PassthroughFuse::Options unlinkAnswered;
    unlinkAnswered.unlinks = false;
    PassthroughFuse::Options renameAnswered;
    renameAnswered.renames = false;
    PassthroughFuse::Options unlinkAnsweredByPath = pathBased();
    unlinkAnsweredByPath.unlinks = false;
    PassthroughFuse::Options renameAnsweredByPath = pathBased();
    renameAnsweredByPath.renames = false;
    PassthroughFuse::Options linkMoveUnlinkAnswered = withoutNoReplaceRename();
    linkMoveUnlinkAnswered.unlinks = false;
    PassthroughFuse::Options linkMoveRenameAnswered = withoutNoReplaceRename();
    linkMoveRenameAnswered.renames = false;
    PassthroughFuse::Options renameAndUnlinkAnswered = renameAnswered;
    renameAndUnlinkAnswered.unlinks = false;
    PassthroughFuse::Options createFails;
    createFails.createError = EIO;
    const Case cases[] = {
        {"a delete whose unlink is answered but not made", unlinkAnswered, MovingType::Permanently(),
         "the file system answered its deletion as done but did not make it"},
        {"a delete whose setting aside is answered but not made", renameAnswered, MovingType::Permanently(),
         "as done but did not make it"},
        {"a move to the Trash answered but not made", renameAnswered, MovingType::Trash(),
         "the file system answered the move to the Trash as done but did not make it"},
        {"a delete whose unlink is answered but not made, every name numbered on its own", unlinkAnsweredByPath,
         MovingType::Permanently(), "the file system answered its deletion as done but did not make it"},
        {"a delete whose setting aside is answered but not made, every name numbered on its own",
         renameAnsweredByPath, MovingType::Permanently(), "as done but did not make it"},
        {"a move to the Trash answered but not made, every name numbered on its own", renameAnsweredByPath,
         MovingType::Trash(), "the file system answered the move to the Trash as done but did not make it"},
        {"a move into another of its folders answered but not made", renameAnswered, MovingType::Folder({}, false),
         "the file system answered the move as done but did not make it"},
        {"a move by a hard link whose source's unlink is answered but not made", linkMoveUnlinkAnswered,
         MovingType::Folder({}, false), "the file system answered the deletion of its source as done but did not make it",
         "/fuse/dest", {"tool"}},
        {"a move by a hard link whose setting aside is answered but not made", linkMoveRenameAnswered,
         MovingType::Folder({}, false), "the file system answered its renaming to "},
        {"a move by a hard link, every name numbered on its own and unlinks answered but not made",
         unlinkAnsweredByPath, MovingType::Folder({}, false), "the link the run made at ", "/fuse/dest", {"tool"}},
        {"a move to another file system whose source's unlink is answered but not made", unlinkAnswered,
         MovingType::Folder({}, false), "the file system answered the deletion of its source as done but did not make it",
         "/dest"},
        {"a move to the Trash whose record's create made it and then failed", createFails, MovingType::Trash(),
         "its record cannot be made in "},
        {"a move to the Trash and its record's removal answered but not made", renameAndUnlinkAnswered,
         MovingType::Trash(), "the file system answered the move to the Trash as done but did not make it", "",
         {}, {"tool.trashinfo"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("fuse-not-removed");
        const QString backing = base + "/backing";
        const QByteArray bytes = writeTools(backing + "/d", 5000);
        PassthroughFuse fuse;
        const QString refused = fuse.mount(backing, base + "/fuse", c.options);
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

        const QString roots = base + "/fuse/d";
        const QString destination = base + c.destination;
        const MovingType mode =
            c.mode.kind == MovingType::Kind::Folder ? MovingType::Folder(destination, false) : c.mode;
        const auto [outcome, reason] = removeSecondCopy(roots + "/a/tool", roots + "/b/tool", mode);
        fuse.unmount();
        EXPECT_EQ(outcome, CopyOutcome::Failed) << reason.toStdString();
        EXPECT_TRUE(reason.contains(QLatin1String(c.reason))) << reason.toStdString();
        for (const char *guess : {"vanished", "another item", "already there"})
            EXPECT_FALSE(reason.contains(QLatin1String(guess))) << reason.toStdString();
        QStringList left = entriesOf(backing + "/d/b");
        EXPECT_TRUE(left.removeOne(QStringLiteral("tool")));
        for (const QString &name : left)
            EXPECT_TRUE(reason.contains(roots + "/b/" + name)) << reason.toStdString();
        EXPECT_EQ(readAll(backing + "/d/b/tool"), bytes);
        EXPECT_EQ(readAll(backing + "/d/a/tool"), bytes);
        // The Trash at the top of the FUSE folder does not hold it, and keeps
        // no record of it unless the report names that record.
        const QString trash = "/.Trash-" + QString::number(::getuid());
        EXPECT_EQ(entriesOf(backing + trash + "/files"), QStringList());
        EXPECT_EQ(entriesOf(backing + trash + "/info"), c.staysInRecords);
        for (const QString &name : c.staysInRecords)
            EXPECT_TRUE(reason.contains(base + "/fuse" + trash + "/info/" + name)) << reason.toStdString();
        EXPECT_EQ(entriesOf(backing + "/dest"), c.destination == QLatin1String("/fuse/dest") ? c.staysInDestination : QStringList());
        EXPECT_EQ(entriesOf(base + "/dest"), QStringList());
        for (const QString &name : c.staysInDestination)
            EXPECT_TRUE(reason.contains("the link the run made at " + destination + "/" + name)) << reason.toStdString();
    }
}

// Where the FUSE file system fails to take away a name of the copy, answers
// its removal without making it, or cannot show whether it is still there,
// the copy it made may stay there, and the report says where: beside the
// finished copy when the move worked, alone when it did not.
TEST_F(OtherFileSystems, ACopyLeftInAFuseFolderIsNamedInTheReport)
{
    struct Case
    {
        const char *name;
        PassthroughFuse::Options options;
        bool renameFails; // of the copy's private name, as unlink fails here unless the options answer it
        CopyOutcome outcome;
        const char *reason; // a part of it
        bool lookUpFails = false; // of the private name, once its removal was asked
    };
    // An unlink answered as done while the name stays: a folder that hides
    // an open file's name by a rename of its own, where that rename does nothing.
    auto unlinkAnswered = [](PassthroughFuse::Options options) {
        options.unlinks = false;
        return options;
    };
    const Case cases[] = {
        {"its spare name stays beside a finished move", pathBased(), false, CopyOutcome::Removed,
         "moved, but the copy also stays at "},
        {"its spare name's removal answered as done", unlinkAnswered(withoutNoReplaceRename()), false,
         CopyOutcome::Removed, "moved, but the copy also stays at "},
        {"its spare name's removal answered as done, every name an inode number of its own",
         unlinkAnswered(pathBased()), false, CopyOutcome::Removed, "moved, but the copy also stays at "},
        {"its spare name cannot be looked at once its removal was answered", unlinkAnswered(withoutNoReplaceRename()),
         false, CopyOutcome::Removed, "moved, but ", true},
        {"the copy can neither be named nor taken away", withoutHardLinks(false), true, CopyOutcome::Failed,
         "the copy it made was left at "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("fuse-leftover");
        const QString backing = base + "/backing";
        const QByteArray bytes = writeTools(base + "/d", 5000);
        PassthroughFuse fuse;
        bool removalAsked = false;
        fuse.beforeOperation = [&](const char *operation, const QByteArray &path) {
            if (!path.contains("/.twinmoor-moving-"))
                return 0;
            const bool unlink = qstrcmp(operation, "unlink") == 0;
            removalAsked = removalAsked || unlink;
            const bool fails = (c.options.unlinks && unlink) || (c.renameFails && qstrcmp(operation, "rename") == 0)
                               || (c.lookUpFails && removalAsked && qstrcmp(operation, "getattr") == 0);
            return fails ? -EIO : 0;
        };
        const QString refused = fuse.mount(backing, base + "/fuse", c.options);
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

        const auto [outcome, reason] = moveSecondCopy(base + "/d/a/tool", base + "/d/b/tool", base + "/fuse/dest");
        fuse.unmount();
        EXPECT_EQ(outcome, c.outcome) << reason.toStdString();
        QStringList left = entriesOf(backing + "/dest");
        left.removeAll(QStringLiteral("tool"));
        ASSERT_EQ(left.size(), 1) << entriesOf(backing + "/dest").join(' ').toStdString();
        EXPECT_TRUE(reason.contains(QLatin1String(c.reason) + base + "/fuse/dest/" + left.first())) << reason.toStdString();
        EXPECT_EQ(readAll(backing + "/dest/" + left.first()), bytes);
        EXPECT_EQ(QFileInfo::exists(base + "/d/b/tool"), c.outcome != CopyOutcome::Removed);
    }
}

// Some file systems (bind and remote ones, by an option) answer a change of
// owner without making it. Root moving another user's set-ID program with a
// file capability there must not leave one of root's: the owner is read
// back, and the set-ID bits and the capability go with it.
TEST_F(OtherFileSystems, ACopyWhoseOwnerWasNotKeptLosesItsPrivileges)
{
    const QString backing = m_base + "/backing";
    const QByteArray bytes = writeTools(m_base + "/d", 5000);
    // cap_net_raw, permitted and effective.
    const quint32 capability[5] = {0x02000001, 1u << 13, 0, 0, 0};
    for (const char *tool : {"/d/a/tool", "/d/b/tool"}) {
        const QByteArray path = native(m_base + tool);
        ASSERT_EQ(::lchown(path.constData(), 1234, 1234), 0);
        ASSERT_EQ(::chmod(path.constData(), 06755), 0);
        if (::lsetxattr(path.constData(), "security.capability", capability, sizeof capability, 0) != 0)
            GTEST_SKIP() << "no file capabilities here";
    }
    PassthroughFuse::Options options;
    options.changesOwners = false;
    PassthroughFuse fuse;
    const QString refused = fuse.mount(backing, m_base + "/fuse", options);
    if (!refused.isEmpty())
        GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

    const auto [outcome, reason] = moveSecondCopy(m_base + "/d/a/tool", m_base + "/d/b/tool", m_base + "/fuse/dest");
    fuse.unmount();
    EXPECT_EQ(outcome, CopyOutcome::Removed) << reason.toStdString();
    EXPECT_EQ(reason, "moved, but not with its owner, its group, its file capabilities, its set-user-ID bit, "
                      "its set-group-ID bit");
    EXPECT_EQ(statusOf(backing + "/dest/tool").st_mode & 07777, 0755u);
    EXPECT_EQ(attributeOf(backing + "/dest/tool", "security.capability"), QByteArray());
    EXPECT_EQ(readAll(backing + "/dest/tool"), bytes);
}

// What a move cannot keep of a file's rights never lets more people in, and
// the report names it. A folder that keeps no access lists (vfat, many
// remote ones), or answers one as set without setting it, leaves the copy
// without the source's: its mode's group bits would show the list's mask,
// the rights of the named user, so the owning group, which the list let do
// nothing, could read the copy. It gets its own entry's rights instead; and
// a user the list named would come in as everybody else, or as a member of
// the copy's group, so neither gets more than that user had. A folder that answers a
// change of mode without making it shows rights of its own, and one that
// refuses it names what the copy shows, here the rights the folder made it
// with. A set-ID program whose owner did not pass to the copy is never named
// there while its set-ID bits cannot be cleared. An extended attribute
// answered as set without being set is named too: a file capability the
// program needs to work, say.
TEST_F(OtherFileSystems, WhatACopyCouldNotKeepIsNeverWiderAndAlwaysNamed)
{
    struct Case
    {
        const char *name;
        PassthroughFuse::Options options;
        QByteArray list; // the marked copy's access list, set after its mode; empty: none
        mode_t mode;     // the source's
        uid_t owner;    // and group of both copies
        CopyOutcome outcome;
        QString reason; // exactly, or a part of it for a failure
        mode_t copyMode; // in the backing folder; 0: not looked at
        const char *attribute = nullptr; // given to both copies, with this value
        QByteArray value = {};
    };
    // cap_net_raw, permitted and effective.
    const quint32 capability[5] = {0x02000001, 1u << 13, 0, 0, 0};
    PassthroughFuse::Options noAttributes;
    noAttributes.extendedAttributes = false;
    PassthroughFuse::Options attributesNotSet;
    attributesNotSet.setsAttributes = false;
    PassthroughFuse::Options everyFileReadable;
    everyFileReadable.shownMode = 0666;
    PassthroughFuse::Options modeRefused;
    modeRefused.madeMode = 0666;
    modeRefused.chmodError = EPERM;
    PassthroughFuse::Options setIdStays;
    setIdStays.shownMode = 06755;
    setIdStays.changesOwners = false;
    // user::rw- user:nobody:r-- group::--- mask::r-- other::---, on mode 0640.
    const QByteArray namedUserMayRead = accessList(6, kNobody, 4, 0, 0);
    // user::rw- user:nobody:--- group::r-- mask::r-- other::r--, on mode 0644.
    const QByteArray namedUserKeptOut = accessList(6, kNobody, 0, 4, 4);
    const Case cases[] = {
        {"a folder without access lists", noAttributes, namedUserMayRead, 0640, 4242, CopyOutcome::Removed,
         "moved, but not with its access list (" + PosixFiles::errorText(EOPNOTSUPP) + ")", 0600},
        {"an access list answered as set", attributesNotSet, namedUserMayRead, 0640, 4242, CopyOutcome::Removed,
         "moved, but not with its access list", 0600},
        // The named users may be members of the copy's group.
        {"a folder without access lists, where the list kept a user out of what everybody may",
         noAttributes, namedUserKeptOut, 0644, 4242, CopyOutcome::Removed,
         "moved, but not with its access list (" + PosixFiles::errorText(EOPNOTSUPP) + ")", 0600},
        {"a folder without access lists, where the list let a user do less than the owning group",
         noAttributes, accessList(6, 1005, 4, 6, 4), 0664, 4242, CopyOutcome::Removed,
         "moved, but not with its access list (" + PosixFiles::errorText(EOPNOTSUPP) + ")", 0644},
        {"a change of mode answered as made", everyFileReadable, {}, 0600, 4242, CopyOutcome::Removed,
         "moved, but not with its mode 0600 (its copy has 0666)", 0},
        {"a change of mode refused on a copy made wider", modeRefused, {}, 0600, 4242, CopyOutcome::Removed,
         "moved, but not with its mode 0600 (" + PosixFiles::errorText(EPERM) + "; its copy has 0666)", 0666},
        {"set-ID bits that stay under another owner", setIdStays, {}, 06755, 1234, CopyOutcome::Failed,
         "set-ID bits", 0},
        {"a user attribute answered as set", attributesNotSet, {}, 0600, 4242, CopyOutcome::Removed,
         "moved, but not with its extended attribute user.origin", 0600, "user.origin", "twinmoor"},
        {"a file capability answered as set", attributesNotSet, {}, 0755, 4242, CopyOutcome::Removed,
         "moved, but not with its extended attribute security.capability", 0755, "security.capability",
         QByteArray(reinterpret_cast<const char *>(capability), sizeof capability)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("fuse-rights");
        const QString backing = base + "/backing";
        const QByteArray bytes = writeTools(base + "/d", 5000);
        for (const char *tool : {"/d/a/tool", "/d/b/tool"}) {
            const QByteArray path = native(base + tool);
            ASSERT_EQ(::lchown(path.constData(), c.owner, c.owner), 0);
            ASSERT_EQ(::chmod(path.constData(), c.mode), 0);
            // After the owner, whose change would take a capability away.
            if (c.attribute
                && ::lsetxattr(path.constData(), c.attribute, c.value.constData(), size_t(c.value.size()), 0) != 0)
                GTEST_SKIP() << "the temporary folder refuses the attribute " << c.attribute;
        }
        if (!c.list.isEmpty()) {
            if (::lsetxattr(native(base + "/d/b/tool").constData(), "system.posix_acl_access", c.list.constData(),
                            size_t(c.list.size()), 0)
                != 0)
                GTEST_SKIP() << "the temporary folder keeps no access lists";
            ASSERT_EQ(statusOf(base + "/d/b/tool").st_mode & 07777, c.mode);
        }
        PassthroughFuse fuse;
        const QString refused = fuse.mount(backing, base + "/fuse", c.options);
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

        const auto [outcome, reason] = moveSecondCopy(base + "/d/a/tool", base + "/d/b/tool", base + "/fuse/dest");
        fuse.unmount();
        EXPECT_EQ(outcome, c.outcome) << reason.toStdString();
        if (c.outcome == CopyOutcome::Removed) {
            EXPECT_EQ(reason, c.reason);
            EXPECT_FALSE(QFileInfo::exists(base + "/d/b/tool"));
            EXPECT_EQ(entriesOf(backing + "/dest"), QStringList{"tool"});
            EXPECT_EQ(readAll(backing + "/dest/tool"), bytes);
            EXPECT_EQ(attributeOf(backing + "/dest/tool", "system.posix_acl_access"), QByteArray());
            const struct stat copy = statusOf(backing + "/dest/tool");
            EXPECT_EQ(copy.st_gid, c.owner);
            if (c.copyMode != 0) {
                EXPECT_EQ(copy.st_mode & 07777, c.copyMode);
            }
        } else {
            EXPECT_TRUE(reason.contains(c.reason)) << reason.toStdString();
            EXPECT_EQ(readAll(base + "/d/b/tool"), bytes);
            EXPECT_EQ(entriesOf(backing + "/dest"), QStringList());
        }
    }
}

// Where the copy's group is not its source's (a folder that answers a change
// of owner without making it, or a user who is not root moving another
// user's file to another file system), the source's group rights were meant
// for a group the copy does not have: whoever is in the copy's group may do
// no more than everybody could. A source that kept its own group out of
// what everybody may do keeps everybody out of the copy, since the source's
// group may now be anybody. An access list keeps its mask for the users and
// groups it names, and its owning group's entry is cut the same way, and to
// no more than any group it names, whose members may be in the copy's group
// (to nothing where it kept one out by name). Where the list cannot go with
// the copy, a user it named may be in the copy's group as well: the group
// gets no more than that user had. File capabilities, like set-ID bits, pass
// only with both owner and group.
TEST_F(OtherFileSystems, ACopyInAnotherGroupGivesThatGroupNoMoreThanEverybody)
{
    struct Case
    {
        const char *name;
        bool asNobody; // nobody moves root's file to a tmpfs; else root moves it into a folder that ignores chown
        uid_t owner;
        gid_t group;
        mode_t mode;
        QByteArray list; // the marked copy's access list, set after its mode; empty: none
        bool capability; // cap_net_raw, permitted and effective
        uid_t copyOwner; // and group
        mode_t copyMode;
        QByteArray copyList;
        QString reason;
        bool keepsAccessLists = true; // the destination's file system
    };
    const QString noAccessList = "its access list (" + PosixFiles::errorText(EOPNOTSUPP) + ")";
    const Case cases[] = {
        {"a group's read right", false, 1001, 4242, 0640, {}, false, 0, 0600, {},
         "moved, but not with its owner, its group"},
        {"an access list's owning group", false, 1001, 4242, 0640, accessList(6, kNobody, 4, 4, 0), false, 0, 0640,
         accessList(6, kNobody, 4, 0, 0), "moved, but not with its owner, its group"},
        {"a program with a file capability", false, 0, 4242, 0750, {}, true, 0, 0700, {},
         "moved, but not with its group, its file capabilities"},
        // The copy lands in nobody's own group, kNoGroup.
        {"nobody moves root's file that its group may write", true, 0, 0, 0664, {}, false, kNobody, 0644, {},
         "moved, but not with its owner, its group"},
        {"nobody moves their own file that its group may not read but everybody may", true, kNobody, 4343, 0604, {},
         false, kNobody, 0600, {}, "moved, but not with its group"},
        {"nobody moves their own file whose access list keeps nobody's group out by name", true, kNobody, 4343, 0644,
         groupAccessList(6, 4, kNoGroup, 0, 4, 4), false, kNobody, 0644, groupAccessList(6, 0, kNoGroup, 0, 4, 4),
         "moved, but not with its group"},
        // A member of the group the list named may be in the copy's group.
        {"an access list that keeps a group out by name", false, 1001, 4242, 0644, groupAccessList(6, 4, 4343, 0, 4, 4),
         false, 0, 0644, groupAccessList(6, 0, 4343, 0, 4, 4), "moved, but not with its owner, its group"},
        // The user the list named may be in the copy's group.
        {"an access list that keeps a user out by name, to a folder without access lists", false, 1001, 4343, 0644,
         accessList(6, 1007, 0, 4, 4), false, 0, 0600, {}, "moved, but not with its owner, its group, " + noAccessList,
         false},
    };
    const quint32 capability[5] = {0x02000001, 1u << 13, 0, 0, 0};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<SharedFolder> shared;
        if (c.asNobody) {
            shared.emplace();
            ASSERT_FALSE(shared->path.isEmpty());
        }
        const QString base = c.asNobody ? shared->path : TestEnvironment::makeTemporaryFolder("fuse-group");
        const QString roots = base + "/d";
        const QByteArray bytes = writeTools(roots, 5000);
        if (c.asNobody) {
            // The marked copy's folder is nobody's to change.
            ASSERT_TRUE(giveTree(roots, kNobody, kNoGroup));
        }
        for (const char *tool : {"/a/tool", "/b/tool"}) {
            const QByteArray path = native(roots + tool);
            ASSERT_EQ(::lchown(path.constData(), c.owner, c.group), 0);
            ASSERT_EQ(::chmod(path.constData(), c.mode), 0);
            if (c.capability
                && ::lsetxattr(path.constData(), "security.capability", capability, sizeof capability, 0) != 0)
                GTEST_SKIP() << "no file capabilities here";
        }
        if (!c.list.isEmpty()
            && ::lsetxattr(native(roots + "/b/tool").constData(), "system.posix_acl_access", c.list.constData(),
                           size_t(c.list.size()), 0)
                   != 0)
            GTEST_SKIP() << "the temporary folder keeps no access lists";

        QString copy;
        CopyOutcome outcome = CopyOutcome::NotReached;
        QString reason;
        PassthroughFuse fuse;
        if (c.asNobody) {
            const QString refused = mountTmpfs(base + "/M");
            if (!refused.isEmpty())
                GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
            ASSERT_EQ(::chmod(native(base + "/M").constData(), 01777), 0);
            if (!c.list.isEmpty()) {
                const QString probe = base + "/M/probe";
                writeFile(probe, "probe");
                const bool kept = ::lsetxattr(native(probe).constData(), "system.posix_acl_access", c.list.constData(),
                                              size_t(c.list.size()), 0)
                                  == 0;
                ASSERT_TRUE(QFile::remove(probe));
                if (!kept)
                    GTEST_SKIP() << "this tmpfs keeps no access lists";
            }
            const RunnerResult result =
                runRemoverAs(OtherUser::Nobody, *shared, {"--keep", "oldest", "--mode", "folder=" + base + "/M/dest", roots});
            ASSERT_EQ(result.lines.size(), 2) << result.errors.toStdString();
            outcome = result.lines.at(0).value("outcome").toString() == "removed" ? CopyOutcome::Removed
                                                                                  : CopyOutcome::Failed;
            reason = result.lines.at(0).value("reason").toString();
            copy = base + "/M/dest/tool";
        } else {
            PassthroughFuse::Options options;
            options.changesOwners = false;
            options.extendedAttributes = c.keepsAccessLists;
            const QString refused = fuse.mount(base + "/backing", base + "/fuse", options);
            if (!refused.isEmpty())
                GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();
            std::tie(outcome, reason) = moveSecondCopy(roots + "/a/tool", roots + "/b/tool", base + "/fuse/dest");
            fuse.unmount();
            copy = base + "/backing/dest/tool";
        }

        EXPECT_EQ(outcome, CopyOutcome::Removed) << reason.toStdString();
        EXPECT_EQ(reason, c.reason);
        EXPECT_FALSE(QFileInfo::exists(roots + "/b/tool"));
        EXPECT_EQ(readAll(copy), bytes);
        const struct stat moved = statusOf(copy);
        EXPECT_EQ(moved.st_uid, c.copyOwner);
        EXPECT_EQ(moved.st_gid, c.copyOwner);
        EXPECT_EQ(moved.st_mode & 07777, c.copyMode);
        EXPECT_EQ(attributeOf(copy, "system.posix_acl_access"), c.copyList);
        EXPECT_EQ(attributeOf(copy, "security.capability"), QByteArray());
        unmountAll();
    }
}

// Many FUSE and cloud folders make every file with rights of their own,
// whatever was asked (here 0666). The private copy of a file that only its
// owner may read is narrowed to the runner alone before its first byte, so
// that nobody else can read it while it is written, nor once a run killed
// half-way has left it behind.
TEST_F(OtherFileSystems, APrivateCopyIsTheRunnersAloneWhileItIsWritten)
{
    for (const bool killed : {false, true}) {
        SCOPED_TRACE(killed ? "the run is killed half-way" : "the run ends");
        const QString base = TestEnvironment::makeTemporaryFolder("fuse-made-wide");
        const QString backing = base + "/backing";
        const QByteArray bytes = writeTools(base + "/d", 300000);
        for (const char *tool : {"/d/a/tool", "/d/b/tool"})
            ASSERT_EQ(::chmod(native(base + tool).constData(), 0600), 0);
        PassthroughFuse::Options options;
        options.madeMode = 0666;
        PassthroughFuse fuse;
        std::optional<mode_t> whileWritten;
        // Half-way: at the copy's second write.
        fuse.beforeWrite = [&](const QByteArray &path, off_t offset, pid_t writer) {
            if (offset == 0 || whileWritten)
                return;
            whileWritten = statusOf(backing + QFile::decodeName(path)).st_mode & 07777;
            if (killed)
                ::kill(writer, SIGKILL);
        };
        const QString refused = fuse.mount(backing, base + "/fuse", options);
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

        if (killed) {
            const RunnerResult result =
                runRemover({"--keep", "oldest", "--mode", "folder=" + base + "/fuse/dest", base + "/d"});
            fuse.unmount();
            EXPECT_EQ(result.exitCode, -1);
            EXPECT_EQ(readAll(base + "/d/b/tool"), bytes);
            const QStringList left = entriesOf(backing + "/dest");
            ASSERT_EQ(left.size(), 1);
            EXPECT_TRUE(left.first().startsWith(".twinmoor-moving-")) << left.first().toStdString();
            EXPECT_EQ(statusOf(backing + "/dest/" + left.first()).st_mode & 07777, 0600u);
        } else {
            const auto [outcome, reason] = moveSecondCopy(base + "/d/a/tool", base + "/d/b/tool", base + "/fuse/dest");
            fuse.unmount();
            EXPECT_EQ(outcome, CopyOutcome::Removed) << reason.toStdString();
            EXPECT_EQ(reason, QString());
            EXPECT_EQ(entriesOf(backing + "/dest"), QStringList{"tool"});
            EXPECT_EQ(statusOf(backing + "/dest/tool").st_mode & 07777, 0600u);
        }
        EXPECT_EQ(whileWritten, std::optional<mode_t>(0600));
    }
}

// A move that fails may leave a file it made under a private name. A folder
// without hard links or a rename that refuses to replace names the copy by a
// plain rename, which a file system may answer without making it: the copy
// then still lies under its private name, which on a file system that
// numbers each name on its own now shows another inode number. A network
// folder may make a file and still answer its create with an error: the
// empty file is the run's own. Either way the source stays, and the private
// file is taken away, or named where it cannot be.
TEST_F(OtherFileSystems, AFileAFailedMoveMadeIsTakenAwayOrNamed)
{
    struct Case
    {
        const char *name;
        PassthroughFuse::Options options;
        QString reason;  // a part of it; %1 is the base folder
        qint64 madeSize; // of the private file
    };
    PassthroughFuse::Options renameAnswered = withoutHardLinks(false);
    renameAnswered.renames = false;
    PassthroughFuse::Options renameAnsweredOwnNumbers = withoutHardLinks(true);
    renameAnsweredOwnNumbers.renames = false;
    PassthroughFuse::Options createFails = withoutNoReplaceRename();
    createFails.createError = EIO;
    const Case cases[] = {
        {"a rename answered but not made", renameAnswered,
         "its copy could not be named %1/fuse/dest/tool: the file system answered the rename as done", 5000},
        {"a rename answered but not made, every name an inode number of its own", renameAnsweredOwnNumbers,
         "its copy could not be named %1/fuse/dest/tool: the file system answered the rename as done", 5000},
        {"a create that made the file and then failed", createFails,
         "its copy could not be made at %1/fuse/dest/.twinmoor-moving-", 0},
    };
    for (const Case &c : cases) {
        for (const bool unlinkFails : {false, true}) {
            SCOPED_TRACE(c.name);
            SCOPED_TRACE(unlinkFails ? "the private file cannot be taken away" : "the private file can be taken away");
            const QString base = TestEnvironment::makeTemporaryFolder("fuse-private-left");
            const QString backing = base + "/backing";
            const QByteArray bytes = writeTools(base + "/d", 5000);
            PassthroughFuse fuse;
            fuse.beforeOperation = [unlinkFails](const char *operation, const QByteArray &path) {
                return unlinkFails && qstrcmp(operation, "unlink") == 0 && path.contains("/.twinmoor-moving-") ? -EIO : 0;
            };
            const QString refused = fuse.mount(backing, base + "/fuse", c.options);
            if (!refused.isEmpty())
                GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

            const auto [outcome, reason] = moveSecondCopy(base + "/d/a/tool", base + "/d/b/tool", base + "/fuse/dest");
            fuse.unmount();
            EXPECT_EQ(outcome, CopyOutcome::Failed) << reason.toStdString();
            EXPECT_TRUE(reason.contains(c.reason.arg(base))) << reason.toStdString();
            EXPECT_EQ(readAll(base + "/d/b/tool"), bytes);
            const QStringList left = entriesOf(backing + "/dest");
            if (unlinkFails) {
                ASSERT_EQ(left.size(), 1) << left.join(' ').toStdString();
                EXPECT_TRUE(left.first().startsWith(".twinmoor-moving-")) << left.first().toStdString();
                EXPECT_EQ(statusOf(backing + "/dest/" + left.first()).st_size, c.madeSize);
                EXPECT_TRUE(reason.contains("the copy it made was left at " + base + "/fuse/dest/" + left.first()))
                    << reason.toStdString();
            } else {
                EXPECT_EQ(left, QStringList());
            }
        }
    }
}

// On a file system that numbers each name on its own, the copy's name, once
// named, is looked at and read back to tell the copy from another file. A
// network folder's passing error there tells nothing of who holds the name:
// the report says what could not be done at the copy's name, never that
// another item or another process took it, and the source stays.
TEST_F(OtherFileSystems, ACopyNameThatCannotBeCheckedIsNeverSaidToBeTaken)
{
    struct Case
    {
        const char *name;
        const char *fails; // at the copy's name, once the copy was linked there
        const char *reason; // a part of it
    };
    const Case cases[] = {
        {"its name cannot be looked at once named", "getattr", "could not be looked at"},
        {"its name cannot be read back once named", "open", "could not be read back"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("fuse-unchecked");
        const QString backing = base + "/backing";
        const QByteArray bytes = writeTools(base + "/d", 5000);
        PassthroughFuse fuse;
        bool linking = false;
        bool linked = false;
        fuse.beforeOperation = [&](const char *operation, const QByteArray &path) {
            linking = linking || qstrcmp(operation, "link") == 0;
            if (!linking || path != "/dest/tool")
                return 0;
            // The file system's own look-up of the new name is its answer to
            // the link: it passes, or the link itself would fail.
            if (!linked && qstrcmp(operation, "getattr") == 0) {
                linked = true;
                return 0;
            }
            return linked && qstrcmp(operation, c.fails) == 0 ? -EIO : 0;
        };
        const QString refused = fuse.mount(backing, base + "/fuse", pathBased());
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

        const auto [outcome, reason] = moveSecondCopy(base + "/d/a/tool", base + "/d/b/tool", base + "/fuse/dest");
        fuse.unmount();
        EXPECT_TRUE(linked);
        EXPECT_EQ(outcome, CopyOutcome::Failed) << reason.toStdString();
        EXPECT_TRUE(reason.contains(QLatin1String(c.reason))) << reason.toStdString();
        EXPECT_TRUE(reason.contains(base + "/fuse/dest/tool")) << reason.toStdString();
        EXPECT_FALSE(reason.contains("another item")) << reason.toStdString();
        EXPECT_FALSE(reason.contains("another process")) << reason.toStdString();
        EXPECT_EQ(readAll(base + "/d/b/tool"), bytes);
        // The name may still hold the copy, which the run could not tell; its private name is gone.
        for (const QString &entry : entriesOf(backing + "/dest"))
            EXPECT_FALSE(entry.startsWith(".twinmoor-moving-")) << entry.toStdString();
    }
}

// A file copied to another file system is copied only whole: a source on a
// flaky folder whose reads end before its listed size (every time, here),
// or that holds more than listed, would leave a copy that compares equal to
// what could be read, and lose the rest once the source goes. It stays, and
// no copy is left. A source read in small pieces is copied whole.
TEST_F(OtherFileSystems, AFileIsMovedToAnotherFileSystemOnlyWhenItWasReadToItsEnd)
{
    struct Case
    {
        const char *name;
        size_t (*answered)(off_t offset, size_t size);
        CopyOutcome outcome;
    };
    const Case cases[] = {
        {"its reads end early", [](off_t offset, size_t size) { return offset >= 65536 ? size_t(0) : size; },
         CopyOutcome::KeptChanged},
        {"it is read in pieces", [](off_t, size_t size) { return std::min(size, size_t(1000)); }, CopyOutcome::Removed},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("fuse-source");
        const QString backing = base + "/backing";
        const QByteArray bytes = writeTools(backing + "/d", 300000);
        PassthroughFuse fuse;
        fuse.answered = [&c](const QByteArray &path, off_t offset, size_t size) {
            return path == "/d/b/tool" ? c.answered(offset, size) : size;
        };
        const QString refused = fuse.mount(backing, base + "/fuse");
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

        const QString roots = base + "/fuse/d";
        const auto [outcome, reason] = moveSecondCopy(roots + "/a/tool", roots + "/b/tool", base + "/dest");
        fuse.unmount();
        EXPECT_EQ(outcome, c.outcome) << reason.toStdString();
        if (c.outcome == CopyOutcome::Removed) {
            EXPECT_EQ(readAll(base + "/dest/tool"), bytes);
            EXPECT_EQ(entriesOf(backing + "/d/b"), QStringList());
        } else {
            EXPECT_EQ(entriesOf(base + "/dest"), QStringList());
            EXPECT_EQ(readAll(backing + "/d/b/tool"), bytes);
        }
    }
}

// The destination's file system is unmounted (lazily) after the copy was
// named, while the source is being set aside on a slow file system: the copy
// left with that file system, so the source stays where it was.
TEST_F(OtherFileSystems, ADestinationDetachedJustBeforeTheSourceGoesKeepsTheSource)
{
    const QString backing = m_base + "/backing";
    const QString mount = m_base + "/M";
    QString refused = mountTmpfs(mount);
    if (!refused.isEmpty())
        GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
    const QByteArray bytes = writeTools(backing + "/d", 5000);
    PassthroughFuse fuse;
    bool detached = false;
    fuse.beforeOperation = [&](const char *operation, const QByteArray &path) {
        if (qstrcmp(operation, "rename") == 0 && path == "/d/b/tool" && !std::exchange(detached, true)) {
            EXPECT_EQ(::umount2(native(mount).constData(), MNT_DETACH), 0);
        }
        return 0;
    };
    refused = fuse.mount(backing, m_base + "/fuse");
    if (!refused.isEmpty())
        GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

    const QString source = m_base + "/fuse/d";
    const auto [outcome, reason] = moveSecondCopy(source + "/a/tool", source + "/b/tool", mount + "/dest");
    EXPECT_TRUE(detached);
    EXPECT_EQ(outcome, CopyOutcome::Failed) << reason.toStdString();
    EXPECT_TRUE(reason.contains(mount + "/dest is no longer mounted")) << reason.toStdString();
    EXPECT_EQ(entriesOf(source + "/b"), QStringList{"tool"});
    EXPECT_EQ(readAll(source + "/b/tool"), bytes);
    fuse.unmount();
}
#endif
