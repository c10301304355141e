#include "FileManager.h"

#include "Descriptor.h"
#include "FileReading.h"
#include "FolderCheck.h"
#include "PosixFiles.h"
#include "TrashCan.h"

#include <QList>
#include <QRandomGenerator>
#include <QStringList>
#include <QtEndian>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace {

using Result = FileManager::Result;
using Refusal = FileManager::Refusal;
using Status = FileManager::Status;

Status statusFrom(const struct stat &info)
{
    Status status;
    status.isFolder = S_ISDIR(info.st_mode);
    status.isSymbolicLink = S_ISLNK(info.st_mode);
    status.device = quint64(info.st_dev);
    status.inode = quint64(info.st_ino);
    status.size = quint64(info.st_size);
    status.modifiedMilliseconds = qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
    return status;
}

std::optional<Status> statusAt(int folder, const QByteArray &name)
{
    struct stat info {};
    if (folder < 0 || name.isEmpty() || ::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0)
        return std::nullopt;
    return statusFrom(info);
}

bool sameItem(const Status &a, const Status &b)
{
    return a.device == b.device && a.inode == b.inode;
}

// Whether what lies at `now` is still the item whose status was `then`: the
// same item, of the same kind, and for a file the same size and time.
bool stillTheSame(const Status &now, const Status &then)
{
    if (!sameItem(now, then) || now.isFolder != then.isFolder || now.isSymbolicLink != then.isSymbolicLink)
        return false;
    return now.isFolder || (now.size == then.size && now.modifiedMilliseconds == then.modifiedMilliseconds);
}

QByteArray joined(const QByteArray &folder, const QByteArray &name)
{
    return (folder.endsWith('/') ? folder : folder + '/') + name;
}

using PosixFiles::noNoReplaceRename;
using PosixFiles::renameIfFree;
using PosixFiles::renameNoReplace;

// The path the kernel gives an open folder now, and whether that path still
// reaches the folder: once the folder is deleted or its file system is
// unmounted, it does not. Nothing when the name cannot be read.
struct KernelName
{
    QByteArray path;
    bool reaches = false;
};

std::optional<KernelName> kernelNameOf(int folder)
{
    char buffer[4096];
    const QByteArray link = "/proc/self/fd/" + QByteArray::number(folder);
    const ssize_t length = ::readlink(link.constData(), buffer, sizeof buffer);
    if (length <= 0 || size_t(length) >= sizeof buffer)
        return std::nullopt;
    KernelName name;
    name.path = QByteArray(buffer, length);
    struct stat there {};
    struct stat open {};
    name.reaches = name.path.startsWith('/') && ::stat(name.path.constData(), &there) == 0
                   && ::fstat(folder, &open) == 0 && there.st_dev == open.st_dev && there.st_ino == open.st_ino;
    return name;
}

// The path of an open folder as the kernel knows it now, when that path
// still reaches the folder; otherwise the fallback. After a swap on the way
// this names where the item really lies, not where it was looked for.
QByteArray currentPathOf(int folder, const QByteArray &fallback)
{
    const std::optional<KernelName> name = kernelNameOf(folder);
    return name && name->reaches ? name->path : fallback;
}

// Why what lies at the entry `name` of the open folder is not the expected
// item; nothing when it is. A folder is walked again: no mount point and
// nothing the run keeps may have come into it, and its total is unchanged.
std::optional<QString> mismatchAt(int folder, const QByteArray &name, const QByteArray &path,
                                  const FileManager::Expected &expected)
{
    const std::optional<Status> landed = statusAt(folder, name);
    if (!landed || !stillTheSame(*landed, expected.status))
        return QStringLiteral("it changed while it was being moved");
    if (!landed->isFolder)
        return std::nullopt;
    quint64 total = 0;
    const Result checked =
        FolderCheck::check(folder, name, path, {expected.kept, false, {}}, &expected.status, total);
    if (!checked)
        return checked.reason;
    if (total != expected.folderTotal)
        return QStringLiteral("it changed while it was being moved");
    return std::nullopt;
}

// The item's path beside itself under a private name. The name is cut so that
// the private one stays within the file system's limit of 255 bytes.
QByteArray privateNameFor(const QByteArray &name, const char *prefix = ".twinmoor-removing-")
{
    return prefix + QByteArray::number(QRandomGenerator::global()->generate64(), 16) + '-' + name.left(200);
}

// Renames the entry to a free private name in its own folder. A file system
// without the no-replace rename (NFS, some FUSE ones) gets a plain rename to a
// random name that was free a moment before.
Result setAside(int folder, const QByteArray &name, QByteArray &aside)
{
    for (int attempt = 0; attempt < 16; ++attempt) {
        const QByteArray candidate = privateNameFor(name);
        if (PosixFiles::renameWithoutReplacing(folder, name, folder, candidate) == 0) {
            aside = candidate;
            return Result::success();
        }
        if (errno == ENOENT)
            return Result::failure(QStringLiteral("it is no longer there"), Refusal::Gone);
        if (errno != EEXIST)
            return Result::failure(PosixFiles::errorText(errno));
    }
    return Result::failure(QStringLiteral("no free name to set it aside"));
}

// Whether both open files hold the same `size` bytes, each read from its
// start to its very end: a file whose reads end early, or that holds more,
// is not the file that was listed, and never equal to another. The source's
// device tells how its end shows; the other file's end is always read. A
// read that failed is told apart, with its error.
enum class Comparison { Same, Different, ReadFailed };
Comparison compareContents(int source, quint64 sourceDevice, int other, quint64 size, int &error)
{
    QByteArray bufferA(1 << 16, Qt::Uninitialized);
    QByteArray bufferB(1 << 16, Qt::Uninitialized);
    FileReading::ListedSizeReader a(source, size, sourceDevice, 0);
    FileReading::ListedSizeReader b(other, size, 0, 0);
    for (;;) {
        errno = 0;
        const qint64 gotA = a.read(bufferA.data(), bufferA.size());
        if (gotA < 0 && errno != 0) {
            error = errno;
            return Comparison::ReadFailed;
        }
        const qint64 gotB = gotA < 0 ? 0 : b.read(bufferB.data(), bufferB.size());
        if (gotB < 0 && errno != 0) {
            error = errno;
            return Comparison::ReadFailed;
        }
        if (gotA < 0 || gotA != gotB || std::memcmp(bufferA.constData(), bufferB.constData(), size_t(gotA)) != 0)
            return Comparison::Different;
        if (gotA == 0)
            return a.isWhole() && b.isWhole() ? Comparison::Same : Comparison::Different;
    }
}

// What a name that a move made holds, as seen from the run.
enum class Held { Nothing, Copy, Other, Unknown };

// Whether the entry `name` of the open folder, of status `there`, holds the
// `size` bytes of the open source to their very end (a copy of it) or not
// (another item): read from the entry itself, which must still be that
// entry. Unknown, with `error`, where it could not be opened or read.
Held holdsBytesOf(int source, quint64 sourceDevice, quint64 size, int folder, const QByteArray &name,
                  const Status &there, int &error)
{
    if (there.isFolder || there.isSymbolicLink || there.size != size)
        return Held::Other;
    const Descriptor back(
        ::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat read {};
    if (!back.isOpen() || ::fstat(back.get(), &read) != 0) {
        error = errno;
        return errno == ENOENT || errno == ELOOP ? Held::Other : Held::Unknown;
    }
    if (!S_ISREG(read.st_mode) || !stillTheSame(statusFrom(read), there))
        return Held::Other;
    switch (compareContents(source, sourceDevice, back.get(), size, error)) {
    case Comparison::Same:
        return Held::Copy;
    case Comparison::ReadFailed:
        return Held::Unknown;
    case Comparison::Different:
        break;
    }
    return Held::Other;
}

constexpr char kAccessList[] = "system.posix_acl_access";

// The access list of an open file, as the kernel keeps it in an attribute:
// empty where it has none, or its file system keeps none; nothing where it
// cannot be read.
std::optional<QByteArray> accessListOf(int fd)
{
    QByteArray value(256, Qt::Uninitialized);
    // The list may grow between two calls; a few tries, then it counts as unread.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t got = ::fgetxattr(fd, kAccessList, value.data(), size_t(value.size()));
        if (got >= 0)
            return value.left(got);
        if (errno == ENODATA || errno == ENOTSUP)
            return QByteArray();
        if (errno != ERANGE)
            return std::nullopt;
        value.resize(value.size() * 4);
    }
    return std::nullopt;
}

// An access list as the kernel keeps it in an attribute: a version word,
// then entries of a tag, rights and an id, in the order of their tags.
constexpr quint16 kNamedUserEntry = 0x02;
constexpr quint16 kOwningGroupEntry = 0x04;
constexpr quint16 kNamedGroupEntry = 0x08;
constexpr quint16 kMaskEntry = 0x10;
constexpr quint16 kOtherEntry = 0x20;

bool isAccessList(const QByteArray &list)
{
    return list.size() >= 4 && (list.size() - 4) % 8 == 0;
}

quint16 entryTag(const QByteArray &list, qsizetype at)
{
    return qFromLittleEndian<quint16>(list.constData() + at);
}

quint16 entryRights(const QByteArray &list, qsizetype at)
{
    return qFromLittleEndian<quint16>(list.constData() + at + 2) & 07;
}

// The mask of an access list: what it lets the owning group and the named
// users and groups do at most.
mode_t maskOf(const QByteArray &list)
{
    for (qsizetype at = 4; isAccessList(list) && at < list.size(); at += 8) {
        if (entryTag(list, at) == kMaskEntry)
            return entryRights(list, at);
    }
    return 07;
}

// What an access list lets the file's owning group itself do: its own entry
// within the mask. The mode's group bits show the mask, which also bounds
// what the named users and groups may do, so on a file without the list they
// would give the owning group more than the list did. None where the list
// cannot be read.
mode_t owningGroupRights(const QByteArray &list)
{
    for (qsizetype at = 4; isAccessList(list) && at < list.size(); at += 8) {
        if (entryTag(list, at) == kOwningGroupEntry)
            return entryRights(list, at) & maskOf(list);
    }
    return 0;
}

// The least that any entry of the tag (a named user or a named group) of an
// access list lets its user or group do, within the mask: on a copy without
// the list they fall under its others, or, when they are members, its group,
// and one the list kept out must not get in that way.
mode_t leastNamedRights(const QByteArray &list, quint16 tag)
{
    const mode_t mask = maskOf(list);
    mode_t least = 07;
    for (qsizetype at = 4; isAccessList(list) && at < list.size(); at += 8) {
        if (entryTag(list, at) == tag)
            least &= entryRights(list, at) & mask;
    }
    return least;
}

// The access list for a copy whose owning group is not its source's.
// Its owning group's entry was meant for the source's group: whoever is in
// the copy's may do no more than everybody could before, nor more than any
// group the list names, since a member of one may be in the copy's group (a
// user matched by both the owning group and a named group gets both). The
// source's group now falls under the copy's others, which get `others`. The
// mask and the named entries stay.
QByteArray forAnotherGroup(QByteArray list, mode_t sourceOthers, mode_t others)
{
    if (!isAccessList(list))
        return list;
    mode_t limit = sourceOthers;
    for (qsizetype at = 4; at < list.size(); at += 8) {
        if (entryTag(list, at) == kNamedGroupEntry)
            limit &= entryRights(list, at);
    }
    for (qsizetype at = 4; at < list.size(); at += 8) {
        const quint16 tag = entryTag(list, at);
        if (tag == kOwningGroupEntry)
            qToLittleEndian<quint16>(quint16(entryRights(list, at) & limit), list.data() + at + 2);
        else if (tag == kOtherEntry)
            qToLittleEndian<quint16>(quint16(others), list.data() + at + 2);
    }
    return list;
}

// The names of an open file's extended attributes; nothing where they
// cannot be listed, errno saying why. The list may grow between the two
// calls: a few tries, then it counts as unread.
std::optional<QList<QByteArray>> attributeNames(int fd)
{
    QByteArray names;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t needed = ::flistxattr(fd, nullptr, 0);
        if (needed < 0)
            return std::nullopt;
        names.resize(needed);
        const ssize_t listed = needed == 0 ? 0 : ::flistxattr(fd, names.data(), size_t(names.size()));
        if (listed >= 0) {
            names.truncate(listed);
            QList<QByteArray> all = names.split('\0');
            all.removeAll(QByteArray());
            return all;
        }
        if (errno != ERANGE)
            return std::nullopt;
    }
    errno = ERANGE;
    return std::nullopt;
}

// What of the attributes set on the copy, each with the value it was given,
// the copy does not hold: some file systems answer an attribute as set
// without setting it. One list of the copy's names, and a read of each value.
QStringList attributesNotHeld(int to, const QList<std::pair<QByteArray, QByteArray>> &set)
{
    QStringList notHeld;
    const std::optional<QList<QByteArray>> held = attributeNames(to);
    const int listError = held ? 0 : errno;
    QByteArray back;
    for (const auto &[name, value] : set) {
        int error = listError;
        bool same = false;
        if (held && held->contains(name)) {
            back.resize(value.size() + 1);
            const ssize_t got = ::fgetxattr(to, name.constData(), back.data(), size_t(back.size()));
            if (got < 0 && errno != ERANGE && errno != ENODATA)
                error = errno;
            same = got == value.size() && std::memcmp(back.constData(), value.constData(), size_t(got)) == 0;
        }
        if (same)
            continue;
        const QString attribute = QStringLiteral("its extended attribute %1").arg(QString::fromUtf8(name));
        notHeld.append(error != 0 ? attribute + QStringLiteral(" (%1)").arg(PosixFiles::errorText(error)) : attribute);
    }
    return notHeld;
}

// The extended attributes of the source that the copy takes along, where
// both file systems take them, each read back once set: a file system that
// takes none, or none of a kind, is no failure; any other refusal, and any
// attribute the copy does not hold as set, is named. File capabilities are
// a privilege like the set-ID bits and go only to a copy that kept the
// source's owner and group. The access list is left to keepAccessList:
// `accessList` gets the source's, empty where it has none, nothing where it
// could not be read (which is named).
QStringList copyAttributes(int from, int to, bool ownerAndGroupKept, std::optional<QByteArray> &accessList)
{
    QStringList notKept;
    const std::optional<QList<QByteArray>> names = attributeNames(from);
    if (!names) {
        if (errno != ENOTSUP)
            notKept.append(QStringLiteral("its extended attributes (%1)").arg(PosixFiles::errorText(errno)));
        return notKept;
    }
    QList<std::pair<QByteArray, QByteArray>> set;
    QByteArray value;
    for (const QByteArray &name : *names) {
        if (!ownerAndGroupKept && name == "security.capability") {
            notKept.append(QStringLiteral("its file capabilities"));
            continue;
        }
        ssize_t size = ::fgetxattr(from, name.constData(), nullptr, 0);
        if (size >= 0) {
            value.resize(size);
            size = ::fgetxattr(from, name.constData(), value.data(), size_t(value.size()));
        }
        if (name == kAccessList) {
            if (size >= 0) {
                accessList = value.left(size);
            } else {
                accessList.reset();
                notKept.append(QStringLiteral("its access list (%1)").arg(PosixFiles::errorText(errno)));
            }
            continue;
        }
        if (size >= 0 && ::fsetxattr(to, name.constData(), value.constData(), size_t(size), 0) == 0)
            set.append({name, value.left(size)});
        else if (errno != ENOTSUP)
            notKept.append(QStringLiteral("its extended attribute %1 (%2)")
                               .arg(QString::fromUtf8(name), PosixFiles::errorText(errno)));
    }
    if (!set.isEmpty())
        notKept += attributesNotHeld(to, set);
    return notKept;
}

// Gives the copy exactly the source's access list `list`, or none where it
// is empty, and reads it back, since some file systems answer a list they
// did not set. A list the copy holds that is not the source's (one it took
// from its folder's default list, say) would let other users in: it goes,
// and where it cannot, `refused` says why. False where the source's list
// did not take, which is named in `notKept`; a source's list that could not
// be read (`source` empty) is named already, and the copy gets none.
bool keepAccessList(int to, const std::optional<QByteArray> &source, QStringList &notKept, QString &refused)
{
    const QByteArray list = source.value_or(QByteArray());
    int setError = 0;
    if (!list.isEmpty() && ::fsetxattr(to, kAccessList, list.constData(), size_t(list.size()), 0) != 0)
        setError = errno;
    std::optional<QByteArray> held = accessListOf(to);
    if (held && *held == list)
        return source.has_value();
    if (!held || !held->isEmpty()) {
        const int removeError = ::fremovexattr(to, kAccessList) == 0 ? 0 : errno;
        held = accessListOf(to);
        if (!held) {
            refused = QStringLiteral("the access list of its copy cannot be read (%1)").arg(PosixFiles::errorText(errno));
            return false;
        }
        if (!held->isEmpty()) {
            refused = QStringLiteral("its copy holds an access list other than its own, which could not be taken off it");
            if (removeError != 0)
                refused += QStringLiteral(" (%1)").arg(PosixFiles::errorText(removeError));
            return false;
        }
    }
    if (!source || list.isEmpty())
        return source.has_value();
    notKept.append(setError != 0 ? QStringLiteral("its access list (%1)").arg(PosixFiles::errorText(setError))
                                 : QStringLiteral("its access list"));
    return false;
}

QString octalMode(mode_t mode)
{
    return QStringLiteral("%1").arg(uint(mode), 4, 8, QLatin1Char('0'));
}

// Gives the new file the source's owner, group, attributes, mode and times,
// as far as the runner may, and never lets more people read, write or run
// the copy than the source did. The owner goes first, since a change of
// owner drops set-ID bits and file capabilities, and is read back, since
// some file systems answer a change of owner they did not make; the set-ID
// bits and capabilities then stay only where both owner and group were
// kept, so that a set-ID program never passes to another owner. In a copy
// of another group, the source's group rights were meant for a group the
// copy does not have, and the source's group falls under the copy's others:
// neither class gets more than the source gave both its group and everybody
// else (0604 and 0640 become 0600). Where the source's access list did not
// take, the copy's group gets no more than the list's own entry for the
// owning group, nor than the least of any user it named, who may be a member
// (0664 with user:x:r-- becomes 0644), nor, in another group, of any group it
// named; the others get no more than any user or group the list named. So no
// user may do more with the copy than with the source. The times go last, and the
// mode is read back once all is set, since some file systems answer a change
// of mode they did not make, or refuse it on a copy they made wider. What
// could not be kept is named; `refused` says why the copy must not be named
// at all.
QStringList keepOwnerModeAndTimes(int from, int to, const struct stat &source, QString &refused)
{
    struct stat made {};
    bool read = ::fstat(to, &made) == 0;
    if (read && (made.st_uid != source.st_uid || made.st_gid != source.st_gid)) {
        if (::fchown(to, source.st_uid, source.st_gid) != 0 && made.st_gid != source.st_gid)
            ::fchown(to, uid_t(-1), source.st_gid);
        read = ::fstat(to, &made) == 0;
    }
    if (!read) {
        refused = QStringLiteral("the owner of its copy cannot be read (%1)").arg(PosixFiles::errorText(errno));
        return {};
    }
    const bool ownerKept = made.st_uid == source.st_uid;
    const bool groupKept = made.st_gid == source.st_gid;
    QStringList notKept;
    if (!ownerKept)
        notKept.append(QStringLiteral("its owner"));
    if (!groupKept)
        notKept.append(QStringLiteral("its group"));
    const mode_t sourceOthers = source.st_mode & S_IRWXO;
    std::optional<QByteArray> accessList = QByteArray();
    notKept += copyAttributes(from, to, ownerKept && groupKept, accessList);
    const bool sourceHasList = accessList && !accessList->isEmpty();
    // What the source's own group could do: its entry within the mask under
    // an access list, its group bits without one; not known, so nothing,
    // where the list could not be read.
    const mode_t sourceGroup = !accessList ? 0 : sourceHasList ? owningGroupRights(*accessList) : (source.st_mode >> 3) & 07;
    mode_t others = accessList ? sourceOthers : 0;
    if (!groupKept) {
        // The source's group falls under the copy's others.
        others &= sourceGroup;
        if (sourceHasList)
            accessList = forAnotherGroup(*accessList, sourceOthers, others);
    }
    const bool accessListKept = keepAccessList(to, accessList, notKept, refused);
    if (!refused.isEmpty())
        return {};
    mode_t mode = source.st_mode & 07777 & ~mode_t(S_IRWXO);
    if (!accessListKept) {
        mode_t group = owningGroupRights(accessList.value_or(QByteArray()));
        if (sourceHasList) {
            // Without the list, the users and groups it named fall under
            // others, or under the copy's group where they are members of
            // it; a member of a group the list named is matched by the
            // source's group as well where the copy's group is the source's.
            const mode_t users = leastNamedRights(*accessList, kNamedUserEntry);
            const mode_t groups = leastNamedRights(*accessList, kNamedGroupEntry);
            others &= users & groups;
            group &= groupKept ? users : users & groups;
        }
        mode = (mode & ~mode_t(S_IRWXG)) | (group << 3);
    } else if (!groupKept && !sourceHasList) {
        mode &= ~mode_t(S_IRWXG) | (sourceOthers << 3);
    }
    // With the list kept, the mode's group bits are its mask, which stays.
    mode |= others;
    const mode_t setId = S_ISUID | S_ISGID;
    const bool mayKeepSetId = ownerKept && groupKept;
    if (!mayKeepSetId) {
        if (mode & S_ISUID)
            notKept.append(QStringLiteral("its set-user-ID bit"));
        if (mode & S_ISGID)
            notKept.append(QStringLiteral("its set-group-ID bit"));
        mode &= ~setId;
    }
    const int modeError = ::fchmod(to, mode) == 0 ? 0 : errno;
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (::futimens(to, times) != 0)
        notKept.append(QStringLiteral("its times (%1)").arg(PosixFiles::errorText(errno)));

    struct stat now {};
    if (::fstat(to, &now) != 0) {
        refused = QStringLiteral("the mode of its copy cannot be read (%1)").arg(PosixFiles::errorText(errno));
        return {};
    }
    if (!mayKeepSetId && (now.st_mode & setId)) {
        // Once more, then the copy is never named: a set-ID program of
        // another owner is worse than a move that did not happen.
        if (::fchmod(to, now.st_mode & 07777 & ~setId) != 0 || ::fstat(to, &now) != 0 || (now.st_mode & setId)) {
            refused = QStringLiteral("its copy kept its set-ID bits under another owner, and they could not be cleared");
            return {};
        }
    }
    // A refused change of mode is named with what the copy shows as well: a
    // file system may have made it wider than asked.
    if ((now.st_mode & 07777) != mode) {
        const QString shown = octalMode(now.st_mode & 07777);
        notKept.append(modeError != 0 ? QStringLiteral("its mode %1 (%2; its copy has %3)")
                                            .arg(octalMode(mode), PosixFiles::errorText(modeError), shown)
                                      : QStringLiteral("its mode %1 (its copy has %2)").arg(octalMode(mode), shown));
    }
    return notKept;
}

// Errors of link(2) that say the file system makes no hard links at all.
bool noHardLinks(int error)
{
    return error == EPERM || error == ENOSYS || error == ENOTSUP || error == EMLINK;
}

// The copy of a file moved to another file system. It is never under its own
// name before it is whole, compared and given the source's owner and mode:
// where the file system can, it is made without a name (O_TMPFILE); elsewhere
// under a private name beside its target. Either way it is the runner's
// alone (0600) from its first byte, so that neither another user nor a run
// killed half-way leaves a partial file that others may read or that passes
// for the copy. It is then named without replacing anything: by a no-replace
// rename, else a hard link, else a rename at once after the name was seen
// free. Where the name then shows an inode number other than the file made
// (a file system that numbers each name on its own), the file at the name is
// read back and compared with the source: from then on it is known by that
// status. A failed move takes the copy away again under whichever name it
// has, only while that name still holds it. A private name is looked at by
// its name once the copy is named or the move fails, whatever the file
// system answered before: it goes while it holds the copy (its very file,
// or where numbers are per name the source's bytes), and what stays there
// is named.
class CopyInTarget
{
public:
    CopyInTarget(const FileManager::ItemPlace &target, int source, const struct stat &sourceStatus)
        : m_target(target)
        , m_source(source)
        , m_sourceDevice(quint64(sourceStatus.st_dev))
        , m_size(quint64(sourceStatus.st_size))
    {
    }
    ~CopyInTarget()
    {
        if (!m_kept)
            discard();
    }

    Result open()
    {
        // A name that is taken is found before a byte is copied.
        if (statusAt(m_target.folder(), m_target.name()))
            return taken();
        m_fd = Descriptor(::openat(m_target.folder(), ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
        if (!m_fd.isOpen()) {
            const int error = errno;
            if (error != EOPNOTSUPP && error != EISDIR && error != EINVAL)
                return Result::failure(QStringLiteral("its copy could not be made in %1: %2")
                                           .arg(folderShown(), PosixFiles::errorText(error)));
            for (int attempt = 0; attempt < 16 && !m_fd.isOpen(); ++attempt) {
                const QByteArray candidate = privateNameFor(m_target.name(), ".twinmoor-moving-");
                m_fd = Descriptor(::openat(m_target.folder(), candidate.constData(),
                                           O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
                if (m_fd.isOpen()) {
                    m_privateName = candidate;
                } else if (errno != EEXIST) {
                    // A file system may make the file and still answer an
                    // error: the name is looked at as the run's own.
                    const int error = errno;
                    m_privateName = candidate;
                    return Result::failure(QStringLiteral("its copy could not be made at %1: %2")
                                               .arg(pathOf(candidate), PosixFiles::errorText(error)));
                }
            }
            if (!m_fd.isOpen())
                return Result::failure(QStringLiteral("no free name for its copy in %1").arg(folderShown()));
        }
        struct stat made {};
        if (::fstat(m_fd.get(), &made) != 0)
            return Result::failure(QStringLiteral("its copy made in %1 could not be looked at (%2)")
                                       .arg(folderShown(), PosixFiles::errorText(errno)));
        // Many FUSE and cloud folders make every file with rights of their
        // own, whatever was asked: the copy is narrowed before a byte of the
        // source is in it. Where that does not take, the mode read back once
        // the copy is whole names what it shows.
        if ((made.st_mode & 07777 & ~mode_t(0600)) != 0)
            ::fchmod(m_fd.get(), 0600);
        m_made = statusFrom(made);
        return Result::success();
    }

    int fd() const { return m_fd.get(); }

    // Gives the finished copy its name, never replacing what took it
    // meanwhile, and checks that the name holds it: the very file made, or
    // the source's bytes.
    Result name()
    {
        const int folder = m_target.folder();
        const QByteArray &name = m_target.name();
        int named = -1;
        if (m_privateName.isEmpty()) {
            const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd.get());
            named = ::linkat(m_fd.get(), "", folder, name.constData(), AT_EMPTY_PATH);
            if (named != 0 && (errno == ENOENT || errno == EPERM))
                named = ::linkat(AT_FDCWD, self.constData(), folder, name.constData(), AT_SYMLINK_FOLLOW);
        } else {
            bool renamed = true;
            named = renameNoReplace(folder, m_privateName, folder, name);
            if (named != 0 && noNoReplaceRename(errno)) {
                // Without the no-replace rename a hard link never replaces
                // either; without both, a rename of a name seen free.
                named = ::linkat(folder, m_privateName.constData(), folder, name.constData(), 0);
                renamed = false;
                if (named != 0 && noHardLinks(errno)) {
                    named = renameIfFree(folder, m_privateName, folder, name);
                    renamed = true;
                }
            }
            m_renamed = named == 0 && renamed;
        }
        if (named != 0) {
            if (errno == EEXIST)
                return taken();
            if (errno == ENOENT && !m_privateName.isEmpty())
                return Result::failure(
                    QStringLiteral("its unfinished copy %1 is no longer there").arg(pathOf(m_privateName)));
            return Result::failure(PosixFiles::errorText(errno));
        }
        m_named = true;

        // The private name is let go only once the copy is seen to have left
        // it: a file system may answer a rename it did not make.
        struct stat info {};
        if (::fstatat(folder, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno != ENOENT)
                return Result::failure(QStringLiteral("its copy %1 could not be looked at once named (%2)")
                                           .arg(FileManager::displayPath(m_target.path()), PosixFiles::errorText(errno)));
            int error = 0;
            const Held atPrivateName = m_renamed ? whatLiesAt(m_privateName, true, error) : Held::Nothing;
            if (atPrivateName == Held::Copy)
                return Result::failure(
                    QStringLiteral("its copy could not be named %1: the file system answered the rename as done but did not make it")
                        .arg(FileManager::displayPath(m_target.path())));
            if (atPrivateName == Held::Unknown)
                return Result::failure(QStringLiteral("nothing is at %1 once its copy was named there, and %2 could not be looked at (%3)")
                                           .arg(FileManager::displayPath(m_target.path()), pathOf(m_privateName),
                                                PosixFiles::errorText(error)));
            return noLongerThere();
        }
        const Status there = statusFrom(info);
        if (sameItem(there, m_made)) {
            m_atName = there;
        } else {
            // The name has an inode number of its own: what it holds is the
            // copy only if it holds the source's bytes, to its very end.
            int error = 0;
            const Held held = holdsSourceBytes(name, there, error);
            if (held == Held::Unknown) {
                m_readBackError = error;
                return Result::failure(QStringLiteral("its copy %1 could not be read back (%2)")
                                           .arg(FileManager::displayPath(m_target.path()), PosixFiles::errorText(error)));
            }
            if (held == Held::Other)
                return nameTaken();
            m_atName = there;
            m_byBytes = true;
        }
        // A second name of the copy goes once its own name holds it, and a
        // rename may have left one too.
        if (const std::optional<Left> left = settlePrivateName())
            m_spare = left->holdsCopy ? QStringLiteral("the copy also stays at %1, which could not be taken away (%2)")
                                            .arg(pathOf(left->name), left->why)
                                      : left->why;
        return Result::success();
    }

    // Whether the copy's name still holds the file it was given.
    Result holdsCopy() const
    {
        struct stat info {};
        if (::fstatat(m_target.folder(), m_target.name().constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                return noLongerThere();
            return Result::failure(QStringLiteral("its copy %1 could not be looked at (%2)")
                                       .arg(FileManager::displayPath(m_target.path()), PosixFiles::errorText(errno)));
        }
        const Status there = statusFrom(info);
        if (m_byBytes ? !stillTheSame(there, m_atName) : !sameItem(there, m_made))
            return nameTaken();
        return Result::success();
    }

    // The copy stays: the move is done. What it left besides, to be named.
    QString keep()
    {
        m_kept = true;
        return m_spare;
    }

    // Takes the copy away under whichever names it has, each only while it
    // still holds the copy; what of it is left, to be named.
    QString discard()
    {
        m_kept = true;
        QStringList left;
        QStringList other;
        auto note = [&](const std::optional<Left> &found) {
            if (found && found->holdsCopy)
                left.append(QStringLiteral("%1 (%2)").arg(pathOf(found->name), found->why));
            else if (found)
                other.append(found->why);
        };
        note(settlePrivateName());
        if (m_named)
            note(takeAway(m_target.name(), false));
        if (!left.isEmpty())
            other.prepend(QStringLiteral("the copy it made was left at %1").arg(left.join(QStringLiteral(" and "))));
        return other.join(QStringLiteral("; "));
    }

private:
    // A name the copy could not be taken away from, and why; or, when it
    // holds another item or cannot be looked at, what to say of that.
    struct Left
    {
        QByteArray name;
        QString why;
        bool holdsCopy = true;
    };

    static Result taken()
    {
        return Result::failure(QStringLiteral("an item of that name is already there"), Refusal::Taken);
    }
    Result nameTaken() const
    {
        return Result::failure(QStringLiteral("another item took the name of its copy %1")
                                   .arg(FileManager::displayPath(m_target.path())),
                               Refusal::Taken);
    }
    Result noLongerThere() const
    {
        return Result::failure(
            QStringLiteral("its copy %1 is no longer there").arg(FileManager::displayPath(m_target.path())));
    }
    QString folderShown() const { return FileManager::displayPath(PosixFiles::parentOf(m_target.path())); }
    QString pathOf(const QByteArray &name) const
    {
        return FileManager::displayPath(joined(PosixFiles::parentOf(m_target.path()), name));
    }

    // Whether the entry, of status `there`, holds the source's bytes to its
    // very end (the copy) or not (another item).
    Held holdsSourceBytes(const QByteArray &name, const Status &there, int &error) const
    {
        return holdsBytesOf(m_source, m_sourceDevice, m_size, m_target.folder(), name, there, error);
    }

    // What lies at the name. The copy's own name holds it while it holds the
    // very file made, or the status it showed once named; a private name, or
    // a name just taken away, while it holds the very file made or, as on a
    // file system that numbers each name on its own, the source's bytes. The
    // private name also holds the run's own file while that file is empty
    // (a create that made it and still failed). A name that cannot be looked
    // at or read (a network folder's passing error, say) may still hold the
    // copy: `error` says why.
    Held whatLiesAt(const QByteArray &name, bool byBytes, int &error) const
    {
        struct stat info {};
        if (::fstatat(m_target.folder(), name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                return Held::Nothing;
            error = errno;
            return Held::Unknown;
        }
        const Status there = statusFrom(info);
        if (sameItem(there, m_made) || (m_byBytes && name == m_target.name() && stillTheSame(there, m_atName)))
            return Held::Copy;
        if (!byBytes)
            return Held::Other;
        if (name == m_privateName && S_ISREG(info.st_mode) && info.st_size == 0)
            return Held::Copy;
        return holdsSourceBytes(name, there, error);
    }

    // Takes the copy away from the name while the name holds it, and looks
    // again: some file systems answer a removal they did not make (a FUSE one
    // that hides an open file's name by a rename of its own, say). Nothing
    // once nothing of the copy is there. Another item at the copy's own name
    // is not this run's to speak of; at a private name it is named.
    std::optional<Left> takeAway(const QByteArray &name, bool isPrivate)
    {
        int error = 0;
        Held held = whatLiesAt(name, isPrivate, error);
        if (held == Held::Copy) {
            if (::unlinkat(m_target.folder(), name.constData(), 0) != 0 && errno != ENOENT)
                return Left{name, PosixFiles::errorText(errno), true};
            held = whatLiesAt(name, true, error);
            if (held == Held::Copy)
                return Left{name, QStringLiteral("the file system answered its removal as done but kept it"), true};
        }
        if (held == Held::Unknown)
            return Left{name,
                        QStringLiteral("%1 could not be looked at (%2), and may still hold its copy")
                            .arg(pathOf(name), PosixFiles::errorText(error)),
                        false};
        if (held == Held::Other && isPrivate)
            return Left{name, QStringLiteral("%1, where its copy was made, holds another item, which was left there")
                                  .arg(pathOf(name)),
                        false};
        // Where the copy's own name could not be read back, what it holds
        // cannot be told from the copy.
        if (held == Held::Other && m_readBackError != 0)
            return Left{name,
                        QStringLiteral("%1 could not be read back (%2), and may still hold its copy")
                            .arg(pathOf(name), PosixFiles::errorText(m_readBackError)),
                        false};
        return std::nullopt;
    }

    // Looks at the private name the copy was made under, if any: the copy
    // goes from there; what stays is given. Once nothing is there, the name
    // is let go.
    std::optional<Left> settlePrivateName()
    {
        if (m_privateName.isEmpty())
            return std::nullopt;
        std::optional<Left> left = takeAway(m_privateName, true);
        if (!left)
            m_privateName.clear();
        return left;
    }

    const FileManager::ItemPlace &m_target;
    // The source, open, and what it holds.
    const int m_source;
    const quint64 m_sourceDevice;
    const quint64 m_size;
    Descriptor m_fd;
    Status m_made;
    // What the copy's name shows once named.
    Status m_atName;
    // The name shows an inode number of its own: the copy is known by m_atName.
    bool m_byBytes = false;
    QByteArray m_privateName;
    QString m_spare;
    bool m_named = false;
    // The copy was named by renaming its private name.
    bool m_renamed = false;
    // Why the copy's own name could not be read back; 0 where it was.
    int m_readBackError = 0;
    bool m_kept = false;
};

// What lies at the place as it is now, read before it is renamed: once the
// rename is answered, both of its names are looked at for it, since a file
// system may answer one it did not make.
Result statusBeforeRename(const FileManager::ItemPlace &place, struct stat &item)
{
    if (::fstatat(place.folder(), place.name().constData(), &item, AT_SYMLINK_NOFOLLOW) == 0)
        return Result::success();
    if (errno == ENOENT)
        return Result::failure(QStringLiteral("it is no longer there"), Refusal::Gone);
    return Result::failure(PosixFiles::errorText(errno));
}

// The path shown for the item of the place set aside under the private
// name `aside`.
QString asideShown(const FileManager::ItemPlace &place, const QByteArray &aside)
{
    return FileManager::displayPath(joined(PosixFiles::parentOf(place.path()), aside));
}

// Puts `what`, set aside under the private name `aside`, back at its own
// name; what to add to the reason when it is not seen back there.
QString putBackAside(const FileManager::ItemPlace &place, const QByteArray &aside, const QString &what)
{
    bool stays = false;
    const QString back = PosixFiles::putBack(place.folder(), aside, asideShown(place, aside), place.folder(),
                                             place.name(), FileManager::displayPath(place.path()), what, stays);
    return back.isEmpty() ? back : QStringLiteral("; ") + back;
}

// Looks at both names once the item of the place, of status `item`, was set
// aside under `aside`, as a file system may answer a rename it did not make:
// the failure to report where it is not seen there, the item put back first
// from where it may lie (and only to a free name); nothing once it is aside.
std::optional<Result> notSetAside(const FileManager::ItemPlace &place, const QByteArray &aside,
                                  const struct stat &item, PosixFiles::RenameSeen &seen)
{
    seen = PosixFiles::lookAfterRename(place.folder(), place.name(), place.folder(), aside, item);
    if (seen.moved())
        return std::nullopt;
    const QString asidePath = asideShown(place, aside);
    Result failed = Result::failure(PosixFiles::renameNotMade(seen, QStringLiteral("its renaming to %1").arg(asidePath),
                                                              FileManager::displayPath(place.path()), asidePath));
    if (!seen.atSource && (seen.atTarget || seen.targetError != 0))
        failed.reason += putBackAside(place, aside, QStringLiteral("it"));
    return failed;
}

// A file moved to another file system. The source is opened once, without
// following a link and without waiting (a FIFO put in its place answers at
// once and is refused as no regular file), and checked to be the expected
// file. The copy is compared with the source through the same two
// descriptors and given its owner, mode and times before it is named; the
// source is then set aside in its own folder, so that only the file that was
// copied goes, and removed only while the copy's name holds the copy, every
// copy the run keeps is still in its place and the target folder is still
// mounted. Any failure takes the copy away again and leaves the source. What
// of the source's attributes could not be kept is the reason of a move that
// worked.
Result copyAcross(const FileManager::ItemPlace &place, const FileManager::ItemPlace &target,
                  const FileManager::Expected &expected)
{
    const Descriptor in(
        ::openat(place.folder(), place.name().constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!in.isOpen()) {
        const int error = errno;
        if (error == ENOENT || error == ELOOP)
            return Result::failure(QStringLiteral("it changed before it could be copied"), Refusal::Changed);
        return Result::failure(PosixFiles::errorText(error));
    }
    struct stat source {};
    if (::fstat(in.get(), &source) != 0)
        return Result::failure(PosixFiles::errorText(errno));
    if (!S_ISREG(source.st_mode) || !stillTheSame(statusFrom(source), expected.status))
        return Result::failure(QStringLiteral("it changed before it could be copied"), Refusal::Changed);

    CopyInTarget copy(target, in.get(), source);
    // Whatever happens, the report names a copy that could not be taken away.
    auto fail = [&copy](Result failed) {
        const QString left = copy.discard();
        if (!left.isEmpty())
            failed.reason += QStringLiteral("; ") + left;
        return failed;
    };
    if (const Result opened = copy.open(); !opened)
        return fail(opened);
    auto destinationGone = [&]() -> std::optional<Result> {
        // A copy on a file system that is no longer mounted is freed with the
        // run's last descriptor of it: the source stays.
        if (const std::optional<QString> gone = target.whyFolderIsGone())
            return Result::failure(QStringLiteral("the folder %1 %2")
                                       .arg(FileManager::displayPath(PosixFiles::parentOf(target.path())), *gone));
        return std::nullopt;
    };

    // The source is copied only whole: every byte of its size, and its end
    // right there. A file whose reads end early (a flaky network folder)
    // would otherwise leave a short copy that compares equal to it.
    const quint64 size = quint64(source.st_size);
    FileReading::ListedSizeReader reader(in.get(), size, quint64(source.st_dev));
    QByteArray buffer(1 << 16, Qt::Uninitialized);
    for (;;) {
        errno = 0;
        const qint64 got = reader.read(buffer.data(), buffer.size());
        if (got < 0 && errno == 0)
            return fail(Result::failure(QStringLiteral("it did not end at its size while it was being copied"),
                                        Refusal::Changed));
        if (got < 0 || (got > 0 && !PosixFiles::writeFully(copy.fd(), buffer.constData(), got)))
            return fail(Result::failure(PosixFiles::errorText(errno)));
        if (got == 0)
            break;
    }
    int readError = 0;
    switch (compareContents(in.get(), quint64(source.st_dev), copy.fd(), size, readError)) {
    case Comparison::Same:
        break;
    case Comparison::ReadFailed:
        return fail(Result::failure(
            QStringLiteral("the copy on the other file system could not be compared (%1)").arg(PosixFiles::errorText(readError))));
    case Comparison::Different:
        return fail(Result::failure(QStringLiteral("the copy on the other file system did not match")));
    }
    struct stat after {};
    if (::fstat(in.get(), &after) != 0 || !stillTheSame(statusFrom(after), expected.status))
        return fail(Result::failure(QStringLiteral("it changed while it was being copied"), Refusal::Changed));
    QString refused;
    const QStringList notKept = keepOwnerModeAndTimes(in.get(), copy.fd(), source, refused);
    if (!refused.isEmpty())
        return fail(Result::failure(refused));
    if (::fsync(copy.fd()) != 0)
        return fail(Result::failure(PosixFiles::errorText(errno)));
    if (const Result named = copy.name(); !named)
        return fail(named);
    if (const std::optional<Result> gone = destinationGone())
        return fail(*gone);

    QByteArray aside;
    const Result setAsideResult = setAside(place.folder(), place.name(), aside);
    if (!setAsideResult) {
        if (setAsideResult.refusal == Refusal::Gone)
            return fail(Result::failure(QStringLiteral("it was moved away while it was being copied"), Refusal::Changed));
        return fail(setAsideResult);
    }
    // From here on the source lies under its private name, and each check
    // that fails puts it back first.
    auto failAside = [&](const Result &failed, const QString &what) {
        return fail(Result::failure(failed.reason + putBackAside(place, aside, what), failed.refusal));
    };
    PosixFiles::RenameSeen seen;
    if (const std::optional<Result> failed = notSetAside(place, aside, source, seen))
        return fail(*failed);
    const QString asidePath = asideShown(place, aside);
    const Status pinned = statusFrom(seen.target);
    // The source goes only while the copy's name still holds the file made.
    if (const Result holds = copy.holdsCopy(); !holds)
        return failAside(holds, QStringLiteral("it"));
    if (!sameItem(pinned, statusFrom(source)))
        return failAside(Result::failure(QStringLiteral("it was replaced while it was being copied"), Refusal::Changed),
                         QStringLiteral("what took its name"));
    if (expected.keptCopyLeft) {
        if (const std::optional<QString> left = expected.keptCopyLeft())
            return failAside(Result::failure(*left, Refusal::KeptWentAlong), QStringLiteral("it"));
    }
    if (const std::optional<Result> gone = destinationGone())
        return failAside(*gone, QStringLiteral("it"));
    if (::unlinkat(place.folder(), aside.constData(), 0) != 0)
        return failAside(Result::failure(PosixFiles::errorText(errno)), QStringLiteral("it"));
    // And the unlink too: the source that is still there goes back to its
    // own name, and its copy goes. Where the set-aside name cannot be told
    // to hold the source any more, the source may be gone, so the copy
    // stays, whole and named.
    const PosixFiles::UnlinkSeen left = PosixFiles::lookAfterUnlink(place.folder(), aside, seen.target);
    if (!left.gone()) {
        const Result failed =
            Result::failure(PosixFiles::unlinkNotMade(left, QStringLiteral("the deletion of its source"), asidePath));
        if (left.holdsItem)
            return failAside(failed, QStringLiteral("it"));
        QString reason = failed.reason
                         + QStringLiteral("; its copy stays at %1").arg(FileManager::displayPath(target.path()));
        if (const QString spare = copy.keep(); !spare.isEmpty())
            reason += QStringLiteral("; ") + spare;
        return Result::failure(reason);
    }
    QStringList said;
    if (!notKept.isEmpty())
        said.append(QStringLiteral("not with %1").arg(notKept.join(QStringLiteral(", "))));
    if (const QString spare = copy.keep(); !spare.isEmpty())
        said.append(spare);
    if (said.isEmpty())
        return Result::success();
    return {true, QStringLiteral("moved, but ") + said.join(QStringLiteral("; ")), Refusal::None};
}

// Takes away the link the run made at the target, only while the name holds
// it, and looks at the name again, as a file system may answer a removal it
// did not make. The name holds the link while it holds its very file `made`;
// where each name has an inode number of its own (and may get a new one once
// a removal was answered), while it holds the bytes of `source`, the open
// file linked. What to say of the run's own link where it stays; nothing
// once it is gone or another item has the name.
QString takeAwayOwnLink(const FileManager::ItemPlace &target, const Status &made, int source = -1,
                        quint64 sourceDevice = 0)
{
    const int folder = target.folder();
    const QString path = FileManager::displayPath(target.path());
    int removeError = 0;
    for (bool removed = false;; removed = true) {
        struct stat info {};
        if (::fstatat(folder, target.name().constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                return {};
            return QStringLiteral("the link the run made at %1 could not be looked at (%2), and may still be there")
                .arg(path, PosixFiles::errorText(errno));
        }
        const Status there = statusFrom(info);
        int error = 0;
        const Held held = source < 0 ? (sameItem(there, made) ? Held::Copy : Held::Other)
                                     : holdsBytesOf(source, sourceDevice, made.size, folder, target.name(), there, error);
        if (held == Held::Unknown)
            return QStringLiteral("the link the run made at %1 could not be read back (%2), and may still be there")
                .arg(path, PosixFiles::errorText(error));
        if (held == Held::Other)
            return {};
        if (removed)
            return QStringLiteral("the link the run made at %1 could not be taken away (%2)")
                .arg(path, removeError != 0 ? PosixFiles::errorText(removeError)
                                            : QStringLiteral("the file system answered its removal as done but kept it"));
        if (::unlinkat(folder, target.name().constData(), 0) != 0 && errno != ENOENT)
            removeError = errno;
    }
}

// A file moved within a file system that has hard links but no rename that
// refuses to replace: it is linked at the target, which never replaces, and
// its own name is then set aside and removed, each act looked at by name, as
// a file system may answer one it did not make. Until the move is done, a
// failure takes the run's link away again, and what of it stays is named.
// Where the link gets an inode number of its own, nothing tells it from
// another file but its bytes: while it holds the source's, it is the run's
// own and goes, and the file is copied, which compares them.
Result moveByLink(const FileManager::ItemPlace &place, const FileManager::ItemPlace &target,
                  const FileManager::Expected &expected, const struct stat &item)
{
    const QString targetPath = FileManager::displayPath(target.path());
    if (::linkat(place.folder(), place.name().constData(), target.folder(), target.name().constData(), 0) != 0) {
        if (errno == EEXIST)
            return Result::failure(QStringLiteral("an item of that name is already there"), Refusal::Taken);
        return copyAcross(place, target, expected);
    }
    struct stat linkedInfo {};
    if (::fstatat(target.folder(), target.name().constData(), &linkedInfo, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return Result::failure(QStringLiteral("it changed while it was being moved"), Refusal::Changed);
        return Result::failure(QStringLiteral("the link the run made at %1 could not be looked at (%2), and may still be there")
                                   .arg(targetPath, PosixFiles::errorText(errno)));
    }
    const Status linked = statusFrom(linkedInfo);
    auto fail = [&](Result failed) {
        if (const QString left = takeAwayOwnLink(target, linked); !left.isEmpty())
            failed.reason += QStringLiteral("; ") + left;
        return failed;
    };

    if (!linked.isFolder && !linked.isSymbolicLink && !sameItem(linked, expected.status)
        && linked.size == expected.status.size && linked.modifiedMilliseconds == expected.status.modifiedMilliseconds) {
        // Where the source cannot be read to compare, the link is known by
        // its number, and the copy fails on the source as it would anyway.
        const Descriptor source(::openat(place.folder(), place.name().constData(),
                                         O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat sourceInfo {};
        const bool readable = source.isOpen() && ::fstat(source.get(), &sourceInfo) == 0 && S_ISREG(sourceInfo.st_mode)
                              && stillTheSame(statusFrom(sourceInfo), expected.status);
        if (const QString left = readable ? takeAwayOwnLink(target, linked, source.get(), quint64(sourceInfo.st_dev))
                                          : takeAwayOwnLink(target, linked);
            !left.isEmpty())
            return Result::failure(left);
        return copyAcross(place, target, expected);
    }
    if (!stillTheSame(linked, expected.status))
        return fail(Result::failure(QStringLiteral("it changed while it was being moved"), Refusal::Changed));

    // The name it came by goes only while it still holds that file, and no
    // copy the run keeps went with it.
    QByteArray aside;
    if (const Result setAsideResult = setAside(place.folder(), place.name(), aside); !setAsideResult) {
        if (setAsideResult.refusal == Refusal::Gone)
            return fail(Result::failure(QStringLiteral("it changed while it was being moved"), Refusal::Changed));
        return fail(setAsideResult);
    }
    PosixFiles::RenameSeen seen;
    if (const std::optional<Result> failed = notSetAside(place, aside, item, seen))
        return fail(*failed);
    const QString asidePath = asideShown(place, aside);
    Result failed = Result::failure(QStringLiteral("it changed while it was being moved"), Refusal::Changed);
    if (sameItem(statusFrom(seen.target), linked)) {
        const std::optional<QString> left = expected.keptCopyLeft ? expected.keptCopyLeft() : std::nullopt;
        if (left) {
            failed = Result::failure(*left, Refusal::KeptWentAlong);
        } else if (::unlinkat(place.folder(), aside.constData(), 0) != 0) {
            failed = Result::failure(PosixFiles::errorText(errno));
        } else {
            const PosixFiles::UnlinkSeen unlinked = PosixFiles::lookAfterUnlink(place.folder(), aside, seen.target);
            if (unlinked.gone())
                return Result::success();
            failed = Result::failure(PosixFiles::unlinkNotMade(unlinked, QStringLiteral("the deletion of its source"), asidePath));
            // Where the set-aside name cannot be told to hold the file any
            // more, the link is what is left of it, and stays.
            if (!unlinked.holdsItem)
                return Result::failure(failed.reason + QStringLiteral("; it stays at %1").arg(targetPath));
        }
    }
    failed.reason += putBackAside(place, aside, QStringLiteral("it"));
    return fail(failed);
}

} // namespace

bool FileManager::ItemPlace::isOpen() const
{
    return m_folder && m_folder->isOpen();
}

int FileManager::ItemPlace::folder() const
{
    return m_folder ? m_folder->get() : -1;
}

FileManager::ItemPlace FileManager::ItemPlace::withName(const QByteArray &name) const
{
    ItemPlace place = *this;
    place.m_name = name;
    place.m_path = joined(PosixFiles::parentOf(m_path), name);
    return place;
}

bool FileManager::ItemPlace::sharesFolderWith(const ItemPlace &other) const
{
    struct stat mine {};
    struct stat theirs {};
    return isOpen() && other.isOpen() && ::fstat(folder(), &mine) == 0 && ::fstat(other.folder(), &theirs) == 0
           && mine.st_dev == theirs.st_dev && mine.st_ino == theirs.st_ino;
}

std::optional<QString> FileManager::ItemPlace::whyFolderIsGone() const
{
    struct stat open {};
    if (!isOpen() || ::fstat(folder(), &open) != 0)
        return QStringLiteral("cannot be reached");
    if (open.st_nlink == 0)
        return QStringLiteral("is no longer there");
    const std::optional<KernelName> name = kernelNameOf(folder());
    if (!name || name->reaches)
        return std::nullopt;
    // Some file systems keep a folder's link count above 0 once it is
    // deleted; the kernel's name for it still says so.
    if (name->path.endsWith(" (deleted)"))
        return QStringLiteral("is no longer there");
    return QStringLiteral("is no longer mounted where it was");
}

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
    return statusFrom(info);
}

FileManager::Result FileManager::openPlace(const QByteArray &path, ItemPlace &place) const
{
    QByteArray trimmed = path;
    while (trimmed.size() > 1 && trimmed.endsWith('/'))
        trimmed.chop(1);
    const qsizetype slash = trimmed.lastIndexOf('/');
    const QByteArray name = trimmed.mid(slash + 1);
    if (name.isEmpty() || name == "." || name == "..")
        return Result::failure(QStringLiteral("it has no name of its own"));

    const bool absolute = trimmed.startsWith('/');
    auto folder = std::make_shared<Descriptor>(::open(absolute ? "/" : ".", O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!folder->isOpen())
        return Result::failure(PosixFiles::errorText(errno));
    QByteArray reached = absolute ? QByteArray() : QByteArrayLiteral(".");
    const QList<QByteArray> components = slash > 0 ? trimmed.left(slash).split('/') : QList<QByteArray>();
    for (const QByteArray &component : components) {
        if (component.isEmpty() || component == ".")
            continue;
        reached += '/' + component;
        auto next = std::make_shared<Descriptor>(
            ::openat(folder->get(), component.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!next->isOpen()) {
            const int error = errno;
            if (error == ENOENT)
                return Result::failure(QStringLiteral("the folder %1 is no longer there").arg(displayPath(reached)),
                                       Refusal::Gone);
            if (error == ENOTDIR || error == ELOOP) {
                const std::optional<Status> found = statusAt(folder->get(), component);
                return Result::failure(found && found->isSymbolicLink
                                           ? QStringLiteral("the folder %1 on its path is now a link").arg(displayPath(reached))
                                           : QStringLiteral("%1 on its path is no longer a folder").arg(displayPath(reached)),
                                       Refusal::Changed);
            }
            return Result::failure(
                QStringLiteral("the folder %1 cannot be opened: %2").arg(displayPath(reached), PosixFiles::errorText(error)));
        }
        folder = std::move(next);
    }
    place.m_folder = std::move(folder);
    place.m_path = path;
    place.m_name = name;
    return Result::success();
}

FileManager::Result FileManager::openFolderPlace(const QByteArray &folder, const QByteArray &name,
                                                  ItemPlace &place) const
{
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/'))
        return Result::failure(QStringLiteral("it has no name of its own"));
    auto fd = std::make_shared<Descriptor>(::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    if (!fd->isOpen()) {
        const int error = errno;
        return Result::failure(QStringLiteral("the folder %1 cannot be opened: %2").arg(displayPath(folder), PosixFiles::errorText(error)),
                               error == ENOENT ? Refusal::Gone : Refusal::Failed);
    }
    place.m_folder = std::move(fd);
    place.m_path = joined(folder, name);
    place.m_name = name;
    return Result::success();
}

std::optional<FileManager::Status> FileManager::statusIn(const ItemPlace &place) const
{
    return statusAt(place.folder(), place.name());
}

FileManager::Result FileManager::checkFolder(const ItemPlace &place, const Identities *kept, bool forDelete,
                                             const Status *expected, quint64 &totalSize, const KeepTest &alsoKept) const
{
    if (!place.isOpen())
        return Result::failure(QStringLiteral("its folder is not open"));
    return FolderCheck::check(place.folder(), place.name(), place.path(), {kept, forDelete, alsoKept}, expected,
                              totalSize);
}

FileManager::Result FileManager::trashItem(const ItemPlace &place, const Expected &expected, TrashCan &trash)
{
    if (!place.isOpen())
        return Result::failure(QStringLiteral("its folder is not open"));
    const QByteArray itemPath = joined(currentPathOf(place.folder(), PosixFiles::parentOf(place.path())), place.name());
    bool keptWentAlong = false;
    const TrashCan::Result trashed =
        trash.trash(place.folder(), place.name(), itemPath, [&](int files, const QByteArray &name) {
            std::optional<QString> mismatch = mismatchAt(files, name, itemPath, expected);
            if (!mismatch && expected.keptCopyLeft) {
                mismatch = expected.keptCopyLeft();
                keptWentAlong = mismatch.has_value();
            }
            return mismatch;
        });
    if (trashed)
        return Result::success();
    return Result::failure(trashed.reason, keptWentAlong     ? Refusal::KeptWentAlong
                                           : trashed.changed ? Refusal::Changed
                                                             : Refusal::Failed);
}

FileManager::Result FileManager::moveItem(const ItemPlace &place, const ItemPlace &target, const Expected &expected)
{
    if (!place.isOpen() || !target.isOpen())
        return Result::failure(QStringLiteral("its folder is not open"));
    struct stat item {};
    if (const Result read = statusBeforeRename(place, item); !read)
        return read;
    if (renameNoReplace(place.folder(), place.name(), target.folder(), target.name()) == 0) {
        const PosixFiles::RenameSeen seen =
            PosixFiles::lookAfterRename(place.folder(), place.name(), target.folder(), target.name(), item);
        if (!seen.moved())
            return Result::failure(PosixFiles::renameNotMade(seen, QStringLiteral("the move"), displayPath(place.path()),
                                                             displayPath(target.path())));
        std::optional<QString> mismatch = mismatchAt(target.folder(), target.name(), target.path(), expected);
        Refusal refusal = Refusal::Changed;
        if (!mismatch && expected.keptCopyLeft) {
            mismatch = expected.keptCopyLeft();
            refusal = Refusal::KeptWentAlong;
        }
        if (!mismatch)
            return Result::success();
        bool stays = false;
        const QString back = PosixFiles::putBack(target.folder(), target.name(), displayPath(target.path()),
                                                 place.folder(), place.name(), displayPath(place.path()),
                                                 QStringLiteral("it"), stays);
        return Result::failure(back.isEmpty() ? *mismatch : *mismatch + QStringLiteral("; ") + back, refusal);
    }

    const int error = errno;
    if (error == EEXIST)
        return Result::failure(QStringLiteral("an item of that name is already there"), Refusal::Taken);
    if (error == ENOENT)
        return Result::failure(QStringLiteral("it is no longer there"), Refusal::Gone);
    if (error == EXDEV) {
        if (expected.status.isFolder)
            return Result::failure(QStringLiteral("a folder is not moved to another file system"));
        return copyAcross(place, target, expected);
    }
    if (noNoReplaceRename(error)) {
        // A file system without the no-replace rename: a hard link never
        // replaces either, and a folder is not moved at all.
        if (expected.status.isFolder || expected.status.isSymbolicLink)
            return Result::failure(QStringLiteral("this file system cannot move a folder safely"));
        return moveByLink(place, target, expected, item);
    }
    return Result::failure(PosixFiles::errorText(error));
}

FileManager::Result FileManager::pinItem(const ItemPlace &place, PinnedItem &pinned)
{
    if (!place.isOpen())
        return Result::failure(QStringLiteral("its folder is not open"));
    struct stat item {};
    if (const Result read = statusBeforeRename(place, item); !read)
        return read;
    QByteArray aside;
    const Result setAsideResult = setAside(place.folder(), place.name(), aside);
    if (!setAsideResult)
        return setAsideResult;
    const QByteArray pinnedPath = joined(PosixFiles::parentOf(place.path()), aside);
    // A file system may answer the rename without making it: both names are
    // looked at, and the report says what they showed.
    const PosixFiles::RenameSeen seen =
        PosixFiles::lookAfterRename(place.folder(), place.name(), place.folder(), aside, item);
    if (!seen.moved())
        return Result::failure(PosixFiles::renameNotMade(seen, QStringLiteral("its renaming to %1").arg(displayPath(pinnedPath)),
                                                         displayPath(place.path()), displayPath(pinnedPath)));
    pinned = {place.path(), pinnedPath, statusFrom(seen.target), place, aside};
    return Result::success();
}

FileManager::Result FileManager::unpinItem(const PinnedItem &pinned)
{
    const int folder = pinned.place.folder();
    const QString pinnedPath = displayPath(pinned.pinnedPath);
    struct stat item {};
    if (::fstatat(folder, pinned.privateName.constData(), &item, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT)
            return Result::failure(QStringLiteral("it could not be put back: nothing is at %1 any more").arg(pinnedPath));
        return Result::failure(QStringLiteral("it could not be put back: %1 could not be looked at (%2)")
                                   .arg(pinnedPath, PosixFiles::errorText(errno)));
    }
    int done = renameNoReplace(folder, pinned.privateName, folder, pinned.place.name());
    int error = errno;
    bool linked = false;
    if (done != 0 && noNoReplaceRename(error) && !pinned.status.isFolder) {
        // Without the no-replace rename a hard link never replaces either;
        // without both, it goes back as it was set aside, by a rename of a
        // name seen free.
        done = ::linkat(folder, pinned.privateName.constData(), folder, pinned.place.name().constData(), 0);
        error = errno;
        linked = done == 0;
        if (done != 0 && noHardLinks(error)) {
            done = renameIfFree(folder, pinned.privateName, folder, pinned.place.name());
            error = errno;
        }
    }
    if (done != 0) {
        if (error == EEXIST)
            return Result::failure(QStringLiteral("its name was taken meanwhile, so it was left at %1").arg(pinnedPath));
        return Result::failure(QStringLiteral("it could not be put back (%1) and was left at %2")
                                   .arg(PosixFiles::errorText(error), pinnedPath));
    }
    if (linked) {
        // Back at its own name; the private one goes, and is looked at
        // again, as a file system may answer a removal it did not make.
        const int removeError = ::unlinkat(folder, pinned.privateName.constData(), 0) == 0 ? 0 : errno;
        const PosixFiles::UnlinkSeen left = PosixFiles::lookAfterUnlink(folder, pinned.privateName, item);
        if (left.gone())
            return Result::success();
        if (left.error != 0)
            return Result::failure(QStringLiteral("it is back at its own name, but %1 could not be looked at (%2)")
                                       .arg(pinnedPath, PosixFiles::errorText(left.error)));
        return Result::failure(QStringLiteral("it is back at its own name, but %1 still holds it too (%2)")
                                   .arg(pinnedPath, removeError != 0 ? PosixFiles::errorText(removeError)
                                                                     : QStringLiteral("its removal was answered as done")));
    }
    bool stays = false;
    const QString back =
        PosixFiles::notPutBack(PosixFiles::lookAfterRename(folder, pinned.privateName, folder, pinned.place.name(), item),
                               QStringLiteral("it"), pinnedPath, displayPath(pinned.path), stays);
    return back.isEmpty() ? Result::success() : Result::failure(back);
}

FileManager::Result FileManager::deletePinnedItem(const PinnedItem &pinned)
{
    // Nothing of it gone: it goes back to its own name whole.
    auto keepWhole = [&](const Result &why) {
        const Result back = unpinItem(pinned);
        return Result::failure(back ? why.reason : why.reason + QStringLiteral("; ") + back.reason, why.refusal);
    };
    const int folder = pinned.place.folder();
    const QString pinnedPath = displayPath(pinned.pinnedPath);
    const QString act = QStringLiteral("its deletion");
    // Some file systems answer a deletion they did not make: the private
    // name is looked at once more, and the delete counts only once nothing
    // is there.
    if (!pinned.status.isFolder) {
        struct stat there {};
        if (::fstatat(folder, pinned.privateName.constData(), &there, AT_SYMLINK_NOFOLLOW) != 0
            || !sameItem(statusFrom(there), pinned.status))
            return keepWhole(Result::failure(QStringLiteral("it changed after it was set aside"), Refusal::Changed));
        if (::unlinkat(folder, pinned.privateName.constData(), 0) != 0)
            return keepWhole(Result::failure(PosixFiles::errorText(errno)));
        const PosixFiles::UnlinkSeen seen = PosixFiles::lookAfterUnlink(folder, pinned.privateName, there);
        if (seen.gone())
            return Result::success();
        // The file itself, under a number of its own where names have one:
        // it goes back whole.
        if (seen.holdsItem)
            return keepWhole(Result::failure(PosixFiles::unlinkNotMade(seen, act, pinnedPath)));
        return Result::failure(PosixFiles::unlinkNotMade(seen, act, pinnedPath));
    }

    bool deletedAny = false;
    const Result removed =
        FolderCheck::remove(folder, pinned.privateName, pinned.pinnedPath, &pinned.status, deletedAny);
    if (removed) {
        const PosixFiles::UnlinkSeen seen = PosixFiles::lookAfterUnlink(folder, pinned.privateName, {});
        return seen.gone() ? removed : Result::failure(PosixFiles::unlinkNotMade(seen, act, pinnedPath));
    }
    if (!deletedAny)
        return keepWhole(removed);
    return Result::failure(QStringLiteral("deleting stopped (%1); what is left is at %2")
                               .arg(removed.reason, displayPath(pinned.pinnedPath)));
}

FileManager::Result FileManager::readExpected(const ItemPlace &place, const Identities *kept, bool forDelete,
                                              Expected &expected) const
{
    const std::optional<Status> found = statusIn(place);
    if (!found)
        return Result::failure(QStringLiteral("it is no longer there"), Refusal::Gone);
    expected.status = *found;
    expected.kept = kept;
    if (found->isFolder)
        return checkFolder(place, kept, forDelete, &expected.status, expected.folderTotal);
    return Result::success();
}

FileManager::Result FileManager::openExpected(const QByteArray &path, bool forDelete, ItemPlace &place,
                                              Expected &expected) const
{
    const Result opened = openPlace(path, place);
    return opened ? readExpected(place, nullptr, forDelete, expected) : opened;
}

FileManager::Result FileManager::trashItemAtPath(const QByteArray &path)
{
    ItemPlace place;
    Expected expected;
    const Result ready = openExpected(path, false, place, expected);
    if (!ready)
        return ready;
    TrashCan trash = TrashCan::forUser();
    return trashItem(place, expected, trash);
}

FileManager::Result FileManager::moveItemAtPath(const QByteArray &from, const QByteArray &to)
{
    ItemPlace place;
    ItemPlace target;
    Expected expected;
    Result ready = openExpected(from, false, place, expected);
    if (ready)
        ready = openFolderPlace(PosixFiles::parentOf(to), PosixFiles::lastComponent(to), target);
    return ready ? moveItem(place, target, expected) : ready;
}

FileManager::Result FileManager::pinItemAtPath(const QByteArray &path, PinnedItem &pinned)
{
    // Nothing is renamed unless all of it can go: a folder set aside and then
    // refused would otherwise have to find its way back.
    ItemPlace place;
    Expected expected;
    const Result ready = openExpected(path, true, place, expected);
    return ready ? pinItem(place, pinned) : ready;
}

FileManager::Result FileManager::removeItem(const QByteArray &path)
{
    PinnedItem pinned;
    const Result pinnedResult = pinItemAtPath(path, pinned);
    if (!pinnedResult)
        return pinnedResult;
    return deletePinnedItem(pinned);
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
