#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

#include <sys/types.h>

// Reading files the program did not make: never blocking on a FIFO or a
// device, never reading more than a bound, and never cut short by a signal.
namespace FileReading {

// read(2), repeated while a signal interrupts it: -1 only for a real error.
ssize_t readRetrying(int fd, void *buffer, size_t length);

// Fills the buffer from the descriptor until it is full or the file ends;
// the number of bytes read, or -1 on an error.
qint64 readFully(int fd, char *buffer, qint64 length);

// pread(2) from the offset until the buffer is full or the file ends: a
// short read is read on, as some file systems (network and FUSE folders)
// answer a read in pieces. The number of bytes read, or -1 on an error.
qint64 preadFully(int fd, char *buffer, qint64 length, qint64 offset);

// Reads an open file from where it stands (or from a given offset) against
// the size it was listed with. It counts as read only when every read up to
// that size returned its bytes and the file ends there: a file that ends
// early, or holds more than listed (a stale size, a flaky network or FUSE
// folder), is not the file that was listed, whatever its bytes so far. Short
// reads are read on.
class ListedSizeReader
{
public:
    ListedSizeReader() = default;
    // left: the bytes the file holds from where the reading starts, as
    // listed; device: the file's device (st_dev; with 0 the end is always
    // told by a read that finds nothing); from: the offset to start at (read
    // with pread, the descriptor's position left alone), or -1 for where the
    // descriptor stands.
    ListedSizeReader(int fd, quint64 left, quint64 device, qint64 from = -1);

    // Reads the next bytes of the file into the buffer: as many as the
    // length (more than 0) and what is left of the listed size allow. 0 once
    // all of them have been read and the file has been seen to end there; -1
    // on a read error or when the file is not of its listed size. Where the
    // buffer has room, the read that takes the last bytes asks for one more,
    // so that it sees a file that holds more, or on most file systems its end,
    // without a read of its own.
    qint64 read(char *buffer, qint64 length);

    // The file was read whole: every listed byte, and its end right after.
    bool isWhole() const { return m_whole; }

private:
    int m_fd = -1;
    quint64 m_left = 0;
    quint64 m_device = 0;
    qint64 m_position = -1;
    bool m_whole = false;
    bool m_failed = false;
};

// The whole contents of an open regular file whose size is at most
// maximumSize; nothing for anything else. Reads no more than the size the
// file had when it was opened, so a file that keeps growing cannot hold the
// reader.
std::optional<QByteArray> readRegularFile(int fd, qint64 maximumSize);

// The same for a path, opened without blocking; symbolic links are followed
// only when asked.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 maximumSize, bool followLinks = true);

} // namespace FileReading
