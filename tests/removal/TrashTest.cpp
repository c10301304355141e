#include <FileReading.h>
#include <NativePath.h>
#include <TestEnvironment.h>
#include <TrashCan.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <iostream>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray temporaryFolder(const char *prefix)
{
    return QFile::encodeName(TestEnvironment::makeTemporaryFolder(QString::fromLatin1(prefix)));
}

void writeBytes(const QByteArray &path, const QByteArray &content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
    ::close(fd);
}

QByteArray readBytes(const QByteArray &path)
{
    return FileReading::readRegularFile(NativePath::decode(path), 1 << 20).value_or(QByteArray());
}

bool exists(const QByteArray &path)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0;
}

bool isEmptyFolder(const QByteArray &path)
{
    return QDir(QFile::decodeName(path)).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// The one line of the record that starts with the key, without the key.
QByteArray recordValue(const QByteArray &record, const QByteArray &key)
{
    for (const QByteArray &line : record.split('\n')) {
        if (line.startsWith(key + '='))
            return line.mid(key.size() + 1);
    }
    return {};
}

QByteArray infoOf(const QByteArray &trashedPath)
{
    const qsizetype files = trashedPath.lastIndexOf("/files/");
    return trashedPath.left(files) + "/info/" + trashedPath.mid(files + 7) + ".trashinfo";
}

QByteArray nameOf(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// Makes the folder refuse new entries: by its mode, or, for root, whom modes
// do not stop, by the immutable flag. False when neither works here.
bool lockFolder(const QByteArray &folder, bool locked)
{
    if (::geteuid() != 0)
        return ::chmod(folder.constData(), locked ? 0500 : 0700) == 0;
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    int flags = 0;
    bool done = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (done) {
        flags = locked ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    if (fd >= 0)
        ::close(fd);
    return done;
}

const QByteArray uid = QByteArray::number(::getuid());

} // namespace

// A Trash at the top of a file system is used only when it cannot be turned
// against the user: a shared .Trash must be a real folder with the sticky bit
// that root or the user owns, and the user's own folders there must be real
// folders of the user's own that no other user can write.
TEST(TrashCan, TopFolderTrashIsUsedOnlyWhenItIsTheUsersOwnRealFolder)
{
    struct Case
    {
        const char *label;
        std::function<void(const QByteArray &top, const QByteArray &elsewhere)> prepare;
        const char *expected; // the Trash below the top folder, or "" for none
        bool needsRoot = false;
    };
    const auto folder = [](const QByteArray &path, mode_t mode) {
        ASSERT_EQ(::mkdir(path.constData(), 0700), 0) << path.constData();
        ASSERT_EQ(::chmod(path.constData(), mode), 0);
    };
    const auto link = [](const QByteArray &target, const QByteArray &path) {
        ASSERT_EQ(::symlink(target.constData(), path.constData()), 0);
    };
    const Case cases[] = {
        {"nothing there yet", [](auto, auto) {}, "/.Trash-$uid"},
        {"a shared sticky .Trash", [&](auto top, auto) { folder(top + "/.Trash", 01777); }, "/.Trash/$uid"},
        {"a shared .Trash without the sticky bit", [&](auto top, auto) { folder(top + "/.Trash", 0777); },
         "/.Trash-$uid"},
        {"a shared .Trash that is a link", [&](auto top, auto elsewhere) {
             ::chmod(elsewhere.constData(), 01777);
             link(elsewhere, top + "/.Trash");
         },
         "/.Trash-$uid"},
        {"our folder in the shared .Trash is a link", [&](auto top, auto elsewhere) {
             folder(top + "/.Trash", 01777);
             link(elsewhere, top + "/.Trash/" + uid);
         },
         "/.Trash-$uid"},
        {"our .Trash-$uid is a link", [&](auto top, auto elsewhere) { link(elsewhere, top + "/.Trash-" + uid); }, ""},
        {"our .Trash-$uid is a file", [&](auto top, auto) { writeBytes(top + "/.Trash-" + uid, "x"); }, ""},
        {"its files folder is a link", [&](auto top, auto elsewhere) {
             folder(top + "/.Trash-" + uid, 0700);
             link(elsewhere, top + "/.Trash-" + uid + "/files");
         },
         ""},
        {"our .Trash-$uid belongs to another user", [&](auto top, auto) {
             folder(top + "/.Trash-" + uid, 0700);
             ASSERT_EQ(::chown((top + "/.Trash-" + uid).constData(), 65534, 65534), 0);
         },
         "", true},
        {"our .Trash-$uid can be written by others", [&](auto top, auto) { folder(top + "/.Trash-" + uid, 0770); },
         ""},
        {"our folder in the shared .Trash can be written by others", [&](auto top, auto) {
             folder(top + "/.Trash", 01777);
             folder(top + "/.Trash/" + uid, 0777);
         },
         "/.Trash-$uid"},
        {"the shared .Trash belongs to another user", [&](auto top, auto) {
             folder(top + "/.Trash", 01777);
             ASSERT_EQ(::chown((top + "/.Trash").constData(), 65534, 65534), 0);
         },
         "/.Trash-$uid", true},
        {"the info folder in our .Trash-$uid can be written by others", [&](auto top, auto) {
             folder(top + "/.Trash-" + uid, 0700);
             folder(top + "/.Trash-" + uid + "/info", 0777);
         },
         ""},
        {"the files folder in our folder of the shared .Trash can be written by others", [&](auto top, auto) {
             folder(top + "/.Trash", 01777);
             folder(top + "/.Trash/" + uid, 0700);
             folder(top + "/.Trash/" + uid + "/files", 0733);
         },
         "/.Trash-$uid"},
        {"the files folder in our .Trash-$uid belongs to another user", [&](auto top, auto) {
             folder(top + "/.Trash-" + uid, 0700);
             folder(top + "/.Trash-" + uid + "/files", 0700);
             ASSERT_EQ(::chown((top + "/.Trash-" + uid + "/files").constData(), 65534, 65534), 0);
         },
         "", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        if (c.needsRoot && ::geteuid() != 0) {
            std::cout << "skipped \"" << c.label << "\": only root can give a folder away\n";
            continue;
        }
        const QByteArray top = temporaryFolder("top");
        const QByteArray elsewhere = temporaryFolder("elsewhere");
        c.prepare(top, elsewhere);

        const TrashCan::Place place = TrashCan::topFolderTrash(top);
        const QByteArray expected = QByteArray(c.expected).replace("$uid", uid);
        if (expected.isEmpty()) {
            EXPECT_FALSE(place);
            EXPECT_FALSE(place.reason.isEmpty());
        } else {
            EXPECT_EQ(place.folder, top + expected) << place.reason.toStdString();
            EXPECT_EQ(place.topFolder, top);
            struct stat own {};
            ASSERT_EQ(::lstat((top + expected).constData(), &own), 0);
            EXPECT_EQ(own.st_mode & 07777, 0700u);
            EXPECT_TRUE(exists(top + expected + "/files") && exists(top + expected + "/info"));
        }
        EXPECT_TRUE(isEmptyFolder(elsewhere)) << "something was made through a link";
    }
}

// A top-folder Trash records where the item was from its top folder, links in
// the way resolved, so the disk can be mounted anywhere and still restored; an
// item outside that top folder is refused, not recorded wrongly.
TEST(TrashCan, TopFolderRecordsTheItemsPathFromTheTopFolder)
{
    const QByteArray top = temporaryFolder("top");
    ASSERT_EQ(::mkdir((top + "/a folder").constData(), 0755), 0);
    ASSERT_EQ(::symlink("a folder", (top + "/shortcut").constData()), 0);
    const QByteArray name = "100%\nsure \xe9.txt";
    writeBytes(top + "/a folder/" + name, "mine");
    const TrashCan::Place place = TrashCan::topFolderTrash(top);
    ASSERT_TRUE(place) << place.reason.toStdString();

    // The record keeps whole seconds of a coarser clock, which may lag this
    // one by a few milliseconds: whole seconds, with a second to spare below.
    const qint64 before = QDateTime::currentSecsSinceEpoch() - 1;
    const TrashCan::Result result = TrashCan::trashInto(top + "/shortcut/" + name, place);
    ASSERT_TRUE(result) << result.reason.toStdString();
    EXPECT_FALSE(exists(top + "/a folder/" + name));
    EXPECT_EQ(result.trashedPath, place.folder + "/files/" + name);
    EXPECT_EQ(readBytes(result.trashedPath), "mine");
    const QByteArray record = readBytes(infoOf(result.trashedPath));
    EXPECT_TRUE(record.startsWith("[Trash Info]\n")) << record.constData();
    EXPECT_EQ(recordValue(record, "Path"), "a%20folder/100%25%0Asure%20%E9.txt");
    const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(recordValue(record, "DeletionDate")),
                                                    QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"));
    EXPECT_TRUE(deleted.isValid()) << record.constData();
    EXPECT_GE(deleted.toSecsSinceEpoch(), before) << record.constData();
    EXPECT_LE(deleted.toSecsSinceEpoch(), QDateTime::currentSecsSinceEpoch()) << record.constData();
    // The temporary folder's own clean-up takes names as text and cannot name these.
    ::unlink(infoOf(result.trashedPath).constData());
    ::unlink(result.trashedPath.constData());

    const QByteArray outside = temporaryFolder("outside") + "/item";
    writeBytes(outside, "outside");
    const TrashCan::Result refused = TrashCan::trashInto(outside, place);
    EXPECT_FALSE(refused);
    EXPECT_TRUE(refused.reason.contains(QString::fromUtf8(top))) << refused.reason.toStdString();
    EXPECT_EQ(readBytes(outside), "outside");
}

// A name that leaves no room for ".trashinfo" is shortened for the Trash,
// never inside a UTF-8 sequence and keeping a short extension, and its record
// still names the whole original path; the same name again gets its own.
TEST(TrashCan, ShortensLongNamesAndKeepsTheFullPathInTheRecord)
{
    struct Case
    {
        const char *label;
        QByteArray name;
        QByteArray keptEnd;
    };
    QByteArray twoByteLetters;
    for (int i = 0; i < 124; ++i)
        twoByteLetters += "\xc3\xa9";
    const Case cases[] = {
        {"246 bytes", QByteArray(242, 'n') + ".txt", ".txt"},
        {"255 bytes", QByteArray(250, 'n') + ".jpeg", ".jpeg"},
        {"UTF-8 letters of two bytes", twoByteLetters + ".pdf", ".pdf"},
        {"an extension too long to keep", "a." + QByteArray(253, 'x'), ""},
    };
    const QByteArray dataHome = temporaryFolder("data");
    TrashCan trash(dataHome);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        const QByteArray folder = temporaryFolder("long");
        const QByteArray item = folder + '/' + c.name;
        QList<QByteArray> trashedNames;
        for (const QByteArray content : {"first", "second"}) {
            writeBytes(item, content);
            const TrashCan::Result result = trash.trash(item);
            ASSERT_TRUE(result) << result.reason.toStdString();
            EXPECT_FALSE(exists(item));
            EXPECT_EQ(readBytes(result.trashedPath), content);
            const QByteArray trashed = nameOf(result.trashedPath);
            EXPECT_LE(trashed.size() + qsizetype(strlen(".trashinfo")), 255);
            EXPECT_TRUE(trashed.endsWith(c.keptEnd)) << trashed.constData();
            EXPECT_TRUE(trashed.isValidUtf8()) << "a UTF-8 sequence was cut";
            const QByteArray record = readBytes(infoOf(result.trashedPath));
            EXPECT_EQ(QByteArray::fromPercentEncoding(recordValue(record, "Path")), item);
            trashedNames.append(trashed);
        }
        EXPECT_NE(trashedNames.at(0), trashedNames.at(1));
    }
}

// A name already used in "files" with no record beside it is passed over, and
// the record made for it goes again; a record with no item keeps its name.
TEST(TrashCan, PassesNamesAlreadyTakenAndTakesBackTheRecordsMadeForThem)
{
    const QByteArray dataHome = temporaryFolder("data");
    const QByteArray trash = dataHome + "/Trash";
    for (const QByteArray &folder : {trash, trash + "/files", trash + "/info"})
        ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    writeBytes(trash + "/files/report.txt", "orphan");
    writeBytes(trash + "/info/report.2.txt.trashinfo", "[Trash Info]\nPath=/gone/report.txt\n");
    writeBytes(trash + "/files/report.3.txt", "another orphan");
    const QByteArray item = temporaryFolder("taken") + "/report.txt";
    writeBytes(item, "mine");

    const TrashCan::Result result = TrashCan(dataHome).trash(item);
    ASSERT_TRUE(result) << result.reason.toStdString();
    EXPECT_EQ(result.trashedPath, trash + "/files/report.4.txt");
    EXPECT_EQ(readBytes(trash + "/files/report.txt"), "orphan");
    EXPECT_EQ(readBytes(trash + "/files/report.3.txt"), "another orphan");
    EXPECT_EQ(QDir(QFile::decodeName(trash + "/info")).entryList(QDir::Files),
              QStringList({"report.2.txt.trashinfo", "report.4.txt.trashinfo"}));
}

// A home Trash that cannot take the item ends at once with a reason that
// names the folder in the way; the item stays and no record is left behind.
TEST(TrashCan, HomeTrashThatCannotTakeTheItemFailsAtOnce)
{
    enum class Setup { TrashIsFile, FilesIsFile, FilesLocked, ItemHeld, DataHomeUnderAFile, DataHomeRelative };
    struct Case
    {
        const char *label;
        Setup setup;
        const char *named; // the part of the reason that names the folder
    };
    const Case cases[] = {
        {"the Trash is a file", Setup::TrashIsFile, "/Trash"},
        {"files is a file", Setup::FilesIsFile, "/Trash/files"},
        {"files cannot be written", Setup::FilesLocked, "/Trash/files"},
        {"the item cannot leave its folder", Setup::ItemHeld, "/Trash/files"},
        {"the data folder cannot be made", Setup::DataHomeUnderAFile, "/file/share"},
        {"the data folder is relative", Setup::DataHomeRelative, "relative/share"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.label);
        QByteArray dataHome = temporaryFolder("data");
        const QByteArray trash = dataHome + "/Trash";
        const QByteArray itemFolder = temporaryFolder("stays");
        const QByteArray item = itemFolder + "/item";
        writeBytes(item, "stays");
        QByteArray locked;
        switch (c.setup) {
        case Setup::TrashIsFile:
            writeBytes(trash, "x");
            break;
        case Setup::FilesIsFile:
            ASSERT_EQ(::mkdir(trash.constData(), 0700), 0);
            writeBytes(trash + "/files", "x");
            break;
        case Setup::FilesLocked:
            ASSERT_EQ(::mkdir(trash.constData(), 0700), 0);
            ASSERT_EQ(::mkdir((trash + "/files").constData(), 0700), 0);
            locked = trash + "/files";
            break;
        case Setup::ItemHeld:
            locked = itemFolder;
            break;
        case Setup::DataHomeUnderAFile:
            writeBytes(dataHome + "/file", "x");
            dataHome += "/file/share";
            break;
        case Setup::DataHomeRelative:
            dataHome = "relative/share";
            break;
        }
        if (!locked.isEmpty() && !lockFolder(locked, true)) {
            std::cout << "skipped \"" << c.label << "\": the folder cannot be locked here\n";
            continue;
        }

        const TrashCan::Result result = TrashCan(dataHome).trash(item);
        if (!locked.isEmpty())
            lockFolder(locked, false);
        EXPECT_FALSE(result);
        EXPECT_TRUE(result.reason.contains(QString::fromLatin1(c.named))) << result.reason.toStdString();
        EXPECT_EQ(readBytes(item), "stays");
        EXPECT_TRUE(!exists(trash + "/info") || isEmptyFolder(trash + "/info"));
    }
    EXPECT_FALSE(exists("relative")) << "a relative data folder was made in the working folder";
}

// The top folder of a path is the mount point of its file system, found
// through links in the path; a folder that is not there has none.
TEST(TrashCan, TopFolderOfAPathIsTheMountPointOfItsFileSystem)
{
    struct stat root {};
    struct stat shared {};
    ASSERT_EQ(::stat("/", &root), 0);
    if (::stat("/dev/shm", &shared) != 0 || shared.st_dev == root.st_dev)
        GTEST_SKIP() << "/dev/shm is not a file system of its own here";
    const QByteArray folder = temporaryFolder("links");
    ASSERT_EQ(::symlink("/dev/shm", (folder + "/shared").constData()), 0);

    EXPECT_EQ(TrashCan::topFolderOf("/dev/shm/item"), "/dev/shm");
    EXPECT_EQ(TrashCan::topFolderOf(folder + "/shared/item"), "/dev/shm");
    EXPECT_EQ(TrashCan::topFolderOf(folder + "/missing/item"), "");
}
