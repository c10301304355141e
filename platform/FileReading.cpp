#include "FileReading.h"

#include <NativePath.h>

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace FileReading {

ssize_t readRetrying(int fd, void *buffer, size_t length)
{
    ssize_t count;
    do {
        count = ::read(fd, buffer, length);
    } while (count < 0 && errno == EINTR);
    return count;
}

qint64 readFully(int fd, char *buffer, qint64 length)
{
    qint64 filled = 0;
    while (filled < length) {
        const ssize_t count = readRetrying(fd, buffer + filled, size_t(length - filled));
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        filled += count;
    }
    return filled;
}

std::optional<QByteArray> readRegularFile(int fd, qint64 maximumSize)
{
    struct stat status {};
    if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size < 0
        || status.st_size > maximumSize)
        return std::nullopt;
    QByteArray data(qsizetype(status.st_size), Qt::Uninitialized);
    const qint64 filled = readFully(fd, data.data(), data.size());
    if (filled < 0)
        return std::nullopt;
    data.truncate(qsizetype(filled));
    return data;
}

std::optional<QByteArray> readRegularFile(const QString &path, qint64 maximumSize, bool followLinks)
{
    if (path.isEmpty())
        return std::nullopt;
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; the
    // status check then refuses it before anything is read.
    const int fd = ::open(NativePath::encode(path).constData(),
                          O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW));
    if (fd < 0)
        return std::nullopt;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    auto data = readRegularFile(fd, maximumSize);
    ::close(fd);
    return data;
}

} // namespace FileReading
