#pragma once

#include "Records.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>
#include <QtGlobal>

#include <optional>

#include <sys/stat.h>

class ScanControl;

// Size text in binary units with one decimal, locale-free:
// "N bytes", "N.N KB", "N.N MB" or "N.N GB".
QString formatSize(quint64 bytes);

// The extension of the last path component (after its last dot), "" when it has
// none. A leading dot marks a hidden name, not an extension: ".profile" has none.
QString pathExtension(const QString &path);
// The last path component without its extension: "archive.tar.gz" gives "archive.tar".
QString nameWithoutExtension(const QString &path);

// Every file a scan of the root considers, in walk order: regular files and
// application bundles, hidden items, package contents and symbolic links left
// out. A root whose extension is exactly "app" gives itself alone. Absent when
// the root cannot be walked; a stop returns what was found so far.
std::optional<QList<QUrl>> enumerateFiles(const QUrl &in, const ScanControl *control = nullptr);

// Facts of the item itself, never of what a symbolic link points to.
std::optional<quint64> fileSize(const QString &atPath);
std::optional<QDateTime> fileModificationDate(const QString &atPath);

// The icon reference of an item: its MIME type name, resolved to a picture by the
// interface. Absent (with a line on standard output) when the item cannot be read.
std::optional<QString> fileIcon(const QUrl &forURL);

// The program's own short version ("CFBundleShortVersionString").
std::optional<QString> appVersionString();

// True when an application bundle directly inside "/Applications" carries the
// identifier (exact match). Nothing lies there on Linux, so this is false there.
bool isAppInstalled(const QString &bundleIdentifier);
// The same lookup in another folder.
bool isAppInstalled(const QString &bundleIdentifier, const QString &applicationsFolder);

// Opens a regular file for reading without ever blocking (a FIFO or device is
// refused before anything is read); -1 when the path is no regular file or cannot
// be opened. Symbolic links are followed only when asked.
int openRegularFileForReading(const QString &path, bool followLinks);
// The same with the path in its own bytes, relative to the open folder (or
// AT_FDCWD); the file's status, read once the file is open, goes to status
// when given.
int openRegularFile(int folder, const char *nativePath, bool followLinks, struct stat *status);

// Raises the process's soft limit of open descriptors to its hard limit, once:
// a scan holds many files open at a time.
void raiseDescriptorLimit();
// Descriptors this process can still open under its soft limit.
int freeDescriptors();

// The same, without following a final link, but when no descriptor is left
// it waits for one to come free (for a while, or until the run is stopped)
// instead of failing.
int openRegularFileWaiting(const QString &path, const ScanControl *control);
// The same with the path in its own bytes; the file's status goes to status when given.
int openRegularFileWaiting(const char *nativePath, const ScanControl *control, struct stat *status);

// The status of the item itself (lstat); nothing when it cannot be read.
std::optional<struct stat> itemStatus(const QString &path);

// The icon reference of an item from its status mode (st_mode).
QString iconReference(const QString &path, unsigned mode);
// The modification date of a status, in UTC to the millisecond.
QDateTime modificationDate(const struct stat &status);

// A shallow listing of one folder's visible children, with plain sizes.
struct Directory
{
    enum class FileOrder { Name, Date, Size };

    QList<Metadata> files;
    QUrl url;

    explicit Directory(const QUrl &url);
};

QString rawValue(Directory::FileOrder order);
std::optional<Directory::FileOrder> fileOrderFromRawValue(const QString &raw);
