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

// The whole contents of an open regular file whose size is at most
// maximumSize; nothing for anything else. Reads no more than the size the
// file had when it was opened, so a file that keeps growing cannot hold the
// reader.
std::optional<QByteArray> readRegularFile(int fd, qint64 maximumSize);

// The same for a path, opened without blocking; symbolic links are followed
// only when asked.
std::optional<QByteArray> readRegularFile(const QString &path, qint64 maximumSize, bool followLinks = true);

} // namespace FileReading
