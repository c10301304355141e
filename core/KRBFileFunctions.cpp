#include "KRBFileFunctions.h"

#include <NativePath.h>

#include "FileFacts.h"
#include "FileWalker.h"
#include "FolderTree.h"
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
    explicit FolderSizeWalk(const char *path)
        : m_tree(*this)
    {
        m_tree.path() = path;
    }

    quint64 walkRoot()
    {
        const int fd = ::open(m_tree.path().c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            reportUnopenedFolder(m_tree.path(), errno);
            return 0;
        }
        m_tree.walkFolder(fd);
        return m_total;
    }

    // The tree's visitor.
    bool skipHidden() const { return false; }

    bool enterFolder(int)
    {
        // A stopped walk counts every folder entered from then on as empty.
        if (folderSizeStopFlag.load(std::memory_order_acquire))
            return false;
        NotificationCenter::defaultCenter().post(QString::fromLatin1(kFolderSizeRetriveNotification),
                                                 {{QStringLiteral("path"), NativePath::decode(m_tree.path())},
                                                  {QStringLiteral("run"), folderSizeRun}});
        return true;
    }

    void folderFailed(int error) { reportUnopenedFolder(m_tree.path(), error); }

    bool visitEntry(int folder, std::string_view name, unsigned char)
    {
        const std::string &path = m_tree.path();
        const char *entryName = path.c_str() + (path.size() - name.size());
        struct stat status {};
        if (::fstatat(folder, entryName, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            const int error = errno;
            std::fprintf(stderr, "could not stat '%s': %d/%s\n", entryName, error, std::strerror(error));
            return true;
        }
        if (S_ISDIR(status.st_mode))
            m_tree.descend(folder, entryName);
        else
            m_total += status.st_size > 0 ? quint64(status.st_size) : 0;
        return true;
    }

private:
    FolderTree<FolderSizeWalk> m_tree;
    quint64 m_total = 0;
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
    return QString::number(folderSizeAtPath(NativePath::encode(path).constData()));
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
