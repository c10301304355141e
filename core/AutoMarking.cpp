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

void markAllButKept(int categoryRow, const KeepChoice &choose, const MarkReport &report)
{
    const GroupList *groups = groupsOfCategoryRow(categoryRow);
    QList<QList<int>> *marks = marksOfCategoryRow(categoryRow);
    if (!groups || !marks)
        return;

    const qsizetype groupCount = std::min(groups->size(), marks->size());
    for (qsizetype g = 0; g < groupCount; ++g) {
        const DuplicateGroup &group = groups->at(g);
        markGroupKeeping(group, (*marks)[g], choose(group), report);
    }
}

} // namespace

void markGroupKeeping(const DuplicateGroup &group, QList<int> &marks, std::optional<int> keep,
                      const MarkReport &report)
{
    // A fresh list rather than a cleared one: Qt 6.4 compares an empty list
    // that kept its storage with one that has none through a memcmp on a
    // null pointer.
    marks = QList<int>();
    for (int i = 0; i < int(group.size()); ++i) {
        const bool marked = keep && i != *keep;
        if (marked)
            marks.append(i);
        if (report)
            report(group.at(i), marked);
    }
}

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

void markAllButNewest(int categoryRow, const MarkReport &report)
{
    markAllButKept(
        categoryRow, [](const DuplicateGroup &group) { return indexOfItemToKeep(true, group); }, report);
}

void markAllButOldest(int categoryRow, const MarkReport &report)
{
    markAllButKept(
        categoryRow, [](const DuplicateGroup &group) { return indexOfItemToKeep(false, group); }, report);
}

void markAllButFirst(int categoryRow, const MarkReport &report)
{
    markAllButKept(
        categoryRow,
        [](const DuplicateGroup &group) { return group.isEmpty() ? std::nullopt : std::optional<int>(0); },
        report);
}

void unmarkAllGroups(int categoryRow, const MarkReport &report)
{
    markAllButKept(
        categoryRow, [](const DuplicateGroup &) { return std::optional<int>(); }, report);
}
