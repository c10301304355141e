#include "FlakyFuse.h"

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
#include <unistd.h>

struct FlakyFuse::State
{
    FlakyFuse *owner = nullptr;
    QByteArray backing;
    FuseMount mounted;
};

namespace {

FlakyFuse::State &state()
{
    return *static_cast<FlakyFuse::State *>(fuse_get_context()->private_data);
}

int getattr(const char *path, struct stat *status, fuse_file_info *file)
{
    const int result = file ? ::fstat(int(file->fh), status) : ::lstat((state().backing + path).constData(), status);
    if (result != 0)
        return -errno;
    if (S_ISREG(status->st_mode) && state().owner->reportedSize)
        status->st_size = state().owner->reportedSize(QByteArray(path), status->st_size);
    return 0;
}

int readdir(const char *path, void *buffer, fuse_fill_dir_t fill, off_t, fuse_file_info *, fuse_readdir_flags)
{
    DIR *dir = ::opendir((state().backing + path).constData());
    if (!dir)
        return -errno;
    while (const dirent *entry = ::readdir(dir))
        fill(buffer, entry->d_name, nullptr, 0, fuse_fill_dir_flags(0));
    ::closedir(dir);
    return 0;
}

int open(const char *path, fuse_file_info *file)
{
    if ((file->flags & O_ACCMODE) != O_RDONLY)
        return -EROFS;
    const int fd = ::open((state().backing + path).constData(), O_RDONLY);
    if (fd < 0)
        return -errno;
    file->fh = uint64_t(fd);
    // Every read reaches the file system, none is answered from the page cache.
    file->direct_io = 1;
    return 0;
}

int read(const char *path, char *buffer, size_t size, off_t offset, fuse_file_info *file)
{
    if (const FlakyFuse::ReadHook &hook = state().owner->answered)
        size = std::min(size, hook(QByteArray(path), offset, size));
    const ssize_t got = ::pread(int(file->fh), buffer, size, offset);
    return got < 0 ? -errno : int(got);
}

int release(const char *, fuse_file_info *file)
{
    return ::close(int(file->fh)) == 0 ? 0 : -errno;
}

void *init(fuse_conn_info *, fuse_config *config)
{
    // Each status is asked for anew, so the reported size is the one in force.
    config->use_ino = 1;
    config->entry_timeout = 0;
    config->attr_timeout = 0;
    config->negative_timeout = 0;
    return fuse_get_context()->private_data;
}

} // namespace

FlakyFuse::FlakyFuse()
    : m_state(std::make_unique<State>())
{
    m_state->owner = this;
}

FlakyFuse::~FlakyFuse()
{
    unmount();
}

QString FlakyFuse::mount(const QString &backing, const QString &mountPoint)
{
    if (!QDir().mkpath(backing))
        return QStringLiteral("the backing folder cannot be made");
    m_state->backing = QFile::encodeName(backing);
    fuse_operations ops {};
    ops.getattr = getattr;
    ops.readdir = readdir;
    ops.open = open;
    ops.read = read;
    ops.release = release;
    ops.init = init;
    return m_state->mounted.mount("twinmoor-test-flaky", ops, m_state.get(), mountPoint);
}

void FlakyFuse::unmount()
{
    m_state->mounted.unmount();
}
