#include "FileManager.h"

#include "TrashCan.h"

#include <QList>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <ftw.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QByteArray parentOf(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash <= 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

QByteArray lastComponent(const QByteArray &path)
{
    return path.mid(path.lastIndexOf('/') + 1);
}

// rename(2) that fails with EEXIST instead of replacing what lies at the target.
int renameNoReplace(const QByteArray &from, const QByteArray &to)
{
    return ::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE);
}

bool writeAll(int fd, const char *data, ssize_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size_t(size));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= written;
    }
    return true;
}

ssize_t readFull(int fd, char *buffer, size_t size)
{
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        if (n == 0)
            break;
        got += size_t(n);
    }
    return ssize_t(got);
}

bool sameContents(const QByteArray &first, const QByteArray &second)
{
    const int a = ::open(first.constData(), O_RDONLY | O_CLOEXEC);
    const int b = ::open(second.constData(), O_RDONLY | O_CLOEXEC);
    bool same = a >= 0 && b >= 0;
    QByteArray bufferA(1 << 16, Qt::Uninitialized);
    QByteArray bufferB(1 << 16, Qt::Uninitialized);
    while (same) {
        const ssize_t gotA = readFull(a, bufferA.data(), size_t(bufferA.size()));
        const ssize_t gotB = readFull(b, bufferB.data(), size_t(bufferB.size()));
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
        return FileManager::Result::failure(errnoText(errno));
    const int out = ::open(to.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, source.st_mode & 07777);
    if (out < 0) {
        const int error = errno;
        ::close(in);
        return FileManager::Result::failure(error == EEXIST ? QStringLiteral("an item of that name is already there")
                                                            : errnoText(error));
    }
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    bool ok = true;
    int error = 0;
    for (;;) {
        const ssize_t got = readFull(in, buffer.data(), size_t(buffer.size()));
        if (got < 0 || (got > 0 && !writeAll(out, buffer.constData(), got))) {
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
        return FileManager::Result::failure(errnoText(error));
    }
    return FileManager::Result::success();
}

// Whether the item's immutable or append-only flag is set; such an entry
// cannot be deleted, and neither can anything inside an append-only folder.
bool hasUndeletableFlag(const char *path, const struct stat &status)
{
    if (!S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode))
        return false;
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0)
        return false;
    int flags = 0;
    const bool known = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    ::close(fd);
    return known && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

thread_local QByteArray *blockedEntry = nullptr;

int checkDeletable(const char *path, const struct stat *status, int type, struct FTW *)
{
    if (type == FTW_DNR || type == FTW_NS || hasUndeletableFlag(path, *status)
        || (type == FTW_D && ::access(path, W_OK | X_OK) != 0)) {
        *blockedEntry = path;
        return 1;
    }
    return 0;
}

int deleteEntry(const char *path, const struct stat *, int type, struct FTW *)
{
    const int result = type == FTW_DP ? ::rmdir(path) : ::unlink(path);
    if (result != 0) {
        *blockedEntry = path;
        return 1;
    }
    return 0;
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

FileManager::Result FileManager::removeItem(const QByteArray &path)
{
    const std::optional<Status> found = status(path);
    if (!found)
        return Result::failure(QStringLiteral("it is no longer there"));
    if (!found->isFolder) {
        if (::unlink(path.constData()) != 0)
            return Result::failure(errnoText(errno));
        return Result::success();
    }

    // Everything inside must be deletable before the first entry goes, so
    // that a folder goes whole or stays whole.
    QByteArray blocked;
    blockedEntry = &blocked;
    const int checked = ::nftw(path.constData(), checkDeletable, 32, FTW_PHYS);
    if (checked != 0) {
        blockedEntry = nullptr;
        return Result::failure(QStringLiteral("%1 inside it cannot be deleted").arg(displayPath(blocked)));
    }

    QByteArray aside;
    for (int attempt = 0; attempt < 16; ++attempt) {
        aside = parentOf(path) + "/.twinmoor-removing-" + QByteArray::number(QRandomGenerator::global()->generate(), 16)
                + '-' + lastComponent(path);
        if (renameNoReplace(path, aside) == 0)
            break;
        if (errno != EEXIST) {
            blockedEntry = nullptr;
            return Result::failure(errnoText(errno));
        }
        aside.clear();
    }
    if (aside.isEmpty()) {
        blockedEntry = nullptr;
        return Result::failure(QStringLiteral("no free name to set it aside"));
    }
    const int removed = ::nftw(aside.constData(), deleteEntry, 32, FTW_DEPTH | FTW_PHYS);
    blockedEntry = nullptr;
    if (removed != 0)
        return Result::failure(QStringLiteral("deleting stopped at %1; what is left is at %2")
                                   .arg(displayPath(blocked), displayPath(aside)));
    return Result::success();
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
            return Result::failure(errnoText(unlinkError));
        }
        if (errno == EEXIST)
            return Result::failure(QStringLiteral("an item of that name is already there"));
        return copyCheckRemove(from, to, source);
    }
    return Result::failure(errnoText(error));
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
        return Result::failure(QStringLiteral("%1: %2").arg(displayPath(partial), errnoText(error)));
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
