#pragma once

#include "Records.h"

#include <algorithm>
#include <cerrno>
#include <string>
#include <string_view>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// The names of one folder in byte order, kept in one buffer per folder so that
// a walk allocates nothing per entry.
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

// The one descent through a folder tree that every walk of the program uses:
// each folder is opened relative to its parent's descriptor, never through a
// symbolic link, never into a folder already on the way down (a bind mount of
// an ancestor), and without any limit on the path's length. The entries of
// each folder come in byte order of their names.
//
// The visitor provides:
//   bool skipHidden() const;
//   bool enterFolder(int folder);  // the folder at path() is open; false skips its contents
//   bool visitEntry(int folder, std::string_view name, unsigned char type);
//                                  // path() names the entry; false ends the walk
//   void folderFailed(int error);  // the folder at path() could not be opened or listed
template<typename Visitor>
class FolderTree
{
public:
    explicit FolderTree(Visitor &visitor) : m_visitor(visitor) {}

    // The path of the folder or entry being visited, in its own bytes.
    std::string &path() { return m_path; }
    bool stopped() const { return m_stopped; }

    // Walks the open folder at path() and closes it.
    void walkFolder(int fd)
    {
        struct stat status {};
        const bool known = ::fstat(fd, &status) == 0;
        DIR *dir = ::fdopendir(fd);
        if (!dir) {
            m_visitor.folderFailed(errno);
            ::close(fd);
            return;
        }
        const int folder = ::dirfd(dir);
        if (!m_visitor.enterFolder(folder)) {
            ::closedir(dir);
            return;
        }
        FolderEntries entries;
        if (!entries.read(dir, m_visitor.skipHidden()))
            m_visitor.folderFailed(errno);
        if (known)
            m_ancestors.push_back({quint64(status.st_dev), quint64(status.st_ino)});
        const size_t pathLength = m_path.size();
        for (const FolderEntries::Entry &entry : entries.entries()) {
            const std::string_view name = entries.name(entry);
            m_path.resize(pathLength);
            if (pathLength != 1 || m_path[0] != '/')
                m_path += '/';
            m_path += name;
            if (!m_visitor.visitEntry(folder, name, entry.type)) {
                m_stopped = true;
                break;
            }
            if (m_stopped)
                break;
        }
        m_path.resize(pathLength);
        if (known)
            m_ancestors.pop_back();
        ::closedir(dir);
    }

    // Opens the child folder (path() names it) and walks it. A folder that
    // cannot be opened (no permission, no descriptor left, replaced by a link
    // or a file since it was listed) is reported to the visitor.
    void descend(int folder, const char *name)
    {
        const int fd = ::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            m_visitor.folderFailed(errno);
            return;
        }
        struct stat status {};
        if (::fstat(fd, &status) != 0
            || std::find(m_ancestors.begin(), m_ancestors.end(),
                         FileIdentity{quint64(status.st_dev), quint64(status.st_ino)})
                    != m_ancestors.end()) {
            ::close(fd);
            return;
        }
        walkFolder(fd);
    }

private:
    Visitor &m_visitor;
    std::string m_path;
    std::vector<FileIdentity> m_ancestors;
    bool m_stopped = false;
};
