#include "RemovalFixture.h"

#include <ProcessState.h>
#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <iostream>


#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace RemovalFixture;
using ScanFixture::writeFile;

// Every removal acts on the item it checked, through the folder it found it
// in: whatever is renamed or linked on the path between the check and the
// act, nothing but the checked copy leaves, and only when it did is it
// reported removed.

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

std::optional<std::pair<dev_t, ino_t>> identityOf(const QString &path)
{
    struct stat status {};
    if (::lstat(native(path).constData(), &status) != 0)
        return std::nullopt;
    return std::make_pair(status.st_dev, status.st_ino);
}

QStringList entriesOf(const QString &folder)
{
    QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    entries.sort();
    return entries;
}

QString modeName(const MovingType &mode)
{
    switch (mode.kind) {
    case MovingType::Kind::Trash:
        return QStringLiteral("trash");
    case MovingType::Kind::Permanently:
        return QStringLiteral("delete");
    case MovingType::Kind::Folder:
        return QStringLiteral("folder");
    }
    return {};
}

} // namespace

// The marked copy's folder is renamed aside and a link to the keeper's
// folder put in its place, after the copy was checked (before its move, or
// after a delete set it aside under its private name). The keeper stays, the
// marked copy is the one that goes, and a file that happens to carry the
// private name in the folder swapped in is not touched.
TEST(PinnedFolders, AFolderSwappedForALinkAfterTheCheckChangesNothing)
{
    enum class Swap { BeforeTheAct, AfterThePin };
    struct Case
    {
        const char *name;
        Swap swap;
    };
    const Case cases[] = {
        {"the folder becomes a link to the keeper's folder before the act", Swap::BeforeTheAct},
        {"a folder holding a decoy of the private name is swapped in after the pin", Swap::AfterThePin},
    };
    for (const Case &c : cases) {
        const QString destination = TestEnvironment::makeTemporaryFolder("pinned-dest");
        for (const MovingType &mode :
             {MovingType::Trash(), MovingType::Permanently(), MovingType::Folder(destination, false)}) {
            if (c.swap == Swap::AfterThePin && mode.kind != MovingType::Kind::Permanently)
                continue; // only a delete pins
            SCOPED_TRACE(std::string(c.name) + ", " + modeName(mode).toStdString());
            const QString root = TestEnvironment::makeTemporaryFolder("pinned");
            qputenv("XDG_DATA_HOME", native(root + "/data"));
            const QByteArray bytes = ScanFixture::uniqueBytes(4000);
            const QString keeper = root + "/k/f.dat";
            const QString marked = root + "/a/f.dat";
            writeFile(keeper, bytes);
            writeFile(marked, bytes);
            const auto keeperIdentity = identityOf(keeper);
            const auto markedIdentity = identityOf(marked);
            makeStore({{ScanResultKeys::Documents, {{keeper, marked}}}});
            mark(1, 0, 1);

            ScriptedFileManager files;
            bool swapped = false;
            auto moveFolderAside = [&] {
                swapped = true;
                ASSERT_TRUE(QDir().rename(root + "/a", root + "/a.old"));
            };
            if (c.swap == Swap::BeforeTheAct) {
                files.beforeOperation = [&](const QByteArray &path) {
                    if (swapped || path != native(marked))
                        return;
                    moveFolderAside();
                    ASSERT_TRUE(QFile::link(root + "/k", root + "/a"));
                };
            } else {
                files.afterPin = [&](const FileManager::PinnedItem &pinned) {
                    if (swapped)
                        return;
                    moveFolderAside();
                    const QByteArray privateName = pinned.pinnedPath.mid(pinned.pinnedPath.lastIndexOf('/') + 1);
                    writeFile(root + "/a/" + QFile::decodeName(privateName), "a decoy");
                };
            }
            RemovalPlan plan = RemovalPlan::fromStore(mode);
            ASSERT_EQ(prepareFolderDestination(plan, files), std::nullopt);
            RemovalRun run(plan, files);
            runToEnd(run);
            ASSERT_TRUE(swapped);
            EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>{CopyOutcome::Removed})
                << run.result().reasons.join(';').toStdString();

            // The keeper is where it was, the same file with the same bytes.
            EXPECT_EQ(identityOf(keeper), keeperIdentity);
            QFile kept(keeper);
            ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
            EXPECT_EQ(kept.readAll(), bytes);
            // The marked copy left the folder it was checked in, under any name.
            EXPECT_EQ(entriesOf(root + "/a.old"), QStringList());
            if (mode.kind == MovingType::Kind::Folder) {
                EXPECT_EQ(identityOf(destination + "/f.dat"), markedIdentity);
            }
            if (mode.kind == MovingType::Kind::Trash) {
                const QHash<QString, QByteArray> trash = trashContents();
                EXPECT_EQ(trash.size(), 1);
                EXPECT_FALSE(trash.contains(keeper));
            }
            if (c.swap == Swap::AfterThePin) {
                QDir swappedIn(root + "/a");
                ASSERT_EQ(swappedIn.entryList(QDir::Files | QDir::Hidden).size(), 1);
                QFile decoy(swappedIn.filePath(swappedIn.entryList(QDir::Files | QDir::Hidden).at(0)));
                ASSERT_TRUE(decoy.open(QIODevice::ReadOnly));
                EXPECT_EQ(decoy.readAll(), "a decoy");
            }
        }
    }
    qputenv("XDG_DATA_HOME", native(TestEnvironment::root() + "/home/.local/share"));
}

// A bundle holding a sticky folder with another user's file: the kernel
// refuses an ordinary user that file, so the bundle must not be entered at
// all. Run as root, the remover runs as "nobody" on a tree that user owns;
// root of a user namespace is no more privileged there, since the owner of
// that file is not one the namespace maps.
TEST(PinnedFolders, ABundleHoldingAnotherUsersFileInAStickyFolderStaysWhole)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to make another user's file and to run as another user";
    for (const OtherUser user : {OtherUser::Nobody, OtherUser::NobodyAsNamespaceRoot}) {
        SCOPED_TRACE(user == OtherUser::Nobody ? "as nobody" : "as nobody, root of its own user namespace");
        SharedFolder shared;
        ASSERT_FALSE(shared.path.isEmpty());
        const QString roots = shared.path + "/roots";
        const QString marked = roots + "/b/Tool.app";
        const QByteArray bytes = ScanFixture::uniqueBytes(3000);
        ScanFixture::makeBundle(roots + "/a/Tool.app", "com.example.tool", bytes);
        ScanFixture::makeBundle(marked, "com.example.tool", bytes);
        writeFile(marked + "/Contents/Resources/a-first.dat", ScanFixture::uniqueBytes(100));
        // Everything belongs to nobody but the sticky folder and the file in it.
        ASSERT_TRUE(giveTree(roots, kNobody, kNoGroup));
        const QString sticky = marked + "/Contents/z_sticky";
        ASSERT_TRUE(QDir().mkpath(sticky));
        writeFile(sticky + "/root-file", "root's own");
        ASSERT_EQ(::chmod(native(sticky).constData(), 01777), 0);
        ASSERT_TRUE(giveTree(sticky, 0, 0));
        const QHash<QString, QByteArray> before = digestTree(marked);

        const RunnerResult result = runRemoverAs(user, shared, {"--keep", "first", "--mode", "delete", roots});
        if (result.exitCode == 98 && user == OtherUser::NobodyAsNamespaceRoot) {
            std::cout << "skipped the user namespace: " << result.errors.toStdString() << '\n';
            continue;
        }
        ASSERT_EQ(result.exitCode, 1) << result.errors.toStdString();
        ASSERT_EQ(result.lines.size(), 2) << result.errors.toStdString();
        EXPECT_EQ(result.lines.at(0).value("path").toString(), marked);
        EXPECT_EQ(result.lines.at(0).value("outcome").toString(), "failed");
        EXPECT_TRUE(result.lines.at(0).value("reason").toString().contains(sticky + "/root-file"))
            << result.lines.at(0).value("reason").toString().toStdString();
        // Whole, and at its own path.
        EXPECT_EQ(digestTree(marked), before);
        EXPECT_EQ(entriesOf(roots + "/b"), QStringList{"Tool.app"});
    }
}

// The home Trash is opened once for the whole run, through the user's own
// link if the data folder has one. A Trash, "files" or "info" folder renamed
// away and replaced while the run goes on changes nothing: every copy lands
// beside its record in the folders opened first, so no item is split from
// its record, and nothing goes into the folders put in their place.
TEST(PinnedFolders, TheTrashIsOpenedOnceForTheWholeRun)
{
    for (const char *swapped : {"Trash", "Trash/files", "Trash/info"}) {
        SCOPED_TRACE(swapped);
        const QString root = TestEnvironment::makeTemporaryFolder("pinned-trash");
        const QString data = root + "/data";
        ASSERT_TRUE(QDir().mkpath(root + "/real-trash"));
        ASSERT_TRUE(QDir().mkpath(data));
        ASSERT_TRUE(QFile::link(root + "/real-trash", data + "/Trash"));
        qputenv("XDG_DATA_HOME", native(data));
        QList<QStringList> groups = writeNamedPairs(root, {"one", "two", "three"});
        makeStore({{ScanResultKeys::Documents, groups}});
        for (int group = 0; group < groups.size(); ++group)
            mark(1, group, 1);

        ScriptedFileManager files;
        int operations = 0;
        const QString swappedPath = root + "/real-trash" + QString::fromLatin1(swapped).mid(5);
        files.beforeOperation = [&](const QByteArray &) {
            // After the first copy went in, the folder is renamed aside and an
            // empty one made in its place.
            if (++operations != 2)
                return;
            ASSERT_TRUE(QDir().rename(swappedPath, swappedPath + ".old"));
            ASSERT_TRUE(QDir().mkpath(swappedPath));
        };
        RemovalRun run(RemovalPlan::fromStore(MovingType::Trash()), files);
        runToEnd(run);
        EXPECT_EQ(run.result().outcomes, QList<CopyOutcome>(3, CopyOutcome::Removed))
            << run.result().reasons.join(';').toStdString();

        const QString trash = root + "/real-trash" + (qstrcmp(swapped, "Trash") == 0 ? ".old" : "");
        const QString filesFolder = trash + (qstrcmp(swapped, "Trash/files") == 0 ? "/files.old" : "/files");
        const QString infoFolder = trash + (qstrcmp(swapped, "Trash/info") == 0 ? "/info.old" : "/info");
        QStringList trashed = entriesOf(filesFolder);
        QStringList records = entriesOf(infoFolder);
        EXPECT_EQ(trashed, QStringList({"one.txt", "three.txt", "two.txt"}));
        for (QString &record : records)
            record.chop(int(qstrlen(".trashinfo")));
        EXPECT_EQ(records, trashed);
        EXPECT_EQ(entriesOf(swappedPath), QStringList());
    }
    qputenv("XDG_DATA_HOME", native(TestEnvironment::root() + "/home/.local/share"));
}
