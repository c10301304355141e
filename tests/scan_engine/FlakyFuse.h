#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

#include <sys/types.h>

// A read-only FUSE file system served by a thread of the test's own process:
// it shows a backing folder at a mount point with direct I/O, as network and
// cloud folders do, so that every read of a program reaches it and is
// answered as the test chooses. Needs /dev/fuse and the right to mount.
class FlakyFuse
{
public:
    // path: the file's path from the top of the file system ("/a.bin").
    // The size the file system reports for a file that holds `size` bytes.
    using SizeHook = std::function<off_t(const QByteArray &path, off_t size)>;
    // How many of the `size` bytes asked for at `offset` the read returns
    // (no more than there are); without a hook, all of them.
    using ReadHook = std::function<size_t(const QByteArray &path, off_t offset, size_t size)>;

    FlakyFuse();
    ~FlakyFuse();
    FlakyFuse(const FlakyFuse &) = delete;
    FlakyFuse &operator=(const FlakyFuse &) = delete;

    // Shows the backing folder at the mount point; on failure the reason.
    QString mount(const QString &backing, const QString &mountPoint);
    void unmount();

    // Called on the file system's thread.
    SizeHook reportedSize;
    ReadHook answered;

    struct State;

private:
    std::unique_ptr<State> m_state;
};
