#include "FileWalker.h"

#include <NativePath.h>

#include "FolderTree.h"
#include "ScanControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
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
    // Most paths hold neither a space nor "/i": those are decided at once.
    const bool hasSpace = path.find(' ') != std::string_view::npos;
    bool hasSlashI = false;
    for (size_t slash = path.find('/'); slash != std::string_view::npos && !hasSlashI; slash = path.find('/', slash + 1))
        hasSlashI = slash + 1 < path.size() && (path[slash + 1] == 'i' || path[slash + 1] == 'I');
    return (hasSpace && containsIgnoringAsciiCase(path, "photo booth library"))
        || (hasSlashI && containsIgnoringAsciiCase(path, "/itunes"));
}

FileIdentity identityOf(const struct stat &status)
{
    return {quint64(status.st_dev), quint64(status.st_ino)};
}

// What the walk makes of one directory entry (path names it, in its own
// bytes): the sink is told to descend into it, to visit it (with its own
// status) or that it could not be read.
template<typename Sink>
void planEntry(Mode mode, int folder, unsigned char type, std::string_view name, const std::string &path, Sink &sink)
{
    const std::string_view extension = mode == Mode::Scan ? extensionOf(name) : std::string_view();
    const bool isBundleName = extension == "app";
    const bool isPackageName = mode == Mode::Scan
        && (equalsIgnoringAsciiCase(extension, "app") || equalsIgnoringAsciiCase(extension, "photoslibrary"));
    const char *entryName = path.c_str() + (path.size() - name.size());

    // Most entries are decided by the directory entry's type alone; only the
    // listed ones (and entries of unknown type) cost a status call.
    if (type != DT_UNKNOWN && type != DT_REG && type != DT_DIR)
        return;
    if (type == DT_DIR && !isBundleName) {
        if (!isPackageName)
            sink.descendInto(folder, entryName);
        return;
    }

    struct stat status {};
    if (::fstatat(folder, entryName, &status, AT_SYMLINK_NOFOLLOW) != 0) {
        sink.entryFailed(errno); // vanished, or unreadable: passed over
        return;
    }
    if (S_ISDIR(status.st_mode)) {
        if (isBundleName)
            sink.visitItem(status);
        else if (!isPackageName)
            sink.descendInto(folder, entryName);
        return;
    }
    if (!S_ISREG(status.st_mode))
        return;
    if (mode == Mode::AllRegular) {
        sink.visitItem(status);
        return;
    }
    // A regular file named like a bundle is taken once as a bundle and once
    // as a file.
    if (isBundleName)
        sink.visitItem(status);
    if (!isExcludedByPathText(path))
        sink.visitItem(status);
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
        planEntry(m_mode, folder, type, name, m_tree.path(), *this);
    }

public:
    // The entry plan's sink.
    void descendInto(int folder, const char *entryName) { m_tree.descend(folder, entryName); }
    void visitItem(const struct stat &status) { visitCurrent(status); }
    void entryFailed(int error) { countFailure(error); }

private:
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

namespace {

// The folders between a folder and the root, so that a walk never enters a
// folder it is already inside (a bind mount of an ancestor).
struct AncestorChain
{
    FileIdentity identity;
    std::shared_ptr<const AncestorChain> parent;
};

bool isAncestor(const AncestorChain *chain, const FileIdentity &identity)
{
    for (; chain; chain = chain->parent.get()) {
        if (chain->identity == identity)
            return true;
    }
    return false;
}

// An open folder, kept open until the last of its subfolders is opened
// relative to it.
struct OpenFolder
{
    DIR *dir = nullptr;
    explicit OpenFolder(DIR *d) : dir(d) {}
    ~OpenFolder() { ::closedir(dir); }
    OpenFolder(const OpenFolder &) = delete;
    OpenFolder &operator=(const OpenFolder &) = delete;
    int fd() const { return ::dirfd(dir); }
};

// What the walk of one folder kept: the candidates among its own items, the
// number of them, and its subfolders with their place among the items.
struct FolderResult
{
    std::string path;
    std::string names;
    std::vector<Candidate> files; // ordinal: the place among the folder's own items
    std::vector<std::pair<quint32, std::unique_ptr<FolderResult>>> children;
    quint32 visits = 0;
};

struct FolderJob
{
    std::shared_ptr<OpenFolder> parent; // null for the root, opened already
    int rootFd = -1;
    FolderResult *result = nullptr;
    std::shared_ptr<const AncestorChain> ancestors;
    bool covered = false;
};

// The run's filter, as the collecting step applies it to each item.
bool passesScanFilter(const ScanWalkFilter &filter, const std::vector<QString> &ignoredExtensions,
                      const std::string &path, std::string_view name, const struct stat &status)
{
    if (!filter.ignore.isEmpty()
        && filter.ignore.covers(NativePath::decode(QByteArrayView(path.data(), qsizetype(path.size())))))
        return false;
    // Bundles are compared by identifier, whatever their size or contents.
    const std::string_view extension = extensionOf(name);
    if (extension == "app")
        return true;
    const quint64 size = status.st_size > 0 ? quint64(status.st_size) : 0;
    if (size <= filter.minimumSize)
        return false;
    if (!ignoredExtensions.empty() && !extension.empty()) {
        const QString lower = NativePath::decode(QByteArrayView(extension.data(), qsizetype(extension.size()))).toLower();
        for (const QString &ignored : ignoredExtensions) {
            if (ignored == lower)
                return false;
        }
    }
    return true;
}

Candidate candidateOf(const struct stat &status, std::string_view name)
{
    Candidate candidate;
    candidate.size = status.st_size > 0 ? quint64(status.st_size) : 0;
    candidate.identity = identityOf(status);
    candidate.modified = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    candidate.mode = quint32(status.st_mode);
    candidate.isApp = equalsIgnoringAsciiCase(extensionOf(name), "app");
    return candidate;
}

class ParallelScanWalk
{
public:
    ParallelScanWalk(const ScanControl *control, const ScanWalkFilter &filter)
        : m_control(control), m_filter(filter)
    {
        for (const QString &extension : filter.ignoredExtensions)
            m_ignoredExtensions.push_back(extension);
    }

    void run(int rootFd, FolderResult &root, int threads)
    {
        FolderJob job;
        job.rootFd = rootFd;
        job.result = &root;
        job.covered = !m_filter.ignore.isEmpty() && m_filter.ignore.covers(decode(root.path));
        m_jobs.push_back(std::move(job));
        std::vector<std::thread> workers;
        for (int t = 1; t < threads; ++t)
            workers.emplace_back([this] { work(); });
        work();
        for (std::thread &worker : workers)
            worker.join();
    }

    qint64 unreadable() const { return m_unreadable.load(); }
    size_t kept() const { return m_kept.load(); }

private:
    static QString decode(const std::string &bytes)
    {
        return NativePath::decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
    }

    void work()
    {
        for (;;) {
            FolderJob job;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_changed.wait(lock, [this] { return !m_jobs.empty() || m_busy == 0; });
                if (m_jobs.empty())
                    return;
                // The latest first: the walk goes deep before it goes wide,
                // so few folders wait open for their subfolders.
                job = std::move(m_jobs.back());
                m_jobs.pop_back();
                ++m_busy;
            }
            std::vector<FolderJob> children;
            if (!(m_control && m_control->isAbort()))
                walkFolder(job, children);
            job = {};
            std::lock_guard<std::mutex> lock(m_mutex);
            // Pushed last to first, so that the first is taken next.
            for (auto it = children.rbegin(); it != children.rend(); ++it)
                m_jobs.push_back(std::move(*it));
            --m_busy;
            m_changed.notify_all();
        }
    }

    void countFailure(int error)
    {
        if (error != ENOENT)
            m_unreadable.fetch_add(1, std::memory_order_relaxed);
    }

    // The sink of planEntry() for one folder.
    struct Sink
    {
        ParallelScanWalk &walk;
        FolderJob &job;
        const std::shared_ptr<OpenFolder> &folder;
        const std::shared_ptr<const AncestorChain> &chain;
        std::string &path;
        std::string_view name;
        std::vector<FolderJob> &children;

        void descendInto(int, const char *)
        {
            auto child = std::make_unique<FolderResult>();
            child->path = path;
            FolderJob next;
            next.parent = folder;
            next.result = child.get();
            next.ancestors = chain;
            next.covered = job.covered;
            if (!next.covered && !walk.m_filter.ignore.isEmpty())
                next.covered = walk.m_filter.ignore.covers(decode(child->path));
            job.result->children.emplace_back(job.result->visits, std::move(child));
            children.push_back(std::move(next));
        }

        void visitItem(const struct stat &status)
        {
            FolderResult &result = *job.result;
            const quint32 ordinal = result.visits++;
            if (!walk.passes(job.covered, path, name, status))
                return;
            Candidate candidate = candidateOf(status, name);
            candidate.ordinal = ordinal;
            candidate.nameOffset = quint32(result.names.size());
            candidate.nameLength = quint16(name.size());
            result.names.append(name);
            result.files.push_back(candidate);
            walk.m_kept.fetch_add(1, std::memory_order_relaxed);
        }

        void entryFailed(int error) { walk.countFailure(error); }
    };

    bool passes(bool covered, const std::string &path, std::string_view name, const struct stat &status) const
    {
        return !covered && passesScanFilter(m_filter, m_ignoredExtensions, path, name, status);
    }

    void walkFolder(FolderJob &job, std::vector<FolderJob> &children)
    {
        FolderResult &result = *job.result;
        int fd = job.rootFd;
        if (job.parent) {
            const size_t slash = result.path.rfind('/');
            const char *name = result.path.c_str() + slash + 1;
            fd = ::openat(job.parent->fd(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
            job.parent.reset();
            if (fd < 0) {
                countFailure(errno);
                return;
            }
        }
        struct stat status {};
        const bool known = ::fstat(fd, &status) == 0;
        if (job.rootFd < 0 && (!known || isAncestor(job.ancestors.get(), identityOf(status)))) {
            ::close(fd);
            return;
        }
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            countFailure(errno);
            ::close(fd);
            return;
        }
        const auto folder = std::make_shared<OpenFolder>(dir);
        FolderEntries entries;
        if (!entries.read(dir, true))
            countFailure(errno);
        std::shared_ptr<const AncestorChain> chain = job.ancestors;
        if (known)
            chain = std::make_shared<const AncestorChain>(AncestorChain{identityOf(status), job.ancestors});
        std::string path = result.path;
        const size_t pathLength = path.size();
        for (const FolderEntries::Entry &entry : entries.entries()) {
            if (m_control && m_control->isAbort())
                return;
            const std::string_view name = entries.name(entry);
            path.resize(pathLength);
            if (pathLength != 1 || path[0] != '/')
                path += '/';
            path += name;
            Sink sink{*this, job, folder, chain, path, name, children};
            planEntry(Mode::Scan, folder->fd(), entry.type, name, path, sink);
        }
    }

    const ScanControl *m_control;
    const ScanWalkFilter &m_filter;
    std::vector<QString> m_ignoredExtensions;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<FolderJob> m_jobs;
    int m_busy = 0;
    std::atomic<qint64> m_unreadable{0};
    std::atomic<size_t> m_kept{0};
};

// Puts the folders' candidates into the list in walk order: a folder's own
// items in name order, each subfolder's items in its place among them.
void mergeInWalkOrder(FolderResult &folder, quint64 &ordinal, CandidateList &into)
{
    size_t file = 0;
    size_t child = 0;
    qint64 folderNumber = -1;
    for (quint32 own = 0;; ++own) {
        for (; child < folder.children.size() && folder.children[child].first == own; ++child) {
            mergeInWalkOrder(*folder.children[child].second, ordinal, into);
            folder.children[child].second.reset();
        }
        if (own == folder.visits)
            break;
        if (file < folder.files.size() && folder.files[file].ordinal == own) {
            Candidate candidate = folder.files[file++];
            if (folderNumber < 0)
                folderNumber = into.addFolder(folder.path);
            into.setName(candidate, quint32(folderNumber),
                         std::string_view(folder.names.data() + candidate.nameOffset, candidate.nameLength));
            candidate.ordinal = quint32(ordinal);
            into.entries.push_back(candidate);
        }
        ++ordinal;
    }
    folder = {};
}

} // namespace

bool walkScanCandidates(const QString &rootPath, const ScanControl *control, const ScanWalkFilter &filter,
                        int threads, CandidateList &into, quint64 &visits, qint64 *unreadable)
{
    visits = 0;
    const QString cleaned = QDir::cleanPath(QFileInfo(rootPath).absoluteFilePath());
    const std::string path = NativePath::encode(cleaned).toStdString();
    const size_t slash = path.rfind('/');
    const std::string_view last = slash == std::string::npos ? std::string_view(path) : std::string_view(path).substr(slash + 1);
    if (extensionOf(last) == "app") {
        // An application bundle chosen as a root is one candidate, whatever it holds.
        visits = 1;
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0)
            status = {};
        Candidate candidate = candidateOf(status, last);
        if (!filter.ignore.covers(cleaned)) {
            into.setPath(candidate, path);
            into.entries.push_back(candidate);
        }
        return true;
    }
    // The root itself may be a link to the folder the user chose.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    FolderResult root;
    root.path = path;
    ParallelScanWalk walk(control, filter);
    walk.run(fd, root, std::max(1, threads));
    if (unreadable)
        *unreadable += walk.unreadable();
    // Room for exactly what was kept: the list never holds twice its size while it grows.
    into.entries.reserve(into.entries.size() + walk.kept());
    mergeInWalkOrder(root, visits, into);
    return true;
}

bool addScanCandidate(const QString &path, const struct stat &status, const ScanWalkFilter &filter, CandidateList &into)
{
    const std::string bytes = NativePath::encode(path).toStdString();
    const size_t slash = bytes.rfind('/');
    const std::string_view name = slash == std::string::npos ? std::string_view(bytes) : std::string_view(bytes).substr(slash + 1);
    const std::vector<QString> ignoredExtensions(filter.ignoredExtensions.cbegin(), filter.ignoredExtensions.cend());
    if (!passesScanFilter(filter, ignoredExtensions, bytes, name, status))
        return false;
    Candidate candidate = candidateOf(status, name);
    into.setPath(candidate, bytes);
    into.entries.push_back(candidate);
    return true;
}
