#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

#include <sys/types.h>

// A FUSE file system served by a thread of the test's own process: it shows
// a backing folder at a mount point, as a network or user-space file system
// would, and, like many of them, makes no file without a name (no
// O_TMPFILE); it may also lack what many of them lack (Options). Hooks see
// every write before it is done, with the process that writes, so that a
// test can act as another process does at that moment, and answer reads and
// sizes as a flaky folder does. Needs /dev/fuse and the right to mount (root
// in a private mount namespace).
class PassthroughFuse
{
public:
    // path: the file's path from the top of the file system ("/dest/name");
    // offset: where the write begins; writer: the process that writes.
    using WriteHook = std::function<void(const QByteArray &path, off_t offset, pid_t writer)>;
    // Before a rename, link, unlink, look-up or opening ("rename", "link",
    // "unlink", "getattr", "open") of the path: 0 to do it, else the -errno
    // it fails with.
    using OperationHook = std::function<int(const char *operation, const QByteArray &path)>;
    // How many of the `size` bytes asked for at `offset` a read returns (no
    // more than there are). With it, files are read without the kernel's
    // cache, so that every read of a program reaches the file system.
    using ReadHook = std::function<size_t(const QByteArray &path, off_t offset, size_t size)>;
    // The size the file system reports for a file that holds `size` bytes.
    using SizeHook = std::function<off_t(const QByteArray &path, off_t size)>;

    // What the file system can do; by default all of it, with the backing
    // files' own inode numbers.
    struct Options
    {
        // Each name gets an inode number of its own, as in a file system
        // that knows its files by their paths: a hard link too.
        bool ownInodeNumbers = false;
        // A rename with flags (no-replace) fails with EINVAL.
        bool renameFlags = true;
        // A hard link fails with EPERM.
        bool hardLinks = true;
        // A change of owner answers done without being made.
        bool changesOwners = true;
        // No extended attributes at all, as on vfat: listing, reading and
        // setting them fails with EOPNOTSUPP.
        bool extendedAttributes = true;
        // Setting an extended attribute answers done without being made.
        bool setsAttributes = true;
        // Files show these rights whatever they were given, and a change of
        // mode answers done without being made, as many cloud folders do; 0:
        // the rights they have.
        mode_t shownMode = 0;
        // A rename answers done without being made.
        bool renames = true;
        // An unlink answers done without being made, as a folder that hides
        // an open file's name by a rename of its own does where that rename
        // does nothing.
        bool unlinks = true;
        // New files are made with these rights, whatever was asked; 0: as
        // asked. A change of mode still works.
        mode_t madeMode = 0;
        // A change of mode fails with this error; 0: it is made.
        int chmodError = 0;
        // A create makes the file, then fails with this error; 0: it works.
        int createError = 0;
    };

    PassthroughFuse();
    ~PassthroughFuse();
    PassthroughFuse(const PassthroughFuse &) = delete;
    PassthroughFuse &operator=(const PassthroughFuse &) = delete;

    // Shows the backing folder at the mount point; on failure the reason.
    QString mount(const QString &backing, const QString &mountPoint, const Options &options);
    QString mount(const QString &backing, const QString &mountPoint) { return mount(backing, mountPoint, Options()); }
    void unmount();

    // Called on the file system's thread.
    WriteHook beforeWrite;
    OperationHook beforeOperation;
    ReadHook answered;
    SizeHook reportedSize;

    struct State;

private:
    std::unique_ptr<State> m_state;
};
