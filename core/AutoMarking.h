#pragma once

#include "Records.h"

#include <QList>

#include <optional>

// Which copy of a duplicate group to keep when marking automatically.

// The copy to keep in one group: the first copy whose modification falls in
// the latest (newest) or earliest (oldest) calendar second. Nothing when the
// group is empty or its first copy has no date: such a group has no choice.
std::optional<int> indexOfItemToKeep(bool newest, const DuplicateGroup &group);
// One entry per group that has a choice, in group order; groups without one
// add nothing, so entry g need not belong to group g.
QList<int> indexesOfItemsToKeep(bool newest, const GroupList &groups);

// The results screen's marking actions for one category row (1 or more): in
// every group, mark every copy but the one kept. A group without a choice
// ends up with nothing marked, so no group ever has every copy marked. A row
// without groups or marks changes nothing.
void markAllButNewest(int categoryRow);
void markAllButOldest(int categoryRow);
void markAllButFirst(int categoryRow);
