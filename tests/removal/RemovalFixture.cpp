#include "RemovalFixture.h"

#include <CategoryLists.h>
#include <ProcessState.h>
#include <RemovalStore.h>
#include <ScanFixture.h>

#include <NativePath.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstring>

#include <fcntl.h>
#include <ftw.h>
#include <grp.h>
#include <linux/fs.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RemovalFixture {

void makeStore(const QList<CategoryGroups> &categories)
{
    duplicateResults().removeAll();
    savedDuplicateResults().removeAll();
    savedCategoryRows().clear();
    savedAllDuplicateGroups().clear();
    for (const CategoryGroups &category : categories) {
        GroupList groups;
        for (const QStringList &paths : category.groups) {
            DuplicateGroup group;
            for (const QString &path : paths) {
                InitialDirectory record(QUrl::fromLocalFile(path));
                record.category = category.category;
                group.append(record);
            }
            groups.append(group);
        }
        duplicateResults().setValue(rawValue(category.category), groups);
    }
    rebuildRowsFromResults();
}

QList<QStringList> writeNamedPairs(const QString &root, const QStringList &names)
{
    QList<QStringList> groups;
    for (const QString &name : names) {
        const QByteArray bytes = ScanFixture::uniqueBytes(64);
        ScanFixture::writeFile(root + "/x/" + name + ".txt", bytes);
        ScanFixture::writeFile(root + "/y/" + name + ".txt", bytes);
        groups.append({root + "/x/" + name + ".txt", root + "/y/" + name + ".txt"});
    }
    return groups;
}

void mark(int row, int group, int index)
{
    QList<QList<int>> *marks = marksOfCategoryRow(row);
    ASSERT_NE(marks, nullptr);
    ASSERT_LT(group, marks->size());
    (*marks)[group].append(index);
}

int rowOf(ScanResultKeys category)
{
    for (int row = 1; row < categoryRows().size(); ++row) {
        if (categoryRows().at(row).name == rawValue(category))
            return row;
    }
    return -1;
}

QStringList storedPaths()
{
    QStringList paths;
    for (const QString &key : duplicateResults().keys()) {
        for (const DuplicateGroup &group : *duplicateResults().find(key)) {
            for (const InitialDirectory &record : group)
                paths.append(record.url ? record.url->toLocalFile() : QString());
        }
    }
    return paths;
}

FileManager::Result ScriptedFileManager::scripted(const QStringList &fail, const QByteArray &path)
{
    ++operations;
    if (beforeOperation)
        beforeOperation(path);
    const QString text = NativePath::decode(path);
    for (const QString &needle : fail) {
        if (text.contains(needle))
            return Result::failure(QStringLiteral("refused by the test"));
    }
    return Result::success();
}

FileManager::Result ScriptedFileManager::trashItem(const ItemPlace &place, const Expected &expected, TrashCan &trash)
{
    const Result result = scripted(failTrash, place.path());
    return result ? FileManager::trashItem(place, expected, trash) : result;
}

std::optional<FileManager::Status> ScriptedFileManager::status(const QByteArray &path) const
{
    const std::optional<Status> found = FileManager::status(path);
    if (afterStatus)
        afterStatus(path);
    return found;
}

std::optional<FileManager::Status> ScriptedFileManager::statusIn(const ItemPlace &place) const
{
    const std::optional<Status> found = FileManager::statusIn(place);
    if (afterStatus)
        afterStatus(place.path());
    return found;
}

FileManager::Result ScriptedFileManager::pinItem(const ItemPlace &place, PinnedItem &pinned)
{
    const Result result = scripted(failRemove, place.path());
    if (!result)
        return result;
    const Result set = FileManager::pinItem(place, pinned);
    if (set && afterPin)
        afterPin(pinned);
    return set;
}

FileManager::Result ScriptedFileManager::moveItem(const ItemPlace &place, const ItemPlace &target,
                                                  const Expected &expected)
{
    const Result result = scripted(failMove, place.path());
    if (!result)
        return result;
    const Result moved = FileManager::moveItem(place, target, expected);
    return moved && !moveNote.isEmpty() ? Result {true, moveNote, Refusal::None} : moved;
}

void runToEnd(RemovalRun &run)
{
    bool finished = false;
    QObject::connect(&run, &RemovalRun::finished, &run, [&finished] { finished = true; });
    run.start();
    run.wait();
    for (int i = 0; i < 100 && !finished; ++i)
        QCoreApplication::processEvents();
    EXPECT_TRUE(finished);
}

QByteArray md5Of(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Md5);
    hash.addData(&file);
    return hash.result().toHex();
}

QHash<QString, QByteArray> digestTree(const QString &folder)
{
    QHash<QString, QByteArray> digests;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        digests.insert(path, md5Of(path));
    }
    return digests;
}

QHash<QString, QByteArray> trashContents()
{
    QHash<QString, QByteArray> contents;
    const QString trash = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/Trash";
    const QDir info(trash + "/info");
    for (const QString &entry : info.entryList({"*.trashinfo"}, QDir::Files | QDir::Hidden)) {
        QFile file(info.filePath(entry));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QString oldPath;
        for (const QByteArray &line : file.readAll().split('\n')) {
            if (line.startsWith("Path="))
                oldPath = NativePath::decode(QByteArray::fromPercentEncoding(line.mid(5)));
        }
        const QString stored = trash + "/files/" + entry.chopped(int(strlen(".trashinfo")));
        if (QFileInfo(stored).isDir()) {
            for (auto [path, digest] : digestTree(stored).asKeyValueRange())
                contents.insert(oldPath + path.mid(stored.size()), digest);
        } else {
            contents.insert(oldPath, md5Of(stored));
        }
    }
    return contents;
}

bool setImmutable(const QString &path, bool on)
{
    const int fd = ::open(NativePath::encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    int flags = 0;
    bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    if (ok) {
        flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
        ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    }
    ::close(fd);
    return ok;
}

RunnerResult runRemover(const QStringList &arguments, const std::function<void(QProcess &)> &prepare,
                        const QString &program)
{
    RunnerResult result;
#ifdef TWINMOOR_REMOVE_RUNNER
    const QString runner = program.isEmpty() ? QStringLiteral(TWINMOOR_REMOVE_RUNNER) : program;
#else
    const QString runner = program;
#endif
    QProcess process;
    if (prepare)
        prepare(process);
    process.start(runner, QStringList{"--no-pause"} + arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << runner.toStdString();
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    for (const QByteArray &line : process.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty())
            result.lines.append(QJsonDocument::fromJson(line).object());
    }
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

SharedFolder::SharedFolder()
{
    QByteArray name = QDir::tempPath().toLocal8Bit() + "/twinmoor-shared-XXXXXX";
    if (!::mkdtemp(name.data()) || ::chmod(name.constData(), 0755) != 0)
        return;
    path = QString::fromLocal8Bit(name);
    for (const char *folder : {"/home", "/config", "/data", "/cache"}) {
        if (!QDir().mkpath(path + folder) || !giveTree(path + folder, kNobody, kNoGroup))
            path.clear();
    }
    const QString runner = path + "/bin/twinmoor-remove";
#ifdef TWINMOOR_REMOVE_RUNNER
    if (!path.isEmpty() && QDir().mkpath(path + "/bin") && QFile::copy(QStringLiteral(TWINMOOR_REMOVE_RUNNER), runner))
        QFile::setPermissions(runner, QFile::permissions(runner) | QFileDevice::ExeOther | QFileDevice::ReadOther);
#endif
}

SharedFolder::~SharedFolder()
{
    if (path.isEmpty())
        return;
    const auto removeEntry = [](const char *entry, const struct stat *, int, FTW *) {
        ::remove(entry);
        return 0;
    };
    ::nftw(QFile::encodeName(path).constData(), removeEntry, 16, FTW_DEPTH | FTW_PHYS);
}

bool giveTree(const QString &folder, uid_t user, gid_t group)
{
    static uid_t s_user;
    static gid_t s_group;
    s_user = user;
    s_group = group;
    const auto give = [](const char *entry, const struct stat *, int, FTW *) {
        return ::lchown(entry, s_user, s_group) == 0 ? 0 : 1;
    };
    return ::nftw(QFile::encodeName(folder).constData(), give, 16, FTW_PHYS) == 0;
}

namespace {

// Writes the whole text into a file of /proc with system calls only.
bool writeProcFile(const char *path, const char *text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const ssize_t length = ssize_t(std::strlen(text));
    const bool written = ::write(fd, text, size_t(length)) == length;
    return ::close(fd) == 0 && written;
}

} // namespace

RunnerResult runRemoverAs(OtherUser user, const SharedFolder &shared, const QStringList &arguments)
{
    return runRemover(
        arguments,
        [&shared, user](QProcess &process) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("HOME", shared.path + "/home");
            environment.insert("XDG_CONFIG_HOME", shared.path + "/config");
            environment.insert("XDG_DATA_HOME", shared.path + "/data");
            environment.insert("XDG_CACHE_HOME", shared.path + "/cache");
            environment.insert("ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1");
            environment.remove("LSAN_OPTIONS");
            process.setProcessEnvironment(environment);
            process.setWorkingDirectory(shared.path);
            process.setChildProcessModifier([user] {
                // Only system calls here: the child has not started the program yet.
                if (::setgroups(0, nullptr) != 0 || ::setresgid(kNoGroup, kNoGroup, kNoGroup) != 0
                    || ::setresuid(kNobody, kNobody, kNobody) != 0)
                    ::_exit(97);
                // A change of user leaves the process undumpable, and its /proc
                // files root's, which would keep it from writing its own maps.
                if (user == OtherUser::NobodyAsNamespaceRoot
                    && (::prctl(PR_SET_DUMPABLE, 1) != 0 || ::unshare(CLONE_NEWUSER) != 0
                        || !writeProcFile("/proc/self/setgroups", "deny")
                        || !writeProcFile("/proc/self/uid_map", "0 65534 1")
                        || !writeProcFile("/proc/self/gid_map", "0 65534 1")))
                    ::_exit(98);
            });
        },
        shared.path + "/bin/twinmoor-remove");
}

} // namespace RemovalFixture
