#include "FileFacts.h"

#include <NativePath.h>

#include "BundleInfo.h"
#include "FileWalker.h"
#include "ScanControl.h"

#include <MainBundle.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QMutex>

#include <cerrno>
#include <cstdio>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

QString formatSize(quint64 bytes)
{
    // Single-precision arithmetic on a whole number of kilobytes. QString::number
    // never follows the user's locale (QCoreApplication sets the C library's
    // locale, so printf would), so the decimal separator is always a point.
    if (bytes <= 1022)
        return QString::number(bytes) + QStringLiteral(" bytes");
    const float kb = static_cast<float>(bytes >> 10);
    if (bytes <= 1047551)
        return QString::number(static_cast<double>(kb), 'f', 1) + QStringLiteral(" KB");
    const float mb = kb * 0.0009765625f;
    if (mb < 1023.0f)
        return QString::number(static_cast<double>(mb), 'f', 1) + QStringLiteral(" MB");
    const float gb = mb * 0.0009765625f;
    return QString::number(static_cast<double>(gb), 'f', 1) + QStringLiteral(" GB");
}

namespace {

// The last path component and where its extension's dot stands (-1 for none): a
// leading dot marks a hidden name and a trailing one starts no extension.
std::pair<QString, qsizetype> nameAndExtensionDot(const QString &path)
{
    const QString name = QFileInfo(QDir::cleanPath(path)).fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return {name, dot > 0 && dot < name.size() - 1 ? dot : -1};
}

} // namespace

QString pathExtension(const QString &path)
{
    const auto [name, dot] = nameAndExtensionDot(path);
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString nameWithoutExtension(const QString &path)
{
    const auto [name, dot] = nameAndExtensionDot(path);
    return dot < 0 ? name : name.left(dot);
}

std::optional<QList<QUrl>> enumerateFiles(const QUrl &in, const ScanControl *control)
{
    if (!in.isLocalFile())
        return std::nullopt;
    QList<QUrl> files;
    const bool walked = walkFiles(in.toLocalFile(), control,
                                  [&files](const WalkedFile &file) { files.append(QUrl::fromLocalFile(file.path)); });
    if (!walked)
        return std::nullopt;
    return files;
}

std::optional<struct stat> itemStatus(const QString &path)
{
    struct stat status {};
    if (path.isEmpty() || ::lstat(NativePath::encode(QDir::cleanPath(path)).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

std::optional<quint64> fileSize(const QString &atPath)
{
    const auto status = itemStatus(atPath);
    if (!status || status->st_size < 0)
        return std::nullopt;
    return quint64(status->st_size);
}

std::optional<QDateTime> fileModificationDate(const QString &atPath)
{
    const auto status = itemStatus(atPath);
    if (!status)
        return std::nullopt;
    return modificationDate(*status);
}

QString iconReference(const QString &path, unsigned mode)
{
    // Names only, never contents: the reference is made for every candidate.
    static const QMimeDatabase database;
    if (S_ISDIR(mode))
        return QStringLiteral("inode/directory");
    if (S_ISLNK(mode))
        return QStringLiteral("inode/symlink");
    if (S_ISFIFO(mode))
        return QStringLiteral("inode/fifo");
    if (S_ISCHR(mode))
        return QStringLiteral("inode/chardevice");
    if (S_ISBLK(mode))
        return QStringLiteral("inode/blockdevice");
    if (S_ISSOCK(mode))
        return QStringLiteral("inode/socket");
    // Looking a name up runs the database's glob patterns, which is slow next
    // to everything else done per file; the answer depends on the extensions
    // alone, so it is kept per extension (from the first dot on: ".tar.gz").
    static QMutex cacheMutex;
    static QHash<QString, QString> cache;
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.indexOf(QLatin1Char('.'), 1);
    const QString key = dot > 0 ? name.mid(dot) : name;
    {
        QMutexLocker locker(&cacheMutex);
        const auto it = cache.constFind(key);
        if (it != cache.cend())
            return *it;
    }
    // The database is looked up without holding the cache, so that threads
    // whose extensions are known already go on meanwhile.
    const QString reference = database.mimeTypeForFile(dot > 0 ? QStringLiteral("x") + key : key,
                                                       QMimeDatabase::MatchExtension).name();
    QMutexLocker locker(&cacheMutex);
    return *cache.insert(key, reference);
}

std::optional<QString> fileIcon(const QUrl &forURL)
{
    const QString path = forURL.isLocalFile() ? forURL.toLocalFile() : QString();
    const auto status = itemStatus(path);
    if (!status) {
        std::fputs("Error reading file attributes\n", stdout);
        std::fflush(stdout);
        return std::nullopt;
    }
    return iconReference(path, status->st_mode);
}

std::optional<QString> appVersionString()
{
    const auto info = MainBundle::infoDictionary();
    if (!info)
        return std::nullopt;
    const QVariant version = info->value(QStringLiteral("CFBundleShortVersionString"));
    if (version.typeId() != QMetaType::QString)
        return std::nullopt;
    return version.toString();
}

bool isAppInstalled(const QString &bundleIdentifier)
{
    return isAppInstalled(bundleIdentifier, QStringLiteral("/Applications"));
}

bool isAppInstalled(const QString &identifier, const QString &applicationsFolder)
{
    // Only the folder's own entries count, not applications in its subfolders.
    const QDir folder(applicationsFolder);
    if (!folder.exists())
        return false;
    const QStringList entries = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        if (bundleIdentifier(folder.filePath(entry)) == identifier)
            return true;
    }
    return false;
}

int openRegularFileForReading(const QString &path, bool followLinks)
{
    if (path.isEmpty())
        return -1;
    return openRegularFile(AT_FDCWD, NativePath::encode(path).constData(), followLinks, nullptr);
}

int openRegularFile(int folder, const char *nativePath, bool followLinks, struct stat *status)
{
    if (!nativePath || !*nativePath)
        return -1;
    // O_NONBLOCK keeps the open of a FIFO from waiting for a writer; a regular
    // file then reads as usual.
    const int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | (followLinks ? 0 : O_NOFOLLOW);
    const int fd = ::openat(folder, nativePath, flags);
    if (fd < 0)
        return -1;
    struct stat own {};
    struct stat &facts = status ? *status : own;
    if (::fstat(fd, &facts) != 0 || !S_ISREG(facts.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    // Only the status flags change here, and of them only O_NONBLOCK was set.
    ::fcntl(fd, F_SETFL, O_RDONLY);
    return fd;
}

int openRegularFileWaiting(const QString &path, const ScanControl *control)
{
    if (path.isEmpty())
        return -1;
    return openRegularFileWaiting(NativePath::encode(path).constData(), control, nullptr);
}

int openRegularFileWaiting(const char *nativePath, const ScanControl *control, struct stat *status)
{
    QElapsedTimer waited;
    for (;;) {
        const int fd = openRegularFile(AT_FDCWD, nativePath, false, status);
        if (fd >= 0 || (errno != EMFILE && errno != ENFILE))
            return fd;
        if (!waited.isValid())
            waited.start();
        if (waited.elapsed() > 30000)
            return -1;
        if (control && control->isAbort())
            return -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void raiseDescriptorLimit()
{
    static std::once_flag raised;
    std::call_once(raised, [] {
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
            limit.rlim_cur = limit.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &limit);
        }
    });
}

int freeDescriptors()
{
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    int open = 0;
    if (DIR *dir = ::opendir("/proc/self/fd")) {
        while (const dirent *entry = ::readdir(dir)) {
            if (entry->d_name[0] != '.')
                ++open;
        }
        ::closedir(dir);
    }
    const rlim_t soft = std::min<rlim_t>(limit.rlim_cur, rlim_t(1) << 30);
    return int(std::max<qint64>(0, qint64(soft) - open));
}

QDateTime modificationDate(const struct stat &status)
{
    const qint64 milliseconds = qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000;
    return QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC);
}

QString rawValue(Directory::FileOrder order)
{
    switch (order) {
    case Directory::FileOrder::Name: return QStringLiteral("Name");
    case Directory::FileOrder::Date: return QStringLiteral("Date");
    case Directory::FileOrder::Size: return QStringLiteral("Size");
    }
    return {};
}

std::optional<Directory::FileOrder> fileOrderFromRawValue(const QString &raw)
{
    for (const auto order : {Directory::FileOrder::Name, Directory::FileOrder::Date, Directory::FileOrder::Size}) {
        if (raw == rawValue(order))
            return order;
    }
    return std::nullopt;
}
