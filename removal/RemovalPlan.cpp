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

bool PlannedCopy::matches(const FileManager::Status &now, const QByteArray &pathNow) const
{
    if (record.identity && (record.identity->device != now.device || record.identity->inode != now.inode))
        return false;
    if (now.isSymbolicLink || now.isFolder != isFolder())
        return false;
    if (!record.file)
        return true;
    // Files added to or taken from a folder keep its identity; its total,
    // measured by the same walk that gave the scan's record its size, does not.
    if (isFolder())
        return folderSizeAtPath(pathNow.constData()) == record.file->size;
    // A file rewritten in place keeps its identity and often its size; its
    // modification time tells that its bytes are no longer the compared ones.
    const QDateTime &scanned = record.file->date;
    return record.file->size == now.size
           && (!scanned.isValid() || scanned.toMSecsSinceEpoch() == now.modifiedMilliseconds);
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

// An unmarked copy inside a marked folder goes when that folder goes, so it
// never counts as its group's keeper; a group left without one keeps its
// marked copies. Folders the plan keeps anyway take nothing along.
void dropKeepersInsideMarkedFolders(RemovalPlan &plan)
{
    QSet<QByteArray> removable;
    for (const PlannedCopy &copy : plan.copies) {
        if (mayHoldCopies(copy) && !copy.keptWhole && copy.keptBecause.isEmpty())
            removable.insert(copy.path);
    }
    if (removable.isEmpty())
        return;
    for (PlannedGroup &group : plan.groups) {
        const qsizetype removed = group.keepers.removeIf(
            [&](const PlannedCopy &keeper) { return !holderAmong(removable, keeper.path).isEmpty(); });
        if (removed == 0 || !group.keepers.isEmpty())
            continue;
        for (int index : group.marked) {
            PlannedCopy &copy = plan.copies[index];
            if (!copy.keptWhole && copy.keptBecause.isEmpty())
                copy.keptBecause = QStringLiteral("every unmarked copy of its group lies inside a marked folder");
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
    dropKeepersInsideMarkedFolders(plan);
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
