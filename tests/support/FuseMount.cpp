#include "FuseMount.h"

#define FUSE_USE_VERSION 31
#include <fuse.h>

#include <QDir>
#include <QFile>

#include <sys/statvfs.h>
#include <unistd.h>

FuseMount::~FuseMount()
{
    unmount();
}

QString FuseMount::mount(const char *name, const fuse_operations &operations, void *data, const QString &mountPoint)
{
    if (::access("/dev/fuse", R_OK | W_OK) != 0)
        return QStringLiteral("/dev/fuse cannot be opened");
    if (!QDir().mkpath(mountPoint))
        return QStringLiteral("the mount point cannot be made");
    QByteArray program(name);
    char *arguments[] = {program.data(), nullptr};
    fuse_args args = FUSE_ARGS_INIT(1, arguments);
    m_session = fuse_new(&args, &operations, sizeof operations, data);
    fuse_opt_free_args(&args);
    if (!m_session)
        return QStringLiteral("fuse_new failed");
    if (fuse_mount(m_session, QFile::encodeName(mountPoint).constData()) != 0) {
        fuse_destroy(m_session);
        m_session = nullptr;
        return QStringLiteral("fuse_mount failed");
    }
    fuse *session = m_session;
    m_loop = std::thread([session] { fuse_loop(session); });
    m_mountPoint = QFile::encodeName(mountPoint);
    return {};
}

void FuseMount::unmount()
{
    if (!m_session)
        return;
    // The kernel sends the release of a file or folder closed just before on
    // its own time, and drops it once the loop ends, which leaks the file
    // system's handle of it. One request answered here comes after all of
    // those already queued.
    struct statvfs served {};
    ::statvfs(m_mountPoint.constData(), &served);
    // Unmounting ends the loop's wait for the next request.
    fuse_exit(m_session);
    fuse_unmount(m_session);
    if (m_loop.joinable())
        m_loop.join();
    fuse_destroy(m_session);
    m_session = nullptr;
}
