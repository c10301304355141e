#include "FileReading.h"

#include <NativePath.h>

#include <QFile>

#include <algorithm>
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

namespace {

// Reads with `step` (a read at a count of bytes already read) until the
// buffer is full or the file ends; the number of bytes read, or -1 on an error.
template<typename Step>
qint64 fill(char *buffer, qint64 length, const Step &step)
{
    qint64 filled = 0;
    while (filled < length) {
        ssize_t count;
        do {
            count = step(buffer + filled, size_t(length - filled), filled);
        } while (count < 0 && errno == EINTR);
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        filled += count;
    }
    return filled;
}

} // namespace

qint64 readFully(int fd, char *buffer, qint64 length)
{
    return fill(buffer, length, [fd](char *at, size_t count, qint64) { return ::read(fd, at, count); });
}

qint64 preadFully(int fd, char *buffer, qint64 length, qint64 offset)
{
    return fill(buffer, length,
                [fd, offset](char *at, size_t count, qint64 filled) { return ::pread(fd, at, count, offset + filled); });
}

bool endsAt(int fd, qint64 offset)
{
    char byte;
    return preadFully(fd, &byte, 1, offset) == 0;
}

ListedSizeReader::ListedSizeReader(int fd, quint64 listedSize)
    : m_fd(fd)
    , m_left(listedSize)
{
}

qint64 ListedSizeReader::read(char *buffer, qint64 length)
{
    if (m_failed || length <= 0)
        return -1;
    if (m_whole)
        return 0;
    if (m_left == 0) {
        // Only a read that finds nothing tells the end: a short read may be
        // one piece of an answer, and a stale size may hide more bytes.
        char byte;
        const ssize_t count = readRetrying(m_fd, &byte, 1);
        m_whole = count == 0;
        m_failed = !m_whole;
        return m_whole ? 0 : -1;
    }
    const qint64 want = qint64(std::min(quint64(length), m_left));
    const qint64 filled = readFully(m_fd, buffer, want);
    if (filled < want) {
        // An error, or an end before the listed size.
        m_failed = true;
        return -1;
    }
    m_left -= quint64(filled);
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
