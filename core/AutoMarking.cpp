#include "AutoMarking.h"

#include "CategoryLists.h"

#include <algorithm>
#include <functional>

namespace {

// The calendar second of a copy's modification, nothing without one. Local
// time zones differ from UTC by whole seconds, so flooring the instant gives
// the same seconds as the user's calendar; flooring (not truncating) keeps
// dates before 1970 in their own second.
std::optional<qint64> modificationSecond(const InitialDirectory &record)
{
    if (!record.file || !record.file->date.isValid())
        return std::nullopt;
    const qint64 msecs = record.file->date.toMSecsSinceEpoch();
    return msecs / 1000 - (msecs % 1000 < 0 ? 1 : 0);
}

using KeepChoice = std::function<std::optional<int>(const DuplicateGroup &)>;

void markAllButKept(int categoryRow, const KeepChoice &choose)
{
    const GroupList *groups = groupsOfCategoryRow(categoryRow);
    QList<QList<int>> *marks = marksOfCategoryRow(categoryRow);
    if (!groups || !marks)
        return;

    const qsizetype groupCount = std::min(groups->size(), marks->size());
    for (qsizetype g = 0; g < groupCount; ++g) {
        const DuplicateGroup &group = groups->at(g);
        // A fresh list rather than a cleared one: Qt 6.4 compares an empty
        // list that kept its storage with one that has none through a
        // memcmp on a null pointer.
        QList<int> &indexes = (*marks)[g];
        indexes = QList<int>();
        const std::optional<int> keep = choose(group);
        if (!keep)
            continue;
        for (int i = 0; i < int(group.size()); ++i) {
            if (i != *keep)
                indexes.append(i);
        }
    }
}

} // namespace

std::optional<int> indexOfItemToKeep(bool newest, const DuplicateGroup &group)
{
    if (group.isEmpty())
        return std::nullopt;
    std::optional<qint64> reference = modificationSecond(group.first());
    if (!reference)
        return std::nullopt;

    for (qsizetype i = 1; i < group.size(); ++i) {
        const std::optional<qint64> second = modificationSecond(group.at(i));
        if (second && (newest ? *second > *reference : *second < *reference))
            reference = second;
    }
    for (qsizetype i = 0; i < group.size(); ++i) {
        if (modificationSecond(group.at(i)) == reference)
            return int(i);
    }
    return std::nullopt;
}

QList<int> indexesOfItemsToKeep(bool newest, const GroupList &groups)
{
    QList<int> result;
    for (const DuplicateGroup &group : groups) {
        if (const std::optional<int> keep = indexOfItemToKeep(newest, group))
            result.append(*keep);
    }
    return result;
}

void markAllButNewest(int categoryRow)
{
    markAllButKept(categoryRow, [](const DuplicateGroup &group) { return indexOfItemToKeep(true, group); });
}

void markAllButOldest(int categoryRow)
{
    markAllButKept(categoryRow, [](const DuplicateGroup &group) { return indexOfItemToKeep(false, group); });
}

void markAllButFirst(int categoryRow)
{
    markAllButKept(categoryRow, [](const DuplicateGroup &group) {
        return group.isEmpty() ? std::nullopt : std::optional<int>(0);
    });
}
