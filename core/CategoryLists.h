#pragma once

#include "Records.h"

#include <QList>

// The lists the results screen derives from the result store: the flat
// "All Duplicates" groups, the empty marks of every category row and the flat
// list of marked records. Main thread only.

// Categories in the order of the results screen's rows 1 and up; the marks and
// the flat group list follow it, so entry i of the marks belongs to row i + 1.
const QList<ScanResultKeys> &categoryListOrder();

// Rebuilds the flat group list; with keepMarks false the marks start afresh
// with one empty index list per group.
void rebuildCategoryLists(bool keepMarks);
// Appends one list of new objects per group to the flat group list; every
// object carries the given category, whatever its record says.
void makeFileInfos(const GroupList &groups, ScanResultKeys category);
// Rebuilds the flat list of marked records, row by row, group by group, in
// ascending index order within a group.
void rebuildGroupRows();
// Appends the marked records of one category row (1 or more).
void fillCategoryGroupsFromResults(int categoryRow);

// Where one copy stands in the result store: category row (1 or more), group
// and copy positions.
struct CopyLocation
{
    int categoryRow = -1;
    int group = -1;
    int copy = -1;

    bool operator==(const CopyLocation &) const = default;
};

// The marked copies of one category row, in the order the flat list of marked
// records holds them; marks past a group's end name nothing and are left out.
QList<CopyLocation> markedLocationsOfCategoryRow(int categoryRow);
// The same for every category row, row by row.
QList<CopyLocation> markedCopyLocations();
// The record at a location, or null when it is not in the store.
const InitialDirectory *recordAt(const CopyLocation &location);

// The groups of category row r (1 or more) in the result store, or null when
// the row, its name or its groups are missing.
const GroupList *groupsOfCategoryRow(int categoryRow);
// The marks of category row r (1 or more), or null when there is no entry.
QList<QList<int>> *marksOfCategoryRow(int categoryRow);
