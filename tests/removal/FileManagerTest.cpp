#include "RemovalFixture.h"

#include <FileReading.h>
#include <NativePath.h>
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

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <iostream>
#include <memory>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <poll.h>
#include <sched.h>
#include <sys/inotify.h>
#include <sys/mount.h>
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

QByteArray readBytes(const QByteArray &path)
{
    return FileReading::readRegularFile(NativePath::decode(path), 1 << 20).value_or(QByteArray());
}

void writeBytes(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
    ::close(fd);
}

// Points the data folder, and with it the home Trash, at a folder of the
// test's own while it lives.
class ScopedDataHome
{
public:
    explicit ScopedDataHome(const QString &folder)
        : m_previous(qgetenv("XDG_DATA_HOME"))
    {
        qputenv("XDG_DATA_HOME", native(folder));
    }
    ~ScopedDataHome() { qputenv("XDG_DATA_HOME", m_previous); }

private:
    QByteArray m_previous;
};

// Makes the folder refuse new entries: by its mode, or, for root, whom modes
// do not stop, by the immutable flag. False when neither works here.
bool lockFolder(const QString &folder, bool locked)
{
    if (::geteuid() == 0)
        return setImmutable(folder, locked);
    const QFileDevice::Permissions readable = QFileDevice::ReadOwner | QFileDevice::ExeOwner;
    return QFile::setPermissions(folder, locked ? readable : readable | QFileDevice::WriteOwner);
}

// This process's mounts, apart from everyone else's; once, and only when
// nothing mounted here can reach the rest of the system.
bool hasPrivateMounts()
{
    static const bool made =
        ::unshare(CLONE_NEWNS) == 0 && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    return made;
}

// A folder on a file system of its own and the top folder of that file
// system. As root a tmpfs is mounted in this process's private mounts, so
// nothing outside sees it and it goes with the test; otherwise a folder under
// /dev/shm, and only what the test made there is taken away again.
class OtherFileSystem
{
public:
    OtherFileSystem()
    {
        const QByteArray mountPoint = native(TestEnvironment::makeTemporaryFolder("other-file-system"));
        if (::geteuid() == 0 && hasPrivateMounts()
            && ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=16m,mode=0755") == 0) {
            m_mounted = mountPoint;
            topFolder = mountPoint;
        } else {
            struct stat temporary {};
            struct stat shared {};
            struct stat above {};
            struct stat trash {};
            if (::stat(mountPoint.constData(), &temporary) != 0 || ::stat("/dev/shm", &shared) != 0
                || ::stat("/dev", &above) != 0 || shared.st_dev == temporary.st_dev || shared.st_dev == above.st_dev
                || ::access("/dev/shm", W_OK) != 0) {
                why = QStringLiteral("no second file system: a tmpfs cannot be mounted and /dev/shm is none");
                return;
            }
            if (::lstat("/dev/shm/.Trash", &trash) == 0) {
                why = QStringLiteral("/dev/shm has a shared .Trash of its own");
                return;
            }
            topFolder = "/dev/shm";
            m_ownTrash = topFolder + "/.Trash-" + QByteArray::number(::getuid());
            m_trashWasThere = ::lstat(m_ownTrash.constData(), &trash) == 0;
        }
        folder = topFolder + "/twinmoor-test-XXXXXX";
        if (!::mkdtemp(folder.data())) {
            why = QStringLiteral("no folder can be made in %1").arg(QString::fromUtf8(topFolder));
            folder.clear();
        }
    }

    ~OtherFileSystem()
    {
        if (!m_mounted.isEmpty()) {
            ::umount2(m_mounted.constData(), MNT_DETACH);
            return;
        }
        if (!folder.isEmpty()) {
            const auto removeEntry = [](const char *entry, const struct stat *, int, FTW *) {
                ::remove(entry);
                return 0;
            };
            ::nftw(folder.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
        }
        // Only empty folders go: whatever else lies in a shared Trash stays.
        if (!m_ownTrash.isEmpty() && !m_trashWasThere) {
            ::rmdir((m_ownTrash + "/files").constData());
            ::rmdir((m_ownTrash + "/info").constData());
            ::rmdir(m_ownTrash.constData());
        }
    }

    explicit operator bool() const { return !folder.isEmpty(); }

    QByteArray folder;
    QByteArray topFolder;
    QString why;

private:
    QByteArray m_mounted;
    QByteArray m_ownTrash;
    bool m_trashWasThere = false;
};

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

        const FileManager::Result moved = files.moveItemAtPath(native(source), native(target));
        EXPECT_FALSE(moved.ok);
        EXPECT_FALSE(moved.reason.isEmpty());
        EXPECT_EQ(readAll(c.sourceIsFolder ? source + "/inside" : source), "source");
        if (c.targetIsFolder)
            EXPECT_TRUE(QDir(target).isEmpty());
        else
            EXPECT_EQ(readAll(target), "target");
    }
}

namespace {

// A folder of the test's own under /dev/shm, when that is a writable file
// system other than the one of `root`.
std::unique_ptr<QTemporaryDir> folderOnAnotherFileSystem(const QString &root)
{
    struct stat here {};
    struct stat there {};
    if (::stat(native(root).constData(), &here) != 0 || ::stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev
        || ::access("/dev/shm", W_OK) != 0)
        return nullptr;
    auto folder = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/twinmoor-test-XXXXXX"));
    return folder->isValid() ? std::move(folder) : nullptr;
}

} // namespace

TEST(FileManager, MovesAFileToAnotherFileSystemByCopyCheckRemoveButNeverAFolder)
{
    const QString root = TestEnvironment::makeTemporaryFolder("cross");
    const std::unique_ptr<QTemporaryDir> otherFolder = folderOnAnotherFileSystem(root);
    if (!otherFolder)
        GTEST_SKIP() << "no second writable file system";
    const QTemporaryDir &other = *otherFolder;

    const QByteArray bytes = ScanFixture::uniqueBytes(200000);
    writeFile(root + "/file", bytes);
    {
        QFile file(root + "/file");
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::fromSecsSinceEpoch(1000000000), QFileDevice::FileModificationTime);
    }
    writeFile(root + "/folder/inside", "x");
    FileManager &files = FileManager::defaultManager();

    EXPECT_TRUE(files.moveItemAtPath(native(root + "/file"), native(other.path() + "/file")).ok);
    EXPECT_FALSE(QFileInfo::exists(root + "/file"));
    EXPECT_EQ(readAll(other.path() + "/file"), bytes);
    EXPECT_EQ(QFileInfo(other.path() + "/file").lastModified().toSecsSinceEpoch(), 1000000000);

    writeFile(other.path() + "/taken", "other");
    writeFile(root + "/taken", "mine");
    EXPECT_FALSE(files.moveItemAtPath(native(root + "/taken"), native(other.path() + "/taken")).ok);
    EXPECT_EQ(readAll(root + "/taken"), "mine");
    EXPECT_EQ(readAll(other.path() + "/taken"), "other");

    const FileManager::Result folder = files.moveItemAtPath(native(root + "/folder"), native(other.path() + "/folder"));
    EXPECT_FALSE(folder.ok);
    EXPECT_EQ(readAll(root + "/folder/inside"), "x");
    EXPECT_FALSE(QFileInfo::exists(other.path() + "/folder"));
}

// A move to another file system copies the file. A FIFO put in the
// source's place while the copy runs is never opened, so the move cannot
// wait for a writer; the file renamed aside is whole, the copy made in the
// destination goes again, and the move is no removal.
TEST(FileManager, AFifoSwappedInDuringACopyToAnotherFileSystemEndsTheMove)
{
    const QString root = TestEnvironment::makeTemporaryFolder("fifo-swap");
    const std::unique_ptr<QTemporaryDir> otherFolder = folderOnAnotherFileSystem(root);
    if (!otherFolder)
        GTEST_SKIP() << "no second writable file system";
    const QTemporaryDir &other = *otherFolder;

    // Large enough that the copy is still running when the swap is made.
    const QString source = root + "/big.bin";
    const QByteArray bytes = ScanFixture::uniqueBytes(1 << 20).repeated(48);
    writeFile(source, bytes);
    const QByteArray before = md5Of(source);

    const int watch = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, native(root).constData(), IN_OPEN), 0);
    std::atomic<bool> swapped{false};
    std::thread swapper([&] {
        // As soon as the move opens the source to copy it, the source is
        // renamed aside and a FIFO made under its name.
        for (;;) {
            pollfd waiting{watch, POLLIN, 0};
            if (::poll(&waiting, 1, 20000) != 1)
                return;
            alignas(inotify_event) char events[4096];
            const ssize_t got = ::read(watch, events, sizeof events);
            bool opened = false;
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(events + at);
                opened = opened || (event->len > 0 && qstrcmp(event->name, "big.bin") == 0);
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
            if (opened)
                break;
        }
        if (::rename(native(source).constData(), native(root + "/big.bin.old").constData()) == 0
            && ::mkfifo(native(source).constData(), 0644) == 0)
            swapped = true;
    });

    FileManager &files = FileManager::defaultManager();
    auto moving = std::async(std::launch::async,
                             [&] { return files.moveItemAtPath(native(source), native(other.path() + "/big.bin")); });
    const bool ended = moving.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    swapper.join();
    ::close(watch);
    if (!ended) {
        // Let the move go: a writer that comes and goes ends the reader's wait.
        const int writer = ::open(native(source).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (writer >= 0)
            ::close(writer);
    }
    const FileManager::Result moved = moving.get();
    ASSERT_TRUE(swapped);
    EXPECT_TRUE(ended) << "the move waited on the FIFO";
    EXPECT_FALSE(moved.ok);
    EXPECT_FALSE(moved.reason.isEmpty());
    EXPECT_EQ(md5Of(root + "/big.bin.old"), before);
    struct stat fifo {};
    ASSERT_EQ(::lstat(native(source).constData(), &fifo), 0);
    EXPECT_TRUE(S_ISFIFO(fifo.st_mode));
    EXPECT_TRUE(QDir(other.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
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
    ASSERT_TRUE(files.pinItemAtPath(native(root + "/copy.txt"), pinned).ok);
    EXPECT_FALSE(QFileInfo::exists(root + "/copy.txt"));
    EXPECT_EQ(readAll(QFile::decodeName(pinned.pinnedPath)), "the copy");
    EXPECT_EQ(pinned.status.size, 8u);
    EXPECT_TRUE(files.unpinItem(pinned).ok);
    EXPECT_EQ(readAll(root + "/copy.txt"), "the copy");

    ASSERT_TRUE(files.pinItemAtPath(native(root + "/copy.txt"), pinned).ok);
    writeFile(root + "/copy.txt", "a newcomer");
    const FileManager::Result back = files.unpinItem(pinned);
    EXPECT_FALSE(back.ok);
    EXPECT_TRUE(back.reason.contains(QFile::decodeName(pinned.pinnedPath))) << back.reason.toStdString();
    EXPECT_EQ(readAll(root + "/copy.txt"), "a newcomer");
    EXPECT_EQ(readAll(QFile::decodeName(pinned.pinnedPath)), "the copy");

    writeFile(root + "/Held.app/Contents/only", "held");
    ASSERT_TRUE(files.pinItemAtPath(native(root + "/Held.app"), pinned).ok);
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
        EXPECT_TRUE(files.trashItemAtPath(native(root + "/" + name)).ok) << name.toStdString();
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
        EXPECT_TRUE(files.trashItemAtPath(oddName).ok);
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

// Every item ends at once, in the Trash or failed with a reason: a name too
// long for its record beside it, or a record folder that cannot take one,
// must neither hang the run nor stop short of the Trash.
TEST(FileManager, TrashEndsAtOnceWhateverItsRecordFolderIsLike)
{
    enum class Info { Folder, Locked, File };
    struct Case
    {
        const char *label;
        int nameBytes;
        Info info;
        bool trashed;
    };
    const Case cases[] = {
        {"a name of 246 bytes", 246, Info::Folder, true},
        {"a name of 255 bytes", 255, Info::Folder, true},
        {"info cannot be written", 10, Info::Locked, false},
        {"info is a file", 10, Info::File, false},
    };
    FileManager &files = FileManager::defaultManager();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        const QString dataHome = TestEnvironment::makeTemporaryFolder("data");
        const ScopedDataHome scopedDataHome(dataHome);
        const QString trash = dataHome + "/Trash";
        QDir().mkpath(trash + "/files");
        if (c.info == Info::File)
            writeFile(trash + "/info", "not a folder");
        else
            QDir().mkpath(trash + "/info");
        if (c.info == Info::Locked && !lockFolder(trash + "/info", true)) {
            std::cout << "skipped \"" << c.label << "\": the folder cannot be locked here\n";
            continue;
        }
        const QString root = TestEnvironment::makeTemporaryFolder("trash-ends");
        const QString item = root + '/' + QString(c.nameBytes - 4, 'n') + ".txt";
        writeFile(item, "trash me");

        const FileManager::Result result = files.trashItemAtPath(native(item));
        if (c.info == Info::Locked)
            lockFolder(trash + "/info", false);
        EXPECT_EQ(result.ok, c.trashed) << result.reason.toStdString();
        if (c.trashed) {
            EXPECT_FALSE(QFileInfo::exists(item));
            const QByteArray digest = QCryptographicHash::hash("trash me", QCryptographicHash::Md5).toHex();
            EXPECT_EQ(trashContents().value(item), digest);
        } else {
            EXPECT_TRUE(result.reason.contains(trash + "/info")) << result.reason.toStdString();
            EXPECT_EQ(readAll(item), "trash me");
            EXPECT_TRUE(QDir(trash + "/files").isEmpty());
        }
    }
}

// An item on another file system goes to the Trash at the top of that file
// system, whatever bytes its name holds, and its record names it from that
// top folder; the home Trash gets nothing and nothing is copied.
TEST(FileManager, TrashOnAnotherFileSystemUsesTheTrashOfItsTopFolder)
{
    const OtherFileSystem other;
    if (!other)
        GTEST_SKIP() << other.why.toStdString();
    const QString dataHome = TestEnvironment::makeTemporaryFolder("data");
    const ScopedDataHome scopedDataHome(dataHome);
    const QByteArray ownTrash = other.topFolder + "/.Trash-" + QByteArray::number(::getuid());
    const QByteArray below = other.folder.mid(other.topFolder.size() + 1);
    FileManager &files = FileManager::defaultManager();

    const QByteArray names[] = {"100% sure.txt", "caf\xe9.txt"};
    for (const QByteArray &name : names) {
        SCOPED_TRACE(name.toPercentEncoding().constData());
        ::mkdir((other.folder + "/sub folder").constData(), 0755);
        const QByteArray item = other.folder + "/sub folder/" + name;
        writeBytes(item, "elsewhere " + name);

        const FileManager::Result result = files.trashItemAtPath(item);
        EXPECT_TRUE(result.ok) << result.reason.toStdString();
        EXPECT_FALSE(files.fileExists(item));
        EXPECT_EQ(readBytes(ownTrash + "/files/" + name), "elsewhere " + name);
        const QByteArray record = readBytes(ownTrash + "/info/" + name + ".trashinfo");
        const QByteArray from = (below + "/sub folder/" + name).toPercentEncoding("/");
        EXPECT_TRUE(record.startsWith("[Trash Info]\nPath=" + from + '\n'))
            << record.constData();
        ::unlink((ownTrash + "/files/" + name).constData());
        ::unlink((ownTrash + "/info/" + name + ".trashinfo").constData());
    }
    EXPECT_TRUE(QDir(dataHome + "/Trash/files").isEmpty());
}

TEST(FileManager, TrashRefusesWhatItCannotMove)
{
    FileManager &files = FileManager::defaultManager();
    const QString root = TestEnvironment::makeTemporaryFolder("trash-refused");
    EXPECT_FALSE(files.trashItemAtPath(native(root + "/missing")).ok);

    writeFile(root + "/held", "held");
    if (!setImmutable(root + "/held", true))
        GTEST_SKIP() << "the immutable flag cannot be set here";
    const FileManager::Result held = files.trashItemAtPath(native(root + "/held"));
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
