#include "FileWalker.h"

#include <NativePath.h>

#include "FolderTree.h"
#include "ScanControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What the walk lists and where it descends.
enum class Mode {
    // The scan's rule: visible regular files and application bundles, packages
    // taken whole or left out, two path texts excluded.
    Scan,
    // Every regular file at any depth.
    AllRegular,
};

// The extension of a name (after its last dot, never a leading one).
std::string_view extensionOf(std::string_view name)
{
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return name.substr(dot + 1);
}

bool equalsIgnoringAsciiCase(std::string_view text, std::string_view lowerCase)
{
    if (text.size() != lowerCase.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != lowerCase[i])
            return false;
    }
    return true;
}

bool containsIgnoringAsciiCase(std::string_view text, std::string_view lowerCase)
{
    if (lowerCase.size() > text.size())
        return false;
    for (size_t start = 0; start + lowerCase.size() <= text.size(); ++start) {
        if (equalsIgnoringAsciiCase(text.substr(start, lowerCase.size()), lowerCase))
            return true;
    }
    return false;
}

// Files of the Photo Booth library and of iTunes folders are never candidates.
// On the file's URL text the test reads "photo%20booth%20library" and "/itunes";
// a space is the only character of these texts that a URL encodes.
bool isExcludedByPathText(std::string_view path)
{
    return containsIgnoringAsciiCase(path, "photo booth library") || containsIgnoringAsciiCase(path, "/itunes");
}

FileIdentity identityOf(const struct stat &status)
{
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

class Walker
{
public:
    Walker(Mode mode, const ScanControl *control, const std::function<void(const WalkedFile &)> &visit)
        : m_mode(mode), m_control(control), m_visit(visit), m_tree(*this)
    {
    }

    bool walkRoot(const QString &rootPath)
    {
        const QString cleaned = QDir::cleanPath(QFileInfo(rootPath).absoluteFilePath());
        std::string &path = m_tree.path();
        path = NativePath::encode(cleaned).toStdString();

        if (m_mode == Mode::Scan && extensionOf(lastComponent(path)) == "app") {
            // An application bundle chosen as a root is one candidate, whatever it holds.
            WalkedFile file;
            file.path = cleaned;
            struct stat status {};
            if (::lstat(path.c_str(), &status) == 0)
                fillFacts(file, status);
            m_visit(file);
            return true;
        }

        // The root itself may be a link to the folder the user chose.
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        m_tree.walkFolder(fd);
        return true;
    }

    // The tree's visitor.
    bool skipHidden() const { return m_mode == Mode::Scan; }
    bool enterFolder(int) { return true; }
    void folderFailed(int error) { countFailure(error); }

    bool visitEntry(int folder, std::string_view name, unsigned char type)
    {
        if (m_control && m_control->isAbort())
            return false;
        visitEntryOf(folder, type, name);
        return true;
    }

private:
    static std::string_view lastComponent(std::string_view path)
    {
        const size_t slash = path.rfind('/');
        return slash == std::string_view::npos ? path : path.substr(slash + 1);
    }

    static void fillFacts(WalkedFile &file, const struct stat &status)
    {
        file.size = status.st_size > 0 ? quint64(status.st_size) : 0;
        file.identity = identityOf(status);
        file.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
        file.mode = quint32(status.st_mode);
        file.isDirectory = S_ISDIR(status.st_mode);
    }

public:
    qint64 unreadable() const { return m_unreadable; }

private:
    // Something that was there could not be read: counted, so that a scan
    // never looks complete while it skipped it. What vanished is not lost.
    void countFailure(int error)
    {
        if (error != ENOENT)
            ++m_unreadable;
    }

    void visitCurrent(const struct stat &status)
    {
        const std::string &path = m_tree.path();
        m_file.path = NativePath::decode(QByteArrayView(path.data(), qsizetype(path.size())));
        fillFacts(m_file, status);
        m_visit(m_file);
    }

    void visitEntryOf(int folder, unsigned char type, std::string_view name)
    {
        const std::string &path = m_tree.path();
        const std::string_view extension = m_mode == Mode::Scan ? extensionOf(name) : std::string_view();
        const bool isBundleName = extension == "app";
        const bool isPackageName = m_mode == Mode::Scan
            && (equalsIgnoringAsciiCase(extension, "app") || equalsIgnoringAsciiCase(extension, "photoslibrary"));
        const char *entryName = path.c_str() + (path.size() - name.size());

        // Most entries are decided by the directory entry's type alone; only the
        // listed ones (and entries of unknown type) cost a status call.
        if (type != DT_UNKNOWN && type != DT_REG && type != DT_DIR)
            return;
        if (type == DT_DIR && !isBundleName) {
            if (!isPackageName)
                descend(folder, entryName);
            return;
        }

        struct stat status {};
        if (::fstatat(folder, entryName, &status, AT_SYMLINK_NOFOLLOW) != 0) {
            countFailure(errno); // vanished, or unreadable: passed over
            return;
        }
        if (S_ISDIR(status.st_mode)) {
            if (isBundleName)
                visitCurrent(status);
            else if (!isPackageName)
                descend(folder, entryName);
            return;
        }
        if (!S_ISREG(status.st_mode))
            return;
        if (m_mode == Mode::AllRegular) {
            visitCurrent(status);
            return;
        }
        // A regular file named like a bundle is taken once as a bundle and once
        // as a file.
        if (isBundleName)
            visitCurrent(status);
        if (!isExcludedByPathText(path))
            visitCurrent(status);
    }

    void descend(int folder, const char *entryName) { m_tree.descend(folder, entryName); }

    const Mode m_mode;
    const ScanControl *const m_control;
    const std::function<void(const WalkedFile &)> &m_visit;
    WalkedFile m_file;
    qint64 m_unreadable = 0;
    FolderTree<Walker> m_tree;
};

} // namespace

bool walkFiles(const QString &rootPath, const ScanControl *control,
               const std::function<void(const WalkedFile &)> &visit, qint64 *unreadable)
{
    Walker walker(Mode::Scan, control, visit);
    const bool walked = walker.walkRoot(rootPath);
    if (unreadable)
        *unreadable += walker.unreadable();
    return walked;
}

bool walkAllRegularFiles(const QString &rootPath, const std::function<void(const QString &)> &visit)
{
    const std::function<void(const WalkedFile &)> visitFile = [&visit](const WalkedFile &file) { visit(file.path); };
    Walker walker(Mode::AllRegular, nullptr, visitFile);
    return walker.walkRoot(rootPath);
}
