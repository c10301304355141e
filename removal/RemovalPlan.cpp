#include "RemovalPlan.h"

#include <CategoryLists.h>
#include <KRBFileFunctions.h>
#include <ProcessState.h>
#include <ResultQueries.h>

#include <NativePath.h>

#include <QDateTime>
#include <QDir>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cstdlib>

QString outcomeName(CopyOutcome outcome)
{
    switch (outcome) {
    case CopyOutcome::NotReached:
        return QStringLiteral("stopped");
    case CopyOutcome::Removed:
        return QStringLiteral("removed");
    case CopyOutcome::AlreadyGone:
        return QStringLiteral("already-gone");
    case CopyOutcome::ToAlbum:
        return QStringLiteral("to-album");
    case CopyOutcome::Exists:
        return QStringLiteral("exists");
    case CopyOutcome::SameFolder:
        return QStringLiteral("same-folder");
    case CopyOutcome::KeptLastCopy:
        return QStringLiteral("last-copy");
    case CopyOutcome::KeptChanged:
        return QStringLiteral("changed");
    case CopyOutcome::Failed:
        return QStringLiteral("failed");
    }
    return {};
}

bool outcomeRemovesCopy(CopyOutcome outcome)
{
    return outcome == CopyOutcome::Removed || outcome == CopyOutcome::AlreadyGone || outcome == CopyOutcome::ToAlbum;
}

QByteArray nativePathOf(const InitialDirectory &record)
{
    if (!record.url || !record.url->isLocalFile())
        return {};
    return NativePath::encode(record.url->toLocalFile());
}

bool PlannedCopy::matches(const FileManager::Status &now) const
{
    if (record.identity && (record.identity->device != now.device || record.identity->inode != now.inode))
        return false;
    if (now.isSymbolicLink || now.isFolder != isFolder())
        return false;
    if (!record.file || isFolder())
        return true;
    // A file rewritten in place keeps its identity and often its size; its
    // modification time tells that its bytes are no longer the compared ones.
    const QDateTime &scanned = record.file->date;
    return record.file->size == now.size
           && (!scanned.isValid() || scanned.toMSecsSinceEpoch() == now.modifiedMilliseconds);
}

bool PlannedCopy::sameTotal(quint64 total) const
{
    // Files added to or taken from a folder keep its identity; its total,
    // measured as the walk that gave the scan's record its size measures it,
    // does not.
    return !record.file || record.file->size == total;
}

bool PlannedCopy::matchesAt(const FileManager::Status &now, const QByteArray &path) const
{
    return matches(now) && (!isFolder() || sameTotal(folderSizeAtPath(path.constData())));
}

QByteArray holderAmong(const QSet<QByteArray> &folders, const QByteArray &path)
{
    for (qsizetype slash = path.lastIndexOf('/'); slash > 0; slash = path.lastIndexOf('/', slash - 1)) {
        const QByteArray folder = QByteArray::fromRawData(path.constData(), slash);
        if (folders.contains(folder))
            return QByteArray(path.constData(), slash);
    }
    return {};
}

namespace {

// Whether a copy could hold other copies: a folder (an application bundle),
// or a record whose kind the scan did not read.
bool mayHoldCopies(const PlannedCopy &copy)
{
    return !copy.path.isEmpty() && (!copy.record.file || copy.record.file->isFolder);
}

// Removing a copy that holds another copy of its group would take that copy
// along, and removing one inside another would change it: the plan keeps
// both kinds of marked copy.
void keepNestedCopies(RemovalPlan &plan, const PlannedGroup &group)
{
    QList<PlannedCopy *> copies;
    for (int index : group.marked)
        copies.append(&plan.copies[index]);
    QSet<QByteArray> folders;
    for (const PlannedCopy &keeper : group.keepers) {
        if (mayHoldCopies(keeper))
            folders.insert(keeper.path);
    }
    for (const PlannedCopy *copy : copies) {
        if (mayHoldCopies(*copy))
            folders.insert(copy->path);
    }
    if (folders.isEmpty())
        return;
    QSet<QByteArray> holders;
    QSet<QByteArray> inside;
    auto note = [&](const QByteArray &path) {
        const QByteArray holder = holderAmong(folders, path);
        if (!holder.isEmpty()) {
            holders.insert(holder);
            inside.insert(path);
        }
    };
    for (const PlannedCopy &keeper : group.keepers)
        note(keeper.path);
    for (const PlannedCopy *copy : copies)
        note(copy->path);
    for (PlannedCopy *copy : copies) {
        if (copy->keptWhole)
            continue;
        if (holders.contains(copy->path))
            copy->keptBecause = QStringLiteral("holds another copy of its group");
        else if (inside.contains(copy->path))
            copy->keptBecause = QStringLiteral("lies inside another copy of its group");
    }
}

// The whole result store, also while a search shows only part of it.
const ResultDictionary &wholeResults()
{
    return savedCategoryRows().isEmpty() ? duplicateResults() : savedDuplicateResults();
}

bool isRemovable(const PlannedCopy &copy)
{
    return !copy.keptWhole && copy.keptBecause.isEmpty();
}

// Removing a folder takes along whatever lies inside it, so a marked folder
// that holds a copy the run keeps (an unmarked copy of any group, a marked
// copy the plan keeps) is kept as well, and so is every marked folder that
// holds a folder kept this way. Done by path here, with no disk access; the
// run walks the folders that are left for what only their identity reveals.
void keepFoldersHoldingKeptCopies(RemovalPlan &plan)
{
    QHash<QByteArray, int> removable;
    for (int i = 0; i < plan.copies.size(); ++i) {
        const PlannedCopy &copy = plan.copies.at(i);
        if (mayHoldCopies(copy) && isRemovable(copy))
            removable.insert(copy.path, i);
    }
    if (removable.isEmpty())
        return;

    QSet<FileIdentity> leaving;
    QSet<QByteArray> leavingPaths;
    for (const PlannedCopy &copy : plan.copies) {
        if (isRemovable(copy)) {
            if (copy.record.identity)
                leaving.insert(*copy.record.identity);
            leavingPaths.insert(copy.path);
        }
    }
    QList<QByteArray> keptPaths;
    const ResultDictionary &results = wholeResults();
    for (const QString &key : results.keys()) {
        for (const DuplicateGroup &group : *results.find(key)) {
            for (const InitialDirectory &record : group) {
                const QByteArray path = nativePathOf(record);
                if (record.identity ? leaving.contains(*record.identity) : leavingPaths.contains(path))
                    continue;
                if (record.identity)
                    plan.kept.insert({record.identity->device, record.identity->inode});
                if (!path.isEmpty())
                    keptPaths.append(path);
            }
        }
    }
    for (const PlannedCopy &copy : plan.copies) {
        if (!isRemovable(copy))
            keptPaths.append(copy.path);
    }

    // Every kept path climbs through the removable folders that hold it; each
    // such folder is kept and climbs on in its turn, so the order of groups
    // and paths does not matter.
    QSet<QByteArray> folders(removable.keyBegin(), removable.keyEnd());
    for (const QByteArray &keptPath : std::as_const(keptPaths)) {
        QByteArray inside = keptPath;
        for (QByteArray holder = holderAmong(folders, inside); !holder.isEmpty(); holder = holderAmong(folders, inside)) {
            PlannedCopy &copy = plan.copies[removable.value(holder)];
            copy.keptBecause = QStringLiteral("holds %1, a copy this run keeps").arg(FileManager::displayPath(inside));
            folders.remove(holder);
            if (copy.record.identity)
                plan.kept.insert({copy.record.identity->device, copy.record.identity->inode});
            inside = holder;
        }
    }
}

} // namespace

RemovalPlan RemovalPlan::fromStore(const MovingType &mode)
{
    RemovalPlan plan;
    plan.mode = mode;
    const QList<Categories> &rows = categoryRows();
    for (int row = 1; row < rows.size(); ++row) {
        const GroupList *groups = groupsOfCategoryRow(row);
        const QList<QList<int>> *marks = marksOfCategoryRow(row);
        if (!groups || !marks)
            continue;
        const QString name = rows.at(row).name.value_or(QString());
        const qsizetype groupCount = std::min(groups->size(), marks->size());
        for (qsizetype g = 0; g < groupCount; ++g) {
            const DuplicateGroup &group = groups->at(g);
            QList<int> indexes;
            for (int index : marks->at(g)) {
                if (index >= 0 && index < group.size() && !indexes.contains(index))
                    indexes.append(index);
            }
            if (indexes.isEmpty())
                continue;
            std::sort(indexes.begin(), indexes.end());

            PlannedGroup planned;
            planned.categoryRow = row;
            planned.categoryName = name;
            const bool keptWhole = indexes.size() == group.size();
            for (int i = 0; i < group.size(); ++i) {
                const InitialDirectory &record = group.at(i);
                PlannedCopy copy;
                copy.categoryRow = row;
                copy.group = int(g);
                copy.index = i;
                copy.categoryName = name;
                copy.record = record;
                copy.path = nativePathOf(record);
                if (record.isPhotoLibrary && record.photoLibraryProperties)
                    copy.photoIdentifier = record.photoLibraryProperties->RKVuuid;
                copy.keptWhole = keptWhole;
                if (!indexes.contains(i)) {
                    planned.keepers.append(copy);
                } else if (record.url) {
                    planned.marked.append(int(plan.copies.size()));
                    plan.copies.append(copy);
                }
            }
            if (!planned.marked.isEmpty()) {
                keepNestedCopies(plan, planned);
                plan.groups.append(planned);
            }
        }
    }
    keepFoldersHoldingKeptCopies(plan);
    return plan;
}

namespace {

// The path with every link of its existing part resolved, so that two
// spellings of one folder compare equal. The part that does not exist yet is
// kept as written.
QByteArray resolvedPath(const QByteArray &cleaned)
{
    QByteArray existing = cleaned;
    QByteArray rest;
    for (;;) {
        char buffer[PATH_MAX];
        if (::realpath(existing.constData(), buffer)) {
            QByteArray resolved(buffer);
            if (resolved.endsWith('/'))
                resolved.chop(1);
            resolved += rest;
            return resolved.isEmpty() ? QByteArray("/") : resolved;
        }
        const qsizetype slash = existing.lastIndexOf('/');
        if (slash < 0)
            return cleaned;
        rest.prepend(existing.mid(slash));
        existing = slash == 0 ? QByteArray("/") : existing.left(slash);
    }
}

bool isInsideOrSame(const QByteArray &path, const QByteArray &folder)
{
    return path == folder || path.startsWith(folder.endsWith('/') ? folder : folder + '/');
}

} // namespace

std::optional<QString> prepareFolderDestination(RemovalPlan &plan, FileManager &fileManager)
{
    if (plan.mode.kind != MovingType::Kind::Folder)
        return std::nullopt;
    const QString given = plan.mode.path.trimmed();
    if (given.isEmpty())
        return QStringLiteral("No destination folder is set for the removal. Choose one in the Removal preferences.");
    if (!QDir::isAbsolutePath(given))
        return QStringLiteral("The destination folder \"%1\" is not a full path. Choose it again in the Removal preferences.")
            .arg(given);
    const QString cleaned = QDir::cleanPath(given);
    const QByteArray destination = resolvedPath(NativePath::encode(cleaned));

    for (const PlannedCopy &copy : plan.copies) {
        if (!copy.isFolder() || copy.keptWhole)
            continue;
        const QByteArray folder = resolvedPath(copy.path);
        if (isInsideOrSame(destination, folder))
            return QStringLiteral("The destination folder \"%1\" lies inside \"%2\", which is marked for removal. "
                                  "Choose another folder.")
                .arg(cleaned, FileManager::displayPath(copy.path));
    }

    const FileManager::Result made = fileManager.createDirectory(NativePath::encode(cleaned));
    if (!made)
        return QStringLiteral("The destination folder \"%1\" cannot be made: %2.").arg(cleaned, made.reason);
    if (!fileManager.isWritableFolder(NativePath::encode(cleaned)))
        return QStringLiteral("The destination folder \"%1\" is not a folder you can write to.").arg(cleaned);
    plan.mode.path = cleaned;
    return std::nullopt;
}
