#include "PosixFiles.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PosixFiles {

QString errorText(int error)
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

bool writeFully(int fd, const char *data, qint64 size)
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

int renameNoReplace(int fromFolder, const QByteArray &from, int toFolder, const QByteArray &to)
{
    return ::renameat2(fromFolder, from.constData(), toFolder, to.constData(), RENAME_NOREPLACE);
}

bool noNoReplaceRename(int error)
{
    return error == EINVAL || error == ENOSYS || error == ENOTSUP;
}

int renameIfFree(int fromFolder, const QByteArray &from, int toFolder, const QByteArray &to)
{
    struct stat taken {};
    if (::fstatat(toFolder, to.constData(), &taken, AT_SYMLINK_NOFOLLOW) == 0) {
        errno = EEXIST;
        return -1;
    }
    if (errno != ENOENT)
        return -1;
    return ::renameat(fromFolder, from.constData(), toFolder, to.constData());
}

int renameWithoutReplacing(int fromFolder, const QByteArray &from, int toFolder, const QByteArray &to)
{
    if (renameNoReplace(fromFolder, from, toFolder, to) == 0)
        return 0;
    if (!noNoReplaceRename(errno))
        return -1;
    return renameIfFree(fromFolder, from, toFolder, to);
}

} // namespace PosixFiles
