#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

#include <sys/types.h>

// A FUSE file system served by a thread of the test's own process: it shows
// a backing folder at a mount point, as a network or user-space file system
// would, and, like many of them, makes no file without a name (no
// O_TMPFILE). A hook sees every write before it is done, with the process
// that writes, so that a test can act as another process does at that moment.
// Needs /dev/fuse and the right to mount (root in a private mount namespace).
class PassthroughFuse
{
public:
    // path: the file's path from the top of the file system ("/dest/name");
    // offset: where the write begins; writer: the process that writes.
    using WriteHook = std::function<void(const QByteArray &path, off_t offset, pid_t writer)>;

    PassthroughFuse();
    ~PassthroughFuse();
    PassthroughFuse(const PassthroughFuse &) = delete;
    PassthroughFuse &operator=(const PassthroughFuse &) = delete;

    // Shows the backing folder at the mount point; on failure the reason.
    QString mount(const QString &backing, const QString &mountPoint);
    void unmount();

    // Called on the file system's thread.
    WriteHook beforeWrite;

    struct State;

private:
    std::unique_ptr<State> m_state;
};
