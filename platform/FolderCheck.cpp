#include "FolderCheck.h"

#include "Descriptor.h"
#include "FileReading.h"
#include "PosixFiles.h"

#include <QList>

#include <cerrno>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace FolderCheck {

namespace {

using Result = FileManager::Result;
using Refusal = FileManager::Refusal;

// What the walk needs to know of one entry, read without following a link or
// triggering an automount.
struct EntryFacts
{
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    dev_t device = 0;
    quint64 inode = 0;
    quint64 size = 0;
    qint64 modifiedMilliseconds = 0;
    quint64 mountId = 0;
    bool mountRoot = false;
    // Immutable or append-only: the entry cannot be deleted, and neither can
    // anything inside such a folder.
    bool undeletable = false;
};

FileManager::Status statusOf(const EntryFacts &facts)
{
    FileManager::Status status;
    status.isFolder = S_ISDIR(facts.mode);
    status.isSymbolicLink = S_ISLNK(facts.mode);
    status.device = quint64(facts.device);
    status.inode = facts.inode;
    status.size = facts.size;
    status.modifiedMilliseconds = facts.modifiedMilliseconds;
    return status;
}

// The mount of an entry as /proc tells it for a descriptor, where statx does
// not give it (kernels before 5.8).
std::optional<quint64> mountIdFromProc(int folder, const char *name)
{
    const Descriptor item(*name ? ::openat(folder, name, O_PATH | O_NOFOLLOW | O_CLOEXEC) : ::dup(folder));
    if (!item.isOpen())
        return std::nullopt;
    const QByteArray infoPath = "/proc/self/fdinfo/" + QByteArray::number(item.get());
    const Descriptor info(::open(infoPath.constData(), O_RDONLY | O_CLOEXEC));
    char buffer[1024];
    const qint64 got = info.isOpen() ? FileReading::readFully(info.get(), buffer, qint64(sizeof buffer)) : -1;
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
    const Descriptor fd(::openat(folder, name, O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
    if (!fd.isOpen())
        return false;
    int flags = 0;
    const bool known = ::ioctl(fd.get(), FS_IOC_GETFLAGS, &flags) == 0;
    return known && (flags & (FS_IMMUTABLE_FL | FS_APPEND_FL)) != 0;
}

// The entry `name` of the open folder, or the folder itself for an empty
// name; on failure the reason in words.
std::optional<QString> readEntryFacts(int folder, const char *name, EntryFacts &facts)
{
    struct statx status {};
    const int flags = AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT | (*name ? 0 : AT_EMPTY_PATH);
    if (::statx(folder, name, flags,
                STATX_TYPE | STATX_MODE | STATX_UID | STATX_GID | STATX_INO | STATX_SIZE | STATX_MTIME | STATX_MNT_ID,
                &status)
        != 0)
        return PosixFiles::errorText(errno);
    facts.mode = status.stx_mode;
    facts.owner = status.stx_uid;
    facts.group = status.stx_gid;
    facts.device = makedev(status.stx_dev_major, status.stx_dev_minor);
    facts.inode = status.stx_ino;
    facts.size = status.stx_size;
    facts.modifiedMilliseconds = qint64(status.stx_mtime.tv_sec) * 1000 + status.stx_mtime.tv_nsec / 1000000;
    facts.mountRoot = (status.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) != 0
                      && (status.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
    constexpr quint64 undeletable = STATX_ATTR_IMMUTABLE | STATX_ATTR_APPEND;
    if ((status.stx_attributes_mask & undeletable) == undeletable)
        facts.undeletable = (status.stx_attributes & undeletable) != 0;
    else if (*name && (S_ISREG(facts.mode) || S_ISDIR(facts.mode)))
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

// Whether this process may delete what others own in a folder with the
// sticky bit (the capability root has; a user namespace may give it too).
bool mayOverrideOwners()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capget, &header, data) != 0)
        return ::geteuid() == 0;
    return (data[CAP_FOWNER / 32].effective & (1u << (CAP_FOWNER % 32))) != 0;
}

QByteArray readSmallFile(const char *path)
{
    const Descriptor fd(::open(path, O_RDONLY | O_CLOEXEC));
    char buffer[4096];
    const qint64 got = fd.isOpen() ? FileReading::readFully(fd.get(), buffer, qint64(sizeof buffer)) : -1;
    return got > 0 ? QByteArray(buffer, got) : QByteArray();
}

// The user or group numbers this process's user namespace maps, as
// /proc/self/uid_map or gid_map lists them. A capability counts for an entry
// only where its owner and group are mapped: inside a namespace the kernel
// refuses the rest whatever the capability says. An owner the namespace does
// not map shows as the overflow number, so that number never counts as
// mapped inside a namespace; in the initial one, which maps everything, it does.
class IdMap
{
public:
    IdMap(const char *map, const char *overflow)
    {
        for (const QByteArray &line : readSmallFile(map).split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            bool ok[3] = {};
            if (fields.size() != 3)
                continue;
            const quint64 inside = fields.at(0).toULongLong(&ok[0]);
            const quint64 outside = fields.at(1).toULongLong(&ok[1]);
            const quint64 count = fields.at(2).toULongLong(&ok[2]);
            if (!ok[0] || !ok[1] || !ok[2])
                continue;
            if (inside == 0 && outside == 0 && count == 4294967295u)
                m_everything = true;
            m_ranges.push_back({inside, count});
        }
        bool ok = false;
        m_overflow = readSmallFile(overflow).trimmed().toULongLong(&ok);
        if (!ok)
            m_overflow = 65534;
    }

    bool maps(quint64 id) const
    {
        if (m_everything)
            return true;
        if (id == m_overflow)
            return false;
        for (const auto &[first, count] : m_ranges) {
            if (id >= first && id - first < count)
                return true;
        }
        return false;
    }

private:
    std::vector<std::pair<quint64, quint64>> m_ranges;
    quint64 m_overflow = 65534;
    bool m_everything = false;
};

// One walk through a folder by descriptors. check() changes nothing, so that
// a folder that holds anything it must not is left whole; remove() deletes
// the contents depth first and stops at the first failure.
class Walk
{
public:
    Walk(const QByteArray &path, const EntryFacts &top, const Rules &rules, bool deleting)
        : m_root(path)
        , m_path(path)
        , m_top(top)
        , m_rules(rules)
        , m_deleting(deleting)
        , m_user(::geteuid())
        , m_privileged(rules.forDelete && !deleting && mayOverrideOwners())
    {
        if (m_privileged) {
            m_users.emplace("/proc/self/uid_map", "/proc/sys/kernel/overflowuid");
            m_groups.emplace("/proc/self/gid_map", "/proc/sys/kernel/overflowgid");
        }
    }

    bool run(int folder) { return walk(folder, m_top); }

    quint64 totalSize() const { return m_total; }
    bool deletedAny() const { return m_deletedAny; }
    // Why the walk stopped, naming the entry it stopped at.
    Result failure() const
    {
        if (m_refusal == Refusal::HoldsKept)
            return Result::failure(QStringLiteral("holds %1, a copy this run keeps").arg(FileManager::displayPath(m_blocked)),
                                   Refusal::HoldsKept);
        if (m_blocked == m_root)
            return Result::failure(QStringLiteral("it %1").arg(m_why), m_refusal);
        return Result::failure(QStringLiteral("%1 inside it %2").arg(FileManager::displayPath(m_blocked), m_why),
                               m_refusal);
    }

private:
    bool fail(const QString &why, Refusal refusal = Refusal::Failed)
    {
        m_blocked = m_path;
        m_why = why;
        m_refusal = refusal;
        return false;
    }

    // Whether the kernel lets this process delete the entry from the folder.
    bool mayDelete(const EntryFacts &folder, const EntryFacts &entry) const
    {
        if ((folder.mode & S_ISVTX) == 0 || entry.owner == m_user || folder.owner == m_user)
            return true;
        return m_privileged && m_users->maps(entry.owner) && m_groups->maps(entry.group);
    }

    bool walk(int folder, const EntryFacts &own)
    {
        const bool checkingDelete = m_rules.forDelete && !m_deleting;
        if ((checkingDelete || m_deleting) && own.undeletable)
            return fail(QStringLiteral("is immutable or append-only"));
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
        if (checkingDelete && !names.empty() && ::faccessat(folder, ".", W_OK | X_OK, AT_EACCESS) != 0)
            return fail(QStringLiteral("cannot be changed: %1").arg(PosixFiles::errorText(errno)));

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
            if ((m_rules.kept && m_rules.kept->contains({quint64(facts.device), facts.inode}))
                || (m_rules.alsoKept && m_rules.alsoKept(statusOf(facts))))
                return fail({}, Refusal::HoldsKept);
            if (checkingDelete && !mayDelete(own, facts))
                return fail(QStringLiteral("belongs to another user in a folder with the sticky bit"));
            if (S_ISDIR(facts.mode)) {
                const Descriptor child(
                    ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
                if (!child.isOpen())
                    return fail(QStringLiteral("cannot be opened: %1").arg(PosixFiles::errorText(errno)));
                if (!walk(child.get(), facts))
                    return false;
            } else {
                if (checkingDelete && facts.undeletable)
                    return fail(QStringLiteral("is immutable or append-only"));
                m_total += facts.size;
            }
            if (m_deleting) {
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
    const Rules m_rules;
    const bool m_deleting;
    const uid_t m_user;
    const bool m_privileged;
    std::optional<IdMap> m_users;
    std::optional<IdMap> m_groups;
    quint64 m_total = 0;
    bool m_deletedAny = false;
    QByteArray m_blocked;
    QString m_why;
    Refusal m_refusal = Refusal::Failed;
};

// The folder `name` of `parent`, opened and read: it must be a folder, the
// expected one when one is given, and no mount point of its own.
Result openTop(int parent, const QByteArray &name, const FileManager::Status *expected, Descriptor &fd, EntryFacts &top)
{
    fd = Descriptor(::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (!fd.isOpen()) {
        const int error = errno;
        if (error == ENOENT)
            return Result::failure(QStringLiteral("it is no longer there"), Refusal::Gone);
        if (error == ENOTDIR || error == ELOOP)
            return Result::failure(QStringLiteral("it is no longer a folder"), Refusal::Changed);
        return Result::failure(QStringLiteral("it cannot be opened: %1").arg(PosixFiles::errorText(error)));
    }
    EntryFacts above;
    if (const std::optional<QString> error = readEntryFacts(fd.get(), "", top))
        return Result::failure(QStringLiteral("it cannot be read: %1").arg(*error));
    if (const std::optional<QString> error = readEntryFacts(parent, "", above))
        return Result::failure(QStringLiteral("its folder cannot be read: %1").arg(*error));
    if (expected && (expected->device != quint64(top.device) || expected->inode != top.inode))
        return Result::failure(QStringLiteral("it is no longer the item that was checked"), Refusal::Changed);
    if (top.mountRoot || top.mountId != above.mountId || top.device != above.device)
        return Result::failure(QStringLiteral("it is a mount point"));
    return Result::success();
}

} // namespace

Result check(int parent, const QByteArray &name, const QByteArray &path, const Rules &rules,
             const FileManager::Status *expected, quint64 &totalSize)
{
    totalSize = 0;
    Descriptor fd;
    EntryFacts top;
    const Result opened = openTop(parent, name, expected, fd, top);
    if (!opened)
        return opened;
    Walk walk(path, top, rules, false);
    if (!walk.run(fd.get()))
        return walk.failure();
    totalSize = walk.totalSize();
    return Result::success();
}

Result remove(int parent, const QByteArray &name, const QByteArray &path, const FileManager::Status *expected,
              bool &deletedAny)
{
    deletedAny = false;
    Descriptor fd;
    EntryFacts top;
    const Result opened = openTop(parent, name, expected, fd, top);
    if (!opened)
        return opened;
    Walk walk(path, top, {}, true);
    const bool emptied = walk.run(fd.get());
    deletedAny = walk.deletedAny();
    if (!emptied)
        return walk.failure();
    if (::unlinkat(parent, name.constData(), AT_REMOVEDIR) != 0)
        return Result::failure(PosixFiles::errorText(errno));
    deletedAny = true;
    return Result::success();
}

} // namespace FolderCheck
