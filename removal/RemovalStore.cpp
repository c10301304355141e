#include "RemovalStore.h"

#include <CategoryLists.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ResultQueries.h>

#include <QSet>

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
            summary.bytes += copy.scannedBytes();
            removed.insert(identityKey(copy.record.identity, copy.record.url));
        } else {
            ++summary.kept;
            summary.keptCopies.append(i);
        }
    }

    if (!savedCategoryRows().isEmpty() && endSearch)
        endSearch();
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
    allDuplicatesRemoved = categoryRows().size() < 2 || remaining < 2;
    return summary;
}

QString keptCopiesReport(const RemovalPlan &plan, const RemovalResult &result, int maximumPaths)
{
    QStringList lines;
    int kept = 0;
    for (int i = 0; i < plan.copies.size(); ++i) {
        const CopyOutcome outcome = result.outcomes.value(i, CopyOutcome::NotReached);
        if (outcomeRemovesCopy(outcome))
            continue;
        ++kept;
        if (lines.size() >= maximumPaths)
            continue;
        QString reason = result.reasons.value(i);
        if (outcome == CopyOutcome::NotReached)
            reason = QStringLiteral("the removal was stopped first");
        lines.append(QStringLiteral("%1 (%2)").arg(FileManager::displayPath(plan.copies.at(i).path), reason));
    }
    if (kept == 0)
        return {};
    const QString fallback = QStringLiteral("1 marked copy was left in place:");
    const QString count = kept == 1 ? localizedFormat(QStringLiteral("IDS_TMR_1705"), {}, fallback)
                                    : localizedFormat(QStringLiteral("IDS_TMR_1701"), {QString::number(kept)},
                                                      QStringLiteral("%1 marked copies were left in place:").arg(kept));
    if (kept > lines.size())
        lines.append(localizedFormat(QStringLiteral("IDS_TMR_1702"), {QString::number(kept - lines.size())},
                                     QStringLiteral("and %1 more").arg(kept - lines.size())));
    return count + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
}
