#pragma once

#include "RemovalPlan.h"
#include "RemovalRun.h"

#include <QByteArray>
#include <QList>
#include <QStringList>

#include <functional>

// What a run left, for the completion's report and the command-line runner.
struct RemovalSummary
{
    int removed = 0;
    int kept = 0;
    quint64 bytes = 0;
    // Plan indexes of the marked copies that stayed where they were.
    QList<int> keptCopies;
    // Marked copies in groups that the search hid when the run started: the
    // run never saw them, and they keep their marks. Not in `kept`.
    QList<QByteArray> hiddenMarked;
};

// Rebuilds the category rows from the groups in the results (row 0, then
// every category with groups, in the screen's order, keeping the rows it
// had), the all-groups list and empty marks; no rows at all when no group is
// left. GUI thread.
void rebuildRowsFromResults();

// Start values of the counters a run leaves for the scan screen: both
// not-moved flags false, the tallies and the Photos counters 0. GUI thread.
void resetRemovalTotals();

// Writes a finished run into the result store on the GUI thread: a search
// is ended first (endSearch when given, else the snapshot is put back), then
// every removed copy leaves the full results by identity, groups of fewer
// than two copies go, the rows and the all-groups list are rebuilt, and the
// tallies, Photos counters, not-moved flags and allDuplicatesRemoved are set.
// Nothing stays marked but the copies of groups the search hid, which
// endSearch gave back with their marks. `bytes` counts a copy inside another
// removed copy once, with that copy.
RemovalSummary applyRemovalResult(const RemovalPlan &plan, const RemovalResult &result,
                                  const std::function<void()> &endSearch = {});

// The report of the marked copies that stayed, those of hidden groups too:
// how many, then the first few paths with the reason for each. Empty when
// every marked copy went.
QString keptCopiesReport(const RemovalPlan &plan, const RemovalResult &result, const RemovalSummary &summary = {},
                         int maximumPaths = 5);

// The report of the items that went from the destination folder to the Trash
// to make room for a copy: how many, then the first few paths. Empty when none did.
QString movedAsideReport(const RemovalPlan &plan, const RemovalResult &result, int maximumPaths = 5);

// The report of the copies that were moved to another file system without
// some of their attributes (those the destination's file system refused):
// how many, then the first few paths with what was left behind. Empty when
// none was.
QString attributesNotKeptReport(const RemovalPlan &plan, const RemovalResult &result, int maximumPaths = 5);
