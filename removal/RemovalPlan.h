#pragma once

#include <FileManager.h>
#include <Records.h>

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

#include <optional>

// What became of one marked copy.
enum class CopyOutcome {
    NotReached,     // the run was stopped before it came to the copy
    Removed,        // trashed, deleted or moved into the folder
    AlreadyGone,    // nothing was at its path any more
    ToAlbum,        // a Photos copy the album took
    Exists,         // folder mode: an item of its name stays in the folder
    SameFolder,     // folder mode: it already lies in the folder
    KeptLastCopy,   // no unmarked copy of its group is left as the scan saw it
    KeptChanged,    // it is no longer the file the scan compared
    Failed,         // the file operation or the album hand-off did not work
};

// A short fixed name, for the command-line report.
QString outcomeName(CopyOutcome outcome);
// Whether the copy left the disk (or went to the album) and so leaves the results.
bool outcomeRemovesCopy(CopyOutcome outcome);

// The native path of a record's file.
QByteArray nativePathOf(const InitialDirectory &record);

// The nearest of the folders that holds the path, compared component by
// component on the path's own bytes ("/a/b.app" holds "/a/b.app/c", never
// "/a/b.apps/c"); empty when none does.
QByteArray holderAmong(const QSet<QByteArray> &folders, const QByteArray &path);

// One copy of a group as the plan saw it when the run started.
struct PlannedCopy
{
    int categoryRow = 0;
    int group = 0;
    int index = 0;
    QString categoryName;
    InitialDirectory record;
    QByteArray path;
    // Only a Photos copy has one; empty when its properties are missing.
    QString photoIdentifier;
    // Every copy of its group is marked: the group keeps them all.
    bool keptWhole = false;
    // Set when the plan keeps this marked copy from the start, and says why:
    // another copy of its group lies inside it (removing it would take that
    // copy along) or it lies inside one (removing it would change that copy),
    // or it is a folder that holds a copy the run keeps.
    QString keptBecause;

    bool isFolder() const { return record.file && record.file->isFolder; }
    quint64 scannedBytes() const { return record.file ? record.file->size : 0; }
    // Whether the item with the status `now` is still the item the scan
    // compared: same identity, same kind and, for a file, the same size and
    // modification time. A folder's total is compared apart (sameTotal).
    bool matches(const FileManager::Status &now) const;
    // Whether a folder's total size, measured now, is the scan's.
    bool sameTotal(quint64 total) const;
    // Both, for a copy the run only reads: a folder's total is measured at the path.
    bool matchesAt(const FileManager::Status &now, const QByteArray &path) const;
};

struct PlannedGroup
{
    int categoryRow = 0;
    QString categoryName;
    // Indexes into RemovalPlan::copies, in copy order.
    QList<int> marked;
    // The group's unmarked copies; one of them must still be in place before
    // a marked copy is touched.
    QList<PlannedCopy> keepers;
};

// The removal run's whole input, fixed on the GUI thread when the run
// starts: the marked copies the user sees (during a search, the filtered
// view's), the mode and its destination. The worker reads nothing else.
struct RemovalPlan
{
    MovingType mode;
    QList<PlannedCopy> copies;
    QList<PlannedGroup> groups;
    // Every copy of the results the run keeps, by identity: the unmarked
    // ones, those of groups a search hides and the marked ones the plan
    // keeps. A marked folder that holds one of them, through whatever path
    // reaches it, is kept too. Filled only when the plan has a folder to remove.
    FileManager::Identities kept;

    int totalSelected() const { return int(copies.size()); }
    bool isEmpty() const { return copies.isEmpty(); }

    // From the result store's rows, groups and marks. Marks that point at no
    // copy are passed over; a copy without a URL is never planned. A marked
    // folder that holds, by path, a copy the run keeps is kept; one that
    // holds one only by identity is found by the run, which walks it.
    static RemovalPlan fromStore(const MovingType &mode);
};

// Checks and readies the destination of a folder-mode plan: the path is made
// clean and absolute, must not lie inside a marked folder copy, is created
// with its parents, and must then be a folder the user can write to. On
// success the plan's destination is the cleaned path; otherwise the message
// says why and nothing was touched.
std::optional<QString> prepareFolderDestination(RemovalPlan &plan, FileManager &fileManager);
