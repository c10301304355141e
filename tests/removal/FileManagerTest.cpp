#include "RemovalFixture.h"

#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCryptographicHash>
#include <QDateTime>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(FileManager, MoveNeverReplacesWhateverLiesAtTheTarget)
{
    struct Case
    {
        const char *name;
        bool sourceIsFolder;
        bool targetIsFolder;
    };
    const Case cases[] = {
        {"file over file", false, false},
        {"file over folder", false, true},
        {"folder over file", true, false},
        {"folder over empty folder", true, true},
    };
    FileManager &files = FileManager::defaultManager();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString root = TestEnvironment::makeTemporaryFolder("move");
        const QString source = root + "/source";
        const QString target = root + "/target";
        if (c.sourceIsFolder)
            writeFile(source + "/inside", "source");
        else
            writeFile(source, "source");
        if (c.targetIsFolder)
            QDir().mkpath(target);
        else
            writeFile(target, "target");

        const FileManager::Result moved = files.moveItem(native(source), native(target));
        EXPECT_FALSE(moved.ok);
        EXPECT_FALSE(moved.reason.isEmpty());
        EXPECT_EQ(readAll(c.sourceIsFolder ? source + "/inside" : source), "source");
        if (c.targetIsFolder)
            EXPECT_TRUE(QDir(target).isEmpty());
        else
            EXPECT_EQ(readAll(target), "target");
    }
}

TEST(FileManager, MovesAFileToAnotherFileSystemByCopyCheckRemoveButNeverAFolder)
{
    const QString root = TestEnvironment::makeTemporaryFolder("cross");
    struct stat here {};
    struct stat there {};
    if (::stat(native(root).constData(), &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev
        || ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no second writable file system";
    QTemporaryDir other(QStringLiteral("/dev/shm/twinmoor-test-XXXXXX"));
    ASSERT_TRUE(other.isValid());

    const QByteArray bytes = ScanFixture::uniqueBytes(200000);
    writeFile(root + "/file", bytes);
    {
        QFile file(root + "/file");
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000), QFileDevice::FileModificationTime);
    }
    writeFile(root + "/folder/inside", "x");
    FileManager &files = FileManager::defaultManager();

    EXPECT_TRUE(files.moveItem(native(root + "/file"), native(other.path() + "/file")).ok);
    EXPECT_FALSE(QFileInfo::exists(root + "/file"));
    EXPECT_EQ(readAll(other.path() + "/file"), bytes);
    EXPECT_EQ(QFileInfo(other.path() + "/file").lastModified().toSecsSinceEpoch(), 1000000000);

    writeFile(other.path() + "/taken", "other");
    writeFile(root + "/taken", "mine");
    EXPECT_FALSE(files.moveItem(native(root + "/taken"), native(other.path() + "/taken")).ok);
    EXPECT_EQ(readAll(root + "/taken"), "mine");
    EXPECT_EQ(readAll(other.path() + "/taken"), "other");

    const FileManager::Result folder = files.moveItem(native(root + "/folder"), native(other.path() + "/folder"));
    EXPECT_FALSE(folder.ok);
    EXPECT_EQ(readAll(root + "/folder/inside"), "x");
    EXPECT_FALSE(QFileInfo::exists(other.path() + "/folder"));
}

TEST(FileManager, RemovesAFolderWholeOrNotAtAll)
{
    FileManager &files = FileManager::defaultManager();
    const QString root = TestEnvironment::makeTemporaryFolder("remove");
    writeFile(root + "/Tool.app/Contents/Info.plist", "a");
    writeFile(root + "/Tool.app/Contents/MacOS/tool", "b");
    QFile::link(root + "/elsewhere", root + "/Tool.app/link");
    writeFile(root + "/elsewhere", "kept");

    EXPECT_TRUE(files.removeItem(native(root + "/Tool.app")).ok);
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"elsewhere"});
    EXPECT_EQ(readAll(root + "/elsewhere"), "kept");

    writeFile(root + "/Held.app/Contents/a", "a");
    writeFile(root + "/Held.app/Contents/b", "b");
    if (!setImmutable(root + "/Held.app/Contents/b", true))
        GTEST_SKIP() << "the immutable flag cannot be set here";
    const FileManager::Result held = files.removeItem(native(root + "/Held.app"));
    setImmutable(root + "/Held.app/Contents/b", false);
    EXPECT_FALSE(held.ok);
    EXPECT_TRUE(held.reason.contains("Contents/b")) << held.reason.toStdString();
    EXPECT_EQ(readAll(root + "/Held.app/Contents/a"), "a");
    EXPECT_EQ(readAll(root + "/Held.app/Contents/b"), "b");
    EXPECT_EQ(QDir(root).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList({"elsewhere", "Held.app"}));
}

// A delete sets the item aside under a longer private name first; that must
// work for every name the item itself can have.
TEST(FileManager, DeletesFilesAndFoldersWhateverTheirName)
{
    struct Case
    {
        const char *name;
        QByteArray itemName;
    };
    const Case cases[] = {
        {"plain", "plain.txt"},
        {"the longest name a folder entry can have", QByteArray(255, 'n')},
        {"a name that is not text", "caf\xe9 \xff.txt"},
    };
    FileManager &files = FileManager::defaultManager();
    for (const Case &c : cases) {
        for (const bool folder : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (folder ? ", folder" : ", file"));
            const QByteArray root = native(TestEnvironment::makeTemporaryFolder("names"));
            const QByteArray path = root + '/' + c.itemName;
            const QByteArray file = folder ? path + "/inside" : path;
            if (folder) {
                ASSERT_EQ(::mkdir(path.constData(), 0755), 0);
            }
            const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(::write(fd, "bytes", 5), 5);
            ::close(fd);

            const FileManager::Result removed = files.removeItem(path);
            EXPECT_TRUE(removed.ok) << removed.reason.toStdString();
            DIR *folderList = ::opendir(root.constData());
            ASSERT_NE(folderList, nullptr);
            QList<QByteArray> left;
            while (const dirent *entry = ::readdir(folderList)) {
                if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                    left.append(entry->d_name);
            }
            ::closedir(folderList);
            EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
        }
    }
}

// Putting a pinned item back never replaces what took its name meanwhile, and
// a pinned folder of which nothing could be deleted goes back whole.
TEST(FileManager, APinnedItemGoesBackOnlyWhereNothingTookItsPlace)
{
    FileManager &files = FileManager::defaultManager();
    const QString root = TestEnvironment::makeTemporaryFolder("pin");
    writeFile(root + "/copy.txt", "the copy");
    FileManager::PinnedItem pinned;
    ASSERT_TRUE(files.pinItem(native(root + "/copy.txt"), pinned).ok);
    EXPECT_FALSE(QFileInfo::exists(root + "/copy.txt"));
    EXPECT_EQ(readAll(QFile::decodeName(pinned.pinnedPath)), "the copy");
    EXPECT_EQ(pinned.status.size, 8u);
    EXPECT_TRUE(files.unpinItem(pinned).ok);
    EXPECT_EQ(readAll(root + "/copy.txt"), "the copy");

    ASSERT_TRUE(files.pinItem(native(root + "/copy.txt"), pinned).ok);
    writeFile(root + "/copy.txt", "a newcomer");
    const FileManager::Result back = files.unpinItem(pinned);
    EXPECT_FALSE(back.ok);
    EXPECT_TRUE(back.reason.contains(QFile::decodeName(pinned.pinnedPath))) << back.reason.toStdString();
    EXPECT_EQ(readAll(root + "/copy.txt"), "a newcomer");
    EXPECT_EQ(readAll(QFile::decodeName(pinned.pinnedPath)), "the copy");

    writeFile(root + "/Held.app/Contents/only", "held");
    ASSERT_TRUE(files.pinItem(native(root + "/Held.app"), pinned).ok);
    const QString heldInside = QFile::decodeName(pinned.pinnedPath) + "/Contents/only";
    if (!setImmutable(heldInside, true))
        GTEST_SKIP() << "the immutable flag cannot be set here";
    const FileManager::Result held = files.deletePinnedItem(pinned);
    setImmutable(heldInside, false);
    setImmutable(root + "/Held.app/Contents/only", false);
    EXPECT_FALSE(held.ok);
    EXPECT_EQ(readAll(root + "/Held.app/Contents/only"), "held");
    EXPECT_FALSE(QFileInfo::exists(QFile::decodeName(pinned.pinnedPath)));
}

TEST(FileManager, TrashMakesTheDataFolderFirstAndRecordsTheOldPath)
{
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDir(dataHome).removeRecursively();
    const QString root = TestEnvironment::makeTemporaryFolder("trash");
    const QString working = TestEnvironment::makeTemporaryFolder("working");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(working);

    FileManager &files = FileManager::defaultManager();
    const QStringList names = {"plain.txt", "with\nnewline", "100% sure #1.txt"};
    for (const QString &name : names) {
        writeFile(root + "/" + name, name.toUtf8());
        EXPECT_TRUE(files.trashItem(native(root + "/" + name)).ok) << name.toStdString();
        EXPECT_FALSE(QFileInfo::exists(root + "/" + name));
    }
    QDir::setCurrent(previous);

    const QHash<QString, QByteArray> trash = trashContents();
    for (const QString &name : names)
        EXPECT_EQ(trash.value(root + "/" + name), QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Md5).toHex())
            << name.toStdString();
    EXPECT_TRUE(QDir(working).isEmpty()) << "something was trashed into the working folder";
}

TEST(FileManager, TrashTakesANameThatIsNotTextAndRecordsItsBytes)
{
    FileManager &files = FileManager::defaultManager();
    const QString root = TestEnvironment::makeTemporaryFolder("trash-bytes");
    const QByteArray oddName = native(root) + "/caf\xe9.txt";
    for (int round = 0; round < 2; ++round) { // the second one needs another name in the Trash
        const int fd = ::open(oddName.constData(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "odd", 3), 3);
        ::close(fd);
        EXPECT_TRUE(files.trashItem(oddName).ok);
        EXPECT_FALSE(files.fileExists(oddName));
    }
    // The record's own name holds the odd byte too: read the folder as bytes.
    const QByteArray info = native(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) + "/Trash/info";
    int records = 0;
    DIR *folder = ::opendir(info.constData());
    ASSERT_NE(folder, nullptr);
    while (const dirent *entry = ::readdir(folder)) {
        QFile file;
        const int fd = ::open((info + '/' + entry->d_name).constData(), O_RDONLY);
        if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            continue;
        // Escaped byte by byte: the odd byte is "%E9", not the escape of U+FFFD.
        const QByteArray escaped = oddName.toPercentEncoding("/");
        if (file.readAll().contains("Path=" + escaped + '\n')) {
            ++records;
            // The temporary folder's own clean-up cannot name these.
            const QByteArray name(entry->d_name);
            ::unlink((info + '/' + name).constData());
            ::unlink((info + "/../files/" + name.chopped(int(strlen(".trashinfo")))).constData());
        }
    }
    ::closedir(folder);
    EXPECT_EQ(records, 2);
}

TEST(FileManager, TrashRefusesWhatItCannotMove)
{
    FileManager &files = FileManager::defaultManager();
    const QString root = TestEnvironment::makeTemporaryFolder("trash-refused");
    EXPECT_FALSE(files.trashItem(native(root + "/missing")).ok);

    writeFile(root + "/held", "held");
    if (!setImmutable(root + "/held", true))
        GTEST_SKIP() << "the immutable flag cannot be set here";
    const FileManager::Result held = files.trashItem(native(root + "/held"));
    setImmutable(root + "/held", false);
    EXPECT_FALSE(held.ok);
    EXPECT_EQ(readAll(root + "/held"), "held");
}

TEST(FileManager, CreatesFoldersWithParentsFromAbsolutePathsOnly)
{
    FileManager &files = FileManager::defaultManager();
    const QString root = TestEnvironment::makeTemporaryFolder("create");
    EXPECT_TRUE(files.createDirectory(native(root + "/a/b/c")).ok);
    EXPECT_TRUE(QFileInfo(root + "/a/b/c").isDir());
    EXPECT_TRUE(files.createDirectory(native(root + "/a/b/c")).ok);
    EXPECT_FALSE(files.createDirectory("relative/folder").ok);
    writeFile(root + "/file", "x");
    EXPECT_FALSE(files.createDirectory(native(root + "/file/below")).ok);
    EXPECT_EQ(readAll(root + "/file"), "x");
}
