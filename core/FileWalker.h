#pragma once

#include "Candidates.h"
#include "Records.h"
#include "ScanPaths.h"

#include <QString>
#include <QtGlobal>

#include <functional>

#include <sys/stat.h>

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

// What a scan keeps of its walk: the filters of the run, applied to each
// visited item as it is met.
struct ScanWalkFilter
{
    // Files of this size or smaller are left out (bundles are not measured).
    quint64 minimumSize = 0;
    // Lower-case extensions whose files are left out (bundles excepted).
    QStringList ignoredExtensions;
    // Folders and files left out with everything inside them.
    IgnoreRules ignore;
};

// Walks the root as walkFiles() does, listing folders on several threads,
// and appends to the list only the visited items that pass the filter, in
// walk order, whatever the threads' timing. visits receives the number of
// items visited (kept or not); each kept candidate's ordinal is its place
// among them. Returns false when the root cannot be walked.
bool walkScanCandidates(const QString &rootPath, const ScanControl *control, const ScanWalkFilter &filter,
                        int threads, CandidateList &into, quint64 &visits, qint64 *unreadable = nullptr);

// Appends the file (a root that is a regular file, with its own status) when
// it passes the filter.
bool addScanCandidate(const QString &path, const struct stat &status, const ScanWalkFilter &filter, CandidateList &into);
