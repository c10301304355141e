#pragma once

#include <QByteArray>
#include <QString>

#include <thread>

struct fuse;
struct fuse_operations;

// A FUSE file system served by a thread of the test's own process, mounted
// until unmount() or the end of the object. Needs /dev/fuse and the right to
// mount (root in a private mount namespace).
class FuseMount
{
public:
    FuseMount() = default;
    ~FuseMount();
    FuseMount(const FuseMount &) = delete;
    FuseMount &operator=(const FuseMount &) = delete;

    // Mounts the operations at the mount point (made when missing); `data`
    // is what fuse_get_context() gives them as private_data. On failure the
    // reason.
    QString mount(const char *name, const fuse_operations &operations, void *data, const QString &mountPoint);
    void unmount();

private:
    fuse *m_session = nullptr;
    QByteArray m_mountPoint;
    std::thread m_loop;
};
