#include "KRBFileFunctions.h"

#include "FileFacts.h"
#include "FileWalker.h"
#include "ProcessState.h"
#include "Records.h"

#include <NotificationCenter.h>

#include <QFile>
#include <QVariantMap>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::atomic<bool> folderSizeStopFlag{false};

namespace {

thread_local quint64 folderSizeRun = 0;

void reportUnopenedFolder(const std::string &path, int error)
{
    std::fprintf(stderr, "could not open directory '%s'\n", path.c_str());
    std::fprintf(stderr, "error is %d/%s\n", error, std::strerror(error));
}

// Folders are opened relative to their parent, so no path is ever cut short and
// a deep tree is measured in full. Links are counted by their own size and never
// followed; a folder already on the way down (a bind mount of an ancestor) is not
// entered again.
class FolderSizeWalk
{
public:
    explicit FolderSizeWalk(const char *path) : m_path(path) {}

    quint64 walkRoot()
    {
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            reportUnopenedFolder(m_path, errno);
            return 0;
        }
        return walkFolder(fd);
    }

private:
    // Measures the open folder at m_path and closes it.
    quint64 walkFolder(int fd)
    {
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            const int error = errno;
            ::close(fd);
            reportUnopenedFolder(m_path, error);
            return 0;
        }
        if (folderSizeStopFlag.load(std::memory_order_acquire)) {
            ::closedir(dir);
            return 0;
        }
        NotificationCenter::defaultCenter().post(QString::fromLatin1(kFolderSizeRetriveNotification),
                                                 {{QStringLiteral("path"), QFile::decodeName(m_path.c_str())},
                                                  {QStringLiteral("run"), folderSizeRun}});

        const int folder = ::dirfd(dir);
        struct stat status {};
        const bool known = ::fstat(folder, &status) == 0;
        if (known)
            m_ancestors.push_back({quint64(status.st_dev), quint64(status.st_ino)});

        quint64 total = 0;
        const size_t pathLength = m_path.size();
        while (const dirent *entry = ::readdir(dir)) {
            const char *name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
                continue;
            if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0) {
                const int error = errno;
                std::fprintf(stderr, "could not stat '%s': %d/%s\n", name, error, std::strerror(error));
                continue;
            }
            if (!S_ISDIR(status.st_mode)) {
                total += status.st_size > 0 ? quint64(status.st_size) : 0;
                continue;
            }
            const FileIdentity identity{quint64(status.st_dev), quint64(status.st_ino)};
            if (std::find(m_ancestors.begin(), m_ancestors.end(), identity) != m_ancestors.end())
                continue;
            if (pathLength != 1 || m_path[0] != '/')
                m_path += '/';
            m_path += name;
            const int child = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            if (child < 0)
                reportUnopenedFolder(m_path, errno);
            else
                total += walkFolder(child);
            m_path.resize(pathLength);
        }
        if (known)
            m_ancestors.pop_back();
        ::closedir(dir);
        return total;
    }

    std::string m_path;
    std::vector<FileIdentity> m_ancestors;
};

} // namespace

quint64 currentFolderSizeRun()
{
    return folderSizeRun;
}

FolderSizeRunScope::FolderSizeRunScope(quint64 run)
    : m_previous(folderSizeRun)
{
    folderSizeRun = run;
}

FolderSizeRunScope::~FolderSizeRunScope()
{
    folderSizeRun = m_previous;
}

quint64 folderSizeAtPath(const char *path)
{
    if (!path)
        return 0;
    FolderSizeWalk walk(path);
    return walk.walkRoot();
}

QString KRBFileFunctions::getFolderSize(const QString &path)
{
    return QString::number(folderSizeAtPath(QFile::encodeName(path).constData()));
}

void KRBFileFunctions::initScan()
{
    folderSizeStopFlag.store(false, std::memory_order_release);
}

void KRBFileFunctions::stopScan()
{
    folderSizeStopFlag.store(true, std::memory_order_release);
}

QString KRBFileFunctions::getFileSize(const QString &path)
{
    return QString::number(fileSize(path).value_or(0));
}

QStringList KRBFileFunctions::getFilesListFromDirectoryPath(const QString &path)
{
    QStringList files;
    walkAllRegularFiles(path, [&files](const QString &file) { files.append(file); });
    return files;
}

bool KRBFileFunctions::isApplicationRunning(const QString &bundleIdentifier)
{
    Q_UNUSED(bundleIdentifier);
    return false;
}
