#pragma once

#include "Records.h"

#include <QList>

#include <functional>
#include <optional>

// Which copy of a duplicate group to keep when marking automatically.

// The copy to keep in one group: the first copy whose modification falls in
// the latest (newest) or earliest (oldest) calendar second. Nothing when the
// group is empty or its first copy has no date: such a group has no choice.
std::optional<int> indexOfItemToKeep(bool newest, const DuplicateGroup &group);
// One entry per group that has a choice, in group order; groups without one
// add nothing, so entry g need not belong to group g.
QList<int> indexesOfItemsToKeep(bool newest, const GroupList &groups);

// Told, for every copy an action walks, whether the copy ends marked; a
// running search mirrors the marks into the results it set aside with it.
using MarkReport = std::function<void(const InitialDirectory &copy, bool marked)>;

// Replaces the marks of one group: every copy but `keep` is marked, in
// ascending order. Without a copy to keep nothing is marked, so no group ever
// ends with every copy marked. Every copy of the group is reported.
void markGroupKeeping(const DuplicateGroup &group, QList<int> &marks, std::optional<int> keep,
                      const MarkReport &report = {});

// The results screen's marking actions for one category row (1 or more): in
// every group, mark every copy but the one kept. A group without a choice
// ends up with nothing marked, so no group ever has every copy marked. A row
// without groups or marks changes nothing.
void markAllButNewest(int categoryRow, const MarkReport &report = {});
void markAllButOldest(int categoryRow, const MarkReport &report = {});
void markAllButFirst(int categoryRow, const MarkReport &report = {});
// Unmarks every copy of the row, reporting each one.
void unmarkAllGroups(int categoryRow, const MarkReport &report = {});
