#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

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

} // namespace PosixFiles
