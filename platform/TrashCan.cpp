#include "TrashCan.h"

#include "Descriptor.h"
#include "MountTable.h"
#include "PosixFiles.h"
#include "UserInfo.h"

#include <QFile>
#include <QList>
#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The names tried in "files" for one item: its own, a few numbered ones, then
// random ones. A Trash that already holds many items of one name costs a few
// tries, not one per item, and the search always ends.
constexpr int kNameTries = 64;
constexpr int kNumberedTries = 8;
// A shortened name keeps an extension up to this long, so the item in the
// Trash still shows its type.
constexpr qsizetype kLongestKeptExtension = 16;
// The record's name is the item's name in "files" with this after it.
constexpr char kInfoSuffix[] = ".trashinfo";
constexpr qsizetype kInfoSuffixSize = qsizetype(sizeof kInfoSuffix) - 1;

QString shown(const QByteArray &path)
{
    return QString::fromUtf8(path);
}

// The path without the slashes that may end it ("/" stays).
QByteArray withoutTrailingSlashes(QByteArray path)
{
    while (path.size() > 1 && path.endsWith('/'))
        path.chop(1);
    return path;
}

QByteArray absolutePath(const QByteArray &path)
{
    if (path.startsWith('/'))
        return path;
    char *here = ::getcwd(nullptr, 0);
    if (!here)
        return {};
    QByteArray absolute = QByteArray(here) + '/' + path;
    std::free(here);
    return absolute;
}

// The item's path with its folder's links resolved (the item itself, which
// may be a link, is not followed); empty when the folder cannot be resolved.
QByteArray resolvedPath(const QByteArray &path)
{
    const QByteArray absolute = withoutTrailingSlashes(absolutePath(path));
    if (absolute.isEmpty() || absolute == "/")
        return {};
    char *folder = ::realpath(PosixFiles::parentOf(absolute).constData(), nullptr);
    if (!folder)
        return {};
    QByteArray resolved(folder);
    std::free(folder);
    if (!resolved.endsWith('/'))
        resolved += '/';
    return resolved + absolute.mid(absolute.lastIndexOf('/') + 1);
}

// The deletion date in local time, as the Trash's records keep it.
QByteArray localNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local {};
    char text[32] = {};
    if (!::localtime_r(&now, &local) || std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local) == 0)
        return {};
    return QByteArray(text);
}

// mkdir -p for the data folder; folders it makes are private to the user.
QString makeFolders(const QByteArray &path)
{
    QByteArray partial;
    for (const QByteArray &component : path.split('/')) {
        if (component.isEmpty())
            continue;
        partial += '/' + component;
        if (::mkdir(partial.constData(), 0700) != 0 && errno != EEXIST)
            return QStringLiteral("the data folder %1 cannot be made: %2").arg(shown(path), PosixFiles::errorText(errno));
    }
    return {};
}

struct OpenedFolder
{
    Descriptor fd;
    QString reason;
};

// Opens the folder `name` in the open folder `parent`, making it (0700) when
// it is missing. Inside a Trash and at a top folder a link is refused, since
// whoever may write there could point it anywhere; the user's own folders at
// a top folder must belong to the user, and no other user may write them.
OpenedFolder openFolder(int parent, const QByteArray &name, const QByteArray &path, bool realOnly, bool mustBeOurs)
{
    OpenedFolder opened;
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (realOnly ? O_NOFOLLOW : 0);
    int fd = ::openat(parent, name.constData(), flags);
    if (fd < 0 && errno == ENOENT) {
        if (::mkdirat(parent, name.constData(), 0700) != 0 && errno != EEXIST) {
            opened.reason = QStringLiteral("%1 cannot be made: %2").arg(shown(path), PosixFiles::errorText(errno));
            return opened;
        }
        fd = ::openat(parent, name.constData(), flags);
    }
    if (fd < 0) {
        const int error = errno;
        struct stat status {};
        if (realOnly && ::fstatat(parent, name.constData(), &status, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISLNK(status.st_mode))
            opened.reason = QStringLiteral("%1 is a link, not a folder").arg(shown(path));
        else if (error == ENOTDIR)
            opened.reason = QStringLiteral("%1 is not a folder").arg(shown(path));
        else
            opened.reason = QStringLiteral("%1 cannot be opened: %2").arg(shown(path), PosixFiles::errorText(error));
        return opened;
    }
    opened.fd = Descriptor(fd);
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        opened.reason = QStringLiteral("%1 cannot be read: %2").arg(shown(path), PosixFiles::errorText(errno));
    else if (mustBeOurs && status.st_uid != ::geteuid())
        opened.reason = QStringLiteral("%1 belongs to another user").arg(shown(path));
    else if (mustBeOurs && (status.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        opened.reason = QStringLiteral("%1 can be written by other users").arg(shown(path));
    return opened;
}

} // namespace

struct TrashCan::OpenFolders
{
    Descriptor files;
    Descriptor info;
    dev_t device = 0;
};

namespace {

using Place = TrashCan::Place;

Place noTrash(const QString &reason)
{
    Place place;
    place.reason = reason;
    return place;
}

// The "files" and "info" folders of the open Trash folder, opened (never
// through a link) and made when missing, both writable. At a top folder they
// are held to their Trash folder's rule: the user's own, and no other user
// may write them, or whoever could would see and change what goes there.
Place openInsides(int trash, const QByteArray &trashPath, const QByteArray &topFolder)
{
    auto open = std::make_shared<TrashCan::OpenFolders>();
    for (Descriptor *inside : {&open->files, &open->info}) {
        const QByteArray name = inside == &open->files ? QByteArrayLiteral("files") : QByteArrayLiteral("info");
        const QByteArray path = trashPath + '/' + name;
        OpenedFolder opened = openFolder(trash, name, path, true, !topFolder.isEmpty());
        if (!opened.reason.isEmpty())
            return noTrash(opened.reason);
        if (::faccessat(opened.fd.get(), ".", W_OK | X_OK, AT_EACCESS) != 0)
            return noTrash(QStringLiteral("%1 cannot be written to: %2").arg(shown(path), PosixFiles::errorText(errno)));
        *inside = std::move(opened.fd);
    }
    struct stat files {};
    if (::fstat(open->files.get(), &files) != 0)
        return noTrash(QStringLiteral("%1/files cannot be read: %2").arg(shown(trashPath), PosixFiles::errorText(errno)));
    open->device = files.st_dev;
    Place place;
    place.folder = trashPath;
    place.topFolder = topFolder;
    place.open = std::move(open);
    return place;
}

Place openHomeTrash(const QByteArray &dataHome)
{
    if (!dataHome.startsWith('/'))
        return noTrash(QStringLiteral("the data folder \"%1\" is not an absolute path").arg(shown(dataHome)));
    if (const QString failed = makeFolders(dataHome); !failed.isEmpty())
        return noTrash(failed);
    const Descriptor home(::open(dataHome.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!home.isOpen())
        return noTrash(
            QStringLiteral("the data folder %1 cannot be opened: %2").arg(shown(dataHome), PosixFiles::errorText(errno)));
    // The user's own Trash may be a link of the user's; it is followed once, here.
    const QByteArray trashPath = withoutTrailingSlashes(dataHome) + "/Trash";
    const OpenedFolder trash = openFolder(home.get(), "Trash", trashPath, false, false);
    if (!trash.reason.isEmpty())
        return noTrash(trash.reason);
    return openInsides(trash.fd.get(), trashPath, {});
}

// Whether a shared .Trash at a top folder may hold the user's Trash: a real
// folder with the sticky bit, so that no other user can rename the user's
// folder in it, owned by root or the user, so that no other user can give it
// another folder's place.
bool isSharedTrash(const struct stat &shared)
{
    return S_ISDIR(shared.st_mode) && (shared.st_mode & S_ISVTX) != 0
           && (shared.st_uid == 0 || shared.st_uid == ::geteuid());
}

Place openTopFolderTrash(const QByteArray &topFolder)
{
    const Descriptor top(::open(topFolder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!top.isOpen())
        return noTrash(
            QStringLiteral("the top folder %1 cannot be opened: %2").arg(shown(topFolder), PosixFiles::errorText(errno)));
    const QByteArray base = topFolder == "/" ? QByteArray() : topFolder;
    const QByteArray uid = QByteArray::number(::getuid());

    // The shared .Trash is looked at, never made; what counts is the folder
    // that was opened.
    struct stat shared {};
    if (::fstatat(top.get(), ".Trash", &shared, AT_SYMLINK_NOFOLLOW) == 0 && isSharedTrash(shared)) {
        const OpenedFolder sharedFolder = openFolder(top.get(), ".Trash", base + "/.Trash", true, false);
        struct stat opened {};
        if (sharedFolder.reason.isEmpty() && ::fstat(sharedFolder.fd.get(), &opened) == 0 && isSharedTrash(opened)) {
            const QByteArray ownPath = base + "/.Trash/" + uid;
            const OpenedFolder own = openFolder(sharedFolder.fd.get(), uid, ownPath, true, true);
            if (own.reason.isEmpty()) {
                Place place = openInsides(own.fd.get(), ownPath, topFolder);
                if (place)
                    return place;
            }
        }
    }

    const QByteArray ownPath = base + "/.Trash-" + uid;
    const OpenedFolder own = openFolder(top.get(), ".Trash-" + uid, ownPath, true, true);
    if (!own.reason.isEmpty())
        return noTrash(own.reason);
    return openInsides(own.fd.get(), ownPath, topFolder);
}

// Whether the data folder, or its nearest folder that exists, lies on the device.
bool isOnDataHomeFileSystem(const QByteArray &dataHome, dev_t device)
{
    if (!dataHome.startsWith('/'))
        return true;
    QByteArray folder = withoutTrailingSlashes(dataHome);
    struct stat status {};
    // Every step shortens the path, and "/" always exists.
    while (::stat(folder.constData(), &status) != 0) {
        if (folder == "/")
            return true;
        folder = PosixFiles::parentOf(folder);
    }
    return status.st_dev == device;
}

// The name in "files" for one try, cut to at most `limit` bytes. The cut
// never splits a UTF-8 sequence and keeps a short extension.
QByteArray candidateName(const QByteArray &name, int attempt, qsizetype limit)
{
    QByteArray suffix;
    if (attempt > 0 && attempt <= kNumberedTries)
        suffix = '.' + QByteArray::number(attempt + 1);
    else if (attempt > kNumberedTries)
        suffix = '.' + QByteArray::number(QRandomGenerator::global()->generate(), 16);
    const qsizetype dot = name.lastIndexOf('.');
    QByteArray extension = dot > 0 && name.size() - dot <= kLongestKeptExtension ? name.mid(dot) : QByteArray();
    QByteArray stem = name.chopped(extension.size());
    qsizetype room = limit - suffix.size() - extension.size();
    if (room < 1) {
        stem = name;
        extension.clear();
        room = limit - suffix.size();
        if (room < 1)
            return {};
    }
    if (stem.size() > room) {
        qsizetype cut = room;
        while (cut > 0 && (quint8(stem.at(cut)) & 0xC0) == 0x80)
            --cut;
        if (cut == 0)
            cut = room;
        stem.truncate(cut);
    }
    return stem + suffix + extension;
}

// The longest name that fits both folders: the record's name is the item's
// name and ".trashinfo".
qsizetype nameLimit(const TrashCan::OpenFolders &trash)
{
    const auto limitOf = [](int fd) {
        const long limit = ::fpathconf(fd, _PC_NAME_MAX);
        return limit > 0 ? qsizetype(limit) : qsizetype(255);
    };
    return std::min(limitOf(trash.info.get()) - kInfoSuffixSize, limitOf(trash.files.get()));
}

// The folder of a path, opened (links in it followed), and the path's last
// component; a path that names no item of its own gives no name.
struct ParentFolder
{
    Descriptor fd;
    QByteArray name;
    QString reason;
};

ParentFolder openParentOf(const QByteArray &path)
{
    ParentFolder parent;
    const QByteArray trimmed = withoutTrailingSlashes(path);
    parent.name = trimmed.mid(trimmed.lastIndexOf('/') + 1);
    if (parent.name.isEmpty() || parent.name == "." || parent.name == ".." || trimmed == "/") {
        parent.reason = QStringLiteral("it has no name of its own");
        parent.name.clear();
        return parent;
    }
    const QByteArray folder = trimmed.contains('/') ? PosixFiles::parentOf(trimmed) : QByteArrayLiteral(".");
    parent.fd = Descriptor(::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!parent.fd.isOpen())
        parent.reason = errno == ENOENT ? QStringLiteral("it is no longer there") : PosixFiles::errorText(errno);
    return parent;
}

// The deepest mount point that holds the folder (a resolved path).
QByteArray mountPointOf(const QByteArray &folder)
{
    QByteArray best;
    for (const MountTable::Mount &mount : MountTable::read()) {
        const QByteArray &point = mount.mountPoint;
        const bool holds = point == "/" || folder == point || folder.startsWith(point + '/');
        if (holds && point.size() >= best.size())
            best = point;
    }
    return best;
}

// Takes a record of this run's away, and looks at its name once more, since
// a file system may answer a removal it did not make: what to say of the
// record where it stays, nothing once it is gone.
QString dropRecord(int info, const QByteArray &name, const QByteArray &path)
{
    const int removeError = ::unlinkat(info, name.constData(), 0) == 0 || errno == ENOENT ? 0 : errno;
    struct stat left {};
    if (::fstatat(info, name.constData(), &left, AT_SYMLINK_NOFOLLOW) == 0)
        return QStringLiteral("its record %1 stays there (%2)")
            .arg(shown(path), removeError != 0 ? PosixFiles::errorText(removeError)
                                               : QStringLiteral("the file system answered its removal as done but kept it"));
    if (errno == ENOENT)
        return {};
    return QStringLiteral("its record %1 could not be looked at once it was taken away (%2)")
        .arg(shown(path), PosixFiles::errorText(errno));
}

// After a create of a record that failed: a file system may make the file
// and still answer an error. An empty file at the name, which was free a
// moment before, is the run's own and goes; what to say of it where it
// stays, nothing otherwise.
QString dropFailedRecord(int info, const QByteArray &name, const QByteArray &path)
{
    struct stat made {};
    if (::fstatat(info, name.constData(), &made, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return {};
        return QStringLiteral("%1 could not be looked at (%2)").arg(shown(path), PosixFiles::errorText(errno));
    }
    if (!S_ISREG(made.st_mode) || made.st_size != 0)
        return {};
    return dropRecord(info, name, path);
}

} // namespace

TrashCan::TrashCan(QByteArray dataHome)
    : m_dataHome(std::move(dataHome))
{
}

TrashCan TrashCan::forUser()
{
    return TrashCan(QFile::encodeName(UserInfo::dataHomeDirectory()));
}

TrashCan::Place TrashCan::placeFor(int folder, const QByteArray &name, const QByteArray &itemPath)
{
    struct stat item {};
    if (::fstatat(folder, name.constData(), &item, AT_SYMLINK_NOFOLLOW) != 0)
        return noTrash(errno == ENOENT ? QStringLiteral("it is no longer there") : PosixFiles::errorText(errno));
    if (!m_home)
        m_home = openHomeTrash(m_dataHome);
    if (*m_home && m_home->open->device == item.st_dev)
        return *m_home;
    // A broken home Trash stops only what would have gone there.
    if (!*m_home && isOnDataHomeFileSystem(m_dataHome, item.st_dev))
        return *m_home;
    const QByteArray top = topFolderOf(itemPath);
    if (top.isEmpty())
        return noTrash(QStringLiteral("the top folder of its file system cannot be found"));
    auto found = m_topFolders.constFind(top);
    if (found == m_topFolders.cend()) {
        Place place = topFolderTrash(top);
        if (!place)
            place.reason = QStringLiteral("no Trash can be used on its file system: %1").arg(place.reason);
        found = m_topFolders.insert(top, place);
    }
    return *found;
}

TrashCan::Result TrashCan::trash(const QByteArray &path)
{
    const ParentFolder parent = openParentOf(path);
    if (!parent.fd.isOpen())
        return Result {false, parent.reason, {}, false};
    return trash(parent.fd.get(), parent.name, path);
}

TrashCan::Result TrashCan::trash(int folder, const QByteArray &name, const QByteArray &itemPath,
                                 const Landing &landing)
{
    return trashInto(folder, name, itemPath, placeFor(folder, name, itemPath), landing);
}

QByteArray TrashCan::topFolderOf(const QByteArray &path)
{
    const QByteArray resolved = resolvedPath(path);
    if (resolved.isEmpty())
        return {};
    const QByteArray folder = PosixFiles::parentOf(resolved);
    struct stat here {};
    if (::stat(folder.constData(), &here) != 0)
        return {};
    // The mount point counts only when it holds the folder's own file system:
    // a subvolume has a device of its own without being a mount point.
    const QByteArray mountPoint = mountPointOf(folder);
    struct stat mounted {};
    if (!mountPoint.isEmpty() && ::stat(mountPoint.constData(), &mounted) == 0 && mounted.st_dev == here.st_dev)
        return mountPoint;
    // Otherwise the highest folder of the same device; every step shortens the path.
    QByteArray top = folder;
    while (top != "/") {
        const QByteArray parent = PosixFiles::parentOf(top);
        struct stat above {};
        if (::stat(parent.constData(), &above) != 0 || above.st_dev != here.st_dev)
            break;
        top = parent;
    }
    return top;
}

TrashCan::Place TrashCan::topFolderTrash(const QByteArray &topFolder)
{
    return openTopFolderTrash(topFolder);
}

TrashCan::Result TrashCan::trashInto(const QByteArray &path, const Place &place)
{
    const ParentFolder parent = openParentOf(path);
    if (!parent.fd.isOpen())
        return Result {false, parent.reason, {}, false};
    return trashInto(parent.fd.get(), parent.name, path, place);
}

TrashCan::Result TrashCan::trashInto(int folder, const QByteArray &name, const QByteArray &itemPath, const Place &place,
                                     const Landing &landing)
{
    const auto failure = [](const QString &why) { return Result {false, why, {}, false}; };
    if (!place)
        return failure(place.reason.isEmpty() ? QStringLiteral("there is no Trash for it") : place.reason);
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/'))
        return failure(QStringLiteral("it has no name of its own"));
    const QByteArray trimmed = withoutTrailingSlashes(itemPath);

    // The home Trash keeps the absolute path; a top-folder Trash keeps the path
    // from its top folder, so the disk can be mounted anywhere and restored.
    QByteArray recorded;
    const bool topFolder = !place.topFolder.isEmpty();
    if (topFolder) {
        const QByteArray resolved = resolvedPath(trimmed);
        const QByteArray prefix = place.topFolder == "/" ? QByteArrayLiteral("/") : place.topFolder + '/';
        if (resolved.isEmpty() || !resolved.startsWith(prefix))
            return failure(
                QStringLiteral("it does not lie under %1, the top folder of its Trash").arg(shown(place.topFolder)));
        recorded = resolved.mid(prefix.size());
    } else {
        recorded = absolutePath(trimmed);
        if (recorded.isEmpty())
            return failure(QStringLiteral("the working folder cannot be read: %1").arg(PosixFiles::errorText(errno)));
    }

    // What is to go, as it is now: once a rename is answered, both of its
    // names are looked at, since a file system may answer one it did not make.
    struct stat item {};
    if (::fstatat(folder, name.constData(), &item, AT_SYMLINK_NOFOLLOW) != 0)
        return failure(errno == ENOENT ? QStringLiteral("it is no longer there") : PosixFiles::errorText(errno));

    const OpenFolders &inside = *place.open;
    // The path is escaped byte by byte: going through text would turn a byte
    // that is not UTF-8 into U+FFFD, and the record would name another file.
    const QByteArray record =
        "[Trash Info]\nPath=" + recorded.toPercentEncoding("/") + "\nDeletionDate=" + localNow() + '\n';
    const qsizetype limit = nameLimit(inside);
    const QByteArray infoFolder = place.folder + "/info";
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const QByteArray candidate = candidateName(name, attempt, limit);
        if (candidate.isEmpty())
            return failure(QStringLiteral("the names of %1 are too short for it").arg(shown(place.folder)));
        const QByteArray infoName = candidate + kInfoSuffix;
        const QByteArray infoPath = infoFolder + '/' + infoName;
        // The record's name, once it is this run's, goes again wherever the
        // item does not go, and is looked at once more; what stays is named.
        const auto withRecordDropped = [&](QString why) {
            if (const QString left = dropRecord(inside.info.get(), infoName, infoPath); !left.isEmpty())
                why += QStringLiteral("; ") + left;
            return why;
        };
        const int fd = ::openat(inside.info.get(), infoName.constData(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            const int error = errno;
            if (error == EEXIST)
                continue;
            QString why =
                QStringLiteral("its record cannot be made in %1: %2").arg(shown(infoFolder), PosixFiles::errorText(error));
            if (const QString left = dropFailedRecord(inside.info.get(), infoName, infoPath); !left.isEmpty())
                why += QStringLiteral("; ") + left;
            return failure(why);
        }
        bool written = PosixFiles::writeFully(fd, record) && ::fsync(fd) == 0;
        int error = errno;
        if (::close(fd) != 0 && written) {
            written = false;
            error = errno;
        }
        if (!written)
            return failure(withRecordDropped(
                QStringLiteral("its record cannot be written in %1: %2").arg(shown(infoFolder), PosixFiles::errorText(error))));
        // Where the file system has no rename that refuses to replace, the
        // name is checked by hand first, which holds in the Trash: the
        // name's record, made with O_EXCL, keeps every other trasher off it.
        if (PosixFiles::renameWithoutReplacing(folder, name, inside.files.get(), candidate) == 0) {
            const QByteArray trashedPath = place.folder + "/files/" + candidate;
            const PosixFiles::RenameSeen seen =
                PosixFiles::lookAfterRename(folder, name, inside.files.get(), candidate, item);
            if (!seen.moved()) {
                QString why = PosixFiles::renameNotMade(seen, QStringLiteral("the move to the Trash"), shown(trimmed),
                                                        shown(trashedPath));
                // The record stays only while the Trash may hold the item.
                if (!seen.atTarget && (seen.targetError == 0 || seen.atSource))
                    why = withRecordDropped(why);
                return Result {false, why, seen.atTarget ? trashedPath : QByteArray(), false};
            }
            const std::optional<QString> mismatch = landing ? landing(inside.files.get(), candidate) : std::nullopt;
            if (!mismatch)
                return Result {true, {}, trashedPath, false};
            // Not the item that was meant to go: it goes back, and so does
            // its record, unless the Trash may still hold it.
            bool stays = false;
            const QString back = PosixFiles::putBack(inside.files.get(), candidate, shown(trashedPath), folder, name,
                                                     shown(trimmed), QStringLiteral("it"), stays);
            QString why = back.isEmpty() ? *mismatch : *mismatch + QStringLiteral("; ") + back;
            if (!stays)
                why = withRecordDropped(why);
            return Result {false, why, stays ? trashedPath : QByteArray(), true};
        }
        error = errno;
        // A record that cannot be taken away ends the tries: another name
        // would leave it behind for an item the Trash does not hold.
        if (const QString left = dropRecord(inside.info.get(), infoName, infoPath); !left.isEmpty())
            return failure(QStringLiteral("it cannot be moved into %1: %2; %3")
                               .arg(shown(place.folder + "/files"), PosixFiles::errorText(error), left));
        if (error == EEXIST)
            continue;
        if (error == EXDEV) {
            struct stat item {};
            if (::fstatat(folder, name.constData(), &item, AT_SYMLINK_NOFOLLOW) == 0 && item.st_dev == inside.device)
                return failure(QStringLiteral("the Trash %1 lies on another mount of its file system (a bind mount), "
                                              "and nothing is moved from one mount to another")
                                   .arg(shown(place.folder)));
            return failure(QStringLiteral("the Trash %1 lies on another file system").arg(shown(place.folder)));
        }
        return failure(
            QStringLiteral("it cannot be moved into %1: %2").arg(shown(place.folder + "/files"), PosixFiles::errorText(error)));
    }
    return failure(QStringLiteral("no free name in %1").arg(shown(place.folder)));
}
