#include "RemovalStore.h"

#include <CategoryLists.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ResultQueries.h>

#include <QSet>

#include <algorithm>

namespace {

// A copy's identity in the store: its file identity when the scan read one,
// else its URL.
QString identityKey(const std::optional<FileIdentity> &identity, const std::optional<QUrl> &url)
{
    if (identity)
        return QStringLiteral("id:%1:%2").arg(identity->device).arg(identity->inode);
    return url ? QStringLiteral("url:") + url->toString(QUrl::FullyEncoded) : QString();
}

void putBackSearchSnapshot()
{
    ResultDictionary restored;
    for (const QString &key : savedDuplicateResults().keys())
        restored.setValue(key, *savedDuplicateResults().find(key));
    duplicateResults() = restored;
    categoryRows() = savedCategoryRows();
    allDuplicateGroups() = savedAllDuplicateGroups();
    savedDuplicateResults().removeAll();
    savedCategoryRows().clear();
    savedAllDuplicateGroups().clear();
}

// Marks again the copies with these identities that are still in the
// results, keeping an unmarked copy in every group.
void markAgain(const QSet<QString> &keys)
{
    for (int row = 1; row < categoryRows().size(); ++row) {
        const GroupList *groups = groupsOfCategoryRow(row);
        QList<QList<int>> *marks = marksOfCategoryRow(row);
        if (!groups || !marks)
            continue;
        for (qsizetype g = 0; g < std::min(groups->size(), marks->size()); ++g) {
            const DuplicateGroup &group = groups->at(g);
            QList<int> &list = (*marks)[g];
            for (int i = 0; i < group.size(); ++i) {
                if (list.size() + 1 < group.size() && keys.contains(identityKey(group.at(i).identity, group.at(i).url)))
                    list.append(i);
            }
        }
    }
}

} // namespace

void rebuildRowsFromResults()
{
    const QList<Categories> previous = categoryRows();
    QList<Categories> rows;
    rows.append(previous.isEmpty() ? Categories{std::nullopt, QStringLiteral("All Duplicates"), 0} : previous.first());
    for (ScanResultKeys category : categoryListOrder()) {
        const GroupList *groups = duplicateResults().find(rawValue(category));
        if (!groups || groups->isEmpty())
            continue;
        Categories row{std::nullopt, rawValue(category), 0};
        for (const Categories &old : previous) {
            if (old.name == rawValue(category))
                row = old;
        }
        rows.append(row);
    }
    categoryRows() = rows;
    rebuildCategoryLists(false);
    if (allDuplicateGroups().isEmpty()) {
        categoryRows().clear();
        markedCategories().clear();
    }
    groupRows().clear();
    displayedGroupRows().clear();
}

void resetRemovalTotals()
{
    notMovedBecauseExists = false;
    notMovedBecauseSameFolder = false;
    resetRemovedItemTallies();
    removedPhotoCount = 0;
    removedPhotoBytes = 0;
}

RemovalSummary applyRemovalResult(const RemovalPlan &plan, const RemovalResult &result,
                                  const std::function<void()> &endSearch)
{
    RemovalSummary summary;
    QSet<QString> removed;
    QSet<QByteArray> removedPaths;
    for (int i = 0; i < plan.copies.size(); ++i) {
        const PlannedCopy &copy = plan.copies.at(i);
        const CopyOutcome outcome = result.outcomes.value(i, CopyOutcome::NotReached);
        switch (outcome) {
        case CopyOutcome::Removed:
        case CopyOutcome::AlreadyGone:
            tallyRemovedItem(copy.categoryName, copy.record.file);
            break;
        case CopyOutcome::ToAlbum:
            ++removedPhotoCount;
            removedPhotoBytes += copy.scannedBytes();
            break;
        case CopyOutcome::Exists:
            notMovedBecauseExists = true;
            break;
        case CopyOutcome::SameFolder:
            notMovedBecauseSameFolder = true;
            break;
        default:
            break;
        }
        if (outcomeRemovesCopy(outcome)) {
            ++summary.removed;
            removed.insert(identityKey(copy.record.identity, copy.record.url));
            removedPaths.insert(copy.path);
        } else {
            ++summary.kept;
            summary.keptCopies.append(i);
        }
    }
    // A folder's size holds what lay inside it: a removed copy inside a
    // removed folder (gone with it, or removed first) is counted with the folder.
    for (int i = 0; i < plan.copies.size(); ++i) {
        const PlannedCopy &copy = plan.copies.at(i);
        if (outcomeRemovesCopy(result.outcomes.value(i, CopyOutcome::NotReached))
            && holderAmong(removedPaths, copy.path).isEmpty())
            summary.bytes += copy.scannedBytes();
    }

    // The search hid whole groups, and the plan took only the marks it
    // showed. What endSearch gives back marked beyond those stayed untouched.
    QSet<QString> hiddenMarks;
    if (!savedCategoryRows().isEmpty() && endSearch) {
        QSet<QString> shown;
        for (const QString &key : duplicateResults().keys()) {
            for (const DuplicateGroup &group : *duplicateResults().find(key)) {
                for (const InitialDirectory &record : group)
                    shown.insert(identityKey(record.identity, record.url));
            }
        }
        endSearch();
        if (savedCategoryRows().isEmpty()) {
            for (const CopyLocation &location : markedCopyLocations()) {
                const InitialDirectory *record = recordAt(location);
                const QString key = record ? identityKey(record->identity, record->url) : QString();
                if (key.isEmpty() || shown.contains(key) || removed.contains(key) || hiddenMarks.contains(key))
                    continue;
                hiddenMarks.insert(key);
                summary.hiddenMarked.append(nativePathOf(*record));
            }
        }
    }
    if (!savedCategoryRows().isEmpty())
        putBackSearchSnapshot();

    int remaining = 0;
    for (const QString &key : duplicateResults().keys()) {
        GroupList kept;
        for (const DuplicateGroup &group : *duplicateResults().find(key)) {
            DuplicateGroup left;
            for (const InitialDirectory &record : group) {
                if (!removed.contains(identityKey(record.identity, record.url)))
                    left.append(record);
            }
            if (left.size() >= 2) {
                remaining += int(left.size());
                kept.append(left);
            }
        }
        duplicateResults().setValue(key, kept);
    }
    rebuildRowsFromResults();
    if (!hiddenMarks.isEmpty())
        markAgain(hiddenMarks);
    allDuplicatesRemoved = categoryRows().size() < 2 || remaining < 2;
    return summary;
}

namespace {

// A count line of a report, then its first paths and how many more.
QString reportWithPaths(const QString &count, QStringList lines, int total)
{
    if (total > lines.size())
        lines.append(localizedFormat(QStringLiteral("IDS_TMR_1702"), {QString::number(total - lines.size())},
                                     QStringLiteral("and %1 more").arg(total - lines.size())));
    return count + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}

} // namespace

QString keptCopiesReport(const RemovalPlan &plan, const RemovalResult &result, const RemovalSummary &summary,
                         int maximumPaths)
{
    QStringList lines;
    int kept = 0;
    auto add = [&](const QByteArray &path, const QString &reason) {
        ++kept;
        if (lines.size() < maximumPaths)
            lines.append(QStringLiteral("%1 (%2)").arg(FileManager::displayPath(path), reason));
    };
    for (int i = 0; i < plan.copies.size(); ++i) {
        if (!outcomeRemovesCopy(result.outcomes.value(i, CopyOutcome::NotReached)))
            add(plan.copies.at(i).path, result.reasons.value(i));
    }
    for (const QByteArray &path : summary.hiddenMarked)
        add(path, QStringLiteral("its group was hidden by the search"));
    if (kept == 0)
        return {};
    const QString fallback = QStringLiteral("1 marked copy was left in place:");
    const QString count = kept == 1 ? localizedFormat(QStringLiteral("IDS_TMR_1705"), {}, fallback)
                                    : localizedFormat(QStringLiteral("IDS_TMR_1701"), {QString::number(kept)},
                                                      QStringLiteral("%1 marked copies were left in place:").arg(kept));
    return reportWithPaths(count, lines, kept);
}

QString movedAsideReport(const RemovalPlan &plan, const RemovalResult &result, int maximumPaths)
{
    QStringList lines;
    int moved = 0;
    for (int i = 0; i < plan.copies.size(); ++i) {
        const QByteArray path = result.replaced.value(i);
        if (path.isEmpty())
            continue;
        ++moved;
        if (lines.size() < maximumPaths)
            lines.append(FileManager::displayPath(path));
    }
    if (moved == 0)
        return {};
    const QString count =
        moved == 1 ? QStringLiteral("1 item of the same name as a marked copy was moved from the destination folder "
                                    "to the Trash to make room for it:")
                   : QStringLiteral("%1 items of the same name as marked copies were moved from the destination "
                                    "folder to the Trash to make room for them:")
                         .arg(moved);
    return reportWithPaths(count, lines, moved);
}

QString attributesNotKeptReport(const RemovalPlan &plan, const RemovalResult &result, int maximumPaths)
{
    QStringList lines;
    int moved = 0;
    for (int i = 0; i < plan.copies.size(); ++i) {
        // A removed copy carries a reason only when something of it stayed behind.
        if (result.outcomes.value(i) != CopyOutcome::Removed || result.reasons.value(i).isEmpty())
            continue;
        ++moved;
        if (lines.size() < maximumPaths)
            lines.append(QStringLiteral("%1 (%2)").arg(FileManager::displayPath(plan.copies.at(i).path),
                                                       result.reasons.at(i)));
    }
    if (moved == 0)
        return {};
    const QString count = moved == 1
                              ? QStringLiteral("1 copy was moved without some of its attributes:")
                              : QStringLiteral("%1 copies were moved without some of their attributes:").arg(moved);
    return reportWithPaths(count, lines, moved);
}
