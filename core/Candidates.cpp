#include "Candidates.h"

#include <NativePath.h>

quint32 CandidateList::addFolder(std::string path)
{
    m_folders.push_back({std::move(path), {}});
    return quint32(m_folders.size() - 1);
}

void CandidateList::setName(Candidate &candidate, quint32 folder, std::string_view name)
{
    std::string &names = m_folders[folder].names;
    candidate.folder = folder;
    candidate.nameOffset = quint32(names.size());
    candidate.nameLength = quint16(name.size());
    names.append(name);
}

void CandidateList::setPath(Candidate &candidate, std::string_view path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string_view::npos) {
        setName(candidate, addFolder({}), path);
        return;
    }
    // The root's own folder is "/" followed by the name without a second slash.
    const quint32 folder = addFolder(std::string(path.substr(0, slash == 0 ? 1 : slash)));
    setName(candidate, folder, path.substr(slash + 1));
}

std::string CandidateList::nativePath(const Candidate &candidate) const
{
    const Folder &folder = m_folders[candidate.folder];
    std::string path;
    path.reserve(folder.path.size() + 1 + candidate.nameLength);
    path = folder.path;
    if (!path.empty() && path.back() != '/')
        path += '/';
    path.append(folder.names, candidate.nameOffset, candidate.nameLength);
    return path;
}

QString CandidateList::path(const Candidate &candidate) const
{
    const std::string bytes = nativePath(candidate);
    return NativePath::decode(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
}

std::string_view CandidateList::extension(const Candidate &candidate) const
{
    const Folder &folder = m_folders[candidate.folder];
    const std::string_view name(folder.names.data() + candidate.nameOffset, candidate.nameLength);
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return name.substr(dot + 1);
}
