#include "PosixFiles.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PosixFiles {

namespace {

// Whether the status shows the item whose status was `item`: the same item,
// or where a file system numbers each name on its own, one of its kind, size
// and time.
bool showsItem(const struct stat &there, const struct stat &item)
{
    if (there.st_dev == item.st_dev && there.st_ino == item.st_ino)
        return true;
    return (there.st_mode & S_IFMT) == (item.st_mode & S_IFMT) && there.st_size == item.st_size
           && there.st_mtim.tv_sec == item.st_mtim.tv_sec && there.st_mtim.tv_nsec == item.st_mtim.tv_nsec;
}

} // namespace

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

RenameSeen lookAfterRename(int fromFolder, const QByteArray &from, int toFolder, const QByteArray &to,
                           const struct stat &item)
{
    RenameSeen seen;
    if (::fstatat(toFolder, to.constData(), &seen.target, AT_SYMLINK_NOFOLLOW) == 0)
        seen.atTarget = true;
    else if (errno != ENOENT)
        seen.targetError = errno;
    struct stat there {};
    if (::fstatat(fromFolder, from.constData(), &there, AT_SYMLINK_NOFOLLOW) == 0) {
        seen.atSource = showsItem(there, item);
        seen.otherAtSource = !seen.atSource;
    } else if (errno != ENOENT) {
        seen.sourceError = errno;
    }
    return seen;
}

UnlinkSeen lookAfterUnlink(int folder, const QByteArray &name, const struct stat &item)
{
    UnlinkSeen seen;
    if (::fstatat(folder, name.constData(), &seen.left, AT_SYMLINK_NOFOLLOW) == 0) {
        seen.atName = true;
        seen.holdsItem = showsItem(seen.left, item);
    } else if (errno != ENOENT) {
        seen.error = errno;
    }
    return seen;
}

QString unlinkNotMade(const UnlinkSeen &seen, const QString &act, const QString &path)
{
    if (seen.error != 0)
        return QStringLiteral("the file system answered %1 as done, but %2 could not be looked at (%3)")
            .arg(act, path, errorText(seen.error));
    if (seen.holdsItem)
        return QStringLiteral("the file system answered %1 as done but did not make it (%2 still held it)").arg(act, path);
    if (seen.atName)
        return QStringLiteral("the file system answered %1 as done, but %2 is still there").arg(act, path);
    return {};
}

QString renameNotMade(const RenameSeen &seen, const QString &act, const QString &fromPath, const QString &toPath)
{
    if (seen.targetError != 0) {
        const QString said = QStringLiteral("%1 could not be looked at after %2 (%3)")
                                 .arg(toPath, act, errorText(seen.targetError));
        if (seen.atSource)
            return said + QStringLiteral(", and %1 still holds it").arg(fromPath);
        if (seen.sourceError != 0)
            return said + QStringLiteral(", nor could %1 (%2)").arg(fromPath, errorText(seen.sourceError));
        return said + QStringLiteral(", and %1 no longer holds it").arg(fromPath);
    }
    if (seen.sourceError != 0)
        return QStringLiteral("%1 could not be looked at after %2 (%3)").arg(fromPath, act, errorText(seen.sourceError));
    if (seen.atTarget && seen.atSource)
        return QStringLiteral("the file system answered %1 as done, but %2 still holds it, and %3 holds an item too")
            .arg(act, fromPath, toPath);
    if (seen.atTarget)
        return {};
    if (seen.atSource)
        return QStringLiteral("the file system answered %1 as done but did not make it").arg(act);
    if (seen.otherAtSource)
        return QStringLiteral("the file system answered %1 as done, but nothing is at %2, and %3 holds another item")
            .arg(act, toPath, fromPath);
    return QStringLiteral("the file system answered %1 as done, but neither %2 nor %3 holds it").arg(act, toPath, fromPath);
}

QString notPutBack(const RenameSeen &back, const QString &what, const QString &toPath, const QString &fromPath,
                   bool &stays)
{
    stays = !back.moved() && (back.atSource || back.sourceError != 0);
    if (back.moved())
        return {};
    QString said = QStringLiteral("%1 could not be put back: %2")
                       .arg(what, renameNotMade(back, QStringLiteral("the move back"), toPath, fromPath));
    if (back.atSource && !back.atTarget && back.targetError == 0)
        said += QStringLiteral(", and %1 stays at %2").arg(what, toPath);
    return said;
}

QString putBack(int toFolder, const QByteArray &to, const QString &toPath, int fromFolder, const QByteArray &from,
                const QString &fromPath, const QString &what, bool &stays)
{
    struct stat item {};
    if (::fstatat(toFolder, to.constData(), &item, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        stays = error != ENOENT;
        if (error == ENOENT)
            return QStringLiteral("%1 could not be put back: nothing is at %2 any more").arg(what, toPath);
        return QStringLiteral("%1 could not be put back: %2 could not be looked at (%3)")
            .arg(what, toPath, errorText(error));
    }
    if (renameWithoutReplacing(toFolder, to, fromFolder, from) != 0) {
        stays = true;
        return QStringLiteral("%1 could not be put back (%2) and stays at %3").arg(what, errorText(errno), toPath);
    }
    return notPutBack(lookAfterRename(toFolder, to, fromFolder, from, item), what, toPath, fromPath, stays);
}

} // namespace PosixFiles
