#include "FileReading.h"

#include <NativePath.h>

#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>
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

ssize_t preadRetrying(int fd, void *buffer, size_t length, qint64 offset)
{
    ssize_t count;
    do {
        count = ::pread(fd, buffer, length, offset);
    } while (count < 0 && errno == EINTR);
    return count;
}

// Reads with `step` (a read at a count of bytes already read) until the
// buffer is full or the file ends; the number of bytes read, or -1 on an error.
template<typename Step>
qint64 fill(char *buffer, qint64 length, const Step &step)
{
    qint64 filled = 0;
    while (filled < length) {
        const ssize_t count = step(buffer + filled, size_t(length - filled), filled);
        if (count < 0)
            return -1;
        if (count == 0)
            break;
        filled += count;
    }
    return filled;
}

// On a file system kept on a block device (FUSE's aside) a read goes through
// the kernel's cache and stops only at the size the kernel knows, the one a
// status gives: a read answered short there has met the file's end. FUSE,
// network and other virtual file systems may answer a read in pieces and may
// know more bytes than the size they report, so there only a read that finds
// nothing tells the end. Each thread remembers its last device: a block
// device keeps its file system while it is mounted.
bool shortReadsMeetTheEnd(int fd, quint64 device)
{
    if (major(dev_t(device)) == 0)
        return false;
    thread_local quint64 lastDevice = 0;
    thread_local bool lastAnswer = false;
    if (device != lastDevice) {
        struct statfs status {};
        lastAnswer = ::fstatfs(fd, &status) == 0 && status.f_type != FUSE_SUPER_MAGIC;
        lastDevice = device;
    }
    return lastAnswer;
}

} // namespace

qint64 readFully(int fd, char *buffer, qint64 length)
{
    return fill(buffer, length, [fd](char *at, size_t count, qint64) { return readRetrying(fd, at, count); });
}

qint64 preadFully(int fd, char *buffer, qint64 length, qint64 offset)
{
    return fill(buffer, length, [fd, offset](char *at, size_t count, qint64 filled) {
        return preadRetrying(fd, at, count, offset + filled);
    });
}

ListedSizeReader::ListedSizeReader(int fd, quint64 left, quint64 device, qint64 from)
    : m_fd(fd)
    , m_left(left)
    , m_device(device)
    , m_position(from)
{
}

qint64 ListedSizeReader::read(char *buffer, qint64 length)
{
    if (m_failed || length <= 0)
        return -1;
    if (m_whole)
        return 0;
    const bool roomForMore = quint64(length) > m_left;
    const qint64 want = roomForMore ? qint64(m_left) + 1 : length;
    qint64 filled = 0;
    while (filled < want) {
        const ssize_t count = m_position < 0
            ? readRetrying(m_fd, buffer + filled, size_t(want - filled))
            : preadRetrying(m_fd, buffer + filled, size_t(want - filled), m_position + filled);
        if (count < 0)
            break;
        if (count == 0) {
            // The end: right where it was listed, or early.
            m_whole = quint64(filled) == m_left;
            break;
        }
        filled += count;
        if (quint64(filled) == m_left && filled < want && shortReadsMeetTheEnd(m_fd, m_device)) {
            m_whole = true;
            break;
        }
    }
    // A read error, an end before the listed size, or more bytes than listed.
    if (!m_whole && filled != want) {
        m_failed = true;
        return -1;
    }
    if (quint64(filled) > m_left) {
        m_failed = true;
        return -1;
    }
    m_left -= quint64(filled);
    if (m_position >= 0)
        m_position += filled;
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
