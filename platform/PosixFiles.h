#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <sys/stat.h>

// Small pieces that the file operations on native byte paths share.
namespace PosixFiles {

// The system's words for an errno value.
QString errorText(int error);

// The folder that holds the path ("/" for a path right under the root or
// without a slash), and the path's last component.
QByteArray parentOf(const QByteArray &path);
QByteArray lastComponent(const QByteArray &path);

// write(2) until every byte is written, repeated while a signal interrupts
// it; false on a real error.
bool writeFully(int fd, const char *data, qint64 size);
inline bool writeFully(int fd, const QByteArray &data)
{
    return writeFully(fd, data.constData(), data.size());
}

// rename(2) between entries of open folders that fails with EEXIST instead
// of replacing what lies at the target (RENAME_NOREPLACE).
int renameNoReplace(int fromFolder, const QByteArray &from, int toFolder, const QByteArray &to);
// Whether renameNoReplace failed because the file system has no such rename
// (NFS, many FUSE ones).
bool noNoReplaceRename(int error);
// A plain rename at once after the target was seen free, for a file system
// without the no-replace rename: nothing that lay there when it looked is
// replaced. Fails with EEXIST when the target is taken.
int renameIfFree(int fromFolder, const QByteArray &from, int toFolder, const QByteArray &to);
// renameNoReplace, else, where the file system has none, renameIfFree.
int renameWithoutReplacing(int fromFolder, const QByteArray &from, int toFolder, const QByteArray &to);

// What both names of a rename show once it was answered as done, each looked
// at by its name: some file systems (FUSE and network ones) answer a rename
// they did not make.
struct RenameSeen
{
    // Something lies at the new name; `target` is its status.
    bool atTarget = false;
    struct stat target {};
    // The old name still holds the item: its identity, or, as where a file
    // system numbers each name on its own, its kind, size and time.
    bool atSource = false;
    // The old name holds another item.
    bool otherAtSource = false;
    // The name that could not be looked at, and why (0: both were).
    int targetError = 0;
    int sourceError = 0;

    // The item left its old name for the new one.
    bool moved() const { return atTarget && !atSource && targetError == 0 && sourceError == 0; }
};
RenameSeen lookAfterRename(int fromFolder, const QByteArray &from, int toFolder, const QByteArray &to,
                           const struct stat &item);
// What a report says of a rename that did not move the item, as it was seen:
// `act` names the rename ("the move to the Trash"), the paths both names.
QString renameNotMade(const RenameSeen &seen, const QString &act, const QString &fromPath, const QString &toPath);
// What a report says of `what` (say "it") renamed from `to` back to
// `from`, as `back` saw both names: nothing when it is back, else why it
// could not be put back and where it was seen. `stays`: whether `to` may
// still hold it.
QString notPutBack(const RenameSeen &back, const QString &what, const QString &toPath, const QString &fromPath,
                   bool &stays);
// What a name shows once its removal was answered as done, looked at by its
// name: some file systems answer an unlink they did not make.
struct UnlinkSeen
{
    // Something is still there; `left` is its status.
    bool atName = false;
    struct stat left {};
    // What is there is the item whose status was `item`: its identity, or,
    // as where a file system numbers each name on its own, its kind, size
    // and time.
    bool holdsItem = false;
    // Why the name could not be looked at (0: it was).
    int error = 0;

    bool gone() const { return !atName && error == 0; }
};
UnlinkSeen lookAfterUnlink(int folder, const QByteArray &name, const struct stat &item);
// What a report says of `act` (say "its deletion"), an unlink of `path`
// answered as done, as `seen` saw the name afterwards; nothing once it is gone.
QString unlinkNotMade(const UnlinkSeen &seen, const QString &act, const QString &path);

// Puts `what`, renamed to `to`, back at `from`, never replacing anything,
// and looks at both names; the same answer as notPutBack.
QString putBack(int toFolder, const QByteArray &to, const QString &toPath, int fromFolder, const QByteArray &from,
                const QString &fromPath, const QString &what, bool &stays);

} // namespace PosixFiles
