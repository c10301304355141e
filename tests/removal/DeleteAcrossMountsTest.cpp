#include "PrivateMounts.h"
#include "RemovalFixture.h"

#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

using DeleteAcrossMounts = PrivateMounts;

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

} // namespace

// A marked bundle with another mount inside: nothing of it, and nothing of
// what is mounted in it, is deleted, moved or even renamed, in any mode (a
// mount carried into the Trash would be deleted across when it is emptied).
TEST_F(DeleteAcrossMounts, ABundleHoldingAMountIsKeptWholeAtItsOwnPath)
{
    enum class Kind { BindFolder, BindFile, OtherFileSystem };
    struct Case
    {
        const char *name;
        Kind kind;
        const char *mountPoint; // inside the marked bundle
    };
    const Case cases[] = {
        // Same file system, same device: only the mount tells it apart.
        {"a folder outside the scanned roots bound inside", Kind::BindFolder, "/Contents/Resources/linked"},
        {"a file outside the scanned roots bound over one inside", Kind::BindFile, "/Contents/Resources/data.bin"},
        {"another file system mounted inside", Kind::OtherFileSystem, "/Contents/scratch"},
    };
    const QString destination = TestEnvironment::makeTemporaryFolder("mount-destination");
    for (const Case &c : cases) {
        for (const MovingType &mode :
             {MovingType::Permanently(), MovingType::Trash(), MovingType::Folder(destination, false)}) {
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(int(mode.kind)));
            const QString base = TestEnvironment::makeTemporaryFolder("mount-case");
            const QString kept = base + "/roots/a/Tool.app";
            const QString marked = base + "/roots/b/Tool.app";
            const QString outside = base + "/outside";
            const QByteArray bytes = ScanFixture::uniqueBytes(500);
            ScanFixture::makeBundle(kept, "com.example.tool", bytes);
            ScanFixture::makeBundle(marked, "com.example.tool", bytes);
            writeFile(marked + "/Contents/Resources/data.bin", "bundle data");
            writeFile(outside + "/keep-me.txt", "outside every root");
            writeFile(outside + "/deeper/too.txt", "outside as well");
            writeFile(outside + "/file.bin", "an outside file");

            const QString mountPoint = marked + c.mountPoint;
            QDir().mkpath(QFileInfo(mountPoint).absolutePath());
            if (c.kind != Kind::BindFile)
                QDir().mkpath(mountPoint);
            const QString refused = mountInside(c.kind == Kind::BindFile ? outside + "/file.bin" : outside, mountPoint,
                                                c.kind != Kind::OtherFileSystem);
            if (!refused.isEmpty())
                GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
            if (c.kind == Kind::OtherFileSystem)
                writeFile(mountPoint + "/scratch.txt", "on the other file system");

            // The record is made with the mount in place, as a scan would see it.
            makeStore({{ScanResultKeys::Application, {{kept, marked}}}});
            mark(1, 0, 1);
            const QHash<QString, QByteArray> bundleBefore = digestTree(marked);
            const QHash<QString, QByteArray> outsideBefore = digestTree(outside);
            ASSERT_FALSE(bundleBefore.isEmpty());
            const QHash<QString, QByteArray> trashBefore = trashContents();

            RemovalPlan plan = RemovalPlan::fromStore(mode);
            ASSERT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
            RemovalRun run(plan, FileManager::defaultManager());
            runToEnd(run);
            EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{CopyOutcome::Failed});
            const QString reason = run.result().reasons.value(0);
            EXPECT_TRUE(reason.contains(mountPoint) && reason.contains("mount point")) << reason.toStdString();
            EXPECT_EQ(digestTree(marked), bundleBefore);
            EXPECT_EQ(digestTree(outside), outsideBefore);
            EXPECT_EQ(entriesOf(base + "/roots/b"), QStringList{"Tool.app"});
            EXPECT_EQ(entriesOf(destination), QStringList());
            EXPECT_EQ(trashContents(), trashBefore);
            unmountAll();
        }
    }
}

// The same through the command-line remover, scan included.
TEST_F(DeleteAcrossMounts, TheRemoverKeepsABundleHoldingABindMount)
{
    const QString roots = m_base + "/roots";
    const QString marked = roots + "/b/Tool.app";
    const QString outside = m_base + "/outside";
    const QByteArray bytes = ScanFixture::uniqueBytes(5000);
    ScanFixture::makeBundle(roots + "/a/Tool.app", "com.example.tool", bytes);
    ScanFixture::makeBundle(marked, "com.example.tool", bytes);
    writeFile(outside + "/keep-me.txt", ScanFixture::uniqueBytes(3000));
    QDir().mkpath(marked + "/Contents/linked");
    const QString refused = mountInside(outside, marked + "/Contents/linked", true);
    if (!refused.isEmpty())
        GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
    const QHash<QString, QByteArray> bundleBefore = digestTree(marked);
    const QHash<QString, QByteArray> outsideBefore = digestTree(outside);

    const RunnerResult result = runRemover({"--keep", "first", "--mode", "delete", roots});
    EXPECT_EQ(result.exitCode, 1) << result.errors.toStdString();
    ASSERT_EQ(result.lines.size(), 2) << result.errors.toStdString();
    EXPECT_EQ(result.lines.at(0).value("path").toString(), marked);
    EXPECT_EQ(result.lines.at(0).value("outcome").toString(), "failed");
    EXPECT_TRUE(result.lines.at(0).value("reason").toString().contains(marked + "/Contents/linked"))
        << result.lines.at(0).value("reason").toString().toStdString();
    EXPECT_EQ(digestTree(marked), bundleBefore);
    EXPECT_EQ(digestTree(outside), outsideBefore);
    EXPECT_EQ(entriesOf(roots + "/b"), QStringList{"Tool.app"});
}

namespace {

// Sets the modification time of a folder itself (what "newest" compares for a bundle).
void setFolderModified(const QString &path, qint64 secondsSinceEpoch)
{
    const struct timespec times[2] = {{secondsSinceEpoch, 0}, {secondsSinceEpoch, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0);
}

} // namespace

// Z.app holds Inner.app, a copy of its own group, and Z.app/Contents is
// bind-mounted elsewhere: the scan finds Inner.app through the mount, by a
// path that does not lie inside Z.app. Removing Z.app would take Inner.app
// along, whichever group it belongs to and in whatever order the groups come.
TEST_F(DeleteAcrossMounts, AFolderHoldingAKeptCopyThroughABindMountStays)
{
    struct Case
    {
        const char *name;
        bool twoGroups;  // Inner.app in a group of its own with C.app, of which C.app is marked
        bool innerFirst; // that group before Z.app's
    };
    const Case cases[] = {
        {"the kept copy is of the folder's own group", false, false},
        {"the kept copy is of another group, which comes after", true, false},
        {"the kept copy is of another group, which comes first", true, true},
    };
    const QString destination = m_base + "/destination";
    for (const Case &c : cases) {
        for (const MovingType &mode :
             {MovingType::Permanently(), MovingType::Trash(), MovingType::Folder(destination, false)}) {
            SCOPED_TRACE(std::string(c.name) + ", mode " + std::to_string(int(mode.kind)));
            const QString base = TestEnvironment::makeTemporaryFolder("bound-keeper");
            const QString holder = base + "/r/Z.app";
            const QString inner = holder + "/Contents/Inner.app";
            const QString view = base + "/bm";
            ScanFixture::makeBundle(holder, "com.example.zed", ScanFixture::uniqueBytes(300));
            ScanFixture::makeBundle(base + "/r/Y.app", "com.example.zed", ScanFixture::uniqueBytes(300));
            ScanFixture::makeBundle(inner, c.twoGroups ? "com.example.inner" : "com.example.zed",
                                    ScanFixture::uniqueBytes(200));
            ScanFixture::makeBundle(base + "/r/C.app", "com.example.inner", ScanFixture::uniqueBytes(200));
            QDir().mkpath(view);
            const QString refused = mountInside(holder + "/Contents", view, true);
            if (!refused.isEmpty())
                GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
            const QString seenInner = view + "/Inner.app";

            QList<QStringList> groups;
            if (c.twoGroups) {
                groups = {{holder, base + "/r/Y.app"}, {seenInner, base + "/r/C.app"}};
                if (c.innerFirst)
                    std::swap(groups[0], groups[1]);
            } else {
                groups = {{holder, seenInner}};
            }
            makeStore({{ScanResultKeys::Application, groups}});
            const int holderGroup = c.twoGroups && c.innerFirst ? 1 : 0;
            mark(1, holderGroup, 0);
            if (c.twoGroups)
                mark(1, 1 - holderGroup, 1);
            const QHash<QString, QByteArray> holderBefore = digestTree(holder);

            RemovalPlan plan = RemovalPlan::fromStore(mode);
            ASSERT_EQ(prepareFolderDestination(plan, FileManager::defaultManager()), std::nullopt);
            RemovalRun run(plan, FileManager::defaultManager());
            runToEnd(run);
            for (int i = 0; i < run.plan().copies.size(); ++i) {
                const QString path = QFile::decodeName(run.plan().copies.at(i).path);
                SCOPED_TRACE(path.toStdString() + ": " + run.result().reasons.at(i).toStdString());
                if (path == holder) {
                    EXPECT_EQ(run.result().outcomes.at(i), CopyOutcome::KeptLastCopy);
                    EXPECT_TRUE(run.result().reasons.at(i).contains(inner)) << run.result().reasons.at(i).toStdString();
                } else {
                    EXPECT_EQ(path, base + "/r/C.app");
                    EXPECT_EQ(run.result().outcomes.at(i), CopyOutcome::Removed);
                }
            }
            EXPECT_EQ(digestTree(holder), holderBefore);
            EXPECT_TRUE(QFileInfo::exists(seenInner + "/Contents/MacOS/tool"));
            unmountAll();
            QDir(destination).removeRecursively();
        }
    }
}

// The same as a user met it: twinmoor-remove over the folder and the bind
// mount, keeping the newer copy, deleted nothing but left no copy either.
TEST_F(DeleteAcrossMounts, TheRemoverKeepsAFolderHoldingItsKeeperThroughABindMount)
{
    const QString holder = m_base + "/r/Z.app";
    const QString inner = holder + "/Contents/Inner.app";
    const QString view = m_base + "/bm";
    ScanFixture::makeBundle(holder, "com.example.zed", ScanFixture::uniqueBytes(400));
    ScanFixture::makeBundle(inner, "com.example.zed", ScanFixture::uniqueBytes(300));
    setFolderModified(holder, 1400000000);
    setFolderModified(inner, 1600000000);
    QDir().mkpath(view);
    const QString refused = mountInside(holder + "/Contents", view, true);
    if (!refused.isEmpty())
        GTEST_SKIP() << "mount(2) was refused: " << refused.toStdString();
    const QHash<QString, QByteArray> before = digestTree(holder);

    for (const char *mode : {"delete", "trash"}) {
        SCOPED_TRACE(mode);
        const RunnerResult result = runRemover({"--keep", "newest", "--mode", mode, m_base + "/r", view});
        EXPECT_EQ(result.exitCode, 1) << result.errors.toStdString();
        ASSERT_EQ(result.lines.size(), 2) << result.errors.toStdString();
        EXPECT_EQ(result.lines.at(0).value("path").toString(), holder);
        EXPECT_EQ(result.lines.at(0).value("outcome").toString(), "last-copy");
        EXPECT_EQ(result.lines.at(1).value("removed").toInt(), 0);
        EXPECT_EQ(digestTree(holder), before);
        EXPECT_TRUE(QFileInfo::exists(view + "/Inner.app/Contents/MacOS/tool"));
    }
}
