#pragma once

#include "Records.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class ScanControl;

// One item met by the walk, with the facts of the item itself (never of what a
// symbolic link points to).
struct WalkedFile
{
    QString path;           // absolute path of the item
    quint64 size = 0;       // its own size in bytes (for a bundle directory: not measured)
    FileIdentity identity;  // device and inode
    qint64 modified = 0;    // modification time in nanoseconds since the epoch
    quint32 mode = 0;       // its status mode (type and permissions)
    bool isDirectory = false;
};

// Visits exactly the items that enumerateFiles() lists for the root, in the same
// order and with the same repeats (a regular file named x.app is visited twice).
// Returns false when the root cannot be walked at all. Stops early, returning
// true, when the control (may be null) is stopped. Every entry that could not
// be read and every folder that could not be entered (no permission, no
// descriptor left, a folder replaced meanwhile) is added to unreadable, when
// given; an entry that vanished is not.
bool walkFiles(const QString &rootPath, const ScanControl *control,
               const std::function<void(const WalkedFile &)> &visit, qint64 *unreadable = nullptr);

// Every regular file under the folder at any depth, hidden ones and package
// contents included, symbolic links not followed; full paths in walk order.
// False when the folder cannot be walked.
bool walkAllRegularFiles(const QString &rootPath, const std::function<void(const QString &)> &visit);
