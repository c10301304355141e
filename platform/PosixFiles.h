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

} // namespace PosixFiles
