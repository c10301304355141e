#include "RemovalFixture.h"

#include <ScanFixture.h>
#include <TestEnvironment.h>

#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <optional>

#include <dirent.h>
#include <fcntl.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace RemovalFixture;
using ScanFixture::writeFile;

namespace {

void setModified(const QString &path, qint64 secondsSinceEpoch)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.setFileTime(QDateTime::fromSecsSinceEpoch(secondsSinceEpoch), QFileDevice::FileModificationTime);
}

} // namespace

TEST(RemoveRunner, KeepsTheNewestCopyAndTrashesTheRest)
{
    const QString root = TestEnvironment::makeTemporaryFolder("remover");
    const QByteArray bytes = ScanFixture::uniqueBytes(4000);
    writeFile(root + "/old/report.pdf", bytes);
    writeFile(root + "/new/report.pdf", bytes);
    writeFile(root + "/older/report copy.pdf", bytes);
    writeFile(root + "/unique.pdf", ScanFixture::uniqueBytes(4000));
    setModified(root + "/old/report.pdf", 1500000000);
    setModified(root + "/older/report copy.pdf", 1400000000);
    setModified(root + "/new/report.pdf", 1600000000);

    const RunnerResult result = runRemover({"--keep", "newest", "--mode", "trash", root});
    EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
    ASSERT_EQ(result.lines.size(), 3);
    EXPECT_EQ(result.lines.at(0).value("path").toString(), root + "/old/report.pdf");
    EXPECT_EQ(result.lines.at(1).value("path").toString(), root + "/older/report copy.pdf");
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(result.lines.at(i).value("outcome").toString(), "removed");
    EXPECT_EQ(result.lines.at(2), QJsonObject({{"removed", 2}, {"kept", 0}, {"bytes", 8000}}));

    EXPECT_TRUE(QFileInfo::exists(root + "/new/report.pdf"));
    EXPECT_TRUE(QFileInfo::exists(root + "/unique.pdf"));
    const QHash<QString, QByteArray> trash = trashContents();
    const QByteArray digest = QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex();
    EXPECT_EQ(trash.value(root + "/old/report.pdf"), digest);
    EXPECT_EQ(trash.value(root + "/older/report copy.pdf"), digest);
}

TEST(RemoveRunner, ReportsCopiesThatStayAndRefusesBadInput)
{
    const QString root = TestEnvironment::makeTemporaryFolder("remover-kept");
    const QByteArray bytes = ScanFixture::uniqueBytes(3000);
    writeFile(root + "/tree/a/same.txt", bytes);
    writeFile(root + "/tree/b/same.txt", bytes);
    writeFile(root + "/dest/same.txt", "in the way");

    const RunnerResult kept = runRemover({"--keep", "first", "--mode", "folder=" + root + "/dest", root + "/tree"});
    EXPECT_EQ(kept.exitCode, 1);
    ASSERT_EQ(kept.lines.size(), 2);
    EXPECT_EQ(kept.lines.at(0).value("outcome").toString(), "exists");
    EXPECT_FALSE(kept.lines.at(0).value("reason").toString().isEmpty());
    EXPECT_EQ(kept.lines.at(1), QJsonObject({{"removed", 0}, {"kept", 1}, {"bytes", 0}}));

    struct Case
    {
        const char *name;
        QStringList arguments;
    };
    const QList<Case> bad = {
        {"no keep", {"--mode", "trash", root + "/tree"}},
        {"unknown keep", {"--keep", "largest", "--mode", "trash", root + "/tree"}},
        {"unknown mode", {"--keep", "first", "--mode", "shred", root + "/tree"}},
        {"overwrite without folder", {"--keep", "first", "--mode", "delete", "--overwrite", root + "/tree"}},
        {"relative folder", {"--keep", "first", "--mode", "folder=relative", root + "/tree"}},
        {"folder is a file", {"--keep", "first", "--mode", "folder=" + root + "/dest/same.txt", root + "/tree"}},
        {"no root", {"--keep", "first", "--mode", "trash"}},
        {"unreadable settings", {"--settings", root + "/missing.plist", "--keep", "first", "--mode", "trash", root}},
    };
    for (const Case &c : bad) {
        SCOPED_TRACE(c.name);
        const RunnerResult result = runRemover(c.arguments);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_FALSE(result.errors.isEmpty());
        EXPECT_TRUE(QFileInfo::exists(root + "/tree/a/same.txt"));
        EXPECT_TRUE(QFileInfo::exists(root + "/tree/b/same.txt"));
    }
}

namespace {

void setFolderModified(const QString &path, qint64 secondsSinceEpoch)
{
    const struct timespec times[2] = {{secondsSinceEpoch, 0}, {secondsSinceEpoch, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0) << path.toStdString();
}

} // namespace

// Two bundles of one identifier, the newer inside the older, both found
// because one root lies inside the other: removing the older would take the
// newer along, so it stays.
TEST(RemoveRunner, ABundleHoldingAnotherOfItsGroupStays)
{
    const QString root = TestEnvironment::makeTemporaryFolder("remover-nested");
    const QString outer = root + "/apps/Outer.app";
    const QString inner = outer + "/Contents/Resources/Inner.app";
    ScanFixture::makeBundle(outer, "com.example.tool", "outer");
    ScanFixture::makeBundle(inner, "com.example.tool", "inner");
    setFolderModified(outer, 1400000000);
    setFolderModified(inner, 1600000000);

    for (const char *mode : {"trash", "delete"}) {
        SCOPED_TRACE(mode);
        const RunnerResult result =
            runRemover({"--keep", "newest", "--mode", mode, root + "/apps", outer + "/Contents/Resources"});
        EXPECT_EQ(result.exitCode, 1) << result.errors.toStdString();
        ASSERT_EQ(result.lines.size(), 2);
        EXPECT_EQ(result.lines.at(0), QJsonObject({{"path", outer},
                                                   {"outcome", "last-copy"},
                                                   {"reason", "holds another copy of its group"}}));
        EXPECT_EQ(result.lines.at(1), QJsonObject({{"removed", 0}, {"kept", 1}, {"bytes", 0}}));
        EXPECT_TRUE(QFileInfo::exists(inner + "/Contents/MacOS/tool"));
        EXPECT_TRUE(QFileInfo::exists(outer + "/Contents/MacOS/tool"));
    }
}

TEST(RemoveRunner, NamesTheItemMovedAsideFromTheDestination)
{
    const QString root = TestEnvironment::makeTemporaryFolder("remover-replaced");
    const QByteArray bytes = ScanFixture::uniqueBytes(3000);
    writeFile(root + "/tree/a/same.txt", bytes);
    writeFile(root + "/tree/b/same.txt", bytes);
    writeFile(root + "/dest/same.txt", "in the way");

    const RunnerResult result =
        runRemover({"--keep", "first", "--mode", "folder=" + root + "/dest", "--overwrite", root + "/tree"});
    EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
    ASSERT_EQ(result.lines.size(), 2);
    EXPECT_EQ(result.lines.at(0), QJsonObject({{"path", root + "/tree/b/same.txt"},
                                               {"outcome", "removed"},
                                               {"reason", ""},
                                               {"replaced", root + "/dest/same.txt"}}));
    EXPECT_EQ(trashContents().value(root + "/dest/same.txt"),
              QCryptographicHash::hash("in the way", QCryptographicHash::Md5).toHex());
}

namespace {

// Whether the process has a handler for the signal, as /proc tells it
// (SigCgt); waits up to 30 seconds for one.
bool waitUntilCatching(pid_t process, int signal)
{
    const QString status = QStringLiteral("/proc/%1/status").arg(process);
    for (int waited = 0; waited < 30000; waited += 5) {
        QFile file(status);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray &line : file.readAll().split('\n')) {
            bool ok = false;
            if (line.startsWith("SigCgt:") && (line.mid(7).trimmed().toULongLong(&ok, 16) >> (signal - 1)) & 1)
                return ok;
        }
        QThread::msleep(5);
    }
    return false;
}

} // namespace

TEST(RemoveRunner, CtrlCStopsCleanlyWhereverItLands)
{
    const QString root = TestEnvironment::makeTemporaryFolder("remover-stop");
    const int groups = 1500;
    for (int g = 0; g < groups; ++g) {
        const QByteArray bytes = ScanFixture::uniqueBytes(1100);
        writeFile(root + QStringLiteral("/a/f%1").arg(g), bytes);
        writeFile(root + QStringLiteral("/b/f%1").arg(g), bytes);
    }
    // Past the program's start, the stop lands in the scan or in the removal.
    for (int delay : {300, 700, 1200}) {
        SCOPED_TRACE(delay);
        QProcess process;
        process.start(QStringLiteral(TWINMOOR_REMOVE_RUNNER),
                      {"--no-pause", "--keep", "first", "--mode", "delete", root});
        ASSERT_TRUE(process.waitForStarted());
        // Counted from when the program catches the signal: on a loaded
        // machine the start alone can take longer than the shortest delay.
        ASSERT_TRUE(waitUntilCatching(pid_t(process.processId()), SIGINT));
        QThread::msleep(delay);
        ::kill(pid_t(process.processId()), SIGINT);
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_TRUE(process.exitCode() == 0 || process.exitCode() == 1) << process.exitCode();
        QList<QJsonObject> lines;
        for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
            if (!line.isEmpty())
                lines.append(QJsonDocument::fromJson(line).object());
        }
        ASSERT_FALSE(lines.isEmpty());
        const QJsonObject summary = lines.takeLast();
        EXPECT_EQ(summary.value("removed").toInt() + summary.value("kept").toInt(), lines.size());
        for (const QJsonObject &line : lines) {
            if (line.value("outcome").toString() == "stopped") {
                EXPECT_EQ(line.value("reason").toString(), "stopped before it was handled");
            }
            const bool removed = line.value("outcome").toString() == "removed";
            EXPECT_NE(QFileInfo::exists(line.value("path").toString()), removed) << line.value("path").toString().toStdString();
        }
        for (int g = 0; g < groups; ++g) // the kept copy of every group is there
            EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/a/f%1").arg(g)));
    }
}

namespace {

QByteArray readBytes(const QByteArray &path)
{
    QByteArray content;
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return content;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;)
        content.append(buffer, got);
    ::close(fd);
    return content;
}

void writeBytes(const QByteArray &path, const QByteArray &content, qint64 modified)
{
    ::mkdir(path.left(path.lastIndexOf('/')).constData(), 0755);
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
    const struct timespec times[2] = {{modified, 0}, {modified, 0}};
    ASSERT_EQ(::futimens(fd, times), 0);
    ::close(fd);
}

// The name the Trash gave the item whose record says it came from `path`, or
// nothing; read in bytes, since the name is no text.
std::optional<QByteArray> trashedNameOf(const QByteArray &path)
{
    const QByteArray trash =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) + "/Trash";
    DIR *info = ::opendir((trash + "/info").constData());
    if (!info)
        return std::nullopt;
    std::optional<QByteArray> found;
    while (const dirent *entry = ::readdir(info)) {
        const QByteArray name(entry->d_name);
        if (!name.endsWith(".trashinfo"))
            continue;
        for (const QByteArray &line : readBytes(trash + "/info/" + name).split('\n')) {
            if (line.startsWith("Path=") && QByteArray::fromPercentEncoding(line.mid(5)) == path)
                found = trash + "/files/" + name.chopped(int(strlen(".trashinfo")));
        }
    }
    ::closedir(info);
    return found;
}

// The temporary folder's own clean-up takes names as text and cannot name
// these: they are removed by their bytes.
void removeTree(const QByteArray &path)
{
    const auto removeEntry = [](const char *entry, const struct stat *, int, FTW *) {
        ::remove(entry);
        return 0;
    };
    ::nftw(path.constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

} // namespace

// A name that is not UTF-8 is still the file the scan found: the removal
// takes that file, not a look-alike, keeps its twin, and prints its path in
// the scan runner's own escapes.
TEST(RemoveRunner, NamesThatAreNotUtf8AreRemovedAndTheirTwinKept)
{
    struct Case
    {
        const char *mode;
        const char *landsIn; // "trash", "folder" or "" (gone)
    };
    const Case cases[] = {{"trash", "trash"}, {"delete", ""}, {"folder", "folder"}};
    for (const Case &test : cases) {
        SCOPED_TRACE(test.mode);
        const QByteArray root = QFile::encodeName(TestEnvironment::makeTemporaryFolder("remover-bytes"));
        const QByteArray latin = root + "/old/caf\xe9.txt";  // Latin-1: not UTF-8
        const QByteArray twin = root + "/new/caf\xc3\xa9.txt"; // the same name in UTF-8
        const QByteArray unrelated = root + "/old/caf\xe9 notes.txt";
        const QByteArray same = ScanFixture::uniqueBytes(3000);
        writeBytes(latin, same, 1400000000);
        writeBytes(twin, same, 1600000000);
        writeBytes(unrelated, ScanFixture::uniqueBytes(3000), 1400000000);
        const QByteArray destination = root + "/moved";
        QString mode = QString::fromLatin1(test.mode);
        if (mode == "folder")
            mode += '=' + QFile::decodeName(destination);

        QProcess process;
        process.start(QStringLiteral(TWINMOOR_REMOVE_RUNNER),
                      {"--no-pause", "--keep", "newest", "--mode", mode, QFile::decodeName(root)});
        ASSERT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().constData();
        const QList<QByteArray> lines = process.readAllStandardOutput().split('\n');
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines.at(0), "{\"path\":\"" + root + "/old/caf\\udce9.txt\",\"outcome\":\"removed\",\"reason\":\"\"}");
        EXPECT_EQ(lines.at(1), "{\"removed\":1,\"kept\":0,\"bytes\":3000}");

        struct stat status {};
        EXPECT_NE(::lstat(latin.constData(), &status), 0);
        EXPECT_EQ(readBytes(twin), same);
        EXPECT_EQ(readBytes(unrelated).size(), 3000);
        const std::optional<QByteArray> trashed = trashedNameOf(latin);
        EXPECT_EQ(trashed.has_value(), QByteArray(test.landsIn) == "trash");
        if (trashed) {
            EXPECT_EQ(readBytes(*trashed), same);
            const qsizetype files = trashed->lastIndexOf("/files/");
            ::unlink((trashed->left(files) + "/info/" + trashed->mid(files + 7) + ".trashinfo").constData());
            ::unlink(trashed->constData());
        }
        if (QByteArray(test.landsIn) == "folder") {
            EXPECT_EQ(readBytes(destination + "/caf\xe9.txt"), same);
        }
        removeTree(root);
    }
}
