#pragma once

#include <QByteArray>
#include <QList>
#include <QtGlobal>

// The mounts this process sees, as the kernel lists them in its mount table
// (/proc/self/mountinfo).
namespace MountTable {

struct Mount
{
    // The mount's own number, as statx(2) gives it for what lies on it.
    quint64 id = 0;
    // The "major:minor" of its file system; every mount of one file system shares it.
    QByteArray device;
    // The folder of its file system that the mount shows ("/" for all of it).
    QByteArray root;
    QByteArray mountPoint;
    QByteArray type;
    // The file system's own options, unescaped one by one: "name=value" or "name".
    QList<QByteArray> superOptions;
};

// The mount table, read once; empty when it cannot be read.
QList<Mount> read();

// A field as the mount table writes it: space, tab, newline, backslash and,
// in options, comma and equals sign as three octal digits after a backslash.
QByteArray unescape(const QByteArray &field);

} // namespace MountTable
