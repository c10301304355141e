#include "FileWalker.h"

#include <NativePath.h>

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

// The names of one folder in byte order, kept in one buffer per folder so that
// the walk allocates nothing per entry.
class FolderEntries
{
public:
    struct Entry
    {
        size_t offset;
        size_t length;
        unsigned char type;
    };

    // False when the listing ended on an error (what was read is kept).
    bool read(DIR *dir, bool skipHidden)
    {
        for (;;) {
            errno = 0;
            const dirent *entry = ::readdir(dir);
            if (!entry)
                break;
            const std::string_view name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            if (skipHidden && name.front() == '.')
                continue;
            m_entries.push_back({m_names.size(), name.size(), entry->d_type});
            m_names.append(name);
        }
        const bool complete = errno == 0;
        std::sort(m_entries.begin(), m_entries.end(),
                  [this](const Entry &a, const Entry &b) { return name(a) < name(b); });
        return complete;
    }

    const std::vector<Entry> &entries() const { return m_entries; }
    std::string_view name(const Entry &entry) const { return {m_names.data() + entry.offset, entry.length}; }

private:
    std::string m_names;
    std::vector<Entry> m_entries;
};

class Walker
{
public:
    Walker(Mode mode, const ScanControl *control, const std::function<void(const WalkedFile &)> &visit)
        : m_mode(mode), m_control(control), m_visit(visit)
    {
    }

    bool walkRoot(const QString &rootPath)
    {
        const QString cleaned = QDir::cleanPath(QFileInfo(rootPath).absoluteFilePath());
        m_path = NativePath::encode(cleaned).toStdString();
        if (m_path == "/")
            m_path.clear(); // children are "/name"

        if (m_mode == Mode::Scan && extensionOf(lastComponent(m_path)) == "app") {
            // An application bundle chosen as a root is one candidate, whatever it holds.
            WalkedFile file;
            file.path = cleaned;
            struct stat status {};
            if (::lstat(m_path.c_str(), &status) == 0)
                fillFacts(file, status);
            m_visit(file);
            return true;
        }

        // The root itself may be a link to the folder the user chose.
        const int fd = ::open(m_path.empty() ? "/" : m_path.c_str(),
                              O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;
        struct stat status {};
        if (::fstat(fd, &status) != 0) {
            ::close(fd);
            return false;
        }
        m_ancestors.push_back(identityOf(status));
        walkFolder(fd);
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

    bool stopped() const { return m_control && m_control->isAbort(); }

    void visitCurrent(const struct stat &status)
    {
        m_file.path = NativePath::decode(QByteArrayView(m_path.data(), qsizetype(m_path.size())));
        fillFacts(m_file, status);
        m_visit(m_file);
    }

    // Walks the open folder at m_path and closes it.
    void walkFolder(int fd)
    {
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            countFailure(errno);
            ::close(fd);
            return;
        }
        FolderEntries entries;
        if (!entries.read(dir, m_mode == Mode::Scan))
            countFailure(errno);
        const int folder = ::dirfd(dir);
        const size_t pathLength = m_path.size();

        for (const FolderEntries::Entry &entry : entries.entries()) {
            if (stopped()) {
                m_stopped = true;
                break;
            }
            const std::string_view name = entries.name(entry);
            m_path.resize(pathLength);
            m_path += '/';
            m_path += name;
            visitEntry(folder, entry.type, name);
            if (m_stopped)
                break;
        }
        m_path.resize(pathLength);
        ::closedir(dir);
    }

    void visitEntry(int folder, unsigned char type, std::string_view name)
    {
        const std::string_view extension = m_mode == Mode::Scan ? extensionOf(name) : std::string_view();
        const bool isBundleName = extension == "app";
        const bool isPackageName = m_mode == Mode::Scan
            && (equalsIgnoringAsciiCase(extension, "app") || equalsIgnoringAsciiCase(extension, "photoslibrary"));
        const char *entryName = m_path.c_str() + (m_path.size() - name.size());

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
        if (!isExcludedByPathText(m_path))
            visitCurrent(status);
    }

    void descend(int folder, const char *entryName)
    {
        const int fd = ::openat(folder, entryName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            // No permission, no descriptor left (each level holds one), or the
            // folder was replaced by a link or a file since it was listed.
            countFailure(errno);
            return;
        }
        struct stat status {};
        // A bind mount can show a folder inside itself; never enter a folder that
        // is already on the way down.
        if (::fstat(fd, &status) != 0
            || std::find(m_ancestors.begin(), m_ancestors.end(), identityOf(status)) != m_ancestors.end()) {
            ::close(fd);
            return;
        }
        m_ancestors.push_back(identityOf(status));
        walkFolder(fd);
        m_ancestors.pop_back();
    }

    const Mode m_mode;
    const ScanControl *const m_control;
    const std::function<void(const WalkedFile &)> &m_visit;
    std::string m_path;
    std::vector<FileIdentity> m_ancestors;
    WalkedFile m_file;
    bool m_stopped = false;
    qint64 m_unreadable = 0;
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
