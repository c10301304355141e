#include "PassthroughFuse.h"

#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <FuseMount.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/xattr.h>
#include <unistd.h>

struct PassthroughFuse::State
{
    PassthroughFuse *owner = nullptr;
    Options options;
    QByteArray backing;
    FuseMount mounted;
};

namespace {

PassthroughFuse::State &state()
{
    return *static_cast<PassthroughFuse::State *>(fuse_get_context()->private_data);
}

QByteArray real(const char *path)
{
    return state().backing + path;
}

int result(int value)
{
    return value < 0 ? -errno : value;
}

int hooked(const char *operation, const char *path)
{
    const PassthroughFuse::OperationHook &hook = state().owner->beforeOperation;
    return hook ? hook(operation, QByteArray(path)) : 0;
}

int getattr(const char *path, struct stat *status, fuse_file_info *file)
{
    if (const int refused = path ? hooked("getattr", path) : 0)
        return refused;
    if (::fstatat(file ? int(file->fh) : AT_FDCWD, file ? "" : real(path).constData(), status,
                  file ? AT_EMPTY_PATH : AT_SYMLINK_NOFOLLOW)
        != 0)
        return -errno;
    if (const mode_t shown = state().options.shownMode; shown != 0 && S_ISREG(status->st_mode))
        status->st_mode = S_IFREG | shown;
    if (const PassthroughFuse::SizeHook &hook = state().owner->reportedSize; hook && S_ISREG(status->st_mode))
        status->st_size = hook(QByteArray(path), status->st_size);
    return 0;
}

int readlink(const char *path, char *buffer, size_t size)
{
    const ssize_t length = ::readlink(real(path).constData(), buffer, size - 1);
    if (length < 0)
        return -errno;
    buffer[length] = '\0';
    return 0;
}

int mkdir(const char *path, mode_t mode)
{
    return result(::mkdir(real(path).constData(), mode));
}

int unlink(const char *path)
{
    if (const int refused = hooked("unlink", path))
        return refused;
    if (!state().options.unlinks)
        return 0;
    return result(::unlink(real(path).constData()));
}

int rmdir(const char *path)
{
    return result(::rmdir(real(path).constData()));
}

int symlink(const char *target, const char *path)
{
    return result(::symlink(target, real(path).constData()));
}

int rename(const char *from, const char *to, unsigned int flags)
{
    if (flags != 0 && !state().options.renameFlags)
        return -EINVAL;
    if (const int refused = hooked("rename", from))
        return refused;
    if (!state().options.renames)
        return 0;
    return result(::renameat2(AT_FDCWD, real(from).constData(), AT_FDCWD, real(to).constData(), flags));
}

int link(const char *from, const char *to)
{
    if (!state().options.hardLinks)
        return -EPERM;
    if (const int refused = hooked("link", from))
        return refused;
    return result(::link(real(from).constData(), real(to).constData()));
}

int chmod(const char *path, mode_t mode, fuse_file_info *file)
{
    if (const int error = state().options.chmodError)
        return -error;
    if (state().options.shownMode != 0)
        return 0;
    return result(file ? ::fchmod(int(file->fh), mode) : ::chmod(real(path).constData(), mode));
}

int chown(const char *path, uid_t owner, gid_t group, fuse_file_info *file)
{
    if (!state().options.changesOwners)
        return 0;
    return result(file ? ::fchown(int(file->fh), owner, group) : ::lchown(real(path).constData(), owner, group));
}

int truncate(const char *path, off_t size, fuse_file_info *file)
{
    return result(file ? ::ftruncate(int(file->fh), size) : ::truncate(real(path).constData(), size));
}

int open(const char *path, fuse_file_info *file)
{
    if (const int refused = hooked("open", path))
        return refused;
    const int fd = ::open(real(path).constData(), file->flags);
    if (fd < 0)
        return -errno;
    file->fh = uint64_t(fd);
    file->direct_io = state().owner->answered ? 1 : 0;
    return 0;
}

int create(const char *path, mode_t mode, fuse_file_info *file)
{
    const mode_t made = state().options.madeMode;
    const int fd = ::open(real(path).constData(), file->flags | O_CREAT, made != 0 ? made : mode);
    if (fd < 0)
        return -errno;
    // The file stays behind, as where a network folder fails after it made it.
    if (const int error = state().options.createError) {
        ::close(fd);
        return -error;
    }
    // Past the serving process's umask.
    if (made != 0 && ::fchmod(fd, made) != 0) {
        const int error = errno;
        ::close(fd);
        return -error;
    }
    file->fh = uint64_t(fd);
    return 0;
}

int read(const char *path, char *buffer, size_t size, off_t offset, fuse_file_info *file)
{
    if (const PassthroughFuse::ReadHook &hook = state().owner->answered)
        size = std::min(size, hook(QByteArray(path), offset, size));
    return int(result(int(::pread(int(file->fh), buffer, size, offset))));
}

int write(const char *path, const char *buffer, size_t size, off_t offset, fuse_file_info *file)
{
    if (const PassthroughFuse::WriteHook &hook = state().owner->beforeWrite)
        hook(QByteArray(path), offset, fuse_get_context()->pid);
    return result(int(::pwrite(int(file->fh), buffer, size, offset)));
}

int statfs(const char *path, struct statvfs *status)
{
    return result(::statvfs(real(path).constData(), status));
}

int release(const char *, fuse_file_info *file)
{
    return result(::close(int(file->fh)));
}

int fsync(const char *, int dataOnly, fuse_file_info *file)
{
    return result(dataOnly ? ::fdatasync(int(file->fh)) : ::fsync(int(file->fh)));
}

int readdir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t, fuse_file_info *, fuse_readdir_flags)
{
    DIR *dir = ::opendir(real(path).constData());
    if (!dir)
        return -errno;
    while (const dirent *entry = ::readdir(dir))
        fill(buffer, entry->d_name, nullptr, 0, fuse_fill_dir_flags(0));
    ::closedir(dir);
    return 0;
}

int utimens(const char *path, const struct timespec times[2], fuse_file_info *file)
{
    return result(file ? ::futimens(int(file->fh), times)
                       : ::utimensat(AT_FDCWD, real(path).constData(), times, AT_SYMLINK_NOFOLLOW));
}

int setxattr(const char *path, const char *name, const char *value, size_t size, int flags)
{
    if (!state().options.extendedAttributes)
        return -EOPNOTSUPP;
    if (!state().options.setsAttributes)
        return 0;
    return result(::lsetxattr(real(path).constData(), name, value, size, flags));
}

int getxattr(const char *path, const char *name, char *value, size_t size)
{
    if (!state().options.extendedAttributes)
        return -EOPNOTSUPP;
    return result(int(::lgetxattr(real(path).constData(), name, value, size)));
}

int listxattr(const char *path, char *names, size_t size)
{
    if (!state().options.extendedAttributes)
        return -EOPNOTSUPP;
    return result(int(::llistxattr(real(path).constData(), names, size)));
}

int removexattr(const char *path, const char *name)
{
    if (!state().options.extendedAttributes)
        return -EOPNOTSUPP;
    return result(::lremovexattr(real(path).constData(), name));
}

void *init(fuse_conn_info *, fuse_config *config)
{
    // What the test changes in the backing folder behind the file system's
    // back shows at once, with the backing files' own inode numbers unless
    // each name is to have its own.
    config->use_ino = state().options.ownInodeNumbers ? 0 : 1;
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    config->hard_remove = 1;
    return fuse_get_context()->private_data;
}

fuse_operations operations()
{
    fuse_operations ops {};
    ops.getattr = getattr;
    ops.readlink = readlink;
    ops.mkdir = mkdir;
    ops.unlink = unlink;
    ops.rmdir = rmdir;
    ops.symlink = symlink;
    ops.rename = rename;
    ops.link = link;
    ops.chmod = chmod;
    ops.chown = chown;
    ops.truncate = truncate;
    ops.open = open;
    ops.read = read;
    ops.write = write;
    ops.statfs = statfs;
    ops.release = release;
    ops.fsync = fsync;
    ops.readdir = readdir;
    ops.init = init;
    ops.create = create;
    ops.utimens = utimens;
    ops.setxattr = setxattr;
    ops.getxattr = getxattr;
    ops.listxattr = listxattr;
    ops.removexattr = removexattr;
    return ops;
}

} // namespace

PassthroughFuse::PassthroughFuse()
    : m_state(std::make_unique<State>())
{
    m_state->owner = this;
}

PassthroughFuse::~PassthroughFuse()
{
    unmount();
}

QString PassthroughFuse::mount(const QString &backing, const QString &mountPoint, const Options &options)
{
    m_state->options = options;
    if (!QDir().mkpath(backing))
        return QStringLiteral("the backing folder cannot be made");
    m_state->backing = QFile::encodeName(backing);
    return m_state->mounted.mount("twinmoor-test-fuse", operations(), m_state.get(), mountPoint);
}

void PassthroughFuse::unmount()
{
    m_state->mounted.unmount();
}
