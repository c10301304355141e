#include "FlakyFuse.h"

#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

struct FlakyFuse::State
{
    FlakyFuse *owner = nullptr;
    QByteArray backing;
    fuse *session = nullptr;
    std::thread loop;
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
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return QStringLiteral("/dev/fuse cannot be opened");
    if (!QDir().mkpath(backing) || !QDir().mkpath(mountPoint))
        return QStringLiteral("the folders cannot be made");
    m_state->backing = QFile::encodeName(backing);
    char name[] = "twinmoor-test-flaky";
    char *arguments[] = {name, nullptr};
    fuse_args args = FUSE_ARGS_INIT(1, arguments);
    fuse_operations ops {};
    ops.getattr = getattr;
    ops.readdir = readdir;
    ops.open = open;
    ops.read = read;
    ops.release = release;
    ops.init = init;
    m_state->session = fuse_new(&args, &ops, sizeof ops, m_state.get());
    fuse_opt_free_args(&args);
    if (!m_state->session)
        return QStringLiteral("fuse_new failed");
    if (fuse_mount(m_state->session, QFile::encodeName(mountPoint).constData()) != 0) {
        fuse_destroy(m_state->session);
        m_state->session = nullptr;
        return QStringLiteral("fuse_mount failed");
    }
    fuse *session = m_state->session;
    m_state->loop = std::thread([session] { fuse_loop(session); });
    return {};
}

void FlakyFuse::unmount()
{
    if (!m_state->session)
        return;
    // Unmounting ends the loop's wait for the next request.
    fuse_exit(m_state->session);
    fuse_unmount(m_state->session);
    if (m_state->loop.joinable())
        m_state->loop.join();
    fuse_destroy(m_state->session);
    m_state->session = nullptr;
}
