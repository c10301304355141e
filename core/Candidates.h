#pragma once

#include "Records.h"

#include <QString>
#include <QtGlobal>

#include <string>
#include <string_view>
#include <vector>

// One file that passed the filters of a run, or one Photos item, in a few
// dozen bytes: its folder's path and its name are held once, as bytes, by
// the list it belongs to. The facts come from the walk; the file is compared
// only while it still has them (same device, inode, size and modification
// time), and its record is built from them.
struct Candidate
{
    quint64 size = 0;
    FileIdentity identity;
    qint64 modified = 0; // nanoseconds since the epoch
    quint32 mode = 0;
    // Where the path is kept: a folder of the list and the name in its bytes.
    quint32 folder = 0;
    quint32 nameOffset = 0;
    quint16 nameLength = 0;
    // Its place among everything the walk of its root visited.
    quint32 ordinal = 0;
    // The Photos item this is, or -1 for a file met on disk.
    qint32 photoIndex = -1;
    bool hasSize = true;
    // Identity and size known: the file is checked against them when read.
    bool hasIdentity = true;
    // The walk's facts, time and mode included: the record is built from them.
    bool hasFacts = true;
    // Named like an application bundle (".app", in any case).
    bool isApp = false;
};

// The candidates of a run with the paths they share.
class CandidateList
{
public:
    // Starts a folder whose names follow; returns its number.
    quint32 addFolder(std::string path);
    // Keeps the name in the folder's bytes and points the candidate at it.
    void setName(Candidate &candidate, quint32 folder, std::string_view name);
    // A candidate named by a whole path (the last component becomes its name).
    void setPath(Candidate &candidate, std::string_view path);

    QString path(const Candidate &candidate) const;
    const std::string &folderPath(quint32 folder) const { return m_folders[folder].path; }
    std::string nativePath(const Candidate &candidate) const;
    // The name's extension in bytes (after its last dot, never a leading one).
    std::string_view extension(const Candidate &candidate) const;

    std::vector<Candidate> entries;

private:
    struct Folder
    {
        std::string path;
        std::string names;
    };
    std::vector<Folder> m_folders;
};
