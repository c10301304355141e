#include "FileManager.h"

#include "FileReading.h"
#include "PosixFiles.h"
#include "TrashCan.h"

#include <QList>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// rename(2) that fails with EEXIST instead of replacing what lies at the target.
int renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
}

bool sameContents(const QByteArray &first, const QByteArray &second)
{
    const int a = ::open(first.constData(), O_RDONLY | O_CLOEXEC);
    const int b = ::open(second.constData(), O_RDONLY | O_CLOEXEC);
    bool same = a >= 0 && b >= 0;
    QByteArray bufferA(1 << 16, Qt::Uninitialized);
    QByteArray bufferB(1 << 16, Qt::Uninitialized);
    while (same) {
        const qint64 gotA = FileReading::readFully(a, bufferA.data(), bufferA.size());
        const qint64 gotB = FileReading::readFully(b, bufferB.data(), bufferB.size());
        if (gotA < 0 || gotA != gotB || std::memcmp(bufferA.constData(), bufferB.constData(), size_t(gotA)) != 0)
            same = false;
        else if (gotA == 0)
            break;
    }
    if (a >= 0)
        ::close(a);
    if (b >= 0)
        ::close(b);
    return same;
}

// A file moved to another file system: the copy is made beside nothing
// (O_EXCL), flushed, compared byte for byte, and only then is the original
// removed. Any failure takes the copy away again and leaves the original.
FileManager::Result copyCheckRemove(const QByteArray &from, const QByteArray &to, const struct stat &source)
{
    const int in = ::open(from.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (in < 0)
        return FileManager::Result::failure(PosixFiles::errorText(errno));
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 07777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return FileManager::Result::failure(error == EEXIST ? QStringLiteral("an item of that name is already there")
                                                            : PosixFiles::errorText(error));
    }
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    bool ok = true;
    int error = 0;
    for (;;) {
        const qint64 got = FileReading::readFully(in, buffer.data(), buffer.size());
        if (got < 0 || (got > 0 && !PosixFiles::writeFully(out, buffer.constData(), got))) {
            ok = false;
            error = errno;
            break;
        }
        if (got == 0)
            break;
    }
    if (ok && ::fsync(out) != 0) {
        ok = false;
        error = errno;
    }
    if (ok) {
        const struct timespec times[2] = {source.st_atim, source.st_mtim};
        ::futimens(out, times);
    }
    ::close(in);
    if (::close(out) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && !sameContents(from, to)) {
        ::unlink(to.constData());
        return FileManager::Result::failure(QStringLiteral("the copy on the other file system did not match"));
    }
    if (ok && ::unlink(from.constData()) != 0) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(to.constData());
        return FileManager::Result::failure(PosixFiles::errorText(error));
    }
    return FileManager::Result::success();
}

// What a delete needs to know of one entry, read without following a link or
// triggering an automount.
struct EntryFacts
{
    mode_t mode = 0;
    dev_t device = 0;
    quint64 mountId = 0;
    bool mountRoot = false;
    // Immutable or append-only: the entry cannot be deleted, and neither can
    // anything inside such a folder.
    bool undeletable = false;
};

// The mount of an entry as /proc tells it for a descriptor, where statx does
// not give it (kernels before 5.8).
std::optional<quint64> mountIdFromProc(int folder, const char *name)
{
    const int fd = ::openat(folder, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const QByteArray infoPath = "/proc/self/fdinfo/" + QByteArray::number(fd);
    const int info = ::open(infoPath.constData(), O_RDONLY | O_CLOEXEC);
    char buffer[1024];
    const qint64 got = info >= 0 ? FileReading::readFully(info, buffer, qint64(sizeof buffer)) : -1;
    if (info >= 0)
        ::close(info);
    ::close(fd);
    if (got <= 0)
        return std::nullopt;
    for (const QByteArray &line : QByteArray(buffer, got).split('\n')) {
        if (line.startsWith("mnt_id:")) {
            bool ok = false;
            const quint64 id = line.mid(7).trimmed().toULongLong(&ok);
            if (ok)
                return id;
        }
    }
    return std::nullopt;
}

bool flagsSayUndeletable(int folder, const char *name)
{
    const int fd = ::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return known && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

// The entry `name` of the open folder (or a path with AT_FDCWD); on failure
// the reason in words.
std::optional<QString> readEntryFacts(int folder, const char *name, EntryFacts &facts)
{
    struct statx status {};
    if (::statx(folder, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_TYPE | STATX_MODE | STATX_MNT_ID, &status)
        != 0)
        return PosixFiles::errorText(errno);
    facts.mode = status.stx_mode;
    facts.device = makedev(status.stx_dev_major, status.stx_dev_minor);
    facts.mountRoot = (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0
                      && (status.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    constexpr quint64 undeletable = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
    if ((status.stx_attributes_mask & undeletable) == undeletable)
        facts.undeletable = (status.stx_attributes & undeletable) != 0;
    else if (S_ISREG(facts.mode) || S_ISDIR(facts.mode))
        facts.undeletable = flagsSayUndeletable(folder, name);
    if (status.stx_mask & STATX_MNT_ID) {
        facts.mountId = status.stx_mnt_id;
        return std::nullopt;
    }
    const std::optional<quint64> mount = mountIdFromProc(folder, name);
    if (!mount)
        return QStringLiteral("its mount cannot be told");
    facts.mountId = *mount;
    return std::nullopt;
}

// Goes through a folder by descriptors, never following a link and never
// entering another mount: another file system mounted inside, or a bind mount
// of this one (same device, another mount), ends the walk. check() deletes
// nothing, so that a folder holding anything that cannot go is left whole;
// remove() deletes the contents depth first and stops at the first failure.
class FolderDeletion
{
public:
    FolderDeletion(const QByteArray &path, const EntryFacts &top)
        : m_root(path)
        , m_path(path)
        , m_top(top)
    {
    }

    bool check(int folder) { return walk(folder, m_top, false); }
    bool remove(int folder) { return walk(folder, m_top, true); }

    bool deletedAny() const { return m_deletedAny; }
    // Why the walk stopped, naming the entry it stopped at.
    QString why() const
    {
        if (m_blocked == m_root)
            return QStringLiteral("it %1").arg(m_why);
        return QStringLiteral("%1 inside it %2").arg(FileManager::displayPath(m_blocked), m_why);
    }

private:
    bool fail(const QString &why)
    {
        m_blocked = m_path;
        m_why = why;
        return false;
    }

    bool walk(int folder, const EntryFacts &own, bool deleting)
    {
        if (own.undeletable)
            return fail(QStringLiteral("is immutable or append-only"));
        if (!deleting && ::faccessat(folder, ".", W_OK | X_OK, 0) != 0)
            return fail(QStringLiteral("cannot be changed: %1").arg(PosixFiles::errorText(errno)));
        std::vector<std::string> names;
        const int listing = ::dup(folder);
        DIR *dir = listing >= 0 ? ::fdopendir(listing) : nullptr;
        if (!dir) {
            const int error = errno;
            if (listing >= 0)
                ::close(listing);
            return fail(QStringLiteral("cannot be read: %1").arg(PosixFiles::errorText(error)));
        }
        for (;;) {
            errno = 0;
            const dirent *entry = ::readdir(dir);
            if (!entry)
                break;
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..")
                names.emplace_back(name);
        }
        const int listError = errno;
        ::closedir(dir);
        if (listError != 0)
            return fail(QStringLiteral("cannot be read: %1").arg(PosixFiles::errorText(listError)));

        const qsizetype length = m_path.size();
        for (const std::string &name : names) {
            m_path.truncate(length);
            m_path += '/';
            m_path += QByteArray::fromStdString(name);
            EntryFacts facts;
            if (const std::optional<QString> error = readEntryFacts(folder, name.c_str(), facts))
                return fail(QStringLiteral("cannot be read: %1").arg(*error));
            if (facts.mountRoot || facts.mountId != m_top.mountId || facts.device != m_top.device)
                return fail(QStringLiteral("is a mount point"));
            if (S_ISDIR(facts.mode)) {
                const int child =
                    ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
                if (child < 0)
                    return fail(QStringLiteral("cannot be opened: %1").arg(PosixFiles::errorText(errno)));
                const bool done = walk(child, facts, deleting);
                ::close(child);
                if (!done)
                    return false;
            } else if (facts.undeletable) {
                return fail(QStringLiteral("is immutable or append-only"));
            }
            if (deleting) {
                if (::unlinkat(folder, name.c_str(), S_ISDIR(facts.mode) ? AT_REMOVEDIR : 0) != 0)
                    return fail(QStringLiteral("cannot be deleted: %1").arg(PosixFiles::errorText(errno)));
                m_deletedAny = true;
            }
        }
        m_path.truncate(length);
        return true;
    }

    const QByteArray m_root;
    QByteArray m_path;
    EntryFacts m_top;
    bool m_deletedAny = false;
    QByteArray m_blocked;
    QString m_why;
};

// Why the folder cannot be deleted whole, or nothing when it can: it is itself
// a mount point, or something inside is a mount point or cannot go.
std::optional<QString> folderBlocker(const QByteArray &path)
{
    EntryFacts top;
    EntryFacts parent;
    if (const std::optional<QString> error = readEntryFacts(AT_FDCWD, path.constData(), top))
        return error;
    if (const std::optional<QString> error = readEntryFacts(AT_FDCWD, PosixFiles::parentOf(path).constData(), parent))
        return error;
    if (top.mountRoot || top.mountId != parent.mountId || top.device != parent.device)
        return QStringLiteral("it is a mount point");
    const int fd = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return PosixFiles::errorText(errno);
    FolderDeletion check(path, top);
    const bool deletable = check.check(fd);
    ::close(fd);
    if (deletable)
        return std::nullopt;
    return check.why();
}

// The item's path beside itself under a private name. The name is cut so that
// the private one stays within the file system's limit of 255 bytes.
QByteArray privateNameFor(const QByteArray &path)
{
    const QByteArray parent = PosixFiles::parentOf(path);
    return (parent == "/" ? parent : parent + '/') + ".twinmoor-removing-"
           + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + '-' + PosixFiles::lastComponent(path).left(200);
}

// Renames the item to a free private name beside itself. A file system
// without the no-replace rename (NFS, some FUSE ones) gets a plain rename to a
// random name that was free a moment before.
FileManager::Result setAside(const QByteArray &path, QByteArray &aside)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray candidate = privateNameFor(path);
        int renamed = renameNoReplace(path, candidate);
        if (renamed != 0 && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP)) {
            struct stat taken {};
            if (::lstat(candidate.constData(), &taken) == 0)
                continue;
            if (errno != ENOENT)
                return FileManager::Result::failure(PosixFiles::errorText(errno));
            renamed = ::rename(path.constData(), candidate.constData());
        }
        if (renamed == 0) {
            aside = candidate;
            return FileManager::Result::success();
        }
        if (errno != EEXIST)
            return FileManager::Result::failure(PosixFiles::errorText(errno));
    }
    return FileManager::Result::failure(QStringLiteral("no free name to set it aside"));
}

} // namespace

FileManager &FileManager::defaultManager()
{
    static FileManager manager;
    return manager;
}

std::optional<FileManager::Status> FileManager::status(const QByteArray &path) const
{
    struct stat info {};
    if (path.isEmpty() || ::lstat(path.constData(), &info) != 0)
        return std::nullopt;
    Status status;
    status.isFolder = S_ISDIR(info.st_mode);
    status.isSymbolicLink = S_ISLNK(info.st_mode);
    status.device = quint64(info.st_dev);
    status.inode = quint64(info.st_ino);
    status.size = quint64(info.st_size);
    status.modifiedMilliseconds = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return status;
}

bool FileManager::isSameFile(const QByteArray &first, const QByteArray &second) const
{
    struct stat a {};
    struct stat b {};
    if (first.isEmpty() || second.isEmpty() || ::stat(first.constData(), &a) != 0
        || ::stat(second.constData(), &b) != 0)
        return false;
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

FileManager::Result FileManager::trashItem(const QByteArray &path)
{
    if (!status(path))
        return Result::failure(QStringLiteral("it is no longer there"));
    const TrashCan::Result trashed = TrashCan::forUser().trash(path);
    return trashed ? Result::success() : Result::failure(trashed.reason);
}

FileManager::Result FileManager::pinItem(const QByteArray &path, PinnedItem &pinned)
{
    // Read directly, not through the overridable status(): to a test double
    // the pin is one operation.
    const std::optional<Status> found = FileManager::status(path);
    if (!found)
        return Result::failure(QStringLiteral("it is no longer there"));
    // Nothing is renamed unless all of it can go: a folder set aside and then
    // refused would otherwise have to find its way back.
    if (found->isFolder) {
        if (const std::optional<QString> blocked = folderBlocker(path))
            return Result::failure(*blocked);
    }
    QByteArray aside;
    const Result setAsideResult = setAside(path, aside);
    if (!setAsideResult)
        return setAsideResult;
    const std::optional<Status> there = FileManager::status(aside);
    if (!there)
        return Result::failure(QStringLiteral("it vanished from %1 after it was set aside").arg(displayPath(aside)));
    pinned = {path, aside, *there};
    return Result::success();
}

FileManager::Result FileManager::unpinItem(const PinnedItem &pinned)
{
    if (renameNoReplace(pinned.pinnedPath, pinned.path) == 0)
        return Result::success();
    int error = errno;
    if ((error == EINVAL || error == ENOSYS || error == ENOTSUP) && !pinned.status.isFolder) {
        // Without the no-replace rename a hard link never replaces either.
        if (::link(pinned.pinnedPath.constData(), pinned.path.constData()) == 0) {
            ::unlink(pinned.pinnedPath.constData());
            return Result::success();
        }
        error = errno;
    }
    if (error == EEXIST)
        return Result::failure(
            QStringLiteral("its name was taken meanwhile, so it was left at %1").arg(displayPath(pinned.pinnedPath)));
    return Result::failure(QStringLiteral("it could not be put back (%1) and was left at %2")
                               .arg(PosixFiles::errorText(error), displayPath(pinned.pinnedPath)));
}

FileManager::Result FileManager::deletePinnedItem(const PinnedItem &pinned)
{
    // Nothing of it gone: it goes back to its own name whole.
    auto keepWhole = [&](const QString &why) {
        const Result back = unpinItem(pinned);
        return Result::failure(back ? why : why + QStringLiteral("; ") + back.reason);
    };
    if (!pinned.status.isFolder) {
        if (::unlink(pinned.pinnedPath.constData()) != 0)
            return keepWhole(PosixFiles::errorText(errno));
        return Result::success();
    }

    EntryFacts top;
    if (const std::optional<QString> error = readEntryFacts(AT_FDCWD, pinned.pinnedPath.constData(), top))
        return keepWhole(*error);
    const int fd = ::open(pinned.pinnedPath.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return keepWhole(PosixFiles::errorText(errno));
    FolderDeletion deletion(pinned.pinnedPath, top);
    const bool emptied = deletion.remove(fd);
    ::close(fd);
    if (emptied && ::rmdir(pinned.pinnedPath.constData()) == 0)
        return Result::success();
    const QString why = emptied ? PosixFiles::errorText(errno) : deletion.why();
    if (!deletion.deletedAny())
        return keepWhole(why);
    return Result::failure(
        QStringLiteral("deleting stopped (%1); what is left is at %2").arg(why, displayPath(pinned.pinnedPath)));
}

FileManager::Result FileManager::removeItem(const QByteArray &path)
{
    PinnedItem pinned;
    const Result pinnedResult = pinItem(path, pinned);
    if (!pinnedResult)
        return pinnedResult;
    return deletePinnedItem(pinned);
}

FileManager::Result FileManager::moveItem(const QByteArray &from, const QByteArray &to)
{
    struct stat source {};
    if (::lstat(from.constData(), &source) != 0)
        return Result::failure(QStringLiteral("it is no longer there"));
    if (renameNoReplace(from, to) == 0)
        return Result::success();

    const int error = errno;
    if (error == EEXIST)
        return Result::failure(QStringLiteral("an item of that name is already there"));
    const bool isFolder = S_ISDIR(source.st_mode);
    if (error == EXDEV) {
        if (!S_ISREG(source.st_mode))
            return Result::failure(QStringLiteral("a folder is not moved to another file system"));
        return copyCheckRemove(from, to, source);
    }
    if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
        // A file system without the no-replace rename: a hard link never
        // replaces either, and a folder is not moved at all.
        if (isFolder || !S_ISREG(source.st_mode))
            return Result::failure(QStringLiteral("this file system cannot move a folder safely"));
        if (::link(from.constData(), to.constData()) == 0) {
            if (::unlink(from.constData()) == 0)
                return Result::success();
            const int unlinkError = errno;
            ::unlink(to.constData());
            return Result::failure(PosixFiles::errorText(unlinkError));
        }
        if (errno == EEXIST)
            return Result::failure(QStringLiteral("an item of that name is already there"));
        return copyCheckRemove(from, to, source);
    }
    return Result::failure(PosixFiles::errorText(error));
}

FileManager::Result FileManager::createDirectory(const QByteArray &path)
{
    if (!path.startsWith('/'))
        return Result::failure(QStringLiteral("the folder path is not absolute"));
    QByteArray partial;
    const QList<QByteArray> components = path.split('/');
    for (const QByteArray &component : components) {
        if (component.isEmpty())
            continue;
        partial += '/' + component;
        if (::mkdir(partial.constData(), 0777) == 0)
            continue;
        const int error = errno;
        struct stat info {};
        if (error == EEXIST && ::stat(partial.constData(), &info) == 0 && S_ISDIR(info.st_mode))
            continue;
        if (error == EEXIST)
            return Result::failure(QStringLiteral("%1 is not a folder").arg(displayPath(partial)));
        return Result::failure(QStringLiteral("%1: %2").arg(displayPath(partial), PosixFiles::errorText(error)));
    }
    return Result::success();
}

bool FileManager::isWritableFolder(const QByteArray &path) const
{
    struct stat info {};
    return !path.isEmpty() && ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode)
           && ::access(path.constData(), W_OK | X_OK) == 0;
}

QString FileManager::displayPath(const QByteArray &path)
{
    return QString::fromUtf8(path);
}
